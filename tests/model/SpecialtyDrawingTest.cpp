#include <gtest/gtest.h>

#include <QPainter>
#include <array>
#include <cmath>
#include <cstdint>
#include <cstdlib>
#include <functional>
#include <limits>
#include <string>
#include <vector>

#include "model/DRElementHostingView.h"
#include "model/FakeModelServices.h"
#include "model/SpecialtyDrawing.h"
#include "support/CSCore.h"
#include "support/GraphicsContext.h"
#include "testkit/ImageCompare.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
constexpr double kInf = std::numeric_limits<double>::infinity();
const QColor kCasing(0x61, 0x9B, 0xEB);
const QColor kGrey3(0xC0, 0xC0, 0xC0);

QImage Draw(const QSize& size, const std::function<void(QPainter&)>& draw, const QColor& background = Qt::white) {
  return RenderInContext(size, draw, background);
}

bool Near(QRgb actual, const QColor& expected, int tolerance = 3) { return ColorNear(actual, expected, tolerance); }

// The colour over an opaque background.
QColor Over(const QColor& color, const QColor& background) {
  const double a = color.alphaF();
  auto mix = [a](int c, int b) { return int(std::lround(c * a + b * (1 - a))); };
  return QColor(mix(color.red(), background.red()), mix(color.green(), background.green()),
                mix(color.blue(), background.blue()));
}

class FakeHostingView : public DRElementHostingView {
 public:
  void invalidateElement(DRElement*) override {}
  bool isElementSelected(const DRElement*) const override { return false; }
  bool showCasings() const override { return true; }
  bool noHairlines() const override { return false; }
  bool hasWindow() const override { return window; }
  bool isActiveFirstResponder() const override { return active; }
  void invalidateRect(const QRectF& rect) override { invalidated.push_back(rect); }

  bool window = true;
  bool active = true;
  std::vector<QRectF> invalidated;
};

// ---- Grab-dot squares and colours ------------------------------------------

struct DotRectsCase {
  QRectF frame;
  std::vector<QPointF> centres;
};

class GrabDotRectsTest : public ::testing::TestWithParam<DotRectsCase> {};

TEST_P(GrabDotRectsTest, NineByNineSquaresClockwiseFromTopLeft) {
  QRectF rects[kGrabDotCount];
  GetGrabDotRects(rects, GetParam().frame);
  for (int i = 0; i < kGrabDotCount; ++i) {
    SCOPED_TRACE(i);
    EXPECT_EQ(rects[i].size(), QSizeF(9, 9));
    EXPECT_EQ(rects[i].center(), GetParam().centres[size_t(i)]);
  }
}

INSTANTIATE_TEST_SUITE_P(
    Frames, GrabDotRectsTest,
    ::testing::Values(
        // An empty frame: the corners and edge midpoints of a 9-point square round its origin.
        DotRectsCase{QRectF(100, 50, 0, 0),
                     {{95.5, 45.5},
                      {100, 45.5},
                      {104.5, 45.5},
                      {104.5, 50},
                      {104.5, 54.5},
                      {100, 54.5},
                      {95.5, 54.5},
                      {95.5, 50}}},
        DotRectsCase{
            QRectF(10, 20, 100, 50),
            {{5.5, 15.5}, {60, 15.5}, {114.5, 15.5}, {114.5, 45}, {114.5, 74.5}, {60, 74.5}, {5.5, 74.5}, {5.5, 45}}}));

TEST(GrabDotColors, ColourForOptions) {
  EnsureGrabDotColors();
  EXPECT_EQ(ColorForGrabDotOptions(0), kGrey3);
  EXPECT_EQ(ColorForGrabDotOptions(kGrabDotDimmed | kGrabDotInnerDot), kGrey3);
  EXPECT_EQ(ColorForGrabDotOptions(kGrabDotCasingColor), kCasing);
  EXPECT_EQ(ColorForGrabDotOptions(13), kCasing);
  const QColor dimmed = ColorForGrabDotOptions(kGrabDotCasingColor | kGrabDotDimmed);
  EXPECT_EQ(dimmed.rgb(), kCasing.rgb());
  EXPECT_NEAR(dimmed.alphaF(), 0.25, 0.01);
}

// ---- One dot ---------------------------------------------------------------

struct DotOptionsCase {
  int options;
  bool ring;       // the outline in the option colour
  bool whiteDisc;  // white between outline and inner dot
  bool innerDot;   // the centre in the option colour
};

class GrabDotOptionsTest : public ::testing::TestWithParam<DotOptionsCase> {};

TEST_P(GrabDotOptionsTest, DrawsTheOptionsParts) {
  const DotOptionsCase& c = GetParam();
  const QColor background(0, 160, 0);
  // 8x, so the 9-point dot spans 72 pixels: centre (36, 36), outline at
  // radius 4 points (32 pixels), inner dot radius 2.5 points (20 pixels).
  const QImage image = Draw(
      QSize(72, 72),
      [&](QPainter& painter) {
        painter.scale(8, 8);
        DrawGrabDot(c.options, QRectF(0, 0, 9, 9));
      },
      background);
  const QColor color = Over(ColorForGrabDotOptions(c.options), c.whiteDisc ? QColor(Qt::white) : background);
  const QColor between = c.whiteDisc ? QColor(Qt::white) : background;
  EXPECT_TRUE(Near(image.pixel(36, 36), c.innerDot ? color : between));
  EXPECT_TRUE(Near(image.pixel(36 + 26, 36), between));
  EXPECT_TRUE(Near(image.pixel(36 + 31, 36), color));
  EXPECT_TRUE(Near(image.pixel(36, 36 - 32), color));
  EXPECT_TRUE(Near(image.pixel(1, 1), background));  // outside the disc
}

INSTANTIATE_TEST_SUITE_P(Options, GrabDotOptionsTest,
                         ::testing::Values(DotOptionsCase{0, true, false, false}, DotOptionsCase{1, true, false, false},
                                           DotOptionsCase{3, true, false, false}, DotOptionsCase{4, true, false, true},
                                           DotOptionsCase{8, true, true, false}, DotOptionsCase{12, true, true, true},
                                           DotOptionsCase{13, true, true, true}, DotOptionsCase{15, true, true, true}));

QImage DrawDotAtZoom(double zoom, bool scaleGrabDots) {
  FakeModelServices services;
  services.scaleGrabDots = scaleGrabDots;
  // The dot is centred on device pixel (40, 40) whatever the zoom.
  return Draw(QSize(80, 80), [&](QPainter& painter) {
    painter.scale(zoom, zoom);
    const QPointF centre(40 / zoom, 40 / zoom);
    DrawGrabDotCore(13, QRectF(centre.x() - 4.5, centre.y() - 4.5, 9, 9), ModelServices().zoomForGrabDots(zoom));
  });
}

TEST(GrabDot, KeepsItsOnScreenSizeWhenMagnified) {
  const QImage plain = DrawDotAtZoom(1, false);
  EXPECT_EQ(InkBounds(plain), QRect(QPoint(35, 35), QPoint(44, 44)));
  for (double zoom : {2.0, 4.0, 7.5}) {
    SCOPED_TRACE(zoom);
    // Same size, same line width: the same pixels.
    EXPECT_TRUE(ImagesMatch(DrawDotAtZoom(zoom, false), plain, 12, QStringLiteral("grab-dot-zoom")));
  }
}

TEST(GrabDot, ScalesWithTheDrawingAtOrBelowOneOrWhenAskedTo) {
  // At zoom 0.5 the dot is 9 points of the drawing: 4.5 pixels.
  const QRect half = InkBounds(DrawDotAtZoom(0.5, false));
  EXPECT_LE(half.width(), 6);
  EXPECT_GE(half.width(), 4);
  EXPECT_EQ(half.center(), QPoint(39, 39));
  // With the preference on, zoom 4 gives a 36-pixel dot.
  const QRect big = InkBounds(DrawDotAtZoom(4, true));
  EXPECT_GE(big.width(), 35);
  EXPECT_LE(big.width(), 37);
}

// ---- A view's selection ----------------------------------------------------

struct SelectionCase {
  const char* name;
  bool hasView;
  bool window;
  bool active;
  bool casingColour;
};

class GrabDotSelectionTest : public ::testing::TestWithParam<SelectionCase> {};

TEST_P(GrabDotSelectionTest, CasingColourFollowsTheWindow) {
  const SelectionCase& c = GetParam();
  FakeHostingView view;
  view.window = c.window;
  view.active = c.active;
  // The rect rounds out to (20, 20, 40, 30): the casing runs along x = 15.5
  // and y = 15.5 (pixel column and row 15). The dots are placed on the rect
  // itself: the bottom-right one is centred on (64.25, 54.25).
  const QImage image = Draw(QSize(80, 70), [&](QPainter&) {
    DrawGrabDotSelection(c.hasView ? &view : nullptr, QRectF(20.25, 20.5, 39.5, 29.25));
  });
  const QColor expected = c.casingColour ? kCasing : kGrey3;
  EXPECT_TRUE(Near(image.pixel(27, 15), expected));  // casing top, between dots 0 and 1
  EXPECT_TRUE(Near(image.pixel(15, 27), expected));  // casing left
  EXPECT_TRUE(Near(image.pixel(64, 54), expected));  // inner dot of the bottom-right dot
  EXPECT_TRUE(Near(image.pixel(27, 20), Qt::white));
  EXPECT_EQ(InkBounds(image), QRect(QPoint(11, 11), QPoint(68, 58)));
}

INSTANTIATE_TEST_SUITE_P(Views, GrabDotSelectionTest,
                         ::testing::Values(SelectionCase{"active", true, true, true, true},
                                           SelectionCase{"inactive", true, true, false, false},
                                           SelectionCase{"noWindow", true, false, false, true},
                                           SelectionCase{"nullView", false, false, false, true}),
                         [](const auto& info) { return std::string(info.param.name); });

TEST(GrabDotSelection, InvalidatesTheRectGrownByADot) {
  FakeHostingView view;
  InvalidateGrabDotSelection(&view, QRectF(10, 20, 30, 40));
  ASSERT_EQ(view.invalidated.size(), 1u);
  EXPECT_EQ(view.invalidated[0], QRectF(1, 11, 48, 58));
  InvalidateGrabDotSelection(nullptr, QRectF(10, 20, 30, 40));
}

// ---- Grid ------------------------------------------------------------------

constexpr Kolor kGridKolor = 0x640000FF;
const QColor kGridColor(255, 0, 0);

QImage DrawGridImage(const QRectF& origin, const QRectF& area, double xSpacing, double ySpacing, double zoom = 1.0,
                     const QSize& size = QSize(50, 50)) {
  return Draw(size, [&](QPainter& painter) {
    painter.scale(zoom, zoom);
    DrawGrid(kGridKolor, origin, area, xSpacing, ySpacing, zoom);
  });
}

std::vector<int> InkedRows(const QImage& image, int column) {
  std::vector<int> rows;
  for (int y = 0; y < image.height(); ++y)
    if (!Near(image.pixel(column, y), Qt::white, 16)) rows.push_back(y);
  return rows;
}

struct GridOriginCase {
  double originY;
  std::vector<int> rows;  // spacing 10 over a 50-point area
};

class GridOriginTest : public ::testing::TestWithParam<GridOriginCase> {};

TEST_P(GridOriginTest, FirstLineLiesStrictlyAfterTheOrigin) {
  const QImage image = DrawGridImage(QRectF(0, GetParam().originY, 50, 50), QRectF(0, 0, 50, 50), 100, 10);
  EXPECT_EQ(InkedRows(image, 25), GetParam().rows);
}

INSTANTIATE_TEST_SUITE_P(Origins, GridOriginTest,
                         ::testing::Values(GridOriginCase{0, {10, 20, 30, 40}}, GridOriginCase{10, {20, 30, 40}},
                                           GridOriginCase{3, {10, 20, 30, 40}}, GridOriginCase{19.9, {20, 30, 40}},
                                           GridOriginCase{-10, {0, 10, 20, 30, 40}}));

TEST(Grid, LinesAreOneDevicePixelOnWholePixels) {
  // At zoom 2 a line is half a point wide and sits a quarter point after its
  // grid position: exactly one device pixel, solid.
  const QImage image = DrawGridImage(QRectF(0, 0, 25, 25), QRectF(0, 0, 25, 25), 10, 10, 2.0);
  EXPECT_EQ(InkedRows(image, 5), (std::vector<int>{20, 40}));
  EXPECT_TRUE(Near(image.pixel(5, 20), kGridColor, 0));
  EXPECT_TRUE(Near(image.pixel(20, 5), kGridColor, 0));
  EXPECT_TRUE(Near(image.pixel(19, 5), Qt::white, 0));
  EXPECT_TRUE(Near(image.pixel(21, 5), Qt::white, 0));
}

TEST(Grid, LinesSpanOnlyTheArea) {
  const QImage image = DrawGridImage(QRectF(0, 0, 50, 50), QRectF(12, 12, 20, 25), 10, 10);
  EXPECT_EQ(InkBounds(image), QRect(QPoint(12, 12), QPoint(31, 36)));
}

TEST(Grid, UnusableSpacingOrZoomDrawsNothing) {
  struct Case {
    double x, y, zoom;
  };
  for (const Case& c : {Case{0, 10, 1}, Case{10, 0, 1}, Case{-5, 10, 1}, Case{10, -5, 1}, Case{kNaN, 10, 1},
                        Case{10, kNaN, 1}, Case{kInf, 10, 1}, Case{10, 10, 0}, Case{10, 10, -1}, Case{10, 10, kNaN}}) {
    SCOPED_TRACE(testing::Message() << c.x << " " << c.y << " " << c.zoom);
    const QImage image = Draw(QSize(50, 50), [&](QPainter&) {
      DrawGrid(kGridKolor, QRectF(0, 0, 50, 50), QRectF(0, 0, 50, 50), c.x, c.y, c.zoom);
    });
    EXPECT_TRUE(InkBounds(image).isEmpty());
  }
}

TEST(Grid, DenseGridsStopAtTheLineLimit) {
  // Far more lines than the limit: the first ones are drawn, then it stops.
  const QImage dense = DrawGridImage(QRectF(0, 0, 50, 50), QRectF(0, 0, 50, 50), 1e-7, 1e-7);
  EXPECT_EQ(InkedRows(dense, 25), std::vector<int>{0});
  EXPECT_TRUE(Near(dense.pixel(25, 25), Qt::white, 0));
  // So far out that a step no longer moves the position: still returns.
  const QImage far = DrawGridImage(QRectF(1e17, 1e17, 1, 1), QRectF(1e17, 1e17, 1e6, 1e6), 1, 1);
  EXPECT_TRUE(InkBounds(far).isEmpty());
}

TEST(Grid, RectanglesWithoutEndDrawNothing) {
  for (const QRectF& area : {QRectF(0, 0, kInf, kInf), QRectF(0, 0, 50, kNaN), QRectF(-kInf, 0, 50, 50)}) {
    const QImage image = DrawGridImage(QRectF(0, 0, 50, 50), area, 10, 10);
    EXPECT_TRUE(InkBounds(image).isEmpty());
  }
  EXPECT_TRUE(InkBounds(DrawGridImage(QRectF(0, kNaN, 50, 50), QRectF(0, 0, 50, 50), 10, 10)).isEmpty());
}

TEST(Grid, OriginFarBeforeTheAreaStillFillsIt) {
  // More grid lines lie between the origin and the area than the limit allows.
  const QImage image = DrawGridImage(QRectF(0, -1e6, 50, 50), QRectF(0, 0, 50, 50), 100, 10);
  EXPECT_EQ(InkedRows(image, 25), (std::vector<int>{0, 10, 20, 30, 40}));
}

// ---- Bubbles ---------------------------------------------------------------

TEST(Bubble, ShadowFallsDownward) {
  const QRectF rect(20, 20, 60, 20);
  const QImage image = Draw(QSize(100, 70), [&](QPainter&) { DrawStringInBubble(QString(), QFont(), rect); });
  const QRect ink = InkBounds(image, Qt::white, 4);
  const int below = ink.bottom() + 1 - int(rect.bottom());
  const int above = int(rect.top()) - ink.top();
  EXPECT_GE(below, 4);
  EXPECT_LE(above, 1);
  EXPECT_TRUE(Near(image.pixel(50, 30), QColor(0xFF, 0xFF, 0xB8)));  // pale yellow
  EXPECT_TRUE(Near(image.pixel(50, 20), kGrey3, 8));                 // the edge
}

TEST(Bubble, StringIsDrawnInside) {
  const QRectF rect(10, 10, 80, 24);
  const QImage image =
      Draw(QSize(100, 50), [&](QPainter&) { DrawStringInBubble(QStringLiteral("12 pt"), QFont(), rect); });
  const QRect inside = QRect(12, 12, 76, 20);
  int dark = 0;
  for (int y = inside.top(); y <= inside.bottom(); ++y)
    for (int x = inside.left(); x <= inside.right(); ++x)
      if (qRed(image.pixel(x, y)) < 80) ++dark;
  EXPECT_GT(dark, 10);
}

struct PositionCase {
  const char* name;
  bool vertical;
  QPointF point;
  QRectF ruler;
  bool flipped;  // drawn above (vertical) or left of (horizontal) the point
};

class PositionBubbleTest : public ::testing::TestWithParam<PositionCase> {};

// The bubble's pale yellow inside (its edge, shadow and text excluded).
QRect YellowBounds(const QImage& image) {
  QRect bounds;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x)
      if (Near(image.pixel(x, y), QColor(0xFF, 0xFF, 0xB8), 2)) bounds |= QRect(x, y, 1, 1);
  return bounds;
}

TEST_P(PositionBubbleTest, FlipsNearTheEndOfTheRuler) {
  const PositionCase& c = GetParam();
  const QImage image = Draw(QSize(420, 420), [&](QPainter&) {
    DrawPositionBubble(127000, kDistanceUnitPoints, c.vertical, c.point, c.ruler);
  });
  // The bubble's edge is one point wide, so its inside starts a point in.
  const QRect inside = YellowBounds(image);
  ASSERT_FALSE(inside.isEmpty());
  const int x = int(c.point.x());
  const int y = int(c.point.y());
  if (c.vertical) {
    EXPECT_EQ(inside.left(), int(c.ruler.x()) + 2);
    EXPECT_EQ(inside.right(), int(c.ruler.right()) - 3);
    if (c.flipped) {
      EXPECT_EQ(inside.bottom(), y - 18);
    } else {
      EXPECT_EQ(inside.top(), y + 17);
    }
  } else {
    EXPECT_GE(inside.width(), 58);  // at least 60 points wide
    EXPECT_NEAR(inside.center().y(), c.ruler.center().y(), 1);
    if (c.flipped) {
      EXPECT_EQ(inside.right(), x - 18);
    } else {
      EXPECT_EQ(inside.left(), x + 17);
    }
  }
}

INSTANTIATE_TEST_SUITE_P(Rulers, PositionBubbleTest,
                         ::testing::Values(PositionCase{"verticalMiddle", true, {20, 100}, {0, 0, 40, 400}, false},
                                           PositionCase{"verticalNearEnd", true, {20, 390}, {0, 0, 40, 400}, true},
                                           // Too close to the top to flip, however short the ruler.
                                           PositionCase{"verticalShortRuler", true, {20, 20}, {0, 0, 40, 40}, false},
                                           PositionCase{"horizontalMiddle", false, {100, 10}, {0, 0, 400, 30}, false},
                                           PositionCase{"horizontalNearEnd", false, {390, 10}, {0, 0, 400, 30}, true},
                                           PositionCase{
                                               "horizontalShortRuler", false, {40, 10}, {0, 0, 60, 30}, false}),
                         [](const auto& info) { return std::string(info.param.name); });

// ---- Bottom bar ------------------------------------------------------------

TEST(BottomBar, LighterAtTheTopHoweverFlipped) {
  const bool savedDark = g_darkMode;
  for (bool dark : {false, true}) {
    SCOPED_TRACE(dark);
    g_darkMode = dark;
    const QRectF rect(0, 0, 40, 30);
    const QImage upright = Draw(QSize(40, 30), [&](QPainter&) { DrawGradientBottomBar(rect); });
    const QImage flipped = Draw(QSize(40, 30), [&](QPainter& painter) {
      FlipContextCore(&painter, rect);
      DrawGradientBottomBar(rect);
    });
    const int top = qRed(upright.pixel(20, 0));
    const int bottom = qRed(upright.pixel(20, 29));
    EXPECT_NEAR(top, dark ? 0x50 : 0xED, 3);
    EXPECT_NEAR(bottom, dark ? 0x20 : 0xA1, 3);
    EXPECT_TRUE(ImagesMatch(flipped, upright, 2, QStringLiteral("bottom-bar")));
  }
  g_darkMode = savedDark;
}

// ---- Dice ------------------------------------------------------------------

struct DieCase {
  int value;
  bool lighter;
  QColor face;
  // Pips at the nine positions, row by row from the top-left.
  std::array<bool, 9> pips;
};

class GameDieTest : public ::testing::TestWithParam<DieCase> {};

TEST_P(GameDieTest, FaceAndPips) {
  const DieCase& c = GetParam();
  // A 50-point die: pips 10 points, 5 from the edges; centres at 10, 25, 40.
  const QImage image = Draw(QSize(60, 60), [&](QPainter&) { DrawGameDie(c.value, c.lighter, QRectF(0, 0, 50, 50)); });
  EXPECT_TRUE(Near(image.pixel(25, 17), c.face)) << std::hex << image.pixel(25, 17);
  const int centres[3] = {10, 25, 40};
  for (int i = 0; i < 9; ++i) {
    SCOPED_TRACE(i);
    const QRgb pixel = image.pixel(centres[i % 3], centres[i / 3]);
    EXPECT_TRUE(Near(pixel, c.pips[size_t(i)] ? QColor(Qt::black) : c.face)) << std::hex << pixel;
  }
  EXPECT_TRUE(Near(image.pixel(25, 0), Qt::black, 40));  // the outline
  EXPECT_TRUE(Near(image.pixel(55, 25), Qt::white));     // nothing outside
}

const QColor kWhite(Qt::white);
const QColor kRed(0xFF, 0x4A, 0x3A);
const QColor kGrey4(0x80, 0x80, 0x80);

INSTANTIATE_TEST_SUITE_P(
    Values, GameDieTest,
    ::testing::Values(
        DieCase{105, false, kRed, {1, 0, 1, 0, 1, 0, 1, 0, 1}},
        DieCase{100, false, kGrey4, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
        DieCase{100, true, kGrey3, {0, 0, 0, 0, 0, 0, 0, 0, 0}}, DieCase{1, false, kWhite, {0, 0, 0, 0, 1, 0, 0, 0, 0}},
        DieCase{2, false, kWhite, {1, 0, 0, 0, 0, 0, 0, 0, 1}}, DieCase{3, true, kWhite, {1, 0, 0, 0, 1, 0, 0, 0, 1}},
        DieCase{4, false, kWhite, {1, 0, 1, 0, 0, 0, 1, 0, 1}}, DieCase{6, false, kWhite, {1, 0, 1, 1, 0, 1, 1, 0, 1}},
        DieCase{106, false, kRed, {1, 0, 1, 1, 0, 1, 1, 0, 1}}, DieCase{0, true, kGrey3, {0, 0, 0, 0, 0, 0, 0, 0, 0}},
        DieCase{-3, false, kGrey4, {1, 0, 0, 0, 1, 0, 0, 0, 1}},
        DieCase{std::numeric_limits<int>::min(), false, kGrey4, {1, 0, 1, 0, 0, 0, 1, 0, 1}}),
    [](const auto& info) {
      const int value = info.param.value;
      return (value < 0 ? "minus" + std::to_string(-int64_t(value)) : std::to_string(value)) +
             (info.param.lighter ? "_lighter" : "");
    });

// ---- Rulers ----------------------------------------------------------------

TEST(RulerInterval, ByUnit) {
  struct Case {
    DistanceUnit unit;
    MeasureUnit interval;
  };
  for (const Case& c :
       {Case{kDistanceUnitPoints, 12700}, Case{kDistanceUnitInches, 114300}, Case{kDistanceUnitInchFractions, 114300},
        Case{kDistanceUnitFeetInches, 12700}, Case{kDistanceUnitMillimetres, 12700},
        Case{kDistanceUnitCentimetres, 36000}, Case{kDistanceUnitMetres, 12700}, Case{kDistanceUnitPicas, 12700},
        Case{kCurrentDistanceUnit, 12700}, Case{0xFFFFFFFFu, 12700}}) {
    EXPECT_EQ(RulerInterval(c.unit), c.interval) << c.unit;
  }
}

}  // namespace
