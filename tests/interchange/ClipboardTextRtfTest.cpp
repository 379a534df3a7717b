#include <gtest/gtest.h>

#include <QFontDatabase>

#include "QStringPrinter.h"
#include "interchange/ClipboardText.h"
#include "model/DRTextInfo.h"
#include "support/Kolor.h"
#include "support/ThreadStorage.h"

namespace {

class ClipboardTextRtfTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
  }
  // A text element's styled text: DejaVu Serif bold at 18 points, red,
  // centred and underlined.
  static CSAttributedString ElementText(const QString& text) {
    QTextCharFormat format;
    QFont font(QStringLiteral("DejaVu Serif"));
    font.setPointSizeF(18);
    font.setBold(true);
    format.setFont(font, QTextCharFormat::FontPropertiesAll);
    format.setForeground(QColor(255, 0, 0));
    format.setFontUnderline(true);
    format.setProperty(QTextFormat::BlockAlignment, int(Qt::AlignHCenter));
    return CSAttributedString(text, format);
  }
};

TEST_F(ClipboardTextRtfTest, AnElementsTextIsWrittenAsSevenBitRtfInItsStyle) {
  const QByteArray rtf = ClipboardRtfFromText(ElementText(QStringLiteral("Caf\u00e9 {1}")));
  ASSERT_TRUE(rtf.startsWith("{\\rtf1")) << rtf.constData();
  EXPECT_TRUE(std::all_of(rtf.begin(), rtf.end(), [](char c) { return uchar(c) < 0x80; }));
  EXPECT_TRUE(rtf.contains("DejaVu Serif")) << rtf.constData();
  EXPECT_TRUE(rtf.contains("\\red255\\green0\\blue0;")) << rtf.constData();
  EXPECT_TRUE(rtf.contains("\\qc")) << rtf.constData();
  EXPECT_TRUE(rtf.contains("\\fs36")) << rtf.constData();
  EXPECT_TRUE(rtf.contains("Caf\\u233")) << rtf.constData();
  EXPECT_TRUE(rtf.contains("\\{1\\}")) << rtf.constData();
  EXPECT_TRUE(ClipboardRtfFromText(CSAttributedString()).isEmpty());
}

TEST_F(ClipboardTextRtfTest, WrittenRtfReadsBackWithTheFirstCharactersStyle) {
  const std::optional<CSAttributedString> read =
      ClipboardTextFromRtf(ClipboardRtfFromText(ElementText(QStringLiteral("Two\nlines"))));
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->string(), QStringLiteral("Two\nlines"));
  DRTextInfo style;
  ApplyClipboardTextStyle(*read, &style);
  EXPECT_EQ(style.fontValue().family(), QStringLiteral("DejaVu Serif"));
  EXPECT_DOUBLE_EQ(style.fontValue().pointSizeF(), 18);
  EXPECT_TRUE(style.fontValue().bold());
  EXPECT_EQ(style.textKolor(), KolorFromColor(QColor(255, 0, 0)));
  EXPECT_EQ(style.alignment(), kTextAlignCenter);
  EXPECT_TRUE(style.isUnderlined());
}

TEST_F(ClipboardTextRtfTest, RtfFromAnotherProgramKeepsItsRuns) {
  const QByteArray rtf =
      "{\\rtf1\\ansi{\\fonttbl{\\f0\\fswiss DejaVu Sans;}}{\\colortbl;\\red0\\green0\\blue255;}"
      "\\pard\\qr\\f0\\fs24\\cf1 Blue {\\i slanted}\\par}";
  const std::optional<CSAttributedString> read = ClipboardTextFromRtf(rtf);
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->string(), QStringLiteral("Blue slanted"));
  EXPECT_FALSE(read->formatAt(0).fontItalic());
  EXPECT_TRUE(read->formatAt(6).fontItalic());
  EXPECT_EQ(read->formatAt(0).foreground().color(), QColor(0, 0, 255));
  DRTextInfo style;
  ApplyClipboardTextStyle(*read, &style);
  EXPECT_EQ(style.alignment(), kTextAlignRight);
}

TEST_F(ClipboardTextRtfTest, UnreadableRtfGivesNothing) {
  const QByteArray cases[] = {
      QByteArray(),
      QByteArray("plain words"),
      QByteArray("{\\rtf1 \\par}"),
      QByteArray(2, '{'),
  };
  for (const QByteArray& rtf : cases) EXPECT_FALSE(ClipboardTextFromRtf(rtf).has_value()) << rtf.constData();
  EXPECT_FALSE(ClipboardTextFromRtf(QByteArray(kMaxClipboardTextBytes + 1, ' ')).has_value());
}

}  // namespace
