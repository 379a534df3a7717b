#pragma once
// Knots: structured stretches of text (chapters, links, lists, tables and
// their rows, notes, bookmarks, pictures, ...) bounded by mark characters,
// each mark with an entry in the document's cp-keyed knot array. The marks
// of one knot are its kinks: a begin mark, middle marks dividing it into
// parts, and an end mark; some knots are a single mark.

#include <cstdint>

class CSArrayCP;
struct CorvaneDoc;

enum KnotType : uint32_t {
  kKnotNone = 0,
  kKnotAutonum = 1,
  kKnotBookmark = 2,
  kKnotChapter = 3,
  kKnotCheckbox = 4,
  kKnotDivider = 5,
  kKnotLink = 6,
  kKnotList = 7,
  kKnotNote = 8,
  kKnotPicture = 9,
  kKnotShorthand = 10,
  kKnotTable = 11,
  kKnotRow = 12,
  kKnotTag = 13,
  kKnotContents = 14,
  kKnotContentsEntry = 15,
  kKnotVariable = 16,
};
constexpr uint32_t kKnotTypeCount = 17;

// The fixed description of a knot type.
struct KnotDesc {
  uint32_t knotClass;   // 0 single mark, 1 ranged knot, 2 table structure
  uint32_t redrawMode;  // what display gets after an insertion or deletion
  uint32_t lineKink;    // the kind of line the knot forms for layout
  uint32_t middleMark;  // the character of middle marks
  uint32_t endMark;     // the character of the end (or single) mark
  uint32_t kinks;       // marks of a new knot; 0: the caller says
};

// The row of a type; the empty row for a type past the table.
const KnotDesc& KnotDescForType(uint32_t type);
uint32_t KinkCountForType(uint32_t type);
uint32_t LineKinkForKnotType(uint32_t type);

enum KinkRole : uint32_t {
  kKinkSingle = 0,
  kKinkBegin = 1,
  kKinkMiddle = 2,
  kKinkEnd = 3,
};

// The client data of one entry of the knot array; its cp is the key.
struct KnotEntry {
  uint32_t type = 0;
  uint32_t role = 0;
  uint32_t props = 0xFFFFFFFF;  // property index, or none
  uint32_t word1 = 0;           // per type: picture index, shape, style id, variable kind, Kolor, ...
  uint32_t word2 = 0;           // per type: bookmark index, vertical alignment, a switch
  uint16_t word3 = 0;           // value or zoom (1,000 = 100 %)
  uint16_t opacity = 0;
};
static_assert(sizeof(KnotEntry) == 24);

// At most this many kinks of one knot are collected.
constexpr uint32_t kMaxKinks = 100;

// A knot as found around a cp. No knot: `index` 0xFFFFFFFF and all else 0.
struct KnotFormat {
  CorvaneDoc* doc = nullptr;
  uint32_t start = 0;  // the begin or single mark
  uint32_t limit = 0;  // end mark + 1
  KnotEntry entry;     // the begin entry
  uint32_t index = 0xFFFFFFFF;  // of the begin entry in the knot array
  uint32_t knotClass = 0;
  uint32_t kinkCount = 0;
  uint32_t kinkIndex = 0;  // the kink at or before the asked cp
  uint32_t kinks[kMaxKinks] = {};
};

// The innermost knot whose marks enclose cp (a cp on one of its marks
// included); with a nonzero `typeFilter`, a knot of another type counts as
// none. A knot of more than kMaxKinks kinks, or marks that do not nest,
// give no knot.
void FetchKnot(CorvaneDoc* doc, uint32_t cp, KnotFormat* format, uint32_t typeFilter);
// For a begin mark at cp, the cp after its matching end mark; for a single
// mark cp + 1; 0xFFFFFFFF otherwise.
uint32_t KnotLimitCp(CorvaneDoc* doc, uint32_t cp);
// The entry of a mark exactly at cp, copied into `entry`, or false.
bool KnotEntryAtCp(CorvaneDoc* doc, uint32_t cp, KnotEntry* entry, uint32_t* index = nullptr);
// Empties the document's table and row caches, so that no cp falls in them.
void ClearTableCache(CorvaneDoc* doc);

// Set while a knot's marks are being written or removed: list numbering
// waits for the knot to be whole.
void SetEditingKnot(bool editing);
bool IsEditingKnot();

struct DocRange;
struct Pane;
// Whether the pane shows the text of the knot at cp, and over which stretch
// (`range`) that answer holds.
bool ShouldShowKnot(const KnotFormat& format, uint32_t cp, const Pane* pane, DocRange* range);
// The first begin or single mark at or after cp before the text's last cp;
// 0xFFFFFFFF when none.
uint32_t NextKnotCp(CorvaneDoc* doc, uint32_t cp);
// The array listing the begin marks of a knot type, or null.
CSArrayCP* KnotLocationArray(CorvaneDoc* doc, uint32_t type);

// NextEditRange modes.
enum EditRangeMode : uint32_t {
  kEditRangeDelete = 0,
  kEditRangeShown = 3,   // the text a pane shows
  kEditRangeWhole = 6,   // whole knots
};
// The next stretch of `range` that an operation may treat as one piece, in
// `out`; `range` moves past it. False when nothing is left. Edit modes keep
// the paragraph marks that knots and the document's end rely on.
bool NextEditRange(DocRange* range, DocRange* out, Pane* pane, uint32_t mode, const DocRange* paraRange);

// Whether cp lies in a knot of the type (single marks: exactly on one), and
// the knot's range.
bool CpIsWithinKnot(CorvaneDoc* doc, uint32_t cp, uint32_t type, DocRange* range);
// FetchKnot without a filter; true when a knot was found.
bool CpIsWithinAnyKnot(CorvaneDoc* doc, uint32_t cp, KnotFormat* format);
// The range of the knot enclosing the given one.
bool FindOuterKnot(const KnotFormat& format, DocRange* range);
// Widens the range so that it cuts no knot in half; a range that is one
// part of a knot, or a knot's whole inside, becomes the knot.
void ExpandRangeForKnots(DocRange* range);
// The NextEditRange mode for a replacement: 7 with a paragraph range, 5 for
// a paragraph break, 4 for another character, 0 without one (`ch` < 0).
uint32_t KnotEditForReplace(CorvaneDoc* doc, const DocRange* paraRange, int32_t ch);
// Removes the entries first to limit - 1 and tells the host how many
// pictures went; true when a bookmark or chapter was among them.
bool DeleteKnotEntries(CorvaneDoc* doc, uint32_t first, uint32_t limit);
void SetPropsOnKink(CorvaneDoc* doc, uint32_t index, uint32_t props);
inline uint32_t KnotTypeForPaneContents(const Pane*) { return 0; }
inline bool IsKnotVisibleInPane(const Pane*, uint32_t) { return false; }
