#include "richtext/TextServices.h"

#include <QFontDatabase>
#include <QFontInfo>
#include <QFontMetricsF>
#include <QGuiApplication>
#include <QHash>
#include <QPainter>
#include <QPainterPath>
#include <QPalette>
#include <QTextLayout>
#include <algorithm>
#include <array>
#include <cmath>
#include <memory>
#include <vector>

#include "richtext/FontNames.h"
#include "richtext/Knots.h"
#include "richtext/TextAccess.h"
#include "support/CSArray.h"
#include "support/Fonts.h"
#include "support/GraphicsContext.h"
#include "support/TextDrawing.h"
#include "support/TextUtilities.h"

// The pieces of a segment and the attributes of each; `typeset` is the part
// that was typeset, after its hyphens were replaced.
struct LineSegmentText {
  QString text;
  QList<QTextLayout::FormatRange> formats;
  QString typeset;
  QList<QTextLayout::FormatRange> typesetFormats;
  // The typeset line is the one laid out to find the break (its layout may
  // hold more text than the line); the part typeset alone is made when a
  // question needs it.
  bool breakLine = false;
  std::unique_ptr<QTextLayout> typesetAlone;
};

namespace {

constexpr char16_t kSoftHyphen = 0x00AD;
constexpr char16_t kNonBreakingHyphen = 0x2011;
constexpr char16_t kEnDash = 0x2013;
constexpr char16_t kEmDash = 0x2014;
constexpr char16_t kRightArrow = 0x2192;
constexpr Kolor kLinkKolor = 0x64D92B27;
constexpr uint32_t kSpaceCharType = 4;
// Widths handed in are kept within this, so a caller's "no limit" stays finite.
constexpr double kMaxLineWidth = 1.0e7;
// The tab stop of the one paragraph style every segment shares.
constexpr double kSegmentTabStop = 18.0;
// The step of Qt's fixed-point positions.
constexpr double kPositionUnit = 1.0 / 64;
// How far past the width, in average units, a head of a segment's text
// reaches by the guessed advances when it is laid out to find the break.
constexpr double kHeadSpareUnits = 1;

const char* const kBoldKeys[] = {"semibold", "bold", "black", "demi"};
const char* const kItalicKeys[] = {"italic", "oblique", "slanted", "inclined", "semiita"};

const QTextOption& LineStyle() {
  static const QTextOption option = [] {
    QTextOption o(Qt::AlignLeft);
    o.setTabs({QTextOption::Tab(kSegmentTabStop, QTextOption::LeftTab)});
    o.setUseDesignMetrics(true);
    return o;
  }();
  return option;
}

const QColor& DarkModeTextColor() {
  static const QColor color = QGuiApplication::palette().color(QPalette::Text);
  return color;
}

const QColor& DarkModeLinkColor() {
  static const QColor color = LinkColor();
  return color;
}

// What a piece's attributes are made from.
struct PieceStyleKey {
  uint16_t font = 0;
  int16_t size = 0;
  uint8_t bold = 0, italic = 0, outline = 0, darkColors = 0;
  bool knownFont = false;
  Kolor color = 0;
  int64_t expand = 0;
  bool operator==(const PieceStyleKey&) const = default;
};

size_t qHash(const PieceStyleKey& key, size_t seed = 0) {
  return qHashMulti(seed, key.font, key.size, key.bold, key.italic, key.outline, key.darkColors, key.knownFont,
                    key.color, key.expand);
}

// The attributes of a piece: font, spacing, colour and outline.
QTextCharFormat MakeCharPropertyFormat(const CharProps& props, bool darkColors) {
  QTextCharFormat format;
  const QFont font = FontForProperties(props);
  format.setFont(font, QTextCharFormat::FontPropertiesAll);
  if (props.expand != 0) {
    format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    format.setFontLetterSpacing(double(props.expand) / double(kMeasurePerPoint));
  }
  QColor color;
  if (props.color == kBlackKolor)
    color = darkColors ? DarkModeTextColor() : QColor(Qt::black);
  else if (props.color == kLinkKolor && darkColors)
    color = DarkModeLinkColor();
  else
    color = ColorFromKolor(props.color);
  if (props.outline) {
    // A stroke 3 % of the size wide, the inside left empty.
    format.setTextOutline(QPen(color, 0.03 * font.pointSizeF()));
    format.setForeground(Qt::transparent);
  } else {
    format.setForeground(color);
  }
  return format;
}

// Every piece of every line asks for its attributes: the answers are kept,
// and pieces of one style share one format, which Qt then compares cheaply.
QTextCharFormat CharPropertyFormat(const CharProps& props, bool darkColors) {
  static QHash<PieceStyleKey, QTextCharFormat> made;
  PieceStyleKey key;
  key.font = props.font;
  key.size = props.size;
  key.bold = props.bold ? 1 : 0;
  key.italic = props.italic ? 1 : 0;
  key.outline = props.outline ? 1 : 0;
  key.darkColors = darkColors ? 1 : 0;
  key.knownFont = props.font < uint32_t(g_fontNames.size());
  key.color = props.color;
  key.expand = props.expand;
  if (const auto found = made.constFind(key); found != made.constEnd()) return *found;
  const QTextCharFormat format = MakeCharPropertyFormat(props, darkColors);
  if (made.size() < 4096) made.insert(key, format);
  return format;
}

// A layout of one line, typeset without a width limit.
std::unique_ptr<QTextLayout> TypesetLine(const QString& text, const QList<QTextLayout::FormatRange>& formats) {
  auto layout = std::make_unique<QTextLayout>(text, formats.isEmpty() ? UserFont(12) : formats.first().format.font(),
                                              TextReferenceDevice());
  QTextOption option = LineStyle();
  option.setWrapMode(QTextOption::NoWrap);
  layout->setTextOption(option);
  layout->setFormats(formats);
  layout->setCacheEnabled(true);
  layout->beginLayout();
  QTextLine line = layout->createLine();
  if (line.isValid()) {
    line.setLineWidth(kMaxLineWidth);
    line.setPosition(QPointF(0, 0));
  }
  layout->endLayout();
  if (layout->lineCount() != 1) return nullptr;
  return layout;
}

// Where Qt breaks a segment's text: its first line laid out in the width.
struct WidthBreak {
  std::unique_ptr<QTextLayout> layout;  // the text shaped (or a head of it), one line made
  int count = 0;                        // units on that line; 0 when not even one character fits
};

// Lays out the first line of the text in the width, breaking at words
// (inside a word only when the first word alone is too wide).
WidthBreak LayOutFirstLine(const QString& text, const QList<QTextLayout::FormatRange>& formats, double width) {
  WidthBreak result;
  result.layout = std::make_unique<QTextLayout>(text, formats.isEmpty() ? UserFont(12) : formats.first().format.font(),
                                                TextReferenceDevice());
  QTextLayout& layout = *result.layout;
  QTextOption option = LineStyle();
  option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
  layout.setTextOption(option);
  layout.setFormats(formats);
  layout.setCacheEnabled(true);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (!line.isValid()) {
    layout.endLayout();
    return result;
  }
  line.setLineWidth(std::clamp(width, 0.0, kMaxLineWidth));
  line.setPosition(QPointF(0, 0));
  const int count = line.textLength();
  const double natural = line.naturalTextWidth();
  layout.endLayout();
  if (natural <= width + 0.001) result.count = count;
  return result;
}

QList<QTextLayout::FormatRange> ClippedFormats(const QList<QTextLayout::FormatRange>& formats, int length);

// The advance of a unit in points per point of font size, as the last line
// typeset showed it: how much of a segment is worth shaping to find a break.
double g_unitAdvancePerPoint = 0;

double FirstPointSize(const QList<QTextLayout::FormatRange>& formats) {
  return formats.isEmpty() ? 12.0 : formats.first().format.font().pointSizeF();
}

// Whether the text is laid out left to right throughout: no character of a
// right-to-left script, no right-to-left number, no explicit direction.
bool IsLeftToRightOnly(const QString& text) {
  for (qsizetype i = 0; i < text.size(); ++i) {
    char32_t code = text.at(i).unicode();
    if (code < 0x0590) continue;  // no right-to-left character or control comes before Hebrew
    if (QChar::isHighSurrogate(code) && i + 1 < text.size() && QChar::isLowSurrogate(text.at(i + 1).unicode()))
      code = QChar::surrogateToUcs4(char16_t(code), text.at(++i).unicode());
    switch (QChar::direction(code)) {
      case QChar::DirR:
      case QChar::DirAL:
      case QChar::DirAN:
      case QChar::DirRLE:
      case QChar::DirRLO:
      case QChar::DirLRE:
      case QChar::DirLRO:
      case QChar::DirPDF:
      case QChar::DirRLI:
      case QChar::DirLRI:
      case QChar::DirFSI:
      case QChar::DirPDI:
        return false;
      default:
        break;
    }
  }
  return true;
}

// The advances of the printable ASCII characters in a font, in points, each
// alone: what a width holds is guessed from them before any shaping.
struct AsciiAdvances {
  QFont font;
  std::array<float, 128> advance{};
};

const AsciiAdvances& AdvancesOf(const QFont& font) {
  thread_local std::vector<std::unique_ptr<AsciiAdvances>> known;
  for (const std::unique_ptr<AsciiAdvances>& entry : known) {
    if (entry->font == font) return *entry;
  }
  if (known.size() >= 64) known.erase(known.begin());
  auto made = std::make_unique<AsciiAdvances>();
  made->font = font;
  const QFontMetricsF metrics(font, TextReferenceDevice());
  for (char16_t c = 0x20; c < 0x7F; ++c) made->advance[c] = float(metrics.horizontalAdvance(QChar(c)));
  known.push_back(std::move(made));
  return *known.back();
}

// Where a segment's text may be cut short of its end for finding the break:
// past the word that reaches beyond the width by the guessed advances (with
// some to spare), after the blanks that follow it. 0 when the text is not
// to be cut: short enough to fit by the last line's advance, or not left to
// right throughout (the order of a line then depends on text beyond it).
int HeadForBreak(const QString& text, const QList<QTextLayout::FormatRange>& formats, double width, bool leftToRight) {
  const double points = FirstPointSize(formats);
  if (!leftToRight || g_unitAdvancePerPoint <= 0 || points <= 0 || !(width < kMaxLineWidth)) return 0;
  // The advance per unit the last line typeset showed: when the width holds
  // the whole text by it, the text is laid out whole. Characters other than
  // ASCII, and those of later runs in another style, count that advance.
  const double other = g_unitAdvancePerPoint * points;
  if (width / other >= double(text.size())) return 0;
  const AsciiAdvances& advances = AdvancesOf(formats.isEmpty() ? UserFont(12) : formats.first().format.font());
  const int ascii = formats.isEmpty() ? int(text.size()) : formats.first().length;
  const auto limit = float(width + kHeadSpareUnits * other);
  const char16_t* units = reinterpret_cast<const char16_t*>(text.utf16());
  const auto size = int(text.size());
  float x = 0;
  int cut = 0;
  while (cut < size && x <= limit) {
    const char16_t c = units[cut];
    x += c >= 0x20 && c < 0x7F && cut < ascii ? advances.advance[c] : float(other);
    ++cut;
  }
  cut = std::max(cut, 1);
  while (cut < size && !(units[cut - 1] == u' ' && units[cut] != u' ')) ++cut;
  return cut < size ? cut : 0;
}

// Whether a line may end at `at` whatever follows: blanks after a letter or
// digit, and a letter or digit next (no rule of line breaking joins those).
bool IsCertainBreak(const QString& text, int at) {
  if (at <= 0 || at >= text.size() || text.at(at - 1) != u' ' || !text.at(at).isLetterOrNumber()) return false;
  int before = at - 1;
  while (before > 0 && text.at(before) == u' ') --before;
  return text.at(before).isLetterOrNumber();
}

// Lays out the first line of the text in the width. Shaping is most of the
// cost, so a head of the text is tried first: when its line ends, before the
// head's last word, where a line may end whatever follows, Qt made that line
// from words wholly inside the head and found the next one too wide, and the
// text after the head could not have changed that. Otherwise the whole text
// is laid out, so the answer never depends on the guess.
WidthBreak BreakForWidth(const QString& text, const QList<QTextLayout::FormatRange>& formats, double width,
                         bool leftToRight) {
  if (const int head = HeadForBreak(text, formats, width, leftToRight); head > 0) {
    WidthBreak found = LayOutFirstLine(text.left(head), ClippedFormats(formats, head), width);
    if (found.count > 0 && found.count < head && IsCertainBreak(text, found.count)) return found;
  }
  return LayOutFirstLine(text, formats, width);
}

QList<QTextLayout::FormatRange> ClippedFormats(const QList<QTextLayout::FormatRange>& formats, int length) {
  QList<QTextLayout::FormatRange> clipped;
  for (const QTextLayout::FormatRange& range : formats) {
    if (range.start >= length) break;
    QTextLayout::FormatRange part = range;
    part.length = std::min(range.length, length - range.start);
    clipped.append(part);
  }
  return clipped;
}

uint32_t PieceCount(const LineSegment* segment) {
  return segment->offsetMap ? uint32_t(segment->offsetMap->count()) : 0;
}

SegmentPiece PieceAt(const LineSegment* segment, uint32_t index) {
  SegmentPiece piece;
  segment->offsetMap->getEntry(&piece, index);
  return piece;
}

// Where piece `index` ends in the segment's text.
uint32_t PieceEnd(const LineSegment* segment, uint32_t index) {
  if (index + 1 < PieceCount(segment)) return PieceAt(segment, index + 1).offset;
  return uint32_t(segment->text->text.size());
}

bool IsLetterOrDigit(char16_t c) {
  return QChar(c).isLetterOrNumber();
}

// The break adjusted by the rules for generated pieces and words.
int AdjustBreak(const LineSegment* segment, int brk, bool startsLine, bool atLineFirstCp) {
  const QString& text = segment->text->text;
  for (uint32_t i = 0; i < PieceCount(segment); ++i) {
    const SegmentPiece piece = PieceAt(segment, i);
    const auto end = int(PieceEnd(segment, i));
    if (int(piece.offset) >= brk || end <= brk) continue;
    const bool generated = piece.firstCp < 0 || int64_t(piece.endCp) - piece.firstCp < 2;
    if (generated && end - int(piece.offset) >= 2)
      brk = (piece.offset == 0 && (startsLine || atLineFirstCp)) ? end : int(piece.offset);
    break;
  }
  if (brk >= 3 && brk < text.size() && !atLineFirstCp) {
    const char16_t after = text.at(brk).unicode();
    const char16_t before = text.at(brk - 1).unicode();
    if (after == kEnDash || after == kEmDash || (IsLetterOrDigit(before) && IsLetterOrDigit(after))) {
      for (int i = brk - 1; i >= 0; --i) {
        if (TypeOfChar(text.at(i).unicode()) == kSpaceCharType) {
          brk = i + 1;
          break;
        }
      }
    }
  }
  return brk;
}

// The cp of a text index through the offset map; -1 for generated text.
int64_t CpOfIndex(const LineSegment* segment, uint32_t index) {
  for (uint32_t i = 0; i < PieceCount(segment); ++i) {
    const SegmentPiece piece = PieceAt(segment, i);
    if (index < piece.offset || index >= PieceEnd(segment, i)) continue;
    if (piece.firstCp < 0) return -1;
    const int64_t cp = int64_t(piece.firstCp) + (index - piece.offset);
    return cp < piece.endCp ? cp : -1;
  }
  return -1;
}

void RecordGlyphGaps(CorvaneDoc* doc, LineSegment* segment, GlyphGap* gaps, uint32_t* gapCount) {
  if (!gaps || !gapCount || *gapCount == 0) return;
  const uint32_t room = *gapCount;
  uint32_t found = 0;
  const QString& part = segment->text->typeset;
  for (int i = 0; i < part.size() && found < room; ++i) {
    const char16_t c = part.at(i).unicode();
    bool gap = c == kSoftHyphen;
    if (!gap) {
      QFont font = UserFont(12);
      for (const QTextLayout::FormatRange& range : segment->text->typesetFormats)
        if (i >= range.start && i < range.start + range.length) font = range.format.font();
      const QFontMetricsF metrics(font, TextReferenceDevice());
      gap = !QChar::isSurrogate(c) && (!metrics.inFont(QChar(c)) || metrics.horizontalAdvance(QChar(c)) <= 0);
    }
    if (!gap) continue;
    const int64_t cp = CpOfIndex(segment, uint32_t(i));
    if (cp < 0) continue;
    const char16_t atCp = CharacterAtCp(doc, uint32_t(cp));
    if (atCp == kKnotMark0 || atCp == kKnotMark1) continue;
    gaps[found++] = GlyphGap{uint32_t(cp), 3, uint32_t(i)};
  }
  *gapCount = found;
}

void FreeLine(LineSegment* segment) {
  delete segment->line;
  segment->line = nullptr;
}

// Draws a layout's first line with its baseline at `origin`.
void DrawLayout(QPainter* painter, const QTextLayout& layout, QPointF origin) {
  const QTextLine line = layout.lineAt(0);
  layout.draw(painter, QPointF(origin.x(), origin.y() - line.ascent()));
}

QString Lower(const QString& s) {
  return s.toLower();
}

// Removes the key at `at` and one separator beside it.
QString StripPropertyName(const QString& name, qsizetype at, qsizetype length) {
  qsizetype from = at;
  qsizetype to = at + length;
  if (from > 0 && name.at(from - 1) == u'-') {
    --from;
  } else if (to < name.size() && name.at(to) == u' ') {
    ++to;
  } else if (to == name.size() && from > 0 && (name.at(from - 1) == u' ' || name.at(from - 1) == u'-')) {
    --from;
  }
  QString stripped = name;
  stripped.remove(from, to - from);
  return stripped;
}

// A copy of the font with the bold or italic face of its family asked for.
QFont ApplyTraits(QFont font, bool bold, bool italic) {
  const QFontInfo info(font);
  const QString family = info.family();
  // A font made from a face name carries that face's style name, which would
  // override any weight or slant asked of it.
  if (!font.styleName().isEmpty()) {
    font.setStyleName(QString());
    font.setWeight(QFont::Weight(info.weight()));
    font.setItalic(info.italic());
  }
  if (italic) font.setItalic(true);
  if (!bold || info.weight() >= QFont::Bold) return font;
  const QStringList styles = QFontDatabase::styles(family);
  for (const QString& style : styles) {
    if (QFontDatabase::weight(family, style) >= QFont::Bold && QFontDatabase::italic(family, style) == italic) {
      font.setWeight(QFont::Bold);
      return font;
    }
  }
  QStringList members;
  QString compactFamily = family;
  compactFamily.remove(u' ');
  for (const QString& style : styles) members.append(compactFamily + u'-' + QString(style).remove(u' '));
  const BoldMembers found = ScanBoldMembers(members);
  const QString& chosen = (italic && !found.boldItalic.isEmpty()) ? found.boldItalic : found.bold;
  if (!chosen.isEmpty()) {
    const qsizetype at = members.indexOf(chosen);
    QFont face = QFontDatabase::font(family, styles.at(at), 12);
    if (QFontInfo(face).family() == family) {
      face.setPointSizeF(font.pointSizeF());
      return face;
    }
  }
  font.setWeight(QFont::Bold);
  return font;
}

QFont SmallSystemFont() {
  return SystemFont(SmallSystemFontSize());
}

// One character typeset in a style.
std::unique_ptr<QTextLayout> LineForSingleCharacter(char16_t character, const CharProps& props, bool darkColors) {
  QTextLayout::FormatRange range{0, 1, CharPropertyFormat(props, darkColors)};
  return TypesetLine(QString(QChar(character)), {range});
}

}  // namespace

// ---- Segments ----------------------------------------------------------------

void BeginLineSegment(LineSegment* segment) {
  if (!segment) return;
  FreeLineSegment(segment);
  segment->text = new LineSegmentText;
  segment->offsetMap = CSArray::create(sizeof(SegmentPiece), 3).release();
}

void AddRunToLineSegment(LineSegment* segment, const char16_t* characters, uint32_t count, int32_t firstCp,
                         int32_t endCp, const CharProps& props, bool darkColors) {
  if (!segment || count == 0 || !characters || !segment->offsetMap || !segment->text) return;
  LineSegmentText& text = *segment->text;
  if (uint64_t(text.text.size()) + count > uint64_t(INT32_MAX)) return;
  const auto start = int(text.text.size());
  const SegmentPiece piece{uint32_t(start), firstCp, endCp};
  if (segment->offsetMap->addEntry(&piece) == kCSNotFound) return;
  text.text.append(QStringView(characters, qsizetype(count)));
  text.formats.append(QTextLayout::FormatRange{start, int(count), CharPropertyFormat(props, darkColors)});
  if (segment->head.firstCp < 0 && firstCp > 0) segment->head.firstCp = firstCp;
}

bool EndLineSegment(CorvaneDoc* doc, LineSegment* segment, uint32_t lineFirstCp, GlyphGap* gaps, uint32_t* gapCount,
                    float width) {
  if (!segment || !segment->text) return false;
  FreeLine(segment);
  segment->fitCount = 0;
  LineSegmentText& text = *segment->text;
  text.breakLine = false;
  text.typesetAlone.reset();
  const auto length = int(text.text.size());
  if (length == 0 || PieceCount(segment) == 0) return false;
  const bool startsLine = segment->head.charIndex == 0;
  const bool atLineFirstCp = segment->head.firstCp == int64_t(lineFirstCp);
  const double room = std::isfinite(width) ? double(width) : kMaxLineWidth;

  const bool leftToRight = IsLeftToRightOnly(text.text);
  WidthBreak found = BreakForWidth(text.text, text.formats, room, leftToRight);
  int brk = found.count;
  if (brk == 0) {
    if (!startsLine) return false;
    const SegmentPiece first = PieceAt(segment, 0);
    if (first.firstCp >= 0 && int64_t(first.endCp) - first.firstCp > 1)
      brk = QChar::isHighSurrogate(text.text.at(0).unicode()) && length > 1 ? 2 : 1;
    else if (PieceCount(segment) == 1)
      brk = length;
    else
      brk = int(PieceEnd(segment, 0));
  } else if (brk < length) {
    brk = AdjustBreak(segment, brk, startsLine, atLineFirstCp);
    if (brk <= 0) return false;
  }

  // The part typeset: hyphens that must show become "-".
  QString part = text.text.left(brk);
  bool replaced = false;
  for (QChar& c : part) {
    if (c == QChar(kNonBreakingHyphen)) {
      c = u'-';
      replaced = true;
    }
  }
  if (part.endsWith(QChar(kSoftHyphen))) {
    part[part.size() - 1] = u'-';
    replaced = true;
  }
  text.typeset = part;
  text.typesetFormats = ClippedFormats(text.formats, brk);
  qsizetype trailing = part.size();
  while (trailing > 0 && TypeOfChar(part.at(trailing - 1).unicode()) == kSpaceCharType) --trailing;
  // Shaping is most of the cost of formatting a line. Where the part is
  // exactly the line Qt made when finding the break (same units, nothing
  // replaced, text running left to right) and ends the text or ends in
  // blanks (so no kerning reaches across the break), that line is the
  // typeset one; otherwise the part is shaped anew. A wrapped line's
  // positions stop at its width, so the line is taken as unwrapped (blanks
  // that hang past the width are measured whole); its trailing blanks add
  // nothing to its height, so they must share the style before them.
  std::unique_ptr<QTextLayout> layout;
  const bool blanksInStyle = trailing == part.size() || trailing == 0 || text.typesetFormats.isEmpty() ||
                             text.typesetFormats.last().start < trailing;
  text.breakLine = leftToRight && !replaced && found.count == brk && (brk == length || trailing < part.size()) &&
                   blanksInStyle && found.layout && found.layout->lineCount() == 1;
  if (text.breakLine) {
    layout = std::move(found.layout);
    QTextOption option = layout->textOption();
    option.setWrapMode(QTextOption::NoWrap);
    layout->setTextOption(option);
  } else {
    layout = TypesetLine(part, text.typesetFormats);
    if (!layout) return false;
  }
  const QTextLine line = layout->lineAt(0);
  const double full = line.cursorToX(int(part.size()));
  const double natural = line.cursorToX(int(trailing));
  if (brk == 1 && full > room && !atLineFirstCp) return false;
  if (brk >= 16 && full > 0) {
    const double points = FirstPointSize(text.typesetFormats);
    if (points > 0) g_unitAdvancePerPoint = full / brk / points;
  }
  segment->head.width = float(full);
  segment->ascent = float(line.ascent());
  segment->descent = float(line.descent() + 0.5 + (segment->noLeading ? 0.0 : line.leading()));
  segment->trailingWhitespace = float(std::max(0.0, full - natural));
  segment->fitCount = uint32_t(brk);
  segment->line = layout.release();
  RecordGlyphGaps(doc, segment, gaps, gapCount);
  if (gapCount && !gaps) *gapCount = 0;
  return brk == length;
}

void JustifyLineSegment(LineSegment* segment, float width) {
  if (!segment || !segment->line || !segment->text) return;
  LineSegmentText& text = *segment->text;
  const QString& part = text.typeset;
  qsizetype last = part.size();
  while (last > 0 && part.at(last - 1) == u' ') --last;
  int spaces = 0;
  for (qsizetype i = 0; i < last; ++i)
    if (part.at(i) == u' ') ++spaces;
  const double extra = double(width) - double(segment->head.width);
  if (spaces > 0 && extra > 0) {
    // Word spacing widens every blank, the trailing ones too: only the
    // inner ones may grow, so the trailing stretch gets a format of its own.
    QList<QTextLayout::FormatRange> formats;
    for (const QTextLayout::FormatRange& range : text.typesetFormats) {
      const int inner = std::clamp(int(last) - range.start, 0, range.length);
      if (inner > 0) {
        QTextLayout::FormatRange widened{range.start, inner, range.format};
        QFont font = range.format.font();
        font.setWordSpacing(font.wordSpacing() + extra / spaces);
        widened.format.setFont(font, QTextCharFormat::FontPropertiesAll);
        formats.append(widened);
      }
      if (inner < range.length) formats.append(QTextLayout::FormatRange{range.start + inner, range.length - inner, range.format});
    }
    if (std::unique_ptr<QTextLayout> layout = TypesetLine(part, formats)) {
      text.typesetFormats = formats;
      text.breakLine = false;
      text.typesetAlone.reset();
      delete segment->line;
      segment->line = layout.release();
    }
  }
  segment->head.width = width;
}

void DrawLineSegment(const LineSegment* segment, float x, float y, float baseline) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter || !segment || !segment->line || segment->line->lineCount() == 0) return;
  const QPointF origin(x, double(segment->baselineShift) + baseline + y);
  if (segment->shadow && segment->text) {
    // A shadow: a translucent dark copy 4 device pixels down and right.
    QList<QTextLayout::FormatRange> formats = segment->text->typesetFormats;
    for (QTextLayout::FormatRange& range : formats) {
      range.format.setForeground(QColor(0, 0, 0, 85));
      if (range.format.hasProperty(QTextFormat::TextOutline))
        range.format.setTextOutline(QPen(QColor(0, 0, 0, 85), range.format.textOutline().widthF()));
    }
    if (std::unique_ptr<QTextLayout> shadow = TypesetLine(segment->text->typeset, formats)) {
      bool invertible = false;
      const QTransform toUser = painter->deviceTransform().inverted(&invertible);
      QPointF offset(4, 4);
      if (invertible) offset = toUser.map(QPointF(4, 4)) - toUser.map(QPointF(0, 0));
      painter->save();
      DrawLayout(painter, *shadow, origin + offset);
      painter->restore();
    }
  }
  painter->save();
  DrawLayout(painter, *segment->line, origin);
  painter->restore();
}

void FreeLineSegment(LineSegment* segment) {
  if (!segment) return;
  delete segment->text;
  segment->text = nullptr;
  FreeLine(segment);
  delete segment->offsetMap;
  segment->offsetMap = nullptr;
}

float PositionOfLineSegmentIndex(const LineSegment* segment, uint32_t index) {
  if (!segment || !segment->line || index == 0 || segment->line->lineCount() == 0) return 0;
  const QTextLine line = segment->line->lineAt(0);
  // The layout may hold more text than its line shows.
  const auto length = uint32_t(line.textLength());
  if (index >= length) return float(line.cursorToX(int(length)));
  return float(line.cursorToX(int(index)));
}

uint32_t IndexOfLineSegmentPosition(const LineSegment* segment, float x) {
  if (!segment || !segment->line || segment->line->lineCount() == 0) return 0;
  QTextLine line = segment->line->lineAt(0);
  // A line laid out to find a break answers its end for any x past its text
  // without the trailing blanks (x cut to Qt's 1/64 steps, as Qt cuts it),
  // where a line typeset alone answers the nearest position: that question
  // goes to the part typeset alone.
  if (LineSegmentText* text = segment->text;
      text && text->breakLine && std::trunc(double(x) / kPositionUnit) * kPositionUnit >= line.naturalTextWidth()) {
    if (!text->typesetAlone) text->typesetAlone = TypesetLine(text->typeset, text->typesetFormats);
    if (text->typesetAlone) line = text->typesetAlone->lineAt(0);
  }
  const int index = line.xToCursor(x);
  return index > 0 ? uint32_t(index) : 0;
}

QString LineSegmentTypesetText(const LineSegment* segment) {
  if (!segment || !segment->line || !segment->text) return {};
  return segment->text->typeset;
}

// ---- Fonts and measures ----------------------------------------------------

QFont FontForProperties(const CharProps& props) {
  // Fonts are asked for per piece of every line: the answers are kept. The
  // font-name list only grows, so a name's index always means that name.
  static QHash<uint64_t, QFont> made;
  const uint64_t key = uint64_t(props.font) | uint64_t(uint16_t(props.size)) << 16 |
                       uint64_t(props.bold ? 1 : 0) << 32 | uint64_t(props.italic ? 1 : 0) << 33 |
                       uint64_t(props.font < uint32_t(g_fontNames.size()) ? 1 : 0) << 34;
  if (const auto found = made.constFind(key); found != made.constEnd()) return *found;
  const double size = std::clamp(double(props.size) * 0.25, kMinFontSize, kMaxFontSize);
  QFont font;
  if (props.font >= uint32_t(g_fontNames.size())) {
    font = UserFont(size);
  } else {
    const QString& name = g_fontNames.at(props.font);
    font = FontExists(name) ? FontWithName(name, size) : UserFont(size);
  }
  if (props.bold || props.italic) font = ApplyTraits(font, props.bold != 0, props.italic != 0);
  if (made.size() < 4096) made.insert(key, font);
  return font;
}

float FontUnderlineMetrics(const CharProps& props, float* position) {
  CharProps plain = props;
  plain.bold = 0;
  const QFontMetricsF metrics(FontForProperties(plain), TextReferenceDevice());
  if (position) *position = float(std::fabs(metrics.underlinePos()));
  return float(metrics.lineWidth());
}

float LineMetricsForFont(const CharProps& props, float* ascent) {
  const QFontMetricsF metrics(FontForProperties(props), TextReferenceDevice());
  if (ascent) *ascent = float(metrics.ascent());
  return float(metrics.ascent() + metrics.descent() + metrics.leading());
}

float WidthOfSpaceForFont(const QFont& font) {
  const QFontMetricsF metrics(font, TextReferenceDevice());
  const double widest = metrics.maxWidth();
  if (widest > 0) return float(widest / 4);
  return float(0.3125 * font.pointSizeF());
}

float WidthOfSpace(const CharProps& props) {
  return WidthOfSpaceForFont(FontForProperties(props));
}

bool GetFontTraits(const QFont& font, bool* bold, bool* italic) {
  const QFontInfo info(font);
  const bool isBold = info.weight() >= QFont::Bold;
  if (bold) *bold = isBold;
  if (italic) *italic = info.italic();
  return isBold;
}

bool FontNameImpliesBold(const QString& name, bool* weightVariant, QString* strippedName) {
  const QString lower = Lower(name);
  for (size_t k = weightVariant ? 0 : 1; k < std::size(kBoldKeys); ++k) {
    const QLatin1StringView key(kBoldKeys[k]);
    const qsizetype at = lower.indexOf(key);
    if (at < 0) continue;
    if (weightVariant) *weightVariant = k != 1;
    if (strippedName) *strippedName = StripPropertyName(name, at, key.size());
    return k != 0;
  }
  if (weightVariant) *weightVariant = false;
  if (strippedName) *strippedName = name;
  return false;
}

bool FontNameImpliesItalic(const QString& name, QString* strippedName) {
  const QString lower = Lower(name);
  for (const char* keyText : kItalicKeys) {
    const QLatin1StringView key(keyText);
    const qsizetype at = lower.indexOf(key);
    if (at < 0) continue;
    if (strippedName) *strippedName = StripPropertyName(name, at, key.size());
    return true;
  }
  if (strippedName) *strippedName = name;
  return false;
}

BoldMembers ScanBoldMembers(const QStringList& memberNames) {
  BoldMembers found;
  for (const QString& name : memberNames) {
    QString lower = Lower(name);
    lower.replace(QLatin1String("semibold"), QLatin1String("-"));
    bool bold = false;
    for (size_t k = 1; k < std::size(kBoldKeys) && !bold; ++k) bold = lower.contains(QLatin1StringView(kBoldKeys[k]));
    if (!bold) continue;
    if (FontNameImpliesItalic(name, nullptr))
      found.boldItalic = name;
    else
      found.bold = name;
    break;
  }
  return found;
}

// ---- Single items ------------------------------------------------------------

void DrawSingleCharacter(char16_t character, Kolor kolor, const QRectF& rect, float baseline) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  static QHash<char16_t, std::shared_ptr<QTextLayout>> characterLines;
  std::shared_ptr<QTextLayout> layout = characterLines.value(character);
  if (!layout) {
    CharProps props;
    Properties base;
    SetBaseProperties(kCharProperties, &base);
    props = base.body.charProps;
    const QFont font = SmallSystemFont();
    props.font = IndexOfFont(FontName(font));
    props.size = int16_t(std::clamp(font.pointSizeF() * 4, 16.0, 8000.0));
    props.color = kolor;
    layout = LineForSingleCharacter(character, props, false);
    if (!layout) return;
    characterLines.insert(character, layout);
  }
  double offset = 0;
  if (character != kRightArrow && rect.width() != 0)
    offset = (rect.width() - layout->lineAt(0).cursorToX(layout->text().size())) / 2;
  painter->save();
  DrawLayout(painter, *layout, QPointF(rect.x() + offset, rect.y() + baseline));
  painter->restore();
}

void DrawStringWithProperties(const QString& string, const CharProps& props, uint32_t alignment, float x, float y) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter || string.isEmpty()) return;
  std::unique_ptr<QTextLayout> layout =
      TypesetLine(string, {QTextLayout::FormatRange{0, int(string.size()), CharPropertyFormat(props, false)}});
  if (!layout) return;
  const double width = layout->lineAt(0).cursorToX(int(string.size()));
  double left = x;
  if (alignment == 1) left -= width / 2;
  if (alignment == 3) left -= width;
  painter->save();
  DrawLayout(painter, *layout, QPointF(left, y));
  painter->restore();
}

void DrawStringWithSystemFont(const QString& string, Kolor kolor, uint32_t options, const QRectF& rect) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter || string.isEmpty()) return;
  QFont font = SystemFont((options & 8) ? 9.0 : SystemFontSize());
  if (options & 2) font.setBold(true);
  const QColor color = ColorFromKolor(kolor);
  const bool save = (options & 4) != 0;
  if (save) painter->save();
  if (options & 1) {
    DrawCenteredString(painter, string, font, color, false, rect);
  } else {
    QTextLayout layout(string, font, TextReferenceDevice());
    QTextOption option(Qt::AlignLeft);
    option.setWrapMode(QTextOption::WrapAtWordBoundaryOrAnywhere);
    layout.setTextOption(option);
    layout.beginLayout();
    double top = 0;
    for (QTextLine line = layout.createLine(); line.isValid(); line = layout.createLine()) {
      line.setLineWidth(std::max(rect.width(), 0.0));
      line.setPosition(QPointF(0, top));
      top += line.height();
    }
    layout.endLayout();
    painter->save();
    painter->setPen(color);
    painter->setClipRect(rect, Qt::IntersectClip);
    layout.draw(painter, rect.topLeft());
    painter->restore();
  }
  if (save) painter->restore();
}

void DrawTabLeader(const CharProps& props, char16_t leader, float startX, float endX, float originX,
                   float baseline) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  std::unique_ptr<QTextLayout> layout = LineForSingleCharacter(leader, props, false);
  if (!layout) return;
  const double leaderWidth = layout->lineAt(0).cursorToX(1);
  const double space = WidthOfSpace(props);
  const double step = std::max(9.0, 2 * space + leaderWidth);
  double x = originX + std::ceil((double(startX) - 1 - originX) / step) * step;
  const double last = double(endX) - (leaderWidth + space);
  painter->save();
  for (int guard = 0; x <= last && guard < 100000; x += step, ++guard)
    DrawLayout(painter, *layout, QPointF(x, baseline));
  painter->restore();
}

void DrawWordUnderline(const DocRange& range, const LineSegment* segment, float x, float underlineY, float thickness,
                       Kolor kolor) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter || !segment || !segment->line || !segment->text || !range.doc) return;
  const QString& part = segment->text->typeset;
  const double y = double(underlineY) + thickness / 2.0;
  const double originX = double(x) + segment->head.x;
  QPainterPath path;
  const uint32_t pieces = PieceCount(segment);
  auto inPicture = [&](int64_t cp) {
    KnotFormat format;
    FetchKnot(range.doc, uint32_t(cp), &format, kKnotPicture);
    return format.index != 0xFFFFFFFF;
  };
  auto isWordUnit = [&](uint32_t index, int64_t cp) {
    const char16_t c = part.at(index).unicode();
    if (c == kKnotMark0 || c == kKnotMark1) return !inPicture(cp);
    return IsLetterOrDigit(c);
  };
  for (uint32_t p = 0; p < pieces; ++p) {
    const SegmentPiece piece = PieceAt(segment, p);
    if (piece.firstCp < 0 || piece.endCp <= piece.firstCp) continue;
    if (uint32_t(piece.endCp) <= range.first || uint32_t(piece.firstCp) >= range.limit) continue;
    const uint32_t end = std::min<uint32_t>(PieceEnd(segment, p), uint32_t(part.size()));
    uint32_t i = piece.offset;
    auto cpOf = [&](uint32_t index) { return int64_t(piece.firstCp) + (index - piece.offset); };
    auto inRange = [&](uint32_t index) {
      const int64_t cp = cpOf(index);
      return cp >= range.first && cp < range.limit && cp < piece.endCp;
    };
    while (i < end) {
      while (i < end && !(inRange(i) && isWordUnit(i, cpOf(i)))) ++i;
      if (i >= end) break;
      const uint32_t start = i;
      while (i < end && inRange(i) && isWordUnit(i, cpOf(i))) ++i;
      const float left = PositionOfLineSegmentIndex(segment, start);
      const float right = PositionOfLineSegmentIndex(segment, i);
      path.moveTo(originX + left, y);
      path.lineTo(originX + right, y);
    }
  }
  if (path.isEmpty()) return;
  painter->save();
  QPen pen(ColorFromKolor(kolor), thickness);
  pen.setCapStyle(Qt::FlatCap);
  painter->setPen(pen);
  painter->setBrush(Qt::NoBrush);
  painter->drawPath(path);
  painter->restore();
}
