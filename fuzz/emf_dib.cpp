// Device-independent bitmaps as metafile records hold them: the first two
// bytes give the header block's length, the header block follows, and the
// rest are the bits. A decoded picture never exceeds the pixel budget.
#include <cstdlib>

#include "ImageFuzzSetup.h"
#include "interchange/EmfDib.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpImageFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const size_t headerSize = std::min<size_t>(size_t(data[0] | data[1] << 8), size - 2);
  const uint8_t* header = data + 2;
  const uint8_t* bits = header + headerSize;
  const std::optional<EmfImageRecord> record = DecodeDib(header, headerSize, bits, size - 2 - headerSize);
  if (record) {
    const QSizeF pixels = record->image.size();
    if (record->image.isNull() || pixels.width() * pixels.height() > double(kFuzzPixelLimit)) std::abort();
  }
  return 0;
}
