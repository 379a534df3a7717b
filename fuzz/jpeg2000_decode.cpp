// JPEG 2000 files and codestreams: any bytes decode through the libopenjp2
// adapter into an image within the pixel budget, or into nothing, and the
// image class reads them the same way.
#include <QImage>
#include <cstdlib>

#include "ImageFuzzSetup.h"
#include "platform/Jpeg2000Codec.h"
#include "support/CSImage.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpImageFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes = QByteArray::fromRawData(reinterpret_cast<const char*>(data), qsizetype(size));
  const QSize declared = Jpeg2000ImageSize(bytes);
  if (!declared.isEmpty() && !IsJpeg2000Data(bytes)) std::abort();

  QString error;
  const QImage image = Jpeg2000DecodeImage(bytes, kFuzzPixelLimit, &error);
  if (image.isNull()) {
    if (error.isEmpty()) std::abort();  // a failure always says why
  } else {
    if (int64_t(image.width()) * image.height() > kFuzzPixelLimit) std::abort();
    if (image.width() > kJpeg2000MaxSide || image.height() > kJpeg2000MaxSide) std::abort();
    if (image.size() != declared) std::abort();
    if (image.format() != QImage::Format_RGB32 && image.format() != QImage::Format_ARGB32_Premultiplied) std::abort();
  }

  // Other bytes would go to other readers (and PostScript to an outside
  // program): only what the adapter takes goes through the image class.
  if (!IsJpeg2000Data(bytes)) return 0;
  const CSImage loaded = CSImage::initWithData(bytes);
  if (loaded.isNull() != image.isNull()) std::abort();
  if (!loaded.isNull() && loaded.size() != QSizeF(image.size())) std::abort();
  return 0;
}
