#pragma once
// The position locator: which cp lies under a point of the continuous view,
// and where (which display line, which x and width) a cp lies. It reads the
// pane's display-line cache and formats a single line again whenever it
// needs x positions inside it; table rows are located cell by cell. View
// coordinates are points, y growing downward. Main thread only.

#include <QRectF>
#include <cstdint>

#include "richtext/CorvaneDoc.h"

class CSArrayCP;
struct LineFormat;

// Where a located point fell.
enum LocatorZone : uint32_t {
  kZoneOutside = 0,  // outside the visible view rectangle
  kZoneOnText = 1,   // on a line's text
  kZoneLeftOfLine = 3,
  kZoneRightOfLine = 4,
  kZoneAboveTop = 5,    // above the top margin
  kZoneBelowLines = 6,  // below the last line
  kZoneProvisional = 10,
};

// LocatePointInDoc options.
enum LocateOptions : uint32_t {
  kLocateClamp = 1,   // go on when the point lies outside the view or the lines
  kLocateInLine = 4,  // find the cp inside the line, not only its first cp
};
// What a click asks for: clamped, inside the line.
constexpr uint32_t kLocateClick = 7;

// The caller's cursor; fields in this order.
struct Locator {
  CorvaneDoc* document = nullptr;
  Pane* pane = nullptr;
  uint32_t cp = kNoCpValue;          // asked about, or found
  uint32_t lineIndex = kNoCpValue;   // in the pane's display-line cache
  uint32_t columnEdge = kNoCpValue;  // table column whose edge is near the point
  uint32_t columnHead = kNoCpValue;  // table column whose first-row cell holds the point
  float baseline = 0;                // of the line last formatted
  uint32_t hitZone = kZoneOutside;
  uint8_t afterLineEnd = 0;  // the caret stays at the end of the found line
  uint8_t exact = 0;         // option: the character under the point, not the nearer edge
  uint8_t generatedHit = 0;  // a checkbox without a cp (a paragraph prefix) was hit
  uint8_t prefixHit = 0;     // a paragraph prefix or list marker was hit
  uint8_t callerByte = 0;    // kept across a locate for the caller
};

// Document and pane stored, cp, line index and the columns -1, the rest clear.
void InitLocator(CorvaneDoc* doc, Pane* pane, Locator* locator);
// The cp at a view point; true when the point lies on a line's text.
bool LocatePointInDoc(Locator* locator, uint32_t options, double x, double y);
// Formats the line at the locator's line index and finds the cp at x
// (relative to the line's left side; y counts only in table rows). With
// `strict`, a point at or left of 0 or at or right of the text's width gives
// kNoCpValue. At or past the pane's last cp, that cp.
uint32_t CpFromLineX(Locator* locator, CSArrayCP* displayLines, bool strict, double x, double y);
// Sets the locator's cp, after-line-end and hit bytes for x (relative to the
// line's left side) on a formatted text or divider line.
void LocateCpInLine(Locator* locator, const LineFormat* format, double x);
// Adds to the rectangle's x the x of the locator's cp on its line and sets
// its width to the distance to `otherCp`; table rows fill the rectangle
// with the cell line's. Answers the x added.
double XAndWidthForCp(Locator* locator, uint32_t otherCp, QRectF* rect);
// The x of cp plus the left edge, and in *width the distance to otherCp;
// when otherCp's x lies left of cp's (it wrapped) the width runs to the x
// of the character after it, or at the line's end to its layout width.
float XAndWidthForCpOnLine(const LineFormat* format, uint32_t cp, uint32_t otherCp, float* width, float leftEdge);
// The locator's display line narrowed to the stretch from its cp to *cp,
// which is first cut to the next line's first cp. An index past the cache
// gives an empty rectangle.
void RectOfCpRange(QRectF* out, Locator* locator, uint32_t* cp);
// The rectangle of the caret or character at the locator's cp (one
// character wide). With `clip`, whether it meets the view (beside the ruler).
bool GetRectContainingCp(Locator* locator, QRectF* out, bool clip);
// Whether the locator's cp lies on a visible line (its rectangle in *out);
// with `scroll` the view is brought to it first, answering true.
bool IsLocationVisible(Locator* locator, QRectF* out, bool scroll);

// ---- Table rows --------------------------------------------------------------------

// The cp at a point (x, y relative to the row line's rectangle) in a row
// line; also the column edge or column head near the point. A point in no
// cell gives cp kNoCpValue.
void LocateCpInTableRow(Locator* locator, const LineFormat* rowLine, double x, double y);
// The rectangle (relative to the row line) of cp..otherCp inside the cell
// holding cp, and the baseline of the cell line holding it.
void GetRectForCpsInTable(const LineFormat* rowLine, uint32_t cp, uint32_t otherCp, QRectF* rect, float* baseline);
// The cp one cell line up (direction 3) or down (0) from the locator's cp
// inside the table, at x; kNoCpValue when the move left the table through
// the ordinary key movement (done here, with `modifiers`) or at the pane's
// end.
uint32_t FindUpOrDownInTable(Locator* locator, const DocRange& table, uint32_t direction, uint32_t modifiers, double x);
// The start (which 0) or end (1; 2 before a break character) of the cell
// line holding cp; *lineEdge (when given) the x of that edge in the cell.
// kNoCpValue for a cp in no cell line.
uint32_t LineEdgeInTable(CorvaneDoc* doc, Pane* pane, const DocRange& table, uint32_t cp, float* lineEdge,
                         uint32_t which);
