#include "richtext/Borders.h"

#include <gtest/gtest.h>

#include <QPainter>

#include "ImageCompare.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RichTextBuilder.h"

namespace {

constexpr int64_t kPt = 12700;

struct Codes {
  uint32_t top, bottom, left, right;
  bool operator==(const Codes&) const = default;
};

std::ostream& operator<<(std::ostream& out, const Codes& c) {
  return out << "(" << c.top << ", " << c.bottom << ", " << c.left << ", " << c.right << ")";
}

Codes Rewritten(uint32_t btype, uint32_t row, uint32_t rows, uint32_t column, uint32_t columns) {
  BorderDisplay display;
  SetBorderDisplay(btype, row, rows, column, columns, &display);
  ModifyBorderDisplayForKind(btype, &display);
  return {display.top, display.bottom, display.left, display.right};
}

TEST(BordersTest, EdgeKindsRewriteTheGridCodes) {
  struct Case {
    uint32_t btype, row, rows, column, columns;
    Codes codes;
  };
  const Case cases[] = {
      // A grid of one cell: every kind.
      {0, 0, 1, 0, 1, {0, 0, 0, 0}},
      {1, 0, 1, 0, 1, {0, 0, 2, 0}},
      {2, 0, 1, 0, 1, {0, 0, 0, 2}},
      {3, 0, 1, 0, 1, {0, 0, 2, 2}},
      {4, 0, 1, 0, 1, {2, 0, 0, 0}},
      {5, 0, 1, 0, 1, {0, 2, 0, 0}},
      {6, 0, 1, 0, 1, {2, 2, 0, 0}},
      {7, 0, 1, 0, 1, {2, 2, 2, 2}},
      {8, 0, 1, 0, 1, {0, 0, 0, 0}},
      {9, 0, 1, 0, 1, {2, 2, 2, 2}},
      {10, 0, 1, 0, 1, {2, 2, 2, 2}},
      {11, 0, 1, 0, 1, {2, 2, 2, 2}},
      {12, 0, 1, 0, 1, {2, 2, 2, 2}},
      {13, 0, 1, 0, 1, {0, 2, 0, 0}},
      {14, 0, 1, 0, 1, {2, 2, 2, 2}},  // a first row's bottom 4 is outer in a one-row grid
      {15, 0, 1, 0, 1, {0, 2, 0, 0}},
      {16, 0, 1, 0, 1, {2, 2, 2, 2}},  // past the kinds: unchanged
      // One row of three, one column of three.
      {7, 0, 1, 1, 3, {2, 2, 0, 0}},
      {7, 2, 3, 0, 1, {0, 2, 2, 2}},
      {9, 1, 3, 0, 1, {3, 1, 2, 2}},
      {8, 0, 1, 2, 3, {0, 0, 3, 0}},
      {14, 1, 3, 0, 1, {3, 1, 6, 6}},
      // Three by three: corner, middle and edge cells.
      {7, 1, 3, 1, 3, {0, 0, 0, 0}},
      {8, 1, 3, 1, 3, {3, 1, 3, 1}},
      {8, 0, 3, 0, 3, {0, 1, 0, 1}},
      {9, 0, 3, 0, 3, {2, 1, 2, 1}},
      {9, 1, 3, 1, 3, {3, 1, 3, 1}},
      {10, 0, 3, 0, 3, {2, 1, 2, 0}},
      {10, 1, 3, 0, 3, {3, 0, 2, 0}},
      {11, 1, 3, 1, 3, {0, 0, 3, 0}},
      {12, 1, 3, 1, 3, {3, 0, 3, 0}},
      {13, 0, 3, 0, 3, {0, 1, 0, 0}},
      {13, 1, 3, 2, 3, {3, 0, 0, 0}},
      {14, 1, 3, 2, 3, {3, 1, 3, 6}},
      {14, 2, 3, 0, 3, {3, 2, 6, 1}},
      {15, 1, 3, 1, 3, {3, 0, 3, 0}},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(Rewritten(c.btype, c.row, c.rows, c.column, c.columns), c.codes)
        << "kind " << c.btype << " cell " << c.row << "/" << c.rows << ", " << c.column << "/" << c.columns;
  }
  // Kind 10's row-1 top gives way when the cell's bottom is the grid's
  // outer edge but the row is not the last.
  BorderDisplay display{4, 2, 2, 2, 0, 3, 0, 1};
  ModifyBorderDisplayForKind(10, &display);
  EXPECT_EQ(display.top, 0u);
}

TEST(BordersTest, ConversionRoundsDoubleLinesAndClampsFileValues) {
  BorderProps props;
  props.bline = kLineDouble;
  props.bwidth = 12 * kPt / 10;  // 1.2 points
  BorderSpec spec;
  ConvertBorderSpec(props, &spec);
  EXPECT_EQ(spec.kind, kBorderDouble);
  EXPECT_FLOAT_EQ(spec.width, 2.0f);

  props.bline = kLineSerrated;
  props.btype = kEdgeBetween;
  props.bwidth = -5;
  props.bthick = 50000 * kPt;
  ConvertBorderSpec(props, &spec);
  EXPECT_EQ(spec.kind, kBorderSingle);  // no teeth between paragraphs
  EXPECT_EQ(spec.width, 0.0f);
  EXPECT_EQ(spec.thickness, kMaxBorderPoints);

  props.btype = kEdgeBox;
  props.bline = 99;
  ConvertBorderSpec(props, &spec);
  EXPECT_EQ(spec.kind, kBorderNone);
}

TEST(BordersTest, BorderWidthCountsTheOffsetAndTheVisibleLine) {
  struct Case {
    uint32_t kind;
    float width, thickness;
    Kolor line;
    float expected;
  };
  const Case cases[] = {
      {kBorderDouble, 0.5f, 0, g_blackKolor, 2 + 3 * 1.0f},
      {kBorderSingle, 3, 0, g_blackKolor, 2 + 3},
      {kBorderSerrated, 2, 6, g_blackKolor, 2 + 2 + 6},
      {kBorderGradient, 2, 6, g_blackKolor, 2 + 6},
      {kBorderNone, 2, 6, g_blackKolor, 2},
      {kBorderSingle, 3, 0, g_nilKolor, 2},
  };
  for (const Case& c : cases) {
    BorderSpec spec;
    spec.kind = c.kind, spec.width = c.width, spec.thickness = c.thickness, spec.offset = 2, spec.lineKolor = c.line;
    EXPECT_FLOAT_EQ(BorderWidth(spec), c.expected) << c.kind;
  }
}

TEST(BordersTest, DefaultBorderCompletesANewBorder) {
  BorderSpec gradient;
  gradient.lineKolor = MakeKolor(255, 0, 0);
  gradient.innerKolor = g_nilKolor;
  EXPECT_TRUE(SetDefaultBorder(&gradient, kBorderGradient));
  EXPECT_EQ(gradient.innerKolor, MakeKolor(0, 255, 255, 100));
  EXPECT_FLOAT_EQ(gradient.width, 1.0f);
  EXPECT_FLOAT_EQ(gradient.thickness, 6.0f);

  BorderSpec empty;
  EXPECT_TRUE(SetDefaultBorder(&empty, 0));
  EXPECT_EQ(empty.kind, kBorderBackground);
  EXPECT_EQ(empty.lineKolor, 0u);  // nothing else changes

  BorderSpec complete;
  complete.kind = kBorderSingle, complete.width = 2, complete.lineKolor = g_blackKolor;
  EXPECT_FALSE(SetDefaultBorder(&complete, 0));
}

TEST(BordersTest, ThicknessPerSide) {
  BorderProps props;
  props.btype = kEdgeBox;
  props.bline = kLineSingle;
  props.bwidth = kPt / 5;  // raised to half a point, counted as one
  props.boff = 0;
  props.color = g_blackKolor;
  BorderDisplay display;
  SetBorderDisplay(kEdgeBox, 0, 2, 0, 1, &display);  // first of a run of two
  BorderSides sides = BorderThickness(props, display);
  EXPECT_FLOAT_EQ(sides.left, 1.0f);
  EXPECT_FLOAT_EQ(sides.top, 1.0f);
  EXPECT_FLOAT_EQ(sides.bottom, 0.0f);  // an inner edge the box leaves out

  props.bwidth = 3 * kPt / 2;
  props.boff = 4 * kPt;
  sides = BorderThickness(props, display);
  EXPECT_FLOAT_EQ(sides.top, 6.0f);  // 4 + 1.5, rounded up to whole points

  // Edges of kind 8 drawn by the neighbour keep only the offset, unless the
  // display asks for none.
  props.btype = kEdgeBetween;
  SetBorderDisplay(kEdgeBetween, 0, 2, 0, 1, &display);
  EXPECT_FLOAT_EQ(BorderThickness(props, display).bottom, 4.0f);
  display.noOffset = 1;
  EXPECT_FLOAT_EQ(BorderThickness(props, display).bottom, 0.0f);

  // An edge that was never there takes nothing, however wide the line.
  props.btype = kEdgeBox;
  props.bwidth = 900 * kPt;
  display = BorderDisplay{0, 2, 2, 2, 0, 1, 0, 1};
  EXPECT_EQ(BorderThickness(props, display).top, 0.0f);
}

TEST(BordersTest, DoublePatternsOfGridCells) {
  auto pattern = [](uint32_t btype, uint32_t row, uint32_t rows, uint32_t column, uint32_t columns) {
    BorderDisplay display;
    SetBorderDisplay(btype, row, rows, column, columns, &display);
    return DoubleLinePatternForCell(btype, display);
  };
  EXPECT_EQ(pattern(kEdgeBox, 0, 1, 0, 1), 21u);
  EXPECT_EQ(pattern(kEdgeTopBottom, 0, 1, 0, 1), 25u);  // no closed box for kind 6
  EXPECT_EQ(pattern(kEdgeBox, 0, 3, 0, 1), 27u);
  EXPECT_EQ(pattern(kEdgeBox, 2, 3, 0, 1), 28u);
  EXPECT_EQ(pattern(kEdgeBox, 2, 3, 2, 3), 8u);
  EXPECT_EQ(pattern(kEdgeBoxRow1, 1, 2, 0, 1), 29u);
  EXPECT_EQ(pattern(kEdgeBoxRow1Column1, 1, 2, 1, 3), 15u);
  EXPECT_EQ(pattern(kEdgeBoxColumn1, 0, 1, 1, 2), 24u);
  EXPECT_EQ(pattern(kEdgeRow1BoxBetween, 1, 2, 2, 3), 35u);
  EXPECT_EQ(pattern(kEdgeRow1Columns, 1, 3, 2, 3), 9u);
  EXPECT_EQ(pattern(16, 0, 1, 0, 1), 0u);
}

BorderPlan PlanFor(const BorderProps& props, uint32_t btype, uint32_t row, uint32_t rows) {
  BorderDisplay display;
  SetBorderDisplay(btype, row, rows, 0, 1, &display);
  return PlanBorder(props, false, display, QRectF(10, 10, 100, 20));
}

TEST(BordersTest, DrawBorderDrawsOnlyTheOutlineOfARun) {
  BorderProps props;
  props.btype = kEdgeBox;
  props.bline = kLineSingle;
  props.bwidth = 2 * kPt;
  props.color = g_blackKolor;
  // Middle paragraph of three: its top and bottom belong to the run inside.
  BorderPlan middle = PlanFor(props, kEdgeBox, 1, 3);
  ASSERT_EQ(middle.steps.size(), 1u);
  const QRectF bounds = middle.steps[0].path.boundingRect();
  EXPECT_EQ(bounds.top(), 10);     // the sides start at the rectangle's top...
  EXPECT_EQ(bounds.bottom(), 32);  // ...and reach one width past its bottom into the next paragraph's
  // Only left and right: two segments.
  EXPECT_EQ(middle.steps[0].path.elementCount(), 4);

  // A double line in a single paragraph is the closed double box.
  props.bline = kLineDouble;
  BorderPlan box = PlanFor(props, kEdgeBox, 0, 1);
  ASSERT_EQ(box.steps.size(), 1u);
  QPainterPath expected;
  DoubleLinePatternPath(BorderSpec{}, 21, QRectF(10, 10, 100, 20), 2, &expected, nullptr);
  EXPECT_EQ(box.steps[0].path, expected);
}

class ParagraphEdgesTest : public ::testing::Test {
 protected:
  void SetUp() override {
    //           14-15 16  17-18 19  20-21 22
    builder.text(QStringLiteral("ab\ncd\nef\n"));
    doc = builder.doc();
    Properties record;
    SetBaseProperties(kParaProperties, &record);
    record.body.para.border.btype = kEdgeBox;
    record.body.para.border.bwidth = kPt;
    record.body.para.border.color = g_blackKolor;
    boxed = IndexForProperties(doc, &record);
    record.body.para.indentl = 20 * kPt;
    indented = IndexForProperties(doc, &record);
  }

  Codes EdgesAt(uint32_t cp, bool firstLine = true) {
    DocRange para;
    ParaProps props;
    FetchParaProps(doc, nullptr, cp, &para, &props);
    BorderDisplay display;
    GetParagraphBorderEdges(doc, nullptr, firstLine, props, para, &display);
    return {display.top, display.bottom, display.left, display.right};
  }

  RichTextBuilder builder;
  CorvaneDoc* doc = nullptr;
  uint32_t boxed = 0, indented = 0;
};

TEST_F(ParagraphEdgesTest, ConsecutiveEqualBordersFormOneRun) {
  builder.paraRun(14, boxed);
  EXPECT_EQ(EdgesAt(14), (Codes{2, 4, 2, 2}));
  EXPECT_EQ(EdgesAt(17), (Codes{4, 3, 2, 2}));
  EXPECT_EQ(EdgesAt(20), (Codes{4, 2, 2, 2}));
  // A later line never opens the run.
  EXPECT_EQ(EdgesAt(14, false).top, 4u);
}

TEST_F(ParagraphEdgesTest, AnotherIndentStartsANewRun) {
  builder.paraRun(14, boxed).paraRun(17, indented).paraRun(20, boxed);
  EXPECT_EQ(EdgesAt(17), (Codes{2, 2, 2, 2}));
  EXPECT_EQ(EdgesAt(14), (Codes{2, 2, 2, 2}));
}

TEST_F(ParagraphEdgesTest, InsideATableCellOnlyParagraphsOfThatCellJoin) {
  // Table 14-25, one row 15-24: cell 0 "ab\ncd" (14-21), cell 1 "ef" (22-24).
  builder.text(QString(QChar(0)) + QChar(0) + "ab\ncd" + QChar(1) + "ef" + QChar(1) + QChar(1) + "z\n");
  Properties table;
  InitProperties(kTableProperties, &table, nullptr);
  table.body.table.cols = 2;
  builder.knotMarks(kKnotTable, {14, 25}, IndexForProperties(doc, &table))
      .knotMarks(kKnotRow, {15, 21, 24})
      .paraRun(14, boxed);
  ClearTableCache(doc);
  EXPECT_EQ(EdgesAt(16), (Codes{2, 4, 2, 2}));  // joins the next paragraph of its cell
  EXPECT_EQ(EdgesAt(19), (Codes{4, 2, 2, 2}));  // the next cell's paragraph does not join
  EXPECT_EQ(EdgesAt(22), (Codes{2, 2, 2, 2}));
}

TEST(BordersPaintTest, DrawBorderPaintsIntoTheCurrentContext) {
  BorderProps props;
  props.btype = kEdgeBox;
  props.bline = kLineSingle;
  props.bwidth = 4 * kPt;
  props.color = MakeKolor(255, 0, 0);
  props.back = MakeKolor(0, 0, 255);
  BorderDisplay display;
  SetBorderDisplay(kEdgeBox, 0, 1, 0, 1, &display);
  const QImage image = RenderInContext(QSize(60, 60), [&](QPainter&) {
    DrawBorder(nullptr, props, false, display, QRectF(20, 20, 20, 20));
  });
  EXPECT_TRUE(ColorNear(image.pixel(30, 30), Qt::blue));
  EXPECT_TRUE(ColorNear(image.pixel(18, 30), Qt::red));  // 2 points outside the left edge
  EXPECT_TRUE(ColorNear(image.pixel(30, 42), Qt::red));
  EXPECT_TRUE(ColorNear(image.pixel(30, 46), Qt::white));
}

}  // namespace
