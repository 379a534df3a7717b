// The gradient transfer record comes from whatever program put text under
// "twdraw.clip.gradient". Whatever the bytes, reading never crashes; what is
// taken is a gradient the editing controls can hold, and its record reads
// back as the same gradient.
#include <QMimeData>
#include <cstdlib>

#include "ModelFuzzSetup.h"
#include "ui/inspector/DRGradientClip.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpModelFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  QMimeData pasteboard;
  pasteboard.setData(g_gradientPasteboardType, bytes);
  const std::optional<DRGradient> gradient = GradientFromPasteboard(&pasteboard);
  if (gradient != GradientFromTransferRecord(QString::fromUtf8(bytes))) std::abort();
  if (!gradient) return 0;
  if (!IsTransferableGradient(*gradient)) std::abort();
  const QString record = GradientTransferRecord(*gradient);
  const std::optional<DRGradient> again = GradientFromTransferRecord(record);
  if (!again || !(*again == *gradient) || again->stops() != gradient->stops() ||
      GradientTransferRecord(*again) != record)
    std::abort();
  return 0;
}
