#include "model/SpecialtyDrawing.h"

#include <QBrush>
#include <QLinearGradient>
#include <QPainter>
#include <QPainterPath>
#include <QPen>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>

#include "model/DRElementHostingView.h"
#include "model/DRShadowContext.h"
#include "support/CSCore.h"
#include "support/Fonts.h"
#include "support/GraphicsContext.h"
#include "support/GraphicsHelpers.h"
#include "support/TextDrawing.h"

namespace {

// The grab-dot positions as fractions of the grown frame, in dot order.
constexpr std::array<QPointF, kGrabDotCount> kDotPoints = {
    QPointF(0, 0), QPointF(0.5, 0), QPointF(1, 0), QPointF(1, 0.5),
    QPointF(1, 1), QPointF(0.5, 1), QPointF(0, 1), QPointF(0, 0.5),
};

constexpr int kActiveSelectionOptions = kGrabDotCasingColor | kGrabDotInnerDot | kGrabDotWhiteDisc;
constexpr int kInactiveSelectionOptions = kGrabDotInnerDot | kGrabDotWhiteDisc;

constexpr Kolor kBubbleKolor = 0x64B8FFFF;
constexpr Kolor kDieRedKolor = 0x643A4AFF;

// The smallest rectangle on whole points that holds the rect.
QRectF IntegralRect(const QRectF& rect) {
  const QRectF r = rect.normalized();
  const double left = std::floor(r.left());
  const double top = std::floor(r.top());
  return QRectF(left, top, std::ceil(r.right()) - left, std::ceil(r.bottom()) - top);
}

bool IsUsableStep(double value) {
  return value > 0 && std::isfinite(value);
}

bool IsFiniteRect(const QRectF& rect) {
  return std::isfinite(rect.x()) && std::isfinite(rect.y()) && std::isfinite(rect.width()) &&
         std::isfinite(rect.height());
}

// Adds the lines at start + i x spacing that are below `end`, skipping those
// that lie wholly before `from` (their stroke could not reach the area),
// at most kMaxGridLines of them.
template <typename AddLine>
void AddGridLines(double start, double spacing, double from, double end, double halfWidth, AddLine addLine) {
  double first = start;
  if (start + halfWidth < from) first = start + std::ceil((from - halfWidth - start) / spacing) * spacing;
  for (int i = 0; i < kMaxGridLines; ++i) {
    const double position = first + i * spacing;
    if (!(position < end)) break;
    addLine(position);
  }
}

QPainterPath OvalPath(const QRectF& rect) {
  QPainterPath path;
  path.addEllipse(rect);
  return path;
}

}  // namespace

// ---- Grab dots -------------------------------------------------------------

QColor ColorForGrabDotOptions(int options) {
  if (!(options & kGrabDotCasingColor)) return GrayColor(3);
  return ColorFromKolor((options & kGrabDotDimmed) ? g_dimmedCasingColor : g_casingColor);
}

void GetGrabDotRects(std::span<QRectF, kGrabDotCount> rects, const QRectF& frame) {
  const double half = kGrabDotSize / 2;
  const QRectF grown = frame.adjusted(-half, -half, half, half);
  for (int i = 0; i < kGrabDotCount; ++i) {
    const double cx = grown.x() + grown.width() * kDotPoints[size_t(i)].x();
    const double cy = grown.y() + grown.height() * kDotPoints[size_t(i)].y();
    rects[size_t(i)] = QRectF(cx - half, cy - half, kGrabDotSize, kGrabDotSize);
  }
}

void DrawGrabDotCore(int options, const QRectF& rect, double scale) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  const QColor color = ColorForGrabDotOptions(options);
  double outlineInset = 0.5;
  double dotInset = 2.0;
  double lineWidth = 1.0;
  QRectF r = rect;
  if (scale > 1 && std::isfinite(scale)) {
    outlineInset /= scale;
    dotInset /= scale;
    lineWidth /= scale;
    r = ZoomRect(rect, scale);
  }

  painter->save();
  if (options & kGrabDotWhiteDisc) painter->fillPath(OvalPath(r), Qt::white);
  painter->strokePath(OvalPath(r.adjusted(outlineInset, outlineInset, -outlineInset, -outlineInset)),
                      QPen(color, lineWidth));
  if (options & kGrabDotInnerDot)
    painter->fillPath(OvalPath(r.adjusted(dotInset, dotInset, -dotInset, -dotInset)), color);
  painter->restore();
}

void DrawGrabDot(int options, const QRectF& rect) {
  DrawGrabDotCore(options, rect, 1.0);
}

void DrawGrabDotSelection(DRElementHostingView* view, const QRectF& rect) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  const bool active = !view || !view->hasWindow() || view->isActiveFirstResponder();
  const int options = active ? kActiveSelectionOptions : kInactiveSelectionOptions;
  EnsureGrabDotColors();

  const double half = kGrabDotSize / 2;
  QPainterPath casing;
  casing.addRect(IntegralRect(rect).adjusted(-half, -half, half, half));
  painter->save();
  painter->strokePath(casing, QPen(ColorForGrabDotOptions(options), 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  painter->restore();

  QRectF dots[kGrabDotCount];
  GetGrabDotRects(dots, rect);
  for (const QRectF& dot : dots) DrawGrabDotCore(options, dot, 1.0);
}

void InvalidateGrabDotSelection(DRElementHostingView* view, const QRectF& rect) {
  if (!view) return;
  view->invalidateRect(rect.adjusted(-kGrabDotSize, -kGrabDotSize, kGrabDotSize, kGrabDotSize));
}

// ---- Grid ------------------------------------------------------------------

void DrawGrid(Kolor kolor, const QRectF& origin, const QRectF& area, double xSpacing, double ySpacing, double zoom) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  if (!IsUsableStep(xSpacing) || !IsUsableStep(ySpacing) || !IsUsableStep(zoom)) return;
  if (!IsFiniteRect(origin) || !IsFiniteRect(area)) return;

  const double width = 1.0 / zoom;
  const double half = width / 2;
  const double left = area.x();
  const double right = area.x() + area.width();
  const double top = area.y();
  const double bottom = area.y() + area.height();

  QPainterPath path;
  AddGridLines((std::floor(origin.y() / ySpacing) + 1) * ySpacing + half, ySpacing, top, bottom, half, [&](double y) {
    path.moveTo(left, y);
    path.lineTo(right, y);
  });
  AddGridLines((std::floor(origin.x() / xSpacing) + 1) * xSpacing + half, xSpacing, left, right, half, [&](double x) {
    path.moveTo(x, top);
    path.lineTo(x, bottom);
  });
  if (path.isEmpty()) return;
  painter->save();
  painter->strokePath(path, QPen(ColorFromKolor(kolor), width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  painter->restore();
}

// ---- Bubbles ---------------------------------------------------------------

void DrawStringInBubble(const QString& string, const QFont& font, const QRectF& rect) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  QPainterPath path;
  path.addRect(rect.adjusted(0.5, 0.5, -0.5, -0.5));

  PushShadowContext();
  SetContextShadow(DRContextShadow{QPointF(0, 4), 4.0, GrayColor(g_darkMode ? 6 : 3)});
  FillPathInContext(path, QBrush(ColorFromKolor(kBubbleKolor)));
  PopShadowContext();

  painter->save();
  painter->strokePath(path, QPen(GrayColor(g_darkMode ? 5 : 3), 1.0, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin));
  painter->restore();
  DrawCenteredString(painter, string, font, Qt::black, false, rect);
}

void DrawPositionBubble(MeasureUnit measure, DistanceUnit unit, bool vertical, const QPointF& point,
                        const QRectF& rect) {
  if (!CurrentQuartzContext()) return;
  const QFont font = SystemFont(SmallSystemFontSize());
  const QString text = FormatMeasure(measure, false, true, unit);
  const QSizeF size = SizeOfTextInFont(text, font);
  const double h = std::ceil(size.height() + 6);
  constexpr double kGap = 16;
  constexpr double kMargin = 32;

  QRectF bubble;
  if (vertical) {
    bubble = QRectF(rect.x() + 1, point.y() + kGap, rect.width() - 2, h);
    if (point.y() > h + kMargin && point.y() + h + kMargin > rect.y() + rect.height())
      bubble.moveTop(point.y() - h - kGap);
  } else {
    const double w = std::max(std::ceil(size.width() + 16), 60.0);
    bubble = QRectF(point.x() + kGap, rect.y() + std::round((rect.height() - h) / 2), w, h);
    if (point.x() > w + kMargin && point.x() + w + kMargin > rect.x() + rect.width())
      bubble.moveLeft(point.x() - w - kGap);
  }
  DrawStringInBubble(text, font, bubble);
}

// ---- Bars and dice ---------------------------------------------------------

void DrawGradientBottomBar(const QRectF& rect) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  const QColor darker = ColorFromKolor(g_darkMode ? 0x64202020 : 0x64A1A1A1);
  const QColor lighter = ColorFromKolor(g_darkMode ? 0x64505050 : 0x64EDEDED);
  // Run from the edge that shows at the bottom of the device to the one at
  // its top, so a flipped painter gets the same bar.
  const QTransform device = painter->deviceTransform();
  const bool topShowsAbove = device.map(QPointF(0, rect.top())).y() <= device.map(QPointF(0, rect.bottom())).y();
  const double shownBottom = topShowsAbove ? rect.bottom() : rect.top();
  const double shownTop = topShowsAbove ? rect.top() : rect.bottom();
  QLinearGradient gradient(rect.x(), shownBottom, rect.x(), shownTop);
  gradient.setColorAt(0, darker);
  gradient.setColorAt(1, lighter);
  painter->fillRect(rect, gradient);
}

void DrawGameDie(int value, bool lighter, const QRectF& rect) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  int64_t remaining = value;
  const QColor grey = GrayColor(lighter ? 3 : 4);
  QColor face;
  if (remaining < 100) {
    face = remaining > 0 ? QColor(Qt::white) : grey;
  } else {
    remaining -= 100;
    face = remaining != 0 ? ColorFromKolor(kDieRedKolor) : grey;
  }

  const double width = rect.width();
  const double radius = std::floor(width / 10);
  QPainterPath body;
  body.addRoundedRect(rect.adjusted(0.5, 0.5, -0.5, -0.5), radius, radius);
  painter->save();
  painter->fillPath(body, face);
  painter->strokePath(body, QPen(Qt::black, 1.0));

  const int64_t n = remaining < 0 ? -remaining : remaining;
  if (n != 0) {
    const double p = width / 5;
    const double m = (width - 3 * p) / 4;
    const double left = rect.x() + m;
    const double right = rect.x() + width - m - p;
    const double top = rect.y() + m;
    const double bottom = rect.y() + rect.height() - m - p;
    const double middleX = rect.x() + (width - p) / 2;
    const double middleY = rect.y() + (rect.height() - p) / 2;
    QPainterPath pips;
    pips.setFillRule(Qt::WindingFill);
    auto addPip = [&](double x, double y) { pips.addEllipse(QRectF(x, y, p, p)); };
    if (n % 2 == 1) addPip(std::floor(middleX), std::floor(middleY));
    if (n >= 2) {
      addPip(left, top);
      addPip(right, bottom);
    }
    if (n >= 4) {
      addPip(right, top);
      addPip(left, bottom);
    }
    if (n == 6) {
      addPip(left, middleY);
      addPip(right, middleY);
    }
    painter->fillPath(pips, Qt::black);
  }
  painter->restore();
}

// ---- Rulers ----------------------------------------------------------------

MeasureUnit RulerInterval(DistanceUnit unit) {
  static constexpr std::array<MeasureUnit, 5> kIntervals = {114300, 114300, 12700, 12700, 36000};
  if (unit >= 1 && unit <= kIntervals.size()) return kIntervals[unit - 1];
  return 12700;
}
