// Kolor text forms: written for every colour of a drawing file and read
// back on load.
#include "support/Kolor.h"

#include <benchmark/benchmark.h>

static void BM_NewKolorString(benchmark::State& state) {
  Kolor k = 0x32FF8000;
  for (auto _ : state) {
    benchmark::DoNotOptimize(NewKolorString(k));
    k = (k + 0x010203) & 0x64FFFFFF;
  }
}
BENCHMARK(BM_NewKolorString);

static void BM_KolorFromString(benchmark::State& state) {
  const QString text = QStringLiteral("{12, 128, 255, 50}");
  for (auto _ : state) benchmark::DoNotOptimize(KolorFromString(text));
}
BENCHMARK(BM_KolorFromString);

static void BM_ColorRoundTrip(benchmark::State& state) {
  Kolor k = 0x64102030;
  for (auto _ : state) benchmark::DoNotOptimize(KolorFromColor(ColorFromKolor(k)));
}
BENCHMARK(BM_ColorRoundTrip);
