#include "model/DRElementRegularPoly.h"

#include <algorithm>
#include <array>

#include "model/DRKeyTable.h"
#include "model/DRSettings.h"
#include "model/GeometryHelpers.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"

DRElementRegularPoly::DRElementRegularPoly() : DRElementClosed(kElementRegularPoly) {
  m_vertexCount = DRSettings::sharedInstance().regularPolyVertexCount();
  setConstrainedNoResize(true);
}

void DRElementRegularPoly::copyFrom(const DRElement& other) {
  DRElementClosed::copyFrom(other);
  setVertexCount(static_cast<const DRElementRegularPoly&>(other).m_vertexCount);
}

void DRElementRegularPoly::drawInRect(const QRectF& rect, DRElementHostingView* view) {
  if (m_vertexCount > uint64_t(kMaxRegularPolyVertices)) m_vertexCount = kMaxRegularPolyVertices;
  DRElementClosed::drawInRect(rect, view);
}

QPainterPath DRElementRegularPoly::bezierForRect(const QRectF& rect, bool forceClosed) const {
  (void)forceClosed;  // always closed
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  if (m_vertexCount < 3) return path;
  std::array<QPointF, kMaxRegularPolyVertices> points;
  const int count =
      GetPointsForRegularPoly(int(std::min<uint64_t>(m_vertexCount, kMaxRegularPolyVertices)), points.data(), rect);
  if (count < 3) return path;
  path.moveTo(points[0]);
  for (int i = 1; i < count; ++i) path.lineTo(points[size_t(i)]);
  path.closeSubpath();
  return path;
}

void DRElementRegularPoly::handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) {
  if (decoder.key() == kXmlCount && decoder.endTag()) {
    m_vertexCount = uint64_t(decoder.longValue());
    return;
  }
  DRElementClosed::handleXmlNode(decoder, drawing);
}

void DRElementRegularPoly::addAdditionalNodes(CSXmlEncoder& encoder) const {
  DRElementClosed::addAdditionalNodes(encoder);
  encoder.addTagWithLongNumber(QStringLiteral("count"), int64_t(m_vertexCount));
}
