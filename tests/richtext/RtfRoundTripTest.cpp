// Documents built here are written as RTF and read back: the text, every
// character's and paragraph's formatting, the knots and the styles come
// back as they were (styles matched by name).
#include <gtest/gtest.h>

#include <QImage>
#include <memory>

#include "QStringPrinter.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/FontNames.h"
#include "richtext/ImageServices.h"
#include "richtext/Knots.h"
#include "richtext/Links.h"
#include "richtext/Molecules.h"
#include "richtext/Pictures.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"
#include "richtext/Styles.h"
#include "richtext/Tables.h"
#include "richtext/TextAccess.h"
#include "richtext/TextExtraction.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBody = RichTextBuilder::kBodyStart;
constexpr int64_t kTwip = 635;

struct DocDeleter {
  void operator()(CorvaneDoc* doc) const { DestroyDocument(doc); }
};
using DocPtr = std::unique_ptr<CorvaneDoc, DocDeleter>;

class RtfRoundTripTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    if (g_fontNames.isEmpty()) IndexOfFont(QStringLiteral("DejaVu Sans"));
  }
  CorvaneDoc* doc() { return builder.doc(); }
  uint32_t Intern(Properties record) { return IndexForProperties(doc(), &record); }
  Properties NormalChars() {
    Properties para, chars;
    GetStyleProps(doc(), 0, kParaProperties, &para, &chars);
    return chars;
  }
  Properties NormalPara() {
    Properties para, chars;
    GetStyleProps(doc(), 0, kParaProperties, &para, &chars);
    para.body.para.style = 0;
    return para;
  }

  // Writes the built document and reads it into a new one.
  DocPtr RoundTrip(QString* rtfOut = nullptr) {
    const QString rtf = ExportRtf(DocRange{doc(), kBody, doc()->textLimit}, QString(), 0);
    if (rtfOut) *rtfOut = rtf;
    DocPtr read(NewCorvaneDoc(kViewDocument));
    QString message;
    EXPECT_EQ(ImportRtfCore(read.get(), rtf.toLatin1(), 0, 0, QString(), &message), RtfImportResult::kDone)
        << qPrintable(message) << "\n"
        << qPrintable(rtf);
    QString reason;
    EXPECT_TRUE(ValidateDocument(read.get(), &reason)) << qPrintable(reason);
    return read;
  }

  // A record with its style field given as the style's name.
  static Properties Named(CorvaneDoc* d, Properties record, QString* name) {
    uint16_t style = 0;
    std::memcpy(&style, record.body.bytes, sizeof style);
    *name = StyleName(d, style);
    const uint16_t zero = 0;
    std::memcpy(record.body.bytes, &zero, sizeof zero);
    return record;
  }
  static void ExpectSameRecords(CorvaneDoc* a, Properties ra, CorvaneDoc* b, Properties rb, const QString& where) {
    QString nameA, nameB;
    const Properties na = Named(a, ra, &nameA), nb = Named(b, rb, &nameB);
    EXPECT_EQ(nameA, nameB) << qPrintable(where);
    MoleculePtr differences(MoleculeWithDifferences(&nb, &na, false));
    QString atoms;
    uint32_t offset = 0;
    AtomRef atom;
    while (differences && NextAtomInMolecule(differences.get(), &offset, &atom))
      atoms += QStringLiteral(" %1/%2").arg(atom.type).arg(atom.atom);
    EXPECT_TRUE(atoms.isEmpty()) << qPrintable(where) << " differs in" << qPrintable(atoms);
  }

  // Same text and knots cp for cp, same formatting for every character
  // and paragraph, same styles by name.
  void ExpectSameDocument(CorvaneDoc* read) {
    CorvaneDoc* original = doc();
    DocRange a{original, kBody, original->textLimit}, b{read, kBody, read->textLimit};
    ASSERT_EQ(ExtractPlainText(a, false), ExtractPlainText(b, false));
    ASSERT_EQ(RawTextString(original, kBody, original->textLimit), RawTextString(read, kBody, read->textLimit));
    for (uint32_t cp = kBody; cp < original->textLimit; ++cp) {
      const char16_t unit = CharacterAtCp(original, cp);
      KnotEntry ea, eb;
      const bool marked = KnotEntryAtCp(original, cp, &ea);
      ASSERT_EQ(marked, KnotEntryAtCp(read, cp, &eb)) << cp;
      if (marked) {
        EXPECT_EQ(ea.type, eb.type) << cp;
        EXPECT_EQ(ea.role, eb.role) << cp;
        if (ea.type != kKnotRow) EXPECT_EQ(ea.word1, eb.word1) << cp;
        EXPECT_EQ(ea.word2, eb.word2) << cp;
        EXPECT_EQ(ea.word3, eb.word3) << cp;
        if (ea.type == kKnotRow && ea.role != kKinkBegin) EXPECT_EQ(ea.word1, eb.word1) << "cell shading " << cp;
        const Properties* pa = PropertiesAtIndex(original, ea.props);
        const Properties* pb = PropertiesAtIndex(read, eb.props);
        EXPECT_EQ(pa != nullptr, pb != nullptr) << cp;
        if (pa && pb) {
          Properties ca = *pa, cb = *pb;
          if (ca.type == kTableProperties) {
            SanitizeTableProps(&ca.body.table);
            SanitizeTableProps(&cb.body.table);
          }
          ExpectSameRecords(original, ca, read, cb, QStringLiteral("knot record at %1").arg(cp));
        }
        continue;
      }
      if (unit == kKnotMark0 || unit == kKnotMark1) continue;
      CharProps ca, cb;
      FetchCharProps(original, nullptr, cp, &ca);
      FetchCharProps(read, nullptr, cp, &cb);
      Properties ra, rb;
      InitProperties(kCharProperties, &ra, &ca);
      InitProperties(kCharProperties, &rb, &cb);
      ExpectSameRecords(original, ra, read, rb, QStringLiteral("characters at %1").arg(cp));
      if (IsParaBreak(unit) || cp + 1 == original->textLimit) {
        DocRange pa, pb;
        ParaProps qa, qb;
        FetchParaProps(original, nullptr, cp, &pa, &qa);
        FetchParaProps(read, nullptr, cp, &pb, &qb);
        InitProperties(kParaProperties, &ra, &qa);
        InitProperties(kParaProperties, &rb, &qb);
        ExpectSameRecords(original, ra, read, rb, QStringLiteral("paragraph at %1").arg(cp));
      }
    }
    // Styles by name, with their records.
    for (uint32_t i = 1; i < StyleCount(original); ++i) {
      const StyleEntry entry = StyleEntryAt(original, i);
      if (entry.type == kNoProperties || entry.type == kListProperties) continue;
      const QString name = StyleName(original, i);
      const uint32_t j = StyleIndexForName(read, name);
      ASSERT_NE(j, kNoPropertyIndex) << qPrintable(name);
      Properties ra, ca, rb, cb;
      ASSERT_TRUE(GetStyleProps(original, i, entry.type, &ra, &ca));
      ASSERT_TRUE(GetStyleProps(read, j, entry.type, &rb, &cb));
      ExpectSameRecords(original, ra, read, rb, QStringLiteral("style ") + name);
      if (entry.type == kParaProperties) ExpectSameRecords(original, ca, read, cb, QStringLiteral("style chars ") + name);
    }
  }

  void RoundTripTable(bool autofit) {
    // 14 table, 15 row, 16 "a", 17 mark, 18 "b", 19 mark, 20 row, 21 "c", 22 mark, 23 "d", 24 mark, 25 table end
    builder.text(QString::fromUtf16(u"\0\0a\1b\1\0c\1d\1\1after\n", 18));
    Properties table;
    if (const Properties* normal = PropertiesAtIndex(doc(), doc()->normalTableIndex)) table = *normal;
    TableProps& t = table.body.table;
    t.cols = 2;
    t.columns[0] = 1440 * kTwip;
    t.columns[1] = 720 * kTwip;
    t.autofit = autofit;
    t.stripe = 1;
    t.stripecolor = MakeKolor(230, 230, 250);
    t.titlerow = 1;
    t.top = 60 * kTwip;
    t.border.btype = 9;
    t.border.bline = 1;
    t.border.bwidth = 2 * kTwip;
    t.border.color = MakeKolor(90, 0, 0);
    builder.knotMarks(kKnotTable, {14, 25}, Intern(table))
        .knotMarks(kKnotRow, {15, 17, 19})
        .knotMarks(kKnotRow, {20, 22, 24})
        .charRun(kBody, Intern(NormalChars()))
        .paraRun(kBody, Intern(NormalPara()));
    static_cast<KnotEntry*>(DynamicCPArrayEntry(doc()->knots, IndexOfCp(doc()->knots, 19)))->word1 =
        MakeKolor(0, 0, 255);
    ClearTableCache(doc());
    QString rtf;
    const DocPtr read = RoundTrip(&rtf);
    SCOPED_TRACE(qPrintable(rtf));
    ExpectSameDocument(read.get());
  }

  RichTextBuilder builder;
};

TEST_F(RtfRoundTripTest, FormattedTextStylesTabsAndBorders) {
  // 14 "plain ", 20 "bold", 24 " ", 25 astral pair, 27 " stressed", 36 "\n"
  QString text = QStringLiteral("plain bold ") + QString::fromUtf16(u"\U0001F600") + QStringLiteral(" stressed\n");
  const uint32_t tabsAt = kBody + uint32_t(text.size());
  text += QStringLiteral("tab\tbed\n");
  const uint32_t bordersAt = kBody + uint32_t(text.size());
  for (int kind = 1; kind < 16; ++kind) text += QStringLiteral("border %1\n").arg(kind);
  builder.text(text);

  Properties chars = NormalChars();
  chars.body.charProps.bold = 1;
  chars.body.charProps.italic = 1;
  chars.body.charProps.color = MakeKolor(200, 10, 10, 60);
  chars.body.charProps.back = MakeKolor(250, 250, 0);
  chars.body.charProps.size = 36 * 4;
  chars.body.charProps.underline = 3;
  chars.body.charProps.caps = 3;
  chars.body.charProps.strike = 1;
  chars.body.charProps.expand = 2 * kTwip * 5;
  chars.body.charProps.sub = 6350 * 2;
  Properties stressChars;
  SetBaseProperties(kCharProperties, &stressChars);
  stressChars.body.charProps.italic = 1;
  const uint32_t stress =
      CreateStyle(doc(), QStringLiteral("Stress"), kNotBuiltinStyle, 0, kStyleNone, &stressChars, nullptr, false);
  ASSERT_NE(stress, kNoPropertyIndex);
  Properties stressed = NormalChars();
  stressed.body.charProps.style = uint16_t(stress);
  stressed.body.charProps.italic = 1;
  builder.charRun(kBody, Intern(NormalChars()))
      .charRun(kBody + 6, Intern(chars))
      .charRun(kBody + 10, Intern(NormalChars()))
      .charRun(kBody + 14, Intern(stressed))
      .charRun(kBody + 22, Intern(NormalChars()));

  Properties quote = NormalPara();
  quote.body.para.indentl = 720 * kTwip;
  quote.body.para.align = 2;
  quote.body.para.before = 120 * kTwip;
  Properties quoteChars = NormalChars();
  quoteChars.body.charProps.size = 40;
  const uint32_t quoteStyle =
      CreateStyle(doc(), QStringLiteral("Quote"), kNotBuiltinStyle, 0, kStyleNone, &quote, &quoteChars, false);
  ASSERT_NE(quoteStyle, kNoPropertyIndex);
  Properties tabs = quote;
  tabs.body.para.style = uint16_t(quoteStyle);
  AddTab(&tabs.body.para, 0, TabStop(1440 * kTwip) | kCenterTab | (1u << 26));
  AddTab(&tabs.body.para, 1, TabStop(2880 * kTwip) | kRightTab);
  AddTab(&tabs.body.para, 2, TabStop(4320 * kTwip) | (4u << 29));
  tabs.body.para.multiple = 12 * kTwip;
  Properties tabChars = quoteChars;
  tabChars.body.charProps.style = 0;
  builder.paraRun(kBody, Intern(NormalPara())).paraRun(tabsAt, Intern(tabs)).charRun(tabsAt, Intern(tabChars));
  uint32_t at = bordersAt;
  for (uint32_t kind = 1; kind < 16; ++kind) {
    Properties bordered = NormalPara();
    BorderProps& border = bordered.body.para.border;
    border.btype = kind;
    border.bline = kind % 7;
    border.bwidth = kTwip * kind;
    border.bthick = border.bline == 4 || border.bline == 5 ? kTwip * 40 : 0;
    border.boff = kTwip * 3;
    border.color = MakeKolor(0, 0, 200);
    border.incolor = MakeKolor(0, 200, 0);
    border.back = kind == 3 ? MakeKolor(240, 240, 240) : g_nilKolor;
    builder.paraRun(at, Intern(bordered)).charRun(at, Intern(NormalChars()));
    at += uint32_t(QStringLiteral("border %1\n").arg(kind).size());
  }
  builder.paraRun(at, Intern(NormalPara()));
  QString rtf;
  const DocPtr read = RoundTrip(&rtf);
  SCOPED_TRACE(qPrintable(rtf.left(3000)));
  ExpectSameDocument(read.get());
}

TEST_F(RtfRoundTripTest, TablesWithShadingStripesAndBorders) { RoundTripTable(false); }

TEST_F(RtfRoundTripTest, AutoFitTables) { RoundTripTable(true); }

TEST_F(RtfRoundTripTest, LinksCheckboxesAndPictures) {
  // 14 link, 15-33 address, 34 middle, 35-38 "site", 39 end, 40 " ", 41 checkbox, 42 " ", 43 picture, 44 "\n"
  const QString address = QStringLiteral("https://example.org/");
  QString text = QString(QChar(0)) + address + QChar(0) + QStringLiteral("site") + QChar(0) + u' ' + QChar(0) + u' ' +
                 QChar(0) + u'\n';
  builder.text(text);
  const uint32_t middle = kBody + 1 + uint32_t(address.size());
  const uint32_t end = middle + 5;
  builder.knotMarks(kKnotLink, {kBody, middle, end});
  builder.knotMarks(kKnotCheckbox, {end + 2});
  builder.knotMarks(kKnotPicture, {end + 4});
  const uint32_t link = StyleIndexForStyleId(doc(), 6, true, false);
  ASSERT_NE(link, kNoPropertyIndex);
  Properties linkChars = NormalChars();
  linkChars.body.charProps.style = uint16_t(link);
  builder.charRun(kBody, Intern(NormalChars())).charRun(middle + 1, Intern(linkChars)).charRun(end,
                                                                                               Intern(NormalChars()));
  QImage pixels(8, 4, QImage::Format_ARGB32);
  pixels.fill(Qt::darkCyan);
  const uint32_t picture = StorePicture(doc(), CSImage::initWithCGImage(pixels, QSizeF(8, 4)), nullptr);
  auto entryAt = [&](uint32_t cp) {
    return static_cast<KnotEntry*>(DynamicCPArrayEntry(doc()->knots, IndexOfCp(doc()->knots, cp)));
  };
  entryAt(end + 2)->word3 = 1;
  entryAt(end + 4)->word1 = picture;
  entryAt(end + 4)->word2 = 2;
  entryAt(end + 4)->word3 = 1500;
  const DocPtr read = RoundTrip();
  ExpectSameDocument(read.get());
  KnotFormat format;
  FetchKnot(read.get(), kBody, &format, kKnotLink);
  EXPECT_EQ(LinkAddressString(format), address);
  const PictureEntry* entry = PictureAtIndex(read.get(), 0);
  ASSERT_TRUE(entry && entry->image);
  EXPECT_EQ(GetPictureSize(entry->image), QSizeF(8, 4));
}

TEST_F(RtfRoundTripTest, StructuresNotCarriedBecomeTheirText) {
  // A bookmark's shown text stays, a tag and a divider go; the document
  // itself stays whole.
  // 14 B0, 15 "bm", 17 B1, 18 "kept", 22 B0 end, 23 "\n"
  builder.text(QString::fromUtf16(u"\0bm\1kept\0 \0tag\0\0\n", 17));
  builder.knotMarks(kKnotBookmark, {14, 17, 22}).knotMarks(kKnotTag, {24, 28}).knotMarks(kKnotDivider, {29});
  const QString written = ExportRtf(DocRange{doc(), kBody, doc()->textLimit}, QString(), 0);
  DocPtr read(NewCorvaneDoc(kViewDocument));
  ASSERT_TRUE(ImportRtf(read.get(), written.toLatin1(), 0, 0, QString(), nullptr));
  EXPECT_EQ(RawTextString(read.get(), kBody, read->textLimit), QStringLiteral("kept \n"));
  EXPECT_EQ(SizeOfDynamicCPArray(read->bookmarkMarks), 0u);
}

}  // namespace
