#include <gtest/gtest.h>

#include <QProcess>
#include <QStandardPaths>

#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"

namespace {

const QString kDecl = QStringLiteral("<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n");

// What xmllint says of the text as a file's UTF-8: empty when it is
// well-formed XML.
QString XmlLintComplaints(const QString& xml) {
  const QString xmllint = QStandardPaths::findExecutable(QStringLiteral("xmllint"));
  if (xmllint.isEmpty()) return QStringLiteral("xmllint is not installed (libxml2-utils)");
  QProcess lint;
  lint.start(xmllint, {QStringLiteral("--noout"), QStringLiteral("-")});
  if (!lint.waitForStarted()) return QStringLiteral("xmllint did not start");
  lint.write(xml.toUtf8());
  lint.closeWriteChannel();
  lint.waitForFinished(-1);
  const QString complaints = QString::fromUtf8(lint.readAllStandardError());
  if (lint.exitStatus() != QProcess::NormalExit || lint.exitCode() != 0)
    return complaints.isEmpty() ? QStringLiteral("xmllint failed") : complaints;
  return QString();
}

}  // namespace

TEST(CSXmlEncoder, NewWritersStartWithTheDeclarationOrNothing) {
  EXPECT_EQ(CSXmlEncoder().xml(), kDecl);
  EXPECT_EQ(CSXmlEncoder(4096).xml(), kDecl);
  EXPECT_TRUE(CSXmlEncoder().isEmpty());
  EXPECT_EQ(CSXmlEncoder::createForSvg().xml(), QString());
}

TEST(CSXmlEncoder, GoldenTexts) {
  struct Row {
    const char* name;
    void (*write)(CSXmlEncoder&);
    const char* expected;  // after the declaration
  } rows[] = {
      {"open and close on one line",
       [](CSXmlEncoder& e) {
         e.openTag("a");
         e.closeTag("a");
       },
       "<a></a>\n"},
      {"child indented by a tab",
       [](CSXmlEncoder& e) {
         e.openTag("a");
         e.addTag("b", "x");
         e.closeTag("a");
       },
       "<a>\n\t<b>x</b>\n</a>\n"},
      {"two levels",
       [](CSXmlEncoder& e) {
         e.openTag("a");
         e.openTag("b");
         e.addTagWithNumber("c", -7);
         e.closeTag("b");
         e.openTag("d");
         e.closeTag("d");
         e.closeTag("a");
       },
       "<a>\n\t<b>\n\t\t<c>-7</c>\n\t</b>\n\t<d></d>\n</a>\n"},
      {"escaped value", [](CSXmlEncoder& e) { e.addTag("t", "a<b"); }, "<t>a&lt;b</t>\n"},
      {"all four escapes and kept white space", [](CSXmlEncoder& e) { e.addTag("t", "&<>\"'\t\n\r"); },
       "<t>&amp;&lt;&gt;&quot;'\t\n\r</t>\n"},
      {"other control characters become blanks",
       [](CSXmlEncoder& e) { e.addTag("t", QString::fromUtf16(u"a\u0001b\u001Fc\u007Fd\u0085e")); },
       "<t>a b c d e</t>\n"},
      {"number", [](CSXmlEncoder& e) { e.addTagWithNumber("t", 5); }, "<t>5</t>\n"},
      {"long number", [](CSXmlEncoder& e) { e.addTagWithLongNumber("t", INT64_C(-9223372036854775807)); },
       "<t>-9223372036854775807</t>\n"},
      {"empty value is an empty element", [](CSXmlEncoder& e) { e.addTag("t", ""); }, "<t/>\n"},
      {"null value writes nothing", [](CSXmlEncoder& e) { e.addTag("t", QString()); }, ""},
      {"safe value unescaped", [](CSXmlEncoder& e) { e.openTag("t", "<b/>", true); }, "<t><b/></t>\n"},
      {"attributes go into the next tag and are gone",
       [](CSXmlEncoder& e) {
         e.addAttribute("x", "1 & 2");
         e.addAttributeWithNumber("n", -3);
         e.addTag("t", "v");
         e.addTag("u", "w");
       },
       "<t x=\"1 &amp; 2\" n=\"-3\">v</t>\n<u>w</u>\n"},
      {"empty attribute value adds nothing",
       [](CSXmlEncoder& e) {
         e.addAttribute("x", "");
         e.addAttribute("y", QString());
         e.openAndCloseTag("t");
       },
       "<t/>\n"},
      {"attributes on open and empty-element tags",
       [](CSXmlEncoder& e) {
         e.addAttribute("q", "\"");
         e.openTag("a");
         e.addAttribute("k", "v");
         e.openAndCloseTag("b");
         e.closeTag("a");
       },
       "<a q=\"&quot;\">\n\t<b k=\"v\"/>\n</a>\n"},
      {"an unmatched close does not wrap the level",
       [](CSXmlEncoder& e) {
         e.closeTag("x");
         e.addTag("t", "1");
       },
       "</x>\n<t>1</t>\n"},
  };
  for (const Row& row : rows) {
    CSXmlEncoder encoder;
    row.write(encoder);
    EXPECT_EQ(encoder.xml(), kDecl + QString::fromUtf8(row.expected)) << row.name;
  }
}

TEST(CSXmlEncoder, SvgNamespaceOnlyOnTheFirstTag) {
  CSXmlEncoder encoder = CSXmlEncoder::createForSvg();
  encoder.addAttributeWithNumber("width", 10);
  encoder.openTag("svg");
  encoder.openAndCloseTag("rect");
  encoder.closeTag("svg");
  EXPECT_EQ(encoder.xml(), "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"10\">\n\t<rect/>\n</svg>\n");
  EXPECT_FALSE(encoder.isEmpty());
}

TEST(CSXmlEncoder, InsertionPoints) {
  // Written after the point, then an insertion: the third stands before the two.
  CSXmlEncoder encoder;
  encoder.openTag("root");
  encoder.saveInsertionPoint();
  encoder.addTag("first", "1");
  encoder.addTag("second", "2");
  encoder.beginInsertion();
  encoder.addTag("third", "3");
  encoder.endInsertion();
  encoder.closeTag("root");
  EXPECT_EQ(encoder.xml(), kDecl + "<root>\n\t<third>3</third>\n\t<first>1</first>\n\t<second>2</second>\n</root>\n");
  EXPECT_TRUE(encoder.savedTail().isEmpty());
}

TEST(CSXmlEncoder, TwoPointsAtOnePlaceFillInOrder) {
  // The package writer's pattern: the later point gets "images", then the
  // earlier one "fonts", which therefore stands before "images".
  CSXmlEncoder encoder;
  encoder.openTag("drawing");
  encoder.addTagWithNumber("version", 1);
  encoder.saveInsertionPoint();
  encoder.saveInsertionPoint();
  encoder.openTag("elements");
  encoder.closeTag("elements");
  encoder.beginInsertion();
  encoder.beginInsertion();  // ignored while one is under way
  encoder.openTag("images");
  encoder.closeTag("images");
  encoder.endInsertion();
  encoder.endInsertion();  // ignored: none under way
  encoder.beginInsertion();
  encoder.openTag("fonts");
  encoder.addTag("font", "F");
  encoder.closeTag("fonts");
  encoder.endInsertion();
  encoder.closeTag("drawing");
  EXPECT_EQ(encoder.xml(), kDecl +
                               "<drawing>\n\t<version>1</version>\n\t<fonts>\n\t\t<font>F</font>\n\t</fonts>\n"
                               "\t<images></images>\n\t<elements></elements>\n</drawing>\n");
}

TEST(CSXmlEncoder, CancelledAndEmptyInsertions) {
  CSXmlEncoder encoder;
  encoder.openTag("a");
  encoder.saveInsertionPoint();
  encoder.cancelInsertion();
  encoder.cancelInsertion();  // nothing left: harmless
  encoder.beginInsertion();   // no point: nothing happens
  encoder.addTag("b", "1");
  encoder.closeTag("a");
  EXPECT_EQ(encoder.xml(), kDecl + "<a>\n\t<b>1</b>\n</a>\n");

  // An insertion right after an open tag that wrote nothing keeps the open
  // tag's state: the close still lands on the same line.
  CSXmlEncoder other;
  other.openTag("a");
  other.saveInsertionPoint();
  other.beginInsertion();
  other.endInsertion();
  other.closeTag("a");
  EXPECT_EQ(other.xml(), kDecl + "<a></a>\n");
}

TEST(CSXmlEncoder, DeepNestingIndentsByLevel) {
  CSXmlEncoder encoder;
  for (int i = 0; i < 40; ++i) encoder.openTag("g");
  encoder.addTag("t", "x");
  for (int i = 0; i < 40; ++i) encoder.closeTag("g");
  const QStringList lines = encoder.xml().split(u'\n');
  ASSERT_EQ(lines.size(), 1 + 40 + 1 + 40 + 1);
  EXPECT_EQ(lines[41], QString(40, u'\t') + "<t>x</t>");
  EXPECT_EQ(lines[42], QString(39, u'\t') + "</g>");
  EXPECT_EQ(encoder.level(), 0u);
}

TEST(CSXmlEncoder, InsertionPointInAnElementClosedEmptyStaysInside) {
  // A point saved right after an open tag, the element then closed with
  // nothing in it: what is inserted later lands inside the element, whether
  // the insertion writes something or nothing.
  struct Row {
    const char* name;
    bool insertSomething;
    const char* expected;  // after the declaration
  } rows[] = {
      {"filled later", true, "<root>\n\t<list>\n\t\t<item>1</item>\n\t</list>\n\t<tail>t</tail>\n</root>\n"},
      {"left empty", false, "<root>\n\t<list>\n\t</list>\n\t<tail>t</tail>\n</root>\n"},
  };
  for (const Row& row : rows) {
    CSXmlEncoder encoder;
    encoder.openTag("root");
    encoder.openTag("list");
    encoder.saveInsertionPoint();
    encoder.closeTag("list");
    encoder.addTag("tail", "t");
    encoder.beginInsertion();
    if (row.insertSomething) encoder.addTag("item", "1");
    encoder.endInsertion();
    encoder.closeTag("root");
    EXPECT_EQ(encoder.xml(), kDecl + row.expected) << row.name;
    EXPECT_EQ(XmlLintComplaints(encoder.xml()), QString()) << row.name;
  }
}

TEST(CSXmlEncoder, NoncharactersAndLoneSurrogatesStillGiveReadableXml) {
  // U+FFFE and U+FFFF are no XML characters: they become blanks, as control
  // characters do. A lone surrogate becomes a replacement character when the
  // text is stored as UTF-8, which any reader takes.
  const QString value = QStringLiteral("a") + QChar(0xFFFE) + QStringLiteral("b") + QChar(0xFFFF) + QStringLiteral("c") +
                        QChar(0xD800) + QStringLiteral("d") + QChar(0xDC00) + QStringLiteral("<e\u00E9>") +
                        QChar(0xD83D) + QChar(0xDE00) + QChar(0x0001);
  const QString lone = QString::fromUtf8(QString(QChar(0xD800)).toUtf8());  // what UTF-8 storage makes of it
  ASSERT_EQ(lone.size(), 1);
  const QString expected =
      QStringLiteral("a b c") + lone + "d" + lone + QStringLiteral("<e\u00E9>") + QChar(0xD83D) + QChar(0xDE00) + " ";
  CSXmlEncoder encoder;
  encoder.addAttribute("name", value);
  encoder.openTag("root");
  encoder.addTag("t", value);
  encoder.closeTag("root");
  const QByteArray utf8 = encoder.xml().toUtf8();
  EXPECT_EQ(XmlLintComplaints(encoder.xml()), QString());

  std::unique_ptr<CSXmlDecoder> decoder = CSXmlDecoder::createWithData(utf8);
  ASSERT_TRUE(decoder);
  QString attribute, text;
  while (decoder->getNextTag()) {
    if (decoder->xmlTag() == "root" && decoder->startTag()) attribute = decoder->attributes().value("name");
    if (decoder->xmlTag() == "t") text = decoder->value();
  }
  EXPECT_TRUE(decoder->error().isNull()) << decoder->error().toStdString();
  EXPECT_EQ(text, expected);
  EXPECT_EQ(attribute, expected);
}
