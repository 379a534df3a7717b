#pragma once
// The continuous view: a pane's text as one column of display lines, drawn
// for an update rectangle from the pane's first shown cp down, refreshed line
// by line after an edit and scrolled by first cp plus a point offset into
// that line (lines 56 points or taller scroll in steps of their font's line
// height). The display-line cache (DisplayLines.h) keeps what was laid out;
// this code fills it, cuts it at the view's bottom and discards it. Main
// thread only.

#include <QRectF>
#include <cstdint>

#include "richtext/CorvaneDoc.h"

// Lines shorter than this scroll as a whole.
constexpr double kTallLineHeight = 56.0;
// The most lines one scroll step covers.
constexpr uint32_t kMaxScrollLines = 40;

// ---- Drawing -----------------------------------------------------------------------

// Draws the pane's lines that meet the update rectangle on the current
// graphics context, laying out and caching new lines on the way and cutting
// the cache at the view's bottom. An unclipped pane (printing) draws into the
// rectangle as given and leaves a line the rectangle would cut for the next
// rectangle, unless the line is taller than the whole rectangle. Nothing
// while display is deferred.
void DrawDraftView(CorvaneDoc* doc, Pane* pane, const QRectF& updateRect);
// After an edit: reformats the dirty lines and those whose cp or top moved
// in the visible part, invalidates their rectangles (the view's full width)
// and puts them back into the cache; discards the display instead when the
// cache is empty or the document asks for a whole redraw.
void InvalAfterEditDraft(CorvaneDoc* doc, Pane* pane);
// Empties the cache and invalidates the whole view; the first shown cp goes
// back to the range's first cp when asked, or when it lies past the range.
void TrashDraft(CorvaneDoc* doc, Pane* pane, bool fromRangeStart);
// Lays out lines from the first shown cp down to the view's bottom without
// drawing (the cache is rebuilt); *outCount (when given) the line count.
// False when no line formatter can be prepared.
bool CalculateLines(CorvaneDoc* doc, Pane* pane, uint32_t* outCount);
// Discards a pane's display: a pane with a view is trashed (its selection
// hidden first when it is current), one without marks the whole document.
void TrashDisplayForPane(CorvaneDoc* doc, Pane* pane);
// Starts the pane afresh at the line holding its range's first cp, with a
// caret there.
void AdjustSubviewPane(CorvaneDoc* doc, Pane* pane);
// The band above the first line: the configuration's extra spacing over the
// zoom for the help document (or every document when so configured), else 0;
// layout, refresh and drawing all place the first line below it.
double ExtraLineSpacing(CorvaneDoc* doc, Pane* pane);

// ---- Scrolling ---------------------------------------------------------------------

enum DraftScrollMode : int32_t {
  kScrollByLine = 0,  // amount 1 or more: down; 0 or less: up
  kScrollByPage = 1,  // amount 0 or more: down; below 0: up
  kScrollToCp = 2,    // the line holding the cp goes to the top
};
// Scrolls the pane vertically. Up at the range's first cp with no offset,
// or down past its last line, changes nothing.
void ScrollVertDraft(CorvaneDoc* doc, Pane* pane, int32_t amountOrCp, int32_t mode);
// kScrollToCp to cp, or to fallbackCp when cp is kNoCpValue.
void ScrollToCpDraft(CorvaneDoc* doc, Pane* pane, uint32_t cp, uint32_t fallbackCp);
// The view never scrolls horizontally by cp: nothing.
void ScrollHorzToCpDraft(CorvaneDoc* doc, Pane* pane, uint32_t cp);

// The document's scroll-direction lock, set by the page keys: 0 none, 1 up,
// 2 down. While it is set a line scroll moves by a page in its direction;
// any scroll to a new first cp clears it.
uint32_t DraftScrollLock(const CorvaneDoc* doc);
void SetDraftScrollLock(CorvaneDoc* doc, uint32_t lock);

enum DraftLineEdge : int32_t {
  kLineStartCp = 0,  // the first cp of the line holding cp
  kNextLineCp = 1,   // the first cp of the line after it
  kLineLastCp = 2,   // its end: before its break character, else where the next line begins
};
// A display-line boundary around cp; kNoCpValue when the paragraph cannot
// be laid out.
uint32_t DraftLineStart(CorvaneDoc* doc, Pane* pane, uint32_t cp, int32_t which);
// How many lines a scroll by `height` points (negative: up) covers; always
// 1 to kMaxScrollLines.
uint32_t LineCountForScrollHeight(CorvaneDoc* doc, Pane* pane, double height);
// The first cp of the line half a view height above cp, or cp itself.
uint32_t CenterOfScreenCp(CorvaneDoc* doc, Pane* pane, uint32_t cp, const QRectF& viewRect);
// Asks the scroll container to scroll while a drag lies outside the
// visible rectangle.
void AutoScrollDraft(Pane* pane, double x, double y);

// The step by which a tall line at the top scrolls: the ceiling of the line
// height of the font at cp, at least 1; 0 for a line under kTallLineHeight,
// a negative cp, or when less than two steps remain once the paragraph's
// spacing is taken off.
double TallLinePartialScroll(CorvaneDoc* doc, Pane* pane, int32_t cp, double lineHeight);
