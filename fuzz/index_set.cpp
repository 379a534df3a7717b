// Index-set text from the defaults: any text reads to a set or nothing, and a
// set that was read writes back to text that reads to the same set.
#include <cstdlib>

#include "support/CSIndexSet.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  const auto set = CSIndexSet::fromArchive(text);
  if (set) {
    const auto again = CSIndexSet::fromArchive(set->archive());
    if (!again || *again != *set) std::abort();
    if (!set->isEmpty() && (set->ranges().front().first < 0 || set->ranges().back().second > CSIndexSet::kMaxIndex))
      std::abort();
  }
  return 0;
}
