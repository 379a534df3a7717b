#include "interchange/ClipboardText.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <algorithm>
#include <cmath>
#include <memory>

#include "model/DRTextInfo.h"
#include "model/TextLayout.h"
#include "richtext/AttributedExport.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/Editing.h"
#include "richtext/FontNames.h"
#include "richtext/PropertyChanges.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"
#include "richtext/Styles.h"
#include "support/ImageFunctions.h"
#include "support/Kolor.h"
#include "support/Pasteboard.h"

namespace {

struct DocumentDeleter {
  void operator()(CorvaneDoc* doc) const { DestroyDocument(doc); }
};
using OwnedDocument = std::unique_ptr<CorvaneDoc, DocumentDeleter>;

// The character record of a text's format: the document's default with the
// format's font, size, traits, colours and spacing.
Properties CharRecordForFormat(CorvaneDoc* doc, const QTextCharFormat& format) {
  Properties record;
  SetDefaultProperties(doc, kCharProperties, &record);
  CharProps& props = record.body.charProps;
  const QFont font = format.font();
  if (!font.family().isEmpty()) props.font = IndexOfFont(font.family());
  if (font.pointSizeF() > 0) props.size = int16_t(std::clamp(std::lround(font.pointSizeF() * 4), 16L, 8000L));
  props.bold = font.bold() ? 1 : 0;
  props.italic = font.italic() ? 1 : 0;
  props.underline = format.fontUnderline() ? 1 : 0;
  props.strike = font.strikeOut() ? 1 : 0;
  props.color = kBlackKolor;
  if (format.hasProperty(QTextFormat::ForegroundBrush)) props.color = KolorFromColor(format.foreground().color());
  if (format.hasProperty(QTextFormat::BackgroundBrush)) props.back = KolorFromColor(format.background().color());
  if (format.fontLetterSpacingType() == QFont::AbsoluteSpacing && std::isfinite(format.fontLetterSpacing()))
    props.expand = int64_t(std::llround(format.fontLetterSpacing() * kMeasurePerPoint));
  return record;
}

// The engine's paragraph alignment (left, centre, justified, right) of a
// format's block alignment.
uint32_t ParagraphAlignmentCode(const QTextCharFormat& format) {
  if (!format.hasProperty(QTextFormat::BlockAlignment)) return 0;
  const Qt::Alignment alignment = Qt::Alignment(format.intProperty(QTextFormat::BlockAlignment));
  if (alignment & Qt::AlignHCenter) return 1;
  if (alignment & Qt::AlignJustify) return 2;
  if (alignment & Qt::AlignRight) return 3;
  return 0;
}

// Each paragraph's fragments with their character formats, paragraphs
// joined by line feeds, the first paragraph's alignment on the first run
// when it has one. nullopt when there is no text.
std::optional<CSAttributedString> AttributedStringFromTextDocument(const QTextDocument& document) {
  CSAttributedString text;
  bool firstBlock = true;
  for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
    if (!firstBlock) text.append(QStringLiteral("\n"), text.formatAt(text.length() - 1));
    const qsizetype blockStart = text.length();
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextFragment fragment = it.fragment();
      if (fragment.isValid()) text.append(fragment.text(), fragment.charFormat());
    }
    if (firstBlock && block.blockFormat().hasProperty(QTextFormat::BlockAlignment) && text.length() > blockStart) {
      QTextCharFormat alignment;
      alignment.setProperty(QTextFormat::BlockAlignment, block.blockFormat().property(QTextFormat::BlockAlignment));
      text.mergeFormat(0, text.length(), alignment);
    }
    firstBlock = false;
  }
  if (text.isEmpty()) return std::nullopt;
  return text;
}

}  // namespace

QByteArray ClipboardRtfFromText(const CSAttributedString& text) {
  if (text.isEmpty()) return QByteArray();
  OwnedDocument doc(NewCorvaneDoc(kTemporaryDocument));
  if (!doc) return QByteArray();
  DocRange body;
  GetDocumentRange(doc.get(), &body, false);
  const DocRange insertion{doc.get(), body.first, body.first};
  if (!ReplaceRangeWithString(&insertion, text.string())) return QByteArray();
  // One style for the whole text: the element's, as its first character has it.
  const QTextCharFormat format = text.formatAt(0);
  const DocRange inserted{doc.get(), body.first, body.first + uint32_t(text.length())};
  const Properties chars = CharRecordForFormat(doc.get(), format);
  Properties para;
  SetDefaultProperties(doc.get(), kParaProperties, &para);
  para.body.para.align = ParagraphAlignmentCode(format);
  if (!ApplyPropsToRange(&inserted, &chars, 0) || !ApplyPropsToRange(&inserted, &para, 0)) return QByteArray();
  const QString rtf = ExportRtf(inserted, QString(), kRtfClipboardMode);
  // The writer escapes everything past 7 bits.
  for (const QChar unit : rtf)
    if (unit.unicode() > 0x7F) return QByteArray();
  return rtf.toLatin1();
}

std::optional<CSAttributedString> ClipboardTextFromRtf(const QByteArray& rtf) {
  if (rtf.isEmpty() || rtf.size() > kMaxClipboardTextBytes) return std::nullopt;
  OwnedDocument doc(NewCorvaneDoc(kTemporaryDocument));
  if (!doc) return std::nullopt;
  QString message;
  if (!ImportRtf(doc.get(), rtf, 0, 0, QString(), &message)) return std::nullopt;
  DocRange body;
  GetDocumentRange(doc.get(), &body, false);
  const std::unique_ptr<QTextDocument> exported = ExportAttributedText(doc.get(), body.first, body.limit, nullptr, 1.0);
  if (!exported) return std::nullopt;
  return AttributedStringFromTextDocument(*exported);
}

std::optional<CSAttributedString> ClipboardTextFromHtml(const QByteArray& html) {
  if (html.isEmpty() || html.size() > kMaxClipboardTextBytes) return std::nullopt;
  QTextDocument document;
  document.setHtml(QString::fromUtf8(html));
  return AttributedStringFromTextDocument(document);
}

namespace {

bool IsStyledType(const QString& type) {
  return type == g_rtfType || type == g_rtfAlternateType || type == g_htmlType;
}

std::optional<QString> PlainString(const QMimeData* pasteboard) {
  if (!pasteboard->hasFormat(g_plainStringType)) return std::nullopt;
  if (pasteboard->data(g_plainStringType).size() > kMaxClipboardTextBytes) return std::nullopt;
  return pasteboard->text();
}

}  // namespace

std::optional<DRClipboardText> ReadClipboardText(const QMimeData* pasteboard, const QString& type) {
  if (!pasteboard) return std::nullopt;
  if (IsStyledType(type)) {
    const QByteArray data = pasteboard->data(type);
    std::optional<CSAttributedString> styled;
    if (data.size() <= kMaxClipboardTextBytes) {
      styled = type == g_htmlType ? ClipboardTextFromHtml(data) : ClipboardTextFromRtf(data);
    }
    if (styled) return DRClipboardText{styled->string(), styled};
  } else if (type != g_plainStringType) {
    return std::nullopt;
  }
  std::optional<QString> plain = PlainString(pasteboard);
  if (!plain) return std::nullopt;
  return DRClipboardText{*plain, std::nullopt};
}

QString ClipboardTextType(const QMimeData* pasteboard) {
  if (!pasteboard) return QString();
  for (const QString& type : {g_rtfType, g_rtfAlternateType, g_htmlType, g_plainStringType}) {
    if (pasteboard->hasFormat(type)) return type;
  }
  return QString();
}

void ApplyClipboardTextStyle(const CSAttributedString& text, DRTextInfo* style) {
  if (!style) return;
  const QTextCharFormat format = text.formatAt(0);
  if (format.hasProperty(QTextFormat::FontFamilies) || format.hasProperty(QTextFormat::FontPointSize)) {
    QFont font = format.font().resolve(style->fontValue());
    style->setFont(font);
  }
  if (format.hasProperty(QTextFormat::ForegroundBrush))
    style->setTextKolor(KolorFromColor(format.foreground().color()));
  if (format.hasProperty(QTextFormat::BackgroundBrush))
    style->setBackKolor(KolorFromColor(format.background().color()));
  style->setUnderlined(format.fontUnderline() ? 1 : 0);
  if (format.hasProperty(QTextFormat::BlockAlignment)) {
    const Qt::Alignment alignment = Qt::Alignment(format.intProperty(QTextFormat::BlockAlignment));
    if (alignment & Qt::AlignHCenter)
      style->setAlignment(kTextAlignCenter);
    else if (alignment & Qt::AlignRight)
      style->setAlignment(kTextAlignRight);
    else if (alignment & Qt::AlignJustify)
      style->setAlignment(kTextAlignJustified);
    else
      style->setAlignment(kTextAlignLeft);
  }
}

double ClipboardTextLayoutWidth(double width) {
  const float points = std::isfinite(width) ? float(width) : 0.0f;
  return double(std::max(points, 100.0f) - 32.0f);
}

CSImage CreateImageOfClipboardText(const CSAttributedString& text, double width) {
  if (text.isEmpty()) return CSImage();
  const QSizeF size = TextBoxSize(text, ClipboardTextLayoutWidth(width));
  CSImage image = CSImage::initWithSize(size);
  if (image.isNull() || !LockImageFocus(&image)) return CSImage();
  DrawTextBox(nullptr, text, QRectF(QPointF(0, 0), size));
  UnlockImageFocus(&image);
  return image;
}
