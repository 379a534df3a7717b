// How the painting canvas draws: surround, casing, checkerboard, the
// painting at each zoom with its grid, the resize handle and the crop
// rectangle's dots, probed pixel by pixel.

#include <array>

#include "PaintFixture.h"
#include "model/SpecialtyDrawing.h"
#include "support/Kolor.h"

namespace {

QImage Render(DRPaintView* view) {
  return view->grab().toImage().convertToFormat(QImage::Format_ARGB32);
}

QRgb Probe(const QImage& image, QPointF at) {
  return image.pixel(at.toPoint());
}

constexpr QRgb kRed = 0xFFFF0000;

}  // namespace

TEST_F(PaintTest, TheSurroundCasingAndPaintingAtEachZoom) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  ASSERT_TRUE(vc);
  ASSERT_TRUE(view->isShown());
  const QRgb casing = ColorFromKolor(g_casingColor).rgba();
  for (double zoom : {1.0, 4.0, 16.0}) {
    SCOPED_TRACE(zoom);
    view->setZoomValue(zoom);
    const QImage image = Render(view);
    const QRectF painting = view->paintingRect();
    EXPECT_EQ(painting, QRectF(12, 12, 40 * zoom, 30 * zoom));
    EXPECT_EQ(Probe(image, {4, 4}), 0xFFE0E0E0u);
    EXPECT_EQ(Probe(image, {painting.right() + 12, 20}), 0xFFE0E0E0u);
    EXPECT_EQ(Probe(image, {20, painting.bottom() + 12}), 0xFFE0E0E0u);
    // The casing: one point around the painting.
    EXPECT_EQ(Probe(image, {11, 20}), casing);
    EXPECT_EQ(Probe(image, {20, 11}), casing);
    // The painting's first and last pixels.
    EXPECT_EQ(Probe(image, {12, 12}), kRed);
    EXPECT_EQ(Probe(image, painting.bottomRight() - QPointF(1, 1)), kRed);
    EXPECT_EQ(view->zoomForCache(), zoom);
  }
}

TEST_F(PaintTest, MaskModeDarkensTheSurround) {
  auto painting = std::make_shared<DRPainting>(QSizeF(40, 30));
  bitmap = addBitmap(painting);
  DRPaintVC* vc = openTab(bitmap);
  ASSERT_TRUE(vc);
  ASSERT_TRUE(vc->hasMask());
  for (PixmapMode mode : {kPixmapModeColor, kPixmapModeMask}) {
    vc->setPixmapMode(mode);
    const QImage image = Render(view);
    EXPECT_EQ(Probe(image, {4, 4}), mode == kPixmapModeMask ? 0xFF404040u : 0xFFE0E0E0u) << mode;
  }
}

TEST_F(PaintTest, TheCheckerboardShowsOnlyWithAMaskAndAnExponent) {
  DRSettings& settings = DRSettings::sharedInstance();
  struct Row {
    bool clear;  // a transparent painting, else an opaque white one
    double exponent;
    QRgb firstSquare;
    QRgb secondSquare;
  };
  // Exponent 2: squares of 16 points from (12, 12), the first light.
  const Row rows[] = {
      {true, 2, 0xFFDCDCDC, 0xFFFFFFFF},
      {true, 0, 0xFFFFFFFF, 0xFFFFFFFF},
      {false, 2, 0xFFFFFFFF, 0xFFFFFFFF},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.clear << " " << row.exponent);
    settings.setCheckerboardExponent(row.exponent);
    bitmap = addBitmap(row.clear ? std::make_shared<DRPainting>(QSizeF(40, 30))
                                 : DRPainting::paintingFromImage(SolidImage(QSize(40, 30), Qt::white)));
    DRPaintVC* vc = openTab(bitmap);
    ASSERT_TRUE(vc);
    EXPECT_EQ(vc->hasMask(), row.clear);
    const QImage image = Render(view);
    EXPECT_EQ(Probe(image, {14, 14}), row.firstSquare);
    EXPECT_EQ(Probe(image, {30, 14}), row.secondSquare);
  }
}

TEST_F(PaintTest, TheGridShowsFromZoomFour) {
  DRSettings::sharedInstance().setShowPaintGrid(true);
  openSolid(QSize(40, 30), Qt::red);
  struct Row {
    double zoom;
    QPointF lastOfFirstPixel;
    QRgb expected;
  };
  const Row rows[] = {{3, {14, 13}, kRed}, {4, {15, 13}, 0xFFFFFFFF}, {16, {27, 13}, 0xFFFFFFFF}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.zoom);
    view->setZoomValue(row.zoom);
    const QImage image = Render(view);
    EXPECT_EQ(Probe(image, row.lastOfFirstPixel), row.expected);
    EXPECT_EQ(Probe(image, {13, 13}), kRed);
  }
  DRSettings::sharedInstance().setShowPaintGrid(false);
  view->redraw();
  EXPECT_EQ(Probe(Render(view), {15, 13}), kRed);
}

TEST_F(PaintTest, TheResizeHandleIsHiddenWhenLockedOrCropping) {
  openSolid(QSize(40, 30), Qt::red);
  const QPointF handle = view->paintingRect().bottomRight() + QPointF(4.5, 4.5);
  const QRgb surround = 0xFFE0E0E0;
  EXPECT_NE(Probe(Render(view), handle), surround);
  drawing()->setLocked(true);
  EXPECT_EQ(Probe(Render(view), handle), surround);
  drawing()->setLocked(false);
  view->setCropRect(QRectF(5, 5, 10, 10));
  EXPECT_EQ(Probe(Render(view), handle), surround);
  view->setCropRect(QRectF());
  EXPECT_NE(Probe(Render(view), handle), surround);
}

TEST_F(PaintTest, ACropDragHidesTheCropDots) {
  openSolid(QSize(40, 30), Qt::red);
  view->setZoomValue(4);
  view->setCropRect(QRectF(10, 8, 20, 12));
  std::array<QRectF, kGrabDotCount> dots;
  GetGrabDotRects(dots, view->scaleRect(view->cropRect()).adjusted(-1, -1, 1, 1));
  // The dot's inner dot, inside the crop where nothing is dimmed.
  const QPointF centre = dots[4].center();
  const QRgb withDots = Probe(Render(view), centre);
  view->setTrackType(DRPaintView::kTrackTool);
  const QRgb dragging = Probe(Render(view), centre);
  EXPECT_NE(withDots, dragging);
  view->setTrackType(DRPaintView::kTrackNone);
  EXPECT_EQ(Probe(Render(view), centre), withDots);
  // Outside the crop the painting is dimmed.
  const QColor dimmed = QColor::fromRgba(Probe(Render(view), view->scalePoint(QPointF(2, 2)) + QPointF(1, 1)));
  EXPECT_LT(dimmed.red(), 200);
}

TEST_F(PaintTest, ADisplayModeChangeRebuildsTheCache) {
  DRPaintVC* vc = openTab(addBitmap(std::make_shared<DRPainting>(QSizeF(40, 30))));
  ASSERT_TRUE(vc);
  Render(view);
  const qint64 first = view->imageCache().cacheKey();
  Render(view);
  EXPECT_EQ(view->imageCache().cacheKey(), first);  // reused
  vc->setPixmapDisplay(kPixmapDisplayAlpha);
  const QImage image = Render(view);
  EXPECT_NE(view->imageCache().cacheKey(), first);
  // Transparent pixels shown as the grey of 255 - alpha: white.
  EXPECT_EQ(Probe(image, {13, 13}), 0xFFFFFFFF);
}

TEST_F(PaintTest, APartialCacheCoversOnlyTheVisiblePixels) {
  openSolid(QSize(400, 300), Qt::red);
  view->setZoomValue(16);
  const QImage part = view->grab(QRect(100, 100, 50, 40)).toImage();
  const QRect cached = view->rectForCache();
  EXPECT_LT(cached.width(), 400);
  EXPECT_LT(cached.height(), 300);
  // (100 - 12) / 16 = 5.5: pixel 5 is partly visible and included.
  EXPECT_EQ(cached.topLeft(), QPoint(5, 5));
  EXPECT_EQ(view->imageCache().width(), cached.width() * 16);
  EXPECT_EQ(part.pixel(0, 0), kRed);
}
