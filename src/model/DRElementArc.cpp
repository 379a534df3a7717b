#include "model/DRElementArc.h"

#include <algorithm>
#include <cmath>

#include "model/DRKeyTable.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"

DRElementArc::DRElementArc() : DRElementClosed(kElementArc) {
  setConstrainedNoResize(true);
}

void DRElementArc::copyFrom(const DRElement& other) {
  DRElementClosed::copyFrom(other);
  const auto& arc = static_cast<const DRElementArc&>(other);
  setEndAngle(arc.m_endAngle);
  setStartAngle(arc.m_startAngle);
}

QPainterPath DRElementArc::bezierForRect(const QRectF& rect, bool forceClosed) const {
  (void)forceClosed;  // always closed
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  const QPointF centre = rect.center();
  const double radius = std::min(rect.width(), rect.height()) / 2;
  // Angle 0 points up on the flipped canvas.
  const double start = double(m_startAngle) / double(kMeasurePerPoint) - 90.0;
  const double end = double(m_endAngle) / double(kMeasurePerPoint) - 90.0;
  double sweep = end - start;
  if (!std::isfinite(sweep)) sweep = 0;
  if (sweep < 0) sweep = std::fmod(sweep, 360.0) + 360.0;
  if (sweep > 360.0) sweep = std::fmod(sweep, 360.0);
  path.moveTo(centre);
  // Qt's angles run counter-clockwise on screen; ours run clockwise.
  path.arcTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), -start, -sweep);
  path.closeSubpath();
  return path;
}

void DRElementArc::handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) {
  if (decoder.endTag() && (decoder.key() == kXmlFrom || decoder.key() == kXmlTo)) {
    (decoder.key() == kXmlFrom ? m_startAngle : m_endAngle) = decoder.longValue();
    return;
  }
  DRElementClosed::handleXmlNode(decoder, drawing);
}

void DRElementArc::addAdditionalNodes(CSXmlEncoder& encoder) const {
  encoder.addTagWithLongNumber(QStringLiteral("from"), m_startAngle);
  encoder.addTagWithLongNumber(QStringLiteral("to"), m_endAngle);
  addClosedNodes(encoder);
}
