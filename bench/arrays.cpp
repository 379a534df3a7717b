// The arrays against the standard containers at 100,000 entries: appending,
// sorting (each round restores the unsorted entries first, on both sides)
// and looking up a character position.
#include <benchmark/benchmark.h>

#include <algorithm>
#include <random>
#include <vector>

#include "support/CSArray.h"
#include "support/CSArrayCP.h"
#include "support/DynamicArrays.h"

namespace {

constexpr int kEntries = 100000;

struct Entry {
  int32_t key;
  int32_t value;
};

std::vector<Entry> RandomEntries() {
  std::mt19937 random(7);
  std::vector<Entry> entries(kEntries);
  for (int i = 0; i < kEntries; ++i) entries[size_t(i)] = Entry{int32_t(random() % 1000000), i};
  return entries;
}

// Ascending cps a few characters apart, like the runs of a long text.
std::vector<int32_t> AscendingCps() {
  std::mt19937 random(11);
  std::vector<int32_t> cps(kEntries);
  int32_t cp = 0;
  for (int32_t& c : cps) {
    c = cp;
    cp += 1 + int32_t(random() % 40);
  }
  return cps;
}

std::vector<int32_t> Probes(int32_t maxCp) {
  std::mt19937 random(13);
  std::vector<int32_t> probes(4096);
  for (int32_t& p : probes) p = int32_t(random() % uint32_t(maxCp));
  return probes;
}

void BM_CSArrayAppend(benchmark::State& state) {
  for (auto _ : state) {
    CSArray* array = CreateDynamicArray(sizeof(Entry), 0);
    for (int i = 0; i < kEntries; ++i) {
      const Entry e{i, i};
      AppendToDynamicArray(array, &e);
    }
    benchmark::DoNotOptimize(DynamicArrayEntry(array, 0));
    FreeDynamicArray(array);
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_CSArrayAppend);

void BM_VectorPushBack(benchmark::State& state) {
  for (auto _ : state) {
    std::vector<Entry> vector;
    for (int i = 0; i < kEntries; ++i) vector.push_back(Entry{i, i});
    benchmark::DoNotOptimize(vector.data());
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_VectorPushBack);

// The same with the storage kept from round to round: the cost per entry
// without the fresh pages a new block touches.
void BM_CSArrayAppendReused(benchmark::State& state) {
  CSArray* array = CreateDynamicArray(sizeof(Entry), kEntries);
  for (auto _ : state) {
    ClearDynamicArray(array);
    for (int i = 0; i < kEntries; ++i) {
      const Entry e{i, i};
      AppendToDynamicArray(array, &e);
    }
    benchmark::DoNotOptimize(DynamicArrayEntry(array, 0));
  }
  FreeDynamicArray(array);
  state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_CSArrayAppendReused);

void BM_VectorPushBackReused(benchmark::State& state) {
  std::vector<Entry> vector;
  vector.reserve(kEntries);
  for (auto _ : state) {
    vector.clear();
    for (int i = 0; i < kEntries; ++i) vector.push_back(Entry{i, i});
    benchmark::DoNotOptimize(vector.data());
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_VectorPushBackReused);

void BM_CSArraySort(benchmark::State& state) {
  const std::vector<Entry> source = RandomEntries();
  auto array = CSArray::create(sizeof(Entry), kEntries);
  for (auto _ : state) {
    array->copyEntries(source.data(), kEntries);
    SortDynamicArray(
        array.get(),
        [](const void* a, const void* b, int64_t) {
          return static_cast<const Entry*>(a)->key > static_cast<const Entry*>(b)->key;
        },
        0);
    benchmark::DoNotOptimize(array->firstEntry());
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_CSArraySort)->Unit(benchmark::kMillisecond);

void BM_StdSort(benchmark::State& state) {
  const std::vector<Entry> source = RandomEntries();
  std::vector<Entry> vector(source.size());
  for (auto _ : state) {
    std::copy(source.begin(), source.end(), vector.begin());
    std::sort(vector.begin(), vector.end(), [](const Entry& a, const Entry& b) { return a.key < b.key; });
    benchmark::DoNotOptimize(vector.data());
  }
  state.SetItemsProcessed(state.iterations() * kEntries);
}
BENCHMARK(BM_StdSort)->Unit(benchmark::kMillisecond);

void BM_IndexOfCp(benchmark::State& state) {
  const std::vector<int32_t> cps = AscendingCps();
  const int32_t maxCp = cps.back() + 1;
  CSArrayCP* array = CreateDynamicCPArray(sizeof(int32_t), kEntries, uint32_t(maxCp), 0);
  for (int i = 0; i < kEntries; ++i) InsertInDynamicCPArray(array, uint32_t(i), uint32_t(cps[size_t(i)]), &i);
  const std::vector<int32_t> probes = Probes(maxCp);
  size_t next = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(IndexOfCp(array, uint32_t(probes[next])));
    next = (next + 1) & (probes.size() - 1);
  }
  FreeDynamicArray(array);
}
BENCHMARK(BM_IndexOfCp);

void BM_LowerBound(benchmark::State& state) {
  const std::vector<int32_t> cps = AscendingCps();
  const std::vector<int32_t> probes = Probes(cps.back() + 1);
  size_t next = 0;
  for (auto _ : state) {
    // The covering entry: the one before the first cp above the probe.
    const auto it = std::lower_bound(cps.begin(), cps.end(), probes[next] + 1);
    benchmark::DoNotOptimize(it - cps.begin() - 1);
    next = (next + 1) & (probes.size() - 1);
  }
}
BENCHMARK(BM_LowerBound);

}  // namespace
