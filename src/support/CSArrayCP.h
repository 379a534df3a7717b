#pragma once
// CSArrayCP: entries keyed by ascending character positions (cps). Each
// entry covers the text from its cp to the next entry's cp; a sentinel slot
// after the last entry holds the end of the whole text, maxCp. Lookups answer
// which entry covers a position; shifts follow edits of the text.

#include "support/CSArray.h"

class CSArrayCP : public CSArray {
 public:
  enum Options : uint64_t {
    kFirstOfEqualCps = 1,   // lookups of a shared cp answer the first entry holding it
    kShiftAtEditPoint = 2,  // shifts include entries that start exactly at the edit cp
  };
  static constexpr int32_t kNoCp = -1;  // 0xFFFFFFFF: no cp to answer

  // (cp, client entry or null when the client size is 0, index, stop).
  using CpEntryBlock = std::function<void(int32_t cp, void* entry, uint64_t index, bool* stop)>;

  // An empty array whose sentinel holds `maxCp`; null when the client size
  // is odd or the memory cannot be had.
  static std::unique_ptr<CSArrayCP> create(uint64_t entrySize, uint64_t initialAllocation, int32_t maxCp,
                                           uint64_t options);

  // Same client size, options and allocation; all slots, sentinel included.
  std::unique_ptr<CSArray> copy() const override;

  uint64_t options() const { return m_options; }
  // Bytes per stored slot: the cp, padding that keeps client entries whose
  // size is a multiple of 8 aligned to 8, then the client bytes. copyEntries()
  // reads slots of this layout.
  uint64_t slotLength() const { return m_entryLength; }
  uint64_t clientOffset() const { return m_clientOffset; }

  // ---- Lookups ----
  // The entry covering `cp`: 0 with no entries or for a cp below the first
  // entry's; count - 1 above maxCp; the sentinel's index (the count) for
  // maxCp itself.
  uint64_t indexOfCp(int32_t cp) const { return indexOfCpCore(cp); }
  uint64_t indexOfCp(int32_t cp, int32_t* actualCp) const;
  uint64_t indexOfCpCore(int32_t cp) const;
  // kCSNotFound below the first slot's cp or at or past maxCp.
  uint64_t indexOfCpSafe(int32_t cp) const;
  // The first slot at or after `cp` as the lookup reaches it (may be the
  // sentinel); kCSNotFound past maxCp.
  uint64_t indexOfCpAfter(int32_t cp) const;
  // The cp of indexOfCpAfter's slot, or kNoCp (index kCSNotFound) when that
  // is the sentinel or there is none.
  int32_t cpAfterCp(int32_t cp, uint64_t* index) const;

  // ---- Reading ----
  uint64_t count() const override { return m_usedCount - 1; }
  uint64_t entryLength() const override { return m_clientLength; }
  int32_t maxCp() const { return cpAtIndex(m_usedCount - 1); }
  // An index at or past the count is clamped to the last entry (to the
  // sentinel's bytes when empty).
  void* entryAtIndex(uint64_t index) override;
  void getEntry(void* entry, uint64_t index) const override;  // past the entries: zero bytes
  int32_t cpGetEntry(void* entry, uint64_t index) const;      // past the entries: zero bytes, cp 0
  int32_t cpAtIndex(uint64_t index) const;                    // the sentinel included; past it kNoCp
  void enumerateEntriesAndCPsUsingBlock(const CpEntryBlock& block);

  // ---- Changing (callers keep the cps ascending) ----
  // Adds `delta` (saturating) to the cps at or past the threshold (cp + 1,
  // or cp with kShiftAtEditPoint), walking back from the last entry to
  // `startIndex` (kCSNotFound: found from the threshold); the sentinel
  // always moves, unless `cp` lies past maxCp.
  void adjustCpsAfter(int32_t cp, int32_t delta, uint64_t startIndex);
  // Refused past the count; at the count it goes just before the sentinel.
  // A null entry leaves the client bytes zero.
  bool insertEntry(const void* entry, uint64_t index, int32_t cp);
  // Opens `n` zero-filled slots at `index` (not past the count) with one
  // growth of the storage, for the caller to fill at once.
  bool insertEntries(uint64_t n, uint64_t index);
  void replaceEntryAtIndex(uint64_t index, const void* entry) override;  // entries only
  void replaceCp(int32_t cp, uint64_t index);                            // the sentinel included
  void deleteEntryAtIndex(uint64_t index) override;                      // never the sentinel
  // Removes up to `n` entries from `index`, never the sentinel.
  void deleteEntries(uint64_t n, uint64_t index);
  void deleteAllEntries() override;
  void setMaxCp(int32_t cp);
  // Only shrinks: the slot at `count` becomes the sentinel holding `maxCp`.
  void setCount(uint64_t count, int32_t maxCp);
  void setCount(uint64_t count) override;
  // `used` whole slots, sentinel included; false unless 1 <= used <= the
  // allocation.
  bool copyEntries(const void* buffer, uint64_t used) override;

  // Every entry needs a cp, and order is the cps' order: these refuse or do
  // nothing here.
  uint64_t addEntry(const void* entry) override;
  bool insertEntry(const void* entry, uint64_t index) override;
  void enumerateEntriesUsingBlock(const EntryBlock& block) override;
  void sortEntriesWithContext(int64_t context, const CompareBlock& block) override;

 private:
  CSArrayCP() = default;
  int32_t slotCp(uint64_t index) const;
  void setSlotCp(uint64_t index, int32_t cp);
  uint8_t* clientBytes(uint64_t index) const { return slotAt(index) + m_clientOffset; }
  void makeSentinel(uint64_t index, int32_t cp);

  uint64_t m_options = 0;
  uint64_t m_clientLength = 0;
  uint64_t m_clientOffset = 4;
};
