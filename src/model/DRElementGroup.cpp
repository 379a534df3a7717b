#include "model/DRElementGroup.h"

#include <algorithm>
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

// Moves every member's origin by the offset, times the sign.
void MoveOrigins(const DRElementList& elements, const CSRect& by, int sign) {
  for (const auto& element : elements) {
    if (!element) continue;
    CSRect f = element->frame();
    f.x = Clamp128(__int128(f.x) + sign * __int128(by.x));
    f.y = Clamp128(__int128(f.y) + sign * __int128(by.y));
    element->setFrame(f);
  }
}

}  // namespace

// ---- Shared by the containers --------------------------------------------------------------

bool CopyElementList(const DRElementList& from, DRElementList* to) {
  to->clear();
  to->reserve(from.size());
  for (const auto& element : from) {
    if (!element) continue;
    std::unique_ptr<DRElement> copy = element->copy();
    if (!copy) return false;
    // A copy takes its frame's size as an unset original size; a member
    // keeps exactly what it had, so that a copied container is the same.
    copy->setOriginalSize(element->originalSize());
    to->push_back(std::move(copy));
  }
  return true;
}

void ReadElementList(CSXmlDecoder& decoder, DRDrawing* drawing, DRElementList* elements) {
  if (decoder.endTag()) return;  // an empty list
  const int64_t listLevel = decoder.level();
  while (decoder.getNextTag()) {
    if (decoder.endTag() && !decoder.startTag()) {
      if (decoder.level() < listLevel) return;  // the list's end tag
      continue;
    }
    if (decoder.key() == kXmlElement) {
      if (std::unique_ptr<DRElement> element = DRElement::elementWithXml(decoder, drawing))
        elements->push_back(std::move(element));
    } else {
      decoder.skipTag();
    }
    if (decoder.level() < listLevel) return;
  }
}

void WriteElementList(CSXmlEncoder& encoder, const DRElementList& elements, std::optional<bool> passSaving) {
  encoder.openTag(QStringLiteral("elements"));
  for (const auto& element : elements) {
    if (!element) continue;
    const bool saving = element->isSaving();
    if (passSaving) element->setSaving(*passSaving);
    encoder.openTag(QStringLiteral("element"));
    element->archiveToXml(encoder);
    encoder.closeTag(QStringLiteral("element"));
    element->setSaving(saving);
  }
  encoder.closeTag(QStringLiteral("elements"));
}

CSRect UnionOfFrames(const DRElementList& elements, MeasureUnit minimumSide) {
  bool first = true;
  __int128 left = 0;
  __int128 top = 0;
  __int128 right = 0;
  __int128 bottom = 0;
  for (const auto& element : elements) {
    if (!element) continue;
    const CSRect f = element->frame();
    const __int128 width = f.width == 0 ? minimumSide : f.width;
    const __int128 height = f.height == 0 ? minimumSide : f.height;
    const __int128 r = __int128(f.x) + width;
    const __int128 b = __int128(f.y) + height;
    left = first ? f.x : std::min<__int128>(left, f.x);
    top = first ? f.y : std::min<__int128>(top, f.y);
    right = first ? r : std::max(right, r);
    bottom = first ? b : std::max(bottom, b);
    first = false;
  }
  return CSRect{Clamp128(left), Clamp128(top), Clamp128(right - left), Clamp128(bottom - top)};
}

// ---- The group ----------------------------------------------------------------------------

DRElementGroup::DRElementGroup() : DRElement(kElementGroup) {}

DRElementGroup::DRElementGroup(DRElementList elements) : DRElementGroup() {
  std::erase(elements, nullptr);
  m_subelements = std::move(elements);
  if (m_subelements.empty()) return;
  const CSRect f = UnionOfFrames(m_subelements, kMeasurePerPoint);
  setFrame(f);
  MoveOrigins(m_subelements, f, -1);
}

DRElementList DRElementGroup::ungroup() {
  MoveOrigins(m_subelements, frame(), 1);
  return std::exchange(m_subelements, {});
}

void DRElementGroup::copyFrom(const DRElement& other) {
  DRElement::copyFrom(other);
  if (!CopyElementList(static_cast<const DRElementGroup&>(other).m_subelements, &m_subelements)) setZombie();
}

bool DRElementGroup::savedUsedPaintings(CSXmlEncoder& encoder, const QString& imageFolder, bool inPlace,
                                        CSError* error) {
  for (const auto& element : m_subelements) {
    if (!element->savedUsedPaintings(encoder, imageFolder, inPlace, error)) return false;
  }
  return true;
}

void DRElementGroup::recordImageGuid(QSet<QString>& guids) const {
  for (const auto& element : m_subelements) element->recordImageGuid(guids);
}

bool DRElementGroup::installImageFromDict(const QHash<QString, QByteArray>& images, DRDrawing* drawing) {
  for (auto it = m_subelements.rbegin(); it != m_subelements.rend(); ++it) {
    if (!(*it)->installImageFromDict(images, drawing)) return false;
  }
  return true;
}

CSRect DRElementGroup::bounds(bool forPrinting) const {
  return adjustBounds(CompositeRectangle(m_subelements, frame()), forPrinting);
}

void DRElementGroup::drawInRect(const QRectF& rect, DRElementHostingView* view) {
  QRectF r = rect;
  setupDrawing(&r);
  for (const auto& element : m_subelements) {
    element->drawInRect(ConvertMeasureRect(element->frame()).translated(r.topLeft()), view);
  }
  finishDrawing(r, view);
}

bool DRElementGroup::isPointInElement(const QPointF& point, DRElementHostingView* view, bool forClick) {
  const QPointF inGroup = point - ConvertMeasurePoint(CSPoint{frame().x, frame().y});
  for (auto it = m_subelements.rbegin(); it != m_subelements.rend(); ++it) {
    if ((*it)->isPointInElement(inGroup, view, forClick)) return true;
  }
  return false;
}

bool DRElementGroup::intersectsWithRect(const QRectF& rect, DRElementHostingView* view) {
  const QRectF inGroup = rect.translated(-ConvertMeasurePoint(CSPoint{frame().x, frame().y}));
  for (auto it = m_subelements.rbegin(); it != m_subelements.rend(); ++it) {
    if ((*it)->intersectsWithRect(inGroup, view)) return true;
  }
  return false;
}

void DRElementGroup::handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) {
  if (decoder.key() != kXmlElements) {
    DRElement::handleXmlNode(decoder, drawing);
    return;
  }
  ReadElementList(decoder, drawing, &m_subelements);
}

void DRElementGroup::addAdditionalNodes(CSXmlEncoder& encoder) const {
  WriteElementList(encoder, m_subelements, isSaving());
}
