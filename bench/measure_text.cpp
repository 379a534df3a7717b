// Measure text is parsed and formatted for every field edit and every length
// an importer reads; FormatString numbers every list item of a text.
#include <benchmark/benchmark.h>

#include "support/DayNumbers.h"
#include "support/FormatString.h"
#include "support/Kolor.h"
#include "support/Measure.h"

static void BM_ParseMeasure(benchmark::State& state) {
  const QString text = QStringLiteral("5'3 1/2\"");
  MeasureUnit value = 0;
  for (auto _ : state) benchmark::DoNotOptimize(ParseMeasure(text, false, kDistanceUnitInches, &value, nullptr));
}
BENCHMARK(BM_ParseMeasure);

static void BM_FormatMeasure(benchmark::State& state) {
  MeasureUnit value = 1371600;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatMeasure(value, false, true, kDistanceUnitMillimetres));
    value += 1237;
  }
}
BENCHMARK(BM_FormatMeasure);

static void BM_FormatStringNumbering(benchmark::State& state) {
  uint64_t n = 1;
  for (auto _ : state) {
    benchmark::DoNotOptimize(FormatString("%R. %I (%,d) %.2f", n, n, n, ContextFromFloat(float(n) / 7)));
    n = n % 3999 + 1;
  }
}
BENCHMARK(BM_FormatStringNumbering);

static void BM_ParseIntoDayIndex(benchmark::State& state) {
  const QString text = QStringLiteral("12/25/2024");
  for (auto _ : state) benchmark::DoNotOptimize(ParseIntoDayIndex(text, nullptr));
}
BENCHMARK(BM_ParseIntoDayIndex);
