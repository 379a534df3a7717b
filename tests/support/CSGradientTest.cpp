#include <gtest/gtest.h>

#include <QImage>
#include <QMetaProperty>
#include <QPainter>

#include "support/CSGradient.h"
#include "support/GraphicsContext.h"
#include "support/GraphicsHelpers.h"

namespace {

CSGradient ThreeStops() {
  CSGradient gradient;
  gradient.setStops({{0, g_blackKolor}, {6350, 0x640000FF}, {12700, g_whiteKolor}});
  return gradient;
}

// The gradient drawn over a 100 x 100 square on white.
QImage Render(const CSGradient& gradient, QPointF center = QPointF(), double radius = 0) {
  QImage image(100, 100, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  QPainter painter(&image);
  GraphicsContextScope scope(&painter);
  QPainterPath path;
  path.addRect(0, 0, 100, 100);
  gradient.drawInBezier(path, false, center, radius);
  return image;
}

int Grey(const QImage& image, int x, int y) {
  return qGray(image.pixel(x, y));
}

}  // namespace

TEST(CSGradient, StopEditing) {
  CSGradient gradient;
  gradient.insertStopAtIndex(0);
  gradient.insertStopAtIndex(2);
  EXPECT_EQ(gradient.stopCount(), 2u);
  gradient.removeStopAtIndex(1);  // two stops: both are ends
  EXPECT_EQ(gradient.stopCount(), 2u);

  gradient.insertStopAtIndex(1);
  ASSERT_EQ(gradient.stopCount(), 3u);
  EXPECT_EQ(gradient.positionOfStopIndex(1), 6350);
  EXPECT_EQ(gradient.kolorAtStopIndex(1), g_blackKolor);

  gradient.setPosition(3000, 0);  // the ends never move
  gradient.setPosition(3000, 2);
  gradient.setPosition(3000, 1);
  EXPECT_EQ(gradient.positionOfStopIndex(0), 0);
  EXPECT_EQ(gradient.positionOfStopIndex(2), 12700);
  EXPECT_EQ(gradient.positionOfStopIndex(1), 3000);
  EXPECT_EQ(gradient.kolorAtStopIndex(7), g_nilKolor);
  EXPECT_EQ(gradient.positionOfStopIndex(7), 0);
  gradient.setKolor(0x64FF0000, 7);  // ignored
  gradient.removeStopAtIndex(1);
  EXPECT_EQ(gradient.stopCount(), 2u);

  CSGradient flipped = ThreeStops();
  flipped.flipColors();
  EXPECT_EQ(flipped.stops(), (CSGradient::Stops{{0, g_whiteKolor}, {6350, 0x640000FF}, {12700, g_blackKolor}}));
}

TEST(CSGradient, EqualityAndHash) {
  CSGradient a = ThreeStops(), b = ThreeStops();
  EXPECT_TRUE(a == b);
  EXPECT_EQ(a.hash(), b.hash());
  b.setLinearAngle(0);
  EXPECT_FALSE(a == b);

  // Radial ones compare by centre only.
  a.setRadial(true);
  b.setRadial(true);
  EXPECT_TRUE(a == b);
  EXPECT_EQ(a.hash(), b.hash());
  b.setRadialCenter({100, 0});
  EXPECT_FALSE(a == b);

  CSGradient c = ThreeStops();
  c.setKolor(0x64FF0000, 1);
  EXPECT_FALSE(c == ThreeStops());

  // copyFrom takes the centre of a radial source and leaves the angle.
  CSGradient target;
  target.setLinearAngle(1234);
  target.copyFrom(b);
  EXPECT_TRUE(target.isRadial());
  EXPECT_EQ(target.radialCenter(), (CSPoint{100, 0}));
  EXPECT_EQ(target.linearAngle(), 1234);
}

TEST(CSGradient, FieldsAreGadgetProperties) {
  CSGradient gradient;
  const QMetaObject& meta = CSGradient::staticMetaObject;
  const auto write = [&](const char* name, const QVariant& value) {
    return meta.property(meta.indexOfProperty(name)).writeOnGadget(&gradient, value);
  };
  ASSERT_TRUE(write("radial", true));
  ASSERT_TRUE(write("linearAngle", qlonglong(635)));
  ASSERT_TRUE(write("radialCenter", QVariant::fromValue(CSPoint{1, -2})));
  ASSERT_TRUE(write("stops", QVariant::fromValue(CSGradient::Stops{{0, g_whiteKolor}, {12700, g_blackKolor}})));
  EXPECT_TRUE(gradient.isRadial());
  EXPECT_EQ(gradient.linearAngle(), 635);
  EXPECT_EQ(gradient.radialCenter(), (CSPoint{1, -2}));
  EXPECT_EQ(gradient.kolorAtStopIndex(0), g_whiteKolor);
}

TEST(CSGradient, LinearAngleIsStoredAnglePlusNinety) {
  CSGradient gradient;
  EXPECT_DOUBLE_EQ(gradient.drawingAngle(), 270.0);
  gradient.setLinearAngle(300 * 12700);
  EXPECT_DOUBLE_EQ(gradient.drawingAngle(), 30.0);
  gradient.setLinearAngle(-90 * 12700);
  EXPECT_DOUBLE_EQ(gradient.drawingAngle(), 0.0);

  // The default runs from black at the bottom to white at the top.
  const QImage upward = Render(CSGradient());
  EXPECT_GT(Grey(upward, 50, 2), 240);
  EXPECT_LT(Grey(upward, 50, 97), 15);
  EXPECT_NEAR(Grey(upward, 10, 50), Grey(upward, 90, 50), 1);

  // At 270 the drawing angle is 0: black on the left, white on the right.
  gradient.setLinearAngle(270 * 12700);
  const QImage across = Render(gradient);
  EXPECT_LT(Grey(across, 2, 50), 15);
  EXPECT_GT(Grey(across, 97, 50), 240);
  EXPECT_NEAR(Grey(across, 50, 10), Grey(across, 50, 90), 1);
}

// The direction of a gradient from one point to another (as an imported
// gradient gives it) stored as DegreesFromEast + 270 draws from the first
// point's side to the second's: the drawing angle turns as DegreesFromEast.
TEST(CSGradient, LinearAngleTurnsAsDegreesFromEast) {
  const QPoint directions[] = {{1, 0}, {0, 1}, {1, 1}, {-1, 0}, {0, -1}, {-1, 1}, {1, -1}};
  for (const QPoint& d : directions) {
    CSGradient gradient;
    gradient.setLinearAngle((DegreesFromEast(0, 0, d.x(), d.y()) + 270) % 360 * 12700);
    const QImage image = Render(gradient);
    EXPECT_LT(Grey(image, 50 - 40 * d.x(), 50 - 40 * d.y()), 40) << d.x() << "," << d.y();
    EXPECT_GT(Grey(image, 50 + 40 * d.x(), 50 + 40 * d.y()), 215) << d.x() << "," << d.y();
  }
}

TEST(CSGradient, RadialFromCentreAndWithARadius) {
  CSGradient gradient;
  gradient.setRadial(true);
  const QImage centred = Render(gradient);
  EXPECT_LT(Grey(centred, 50, 50), 15);
  EXPECT_GT(Grey(centred, 1, 1), 230);
  EXPECT_NEAR(Grey(centred, 19, 50), Grey(centred, 80, 50), 1);  // pixel centres 30.5 away

  // The relative centre moves the circle of the last colour, not the first
  // colour: black stays in the middle, and the shading stretches towards the
  // centre, here the top right (y grows upwards).
  gradient.setRadialCenter({12700, 12700});
  const QImage moved = Render(gradient);
  EXPECT_LT(Grey(moved, 50, 50), 15);
  EXPECT_LT(Grey(moved, 98, 1) + 100, Grey(moved, 1, 98));
  EXPECT_GT(Grey(moved, 1, 98), 230);
  // A centre beyond the edge draws as the edge.
  gradient.setRadialCenter({127000, 127000});
  EXPECT_EQ(Render(gradient), moved);

  // With a radius: black at the point, nothing painted beyond the radius.
  CSGradient red;
  red.setRadial(true);
  red.setStops({{0, g_blackKolor}, {12700, 0x640000FF}});
  const QImage ring = Render(red, QPointF(50, 50), 20);
  EXPECT_LT(Grey(ring, 50, 50), 15);
  EXPECT_EQ(ring.pixel(50, 25), QColor(Qt::white).rgb());
  EXPECT_EQ(ring.pixel(5, 5), QColor(Qt::white).rgb());
  EXPECT_GT(qRed(ring.pixel(50, 68)), 150);
}

TEST(CSGradient, StopsBeyondTheEndAreClampedWhenDrawing) {
  CSGradient gradient;
  gradient.setStops({{0, g_blackKolor}, {40000, g_whiteKolor}});
  gradient.setLinearAngle(270 * 12700);
  const QImage image = Render(gradient);
  EXPECT_GT(Grey(image, 97, 50), 240);  // as if the white stop were at 1.0
  EXPECT_EQ(gradient.positionOfStopIndex(1), 40000);
}
