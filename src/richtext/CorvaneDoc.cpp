#include "richtext/CorvaneDoc.h"

#include <algorithm>
#include <unordered_map>

#include "richtext/CorvaneHost.h"
#include "richtext/FontNames.h"
#include "richtext/Knots.h"
#include "richtext/NativeTags.h"
#include "richtext/Panes.h"
#include "richtext/Pictures.h"
#include "richtext/Styles.h"
#include "support/CSAssert.h"
#include "support/CSCore.h"
#include "support/DynamicArrays.h"

struct PropertyIndex {
  std::unordered_multimap<uint64_t, uint32_t> byHash;
  uint32_t indexed = 0;  // records of the table already in the map
};

CorvaneDoc* g_prefsDoc = nullptr;
CorvaneDoc* g_clipboardDoc = nullptr;

namespace {

// A new document's text buffer: 4,096 units, of which the first 16 hold the
// initial text. Its free count is kept at 255, so new text starts at unit
// 3,841.
constexpr uint32_t kTextBufferUnits = 4096;
constexpr uint32_t kInitialBufferFree = 255;
constexpr uint32_t kInitialCps = 16;
constexpr char16_t kInitialText[kInitialCps] = {0, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 1, 10, 10};
constexpr uint32_t kInitialChapterEnd = 13;
constexpr int64_t kCellPadding = 25400;  // 2 points

// The option that moves entries at the edit point along with an insertion.
constexpr uint64_t kShiftAtEditPoint = 2;

bool MakeArrays(CorvaneDoc* doc) {
  doc->textBuffers = CreateDynamicArray(sizeof(TextBuffer), 4);
  doc->styleList = CreateDynamicArray(4, 20);
  doc->pictures = CreateDynamicArray(56, 1);
  doc->propertyTable = CreateDynamicArray(sizeof(Properties), 100);
  doc->charRuns = CreateDynamicCPArray(4, 20, kInitialCps, kShiftAtEditPoint);
  doc->paraRuns = CreateDynamicCPArray(4, 20, kInitialCps, kShiftAtEditPoint);
  doc->bookmarkMarks = CreateDynamicCPArray(0, 1, kInitialCps, kShiftAtEditPoint);
  doc->chapterMarks = CreateDynamicCPArray(0, 1, kInitialCps, kShiftAtEditPoint);
  doc->knots = CreateDynamicCPArray(sizeof(KnotEntry), 10, kInitialCps, kShiftAtEditPoint);
  doc->pieces = CreateDynamicCPArray(8, 50, kInitialCps, kShiftAtEditPoint);
  doc->proofRuns = CreateDynamicCPArray(2, 20, kInitialCps, 0);
  doc->findMarks = CreateDynamicCPArray(4, 20, kInitialCps, kShiftAtEditPoint);
  doc->markArray2 = CreateDynamicCPArray(4, 20, kInitialCps, kShiftAtEditPoint);
  doc->tableMarks = CreateDynamicCPArray(0, 1, kInitialCps, kShiftAtEditPoint);
  doc->listMarks = CreateDynamicCPArray(0, 1, kInitialCps, kShiftAtEditPoint);
  doc->listNumberCache = CreateDynamicCPArray(4, 20, kInitialCps, kShiftAtEditPoint);
  doc->styles = CreateDynamicStringArray(sizeof(StyleEntry), 20);
  doc->bookmarkGuids = CreateDynamicStringArray(4, 1);
  doc->knotFormatCache = new (std::nothrow) KnotFormat;
  doc->knotFormatCache2 = new (std::nothrow) KnotFormat;
  return doc->textBuffers && doc->styleList && doc->pictures && doc->propertyTable && doc->charRuns &&
         doc->paraRuns && doc->bookmarkMarks && doc->chapterMarks && doc->knots && doc->pieces && doc->proofRuns &&
         doc->findMarks && doc->markArray2 && doc->tableMarks && doc->listMarks && doc->listNumberCache &&
         doc->styles && doc->bookmarkGuids && doc->knotFormatCache && doc->knotFormatCache2;
}

bool MakeTextBuffer(CorvaneDoc* doc) {
  auto* buffer = static_cast<char16_t*>(AllocateAndClearMemory(kTextBufferUnits * sizeof(char16_t)));
  if (!buffer) return false;
  const TextBuffer entry{buffer, kTextBufferUnits};
  if (AppendToDynamicArray(doc->textBuffers, &entry) == kDynamicArrayNotFound) {
    FreeMemory(buffer);
    return false;
  }
  if (!InsertInDynamicCPArray(doc->pieces, 0, 0, &buffer)) return false;
  doc->lastBufferSize = kTextBufferUnits;
  doc->lastBufferFree = kInitialBufferFree;
  doc->cpLimit = kInitialCps;
  doc->textLimit = kInitialCps - 1;
  return true;
}

uint32_t AppendProperties(CorvaneDoc* doc, const Properties& record) {
  return AppendToDynamicArray(doc->propertyTable, &record);
}

// The initial text, and the first chapter knot unless the knot array already
// holds entries.
bool SetInitialChapterKnot(CorvaneDoc* doc) {
  char16_t* text = nullptr;
  FetchDynamicCPArrayEntry(doc->pieces, 0, &text);
  if (!text) return false;
  std::copy(std::begin(kInitialText), std::end(kInitialText), text);
  if (SizeOfDynamicCPArray(doc->knots) != 0) return true;
  for (uint32_t cp = 0; cp <= kInitialChapterEnd; ++cp) {
    if (cp != 0 && cp != kInitialChapterEnd && cp % 2 == 0) continue;
    KnotEntry entry;
    entry.type = kKnotChapter;
    entry.role = cp == 0 ? kKinkBegin : cp == kInitialChapterEnd ? kKinkEnd : kKinkMiddle;
    entry.props = cp == 0 ? doc->firstChapterIndex : kNoPropertyIndex;
    if (!InsertInDynamicCPArray(doc->knots, SizeOfDynamicCPArray(doc->knots), cp, &entry)) return false;
  }
  return InsertInDynamicCPArray(doc->chapterMarks, 0, 0, nullptr);
}

bool MakeNormalStyle(CorvaneDoc* doc) {
  StyleEntry entry;
  Properties para, chars;
  GetBuiltinStyleDef(doc, kParaProperties, 0, &entry, &para, &chars);
  const uint32_t paraIndex = AppendProperties(doc, para);
  const uint32_t charIndex = AppendProperties(doc, chars);
  if (paraIndex == kDynamicArrayNotFound || charIndex == kDynamicArrayNotFound) return false;
  entry.props = paraIndex;
  entry.charProps = charIndex;
  if (AppendToDynamicStringArray(doc->styles, QStringLiteral("Normal"), &entry) == kDynamicArrayNotFound)
    return false;
  if (!SetNormalStyleIndexes(doc)) return false;
  return InsertInDynamicCPArray(doc->charRuns, 0, 0, &charIndex) &&
         InsertInDynamicCPArray(doc->paraRuns, 0, 0, &paraIndex);
}

bool BuildDocument(CorvaneDoc* doc) {
  if (!MakeArrays(doc) || !MakeTextBuffer(doc)) return false;

  Properties chapter;
  SetBaseProperties(kChapterProperties, &chapter);
  chapter.body.chapter.cols = 1;
  chapter.body.chapter.between = kHalfInch;
  chapter.body.chapter.hoff = kHalfInch;
  chapter.body.chapter.foff = kHalfInch;
  chapter.body.chapter.header1 = 1;
  doc->firstChapterIndex = AppendProperties(doc, chapter);
  if (doc->firstChapterIndex == kDynamicArrayNotFound || !SetInitialChapterKnot(doc)) return false;

  ClearTableCache(doc);
  const uint16_t proof = 0;
  if (!InsertInDynamicCPArray(doc->proofRuns, 0, 0, &proof)) return false;

  if (!MakeNormalStyle(doc)) return false;
  doc->cachedParaIndex = kNoPropertyIndex;
  doc->cachedCharIndex = kNoPropertyIndex;

  Properties table;
  SetBaseProperties(kTableProperties, &table);
  table.body.table.cleft = kCellPadding;
  table.body.table.cright = kCellPadding;
  doc->normalTableIndex = AppendProperties(doc, table);
  if (doc->normalTableIndex == kDynamicArrayNotFound || !SetNormalListProps(doc)) return false;

  if (doc->kind == kViewDocument && !RebuildStyleList(doc)) return false;

  Properties docProps;
  SetBaseProperties(kDocProperties, &docProps);
  doc->docProps = docProps.body.doc;
  doc->docProps.deftab = kHalfInch;
  doc->docProps.pagenum = 1;
  doc->docProps.widow = 1;
  doc->docProps.hpush = 1;
  doc->docProps.fpush = 1;

  if (doc->kind != kViewDocument) {
    Pane* pane = CurrentPane(doc);
    SetDummyPane(pane, false);
    const auto* normal = static_cast<const StyleEntry*>(DynamicStringArrayEntry(doc->styles, 0));
    if (const Properties* chars = PropertiesAtIndex(doc, normal->charProps)) pane->caretProps = chars->body.charProps;
  }
  return true;
}

void FreeArray(CSArrayCP*& array) {
  FreeDynamicArray(array);
  array = nullptr;
}
void FreeArray(CSArray*& array) {
  FreeDynamicArray(array);
  array = nullptr;
}
void FreeArray(CSArrayString*& array) {
  FreeDynamicStringArray(array);
  array = nullptr;
}

}  // namespace

CorvaneDoc* NewCorvaneDoc(int32_t kind) {
  auto* doc = new (std::nothrow) CorvaneDoc;
  if (!doc) return nullptr;
  doc->scrollOffset = 0;
  doc->kind = kind;
  if (!BuildDocument(doc)) {
    DestroyDocument(doc);
    return nullptr;
  }
  return doc;
}

void DestroyDocument(CorvaneDoc* doc) {
  if (!doc) return;
  FreeAllPanes(doc);
  for (uint32_t i = SizeOfDynamicArray(doc->textBuffers); i > 0; --i) {
    TextBuffer buffer;
    FetchDynamicArrayEntry(doc->textBuffers, i - 1, &buffer);
    FreeMemory(buffer.units);
  }
  FreeArray(doc->textBuffers);
  FreeArray(doc->pieces);
  FreeArray(doc->styleList);
  FreePictures(doc);
  FreeArray(doc->pictures);
  FreeArray(doc->propertyTable);
  FreeArray(doc->charRuns);
  FreeArray(doc->paraRuns);
  FreeArray(doc->bookmarkMarks);
  FreeArray(doc->chapterMarks);
  FreeArray(doc->knots);
  FreeArray(doc->proofRuns);
  FreeArray(doc->findMarks);
  FreeArray(doc->markArray2);
  FreeArray(doc->tableMarks);
  FreeArray(doc->listMarks);
  FreeArray(doc->listNumberCache);
  FreeArray(doc->extraMarks1);
  FreeArray(doc->extraMarks2);
  FreeArray(doc->styles);
  FreeArray(doc->bookmarkGuids);
  FreeMemory(doc->selectionScratch);
  delete doc->propertyIndex;
  delete doc->knotFormatCache;
  delete doc->knotFormatCache2;
  delete doc;
}

bool InitCorvane() {
  if (!g_prefsDoc) g_prefsDoc = NewCorvaneDoc(kPreferencesDocument);
  if (!g_prefsDoc) return false;
  CorvaneDoc* clipboard = NewCorvaneDoc(kClipboardDocument);
  if (!clipboard) return false;
  clipboard->clipboardKind = 0;
  DestroyDocument(g_clipboardDoc);
  g_clipboardDoc = clipboard;
  if (!EnsurePaneExists(g_prefsDoc)) return false;
  // The font-name list is a value that always exists here.
  CreateCorvaneXmlDecoder();
  return true;
}

bool IsParaBreak(char16_t unit) { return unit == 1 || unit == 10 || unit == 11 || unit == 12; }

uint32_t FirstDocumentCp(CorvaneDoc* doc) { return KnotLimitCp(doc, 0); }

void GetDocumentRange(CorvaneDoc* doc, DocRange* range, bool includeLastMark) {
  if (!range) return;
  *range = DocRange{doc, 0, 0};
  if (!doc) return;
  // Without a chapter at cp 0 the body starts at the text's start.
  uint32_t first = FirstDocumentCp(doc);
  if (first == kNoCpValue) first = 0;
  range->limit = includeLastMark ? doc->textLimit : doc->textLimit - 1;
  range->first = std::min(first, range->limit);
}

void GetPaneRange(CorvaneDoc* doc, const Pane* pane, DocRange* range) {
  if (!range) return;
  *range = DocRange{doc, 0, doc ? doc->textLimit : 0};
  if (!doc || !pane || doc->ignoreChapterConfinement) return;
  const uint32_t chapters = SizeOfDynamicCPArray(doc->chapterMarks);
  if (pane->chapterIndex >= chapters) return;
  range->first = CpAtIndex(doc->chapterMarks, pane->chapterIndex);
  const uint32_t next = CpAtIndex(doc->chapterMarks, pane->chapterIndex + 1);
  range->limit = std::min(next, doc->textLimit);
}

void InsetRange(const DocRange* source, DocRange* range) {
  if (!range) return;
  if (source) *range = *source;
  if (range->limit >= range->first + 2) {
    ++range->first;
    --range->limit;
  } else {
    const uint32_t middle = range->first + (range->limit > range->first ? 1 : 0);
    range->first = range->limit = std::max(range->first, std::min(middle, range->limit));
  }
}

bool IsPasswordLocked(CorvaneDoc*) { return false; }

uint32_t InitUndoScope(uint64_t owner, uint32_t kind, UndoScope* scope) {
  if (scope) *scope = UndoScope{owner, kind, {0, 0}};
  return 0;
}
bool SetUndoForRange(const DocRange*, uint32_t, uint32_t, uint32_t) { return true; }
bool SetAtomicUndo() { return true; }
void CommitUndoForRange(const DocRange*) {}
void CommitUndo() {}

Properties* PropertiesAtIndex(CorvaneDoc* doc, uint32_t index) {
  if (!doc || index >= SizeOfDynamicArray(doc->propertyTable)) return nullptr;
  return static_cast<Properties*>(DynamicArrayEntry(doc->propertyTable, index));
}

namespace {

uint64_t HashOfProperties(const Properties& record) {
  uint64_t hash = 14695981039346656037ull ^ record.type;
  const size_t size = PropertyBodySize(record.type);
  for (size_t i = 0; i < size; ++i) hash = (hash ^ record.body.bytes[i]) * 1099511628211ull;
  return hash;
}

// The hash index with every record of the table in it; null when memory
// fails (interning then searches the table).
PropertyIndex* UpdatedPropertyIndex(CorvaneDoc* doc) {
  if (!doc->propertyIndex) doc->propertyIndex = new (std::nothrow) PropertyIndex;
  PropertyIndex* table = doc->propertyIndex;
  if (!table) return nullptr;
  const uint32_t count = SizeOfDynamicArray(doc->propertyTable);
  if (table->indexed > count) {
    table->byHash.clear();
    table->indexed = 0;
  }
  try {
    for (; table->indexed < count; ++table->indexed)
      table->byHash.emplace(HashOfProperties(*PropertiesAtIndex(doc, table->indexed)), table->indexed);
  } catch (const std::bad_alloc&) {
    delete table;
    doc->propertyIndex = nullptr;
    return nullptr;
  }
  return table;
}

}  // namespace

void InvalidatePropertyIndex(CorvaneDoc* doc) {
  if (!doc || !doc->propertyIndex) return;
  doc->propertyIndex->byHash.clear();
  doc->propertyIndex->indexed = 0;
}

uint32_t IndexForProperties(CorvaneDoc* doc, Properties* record) {
  if (!doc || !record) return kNoPropertyIndex;
  SanitizeBorder(record);
  if (record->type == kParaProperties && doc->cachedParaIndex != kNoPropertyIndex &&
      std::memcmp(&record->body.para, &doc->cachedParaProps, sizeof(ParaProps)) == 0)
    return doc->cachedParaIndex;
  if (record->type == kCharProperties && doc->cachedCharIndex != kNoPropertyIndex &&
      std::memcmp(&record->body.charProps, &doc->cachedCharProps, sizeof(CharProps)) == 0)
    return doc->cachedCharIndex;

  PropertyIndex* table = UpdatedPropertyIndex(doc);
  const uint64_t hash = HashOfProperties(*record);
  uint32_t index = kNoPropertyIndex;
  if (table) {
    const auto [from, to] = table->byHash.equal_range(hash);
    for (auto it = from; it != to; ++it) {
      const Properties* candidate = PropertiesAtIndex(doc, it->second);
      if (candidate && ArePropertiesEqual(*candidate, *record) && (index == kNoPropertyIndex || it->second > index))
        index = it->second;
    }
  } else {
    for (uint32_t i = SizeOfDynamicArray(doc->propertyTable); i > 0; --i) {
      if (ArePropertiesEqual(*PropertiesAtIndex(doc, i - 1), *record)) {
        index = i - 1;
        break;
      }
    }
  }
  if (index == kNoPropertyIndex) {
    index = SizeOfDynamicArray(doc->propertyTable);
    record->ownIndex = index;
    if (AppendToDynamicArray(doc->propertyTable, record) == kDynamicArrayNotFound) return kNoPropertyIndex;
    UpdatedPropertyIndex(doc);
  }
  if (record->type == kParaProperties) {
    doc->cachedParaProps = record->body.para;
    doc->cachedParaIndex = index;
  } else if (record->type == kCharProperties) {
    doc->cachedCharProps = record->body.charProps;
    doc->cachedCharIndex = index;
  }
  return index;
}
