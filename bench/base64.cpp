// Base64 of image data (pasteboard records, SVG data links) and the word and
// character scans of the text engine.
#include "support/Base64.h"

#include <benchmark/benchmark.h>

#include <QByteArray>

#include "support/Numbers.h"
#include "support/TextUtilities.h"

static QByteArray Payload(int64_t size) {
  QByteArray bytes(qsizetype(size), Qt::Uninitialized);
  for (qsizetype i = 0; i < bytes.size(); ++i) bytes[i] = char((i * 131 + 7) & 0xFF);
  return bytes;
}

static void BM_Base64Encode(benchmark::State& state) {
  const QByteArray bytes = Payload(state.range(0));
  for (auto _ : state) benchmark::DoNotOptimize(NewBase64StringFromData(bytes));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Base64Encode)->Arg(1 << 10)->Arg(1 << 20);

static void BM_Base64Decode(benchmark::State& state) {
  const QString text = NewBase64StringFromData(Payload(state.range(0)));
  for (auto _ : state) benchmark::DoNotOptimize(NewDataFromBase64String(text));
  state.SetBytesProcessed(state.iterations() * state.range(0));
}
BENCHMARK(BM_Base64Decode)->Arg(1 << 10)->Arg(1 << 20);

static void BM_TypeOfChar(benchmark::State& state) {
  char16_t c = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(TypeOfChar(c));
    c = char16_t(c + 97);
  }
}
BENCHMARK(BM_TypeOfChar);

static void BM_WordLimits(benchmark::State& state) {
  QString text;
  for (int i = 0; i < 200; ++i) text += QStringLiteral("It's 3,000.50 words, snake_case and a--b. ");
  void* ctx = &text;
  const int32_t n = int32_t(text.size());
  int32_t cp = 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(StartOfWord(cp, 0, n, FetchCharacterFromString, ctx));
    benchmark::DoNotOptimize(EndOfWord(cp, 0, n, FetchCharacterFromString, true, ctx));
    cp = (cp + 13) % n;
  }
}
BENCHMARK(BM_WordLimits);

static void BM_ParseRealNumber(benchmark::State& state) {
  const QString text = QStringLiteral("-1234.56789e-3");
  for (auto _ : state) {
    uint32_t index = 0;
    double value = 0;
    benchmark::DoNotOptimize(ParseRealNumber(text, &index, &value, false));
    benchmark::DoNotOptimize(value);
  }
}
BENCHMARK(BM_ParseRealNumber);
