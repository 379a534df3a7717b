#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <map>
#include <vector>

#include "PixelTestSupport.h"
#include "pixmap/PixelFunctions.h"

namespace {

PixelSet Stamp(TestBitmap& bitmap, BrushContext brush, int64_t x, int64_t y) {
  brush.x = x;
  brush.y = y;
  BrushPixel(&brush);
  EXPECT_EQ(brush.x, x);  // the stamp leaves the centre where it was
  EXPECT_EQ(brush.y, y);
  return PaintedPixels(bitmap);
}

// The half-widths the round and oval stamps must have, row by row.
const std::map<int, std::vector<int>> kRound = {
    {2, {1, 2, 2, 1}},
    {3, {1, 3, 3, 4, 4, 3, 3, 1}},
    {4, {2, 4, 5, 6, 7, 7, 8, 8, 8, 8, 7, 7, 6, 5, 4, 2}},
    {5, {4,  7,  9,  10, 11, 12, 13, 14, 14, 15, 15, 15, 16, 16, 16, 16,
         16, 16, 16, 16, 15, 15, 15, 14, 14, 13, 12, 11, 10, 9,  7,  4}},
    {6, {7,  10, 13, 15, 17, 18, 20, 21, 22, 23, 24, 25, 26, 26, 27, 28, 28, 29, 29, 30, 30, 30,
         31, 31, 31, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 31, 31, 31, 30, 30,
         30, 29, 29, 28, 28, 27, 26, 26, 25, 24, 23, 22, 21, 20, 18, 17, 15, 13, 10, 7}},
};
const std::map<int, std::vector<int>> kOval = {
    {2, {1, 2, 1}},
    {3, {2, 3, 4, 4, 3, 2}},
    {4, {2, 4, 6, 7, 8, 8, 7, 6, 4, 2}},
    {5, {6, 10, 12, 13, 14, 15, 15, 16, 16, 16, 16, 15, 15, 14, 13, 12, 10, 6}},
    {6, {6,  11, 15, 18, 21, 23, 25, 26, 27, 28, 29, 30, 30, 31, 31, 31, 32, 32, 32,
         32, 32, 32, 31, 31, 31, 30, 30, 29, 28, 27, 26, 25, 23, 21, 18, 15, 11, 6}},
};

TEST(BrushTest, RoundAndOvalRowsEqualTheTables) {
  for (const auto& [shape, tables] : {std::pair{kBrushRound, &kRound}, std::pair{kBrushOval, &kOval}}) {
    for (const auto& [exponent, halfWidths] : *tables) {
      SCOPED_TRACE(::testing::Message() << "shape " << shape << " exponent " << exponent);
      EXPECT_EQ(int(halfWidths.size()), shape == kBrushRound ? 1 << exponent : int(halfWidths.size()));
      TestBitmap bitmap(100, 100);
      const int x = 50, y = 50;
      const PixelSet painted = Stamp(bitmap, BrushOn(bitmap, shape, uint64_t(exponent)), x, y);
      PixelSet expected;
      const int rows = int(halfWidths.size());
      for (int i = 0; i < rows; ++i)
        for (int c = x - halfWidths[i]; c < x + halfWidths[i]; ++c) expected.insert({c, y - rows / 2 + i});
      EXPECT_EQ(painted, expected);
    }
  }
}

TEST(BrushTest, DiamondRowsWidenByTwoAndNarrowAgain) {
  const struct {
    uint64_t exponent;
    std::vector<int> widths;
  } rows[] = {{1, {1}}, {2, {1, 3, 1}}, {3, {1, 3, 5, 7, 5, 3, 1}}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.exponent);
    TestBitmap bitmap(40, 40);
    const int x = 20, y = 20, half = (1 << row.exponent) / 2;
    const PixelSet painted = Stamp(bitmap, BrushOn(bitmap, kBrushDiamond, row.exponent), x, y);
    PixelSet expected;
    for (size_t i = 0; i < row.widths.size(); ++i) {
      const int width = row.widths[i];
      for (int c = x - (width - 1) / 2; c <= x + (width - 1) / 2; ++c) expected.insert({c, y - half + 1 + int(i)});
    }
    EXPECT_EQ(painted, expected);
  }
}

TEST(BrushTest, SquaresBarsAndDiagonalsAtTheCentre) {
  const int x = 20, y = 20;
  auto shapeOf = [&](BrushShape shape, uint64_t exponent, int64_t explicitSize = 0) {
    TestBitmap bitmap(40, 40);
    BrushContext brush = BrushOn(bitmap, shape, exponent);
    brush.explicitSize = explicitSize;
    return Stamp(bitmap, brush, x, y);
  };
  auto block = [](int left, int top, int right, int bottom) {
    PixelSet set;
    for (int r = top; r <= bottom; ++r)
      for (int c = left; c <= right; ++c) set.insert({c, r});
    return set;
  };
  EXPECT_EQ(shapeOf(kBrushSquare, 3), block(16, 16, 23, 23));
  EXPECT_EQ(shapeOf(kBrushSquare, 1, 5), block(18, 18, 22, 22));  // an explicit size overrides 2^n
  EXPECT_EQ(shapeOf(kBrushVerticalBar, 3), block(20, 16, 20, 23));
  EXPECT_EQ(shapeOf(kBrushHorizontalBar, 3), block(16, 20, 23, 20));
  PixelSet falling, rising;
  for (int k = -4; k <= 4; ++k) {
    falling.insert({x + k, y + k});
    rising.insert({x + k, y - k});
  }
  EXPECT_EQ(shapeOf(kBrushFallingDiagonal, 3), falling);
  EXPECT_EQ(shapeOf(kBrushRisingDiagonal, 3), rising);
  // Exponent 0 is one pixel whatever the shape; an unknown shape is nothing.
  EXPECT_EQ(shapeOf(9, 0), block(20, 20, 20, 20));
  EXPECT_EQ(shapeOf(kBrushRound, 0), block(20, 20, 20, 20));
  EXPECT_TRUE(shapeOf(8, 3).empty());
}

// Every shape at every exponent, placed at the corners of a small bitmap and
// at its centre, paints exactly the part of the whole stamp that falls inside.
TEST(BrushTest, StampsAtTheEdgesAreTheWholeStampCutToTheBitmap) {
  const int width = 40, height = 30;
  const std::pair<int, int> places[] = {
      {0, 0}, {width - 1, 0}, {0, height - 1}, {width - 1, height - 1}, {width / 2, height / 2}};
  for (BrushShape shape = 0; shape <= kBrushRisingDiagonal; ++shape) {
    for (uint64_t exponent = 0; exponent <= 6; ++exponent) {
      SCOPED_TRACE(::testing::Message() << "shape " << shape << " exponent " << exponent);
      TestBitmap whole(200, 200);
      PixelSet offsets;
      for (const auto& [x, y] : Stamp(whole, BrushOn(whole, shape, exponent), 100, 100))
        offsets.insert({x - 100, y - 100});
      ASSERT_TRUE(offsets.count({0, 0}));  // a stamp covers its centre
      const int64_t size = int64_t(1) << exponent;
      for (const auto& [dx, dy] : offsets) ASSERT_TRUE(std::abs(dx) <= size && std::abs(dy) <= size);
      for (const auto& [x, y] : places) {
        SCOPED_TRACE(::testing::Message() << "at " << x << "," << y);
        TestBitmap bitmap(width, height);
        BrushContext brush = BrushOn(bitmap, shape, exponent);
        brush.x = x;
        brush.y = y;
        BrushPixel(&brush);
        PixelSet expected;
        for (const auto& [dx, dy] : offsets)
          if (x + dx >= 0 && y + dy >= 0 && x + dx < width && y + dy < height) expected.insert({x + dx, y + dy});
        EXPECT_EQ(PaintedPixels(bitmap), expected);
        EXPECT_TRUE(brush.changed);
      }
    }
  }
}

TEST(BrushTest, SquareOfSizeFourAtTheCornerPaintsTwoByTwo) {
  TestBitmap bitmap(10, 10);
  const PixelSet expected = {{0, 0}, {1, 0}, {0, 1}, {1, 1}};
  EXPECT_EQ(Stamp(bitmap, BrushOn(bitmap, kBrushSquare, 2), 0, 0), expected);
}

TEST(BrushTest, BarsAtTheFirstColumnAndRowAreDrawn) {
  TestBitmap bitmap(10, 10);
  PixelSet expected = {{0, 3}, {0, 4}, {0, 5}, {0, 6}};
  EXPECT_EQ(Stamp(bitmap, BrushOn(bitmap, kBrushVerticalBar, 2), 0, 5), expected);
  TestBitmap other(10, 10);
  expected = {{3, 0}, {4, 0}, {5, 0}, {6, 0}};
  EXPECT_EQ(Stamp(other, BrushOn(other, kBrushHorizontalBar, 2), 5, 0), expected);
  // A bar whose line misses the bitmap draws nothing.
  TestBitmap none(10, 10);
  EXPECT_TRUE(Stamp(none, BrushOn(none, kBrushVerticalBar, 3), -1, 5).empty());
}

TEST(BrushTest, ColourModeFlagsChangesAndOpacityChanges) {
  const struct {
    uint32_t before;
    uint32_t paint;
    bool changed;
    bool alphaChanged;
  } rows[] = {
      {0, Rgba(0x000000FF), true, true},                  // transparent to opaque
      {Rgba(0xFFFFFFFF), Rgba(0x00000080), true, true},   // opaque to translucent
      {0, Rgba(0x00000080), true, false},                 // stays translucent
      {Rgba(0xFFFFFFFF), Rgba(0x000000FF), true, false},  // stays opaque
      {Rgba(0x000000FF), Rgba(0x000000FF), false, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << std::hex << row.before << " " << row.paint);
    TestBitmap bitmap(8, 8, row.before);
    BrushContext brush = BrushOn(bitmap, kBrushSquare, 2, row.paint);
    brush.x = brush.y = 4;
    BrushPixel(&brush);
    EXPECT_EQ(bitmap.at(4, 4), row.paint);
    EXPECT_EQ(brush.changed, row.changed);
    EXPECT_EQ(brush.alphaChanged, row.alphaChanged);
  }
}

TEST(BrushTest, MaskModePaintsAlphaAndKeepAlphaModePaintsColour) {
  TestBitmap bitmap(8, 8, Rgba(0xFF0000FF));
  BrushContext brush = BrushOn(bitmap, kBrushSquare, 1);
  brush.pixmapMode = kPixmapModeMask;
  brush.paintValue = 128;
  brush.x = brush.y = 4;
  BrushPixel(&brush);
  EXPECT_EQ(bitmap.at(4, 4), Rgba(0x80000080));
  EXPECT_EQ(bitmap.at(5, 5), Rgba(0xFF0000FF));
  EXPECT_TRUE(brush.changed);
  EXPECT_TRUE(brush.alphaChanged);  // opaque pixels became translucent

  brush = BrushOn(bitmap, kBrushSquare, 2, Rgba(0x0000FFFF));
  brush.pixmapMode = kPixmapModeKeepAlpha;
  brush.x = brush.y = 4;
  BrushPixel(&brush);
  EXPECT_EQ(bitmap.at(4, 4), Rgba(0x00008080));  // blue at the pixel's own alpha
  EXPECT_EQ(bitmap.at(5, 5), Rgba(0x0000FFFF));
  EXPECT_TRUE(brush.changed);
  EXPECT_FALSE(brush.alphaChanged);

  // Keeping the alpha of transparent pixels leaves them as they are.
  TestBitmap clear(8, 8);
  brush = BrushOn(clear, kBrushSquare, 2, Rgba(0x0000FFFF));
  brush.pixmapMode = kPixmapModeKeepAlpha;
  brush.x = brush.y = 4;
  BrushPixel(&brush);
  EXPECT_TRUE(PaintedPixels(clear).empty());
  EXPECT_FALSE(brush.changed);
}

PixelSet Stroke(TestBitmap& bitmap, BrushShape shape, uint64_t exponent, double x0, double y0, double x1, double y1) {
  BrushContext brush = BrushOn(bitmap, shape, exponent);
  DrawBrushStroke(&brush, x0, y0, x1, y1);
  const PixelSet painted = PaintedPixels(bitmap);
  EXPECT_EQ(brush.changed, !painted.empty());
  return painted;
}

TEST(BrushTest, PencilStrokesStepAlongTheLongerAxis) {
  const struct {
    double x0, y0, x1, y1;
    PixelSet expected;
  } rows[] = {
      {2, 5, 8, 5, {{2, 5}, {3, 5}, {4, 5}, {5, 5}, {6, 5}, {7, 5}, {8, 5}}},
      {3, 3, 3, 3, {{3, 3}}},
      {4, 7, 4, 4, {{4, 4}, {4, 5}, {4, 6}, {4, 7}}},
      {0, 0, 10, 4, {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 1}, {5, 2}, {6, 2}, {7, 2}, {8, 3}, {9, 3}, {10, 4}}},
      {10, 4, 0, 0, {{0, 0}, {1, 0}, {2, 0}, {3, 1}, {4, 1}, {5, 2}, {6, 2}, {7, 2}, {8, 3}, {9, 3}, {10, 4}}},
      {0, 0, 3, 9, {{0, 0}, {0, 1}, {0, 2}, {1, 3}, {1, 4}, {1, 5}, {2, 6}, {2, 7}, {2, 8}, {3, 9}}},
      {3.9, 0.5, 0.2, 3.7, {{3, 0}, {2, 1}, {1, 2}, {0, 3}}},  // coordinates truncated
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.x0 << "," << row.y0 << " to " << row.x1 << "," << row.y1);
    TestBitmap bitmap(12, 12);
    EXPECT_EQ(Stroke(bitmap, kBrushSquare, 0, row.x0, row.y0, row.x1, row.y1), row.expected);
  }
}

TEST(BrushTest, AStrokeFromFarOutsideKeepsItsDirection) {
  // On the line through (-9950, -4950) and (50, 50), y = 25 + x / 2 within
  // the bitmap. Clamping the far end to the corner would draw the diagonal.
  TestBitmap bitmap(100, 100);
  PixelSet expected;
  for (int x = 0; x <= 50; ++x) expected.insert({x, 25 + x / 2});
  EXPECT_EQ(Stroke(bitmap, kBrushSquare, 0, -9950, -4950, 50, 50), expected);

  // Both ends far away on either side: the whole row, and only it.
  TestBitmap row(100, 100);
  expected.clear();
  for (int x = 0; x < 100; ++x) expected.insert({x, 50});
  EXPECT_EQ(Stroke(row, kBrushSquare, 0, -1e6, 50, 1e6, 50), expected);

  // A line that passes by the bitmap paints nothing.
  TestBitmap none(100, 100);
  EXPECT_TRUE(Stroke(none, kBrushRound, 4, -500, -10, -10, -500).empty());
}

TEST(BrushTest, StampsCentredOffTheBitmapStillPaintTheirInsidePart) {
  // A round brush of 16 pixels along a row just above the bitmap: the lower
  // rows of each stamp reach into it.
  TestBitmap bitmap(50, 20);
  const PixelSet painted = Stroke(bitmap, kBrushRound, 4, -30, -3, 80, -3);
  PixelSet expected;
  for (int x = 0; x < 50; ++x)
    for (int y = 0; y <= 4; ++y) expected.insert({x, y});  // rows -3 - 8 + i for i up to 15
  EXPECT_EQ(painted, expected);
}

TEST(BrushTest, UnrepresentableEndsStayWithinTheBitmap) {
  const double inf = std::numeric_limits<double>::infinity();
  const double nan = std::numeric_limits<double>::quiet_NaN();
  TestBitmap bitmap(30, 30);
  const PixelSet painted = Stroke(bitmap, kBrushSquare, 0, nan, nan, inf, inf);
  // NaN reads as 0 and infinity as a far point on the diagonal.
  EXPECT_TRUE(painted.count({0, 0}));
  EXPECT_TRUE(painted.count({29, 29}));
  EXPECT_EQ(painted.size(), 30u);
  TestBitmap other(30, 30);
  EXPECT_EQ(Stroke(other, kBrushSquare, 3, -inf, 10, 1e300, 10).size(), 30u * 8);
}

// Whether every row of the painted pixels is one unbroken run.
bool RowsAreUnbroken(const PixelSet& painted) {
  std::map<int64_t, std::pair<int64_t, int64_t>> spans;  // row -> first, count
  for (const auto& [x, y] : painted) {
    auto [it, added] = spans.try_emplace(y, x, 0);
    if (it->second.first + it->second.second != x) return false;
    ++it->second.second;
  }
  return !spans.empty();
}

TEST(BrushTest, DiagonalBrushesLeaveNoGapAcrossTheirDirection) {
  const struct {
    BrushShape shape;
    double x0, y0, x1, y1;
  } rows[] = {
      {kBrushFallingDiagonal, 10, 40, 40, 10},  // along y, 45 degrees
      {kBrushFallingDiagonal, 10, 30, 50, 10},  // along x
      {kBrushFallingDiagonal, 20, 45, 35, 5},   // along y, steep
      {kBrushRisingDiagonal, 10, 10, 40, 40},  {kBrushRisingDiagonal, 10, 10, 50, 30},
      {kBrushRisingDiagonal, 35, 45, 20, 5},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.shape << ": " << row.x0 << "," << row.y0 << " to " << row.x1 << ","
                                      << row.y1);
    TestBitmap bitmap(60, 60);
    EXPECT_TRUE(RowsAreUnbroken(Stroke(bitmap, row.shape, 3, row.x0, row.y0, row.x1, row.y1)));
  }
}

}  // namespace
