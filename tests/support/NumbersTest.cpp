#include <gtest/gtest.h>

#include <QString>
#include <cmath>
#include <cstring>
#include <limits>
#include <thread>
#include <vector>

#include "support/CSArray.h"
#include "support/CSIndexSet.h"
#include "support/DynamicArrays.h"
#include "support/Numbers.h"

TEST(Numbers, AbsoluteValueAndExtremes) {
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  EXPECT_EQ(AbsoluteValue(-5), 5);
  EXPECT_EQ(AbsoluteValue(5), 5);
  EXPECT_EQ(AbsoluteValue(kMin), kMin);  // no magnitude to give; no signed overflow either
  EXPECT_EQ(Maximum(-3, 2), 2);
  EXPECT_EQ(Minimum(-3, 2), -3);
  EXPECT_EQ(MinimumCp(-1, 0), -1);
  EXPECT_EQ(MaximumCp(-1, 0), 0);
}

TEST(Numbers, GcdOnMagnitudes) {
  constexpr int64_t kMin = std::numeric_limits<int64_t>::min();
  struct Row {
    int64_t a, b;
    uint64_t gcd;
  } rows[] = {
      {0, 914400, 0},      {914400, 0, 0}, {-12, 18, 6},
      {12, -18, 6},        {-12, -18, 6},  {17, 5, 1},
      {12700, 9525, 3175}, {kMin, 6, 2},   {kMin, kMin, uint64_t(1) << 63},
      {kMin, 3, 1},
  };
  for (const Row& r : rows) EXPECT_EQ(GCD(r.a, r.b), r.gcd) << r.a << " " << r.b;
}

TEST(Numbers, ParseRealNumberTable) {
  struct Row {
    const char16_t* text;
    uint32_t start;
    bool thousands;
    int status;
    double value;    // checked when the status is not 0
    uint32_t index;  // checked when the status is not 0
  } rows[] = {
      {u"2.5e3", 0, false, 1, 2500, 5},
      {u"1,234.5", 0, true, 1, 1234.5, 7},
      {u"1,234.5", 0, false, 1, 1, 1},
      {u"1.2,3", 0, true, 0, 0, 0},
      {u"1e", 0, false, 23, 1, 2},
      {u"1ex", 0, false, 23, 1, 2},
      {u"1e+", 0, false, 23, 1, 2},
      {u"1e-x", 0, false, 23, 1, 2},
      {u"1.2.3", 0, false, 0, 0, 0},
      {u"-", 0, false, 1, -0.0, 1},
      {u"-4.25", 0, false, 1, -4.25, 5},
      {u".5", 0, false, 1, 0.5, 2},
      {u"12px", 0, false, 1, 12, 2},
      {u"x12", 1, false, 1, 12, 3},
      {u"1E-2 ", 0, false, 1, 0.01, 4},
      {u"1e+2", 0, false, 1, 100, 4},
      {u"abc", 0, false, 0, 0, 0},
      {u"", 0, false, 0, 0, 0},
      {u"5", 3, false, 0, 0, 0},  // start past the end
      {u"0.1234567890123456789012345", 0, false, 1, 0.1234567890123456789, 27},
      {u"123456789012345678901234567890", 0, false, 1, 1.2345678901234567e29, 30},
  };
  for (const Row& r : rows) {
    const QString text = QString::fromUtf16(r.text);
    uint32_t index = r.start;
    double value = 12345;
    const int status = ParseRealNumber(text, &index, &value, r.thousands);
    EXPECT_EQ(status, r.status) << text.toStdString();
    if (status == 0) continue;
    EXPECT_DOUBLE_EQ(value, r.value) << text.toStdString();
    EXPECT_EQ(std::signbit(value), std::signbit(r.value)) << text.toStdString();
    EXPECT_EQ(index, r.index) << text.toStdString();
  }
}

TEST(Numbers, ParseRealNumberCapsExponentsAndStaysInsideLength) {
  uint32_t index = 0;
  double value = 0;
  const QString huge = QStringLiteral("1e99999999999999999999999999999");
  EXPECT_EQ(ParseRealNumber(huge, &index, &value, false), 1);
  EXPECT_TRUE(std::isinf(value));
  EXPECT_EQ(index, uint32_t(huge.size()));
  index = 0;
  EXPECT_EQ(ParseRealNumber(QStringLiteral("5e-99999999999999999999"), &index, &value, false), 1);
  EXPECT_EQ(value, 0.0);
  index = 0;
  EXPECT_EQ(ParseRealNumber(QStringLiteral("0e999999"), &index, &value, false), 1);
  EXPECT_EQ(value, 0.0);
  index = 0;
  EXPECT_EQ(ParseRealNumber(QStringLiteral("1e-320"), &index, &value, false), 1);
  EXPECT_GT(value, 0.0);  // subnormal, not flushed to zero early

  // Only `length` units are read: the buffer below is not terminated, and
  // ASan catches any read beyond it.
  std::vector<char16_t> buffer = {u'1', u'2', u'e'};
  index = 0;
  EXPECT_EQ(ParseRealNumber(buffer.data(), 3, &index, &value, false), 23);
  EXPECT_EQ(index, 3u);
  buffer = {u'4', u'e', u'-'};
  index = 0;
  EXPECT_EQ(ParseRealNumber(buffer.data(), 3, &index, &value, false), 23);
  EXPECT_EQ(value, 4.0);
  buffer = {u'7', u'.', u'5'};
  index = 0;
  EXPECT_EQ(ParseRealNumber(buffer.data(), 2, &index, &value, false), 1);
  EXPECT_EQ(value, 7.0);
  EXPECT_EQ(index, 2u);
  EXPECT_EQ(ParseRealNumber(nullptr, 3, &index, &value, false), 0);
}

TEST(Numbers, ByteOrder) {
  uint8_t bytes[8] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
  uint16_t native16;
  std::memcpy(&native16, bytes, 2);
  EXPECT_EQ(uint16_t(Swapped16(bytes)), uint16_t((native16 >> 8) | (native16 << 8)));
  EXPECT_EQ(Swapped32(bytes), 0x12345678u);  // on this little-endian machine: a big-endian read
  EXPECT_EQ(bytes[0], 0x12);                 // untouched
  Swap32(bytes);
  EXPECT_EQ(bytes[0], 0x78);
  EXPECT_EQ(bytes[3], 0x12);
  Swap64(bytes);
  EXPECT_EQ(bytes[0], 0xF0);
  EXPECT_EQ(bytes[7], 0x78);
  uint8_t two[2] = {0xFF, 0x7F};
  EXPECT_EQ(Swap16(two), int16_t(-129));  // 0xFF7F as signed
}

TEST(Numbers, FixedOrderReads) {
  const uint8_t bytes[8] = {0x12, 0x34, 0x56, 0x78, 0x9A, 0xBC, 0xDE, 0xF0};
  EXPECT_EQ(ReadBigEndian(bytes, 1), 0x12u);
  EXPECT_EQ(ReadBigEndian(bytes, 2), 0x1234u);
  EXPECT_EQ(ReadBigEndian(bytes + 5, 3), 0xBCDEF0u);
  EXPECT_EQ(ReadBigEndian(bytes, 4), 0x12345678u);
  EXPECT_EQ(ReadBigEndian(bytes, 8), 0x123456789ABCDEF0u);
  EXPECT_EQ(ReadLittleEndian(bytes, 2), 0x3412u);
  EXPECT_EQ(ReadLittleEndian(bytes + 5, 3), 0xF0DEBCu);
  EXPECT_EQ(ReadLittleEndian(bytes, 8), 0xF0DEBC9A78563412u);
  QByteArray packed("x");
  AppendLittleEndian(packed, 0x0102030405060708u, 8);
  AppendLittleEndian(packed, 0xABCD, 2);
  AppendLittleEndian(packed, 0xFFFF, 1);  // only the low bytes go in
  EXPECT_EQ(packed, QByteArray("x\x08\x07\x06\x05\x04\x03\x02\x01\xCD\xAB\xFF"));
  EXPECT_EQ(ReadLittleEndian(packed.constData() + 1, 8), 0x0102030405060708u);
}

TEST(Numbers, SwapStructByLayout) {
  // Layout 13 (binary 1101): code 1 then code 3 on 6-byte records.
  uint8_t records[12] = {1, 2, 3, 4, 5, 6, 11, 12, 13, 14, 15, 16};
  SwapStruct(records, 2, 6, 13);
  const uint8_t expected[12] = {2, 1, 6, 5, 4, 3, 12, 11, 16, 15, 14, 13};
  EXPECT_EQ(std::memcmp(records, expected, 12), 0);

  // Code 3 (a 4-byte field) at offset 2 of a 4-byte record does not fit: the
  // walk stops there instead of running into the next record.
  uint8_t small[9] = {1, 2, 3, 4, 5, 6, 7, 8, 0xEE};
  SwapStruct(small, 2, 4, 0xD);  // 1 (2 bytes), then 3 (4 bytes)
  const uint8_t expectedSmall[9] = {2, 1, 3, 4, 6, 5, 7, 8, 0xEE};
  EXPECT_EQ(std::memcmp(small, expectedSmall, 9), 0);

  uint8_t untouched[4] = {1, 2, 3, 4};
  SwapStruct(untouched, 1, 4, 0);
  SwapStruct(untouched, 0, 4, 1);
  SwapStruct(untouched, 1, 0, 1);
  SwapStruct(untouched, 1, 1, 1);  // a 2-byte field does not fit in 1 byte
  EXPECT_EQ(untouched[0], 1);
  EXPECT_EQ(untouched[1], 2);
}

TEST(Numbers, SwapArraysStayInsideRecords) {
  uint8_t records[8] = {1, 2, 3, 4, 5, 6, 7, 8};
  Swap16Array(records, 2, 4, 2);
  const uint8_t expected[8] = {1, 2, 4, 3, 5, 6, 8, 7};
  EXPECT_EQ(std::memcmp(records, expected, 8), 0);
  Swap32Array(records, 2, 4, 2);  // would straddle the next record: nothing
  Swap16Array(records, 0, 4, 0);
  Swap16Array(records, -1, 4, 0);
  EXPECT_EQ(std::memcmp(records, expected, 8), 0);
  Swap32Array(records, 2, 4, 0);
  EXPECT_EQ(records[0], 3);
  EXPECT_EQ(records[4], 7);
}

TEST(Numbers, SwapBuffersPerThread) {
  std::vector<uint8_t> a(1000, 1), b(1000, 2);
  EXPECT_TRUE(SwapBuffers(a.data(), b.data(), a.size()));
  EXPECT_EQ(a[999], 2);
  EXPECT_EQ(b[0], 1);
  // Threads exchanging at once each use their own scratch block; a shared
  // one would mix their bytes (and TSan/ASan would flag the reallocation).
  std::vector<std::thread> threads;
  std::vector<int> failures(4, 0);
  for (int t = 0; t < 4; ++t) {
    threads.emplace_back([t, &failures] {
      for (int round = 0; round < 200; ++round) {
        const size_t length = 64 + size_t(round * 37 + t * 101) % 4000;
        std::vector<uint8_t> x(length, uint8_t(t)), y(length, uint8_t(100 + t));
        if (!SwapBuffers(x.data(), y.data(), length) || x.front() != 100 + t || x.back() != 100 + t || y.front() != t ||
            y.back() != t)
          ++failures[size_t(t)];
      }
    });
  }
  for (auto& th : threads) th.join();
  for (int f : failures) EXPECT_EQ(f, 0);
}

TEST(Numbers, FillBuffer) {
  uint8_t buffer[16] = {};
  FillBuffer(buffer, 0x0102, 2, 3);
  uint16_t v;
  std::memcpy(&v, buffer + 4, 2);
  EXPECT_EQ(v, 0x0102);
  EXPECT_EQ(buffer[6], 0);
  FillBuffer(buffer, 0xAB, 3, 16);  // an odd size counts as 1 byte
  EXPECT_EQ(buffer[15], 0xAB);
  uint64_t big[2] = {};
  FillBuffer(big, 0x1122334455667788ull, 8, 2);
  EXPECT_EQ(big[1], 0x1122334455667788ull);
}

TEST(Numbers, StaticTableSearch) {
  struct Entry {
    int id;
    const char* name;
  };
  static const Entry table[] = {{1, "ansi"}, {2, "Bold"}, {3, "fonttbl"}, {4, "Par"}, {5, "rtf"}};
  int64_t index = -1;
  EXPECT_TRUE(IsStringInStaticArray(u"PAR", table, 5, sizeof(Entry), offsetof(Entry, name), &index));
  EXPECT_EQ(index, 3);
  EXPECT_FALSE(IsStringInStaticArray(u"cell", table, 5, sizeof(Entry), offsetof(Entry, name), &index));
  EXPECT_EQ(index, 2);
  EXPECT_FALSE(IsStringInStaticArray(u"zz", table, 5, sizeof(Entry), offsetof(Entry, name), &index));
  EXPECT_EQ(index, 5);
  EXPECT_FALSE(IsStringInStaticArray(u"a", table, 0, sizeof(Entry), offsetof(Entry, name), &index));
  EXPECT_EQ(index, 0);
  // A key that would lie outside the record is refused.
  EXPECT_FALSE(IsStringInStaticArray(u"a", table, 5, sizeof(Entry), sizeof(Entry), &index));
}

TEST(Numbers, DynamicArrayFromIndexSet) {
  EXPECT_EQ(CreateDynamicArrayFromIndexSet(CSIndexSet()), nullptr);

  CSIndexSet set;
  set.addIndex(7);
  set.addRange(1, 3);
  set.addRange(100, 139);
  CSArray* array = CreateDynamicArrayFromIndexSet(set);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(DynamicArrayEntryLength(array), 4u);
  ASSERT_EQ(SizeOfDynamicArray(array), 44u);
  EXPECT_EQ(array->allocatedCount(), 44u);  // made for the count, never grown
  std::vector<uint32_t> entries;
  for (uint32_t i = 0; i < 44; ++i) entries.push_back(*static_cast<uint32_t*>(DynamicArrayEntry(array, i)));
  std::vector<uint32_t> expected = {1, 2, 3, 7};
  for (uint32_t i = 100; i <= 139; ++i) expected.push_back(i);
  EXPECT_EQ(entries, expected);
  FreeDynamicArray(array);
}
