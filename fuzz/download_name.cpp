// Download names come from the maker's web page: any text is either read
// into a version held in its places, or ignored.
#include <cstdlib>

#include "support/Files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString name = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  int32_t version[3] = {0, 0, 0};
  QString best;
  if (ParseDownloadName(name, QStringLiteral("TWdraw"), version, &best)) {
    if (best != name || version[0] < 0 || version[0] > 9 || version[1] < 0 || version[1] > 9 || version[2] < 0 ||
        version[2] > 9999)
      std::abort();
  }
  return 0;
}
