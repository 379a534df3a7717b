// Any sequence of edits and lookups on the position-keyed and string-keyed
// arrays, with cps in or out of order and indexes in or out of range: every
// read and write stays inside the storage, the sentinel stays last, and
// nothing leaks.
#include <cstdlib>
#include <cstring>

#include "support/CSArrayCP.h"
#include "support/CSArrayString.h"

namespace {

class Reader {
 public:
  Reader(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  bool done() const { return m_at >= m_size; }
  uint8_t byte() { return m_at < m_size ? m_data[m_at++] : 0; }
  uint16_t word() { return uint16_t(byte() | byte() << 8); }
  int32_t cp() {
    // Mostly small positions, now and then the extremes.
    const uint8_t kind = byte();
    if (kind == 0xFF) return INT32_MAX;
    if (kind == 0xFE) return INT32_MIN;
    return int32_t(word()) - 100;
  }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_at = 0;
};

void Check(bool condition) {
  if (!condition) std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  Reader in(data, size);
  const uint64_t entrySize = (in.byte() % 9) * 2;  // 0 to 16, even
  const uint64_t options = in.byte() % 4;
  auto array = CSArrayCP::create(entrySize, in.byte(), in.cp(), options);
  auto strings = CSArrayString::create(entrySize);
  if (!array || !strings) return 0;
  uint8_t entry[16];
  uint8_t out[16];
  for (int steps = 0; !in.done() && steps < 4000; ++steps) {
    const uint8_t op = in.byte();
    std::memset(entry, op, sizeof entry);
    const uint64_t index = in.byte() % 64 == 63 ? UINT64_MAX : in.word() % 300;
    switch (op % 20) {
      case 0:
        array->insertEntry(op & 1 ? entry : nullptr, index, in.cp());
        break;
      case 1:
        array->insertEntries(in.byte(), index);
        break;
      case 2:
        array->deleteEntries(in.word(), index);
        break;
      case 3:
        array->deleteEntryAtIndex(index);
        break;
      case 4: {
        const int32_t cp = in.cp();
        const int32_t delta = in.cp();
        array->adjustCpsAfter(cp, delta, op & 1 ? index : kCSNotFound);
        break;
      }
      case 5:
        array->replaceCp(in.cp(), index);
        break;
      case 6:
        array->replaceEntryAtIndex(index, entry);
        break;
      case 7:
        array->setCount(index, in.cp());
        break;
      case 8:
        array->setMaxCp(in.cp());
        break;
      case 9:
        array->deleteAllEntries();
        break;
      case 10: {
        uint64_t after = 0;
        const int32_t cp = in.cp();
        array->indexOfCp(cp);
        array->indexOfCpSafe(cp);
        array->indexOfCpAfter(cp);
        array->cpAfterCp(cp, &after);
        Check(after == kCSNotFound || after < array->count());
        break;
      }
      case 11:
        array->cpGetEntry(out, index);
        std::memcpy(out, array->entryAtIndex(index), entrySize);
        array->cpAtIndex(index);
        break;
      case 12: {
        auto copied = array->copy();
        if (copied) array.reset(static_cast<CSArrayCP*>(copied.release()));
        break;
      }
      case 13:
        strings->insertEntry(op & 1 ? entry : nullptr, QString::number(in.word() % 50), index);
        break;
      case 14:
        strings->insertEntry(entry, QString::number(in.word() % 50));
        break;
      case 15:
        strings->replaceEntry(op & 1 ? entry : nullptr, op & 2 ? QString() : QStringLiteral("r"), index);
        break;
      case 16:
        strings->deleteEntryAtIndex(index);
        break;
      case 17: {
        uint64_t found = 0;
        strings->findString(QString::number(in.word() % 50), op & 1, &found);
        strings->stringAndEntry(out, index);
        if (void* e = strings->entryAtIndex(index)) std::memcpy(out, e, entrySize);
        break;
      }
      case 18:
        strings->sortStringEntriesWithContext(0, nullptr);
        break;
      case 19: {
        auto copied = strings->copy();
        if (copied) strings.reset(static_cast<CSArrayString*>(copied.release()));
        break;
      }
    }
    Check(array->count() < array->allocatedCount());
    Check(array->cpAtIndex(array->count()) == array->maxCp());
    Check(array->cpAtIndex(array->count() + 1) == CSArrayCP::kNoCp);
    Check(strings->count() <= strings->allocatedCount());
  }
  return 0;
}
