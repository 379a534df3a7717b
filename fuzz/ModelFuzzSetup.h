#pragma once
// What every fuzz target of the drawing model sets up once: a GUI
// application on the offscreen platform (fonts and painters need one) and
// the drawing file's key table, which every model reader decodes with.

#include <QGuiApplication>
#include <QString>
#include <cstdlib>
#include <optional>

#include "model/DRKeyTable.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"

inline void SetUpModelFuzzing(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication app(*argc, *argv);
  CreateXmlDecoder();
}

// The style read from the first tag of the text with the record's key;
// nullopt when there is none or it does not read.
template <typename Style>
std::optional<Style> ReadFirstRecord(const QString& xml, int32_t recordKey) {
  auto decoder = CSXmlDecoder::createWithString(xml);
  if (!decoder) return std::nullopt;
  while (decoder->getNextTag()) {
    if (decoder->startTag() && decoder->key() == recordKey) return Style::initWithXml(*decoder);
  }
  return std::nullopt;
}

// The text the style writes; with `tag`, enclosed in it (for records whose
// owner writes the tags).
template <typename Style>
QString ArchiveStyle(const Style& style, const QString& tag = QString()) {
  CSXmlEncoder encoder;
  if (!tag.isNull()) encoder.openTag(tag);
  style.archiveToXml(encoder);
  if (!tag.isNull()) encoder.closeTag(tag);
  return encoder.xml();
}
