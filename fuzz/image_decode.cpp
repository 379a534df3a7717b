// Image files and clipboard data: any bytes are detected, and decoded (Qt's
// readers, libheif) into an image or nil, within the pixel budget.
#include <QGuiApplication>
#include <QPainter>
#include <cstdlib>

#include "platform/HeifCodec.h"
#include "ImageFuzzSetup.h"
#include "support/CSImage.h"
#include "support/ImageFormat.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpImageFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  bool header = false;
  const ImageFormat format = ImageFormatFromBuffer(data, size, &header);
  if (format > kImageFormatQuickdraw || (header && format != kImageFormatQuickdraw)) std::abort();
  // PDF goes to Qt Pdf's engine, which has fuzzing of its own.
  if (format == kImageFormatPDF) return 0;

  const QImage heif = HeifDecodeImage(bytes, kFuzzPixelLimit);
  if (!heif.isNull() && int64_t(heif.width()) * heif.height() > kFuzzPixelLimit) std::abort();

  CSImage image = CSImage::initWithData(bytes);
  if (image.isNull()) return 0;
  const QSizeF own = image.size();
  if (own.width() <= 0 || own.height() <= 0 || own.width() * own.height() > double(kFuzzPixelLimit)) std::abort();
  for (const CSImageRep& rep : image.representations())
    if (rep.hasPixels() && int64_t(rep.bitmap.width()) * rep.bitmap.height() > kFuzzPixelLimit) std::abort();
  const QImage small = image.renderedBitmap(QSize(16, 12));
  if (small.size() != QSize(16, 12)) std::abort();
  const CSImage resized = image.newImageWithRequestedSize(QSizeF(7, 5));
  if (resized.size() != QSizeF(7, 5)) std::abort();
  return 0;
}
