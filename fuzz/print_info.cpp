// The text form of the print options from a drawing file: any bytes are
// refused or read, and options that were read write back to text that
// reads to the same options.
#include <cstdlib>

#include "model/DRDrawing.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  CSPrintInfo info;
  if (!PrintInfoFromText(text, &info)) return 0;
  CSPrintInfo again;
  if (!PrintInfoFromText(PrintInfoText(info), &again) || !(again == info)) std::abort();
  return 0;
}
