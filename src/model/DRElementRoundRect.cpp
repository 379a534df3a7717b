#include "model/DRElementRoundRect.h"

#include <algorithm>

#include "model/DRKeyTable.h"
#include "model/DRSettings.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"

DRElementRoundRect::DRElementRoundRect() : DRElementClosed(kElementRoundRect) {
  m_cornerRadius = DRSettings::sharedInstance().cornerRadius();
}

void DRElementRoundRect::copyFrom(const DRElement& other) {
  DRElementClosed::copyFrom(other);
  setCornerRadius(static_cast<const DRElementRoundRect&>(other).m_cornerRadius);
}

QPainterPath DRElementRoundRect::bezierForRect(const QRectF& rect, bool forceClosed) const {
  (void)forceClosed;  // always closed
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  const double radius = double(m_cornerRadius) / double(kMeasurePerPoint);
  const double limit = std::min(std::abs(rect.width()), std::abs(rect.height())) / 2;
  if (radius > 0 && limit > 0) {
    const double r = std::min(radius, limit);
    path.addRoundedRect(rect, r, r);
  } else {
    path.addRect(rect);
  }
  return path;
}

void DRElementRoundRect::handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) {
  if (decoder.key() == kXmlRadius && decoder.endTag()) {
    m_cornerRadius = decoder.longValue();
    return;
  }
  DRElementClosed::handleXmlNode(decoder, drawing);
}

void DRElementRoundRect::addAdditionalNodes(CSXmlEncoder& encoder) const {
  DRElementClosed::addAdditionalNodes(encoder);
  encoder.addTagWithLongNumber(QStringLiteral("radius"), m_cornerRadius);
}
