#include "support/CSArray.h"

#include <algorithm>
#include <cstring>

#include "support/CSCore.h"

namespace {

constexpr uint64_t kMinimumAllocation = 10;

// a * b, or false (logged as an allocation failure of the saturated size)
// when it does not fit in 64 bits.
bool MultiplyFits(uint64_t a, uint64_t b, uint64_t* product) {
  if (!__builtin_mul_overflow(a, b, product)) return true;
  LogString("Allocation failed for %lu bytes.", UINT64_MAX);
  return false;
}

}  // namespace

std::unique_ptr<CSArray> CSArray::create(uint64_t entrySize, uint64_t initialAllocation, bool useAllEntries) {
  std::unique_ptr<CSArray> array(new CSArray);
  if (!array->initWithEntrySize(entrySize, initialAllocation, useAllEntries)) return nullptr;
  return array;
}

bool CSArray::initWithEntrySize(uint64_t slotSize, uint64_t initialAllocation, bool useAllEntries) {
  if (slotSize == 0 || (slotSize & 1)) return false;
  if (useAllEntries) {
    if (initialAllocation == 0) return false;
  } else {
    initialAllocation = std::max(initialAllocation, kMinimumAllocation);
  }
  uint64_t bytes = 0;
  if (!MultiplyFits(slotSize, initialAllocation, &bytes)) return false;
  // Zero-filled, so slots in use from the start never expose stale memory.
  m_entries = static_cast<uint8_t*>(AllocateAndClearMemory(bytes));
  if (!m_entries) return false;
  m_entryLength = slotSize;
  m_allocatedCount = initialAllocation;
  m_usedCount = useAllEntries ? initialAllocation : 0;
  return true;
}

CSArray::~CSArray() {
  FreeMemory(m_entries);
}

std::unique_ptr<CSArray> CSArray::copy() const {
  std::unique_ptr<CSArray> other(new CSArray);
  if (!other->initWithEntrySize(m_entryLength, m_allocatedCount, false)) return nullptr;
  std::memcpy(other->m_entries, m_entries, m_usedCount * m_entryLength);
  other->m_usedCount = m_usedCount;
  return other;
}

void* CSArray::firstEntry() {
  return count() ? entryAtIndex(0) : nullptr;
}

void* CSArray::lastEntry() {
  const uint64_t n = count();
  return n ? entryAtIndex(n - 1) : nullptr;
}

void* CSArray::entryAtIndex(uint64_t index) {
  if (index >= m_usedCount) index = m_usedCount ? m_usedCount - 1 : 0;
  return slotAt(index);
}

void CSArray::getEntry(void* entry, uint64_t index) const {
  if (!entry) return;
  if (index < m_usedCount) {
    std::memcpy(entry, slotAt(index), m_entryLength);
  } else {
    std::memset(entry, 0, m_entryLength);
  }
}

void CSArray::enumerateEntriesUsingBlock(const EntryBlock& block) {
  if (!block) return;
  bool stop = false;
  for (uint64_t i = 0; i < m_usedCount && !stop; ++i) block(slotAt(i), i, &stop);
}

uint64_t CSArray::addEntry(const void* entry) {
  const uint64_t index = m_usedCount;
  return CSArray::insertEntry(entry, index) ? index : kCSNotFound;
}

bool CSArray::insertEntry(const void* entry, uint64_t index) {
  if (index > m_usedCount) return false;
  if (!openSlots(index, 1, std::max(kMinimumAllocation, m_usedCount / 4), !entry)) return false;
  if (entry) std::memcpy(slotAt(index), entry, m_entryLength);
  return true;
}

bool CSArray::reallocate(uint64_t newAllocation) {
  uint64_t bytes = 0;
  if (!MultiplyFits(newAllocation, m_entryLength, &bytes)) return false;
  auto* grown = static_cast<uint8_t*>(AllocateMemory(bytes));
  if (!grown) return false;
  const uint64_t usedBytes = m_usedCount * m_entryLength;
  std::memcpy(grown, m_entries, usedBytes);
  std::memset(grown + usedBytes, 0, bytes - usedBytes);
  FreeMemory(m_entries);
  m_entries = grown;
  m_allocatedCount = newAllocation;
  return true;
}

bool CSArray::openSlots(uint64_t index, uint64_t n, uint64_t minimumGrowth, bool zeroFill) {
  if (index > m_usedCount) return false;
  if (n == 0) return true;
  if (n > m_allocatedCount - m_usedCount) {
    const uint64_t shortfall = n - (m_allocatedCount - m_usedCount);
    const uint64_t growth = std::max(shortfall, minimumGrowth);
    uint64_t newAllocation = 0;
    if (__builtin_add_overflow(m_allocatedCount, growth, &newAllocation) || !reallocate(newAllocation)) return false;
  }
  uint8_t* at = slotAt(index);
  if (index < m_usedCount) std::memmove(at + n * m_entryLength, at, (m_usedCount - index) * m_entryLength);
  if (zeroFill) std::memset(at, 0, n * m_entryLength);
  m_usedCount += n;
  return true;
}

void CSArray::replaceEntryAtIndex(uint64_t index, const void* entry) {
  if (index >= m_usedCount || !entry) return;
  std::memcpy(slotAt(index), entry, m_entryLength);
}

void CSArray::deleteEntryAtIndex(uint64_t index) {
  if (index >= m_usedCount) return;
  uint8_t* at = slotAt(index);
  std::memmove(at, at + m_entryLength, (m_usedCount - index - 1) * m_entryLength);
  --m_usedCount;
}

void CSArray::deleteAllEntries() {
  m_usedCount = 0;
}

void CSArray::setCount(uint64_t count) {
  m_usedCount = std::min(count, m_allocatedCount);
}

void CSArray::sortEntriesWithContext(int64_t context, const CompareBlock& block) {
  if (m_usedCount < 2 || !block) return;
  auto* scratch = static_cast<uint8_t*>(AllocateMemory(m_entryLength));
  if (!scratch) return;
  // Gaps 2^k - 1, starting below the largest power of two not above the count.
  uint64_t power = 1;
  while (power <= m_usedCount / 2) power <<= 1;
  const auto count = static_cast<int64_t>(m_usedCount);
  for (auto gap = static_cast<int64_t>(power - 1); gap >= 1; gap >>= 1) {
    for (int64_t i = 0; i + gap < count; ++i) {
      // Signed, so the walk back can step below 0 and end.
      for (int64_t j = i; j >= 0 && block(slotAt(uint64_t(j)), slotAt(uint64_t(j + gap)), context) > 0; j -= gap) {
        uint8_t* a = slotAt(uint64_t(j));
        uint8_t* b = slotAt(uint64_t(j + gap));
        std::memcpy(scratch, a, m_entryLength);
        std::memcpy(a, b, m_entryLength);
        std::memcpy(b, scratch, m_entryLength);
      }
    }
  }
  FreeMemory(scratch);
}

bool CSArray::copyEntries(const void* buffer, uint64_t used) {
  if (used > m_allocatedCount || (used && !buffer)) return false;
  if (used) std::memcpy(m_entries, buffer, used * m_entryLength);
  m_usedCount = used;
  return true;
}
