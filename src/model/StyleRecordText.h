#pragma once
// A style's record as a text of its own, as the settings store the current
// line, text and arrow styles, and the style read back from such a text.

#include <QString>
#include <optional>

#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"

// The text the style writes; with `tag`, enclosed in it (for records whose
// owner writes the tags).
template <typename Style>
QString StyleRecordText(const Style& style, const QString& tag = QString()) {
  CSXmlEncoder encoder;
  if (!tag.isNull()) encoder.openTag(tag);
  style.archiveToXml(encoder);
  if (!tag.isNull()) encoder.closeTag(tag);
  return encoder.xml();
}

// The style read from the first tag with the record's key; nullopt when
// the text holds none or it does not read.
template <typename Style>
std::optional<Style> StyleFromRecordText(const QString& text, int32_t recordKey) {
  auto decoder = CSXmlDecoder::createWithString(text);
  if (!decoder) return std::nullopt;
  while (decoder->getNextTag()) {
    if (decoder->startTag() && decoder->key() == recordKey) return Style::initWithXml(*decoder);
  }
  return std::nullopt;
}
