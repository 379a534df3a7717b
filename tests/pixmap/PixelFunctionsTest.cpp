#include <gtest/gtest.h>

#include <vector>

#include "PixelTestSupport.h"
#include "pixmap/PixelFunctions.h"

namespace {

TEST(PixelFunctionsTest, OpaqueBlackAndWhiteInTheBitmapsWordOrder) {
  EXPECT_EQ(Rgba(0x000000FF), kOpaqueBlackPixel);
  EXPECT_EQ(Rgba(0xFFFFFFFF), kOpaqueWhitePixel);
  EXPECT_EQ(Rgba(0x11223344), MakePixel(0x11, 0x22, 0x33, 0x44));
  const uint32_t p = Rgba(0x11223344);
  EXPECT_EQ(PixelRed(p), 0x11u);
  EXPECT_EQ(PixelGreen(p), 0x22u);
  EXPECT_EQ(PixelBlue(p), 0x33u);
  EXPECT_EQ(PixelAlpha(p), 0x44u);
}

TEST(PixelFunctionsTest, PixelFromKolor) {
  const struct {
    Kolor kolor;
    uint32_t pixel;
  } rows[] = {
      {0x64FF0000, Rgba(0x0000FFFF)},  // opaque blue
      {0x32FFFFFF, Rgba(0x7F7F7F7F)},  // half white: alpha 127, premultiplied
      {0xFFFFFFFF, 0},                 // no colour
      {0x00FFFFFF, 0},                 // opacity 0
      {0x65000000, 0},                 // not a Kolor
      {0x64000000, Rgba(0x000000FF)},
      {0x6400FF80, Rgba(0x80FF00FF)},  // red in the low byte of a Kolor
      {0x0A0000FF, Rgba(0x19000019)},  // 10 %: alpha 25, red 255 x 25 / 255
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << std::hex << row.kolor);
    EXPECT_EQ(PixelFromKolor(row.kolor), row.pixel);
  }
}

TEST(PixelFunctionsTest, KolorFromPixel) {
  const struct {
    uint32_t pixel;
    Kolor kolor;
  } rows[] = {
      {Rgba(0x7F7F7F7F), 0x31FFFFFF},  // opacity 49, components 255
      {0, g_nilKolor},
      {Rgba(0x12345600), g_nilKolor},  // alpha 0 whatever the colour bits
      {Rgba(0xFFFFFFFF), 0x64FFFFFF},
      {Rgba(0x000000FF), 0x64000000},
      {Rgba(0x40000080), 0x3200007F},  // 64 x 255 / 128 = 127 at opacity 50
      // The faintest pixels convert to opacity 0, which is no colour, not a
      // colour that reads as invisible.
      {Rgba(0x01010101), g_nilKolor},
      {Rgba(0x01000002), g_nilKolor},
      {Rgba(0x03030303), 0x01FFFFFF},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << std::hex << row.pixel);
    EXPECT_EQ(KolorFromPixel(row.pixel), row.kolor);
  }
}

TEST(PixelFunctionsTest, OpaqueKolorsSurviveTheRoundTrip) {
  for (Kolor kolor : {0x64000000u, 0x64FFFFFFu, 0x64123456u, 0x64FF0080u, 0x640180FEu})
    EXPECT_EQ(KolorFromPixel(PixelFromKolor(kolor)), kolor) << std::hex << kolor;
}

TEST(PixelFunctionsTest, AlphaFromKolorIsTheInverseGreyLevel) {
  EXPECT_EQ(AlphaFromKolor(0x64000000), 255u);
  EXPECT_EQ(AlphaFromKolor(0x64FFFFFF), 0u);
  EXPECT_EQ(AlphaFromKolor(0x64404040), 191u);
  EXPECT_EQ(AlphaFromKolor(0x32404040), 191u);  // the opacity is ignored
  EXPECT_EQ(AlphaFromKolor(0x640000FF), 201u);  // pure red: CIE grey 54
  EXPECT_EQ(AlphaFromPixel(PixelFromAlpha(77)), 77u);
  EXPECT_EQ(PixelFromAlpha(0), kOpaqueWhitePixel);
  EXPECT_EQ(PixelFromAlpha(255), kOpaqueBlackPixel);
  EXPECT_EQ(PixelFromAlpha(128), Rgba(0x7F7F7FFF));
}

TEST(PixelFunctionsTest, ChangePixelAlpha) {
  const struct {
    uint32_t before;
    uint32_t alpha;
    uint32_t after;
    bool changed;
  } rows[] = {
      {0, 128, Rgba(0x80808080), true},                  // transparent becomes white at the alpha
      {Rgba(0x40200080), 0, 0, true},                    // any pixel to 0 gives 0
      {Rgba(0x40200080), 128, Rgba(0x40200080), false},  // same alpha: untouched
      {Rgba(0x40200080), 255, Rgba(0x7F3F00FF), true},   // made opaque: un-premultiplied
      {Rgba(0xFF8000FF), 128, Rgba(0x80400080), true},
      {Rgba(0xFFFFFFFF), 300, Rgba(0xFFFFFFFF), false},  // above 255 counts as 255
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << std::hex << row.before << " to " << row.alpha);
    uint32_t pixel = row.before;
    EXPECT_EQ(ChangePixelAlpha(&pixel, row.alpha), row.changed);
    EXPECT_EQ(pixel, row.after);
  }
}

TEST(PixelFunctionsTest, PixelMatches) {
  const uint32_t grey = Rgba(0x646464FF);
  const struct {
    uint32_t pixel;
    uint32_t target;
    int tolerance;
    int answer;
  } rows[] = {
      {Rgba(0x695F69FF), grey, 10, 1},  // 5 off in each of red, green and blue
      {Rgba(0x6A6464FF), grey, 10, 0},  // 6 off in red
      {Rgba(0x646464FF), grey, 10, 1},
      {Rgba(0x64645EFF), grey, 10, 0},  // 6 off in blue
      {Rgba(0x64646480), grey, 0, 1},   // equal colours match whatever their alpha
      {Rgba(0x656464FF), grey, 0, 0},
      {0, 0, 0, 1},  // two transparent pixels match
      {Rgba(0x12345600), 0, 5, 1},
      {0, grey, 100, 0},  // transparent against opaque never
      {grey, 0, 100, 0},
      {0, grey, -1, kPixelPassable},  // passable at a negative tolerance
      {grey, grey, -1, 1},
      {Rgba(0x656464FF), grey, -1, 0},
      {Rgba(0xFFFFFFFF), Rgba(0x000000FF), 2147483647, 1},  // no overflow at the largest tolerance
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(::testing::Message() << std::hex << row.pixel << " " << row.target << std::dec << " at "
                                      << row.tolerance);
    EXPECT_EQ(PixelMatches(row.pixel, row.target, row.tolerance), row.answer);
  }
}

TEST(PixelFunctionsTest, BlendPixelsIsSourceOver) {
  const uint32_t halfBlack = Rgba(0x00000080);
  EXPECT_EQ(BlendPixels(kOpaqueWhitePixel, halfBlack), Rgba(0x7F7F7FFF));
  EXPECT_EQ(BlendPixels(Rgba(0x12345678), Rgba(0xFF0000FF)), Rgba(0xFF0000FF));  // opaque source wins
  EXPECT_EQ(BlendPixels(Rgba(0x12345678), 0), Rgba(0x12345678));                 // transparent source: nothing
  EXPECT_EQ(BlendPixels(0, halfBlack), halfBlack);
  EXPECT_EQ(BlendPixels(Rgba(0x00008080), Rgba(0x80000080)), Rgba(0x80003FBF));
}

TEST(PixelFunctionsTest, SwapPixels) {
  TestBitmap bitmap(5, 4);
  bitmap.at(1, 0) = Rgba(0x11111111);
  bitmap.at(4, 3) = Rgba(0x22222222);
  SwapPixels(bitmap.bits().data, bitmap.bits().bytesPerRow, 1, 0, 4, 3);
  EXPECT_EQ(bitmap.at(1, 0), Rgba(0x22222222));
  EXPECT_EQ(bitmap.at(4, 3), Rgba(0x11111111));
}

TEST(PixelFunctionsTest, ZoomPixelDrawsGridLinesOnlyOnVisiblePixels) {
  TestBitmap bitmap(8, 4);
  const uint32_t red = Rgba(0xFF0000FF);
  ZoomPixel(red, 4, true, bitmap.bits().pixelAt(0, 0), bitmap.bits().bytesPerRow);
  ZoomPixel(0, 4, true, bitmap.bits().pixelAt(4, 0), bitmap.bits().bytesPerRow);
  for (int y = 0; y < 4; ++y)
    for (int x = 0; x < 4; ++x) {
      SCOPED_TRACE(::testing::Message() << x << "," << y);
      EXPECT_EQ(bitmap.at(x, y), x == 3 || y == 3 ? kOpaqueWhitePixel : red);
      EXPECT_EQ(bitmap.at(x + 4, y), 0u);
    }
  ZoomPixel(red, 3, false, bitmap.bits().pixelAt(4, 0), bitmap.bits().bytesPerRow);
  for (int y = 0; y < 3; ++y)
    for (int x = 4; x < 7; ++x) EXPECT_EQ(bitmap.at(x, y), red);
  EXPECT_EQ(bitmap.at(7, 0), 0u);
  EXPECT_EQ(bitmap.at(4, 3), 0u);
}

TEST(PixelFunctionsTest, PixelForDisplayMode) {
  const uint32_t halfRed = Rgba(0x40200080);
  EXPECT_EQ(PixelForDisplayMode(halfRed, kPixmapDisplayNormal), halfRed);
  EXPECT_EQ(PixelForDisplayMode(halfRed, 7), halfRed);
  EXPECT_EQ(PixelForDisplayMode(halfRed, kPixmapDisplayAlpha), Rgba(0x7F7F7FFF));
  EXPECT_EQ(PixelForDisplayMode(0, kPixmapDisplayAlpha), kOpaqueWhitePixel);
  EXPECT_EQ(PixelForDisplayMode(halfRed, kPixmapDisplayOpaque), Rgba(0x7F3F00FF));
  EXPECT_EQ(PixelForDisplayMode(0, kPixmapDisplayOpaque), kOpaqueWhitePixel);
  EXPECT_EQ(PixelForDisplayMode(Rgba(0x102030FF), kPixmapDisplayOpaque), Rgba(0x102030FF));
}

TEST(PixelFunctionsTest, AntPixelColorPulsesOverTwentyFourPhases) {
  EXPECT_EQ(AntPixelColor(0), Rgba(0x000000FF));
  EXPECT_EQ(AntPixelColor(6), Rgba(0x808080FF));
  EXPECT_EQ(AntPixelColor(12), Rgba(0xFFFFFFFF));
  EXPECT_EQ(AntPixelColor(18), Rgba(0x808080FF));
  EXPECT_EQ(AntPixelColor(11), Rgba(0xEAEAEAFF));
  EXPECT_EQ(AntPixelColor(13), Rgba(0xEAEAEAFF));
  EXPECT_EQ(AntPixelColor(24), Rgba(0x000000FF));
  EXPECT_EQ(AntPixelColor(30), Rgba(0x808080FF));
  EXPECT_EQ(AntPixelColor(-6), Rgba(0x808080FF));
}

// An iterator over columns 1-3 and rows 1-2 of a 5 x 4 bitmap.
MaskIterator IteratorOver(const TestBitmap& bitmap) {
  MaskIterator it;
  it.bytesPerRow = bitmap.bits().bytesPerRow;
  it.rowStart = bitmap.bits().data + it.bytesPerRow;
  it.firstColumn = 1;
  it.x = 1;
  it.y = 1;
  it.pixel = reinterpret_cast<uint32_t*>(it.rowStart) + 1;
  it.endColumn = 4;
  it.endRow = 3;
  return it;
}

std::vector<std::pair<int64_t, int64_t>> Walk(const TestBitmap& bitmap, MaskIterator it) {
  std::vector<std::pair<int64_t, int64_t>> visited;
  while (uint32_t* pixel = NextMaskedPixel(&it)) {
    const auto offset = reinterpret_cast<uint8_t*>(pixel) - bitmap.bits().data;
    const int64_t y = offset / bitmap.bits().bytesPerRow, x = offset % bitmap.bits().bytesPerRow / 4;
    EXPECT_EQ(it.x - 1, x);  // x has moved past the pixel returned
    EXPECT_EQ(it.y, y);
    visited.push_back({x, y});
    if (visited.size() > 100) break;
  }
  EXPECT_EQ(NextMaskedPixel(&it), nullptr);  // and stays at the end
  return visited;
}

TEST(PixelFunctionsTest, NextMaskedPixelWithoutAMaskWalksTheRectangle) {
  TestBitmap bitmap(5, 4);
  const std::vector<std::pair<int64_t, int64_t>> expected = {{1, 1}, {2, 1}, {3, 1}, {1, 2}, {2, 2}, {3, 2}};
  EXPECT_EQ(Walk(bitmap, IteratorOver(bitmap)), expected);
}

TEST(PixelFunctionsTest, NextMaskedPixelStepsOverUnselectedWordsAcrossRows) {
  TestBitmap bitmap(5, 4);
  // A 4 x 2 mask entered at its column 1: mask column c and row r stand for
  // painting column c and row r + 1. Any non-zero word selects.
  TestBitmap mask(4, 2);
  mask.at(3, 0) = 1;                 // painting (3, 1)
  mask.at(3, 1) = Rgba(0x00000001);  // painting (3, 2)
  mask.at(1, 1) = 0x80000000;        // painting (1, 2)
  MaskIterator it = IteratorOver(bitmap);
  it.maskRow = mask.bits().data;
  it.maskBytesPerRow = mask.bits().bytesPerRow;
  it.firstMaskColumn = 1;
  it.mask = reinterpret_cast<uint32_t*>(it.maskRow) + 1;
  const std::vector<std::pair<int64_t, int64_t>> expected = {{3, 1}, {1, 2}, {3, 2}};
  EXPECT_EQ(Walk(bitmap, it), expected);

  TestBitmap empty(4, 2);
  it.maskRow = empty.bits().data;
  it.mask = reinterpret_cast<uint32_t*>(it.maskRow) + 1;
  EXPECT_TRUE(Walk(bitmap, it).empty());
}

TEST(PixelFunctionsTest, NextMaskedPixelOfAnEmptyRectangleEndsAtOnce) {
  TestBitmap bitmap(5, 4);
  MaskIterator it = IteratorOver(bitmap);
  it.endColumn = 1;
  EXPECT_TRUE(Walk(bitmap, it).empty());
  it = IteratorOver(bitmap);
  it.endRow = 1;
  EXPECT_TRUE(Walk(bitmap, it).empty());
}

}  // namespace
