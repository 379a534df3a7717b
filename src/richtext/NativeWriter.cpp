#include "richtext/NativeWriter.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <QSet>
#include <cstring>
#include <vector>

#include "richtext/Atoms.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/FontNames.h"
#include "richtext/ImageServices.h"
#include "richtext/Molecules.h"
#include "richtext/Knots.h"
#include "richtext/NativeReader.h"
#include "richtext/NativeTags.h"
#include "richtext/Pictures.h"
#include "richtext/Properties.h"
#include "richtext/TextAccess.h"
#include "support/Base64.h"
#include "support/CSXmlEncoder.h"
#include "support/DynamicArrays.h"
#include "support/Files.h"
#include "support/StringWithFormat.h"

namespace {


constexpr uint32_t kStyleWordUnset = 0x7FFF;

QString Tag(int32_t key) {
  return NativeTagForKey(key);
}

QString Latin(const char* text) {
  return QString::fromLatin1(text);
}

// The text with what UTF-8 cannot carry (a lone surrogate) replaced.
QString StorableText(const QString& text) {
  QString out = text;
  for (qsizetype i = 0; i < out.size(); ++i) {
    const QChar c = out.at(i);
    if (c.isHighSurrogate() && i + 1 < out.size() && out.at(i + 1).isLowSurrogate()) {
      ++i;
    } else if (c.isSurrogate()) {
      out[i] = QChar(0xFFFD);
    }
  }
  return out;
}

// Element text: markup characters as entities, the control characters the
// reader would turn into blanks as character references.
QString EscapedText(QStringView text) {
  QString out;
  out.reserve(text.size());
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u == u'&')
      out.append(QLatin1String("&amp;"));
    else if (u == u'<')
      out.append(QLatin1String("&lt;"));
    else if (u == u'>')
      out.append(QLatin1String("&gt;"));
    else if ((u < 0x20 && u != u'\t' && u != u'\n') || (u >= 0x7F && u <= 0x9F))
      out.append(QStringLiteral("&#%1;").arg(int(u)));
    else
      out.append(c);
  }
  return out;
}

// ---- Property records --------------------------------------------------------

bool SameField(const Properties& a, const Properties& b, const AtomDesc& row, size_t size) {
  return std::memcmp(a.body.bytes + row.offset, b.body.bytes + row.offset, size) == 0;
}

void WriteTabs(CSXmlEncoder& xml, const ParaProps& para, const QString& tag) {
  for (uint32_t i = 0; i < std::min<uint32_t>(para.tabCount, kMaxTabs); ++i) {
    const TabStop tab = para.tabs[i];
    xml.addAttributeWithNumber(QStringLiteral("x"), int32_t(tab & kTabPositionMask));
    const uint32_t align = (tab >> 29) & 7, leader = (tab >> 26) & 7;
    if (align < std::size(kTabAlignNames)) xml.addAttribute(QStringLiteral("align"), Latin(kTabAlignNames[align]));
    if (leader < std::size(kTabLeaderNames)) xml.addAttribute(QStringLiteral("lead"), Latin(kTabLeaderNames[leader]));
    xml.openAndCloseTag(tag);
  }
}

void WriteMarkers(CSXmlEncoder& xml, const ListProps& list) {
  for (const ListMarker& marker : list.mark) {
    if (marker.type < std::size(kListMarkerTypeNames))
      xml.addAttribute(QStringLiteral("type"), Latin(kListMarkerTypeNames[marker.type]));
    if (marker.format < std::size(kNumberFormatNames))
      xml.addAttribute(QStringLiteral("nof"), Latin(kNumberFormatNames[marker.format]));
    if (marker.character) xml.addAttribute(QStringLiteral("prefix"), NewBase64StringFromBytes(&marker.character, 2));
    if (marker.suffix) xml.addAttribute(QStringLiteral("suffix"), NewBase64StringFromBytes(&marker.suffix, 2));
    xml.openAndCloseTag(Tag(int32_t(kMarkXmlKey)));
  }
}

// The fields of a record that differ from its type's base values.
void WriteFields(CSXmlEncoder& xml, const Properties& record, uint32_t type) {
  Properties base;
  SetBaseProperties(type, &base);
  uint32_t count = 0;
  const AtomDesc* rows = AtomTableForType(type, &count);
  QSet<uint32_t> written;
  bool markersWritten = false;
  for (uint32_t atom = 1; atom < count; ++atom) {
    const AtomDesc& row = rows[atom];
    if (row.xmlKey == kMarkXmlKey && type == kListProperties) {
      if (!markersWritten &&
          std::memcmp(record.body.list.mark, base.body.list.mark, sizeof record.body.list.mark) != 0)
        WriteMarkers(xml, record.body.list);
      markersWritten = true;
      continue;
    }
    if (row.xmlKey < kFirstFieldXmlKey || row.xmlKey > kLastFieldXmlKey || row.valueSize == 0) continue;
    if (written.contains(row.xmlKey)) continue;  // the reader reads a shared key's first row only
    written.insert(row.xmlKey);
    const QString tag = TagFromKey(int32_t(row.xmlKey));
    switch (row.valueKind) {
      case kAtomTabStop:
        if (type == kParaProperties && atom == kParaAtomTab && record.body.para.tabCount > 0)
          WriteTabs(xml, record.body.para, tag);
        continue;
      case kAtomCountedString: {
        ParaAffix affix;
        std::memcpy(&affix, record.body.bytes + row.offset, sizeof affix);
        if (SameField(record, base, row, sizeof affix)) continue;
        const uint32_t units = std::min<uint32_t>(affix.count, kMaxAffixUnits);
        if (units > 0) xml.addTag(tag, NewBase64StringFromBytes(affix.units, units * sizeof(char16_t)));
        continue;
      }
      default:
        break;
    }
    if (row.valueSize > 8 || SameField(record, base, row, row.valueSize)) continue;
    const int64_t value = AtomFieldValue(record, row, true);
    switch (row.valueKind) {
      case kAtomEnum: {
        const QString name = StringForEnumAtomXml(type, atom, uint32_t(value));
        if (!name.isNull()) xml.addTag(tag, name);
        break;
      }
      case kAtomCharAtomName: {
        const auto charAtom = uint32_t(value);
        const AtomDesc* named = AtomDescFor(kCharProperties, charAtom);
        if (charAtom == kCharAtomUnderline)
          xml.addTag(tag, QStringLiteral("underline"));
        else if (named && named->description && !std::strchr(named->description, '%'))
          xml.addTag(tag, Latin(named->description));
        break;
      }
      case kAtomCharacter: {
        const auto c = char16_t(value);
        if (c >= 0x20 && !QChar::isSurrogate(c) && c < 0xFFFE) xml.addTag(tag, QString(QChar(c)));
        break;
      }
      case kAtomKolor:
        xml.addTag(tag, NewKolorString(Kolor(value)));
        break;
      default:
        if (row.valueSize == 8)
          xml.addTagWithLongNumber(tag, value);
        else
          xml.addTagWithNumber(tag, int32_t(value));
        break;
    }
  }
}

// ---- The document ---------------------------------------------------------------

struct PictureFile {
  QString fileName;  // in "Images" (package)
  QString type;      // extension (V2)
  QByteArray data;
};

// Each picture's bytes and a file name of its own: its name when that is a
// plain file name, else one made up.
std::vector<PictureFile> PictureFiles(CorvaneDoc* doc) {
  std::vector<PictureFile> files;
  QSet<QString> used;
  for (uint32_t i = 0; i < PictureCount(doc); ++i) {
    const PictureEntry* entry = PictureAtIndex(doc, i);
    PictureFile file;
    int isPng = 1;
    if (entry && entry->image && !entry->image->isNull()) file.data = DataForImage(entry, &isPng);
    file.type = isPng ? QStringLiteral("png") : QStringLiteral("jpg");
    QString name = entry && entry->name ? *entry->name : QString();
    const bool plain = !name.isEmpty() && !name.contains(u'/') && !name.contains(u'\\') &&
                       !name.contains(QLatin1String("..")) && !name.contains(QChar(0)) && name.size() < 200;
    if (!plain) name = QStringLiteral("picture%1").arg(i + 1);
    QString fileName = name + u'.' + file.type;
    for (int n = 2; used.contains(fileName.toLower()); ++n) fileName = name + QStringLiteral("-%1.").arg(n) + file.type;
    used.insert(fileName.toLower());
    file.fileName = fileName;
    files.push_back(file);
  }
  return files;
}

void WriteKnots(CSXmlEncoder& xml, CorvaneDoc* doc) {
  xml.openTag(Tag(kTagKnots));
  for (uint32_t i = 0; i < SizeOfDynamicCPArray(doc->knots); ++i) {
    KnotEntry entry;
    const uint32_t cp = FetchDynamicCPArrayEntry(doc->knots, i, &entry);
    xml.addAttributeWithNumber(Tag(kTagCp), int32_t(cp));
    if (entry.type < std::size(kKnotTypeNames)) xml.addAttribute(Tag(kTagType), Latin(kKnotTypeNames[entry.type]));
    if (entry.role < std::size(kKinkNames)) xml.addAttribute(Tag(kTagKink), Latin(kKinkNames[entry.role]));
    xml.openTag(Tag(kTagKnot));
    if (entry.props != kNoPropertyIndex) xml.addTagWithNumber(Tag(kTagProp), int32_t(entry.props));
    // The reader's defaults for the words.
    const uint32_t word1 = entry.type == kKnotRow && entry.role != kKinkBegin ? 0xFFFFFFFF : 0;
    const uint32_t word2 = entry.type == kKnotVariable ? 0xFFFFFFFF : 0;
    if (entry.word1 != word1) {
      if (entry.type == kKnotPicture)
        xml.addTagWithNumber(QStringLiteral("image"), int32_t(entry.word1));
      else if (entry.type == kKnotDivider && entry.word1 < std::size(kDividerNames))
        xml.addTag(Tag(kTagDiv), Latin(kDividerNames[entry.word1]));
      else if (entry.type == kKnotVariable && entry.word1 < std::size(kVariableNames))
        xml.addTag(Tag(kTagType), Latin(kVariableNames[entry.word1]));
      else
        xml.addTagWithNumber(Tag(kTagClass), int32_t(entry.word1));
    }
    if (entry.word2 != word2) {
      if (entry.type == kKnotPicture && entry.word2 < std::size(kAlignNames))
        xml.addTag(QStringLiteral("align"), Latin(kAlignNames[entry.word2]));
      else
        xml.addTagWithNumber(QStringLiteral("bookmark"), int32_t(entry.word2));
    }
    if (entry.word3 != 0) xml.addTagWithNumber(Tag(entry.type == kKnotVariable ? kTagValue : kTagZoom), entry.word3);
    if (entry.opacity != 0) xml.addTagWithNumber(QStringLiteral("opacity"), entry.opacity);
    xml.closeTag(Tag(kTagKnot));
  }
  xml.closeTag(Tag(kTagKnots));
}

void WriteImages(CSXmlEncoder& xml, const std::vector<PictureFile>& files, bool embedData) {
  xml.openTag(Tag(kTagImages));
  for (const PictureFile& file : files) {
    xml.addAttribute(Tag(kTagSource), QStringLiteral("embed"));
    if (embedData) {
      xml.addAttribute(Tag(kTagType), file.type);
      xml.addTag(QStringLiteral("image"), file.data.isEmpty() ? QStringLiteral("-") : NewBase64StringFromData(file.data));
    } else {
      xml.addTag(QStringLiteral("image"), file.fileName);
    }
  }
  xml.closeTag(Tag(kTagImages));
}

void WriteStructureContent(CSXmlEncoder& xml, CorvaneDoc* doc) {
  xml.addTag(Tag(kTagLength), QStringLiteral("%1,%2").arg(doc->textLimit).arg(doc->cpLimit));
  WriteKnots(xml, doc);
}

void WriteRuns(CSXmlEncoder& xml, CSArrayCP* runs, int32_t key) {
  xml.openTag(Tag(key));
  for (uint32_t i = 0; i < SizeOfDynamicCPArray(runs); ++i) {
    uint32_t index = 0;
    const uint32_t cp = FetchDynamicCPArrayEntry(runs, i, &index);
    xml.addTag(Tag(kTagItem), QStringLiteral("%1,%2").arg(cp).arg(index));
  }
  xml.closeTag(Tag(key));
}

void WriteFormatContent(CSXmlEncoder& xml, CorvaneDoc* doc) {
  // The document's own font list: char records name their font by its index.
  const uint32_t records = SizeOfDynamicArray(doc->propertyTable);
  QHash<uint16_t, uint16_t> local;
  QStringList names;
  for (uint32_t i = 0; i < records; ++i) {
    const Properties* record = PropertiesAtIndex(doc, i);
    if (!record || record->type != kCharProperties) continue;
    const uint16_t font = record->body.charProps.font;
    if (!local.contains(font) && names.size() < int(kMaxNativeFontNames)) {
      local.insert(font, uint16_t(names.size()));
      names.append(FontName(doc, font));
    }
  }
  xml.openTag(Tag(kTagFonts));
  for (const QString& name : names) xml.addTag(Tag(kTagName), name.isEmpty() ? QStringLiteral(" ") : name);
  xml.closeTag(Tag(kTagFonts));

  xml.openTag(Tag(kTagProperties));
  for (uint32_t i = 0; i < records; ++i) {
    Properties record = *PropertiesAtIndex(doc, i);
    if (record.type < std::size(kPropertyTypeNames) && PropertyBodySize(record.type) != 0)
      xml.addAttribute(Tag(kTagType), Latin(kPropertyTypeNames[record.type]));
    if (record.type == kCharProperties) record.body.charProps.font = local.value(record.body.charProps.font, 0);
    xml.openTag(Tag(kTagItem));
    WriteFields(xml, record, record.type);
    xml.closeTag(Tag(kTagItem));
  }
  xml.closeTag(Tag(kTagProperties));

  xml.openTag(Tag(kTagStyles));
  for (uint32_t i = 0; i < SizeOfDynamicArray(doc->styles); ++i) {
    StyleEntry entry;
    const QString name = FetchDynamicStringArrayEntry(doc->styles, i, &entry);
    xml.addAttribute(Tag(kTagName), name);
    if (entry.builtinId != 254) xml.addAttributeWithNumber(Tag(kTagBin), int32_t(entry.builtinId));
    if (entry.type < std::size(kPropertyTypeNames))
      xml.addAttribute(Tag(kTagType), Latin(kPropertyTypeNames[entry.type]));
    xml.openTag(Tag(kTagItem));
    if (entry.base != kStyleWordUnset) xml.addTagWithNumber(Tag(kTagBase), int32_t(entry.base));
    if (entry.next != kStyleWordUnset) xml.addTagWithNumber(Tag(kTagNext), int32_t(entry.next));
    if (entry.props != kNoPropertyIndex) xml.addTagWithNumber(Tag(kTagProp), int32_t(entry.props));
    if (entry.charProps != kNoPropertyIndex) xml.addTagWithNumber(Tag(kTagChar), int32_t(entry.charProps));
    xml.closeTag(Tag(kTagItem));
  }
  xml.closeTag(Tag(kTagStyles));

  WriteRuns(xml, doc->charRuns, kTagChar);
  WriteRuns(xml, doc->paraRuns, kTagPara);
  Properties docRecord;
  InitProperties(kDocProperties, &docRecord, &doc->docProps);
  xml.openTag(Tag(kTagDocprop));
  WriteFields(xml, docRecord, kDocProperties);
  xml.closeTag(Tag(kTagDocprop));
  xml.addTagWithNumber(Tag(kTagNormalChapter), int32_t(doc->firstChapterIndex));
  xml.addTagWithNumber(Tag(kTagNormalList), int32_t(doc->normalListIndex));
  xml.addTagWithNumber(Tag(kTagNormalTable), int32_t(doc->normalTableIndex));
}

void WriteText(CSXmlEncoder& xml, const QString& text) {
  xml.openTag(Tag(kTagText));
  qsizetype start = 0;
  auto flush = [&](qsizetype end) {
    if (end > start) xml.openTag(Tag(kTagRun), EscapedText(QStringView(text).sliced(start, end - start)), true);
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t c = text.at(i).unicode();
    if (c != kKnotMark0 && c != kKnotMark1) continue;
    flush(i);
    xml.openAndCloseTag(Tag(c == kKnotMark0 ? kTagK0 : kTagK1));
    start = i + 1;
  }
  flush(text.size());
  xml.closeTag(Tag(kTagText));
}

bool WriteFile(const QByteArray& data, const QString& path, QString* reason) {
  CSError error;
  if (WriteDataToFile(data, path, false, false, &error)) return true;
  if (reason) *reason = error.reason();
  return false;
}

}  // namespace

bool WriteNativePackage(CorvaneDoc* doc, const QString& path, QString* reason) {
  if (reason) *reason = QString();
  if (!doc) return false;
  if (!QDir().mkpath(path + QStringLiteral("/Images"))) {
    if (reason) *reason = QStringLiteral("The folder \"%1\" can't be made.").arg(path);
    return false;
  }
  const std::vector<PictureFile> files = PictureFiles(doc);
  for (const PictureFile& file : files)
    if (!file.data.isEmpty() && !WriteFile(file.data, path + QStringLiteral("/Images/") + file.fileName, reason))
      return false;

  CSXmlEncoder structure;
  structure.openTag(Tag(kTagStructure));
  structure.addTagWithNumber(Tag(kTagVer), kNativeFormatVersion);
  WriteStructureContent(structure, doc);
  WriteImages(structure, files, false);
  structure.closeTag(Tag(kTagStructure));

  CSXmlEncoder format;
  format.openTag(Tag(kTagFormat));
  format.addTagWithNumber(Tag(kTagVer), kNativeFormatVersion);
  WriteFormatContent(format, doc);
  format.closeTag(Tag(kTagFormat));

  const QString text = StorableText(RawTextString(doc, 0, doc->cpLimit));
  return WriteFile(structure.xml().toUtf8(), path + QStringLiteral("/structure.xml"), reason) &&
         WriteFile(format.xml().toUtf8(), path + QStringLiteral("/format.xml"), reason) &&
         WriteFile(text.toUtf8(), path + QStringLiteral("/document.txt"), reason);
}

QString WriteNativeV2(CorvaneDoc* doc) {
  if (!doc) return {};
  CSXmlEncoder xml;
  xml.openTag(Tag(kTagCorvane));
  xml.addTagWithNumber(Tag(kTagVer), kNativeFormatVersion);
  xml.openTag(Tag(kTagStructure));
  WriteStructureContent(xml, doc);
  xml.closeTag(Tag(kTagStructure));
  xml.openTag(Tag(kTagFormat));
  WriteFormatContent(xml, doc);
  xml.closeTag(Tag(kTagFormat));
  WriteImages(xml, PictureFiles(doc), true);
  WriteText(xml, StorableText(RawTextString(doc, 0, doc->cpLimit)));
  xml.closeTag(Tag(kTagCorvane));
  return xml.xml();
}

bool WriteNativeV2(CorvaneDoc* doc, const QString& path, QString* reason) {
  if (reason) *reason = QString();
  if (!doc) return false;
  return WriteFile(WriteNativeV2(doc).toUtf8(), path, reason);
}
