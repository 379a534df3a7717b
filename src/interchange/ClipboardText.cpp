#include "interchange/ClipboardText.h"

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <algorithm>
#include <cmath>

#include "model/DRTextInfo.h"
#include "model/TextLayout.h"
#include "support/ImageFunctions.h"
#include "support/Kolor.h"
#include "support/Pasteboard.h"

QByteArray ClipboardRtfFromText(const CSAttributedString& text) {
  (void)text;
  return QByteArray();
}

std::optional<CSAttributedString> ClipboardTextFromRtf(const QByteArray& rtf) {
  (void)rtf;
  return std::nullopt;
}

std::optional<CSAttributedString> ClipboardTextFromHtml(const QByteArray& html) {
  if (html.isEmpty() || html.size() > kMaxClipboardTextBytes) return std::nullopt;
  QTextDocument document;
  document.setHtml(QString::fromUtf8(html));
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
