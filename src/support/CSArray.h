#pragma once
// CSArray: a growable array of fixed-size entries. Entries are plain bytes,
// copied in and out by value; the array knows nothing of what they hold.
// CSArrayString and CSArrayCP build keyed tables on it.

#include <cstdint>
#include <functional>
#include <memory>

// "Not found" for every index of the arrays: the largest signed 64-bit value.
constexpr uint64_t kCSNotFound = uint64_t(INT64_MAX);

class CSArray {
 public:
  // Called with (entry, index, stop flag); setting the flag ends the walk.
  using EntryBlock = std::function<void(void* entry, uint64_t index, bool* stop)>;
  // Answers 1 when `a` belongs after `b` (any value above 0 counts as 1).
  using CompareBlock = std::function<int(const void* a, const void* b, int64_t context)>;

  // Null when the entry size is 0 or odd, or the memory cannot be had.
  // Without `useAllEntries` the array starts empty with room for at least
  // 10 entries; with it, an allocation of 0 fails and every allocated entry
  // is in use, zero-filled.
  static std::unique_ptr<CSArray> create(uint64_t entrySize, uint64_t initialAllocation = 0,
                                         bool useAllEntries = false);

  virtual ~CSArray();
  CSArray(const CSArray&) = delete;
  CSArray& operator=(const CSArray&) = delete;

  // Same entry size and allocation with a byte copy of the used entries;
  // null when the memory cannot be had.
  virtual std::unique_ptr<CSArray> copy() const;

  virtual uint64_t count() const { return m_usedCount; }
  virtual uint64_t entryLength() const { return m_entryLength; }
  uint64_t allocatedCount() const { return m_allocatedCount; }

  // Null when empty.
  void* firstEntry();
  void* lastEntry();
  // An index at or past the end is clamped to the last entry (entry 0 when
  // empty, still inside the storage). Valid until the next insertion.
  virtual void* entryAtIndex(uint64_t index);
  // Copies the entry out; an index out of range gives zero bytes.
  virtual void getEntry(void* entry, uint64_t index) const;
  virtual void enumerateEntriesUsingBlock(const EntryBlock& block);

  // Returns the new index, or kCSNotFound when the insertion failed.
  virtual uint64_t addEntry(const void* entry);
  // Refused past the count (the count itself appends). A null entry leaves
  // the new slot zero-filled. False when the storage cannot grow.
  virtual bool insertEntry(const void* entry, uint64_t index);
  virtual void replaceEntryAtIndex(uint64_t index, const void* entry);  // out of range: ignored
  virtual void deleteEntryAtIndex(uint64_t index);                      // out of range: ignored
  virtual void deleteAllEntries();                                      // keeps the storage
  // Capped at the allocation; never grows.
  virtual void setCount(uint64_t count);
  // Shell sort in place; not stable.
  virtual void sortEntriesWithContext(int64_t context, const CompareBlock& block);
  // Sets the count to `used` and copies that many entries from `buffer`;
  // refused (false, nothing changed) when `used` exceeds the allocation.
  virtual bool copyEntries(const void* buffer, uint64_t used);

 protected:
  CSArray() = default;
  // Allocates the storage of `slotSize`-byte slots; false on a bad size, an
  // overflowing size or no memory.
  bool initWithEntrySize(uint64_t slotSize, uint64_t initialAllocation, bool useAllEntries);

  uint8_t* slotAt(uint64_t index) const { return m_entries + index * m_entryLength; }
  // Makes room for `n` slots at `index` (not past the used count), growing by
  // at least `minimumGrowth` when full. The new slots are zero-filled unless
  // the caller overwrites them whole at once (`zeroFill` false).
  bool openSlots(uint64_t index, uint64_t n, uint64_t minimumGrowth, bool zeroFill = true);
  bool reallocate(uint64_t newAllocation);

  uint64_t m_usedCount = 0;
  uint64_t m_allocatedCount = 0;
  uint64_t m_entryLength = 0;  // bytes per stored slot
  uint8_t* m_entries = nullptr;
};
