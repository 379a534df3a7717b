// EMF files: any bytes walked by the record interpreter with a callback
// that checks every report, then turned into elements. A refusal always
// names its reason; every report carries finite bounds and a known command.
#include <cmath>
#include <cstdlib>

#include "ImageFuzzSetup.h"
#include "ModelFuzzSetup.h"
#include "interchange/EmfImport.h"
#include "interchange/EmfRecords.h"

namespace {

void CheckReport(int command, int shapeKind, const EmfObject& object, const EmfDrawState& state, void* context,
                 const QRectF& bounds) {
  (void)state;
  if (command < kEmfFill || command > kEmfText || shapeKind < kEmfShapeNone || shapeKind > kEmfShapeRoundRect)
    std::abort();
  if (!std::isfinite(bounds.x()) || !std::isfinite(bounds.y()) || !std::isfinite(bounds.width()) ||
      !std::isfinite(bounds.height()))
    std::abort();
  if (command == kEmfImage && !std::get_if<const EmfImageRecord*>(&object)) std::abort();
  if (command == kEmfText && !std::get_if<QString>(&object)) std::abort();
  if (shapeKind == kEmfShapePath && !std::get_if<const EmfPath*>(&object)) std::abort();
  ++*static_cast<size_t*>(context);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpModelFuzzing(argc, argv);
  SetImageDecodePixelLimit(kFuzzPixelLimit);
  SetEpsConversionTimeLimit(0);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  size_t reports = 0;
  QString error;
  const bool walked = ImportEmf(data, size, &CheckReport, &reports, &error);
  if (!walked && error.isEmpty()) std::abort();
  if (walked && !error.isEmpty()) std::abort();
  if (!walked) return 0;
  const std::optional<DRElementList> elements =
      ElementsFromEmfData(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), &error);
  if (!elements) std::abort();
  return 0;
}
