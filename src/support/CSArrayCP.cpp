#include "support/CSArrayCP.h"

#include <algorithm>
#include <cstring>

namespace {

constexpr uint64_t kMinimumGrowth = 10;

int32_t SaturatingAdd(int32_t cp, int64_t delta) {
  return int32_t(std::clamp<int64_t>(int64_t(cp) + delta, INT32_MIN, INT32_MAX));
}

}  // namespace

std::unique_ptr<CSArrayCP> CSArrayCP::create(uint64_t entrySize, uint64_t initialAllocation, int32_t maxCp,
                                             uint64_t options) {
  if ((entrySize & 1) || entrySize > UINT64_MAX - 16 || initialAllocation == UINT64_MAX) return nullptr;
  std::unique_ptr<CSArrayCP> array(new CSArrayCP);
  // Client entries of a multiple of 8 bytes may hold 64-bit fields: an 8-byte
  // head keeps every one of them aligned. Smaller multiples align with 4.
  const uint64_t offset = (entrySize && entrySize % 8 == 0) ? 8 : 4;
  if (!array->initWithEntrySize(entrySize + offset, initialAllocation + 1, false)) return nullptr;
  array->m_clientLength = entrySize;
  array->m_clientOffset = offset;
  array->m_options = options;
  array->m_usedCount = 1;
  array->makeSentinel(0, maxCp);
  return array;
}

std::unique_ptr<CSArray> CSArrayCP::copy() const {
  std::unique_ptr<CSArrayCP> other(new CSArrayCP);
  if (!other->initWithEntrySize(m_entryLength, m_allocatedCount, false)) return nullptr;
  other->m_clientLength = m_clientLength;
  other->m_clientOffset = m_clientOffset;
  other->m_options = m_options;
  std::memcpy(other->m_entries, m_entries, m_usedCount * m_entryLength);
  other->m_usedCount = m_usedCount;
  return other;
}

int32_t CSArrayCP::slotCp(uint64_t index) const {
  int32_t cp = 0;
  std::memcpy(&cp, slotAt(index), sizeof cp);
  return cp;
}

void CSArrayCP::setSlotCp(uint64_t index, int32_t cp) {
  std::memcpy(slotAt(index), &cp, sizeof cp);
}

void CSArrayCP::makeSentinel(uint64_t index, int32_t cp) {
  std::memset(slotAt(index), 0, m_entryLength);
  setSlotCp(index, cp);
}

// ---- Lookups ------------------------------------------------------------------

uint64_t CSArrayCP::indexOfCpCore(int32_t cp) const {
  const uint64_t entries = count();
  if (entries == 0) return 0;
  if (cp > maxCp()) return entries - 1;
  uint64_t low = 0;
  uint64_t high = m_usedCount;
  uint64_t result = 0;
  bool found = false;
  while (low < high) {
    const uint64_t middle = low + (high - low) / 2;
    const int32_t middleCp = slotCp(middle);
    if (middleCp == cp) {
      result = middle;
      found = true;
      break;
    }
    if (middleCp < cp) {
      low = middle + 1;
    } else {
      high = middle;
    }
  }
  // A cp below the first entry's has no covering entry; answering the first
  // keeps callers inside the array instead of wrapping to the largest index.
  if (!found) result = low ? low - 1 : 0;
  if (m_options & kFirstOfEqualCps) {
    const int32_t resultCp = slotCp(result);
    while (result > 0 && slotCp(result - 1) == resultCp) --result;
  }
  return result;
}

uint64_t CSArrayCP::indexOfCp(int32_t cp, int32_t* actualCp) const {
  const uint64_t index = indexOfCpCore(cp);
  if (actualCp) *actualCp = cpAtIndex(index);
  return index;
}

uint64_t CSArrayCP::indexOfCpSafe(int32_t cp) const {
  const int32_t first = slotCp(0);
  if (cp == first) return 0;
  if (cp < first || cp >= maxCp()) return kCSNotFound;
  return indexOfCpCore(cp);
}

uint64_t CSArrayCP::indexOfCpAfter(int32_t cp) const {
  if (slotCp(0) > cp) return 0;
  if (maxCp() < cp) return kCSNotFound;
  if (count() == 0) return 0;
  uint64_t index = indexOfCpCore(cp);
  // Bounded by the sentinel even if a caller let the cps fall out of order.
  while (index < m_usedCount - 1 && slotCp(index) < cp) ++index;
  return index;
}

int32_t CSArrayCP::cpAfterCp(int32_t cp, uint64_t* index) const {
  uint64_t after = indexOfCpAfter(cp);
  if (after == count()) after = kCSNotFound;
  if (index) *index = after;
  return after == kCSNotFound ? kNoCp : slotCp(after);
}

// ---- Reading -------------------------------------------------------------------

void* CSArrayCP::entryAtIndex(uint64_t index) {
  const uint64_t entries = count();
  if (index >= entries) index = entries ? entries - 1 : 0;
  return clientBytes(index);
}

void CSArrayCP::getEntry(void* entry, uint64_t index) const {
  cpGetEntry(entry, index);
}

int32_t CSArrayCP::cpGetEntry(void* entry, uint64_t index) const {
  if (index >= count()) {
    if (entry) std::memset(entry, 0, m_clientLength);
    return 0;
  }
  if (entry) std::memcpy(entry, clientBytes(index), m_clientLength);
  return slotCp(index);
}

int32_t CSArrayCP::cpAtIndex(uint64_t index) const {
  return index < m_usedCount ? slotCp(index) : kNoCp;
}

void CSArrayCP::enumerateEntriesAndCPsUsingBlock(const CpEntryBlock& block) {
  if (!block) return;
  bool stop = false;
  const uint64_t entries = count();
  for (uint64_t i = 0; i < entries && !stop; ++i) {
    block(slotCp(i), m_clientLength ? clientBytes(i) : nullptr, i, &stop);
  }
}

// ---- Changing ------------------------------------------------------------------

void CSArrayCP::adjustCpsAfter(int32_t cp, int32_t delta, uint64_t startIndex) {
  if (delta == 0) return;
  const int32_t threshold = (m_options & kShiftAtEditPoint) ? cp : SaturatingAdd(cp, 1);
  const uint64_t sentinel = m_usedCount - 1;
  if (startIndex == kCSNotFound) {
    startIndex = indexOfCpAfter(threshold);
    if (startIndex == kCSNotFound) {
      // An edit at the very end still changes the text's length; one past
      // the end changes nothing.
      if (cp > maxCp()) return;
      startIndex = sentinel;
    }
  }
  setSlotCp(sentinel, SaturatingAdd(slotCp(sentinel), delta));
  for (uint64_t i = sentinel; i-- > startIndex;) {
    const int32_t slot = slotCp(i);
    if (slot < threshold) break;
    setSlotCp(i, SaturatingAdd(slot, delta));
  }
}

bool CSArrayCP::insertEntry(const void* entry, uint64_t index, int32_t cp) {
  if (index > count()) return false;
  if (!openSlots(index, 1, std::max(kMinimumGrowth, m_usedCount / 4))) return false;
  setSlotCp(index, cp);
  if (entry && m_clientLength) std::memcpy(clientBytes(index), entry, m_clientLength);
  return true;
}

bool CSArrayCP::insertEntries(uint64_t n, uint64_t index) {
  if (index > count()) return false;
  return openSlots(index, n, std::max(kMinimumGrowth, m_allocatedCount / 4));
}

void CSArrayCP::replaceEntryAtIndex(uint64_t index, const void* entry) {
  if (index >= count() || !entry || m_clientLength == 0) return;
  std::memcpy(clientBytes(index), entry, m_clientLength);
}

void CSArrayCP::replaceCp(int32_t cp, uint64_t index) {
  if (index < m_usedCount) setSlotCp(index, cp);
}

void CSArrayCP::deleteEntryAtIndex(uint64_t index) {
  if (index < count()) CSArray::deleteEntryAtIndex(index);
}

void CSArrayCP::deleteEntries(uint64_t n, uint64_t index) {
  const uint64_t entries = count();
  if (index >= entries || n == 0) return;
  n = std::min(n, entries - index);
  uint8_t* at = slotAt(index);
  std::memmove(at, at + n * m_entryLength, (m_usedCount - index - n) * m_entryLength);
  m_usedCount -= n;
}

void CSArrayCP::deleteAllEntries() {
  if (count() > 0) setCount(0, maxCp());
}

void CSArrayCP::setMaxCp(int32_t cp) {
  setSlotCp(m_usedCount - 1, cp);
}

void CSArrayCP::setCount(uint64_t newCount, int32_t newMaxCp) {
  if (newCount > count()) return;
  makeSentinel(newCount, newMaxCp);
  m_usedCount = newCount + 1;
}

void CSArrayCP::setCount(uint64_t newCount) {
  setCount(newCount, maxCp());
}

bool CSArrayCP::copyEntries(const void* buffer, uint64_t used) {
  if (used == 0) return false;
  return CSArray::copyEntries(buffer, used);
}

uint64_t CSArrayCP::addEntry(const void*) {
  return kCSNotFound;
}

bool CSArrayCP::insertEntry(const void*, uint64_t) {
  return false;
}

void CSArrayCP::enumerateEntriesUsingBlock(const EntryBlock&) {}
void CSArrayCP::sortEntriesWithContext(int64_t, const CompareBlock&) {}
