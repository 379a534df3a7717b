#include "richtext/RtfDialect.h"

#include <iconv.h>

#include <algorithm>
#include <cerrno>
#include <climits>
#include <iterator>
#include <utility>
#include <vector>

#include "richtext/Atoms.h"
#include "richtext/Properties.h"

namespace {

consteval bool KeywordsSorted() {
  for (uint32_t i = 0; i <= kRtfKeywordCount; ++i)
    if (g_rtfKeyInfos[i].index != i) return false;
  for (uint32_t i = 2; i <= kRtfKeywordCount; ++i)
    if (rtf_detail::CompareNoCase(g_rtfKeyInfos[i - 1].keyword, g_rtfKeyInfos[i].keyword) >= 0) return false;
  return true;
}
static_assert(KeywordsSorted(), "the lookup halves the range: rows must be sorted without regard to case");

consteval uint32_t SpecialWordCount() {
  uint32_t count = 0;
  for (uint32_t i = 1; i <= kRtfKeywordCount; ++i) count += g_rtfKeyInfos[i].propertyType == kRtfSpecialWord;
  return count;
}
static_assert(SpecialWordCount() == 134);

// Words whose bare form turns something on although their atom is no switch.
constexpr uint32_t kWordsDefaultingToOne[] = {
    RtfKey("ul"),       RtfKey("uld"),        RtfKey("uldash"),    RtfKey("uldashd"),    RtfKey("uldashdd"),
    RtfKey("uldb"),     RtfKey("ulhwave"),    RtfKey("ulldash"),   RtfKey("ulth"),       RtfKey("ulthd"),
    RtfKey("ulthdash"), RtfKey("ulthdashd"),  RtfKey("ulthdashdd"), RtfKey("ulthldash"), RtfKey("ululdbwave"),
    RtfKey("ulw"),      RtfKey("ulwave"),     RtfKey("v"),         RtfKey("nosupersub"), RtfKey("nowrap"),
    RtfKey("obliqueness"), RtfKey("crvnlstall")};

// {code page, encoding}, sorted by code page.
struct Pair {
  uint32_t key;
  uint32_t value;
};
constexpr Pair kCodePages[] = {
    {37, 3074},     {42, 33},       {437, 1024},    {708, 518},     {709, 518},     {710, 518},     {711, 518},
    {720, 518},     {737, 1029},    {775, 1030},    {819, 1280},    {850, 1040},    {851, 1041},    {852, 1042},
    {855, 1043},    {857, 1044},    {860, 1045},    {861, 1046},    {862, 1047},    {863, 1048},    {864, 1049},
    {865, 1050},    {866, 1051},    {869, 1052},    {874, 1053},    {932, 1056},    {936, 1057},    {949, 1058},
    {950, 1059},    {1250, 1281},   {1251, 1282},   {1252, 1280},   {1253, 1283},   {1254, 1284},   {1255, 1285},
    {1256, 1286},   {1257, 1287},   {1258, 1288},   {1361, 1296},   {10000, 0},     {10001, 1},     {10002, 2563},
    {10003, 3},     {10004, 4},     {10005, 5},     {10006, 6},     {10007, 7},     {10008, 2},     {10021, 21},
    {10029, 29},    {10081, 35},    {57002, 9},     {57003, 13},    {57004, 14},    {57005, 15},    {57006, 1280},
    {57007, 12},    {57008, 16},    {57009, 17},    {57010, 11},    {57011, 1280}};
static_assert(std::size(kCodePages) == 61);

// {RTF font character set, code page}, sorted by character set.
constexpr Pair kCharSets[] = {
    {2, 42},     {77, 10000}, {78, 10001}, {79, 10003}, {80, 10008},  {81, 10002}, {83, 10005}, {84, 10004},
    {85, 10006}, {86, 10081}, {87, 10021}, {88, 10029}, {89, 10007},  {128, 932},  {129, 949},  {130, 1361},
    {134, 936},  {136, 950},  {161, 1253}, {162, 1254}, {163, 1258},  {177, 1255}, {178, 1256}, {186, 1257},
    {204, 1251}, {222, 874},  {238, 1250}, {254, 437},  {255, 850}};
static_assert(std::size(kCharSets) == 29);

template <size_t n>
consteval bool SortedPairs(const Pair (&pairs)[n]) {
  for (size_t i = 1; i < n; ++i)
    if (pairs[i - 1].key >= pairs[i].key) return false;
  return true;
}
static_assert(SortedPairs(kCodePages) && SortedPairs(kCharSets));

template <size_t n>
const Pair* FindPair(const Pair (&pairs)[n], uint32_t key) {
  const Pair* found = std::lower_bound(std::begin(pairs), std::end(pairs), key,
                                       [](const Pair& pair, uint32_t k) { return pair.key < k; });
  return found != std::end(pairs) && found->key == key ? found : nullptr;
}

constexpr uint32_t kWindowsLatin1 = 1280;
constexpr uint32_t kDefaultCodePage = 1252;

// The encodings iconv has under a name of its own; every other one reads as
// Windows Latin 1. The Mac Japanese, Chinese and Korean sets are read
// through the sets they extend.
constexpr struct {
  uint32_t encoding;
  const char* name;
} kIconvNames[] = {
    {0, "MACINTOSH"}, {1, "SJIS"},      {2, "BIG5"},      {3, "EUC-KR"},    {7, "MAC-CYRILLIC"},
    {29, "MAC-CENTRALEUROPE"},          {518, "ISO-8859-6"}, {1024, "CP437"}, {1029, "CP737"},
    {1030, "CP775"},  {1040, "CP850"},  {1041, "CP851"},  {1042, "CP852"},  {1043, "CP855"},
    {1044, "CP857"},  {1045, "CP860"},  {1046, "CP861"},  {1047, "CP862"},  {1048, "CP863"},
    {1049, "CP864"},  {1050, "CP865"},  {1051, "CP866"},  {1052, "CP869"},  {1053, "CP874"},
    {1056, "CP932"},  {1057, "CP936"},  {1058, "CP949"},  {1059, "CP950"},  {1280, "CP1252"},
    {1281, "CP1250"}, {1282, "CP1251"}, {1283, "CP1253"}, {1284, "CP1254"}, {1285, "CP1255"},
    {1286, "CP1256"}, {1287, "CP1257"}, {1288, "CP1258"}, {1296, "CP1361"}, {2563, "BIG5"},
    {3074, "CP037"}};

// Converters kept open by encoding (readers decode many short stretches,
// switching between a few encodings); at most one per known iconv name.
class Converters {
 public:
  ~Converters() {
    for (const auto& entry : m_open)
      if (entry.second != iconv_t(-1)) iconv_close(entry.second);
  }
  iconv_t forEncoding(uint32_t encoding) {
    const char* name = IconvNameForEncoding(encoding);
    for (const auto& entry : m_open) {
      if (entry.first == name) {
        if (entry.second != iconv_t(-1)) iconv(entry.second, nullptr, nullptr, nullptr, nullptr);
        return entry.second;
      }
    }
    iconv_t cd = iconv_open("UTF-16LE", name);
    m_open.emplace_back(name, cd);
    return cd;
  }

 private:
  std::vector<std::pair<const char*, iconv_t>> m_open;
};

}  // namespace

uint32_t RtfKeywordFromText(QByteArrayView letters) {
  if (letters.isEmpty() || letters.size() > qsizetype(kMaxRtfKeywordLength)) return 0;
  const std::string_view word(letters.data(), size_t(letters.size()));
  uint32_t low = 1, high = kRtfKeywordCount;
  while (low <= high) {
    const uint32_t middle = (low + high) / 2;
    const int order = rtf_detail::CompareNoCase(word, g_rtfKeyInfos[middle].keyword);
    if (order == 0) return middle;
    if (order < 0)
      high = middle - 1;
    else
      low = middle + 1;
  }
  return 0;
}

const char* RtfKeywordText(uint32_t index) {
  return index >= 1 && index <= kRtfKeywordCount ? g_rtfKeyInfos[index].keyword : "";
}

int32_t RtfDefaultKeywordValue(uint32_t index) {
  if (index < 1 || index > kRtfKeywordCount) return 0;
  const RtfKeyInfo& info = g_rtfKeyInfos[index];
  if (info.propertyType != kRtfSpecialWord && info.atom != 0) {
    const AtomDesc* row = AtomDescFor(info.propertyType, info.atom);
    if (row && row->valueKind == kAtomSwitch) return 1;
  }
  return std::find(std::begin(kWordsDefaultingToOne), std::end(kWordsDefaultingToOne), index) !=
                 std::end(kWordsDefaultingToOne)
             ? 1
             : 0;
}

bool ReadRtfControlWord(QByteArrayView text, RtfControlWord* word) {
  const auto isLetter = [](char c) { return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z'); };
  const auto isWordChar = [&](char c) { return isLetter(c) || c == '_'; };
  const auto isDigit = [](char c) { return c >= '0' && c <= '9'; };
  const qsizetype size = text.size();
  if (size == 0 || !isLetter(text[0])) return false;
  qsizetype i = 0;
  while (i < size && isWordChar(text[i])) ++i;
  RtfControlWord result;
  result.index = RtfKeywordFromText(text.first(i));
  const bool negative = i + 1 < size && text[i] == '-' && isDigit(text[i + 1]);
  if (negative) ++i;
  if (i < size && isDigit(text[i])) {
    // Accumulated in 64 bits and held at the 32-bit limits, so that a long
    // run of digits cannot wrap round to a small or negative value.
    int64_t value = 0;
    while (i < size && isDigit(text[i])) {
      value = std::min<int64_t>(value * 10 + (text[i] - '0'), int64_t(INT32_MAX) + 1);
      ++i;
    }
    if (negative) value = -value;
    result.value = int32_t(std::clamp<int64_t>(value, INT32_MIN, INT32_MAX));
    result.hasParameter = true;
  } else {
    result.value = RtfDefaultKeywordValue(result.index);
  }
  if (i < size && text[i] == ' ') ++i;
  result.length = uint32_t(i);
  *word = result;
  return true;
}

const uint32_t g_rtfKeysForStyleTypes[5] = {RtfKey("cs"), RtfKey("s"), RtfKey("ds"), 0, RtfKey("crvnts")};
const uint32_t g_rtfKeysForLineStyles[7] = {RtfKey("brdrs"),      RtfKey("brdrdb"),   RtfKey("brdrdot"),
                                            RtfKey("brdrdash"),   RtfKey("brdrwavydb"), RtfKey("brdrwavy"),
                                            RtfKey("crvnbdrgrad")};
const uint32_t g_rtfKeysForBorderKinds[16] = {
    RtfKey("brdrnil"), RtfKey("brdrl"),   RtfKey("brdrr"),   RtfKey("brdrl"),   RtfKey("brdrt"),   RtfKey("brdrb"),
    RtfKey("brdrb"),   RtfKey("box"),     RtfKey("brdrbtw"), RtfKey("brdrbtw"), RtfKey("box"),     RtfKey("box"),
    RtfKey("box"),     RtfKey("brdrbtw"), RtfKey("brdrbtw"), RtfKey("brdrbtw")};
const uint32_t g_rtfPrivateKeysForBorderKinds[16] = {0,
                                                     0,
                                                     0,
                                                     RtfKey("crvnbdrlr"),
                                                     0,
                                                     0,
                                                     RtfKey("crvnbdrtb"),
                                                     0,
                                                     0,
                                                     RtfKey("box"),
                                                     RtfKey("crvnbdrrow"),
                                                     RtfKey("crvnbdrcol"),
                                                     RtfKey("crvnbdrrowcol"),
                                                     RtfKey("crvnbdrrowone"),
                                                     RtfKey("crvnbdrrowoneb"),
                                                     RtfKey("crvnbdrrowcols")};
const uint32_t g_rtfKeysForCaps[5] = {RtfKey("crvnnocap"), RtfKey("caps"), RtfKey("crvnlower"), RtfKey("scaps"),
                                      RtfKey("crvntitlecap")};
const uint32_t g_rtfKeysForUnderlines[7] = {RtfKey("ulnone"), RtfKey("ul"),     RtfKey("ulw"), RtfKey("uldb"),
                                            RtfKey("uld"),    RtfKey("uldash"), RtfKey("ulth")};
const uint32_t g_rtfKeysForTabLeaders[6] = {0,             RtfKey("tldot"), RtfKey("tlhyph"),
                                            RtfKey("tleq"), RtfKey("tlul"),  RtfKey("tlth")};
const uint32_t g_rtfKeysForTabAlignments[5] = {0, RtfKey("tqc"), RtfKey("tqr"), RtfKey("tqdec"), RtfKey("tb")};
const uint32_t g_rtfKeysForParaAlignments[4] = {RtfKey("ql"), RtfKey("qc"), RtfKey("qj"), RtfKey("qr")};
const uint32_t g_rtfKeysForSectionBreaks[5] = {RtfKey("sbkpage"), RtfKey("sbkcol"), RtfKey("sbkeven"),
                                               RtfKey("sbkodd"), RtfKey("sbknone")};
const uint32_t g_rtfKeysForTableAlignments[4] = {RtfKey("trql"), RtfKey("trqc"), RtfKey("trql"), RtfKey("trqr")};
const uint32_t g_rtfKeysForPictureAlignments[4] = {RtfKey("crvnpict"), RtfKey("crvnpicb"), RtfKey("crvnpicc"),
                                                   RtfKey("crvnpict")};
const uint32_t g_rtfKeysForNumberFormats[12] = {
    RtfKey("crvnna"),       RtfKey("crvnnucr"),     RtfKey("crvnnlcr"), RtfKey("crvnnucl"),
    RtfKey("crvnnlcl"),     RtfKey("crvnnord"),     RtfKey("crvnnordtxt"), RtfKey("crvnncardtxt"),
    RtfKey("crvnnchi"),     RtfKey("crvnnhex"),     RtfKey("crvnnoct"), RtfKey("crvnnbin")};
const uint32_t g_rtfKeysForPageNumberFormats[12] = {
    RtfKey("pgndec"),       RtfKey("pgnucrm"),      RtfKey("pgnlcrm"),   RtfKey("pgnucltr"),
    RtfKey("pgnlcltr"),     RtfKey("crvnncord"),    RtfKey("crvnncordtxt"), RtfKey("crvnnccardtxt"),
    RtfKey("crvnncchi"),    RtfKey("crvnnchex"),    RtfKey("crvnncoct"), RtfKey("crvnncbin")};

uint32_t EncodingForCodePage(uint32_t codePage) {
  const Pair* pair = FindPair(kCodePages, codePage);
  return pair ? pair->value : kWindowsLatin1;
}

uint32_t CodePageForCharSet(uint32_t charSet, uint32_t ansiCodePage) {
  if (charSet == 1) return ansiCodePage;
  const Pair* pair = FindPair(kCharSets, charSet);
  return pair ? pair->value : kDefaultCodePage;
}

uint32_t EncodingForCharSet(uint32_t charSet, uint32_t ansiCodePage) {
  return EncodingForCodePage(CodePageForCharSet(charSet, ansiCodePage));
}

const char* IconvNameForEncoding(uint32_t encoding) {
  for (const auto& entry : kIconvNames)
    if (entry.encoding == encoding) return entry.name;
  return "CP1252";
}

QString DecodeRtfBytes(QByteArrayView bytes, uint32_t encoding) {
  QString out;
  if (bytes.isEmpty()) return out;
  static Converters converters;
  iconv_t cd = converters.forEncoding(encoding);
  if (cd == iconv_t(-1)) {
    for (const char c : bytes) out.append(QChar(uchar(c)));
    return out;
  }
  std::vector<char16_t> buffer(size_t(bytes.size()) * 2 + 4);
  char* in = const_cast<char*>(bytes.data());
  size_t inLeft = size_t(bytes.size());
  while (inLeft > 0) {
    char* outPtr = reinterpret_cast<char*>(buffer.data());
    size_t outLeft = buffer.size() * sizeof(char16_t);
    const size_t result = iconv(cd, &in, &inLeft, &outPtr, &outLeft);
    const size_t written = (buffer.size() * sizeof(char16_t) - outLeft) / sizeof(char16_t);
    out.append(QStringView(buffer.data(), qsizetype(written)));
    if (result != size_t(-1)) break;
    if (errno == E2BIG) continue;
    // A byte that is no character, or a character cut off at the end.
    out.append(QChar(0xFFFD));
    ++in;
    --inLeft;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
  }
  return out;
}

const Kolor g_wordKolors[8] = {0x64000000, 0x64FF0000, 0x64FFFF00, 0x6400FF00,
                               0x64FF00FF, 0x640000FF, 0x6400FFFF, 0x64FFFFFF};

bool HighlightKolor(int32_t n, Kolor* kolor) {
  if (n < 1 || n > 8) return false;
  if (kolor) *kolor = g_wordKolors[n - 1];
  return true;
}

const QString g_rtfGeneratorName = QStringLiteral("TindleWick Corvane ");
const QString g_rtfGeneratorVersion = QStringLiteral("2.2.1");
