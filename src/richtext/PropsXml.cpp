// Reading property records from the native XML, driven by the atom tables.

#include <QString>
#include <algorithm>
#include <array>
#include <cstring>

#include "richtext/Atoms.h"
#include "richtext/Molecules.h"
#include "support/Base64.h"
#include "support/CSXmlDecoder.h"

namespace {

constexpr uint32_t kFieldKeyCount = kLastFieldXmlKey - kFirstFieldXmlKey + 1;
constexpr uint32_t kMaxListMarkers = 9;
// Column counts beyond the widths a record holds.
constexpr uint8_t kMaxTableColumns = std::size(TableProps{}.columns);
constexpr uint8_t kMaxChapterColumns = std::size(ChapterProps{}.columns);

// For each property type and field key, the row that reads it (0: none).
using KeyRows = std::array<std::array<uint8_t, kFieldKeyCount>, 9>;

const KeyRows& RowsByKey() {
  static const KeyRows rows = [] {
    KeyRows map{};
    for (uint32_t type = 0; type < map.size(); ++type) {
      uint32_t count = 0;
      const AtomDesc* table = AtomTableForType(type, &count);
      // From the last row down, so that the first row of a shared key wins.
      for (uint32_t i = count; i-- > 1;) {
        const uint32_t key = table[i].xmlKey;
        if (key >= kFirstFieldXmlKey && key <= kLastFieldXmlKey) map[type][key - kFirstFieldXmlKey] = uint8_t(i);
      }
    }
    return map;
  }();
  return rows;
}

// The field key of the current child, whichever key table the reader has.
uint32_t FieldKeyOfTag(const CSXmlDecoder& decoder) {
  const auto key = uint32_t(decoder.key());
  const char* tag = FieldTagForKey(key);
  if (tag && decoder.xmlTag() == QLatin1StringView(tag)) return key;
  return FieldKeyForTag(decoder.xmlTag());
}


// UTF-16 units from Base64 text (native order), at most `max`.
uint32_t UnitsFromBase64(const QString& text, char16_t* units, uint32_t max) {
  const std::optional<QByteArray> data = NewDataFromBase64String(text);
  if (!data) return 0;
  const uint32_t count = std::min<uint32_t>(uint32_t(data->size() / 2), max);
  std::memcpy(units, data->constData(), count * sizeof(char16_t));
  return count;
}

// The char atom whose description is the text (the first-line format).
uint32_t CharAtomForName(const QString& text) {
  if (text.compare(QLatin1StringView("underline"), Qt::CaseInsensitive) == 0) return kCharAtomUnderline;
  uint32_t count = 0;
  const AtomDesc* rows = AtomTableForType(kCharProperties, &count);
  for (uint32_t i = 1; i < count; ++i)
    if (rows[i].description && text.compare(QLatin1StringView(rows[i].description), Qt::CaseInsensitive) == 0)
      return i;
  return 0;
}

void ReadTab(const CSXmlDecoder& decoder, ParaProps* para) {
  if (para->tabCount >= kMaxTabs) return;
  const int64_t x = std::clamp<int64_t>(decoder.integerAttributeForTag(QStringLiteral("x")), 0, kTabPositionMask);
  const uint32_t align = EnumAtomValueForString(decoder.stringAttributeForTag(QStringLiteral("align")),
                                                kTabAlignNames, std::size(kTabAlignNames));
  const uint32_t leader = EnumAtomValueForString(decoder.stringAttributeForTag(QStringLiteral("lead")),
                                                 kTabLeaderNames, std::size(kTabLeaderNames));
  para->tabs[para->tabCount++] = TabStop(x) | (leader << 26) | (align << 29);
}

void ReadMarker(const CSXmlDecoder& decoder, ListMarker* marker) {
  ListMarker read;
  read.type = EnumAtomValueForString(decoder.stringAttributeForTag(QStringLiteral("type")), kListMarkerTypeNames,
                                     std::size(kListMarkerTypeNames));
  read.format = EnumAtomValueForString(decoder.stringAttributeForTag(QStringLiteral("nof")), kNumberFormatNames,
                                       std::size(kNumberFormatNames));
  UnitsFromBase64(decoder.stringAttributeForTag(QStringLiteral("prefix")), &read.character, 1);
  UnitsFromBase64(decoder.stringAttributeForTag(QStringLiteral("suffix")), &read.suffix, 1);
  *marker = read;
}

// One child element that holds a value (or nothing).
void ReadField(const CSXmlDecoder& decoder, Properties* record, uint32_t type, uint32_t* markers) {
  const uint32_t key = FieldKeyOfTag(decoder);
  if (key == kMarkXmlKey) {
    if (type != kListProperties || *markers >= kMaxListMarkers) return;
    ReadMarker(decoder, &record->body.list.mark[(*markers)++]);
    return;
  }
  if (key < kFirstFieldXmlKey || key > kLastFieldXmlKey || type >= RowsByKey().size()) return;
  const uint32_t atom = RowsByKey()[type][key - kFirstFieldXmlKey];
  const AtomDesc* row = AtomDescFor(type, atom);
  if (!row || row->valueSize == 0) return;
  const QString& text = decoder.value();
  switch (row->valueKind) {
    case kAtomEnum: {
      uint32_t count = 0;
      const char* const* names = EnumAtomStringTableXml(type, atom, &count);
      StoreAtomFieldValue(record, *row, EnumAtomValueForString(text, names, count));
      break;
    }
    case kAtomCharAtomName:
      StoreAtomFieldValue(record, *row, CharAtomForName(text));
      break;
    case kAtomCharacter:
      StoreAtomFieldValue(record, *row, text.isEmpty() ? 0 : text.at(0).unicode());
      break;
    case kAtomKolor:
      StoreAtomFieldValue(record, *row, KolorFromString(text));
      break;
    case kAtomTabStop:
      if (type == kParaProperties) ReadTab(decoder, &record->body.para);
      break;
    case kAtomCountedString: {
      ParaAffix affix;
      affix.count = uint16_t(UnitsFromBase64(text, affix.units, kMaxAffixUnits));
      std::memcpy(record->body.bytes + row->offset, &affix, sizeof affix);
      break;
    }
    default:
      StoreAtomFieldValue(record, *row, row->valueSize == 8 ? decoder.longValue() : int64_t(decoder.integerValue()));
      break;
  }
}

// Values the rest of the engine counts on, whatever the file said.
void ClampRecord(Properties* record, uint32_t type) {
  if (type == kTableProperties) record->body.table.cols = std::min(record->body.table.cols, kMaxTableColumns);
  if (type == kChapterProperties)
    record->body.chapter.cols = std::min(record->body.chapter.cols, kMaxChapterColumns);
}

bool ReadFields(CSXmlDecoder& decoder, Properties* record, uint32_t type) {
  if (!decoder.startTag()) return false;
  if (decoder.endTag()) return true;  // an element that ends at once
  const QString ownTag = decoder.xmlTag();
  uint32_t depth = 1;  // the reader has no nesting cap: count it here
  uint32_t markers = 0;
  while (decoder.getNextTag()) {
    const bool start = decoder.startTag();
    const bool end = decoder.endTag();
    if (start && !end) {
      if (++depth > kMaxPropsXmlDepth) return false;
      continue;
    }
    if (end && !start) {
      if (--depth == 0) return decoder.xmlTag() == ownTag;
      continue;
    }
    if (depth == 1) ReadField(decoder, record, type, &markers);
  }
  return false;
}

}  // namespace

bool ReadPropsFromXml(CSXmlDecoder& decoder, Properties* record, uint32_t type) {
  if (!record) return false;
  SetBaseProperties(type, record);
  const bool ok = ReadFields(decoder, record, type);
  ClampRecord(record, type);
  return ok;
}
