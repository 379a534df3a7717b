#include <gtest/gtest.h>

#include <algorithm>
#include <cstring>
#include <random>
#include <vector>

#include "support/CSArrayCP.h"
#include "support/DynamicArrays.h"

namespace {

constexpr uint64_t NF = kCSNotFound;

// Entries at cps 0, 10, 10 and 25 (client values 100-103), maxCp 40.
std::unique_ptr<CSArrayCP> Fixture(uint64_t options) {
  auto array = CSArrayCP::create(sizeof(int32_t), 0, 40, options);
  const int32_t cps[] = {0, 10, 10, 25};
  for (int i = 0; i < 4; ++i) {
    const int32_t value = 100 + i;
    EXPECT_TRUE(array->insertEntry(&value, uint64_t(i), cps[i]));
  }
  return array;
}

std::vector<int32_t> Cps(const CSArrayCP& array) {
  std::vector<int32_t> out;
  for (uint64_t i = 0; i <= array.count(); ++i) out.push_back(array.cpAtIndex(i));
  return out;
}

}  // namespace

TEST(CSArrayCP, FixtureLookups) {
  enum Op { Index, Safe, After };
  struct Row {
    Op op;
    uint64_t options;
    int32_t cp;
    uint64_t expected;
  } rows[] = {
      {Index, 0, 12, 2},  {Index, 0, 10, 2}, {Index, 1, 10, 1}, {Index, 0, 5, 0},  {Index, 0, 50, 3}, {Index, 0, 40, 4},
      {Index, 0, 0, 0},   {Index, 0, -7, 0}, {Index, 1, 25, 3}, {Index, 0, 39, 3}, {Safe, 0, 40, NF}, {Safe, 0, 41, NF},
      {Safe, 0, 0, 0},    {Safe, 0, -1, NF}, {Safe, 0, 12, 2},  {Safe, 1, 10, 1},  {After, 0, 11, 3}, {After, 0, 26, 4},
      {After, 0, 41, NF}, {After, 0, 40, 4}, {After, 0, -3, 0}, {After, 1, 10, 1}, {After, 0, 10, 2}, {After, 0, 1, 1},
  };
  for (const Row& row : rows) {
    auto array = Fixture(row.options);
    uint64_t got = 0;
    switch (row.op) {
      case Index:
        got = array->indexOfCp(row.cp);
        break;
      case Safe:
        got = array->indexOfCpSafe(row.cp);
        break;
      case After:
        got = array->indexOfCpAfter(row.cp);
        break;
    }
    EXPECT_EQ(got, row.expected) << "op " << row.op << " options " << row.options << " cp " << row.cp;
  }

  auto array = Fixture(0);
  int32_t actual = 0;
  EXPECT_EQ(array->indexOfCp(30, &actual), 3u);
  EXPECT_EQ(actual, 25);
  uint64_t index = 0;
  EXPECT_EQ(array->cpAfterCp(26, &index), CSArrayCP::kNoCp);
  EXPECT_EQ(index, NF);
  EXPECT_EQ(array->cpAfterCp(11, &index), 25);
  EXPECT_EQ(index, 3u);
  EXPECT_EQ(array->cpAfterCp(41, nullptr), CSArrayCP::kNoCp);
  EXPECT_EQ(array->cpAtIndex(4), 40);
  EXPECT_EQ(array->cpAtIndex(5), CSArrayCP::kNoCp);
  EXPECT_EQ(array->maxCp(), 40);

  // The same through the plain functions, in 32 bits.
  uint32_t shortIndex = 0;
  EXPECT_EQ(CpAfterCp(array.get(), 26, &shortIndex), 0xFFFFFFFFu);
  EXPECT_EQ(shortIndex, 0xFFFFFFFFu);
  EXPECT_EQ(IndexOfCpSafe(array.get(), 40), 0xFFFFFFFFu);
  EXPECT_EQ(IndexOfCpAfter(array.get(), 41), 0xFFFFFFFFu);
  uint32_t actualShort = 0;
  EXPECT_EQ(IndexOfCpReturningCp(array.get(), 12, &actualShort), 2u);
  EXPECT_EQ(actualShort, 10u);
  EXPECT_EQ(CpAtIndex(array.get(), 5), 0xFFFFFFFFu);
}

TEST(CSArrayCP, AdjustCpsWithEachOption) {
  struct Row {
    uint64_t options;
    int32_t cp;
    int32_t delta;
    uint64_t start;
    std::vector<int32_t> cps;  // entries then the sentinel
  } rows[] = {
      {0, 10, 5, NF, {0, 10, 10, 30, 45}},
      {2, 10, 5, NF, {0, 10, 15, 30, 45}},  // the search lands on the second 10
      {3, 10, 5, NF, {0, 15, 15, 30, 45}},
      {1, 10, 5, NF, {0, 10, 10, 30, 45}},
      {0, 10, 0, NF, {0, 10, 10, 25, 40}},  // no delta: nothing moves
      {0, 39, 5, NF, {0, 10, 10, 25, 45}},  // just before the end: only the sentinel
      {0, 40, 5, NF, {0, 10, 10, 25, 45}},  // typing at the very end: the text grows
      {0, 41, 5, NF, {0, 10, 10, 25, 40}},  // past the end: nothing
      {2, 40, 5, NF, {0, 10, 10, 25, 45}},
      {0, 0, -2, NF, {0, 8, 8, 23, 38}},   // deletion after the first entry
      {0, 0, 5, 2, {0, 10, 15, 30, 45}},   // slots before the start never move
      {0, 0, 5, 9, {0, 10, 10, 25, 45}},   // a start past the entries: the sentinel alone
      {0, 12, 7, 1, {0, 10, 10, 32, 47}},  // the walk stops below the threshold
      {0, 10, 5, 1, {0, 10, 10, 30, 45}},
      {0, 0, INT32_MAX, NF, {0, INT32_MAX, INT32_MAX, INT32_MAX, INT32_MAX}},  // saturates
  };
  for (const Row& row : rows) {
    auto array = Fixture(row.options);
    array->adjustCpsAfter(row.cp, row.delta, row.start);
    EXPECT_EQ(Cps(*array), row.cps) << "options " << row.options << " cp " << row.cp << " delta " << row.delta;
  }
  auto array = Fixture(0);
  AdjustDynamicCPArray(array.get(), 10, -5, 0xFFFFFFFF);
  EXPECT_EQ(Cps(*array), (std::vector<int32_t>{0, 10, 10, 20, 35}));
  array->adjustCpsAfter(0, INT32_MIN, 1);
  EXPECT_EQ(Cps(*array), (std::vector<int32_t>{0, INT32_MIN + 10, INT32_MIN + 10, INT32_MIN + 20, INT32_MIN + 35}));
  // The sentinel saturates; the walk ends at the first slot below the threshold.
  array->adjustCpsAfter(0, INT32_MIN, 1);
  EXPECT_EQ(Cps(*array), (std::vector<int32_t>{0, INT32_MIN + 10, INT32_MIN + 10, INT32_MIN + 20, INT32_MIN}));
}

TEST(CSArrayCP, DeletionsAndCounts) {
  auto array = Fixture(0);
  array->deleteEntries(10, 2);
  EXPECT_EQ(Cps(*array), (std::vector<int32_t>{0, 10, 40}));
  array->deleteEntries(1, 2);  // at the count: nothing
  array->deleteEntryAtIndex(2);
  EXPECT_EQ(Cps(*array), (std::vector<int32_t>{0, 10, 40}));
  array->deleteEntryAtIndex(0);
  EXPECT_EQ(Cps(*array), (std::vector<int32_t>{10, 40}));

  array = Fixture(0);
  array->setCount(7, 5);  // only shrinks
  EXPECT_EQ(array->count(), 4u);
  array->setCount(1, 99);
  EXPECT_EQ(Cps(*array), (std::vector<int32_t>{0, 99}));
  int32_t value = -1;
  EXPECT_EQ(array->cpGetEntry(&value, 1), 0);  // the sentinel is not an entry
  EXPECT_EQ(value, 0);
  EXPECT_EQ(*static_cast<int32_t*>(array->entryAtIndex(1)), 100);  // clamped to the last entry

  array->deleteAllEntries();
  EXPECT_EQ(array->count(), 0u);
  EXPECT_EQ(array->maxCp(), 99);
  EXPECT_EQ(*static_cast<int32_t*>(array->entryAtIndex(0)), 0);  // the sentinel's zero bytes

  array = Fixture(0);
  ClearDynamicCPArray(array.get(), 7);
  EXPECT_EQ(Cps(*array), (std::vector<int32_t>{7}));
  array = Fixture(0);
  SetDynamicCPArrayCount(array.get(), 2, 12);
  EXPECT_EQ(Cps(*array), (std::vector<int32_t>{0, 10, 12}));
  SetMaxCp(array.get(), 15);
  ReplaceCp(array.get(), 1, 5);
  ReplaceCp(array.get(), 3, 1);  // past the sentinel: ignored
  EXPECT_EQ(Cps(*array), (std::vector<int32_t>{0, 5, 15}));
  EXPECT_EQ(MaxCp(array.get()), 15u);
  DeleteFromDynamicCPArray(array.get(), 0, 0xFFFFFFFF);
  EXPECT_EQ(SizeOfDynamicCPArray(array.get()), 0u);
}

TEST(CSArrayCP, NewArrayAndRefusedOperations) {
  auto array = CSArrayCP::create(0, 0, 77, 0);
  ASSERT_NE(array, nullptr);
  EXPECT_EQ(array->count(), 0u);
  EXPECT_EQ(array->maxCp(), 77);
  for (int32_t cp : {-5, 0, 76, 77, 1000}) EXPECT_EQ(array->indexOfCp(cp), 0u) << cp;
  EXPECT_EQ(array->indexOfCpAfter(5), 0u);
  EXPECT_EQ(array->allocatedCount(), 10u);
  EXPECT_EQ(CSArrayCP::create(3, 0, 0, 0), nullptr);

  // Entries need a cp.
  EXPECT_EQ(array->addEntry(nullptr), NF);
  EXPECT_FALSE(array->insertEntry(nullptr, 0));
  EXPECT_FALSE(array->insertEntry(nullptr, 1, 5));  // past the count
  EXPECT_TRUE(array->insertEntry(nullptr, 0, 5));
  int calls = 0;
  array->enumerateEntriesAndCPsUsingBlock([&](int32_t cp, void* entry, uint64_t index, bool*) {
    EXPECT_EQ(cp, 5);
    EXPECT_EQ(entry, nullptr);
    EXPECT_EQ(index, 0u);
    ++calls;
  });
  array->enumerateEntriesUsingBlock([&](void*, uint64_t, bool*) { ++calls; });
  EXPECT_EQ(calls, 1);

  // Whole slots, sentinel included; never fewer than the sentinel, never past the allocation.
  EXPECT_FALSE(array->copyEntries(nullptr, 0));
  const int32_t records[] = {3, 9};
  EXPECT_TRUE(array->copyEntries(records, 2));
  EXPECT_EQ(Cps(*array), (std::vector<int32_t>{3, 9}));
  std::vector<int32_t> tooMany(12, 0);
  EXPECT_FALSE(array->copyEntries(tooMany.data(), 12));
}

TEST(CSArrayCP, BulkInsertionZeroFillsAndGrowsOnce) {
  auto array = CSArrayCP::create(sizeof(int32_t), 0, 100, 0);
  for (int i = 0; i < 5; ++i) {
    const int32_t value = -1;
    array->insertEntry(&value, uint64_t(i), i * 10);
  }
  array->deleteEntries(5, 0);  // leaves stale bytes behind the sentinel
  EXPECT_TRUE(array->insertEntries(0, 0));
  EXPECT_FALSE(array->insertEntries(1, 1));  // past the count
  EXPECT_TRUE(array->insertEntries(100, 0));
  EXPECT_EQ(array->count(), 100u);
  EXPECT_EQ(array->allocatedCount(), 101u);  // the shortfall, 91, beats a quarter
  for (uint64_t i = 0; i < 100; ++i) {
    int32_t value = -1;
    EXPECT_EQ(array->cpGetEntry(&value, i), 0);
    EXPECT_EQ(value, 0);
  }
  EXPECT_EQ(array->maxCp(), 100);
  EXPECT_TRUE(ExpandDynamicCPArray(array.get(), 100, 1));
  EXPECT_EQ(array->allocatedCount(), 126u);  // a quarter of the allocation beats 1
  EXPECT_TRUE(ExpandDynamicCPArray(array.get(), 0, 20));
  EXPECT_EQ(array->allocatedCount(), 126u);
  EXPECT_TRUE(ExpandDynamicCPArray(array.get(), 0, 10));
  EXPECT_EQ(array->allocatedCount(), 157u);
  EXPECT_EQ(array->count(), 131u);
  EXPECT_EQ(array->maxCp(), 100);
}

TEST(CSArrayCP, ClientEntriesOfWholeWordsAreAligned) {
  struct Run {
    int64_t position;
    double width;
  };
  auto array = CSArrayCP::create(sizeof(Run), 0, 1000, 0);
  for (int i = 0; i < 40; ++i) {
    const Run run{i, i * 0.5};
    ASSERT_TRUE(InsertInDynamicCPArray(array.get(), uint32_t(i), uint32_t(i * 3), &run));
  }
  for (uint32_t i = 0; i < 40; ++i) {
    auto* run = static_cast<Run*>(DynamicCPArrayEntry(array.get(), i));
    ASSERT_EQ(reinterpret_cast<uintptr_t>(run) % alignof(Run), 0u);
    EXPECT_EQ(run->position, int64_t(i));  // read in place, as the text engine does
    EXPECT_EQ(FetchDynamicCPArrayEntry(array.get(), i, nullptr), i * 3);
  }
  auto copy = array->copy();
  EXPECT_EQ(static_cast<Run*>(copy->entryAtIndex(39))->width, 19.5);
  EXPECT_EQ(static_cast<CSArrayCP*>(copy.get())->maxCp(), 1000);
}

// Random edits checked against a plain model. Options 1 and 3 make every
// lookup's answer a function of the cps alone; the others are checked by the
// cp they answer, and shifted from a start the model gives.
TEST(CSArrayCP, RandomOperationsMatchAModel) {
  struct Config {
    uint64_t entrySize;
    uint64_t options;
    int operations;
  } configs[] = {{6, 3, 100000}, {8, 1, 20000}, {0, 0, 20000}, {2, 2, 20000}};
  for (const Config& config : configs) {
    SCOPED_TRACE(testing::Message() << "entry size " << config.entrySize << " options " << config.options);
    std::mt19937 random(unsigned(config.entrySize * 31 + config.options));
    auto array = CSArrayCP::create(config.entrySize, 0, 1000, config.options);
    ASSERT_NE(array, nullptr);
    struct Slot {
      int32_t cp;
      uint16_t tag[4];
    };
    std::vector<Slot> model;
    int32_t maxCp = 1000;
    const bool firstOfEqual = config.options & CSArrayCP::kFirstOfEqualCps;
    const bool atEditPoint = config.options & CSArrayCP::kShiftAtEditPoint;
    const uint64_t words = config.entrySize / 2;
    auto pick = [&](int64_t low, int64_t high) { return low + int64_t(random() % uint64_t(high - low + 1)); };
    auto slotCp = [&](uint64_t i) { return i < model.size() ? model[i].cp : maxCp; };
    // First slot, sentinel included, whose cp is at or above `cp` (or, for
    // upperBound, above it); the model's cps are ascending.
    auto lowerBound = [&](int32_t cp) {
      return uint64_t(
          std::lower_bound(model.begin(), model.end(), cp, [](const Slot& slot, int32_t c) { return slot.cp < c; }) -
          model.begin());
    };
    auto upperBound = [&](int32_t cp) {
      if (cp >= maxCp) return model.size() + 1;
      return uint64_t(
          std::upper_bound(model.begin(), model.end(), cp, [](int32_t c, const Slot& slot) { return c < slot.cp; }) -
          model.begin());
    };
    auto makeSlot = [&](int32_t cp) {
      Slot slot{cp, {}};
      for (uint64_t w = 0; w < 4; ++w) slot.tag[w] = w < words ? uint16_t(random()) : 0;
      return slot;
    };

    for (int op = 0; op < config.operations; ++op) {
      const uint64_t n = model.size();
      const int kind = int(random() % 12);
      if (kind <= 2 && n < 400) {  // insert one entry between its neighbours
        const uint64_t index = uint64_t(pick(0, int64_t(n)));
        const int32_t high = slotCp(index);
        const int32_t low = index ? model[index - 1].cp : std::min(0, high);
        const Slot slot = makeSlot(int32_t(pick(low, high)));
        ASSERT_TRUE(array->insertEntry(words ? slot.tag : nullptr, index, slot.cp));
        model.insert(model.begin() + int64_t(index), slot);
      } else if (kind == 3 && n < 400) {  // open several slots and fill them
        const uint64_t index = uint64_t(pick(0, int64_t(n)));
        const uint64_t count = uint64_t(pick(0, 8));
        ASSERT_TRUE(array->insertEntries(count, index));
        const int32_t cp = index ? model[index - 1].cp : std::min(0, slotCp(0));
        for (uint64_t k = 0; k < count; ++k) {
          ASSERT_EQ(array->cpAtIndex(index + k), 0);  // opened zero-filled
          const Slot slot = makeSlot(cp);
          array->replaceCp(cp, index + k);
          array->replaceEntryAtIndex(index + k, slot.tag);
          model.insert(model.begin() + int64_t(index + k), slot);
        }
      } else if (kind == 4) {  // delete a run
        const uint64_t index = uint64_t(pick(0, int64_t(n) + 2));
        const uint64_t count = uint64_t(pick(0, 12));
        array->deleteEntries(count, index);
        if (index < n) model.erase(model.begin() + int64_t(index), model.begin() + int64_t(std::min(n, index + count)));
      } else if (kind == 5) {  // delete one
        const uint64_t index = uint64_t(pick(0, int64_t(n) + 1));
        array->deleteEntryAtIndex(index);
        if (index < n) model.erase(model.begin() + int64_t(index));
      } else if (kind == 6) {  // typing or deleting text: shift what follows
        const int32_t cp = int32_t(pick(-2, maxCp + 2));
        const int32_t threshold = atEditPoint ? cp : cp + 1;
        const uint64_t start = lowerBound(threshold);
        if (threshold > maxCp) {
          // At the end only the end moves; past it, nothing.
          array->adjustCpsAfter(cp, 5, NF);
          if (cp <= maxCp) maxCp += 5;
          continue;
        }
        // Shrinking stops at the last slot that stays (or 0), keeping cps
        // ascending and the text's length sane.
        const int32_t floor = start ? model[start - 1].cp : 0;
        const int32_t lowest = slotCp(start);
        const int32_t delta = random() % 2 ? int32_t(pick(1, 50)) : -int32_t(pick(0, std::min(50, lowest - floor)));
        // Without option 1 the search may land on any slot holding the
        // threshold; the model then names the start itself.
        const bool deterministic =
            firstOfEqual || start == n || model[start].cp != threshold || slotCp(start + 1) != threshold;
        // A start given below the first shifted slot: the walk stops on its own.
        const uint64_t given = random() % 2 ? uint64_t(pick(0, int64_t(start))) : start;
        array->adjustCpsAfter(cp, delta, deterministic && random() % 2 ? NF : given);
        if (delta != 0) {
          for (uint64_t i = start; i < n; ++i) model[i].cp += delta;
          maxCp += delta;
        }
      } else if (kind == 7 && n > 0) {  // retag an entry
        const uint64_t index = uint64_t(pick(0, int64_t(n) - 1));
        const Slot slot = makeSlot(model[index].cp);
        array->replaceEntryAtIndex(index, slot.tag);
        if (words) model[index] = slot;
      } else if (kind == 8 && random() % 50 == 0) {  // cut the text short
        const uint64_t count = uint64_t(pick(0, int64_t(n) + 3));
        const int32_t newMax = slotCp(count > n ? n : count);
        array->setCount(count, newMax);
        if (count <= n) {
          model.resize(count);
          maxCp = newMax;
        }
      } else if (kind == 9 && random() % 200 == 0) {
        array->deleteAllEntries();
        model.clear();
      } else if (kind == 10 && random() % 100 == 0) {  // work on a copy from now on
        auto copied = array->copy();
        ASSERT_NE(copied, nullptr);
        array.reset(static_cast<CSArrayCP*>(copied.release()));
      }

      // Lookups at a few positions each time; every slot now and then.
      const uint64_t count = model.size();
      ASSERT_EQ(array->count(), count) << "after operation " << op;
      ASSERT_EQ(array->maxCp(), maxCp);
      for (uint64_t i = 0; op % 8 == 0 && i < count; ++i) {
        Slot got{};
        got.cp = array->cpGetEntry(got.tag, i);
        ASSERT_EQ(got.cp, model[i].cp) << "slot " << i << " after operation " << op;
        ASSERT_EQ(std::memcmp(got.tag, model[i].tag, config.entrySize), 0) << "slot " << i;
      }
      for (int probe = 0; probe < 3; ++probe) {
        const int32_t cp = int32_t(pick(-3, maxCp + 3));
        // The entry covering cp: the last slot whose cp is at or below it.
        const uint64_t above = upperBound(cp);
        uint64_t covering = above ? above - 1 : 0;
        if (count == 0)
          covering = 0;
        else if (cp > maxCp)
          covering = count - 1;
        const int32_t coveringCp = slotCp(covering);
        if (firstOfEqual && cp <= maxCp) covering = lowerBound(coveringCp);
        const uint64_t index = array->indexOfCp(cp);
        if (firstOfEqual || count == 0 || cp > maxCp) {
          ASSERT_EQ(index, covering) << "indexOfCp " << cp << " after operation " << op;
        } else {
          ASSERT_LE(index, count);
          ASSERT_EQ(slotCp(index), coveringCp) << "indexOfCp " << cp;
        }
        const uint64_t safe = array->indexOfCpSafe(cp);
        if (cp == slotCp(0)) {
          ASSERT_EQ(safe, 0u);
        } else if (cp < slotCp(0) || cp >= maxCp) {
          ASSERT_EQ(safe, NF);
        } else {
          ASSERT_EQ(safe, index);
        }
        const uint64_t after = array->indexOfCpAfter(cp);
        if (cp > maxCp) {
          ASSERT_EQ(after, NF);
        } else if (firstOfEqual || count == 0 || slotCp(0) > cp) {
          ASSERT_EQ(after, lowerBound(cp)) << "indexOfCpAfter " << cp;
        } else {
          ASSERT_EQ(slotCp(after), slotCp(lowerBound(cp))) << "indexOfCpAfter " << cp;
        }
        uint64_t afterIndex = 0;
        const int32_t afterCp = array->cpAfterCp(cp, &afterIndex);
        if (after == NF || after == count) {
          ASSERT_EQ(afterCp, CSArrayCP::kNoCp);
          ASSERT_EQ(afterIndex, NF);
        } else {
          ASSERT_EQ(afterCp, slotCp(after));
          ASSERT_EQ(afterIndex, after);
        }
      }
    }
  }
}
