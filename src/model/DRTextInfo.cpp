#include "model/DRTextInfo.h"

#include <QFontInfo>
#include <algorithm>

#include "model/DRFontTable.h"
#include "model/DRKeyTable.h"
#include "model/ModelSupport.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/Fonts.h"
#include "support/XmlHelpers.h"

namespace {

// Letter spacing beyond this many points is drawn at the limit: the text
// layout works in fixed point and a spacing read from a file can be any
// 64-bit value. The style keeps the value as read.
constexpr double kMaxExpansionPoints = 1000;

enum class Trait { bold, italic };

// Both the font asked for and the face it resolves to count: a named bold
// style may ask for a normal weight, and a bold weight may fall on a family
// without a bold face.
bool FontHasTrait(const QFont& font, Trait trait) {
  const QFontInfo info(font);
  if (trait == Trait::bold) return font.weight() >= QFont::DemiBold || info.weight() >= QFont::DemiBold;
  return font.style() != QFont::StyleNormal || info.style() != QFont::StyleNormal;
}

// The font with the trait added or removed; unchanged when it already is so.
QFont FontWithTrait(const QFont& font, Trait trait, bool on) {
  if (FontHasTrait(font, trait) == on) return font;
  QFont result = font;
  if (!result.styleName().isEmpty()) {
    // A style name outweighs weight and slant when the face is matched, so
    // it goes; the other trait stays as the named face had it.
    const QFontInfo info(font);
    result.setStyleName(QString());
    result.setWeight(QFont::Weight(info.weight()));
    result.setStyle(info.style());
  }
  if (trait == Trait::bold) {
    result.setWeight(on ? QFont::Bold : QFont::Normal);
  } else {
    result.setStyle(on ? QFont::StyleItalic : QFont::StyleNormal);
  }
  return result;
}

Qt::Alignment QtAlignment(int64_t alignment) {
  switch (alignment) {
    case kTextAlignRight:
      return Qt::AlignRight;
    case kTextAlignCenter:
      return Qt::AlignHCenter;
    case kTextAlignJustified:
      return Qt::AlignJustify;
    default:
      return Qt::AlignLeft;
  }
}

}  // namespace

DRTextInfo::DRTextInfo() : m_font(DefaultUserFontOfSize(SystemFontSize())) {}

bool DRTextInfo::operator==(const DRTextInfo& other) const {
  return m_font == other.m_font && m_textKolor == other.m_textKolor && m_backKolor == other.m_backKolor &&
         m_bold == other.m_bold && m_italic == other.m_italic && m_underlined == other.m_underlined &&
         m_alignment == other.m_alignment && m_expansion == other.m_expansion;
}

// ---- Font and flags ----------------------------------------------------------

void DRTextInfo::setFont(const QFont& font) {
  QFont converted = font;
  if (m_bold) converted = FontWithTrait(converted, Trait::bold, true);
  if (m_italic) converted = FontWithTrait(converted, Trait::italic, true);
  m_font = converted;
  if (m_fontChanged.callback) m_fontChanged.callback();
}

void DRTextInfo::setBold(int bold) {
  m_bold = bold;
  if (m_font) setFont(bold ? *m_font : FontWithTrait(*m_font, Trait::bold, false));
}

void DRTextInfo::setItalic(int italic) {
  m_italic = italic;
  if (m_font) setFont(italic ? *m_font : FontWithTrait(*m_font, Trait::italic, false));
}

int DRTextInfo::uiToggleState(bool bold) const {
  const int flag = bold ? m_bold : m_italic;
  if (flag == kMixedTextFlag) return -1;
  if (flag) return 1;
  return m_font && FontHasTrait(*m_font, bold ? Trait::bold : Trait::italic) ? 1 : 0;
}

// ---- Colours and layout --------------------------------------------------------

void DRTextInfo::setTextColor(Kolor kolor) {
  m_textKolor = kolor;
  RegisterKolor(kolor, false);
}

void DRTextInfo::setBackColor(Kolor kolor) {
  m_backKolor = kolor;
  RegisterKolor(kolor, true);
}

void DRTextInfo::setAlignment(int64_t alignment) {
  m_alignment = alignment >= kTextAlignRight && alignment <= kTextAlignJustified ? alignment : kTextAlignLeft;
}

// ---- Styled text -----------------------------------------------------------------

QTextCharFormat DRTextInfo::attributeDict(bool hitTesting) const {
  QTextCharFormat format;
  if (m_font) format.setFont(*m_font, QTextCharFormat::FontPropertiesAll);
  const QColor foreground = hitTesting ? QColor(Qt::black) : ColorFromKolor(m_textKolor);
  format.setForeground(foreground);
  format.setProperty(QTextFormat::BlockAlignment, int(QtAlignment(m_alignment)));
  format.setProperty(kLineBreakModeProperty, int(kLineBreakByWordWrapping));
  format.setFontUnderline(m_underlined != 0);
  if (m_underlined) format.setUnderlineColor(foreground);
  if (m_expansion != 0 && m_expansion != kMixedMeasure) {
    const double points = double(m_expansion) / double(kMeasurePerPoint);
    format.setFontLetterSpacingType(QFont::AbsoluteSpacing);
    format.setFontLetterSpacing(std::clamp(points, -kMaxExpansionPoints, kMaxExpansionPoints));
  }
  return format;
}

CSAttributedString DRTextInfo::expressWithText(const QString& text, bool hitTesting) const {
  return CSAttributedString(text.isNull() ? QStringLiteral("") : text, attributeDict(hitTesting));
}

// ---- The "textinfo" record -----------------------------------------------------------

std::optional<DRTextInfo> DRTextInfo::initWithXml(CSXmlDecoder& decoder) {
  DRTextInfo info;
  if (!ReadXmlChildren(decoder, kXmlTextinfo, [&info](CSXmlDecoder& child) { info.readTag(child); }))
    return std::nullopt;  // malformed, or the text ended inside the record
  return info;
}

void DRTextInfo::readTag(CSXmlDecoder& decoder) {
  switch (decoder.key()) {
    case kXmlAlign:
      switch (decoder.decodeValue()) {
        case kXmlRight:
          m_alignment = kTextAlignRight;
          break;
        case kXmlCenter:
          m_alignment = kTextAlignCenter;
          break;
        case kXmlJustify:
          m_alignment = kTextAlignJustified;
          break;
        default:
          m_alignment = kTextAlignLeft;
          break;
      }
      break;
    case kXmlColor:
      m_textKolor = KolorFromString(decoder.value());
      break;
    case kXmlTextKolor:
      m_backKolor = KolorFromString(decoder.value());
      break;
    // A stored style is never mixed: any value but 0 sets the flag. The font
    // already carries its traits, so it is not converted.
    case kXmlBold:
      m_bold = decoder.integerValue() != 0 ? 1 : 0;
      break;
    case kXmlItalic:
      m_italic = decoder.integerValue() != 0 ? 1 : 0;
      break;
    case kXmlUnderline:
      m_underlined = decoder.integerValue() != 0 ? 1 : 0;
      break;
    case kXmlExpand:
      m_expansion = decoder.longValue();
      break;
    case kXmlFont:
      if (std::optional<QFont> font = DRFontTable::fontFromRecordString(decoder.value())) m_font = std::move(font);
      break;
    case kXmlFontnum: {
      const DRFontTable* table = DRFontTable::current();
      std::optional<QFont> font = table ? table->fontAtIndex(decoder.longValue()) : std::nullopt;
      m_font = font ? std::move(*font) : SystemFont(SystemFontSize());
      break;
    }
    default:
      break;
  }
}

void DRTextInfo::archiveToXml(CSXmlEncoder& encoder) const {
  encoder.openTag(QStringLiteral("textinfo"));
  if (m_font) {
    if (DRFontTable* table = DRFontTable::current()) {
      encoder.addTagWithNumber(QStringLiteral("fontnum"), table->indexOfFont(*m_font));
    } else {
      encoder.addTag(QStringLiteral("font"), DRFontTable::fontRecordString(*m_font));
    }
  }
  if (m_bold) encoder.addTagWithNumber(QStringLiteral("bold"), 1);
  if (m_italic) encoder.addTagWithNumber(QStringLiteral("italic"), 1);
  if (m_underlined) encoder.addTagWithNumber(QStringLiteral("underline"), 1);
  encoder.addTag(QStringLiteral("color"), NewKolorString(m_textKolor));
  if (IsValidKolor(m_backKolor)) encoder.addTag(QStringLiteral("textKolor"), NewKolorString(m_backKolor));
  switch (m_alignment) {
    case kTextAlignRight:
      encoder.addTag(QStringLiteral("align"), QStringLiteral("right"));
      break;
    case kTextAlignCenter:
      encoder.addTag(QStringLiteral("align"), QStringLiteral("center"));
      break;
    case kTextAlignJustified:
      encoder.addTag(QStringLiteral("align"), QStringLiteral("justify"));
      break;
    default:
      break;
  }
  if (m_expansion != 0) encoder.addTagWithLongNumber(QStringLiteral("expand"), m_expansion);
  encoder.closeTag(QStringLiteral("textinfo"));
}

// ---- Merging and pasting -------------------------------------------------------------

void DRTextInfo::intersectWith(const DRTextInfo& other) {
  if (!AreKolorsEqual(m_textKolor, other.m_textKolor)) m_textKolor = kMixedTextKolor;
  if (!AreKolorsEqual(m_backKolor, other.m_backKolor)) m_backKolor = kMixedTextKolor;
  if (m_bold != other.m_bold) m_bold = kMixedTextFlag;
  if (m_italic != other.m_italic) m_italic = kMixedTextFlag;
  if (m_underlined != other.m_underlined) m_underlined = kMixedTextFlag;
  if (m_alignment != other.m_alignment) m_alignment = kMixedTextAlignment;
  if (!m_font || !other.m_font || *m_font != *other.m_font) m_font.reset();
  if (m_expansion != other.m_expansion) m_expansion = kMixedMeasure;
}

DRTextInfo DRTextInfo::pasteInto(const DRTextInfo& target) const {
  DRTextInfo result = target;
  if (!AreKolorsEqual(m_textKolor, kMixedTextKolor)) result.setTextColor(m_textKolor);
  if (!AreKolorsEqual(m_backKolor, kMixedTextKolor)) result.setBackColor(m_backKolor);
  if (m_alignment >= 0) result.setAlignment(m_alignment);
  if (m_bold != kMixedTextFlag) result.setBold(m_bold);
  if (m_italic != kMixedTextFlag) result.setItalic(m_italic);
  if (m_underlined != kMixedTextFlag) result.setUnderlined(m_underlined);
  if (m_font) result.setFont(*m_font);
  return result;
}
