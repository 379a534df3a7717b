#include "pixmap/BlurSmudge.h"

#include <QImage>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <memory>
#include <new>
#include <vector>
#if defined(__SSE2__)
#include <emmintrin.h>
#endif

#include "pixmap/CSPixmap.h"
#include "pixmap/PixelThreads.h"
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

// Columns a strip of the vertical pass holds at most.
constexpr int64_t kColumnStrip = 1024;

// The same down the columns of one strip, four columns to a vector of sums
// for each channel, so that rows are read in long runs and the strip's
// sums stay in the cache. The input is opaque (BoxRows wrote it).
template <typename Divide>
void BoxColumns(const PixelBitmap& in, const PixelBitmap& out, int64_t left, int64_t columns, int64_t height,
                int64_t r, const Divide& divide) {
  Lanes red[kColumnStrip / 4], green[kColumnStrip / 4], blue[kColumnStrip / 4];
  {
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
// vertical one back, each split across the thread pool (rows in groups of
// four, then strips of columns).
template <typename Divide>
void OneBox(const PixelBitmap& source, const PixelBitmap& scratch, int64_t r, const Divide& divide) {
  const int64_t groups = (int64_t(source.height) + 3) / 4;
  ForEachRowRange(groups, PixelLoopParts(groups, 16, 2), [&](int64_t first, int64_t end) {
    // Rows four at a time; the last group repeats its last row.
    for (int64_t y = first * 4; y < end * 4; y += 4) {
      const uint32_t* in[4];
      uint32_t* out[4];
      for (int64_t k = 0; k < 4; ++k) {
        const int64_t row = std::min<int64_t>(y + k, source.height - 1);
        in[k] = source.row(row);
        out[k] = scratch.row(row);
      }
      BoxRows(in, out, source.width, r, divide);
    }
  });
  const int64_t strips = (int64_t(source.width) + kColumnStrip - 1) / kColumnStrip;
  ForEachRowRange(strips, PixelLoopParts(strips, 1), [&](int64_t first, int64_t end) {
    for (int64_t strip = first; strip < end; ++strip) {
      const int64_t left = strip * kColumnStrip;
      BoxColumns(scratch, source, left, std::min<int64_t>(kColumnStrip, source.width - left), source.height, r, divide);
    }
  });
}

// The whole box blur with one pass over the scratch per direction and box;
// any radius, and the way when the streaming blur below cannot be had.
void BoxBlurByPasses(const PixelBitmap& source, const PixelBitmap& scratch, const int64_t (&radii)[3]) {
  for (const int64_t size : radii) {
    const int64_t r = std::clamp<int64_t>(size, 0, kMaxBoxRadius);
    const uint32_t d = uint32_t(2 * r + 1);
    if (d <= kMaxFloatBoxWidth)
      OneBox(source, scratch, r, FloatBoxDivisor(d));
    else
      OneBox(source, scratch, r, WideBoxDivisor(d));
  }
}

// ---- The streaming blur ------------------------------------------------------

// Eight 16-bit lanes: the blue, green, red and alpha sums of two pixels.
using Lanes16 = uint16_t __attribute__((vector_size(16)));

// Two pixels' bytes, widened to a lane each.
inline Lanes16 WidenPixelPair(uint64_t pair) {
#if defined(__SSE2__)
  return Lanes16(_mm_unpacklo_epi8(_mm_cvtsi64_si128(int64_t(pair)), _mm_setzero_si128()));
#else
  using Bytes8 = uint8_t __attribute__((vector_size(8)));
  Bytes8 bytes;
  std::memcpy(&bytes, &pair, sizeof bytes);
  return __builtin_convertvector(bytes, Lanes16);
#endif
}

// The high 16 bits of each lane's product.
inline Lanes16 MultiplyHigh(Lanes16 a, Lanes16 b) {
#if defined(__SSE2__)
  return Lanes16(_mm_mulhi_epu16(__m128i(a), __m128i(b)));
#else
  using Wide = uint32_t __attribute__((vector_size(32)));
  return __builtin_convertvector((__builtin_convertvector(a, Wide) * __builtin_convertvector(b, Wide)) >> 16, Lanes16);
#endif
}

// Lanes of at most 255 back to two pixels' bytes.
inline uint64_t NarrowPixelPair(Lanes16 lanes) {
#if defined(__SSE2__)
  return uint64_t(_mm_cvtsi128_si64(_mm_packus_epi16(__m128i(lanes), __m128i(lanes))));
#else
  using Bytes8 = uint8_t __attribute__((vector_size(8)));
  const Bytes8 bytes = __builtin_convertvector(lanes, Bytes8);
  uint64_t pair;
  std::memcpy(&pair, &bytes, sizeof pair);
  return pair;
#endif
}

// Four pixels' bytes widened: the first two pixels in `low`, the last two
// in `high`.
struct WidePixels {
  Lanes16 low, high;
};
inline WidePixels WidenPixels(const uint32_t* pixels) {
#if defined(__SSE2__)
  const __m128i bytes = _mm_loadu_si128(reinterpret_cast<const __m128i*>(pixels));
  return {Lanes16(_mm_unpacklo_epi8(bytes, _mm_setzero_si128())), Lanes16(_mm_unpackhi_epi8(bytes, _mm_setzero_si128()))};
#else
  uint64_t pairs[2];
  std::memcpy(pairs, pixels, sizeof pairs);
  return {WidenPixelPair(pairs[0]), WidenPixelPair(pairs[1])};
#endif
}

// Four opaque pixels of lanes of at most 255.
inline void StoreNarrowed(uint32_t* pixels, Lanes16 low, Lanes16 high) {
#if defined(__SSE2__)
  const __m128i bytes = _mm_or_si128(_mm_packus_epi16(__m128i(low), __m128i(high)),
                                     _mm_set1_epi32(int32_t(kPixelAlphaMask)));
  _mm_storeu_si128(reinterpret_cast<__m128i*>(pixels), bytes);
#else
  const uint64_t opaque = uint64_t(kPixelAlphaMask) * 0x100000001u;
  const uint64_t pairs[2] = {NarrowPixelPair(low) | opaque, NarrowPixelPair(high) | opaque};
  std::memcpy(pixels, pairs, sizeof pairs);
#endif
}

// Division of 16-bit box sums n <= 255 d by d, exact: the high half of
// n x m shifted right by s, with m = ceil(2^(16 + s) / d) below 2^16 and
// 255 d (d - 1) < 2^(16 + s), under which the product's error stays below
// what would reach the next whole number. Widths that have no such m, and
// sums that do not fit 16 bits, are not worked on in 16-bit lanes.
class ShortBoxDivisor {
 public:
  explicit ShortBoxDivisor(uint32_t d) {
    if (d == 0 || 255 * uint64_t(d) > 0xFFFF) return;
    for (int shift = 0; shift < 16; ++shift) {
      const uint64_t power = uint64_t(1) << (16 + shift);
      const uint64_t multiplier = (power + d - 1) / d;
      if (multiplier > 0xFFFF) break;
      if (255 * uint64_t(d) * (d - 1) < power) {
        m_multiplier = uint16_t(multiplier);
        m_shift = shift;
      }
    }
  }
  bool valid() const { return m_multiplier != 0; }
  Lanes16 operator()(Lanes16 n) const {
    const Lanes16 m = {m_multiplier, m_multiplier, m_multiplier, m_multiplier,
                       m_multiplier, m_multiplier, m_multiplier, m_multiplier};
    return MultiplyHigh(n, m) >> m_shift;
  }

 private:
  uint16_t m_multiplier = 0;
  int m_shift = 0;
};

// Pictures smaller than this are blurred by passes, without the threads
// and row rings of the streaming blur.
constexpr int64_t kMinStreamPixels = int64_t(1) << 18;
// The rows a part of the streaming blur takes at least, and at least this
// many times the rows its boxes reach beyond it.
constexpr int64_t kMinStreamRows = 128;
constexpr int64_t kStreamRowsPerReach = 8;

// The blur of a band of rows streamed through every box at once: each box
// keeps the last rows of its horizontal pass in a ring and running column
// sums, and hands each row of its vertical pass to the next box as soon as
// it is made, so that rows are read and written once and stay in the cache.
// The last box writes the band's rows in place; rows of the source outside
// the band are read from copies taken before any band started, as the
// neighbouring bands overwrite them.
class StreamBand {
 public:
  struct Box {
    int64_t r = 0;
    ShortBoxDivisor divide{1};
  };

  StreamBand(const PixelBitmap& bitmap, const std::vector<Box>& boxes, int64_t first, int64_t end)
      : m_bitmap(bitmap), m_width(bitmap.width), m_height(bitmap.height), m_first(first), m_end(end) {
    int64_t reach = 0;
    for (const Box& box : boxes) {
      Stage stage;
      stage.box = box;
      stage.ringRows = 2 * box.r + 4;
      stage.ring.resize(size_t(stage.ringRows * m_width));
      stage.sums.resize(size_t(m_width + 1) / 2 + 2);
      stage.out.resize(size_t(2 * m_width));
      m_stages.push_back(std::move(stage));
      reach += box.r + 2;
      m_padded.resize(std::max(m_padded.size(), size_t(m_width + 2 * box.r + 1)));
    }
    // The source rows outside the band that the first box may read.
    m_aboveFirst = std::max<int64_t>(0, first - reach);
    m_belowEnd = std::min<int64_t>(m_height, end + reach);
    m_above.resize(size_t((first - m_aboveFirst) * m_width));
    m_below.resize(size_t((m_belowEnd - end) * m_width));
  }

  // Copies the rows next to the band; before any band writes.
  void keepNeighbours() {
    const size_t rowBytes = size_t(m_width) * sizeof(uint32_t);
    for (int64_t y = m_aboveFirst; y < m_first; ++y)
      std::memcpy(m_above.data() + (y - m_aboveFirst) * m_width, m_bitmap.row(y), rowBytes);
    for (int64_t y = m_end; y < m_belowEnd; ++y)
      std::memcpy(m_below.data() + (y - m_end) * m_width, m_bitmap.row(y), rowBytes);
  }

  void run() {
    const int64_t last = int64_t(m_stages.size()) - 1;
    // Each box starts where the next box's first window begins.
    int64_t start = m_first;
    for (int64_t k = last; k >= 0; --k) {
      m_stages[size_t(k)].nextV = start;
      start = std::max<int64_t>(0, start - m_stages[size_t(k)].box.r);
      m_stages[size_t(k)].nextH = start;
    }
    for (int64_t y = m_first; y < m_end; ++y) produce(last, m_bitmap.row(y));
  }

 private:
  struct Stage {
    Box box;
    int64_t ringRows = 0;
    std::vector<uint32_t> ring;  // horizontal results, row j at j mod ringRows
    std::vector<Lanes16> sums;   // the column sums, two pixels a vector
    std::vector<uint32_t> out;   // the last two vertical results, row j at j mod 2
    int64_t nextH = 0;
    int64_t nextV = 0;
    bool started = false;
    uint32_t* ringRow(int64_t j) { return ring.data() + (j % ringRows) * (ring.size() / size_t(ringRows)); }
  };

  const uint32_t* sourceRow(int64_t y) const {
    if (y < m_first) return m_above.data() + (y - m_aboveFirst) * m_width;
    if (y >= m_end) return m_below.data() + (y - m_end) * m_width;
    return m_bitmap.row(y);
  }

  // Row y of box k's input: the source (read made opaque), or box k - 1's
  // output.
  const uint32_t* input(int64_t k, int64_t y) {
    if (k == 0) return sourceRow(y);
    Stage& previous = m_stages[size_t(k - 1)];
    while (previous.nextV <= y) produce(k - 1, nullptr);
    return previous.out.data() + (y % 2) * m_width;
  }

  // Box k's horizontal pass over its next two rows (one at the bottom).
  void horizontal(int64_t k) {
    Stage& stage = m_stages[size_t(k)];
    const int64_t a = stage.nextH, b = std::min(a + 1, m_height - 1);
    const uint32_t* rowA = input(k, a);
    const uint32_t* rowB = b == a ? rowA : input(k, b);
    const int64_t r = stage.box.r, n = m_width;
    // Both rows side by side, the ends repeated r + 1 times beyond them:
    // padded[j] holds the pixels at clamp(j - r - 1).
    uint64_t* padded = m_padded.data();
    auto pair = [&](int64_t x) { return uint64_t(rowA[x]) | uint64_t(rowB[x]) << 32; };
    if (k == 0) {
      // Source pixels are read made opaque; later boxes read opaque rows.
      for (int64_t x = 0; x < n; ++x) {
        const uint64_t both = pair(x);
        const uint64_t alphas = uint64_t(kPixelAlphaMask) * 0x100000001u;
        padded[r + 1 + x] = (both & alphas) == alphas ? both
                                                       : uint64_t(OpaquePixel(rowA[x])) | uint64_t(OpaquePixel(rowB[x])) << 32;
      }
    } else {
      for (int64_t x = 0; x < n; ++x) padded[r + 1 + x] = pair(x);
    }
    const uint64_t firstPair = padded[r + 1], lastPair = padded[r + n];
    for (int64_t j = 0; j <= r; ++j) padded[j] = firstPair;
    for (int64_t j = r + 1 + n; j < n + 2 * r + 1; ++j) padded[j] = lastPair;
    Lanes16 sum = {};
    for (int64_t j = 0; j < 2 * r + 1; ++j) sum += WidenPixelPair(padded[j]);
    uint32_t* outA = stage.ringRow(a);
    uint32_t* outB = stage.ringRow(b);
    const ShortBoxDivisor divide = stage.box.divide;
    const uint64_t opaque = uint64_t(kPixelAlphaMask) * 0x100000001u;
    for (int64_t x = 0; x < n; ++x) {
      sum += WidenPixelPair(padded[x + 2 * r + 1]) - WidenPixelPair(padded[x]);
      const uint64_t averages = NarrowPixelPair(divide(sum)) | opaque;
      outA[x] = uint32_t(averages);
      outB[x] = uint32_t(averages >> 32);
    }
    stage.nextH = b + 1;
  }

  // Box k's vertical pass over its next row, into `target` or its own
  // output rows.
  void produce(int64_t k, uint32_t* target) {
    Stage& stage = m_stages[size_t(k)];
    const int64_t y = stage.nextV, r = stage.box.r;
    const int64_t entering = std::min(y + r, m_height - 1);
    while (stage.nextH <= entering) horizontal(k);
    uint32_t* out = target ? target : stage.out.data() + (y % 2) * m_width;
    if (!stage.started) {
      // The first row's window, clamped at the top.
      stage.started = true;
      std::fill(stage.sums.begin(), stage.sums.end(), Lanes16{});
      for (int64_t i = -r; i < r; ++i)
        columnStep<false, false>(stage, stage.ringRow(std::clamp<int64_t>(y + i, 0, m_height - 1)), nullptr, nullptr);
      columnStep<false, true>(stage, stage.ringRow(entering), nullptr, out);
    } else {
      columnStep<true, true>(stage, stage.ringRow(entering), stage.ringRow(std::max<int64_t>(y - r - 1, 0)), out);
    }
    stage.nextV = y + 1;
  }

  // Adds a row to the column sums, less another when Remove, and writes
  // the averages when Write.
  template <bool Remove, bool Write>
  void columnStep(Stage& stage, const uint32_t* adding, const uint32_t* removing, uint32_t* out) const {
    Lanes16* sums = stage.sums.data();
    const ShortBoxDivisor divide = stage.box.divide;  // a copy the stores below cannot alias
    int64_t x = 0;
    for (; x + 4 <= m_width; x += 4, sums += 2) {
      const WidePixels in = WidenPixels(adding + x);
      Lanes16 low = sums[0] + in.low, high = sums[1] + in.high;
      if constexpr (Remove) {
        const WidePixels gone = WidenPixels(removing + x);
        low -= gone.low;
        high -= gone.high;
      }
      sums[0] = low;
      sums[1] = high;
      if constexpr (Write) StoreNarrowed(out + x, divide(low), divide(high));
    }
    for (; x < m_width; ++x, ++sums) {
      Lanes16 sum = sums[0] + WidenPixelPair(adding[x]);
      if constexpr (Remove) sum -= WidenPixelPair(removing[x]);
      sums[0] = sum;
      if constexpr (Write) out[x] = uint32_t(NarrowPixelPair(divide(sum))) | kPixelAlphaMask;
    }
  }

  const PixelBitmap& m_bitmap;
  const int64_t m_width;
  const int64_t m_height;
  const int64_t m_first;
  const int64_t m_end;
  std::vector<Stage> m_stages;
  std::vector<uint64_t> m_padded;
  int64_t m_aboveFirst = 0;
  int64_t m_belowEnd = 0;
  std::vector<uint32_t> m_above;
  std::vector<uint32_t> m_below;
};

// The streaming blur of the whole bitmap by the boxes of non-zero radius;
// false, with nothing changed, when a box is too wide for 16-bit sums or
// the memory cannot be had.
bool StreamBoxBlur(const PixelBitmap& bitmap, const int64_t (&radii)[3]) {
  std::vector<StreamBand::Box> boxes;
  int64_t reach = 0;
  for (const int64_t r : radii) {
    if (r <= 0) continue;
    StreamBand::Box box;
    box.r = r;
    box.divide = ShortBoxDivisor(uint32_t(std::min<int64_t>(2 * r + 1, 0xFFFF)));
    if (r > kMaxBoxRadius || !box.divide.valid()) return false;
    boxes.push_back(box);
    reach += r;
  }
  if (boxes.empty()) return false;
  const int64_t height = bitmap.height;
  const int64_t parts = PixelLoopParts(height, std::max(kMinStreamRows, kStreamRowsPerReach * reach), 2);
  std::vector<std::unique_ptr<StreamBand>> bands;
  try {
    for (int64_t part = 0; part < parts; ++part)
      bands.push_back(std::make_unique<StreamBand>(bitmap, boxes, RowRangeStart(height, parts, part),
                                                   RowRangeStart(height, parts, part + 1)));
  } catch (const std::bad_alloc&) {
    return false;
  }
  for (auto& band : bands) band->keepNeighbours();
  ForEachRowRange(parts, parts, [&](int64_t first, int64_t end) {
    for (int64_t part = first; part < end; ++part) bands[size_t(part)]->run();
  });
  return true;
}

// Every pixel made opaque, as a box of radius 0 leaves it.
void MakeOpaque(const PixelBitmap& bitmap) {
  for (int64_t y = 0; y < bitmap.height; ++y)
    for (uint32_t *pixel = bitmap.row(y), *end = pixel + bitmap.width; pixel != end; ++pixel)
      *pixel = OpaquePixel(*pixel);
}

// Whether any radius is not 0; boxes of radius 0 change nothing once a
// wider box has made the pixels opaque, and are left out.
bool AnyRadius(const int64_t (&radii)[3]) {
  return std::any_of(std::begin(radii), std::end(radii), [](int64_t r) { return r > 0; });
}

}  // namespace

void BoxBlur(const PixelBitmap& source, const PixelBitmap& scratch, const BoxSizes& sizes) {
  const int64_t width = source.width, height = source.height;
  if (source.isNull() || scratch.isNull() || width <= 0 || height <= 0 || scratch.width < width ||
      scratch.height < height)
    return;
  if (!AnyRadius(sizes.boxSizes)) {
    MakeOpaque(source);
    return;
  }
  if (width * height >= kMinStreamPixels && StreamBoxBlur(source, sizes.boxSizes)) return;
  int64_t radii[3] = {};
  for (int i = 0, k = 0; i < 3; ++i)
    if (sizes.boxSizes[i] > 0) radii[k++] = sizes.boxSizes[i];
  BoxBlurByPasses(source, scratch, radii);
}

bool Blur(const PixelBitmap& bitmap, double strength) {
  const BoxSizes sizes = BlurRadius(strength);
  if (sizes.maxBoxSize == 0 || bitmap.isNull()) return false;
  if (int64_t(bitmap.width) * bitmap.height >= kMinStreamPixels && StreamBoxBlur(bitmap, sizes.boxSizes)) return true;
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
