#include "model/ModelSupport.h"

#include <QString>
#include <algorithm>
#include <cmath>
#include <limits>

#include "model/DRElement.h"
#include "model/DRModelServices.h"
#include "platform/NotificationCenter.h"
#include "support/SaturatingCast.h"

bool g_suppressColorRegister = false;

void RegisterKolor(Kolor kolor, bool primary) {
  if (g_suppressColorRegister || !IsValidKolor(kolor)) return;
  CSNotification notification;
  notification.name = primary ? QStringLiteral("twdraw.registerColor") : QStringLiteral("twdraw.registerAltColor");
  notification.object = ModelServices().mainWindow();
  notification.userInfo.insert(QStringLiteral("color"), ValueWithKolor(kolor));
  // The queue keeps the first of a burst; the info bar wants the last.
  NotificationQueue& queue = NotificationQueue::defaultQueue();
  queue.dequeueMatching(notification.name, notification.object);
  queue.enqueue(notification, true);
}

namespace {

constexpr MeasureUnit kFullTurn = 4572000;   // 360 degrees
constexpr MeasureUnit kRotationStep = 635;    // 0.05 degree

}  // namespace

MeasureUnit RotationFromField(MeasureUnit angle) {
  if (angle == kMixedMeasure) return angle;
  if (angle == kFullTurn || angle == -kFullTurn) return 0;
  // A negative angle is raised by whole turns; a turn or more is left alone.
  if (angle < 0) {
    angle %= kFullTurn;
    if (angle < 0) angle += kFullTurn;
  }
  const MeasureUnit remainder = angle % kRotationStep;
  angle -= remainder;
  if (remainder >= kRotationStep / 2) {  // 317 and above round up
    if (angle <= std::numeric_limits<MeasureUnit>::max() - kRotationStep) angle += kRotationStep;
  }
  return angle;
}

MeasureUnit RotationFromControl(double degrees) {
  if (!std::isfinite(degrees)) return 0;
  double magnitude = std::fabs(degrees);
  const double snapped = std::floor((magnitude + 6.0) / 45.0) * 45.0;
  if (std::fabs(magnitude - snapped) <= 6.0) magnitude = snapped;
  const double signedDegrees = degrees < 0 ? -magnitude : magnitude;
  return RotationFromField(SaturatingCast<MeasureUnit>(std::trunc(signedDegrees * 12700.0)));
}

void AddGradientToList(QList<DRGradient>* list, const DRGradient& gradient) {
  if (!list) return;
  const qsizetype index = list->indexOf(gradient);
  if (index == 0) return;
  if (index > 0) list->removeAt(index);
  list->prepend(gradient);
}

void AddArrowToList(const std::optional<DRArrow>& arrow) {
  if (!arrow) return;
  QList<DRArrow>& list = ModelServices().recentArrows();
  const qsizetype index = list.indexOf(*arrow);
  if (index != 0) {
    if (index > 0) list.removeAt(index);
    list.prepend(*arrow);
  }
  while (list.size() > kMaxRecentArrows) list.removeLast();
}

// ---- Containers ----

namespace {

MeasureUnit ClampWide(__int128 value) {
  if (value > std::numeric_limits<MeasureUnit>::max()) return std::numeric_limits<MeasureUnit>::max();
  if (value < std::numeric_limits<MeasureUnit>::min()) return std::numeric_limits<MeasureUnit>::min();
  return MeasureUnit(value);
}

// The smallest rectangle holding both, zero-sized sides included (a
// vertical line's frame still widens the union).
CSRect SpanRects(const CSRect& a, const CSRect& b) {
  const __int128 left = std::min<__int128>(a.x, b.x);
  const __int128 top = std::min<__int128>(a.y, b.y);
  const __int128 right = std::max<__int128>(__int128(a.x) + a.width, __int128(b.x) + b.width);
  const __int128 bottom = std::max<__int128>(__int128(a.y) + a.height, __int128(b.y) + b.height);
  return CSRect{ClampWide(left), ClampWide(top), ClampWide(right - left), ClampWide(bottom - top)};
}

}  // namespace

CSRect CompositeRectangle(const std::vector<std::unique_ptr<DRElement>>& elements, const CSRect& frame) {
  CSRect bounds{0, 0, 0, 0};
  CSRect frames{0, 0, 0, 0};
  bool first = true;
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
    if (!*it) continue;
    const CSRect memberBounds = (*it)->bounds(false);
    const CSRect memberFrame = (*it)->frame();
    bounds = first ? memberBounds : SpanRects(bounds, memberBounds);
    frames = first ? memberFrame : SpanRects(frames, memberFrame);
    first = false;
  }
  if (frames.width != 0 && frames.height != 0) {
    bounds.x = ClampWide(__int128(bounds.x) * frame.width / frames.width);
    bounds.width = ClampWide(__int128(bounds.width) * frame.width / frames.width);
    bounds.y = ClampWide(__int128(bounds.y) * frame.height / frames.height);
    bounds.height = ClampWide(__int128(bounds.height) * frame.height / frames.height);
  }
  bounds.x = ClampWide(__int128(bounds.x) + frame.x);
  bounds.y = ClampWide(__int128(bounds.y) + frame.y);
  return bounds;
}
