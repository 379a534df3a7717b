// Saving and opening a drawing package of 10,000 elements (rectangles,
// ellipses and lines with line styles, and every tenth a text box, all in
// one font), beside `xmllint --noout` on the written "drawing.xml" as a
// peer that only parses the same text (its process start-up included;
// skipped when it is not installed). The last benchmark reports our open
// over the peer's parse as "open_over_xmllint".
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <chrono>
#include <cstdlib>
#include <memory>

#include "BenchApplication.h"
#include "BenchDrawing.h"
#include "BenchPeer.h"
#include "model/DRDrawing.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementLine.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementText.h"
#include "model/DRKeyTable.h"
#include "platform/AtomicSwap.h"
#include "support/Fonts.h"

namespace {

constexpr int kCount = 10000;
constexpr int kColumns = 100;

QString BenchFolder() { return BenchTemporaryFolder("package"); }

DRDrawing& Drawing() {
  static DRDrawing* drawing = NewMixedBenchDrawing(kCount, kColumns);
  return *drawing;
}

// The package the open benchmarks read, saved once.
const QString& SavedPackage() {
  static const QString path = [] {
    const QString package = BenchFolder() + QStringLiteral("/Saved.TWdraw");
    if (!Drawing().saveNative(package, false, nullptr)) return QString();
    return package;
  }();
  return path;
}

class WallClock {
 public:
  double seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count(); }

 private:
  std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// Seconds per open in the latest run of BM_OpenPackage; 0 before it.
double g_openSeconds = 0;

void BM_SavePackage(benchmark::State& state) {
  DRDrawing& drawing = Drawing();
  int round = 0;
  for (auto _ : state) {
    const QString package = BenchFolder() + QStringLiteral("/Save%1.TWdraw").arg(round++);
    if (!drawing.saveNative(package, false, nullptr)) {
      state.SkipWithError("the save failed");
      break;
    }
    state.PauseTiming();
    RemoveItemTree(package);
    state.ResumeTiming();
  }
  state.counters["elements"] = kCount;
}
BENCHMARK(BM_SavePackage)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_OpenPackage(benchmark::State& state) {
  const QString& package = SavedPackage();
  if (package.isEmpty()) {
    state.SkipWithError("the package could not be saved");
    return;
  }
  const WallClock clock;
  for (auto _ : state) {
    DRDrawing drawing;
    if (!drawing.loadNativeFile(package) || drawing.elements().size() != size_t(kCount)) {
      state.SkipWithError("the package did not open whole");
      break;
    }
    state.PauseTiming();
    drawing.elements().clear();
    state.ResumeTiming();
  }
  g_openSeconds = clock.seconds() / double(state.iterations());
  state.SetBytesProcessed(state.iterations() * QFile(package + QStringLiteral("/drawing.xml")).size());
}
BENCHMARK(BM_OpenPackage)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peer: xmllint parsing the same "drawing.xml" as a process.
void BM_XmllintNoout(benchmark::State& state) {
  const QString& package = SavedPackage();
  if (package.isEmpty()) {
    state.SkipWithError("the package could not be saved");
    return;
  }
  if (!PeerInstalled("/usr/bin/xmllint")) {
    state.SkipWithError("xmllint is not installed (libxml2-utils)");
    return;
  }
  const QByteArray file = QFile::encodeName(package + QStringLiteral("/drawing.xml"));
  const WallClock clock;
  for (auto _ : state) {
    if (!RunPeer("/usr/bin/xmllint", {"--noout", file})) {
      state.SkipWithError("xmllint refused the file");
      break;
    }
  }
  const double peerSeconds = clock.seconds() / double(state.iterations());
  state.SetBytesProcessed(state.iterations() * QFile(QFile::decodeName(file)).size());
  if (g_openSeconds > 0) state.counters["open_over_xmllint"] = g_openSeconds / peerSeconds;
}
BENCHMARK(BM_XmllintNoout)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
