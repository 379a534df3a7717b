#include "richtext/PropertyChanges.h"

#include <algorithm>

#include "richtext/DisplayLines.h"
#include "richtext/Knots.h"
#include "richtext/LiveRanges.h"
#include "richtext/Panes.h"
#include "richtext/PropertyRuns.h"
#include "richtext/TextAccess.h"
#include "support/CSAssert.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

// The deferred-display bracket: its depth and the range gathered so far
// (null document when none).
struct DeferredDisplay {
  uint32_t count = 0;
  DocRange accumulated;
};
DeferredDisplay g_deferred;

CSArrayCP* RunsOfType(CorvaneDoc* doc, uint32_t type) {
  if (!doc) return nullptr;
  return type == kParaProperties ? doc->paraRuns : type == kCharProperties ? doc->charRuns : nullptr;
}

// The run holding cp: the last run starting at or before it.
uint32_t RunHolding(CSArrayCP* runs, uint32_t cp) {
  const uint32_t count = SizeOfDynamicCPArray(runs);
  if (count == 0) return 0;
  return std::min(IndexOfCp(runs, cp), count - 1);
}

// Makes a run start at cp (a copy of the run holding it, or of `propIndex`
// when that is given; a run starting there already gets `propIndex`).
// Answers its index, or -1.
int64_t SplitAt(CSArrayCP* runs, uint32_t cp, uint32_t propIndex) {
  const uint32_t count = SizeOfDynamicCPArray(runs);
  if (cp >= MaxCp(runs)) return count;
  if (count == 0 || cp < CpAtIndex(runs, 0)) {
    // Runs begin at 0; without one there is no record to copy.
    if (propIndex == kNoPropertyIndex) return 0;
    return InsertInDynamicCPArray(runs, 0, cp, &propIndex) ? 0 : -1;
  }
  const uint32_t holding = RunHolding(runs, cp);
  if (CpAtIndex(runs, holding) == cp) {
    if (propIndex != kNoPropertyIndex) ReplaceDynamicCPArrayEntry(runs, holding, &propIndex);
    return holding;
  }
  uint32_t index = propIndex;
  if (index == kNoPropertyIndex) FetchDynamicCPArrayEntry(runs, holding, &index);
  return InsertInDynamicCPArray(runs, holding + 1, cp, &index) ? int64_t(holding) + 1 : -1;
}

// The index of the run starting at cp, or the count when none does (cp at
// or past the text's end).
uint32_t RunStartingAt(CSArrayCP* runs, uint32_t cp) {
  const uint32_t count = SizeOfDynamicCPArray(runs);
  if (count == 0 || cp >= MaxCp(runs)) return count;
  const uint32_t holding = RunHolding(runs, cp);
  return CpAtIndex(runs, holding) == cp ? holding : count;
}

uint32_t LastCpOf(const DocRange& range) { return range.limit > range.first ? range.limit - 1 : range.first; }

void AddToDeferred(const DocRange& range) {
  DocRange& gathered = g_deferred.accumulated;
  if (!gathered.doc) {
    gathered = range;
    RegisterRange(&gathered, 0);
  } else if (gathered.doc == range.doc) {
    gathered.first = std::min(gathered.first, range.first);
    gathered.limit = std::max(gathered.limit, range.limit);
  }
}

}  // namespace

// ---- Runs ----

int32_t SplitRuns(const DocRange* range, DocRange* outRange, uint32_t type, uint32_t* outLimitIndex,
                  uint32_t propIndex, bool toParagraphs) {
  if (!range) return -1;
  DocRange used = *range;
  if (toParagraphs && type == kParaProperties) ExpandDocRange(&used, kExpandParagraphs);
  if (outRange) *outRange = used;
  CSArrayCP* runs = RunsOfType(used.doc, type);
  if (!runs || used.first > used.limit) return -1;
  // The limit first, so that a run of propIndex at the first cp does not
  // spread past the range.
  if (SplitAt(runs, used.limit, kNoPropertyIndex) < 0) return -1;
  const int64_t first = SplitAt(runs, used.first, propIndex);
  if (first < 0) return -1;
  if (outLimitIndex) *outLimitIndex = RunStartingAt(runs, used.limit);
  return int32_t(first);
}

uint32_t RunIndexForCp(CSArrayCP* runs, uint32_t cp, uint32_t* outIndex) {
  const uint32_t count = SizeOfDynamicCPArray(runs);
  const uint32_t holding = RunHolding(runs, cp);
  if (outIndex) *outIndex = holding;
  if (count == 0) return kNoPropertyIndex;
  uint32_t index = kNoPropertyIndex;
  FetchDynamicCPArrayEntry(runs, holding, &index);
  return index;
}

bool EnforceFormatAtCp(CSArrayCP* runs, uint32_t cp, uint32_t propIndex) {
  if (!runs || cp >= MaxCp(runs) || propIndex == kNoPropertyIndex) return false;
  return SplitAt(runs, cp, propIndex) >= 0;
}

bool ApplyPropsToRange(const DocRange* range, const Properties* props, uint32_t undo) {
  if (!range || !range->doc || !props) return false;
  const uint32_t type = props->type;
  if (type != kCharProperties && type != kParaProperties) return false;
  CorvaneDoc* doc = range->doc;
  DocRange whole = *range;
  if (type == kParaProperties) ExpandDocRange(&whole, kExpandParagraphs);
  if (undo && !SetUndoForRange(&whole, 8, undo, 0xFFFFFFFF)) return false;
  CSArrayCP* runs = RunsOfType(doc, type);

  const bool perRun = type == kCharProperties && props->body.charProps.style == kKeepRunStyle;
  uint32_t propIndex = kNoPropertyIndex;
  if (!perRun) {
    Properties record = *props;
    propIndex = IndexForProperties(doc, &record);
    if (propIndex == kNoPropertyIndex) return false;
  }

  bool ok = true;
  RegisterRange(&whole, 0);
  DocRange rest = whole;
  DocRange stretch;
  while (ok && NextEditRange(&rest, &stretch, nullptr, kEditRangeShown, nullptr)) {
    if (stretch.first >= stretch.limit) continue;
    uint32_t limitIndex = 0;
    const int32_t first = SplitRuns(&stretch, nullptr, type, &limitIndex, propIndex, false);
    if (first < 0) {
      ok = false;
      break;
    }
    if (perRun) {
      for (uint32_t i = uint32_t(first); i < limitIndex; ++i) {
        uint32_t index = kNoPropertyIndex;
        FetchDynamicCPArrayEntry(runs, i, &index);
        const Properties* current = PropertiesAtIndex(doc, index);
        Properties record = *props;
        record.body.charProps.style =
            current && current->type == kCharProperties ? current->body.charProps.style : 0;
        const uint32_t newIndex = IndexForProperties(doc, &record);
        if (newIndex == kNoPropertyIndex) {
          ok = false;
          break;
        }
        ReplaceDynamicCPArrayEntry(runs, i, &newIndex);
      }
    } else if (limitIndex > uint32_t(first) + 1) {
      DeleteFromDynamicCPArray(runs, uint32_t(first) + 1, limitIndex - uint32_t(first) - 1);
    }
  }
  UnregisterRange(&whole);
  FinishPropertyEdit(&whole, type == kParaProperties ? 1 : 2);
  if (undo) CommitUndoForRange(&whole);
  return ok;
}

void ExpandDocRange(DocRange* range, uint32_t mode) {
  if (!range || !range->doc || range->doc->expansionLock) return;
  CorvaneDoc* doc = range->doc;
  const uint32_t last = LastCpOf(*range);
  switch (mode) {
    case kExpandWords: {
      DocRange paragraph;
      FetchParaProps(doc, nullptr, last, &paragraph, nullptr);
      const uint32_t first = WordStart(doc, nullptr, range->first);
      const uint32_t limit = std::min(paragraph.limit, WordLimit(doc, nullptr, last, false));
      range->first = first;
      range->limit = std::max(limit, first);
      break;
    }
    case kExpandParagraphs: {
      DocRange firstParagraph, lastParagraph;
      FetchParaProps(doc, nullptr, range->first, &firstParagraph, nullptr);
      FetchParaProps(doc, nullptr, last, &lastParagraph, nullptr);
      uint32_t limit = lastParagraph.limit;
      DocRange knot;
      if (CpIsWithinKnot(doc, last, kKnotList, &knot) || CpIsWithinKnot(doc, last, kKnotContents, &knot))
        limit = std::min(limit, knot.limit - 1);
      range->first = std::max(firstParagraph.first, FirstVisibleCp(doc));
      range->limit = std::max(limit, range->first);
      break;
    }
    case kExpandChapters: {
      DocRange firstChapter, lastChapter;
      FetchChapterProps(doc, range->first, &firstChapter, nullptr);
      FetchChapterProps(doc, last, &lastChapter, nullptr);
      range->first = firstChapter.first;
      range->limit = std::max(lastChapter.limit, range->first);
      break;
    }
    case kExpandTables:
    case kExpandLists: {
      const uint32_t type = mode == kExpandTables ? kKnotTable : kKnotList;
      DocRange knot;
      const uint32_t from = std::max(range->first, range->limit ? range->limit - 1 : 0);
      if (CpIsWithinKnot(doc, range->first, type, &knot)) range->first = knot.first;
      if (CpIsWithinKnot(doc, from, type, &knot)) range->limit = knot.limit;
      range->limit = std::max(range->limit, range->first);
      break;
    }
    default:
      break;
  }
}

// ---- Deferred display ----

void DeferDisplay() {
  if (!IsMainThread()) return;
  if (g_deferred.count == 0) {
    if (g_deferred.accumulated.doc) UnregisterRange(&g_deferred.accumulated);
    g_deferred.accumulated = DocRange{};
  }
  ++g_deferred.count;
}

void UndeferDisplay(uint32_t reason) {
  if (!IsMainThread() || g_deferred.count == 0) return;
  if (--g_deferred.count > 0) return;
  DocRange& gathered = g_deferred.accumulated;
  if (!gathered.doc) return;
  UnregisterRange(&gathered);
  CorvaneDoc* doc = gathered.doc;
  const uint32_t first = gathered.first;
  gathered = DocRange{};
  if (reason != 0) InvalAfterEdit(doc, first);
}

bool IsDisplayDeferred() { return g_deferred.count > 0; }

void AccumulateDefer(const DocRange* range) {
  if (!range || !range->doc || !range->doc->hostWindow) return;
  InvalText(range, false);
  AddToDeferred(*range);
}

const DocRange* DeferredDisplayRange() { return g_deferred.accumulated.doc ? &g_deferred.accumulated : nullptr; }

// ---- Invalidation ----

void InvalText(const DocRange* range, bool fromParagraphStart) {
  if (!range || !range->doc || !range->doc->hostWindow) return;
  CorvaneDoc* doc = range->doc;
  uint32_t start = range->first;
  if (fromParagraphStart) {
    while (start > 0 && !IsParaBreak(CharacterAtCp(doc, start - 1))) --start;
  } else if (start > 0) {
    --start;
  }
  InvalTextInPanes(doc, start, range->limit + 1);
}

void InvalAfterEdit(CorvaneDoc*, uint32_t) {}

void FinishPropertyEdit(const DocRange* range, uint32_t redrawMode) {
  if (!range || !range->doc) return;
  InvalText(range, false);
  if (!range->doc->hostWindow) return;
  if (IsDisplayDeferred())
    AccumulateDefer(range);
  else
    InvalAfterEdit(range->doc, redrawMode);
}
