#include "richtext/Geometry.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(GeometryTest, PinMovesEachCoordinateInsideAndNeverBeforeTheOrigin) {
  struct Case {
    QPointF point;
    QRectF rect;
    bool inside;
    QPointF pinned;
  };
  const Case cases[] = {
      {{150, -5}, {0, 0, 100, 100}, false, {99, 0}},
      {{50, 50}, {0, 0, 100, 100}, true, {50, 50}},
      {{100, 50}, {0, 0, 100, 100}, false, {99, 50}},  // the far edge is outside
      {{0, 0}, {0, 0, 100, 100}, true, {0, 0}},
      {{-3, 120}, {10, 20, 30, 40}, false, {10, 59}},
      // Under one point wide or high: pinned to the origin, not before it.
      {{5, 5}, {2, 2, 0.5, 0.25}, false, {2, 2}},
      {{5, 5}, {2, 2, 0, 0}, false, {2, 2}},
      // Single precision on the way out.
      {{1e9 + 0.3, 0}, {0, 0, 1e10, 1}, true, {1e9 + 0.3, 0}},
      {{-1, 0.1}, {0.1, 0.1, 1, 1}, false, {double(float(0.1)), double(float(0.1))}},
  };
  for (const Case& c : cases) {
    QPointF point = c.point;
    EXPECT_EQ(FPointInRectPin(&point, c.rect), c.inside) << c.point.x() << "," << c.point.y();
    EXPECT_EQ(point, c.pinned) << c.point.x() << "," << c.point.y();
  }
  EXPECT_FALSE(FPointInRectPin(nullptr, QRectF(0, 0, 1, 1)));
}

TEST(GeometryTest, PointInRectIsHalfOpenWithTheTopEdgeInside) {
  const QRectF rect(10, 20, 30, 40);
  EXPECT_TRUE(IsPointInRect(rect, 10, 20));       // top-left corner
  EXPECT_TRUE(IsPointInRect(rect, 39.9, 59.9));
  EXPECT_FALSE(IsPointInRect(rect, 40, 30));      // right edge
  EXPECT_FALSE(IsPointInRect(rect, 20, 60));      // bottom edge
  EXPECT_FALSE(IsPointInRect(rect, 9.99, 30));
  EXPECT_FALSE(IsPointInRect(rect, 20, 19.99));
  EXPECT_FALSE(IsPointInRect(QRectF(0, 0, 0, 10), 0, 5));
  EXPECT_FALSE(IsPointInRect(rect, std::numeric_limits<double>::quiet_NaN(), 30));
}

TEST(GeometryTest, UnionAndIntersectionAnswerWhetherTheResultHasArea) {
  struct Case {
    QRectF a, b;
    bool unionHasArea;
    QRectF unionRect;
    bool intersectionHasArea;
    QRectF intersection;
  };
  const Case cases[] = {
      {{0, 0, 0, 0}, {5, 5, -1, 3}, false, {}, false, {}},
      {{0, 0, 0, 10}, {5, 5, 10, 10}, true, {5, 5, 10, 10}, false, {}},
      {{0, 0, 10, 10}, {5, 5, 10, 10}, true, {0, 0, 15, 15}, true, {5, 5, 5, 5}},
      {{0, 0, 10, 10}, {10, 0, 10, 10}, true, {0, 0, 20, 10}, false, {}},  // touching edges
      {{0, 0, 10, 10}, {2, 2, 3, 3}, true, {0, 0, 10, 10}, true, {2, 2, 3, 3}},
  };
  for (const Case& c : cases) {
    QRectF out(7, 7, 7, 7);
    EXPECT_EQ(UnionRects(&out, c.a, c.b), c.unionHasArea);
    EXPECT_EQ(out, c.unionRect);
    out = QRectF(7, 7, 7, 7);
    EXPECT_EQ(IntersectRects(&out, c.a, c.b), c.intersectionHasArea);
    EXPECT_EQ(out, c.intersection);
    EXPECT_EQ(RectsIntersect(c.a, c.b), c.intersectionHasArea);
  }
}

TEST(GeometryTest, ContainmentInsetsIntegralAndScale) {
  EXPECT_TRUE(FRectWithinRect(QRectF(0, 0, 10, 10), QRectF(0, 0, 10, 10)));
  EXPECT_FALSE(FRectWithinRect(QRectF(1, 1, 10, 10), QRectF(0, 0, 10, 10)));
  EXPECT_FALSE(FRectWithinRect(QRectF(1, 1, 0, 5), QRectF(0, 0, 10, 10)));  // empty never fits

  QRectF rect(10, 20, 30, 40);
  InsetRect(&rect, 5, -2);
  EXPECT_EQ(rect, QRectF(15, 18, 20, 44));
  OffsetRect(&rect, -15, 2);
  EXPECT_EQ(rect, QRectF(0, 20, 20, 44));
  QRectF out;
  OffsetCopyRect(&out, rect, 1.5f, 0);
  EXPECT_EQ(out, QRectF(1.5, 20, 20, 44));
  InsetCopyRect(&out, rect, 10, 22);
  EXPECT_TRUE(IsRectEmpty(out));

  IntegralCopyRect(&out, QRectF(0.5, -0.5, 1.2, 1.0));
  EXPECT_EQ(out, QRectF(0, -1, 2, 2));
  IntegralCopyRect(&out, QRectF(3.5, 3.5, 0, 1));
  EXPECT_EQ(out, QRectF());

  ScaleRect(&out, QRectF(1, 2, 3, 4), 2, 10, 20);
  EXPECT_EQ(out, QRectF(12, 24, 6, 8));
  QPointF point;
  ScalePointX(&point, 1, 2, 0.5f, 1, 1);
  EXPECT_EQ(point, QPointF(1.5, 2));
  EXPECT_TRUE(FEqualPoint(point, QPointF(1.5, 2)));
  EXPECT_FALSE(FEqualRect(QRectF(0, 0, 1, 1), QRectF(0, 0, 1, 1.0000001)));
}

}  // namespace
