// Archived images: any bytes decode into an image or nil (with the stream's
// status set), within the representation, byte and pixel caps.
#include <QDataStream>
#include <QGuiApplication>
#include <QIODevice>
#include <cmath>
#include <cstdlib>

#include "ImageFuzzSetup.h"
#include "support/CSImage.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpImageFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  QDataStream in(bytes);
  const CSImage image = CSImage::initWithCoder(in);
  if (image.isNull()) return 0;
  if (in.status() != QDataStream::Ok) std::abort();  // an image is only answered for good data
  if (image.representations().size() > kMaxImageRepresentations) std::abort();
  const QSizeF own = image.size();
  if (!std::isfinite(own.width()) || !std::isfinite(own.height()) || own.width() <= 0 || own.height() <= 0)
    std::abort();
  for (const CSImageRep& rep : image.representations())
    if (rep.hasPixels() && int64_t(rep.bitmap.width()) * rep.bitmap.height() > kFuzzPixelLimit) std::abort();

  // What decodes encodes again, to the same thing.
  QByteArray again;
  QDataStream out(&again, QIODevice::WriteOnly);
  out << image;
  QDataStream back(again);
  const CSImage second = CSImage::initWithCoder(back);
  if (second.isNull() || second.representations().size() != image.representations().size()) std::abort();
  return 0;
}
