#pragma once
// The character style of a text element and of a scribble's caption: font,
// bold, italic, underline, text and background colours, alignment and letter
// spacing. It turns strings into styled text for drawing and editing, reads
// and writes the "textinfo" record, and merges and pastes styles for the
// inspector and the style commands.
//
// A merged style (intersectWith) marks fields that differ as mixed: 2 for
// the flags, -1 for the alignment, no font, kMixedTextKolor for the colours
// and kMixedMeasure for the expansion.

#include <QFont>
#include <QMetaType>
#include <QString>
#include <QTextCharFormat>
#include <functional>
#include <optional>

#include "support/CSAttributedString.h"
#include "support/Kolor.h"
#include "support/Measure.h"

class CSXmlDecoder;
class CSXmlEncoder;

constexpr Kolor kMixedTextKolor = 0xFF000000;
constexpr int kMixedTextFlag = 2;
constexpr int64_t kMixedTextAlignment = -1;

// Alignment codes of the style (the platform's text alignment codes).
constexpr int64_t kTextAlignLeft = 0;
constexpr int64_t kTextAlignRight = 1;
constexpr int64_t kTextAlignCenter = 2;
constexpr int64_t kTextAlignJustified = 3;

class DRTextInfo {
  Q_GADGET
  Q_PROPERTY(QFont font READ fontValue WRITE setFont)
  Q_PROPERTY(Kolor textKolor READ textKolor WRITE setTextKolor)
  Q_PROPERTY(Kolor backKolor READ backKolor WRITE setBackKolor)
  Q_PROPERTY(int isBold READ isBold WRITE setBold)
  Q_PROPERTY(int isItalic READ isItalic WRITE setItalic)
  Q_PROPERTY(int isUnderlined READ isUnderlined WRITE setUnderlined)
  Q_PROPERTY(qlonglong alignment READ alignment WRITE setAlignment)
  Q_PROPERTY(qlonglong expansion READ expansion WRITE setExpansion)

 public:
  // The defaults: the default user font at the system font size, opaque
  // black text on no background, plain, left aligned, no expansion.
  DRTextInfo();

  // ---- Font ----
  // No font in a merged style whose fonts differ.
  const std::optional<QFont>& font() const { return m_font; }
  QFont fontValue() const { return m_font.value_or(QFont()); }
  // Stores the font, given the bold and italic traits while those flags are set.
  void setFont(const QFont& font);

  // ---- Flags (0, 1, or 2 when mixed) ----
  int isBold() const { return m_bold; }
  int isItalic() const { return m_italic; }
  int isUnderlined() const { return m_underlined; }
  // Store the flag and set the font again, without the trait when the flag
  // is cleared.
  void setBold(int bold);
  void setItalic(int italic);
  void setUnderlined(int underlined) { m_underlined = underlined; }

  // The state of the Bold (true) or Italic (false) check box: -1 mixed, 1 on
  // (the flag is set, or the font itself has the trait), 0 off.
  int uiToggleState(bool bold) const;

  // ---- Colours ----
  Kolor textKolor() const { return m_textKolor; }
  Kolor backKolor() const { return m_backKolor; }
  // Store without registering the colour as recently used.
  void setTextKolor(Kolor kolor) { m_textKolor = kolor; }
  void setBackKolor(Kolor kolor) { m_backKolor = kolor; }
  // Store and register: the text colour as the alternate recent colour, the
  // background as the primary one.
  void setTextColor(Kolor kolor);
  void setBackColor(Kolor kolor);

  // ---- Layout ----
  int64_t alignment() const { return m_alignment; }
  // Codes other than 1-3 store 0 (left).
  void setAlignment(int64_t alignment);
  MeasureUnit expansion() const { return m_expansion; }
  void setExpansion(MeasureUnit expansion) { m_expansion = expansion; }

  // ---- Styled text ----
  // The character format with the paragraph's alignment and word wrapping;
  // hit testing draws the text black so that it shows in the hit bitmap.
  QTextCharFormat attributeDict(bool hitTesting) const;
  // The text (empty for a null one) in that format.
  CSAttributedString expressWithText(const QString& text, bool hitTesting) const;

  // ---- The "textinfo" record ----
  // Reads from the decoder positioned on the "textinfo" start tag through its
  // end tag; nullopt when the text is malformed or ends first. Fields not in
  // the record keep their defaults; an unreadable font keeps the default font.
  static std::optional<DRTextInfo> initWithXml(CSXmlDecoder& decoder);
  // Writes the whole record, "fontnum" while a drawing font table is current,
  // "font" otherwise.
  void archiveToXml(CSXmlEncoder& encoder) const;

  // ---- Merging and pasting ----
  // Marks every field that differs from the other's as mixed.
  void intersectWith(const DRTextInfo& other);
  // A copy of the target with every field of this style that is not mixed
  // applied (colours through the registering setters); the expansion is not
  // pasted.
  DRTextInfo pasteInto(const DRTextInfo& target) const;

  // ---- Font changes ----
  // Called after setFont, setBold or setItalic changed the font, so that a
  // text element can fit its height to the new font. The hook belongs to the
  // object, not its value: a copy starts without one, and assigning another
  // style keeps the target's hook.
  void setFontChangedHook(std::function<void()> hook) { m_fontChanged.callback = std::move(hook); }

  // Equal values; the hook is not compared.
  bool operator==(const DRTextInfo& other) const;

 private:
  struct Hook {
    std::function<void()> callback;
    Hook() = default;
    Hook(const Hook&) {}
    Hook& operator=(const Hook&) { return *this; }
  };

  // Reads one child tag of the record.
  void readTag(CSXmlDecoder& decoder);

  std::optional<QFont> m_font;
  Kolor m_textKolor = g_blackKolor;
  Kolor m_backKolor = g_nilKolor;
  int m_bold = 0;
  int m_italic = 0;
  int m_underlined = 0;
  int64_t m_alignment = kTextAlignLeft;
  MeasureUnit m_expansion = 0;
  Hook m_fontChanged;
};

Q_DECLARE_METATYPE(DRTextInfo)
