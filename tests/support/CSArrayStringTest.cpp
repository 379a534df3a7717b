#include <gtest/gtest.h>

#include <QStringList>
#include <vector>

#include "support/CSArrayString.h"
#include "support/DynamicArrays.h"

namespace {

QStringList Strings(const CSArrayString& array) {
  QStringList out;
  for (uint64_t i = 0; i < array.count(); ++i) {
    const QString s = array.stringAtIndex(i);
    out << (s.isNull() ? QStringLiteral("<nil>") : s);
  }
  return out;
}

}  // namespace

TEST(CSArrayString, SortedInsertionAndLookups) {
  auto array = CSArrayString::create(sizeof(int32_t));
  ASSERT_NE(array, nullptr);
  int32_t tag = 1;
  for (const char* name : {"beta", "Alpha", "gamma"}) {
    EXPECT_TRUE(array->insertEntry(&tag, QString::fromLatin1(name)));
    ++tag;
  }
  EXPECT_EQ(Strings(*array), (QStringList{"Alpha", "beta", "gamma"}));
  uint64_t index = 9;
  EXPECT_TRUE(array->findString("ALPHA", true, &index));
  EXPECT_EQ(index, 0u);
  EXPECT_FALSE(array->findString("delta", true, &index));
  EXPECT_EQ(index, 2u);

  EXPECT_TRUE(array->insertEntry(&tag, QStringLiteral("ALPHA")));
  // An equal string goes before the one present.
  EXPECT_EQ(Strings(*array), (QStringList{"ALPHA", "Alpha", "beta", "gamma"}));

  struct Row {
    const char* sought;
    bool sorted;
    bool found;
    uint64_t index;
  } rows[] = {
      {"alpha", true, true, 1},   {"GAMMA", true, true, 3},       {"delta", true, false, 3},
      {"aaa", true, false, 0},    {"zeta", true, false, 4},       {"BETA", false, true, 2},
      {"delta", false, false, 4}, {"", true, false, kCSNotFound}, {"", false, false, kCSNotFound},
  };
  for (const Row& row : rows) {
    uint64_t index = 12345;
    const bool found = array->findString(QString::fromLatin1(row.sought), row.sorted, &index);
    EXPECT_EQ(found, row.found) << row.sought << " sorted " << row.sorted;
    EXPECT_EQ(index, row.index) << row.sought << " sorted " << row.sorted;
  }
  EXPECT_TRUE(array->findString("beta", true, nullptr));

  uint32_t shortIndex = 0;
  EXPECT_FALSE(FindInDynamicStringArray(array.get(), QString(), &shortIndex, true));
  EXPECT_EQ(shortIndex, 0xFFFFFFFFu);
  EXPECT_TRUE(FindInDynamicStringArray(array.get(), "Gamma", &shortIndex, false));
  EXPECT_EQ(shortIndex, 3u);

  // The empty string has no sorted place: refused, nothing added.
  EXPECT_FALSE(array->insertEntry(&tag, QString("")));
  EXPECT_EQ(array->count(), 4u);
}

TEST(CSArrayString, NilStringsAreSkippedAndSortFirst) {
  auto array = CSArrayString::create(0);
  array->addEntry(nullptr, "b");
  array->addEntry(nullptr);  // no string
  array->addEntry(nullptr, "a");
  uint64_t index = 0;
  EXPECT_TRUE(array->findString("A", false, &index));
  EXPECT_EQ(index, 2u);
  array->sortStringEntriesWithContext(0, nullptr);
  EXPECT_EQ(Strings(*array), (QStringList{"<nil>", "a", "b"}));
}

TEST(CSArrayString, ReplaceDeleteAndOutOfRange) {
  auto array = CSArrayString::create(sizeof(int32_t));
  int32_t one = 1, two = 2, three = 3;
  array->addEntry(&one, "one");
  array->addEntry(&two, "two");

  EXPECT_TRUE(array->replaceEntry(&three, "three", 2));  // at the count: appends
  EXPECT_FALSE(array->replaceEntry(&three, "four", 4));  // past it: refused
  EXPECT_TRUE(array->replaceEntry(nullptr, "TWO", 1));   // keeps the entry
  EXPECT_EQ(*static_cast<int32_t*>(array->entryAtIndex(1)), 2);
  EXPECT_TRUE(array->replaceEntry(nullptr, QString(), 0));  // no string: removes the slot
  EXPECT_FALSE(array->replaceEntry(nullptr, QString(), 7));
  EXPECT_EQ(Strings(*array), (QStringList{"TWO", "three"}));

  int32_t out = 99;
  EXPECT_TRUE(array->stringAndEntry(&out, 2).isNull());
  EXPECT_EQ(out, 0);
  EXPECT_EQ(array->stringAndEntry(&out, 1), "three");
  EXPECT_EQ(out, 3);
  EXPECT_EQ(*static_cast<int32_t*>(array->entryAtIndex(9)), 3);  // clamped to the last

  array->replaceEntryAtIndex(0, &three);
  array->replaceEntryAtIndex(5, &three);  // ignored
  EXPECT_EQ(FetchDynamicStringArrayEntry(array.get(), 0, &out), "TWO");
  EXPECT_EQ(out, 3);

  array->deleteEntryAtIndex(5);  // ignored
  array->deleteEntryAtIndex(0);
  EXPECT_EQ(Strings(*array), (QStringList{"three"}));
  array->deleteAllEntries();
  EXPECT_EQ(array->count(), 0u);
}

TEST(CSArrayString, StringsAreCopiedAndOwned) {
  auto array = CSArrayString::create(2);
  QString name = QStringLiteral("abc");
  array->addEntry(nullptr, name);
  name.append(QLatin1Char('x'));
  name[0] = QLatin1Char('z');
  EXPECT_EQ(array->stringAtIndex(0), "abc");

  auto copy = array->copy();
  auto* copied = static_cast<CSArrayString*>(copy.get());
  array->replaceEntry(nullptr, "changed", 0);
  EXPECT_EQ(copied->stringAtIndex(0), "abc");
  EXPECT_EQ(copied->entryLength(), 2u);

  CSArrayString* stub = CopyDynamicStringArray(array.get());
  EXPECT_EQ(stub->stringAtIndex(0), "changed");
  FreeDynamicStringArray(stub);
}

TEST(CSArrayString, ClientSizeZeroGivesNullEntries) {
  auto array = CSArrayString::create(0);
  array->addEntry(nullptr, "x");
  array->addEntry(nullptr, "y");
  EXPECT_EQ(array->entryLength(), 0u);
  EXPECT_EQ(array->entryAtIndex(0), nullptr);
  int calls = 0;
  array->enumerateEntriesAndStringsUsingBlock([&](const QString& s, void* entry, uint64_t index, bool* stop) {
    EXPECT_EQ(entry, nullptr);
    EXPECT_EQ(s, index == 0 ? "x" : "y");
    ++calls;
    *stop = true;
  });
  EXPECT_EQ(calls, 1);
  EXPECT_EQ(CSArrayString::create(3), nullptr);
}

TEST(CSArrayString, SortingWithABlockAndThePlainFunction) {
  auto array = CSArrayString::create(sizeof(int32_t));
  const std::vector<std::pair<const char*, int32_t>> rows = {{"d", 4}, {"B", 2}, {"c", 3}, {"a", 1}, {"E", 5}};
  for (const auto& [name, value] : rows) AppendToDynamicStringArray(array.get(), name, &value);

  // By the client value, descending.
  array->sortStringEntriesWithContext(
      5, [](const QString&, const void* a, const QString&, const void* b, int64_t context) {
        EXPECT_EQ(context, 5);
        return *static_cast<const int32_t*>(a) < *static_cast<const int32_t*>(b) ? 1 : -1;
      });
  EXPECT_EQ(Strings(*array), (QStringList{"E", "d", "c", "B", "a"}));

  SortDynamicStringArray(array.get(), nullptr, 0);
  EXPECT_EQ(Strings(*array), (QStringList{"a", "B", "c", "d", "E"}));
  SortDynamicStringArray(
      array.get(), [](const QString& a, const void*, const QString& b, const void*, int64_t) { return a < b; }, 0);
  EXPECT_EQ(Strings(*array), (QStringList{"d", "c", "a", "E", "B"}));  // case-sensitive, descending

  // The base operations that would tear strings from entries do nothing.
  array->setCount(1);
  array->sortEntriesWithContext(0, [](const void*, const void*, int64_t) { return 1; });
  int calls = 0;
  array->enumerateEntriesUsingBlock([&](void*, uint64_t, bool*) { ++calls; });
  EXPECT_EQ(array->count(), 5u);
  EXPECT_EQ(calls, 0);
  EXPECT_EQ(Strings(*array), (QStringList{"d", "c", "a", "E", "B"}));
}

TEST(CSArrayString, CopyEntriesFromSlots) {
  struct Slot {
    const QString* string;
    int32_t value;
    int32_t pad;
  };
  static_assert(sizeof(Slot) == CSArrayString::kSlotStringBytes + 8);
  auto array = CSArrayString::create(8);
  array->addEntry(nullptr, "old");
  const QString first = "first";
  const Slot records[] = {{&first, 1, 0}, {nullptr, 2, 0}};
  EXPECT_TRUE(array->copyEntries(records, 2));
  EXPECT_EQ(Strings(*array), (QStringList{"first", "<nil>"}));
  EXPECT_EQ(*static_cast<int32_t*>(array->entryAtIndex(1)), 2);
  std::vector<Slot> many(11, Slot{&first, 0, 0});
  EXPECT_FALSE(array->copyEntries(many.data(), 11));
  EXPECT_EQ(array->count(), 2u);
}

TEST(CSArrayString, PlainFunctions) {
  CSArrayString* array = CreateDynamicStringArray(4, 0);
  EXPECT_EQ(DynamicStringArrayEntryLength(array), 4u);
  int32_t v = 7;
  EXPECT_EQ(AppendToDynamicStringArray(array, "m", &v), 0u);
  EXPECT_TRUE(InsertInSortedDynamicArray(array, "a", &v));
  EXPECT_TRUE(InsertInDynamicStringArray(array, 2, "z", nullptr));
  EXPECT_FALSE(InsertInDynamicStringArray(array, 9, "z", nullptr));
  EXPECT_EQ(*static_cast<int32_t*>(DynamicStringArrayEntry(array, 2)), 0);  // no entry given: zeros
  v = 8;
  ReplaceDynamicStringArrayData(array, 2, &v);
  EXPECT_TRUE(ReplaceDynamicStringArrayEntry(array, 0, "b", nullptr));
  EXPECT_EQ(Strings(*array), (QStringList{"b", "m", "z"}));
  EXPECT_EQ(*static_cast<int32_t*>(DynamicStringArrayEntry(array, 2)), 8);
  DeleteFromDynamicStringArray(array, 1);
  ClearDynamicStringArray(array);
  EXPECT_EQ(array->count(), 0u);
  FreeDynamicStringArray(array);
  FreeDynamicStringArray(nullptr);
}
