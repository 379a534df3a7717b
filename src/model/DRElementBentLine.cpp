#include "model/DRElementBentLine.h"

#include <QPainterPath>
#include <cstdlib>
#include <limits>

#include "model/DRElementHostingView.h"
#include "model/DRKeyTable.h"
#include "model/DRSettings.h"
#include "model/DRShadowContext.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"

namespace {

MeasureUnit Clamp128(__int128 value) {
  if (value > std::numeric_limits<MeasureUnit>::max()) return std::numeric_limits<MeasureUnit>::max();
  if (value < std::numeric_limits<MeasureUnit>::min()) return std::numeric_limits<MeasureUnit>::min();
  return MeasureUnit(value);
}

// The arrow with only the head at one end, for the calls that treat each
// end of the bent line as a line of its own.
DRArrow StartOnly(const DRArrow& arrow) {
  DRArrow copy = arrow;
  copy.setOnEnd(0);
  return copy;
}
DRArrow EndOnly(const DRArrow& arrow) {
  DRArrow copy = arrow;
  copy.setOnStart(0);
  return copy;
}

}  // namespace

DRElementBentLine::DRElementBentLine() : DRElementPolygon(kElementBentLine) {
  m_arrow = DRSettings::sharedInstance().arrow();
  setConstrainedNoResize(false);
}

QVariant DRElementBentLine::arrowValue() const {
  return m_arrow ? QVariant::fromValue(*m_arrow) : QVariant();
}

void DRElementBentLine::setArrowValue(const QVariant& value) {
  if (value.metaType() == QMetaType::fromType<DRArrow>())
    m_arrow = value.value<DRArrow>();
  else if (!value.isValid() || value.isNull())
    m_arrow.reset();
}

void DRElementBentLine::copyFrom(const DRElement& other) {
  DRElementPolygon::copyFrom(other);
  m_arrow = static_cast<const DRElementBentLine&>(other).m_arrow;
}

CSRect DRElementBentLine::setNewPointsForRect(const CSRect& rect, CSPoint anchor) {
  const MeasureUnit right = Clamp128(__int128(rect.x) + rect.width);
  const MeasureUnit bottom = Clamp128(__int128(rect.y) + rect.height);
  CSPoint start, end;
  const bool startLeft = std::abs(double(anchor.x) - double(rect.x)) < std::abs(double(right) - double(anchor.x));
  start.x = startLeft ? rect.x : right;
  end.x = startLeft ? right : rect.x;
  const bool startTop = std::abs(double(anchor.y) - double(rect.y)) < std::abs(double(bottom) - double(anchor.y));
  start.y = startTop ? rect.y : bottom;
  end.y = startTop ? bottom : rect.y;
  const CSPoint bend{Clamp128(__int128(start.x) + (__int128(end.x) - start.x) / 3),
                     Clamp128(__int128(end.y) + (__int128(start.y) - end.y) / 3)};
  setPoints({start, bend, end});
  if (curves()) setCurves(true);
  return RectFromPointsMU(start, end);
}

QPainterPath DRElementBentLine::bezierForRect(const QRectF& rect, QPointF* startArrowPoints,
                                              QPointF* endArrowPoints) const {
  QPainterPath path;
  if (points().size() != 3) return path;
  const QPointF size = originalSizeInView();
  const bool smooth = curvePointCount() == 3;
  const std::vector<DRControlPair>& pairs = controlPairs();
  QPointF s = convertPoint(points()[0], rect, size);
  const QPointF b = convertPoint(points()[1], rect, size);
  const QPointF a = smooth ? convertPoint(pairs[0].out, rect, size) : b;
  if (m_arrow && m_arrow->onStart()) {
    if (startArrowPoints) {
      startArrowPoints[0] = s;
      startArrowPoints[1] = a;
    }
    QPointF to = a;
    StartOnly(*m_arrow).insetForArrows(*this, &s, &to);
  }
  path.moveTo(s);
  if (smooth)
    path.cubicTo(a, convertPoint(pairs[1].in, rect, size), b);
  else
    path.lineTo(b);
  QPointF e = convertPoint(points()[2], rect, size);
  const QPointF o = smooth ? convertPoint(pairs[1].out, rect, size) : b;
  const QPointF d = smooth ? convertPoint(pairs[2].in, rect, size) : b;
  if (m_arrow && m_arrow->onEnd()) {
    if (endArrowPoints) {
      endArrowPoints[0] = d;
      endArrowPoints[1] = e;
    }
    QPointF from = d;
    EndOnly(*m_arrow).insetForArrows(*this, &from, &e);
  }
  if (smooth)
    path.cubicTo(o, d, e);
  else
    path.lineTo(e);
  return path;
}

void DRElementBentLine::drawInRect(const QRectF& rect, DRElementHostingView* view) {
  if (reshaping() || !m_arrow || points().size() != 3) {
    drawScribble(rect, view);
    return;
  }
  QRectF r = rect;
  setupDrawing(&r);
  if (shouldDrawLine()) {
    const double half = effectiveLineWidth() / 2;
    const QRectF inset = r.adjusted(half, half, -half, -half);
    const bool shadowFirst = !isHitTesting() && m_arrow->fill() != 0 && shadow().has_value();
    QPointF startPoints[2];
    QPointF endPoints[2];
    const QPainterPath path = bezierForRect(inset, startPoints, endPoints);
    if (shadowFirst) StrokePathInContext(path, setupLineDrawing(view));
    if (m_arrow->onStart()) StartOnly(*m_arrow).drawArrowsForLine(this, &startPoints[0], &startPoints[1]);
    if (m_arrow->onEnd()) EndOnly(*m_arrow).drawArrowsForLine(this, &endPoints[0], &endPoints[1]);
    if (shadowFirst) resetShadow();
    StrokePathInContext(path, setupLineDrawing(view));
  }
  finishDrawing(r, view);
}

CSRect DRElementBentLine::bounds(bool forPrinting) const {
  if (!m_arrow || curvePointCount() != 3) {
    return UnionCSRect(adjustBounds(frame(), forPrinting), DRElementPolygon::bounds(forPrinting));
  }
  MeasureUnit width = lineStyle().width();
  if (width == 0) width = kMeasurePerPoint;
  const double widthPoints = double(width) / double(kMeasurePerPoint);
  CSRect b = rawCurvedBounds();
  const std::vector<DRControlPair>& pairs = controlPairs();
  if (m_arrow->onStart()) {
    const QRectF heads = StartOnly(*m_arrow).boundsFrom(ConvertMeasurePoint(points()[0]),
                                                        ConvertMeasurePoint(pairs[0].out), widthPoints);
    b = UnionCSRect(b, ConvertViewRect(heads));
  }
  if (m_arrow->onEnd()) {
    const QRectF heads =
        EndOnly(*m_arrow).boundsFrom(ConvertMeasurePoint(pairs[2].in), ConvertMeasurePoint(points()[2]), widthPoints);
    b = UnionCSRect(b, ConvertViewRect(heads));
  }
  b = adjustBounds(b, forPrinting);
  if (!isUnderConstruction()) {
    b.x = Clamp128(__int128(b.x) + frame().x);
    b.y = Clamp128(__int128(b.y) + frame().y);
  }
  return b;
}

void DRElementBentLine::addPoint(CSPoint point, uint64_t index, DRElementHostingView* view) {
  (void)point;
  (void)index;
  (void)view;
}

void DRElementBentLine::deletePointatIndex(uint64_t index, DRElementHostingView* view) {
  (void)index;
  (void)view;
}

// ---- The record ----------------------------------------------------------------------------------------

void DRElementBentLine::resetForRecord() {
  DRElementPolygon::resetForRecord();
  m_arrow.reset();
}

void DRElementBentLine::handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) {
  if (decoder.key() != kXmlArrow) {
    DRElementPolygon::handleXmlNode(decoder, drawing);
    return;
  }
  // A record without a head kind would be written with an empty "type",
  // which no reader takes: such an arrow is dropped here already.
  std::optional<DRArrow> arrow = DRArrow::initWithXml(decoder);
  if (arrow && arrow->type() >= kArrowTypeBar && arrow->type() <= kArrowTypeClosed) m_arrow = std::move(arrow);
}

void DRElementBentLine::addAdditionalNodes(CSXmlEncoder& encoder) const {
  DRElementPolygon::addAdditionalNodes(encoder);
  if (!m_arrow) return;
  encoder.openTag(QStringLiteral("arrow"));
  m_arrow->archiveToXml(encoder);
  encoder.closeTag(QStringLiteral("arrow"));
}
