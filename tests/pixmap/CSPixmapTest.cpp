#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <random>
#include <vector>

#include "PixelTestSupport.h"
#include "pixmap/CSPixmap.h"

namespace {

std::unique_ptr<CSPixmap> Filled(int width, int height, uint32_t pixel) {
  auto pixmap = CSPixmap::initWithSize(QSizeF(width, height));
  if (!pixmap) return nullptr;
  const PixelBitmap bits = pixmap->bitmap();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) *bits.pixelAt(x, y) = pixel;
  return pixmap;
}

// Every pixel a well-formed premultiplied word: transparent, opaque and
// every alpha between, components at most the alpha.
std::unique_ptr<CSPixmap> Varied(int width, int height) {
  auto pixmap = CSPixmap::initWithSize(QSizeF(width, height));
  std::mt19937 random(3);
  const PixelBitmap bits = pixmap->bitmap();
  for (int y = 0; y < height; ++y)
    for (int x = 0; x < width; ++x) {
      const uint32_t alpha = (x + y * width) % 5 == 0 ? 0 : (x + y * width) % 5 == 1 ? 255 : random() % 256;
      auto component = [&] { return alpha ? uint32_t(random() % (alpha + 1)) : 0u; };
      const uint32_t red = component(), green = component(), blue = component();
      *bits.pixelAt(x, y) = MakePixel(red, green, blue, alpha);
    }
  return pixmap;
}

bool SamePixels(const CSPixmap& a, const CSPixmap& b) {
  if (a.width() != b.width() || a.height() != b.height()) return false;
  for (int y = 0; y < a.height(); ++y)
    for (int x = 0; x < a.width(); ++x)
      if (*a.bitmap().pixelAt(x, y) != *b.bitmap().pixelAt(x, y)) {
        ADD_FAILURE() << "first difference at " << x << "," << y;
        return false;
      }
  return true;
}

TEST(CSPixmapTest, SizesBelowOnePixelOrAboveTheCapsGiveNull) {
  const double nan = std::numeric_limits<double>::quiet_NaN();
  const QSizeF refused[] = {{0, 10},
                            {10, 0},
                            {0.9, 5},
                            {-5, 5},
                            {nan, 5},
                            {1e12, 1},
                            {kMaxPixmapSide + 1, 1},
                            {1, kMaxPixmapSide + 1},
                            {12000, 10001},  // 120,012,000 pixels
                            {kMaxPixmapSide, kMaxPixmapSide}};
  for (const QSizeF& size : refused)
    EXPECT_EQ(CSPixmap::initWithSize(size), nullptr) << size.width() << "x" << size.height();

  auto longest = CSPixmap::initWithSize(QSizeF(kMaxPixmapSide, 1));
  ASSERT_NE(longest, nullptr);
  EXPECT_EQ(longest->size(), QSizeF(kMaxPixmapSide, 1));
  auto truncated = CSPixmap::initWithSize(QSizeF(3.9, 2.2));
  ASSERT_NE(truncated, nullptr);
  EXPECT_EQ(truncated->size(), QSizeF(3, 2));

  QImage wide(kMaxPixmapSide + 1, 1, QImage::Format_ARGB32_Premultiplied);
  wide.fill(Qt::red);
  EXPECT_EQ(CSPixmap::initWithQuartzImage(wide), nullptr);
  const CSImage wideImage = CSImage::initWithCGImage(wide, QSizeF(0, 0));
  ASSERT_FALSE(wideImage.isNull());
  EXPECT_EQ(CSPixmap::initWithImage(wideImage), nullptr);
  EXPECT_EQ(CSPixmap::initWithImage(CSImage()), nullptr);
  EXPECT_EQ(CSPixmap::initWithQuartzImage(QImage()), nullptr);
}

TEST(CSPixmapTest, ANewPixmapIsTransparentInColourMode) {
  auto pixmap = CSPixmap::initWithSize(QSizeF(5, 4));
  ASSERT_NE(pixmap, nullptr);
  EXPECT_EQ(pixmap->pixmapMode(), kPixmapModeColor);
  EXPECT_EQ(pixmap->bitmap().width, 5);
  EXPECT_EQ(pixmap->bitmap().height, 4);
  EXPECT_GE(pixmap->bitmap().bytesPerRow, 20);
  EXPECT_EQ(pixmap->pixelCount(), 0);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 5; ++x) EXPECT_EQ(*pixmap->bitmap().pixelAt(x, y), 0u);
}

TEST(CSPixmapTest, HasAlphaFollowsEveryWrite) {
  auto pixmap = CSPixmap::initWithSize(QSizeF(4, 3));
  ASSERT_NE(pixmap, nullptr);
  EXPECT_TRUE(pixmap->hasAlpha());  // every pixel transparent, and the answer is now cached
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 4; ++x) pixmap->setColor(0x64FF0000, QPointF(x, y));
  EXPECT_FALSE(pixmap->hasAlpha());  // the writes renewed the cached answer
  EXPECT_EQ(pixmap->pixelCount(), 12);
  pixmap->setColor(0x32FF0000, QPointF(3, 2));  // the last pixel alone
  EXPECT_TRUE(pixmap->hasAlpha());
  pixmap->setColor(g_nilKolor, QPointF(0, 0));
  EXPECT_EQ(pixmap->pixelCount(), 11);  // a translucent pixel counts, a transparent one not

  // An edit that knows the answer records it.
  pixmap->setAlpha(false);
  EXPECT_FALSE(pixmap->hasAlpha());
  pixmap->setAlpha(true);
  EXPECT_TRUE(pixmap->hasAlpha());
}

TEST(CSPixmapTest, HasAlphaFindsOneNearlyOpaquePixel) {
  auto pixmap = Filled(7, 5, kOpaqueWhitePixel);
  ASSERT_NE(pixmap, nullptr);
  EXPECT_FALSE(pixmap->hasAlpha());
  *pixmap->bitmap().pixelAt(6, 4) = MakePixel(0xFE, 0xFE, 0xFE, 0xFE);
  pixmap->copyPixelsFromBitmap(pixmap->bitmap());  // a write in place, announced
  EXPECT_TRUE(pixmap->hasAlpha());
}

TEST(CSPixmapTest, PointsOutsideReadAsNothing) {
  auto pixmap = Filled(6, 4, kOpaqueWhitePixel);
  ASSERT_NE(pixmap, nullptr);
  const std::pair<int, int> outside[] = {{-1, 0}, {6, 0}, {0, -1}, {0, 4}};
  for (const auto& [x, y] : outside) {
    SCOPED_TRACE(::testing::Message() << x << "," << y);
    uint32_t pixel = 1;
    EXPECT_FALSE(pixmap->getPixelColor(&pixel, x, y));
    EXPECT_EQ(pixel, 0u);
    EXPECT_EQ(pixmap->kolorAtPoint(QPointF(x, y)), g_nilKolor);
    pixmap->setColor(0x64000000, QPointF(x, y));  // ignored
  }
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 6; ++x) EXPECT_EQ(*pixmap->bitmap().pixelAt(x, y), kOpaqueWhitePixel);
  // Points are truncated toward zero.
  pixmap->setColor(0x64000000, QPointF(-0.5, 2.9));
  EXPECT_EQ(*pixmap->bitmap().pixelAt(0, 2), kOpaqueBlackPixel);
  EXPECT_EQ(pixmap->kolorAtPoint(QPointF(1.99, 2.5)), 0x64FFFFFFu);
  EXPECT_EQ(pixmap->kolorAtPoint(QPointF(-0.99, 2.5)), 0x64000000u);
}

TEST(CSPixmapTest, MaskModeReadsTheAlphaAsAnOpaqueGrey) {
  auto pixmap = CSPixmap::initWithSize(QSizeF(3, 1));
  ASSERT_NE(pixmap, nullptr);
  *pixmap->bitmap().pixelAt(0, 0) = Rgba(0xFF0000FF);
  *pixmap->bitmap().pixelAt(2, 0) = Rgba(0x40200080);
  pixmap->setPixmapMode(kPixmapModeMask);
  const struct {
    int x;
    uint32_t pixel;
    Kolor kolor;
  } rows[] = {{0, Rgba(0x000000FF), 0x64000000}, {1, Rgba(0xFFFFFFFF), 0x64FFFFFF}, {2, Rgba(0x7F7F7FFF), 0x647F7F7F}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.x);
    uint32_t pixel = 0;
    EXPECT_TRUE(pixmap->getPixelColor(&pixel, row.x, 0));
    EXPECT_EQ(pixel, row.pixel);
    EXPECT_EQ(pixmap->kolorAtPoint(QPointF(row.x, 0)), row.kolor);
  }
  pixmap->setPixmapMode(kPixmapModeColor);
  EXPECT_EQ(pixmap->kolorAtPoint(QPointF(2, 0)), 0x32003F7Fu);
}

TEST(CSPixmapTest, CopyPixelsFromBitmapTakesOnlyABitmapOfTheSameShape) {
  auto pixmap = CSPixmap::initWithSize(QSizeF(4, 3));
  ASSERT_NE(pixmap, nullptr);
  EXPECT_TRUE(pixmap->hasAlpha());
  auto wider = Filled(5, 3, kOpaqueBlackPixel);
  auto taller = Filled(4, 4, kOpaqueBlackPixel);
  pixmap->copyPixelsFromBitmap(wider->bitmap());
  pixmap->copyPixelsFromBitmap(taller->bitmap());
  std::vector<uint8_t> strided(64 * 3, 0xFF);  // 4 x 3 with 64-byte rows
  PixelBitmap other{strided.data(), 64, 4, 3};
  pixmap->copyPixelsFromBitmap(other);
  pixmap->copyPixelsFromBitmap(PixelBitmap());
  EXPECT_EQ(pixmap->pixelCount(), 0);

  auto same = Filled(4, 3, kOpaqueBlackPixel);
  pixmap->copyPixelsFromBitmap(same->bitmap());
  EXPECT_TRUE(SamePixels(*pixmap, *same));
  EXPECT_FALSE(pixmap->hasAlpha());
}

TEST(CSPixmapTest, ACopyHasThePixelsButNotTheModeOrTheCachedAnswer) {
  auto pixmap = Varied(9, 7);
  pixmap->setPixmapMode(kPixmapModeMask);
  pixmap->setAlpha(false);  // a deliberately wrong answer that must not travel
  auto copy = pixmap->copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(SamePixels(*pixmap, *copy));
  EXPECT_NE(copy->bitmap().data, pixmap->bitmap().data);
  EXPECT_EQ(copy->pixmapMode(), kPixmapModeColor);
  EXPECT_TRUE(copy->hasAlpha());
}

TEST(CSPixmapTest, ImageRoundTripsArePixelExact) {
  auto pixmap = Varied(37, 23);
  const CSImage image = pixmap->createImage();
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSizeF(37, 23));
  auto fromImage = CSPixmap::initWithImage(image);
  ASSERT_NE(fromImage, nullptr);
  EXPECT_TRUE(SamePixels(*pixmap, *fromImage));

  const QImage bitmap = pixmap->createCGImage();
  EXPECT_EQ(bitmap.format(), QImage::Format_ARGB32_Premultiplied);
  EXPECT_EQ(bitmap.size(), QSize(37, 23));
  auto fromBitmap = CSPixmap::initWithQuartzImage(bitmap);
  ASSERT_NE(fromBitmap, nullptr);
  EXPECT_TRUE(SamePixels(*pixmap, *fromBitmap));
}

TEST(CSPixmapTest, ImagesAreCopiesThatOutliveThePixmap) {
  auto pixmap = Filled(4, 4, kOpaqueWhitePixel);
  const CSImage image = pixmap->createImage();
  const QImage bitmap = pixmap->createCGImage();
  ASSERT_FALSE(image.isNull());
  ASSERT_FALSE(bitmap.isNull());
  EXPECT_NE(bitmap.constBits(), pixmap->bitmap().data);
  pixmap->setColor(0x64000000, QPointF(1, 1));
  pixmap.reset();  // the pixmap's memory is freed here
  EXPECT_EQ(bitmap.pixel(1, 1), 0xFFFFFFFFu);
  const QImage rendered = image.renderedBitmap(QSize(4, 4));
  ASSERT_FALSE(rendered.isNull());
  EXPECT_EQ(rendered.pixel(1, 1), 0xFFFFFFFFu);
}

TEST(CSPixmapTest, AnImageIsDrawnSourceOverAtItsSize) {
  QImage picture(6, 4, QImage::Format_ARGB32);
  picture.fill(QColor(255, 0, 0, 128));  // not premultiplied
  auto pixmap = CSPixmap::initWithQuartzImage(picture);
  ASSERT_NE(pixmap, nullptr);
  EXPECT_EQ(pixmap->size(), QSizeF(6, 4));
  EXPECT_EQ(*pixmap->bitmap().pixelAt(5, 3), Rgba(0x80000080));
  EXPECT_TRUE(pixmap->hasAlpha());
}

TEST(CSPixmapTest, FillAndStrokeColoursComeFromKolors) {
  auto pixmap = CSPixmap::initWithSize(QSizeF(1, 1));
  pixmap->setFillKolor(0x32FF0000);
  EXPECT_EQ(pixmap->fillColor().blue(), 255);
  EXPECT_EQ(pixmap->fillColor().red(), 0);
  EXPECT_NEAR(pixmap->fillColor().alphaF(), 0.5, 0.01);
  pixmap->setStrokeKolor(0x640000FF);
  EXPECT_EQ(pixmap->strokeColor(), QColor(255, 0, 0));
  pixmap->setFillKolor(g_nilKolor);
  EXPECT_EQ(pixmap->fillColor().alpha(), 0);
}

}  // namespace
