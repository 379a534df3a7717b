#include "richtext/LiveRanges.h"

#include <algorithm>
#include <cstring>

#include "support/ThreadStorage.h"

namespace {

thread_local std::vector<LiveRange> t_liveRanges;

// The table, hung from the thread's storage block (its first word).
std::vector<LiveRange>* Table() {
  uint8_t* block = GetThreadStorage();
  if (!block) return nullptr;
  std::vector<LiveRange>* table = &t_liveRanges;
  std::memcpy(block, &table, sizeof table);
  return table;
}

}  // namespace

bool RegisterRange(DocRange* range, uint32_t mode) {
  std::vector<LiveRange>* table = Table();
  if (!table || !range) return false;
  if ((mode & kLiveRangeOnce) && IsRangeRegistered(range)) return true;
  try {
    table->push_back({range, mode});
  } catch (const std::bad_alloc&) {
    return false;
  }
  return true;
}

void UnregisterRange(DocRange* range) {
  std::vector<LiveRange>* table = Table();
  if (!table) return;
  const auto found = std::find_if(table->rbegin(), table->rend(), [&](const LiveRange& r) { return r.range == range; });
  if (found != table->rend()) table->erase(std::next(found).base());
}

bool IsRangeRegistered(const DocRange* range) {
  const std::vector<LiveRange>* table = Table();
  return table && std::any_of(table->begin(), table->end(), [&](const LiveRange& r) { return r.range == range; });
}

const std::vector<LiveRange>* LiveRangesOfThread() { return Table(); }
