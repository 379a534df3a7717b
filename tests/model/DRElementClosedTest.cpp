#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cmath>

#include "model/DRElementArc.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementRegularPoly.h"
#include "model/DRElementRoundRect.h"
#include "model/ElementTestSupport.h"
#include "model/FakeHostingView.h"
#include "model/FakeModelServices.h"
#include "model/SpecialtyDrawing.h"
#include "support/GraphicsHelpers.h"

namespace {

constexpr Kolor kRed = 0x640000FF;
constexpr Kolor kBlue = 0x64FF0000;

DRLineInfo Line(double points, Kolor kolor) {
  DRLineInfo info;
  info.setWidth(Pt(points));
  info.setKolorWithoutRegistering(kolor);
  return info;
}

template <typename T>
std::unique_ptr<T> Shape(const CSRect& frame, Kolor fill, const DRLineInfo& line) {
  auto shape = std::make_unique<T>();
  shape->setFrame(frame);
  shape->setOriginalSize(CSPoint{frame.width, frame.height});
  shape->setFillKolor(fill);
  shape->setLineInfo(line);
  return shape;
}

QImage Draw(DRElement& element, DRElementHostingView* view = nullptr, const QSize& size = QSize(120, 120),
            double zoom = 1.0) {
  return Render(
      size, [&] { element.drawInView(view); }, zoom);
}

bool IsInk(QRgb pixel) {
  return qRed(pixel) < 235 || qGreen(pixel) < 235 || qBlue(pixel) < 235;
}

bool Near(QRgb pixel, const QColor& colour, int tolerance = 12) {
  return std::abs(qRed(pixel) - colour.red()) <= tolerance && std::abs(qGreen(pixel) - colour.green()) <= tolerance &&
         std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

QRgb At(const QImage& image, QPointF point) {
  return image.pixel(int(std::floor(point.x())), int(std::floor(point.y())));
}

}  // namespace

// ---- Fill, line and shadow ------------------------------------------------------------------

TEST(DRElementClosed, AFilledShapeCastsItsShadowFromTheFillOnly) {
  SettingsScope scope;
  DRShadow shadow;
  shadow.setXOffset(Pt(8));
  shadow.setBlur(0);
  shadow.setKolor(0x32000000);  // black at 50 %
  const QPointF offset = shadow.contextShadow().offset;
  ASSERT_GT(offset.x(), 3.5);
  auto make = [&](Kolor fill, Kolor line) {
    auto rect = Shape<DRElementRectangle>(PtRect(20, 20, 60, 40), fill, Line(6, line));
    rect->setShadow(shadow);
    return rect;
  };
  const QImage both = Draw(*make(kRed, kBlue));
  const QImage fillOnly = Draw(*make(kRed, g_nilKolor));
  const QImage lineOnly = Draw(*make(g_nilKolor, kBlue));
  // Where the right side's line would cast its shadow, beyond the frame.
  const QPointF underLine = QPointF(77, 40) + offset;
  ASSERT_GT(underLine.x(), 80);
  const QColor half(0x80, 0x80, 0x80);
  EXPECT_TRUE(Near(At(lineOnly, underLine), half)) << std::hex << At(lineOnly, underLine);
  EXPECT_TRUE(Near(At(fillOnly, underLine), half)) << std::hex << At(fillOnly, underLine);
  // Only the fill's shadow falls there: not darkened twice.
  EXPECT_TRUE(Near(At(both, underLine), half)) << std::hex << At(both, underLine);
  EXPECT_TRUE(Near(At(both, QPointF(77, 40)), QColor(0, 0, 255)));
  EXPECT_TRUE(Near(At(both, QPointF(50, 40)), QColor(255, 0, 0)));
}

TEST(DRElementClosed, AThickLineCoversTheRoundedRectanglesFill) {
  SettingsScope scope;
  auto round = Shape<DRElementRoundRect>(PtRect(10, 10, 90, 70), kRed, Line(10, kBlue));
  round->setCornerRadius(Pt(8));
  const QImage image = Draw(*round);
  EXPECT_TRUE(Near(image.pixel(55, 45), QColor(255, 0, 0)));
  int reddish = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      if (x >= 20 && x < 90 && y >= 20 && y < 70) continue;  // the fill inside the line
      const QRgb p = image.pixel(x, y);
      if (qRed(p) > qGreen(p) + 24 && qRed(p) > qBlue(p) + 24) ++reddish;
    }
  }
  EXPECT_EQ(reddish, 0);
}

TEST(DRElementClosed, ALineWithoutFillOrColourShowsOnlyWhileDrawn) {
  SettingsScope scope;
  auto rect = Shape<DRElementRectangle>(PtRect(20, 20, 50, 40), g_nilKolor, Line(1, g_nilKolor));
  EXPECT_TRUE(InkBounds(Draw(*rect)).isEmpty());
  rect->setUnderConstruction(true);
  EXPECT_EQ(InkBounds(Draw(*rect)), QRect(20, 20, 50, 40));
  // A fill hides the outline even then.
  rect->setFillKolor(kRed);
  const QImage filled = Draw(*rect);
  EXPECT_TRUE(Near(filled.pixel(20, 40), QColor(255, 0, 0)));
}

TEST(DRElementClosed, TheCentreMarkIsDrawnOverTheShape) {
  SettingsScope scope;
  auto ellipse = Shape<DRElementEllipse>(PtRect(10, 10, 60, 40), g_nilKolor, Line(0, g_nilKolor));
  ellipse->setMarkCenter(true);
  const QRect ink = InkBounds(Draw(*ellipse));
  EXPECT_NEAR(ink.center().x(), 40, 1);
  EXPECT_NEAR(ink.center().y(), 30, 1);
  EXPECT_LE(ink.width(), 8);
}

// ---- Outlines ----------------------------------------------------------------------------------

TEST(DRElementClosed, AnArcIsTheQuarterFromTwelveToThreeOfTheShorterSide) {
  SettingsScope scope;
  auto arc = Shape<DRElementArc>(PtRect(10, 10, 200, 100), 0x64000000, Line(0, g_nilKolor));
  const QImage image = Draw(*arc, nullptr, QSize(230, 130));
  // Centre (110, 60), radius 50.
  EXPECT_TRUE(IsInk(image.pixel(135, 35)));
  EXPECT_TRUE(IsInk(image.pixel(112, 13)));
  EXPECT_TRUE(IsInk(image.pixel(157, 57)));
  EXPECT_FALSE(IsInk(image.pixel(112, 8)));
  EXPECT_FALSE(IsInk(image.pixel(163, 57)));
  EXPECT_FALSE(IsInk(image.pixel(85, 35)));
  EXPECT_FALSE(IsInk(image.pixel(135, 85)));
  EXPECT_FALSE(IsInk(image.pixel(85, 85)));
  const QRect ink = InkBounds(image);
  EXPECT_NEAR(ink.left(), 110, 1);
  EXPECT_NEAR(ink.top(), 10, 1);
  EXPECT_NEAR(ink.right(), 159, 1);
  EXPECT_NEAR(ink.bottom(), 59, 1);
}

TEST(DRElementClosed, AnArcsGradientReachesHalfTheLargerSide) {
  SettingsScope scope;
  auto arc = Shape<DRElementArc>(PtRect(10, 10, 200, 100), g_nilKolor, Line(0, g_nilKolor));
  DRGradient gradient;  // black at the centre to white at the radius
  gradient.setRadial(true);
  arc->setGradient(gradient);
  const QImage image = Draw(*arc, nullptr, QSize(230, 130));
  // 45 points out along the wedge's middle: 45 % of the way to white.
  const QRgb pixel = image.pixel(141, 28);
  EXPECT_NEAR(qRed(pixel), 0.45 * 255, 25);
  EXPECT_LT(qRed(image.pixel(115, 55)), 40);
}

TEST(DRElementClosed, ArcAnglesRunClockwiseAndWrap) {
  SettingsScope scope;
  DRElementArc arc;
  arc.setStartAngle(12700 * 270);
  arc.setEndAngle(12700 * 90);  // through 12 o'clock: the upper half
  const QPainterPath path = arc.bezierForRect(QRectF(0, 0, 100, 100), true);
  EXPECT_TRUE(path.contains(QPointF(50, 10)));
  EXPECT_TRUE(path.contains(QPointF(20, 40)));
  EXPECT_FALSE(path.contains(QPointF(50, 90)));
  arc.setEndAngle(12700 * 270);
  EXPECT_FALSE(arc.bezierForRect(QRectF(0, 0, 100, 100), true).contains(QPointF(50, 10)));
}

TEST(DRElementClosed, ARegularPolygonOfTwentyVerticesDrawsAndKeepsSixteen) {
  SettingsScope scope;
  auto twenty = Shape<DRElementRegularPoly>(PtRect(10, 10, 90, 90), 0x64000000, Line(0, g_nilKolor));
  twenty->setVertexCount(20);
  auto sixteen = Shape<DRElementRegularPoly>(PtRect(10, 10, 90, 90), 0x64000000, Line(0, g_nilKolor));
  sixteen->setVertexCount(16);
  const QImage drawn = Draw(*twenty);
  EXPECT_EQ(twenty->vertexCount(), 16u);
  EXPECT_TRUE(ImagesMatch(drawn, Draw(*sixteen), 0, QStringLiteral("regular-poly-20")));
  EXPECT_FALSE(InkBounds(drawn).isEmpty());
}

TEST(DRElementClosed, ARegularPolygonOfFewerThanThreeVerticesDrawsNothing) {
  SettingsScope scope;
  for (const uint64_t count : {0u, 1u, 2u}) {
    auto poly = Shape<DRElementRegularPoly>(PtRect(10, 10, 90, 90), 0x64000000, Line(2, 0x64000000));
    poly->setVertexCount(count);
    EXPECT_TRUE(InkBounds(Draw(*poly)).isEmpty()) << count;
  }
}

TEST(DRElementClosed, TheOutlinesFillTheirFrames) {
  SettingsScope scope;
  const QRectF r(10, 20, 80, 40);
  EXPECT_EQ(DRElementRectangle().bezierForRect(r, true).boundingRect(), r);
  EXPECT_EQ(DRElementEllipse().bezierForRect(r, true).boundingRect(), r);
  DRElementRoundRect round;
  round.setCornerRadius(Pt(500));  // beyond half the shorter side
  const QPainterPath stadium = round.bezierForRect(r, true);
  EXPECT_EQ(stadium.boundingRect(), r);
  EXPECT_FALSE(stadium.contains(QPointF(11, 21)));
  EXPECT_TRUE(stadium.contains(QPointF(30, 21)));
  EXPECT_EQ(stadium.fillRule(), Qt::WindingFill);
}

TEST(DRElementClosed, ASampleIsTheOriginalSizeFittedIntoTheRectangle) {
  SettingsScope scope;
  auto rect = Shape<DRElementRectangle>(PtRect(300, 300, 7, 7), 0x64000000, Line(0, g_nilKolor));
  rect->setOriginalSize(CSPoint{Pt(100), Pt(50)});
  const QImage image = Render(QSize(80, 80), [&] { rect->drawSampleInRect(QRectF(10, 10, 60, 60)); });
  EXPECT_EQ(InkBounds(image), QRect(10, 25, 60, 30));
}

// ---- Casing and grab dots ------------------------------------------------------------------------

namespace {

// A selected shape that draws nothing itself, so that only the casing shows.
std::unique_ptr<DRElementRectangle> Invisible(const CSRect& frame) {
  return Shape<DRElementRectangle>(frame, g_nilKolor, Line(0, g_nilKolor));
}

std::array<QPointF, 8> DotCentres(const QRectF& frame) {
  std::array<QRectF, 8> rects;
  GetGrabDotRects(rects, frame);
  std::array<QPointF, 8> centres;
  for (size_t i = 0; i < 8; ++i) centres[i] = rects[i].center();
  return centres;
}

}  // namespace

TEST(DRElementClosed, ASelectedShapeShowsItsCasingWithEightDots) {
  FakeModelServices services;
  SettingsScope scope;
  auto rect = Invisible(PtRect(40, 40, 60, 30));
  FakeHostingView view;
  EXPECT_TRUE(InkBounds(Draw(*rect, &view, QSize(160, 120))).isEmpty());
  view.select(rect.get());
  const QImage active = Draw(*rect, &view, QSize(160, 120));
  const QColor casing = ColorForGrabDotOptions(kGrabDotCasingColor);
  for (const QPointF& centre : DotCentres(QRectF(40, 40, 60, 30))) {
    EXPECT_TRUE(Near(At(active, centre), casing)) << centre.x() << "," << centre.y();
  }
  const QRect ink = InkBounds(active);
  EXPECT_NEAR(ink.left(), 31, 1);
  EXPECT_NEAR(ink.top(), 31, 1);
  EXPECT_NEAR(ink.right(), 108, 1);
  EXPECT_NEAR(ink.bottom(), 78, 1);
  // Only the active window's first responder shows the casing colour; a
  // view without a window (an off-screen render) is never that.
  const struct {
    const char* name;
    bool window, active;
    QColor colour;
  } rows[] = {
      {"active first responder", true, true, casing},
      {"not the active first responder", true, false, QColor(0xC0, 0xC0, 0xC0)},
      {"no window", false, true, QColor(0xC0, 0xC0, 0xC0)},
      {"no window, not active", false, false, QColor(0xC0, 0xC0, 0xC0)},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    view.window = row.window;
    view.active = row.active;
    const QImage image = Draw(*rect, &view, QSize(160, 120));
    for (const QPointF& centre : DotCentres(QRectF(40, 40, 60, 30))) {
      EXPECT_TRUE(Near(At(image, centre), row.colour)) << centre.x() << "," << centre.y();
    }
  }
  // Suppressed, hidden casings, or a view that does not show them: none.
  view.window = true;
  view.active = true;
  rect->setSuppressCasing(true);
  EXPECT_TRUE(InkBounds(Draw(*rect, &view, QSize(160, 120))).isEmpty());
  rect->setSuppressCasing(false);
  view.casings = false;
  EXPECT_TRUE(InkBounds(Draw(*rect, &view, QSize(160, 120))).isEmpty());
}

TEST(DRElementClosed, TheCasingTurnsWithTheShapeAndItsDotsAreInactive) {
  FakeModelServices services;
  SettingsScope scope;
  auto rect = Invisible(PtRect(40, 40, 60, 30));
  rect->setRotation(12700 * 90);
  FakeHostingView view;
  view.select(rect.get());
  const QImage image = Draw(*rect, &view, QSize(160, 120));
  const QPointF centre(70, 55);
  for (const QPointF& dot : DotCentres(QRectF(40, 40, 60, 30))) {
    const QPointF turned = RotatePoint(dot, centre, 90);
    // A white disc with a ring and no inner dot.
    EXPECT_TRUE(Near(At(image, turned), QColor(255, 255, 255), 3)) << turned.x() << "," << turned.y();
    EXPECT_GT(InkCount(image, QRect(turned.toPoint() - QPoint(6, 6), QSize(13, 13))), 10);
  }
  // Nothing at the unturned corners.
  EXPECT_EQ(InkCount(image, QRect(30, 30, 8, 8)), 0);
  EXPECT_EQ(InkCount(image, QRect(102, 72, 8, 8)), 0);
}

TEST(DRElementClosed, DotsKeepTheirScreenSizeWhenZoomedIn) {
  FakeModelServices services;
  SettingsScope scope;
  auto rect = Invisible(PtRect(20, 20, 20, 10));
  FakeHostingView view;
  view.select(rect.get());
  // The casing is 29 x 19 points; the dots reach half a dot beyond it.
  const struct {
    double zoom;
    bool scaleDots;
    double width;
  } rows[] = {
      {4.0, false, 29 * 4 + 9},      // dots at their screen size
      {4.0, true, 29 * 4 + 36},      // dots at 9 points of the drawing
      {0.5, false, 29 * 0.5 + 4.5},  // below 1: 9 points of the drawing
      {1.0, false, 29 + 9},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.zoom);
    view.zoom = row.zoom;
    services.scaleGrabDots = row.scaleDots;
    const QRect ink = InkBounds(Draw(*rect, &view, QSize(200, 200), row.zoom));
    EXPECT_NEAR(ink.width(), row.width, 2.0);
    EXPECT_NEAR(ink.height(), ink.width() - 10 * row.zoom, 2.0);
  }
}

// ---- Reflection ------------------------------------------------------------------------------------

TEST(DRElementClosed, AReflectionWithoutOpacityDrawsNothingYetTheBoundsGrow) {
  SettingsScope scope;
  auto rect = Shape<DRElementRectangle>(PtRect(20, 10, 40, 30), 0x64000000, Line(0, g_nilKolor));
  rect->setReflection(635000);
  rect->setReflectionAlpha(0);
  EXPECT_EQ(InkBounds(Draw(*rect)), QRect(20, 10, 40, 30));
  const CSRect bounds = rect->bounds(false);
  EXPECT_GE(bounds.y + bounds.height, Pt(10 + 30 + 30));
}

TEST(DRElementClosed, AReflectionMirrorsTheShapeBelowAndFadesOut) {
  SettingsScope scope;
  // The wedge of the upper right quarter, centre (40, 30), radius 20.
  auto arc = Shape<DRElementArc>(PtRect(20, 10, 40, 40), 0x64000000, Line(0, g_nilKolor));
  arc->setReflection(1270000);
  arc->setReflectionAlpha(1270000);
  const QImage image = Draw(*arc);
  // The mirror axis is the frame's bottom, y = 50.
  EXPECT_TRUE(IsInk(image.pixel(50, 75)));   // mirrors (50, 25), in the wedge
  EXPECT_FALSE(IsInk(image.pixel(30, 75)));  // mirrors (30, 25), outside it
  EXPECT_FALSE(IsInk(image.pixel(50, 55)));  // mirrors (50, 45), below the centre
  // Fading: darker near the axis.
  EXPECT_LT(qRed(image.pixel(50, 72)), qRed(image.pixel(50, 86)));
  // No reflection while hit testing or for a reflection of 0.
  arc->setReflection(0);
  EXPECT_EQ(InkBounds(Draw(*arc)).bottom(), 29);
}
