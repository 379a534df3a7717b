#include "richtext/BorderRenderer.h"

#include <gtest/gtest.h>

#include <QPainter>
#include <QPainterPathStroker>
#include <cmath>

#include "ImageCompare.h"

namespace {

const Kolor kRed = MakeKolor(255, 0, 0);
const Kolor kBlue = MakeKolor(0, 0, 255);

BorderSpec Spec(uint32_t kind, float width = 1, float thickness = 0, Kolor line = kRed, Kolor back = g_nilKolor) {
  BorderSpec spec;
  spec.kind = kind;
  spec.width = width;
  spec.thickness = thickness;
  spec.lineKolor = line;
  spec.backKolor = back;
  return spec;
}

// The points of a path's move and line elements, in order.
QList<QPointF> Points(const QPainterPath& path) {
  QList<QPointF> points;
  for (int i = 0; i < path.elementCount(); ++i) points.append(path.elementAt(i));
  return points;
}

TEST(BorderRendererTest, NoneAndBackgroundKinds) {
  const QRectF rect(10, 10, 50, 20);
  EXPECT_TRUE(PlanBorderCore(Spec(kBorderNone, 1, 0, kRed, kBlue), 15, 0, rect).steps.empty());
  const BorderPlan background = PlanBorderCore(Spec(kBorderBackground, 1, 0, kRed, kBlue), 15, 0, rect);
  ASSERT_EQ(background.steps.size(), 1u);
  EXPECT_EQ(background.steps[0].op, BorderStep::kFillRect);
  EXPECT_EQ(background.steps[0].rect, rect);
  EXPECT_EQ(background.steps[0].kolor, kBlue);
}

TEST(BorderRendererTest, ABoxIsOneClosedRectangleGrownByHalfTheWidth) {
  // 0.2 points wide is drawn 0.5 wide; the rectangle is first rounded out.
  const BorderPlan plan = PlanBorderCore(Spec(kBorderSingle, 0.2f), kBorderAllSides, 0, QRectF(10.2, 10, 50.5, 20));
  ASSERT_EQ(plan.steps.size(), 1u);
  const BorderStep& stroke = plan.steps[0];
  EXPECT_EQ(stroke.op, BorderStep::kStrokePath);
  EXPECT_FLOAT_EQ(stroke.width, 0.5f);
  EXPECT_EQ(stroke.path.elementCount(), 5);  // one subpath, closed
  EXPECT_EQ(QPointF(stroke.path.elementAt(0)), QPointF(stroke.path.elementAt(4)));
  EXPECT_EQ(stroke.path.boundingRect(), QRectF(9.75, 9.75, 51.5, 20.5));
}

TEST(BorderRendererTest, SeparateSidesFollowTheJoinAndOuterEdgeRules) {
  const QRectF rect(0, 0, 100, 50);
  struct Case {
    const char* name;
    uint32_t sides;
    uint8_t leftJoined, rightJoined, extendCorners;
    QList<QPointF> points;
  };
  const Case cases[] = {
      {"top alone runs half a width past the right", kBorderTop, 0, 0, 0, {{0, -1}, {101, -1}}},
      {"an outer right edge stops it flush", kBorderTop | kBorderOuterRight, 0, 0, 0, {{0, -1}, {100, -1}}},
      {"left and top meet at the corner",
       kBorderTop | kBorderLeft,
       0,
       0,
       0,
       {{-1, -1}, {101, -1}, {-1, -2}, {-1, 52}}},
      {"an outer bottom edge ends the left side flush",
       kBorderLeft | kBorderOuterBottom,
       0,
       0,
       0,
       {{-1, 0}, {-1, 50}}},
      {"joined corners reach a whole width out",
       kBorderTop | kBorderLeft | kBorderRight,
       1,
       1,
       1,
       {{-2, -1}, {102, -1}}},
  };
  for (const Case& c : cases) {
    BorderSpec spec = Spec(kBorderSingle, 2);
    spec.leftJoined = c.leftJoined, spec.rightJoined = c.rightJoined, spec.extendCorners = c.extendCorners;
    const BorderPlan plan = PlanBorderCore(spec, c.sides, 0, rect);
    ASSERT_EQ(plan.steps.size(), 1u) << c.name;
    EXPECT_EQ(Points(plan.steps[0].path), c.points) << c.name;
  }
}

TEST(BorderRendererTest, DotsAndDashesAreInPenWidths) {
  const QRectF rect(0, 0, 40, 40);
  EXPECT_EQ(PlanBorderCore(Spec(kBorderDotted, 2), 15, 0, rect).steps[0].dashes, (QList<qreal>{1, 2}));
  EXPECT_EQ(PlanBorderCore(Spec(kBorderDashed, 2), 15, 0, rect).steps[0].dashes, (QList<qreal>{4, 2}));
  EXPECT_TRUE(PlanBorderCore(Spec(kBorderSingle, 2), 15, 0, rect).steps[0].dashes.isEmpty());
}

TEST(BorderRendererTest, TeethAndScallopsDivideEachSide) {
  const QRectF rect(0, 0, 100, 50);
  const BorderPlan teeth = PlanBorderCore(Spec(kBorderSerrated, 1, 30), kBorderTop, 0, rect);
  ASSERT_EQ(teeth.steps.size(), 1u);
  const QList<QPointF> points = Points(teeth.steps[0].path);
  ASSERT_EQ(points.size(), 7);  // the start and three teeth of two lines each
  const double tooth = 100.0 / 3;
  for (int i = 0; i < 3; ++i) {
    EXPECT_NEAR(points[1 + 2 * i].x(), tooth * i + tooth / 2, 1e-4);
    EXPECT_EQ(points[1 + 2 * i].y(), -30);  // pointing outward, as deep as the thickness
    EXPECT_NEAR(points[2 + 2 * i].x(), tooth * (i + 1), 1e-4);
  }

  // A thickness of 0 makes teeth 1 deep.
  const BorderPlan shallow = PlanBorderCore(Spec(kBorderSerrated, 1, 0), kBorderBottom, 0, rect);
  EXPECT_EQ(shallow.steps[0].path.boundingRect().bottom(), 51);

  // Scallops bulge outward on every side.
  const BorderPlan scallops = PlanBorderCore(Spec(kBorderScallops, 1, 30), kBorderAllSides, 0, rect);
  const QRectF bounds = scallops.steps[0].path.boundingRect();
  EXPECT_NEAR(bounds.top(), -tooth / 2, 0.01);
  EXPECT_NEAR(bounds.right(), 100 + 25, 0.01);  // 50 / 30: one scallop down the side
  EXPECT_NEAR(bounds.bottom(), 50 + tooth / 2, 0.01);
  EXPECT_NEAR(bounds.left(), -25, 0.01);
}

TEST(BorderRendererTest, OpenOrnamentsFillFirstThenStroke) {
  const BorderPlan plan = PlanBorderCore(Spec(kBorderSerrated, 1, 10, kRed, kBlue), kBorderTop | kBorderLeft, 0,
                                         QRectF(0, 0, 100, 50));
  ASSERT_EQ(plan.steps.size(), 2u);
  EXPECT_EQ(plan.steps[0].op, BorderStep::kFillPath);
  EXPECT_EQ(plan.steps[0].kolor, kBlue);
  EXPECT_EQ(plan.steps[1].op, BorderStep::kStrokePath);
  EXPECT_EQ(plan.steps[1].kolor, kRed);
  // The stroke jumps over the sides that are not drawn.
  int moves = 0;
  for (int i = 0; i < plan.steps[1].path.elementCount(); ++i) moves += plan.steps[1].path.elementAt(i).isMoveTo();
  EXPECT_EQ(moves, 2);
}

TEST(BorderRendererTest, OrnamentCountIsCappedForATinyThickness) {
  BorderSpec spec = Spec(kBorderSerrated, 1, 1.0f / 12700);
  const BorderPlan plan = PlanBorderCore(spec, kBorderAllSides, 0, QRectF(0, 0, 900, 900));
  EXPECT_LE(plan.steps[0].path.elementCount(), 4 * 2 * kMaxBorderOrnaments + 2);
  spec.thickness = std::nanf("");
  spec.width = 1e30f;
  EXPECT_FLOAT_EQ(PlanBorderCore(spec, kBorderAllSides, 0, QRectF(0, 0, 50, 50)).steps[0].width, kMaxBorderPoints);
}

TEST(BorderRendererTest, DoubleBorderWithoutAPatternOnlyFills) {
  const BorderPlan plan = PlanBorderCore(Spec(kBorderDouble, 1, 0, kRed, kBlue), 3, 0, QRectF(0, 0, 20, 20));
  ASSERT_EQ(plan.steps.size(), 1u);
  EXPECT_EQ(plan.steps[0].op, BorderStep::kFillRect);
}

TEST(BorderRendererTest, AroundRectGrowsByTheOffsetAndDrawsTheDoubleBox) {
  BorderSpec spec = Spec(kBorderDouble, 1);
  spec.offset = 4;
  spec.pattern = 3;
  spec.leftJoined = 1;
  const BorderPlan plan = PlanBorderAroundRect(spec, QRectF(10, 10, 30, 20));
  EXPECT_EQ(plan.rect, QRectF(6, 6, 38, 28));
  ASSERT_EQ(plan.steps.size(), 1u);
  // Two closed rectangles, 0.5 and 2.5 widths outside the grown rectangle.
  EXPECT_EQ(plan.steps[0].path.boundingRect(), QRectF(3.5, 3.5, 43, 33));
  EXPECT_EQ(plan.steps[0].path.toSubpathPolygons().size(), 2);
}

// Every rule of every pattern is two strokes whose centre lines lie w / 2
// and 2.5 w outside an edge of the rectangle, and the fill rectangle holds
// all the ink.
TEST(BorderRendererTest, EveryDoublePatternKeepsItsStrokesOnTheRules) {
  const QRectF rect(100, 100, 60, 40);
  const float w = 2;
  const double x = rect.x(), y = rect.y(), right = rect.right(), bottom = rect.bottom();
  const QList<double> columns = {x - w / 2, x - 2.5 * w, right + w / 2, right + 2.5 * w};
  const QList<double> rows = {y - w / 2, y - 2.5 * w, bottom + w / 2, bottom + 2.5 * w};
  for (uint32_t pattern = 1; pattern <= kDoublePatternCount; ++pattern) {
    for (int joined = 0; joined < 2; ++joined) {
      BorderSpec spec;
      spec.leftJoined = spec.rightJoined = spec.extendCorners = uint8_t(joined);
      QPainterPath path;
      QRectF fill;
      ASSERT_TRUE(DoubleLinePatternPath(spec, pattern, rect, w, &path, &fill));
      for (const QPolygonF& polyline : path.toSubpathPolygons()) {
        for (qsizetype i = 1; i < polyline.size(); ++i) {
          const QPointF a = polyline[i - 1], b = polyline[i];
          if (a.x() == b.x()) {
            EXPECT_TRUE(columns.contains(a.x())) << "pattern " << pattern << " x " << a.x();
          } else {
            ASSERT_EQ(a.y(), b.y()) << "pattern " << pattern;
            EXPECT_TRUE(rows.contains(a.y())) << "pattern " << pattern << " y " << a.y();
          }
        }
      }
      QPainterPathStroker stroker;
      stroker.setWidth(w);
      stroker.setCapStyle(Qt::FlatCap);
      stroker.setJoinStyle(Qt::MiterJoin);
      const QRectF ink = stroker.createStroke(path).boundingRect();
      EXPECT_TRUE(fill.adjusted(-0.01, -0.01, 0.01, 0.01).contains(ink))
          << "pattern " << pattern << " joined " << joined;
    }
  }
  EXPECT_FALSE(DoubleLinePatternPath(BorderSpec{}, 0, rect, w, nullptr, nullptr));
  EXPECT_FALSE(DoubleLinePatternPath(BorderSpec{}, 38, rect, w, nullptr, nullptr));
}

TEST(BorderRendererTest, JoinedPatternsRunOnUnderTheNeighboursRule) {
  const QRectF rect(0, 0, 60, 40);
  BorderSpec spec;
  QRectF plain, joined;
  QPainterPath plainPath, joinedPath;
  DoubleLinePatternPath(spec, 25, rect, 1, &plainPath, &plain);
  spec.leftJoined = spec.rightJoined = spec.extendCorners = 1;
  DoubleLinePatternPath(spec, 25, rect, 1, &joinedPath, &joined);
  EXPECT_EQ(joined, plain.adjusted(-3, 0, 3, 0));
  EXPECT_EQ(joinedPath.boundingRect(), plainPath.boundingRect().adjusted(-3, 0, 3, 0));
  // Pattern 1 reads no flags.
  DoubleLinePatternPath(spec, 1, rect, 1, &joinedPath, &joined);
  DoubleLinePatternPath(BorderSpec{}, 1, rect, 1, &plainPath, &plain);
  EXPECT_EQ(joined, plain);
}

TEST(BorderRendererTest, GradientBevelShadesFromTheLineColourOutside) {
  BorderSpec spec = Spec(kBorderGradient, 1, 10, kRed);
  spec.innerKolor = kBlue;
  const QImage image = RenderInContext(QSize(80, 80), [&](QPainter&) {
    DrawBorderCore(spec, kBorderAllSides, 0, QRectF(20, 20, 40, 40));
  });
  EXPECT_TRUE(ColorNear(image.pixel(40, 10), QColor(255, 0, 0), 40));  // outer edge of the top
  EXPECT_TRUE(ColorNear(image.pixel(40, 19), QColor(0, 0, 255), 40));  // inner edge
  EXPECT_TRUE(ColorNear(image.pixel(69, 40), QColor(255, 0, 0), 40));  // outer edge of the right
  EXPECT_TRUE(ColorNear(image.pixel(40, 40), Qt::white));              // inside stays clear
  // The corners meet on the diagonal: the trapezoids cover the corner square.
  EXPECT_FALSE(ColorNear(image.pixel(13, 15), Qt::white));
}

}  // namespace
