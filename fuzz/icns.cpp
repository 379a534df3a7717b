// The icon file reader: the chunk walk and the chosen chunk's image.

#include "ImageFuzzSetup.h"
#include "interchange/IconFile.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpImageFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const CSImage image = LargestIconImageFromData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)));
  (void)image.size();
  return 0;
}
