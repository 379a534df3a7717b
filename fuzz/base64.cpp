// Base64 from locators, SVG data links and pasteboard records: any text
// decodes to bytes or nothing, and whatever decodes encodes and decodes back
// to the same bytes.
#include "support/Base64.h"

#include <QString>
#include <cstdlib>

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const auto decoded = NewDataFromBase64String(text);
  if (decoded && !decoded->isEmpty()) {
    if (decoded->size() > text.size()) std::abort();
    const QString again = NewBase64StringFromData(*decoded);
    const auto back = NewDataFromBase64String(again);
    if (!back || *back != *decoded) std::abort();
  }
  // The raw bytes encode to text that decodes to them.
  if (size > 0) {
    const auto round = NewDataFromBase64String(NewBase64StringFromBytes(data, size));
    if (!round || round->size() != qsizetype(size) || memcmp(round->constData(), data, size) != 0) std::abort();
  }
  return 0;
}
