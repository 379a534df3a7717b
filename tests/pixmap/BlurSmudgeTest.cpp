#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <memory>
#include <random>
#include <vector>

#include "PixelTestSupport.h"
#include "pixmap/BlurSmudge.h"
#include "pixmap/CSPixmap.h"
#include "pixmap/PixelFunctions.h"

namespace {

// ---- Reference blur ----

// The pixel made opaque as the blur reads it: un-premultiplied, transparent
// as white.
uint32_t Opaque(uint32_t pixel) {
  const uint32_t alpha = PixelAlpha(pixel);
  if (alpha == 0) return Rgba(0xFFFFFFFF);
  auto up = [alpha](uint32_t c) { return std::min<uint32_t>(c * 255 / alpha, 255); };
  return MakePixel(up(PixelRed(pixel)), up(PixelGreen(pixel)), up(PixelBlue(pixel)), 255);
}

// A picture as rows of words, and the box blur written as its definition:
// every output the direct sum of its 2r + 1 clamped neighbours.
using Picture = std::vector<std::vector<uint32_t>>;

Picture ReferenceBlur(Picture picture, const std::vector<int64_t>& radii) {
  const int64_t height = int64_t(picture.size()), width = int64_t(picture[0].size());
  for (auto& row : picture)
    for (auto& pixel : row) pixel = Opaque(pixel);
  auto pass = [&](bool horizontal, int64_t r) {
    Picture out = picture;
    for (int64_t y = 0; y < height; ++y)
      for (int64_t x = 0; x < width; ++x) {
        uint64_t red = 0, green = 0, blue = 0;
        for (int64_t k = -r; k <= r; ++k) {
          const uint32_t p = horizontal ? picture[y][std::clamp<int64_t>(x + k, 0, width - 1)]
                                        : picture[std::clamp<int64_t>(y + k, 0, height - 1)][x];
          red += PixelRed(p);
          green += PixelGreen(p);
          blue += PixelBlue(p);
        }
        const uint64_t d = uint64_t(2 * r + 1);
        out[y][x] = MakePixel(uint32_t(red / d), uint32_t(green / d), uint32_t(blue / d), 255);
      }
    picture = out;
  };
  for (const int64_t r : radii) {
    pass(true, r);
    pass(false, r);
  }
  return picture;
}

Picture PictureOf(const PixelBitmap& bits) {
  Picture picture(size_t(bits.height), std::vector<uint32_t>(size_t(bits.width)));
  for (int y = 0; y < bits.height; ++y)
    for (int x = 0; x < bits.width; ++x) picture[size_t(y)][size_t(x)] = *bits.pixelAt(x, y);
  return picture;
}

// Well-formed pixels of every kind: transparent, translucent, opaque.
uint32_t RandomPixel(std::mt19937& random) {
  const uint32_t kind = random() % 4;
  const uint32_t alpha = kind == 0 ? 0 : kind == 1 ? 1 + random() % 254 : 255;
  auto component = [&] { return alpha ? uint32_t(random() % (alpha + 1)) : 0u; };
  const uint32_t red = component(), green = component(), blue = component();
  return MakePixel(red, green, blue, alpha);
}

void FillRandom(const PixelBitmap& bits, uint32_t seed) {
  std::mt19937 random(seed);
  for (int y = 0; y < bits.height; ++y)
    for (int x = 0; x < bits.width; ++x) *bits.pixelAt(x, y) = RandomPixel(random);
}

void FillCheckerboard(const PixelBitmap& bits) {
  for (int y = 0; y < bits.height; ++y)
    for (int x = 0; x < bits.width; ++x) *bits.pixelAt(x, y) = (x + y) % 2 ? Rgba(0xFFFFFFFF) : Rgba(0x000000FF);
}

std::unique_ptr<CSPixmap> PixmapOfSize(int width, int height) {
  auto pixmap = CSPixmap::initWithSize(QSizeF(width, height));
  EXPECT_TRUE(pixmap);
  return pixmap;
}

// The brush a stroke gets while the pixmap holds blur or smudge buffers:
// colour mode, round shape, the buffers, strength and size from the pixmap.
BrushContext StrokeBrush(const CSPixmap& pixmap) {
  const PixelBitmap bits = pixmap.bitmap();
  BrushContext brush;
  brush.data = bits.data;
  brush.bytesPerRow = bits.bytesPerRow;
  brush.lastColumn = bits.width - 1;
  brush.lastRow = bits.height - 1;
  brush.sizeExponent = pixmap.smudgeSize();
  brush.shape = kBrushRound;
  brush.paintValue = Rgba(0xFFFFFFFF);
  brush.paintAlpha = 255;
  brush.smudgeBuffer = pixmap.smudgeBitmap();
  brush.blurBuffer = pixmap.blurBitmap();
  brush.strength = pixmap.smudgeStrength();
  brush.smudgeSize = pixmap.smudgeSize();
  return brush;
}

void StampAt(BrushContext& brush, int64_t x, int64_t y) {
  brush.x = x;
  brush.y = y;
  BrushPixel(&brush);
  EXPECT_EQ(brush.x, x);
  EXPECT_EQ(brush.y, y);
}

// The pixels of the round stamp of exponent n at (x, y), unclipped: the
// pixel; the 2 x 2 block with it at the lower right; the table rows.
PixelSet RoundStamp(uint64_t n, int64_t x, int64_t y) {
  static const std::map<uint64_t, std::vector<int>> kRound = {
      {2, {1, 2, 2, 1}},
      {3, {1, 3, 3, 4, 4, 3, 3, 1}},
      {4, {2, 4, 5, 6, 7, 7, 8, 8, 8, 8, 7, 7, 6, 5, 4, 2}},
  };
  PixelSet set;
  if (n == 0) return {{x, y}};
  if (n == 1) return {{x, y}, {x, y - 1}, {x - 1, y - 1}, {x - 1, y}};
  const std::vector<int>& halfWidths = kRound.at(n);
  const int64_t rows = int64_t(halfWidths.size());
  for (int64_t i = 0; i < rows; ++i)
    for (int64_t c = x - halfWidths[size_t(i)]; c < x + halfWidths[size_t(i)]; ++c) set.insert({c, y - rows / 2 + i});
  return set;
}

PixelSet Differences(const Picture& before, const PixelBitmap& after) {
  PixelSet set;
  for (int y = 0; y < after.height; ++y)
    for (int x = 0; x < after.width; ++x)
      if (before[size_t(y)][size_t(x)] != *after.pixelAt(x, y)) set.insert({x, y});
  return set;
}

// ---- Radii ----

TEST(BlurRadiusTest, RadiiOfStrengths) {
  const struct {
    double strength;
    int64_t boxes[3];
    int64_t largest;
  } rows[] = {
      {1.0, {9, 9, 10}, 10},
      {0.5, {4, 4, 5}, 5},
      {0.1, {0, 0, 1}, 1},
      {0.0, {0, 0, 0}, 0},
      {0.05, {0, 0, 0}, 0},  // too faint for a radius
      {std::numeric_limits<double>::quiet_NaN(), {0, 0, 0}, 0},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.strength);
    const BoxSizes sizes = BlurRadius(row.strength);
    EXPECT_EQ(sizes.boxSizes[0], row.boxes[0]);
    EXPECT_EQ(sizes.boxSizes[1], row.boxes[1]);
    EXPECT_EQ(sizes.boxSizes[2], row.boxes[2]);
    EXPECT_EQ(sizes.maxBoxSize, row.largest);
  }
}

// Three boxes of radius r add variances r (r + 1) / 3 up to about the
// Gaussian's sigma^2 = (10 x strength)^2, with widths one step apart.
TEST(BlurRadiusTest, BoxesApproximateTheGaussian) {
  for (const double strength : {0.3, 0.75, 1.3, 2.0, 4.5, 10.0, 250.0}) {
    SCOPED_TRACE(strength);
    const BoxSizes sizes = BlurRadius(strength);
    double variance = 0;
    for (const int64_t r : sizes.boxSizes) variance += double(r * (r + 1)) / 3;
    const double sigma = 10 * strength;
    EXPECT_NEAR(variance, sigma * sigma, 0.15 * sigma * sigma);
    EXPECT_LE(sizes.boxSizes[0], sizes.boxSizes[2]);
    EXPECT_LE(sizes.boxSizes[2] - sizes.boxSizes[0], 1);
    EXPECT_EQ(sizes.maxBoxSize, sizes.boxSizes[2]);
  }
}

TEST(BlurRadiusTest, HugeStrengthsStopAtTheLargestBoxes) {
  const BoxSizes largest = BlurRadius(kMaxBlurStrength);
  EXPECT_GT(2 * largest.boxSizes[0] + 1, kMaxPixmapSide);  // wider than any pixmap already
  for (const double strength : {1e9, 1e300, std::numeric_limits<double>::infinity()}) {
    SCOPED_TRACE(strength);
    const BoxSizes sizes = BlurRadius(strength);
    EXPECT_EQ(sizes.maxBoxSize, largest.maxBoxSize);
    EXPECT_EQ(sizes.boxSizes[0], largest.boxSizes[0]);
  }
}

// ---- Box blur ----

// The running sums against the direct sums, on pictures with transparent
// and translucent pixels, boxes wider than the picture, one-pixel rows and
// columns, and a width crossing the column strips.
TEST(BoxBlurTest, EqualsDirectSumsOfClampedNeighbours) {
  const struct {
    int width, height;
    std::vector<int64_t> radii;
  } rows[] = {
      {7, 5, {1, 2, 3}},  {5, 3, {7, 0, 9}},   {1, 1, {3, 3, 3}},    {40, 1, {2, 2, 3}},
      {1, 30, {4, 1, 2}}, {300, 4, {1, 1, 2}}, {19, 23, {9, 9, 10}}, {6, 2, {500, 3000, 32767}},
  };
  uint32_t seed = 1;
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.width << " x " << row.height);
    TestBitmap bitmap(row.width, row.height), scratch(row.width + 3, row.height + 2);
    FillRandom(bitmap.bits(), seed++);
    const Picture expected = ReferenceBlur(PictureOf(bitmap.bits()), row.radii);
    BoxSizes sizes;
    for (int i = 0; i < 3; ++i) sizes.boxSizes[i] = row.radii[size_t(i)];
    sizes.maxBoxSize = *std::max_element(row.radii.begin(), row.radii.end());
    BoxBlur(bitmap.bits(), scratch.bits(), sizes);
    EXPECT_EQ(PictureOf(bitmap.bits()), expected);
  }
}

// Every box sums d equal values to d x c, which must divide back to c
// exactly, for every level and box width.
TEST(BoxBlurTest, UniformPicturesStayUniform) {
  std::vector<int64_t> radii;
  for (int64_t r = 0; r < 300; ++r) radii.push_back(r);
  for (const int64_t r : {4095, 4096, 5000, 20000, 32767}) radii.push_back(r);
  TestBitmap bitmap(3, 2), scratch(3, 2);
  for (uint32_t level = 0; level < 256; ++level) {
    const uint32_t grey = MakePixel(level, 255 - level, level / 2, 255);
    for (const int64_t r : radii) {
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) bitmap.at(x, y) = grey;
      BoxSizes sizes;
      sizes.boxSizes[0] = sizes.boxSizes[1] = sizes.boxSizes[2] = sizes.maxBoxSize = r;
      BoxBlur(bitmap.bits(), scratch.bits(), sizes);
      for (int y = 0; y < 2; ++y)
        for (int x = 0; x < 3; ++x) ASSERT_EQ(bitmap.at(x, y), grey) << "level " << level << " radius " << r;
    }
  }
}

// Pictures large enough to be blurred in bands across threads, each band
// streaming its rows through the three boxes: every band edge, the
// clamped top and bottom, odd widths and boxes of radius 0 among wider ones
// give the direct sums.
TEST(BoxBlurTest, LargePicturesBlurredInBandsEqualDirectSums) {
  const struct {
    int width, height;
    std::vector<int64_t> radii;
  } rows[] = {
      {517, 513, {1, 2, 3}}, {515, 520, {0, 0, 1}}, {1030, 257, {9, 9, 10}}, {601, 700, {4, 0, 5}}, {1024, 256, {0, 2, 128}},
  };
  uint32_t seed = 40;
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.width << " x " << row.height << ", radius " << row.radii[2]);
    TestBitmap bitmap(row.width, row.height), scratch(row.width, row.height);
    FillRandom(bitmap.bits(), seed++);
    const Picture expected = ReferenceBlur(PictureOf(bitmap.bits()), row.radii);
    BoxSizes sizes;
    for (int i = 0; i < 3; ++i) sizes.boxSizes[i] = row.radii[size_t(i)];
    sizes.maxBoxSize = *std::max_element(row.radii.begin(), row.radii.end());
    BoxBlur(bitmap.bits(), scratch.bits(), sizes);
    EXPECT_EQ(PictureOf(bitmap.bits()), expected);
  }
}

// The exact division of the box sums, at every box width the bands work
// with and every level: a uniform picture stays as it is.
TEST(BoxBlurTest, LargeUniformPicturesStayUniformAtEveryWidth) {
  TestBitmap bitmap(512, 512), scratch(512, 512);
  for (int64_t r = 1; r <= 130; r += 3) {
    const uint32_t level = uint32_t(r * 37 % 256);
    const uint32_t colour = MakePixel(level, 255 - level, (level * 7) % 256, 255);
    for (int y = 0; y < bitmap.height(); ++y)
      for (int x = 0; x < bitmap.width(); ++x) bitmap.at(x, y) = colour;
    BoxSizes sizes;
    sizes.boxSizes[0] = r;
    sizes.boxSizes[1] = r + 1;
    sizes.boxSizes[2] = sizes.maxBoxSize = r + 2;
    BoxBlur(bitmap.bits(), scratch.bits(), sizes);
    for (int y = 0; y < bitmap.height(); ++y)
      for (int x = 0; x < bitmap.width(); ++x) ASSERT_EQ(bitmap.at(x, y), colour) << "radius " << r;
  }
}

TEST(BoxBlurTest, RadiusZeroOnlyMakesPixelsOpaque) {
  TestBitmap bitmap(4, 1), scratch(4, 1);
  const uint32_t input[] = {Rgba(0x00000000), Rgba(0x40200080), Rgba(0x102030FF), Rgba(0x01010102)};
  const uint32_t opaque[] = {Rgba(0xFFFFFFFF), Rgba(0x7F3F00FF), Rgba(0x102030FF), Rgba(0x7F7F7FFF)};
  for (int x = 0; x < 4; ++x) bitmap.at(x, 0) = input[x];
  BoxBlur(bitmap.bits(), scratch.bits(), BoxSizes());
  for (int x = 0; x < 4; ++x) EXPECT_EQ(bitmap.at(x, 0), opaque[x]) << x;
}

// ---- Whole-painting blur ----

TEST(BlurTest, StrengthWithoutRadiusAnswersNoAndChangesNothing) {
  auto pixmap = PixmapOfSize(16, 12);
  FillRandom(pixmap->bitmap(), 7);
  const Picture before = PictureOf(pixmap->bitmap());
  for (const double strength : {0.0, 0.05, std::numeric_limits<double>::quiet_NaN()}) {
    EXPECT_FALSE(pixmap->blur(strength)) << strength;
    EXPECT_EQ(PictureOf(pixmap->bitmap()), before);
  }
}

TEST(BlurTest, TransparentAreasBecomeOpaqueContributingWhite) {
  auto pixmap = PixmapOfSize(60, 20);
  const PixelBitmap bits = pixmap->bitmap();
  for (int y = 0; y < 20; ++y)
    for (int x = 30; x < 60; ++x) *bits.pixelAt(x, y) = Rgba(0x000000FF);  // left half transparent
  ASSERT_TRUE(pixmap->hasAlpha());
  const Picture expected = ReferenceBlur(PictureOf(bits), {9, 9, 10});
  ASSERT_TRUE(pixmap->blur(1.0));
  EXPECT_EQ(PictureOf(bits), expected);
  EXPECT_FALSE(pixmap->hasAlpha());  // the cached answer was dropped
  // The boxes reach 28 pixels: far enough from the black, white stays white.
  EXPECT_EQ(*bits.pixelAt(0, 10), Rgba(0xFFFFFFFF));
  EXPECT_EQ(*bits.pixelAt(59, 10), Rgba(0x000000FF));
  const uint32_t middle = *bits.pixelAt(29, 10);
  EXPECT_GT(PixelRed(middle), 0u);
  EXPECT_LT(PixelRed(middle), 255u);
}

// ---- Stroke buffers ----

TEST(SetBlurTest, MakesSquareBuffersAroundTheBrush) {
  const struct {
    int64_t brushSize;
    double strength;
    int side;
    uint64_t storedSize;
  } rows[] = {
      {3, 1.0, 8 + 40, 3},     {0, 1.0, 1 + 40 + 1, 0},
      {6, 0.5, 64 + 20, 6},    {9, 1.0, 64 + 40, 6},  // beyond the round tables: the largest brush
      {-2, 0.1, 1 + 4 + 1, 0}, {3, 0.05, 8, 3},       // no radius: buffers whose stamps change nothing
  };
  auto pixmap = PixmapOfSize(200, 150);
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.brushSize << " at " << row.strength);
    pixmap->setBlur(QPointF(10, 0), row.brushSize, row.strength);
    ASSERT_FALSE(pixmap->smudgeBitmap().isNull());
    ASSERT_FALSE(pixmap->blurBitmap().isNull());
    EXPECT_EQ(pixmap->smudgeBitmap().width, row.side);
    EXPECT_EQ(pixmap->smudgeBitmap().height, row.side);
    EXPECT_EQ(pixmap->blurBitmap().width, row.side);
    EXPECT_EQ(pixmap->blurBitmap().height, row.side);
    EXPECT_EQ(pixmap->smudgeSize(), row.storedSize);
    EXPECT_EQ(pixmap->smudgeStrength(), row.strength);
  }
}

TEST(SetBlurTest, NegativePointOnlyReleases) {
  auto pixmap = PixmapOfSize(20, 20);
  for (const QPointF point : {QPointF(-1, -1), QPointF(5, -0.5), QPointF(-3, 5)}) {
    pixmap->setBlur(QPointF(5, 5), 3, 1.0);
    ASSERT_FALSE(pixmap->blurBitmap().isNull());
    pixmap->setBlur(point, 3, 1.0);
    EXPECT_TRUE(pixmap->smudgeBitmap().isNull());
    EXPECT_TRUE(pixmap->blurBitmap().isNull());
    pixmap->setBlur(QPointF(5, 5), 3, 1.0);
    pixmap->setSmudge(point, 3, 1.0);  // how a stroke ends
    EXPECT_TRUE(pixmap->smudgeBitmap().isNull());
    EXPECT_TRUE(pixmap->blurBitmap().isNull());
  }
}

TEST(SetSmudgeTest, PicksUpThePixelsUnderTheBrushMadeOpaque) {
  auto pixmap = PixmapOfSize(20, 16);
  const PixelBitmap bits = pixmap->bitmap();
  FillRandom(bits, 3);
  const struct {
    int64_t x, y;
    uint64_t n;
  } rows[] = {{10, 8, 0}, {10, 8, 1}, {10, 8, 2}, {10, 8, 3}, {0, 0, 3}, {19, 15, 3}, {25, 3, 2}, {1, 1, 4}};
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << "(" << row.x << ", " << row.y << ") n " << row.n);
    pixmap->setBlur(QPointF(2, 2), 2, 1.0);  // released by setSmudge
    pixmap->setSmudge(QPointF(row.x + 0.7, row.y + 0.2), int64_t(row.n), 0.5);
    EXPECT_TRUE(pixmap->blurBitmap().isNull());
    const PixelBitmap buffer = pixmap->smudgeBitmap();
    const int size = 1 << row.n;
    ASSERT_FALSE(buffer.isNull());
    ASSERT_EQ(buffer.width, size);
    ASSERT_EQ(buffer.height, size);
    const PixelSet stamp = RoundStamp(row.n, row.x, row.y);
    for (int j = 0; j < size; ++j)
      for (int c = 0; c < size; ++c) {
        const int64_t px = row.x - size / 2 + c, py = row.y - size / 2 + j;
        const uint32_t expected =
            stamp.count({px, py})
                ? Opaque(*bits.pixelAt(std::clamp<int64_t>(px, 0, 19), std::clamp<int64_t>(py, 0, 15)))
                : 0;
        EXPECT_EQ(*buffer.pixelAt(c, j), expected) << c << ", " << j;
      }
  }
}

// ---- Smudge stamps ----

// A picture of vertical stripes, each column its own colour.
void FillColumns(const PixelBitmap& bits) {
  for (int y = 0; y < bits.height; ++y)
    for (int x = 0; x < bits.width; ++x)
      *bits.pixelAt(x, y) = MakePixel(uint32_t(x * 6), uint32_t(255 - x * 6), uint32_t(y * 10), 255);
}

TEST(SmudgeTest, FullStrengthCarriesTheFirstPatchAlongTheStroke) {
  auto pixmap = PixmapOfSize(40, 16);
  const PixelBitmap bits = pixmap->bitmap();
  FillColumns(bits);
  const Picture before = PictureOf(bits);
  pixmap->setSmudge(QPointF(5, 8), 3, 1.0);
  BrushContext brush = StrokeBrush(*pixmap);
  DrawBrushStroke(&brush, 5, 8, 30, 8);
  EXPECT_TRUE(brush.changed);
  EXPECT_FALSE(brush.alphaChanged);
  // The last stamp lays down the patch picked up at the start.
  PixelSet swept;
  for (int64_t x = 5; x <= 30; ++x)
    for (const auto& pixel : RoundStamp(3, x, 8)) swept.insert(pixel);
  for (const auto& [x, y] : RoundStamp(3, 30, 8))
    EXPECT_EQ(*bits.pixelAt(x, y), before[size_t(y)][size_t(x - 25)]) << x << ", " << y;
  for (const auto& pixel : Differences(before, bits)) EXPECT_TRUE(swept.count(pixel));
}

TEST(SmudgeTest, TooFaintStrengthChangesNothing) {
  for (const double strength : {0.003, 0.0, -0.5}) {
    SCOPED_TRACE(strength);
    auto pixmap = PixmapOfSize(40, 16);
    FillColumns(pixmap->bitmap());
    const Picture before = PictureOf(pixmap->bitmap());
    pixmap->setSmudge(QPointF(5, 8), 3, strength);
    const Picture carried = PictureOf(pixmap->smudgeBitmap());
    BrushContext brush = StrokeBrush(*pixmap);
    DrawBrushStroke(&brush, 5, 8, 30, 12);
    EXPECT_FALSE(brush.changed);
    EXPECT_EQ(PictureOf(pixmap->bitmap()), before);
    EXPECT_EQ(PictureOf(pixmap->smudgeBitmap()), carried);
  }
}

// Below full strength a stamp mixes the carried colour into what lies
// under it and then carries the mixture.
TEST(SmudgeTest, PartialStrengthMixesAndPicksUpAgain) {
  auto pixmap = PixmapOfSize(32, 16);
  const PixelBitmap bits = pixmap->bitmap();
  for (int y = 0; y < 16; ++y)
    for (int x = 0; x < 32; ++x) *bits.pixelAt(x, y) = x < 16 ? Rgba(0xFF0000FF) : Rgba(0x0000FFFF);
  const Picture before = PictureOf(bits);
  pixmap->setSmudge(QPointF(6, 8), 2, 0.5);
  BrushContext brush = StrokeBrush(*pixmap);
  StampAt(brush, 24, 8);
  EXPECT_TRUE(brush.changed);
  EXPECT_FALSE(brush.alphaChanged);
  EXPECT_EQ(Differences(before, bits), RoundStamp(2, 24, 8));
  for (const auto& [x, y] : RoundStamp(2, 24, 8)) {
    const uint32_t pixel = *bits.pixelAt(x, y);
    EXPECT_EQ(PixelAlpha(pixel), 255u);
    EXPECT_NEAR(int(PixelRed(pixel)), 127, 2);
    EXPECT_EQ(PixelGreen(pixel), 0u);
    EXPECT_NEAR(int(PixelBlue(pixel)), 128, 2);
    EXPECT_EQ(*pixmap->smudgeBitmap().pixelAt(x - 22, y - 6), pixel);  // picked up again
  }
}

TEST(SmudgeTest, TranslucentPixelsUnderTheStampBecomeOpaque) {
  for (const double strength : {1.0, 0.6}) {
    SCOPED_TRACE(strength);
    auto pixmap = PixmapOfSize(16, 16);
    const PixelBitmap bits = pixmap->bitmap();
    for (int y = 0; y < 16; ++y)
      for (int x = 0; x < 16; ++x) *bits.pixelAt(x, y) = x < 8 ? Rgba(0x00FF00FF) : Rgba(0x40000040);
    pixmap->setSmudge(QPointF(3, 8), 2, strength);
    BrushContext brush = StrokeBrush(*pixmap);
    StampAt(brush, 12, 8);
    EXPECT_TRUE(brush.alphaChanged);
    for (const auto& [x, y] : RoundStamp(2, 12, 8)) EXPECT_EQ(PixelAlpha(*bits.pixelAt(x, y)), 255u);
  }
}

// ---- Blur stamps ----

TEST(BlurStampTest, WritesBackUnderTheRoundStampOfTheBufferSize) {
  for (const uint64_t n : {0, 1, 2, 3, 4}) {
    SCOPED_TRACE(n);
    auto pixmap = PixmapOfSize(60, 50);
    FillCheckerboard(pixmap->bitmap());
    const Picture before = PictureOf(pixmap->bitmap());
    pixmap->setBlur(QPointF(30, 25), int64_t(n), 1.0);
    BrushContext brush = StrokeBrush(*pixmap);
    StampAt(brush, 30, 25);
    EXPECT_TRUE(brush.changed);
    EXPECT_FALSE(brush.alphaChanged);
    EXPECT_EQ(Differences(before, pixmap->bitmap()), RoundStamp(n, 30, 25));
  }
}

// When the region around the stamp is the whole painting, the pixels under
// the stamp take the whole painting's blur, edges repeating as they do there.
TEST(BlurStampTest, RegionCoveringThePaintingBlursAsTheWholePainting) {
  const QPoint points[] = {{5, 4}, {0, 0}, {11, 8}, {-2, 9}, {13, 3}};
  for (const QPoint point : points) {
    SCOPED_TRACE(::testing::Message() << point.x() << ", " << point.y());
    auto pixmap = PixmapOfSize(12, 9);
    FillRandom(pixmap->bitmap(), 11);
    const Picture before = PictureOf(pixmap->bitmap());
    auto whole = pixmap->copy();
    ASSERT_TRUE(whole->blur(0.5));
    pixmap->setBlur(QPointF(0, 0), 3, 0.5);
    ASSERT_GE(pixmap->smudgeBitmap().width / 2, 12 + 2);
    BrushContext brush = StrokeBrush(*pixmap);
    StampAt(brush, point.x(), point.y());
    PixelSet inside;
    for (const auto& [x, y] : RoundStamp(3, point.x(), point.y()))
      if (x >= 0 && y >= 0 && x < 12 && y < 9) inside.insert({x, y});
    const PixelBitmap bits = pixmap->bitmap();
    for (int y = 0; y < 9; ++y)
      for (int x = 0; x < 12; ++x)
        EXPECT_EQ(*bits.pixelAt(x, y),
                  inside.count({x, y}) ? *whole->bitmap().pixelAt(x, y) : before[size_t(y)][size_t(x)])
            << x << ", " << y;
  }
}

TEST(BlurStampTest, UniformOpaqueAreaIsNoChange) {
  auto pixmap = PixmapOfSize(40, 30);
  const PixelBitmap bits = pixmap->bitmap();
  for (int y = 0; y < 30; ++y)
    for (int x = 0; x < 40; ++x) *bits.pixelAt(x, y) = Rgba(0x336699FF);
  pixmap->setBlur(QPointF(3, 3), 4, 1.0);
  BrushContext brush = StrokeBrush(*pixmap);
  DrawBrushStroke(&brush, 3, 3, 35, 25);
  EXPECT_FALSE(brush.changed);
}

// A blur stroke at a strength too faint for a radius leaves the painting
// alone rather than painting the brush's colour.
TEST(BlurStampTest, FaintStrokeLeavesThePaintingAlone) {
  auto pixmap = PixmapOfSize(40, 30);
  FillCheckerboard(pixmap->bitmap());
  const Picture before = PictureOf(pixmap->bitmap());
  pixmap->setBlur(QPointF(3, 3), 4, 0.05);
  BrushContext brush = StrokeBrush(*pixmap);
  DrawBrushStroke(&brush, 3, 3, 35, 25);
  EXPECT_FALSE(brush.changed);
  EXPECT_EQ(PictureOf(pixmap->bitmap()), before);
}

// ---- Strokes through the pixmap ----

// While the buffers exist a stroke of any brush blurs or smudges under the
// round stamp of the buffers' size instead of painting; ending the stroke
// releases them and the brush paints again.
TEST(BlurSmudgeStrokeTest, BuffersTurnBrushStrokesIntoBlurOrSmudge) {
  const uint32_t red = Rgba(0xFF0000FF), blue = Rgba(0x0000FFFF);
  for (const bool blurring : {true, false}) {
    SCOPED_TRACE(blurring ? "blur" : "smudge");
    auto pixmap = PixmapOfSize(48, 24);
    const PixelBitmap bits = pixmap->bitmap();
    for (int y = 0; y < 24; ++y)
      for (int x = 0; x < 48; ++x) *bits.pixelAt(x, y) = (x / 2 + y / 2) % 2 ? red : blue;
    const Picture before = PictureOf(bits);
    if (blurring)
      pixmap->setBlur(QPointF(10, 12), 3, 1.0);
    else
      pixmap->setSmudge(QPointF(10, 12), 3, 0.5);
    ASSERT_TRUE(pixmap->drawWithBrush(kBrushDiamond, 3, QPointF(10, 12), QPointF(30, 12), 0x64FFFFFF));
    PixelSet swept;
    for (int64_t x = 10; x <= 30; ++x)
      for (const auto& pixel : RoundStamp(3, x, 12)) swept.insert(pixel);
    const PixelSet changed = Differences(before, bits);
    for (const auto& pixel : changed) EXPECT_TRUE(swept.count(pixel));
    for (const auto& [x, y] : swept) EXPECT_NE(*bits.pixelAt(x, y), Rgba(0xFFFFFFFF)) << x << ", " << y;
    EXPECT_GT(changed.size(), swept.size() / 2);

    pixmap->setSmudge(QPointF(-1, -1), 3, 1.0);
    EXPECT_TRUE(pixmap->smudgeBitmap().isNull());
    ASSERT_TRUE(pixmap->drawWithBrush(kBrushSquare, 0, QPointF(40, 3), QPointF(40, 3), 0x64FFFFFF));
    EXPECT_EQ(*bits.pixelAt(40, 3), Rgba(0xFFFFFFFF));
  }
}

// ---- Stamps at the painting's edges ----

// A painting inside a larger bitmap, the ring around it a guard colour that
// no stamp may touch.
class EdgeStampTest : public ::testing::Test {
 protected:
  static constexpr int kRing = 40, kWidth = 20, kHeight = 14;
  static constexpr uint32_t kGuard = Rgba(0x12345678);

  EdgeStampTest() : m_bitmap(kWidth + 2 * kRing, kHeight + 2 * kRing, kGuard) {
    for (int y = 0; y < kHeight; ++y)
      for (int x = 0; x < kWidth; ++x) painting(x, y) = (x + y) % 2 ? Rgba(0xFF8000FF) : Rgba(0x00204080);
  }

  uint32_t& painting(int64_t x, int64_t y) { return m_bitmap.at(x + kRing, y + kRing); }

  BrushContext Brush() {
    BrushContext brush = BrushOn(m_bitmap, kBrushRound, 3);
    brush.data = reinterpret_cast<uint8_t*>(&painting(0, 0));
    brush.lastColumn = kWidth - 1;
    brush.lastRow = kHeight - 1;
    brush.smudgeSize = 3;
    return brush;
  }

  // Whether the round stamp at the point covers a pixel of the painting.
  static bool TouchesPainting(QPoint point) {
    for (const auto& [x, y] : RoundStamp(3, point.x(), point.y()))
      if (x >= 0 && y >= 0 && x < kWidth && y < kHeight) return true;
    return false;
  }

  void ExpectRingUntouched() {
    for (int y = 0; y < m_bitmap.height(); ++y)
      for (int x = 0; x < m_bitmap.width(); ++x) {
        const bool inPainting = x >= kRing && y >= kRing && x < kRing + kWidth && y < kRing + kHeight;
        if (!inPainting) {
          ASSERT_EQ(m_bitmap.at(x, y), kGuard) << x << ", " << y;
        }
      }
  }

  TestBitmap m_bitmap;
};

constexpr QPoint kEdgePoints[] = {{0, 0}, {19, 13}, {-3, 6}, {22, 1}, {10, -4}, {4, 16}, {-4, -4}, {23, 17}};

TEST_F(EdgeStampTest, BlurStampsWriteOnlyInsideThePainting) {
  const int side = 8 + 4 * 10;
  TestBitmap region(side, side), scratch(side, side);
  for (const QPoint point : kEdgePoints) {
    SCOPED_TRACE(::testing::Message() << point.x() << ", " << point.y());
    BrushContext brush = Brush();
    brush.smudgeBuffer = region.bits();
    brush.blurBuffer = scratch.bits();
    brush.strength = 1.0;
    StampAt(brush, point.x(), point.y());
    EXPECT_EQ(brush.changed, TouchesPainting(point));
    ExpectRingUntouched();
  }
}

TEST_F(EdgeStampTest, SmudgeStampsReadClampedPixelsAndWriteOnlyInside) {
  TestBitmap carried(8, 8);
  for (const double strength : {1.0, 0.5}) {
    for (const QPoint point : kEdgePoints) {
      SCOPED_TRACE(::testing::Message() << strength << " at " << point.x() << ", " << point.y());
      BrushContext brush = Brush();
      brush.smudgeBuffer = carried.bits();
      brush.strength = strength;
      for (int y = 0; y < 8; ++y)
        for (int x = 0; x < 8; ++x) carried.at(x, y) = x < 2 ? 0 : Rgba(0x204060FF);
      StampAt(brush, point.x(), point.y());
      ExpectRingUntouched();
      if (strength == 1.0) {
        // Every carried cell over the painting is laid down.
        for (int j = 0; j < 8; ++j)
          for (int c = 2; c < 8; ++c) {
            const int64_t x = point.x() - 4 + c, y = point.y() - 4 + j;
            if (x >= 0 && y >= 0 && x < kWidth && y < kHeight) {
              EXPECT_EQ(painting(x, y), Rgba(0x204060FF)) << x << ", " << y;
            }
          }
        continue;
      }
      // Picked up again: the cells that were carried now hold the nearest
      // painting pixels, never the guard.
      for (const auto& [x, y] : RoundStamp(3, point.x(), point.y())) {
        const int64_t c = x - point.x() + 4, j = y - point.y() + 4;
        EXPECT_EQ(carried.at(c, j),
                  Opaque(painting(std::clamp<int64_t>(x, 0, kWidth - 1), std::clamp<int64_t>(y, 0, kHeight - 1))))
            << c << ", " << j;
      }
    }
  }
}

}  // namespace
