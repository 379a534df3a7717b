#include "richtext/Styles.h"

#include <algorithm>
#include <unordered_map>

#include "richtext/CorvaneHost.h"
#include "richtext/Knots.h"
#include "richtext/Molecules.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "support/CSCore.h"
#include "support/DynamicArrays.h"
#include "support/FormatString.h"

namespace {

constexpr Kolor kLinkKolor = 0x64D92B27;
constexpr uint32_t kSingleUnderline = 1;
constexpr uint32_t kNormalTypes[] = {kCharProperties, kParaProperties, kChapterProperties, kTableProperties,
                                     kListProperties};

StyleEntry StyleAt(CorvaneDoc* doc, uint32_t index) {
  StyleEntry entry;
  FetchDynamicStringArrayEntry(doc->styles, index, &entry);
  return entry;
}

bool CopyRecord(CorvaneDoc* doc, uint32_t index, Properties* record) {
  const Properties* found = PropertiesAtIndex(doc, index);
  if (!found || !record) return false;
  *record = *found;
  return true;
}

// The first style of the document with the builtin id, or none.
uint32_t BuiltinStyleIndex(CorvaneDoc* doc, uint32_t builtinId) {
  if (builtinId == 0) return SizeOfDynamicArray(doc->styles) > 0 ? 0 : kNoPropertyIndex;
  for (uint32_t i = 1; i < SizeOfDynamicArray(doc->styles); ++i) {
    const StyleEntry entry = StyleAt(doc, i);
    if (entry.builtinId == builtinId && entry.type != kNoProperties) return i;
  }
  return kNoPropertyIndex;
}

void FillFontFromHost(CorvaneDoc* doc, Properties* charRecord) {
  if (charRecord && charRecord->type == kCharProperties) SetDefaultFont(doc, &charRecord->body.charProps);
}

bool StyleComesAfter(const void* a, const void* b, int64_t context) {
  auto* doc = reinterpret_cast<CorvaneDoc*>(context);
  const uint32_t idA = *static_cast<const uint32_t*>(a);
  const uint32_t idB = *static_cast<const uint32_t*>(b);
  const uint32_t typeA = PropTypeForStyle(doc, idA), typeB = PropTypeForStyle(doc, idB);
  if (typeA != typeB) return typeA > typeB;
  const bool normalA = idA >= kNormalStyleBase || idA == 0;
  const bool normalB = idB >= kNormalStyleBase || idB == 0;
  if (normalA != normalB) return normalB;
  if (normalA) return idA < idB && idA == 0;  // the normal id before "Normal"
  const QString nameA = FetchDynamicStringArrayEntry(doc->styles, idA, nullptr);
  const QString nameB = FetchDynamicStringArrayEntry(doc->styles, idB, nullptr);
  return nameA.compare(nameB, Qt::CaseInsensitive) > 0;
}

}  // namespace

void SetDefaultProperties(CorvaneDoc* doc, uint32_t type, Properties* record) {
  if (!doc || !record) return;
  switch (type) {
    case kCharProperties:
    case kParaProperties: {
      const StyleEntry normal = StyleAt(doc, 0);
      if (!CopyRecord(doc, type == kCharProperties ? normal.charProps : normal.props, record))
        SetBaseProperties(type, record);
      break;
    }
    case kChapterProperties:
      if (!CopyRecord(doc, doc->firstChapterIndex, record)) SetBaseProperties(type, record);
      break;
    case kTableProperties:
      if (!CopyRecord(doc, doc->normalTableIndex, record)) SetBaseProperties(type, record);
      break;
    case kListProperties:
      if (!CopyRecord(doc, doc->normalListIndex, record)) SetBaseProperties(type, record);
      break;
    case kBorderProperties:
    case kNoProperties:
      SetBaseProperties(type, record);
      break;
    default:
      break;
  }
}

void GetBuiltinStyleDef(CorvaneDoc* doc, uint32_t type, uint32_t builtinId, StyleEntry* entry, Properties* record,
                        Properties* charRecord) {
  StyleEntry style;
  style.builtinId = builtinId;
  style.type = type;
  style.base = builtinId == 0 ? kStyleNone : 0;
  style.next = kStyleNone;
  Properties own, chars;
  SetBaseProperties(kNoProperties, &chars);
  bool done = false;

  // A shown document takes its builtin styles from the preferences.
  if (doc && (doc->hostWindow || doc->kind == kViewDocument) && g_prefsDoc && g_prefsDoc != doc) {
    const uint32_t index = BuiltinStyleIndex(g_prefsDoc, builtinId);
    if (index != kNoPropertyIndex) {
      const StyleEntry prefs = StyleAt(g_prefsDoc, index);
      done = CopyRecord(g_prefsDoc, prefs.props, &own);
      if (done && !CopyRecord(g_prefsDoc, prefs.charProps, &chars)) SetBaseProperties(kNoProperties, &chars);
      if (done && builtinId == 0) {
        style.next = 0;
        FillFontFromHost(doc, &chars);
      }
    }
  }
  if (!done && builtinId == 0 && type == kParaProperties) {
    style.next = 0;
    SetBaseProperties(kParaProperties, &own);
    SetBaseProperties(kCharProperties, &chars);
    FillFontFromHost(doc, &chars);
    done = true;
  }
  if (!done) {
    SetBaseProperties(type, &own);
    SetDefaultProperties(doc, type, &own);
    if (type == kParaProperties) SetDefaultProperties(doc, kCharProperties, &chars);
    if (type == kParaProperties && builtinId >= 21 && builtinId <= 29) {
      own.body.para.indentl = int64_t(builtinId - 19) * kHalfInch;
      own.body.para.indent1 = -kHalfInch;
    }
    if (builtinId == 6) {
      Properties& target = type == kCharProperties ? own : chars;
      if (target.type == kCharProperties) {
        target.body.charProps.color = kLinkKolor;
        target.body.charProps.underline = kSingleUnderline;
      }
    }
  }
  if (entry) *entry = style;
  if (record) *record = own;
  if (charRecord) *charRecord = chars;
}

bool SetNormalListProps(CorvaneDoc* doc) {
  if (!doc) return false;
  Properties list;
  const Properties* prefs = (doc->hostWindow || doc->kind == kViewDocument) && g_prefsDoc && g_prefsDoc != doc
                                ? PropertiesAtIndex(g_prefsDoc, g_prefsDoc->normalListIndex)
                                : nullptr;
  if (prefs) {
    list = *prefs;
  } else {
    SetBaseProperties(kListProperties, &list);
    list.body.list.indent = kHalfInch;
    list.body.list.mark[0].type = 1;
    list.body.list.mark[0].character = 0x2022;
    list.body.list.mark[1].type = 1;
    list.body.list.mark[1].character = u'-';
  }
  const uint32_t index = AppendToDynamicArray(doc->propertyTable, &list);
  if (index == kDynamicArrayNotFound) return false;
  doc->normalListIndex = index;
  return true;
}

uint32_t PropTypeForStyle(CorvaneDoc* doc, uint32_t styleId) {
  if (styleId >= kNormalStyleBase) return styleId - kNormalStyleBase;
  if (styleId >= kBuiltinStyleBase) return styleId - kBuiltinStyleBase > 6 ? kParaProperties : kCharProperties;
  if (!doc || styleId >= SizeOfDynamicArray(doc->styles)) return kNoProperties;
  return StyleAt(doc, styleId).type;
}

bool SetNormalStyleIndexes(CorvaneDoc* doc) {
  if (!doc) return false;
  for (uint32_t type : kNormalTypes) {
    const uint32_t id = kNormalStyleBase + type;
    if (AppendToDynamicArray(doc->styleList, &id) == kDynamicArrayNotFound) return false;
  }
  return true;
}

namespace {
CorvaneDoc* g_batchDoc = nullptr;  // the document of the innermost StyleListBatch
bool g_batchStale = false;
}  // namespace

StyleListBatch::StyleListBatch(CorvaneDoc* doc) : m_saved(g_batchDoc), m_savedStale(g_batchStale) {
  g_batchDoc = doc;
  g_batchStale = false;
}

StyleListBatch::~StyleListBatch() {
  CorvaneDoc* doc = g_batchDoc;
  const bool stale = g_batchStale;
  g_batchDoc = m_saved;
  g_batchStale = m_savedStale;
  if (doc && stale) RebuildStyleList(doc);
}

bool RebuildStyleList(CorvaneDoc* doc) {
  if (!doc) return false;
  if (doc == g_batchDoc) {
    g_batchStale = true;
    return true;
  }
  ClearDynamicArray(doc->styleList);
  if (!SetNormalStyleIndexes(doc)) return false;
  for (uint32_t i = 1; i < SizeOfDynamicArray(doc->styles); ++i) {
    if (StyleAt(doc, i).type == kNoProperties) continue;
    if (AppendToDynamicArray(doc->styleList, &i) == kDynamicArrayNotFound) return false;
  }
  SortDynamicArray(doc->styleList, StyleComesAfter, reinterpret_cast<int64_t>(doc));
  return true;
}

// ---- Style ids, names and entries ----------------------------------------------

namespace {

const char16_t* const kBuiltinStyleNames[kBuiltinStyleCount] = {
    u"Normal",    u"<Spare 7>", u"note number", u"<Spare 6>", u"<Spare 5>", u"page number", u"link",
    u"<Spare 4>", u"<Spare 3>", u"<Spare 2>",   u"<Spare 1>", u"<Spare 0>", u"<Spare 6>",   u"note text",
    u"<Spare 5>", u"header",    u"footer",      u"toc 1",     u"toc 2",     u"toc 3",       u"toc 4",
    u"list 1",    u"list 2",    u"list 3",      u"list 4",    u"list 5",    u"list 6",      u"list 7",
    u"list 8",    u"list 9",    u"<Spare 4>",   u"<Spare 3>", u"<Spare 2>", u"<Spare 1>",   u"<Spare 0>"};
// Names searched by StyleIdForName.
constexpr uint32_t kNamedBuiltinStyles = 30;
// The first builtin id of a paragraph style.
constexpr uint32_t kFirstParaBuiltin = 7;
// The style field of a record while differences are laid over it.
constexpr uint16_t kNoStyleField = 0x7FFF;

bool HasStyleField(uint32_t type) {
  return type == kCharProperties || type == kParaProperties || type == kChapterProperties || type == kTableProperties ||
         type == kListProperties;
}

uint16_t RecordStyle(const Properties& record) {
  uint16_t style = 0;
  if (HasStyleField(record.type)) std::memcpy(&style, record.body.bytes, sizeof style);
  return style;
}

void SetRecordStyle(Properties* record, uint16_t style) {
  if (HasStyleField(record->type)) std::memcpy(record->body.bytes, &style, sizeof style);
}

void StoreStyle(CorvaneDoc* doc, uint32_t index, const StyleEntry& entry) {
  ReplaceDynamicStringArrayData(doc->styles, index, &entry);
}

// A style's own record: its style field names the style, and the switches
// that only text carries are cleared.
Properties OwnRecord(const Properties& record, uint32_t index) {
  Properties own = record;
  own.ownIndex = kNoPropertyIndex;
  SetRecordStyle(&own, uint16_t(index));
  if (own.type == kCharProperties) own.body.charProps.keylessSwitch6 = 0;
  if (own.type == kParaProperties) own.body.para.check = 0;
  return own;
}

// A paragraph style's char record: style 0 (the paragraph's own).
Properties OwnCharRecord(CorvaneDoc* doc, const Properties* charRecord) {
  Properties chars;
  if (charRecord && charRecord->type == kCharProperties) {
    chars = *charRecord;
  } else {
    SetDefaultProperties(doc, kCharProperties, &chars);
  }
  return OwnRecord(chars, 0);
}

// The record `own` was derived from `oldBase`; the same differences laid
// over `newBase`, with `style` in the style field.
Properties Derive(CorvaneDoc* doc, const Properties& own, const Properties& oldBase, const Properties& newBase,
                  uint16_t style) {
  Properties mine = own;
  // The style field is no difference: it would replace the record.
  SetRecordStyle(&mine, RecordStyle(oldBase));
  MoleculePtr differences(MoleculeWithDifferences(&mine, &oldBase, false));
  Properties result = newBase;
  result.ownIndex = kNoPropertyIndex;
  SetRecordStyle(&result, kNoStyleField);
  if (differences) ApplyMoleculeToProps(doc, -1, &result, differences.get());
  SetRecordStyle(&result, style);
  return result;
}

// Whether the based-on chain from `from` reaches `target` (or loops).
bool BaseChainReaches(CorvaneDoc* doc, uint32_t from, uint32_t target) {
  const uint32_t count = StyleCount(doc);
  for (uint32_t at = from, depth = 0; at < count; ++depth) {
    if (at == target || depth >= kMaxStyleDepth) return true;
    at = StyleAt(doc, at).base;
  }
  return false;
}

// Whether the based-on chain from `from` comes back to `target`; a loop
// elsewhere is left to the walk from one of its own members.
bool BaseChainReturns(CorvaneDoc* doc, uint32_t from, uint32_t target) {
  const uint32_t count = StyleCount(doc);
  for (uint32_t at = from, steps = 0; at < count && steps <= count; ++steps) {
    if (at == target) return true;
    at = StyleAt(doc, at).base;
  }
  return false;
}

uint32_t KnotTypeForStyleType(uint32_t type) {
  switch (type) {
    case kChapterProperties:
      return kKnotChapter;
    case kTableProperties:
      return kKnotTable;
    case kListProperties:
      return kKnotList;
    default:
      return kKnotNone;
  }
}

// Re-interns the runs of [firstRun, limitRun) that `change` answers for,
// each distinct record once.
template <typename Change>
void RewriteRuns(CorvaneDoc* doc, CSArrayCP* runs, uint32_t firstRun, uint32_t limitRun, Change change) {
  std::unordered_map<uint32_t, uint32_t> done;
  limitRun = std::min(limitRun, SizeOfDynamicCPArray(runs));
  for (uint32_t i = firstRun; i < limitRun; ++i) {
    uint32_t index = kNoPropertyIndex;
    FetchDynamicCPArrayEntry(runs, i, &index);
    const auto known = done.find(index);
    uint32_t replaced = kNoPropertyIndex;
    if (known != done.end()) {
      replaced = known->second;
    } else {
      const Properties* record = PropertiesAtIndex(doc, index);
      Properties changed;
      if (record && change(*record, CpAtIndex(runs, i), &changed)) replaced = IndexForProperties(doc, &changed);
      done.emplace(index, replaced);
    }
    if (replaced != kNoPropertyIndex && replaced != index) ReplaceDynamicCPArrayEntry(runs, i, &replaced);
  }
}

// The char record that char style 0 stands for at cp: its paragraph
// style's.
Properties ParagraphStyleChars(CorvaneDoc* doc, uint32_t cp) {
  ParaProps para;
  FetchParaProps(doc, nullptr, cp, nullptr, &para);
  Properties record, chars;
  if (!GetStyleProps(doc, para.style, kParaProperties, &record, &chars))
    SetDefaultProperties(doc, kCharProperties, &chars);
  return chars;
}

// The text's records of the style move from the old records to the new,
// keeping their own differences.
void RemapStyleText(CorvaneDoc* doc, uint32_t style, uint32_t type, const Properties& oldRecord,
                    const Properties& oldChars, const Properties& newRecord, const Properties& newChars) {
  const auto field = uint16_t(style);
  if (type == kCharProperties) {
    RewriteRuns(doc, doc->charRuns, 0, kNoCpValue, [&](const Properties& r, uint32_t, Properties* out) {
      if (r.type != kCharProperties || RecordStyle(r) != field || style == 0) return false;
      *out = Derive(doc, r, oldRecord, newRecord, field);
      return true;
    });
    return;
  }
  if (type == kParaProperties) {
    // The paragraphs of the style, and the char runs in them that take the
    // paragraph style's character formatting.
    std::vector<DocRange> paragraphs;
    const uint32_t count = SizeOfDynamicCPArray(doc->paraRuns);
    for (uint32_t i = 0; i < count; ++i) {
      uint32_t index = kNoPropertyIndex;
      FetchDynamicCPArrayEntry(doc->paraRuns, i, &index);
      const Properties* record = PropertiesAtIndex(doc, index);
      if (record && record->type == kParaProperties && RecordStyle(*record) == field)
        paragraphs.push_back(DocRange{doc, CpAtIndex(doc->paraRuns, i), CpAtIndex(doc->paraRuns, i + 1)});
    }
    RewriteRuns(doc, doc->paraRuns, 0, kNoCpValue, [&](const Properties& r, uint32_t, Properties* out) {
      if (r.type != kParaProperties || RecordStyle(r) != field) return false;
      *out = Derive(doc, r, oldRecord, newRecord, field);
      return true;
    });
    for (const DocRange& paragraph : paragraphs) {
      uint32_t limitRun = 0;
      const int32_t firstRun = SplitRuns(&paragraph, nullptr, kCharProperties, &limitRun, kNoPropertyIndex, false);
      if (firstRun < 0) continue;
      RewriteRuns(doc, doc->charRuns, uint32_t(firstRun), limitRun,
                  [&](const Properties& r, uint32_t, Properties* out) {
                    if (r.type != kCharProperties || RecordStyle(r) != 0) return false;
                    *out = Derive(doc, r, oldChars, newChars, 0);
                    return true;
                  });
    }
    return;
  }
  const uint32_t knotType = KnotTypeForStyleType(type);
  const uint32_t count = SizeOfDynamicCPArray(doc->knots);
  for (uint32_t i = 0; knotType != kKnotNone && i < count; ++i) {
    KnotEntry entry;
    FetchDynamicCPArrayEntry(doc->knots, i, &entry);
    if (entry.type != knotType || entry.role != kKinkBegin) continue;
    const Properties* record = PropertiesAtIndex(doc, entry.props);
    // A list or table without a record of its own has "Normal"'s.
    if (!record && style != 0) continue;
    if (record && (record->type != type || RecordStyle(*record) != field)) continue;
    const Properties derived = Derive(doc, record ? *record : oldRecord, oldRecord, newRecord, field);
    Properties interned = derived;
    const uint32_t index = IndexForProperties(doc, &interned);
    if (index != kNoPropertyIndex) SetPropsOnKink(doc, i, index);
  }
}

struct StyleRecords {
  Properties record;
  Properties chars;
};

// Derives every style based on `changed` again from its new records, and
// their text with them, down the chain.
void UpdateDependentStyles(CorvaneDoc* doc, uint32_t changed, uint32_t changedType, const StyleRecords& before,
                           const StyleRecords& after, uint32_t depth) {
  if (depth >= kMaxStyleDepth) return;
  const uint32_t count = StyleCount(doc);
  for (uint32_t s = 1; s < count; ++s) {
    if (s == changed) continue;
    StyleEntry entry = StyleAt(doc, s);
    if (entry.type == kNoProperties) continue;
    const bool basedOn = entry.base == changed;
    // "Normal" also stands for the base of char styles without one.
    const bool unbasedChars = changed == 0 && entry.base == kStyleNone && entry.type == kCharProperties;
    if (!basedOn && !unbasedChars) continue;
    const Properties* oldBase = nullptr;
    const Properties* newBase = nullptr;
    if (entry.type == changedType) {
      oldBase = &before.record;
      newBase = &after.record;
    } else if (entry.type == kCharProperties && changedType == kParaProperties) {
      oldBase = &before.chars;
      newBase = &after.chars;
    } else {
      continue;
    }
    StyleRecords mine, derived;
    if (!GetStyleProps(doc, s, entry.type, &mine.record, &mine.chars)) continue;
    derived.record = Derive(doc, mine.record, *oldBase, *newBase, uint16_t(s));
    derived.chars = mine.chars;
    if (entry.type == kParaProperties && changedType == kParaProperties)
      derived.chars = Derive(doc, mine.chars, before.chars, after.chars, 0);
    Properties record = derived.record, chars = derived.chars;
    const uint32_t recordIndex = IndexForProperties(doc, &record);
    const uint32_t charIndex = entry.type == kParaProperties ? IndexForProperties(doc, &chars) : entry.charProps;
    if (recordIndex == kNoPropertyIndex || (entry.type == kParaProperties && charIndex == kNoPropertyIndex)) continue;
    entry.props = recordIndex;
    entry.charProps = charIndex;
    StoreStyle(doc, s, entry);
    RemapStyleText(doc, s, entry.type, mine.record, mine.chars, derived.record, derived.chars);
    UpdateDependentStyles(doc, s, entry.type, mine, derived, depth + 1);
  }
}

}  // namespace

QString BuiltinStyleName(uint32_t builtinId) {
  if (builtinId >= kBuiltinStyleCount) return QString(QLatin1String(""));
  return QString::fromUtf16(kBuiltinStyleNames[builtinId]);
}

uint32_t StyleIdForName(const QString& name) {
  for (uint32_t i = 0; i < kNamedBuiltinStyles; ++i)
    if (name == QStringView(kBuiltinStyleNames[i])) return i;
  return kNotBuiltinStyle;
}

uint32_t StyleCount(CorvaneDoc* doc) {
  return doc ? SizeOfDynamicArray(doc->styles) : 0;
}

StyleEntry StyleEntryAt(CorvaneDoc* doc, uint32_t index) {
  if (index >= StyleCount(doc)) {
    StyleEntry none;
    none.type = kNoProperties;
    return none;
  }
  return StyleAt(doc, index);
}

QString StyleName(CorvaneDoc* doc, uint32_t index) {
  return doc ? FetchDynamicStringArrayEntry(doc->styles, index, nullptr) : QString();
}

uint32_t StyleIndexForName(CorvaneDoc* doc, const QString& name) {
  for (uint32_t i = 0; i < StyleCount(doc); ++i) {
    if (StyleAt(doc, i).type == kNoProperties) continue;
    if (StyleName(doc, i).compare(name, Qt::CaseInsensitive) == 0) return i;
  }
  return kNoPropertyIndex;
}

uint32_t StyleIndexForStyleId(CorvaneDoc* doc, uint32_t builtinId, bool create, bool updatePopup) {
  if (!doc) return kNoPropertyIndex;
  const uint32_t index = BuiltinStyleIndex(doc, builtinId);
  if (index != kNoPropertyIndex || !create || builtinId >= kBuiltinStyleCount) return index;
  const uint32_t type = builtinId < kFirstParaBuiltin ? kCharProperties : kParaProperties;
  StyleEntry entry;
  Properties record, chars;
  GetBuiltinStyleDef(doc, type, builtinId, &entry, &record, &chars);
  return CreateStyle(doc, BuiltinStyleName(builtinId), builtinId, entry.base, kStyleNone, &record,
                     type == kParaProperties ? &chars : nullptr, updatePopup);
}

namespace {

// CreateStyle without the style list: an import rebuilds it once at its end.
uint32_t CreateStyleEntry(CorvaneDoc* doc, const QString& name, uint32_t builtinId, uint32_t baseId, uint32_t nextId,
                          const Properties* record, const Properties* charRecord);

}  // namespace

uint32_t CreateStyle(CorvaneDoc* doc, const QString& name, uint32_t builtinId, uint32_t baseId, uint32_t nextId,
                     const Properties* record, const Properties* charRecord, bool updatePopup) {
  const uint32_t index = CreateStyleEntry(doc, name, builtinId, baseId, nextId, record, charRecord);
  if (index == kNoPropertyIndex) return index;
  RebuildStyleList(doc);
  if (updatePopup) UpdateStylePopup(doc);
  return index;
}

namespace {

uint32_t CreateStyleEntry(CorvaneDoc* doc, const QString& name, uint32_t builtinId, uint32_t baseId, uint32_t nextId,
                          const Properties* record, const Properties* charRecord) {
  if (!doc || !record || (!HasStyleField(record->type) && record->type != kFrameProperties)) return kNoPropertyIndex;
  uint32_t base = baseId;
  if (baseId >= kNormalStyleBase) {
    base = 0;
  } else if (baseId >= kBuiltinStyleBase) {
    base = StyleIndexForStyleId(doc, baseId - kBuiltinStyleBase, true, false);
    if (base == kNoPropertyIndex) return kNoPropertyIndex;
  }
  const uint32_t index = StyleCount(doc);
  if (index >= kMaxStyles) {
    GiveAlert(QStringLiteral("Can't create style."),
              QStringLiteral("I can't create the new style. You have exceeded the limit for the number of styles "
                             "in a document."),
              QStringList(), nullptr);
    return kNoPropertyIndex;
  }
  StyleEntry entry;
  entry.builtinId = builtinId;
  entry.type = record->type;
  entry.base = base < index ? base : kStyleNone;
  if (entry.type == kParaProperties) {
    entry.next = nextId == kStyleNone ? index : nextId >= kNormalStyleBase ? 0 : nextId;
    Properties chars = OwnCharRecord(doc, charRecord);
    entry.charProps = IndexForProperties(doc, &chars);
    if (entry.charProps == kNoPropertyIndex) return kNoPropertyIndex;
  }
  Properties own = OwnRecord(*record, index);
  entry.props = IndexForProperties(doc, &own);
  if (entry.props == kNoPropertyIndex) return kNoPropertyIndex;
  if (AppendToDynamicStringArray(doc->styles, name, &entry) == kDynamicArrayNotFound) return kNoPropertyIndex;
  return index;
}

}  // namespace

bool GetStyleProps(CorvaneDoc* doc, uint32_t index, uint32_t type, Properties* record, Properties* charRecord) {
  if (!doc) return false;
  Properties own, chars;
  SetBaseProperties(kNoProperties, &chars);
  if (index >= kNormalStyleBase) {
    type = index - kNormalStyleBase;
    index = 0;
  } else if (index >= kBuiltinStyleBase) {
    const uint32_t builtinId = index - kBuiltinStyleBase;
    index = BuiltinStyleIndex(doc, builtinId);
    if (index == kNoPropertyIndex) {
      GetBuiltinStyleDef(doc, PropTypeForStyle(doc, builtinId + kBuiltinStyleBase), builtinId, nullptr, &own, &chars);
      if (record) *record = own;
      if (charRecord) *charRecord = chars;
      return true;
    }
  }
  if (index >= StyleCount(doc)) return false;
  const StyleEntry entry = StyleAt(doc, index);
  if (entry.type == kNoProperties) return false;
  uint32_t ownIndex = entry.props;
  if (index == 0 && type == kListProperties) ownIndex = doc->normalListIndex;
  if (index == 0 && type == kTableProperties) ownIndex = doc->normalTableIndex;
  if (index == 0 && type == kCharProperties) ownIndex = entry.charProps;
  if (!CopyRecord(doc, ownIndex, &own)) {
    SetDefaultProperties(doc, index == 0 ? type : entry.type, &own);
    ownIndex = kNoPropertyIndex;
  }
  own.ownIndex = ownIndex;
  if (own.type == kParaProperties) {
    if (CopyRecord(doc, entry.charProps, &chars)) {
      chars.ownIndex = entry.charProps;
    } else {
      SetDefaultProperties(doc, kCharProperties, &chars);
    }
  }
  if (record) *record = own;
  if (charRecord) *charRecord = chars;
  return true;
}

Molecule* MoleculeForStyle(CorvaneDoc* doc, const StyleEntry& entry, const Properties* record,
                           const Properties* charRecord) {
  if (!doc || !record) return nullptr;
  Properties base, baseChars;
  if (entry.base == kStyleNone) {
    if (entry.type == kCharProperties) return nullptr;
    SetBaseProperties(record->type, &base);
    SetBaseProperties(kCharProperties, &baseChars);
  } else if (entry.base >= kBuiltinStyleBase && entry.base < kNormalStyleBase) {
    GetBuiltinStyleDef(doc, record->type, entry.base - kBuiltinStyleBase, nullptr, &base, &baseChars);
  } else if (!GetStyleProps(doc, entry.base, record->type, &base, &baseChars)) {
    SetBaseProperties(record->type, &base);
    SetBaseProperties(kCharProperties, &baseChars);
  }
  Properties mine = *record;
  SetRecordStyle(&mine, RecordStyle(base));
  MoleculePtr molecule(MoleculeWithDifferences(&mine, &base, false));
  if (!molecule) return nullptr;
  if (record->type == kParaProperties && charRecord && baseChars.type == kCharProperties) {
    Properties chars = *charRecord;
    SetRecordStyle(&chars, RecordStyle(baseChars));
    MoleculePtr charDifferences(MoleculeWithDifferences(&chars, &baseChars, false));
    if (!charDifferences || !MergeMolecules(molecule.get(), charDifferences.get())) return nullptr;
  }
  return molecule.release();
}

bool ChangeStyle(CorvaneDoc* doc, uint32_t index, const QString* name, uint32_t baseId, uint32_t nextId,
                 const Properties* record, const Properties* charRecord) {
  if (!doc || !record || index >= StyleCount(doc)) return false;
  const StyleEntry old = StyleAt(doc, index);
  const uint32_t type = record->type;
  const bool normalStandIn = index == 0 && (type == kTableProperties || type == kListProperties);
  if (old.type == kNoProperties || (type != old.type && !normalStandIn)) return false;
  uint32_t base = baseId;
  if (baseId >= kNormalStyleBase) {
    base = kStyleNone;
  } else if (baseId >= kBuiltinStyleBase) {
    base = StyleIndexForStyleId(doc, baseId - kBuiltinStyleBase, true, false);
    if (base == kNoPropertyIndex) return false;
  }
  if (index == 0) base = kStyleNone;
  // A base that leads back here would make the walks below endless.
  if (base != kStyleNone && (base >= StyleCount(doc) || BaseChainReaches(doc, base, index))) return false;
  uint32_t next = old.next;
  if (type == kParaProperties) next = nextId == kStyleNone ? index : nextId >= kNormalStyleBase ? 0 : nextId;

  StyleRecords before, after;
  if (!GetStyleProps(doc, index, type, &before.record, &before.chars)) return false;
  after.record = OwnRecord(*record, normalStandIn ? 0 : index);
  after.chars = type == kParaProperties ? OwnCharRecord(doc, charRecord) : before.chars;
  Properties interned = after.record, internedChars = after.chars;
  const uint32_t recordIndex = IndexForProperties(doc, &interned);
  const uint32_t charIndex = type == kParaProperties ? IndexForProperties(doc, &internedChars) : old.charProps;
  if (recordIndex == kNoPropertyIndex || (type == kParaProperties && charIndex == kNoPropertyIndex)) return false;
  const bool renamed = name && *name != StyleName(doc, index);
  if (recordIndex == before.record.ownIndex && charIndex == old.charProps && base == old.base && next == old.next &&
      !renamed)
    return true;

  DeferDisplay();
  StyleEntry entry = old;
  entry.base = base;
  entry.next = next;
  if (type == kTableProperties && normalStandIn) {
    doc->normalTableIndex = recordIndex;
  } else if (type == kListProperties && normalStandIn) {
    doc->normalListIndex = recordIndex;
  } else {
    entry.props = recordIndex;
    entry.charProps = charIndex;
  }
  if (renamed) {
    ReplaceDynamicStringArrayEntry(doc->styles, index, *name, &entry);
  } else {
    StoreStyle(doc, index, entry);
  }
  RemapStyleText(doc, index, type, before.record, before.chars, after.record, after.chars);
  UpdateDependentStyles(doc, index, type, before, after, 1);
  InvalParaCaches(doc);
  doc->cachedCharIndex = kNoPropertyIndex;
  doc->cachedParaIndex = kNoPropertyIndex;
  DocRange whole{doc, 0, doc->textLimit};
  AccumulateDefer(&whole);
  const bool wholeLines = type == kParaProperties || type == kChapterProperties || type == kFrameProperties;
  UndeferDisplay(wholeLines ? 1 : 2);
  RebuildStyleList(doc);
  UpdateStylePopup(doc);
  return true;
}

void SetNormalFont(CorvaneDoc* doc, uint16_t font, int16_t size, bool force) {
  if (!doc || StyleCount(doc) == 0) return;
  const StyleEntry normal = StyleAt(doc, 0);
  Properties record, chars;
  if (!GetStyleProps(doc, 0, kParaProperties, &record, &chars) || chars.type != kCharProperties) return;
  const uint16_t oldFont = chars.body.charProps.font;
  const int16_t oldSize = chars.body.charProps.size;
  chars.body.charProps.font = font;
  chars.body.charProps.size = size;
  ChangeStyle(doc, 0, nullptr, kStyleNone, normal.next, &record, &chars);
  // Every record of the table that had the old values (all with `force`).
  const uint32_t count = SizeOfDynamicArray(doc->propertyTable);
  for (uint32_t i = 0; i < count; ++i) {
    Properties* entry = PropertiesAtIndex(doc, i);
    if (!entry || entry->type != kCharProperties) continue;
    CharProps& props = entry->body.charProps;
    if (force || props.font == oldFont) props.font = font;
    if (force || props.size == oldSize) props.size = size;
  }
  InvalidatePropertyIndex(doc);
  doc->cachedCharIndex = kNoPropertyIndex;
}

namespace {

// Lays the range's runs of the type over the records of `style`, keeping
// each run's differences from its current style.
bool RemapRangeToStyle(const DocRange& range, uint32_t type, uint32_t style) {
  CorvaneDoc* doc = range.doc;
  if (!doc || style >= StyleCount(doc)) return false;
  Properties target, targetChars;
  if (!GetStyleProps(doc, style, type, &target, &targetChars)) return false;
  if (type == kCharProperties && style != 0 && target.type != kCharProperties) return false;
  if (type == kParaProperties && target.type != kParaProperties) return false;
  uint32_t limitRun = 0;
  const int32_t firstRun = SplitRuns(&range, nullptr, type, &limitRun, kNoPropertyIndex, true);
  if (firstRun < 0) return false;
  CSArrayCP* runs = type == kCharProperties ? doc->charRuns : doc->paraRuns;
  RewriteRuns(doc, runs, uint32_t(firstRun), limitRun, [&](const Properties& r, uint32_t cp, Properties* out) {
    if (r.type != type) return false;
    Properties current, currentChars;
    const uint16_t from = RecordStyle(r);
    if (type == kCharProperties) {
      // Char style 0 is the paragraph style's character formatting.
      if (from == 0)
        current = ParagraphStyleChars(doc, cp);
      else if (!GetStyleProps(doc, from, kCharProperties, &current, nullptr))
        return false;
      const Properties over = style == 0 ? ParagraphStyleChars(doc, cp) : target;
      *out = Derive(doc, r, current, over, uint16_t(style));
      return true;
    }
    if (!GetStyleProps(doc, from, kParaProperties, &current, &currentChars)) return false;
    *out = Derive(doc, r, current, target, uint16_t(style));
    return true;
  });
  return true;
}

}  // namespace

bool RemapCharStyle(const DocRange& range, uint32_t style) {
  return RemapRangeToStyle(range, kCharProperties, style);
}

bool RemapParaStyle(const DocRange& range, uint32_t style) {
  CorvaneDoc* doc = range.doc;
  if (!doc) return false;
  DocRange used = range;
  ExpandDocRange(&used, kExpandParagraphs);
  // The char runs first, while the paragraphs still have their old style.
  Properties target, targetChars;
  if (!GetStyleProps(doc, style, kParaProperties, &target, &targetChars) || target.type != kParaProperties)
    return false;
  uint32_t limitRun = 0;
  const int32_t firstRun = SplitRuns(&used, nullptr, kCharProperties, &limitRun, kNoPropertyIndex, false);
  if (firstRun < 0) return false;
  std::vector<std::pair<uint32_t, uint32_t>> changes;
  const uint32_t end = std::min(limitRun, SizeOfDynamicCPArray(doc->charRuns));
  for (uint32_t i = uint32_t(firstRun); i < end; ++i) {
    uint32_t index = kNoPropertyIndex;
    FetchDynamicCPArrayEntry(doc->charRuns, i, &index);
    const Properties* record = PropertiesAtIndex(doc, index);
    if (!record || record->type != kCharProperties || RecordStyle(*record) != 0) continue;
    Properties changed = Derive(doc, *record, ParagraphStyleChars(doc, CpAtIndex(doc->charRuns, i)), targetChars, 0);
    const uint32_t interned = IndexForProperties(doc, &changed);
    if (interned != kNoPropertyIndex) changes.emplace_back(i, interned);
  }
  for (const auto& [run, index] : changes) ReplaceDynamicCPArrayEntry(doc->charRuns, run, &index);
  return RemapRangeToStyle(used, kParaProperties, style);
}

namespace {

bool RemapKnotStyle(CorvaneDoc* doc, uint32_t knotIndex, uint32_t type, uint32_t style) {
  if (!doc || knotIndex >= SizeOfDynamicCPArray(doc->knots)) return false;
  KnotEntry entry;
  FetchDynamicCPArrayEntry(doc->knots, knotIndex, &entry);
  if (entry.type != KnotTypeForStyleType(type) || entry.role != kKinkBegin) return false;
  Properties target;
  if (!GetStyleProps(doc, style, type, &target, nullptr) || target.type != type) return false;
  Properties current;
  const Properties* record = PropertiesAtIndex(doc, entry.props);
  if (record && record->type == type) {
    if (!GetStyleProps(doc, RecordStyle(*record), type, &current, nullptr)) SetDefaultProperties(doc, type, &current);
  } else {
    SetDefaultProperties(doc, type, &current);
    record = &current;
  }
  Properties changed = Derive(doc, *record, current, target, uint16_t(style));
  const uint32_t index = IndexForProperties(doc, &changed);
  if (index == kNoPropertyIndex) return false;
  SetPropsOnKink(doc, knotIndex, index);
  return true;
}

}  // namespace

bool RemapListStyle(CorvaneDoc* doc, uint32_t knotIndex, uint32_t style) {
  return RemapKnotStyle(doc, knotIndex, kListProperties, style);
}

bool RemapTableStyle(CorvaneDoc* doc, uint32_t knotIndex, uint32_t style) {
  return RemapKnotStyle(doc, knotIndex, kTableProperties, style);
}

// ---- Copying styles between documents ------------------------------------------

namespace {

// A style being imported: a link back to it is part of a cycle.
constexpr uint32_t kImporting = 0xFFFFFFFE;

// The next name to try for a style whose name another type holds.
QString NextStyleName(const QString& name) {
  const QChar last = name.isEmpty() ? QChar() : name.back();
  if (last >= u'1' && last <= u'8') return FormatString("%@%C", name.left(name.size() - 1), QChar(last.unicode() + 1));
  return FormatString("%@1", name);
}

uint32_t ImportStyle(CorvaneDoc* target, CorvaneDoc* source, uint32_t index, std::vector<uint32_t>& map,
                     uint32_t depth);

// A base or next link of the source, as a style id of the target.
uint32_t ImportLink(CorvaneDoc* target, CorvaneDoc* source, uint32_t link, uint32_t self, std::vector<uint32_t>& map,
                    uint32_t depth) {
  if (link == self) return kStyleNone;
  if (link >= StyleCount(source)) return link >= kBuiltinStyleBase && link != kStyleNone ? link : kStyleNone;
  const uint32_t mapped = ImportStyle(target, source, link, map, depth + 1);
  return mapped == kNoPropertyIndex || mapped == kImporting ? kStyleNone : mapped;
}

uint32_t CopyStyleCore(CorvaneDoc* target, CorvaneDoc* source, uint32_t index, const QString& name, uint32_t builtinId,
                       uint32_t base, uint32_t next) {
  const StyleEntry entry = StyleAt(source, index);
  Properties record, chars;
  if (!GetStyleProps(source, index, entry.type, &record, &chars)) return kNoPropertyIndex;
  // A style whose base is none is based on "Normal" once created; a char
  // style keeps its own values either way.
  return CreateStyleEntry(target, name, builtinId, base == kStyleNone ? kNormalStyleBase : base, next, &record,
                          entry.type == kParaProperties ? &chars : nullptr);
}

uint32_t ImportStyle(CorvaneDoc* target, CorvaneDoc* source, uint32_t index, std::vector<uint32_t>& map,
                     uint32_t depth) {
  if (index >= map.size() || depth >= kMaxStyleDepth) return kNoPropertyIndex;
  if (map[index] != kNoPropertyIndex) return map[index];
  const StyleEntry entry = StyleAt(source, index);
  if (entry.type == kNoProperties) return kNoPropertyIndex;
  QString name;
  uint32_t builtinId = kNotBuiltinStyle;
  const uint32_t found = StyleExistsInTarget(source, target, index, entry.type, &name, &builtinId);
  if (found != kNoPropertyIndex) return map[index] = found;
  map[index] = kImporting;
  const uint32_t base = ImportLink(target, source, entry.base, index, map, depth);
  const uint32_t next =
      entry.type == kParaProperties ? ImportLink(target, source, entry.next, index, map, depth) : kStyleNone;
  const uint32_t made = CopyStyleCore(target, source, index, name, builtinId, base, next);
  map[index] = made;
  return made;
}

}  // namespace

uint32_t StyleExistsInTarget(CorvaneDoc* source, CorvaneDoc* target, uint32_t index, uint32_t type, QString* name,
                             uint32_t* builtinId) {
  const StyleEntry entry = StyleEntryAt(source, index);
  QString wanted = StyleName(source, index);
  if (builtinId) *builtinId = entry.builtinId;
  uint32_t result = kNoPropertyIndex;
  if (entry.builtinId != kNotBuiltinStyle) {
    result = BuiltinStyleIndex(target, entry.builtinId);
  } else {
    // Each turn changes the name; a target cannot hold more names than styles.
    for (uint32_t guard = 0; guard <= StyleCount(target); ++guard) {
      uint32_t match = kNoPropertyIndex;
      for (uint32_t i = 0; i < StyleCount(target); ++i) {
        if (StyleAt(target, i).type != kNoProperties && StyleName(target, i) == wanted) {
          match = i;
          break;
        }
      }
      if (match == kNoPropertyIndex) break;
      if (StyleAt(target, match).type == type) {
        result = match;
        break;
      }
      wanted = NextStyleName(wanted);
    }
  }
  if (name) *name = wanted;
  return result;
}

namespace {

// A next link met while its style was still being imported was left to
// the style itself; now that both exist it is set as the source has it.
void MendNextLinks(CorvaneDoc* target, CorvaneDoc* source, const std::vector<uint32_t>& map, uint32_t firstNew) {
  for (uint32_t i = 0; i < map.size(); ++i) {
    const StyleEntry from = StyleAt(source, i);
    const uint32_t to = map[i];
    if (from.type != kParaProperties || to < firstNew || to >= StyleCount(target) || from.next == i ||
        from.next >= map.size())
      continue;
    StyleEntry entry = StyleAt(target, to);
    const uint32_t next = map[from.next];
    if (entry.next == to && next < StyleCount(target) && entry.builtinId == from.builtinId) {
      entry.next = next;
      StoreStyle(target, to, entry);
    }
  }
}

}  // namespace

uint32_t CopyStyle(CorvaneDoc* target, CorvaneDoc* source, uint32_t index) {
  if (!target || !source || index >= StyleCount(source)) return kNoPropertyIndex;
  std::vector<uint32_t> map(StyleCount(source), kNoPropertyIndex);
  const uint32_t firstNew = StyleCount(target);
  const uint32_t result = ImportStyle(target, source, index, map, 0);
  MendNextLinks(target, source, map, firstNew);
  RebuildStyleList(target);
  return result;
}

uint32_t CopyBuiltinStyle(CorvaneDoc* target, CorvaneDoc* source, uint32_t builtinId) {
  if (!source) return kNoPropertyIndex;
  const uint32_t index = BuiltinStyleIndex(source, builtinId);
  return index == kNoPropertyIndex ? kNoPropertyIndex : CopyStyle(target, source, index);
}

bool ImportStyles(CorvaneDoc* target, CorvaneDoc* source, std::vector<uint32_t>* outMap) {
  if (!target || !source) return false;
  Properties record;
  if (CopyRecord(source, source->firstChapterIndex, &record)) {
    const uint32_t index = IndexForProperties(target, &record);
    if (index != kNoPropertyIndex) target->firstChapterIndex = index;
  }
  if (CopyRecord(source, source->normalTableIndex, &record)) {
    const uint32_t index = IndexForProperties(target, &record);
    if (index != kNoPropertyIndex) target->normalTableIndex = index;
  }
  std::vector<uint32_t> map(StyleCount(source), kNoPropertyIndex);
  const uint32_t firstNew = StyleCount(target);
  bool ok = true;
  for (uint32_t i = 0; i < StyleCount(source); ++i) {
    if (StyleAt(source, i).type == kNoProperties) continue;
    if (ImportStyle(target, source, i, map, 0) == kNoPropertyIndex) {
      ok = false;
      break;
    }
  }
  MendNextLinks(target, source, map, firstNew);
  RebuildStyleList(target);
  UpdateStylePopup(target);
  if (outMap) *outMap = std::move(map);
  return ok;
}

void RemapStylesInRange(const DocRange& range, const std::vector<uint32_t>& map) {
  CorvaneDoc* doc = range.doc;
  if (!doc || range.first >= range.limit) return;
  auto mapped = [&](uint16_t style, uint16_t* out) {
    if (style >= map.size() || map[style] >= kMaxStyles) return false;
    *out = uint16_t(map[style]);
    return true;
  };
  for (uint32_t type : {kCharProperties, kParaProperties}) {
    uint32_t limitRun = 0;
    const int32_t firstRun = SplitRuns(&range, nullptr, type, &limitRun, kNoPropertyIndex, false);
    if (firstRun < 0) continue;
    RewriteRuns(doc, type == kCharProperties ? doc->charRuns : doc->paraRuns, uint32_t(firstRun), limitRun,
                [&](const Properties& r, uint32_t, Properties* out) {
                  uint16_t style = 0;
                  if (r.type != type || !mapped(RecordStyle(r), &style)) return false;
                  *out = r;
                  out->ownIndex = kNoPropertyIndex;
                  SetRecordStyle(out, style);
                  return true;
                });
  }
  const uint32_t count = SizeOfDynamicCPArray(doc->knots);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t cp = CpAtIndex(doc->knots, i);
    if (cp < range.first) continue;
    if (cp >= range.limit) break;
    KnotEntry entry;
    FetchDynamicCPArrayEntry(doc->knots, i, &entry);
    const Properties* record = PropertiesAtIndex(doc, entry.props);
    uint16_t style = 0;
    if (entry.role != kKinkBegin || !record || !HasStyleField(record->type) || !mapped(RecordStyle(*record), &style))
      continue;
    Properties changed = *record;
    changed.ownIndex = kNoPropertyIndex;
    SetRecordStyle(&changed, style);
    const uint32_t index = IndexForProperties(doc, &changed);
    if (index != kNoPropertyIndex) SetPropsOnKink(doc, i, index);
  }
}

uint32_t CutStyleCycles(CorvaneDoc* doc) {
  uint32_t cut = 0;
  const uint32_t count = StyleCount(doc);
  for (uint32_t i = 0; i < count; ++i) {
    StyleEntry entry = StyleAt(doc, i);
    bool changed = false;
    // A base beyond the styles, or one whose chain comes back here.
    if (entry.base != kStyleNone && entry.base < kBuiltinStyleBase && entry.base >= count) {
      LogString("Style %@ is based on a missing style; the link is cut.", StyleName(doc, i));
      entry.base = kStyleNone;
      changed = true;
    } else if (entry.base != kStyleNone && entry.base < count && BaseChainReturns(doc, entry.base, i)) {
      LogString("Style %@ is based on a style that leads back to it; the link is cut.", StyleName(doc, i));
      entry.base = kStyleNone;
      changed = true;
    }
    // Next links only matter one step at a time, but an import follows them
    // recursively: a next style that is not there goes.
    if (entry.next != kStyleNone && entry.next < kBuiltinStyleBase && entry.next >= count) {
      LogString("Style %@ names a missing next style; the link is cut.", StyleName(doc, i));
      entry.next = kStyleNone;
      changed = true;
    }
    if (changed) {
      StoreStyle(doc, i, entry);
      ++cut;
    }
  }
  return cut;
}
