#pragma once
// The selection of a pane: setting and normalising it, showing and hiding it
// by invalidating the lines it covers (line drawing paints the highlight and
// the caret), walking its ranges (one per table cell for a column
// selection), the caret's character properties, the places a caret may stand
// and the drop mark of a drag. Main thread only.

#include <QString>
#include <cstdint>

#include "richtext/CorvaneDoc.h"

struct KnotFormat;

// The bytes of Pane::selectionFlags.
constexpr uint32_t kSelHighlightShown = 1;
constexpr uint32_t kSelCaretAtLineEnd = 2;
constexpr uint32_t kSelActiveEnd = 3;
// activeEnd: keyboard extension moves the end (1), the anchor (0), or has
// not been chosen since the selection was made (23).
constexpr uint8_t kActiveEndAnchor = 0;
constexpr uint8_t kActiveEndEnd = 1;
constexpr uint8_t kActiveEndUnset = 23;

// Bytes of CorvaneDoc::moreFlags that the selection reads.
// The document's last paragraph mark is never selected (a range reaching the
// text's end stops before it).
constexpr uint32_t kDocExcludesFinalMark = 0;
// The selection is kept but never shown or invalidated.
constexpr uint32_t kDocNoSelectionDisplay = 1;
inline bool ExcludesFinalMark(const CorvaneDoc* doc) {
  return doc && doc->moreFlags[kDocExcludesFinalMark];
}

// While set, no new selection scrolls itself into view; answers the previous
// setting.
bool SetSelectionScrollSuppressed(bool suppressed);
bool IsSelectionScrollSuppressed();

// The units a selection grows by while the mouse drags.
enum SelectionGranularity : int32_t {
  kGranularityChars = 0,
  kGranularityCells = 1,
  kGranularityLines = 2,
  kGranularityParagraphs = 3,
  kGranularitySentences = 4,
  kGranularityWords = 5,
};

// ---- Setting -------------------------------------------------------------------

// SelectCpsCore without caretAtLineEnd.
void SelectCps(CorvaneDoc* doc, uint32_t first, uint32_t limit, bool scroll);
// Makes first..limit the current pane's selection: normalised to cps the
// pane shows, grown over a list it reaches into, scrolled into view when
// asked (a caret is then shown at once), otherwise invalidated.
void SelectCpsCore(CorvaneDoc* doc, uint32_t first, uint32_t limit, bool scroll, bool caretAtLineEnd);
void SelectRange(const DocRange& range, bool scroll);
// SelectRange with scroll.
void SelectInPane(const DocRange& range);
// Hides the old selection and stores the normalised new one with every flag,
// the column range, the granularity and goalX reset; a caret takes its
// properties from the text. Callers set granularity, caretAtLineEnd, goalX
// and the column range afterwards.
void StartSelection(CorvaneDoc* doc, uint32_t first, uint32_t limit);
// The end moved back to just after the visible cp at or before it, never
// before the anchor; kept when that cp is the end or the one before it.
uint32_t VisibleSelectionEnd(CorvaneDoc* doc, uint32_t end, uint32_t anchor);
// Whether the selection (anchor and end taken from `selection`) reaches over
// the edge of a list knot; *outKnot (when given) receives that list.
bool SelectStreamEdge(CorvaneDoc* doc, const Pane* selection, KnotFormat* outKnot);
// Widens the selection over a knot of the type (bookmarks, tags) that its
// anchor, or its last cp, lies in.
void FixBookmarkSelection(CorvaneDoc* doc, Pane* selection, uint32_t knotType);
// Collapses a column selection to a caret, with scroll, at the first
// selected column's first cp (`toStart`) or at the column limit's.
void CollapseColumnSelection(CorvaneDoc* doc, bool toStart);

// ---- Reading -------------------------------------------------------------------

// {doc, anchor, end} of the current pane.
void GetSelectionRange(CorvaneDoc* doc, DocRange* outRange);
// True for a one-cp selection on a picture mark; *outPictureIndex (when
// given) gets the picture's index.
bool IsSelectionPicture(CorvaneDoc* doc, uint32_t* outPictureIndex);
// Stores -1 and answers false: no pane shows a part of a range on its own.
bool PaneContentsForRange(CorvaneDoc* doc, int32_t* out);

// The walk over a selection's ranges, fields in this order.
struct SelectionEnum {
  CorvaneDoc* doc = nullptr;
  uint32_t first = 0;  // the current range: the output of each step
  uint32_t limit = 0;
  uint8_t forward = 1;
  uint32_t selFirst = 0;
  uint32_t selLimit = 0;
  uint32_t rowCp = kNoCpValue;        // kNoCpValue before the first step
  uint32_t firstColumn = kNoCpValue;  // kNoCpValue: no column selection
  uint32_t columnLimit = kNoCpValue;
  uint32_t column = kNoCpValue;
};
// Sets the walk up over the pane's selection (the current pane when null).
// A given range replaces the selection (an object selection is widened by
// it instead); a column selection (cell granularity) walks its cells.
void InitSelectionEnum(CorvaneDoc* doc, Pane* pane, const DocRange* range, bool forward, SelectionEnum* outEnum);
// Puts the next range into first/limit; false when none is left. A plain
// selection yields itself once; a column selection yields its cells row by
// row (backwards: from the last cell up).
bool NextSelectionRange(SelectionEnum* selection);

// ---- Showing -------------------------------------------------------------------

void TurnOffSel(CorvaneDoc* doc);
void TurnOnSel(CorvaneDoc* doc);
// Flips the caret, or shows a range, by invalidating what it covers; nothing
// without a host view, with selection display suppressed or for a pane
// without display.
void ToggleSel(CorvaneDoc* doc);
// Hides a caret or object selection; marks a range for redraw.
void InvalidateSel(CorvaneDoc* doc);
// Invalidates the cached lines from first to limit (table rows cell-wise;
// the whole view for a column selection).
void MarkCps(CorvaneDoc* doc, Pane* pane, uint32_t first, uint32_t limit);
// MarkCps in the current pane.
void MarkRange(uint32_t first, uint32_t limit, CorvaneDoc* doc);
// MarkRange in the shape of ChangeLinearSelection's highlight callback; the
// context is the document.
void MarkRangeCallback(int32_t first, int32_t limit, void* doc);
// Moves the free end of the current pane's selection (anchor..end) to newCp
// around the pivot, keeping unitFirst..unitLimit selected, and marks what
// changes; answers whether the result is a range.
bool ChangeTextSelection(CorvaneDoc* doc, uint32_t newCp, uint32_t pivot, uint32_t unitFirst, uint32_t unitLimit);
// With collapseToRemembered and a remembered cp, a caret goes there (no
// scroll); the anchor is brought into view; the host flashes the selection
// when asked.
void ShowSelection(CorvaneDoc* doc, bool collapseToRemembered, bool flash);
// Brings the anchor of the pane into view.
void EnsureSelVisible(CorvaneDoc* doc, Pane* pane);

// ---- Caret properties ----------------------------------------------------------

void SetCaretCharProps(CorvaneDoc* doc, const CharProps& props);
// SetInsertionPropsFromText(doc, pane) is declared in Panes.h.

// ---- Moving by cp ---------------------------------------------------------------

enum SafeMoveFlags : uint32_t {
  kSafeMoveBackward = 1,
  kSafeMoveNoParagraphRule = 2,  // a paragraph's break is a place too
  kSafeMoveAfterChar = 4,        // forwards: the place after the character
};
// The nearest cp at or beyond cp (in the flags' direction) where a caret may
// stand; stopCp (kNoCpValue: none) bounds a backward step out of a list.
uint32_t SafeMoveCp(CorvaneDoc* doc, uint32_t cp, uint32_t stopCp, uint32_t flags);
// The cp whose line holds the caret (anchor - 1 for a caret at a line's
// end), the anchor for a range; *outCp (when given) the anchor.
uint32_t CpOnLine(const Pane* selection, uint32_t* outCp);
// A move one line down or up to targetCp: with `extend` the moving end goes
// there (the anchor's side with `fromEnd` clear going up), else a caret,
// keeping goalX, at the line end when `targetAtLineEnd`.
void SelectDown(CorvaneDoc* doc, Pane* pane, uint32_t targetCp, bool targetAtLineEnd, bool extend, bool fromEnd);
void SelectUp(CorvaneDoc* doc, Pane* pane, uint32_t targetCp, bool targetAtLineEnd, bool extend, bool fromEnd);

// ---- Drag feedback ----------------------------------------------------------------

// Moves the drop mark to the cp under the view point; false (the old mark
// removed) inside the dragged range, off the text or without a pane.
bool ShowDragPosition(CorvaneDoc* doc, Pane* pane, const DocRange& draggedRange, double x, double y);
