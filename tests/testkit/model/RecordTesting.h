#pragma once
// Reading and writing one style record in tests: the record's text, the
// style read back from a text, and the names of the tags a record holds.

#include <QString>
#include <QStringList>
#include <optional>

#include "model/DRKeyTable.h"
#include "model/StyleRecordText.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"

// The style read from the first tag of the text; nullopt when it is no XML.
template <typename Style>
std::optional<Style> ReadStyleRecord(const QString& xml) {
  CreateXmlDecoder();
  auto decoder = CSXmlDecoder::createWithString(xml);
  if (!decoder || !decoder->getNextTag()) return std::nullopt;
  return Style::initWithXml(*decoder);
}

// A whole XML text of one record around the children.
inline QString WrapRecord(const QString& tag, const QString& children) {
  return g_xmlPrefix + QStringLiteral("<") + tag + QStringLiteral(">") + children + QStringLiteral("</") + tag +
         QStringLiteral(">");
}

// The names of the tags inside the text's first element, in order.
inline QStringList RecordChildTags(const QString& xml) {
  CreateXmlDecoder();
  auto decoder = CSXmlDecoder::createWithString(xml);
  QStringList names;
  if (!decoder || !decoder->getNextTag()) return names;
  while (decoder->getNextTag()) {
    if (decoder->startTag()) names.append(decoder->xmlTag());
  }
  return names;
}
