// Copying 10,000 elements to the own clipboard types and pasting them back
// into a drawing, beside saving the same drawing as a package and opening
// it again. One copy-and-paste and one save-and-open are timed in each
// iteration of their benchmark; the last benchmark reports the clipboard
// round over the package round as "clipboard_over_package" (goal: at most
// 1.5). The picture a copy also writes (PDF, TIFF, PNG of the selection)
// is the drawing's own image export and is left out of both sides.
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QDir>
#include <QString>
#include <chrono>
#include <cstdlib>
#include <memory>
#include <vector>

#include "BenchApplication.h"
#include "BenchDrawing.h"
#include "interchange/ClipboardRecords.h"
#include "model/DRDrawing.h"
#include "model/DRElementText.h"
#include "model/DRKeyTable.h"
#include "platform/AtomicSwap.h"
#include "support/Fonts.h"

namespace {

constexpr int kCount = 10000;
constexpr int kColumns = 100;

QString BenchFolder() { return BenchTemporaryFolder("clipboard"); }

DRDrawing& Drawing() {
  static DRDrawing* drawing = NewMixedBenchDrawing(kCount, kColumns);
  return *drawing;
}

std::vector<DRElement*> AllElements() {
  std::vector<DRElement*> elements;
  for (const auto& element : Drawing().elements()) elements.push_back(element.get());
  return elements;
}

double Seconds(std::chrono::steady_clock::time_point start) {
  return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}

// Seconds per save-and-open in the latest run of BM_PackageSaveAndOpen.
double g_packageSeconds = 0;

void BM_PackageSaveAndOpen(benchmark::State& state) {
  DRDrawing& drawing = Drawing();
  int round = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    const QString package = BenchFolder() + QStringLiteral("/Round%1.TWdraw").arg(round++);
    DRDrawing opened;
    if (!drawing.saveNative(package, false, nullptr) || !opened.loadNativeFile(package) ||
        opened.elements().size() != size_t(kCount)) {
      state.SkipWithError("the package did not save and open whole");
      break;
    }
    state.PauseTiming();
    opened.elements().clear();
    RemoveItemTree(package);
    state.ResumeTiming();
  }
  g_packageSeconds = Seconds(start) / double(state.iterations());
  state.counters["elements"] = kCount;
}
BENCHMARK(BM_PackageSaveAndOpen)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ClipboardCopyAndPaste(benchmark::State& state) {
  DRDrawing& drawing = Drawing();
  const std::vector<DRElement*> elements = AllElements();
  DRDrawing target;
  double copySeconds = 0;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    const auto copyStart = std::chrono::steady_clock::now();
    QByteArray records, images;
    WriteClipboardElements(elements, &drawing, &records, &images);
    copySeconds += Seconds(copyStart);
    std::optional<DRPastedElements> pasted = ReadClipboardElements(records, images, &target);
    if (!pasted || pasted->elements.size() != size_t(kCount)) {
      state.SkipWithError("the records did not paste whole");
      break;
    }
    state.PauseTiming();
    pasted->elements.clear();
    state.ResumeTiming();
  }
  const double seconds = Seconds(start) / double(state.iterations());
  state.counters["copy_ms"] = copySeconds * 1000 / double(state.iterations());
  state.counters["elements"] = kCount;
  if (g_packageSeconds > 0) state.counters["clipboard_over_package"] = seconds / g_packageSeconds;
}
BENCHMARK(BM_ClipboardCopyAndPaste)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
