#include "ui/inspector/DRArcAngleView.h"

#include <QEvent>
#include <QMouseEvent>
#include <QPainter>
#include <QRadialGradient>
#include <cmath>
#include <optional>

#include "model/DRElementArc.h"
#include "model/DRLineInfo.h"
#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/CSKernel.h"
#include "support/GraphicsContext.h"
#include "support/GraphicsHelpers.h"
#include "support/Kolor.h"

namespace {

constexpr Kolor kPieFallbackKolor = 0x64EA9292;
constexpr Kolor kRingFallbackKolor = 0x64840606;
constexpr Kolor kNoKolor = 0xFFFFFFFF;
constexpr int kSnapStep = 45;
constexpr int kSnapDistance = 5;
// The fill of the knobs: a neutral grey that reads on light and dark rings.
const QColor kKnobGray(142, 142, 147);

// One ring gradient serves every arc editor; it is made on the first draw
// and dropped when the colours change. It is laid out on the bounding box of
// what it fills, so views of one proportion share it; another proportion
// makes it anew.
struct SharedTrack {
  std::optional<QRadialGradient> gradient;
  double ratio = 0;
};

SharedTrack& Track() {
  static SharedTrack track;
  return track;
}

// Whole degrees brought into 0-359, then pulled onto a multiple of 45
// within 5 of it. 355-359 stay: their multiple above would be 360, which
// counts as 0.
int SnapAngle(int degrees) {
  degrees %= 360;
  if (degrees < 0) degrees += 360;
  int above = (degrees + kSnapStep - 1) / kSnapStep * kSnapStep;
  if (above == 360) above = 0;
  const int remainder = degrees % kSnapStep;
  if (remainder <= kSnapDistance) return degrees - remainder;
  if (std::abs(degrees - above) <= kSnapDistance) return above;
  return degrees;
}

}  // namespace

DRArcAngleView::DRArcAngleView(QWidget* parent) : QWidget(parent), m_sampleArc(std::make_unique<DRElementArc>()) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
  // The pie has no outline.
  std::optional<DRLineInfo> line(std::in_place);
  line->setKolorWithoutRegistering(kNoKolor);
  m_sampleArc->setLineInfo(line);
  colorModeChanged();
  m_draggingStart = kDragNone;
  // Application palette changes reach the view as QEvent::PaletteChange.
  NotificationCenter::defaultCenter().addObserver(this, g_darkModeChangedNotification, nullptr,
                                                  [this](const CSNotification&) { colorModeChanged(); });
}

DRArcAngleView::~DRArcAngleView() {
  NotificationCenter::defaultCenter().removeObserver(this);
}

void DRArcAngleView::colorModeChanged() {
  Track().gradient.reset();
  m_sampleArc->setFillKolor(KolorFromColor(AccentColor(true, kPieFallbackKolor)));
  update();
}

void DRArcAngleView::changeEvent(QEvent* event) {
  QWidget::changeEvent(event);
  if (event->type() == QEvent::PaletteChange || event->type() == QEvent::ApplicationPaletteChange) {
    colorModeChanged();
  }
}

QRectF DRArcAngleView::innerRect() const {
  return QRectF(rect()).adjusted(kRingInset, kRingInset, -kRingInset, -kRingInset);
}

void DRArcAngleView::setKnobBezier(QPainterPath* path, int64_t angle, const QRectF& inner, const QRectF& outer) {
  const double degrees = double(angle) / double(kAngleScale);
  const QPointF centre = inner.center();
  const double thickness = (outer.width() - inner.width()) / 2;
  *path = QPainterPath();
  path->moveTo(RotatePoint(QPointF(centre.x(), inner.top()), centre, degrees));
  path->lineTo(RotatePoint(QPointF(centre.x() - thickness / 2, outer.top() / 2), centre, degrees));
  path->lineTo(RotatePoint(QPointF(centre.x() + thickness / 2, outer.top() / 2), centre, degrees));
  path->closeSubpath();
}

void DRArcAngleView::paintEvent(QPaintEvent* event) {
  (void)event;
  const QRectF bounds(rect());
  const QRectF inner = innerRect();
  if (inner.width() <= 0 || inner.height() <= 0) return;

  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, true);
  const QColor base = GrayColor(g_darkMode ? 5 : 1);

  SharedTrack& track = Track();
  const double ratio = inner.width() / bounds.width();
  if (!track.gradient || track.ratio != ratio) {
    QRadialGradient gradient(QPointF(0.5, 0.5), 0.5);
    gradient.setCoordinateMode(QGradient::ObjectMode);
    const QColor accent = AccentColor(false, kRingFallbackKolor);
    gradient.setColorAt(0, base);
    gradient.setColorAt(0.66 * ratio, base);
    gradient.setColorAt(ratio, accent);
    gradient.setColorAt(1, accent);
    track.gradient = gradient;
    track.ratio = ratio;
  }
  QPainterPath ring;
  ring.addEllipse(bounds);
  painter.fillPath(ring, QBrush(*track.gradient));

  QPainterPath pieCircle;
  pieCircle.addEllipse(inner);
  painter.fillPath(pieCircle, base);

  m_sampleArc->setStartAngle(m_startAngle);
  m_sampleArc->setEndAngle(m_endAngle);
  {
    GraphicsContextScope context(&painter);
    painter.save();
    m_sampleArc->drawInRect(inner, this);
    painter.restore();
  }

  QPen outline(GrayColor(3), 0.5);
  QPainterPath path;
  path.addEllipse(inner.adjusted(0.25, 0.25, -0.25, -0.25));
  painter.strokePath(path, outline);

  const QPen knobPen(Qt::black, 0.5);
  for (int64_t angle : {m_endAngle, m_startAngle}) {
    setKnobBezier(&path, angle, inner, bounds);
    painter.fillPath(path, kKnobGray);
    painter.strokePath(path, knobPen);
  }
  const QRectF innerOut = inner.adjusted(-3, -3, 3, 3);
  const QRectF outerIn = bounds.adjusted(3, 3, -3, -3);
  for (int64_t angle : {m_endAngle, m_startAngle}) {
    setKnobBezier(&path, angle, innerOut, outerIn);
    painter.strokePath(path, outline);
  }
}

int DRArcAngleView::directionOf(const QPointF& point) const {
  return DegreesFromEast(innerRect().center(), point) + 90;
}

void DRArcAngleView::mousePressEvent(QMouseEvent* event) {
  m_draggingStart = kDragNone;
  const QPointF point = event->position();
  const QRectF inner = innerRect();
  const QRectF bounds(rect());
  QPainterPath knob;
  // The start knob is tested first, so it wins where the two overlap.
  setKnobBezier(&knob, m_startAngle, inner, bounds);
  if (knob.contains(point)) {
    m_draggingStart = kDragStart;
  } else {
    setKnobBezier(&knob, m_endAngle, inner, bounds);
    if (knob.contains(point)) m_draggingStart = kDragEnd;
  }
  if (m_draggingStart == kDragNone) return;
  const int64_t taken = m_draggingStart == kDragStart ? m_startAngle : m_endAngle;
  m_dragAngleOffset = double(directionOf(point)) - double(taken) / double(kAngleScale);
}

void DRArcAngleView::mouseMoveEvent(QMouseEvent* event) {
  if (m_draggingStart == kDragNone || !(event->buttons() & Qt::LeftButton)) return;
  const double raw = double(directionOf(event->position())) - m_dragAngleOffset;
  const int64_t angle = int64_t(SnapAngle(int(std::trunc(raw)))) * kAngleScale;
  int64_t& target = m_draggingStart == kDragStart ? m_startAngle : m_endAngle;
  if (angle == target) return;
  target = angle;
  update();
  emit anglesChanged(this);
}

void DRArcAngleView::mouseReleaseEvent(QMouseEvent* event) {
  // The knob stays taken until the next press tests again.
  (void)event;
}

void DRArcAngleView::invalidateElement(DRElement* element) {
  (void)element;
}

bool DRArcAngleView::isElementSelected(const DRElement* element) const {
  (void)element;
  return false;
}

bool DRArcAngleView::showCasings() const {
  return false;
}

bool DRArcAngleView::noHairlines() const {
  return true;
}
