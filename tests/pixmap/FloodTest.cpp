#include <gtest/gtest.h>

#include <algorithm>
#include <queue>
#include <random>
#include <vector>

#include "PixelTestSupport.h"
#include "pixmap/PixelFunctions.h"

namespace {

constexpr uint32_t kRed = Rgba(0xFF0000FF);
constexpr uint32_t kBlue = Rgba(0x0000FFFF);
constexpr uint32_t kWall = Rgba(0x101010FF);

bool Flood(TestBitmap& bitmap, uint32_t replacement, int tolerance, int x, int y, PixmapMode mode = kPixmapModeColor,
           bool* alphaChanged = nullptr, const TestBitmap* second = nullptr) {
  const uint32_t target = mode == kPixmapModeMask ? PixelFromAlpha(PixelAlpha(bitmap.at(x, y))) : bitmap.at(x, y);
  bool ignored = false;
  return FloodBitmap(bitmap.bits(), target, replacement, tolerance, x, y, mode, second ? &second->bits() : nullptr,
                     alphaChanged ? alphaChanged : &ignored);
}

TEST(FloodTest, ARegionMuchLargerThanTheStackFillsCompletely) {
  TestBitmap bitmap(2000, 2000, kRed);
  bool alphaChanged = true;
  EXPECT_TRUE(Flood(bitmap, kBlue, 0, 1000, 1000, kPixmapModeColor, &alphaChanged));
  EXPECT_FALSE(alphaChanged);  // opaque stayed opaque
  EXPECT_TRUE(PaintedPixels(bitmap, kBlue).empty());
}

// The 4-connected pixels around the seed that are not walls, found
// independently of the fill.
std::vector<bool> Reachable(const TestBitmap& bitmap, int seedX, int seedY) {
  const int w = bitmap.width(), h = bitmap.height();
  std::vector<bool> reached(size_t(w) * h);
  std::queue<std::pair<int, int>> queue;
  queue.push({seedX, seedY});
  reached[size_t(seedY) * w + seedX] = true;
  while (!queue.empty()) {
    const auto [x, y] = queue.front();
    queue.pop();
    const std::pair<int, int> next[] = {{x - 1, y}, {x + 1, y}, {x, y - 1}, {x, y + 1}};
    for (const auto& [nx, ny] : next) {
      if (nx < 0 || ny < 0 || nx >= w || ny >= h || reached[size_t(ny) * w + nx] || bitmap.at(nx, ny) == kWall)
        continue;
      reached[size_t(ny) * w + nx] = true;
      queue.push({nx, ny});
    }
  }
  return reached;
}

// Floods from the seed at tolerance 16 and checks that exactly the pixels
// the independent search reaches were filled; answers how many.
size_t ExpectFillOfReachablePart(TestBitmap& bitmap, int seedX, int seedY) {
  const std::vector<bool> reached = Reachable(bitmap, seedX, seedY);
  EXPECT_TRUE(Flood(bitmap, kBlue, 16, seedX, seedY));
  size_t filled = 0, mismatches = 0;
  for (int y = 0; y < bitmap.height(); ++y)
    for (int x = 0; x < bitmap.width(); ++x) {
      const bool isFilled = bitmap.at(x, y) == kBlue;
      filled += isFilled;
      mismatches += isFilled != reached[size_t(y) * bitmap.width() + x];
    }
  EXPECT_EQ(mismatches, 0u);
  return filled;
}

// An open pixel whose colour varies by up to 4 per component: every open
// pixel is within tolerance 16 of any other.
uint32_t NoisyBackground(std::mt19937& random) {
  std::uniform_int_distribution<int> noise(-4, 4);
  return MakePixel(uint32_t(200 + noise(random)), uint32_t(180 + noise(random)), uint32_t(150 + noise(random)), 255);
}

// A winding corridor (walls across every eighth row, open at alternate ends)
// with a few scattered wall pixels.
TEST(FloodTest, AWindingNoisyRegionFillsExactlyItsConnectedPart) {
  const int size = 1200;
  TestBitmap bitmap(size, size);
  std::mt19937 random(7);
  std::uniform_int_distribution<int> scatter(0, 99);
  for (int y = 0; y < size; ++y)
    for (int x = 0; x < size; ++x) {
      const bool corridorWall = y % 8 == 7 && (y % 16 == 7 ? x < size - 50 : x >= 50);
      bitmap.at(x, y) = corridorWall || scatter(random) < 5 ? kWall : NoisyBackground(random);
    }
  bitmap.at(5, 1) = NoisyBackground(random);
  // Far more than the stack holds: the pending plane did most of the work.
  EXPECT_GT(ExpectFillOfReachablePart(bitmap, 5, 1), size_t(kFloodStackPoints) * 25);
}

// One wall pixel in five: a large, ragged region full of holes and inlets,
// which keeps leaving points off the full stack on rows above those the
// last refill reached.
TEST(FloodTest, APorousRegionFillsExactlyItsConnectedPart) {
  const int size = 1200;
  std::mt19937 random(11);
  std::uniform_int_distribution<int> scatter(0, 99);
  for (const auto& [seedX, seedY] : {std::pair{size / 2, size / 2}, std::pair{0, size - 1}}) {
    SCOPED_TRACE(::testing::Message() << seedX << "," << seedY);
    TestBitmap bitmap(size, size);
    for (int y = 0; y < size; ++y)
      for (int x = 0; x < size; ++x) bitmap.at(x, y) = scatter(random) < 20 ? kWall : NoisyBackground(random);
    // An open patch around the seed, so that it joins the large region.
    for (int y = std::max(seedY - 3, 0); y <= std::min(seedY + 3, size - 1); ++y)
      for (int x = std::max(seedX - 3, 0); x <= std::min(seedX + 3, size - 1); ++x)
        bitmap.at(x, y) = NoisyBackground(random);
    EXPECT_GT(ExpectFillOfReachablePart(bitmap, seedX, seedY), size_t(kFloodStackPoints) * 25);
  }
}

TEST(FloodTest, TheToleranceIsMeasuredFromTheSeedNotFromNeighbours) {
  const std::pair<int, int> rows[] = {{0, 1}, {1, 2}, {10, 6}, {11, 7}, {-1, 1}};  // tolerance, pixels filled
  for (const auto& [tolerance, filled] : rows) {
    SCOPED_TRACE(tolerance);
    TestBitmap strip(20, 1);
    for (int x = 0; x < 20; ++x) strip.at(x, 0) = MakePixel(uint32_t(100 + x), 50, 50, 255);
    EXPECT_TRUE(Flood(strip, kBlue, tolerance, 0, 0));
    for (int x = 0; x < 20; ++x) EXPECT_EQ(strip.at(x, 0) == kBlue, x < filled) << x;
  }
}

TEST(FloodTest, MaskModeFromAnOpaqueSeedSpreadsIntoTranslucentPixelsWithinTheTolerance) {
  // Alpha 201 lies 21 % below opaque, 202 just within 20 %.
  const uint32_t alphas[] = {255, 255, 230, 202, 201, 255};
  TestBitmap strip(6, 1);
  for (int x = 0; x < 6; ++x) strip.at(x, 0) = MakePixel(0, 0, 0, alphas[x]);
  const uint32_t replacement = PixelFromKolor(MakeKolor(155, 155, 155));  // the grey of alpha 100
  bool alphaChanged = false;
  EXPECT_TRUE(Flood(strip, replacement, 20, 0, 0, kPixmapModeMask, &alphaChanged));
  EXPECT_TRUE(alphaChanged);
  for (int x = 0; x < 6; ++x) EXPECT_EQ(PixelAlpha(strip.at(x, 0)), x < 4 ? 100u : alphas[x]) << x;
  EXPECT_EQ(strip.at(0, 0), Rgba(0x00000064));  // black kept, at the new alpha
}

TEST(FloodTest, MaskModeFromATransparentSeedSpreadsOnlyThroughTransparentPixels) {
  TestBitmap strip(5, 1);
  strip.at(2, 0) = MakePixel(1, 1, 1, 1);
  const uint32_t replacement = PixelFromKolor(MakeKolor(155, 155, 155));
  EXPECT_TRUE(Flood(strip, replacement, 100, 0, 0, kPixmapModeMask));
  EXPECT_EQ(strip.at(0, 0), Rgba(0x64646464));  // white at alpha 100
  EXPECT_EQ(strip.at(1, 0), Rgba(0x64646464));
  EXPECT_EQ(strip.at(2, 0), MakePixel(1, 1, 1, 1));
  EXPECT_EQ(strip.at(3, 0), 0u);
  EXPECT_EQ(strip.at(4, 0), 0u);
}

TEST(FloodTest, KeepAlphaModeRecoloursAtEachPixelsOwnAlpha) {
  TestBitmap bitmap(6, 6, Rgba(0x80000080));
  for (int i = 0; i < 6; ++i) bitmap.at(3, i) = kWall;
  EXPECT_TRUE(Flood(bitmap, kBlue, 0, 0, 0, kPixmapModeKeepAlpha));
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 6; ++x)
      EXPECT_EQ(bitmap.at(x, y), x < 3 ? Rgba(0x00008080) : x == 3 ? kWall : Rgba(0x80000080)) << x << "," << y;
}

// White connected to the outside through white or transparent pixels is
// cleared; white enclosed by black stays.
TEST(FloodTest, ANegativeTolerancePassesThroughTransparentPixelsWithoutCountingThem) {
  TestBitmap bitmap(9, 9);
  for (int y = 1; y < 8; ++y)
    for (int x = 1; x < 8; ++x) {
      const bool ring = (x == 2 || x == 6 || y == 2 || y == 6) && x >= 2 && x <= 6 && y >= 2 && y <= 6;
      bitmap.at(x, y) = ring ? kOpaqueBlackPixel : kOpaqueWhitePixel;
    }
  bool alphaChanged = false;
  EXPECT_TRUE(FloodBitmap(bitmap.bits(), kOpaqueWhitePixel, 0, -1, 0, 0, kPixmapModeColor, nullptr, &alphaChanged));
  EXPECT_TRUE(alphaChanged);
  for (int y = 0; y < 9; ++y)
    for (int x = 0; x < 9; ++x) {
      const bool inside = x >= 3 && x <= 5 && y >= 3 && y <= 5;
      const bool ring = !inside && x >= 2 && x <= 6 && y >= 2 && y <= 6;
      EXPECT_EQ(bitmap.at(x, y), inside ? kOpaqueWhitePixel : ring ? kOpaqueBlackPixel : 0u) << x << "," << y;
    }

  TestBitmap clear(9, 9);
  EXPECT_FALSE(FloodBitmap(clear.bits(), kOpaqueWhitePixel, 0, -1, 4, 4, kPixmapModeColor, nullptr, &alphaChanged));
}

TEST(FloodTest, ReportsChangesAndOpacityChangesTruthfully) {
  bool alphaChanged = true;
  TestBitmap same(10, 10, kRed);
  EXPECT_FALSE(Flood(same, kRed, 0, 5, 5, kPixmapModeColor, &alphaChanged));  // nothing to change
  EXPECT_FALSE(alphaChanged);
  EXPECT_TRUE(PaintedPixels(same, kRed).empty());

  TestBitmap translucent(10, 10, kRed);
  EXPECT_TRUE(Flood(translucent, Rgba(0x00008080), 0, 5, 5, kPixmapModeColor, &alphaChanged));
  EXPECT_TRUE(alphaChanged);
  EXPECT_TRUE(PaintedPixels(translucent, Rgba(0x00008080)).empty());
}

TEST(FloodTest, ASeedOutsideTheBitmapPaintsNothing) {
  TestBitmap bitmap(10, 10, kRed);
  const std::pair<int, int> seeds[] = {{-1, 0}, {10, 0}, {0, -1}, {0, 10}};
  for (const auto& [x, y] : seeds) {
    bool alphaChanged = true;
    EXPECT_FALSE(FloodBitmap(bitmap.bits(), kRed, kBlue, 0, x, y, kPixmapModeColor, nullptr, &alphaChanged));
    EXPECT_FALSE(alphaChanged);
  }
  EXPECT_TRUE(PaintedPixels(bitmap, kRed).empty());
}

TEST(FloodTest, ASecondBitmapTakesTheRegionAndTheSeedGoesToBoth) {
  TestBitmap bitmap(8, 8, kRed);
  for (int i = 0; i < 8; ++i) bitmap.at(i, 4) = kWall;
  TestBitmap second(8, 8);
  EXPECT_TRUE(Flood(bitmap, kBlue, 0, 2, 2, kPixmapModeColor, nullptr, &second));
  EXPECT_EQ(bitmap.at(2, 2), kBlue);
  EXPECT_EQ(PaintedPixels(bitmap, kRed),
            (PixelSet{{2, 2}, {0, 4}, {1, 4}, {2, 4}, {3, 4}, {4, 4}, {5, 4}, {6, 4}, {7, 4}}));
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 8; ++x) EXPECT_EQ(second.at(x, y), y < 4 ? kBlue : 0u) << x << "," << y;

  // One of another size is not written.
  TestBitmap small(4, 4);
  TestBitmap again(8, 8, kRed);
  EXPECT_TRUE(Flood(again, kBlue, 0, 2, 2, kPixmapModeColor, nullptr, &small));
  EXPECT_TRUE(PaintedPixels(small).empty());
  EXPECT_TRUE(PaintedPixels(again, kBlue).empty());
}

}  // namespace
