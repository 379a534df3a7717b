// The rich-text engine's editing against Qt's text classes, in one run:
// 100,000 one-character insertions (typing at the end of the text) through
// ReplaceRangeWithText beside QTextCursor::insertText on a QTextDocument;
// the worst-case find of "aa...ab" (255 units) in 2,000,000 "a" through
// FindTextInRange beside QString::indexOf. Each peer, run after ours, shows
// our time over its own as "ours_over_peer" (goals: 1 and 4).
#include <benchmark/benchmark.h>

#include <QTextCursor>
#include <QTextDocument>
#include <chrono>
#include <string>

#include "BenchApplication.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/Editing.h"
#include "richtext/FindReplace.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kInsertions = 100000;
constexpr uint32_t kHaystack = 2000000;
constexpr int kNeedle = 255;

double g_insert = 0, g_find = 0;

double SecondsPerIteration(benchmark::State& state, std::chrono::steady_clock::duration total) {
  return std::chrono::duration<double>(total).count() / double(std::max<int64_t>(1, state.iterations()));
}

void SetRatio(benchmark::State& state, double ours, std::chrono::steady_clock::duration total) {
  const double peer = SecondsPerIteration(state, total);
  if (ours > 0 && peer > 0) state.counters["ours_over_peer"] = ours / peer;
}

void EnsureEngine() {
  EnsureBenchApplication();
  if (!GetThreadStorage()) AllocateThreadStorage(QString());
}

void BM_ReplaceRangeWithTextTyping(benchmark::State& state) {
  EnsureEngine();
  std::chrono::steady_clock::duration total{};
  for (auto _ : state) {
    CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
    const auto start = std::chrono::steady_clock::now();
    uint32_t cp = FirstDocumentCp(doc);
    for (uint32_t i = 0; i < kInsertions; ++i) {
      const char16_t unit = char16_t(u'a' + i % 26);
      const DocRange at{doc, cp, cp};
      if (!ReplaceRangeWithText(&at, &unit, 1)) state.SkipWithError("an insertion failed");
      ++cp;
    }
    total += std::chrono::steady_clock::now() - start;
    DestroyDocument(doc);
  }
  g_insert = SecondsPerIteration(state, total);
}
BENCHMARK(BM_ReplaceRangeWithTextTyping)->Unit(benchmark::kMillisecond);

void BM_QTextCursorTyping(benchmark::State& state) {
  EnsureEngine();
  std::chrono::steady_clock::duration total{};
  for (auto _ : state) {
    QTextDocument document;
    QTextCursor cursor(&document);
    const auto start = std::chrono::steady_clock::now();
    for (uint32_t i = 0; i < kInsertions; ++i) cursor.insertText(QString(QChar(u'a' + i % 26)));
    total += std::chrono::steady_clock::now() - start;
  }
  SetRatio(state, g_insert, total);
}
BENCHMARK(BM_QTextCursorTyping)->Unit(benchmark::kMillisecond);

const std::u16string& Haystack() {
  static const std::u16string text = std::u16string(kHaystack, u'a') + u"\n";
  return text;
}

QString Needle() { return QString(kNeedle - 1, u'a') + QChar(u'b'); }

void BM_FindTextWorstCase(benchmark::State& state) {
  EnsureEngine();
  CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
  const DocRange body{doc, FirstDocumentCp(doc), FirstDocumentCp(doc)};
  if (!ReplaceRangeWithText(&body, Haystack().data(), uint32_t(Haystack().size()))) {
    state.SkipWithError("the text could not be built");
    DestroyDocument(doc);
    return;
  }
  const QString needle = Needle();
  const DocRange scan{doc, FirstDocumentCp(doc), doc->textLimit};
  std::chrono::steady_clock::duration total{};
  for (auto _ : state) {
    DocRange found;
    const auto start = std::chrono::steady_clock::now();
    const bool hit = FindTextInRange(doc, needle, 0, scan, true, &found);
    total += std::chrono::steady_clock::now() - start;
    benchmark::DoNotOptimize(hit);
    if (hit) state.SkipWithError("found what is not there");
  }
  g_find = SecondsPerIteration(state, total);
  DestroyDocument(doc);
}
BENCHMARK(BM_FindTextWorstCase)->Unit(benchmark::kMillisecond);

void BM_QStringIndexOfWorstCase(benchmark::State& state) {
  const QString haystack = QString::fromUtf16(Haystack().data(), qsizetype(Haystack().size()));
  const QString needle = Needle();
  std::chrono::steady_clock::duration total{};
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    const qsizetype at = haystack.indexOf(needle);
    total += std::chrono::steady_clock::now() - start;
    benchmark::DoNotOptimize(at);
  }
  SetRatio(state, g_find, total);
}
BENCHMARK(BM_QStringIndexOfWorstCase)->Unit(benchmark::kMillisecond);

}  // namespace
