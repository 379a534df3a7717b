#include "pixmap/CSPixmap.h"

#include <QPainter>
#include <algorithm>
#include <cstring>
#include <mutex>
#include <vector>
#if defined(__linux__)
#include <sys/mman.h>
#endif
#if defined(__has_feature)
#if __has_feature(address_sanitizer)
#define TWDRAW_ASAN 1
#endif
#endif
#if defined(__SANITIZE_ADDRESS__)
#define TWDRAW_ASAN 1
#endif
#if defined(TWDRAW_ASAN)
#include <sanitizer/asan_interface.h>
#else
#define ASAN_POISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#define ASAN_UNPOISON_MEMORY_REGION(address, size) ((void)(address), (void)(size))
#endif

#include "pixmap/PixelThreads.h"
#include "support/Bitmaps.h"
#include "support/CSAssert.h"
#include "support/CSCore.h"
#include "support/SaturatingCast.h"

// ---- Owned bitmaps --------------------------------------------------------------

namespace {

// Large bitmaps are mostly written whole soon after they are made (a mask,
// a zoomed picture, a turned copy): huge pages save a page fault for every
// 4 KB, which costs more than the writing. Untouched memory still reads as
// zero, so nothing else changes.
constexpr size_t kHugePageBytes = size_t(2) << 20;
// The bytes a part of a split copy is worth.
constexpr int64_t kCopyBytesPerPart = int64_t(8) << 20;

void PreferHugePages(uchar* memory, size_t bytes) {
#if defined(__linux__) && defined(MADV_HUGEPAGE)
  if (bytes < 4 * kHugePageBytes) return;
  const uintptr_t start = (reinterpret_cast<uintptr_t>(memory) + kHugePageBytes - 1) & ~(kHugePageBytes - 1);
  const uintptr_t end = (reinterpret_cast<uintptr_t>(memory) + bytes) & ~(kHugePageBytes - 1);
  if (end > start) madvise(reinterpret_cast<void*>(start), end - start, MADV_HUGEPAGE);
#else
  (void)memory;
  (void)bytes;
#endif
}

// Large bitmaps come and go in pairs of one size (a mask or zoomed picture
// made anew while the last is still shown, a copy for a worker): the memory
// of a freed one is kept for the next of the same size, so that neither the
// allocation nor the first write to each page (a fault, and possibly a
// compaction for a huge page) is paid again. A few blocks at most, and a
// cap on the memory held.
constexpr size_t kRecycleMinBytes = size_t(4) << 20;
constexpr size_t kRecycleMaxHeldBytes = size_t(640) << 20;
constexpr size_t kRecycleMaxBlocks = 2;

struct RecycledBlock {
  uchar* memory;
  size_t bytes;
};

// Never destroyed: pixmaps held by other statics are freed at exit after
// any function-local static made later would be gone.
std::mutex& RecycleLock() {
  static auto* lock = new std::mutex;
  return *lock;
}

std::vector<RecycledBlock>& RecycledBlocks() {
  static auto* blocks = new std::vector<RecycledBlock>;
  return *blocks;
}

// A kept block of exactly that size, or null.
uchar* TakeRecycledBlock(size_t bytes) {
  if (bytes < kRecycleMinBytes) return nullptr;
  const std::lock_guard<std::mutex> guard(RecycleLock());
  std::vector<RecycledBlock>& blocks = RecycledBlocks();
  for (auto it = blocks.begin(); it != blocks.end(); ++it) {
    if (it->bytes != bytes) continue;
    uchar* memory = it->memory;
    blocks.erase(it);
    // A kept block is out of bounds for the address sanitizer until reused.
    ASAN_UNPOISON_MEMORY_REGION(memory, bytes);
    return memory;
  }
  return nullptr;
}

// Keeps the block for reuse, dropping the oldest kept ones to make room;
// false (the caller frees it) when it is too small or too large to keep.
bool KeepRecycledBlock(uchar* memory, size_t bytes) {
  if (!memory || bytes < kRecycleMinBytes || bytes > kRecycleMaxHeldBytes / kRecycleMaxBlocks) return false;
  std::vector<uchar*> dropped;
  {
    const std::lock_guard<std::mutex> guard(RecycleLock());
    std::vector<RecycledBlock>& blocks = RecycledBlocks();
    size_t held = bytes;
    for (const RecycledBlock& block : blocks) held += block.bytes;
    while (!blocks.empty() && (blocks.size() >= kRecycleMaxBlocks || held > kRecycleMaxHeldBytes)) {
      held -= blocks.front().bytes;
      ASAN_UNPOISON_MEMORY_REGION(blocks.front().memory, blocks.front().bytes);
      dropped.push_back(blocks.front().memory);
      blocks.erase(blocks.begin());
    }
    ASAN_POISON_MEMORY_REGION(memory, bytes);
    blocks.push_back({memory, bytes});
  }
  for (uchar* old : dropped) FreeMemory(old);
  return true;
}

}  // namespace

bool CSPixmap::OwnedBitmap::make(int width, int height, bool cleared) {
  release();
  const int64_t rowBytes = BitmapBytesPerRow(width);
  if (rowBytes > 0 && height > 0 && height <= kMaxBitmapSide && rowBytes * height <= kMaxBitmapBytes) {
    const size_t bytes = size_t(rowBytes) * size_t(height);
    if (uchar* reused = TakeRecycledBlock(bytes)) {
      QImage made(reused, width, height, qsizetype(rowBytes), QImage::Format_ARGB32_Premultiplied);
      if (made.isNull()) {
        FreeMemory(reused);
        return false;
      }
      if (cleared) std::memset(reused, 0, bytes);
      image = std::move(made);
      memory = reused;
      zeroed = cleared;
      return true;
    }
  }
  uchar* buffer = nullptr;
  QImage made = CreateQuartzBitmap(width, height, &buffer);
  if (made.isNull()) return false;
  PreferHugePages(buffer, size_t(made.bytesPerLine()) * size_t(height));
  image = std::move(made);
  memory = buffer;
  zeroed = true;
  return true;
}

void CSPixmap::OwnedBitmap::release() {
  const size_t bytes = memory ? size_t(image.bytesPerLine()) * size_t(image.height()) : 0;
  image = QImage();
  if (!KeepRecycledBlock(memory, bytes)) FreeMemory(memory);
  memory = nullptr;
  zeroed = false;
}

PixelBitmap CSPixmap::OwnedBitmap::pixels() const {
  if (!memory) return {};
  PixelBitmap bitmap;
  bitmap.data = memory;
  bitmap.bytesPerRow = image.bytesPerLine();
  bitmap.width = image.width();
  bitmap.height = image.height();
  return bitmap;
}

// ---- Creation -------------------------------------------------------------------

CSPixmap::~CSPixmap() {
  releaseStrokeBuffers();
}

std::unique_ptr<CSPixmap> CSPixmap::create(int width, int height, bool cleared) {
  if (width < 1 || height < 1 || width > kMaxPixmapSide || height > kMaxPixmapSide ||
      int64_t(width) * height > kMaxPixmapPixels)
    return nullptr;
  std::unique_ptr<CSPixmap> pixmap(new CSPixmap);
  if (!pixmap->m_bitmap.make(width, height, cleared)) return nullptr;
  pixmap->m_width = width;
  pixmap->m_height = height;
  return pixmap;
}

std::unique_ptr<CSPixmap> CSPixmap::initWithSize(QSizeF size) {
  return create(SaturatingCast<int>(size.width()), SaturatingCast<int>(size.height()));
}

template <typename Draw>
bool CSPixmap::drawIntoBitmap(Draw draw) {
  QPainter painter;
  if (!painter.begin(&m_bitmap.image)) return false;
  draw(painter);
  painter.end();
  // The painter must have drawn into our memory, not into a detached copy.
  return CS_SAFE_ASSERT(m_bitmap.image.constBits() == m_bitmap.memory);
}

std::unique_ptr<CSPixmap> CSPixmap::initWithImage(const CSImage& image) {
  if (image.isNull()) return nullptr;
  const QSizeF size = image.size();
  auto pixmap = initWithSize(size);
  if (!pixmap) return nullptr;
  const bool drawn = pixmap->drawIntoBitmap(
      [&](QPainter& painter) { image.drawInRectNormally(&painter, QRectF(QPointF(0, 0), size)); });
  if (!drawn) return nullptr;
  return pixmap;
}

std::unique_ptr<CSPixmap> CSPixmap::initWithQuartzImage(const QImage& image) {
  if (image.isNull()) return nullptr;
  auto pixmap = create(image.width(), image.height());
  if (!pixmap) return nullptr;
  const bool drawn = pixmap->drawIntoBitmap([&](QPainter& painter) {
    painter.setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter.drawImage(QRect(0, 0, image.width(), image.height()), image);
  });
  if (!drawn) return nullptr;
  return pixmap;
}

std::unique_ptr<CSPixmap> CSPixmap::copy() const {
  auto pixmap = create(m_width, m_height, false);
  if (!pixmap) return nullptr;
  // Every row is written; a large copy is split across the pool, which also
  // spreads the first writes to fresh memory.
  const PixelBitmap from = bitmap(), to = pixmap->bitmap();
  const size_t rowBytes = size_t(from.bytesPerRow);
  const int64_t rowsPerPart = std::max<int64_t>(1, kCopyBytesPerPart / int64_t(rowBytes));
  ForEachRowRange(from.height, PixelLoopParts(from.height, rowsPerPart), [&](int64_t first, int64_t end) {
    std::memcpy(to.row(first), from.row(first), rowBytes * size_t(end - first));
  });
  return pixmap;
}

void CSPixmap::copyPixelsFromBitmap(const PixelBitmap& source) {
  const PixelBitmap own = bitmap();
  if (source.isNull() || source.width != own.width || source.height != own.height ||
      source.bytesPerRow != own.bytesPerRow)
    return;
  if (source.data != own.data) std::memcpy(own.data, source.data, size_t(own.bytesPerRow) * size_t(own.height));
  m_alphaSet = false;
}

void CSPixmap::releaseStrokeBuffers() {
  m_smudgeBitmap.release();
  m_blurBitmap.release();
}

// ---- Images ---------------------------------------------------------------------

QImage CSPixmap::createCGImage() const {
  return m_bitmap.image.copy();
}

CSImage CSPixmap::createImage() const {
  const QImage pixels = createCGImage();
  if (pixels.isNull()) return {};
  return CSImage::initWithCGImage(pixels, size());
}

// ---- Pixels ---------------------------------------------------------------------

bool CSPixmap::getPixelColor(uint32_t* pixel, int64_t x, int64_t y) const {
  const PixelBitmap own = bitmap();
  if (!own.contains(x, y)) {
    if (pixel) *pixel = 0;
    return false;
  }
  uint32_t word = *own.pixelAt(x, y);
  if (m_pixmapMode == kPixmapModeMask) word = PixelFromAlpha(PixelAlpha(word));
  if (pixel) *pixel = word;
  return true;
}

Kolor CSPixmap::kolorAtPoint(QPointF point) const {
  uint32_t pixel = 0;
  if (!getPixelColor(&pixel, SaturatingCast<int64_t>(point.x()), SaturatingCast<int64_t>(point.y()))) return g_nilKolor;
  return KolorFromPixel(pixel);
}

void CSPixmap::setColor(Kolor kolor, QPointF point) {
  const PixelBitmap own = bitmap();
  const int64_t x = SaturatingCast<int64_t>(point.x()), y = SaturatingCast<int64_t>(point.y());
  if (!own.contains(x, y)) return;
  *own.pixelAt(x, y) = PixelFromKolor(kolor);
  // The pixel's opacity may differ from what the cache last saw.
  m_alphaSet = false;
}

bool CSPixmap::hasAlpha() const {
  if (m_alphaSet) return m_hasAlpha;
  m_alphaSet = true;
  m_hasAlpha = false;
  const PixelBitmap own = bitmap();
  for (int64_t y = 0; y < own.height; ++y) {
    const uint32_t* pixel = own.row(y);
    // One test a row: the alpha bytes of an opaque row AND to 0xFF.
    uint32_t all = kPixelAlphaMask;
    for (const uint32_t* end = pixel + own.width; pixel != end; ++pixel) all &= *pixel;
    if ((all & kPixelAlphaMask) != kPixelAlphaMask) {
      m_hasAlpha = true;
      break;
    }
  }
  return m_hasAlpha;
}

void CSPixmap::setAlpha(bool hasAlpha) {
  m_alphaSet = true;
  m_hasAlpha = hasAlpha;
}

int64_t CSPixmap::pixelCount() const {
  if (!hasAlpha()) return int64_t(m_width) * m_height;
  const PixelBitmap own = bitmap();
  int64_t count = 0;
  for (int64_t y = 0; y < own.height; ++y) {
    const uint32_t* pixel = own.row(y);
    for (const uint32_t* end = pixel + own.width; pixel != end; ++pixel) count += (*pixel & kPixelAlphaMask) != 0;
  }
  return count;
}
