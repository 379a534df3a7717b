#include "richtext/Atoms.h"

#include <algorithm>
#include <array>
#include <cstring>
#include <cstddef>
#include <string_view>

#include <QHash>

#include "richtext/RtfDialect.h"

namespace {

// The field tags in key order from kFirstFieldXmlKey; an empty name marks the
// unused key.
constexpr std::array<std::string_view, kLastFieldXmlKey - kFirstFieldXmlKey + 1> kFieldTags = {
    "after", "align", "levels", "autofit", "back", "backup", "balance", "btcolor", "before", "between", "bold",
    "bookmark", "bline", "boff", "bthick", "btype", "bwidth", "pagebot", "bottom", "caps", "cleft", "cright",
    "chapstart", "check", "c1", "c2", "c3", "c4", "c5", "c6", "c7", "c8", "c9", "c10", "c11", "c12", "c13", "c14",
    "c15", "c16", "c17", "c18", "c19", "c20", "c21", "c22", "c23", "c24", "c25", "color", "colline", "cols",
    "custom", "deftab", "drop", "endch", "expand", "fill", "big1", "format1", "indent", "indent1", "size", "font",
    "foff", "fpush", "framesTB", "gutter", "hoff", "hpush", "hdrtab", "height", "hidebmk", "unleaded", "ignorem",
    "incolor", "insideonly", "italic", "keepnext", "keep", "lead", "indentl", "left", "multiple", "mirrorh",
    "mirrorl", "mirrorp", "hdrempty", "nolink", "nopreview", "nixprint", "nospell", "nowrap", "nof", "", "opacity",
    "outline", "pageanchor", "pagenum", "pagepos", "image", "prefix", "relsize", "res", "indentr", "right", "scale",
    "shadow", "header1", "strike", "stripe", "stripecolor", "style", "sub", "suffix", "noback", "noconv", "tab",
    "tabdel", "tb", "tight", "tile", "title", "titlerow", "pagetop", "top", "underline", "widow", "width", "wrap",
    "xbase", "xoff", "x", "ybase", "y", "ypos"};

static_assert(kFieldTags[1112 - kFirstFieldXmlKey] == "c1" && kFieldTags[1136 - kFirstFieldXmlKey] == "c25");
static_assert(kFieldTags[1182 - kFirstFieldXmlKey].empty());

// The key of a field tag; a name that is no field tag fails the build.
consteval uint32_t K(std::string_view name) {
  if (name == "mark") return kMarkXmlKey;
  for (size_t i = 0; i < kFieldTags.size(); ++i)
    if (kFieldTags[i] == name) return uint32_t(kFirstFieldXmlKey + i);
  throw "unknown field tag";
}

constexpr uint32_t kNoKey = 0;

// Places and sizes of fields of the record bodies.
#define AT(S, f) uint8_t(sizeof(S::f)), uint32_t(offsetof(S, f))
#define ATN(S, f, n, each) uint8_t(each), uint32_t(offsetof(S, f) + (n) * (each))
#define ATB(S, f) uint8_t(sizeof(BorderProps::f)), uint32_t(offsetof(S, border) + offsetof(BorderProps, f))
#define NONE 0, 0

constexpr AtomDesc Row(uint32_t id, uint8_t size, uint32_t offset, uint32_t kind, uint32_t change,
                       const char* description, uint32_t descriptionKind, uint32_t key, uint32_t instance = 0) {
  return AtomDesc{uint8_t(id), size, 0, kind, offset, change, description, 0, descriptionKind, key, instance};
}
constexpr AtomDesc Unused(uint32_t id) { return Row(id, NONE, kAtomAction, kChangeNone, nullptr, 0, kNoKey); }
constexpr AtomDesc Empty() { return Row(0, NONE, kAtomAction, kChangeNone, nullptr, 0, kNoKey); }

constexpr uint32_t P = kAtomDescriptionPlain, D = kAtomDescriptionInteger, T = kAtomDescriptionText,
                   N = kAtomDescriptionNone;

// ---- char ----
constexpr AtomDesc kCharRows[] = {
    Empty(),
    Row(1, AT(CharProps, style), kAtomInteger, kChangeStyle, nullptr, N, K("style")),
    Row(2, NONE, kAtomAction, kChangeStyle, nullptr, N, kNoKey),
    Row(3, AT(CharProps, bold), kAtomSwitch, kChangeFace, "bold", P, K("bold")),
    Row(4, AT(CharProps, italic), kAtomSwitch, kChangeFace, "italic", P, K("italic")),
    Row(5, AT(CharProps, underline), kAtomEnum, kChangeFace, "underline=%@", T, K("underline")),
    Row(6, AT(CharProps, keylessSwitch6), kAtomSwitch, kChangeFace, nullptr, N, kNoKey),
    Row(7, AT(CharProps, caps), kAtomEnum, kChangeFace, "caps=%@", T, K("caps")),
    Row(8, AT(CharProps, outline), kAtomSwitch, kChangeFace, "outline", P, K("outline")),
    Row(9, AT(CharProps, strike), kAtomSwitch, kChangeFace, "strike-through", P, K("strike")),
    Row(10, AT(CharProps, relsize), kAtomRelativeSize, kChangeFont, "rel. size=%@", T, K("relsize")),
    Row(11, AT(CharProps, font), kAtomFontIndex, kChangeFont, "font=%@", T, K("font")),
    Row(12, AT(CharProps, size), kAtomFontSize, kChangeFont, "size=%@ point", T, K("size")),
    Row(13, AT(CharProps, expand), kAtomMeasure, kChangeSpacing, "expand=%@", T, K("expand")),
    Row(14, AT(CharProps, sub), kAtomMeasure, kChangeSpacing, "subscript=%@", T, K("sub")),
    Row(15, AT(CharProps, color), kAtomKolor, kChangeColor, "color=%@", T, K("color")),
    Row(16, AT(CharProps, back), kAtomKolor, kChangeColor, "back color=%@", T, K("back")),
    Row(17, AT(CharProps, shadow), kAtomSwitch, kChangeFace, "shadow", P, K("shadow")),
    Row(18, AT(CharProps, nolink), kAtomSwitch, kChangeFace, "no link", P, K("nolink")),
    // Steps the size: carries +1 or -1, applied by the molecule code.
    Row(19, AT(CharProps, size), kAtomAction, kChangeFont, nullptr, N, kNoKey),
    Unused(20),
    Row(21, AT(CharProps, unleaded), kAtomSwitch, kChangeSpacing, "no leading", P, K("unleaded")),
    Row(22, AT(CharProps, keylessSwitch22), kAtomSwitch, kChangeFace, nullptr, N, kNoKey),
};

// ---- para ----
constexpr AtomDesc kParaRows[] = {
    Empty(),
    Row(1, AT(ParaProps, style), kAtomInteger, kChangeStyle, nullptr, N, K("style")),
    Row(2, NONE, kAtomAction, kChangeStyle, nullptr, N, kNoKey),
    Row(3, AT(ParaProps, align), kAtomEnum, kChangeIndent, "align=%@", T, K("align")),
    Row(4, AT(ParaProps, drop), kAtomInteger, kChangeLayout, "drop cap=%d", D, K("drop")),
    Unused(5),
    Row(6, AT(ParaProps, pagetop), kAtomSwitch, kChangeLayout, "top of page", P, K("pagetop")),
    Row(7, AT(ParaProps, pagebot), kAtomSwitch, kChangeLayout, "bottom of page", P, K("pagebot")),
    Row(8, AT(ParaProps, keep), kAtomSwitch, kChangeLayout, "keep", P, K("keep")),
    Row(9, AT(ParaProps, keepnext), kAtomSwitch, kChangeLayout, "keep next", P, K("keepnext")),
    Row(10, AT(ParaProps, big1), kAtomSwitch, kChangeLayout, "big 1st char", P, K("big1")),
    Row(11, AT(ParaProps, format1), kAtomCharAtomName, kChangeFace, "1st line format=%@", T, K("format1")),
    Row(12, AT(ParaProps, hdrtab), kAtomSwitch, kChangeTabs, "header tabs", P, K("hdrtab")),
    Unused(13),
    Unused(14),
    Row(15, AT(ParaProps, prefix), kAtomCountedString, kChangeText, "prefix=\"%@\"", T, K("prefix")),
    Row(16, AT(ParaProps, suffix), kAtomCountedString, kChangeText, "suffix=\"%@\"", T, K("suffix")),
    Row(17, AT(ParaProps, indent1), kAtomMeasure, kChangeIndent, "1st indent=%@", T, K("indent1")),
    Row(18, AT(ParaProps, indentl), kAtomMeasure, kChangeIndent, "left indent=%@", T, K("indentl")),
    Row(19, AT(ParaProps, indentr), kAtomMeasure, kChangeIndent, "right indent=%@", T, K("indentr")),
    Row(20, AT(ParaProps, before), kAtomMeasure, kChangeSpacing, "space before=%@", T, K("before")),
    Row(21, AT(ParaProps, after), kAtomMeasure, kChangeSpacing, "space after=%@", T, K("after")),
    Row(22, AT(ParaProps, height), kAtomLineHeight, kChangeSpacing, "height=%@", T, K("height")),
    Row(23, ATN(ParaProps, tabs, 0, sizeof(TabStop)), kAtomTabStop, kChangeTabs, "no tab [%@ %@%@]",
        kAtomDescriptionTab, K("tabdel")),
    Row(24, ATN(ParaProps, tabs, 0, sizeof(TabStop)), kAtomTabStop, kChangeTabs, "tab [%@ %@%@]",
        kAtomDescriptionTab, K("tab")),
    Row(25, ATB(ParaProps, btype), kAtomEnum, kChangeBorder, "%@", T, K("btype")),
    Row(26, ATB(ParaProps, bline), kAtomEnum, kChangeBorder, "line=%@", T, K("bline")),
    Row(27, ATB(ParaProps, bwidth), kAtomBorderWidth, kChangeBorder, "width=%@", T, K("bwidth")),
    Row(28, ATB(ParaProps, boff), kAtomMeasure, kChangeBorder, "offset=%@", T, K("boff")),
    Row(29, ATB(ParaProps, color), kAtomKolor, kChangeBorder, "line color=%@", T, K("color")),
    Row(30, ATB(ParaProps, back), kAtomKolor, kChangeBorder, "back color=%@", T, K("back")),
    Unused(31),
    // Adds a tab (carries it); clears all tabs.
    Row(32, ATN(ParaProps, tabs, 0, sizeof(TabStop)), kAtomAction, kChangeTabs, nullptr, N, kNoKey),
    Row(33, NONE, kAtomAction, kChangeTabs, nullptr, N, kNoKey),
    Row(34, AT(ParaProps, nospell), kAtomSwitch, kChangeLayout, "no spelling", P, K("nospell")),
    Row(35, ATB(ParaProps, bthick), kAtomMeasure, kChangeBorder, "thickness=%@", T, K("bthick")),
    Row(36, ATB(ParaProps, incolor), kAtomKolor, kChangeBorder, "inner color=%@", T, K("incolor")),
    Row(37, AT(ParaProps, multiple), kAtomLineMultiple, kChangeSpacing, "multiple=%@", T, K("multiple")),
    Row(38, AT(ParaProps, check), kAtomSwitch, kChangeLayout, "checkbox on", P, K("check")),
};

// ---- chapter ----
#define CHAPCOL(n, text) \
  Row(13 + (n), ATN(ChapterProps, columns, n, sizeof(int64_t)), kAtomMeasure, kChangeColumns, text, T, \
      K("c1") + (n), n)
constexpr AtomDesc kChapterRows[] = {
    Empty(),
    Row(1, AT(ChapterProps, style), kAtomInteger, kChangeStyle, nullptr, N, K("style")),
    Row(2, AT(ChapterProps, chapstart), kAtomEnum, kChangeLayout, "start=%@", T, K("chapstart")),
    Row(3, AT(ChapterProps, title), kAtomSwitch, kChangeLayout, "title page", P, K("title")),
    Unused(4),
    Row(5, AT(ChapterProps, balance), kAtomSwitch, kChangeColumns, "balance columns", P, K("balance")),
    Row(6, AT(ChapterProps, pagepos), kAtomEnum, kChangeLayout, "auto page #", P, K("pagepos")),
    Row(7, AT(ChapterProps, nof), kAtomEnum, kChangeLayout, "page # format=%@", T, K("nof")),
    Row(8, AT(ChapterProps, pagenum), kAtomPage, kChangeLayout, "page # start=%d", D, K("pagenum")),
    Row(9, AT(ChapterProps, cols), kAtomInteger, kChangeColumns, "columns=%d", D, K("cols")),
    Row(10, AT(ChapterProps, colline), kAtomSwitch, kChangeColumns, "line between columns", P, K("colline")),
    Row(11, AT(ChapterProps, custom), kAtomSwitch, kChangeColumns, "custom column widths", P, K("custom")),
    Row(12, AT(ChapterProps, between), kAtomMeasure, kChangeColumns, "space between columns=%@", T, K("between")),
    CHAPCOL(0, "column 1=%@"),
    CHAPCOL(1, "column 2=%@"),
    CHAPCOL(2, "column 3=%@"),
    CHAPCOL(3, "column 4=%@"),
    CHAPCOL(4, "column 5=%@"),
    CHAPCOL(5, "column 6=%@"),
    CHAPCOL(6, "column 7=%@"),
    CHAPCOL(7, "column 8=%@"),
    CHAPCOL(8, "column 9=%@"),
    CHAPCOL(9, "column 10=%@"),
    Row(23, AT(ChapterProps, hoff), kAtomMeasure, kChangeLayout, "header offset=%@", T, K("hoff")),
    Row(24, AT(ChapterProps, foff), kAtomMeasure, kChangeLayout, "footer offset=%@", T, K("foff")),
    Unused(25),
    Unused(26),
    Row(27, AT(ChapterProps, header1), kAtomSwitch, kChangeLayout, "single-space header/footer", P, K("header1")),
    Unused(28),
    Unused(29),
    Unused(30),
    Unused(31),
    Row(32, AT(ChapterProps, mirrorp), kAtomInteger, kChangeLayout, "mirror pg #=%@", T, K("mirrorp")),
    Row(33, AT(ChapterProps, framesTB), kAtomSwitch, kChangeLayout, "frames affect text boxes", P, K("framesTB")),
    // The text-box data is larger than an atom can carry: the atom holds its
    // first word, the count the description shows.
    Row(34, ATN(ChapterProps, tb, 0, sizeof(uint32_t)), kAtomTextBoxes, kChangeLayout, "text boxes=%d", D,
        K("tb")),
};
#undef CHAPCOL

// ---- frame ----
#define BORDER(first, S)                                                                                   \
  Row(first, ATB(S, btype), kAtomEnum, kChangeBorder, "%@", T, K("btype")),                               \
      Row(first + 1, ATB(S, bline), kAtomEnum, kChangeBorder, "line=%@", T, K("bline")),                  \
      Row(first + 2, ATB(S, bwidth), kAtomBorderWidth, kChangeBorder, "width=%@", T, K("bwidth")),        \
      Row(first + 3, ATB(S, boff), kAtomMeasure, kChangeBorder, "offset=%@", T, K("boff")),               \
      Row(first + 4, ATB(S, color), kAtomKolor, kChangeBorder, "line color=%@", T, K("color")),           \
      Row(first + 5, ATB(S, back), kAtomKolor, kChangeBorder, "back color=%@", T, K("back")),             \
      Row(first + 6, ATB(S, bthick), kAtomMeasure, kChangeBorder, "thickness=%@", T, K("bthick")),        \
      Row(first + 7, ATB(S, incolor), kAtomKolor, kChangeBorder, "inner color=%@", T, K("incolor"))
constexpr AtomDesc kFrameRows[] = {
    Empty(),
    Unused(1),
    Row(2, AT(FrameProps, image), kAtomInteger, kChangeLayout, "picture=%d", D, K("image")),
    Row(3, AT(FrameProps, wrap), kAtomEnum, kChangeLayout, "text %@", T, K("wrap")),
    Row(4, AT(FrameProps, tight), kAtomSwitch, kChangeLayout, "text hugs picture", P, K("tight")),
    Row(5, AT(FrameProps, y), kAtomMeasure, kChangeLayout, "vert offset=%@", T, K("y")),
    Row(6, AT(FrameProps, xoff), kAtomMeasure, kChangeLayout, "horz offset=%@", T, K("xoff")),
    Row(7, AT(FrameProps, pageanchor), kAtomPage, kChangeLayout, "page=%d", D, K("pageanchor")),
    Row(8, AT(FrameProps, bookmark), kAtomBookmark, kChangeLayout, "bookmark=%@", T, K("bookmark")),
    Row(9, AT(FrameProps, top), kAtomMeasure, kChangeLayout, "top=%@", T, K("top")),
    Row(10, AT(FrameProps, left), kAtomMeasure, kChangeLayout, "left=%@", T, K("left")),
    Row(11, AT(FrameProps, height), kAtomMeasure, kChangeLayout, "height=%@", T, K("height")),
    Row(12, AT(FrameProps, width), kAtomMeasure, kChangeLayout, "width=%@", T, K("width")),
    Row(13, AT(FrameProps, xbase), kAtomEnum, kChangeLayout, "horz anchor=%@", T, K("xbase")),
    Row(14, AT(FrameProps, x), kAtomEnum, kChangeLayout, "horz position=%@", T, K("x")),
    Row(15, AT(FrameProps, ybase), kAtomEnum, kChangeLayout, "vert anchor=%@", T, K("ybase")),
    Row(16, AT(FrameProps, ypos), kAtomEnum, kChangeLayout, "vert position=%@", T, K("ypos")),
    BORDER(17, FrameProps),
    Row(25, AT(FrameProps, opacity), kAtomInteger, kChangeColor, "opacity=%@%%", T, K("opacity")),
};

// ---- table ----
#define TABCOL(atom, n) \
  Row(atom, ATN(TableProps, columns, n, sizeof(int64_t)), kAtomMeasure, kChangeColumns, nullptr, N, K("c1") + (n), n)
constexpr AtomDesc kTableRows[] = {
    Empty(),
    Row(1, AT(TableProps, style), kAtomInteger, kChangeStyle, nullptr, N, K("style")),
    Row(2, AT(TableProps, titlerow), kAtomSwitch, kChangeLayout, "title row", P, K("titlerow")),
    Row(3, AT(TableProps, keep), kAtomSwitch, kChangeLayout, "keep", P, K("keep")),
    Row(4, AT(TableProps, align), kAtomEnum, kChangeLayout, "align=%@", T, K("align")),
    Row(5, AT(TableProps, cols), kAtomInteger, kChangeColumns, "columns=%d", D, K("cols")),
    Row(6, AT(TableProps, top), kAtomMeasure, kChangeSpacing, nullptr, N, K("top")),
    Row(7, AT(TableProps, left), kAtomMeasure, kChangeSpacing, nullptr, N, K("left")),
    Row(8, AT(TableProps, bottom), kAtomMeasure, kChangeSpacing, nullptr, N, K("bottom")),
    Row(9, AT(TableProps, right), kAtomMeasure, kChangeSpacing, nullptr, N, K("right")),
    Row(10, AT(TableProps, before), kAtomMeasure, kChangeSpacing, "cell before=%@", T, K("before")),
    Row(11, AT(TableProps, cleft), kAtomMeasure, kChangeSpacing, "cell left=%@", T, K("cleft")),
    Row(12, AT(TableProps, after), kAtomMeasure, kChangeSpacing, "cell after=%@", T, K("after")),
    Row(13, AT(TableProps, cright), kAtomMeasure, kChangeSpacing, "cell right=%@", T, K("cright")),
    Row(14, AT(TableProps, height), kAtomMeasure, kChangeSpacing, "height=%@", T, K("height")),
    TABCOL(15, 0), TABCOL(16, 1), TABCOL(17, 2), TABCOL(18, 3), TABCOL(19, 4),
    TABCOL(20, 5), TABCOL(21, 6), TABCOL(22, 7), TABCOL(23, 8), TABCOL(24, 9),
    BORDER(25, TableProps),
    Row(33, AT(TableProps, insideonly), kAtomSwitch, kChangeSpacing, "interior spacing", P, K("insideonly")),
    Row(34, AT(TableProps, autofit), kAtomSwitch, kChangeColumns, "auto-fit", P, K("autofit")),
    TABCOL(35, 10), TABCOL(36, 11), TABCOL(37, 12), TABCOL(38, 13), TABCOL(39, 14),
    TABCOL(40, 15), TABCOL(41, 16), TABCOL(42, 17), TABCOL(43, 18), TABCOL(44, 19),
    TABCOL(45, 20), TABCOL(46, 21), TABCOL(47, 22), TABCOL(48, 23), TABCOL(49, 24),
    Row(50, AT(TableProps, stripe), kAtomSwitch, kChangeColor, "stripe", P, K("stripe")),
    Row(51, AT(TableProps, stripecolor), kAtomKolor, kChangeColor, "stripe color=%@", T, K("stripecolor")),
};
#undef TABCOL

// ---- list ----
#define MARK(n, text) \
  Row(5 + (n), ATN(ListProps, mark, n, sizeof(ListMarker)), kAtomListMarker, kChangeText, text, T, K("mark"), n)
constexpr AtomDesc kListRows[] = {
    Empty(),
    Row(1, AT(ListProps, style), kAtomInteger, kChangeStyle, nullptr, N, K("style")),
    Row(2, AT(ListProps, levels), kAtomSwitch, kChangeText, "show all levels", P, K("levels")),
    Row(3, AT(ListProps, left), kAtomSwitch, kChangeIndent, "flush left", P, K("left")),
    Row(4, AT(ListProps, indent), kAtomMeasure, kChangeIndent, "indent=%@", T, K("indent")),
    MARK(0, "marker 1=%@"), MARK(1, "marker 2=%@"), MARK(2, "marker 3=%@"),
    MARK(3, "marker 4=%@"), MARK(4, "marker 5=%@"), MARK(5, "marker 6=%@"),
    MARK(6, "marker 7=%@"), MARK(7, "marker 8=%@"), MARK(8, "marker 9=%@"),
};
#undef MARK

// ---- border ----
#define ATO(f) uint8_t(sizeof(BorderProps::f)), uint32_t(offsetof(BorderProps, f))
constexpr AtomDesc kBorderRows[] = {
    Empty(),
    Row(1, ATO(btype), kAtomEnum, kChangeBorder, "%@", T, K("btype")),
    Row(2, ATO(bline), kAtomEnum, kChangeBorder, "line=%@", T, K("bline")),
    Row(3, ATO(bwidth), kAtomBorderWidth, kChangeBorder, "width=%@", T, K("bwidth")),
    Row(4, ATO(boff), kAtomMeasure, kChangeBorder, "offset=%@", T, K("boff")),
    Row(5, ATO(color), kAtomKolor, kChangeBorder, "line color=%@", T, K("color")),
    Row(6, ATO(back), kAtomKolor, kChangeBorder, "back color=%@", T, K("back")),
    Row(7, ATO(bthick), kAtomMeasure, kChangeBorder, "thickness=%@", T, K("bthick")),
    Row(8, ATO(incolor), kAtomKolor, kChangeBorder, "inner color=%@", T, K("incolor")),
};
#undef ATO

// ---- doc ----
#define DOC(id, f, kind, change) Row(id, AT(DocProps, f), kind, change, nullptr, N, K(#f))
constexpr AtomDesc kDocRows[] = {
    Empty(),
    DOC(1, deftab, kAtomMeasure, kChangeTabs),
    DOC(2, gutter, kAtomMeasure, kChangeLayout),
    DOC(3, pagenum, kAtomPage, kChangeLayout),
    DOC(4, mirrorh, kAtomSwitch, kChangeLayout),
    DOC(5, mirrorl, kAtomSwitch, kChangeLayout),
    DOC(6, ignorem, kAtomSwitch, kChangeLayout),
    DOC(7, widow, kAtomSwitch, kChangeLayout),
    DOC(8, noconv, kAtomSwitch, kChangeLayout),
    DOC(9, nixprint, kAtomSwitch, kChangeLayout),
    DOC(10, noback, kAtomSwitch, kChangeColor),
    DOC(11, btcolor, kAtomKolor, kChangeColor),
    Unused(12),
    DOC(13, backup, kAtomSwitch, kChangeLayout),
    Unused(14),
    Unused(15),
    Unused(16),
    Unused(17),
    DOC(18, hdrempty, kAtomSwitch, kChangeLayout),
    DOC(19, nowrap, kAtomSwitch, kChangeLayout),
    DOC(20, top, kAtomMeasure, kChangeLayout),
    DOC(21, left, kAtomMeasure, kChangeLayout),
    DOC(22, bottom, kAtomMeasure, kChangeLayout),
    DOC(23, right, kAtomMeasure, kChangeLayout),
    DOC(24, hpush, kAtomSwitch, kChangeLayout),
    DOC(25, fpush, kAtomSwitch, kChangeLayout),
    DOC(26, nopreview, kAtomSwitch, kChangeLayout),
    DOC(27, back, kAtomKolor, kChangeColor),
    DOC(28, image, kAtomInteger, kChangeColor),
    DOC(29, tile, kAtomSwitch, kChangeColor),
    DOC(30, fill, kAtomSwitch, kChangeColor),
    DOC(31, opacity, kAtomInteger, kChangeColor),
    DOC(32, nospell, kAtomSwitch, kChangeLayout),
    DOC(33, scale, kAtomInteger, kChangeColor),
    DOC(34, hidebmk, kAtomSwitch, kChangeLayout),
};
#undef DOC
#undef BORDER
#undef AT
#undef ATN
#undef ATB
#undef NONE

// Every row sits at its own id, fits an atom's 4-bit length and lies inside
// its record's body.
template <size_t n>
consteval bool RowsFit(const AtomDesc (&rows)[n], size_t bodySize) {
  for (size_t i = 0; i < n; ++i) {
    const AtomDesc& row = rows[i];
    if (row.atomId != i) return false;
    if (row.valueSize > kMaxAtomValueSize) return false;
    if (row.offset + row.valueSize > bodySize) return false;
    if (row.valueKind == kAtomSwitch && row.valueSize != 1) return false;
  }
  return true;
}
static_assert(std::size(kCharRows) == 23 && RowsFit(kCharRows, sizeof(CharProps)));
static_assert(std::size(kParaRows) == 39 && RowsFit(kParaRows, sizeof(ParaProps)));
static_assert(std::size(kChapterRows) == 35 && RowsFit(kChapterRows, sizeof(ChapterProps)));
static_assert(std::size(kFrameRows) == 26 && RowsFit(kFrameRows, sizeof(FrameProps)));
static_assert(std::size(kTableRows) == 52 && RowsFit(kTableRows, sizeof(TableProps)));
static_assert(std::size(kListRows) == 14 && RowsFit(kListRows, sizeof(ListProps)));
static_assert(std::size(kBorderRows) == 9 && RowsFit(kBorderRows, sizeof(BorderProps)));
static_assert(std::size(kDocRows) == 35 && RowsFit(kDocRows, sizeof(DocProps)));

// ---- The RTF columns ----
// For each atom the RTF writer writes: the keyword and how its value goes.
// Atoms not listed are not written.
struct RtfColumn {
  uint32_t atom;
  uint32_t keyword;
  uint16_t emitKind;
};

constexpr uint16_t kOn = kRtfEmitFlagOn, kTwips = kRtfEmitTwips, kInt = kRtfEmitInteger, kColor = kRtfEmitColor,
                   kSpecial = kRtfEmitSpecial;

constexpr RtfColumn kCharRtf[] = {
    {1, RtfKey("cs"), kInt},          {3, RtfKey("b"), kOn},
    {4, RtfKey("i"), kOn},            {5, RtfKey("ul"), kSpecial},
    {7, RtfKey("caps"), kSpecial},    {8, RtfKey("outl"), kOn},
    {9, RtfKey("strike"), kOn},       {10, RtfKey("crvnrelsize"), kSpecial},
    {11, RtfKey("f"), kRtfEmitFont},  {12, RtfKey("fs"), kSpecial},
    {13, RtfKey("expnd"), kSpecial},  {14, RtfKey("up"), kSpecial},
    {15, RtfKey("cf"), kColor},       {16, RtfKey("cb"), kColor},
    {17, RtfKey("shad"), kOn},        {18, RtfKey("crvnnolink"), kOn},
    {21, RtfKey("crvnunleaded"), kOn},
};

// The border fields of a type, from the atom of its kind; the paragraph's
// background is written with its shading by the writer itself.
#define RTF_BORDER(kind, line, width, offset, color, back, thick, inner)                                   \
  {kind, RtfKey("box"), kRtfEmitBorderKind}, {line, RtfKey("brdrs"), kRtfEmitLineStyle},                 \
      {width, RtfKey("brdrw"), kRtfEmitBorderWidth}, {offset, RtfKey("brsp"), kTwips},                    \
      {color, RtfKey("brdrcf"), kColor}, {back, RtfKey("cfpat"), kColor},                                 \
      {thick, RtfKey("crvnbdrthick"), kTwips}, {inner, RtfKey("crvnbdrinner"), kColor}

constexpr RtfColumn kParaRtf[] = {
    {1, RtfKey("s"), kInt},
    {3, RtfKey("ql"), kSpecial},
    {4, RtfKey("dropcapli"), kInt},
    {6, RtfKey("pagebb"), kOn},
    {7, RtfKey("crvnbotpg"), kOn},
    {8, RtfKey("keep"), kOn},
    {9, RtfKey("keepn"), kOn},
    {10, RtfKey("crvnbig"), kOn},
    {11, RtfKey("crvnfirstline"), kSpecial},
    {12, RtfKey("crvnlcrt"), kOn},
    {15, RtfKey("crvnprefix"), kRtfEmitCountedString},
    {16, RtfKey("crvnsuffix"), kRtfEmitCountedString},
    {17, RtfKey("fi"), kTwips},
    {18, RtfKey("li"), kTwips},
    {19, RtfKey("ri"), kTwips},
    {20, RtfKey("sb"), kTwips},
    {21, RtfKey("sa"), kTwips},
    {22, RtfKey("sl"), kTwips},
    {24, RtfKey("tx"), kSpecial},
    RTF_BORDER(25, 26, 27, 28, 29, 30, 35, 36),
    {34, RtfKey("noproof"), kOn},
    {37, RtfKey("slmult"), kSpecial},
    {38, RtfKey("crvnchecked"), kOn},
};

constexpr RtfColumn kChapterRtf[] = {
    {1, RtfKey("ds"), kInt},
    {2, RtfKey("sbkpage"), kSpecial},
    {3, RtfKey("titlepg"), kOn},
    {5, RtfKey("nocolbal"), kOn},
    {6, RtfKey("crvnpgnpos"), kSpecial},
    {7, RtfKey("pgndec"), kRtfEmitPageNumberFormat},
    {8, RtfKey("pgnstarts"), kRtfEmitPage},
    {9, RtfKey("cols"), kInt},
    {10, RtfKey("linebetcol"), kOn},
    {12, RtfKey("colsx"), kTwips},
    {13, RtfKey("colw"), kSpecial}, {14, RtfKey("colw"), kSpecial}, {15, RtfKey("colw"), kSpecial},
    {16, RtfKey("colw"), kSpecial}, {17, RtfKey("colw"), kSpecial}, {18, RtfKey("colw"), kSpecial},
    {19, RtfKey("colw"), kSpecial}, {20, RtfKey("colw"), kSpecial}, {21, RtfKey("colw"), kSpecial},
    {22, RtfKey("colw"), kSpecial},
    {23, RtfKey("headery"), kTwips},
    {24, RtfKey("footery"), kTwips},
    {27, RtfKey("crvnnodblhdr"), kOn},
    {33, RtfKey("crvnfrtb"), kOn},
};

constexpr RtfColumn kFrameRtf[] = {
    {5, RtfKey("dfrmtxty"), kTwips},
    {6, RtfKey("dfrmtxtx"), kTwips},
    {7, RtfKey("crvnfpage"), kRtfEmitPage},
    {11, RtfKey("absh"), kTwips},
    {12, RtfKey("absw"), kTwips},
    RTF_BORDER(17, 18, 19, 20, 21, 22, 23, 24),
    {25, RtfKey("crvnfrpopacity"), kInt},
};

constexpr RtfColumn kTableRtf[] = {
    {1, RtfKey("crvnts"), kInt},
    {2, RtfKey("trhdr"), kOn},
    {3, RtfKey("crvntblkeep"), kOn},
    {4, RtfKey("trql"), kSpecial},
    {6, RtfKey("crvntbltop"), kTwips},
    {7, RtfKey("trleft"), kTwips},
    {8, RtfKey("crvntblbottom"), kTwips},
    {9, RtfKey("crvntblright"), kTwips},
    {10, RtfKey("crvncellt"), kTwips},
    {11, RtfKey("crvncelll"), kTwips},
    {12, RtfKey("crvncellb"), kTwips},
    {13, RtfKey("crvncellr"), kTwips},
    {14, RtfKey("crvntblline"), kTwips},
    {15, RtfKey("colw"), kSpecial}, {16, RtfKey("colw"), kSpecial}, {17, RtfKey("colw"), kSpecial},
    {18, RtfKey("colw"), kSpecial}, {19, RtfKey("colw"), kSpecial}, {20, RtfKey("colw"), kSpecial},
    {21, RtfKey("colw"), kSpecial}, {22, RtfKey("colw"), kSpecial}, {23, RtfKey("colw"), kSpecial},
    {24, RtfKey("colw"), kSpecial},
    RTF_BORDER(25, 26, 27, 28, 29, 30, 31, 32),
    {33, RtfKey("crvninside"), kOn},
    {34, RtfKey("crvnautotbl"), kOn},
    {35, RtfKey("colw"), kSpecial}, {36, RtfKey("colw"), kSpecial}, {37, RtfKey("colw"), kSpecial},
    {38, RtfKey("colw"), kSpecial}, {39, RtfKey("colw"), kSpecial}, {40, RtfKey("colw"), kSpecial},
    {41, RtfKey("colw"), kSpecial}, {42, RtfKey("colw"), kSpecial}, {43, RtfKey("colw"), kSpecial},
    {44, RtfKey("colw"), kSpecial}, {45, RtfKey("colw"), kSpecial}, {46, RtfKey("colw"), kSpecial},
    {47, RtfKey("colw"), kSpecial}, {48, RtfKey("colw"), kSpecial}, {49, RtfKey("colw"), kSpecial},
    {50, RtfKey("crvnstripe"), kOn},
    {51, RtfKey("crvnstripeclr"), kColor},
};

constexpr RtfColumn kListRtf[] = {{0, 0, 0}};

constexpr RtfColumn kBorderRtf[] = {RTF_BORDER(1, 2, 3, 4, 5, 6, 7, 8)};
#undef RTF_BORDER

constexpr RtfColumn kDocRtf[] = {
    {1, RtfKey("deftab"), kTwips},
    {2, RtfKey("gutter"), kTwips},
    {3, RtfKey("pgnstart"), kRtfEmitPage},
    {4, RtfKey("facingp"), kOn},
    {5, RtfKey("margmirror"), kOn},
    {6, RtfKey("crvnignoremarg"), kOn},
    {7, RtfKey("widowctrl"), kOn},
    {8, RtfKey("crvnnoconv"), kOn},
    {10, RtfKey("crvnnoback"), kOn},
    {11, RtfKey("crvnbtcolor"), kColor},
    {13, RtfKey("makebackup"), kOn},
    {18, RtfKey("crvnnoemptyhdr"), kOn},
    {19, RtfKey("crvnnodocwrap"), kOn},
    {20, RtfKey("margt"), kSpecial},
    {21, RtfKey("margl"), kTwips},
    {22, RtfKey("margb"), kSpecial},
    {23, RtfKey("margr"), kTwips},
    {26, RtfKey("crvnnopreview"), kOn},
    {27, RtfKey("crvnbackclr"), kColor},
    {28, RtfKey("crvnbackpic"), kSpecial},
    {29, RtfKey("crvntileback"), kOn},
    {30, RtfKey("crvnfillpage"), kOn},
    {31, RtfKey("crvnbackopacity"), kInt},
    {32, RtfKey("crvnnospell"), kOn},
    {33, RtfKey("crvnbackscale"), kInt},
    {34, RtfKey("crvnhidebmk"), kOn},
};

// The rows with their RTF columns filled in; a column naming an atom past
// the table fails the build.
template <size_t n, size_t m>
consteval std::array<AtomDesc, n> WithRtf(const AtomDesc (&rows)[n], const RtfColumn (&columns)[m]) {
  std::array<AtomDesc, n> out{};
  for (size_t i = 0; i < n; ++i) out[i] = rows[i];
  for (const RtfColumn& column : columns) {
    if (column.atom == 0) continue;
    if (column.atom >= n || out[column.atom].rtfKeyword != 0) throw "bad RTF column";
    out[column.atom].rtfKeyword = column.keyword;
    out[column.atom].rtfEmitKind = column.emitKind;
  }
  return out;
}

constexpr auto kCharAtoms = WithRtf(kCharRows, kCharRtf);
constexpr auto kParaAtoms = WithRtf(kParaRows, kParaRtf);
constexpr auto kChapterAtoms = WithRtf(kChapterRows, kChapterRtf);
constexpr auto kFrameAtoms = WithRtf(kFrameRows, kFrameRtf);
constexpr auto kTableAtoms = WithRtf(kTableRows, kTableRtf);
constexpr auto kListAtoms = WithRtf(kListRows, kListRtf);
constexpr auto kBorderAtoms = WithRtf(kBorderRows, kBorderRtf);
constexpr auto kDocAtoms = WithRtf(kDocRows, kDocRtf);

struct Table {
  const AtomDesc* rows;
  uint32_t count;
};
constexpr Table kTables[9] = {
    {kCharAtoms.data(), kCharAtoms.size()},       {kParaAtoms.data(), kParaAtoms.size()},
    {kChapterAtoms.data(), kChapterAtoms.size()}, {kFrameAtoms.data(), kFrameAtoms.size()},
    {kTableAtoms.data(), kTableAtoms.size()},     {kListAtoms.data(), kListAtoms.size()},
    {nullptr, 0},                                 {kBorderAtoms.data(), kBorderAtoms.size()},
    {kDocAtoms.data(), kDocAtoms.size()},
};

// ---- Enumerated values ----
const char* const kUnderlineNames[] = {"None", "Single", "Word", "Double", "Dotted", "Dashed", "Thick"};
const char* const kCapsNames[] = {"none", "upper", "lower", "small", "first"};
const char* const kAlignNames[] = {"left", "center", "justify", "right"};
const char* const kBorderTypeNames[] = {"None",   "Left",          "Right",           "Left+right",
                                        "Top",    "Bottom",        "Top+bottom",      "Box",
                                        "Between", "Box+between",  "Box+row1",        "Box+column1",
                                        "Box+row1+column1", "Row1", "Row1box+between", "Row1+columns"};
const char* const kBorderLineNames[] = {"Single", "Double", "Dots", "Dashes", "Serrated", "Scallops", "Gradient"};
const char* const kChapterStartNames[] = {"page", "column", "even", "odd", "same"};
const char* const kPagePositionNames[] = {"none", "tl", "tc", "tr", "ti", "to", "bl", "bc", "br", "bi", "bo"};
const char* const kWrapNames[] = {"overlap", "underlay", "avoid", "wider", "left", "right", "inside", "outside"};
const char* const kAnchorNames[] = {"Margin", "Page"};
const char* const kHorizontalNames[] = {"Left", "Center", "Right", "Absolute", "Inside", "Outside"};
const char* const kVerticalNames[] = {"Top", "Center", "Bottom", "Absolute"};

struct EnumList {
  uint32_t type;
  uint32_t atom;
  const char* const* names;
  uint32_t count;
};
#define LIST(type, atom, names) {type, atom, names, uint32_t(std::size(names))}
const EnumList kEnumLists[] = {
    LIST(kCharProperties, 5, kUnderlineNames),     LIST(kCharProperties, 7, kCapsNames),
    LIST(kParaProperties, 3, kAlignNames),         LIST(kTableProperties, 4, kAlignNames),
    LIST(kParaProperties, 25, kBorderTypeNames),   LIST(kFrameProperties, 17, kBorderTypeNames),
    LIST(kTableProperties, 25, kBorderTypeNames),  LIST(kBorderProperties, 1, kBorderTypeNames),
    LIST(kParaProperties, 26, kBorderLineNames),   LIST(kFrameProperties, 18, kBorderLineNames),
    LIST(kTableProperties, 26, kBorderLineNames),  LIST(kBorderProperties, 2, kBorderLineNames),
    LIST(kChapterProperties, 2, kChapterStartNames), LIST(kChapterProperties, 6, kPagePositionNames),
    LIST(kChapterProperties, 7, kNumberFormatNames), LIST(kFrameProperties, 3, kWrapNames),
    LIST(kFrameProperties, 13, kAnchorNames),      LIST(kFrameProperties, 15, kAnchorNames),
    LIST(kFrameProperties, 14, kHorizontalNames),  LIST(kFrameProperties, 16, kVerticalNames),
};
#undef LIST

}  // namespace

const char* const kTabAlignNames[5] = {"left", "right", "center", "decimal", "bar"};
const char* const kTabLeaderNames[6] = {"None", "Dots", "Hyphens", "Equals", "Line", "Thick line"};
const char* const kListMarkerTypeNames[5] = {"undef", "bullet", "check", "#", "pic"};
const char* const kNumberFormatNames[12] = {"1", "ru", "rl", "au", "al", "o", "ot", "c", "s", "16", "8", "2"};

const AtomDesc* AtomTableForType(uint32_t type, uint32_t* count) {
  const Table table = type < std::size(kTables) ? kTables[type] : Table{nullptr, 0};
  if (count) *count = table.count;
  return table.rows;
}

uint32_t AtomCountForType(uint32_t type) {
  uint32_t count = 0;
  AtomTableForType(type, &count);
  return count;
}

const AtomDesc* AtomDescFor(uint32_t type, uint32_t atom) {
  uint32_t count = 0;
  const AtomDesc* rows = AtomTableForType(type, &count);
  if (!rows || atom == 0 || atom >= count) return nullptr;
  return &rows[atom];
}

uint32_t AtomLengthForDesc(const AtomDesc& desc) { return desc.valueSize > 2 ? desc.valueSize + 2u : 4u; }

int64_t AtomFieldValue(const Properties& record, const AtomDesc& row, bool signed32) {
  const uint8_t* field = record.body.bytes + row.offset;
  switch (row.valueSize) {
    case 1:
      return field[0];
    case 2: {
      int16_t v = 0;
      std::memcpy(&v, field, 2);
      return v;
    }
    case 4: {
      uint32_t v = 0;
      std::memcpy(&v, field, 4);
      return signed32 ? int64_t(int32_t(v)) : int64_t(v);
    }
    case 8: {
      int64_t v = 0;
      std::memcpy(&v, field, 8);
      return v;
    }
    default:
      return 0;
  }
}

void StoreAtomFieldValue(Properties* record, const AtomDesc& row, int64_t value) {
  if (!record || row.offset + row.valueSize > sizeof record->body.bytes) return;
  uint8_t* field = record->body.bytes + row.offset;
  if (row.valueSize == 1) {
    field[0] = uint8_t(value);
  } else if (row.valueSize == 2) {
    const auto v = uint16_t(value);
    std::memcpy(field, &v, 2);
  } else if (row.valueSize == 4) {
    const auto v = uint32_t(value);
    std::memcpy(field, &v, 4);
  } else if (row.valueSize == 8) {
    std::memcpy(field, &value, 8);
  }
}

uint32_t PropertyValueForAtom(const Properties* record, uint32_t type, uint32_t atom) {
  const AtomDesc* desc = AtomDescFor(type, atom);
  if (!record || !desc || desc->valueSize == 0 || desc->valueSize > 8) return 0;
  const uint8_t* field = record->body.bytes + desc->offset;
  switch (desc->valueSize) {
    case 1:
      return field[0];
    case 2: {
      int16_t value;
      std::memcpy(&value, field, 2);
      return uint32_t(int32_t(value));
    }
    default: {
      uint32_t value = 0;
      std::memcpy(&value, field, std::min<size_t>(4, desc->valueSize));
      return value;
    }
  }
}

uint32_t AtomForColumnWidth(uint32_t column) { return column < 10 ? 15 + column : 25 + column; }

bool IsTableColumnAtom(uint32_t atom) { return (atom >= 15 && atom <= 24) || (atom >= 35 && atom <= 49); }

const char* const* EnumAtomStringTableXml(uint32_t type, uint32_t atom, uint32_t* count) {
  for (const EnumList& list : kEnumLists) {
    if (list.type == type && list.atom == atom) {
      if (count) *count = list.count;
      return list.names;
    }
  }
  if (count) *count = 0;
  return nullptr;
}

QString StringForEnumAtomXml(uint32_t type, uint32_t atom, uint32_t value) {
  uint32_t count = 0;
  const char* const* names = EnumAtomStringTableXml(type, atom, &count);
  if (!names || value >= count) return QString();
  return QString::fromLatin1(names[value]).toLower();
}

uint32_t EnumAtomValueForString(QStringView text, const char* const* list, uint32_t count) {
  if (!list) return 0;
  for (uint32_t i = 0; i < count; ++i)
    if (text.compare(QLatin1StringView(list[i]), Qt::CaseInsensitive) == 0) return i;
  return 0;
}

const char* FieldTagForKey(uint32_t key) {
  if (key < kFirstFieldXmlKey || key > kLastFieldXmlKey) return nullptr;
  const std::string_view tag = kFieldTags[key - kFirstFieldXmlKey];
  return tag.empty() ? nullptr : tag.data();
}

uint32_t FieldKeyForTag(QStringView tag) {
  static const QHash<QString, uint32_t> keys = [] {
    QHash<QString, uint32_t> map;
    for (size_t i = 0; i < kFieldTags.size(); ++i)
      if (!kFieldTags[i].empty())
        map.insert(QString::fromLatin1(kFieldTags[i].data(), qsizetype(kFieldTags[i].size())),
                   uint32_t(kFirstFieldXmlKey + i));
    map.insert(QStringLiteral("mark"), kMarkXmlKey);
    return map;
  }();
  return keys.value(tag.toString(), 0);
}
