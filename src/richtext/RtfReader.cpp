#include "richtext/RtfReader.h"

#include <QDir>
#include <QFileInfo>
#include <QHash>
#include <algorithm>
#include <cstring>
#include <memory>
#include <vector>

#include "richtext/Atoms.h"
#include "richtext/Borders.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/Editing.h"
#include "richtext/FontNames.h"
#include "richtext/ImageServices.h"
#include "richtext/Knots.h"
#include "richtext/Pictures.h"
#include "richtext/Properties.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RtfDialect.h"
#include "richtext/RtfTokenizer.h"
#include "richtext/Styles.h"
#include "richtext/TableRows.h"
#include "richtext/Tables.h"
#include "richtext/TextAccess.h"
#include "richtext/CorvaneHost.h"
#include "support/CSCore.h"
#include "support/DynamicArrays.h"

namespace {

RtfPictureDecoder& PictureDecoder() {
  static RtfPictureDecoder decoder;
  return decoder;
}

constexpr int64_t kTwip = 635;                      // measures per twip
constexpr int64_t kDefaultTextWidth = 5943600;      // 6.5 inches
constexpr int64_t kMinCellWidth = 114300;           // 9 points
constexpr int64_t kDefaultCellWidth = 914400;       // one inch
constexpr uint32_t kHyperlinkStyleId = 6;
constexpr uint32_t kNoStyleBase = 222;
// Own files up to this version wrote a scale of 1000 for pictures fitted.
constexpr uint32_t kLastFitScaleVersion = 131089;

// What a group was opened for.
enum Destination : uint32_t {
  kDestText = 0,
  kDestFontTable,
  kDestColorTable,
  kDestAlpha,
  kDestStyleSheet,
  kDestGenerator,
  kDestField,
  kDestFieldInstruction,
  kDestFieldResult,
  kDestPicture,
  kDestTable,      // the private table group
  kDestFirstLine,  // the private first-line format group
  kDestReference,  // a picture's reference text
  kDestAttachment, // an RTFD attachment
};

// The formatting a group carries; pushed at "{", popped at "}".
struct GroupState {
  Destination destination = kDestText;
  CharProps chars;
  ParaProps para;
  uint32_t styleEntry = kNoPropertyIndex;  // the style-sheet entry being read
  bool tableDefaults = false;              // the Normal style's table record
};

struct FileStyle {
  QString name;
  uint32_t type = kParaProperties;
  int32_t number = 0;
  int32_t base = int32_t(kNoStyleBase);
  int32_t next = int32_t(kStyleNone);
  Properties record;
  Properties chars;
  uint32_t docIndex = kNoPropertyIndex;
};

struct PendingPicture {
  uint32_t source = 0;  // keyword of the data's kind, 0 none
  QByteArray data;
  bool dropped = false;  // beyond the cap
  int32_t scaleX = -1, scaleY = -1;
  bool fit = false;
  int64_t widthPoints = -1;  // the width the file gives
  uint32_t alignment = 3;
  uint32_t opacity = 0;
  Properties border;
  bool hasBorder = false;
  QString reference;
  uint8_t pendingNibble = 0xFF;
};

class RtfReader {
 public:
  RtfReader(CorvaneDoc* doc, QByteArrayView rtf, int64_t textWidth, const QString& folder, bool lenient)
      : m_doc(doc), m_tokens(rtf), m_textWidth(textWidth ? textWidth : kDefaultTextWidth), m_folder(folder),
        m_lenient(lenient) {
    m_tokens.setLenient(lenient);
  }

  // 1 done, 23 malformed, 0 another failure.
  int run();
  const QString& message() const { return m_message; }
  uint32_t firstCp() const { return m_startCp; }

 private:
  int fail(const QString& message, int code) {
    if (m_message.isEmpty()) m_message = message;
    return code;
  }
  GroupState& group() { return m_groups.back(); }
  bool inDestination(Destination d) const {
    return std::any_of(m_groups.begin(), m_groups.end(), [&](const GroupState& g) { return g.destination == d; });
  }

  // ---- Text ----
  bool addText(QStringView text);
  bool flushText();
  bool insertBreak(char16_t unit);
  bool endParagraph(uint32_t markCp);
  bool applyRun(uint32_t first, uint32_t limit, uint32_t type, const Properties& record);
  bool insertMarkKnot(uint32_t type, const uint8_t* extras, const Properties* props);
  void firstText();

  // ---- Words ----
  bool word(uint32_t key, int32_t value, bool hasValue);
  bool special(uint32_t key, int32_t value);
  void charWord(CharProps& c, uint32_t key, int32_t value);
  bool paraWord(ParaProps& p, uint32_t key, int32_t value);
  void borderWord(BorderProps& b, uint32_t key, int32_t value);
  void tableWord(uint32_t key, int32_t value);
  void docWord(uint32_t key, int32_t value);
  void setAtom(Properties& record, uint32_t atom, int64_t value);
  Kolor colorAt(int32_t index, bool text) const;
  uint16_t fontFor(int32_t number) const;
  BorderProps* borderTarget();

  // ---- Groups ----
  bool groupEnded(const GroupState& closed);
  bool skipGroup();
  void endFontEntry();
  void createStyles();
  uint32_t resolveStyle(int32_t number) const;

  // ---- Structures ----
  bool beginRow();
  bool nextCell();
  void endRow();
  bool fieldInstruction();
  bool finish();
  bool endPicture();

  CorvaneDoc* m_doc;
  RtfTokenizer m_tokens;
  int64_t m_textWidth;
  QString m_folder;
  bool m_lenient;
  QString m_message;
  std::vector<GroupState> m_groups;

  uint32_t m_startCp = 0;
  uint32_t m_cp = 0;         // the insertion point
  uint32_t m_paraStart = 0;  // the current paragraph's first cp
  QString m_pending;         // text not yet inserted
  CharProps m_pendingChars;
  bool m_sawText = false;
  bool m_ignoreNext = false;  // "crvnignore": the next word is for other readers
  bool m_afterAttachment = false;  // the attachment character that follows is dropped
  TabStop m_pendingTab = 0;  // the stop being built: leader and alignment come before its position

  // Header.
  bool m_ownGenerator = false;
  uint32_t m_version = 0;
  bool m_platformRichText = false;
  uint32_t m_ansiEncoding = 1280;
  uint32_t m_ansiCodePage = 1252;
  int32_t m_defaultFont = -1;
  QString m_generatorText;

  // Tables of the file.
  QHash<int32_t, uint16_t> m_fonts;
  QHash<int32_t, uint32_t> m_fontEncodings;
  int32_t m_fontNumber = -1;
  QString m_fontName;
  std::vector<Kolor> m_colors;
  int m_red = -1, m_green = -1, m_blue = -1;
  int32_t m_alphaEntry = -1;
  std::vector<FileStyle> m_styles;
  QHash<int32_t, uint32_t> m_styleNumbers;  // file number -> entry
  bool m_stylesCreated = false;
  Properties m_section;
  int32_t m_sectionColumn = 0;

  // Tables in the text.
  Properties m_table;
  bool m_tableDefined = false;     // by the private group: row words don't redefine it
  bool m_tableUsed = false;        // the private group's table got its knot
  bool m_rowDefined = false;       // "trowd" seen, the row not built yet
  std::vector<int64_t> m_cellEdges;  // "cellx" positions, twips as measures
  std::vector<Kolor> m_cellShading;
  int64_t m_lastEdge = 0;
  int32_t m_tableColumn = 0;  // "colno"
  uint32_t m_rowStart = kNoCpValue;  // the row being filled
  uint32_t m_column = 0;
  uint32_t m_columns = 0;
  uint32_t m_lastTable = kNoCpValue;  // the begin mark of the last table made
  bool m_inCellBorder = false;
  BorderProps m_cellBorder;
  uint32_t m_cellSides = 0, m_innerSides = 0;
  int64_t m_cellBorderWidths = 0;
  uint32_t m_lineStyleCounts[7] = {};

  // Fields and pictures.
  QString m_instruction;
  uint32_t m_linkStart = kNoCpValue;
  std::unique_ptr<PendingPicture> m_picture;
  uint32_t m_pictureDepth = 0;
  Properties m_pictureBorder;
};

// ---- Text ----------------------------------------------------------------------

void RtfReader::firstText() {
  if (m_sawText) return;
  m_sawText = true;
  if (!m_stylesCreated && !m_lenient) createStyles();
  // "Normal" takes the file's default font and size.
  Properties normal, chars;
  if (GetStyleProps(m_doc, 0, kParaProperties, &normal, &chars) && chars.type == kCharProperties) {
    uint16_t font = chars.body.charProps.font;
    int16_t size = chars.body.charProps.size;
    const auto it = m_styleNumbers.find(0);
    if (it != m_styleNumbers.end() && m_styles[*it].type == kParaProperties) {
      font = m_styles[*it].chars.body.charProps.font;
      size = m_styles[*it].chars.body.charProps.size;
    } else if (m_defaultFont >= 0) {
      font = fontFor(m_defaultFont);
    }
    if (size > 0 && (font != chars.body.charProps.font || size != chars.body.charProps.size))
      SetNormalFont(m_doc, font, size, false);
  }
}

bool RtfReader::addText(QStringView text) {
  if (text.isEmpty()) return true;
  firstText();
  if (!m_pending.isEmpty() && std::memcmp(&m_pendingChars, &group().chars, sizeof(CharProps)) != 0 &&
      !flushText())
    return false;
  if (m_pending.isEmpty()) m_pendingChars = group().chars;
  m_pending.append(text);
  return true;
}

bool RtfReader::applyRun(uint32_t first, uint32_t limit, uint32_t type, const Properties& record) {
  if (limit <= first) return true;
  Properties copy = record;
  const uint32_t index = IndexForProperties(m_doc, &copy);
  if (index == kNoPropertyIndex) return false;
  const DocRange range{m_doc, first, limit};
  return SplitRuns(&range, nullptr, type, nullptr, index, false) >= 0;
}

bool RtfReader::flushText() {
  if (m_pending.isEmpty()) return true;
  // Knot marks in the file's text would pose as structure.
  for (QChar& c : m_pending)
    if (c.unicode() == kKnotMark0 || c.unicode() == kKnotMark1) c = QChar(u' ');
  const auto length = uint32_t(m_pending.size());
  const DocRange at{m_doc, m_cp, m_cp};
  if (!ReplaceRangeWithText(&at, reinterpret_cast<const char16_t*>(m_pending.utf16()), length)) return false;
  Properties chars;
  InitProperties(kCharProperties, &chars, &m_pendingChars);
  if (!applyRun(m_cp, m_cp + length, kCharProperties, chars)) return false;
  m_cp += length;
  m_pending.clear();
  return true;
}

bool RtfReader::endParagraph(uint32_t markCp) {
  Properties para;
  InitProperties(kParaProperties, &para, &group().para);
  if (!applyRun(std::min(m_paraStart, markCp), markCp + 1, kParaProperties, para)) return false;
  m_paraStart = markCp + 1;
  return true;
}

bool RtfReader::insertBreak(char16_t unit) {
  firstText();
  if (!flushText()) return false;
  // A page or column break turns a paragraph mark just inserted into it.
  if ((unit == 11 || unit == 12) && m_cp > m_startCp && m_cp == m_paraStart &&
      CharacterAtCp(m_doc, m_cp - 1) == kParagraphMark) {
    const DocRange mark{m_doc, m_cp - 1, m_cp};
    return ReplaceRangeWithText(&mark, &unit, 1);
  }
  const QChar c(unit);
  if (!addText(QStringView(&c, 1)) || !flushText()) return false;
  return endParagraph(m_cp - 1);
}

bool RtfReader::insertMarkKnot(uint32_t type, const uint8_t* extras, const Properties* props) {
  if (!flushText()) return false;
  const DocRange at{m_doc, m_cp, m_cp};
  if (!InsertKnot(&at, type, 1, props, extras, false)) return false;
  Properties chars;
  InitProperties(kCharProperties, &chars, &group().chars);
  if (!applyRun(m_cp, m_cp + 1, kCharProperties, chars)) return false;
  ++m_cp;
  return true;
}

// ---- Values ----------------------------------------------------------------------

void RtfReader::setAtom(Properties& record, uint32_t atom, int64_t value) {
  const AtomDesc* row = AtomDescFor(record.type, atom);
  if (!row || row->valueSize == 0) return;
  // Two-byte fields hold signed and unsigned values alike: past either
  // range the value saturates rather than wrapping.
  if (row->valueSize == 2) value = std::clamp<int64_t>(value, INT16_MIN, UINT16_MAX);
  StoreAtomFieldValue(&record, *row, value);
}

Kolor RtfReader::colorAt(int32_t index, bool text) const {
  if (index >= 0 && size_t(index) < m_colors.size()) return m_colors[size_t(index)];
  return text ? kBlackKolor : g_whiteKolor;
}

uint16_t RtfReader::fontFor(int32_t number) const {
  const auto it = m_fonts.find(number);
  if (it != m_fonts.end()) return *it;
  if (m_defaultFont >= 0 && number != m_defaultFont) return fontFor(m_defaultFont);
  return 0;
}

BorderProps* RtfReader::borderTarget() {
  if (m_picture && m_pictureDepth) return &m_pictureBorder.body.border;
  if (m_inCellBorder) return &m_cellBorder;
  GroupState& g = group();
  if (g.styleEntry != kNoPropertyIndex && g.styleEntry < m_styles.size()) {
    FileStyle& style = m_styles[g.styleEntry];
    if (g.tableDefaults || style.type == kTableProperties) return &m_table.body.table.border;
    if (style.type == kParaProperties) return &g.para.border;
    return nullptr;
  }
  if (inDestination(kDestTable)) return &m_table.body.table.border;
  return &g.para.border;
}

// ---- Words ------------------------------------------------------------------------

void RtfReader::charWord(CharProps& c, uint32_t key, int32_t v) {
  switch (key) {
    case RtfKey("b"): c.bold = v != 0; return;
    case RtfKey("i"):
    case RtfKey("obliqueness"): c.italic = v != 0; return;
    case RtfKey("outl"): c.outline = v != 0; return;
    case RtfKey("shad"): c.shadow = v != 0; return;
    case RtfKey("strike"):
    case RtfKey("striked"): c.strike = v != 0; return;
    case RtfKey("ul"): c.underline = v != 0 ? 1 : 0; return;
    case RtfKey("ul0"):
    case RtfKey("ulnone"): c.underline = 0; return;
    case RtfKey("ulw"): c.underline = 2; return;
    case RtfKey("uldb"):
    case RtfKey("ululdbwave"): c.underline = 3; return;
    case RtfKey("uld"): c.underline = 4; return;
    case RtfKey("uldash"):
    case RtfKey("uldashd"):
    case RtfKey("uldashdd"):
    case RtfKey("ulldash"):
    case RtfKey("ulthdash"):
    case RtfKey("ulthdashd"):
    case RtfKey("ulthdashdd"):
    case RtfKey("ulthldash"):
    case RtfKey("ulwave"): c.underline = 5; return;
    case RtfKey("ulhwave"):
    case RtfKey("ulth"):
    case RtfKey("ulthd"): c.underline = 6; return;
    case RtfKey("crvnnocap"): c.caps = 0; return;
    case RtfKey("caps"): c.caps = v != 0 ? 1 : (c.caps == 1 ? 0 : c.caps); return;
    case RtfKey("crvnlower"): c.caps = 2; return;
    case RtfKey("scaps"): c.caps = v != 0 ? 3 : (c.caps == 3 ? 0 : c.caps); return;
    case RtfKey("crvntitlecap"): c.caps = 4; return;
    case RtfKey("fs"): c.size = int16_t(std::clamp<int64_t>(int64_t(v) * 2, 0, 8000)); return;
    case RtfKey("f"): c.font = fontFor(v); return;
    case RtfKey("plain"): {
      Properties base;
      SetBaseProperties(kCharProperties, &base);
      c = base.body.charProps;
      c.font = m_defaultFont >= 0 ? fontFor(m_defaultFont) : 0;
      c.size = 48;
      return;
    }
    case RtfKey("dn"): c.sub = int64_t(v) * 6350; return;
    case RtfKey("up"): c.sub = -int64_t(v) * 6350; return;
    case RtfKey("sub"):
    case RtfKey("super"):
      c.sub = int64_t(std::max(1, v)) * 38100 * (key == RtfKey("sub") ? 1 : -1);
      if (!m_platformRichText) c.relsize = int16_t(std::max(-100, c.relsize - 1));
      return;
    case RtfKey("nosupersub"): c.sub = 0; return;
    case RtfKey("expnd"): c.expand = int64_t(v) * 3175; return;
    case RtfKey("expndtw"): c.expand = int64_t(v) * kTwip; return;
    case RtfKey("cf"): c.color = colorAt(v, true); return;
    case RtfKey("cb"): c.back = colorAt(v, false); return;
    case RtfKey("highlight"): {
      Kolor kolor;
      c.back = HighlightKolor(v, &kolor) ? kolor : g_whiteKolor;
      return;
    }
    case RtfKey("chcfpat"): {
      const Kolor kolor = colorAt(v, false);
      c.back = AreKolorsEqual(kolor, g_whiteKolor) ? g_nilKolor : kolor;
      return;
    }
    case RtfKey("red"): c.color = MakeKolor(255, 0, 0); return;
    case RtfKey("green"): c.color = MakeKolor(0, 255, 0); return;
    case RtfKey("blue"): c.color = MakeKolor(0, 0, 255); return;
    case RtfKey("cs"): {
      const uint32_t style = resolveStyle(v);
      c.style = uint16_t(style == kStyleNone ? 0 : style);
      return;
    }
    case RtfKey("crvnrelsize"): c.relsize = int16_t(std::clamp(v, -100, 100)); return;
    case RtfKey("crvnunleaded"): c.unleaded = v != 0; return;
    case RtfKey("crvnnolink"): c.nolink = v != 0; return;
    default:
      return;  // "af", "chshdng", "deleted", "v": nothing of their own here
  }
}

bool RtfReader::paraWord(ParaProps& p, uint32_t key, int32_t v) {
  const int64_t measure = int64_t(v) * kTwip;
  TabStop& pendingTab = m_pendingTab;
  switch (key) {
    case RtfKey("pard"): {
      Properties base;
      SetBaseProperties(kParaProperties, &base);
      p = base.body.para;
      pendingTab = 0;
      return true;
    }
    case RtfKey("ql"): p.align = 0; return true;
    case RtfKey("qc"): p.align = 1; return true;
    case RtfKey("qj"): p.align = 2; return true;
    case RtfKey("qr"): p.align = 3; return true;
    case RtfKey("li"): p.indentl = std::max<int64_t>(0, measure); return true;
    case RtfKey("ri"): {
      int64_t right = measure;
      if (m_platformRichText) right += m_textWidth - kDefaultTextWidth;
      p.indentr = std::max<int64_t>(0, right);
      return true;
    }
    case RtfKey("fi"): p.indent1 = measure; return true;
    case RtfKey("sb"): p.before = measure; return true;
    case RtfKey("sa"): p.after = measure; return true;
    case RtfKey("sl"): p.height = measure; return true;
    case RtfKey("slmult"):
      if (v == 1) {
        p.multiple = p.height / 12;
        p.height = 0;
      }
      return true;
    case RtfKey("tldot"):
    case RtfKey("tlmdot"): pendingTab = (pendingTab & ~(7u << 26)) | (1u << 26); return true;
    case RtfKey("tlhyph"): pendingTab = (pendingTab & ~(7u << 26)) | (2u << 26); return true;
    case RtfKey("tleq"): pendingTab = (pendingTab & ~(7u << 26)) | (3u << 26); return true;
    case RtfKey("tlul"): pendingTab = (pendingTab & ~(7u << 26)) | (4u << 26); return true;
    case RtfKey("tlth"): pendingTab = (pendingTab & ~(7u << 26)) | (5u << 26); return true;
    case RtfKey("tqc"): pendingTab = (pendingTab & ~(7u << 29)) | (1u << 29); return true;
    case RtfKey("tqr"): pendingTab = (pendingTab & ~(7u << 29)) | (2u << 29); return true;
    case RtfKey("tqdec"): pendingTab = (pendingTab & ~(7u << 29)) | (3u << 29); return true;
    case RtfKey("tx"):
    case RtfKey("tb"): {
      TabStop tab = pendingTab & ~kTabPositionMask;
      if (key == RtfKey("tb")) tab = (tab & ~(7u << 29)) | (4u << 29);
      tab |= TabStop(std::clamp<int64_t>(measure, 0, kTabPositionMask));
      pendingTab = 0;
      const uint32_t count = std::min<uint32_t>(p.tabCount, kMaxRtfTabs);
      uint32_t index = 0;
      while (index < count && (p.tabs[index] & kTabPositionMask) < (tab & kTabPositionMask)) ++index;
      if (index < count && (p.tabs[index] & kTabPositionMask) == (tab & kTabPositionMask)) return true;
      if (count < kMaxRtfTabs) AddTab(&p, index, tab);
      return true;
    }
    case RtfKey("s"): {
      const uint32_t style = resolveStyle(v);
      p.style = uint16_t(style == kStyleNone ? 0 : style);
      return true;
    }
    case RtfKey("intbl"):
      if (m_rowDefined && m_rowStart == kNoCpValue && group().styleEntry == kNoPropertyIndex) return beginRow();
      return true;
    default:
      break;
  }
  const RtfKeyInfo& info = g_rtfKeyInfos[key];
  if (info.atom) {
    Properties record;
    InitProperties(kParaProperties, &record, &p);
    setAtom(record, info.atom, v);
    p = record.body.para;
  }
  return true;
}

void RtfReader::borderWord(BorderProps& b, uint32_t key, int32_t v) {
  switch (key) {
    case RtfKey("brdrl"):
    case RtfKey("brdrbar"): b.btype = 1; return;
    case RtfKey("brdrr"): b.btype = 2; return;
    case RtfKey("brdrt"): b.btype = b.btype == 0 ? 4 : 7; return;
    case RtfKey("brdrb"): b.btype = b.btype == 0 ? 5 : 7; return;
    case RtfKey("box"): b.btype = b.btype == 8 ? 9 : 7; return;
    case RtfKey("brdrbtw"): b.btype = b.btype == 7 ? 9 : 8; return;
    case RtfKey("crvnbdrlr"): b.btype = 3; return;
    case RtfKey("crvnbdrtb"): b.btype = 6; return;
    case RtfKey("crvnbdrrow"): b.btype = 10; return;
    case RtfKey("crvnbdrcol"): b.btype = 11; return;
    case RtfKey("crvnbdrrowcol"): b.btype = 12; return;
    case RtfKey("crvnbdrrowone"): b.btype = 13; return;
    case RtfKey("crvnbdrrowoneb"): b.btype = 14; return;
    case RtfKey("crvnbdrrowcols"): b.btype = 15; return;
    case RtfKey("brdrs"):
    case RtfKey("brdrsh"):
    case RtfKey("brdremboss"):
    case RtfKey("brdrengrave"):
    case RtfKey("brdrframe"):
    case RtfKey("brdrinset"):
    case RtfKey("brdroutset"): b.bline = 0; return;
    case RtfKey("brdrdb"):
    case RtfKey("brdrtriple"): b.bline = 1; return;
    case RtfKey("brdrdot"): b.bline = 2; return;
    case RtfKey("brdrdash"):
    case RtfKey("brdrdashd"):
    case RtfKey("brdrdashdd"):
    case RtfKey("brdrdashdotstr"):
    case RtfKey("brdrdashsm"): b.bline = 3; return;
    case RtfKey("brdrwavydb"):
      b.bline = 4;
      b.bthick = 50800;
      return;
    case RtfKey("brdrwavy"):
      b.bline = 5;
      b.bthick = 50800;
      return;
    case RtfKey("crvnbdrgrad"): b.bline = 6; return;
    case RtfKey("brdrth"):
    case RtfKey("brdrthtnlg"):
    case RtfKey("brdrthtnmg"):
    case RtfKey("brdrthtnsg"):
    case RtfKey("brdrtnthlg"):
    case RtfKey("brdrtnthmg"):
    case RtfKey("brdrtnthsg"):
    case RtfKey("brdrtnthtnlg"):
    case RtfKey("brdrtnthtnmg"):
    case RtfKey("brdrtnthtnsg"):
      b.bline = 0;
      b.bwidth = 2 * kTwip;
      return;
    case RtfKey("brdrw"): b.bwidth = std::max<int64_t>(0, int64_t(v) * kTwip); return;
    case RtfKey("brdrhair"): b.bwidth = 0; return;
    case RtfKey("crvnbdrthick"): b.bthick = std::max<int64_t>(0, int64_t(v) * kTwip); return;
    case RtfKey("brsp"): b.boff = int64_t(v) * kTwip; return;
    case RtfKey("brdrcf"): b.color = colorAt(v, true); return;
    case RtfKey("crvnbdrinner"): b.incolor = colorAt(v, true); return;
    case RtfKey("cfpat"): b.back = colorAt(v, false); return;
    case RtfKey("brdrnil"):
    case RtfKey("brdrnone"): {
      const Kolor back = b.back;
      Properties base;
      SetBaseProperties(kBorderProperties, &base);
      b = base.body.border;
      b.back = back;
      return;
    }
    default:
      return;
  }
}

void RtfReader::tableWord(uint32_t key, int32_t v) {
  TableProps& t = m_table.body.table;
  const int64_t measure = int64_t(v) * kTwip;
  const bool defining = inDestination(kDestTable) || group().tableDefaults;
  switch (key) {
    case RtfKey("trowd"):
      m_cellEdges.clear();
      m_cellShading.clear();
      m_inCellBorder = false;
      m_cellSides = m_innerSides = 0;
      m_cellBorderWidths = 0;
      std::fill(std::begin(m_lineStyleCounts), std::end(m_lineStyleCounts), 0u);
      m_rowDefined = true;
      if (!m_tableDefined) {
        if (const Properties* normal = PropertiesAtIndex(m_doc, m_doc->normalTableIndex);
            normal && normal->type == kTableProperties)
          m_table = *normal;
        else
          SetBaseProperties(kTableProperties, &m_table);
        m_lastEdge = 0;
      } else {
        m_lastEdge = t.left;
      }
      return;
    case RtfKey("trleft"):
      if (defining || !m_tableDefined) {
        t.left = m_ownGenerator ? measure : std::max<int64_t>(0, measure);
        if (!m_tableDefined) m_lastEdge = t.left;
      }
      return;
    case RtfKey("trrh"):
      if (!m_tableDefined) t.height = std::clamp<int64_t>(measure, -int64_t(10000) * 12700, int64_t(10000) * 12700);
      return;
    case RtfKey("trgaph"):
      if (!m_tableDefined) t.cleft = t.cright = std::max<int64_t>(0, measure);
      return;
    case RtfKey("trhdr"):
      if (defining || !m_tableDefined) t.titlerow = v != 0;
      return;
    case RtfKey("cellx"):
      m_inCellBorder = false;
      if (m_cellEdges.size() >= kMaxRowCells) return;
      m_cellEdges.push_back(measure);
      m_cellShading.resize(m_cellEdges.size(), g_nilKolor);
      if (!m_tableDefined && m_cellEdges.size() <= kMaxTableColumns) {
        t.columns[m_cellEdges.size() - 1] = std::max<int64_t>(kMinCellWidth, measure - m_lastEdge);
      }
      m_lastEdge = std::max(m_lastEdge, measure);
      return;
    case RtfKey("clcfpat"):
      if (m_cellEdges.size() < kMaxRowCells) {
        m_cellShading.resize(m_cellEdges.size() + 1, g_nilKolor);
        m_cellShading[m_cellEdges.size()] = colorAt(v, false);
      }
      return;
    case RtfKey("trql"):
    case RtfKey("trqc"):
    case RtfKey("trqr"):
      if (defining) t.align = key == RtfKey("trql") ? 0 : key == RtfKey("trqc") ? 1 : 3;
      return;
    case RtfKey("crvnts"): {
      const uint32_t style = resolveStyle(v);
      t.style = uint16_t(style == kStyleNone ? 0 : style);
      return;
    }
    default:
      break;
  }
  const RtfKeyInfo& info = g_rtfKeyInfos[key];
  if (info.atom && (defining || !m_tableDefined)) {
    const AtomDesc* row = AtomDescFor(kTableProperties, info.atom);
    if (!row) return;
    int64_t value = v;
    if (row->rtfEmitKind == kRtfEmitTwips) value = measure;
    if (row->rtfEmitKind == kRtfEmitColor) value = colorAt(v, false);
    setAtom(m_table, info.atom, value);
  }
}

void RtfReader::docWord(uint32_t key, int32_t v) {
  Properties record;
  InitProperties(kDocProperties, &record, &m_doc->docProps);
  const RtfKeyInfo& info = g_rtfKeyInfos[key];
  const AtomDesc* row = AtomDescFor(kDocProperties, info.atom);
  if (!row) return;
  int64_t value = v;
  if (row->rtfEmitKind == kRtfEmitTwips || key == RtfKey("margt") || key == RtfKey("margb"))
    value = std::abs(int64_t(v)) * kTwip;
  else if (row->rtfEmitKind == kRtfEmitColor)
    value = colorAt(v, false);
  setAtom(record, info.atom, value);
  m_doc->docProps = record.body.doc;
}

bool RtfReader::word(uint32_t key, int32_t value, bool hasValue) {
  if (!hasValue) value = RtfDefaultKeywordValue(key);
  // Toggles without a parameter switch on.
  if (!hasValue && (key == RtfKey("caps") || key == RtfKey("scaps") || key == RtfKey("striked") ||
                    key == RtfKey("deleted")))
    value = 1;
  if (m_ignoreNext) {
    m_ignoreNext = false;
    return true;
  }
  GroupState& g = group();
  // Inside the tables of the header.
  switch (g.destination) {
    case kDestFontTable:
      if (key == RtfKey("f")) {
        m_fontNumber = value;
      } else if ((key == RtfKey("fcharset") || key == RtfKey("cpg")) && m_fontNumber >= 0) {
        const uint32_t encoding = key == RtfKey("cpg") ? EncodingForCodePage(uint32_t(std::max(0, value)))
                                                        : EncodingForCharSet(uint32_t(std::max(0, value)), m_ansiCodePage);
        m_fontEncodings.insert(m_fontNumber, encoding);
      }
      return true;
    case kDestColorTable:
      if (key == RtfKey("red")) m_red = std::clamp(value, 0, 255);
      if (key == RtfKey("green")) m_green = std::clamp(value, 0, 255);
      if (key == RtfKey("blue")) m_blue = std::clamp(value, 0, 255);
      return true;
    case kDestAlpha:
      if (key == RtfKey("cf")) m_alphaEntry = value;
      if (key == RtfKey("crvnalpha") && m_alphaEntry > 0 && size_t(m_alphaEntry) < m_colors.size()) {
        const Kolor k = m_colors[size_t(m_alphaEntry)];
        m_colors[size_t(m_alphaEntry)] = MakeKolor(KolorRed(k), KolorGreen(k), KolorBlue(k), std::clamp(value, 0, 100));
      }
      return true;
    case kDestFirstLine: {
      const RtfKeyInfo& info = g_rtfKeyInfos[key];
      uint32_t atom = key == RtfKey("scaps") ? uint32_t(kCharAtomCaps) : info.atom;
      if (info.propertyType != kCharProperties || atom == 0) atom = kCharAtomBold;
      // The group belongs to the paragraph (or style entry) around it.
      if (g.styleEntry != kNoPropertyIndex && g.styleEntry < m_styles.size()) {
        m_styles[g.styleEntry].record.body.para.format1 = uint8_t(atom);
      } else {
        if (m_groups.size() >= 2) m_groups[m_groups.size() - 2].para.format1 = uint8_t(atom);
        g.para.format1 = uint8_t(atom);
      }
      return true;
    }
    case kDestPicture:
      break;
    default:
      break;
  }
  if (key == RtfKey("crvnignore")) {
    m_ignoreNext = true;
    return true;
  }
  if (m_picture && m_pictureDepth && (g.destination == kDestPicture || g.destination == kDestAttachment)) {
    PendingPicture& pic = *m_picture;
    switch (key) {
      case RtfKey("crvnref"):
        g.destination = kDestReference;
        pic.reference.clear();
        return true;
      case RtfKey("width"):
        pic.widthPoints = value / 20;
        return true;
      case RtfKey("height"):
        return true;
      case RtfKey("pngblip"):
      case RtfKey("jpegblip"):
      case RtfKey("emfblip"):
      case RtfKey("macpict"):
      case RtfKey("crvnrefpic"):
      case RtfKey("crvnrespic"):
        if (pic.source != RtfKey("NeXTGraphic")) pic.source = key;
        return true;
      case RtfKey("picw"): pic.widthPoints = value; return true;
      case RtfKey("picwgoal"): pic.widthPoints = value / 20; return true;
      case RtfKey("picscalex"): pic.scaleX = std::clamp(value * 10, 1, 16000); return true;
      case RtfKey("picscaley"): pic.scaleY = std::clamp(value * 10, 1, 16000); return true;
      case RtfKey("crvnfitpic"): pic.fit = true; return true;
      case RtfKey("crvnpict"): pic.alignment = 0; return true;
      case RtfKey("crvnpicb"): pic.alignment = 1; return true;
      case RtfKey("crvnpicc"): pic.alignment = 2; return true;
      case RtfKey("crvnbackopacity"): pic.opacity = uint32_t(std::clamp(value, 0, 100)); return true;
      case RtfKey("bin"): {
        const QByteArray& bytes = m_tokens.binary();
        if (!pic.dropped && pic.data.size() + bytes.size() <= kMaxRtfPictureBytes)
          pic.data.append(bytes);
        else
          pic.dropped = true;
        return true;
      }
      default:
        if (g_rtfKeyInfos[key].propertyType == kBorderProperties) {
          borderWord(m_pictureBorder.body.border, key, value);
          pic.hasBorder = true;
        }
        return true;
    }
  }

  const RtfKeyInfo& info = g_rtfKeyInfos[key];
  if (info.propertyType == kRtfSpecialWord) return special(key, value);
  if (inDestination(kDestStyleSheet)) {
    // The type words start an entry of the sheet.
    if (key == RtfKey("s") || key == RtfKey("cs") || key == RtfKey("ds") || key == RtfKey("crvnts"))
      return special(key, value);
  }
  if (info.propertyType == kListProperties) return skipGroup();  // lists of other writers are not read

  // Inside a style-sheet entry the words build the entry's records.
  FileStyle* entry = g.styleEntry != kNoPropertyIndex && g.styleEntry < m_styles.size() ? &m_styles[g.styleEntry]
                                                                                          : nullptr;
  switch (info.propertyType) {
    case kCharProperties:
      if (entry && entry->type == kCharProperties) {
        charWord(entry->record.body.charProps, key, value);
      } else if (entry) {
        charWord(entry->chars.body.charProps, key, value);
      } else {
        charWord(g.chars, key, value);
        if (key == RtfKey("f")) m_tokens.state().encoding = m_fontEncodings.value(value, m_ansiEncoding);
        if (key == RtfKey("plain")) m_tokens.state().encoding = m_ansiEncoding;
      }
      return true;
    case kParaProperties:
      // "ls" names a list of other writers; lists are not carried.
      if (key == RtfKey("ls")) return true;
      if (key == RtfKey("crvnprefix") || key == RtfKey("crvnsuffix") || key == RtfKey("pntxta") ||
          key == RtfKey("pntxtb"))
        return skipGroup();
      if (key == RtfKey("crvnfirstline")) {
        g.destination = kDestFirstLine;
        return true;
      }
      if (entry && entry->type == kParaProperties) return paraWord(entry->record.body.para, key, value);
      if (entry) return true;
      return paraWord(g.para, key, value);
    case kChapterProperties:
      if ((key == RtfKey("colno") || key == RtfKey("colw")) && (inDestination(kDestTable) || g.tableDefaults)) {
        TableProps& t = m_table.body.table;
        if (key == RtfKey("colno")) m_tableColumn = value;
        else if (m_tableColumn >= 1 && m_tableColumn <= int32_t(kMaxTableColumns))
          t.columns[m_tableColumn - 1] = std::max<int64_t>(0, int64_t(value) * kTwip);
        return true;
      }
      if (key == RtfKey("colno")) {
        m_sectionColumn = value;
      } else if (key == RtfKey("colw")) {
        ChapterProps& c = m_section.body.chapter;
        if (m_sectionColumn >= 1 && m_sectionColumn <= 10 && m_sectionColumn <= int32_t(c.cols)) {
          c.columns[m_sectionColumn - 1] = int64_t(value) * kTwip;
          c.custom = 1;
        }
      } else if (key == RtfKey("cols")) {
        m_section.body.chapter.cols = uint8_t(std::clamp(value, 0, 10));
      } else if (info.atom) {
        const AtomDesc* row = AtomDescFor(kChapterProperties, info.atom);
        if (row) setAtom(m_section, info.atom, row->rtfEmitKind == kRtfEmitTwips ? int64_t(value) * kTwip : value);
      }
      return true;
    case kFrameProperties:
      return true;  // frames are not rebuilt
    case kTableProperties:
      if (key == RtfKey("cell")) return nextCell();
      if (key == RtfKey("row")) {
        endRow();
        return true;
      }
      tableWord(key, value);
      return true;
    case kBorderProperties:
      if (key == RtfKey("clbrdrt") || key == RtfKey("clbrdrl") || key == RtfKey("clbrdrb") ||
          key == RtfKey("clbrdrr")) {
        m_inCellBorder = true;
        Properties base;
        SetBaseProperties(kBorderProperties, &base);
        m_cellBorder = base.body.border;
        ++m_cellSides;
        // Sides between cells: the right of any but the last, the left of any but the first.
        if ((key == RtfKey("clbrdrl") && !m_cellEdges.empty()) || key == RtfKey("clbrdrr")) ++m_innerSides;
        return true;
      }
      if (BorderProps* border = borderTarget()) {
        borderWord(*border, key, value);
        if (m_inCellBorder && border == &m_cellBorder) {
          if (key == RtfKey("brdrw")) m_cellBorderWidths += m_cellBorder.bwidth;
          // A side's line style is counted once, with the word that sets it.
          const bool lineWord = key != RtfKey("brdrw") && key != RtfKey("brdrcf") && key != RtfKey("brsp") &&
                                key != RtfKey("cfpat") && key != RtfKey("crvnbdrthick") &&
                                key != RtfKey("crvnbdrinner") && key != RtfKey("brdrhair") && key != RtfKey("box") &&
                                key != RtfKey("brdrnil") && key != RtfKey("brdrnone");
          if (lineWord && m_cellBorder.bline < 7) ++m_lineStyleCounts[m_cellBorder.bline];
        }
      }
      return true;
    case kDocProperties:
      if (key == RtfKey("deff")) {
        m_defaultFont = value;
      } else if (key == RtfKey("crvnbackpic")) {
        return skipGroup();  // a background picture is not carried
      } else {
        docWord(key, value);
      }
      return true;
    default:
      return true;
  }
}

bool RtfReader::special(uint32_t key, int32_t value) {
  GroupState& g = group();
  switch (key) {
    case RtfKey("ansi"):
      m_ansiEncoding = 1280;
      m_tokens.state().encoding = m_ansiEncoding;
      return true;
    case RtfKey("mac"):
      m_ansiEncoding = 0;
      m_tokens.state().encoding = m_ansiEncoding;
      return true;
    case RtfKey("ansicpg"):
      m_ansiCodePage = uint32_t(std::max(0, value));
      m_ansiEncoding = EncodingForCodePage(m_ansiCodePage);
      m_tokens.state().encoding = m_ansiEncoding;
      return true;
    case RtfKey("cocoartf"):
      m_platformRichText = true;
      m_tokens.setPlatformRichText(true);
      return true;
    case RtfKey("generator"):
      g.destination = kDestGenerator;
      m_generatorText.clear();
      return true;
    case RtfKey("fonttbl"):
      if (m_lenient) return skipGroup();
      g.destination = kDestFontTable;
      m_tokens.setSemicolonEndsText(true);
      return true;
    case RtfKey("colortbl"):
      if (m_lenient) return skipGroup();
      g.destination = kDestColorTable;
      m_colors.clear();
      m_red = m_green = m_blue = -1;
      m_tokens.setSemicolonEndsText(true);
      return true;
    case RtfKey("crvnalpha"):
      if (m_lenient) return skipGroup();
      g.destination = kDestAlpha;
      return true;
    case RtfKey("stylesheet"):
      if (m_lenient || m_stylesCreated) return skipGroup();
      g.destination = kDestStyleSheet;
      m_tokens.setSemicolonEndsText(true);
      return true;
    case RtfKey("s"):
    case RtfKey("cs"):
    case RtfKey("ds"):
    case RtfKey("crvnts"): {
      // Only reached inside the style sheet.
      if (!inDestination(kDestStyleSheet)) return true;
      FileStyle style;
      style.type = key == RtfKey("cs") ? kCharProperties
                   : key == RtfKey("s") ? kParaProperties
                   : key == RtfKey("ds") ? kChapterProperties
                                         : kTableProperties;
      style.number = value;
      SetBaseProperties(style.type, &style.record);
      SetBaseProperties(kCharProperties, &style.chars);
      style.chars.body.charProps.size = 48;
      if (g.styleEntry == kNoPropertyIndex || g.styleEntry >= m_styles.size() ||
          !m_styles[g.styleEntry].name.isNull()) {
        m_styles.push_back(style);
        g.styleEntry = uint32_t(m_styles.size() - 1);
      } else {
        // The entry's type word came after other words: keep what they set.
        FileStyle& entry = m_styles[g.styleEntry];
        entry.type = style.type;
        entry.number = value;
        if (entry.record.type != style.type) entry.record = style.record;
      }
      if (style.type == kTableProperties) SetBaseProperties(kTableProperties, &m_table);
      return true;
    }
    case RtfKey("sbasedon"):
    case RtfKey("snext"):
    case RtfKey("additive"):
      if (g.styleEntry != kNoPropertyIndex && g.styleEntry < m_styles.size()) {
        if (key == RtfKey("sbasedon")) m_styles[g.styleEntry].base = value;
        if (key == RtfKey("snext")) m_styles[g.styleEntry].next = value;
      }
      return true;
    case RtfKey("crvnxs"):
      g.tableDefaults = true;
      SetBaseProperties(kTableProperties, &m_table);
      return true;
    case RtfKey("crvndest"):
      return true;
    case RtfKey("info"):
    case RtfKey("footnote"):
    case RtfKey("annotation"):
    case RtfKey("listtext"):
    case RtfKey("header"):
    case RtfKey("headerl"):
    case RtfKey("headerr"):
    case RtfKey("headerf"):
    case RtfKey("footer"):
    case RtfKey("footerl"):
    case RtfKey("footerr"):
    case RtfKey("footerf"):
    case RtfKey("tc"):
    case RtfKey("tcn"):
    case RtfKey("xe"):
    case RtfKey("nonshppict"):
    case RtfKey("crvnchap"):
    case RtfKey("crvntag"):
    case RtfKey("crvnprefix"):
    case RtfKey("crvnsuffix"):
    case RtfKey("bkmkstart"):
    case RtfKey("bkmkend"):
    case RtfKey("crvnlist"):
    case RtfKey("crvnmeta"):
      return skipGroup();
    case RtfKey("uc"):
      return true;  // the tokenizer keeps the count
    case RtfKey("itap"):
      return true;  // nested tables are read as text of the outer cell
    case RtfKey("upr"):
      return true;  // its first group is read as text
    case RtfKey("ud"):
      return skipGroup();  // the rest of an "upr" group
    case RtfKey("field"):
      g.destination = kDestField;
      m_instruction.clear();
      return true;
    case RtfKey("fldinst"):
      if (!inDestination(kDestField)) return skipGroup();
      g.destination = kDestFieldInstruction;
      m_instruction.clear();
      return true;
    case RtfKey("fldrslt"):
      g.destination = kDestFieldResult;
      if (m_linkStart != kNoCpValue) {
        // The link's text is set in the hyperlink style.
        const uint32_t style = StyleIndexForStyleId(m_doc, kHyperlinkStyleId, true, false);
        if (style != kNoPropertyIndex) g.chars.style = uint16_t(style);
      }
      return true;
    case RtfKey("pict"):
      if (m_picture) return skipGroup();
      flushText();
      m_picture = std::make_unique<PendingPicture>();
      m_pictureDepth = uint32_t(m_groups.size());
      SetBaseProperties(kBorderProperties, &m_pictureBorder);
      g.destination = kDestPicture;
      return true;
    case RtfKey("crvnref"):
      g.destination = kDestReference;
      if (m_picture) m_picture->reference.clear();
      return true;
    case RtfKey("shppict"):
      return true;
    case RtfKey("NeXTGraphic"):
      if (m_lenient || m_folder.isEmpty()) return skipGroup();
      if (m_picture) return skipGroup();
      flushText();
      m_picture = std::make_unique<PendingPicture>();
      m_picture->source = key;
      m_pictureDepth = uint32_t(m_groups.size());
      SetBaseProperties(kBorderProperties, &m_pictureBorder);
      g.destination = kDestAttachment;
      return true;
    case RtfKey("width"):
    case RtfKey("height"):
      if (m_picture && key == RtfKey("width")) m_picture->widthPoints = value / 20;
      return true;
    case RtfKey("picscalex"):
      if (m_picture) m_picture->scaleX = std::clamp(value * 10, 1, 16000);
      return true;
    case RtfKey("crvnfitpic"):
      if (m_picture) m_picture->fit = true;
      return true;
    case RtfKey("crvncheck"): {
      uint8_t extras[12] = {};
      const auto state = uint16_t(std::clamp(value, 0, 0xFFFF));
      std::memcpy(extras + 8, &state, 2);
      return insertMarkKnot(kKnotCheckbox, extras, nullptr);
    }
    case RtfKey("crvndiv"):
      return insertMarkKnot(kKnotDivider, nullptr, nullptr);
    case RtfKey("crvntable"):
      if (!flushText()) return false;
      // The table group comes before the rows it defines; an insertion point
      // still inside a table goes past it.
      if (m_rowStart != kNoCpValue) endRow();
      if (m_lastTable != kNoCpValue) {
        const uint32_t limit = KnotLimitCp(m_doc, m_lastTable);
        if (limit != kNoCpValue && m_cp > m_lastTable && m_cp < limit) m_cp = m_paraStart = limit;
      }
      if (const Properties* normal = PropertiesAtIndex(m_doc, m_doc->normalTableIndex);
          normal && normal->type == kTableProperties)
        m_table = *normal;
      else
        SetBaseProperties(kTableProperties, &m_table);
      SetBaseProperties(kTableProperties, &m_table);
      m_tableDefined = true;
      m_tableUsed = false;
      g.destination = kDestTable;
      return true;
    case RtfKey("sect"):
    case RtfKey("sectd"):
      return true;  // sections of a file are not rebuilt
    default:
      return true;  // words of no meaning here
  }
}

// ---- Groups -------------------------------------------------------------------------

bool RtfReader::skipGroup() {
  if (!m_tokens.skipGroup()) return false;
  // The tokenizer popped the group: so do we, without its end work.
  if (m_groups.size() > 1) m_groups.pop_back();
  return true;
}

void RtfReader::endFontEntry() {
  if (m_fontNumber < 0) return;
  QString name = m_fontName.trimmed();
  m_fontName.clear();
  if (name.isEmpty()) return;
  // The name as the file gives it: the font list resolves faces itself.
  m_fonts.insert(m_fontNumber, IndexOfFont(name));
  m_fontNumber = -1;
}

uint32_t RtfReader::resolveStyle(int32_t number) const {
  const auto it = m_styleNumbers.find(number);
  if (it == m_styleNumbers.end()) return number == 0 ? 0 : kStyleNone;
  return m_styles[*it].docIndex == kNoPropertyIndex ? 0 : m_styles[*it].docIndex;
}

void RtfReader::createStyles() {
  m_stylesCreated = true;
  StyleListBatch batch(m_doc);
  const auto count = uint32_t(m_styles.size());
  for (uint32_t i = 0; i < count; ++i)
    if (!m_styleNumbers.contains(m_styles[i].number)) m_styleNumbers.insert(m_styles[i].number, i);
  // 0 waiting, 1 being resolved (a base met again closes a cycle), 2 done.
  std::vector<uint8_t> state(count, 0);
  const auto entryOf = [&](int32_t number) -> int64_t {
    const auto it = m_styleNumbers.find(number);
    return it == m_styleNumbers.end() ? -1 : int64_t(*it);
  };
  const auto create = [&](uint32_t i, uint32_t baseIndex) {
    FileStyle& style = m_styles[i];
    if (style.type == kChapterProperties) {
      style.docIndex = 0;
      return;
    }
    const bool normal = style.type == kParaProperties && style.number == 0;
    if (normal && StyleEntryAt(m_doc, 0).type == kParaProperties) {
      style.docIndex = 0;
      return;
    }
    if (StyleCount(m_doc) >= kMaxRtfStyles) {
      style.docIndex = 0;
      return;
    }
    QString name = style.name.trimmed();
    if (name.isEmpty()) name = QStringLiteral("renamed_%1").arg(style.number);
    if (StyleIndexForName(m_doc, name) != kNoPropertyIndex) name = QStringLiteral("renamed_%1").arg(style.number);
    uint32_t builtin = StyleIdForName(name);
    if (builtin != kNotBuiltinStyle && StyleIndexForStyleId(m_doc, builtin, false, false) != kNoPropertyIndex)
      builtin = kNotBuiltinStyle;
    Properties record = style.record;
    // A base id at or past the new style's index reads as none; ids from
    // 4,000 would name builtin styles.
    const uint32_t base = baseIndex == kStyleNone ? kBuiltinStyleBase - 1 : baseIndex;
    const uint32_t index = CreateStyle(m_doc, name, builtin, base, kStyleNone, &record,
                                       style.type == kParaProperties ? &style.chars : nullptr, false);
    style.docIndex = index == kNoPropertyIndex ? 0 : index;
  };
  for (uint32_t i = 0; i < count; ++i) {
    if (state[i] == 2) continue;
    // Walk the base chain down to a style done or none, then create upwards.
    std::vector<uint32_t> chain;
    int64_t at = i;
    while (at >= 0 && state[size_t(at)] == 0) {
      state[size_t(at)] = 1;
      chain.push_back(uint32_t(at));
      const FileStyle& style = m_styles[size_t(at)];
      at = style.base == int32_t(kNoStyleBase) || style.base == style.number ? -1 : entryOf(style.base);
      // A base of another type is none, but for "Normal", on which the
      // engine's own character styles rest.
      if (at >= 0 && m_styles[size_t(at)].type != style.type && m_styles[size_t(at)].number != 0) at = -1;
    }
    // at is -1 (no base), a style done, or one in this chain (a cycle: the
    // link that closes it resolves to none).
    uint32_t base = kStyleNone;
    if (at >= 0 && state[size_t(at)] == 2) base = m_styles[size_t(at)].docIndex;
    for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
      create(*it, base);
      state[*it] = 2;
      base = m_styles[*it].docIndex;
    }
  }
  // Next styles, now that every entry has its index.
  for (uint32_t i = 0; i < count; ++i) {
    const FileStyle& style = m_styles[i];
    if (style.type != kParaProperties || style.docIndex == 0 || style.docIndex == kNoPropertyIndex) continue;
    const int64_t next = entryOf(style.next);
    if (next < 0 || m_styles[size_t(next)].type != kParaProperties) continue;
    auto* entry = static_cast<StyleEntry*>(DynamicStringArrayEntry(m_doc->styles, style.docIndex));
    if (entry) entry->next = m_styles[size_t(next)].docIndex;
  }
}

bool RtfReader::groupEnded(const GroupState& closed) {
  switch (closed.destination) {
    case kDestFontTable:
      endFontEntry();
      if (!inDestination(kDestFontTable) && !inDestination(kDestStyleSheet) && !inDestination(kDestColorTable))
        m_tokens.setSemicolonEndsText(false);
      return true;
    case kDestColorTable:
      m_tokens.setSemicolonEndsText(inDestination(kDestFontTable) || inDestination(kDestStyleSheet));
      return true;
    case kDestStyleSheet:
      m_tokens.setSemicolonEndsText(false);
      if (!inDestination(kDestStyleSheet)) createStyles();
      return true;
    case kDestGenerator:
      if (m_generatorText.startsWith(g_rtfGeneratorName)) {
        m_ownGenerator = true;
        m_version = EncodeDottedVersionNumber(m_generatorText.mid(g_rtfGeneratorName.size()).trimmed());
      }
      return true;
    case kDestFieldInstruction:
      return fieldInstruction();
    case kDestField:
      if (!flushText()) return false;
      if (m_linkStart != kNoCpValue) {
        const uint32_t limit = KnotLimitCp(m_doc, m_linkStart);
        if (limit != kNoCpValue && limit > m_cp) m_cp = limit;
        m_linkStart = kNoCpValue;
      }
      return true;
    case kDestFieldResult:
      return flushText();
    case kDestTable: {
      TableProps& t = m_table.body.table;
      if (t.autofit)
        for (int64_t& width : t.columns) width /= 5;
      return true;
    }
    case kDestPicture:
    case kDestAttachment:
      if (m_picture && m_groups.size() + 1 == m_pictureDepth) {
        m_afterAttachment = closed.destination == kDestAttachment;
        return endPicture();
      }
      return true;
    default:
      break;
  }
  if (closed.styleEntry != kNoPropertyIndex && (m_groups.empty() || group().styleEntry != closed.styleEntry)) {
    // The entry's records end with its group.
    if (closed.styleEntry < m_styles.size()) {
      FileStyle& style = m_styles[closed.styleEntry];
      if (style.type == kTableProperties) {
        style.record = m_table;
      }
      if (style.name.isNull()) style.name = QStringLiteral("");
    }
  }
  if (closed.tableDefaults && closed.styleEntry != kNoPropertyIndex) {
    // The Normal style's table record becomes the document's.
    Properties table = m_table;
    const uint32_t index = IndexForProperties(m_doc, &table);
    if (index != kNoPropertyIndex) m_doc->normalTableIndex = index;
  }
  return true;
}

// ---- Structures ----------------------------------------------------------------------

bool RtfReader::beginRow() {
  if (!flushText()) return false;
  m_rowDefined = false;
  uint32_t columns = uint32_t(m_cellEdges.size());
  TableProps& t = m_table.body.table;
  if (columns == 0) columns = std::clamp<uint32_t>(t.cols, 1, kMaxTableColumns);
  columns = std::min(columns, kMaxRowCells);
  for (uint32_t i = 0; i < std::min(columns, kMaxTableColumns); ++i)
    if (t.columns[i] <= 0) t.columns[i] = kDefaultCellWidth;
  t.cols = uint8_t(std::min(columns, kMaxTableColumns));
  if (!m_ownGenerator && m_cellSides > 0 && !m_tableDefined) {
    // Other writers border cells: the table takes the most used line style
    // and the average width, boxed, with lines between the cells when any
    // inner side has one.
    uint32_t line = 0;
    for (uint32_t i = 1; i < 7; ++i)
      if (m_lineStyleCounts[i] > m_lineStyleCounts[line]) line = i;
    t.border.btype = m_innerSides > 0 ? 9 : 7;
    t.border.bline = line;
    t.border.bwidth = m_cellBorderWidths / m_cellSides;
  }
  // Continue the table just before the insertion point when it matches.
  uint32_t rowAt = kNoCpValue;
  if (m_lastTable != kNoCpValue && !(m_tableDefined && !m_tableUsed)) {
    const uint32_t limit = KnotLimitCp(m_doc, m_lastTable);
    KnotEntry entry;
    if (limit != kNoCpValue && limit == m_cp && KnotEntryAtCp(m_doc, m_lastTable, &entry) &&
        entry.type == kKnotTable) {
      const Properties* record = PropertiesAtIndex(m_doc, entry.props);
      const bool same = m_tableDefined || (record && record->type == kTableProperties &&
                                           record->body.table.cols == t.cols &&
                                           record->body.table.left == t.left &&
                                           record->body.table.height == t.height);
      if (same) rowAt = limit - 1;
    }
  }
  if (rowAt == kNoCpValue) {
    if (m_cp != m_paraStart) {
      if (!insertBreak(kParagraphMark)) return false;
    }
    Properties table = m_table;
    SanitizeTableProps(&table.body.table);
    const DocRange at{m_doc, m_cp, m_cp};
    if (!InsertKnot(&at, kKnotTable, 2, &table, nullptr, false)) return false;
    m_lastTable = m_cp;
    m_tableUsed = true;
    rowAt = m_cp + 1;
    ClearTableCache(m_doc);
  }
  uint32_t cp = rowAt;
  RowTemplate look;
  look.columns.resize(columns);
  Properties para, chars;
  InitProperties(kParaProperties, &para, &group().para);
  InitProperties(kCharProperties, &chars, &group().chars);
  for (RowTemplateColumn& column : look.columns) {
    column.para = para;
    column.chars = chars;
  }
  if (!InsertEmptyRow(m_doc, &cp, columns, &look)) return false;
  // Cell shading lives in each cell's closing mark.
  for (uint32_t i = 0; i < columns && i < m_cellShading.size(); ++i) {
    if (!IsVisibleKolor(m_cellShading[i])) continue;
    KnotEntry entry;
    uint32_t index = 0;
    if (KnotEntryAtCp(m_doc, rowAt + 1 + i, &entry, &index)) {
      entry.word1 = m_cellShading[i];
      ReplaceDynamicCPArrayEntry(m_doc->knots, index, &entry);
    }
  }
  m_rowStart = rowAt;
  m_columns = columns;
  m_column = 0;
  m_cp = m_paraStart = rowAt + 1;
  return true;
}

bool RtfReader::nextCell() {
  if (m_rowStart == kNoCpValue && m_rowDefined && group().styleEntry == kNoPropertyIndex && !beginRow())
    return false;
  // A cell outside a row ends a paragraph.
  if (m_rowStart == kNoCpValue) return insertBreak(kParagraphMark);
  if (!flushText()) return false;
  // More cells than the row has: their text stays in its last cell.
  if (m_column >= m_columns) return insertBreak(kParagraphMark);
  // The insertion point stands just before the cell's closing mark.
  if (!endParagraph(m_cp)) return false;
  ++m_column;
  if (m_column < m_columns)
    m_cp = m_paraStart = m_cp + 1;
  else
    m_paraStart = m_cp;  // the last cell: anything more goes into it
  return true;
}

void RtfReader::endRow() {
  if (m_rowStart == kNoCpValue && m_rowDefined && group().styleEntry == kNoPropertyIndex && !beginRow()) return;
  if (m_rowStart == kNoCpValue) return;
  if (flushText() && m_column < m_columns) endParagraph(m_cp);
  const uint32_t table = m_lastTable;
  const uint32_t limit = table == kNoCpValue ? kNoCpValue : KnotLimitCp(m_doc, table);
  if (limit != kNoCpValue) m_cp = m_paraStart = limit;
  m_rowStart = kNoCpValue;
  ClearTableCache(m_doc);
}

bool RtfReader::fieldInstruction() {
  const QString instruction = m_instruction.trimmed();
  m_instruction.clear();
  if (!instruction.startsWith(QLatin1String("HYPERLINK"), Qt::CaseInsensitive)) return true;
  const qsizetype open = instruction.indexOf(u'"');
  const qsizetype close = instruction.lastIndexOf(u'"');
  if (open < 0 || close - open - 1 < 2) return true;
  // A link to a place in the same file is not carried.
  if (instruction.contains(QLatin1String("\\l"))) return true;
  const QString address = instruction.mid(open + 1, close - open - 1);
  if (!flushText()) return false;
  const DocRange at{m_doc, m_cp, m_cp};
  if (!InsertKnot(&at, kKnotLink, 3, nullptr, nullptr, false)) return false;
  const DocRange inside{m_doc, m_cp + 1, m_cp + 1};
  QString text = address;
  for (QChar& c : text)
    if (c.unicode() < 0x20) c = QChar(u' ');
  if (!ReplaceRangeWithText(&inside, reinterpret_cast<const char16_t*>(text.utf16()), uint32_t(text.size())))
    return false;
  m_linkStart = m_cp;
  m_cp += 2 + uint32_t(text.size());  // after the address and the middle mark
  return true;
}

bool RtfReader::endPicture() {
  std::unique_ptr<PendingPicture> pic = std::move(m_picture);
  m_pictureDepth = 0;
  if (!pic || pic->dropped) return true;
  CSImage* image = nullptr;
  QString fileName;
  switch (pic->source) {
    case RtfKey("pngblip"):
    case RtfKey("jpegblip"):
      image = CreateImageFromData(pic->data);
      break;
    case RtfKey("emfblip"):
    case RtfKey("macpict"):
      if (PictureDecoder()) {
        CSImage decoded = PictureDecoder()(
            pic->data, pic->source == RtfKey("emfblip") ? RtfPictureFormat::kEmf : RtfPictureFormat::kQuickdraw);
        if (!decoded.isNull()) image = new CSImage(decoded);
      }
      break;
    case RtfKey("crvnrefpic"):
    case RtfKey("crvnrespic"): {
      const qsizetype slash = pic->reference.indexOf(u'/');
      if (slash < 0 || slash + 1 >= pic->reference.size()) return true;
      // Only a plain name: a reference never reaches outside its folder.
      fileName = QFileInfo(pic->reference.mid(slash + 1).trimmed()).fileName();
      if (fileName.isEmpty() || fileName == QLatin1String("..")) return true;
      QString path = PathToResourceFile(fileName);
      if (!path.isEmpty()) image = CreateImageFromFileInRTF(&path);
      break;
    }
    case RtfKey("NeXTGraphic"): {
      fileName = QFileInfo(pic->reference.trimmed()).fileName();
      if (fileName.isEmpty() || fileName == QLatin1String("..")) return true;
      QString path = QDir(m_folder).filePath(fileName);
      image = CreateImageFromFileInRTF(&path);
      break;
    }
    default:
      return true;
  }
  if (!image) return true;
  const uint32_t index = StorePicture(m_doc, *image, nullptr);
  const double imageWidth = GetPictureSize(image).width();
  delete image;
  if (index == kNoCpValue) return true;
  uint32_t scale = 0;
  if (pic->fit) {
    scale = kRtfFitPictureScale;
  } else if (pic->scaleX > 0 || pic->scaleY > 0) {
    scale = uint32_t(pic->scaleX > 0 && pic->scaleY > 0 ? std::min(pic->scaleX, pic->scaleY)
                                                         : std::max(pic->scaleX, pic->scaleY));
  }
  if (pic->source == RtfKey("NeXTGraphic") && !pic->fit && pic->scaleX <= 0 && pic->widthPoints > 0 &&
      imageWidth > 0) {
    scale = uint32_t(std::clamp<double>(double(pic->widthPoints) / imageWidth * 1000.0, 1, 16000));
  }
  if (scale == 0 || (scale == 1000 && !(m_ownGenerator && m_version > kLastFitScaleVersion)))
    scale = kRtfFitPictureScale;
  if (scale == kRtfFitPictureScale && pic->widthPoints >= 0 && imageWidth > 0 &&
      std::abs(double(pic->widthPoints) - imageWidth) >= 3)
    scale = uint32_t(std::clamp<double>(double(pic->widthPoints) * 1000.0 / imageWidth, 1, 16000));
  uint8_t extras[12] = {};
  const uint32_t alignment = pic->alignment;
  const auto scale16 = uint16_t(scale), opacity = uint16_t(pic->opacity);
  std::memcpy(extras, &index, 4);
  std::memcpy(extras + 4, &alignment, 4);
  std::memcpy(extras + 8, &scale16, 2);
  std::memcpy(extras + 10, &opacity, 2);
  SanitizeBorder(&m_pictureBorder);
  return insertMarkKnot(kKnotPicture, extras, pic->hasBorder ? &m_pictureBorder : nullptr);
}

bool RtfReader::finish() {
  const uint32_t last = m_doc->textLimit > 0 ? m_doc->textLimit - 1 : 0;
  if (m_cp != last || m_cp <= m_startCp) return true;
  if (m_cp == m_paraStart && CharacterAtCp(m_doc, m_cp - 1) == kParagraphMark) {
    // The file's last paragraph mark and the body's own are one: the body's
    // takes the formatting of the file's.
    uint32_t para = RunIndexForCp(m_doc->paraRuns, m_cp - 1, nullptr);
    uint32_t chars = RunIndexForCp(m_doc->charRuns, m_cp - 1, nullptr);
    const DocRange mark{m_doc, m_cp - 1, m_cp};
    if (!ReplaceRangeCore(&mark, nullptr, nullptr, 0, true)) return false;
    --m_cp;
    for (const auto& [type, index] : {std::pair{uint32_t(kParaProperties), para}, {uint32_t(kCharProperties), chars}}) {
      if (index == kNoPropertyIndex) continue;
      const DocRange range{m_doc, m_cp, m_cp + 1};
      if (SplitRuns(&range, nullptr, type, nullptr, index, false) < 0) return false;
    }
    return true;
  }
  // An unfinished last paragraph ends at the body's mark.
  return endParagraph(m_cp);
}

// ---- The read -----------------------------------------------------------------------

int RtfReader::run() {
  if (!m_doc) return fail(g_rtfMemoryMessage, 0);
  // The body's last paragraph mark (before the closing one) stays last:
  // the text goes in before it.
  m_startCp = m_cp = m_paraStart = m_doc->textLimit > 0 ? m_doc->textLimit - 1 : 0;
  GroupState root;
  {
    Properties chars, para;
    SetBaseProperties(kCharProperties, &chars);
    chars.body.charProps.size = 48;
    SetBaseProperties(kParaProperties, &para);
    root.chars = chars.body.charProps;
    root.para = para.body.para;
  }
  m_groups.push_back(root);
  SetBaseProperties(kTableProperties, &m_table);
  SetBaseProperties(kChapterProperties, &m_section);
  SetBaseProperties(kBorderProperties, &m_pictureBorder);

  if (m_tokens.next() != kRtfTokenGroupStart || m_tokens.next() != kRtfTokenWord ||
      m_tokens.keyword() != RtfKey("rtf") || m_tokens.parameter() > 1 || m_tokens.parameter() < 0)
    return fail(g_rtfMalformedMessage, 0);
  m_groups.push_back(m_groups.back());

  while (true) {
    const RtfTokenKind token = m_tokens.next();
    // The tokenizer skips unknown ignorable groups on its own: their states
    // go here too (one state more than the tokenizer's, the reader's root).
    const size_t expected = size_t(m_tokens.depth()) + 1 + (token == kRtfTokenGroupEnd ? 1 : 0) -
                            (token == kRtfTokenGroupStart ? 1 : 0);
    while (m_groups.size() > std::max<size_t>(expected, 2)) m_groups.pop_back();
    switch (token) {
      case kRtfTokenEnd: {
        if (!flushText()) return fail(g_rtfMemoryMessage, 0);
        if (m_rowStart != kNoCpValue) endRow();
        if (!m_stylesCreated && !m_lenient) createStyles();
        if (!m_lenient && !finish()) return fail(g_rtfMemoryMessage, 0);
        return 1;
      }
      case kRtfTokenMalformed:
        flushText();
        if (m_lenient) return 1;
        return fail(m_tokens.message(), 23);
      case kRtfTokenGroupStart: {
        GroupState inner = group();
        inner.destination = kDestText;
        // A style entry's own group, or text of the sheet between entries.
        if (group().destination == kDestStyleSheet) inner.styleEntry = kNoPropertyIndex;
        if (group().destination == kDestFontTable) {
          m_fontNumber = -1;
          inner.destination = kDestFontTable;
        }
        if (group().destination == kDestPicture) inner.destination = kDestPicture;
        if (group().destination == kDestAttachment) inner.destination = kDestAttachment;
        if (group().destination == kDestFieldInstruction) inner.destination = kDestFieldInstruction;
        if (group().destination == kDestGenerator) inner.destination = kDestGenerator;
        if (group().destination == kDestReference) inner.destination = kDestReference;
        if (group().destination == kDestColorTable) inner.destination = kDestColorTable;
        m_groups.push_back(inner);
        break;
      }
      case kRtfTokenGroupEnd: {
        if (m_groups.size() <= 2) return fail(g_rtfMalformedMessage, 23);
        // Text of the group goes in with the group's formatting.
        if (!flushText()) return fail(g_rtfMemoryMessage, 0);
        const GroupState closed = m_groups.back();
        m_groups.pop_back();
        if (!groupEnded(closed)) return fail(g_rtfMemoryMessage, 0);
        break;
      }
      case kRtfTokenText: {
        const QString& text = m_tokens.text();
        Destination destination = group().destination;
        // The name of an entry in a group of its own.
        if (destination == kDestText && inDestination(kDestStyleSheet)) destination = kDestStyleSheet;
        switch (destination) {
          case kDestFontTable:
            if (text == QLatin1String(";"))
              endFontEntry();
            else
              m_fontName.append(text);
            break;
          case kDestColorTable:
            for (const QChar c : text) {
              if (c != u';') continue;
              const bool automatic = m_red < 0 && m_green < 0 && m_blue < 0;
              m_colors.push_back(automatic ? kBlackKolor
                                           : MakeKolor(std::max(0, m_red), std::max(0, m_green), std::max(0, m_blue)));
              m_red = m_green = m_blue = -1;
            }
            break;
          case kDestAlpha:
          case kDestFirstLine:
          case kDestTable:
            break;
          case kDestStyleSheet: {
            GroupState& g = group();
            if (g.styleEntry == kNoPropertyIndex || g.styleEntry >= m_styles.size()) {
              if (text.trimmed().isEmpty() || text == QLatin1String(";")) break;
              // An entry without a type word is a paragraph style numbered 0.
              FileStyle style;
              SetBaseProperties(kParaProperties, &style.record);
              SetBaseProperties(kCharProperties, &style.chars);
              style.chars.body.charProps.size = 48;
              m_styles.push_back(style);
              g.styleEntry = uint32_t(m_styles.size() - 1);
            }
            FileStyle& style = m_styles[g.styleEntry];
            if (text == QLatin1String(";")) {
              if (style.name.isNull()) style.name = QStringLiteral("");
              if (style.type == kTableProperties) style.record = m_table;
              // Entries written without groups follow one another.
              if (g.destination == kDestStyleSheet) g.styleEntry = kNoPropertyIndex;
            } else {
              style.name.append(text);
            }
            break;
          }
          case kDestGenerator:
            m_generatorText.append(text);
            break;
          case kDestFieldInstruction:
            m_instruction.append(text);
            break;
          case kDestReference:
          case kDestAttachment:
            if (m_picture) m_picture->reference.append(text);
            break;
          case kDestPicture:
            if (m_picture && !m_picture->dropped) {
              PendingPicture& pic = *m_picture;
              for (const QChar c : text) {
                const char16_t u = c.unicode();
                int digit = -1;
                if (u >= '0' && u <= '9') digit = u - '0';
                else if (u >= 'a' && u <= 'f') digit = u - 'a' + 10;
                else if (u >= 'A' && u <= 'F') digit = u - 'A' + 10;
                if (digit < 0) continue;
                if (pic.pendingNibble == 0xFF) {
                  pic.pendingNibble = uint8_t(digit);
                  continue;
                }
                if (pic.data.size() >= kMaxRtfPictureBytes) {
                  pic.dropped = true;
                  pic.data.clear();
                  break;
                }
                pic.data.append(char(pic.pendingNibble * 16 + digit));
                pic.pendingNibble = 0xFF;
              }
            }
            break;
          default: {
            if (inDestination(kDestStyleSheet) || inDestination(kDestFontTable) || inDestination(kDestColorTable))
              break;
            QStringView piece(text);
            if (m_afterAttachment && piece.startsWith(QChar(0x00AC))) piece = piece.sliced(1);
            m_afterAttachment = false;
            if (!addText(piece)) return fail(g_rtfMemoryMessage, 0);
            break;
          }
        }
        break;
      }
      case kRtfTokenBreak:
        if (group().destination != kDestText && group().destination != kDestFieldResult) break;
        if (inDestination(kDestStyleSheet)) break;
        if (!insertBreak(m_tokens.breakCharacter())) return fail(g_rtfMemoryMessage, 0);
        break;
      case kRtfTokenWord:
        if (!word(m_tokens.keyword(), m_tokens.parameter(), m_tokens.hasParameter())) {
          if (m_tokens.depth() == 0 && m_tokens.message().isEmpty()) return 1;
          if (!m_tokens.message().isEmpty()) {
            if (m_lenient) return 1;
            return fail(m_tokens.message(), 23);
          }
          return fail(g_rtfMemoryMessage, 0);
        }
        if (m_tokens.depth() == 0) {
          // A skipped group closed the document.
          if (!flushText()) return fail(g_rtfMemoryMessage, 0);
          if (!m_stylesCreated && !m_lenient) createStyles();
          if (!m_lenient && !finish()) return fail(g_rtfMemoryMessage, 0);
          return 1;
        }
        break;
      default:
        return fail(g_rtfMemoryMessage, 0);
    }
  }
}

bool HasView(CorvaneDoc* doc) { return doc->panes[0].view || doc->panes[1].view || doc->hostWindow; }

}  // namespace

void SetRtfPictureDecoder(RtfPictureDecoder decoder) { PictureDecoder() = std::move(decoder); }

RtfImportResult ImportRtfCore(CorvaneDoc* doc, QByteArrayView rtf, int64_t textWidth, uint32_t option,
                              const QString& pictureFolder, QString* outMessage) {
  Q_UNUSED(option);
  if (outMessage) outMessage->clear();
  if (!doc) {
    if (outMessage) *outMessage = g_rtfMemoryMessage;
    return RtfImportResult::kFailed;
  }
  const bool view = HasView(doc);
  if (view) DeferDisplay();
  RtfImportResult result = RtfImportResult::kFailed;
  QString message;
  uint32_t first = 0, limit = 0;
  int code = 0;
  {
    const uint32_t before = doc->cpLimit;
    RtfReader reader(doc, rtf, textWidth, pictureFolder, false);
    code = reader.run();
    message = reader.message();
    // Everything the reading inserted lies in one stretch from its start.
    first = reader.firstCp();
    limit = first + (doc->cpLimit > before ? doc->cpLimit - before : 0);
  }
  if (code == 1) {
    result = RtfImportResult::kDone;
  } else if (code == 23 && doc->kind != 0) {
    // The first pass's text goes before the second pass reads it again.
    if (limit > first) {
      const DocRange taken{doc, first, limit};
      ReplaceRangeCore(&taken, nullptr, nullptr, 0, true);
      ClearTableCache(doc);
    }
    RtfReader lenient(doc, rtf, textWidth, pictureFolder, true);
    if (lenient.run() == 1) result = RtfImportResult::kLenient;
  }
  InvalParaCaches(doc);
  ClearTableCache(doc);
  doc->currentPane = 0;
  if (view) UndeferDisplay(1);
  if (outMessage && result != RtfImportResult::kDone) *outMessage = message.isEmpty() ? g_rtfMalformedMessage : message;
  return result;
}

bool ImportRtf(CorvaneDoc* doc, QByteArrayView rtf, int64_t textWidth, uint32_t option, const QString& pictureFolder,
               QString* outMessage) {
  return ImportRtfCore(doc, rtf, textWidth, option, pictureFolder, outMessage) != RtfImportResult::kFailed;
}
