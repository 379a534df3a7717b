#include "richtext/RtfWriter.h"

#include <QDir>
#include <QHash>
#include <algorithm>
#include <cstring>
#include <vector>

#include "richtext/Atoms.h"
#include "richtext/Borders.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/FontNames.h"
#include "richtext/ImageServices.h"
#include "richtext/Knots.h"
#include "richtext/Links.h"
#include "richtext/Molecules.h"
#include "richtext/Panes.h"
#include "richtext/Pictures.h"
#include "richtext/Properties.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RtfDialect.h"
#include "richtext/Styles.h"
#include "richtext/TextAccess.h"
#include "support/CSError.h"
#include "support/DynamicArrays.h"

namespace {

constexpr uint32_t kBasedOnNone = 222;  // "sbasedon" of a style without a base
constexpr uint32_t kFitPictureScale = 16383;
constexpr uint32_t kHexBytesPerLine = 50;
constexpr uint32_t kFlagKeep = 4;  // the single-style flag

// Twips of a measure: value x 20 / 12,700 truncated, which is value / 635
// exactly and cannot overflow.
int64_t Twips(int64_t measure) { return measure / 635; }

// A colour that stands for black when it is invisible instead of being left
// out: the character colour and the paragraph, table and frame backgrounds.
bool ColorDefaultsToBlack(uint32_t type, uint32_t atom) {
  return (type == kCharProperties && atom == 15) || (type == kParaProperties && atom == 30) ||
         (type == kTableProperties && atom == 30) || (type == kFrameProperties && atom == 22);
}

class RtfWriter {
 public:
  RtfWriter(const DocRange& range, const QString& folder, uint32_t flags)
      : m_doc(range.doc), m_first(range.first), m_limit(range.limit), m_folder(folder), m_flags(flags) {
    SetDummyPane(&m_pane, true);
  }

  QString run();

 private:
  // ---- Output ----
  void word(uint32_t key);
  void wordValue(uint32_t key, int64_t value, uint32_t emitKind = kRtfEmitInteger);
  void number(int64_t value);
  void openGroup() {
    m_out.append(u'{');
    m_needSpace = false;
  }
  void closeGroup() {
    m_out.append(u'}');
    m_needSpace = false;
  }
  void ignorable() { m_out.append(QLatin1String("\\*")); }
  void lineFeed() {
    m_out.append(u'\n');
    m_needSpace = false;
  }
  void plainText(QStringView text);  // text without anything to escape
  void escapedText(QStringView text, bool asName);
  void closeOpenGroups() {
    for (; m_openGroups > 0; --m_openGroups) closeGroup();
  }

  // ---- Colours and fonts ----
  void registerColor(Kolor kolor, bool force);
  uint32_t indexForColor(Kolor kolor) const;
  void registerCharProps(const CharProps& props);
  void registerBorder(const BorderProps& border, bool innerForced);
  void collectFontsAndColors();
  void writeFontTable();
  void writeColorTable();

  // ---- Formatting ----
  void props(const Properties& current, const Properties& base, const std::vector<uint32_t>& forced = {});
  void atom(const Properties& current, const AtomDesc& row, const AtomRef& ref);
  void special(const Properties& current, const AtomDesc& row, int64_t value);
  void writeStyleSheet();
  void paraProps(const ParaProps& para, bool inTable);
  void runFormatting(const CharProps& run);

  // ---- Text ----
  void text(uint32_t first, uint32_t limit, bool inTable);
  void docText(uint32_t first, uint32_t limit);
  uint32_t knot(uint32_t cp, const KnotEntry& entry);
  uint32_t table(uint32_t cp, const KnotEntry& entry, uint32_t limit);
  uint32_t chapter(uint32_t cp);
  void sectionStart(uint32_t cp, bool first);
  void headersAndFooters(const KnotFormat& chapter, bool titlePage);
  void picture(uint32_t pictureIndex, uint32_t alignment, uint32_t scale, uint32_t opacity, uint32_t borderIndex);
  void pictureProps(uint32_t alignment, uint32_t scale, uint32_t opacity, uint32_t borderIndex);

  CorvaneDoc* m_doc;
  uint32_t m_first, m_limit;
  QString m_folder;
  uint32_t m_flags;
  Pane m_pane;
  QString m_out;
  bool m_needSpace = false;
  std::vector<Kolor> m_colors;
  std::vector<bool> m_fontUsed;
  uint32_t m_openGroups = 0;
  CharProps m_styleChars;    // the paragraph style's character formatting
  CharProps m_writtenChars;  // what the open group stands for
  uint32_t m_pictureCounter = 0;
  QHash<uint32_t, QString> m_pictureFiles;  // picture index -> file written into the folder
  uint32_t m_depth = 0;                      // nested cells
};

// ---- Output ---------------------------------------------------------------------

void RtfWriter::word(uint32_t key) {
  if (key == RtfKey("par")) {
    m_out.append(QLatin1String("\\\n"));
    m_needSpace = false;
    return;
  }
  m_out.append(u'\\');
  m_out.append(QLatin1String(RtfKeywordText(key)));
  m_needSpace = true;
}

void RtfWriter::number(int64_t value) {
  char digits[24];
  int count = 0;
  uint64_t magnitude = value < 0 ? uint64_t(0) - uint64_t(value) : uint64_t(value);
  do {
    digits[count++] = char('0' + magnitude % 10);
    magnitude /= 10;
  } while (magnitude > 0);
  if (value < 0) m_out.append(u'-');
  while (count > 0) m_out.append(QLatin1Char(digits[--count]));
}

void RtfWriter::wordValue(uint32_t key, int64_t value, uint32_t emitKind) {
  word(key);
  switch (emitKind) {
    case kRtfEmitNothing:
      break;
    case kRtfEmitFlagOn:
      if (value == 0) m_out.append(u'0');
      break;
    case kRtfEmitFlagOff:
      if (value != 0) m_out.append(u'1');
      break;
    case kRtfEmitTwips:
      number(Twips(value));
      break;
    default:
      number(value);
      break;
  }
}

void RtfWriter::plainText(QStringView text) {
  if (text.isEmpty()) return;
  if (m_needSpace) m_out.append(u' ');
  m_out.append(text);
  m_needSpace = false;
}

void RtfWriter::escapedText(QStringView text, bool asName) {
  qsizetype plainStart = -1;
  const auto flush = [&](qsizetype end) {
    if (plainStart >= 0) plainText(text.sliced(plainStart, end - plainStart));
    plainStart = -1;
  };
  for (qsizetype i = 0; i < text.size(); ++i) {
    const char16_t u = text[i].unicode();
    const bool plain = u >= 0x20 && u <= 0x7F && u != u'\\' && u != u'{' && u != u'}' && !(asName && u == u';');
    if (plain) {
      if (plainStart < 0) plainStart = i;
      continue;
    }
    flush(i);
    switch (u) {
      case kKnotMark0:
      case kKnotMark1:
        if (!asName) break;
        [[fallthrough]];
      default:
        if (u < 0x20 || u == u';') {
          if (!asName && u == u'\t') {
            word(RtfKey("tab"));
          } else if (!asName && u == kParagraphMark) {
            word(RtfKey("par"));
          } else {
            static const char hex[] = "0123456789abcdef";
            m_out.append(QLatin1String("\\'"));
            m_out.append(QLatin1Char(hex[u >> 4]));
            m_out.append(QLatin1Char(hex[u & 15]));
            m_needSpace = false;
          }
        } else if (u == u'\\' || u == u'{' || u == u'}') {
          m_out.append(u'\\');
          m_out.append(QChar(u));
          m_needSpace = false;
        } else if (u == 0xA0) {
          m_out.append(QLatin1String("\\~"));
          m_needSpace = false;
        } else if (u == 0x2011) {
          m_out.append(QLatin1String("\\_"));
          m_needSpace = false;
        } else if (u == 0x2013) {
          word(RtfKey("endash"));
        } else if (u == 0x2014) {
          word(RtfKey("emdash"));
        } else if (u == 0x2018) {
          word(RtfKey("lquote"));
        } else if (u == 0x2019) {
          word(RtfKey("rquote"));
        } else if (u == 0x201C) {
          word(RtfKey("ldblquote"));
        } else if (u == 0x201D) {
          word(RtfKey("rdblquote"));
        } else if (u == 0x2022) {
          word(RtfKey("bullet"));
        } else if (u == 0x2028 && !asName) {
          word(RtfKey("line"));
        } else {
          wordValue(RtfKey("u"), u);
        }
        break;
    }
  }
  flush(text.size());
}

// ---- Colours and fonts -----------------------------------------------------------

void RtfWriter::registerColor(Kolor kolor, bool force) {
  if (!IsVisibleKolor(kolor)) {
    if (!force) return;
    kolor = kBlackKolor;
  }
  for (const Kolor known : m_colors)
    if (AreKolorsEqual(known, kolor)) return;
  m_colors.push_back(kolor);
}

uint32_t RtfWriter::indexForColor(Kolor kolor) const {
  if (!IsVisibleKolor(kolor)) return 0;
  for (size_t i = 0; i < m_colors.size(); ++i)
    if (AreKolorsEqual(m_colors[i], kolor)) return uint32_t(i);
  return 0;
}

void RtfWriter::registerCharProps(const CharProps& props) {
  if (props.font < m_fontUsed.size()) m_fontUsed[props.font] = true;
  registerColor(props.color, true);
  registerColor(props.back, false);
}

void RtfWriter::registerBorder(const BorderProps& border, bool innerForced) {
  registerColor(border.color, false);
  registerColor(border.incolor, innerForced);
  registerColor(border.back, true);
}

void RtfWriter::collectFontsAndColors() {
  m_fontUsed.assign(size_t(g_fontNames.size()), false);
  registerColor(kBlackKolor, false);
  registerColor(g_whiteKolor, false);
  registerColor(m_doc->docProps.back, false);
  registerColor(m_doc->docProps.btcolor, false);

  for (uint32_t i = SizeOfDynamicCPArray(m_doc->charRuns); i > 0; --i) {
    uint32_t index = kNoPropertyIndex;
    FetchDynamicCPArrayEntry(m_doc->charRuns, i - 1, &index);
    if (const Properties* record = PropertiesAtIndex(m_doc, index); record && record->type == kCharProperties)
      registerCharProps(record->body.charProps);
  }
  for (uint32_t i = StyleCount(m_doc); i > 0; --i) {
    const StyleEntry entry = StyleEntryAt(m_doc, i - 1);
    if (entry.type != kCharProperties && entry.type != kParaProperties) continue;
    Properties record, chars;
    if (!GetStyleProps(m_doc, i - 1, entry.type, &record, &chars)) continue;
    if (entry.type == kCharProperties) registerCharProps(record.body.charProps);
    if (chars.type == kCharProperties) registerCharProps(chars.body.charProps);
  }
  for (uint32_t i = SizeOfDynamicCPArray(m_doc->paraRuns); i > 0; --i) {
    uint32_t index = kNoPropertyIndex;
    FetchDynamicCPArrayEntry(m_doc->paraRuns, i - 1, &index);
    const Properties* record = PropertiesAtIndex(m_doc, index);
    if (!record || record->type != kParaProperties) continue;
    const BorderProps& border = record->body.para.border;
    if (border.btype != kEdgeNone)
      registerBorder(border, true);
    else
      registerColor(border.back, false);
  }
  for (uint32_t i = SizeOfDynamicCPArray(m_doc->knots); i > 0; --i) {
    KnotEntry entry;
    FetchDynamicCPArrayEntry(m_doc->knots, i - 1, &entry);
    if (entry.type == kKnotTable && entry.role == kKinkBegin) {
      const Properties* record = PropertiesAtIndex(m_doc, entry.props);
      if (!record || record->type != kTableProperties) continue;
      const TableProps& table = record->body.table;
      if (table.border.btype != kEdgeNone) {
        registerColor(table.border.color, false);
        registerColor(table.border.incolor, false);
      }
      registerColor(table.border.back, true);
      if (table.stripe) registerColor(table.stripecolor, false);
    } else if (entry.type == kKnotRow && entry.role != kKinkBegin) {
      registerColor(Kolor(entry.word1), false);  // the cell's shading
    } else if (entry.type == kKnotPicture) {
      const Properties* record = PropertiesAtIndex(m_doc, entry.props);
      if (record && record->type == kBorderProperties && record->body.border.btype != kEdgeNone) {
        registerColor(record->body.border.color, false);
        registerColor(record->body.border.incolor, false);
        registerColor(record->body.border.back, true);
      }
    }
  }
}

void RtfWriter::writeFontTable() {
  openGroup();
  word(RtfKey("fonttbl"));
  for (size_t i = 0; i < m_fontUsed.size(); ++i) {
    if (!m_fontUsed[i]) continue;
    openGroup();
    wordValue(RtfKey("f"), int64_t(i));
    word(RtfKey("fnil"));
    m_out.append(u' ');
    m_needSpace = false;
    escapedText(FontName(m_doc, uint32_t(i)), true);
    m_out.append(u';');
    closeGroup();
  }
  closeGroup();
  lineFeed();
}

void RtfWriter::writeColorTable() {
  openGroup();
  word(RtfKey("colortbl"));
  m_out.append(u';');
  for (size_t i = 1; i < m_colors.size(); ++i) {
    wordValue(RtfKey("red"), KolorRed(m_colors[i]));
    wordValue(RtfKey("green"), KolorGreen(m_colors[i]));
    wordValue(RtfKey("blue"), KolorBlue(m_colors[i]));
    m_out.append(u';');
  }
  closeGroup();
  lineFeed();
  bool anyAlpha = false;
  for (size_t i = 1; i < m_colors.size(); ++i) anyAlpha |= KolorOpacity(m_colors[i]) != 100;
  if (!anyAlpha) return;
  openGroup();
  ignorable();
  word(RtfKey("crvnalpha"));
  m_out.append(u' ');
  m_needSpace = false;
  for (size_t i = 1; i < m_colors.size(); ++i) {
    const int opacity = KolorOpacity(m_colors[i]);
    if (opacity == 100) continue;
    wordValue(RtfKey("cf"), int64_t(i));
    wordValue(RtfKey("crvnalpha"), opacity > 99 ? 0 : opacity);
  }
  m_out.append(u';');
  closeGroup();
  lineFeed();
}

// ---- Formatting -------------------------------------------------------------------

void RtfWriter::props(const Properties& current, const Properties& base, const std::vector<uint32_t>& forced) {
  MoleculePtr molecule(MoleculeWithDifferences(&current, &base, false));
  if (!molecule) return;
  for (const uint32_t id : forced) {
    const AtomDesc* row = AtomDescFor(current.type, id);
    if (row && row->valueSize > 0)
      AddAtomToMolecule(molecule.get(), current.type, id, current.body.bytes + row->offset);
  }
  uint32_t offset = 0;
  AtomRef ref;
  while (NextAtomInMolecule(molecule.get(), &offset, &ref)) {
    const AtomDesc* row = AtomDescFor(ref.type, ref.atom);
    if (row && ref.type == current.type) atom(current, *row, ref);
  }
}

void RtfWriter::atom(const Properties& current, const AtomDesc& row, const AtomRef& ref) {
  if (row.rtfKeyword == 0) return;
  // A paragraph's background goes with its shading (paraProps).
  if (current.type == kParaProperties && row.atomId == 30) return;
  // Tab atoms repeat and carry their own value; every other value comes
  // from the record whole (measures are 64-bit).
  const int64_t value = row.valueKind == kAtomTabStop ? int64_t(AtomValue32(ref)) : AtomFieldValue(current, row, false);
  const uint32_t type = current.type;
  switch (row.rtfEmitKind) {
    case kRtfEmitNothing:
    case kRtfEmitCountedString:
      return;
    case kRtfEmitLineStyle:
      word(RtfWordForValue(g_rtfKeysForLineStyles, uint32_t(value)));
      return;
    case kRtfEmitBorderKind: {
      const uint32_t kind = value >= 0 && value < 16 ? uint32_t(value) : 0;
      word(g_rtfKeysForBorderKinds[kind]);
      if (g_rtfPrivateKeysForBorderKinds[kind]) word(g_rtfPrivateKeysForBorderKinds[kind]);
      return;
    }
    case kRtfEmitBorderWidth:
      if (value == 0)
        word(RtfKey("brdrhair"));
      else
        wordValue(RtfKey("brdrw"), value, kRtfEmitTwips);
      return;
    case kRtfEmitCharacter:
      openGroup();
      word(row.rtfKeyword);
      m_out.append(u' ');
      if (value != 0) m_out.append(QChar(char16_t(value)));
      closeGroup();
      return;
    case kRtfEmitColor: {
      const auto kolor = Kolor(value);
      if (!IsVisibleKolor(kolor) && !ColorDefaultsToBlack(type, row.atomId)) return;
      wordValue(row.rtfKeyword, indexForColor(kolor));
      return;
    }
    case kRtfEmitPageNumberFormat:
      word(RtfWordForValue(g_rtfKeysForPageNumberFormats, uint32_t(value)));
      return;
    case kRtfEmitSpecial:
      special(current, row, value);
      return;
    default:
      wordValue(row.rtfKeyword, value, row.rtfEmitKind);
      return;
  }
}

void RtfWriter::special(const Properties& current, const AtomDesc& row, int64_t value) {
  const uint32_t type = current.type, id = row.atomId;
  const auto column = [&](int64_t width) {
    wordValue(RtfKey("colno"), row.xmlInstance + 1);
    wordValue(RtfKey("colw"), width, kRtfEmitTwips);
  };
  if (type == kCharProperties) {
    switch (id) {
      case kCharAtomUnderline:
        word(RtfWordForValue(g_rtfKeysForUnderlines, uint32_t(value)));
        return;
      case kCharAtomCaps:
        word(RtfWordForValue(g_rtfKeysForCaps, uint32_t(value)));
        if (RtfWordForValue(g_rtfKeysForCaps, uint32_t(value)) == g_rtfKeysForCaps[0]) {
          wordValue(RtfKey("caps"), 0);
          wordValue(RtfKey("scaps"), 0);
        }
        return;
      case kCharAtomRelsize:
        if (value < 0) {
          const int64_t sub = current.body.charProps.sub;
          if (sub > 0) word(RtfKey("sub"));
          if (sub < 0) word(RtfKey("super"));
        }
        wordValue(RtfKey("crvnrelsize"), value);
        return;
      case kCharAtomSize:
        wordValue(RtfKey("fs"), value / 2);
        return;
      case 13:
        wordValue(RtfKey("expnd"), std::clamp<int64_t>(value / 3175, -7, 56));
        wordValue(RtfKey("expndtw"), value, kRtfEmitTwips);
        return;
      case 14: {
        const int64_t halfPoints = value / 6350;
        if (halfPoints <= 0)
          wordValue(RtfKey("up"), -halfPoints);
        else
          wordValue(RtfKey("dn"), halfPoints);
        return;
      }
      default:
        return;
    }
  }
  if (type == kParaProperties) {
    switch (id) {
      case kParaAtomAlign:
        word(RtfWordForValue(g_rtfKeysForParaAlignments, uint32_t(value)));
        return;
      case kParaAtomFormat1: {
        uint32_t named = value >= 23 || value < 0 ? kCharAtomBold : uint32_t(value);
        const AtomDesc* charRow = AtomDescFor(kCharProperties, named);
        uint32_t key = named == kCharAtomCaps ? RtfKey("scaps") : (charRow ? charRow->rtfKeyword : 0);
        if (key == 0) key = RtfKey("b");
        openGroup();
        ignorable();
        word(RtfKey("crvnfirstline"));
        m_out.append(u' ');
        word(key);
        closeGroup();
        return;
      }
      case kParaAtomTab: {
        const auto tab = TabStop(value);
        const uint32_t leader = (tab >> 26) & 7, align = (tab >> 29) & 7;
        if (leader >= 1 && leader <= 5) word(g_rtfKeysForTabLeaders[leader]);
        const int64_t position = tab & kTabPositionMask;
        if (align == 4) {
          wordValue(RtfKey("tb"), position, kRtfEmitTwips);
          return;
        }
        if (align >= 1 && align <= 3) word(g_rtfKeysForTabAlignments[align]);
        wordValue(RtfKey("tx"), position, kRtfEmitTwips);
        return;
      }
      case 37:
        if (value != 0) {
          wordValue(RtfKey("sl"), value * 12, kRtfEmitTwips);
          wordValue(RtfKey("slmult"), 1);
        } else {
          wordValue(RtfKey("sl"), 0);
          wordValue(RtfKey("slmult"), 0);
        }
        return;
      default:
        return;
    }
  }
  if (type == kChapterProperties) {
    if (id == 2) word(RtfWordForValue(g_rtfKeysForSectionBreaks, uint32_t(value)));
    if (id == 6) wordValue(RtfKey("crvnpgnpos"), value);
    if (id >= 13 && id <= 22) column(value);
    return;
  }
  if (type == kTableProperties) {
    if (id == 4) word(RtfWordForValue(g_rtfKeysForTableAlignments, uint32_t(value)));
    if (IsTableColumnAtom(id)) column(current.body.table.autofit ? value * 5 : value);
    return;
  }
  if (type == kDocProperties) {
    if (id == 20) wordValue(RtfKey("margt"), value, kRtfEmitTwips);
    if (id == 22) wordValue(RtfKey("margb"), value, kRtfEmitTwips);
    if (id == 28 && PictureAtIndex(m_doc, uint32_t(value))) {
      openGroup();
      ignorable();
      word(RtfKey("crvnbackpic"));
      picture(uint32_t(value), 3, 0, 0, kNoPropertyIndex);
      closeGroup();
      lineFeed();
    }
  }
}

void RtfWriter::writeStyleSheet() {
  openGroup();
  word(RtfKey("stylesheet"));
  const uint32_t count = StyleCount(m_doc);
  for (uint32_t i = 0; i < count; ++i) {
    const StyleEntry entry = StyleEntryAt(m_doc, i);
    if (entry.type == kListProperties || entry.type == kNoProperties || entry.type > kTableProperties) continue;
    if ((m_flags & kFlagKeep) && i > 0) break;
    const uint32_t styleWord = g_rtfKeysForStyleTypes[entry.type];
    if (styleWord == 0) continue;  // frame styles have no word of their own
    Properties record, chars;
    if (!GetStyleProps(m_doc, i, entry.type, &record, &chars)) continue;
    lineFeed();
    openGroup();
    if (entry.type == kCharProperties || entry.type == kTableProperties) ignorable();
    wordValue(styleWord, i);
    const uint32_t base = entry.base < count && i > 0 ? entry.base : kBasedOnNone;
    wordValue(RtfKey("sbasedon"), base);
    if (entry.type == kCharProperties) word(RtfKey("additive"));
    if (entry.type == kParaProperties) wordValue(RtfKey("snext"), entry.next < count ? entry.next : i);
    Properties base0;
    SetBaseProperties(entry.type, &base0);
    std::vector<uint32_t> forced;
    if (i == 0 && entry.type == kParaProperties && record.body.para.border.btype != kEdgeNone) forced = {26, 27};
    // The style number was written above: the record's own is not a difference.
    base0.body.bytes[0] = record.body.bytes[0];
    base0.body.bytes[1] = record.body.bytes[1];
    props(record, base0, forced);
    if (entry.type == kParaProperties && chars.type == kCharProperties) {
      Properties charBase;
      SetBaseProperties(kCharProperties, &charBase);
      charBase.body.charProps.style = chars.body.charProps.style;
      props(chars, charBase);
    }
    if (i == 0 && !(m_flags & kFlagKeep) && SizeOfDynamicCPArray(m_doc->tableMarks) > 0) {
      if (const Properties* table = PropertiesAtIndex(m_doc, m_doc->normalTableIndex);
          table && table->type == kTableProperties) {
        openGroup();
        ignorable();
        word(RtfKey("crvnxs"));
        lineFeed();
        wordValue(RtfKey("crvndest"), kTableProperties);
        Properties tableBase;
        SetBaseProperties(kTableProperties, &tableBase);
        props(*table, tableBase);
        closeGroup();
      }
    }
    if (m_needSpace) m_out.append(u' ');
    m_needSpace = false;
    escapedText(StyleName(m_doc, i), true);
    m_out.append(u';');
    closeGroup();
  }
  lineFeed();
  closeGroup();
  lineFeed();
}

void RtfWriter::paraProps(const ParaProps& para, bool inTable) {
  Properties record;
  InitProperties(kParaProperties, &record, &para);
  Properties style, chars;
  if (!GetStyleProps(m_doc, para.style, kParaProperties, &style, &chars) || chars.type != kCharProperties)
    SetDefaultProperties(m_doc, kCharProperties, &chars);
  m_styleChars = chars.body.charProps;
  m_writtenChars = m_styleChars;

  word(RtfKey("pard"));
  if (inTable) word(RtfKey("intbl"));
  word(RtfKey("plain"));
  Properties paraBase;
  SetBaseProperties(kParaProperties, &paraBase);
  std::vector<uint32_t> forced;
  if (!(m_flags & kFlagKeep)) forced.push_back(kAtomStyle);
  else paraBase.body.para.style = para.style;
  if (para.border.btype != kEdgeNone) {
    forced.push_back(26);
    forced.push_back(27);
  }
  props(record, paraBase, forced);
  Properties charBase;
  SetBaseProperties(kCharProperties, &charBase);
  charBase.body.charProps.style = chars.body.charProps.style;
  props(chars, charBase, {kCharAtomFont});
  if (IsVisibleKolor(para.border.back)) {
    const uint32_t index = indexForColor(para.border.back);
    wordValue(RtfKey("cfpat"), index);
    word(RtfKey("crvnignore"));
    wordValue(RtfKey("cb"), index);
  }
}

void RtfWriter::runFormatting(const CharProps& run) {
  if (std::memcmp(&run, &m_writtenChars, sizeof run) == 0) return;
  closeOpenGroups();
  m_writtenChars = m_styleChars;
  if (std::memcmp(&run, &m_styleChars, sizeof run) == 0) return;
  openGroup();
  ++m_openGroups;
  Properties current, base;
  InitProperties(kCharProperties, &current, &run);
  InitProperties(kCharProperties, &base, &m_styleChars);
  if (run.relsize != 0) {
    // A relative size is written as the size it gives against the style's.
    current.body.charProps.size =
        int16_t(StepOffsetFontSize(m_styleChars.size / 4, run.relsize) * 4);
  }
  props(current, base);
  if (IsVisibleKolor(run.back) && !AreKolorsEqual(run.back, m_styleChars.back)) {
    wordValue(RtfKey("chshdng"), 0);
    wordValue(RtfKey("chcfpat"), indexForColor(run.back));
  }
  m_writtenChars = run;
}

// ---- Text ---------------------------------------------------------------------------

void RtfWriter::docText(uint32_t first, uint32_t limit) {
  if (limit <= first) return;
  escapedText(RawTextString(m_doc, first, limit), false);
}

void RtfWriter::text(uint32_t first, uint32_t limit, bool inTable) {
  uint32_t cp = first;
  bool paragraphStart = true;
  for (uint32_t guard = 0; cp < limit && guard <= m_doc->cpLimit; ++guard) {
    const char16_t unit = CharacterAtCp(m_doc, cp);
    KnotEntry entry;
    const bool marked = (unit == kKnotMark0 || unit == kKnotMark1) && KnotEntryAtCp(m_doc, cp, &entry);
    if (marked && entry.type == kKnotTable && entry.role == kKinkBegin) {
      closeOpenGroups();
      cp = table(cp, entry, limit);
      paragraphStart = true;
      continue;
    }
    if (marked && entry.type == kKnotChapter && entry.role == kKinkBegin && !inTable) {
      closeOpenGroups();
      cp = std::max(chapter(cp), cp + 1);
      paragraphStart = true;
      continue;
    }
    if (paragraphStart && marked && (entry.type == kKnotList || entry.type == kKnotContents)) {
      ++cp;  // structure marks that carry nothing of their own
      continue;
    }
    if (paragraphStart) {
      DocRange para;
      ParaProps props;
      FetchParaProps(m_doc, &m_pane, cp, &para, &props);
      closeOpenGroups();
      paraProps(props, inTable);
      paragraphStart = false;
    }
    if (marked) {
      const uint32_t next = knot(cp, entry);
      cp = std::max(next, cp + 1);
      continue;
    }
    if (unit == kKnotMark0 || unit == kKnotMark1) {
      ++cp;
      continue;
    }
    if (unit == kParagraphMark || unit == 11 || unit == 12) {
      CharProps mark;
      FetchCharProps(m_doc, nullptr, cp, &mark);
      runFormatting(mark);
      word(RtfKey("par"));
      if (!inTable && unit == 11) word(RtfKey("page"));
      if (!inTable && unit == 12) word(RtfKey("column"));
      closeOpenGroups();
      ++cp;
      paragraphStart = true;
      continue;
    }
    DocRange run;
    CharProps chars;
    FetchCharProps(m_doc, &run, cp, &chars);
    runFormatting(chars);
    // Text up to the run's end, the next mark or the paragraph's end.
    uint32_t end = std::min(std::max(run.limit, cp + 1), limit);
    for (uint32_t at = cp; at < end; ++at) {
      const char16_t c = CharacterAtCp(m_doc, at);
      if (c == kKnotMark0 || c == kKnotMark1 || c == kParagraphMark || c == 11 || c == 12) {
        end = at;
        break;
      }
    }
    docText(cp, end);
    cp = std::max(end, cp + 1);
  }
  closeOpenGroups();
}

uint32_t RtfWriter::knot(uint32_t cp, const KnotEntry& entry) {
  KnotFormat format;
  switch (entry.type) {
    case kKnotCheckbox:
      wordValue(RtfKey("crvncheck"), entry.word3);
      return cp + 1;
    case kKnotPicture:
      picture(entry.word1, entry.word2, entry.word3, entry.opacity, entry.props);
      return cp + 1;
    case kKnotLink:
      if (entry.role != kKinkBegin) return cp + 1;
      FetchKnot(m_doc, cp, &format, kKnotLink);
      if (format.index == kNoCpValue || format.start != cp) return cp + 1;
      openGroup();
      word(RtfKey("field"));
      openGroup();
      ignorable();
      word(RtfKey("fldinst"));
      openGroup();
      plainText(u"HYPERLINK \"");
      m_out.append(RtfEscapedAddress(LinkAddressString(format)));
      m_out.append(u'"');
      closeGroup();
      closeGroup();
      openGroup();
      word(RtfKey("fldrslt"));
      escapedText(LinkDisplayString(format), false);
      closeGroup();
      closeGroup();
      return format.limit;
    case kKnotTag:
      if (entry.role != kKinkBegin) return cp + 1;
      FetchKnot(m_doc, cp, &format, kKnotTag);
      if (format.index == kNoCpValue || format.start != cp) return cp + 1;
      openGroup();
      ignorable();
      word(RtfKey("crvntag"));
      escapedText(RawTextString(m_doc, cp + 1, format.limit - 1), true);
      closeGroup();
      return format.limit;
    case kKnotBookmark:
    case kKnotNote:
      // Not carried: the hidden part before the first middle mark is left
      // out, the shown text is written as text.
      if (entry.role != kKinkBegin) return cp + 1;
      FetchKnot(m_doc, cp, &format, entry.type);
      if (format.index != kNoCpValue && format.start == cp && format.kinkCount > 1) return format.kinks[1] + 1;
      return cp + 1;
    case kKnotVariable:
    case kKnotAutonum:
    case kKnotDivider:
      return cp + 1;
    default:
      return cp + 1;
  }
}

uint32_t RtfWriter::table(uint32_t cp, const KnotEntry& entry, uint32_t limit) {
  const uint32_t tableLimit = KnotLimitCp(m_doc, cp);
  if (tableLimit == kNoCpValue || tableLimit <= cp) return cp + 1;
  const Properties* record = PropertiesAtIndex(m_doc, entry.props);
  Properties tableProps;
  if (record && record->type == kTableProperties)
    tableProps = *record;
  else
    SetBaseProperties(kTableProperties, &tableProps);
  const TableProps& t = tableProps.body.table;

  if (m_needSpace) lineFeed();
  openGroup();
  ignorable();
  word(RtfKey("crvntable"));
  Properties base;
  SetBaseProperties(kTableProperties, &base);
  if (m_flags & kFlagKeep) base.body.table.style = t.style;
  props(tableProps, base);
  closeGroup();
  lineFeed();

  const int64_t gap = (t.cleft + t.cright) / 2;
  uint32_t row = cp + 1;
  for (uint32_t guard = 0; row < tableLimit && guard <= m_doc->cpLimit; ++guard) {
    KnotFormat format;
    KnotEntry rowEntry;
    if (!KnotEntryAtCp(m_doc, row, &rowEntry) || rowEntry.type != kKnotRow || rowEntry.role != kKinkBegin) break;
    FetchKnot(m_doc, row, &format, kKnotRow);
    if (format.index == kNoCpValue || format.start != row || format.kinkCount < 2 || format.limit > tableLimit)
      break;
    const uint32_t cells = format.kinkCount - 1;
    std::vector<Kolor> shading(cells, g_nilKolor);
    bool anyShading = false;
    for (uint32_t i = 0; i < cells; ++i) {
      KnotEntry mark;
      if (KnotEntryAtCp(m_doc, format.kinks[i + 1], &mark) && IsVisibleKolor(Kolor(mark.word1))) {
        shading[i] = Kolor(mark.word1);
        anyShading = true;
      }
    }
    word(RtfKey("trowd"));
    const bool plainRows = m_flags & kRtfPlainRows;
    if (!plainRows) {
      word(RtfWordForValue(g_rtfKeysForTableAlignments, t.align));
      wordValue(RtfKey("trleft"), t.left, kRtfEmitTwips);
      wordValue(RtfKey("trrh"), t.height, kRtfEmitTwips);
      wordValue(RtfKey("trgaph"), gap, kRtfEmitTwips);
    }
    lineFeed();
    if (!plainRows || anyShading) {
      int64_t edge = t.left;
      for (uint32_t i = 0; i < cells; ++i) {
        edge += gap / 2 + (i < 25 ? t.columns[i] : 0) + gap / 2;
        if (IsVisibleKolor(shading[i])) wordValue(RtfKey("clcfpat"), indexForColor(shading[i]));
        wordValue(RtfKey("cellx"), edge, kRtfEmitTwips);
        lineFeed();
      }
    }
    for (uint32_t i = 0; i < cells; ++i) {
      const uint32_t cellFirst = format.kinks[i] + 1, cellLimit = format.kinks[i + 1];
      if (m_depth < 4) {
        ++m_depth;
        text(cellFirst, cellLimit, true);
        --m_depth;
      }
      word(RtfKey("cell"));
      lineFeed();
    }
    word(RtfKey("pard"));
    word(RtfKey("intbl"));
    word(RtfKey("row"));
    lineFeed();
    row = format.limit;
  }
  return std::min(std::max(tableLimit, cp + 1), std::max(limit, cp + 1));
}

void RtfWriter::sectionStart(uint32_t cp, bool first) {
  if (!first) word(RtfKey("sect"));
  word(RtfKey("sectd"));
  if (m_flags & kRtfClipboardMode) return;
  KnotFormat format;
  FetchKnot(m_doc, cp, &format, kKnotChapter);
  if (format.index != kNoCpValue && format.start == cp && format.kinkCount > 1 &&
      format.kinks[1] > format.start + 2) {
    if (first) lineFeed();
    openGroup();
    ignorable();
    word(RtfKey("crvnchap"));
    escapedText(RawTextString(m_doc, format.start + 1, format.kinks[1]), true);
    closeGroup();
  }
  const Properties* record = format.index != kNoCpValue ? PropertiesAtIndex(m_doc, format.entry.props) : nullptr;
  Properties current, base;
  if (record && record->type == kChapterProperties) {
    current = *record;
  } else {
    DocRange range;
    ChapterProps chapter;
    FetchChapterProps(m_doc, cp, &range, &chapter);
    InitProperties(kChapterProperties, &current, &chapter);
  }
  SetBaseProperties(kChapterProperties, &base);
  props(current, base);
  lineFeed();
  if (format.index != kNoCpValue && format.start == cp)
    headersAndFooters(format, current.type == kChapterProperties && current.body.chapter.title != 0);
}

// A chapter's parts after its name hold its left header and footer, its
// right ones and its first page's, each an empty paragraph when unused.
void RtfWriter::headersAndFooters(const KnotFormat& chapter, bool titlePage) {
  if (chapter.kinkCount < 8 || m_depth >= 4) return;
  bool wrote = false;
  const auto part = [&](uint32_t index, uint32_t key) {
    const uint32_t first = chapter.kinks[index + 1] + 1, limit = chapter.kinks[index + 2];
    if (limit <= first + 1) return;  // the empty paragraph alone
    closeOpenGroups();
    openGroup();
    word(key);
    lineFeed();
    ++m_depth;
    text(first, limit, false);
    --m_depth;
    closeOpenGroups();
    closeGroup();
    wrote = true;
  };
  if (m_doc->docProps.mirrorh) {
    part(0, RtfKey("headerl"));
    part(1, RtfKey("footerl"));
    part(2, RtfKey("header"));
    part(3, RtfKey("footer"));
  } else {
    part(2, RtfKey("headerr"));
    part(3, RtfKey("footerr"));
  }
  if (titlePage) {
    part(4, RtfKey("headerf"));
    part(5, RtfKey("footerf"));
  }
  if (wrote) lineFeed();
}

uint32_t RtfWriter::chapter(uint32_t cp) {
  sectionStart(cp, false);
  const uint32_t limit = KnotLimitCp(m_doc, cp);
  return limit == kNoCpValue ? cp + 1 : limit;
}

void RtfWriter::pictureProps(uint32_t alignment, uint32_t scale, uint32_t opacity, uint32_t borderIndex) {
  if (alignment != 3) word(g_rtfKeysForPictureAlignments[alignment < 3 ? alignment : 0]);
  if (scale == 0) {
    wordValue(RtfKey("picscalex"), 100);
    wordValue(RtfKey("picscaley"), 100);
  } else if (scale == kFitPictureScale) {
    word(RtfKey("crvnfitpic"));
  } else {
    wordValue(RtfKey("picscalex"), scale / 10);
    wordValue(RtfKey("picscaley"), scale / 10);
  }
  if (opacity != 0) wordValue(RtfKey("crvnbackopacity"), opacity);
  if (const Properties* border = PropertiesAtIndex(m_doc, borderIndex); border && border->type == kBorderProperties) {
    Properties base;
    SetBaseProperties(kBorderProperties, &base);
    props(*border, base);
  }
}

void RtfWriter::picture(uint32_t pictureIndex, uint32_t alignment, uint32_t scale, uint32_t opacity,
                        uint32_t borderIndex) {
  const PictureEntry* entry = PictureAtIndex(m_doc, pictureIndex);
  if (!entry) return;
  const bool byReference =
      (m_flags & kRtfPicturesByReference) && entry->fileName && !entry->fileName->isEmpty();
  if (!entry->image && !byReference) return;
  QSizeF points = GetPictureSize(entry->image);

  if (!m_folder.isEmpty()) {
    QString name = m_pictureFiles.value(pictureIndex);
    if (name.isEmpty()) {
      name = QStringLiteral("Picture%1").arg(++m_pictureCounter);
      CSError error;
      if (!SavePicture(entry, m_folder, false, &name, &error)) return;
      m_pictureFiles.insert(pictureIndex, name);
    }
    if (scale != 0 && scale != kFitPictureScale) points *= double(scale) / 1000.0;
    openGroup();
    openGroup();
    word(RtfKey("NeXTGraphic"));
    m_out.append(u' ');
    m_needSpace = false;
    escapedText(name, true);
    m_out.append(u' ');
    wordValue(RtfKey("width"), int64_t(points.width()) * 20);
    m_out.append(u' ');
    wordValue(RtfKey("height"), int64_t(points.height()) * 20);
    m_out.append(u' ');
    m_needSpace = false;
    pictureProps(alignment, scale, opacity, borderIndex);
    m_out.append(QStringLiteral("}\u00AC}\n"));
    m_needSpace = false;
    return;
  }

  QByteArray data;
  int isPng = 1;
  if (!byReference) {
    data = DataForImage(entry, &isPng);
    if (data.isEmpty()) return;
  }
  lineFeed();
  openGroup();
  word(RtfKey("pict"));
  if (byReference)
    word(RtfKey("crvnrespic"));
  else
    word(isPng ? RtfKey("pngblip") : RtfKey("jpegblip"));
  wordValue(RtfKey("picw"), int64_t(points.width()));
  wordValue(RtfKey("pich"), int64_t(points.height()));
  pictureProps(alignment, scale, opacity, borderIndex);
  if (byReference) {
    openGroup();
    ignorable();
    word(RtfKey("crvnref"));
    m_out.append(u' ');
    m_needSpace = false;
    escapedText(entry->name ? *entry->name : QString(), true);
    m_out.append(u'/');
    escapedText(QDir(*entry->fileName).dirName(), true);
    closeGroup();
  } else {
    lineFeed();
    static const char hex[] = "0123456789abcdef";
    for (qsizetype i = 0; i < data.size(); i += kHexBytesPerLine) {
      const qsizetype end = std::min<qsizetype>(data.size(), i + kHexBytesPerLine);
      for (qsizetype j = i; j < end; ++j) {
        const auto byte = uchar(data[j]);
        m_out.append(QLatin1Char(hex[byte >> 4]));
        m_out.append(QLatin1Char(hex[byte & 15]));
      }
      lineFeed();
    }
  }
  closeGroup();
  lineFeed();
}

QString RtfWriter::run() {
  if (!m_doc) return QString();
  m_first = std::min(m_first, m_doc->textLimit);
  m_limit = std::clamp(m_limit, m_first, m_doc->textLimit);

  openGroup();
  wordValue(RtfKey("rtf"), 1);
  word(RtfKey("ansi"));
  wordValue(RtfKey("ansicpg"), 1252);
  wordValue(RtfKey("uc"), 0);
  openGroup();
  ignorable();
  word(RtfKey("generator"));
  plainText(g_rtfGeneratorName + g_rtfGeneratorVersion);
  closeGroup();
  lineFeed();

  collectFontsAndColors();
  writeFontTable();
  writeColorTable();
  writeStyleSheet();
  if (!(m_flags & kRtfClipboardMode)) {
    Properties current, base;
    InitProperties(kDocProperties, &current, &m_doc->docProps);
    SetBaseProperties(kDocProperties, &base);
    props(current, base);
    lineFeed();
  }

  // A range from the body's start starts the first section.
  if (m_first < m_limit && m_first == FirstDocumentCp(m_doc)) sectionStart(0, true);
  text(m_first, m_limit, false);
  closeGroup();
  lineFeed();
  return m_out;
}

}  // namespace

QString ExportRtf(const DocRange& range, const QString& pictureFolder, uint32_t flags) {
  RtfWriter writer(range, pictureFolder, flags);
  return writer.run();
}

QString RtfEscapedName(QStringView text) {
  QString out;
  bool needSpace = false;
  for (const QChar c : text) {
    const char16_t u = c.unicode();
    if (u >= 0x20 && u <= 0x7F && u != u'\\' && u != u'{' && u != u'}' && u != u';') {
      if (needSpace) out.append(u' ');
      out.append(c);
      needSpace = false;
    } else if (u < 0x20 || u == u';') {
      static const char hex[] = "0123456789abcdef";
      out.append(QLatin1String("\\'"));
      out.append(QLatin1Char(hex[u >> 4]));
      out.append(QLatin1Char(hex[u & 15]));
      needSpace = false;
    } else if (u == u'\\' || u == u'{' || u == u'}') {
      out.append(u'\\');
      out.append(c);
      needSpace = false;
    } else {
      out.append(QStringLiteral("\\u%1").arg(uint32_t(u)));
      needSpace = true;
    }
  }
  return out;
}

QString RtfEscapedAddress(QStringView text) {
  QString out;
  qsizetype start = 0;
  for (qsizetype i = 0; i <= text.size(); ++i) {
    if (i < text.size() && text[i] != u'"') continue;
    out.append(RtfEscapedName(text.sliced(start, i - start)));
    if (i < text.size()) out.append(QLatin1String("%22"));
    start = i + 1;
  }
  return out;
}
