// Resource forks arrive with files from other systems: any bytes either
// parse into entries that lie wholly inside the fork, or are refused.
#include <cstdlib>

#include "support/Files.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  ResourceForkContents contents;
  if (ParseResourceFork(data, size, &contents)) {
    const uint8_t* begin = contents.block;
    const uint8_t* end = contents.block + contents.blockLength;
    for (const ResourceEntry& entry : contents.entries) {
      if (entry.data < begin || entry.data > end || entry.length > uint64_t(end - entry.data)) std::abort();
    }
    if (contents.entries.size() > kResourceForkMaxEntries) std::abort();
  } else if (contents.block || !contents.entries.empty()) {
    std::abort();
  }
  FreeResourceForkContents(&contents);
  return 0;
}
