#pragma once
// Line formatting: turns a document's text from one cp on into one display
// line. FormatLine decides where the line breaks, how wide and tall it is,
// where its tabs, markers, pictures, checkboxes and knot marks sit, and
// leaves an ordered list of line runs that drawing and locating read back.
// The caller owns the LineFormat record and reuses it line after line.
// Points (floats) inside a line; widths handed in are measures. Main thread.

#include <cstdint>
#include <vector>

#include "richtext/Borders.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/TextServices.h"

class CSArrayCP;

// The caller's options.
enum LineFormatFlags : uint32_t {
  kLineKeepRuns = 0x02,           // drawing and locating want the runs
  kLinePlainRendering = 0x04,     // no highlights, no selection-driven marks
  kLinePagelessPane = 0x08,       // set for panes of kind 0 and 1
  kLineIgnoreSpacing = 0x10,      // the line-spacing multiple does not apply
  kLineNoSelectionMarks = 0x20,   // no selection run, no line-end marks
  kLineInTableCell = 0x40,        // table knots are not entered again
};

// Why the line ended.
enum LineBreakReason : uint32_t {
  kBreakNone = 0,           // the text ran out inside the limit
  kBreakWrapped = 1,        // the next piece did not fit
  kBreakCharLimit = 2,      // 512 characters
  kBreakTableRow = 4,
  kBreakDocumentEnd = 6,    // the document's last character
  kBreakLineFeed = 7,       // also a paragraph-ending knot mark, an empty run, a divider, nothing fit
  kBreakLineSeparator = 8,  // U+2028
  kBreakFormFeed = 9,
  kBreakVerticalTab = 10,
};

enum LineRunKind : uint32_t {
  kRunHighlight = 0,
  kRunBarTab = 1,
  kRunCheckbox = 2,
  kRunUnderline = 3,
  kRunFindMark = 4,
  kRunMark = 5,
  kRunText = 6,
  kRunPicture = 7,
  kRunSelection = 8,
  kRunTab = 9,
  kRunTagMarker = 10,
};

// Subkinds of kRunMark.
enum LineMarkSubkind : uint32_t {
  kMarkBookmark = 0,
  kMarkKnotSingle = 1,
  kMarkKnotBegin = 2,
  kMarkKnotEnd = 3,
  kMarkKnotMiddle = 4,
  kMarkInvisible = 5,  // a space, no-break space, non-breaking hyphen or break character
  kMarkVariable = 6,
};

constexpr uint32_t kMaxLineChars = 512;
constexpr uint32_t kMaxRunChars = 256;
constexpr uint32_t kMaxLineMarks = 25;
constexpr uint32_t kLookaheadScan = 100;
constexpr float kInvisibleMarkWidth = 12.0f;
constexpr float kMinLineWidth = 36.0f;

// One run of a line. A text run (kind 6) is its segment; the segment's head
// is every run's head. The body fields each serve the kinds noted.
struct LineRun {
  LineSegment segment;
  Kolor fill = g_nilKolor;   // 0: background
  Kolor frame = g_nilKolor;  // 0: background frame
  uint32_t value = 0;        // 2 checked, 3 underline kind, 5 subkind, 7 picture index, 9 tab bits, 10 knot id
  uint8_t strike = 0;        // 3
  uint8_t selected = 0;      // 7
  char16_t character = 0;    // 5
  float height = 0;          // 7, 10
  float borderThickness = 0; // 7

  LineRunHead& head() { return segment.head; }
  const LineRunHead& head() const { return segment.head; }
};

// A knot met on the line: its cp and the knot type's line-mark code.
struct LineMark {
  uint32_t cp = 0;
  uint32_t code = 0;
};

// Settings of the document and pane that formatting reads and that their
// records do not hold; all clear unless a caller sets them after
// InitFormatLine.
struct LineFormatSettings {
  uint8_t plainView = 0;        // the pane's plain view: no invisibles, no dark colours
  uint8_t showsKnots = 0;       // the pane shows every knot mark as a marker
  uint8_t darkAppearance = 0;   // the interface is dark
  uint8_t hideInvisibles = 0;   // the document never shows invisibles
  uint8_t hideLineEndMarks = 0;
  uint8_t noObjectWrap = 0;     // in panes of kind 1, objects never wrap
  uint8_t fitToContent = 0;     // the layout width is the text width
  uint8_t boxGrouping = 0;      // a top border only on a box's first line
  uint8_t showWordMarks = 0;
  uint8_t showBookmarks = 0;
  uint8_t readOnlyView = 0;
  uint8_t otherHighlight = 0;   // the document or pane shows another highlight
  uint32_t overrideIndex = kNoCpValue;  // the pane's override index; unset
  int64_t lineHeight = 0;       // the document's own line height (measures), 0 none
  CSArrayCP* wordMarks = nullptr;  // {cp, length} entries; not owned
};

struct LineFormat {
  LineFormat() = default;
  // The runs own their segments' text objects: a record is moved, never copied.
  LineFormat(const LineFormat&) = delete;
  LineFormat& operator=(const LineFormat&) = delete;
  LineFormat(LineFormat&&) = default;
  LineFormat& operator=(LineFormat&&) = default;

  CorvaneDoc* document = nullptr;
  Pane* pane = nullptr;
  int64_t documentValue = 0;
  uint32_t reserved = 0;
  uint32_t flags = 0;
  uint32_t charCount = 0;
  uint32_t firstCp = 0;
  uint32_t endCp = 0;
  uint32_t paneFirst = 0, paneLimit = 0;
  uint32_t frameFirst = 0, frameLimit = 0;
  uint32_t tableCp = 0;
  int64_t availableWidth = 0;
  float leftEdge = 0;
  float textWidth = 0;
  float layoutWidth = 0;
  float naturalWidth = 0;
  float lineHeight = 0;
  float spaceAbove = 0;
  float spaceBelow = 0;
  float baseline = 0;
  float paraLeftEdge = 0;
  float rightEdge = 0;
  uint32_t breakReason = 0;
  uint32_t lineKind = 0;  // 0 text, 2 divider, 3 table row
  uint32_t lookahead = 0;
  uint8_t framed = 0;
  uint8_t plainView = 0;
  uint8_t firstLineFlagged = 0;
  uint8_t rowFlag = 0;
  uint8_t overflow = 0;
  uint8_t endsParagraph = 0;
  uint8_t darkColors = 0;
  std::vector<LineRun> runs;
  float endMarkWidth = 0;
  uint32_t lineMarkCount = 0;
  LineMark lineMarks[kMaxLineMarks] = {};
  BorderDisplay borderEdges;
  LineFormatSettings settings;
  // The mean advance of the text units typeset so far: how much text is
  // worth gathering for the next line.
  float unitAdvance = 0;
};

// Clears the record and sets it up for the document and pane; false when
// it cannot be used.
bool InitFormatLine(CorvaneDoc* document, Pane* pane, LineFormat* format, uint32_t flags);
// Frees the runs and their text segments.
void ReleaseLineFormat(LineFormat* format);
// Formats one line from firstCp in the available width (measures); the
// record holds the result, and the next line starts at its endCp.
void FormatLine(uint32_t firstCp, int64_t availableWidth, LineFormat* format);
// The x of a cp on the formatted line; *rightX (when asked) the x at its
// right side.
float LineXFromCpCore(const LineFormat* format, uint32_t cp, float* rightX);

// The order runs are drawn in: backgrounds, marked ranges, the selection,
// the content, decorations; then by character index.
bool CompareLineRuns(const LineRun& a, const LineRun& b);
// Case rule 1 and 3 upper case, 4 capitalises each word, other non-zero
// rules lower case.
void EnforceCase(char16_t* text, uint32_t length, uint32_t rule, bool afterSpaceOrPunctuation);

// The sizes of checkboxes the host may set; nothing here sets them.
extern float g_checkboxSize;
extern float g_checkboxShift;
