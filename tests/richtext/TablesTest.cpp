#include "richtext/Tables.h"

#include <gtest/gtest.h>

#include <functional>
#include <memory>

#include "ImageCompare.h"
#include "richtext/DrawLine.h"
#include "richtext/FontNames.h"
#include "richtext/LineFormat.h"
#include "richtext/Panes.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RichTextBuilder.h"
#include "support/TextDrawing.h"
#include "support/ThreadStorage.h"

namespace {

constexpr int64_t kPt = 12700;
constexpr uint32_t kBody = RichTextBuilder::kBodyStart;

// A 3 x 3 table at the body's start: table 14-36, rows 15-21 ("a" | "b" |
// "c"), 22-28 ("d" | "e" | "f") and 29-35 ("g" | "h" | "i"), then "z\n".
class TablesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
  }
  void TearDown() override { ReleaseLineFormat(&lf); }

  void Build(const std::function<void(TableProps&)>& change, const QString& cell1 = QStringLiteral("b")) {
    ReleaseLineFormat(&lf);
    made = std::make_unique<RichTextBuilder>();
    doc = made->doc();
    QString text = QString(QChar(0)) + QChar(0) + "a" + QChar(1) + cell1 + QChar(1) + "c" + QChar(1);
    const uint32_t shift = uint32_t(cell1.size()) - 1;
    text += QString(QChar(0)) + "d" + QChar(1) + "e" + QChar(1) + "f" + QChar(1);
    text += QString(QChar(0)) + "g" + QChar(1) + "h" + QChar(1) + "i" + QChar(1) + QChar(1) + "z\n";
    made->text(text);
    Properties chars;
    InitProperties(kCharProperties, &chars, nullptr);
    chars.body.charProps.font = IndexOfFont(QStringLiteral("DejaVu Sans"));
    chars.body.charProps.size = 48;
    chars.body.charProps.color = kBlackKolor;
    made->charRun(kBody, IndexForProperties(doc, &chars));
    Properties table;
    InitProperties(kTableProperties, &table, nullptr);
    TableProps& t = table.body.table;
    t.cols = 3;
    t.columns[0] = 100 * kPt, t.columns[1] = 50 * kPt, t.columns[2] = 80 * kPt;
    change(t);
    const uint32_t s = shift;
    made->knotMarks(kKnotTable, {14, 36 + s}, IndexForProperties(doc, &table))
        .knotMarks(kKnotRow, {15, 17, 19 + s, 21 + s})
        .knotMarks(kKnotRow, {22 + s, 24 + s, 26 + s, 28 + s})
        .knotMarks(kKnotRow, {29 + s, 31 + s, 33 + s, 35 + s});
    ClearTableCache(doc);
  }

  std::vector<QRectF> Cells(uint32_t cp, const QRectF& rowRect, std::vector<int64_t>* widths = nullptr) {
    KnotFormat table, row;
    TableProps props;
    EXPECT_TRUE(FetchTable(doc, cp, &table, &row, &props));
    uint32_t count = 0;
    const uint32_t position = ApproximateRowNumber(table, row, props, 0, doc->cpLimit, &count);
    std::vector<QRectF> cells;
    GetCellRects(1.0, rowRect, position, count, table, row, props, &cells, widths);
    return cells;
  }

  std::unique_ptr<RichTextBuilder> made;
  CorvaneDoc* doc = nullptr;
  LineFormat lf;
};

TEST_F(TablesTest, CellsOfAThreeByThreeTableMatchTheHandComputedLayout) {
  Build([](TableProps& t) {
    t.left = 10 * kPt;
    t.cleft = 4 * kPt, t.cright = 6 * kPt;
  });
  std::vector<int64_t> widths;
  const std::vector<QRectF> cells = Cells(23, QRectF(0, 50, 500, 30), &widths);
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(cells[0], QRectF(10, 50, 100, 30));
  EXPECT_EQ(cells[1], QRectF(110, 50, 50, 30));
  EXPECT_EQ(cells[2], QRectF(160, 50, 80, 30));
  EXPECT_EQ(widths, (std::vector<int64_t>{90 * kPt, 40 * kPt, 70 * kPt}));

  // Cell ranges: the first row's first cell starts at the table's mark.
  struct Case {
    uint32_t cp;
    int32_t column, expectedColumn;
    uint32_t first, limit;
  } cases[] = {{16, -1, 0, 14, 17}, {18, -1, 1, 18, 19}, {20, -1, 2, 20, 21}, {23, -1, 0, 22, 24},
               {25, -1, 1, 25, 26}, {30, 2, 2, 34, 35}, {30, 3, -1, 0, 0}};
  for (const Case& c : cases) {
    KnotFormat table, row;
    ASSERT_TRUE(FetchTable(doc, c.cp, &table, &row, nullptr));
    DocRange range;
    EXPECT_EQ(IndexAndRangeForCell(table, row, c.cp, c.column, &range), c.expectedColumn) << c.cp;
    EXPECT_EQ(range.first, c.first) << c.cp;
    EXPECT_EQ(range.limit, c.limit) << c.cp;
  }
  KnotFormat table, row;
  ASSERT_TRUE(FetchTable(doc, 14, &table, &row, nullptr));
  EXPECT_EQ(row.start, 15u);
  EXPECT_EQ(TableRowCount(table, 1, &row), 3u);
  EXPECT_EQ(row.start, 22u);
  EXPECT_FLOAT_EQ(FullTableWidth(doc, 23), 240.0f);
}

TEST_F(TablesTest, PercentageWidthsFillTheRowTheLastColumnTakingTheRest) {
  Build([](TableProps& t) {
    t.autofit = 1;
    t.left = 10 * kPt, t.right = 20 * kPt;
    // 116 % in the record: the reader's clamp keeps the sum at 100 %.
    t.columns[0] = 33 * kPt, t.columns[1] = 33 * kPt, t.columns[2] = 50 * kPt;
  });
  for (double width : {400.0, 333.3, 97.0}) {
    const std::vector<QRectF> cells = Cells(23, QRectF(0, 0, width, 20));
    ASSERT_EQ(cells.size(), 3u);
    EXPECT_DOUBLE_EQ(cells[0].left(), 10.0);
    EXPECT_NEAR(cells[2].right(), width - 20, 1e-9);
    EXPECT_NEAR(cells[0].width(), (width - 30) * 0.33, 1e-9);
    EXPECT_NEAR(cells[2].width(), (width - 30) * 0.34, 1e-9);
  }
}

TEST_F(TablesTest, RightAlignedTableMeetsTheRightIndent) {
  Build([](TableProps& t) {
    t.align = 3;
    t.right = 15 * kPt;
  });
  const std::vector<QRectF> cells = Cells(30, QRectF(5, 0, 500, 20));
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_DOUBLE_EQ(cells[2].right(), 5 + 500 - 15.0);
  EXPECT_DOUBLE_EQ(cells[0].left(), 5 + 500 - 15.0 - 230);
}

TEST_F(TablesTest, RowLineIsItsTallestCellPlusPaddings) {
  Build(
      [](TableProps& t) {
        t.before = 2 * kPt, t.after = 3 * kPt;
      },
      QStringLiteral("b\nb"));
  ASSERT_TRUE(InitFormatLine(doc, CurrentPane(doc), &lf, kLineInTableCell));
  FormatLine(18, 40 * kPt, &lf);
  const float oneLine = lf.lineHeight;
  ASSERT_GT(oneLine, 0);
  EXPECT_EQ(lf.endCp, 20u);  // the cell's paragraph break

  ASSERT_TRUE(InitFormatLine(doc, CurrentPane(doc), &lf, 0));
  FormatLine(14, 500 * kPt, &lf);
  EXPECT_EQ(lf.lineKind, 3u);
  EXPECT_EQ(lf.tableCp, 15u);
  EXPECT_EQ(lf.endCp, 24u);
  EXPECT_FLOAT_EQ(lf.lineHeight, std::ceil(2 * oneLine + 5));
  FormatLine(lf.endCp, 500 * kPt, &lf);
  EXPECT_EQ(lf.lineKind, 3u);
  EXPECT_FLOAT_EQ(lf.lineHeight, std::ceil(oneLine + 5));
  FormatLine(lf.endCp, 500 * kPt, &lf);
  EXPECT_EQ(lf.endCp, 39u);  // the last row takes the table's closing mark
  FormatLine(lf.endCp, 500 * kPt, &lf);
  EXPECT_EQ(lf.lineKind, 0u);
}

TEST_F(TablesTest, NegativeMinimumHeightIsExactWhateverTheCellsHold) {
  for (const QString& cell : {QStringLiteral("b"), QStringLiteral("b\nb\nb\nb\nb\nb\nb\nb")}) {
    Build([](TableProps& t) { t.height = -40 * kPt, t.before = 5 * kPt; }, cell);
    ASSERT_TRUE(InitFormatLine(doc, CurrentPane(doc), &lf, 0));
    FormatLine(15, 500 * kPt, &lf);
    EXPECT_EQ(lf.lineKind, 3u);
    EXPECT_FLOAT_EQ(lf.lineHeight, 40.0f);
  }
}

TEST_F(TablesTest, StripesAndTitleRowShowWhereExpected) {
  for (bool titleRow : {true, false}) {
    Build([&](TableProps& t) {
      t.stripe = 1;
      t.stripecolor = MakeKolor(0, 200, 0);
      t.titlerow = titleRow ? 1 : 0;
    });
    ASSERT_TRUE(InitFormatLine(doc, CurrentPane(doc), &lf, 0));
    std::vector<double> tops;
    const QImage image = RenderInContext(QSize(300, 200), [&](QPainter&) {
      double y = 0;
      uint32_t cp = 14;
      for (int i = 0; i < 3; ++i) {
        FormatLine(cp, 300 * kPt, &lf);
        ASSERT_EQ(lf.lineKind, 3u);
        DrawFormattedLine(&lf, 0, g_nilKolor, nullptr, QRectF(0, y, 300, lf.lineHeight), QRectF(0, 0, 300, 200));
        tops.push_back(y + lf.lineHeight / 2);
        y += lf.lineHeight;
        cp = lf.endCp;
      }
    });
    ASSERT_EQ(tops.size(), 3u);
    const QColor green(0, 200, 0);
    auto at = [&](int row) { return image.pixel(95, int(tops[row])); };  // the first cell, right of its text
    if (titleRow) {
      EXPECT_FALSE(ColorNear(at(0), Qt::white, 2));  // a column header
      EXPECT_FALSE(ColorNear(at(0), green, 2));
      EXPECT_TRUE(ColorNear(at(1), Qt::white, 2));
      EXPECT_TRUE(ColorNear(at(2), green, 2));
    } else {
      EXPECT_TRUE(ColorNear(at(0), Qt::white, 2));
      EXPECT_TRUE(ColorNear(at(1), green, 2));
      EXPECT_TRUE(ColorNear(at(2), Qt::white, 2));
    }
    // Each cell's text is drawn inside its cell.
    EXPECT_GT(InkCount(image, QRect(0, 0, 100, int(tops[2] * 2)), Qt::white, 60), 0);
    EXPECT_GT(InkCount(image, QRect(100, 0, 50, int(tops[0] * 2)), Qt::white, 60), 0);
  }
}

TEST_F(TablesTest, TableRecordsFromFilesAreClamped) {
  TableProps props;
  props.cols = 200;
  props.autofit = 1;
  for (int i = 0; i < 25; ++i) props.columns[i] = 30 * kPt;
  props.height = -int64_t(1) << 60;
  SanitizeTableProps(&props);
  EXPECT_EQ(props.cols, 25);
  int64_t sum = 0;
  for (int64_t width : props.columns) sum += width;
  EXPECT_EQ(sum, kFullPercentage);
  EXPECT_EQ(props.height, -kMaxTableRowHeight);
}

}  // namespace
