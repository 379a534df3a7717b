#include "support/Numbers.h"

#include <QString>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <limits>

#include "support/CSArray.h"
#include "support/CSCore.h"
#include "support/CSIndexSet.h"

// ---- Numbers --------------------------------------------------------------------

int64_t AbsoluteValue(int64_t v) {
  if (v == std::numeric_limits<int64_t>::min()) return v;
  return v < 0 ? -v : v;
}

namespace {
uint64_t Magnitude(int64_t v) {
  return v < 0 ? uint64_t(0) - uint64_t(v) : uint64_t(v);
}
}  // namespace

uint64_t GCD(int64_t a, int64_t b) {
  if (a == 0 || b == 0) return 0;
  uint64_t x = Magnitude(a);
  uint64_t y = Magnitude(b);
  if (x < y) std::swap(x, y);
  while (y != 0) {
    const uint64_t r = x % y;
    x = y;
    y = r;
  }
  return x;
}

namespace {

// Decimal digits gathered as an integer and a power of ten, so that a long
// fraction keeps its precision.
struct DecimalAccumulator {
  static constexpr uint64_t kLimit = 1000000000000000000ull;  // 19 digits fit below 2^64
  uint64_t mantissa = 0;
  int64_t scale = 0;

  void addWholeDigit(int d) {
    if (mantissa < kLimit)
      mantissa = mantissa * 10 + uint64_t(d);
    else
      ++scale;  // beyond the precision kept: only the magnitude counts
  }
  void addFractionDigit(int d) {
    if (mantissa < kLimit) {
      mantissa = mantissa * 10 + uint64_t(d);
      --scale;
    }
  }
  double value(int64_t exponent) const {
    if (mantissa == 0) return 0;
    const int64_t power = scale + exponent;
    const double m = double(mantissa);
    if (power == 0) return m;
    if (power > 0) return power > 400 ? HUGE_VAL : m * std::pow(10.0, double(power));
    if (power < -400) return 0;
    // Dividing twice reaches values below 1e-308 without an early zero.
    if (power < -300) return m / std::pow(10.0, 300.0) / std::pow(10.0, double(-power - 300));
    return m / std::pow(10.0, double(-power));
  }
};

bool IsDigit(char16_t c) {
  return c >= u'0' && c <= u'9';
}

}  // namespace

int ParseRealNumber(const char16_t* text, uint32_t length, uint32_t* index, double* value, bool allowThousands) {
  if (!index) return kParseRealNone;
  uint32_t i = *index;
  if (!text || i >= length) return kParseRealNone;
  const char16_t first = text[i];
  if (first != u'.' && first != u'-' && !IsDigit(first)) return kParseRealNone;

  DecimalAccumulator digits;
  bool negative = false;
  bool inFraction = false;
  auto answer = [&](int status, uint32_t at, int64_t exponent) {
    const double v = digits.value(exponent);
    if (value) *value = negative ? -v : v;
    *index = at;
    return status;
  };

  if (first == u'-') {
    negative = true;
    ++i;
    if (i >= length) return answer(kParseRealOK, i, 0);  // "-" alone: negative zero
  }
  for (; i < length; ++i) {
    const char16_t c = text[i];
    if (IsDigit(c)) {
      if (inFraction)
        digits.addFractionDigit(c - u'0');
      else
        digits.addWholeDigit(c - u'0');
    } else if (c == u'.') {
      if (inFraction) return kParseRealNone;
      inFraction = true;
    } else if (c == u',') {
      if (!allowThousands) return answer(kParseRealOK, i, 0);
      if (inFraction) return kParseRealNone;
    } else if (c == u'e' || c == u'E') {
      const uint32_t afterE = i + 1;
      if (afterE >= length) return answer(kParseRealBadExponent, afterE, 0);
      uint32_t p = afterE;
      bool negativeExponent = false;
      if ((text[p] == u'+' || text[p] == u'-') && p + 1 < length && IsDigit(text[p + 1])) {
        negativeExponent = text[p] == u'-';
        ++p;
      }
      if (!IsDigit(text[p])) return answer(kParseRealBadExponent, afterE, 0);
      int64_t exponent = 0;
      for (; p < length && IsDigit(text[p]); ++p)
        exponent = std::min<int64_t>(exponent * 10 + (text[p] - u'0'), kMaxRealExponent);
      return answer(kParseRealOK, p, negativeExponent ? -exponent : exponent);
    } else {
      return answer(kParseRealOK, i, 0);
    }
  }
  return answer(kParseRealOK, i, 0);
}

int ParseRealNumber(QStringView text, uint32_t* index, double* value, bool allowThousands) {
  const uint32_t length = uint32_t(std::min<qsizetype>(text.size(), std::numeric_limits<uint32_t>::max()));
  return ParseRealNumber(text.utf16(), length, index, value, allowThousands);
}

// ---- Byte order -----------------------------------------------------------------

int16_t Swapped16(const void* p) {
  uint16_t v;
  std::memcpy(&v, p, 2);
  return int16_t(uint16_t((v >> 8) | (v << 8)));
}

uint32_t Swapped32(const void* p) {
  uint32_t v;
  std::memcpy(&v, p, 4);
  return __builtin_bswap32(v);
}

uint64_t ReadBigEndian(const void* p, int width) {
  const auto* bytes = static_cast<const uint8_t*>(p);
  uint64_t value = 0;
  for (int i = 0; i < width; ++i) value = value << 8 | bytes[i];
  return value;
}

uint64_t ReadLittleEndian(const void* p, int width) {
  const auto* bytes = static_cast<const uint8_t*>(p);
  uint64_t value = 0;
  for (int i = width - 1; i >= 0; --i) value = value << 8 | bytes[i];
  return value;
}

void AppendLittleEndian(QByteArray& data, uint64_t value, int width) {
  for (int i = 0; i < width; ++i) data += char((value >> (8 * i)) & 0xFF);
}

int16_t Swap16(void* p) {
  const int16_t v = Swapped16(p);
  std::memcpy(p, &v, 2);
  return v;
}

uint32_t Swap32(void* p) {
  const uint32_t v = Swapped32(p);
  std::memcpy(p, &v, 4);
  return v;
}

uint64_t Swap64(void* p) {
  uint64_t v;
  std::memcpy(&v, p, 8);
  v = __builtin_bswap64(v);
  std::memcpy(p, &v, 8);
  return v;
}

namespace {
void SwapFieldArray(void* base, int64_t count, int64_t stride, int64_t offset, int size) {
  if (!base || count <= 0 || offset < 0 || stride < offset + size) return;
  auto* p = static_cast<uint8_t*>(base) + offset;
  for (int64_t i = 0; i < count; ++i, p += stride) {
    if (size == 2)
      Swap16(p);
    else
      Swap32(p);
  }
}
}  // namespace

void Swap16Array(void* base, int64_t count, int64_t stride, int64_t offset) {
  SwapFieldArray(base, count, stride, offset, 2);
}

void Swap32Array(void* base, int64_t count, int64_t stride, int64_t offset) {
  SwapFieldArray(base, count, stride, offset, 4);
}

void SwapStruct(void* base, int64_t count, int64_t recordSize, uint64_t layout) {
  if (!base || count <= 0 || recordSize < 1 || layout == 0) return;
  int64_t offset = 0;
  while (layout != 0 && offset < recordSize) {
    const unsigned code = unsigned(layout & 3);
    layout >>= 2;
    const int size = code < 2 ? 2 : 4;
    if (offset + size > recordSize) return;  // the field would run into the next record
    if (code & 1) SwapFieldArray(base, count, recordSize, offset, size);
    offset += size;
  }
}

// ---- Buffers and tables ------------------------------------------------------------

namespace {
// One scratch block per thread: a shared block would be a race as soon as two
// threads exchange buffers at once.
struct ScratchBlock {
  void* memory = nullptr;
  size_t size = 0;
  ~ScratchBlock() { FreeMemory(memory); }
};
}  // namespace

bool SwapBuffers(void* a, void* b, size_t length) {
  if (length == 0 || a == b) return true;
  if (!a || !b) return false;
  thread_local ScratchBlock scratch;
  if (scratch.size < length) {
    FreeMemory(scratch.memory);
    scratch.size = 0;
    scratch.memory = AllocateMemory(length);
    if (!scratch.memory) return false;
    scratch.size = length;
  }
  std::memcpy(scratch.memory, a, length);
  std::memmove(a, b, length);
  std::memcpy(b, scratch.memory, length);
  return true;
}

void FillBuffer(void* buffer, uint64_t pattern, int patternSize, int64_t count) {
  if (!buffer || count <= 0) return;
  const int size = (patternSize == 8 || patternSize == 4 || patternSize == 2) ? patternSize : 1;
  auto* p = static_cast<uint8_t*>(buffer);
  const uint8_t u8 = uint8_t(pattern);
  const uint16_t u16 = uint16_t(pattern);
  const uint32_t u32 = uint32_t(pattern);
  for (int64_t i = 0; i < count; ++i, p += size) {
    switch (size) {
      case 8:
        std::memcpy(p, &pattern, 8);
        break;
      case 4:
        std::memcpy(p, &u32, 4);
        break;
      case 2:
        std::memcpy(p, &u16, 2);
        break;
      default:
        *p = u8;
        break;
    }
  }
}

CSArray* CreateDynamicArrayFromIndexSet(const CSIndexSet& indexes) {
  if (indexes.isEmpty()) return nullptr;
  std::unique_ptr<CSArray> array = CSArray::create(sizeof(uint32_t), uint64_t(indexes.count()));
  if (!array) return nullptr;
  for (const auto& [first, last] : indexes.ranges()) {
    for (int64_t i = first; i <= last; ++i) {
      const uint32_t entry = uint32_t(uint64_t(i) & 0xFFFFFFFF);
      array->addEntry(&entry);  // within the allocation: never grows
    }
  }
  return array.release();
}

bool IsStringInStaticArray(QStringView string, const void* table, int64_t count, int64_t stride, int64_t offset,
                           int64_t* index) {
  if (!table || count <= 0 || stride <= 0 || offset < 0 || offset + int64_t(sizeof(const char*)) > stride) {
    if (index) *index = 0;
    return false;
  }
  const auto* bytes = static_cast<const uint8_t*>(table);
  return SearchSortedCaseInsensitively(
      count, string,
      [&](int64_t i) {
        const char* entry;
        std::memcpy(&entry, bytes + i * stride + offset, sizeof entry);
        return QString::fromUtf8(entry ? entry : "");
      },
      index);
}
