#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "support/CSArray.h"
#include "support/DynamicArrays.h"
#include "testkit/LogCapture.h"

namespace {

struct Pair {
  int32_t key;
  int32_t value;
};

std::vector<Pair> Contents(CSArray& array) {
  std::vector<Pair> out;
  for (uint64_t i = 0; i < array.count(); ++i) out.push_back(*static_cast<Pair*>(array.entryAtIndex(i)));
  return out;
}

}  // namespace

TEST(CSArray, CreationRefusesBadSizes) {
  EXPECT_EQ(CSArray::create(0), nullptr);
  EXPECT_EQ(CSArray::create(3), nullptr);
  EXPECT_EQ(CSArray::create(4, 0, true), nullptr);  // all entries in use needs some entries
  EXPECT_EQ(CreateDynamicArray(3, 5), nullptr);

  LogCapture log;
  // Size x count does not fit in 64 bits; then it fits but no memory is there.
  EXPECT_EQ(CSArray::create(uint64_t(1) << 62, 10), nullptr);
  EXPECT_EQ(CSArray::create(uint64_t(1) << 40, 1 << 20), nullptr);
  EXPECT_TRUE(log.text().contains("Allocation failed for")) << log.text().toStdString();

  auto expanded = CSArray::create(sizeof(Pair), 5, true);
  ASSERT_NE(expanded, nullptr);
  EXPECT_EQ(expanded->count(), 5u);
  Pair zero{-1, -1};
  std::memcpy(&zero, expanded->entryAtIndex(4), sizeof zero);
  EXPECT_EQ(zero.key, 0);  // entries in use from the start read as zero
}

TEST(CSArray, GrowsByAQuarterAndAtLeastTen) {
  auto array = CSArray::create(sizeof(Pair));
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(array->allocatedCount(), 10u);
  // (entries appended so far, allocation after the next append)
  const std::pair<int, uint64_t> steps[] = {{9, 10}, {10, 20}, {19, 20}, {20, 30}, {40, 50}, {50, 62}};
  int appended = 0;
  for (auto [before, allocation] : steps) {
    while (appended < before) {
      Pair p{appended, appended};
      ASSERT_EQ(array->addEntry(&p), uint64_t(appended));
      ++appended;
    }
    Pair p{appended, appended};
    ASSERT_EQ(array->addEntry(&p), uint64_t(appended));
    ++appended;
    EXPECT_EQ(array->allocatedCount(), allocation) << "append number " << appended;
  }
  for (uint64_t i = 0; i < array->count(); ++i) EXPECT_EQ(static_cast<Pair*>(array->entryAtIndex(i))->key, int(i));
}

TEST(CSArray, ReadsOutOfRangeAreClampedOrZero) {
  auto array = CSArray::create(sizeof(Pair));
  EXPECT_EQ(array->firstEntry(), nullptr);
  EXPECT_EQ(array->lastEntry(), nullptr);
  EXPECT_NE(array->entryAtIndex(5), nullptr);  // still inside the storage

  for (int i = 0; i < 3; ++i) {
    Pair p{i, 10 * i};
    array->addEntry(&p);
  }
  EXPECT_EQ(static_cast<Pair*>(array->entryAtIndex(3))->key, 2);
  EXPECT_EQ(static_cast<Pair*>(array->entryAtIndex(UINT64_MAX))->key, 2);
  EXPECT_EQ(array->lastEntry(), array->entryAtIndex(2));

  Pair out{77, 77};
  array->getEntry(&out, 3);
  EXPECT_EQ(out.key, 0);
  EXPECT_EQ(out.value, 0);
  array->getEntry(&out, 1);
  EXPECT_EQ(out.value, 10);
  FetchDynamicArrayEntry(array.get(), 0xFFFFFFFF, &out);
  EXPECT_EQ(out.value, 0);
}

TEST(CSArray, InsertDeleteReplaceAndCount) {
  auto array = CSArray::create(sizeof(Pair));
  Pair a{1, 1}, b{2, 2}, c{3, 3};
  EXPECT_TRUE(array->insertEntry(&a, 0));
  EXPECT_TRUE(array->insertEntry(&c, 1));   // at the count: appends
  EXPECT_FALSE(array->insertEntry(&b, 3));  // past the count: refused
  EXPECT_TRUE(array->insertEntry(&b, 1));
  EXPECT_EQ(Contents(*array).size(), 3u);
  EXPECT_EQ(Contents(*array)[1].key, 2);

  array->replaceEntryAtIndex(3, &a);  // ignored
  array->deleteEntryAtIndex(3);       // ignored
  array->deleteEntryAtIndex(0);
  ASSERT_EQ(array->count(), 2u);
  EXPECT_EQ(Contents(*array)[0].key, 2);
  EXPECT_EQ(Contents(*array)[1].key, 3);

  // The slot past the end still holds the old last entry's bytes; a null
  // entry must not expose them.
  EXPECT_TRUE(array->insertEntry(nullptr, 2));
  EXPECT_EQ(Contents(*array)[2].key, 0);
  EXPECT_TRUE(array->insertEntry(nullptr, 0));
  EXPECT_EQ(Contents(*array)[0].key, 0);
  EXPECT_EQ(Contents(*array)[1].key, 2);

  array->setCount(1000);
  EXPECT_EQ(array->count(), array->allocatedCount());
  array->deleteAllEntries();
  EXPECT_EQ(array->count(), 0u);
  EXPECT_EQ(array->allocatedCount(), 10u);
}

TEST(CSArray, CopyEntriesRefusesMoreThanTheAllocation) {
  auto array = CSArray::create(sizeof(Pair), 4);
  ASSERT_EQ(array->allocatedCount(), 10u);
  std::vector<Pair> source(11, Pair{5, 6});
  EXPECT_FALSE(array->copyEntries(source.data(), 11));
  EXPECT_EQ(array->count(), 0u);
  EXPECT_TRUE(array->copyEntries(source.data(), 10));
  EXPECT_EQ(array->count(), 10u);
  EXPECT_EQ(Contents(*array)[9].value, 6);
}

TEST(CSArray, CopyIsIndependent) {
  auto array = CSArray::create(sizeof(Pair), 30);
  for (int i = 0; i < 12; ++i) {
    Pair p{i, -i};
    array->addEntry(&p);
  }
  auto copied = array->copy();
  ASSERT_NE(copied, nullptr);
  EXPECT_EQ(copied->allocatedCount(), 30u);
  Pair changed{99, 99};
  array->replaceEntryAtIndex(0, &changed);
  EXPECT_EQ(Contents(*copied)[0].key, 0);
  EXPECT_EQ(Contents(*copied)[11].value, -11);

  CSArray* stub = CopyDynamicArray(array.get());
  EXPECT_EQ(SizeOfDynamicArray(stub), 12u);
  EXPECT_EQ(static_cast<Pair*>(DynamicArrayEntry(stub, 0))->key, 99);
  FreeDynamicArray(stub);
}

TEST(CSArray, EnumerationStopsAfterTheCallThatSetsTheFlag) {
  auto array = CSArray::create(sizeof(Pair));
  for (int i = 0; i < 6; ++i) {
    Pair p{i, 0};
    array->addEntry(&p);
  }
  std::vector<uint64_t> seen;
  array->enumerateEntriesUsingBlock([&](void* entry, uint64_t index, bool* stop) {
    EXPECT_EQ(static_cast<Pair*>(entry)->key, int(index));
    seen.push_back(index);
    if (index == 2) *stop = true;
  });
  EXPECT_EQ(seen, (std::vector<uint64_t>{0, 1, 2}));
}

TEST(CSArray, ShellSortUsesGapsOfTwoToTheKMinusOne) {
  // The gap of each comparison is read from the entries' positions.
  struct Case {
    int count;
    std::vector<int64_t> gaps;
  } cases[] = {{0, {}}, {1, {}}, {2, {1}}, {3, {1}}, {5, {3, 1}}, {8, {7, 3, 1}}, {20, {15, 7, 3, 1}}};
  for (const Case& c : cases) {
    auto array = CSArray::create(sizeof(Pair));
    // Descending keys, so most comparisons swap.
    for (int i = 0; i < c.count; ++i) {
      Pair p{c.count - i, i};
      array->addEntry(&p);
    }
    std::vector<int64_t> gaps;
    const auto* base = static_cast<const uint8_t*>(array->entryAtIndex(0));
    array->sortEntriesWithContext(7, [&](const void* a, const void* b, int64_t context) {
      EXPECT_EQ(context, 7);
      const int64_t gap = (static_cast<const uint8_t*>(b) - static_cast<const uint8_t*>(a)) / int64_t(sizeof(Pair));
      if (gaps.empty() || gaps.back() != gap) gaps.push_back(gap);
      return static_cast<const Pair*>(a)->key > static_cast<const Pair*>(b)->key ? 1 : -1;
    });
    EXPECT_EQ(gaps, c.gaps) << "count " << c.count;
    EXPECT_EQ(static_cast<const uint8_t*>(array->entryAtIndex(0)), base);
    for (int i = 0; i < c.count; ++i) EXPECT_EQ(Contents(*array)[i].key, i + 1);
  }
}

TEST(CSArray, SortMatchesStdSortOnRandomKeys) {
  std::mt19937 random(42);
  for (int count : {2, 7, 64, 100, 1000}) {
    CSArray* array = CreateDynamicArray(sizeof(Pair), 0);
    std::vector<int32_t> model;
    for (int i = 0; i < count; ++i) {
      Pair p{int32_t(random() % 50) - 25, i};
      model.push_back(p.key);
      ASSERT_EQ(AppendToDynamicArray(array, &p), uint32_t(i));
    }
    SortDynamicArray(
        array,
        [](const void* a, const void* b, int64_t) {
          return static_cast<const Pair*>(a)->key > static_cast<const Pair*>(b)->key;
        },
        0);
    std::sort(model.begin(), model.end());
    for (int i = 0; i < count; ++i) {
      Pair p{};
      FetchDynamicArrayEntry(array, uint32_t(i), &p);
      ASSERT_EQ(p.key, model[size_t(i)]) << "count " << count << " index " << i;
    }
    FreeDynamicArray(array);
  }
}

TEST(CSArray, PlainFunctionsAcceptNullAndMapNotFound) {
  FreeDynamicArray(nullptr);
  Pair p{1, 2};
  EXPECT_EQ(AppendToDynamicArray(nullptr, &p), kDynamicArrayNotFound);
  EXPECT_EQ(SizeOfDynamicArray(nullptr), 0u);
  EXPECT_EQ(DynamicArrayEntry(nullptr, 0), nullptr);
  EXPECT_EQ(CopyDynamicArray(nullptr), nullptr);

  CSArray* expanded = CreateAndExpandDynamicArray(sizeof(Pair), 3);
  EXPECT_EQ(SizeOfDynamicArray(expanded), 3u);
  EXPECT_EQ(DynamicArrayEntryLength(expanded), sizeof(Pair));
  EXPECT_TRUE(InsertInDynamicArray(expanded, 3, &p));
  EXPECT_FALSE(InsertInDynamicArray(expanded, 5, &p));
  ReplaceDynamicArrayEntry(expanded, 0, &p);
  DeleteFromDynamicArray(expanded, 1);
  EXPECT_EQ(SizeOfDynamicArray(expanded), 3u);
  EXPECT_EQ(static_cast<Pair*>(DynamicArrayEntry(expanded, 0))->value, 2);
  EXPECT_EQ(static_cast<Pair*>(DynamicArrayEntry(expanded, 2))->value, 2);
  SetDynamicArrayCount(expanded, 1);
  EXPECT_EQ(SizeOfDynamicArray(expanded), 1u);
  ClearDynamicArray(expanded);
  EXPECT_EQ(SizeOfDynamicArray(expanded), 0u);
  FreeDynamicArray(expanded);
}
