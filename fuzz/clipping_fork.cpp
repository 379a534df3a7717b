// A picture clipping's resource fork: its resources chosen and read, as PDF
// data and as an image.

#include <QFile>

#include "ImageFuzzSetup.h"
#include "interchange/Clipping.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpImageFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResourceForkContents fork;
  if (!ParseResourceFork(data, size, &fork)) return 0;
  for (bool wantPdf : {true, false}) {
    QString path = QStringLiteral("/nonexistent/clip.pictClipping");
    QByteArray pdf;
    CSImage image;
    ExtractClippingFromFork(fork, path, wantPdf ? &pdf : nullptr, &image);
    if (path.endsWith(QLatin1String(".pdf"))) QFile::remove(path);
  }
  FreeResourceForkContents(&fork);
  return 0;
}
