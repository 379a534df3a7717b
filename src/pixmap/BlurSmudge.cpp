#include "pixmap/BlurSmudge.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "pixmap/CSPixmap.h"
#include "support/Bitmaps.h"
#include "support/SaturatingCast.h"

// ---- Box radii ------------------------------------------------------------------

BoxSizes BlurRadius(double strength) {
  BoxSizes sizes;
  if (std::isnan(strength)) return sizes;
  strength = std::min(std::fabs(strength), kMaxBlurStrength);
  // Three boxes whose variances add up to about sigma^2: the lower of two
  // neighbouring widths for the first m boxes, the upper for the rest.
  const double sigma = 10 * strength;
  const double s = 12 * sigma * sigma;
  const int64_t v = std::max<int64_t>(2, int64_t(std::sqrt(s / 3 + 1)));
  const int64_t w = v & ~int64_t(1);
  const int64_t lower = w / 2 - 1, upper = w / 2;
  const double wide = double(w);
  const double m = std::trunc((s - 3 * wide * wide - 12 * wide - 9) / (-4 * wide - 4));
  const int64_t lowerBoxes = m <= 0 ? 0 : int64_t(std::min(m, 3.0));
  for (int64_t i = 0; i < 3; ++i) sizes.boxSizes[i] = i < lowerBoxes ? lower : upper;
  sizes.maxBoxSize = lowerBoxes < 3 ? upper : lower;
  return sizes;
}

// ---- Box blur -------------------------------------------------------------------

namespace {

// No box is wider than this; BlurRadius never asks for one, and the exact
// division below holds up to it.
constexpr int64_t kMaxBoxRadius = 32767;

// Four 32-bit lanes worked on at once: four pixels, or one channel's sums
// of four rows or four columns.
using Lanes = uint32_t __attribute__((vector_size(16)));
using SignedLanes = int32_t __attribute__((vector_size(16)));
using FloatLanes = float __attribute__((vector_size(16)));

// Division of box sums (each at most 255 x d) by the box width d, exact.
// In single precision (n + 1/2) / d lies at least 1 / 2d from a whole
// number, far more than the rounding error while d is at most
// kMaxFloatBoxWidth.
constexpr uint32_t kMaxFloatBoxWidth = 8191;
class FloatBoxDivisor {
 public:
  explicit FloatBoxDivisor(uint32_t d) : m_inverse(1.0f / float(d)) {}
  Lanes operator()(Lanes n) const {
    const FloatLanes quotient = (__builtin_convertvector(SignedLanes(n), FloatLanes) + 0.5f) * m_inverse;
    return Lanes(__builtin_convertvector(quotient, SignedLanes));
  }

 private:
  float m_inverse;
};

// Wider boxes, lane by lane, by a multiplication: with 2^shift > 255 x d^2
// and multiplier = 2^shift / d + 1 the error of n x multiplier / 2^shift
// stays below 1 / d.
class WideBoxDivisor {
 public:
  explicit WideBoxDivisor(uint32_t d) {
    const uint64_t bound = 255 * uint64_t(d) * d;
    while ((uint64_t(1) << m_shift) <= bound) ++m_shift;
    m_multiplier = (uint64_t(1) << m_shift) / d + 1;
  }
  Lanes operator()(Lanes n) const {
    for (int i = 0; i < 4; ++i) n[i] = uint32_t((uint64_t(n[i]) * m_multiplier) >> m_shift);
    return n;
  }

 private:
  uint64_t m_multiplier = 0;
  int m_shift = 0;
};

// The pixel made opaque: colours un-premultiplied, a transparent pixel white.
inline uint32_t OpaquePixel(uint32_t pixel) {
  if (PixelAlpha(pixel) != 255) ChangePixelAlpha(&pixel, 255);
  return pixel;
}

// One channel of four pixels.
inline Lanes Channel(Lanes pixels, int shift) {
  return (pixels >> shift) & 0xFF;
}

// Opaque pixels of the channels' averages.
template <typename Divide>
Lanes AveragePixels(Lanes red, Lanes green, Lanes blue, const Divide& divide) {
  return kPixelAlphaMask | divide(red) << kPixelRedShift | divide(green) << kPixelGreenShift |
         divide(blue) << kPixelBlueShift;
}

// Along four rows at once, one lane each: out[i] = the sum of
// in[clamp(i + k)] for k from -r to r, divided by 2r + 1, along rows of n
// pixels; indices are clamped into the row, so the end pixels repeat. Input
// pixels are read made opaque. Sums of at most 255 x 65535 fit the lanes.
template <typename Divide>
void BoxRows(const uint32_t* const in[4], uint32_t* const out[4], int64_t n, int64_t r, const Divide& divide) {
  auto pixels = [in](int64_t i) {
    return Lanes{OpaquePixel(in[0][i]), OpaquePixel(in[1][i]), OpaquePixel(in[2][i]), OpaquePixel(in[3][i])};
  };
  Lanes red = {0, 0, 0, 0}, green = red, blue = red;
  auto add = [&](Lanes p, uint32_t times) {
    red += Channel(p, kPixelRedShift) * times;
    green += Channel(p, kPixelGreenShift) * times;
    blue += Channel(p, kPixelBlueShift) * times;
  };
  auto write = [&](int64_t i) {
    const Lanes averages = AveragePixels(red, green, blue, divide);
    for (int k = 0; k < 4; ++k) out[k][i] = averages[k];
  };
  add(pixels(0), uint32_t(r + 1));
  for (int64_t k = 1, last = std::min(r, n - 1); k <= last; ++k) add(pixels(k), 1);
  if (r > n - 1) add(pixels(n - 1), uint32_t(r - (n - 1)));
  write(0);
  for (int64_t i = 1; i < n; ++i) {
    const Lanes entering = pixels(std::min(i + r, n - 1)), leaving = pixels(std::max<int64_t>(i - r - 1, 0));
    red += Channel(entering, kPixelRedShift) - Channel(leaving, kPixelRedShift);
    green += Channel(entering, kPixelGreenShift) - Channel(leaving, kPixelGreenShift);
    blue += Channel(entering, kPixelBlueShift) - Channel(leaving, kPixelBlueShift);
    write(i);
  }
}

// Up to four pixels from memory into lanes, and back.
inline Lanes LoadPixels(const uint32_t* pixels, int64_t count) {
  Lanes lanes = {0, 0, 0, 0};
  if (count == 4)
    std::memcpy(&lanes, pixels, sizeof lanes);
  else
    for (int64_t i = 0; i < count; ++i) lanes[i] = pixels[i];
  return lanes;
}
inline void StorePixels(uint32_t* pixels, Lanes lanes, int64_t count) {
  if (count == 4)
    std::memcpy(pixels, &lanes, sizeof lanes);
  else
    for (int64_t i = 0; i < count; ++i) pixels[i] = lanes[i];
}

// The same down the columns, four columns to a vector of sums for each
// channel, a strip of columns at a time so that rows are read in long runs
// and the strip's sums stay in the cache. The input is opaque (BoxRows
// wrote it).
template <typename Divide>
void BoxColumns(const PixelBitmap& in, const PixelBitmap& out, int64_t width, int64_t height, int64_t r,
                const Divide& divide) {
  constexpr int64_t kStrip = 1024;
  Lanes red[kStrip / 4], green[kStrip / 4], blue[kStrip / 4];
  for (int64_t left = 0; left < width; left += kStrip) {
    const int64_t columns = std::min(kStrip, width - left);
    auto row = [&](int64_t y) { return in.row(y) + left; };
    // Calls visit(vector index, first column, columns in it) for each
    // vector: whole ones, then the rest.
    auto eachVector = [columns](auto visit) {
      int64_t c = 0, v = 0;
      for (; c + 4 <= columns; c += 4, ++v) visit(v, c, int64_t(4));
      if (c < columns) visit(v, c, columns - c);
    };
    auto add = [&](const uint32_t* pixels, uint32_t times) {
      eachVector([&](int64_t v, int64_t c, int64_t count) {
        const Lanes p = LoadPixels(pixels + c, count);
        red[v] += Channel(p, kPixelRedShift) * times;
        green[v] += Channel(p, kPixelGreenShift) * times;
        blue[v] += Channel(p, kPixelBlueShift) * times;
      });
    };
    auto write = [&](int64_t y) {
      uint32_t* target = out.row(y) + left;
      eachVector([&](int64_t v, int64_t c, int64_t count) {
        StorePixels(target + c, AveragePixels(red[v], green[v], blue[v], divide), count);
      });
    };
    eachVector([&](int64_t v, int64_t, int64_t) { red[v] = green[v] = blue[v] = Lanes{0, 0, 0, 0}; });
    add(row(0), uint32_t(r + 1));
    for (int64_t k = 1, last = std::min(r, height - 1); k <= last; ++k) add(row(k), 1);
    if (r > height - 1) add(row(height - 1), uint32_t(r - (height - 1)));
    write(0);
    for (int64_t y = 1; y < height; ++y) {
      const uint32_t* entering = row(std::min(y + r, height - 1));
      const uint32_t* leaving = row(std::max<int64_t>(y - r - 1, 0));
      eachVector([&](int64_t v, int64_t c, int64_t count) {
        const Lanes in = LoadPixels(entering + c, count), out = LoadPixels(leaving + c, count);
        red[v] += Channel(in, kPixelRedShift) - Channel(out, kPixelRedShift);
        green[v] += Channel(in, kPixelGreenShift) - Channel(out, kPixelGreenShift);
        blue[v] += Channel(in, kPixelBlueShift) - Channel(out, kPixelBlueShift);
      });
      write(y);
    }
  }
}

// One box: a horizontal pass from the source into the scratch and a
// vertical one back.
template <typename Divide>
void OneBox(const PixelBitmap& source, const PixelBitmap& scratch, int64_t r, const Divide& divide) {
  // Rows four at a time; the last group repeats its last row.
  for (int64_t y = 0; y < source.height; y += 4) {
    const uint32_t* in[4];
    uint32_t* out[4];
    for (int64_t k = 0; k < 4; ++k) {
      const int64_t row = std::min<int64_t>(y + k, source.height - 1);
      in[k] = source.row(row);
      out[k] = scratch.row(row);
    }
    BoxRows(in, out, source.width, r, divide);
  }
  BoxColumns(scratch, source, source.width, source.height, r, divide);
}

}  // namespace

void BoxBlur(const PixelBitmap& source, const PixelBitmap& scratch, const BoxSizes& sizes) {
  const int64_t width = source.width, height = source.height;
  if (source.isNull() || scratch.isNull() || width <= 0 || height <= 0 || scratch.width < width ||
      scratch.height < height)
    return;
  for (const int64_t size : sizes.boxSizes) {
    const int64_t r = std::clamp<int64_t>(size, 0, kMaxBoxRadius);
    const uint32_t d = uint32_t(2 * r + 1);
    if (d <= kMaxFloatBoxWidth)
      OneBox(source, scratch, r, FloatBoxDivisor(d));
    else
      OneBox(source, scratch, r, WideBoxDivisor(d));
  }
}

bool Blur(const PixelBitmap& bitmap, double strength) {
  const BoxSizes sizes = BlurRadius(strength);
  if (sizes.maxBoxSize == 0 || bitmap.isNull()) return false;
  QImage scratchImage = CreateQuartzBitmap(bitmap.width, bitmap.height);
  const PixelBitmap scratch = PixelBitmapOf(scratchImage);
  if (scratch.isNull()) return false;
  BoxBlur(bitmap, scratch, sizes);
  return true;
}

// ---- Brush stamps ---------------------------------------------------------------

namespace {

uint32_t* PixelAddress(const BrushContext* brush, int64_t x, int64_t y) {
  return reinterpret_cast<uint32_t*>(brush->data + y * brush->bytesPerRow) + x;
}

// The painting pixel nearest to (x, y): edge pixels repeat beyond the edges.
uint32_t ClampedPixel(const BrushContext* brush, int64_t x, int64_t y) {
  return *PixelAddress(brush, std::clamp<int64_t>(x, 0, brush->lastColumn), std::clamp<int64_t>(y, 0, brush->lastRow));
}

// Writes a pixel of the painting, keeping the brush's flags.
void WritePixel(BrushContext* brush, uint32_t* pixel, uint32_t value) {
  if (PixelAlpha(*pixel) != 255) brush->alphaChanged = true;
  if (*pixel == value) return;
  *pixel = value;
  brush->changed = true;
}

// Calls visit(x, y) for each pixel of the round stamp of exponent n around
// (x, y), in painting coordinates and unclipped: the pixel itself for
// n = 0, the 2 x 2 block with (x, y) at its lower right for n = 1, the rows
// of the round table above.
template <typename Visit>
void ForEachRoundPixel(uint64_t n, int64_t x, int64_t y, Visit visit) {
  if (n < 2) {
    const int64_t size = int64_t(1) << n, half = size / 2;
    for (int64_t j = 0; j < size; ++j)
      for (int64_t c = 0; c < size; ++c) visit(x - half + c, y - half + j);
    return;
  }
  const uint8_t* halfWidths = g_roundBrushes[n];
  const int64_t rows = int64_t(1) << n;
  for (int64_t i = 0; i < rows; ++i)
    for (int64_t column = x - halfWidths[i]; column < x + halfWidths[i]; ++column) visit(column, y - rows / 2 + i);
}

// Whether a brush's smudge buffer holds the 2^n x 2^n cells its stamps use.
bool SmudgeBufferFits(const BrushContext* brush) {
  const PixelBitmap& buffer = brush->smudgeBuffer;
  if (buffer.isNull() || brush->smudgeSize > kMaxSmudgeExponent) return false;
  const int64_t size = int64_t(1) << brush->smudgeSize;
  return buffer.width >= size && buffer.height >= size;
}

void PickUpSmudge(BrushContext* brush) {
  if (!SmudgeBufferFits(brush)) return;
  const PixelBitmap& buffer = brush->smudgeBuffer;
  const int64_t x = brush->x, y = brush->y;
  const int64_t half = (int64_t(1) << brush->smudgeSize) / 2;
  ForEachRoundPixel(brush->smudgeSize, x, y, [&](int64_t px, int64_t py) {
    *buffer.pixelAt(px - x + half, py - y + half) = OpaquePixel(ClampedPixel(brush, px, py));
  });
}

}  // namespace

void BlurWithBrush(BrushContext* brush) {
  const BoxSizes sizes = BlurRadius(brush->strength);
  const PixelBitmap& buffer = brush->smudgeBuffer;
  const PixelBitmap& scratchBuffer = brush->blurBuffer;
  if (sizes.maxBoxSize == 0 || buffer.isNull() || scratchBuffer.isNull() || brush->smudgeSize > kMaxSmudgeExponent)
    return;
  const int64_t x = brush->x, y = brush->y;
  // The part of the painting within h of the point, at most the buffers.
  const int64_t h = std::min({buffer.width, buffer.height, scratchBuffer.width, scratchBuffer.height}) / 2;
  const int64_t left = std::max<int64_t>(x - h, 0), top = std::max<int64_t>(y - h, 0);
  const int64_t right = std::min(x + h, brush->lastColumn + 1), bottom = std::min(y + h, brush->lastRow + 1);
  if (right <= left || bottom <= top) return;
  PixelBitmap region = buffer, scratch = scratchBuffer;
  region.width = scratch.width = int(right - left);
  region.height = scratch.height = int(bottom - top);
  for (int64_t row = top; row < bottom; ++row)
    std::memcpy(region.row(row - top), PixelAddress(brush, left, row), size_t(region.width) * sizeof(uint32_t));
  BoxBlur(region, scratch, sizes);
  ForEachRoundPixel(brush->smudgeSize, x, y, [&](int64_t px, int64_t py) {
    // The region lies inside the painting.
    if (px < left || px >= right || py < top || py >= bottom) return;
    WritePixel(brush, PixelAddress(brush, px, py), *region.pixelAt(px - left, py - top));
  });
}

void Smudge(BrushContext* brush) {
  if (!SmudgeBufferFits(brush)) return;
  const PixelBitmap& buffer = brush->smudgeBuffer;
  const double strength = brush->strength;
  // At full strength the buffer is laid down as it is; below it, over the
  // painting at opacity strength x 255 (a stamp too faint for one step of
  // opacity does nothing).
  const bool full = strength == 1.0;
  uint32_t opacity = 255;
  if (!full) {
    opacity = strength >= 1 ? 255 : strength > 0 ? uint32_t(strength * 255) : 0;
    if (opacity == 0) return;
  }
  const int64_t x = brush->x, y = brush->y;
  const int64_t size = int64_t(1) << brush->smudgeSize, half = size / 2;
  for (int64_t j = std::max<int64_t>(0, half - y); j < size && y - half + j <= brush->lastRow; ++j) {
    const uint32_t* cells = buffer.row(j);
    for (int64_t c = std::max<int64_t>(0, half - x); c < size && x - half + c <= brush->lastColumn; ++c) {
      const uint32_t carried = cells[c];
      if (PixelAlpha(carried) == 0) continue;
      uint32_t* pixel = PixelAddress(brush, x - half + c, y - half + j);
      if (full) {
        WritePixel(brush, pixel, carried);
        continue;
      }
      uint32_t over = carried, under = *pixel;
      ChangePixelAlpha(&over, opacity);
      ChangePixelAlpha(&under, 255);
      uint32_t mixed = BlendPixels(under, over);
      ChangePixelAlpha(&mixed, 255);
      WritePixel(brush, pixel, mixed);
    }
  }
  // The colour carried along mixes with what the stroke passes.
  if (!full) PickUpSmudge(brush);
}

// ---- Stroke set-up --------------------------------------------------------------

namespace {

uint64_t SmudgeExponent(int64_t brushSize) {
  return uint64_t(std::clamp<int64_t>(brushSize, 0, int64_t(kMaxSmudgeExponent)));
}

}  // namespace

bool CSPixmap::blur(double strength) {
  if (!Blur(bitmap(), strength)) return false;
  m_alphaSet = false;
  return true;
}

void CSPixmap::setBlur(QPointF point, int64_t brushSize, double strength) {
  releaseStrokeBuffers();
  if (!(point.x() >= 0 && point.y() >= 0)) return;
  const uint64_t exponent = SmudgeExponent(brushSize);
  const int64_t size = int64_t(1) << exponent;
  // A strength too faint for any radius still gets its buffers: its stamps
  // then leave the pixels alone, where without buffers the stroke would
  // paint the brush's colour.
  int64_t side = size + 4 * BlurRadius(strength).maxBoxSize + (size % 2);
  // A stamp never reaches further than this; beyond, the region around
  // every stamp is the whole painting anyway.
  side = std::min(side, 2 * (int64_t(std::max(m_width, m_height)) + size));
  if (!m_smudgeBitmap.make(int(side), int(side))) return;
  if (!m_blurBitmap.make(int(side), int(side))) {
    m_smudgeBitmap.release();
    return;
  }
  m_smudgeStrength = strength;
  m_smudgeSize = exponent;
}

void CSPixmap::setSmudge(QPointF point, int64_t brushSize, double strength) {
  releaseStrokeBuffers();
  if (!(point.x() >= 0 && point.y() >= 0)) return;
  const uint64_t exponent = SmudgeExponent(brushSize);
  const int size = 1 << exponent;
  if (!m_smudgeBitmap.make(size, size)) return;
  m_smudgeStrength = strength;
  m_smudgeSize = exponent;
  const PixelBitmap own = bitmap();
  BrushContext brush;
  brush.data = own.data;
  brush.bytesPerRow = own.bytesPerRow;
  brush.lastColumn = own.width - 1;
  brush.lastRow = own.height - 1;
  brush.x = SaturatingCast<int64_t>(point.x());
  brush.y = SaturatingCast<int64_t>(point.y());
  brush.smudgeBuffer = m_smudgeBitmap.pixels();
  brush.smudgeSize = exponent;
  brush.strength = strength;
  PickUpSmudge(&brush);
}
