#pragma once
// Small number functions shared by many parts: magnitudes and extremes, GCD,
// a real-number reader for text in files and fields, in-place byte-order
// conversion of fields and whole records, and buffer helpers.

#include <QByteArray>
#include <QString>
#include <QStringView>
#include <cstddef>
#include <cstdint>

class CSArray;
class CSIndexSet;

// ---- Numbers --------------------------------------------------------------------

// The magnitude; INT64_MIN, which has none, comes back unchanged.
int64_t AbsoluteValue(int64_t v);
inline int64_t Maximum(int64_t a, int64_t b) {
  return a > b ? a : b;
}
inline int64_t Minimum(int64_t a, int64_t b) {
  return a < b ? a : b;
}
inline int64_t MaximumMeasureUnit(int64_t a, int64_t b) {
  return Maximum(a, b);
}
inline int64_t MinimumMeasureUnit(int64_t a, int64_t b) {
  return Minimum(a, b);
}
inline int32_t MinimumCp(int32_t a, int32_t b) {
  return a < b ? a : b;
}
inline int32_t MaximumCp(int32_t a, int32_t b) {
  return a > b ? a : b;
}

// 0 when either is 0; otherwise the greatest common divisor of the
// magnitudes (2^63 for GCD(INT64_MIN, INT64_MIN)).
uint64_t GCD(int64_t a, int64_t b);

// What ParseRealNumber answers.
enum : int {
  kParseRealNone = 0,         // no number, or a malformed one ("1.2.3")
  kParseRealOK = 1,           // *index is after the number
  kParseRealBadExponent = 23  // "1e", "1ex": the value so far, *index after the "e"
};
// Exponents are capped here: anything beyond gives an infinite or zero value
// already, and the cap keeps the digit loop from overflowing.
constexpr int kMaxRealExponent = 100000;
// Reads a number at *index of the first `length` units of `text` (never
// beyond them, nor beyond the text): an optional "-", digits, a "." and
// fraction digits, "," group separators when allowThousands, and an
// exponent. Answers a status code above.
int ParseRealNumber(const char16_t* text, uint32_t length, uint32_t* index, double* value, bool allowThousands);
int ParseRealNumber(QStringView text, uint32_t* index, double* value, bool allowThousands);

// ---- Byte order -----------------------------------------------------------------

int16_t Swapped16(const void* p);   // the 16-bit value at p with its bytes exchanged
uint32_t Swapped32(const void* p);  // the 32-bit value at p reversed
int16_t Swap16(void* p);            // reverses in place, answers the new value
uint32_t Swap32(void* p);
uint64_t Swap64(void* p);
// Fixed-order fields of outside data, whatever the host's order: the value
// of the `width` (1-8) bytes at p, most significant first or last.
uint64_t ReadBigEndian(const void* p, int width);
uint64_t ReadLittleEndian(const void* p, int width);
// Appends the low `width` (1-8) bytes of the value, least significant first.
void AppendLittleEndian(QByteArray& data, uint64_t value, int width);

// Reverses the field at `offset` in each of `count` records `stride` bytes
// apart. Does nothing for a count of 0 or less, or when the field does not
// fit inside a record (offset + field size > stride).
void Swap16Array(void* base, int64_t count, int64_t stride, int64_t offset);
void Swap32Array(void* base, int64_t count, int64_t stride, int64_t offset);
// Reverses the fields of `count` records of recordSize bytes by a layout
// word read two bits at a time from the low end, one code per field: 0 a
// 2-byte field left alone, 1 a 2-byte field reversed, 2 a 4-byte field left
// alone, 3 a 4-byte field reversed. Stops when the layout runs out or a field
// would no longer fit in the record.
void SwapStruct(void* base, int64_t count, int64_t recordSize, uint64_t layout);

// ---- Buffers and tables ------------------------------------------------------------

// Exchanges two blocks through a scratch block of the calling thread; answers
// false (and exchanges nothing) when that memory cannot be had.
bool SwapBuffers(void* a, void* b, size_t length);
// Writes the pattern `count` times; the pattern size is 8, 4, 2 or (for any
// other value) 1 byte.
void FillBuffer(void* buffer, uint64_t pattern, int patternSize, int64_t count);
// A new array of 4-byte entries, the low 32 bits of each index in ascending
// order, allocated for the set's count; null for an empty set or when the
// memory cannot be had. The caller frees it with FreeDynamicArray.
CSArray* CreateDynamicArrayFromIndexSet(const CSIndexSet& indexes);

// Binary search over `count` strings sorted case-insensitively, keyAt(i)
// giving the i-th; *index receives the found position or the insertion point.
template <typename KeyAt>
bool SearchSortedCaseInsensitively(int64_t count, QStringView string, const KeyAt& keyAt, int64_t* index) {
  int64_t low = 0;
  int64_t high = count;
  while (low < high) {
    const int64_t mid = low + (high - low) / 2;
    const int order = QString::compare(keyAt(mid), string, Qt::CaseInsensitive);
    if (order == 0) {
      if (index) *index = mid;
      return true;
    }
    if (order < 0)
      low = mid + 1;
    else
      high = mid;
  }
  if (index) *index = low;
  return false;
}
// Binary search over `count` records `stride` bytes apart, each holding a
// `const char*` (UTF-8, null-terminated) at `offset`, sorted case-insensitively.
// *index receives the found position or where the search ended.
bool IsStringInStaticArray(QStringView string, const void* table, int64_t count, int64_t stride, int64_t offset,
                           int64_t* index);
