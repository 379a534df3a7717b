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

namespace {

uint32_t Moved(uint32_t cp, int32_t delta) { return uint32_t(int64_t(cp) + delta); }

}  // namespace

void AdjustRange(DocRange* range, const DocRange* edited, int32_t delta, uint32_t mode) {
  if (!range || !edited) return;
  const uint32_t first = range->first;
  const uint32_t limit = range->limit;
  if (first < edited->first) {
  } else if (first < edited->limit) {
    range->first = edited->first;
  } else if (first == edited->limit && !(mode & kLiveRangeMoveAtEnd)) {
    range->first = edited->first;
  } else {
    range->first = Moved(first, delta);
  }
  if (mode & kLiveRangeCaretLimit) {
    range->limit = range->first;
  } else if (limit < edited->first) {
  } else if (limit < edited->limit) {
    range->limit = edited->first;
  } else {
    range->limit = Moved(limit, delta);
  }
  // A range may not end before it starts (a limit inside the edit that a
  // moved first passed).
  if (range->limit < range->first) range->limit = range->first;
}

void AdjustLiveRanges(const DocRange* edited, int32_t delta) {
  std::vector<LiveRange>* table = Table();
  if (!table || !edited) return;
  for (auto it = table->begin(); it != table->end();) {
    if (it->range && it->range->doc == edited->doc) {
      if (it->mode & kLiveRangeForget) {
        it = table->erase(it);
        continue;
      }
      AdjustRange(it->range, edited, delta, it->mode);
    }
    ++it;
  }
}
