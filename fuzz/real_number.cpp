// Real numbers from files and fields: any text at any start answers a status
// code, never reads past the given length, and leaves the index inside it.
#include <cstdlib>
#include <cstring>
#include <vector>

#include "support/Numbers.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size < 2) return 0;
  const bool thousands = data[0] & 1;
  const uint32_t start = data[0] >> 1;
  // An exactly sized heap buffer, so that ASan sees a read beyond the length.
  std::vector<char16_t> text((size - 1) / 2);
  if (text.empty()) return 0;
  std::memcpy(text.data(), data + 1, text.size() * 2);
  uint32_t index = start;
  double value = 0;
  const int status = ParseRealNumber(text.data(), uint32_t(text.size()), &index, &value, thousands);
  if (status != kParseRealNone && status != kParseRealOK && status != kParseRealBadExponent) std::abort();
  if (status != kParseRealNone && (index < start || index > text.size())) std::abort();
  return 0;
}
