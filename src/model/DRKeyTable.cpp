#include "model/DRKeyTable.h"

#include "support/CSXmlDecoder.h"

#include <iterator>

namespace {

struct KeyName {
  int32_t key;
  const char* name;
};

constexpr KeyName kKeyNames[] = {
    {1, "arrow"},
    {2, "tabs"},
    {3, "drawing"},
    {4, "element"},
    {5, "gradient"},
    {6, "image"},
    {7, "lineinfo"},
    {8, "shadow"},
    {9, "textinfo"},
    {10, "arc"},
    {11, "bitmap"},
    {12, "bline"},
    {13, "ellipse"},
    {14, "group"},
    {15, "line"},
    {16, "multi"},
    {17, "polygon"},
    {18, "rect"},
    {19, "regularpoly"},
    {20, "roundrect"},
    {21, "scribble"},
    {22, "text"},
    {23, "align"},
    {24, "altFill"},
    {25, "angle"},
    {26, "app_ver"},
    {27, "textKolor"},
    {28, "background"},
    {29, "backrect"},
    {30, "backopacity"},
    {31, "base"},
    {32, "bevel"},
    {33, "blur"},
    {34, "bold"},
    {35, "cap"},
    {36, "center"},
    {37, "shut"},
    {38, "color"},
    {39, "constrain"},
    {40, "control"},
    {41, "count"},
    {42, "preview"},
    {43, "currentTab"},
    {44, "custom"},
    {45, "dash"},
    {46, "dot"},
    {47, "elements"},
    {48, "to"},
    {49, "expand"},
    {50, "file"},
    {51, "fill"},
    {52, "flatness"},
    {53, "font"},
    {54, "fontnum"},
    {55, "fonts"},
    {56, "frame"},
    {57, "id"},
    {58, "hideText"},
    {59, "ignore"},
    {60, "images"},
    {61, "in"},
    {62, "info"},
    {63, "italic"},
    {64, "join"},
    {65, "justify"},
    {66, "lock"},
    {67, "markC"},
    {68, "miter"},
    {69, "name"},
    {70, "notes"},
    {71, "oldfont"},
    {72, "end"},
    {73, "start"},
    {74, "opacity"},
    {75, "original"},
    {76, "out"},
    {77, "pagebreaks"},
    {78, "pair"},
    {79, "pattern"},
    {80, "phase"},
    {81, "points"},
    {82, "point"},
    {83, "position"},
    {84, "print"},
    {85, "radius"},
    {86, "recentColors"},
    {87, "reflectAlpha"},
    {88, "reflectOffset"},
    {89, "reflect"},
    {90, "right"},
    {91, "rotate"},
    {92, "round"},
    {93, "scale"},
    {94, "scale-line"},
    {95, "size"},
    {96, "square"},
    {97, "from"},
    {98, "stops"},
    {99, "stop"},
    {100, "string"},
    {101, "style"},
    {102, "sys_ver"},
    {103, "linear"},
    {104, "radial"},
    {105, "type"},
    {106, "underline"},
    {107, "version"},
    {108, "width"},
    {109, "x"},
    {110, "y"},
    {111, "zoom"},
    {113, "bar"},
    {114, "open/2"},
    {115, "open"},
    {116, "ball"},
    {117, "closed/2"},
    {118, "closed"},
};
static_assert(std::size(kKeyNames) == kXmlKeyCount);

}  // namespace

QString XmlTagForKey(int32_t key) {
  for (const KeyName& entry : kKeyNames) {
    if (entry.key == key) return QString::fromLatin1(entry.name);
  }
  return QString();
}

void CreateXmlDecoder() {
  CSXmlKeyTable table = CSXmlDecoder::sharedKeyDecoder();
  for (const KeyName& entry : kKeyNames) table.insert(QString::fromLatin1(entry.name), entry.key);
  CSXmlDecoder::setSharedKeyDecoder(table);
}
