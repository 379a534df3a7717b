#include "richtext/Selection.h"

#include <QRectF>
#include <algorithm>

#include "richtext/CorvaneHost.h"
#include "richtext/DisplayLines.h"
#include "richtext/DrawLine.h"
#include "richtext/Knots.h"
#include "richtext/LineFormat.h"
#include "richtext/Locator.h"
#include "richtext/Panes.h"
#include "richtext/PropertyRuns.h"
#include "richtext/Styles.h"
#include "richtext/Tables.h"
#include "richtext/TextAccess.h"
#include "support/DynamicArrays.h"
#include "support/TextUtilities.h"

namespace {

bool g_suppressSelectionScroll = false;

// SafeMoveCp repeats its steps until nothing moves; every step but a
// reversal moves towards one end, so a handful of rounds always suffices.
// The bound only guards against knots laid out against each other.
constexpr uint32_t kMaxSafeMoveRounds = 64;

uint32_t PaneLastCp(const DocRange& range) {
  return range.limit > range.first ? range.limit - 1 : range.first;
}

bool HasHostView(const CorvaneDoc* doc) {
  return doc && doc->hostWindow;
}

bool SelectionDisplaySuppressed(const CorvaneDoc* doc) {
  return doc->moreFlags[kDocNoSelectionDisplay] != 0;
}

uint32_t AnchorOf(const Pane* pane) {
  return uint32_t(std::max(pane->anchor, 0));
}
uint32_t EndOf(const Pane* pane) {
  return uint32_t(std::max(pane->end, 0));
}

bool IsColumnSelection(const Pane* pane) {
  return pane->granularity == kGranularityCells && pane->firstColumn != kNoCpValue;
}

// The range of the knot of the type around cp; false when cp lies in none.
bool KnotAround(CorvaneDoc* doc, uint32_t cp, uint32_t type, KnotFormat* knot) {
  FetchKnot(doc, cp, knot, type);
  return knot->index != kNoCpValue && knot->limit > knot->start;
}

// Invalidates the cached lines of the pane that hold first..limit; a table
// row's cells are marked one by one, and a row wholly inside the range
// invalidates the whole view.
void MarkCachedLines(CorvaneDoc* doc, Pane* pane, uint32_t first, uint32_t limit) {
  CSArrayCP* cache = pane->displayLines;
  const uint32_t count = SizeOfDynamicCPArray(cache);
  if (count == 0) return;
  const uint32_t from = std::max(first, CpAtIndex(cache, 0));
  const uint32_t to = std::min(limit, MaxCp(cache));
  if (from >= to) return;
  LineFormat rowLine;
  bool rowLineReady = false;
  for (uint32_t i = SafeIndexOfCp(cache, from, false); i < count; ++i) {
    const uint32_t lineCp = CpAtIndex(cache, i);
    if (lineCp >= to) break;
    const DisplayLine* line = DisplayLineAtIndex(cache, i);
    if (!line) break;
    const QRectF rect(line->left, line->top, line->width, line->height);
    if (line->kind != 3) {
      InvalViewRect(pane, rect);
      continue;
    }
    const uint32_t lineLimit = CpAtIndex(cache, i + 1);
    if (lineCp >= first && lineLimit <= limit) {
      InvalView(pane);
      break;
    }
    if (!rowLineReady) rowLineReady = InitFormatLine(doc, pane, &rowLine, kLineKeepRuns);
    if (!rowLineReady) {
      InvalViewRect(pane, rect);
      continue;
    }
    FormatLine(lineCp, DraftWidth(doc, pane), &rowLine);
    MarkTableLines(pane, &rowLine, std::max(from, lineCp), std::min(to, lineLimit), rect);
  }
  if (rowLineReady) ReleaseLineFormat(&rowLine);
}

// The cp whose character properties a caret at the anchor takes, walked off
// the marks whose character properties are not the text's.
uint32_t CaretSourceCp(CorvaneDoc* doc, Pane* pane) {
  DocRange range;
  GetPaneRange(doc, pane, &range);
  const uint32_t lowest = pane->contentsKind < 2 ? FirstDocumentCp(doc) : range.first;
  const uint32_t anchor = AnchorOf(pane);
  DocRange paragraph;
  FetchParaProps(doc, pane, anchor, &paragraph, nullptr);
  const bool paragraphStart = FirstVisibleCpInPara(doc, pane, paragraph.first) == anchor;
  uint32_t cp = paragraphStart || anchor == 0 ? anchor : anchor - 1;
  bool backward = !paragraphStart;
  for (uint32_t guard = 0; guard <= doc->cpLimit; ++guard) {
    if (cp < lowest || cp >= doc->textLimit) break;
    KnotEntry entry;
    if (!KnotEntryAtCp(doc, cp, &entry)) break;
    uint32_t next = cp;
    if (entry.type == kKnotNote && pane->contentsKind < 2) {
      KnotFormat note;
      if (!KnotAround(doc, cp, kKnotNote, &note)) break;
      next = backward ? (note.start > 0 ? note.start - 1 : kNoCpValue) : note.limit;
    } else if (entry.type == kKnotVariable || entry.type == kKnotLink) {
      CharProps props;
      FetchCharProps(doc, nullptr, cp, &props);
      const StyleEntry style = StyleEntryAt(doc, props.style);
      if (props.style == 0 || style.type != kCharProperties) break;
      next = backward ? (cp > 0 ? cp - 1 : kNoCpValue) : cp + 1;
    } else {
      break;
    }
    // A walk that would leave the range turns round once.
    if (next == kNoCpValue || next < lowest) {
      if (!backward) break;
      backward = false;
      next = cp + 1;
    }
    if (next == cp) break;
    cp = next;
  }
  return std::clamp(cp, range.first, PaneLastCp(range));
}

}  // namespace

bool SetSelectionScrollSuppressed(bool suppressed) {
  const bool previous = g_suppressSelectionScroll;
  g_suppressSelectionScroll = suppressed;
  return previous;
}

bool IsSelectionScrollSuppressed() {
  return g_suppressSelectionScroll;
}

// ---- Setting ----------------------------------------------------------------------

void SelectCps(CorvaneDoc* doc, uint32_t first, uint32_t limit, bool scroll) {
  SelectCpsCore(doc, first, limit, scroll, false);
}

void SelectRange(const DocRange& range, bool scroll) {
  SelectCps(range.doc, range.first, range.limit, scroll);
}

void SelectInPane(const DocRange& range) {
  SelectRange(range, true);
}

void SelectCpsCore(CorvaneDoc* doc, uint32_t first, uint32_t limit, bool scroll, bool caretAtLineEnd) {
  Pane* pane = CurrentPane(doc);
  if (!pane) return;
  if (first > limit) std::swap(first, limit);
  if (IsPasswordLocked(doc)) {
    pane->anchor = int32_t(std::min(first, doc->textLimit));
    pane->end = int32_t(std::min(limit, doc->textLimit));
    return;
  }
  if (ExcludesFinalMark(doc) && limit == doc->textLimit && limit > 0) --limit;
  NoteSelectionWillChange(doc);
  StartSelection(doc, first, std::max(first, limit));
  pane->selectionFlags[kSelCaretAtLineEnd] = caretAtLineEnd ? 1 : 0;
  if (pane->anchor != pane->end) {
    KnotFormat list;
    if (SelectStreamEdge(doc, pane, &list)) {
      pane->anchor = std::min(pane->anchor, int32_t(list.start));
      pane->end = std::max(pane->end, int32_t(list.limit));
    }
  }
  bool caretShown = false;
  if (scroll && !g_suppressSelectionScroll && HasHostView(doc) && pane->view) {
    EnsureSelVisible(doc, pane);
    pane->selectionFlags[kSelHighlightShown] = 0;
    TurnOnSel(doc);
    caretShown = true;
  }
  OverridePaneContents(pane, 0);
  if (HasHostView(doc) && !SelectionDisplaySuppressed(doc)) {
    UpdateStylePopup(doc);
    if (!caretShown) InvalidateSel(doc);
  }
  NoteSelectionChanged(doc);
}

void StartSelection(CorvaneDoc* doc, uint32_t first, uint32_t limit) {
  Pane* pane = CurrentPane(doc);
  if (!pane) return;
  TurnOffSel(doc);
  DocRange range;
  GetPaneRange(doc, pane, &range);
  uint32_t largestEnd = range.limit;
  if (pane->contentsKind != 0 && pane->contentsKind != 1 && pane->contentsKind != 4 && largestEnd > range.first)
    --largestEnd;
  const int32_t previousAnchor = pane->anchor;
  const bool remembers = pane->rememberedCp >= 0;
  pane->selectionFlags[kSelHighlightShown] = 0;
  pane->selectionFlags[kSelCaretAtLineEnd] = 0;
  pane->selectionFlags[kSelActiveEnd] = kActiveEndUnset;
  pane->firstColumn = kNoCpValue;
  pane->columnLimit = kNoCpValue;
  pane->objectSelection = kNoCpValue;
  pane->granularity = kGranularityChars;
  const uint32_t lastStart = largestEnd > 0 ? largestEnd - 1 : 0;
  const uint32_t anchor = VisibleCp(doc, pane, std::min(lastStart, first), true);
  uint32_t end = std::min(largestEnd, limit);
  if (first != limit)
    end = VisibleSelectionEnd(doc, std::max(end, anchor), anchor);
  else
    end = anchor;
  pane->anchor = int32_t(anchor);
  pane->end = int32_t(end);
  pane->goalX = -1.0f;
  pane->rememberedCp = remembers ? previousAnchor : int32_t(anchor);
  if (anchor == end) SetInsertionPropsFromText(doc, pane);
}

uint32_t VisibleSelectionEnd(CorvaneDoc* doc, uint32_t end, uint32_t anchor) {
  if (end == 0) return std::max(anchor, end);
  const uint32_t visible = VisibleCp(doc, CurrentPane(doc), end, false);
  if (visible == end || visible + 1 == end) return end;
  return std::max(anchor, visible + 1);
}

bool SelectStreamEdge(CorvaneDoc* doc, const Pane* selection, KnotFormat* outKnot) {
  if (!doc || !selection) return false;
  const uint32_t anchor = AnchorOf(selection);
  const uint32_t end = EndOf(selection);
  KnotFormat list;
  bool grows = false;
  if (KnotAround(doc, anchor, kKnotList, &list) && anchor == list.start + 1 && end + 1 >= list.limit) {
    grows = true;
  } else if (end > 0 && KnotAround(doc, end - 1, kKnotList, &list) && end + 1 >= list.limit && anchor <= list.start) {
    grows = true;
  }
  if (grows && outKnot) *outKnot = list;
  return grows;
}

void FixBookmarkSelection(CorvaneDoc* doc, Pane* selection, uint32_t knotType) {
  if (!doc || !selection) return;
  const uint32_t anchor = AnchorOf(selection);
  const uint32_t end = EndOf(selection);
  KnotFormat knot;
  if (KnotAround(doc, anchor, knotType, &knot)) {
    selection->anchor = int32_t(knot.start);
  } else if (end >= anchor + 2 && KnotAround(doc, end - 1, knotType, &knot)) {
    selection->anchor = int32_t(std::min(anchor, knot.start));
  } else {
    return;
  }
  selection->end = int32_t(std::max(end, knot.limit));
}

void CollapseColumnSelection(CorvaneDoc* doc, bool toStart) {
  Pane* pane = CurrentPane(doc);
  if (!pane || !IsColumnSelection(pane)) return;
  KnotFormat table, row;
  if (!FetchTable(doc, AnchorOf(pane), &table, &row, nullptr)) return;
  uint32_t target = table.limit;
  const uint32_t column = toStart ? pane->firstColumn : pane->columnLimit;
  if (column < RowCellCount(row)) {
    DocRange cell;
    if (IndexAndRangeForCell(table, row, kNoCpValue, int32_t(column), &cell) >= 0) target = cell.first;
  }
  SelectCps(doc, target, target, true);
}

// ---- Reading ----------------------------------------------------------------------

void GetSelectionRange(CorvaneDoc* doc, DocRange* outRange) {
  if (!outRange) return;
  const Pane* pane = CurrentPane(doc);
  *outRange = DocRange{doc, pane ? AnchorOf(pane) : 0, pane ? EndOf(pane) : 0};
}

bool IsSelectionPicture(CorvaneDoc* doc, uint32_t* outPictureIndex) {
  const Pane* pane = CurrentPane(doc);
  if (!pane || pane->end != pane->anchor + 1 || pane->anchor < 0) return false;
  KnotEntry entry;
  if (!KnotEntryAtCp(doc, AnchorOf(pane), &entry) || entry.type != kKnotPicture) return false;
  if (outPictureIndex) *outPictureIndex = entry.word1;
  return true;
}

bool PaneContentsForRange(CorvaneDoc*, int32_t* out) {
  if (out) *out = -1;
  return false;
}

void InitSelectionEnum(CorvaneDoc* doc, Pane* pane, const DocRange* range, bool forward, SelectionEnum* outEnum) {
  if (!outEnum) return;
  *outEnum = SelectionEnum{};
  outEnum->doc = doc;
  outEnum->forward = forward ? 1 : 0;
  if (!pane) pane = CurrentPane(doc);
  if (!pane) return;
  outEnum->selFirst = std::min(AnchorOf(pane), EndOf(pane));
  outEnum->selLimit = std::max(AnchorOf(pane), EndOf(pane));
  if (IsColumnSelection(pane)) {
    outEnum->firstColumn = pane->firstColumn;
    outEnum->columnLimit = pane->columnLimit;
    return;
  }
  if (!range) return;
  if (pane->objectSelection != kNoCpValue) {
    outEnum->selFirst = std::min(outEnum->selFirst, range->first);
    outEnum->selLimit = std::max(outEnum->selLimit, range->limit);
  } else {
    outEnum->selFirst = std::min(range->first, range->limit);
    outEnum->selLimit = std::max(range->first, range->limit);
  }
}

bool NextSelectionRange(SelectionEnum* selection) {
  if (!selection || !selection->doc) return false;
  SelectionEnum& e = *selection;
  if (e.firstColumn == kNoCpValue) {
    if (e.rowCp != kNoCpValue) return false;
    e.first = e.selFirst;
    e.limit = e.selLimit;
    e.rowCp = e.selLimit;
    return true;
  }
  if (e.columnLimit <= e.firstColumn) return false;
  KnotFormat table, row;
  if (e.forward) {
    if (e.rowCp == kNoCpValue) {
      if (!FetchTable(e.doc, e.selFirst, &table, &row, nullptr)) return false;
      e.column = e.firstColumn;
    } else {
      if (!FetchTable(e.doc, e.rowCp, &table, &row, nullptr)) return false;
      ++e.column;
      if (e.column >= e.columnLimit || e.column >= RowCellCount(row)) {
        // The next row, while it starts before the table's end mark.
        if (e.selLimit == 0 || row.limit >= e.selLimit - 1) return false;
        if (!FetchTable(e.doc, row.limit, &table, &row, nullptr) || row.start < e.rowCp + 1) return false;
        e.column = e.firstColumn;
      }
    }
  } else {
    if (e.rowCp == kNoCpValue) {
      if (e.selLimit < 3 || !FetchTable(e.doc, e.selLimit - 3, &table, &row, nullptr)) return false;
      e.column = std::min(e.columnLimit, RowCellCount(row));
      if (e.column <= e.firstColumn) return false;
      --e.column;
    } else {
      if (!FetchTable(e.doc, e.rowCp, &table, &row, nullptr)) return false;
      if (e.column > e.firstColumn) {
        --e.column;
      } else {
        // The row before, while it lies after the table's begin mark.
        if (row.start == 0 || row.start - 1 <= e.selFirst) return false;
        if (!FetchTable(e.doc, row.start - 1, &table, &row, nullptr) || row.start >= e.rowCp) return false;
        e.column = std::min(e.columnLimit, RowCellCount(row));
        if (e.column <= e.firstColumn) return false;
        --e.column;
      }
    }
  }
  e.rowCp = row.start;
  DocRange cell;
  if (IndexAndRangeForCell(table, row, kNoCpValue, int32_t(e.column), &cell) < 0) return false;
  e.first = cell.first;
  e.limit = cell.limit;
  return true;
}

// ---- Showing ----------------------------------------------------------------------

void TurnOffSel(CorvaneDoc* doc) {
  Pane* pane = CurrentPane(doc);
  if (!pane) return;
  if (pane->objectSelection == kNoCpValue && !pane->selectionFlags[kSelHighlightShown] && pane->anchor == pane->end) {
    pane->selectionFlags[kSelHighlightShown] = 0;
    return;
  }
  ToggleSel(doc);
  pane->selectionFlags[kSelHighlightShown] = 0;
}

void TurnOnSel(CorvaneDoc* doc) {
  Pane* pane = CurrentPane(doc);
  if (!pane) return;
  if (pane->objectSelection != kNoCpValue || !pane->selectionFlags[kSelHighlightShown] || pane->anchor != pane->end)
    ToggleSel(doc);
}

void InvalidateSel(CorvaneDoc* doc) {
  Pane* pane = CurrentPane(doc);
  if (!pane) return;
  if (pane->objectSelection != kNoCpValue || pane->anchor == pane->end) {
    TurnOffSel(doc);
    return;
  }
  MarkCps(doc, pane, AnchorOf(pane), EndOf(pane));
}

void MarkCps(CorvaneDoc* doc, Pane* pane, uint32_t first, uint32_t limit) {
  if (!doc || !pane) return;
  if (IsColumnSelection(pane)) {
    InvalView(pane);
    return;
  }
  if (first > limit) std::swap(first, limit);
  MarkCachedLines(doc, pane, first, limit);
}

void MarkRange(uint32_t first, uint32_t limit, CorvaneDoc* doc) {
  MarkCps(doc, CurrentPane(doc), first, limit);
}

void MarkRangeCallback(int32_t first, int32_t limit, void* doc) {
  MarkRange(uint32_t(std::max(first, 0)), uint32_t(std::max(limit, 0)), static_cast<CorvaneDoc*>(doc));
}

bool ChangeTextSelection(CorvaneDoc* doc, uint32_t newCp, uint32_t pivot, uint32_t unitFirst, uint32_t unitLimit) {
  Pane* pane = CurrentPane(doc);
  if (!pane) return false;
  DocRange range;
  GetPaneRange(doc, pane, &range);
  const auto clampCp = [&](uint32_t cp) { return int32_t(std::clamp(cp, range.first, range.limit)); };
  int32_t start = pane->anchor;
  int32_t end = pane->end;
  const bool nonEmpty = ChangeLinearSelection(clampCp(newCp), clampCp(pivot), &start, &end, clampCp(unitFirst),
                                              clampCp(unitLimit), MarkRangeCallback, doc);
  pane->anchor = start;
  pane->end = end;
  return nonEmpty;
}

// ---- Caret properties -----------------------------------------------------------------

void SetCaretCharProps(CorvaneDoc* doc, const CharProps& props) {
  if (Pane* pane = CurrentPane(doc)) pane->caretProps = props;
}

void SetInsertionPropsFromText(CorvaneDoc* doc, Pane* pane) {
  if (!doc || IsDocumentLocked(doc)) return;
  if (!pane) pane = CurrentPane(doc);
  if (!pane || pane->anchor != pane->end || pane->objectSelection != kNoCpValue) return;
  const uint32_t cp = CaretSourceCp(doc, pane);
  CharProps props;
  FetchCharProps(doc, nullptr, cp, &props);
  const bool lastOfExcluded = ExcludesFinalMark(doc) && doc->textLimit > 0 && cp == doc->textLimit - 1;
  if (lastOfExcluded || StyleEntryAt(doc, props.style).type == 6) {
    Properties record;
    InitProperties(kCharProperties, &record, nullptr);
    SetDefaultProperties(doc, kCharProperties, &record);
    props = record.body.charProps;
  }
  pane->caretProps = props;
}

// ---- Moving by cp -------------------------------------------------------------------

uint32_t SafeMoveCp(CorvaneDoc* doc, uint32_t cp, uint32_t stopCp, uint32_t flags) {
  Pane* pane = CurrentPane(doc);
  if (!pane) return cp;
  DocRange range;
  GetPaneRange(doc, pane, &range);
  const uint32_t last = PaneLastCp(range);
  bool backward = flags & kSafeMoveBackward;
  const bool after = (flags & kSafeMoveAfterChar) && !backward;
  // The place after the last character is the range's limit.
  cp = std::clamp(cp, range.first, after ? range.limit : last);
  for (uint32_t round = 0; round < kMaxSafeMoveRounds; ++round) {
    const uint32_t start = cp;
    if (!(flags & kSafeMoveNoParagraphRule)) {
      for (uint32_t guard = 0; guard <= range.limit - range.first; ++guard) {
        if (cp >= doc->cpLimit || !IsParaBreak(CharacterAtCp(doc, cp))) break;
        DocRange paragraph;
        FetchParaProps(doc, pane, cp, &paragraph, nullptr);
        if (paragraph.limit == 0 || cp + 1 != paragraph.limit) break;
        if (!backward) {
          if (cp >= last) break;
          ++cp;
        } else {
          if (cp <= paragraph.first || cp <= range.first) break;
          --cp;
        }
      }
    }
    if ((flags & kSafeMoveAfterChar) && !backward) {
      if (cp > range.first) {
        const uint32_t visible = VisibleCp(doc, pane, cp - 1, true);
        if (visible == cp - 1 && visible <= last) {
          if (ExcludesFinalMark(doc) && cp == doc->textLimit) return cp - 1;
          KnotFormat knot;
          for (const uint32_t type : {kKnotBookmark, kKnotTag}) {
            if (KnotAround(doc, cp, type, &knot) && cp != knot.start && cp != knot.limit) return knot.limit;
          }
          return cp;
        }
        cp = std::min(range.limit, std::max(visible, cp - 1) + 1);
      } else {
        cp = std::min(range.limit, VisibleCp(doc, pane, cp, true) + 1);
      }
    } else {
      KnotFormat knot;
      bool walked = false;
      for (const uint32_t type : {kKnotBookmark, kKnotTag}) {
        if (!walked && KnotAround(doc, cp, type, &knot) && cp != knot.start) {
          const uint32_t edge = backward ? knot.start : std::min(knot.limit, last);
          if (edge != cp) {
            cp = edge;
            walked = true;
          }
        }
      }
      if (!walked) {
        KnotEntry entry;
        if (backward && stopCp != kNoCpValue && KnotEntryAtCp(doc, cp, &entry) && entry.type == kKnotList &&
            entry.role == kKinkBegin) {
          const uint32_t firstVisible = VisibleCp(doc, pane, cp, true);
          if (firstVisible < stopCp) return firstVisible;
        }
        const uint32_t visible = std::min(VisibleCp(doc, pane, cp, !backward), last);
        if (visible == cp) return cp;
        cp = visible;
      }
    }
    if (cp == start) return cp;
    backward = cp < start;
  }
  return std::clamp(cp, range.first, range.limit);
}

uint32_t CpOnLine(const Pane* selection, uint32_t* outCp) {
  if (!selection) return 0;
  const uint32_t anchor = AnchorOf(selection);
  if (outCp) *outCp = anchor;
  if (selection->anchor == selection->end && selection->selectionFlags[kSelCaretAtLineEnd] && anchor > 0)
    return anchor - 1;
  return anchor;
}

namespace {

void SelectVertically(CorvaneDoc* doc, Pane* pane, uint32_t targetCp, bool targetAtLineEnd, bool extend, bool fromEnd,
                      bool down) {
  if (!doc) return;
  if (!pane) pane = CurrentPane(doc);
  if (!pane || pane != CurrentPane(doc)) return;
  if (extend) {
    uint32_t target = targetCp;
    if (pane->granularity == kGranularityWords) {
      target = down ? WordLimit(doc, pane, target, false) : WordStart(doc, pane, target > 0 ? target - 1 : 0);
    }
    target =
        SafeMoveCp(doc, target, kNoCpValue,
                   down ? kSafeMoveNoParagraphRule | kSafeMoveAfterChar : kSafeMoveBackward | kSafeMoveNoParagraphRule);
    const uint32_t anchor = AnchorOf(pane);
    const uint32_t end = EndOf(pane);
    if (fromEnd) target = std::max(target, anchor);
    const uint32_t pivot = fromEnd ? anchor : end;
    NoteSelectionWillChange(doc);
    const bool range = ChangeTextSelection(doc, target, pivot, pivot, pivot);
    pane->selectionFlags[kSelHighlightShown] = range ? 1 : 0;
    NoteSelectionChanged(doc);
    return;
  }
  const uint32_t target = SafeMoveCp(doc, targetCp, kNoCpValue,
                                     down ? kSafeMoveNoParagraphRule : kSafeMoveBackward | kSafeMoveNoParagraphRule);
  const float goalX = pane->goalX;
  SelectCpsCore(doc, target, target, true, targetAtLineEnd);
  pane->goalX = goalX;
  if (!pane->selectionFlags[kSelHighlightShown]) TurnOnSel(doc);
}

}  // namespace

void SelectDown(CorvaneDoc* doc, Pane* pane, uint32_t targetCp, bool targetAtLineEnd, bool extend, bool fromEnd) {
  SelectVertically(doc, pane, targetCp, targetAtLineEnd, extend, fromEnd, true);
}

void SelectUp(CorvaneDoc* doc, Pane* pane, uint32_t targetCp, bool targetAtLineEnd, bool extend, bool fromEnd) {
  SelectVertically(doc, pane, targetCp, targetAtLineEnd, extend, fromEnd, false);
}

// ---- Showing through the locator ----------------------------------------------------

namespace {

// The rectangle of the character (or caret cell) at cp on its cached line.
bool CaretCellRect(CorvaneDoc* doc, Pane* pane, uint32_t cp, QRectF* cell) {
  Locator locator;
  InitLocator(doc, pane, &locator);
  locator.cp = cp;
  return GetRectContainingCp(&locator, cell, false);
}

}  // namespace

void EnsureSelVisible(CorvaneDoc* doc, Pane* pane) {
  if (!doc || !pane) return;
  Locator locator;
  InitLocator(doc, pane, &locator);
  locator.cp = AnchorOf(pane);
  QRectF line;
  IsLocationVisible(&locator, &line, true);
}

void ShowSelection(CorvaneDoc* doc, bool collapseToRemembered, bool flash) {
  Pane* pane = CurrentPane(doc);
  if (!pane) return;
  if (collapseToRemembered && pane->rememberedCp >= 0) {
    const uint32_t cp = uint32_t(pane->rememberedCp);
    SelectCps(doc, cp, cp, false);
  }
  EnsureSelVisible(doc, pane);
  if (flash) FlashSelection(pane);
}

bool ShowDragPosition(CorvaneDoc* doc, Pane* pane, const DocRange& draggedRange, double x, double y) {
  const auto removeMark = [&] {
    if (pane && pane->dragMarkCp > 0) {
      const uint32_t old = uint32_t(pane->dragMarkCp);
      pane->dragMarkCp = 0;
      MarkCps(doc, pane, old - 1, old + 1);
    }
  };
  if (!doc || !pane) return false;
  Locator locator;
  InitLocator(doc, pane, &locator);
  const bool onText = LocatePointInDoc(&locator, kLocateClick, x, y);
  const uint32_t cp = locator.cp;
  if (onText && cp != kNoCpValue && pane->dragMarkCp > 0 && cp == uint32_t(pane->dragMarkCp)) return true;
  if (!onText || cp == kNoCpValue || (cp >= draggedRange.first && cp <= draggedRange.limit)) {
    removeMark();
    return false;
  }
  removeMark();
  pane->dragMarkCp = int32_t(cp);
  MarkCps(doc, pane, cp > 0 ? cp - 1 : 0, cp + 1);
  return true;
}

void ToggleSel(CorvaneDoc* doc) {
  Pane* pane = CurrentPane(doc);
  if (!pane || !HasHostView(doc) || SelectionDisplaySuppressed(doc) || !pane->paneFlags[3]) return;
  if (pane->objectSelection == kNoCpValue && pane->anchor == pane->end) {
    pane->selectionFlags[kSelHighlightShown] ^= 1;
    if (pane->selectionFlags[kSelHighlightShown] && !doc->active) return;
    const bool atLineEnd = pane->selectionFlags[kSelCaretAtLineEnd] && pane->anchor > 0;
    QRectF cell;
    if (!CaretCellRect(doc, pane, atLineEnd ? AnchorOf(pane) - 1 : AnchorOf(pane), &cell)) return;
    const float zoom = pane->zoom > 0 ? pane->zoom : 1.0f;
    pane->caretX = atLineEnd ? float(cell.right()) : std::max(float(cell.left()) - 1.0f, pane->margin / zoom);
    const double width = InsertionPointWidth() / zoom;
    InvalViewRect(pane, QRectF(pane->caretX - 2.0 * width, cell.top(), 5.0 * width, cell.height()));
    return;
  }
  pane->selectionFlags[kSelHighlightShown] = 1;
  if (pane->objectSelection != kNoCpValue) return;
  MarkCps(doc, pane, AnchorOf(pane), EndOf(pane));
}
