#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QRandomGenerator>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <functional>

#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/FileErrors.h"
#include "support/XmlHelpers.h"

namespace {

// Installs a small class-wide table for the test and puts the old one back.
class CSXmlDecoderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_saved = CSXmlDecoder::sharedKeyDecoder();
    CSXmlDecoder::setSharedKeyDecoder({});
    const char* names[] = {"root", "child", "t", "a", "b", "c", "elements", "element", "right", "3d"};
    for (uint32_t i = 0; i < std::size(names); ++i) CSXmlDecoder::addDecoderKey(i + 1, QString::fromUtf8(names[i]));
  }
  void TearDown() override { CSXmlDecoder::setSharedKeyDecoder(m_saved); }

 private:
  CSXmlKeyTable m_saved;
};

QString Visible(const QString& text) {
  QString out = text;
  out.replace(u'\t', QStringLiteral("\\t")).replace(u'\n', QStringLiteral("\\n")).replace(u'\r', QStringLiteral("\\r"));
  return out;
}

// One step as "name:key kind Llevel [v=value] [{attributes}]"; kind is S, E,
// SE (complete element) or T (text run). Attributes are listed by name, or
// in document order in SVG mode.
QString Step(const CSXmlDecoder& d, bool withValue = true) {
  QString kind = d.startTag() && d.endTag() ? "SE" : d.startTag() ? "S" : d.endTag() ? "E" : "T";
  QString line = QStringLiteral("%1:%2 %3 L%4").arg(d.xmlTag()).arg(d.key()).arg(kind).arg(d.level());
  if (withValue && !d.value().isNull()) line += " v=" + Visible(d.value());
  QStringList parts;
  if (d.isSvg()) {
    for (qsizetype i = 0; i + 1 < d.orderedAttributes().size(); i += 2)
      parts << d.orderedAttributes()[i] + "=" + Visible(d.orderedAttributes()[i + 1]);
  } else {
    for (auto it = d.attributes().cbegin(); it != d.attributes().cend(); ++it)
      parts << it.key() + "=" + Visible(it.value());
    parts.sort();
  }
  if (!parts.isEmpty()) line += " {" + parts.join(",") + "}";
  return line;
}

QStringList ReadAll(CSXmlDecoder& d) {
  QStringList steps;
  while (d.getNextTag()) steps << Step(d);
  if (!d.error().isNull()) steps << "error: " + d.error();
  return steps;
}

const char* kDecl = "<?xml version=\"1.0\" encoding=\"UTF-8\"?>\n";

}  // namespace

TEST_F(CSXmlDecoderTest, ReaderTable) {
  struct Row {
    const char* name;
    const char16_t* xml;
    QStringList steps;
    bool numericTags = false;
  } rows[] = {
      {"root, child with a value, end; last character is the final >",
       u"<?xml version=\"1.0\"?>\n<root>\n\t<child>5</child>\n</root>",
       {"root:1 S L1 v=\\n\\t", "child:2 SE L1 v=5", "root:1 E L0"}},
      {"comments, declarations with brackets in literals and comments",
       u"<?xml version=\"1.0\"?>\n<!DOCTYPE r [ <!ENTITY e \"<x>\"> <!-- > --> ]>\n<!-- c -->"
       u"<r a='1' b=\"x&amp;y\"><!-- in --><c/></r>\n<!-- trailing -->\n",
       {"r:0 S L1 {a=1,b=x&y}", "c:6 SE L1", "r:0 E L0"}},
      {"CDATA appended undecoded, two sections one after the other",
       u"<?xml version=\"1.0\"?><root><t>a&lt;<![CDATA[<&amp;>]]>b<![CDATA[]]]]><![CDATA[>]]></t></root>",
       {"root:1 S L1", "t:3 SE L1 v=a<<&amp;>b]]>", "root:1 E L0"}},
      {"decimal, hexadecimal, astral and invalid references",
       u"<?xml version=\"1.0\"?><t>&#65;&#x42;&#X43;&#x1F600;&#0;&#xD800;&#99999999999;&#1114112;&#;1 &lt; 2</t>",
       {QString::fromUtf16(u"t:3 SE L0 v=AB\uFFFD\U0001F600\uFFFD\uFFFD\uFFFD\uFFFD\uFFFD1 < 2")}},
      {"named entities decoded once, unknown ones removed, lone ampersand kept",
       u"<?xml version=\"1.0\"?><t a=\"&quot;&apos;&gt;\">&amp;lt; &#38;#65; &copy;x &nbsp;& y</t>",
       {"t:3 SE L0 v=&lt; &#65; x  & y {a=\"'>}"}},
      {"single quotes hold double quotes; blanks around = ; later duplicate wins",
       u"<?xml version=\"1.0\"?><t a='say \"hi\"' b = \"2\" b=\"3\"/>",
       {"t:3 SE L0 {a=say \"hi\",b=3}"}},
      {"empty elements in every form leave the level",
       u"<?xml version=\"1.0\"?><root><a/><a /><a c=\"1\"/><b></b><b>  \t</b></root>",
       {"root:1 S L1", "a:4 SE L1", "a:4 SE L1", "a:4 SE L1 {c=1}", "b:5 SE L1", "b:5 SE L1 v=  \\t", "root:1 E L0"}},
      {"mixed content: the text before the first child is the value",
       u"<?xml version=\"1.0\"?><root>text<b>1</b></root>",
       {"root:1 S L1 v=text", "b:5 SE L1 v=1", "root:1 E L0"}},
      {"a comment inside a value keeps the text around it",
       u"<?xml version=\"1.0\"?><t>ab<!-- c -->cd</t>",
       {"t:3 SE L0 v=abcd"}},
      {"numeric tag names where allowed",
       u"<?xml version=\"1.0\"?><root><3d>1</3d></root>",
       {"root:1 S L1", "3d:10 SE L1 v=1", "root:1 E L0"},
       true},
      {"processing instructions between tags are passed over",
       u"<?xml version=\"1.0\"?>\n<?xml-stylesheet href=\"a.css\"?>\n<root><?pi x?><a/></root>",
       {"root:1 S L1", "a:4 SE L1", "root:1 E L0"}},
      {"end tags never take the level below 0",
       u"<?xml version=\"1.0\"?></a></b><c/>",
       {"a:4 E L0", "b:5 E L0", "c:6 SE L0"}},
      {"end tag of another name does not close the value's element",
       u"<?xml version=\"1.0\"?><a>x</b></a>",
       {"a:4 S L1 v=x", "b:5 E L0", "a:4 E L0"}},
      {"entity references between tags are passed over",
       u"<?xml version=\"1.0\"?><root>&ent;<a/>&#32;</root>",
       {"root:1 S L1 v=", "a:4 SE L1", "root:1 E L0"}},
      {"SVG: ordered attributes, layout blanks are no value, text starting with blanks kept",
       u"<svg width=\"1\" height='2' width=\"3\">\n  <g>\n    <t x=\"0\">  hi <b>1</b></t>\n  </g>\n  <t>   "
       u"</t>\n</svg>",
       {"svg:0 S L1 {width=1,height=2,width=3}", "g:0 S L2", "t:3 S L3 v=  hi  {x=0}", "b:5 SE L3 v=1", "t:3 E L2",
        "g:0 E L1", "t:3 SE L1", "svg:0 E L0"}},
      {"SVG: a value of references that decode to blanks or nothing only lays out children",
       u"<svg><g>&#32;&unknown;<a/></g><g>&#65;<a/></g></svg>",
       {"svg:0 S L1", "g:0 S L2", "a:4 SE L2", "g:0 E L1", "g:0 S L2 v=A", "a:4 SE L2", "g:0 E L1", "svg:0 E L0"}},
      {"SVG root after a declaration selects SVG mode",
       u"<?xml version=\"1.0\"?>\n<!DOCTYPE svg PUBLIC \"-//W3C//DTD SVG 1.1//EN\" \"x.dtd\">\n<svg b=\"1\" a=\"2\">\n "
       u"<c/>\n</svg>\n",
       {"svg:0 S L1 {b=1,a=2}", "c:6 SE L1", "svg:0 E L0"}},
  };
  for (const Row& row : rows) {
    auto decoder = CSXmlDecoder::createWithString(QString::fromUtf16(row.xml));
    ASSERT_TRUE(decoder) << row.name;
    decoder->setAllowNumericTags(row.numericTags);
    EXPECT_EQ(ReadAll(*decoder), row.steps) << row.name;
    EXPECT_TRUE(decoder->isDone()) << row.name;
  }
}

TEST_F(CSXmlDecoderTest, MalformedTextsStopWithAnError) {
  struct Row {
    const char16_t* xml;
    const char* error;
    int goodSteps;
  } rows[] = {
      {u"<?xml version=\"1.0\"?><root><t>a<![CDATA[x</t></root>", "malformed CDATA at offset 0x1f", 1},
      {u"<?xml version=\"1.0\"?><t a/>", "this is not a valid XML file (offset 0x19)", 0},
      {u"<?xml version=\"1.0\"?><t a=1/>", "this is not a valid XML file (offset 0x1a)", 0},
      {u"<?xml version=\"1.0\"?><t a=\"1/>", "this is not a valid XML file (offset 0x1a)", 0},
      {u"<?xml version=\"1.0\"?>hello<t/>", "this is not a valid XML file (offset 0x15)", 0},
      {u"<?xml version=\"1.0\"?><!-- open", "this is not a valid XML file (offset 0x15)", 0},
      {u"<?xml version=\"1.0\"?><root><3d>1</3d></root>", "this is not a valid XML file (offset 0x1c)", 1},
      {u"<?xml version=\"1.0\"?><root>abc", "this is not a valid XML file (offset 0x1e)", 0},
      {u"<?xml version=\"1.0\"?><root>", "this is not a valid XML file (offset 0x1b)", 0},
      {u"<?xml version=\"1.0\"?><root><a b=\"1\"", "this is not a valid XML file (offset 0x23)", 1},
      {u"<?xml version=\"1.0\"?><root></", "this is not a valid XML file (offset 0x1d)", 1},
      {u"<?xml version=\"1.0\"?><root><>", "this is not a valid XML file (offset 0x1c)", 1},
      {u"<?xml version=\"1.0\"", "this is not a valid XML file (offset 0x0)", 0},
      {u"<?xml version=\"1.0\"?><?pi", "this is not a valid XML file (offset 0x15)", 0},
  };
  for (const Row& row : rows) {
    const QString xml = QString::fromUtf16(row.xml);
    auto decoder = CSXmlDecoder::createWithString(xml);
    ASSERT_TRUE(decoder) << Visible(xml).toStdString();
    int steps = 0;
    while (decoder->getNextTag()) ++steps;
    EXPECT_EQ(steps, row.goodSteps) << Visible(xml).toStdString();
    EXPECT_EQ(decoder->error().toStdString(), row.error) << Visible(xml).toStdString();
    EXPECT_FALSE(decoder->getNextTag());
    EXPECT_TRUE(decoder->isDone());
  }
}

TEST_F(CSXmlDecoderTest, CreationAcceptsOnlyXmlOrSvg) {
  for (const char16_t* text :
       {u"<?xml version=\"1.0\"?><a/>", u"  \n<!-- c --><?xml?><a/>", u"\uFEFF<?xml?><a/>", u"<svg/>"})
    EXPECT_TRUE(CSXmlDecoder::createWithString(QString::fromUtf16(text))) << QString::fromUtf16(text).toStdString();
  for (const char16_t* text : {u"", u"   ", u"<html><body/></html>", u"<!-- open", u"hello", u"<a/>"})
    EXPECT_FALSE(CSXmlDecoder::createWithString(QString::fromUtf16(text))) << QString::fromUtf16(text).toStdString();

  auto svg = CSXmlDecoder::createWithString("<svg/>");
  EXPECT_TRUE(svg->isSvg());
  EXPECT_EQ(svg->xmlTag(), "svg");

  EXPECT_TRUE(CSXmlDecoder::createWithData(QByteArray("<?xml?><a>\xC3\xA9</a>")));
  EXPECT_FALSE(CSXmlDecoder::createWithData(QByteArray("<?xml?><a>\xC3</a>")));
  EXPECT_TRUE(CSXmlDecoder::createWithStringOrData(QVariant(QStringLiteral("<svg/>"))));
  EXPECT_TRUE(CSXmlDecoder::createWithStringOrData(QVariant(QByteArray("<svg/>"))));
}

TEST_F(CSXmlDecoderTest, FilesGiveAReasonInsteadOfAnAlert) {
  QTemporaryDir dir;
  auto write = [&](const char* name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
  };
  QString reason;
  EXPECT_FALSE(CSXmlDecoder::createWithFile(dir.filePath("missing.xml"), &reason));
  EXPECT_FALSE(reason.isEmpty());

  reason.clear();
  EXPECT_FALSE(CSXmlDecoder::createWithFile(write("page.html", "<html></html>"), &reason));
  EXPECT_EQ(reason, "I don't understand the file format");

  reason.clear();
  EXPECT_FALSE(CSXmlDecoder::createWithFile(write("bad.xml", "<?xml?><a>\xFF</a>"), &reason));
  EXPECT_FALSE(reason.isEmpty());

  // Files are decoded in pieces: characters cut in two by a piece's end,
  // a byte order mark and a sequence cut short by the file's end.
  for (int offset = 0; offset < 4; ++offset) {
    QByteArray big = "\xEF\xBB\xBF<?xml version=\"1.0\"?><t>";
    big += QByteArray(64 * 1024 - big.size() - offset, 'x');
    big += "\xF0\x9F\x98\x80\xC3\xA9\xE4\xB8\xAD</t>";
    auto read = CSXmlDecoder::createWithFile(write("big.xml", big));
    ASSERT_TRUE(read) << offset;
    ASSERT_TRUE(read->getNextTag());
    EXPECT_TRUE(read->value().endsWith(QString::fromUtf16(u"x\U0001F600\u00E9\u4E2D"))) << offset;
    big.chop(7);  // without "\xE4\xB8\xAD</t>", then a file ending in the first two bytes of it
    EXPECT_TRUE(CSXmlDecoder::createWithFile(write("whole.xml", big))) << offset;
    EXPECT_FALSE(CSXmlDecoder::createWithFile(write("cut.xml", big + "\xE4\xB8"), &reason)) << offset;
  }

  auto decoder = CSXmlDecoder::createWithFile(write("good.xml", "<?xml version=\"1.0\"?>\n<root><t>1</t></root>"));
  ASSERT_TRUE(decoder);
  EXPECT_EQ(ReadAll(*decoder), (QStringList{"root:1 S L1", "t:3 SE L1 v=1", "root:1 E L0"}));
}

TEST_F(CSXmlDecoderTest, FileErrorsAreTheSystemsOrTheFormatsReason) {
  QTemporaryDir dir;
  auto write = [&](const char* name, const QByteArray& bytes) {
    QFile file(dir.filePath(name));
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return file.fileName();
  };
  // Larger than the reader takes, without using the disk: a sparse file.
  const QString huge = dir.filePath("huge.xml");
  {
    QFile file(huge);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write("<?xml version=\"1.0\"?>");
    ASSERT_TRUE(file.resize(kMaxXmlFileBytes + 1));
  }
  const CSError notUtf8 = ErrorForReason("the file is not UTF-8 text", 0);
  const CSError unknownFormat = ErrorForReason("I don't understand the file format", 0);
  struct Row {
    const char* name;
    QString path;
    CSError error;
  } rows[] = {
      {"missing", dir.filePath("missing.xml"), ErrorForUnixError(kFileOperationOpen, ENOENT)},
      {"in a missing folder", dir.filePath("none/a.xml"), ErrorForUnixError(kFileOperationOpen, ENOENT)},
      {"a folder", dir.path(), ErrorForUnixError(kFileOperationRead, EISDIR)},
      {"too large", huge, ErrorForUnixError(kFileOperationRead, EFBIG)},
      {"not UTF-8", write("latin1.xml", "<?xml?><a>\xE9t\xE9</a>"), notUtf8},
      {"cut inside a character", write("cut.xml", "<?xml?><a>\xE4\xB8"), notUtf8},
      {"not XML", write("page.html", "<html></html>"), unknownFormat},
      {"empty", write("empty.xml", ""), unknownFormat},
  };
  for (const Row& row : rows) {
    CSError error;
    EXPECT_FALSE(CSXmlDecoder::createWithFile(row.path, &error)) << row.name;
    EXPECT_EQ(error.domain(), row.error.domain()) << row.name;
    EXPECT_EQ(error.code(), row.error.code()) << row.name;
    EXPECT_EQ(error.reason(), row.error.reason()) << row.name;
    // The text form hands out the same reason.
    QString reason;
    EXPECT_FALSE(CSXmlDecoder::createWithFile(row.path, &reason)) << row.name;
    EXPECT_EQ(reason, row.error.reason()) << row.name;
  }
  EXPECT_EQ(ErrorForUnixError(kFileOperationOpen, ENOENT).reason(), "The file can't be found");
  EXPECT_EQ(ErrorForUnixError(kFileOperationRead, EFBIG).reason(), "The file is too big");

  // A file that reads leaves the caller's error alone.
  CSError untouched = ErrorForReason("earlier", 7);
  EXPECT_TRUE(CSXmlDecoder::createWithFile(write("good.xml", "<?xml version=\"1.0\"?><a/>"), &untouched));
  EXPECT_EQ(untouched, ErrorForReason("earlier", 7));
}

TEST_F(CSXmlDecoderTest, SkipTagCountsNestingAndKeepsLaterSiblings) {
  // The drawing's "elements" list holds groups with "elements" lists of their
  // own, and siblings of the same name may follow.
  const QString xml = QString(kDecl) +
                      "<root><elements><element><elements><element/></elements></element></elements>"
                      "<elements><t>1</t></elements><!-- </elements> --><b>2</b></root>";
  auto decoder = CSXmlDecoder::createWithString(xml);
  ASSERT_TRUE(decoder->getNextTag());
  ASSERT_TRUE(decoder->getNextTag());
  ASSERT_EQ(Step(*decoder), "elements:7 S L2");
  const CSXmlBookmark bookmark = decoder->skipTag();
  EXPECT_EQ(Step(*decoder), "elements:7 E L1");
  EXPECT_EQ(ReadAll(*decoder),
            (QStringList{"elements:7 S L2", "t:3 SE L2 v=1", "elements:7 E L1", "b:5 SE L1 v=2", "root:1 E L0"}));

  decoder->unskipTag(bookmark);
  EXPECT_EQ(decoder->level(), 2);
  ASSERT_TRUE(decoder->getNextTag());
  EXPECT_EQ(Step(*decoder), "element:8 S L3");

  // Nothing to skip for a complete element; an element without its end tag
  // skips to the end of the text.
  auto whole = CSXmlDecoder::createWithString(QString(kDecl) + "<root><a>1</a><b/></root>");
  whole->getNextTag();
  whole->getNextTag();
  whole->skipTag();
  ASSERT_TRUE(whole->getNextTag());
  EXPECT_EQ(Step(*whole), "b:5 SE L1");
  auto open = CSXmlDecoder::createWithString(QString(kDecl) + "<root><a><b/>");
  open->getNextTag();
  open->skipTag();
  EXPECT_TRUE(open->isDone());
  EXPECT_FALSE(open->getNextTag());
}

TEST_F(CSXmlDecoderTest, ExtractTagTakesTheElementsOwnEndTag) {
  const QString xml = QString(kDecl) + "<root><a k=\"1>\"><a>in</a><a/><!-- </a> --></a ><b/></root>";
  auto decoder = CSXmlDecoder::createWithString(xml);
  decoder->getNextTag();
  decoder->getNextTag();
  ASSERT_EQ(Step(*decoder), "a:4 S L2 {k=1>}");
  EXPECT_EQ(decoder->extractTag(), "<a k=\"1>\"><a>in</a><a/><!-- </a> --></a >");
  EXPECT_EQ(decoder->level(), 1);
  EXPECT_EQ(ReadAll(*decoder), (QStringList{"b:5 SE L1", "root:1 E L0"}));
  EXPECT_TRUE(decoder->extractTag().isNull());  // an end tag

  // Without its end tag the element runs to the end of the text.
  auto open = CSXmlDecoder::createWithString(QString(kDecl) + "<root><a><a><a>");
  open->getNextTag();
  open->getNextTag();
  EXPECT_TRUE(open->extractTag().isNull());
  EXPECT_TRUE(open->isDone());
}

TEST_F(CSXmlDecoderTest, SkipToTagAndPeeking) {
  const QString xml = QString(kDecl) + "<root><x><elements><t a=\"1\">v</t><b/></elements></x></root>";
  auto decoder = CSXmlDecoder::createWithString(xml);
  ASSERT_TRUE(decoder->skipToTag("elements"));
  EXPECT_EQ(Step(*decoder), "elements:7 S L2");

  CSXmlAttributes attributes;
  QString value;
  EXPECT_EQ(decoder->followingTagWithAttributes(&attributes, &value), "t");
  EXPECT_EQ(attributes.value("a"), "1");
  EXPECT_EQ(value, "v");
  EXPECT_EQ(Step(*decoder), "elements:7 S L2");  // not moved
  EXPECT_EQ(decoder->followingTagWithAttributes(nullptr, nullptr), "t");
  EXPECT_EQ(ReadAll(*decoder),
            (QStringList{"t:3 SE L2 v=v {a=1}", "b:5 SE L2", "elements:7 E L1", "x:0 E L0", "root:1 E L0"}));
  EXPECT_TRUE(decoder->followingTagWithAttributes(&attributes, &value).isNull());
  EXPECT_TRUE(attributes.isEmpty());
  EXPECT_FALSE(decoder->skipToTag("elements"));
}

TEST_F(CSXmlDecoderTest, CoalesceMixedContent) {
  const QString xml = QString::fromUtf16(
      u"<svg><text x=\"1\">Hello <tspan dy=\"2\">big</tspan> world &amp; <!-- c -->more<![CDATA[!]]><tspan>"
      u"<tspan>deep</tspan></tspan></text><rect/></svg>");
  auto decoder = CSXmlDecoder::createWithString(xml);
  decoder->getNextTag();
  decoder->getNextTag();
  ASSERT_EQ(Step(*decoder), "text:0 S L2 v=Hello  {x=1}");
  CSXmlAttributes attributes;
  EXPECT_EQ(decoder->followingTagWithAttributes(&attributes, nullptr), "tspan");
  EXPECT_EQ(attributes.value("dy"), "2");
  decoder->coalesceMixedContent();
  EXPECT_EQ(Step(*decoder), "text:0 SE L1 v=Hello big world & more! deep {x=1}");
  EXPECT_EQ(ReadAll(*decoder), (QStringList{"rect:0 SE L1", "svg:0 E L0"}));
}

TEST_F(CSXmlDecoderTest, ValuesAttributesAndKeys) {
  const QString xml =
      QString(kDecl) + "<root><t n=\"42\" s=\"x\" e=\"\">-17</t><t>RIGHT</t><t>right</t><t>9999999999</t></root>";
  auto d = CSXmlDecoder::createWithString(xml);
  d->getNextTag();
  EXPECT_EQ(d->integerValue(), 0);  // no value
  d->getNextTag();
  EXPECT_EQ(d->integerValue(), -17);
  EXPECT_EQ(d->integerAttributeForTag("n"), 42);
  EXPECT_EQ(d->integerAttributeForTag("missing"), 0);
  EXPECT_EQ(d->integerAttributeForTag("missing", -1), -1);
  EXPECT_EQ(d->stringAttributeForTag("s"), "x");
  EXPECT_EQ(d->stringAttributeForTag("e"), "");
  EXPECT_FALSE(d->stringAttributeForTag("e").isNull());
  EXPECT_TRUE(d->stringAttributeForTag("missing").isNull());
  EXPECT_TRUE(d->tagHasAttributes());
  const char* const names[] = {"left", "X", "center"};
  EXPECT_EQ(d->decodeAttribute("s", names, 3), 1);
  d->getNextTag();
  EXPECT_FALSE(d->tagHasAttributes());
  EXPECT_EQ(d->decodeValue(), 0);  // keys are matched exactly
  const char* const aligns[] = {"left", "center", "right"};
  EXPECT_EQ(d->decodeValueFromValues(aligns, 3), 2);
  d->getNextTag();
  EXPECT_EQ(d->decodeValue(), 9);
  d->getNextTag();
  EXPECT_EQ(d->longValue(), INT64_C(9999999999));
  EXPECT_EQ(CSXmlDecoder::decodeValue(u"", QStringList{""}), 0);
  EXPECT_EQ(CSXmlDecoder::decodeValue(u"none", QStringList{"a", "b"}), 0);

  // A reader's own table stands in for the class-wide one.
  d->setKeyDecoder(CSXmlKeyTable{{"root", 77}});
  d->getNextTag();
  EXPECT_EQ(Step(*d), "root:77 E L0");
  ASSERT_NE(d->keyDecoder(), nullptr);
}

// Values and attributes are decoded when asked for: after a peek, a skip
// or a change of key table they still belong to the tag the reader is on.
TEST_F(CSXmlDecoderTest, ValuesAndKeysBelongToTheCurrentTag) {
  const QString xml = QString(kDecl) +
                      "<root><t a=\"1&amp;2\" b=\"x\" a=\"3&lt;\">v&amp;w</t><b k=\"9\">next</b>"
                      "<t>plain</t><root/></root>";
  auto d = CSXmlDecoder::createWithString(xml);
  ASSERT_TRUE(d->getNextTag() && d->getNextTag());
  CSXmlAttributes peeked;
  QString peekedValue;
  EXPECT_EQ(d->followingTagWithAttributes(&peeked, &peekedValue), "b");
  EXPECT_EQ(peeked, (CSXmlAttributes{{"k", "9"}}));
  EXPECT_EQ(peekedValue, "next");
  // Nothing of the current tag was asked for before the peek.
  EXPECT_EQ(d->value(), "v&w");
  EXPECT_EQ(d->stringAttributeForTag("a"), "3<");  // the later duplicate
  EXPECT_EQ(d->integerAttributeForTag("b", -1), 0);
  EXPECT_EQ(d->attributes(), (CSXmlAttributes{{"a", "3<"}, {"b", "x"}}));
  EXPECT_EQ(d->key(), 3);

  // A new class-wide table between steps gives names read before new keys.
  CSXmlDecoder::addDecoderKey(40, "t");
  CSXmlDecoder::addDecoderKey(41, "b");
  ASSERT_TRUE(d->getNextTag());
  EXPECT_EQ(Step(*d), "b:41 SE L1 v=next {k=9}");
  ASSERT_TRUE(d->getNextTag());
  EXPECT_EQ(Step(*d), "t:40 SE L1 v=plain");
  EXPECT_FALSE(d->tagHasAttributes());
  EXPECT_TRUE(d->stringAttributeForTag("a").isNull());
  d->setKeyDecoder(CSXmlKeyTable{{"root", 5}});
  EXPECT_EQ(ReadAll(*d), (QStringList{"root:5 SE L1", "root:5 E L0"}));
  d->setKeyDecoder(std::nullopt);
  EXPECT_EQ(d->keyDecoder(), nullptr);
}

// Any number of distinct names reads with the right names and keys, also
// past the point where the reader stops keeping names.
TEST_F(CSXmlDecoderTest, ManyDistinctNames) {
  QString xml = QString(kDecl) + "<root>";
  QStringList expected{"root:1 S L1"};
  for (int i = 0; i < 10000; ++i) {
    const QString name = i % 7 == 0 ? QStringLiteral("child") : QStringLiteral("n%1").arg(i);
    xml += QStringLiteral("<%1>%2</%1>").arg(name).arg(i);
    expected << QStringLiteral("%1:%2 SE L1 v=%3").arg(name).arg(i % 7 == 0 ? 2 : 0).arg(i);
  }
  xml += "<t/></root>";
  expected << "t:3 SE L1"
           << "root:1 E L0";
  auto d = CSXmlDecoder::createWithString(xml);
  ASSERT_TRUE(d);
  EXPECT_EQ(ReadAll(*d), expected);
}

TEST_F(CSXmlDecoderTest, DecodeEscapes) {
  struct Row {
    const char16_t* in;
    const char16_t* out;
  } rows[] = {
      {u"", u""},
      {u"plain", u"plain"},
      {u"&#65;&#x42;", u"AB"},
      {u"1 &lt; 2", u"1 < 2"},
      {u"&#x1F600;", u"\U0001F600"},
      {u"&#xD83D;&#xDE00;", u"\uFFFD\uFFFD"},  // surrogates by number are not characters
      {u"&#65 B", u"AB"},                      // a blank also ends a reference
      {u"abc&#65", u"abc65"},                  // cut off by the end: only "&#" goes
      {u"&#x26;lt;", u"&lt;"},                 // decoded once, never twice
      {u"&amp;amp;", u"&amp;"},
      {u"&unknown;x", u"x"},
      {u"a & b; c", u"a & b; c"},
      {u"&verylongentityname;", u"&verylongentityname;"},
      {u"&", u"&"},
      {u"&#", u"&#"},
      // Control characters XML does not allow read as the writer writes them.
      {u"\u0001t\u0085", u" t "},
      {u"a\tb\nc\rd", u"a\tb\nc\rd"},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(CSXmlDecoder::decodeEscapes(QString::fromUtf16(row.in)), QString::fromUtf16(row.out))
        << QString::fromUtf16(row.in).toStdString();
  }
}

TEST(SkipXmlComments, StatusCodes) {
  struct Row {
    const char16_t* text;
    bool textAllowed;
    bool stopAfterOne;
    int status;
    qsizetype index;
  } rows[] = {
      {u"  <a>", false, false, kXmlSkipOK, 2},
      {u"<!-- x --> <!DOCTYPE a [<!ELEMENT a ANY>]> <a>", false, false, kXmlSkipOK, 43},
      {u"<!-- x --> <!-- y --><a>", false, true, kXmlSkipOK, 10},
      {u"", false, false, kXmlSkipOK, 0},
      {u"  ", false, false, kXmlSkipOK, 2},
      {u"<!-- x", false, false, kXmlSkipFailed, 0},
      {u"<!DOCTYPE a \"", false, false, kXmlSkipFailed, 0},
      {u" text", false, false, kXmlSkipFailed, 1},
      {u" text", true, false, kXmlSkipText, 1},
      {u"&amp; <a>", false, false, kXmlSkipOK, 6},
      {u"&amp; <a>", true, false, kXmlSkipText, 0},
      {u"<![CDATA[x]]>", false, false, kXmlSkipFailed, 0},
      {u"<![CDATA[x]]>", true, false, kXmlSkipText, 0},
  };
  for (const Row& row : rows) {
    const QString text = QString::fromUtf16(row.text);
    qsizetype index = 0;
    EXPECT_EQ(SkipXmlComments(text, &index, row.textAllowed, row.stopAfterOne), row.status) << text.toStdString();
    EXPECT_EQ(index, row.index) << text.toStdString();
  }
  qsizetype outside = 99;
  EXPECT_EQ(SkipXmlComments(u"<a>", &outside, false, false), kXmlSkipOK);
  EXPECT_EQ(outside, 3);
}

// ---- Random trees written and read back --------------------------------------

namespace {

struct Node {
  QString name;
  QList<std::pair<QString, QString>> attributes;
  QString value;  // leaves only; null for an element with children or none
  QList<Node> children;
  bool container = false;
};

QString RandomText(QRandomGenerator& random, int maxLength) {
  static const char16_t pieces[] = u"ab Z09<>&\"'\t\n\r;#x\u00E9\u4E2D\u0001\u001F";
  const int length = int(random.bounded(maxLength + 1));
  QString text = QStringLiteral("");  // never null: a null value writes no element at all
  for (int i = 0; i < length; ++i) {
    if (random.bounded(20) == 0) {
      text += QString::fromUtf16(u"\U0001F600");
    } else {
      text += QChar(pieces[random.bounded(int(std::size(pieces)) - 1)]);
    }
  }
  return text;
}

// What a written value reads back as: control characters become blanks.
QString AsRead(const QString& text) {
  QString out = text;
  for (QChar& c : out)
    if (c.unicode() < 0x20 && c != u'\t' && c != u'\n' && c != u'\r') c = u' ';
  return out;
}

Node RandomNode(QRandomGenerator& random, int depth) {
  static const char* names[] = {"root", "child", "t", "a", "b", "unknown", "x-y.z", "ns:tag"};
  Node node;
  node.name = QString::fromUtf8(names[random.bounded(int(std::size(names)))]);
  const int attributeCount = int(random.bounded(3));
  for (int i = 0; i < attributeCount; ++i)
    node.attributes.append({QStringLiteral("k%1").arg(i), RandomText(random, 6)});
  if (depth < 4 && random.bounded(3) == 0) {
    node.container = true;
    const int count = int(random.bounded(4));
    for (int i = 0; i < count; ++i) node.children.append(RandomNode(random, depth + 1));
  } else {
    node.value = RandomText(random, 12);
  }
  return node;
}

void Write(CSXmlEncoder& encoder, const Node& node) {
  for (const auto& [name, value] : node.attributes) encoder.addAttribute(name, value);
  if (!node.container) {
    encoder.addTag(node.name, node.value);
    return;
  }
  encoder.openTag(node.name);
  for (const Node& child : node.children) Write(encoder, child);
  encoder.closeTag(node.name);
}

QString Expected(const Node& node, int64_t level, bool start, bool end, const QString& value) {
  QString kind = start && end ? "SE" : start ? "S" : "E";
  QString line = QStringLiteral("%1:%2 %3 L%4")
                     .arg(node.name)
                     .arg(CSXmlDecoder::sharedKeyDecoder().value(node.name, 0))
                     .arg(kind)
                     .arg(level);
  if (!value.isNull()) line += " v=" + Visible(value);
  if (start) {
    QStringList parts;
    for (const auto& [name, attributeValue] : node.attributes)
      if (!attributeValue.isEmpty()) parts << name + "=" + Visible(AsRead(attributeValue));
    parts.sort();
    if (!parts.isEmpty()) line += " {" + parts.join(",") + "}";
  }
  return line;
}

void ExpectedSteps(const Node& node, int64_t level, QStringList& steps) {
  if (!node.container || node.children.isEmpty()) {
    // An empty value is written as an empty element and has no value.
    const QString value = node.container || node.value.isEmpty() ? QString() : AsRead(node.value);
    steps << Expected(node, level, true, true, value);
    return;
  }
  steps << Expected(node, level + 1, true, false, QString());
  for (const Node& child : node.children) ExpectedSteps(child, level + 1, steps);
  steps << Expected(node, level, false, true, QString());
}

}  // namespace

TEST_F(CSXmlDecoderTest, StrayControlsInTextReadAsTheWriterWritesThem) {
  const QString text = QStringLiteral("<?xml?><a n=\"x\u0002y\"><b>\u0000t</b><c>&amp;\u001F</c></a>");
  auto decoder = CSXmlDecoder::createWithString(text);
  ASSERT_TRUE(decoder);
  ASSERT_TRUE(decoder->getNextTag());
  EXPECT_EQ(decoder->stringAttributeForTag(QStringLiteral("n")), QStringLiteral("x y"));
  ASSERT_TRUE(decoder->getNextTag());
  EXPECT_EQ(decoder->value(), QStringLiteral(" t"));
  ASSERT_TRUE(decoder->getNextTag());
  EXPECT_EQ(decoder->value(), QStringLiteral("& "));

  // A value the writer wrote from such text reads back as it reads here.
  CSXmlEncoder encoder;
  encoder.addTag(QStringLiteral("b"), QString(QChar(0)) + QStringLiteral("t"));
  auto again = CSXmlDecoder::createWithString(encoder.xml());
  ASSERT_TRUE(again && again->getNextTag());
  EXPECT_EQ(again->value(), QStringLiteral(" t"));
}

TEST_F(CSXmlDecoderTest, RandomTreesReadBackAsWritten) {
  QRandomGenerator random(20261210);
  for (int round = 0; round < 300; ++round) {
    Node root = RandomNode(random, 0);
    root.container = true;
    root.value = QString();
    CSXmlEncoder encoder;
    Write(encoder, root);
    QStringList expected;
    ExpectedSteps(root, 0, expected);

    auto decoder = CSXmlDecoder::createWithString(encoder.xml());
    ASSERT_TRUE(decoder);
    QStringList steps;
    // A parent's value is the layout before its first child; only leaves' values are compared.
    while (decoder->getNextTag()) steps << Step(*decoder, decoder->endTag());
    ASSERT_TRUE(decoder->error().isNull()) << decoder->error().toStdString();
    ASSERT_EQ(steps, expected) << Visible(encoder.xml()).toStdString();
  }
}

// Every document in the fixture folder reads to the steps listed beside it
// (name.steps, one step a line as Step() writes it).
TEST_F(CSXmlDecoderTest, FixtureDocuments) {
  const QDir folder(QStringLiteral(TWDRAW_TEST_DATA "/support/xml"));
  const QStringList documents = folder.entryList({"*.xml", "*.svg"}, QDir::Files, QDir::Name);
  ASSERT_FALSE(documents.isEmpty());
  for (const QString& name : documents) {
    QFile stepsFile(folder.filePath(QFileInfo(name).completeBaseName() + ".steps"));
    ASSERT_TRUE(stepsFile.open(QIODevice::ReadOnly)) << name.toStdString();
    const QStringList expected = QString::fromUtf8(stepsFile.readAll()).split(u'\n', Qt::SkipEmptyParts);
    QString reason;
    auto decoder = CSXmlDecoder::createWithFile(folder.filePath(name), &reason);
    ASSERT_TRUE(decoder) << name.toStdString() << ": " << reason.toStdString();
    EXPECT_EQ(ReadAll(*decoder).join(u'\n').toStdString(), expected.join(u'\n').toStdString()) << name.toStdString();
  }
}

TEST(ReadXmlChildren, ValuesNestedElementsAndBadEnds) {
  const CSXmlKeyTable keys{{"r", 1}, {"a", 2}, {"n", 3}, {"x", 4}, {"b", 5}, {"q", 6}, {"o", 7}};
  struct Case {
    const char* text;
    bool read;
    const char* seen;  // values read, then "[name]" for each nested element handed over
  } cases[] = {
      {"<r><a>1</a><n><x>2</x></n><b>3</b></r>", true, "a=1 [n] b=3"},
      {"<r/>", true, ""},
      {"<r><a>1</a></q>", false, "a=1"},          // closed by another's end tag
      {"<r><a>1</a><b>2</b>", false, "a=1 b=2"},  // the text ends inside
      {"<r><n><x>2</x></n></r>", true, "[n]"},
  };
  for (const Case& c : cases) {
    auto decoder = CSXmlDecoder::createWithString(QString("<?xml version=\"1.0\"?>") + c.text);
    ASSERT_TRUE(decoder) << c.text;
    decoder->setKeyDecoder(keys);
    ASSERT_TRUE(decoder->getNextTag()) << c.text;
    QStringList seen;
    const bool read = ReadXmlChildren(
        *decoder, decoder->key(), [&](CSXmlDecoder& value) { seen << value.xmlTag() + "=" + value.value(); },
        [&](CSXmlDecoder& element) {
          seen << "[" + element.xmlTag() + "]";
          element.skipTag();
          return true;
        });
    EXPECT_EQ(read, c.read) << c.text;
    EXPECT_EQ(seen.join(' '), QString(c.seen)) << c.text;
  }

  // Without an element reader nested elements are skipped whole, and the
  // reader stops after the element's own end tag.
  auto decoder = CSXmlDecoder::createWithString("<?xml version=\"1.0\"?><o><r><n><a>9</a></n><a>1</a></r><a>5</a></o>");
  ASSERT_TRUE(decoder);
  decoder->setKeyDecoder(keys);
  ASSERT_TRUE(decoder->getNextTag() && decoder->getNextTag());
  QStringList seen;
  EXPECT_TRUE(ReadXmlChildren(*decoder, decoder->key(), [&](CSXmlDecoder& value) { seen << value.value(); }));
  EXPECT_EQ(seen, QStringList{"1"});
  ASSERT_TRUE(decoder->getNextTag());
  EXPECT_EQ(decoder->value(), "5");
}
