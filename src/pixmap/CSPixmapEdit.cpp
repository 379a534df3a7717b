// The editing operations of a pixmap: strokes and fills, the operations on
// the pixels a selection mask picks, colour replacement, flips, rotations,
// resizing, cropping and trimming, adding and removing transparency, and
// merging another bitmap.
#include <QCoreApplication>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <new>
#include <vector>

#include "pixmap/CSPixmap.h"
#include "pixmap/PixelVectors.h"
#include "platform/NotificationCenter.h"
#include "support/Bitmaps.h"
#include "support/CSCore.h"
#include "support/SaturatingCast.h"

namespace {

// Origins beyond this distance place a mask or a merged bitmap wholly off
// any pixmap; clamping them keeps the offset arithmetic far from overflow.
constexpr int64_t kMaxOriginOffset = int64_t(1) << 32;

int64_t TruncatedOffset(double value) {
  return std::clamp(SaturatingCast<int64_t>(value), -kMaxOriginOffset, kMaxOriginOffset);
}

// The room a colour list starts with.
constexpr uint64_t kColorListAllocation = 1000;

// Calls visit(pixel, row) for every pixel the set-up iterator selects, in
// row order, until visit answers false. The same walk as NextMaskedPixel,
// a row at a time, so that the unmasked case is a plain loop.
template <typename Visit>
void WalkSelected(const MaskIterator& it, Visit visit) {
  uint8_t* row = it.rowStart;
  uint8_t* maskRow = it.maskRow;
  for (int64_t y = it.y; y < it.endRow; ++y, row += it.bytesPerRow) {
    uint32_t* pixel = reinterpret_cast<uint32_t*>(row) + it.firstColumn;
    uint32_t* const end = pixel + (it.endColumn - it.firstColumn);
    if (maskRow) {
      const uint32_t* mask = reinterpret_cast<const uint32_t*>(maskRow) + it.firstMaskColumn;
      for (; pixel != end; ++pixel, ++mask)
        if (*mask && !visit(pixel, y)) return;
      maskRow += it.maskBytesPerRow;
    } else {
      for (; pixel != end; ++pixel)
        if (!visit(pixel, y)) return;
    }
  }
}

// A set of non-zero pixel words, open addressing in a table at most half
// full: a few bytes a colour where a photograph may hold millions.
class WordSet {
 public:
  enum Insertion { kPresent, kAdded, kNoMemory };
  Insertion insert(uint32_t word) {
    if ((m_count + 1) * 2 > m_table.size() && !grow()) return kNoMemory;
    if (!place(m_table, word)) return kPresent;
    ++m_count;
    return kAdded;
  }

 private:
  static size_t slot(uint32_t word, size_t mask) { return size_t((word * 0x9E3779B1u) >> 7) & mask; }
  // Puts the word into the table; false when it is there already.
  static bool place(std::vector<uint32_t>& table, uint32_t word) {
    const size_t mask = table.size() - 1;
    for (size_t i = slot(word, mask);; i = (i + 1) & mask) {
      if (table[i] == word) return false;
      if (table[i] == 0) {
        table[i] = word;
        return true;
      }
    }
  }
  bool grow() {
    std::vector<uint32_t> larger;
    try {
      larger.assign(std::max<size_t>(m_table.size() * 2, 1024), 0);
    } catch (const std::bad_alloc&) {
      return false;
    }
    for (uint32_t word : m_table)
      if (word) place(larger, word);
    m_table.swap(larger);
    return true;
  }

  std::vector<uint32_t> m_table;  // 0 marks an empty slot
  size_t m_count = 0;
};

// Whether a pixel matches one of a list of colours, as the first non-zero
// answer of PixelMatches over the list would say. Any match gives the same
// new pixel, so only whether one matches counts: a transparent pixel
// matches at a negative tolerance or when a list entry is transparent; any
// other pixel by its red, green and blue bytes against the entries that are
// not transparent, which at tolerance 0 is a look-up in a set of them.
class ColorMatcher {
 public:
  ColorMatcher(const uint32_t* colors, uint64_t count, int tolerance) : m_tolerance(tolerance) {
    for (uint64_t i = 0; i < count; ++i) {
      if (PixelAlpha(colors[i]) == 0)
        m_transparentMatches = true;
      else
        m_colors.push_back(colors[i] & kPixelColorMask);
    }
    if (tolerance < 0) m_transparentMatches = true;
    std::sort(m_colors.begin(), m_colors.end());
    m_colors.erase(std::unique(m_colors.begin(), m_colors.end()), m_colors.end());
    if (tolerance < 1 && m_colors.size() > kLargeList) {
      m_bits = static_cast<uint64_t*>(AllocateAndClearMemory((kPixelColorMask + 1) / 8));
      if (m_bits)
        for (uint32_t color : m_colors) m_bits[color >> 6] |= uint64_t(1) << (color & 63);
    }
    m_difference = int(std::min<int64_t>((int64_t(tolerance) + 1) / 2, 256));
  }
  ~ColorMatcher() { FreeMemory(m_bits); }
  ColorMatcher(const ColorMatcher&) = delete;
  ColorMatcher& operator=(const ColorMatcher&) = delete;

  bool matches(uint32_t pixel) {
    if (PixelAlpha(pixel) == 0) return m_transparentMatches;
    const uint32_t color = pixel & kPixelColorMask;
    if (m_tolerance < 1) return contains(color);
    if (m_colors.size() <= kShortList) return near(color);
    // Neighbours often share a colour: a long list is searched once for a
    // run of them.
    if (color != m_lastColor) {
      m_lastColor = color;
      m_lastAnswer = near(color);
    }
    return m_lastAnswer;
  }

 private:
  // Above this many colours a bit for each of the 2^24 colours is quicker
  // than a search.
  static constexpr size_t kLargeList = 64;
  // Up to this many colours the comparisons cost less than remembering.
  static constexpr size_t kShortList = 4;

  bool contains(uint32_t color) const {
    if (m_bits) return (m_bits[color >> 6] >> (color & 63)) & 1;
    return std::binary_search(m_colors.begin(), m_colors.end(), color);
  }
  bool near(uint32_t color) const {
    const int d = m_difference;
    auto close = [d](uint32_t a, uint32_t b) { return int(uint32_t(int(a) - int(b) + d) <= uint32_t(2 * d)); };
    for (uint32_t entry : m_colors)
      if (close(PixelRed(color), PixelRed(entry)) & close(PixelGreen(color), PixelGreen(entry)) &
          close(PixelBlue(color), PixelBlue(entry)))
        return true;
    return false;
  }

  const int m_tolerance;
  int m_difference = 0;
  bool m_transparentMatches = false;
  std::vector<uint32_t> m_colors;      // red, green and blue of the visible entries, sorted
  uint64_t* m_bits = nullptr;          // the same as a bit set, for long lists at tolerance 0
  uint32_t m_lastColor = 0xFFFFFFFFu;  // never a colour: its alpha byte is set
  bool m_lastAnswer = false;
};

// Posts a replacement's progress on the main thread, after the worker has
// moved on: the call is queued, carrying the pixmap only as the
// notification's object. Without an application there is no main loop to
// wait for, and it posts at once. Kept out of line (it runs once a row): a
// frame of its own lets the thread checker tell what it hands over.
[[gnu::noinline]] void PostReplaceProgress(void* pixmap, int64_t count, int64_t total) {
  QVariantMap info;
  info.insert(QStringLiteral("count"), qint64(count));
  info.insert(QStringLiteral("total"), qint64(total));
  auto post = [pixmap, info] {
    NotificationCenter::defaultCenter().post(CSPixmap::pixmapReplaceNotification(), pixmap, info);
  };
  QCoreApplication* application = QCoreApplication::instance();
  if (!application) {
    post();
    return;
  }
  QMetaObject::invokeMethod(application, std::move(post), Qt::QueuedConnection);
}

// One colour step of a component whose largest value is `cap` (the
// pixel's alpha): up by 5/4 or down by 4/5, |count| times, stopping at 0,
// at the cap or where a step no longer changes it.
uint32_t StepComponent(uint32_t c, int count, uint32_t cap) {
  if (count == 0 || c == 0 || c == cap) return c;
  const int64_t steps = count < 0 ? -int64_t(count) : int64_t(count);
  for (int64_t i = 0; i < steps; ++i) {
    const uint32_t next = count > 0 ? std::min(cap, c * 5 / 4) : c * 4 / 5;
    if (next == c) break;
    c = next;
    if (c == 0 || c == cap) break;
  }
  return c;
}

// ---- Row moves for flips and turns ----

// Mirrors a row in place.
void ReverseRow(uint32_t* row, int64_t width) {
  int64_t low = 0, high = width;
  for (; high - low >= 2 * kPixelLaneCount; low += kPixelLaneCount, high -= kPixelLaneCount) {
    const PixelLanes left = LoadLanes(row + low), right = LoadLanes(row + high - kPixelLaneCount);
    StoreLanes(row + low, ReversedLanes(right));
    StoreLanes(row + high - kPixelLaneCount, ReversedLanes(left));
  }
  std::reverse(row + low, row + high);
}

// Exchanges two different rows.
void SwapRows(uint32_t* a, uint32_t* b, int64_t width) {
  int64_t x = 0;
  for (; x + kPixelLaneCount <= width; x += kPixelLaneCount) {
    const PixelLanes first = LoadLanes(a + x), second = LoadLanes(b + x);
    StoreLanes(a + x, second);
    StoreLanes(b + x, first);
  }
  for (; x < width; ++x) std::swap(a[x], b[x]);
}

// Exchanges two different rows, each mirrored: a[x] and b[width - 1 - x]
// trade places.
void SwapRowsReversed(uint32_t* a, uint32_t* b, int64_t width) {
  int64_t x = 0;
  for (; x + kPixelLaneCount <= width; x += kPixelLaneCount) {
    uint32_t* mirror = b + width - kPixelLaneCount - x;
    const PixelLanes first = LoadLanes(a + x), second = LoadLanes(mirror);
    StoreLanes(a + x, ReversedLanes(second));
    StoreLanes(mirror, ReversedLanes(first));
  }
  for (; x < width; ++x) std::swap(a[x], b[width - 1 - x]);
}

// Turns the source clockwise by 90 or 270 degrees into the destination,
// whose sides are the source's exchanged. Blocks of 4 x 4 pixels are
// transposed in registers; 16 source rows are taken at a time, so that each
// destination row gets a whole cache line of them at once.
template <int Degrees>
void TurnPixels(const PixelBitmap& in, const PixelBitmap& out) {
  const int64_t w = in.width, h = in.height;
  // Where source pixel (x, y) goes.
  auto target = [&](int64_t x, int64_t y) { return Degrees == 90 ? out.pixelAt(h - 1 - y, x) : out.pixelAt(y, w - 1 - x); };
  constexpr int64_t kBand = 4 * kPixelLaneCount;
  const int64_t bandEnd = h - h % kBand, blockEnd = w - w % kPixelLaneCount;
  for (int64_t top = 0; top < bandEnd; top += kBand) {
    for (int64_t x = 0; x < blockEnd; x += kPixelLaneCount) {
      for (int64_t y = top; y < top + kBand; y += kPixelLaneCount) {
        PixelLanes r0 = LoadLanes(in.row(y) + x), r1 = LoadLanes(in.row(y + 1) + x);
        PixelLanes r2 = LoadLanes(in.row(y + 2) + x), r3 = LoadLanes(in.row(y + 3) + x);
        if constexpr (Degrees == 90) {
          // Destination row x + k runs from source row y + 3 up to row y.
          TransposeLanes(r3, r2, r1, r0);
          const int64_t column = h - kPixelLaneCount - y;
          StoreLanes(out.row(x) + column, r3);
          StoreLanes(out.row(x + 1) + column, r2);
          StoreLanes(out.row(x + 2) + column, r1);
          StoreLanes(out.row(x + 3) + column, r0);
        } else {
          // Destination row w - 1 - (x + k) runs from source row y down.
          TransposeLanes(r0, r1, r2, r3);
          StoreLanes(out.row(w - 1 - x) + y, r0);
          StoreLanes(out.row(w - 2 - x) + y, r1);
          StoreLanes(out.row(w - 3 - x) + y, r2);
          StoreLanes(out.row(w - 4 - x) + y, r3);
        }
      }
    }
    for (int64_t y = top; y < top + kBand; ++y)
      for (int64_t x = blockEnd; x < w; ++x) *target(x, y) = in.row(y)[x];
  }
  for (int64_t y = bandEnd; y < h; ++y)
    for (int64_t x = 0; x < w; ++x) *target(x, y) = in.row(y)[x];
}

}  // namespace

// ---- Strokes and fill ---------------------------------------------------------------

bool CSPixmap::drawWithBrush(BrushShape shape, int64_t size, QPointF from, QPointF to, Kolor kolor) {
  const PixelBitmap own = bitmap();
  BrushContext brush;
  brush.data = own.data;
  brush.bytesPerRow = own.bytesPerRow;
  brush.lastColumn = own.width - 1;
  brush.lastRow = own.height - 1;
  brush.shape = shape;
  brush.smudgeBuffer = smudgeBitmap();
  brush.blurBuffer = blurBitmap();
  // A blur or smudge stroke works on colour with the round stamp.
  if (!brush.smudgeBuffer.isNull()) {
    brush.pixmapMode = kPixmapModeColor;
    brush.shape = kBrushRound;
  } else {
    brush.pixmapMode = m_pixmapMode;
  }
  if (brush.pixmapMode == kPixmapModeMask) {
    brush.paintValue = AlphaFromKolor(kolor);
    brush.paintAlpha = brush.paintValue;
  } else {
    brush.paintValue = PixelFromKolor(kolor);
    brush.paintAlpha = PixelAlpha(brush.paintValue);
  }
  if (size < 0) {
    brush.sizeExponent = 1;
    brush.explicitSize = size == INT64_MIN ? INT64_MAX : -size;
    brush.shape = kBrushSquare;
  } else {
    brush.sizeExponent = uint64_t(size);
    if (size <= 1 && (brush.shape == kBrushRound || brush.shape == kBrushDiamond || brush.shape == kBrushOval))
      brush.shape = kBrushSquare;
  }
  brush.strength = m_smudgeStrength;
  brush.smudgeSize = m_smudgeSize;

  DrawBrushStroke(&brush, from.x(), from.y(), to.x(), to.y());

  if (brush.pixmapMode == kPixmapModeMask && brush.changed && brush.paintValue != 255 && !(m_alphaSet && m_hasAlpha)) {
    setAlpha(true);
    return true;
  }
  if (brush.alphaChanged) m_alphaSet = false;
  return brush.changed;
}

bool CSPixmap::drawWithPencil(QPointF from, QPointF to, Kolor kolor) {
  return drawWithBrush(kBrushSquare, 0, from, to, kolor);
}

bool CSPixmap::floodPixelsWithKolor(Kolor kolor, int tolerance, QPointF point, CSPixmap* second) {
  const int64_t x = SaturatingCast<int64_t>(point.x()), y = SaturatingCast<int64_t>(point.y());
  uint32_t target = 0;
  if (!getPixelColor(&target, x, y)) return false;
  PixelBitmap secondBits;
  if (second && second != this && m_pixmapMode != kPixmapModeMask && m_pixmapMode != kPixmapModeKeepAlpha)
    secondBits = second->bitmap();
  bool alphaChanged = false;
  const bool changed = FloodBitmap(bitmap(), target, PixelFromKolor(kolor), tolerance, x, y, m_pixmapMode,
                                   secondBits.isNull() ? nullptr : &secondBits, &alphaChanged);
  if (alphaChanged) {
    m_alphaSet = false;
    if (!secondBits.isNull()) second->m_alphaSet = false;
  }
  return changed;
}

// ---- Masked operations ----------------------------------------------------------------

bool CSPixmap::setupMaskParams(MaskIterator* it, const CSPixmap* mask, QPointF origin, bool countPixels) const {
  *it = MaskIterator();
  const PixelBitmap own = bitmap();
  it->bytesPerRow = own.bytesPerRow;
  int64_t firstColumn = 0, firstRow = 0, endColumn = own.width, endRow = own.height;
  int64_t maskColumn = 0, maskRow = 0;
  PixelBitmap maskBits;
  if (mask) {
    maskBits = mask->bitmap();
    const int64_t ox = TruncatedOffset(origin.x()), oy = TruncatedOffset(origin.y());
    endColumn = std::max<int64_t>(0, std::min<int64_t>(maskBits.width + ox, own.width));
    endRow = std::max<int64_t>(0, std::min<int64_t>(maskBits.height + oy, own.height));
    firstColumn = std::max<int64_t>(0, std::min(ox, endColumn));
    firstRow = std::max<int64_t>(0, std::min(oy, endRow));
    maskColumn = ox < 0 ? -ox : 0;
    maskRow = oy < 0 ? -oy : 0;
  }
  if (firstColumn >= endColumn || firstRow >= endRow || own.isNull() || (mask && maskBits.isNull())) {
    // Nothing to walk: the iterator stops at once and points nowhere.
    it->x = it->firstColumn = it->endColumn = firstColumn;
    it->y = it->endRow = firstRow;
    return false;
  }
  it->rowStart = own.data + firstRow * own.bytesPerRow;
  it->pixel = reinterpret_cast<uint32_t*>(it->rowStart) + firstColumn;
  it->x = firstColumn;
  it->y = firstRow;
  it->firstColumn = firstColumn;
  it->endColumn = endColumn;
  it->endRow = endRow;
  if (mask) {
    it->maskRow = maskBits.data + maskRow * maskBits.bytesPerRow;
    it->mask = reinterpret_cast<uint32_t*>(it->maskRow) + maskColumn;
    it->maskBytesPerRow = maskBits.bytesPerRow;
    it->firstMaskColumn = maskColumn;
  }
  if (countPixels) {
    if (mask) {
      int64_t count = 0;
      WalkSelected(*it, [&count](uint32_t*, int64_t) {
        ++count;
        return true;
      });
      it->count = count;
    } else {
      it->count = int64_t(own.width) * own.height;
    }
  }
  return true;
}

void CSPixmap::convertToGray(const CSPixmap* mask, QPointF origin) {
  MaskIterator it;
  if (!setupMaskParams(&it, mask, origin, false)) return;
  WalkSelected(it, [](uint32_t* pixel, int64_t) {
    const uint32_t p = *pixel;
    if (PixelAlpha(p) != 0 && p != kOpaqueWhitePixel && p != kOpaqueBlackPixel)
      *pixel = PixelFromKolor(GrayscaleKolorCIE(KolorFromPixel(p)));
    return true;
  });
}

void CSPixmap::convertToMonochrome(bool black, const CSPixmap* mask, QPointF origin) {
  MaskIterator it;
  if (!setupMaskParams(&it, mask, origin, false)) return;
  const uint32_t paint = black ? kOpaqueBlackPixel : kOpaqueWhitePixel;
  bool changed = false;
  WalkSelected(it, [&](uint32_t* pixel, int64_t) {
    const uint32_t p = *pixel;
    if (PixelAlpha(p) != 0 && p != kOpaqueWhitePixel && p != kOpaqueBlackPixel) {
      *pixel = paint;
      changed = true;
    }
    return true;
  });
  // Translucent pixels became opaque.
  if (changed) m_alphaSet = false;
}

void CSPixmap::fillWithKolor(Kolor kolor, const CSPixmap* mask, QPointF origin) {
  MaskIterator it;
  const bool any = setupMaskParams(&it, mask, origin, false);
  if (m_pixmapMode == kPixmapModeMask) {
    const uint32_t alpha = AlphaFromKolor(kolor);
    bool visited = false;
    if (any)
      WalkSelected(it, [&](uint32_t* pixel, int64_t) {
        ChangePixelAlpha(pixel, alpha);
        visited = true;
        return true;
      });
    if (visited) {
      if (alpha != 255)
        setAlpha(true);
      else
        m_alphaSet = false;
    }
    return;
  }
  const uint32_t paint = PixelFromKolor(kolor);
  if (any) {
    if (m_pixmapMode == kPixmapModeKeepAlpha)
      WalkSelected(it, [paint](uint32_t* pixel, int64_t) {
        uint32_t next = paint;
        ChangePixelAlpha(&next, PixelAlpha(*pixel));
        *pixel = next;
        return true;
      });
    else
      WalkSelected(it, [paint](uint32_t* pixel, int64_t) {
        *pixel = paint;
        return true;
      });
  }
  m_alphaSet = false;
}

void CSPixmap::invertColors(const CSPixmap* mask, QPointF origin) {
  MaskIterator it;
  if (!setupMaskParams(&it, mask, origin, false)) return;
  if (m_pixmapMode == kPixmapModeMask) {
    bool changed = false;
    WalkSelected(it, [&changed](uint32_t* pixel, int64_t) {
      changed |= ChangePixelAlpha(pixel, 255 - PixelAlpha(*pixel));
      return true;
    });
    if (changed) m_alphaSet = false;
    return;
  }
  // Each component is taken from its alpha rather than from 255, so that a
  // premultiplied component never exceeds the pixel's alpha.
  WalkSelected(it, [](uint32_t* pixel, int64_t) {
    const uint32_t p = *pixel;
    const uint32_t alpha = PixelAlpha(p);
    if (alpha == 0) return true;
    auto invert = [alpha](uint32_t c) { return c < alpha ? alpha - c : 0; };
    *pixel = MakePixel(invert(PixelRed(p)), invert(PixelGreen(p)), invert(PixelBlue(p)), alpha);
    return true;
  });
}

void CSPixmap::increaseRed(int red, int green, int blue, const CSPixmap* mask, QPointF origin) {
  if (red == 0 && green == 0 && blue == 0) return;
  MaskIterator it;
  if (!setupMaskParams(&it, mask, origin, false)) return;
  WalkSelected(it, [red, green, blue](uint32_t* pixel, int64_t) {
    const uint32_t p = *pixel;
    const uint32_t alpha = PixelAlpha(p);
    if (alpha == 0) return true;
    *pixel = MakePixel(StepComponent(PixelRed(p), red, alpha), StepComponent(PixelGreen(p), green, alpha),
                       StepComponent(PixelBlue(p), blue, alpha), alpha);
    return true;
  });
}

// ---- Colour replacement ---------------------------------------------------------------

bool CSPixmap::replaceKolor(Kolor oldKolor, Kolor newKolor, int tolerance, const CSPixmap* mask, QPointF origin) {
  const uint32_t old = PixelFromKolor(oldKolor);
  return replaceColors(&old, 1, newKolor, tolerance, mask, origin, nullptr);
}

std::unique_ptr<CSArray> CSPixmap::createColorList(const CSPixmap* mask, QPointF origin) const {
  MaskIterator it;
  if (!setupMaskParams(&it, mask, origin, false)) return nullptr;
  auto list = CSArray::create(sizeof(uint32_t), kColorListAllocation);
  if (!list) return nullptr;
  // The set only answers "already listed?"; the list keeps the order.
  WordSet seen;
  uint32_t last = 0;
  bool complete = true;
  WalkSelected(it, [&](uint32_t* pixel, int64_t) {
    const uint32_t p = *pixel;
    if (p == 0 || p == last) return true;
    last = p;
    const WordSet::Insertion insertion = seen.insert(p);
    if (insertion == WordSet::kPresent) return true;
    complete = insertion == WordSet::kAdded && list->addEntry(&p) != kCSNotFound;
    return complete;
  });
  if (!complete) return nullptr;
  return list;
}

bool CSPixmap::replaceColorsFromMask(const CSPixmap* mask, QPointF origin, Kolor kolor, int tolerance,
                                     std::atomic<uint8_t>* cancelFlag) {
  const std::unique_ptr<CSArray> colors = createColorList(mask, origin);
  if (!colors || colors->count() == 0) return false;
  return replaceColors(static_cast<const uint32_t*>(colors->entryAtIndex(0)), colors->count(), kolor, tolerance,
                       nullptr, QPointF(), cancelFlag);
}

bool CSPixmap::replaceColors(const uint32_t* colors, uint64_t count, Kolor kolor, int tolerance, const CSPixmap* mask,
                             QPointF origin, std::atomic<uint8_t>* cancelFlag) {
  const uint32_t replacement = IsVisibleKolor(kolor) ? PixelFromKolor(kolor) : kTransparentPixel;
  const bool replacementTranslucent = PixelAlpha(replacement) < 255;
  MaskIterator it;
  const bool any = setupMaskParams(&it, mask, origin, cancelFlag != nullptr);
  bool replaced = false;
  bool sawAlpha = false;
  bool cancelled = false;
  if (any && colors && count > 0) {
    ColorMatcher matcher(colors, count, tolerance);
    const int64_t total = it.count;
    int64_t done = 0;
    int64_t reportedRow = -1;
    WalkSelected(it, [&](uint32_t* pixel, int64_t row) {
      if (cancelFlag) {
        if (cancelFlag->load(std::memory_order_relaxed)) {
          cancelled = true;
          return false;
        }
        if (row != reportedRow) {
          reportedRow = row;
          PostReplaceProgress(this, done, total);
        }
        ++done;
      }
      if (matcher.matches(*pixel)) {
        *pixel = replacement;
        replaced = true;
        sawAlpha |= replacementTranslucent;
      } else {
        sawAlpha |= PixelAlpha(*pixel) < 255;
      }
      return true;
    });
  } else if (any) {
    // Nothing can match; the walk still answers whether a pixel is
    // translucent.
    WalkSelected(it, [&](uint32_t* pixel, int64_t) {
      sawAlpha = PixelAlpha(*pixel) < 255;
      return !sawAlpha;
    });
  }
  // The alpha answer is known for certain only when a translucent pixel was
  // seen or every pixel was: a masked or cancelled walk leaves some out.
  if (sawAlpha)
    setAlpha(true);
  else if (any && !mask && !cancelled)
    setAlpha(false);
  else
    m_alphaSet = false;
  if (cancelFlag) PostReplaceProgress(this, 1, 1);
  return replaced;
}

void CSPixmap::reportReplaceProgress(const QVariantMap& info) {
  NotificationCenter::defaultCenter().post(pixmapReplaceNotification(), this, info);
}

// ---- Geometry -------------------------------------------------------------------------

void CSPixmap::flipHorizontal() {
  const PixelBitmap own = bitmap();
  for (int64_t y = 0; y < own.height; ++y) ReverseRow(own.row(y), own.width);
}

void CSPixmap::flipVertical() {
  const PixelBitmap own = bitmap();
  for (int64_t y = 0, other = own.height - 1; y < other; ++y, --other) SwapRows(own.row(y), own.row(other), own.width);
}

CSPixmap* CSPixmap::rotate(int degrees, std::unique_ptr<CSPixmap>* rotated) {
  const PixelBitmap own = bitmap();
  if (degrees == 180) {
    // Row y and row h - 1 - y trade places, each mirrored; the middle row of
    // an odd height is mirrored alone.
    for (int64_t y = 0, other = own.height - 1; y <= other; ++y, --other) {
      if (y == other)
        ReverseRow(own.row(y), own.width);
      else
        SwapRowsReversed(own.row(y), own.row(other), own.width);
    }
    return this;
  }
  if ((degrees != 90 && degrees != 270) || !rotated) return nullptr;
  // Every pixel of the turned copy is written below.
  auto turned = create(m_height, m_width, false);
  if (!turned) return nullptr;
  const PixelBitmap out = turned->bitmap();
  if (degrees == 90)
    TurnPixels<90>(own, out);
  else
    TurnPixels<270>(own, out);
  turned->m_alphaSet = m_alphaSet;
  turned->m_hasAlpha = m_hasAlpha;
  *rotated = std::move(turned);
  return rotated->get();
}

std::unique_ptr<CSPixmap> CSPixmap::createPixmapForSize(QSizeF size, bool center) const {
  const int64_t offset = center ? -1 : 0;
  return createPixmapForSize(size, offset, offset);
}

std::unique_ptr<CSPixmap> CSPixmap::createPixmapForSize(QSizeF size, int64_t xOffset, int64_t yOffset) const {
  auto resized = initWithSize(size);
  if (!resized) return nullptr;
  const PixelBitmap own = bitmap(), out = resized->bitmap();
  const int64_t w = own.width, h = own.height, w2 = out.width, h2 = out.height;
  // Where the copy goes along one side: centred when the new side is larger
  // by 2 or more, else at 0; a positive offset places it there.
  auto place = [](int64_t offset, int64_t side, int64_t newSide) -> int64_t {
    if (offset > 0) return std::min(offset, newSide);
    if (offset < 0 && side + 1 < newSide) return (newSide - side) / 2;
    return 0;
  };
  const int64_t left = place(xOffset, w, w2), top = place(yOffset, h, h2);
  const int64_t copyWidth = std::min(w, w2 - left), copyHeight = std::min(h, h2 - top);
  bool translucent = false;
  for (int64_t y = 0; y < copyHeight; ++y) {
    const uint32_t* source = own.row(y);
    uint32_t* destination = out.pixelAt(left, top + y);
    for (int64_t x = 0; x < copyWidth; ++x) {
      translucent |= PixelAlpha(source[x]) < 255;
      destination[x] = source[x];
    }
  }
  if (!translucent) {
    // An opaque picture gets opaque white margins.
    for (int64_t y = 0; y < h2; ++y) {
      uint32_t* row = out.row(y);
      if (y < top || y >= top + copyHeight) {
        std::fill_n(row, w2, kOpaqueWhitePixel);
        continue;
      }
      std::fill_n(row, left, kOpaqueWhitePixel);
      std::fill(row + left + std::max<int64_t>(copyWidth, 0), row + w2, kOpaqueWhitePixel);
    }
  }
  resized->setAlpha(translucent);
  return resized;
}

std::unique_ptr<CSPixmap> CSPixmap::createCroppedPixmap(uint64_t x, uint64_t y, uint64_t width, uint64_t height) const {
  // The rectangle is checked here whatever callers promise.
  if (width == 0 || height == 0 || x >= uint64_t(m_width) || y >= uint64_t(m_height) || width > uint64_t(m_width) - x ||
      height > uint64_t(m_height) - y)
    return nullptr;
  auto cropped = create(int(width), int(height));
  if (!cropped) return nullptr;
  const PixelBitmap own = bitmap(), out = cropped->bitmap();
  bool translucent = false;
  for (int64_t row = 0; row < int64_t(height); ++row) {
    const uint32_t* source = own.pixelAt(int64_t(x), int64_t(y) + row);
    uint32_t* destination = out.row(row);
    for (int64_t column = 0; column < int64_t(width); ++column) {
      translucent |= PixelAlpha(source[column]) < 255;
      destination[column] = source[column];
    }
  }
  cropped->setAlpha(translucent);
  return cropped;
}

std::unique_ptr<CSPixmap> CSPixmap::createShrunkenPixmap(QPointF* origin, bool shrinkWhite) const {
  const PixelBitmap own = bitmap();
  auto content = [shrinkWhite](uint32_t p) { return PixelAlpha(p) != 0 && !(shrinkWhite && p == kOpaqueWhitePixel); };
  auto rowHasContent = [&](int64_t y) { return std::any_of(own.row(y), own.row(y) + own.width, content); };
  int64_t top = 0;
  while (top < own.height && !rowHasContent(top)) ++top;
  if (top == own.height) {
    if (origin) *origin = QPointF(-1, -1);
    return nullptr;
  }
  int64_t bottom = own.height - 1;
  while (!rowHasContent(bottom)) --bottom;
  // Each row only needs looking at outside the columns found so far.
  int64_t left = own.width, right = -1;
  for (int64_t y = top; y <= bottom; ++y) {
    const uint32_t* row = own.row(y);
    for (int64_t x = 0; x < left; ++x)
      if (content(row[x])) {
        left = x;
        break;
      }
    for (int64_t x = own.width - 1; x > right; --x)
      if (content(row[x])) {
        right = x;
        break;
      }
  }
  if (origin) *origin = QPointF(double(left), double(top));
  if (left == 0 && top == 0 && right == own.width - 1 && bottom == own.height - 1) return nullptr;
  return createCroppedPixmap(uint64_t(left), uint64_t(top), uint64_t(right - left + 1), uint64_t(bottom - top + 1));
}

// ---- Transparency ---------------------------------------------------------------------

bool CSPixmap::addAlpha(bool interiorOpaque) {
  // The fill keeps the alpha answer right itself, and leaves it alone when
  // it changes nothing.
  if (interiorOpaque) return addAlphaWithOpaqueInterior();
  const PixelBitmap own = bitmap();
  bool cleared = false, translucent = false;
  for (int64_t y = 0; y < own.height; ++y)
    for (uint32_t *pixel = own.row(y), *end = pixel + own.width; pixel != end; ++pixel) {
      if (*pixel == kOpaqueWhitePixel) {
        *pixel = kTransparentPixel;
        cleared = true;
      } else {
        translucent |= PixelAlpha(*pixel) < 255;
      }
    }
  setAlpha(cleared || translucent);
  return cleared;
}

bool CSPixmap::addAlphaWithOpaqueInterior() {
  const PixelBitmap own = bitmap();
  // A transparent border around a copy lets the fill reach all the white
  // that touches the outside from one seed.
  uchar* memory = nullptr;
  QImage scratchImage = CreateQuartzBitmap(own.width + 2, own.height + 2, &memory);
  if (scratchImage.isNull()) return false;
  PixelBitmap scratch;
  scratch.data = memory;
  scratch.bytesPerRow = scratchImage.bytesPerLine();
  scratch.width = scratchImage.width();
  scratch.height = scratchImage.height();
  const size_t rowBytes = size_t(own.width) * sizeof(uint32_t);
  for (int64_t y = 0; y < own.height; ++y) std::memcpy(scratch.pixelAt(1, y + 1), own.row(y), rowBytes);
  bool alphaChanged = false;
  const bool changed =
      FloodBitmap(scratch, kOpaqueWhitePixel, kTransparentPixel, -1, 0, 0, kPixmapModeColor, nullptr, &alphaChanged);
  if (changed) {
    bool translucent = false;
    for (int64_t y = 0; y < own.height; ++y) {
      const uint32_t* source = scratch.pixelAt(1, y + 1);
      std::memcpy(own.row(y), source, rowBytes);
      if (!translucent)
        translucent = std::any_of(source, source + own.width, [](uint32_t p) { return PixelAlpha(p) < 255; });
    }
    setAlpha(translucent);
  }
  scratchImage = QImage();
  FreeMemory(memory);
  return changed;
}

void CSPixmap::deleteAlpha() {
  if (!hasAlpha()) return;
  const PixelBitmap own = bitmap();
  for (int64_t y = 0; y < own.height; ++y)
    for (uint32_t *pixel = own.row(y), *end = pixel + own.width; pixel != end; ++pixel) ChangePixelAlpha(pixel, 255);
  setAlpha(false);
}

// ---- Merge ----------------------------------------------------------------------------

bool CSPixmap::mergeBitmap(const PixelBitmap& source, QPointF origin, PixmapBlendMode blendMode) {
  if (source.isNull() || source.width <= 0 || source.height <= 0) return false;
  const int64_t ox = TruncatedOffset(std::floor(float(origin.x())));
  const int64_t oy = TruncatedOffset(std::floor(float(origin.y())));
  const PixelBitmap own = bitmap();
  const int64_t startX = std::max<int64_t>(ox, 0), startY = std::max<int64_t>(oy, 0);
  const int64_t sourceX = ox < 0 ? -ox : 0, sourceY = oy < 0 ? -oy : 0;
  if (startX >= own.width || startY >= own.height) return false;
  const int64_t columns = std::min<int64_t>(own.width - startX, source.width - sourceX);
  const int64_t rows = std::min<int64_t>(own.height - startY, source.height - sourceY);
  if (columns <= 0 || rows <= 0) return false;
  bool applied = false;
  bool translucent = false;  // some pixel written is known not to be opaque
  bool madeOpaque = false;   // some pixel that was not opaque now is
  for (int64_t row = 0; row < rows; ++row) {
    const uint32_t* from = source.pixelAt(sourceX, sourceY + row);
    uint32_t* to = own.pixelAt(startX, startY + row);
    for (int64_t column = 0; column < columns; ++column) {
      const uint32_t s = from[column];
      const uint32_t sourceAlpha = PixelAlpha(s);
      if (sourceAlpha == 0 || (blendMode == kPixmapBlendOpaqueOnly && sourceAlpha < 255)) continue;
      uint32_t* d = to + column;
      applied = true;
      switch (m_pixmapMode) {
        case kPixmapModeMask: {
          const uint32_t alpha = AlphaFromPixel(s);
          madeOpaque |= alpha == 255 && PixelAlpha(*d) < 255;
          ChangePixelAlpha(d, alpha);
          translucent |= alpha < 255;
          break;
        }
        case kPixmapModeKeepAlpha: {
          uint32_t next = s;
          ChangePixelAlpha(&next, PixelAlpha(*d));
          *d = next;
          break;
        }
        default:
          if (sourceAlpha == 255) {
            madeOpaque |= PixelAlpha(*d) < 255;
            *d = s;
          } else if (blendMode == kPixmapBlendCopy || PixelAlpha(*d) == 0) {
            *d = s;
            translucent = true;
          } else {
            *d = BlendPixels(*d, s);
            translucent |= PixelAlpha(*d) < 255;
          }
          break;
      }
    }
  }
  if (translucent)
    setAlpha(true);
  else if (madeOpaque)
    m_alphaSet = false;
  return applied;
}
