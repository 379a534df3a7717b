// Applying a formatting change over many runs: ApplyMoleculeToRange of a
// bold molecule over 10,000 character runs of distinct records, beside
// QTextCursor::mergeCharFormat of bold over a QTextDocument of 10,000
// fragments of distinct formats. Both change the same text each iteration
// (the first makes everything bold, later ones find it so). The peer, run
// after ours, shows our time over its own as "ours_over_peer" (goal: 1).
#include <benchmark/benchmark.h>

#include <QColor>
#include <QTextCharFormat>
#include <QTextCursor>
#include <QTextDocument>
#include <chrono>

#include "BenchApplication.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/Molecules.h"
#include "support/CSCore.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kRuns = 10000;
constexpr uint32_t kRunUnits = 4;
constexpr uint32_t kBodyStart = 14;

double g_ours = 0;

double SecondsPerIteration(benchmark::State& state, std::chrono::steady_clock::duration total) {
  return std::chrono::duration<double>(total).count() / double(std::max<int64_t>(1, state.iterations()));
}

// A document whose body is kRuns runs of kRunUnits letters (then the
// closing mark), each run of a record of its own colour.
CorvaneDoc* DocumentWithRuns() {
  CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
  const uint32_t units = kRuns * kRunUnits + 1;
  auto* text = static_cast<char16_t*>(AllocateMemory(units * sizeof(char16_t)));
  for (uint32_t i = 0; i + 1 < units; ++i) text[i] = char16_t(u'a' + i % 26);
  text[units - 1] = u'\n';
  const TextBuffer buffer{text, units};
  AppendToDynamicArray(doc->textBuffers, &buffer);
  SetDynamicCPArrayCount(doc->pieces, 1, kBodyStart);
  InsertInDynamicCPArray(doc->pieces, 1, kBodyStart, &text);
  doc->cpLimit = kBodyStart + units;
  doc->textLimit = doc->cpLimit - 1;
  for (CSArrayCP* array : {doc->pieces, doc->knots, doc->charRuns, doc->paraRuns, doc->chapterMarks})
    SetMaxCp(array, doc->cpLimit);
  for (uint32_t i = 0; i < kRuns; ++i) {
    Properties record;
    SetBaseProperties(kCharProperties, &record);
    record.body.charProps.size = 48;
    record.body.charProps.color = 0x64000000 | i;
    const uint32_t index = IndexForProperties(doc, &record);
    InsertInDynamicCPArray(doc->charRuns, SizeOfDynamicCPArray(doc->charRuns), kBodyStart + i * kRunUnits, &index);
  }
  return doc;
}

void BM_ApplyMoleculeToRange(benchmark::State& state) {
  if (!GetThreadStorage()) AllocateThreadStorage(QString());
  CorvaneDoc* doc = DocumentWithRuns();
  const uint8_t on = 1;
  MoleculePtr bold(NewMolecule(kCharProperties, kCharAtomBold, &on));
  const DocRange range{doc, kBodyStart, kBodyStart + kRuns * kRunUnits};
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) benchmark::DoNotOptimize(ApplyMoleculeToRange(&range, bold.get(), 0, 0, false));
  g_ours = SecondsPerIteration(state, std::chrono::steady_clock::now() - start);
  state.SetItemsProcessed(state.iterations() * kRuns);
  // The run at 0, the body's runs and the one the split at the range's limit made.
  if (SizeOfDynamicCPArray(doc->charRuns) != kRuns + 2) state.SkipWithError("the runs changed in number");
  DestroyDocument(doc);
}
BENCHMARK(BM_ApplyMoleculeToRange);

void BM_QTextCursorMergeCharFormat(benchmark::State& state) {
  EnsureBenchApplication();
  QTextDocument document;
  QTextCursor cursor(&document);
  QString run(kRunUnits, QLatin1Char('a'));
  for (uint32_t i = 0; i < kRuns; ++i) {
    QTextCharFormat format;
    format.setForeground(QColor::fromRgb(QRgb(i)));  // a fragment each
    for (uint32_t u = 0; u < kRunUnits; ++u) run[u] = QChar(u'a' + (i * kRunUnits + u) % 26);
    cursor.insertText(run, format);
  }
  QTextCursor all(&document);
  all.setPosition(0);
  all.setPosition(int(kRuns * kRunUnits), QTextCursor::KeepAnchor);
  QTextCharFormat bold;
  bold.setFontWeight(QFont::Bold);
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) all.mergeCharFormat(bold);
  const double peer = SecondsPerIteration(state, std::chrono::steady_clock::now() - start);
  if (g_ours > 0 && peer > 0) state.counters["ours_over_peer"] = g_ours / peer;
  state.SetItemsProcessed(state.iterations() * kRuns);
}
BENCHMARK(BM_QTextCursorMergeCharFormat);

}  // namespace
