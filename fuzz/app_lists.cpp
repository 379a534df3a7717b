// The favourite and recent gradients and the recent arrows come back from
// the settings file, which anything may have written. Lines of the input
// are the stored strings. Whatever they hold, reading never crashes, no
// gradient of more than ten stops is taken, and what was taken writes
// strings that read back the same.
#include <cstdlib>

#include "ModelFuzzSetup.h"
#include "ui/shell/DRAppController.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpModelFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const QStringList strings = text.split(QLatin1Char('\n'));
  const QList<DRGradient> gradients = DRAppController::gradientsFromStrings(strings);
  for (const DRGradient& gradient : gradients) {
    if (gradient.stopCount() > size_t(DRAppController::kMaxGradientStops)) std::abort();
  }
  if (DRAppController::gradientsFromStrings(DRAppController::stringsFromGradients(gradients)) != gradients) std::abort();
  const QList<DRArrow> arrows = DRAppController::arrowsFromStrings(strings);
  if (DRAppController::arrowsFromStrings(DRAppController::stringsFromArrows(arrows)) != arrows) std::abort();
  return 0;
}
