#include <gtest/gtest.h>

#include <QTextBlock>
#include <QTextDocument>
#include <QTextFragment>
#include <QTextList>
#include <QTextTable>

#include "LogCapture.h"
#include "QStringPrinter.h"
#include "richtext/AttributedExport.h"
#include "richtext/FontNames.h"
#include "richtext/Lists.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Styles.h"
#include "richtext/Tables.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

constexpr int64_t kPt = 12700;
constexpr uint32_t kBody = RichTextBuilder::kBodyStart;

// A text with knot marks (0 and 1) from a literal.
template <size_t N>
QString Units(const char16_t (&text)[N]) {
  return QString::fromUtf16(text, N - 1);
}

class AttributedExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    if (g_fontNames.isEmpty()) IndexOfFont(QStringLiteral("DejaVu Sans"));
  }
  CorvaneDoc* doc() { return builder.doc(); }
  uint32_t Intern(Properties record) { return IndexForProperties(doc(), &record); }
  CharProps NormalChars() {
    Properties para, chars;
    GetStyleProps(doc(), 0, kParaProperties, &para, &chars);
    return chars.body.charProps;
  }
  uint32_t CharRecord(const CharProps& props) {
    Properties record;
    InitProperties(kCharProperties, &record, &props);
    return Intern(record);
  }
  void SetWord1(uint32_t cp, uint32_t value) {
    static_cast<KnotEntry*>(DynamicCPArrayEntry(doc()->knots, IndexOfCp(doc()->knots, cp)))->word1 = value;
  }
  std::unique_ptr<QTextDocument> ExportAll() {
    return ExportAttributedText(doc(), kBody, doc()->textLimit, nullptr, 1.0);
  }
  // A 2 x 2 table at the body's start: table 14-25, rows 15-19 ("a" | "b")
  // and 20-24 ("c" | "d"), then "after\n"; columns 72 and 36 points wide.
  void BuildTable(bool outerPaddingOnly = false) {
    builder.text(Units(u"\0\0a\1b\1\0c\1d\1\1after\n"));
    Properties table;
    SetBaseProperties(kTableProperties, &table);
    TableProps& t = table.body.table;
    t.cols = 2;
    t.columns[0] = 72 * kPt;
    t.columns[1] = 36 * kPt;
    t.cleft = 3 * kPt;
    t.cright = 4 * kPt;
    t.before = 5 * kPt;
    t.after = 6 * kPt;
    t.height = -20 * kPt;
    t.insideonly = outerPaddingOnly ? 1 : 0;
    builder.knotMarks(kKnotTable, {14, 25}, Intern(table))
        .knotMarks(kKnotRow, {15, 17, 19})
        .knotMarks(kKnotRow, {20, 22, 24});
    SetWord1(17, MakeKolor(255, 0, 0));  // cell (0, 0) shaded red
    SetWord1(24, MakeKolor(0, 0, 255));  // cell (1, 1) blue
    ClearTableCache(doc());
  }
  static QTextTable* FirstTable(QTextDocument* out) {
    for (QTextFrame* frame : out->rootFrame()->childFrames())
      if (auto* table = qobject_cast<QTextTable*>(frame)) return table;
    return nullptr;
  }
  static QString CellText(QTextTable* table, int row, int column) {
    const QTextTableCell cell = table->cellAt(row, column);
    QTextCursor cursor = cell.firstCursorPosition();
    cursor.setPosition(cell.lastCursorPosition().position(), QTextCursor::KeepAnchor);
    return cursor.selectedText();
  }
  RichTextBuilder builder;
};

TEST_F(AttributedExportTest, BlackTextHasNoForegroundAndOtherColoursDo) {
  builder.text(QStringLiteral("ab\n"));
  CharProps red = NormalChars();
  red.color = MakeKolor(255, 0, 0);
  CharProps black = NormalChars();
  black.color = kBlackKolor;
  builder.charRun(kBody, CharRecord(black)).charRun(kBody + 1, CharRecord(red));
  const auto out = ExportAll();
  ASSERT_EQ(out->toPlainText(), QStringLiteral("ab"));
  const QTextBlock block = out->begin();
  QList<QTextFragment> fragments;
  for (auto it = block.begin(); !it.atEnd(); ++it) fragments.append(it.fragment());
  ASSERT_EQ(fragments.size(), 2);
  EXPECT_FALSE(fragments[0].charFormat().hasProperty(QTextFormat::ForegroundBrush));
  EXPECT_EQ(fragments[1].charFormat().foreground().color(), QColor(255, 0, 0));
}

TEST_F(AttributedExportTest, UnderlineKindsMapToQtStyles) {
  const struct {
    uint32_t kind;
    QTextCharFormat::UnderlineStyle style;
  } cases[] = {
      {0, QTextCharFormat::NoUnderline},     {1, QTextCharFormat::SingleUnderline},
      {2, QTextCharFormat::SingleUnderline}, {3, QTextCharFormat::SingleUnderline},
      {4, QTextCharFormat::DotLine},         {5, QTextCharFormat::DashUnderline},
      {6, QTextCharFormat::SingleUnderline}, {7, QTextCharFormat::SingleUnderline},
  };
  for (const auto& c : cases) EXPECT_EQ(UnderlineMaskForType(c.kind), c.style) << c.kind;

  // A words-only underline reaches the text as a single one.
  builder.text(QStringLiteral("under\n"));
  CharProps words = NormalChars();
  words.underline = 2;
  builder.charRun(kBody, CharRecord(words));
  const auto out = ExportAll();
  const QTextCharFormat format = out->begin().begin().fragment().charFormat();
  EXPECT_EQ(format.underlineStyle(), QTextCharFormat::SingleUnderline);
  EXPECT_TRUE(out->toHtml().contains(QLatin1String("text-decoration: underline")));
}

TEST_F(AttributedExportTest, CharacterAndParagraphAttributes) {
  builder.text(QStringLiteral("xyz\n"));
  CharProps chars = NormalChars();
  chars.size = 20 * 4;
  chars.strike = 1;
  chars.expand = 2 * kPt;
  chars.sub = -3 * kPt;
  chars.back = MakeKolor(0, 255, 0);
  builder.charRun(kBody, CharRecord(chars));
  Properties para;
  SetDefaultProperties(doc(), kParaProperties, &para);
  para.body.para.align = 1;
  para.body.para.indentl = 10 * kPt;
  para.body.para.indent1 = 5 * kPt;
  para.body.para.indentr = 7 * kPt;
  para.body.para.before = 4 * kPt;
  para.body.para.after = 8 * kPt;
  para.body.para.height = -15 * kPt;
  para.body.para.tabCount = 2;
  para.body.para.tabs[0] = TabStop(36 * kPt) | kRightTab;
  para.body.para.tabs[1] = TabStop(72 * kPt) | (TabStop(4) << 29);  // bar: a left tab
  builder.paraRun(kBody, Intern(para));

  const auto out = ExportAttributedText(doc(), kBody, doc()->textLimit, nullptr, 2.0);
  const QTextBlock block = out->begin();
  const QTextBlockFormat b = block.blockFormat();
  EXPECT_EQ(b.alignment(), Qt::AlignHCenter);
  EXPECT_DOUBLE_EQ(b.leftMargin(), 10);
  EXPECT_DOUBLE_EQ(b.textIndent(), 5);
  EXPECT_DOUBLE_EQ(b.rightMargin(), 7);
  EXPECT_DOUBLE_EQ(b.topMargin(), 4);
  EXPECT_DOUBLE_EQ(b.bottomMargin(), 8);
  EXPECT_EQ(b.lineHeightType(), int(QTextBlockFormat::FixedHeight));
  EXPECT_DOUBLE_EQ(b.lineHeight(), 15);
  const QList<QTextOption::Tab> tabs = b.tabPositions();
  ASSERT_EQ(tabs.size(), 2);
  EXPECT_EQ(tabs[0], QTextOption::Tab(36, QTextOption::RightTab));
  EXPECT_EQ(tabs[1], QTextOption::Tab(72, QTextOption::LeftTab));

  const QTextCharFormat c = block.begin().fragment().charFormat();
  EXPECT_DOUBLE_EQ(c.fontPointSize(), 40);  // 20 points at scale 2
  EXPECT_TRUE(c.fontStrikeOut());
  EXPECT_DOUBLE_EQ(c.fontLetterSpacing(), 2);
  EXPECT_EQ(c.verticalAlignment(), QTextCharFormat::AlignSuperScript);
  EXPECT_EQ(c.background().color(), QColor(0, 255, 0));
}

TEST_F(AttributedExportTest, AShadedTableAndALinkGiveTheirHtmlTags) {
  BuildTable();
  const auto out = ExportAll();
  QTextTable* table = FirstTable(out.get());
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->rows(), 2);
  EXPECT_EQ(table->columns(), 2);
  EXPECT_EQ(CellText(table, 0, 0), QStringLiteral("a"));
  EXPECT_EQ(CellText(table, 1, 1), QStringLiteral("d"));
  const QTextTableCellFormat shaded = table->cellAt(0, 0).format().toTableCellFormat();
  EXPECT_EQ(shaded.background().color(), QColor(255, 0, 0));
  EXPECT_FALSE(table->cellAt(0, 1).format().hasProperty(QTextFormat::BackgroundBrush));
  EXPECT_DOUBLE_EQ(shaded.leftPadding(), 3);
  EXPECT_DOUBLE_EQ(shaded.bottomPadding(), 6);
  EXPECT_DOUBLE_EQ(shaded.property(kCellMinimumHeightProperty).toDouble(), 20);
  EXPECT_DOUBLE_EQ(shaded.property(kCellMaximumHeightProperty).toDouble(), 20);
  EXPECT_TRUE(out->toPlainText().endsWith(QLatin1String("after")));

  const QString html = out->toHtml();
  EXPECT_EQ(html.count(QLatin1String("<table")), 1) << qPrintable(html);
  EXPECT_EQ(html.count(QLatin1String("<tr>")), 2) << qPrintable(html);
  EXPECT_EQ(html.count(QLatin1String("<td")), 4) << qPrintable(html);
  EXPECT_TRUE(html.contains(QLatin1String("bgcolor=\"#ff0000\""))) << qPrintable(html);
  EXPECT_TRUE(html.contains(QLatin1String("bgcolor=\"#0000ff\""))) << qPrintable(html);
  EXPECT_TRUE(html.contains(QLatin1String("width=\"72\""))) << qPrintable(html);

  RichTextBuilder link;
  // 14 L0, 15-32 address, 33 M0, 34-37 text, 38 E0, then " end"
  link.text(Units(u"\0http://example.org\0site\0 end\n"));
  link.knotMarks(kKnotLink, {14, 33, 38});
  const auto linked = ExportAttributedText(link.doc(), kBody, link.doc()->textLimit, nullptr, 1.0);
  EXPECT_EQ(linked->toPlainText(), QStringLiteral("site end"));
  const QString linkHtml = linked->toHtml();
  EXPECT_TRUE(linkHtml.contains(QLatin1String("<a href=\"http://example.org\">"))) << qPrintable(linkHtml);
  EXPECT_EQ(linkHtml.count(QLatin1String("<a ")), 1) << qPrintable(linkHtml);
}

TEST_F(AttributedExportTest, WithTheInteriorFlagOnlyOuterCellSidesArePadded) {
  BuildTable(true);
  const auto out = ExportAll();
  QTextTable* table = FirstTable(out.get());
  ASSERT_NE(table, nullptr);
  const struct {
    int row, column;
    double left, top, right, bottom;
  } cases[] = {{0, 0, 3, 5, 0, 0}, {0, 1, 0, 5, 4, 0}, {1, 0, 3, 0, 0, 6}, {1, 1, 0, 0, 4, 6}};
  for (const auto& c : cases) {
    const QTextTableCellFormat cell = table->cellAt(c.row, c.column).format().toTableCellFormat();
    EXPECT_DOUBLE_EQ(cell.leftPadding(), c.left) << c.row << "," << c.column;
    EXPECT_DOUBLE_EQ(cell.topPadding(), c.top) << c.row << "," << c.column;
    EXPECT_DOUBLE_EQ(cell.rightPadding(), c.right) << c.row << "," << c.column;
    EXPECT_DOUBLE_EQ(cell.bottomPadding(), c.bottom) << c.row << "," << c.column;
  }
}

TEST_F(AttributedExportTest, AStretchInsideOneCellGivesThatCellWithItsBlock) {
  BuildTable();
  const auto out = ExportAttributedText(doc(), 18, 19, nullptr, 1.0);  // "b"
  QTextTable* table = FirstTable(out.get());
  ASSERT_NE(table, nullptr);
  EXPECT_EQ(table->rows(), 1);
  EXPECT_EQ(CellText(table, 0, 1), QStringLiteral("b"));
  EXPECT_EQ(CellText(table, 0, 0), QString());
  EXPECT_DOUBLE_EQ(table->cellAt(0, 1).format().toTableCellFormat().rightPadding(), 4);
  EXPECT_EQ(out->toPlainText().trimmed(), QStringLiteral("b"));
}

TEST_F(AttributedExportTest, ALinkWithoutAUsableAddressIsLoggedAndExportedAsText) {
  // 14 L0, 15-17 address, 18 M0, 19-22 text, 23 E0
  builder.text(Units(u"\0a b\0text\0\n"));
  builder.knotMarks(kKnotLink, {14, 18, 23});
  LogCapture log;
  const auto out = ExportAll();
  EXPECT_EQ(out->toPlainText(), QStringLiteral("text"));
  EXPECT_FALSE(out->toHtml().contains(QLatin1String("<a ")));
  EXPECT_TRUE(log.text().contains(QLatin1String("Can't export link: a b"))) << qPrintable(log.text());
}

TEST_F(AttributedExportTest, ListMarkersBecomeTextListFormats) {
  const struct {
    ListMarker marker;
    const char16_t* format;
    QTextListFormat::Style style;
  } cases[] = {
      {{kMarkerNumber, 1, u'(', u')'}, u"({upper-roman})", QTextListFormat::ListUpperRoman},
      {{kMarkerNumber, 4, 0, u'.'}, u"{lower-alpha}.", QTextListFormat::ListLowerAlpha},
      {{kMarkerNumber, 9, 0, 0}, u"{lower-hexadecimal}", QTextListFormat::ListStyleUndefined},
      {{kMarkerNumber, 0, 0, 0}, u"{decimal}", QTextListFormat::ListDecimal},
      {{kMarkerCheck, 0, 0, 0}, u"{box}", QTextListFormat::ListStyleUndefined},
      {{kMarkerBullet, 0, u'-', 0}, u"{hyphen}", QTextListFormat::ListStyleUndefined},
      {{kMarkerBullet, 0, 0x2022, 0}, u"{disc}", QTextListFormat::ListDisc},
      {{kMarkerBullet, 0, 0x25AA, 0}, u"{square}", QTextListFormat::ListSquare},
      {{kMarkerBullet, 0, 0x25E6, 0}, u"{circle}", QTextListFormat::ListCircle},
      {{kMarkerBullet, 0, 0x2714, 0}, u"{check}", QTextListFormat::ListStyleUndefined},
      {{kMarkerBullet, 0, u'*', 0}, u"*", QTextListFormat::ListStyleUndefined},
      {{kMarkerPicture, 0, 0, 0}, u"{disc}", QTextListFormat::ListDisc},
  };
  for (const auto& c : cases) {
    const QString format = TextListMarkerFormat(c.marker);
    EXPECT_EQ(format, QString::fromUtf16(c.format));
    EXPECT_EQ(TextListStyleForFormat(format), c.style) << qPrintable(format);
  }
}

TEST_F(AttributedExportTest, ListStyleParagraphsJoinTheirLevelsList) {
  // 14 list begin, "one\n" 15-18, "two\n" 19-22, 23 list end, "out\n"
  builder.text(Units(u"\0one\ntwo\n\0out\n"));
  Properties list;
  SetBaseProperties(kListProperties, &list);
  list.body.list.mark[0] = ListMarker{kMarkerNumber, 0, 0, u'.'};
  list.body.list.mark[1] = ListMarker{kMarkerBullet, 0, u'-', 0};
  builder.knotMarks(kKnotList, {14, 23}, Intern(list));
  Properties level1, level2;
  SetDefaultProperties(doc(), kParaProperties, &level1);
  level2 = level1;
  level1.body.para.style = uint16_t(StyleIndexForStyleId(doc(), kFirstListStyleId, true, false));
  level2.body.para.style = uint16_t(StyleIndexForStyleId(doc(), kFirstListStyleId + 1, true, false));
  Properties plain;
  SetDefaultProperties(doc(), kParaProperties, &plain);
  builder.paraRun(kBody, Intern(level1)).paraRun(19, Intern(level2)).paraRun(24, Intern(plain));

  const auto out = ExportAll();
  QTextBlock block = out->begin();
  ASSERT_NE(block.textList(), nullptr);
  EXPECT_EQ(block.textList()->format().style(), QTextListFormat::ListDecimal);
  EXPECT_EQ(block.textList()->format().numberSuffix(), QStringLiteral("."));
  EXPECT_EQ(block.text(), QStringLiteral("one"));
  block = block.next();
  ASSERT_NE(block.textList(), nullptr);
  EXPECT_EQ(block.textList()->format().indent(), 2);
  // Qt draws no hyphen marker: it is written before the text.
  EXPECT_EQ(block.text(), QStringLiteral("-\ttwo"));
  block = block.next();
  EXPECT_EQ(block.textList(), nullptr);
  EXPECT_EQ(block.text(), QStringLiteral("out"));
  const QString html = out->toHtml();
  EXPECT_EQ(html.count(QLatin1String("<li")), 2) << qPrintable(html);
  // Numbered levels are ordered lists.
  EXPECT_EQ(html.count(QLatin1String("<ol")), 1) << qPrintable(html);
  EXPECT_EQ(html.count(QLatin1String("<ul")), 1) << qPrintable(html);
}

TEST_F(AttributedExportTest, DocumentAttributesArePointsAndTheVisibleBackground) {
  builder.text(QStringLiteral("x\n"));
  doc()->docProps.left = 36 * kPt;
  doc()->docProps.right = 18 * kPt;
  doc()->docProps.top = 9 * kPt;
  doc()->docProps.bottom = 72 * kPt;
  doc()->docProps.deftab = 28 * kPt;
  doc()->docProps.back = 0xFFFFFFFF;
  AttributedDocumentAttributes attributes;
  const auto out = ExportAttributedText(doc(), kBody, doc()->textLimit, &attributes, 1.0);
  EXPECT_DOUBLE_EQ(attributes.leftMargin, 36);
  EXPECT_DOUBLE_EQ(attributes.rightMargin, 18);
  EXPECT_DOUBLE_EQ(attributes.topMargin, 9);
  EXPECT_DOUBLE_EQ(attributes.bottomMargin, 72);
  EXPECT_DOUBLE_EQ(attributes.defaultTabInterval, 28);
  EXPECT_FALSE(attributes.background.has_value());
  EXPECT_DOUBLE_EQ(out->defaultTextOption().tabStopDistance(), 28);
  doc()->docProps.back = MakeKolor(10, 20, 30);
  ExportAttributedText(doc(), kBody, doc()->textLimit, &attributes, 1.0);
  EXPECT_EQ(attributes.background, QColor(10, 20, 30));
}

}  // namespace
