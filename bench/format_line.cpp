// Line formatting of a whole 1 MB document beside Qt's own rich-text
// layout, in one run: FormatLine over every line of the text at a width of
// 450 points, then QTextDocument laying out the same text at the same width
// over the same 72-dpi device. The peer, run after ours, shows our time over
// its own as the counter "ours_over_peer" (goal: at most 1.5), and the same
// ratio of the thread's processor time as "cpu_ours_over_peer", which other
// work on a shared machine disturbs less.
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QGuiApplication>
#include <QTextBlock>
#include <QTextDocument>
#include <QTextLayout>
#include <ctime>

#include "BenchApplication.h"
#include "BenchPeer.h"
#include "BenchRichText.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/FontNames.h"
#include "richtext/LineFormat.h"
#include "richtext/Panes.h"
#include "support/CSCore.h"
#include "support/DynamicArrays.h"
#include "support/TextDrawing.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBodyStart = kBenchBodyStart;
constexpr uint32_t kDocumentUnits = 1000 * 1000;
constexpr double kWidthPoints = 450;

double g_oursMs = 0;
double g_oursCpuMs = 0;

// The processor time of the calling thread so far.
double ThreadCpuMs() {
  timespec now{};
  clock_gettime(CLOCK_THREAD_CPUTIME_ID, &now);
  return double(now.tv_sec) * 1e3 + double(now.tv_nsec) / 1e6;
}

// The thread's processor milliseconds per iteration while `measure` ran.
template <typename Measure>
double PerIterationCpuMs(const benchmark::State& state, Measure measure) {
  const double start = ThreadCpuMs();
  measure();
  return state.iterations() > 0 ? (ThreadCpuMs() - start) / double(state.iterations()) : 0;
}

// Paragraphs of 200-1,000 units of words from a fixed list.
QString DocumentText() {
  return BenchParagraphs({"the", "formatting", "of", "a", "line", "breaks", "between", "words", "when", "text", "runs",
                          "past", "its", "right", "edge", "measured", "in", "points", "and", "typeset", "once",
                          "paragraph", "1,024", "tabs"},
                         kDocumentUnits, 200, 1000, 7);
}

CorvaneDoc* DocumentWithText(const QString& body) {
  CorvaneDoc* doc = BenchDocumentWithText(body);
  return doc;
}

const QString& Text() {
  static const QString text = DocumentText();
  return text;
}

void BM_FormatLineWholeDocument(benchmark::State& state) {
  EnsureBenchApplication();
  if (!GetThreadStorage()) AllocateThreadStorage(QString());
  CorvaneDoc* doc = DocumentWithText(Text());
  LineFormat format;
  uint64_t lines = 0;
  g_oursCpuMs = PerIterationCpuMs(state, [&] {
    g_oursMs = MeanMs(state, [&] {
      InitFormatLine(doc, CurrentPane(doc), &format, 0);
      lines = 0;
      for (uint32_t cp = kBodyStart; cp < doc->textLimit; ++lines) {
        FormatLine(cp, int64_t(kWidthPoints * 12700), &format);
        cp = std::max(format.endCp, cp + 1);
      }
    });
  });
  ReleaseLineFormat(&format);
  DestroyDocument(doc);
  state.counters["lines"] = double(lines);
  state.counters["ms"] = g_oursMs;
  state.counters["cpu_ms"] = g_oursCpuMs;
}
BENCHMARK(BM_FormatLineWholeDocument)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_QTextDocumentLayout(benchmark::State& state) {
  EnsureBenchApplication();
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(12);
  int lines = 0;
  double peerMs = 0;
  const double peerCpuMs = PerIterationCpuMs(state, [&] {
    peerMs = MeanMs(state, [&] {
      QTextDocument document;
      document.documentLayout()->setPaintDevice(TextReferenceDevice());
      document.setDefaultFont(font);
      document.setDocumentMargin(0);
      document.setPlainText(Text());
      document.setTextWidth(kWidthPoints);
      benchmark::DoNotOptimize(document.documentLayout()->documentSize());
      lines = 0;
      for (QTextBlock block = document.begin(); block.isValid(); block = block.next()) {
        lines += block.layout() ? block.layout()->lineCount() : 0;
      }
    });
  });
  state.counters["lines"] = double(lines);
  state.counters["ms"] = peerMs;
  state.counters["cpu_ms"] = peerCpuMs;
  if (g_oursMs > 0 && peerMs > 0) state.counters["ours_over_peer"] = g_oursMs / peerMs;
  if (g_oursCpuMs > 0 && peerCpuMs > 0) state.counters["cpu_ours_over_peer"] = g_oursCpuMs / peerCpuMs;
}
BENCHMARK(BM_QTextDocumentLayout)->Unit(benchmark::kMillisecond)->Iterations(3);

}  // namespace
