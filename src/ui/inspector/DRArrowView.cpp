#include "ui/inspector/DRArrowView.h"

#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <array>
#include <cmath>

#include "model/SpecialtyDrawing.h"
#include "support/GraphicsContext.h"
#include "support/Kolor.h"

namespace {

// Offsets snap to the half point when they come this close to one.
constexpr MeasureUnit kHalfPoint = 6350;
constexpr MeasureUnit kSnapDistance = 1270;
// Casing colour, inner dot and white disc.
constexpr int kControlDotOptions = kGrabDotCasingColor | kGrabDotInnerDot | kGrabDotWhiteDisc;
// Far beyond any view, yet safe to convert to a measure.
constexpr double kLargestDistance = 1e12;

MeasureUnit ClampOffset(MeasureUnit value) {
  return std::clamp(value, -g_arrowControlLimit, g_arrowControlLimit);
}

QRectF HitBox(const QPointF& point) {
  const double half = DRArrowView::kHitBox / 2;
  return QRectF(point.x() - half, point.y() - half, DRArrowView::kHitBox, DRArrowView::kHitBox);
}

}  // namespace

DRArrowView::DRArrowView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void DRArrowView::setArrow(const DRArrow& arrow) {
  if (m_dragPointIndex >= 0) return;
  m_arrow = arrow;
}

QPointF DRArrowView::startPoint() const {
  return QPointF(kMargin, std::floor(height() / 2.0));
}

QPointF DRArrowView::endPoint() const {
  return QPointF(width() - kMargin, std::floor(height() / 2.0));
}

int DRArrowView::controlPoints(DRArrow::Controls points) const {
  return m_arrow.getControlPoints(points, startPoint(), endPoint(), kScale);
}

MeasureUnit DRArrowView::measureDifference(bool clamp, double a, double b, double c) {
  const double distance = std::clamp(a - b + c, -kLargestDistance, kLargestDistance);
  const MeasureUnit v = RoundMeasure(MeasureUnit(distance / kScale * kMeasurePerPoint), g_arrowOffsetPrecision);
  const MeasureUnit half = RoundMeasure(v, kHalfPoint);
  const MeasureUnit result = std::abs(half - v) <= kSnapDistance ? half : v;
  return clamp ? ClampOffset(result) : result;
}

void DRArrowView::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  const QRectF bounds(rect());
  painter.fillRect(bounds, Qt::white);
  painter.setPen(QPen(GrayColor(3), 1.0));
  painter.drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
  painter.setRenderHint(QPainter::Antialiasing);
  GraphicsContextScope scope(&painter);

  QPointF start = startPoint();
  QPointF end = endPoint();
  m_arrow.drawLineArrowsFrom(&start, &end, kScale, g_blackKolor, false);
  QPainterPath line(start);
  line.lineTo(end);
  painter.strokePath(line, QPen(Qt::black, kScale, Qt::SolidLine, Qt::FlatCap));

  // While a point is dragged the dots would only hide the head.
  if (m_dragPointIndex >= 0) return;
  std::array<QPointF, kMaxArrowControls> points;
  const int count = controlPoints(points);
  for (int i = 0; i < count; ++i) DrawGrabDot(kControlDotOptions, HitBox(points[size_t(i)]));
}

void DRArrowView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) return;
  const QPointF mouse = event->position();
  std::array<QPointF, kMaxArrowControls> points;
  const int count = controlPoints(points);
  m_dragPointIndex = -1;
  for (int i = 0; i < count; ++i) {
    if (HitBox(points[size_t(i)]).contains(mouse)) {
      m_dragPointIndex = i;
      m_dragOffset = mouse - points[size_t(i)];
      update();
      break;
    }
  }
}

void DRArrowView::mouseMoveEvent(QMouseEvent* event) {
  if (m_dragPointIndex < 0) return;
  dragTo(event->position());
}

void DRArrowView::mouseReleaseEvent(QMouseEvent* event) {
  (void)event;
  if (m_dragPointIndex < 0) return;
  m_dragPointIndex = -1;
  m_arrow.setCanonicalForm();
  update();
  emit arrowChanged();
}

void DRArrowView::dragTo(const QPointF& mouse) {
  const QPointF p = mouse - m_dragOffset;
  const double left = startPoint().x();
  const double right = endPoint().x();
  const double middle = startPoint().y();
  const bool atEnd = m_arrow.onEnd() != 0;
  MeasureUnit base = m_arrow.baseOffset();
  MeasureUnit x = m_arrow.xControl();
  MeasureUnit y = m_arrow.yControl();
  // The end head is measured rightwards and upwards from the line's end;
  // the start head mirrored, leftwards and downwards from its start.
  const auto along = [&](bool clamp) {
    return atEnd ? measureDifference(clamp, p.x(), right, 0) : measureDifference(clamp, left, p.x(), 0);
  };
  const auto across = [&] {
    return atEnd ? measureDifference(true, middle, p.y(), 0) : measureDifference(true, p.y(), middle, 0);
  };
  switch (m_arrow.type()) {
    case kArrowTypeBar:
      // A bar is symmetric: both heads are measured rightwards and upwards.
      x = measureDifference(true, p.x(), atEnd ? right : left, 0);
      y = measureDifference(true, middle, p.y(), 0);
      break;
    case kArrowTypeOpenHalf:
    case kArrowTypeOpen:
      x = along(true);
      y = across();
      break;
    case kArrowTypeBall:
      y = measureDifference(true, middle, p.y(), 0);
      break;
    case kArrowTypeClosedHalf:
    case kArrowTypeClosed:
      if (m_dragPointIndex == 1) {
        base = std::max<MeasureUnit>(0, along(true));
      } else {
        x = ClampOffset(along(false) - base);
        y = across();
      }
      break;
    default:
      return;
  }
  bool changed = false;
  if (base != m_arrow.baseOffset()) {
    m_arrow.setBaseOffset(base);
    changed = true;
  }
  if (x != m_arrow.xControl()) {
    m_arrow.setXControl(x);
    changed = true;
  }
  if (y != m_arrow.yControl()) {
    m_arrow.setYControl(y);
    changed = true;
  }
  if (changed) emit arrowChanged();
}
