#include <gtest/gtest.h>

#include <QPainter>
#include <cmath>
#include <limits>
#include <thread>

#include "support/GraphicsContext.h"
#include "support/GraphicsHelpers.h"
#include "testkit/ImageCompare.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();

void ExpectRect(const QRectF& actual, const QRectF& expected, double tolerance = 1e-9) {
  EXPECT_NEAR(actual.x(), expected.x(), tolerance);
  EXPECT_NEAR(actual.y(), expected.y(), tolerance);
  EXPECT_NEAR(actual.width(), expected.width(), tolerance);
  EXPECT_NEAR(actual.height(), expected.height(), tolerance);
}

struct CenterCase {
  const char* name;
  QRectF rect;
  QRectF bounds;
  QRectF expected;
};

TEST(GraphicsHelpersTest, CenterRectangleFitsAndCentresOnWholePoints) {
  const CenterCase cases[] = {
      {"wide shrinks", {0, 0, 200, 100}, {0, 0, 100, 100}, {0, 25, 100, 50}},
      {"fits keeps size", {7, 9, 50, 20}, {0, 0, 100, 100}, {25, 40, 50, 20}},
      {"tall shrinks, rounded down", {0, 0, 100, 300}, {0, 0, 100, 100}, {33, 0, 33, 100}},
      {"offset bounds", {0, 0, 50, 20}, {10, 20, 100, 100}, {35, 60, 50, 20}},
      {"never enlarged", {0, 0, 10, 10}, {0, 0, 1000, 1000}, {495, 495, 10, 10}},
      {"zero size", {0, 0, 0, 0}, {0, 0, 100, 100}, {50, 50, 0, 0}},
      {"zero width, too tall", {0, 0, 0, 200}, {0, 0, 100, 100}, {50, 0, 0, 100}},
      {"zero height, too wide", {0, 0, 200, 0}, {0, 0, 100, 100}, {0, 50, 100, 0}},
      {"zero-size bounds", {0, 0, 50, 20}, {10, 10, 0, 0}, {10, 10, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QRectF rect = c.rect;
    CenterRectangle(&rect, c.bounds);
    ExpectRect(rect, c.expected);
  }
  QRectF untouched(1, 2, kNaN, 4);
  CenterRectangle(&untouched, QRectF(0, 0, 10, 10));
  EXPECT_EQ(untouched.x(), 1);
  CenterRectangle(nullptr, QRectF(0, 0, 10, 10));  // no crash
  EXPECT_EQ(ScaleSizeToWidth(QSizeF(200, 100), 100), QSizeF(100, 50));
  EXPECT_EQ(ScaleSizeToWidth(QSizeF(50, 2000), 100), QSizeF(50, 2000));
  EXPECT_EQ(ScaleSizeToWidth(QSizeF(0, 0), 0), QSizeF(0, 0));
}

TEST(GraphicsHelpersTest, RectanglesFromPointsZoomAndPixelAlignment) {
  EXPECT_EQ(RectFromPoints({10, 20}, {5, 30}), QRectF(5, 20, 5, 10));
  EXPECT_EQ(RectFromPoints({3, 3}, {3, 3}), QRectF(3, 3, 0, 0));
  EXPECT_EQ(CenterOfRectangle(QRectF(10, 20, 30, 40)), QPointF(25, 40));

  const QRectF square(0, 0, 100, 100);
  ExpectRect(ZoomRect(square, 2), {25, 25, 50, 50});
  ExpectRect(ZoomRect(square, 0.5), {-50, -50, 200, 200});
  for (double degenerate : {1.0, 0.0, -2.0, kNaN, std::numeric_limits<double>::infinity()}) {
    SCOPED_TRACE(degenerate);
    EXPECT_EQ(ZoomRect(square, degenerate), square);
  }

  ExpectRect(AdjustRectToPixelBoundary(QRectF(0.3, 0.6, 10.2, 10.2), 2), {0.5, 0.5, 10, 10.5});
  ExpectRect(AdjustRectToPixelBoundary(QRectF(0.3, 0.6, 10.2, 10.2), 1), {0, 1, 11, 10});
  EXPECT_EQ(AdjustRectToPixelBoundary(QRectF(0.3, 0.6, 10.2, 10.2), 0), QRectF(0.3, 0.6, 10.2, 10.2));
}

TEST(GraphicsHelpersTest, ProjectionOnALine) {
  EXPECT_EQ(MapPointToLine({5, 5}, {0, 0}, {10, 0}), QPointF(5, 0));
  EXPECT_EQ(MapPointToLine({0, 10}, {0, 0}, {10, 10}), QPointF(5, 5));
  EXPECT_EQ(MapPointToLine({-4, 3}, {0, 0}, {10, 0}), QPointF(-4, 0));  // beyond the end: on the line
  // A zero-length line has no direction: the point comes back unchanged.
  EXPECT_EQ(MapPointToLine({7, 7}, {3, 3}, {3, 3}), QPointF(7, 7));
}

TEST(GraphicsHelpersTest, ResizeProportionallyFromEitherSide) {
  struct Case {
    const char* name;
    bool fromLeft;
    QRectF rect;
    QPointF point;
    QPointF offset;
    double minWidth, minHeight;
    QRectF expected;
  };
  const Case cases[] = {
      {"right edge doubles", false, {0, 0, 100, 50}, {200, 100}, {0, 0}, 0, 0, {0, 0, 200, 100}},
      {"offset is removed first", false, {0, 0, 100, 50}, {205, 103}, {5, 3}, 0, 0, {0, 0, 200, 100}},
      {"left edge keeps right", true, {0, 0, 100, 50}, {-100, 100}, {0, 0}, 0, 0, {-100, 0, 200, 100}},
      {"minimum width, height alike", false, {0, 0, 100, 50}, {10, 5}, {0, 0}, 20, 0, {0, 0, 20, 10}},
      {"minimum height, width alike", true, {0, 0, 100, 50}, {90, 5}, {0, 0}, 0, 25, {50, 0, 50, 25}},
      {"zero width still resizes height", false, {0, 0, 0, 50}, {0, 100}, {0, 0}, 0, 0, {0, 0, 0, 100}},
      {"zero diagonal left alone", false, {5, 5, 0, 0}, {100, 100}, {0, 0}, 10, 10, {5, 5, 0, 0}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QRectF rect = c.rect;
    ResizeRectProportionally(c.fromLeft, &rect, c.point, c.offset, c.minWidth, c.minHeight);
    ExpectRect(rect, c.expected);
  }
}

TEST(GraphicsHelpersTest, PlacingBesideAnAvoidedRectangle) {
  const QRectF area(0, 0, 1000, 800);
  EXPECT_EQ(PositionRectToAvoidRect({300, 200}, {100, 100, 200, 100}, area), QRectF(350, 400, 300, 200));
  // No room below (50 points): above, centred in the room there.
  EXPECT_EQ(PositionRectToAvoidRect({300, 200}, {100, 600, 200, 150}, area), QRectF(350, 200, 300, 200));
  // Room below is 231, one short of the height plus the 32-point margin.
  EXPECT_EQ(PositionRectToAvoidRect({300, 200}, {100, 250, 200, 319}, area), QRectF(350, 25, 300, 200));
  // Neither room: beside it, on the roomier side, centred vertically.
  EXPECT_EQ(PositionRectToAvoidRect({300, 200}, {100, 100, 200, 600}, area), QRectF(300, 300, 300, 200));
  EXPECT_EQ(PositionRectToAvoidRect({300, 200}, {700, 100, 200, 600}, area), QRectF(400, 300, 300, 200));
}

TEST(GraphicsHelpersTest, AnglesAndRotation) {
  struct Case {
    QPointF to;
    int degrees;
  };
  for (const Case& c : {Case{{10, 0}, 0}, Case{{0, 10}, 90}, Case{{-10, 0}, 180}, Case{{0, -10}, 270},
                        Case{{10, 10}, 45}, Case{{10, -0.01}, 0}, Case{{0, 0}, 0}}) {
    SCOPED_TRACE(c.degrees);
    EXPECT_EQ(DegreesFromEast(QPointF(0, 0), c.to), c.degrees);
  }
  EXPECT_EQ(DegreesFromEast(5, 5, 5, 15), 90);
  EXPECT_EQ(DegreesFromEast(QPointF(kNaN, 0), QPointF(1, 1)), 0);
  EXPECT_DOUBLE_EQ(DegreesFromRadians(RadiansFromDegrees(33)), 33);

  struct Turn {
    QPointF point;
    double degrees;
    QPointF expected;
  };
  for (const Turn& t : {Turn{{10, 0}, 90, {0, 10}}, Turn{{10, 0}, 180, {-10, 0}}, Turn{{10, 0}, 270, {0, -10}},
                        Turn{{0, 10}, 90, {-10, 0}}, Turn{{-10, 0}, 90, {0, -10}}, Turn{{0, -10}, 90, {10, 0}},
                        Turn{{10, 0}, 360, {10, 0}}, Turn{{10, 0}, -90, {0, -10}}}) {
    SCOPED_TRACE(t.degrees);
    const QPointF p = RotatePoint(t.point, QPointF(0, 0), t.degrees);
    EXPECT_NEAR(p.x(), t.expected.x(), 1e-4);
    EXPECT_NEAR(p.y(), t.expected.y(), 1e-4);
  }
  const QPointF about = RotatePoint(15, 5, 5, 5, 90);
  EXPECT_NEAR(about.x(), 5, 1e-4);
  EXPECT_NEAR(about.y(), 15, 1e-4);
  EXPECT_EQ(RotatePoint(QPointF(3, 4), QPointF(3, 4), 45), QPointF(3, 4));  // the centre stays
  EXPECT_EQ(RotatePoint(QPointF(3, 4), QPointF(0, 0), 0), QPointF(3, 4));
  EXPECT_EQ(RotatePoint(QPointF(3, 4), QPointF(0, 0), kNaN), QPointF(3, 4));
}

TEST(GraphicsHelpersTest, RotationDragAngles) {
  const QPointF centre(0, 0);
  // A quarter turn clockwise from east to south, the divisor equal to the radius.
  EXPECT_EQ(RotationForPoint({0, 10}, {10, 0}, centre, 10), 90);
  // The same quarter counter-clockwise answers its clockwise equivalent.
  EXPECT_EQ(RotationForPoint({0, -10}, {10, 0}, centre, 10), 270);
  // The nearer end is carried out to the other's radius.
  EXPECT_EQ(RotationForPoint({0, 40}, {10, 0}, centre, 40), 90);
  EXPECT_EQ(RotationForPoint({10, 0}, {10, 0}, centre, 10), 0);
  // Degenerate drags answer no rotation.
  EXPECT_EQ(RotationForPoint({0, 10}, centre, centre, 10), 0);
  EXPECT_EQ(RotationForPoint(centre, {10, 0}, centre, 10), 0);
  EXPECT_EQ(RotationForPoint({0, 10}, {10, 0}, centre, 0), 0);
  EXPECT_EQ(RotationForPoint({kNaN, 10}, {10, 0}, centre, 10), 0);
}

TEST(GraphicsContextTest, StackIsPerThreadAndBalanced) {
  EXPECT_EQ(CurrentQuartzContext(), nullptr);
  PopGraphicsContext();  // an empty stack stays empty
  EXPECT_EQ(GraphicsContextDepth(), 0);
  QImage image(10, 10, QImage::Format_ARGB32_Premultiplied);
  QPainter outer(&image);
  {
    GraphicsContextScope scope(&outer);
    EXPECT_EQ(CurrentQuartzContext(), &outer);
    {
      GraphicsContextScope none(nullptr);
      EXPECT_EQ(CurrentQuartzContext(), nullptr);
      PushContext();  // without a painter: nothing happens
      PopContext();
    }
    EXPECT_EQ(CurrentQuartzContext(), &outer);
    QPainter* seenByOtherThread = &outer;
    std::thread([&] { seenByOtherThread = CurrentQuartzContext(); }).join();
    EXPECT_EQ(seenByOtherThread, nullptr);
    PushContext();
    outer.translate(5, 5);
    PopContext();
    EXPECT_TRUE(outer.worldTransform().isIdentity());
  }
  EXPECT_EQ(GraphicsContextDepth(), 0);
}

TEST(GraphicsContextTest, FlippedRectangleLandsMirrored) {
  const QRectF square(10, 10, 20, 20);
  const QImage flipped = RenderImage(QSize(100, 100), [&](QPainter& p) {
    GraphicsContextScope scope(&p);
    FlipContext(QRectF(0, 0, 100, 100));
    p.fillRect(square, Qt::red);
  });
  EXPECT_EQ(InkBounds(flipped), QRect(10, 70, 20, 20));
  // The same picture drawn directly at the mirrored place.
  const QImage expected =
      RenderImage(QSize(100, 100), [](QPainter& p) { p.fillRect(QRectF(10, 70, 20, 20), Qt::red); });
  EXPECT_TRUE(ImagesMatch(flipped, expected, 0, QStringLiteral("flip-context")));

  // Flipping within a band: user y maps to 2y + h - y_user.
  const QImage band = RenderImage(QSize(100, 100), [&](QPainter& p) {
    FlipContextCore(&p, QRectF(0, 50, 100, 50));
    p.fillRect(QRectF(0, 55, 10, 5), Qt::black);
  });
  EXPECT_EQ(InkBounds(band), QRect(0, 90, 10, 5));
  FlipContextCore(nullptr, square);  // no crash
  FlipContext(square);               // no current painter: nothing happens
}

TEST(GraphicsContextTest, RotationAroundAPointIsClockwiseOnScreen) {
  const QImage turned = RenderImage(QSize(100, 100), [](QPainter& p) {
    GraphicsContextScope scope(&p);
    RotateContextAroundPoint(QPointF(50, 50), 90);
    p.fillRect(QRectF(60, 45, 30, 10), Qt::black);  // east of the centre
    PopContext();
    EXPECT_TRUE(p.worldTransform().isIdentity());
  });
  const QRect ink = InkBounds(turned);
  EXPECT_NEAR(ink.center().x(), 50, 1);
  EXPECT_NEAR(ink.top(), 60, 1);  // now south of it
  EXPECT_NEAR(ink.bottom(), 89, 1);
}

}  // namespace
