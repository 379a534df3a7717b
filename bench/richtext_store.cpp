// The rich-text engine's document store against general-purpose peers, in
// one run: reading text across 1,000 pieces (FetchText) beside
// QTextCursor::selectedText over a document of 1,000 fragments; interning
// among 10,000 property records (IndexForProperties) beside a
// std::unordered_map keyed by the same bodies; finding the knot around a cp
// among 10,000 knots (FetchKnot) beside std::map::upper_bound. Each peer,
// run after ours, shows our time over its own as the counter
// "ours_over_peer" (goals: 1, 2 and 4).
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <chrono>
#include <map>
#include <random>
#include <string>
#include <unordered_map>
#include <vector>

#include "BenchApplication.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/Knots.h"
#include "richtext/TextAccess.h"
#include "support/CSCore.h"
#include "support/DynamicArrays.h"

namespace {

constexpr uint32_t kPieces = 1000;
constexpr uint32_t kPieceUnits = 40;
constexpr uint32_t kRecords = 10000;
constexpr uint32_t kKnots = 10000;
constexpr uint32_t kBodyStart = 14;

double g_fetchText = 0, g_intern = 0, g_fetchKnot = 0;

double SecondsPerIteration(benchmark::State& state, std::chrono::steady_clock::duration total) {
  return std::chrono::duration<double>(total).count() / double(std::max<int64_t>(1, state.iterations()));
}

void SetRatio(benchmark::State& state, double ours, std::chrono::steady_clock::duration total) {
  const double peer = SecondsPerIteration(state, total);
  if (ours > 0 && peer > 0) state.counters["ours_over_peer"] = ours / peer;
}

// A new document whose body is `body` (plus the closing mark), in pieces of
// `pieceUnits` units, each in a buffer of its own.
CorvaneDoc* DocumentWithBody(const std::u16string& body, uint32_t pieceUnits) {
  CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
  const std::u16string whole = body + u'\n';
  SetDynamicCPArrayCount(doc->pieces, 1, kBodyStart);
  for (uint32_t offset = 0; offset < whole.size(); offset += pieceUnits) {
    const uint32_t n = std::min<uint32_t>(pieceUnits, uint32_t(whole.size()) - offset);
    auto* units = static_cast<char16_t*>(AllocateMemory(n * sizeof(char16_t)));
    std::copy(whole.begin() + offset, whole.begin() + offset + n, units);
    const TextBuffer buffer{units, n};
    AppendToDynamicArray(doc->textBuffers, &buffer);
    InsertInDynamicCPArray(doc->pieces, SizeOfDynamicCPArray(doc->pieces), kBodyStart + offset, &units);
  }
  doc->cpLimit = kBodyStart + uint32_t(whole.size());
  doc->textLimit = doc->cpLimit - 1;
  for (CSArrayCP* array : {doc->pieces, doc->knots, doc->charRuns, doc->paraRuns, doc->chapterMarks})
    SetMaxCp(array, doc->cpLimit);
  return doc;
}

std::u16string Letters(uint32_t count) {
  std::u16string text(count, u'a');
  for (uint32_t i = 0; i < count; ++i) text[i] = char16_t(u'a' + i % 26);
  return text;
}

void BM_FetchTextAcrossPieces(benchmark::State& state) {
  CorvaneDoc* doc = DocumentWithBody(Letters(kPieces * kPieceUnits - 1), kPieceUnits);
  std::vector<char16_t> buffer(kPieces * kPieceUnits);
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    uint32_t count = uint32_t(buffer.size());
    FetchText(doc, kBodyStart, doc->cpLimit, buffer.data(), &count);
    benchmark::DoNotOptimize(buffer.data());
  }
  g_fetchText = SecondsPerIteration(state, std::chrono::steady_clock::now() - start);
  state.SetItemsProcessed(state.iterations() * kPieces);
  DestroyDocument(doc);
}
BENCHMARK(BM_FetchTextAcrossPieces);

void BM_QTextCursorSelectedText(benchmark::State& state) {
  EnsureBenchApplication();
  QTextDocument document;
  QTextCursor cursor(&document);
  const QString piece = QString::fromStdU16String(Letters(kPieceUnits));
  for (uint32_t i = 0; i < kPieces; ++i) {
    QTextCharFormat format;
    format.setFontWeight(i % 2 ? QFont::Bold : QFont::Normal);  // a fragment each
    cursor.insertText(piece, format);
  }
  QTextCursor all(&document);
  all.select(QTextCursor::Document);
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) benchmark::DoNotOptimize(all.selectedText());
  SetRatio(state, g_fetchText, std::chrono::steady_clock::now() - start);
  state.SetItemsProcessed(state.iterations() * kPieces);
}
BENCHMARK(BM_QTextCursorSelectedText);

std::vector<Properties> DistinctRecords() {
  std::vector<Properties> records(kRecords);
  for (uint32_t i = 0; i < kRecords; ++i) {
    SetBaseProperties(kCharProperties, &records[i]);
    records[i].body.charProps.color = 0x64000000 | i;
    records[i].body.charProps.size = int16_t(16 + i % 200);
  }
  return records;
}

void BM_IndexForProperties(benchmark::State& state) {
  CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
  std::vector<Properties> records = DistinctRecords();
  for (Properties& record : records) IndexForProperties(doc, &record);
  std::mt19937 random(7);
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    Properties probe = records[random() % kRecords];
    doc->cachedCharIndex = kNoPropertyIndex;  // every lookup searches
    benchmark::DoNotOptimize(IndexForProperties(doc, &probe));
  }
  g_intern = SecondsPerIteration(state, std::chrono::steady_clock::now() - start);
  DestroyDocument(doc);
}
BENCHMARK(BM_IndexForProperties);

void BM_UnorderedMapOfBodies(benchmark::State& state) {
  const std::vector<Properties> records = DistinctRecords();
  std::unordered_map<std::string, uint32_t> map;
  const auto key = [](const Properties& r) {
    return std::string(reinterpret_cast<const char*>(&r.body.charProps), sizeof(CharProps));
  };
  for (uint32_t i = 0; i < kRecords; ++i) map.emplace(key(records[i]), i);
  std::mt19937 random(7);
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    Properties probe = records[random() % kRecords];
    benchmark::DoNotOptimize(map.find(key(probe))->second);
  }
  SetRatio(state, g_intern, std::chrono::steady_clock::now() - start);
}
BENCHMARK(BM_UnorderedMapOfBodies);

// 10,000 links of three kinks one after the other: "\0uu\0tt\0 ".
CorvaneDoc* DocumentWithKnots() {
  std::u16string body;
  for (uint32_t i = 0; i < kKnots; ++i) body += std::u16string(u"\0uu\0tt\0 ", 8);
  CorvaneDoc* doc = DocumentWithBody(body, 4096);
  for (uint32_t i = 0; i < kKnots; ++i) {
    const uint32_t cp = kBodyStart + 8 * i;
    const uint32_t roles[3] = {kKinkBegin, kKinkMiddle, kKinkEnd};
    const uint32_t offsets[3] = {0, 3, 6};
    for (uint32_t k = 0; k < 3; ++k) {
      KnotEntry entry;
      entry.type = kKnotLink;
      entry.role = roles[k];
      InsertInDynamicCPArray(doc->knots, SizeOfDynamicCPArray(doc->knots), cp + offsets[k], &entry);
    }
  }
  return doc;
}

void BM_FetchKnot(benchmark::State& state) {
  CorvaneDoc* doc = DocumentWithKnots();
  std::mt19937 random(11);
  KnotFormat knot;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    FetchKnot(doc, kBodyStart + 8 * (random() % kKnots) + 4, &knot, 0);
    benchmark::DoNotOptimize(knot.start);
  }
  g_fetchKnot = SecondsPerIteration(state, std::chrono::steady_clock::now() - start);
  DestroyDocument(doc);
}
BENCHMARK(BM_FetchKnot);

void BM_MapUpperBound(benchmark::State& state) {
  std::map<uint32_t, KnotEntry> knots;
  for (uint32_t i = 0; i < kKnots; ++i)
    for (uint32_t offset : {0u, 3u, 6u}) knots.emplace(kBodyStart + 8 * i + offset, KnotEntry{});
  std::mt19937 random(11);
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    auto it = knots.upper_bound(kBodyStart + 8 * (random() % kKnots) + 4);
    benchmark::DoNotOptimize(std::prev(it)->first);
  }
  SetRatio(state, g_fetchKnot, std::chrono::steady_clock::now() - start);
}
BENCHMARK(BM_MapUpperBound);

}  // namespace
