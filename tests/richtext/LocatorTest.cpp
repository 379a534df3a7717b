#include <gtest/gtest.h>

#include <QObject>
#include <cmath>
#include <functional>
#include <limits>
#include <memory>

#include "richtext/ContinuousView.h"
#include "richtext/DisplayLines.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/FontNames.h"
#include "richtext/LineFormat.h"
#include "richtext/Locator.h"
#include "richtext/Panes.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/Tables.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBody = RichTextBuilder::kBodyStart;
constexpr int64_t kPt = 12700;

// A document laid out in a 400 x 300 fake view, the text column fitting the
// window, 12-point DejaVu Sans.
class LocatorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
  }

  void Build(const QString& text, const std::function<void(RichTextBuilder&, CorvaneDoc*)>& extra = {}) {
    made = std::make_unique<RichTextBuilder>();
    doc = made->doc();
    made->text(text);
    made->fontRun(kBody, QStringLiteral("DejaVu Sans"), 48);
    if (extra) extra(*made, doc);
    ClearTableCache(doc);
    doc->hostWindow = &window;
    doc->fitToWindow = 1;
    ASSERT_TRUE(SetupPane(doc, &view, 1, kNoCpValue));
    pane = CurrentPane(doc);
    ASSERT_TRUE(CalculateLines(doc, pane, nullptr));
    ASSERT_GT(LineCount(), 0u);
  }

  uint32_t LineCount() const { return SizeOfDynamicCPArray(pane->displayLines); }
  const DisplayLine& Line(uint32_t i) const { return *DisplayLineAtIndex(pane->displayLines, i); }
  uint32_t LineCp(uint32_t i) const {
    return i < LineCount() ? CpAtIndex(pane->displayLines, i) : MaxCp(pane->displayLines);
  }

  Locator Locate(double x, double y, uint32_t options = kLocateClick) {
    Locator locator;
    InitLocator(doc, pane, &locator);
    LocatePointInDoc(&locator, options, x, y);
    return locator;
  }

  // The cell of the character at cp in view coordinates.
  QRectF CellOf(uint32_t cp) {
    Locator locator;
    InitLocator(doc, pane, &locator);
    locator.cp = cp;
    QRectF rect;
    EXPECT_TRUE(GetRectContainingCp(&locator, &rect, false)) << cp;
    return rect;
  }

  FakeCorvaneHost host;
  ScopedCorvaneConfig config;
  QObject window, view;
  std::unique_ptr<RichTextBuilder> made;
  CorvaneDoc* doc = nullptr;
  Pane* pane = nullptr;
};

TEST_F(LocatorTest, PointsBesideAndBelowLinesGiveTheCpsACaretBelongsAt) {
  // "Short\n" 14-19, then a paragraph long enough to wrap.
  const QString para = QStringLiteral(
      "alpha beta gamma delta epsilon zeta eta theta iota kappa lambda mu nu xi "
      "omicron pi rho sigma tau upsilon phi chi psi omega");
  Build(QStringLiteral("Short\n") + para + "\n");
  ASSERT_GE(LineCount(), 3u);
  const uint32_t lineFeed = 19, wrapEnd = LineCp(2);
  ASSERT_EQ(LineCp(1), 20u);
  const DisplayLine& first = Line(0);
  const DisplayLine& wrapped = Line(1);
  const double mid0 = first.top + first.height / 2, mid1 = wrapped.top + wrapped.height / 2;

  struct Case {
    const char* what;
    double x, y;
    uint32_t options;
    uint32_t cp;
    uint32_t line;
  } cases[] = {
      {"inside the rectangle, right of the text", first.left + first.width - 2, mid0, kLocateClick, lineFeed, 0},
      {"right of the rectangle", first.left + first.width + 20, mid0, kLocateClick, lineFeed, 0},
      {"right of a wrapped line", wrapped.left + wrapped.width - 2, mid1, kLocateClick, wrapEnd - 1, 1},
      {"left of a line", first.left - 5, mid0, kLocateClick, kBody, 0},
      {"on a line, first cp only", first.left + 30, mid0, kLocateClamp, kBody, 0},
  };
  for (const Case& c : cases) {
    const Locator locator = Locate(c.x, c.y, c.options);
    EXPECT_EQ(locator.cp, c.cp) << c.what;
    EXPECT_EQ(locator.lineIndex, c.line) << c.what;
    EXPECT_FALSE(locator.afterLineEnd) << c.what;
  }

  // Below the last line: with option 4 the last visible cp, the text's last
  // break; without it the last line's first cp.
  const DisplayLine& last = Line(LineCount() - 1);
  const double below = last.top + last.height + 10;
  Locator locator = Locate(first.left + 10, below);
  EXPECT_EQ(locator.hitZone, kZoneBelowLines);
  EXPECT_EQ(locator.cp, doc->textLimit - 1);
  locator = Locate(first.left + 10, below, kLocateClamp);
  EXPECT_EQ(locator.cp, LineCp(LineCount() - 1));

  // A point on a character gives the nearer edge, the character itself when
  // asked for exactly.
  const QRectF l = CellOf(kBody + 1);  // the "h" of "Short"
  EXPECT_EQ(Locate(l.left() + l.width() * 0.3, mid0).cp, kBody + 1);
  EXPECT_EQ(Locate(l.left() + l.width() * 0.8, mid0).cp, kBody + 2);
  Locator exact;
  InitLocator(doc, pane, &exact);
  exact.exact = 1;
  LocatePointInDoc(&exact, kLocateClick, l.left() + l.width() * 0.8, mid0);
  EXPECT_EQ(exact.cp, kBody + 1);
  EXPECT_EQ(exact.hitZone, kZoneOnText);
}

TEST_F(LocatorTest, TabHalvesAndParagraphPrefixes) {
  Build(QStringLiteral("a\tb\nmarked\n"), [](RichTextBuilder& builder, CorvaneDoc* doc) {
    Properties para;
    InitProperties(kParaProperties, &para, nullptr);
    para.body.para.prefix.count = 3;
    para.body.para.prefix.units[0] = u'>';
    para.body.para.prefix.units[1] = u'>';
    para.body.para.prefix.units[2] = u'>';
    builder.paraRun(18, IndexForProperties(doc, &para));
  });
  const uint32_t tab = kBody + 1;
  const QRectF cell = CellOf(tab);
  ASSERT_GT(cell.width(), 4.0);
  const double y = cell.center().y();
  EXPECT_EQ(Locate(cell.left() + cell.width() * 0.25, y).cp, tab);
  EXPECT_EQ(Locate(cell.left() + cell.width() * 0.75, y).cp, tab + 1);

  // The prefix is generated text: a click on it gives the paragraph's first
  // text cp and says a prefix was hit.
  const DisplayLine& second = Line(1);
  ASSERT_EQ(LineCp(1), 18u);
  const QRectF m = CellOf(18);
  ASSERT_GT(m.left(), second.left + 4) << "the prefix takes room before the text";
  const Locator onPrefix = Locate(second.left + 2, second.top + second.height / 2);
  EXPECT_EQ(onPrefix.cp, 18u);
  EXPECT_TRUE(onPrefix.prefixHit);
}

TEST_F(LocatorTest, RectanglesOfCpsAndVisibility) {
  Build(QStringLiteral("one two three\nfour\n"));
  const QRectF o = CellOf(kBody), n = CellOf(kBody + 1);
  EXPECT_GT(o.width(), 0);
  EXPECT_DOUBLE_EQ(o.right(), n.left());
  EXPECT_DOUBLE_EQ(o.top(), Line(0).top);

  // RectOfCpRange: the stretch from the cp to one past the line's end is cut
  // at the next line's first cp.
  Locator locator;
  InitLocator(doc, pane, &locator);
  locator.cp = kBody + 4;
  locator.lineIndex = 0;
  uint32_t other = 100;
  QRectF range;
  RectOfCpRange(&range, &locator, &other);
  EXPECT_EQ(other, LineCp(1));
  EXPECT_DOUBLE_EQ(range.left(), CellOf(kBody + 4).left());
  EXPECT_GT(range.width(), CellOf(kBody + 4).width());
  locator.lineIndex = 99;
  RectOfCpRange(&range, &locator, &other);
  EXPECT_TRUE(range.isEmpty());

  // Visible lines; a cp that no cached line holds is not.
  InitLocator(doc, pane, &locator);
  locator.cp = kBody + 15;
  QRectF line;
  EXPECT_TRUE(IsLocationVisible(&locator, &line, false));
  EXPECT_EQ(line, QRectF(Line(1).left, Line(1).top, Line(1).width, Line(1).height));
  host.visibleRect = QRectF(0, 1000, 400, 300);
  EXPECT_FALSE(IsLocationVisible(&locator, &line, false));
  doc->hostWindow = nullptr;
  EXPECT_FALSE(IsLocationVisible(&locator, &line, false));
}

TEST_F(LocatorTest, WildPointsStayInThePaneRange) {
  Build(QString::fromUtf16(u"x\U0001F600y\nsecond\n"));
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const double points[][2] = {{-1e12, -1e12}, {1e12, 1e12}, {nan, nan}, {0, nan}, {1e300, 5}, {-5, 1e300}};
  DocRange range;
  GetPaneRange(doc, pane, &range);
  for (const auto& p : points) {
    for (uint32_t options : {0u, 1u, 4u, 5u, 7u}) {
      const Locator locator = Locate(p[0], p[1], options);
      if (locator.cp == kNoCpValue) continue;
      EXPECT_GE(locator.cp, range.first) << p[0] << "," << p[1] << " " << options;
      EXPECT_LT(locator.cp, range.limit) << p[0] << "," << p[1] << " " << options;
    }
  }
  // No located cp splits the surrogate pair at 15-16.
  const DisplayLine& first = Line(0);
  for (uint8_t exact : {0, 1}) {
    for (double x = first.left; x < first.left + 60; x += 0.5) {
      Locator locator;
      InitLocator(doc, pane, &locator);
      locator.exact = exact;
      LocatePointInDoc(&locator, kLocateClick, x, first.top + 3);
      EXPECT_NE(locator.cp, kBody + 2) << x << " exact " << int(exact);
    }
  }
}

// "t\n" 14-15, then a 3 x 3 table 16-38: rows 17-23 ("a" | "b" | "c"),
// 24-30 ("d" | "e" | "f") and 31-37 ("g" | "h" | "i"), then "z\n".
class TableLocatorTest : public LocatorTest {
 protected:
  void BuildTable(bool percentages = false) {
    QString text = QStringLiteral("t\n") + QChar(0) + QChar(0) + "a" + QChar(1) + "b" + QChar(1) + "c" + QChar(1);
    text += QString(QChar(0)) + "d" + QChar(1) + "e" + QChar(1) + "f" + QChar(1);
    text += QString(QChar(0)) + "g" + QChar(1) + "h" + QChar(1) + "i" + QChar(1) + QChar(1) + "z\n";
    Build(text, [percentages](RichTextBuilder& builder, CorvaneDoc* doc) {
      Properties table;
      InitProperties(kTableProperties, &table, nullptr);
      TableProps& t = table.body.table;
      t.cols = 3;
      t.autofit = percentages ? 1 : 0;
      t.columns[0] = 100 * kPt, t.columns[1] = 50 * kPt, t.columns[2] = 80 * kPt;
      if (percentages) t.columns[0] = 30 * kPt, t.columns[1] = 30 * kPt, t.columns[2] = 40 * kPt;
      t.cleft = 4 * kPt, t.cright = 4 * kPt;
      builder.knotMarks(kKnotTable, {16, 38}, IndexForProperties(doc, &table))
          .knotMarks(kKnotRow, {17, 19, 21, 23})
          .knotMarks(kKnotRow, {24, 26, 28, 30})
          .knotMarks(kKnotRow, {31, 33, 35, 37});
    });
  }

  double RowMiddle(uint32_t row) const { return Line(row + 1).top + Line(row + 1).height / 2; }
};

TEST_F(TableLocatorTest, APointInACellGivesACpOfThatCellAndEdgesAreFound) {
  BuildTable();
  for (uint32_t row = 1; row <= 3; ++row) ASSERT_EQ(Line(row).kind, 3u) << row;
  // Cells relative to the row: 0-100, 100-150, 150-230.
  const double left = Line(1).left;
  const double xs[] = {left + 50, left + 125, left + 190};
  for (uint32_t row = 0; row < 3; ++row) {
    for (uint32_t column = 0; column < 3; ++column) {
      const Locator locator = Locate(xs[column], RowMiddle(row));
      KnotFormat table, rowKnot;
      ASSERT_TRUE(FetchTable(doc, locator.cp, &table, &rowKnot, nullptr)) << row << column;
      EXPECT_EQ(IndexAndRangeForCell(table, rowKnot, locator.cp, -1, nullptr), int32_t(column)) << row;
      EXPECT_EQ(rowKnot.start, 17u + 7 * row) << column;
      EXPECT_EQ(locator.columnEdge, kNoCpValue);
      EXPECT_EQ(locator.columnHead, row == 0 ? column : kNoCpValue) << row << column;
      // Its rectangle lies in the row's line.
      const QRectF rect = CellOf(locator.cp);
      EXPECT_GE(rect.top(), Line(row + 1).top);
      EXPECT_LE(rect.bottom(), Line(row + 1).top + Line(row + 1).height + 0.001);
    }
  }
  // Within 2 / zoom of an edge (the middle between cells, moved right by
  // 1 / zoom) the locator reports the column edge.
  const double y = RowMiddle(1);
  struct EdgeCase {
    double x;
    uint32_t edge;
  } edges[] = {{left + 101.5, 0}, {left + 100.0, 0}, {left + 151.0, 1}, {left + 231.5, 2}, {left + 104.0, kNoCpValue}};
  for (const EdgeCase& e : edges) EXPECT_EQ(Locate(e.x, y).columnEdge, e.edge) << e.x;
  pane->zoom = 2.0f;
  EXPECT_EQ(Locate(left + 102.0, y).columnEdge, kNoCpValue) << "the slop shrinks with the zoom";
  EXPECT_EQ(Locate(left + 100.8, y).columnEdge, 0u);
}

TEST_F(TableLocatorTest, MovingUpAndDownThroughCellsAndLineEdges) {
  BuildTable();
  Locator locator;
  InitLocator(doc, pane, &locator);
  const DocRange table{doc, 16, 39};
  // From "e" (27) down to the row below, up to the row above, at the x.
  const struct {
    uint32_t direction;
    double x;
    uint32_t cp;
  } moves[] = {{0, 125, 35}, {0, 101, 34}, {3, 125, 21}, {3, 101, 20}};
  for (const auto& m : moves) {
    locator.cp = 27;
    EXPECT_EQ(FindUpOrDownInTable(&locator, table, m.direction, 0, m.x), m.cp) << m.direction << " " << m.x;
  }
  // Cell line edges: "e" is one line from 27 to its mark at 28.
  EXPECT_EQ(LineEdgeInTable(doc, pane, table, 27, nullptr, 0), 27u);
  EXPECT_EQ(LineEdgeInTable(doc, pane, table, 27, nullptr, 1), 28u);
  EXPECT_EQ(LineEdgeInTable(doc, pane, table, 27, nullptr, 2), 28u);
  EXPECT_EQ(LineEdgeInTable(doc, pane, table, 40, nullptr, 0), kNoCpValue);
  // Rectangles inside cells follow the cell's column.
  LineFormat rowLine;
  ASSERT_TRUE(InitFormatLine(doc, pane, &rowLine, kLineKeepRuns));
  FormatLine(24, DraftWidth(doc, pane), &rowLine);
  ASSERT_EQ(rowLine.lineKind, 3u);
  QRectF d, e;
  float baseline = 0;
  GetRectForCpsInTable(&rowLine, 25, 26, &d, &baseline);
  GetRectForCpsInTable(&rowLine, 27, 28, &e, nullptr);
  EXPECT_GT(baseline, 0);
  EXPECT_NEAR(d.left(), 4.0, 0.01);
  EXPECT_NEAR(e.left(), 104.0, 0.01);
  EXPECT_GT(d.width(), 0);
  ReleaseLineFormat(&rowLine);
}

TEST_F(TableLocatorTest, TheLastColumnOfPercentageWidthsHasNoEdge) {
  BuildTable(true);
  QRectF rowRect;
  std::vector<QRectF> cells;
  LineFormat rowLine;
  ASSERT_TRUE(InitFormatLine(doc, pane, &rowLine, kLineKeepRuns));
  FormatLine(24, DraftWidth(doc, pane), &rowLine);
  GetRowRectangles(&rowLine, Line(2).left, Line(2).top, &rowRect, &cells, nullptr);
  ReleaseLineFormat(&rowLine);
  ASSERT_EQ(cells.size(), 3u);
  EXPECT_EQ(Locate(cells[2].right() + 0.5, RowMiddle(1)).columnEdge, kNoCpValue);
  EXPECT_EQ(Locate((cells[0].right() + cells[1].left()) / 2 + 1.0, RowMiddle(1)).columnEdge, 0u);
}

}  // namespace
