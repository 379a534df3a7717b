// SVG files: any bytes read by the SVG reader's core; a refusal always
// names its reason, and what is read stays within the element cap.
#include <cstdlib>

#include "ModelFuzzSetup.h"
#include "interchange/SvgImport.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpModelFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  QString reason;
  const std::optional<DRElementList> elements =
      ReadSvgElements(QByteArray(reinterpret_cast<const char*>(data), qsizetype(size)), &reason);
  if (!elements && reason.isEmpty()) std::abort();
  if (elements && elements->size() > kSvgMaxElements) std::abort();
  return 0;
}
