#include "support/Bitmaps.h"

#include "support/CSCore.h"

int64_t BitmapBytesPerRow(int width) {
  if (width <= 0 || width > kMaxBitmapSide) return 0;
  return (int64_t(width) * 4 + 15) / 16 * 16;
}

QImage CreateQuartzBitmap(int width, int height, uchar** buffer) {
  if (buffer) *buffer = nullptr;
  const int64_t rowBytes = BitmapBytesPerRow(width);
  if (rowBytes == 0 || height <= 0 || height > kMaxBitmapSide) return QImage();
  const int64_t bytes = rowBytes * height;
  if (bytes > kMaxBitmapBytes) return QImage();
  auto* pixels = static_cast<uchar*>(AllocateAndClearMemory(uint64_t(bytes)));
  if (!pixels) return QImage();
  // Without a caller to hand the memory to, the image's last copy frees it.
  QImageCleanupFunction cleanup = nullptr;
  if (!buffer) cleanup = [](void* memory) { FreeMemory(memory); };
  QImage image(pixels, width, height, qsizetype(rowBytes), QImage::Format_ARGB32_Premultiplied, cleanup,
               buffer ? nullptr : pixels);
  if (image.isNull()) {
    // A refused image never took ownership, so the cleanup was not recorded.
    FreeMemory(pixels);
    return QImage();
  }
  if (buffer) *buffer = pixels;
  return image;
}
