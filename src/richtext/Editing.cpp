#include "richtext/Editing.h"

#include <algorithm>
#include <cstring>
#include <string>
#include <tuple>

#include "richtext/Bookmarks.h"
#include "richtext/CorvaneHost.h"
#include "richtext/Knots.h"
#include "richtext/Lists.h"
#include "richtext/LiveRanges.h"
#include "richtext/Molecules.h"
#include "richtext/Panes.h"
#include "richtext/Pictures.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/Styles.h"
#include "richtext/TextAccess.h"
#include "support/CSCore.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

// A new text buffer holds at least this many units.
constexpr uint32_t kMinTextBufferUnits = 4096;

// The state of the replacement in progress (main thread).
uint32_t g_deleteMask = 0;
uint32_t g_lastReplaceCp = kNoCpValue;
uint32_t g_redrawReason = 2;
bool g_force = false;  // lets a replacement touch the leading chapter mark
ReplaceReport g_report;

class ForceScope {
 public:
  explicit ForceScope(bool force) : m_saved(g_force) { g_force = force; }
  ~ForceScope() { g_force = m_saved; }
  ForceScope(const ForceScope&) = delete;
  ForceScope& operator=(const ForceScope&) = delete;

 private:
  bool m_saved;
};

// The first entry whose cp is at or after cp (the count when none).
uint32_t FirstAtOrAfter(const CSArrayCP* array, uint32_t cp) {
  uint32_t lo = 0;
  uint32_t hi = SizeOfDynamicCPArray(array);
  while (lo < hi) {
    const uint32_t mid = lo + (hi - lo) / 2;
    if (CpAtIndex(array, mid) < cp)
      lo = mid + 1;
    else
      hi = mid;
  }
  return lo;
}

uint32_t Moved(uint32_t cp, int64_t delta) { return uint32_t(int64_t(cp) + delta); }

// Moves the entries from `index` on by delta and the sentinel to `maxCp`.
void ShiftEntries(CSArrayCP* array, uint32_t index, int64_t delta, uint32_t maxCp) {
  if (!array) return;
  const uint32_t count = SizeOfDynamicCPArray(array);
  if (delta > 0) SetMaxCp(array, maxCp);
  if (delta != 0)
    for (uint32_t i = index; i < count; ++i) ReplaceCp(array, i, Moved(CpAtIndex(array, i), delta));
  SetMaxCp(array, maxCp);
}

// An array of marks at cps: the entries in the replaced range go, the later
// ones move.
void AdjustMarks(CSArrayCP* array, uint32_t first, uint32_t limit, int64_t delta, uint32_t maxCp) {
  if (!array) return;
  const uint32_t from = FirstAtOrAfter(array, first);
  const uint32_t to = FirstAtOrAfter(array, limit);
  if (to > from) DeleteFromDynamicCPArray(array, from, to - from);
  ShiftEntries(array, from, delta, maxCp);
}

// A run array: runs that began inside the replaced range go; the text after
// the range keeps its record, the inserted text takes the record at first.
void AdjustRuns(CSArrayCP* runs, uint32_t first, uint32_t limit, uint32_t inserted, uint32_t oldCpLimit,
                uint32_t newCpLimit) {
  if (!runs) return;
  const uint32_t count = SizeOfDynamicCPArray(runs);
  if (count == 0) {
    SetMaxCp(runs, newCpLimit);
    return;
  }
  uint8_t limitRecord[32] = {};
  const uint32_t size = std::min<uint32_t>(DynamicCPArrayEntryLength(runs), sizeof limitRecord);
  const bool textAfter = limit < oldCpLimit;
  if (textAfter) {
    const uint32_t holding = FirstAtOrAfter(runs, limit + 1);
    if (holding > 0 && size) FetchDynamicCPArrayEntry(runs, holding - 1, limitRecord);
  }
  const uint32_t from = FirstAtOrAfter(runs, first + 1);
  const uint32_t to = FirstAtOrAfter(runs, limit + 1);
  const bool cut = to > from;
  if (cut) DeleteFromDynamicCPArray(runs, from, to - from);
  ShiftEntries(runs, from, int64_t(inserted) - int64_t(limit - first), newCpLimit);
  if (!cut || !textAfter) return;
  const uint32_t after = first + inserted;
  if (after >= newCpLimit) return;
  if (after == first && from > 0 && CpAtIndex(runs, from - 1) == first) {
    ReplaceDynamicCPArrayEntry(runs, from - 1, limitRecord);
  } else {
    InsertInDynamicCPArray(runs, from, after, limitRecord);
  }
}

// Makes a piece start at cp; its index (the count at the text's end), or -1.
int64_t SplitPieceAt(CorvaneDoc* doc, uint32_t cp) {
  CSArrayCP* pieces = doc->pieces;
  const uint32_t count = SizeOfDynamicCPArray(pieces);
  if (cp >= doc->cpLimit) return count;
  const uint32_t next = FirstAtOrAfter(pieces, cp);
  if (next < count && CpAtIndex(pieces, next) == cp) return next;
  if (next == 0) return -1;
  const uint32_t index = next - 1;
  char16_t* text = nullptr;
  FetchDynamicCPArrayEntry(pieces, index, &text);
  char16_t* split = text + (cp - CpAtIndex(pieces, index));
  if (!InsertInDynamicCPArray(pieces, index + 1, cp, &split)) return -1;
  return index + 1;
}

// The newest buffer's first unused unit, or null when it has no room.
char16_t* FreeBufferUnits(CorvaneDoc* doc) {
  const uint32_t buffers = SizeOfDynamicArray(doc->textBuffers);
  if (buffers == 0 || doc->lastBufferFree == 0) return nullptr;
  TextBuffer buffer;
  FetchDynamicArrayEntry(doc->textBuffers, buffers - 1, &buffer);
  if (doc->lastBufferFree > buffer.size) return nullptr;
  return buffer.units + (buffer.size - doc->lastBufferFree);
}

uint32_t BodyStart(CorvaneDoc* doc) {
  const uint32_t first = FirstDocumentCp(doc);
  return first == kNoCpValue ? 0 : std::min(first, doc->textLimit);
}

bool HasHostView(CorvaneDoc* doc) {
  for (uint32_t i = 0; i < 2; ++i)
    if (doc->panes[i].view) return true;
  return doc->hostWindow != nullptr;
}

// The record of `index` in the source, interned in the target (its style
// copied along for character and paragraph records).
uint32_t CopyRecord(CorvaneDoc* target, CorvaneDoc* source, uint32_t index) {
  if (index == kNoPropertyIndex || target == source) return index;
  const Properties* record = PropertiesAtIndex(source, index);
  if (!record) return kNoPropertyIndex;
  Properties copy = *record;
  uint16_t* style = copy.type == kCharProperties   ? &copy.body.charProps.style
                    : copy.type == kParaProperties ? &copy.body.para.style
                                                   : nullptr;
  if (style) {
    const uint32_t mapped = CopyStyle(target, source, *style);
    *style = mapped == kNoPropertyIndex ? 0 : uint16_t(mapped);
  }
  return IndexForProperties(target, &copy);
}

// The base a run's record is relative to: its style's record, and for a
// character record of style 0 the character record of its paragraph's style.
bool StyleBase(CorvaneDoc* doc, const Properties& record, uint32_t style, uint32_t paraStyle, Properties* base) {
  if (record.type == kParaProperties) return GetStyleProps(doc, style, kParaProperties, base, nullptr);
  if (style != 0) return GetStyleProps(doc, style, kCharProperties, base, nullptr);
  return GetStyleProps(doc, paraStyle, kParaProperties, nullptr, base) && base->type == kCharProperties;
}

// A run's record copied from another document and re-based on the target's
// styles: its differences from its style in the source, laid over the
// matching style of the target. `sourceCp` is where the run lies in the
// source (its paragraph names the base of a character record of style 0).
uint32_t CopyRunRecord(CorvaneDoc* target, CorvaneDoc* source, uint32_t index, uint32_t sourceCp) {
  if (index == kNoPropertyIndex || target == source) return index;
  const Properties* record = PropertiesAtIndex(source, index);
  if (!record || (record->type != kCharProperties && record->type != kParaProperties)) return CopyRecord(target, source, index);
  // Temporary documents hold absolute records: nothing to re-base.
  if (target->kind == kTemporaryDocument || source->kind == kTemporaryDocument) return CopyRecord(target, source, index);
  Properties copy = *record;
  const bool chars = copy.type == kCharProperties;
  const uint32_t style = chars ? copy.body.charProps.style : copy.body.para.style;
  const uint32_t mapped = CopyStyle(target, source, style);
  const uint32_t targetStyle = mapped == kNoPropertyIndex ? 0 : mapped;
  uint32_t paraStyle = 0, targetParaStyle = 0;
  if (chars && style == 0) {
    ParaProps paragraph;
    FetchParaProps(source, nullptr, sourceCp, nullptr, &paragraph);
    paraStyle = paragraph.style;
    const uint32_t copied = CopyStyle(target, source, paraStyle);
    targetParaStyle = copied == kNoPropertyIndex ? 0 : copied;
  }
  Properties sourceBase, targetBase;
  if (StyleBase(source, copy, style, paraStyle, &sourceBase) &&
      StyleBase(target, copy, targetStyle, targetParaStyle, &targetBase) && sourceBase.type == copy.type &&
      targetBase.type == copy.type && std::memcmp(&sourceBase.body, &targetBase.body, sizeof sourceBase.body) != 0) {
    MoleculePtr differences(MoleculeWithDifferences(&copy, &sourceBase, false));
    if (differences) {
      Properties rebased = targetBase;
      ApplyMoleculeToProps(target, -1, &rebased, differences.get());
      copy = rebased;
    }
  }
  copy.ownIndex = kNoPropertyIndex;
  if (chars)
    copy.body.charProps.style = uint16_t(targetStyle);
  else
    copy.body.para.style = uint16_t(targetStyle);
  return IndexForProperties(target, &copy);
}

CSArrayCP* LocationArray(CorvaneDoc* doc, uint32_t type) {
  switch (type) {
    case kKnotChapter:
      return doc->chapterMarks;
    case kKnotBookmark:
      return doc->bookmarkMarks;
    case kKnotList:
      return doc->listMarks;
    case kKnotTable:
      return doc->tableMarks;
    default:
      return nullptr;
  }
}

struct SourceKnot {
  uint32_t cp;
  KnotEntry entry;
};

// Copies the source range (of another document) into dest's document at
// `at`: its text, runs and the knots lying wholly inside it. The marks of
// knots cut by the range become spaces; chapters are dropped when the
// insertion point lies inside a knot. Failure takes the insertion out again.
bool CopyRangeInto(CorvaneDoc* doc, uint32_t at, const DocRange& source) {
  CorvaneDoc* src = source.doc;
  const uint32_t first = std::min(source.first, src->cpLimit);
  const uint32_t limit = std::clamp(source.limit, first, src->textLimit);
  std::u16string text(limit - first, u' ');
  uint32_t n = limit - first;
  if (n) FetchText(src, first, limit, text.data(), &n);
  text.resize(n);

  // Which of the source's marks belong to knots wholly inside the range.
  KnotFormat around;
  FetchKnot(doc, at, &around, 0);
  const bool chaptersAllowed = around.index == kNoCpValue && at > 0;
  std::vector<SourceKnot> marks;
  std::vector<bool> keep;
  std::vector<std::vector<uint32_t>> open;
  for (uint32_t i = FirstAtOrAfter(src->knots, first); i < SizeOfDynamicCPArray(src->knots); ++i) {
    const uint32_t cp = CpAtIndex(src->knots, i);
    if (cp >= first + n) break;
    SourceKnot mark{cp, {}};
    FetchDynamicCPArrayEntry(src->knots, i, &mark.entry);
    const auto index = uint32_t(marks.size());
    marks.push_back(mark);
    keep.push_back(false);
    switch (mark.entry.role) {
      case kKinkSingle:
        keep[index] = true;
        break;
      case kKinkBegin:
        open.push_back({index});
        break;
      default:
        if (open.empty() || marks[open.back().front()].entry.type != mark.entry.type) {
          open.clear();  // marks that do not nest here: none of the open knots is kept
          break;
        }
        open.back().push_back(index);
        if (mark.entry.role == kKinkEnd) {
          const bool wanted = mark.entry.type != kKnotChapter || chaptersAllowed;
          for (uint32_t k : open.back()) keep[k] = wanted;
          open.pop_back();
        }
    }
  }
  for (uint32_t i = 0; i < marks.size(); ++i)
    if (!keep[i]) text[marks[i].cp - first] = u' ';

  const uint32_t charAfter = RunIndexForCp(doc->charRuns, at, nullptr);
  const uint32_t paraAfter = RunIndexForCp(doc->paraRuns, at, nullptr);

  const DocRange insertion{doc, at, at};
  if (!ReplaceRangeSimple(&insertion, nullptr, reinterpret_cast<const char16_t*>(text.data()), n)) return false;
  const uint32_t end = at + n;
  bool ok = true;

  // Runs: each source run over the copied text, then the text after keeps
  // what it had.
  for (const auto& [srcRuns, runs, after] : {std::tuple{src->charRuns, doc->charRuns, charAfter},
                                            std::tuple{src->paraRuns, doc->paraRuns, paraAfter}}) {
    const bool charRuns = srcRuns == src->charRuns;
    const uint32_t count = SizeOfDynamicCPArray(srcRuns);
    for (uint32_t i = std::max<uint32_t>(FirstAtOrAfter(srcRuns, first + 1), 1) - 1;
         ok && i < count && CpAtIndex(srcRuns, i) < first + n; ++i) {
      uint32_t record = kNoPropertyIndex;
      FetchDynamicCPArrayEntry(srcRuns, i, &record);
      const uint32_t runFirst = std::max(CpAtIndex(srcRuns, i), first);
      const uint32_t runLimit = std::min(i + 1 < count ? CpAtIndex(srcRuns, i + 1) : src->cpLimit, first + n);
      // A character run is re-based paragraph by paragraph.
      for (uint32_t part = runFirst; ok && part < runLimit;) {
        uint32_t partLimit = runLimit;
        if (charRuns)
          for (uint32_t cp = part; cp + 1 < runLimit; ++cp)
            if (IsParaBreak(text[cp - first])) {
              partLimit = cp + 1;
              break;
            }
        const uint32_t mapped = CopyRunRecord(doc, src, record, part);
        ok = mapped != kNoPropertyIndex && EnforceFormatAtCp(runs, at + (part - first), mapped);
        part = partLimit;
      }
    }
    if (ok && after != kNoPropertyIndex && end < doc->cpLimit) ok = EnforceFormatAtCp(runs, end, after);
  }

  // Knots, with their records, pictures, location arrays and bookmark names.
  for (uint32_t i = 0; ok && i < marks.size(); ++i) {
    if (!keep[i]) continue;
    KnotEntry entry = marks[i].entry;
    const uint32_t cp = at + (marks[i].cp - first);
    if (entry.props != kNoPropertyIndex) {
      entry.props = CopyRecord(doc, src, entry.props);
      if (entry.props == kNoPropertyIndex) ok = false;
    }
    if (entry.type == kKnotPicture) {
      entry.word1 = CopyPictureInfo(doc, src, entry.word1);
      if (entry.word1 == kNoCpValue) ok = false;
    }
    if (entry.type == kKnotVariable) entry.word2 = kNoCpValue;  // bookmark names belong to the source
    if (!ok) break;
    ok = InsertInDynamicCPArray(doc->knots, FirstAtOrAfter(doc->knots, cp), cp, &entry);
    CSArrayCP* locations = LocationArray(doc, entry.type);
    if (ok && locations && entry.role == kKinkBegin)
      ok = InsertInDynamicCPArray(locations, FirstAtOrAfter(locations, cp), cp, nullptr);
    if (ok && entry.type == kKnotBookmark && entry.role == kKinkBegin) CopyBookmarkGuid(doc, cp, src, marks[i].cp);
  }
  if (!ok) {
    const DocRange inserted{doc, at, end};
    ReplaceRangeSimple(&inserted, nullptr, nullptr, 0);
  }
  return ok;
}

// Whether the knot marks in the range pair up among themselves, so that
// marks around the range nest with them, and none is a chapter's.
bool MarksBalanced(CorvaneDoc* doc, uint32_t first, uint32_t limit) {
  std::vector<uint32_t> open;
  for (uint32_t i = FirstAtOrAfter(doc->knots, first);
       i < SizeOfDynamicCPArray(doc->knots) && CpAtIndex(doc->knots, i) < limit; ++i) {
    KnotEntry entry;
    FetchDynamicCPArrayEntry(doc->knots, i, &entry);
    if (entry.type == kKnotChapter) return false;  // chapters never go inside a knot
    if (entry.role == kKinkBegin) {
      open.push_back(entry.type);
    } else if (entry.role != kKinkSingle) {
      if (open.empty() || open.back() != entry.type) return false;
      if (entry.role == kKinkEnd) open.pop_back();
    }
  }
  return open.empty();
}

// Whether a new entry names only what exists: its picture, its bookmark, and
// a record of the kind its knot needs.
bool EntryIsSound(CorvaneDoc* doc, const KnotEntry& entry) {
  if (entry.type == kKnotPicture && entry.word1 >= SizeOfDynamicArray(doc->pictures)) return false;
  if (entry.type == kKnotVariable && entry.word2 != kNoCpValue && entry.word2 >= SizeOfDynamicArray(doc->bookmarkGuids))
    return false;
  if (entry.props != kNoPropertyIndex && !PropertiesAtIndex(doc, entry.props)) return false;
  if (entry.role == kKinkBegin || entry.role == kKinkSingle) {
    const uint32_t wanted = entry.type == kKnotChapter ? kChapterProperties
                            : entry.type == kKnotTable ? kTableProperties
                            : entry.type == kKnotList  ? kListProperties
                                                       : kNoProperties;
    if (wanted != kNoProperties) {
      const Properties* record = PropertiesAtIndex(doc, entry.props);
      if (!record || record->type != wanted) return false;
    }
  }
  return true;
}

}  // namespace

bool CheckDocumentLength(uint64_t cpLimit, uint64_t removed, uint64_t inserted) {
  return removed <= cpLimit && cpLimit - removed + inserted <= kMaxDocumentCps;
}

const ReplaceReport& LastReplaceReport() { return g_report; }
uint32_t LastReplaceCp() { return g_lastReplaceCp; }
uint32_t CurrentDeleteMask() { return g_deleteMask; }

void DeleteEntriesInRange(const DocRange* edited, CSArrayCP* cpArray, bool keepFirst, uint32_t maskBit) {
  if (!edited || !edited->doc || !cpArray || edited->limit <= edited->first) return;
  uint32_t from = FirstAtOrAfter(cpArray, edited->first);
  const uint32_t to = FirstAtOrAfter(cpArray, edited->limit);
  if (keepFirst && from == 0) from = 1;
  if (to <= from) return;
  DeleteFromDynamicCPArray(cpArray, from, to - from);
  g_deleteMask |= maskBit;
  if (from < SizeOfDynamicCPArray(cpArray)) {
    const DocRange rest{edited->doc, edited->first, edited->doc->textLimit};
    InvalText(&rest, false);
  }
}

bool ReplaceRangeSimple(const DocRange* dest, DocRange* outRange, const char16_t* text, uint32_t length) {
  if (!dest || !dest->doc || (!text && length)) return false;
  CorvaneDoc* doc = dest->doc;
  const uint32_t first = dest->first;
  const uint32_t limit = dest->limit;
  // The closing mark is never replaced, nor (unless forced) the leading
  // chapter mark, which every document starts with.
  if (first >= doc->cpLimit || limit < first || limit > doc->textLimit) return false;
  if (first == 0 && !g_force) return false;
  const uint32_t removed = limit - first;
  if (!CheckDocumentLength(doc->cpLimit, removed, length)) {
    doc->overLimit = 1;
    return false;
  }
  if (removed == 0 && length == 0) {
    if (outRange) *outRange = *dest;
    return true;
  }

  // Room for the text before anything changes.
  char16_t* room = FreeBufferUnits(doc);
  const uint32_t inRoom = room ? std::min(doc->lastBufferFree, length) : 0;
  const uint32_t rest = length - inRoom;
  TextBuffer fresh;
  if (rest) {
    fresh.size = std::max(rest, kMinTextBufferUnits);
    fresh.units = static_cast<char16_t*>(AllocateMemory(fresh.size * sizeof(char16_t)));
    if (!fresh.units) return false;
    if (AppendToDynamicArray(doc->textBuffers, &fresh) == kDynamicArrayNotFound) {
      FreeMemory(fresh.units);
      return false;
    }
  }

  const uint32_t oldCpLimit = doc->cpLimit;
  const int64_t delta = int64_t(length) - int64_t(removed);
  const uint32_t newCpLimit = Moved(oldCpLimit, delta);

  // Pieces: cut at both ends, drop those inside, move the later ones.
  if (SplitPieceAt(doc, limit) < 0) return false;
  const int64_t splitFirst = SplitPieceAt(doc, first);
  if (splitFirst < 0) return false;
  const auto from = uint32_t(splitFirst);
  const uint32_t to = FirstAtOrAfter(doc->pieces, limit);
  bool breakDeleted = false;
  for (uint32_t cp = first; cp < limit && !breakDeleted; ++cp) breakDeleted = IsParaBreak(CharacterAtCp(doc, cp));
  if (to > from) DeleteFromDynamicCPArray(doc->pieces, from, to - from);
  ShiftEntries(doc->pieces, from, delta, newCpLimit);

  uint32_t index = from;
  uint32_t cp = first;
  if (inRoom) {
    std::copy(text, text + inRoom, room);
    bool extended = false;
    if (from > 0) {
      char16_t* previous = nullptr;
      FetchDynamicCPArrayEntry(doc->pieces, from - 1, &previous);
      extended = previous + (first - CpAtIndex(doc->pieces, from - 1)) == room;
    }
    if (!extended) InsertInDynamicCPArray(doc->pieces, index++, cp, &room);
    cp += inRoom;
    doc->lastBufferFree -= inRoom;
  }
  if (rest) {
    std::copy(text + inRoom, text + length, fresh.units);
    InsertInDynamicCPArray(doc->pieces, index, cp, &fresh.units);
    doc->lastBufferSize = uint32_t(fresh.size);
    doc->lastBufferFree = uint32_t(fresh.size - rest);
  }

  // Structures in the deleted text go; every cp-keyed array follows.
  if (removed) {
    const uint32_t bookmarksFrom = FirstAtOrAfter(doc->bookmarkMarks, first);
    const uint32_t bookmarksTo = FirstAtOrAfter(doc->bookmarkMarks, limit);
    if (bookmarksTo > bookmarksFrom) {
      DeleteBookmarks(doc, bookmarksFrom, bookmarksTo);
      g_deleteMask |= kDeletedBookmarks;
    }
    const uint32_t knotsFrom = FirstAtOrAfter(doc->knots, first);
    const uint32_t knotsTo = FirstAtOrAfter(doc->knots, limit);
    if (knotsTo > knotsFrom) {
      DeleteKnotEntries(doc, knotsFrom, knotsTo);
      g_redrawReason = 1;
      ClearTableCache(doc);
    }
    const DocRange edited{doc, first, limit};
    DeleteEntriesInRange(&edited, doc->chapterMarks, true, kDeletedChapters);
    DeleteEntriesInRange(&edited, doc->bookmarkMarks, false, kDeletedBookmarks);
    DeleteEntriesInRange(&edited, doc->listMarks, false, kDeletedLists);
    DeleteEntriesInRange(&edited, doc->tableMarks, false, kDeletedTables);
    for (CSArrayCP* marks : {doc->findMarks, doc->markArray2, doc->extraMarks1, doc->extraMarks2})
      DeleteEntriesInRange(&edited, marks, false, kDeletedMarks);
  }
  for (CSArrayCP* marks : {doc->knots, doc->chapterMarks, doc->bookmarkMarks, doc->listMarks, doc->tableMarks,
                           doc->findMarks, doc->markArray2, doc->extraMarks1, doc->extraMarks2, doc->listNumberCache})
    AdjustMarks(marks, first, limit, delta, newCpLimit);
  for (CSArrayCP* runs : {doc->charRuns, doc->paraRuns, doc->proofRuns})
    AdjustRuns(runs, first, limit, length, oldCpLimit, newCpLimit);

  doc->cpLimit = newCpLimit;
  doc->textLimit = newCpLimit - 1;
  doc->cachedCharIndex = kNoPropertyIndex;
  doc->cachedParaIndex = kNoPropertyIndex;

  const DocRange edited{doc, first, limit};
  AdjustDisplay(&edited, int32_t(delta));
  AdjustLiveRanges(&edited, int32_t(delta));

  const DocRange changed{doc, first, first + length};
  if (outRange) *outRange = changed;
  InvalText(&changed, breakDeleted);
  if (IsDisplayDeferred()) AccumulateDefer(&changed);
  return true;
}

void AdjustDisplay(const DocRange* edited, int32_t delta) {
  if (!edited || !edited->doc) return;
  CorvaneDoc* doc = edited->doc;
  const uint32_t first = edited->first;
  const uint32_t limit = edited->limit;
  // The table and row caches stay only when both lie wholly before the edit.
  for (const KnotFormat* cache : {doc->knotFormatCache, doc->knotFormatCache2}) {
    if (cache && cache->index != kNoCpValue && cache->limit > first) {
      ClearTableCache(doc);
      break;
    }
  }
  const bool hostView = HasHostView(doc);
  for (Pane& pane : doc->panes) {
    // The cache is kept in step whether or not it is shown: its keys are cps.
    if (pane.displayLines) AdjustMarks(pane.displayLines, first, limit, delta, doc->cpLimit - 1);
    if (pane.objectSelection == kNoCpValue) {
      const bool backward = pane.anchor > pane.end;
      DocRange selection{doc, uint32_t(std::min(pane.anchor, pane.end)), uint32_t(std::max(pane.anchor, pane.end))};
      AdjustRange(&selection, edited, delta, selection.first == selection.limit ? kLiveRangeCaretLimit : 0);
      pane.anchor = int32_t(backward ? selection.limit : selection.first);
      pane.end = int32_t(backward ? selection.first : selection.limit);
      pane.goalX = -1.0f;
      pane.rememberedCp = -1;
    }
    if (pane.paraCacheLimit < 0 || uint32_t(pane.paraCacheLimit) <= first) continue;
    const auto cacheFirst = uint32_t(pane.paraCacheFirst);
    const auto cacheLimit = uint32_t(pane.paraCacheLimit);
    if (!hostView || !pane.view || pane.paraCacheFirst < 0) {
      OverridePaneContents(&pane, 0);
    } else if (limit < cacheFirst) {
      pane.paraCacheFirst = int32_t(int64_t(cacheFirst) + delta);
      pane.paraCacheLimit = int32_t(int64_t(cacheLimit) + delta);
    } else if (doc->breakFree && first > cacheFirst && limit < cacheLimit - 1) {
      pane.paraCacheLimit = int32_t(int64_t(cacheLimit) + delta);
    } else {
      OverridePaneContents(&pane, 0);
    }
  }
}

bool ReplaceRangeSimpleWithString(const DocRange* dest, DocRange* outRange, const QString& string) {
  return ReplaceRangeSimple(dest, outRange, reinterpret_cast<const char16_t*>(string.utf16()),
                            uint32_t(string.size()));
}

bool ReplaceRangeCore(const DocRange* dest, const DocRange* source, const char16_t* text, uint32_t length,
                      bool force) {
  if (!dest || !dest->doc) return false;
  CorvaneDoc* doc = dest->doc;
  DocRange target = *dest;
  if (target.first > target.limit || target.limit > doc->textLimit) return false;
  const bool useSource = source && source->doc && (force || source->limit > source->first);
  if (!useSource && !text && length) return false;
  const uint32_t inserted = useSource ? source->limit - source->first : length;
  if (useSource && source->limit < source->first) return false;
  if (!CheckDocumentLength(doc->cpLimit, target.limit - target.first, inserted)) {
    doc->overLimit = 1;
    return false;
  }
  g_deleteMask = 0;
  g_redrawReason = 2;
  g_report = ReplaceReport{};
  InvalListCache(DocRange{doc, target.first, std::max(target.limit, target.first + 1)});

  // A source in the same document moves with the edit: copy it aside first.
  CorvaneDoc* aside = nullptr;
  DocRange from = useSource ? *source : DocRange{};
  if (useSource && source->doc == doc) {
    aside = NewDocWithRangeCopy(source, kTemporaryDocument, true);
    if (!aside) return false;
    from = DocRange{aside, BodyStart(aside), aside->textLimit};
  }

  ForceScope forceScope(force);
  bool opened = false;
  std::vector<DocRange> stretches;
  if (!force) {
    g_lastReplaceCp = kNoCpValue;
    if (HasHostView(doc) && IsMainThread()) {
      DeferDisplay();
      opened = true;
    }
    Pane* pane = CurrentPane(doc);
    DocRange paneRange;
    GetPaneRange(doc, pane, &paneRange);
    if (target.limit > target.first && target.limit == paneRange.limit && target.first == FirstVisibleCp(doc))
      --target.limit;
    char16_t firstUnit = 0;
    if (useSource && inserted) firstUnit = CharacterAtCp(from.doc, from.first);
    if (!useSource && length) firstUnit = text[0];
    const uint32_t mode = KnotEditForReplace(doc, nullptr, inserted ? int32_t(firstUnit) : -1);
    DocRange walk = target;
    DocRange out;
    for (uint32_t guard = 0; guard <= doc->cpLimit && NextEditRange(&walk, &out, pane, mode, nullptr); ++guard)
      if (out.limit > out.first) stretches.push_back(out);
  } else if (target.limit > target.first) {
    stretches.push_back(target);
  }

  uint32_t at = target.first;
  if (!stretches.empty()) at = std::min(at, stretches.front().first);
  const uint32_t chaptersBefore = SizeOfDynamicCPArray(doc->chapterMarks);
  const uint32_t stylesBefore = StyleCount(doc);
  bool ok = true;
  for (auto it = stretches.rbegin(); ok && it != stretches.rend(); ++it) ok = ReplaceRangeSimple(&*it, nullptr, nullptr, 0);
  if (ok) {
    g_report.deleted = stretches;
    if (useSource) {
      ok = CopyRangeInto(doc, at, from);
    } else if (length) {
      const DocRange insertion{doc, at, at};
      ok = ReplaceRangeSimple(&insertion, nullptr, text, length);
    }
    if (ok && inserted) {
      g_report.insertedAt = at;
      g_report.insertedLength = inserted;
    }
  }
  if (ok && !useSource && length == 0 && !stretches.empty() && chaptersBefore >= 2) {
    // A chapter's first paragraph never runs on from the text before it.
    KnotEntry entry;
    const bool chapterHere = KnotEntryAtCp(doc, at, &entry) && entry.type == kKnotChapter && entry.role == kKinkBegin;
    if ((chapterHere || (g_deleteMask & kDeletedChapters)) && at > 0 && at < doc->textLimit &&
        CharacterAtCp(doc, at - 1) != kParagraphMark) {
      const char16_t lineFeed = kParagraphMark;
      const DocRange junction{doc, at, at};
      if (ReplaceRangeSimple(&junction, nullptr, &lineFeed, 1)) {
        g_report.insertedAt = at;
        g_report.insertedLength = 1;
        ++at;
      }
    }
  }
  if (ok) g_lastReplaceCp = at + inserted;
  DestroyDocument(aside);
  if (ok && StyleCount(doc) != stylesBefore) {
    // The copy brought styles along.
    RebuildStyleList(doc);
    UpdateStylePopup(doc);
  }

  if (opened)
    UndeferDisplay(g_redrawReason);
  else
    InvalAfterEdit(doc, g_redrawReason);
  if (g_deleteMask & 0x3F) UpdateElementList(doc);
  return ok;
}

bool ReplaceRangeFromRange(const DocRange* dest, const DocRange* source) {
  return ReplaceRangeCore(dest, source, nullptr, 0, false);
}

bool ReplaceRangeWithText(const DocRange* dest, const char16_t* text, uint32_t length) {
  return ReplaceRangeCore(dest, nullptr, text, length, false);
}

bool DeleteTextInRange(const DocRange* range) {
  if (!range || range->limit <= range->first) return true;
  return ReplaceRangeCore(range, nullptr, nullptr, 0, false);
}

bool ReplaceRangeWithString(const DocRange* dest, const QString& string) {
  std::u16string units;
  try {
    units.assign(reinterpret_cast<const char16_t*>(string.utf16()), size_t(string.size()));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (char16_t& unit : units)
    if (unit == kKnotMark0 || unit == kKnotMark1) unit = u' ';
  return ReplaceRangeWithText(dest, units.data(), uint32_t(units.size()));
}

CorvaneDoc* NewDocWithRangeCopy(const DocRange* source, int32_t kind, bool force) {
  if (!source || !source->doc) return nullptr;
  CorvaneDoc* doc = NewCorvaneDoc(kind);
  if (!doc) return nullptr;
  if (kind != kTemporaryDocument) {
    doc->docProps = source->doc->docProps;
    if (!ImportStyles(doc, source->doc)) {
      DestroyDocument(doc);
      return nullptr;
    }
  }
  // The body up to the closing mark is replaced by the source.
  const DocRange body{doc, BodyStart(doc), doc->textLimit};
  if (!ReplaceRangeCore(&body, source, nullptr, 0, force)) {
    DestroyDocument(doc);
    return nullptr;
  }
  return doc;
}

void IdleEdit(CorvaneDoc* doc) {
  if (IsDisplayDeferred()) UndeferDisplay(1);
  if (!doc || !doc->overLimit) return;
  doc->overLimit = 0;
  GiveSimpleAlert(QStringLiteral("Document change failed."),
                  QStringLiteral("I can't perform the action you requested because it would make the document too "
                                 "large. The limit is 2 billion characters."));
}

// ---- Knots ----

bool InsertKnotCore(const DocRange* range, uint32_t type, uint32_t kinkCount, uint32_t propsCount,
                    const Properties* props, uint32_t extrasCount, const uint8_t* extras, bool wrap) {
  if (!range || !range->doc || type == kKnotNone || type >= kKnotTypeCount) return false;
  CorvaneDoc* doc = range->doc;
  if (kinkCount == 0) kinkCount = KinkCountForType(type);
  const KnotDesc& desc = KnotDescForType(type);
  if (kinkCount == 0 || kinkCount > kMaxKinks || (desc.knotClass == 0) != (kinkCount == 1)) return false;
  if (range->first == 0 || range->first > range->limit || range->limit > doc->textLimit) return false;
  // Wrapped text may not cut a knot, and chapters are never nested.
  if (wrap && !MarksBalanced(doc, range->first, range->limit)) return false;
  if (type == kKnotChapter) {
    // Deleting by stretches may keep marks, so a chapter replaces no text.
    if (!wrap && range->limit > range->first) return false;
    KnotFormat around;
    FetchKnot(doc, range->first, &around, 0);
    if (around.index != kNoCpValue) return false;
  }
  SetEditingKnot(true);
  const bool opened = HasHostView(doc) && IsMainThread();
  if (opened) DeferDisplay();
  InvalText(range, false);

  DocRange kept = *range;
  bool ok = true;
  if (!wrap) {
    ok = DeleteTextInRange(&kept);
    if (ok && kept.limit > kept.first) kept.first = LastReplaceCp() == kNoCpValue ? kept.first : LastReplaceCp();
    kept.limit = kept.first;
  }
  std::vector<uint32_t> written;  // the cps of the marks, in writing order
  for (uint32_t k = 0; ok && k < kinkCount; ++k) {
    const bool single = kinkCount == 1;
    const uint32_t role = single ? kKinkSingle : k == 0 ? kKinkBegin : k + 1 == kinkCount ? kKinkEnd : kKinkMiddle;
    const char16_t unit = role == kKinkBegin ? kKnotMark0
                          : role == kKinkMiddle ? char16_t(desc.middleMark)
                                                : char16_t(desc.endMark);
    // The begin mark goes before the text, the others after it.
    const uint32_t cp = k == 0 ? kept.first : kept.limit + 1 + (k - 1);
    KnotEntry entry;
    entry.type = type;
    entry.role = role;
    if (k < propsCount && props && props[k].type != kNoProperties) {
      Properties copy = props[k];
      entry.props = IndexForProperties(doc, &copy);
      if (entry.props == kNoPropertyIndex) ok = false;
    }
    if (k < extrasCount && extras) {
      const uint8_t* extra = extras + 12 * k;
      std::memcpy(&entry.word1, extra, 4);
      std::memcpy(&entry.word2, extra + 4, 4);
      std::memcpy(&entry.word3, extra + 8, 2);
      std::memcpy(&entry.opacity, extra + 10, 2);
    } else if (type == kKnotVariable) {
      entry.word2 = kNoCpValue;  // no bookmark
    }
    const DocRange at{doc, cp, cp};
    if (!ok || !EntryIsSound(doc, entry) || !ReplaceRangeSimple(&at, nullptr, &unit, 1)) {
      ok = false;
      break;
    }
    written.push_back(cp);
    ok = InsertInDynamicCPArray(doc->knots, FirstAtOrAfter(doc->knots, cp), cp, &entry);
    CSArrayCP* locations = LocationArray(doc, type);
    if (ok && locations && role == kKinkBegin)
      ok = InsertInDynamicCPArray(locations, FirstAtOrAfter(locations, cp), cp, nullptr);
  }
  if (!ok) {
    for (auto it = written.rbegin(); it != written.rend(); ++it) {
      const DocRange mark{doc, *it, *it + 1};
      ReplaceRangeSimple(&mark, nullptr, nullptr, 0);
    }
  } else {
    const uint32_t limit = written.back() + 1;
    InvalListCache(DocRange{doc, written.front(), limit});
    const DocRange knot{doc, written.front(), limit};
    InvalText(&knot, false);
  }
  if (opened) UndeferDisplay(desc.redrawMode ? desc.redrawMode : 2);
  SetEditingKnot(false);
  return ok;
}

bool InsertKnot(const DocRange* range, uint32_t type, uint32_t kinkCount, const Properties* props,
                const uint8_t* extras, bool wrap) {
  // The record and the extras belong to the begin (or single) mark.
  return InsertKnotCore(range, type, kinkCount, props ? 1 : 0, props, extras ? 1 : 0, extras, wrap);
}

bool InsertKink(CorvaneDoc* doc, uint32_t cp, uint32_t knotCp, const Properties* props, const uint8_t* extras) {
  if (!doc) return false;
  KnotFormat knot;
  FetchKnot(doc, knotCp, &knot, 0);
  // A middle mark lies between the knot's begin and end marks.
  if (knot.index == kNoCpValue || knot.start != knotCp || knot.knotClass == 0 || cp <= knot.start ||
      cp >= knot.limit || knot.kinkCount >= kMaxKinks)
    return false;
  const KnotDesc& desc = KnotDescForType(knot.entry.type);
  KnotEntry entry;
  entry.type = knot.entry.type;
  entry.role = kKinkMiddle;
  if (props && props->type != kNoProperties) {
    Properties copy = *props;
    entry.props = IndexForProperties(doc, &copy);
    if (entry.props == kNoPropertyIndex) return false;
  }
  if (extras) {
    std::memcpy(&entry.word1, extras, 4);
    std::memcpy(&entry.word2, extras + 4, 4);
    std::memcpy(&entry.word3, extras + 8, 2);
    std::memcpy(&entry.opacity, extras + 10, 2);
  }
  const char16_t unit = char16_t(desc.middleMark);
  const DocRange at{doc, cp, cp};
  if (!ReplaceRangeSimple(&at, nullptr, &unit, 1)) return false;
  if (!InsertInDynamicCPArray(doc->knots, FirstAtOrAfter(doc->knots, cp), cp, &entry)) {
    const DocRange mark{doc, cp, cp + 1};
    ReplaceRangeSimple(&mark, nullptr, nullptr, 0);
    return false;
  }
  return true;
}

void DeleteKnot(KnotFormat* format) {
  if (!format || !format->doc || format->index == kNoCpValue || format->kinkCount == 0) return;
  CorvaneDoc* doc = format->doc;
  // The leading chapter holds the document together.
  if (format->start == 0) return;
  const bool opened = HasHostView(doc) && IsMainThread();
  if (opened) DeferDisplay();
  const bool live = IsRangeRegistered(reinterpret_cast<const DocRange*>(format));
  uint32_t removed = 0;
  for (uint32_t i = format->kinkCount; i > 0; --i) {
    const uint32_t cp = format->kinks[i - 1];
    const DocRange mark{doc, cp, cp + 1};
    if (ReplaceRangeSimple(&mark, nullptr, nullptr, 0)) ++removed;
  }
  if (!live) format->limit -= std::min(removed, format->limit - format->start);
  InvalListCache(DocRange{doc, format->start, std::max(format->limit, format->start + 1)});
  const uint32_t redraw = KnotDescForType(format->entry.type).redrawMode;
  if (opened) UndeferDisplay(redraw ? redraw : 2);
}

// ---- Find codes ----

QString SubstituteCodes(const QString& string) {
  QString result;
  result.reserve(string.size());
  for (QChar ch : string) {
    switch (ch.unicode()) {
      case 1: result += QStringLiteral("^g"); break;
      case 2: result += QStringLiteral("^c"); break;
      case 3: result += QStringLiteral("^d"); break;
      case 9: result += QStringLiteral("^t"); break;
      case 10: result += QStringLiteral("^p"); break;
      case 11: result += QStringLiteral("^m"); break;
      case 12: result += QStringLiteral("^n"); break;
      case 0x00AD: result += QStringLiteral("^-"); break;
      case 0x2028: result += QStringLiteral("^l"); break;
      case u'^': result += QStringLiteral("^^"); break;
      default: result += ch;
    }
  }
  return result;
}

QString TranslateCodes(const QString& string, bool whole) {
  if (string.size() < 2) return string;
  if (whole && string.size() == 2 && string[0] == u'^') {
    switch (string[1].unicode()) {
      case u'g': return QString(QChar(1));
      case u'c': return QString(QChar(2));
      case u'd': return QString(QChar(3));
      default: break;
    }
  }
  QString result;
  result.reserve(string.size());
  for (qsizetype i = 0; i < string.size(); ++i) {
    const QChar ch = string[i];
    if (ch != u'^' || i + 1 >= string.size()) {
      result += ch;
      continue;
    }
    const char16_t code = string[i + 1].unicode();
    char16_t unit = 0;
    switch (code) {
      case u't': unit = 9; break;
      case u'p': unit = 10; break;
      case u'm': unit = 11; break;
      case u'n': unit = 12; break;
      case u'l': unit = 0x2028; break;
      case u'-': unit = 0x00AD; break;
      case u'^': unit = u'^'; break;
      case u'c':
      case u'd':
      case u'g':
        ++i;  // only a string that is the code alone finds the object
        continue;
      default:
        result += ch;  // kept as it stands
        continue;
    }
    result += QChar(unit);
    ++i;
  }
  return result;
}
