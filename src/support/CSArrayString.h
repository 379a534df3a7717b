#pragma once
// CSArrayString: a small name-keyed table. Every entry pairs a string with a
// fixed-size client entry; entries are kept in case-insensitive order of
// their strings and found by binary search, or kept in any order and scanned.

#include <QString>

#include "support/CSArray.h"

class CSArrayString : public CSArray {
 public:
  // (string, client entry or null when the client size is 0, index, stop).
  using StringEntryBlock = std::function<void(const QString& string, void* entry, uint64_t index, bool* stop)>;
  // (string a, entry a, string b, entry b, context): 1 when a belongs after b.
  // A nil string arrives as the empty string; entries are null when the
  // client size is 0.
  using StringCompareBlock =
      std::function<int(const QString& a, const void* entryA, const QString& b, const void* entryB, int64_t context)>;

  // One slot as copyEntries() reads it: a string pointer (null for no string)
  // followed by the client bytes.
  static constexpr uint64_t kSlotStringBytes = sizeof(QString*);

  // The client size must be even (0 is allowed: a plain list of strings).
  static std::unique_ptr<CSArrayString> create(uint64_t entrySize, uint64_t initialAllocation = 0);

  ~CSArrayString() override;

  // Each string and client entry copied; null when the memory cannot be had.
  std::unique_ptr<CSArray> copy() const override;

  uint64_t entryLength() const override;
  // The client entry, clamped like CSArray::entryAtIndex; null when the
  // client size is 0.
  void* entryAtIndex(uint64_t index) override;
  void getEntry(void* entry, uint64_t index) const override;
  // A null string (no string) when out of range or none was stored.
  QString stringAtIndex(uint64_t index) const;
  // Also copies the client entry when `entry` is not null; out of range
  // zero-fills it.
  QString stringAndEntry(void* entry, uint64_t index) const;
  void enumerateEntriesAndStringsUsingBlock(const StringEntryBlock& block);

  // Each inserts a copy of the string; a null QString stores no string.
  uint64_t addEntry(const void* entry) override;
  uint64_t addEntry(const void* entry, const QString& string);
  bool insertEntry(const void* entry, uint64_t index) override;
  bool insertEntry(const void* entry, const QString& string, uint64_t index);
  // At the sorted place of the string; an equal string (ignoring case) goes
  // before the one present. The empty string has no place and is refused.
  bool insertEntry(const void* entry, const QString& sortedString);
  void replaceEntryAtIndex(uint64_t index, const void* entry) override;
  // A null string deletes the slot; at the count it appends; past it, false.
  bool replaceEntry(const void* entry, const QString& string, uint64_t index);
  void deleteEntryAtIndex(uint64_t index) override;
  void deleteAllEntries() override;
  // Replaces every slot with `used` slots laid out as described above;
  // false when they do not fit the allocation.
  bool copyEntries(const void* buffer, uint64_t used) override;

  // Entries travel with their strings, so a count or order set from outside
  // would tear them apart: these do nothing here.
  void enumerateEntriesUsingBlock(const EntryBlock& block) override;
  void setCount(uint64_t count) override;
  void sortEntriesWithContext(int64_t context, const CompareBlock& block) override;

  // A null block sorts by case-insensitive string order.
  void sortStringEntriesWithContext(int64_t context, const StringCompareBlock& block);
  // Case-insensitive search. Found: true with its index. Not found: the count
  // (unsorted) or the insertion index (sorted). The empty string is never
  // found and gives kCSNotFound.
  bool findString(const QString& string, bool isSorted, uint64_t* index) const;

 private:
  CSArrayString() = default;
  QString* stringSlot(uint64_t index) const;
  void setStringSlot(uint64_t index, const QString& string);
  uint8_t* clientBytes(uint64_t index) const { return slotAt(index) + kSlotStringBytes; }
  uint64_t m_clientLength = 0;
};
