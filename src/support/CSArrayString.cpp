#include "support/CSArrayString.h"

#include <cstring>

// Each slot holds an owned QString* (null for no string) followed by the
// client bytes. The pointer is read and written with memcpy because a slot
// of an odd number of words leaves it unaligned.

namespace {

int CompareNoCase(const QString& a, const QString& b) {
  return QString::compare(a, b, Qt::CaseInsensitive);
}

}  // namespace

std::unique_ptr<CSArrayString> CSArrayString::create(uint64_t entrySize, uint64_t initialAllocation) {
  if ((entrySize & 1) || entrySize > UINT64_MAX - kSlotStringBytes) return nullptr;
  std::unique_ptr<CSArrayString> array(new CSArrayString);
  if (!array->initWithEntrySize(entrySize + kSlotStringBytes, initialAllocation, false)) return nullptr;
  array->m_clientLength = entrySize;
  return array;
}

CSArrayString::~CSArrayString() {
  CSArrayString::deleteAllEntries();
}

std::unique_ptr<CSArray> CSArrayString::copy() const {
  std::unique_ptr<CSArrayString> other(new CSArrayString);
  if (!other->initWithEntrySize(m_entryLength, m_allocatedCount, false)) return nullptr;
  other->m_clientLength = m_clientLength;
  for (uint64_t i = 0; i < m_usedCount; ++i) {
    std::memcpy(other->clientBytes(i), clientBytes(i), m_clientLength);
    QString* string = stringSlot(i);
    QString* copied = string ? new QString(*string) : nullptr;
    std::memcpy(other->slotAt(i), &copied, kSlotStringBytes);
    other->m_usedCount = i + 1;
  }
  return other;
}

QString* CSArrayString::stringSlot(uint64_t index) const {
  QString* string = nullptr;
  std::memcpy(&string, slotAt(index), kSlotStringBytes);
  return string;
}

void CSArrayString::setStringSlot(uint64_t index, const QString& string) {
  delete stringSlot(index);
  // QString copies on write, so later changes to the caller's string never
  // reach the stored one.
  QString* stored = string.isNull() ? nullptr : new QString(string);
  std::memcpy(slotAt(index), &stored, kSlotStringBytes);
}

uint64_t CSArrayString::entryLength() const {
  return m_clientLength;
}

void* CSArrayString::entryAtIndex(uint64_t index) {
  if (m_clientLength == 0) return nullptr;
  if (index >= m_usedCount) index = m_usedCount ? m_usedCount - 1 : 0;
  return clientBytes(index);
}

void CSArrayString::getEntry(void* entry, uint64_t index) const {
  if (!entry || m_clientLength == 0) return;
  if (index < m_usedCount) {
    std::memcpy(entry, clientBytes(index), m_clientLength);
  } else {
    std::memset(entry, 0, m_clientLength);
  }
}

QString CSArrayString::stringAtIndex(uint64_t index) const {
  if (index >= m_usedCount) return QString();
  QString* string = stringSlot(index);
  return string ? *string : QString();
}

QString CSArrayString::stringAndEntry(void* entry, uint64_t index) const {
  getEntry(entry, index);
  return stringAtIndex(index);
}

void CSArrayString::enumerateEntriesAndStringsUsingBlock(const StringEntryBlock& block) {
  if (!block) return;
  bool stop = false;
  for (uint64_t i = 0; i < m_usedCount && !stop; ++i) {
    QString* string = stringSlot(i);
    block(string ? *string : QString(), m_clientLength ? clientBytes(i) : nullptr, i, &stop);
  }
}

uint64_t CSArrayString::addEntry(const void* entry) {
  return addEntry(entry, QString());
}

uint64_t CSArrayString::addEntry(const void* entry, const QString& string) {
  const uint64_t index = m_usedCount;
  return insertEntry(entry, string, index) ? index : kCSNotFound;
}

bool CSArrayString::insertEntry(const void* entry, uint64_t index) {
  return insertEntry(entry, QString(), index);
}

bool CSArrayString::insertEntry(const void* entry, const QString& string, uint64_t index) {
  // The base insertion zero-fills the slot, so its string pointer starts null.
  if (!CSArray::insertEntry(nullptr, index)) return false;
  setStringSlot(index, string);
  if (entry && m_clientLength) std::memcpy(clientBytes(index), entry, m_clientLength);
  return true;
}

bool CSArrayString::insertEntry(const void* entry, const QString& sortedString) {
  uint64_t index = kCSNotFound;
  findString(sortedString, true, &index);
  return insertEntry(entry, sortedString, index);
}

void CSArrayString::replaceEntryAtIndex(uint64_t index, const void* entry) {
  if (index >= m_usedCount || !entry || m_clientLength == 0) return;
  std::memcpy(clientBytes(index), entry, m_clientLength);
}

bool CSArrayString::replaceEntry(const void* entry, const QString& string, uint64_t index) {
  if (string.isNull()) {
    if (index >= m_usedCount) return false;
    deleteEntryAtIndex(index);
    return true;
  }
  if (index == m_usedCount) return insertEntry(entry, string, index);
  if (index > m_usedCount) return false;
  setStringSlot(index, string);
  if (entry && m_clientLength) std::memcpy(clientBytes(index), entry, m_clientLength);
  return true;
}

void CSArrayString::deleteEntryAtIndex(uint64_t index) {
  if (index >= m_usedCount) return;
  delete stringSlot(index);
  CSArray::deleteEntryAtIndex(index);
}

void CSArrayString::deleteAllEntries() {
  for (uint64_t i = 0; i < m_usedCount; ++i) delete stringSlot(i);
  m_usedCount = 0;
}

bool CSArrayString::copyEntries(const void* buffer, uint64_t used) {
  if (used > m_allocatedCount || (used && !buffer)) return false;
  deleteAllEntries();
  const auto* source = static_cast<const uint8_t*>(buffer);
  for (uint64_t i = 0; i < used; ++i, source += m_entryLength) {
    const QString* string = nullptr;
    std::memcpy(&string, source, kSlotStringBytes);
    QString* stored = string ? new QString(*string) : nullptr;
    std::memcpy(slotAt(i), &stored, kSlotStringBytes);
    std::memcpy(clientBytes(i), source + kSlotStringBytes, m_clientLength);
    m_usedCount = i + 1;
  }
  return true;
}

void CSArrayString::enumerateEntriesUsingBlock(const EntryBlock&) {}
void CSArrayString::setCount(uint64_t) {}
void CSArrayString::sortEntriesWithContext(int64_t, const CompareBlock&) {}

void CSArrayString::sortStringEntriesWithContext(int64_t context, const StringCompareBlock& block) {
  const QString empty(QLatin1String(""));
  const uint64_t clientLength = m_clientLength;
  auto compare = [&](const void* a, const void* b, int64_t ctx) -> int {
    QString* stringA = nullptr;
    QString* stringB = nullptr;
    std::memcpy(&stringA, a, kSlotStringBytes);
    std::memcpy(&stringB, b, kSlotStringBytes);
    const QString& textA = stringA ? *stringA : empty;
    const QString& textB = stringB ? *stringB : empty;
    if (!block) return CompareNoCase(textA, textB) > 0 ? 1 : -1;
    const void* entryA = clientLength ? static_cast<const uint8_t*>(a) + kSlotStringBytes : nullptr;
    const void* entryB = clientLength ? static_cast<const uint8_t*>(b) + kSlotStringBytes : nullptr;
    return block(textA, entryA, textB, entryB, ctx);
  };
  CSArray::sortEntriesWithContext(context, compare);
}

bool CSArrayString::findString(const QString& string, bool isSorted, uint64_t* index) const {
  uint64_t found = kCSNotFound;
  bool isFound = false;
  if (!string.isEmpty()) {
    if (!isSorted) {
      found = m_usedCount;
      for (uint64_t i = 0; i < m_usedCount; ++i) {
        const QString* candidate = stringSlot(i);
        if (candidate && CompareNoCase(*candidate, string) == 0) {
          found = i;
          isFound = true;
          break;
        }
      }
    } else {
      uint64_t low = 0;
      uint64_t high = m_usedCount;
      while (low < high) {
        const uint64_t middle = low + (high - low) / 2;
        const QString* candidate = stringSlot(middle);
        const int order = candidate ? CompareNoCase(*candidate, string) : -1;
        if (order == 0) {
          low = middle;
          isFound = true;
          break;
        }
        if (order < 0) {
          low = middle + 1;
        } else {
          high = middle;
        }
      }
      found = low;
    }
  }
  if (index) *index = found;
  return isFound;
}
