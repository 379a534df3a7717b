#pragma once
// The engine's property records: every kind of formatting of a document is a
// record of one of these types, interned in the document's property table so
// that equal formatting is stored once. Records compare by their type and
// body bytes: each body has no hidden padding (the spare bytes are named
// fields, kept zero), so byte comparison and hashing are exact.
//
// Measures are signed 64-bit in 1/914,400 inch (12,700 a point); character
// sizes are in quarter points; colours are Kolors. Enumerated fields hold an
// index into the value names of the format's key tables.

#include <cstdint>
#include <cstring>
#include <type_traits>

#include "support/Kolor.h"
#include "support/Measure.h"

enum PropertyType : uint32_t {
  kCharProperties = 0,
  kParaProperties = 1,
  kChapterProperties = 2,
  kFrameProperties = 3,
  kTableProperties = 4,
  kListProperties = 5,
  kBorderProperties = 7,
  kDocProperties = 8,
  kNoProperties = 255,  // a cleared record, or a deleted style's type
};

constexpr uint32_t kNoPropertyIndex = 0xFFFFFFFF;
constexpr Kolor kBlackKolor = 0x64000000;
constexpr MeasureUnit kHalfInch = kMeasurePerInch / 2;

struct BorderProps {
  uint32_t btype = 0;  // None, Left, Right, Left+right, Top, Bottom, ... (16 kinds)
  uint32_t bline = 0;  // Single, Double, Dots, Dashes, Serrated, Scallops, Gradient
  int64_t bwidth = 0;  // line width
  int64_t bthick = 0;  // thickness
  int64_t boff = 0;    // offset from the text
  Kolor color = 0;     // line colour
  Kolor incolor = 0;   // inner colour
  Kolor back = 0;      // background
  uint32_t spare = 0;
};

struct CharProps {
  uint16_t style = 0;  // index in the document's styles
  uint8_t bold = 0, italic = 0, strike = 0, outline = 0, shadow = 0;
  uint8_t keylessSwitch22 = 0;
  uint8_t unleaded = 0;  // no leading
  uint8_t nolink = 0;
  uint8_t keylessSwitch6 = 0;  // cleared for text typed at the selection
  uint8_t spare1 = 0;
  uint32_t underline = 0;  // None, Single, Word, Double, Dotted, Dashed, Thick
  uint32_t caps = 0;       // none, upper, lower, small, first
  int16_t relsize = 0;     // steps of the size ladder against the Normal style
  uint16_t font = 0;       // index in the font-name list
  int16_t size = 0;        // quarter points
  uint16_t spare2[3] = {};
  int64_t expand = 0;  // character spacing
  int64_t sub = 0;     // baseline offset
  Kolor color = 0;
  Kolor back = 0;
};

// Text shown before or after a paragraph.
struct ParaAffix {
  uint16_t count = 0;
  char16_t units[4] = {};
};

// Position in measures (bits 0-24), a flag (bit 25), the leader (bits 26-28:
// none, dots, hyphens, equals, line, thick line) and the alignment (bits
// 29-31: left, centre, right, decimal, bar).
using TabStop = uint32_t;
constexpr uint32_t kMaxTabs = 25;
constexpr TabStop kTabPositionMask = 0x01FFFFFF;
constexpr TabStop kCenterTab = 0x20000000;
constexpr TabStop kRightTab = 0x40000000;

struct ParaProps {
  uint16_t style = 0;
  uint8_t drop = 0;  // drop-cap lines
  uint8_t pagetop = 0, pagebot = 0, keep = 0, keepnext = 0, big1 = 0, hdrtab = 0, nospell = 0, check = 0;
  uint8_t format1 = 0;  // first-line format
  uint32_t align = 0;   // left, center, justify, right
  ParaAffix prefix;
  ParaAffix suffix;
  uint32_t spare1 = 0;
  int64_t indent1 = 0, indentl = 0, indentr = 0;
  int64_t before = 0, after = 0;
  int64_t height = 0;    // line height
  int64_t multiple = 0;  // line-spacing multiple
  uint16_t reserved[2] = {};
  uint32_t spare2 = 0;
  BorderProps border;
  uint16_t tabCount = 0;
  uint16_t spare3 = 0;
  TabStop tabs[kMaxTabs] = {};
};

struct ChapterProps {
  uint16_t style = 0;
  uint16_t spare1 = 0;
  uint32_t chapstart = 0;  // page, column, even, odd, same
  uint8_t mirrorp = 0;
  uint8_t spare2[3] = {};
  uint32_t pagepos = 0;  // none, tl, tc, tr, ti, to, bl, bc, br, bi, bo
  uint32_t nof = 0;      // page-number format
  uint16_t pagenum = 0;  // first page number
  uint8_t cols = 0;      // column count
  uint8_t colline = 0, custom = 0, balance = 0, framesTB = 0;
  uint8_t spare3[5] = {};
  int64_t between = 0;  // space between columns
  int64_t columns[10] = {};  // c1-c10: custom column widths
  uint8_t tb[160] = {};      // text-box data
  int64_t hoff = 0, foff = 0;  // header and footer offsets
  uint8_t header1 = 0;  // single-space header and footer
  uint8_t title = 0;    // title page
  uint8_t spare4[6] = {};
};

struct FrameProps {
  uint32_t image = 0;  // picture index
  uint32_t opacity = 0;
  uint32_t wrap = 0;  // overlap, underlay, avoid, wider, left, right, inside, outside
  uint8_t tight = 0;
  uint8_t spare1[3] = {};
  int64_t xoff = 0, y = 0;
  uint32_t pageanchor = 0;
  uint32_t bookmark = 0;
  int64_t left = 0, top = 0, width = 0, height = 0;
  uint32_t xbase = 0;  // Margin, Page
  uint32_t x = 0;      // Left, Center, Right, Absolute, Inside, Outside
  uint32_t ybase = 0;  // Margin, Page
  uint32_t ypos = 0;   // Top, Center, Bottom, Absolute
  BorderProps border;
};

struct TableProps {
  uint16_t style = 0;
  uint8_t titlerow = 0, keep = 0, insideonly = 0, autofit = 0, stripe = 0;
  uint8_t spare1 = 0;
  uint32_t align = 0;  // left, center, justify, right
  uint8_t cols = 0;
  uint8_t spare2[3] = {};
  int64_t left = 0, top = 0, right = 0, bottom = 0;
  int64_t cleft = 0, before = 0, cright = 0, after = 0;  // cell paddings
  int64_t height = 0;  // minimum row height; negative: exact
  Kolor stripecolor = 0;
  uint32_t spare3 = 0;
  int64_t columns[25] = {};  // c1-c25
  uint8_t layout[32] = {};   // the table layout's own data
  BorderProps border;
};

// One level's marker of a list: type (0 unset, 1 bullet, 2 check, 3 number,
// 4 picture), number format (0-11), bullet or prefix character, suffix.
struct ListMarker {
  uint32_t type = 0;
  uint32_t format = 0;
  char16_t character = 0;
  char16_t suffix = 0;
};

struct ListProps {
  uint16_t style = 0;
  uint8_t levels = 0;  // show all levels
  uint8_t left = 0;    // flush left
  uint32_t spare1 = 0;
  int64_t indent = 0;
  ListMarker mark[9];
  uint32_t spare2 = 0;
};

struct DocProps {
  int64_t deftab = 0;  // default tab interval
  Kolor btcolor = 0;
  uint32_t spare1 = 0;
  int64_t gutter = 0;
  int16_t pagenum = 0;  // first page number
  uint16_t spare2[3] = {};
  int64_t left = 0, top = 0, right = 0, bottom = 0;  // margins
  uint8_t mirrorh = 0, mirrorl = 0, ignorem = 0, widow = 0, hdrempty = 0, hpush = 0, fpush = 0, backup = 0,
          nowrap = 0, nopreview = 0, nospell = 0, hidebmk = 0, noconv = 0, nixprint = 0, noback = 0;
  uint8_t spare3 = 0;
  Kolor kolor2 = 0, kolor3 = 0;
  int64_t value64 = 0;
  Kolor back = 0;
  uint32_t image = 0;  // background picture index
  uint32_t opacity = 0;
  uint32_t scale = 0;  // per mille
  uint8_t tile = 0;
  uint8_t fill = 0;
  uint8_t spare4[6] = {};
};

// One slot of the property table, large enough for every body.
constexpr size_t kPropertiesRecordSize = 960;

struct Properties {
  uint32_t type = kNoProperties;
  uint32_t ownIndex = kNoPropertyIndex;
  union Body {
    CharProps charProps;
    ParaProps para;
    ChapterProps chapter;
    FrameProps frame;
    TableProps table;
    ListProps list;
    BorderProps border;
    DocProps doc;
    uint8_t bytes[kPropertiesRecordSize - 8];
    Body() { std::memset(bytes, 0, sizeof bytes); }
  } body;
};

static_assert(sizeof(Properties) == kPropertiesRecordSize);
static_assert(std::has_unique_object_representations_v<CharProps> &&
              std::has_unique_object_representations_v<ParaProps> &&
              std::has_unique_object_representations_v<ChapterProps> &&
              std::has_unique_object_representations_v<FrameProps> &&
              std::has_unique_object_representations_v<TableProps> &&
              std::has_unique_object_representations_v<ListProps> &&
              std::has_unique_object_representations_v<BorderProps> &&
              std::has_unique_object_representations_v<DocProps>,
              "property bodies are compared as bytes: no padding");

// The body size of a type; 0 for a type without a record.
size_t PropertyBodySize(uint32_t type);
// Same type and equal body bytes; what lies past the type's body is ignored.
bool ArePropertiesEqual(const Properties& a, const Properties& b);

// Clears the record, sets the type and no own index, and copies the type's
// body from `body` when given.
void InitProperties(uint32_t type, Properties* record, const void* body);
// The engine's fixed base values of a type (colours black or none, margins
// of an inch, ...), everything else zero.
void SetBaseProperties(uint32_t type, Properties* record);
// A border of kind None keeps only its background: the other values are
// reset, so that such borders intern as one.
void SanitizeBorder(Properties* record);

// Tab stops. AddTab ignores an index past the count and drops the last of a
// full set; DeleteTab zeroes the freed slot.
void AddTab(ParaProps* props, uint32_t index, TabStop tab);
void DeleteTab(ParaProps* props, uint32_t index);
void ClearTabs(ParaProps* props);

// The point size `steps` steps up (positive) or down the size ladder,
// clamped to 4-2,000.
int32_t StepOffsetFontSize(int32_t points, int32_t steps);

// All four values zero.
bool IsEmptyMeasureRect(const CSRect& rect);

static_assert(std::is_trivially_copyable_v<Properties>, "records are copied as bytes into the property table");
