// The own clipboard types as a paste reads them: the element records and
// the painting map, into elements ready for a drawing. Whatever the bytes,
// reading never crashes or hangs, and every bitmap that is kept has a
// picture under a GUID of its own.
//
// Input: a big-endian 32-bit length, that many bytes of "twdraw.elements"
// data, and the rest as "twdraw.images" data. Inputs shorter than the
// length field are taken whole as records.
#include <QtEndian>
#include <cstdint>

#include "ImageFuzzSetup.h"
#include "ModelFuzzSetup.h"
#include "interchange/ClipboardRecords.h"
#include "model/DRDrawing.h"
#include "model/DRElementBitmap.h"

namespace {

void CheckBitmaps(const DRElementList& elements) {
  for (const auto& element : elements) {
    if (auto* group = dynamic_cast<DRElementGroup*>(element.get())) {
      if (group->subelements().empty()) __builtin_trap();
      CheckBitmaps(group->subelements());
    } else if (auto* bitmap = dynamic_cast<DRElementBitmap*>(element.get())) {
      if (!bitmap->painting()) __builtin_trap();
    }
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpModelFuzzing(argc, argv);
  SetImageDecodePixelLimit(kFuzzPixelLimit);
  SetEpsConversionTimeLimit(0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const char* bytes = reinterpret_cast<const char*>(data);
  QByteArray records, images;
  if (size < 4) {
    records = QByteArray(bytes, qsizetype(size));
  } else {
    const size_t length = std::min<size_t>(qFromBigEndian<quint32>(bytes), size - 4);
    records = QByteArray(bytes + 4, qsizetype(length));
    images = QByteArray(bytes + 4 + length, qsizetype(size - 4 - length));
  }
  DRDrawing drawing;
  std::optional<DRPastedElements> pasted = ReadClipboardElements(records, images, &drawing);
  if (pasted) CheckBitmaps(pasted->elements);
  return 0;
}
