#include "model/DRElementMultipath.h"

#include <limits>

#include "model/DRKeyTable.h"
#include "model/ModelSupport.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"

namespace {

MeasureUnit Clamp128(__int128 value) {
  if (value > std::numeric_limits<MeasureUnit>::max()) return std::numeric_limits<MeasureUnit>::max();
  if (value < std::numeric_limits<MeasureUnit>::min()) return std::numeric_limits<MeasureUnit>::min();
  return MeasureUnit(value);
}

}  // namespace

DRElementMultipath::DRElementMultipath() : DRElementClosed(kElementMultipath) {
  setConstrainToOriginalSize(true);
}

DRElementMultipath::DRElementMultipath(DRElementList elements) : DRElementMultipath() {
  std::erase(elements, nullptr);
  m_subelements = std::move(elements);
  if (m_subelements.empty()) return;
  const CSRect f = UnionOfFrames(m_subelements, 0);
  setFrame(f);
  const DRElement& first = *m_subelements.front();
  setFillKolor(first.fillKolor());
  setGradient(first.gradientStyle() ? std::optional<DRGradient>(*first.gradientStyle()) : std::nullopt);
  setLineInfo(first.lineInfo());
  for (const auto& element : m_subelements) {
    element->makeVanilla();
    CSRect member = element->frame();
    member.x = Clamp128(__int128(member.x) - f.x);
    member.y = Clamp128(__int128(member.y) - f.y);
    element->setFrame(member);
  }
  setOriginalSize(CSPoint{f.width, f.height});
}

void DRElementMultipath::copyFrom(const DRElement& other) {
  DRElementClosed::copyFrom(other);
  if (!CopyElementList(static_cast<const DRElementMultipath&>(other).m_subelements, &m_subelements)) setZombie();
}

QPainterPath DRElementMultipath::bezierForRect(const QRectF& rect, bool forceClosed) const {
  (void)forceClosed;  // members are always closed
  const QPointF original = ConvertMeasurePoint(originalSize());
  const double sx = original.x() != 0 ? rect.width() / original.x() : 1.0;
  const double sy = original.y() != 0 ? rect.height() / original.y() : 1.0;
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  bool first = true;
  for (const auto& element : m_subelements) {
    const QRectF f = ConvertMeasureRect(element->frame());
    const QRectF scaled(rect.x() + f.x() * sx, rect.y() + f.y() * sy, f.width() * sx, f.height() * sy);
    QPainterPath outline = element->bezierForRect(scaled, true);
    if (!first) outline = outline.toReversed();
    path.addPath(outline);
    first = false;
  }
  path.setFillRule(Qt::WindingFill);
  return path;
}

bool DRElementMultipath::flip(bool vertical) {
  const CSPoint original = originalSize();
  for (auto it = m_subelements.rbegin(); it != m_subelements.rend(); ++it) {
    CSRect f = (*it)->frame();
    if (vertical)
      f.y = Clamp128(__int128(original.y) - f.y - f.height);
    else
      f.x = Clamp128(__int128(original.x) - f.x - f.width);
    (*it)->setFrame(f);
    (*it)->flip(vertical);
  }
  return true;
}

CSRect DRElementMultipath::bounds(bool forPrinting) const {
  return adjustBounds(CompositeRectangle(m_subelements, frame()), forPrinting);
}

void DRElementMultipath::handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) {
  if (decoder.key() != kXmlElements) {
    DRElementClosed::handleXmlNode(decoder, drawing);
    return;
  }
  ReadElementList(decoder, drawing, &m_subelements);
}

void DRElementMultipath::addAdditionalNodes(CSXmlEncoder& encoder) const {
  addClosedNodes(encoder);
  WriteElementList(encoder, m_subelements, std::nullopt);
}
