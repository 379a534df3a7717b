#include <gtest/gtest.h>

#include <array>
#include <cmath>
#include <limits>
#include <vector>

#include "model/GeometryHelpers.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
// RotatePoint turns in single precision.
constexpr double kTolerance = 1e-3;

std::vector<QPointF> Poly(int count, const QRectF& rect) {
  std::array<QPointF, kMaxRegularPolyVertices> points{};
  const int written = GetPointsForRegularPoly(count, points.data(), rect);
  return std::vector<QPointF>(points.begin(), points.begin() + written);
}

void ExpectPoints(const std::vector<QPointF>& actual, const std::vector<QPointF>& expected) {
  ASSERT_EQ(actual.size(), expected.size());
  for (size_t i = 0; i < expected.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(actual[i].x(), expected[i].x(), kTolerance);
    EXPECT_NEAR(actual[i].y(), expected[i].y(), kTolerance);
  }
}

std::vector<QPointF> Shifted(std::vector<QPointF> points, double dx, double dy) {
  for (QPointF& p : points) p += QPointF(dx, dy);
  return points;
}

// Clockwise degrees (on the flipped canvas) from straight up about `centre`.
double AngleFromTop(const QPointF& p, const QPointF& centre) {
  double degrees = std::atan2(p.x() - centre.x(), centre.y() - p.y()) * 180.0 / kPi;
  if (degrees < -kTolerance) degrees += 360.0;
  return degrees;
}

// A regular pentagon of radius 50 about (50, 50), moved down by 4.7746 so
// that the room above its top vertex equals the room below its base.
const std::vector<QPointF> kPentagon = {
    {50, 4.7746}, {97.5528, 39.3238}, {79.3893, 95.2254}, {20.6107, 95.2254}, {2.4472, 39.3238}};
// A hexagon of radius 50 about (50, 50), its top edge flat.
const std::vector<QPointF> kHexagon = {{25, 6.6987}, {75, 6.6987}, {100, 50}, {75, 93.3013}, {25, 93.3013}, {0, 50}};

}  // namespace

TEST(GeometryHelpers, RegularPolygonsInASquare) {
  ExpectPoints(Poly(5, {0, 0, 100, 100}), kPentagon);
  ExpectPoints(Poly(6, {0, 0, 100, 100}), kHexagon);
  // Four vertices make the upright square, not a diamond.
  ExpectPoints(Poly(4, {10, 20, 100, 100}), {{10, 20}, {110, 20}, {110, 120}, {10, 120}});
}

TEST(GeometryHelpers, RegularPolygonsUseTheCentredSquareOfTheRectangle) {
  struct Case {
    const char* name;
    int count;
    QRectF rect;
    std::vector<QPointF> expected;
  };
  const Case cases[] = {
      {"wide pentagon", 5, {0, 0, 200, 100}, Shifted(kPentagon, 50, 0)},
      {"tall hexagon", 6, {0, 0, 100, 131}, Shifted(kHexagon, 0, 15)},  // 15.5 rounded down
      {"wide square", 4, {0, 0, 201, 100}, {{50, 0}, {150, 0}, {150, 100}, {50, 100}}},
      {"tall square", 4, {5, 5, 10, 13}, {{5, 6}, {15, 6}, {15, 16}, {5, 16}}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    ExpectPoints(Poly(c.count, c.rect), c.expected);
  }
}

TEST(GeometryHelpers, HeptagonStepsWholeDegreesAndLeavesTheRemainderToTheLastSide) {
  const std::vector<QPointF> points = Poly(7, {0, 0, 100, 100});
  ASSERT_EQ(points.size(), 7u);
  // The top vertex lies a radius above the centre; the whole polygon is
  // centred vertically in the square.
  EXPECT_NEAR(points[0].x(), 50, kTolerance);
  const QPointF centre(50, points[0].y() + 50);
  double highest = 100, lowest = 0;
  for (size_t i = 0; i < points.size(); ++i) {
    SCOPED_TRACE(i);
    EXPECT_NEAR(AngleFromTop(points[i], centre), 51.0 * double(i), 0.01);
    EXPECT_NEAR(std::hypot(points[i].x() - centre.x(), points[i].y() - centre.y()), 50, kTolerance);
    highest = std::min(highest, points[i].y());
    lowest = std::max(lowest, points[i].y());
  }
  EXPECT_NEAR(highest, 100 - lowest, kTolerance);
  // 51-degree sides, and a 54-degree closing side.
  auto side = [&](size_t a, size_t b) {
    return std::hypot(points[a].x() - points[b].x(), points[a].y() - points[b].y());
  };
  EXPECT_NEAR(side(0, 1), 2 * 50 * std::sin(25.5 * kPi / 180), kTolerance);
  EXPECT_NEAR(side(6, 0), 2 * 50 * std::sin(27.0 * kPi / 180), kTolerance);
}

TEST(GeometryHelpers, SixteenVerticesAtMostWhateverTheCount) {
  const QRectF square(0, 0, 100, 100);
  const std::vector<QPointF> sixteen = Poly(16, square);
  ASSERT_EQ(sixteen.size(), 16u);
  EXPECT_NEAR(sixteen[0].y(), sixteen[1].y(), kTolerance);  // flat top edge
  EXPECT_NEAR(sixteen[0].x() + sixteen[1].x(), 100, kTolerance);

  // A larger count writes no further than the caller's 16 points.
  for (int count : {17, 360, std::numeric_limits<int>::max()}) {
    SCOPED_TRACE(count);
    std::array<QPointF, kMaxRegularPolyVertices + 4> points;
    points.fill(QPointF(-1, -1));
    EXPECT_EQ(GetPointsForRegularPoly(count, points.data(), square), kMaxRegularPolyVertices);
    ExpectPoints(std::vector<QPointF>(points.begin(), points.begin() + kMaxRegularPolyVertices), sixteen);
    for (size_t i = kMaxRegularPolyVertices; i < points.size(); ++i) EXPECT_EQ(points[i], QPointF(-1, -1));
  }

  for (int count : {0, -1, std::numeric_limits<int>::min()}) {
    QPointF untouched(-1, -1);
    EXPECT_EQ(GetPointsForRegularPoly(count, &untouched, square), 0);
    EXPECT_EQ(untouched, QPointF(-1, -1));
  }
  EXPECT_EQ(GetPointsForRegularPoly(5, nullptr, square), 0);
}

TEST(GeometryHelpers, DegenerateCountsGiveTheCentreOrADiameter) {
  ExpectPoints(Poly(1, {0, 0, 100, 100}), {{50, 50}});
  ExpectPoints(Poly(2, {0, 0, 100, 100}), {{0, 50}, {100, 50}});
  ExpectPoints(Poly(3, {0, 0, 0, 0}), {{0, 0}, {0, 0}, {0, 0}});
}

TEST(GeometryHelpers, ConstrainLineSnapsToTheNearest45Degrees) {
  struct Case {
    const char* name;
    QPointF point;
    QPointF anchor;
    float scale;
    QPointF expected;
  };
  const Case cases[] = {
      {"22 degrees: horizontal", {100, 41}, {0, 0}, 1, {100, 0}},
      {"45 degrees", {100, 100}, {0, 0}, 1, {100, 100}},
      {"23 degrees: diagonal, unsnapped", {100, 43}, {0, 0}, 1, {71.5, 71.5}},
      {"leftwards", {-100, 30}, {0, 0}, 1, {-100, 0}},
      {"down", {10, 100.6}, {0, 0}, 1, {0, 100}},
      {"up", {2, -50.5}, {0, 0}, 1, {0, -51}},
      {"up-right", {100, -90}, {0, 0}, 1, {95, -95}},
      {"down-left", {-80, 100}, {0, 0}, 1, {-90, 90}},
      {"rounded down, not to nearest", {100.7, 3}, {0, 0}, 1, {100, 0}},
      {"left rounds down too", {-100.3, 2}, {0, 0}, 1, {-101, 0}},
      {"half pixels at zoom 2", {10, 100.6}, {0, 0}, 2, {0, 100.5}},
      {"quarter pixels at zoom 4", {100.7, 3}, {0, 0}, 4, {100.5, 0}},
      {"zoom 2.4 counts as 2", {10, 100.6}, {0, 0}, 2.4f, {0, 100.5}},
      {"zoom 2.6 counts as 3", {10, 100.6}, {0, 0}, 2.6f, {0, 301.0 / 3}},
      {"stays on the anchor's row", {110.6, 25}, {10.5, 20.25}, 1, {110, 20.25}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QPointF result = ConstrainLine(c.point, c.anchor, QRectF(), c.scale);
    EXPECT_NEAR(result.x(), c.expected.x(), 1e-9);
    EXPECT_NEAR(result.y(), c.expected.y(), 1e-9);
  }
}

TEST(GeometryHelpers, ConstrainLineKeepsTheEndInsideBounds) {
  struct Case {
    const char* name;
    QPointF point;
    QPointF anchor;
    QRectF bounds;
    QPointF expected;
  };
  const Case cases[] = {
      {"past the right edge", {100, 41}, {0, 0}, {0, 0, 50, 50}, {50, 0}},
      {"diagonal slides back along itself", {100, 100}, {0, 0}, {0, 0, 50, 80}, {50, 50}},
      {"diagonal past the bottom", {30, 30}, {0, 0}, {0, 0, 100, 20}, {20, 20}},
      {"135 degrees past the left edge", {10, 40}, {40, 10}, {20, 0, 100, 100}, {20, 30}},
      {"315 degrees past the top", {60, -10}, {10, 40}, {0, 0, 100, 100}, {50, 0}},
      {"above the top", {0, -30}, {0, 10}, {-5, -20, 10, 100}, {0, -20}},
      {"inside: unchanged", {40, 38}, {0, 0}, {0, 0, 100, 100}, {39, 39}},
      {"no width: no limit", {100, 100}, {0, 0}, {0, 0, 0, 50}, {100, 100}},
      {"no height: no limit", {100, 100}, {0, 0}, {0, 0, 50, 0}, {100, 100}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    const QPointF result = ConstrainLine(c.point, c.anchor, c.bounds, 1);
    EXPECT_NEAR(result.x(), c.expected.x(), 1e-9);
    EXPECT_NEAR(result.y(), c.expected.y(), 1e-9);
  }
}

TEST(GeometryHelpers, IntegralPointAtAZoom) {
  struct Case {
    QPointF point;
    float scale;
    QPointF expected;
  };
  const Case cases[] = {
      {{1.7, -1.2}, 1, {1, -2}},
      {{1.7, -1.2}, 0.5f, {1, -2}},
      {{1.7, 1.26}, 2, {1.5, 1}},
      {{1.7, 1.26}, 4.4f, {1.5, 1.25}},
      {{1.7, 1.26}, 4.5f, {1.6, 1.2}},
      {{1.7, 1.26}, std::numeric_limits<float>::quiet_NaN(), {1, 1}},
      {{1.7, 1.26}, std::numeric_limits<float>::infinity(), {1, 1}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.scale);
    const QPointF result = IntegralPoint(c.point, c.scale);
    EXPECT_NEAR(result.x(), c.expected.x(), 1e-12);
    EXPECT_NEAR(result.y(), c.expected.y(), 1e-12);
  }
}

TEST(GeometryHelpers, ScaleFromFrameInWholePercents) {
  constexpr MeasureUnit pt = kMeasurePerPoint;
  constexpr MeasureUnit big = std::numeric_limits<MeasureUnit>::max() / 2;
  struct Case {
    const char* name;
    MeasureUnit width, height;
    CSRect frame;
    MeasureUnit expected;
  };
  const Case cases[] = {
      {"150 % x 151 %", 100 * pt, 100 * pt, {0, 0, 150 * pt, 151 * pt}, 1905000},
      {"150 % x 152 %: mixed", 100 * pt, 100 * pt, {0, 0, 150 * pt, 152 * pt}, kMixedMeasure},
      {"151 % x 150 %: the width's", 100 * pt, 100 * pt, {0, 0, 151 * pt, 150 * pt}, 151 * pt},
      {"148 % x 150 %: mixed", 100 * pt, 100 * pt, {0, 0, 148 * pt, 150 * pt}, kMixedMeasure},
      {"150.99 % truncates", 100 * pt, 100 * pt, {0, 0, 1917573, 150 * pt}, 150 * pt},
      {"other sides", 40 * pt, 10 * pt, {5, 5, 20 * pt, 5 * pt}, 50 * pt},
      {"empty frame", 40 * pt, 10 * pt, {0, 0, 0, 0}, 0},
      {"no unscaled width", 0, 10 * pt, {0, 0, 10 * pt, 10 * pt}, kMixedMeasure},
      {"negative unscaled height", 10 * pt, -10 * pt, {0, 0, 10 * pt, 10 * pt}, kMixedMeasure},
      {"huge, without overflow", 1, 1, {0, 0, big, big}, kMixedMeasure - 1},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    EXPECT_EQ(ScaleFromFrame(c.width, c.height, c.frame), c.expected);
  }
}
