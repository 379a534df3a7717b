#include "pixmap/PixelFunctions.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "pixmap/BlurSmudge.h"
#include "pixmap/PixelVectors.h"
#include "support/CSCore.h"
#include "support/SaturatingCast.h"

// ---- Stamp tables -------------------------------------------------------------

namespace {

const uint8_t kRound2[] = {1, 2, 2, 1, 0};
const uint8_t kRound3[] = {1, 3, 3, 4, 4, 3, 3, 1, 0};
const uint8_t kRound4[] = {2, 4, 5, 6, 7, 7, 8, 8, 8, 8, 7, 7, 6, 5, 4, 2, 0};
const uint8_t kRound5[] = {4,  7,  9,  10, 11, 12, 13, 14, 14, 15, 15, 15, 16, 16, 16, 16, 16,
                           16, 16, 16, 15, 15, 15, 14, 14, 13, 12, 11, 10, 9,  7,  4,  0};
const uint8_t kRound6[] = {7,  10, 13, 15, 17, 18, 20, 21, 22, 23, 24, 25, 26, 26, 27, 28, 28, 29, 29, 30, 30, 30,
                           31, 31, 31, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 32, 31, 31, 31, 30, 30,
                           30, 29, 29, 28, 28, 27, 26, 26, 25, 24, 23, 22, 21, 20, 18, 17, 15, 13, 10, 7,  0};

const uint8_t kOval2[] = {1, 2, 1, 0};
const uint8_t kOval3[] = {2, 3, 4, 4, 3, 2, 0};
const uint8_t kOval4[] = {2, 4, 6, 7, 8, 8, 7, 6, 4, 2, 0};
const uint8_t kOval5[] = {6, 10, 12, 13, 14, 15, 15, 16, 16, 16, 16, 15, 15, 14, 13, 12, 10, 6, 0};
const uint8_t kOval6[] = {6,  11, 15, 18, 21, 23, 25, 26, 27, 28, 29, 30, 30, 31, 31, 31, 32, 32, 32, 32,
                          32, 32, 31, 31, 31, 30, 30, 29, 28, 27, 26, 25, 23, 21, 18, 15, 11, 6,  0};

}  // namespace

const uint8_t* const g_roundBrushes[8] = {nullptr, nullptr, kRound2, kRound3, kRound4, kRound5, kRound6, nullptr};
const uint8_t* const g_ovalBrushes[8] = {nullptr, nullptr, kOval2, kOval3, kOval4, kOval5, kOval6, nullptr};

// ---- Raw bitmaps ----------------------------------------------------------------

PixelBitmap PixelBitmapOf(QImage& image) {
  if (image.isNull() || image.format() != QImage::Format_ARGB32_Premultiplied) return {};
  PixelBitmap bitmap;
  bitmap.data = image.bits();
  bitmap.bytesPerRow = image.bytesPerLine();
  bitmap.width = image.width();
  bitmap.height = image.height();
  return bitmap;
}

// ---- Kolors and pixels ----------------------------------------------------------

uint32_t PixelFromKolor(Kolor kolor) {
  if (!IsVisibleKolor(kolor)) return kTransparentPixel;
  const uint32_t opacity = uint32_t(KolorOpacity(kolor));
  const uint32_t alpha = opacity * 255 / 100;
  uint32_t red = uint32_t(KolorRed(kolor)), green = uint32_t(KolorGreen(kolor)), blue = uint32_t(KolorBlue(kolor));
  if (opacity != 100) {
    red = red * alpha / 255;
    green = green * alpha / 255;
    blue = blue * alpha / 255;
  }
  return MakePixel(red, green, blue, alpha);
}

Kolor KolorFromPixel(uint32_t pixel) {
  const uint32_t alpha = PixelAlpha(pixel);
  if (alpha == 0) return g_nilKolor;
  if (alpha == 255) return MakeKolor(int(PixelRed(pixel)), int(PixelGreen(pixel)), int(PixelBlue(pixel)), 100);
  // alpha x 100 / 255, truncated, without a division.
  const uint32_t opacity = (alpha * 3289700u) >> 23;
  // The faintest pixels have no opacity left, and a Kolor without opacity
  // is no colour.
  if (opacity == 0) return g_nilKolor;
  auto unmultiply = [alpha](uint32_t c) { return int((c * 255 / alpha) & 0xFF); };
  return MakeKolor(unmultiply(PixelRed(pixel)), unmultiply(PixelGreen(pixel)), unmultiply(PixelBlue(pixel)),
                   int(opacity));
}

uint32_t AlphaFromKolor(Kolor kolor) {
  const int red = KolorRed(kolor);
  if (red == KolorGreen(kolor) && red == KolorBlue(kolor)) return uint32_t(255 - red);
  return uint32_t(255 - KolorRed(GrayscaleKolorCIE(kolor)));
}

uint32_t AlphaFromPixel(uint32_t pixel) {
  return AlphaFromKolor(KolorFromPixel(pixel));
}

uint32_t BlendPixels(uint32_t destination, uint32_t source) {
  const double keep = 1.0 - PixelAlpha(source) / 255.0;
  auto channel = [keep](uint32_t d, uint32_t s) {
    const double out = (d / 255.0 * keep + s / 255.0) * 255.0;
    return out >= 255.0 ? 255u : uint32_t(out);
  };
  return MakePixel(
      channel(PixelRed(destination), PixelRed(source)), channel(PixelGreen(destination), PixelGreen(source)),
      channel(PixelBlue(destination), PixelBlue(source)), channel(PixelAlpha(destination), PixelAlpha(source)));
}

void SwapPixels(uint8_t* data, int64_t bytesPerRow, int64_t x1, int64_t y1, int64_t x2, int64_t y2) {
  auto* a = reinterpret_cast<uint32_t*>(data + y1 * bytesPerRow) + x1;
  auto* b = reinterpret_cast<uint32_t*>(data + y2 * bytesPerRow) + x2;
  std::swap(*a, *b);
}

void ZoomPixel(uint32_t pixel, int64_t zoom, bool grid, uint32_t* destination, int64_t bytesPerRow) {
  if (zoom <= 0) return;
  const bool lines = grid && PixelAlpha(pixel) != 0;
  auto* row = reinterpret_cast<uint8_t*>(destination);
  for (int64_t r = 0; r < zoom; ++r, row += bytesPerRow) {
    auto* words = reinterpret_cast<uint32_t*>(row);
    if (lines && r == zoom - 1) {
      std::fill(words, words + zoom, kOpaqueWhitePixel);
      continue;
    }
    std::fill(words, words + zoom, pixel);
    if (lines) words[zoom - 1] = kOpaqueWhitePixel;
  }
}

uint32_t PixelForDisplayMode(uint32_t pixel, PixmapDisplay display) {
  switch (display) {
    case kPixmapDisplayAlpha:
      return PixelFromAlpha(PixelAlpha(pixel));
    case kPixmapDisplayOpaque:
      if (PixelAlpha(pixel) == 0) return kOpaqueWhitePixel;
      ChangePixelAlpha(&pixel, 255);
      return pixel;
    default:
      return pixel;
  }
}

uint32_t AntPixelColor(int64_t phase) {
  int64_t k = phase % 24;
  if (k < 0) k += 24;
  if (k == 0) return kOpaqueBlackPixel;
  if (k == 12) return kOpaqueWhitePixel;
  const uint32_t m = uint32_t(k < 13 ? k : 24 - k);
  const uint32_t level = m * 256 / 12;
  return MakePixel(level, level, level, 255);
}

// ---- Brushes ----------------------------------------------------------------------

namespace {

// Stamps are at most this many pixels across, whatever size is asked for:
// larger ones would cover any bitmap from anywhere they can be placed.
constexpr int64_t kMaxStampSize = int64_t(1) << 16;
// Stroke ends are held within this distance of the origin, so the walk's
// products fit in 64 bits.
constexpr int64_t kMaxStrokeCoordinate = int64_t(1) << 30;

uint32_t* PixelAddress(const BrushContext* brush, int64_t x, int64_t y) {
  return reinterpret_cast<uint32_t*>(brush->data + y * brush->bytesPerRow) + x;
}

bool Inside(const BrushContext* brush, int64_t x, int64_t y) {
  return x >= 0 && y >= 0 && x <= brush->lastColumn && y <= brush->lastRow;
}

// The stamp's size s in pixels: the explicit size, else 2^n.
int64_t StampSize(const BrushContext* brush) {
  if (brush->explicitSize > 0) return std::min(brush->explicitSize, kMaxStampSize);
  return int64_t(1) << std::min<uint64_t>(brush->sizeExponent, 16);
}

// How far a stamp reaches from its centre: no stamp paints further than
// half its size away, the table stamps and the blur and smudge stamps
// half of 2^n.
int64_t StampReach(const BrushContext* brush) {
  int64_t reach = StampSize(brush) / 2;
  if (brush->shape == kBrushRound || brush->shape == kBrushOval)
    reach = std::max(reach, (int64_t(1) << std::min<uint64_t>(brush->sizeExponent, 16)) / 2);
  if (!brush->smudgeBuffer.isNull())
    reach = std::max(reach, (int64_t(1) << std::min<uint64_t>(brush->smudgeSize, 16)) / 2);
  return reach;
}

// Writes one pixel by the brush's mode. Mask mode records an alpha change
// as colour mode does, so that whoever keeps a has-alpha answer learns that
// it may be stale.
void ChangePixel(BrushContext* brush, uint32_t* pixel) {
  const uint32_t old = *pixel;
  switch (brush->pixmapMode) {
    case kPixmapModeMask: {
      const uint32_t alpha = std::min<uint32_t>(brush->paintValue, 255);
      if (!ChangePixelAlpha(pixel, alpha)) return;
      brush->changed = true;
      if (PixelAlpha(old) == 255 || alpha == 255) brush->alphaChanged = true;
      return;
    }
    case kPixmapModeKeepAlpha: {
      if (old == brush->paintValue) return;
      uint32_t next = brush->paintValue;
      ChangePixelAlpha(&next, PixelAlpha(old));
      if (next == old) return;
      *pixel = next;
      brush->changed = true;
      return;
    }
    default: {
      if (old == brush->paintValue) return;
      if (!brush->alphaChanged) {
        const uint32_t oldAlpha = PixelAlpha(old);
        if (oldAlpha != brush->paintAlpha && (oldAlpha == 255 || brush->paintAlpha == 255)) brush->alphaChanged = true;
      }
      *pixel = brush->paintValue;
      brush->changed = true;
      return;
    }
  }
}

// Columns `from` to `to` (inclusive) of one row, clipped to the bitmap.
void PaintSpan(BrushContext* brush, int64_t row, int64_t from, int64_t to) {
  if (row < 0 || row > brush->lastRow) return;
  from = std::max<int64_t>(from, 0);
  to = std::min(to, brush->lastColumn);
  if (from > to) return;
  uint32_t* pixel = PixelAddress(brush, from, row);
  uint32_t* const end = pixel + (to - from + 1);
  if (brush->pixmapMode != kPixmapModeMask && brush->pixmapMode != kPixmapModeKeepAlpha) {
    // The common case. Along a stroke most pixels already hold the paint,
    // so pairs of them are passed over two at a time.
    const uint32_t paint = brush->paintValue;
    const uint32_t paintAlpha = brush->paintAlpha;
    const uint64_t paintPair = uint64_t(paint) * 0x100000001u;
    for (;;) {
      for (uint64_t pair; end - pixel >= 2; pixel += 2) {
        std::memcpy(&pair, pixel, sizeof pair);
        if (pair != paintPair) break;
      }
      if (pixel == end) return;
      const uint32_t old = *pixel;
      if (old != paint) {
        if (!brush->alphaChanged) {
          const uint32_t oldAlpha = PixelAlpha(old);
          if (oldAlpha != paintAlpha && (oldAlpha == 255 || paintAlpha == 255)) brush->alphaChanged = true;
        }
        *pixel = paint;
        brush->changed = true;
      }
      ++pixel;
    }
  }
  for (; pixel != end; ++pixel) ChangePixel(brush, pixel);
}

// The round and oval stamps: row i of an L-row table lies at y - L / 2 + i
// and covers x - h(i) to x + h(i) - 1.
void BrushScanLines(BrushContext* brush, const uint8_t* halfWidths) {
  int64_t rows = 0;
  while (halfWidths[rows]) ++rows;
  const int64_t top = brush->y - rows / 2;
  for (int64_t i = top < 0 ? -top : 0; i < rows; ++i) {
    const int64_t row = top + i;
    if (row > brush->lastRow) break;
    PaintSpan(brush, row, brush->x - halfWidths[i], brush->x + halfWidths[i] - 1);
  }
}

void BrushDiamond(BrushContext* brush, int64_t size, int64_t half) {
  if (size <= 1) return;
  const int64_t x = brush->x;
  const int64_t limit = brush->y - half + size;  // no row reaches it
  int64_t row = brush->y - half + 1;
  auto span = [&](int64_t width) {
    if (row < limit) PaintSpan(brush, row, x - (width - 1) / 2, x + (width - 1) / 2);
    ++row;
  };
  int64_t widest = 1;
  for (int64_t width = 1; width <= size - 1; width += 2) {
    span(width);
    widest = width;
  }
  if (widest >= 3)
    for (int64_t width = widest - 2; width >= 1; width -= 2) span(width);
}

// The pixels (x + k, y + k x step) for k from -half to half that lie inside.
void BrushDiagonal(BrushContext* brush, int64_t half, int64_t step) {
  const int64_t x = brush->x, y = brush->y;
  int64_t from = std::max(-half, -x);
  int64_t to = std::min(half, brush->lastColumn - x);
  if (step > 0) {
    from = std::max(from, -y);
    to = std::min(to, brush->lastRow - y);
  } else {
    from = std::max(from, y - brush->lastRow);
    to = std::min(to, y);
  }
  for (int64_t k = from; k <= to; ++k) ChangePixel(brush, PixelAddress(brush, x + k, y + k * step));
}

}  // namespace

void BrushPixel(BrushContext* brush) {
  const int64_t x = brush->x, y = brush->y;
  const bool smudging = !brush->smudgeBuffer.isNull();
  if (brush->sizeExponent == 0 && !smudging) {
    if (Inside(brush, x, y)) ChangePixel(brush, PixelAddress(brush, x, y));
    return;
  }
  if (brush->shape > kBrushRisingDiagonal) return;
  if (smudging && brush->shape <= kBrushRound) {
    if (!brush->blurBuffer.isNull())
      BlurWithBrush(brush);
    else
      Smudge(brush);
    brush->x = x;
    brush->y = y;
    return;
  }
  const int64_t size = StampSize(brush);
  const int64_t half = size / 2;
  BrushShape shape = brush->shape;
  // Below exponent 2 a round or oval stamp is a square, as strokes make it.
  if ((shape == kBrushRound || shape == kBrushOval) && brush->sizeExponent < 2) shape = kBrushSquare;
  switch (shape) {
    case kBrushSquare:
      for (int64_t row = std::max<int64_t>(y - half, 0), last = std::min(y - half + size - 1, brush->lastRow);
           row <= last; ++row)
        PaintSpan(brush, row, x - half, x - half + size - 1);
      break;
    case kBrushRound:
    case kBrushOval: {
      const auto* tables = shape == kBrushRound ? g_roundBrushes : g_ovalBrushes;
      if (brush->sizeExponent < 8 && tables[brush->sizeExponent]) BrushScanLines(brush, tables[brush->sizeExponent]);
      break;
    }
    case kBrushDiamond:
      BrushDiamond(brush, size, half);
      break;
    case kBrushVerticalBar:
      if (x < 0 || x > brush->lastColumn) break;
      for (int64_t row = std::max<int64_t>(y - half, 0), last = std::min(y - half + size - 1, brush->lastRow);
           row <= last; ++row)
        ChangePixel(brush, PixelAddress(brush, x, row));
      break;
    case kBrushHorizontalBar:
      PaintSpan(brush, y, x - half, x - half + size - 1);
      break;
    case kBrushFallingDiagonal:
      BrushDiagonal(brush, half, 1);
      break;
    case kBrushRisingDiagonal:
      BrushDiagonal(brush, half, -1);
      break;
  }
  brush->x = x;
  brush->y = y;
}

namespace {

int64_t StrokeCoordinate(double value) {
  return std::clamp(SaturatingCast<int64_t>(value), -kMaxStrokeCoordinate, kMaxStrokeCoordinate);
}

// The centres whose stamps can touch the bitmap: the bitmap grown by the
// stamp's reach.
struct StrokeBand {
  int64_t left, top, right, bottom;
  explicit StrokeBand(const BrushContext* brush) {
    const int64_t reach = StampReach(brush);
    left = -reach;
    top = -reach;
    right = brush->lastColumn + reach;
    bottom = brush->lastRow + reach;
  }
  bool holds(int64_t x, int64_t y) const { return x >= left && x <= right && y >= top && y <= bottom; }
};

void StampAt(BrushContext* brush, const StrokeBand& band, int64_t x, int64_t y) {
  if (!band.holds(x, y)) return;
  brush->x = x;
  brush->y = y;
  brush->pixel = Inside(brush, x, y) ? PixelAddress(brush, x, y) : nullptr;
  BrushPixel(brush);
}

bool FillsDiagonalGaps(const BrushContext* brush) {
  return (brush->shape == kBrushFallingDiagonal || brush->shape == kBrushRisingDiagonal) && brush->sizeExponent > 0;
}

void WalkRow(BrushContext* brush, int64_t y, int64_t fromX, int64_t toX) {
  const StrokeBand band(brush);
  if (y < band.top || y > band.bottom) return;
  for (int64_t x = std::max(std::min(fromX, toX), band.left), last = std::min(std::max(fromX, toX), band.right);
       x <= last; ++x)
    StampAt(brush, band, x, y);
}

void WalkColumn(BrushContext* brush, int64_t x, int64_t fromY, int64_t toY) {
  const StrokeBand band(brush);
  if (x < band.left || x > band.right) return;
  for (int64_t y = std::max(std::min(fromY, toY), band.top), last = std::min(std::max(fromY, toY), band.bottom);
       y <= last; ++y)
    StampAt(brush, band, x, y);
}

}  // namespace

void InterpolateX(BrushContext* brush, int64_t fromX, int64_t fromY, int64_t toX, int64_t toY) {
  fromX = std::clamp(fromX, -kMaxStrokeCoordinate, kMaxStrokeCoordinate);
  fromY = std::clamp(fromY, -kMaxStrokeCoordinate, kMaxStrokeCoordinate);
  toX = std::clamp(toX, -kMaxStrokeCoordinate, kMaxStrokeCoordinate);
  toY = std::clamp(toY, -kMaxStrokeCoordinate, kMaxStrokeCoordinate);
  if (fromX == toX) return WalkColumn(brush, fromX, fromY, toY);
  if (fromX > toX) {
    std::swap(fromX, toX);
    std::swap(fromY, toY);
  }
  const StrokeBand band(brush);
  const bool gaps = FillsDiagonalGaps(brush);
  const int64_t dx = toX - fromX, dy = toY - fromY;
  int64_t previousY = 0;
  const int64_t first = std::max(fromX, band.left), last = std::min(toX, band.right);
  for (int64_t x = first; x <= last; ++x) {
    const int64_t y = (x - fromX) * dy / dx + fromY;
    StampAt(brush, band, x, y);
    if (gaps && x != first && y != previousY) {
      // The rows from the new y up to, not including, the previous one.
      const int64_t from = std::max(y < previousY ? y : previousY + 1, band.top);
      const int64_t to = std::min(y < previousY ? previousY - 1 : y, band.bottom);
      for (int64_t row = from; row <= to; ++row) StampAt(brush, band, x - 1, row);
    }
    previousY = y;
  }
}

void InterpolateY(BrushContext* brush, int64_t fromX, int64_t fromY, int64_t toX, int64_t toY) {
  fromX = std::clamp(fromX, -kMaxStrokeCoordinate, kMaxStrokeCoordinate);
  fromY = std::clamp(fromY, -kMaxStrokeCoordinate, kMaxStrokeCoordinate);
  toX = std::clamp(toX, -kMaxStrokeCoordinate, kMaxStrokeCoordinate);
  toY = std::clamp(toY, -kMaxStrokeCoordinate, kMaxStrokeCoordinate);
  if (fromY == toY) return WalkRow(brush, fromY, fromX, toX);
  if (fromY > toY) {
    std::swap(fromX, toX);
    std::swap(fromY, toY);
  }
  const StrokeBand band(brush);
  const bool gaps = FillsDiagonalGaps(brush);
  const int64_t dx = toX - fromX, dy = toY - fromY;
  int64_t previousX = 0;
  const int64_t first = std::max(fromY, band.top), last = std::min(toY, band.bottom);
  for (int64_t y = first; y <= last; ++y) {
    const int64_t x = (y - fromY) * dx / dy + fromX;
    StampAt(brush, band, x, y);
    if (gaps && y != first && x != previousX) {
      const int64_t from = std::max(x < previousX ? x : previousX + 1, band.left);
      const int64_t to = std::min(x < previousX ? previousX - 1 : x, band.right);
      for (int64_t column = from; column <= to; ++column) StampAt(brush, band, column, y - 1);
    }
    previousX = x;
  }
}

void DrawBrushStroke(BrushContext* brush, double fromX, double fromY, double toX, double toY) {
  const int64_t x0 = StrokeCoordinate(fromX), y0 = StrokeCoordinate(fromY);
  const int64_t x1 = StrokeCoordinate(toX), y1 = StrokeCoordinate(toY);
  if (y0 == y1)
    WalkRow(brush, y0, x0, x1);
  else if (x0 == x1)
    WalkColumn(brush, x0, y0, y1);
  else if (std::abs(x1 - x0) <= std::abs(y1 - y0))
    InterpolateY(brush, x0, y0, x1, y1);
  else
    InterpolateX(brush, x0, y0, x1, y1);
}

// ---- Flood fill ---------------------------------------------------------------------

namespace {

// A run of filled pixels whose rows above and below are still to be looked at.
struct FloodSpan {
  int64_t y;
  int32_t left;
  int32_t right;  // inclusive
};

constexpr int64_t kBlockPixels = 64;  // pixels a word of a bit plane covers

// Bits first to last (0-63) of a word, inclusive.
inline uint64_t BitsBetween(int64_t first, int64_t last) {
  return (~uint64_t(0) >> (63 - last)) & (~uint64_t(0) << first);
}

// The state of one fill, a scan-line fill over runs in bounded memory. A
// pixel's bit in the visited plane is set when it joins the region, at
// which moment it is painted, or when it was found outside it; pixels
// outside the region are never written, so whether one belongs is always
// judged on its own value, and the region and the flags do not depend on
// the order of the walk. Whether the pixels of a row belong is worked out
// 64 at a time into a word of bits. The stack holds the runs whose
// neighbouring rows are still to be looked at while it has room; beyond
// that the pending plane records them.
class Flood {
 public:
  Flood(const PixelBitmap& bitmap, uint32_t target, uint32_t replacement, int tolerance, const PixelBitmap* second)
      : m_bitmap(bitmap), m_target(target), m_replacement(replacement), m_tolerance(tolerance), m_second(second) {
    m_words = (int64_t(bitmap.width) + kBlockPixels - 1) / kBlockPixels;
    const uint64_t planeBytes = uint64_t(m_words) * uint64_t(bitmap.height) * sizeof(uint64_t);
    m_visited = static_cast<uint64_t*>(AllocateAndClearMemory(planeBytes));
    m_pending = static_cast<uint64_t*>(AllocateAndClearMemory(planeBytes));
    m_stack = static_cast<FloodSpan*>(AllocateMemory(sizeof(FloodSpan) * kFloodStackPoints));
    m_targetAlpha = AlphaFromKolor(KolorFromPixel(target));
    m_replacementAlpha = AlphaFromKolor(KolorFromPixel(replacement));
    m_difference = int(std::min<int64_t>((int64_t(tolerance) + 1) / 2, 255));
    // In mask mode the matching alphas are those from the lowest whose
    // distance to the target's is within the tolerance up to the target's.
    m_lowestAlpha = 256;
    for (uint32_t alpha = 0; alpha <= m_targetAlpha; ++alpha)
      if (int64_t(m_targetAlpha - alpha) * 100 / 255 <= tolerance) {
        m_lowestAlpha = alpha;
        break;
      }
    m_pendingFrom = bitmap.height;
  }
  ~Flood() {
    FreeMemory(m_visited);
    FreeMemory(m_pending);
    FreeMemory(m_stack);
  }
  Flood(const Flood&) = delete;
  Flood& operator=(const Flood&) = delete;

  bool ready() const { return m_visited && m_pending && m_stack; }
  bool changed() const { return m_changed; }
  bool alphaChanged() const { return m_alphaChanged; }

  // The seed is painted whatever it holds.
  void paintSeed(int64_t x, int64_t y, PixmapMode mode) {
    uint32_t* pixel = m_bitmap.pixelAt(x, y);
    const uint32_t old = *pixel;
    switch (mode) {
      case kPixmapModeMask:
        if (ChangePixelAlpha(pixel, m_replacementAlpha)) m_changed = m_alphaChanged = true;
        break;
      case kPixmapModeKeepAlpha:
        m_changed = keepAlphaWrite(pixel);
        break;
      default:
        m_alphaChanged = PixelAlpha(m_replacement) != PixelAlpha(old);
        if (old != m_replacement) {
          *pixel = m_replacement;
          m_changed = true;
        }
        if (m_second) *m_second->pixelAt(x, y) = m_replacement;
        break;
    }
    visitedRow(y)[x / kBlockPixels] |= uint64_t(1) << (x % kBlockPixels);
  }

  template <PixmapMode Mode>
  void run(int64_t seedX, int64_t seedY) {
    // The seed's run: the members beside it on its row.
    RowMatches matches(m_bitmap.row(seedY));
    const int64_t left = seedX > 0 ? extendLeft<Mode>(seedY, seedX - 1, matches) : seedX;
    const int64_t right = seedX + 1 < m_bitmap.width ? extendRight<Mode>(seedY, seedX + 1, matches) : seedX;
    if (left < seedX) paintRun<Mode>(seedY, left, seedX - 1);
    if (right > seedX) paintRun<Mode>(seedY, seedX + 1, right);
    push(seedY, left, right);
    do {
      while (m_top > 0) {
        const FloodSpan span = m_stack[--m_top];
        if (span.y > 0) scanRow<Mode>(span.y - 1, span.left, span.right);
        if (span.y + 1 < m_bitmap.height) scanRow<Mode>(span.y + 1, span.left, span.right);
      }
    } while (refill());
  }

 private:
  // The membership words of one row, the last one made kept: runs found
  // in the same block reuse it. Painting a run changes only pixels whose
  // visited bits are set, and those bits are always masked off, so a kept
  // word stays right.
  struct RowMatches {
    explicit RowMatches(const uint32_t* pixels) : row(pixels) {}
    const uint32_t* row;
    int64_t block = -1;
    uint64_t bits = 0;
  };

  uint64_t* visitedRow(int64_t y) const { return m_visited + y * m_words; }
  uint64_t* pendingRow(int64_t y) const { return m_pending + y * m_words; }

  // The replacement with the pixel's own alpha; whether that changed it.
  bool keepAlphaWrite(uint32_t* pixel) {
    const uint32_t old = *pixel;
    if (old == m_replacement) return false;
    uint32_t next = m_replacement;
    ChangePixelAlpha(&next, PixelAlpha(old));
    if (next == old) return false;
    *pixel = next;
    return true;
  }

  // Whether a pixel that is not filled belongs to the region (a passable
  // transparent pixel does). In mask mode a pixel more opaque than the
  // target never matches.
  template <PixmapMode Mode>
  bool member(uint32_t pixel) const {
    if constexpr (Mode == kPixmapModeMask) {
      const uint32_t alpha = PixelAlpha(pixel);
      return alpha >= m_lowestAlpha && alpha <= m_targetAlpha;
    } else {
      return PixelMatches(pixel, m_target, m_tolerance) != 0;
    }
  }

  // Bit i set when pixel 64 x block + i of the row belongs to the region,
  // filled or not; no bits beyond the row's end.
  template <PixmapMode Mode>
  uint64_t memberBits(RowMatches& matches, int64_t block) const {
    if (matches.block == block) return matches.bits;
    const uint32_t* pixels = matches.row + block * kBlockPixels;
    const int64_t count = std::min<int64_t>(kBlockPixels, m_bitmap.width - block * kBlockPixels);
    uint64_t bits = 0;
#if defined(__SSE2__)
    if (count == kBlockPixels) {
      bits = memberWord<Mode>(pixels);
    } else
#endif
    {
      for (int64_t i = 0; i < count; ++i) bits |= uint64_t(member<Mode>(pixels[i])) << i;
    }
    matches.block = block;
    matches.bits = bits;
    return bits;
  }

#if defined(__SSE2__)
  // memberBits for 64 pixels, sixteen at a time, each test on all four
  // bytes of four pixels at once.
  template <PixmapMode Mode>
  uint64_t memberWord(const uint32_t* pixels) const {
    const __m128i zero = _mm_setzero_si128();
    const __m128i alphaBytes = _mm_set1_epi32(int32_t(kPixelAlphaMask));
    auto lanes = [&](const uint32_t* four) -> __m128i {
      const __m128i p = _mm_loadu_si128(reinterpret_cast<const __m128i*>(four));
      if constexpr (Mode == kPixmapModeMask) {
        const __m128i alpha = _mm_srli_epi32(p, kPixelAlphaShift);
        return _mm_and_si128(_mm_cmpgt_epi32(alpha, _mm_set1_epi32(int32_t(m_lowestAlpha) - 1)),
                             _mm_cmpgt_epi32(_mm_set1_epi32(int32_t(m_targetAlpha) + 1), alpha));
      } else {
        const __m128i transparent = _mm_cmpeq_epi32(_mm_and_si128(p, alphaBytes), zero);
        if (PixelAlpha(m_target) == 0) return transparent;
        // Red, green and blue each within the difference (0 below
        // tolerance 1: equal colours); alpha bytes always pass here.
        const __m128i target = _mm_set1_epi32(int32_t(m_target));
        const __m128i limit = _mm_set1_epi32(int32_t(
            MakePixel(uint32_t(m_tolerance < 1 ? 0 : m_difference), uint32_t(m_tolerance < 1 ? 0 : m_difference),
                      uint32_t(m_tolerance < 1 ? 0 : m_difference), 255)));
        const __m128i distance = _mm_or_si128(_mm_subs_epu8(p, target), _mm_subs_epu8(target, p));
        const __m128i near = _mm_cmpeq_epi32(_mm_subs_epu8(distance, limit), zero);
        const __m128i visible = _mm_andnot_si128(transparent, near);
        return m_tolerance < 0 ? _mm_or_si128(visible, transparent) : visible;
      }
    };
    uint64_t bits = 0;
    for (int i = 0; i < 4; ++i) {
      const uint32_t* sixteen = pixels + 16 * i;
      const __m128i low = _mm_packs_epi32(lanes(sixteen), lanes(sixteen + 4));
      const __m128i high = _mm_packs_epi32(lanes(sixteen + 8), lanes(sixteen + 12));
      bits |= uint64_t(uint32_t(_mm_movemask_epi8(_mm_packs_epi16(low, high)))) << (16 * i);
    }
    return bits;
  }
#endif

  // The members that are not filled yet, of one block (a visited member
  // is filled).
  template <PixmapMode Mode>
  uint64_t openMembers(int64_t y, RowMatches& matches, int64_t block) const {
    return memberBits<Mode>(matches, block) & ~visitedRow(y)[block];
  }

  // The first column of the run of open members that ends at x (itself
  // one), found going left.
  template <PixmapMode Mode>
  int64_t extendLeft(int64_t y, int64_t x, RowMatches& matches) const {
    int64_t block = x / kBlockPixels, bit = x % kBlockPixels;
    for (;;) {
      const uint64_t open = openMembers<Mode>(y, matches, block) << (63 - bit);
      const int64_t run = std::countl_one(open);
      if (run <= bit || block == 0) return block * kBlockPixels + bit + 1 - std::min<int64_t>(run, bit + 1);
      --block;
      bit = kBlockPixels - 1;
    }
  }

  // The last column of the run of open members that starts at x, found
  // going right; x - 1 when x is not one.
  template <PixmapMode Mode>
  int64_t extendRight(int64_t y, int64_t x, RowMatches& matches) const {
    int64_t block = x / kBlockPixels, bit = x % kBlockPixels;
    for (;;) {
      const uint64_t open = openMembers<Mode>(y, matches, block) >> bit;
      const int64_t run = std::countr_one(open);
      if (run < kBlockPixels - bit || block + 1 == m_words) return block * kBlockPixels + bit + run - 1;
      ++block;
      bit = 0;
    }
  }

  // Looks at the columns of a row next to a run: each open member found
  // there starts a run, which is extended both ways, painted and pushed.
  template <PixmapMode Mode>
  void scanRow(int64_t y, int64_t left, int64_t right) {
    RowMatches matches(m_bitmap.row(y));
    uint64_t* visited = visitedRow(y);
    int64_t x = left;
    while (x <= right) {
      const int64_t block = x / kBlockPixels;
      const int64_t last = std::min(right, block * kBlockPixels + kBlockPixels - 1);
      uint64_t open = ~visited[block] & BitsBetween(x % kBlockPixels, last % kBlockPixels);
      if (open) {
        // Those found outside the region are marked, so that the scans of
        // later runs pass over them without reading them again.
        const uint64_t members = memberBits<Mode>(matches, block);
        visited[block] |= open & ~members;
        open &= members;
      }
      if (!open) {
        x = last + 1;
        continue;
      }
      const int64_t start = block * kBlockPixels + std::countr_zero(open);
      // Only the first column can have open members to its left: any
      // other start has a filled pixel or one outside the region there.
      const int64_t from = start == left && start > 0 ? extendLeft<Mode>(y, start, matches) : start;
      const int64_t to = extendRight<Mode>(y, start, matches);
      paintRun<Mode>(y, from, to);
      push(y, from, to);
      x = to + 2;  // the column after the run is not an open member
    }
  }

  // Fills a run of open members: sets their visited bits and paints them.
  template <PixmapMode Mode>
  void paintRun(int64_t y, int64_t left, int64_t right) {
    uint64_t* visited = visitedRow(y);
    for (int64_t block = left / kBlockPixels; block <= right / kBlockPixels; ++block)
      visited[block] |= BitsBetween(block == left / kBlockPixels ? left % kBlockPixels : 0,
                                   block == right / kBlockPixels ? right % kBlockPixels : kBlockPixels - 1);
    uint32_t* pixels = m_bitmap.row(y);
    if constexpr (Mode == kPixmapModeMask) {
      for (int64_t x = left; x <= right; ++x)
        if (PixelAlpha(pixels[x]) != m_replacementAlpha) {
          ChangePixelAlpha(pixels + x, m_replacementAlpha);
          m_changed = m_alphaChanged = true;
        }
    } else if constexpr (Mode == kPixmapModeKeepAlpha) {
      for (int64_t x = left; x <= right; ++x)
        if (keepAlphaWrite(pixels + x)) m_changed = true;
    } else {
      uint32_t* out = m_second ? m_second->row(y) : pixels;
      if (!(m_changed && m_alphaChanged)) noteColorChanges(pixels, out, left, right);
      std::fill(out + left, out + right + 1, m_replacement);
    }
  }

  // The flags of painting the replacement over a run in colour mode: its
  // opacity differs from a pixel's; a pixel (not a passable one) written
  // with something else.
  void noteColorChanges(const uint32_t* pixels, const uint32_t* out, int64_t left, int64_t right) {
    const PixelLanes replacement = SplatLanes(m_replacement);
    const PixelLanes alphaMask = SplatLanes(kPixelAlphaMask);
    const bool passable = m_tolerance < 0;
    PixelLanes alphas = {}, writes = {};
    int64_t x = left;
    for (; x + kPixelLaneCount <= right + 1; x += kPixelLaneCount) {
      const PixelLanes p = LoadLanes(pixels + x);
      alphas |= (p ^ replacement) & alphaMask;
      const PixelLanes differs = LoadLanes(out + x) ^ replacement;
      writes |= passable ? differs & VisibleLanes(p) : differs;
    }
    bool alphaChanged = (alphas[0] | alphas[1] | alphas[2] | alphas[3]) != 0;
    bool changed = (writes[0] | writes[1] | writes[2] | writes[3]) != 0;
    for (; x <= right; ++x) {
      alphaChanged |= PixelAlpha(pixels[x]) != PixelAlpha(m_replacement);
      changed |= (!passable || PixelAlpha(pixels[x]) != 0) && out[x] != m_replacement;
    }
    m_alphaChanged |= alphaChanged;
    m_changed |= changed;
  }

  void push(int64_t y, int64_t left, int64_t right) {
    if (m_top < kFloodStackPoints) {
      m_stack[m_top++] = {y, int32_t(left), int32_t(right)};
      return;
    }
    uint64_t* pending = pendingRow(y);
    for (int64_t block = left / kBlockPixels; block <= right / kBlockPixels; ++block)
      pending[block] |= BitsBetween(block == left / kBlockPixels ? left % kBlockPixels : 0,
                                    block == right / kBlockPixels ? right % kBlockPixels : kBlockPixels - 1);
    m_pendingFrom = std::min(m_pendingFrom, y);
  }

  // Moves runs from the pending plane onto the empty stack, in row order,
  // clearing their bits, until the stack is full; whether any was moved.
  // Rows above m_pendingFrom hold nothing pending.
  bool refill() {
    const int64_t height = m_bitmap.height, width = m_bitmap.width;
    for (int64_t y = m_pendingFrom; y < height; ++y) {
      uint64_t* pending = pendingRow(y);
      for (int64_t block = 0; block < m_words; ++block) {
        while (pending[block]) {
          if (m_top == kFloodStackPoints) {
            m_pendingFrom = y;
            return true;
          }
          const int64_t left = block * kBlockPixels + std::countr_zero(pending[block]);
          // The run goes on while the bits do, across words.
          int64_t right = left;
          for (int64_t b = block, bit = left % kBlockPixels;; ++b, bit = 0) {
            const int64_t run = std::countr_one(pending[b] >> bit);
            pending[b] &= ~(run == kBlockPixels ? ~uint64_t(0) : ((uint64_t(1) << run) - 1) << bit);
            right = b * kBlockPixels + bit + run - 1;
            if (bit + run < kBlockPixels || b + 1 == m_words) break;
          }
          m_stack[m_top++] = {y, int32_t(left), int32_t(std::min<int64_t>(right, width - 1))};
        }
      }
    }
    m_pendingFrom = height;
    return m_top > 0;
  }

  const PixelBitmap& m_bitmap;
  const uint32_t m_target;
  const uint32_t m_replacement;
  const int m_tolerance;
  const PixelBitmap* m_second;
  uint32_t m_targetAlpha = 0;
  uint32_t m_replacementAlpha = 0;
  uint32_t m_lowestAlpha = 256;  // mask mode: the lowest matching alpha (256: none)
  int m_difference = 0;          // how far each component may be from the target's
  int64_t m_words = 0;           // words of a bit plane's row
  uint64_t* m_visited = nullptr;
  uint64_t* m_pending = nullptr;
  FloodSpan* m_stack = nullptr;
  int m_top = 0;
  int64_t m_pendingFrom = 0;  // the first row that may hold pending runs
  bool m_changed = false;
  bool m_alphaChanged = false;
};

}  // namespace

bool FloodBitmap(const PixelBitmap& bitmap, uint32_t target, uint32_t replacement, int tolerance, int64_t x, int64_t y,
                 PixmapMode mode, const PixelBitmap* second, bool* alphaChanged) {
  if (alphaChanged) *alphaChanged = false;
  if (bitmap.isNull() || bitmap.width <= 0 || bitmap.height <= 0 || !bitmap.contains(x, y)) return false;
  // Only colour mode writes elsewhere, and only into a bitmap of the same size.
  if (mode == kPixmapModeMask || mode == kPixmapModeKeepAlpha || !second || second->isNull() ||
      second->width != bitmap.width || second->height != bitmap.height)
    second = nullptr;
  Flood flood(bitmap, target, replacement, tolerance, second);
  if (!flood.ready()) return false;
  flood.paintSeed(x, y, mode);
  switch (mode) {
    case kPixmapModeMask:
      flood.run<kPixmapModeMask>(x, y);
      break;
    case kPixmapModeKeepAlpha:
      flood.run<kPixmapModeKeepAlpha>(x, y);
      break;
    default:
      flood.run<kPixmapModeColor>(x, y);
      break;
  }
  if (alphaChanged) *alphaChanged = flood.alphaChanged();
  return flood.changed();
}

// ---- Mask iteration -------------------------------------------------------------------

namespace {

// Moves to the start of the next row; false at the end row.
bool NextMaskedRow(MaskIterator* it) {
  if (it->y + 1 >= it->endRow) {
    it->y = it->endRow;
    return false;
  }
  ++it->y;
  it->x = it->firstColumn;
  it->rowStart += it->bytesPerRow;
  it->pixel = reinterpret_cast<uint32_t*>(it->rowStart) + it->firstColumn;
  if (it->maskRow) {
    it->maskRow += it->maskBytesPerRow;
    it->mask = reinterpret_cast<uint32_t*>(it->maskRow) + it->firstMaskColumn;
  }
  return true;
}

}  // namespace

uint32_t* NextMaskedPixel(MaskIterator* it) {
  for (;;) {
    if (it->y >= it->endRow) return nullptr;
    if (it->x >= it->endColumn) {
      if (!NextMaskedRow(it)) return nullptr;
      continue;
    }
    if (it->maskRow && *it->mask == 0) {
      ++it->x;
      ++it->pixel;
      ++it->mask;
      continue;
    }
    uint32_t* pixel = it->pixel;
    ++it->x;
    ++it->pixel;
    if (it->maskRow) ++it->mask;
    return pixel;
  }
}
