#include "richtext/MouseSelection.h"

#include <QChar>
#include <algorithm>
#include <new>

#include "richtext/Atoms.h"
#include "richtext/Bookmarks.h"
#include "richtext/ContinuousView.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/CorvaneHost.h"
#include "richtext/DisplayLines.h"
#include "richtext/FindReplace.h"
#include "richtext/Knots.h"
#include "richtext/LineFormat.h"
#include "richtext/Links.h"
#include "richtext/Molecules.h"
#include "richtext/Panes.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/Selection.h"
#include "richtext/Tables.h"
#include "richtext/TextAccess.h"
#include "richtext/Variables.h"
#include "support/CSCore.h"
#include "support/DynamicArrays.h"
#include "support/TextUtilities.h"

namespace {

// The y that puts a located point on a row's last cell line.
constexpr double kBelowAnyRow = 1073741824.0;
// The second byte of the document's selection bytes: a click is tracking.
constexpr uint32_t kTrackingByte = 1;

// Shift-Page Down scrolls at most this many pages to pass the selection.
constexpr uint32_t kMaxPageSteps = 1000;

struct Keys {
  bool shift, option, command, control;
};

Keys KeysOf(uint32_t modifiers) {
  return Keys{(modifiers & kEngineShift) != 0, (modifiers & kEngineOption) != 0, (modifiers & kEngineCommand) != 0,
              (modifiers & kEngineControl) != 0};
}

DocRange PaneRange(CorvaneDoc* doc, Pane* pane) {
  DocRange range;
  GetPaneRange(doc, pane, &range);
  return range;
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

// A cp between the two halves of a surrogate pair moves to the pair's far
// side in the direction of the move.
uint32_t OffSurrogateMiddle(CorvaneDoc* doc, uint32_t cp, bool forward) {
  if (cp == 0 || cp >= doc->cpLimit) return cp;
  if (QChar::isLowSurrogate(CharacterAtCp(doc, cp)) && QChar::isHighSurrogate(CharacterAtCp(doc, cp - 1))) {
    return forward ? cp + 1 : cp - 1;
  }
  return cp;
}

// The line cache index of cp's line, or kNoCpValue.
uint32_t CachedLine(Pane* pane, uint32_t cp) {
  CSArrayCP* cache = pane->displayLines;
  if (!cache || SizeOfDynamicCPArray(cache) == 0) return kNoCpValue;
  if (cp < CpAtIndex(cache, 0) || cp >= MaxCp(cache)) return kNoCpValue;
  return SafeIndexOfCp(cache, cp, false);
}

uint32_t NextLineCp(CSArrayCP* cache, uint32_t index) {
  return index + 1 < SizeOfDynamicCPArray(cache) ? CpAtIndex(cache, index + 1) : MaxCp(cache);
}

// The left side of the pane's lines in view coordinates.
double LinesLeft(Pane* pane) {
  if (const DisplayLine* line = DisplayLineAtIndex(pane->displayLines, 0)) return line->left;
  return pane->zoom > 0 ? pane->margin / pane->zoom : pane->margin;
}

DocRange ParagraphAround(CorvaneDoc* doc, Pane* pane, uint32_t cp) {
  DocRange para{doc, cp, cp};
  ParaProps props;
  FetchParaProps(doc, pane, cp, &para, &props);
  para.doc = doc;
  return para;
}

void FreeTracking(CorvaneDoc* doc) {
  FreeMemory(doc->selectionScratch);
  doc->selectionScratch = nullptr;
  doc->selectionBytes[kTrackingByte] = 0;
}

// Selects first..limit and puts the caret-at-line-end byte and granularity
// back (a new selection clears them).
void SelectKeeping(CorvaneDoc* doc, Pane* pane, uint32_t first, uint32_t limit, bool scroll, int32_t granularity) {
  SelectCps(doc, first, limit, scroll);
  pane->granularity = granularity;
}

// The x of cp on its line relative to the line's left side, the line
// formatted afresh; 0 when it cannot be placed.
double XOfCp(CorvaneDoc* doc, Pane* pane, uint32_t cp, bool atLineEnd) {
  const uint32_t lineCp = atLineEnd && cp > 0 ? cp - 1 : cp;
  const uint32_t first = DraftLineStart(doc, pane, lineCp, kLineStartCp);
  if (first == kNoCpValue) return 0;
  LineFormat line;
  double x = 0;
  if (InitFormatLine(doc, pane, &line, kLineKeepRuns)) {
    FormatLine(first, DraftWidth(doc, pane), &line);
    if (line.lineKind != 3) x = LineXFromCpCore(&line, cp, nullptr) + line.leftEdge;
  }
  ReleaseLineFormat(&line);
  return x;
}

// The cp at x (relative to the line's left side) on the line starting at
// lineFirst; a row line is entered at its top (`fromTop`) or bottom.
uint32_t CpAtXOnLine(CorvaneDoc* doc, Pane* pane, uint32_t lineFirst, double x, bool fromTop, bool* atLineEnd) {
  Locator locator;
  InitLocator(doc, pane, &locator);
  LineFormat line;
  uint32_t cp = kNoCpValue;
  if (InitFormatLine(doc, pane, &line, kLineKeepRuns)) {
    FormatLine(lineFirst, DraftWidth(doc, pane), &line);
    if (line.lineKind == 3) {
      LocateCpInTableRow(&locator, &line, x, fromTop ? 0 : kBelowAnyRow);
    } else {
      LocateCpInLine(&locator, &line, x);
    }
    cp = locator.cp;
  }
  ReleaseLineFormat(&line);
  if (atLineEnd) *atLineEnd = locator.afterLineEnd != 0;
  return cp;
}

uint32_t CommonLastUsable(const DocRange& range) {
  return range.limit > range.first ? range.limit - 1 : range.first;
}

// Brings the moved end into view after a shifted key.
void ShowMovedEnd(CorvaneDoc* doc, Pane* pane, bool leftward) {
  Locator locator;
  InitLocator(doc, pane, &locator);
  uint32_t cp = pane->selectionFlags[kSelActiveEnd] == kActiveEndEnd ? EndOf(pane) : AnchorOf(pane);
  if (pane->anchor == pane->end && pane->selectionFlags[kSelCaretAtLineEnd] && leftward && cp > 0) cp -= 1;
  locator.cp = cp;
  IsLocationVisible(&locator, nullptr, true);
}

// Moves the free end of the selection to cp, the unit around the click
// staying selected: forwards from the unit's first cp, backwards up to its
// limit. Only the stretches that changed are marked. Answers whether the
// result is a range.
bool ExtendAroundUnit(CorvaneDoc* doc, Pane* pane, uint32_t cp, uint32_t pivot, uint32_t unitFirst,
                      uint32_t unitLimit) {
  const uint32_t oldFirst = AnchorOf(pane), oldLimit = EndOf(pane);
  uint32_t first, limit;
  if (cp >= pivot) {
    first = std::min(unitFirst, pivot), limit = std::max(cp, unitLimit);
  } else {
    first = std::min(cp, unitFirst), limit = std::max(unitLimit, pivot);
  }
  if (first != oldFirst) MarkCps(doc, pane, std::min(first, oldFirst), std::max(first, oldFirst));
  if (limit != oldLimit) MarkCps(doc, pane, std::min(limit, oldLimit), std::max(limit, oldLimit));
  pane->anchor = int32_t(first);
  pane->end = int32_t(limit);
  return limit > first;
}

// Runs one step of the drag logic for the tracking record at (x, y).
void DragTo(CorvaneDoc* doc, TextSelectionTracking* t, double x, double y) {
  Pane* pane = CurrentPane(doc);
  if (!pane) return;
  const DocRange range = PaneRange(doc, pane);
  uint32_t cp = t->pivot;
  if (t->started) {
    Locator locator;
    InitLocator(doc, pane, &locator);
    LocatePointInDoc(&locator, kLocateClick, x, y);
    cp = locator.cp;
    if (locator.hitZone != kZoneOnText) {
      const bool beside = locator.hitZone == kZoneLeftOfLine || locator.hitZone == kZoneRightOfLine;
      if (beside && (t->granularity == kGranularityLines || t->granularity == kGranularityParagraphs) &&
          locator.lineIndex < SizeOfDynamicCPArray(pane->displayLines)) {
        cp = CpAtIndex(pane->displayLines, locator.lineIndex);
      } else {
        pane->selectionFlags[kSelCaretAtLineEnd] = locator.afterLineEnd;
        AutoScrollDraft(pane, x, y);
        LocatePointInDoc(&locator, kLocateClick, x, y);
        if (locator.lineIndex == kNoCpValue || locator.cp == kNoCpValue) return;
        cp = locator.cp;
      }
    }
    if (cp == kNoCpValue) return;
    if (range.limit > 0 && cp == range.limit - 1 && locator.hitZone != kZoneOnText) cp = range.limit;
    const bool forward = cp >= t->pivot;
    KnotEntry entry;
    if (forward && cp > 0 && KnotEntryAtCp(doc, cp - 1, &entry) && entry.role == kKinkBegin) cp -= 1;
    if (!forward && KnotEntryAtCp(doc, cp, &entry) && entry.role == kKinkEnd) cp += 1;

    // Whole units.
    switch (t->granularity) {
      case kGranularityLines: {
        const uint32_t index = locator.lineIndex;
        if (index < SizeOfDynamicCPArray(pane->displayLines)) {
          cp = forward ? NextLineCp(pane->displayLines, index) : CpAtIndex(pane->displayLines, index);
        }
        break;
      }
      case kGranularityParagraphs: {
        const DocRange para = ParagraphAround(doc, pane, std::min(cp, CommonLastUsable(range)));
        cp = forward ? para.limit : para.first;
        break;
      }
      case kGranularitySentences:
        cp = forward ? SentenceLimit(doc, std::min(cp, CommonLastUsable(range))) : SentenceStart(doc, cp);
        break;
      case kGranularityWords:
        if (cp != AnchorOf(pane) && cp != EndOf(pane)) {
          cp = forward ? WordLimit(doc, pane, cp, !(t->modifiers & kEngineOption)) : WordStart(doc, pane, cp);
        }
        break;
      default:
        break;
    }
  }
  cp = std::clamp(cp, range.first, range.limit);
  if (cp != t->lastCp) {
    pane->selectionFlags[kSelHighlightShown] = ExtendAroundUnit(doc, pane, cp, t->pivot, t->unitFirst, t->unitLimit);
    t->lastCp = cp;
  }
  if (t->started) t->moved = 1;
  t->started = 1;
}

// Extends the column range of a column click to the column at (x, y).
void DragColumns(CorvaneDoc* doc, TextSelectionTracking* t, double x, double y) {
  Pane* pane = CurrentPane(doc);
  if (!pane) return;
  Locator locator;
  InitLocator(doc, pane, &locator);
  LocatePointInDoc(&locator, kLocateClick, x, y);
  uint32_t column = locator.columnHead;
  if (column == kNoCpValue && locator.cp != kNoCpValue) {
    KnotFormat table, row;
    if (FetchTable(doc, locator.cp, &table, &row, nullptr)) {
      const int32_t found = IndexAndRangeForCell(table, row, locator.cp, -1, nullptr);
      if (found >= 0) column = uint32_t(found);
    }
  }
  if (column == kNoCpValue) return;
  const uint32_t first = std::min(column, t->firstColumnClicked);
  const uint32_t limit = std::max(column, t->firstColumnClicked) + 1;
  if (first != pane->firstColumn || limit != pane->columnLimit) {
    pane->firstColumn = first;
    pane->columnLimit = limit;
    MarkCps(doc, pane, AnchorOf(pane), EndOf(pane));
  }
}

// The range of a knot of the type around cp.
bool KnotRange(CorvaneDoc* doc, uint32_t cp, uint32_t type, DocRange* range) {
  return CpIsWithinKnot(doc, cp, type, range);
}

void ToggleCheckbox(CorvaneDoc* doc, Pane* pane, uint32_t cp) {
  if (IsDocumentLocked(doc)) return;
  DocRange para{doc, cp, cp + 1};
  ParaProps props;
  FetchParaProps(doc, pane, cp, &para, &props);
  const uint8_t value = props.check ? 0 : 1;
  Molecule* molecule = NewMolecule(kParaProperties, kParaAtomCheck, &value);
  if (!molecule) return;
  DocRange target{doc, cp, cp + 1};
  ApplyMoleculeToRange(&target, molecule, 0, 0, false);
  FreeMolecule(molecule);
  InvalText(&target, true);
}

// What a plain click on a caret does at the cp it landed on.
void ActOnClick(CorvaneDoc* doc, Pane* pane, TextSelectionTracking* t) {
  // The character under the point decides, not the nearer character edge.
  Locator under;
  InitLocator(doc, pane, &under);
  under.exact = 1;
  LocatePointInDoc(&under, kLocateClick, t->clickX, t->clickY);
  const uint32_t cp = under.cp != kNoCpValue ? under.cp : t->locator.cp;
  const bool option = t->modifiers & kEngineOption;
  if (t->clickKind == kClickKeep) {
    SelectCps(doc, uint32_t(std::max(t->savedAnchor, 0)), uint32_t(std::max(t->savedEnd, 0)), false);
    pane->firstColumn = t->savedFirstColumn;
    pane->columnLimit = t->savedColumnLimit;
    pane->granularity = t->savedGranularity;
    return;
  }
  KnotEntry entry;
  const bool markHere = KnotEntryAtCp(doc, cp, &entry);
  if ((markHere && entry.type == kKnotCheckbox) || t->locator.generatedHit) {
    ToggleCheckbox(doc, pane, cp);
    return;
  }
  KnotFormat link;
  FetchKnot(doc, cp, &link, kKnotLink);
  if (link.index != kNoCpValue) {
    if (option) {
      SelectCps(doc, link.start, link.limit, false);
    } else {
      FollowHyperLink(LinkAddressString(link), g_corvaneConfig.openFileLinks != 0);
    }
    if (t->clickKind == kClickSingle) t->clickKind = kClickTable;
    return;
  }
  if (!markHere) return;
  KnotFormat knot;
  FetchKnot(doc, cp, &knot, entry.type);
  const uint32_t limit = knot.index != kNoCpValue ? knot.limit : cp + 1;
  switch (entry.type) {
    case kKnotPicture:
    case kKnotTag:
      SelectCps(doc, cp, limit, false);
      break;
    case kKnotVariable: {
      const uint32_t bookmark =
          entry.word1 == kVariableBookmarkRef ? BookmarkIndexForGuidIndex(doc, entry.word2) : kNoBookmark;
      if (bookmark == kNoBookmark || bookmark >= SizeOfDynamicCPArray(doc->bookmarkMarks) || option) {
        SelectCps(doc, cp, limit, false);
        break;
      }
      const uint32_t mark = CpAtIndex(doc->bookmarkMarks, bookmark);
      if (doc->kind == kHelpDocument) {
        FollowHelpLink(doc, mark);
      } else {
        DocRange target;
        if (!KnotRange(doc, mark, kKnotBookmark, &target)) target = DocRange{doc, mark, mark + 1};
        SelectCps(doc, target.first, target.limit, true);
        ShowSelection(doc, false, true);
      }
      break;
    }
    case kKnotDivider:
      break;
    default:
      if (entry.role == kKinkSingle) SelectCps(doc, cp, cp + 1, false);
      break;
  }
}

}  // namespace

TextSelectionTracking* SelectionTrackingForDoc(CorvaneDoc* doc) {
  return doc ? static_cast<TextSelectionTracking*>(doc->selectionScratch) : nullptr;
}

void ClickDraft(CorvaneDoc* doc, uint32_t clickKind, uint32_t modifiers, double x, double y) {
  Pane* pane = CurrentPane(doc);
  if (!pane) return;
  Locator locator;
  InitLocator(doc, pane, &locator);
  LocatePointInDoc(&locator, kLocateClick, x, y);
  // A click below the last line still places the caret at the text's end.
  if (locator.cp != kNoCpValue) StartTextSelectionTracking(locator, clickKind, modifiers, x, y);
}

void StartTextSelectionTracking(const Locator& locator, uint32_t clickKind, uint32_t modifiers, double x, double y) {
  CorvaneDoc* doc = locator.document;
  if (!doc) return;
  Pane* pane = CurrentPane(doc);
  FreeTracking(doc);
  void* memory = AllocateMemory(sizeof(TextSelectionTracking));
  if (!memory) return;
  auto* t = new (memory) TextSelectionTracking;
  doc->selectionScratch = t;
  doc->selectionBytes[kTrackingByte] = 1;
  InvalShorthand();
  const DocRange range = PaneRange(doc, pane);
  t->locator = locator;
  t->pivot = std::clamp(locator.cp, range.first, range.limit);
  t->lastCp = kNoCpValue;
  t->oldAnchor = AnchorOf(pane);
  t->oldEnd = EndOf(pane);
  t->clickX = x, t->clickY = y;
  t->clickKind = clickKind;
  t->modifiers = modifiers;
  t->contentsKind = uint32_t(pane->contentsKind);
  t->savedAnchor = pane->anchor, t->savedEnd = pane->end;
  t->savedFirstColumn = pane->firstColumn, t->savedColumnLimit = pane->columnLimit;
  t->savedGranularity = pane->granularity;
  std::copy(std::begin(pane->selectionFlags), std::end(pane->selectionFlags), t->savedFlags);

  if (clickKind == kClickColumn) {
    DocRange table;
    if (locator.columnHead != kNoCpValue && KnotRange(doc, locator.cp, kKnotTable, &table)) {
      SelectCps(doc, table.first, table.limit, false);
      pane->firstColumn = locator.columnHead;
      pane->columnLimit = locator.columnHead + 1;
      pane->granularity = kGranularityCells;
      t->granularity = kGranularityCells;
      t->firstColumnClicked = locator.columnHead;
      t->started = 1;
      MarkCps(doc, pane, AnchorOf(pane), EndOf(pane));
      return;
    }
    t->clickKind = clickKind = kClickTable;
  }

  if (clickKind == kClickExtend) {
    if (IsColumnSelection(pane)) {
      t->granularity = kGranularityCells;
      t->clickKind = kClickColumn;
      t->firstColumnClicked = pane->firstColumn;
      t->started = 1;
      DragColumns(doc, t, x, y);
    } else {
      if (pane->anchor == pane->end) TurnOffSel(doc);
      t->pivot = locator.cp < t->oldAnchor ? t->oldEnd : t->oldAnchor;
      t->granularity = uint32_t(std::max(pane->granularity, 0));
      if (t->granularity != kGranularityChars) {
        t->unitFirst = t->oldAnchor, t->unitLimit = t->oldEnd;
      } else {
        t->unitFirst = t->unitLimit = t->pivot;
      }
      t->started = 1;
      DragTo(doc, t, x, y);
    }
    OverridePaneContents(pane, 0);
    return;
  }

  uint32_t granularity = locator.prefixHit ? kGranularityParagraphs
                         : locator.hitZone == kZoneLeftOfLine || locator.hitZone == kZoneRightOfLine
                             ? kGranularityLines
                             : kGranularityChars;
  if (clickKind == kClickTriple) {
    granularity = kGranularitySentences;
  } else if (clickKind == kClickLine) {
    granularity = kGranularityLines;
    CSArrayCP* cache = pane->displayLines;
    if (locator.lineIndex < SizeOfDynamicCPArray(cache)) {
      const DisplayLine* line = DisplayLineAtIndex(cache, locator.lineIndex);
      const bool rightHalf = line && x > line->left + line->width / 2;
      t->pivot = rightHalf ? NextLineCp(cache, locator.lineIndex) : CpAtIndex(cache, locator.lineIndex);
    }
  } else if (clickKind == kClickDouble) {
    granularity = granularity == kGranularityLines ? kGranularityParagraphs : kGranularityWords;
  }
  t->granularity = granularity;

  StartSelection(doc, t->pivot, t->pivot);
  if (granularity == kGranularityChars) pane->selectionFlags[kSelCaretAtLineEnd] = locator.afterLineEnd;
  pane->granularity = int32_t(granularity);
  const uint32_t pivot = t->pivot;
  switch (granularity) {
    case kGranularityLines: {
      const uint32_t at = locator.afterLineEnd && pivot > range.first ? pivot - 1 : pivot;
      const uint32_t index = CachedLine(pane, at);
      if (index != kNoCpValue) {
        t->unitFirst = CpAtIndex(pane->displayLines, index);
        t->unitLimit = NextLineCp(pane->displayLines, index);
      } else {
        t->unitFirst = t->unitLimit = pivot;
      }
      break;
    }
    case kGranularityParagraphs: {
      const DocRange para = ParagraphAround(doc, pane, std::min(pivot, CommonLastUsable(range)));
      t->unitFirst = para.first, t->unitLimit = para.limit;
      break;
    }
    case kGranularitySentences:
      t->unitFirst = SentenceStart(doc, pivot);
      t->unitLimit = SentenceLimit(doc, std::min(pivot, CommonLastUsable(range)));
      break;
    case kGranularityWords:
      t->unitFirst = WordStart(doc, pane, pivot);
      t->unitLimit = WordLimit(doc, pane, pivot, !(modifiers & kEngineOption));
      break;
    default:
      t->unitFirst = t->unitLimit = pivot;
      break;
  }
  t->unitLimit = std::clamp(t->unitLimit, t->unitFirst, range.limit);

  if (granularity == kGranularityParagraphs && clickKind != kClickSingle && !locator.prefixHit) {
    DocRange table;
    if (KnotRange(doc, pivot, kKnotTable, &table)) {
      SelectCps(doc, table.first, table.limit, false);
      FreeTracking(doc);
      return;
    }
  }
  if (granularity != kGranularityChars) {
    const uint32_t edge = pivot - t->unitFirst <= t->unitLimit - pivot ? t->unitFirst : t->unitLimit;
    StartSelection(doc, edge, edge);
    pane->granularity = int32_t(granularity);
    DragTo(doc, t, x, y);
  } else {
    t->lastCp = pivot;
    t->started = 1;
  }
}

void ContinueTextSelectionTracking(CorvaneDoc* doc, double x, double y) {
  TextSelectionTracking* t = SelectionTrackingForDoc(doc);
  if (!t) return;
  if (t->clickKind == kClickColumn) {
    DragColumns(doc, t, x, y);
  } else {
    DragTo(doc, t, x, y);
  }
}

void EndTextSelectionTracking(CorvaneDoc* doc) {
  TextSelectionTracking* t = SelectionTrackingForDoc(doc);
  if (!t) return;
  Pane* pane = CurrentPane(doc);
  OverridePaneContents(pane, 0);
  const uint32_t kind = t->clickKind;
  if (kind != kClickColumn && kind != kClickNoRelease) {
    if (pane->anchor != pane->end) {
      FixBookmarkSelection(doc, pane, kKnotBookmark);
      FixBookmarkSelection(doc, pane, kKnotTag);
    }
    uint32_t first = AnchorOf(pane), end = EndOf(pane);
    if (first != end) {
      first = VisibleCp(doc, pane, first, true);
      end = VisibleSelectionEnd(doc, std::max(end, first), first);
    }
    const bool highlight = pane->selectionFlags[kSelHighlightShown];
    if (pane->contentsKind != 3) {
      KnotFormat chapter;
      FetchKnot(doc, end > 0 ? end - 1 : 0, &chapter, kKnotChapter);
      if (chapter.index != kNoCpValue) {
        if (first != end && end == chapter.limit && chapter.start >= first) end = std::max(first, chapter.start);
        if (first == end && pane->contentsKind == 1 && chapter.start != 0 && first >= chapter.start &&
            first < chapter.limit && t->oldEnd <= chapter.limit) {
          first = chapter.start, end = chapter.limit;
        }
      }
    }
    if (first != AnchorOf(pane) || end != EndOf(pane)) {
      const int32_t granularity = pane->granularity;
      SelectCps(doc, first, end, false);
      pane->granularity = granularity;
      pane->selectionFlags[kSelHighlightShown] = highlight;
    }
    if (pane->anchor == pane->end) pane->selectionFlags[kSelCaretAtLineEnd] = t->locator.afterLineEnd;
  }
  if (kind != kClickNoRelease && pane->anchor == pane->end && AnchorOf(pane) == t->locator.cp &&
      t->locator.hitZone == kZoneOnText) {
    ActOnClick(doc, pane, t);
  }
  const bool beside = t->locator.hitZone == kZoneLeftOfLine || t->locator.hitZone == kZoneRightOfLine;
  if (t->clickKind == kClickTriple && beside) {
    DocRange whole;
    if (KnotRange(doc, t->pivot, kKnotTable, &whole) || KnotRange(doc, t->pivot, kKnotList, &whole)) {
      SelectCps(doc, whole.first, whole.limit, false);
    }
  }
  if (pane->anchor != pane->end) {
    KnotFormat list;
    if (SelectStreamEdge(doc, pane, &list)) {
      SelectCps(doc, std::min(AnchorOf(pane), list.start), std::max(EndOf(pane), list.limit), false);
    }
  }
  FreeTracking(doc);
  UpdateStylePopup(doc);
}

// ---- Keys ------------------------------------------------------------------------------

uint32_t StartOfRealText(CorvaneDoc* doc, uint32_t cp, uint32_t lowest) {
  if (!doc) return cp;
  Pane* pane = CurrentPane(doc);
  uint32_t start = std::max(WordStart(doc, pane, cp), lowest);
  // Each step moves back at least one cp, so the walk ends at `lowest`.
  while (start > lowest) {
    const char16_t c = CharacterAtCp(doc, start);
    KnotEntry entry;
    const bool realMark = (c == kKnotMark0 || c == kKnotMark1) && KnotEntryAtCp(doc, start, &entry) &&
                          (entry.type == kKnotLink || entry.type == kKnotPicture || entry.type == kKnotRow ||
                           entry.type == kKnotTag || entry.type == kKnotVariable);
    if (CharIsLetterOrNumber(c) || realMark) break;
    const uint32_t before = std::max(WordStart(doc, pane, start - 1), lowest);
    if (before >= start) break;
    start = before;
  }
  return start;
}

uint32_t EndOfRealText(CorvaneDoc* doc, uint32_t cp, uint32_t highest) {
  if (!doc) return cp;
  Pane* pane = CurrentPane(doc);
  uint32_t end = std::min(WordLimit(doc, pane, cp, false), highest);
  while (end < highest) {
    const uint32_t wordFirst = end > cp ? WordStart(doc, pane, end - 1) : end;
    const char16_t c = CharacterAtCp(doc, std::max(wordFirst, cp));
    KnotEntry entry;
    const bool realMark = (c == kKnotMark0 || c == kKnotMark1) && KnotEntryAtCp(doc, std::max(wordFirst, cp), &entry) &&
                          (entry.type == kKnotLink || entry.type == kKnotPicture || entry.type == kKnotRow ||
                           entry.type == kKnotTag || entry.type == kKnotVariable);
    if (end > cp && (CharIsLetterOrNumber(c) || realMark)) break;
    const uint32_t next = std::min(WordLimit(doc, pane, end, false), highest);
    if (next <= end) break;
    end = next;
  }
  return end;
}

namespace {

// The vertical target from the selection: `down` or up, at the kept x.
uint32_t FindCpVertically(CorvaneDoc* doc, uint32_t modifiers, bool inTable, Locator* locator, bool* outFromEnd,
                          bool down) {
  Pane* pane = CurrentPane(doc);
  const Keys keys = KeysOf(modifiers);
  const DocRange range = PaneRange(doc, pane);
  const uint32_t lastUsable = CommonLastUsable(range);
  const bool fromAnchor = g_corvaneConfig.anchoredKeySelection && keys.shift && !keys.command &&
                          pane->selectionFlags[kSelActiveEnd] == kActiveEndAnchor;
  const bool caret = pane->anchor == pane->end;
  uint32_t cp = fromAnchor ? AnchorOf(pane) : EndOf(pane);
  if (!down && !fromAnchor && !keys.shift) cp = AnchorOf(pane);
  if (outFromEnd) *outFromEnd = !fromAnchor;
  const bool atLineEnd = caret && pane->selectionFlags[kSelCaretAtLineEnd];
  if (locator) {
    InitLocator(doc, pane, locator);
    locator->cp = cp;
  }
  if (keys.command) {
    if (down) {
      const DocRange para = ParagraphAround(doc, pane, std::min(cp, lastUsable));
      return std::min(para.limit > cp ? para.limit : cp + 1, lastUsable);
    }
    const DocRange para = ParagraphAround(doc, pane, cp > range.first ? cp - 1 : cp);
    return std::max(para.first, range.first);
  }
  // The x the caret keeps while moving up and down.
  if (pane->goalX < 0) pane->goalX = float(LinesLeft(pane) + XOfCp(doc, pane, cp, atLineEnd));
  const double x = pane->goalX - LinesLeft(pane);
  DocRange table;
  if (inTable && CpIsWithinKnot(doc, cp, kKnotTable, &table)) {
    Locator own;
    Locator* at = locator ? locator : &own;
    if (!locator) InitLocator(doc, pane, at);
    at->cp = cp;
    return FindUpOrDownInTable(at, table, down ? kKeyDown : kKeyUp, modifiers, x);
  }
  const uint32_t lineCp = atLineEnd && cp > range.first ? cp - 1 : cp;
  const uint32_t lineFirst = DraftLineStart(doc, pane, lineCp, kLineStartCp);
  if (lineFirst == kNoCpValue) return kNoCpValue;
  bool endOfLine = false;
  uint32_t target;
  if (down) {
    const uint32_t next = DraftLineStart(doc, pane, lineCp, kNextLineCp);
    if (next == kNoCpValue || next >= range.limit || next <= lineFirst) return lastUsable;
    if (CachedLine(pane, next) == kNoCpValue && pane->view) {
      AutoScroll(pane, true, 0);
      CalculateLines(doc, pane, nullptr);
    }
    target = CpAtXOnLine(doc, pane, next, x, true, &endOfLine);
  } else {
    if (lineFirst <= range.first) return range.first;
    const uint32_t previous = DraftLineStart(doc, pane, lineFirst - 1, kLineStartCp);
    if (previous == kNoCpValue || previous >= lineFirst) return range.first;
    if (CachedLine(pane, previous) == kNoCpValue && pane->view) {
      AutoScroll(pane, true, 3);
      CalculateLines(doc, pane, nullptr);
    }
    target = CpAtXOnLine(doc, pane, previous, x, false, &endOfLine);
  }
  if (target == kNoCpValue) return kNoCpValue;
  if (locator) locator->afterLineEnd = endOfLine;
  return OffSurrogateMiddle(doc, std::clamp(target, range.first, lastUsable), down);
}

// End and home: to the range's last usable or first cp.
void MoveToEnd(CorvaneDoc* doc, uint32_t modifiers, bool end) {
  Pane* pane = CurrentPane(doc);
  const DocRange range = PaneRange(doc, pane);
  const uint32_t lastUsable = CommonLastUsable(range);
  if (pane->topOffset != 0) {
    pane->topOffset = 0;
    TrashDraft(doc, pane, false);
  }
  if (KeysOf(modifiers).shift) {
    const uint32_t anchor = AnchorOf(pane), oldEnd = EndOf(pane);
    if (end) {
      const uint32_t target = SafeMoveCp(doc, lastUsable, kNoCpValue, kSafeMoveNoParagraphRule | kSafeMoveAfterChar);
      SelectCps(doc, anchor, std::max(anchor, std::min(target, lastUsable)), false);
      pane->selectionFlags[kSelActiveEnd] = kActiveEndEnd;
    } else {
      const uint32_t target = SafeMoveCp(doc, range.first, kNoCpValue, kSafeMoveBackward | kSafeMoveNoParagraphRule);
      SelectCps(doc, std::min(target, oldEnd), oldEnd, false);
      pane->selectionFlags[kSelActiveEnd] = kActiveEndAnchor;
    }
    if (pane->anchor == pane->end) pane->selectionFlags[kSelActiveEnd] = kActiveEndUnset;
    ShowMovedEnd(doc, pane, !end);
    return;
  }
  // The caret goes where Shift-End reaches: before the text's last break.
  const uint32_t target = end ? lastUsable : VisibleCp(doc, pane, range.first, true);
  SelectCps(doc, target, target, true);
}

void MoveLeft(CorvaneDoc* doc, Pane* pane, uint32_t modifiers) {
  const Keys keys = KeysOf(modifiers);
  const DocRange range = PaneRange(doc, pane);
  const uint32_t anchor = AnchorOf(pane), end = EndOf(pane);
  const bool caret = anchor == end;
  const uint8_t activeEnd = pane->selectionFlags[kSelActiveEnd];
  if (keys.option || keys.control) {
    const uint32_t from = caret ? anchor : (keys.shift && activeEnd == kActiveEndEnd ? end : anchor);
    uint32_t target;
    int32_t granularity = pane->granularity;
    if (keys.option) {
      DocRange table;
      if (CpIsWithinKnot(doc, from, kKnotTable, &table)) {
        target = LineEdgeInTable(doc, pane, table, from, nullptr, 0);
        if (target == from && from > range.first) target = LineEdgeInTable(doc, pane, table, from - 1, nullptr, 0);
      } else {
        target = DraftLineStart(doc, pane, from, kLineStartCp);
        if (target == from && from > range.first) target = DraftLineStart(doc, pane, from - 1, kLineStartCp);
      }
    } else {
      target = SentenceStart(doc, from);
      if (target == from && from > range.first) target = SentenceStart(doc, from - 1);
      granularity = kGranularitySentences;
    }
    if (target == kNoCpValue) return;
    target = SafeMoveCp(doc, std::max(target, range.first), kNoCpValue, kSafeMoveBackward | kSafeMoveNoParagraphRule);
    target = OffSurrogateMiddle(doc, std::max(target, range.first), false);
    if (keys.shift) {
      SelectKeeping(doc, pane, std::min(target, end), end, false, granularity);
      pane->selectionFlags[kSelActiveEnd] = kActiveEndAnchor;
    } else {
      SelectKeeping(doc, pane, target, target, true, granularity);
    }
    pane->selectionFlags[kSelCaretAtLineEnd] = 0;
    return;
  }
  if (keys.shift) {
    const bool movesEnd = activeEnd == kActiveEndEnd && !caret;
    const uint32_t from = movesEnd ? end : anchor;
    if (from <= range.first && !movesEnd) return;
    uint32_t target;
    int32_t granularity = pane->granularity;
    if (keys.command && granularity != kGranularityWords) granularity = kGranularityWords;
    if (granularity == kGranularityWords) {
      target = StartOfRealText(doc, from > range.first ? from - 1 : from, range.first);
    } else if (granularity == kGranularitySentences) {
      target = SentenceStart(doc, from > range.first ? from - 1 : from);
    } else {
      target = from > range.first ? from - 1 : from;
    }
    target = SafeMoveCp(doc, target, kNoCpValue, kSafeMoveBackward | kSafeMoveNoParagraphRule);
    target = OffSurrogateMiddle(doc, std::max(target, range.first), false);
    if (movesEnd) {
      SelectKeeping(doc, pane, anchor, std::max(anchor, target), false, granularity);
      pane->selectionFlags[kSelActiveEnd] = pane->anchor == pane->end ? kActiveEndUnset : kActiveEndEnd;
    } else {
      SelectKeeping(doc, pane, target, end, false, granularity);
      pane->selectionFlags[kSelActiveEnd] = pane->anchor == pane->end ? kActiveEndUnset : kActiveEndAnchor;
    }
    ShowMovedEnd(doc, pane, true);
    return;
  }
  if (!caret) {
    if (IsColumnSelection(pane)) {
      CollapseColumnSelection(doc, true);
    } else {
      SelectCps(doc, anchor, anchor, true);
    }
    return;
  }
  if (anchor <= range.first) return;
  uint32_t target = keys.command ? StartOfRealText(doc, anchor - 1, range.first) : anchor - 1;
  target = SafeMoveCp(doc, target, kNoCpValue, kSafeMoveBackward | kSafeMoveNoParagraphRule);
  target = OffSurrogateMiddle(doc, std::clamp(target, range.first, anchor - 1), false);
  SelectCps(doc, target, target, true);
}

void MoveRight(CorvaneDoc* doc, Pane* pane, uint32_t modifiers) {
  const Keys keys = KeysOf(modifiers);
  const DocRange range = PaneRange(doc, pane);
  const bool reachesLimit = pane->contentsKind == 0 || pane->contentsKind == 1 || pane->contentsKind == 4;
  const uint32_t lastUsable =
      range.limit > range.first + (reachesLimit ? 0 : 1) ? range.limit - (reachesLimit ? 1 : 2) : range.first;
  const uint32_t anchor = AnchorOf(pane), end = EndOf(pane);
  const bool caret = anchor == end;
  const uint8_t activeEnd = pane->selectionFlags[kSelActiveEnd];
  if (keys.option || keys.control) {
    const uint32_t from = caret ? anchor : end;
    uint32_t target;
    int32_t granularity = pane->granularity;
    if (keys.control) {
      target = SentenceLimit(doc, std::min(from, lastUsable));
      if (target == from && from < lastUsable) target = SentenceLimit(doc, from + 1);
      granularity = kGranularitySentences;
    } else {
      const int32_t which = keys.shift ? kNextLineCp : kLineLastCp;
      DocRange table;
      if (CpIsWithinKnot(doc, from, kKnotTable, &table)) {
        target = LineEdgeInTable(doc, pane, table, from, nullptr, keys.shift ? 1 : 2);
        if (target == from && from < lastUsable) {
          target = LineEdgeInTable(doc, pane, table, from + 1, nullptr, keys.shift ? 1 : 2);
        }
      } else {
        target = DraftLineStart(doc, pane, from, which);
        if (target == from && from < lastUsable) target = DraftLineStart(doc, pane, from + 1, which);
      }
    }
    if (target == kNoCpValue) return;
    target = std::min(target, lastUsable);
    if (keys.shift) {
      target = SafeMoveCp(
          doc, target, kNoCpValue,
          keys.option ? uint32_t(kSafeMoveNoParagraphRule | kSafeMoveAfterChar) : uint32_t(kSafeMoveAfterChar));
      target = OffSurrogateMiddle(doc, std::min(target, lastUsable), true);
      SelectKeeping(doc, pane, anchor, std::max(anchor, target), false, granularity);
      pane->selectionFlags[kSelActiveEnd] = pane->anchor == pane->end ? kActiveEndUnset : kActiveEndEnd;
      ShowMovedEnd(doc, pane, false);
    } else {
      target = SafeMoveCp(doc, target, kNoCpValue, keys.option ? uint32_t(kSafeMoveNoParagraphRule) : 0u);
      target = OffSurrogateMiddle(doc, std::min(target, lastUsable), true);
      SelectKeeping(doc, pane, target, target, true, granularity);
    }
    return;
  }
  if (keys.shift) {
    const bool anchorMoves = g_corvaneConfig.anchoredKeySelection && activeEnd == kActiveEndAnchor && !caret;
    int32_t granularity = pane->granularity;
    if (keys.command && granularity != kGranularityWords) {
      // The current word first.
      const uint32_t first = WordStart(doc, pane, anchor);
      const uint32_t limit = std::min(EndOfRealText(doc, end, lastUsable), lastUsable);
      if (first != anchor || limit != end) {
        SelectKeeping(doc, pane, first, std::max(first, limit), false, kGranularityWords);
        pane->selectionFlags[kSelActiveEnd] = kActiveEndEnd;
        ShowMovedEnd(doc, pane, false);
        return;
      }
      granularity = kGranularityWords;
    }
    const uint32_t from = anchorMoves ? anchor : end;
    if (from > lastUsable || (from == lastUsable && !anchorMoves)) return;
    uint32_t target;
    if (granularity == kGranularityWords) {
      target = EndOfRealText(doc, from + 1 <= lastUsable ? from : lastUsable, lastUsable);
      if (target <= from) target = from + 1;
    } else if (granularity == kGranularitySentences) {
      target = SentenceLimit(doc, from);
      if (target <= from) target = SentenceLimit(doc, std::min(from + 1, lastUsable));
    } else {
      target = from + 1;
    }
    target = SafeMoveCp(doc, std::min(target, lastUsable), kNoCpValue, kSafeMoveNoParagraphRule | kSafeMoveAfterChar);
    target = OffSurrogateMiddle(doc, std::clamp(target, from + 1, lastUsable), true);
    if (anchorMoves) {
      SelectKeeping(doc, pane, std::min(target, end), end, false, granularity);
      pane->selectionFlags[kSelActiveEnd] = pane->anchor == pane->end ? kActiveEndUnset : kActiveEndAnchor;
    } else {
      SelectKeeping(doc, pane, anchor, target, false, granularity);
      pane->selectionFlags[kSelActiveEnd] = pane->anchor == pane->end ? kActiveEndUnset : kActiveEndEnd;
    }
    ShowMovedEnd(doc, pane, false);
    return;
  }
  uint32_t target;
  if (!caret) {
    if (IsColumnSelection(pane)) {
      CollapseColumnSelection(doc, false);
      return;
    }
    target = end;
  } else if (anchor >= lastUsable) {
    target = lastUsable;
  } else {
    target = keys.command ? EndOfRealText(doc, anchor, lastUsable) : anchor + 1;
    if (target <= anchor) target = anchor + 1;
  }
  if (end >= lastUsable) target = lastUsable;
  target = SafeMoveCp(doc, std::min(target, lastUsable), kNoCpValue, kSafeMoveNoParagraphRule);
  target = OffSurrogateMiddle(doc, std::min(target, lastUsable), true);
  SelectCps(doc, target, target, true);
}

}  // namespace

uint32_t FindCpDownFromSel(CorvaneDoc* doc, uint32_t modifiers, bool inTable, Locator* locator, bool* fromEnd) {
  if (!doc) return kNoCpValue;
  return FindCpVertically(doc, modifiers, inTable, locator, fromEnd, true);
}

uint32_t FindCpUpFromSel(CorvaneDoc* doc, uint32_t modifiers, bool inTable, Locator* locator, bool* fromEnd) {
  if (!doc) return kNoCpValue;
  return FindCpVertically(doc, modifiers, inTable, locator, fromEnd, false);
}

void SelectKeyDraft(CorvaneDoc* doc, uint32_t key, uint32_t modifiers, uint32_t extra) {
  Pane* pane = CurrentPane(doc);
  if (!pane) return;
  InvalidateFindResults(doc);
  const Keys keys = KeysOf(modifiers);
  const DocRange range = PaneRange(doc, pane);
  switch (key) {
    case kKeyLeft:
      MoveLeft(doc, pane, modifiers);
      break;
    case kKeyRight:
      MoveRight(doc, pane, modifiers);
      break;
    case kKeyDown:
    case kKeyUp: {
      const bool down = key == kKeyDown;
      if (keys.option) {
        MoveToEnd(doc, modifiers & ~uint32_t(kEngineOption), down);
        break;
      }
      Locator locator;
      bool fromEnd = true;
      const bool inTable = !(extra & kSelectKeyIgnoreTables);
      const uint32_t target = down ? FindCpDownFromSel(doc, modifiers, inTable, &locator, &fromEnd)
                                   : FindCpUpFromSel(doc, modifiers, inTable, &locator, &fromEnd);
      const uint32_t anchor = AnchorOf(pane), end = EndOf(pane);
      // A shifted move down that changes nothing (from the last line) puts
      // a caret at the end.
      const auto caretAtEndIfUnchanged = [&] {
        if (down && keys.shift && AnchorOf(pane) == anchor && EndOf(pane) == end)
          MoveToEnd(doc, modifiers & ~uint32_t(kEngineShift), true);
      };
      if (target == kNoCpValue) {
        caretAtEndIfUnchanged();
        break;
      }
      const bool followActive = keys.shift && g_corvaneConfig.anchoredKeySelection;
      if (down) {
        SelectDown(doc, pane, target, locator.afterLineEnd, keys.shift, followActive ? fromEnd : true);
      } else {
        SelectUp(doc, pane, target, locator.afterLineEnd, keys.shift, followActive ? fromEnd : false);
      }
      if (keys.shift) {
        if (pane->anchor == pane->end) {
          pane->selectionFlags[kSelActiveEnd] = kActiveEndUnset;
        } else if (AnchorOf(pane) != anchor) {
          pane->selectionFlags[kSelActiveEnd] = kActiveEndAnchor;
        } else if (EndOf(pane) != end) {
          pane->selectionFlags[kSelActiveEnd] = kActiveEndEnd;
        }
        ShowMovedEnd(doc, pane, !down);
      }
      caretAtEndIfUnchanged();
      break;
    }
    case kKeyPageUp:
      if (keys.shift) {
        const uint32_t first = SafeMoveCp(doc, std::max(uint32_t(std::max(pane->firstCp, 0)), range.first), kNoCpValue,
                                          kSafeMoveBackward | kSafeMoveNoParagraphRule);
        SelectCps(doc, std::min(first, EndOf(pane)), EndOf(pane), false);
        if (pane->anchor != pane->end) pane->selectionFlags[kSelActiveEnd] = kActiveEndAnchor;
      } else {
        SetDraftScrollLock(doc, 1);
      }
      AutoScroll(pane, true, 5);
      break;
    case kKeyPageDown:
      if (keys.shift) {
        // To the last cached cp; while that is not past the selection's end,
        // the view scrolls a page and lays out its lines again.
        const uint32_t lastUsable = CommonLastUsable(range);
        const uint32_t oldEnd = EndOf(pane);
        uint32_t target = 0;
        for (uint32_t step = 0;; ++step) {
          CSArrayCP* cache = pane->displayLines;
          const uint32_t lastCached = SizeOfDynamicCPArray(cache) ? MaxCp(cache) : oldEnd;
          target = std::min(lastCached > 0 ? lastCached - 1 : 0, lastUsable);
          target = std::min(SafeMoveCp(doc, target, kNoCpValue, kSafeMoveNoParagraphRule | kSafeMoveAfterChar),
                            lastUsable);
          if (target > oldEnd || target >= lastUsable || step >= kMaxPageSteps) break;
          AutoScroll(pane, true, 4);
          CalculateLines(doc, pane, nullptr);
          // A view that did not move shows nothing further.
          if (SizeOfDynamicCPArray(pane->displayLines) && MaxCp(pane->displayLines) == lastCached) break;
        }
        SelectCps(doc, AnchorOf(pane), std::max(AnchorOf(pane), target), false);
        if (pane->anchor != pane->end) pane->selectionFlags[kSelActiveEnd] = kActiveEndEnd;
        ShowMovedEnd(doc, pane, false);
        break;
      }
      SetDraftScrollLock(doc, 2);
      AutoScroll(pane, true, 4);
      break;
    case kKeyEnd:
      MoveToEnd(doc, modifiers, true);
      break;
    case kKeyHome:
      MoveToEnd(doc, modifiers, false);
      break;
    default:
      break;
  }
}

QString KinkActionName(CorvaneDoc* doc, uint32_t cp, uint32_t kinkType, uint32_t* outKind) {
  static const char* const kNames[] = {
      "Bookmark \"%1\"", "Checkbox", "Divider", "Tricky Character %1", "Link",      "List",
      "Note %1",         "Page #",   "Picture", "Table of Contents",   "TOC Entry", "Variable"};
  if (outKind) {
    switch (kinkType) {
      case 3:
      case 6:
        *outKind = 2;
        break;
      case 8:
        *outKind = 1;
        break;
      case 9:
        *outKind = 3;
        break;
      case 4:
      case 5:
      case 7:
        *outKind = 0;
        break;
      default:
        break;
    }
  }
  if (kinkType >= std::size(kNames)) return QString();
  QString name = QString::fromUtf8(kNames[kinkType]);
  if (kinkType == 0) {
    uint32_t index = kNoBookmark;
    if (doc && doc->bookmarkMarks) {
      const uint32_t count = SizeOfDynamicCPArray(doc->bookmarkMarks);
      for (uint32_t i = 0; i < count; ++i) {
        DocRange bookmark;
        const uint32_t mark = CpAtIndex(doc->bookmarkMarks, i);
        if (mark == cp ||
            (CpIsWithinKnot(doc, mark, kKnotBookmark, &bookmark) && cp >= bookmark.first && cp < bookmark.limit)) {
          index = i;
          break;
        }
      }
    }
    return name.arg(index == kNoBookmark ? QString() : BookmarkDisplayString(doc, index));
  }
  if (kinkType == 3) {
    const char16_t c = doc && cp < doc->cpLimit ? CharacterAtCp(doc, cp) : 0;
    QString what;
    if (c == 0x200C || c == 0x200D) {
      what = QStringLiteral("(0-width character)");
    } else if (c == 0x200B) {
      what = QStringLiteral("(0-width space)");
    } else if (c == 0x00AD) {
      what = QStringLiteral("(optional hyphen)");
    } else {
      what = QStringLiteral("%1").arg(uint32_t(c), 4, 16, QLatin1Char('0'));
    }
    return name.arg(what);
  }
  if (kinkType == 6) {
    // The note's number: its place among the note marks before it.
    uint32_t number = 1;
    const uint32_t count = doc ? SizeOfDynamicCPArray(doc->knots) : 0;
    for (uint32_t i = 0; i < count && CpAtIndex(doc->knots, i) < cp; ++i) {
      KnotEntry entry;
      FetchDynamicCPArrayEntry(doc->knots, i, &entry);
      if (entry.type == kKnotNote && (entry.role == kKinkBegin || entry.role == kKinkSingle)) ++number;
    }
    return name.arg(number);
  }
  return name;
}
