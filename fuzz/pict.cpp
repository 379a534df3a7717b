// The QuickDraw picture walker drawing into a PDF writer on a memory buffer.

#include <QBuffer>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>

#include "ImageFuzzSetup.h"
#include "interchange/PictConverter.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpImageFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QBuffer buffer;
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(72);
  writer.setPageSize(QPageSize(QSizeF(200, 200), QPageSize::Point));
  QPainter painter(&writer);
  PictConversion conversion;
  ConvertPicture(data, size, false, &painter, &conversion);
  painter.end();
  return 0;
}
