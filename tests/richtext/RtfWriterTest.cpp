#include "richtext/RtfWriter.h"

#include <gtest/gtest.h>

#include <QFileInfo>
#include <QImage>
#include <QTemporaryDir>

#include "QStringPrinter.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/Editing.h"
#include "richtext/FontNames.h"
#include "richtext/Knots.h"
#include "richtext/Pictures.h"
#include "richtext/Properties.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Styles.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBody = RichTextBuilder::kBodyStart;

class RtfWriterTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    if (g_fontNames.isEmpty()) IndexOfFont(QStringLiteral("DejaVu Sans"));
  }
  QString Export(const QString& body, uint32_t flags = kRtfClipboardMode) {
    builder.text(body);
    return ExportRtf(DocRange{builder.doc(), kBody, builder.doc()->textLimit}, QString(), flags);
  }
  // The text after the style sheet (and the document block outside
  // clipboard mode): what the body became.
  static QString Body(const QString& rtf) {
    const qsizetype start = rtf.indexOf(QLatin1String("\\pard"));
    return start < 0 ? QString() : rtf.mid(start);
  }
  uint32_t Intern(Properties record) { return IndexForProperties(builder.doc(), &record); }
  ParaProps NormalPara() {
    Properties record, chars;
    GetStyleProps(builder.doc(), 0, kParaProperties, &record, &chars);
    return record.body.para;
  }
  CharProps NormalChars() {
    Properties record, chars;
    GetStyleProps(builder.doc(), 0, kParaProperties, &record, &chars);
    return chars.body.charProps;
  }
  RichTextBuilder builder;
};

TEST_F(RtfWriterTest, AnEmptyRangeGivesTheHeaderTablesAndDocumentSettings) {
  builder.text(QStringLiteral("text\n"));
  const QString rtf = ExportRtf(DocRange{builder.doc(), kBody, kBody}, QString(), 0);
  const QString expected = QStringLiteral(
                               "{\\rtf1\\ansi\\ansicpg1252\\uc0{\\*\\generator TindleWick Corvane 2.2.1}\n"
                               "{\\fonttbl{\\f0\\fnil %1;}}\n"
                               "{\\colortbl;\\red255\\green255\\blue255;}\n"
                               "{\\stylesheet\n"
                               "{\\s0\\sbasedon222\\snext0\\fs24 Normal;}\n"
                               "}\n"
                               "\\deftab720\\pgnstart1\\widowctrl\n"
                               "}\n")
                               .arg(RtfEscapedName(g_fontNames.at(0)));
  EXPECT_EQ(rtf, expected);
  // Clipboard mode leaves the document settings out.
  const QString clip = ExportRtf(DocRange{builder.doc(), kBody, kBody}, QString(), kRtfClipboardMode);
  EXPECT_FALSE(clip.contains(QLatin1String("deftab")));
  EXPECT_TRUE(clip.endsWith(QLatin1String("}\n}\n")));
}

TEST_F(RtfWriterTest, BlackAndWhiteGiveTheEmptyEntryAndWhiteWithoutAlpha) {
  const QString rtf = Export(QStringLiteral("plain\n"));
  EXPECT_TRUE(rtf.contains(QLatin1String("{\\colortbl;\\red255\\green255\\blue255;}\n")));
  EXPECT_FALSE(rtf.contains(QLatin1String("crvnalpha")));
}

TEST_F(RtfWriterTest, TextIsEscaped) {
  struct Case {
    QString text;
    QString written;
  };
  const Case cases[] = {
      {QStringLiteral("a{b}c\\d"), QStringLiteral("a\\{b\\}c\\\\d")},
      {QStringLiteral("\u00e9"), QStringLiteral("\\u233")},
      {QStringLiteral("\u00e9x"), QStringLiteral("\\u233 x")},  // a letter after a word takes a space
      {QStringLiteral("a\tb"), QStringLiteral("a\\tab b")},
      {QStringLiteral("\u00a0\u2011\u2013\u2014"), QStringLiteral("\\~\\_\\endash\\emdash")},
      {QStringLiteral("\u2018\u2019\u201c\u201d\u2022"),
       QStringLiteral("\\lquote\\rquote\\ldblquote\\rdblquote\\bullet")},
      {QStringLiteral("a\u0003b"), QStringLiteral("a\\'03b")},
      {QString::fromUtf16(u"\U0001F600"), QStringLiteral("\\u55357\\u56832")},  // two units, unsigned
      {QStringLiteral("semi;colon"), QStringLiteral("semi;colon")},
  };
  for (const Case& c : cases) {
    RichTextBuilder local;
    local.text(c.text + QLatin1Char('\n'));
    const QString rtf = ExportRtf(DocRange{local.doc(), kBody, local.doc()->textLimit}, QString(), kRtfClipboardMode);
    // A space parts the last word of the paragraph's formatting from plain text only.
    const QString separator = c.written.startsWith(u'\\') ? QString() : QStringLiteral(" ");
    EXPECT_EQ(Body(rtf), QLatin1String("\\pard\\plain\\s0\\f0\\fs24") + separator + c.written +
                             QLatin1String("\\\n}\n"));
  }
}

TEST_F(RtfWriterTest, AParagraphMarkIsABackslashAtALineEnd) {
  const QString body = Body(Export(QStringLiteral("one\ntwo\n")));
  EXPECT_EQ(body, QStringLiteral("\\pard\\plain\\s0\\f0\\fs24 one\\\n\\pard\\plain\\s0\\f0\\fs24 two\\\n}\n"));
  // Page and column breaks end their paragraph too.
  EXPECT_TRUE(Export(QStringLiteral("a\u000bb\u000c")).contains(QLatin1String("a\\\n\\page")));
}

TEST_F(RtfWriterTest, MeasuresAreWrittenInTruncatedTwips) {
  struct Case {
    int64_t indent;
    const char* written;
  };
  const Case cases[] = {{12700, "\\li20"}, {19050, "\\li30"}, {12699, "\\li19"}, {-19050, "\\li-30"},
                        {int64_t(1) << 45, "\\li55408459982"}};
  for (const Case& c : cases) {
    RichTextBuilder local;
    local.text(QStringLiteral("x\n"));
    Properties para;
    SetDefaultProperties(local.doc(), kParaProperties, &para);
    para.body.para.indentl = c.indent;
    local.paraRun(kBody, IndexForProperties(local.doc(), &para));
    const QString rtf = ExportRtf(DocRange{local.doc(), kBody, local.doc()->textLimit}, QString(), kRtfClipboardMode);
    EXPECT_TRUE(rtf.contains(QLatin1String(c.written))) << c.written << "\n" << qPrintable(rtf);
  }
}

TEST_F(RtfWriterTest, RunsAreGroupsOfTheirDifferences) {
  builder.text(QStringLiteral("ab c\n"));
  CharProps bold = NormalChars();
  bold.bold = 1;
  bold.color = MakeKolor(255, 0, 0, 50);
  bold.size = 36 * 4;
  Properties record;
  InitProperties(kCharProperties, &record, &bold);
  Properties normal;
  const CharProps normalChars = NormalChars();
  InitProperties(kCharProperties, &normal, &normalChars);
  builder.charRun(kBody + 1, Intern(record)).charRun(kBody + 2, Intern(normal));
  const QString rtf = ExportRtf(DocRange{builder.doc(), kBody, builder.doc()->textLimit}, QString(), 0);
  // Red is entry 2 after white; its opacity goes into the alpha group.
  EXPECT_TRUE(rtf.contains(QLatin1String("\\red255\\green0\\blue0;"))) << qPrintable(rtf);
  EXPECT_TRUE(rtf.contains(QLatin1String("{\\*\\crvnalpha \\cf2\\crvnalpha50;}\n"))) << qPrintable(rtf);
  EXPECT_TRUE(rtf.contains(QLatin1String("\\fs24 a{\\b\\fs72\\cf2 b} c\\\n"))) << qPrintable(rtf);
}

TEST_F(RtfWriterTest, NamesAreEscapedLikeText) {
  EXPECT_EQ(RtfEscapedName(u"A;{B}\\"), QStringLiteral("A\\'3b\\{B\\}\\\\"));
  EXPECT_EQ(RtfEscapedName(u"\u00e91"), QStringLiteral("\\u233 1"));
  EXPECT_EQ(RtfEscapedAddress(u"http://x/\"a\"{b}\\c"), QStringLiteral("http://x/%22a%22\\{b\\}\\\\c"));

  builder.text(QStringLiteral("x\n"));
  Properties para, chars;
  GetStyleProps(builder.doc(), 0, kParaProperties, &para, &chars);
  ASSERT_NE(CreateStyle(builder.doc(), QStringLiteral("Odd;{name}"), kNotBuiltinStyle, 0, kStyleNone, &para, &chars,
                        false),
            kNoPropertyIndex);
  const QString rtf = ExportRtf(DocRange{builder.doc(), kBody, builder.doc()->textLimit}, QString(), 0);
  EXPECT_TRUE(rtf.contains(QLatin1String(" Odd\\'3b\\{name\\};}"))) << qPrintable(rtf);
}

TEST_F(RtfWriterTest, LinksAreFieldsWithAnEscapedAddress) {
  // 14 L0, 15-18 address, 19 M0, 20-22 text, 23 E0, 24 mark
  builder.text(QString::fromUtf16(u"\0a\"{}\0t;x\0\n", 12));
  builder.knot(14, kKnotLink, kKinkBegin).knot(19, kKnotLink, kKinkMiddle).knot(23, kKnotLink, kKinkEnd);
  const QString body = Body(ExportRtf(DocRange{builder.doc(), kBody, builder.doc()->textLimit}, QString(), 1));
  EXPECT_TRUE(body.contains(QLatin1String("{\\field{\\*\\fldinst{HYPERLINK \"a%22\\{\\}\"}}{\\fldrslt t;x}}\\\n")))
      << qPrintable(body);
}

TEST_F(RtfWriterTest, CheckboxesAndTagsUseTheirPrivateWords) {
  // 14 checkbox, 15 T0, 16-18 tag text, 19 E0
  builder.text(QString::fromUtf16(u"\0\0a;b\0\n", 7));
  builder.knot(14, kKnotCheckbox, kKinkSingle).knot(15, kKnotTag, kKinkBegin).knot(19, kKnotTag, kKinkEnd);
  auto* check = static_cast<KnotEntry*>(DynamicCPArrayEntry(builder.doc()->knots, IndexOfCp(builder.doc()->knots, 14)));
  check->word3 = 1;
  const QString body = Body(ExportRtf(DocRange{builder.doc(), kBody, builder.doc()->textLimit}, QString(), 1));
  EXPECT_TRUE(body.contains(QLatin1String("\\crvncheck1{\\*\\crvntag a\\'3bb}\\\n"))) << qPrintable(body);
}

}  // namespace

namespace {

TEST_F(RtfWriterTest, TablesAreRowsOfCellsWithTheirEdges) {
  // 14 table, 15 row, 16 "a", 17 column mark, 18 "b", 19 row end, 20 table end
  builder.text(QString::fromUtf16(u"\0\0a\1b\1\1after\n", 13));
  CorvaneDoc* doc = builder.doc();
  Properties table;
  SetBaseProperties(kTableProperties, &table);
  table.body.table.cleft = table.body.table.cright = 6350;
  table.body.table.columns[0] = 12700 * 72;
  table.body.table.columns[1] = 12700 * 36;
  table.body.table.autofit = 1;
  builder.knot(14, kKnotTable, kKinkBegin, Intern(table))
      .knot(15, kKnotRow, kKinkBegin)
      .knot(17, kKnotRow, kKinkMiddle)
      .knot(19, kKnotRow, kKinkEnd)
      .knot(20, kKnotTable, kKinkEnd);
  static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, IndexOfCp(doc->knots, 19)))->word1 = MakeKolor(0, 0, 255);
  const QString rtf = ExportRtf(DocRange{doc, kBody, doc->textLimit}, QString(), kRtfClipboardMode);
  EXPECT_TRUE(rtf.contains(QLatin1String("\\red0\\green0\\blue255;}")));
  // Auto-fit widths are written five times over; the second cell is shaded
  // with colour 2; edges step by half the gap, the width and half the gap.
  const QString expected = QStringLiteral(
      "{\\*\\crvntable\\crvncelll10\\crvncellr10\\colno1\\colw7200\\colno2\\colw3600\\crvnautotbl}\n"
      "\\trowd\\trql\\trleft0\\trrh0\\trgaph10\n"
      "\\cellx1450\n"
      "\\clcfpat2\\cellx2180\n"
      "\\pard\\intbl\\plain\\s0\\f0\\fs24 a\\cell\n"
      "\\pard\\intbl\\plain\\s0\\f0\\fs24 b\\cell\n"
      "\\pard\\intbl\\row\n"
      "\\pard\\plain\\s0\\f0\\fs24 after\\\n}\n");
  EXPECT_TRUE(rtf.endsWith(expected)) << qPrintable(rtf);
  // Plain rows keep only the shaded edges.
  const QString plain = ExportRtf(DocRange{doc, kBody, doc->textLimit}, QString(), kRtfClipboardMode | kRtfPlainRows);
  EXPECT_TRUE(plain.contains(QLatin1String("\\trowd\n\\cellx1450\n\\clcfpat2\\cellx2180\n"))) << qPrintable(plain);
}

TEST_F(RtfWriterTest, PicturesAreHexDataOrFilesInTheFolder) {
  builder.text(QString::fromUtf16(u"\0\n", 2));
  CorvaneDoc* doc = builder.doc();
  QImage pixels(4, 2, QImage::Format_ARGB32_Premultiplied);
  pixels.fill(Qt::red);
  const uint32_t index = StorePicture(doc, CSImage::initWithCGImage(pixels, QSizeF(40, 20)), nullptr);
  ASSERT_NE(index, 0xFFFFFFFFu);
  builder.knot(14, kKnotPicture, kKinkSingle);
  auto* entry = static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, IndexOfCp(doc->knots, 14)));
  entry->word1 = index;
  entry->word2 = 1;    // bottom
  entry->word3 = 500;  // half size

  const QString rtf = ExportRtf(DocRange{doc, kBody, doc->textLimit}, QString(), kRtfClipboardMode);
  const qsizetype start = rtf.indexOf(QLatin1String("{\\pict\\pngblip\\picw40\\pich20\\crvnpicb\\picscalex50\\picscaley50\n"));
  ASSERT_GE(start, 0) << qPrintable(rtf);
  const qsizetype dataStart = rtf.indexOf(u'\n', start) + 1;
  const QString hex = rtf.mid(dataStart, rtf.indexOf(u'}', dataStart) - dataStart).remove(u'\n');
  const QByteArray data = QByteArray::fromHex(hex.toLatin1());
  EXPECT_TRUE(data.startsWith("\x89PNG"));
  EXPECT_EQ(QImage::fromData(data).size(), QSize(40, 20));  // drawn at its size in points
  for (const QString& line : rtf.mid(dataStart, rtf.indexOf(u'}', dataStart) - dataStart).split(u'\n'))
    EXPECT_LE(line.size(), 100);

  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  const QString rtfd = ExportRtf(DocRange{doc, kBody, doc->textLimit}, folder.path(), kRtfClipboardMode);
  EXPECT_TRUE(rtfd.contains(QStringLiteral(
      "{{\\NeXTGraphic Picture1.tiff \\width400 \\height200 \\crvnpicb\\picscalex50\\picscaley50}\u00ac}\n")))
      << qPrintable(rtfd);
  EXPECT_TRUE(QFileInfo::exists(folder.filePath(QStringLiteral("Picture1.tiff"))));
}

TEST_F(RtfWriterTest, StylesAndSectionsCarryTheirWords) {
  builder.text(QStringLiteral("x\n"));
  CorvaneDoc* doc = builder.doc();
  Properties chars;
  SetBaseProperties(kCharProperties, &chars);
  chars.body.charProps.italic = 1;
  chars.body.charProps.underline = 3;
  const uint32_t style = CreateStyle(doc, QStringLiteral("Stress"), kNotBuiltinStyle, 0, kStyleNone, &chars,
                                     nullptr, false);
  ASSERT_NE(style, kNoPropertyIndex);
  const QString rtf = ExportRtf(DocRange{doc, kBody, doc->textLimit}, QString(), 0);
  EXPECT_TRUE(rtf.contains(QStringLiteral("{\\*\\cs%1\\sbasedon0\\additive").arg(style))) << qPrintable(rtf);
  EXPECT_TRUE(rtf.contains(QLatin1String("\\i\\uldb")) ) << qPrintable(rtf);
  EXPECT_TRUE(rtf.contains(QLatin1String(" Stress;}"))) << qPrintable(rtf);
  // The first section opens the body outside clipboard mode.
  EXPECT_TRUE(rtf.contains(QLatin1String("\\sectd\\cols1"))) << qPrintable(rtf);
  // Only Normal with the single-style flag.
  EXPECT_FALSE(ExportRtf(DocRange{doc, kBody, doc->textLimit}, QString(), kRtfSingleStyle).contains(
      QLatin1String("Stress")));
}

TEST_F(RtfWriterTest, AChaptersHeadersAndFootersAreDestinations) {
  builder.text(QStringLiteral("body\n"));
  CorvaneDoc* doc = builder.doc();
  KnotFormat chapter;
  FetchKnot(doc, 0, &chapter, kKnotChapter);
  ASSERT_EQ(chapter.kinkCount, 8u);
  // Text into the right header (the third part after the name) and the
  // first page's footer (the sixth).
  const DocRange footer{doc, chapter.kinks[6] + 1, chapter.kinks[6] + 1};
  ASSERT_TRUE(ReplaceRangeWithString(&footer, QStringLiteral("Foot")));
  const DocRange header{doc, chapter.kinks[3] + 1, chapter.kinks[3] + 1};
  ASSERT_TRUE(ReplaceRangeWithString(&header, QStringLiteral("Head")));
  const auto exported = [&] { return ExportRtf(DocRange{doc, 0, doc->textLimit}, QString(), 0); };

  QString rtf = exported();
  const qsizetype head = rtf.indexOf(QLatin1String("{\\headerr"));
  ASSERT_GE(head, 0) << qPrintable(rtf);
  EXPECT_LT(head, rtf.indexOf(QLatin1String("Head"))) << qPrintable(rtf);
  EXPECT_LT(rtf.indexOf(QLatin1String("Head")), rtf.indexOf(QLatin1String("body"))) << qPrintable(rtf);
  EXPECT_FALSE(rtf.contains(QLatin1String("\\footerf"))) << "no title page, no first-page footer";
  EXPECT_FALSE(rtf.contains(QLatin1String("\\headerl")));

  // Facing pages name the right header plainly; nothing in clipboard mode.
  doc->docProps.mirrorh = 1;
  rtf = exported();
  EXPECT_TRUE(rtf.contains(QLatin1String("{\\header\n"))) << qPrintable(rtf);
  EXPECT_FALSE(rtf.contains(QLatin1String("\\headerr")));
  EXPECT_FALSE(ExportRtf(DocRange{doc, 0, doc->textLimit}, QString(), kRtfClipboardMode).contains(QLatin1String("Head")));
}

}  // namespace
