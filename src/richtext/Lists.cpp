#include "richtext/Lists.h"

#include <algorithm>
#include <array>

#include "richtext/Knots.h"
#include "richtext/Panes.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/TextAccess.h"
#include "support/CSAssert.h"
#include "support/DynamicArrays.h"
#include "support/FormatString.h"

namespace {

constexpr std::array<const char*, kNumberFormatCount> kNumberFormats = {"%,d", "%R", "%r", "%L", "%l", "%i",
                                                                        "%I",  "%a", "%z", "%x", "%o", "%b"};
constexpr int32_t kOrdinalWordsFormat = 6;
constexpr int32_t kCardinalWordsFormat = 7;
constexpr char16_t kDefaultBullet = 0x2022;

KnotEntry* KnotEntryPointer(CorvaneDoc* doc, uint32_t index) {
  if (!doc || index >= SizeOfDynamicCPArray(doc->knots)) return nullptr;
  return static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, index));
}

// The index of the first entry whose cp is at or after cp (the count when
// none is).
uint32_t FirstEntryAtOrAfter(const CSArrayCP* array, uint32_t cp) {
  const uint32_t count = SizeOfDynamicCPArray(array);
  if (count == 0) return 0;
  uint32_t index = IndexOfCpAfter(array, cp);
  if (index == kNoCpValue || index > count) index = count;
  while (index > 0 && CpAtIndex(array, index - 1) >= cp) --index;
  while (index < count && CpAtIndex(array, index) < cp) ++index;
  return index;
}

// The entry exactly at cp, or none.
uint32_t CacheIndexAt(const CSArrayCP* cache, uint32_t cp) {
  const uint32_t index = FirstEntryAtOrAfter(cache, cp);
  return index < SizeOfDynamicCPArray(cache) && CpAtIndex(cache, index) == cp ? index : kNoCpValue;
}

uint32_t CacheValue(const CSArrayCP* cache, uint32_t index) {
  uint32_t value = kRecountListEntry;
  FetchDynamicCPArrayEntry(cache, index, &value);
  return value;
}

void SetRenumberFlag(CorvaneDoc* doc, uint32_t listCp, bool on) {
  uint32_t index = 0;
  if (!KnotEntryAtCp(doc, listCp, nullptr, &index)) return;
  KnotEntry* entry = KnotEntryPointer(doc, index);
  if (!entry || entry->type != kKnotList || entry->role != kKinkBegin) return;
  entry->word1 = (entry->word1 & ~0xFFu) | (on ? 1u : 0u);
  if (!on) return;
  // Its markers change: the list's text is drawn again.
  const uint32_t limit = KnotLimitCp(doc, listCp);
  const DocRange list{doc, listCp, limit == kNoCpValue ? listCp + 1 : limit};
  InvalText(&list, false);
}

// The first cp of the paragraph holding cp, kept inside the list.
uint32_t EntryKey(CorvaneDoc* doc, Pane* pane, uint32_t cp, uint32_t listCp, DocRange* paragraph) {
  DocRange range;
  FetchParaProps(doc, pane, cp, &range, nullptr);
  if (paragraph) *paragraph = range;
  return std::max(range.first, listCp);
}

// Records the level of every paragraph of the list [listCp, listLimit),
// dropping the entries of paragraphs that left it.
bool RebuildListCache(CorvaneDoc* doc, Pane* pane, CSArrayCP* cache, uint32_t listCp, uint32_t listLimit) {
  const uint32_t first = FirstEntryAtOrAfter(cache, listCp);
  const uint32_t last = FirstEntryAtOrAfter(cache, listLimit);
  if (last > first) DeleteFromDynamicCPArray(cache, first, last - first);
  uint32_t insertAt = first;
  const uint32_t endMark = listLimit > 0 ? listLimit - 1 : 0;
  for (uint32_t cp = listCp + 1; cp < endMark;) {
    DocRange paragraph;
    ParaProps props;
    FetchParaProps(doc, pane, cp, &paragraph, &props);
    const uint32_t key = std::max(paragraph.first, listCp);
    const uint32_t level = ListLevelOfParagraph(doc, props);
    if (insertAt == 0 || CpAtIndex(cache, insertAt - 1) < key) {
      if (!InsertInDynamicCPArray(cache, insertAt, key, &level)) return false;
      ++insertAt;
    }
    if (!CS_SAFE_ASSERT(paragraph.limit > cp)) return false;
    cp = paragraph.limit;
  }
  SetRenumberFlag(doc, listCp, false);
  return true;
}

// The list knot whose begin mark is the last list mark at or before cp, when
// it still reaches past cp.
uint32_t EnclosingListCp(CorvaneDoc* doc, uint32_t cp, uint32_t* limit) {
  // Lists do not nest: only the last list beginning at or before cp can
  // hold it.
  const uint32_t index = FirstEntryAtOrAfter(doc->listMarks, cp + 1);
  if (index == 0 || index > SizeOfDynamicCPArray(doc->listMarks)) return kNoCpValue;
  const uint32_t begin = CpAtIndex(doc->listMarks, index - 1);
  const uint32_t end = KnotLimitCp(doc, begin);
  if (end == kNoCpValue || end <= cp) return kNoCpValue;
  if (limit) *limit = end;
  return begin;
}

QString MarkerCharacter(const ListMarker& marker) {
  return QString(QChar(marker.type == kMarkerBullet && marker.character ? marker.character : kDefaultBullet));
}

void FlagListsAround(CorvaneDoc* doc, uint32_t cp) {
  uint32_t limit = 0;
  const uint32_t listCp = EnclosingListCp(doc, cp, &limit);
  if (listCp != kNoCpValue) SetRenumberFlag(doc, listCp, true);
}

}  // namespace

QString FormattedNumberString(int64_t number, int32_t format, bool capitals) {
  if (number < 0 || format < 0 || format >= int32_t(kNumberFormatCount)) return QString(QLatin1String(""));
  const char* pattern = kNumberFormats[size_t(format)];
  if (capitals && format == kOrdinalWordsFormat) pattern = "%>I";
  if (capitals && format == kCardinalWordsFormat) pattern = "%>a";
  return FormatString(pattern, number);
}

bool IsListStyleId(uint32_t builtinId) {
  return builtinId >= kFirstListStyleId && builtinId <= kLastListStyleId;
}

uint32_t ListLevelOfParagraph(CorvaneDoc* doc, const ParaProps& props) {
  if (!doc || props.style >= SizeOfDynamicArray(doc->styles)) return 1;
  StyleEntry entry;
  FetchDynamicStringArrayEntry(doc->styles, props.style, &entry);
  return IsListStyleId(entry.builtinId) ? entry.builtinId - kFirstListStyleId + 1 : 1;
}

bool FetchList(CorvaneDoc* doc, Pane*, uint32_t cp, KnotFormat* format, ListProps* props) {
  KnotFormat found;
  uint32_t limit = 0;
  const uint32_t listCp = doc ? EnclosingListCp(doc, cp, &limit) : kNoCpValue;
  if (listCp != kNoCpValue) FetchKnot(doc, listCp, &found, kKnotList);
  if (format) *format = found;
  if (found.index == kNoCpValue) return false;
  if (props) {
    const Properties* record = PropertiesAtIndex(doc, found.entry.props);
    if (!record || record->type != kListProperties) record = PropertiesAtIndex(doc, doc->normalListIndex);
    if (record && record->type == kListProperties) {
      *props = record->body.list;
    } else {
      Properties base;
      SetBaseProperties(kListProperties, &base);
      *props = base.body.list;
    }
  }
  return true;
}

void NormalizeMarkers(ListProps* props, bool all) {
  if (!props) return;
  ListMarker* marks = props->mark;
  if (marks[0].type == kMarkerUnset) {
    marks[0] = ListMarker{};
    marks[0].type = kMarkerNumber;
    marks[0].suffix = u'.';
  }
  uint32_t highest = 0;
  for (uint32_t i = 0; i < kListLevels; ++i)
    if (marks[i].type != kMarkerUnset) highest = i;
  const uint32_t last = all ? kListLevels - 1 : highest;
  for (uint32_t i = 1; i <= last; ++i)
    if (marks[i].type == kMarkerUnset) marks[i] = marks[i - 1];
}

void EnsureMarkerExport(ListProps* props, Properties* record) {
  if (!props) return;
  NormalizeMarkers(props, false);
  if (!record) return;
  InitProperties(kListProperties, record, props);
  for (ListMarker& marker : record->body.list.mark)
    if (marker.type != kMarkerUnset) marker.type = kMarkerExport;
}

QString ListEntryMarker(CorvaneDoc* doc, Pane* pane, CSArrayCP* numberCache, uint32_t listCp, uint32_t entryCp,
                        uint32_t level, const ListProps& record) {
  level = std::clamp<uint32_t>(level, 1, kListLevels);
  ListProps props = record;
  NormalizeMarkers(&props, true);
  const ListMarker* marks = props.mark;

  bool showAll = props.levels != 0;
  bool anyNumbered = false;
  for (const ListMarker& marker : props.mark) {
    if (marker.type == kMarkerPicture) return {};
    if (marker.type == kMarkerCheck) showAll = false;
    if (marker.type == kMarkerNumber) anyNumbered = true;
  }
  const ListMarker& own = marks[level - 1];
  if (own.type == kMarkerCheck) return {};
  if (!showAll && (!anyNumbered || own.type != kMarkerNumber)) return MarkerCharacter(own);

  // Count: the entry's own level from 1, each shallower level from the
  // entry of that level it lies under.
  std::array<int64_t, kListLevels + 1> seen{};
  if (doc && numberCache) {
    uint32_t listLimit = KnotLimitCp(doc, listCp);
    if (listLimit == kNoCpValue) listLimit = listCp + 1;
    const uint32_t key = EntryKey(doc, pane, entryCp, listCp, nullptr);
    uint32_t at = CacheIndexAt(numberCache, key);
    if (at == kNoCpValue || CacheValue(numberCache, at) == kRecountListEntry ||
        IsListFlaggedForRenumbering(doc, listCp)) {
      RebuildListCache(doc, pane, numberCache, listCp, listLimit);
      at = CacheIndexAt(numberCache, key);
    }
    // Walking back, an entry at a level still counting adds to it and stops
    // every deeper level: earlier entries there belong to other parents.
    uint32_t deepest = level;
    for (uint32_t i = at == kNoCpValue ? FirstEntryAtOrAfter(numberCache, key) : at; i-- > 0;) {
      if (CpAtIndex(numberCache, i) < listCp) break;
      const uint32_t entryLevel = CacheValue(numberCache, i);
      if (entryLevel == 0 || entryLevel > deepest) continue;
      ++seen[entryLevel];
      deepest = entryLevel;
    }
  }

  QString text;
  const uint32_t lowest = showAll ? 1 : level;
  for (uint32_t k = level; k >= lowest; --k) {
    const ListMarker& marker = marks[k - 1];
    QString piece;
    if (marker.type == kMarkerNumber) {
      const int64_t number = k == level ? seen[k] + 1 : std::max<int64_t>(seen[k], 1);
      if (marker.character) piece += QChar(marker.character);
      piece += FormattedNumberString(number, int32_t(std::min<uint32_t>(marker.format, kNumberFormatCount)), true);
      if (k != level && marks[k].type == kMarkerNumber) {
        piece += u'.';
      } else if (marker.suffix) {
        piece += QChar(marker.suffix);
      }
    } else {
      piece = MarkerCharacter(marker);
    }
    text.prepend(piece);
  }
  if (text.isNull()) text = QString(QLatin1String(""));
  return text;
}

bool IsListFlaggedForRenumbering(CorvaneDoc* doc, uint32_t listCp) {
  KnotEntry entry;
  return doc && KnotEntryAtCp(doc, listCp, &entry) && entry.type == kKnotList && (entry.word1 & 0xFF) == 1;
}

void InvalListCache(const DocRange& range) {
  CorvaneDoc* doc = range.doc;
  if (!doc) return;
  CSArrayCP* cache = doc->listNumberCache;
  const uint32_t count = SizeOfDynamicCPArray(cache);
  for (uint32_t i = FirstEntryAtOrAfter(cache, range.first); i < count && CpAtIndex(cache, i) < range.limit; ++i) {
    const uint32_t recount = kRecountListEntry;
    ReplaceDynamicCPArrayEntry(cache, i, &recount);
  }
  // The lists the range touches: the one around its start and every one
  // beginning inside it.
  FlagListsAround(doc, range.first);
  CSArrayCP* marks = doc->listMarks;
  const uint32_t lists = SizeOfDynamicCPArray(marks);
  for (uint32_t i = FirstEntryAtOrAfter(marks, range.first); i < lists && CpAtIndex(marks, i) < range.limit; ++i)
    SetRenumberFlag(doc, CpAtIndex(marks, i), true);
}

void SplitListCache(const DocRange& range) {
  if (!range.doc || IsEditingKnot()) return;
  FlagListsAround(range.doc, range.first);
  if (range.limit != range.first) FlagListsAround(range.doc, range.limit);
}

bool IsLegalPasteForList(const DocRange& range, bool wholeListsOnly, QString* what) {
  static const QString kPart = QStringLiteral("a part of something like a table or a TOC entry");
  auto refuse = [what](const QString& reason) {
    if (what) *what = reason;
    return false;
  };
  CorvaneDoc* doc = range.doc;
  if (!doc || range.first > range.limit || range.limit > doc->cpLimit)
    return refuse(QStringLiteral("something unexpected"));

  // A knot that the range cuts, from outside in.
  KnotFormat around;
  FetchKnot(doc, range.first, &around, 0);
  if (around.index != kNoCpValue && around.start < range.first && around.limit < range.limit) return refuse(kPart);

  bool sawList = false;
  const uint32_t count = SizeOfDynamicCPArray(doc->knots);
  for (uint32_t i = FirstEntryAtOrAfter(doc->knots, range.first); i < count; ++i) {
    const uint32_t cp = CpAtIndex(doc->knots, i);
    if (cp >= range.limit) break;
    KnotEntry entry;
    FetchDynamicCPArrayEntry(doc->knots, i, &entry);
    if (entry.role == kKinkMiddle || entry.role == kKinkEnd) {
      // Its begin lies before the range: the knot is cut.
      KnotFormat knot;
      FetchKnot(doc, cp, &knot, 0);
      if (knot.index == kNoCpValue || knot.start < range.first) return refuse(kPart);
      continue;
    }
    const uint32_t limit = KnotLimitCp(doc, cp);
    if (limit == kNoCpValue) return refuse(QStringLiteral("something unexpected"));
    if (limit > range.limit) return refuse(kPart);
    switch (entry.type) {
      case kKnotTable:
      case kKnotRow:
        return refuse(QStringLiteral("a table"));
      case kKnotDivider:
        return refuse(QStringLiteral("a divider"));
      case kKnotList:
        if (!wholeListsOnly) return refuse(QStringLiteral("a list"));
        sawList = true;
        break;
      case kKnotContents:
      case kKnotContentsEntry:
        return refuse(kPart);
      case kKnotChapter:
      case kKnotNone:
        return refuse(QStringLiteral("something unexpected"));
      default:
        if (entry.type >= kKnotTypeCount) return refuse(QStringLiteral("something unexpected"));
        break;
    }
  }
  if (sawList) {
    // Whole lists only: nothing but the lists and paragraph marks between them.
    uint32_t other = 0;
    for (uint32_t cp = range.first; cp < range.limit;) {
      uint32_t limit = kNoCpValue;
      KnotEntry entry;
      if (KnotEntryAtCp(doc, cp, &entry) && entry.type == kKnotList && entry.role == kKinkBegin)
        limit = KnotLimitCp(doc, cp);
      if (limit != kNoCpValue && limit > cp) {
        cp = limit;
        continue;
      }
      if (!IsParaBreak(CharacterAtCp(doc, cp))) ++other;
      ++cp;
    }
    if (other > 0) return refuse(QStringLiteral("a list plus other text"));
  }
  if (what) what->clear();
  return true;
}
