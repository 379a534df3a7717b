#include "support/DynamicArrays.h"

namespace {

// An index of the arrays as the 32-bit value the plain functions answer;
// not found (and anything too large to tell apart from it) is all ones.
uint32_t ShortIndex(uint64_t index) {
  return index >= kDynamicArrayNotFound ? kDynamicArrayNotFound : uint32_t(index);
}

uint32_t ShortCount(uint64_t count) {
  return count > UINT32_MAX ? UINT32_MAX : uint32_t(count);
}

template <typename T>
T* Release(std::unique_ptr<T> array) {
  return array.release();
}

CSArrayString* ReleaseStringArray(std::unique_ptr<CSArray> array) {
  return static_cast<CSArrayString*>(array.release());
}

}  // namespace

// ---- CSArray ---------------------------------------------------------------------

CSArray* CreateDynamicArray(uint64_t entrySize, uint64_t allocation) {
  return Release(CSArray::create(entrySize, allocation, false));
}

CSArray* CreateAndExpandDynamicArray(uint64_t entrySize, uint64_t allocation) {
  return Release(CSArray::create(entrySize, allocation, true));
}

CSArray* CopyDynamicArray(const CSArray* array) {
  return array ? Release(array->copy()) : nullptr;
}

void FreeDynamicArray(CSArray* array) {
  delete array;
}

uint32_t AppendToDynamicArray(CSArray* array, const void* entry) {
  return array ? ShortIndex(array->addEntry(entry)) : kDynamicArrayNotFound;
}

bool InsertInDynamicArray(CSArray* array, uint32_t index, const void* entry) {
  return array && array->insertEntry(entry, index);
}

void DeleteFromDynamicArray(CSArray* array, uint32_t index) {
  if (array) array->deleteEntryAtIndex(index);
}

void* DynamicArrayEntry(CSArray* array, uint32_t index) {
  return array ? array->entryAtIndex(index) : nullptr;
}

void FetchDynamicArrayEntry(const CSArray* array, uint32_t index, void* buffer) {
  if (array) array->getEntry(buffer, index);
}

void ReplaceDynamicArrayEntry(CSArray* array, uint32_t index, const void* entry) {
  if (array) array->replaceEntryAtIndex(index, entry);
}

uint32_t SizeOfDynamicArray(const CSArray* array) {
  return array ? ShortCount(array->count()) : 0;
}

void ClearDynamicArray(CSArray* array) {
  if (array) array->deleteAllEntries();
}

void SetDynamicArrayCount(CSArray* array, uint32_t count) {
  if (array) array->setCount(count);
}

uint32_t DynamicArrayEntryLength(const CSArray* array) {
  return array ? ShortCount(array->entryLength()) : 0;
}

void SortDynamicArray(CSArray* array, DynamicArrayCompare function, int64_t context) {
  if (!array || !function) return;
  array->sortEntriesWithContext(
      context, [function](const void* a, const void* b, int64_t ctx) { return function(a, b, ctx) ? 1 : -1; });
}

// ---- CSArrayString -----------------------------------------------------------------

CSArrayString* CreateDynamicStringArray(uint64_t entrySize, uint64_t allocation) {
  return Release(CSArrayString::create(entrySize, allocation));
}

CSArrayString* CopyDynamicStringArray(const CSArrayString* array) {
  return array ? ReleaseStringArray(array->copy()) : nullptr;
}

void FreeDynamicStringArray(CSArrayString* array) {
  delete array;
}

void ClearDynamicStringArray(CSArrayString* array) {
  if (array) array->deleteAllEntries();
}

QString FetchDynamicStringArrayEntry(const CSArrayString* array, uint32_t index, void* buffer) {
  return array ? array->stringAndEntry(buffer, index) : QString();
}

void* DynamicStringArrayEntry(CSArrayString* array, uint32_t index) {
  return array ? array->entryAtIndex(index) : nullptr;
}

uint32_t AppendToDynamicStringArray(CSArrayString* array, const QString& string, const void* entry) {
  return array ? ShortIndex(array->addEntry(entry, string)) : kDynamicArrayNotFound;
}

bool InsertInSortedDynamicArray(CSArrayString* array, const QString& string, const void* entry) {
  return array && array->insertEntry(entry, string);
}

bool InsertInDynamicStringArray(CSArrayString* array, uint32_t index, const QString& string, const void* entry) {
  return array && array->insertEntry(entry, string, uint64_t(index));
}

bool ReplaceDynamicStringArrayEntry(CSArrayString* array, uint32_t index, const QString& string, const void* entry) {
  return array && array->replaceEntry(entry, string, index);
}

void ReplaceDynamicStringArrayData(CSArrayString* array, uint32_t index, const void* entry) {
  if (array) array->replaceEntryAtIndex(index, entry);
}

void DeleteFromDynamicStringArray(CSArrayString* array, uint32_t index) {
  if (array) array->deleteEntryAtIndex(index);
}

void SortDynamicStringArray(CSArrayString* array, DynamicStringArrayCompare function, int64_t context) {
  if (!array) return;
  if (!function) {
    array->sortStringEntriesWithContext(context, nullptr);
    return;
  }
  array->sortStringEntriesWithContext(
      context, [function](const QString& a, const void* entryA, const QString& b, const void* entryB, int64_t ctx) {
        return function(a, entryA, b, entryB, ctx) ? 1 : -1;
      });
}

bool FindInDynamicStringArray(const CSArrayString* array, const QString& string, uint32_t* index, bool sorted) {
  uint64_t found = kCSNotFound;
  const bool isFound = array && array->findString(string, sorted, &found);
  if (index) *index = ShortIndex(found);
  return isFound;
}

uint32_t DynamicStringArrayEntryLength(const CSArrayString* array) {
  return array ? ShortCount(array->entryLength()) : 0;
}

// ---- CSArrayCP -------------------------------------------------------------------------

CSArrayCP* CreateDynamicCPArray(uint64_t entrySize, uint64_t allocation, uint32_t maxCp, uint64_t options) {
  return Release(CSArrayCP::create(entrySize, allocation, int32_t(maxCp), options));
}

uint32_t DynamicCPArrayEntryLength(const CSArrayCP* array) {
  return array ? ShortCount(array->entryLength()) : 0;
}

bool InsertInDynamicCPArray(CSArrayCP* array, uint32_t index, uint32_t cp, const void* entry) {
  return array && array->insertEntry(entry, index, int32_t(cp));
}

bool ExpandDynamicCPArray(CSArrayCP* array, uint32_t index, uint32_t n) {
  return array && array->insertEntries(n, index);
}

void DeleteFromDynamicCPArray(CSArrayCP* array, uint32_t index, uint32_t n) {
  if (array) array->deleteEntries(n, index);
}

uint32_t IndexOfCp(const CSArrayCP* array, uint32_t cp) {
  return array ? ShortIndex(array->indexOfCp(int32_t(cp))) : 0;
}

uint32_t IndexOfCpReturningCp(const CSArrayCP* array, uint32_t cp, uint32_t* actual) {
  int32_t found = CSArrayCP::kNoCp;
  const uint32_t index = array ? ShortIndex(array->indexOfCp(int32_t(cp), &found)) : 0;
  if (actual) *actual = uint32_t(found);
  return index;
}

uint32_t IndexOfCpSafe(const CSArrayCP* array, uint32_t cp) {
  return array ? ShortIndex(array->indexOfCpSafe(int32_t(cp))) : kDynamicArrayNotFound;
}

uint32_t IndexOfCpAfter(const CSArrayCP* array, uint32_t cp) {
  return array ? ShortIndex(array->indexOfCpAfter(int32_t(cp))) : kDynamicArrayNotFound;
}

uint32_t SizeOfDynamicCPArray(const CSArrayCP* array) {
  return array ? ShortCount(array->count()) : 0;
}

void ClearDynamicCPArray(CSArrayCP* array, uint32_t maxCp) {
  if (array) array->setCount(0, int32_t(maxCp));
}

void SetDynamicCPArrayCount(CSArrayCP* array, uint32_t count, uint32_t maxCp) {
  if (array) array->setCount(count, int32_t(maxCp));
}

void AdjustDynamicCPArray(CSArrayCP* array, uint32_t cp, int32_t delta, uint32_t start) {
  if (array) array->adjustCpsAfter(int32_t(cp), delta, start == kDynamicArrayNotFound ? kCSNotFound : start);
}

uint32_t FetchDynamicCPArrayEntry(const CSArrayCP* array, uint32_t index, void* buffer) {
  return array ? uint32_t(array->cpGetEntry(buffer, index)) : 0;
}

void ReplaceDynamicCPArrayEntry(CSArrayCP* array, uint32_t index, const void* entry) {
  if (array) array->replaceEntryAtIndex(index, entry);
}

uint32_t CpAtIndex(const CSArrayCP* array, uint32_t index) {
  return array ? uint32_t(array->cpAtIndex(index)) : uint32_t(CSArrayCP::kNoCp);
}

uint32_t CpAfterCp(const CSArrayCP* array, uint32_t cp, uint32_t* index) {
  uint64_t found = kCSNotFound;
  const int32_t after = array ? array->cpAfterCp(int32_t(cp), &found) : CSArrayCP::kNoCp;
  if (index) *index = ShortIndex(found);
  return uint32_t(after);
}

uint32_t MaxCp(const CSArrayCP* array) {
  return array ? uint32_t(array->maxCp()) : 0;
}

void SetMaxCp(CSArrayCP* array, uint32_t cp) {
  if (array) array->setMaxCp(int32_t(cp));
}

void ReplaceCp(CSArrayCP* array, uint32_t index, uint32_t cp) {
  if (array) array->replaceCp(int32_t(cp), index);
}

void* DynamicCPArrayEntry(CSArrayCP* array, uint32_t index) {
  return array ? array->entryAtIndex(index) : nullptr;
}
