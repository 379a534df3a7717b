#include "richtext/RtfReader.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFileInfo>
#include <QImage>
#include <QHash>
#include <QProcess>
#include <QTemporaryDir>
#include <QStringDecoder>
#include <QRegularExpression>
#include <QStandardPaths>
#include <memory>

#include "QStringPrinter.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/Editing.h"
#include "richtext/ImageServices.h"
#include "richtext/FontNames.h"
#include "richtext/Knots.h"
#include "richtext/Links.h"
#include "richtext/Pictures.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RtfTokenizer.h"
#include "richtext/RtfWriter.h"
#include "richtext/Styles.h"
#include "richtext/TableRows.h"
#include "richtext/Tables.h"
#include "richtext/TextAccess.h"
#include "richtext/TextExtraction.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

struct DocDeleter {
  void operator()(CorvaneDoc* doc) const { DestroyDocument(doc); }
};
using DocPtr = std::unique_ptr<CorvaneDoc, DocDeleter>;

struct ReadResult {
  DocPtr doc;
  RtfImportResult result = RtfImportResult::kFailed;
  QString message;
  QString text() const {
    DocRange body;
    GetDocumentRange(doc.get(), &body, true);
    // The body's last paragraph ends at the closing mark.
    QString text = ExtractPlainText(body, false);
    if (!text.endsWith(u'\n')) text += u'\n';
    return text;
  }
};

class RtfReaderTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    if (g_fontNames.isEmpty()) IndexOfFont(QStringLiteral("DejaVu Sans"));
  }
  static ReadResult Read(const QByteArray& rtf, int32_t kind = kViewDocument) {
    ReadResult out;
    out.doc.reset(NewCorvaneDoc(kind));
    out.result = ImportRtfCore(out.doc.get(), rtf, 0, 0, QString(), &out.message);
    return out;
  }
  // The properties of the text at the first cp holding `needle`.
  static CharProps CharsAt(const ReadResult& read, const QString& needle) {
    const uint32_t cp = CpOf(read, needle);
    CharProps props;
    FetchCharProps(read.doc.get(), nullptr, cp, &props);
    return props;
  }
  static ParaProps ParaAt(const ReadResult& read, const QString& needle) {
    const uint32_t cp = CpOf(read, needle);
    DocRange range;
    ParaProps props;
    FetchParaProps(read.doc.get(), nullptr, cp, &range, &props);
    return props;
  }
  static uint32_t CpOf(const ReadResult& read, const QString& needle) {
    CorvaneDoc* doc = read.doc.get();
    const QString all = RawTextString(doc, 0, doc->cpLimit);
    const qsizetype at = all.indexOf(needle);
    EXPECT_GE(at, 0) << qPrintable(needle);
    return uint32_t(std::max<qsizetype>(at, 0));
  }
  static uint32_t KnotCount(CorvaneDoc* doc, uint32_t type) {
    uint32_t count = 0;
    for (uint32_t i = 0; i < SizeOfDynamicCPArray(doc->knots); ++i) {
      KnotEntry entry;
      FetchDynamicCPArrayEntry(doc->knots, i, &entry);
      if (entry.type == type && (entry.role == kKinkBegin || entry.role == kKinkSingle)) ++count;
    }
    return count;
  }
};

TEST_F(RtfReaderTest, TextAndCharacterFormattingArriveInRuns) {
  const ReadResult read = Read(
      "{\\rtf1\\ansi\\ansicpg1252{\\fonttbl{\\f0\\fnil DejaVu Sans;}}{\\colortbl;\\red255\\green0\\blue0;}\n"
      "\\pard\\plain\\f0\\fs24 plain {\\b\\i bold}{\\cf1\\ul red}{\\fs40\\up4 big}{\\strike\\scaps sc} caf\\'e9\\par\n"
      "second\\par}");
  ASSERT_EQ(read.result, RtfImportResult::kDone) << qPrintable(read.message);
  EXPECT_EQ(read.text(), QStringLiteral("plain boldredbigsc caf\u00e9\nsecond\n"));
  const CharProps plain = CharsAt(read, "plain");
  EXPECT_EQ(plain.bold, 0);
  EXPECT_EQ(plain.size, 48);
  EXPECT_EQ(FontName(read.doc.get(), plain.font), QStringLiteral("DejaVu Sans"));
  const CharProps bold = CharsAt(read, "bold");
  EXPECT_EQ(bold.bold, 1);
  EXPECT_EQ(bold.italic, 1);
  const CharProps red = CharsAt(read, "red");
  EXPECT_EQ(red.color, MakeKolor(255, 0, 0));
  EXPECT_EQ(red.underline, 1u);
  EXPECT_EQ(red.bold, 0);  // the group's end restored what was before it
  const CharProps big = CharsAt(read, "big");
  EXPECT_EQ(big.size, 80);
  EXPECT_EQ(big.sub, -4 * 6350);
  const CharProps sc = CharsAt(read, "sc ");
  EXPECT_EQ(sc.strike, 1);
  EXPECT_EQ(sc.caps, 3u);
  QString reason;
  EXPECT_TRUE(ValidateDocument(read.doc.get(), &reason)) << qPrintable(reason);
}

TEST_F(RtfReaderTest, ParagraphFormattingAndTabStops) {
  const ReadResult read = Read(
      "{\\rtf1\\ansi \\pard\\qc\\li720\\ri360\\fi-180\\sb240\\sa120 centred\\par"
      "\\pard\\tqc\\tx2880\\tldot\\tqr\\tx5760\\tx1440\\tx1440\\tb7200 tabs\\par"
      "\\pard\\sl360\\slmult1 spaced\\par}");
  ASSERT_EQ(read.result, RtfImportResult::kDone) << qPrintable(read.message);
  const ParaProps centred = ParaAt(read, "centred");
  EXPECT_EQ(centred.align, 1u);
  EXPECT_EQ(centred.indentl, 720 * 635);
  EXPECT_EQ(centred.indentr, 360 * 635);
  EXPECT_EQ(centred.indent1, -180 * 635);
  EXPECT_EQ(centred.before, 240 * 635);
  EXPECT_EQ(centred.after, 120 * 635);
  const ParaProps tabs = ParaAt(read, "tabs");
  ASSERT_EQ(tabs.tabCount, 4);  // sorted, the repeated position dropped
  EXPECT_EQ(tabs.tabs[0], TabStop(1440 * 635));
  EXPECT_EQ(tabs.tabs[1], TabStop(2880 * 635) | kCenterTab);
  EXPECT_EQ(tabs.tabs[2], TabStop(5760 * 635) | kRightTab | (1u << 26));
  EXPECT_EQ(tabs.tabs[3], TabStop(7200 * 635) | (4u << 29));
  const ParaProps spaced = ParaAt(read, "spaced");
  EXPECT_EQ(spaced.height, 0);
  EXPECT_EQ(spaced.multiple, 360 * 635 / 12);
  // "pard" starts each paragraph from the defaults again.
  EXPECT_EQ(tabs.align, 0u);
}

TEST_F(RtfReaderTest, MoreThanTwentyFiveTabStopsKeepTheFirstTwentyFive) {
  QByteArray rtf = "{\\rtf1 \\pard";
  for (int i = 1; i <= 30; ++i) rtf += "\\tx" + QByteArray::number(i * 100);
  rtf += " t\\par}";
  const ReadResult read = Read(rtf);
  ASSERT_EQ(read.result, RtfImportResult::kDone);
  const ParaProps para = ParaAt(read, "t");
  ASSERT_EQ(para.tabCount, kMaxRtfTabs);
  EXPECT_EQ(para.tabs[24] & kTabPositionMask, TabStop(2500 * 635));
}

TEST_F(RtfReaderTest, StylesAreCreatedAndCyclesResolveToNone) {
  const ReadResult read = Read(
      "{\\rtf1\\ansi{\\stylesheet{\\s0\\snext0 Normal;}{\\s1\\sbasedon2\\snext0\\b Loop A;}"
      "{\\s2\\sbasedon1\\i Loop B;}{\\*\\cs3\\additive\\sbasedon5\\ul Emphasis;}{\\s4\\sbasedon0 Normal;}}\n"
      "\\pard\\s1 a\\par\\pard\\s2 b {\\cs3 c}\\par}");
  ASSERT_EQ(read.result, RtfImportResult::kDone) << qPrintable(read.message);
  CorvaneDoc* doc = read.doc.get();
  QString names;
  for (uint32_t i = 0; i < StyleCount(doc); ++i) names += StyleName(doc, i) + u'|';
  SCOPED_TRACE(qPrintable(names));
  const uint32_t a = StyleIndexForName(doc, QStringLiteral("Loop A"));
  const uint32_t b = StyleIndexForName(doc, QStringLiteral("Loop B"));
  const uint32_t emphasis = StyleIndexForName(doc, QStringLiteral("Emphasis"));
  ASSERT_NE(a, kNoPropertyIndex);
  ASSERT_NE(b, kNoPropertyIndex);
  ASSERT_NE(emphasis, kNoPropertyIndex);
  // One of the two is based on the other; the link closing the loop is none.
  const StyleEntry ea = StyleEntryAt(doc, a), eb = StyleEntryAt(doc, b);
  EXPECT_TRUE((ea.base == b && eb.base == kStyleNone) || (eb.base == a && ea.base == kStyleNone))
      << ea.base << " " << eb.base;
  EXPECT_EQ(StyleEntryAt(doc, emphasis).type, uint32_t(kCharProperties));
  EXPECT_EQ(ParaAt(read, "a").style, a);
  EXPECT_EQ(ParaAt(read, "b").style, b);
  EXPECT_EQ(CharsAt(read, "c").style, emphasis);
  // A name taken already is given another.
  EXPECT_NE(StyleIndexForName(doc, QStringLiteral("renamed_4")), kNoPropertyIndex);
  QString reason;
  EXPECT_TRUE(ValidateDocument(doc, &reason)) << qPrintable(reason);
}

TEST_F(RtfReaderTest, StylesBeyondTheCapMapToNormal) {
  QByteArray rtf = "{\\rtf1{\\stylesheet{\\s0 Normal;}";
  for (int i = 1; i <= int(kMaxRtfStyles) + 5; ++i)
    rtf += "{\\s" + QByteArray::number(i) + " S" + QByteArray::number(i) + ";}";
  rtf += "}\\pard\\s" + QByteArray::number(kMaxRtfStyles + 3) + " last\\par}";
  const ReadResult read = Read(rtf);
  ASSERT_EQ(read.result, RtfImportResult::kDone);
  EXPECT_EQ(StyleCount(read.doc.get()), kMaxRtfStyles);
  EXPECT_EQ(ParaAt(read, "last").style, 0);
}

TEST_F(RtfReaderTest, BadInputIsRefusedWithItsMessageOrReadLeniently) {
  const QByteArray deep = "{\\rtf1 before" + QByteArray(100000, '{') + "x" + QByteArray(100000, '}') + "}";
  struct Case {
    const char* name;
    QByteArray rtf;
    RtfImportResult result;
    const char* text;  // the text read, when it is read
  };
  const Case cases[] = {
      {"no rtf word", "{\\ansi hello}", RtfImportResult::kFailed, nullptr},
      {"version 2", "{\\rtf2 hello}", RtfImportResult::kFailed, nullptr},
      {"not RTF at all", "hello", RtfImportResult::kFailed, nullptr},
      {"end inside a group", "{\\rtf1 abc {\\b def", RtfImportResult::kLenient, "abc def\n"},
      {"an extra brace", "{\\rtf1 abc}}", RtfImportResult::kDone, "abc\n"},
      {"100,000 nested groups", deep, RtfImportResult::kLenient, "before\n"},
      {"a 30-digit parameter", "{\\rtf1\\fs123456789012345678901234567890 big}", RtfImportResult::kDone, "big\n"},
      {"bin past the end", "{\\rtf1 a{\\pict\\pngblip\\bin999999 xx}}", RtfImportResult::kLenient, "a\n"},
      {"odd hex", "{\\rtf1 a{\\pict\\pngblip 89504}b}", RtfImportResult::kDone, "ab\n"},
      {"a bad hex escape", "{\\rtf1 a\\'zzb}", RtfImportResult::kLenient, "azzb\n"},
      {"cyclic base styles", "{\\rtf1{\\stylesheet{\\s1\\sbasedon1 A;}{\\s2\\sbasedon3 B;}{\\s3\\sbasedon2 C;}}x}",
       RtfImportResult::kDone, "x\n"},
      {"a stray cell", "{\\rtf1 a\\cell b\\row c}", RtfImportResult::kDone, "a\nbc\n"},
      {"a bare list table", "{\\rtf1 a\\listtable{\\list\\listid1{\\listlevel\\leveltext x;}}}b}",
       RtfImportResult::kDone, "a\n"},
      {"a list table in its group", "{\\rtf1 a{\\*\\listtable{\\list{\\listlevel x}}}b}", RtfImportResult::kDone,
       "ab\n"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const ReadResult read = Read(c.rtf);
    EXPECT_EQ(read.result, c.result);
    if (c.result == RtfImportResult::kDone) {
      EXPECT_TRUE(read.message.isEmpty()) << qPrintable(read.message);
    } else {
      EXPECT_EQ(read.message, g_rtfMalformedMessage);
    }
    if (c.text) {
      EXPECT_EQ(read.text(), QString::fromUtf8(c.text));
    }
    QString reason;
    EXPECT_TRUE(ValidateDocument(read.doc.get(), &reason)) << qPrintable(reason);
  }
  // A document without a kind is not read a second time.
  const ReadResult clipboard = Read("{\\rtf1 abc {\\b def", kClipboardDocument);
  EXPECT_EQ(clipboard.result, RtfImportResult::kFailed);
  EXPECT_EQ(clipboard.message, g_rtfMalformedMessage);
  EXPECT_EQ(clipboard.text(), QStringLiteral("abc def\n"));  // what was read stays
}

TEST_F(RtfReaderTest, TablesFromOtherWritersBecomeTablesOfRows) {
  const ReadResult read = Read(
      "{\\rtf1\\ansi{\\colortbl;\\red0\\green0\\blue255;}before\\par"
      "\\trowd\\trgaph108\\trleft0\\clbrdrt\\brdrs\\brdrw10\\clbrdrb\\brdrs\\brdrw10\\cellx1440"
      "\\clcfpat1\\clbrdrt\\brdrs\\brdrw10\\cellx4320"
      "\\pard\\intbl a1\\cell a2\\par more\\cell\\row"
      "\\trowd\\trgaph108\\trleft0\\cellx1440\\cellx4320\\pard\\intbl b1\\cell b2\\cell\\row"
      "\\pard after\\par}");
  ASSERT_EQ(read.result, RtfImportResult::kDone) << qPrintable(read.message);
  CorvaneDoc* doc = read.doc.get();
  EXPECT_EQ(KnotCount(doc, kKnotTable), 1u);
  EXPECT_EQ(KnotCount(doc, kKnotRow), 2u);
  const uint32_t cp = CpOf(read, "a1");
  KnotFormat table, row;
  TableProps props;
  ASSERT_TRUE(FetchTable(doc, cp, &table, &row, &props));
  EXPECT_EQ(RowCellCount(row), 2u);
  EXPECT_EQ(props.cols, 2);
  EXPECT_EQ(props.columns[0], 1440 * 635);
  EXPECT_EQ(props.columns[1], (4320 - 1440) * 635);
  EXPECT_EQ(props.cleft, 108 * 635);
  EXPECT_NE(props.border.btype, 0u);  // taken from the cells' borders
  DocRange cell;
  IndexAndRangeForCell(table, row, kNoCpValue, 1, &cell);
  EXPECT_EQ(RawTextString(doc, cell.first, cell.limit), QStringLiteral("a2\nmore"));
  KnotEntry mark;
  ASSERT_TRUE(KnotEntryForTableColumn(row, 1, &mark));
  EXPECT_EQ(Kolor(mark.word1), MakeKolor(0, 0, 255));
  EXPECT_TRUE(read.text().startsWith(QStringLiteral("before\n")));
  EXPECT_TRUE(read.text().endsWith(QStringLiteral("after\n")));
  QString reason;
  EXPECT_TRUE(ValidateDocument(doc, &reason)) << qPrintable(reason);
}

TEST_F(RtfReaderTest, LinksCheckboxesAndPicturesBecomeKnots) {
  QImage pixels(6, 3, QImage::Format_ARGB32);
  pixels.fill(Qt::green);
  QByteArray png;
  QBuffer buffer(&png);
  buffer.open(QIODevice::WriteOnly);
  pixels.save(&buffer, "PNG");
  const QByteArray rtf = "{\\rtf1\\ansi see {\\field{\\*\\fldinst{HYPERLINK \"https://example.org/a\\{b\\}\"}}"
                         "{\\fldrslt the site}} now\\crvncheck1 done{\\pict\\pngblip\\picw6\\pich3\\picscalex50"
                         "\\picscaley60\n" +
                         png.toHex() + "}{\\field{\\*\\fldinst{HYPERLINK \\\\l \"here\"}}{\\fldrslt local}}\\par}";
  const ReadResult read = Read(rtf);
  ASSERT_EQ(read.result, RtfImportResult::kDone) << qPrintable(read.message);
  CorvaneDoc* doc = read.doc.get();
  // The space after a word belongs to the word.
  EXPECT_EQ(read.text(), QStringLiteral("see the site nowdonelocal\n"));
  KnotFormat link;
  FetchKnot(doc, CpOf(read, "the site"), &link, kKnotLink);
  ASSERT_NE(link.index, kNoCpValue);
  EXPECT_EQ(LinkAddressString(link), QStringLiteral("https://example.org/a{b}"));
  EXPECT_EQ(LinkDisplayString(link), QStringLiteral("the site"));
  EXPECT_EQ(KnotCount(doc, kKnotLink), 1u);  // a link to a place in the file is text
  EXPECT_EQ(KnotCount(doc, kKnotCheckbox), 1u);
  ASSERT_EQ(KnotCount(doc, kKnotPicture), 1u);
  ASSERT_EQ(PictureCount(doc), 1u);
  const PictureEntry* picture = PictureAtIndex(doc, 0);
  ASSERT_TRUE(picture && picture->image);
  EXPECT_EQ(GetPictureSize(picture->image).toSize(), QSize(6, 3));
  for (uint32_t i = 0; i < SizeOfDynamicCPArray(doc->knots); ++i) {
    KnotEntry entry;
    FetchDynamicCPArrayEntry(doc->knots, i, &entry);
    if (entry.type == kKnotPicture) {
      EXPECT_EQ(entry.word3, 500);  // the smaller scale
    }
    if (entry.type == kKnotCheckbox) {
      EXPECT_EQ(entry.word3, 1);
    }
  }
  QString reason;
  EXPECT_TRUE(ValidateDocument(doc, &reason)) << qPrintable(reason);
}

TEST_F(RtfReaderTest, PicturesNeedADecoderForEmfAndQuickdraw) {
  const QByteArray rtf = "{\\rtf1 a{\\pict\\emfblip 0100}b{\\pict\\macpict 0011}c}";
  EXPECT_EQ(Read(rtf).text(), QStringLiteral("abc\n"));
  EXPECT_EQ(KnotCount(Read(rtf).doc.get(), kKnotPicture), 0u);
  QList<QByteArray> seen;
  SetRtfPictureDecoder([&](const QByteArray& data, RtfPictureFormat format) {
    seen.append(data.toHex() + (format == RtfPictureFormat::kEmf ? " emf" : " pict"));
    QImage pixels(2, 2, QImage::Format_ARGB32);
    pixels.fill(Qt::blue);
    return CSImage::initWithCGImage(pixels, QSizeF(2, 2));
  });
  const ReadResult read = Read(rtf);
  SetRtfPictureDecoder(nullptr);
  EXPECT_EQ(seen, (QList<QByteArray>{"0100 emf", "0011 pict"}));
  EXPECT_EQ(KnotCount(read.doc.get(), kKnotPicture), 2u);
}

TEST_F(RtfReaderTest, EncodingsOfHexEscapesAndUnicode) {
  const ReadResult latin = Read("{\\rtf1\\ansi\\ansicpg1252 caf\\'e9\\'e9 \\u-3913 ?x\\uc1\\u8364?y}");
  EXPECT_EQ(latin.text(), QString::fromUtf16(u"caf\u00e9\u00e9 \u2022x\u20ACy\n"));
  const ReadResult japanese =
      Read("{\\rtf1\\ansi{\\fonttbl{\\f1\\fcharset128 MS Gothic;}}\\f1 \\'82\\'a0\\par}");
  EXPECT_EQ(japanese.text(), QString::fromUtf16(u"\u3042\n"));
}

TEST_F(RtfReaderTest, InsertEmptyRowMakesCellsFromItsTemplate) {
  DocPtr doc(NewCorvaneDoc(kViewDocument));
  const uint32_t start = doc->textLimit;
  Properties table;
  SetBaseProperties(kTableProperties, &table);
  table.body.table.cols = 3;
  const DocRange at{doc.get(), start, start};
  ASSERT_TRUE(InsertKnot(&at, kKnotTable, 2, &table, nullptr, false));
  RowTemplate look;
  look.columns.resize(3);
  SetBaseProperties(kParaProperties, &look.columns[1].para);
  look.columns[1].para.body.para.align = 3;
  look.columns[2].checkbox = true;
  uint32_t cp = start + 1;
  ASSERT_TRUE(InsertEmptyRow(doc.get(), &cp, 3, &look));
  EXPECT_EQ(cp, start + 1 + 4 + 1);  // four marks and a checkbox
  KnotFormat t, row;
  ASSERT_TRUE(FetchTable(doc.get(), start + 2, &t, &row, nullptr));
  EXPECT_EQ(RowCellCount(row), 3u);
  DocRange cell;
  IndexAndRangeForCell(t, row, kNoCpValue, 2, &cell);
  EXPECT_EQ(cell.limit - cell.first, 1u);
  KnotEntry box;
  EXPECT_TRUE(KnotEntryAtCp(doc.get(), cell.first, &box) && box.type == kKnotCheckbox);
  IndexAndRangeForCell(t, row, kNoCpValue, 1, &cell);
  DocRange para;
  ParaProps props;
  FetchParaProps(doc.get(), nullptr, cell.limit, &para, &props);
  EXPECT_EQ(props.align, 3u);
  // Too many cells, or none, are refused and leave nothing behind.
  const uint32_t before = doc->cpLimit;
  cp = start + 1;
  EXPECT_FALSE(InsertEmptyRow(doc.get(), &cp, kMaxRowCells + 1, nullptr));
  EXPECT_FALSE(InsertEmptyRow(doc.get(), &cp, 0, nullptr));
  EXPECT_EQ(doc->cpLimit, before);
  QString reason;
  EXPECT_TRUE(ValidateDocument(doc.get(), &reason)) << qPrintable(reason);
}

}  // namespace

namespace {

// The text `unrtf --text` prints for the file without its notes (lines
// starting "###" and the header's rule) and without white space, which
// the two readers place differently between table cells; *ran false when
// the program is missing.
QString UnrtfText(const QString& path, bool* ran) {
  *ran = false;
  const QString program = QStandardPaths::findExecutable(QStringLiteral("unrtf"));
  if (program.isEmpty()) return {};
  // It writes the pictures it meets into its working folder.
  QTemporaryDir scratch;
  if (!scratch.isValid()) return {};
  QProcess process;
  process.setWorkingDirectory(scratch.path());
  process.start(program, {QStringLiteral("--text"), QFileInfo(path).absoluteFilePath()});
  if (!process.waitForFinished(60000) || process.exitStatus() != QProcess::NormalExit) return {};
  *ran = true;
  const QByteArray bytes = process.readAllStandardOutput();
  QStringDecoder utf8(QStringDecoder::Utf8);
  QString text = utf8(bytes);
  if (utf8.hasError()) text = QString::fromLatin1(bytes);  // it writes Latin 1 where it can
  QStringList kept;
  for (const QString& line : text.split(u'\n'))
    if (!line.startsWith(QLatin1String("###")) && line != QLatin1String("-----------------")) kept.append(line);
  return kept.join(QString()).remove(QRegularExpression(QStringLiteral("\\s+")));
}

QString OurText(CorvaneDoc* doc) {
  DocRange body;
  GetDocumentRange(doc, &body, true);
  return ExtractPlainText(body, false).remove(QRegularExpression(QStringLiteral("\\s+")));
}

struct CorpusFile {
  QString path;
  // Why the words differ from unrtf's, when they do: a feature the
  // engine's dialect does not have.
  const char* missingFeature;
};

void CheckFileAgainstUnrtf(const CorpusFile& file) {
  SCOPED_TRACE(qPrintable(file.path));
  QFile in(file.path);
  ASSERT_TRUE(in.open(QIODevice::ReadOnly));
  const QByteArray bytes = in.readAll();
  DocPtr doc(NewCorvaneDoc(kViewDocument));
  QString message;
  const RtfImportResult result = ImportRtfCore(doc.get(), bytes, 0, 0, QString(), &message);
  if (result == RtfImportResult::kFailed) {
    EXPECT_TRUE(message == g_rtfMalformedMessage || message == g_rtfMemoryMessage) << qPrintable(message);
    return;
  }
  QString reason;
  EXPECT_TRUE(ValidateDocument(doc.get(), &reason)) << qPrintable(reason);
  bool ran = false;
  const QString theirs = UnrtfText(file.path, &ran);
  if (!ran || file.missingFeature) return;
  EXPECT_EQ(OurText(doc.get()), theirs);
}

}  // namespace

TEST_F(RtfReaderTest, CorpusFilesReadAsUnrtfReadsThem) {
  const QString folder = QStringLiteral(TWDRAW_SOURCE_DIR "/../shared/corpora/rtf/pandoc");
  if (!QFileInfo(folder).isDir()) GTEST_SKIP() << "the RTF corpus is not there: " << qPrintable(folder);
  const QStringList files = QDir(folder).entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name);
  ASSERT_EQ(files.size(), 16);
  // Files whose text differs for a feature one of the readers lacks.
  const QHash<QString, const char*> differing = {
      {QStringLiteral("footnote.rtf"), "footnotes are not carried"},
      {QStringLiteral("image.rtf"), "unrtf prints a note and a file name for a picture"},
      {QStringLiteral("link.rtf"), "unrtf prints a field's instruction, the engine its result"},
      {QStringLiteral("unicode.rtf"), "unrtf prints \"?\" for what Latin 1 lacks"},
      {QStringLiteral("list_complex.rtf"), "list numbers of other writers are not carried"},
      {QStringLiteral("list_legacy.rtf"), "list numbers of other writers are not carried"},
  };
  for (const QString& name : files) CheckFileAgainstUnrtf({QDir(folder).filePath(name), differing.value(name)});
}

TEST_F(RtfReaderTest, OurFixturesReadAsUnrtfReadsThem) {
  const QString folder = QStringLiteral(TWDRAW_TEST_DATA "/richtext/rtf");
  for (const QString& name : QDir(folder).entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name))
    CheckFileAgainstUnrtf({QDir(folder).filePath(name), nullptr});
}
