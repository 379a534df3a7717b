#include "pixmap/PixelFunctions.h"

#include <algorithm>
#include <bit>
#include <cstdlib>
#include <cstring>

#include "pixmap/BlurSmudge.h"
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

struct FloodPoint {
  int64_t x;
  int64_t y;
};

// The state of one fill, a scan-line fill in bounded memory. A pixel is
// marked visited when it is tested, and a match is painted at once and
// marked pending until the rows above and below it have been looked at. As
// each pixel is tested once, before it is painted, the region and the flags
// do not depend on the order of the walk. The stack holds one point for
// each run of pending pixels while it has room; beyond that only the
// pending plane records them.
class Flood {
 public:
  Flood(const PixelBitmap& bitmap, uint32_t target, uint32_t replacement, int tolerance, const PixelBitmap* second)
      : m_bitmap(bitmap), m_target(target), m_replacement(replacement), m_tolerance(tolerance), m_second(second) {
    m_planeRow = (int64_t(bitmap.width) + 7) / 8;
    const uint64_t planeBytes = uint64_t(m_planeRow) * uint64_t(bitmap.height);
    m_visited = static_cast<uint8_t*>(AllocateAndClearMemory(planeBytes));
    m_pending = static_cast<uint8_t*>(AllocateAndClearMemory(planeBytes));
    m_stack = static_cast<FloodPoint*>(AllocateMemory(sizeof(FloodPoint) * kFloodStackPoints));
    m_targetAlpha = AlphaFromKolor(KolorFromPixel(target));
    m_replacementAlpha = AlphaFromKolor(KolorFromPixel(replacement));
    m_difference = int(std::min<int64_t>((int64_t(tolerance) + 1) / 2, 256));
    m_resumeRow = bitmap.height;
    m_lowestLeftRow = bitmap.height;
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
    m_visited[index(x, y)] |= bit(x);
  }

  template <PixmapMode Mode>
  void run(int64_t seedX, int64_t seedY) {
    m_pending[index(seedX, seedY)] |= bit(seedX);
    fillRun<Mode>(seedX, seedY);
    do {
      while (m_top > 0) {
        const FloodPoint point = m_stack[--m_top];
        // A run taken up since the point was pushed has dealt with it.
        if (m_pending[index(point.x, point.y)] & bit(point.x)) fillRun<Mode>(point.x, point.y);
      }
    } while (refill());
  }

 private:
  int64_t index(int64_t x, int64_t y) const { return y * m_planeRow + (x >> 3); }
  static uint8_t bit(int64_t x) { return uint8_t(1u << (x & 7)); }
  bool visited(int64_t x, int64_t y) const { return m_visited[index(x, y)] & bit(x); }

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

  // Whether an unvisited pixel belongs to the region: 0 no, 1 yes, or
  // kPixelPassable. In mask mode a pixel more opaque than the target never
  // matches.
  template <PixmapMode Mode>
  [[gnu::always_inline]] int matches(uint32_t pixel) const {
    if constexpr (Mode == kPixmapModeMask) {
      const uint32_t alpha = PixelAlpha(pixel);
      return alpha <= m_targetAlpha && int64_t(m_targetAlpha - alpha) * 100 / 255 <= m_tolerance ? 1 : 0;
    } else {
      // The common case, opaque or translucent pixels against a visible
      // target at a positive tolerance, without branches.
      if (m_tolerance < 1 || PixelAlpha(pixel) == 0 || PixelAlpha(m_target) == 0)
        return PixelMatches(pixel, m_target, m_tolerance);
      const int d = m_difference;
      auto near = [d](uint32_t a, uint32_t b) { return int(uint32_t(int(a) - int(b) + d) <= uint32_t(2 * d)); };
      return int(near(PixelRed(pixel), PixelRed(m_target)) & near(PixelGreen(pixel), PixelGreen(m_target)) &
                 near(PixelBlue(pixel), PixelBlue(m_target)));
    }
  }

  // Marks an unvisited pixel visited and tests it; a match is painted.
  template <PixmapMode Mode>
  [[gnu::always_inline]] bool claim(int64_t x, int64_t y) {
    m_visited[index(x, y)] |= bit(x);
    uint32_t* pixel = m_bitmap.pixelAt(x, y);
    const uint32_t old = *pixel;
    const int match = matches<Mode>(old);
    if (match == 0) return false;
    if constexpr (Mode == kPixmapModeMask) {
      if (PixelAlpha(old) != m_replacementAlpha) {
        ChangePixelAlpha(pixel, m_replacementAlpha);
        m_changed = m_alphaChanged = true;
      }
    } else if constexpr (Mode == kPixmapModeKeepAlpha) {
      if (keepAlphaWrite(pixel)) m_changed = true;
    } else {
      if (PixelAlpha(m_replacement) != PixelAlpha(old)) m_alphaChanged = true;
      uint32_t* out = m_second ? m_second->pixelAt(x, y) : pixel;
      // A passable transparent pixel is written but is no change.
      if (match == 1 && *out != m_replacement) m_changed = true;
      *out = m_replacement;
    }
    return true;
  }

  // Takes up the run of pending pixels through (x, y), extends it to the
  // left and right over matching pixels, then looks at the rows above and
  // below it.
  template <PixmapMode Mode>
  void fillRun(int64_t x, int64_t y) {
    uint8_t* pending = m_pending + y * m_planeRow;
    auto isPending = [pending](int64_t column) { return pending[column >> 3] & bit(column); };
    int64_t left = x, right = x;
    while (left > 0 && isPending(left - 1)) --left;
    while (right < m_bitmap.width - 1 && isPending(right + 1)) ++right;
    for (int64_t column = left; column <= right; ++column) pending[column >> 3] &= uint8_t(~bit(column));
    while (left > 0 && !visited(left - 1, y) && claim<Mode>(left - 1, y)) --left;
    while (right < m_bitmap.width - 1 && !visited(right + 1, y) && claim<Mode>(right + 1, y)) ++right;
    if (y > 0) takeRow<Mode>(y - 1, left, right);
    if (y < m_bitmap.height - 1) takeRow<Mode>(y + 1, left, right);
  }

  // Tests the unvisited pixels of a row within the columns; the matches are
  // painted and marked pending, with one point pushed for each run of them.
  template <PixmapMode Mode>
  void takeRow(int64_t y, int64_t left, int64_t right) {
    const uint8_t* visitedRow = m_visited + y * m_planeRow;
    uint8_t* pending = m_pending + y * m_planeRow;
    bool inRun = false;
    for (int64_t x = left; x <= right; ++x) {
      if (visitedRow[x >> 3] & bit(x)) {
        inRun = false;
        // The row the run came from is mostly visited: pass over whole bytes.
        while ((x & 7) == 7 && x + 8 <= right && visitedRow[(x + 1) >> 3] == 0xFF) x += 8;
        continue;
      }
      if (!claim<Mode>(x, y)) {
        inRun = false;
        continue;
      }
      pending[x >> 3] |= bit(x);
      if (!inRun) push(x, y);
      inRun = true;
    }
  }

  void push(int64_t x, int64_t y) {
    if (m_top < kFloodStackPoints)
      m_stack[m_top++] = {x, y};
    else
      m_lowestLeftRow = std::min(m_lowestLeftRow, y);
  }

  // Refills the empty stack from the pending plane in row order; whether
  // anything was pending. Rows above the lower of where the last scan
  // stopped and the highest run left off since hold nothing pending.
  bool refill() {
    const int64_t height = m_bitmap.height;
    int64_t row = std::min(m_resumeRow, m_lowestLeftRow);
    m_lowestLeftRow = height;
    m_resumeRow = height;
    for (; row < height; ++row) {
      const uint8_t* bytes = m_pending + row * m_planeRow;
      for (int64_t i = 0; i < m_planeRow;) {
        if (i + 8 <= m_planeRow) {
          uint64_t word;
          std::memcpy(&word, bytes + i, 8);
          if (word == 0) {
            i += 8;
            continue;
          }
        }
        // One point for each run of pending pixels: a bit whose left
        // neighbour is pending too belongs to the run already pushed.
        const unsigned previous = i > 0 ? bytes[i - 1] >> 7 : 0;
        for (unsigned bits = bytes[i] & ~(unsigned(bytes[i]) << 1 | previous); bits; bits &= bits - 1) {
          if (m_top == kFloodStackPoints) {
            m_resumeRow = row;
            return true;
          }
          m_stack[m_top++] = {i * 8 + std::countr_zero(bits), row};
        }
        ++i;
      }
    }
    return m_top > 0;
  }

  const PixelBitmap& m_bitmap;
  const uint32_t m_target;
  const uint32_t m_replacement;
  const int m_tolerance;
  const PixelBitmap* m_second;
  uint32_t m_targetAlpha = 0;
  uint32_t m_replacementAlpha = 0;
  int m_difference = 0;  // how far each component may be from the target's
  int64_t m_planeRow = 0;
  uint8_t* m_visited = nullptr;
  uint8_t* m_pending = nullptr;
  FloodPoint* m_stack = nullptr;
  int m_top = 0;
  int64_t m_resumeRow = 0;      // where the last scan stopped with a full stack
  int64_t m_lowestLeftRow = 0;  // the highest row of a run left off the full stack since
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
