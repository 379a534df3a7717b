#include "model/DRElementLine.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>

#include "model/DRElementHostingView.h"
#include "model/DRKeyTable.h"
#include "model/DRModelServices.h"
#include "model/DRSettings.h"
#include "model/DRShadowContext.h"
#include "model/GeometryHelpers.h"
#include "model/SpecialtyDrawing.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"

namespace {

MeasureUnit Clamp128(__int128 value) {
  if (value > std::numeric_limits<MeasureUnit>::max()) return std::numeric_limits<MeasureUnit>::max();
  if (value < std::numeric_limits<MeasureUnit>::min()) return std::numeric_limits<MeasureUnit>::min();
  return MeasureUnit(value);
}

CSPoint Offset(CSPoint point, CSPoint by, int sign) {
  return CSPoint{Clamp128(__int128(point.x) + sign * __int128(by.x)),
                 Clamp128(__int128(point.y) + sign * __int128(by.y))};
}

constexpr double kDotSide = 9.0;
constexpr double kDotHalf = kDotSide / 2;

}  // namespace

DRElementLine::DRElementLine() : DRElement(kElementLine) {
  takeSettingsLineInfo();
  m_arrow = DRSettings::sharedInstance().arrow();
}

QVariant DRElementLine::arrowValue() const {
  return m_arrow ? QVariant::fromValue(*m_arrow) : QVariant();
}

void DRElementLine::setArrowValue(const QVariant& value) {
  if (value.metaType() == QMetaType::fromType<DRArrow>())
    m_arrow = value.value<DRArrow>();
  else
    m_arrow.reset();
}

void DRElementLine::copyFrom(const DRElement& other) {
  DRElement::copyFrom(other);
  const auto& line = static_cast<const DRElementLine&>(other);
  m_startPoint = line.m_startPoint;
  m_endPoint = line.m_endPoint;
  m_arrow = line.m_arrow;
}

void DRElementLine::setUnderConstruction(bool underConstruction) {
  const bool was = isUnderConstruction();
  DRElement::setUnderConstruction(underConstruction);
  if (was == underConstruction) return;
  const CSPoint origin{frame().x, frame().y};
  const int sign = underConstruction ? 1 : -1;
  m_startPoint = Offset(m_startPoint, origin, sign);
  m_endPoint = Offset(m_endPoint, origin, sign);
}

void DRElementLine::setConstrained(bool constrained) {
  setConstrainedNoResize(constrained);
  if (!constrained || m_startPoint == m_endPoint) return;
  const QPointF start = ConvertMeasurePoint(m_startPoint);
  const QPointF snapped = ConstrainLine(ConvertMeasurePoint(m_endPoint), start, QRectF(), 1.0f);
  const CSPoint end = ConvertViewPoint(snapped.x(), snapped.y());
  if (end == m_endPoint) return;
  m_endPoint = end;
  const bool was = isUnderConstruction();
  // The points are made absolute to span the new frame, then relative to it.
  setUnderConstruction(true);
  setFrame(RectFromPointsMU(m_startPoint, m_endPoint));
  if (!was) setUnderConstruction(false);
}

void DRElementLine::endsInPoints(const QPointF& origin, QPointF* start, QPointF* end) const {
  *start = ConvertMeasurePoint(m_startPoint);
  *end = ConvertMeasurePoint(m_endPoint);
  if (!isUnderConstruction()) {
    *start += origin;
    *end += origin;
  }
}

void DRElementLine::drawInRect(const QRectF& rect, DRElementHostingView* view) {
  const double lineWidth = effectiveLineWidth();
  QRectF r = rect;
  setupDrawing(&r);
  if (shouldDrawLine()) {
    QPointF s;
    QPointF e;
    endsInPoints(r.topLeft(), &s, &e);
    // The stroke lies inside the frame's side.
    if (s.x() == e.x()) {
      s.rx() += lineWidth / 2;
      e.rx() += lineWidth / 2;
    } else if (s.y() == e.y()) {
      s.ry() += lineWidth / 2;
      e.ry() += lineWidth / 2;
    }
    // With filled heads the shadow of the shortened line falls under the
    // heads, and the line itself is stroked again on top without one.
    const bool shadowFirst = !isHitTesting() && m_arrow && m_arrow->fill() != 0 && shadow().has_value();
    QPainterPath path;
    if (shadowFirst) {
      QPointF a = s;
      QPointF b = e;
      m_arrow->insetForArrows(*this, &a, &b);
      path.moveTo(a);
      path.lineTo(b);
      StrokePathInContext(path, setupLineDrawing(view));
    }
    if (m_arrow) m_arrow->drawArrowsForLine(this, &s, &e);
    if (shadowFirst) {
      resetShadow();
    } else {
      path.moveTo(s);
      path.lineTo(e);
    }
    StrokePathInContext(path, setupLineDrawing(view));
  }
  if (finishDrawing(r, view)) {
    std::array<QRectF, 8> dots;
    const int count = getGrabDotRects(dots, r);
    int options = kGrabDotWhiteDisc | kGrabDotInnerDot;
    if (view->isActiveFirstResponder()) options |= kGrabDotCasingColor;
    double dotZoom = 1.0;
    if (const std::optional<double> zoom = view->zoomValue()) dotZoom = ModelServices().zoomForGrabDots(*zoom);
    if (!(dotZoom > 0) || !std::isfinite(dotZoom)) dotZoom = 1.0;
    for (int i = 0; i < count; ++i) DrawGrabDotCore(options, dots[size_t(i)], dotZoom);
  }
}

int DRElementLine::getGrabDotRects(std::span<QRectF, 8> rects, const QRectF& frame) const {
  const double lineWidth = effectiveLineWidth();
  QPointF s;
  QPointF e;
  endsInPoints(frame.topLeft(), &s, &e);
  if (s.x() == e.x()) {
    const double left = s.x() + lineWidth / 2 - kDotHalf;
    const bool startUpper = s.y() <= e.y();
    const QPointF upper = startUpper ? s : e;
    const QPointF lower = startUpper ? e : s;
    const QRectF upperDot(left, upper.y() - kDotSide, kDotSide, kDotSide);
    const QRectF lowerDot(left, lower.y(), kDotSide, kDotSide);
    rects[0] = startUpper ? upperDot : lowerDot;
    rects[1] = startUpper ? lowerDot : upperDot;
  } else if (s.y() == e.y()) {
    const double top = s.y() + lineWidth / 2 - kDotHalf;
    const bool startLeft = s.x() < e.x();
    const QPointF left = startLeft ? s : e;
    const QPointF right = startLeft ? e : s;
    const QRectF leftDot(left.x() - kDotSide, top, kDotSide, kDotSide);
    const QRectF rightDot(right.x(), top, kDotSide, kDotSide);
    rects[0] = startLeft ? leftDot : rightDot;
    rects[1] = startLeft ? rightDot : leftDot;
  } else {
    const double length = std::hypot(e.x() - s.x(), e.y() - s.y());
    const double factor = (length + kDotHalf) / length;
    const QPointF startCentre = e + (s - e) * factor;
    const QPointF endCentre = s + (e - s) * factor;
    rects[0] = QRectF(startCentre.x() - kDotHalf, startCentre.y() - kDotHalf, kDotSide, kDotSide);
    rects[1] = QRectF(endCentre.x() - kDotHalf, endCentre.y() - kDotHalf, kDotSide, kDotSide);
  }
  return 2;
}

CSRect DRElementLine::bounds(bool forPrinting) const {
  MeasureUnit e = lineStyle().width();
  if (e == 0) e = kMeasurePerPoint;
  const CSRect f = frame();
  CSRect r = InsetCSRect(f, -e, -e);
  if (f.width == 0) {
    r.x = Clamp128(__int128(f.x) - 2 * __int128(e));
    r.width = Clamp128(4 * __int128(e));
  } else if (f.height == 0) {
    r.y = Clamp128(__int128(f.y) - 2 * __int128(e));
    r.height = Clamp128(4 * __int128(e));
  }
  if (m_arrow) r = unionRect(r, &*m_arrow, m_startPoint, m_endPoint, e);
  return adjustBounds(r, forPrinting);
}

bool DRElementLine::setValue(MeasureUnit value, int32_t rectCoord, bool* updateState) {
  CSRect f = frame();
  if (rectCoord == kRectCoordX || rectCoord == kRectCoordY) {
    MeasureUnit& coord = rectCoord == kRectCoordX ? f.x : f.y;
    if (coord == value) return false;
    coord = value;
    setFrame(f);
    return true;
  }
  if (rectCoord != kRectCoordWidth && rectCoord != kRectCoordHeight) return false;

  const CSPoint origin{f.x, f.y};
  CSPoint s = isUnderConstruction() ? m_startPoint : Offset(m_startPoint, origin, 1);
  CSPoint e = isUnderConstruction() ? m_endPoint : Offset(m_endPoint, origin, 1);
  const bool vertical = s.x == e.x;
  const bool horizontal = s.y == e.y;
  if (rectCoord == kRectCoordHeight) {
    if (horizontal) {
      e.y = Clamp128(__int128(s.y) + value);
    } else if (value != 0) {
      CSPoint& lower = e.y > s.y ? e : s;
      const CSPoint upper = e.y > s.y ? s : e;
      const __int128 oldHeight = __int128(lower.y) - upper.y;
      lower.y = Clamp128(__int128(upper.y) + value);
      if (!vertical) lower.x = Clamp128(__int128(upper.x) + (__int128(lower.x) - upper.x) * value / oldHeight);
    } else {
      if (vertical) return false;
      e.y = s.y;
    }
  } else {
    if (vertical) {
      e.x = Clamp128(__int128(s.x) + value);
    } else if (value != 0) {
      CSPoint& right = e.x > s.x ? e : s;
      const CSPoint left = e.x > s.x ? s : e;
      const __int128 oldWidth = __int128(right.x) - left.x;
      right.x = Clamp128(__int128(left.x) + value);
      if (!horizontal) right.y = Clamp128(__int128(left.y) + (__int128(right.y) - left.y) * value / oldWidth);
    } else {
      if (horizontal) return false;
      e.x = s.x;
    }
  }
  if (updateState) *updateState = true;
  f = RectFromPointsMU(s, e);
  const CSPoint newOrigin{f.x, f.y};
  m_startPoint = Offset(s, newOrigin, -1);
  m_endPoint = Offset(e, newOrigin, -1);
  // The line stays on the page: the whole line moves with the clamped origin.
  f.x = std::max<MeasureUnit>(f.x, 0);
  f.y = std::max<MeasureUnit>(f.y, 0);
  if (isUnderConstruction()) {
    m_startPoint = Offset(m_startPoint, CSPoint{f.x, f.y}, 1);
    m_endPoint = Offset(m_endPoint, CSPoint{f.x, f.y}, 1);
  }
  setFrame(f);
  return true;
}

// ---- The record ----------------------------------------------------------------------------

void DRElementLine::resetForRecord() {
  DRElement::resetForRecord();
  m_arrow.reset();
}

void DRElementLine::handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) {
  const int32_t key = decoder.key();
  if ((key == kXmlFrom || key == kXmlTo) && decoder.endTag()) {
    (key == kXmlFrom ? m_startPoint : m_endPoint) = CSPointFromString(decoder.value());
    return;
  }
  if (key == kXmlArrow && !decoder.endTag()) {
    if (std::optional<DRArrow> arrow = DRArrow::initWithXml(decoder)) m_arrow = std::move(arrow);
    return;
  }
  DRElement::handleXmlNode(decoder, drawing);
}

void DRElementLine::addAdditionalNodes(CSXmlEncoder& encoder) const {
  encoder.addTag(QStringLiteral("from"), NewCSPointString(m_startPoint));
  encoder.addTag(QStringLiteral("to"), NewCSPointString(m_endPoint));
  if (!m_arrow) return;
  encoder.openTag(QStringLiteral("arrow"));
  m_arrow->archiveToXml(encoder);
  encoder.closeTag(QStringLiteral("arrow"));
}
