#pragma once
// The RTF dialect the engine reads and writes: the keyword table shared by
// the writer and the reader (words are referred to by their row), the word
// tables of enumerated values, the code-page and character-set maps, the
// highlight colours and the generator's name. Words beginning with "crvn"
// are the engine's private ones, written inside ignorable destinations.

#include <QByteArray>
#include <QByteArrayView>
#include <QString>
#include <cstdint>
#include <string_view>

#include "support/Kolor.h"

struct RtfKeyInfo {
  uint32_t index;         // the row's own position
  const char* keyword;
  uint32_t propertyType;  // a PropertyType, or kRtfSpecialWord
  uint32_t atom;          // the atom the word sets; 0: the type's handler decides
};

constexpr uint32_t kRtfSpecialWord = 255;
constexpr uint32_t kRtfKeywordCount = 431;  // rows 1-431; row 0 never matches
// A control word's letters beyond this many make it no word of the table.
constexpr uint32_t kMaxRtfKeywordLength = 32;

// Rows 1-431 sorted by keyword without regard to case.
inline constexpr RtfKeyInfo g_rtfKeyInfos[kRtfKeywordCount + 1] = {
    {0, "", kRtfSpecialWord, 0},
    {1, "absh", 3, 11},
    {2, "absw", 3, 12},
    {3, "additive", 255, 0},
    {4, "af", 0, 0},
    {5, "annotation", 255, 0},
    {6, "ansi", 255, 0},
    {7, "ansicpg", 255, 0},
    {8, "b", 0, 3},
    {9, "bin", 255, 0},
    {10, "bkmkend", 255, 0},
    {11, "bkmkstart", 255, 0},
    {12, "blue", 0, 0},
    {13, "box", 7, 0},
    {14, "brdrb", 7, 0},
    {15, "brdrbar", 7, 0},
    {16, "brdrbtw", 7, 0},
    {17, "brdrcf", 7, 0},
    {18, "brdrdash", 7, 0},
    {19, "brdrdashd", 7, 0},
    {20, "brdrdashdd", 7, 0},
    {21, "brdrdashdotstr", 7, 0},
    {22, "brdrdashsm", 7, 0},
    {23, "brdrdb", 7, 0},
    {24, "brdrdot", 7, 0},
    {25, "brdremboss", 7, 0},
    {26, "brdrengrave", 7, 0},
    {27, "brdrframe", 7, 0},
    {28, "brdrhair", 7, 0},
    {29, "brdrinset", 7, 0},
    {30, "brdrl", 7, 0},
    {31, "brdrnil", 7, 0},
    {32, "brdrnone", 7, 0},
    {33, "brdroutset", 7, 0},
    {34, "brdrr", 7, 0},
    {35, "brdrs", 7, 0},
    {36, "brdrsh", 7, 0},
    {37, "brdrt", 7, 0},
    {38, "brdrth", 7, 0},
    {39, "brdrthtnlg", 7, 0},
    {40, "brdrthtnmg", 7, 0},
    {41, "brdrthtnsg", 7, 0},
    {42, "brdrtnthlg", 7, 0},
    {43, "brdrtnthmg", 7, 0},
    {44, "brdrtnthsg", 7, 0},
    {45, "brdrtnthtnlg", 7, 0},
    {46, "brdrtnthtnmg", 7, 0},
    {47, "brdrtnthtnsg", 7, 0},
    {48, "brdrtriple", 7, 0},
    {49, "brdrw", 7, 0},
    {50, "brdrwavy", 7, 0},
    {51, "brdrwavydb", 7, 0},
    {52, "brsp", 7, 0},
    {53, "bullet", 255, 0},
    {54, "caps", 0, 0},
    {55, "cb", 0, 16},
    {56, "cell", 4, 0},
    {57, "cellx", 4, 0},
    {58, "cf", 0, 15},
    {59, "cfpat", 7, 0},
    {60, "chatn", 255, 0},
    {61, "chcfpat", 0, 0},
    {62, "chdate", 255, 0},
    {63, "chdpa", 255, 0},
    {64, "chdpl", 255, 0},
    {65, "chpgn", 255, 0},
    {66, "chshdng", 0, 0},
    {67, "chtime", 255, 0},
    {68, "clbrdrb", 7, 0},
    {69, "clbrdrl", 7, 0},
    {70, "clbrdrr", 7, 0},
    {71, "clbrdrt", 7, 0},
    {72, "clcfpat", 4, 0},
    {73, "cocoartf", 255, 0},
    {74, "colno", 2, 0},
    {75, "colortbl", 255, 0},
    {76, "cols", 2, 0},
    {77, "colsx", 2, 12},
    {78, "column", 2, 0},
    {79, "colw", 2, 0},
    {80, "cpg", 255, 0},
    {81, "crvnalpha", 255, 0},
    {82, "crvnautotbl", 4, 34},
    {83, "crvnbackclr", 8, 27},
    {84, "crvnbackopacity", 8, 31},
    {85, "crvnbackpic", 8, 0},
    {86, "crvnbackscale", 8, 33},
    {87, "crvnbdrcol", 7, 0},
    {88, "crvnbdrgrad", 7, 0},
    {89, "crvnbdrinner", 7, 0},
    {90, "crvnbdrlr", 7, 0},
    {91, "crvnbdrrow", 7, 0},
    {92, "crvnbdrrowcol", 7, 0},
    {93, "crvnbdrrowcols", 7, 0},
    {94, "crvnbdrrowone", 7, 0},
    {95, "crvnbdrrowoneb", 7, 0},
    {96, "crvnbdrtb", 7, 0},
    {97, "crvnbdrthick", 7, 0},
    {98, "crvnbig", 1, 10},
    {99, "crvnbmk", 3, 0},
    {100, "crvnbotpg", 1, 7},
    {101, "crvnbtcolor", 8, 11},
    {102, "crvncellb", 4, 12},
    {103, "crvncelll", 4, 11},
    {104, "crvncellr", 4, 13},
    {105, "crvncellt", 4, 10},
    {106, "crvnchap", 255, 0},
    {107, "crvncheck", 255, 0},
    {108, "crvnchecked", 1, 38},
    {109, "crvnchnm", 255, 0},
    {110, "crvnchone", 255, 0},
    {111, "crvndatefmt", 255, 0},
    {112, "crvndest", 255, 0},
    {113, "crvndiv", 255, 0},
    {114, "crvnfile", 255, 0},
    {115, "crvnfillpage", 8, 30},
    {116, "crvnfirstline", 1, 0},
    {117, "crvnfitpic", 255, 0},
    {118, "crvnfpage", 3, 7},
    {119, "crvnfrpopacity", 3, 25},
    {120, "crvnfrtb", 2, 33},
    {121, "crvnhidebmk", 8, 34},
    {122, "crvnignore", 255, 0},
    {123, "crvnignoremarg", 8, 6},
    {124, "crvninside", 4, 33},
    {125, "crvnlcrt", 1, 12},
    {126, "crvnlist", 255, 0},
    {127, "crvnlistend", 255, 0},
    {128, "crvnlower", 0, 0},
    {129, "crvnlstall", 5, 0},
    {130, "crvnlstleft", 5, 0},
    {131, "crvnmagic", 255, 0},
    {132, "crvnmeta", 255, 0},
    {133, "crvnna", 255, 0},
    {134, "crvnnbin", 255, 0},
    {135, "crvnncardtxt", 255, 0},
    {136, "crvnncbin", 2, 0},
    {137, "crvnnccardtxt", 2, 0},
    {138, "crvnncchi", 2, 0},
    {139, "crvnnchex", 2, 0},
    {140, "crvnnchi", 255, 0},
    {141, "crvnncoct", 2, 0},
    {142, "crvnncord", 2, 0},
    {143, "crvnncordtxt", 2, 0},
    {144, "crvnnhex", 255, 0},
    {145, "crvnnlcl", 255, 0},
    {146, "crvnnlcr", 255, 0},
    {147, "crvnnoback", 8, 10},
    {148, "crvnnocap", 0, 0},
    {149, "crvnnoconv", 8, 8},
    {150, "crvnnoct", 255, 0},
    {151, "crvnnodblhdr", 2, 27},
    {152, "crvnnodocwrap", 8, 19},
    {153, "crvnnoemptyhdr", 8, 18},
    {154, "crvnnolink", 0, 18},
    {155, "crvnnopreview", 8, 26},
    {156, "crvnnord", 255, 0},
    {157, "crvnnordtxt", 255, 0},
    {158, "crvnnospell", 8, 32},
    {159, "crvnnucl", 255, 0},
    {160, "crvnnucr", 255, 0},
    {161, "crvnpgnpos", 2, 0},
    {162, "crvnpicb", 255, 0},
    {163, "crvnpicc", 255, 0},
    {164, "crvnpicplace", 255, 0},
    {165, "crvnpict", 255, 0},
    {166, "crvnprefix", 1, 15},
    {167, "crvnprint", 255, 0},
    {168, "crvnref", 255, 0},
    {169, "crvnrefpic", 255, 0},
    {170, "crvnrelsize", 0, 0},
    {171, "crvnrespic", 255, 0},
    {172, "crvnstripe", 4, 50},
    {173, "crvnstripeclr", 4, 51},
    {174, "crvnsuffix", 1, 16},
    {175, "crvntable", 255, 0},
    {176, "crvntag", 255, 0},
    {177, "crvntb", 2, 0},
    {178, "crvntblbottom", 4, 8},
    {179, "crvntblkeep", 4, 3},
    {180, "crvntblline", 4, 14},
    {181, "crvntblright", 4, 9},
    {182, "crvntbltop", 4, 6},
    {183, "crvntileback", 8, 29},
    {184, "crvntimefmt", 255, 0},
    {185, "crvntitlecap", 0, 0},
    {186, "crvntocpage", 255, 0},
    {187, "crvnts", 4, 1},
    {188, "crvnunleaded", 0, 21},
    {189, "crvnwrap", 3, 0},
    {190, "crvnwwd", 255, 0},
    {191, "crvnxs", 255, 0},
    {192, "cs", 0, 1},
    {193, "deff", 8, 0},
    {194, "deftab", 8, 1},
    {195, "deleted", 0, 0},
    {196, "dfrmtxtx", 3, 6},
    {197, "dfrmtxty", 3, 5},
    {198, "dn", 0, 0},
    {199, "dropcapli", 1, 4},
    {200, "ds", 2, 1},
    {201, "dxfrtext", 3, 0},
    {202, "emdash", 255, 0},
    {203, "emfblip", 255, 0},
    {204, "emspace", 255, 0},
    {205, "endash", 255, 0},
    {206, "enspace", 255, 0},
    {207, "expnd", 0, 0},
    {208, "expndtw", 0, 0},
    {209, "f", 0, 11},
    {210, "facingp", 8, 4},
    {211, "fcharset", 255, 0},
    {212, "fi", 1, 17},
    {213, "field", 255, 0},
    {214, "fldinst", 255, 0},
    {215, "fldrslt", 255, 0},
    {216, "fnil", 255, 0},
    {217, "fonttbl", 255, 0},
    {218, "footer", 255, 0},
    {219, "footerf", 255, 0},
    {220, "footerl", 255, 0},
    {221, "footerr", 255, 0},
    {222, "footery", 2, 24},
    {223, "footnote", 255, 0},
    {224, "fs", 0, 12},
    {225, "generator", 255, 0},
    {226, "gotobutton", 255, 0},
    {227, "green", 0, 0},
    {228, "gutter", 8, 2},
    {229, "header", 255, 0},
    {230, "headerf", 255, 0},
    {231, "headerl", 255, 0},
    {232, "headerr", 255, 0},
    {233, "headery", 2, 23},
    {234, "height", 255, 0},
    {235, "highlight", 0, 0},
    {236, "hyperlink", 255, 0},
    {237, "i", 0, 4},
    {238, "ilvl", 255, 0},
    {239, "info", 255, 0},
    {240, "intbl", 1, 0},
    {241, "itap", 255, 0},
    {242, "jpegblip", 255, 0},
    {243, "keep", 1, 8},
    {244, "keepn", 1, 9},
    {245, "ldblquote", 255, 0},
    {246, "levelfollow", 5, 0},
    {247, "levelindent", 5, 0},
    {248, "leveljc", 5, 0},
    {249, "levelnfc", 5, 0},
    {250, "levelnumbers", 5, 0},
    {251, "levelprepend", 5, 0},
    {252, "levelspace", 5, 0},
    {253, "levelstartat", 5, 0},
    {254, "leveltemplateid", 5, 0},
    {255, "leveltext", 5, 0},
    {256, "li", 1, 18},
    {257, "line", 255, 0},
    {258, "linebetcol", 2, 10},
    {259, "list", 5, 0},
    {260, "listhybrid", 5, 0},
    {261, "listid", 5, 0},
    {262, "listlevel", 5, 0},
    {263, "listname", 5, 0},
    {264, "listoverride", 5, 0},
    {265, "listoverridecount", 5, 0},
    {266, "listoverridetable", 5, 0},
    {267, "liststyleid", 5, 0},
    {268, "liststylename", 5, 0},
    {269, "listtable", 5, 0},
    {270, "listtemplateid", 5, 0},
    {271, "listtext", 255, 0},
    {272, "lquote", 255, 0},
    {273, "ls", 1, 0},
    {274, "mac", 255, 0},
    {275, "macpict", 255, 0},
    {276, "makebackup", 8, 13},
    {277, "margb", 8, 22},
    {278, "margl", 8, 21},
    {279, "margmirror", 8, 5},
    {280, "margr", 8, 23},
    {281, "margt", 8, 20},
    {282, "nestcell", 255, 0},
    {283, "nestrow", 255, 0},
    {284, "NeXTGraphic", 255, 0},
    {285, "nocolbal", 2, 5},
    {286, "nonshppict", 255, 0},
    {287, "noproof", 1, 34},
    {288, "nosupersub", 0, 0},
    {289, "nowrap", 3, 0},
    {290, "numpages", 255, 0},
    {291, "numwords", 255, 0},
    {292, "obliqueness", 0, 0},
    {293, "outl", 0, 8},
    {294, "overlay", 3, 0},
    {295, "page", 255, 0},
    {296, "pagebb", 1, 6},
    {297, "pageref", 255, 0},
    {298, "par", 255, 0},
    {299, "pard", 1, 2},
    {300, "pgndec", 2, 0},
    {301, "pgnlcltr", 2, 0},
    {302, "pgnlcrm", 2, 0},
    {303, "pgnstart", 8, 3},
    {304, "pgnstarts", 2, 8},
    {305, "pgnucltr", 2, 0},
    {306, "pgnucrm", 2, 0},
    {307, "pgnx", 2, 0},
    {308, "pgny", 2, 0},
    {309, "phcol", 3, 0},
    {310, "phmrg", 3, 0},
    {311, "phpg", 3, 0},
    {312, "pich", 255, 0},
    {313, "pichgoal", 255, 0},
    {314, "picscalex", 255, 0},
    {315, "picscaley", 255, 0},
    {316, "pict", 255, 0},
    {317, "picw", 255, 0},
    {318, "picwgoal", 255, 0},
    {319, "plain", 0, 1},
    {320, "pngblip", 255, 0},
    {321, "pntxta", 1, 0},
    {322, "pntxtb", 1, 0},
    {323, "posnegx", 3, 0},
    {324, "posnegy", 3, 0},
    {325, "posx", 3, 0},
    {326, "posxc", 3, 0},
    {327, "posxi", 3, 0},
    {328, "posxl", 3, 0},
    {329, "posxo", 3, 0},
    {330, "posxr", 3, 0},
    {331, "posy", 3, 0},
    {332, "posyb", 3, 0},
    {333, "posyc", 3, 0},
    {334, "posyil", 3, 0},
    {335, "posyt", 3, 0},
    {336, "pvmrg", 3, 0},
    {337, "pvpg", 3, 0},
    {338, "qc", 1, 0},
    {339, "qj", 1, 0},
    {340, "ql", 1, 0},
    {341, "qmspace", 255, 0},
    {342, "qr", 1, 0},
    {343, "rdblquote", 255, 0},
    {344, "red", 0, 0},
    {345, "ref", 255, 0},
    {346, "ri", 1, 19},
    {347, "row", 4, 0},
    {348, "rquote", 255, 0},
    {349, "rtf", 255, 0},
    {350, "s", 1, 1},
    {351, "sa", 1, 21},
    {352, "sb", 1, 20},
    {353, "sbasedon", 255, 0},
    {354, "sbkcol", 2, 0},
    {355, "sbkeven", 2, 0},
    {356, "sbknone", 2, 0},
    {357, "sbkodd", 2, 0},
    {358, "sbkpage", 2, 0},
    {359, "scaps", 0, 0},
    {360, "sect", 255, 0},
    {361, "sectd", 255, 0},
    {362, "sectnum", 255, 0},
    {363, "shad", 0, 17},
    {364, "shppict", 255, 0},
    {365, "sl", 1, 22},
    {366, "slmult", 1, 0},
    {367, "snext", 255, 0},
    {368, "strike", 0, 9},
    {369, "striked", 0, 0},
    {370, "stylesheet", 255, 0},
    {371, "sub", 0, 0},
    {372, "super", 0, 0},
    {373, "tab", 255, 0},
    {374, "tb", 1, 0},
    {375, "tc", 255, 0},
    {376, "tcf", 255, 0},
    {377, "tcl", 255, 0},
    {378, "tcn", 255, 0},
    {379, "titlepg", 2, 3},
    {380, "tldot", 1, 0},
    {381, "tleq", 1, 0},
    {382, "tlhyph", 1, 0},
    {383, "tlmdot", 1, 0},
    {384, "tlth", 1, 0},
    {385, "tlul", 1, 0},
    {386, "toc", 255, 0},
    {387, "tqc", 1, 0},
    {388, "tqdec", 1, 0},
    {389, "tqr", 1, 0},
    {390, "trgaph", 4, 0},
    {391, "trhdr", 4, 2},
    {392, "trleft", 4, 7},
    {393, "trowd", 4, 0},
    {394, "trqc", 4, 0},
    {395, "trql", 4, 0},
    {396, "trqr", 4, 0},
    {397, "trrh", 4, 0},
    {398, "twnotes_bookmarks", 255, 0},
    {399, "tx", 1, 0},
    {400, "u", 255, 0},
    {401, "uc", 255, 0},
    {402, "ud", 255, 0},
    {403, "ul", 0, 5},
    {404, "ul0", 0, 0},
    {405, "uld", 0, 0},
    {406, "uldash", 0, 0},
    {407, "uldashd", 0, 0},
    {408, "uldashdd", 0, 0},
    {409, "uldb", 0, 0},
    {410, "ulhwave", 0, 0},
    {411, "ulldash", 0, 0},
    {412, "ulnone", 0, 0},
    {413, "ulth", 0, 0},
    {414, "ulthd", 0, 0},
    {415, "ulthdash", 0, 0},
    {416, "ulthdashd", 0, 0},
    {417, "ulthdashdd", 0, 0},
    {418, "ulthldash", 0, 0},
    {419, "ululdbwave", 0, 0},
    {420, "ulw", 0, 0},
    {421, "ulwave", 0, 0},
    {422, "up", 0, 0},
    {423, "upr", 255, 0},
    {424, "v", 0, 0},
    {425, "widowctrl", 8, 7},
    {426, "width", 255, 0},
    {427, "wraparound", 3, 0},
    {428, "wrapdefault", 3, 0},
    {429, "wrapthrough", 3, 0},
    {430, "wraptight", 3, 0},
    {431, "xe", 255, 0},
};

namespace rtf_detail {
constexpr char Lower(char c) { return c >= 'A' && c <= 'Z' ? char(c - 'A' + 'a') : c; }
constexpr int CompareNoCase(std::string_view a, std::string_view b) {
  for (size_t i = 0; i < a.size() && i < b.size(); ++i) {
    const char x = Lower(a[i]), y = Lower(b[i]);
    if (x != y) return x < y ? -1 : 1;
  }
  return a.size() == b.size() ? 0 : (a.size() < b.size() ? -1 : 1);
}
}  // namespace rtf_detail

// The row of a word spelled exactly as in the table; a word that is not
// there fails the build.
consteval uint32_t RtfKey(std::string_view word) {
  for (uint32_t i = 1; i <= kRtfKeywordCount; ++i)
    if (std::string_view(g_rtfKeyInfos[i].keyword) == word) return i;
  throw "not an RTF keyword of the table";
}

// The row of the letters compared without regard to case; 0 when none.
uint32_t RtfKeywordFromText(QByteArrayView letters);
// The keyword of a row; "" for 0 or past the table.
const char* RtfKeywordText(uint32_t index);
// The value a word without a parameter takes: 1 for a word setting an
// on/off field and for the underline, hidden and similar words, else 0.
int32_t RtfDefaultKeywordValue(uint32_t index);

// One control word as the tokenizer reads it.
struct RtfControlWord {
  uint32_t index = 0;  // 0: not a word of the table
  int32_t value = 0;   // the parameter, or the word's default value
  bool hasParameter = false;
  uint32_t length = 0;  // bytes read after the backslash, the space included
};
// Reads a control word at `text` (just after its backslash; `text` must
// start with a letter): the letters and underscores, an optional "-" and decimal digits
// (saturating at the 32-bit limits), and one space that ends the word.
// False when `text` does not start with a letter.
bool ReadRtfControlWord(QByteArrayView text, RtfControlWord* word);

// ---- Word tables of enumerated values ----
// Each is indexed by the engine's value; RtfWordForValue answers value 0's
// word for a value outside the table.
extern const uint32_t g_rtfKeysForStyleTypes[5];  // types 0-4; 3 has none (0)
extern const uint32_t g_rtfKeysForLineStyles[7];
extern const uint32_t g_rtfKeysForBorderKinds[16];
extern const uint32_t g_rtfPrivateKeysForBorderKinds[16];  // 0: no second word
extern const uint32_t g_rtfKeysForCaps[5];
extern const uint32_t g_rtfKeysForUnderlines[7];
extern const uint32_t g_rtfKeysForTabLeaders[6];     // 0 none
extern const uint32_t g_rtfKeysForTabAlignments[5];  // 0 left: none
extern const uint32_t g_rtfKeysForParaAlignments[4];
extern const uint32_t g_rtfKeysForSectionBreaks[5];
extern const uint32_t g_rtfKeysForTableAlignments[4];
extern const uint32_t g_rtfKeysForPictureAlignments[4];
extern const uint32_t g_rtfKeysForNumberFormats[12];
extern const uint32_t g_rtfKeysForPageNumberFormats[12];
template <size_t n>
uint32_t RtfWordForValue(const uint32_t (&table)[n], uint32_t value) {
  return value < n ? table[value] : table[0];
}

// ---- Code pages and character sets ----
// The string encoding number of a Windows code page (1280, Windows Latin 1,
// for 1252 and for any code page not in the map).
uint32_t EncodingForCodePage(uint32_t codePage);
// The Windows code page of an RTF font character set: 1252 for 0 and any
// set not in the map; set 1 (the default set) gives `ansiCodePage`.
uint32_t CodePageForCharSet(uint32_t charSet, uint32_t ansiCodePage);
// The encoding number of a character set (through its code page).
uint32_t EncodingForCharSet(uint32_t charSet, uint32_t ansiCodePage);
// The iconv name of an encoding number; "CP1252" for an encoding iconv
// lacks.
const char* IconvNameForEncoding(uint32_t encoding);
// Converts bytes in the encoding to text; what cannot be converted becomes
// U+FFFD. Unknown encodings read as Windows Latin 1.
QString DecodeRtfBytes(QByteArrayView bytes, uint32_t encoding);

// ---- Highlights and the generator ----
// The colours of "highlight" 1-8: black, blue, cyan, green, magenta, red,
// yellow, white.
extern const Kolor g_wordKolors[8];
// The highlight colour n (1-8); false for any other n.
bool HighlightKolor(int32_t n, Kolor* kolor);

extern const QString g_rtfGeneratorName;  // "TindleWick Corvane " with its space
extern const QString g_rtfGeneratorVersion;
