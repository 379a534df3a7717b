#include "richtext/RtfTokenizer.h"

#include <gtest/gtest.h>

#include <QDir>
#include <QFile>

#include "QStringPrinter.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/RtfDialect.h"
#include "richtext/RtfWriter.h"
#include "richtext/TextExtraction.h"
#include "support/ThreadStorage.h"

namespace {

struct ScanResult {
  bool ok = false;
  QString text;
  QString message;
};

ScanResult Scan(const QByteArray& rtf, bool lenient = false) {
  ScanResult result;
  result.ok = ScanRtfText(
      rtf,
      [&](QStringView text) {
        result.text.append(text);
        return true;
      },
      lenient, &result.message);
  return result;
}

TEST(RtfTokenizerTest, HexEscapesAndUnicodeDecodeThroughTheEncoding) {
  struct Case {
    QByteArray rtf;
    QString text;
  };
  const Case cases[] = {
      {R"({\rtf1\ansi\ansicpg1252 caf\'e9})", QStringLiteral("caf\u00e9")},
      // Two escapes in a row are one character of a double-byte code page.
      {R"({\rtf1\ansi\ansicpg932 \'82\'a0})", QStringLiteral("\u3042")},
      // Character set 128 is code page 932 for the font's text.
      {R"({\rtf1\ansi{\fonttbl{\f1\fnil\fcharset128 Gothic;}}\f1 \'82\'a0\plain\'e9})",
       QStringLiteral("\u3042\u00e9")},
      {R"({\rtf1\mac \'8e})", QStringLiteral("\u00e9")},
      // A negative Unicode escape is its 16-bit unit; symbol-font units read
      // as a bullet outside the platform's rich text.
      {R"({\rtf1 \u-3913?x})", QStringLiteral("\u2022x")},
      {R"({\rtf1\cocoartf100 \u-3913?x})", QStringLiteral("\uf0b7x")},
      // The fallback characters after a Unicode escape are skipped.
      {R"({\rtf1\uc1 \u233?\u233\'3fa})", QStringLiteral("\u00e9\u00e9a")},
      {R"({\rtf1\uc0 \u233?})", QStringLiteral("\u00e9?")},
      {R"({\rtf1 a\tab b\par c\page d\~\_\{\}\\})",
       QStringLiteral("a\tb\nc\u000bd\u00a0\u2011{}\\")},
      // Unknown ignorable destinations and tables are no text.
      {R"({\rtf1 {\*\unknownthing {x}y}a{\colortbl;\red1;}b{\*\generator TindleWick;}c})",
       QStringLiteral("abc")},
      {"{\\rtf1 a\r\nb\\\nc}", QStringLiteral("ab\nc")},
  };
  for (const Case& c : cases) {
    const ScanResult result = Scan(c.rtf);
    EXPECT_TRUE(result.ok) << c.rtf.constData() << " " << qPrintable(result.message);
    EXPECT_EQ(result.text, c.text) << c.rtf.constData();
  }
}

TEST(RtfTokenizerTest, BadInputIsRefusedWithItsMessageOrReadLeniently) {
  const QString malformed = g_rtfMalformedMessage;
  struct Case {
    const char* name;
    QByteArray rtf;
    bool ok;
    QString textOrMessage;
  };
  const QByteArray deep = "{\\rtf1 " + QByteArray(100000, '{') + "x" + QByteArray(100000, '}') + "}";
  const QByteArray allowed = "{\\rtf1 " + QByteArray(998, '{') + "x" + QByteArray(998, '}') + "}";
  const Case cases[] = {
      {"no rtf word", "{\\ansi hello}", false, malformed},
      {"not a group", "\\rtf1 hello", false, malformed},
      {"version 2", "{\\rtf2 hello}", false, malformed},
      {"ends inside a group", "{\\rtf1 {\\b hello}", false, malformed},
      {"extra brace: the document ends at its brace", "{\\rtf1 a}}b", true, QStringLiteral("a")},
      {"100,000 nested groups", deep, false, malformed},
      {"1,000 levels are allowed", allowed, true, QStringLiteral("x")},
      {"30-digit parameter saturates", "{\\rtf1 \\fs123456789012345678901234567890 x}", true, QStringLiteral("x")},
      {"bin past the end", "{\\rtf1 {\\*\\crvnx \\bin100 ab}}", false, malformed},
      {"bin inside a skipped group hides braces", "{\\rtf1 {\\pict\\bin2 }{}a}", true, QStringLiteral("a")},
      {"odd hex", "{\\rtf1 \\'e}", false, malformed},
      {"bad hex", "{\\rtf1 \\'zz}", false, malformed},
      {"bare list table", "{\\rtf1 {\\listtable{\\list{\\listlevel x}}}y}", true, QStringLiteral("y")},
      {"stray cell", "{\\rtf1 a\\cell b}", true, QStringLiteral("a\nb")},
      {"backslash at the end", "{\\rtf1 a\\", false, malformed},
  };
  for (const Case& c : cases) {
    const ScanResult result = Scan(c.rtf);
    EXPECT_EQ(result.ok, c.ok) << c.name;
    EXPECT_EQ(c.ok ? result.text : result.message, c.textOrMessage) << c.name;
  }
  // The lenient reading skips bad escapes.
  const ScanResult lenient = Scan("{\\rtf1 a\\'zzb}", true);
  EXPECT_TRUE(lenient.ok);
  EXPECT_EQ(lenient.text, QStringLiteral("azzb"));
  // A refusing inserter ends the read with the memory message.
  QString message;
  EXPECT_FALSE(ScanRtfText("{\\rtf1 a}", [](QStringView) { return false; }, false, &message));
  EXPECT_EQ(message, g_rtfMemoryMessage);
}

TEST(RtfTokenizerTest, TokensCarryWordsGroupsAndBinaryData) {
  RtfTokenizer tokenizer("{\\rtf1{\\*\\crvntag x}\\bin3 {}\\par}");
  EXPECT_EQ(tokenizer.next(), kRtfTokenGroupStart);
  ASSERT_EQ(tokenizer.next(), kRtfTokenWord);
  EXPECT_EQ(tokenizer.keyword(), RtfKey("rtf"));
  EXPECT_EQ(tokenizer.parameter(), 1);
  EXPECT_EQ(tokenizer.next(), kRtfTokenGroupStart);
  EXPECT_EQ(tokenizer.depth(), 2u);
  ASSERT_EQ(tokenizer.next(), kRtfTokenWord);
  EXPECT_EQ(tokenizer.keyword(), RtfKey("crvntag"));
  EXPECT_TRUE(tokenizer.state().ignorable);
  ASSERT_EQ(tokenizer.next(), kRtfTokenText);
  EXPECT_EQ(tokenizer.text(), QStringLiteral("x"));
  EXPECT_EQ(tokenizer.next(), kRtfTokenGroupEnd);
  ASSERT_EQ(tokenizer.next(), kRtfTokenWord);
  EXPECT_EQ(tokenizer.keyword(), RtfKey("bin"));
  EXPECT_EQ(tokenizer.binary(), QByteArray("{}\\"));
  EXPECT_EQ(tokenizer.next(), kRtfTokenText);  // "par}" after the three bytes
  EXPECT_EQ(tokenizer.text(), QStringLiteral("par"));
  EXPECT_EQ(tokenizer.next(), kRtfTokenEnd);
  EXPECT_EQ(tokenizer.next(), kRtfTokenEnd);
}

TEST(RtfTokenizerTest, WrittenTextScansBackToTheSameText) {
  if (!GetThreadStorage()) AllocateThreadStorage(QString());
  RichTextBuilder builder;
  const QString body = QString::fromUtf16(
      u"plain {braces} \\ back;slash\ttab \u00e9t\u00e9 1\u00e92 \u2013\u2014\u2018\u2019\u201c\u201d\u2022\n"
      u"astral \U0001F600 and \u00a0\u2011 \u4e2d\u6587\nlast\n");
  builder.text(body);
  const DocRange range{builder.doc(), RichTextBuilder::kBodyStart, builder.doc()->textLimit};
  for (uint32_t flags : {0u, uint32_t(kRtfClipboardMode)}) {
    const QString rtf = ExportRtf(range, QString(), flags);
    const ScanResult result = Scan(rtf.toLatin1());
    EXPECT_TRUE(result.ok) << qPrintable(result.message);
    EXPECT_EQ(result.text, ExtractPlainText(range, false)) << qPrintable(rtf);
  }
}

TEST(RtfTokenizerTest, CorpusFilesScanOrAreRefusedWithTheMessage) {
  const QDir folder(QStringLiteral(TWDRAW_SOURCE_DIR "/../shared/corpora/rtf/pandoc"));
  const QStringList files = folder.entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
  if (files.isEmpty()) GTEST_SKIP() << "the RTF corpus is not present";
  for (const QString& name : files) {
    QFile file(folder.filePath(name));
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << qPrintable(name);
    const ScanResult result = Scan(file.readAll());
    if (result.ok)
      EXPECT_TRUE(result.message.isEmpty()) << qPrintable(name);
    else
      EXPECT_EQ(result.message, g_rtfMalformedMessage) << qPrintable(name);
  }
  // Unicode escapes skip their fallbacks, a group's "uc" ends with it.
  QFile unicode(folder.filePath(QStringLiteral("unicode.rtf")));
  if (unicode.open(QIODevice::ReadOnly))
    EXPECT_EQ(Scan(unicode.readAll()).text, QStringLiteral("\u201chi\u201d\u2018hi\u2019\u2022\u03b1\u00e4\n"));
  QFile table(folder.filePath(QStringLiteral("table_simple.rtf")));
  if (table.open(QIODevice::ReadOnly))
    EXPECT_EQ(Scan(table.readAll()).text, QStringLiteral("\nA \nB \nC \nD \nE \nF \nG \nH \n"));
}

}  // namespace
