#pragma once
// Small helpers of the pixel tests: pixels written red first, bitmaps the
// test owns, brushes over them, and the set of pixels a stamp painted.

#include <QImage>
#include <bit>
#include <cstdint>
#include <set>
#include <utility>

#include "pixmap/PixelFunctions.h"
#include "support/Bitmaps.h"

// A pixel written as 0xRRGGBBAA, turned into the bitmap's 0xAARRGGBB word.
constexpr uint32_t Rgba(uint32_t rrggbbaa) {
  return std::rotr(rrggbbaa, 8);
}

// A bitmap the test owns, every pixel set to `fill`.
class TestBitmap {
 public:
  TestBitmap(int width, int height, uint32_t fill = 0) : m_image(CreateQuartzBitmap(width, height)) {
    m_bits = PixelBitmapOf(m_image);
    for (int y = 0; y < height; ++y)
      for (int x = 0; x < width; ++x) at(x, y) = fill;
  }
  TestBitmap(const TestBitmap&) = delete;
  TestBitmap& operator=(const TestBitmap&) = delete;

  const PixelBitmap& bits() const { return m_bits; }
  uint32_t& at(int64_t x, int64_t y) { return *m_bits.pixelAt(x, y); }
  uint32_t at(int64_t x, int64_t y) const { return *m_bits.pixelAt(x, y); }
  int width() const { return m_bits.width; }
  int height() const { return m_bits.height; }

 private:
  QImage m_image;
  PixelBitmap m_bits;
};

// A colour-mode brush painting `paint` over the bitmap.
inline BrushContext BrushOn(const TestBitmap& bitmap, BrushShape shape, uint64_t exponent,
                            uint32_t paint = Rgba(0x000000FF)) {
  BrushContext brush;
  brush.data = bitmap.bits().data;
  brush.bytesPerRow = bitmap.bits().bytesPerRow;
  brush.lastColumn = bitmap.width() - 1;
  brush.lastRow = bitmap.height() - 1;
  brush.sizeExponent = exponent;
  brush.shape = shape;
  brush.paintValue = paint;
  brush.paintAlpha = PixelAlpha(paint);
  return brush;
}

using PixelSet = std::set<std::pair<int64_t, int64_t>>;  // (x, y)

// The pixels that differ from `background`.
inline PixelSet PaintedPixels(const TestBitmap& bitmap, uint32_t background = 0) {
  PixelSet set;
  for (int y = 0; y < bitmap.height(); ++y)
    for (int x = 0; x < bitmap.width(); ++x)
      if (bitmap.at(x, y) != background) set.insert({x, y});
  return set;
}
