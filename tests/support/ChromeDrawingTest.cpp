#include <gtest/gtest.h>

#include <QGuiApplication>
#include <QPainter>
#include <QPalette>
#include <cmath>
#include <cstdlib>
#include <functional>
#include <limits>

#include "support/CSCore.h"
#include "support/ChromeDrawing.h"
#include "support/GraphicsContext.h"
#include "support/Kolor.h"
#include "testkit/ImageCompare.h"

namespace {

constexpr double kNaN = std::numeric_limits<double>::quiet_NaN();
const QColor kHighlight(0, 0x40, 0x80);

QImage Draw(const QSize& size, const std::function<void(QPainter&)>& draw, const QColor& background = Qt::white) {
  return RenderInContext(size, draw, background);
}

bool Near(QRgb actual, const QColor& expected, int tolerance = 3) { return ColorNear(actual, expected, tolerance); }

int DarkPixelCount(const QImage& image) {
  int count = 0;
  for (int y = 0; y < image.height(); ++y) {
    for (int x = 0; x < image.width(); ++x) {
      const QRgb p = image.pixel(x, y);
      if (qRed(p) < 0x60 && qGreen(p) < 0x60 && qBlue(p) < 0x60) ++count;
    }
  }
  return count;
}

// Sets the palette's selected-text background and the appearance for a test.
class ChromeDrawingTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_palette = QGuiApplication::palette();
    m_dark = g_darkMode;
    QPalette palette = m_palette;
    palette.setColor(QPalette::Active, QPalette::Highlight, kHighlight);
    QGuiApplication::setPalette(palette);
    g_darkMode = false;
  }
  void TearDown() override {
    QGuiApplication::setPalette(m_palette);
    g_darkMode = m_dark;
    SetScrollerGrooveColorsProvider(nullptr);
  }

 private:
  QPalette m_palette;
  bool m_dark = false;
};

// ---- Flash bubble ----------------------------------------------------------

struct FlashCase {
  double progress;
  QRect expected;  // rect (20, 20, 40, 20) grown by k x (10, 6)
};

class FlashBubbleTest : public ChromeDrawingTest, public ::testing::WithParamInterface<FlashCase> {};

TEST_P(FlashBubbleTest, GrowsAndShrinksWithProgress) {
  const FlashCase& c = GetParam();
  const QImage image =
      Draw(QSize(80, 60), [&](QPainter&) { DrawFlashBubble(QRectF(20, 20, 40, 20), 10, 6, 1.0, c.progress); });
  EXPECT_EQ(InkBounds(image), c.expected);
  EXPECT_TRUE(Near(image.pixel(c.expected.center()), kHighlight));
}

INSTANTIATE_TEST_SUITE_P(
    Progress, FlashBubbleTest,
    ::testing::Values(FlashCase{0.0, QRect(20, 20, 40, 20)}, FlashCase{1.0, QRect(20, 20, 40, 20)},
                      FlashCase{0.5, QRect(10, 14, 60, 32)}, FlashCase{0.17, QRect(10, 14, 60, 32)},
                      FlashCase{0.83, QRect(10, 14, 60, 32)}, FlashCase{0.085, QRect(15, 17, 50, 26)},
                      FlashCase{0.915, QRect(15, 17, 50, 26)},
                      // Outside 0-1 (or unknown) the flash is at its ends.
                      FlashCase{-1.0, QRect(20, 20, 40, 20)}, FlashCase{3.0, QRect(20, 20, 40, 20)},
                      FlashCase{kNaN, QRect(20, 20, 40, 20)}));

TEST_F(ChromeDrawingTest, FlashBubbleCoversWholeDevicePixels) {
  // At backing scale 2 the fractional rect snaps to half points: every
  // pixel it covers is solid, none is blended with the background.
  const QImage image = Draw(QSize(40, 40), [](QPainter& painter) {
    painter.scale(2, 2);
    DrawFlashBubble(QRectF(5.2, 5.3, 7.1, 6.9), 0, 0, 2.0, 0.5);
  });
  const QRect bounds = InkBounds(image, Qt::white, 0);
  EXPECT_EQ(bounds, QRect(QPoint(10, 11), QPoint(24, 23)));
  for (const QPoint& p : {bounds.topLeft(), bounds.bottomRight(), bounds.topRight(), bounds.bottomLeft()})
    EXPECT_TRUE(Near(image.pixel(p), kHighlight, 0)) << p.x() << "," << p.y();
}

// ---- Scroll-view corner ----------------------------------------------------

const QColor kBackground(255, 0, 0);

QImage DrawCorner(bool atTop, bool knobShown) {
  return Draw(
      QSize(30, 30), [&](QPainter&) { DrawScrollViewCorner(atTop, knobShown, QRectF(10, 10, 15, 15)); }, kBackground);
}

TEST_F(ChromeDrawingTest, ScrollViewCornerLightEdgesAlongLeftAndTopOrBottom) {
  const QColor edge(0xE0, 0xE0, 0xE0);
  const QImage top = DrawCorner(true, true);
  EXPECT_EQ(InkBounds(top, kBackground, 0), QRect(10, 10, 15, 15));
  EXPECT_TRUE(Near(top.pixel(10, 18), edge));  // left edge
  EXPECT_TRUE(Near(top.pixel(18, 10), edge));  // top edge
  EXPECT_TRUE(Near(top.pixel(18, 24), Qt::white));
  EXPECT_TRUE(Near(top.pixel(18, 18), Qt::white));

  const QImage bottom = DrawCorner(false, true);
  EXPECT_TRUE(Near(bottom.pixel(10, 18), edge));
  EXPECT_TRUE(Near(bottom.pixel(18, 24), edge));  // bottom edge
  EXPECT_TRUE(Near(bottom.pixel(18, 10), Qt::white));
}

TEST_F(ChromeDrawingTest, ScrollViewCornerDarkUsesTheGrooveColours) {
  g_darkMode = true;
  // Without the scroller's colours the defaults serve.
  const CSScrollerGrooveColors defaults = DefaultScrollerGrooveColors();
  EXPECT_TRUE(Near(DrawCorner(true, true).pixel(18, 18), defaults.fill));
  EXPECT_TRUE(Near(DrawCorner(true, false).pixel(18, 18), defaults.noKnobFill));
  EXPECT_TRUE(Near(DrawCorner(true, false).pixel(10, 18), defaults.edge));

  const CSScrollerGrooveColors mine{QColor(0, 0, 200), QColor(0, 100, 0), QColor(50, 60, 70)};
  SetScrollerGrooveColorsProvider([mine] { return mine; });
  const QImage knob = DrawCorner(true, true);
  EXPECT_TRUE(Near(knob.pixel(18, 18), mine.fill));
  EXPECT_TRUE(Near(knob.pixel(10, 18), mine.edge));
  EXPECT_TRUE(Near(knob.pixel(18, 10), mine.edge));
  EXPECT_TRUE(Near(DrawCorner(false, false).pixel(18, 18), mine.noKnobFill));
  EXPECT_TRUE(Near(DrawCorner(false, false).pixel(18, 24), mine.edge));

  // The light appearance ignores them.
  g_darkMode = false;
  EXPECT_TRUE(Near(DrawCorner(true, true).pixel(18, 18), Qt::white));
}

// ---- Check box -------------------------------------------------------------

TEST_F(ChromeDrawingTest, CheckboxBelowTenPointsDrawsNothing) {
  for (const QRectF& rect : {QRectF(5, 5, 9.9, 20), QRectF(5, 5, 20, 9.9), QRectF(5, 5, 0, 0), QRectF(5, 5, -20, 20),
                             QRectF(5, 5, kNaN, 20)}) {
    for (bool checked : {false, true}) {
      const QImage image = Draw(QSize(40, 40), [&](QPainter&) { DrawQuartzCheckbox(checked, rect); });
      EXPECT_TRUE(InkBounds(image).isEmpty()) << rect.width() << "x" << rect.height() << " checked " << checked;
    }
  }
  const QImage smallest = Draw(QSize(40, 40), [](QPainter&) { DrawQuartzCheckbox(false, QRectF(5, 5, 10, 10)); });
  EXPECT_FALSE(InkBounds(smallest).isEmpty());
}

TEST_F(ChromeDrawingTest, CheckboxStartsTwoPointsDownWithGradientWhiteAtTop) {
  // Drawn 4x so one point is 4 pixels; the box is (5, 7, 20, 18) after the top moves down.
  const QImage image = Draw(QSize(120, 120), [](QPainter& painter) {
    painter.scale(4, 4);
    DrawQuartzCheckbox(false, QRectF(5, 5, 20, 20));
  });
  const QRect bounds = InkBounds(image);
  EXPECT_EQ(bounds.top(), 28);
  EXPECT_EQ(bounds.left(), 20);
  EXPECT_EQ(bounds.bottom(), 99);
  EXPECT_EQ(bounds.right(), 99);
  const QRgb nearTop = image.pixel(60, 30);
  const QRgb nearBottom = image.pixel(60, 97);
  EXPECT_GT(qRed(nearTop), 240);
  EXPECT_TRUE(Near(nearBottom, ColorFromKolor(0x64FFE3D9), 8));
  // No check mark: nothing near black.
  EXPECT_EQ(DarkPixelCount(image), 0);
}

TEST_F(ChromeDrawingTest, CheckboxEdgeIsOneDevicePixelWide) {
  const QImage image = Draw(QSize(120, 120), [](QPainter& painter) {
    painter.scale(4, 4);
    DrawQuartzCheckbox(false, QRectF(5, 5, 20, 20));
  });
  // Along the middle row: the left edge column is the platform grey, the
  // next is the gradient (its blue channel is full).
  const int row = 60;
  EXPECT_TRUE(Near(image.pixel(20, row), GrayColor(4), 4));
  EXPECT_GT(qBlue(image.pixel(21, row)), 245);
  EXPECT_TRUE(Near(image.pixel(99, row), GrayColor(4), 4));
  EXPECT_GT(qBlue(image.pixel(98, row)), 245);
}

TEST_F(ChromeDrawingTest, CheckedBoxHasMarkReachingPastTopRight) {
  const QImage image = Draw(QSize(120, 120), [](QPainter& painter) {
    painter.scale(4, 4);
    DrawQuartzCheckbox(true, QRectF(5, 5, 20, 20));
  });
  // The mark's last point is (25.5, 6.5) with round caps one point round it.
  const QRect bounds = InkBounds(image);
  EXPECT_LE(bounds.top(), 4 * 6 - 1);
  EXPECT_GE(bounds.right(), 4 * 26 - 1);
  EXPECT_TRUE(Near(image.pixel(4 * 15, int(4 * (7 + 0.66 * 18))), Qt::black, 10));  // the mark's lowest point
  EXPECT_GT(DarkPixelCount(image), 100);
  EXPECT_GT(qBlue(image.pixel(60, 97)), 245);  // the checked tint at the bottom
  EXPECT_LT(qRed(image.pixel(60, 97)), 0x90);
}

// ---- Colours ---------------------------------------------------------------

struct InvertCase {
  QColor color;
  QRgb expected;
};

class InvertColorTest : public ::testing::TestWithParam<InvertCase> {};

TEST_P(InvertColorTest, InvertsInSrgbWithFullOpacity) {
  const QColor inverted = InvertColor(GetParam().color);
  EXPECT_EQ(inverted.rgba(), GetParam().expected) << std::hex << inverted.rgba();
}

INSTANTIATE_TEST_SUITE_P(Colours, InvertColorTest,
                         ::testing::Values(InvertCase{QColor(Qt::black), qRgb(255, 255, 255)},
                                           InvertCase{QColor(Qt::white), qRgb(0, 0, 0)},
                                           InvertCase{QColor(255, 0, 0), qRgb(0, 255, 255)},
                                           InvertCase{QColor(0x10, 0x80, 0xF0, 40), qRgb(0xEF, 0x7F, 0x0F)},
                                           InvertCase{QColor::fromHsv(240, 255, 255), qRgb(255, 255, 0)},
                                           InvertCase{QColor::fromCmyk(0, 255, 255, 0), qRgb(0, 255, 255)},
                                           InvertCase{QColor(), qRgb(0, 0, 0)}));

}  // namespace
