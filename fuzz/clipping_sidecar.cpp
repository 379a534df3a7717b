// The sidecar files other systems leave beside a clipping: the header, the
// entry list and the fork inside, then the clipping read from it.

#include <QFile>

#include "ImageFuzzSetup.h"
#include "interchange/Clipping.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpImageFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResourceForkContents fork;
  if (!ParseSidecarResourceFork(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), &fork)) return 0;
  QString path = QStringLiteral("/nonexistent/clip.pictClipping");
  CSImage image;
  ExtractClippingFromFork(fork, path, nullptr, &image);
  if (path.endsWith(QLatin1String(".pdf"))) QFile::remove(path);
  FreeResourceForkContents(&fork);
  return 0;
}
