#include "pixmap/CSPixmap.h"

#include <QPainter>
#include <cstring>
#if defined(__linux__)
#include <sys/mman.h>
#endif

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

}  // namespace

bool CSPixmap::OwnedBitmap::make(int width, int height) {
  release();
  uchar* buffer = nullptr;
  QImage made = CreateQuartzBitmap(width, height, &buffer);
  if (made.isNull()) return false;
  PreferHugePages(buffer, size_t(made.bytesPerLine()) * size_t(height));
  image = std::move(made);
  memory = buffer;
  return true;
}

void CSPixmap::OwnedBitmap::release() {
  image = QImage();
  FreeMemory(memory);
  memory = nullptr;
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

std::unique_ptr<CSPixmap> CSPixmap::create(int width, int height) {
  if (width < 1 || height < 1 || width > kMaxPixmapSide || height > kMaxPixmapSide ||
      int64_t(width) * height > kMaxPixmapPixels)
    return nullptr;
  std::unique_ptr<CSPixmap> pixmap(new CSPixmap);
  if (!pixmap->m_bitmap.make(width, height)) return nullptr;
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
  auto pixmap = create(m_width, m_height);
  if (pixmap) pixmap->copyPixelsFromBitmap(bitmap());
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
