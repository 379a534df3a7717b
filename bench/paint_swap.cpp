// The swap of the selection's colours over an 8k x 8k painting: through the
// swap operation as the Swap Colors command runs it (a copy of the pixels
// for the worker, the replacement on a pool thread, the copy installed in
// the painting), and, in the same run, the bare pixmap replacement on the
// same pixels. The mean times are reported as a ratio (goal at most 1.25).
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QGuiApplication>
#include <QImage>
#include <QThreadPool>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <memory>

#include "BenchApplication.h"
#include "model/DRPainting.h"
#include "model/DRSettings.h"
#include "pixmap/CSPixmap.h"
#include "support/CSImage.h"
#include "support/Kolor.h"
#include "ui/paint/DRSwapPixelsOperation.h"

namespace {

constexpr int kSide = 8192;
constexpr Kolor kGreen = MakeKolor(0, 255, 0);

// A painting whose left half is red and right half blue, its pixels as
// they were, and a selection over a red patch.
struct Fixture {
  std::shared_ptr<DRPainting> painting;
  std::unique_ptr<CSPixmap> original;
  std::unique_ptr<CSPixmap> mask;
  QPointF origin{16, 16};
};

Fixture& Shared() {
  static Fixture* fixture = [] {
    EnsureBenchApplication();
    DRSettings::sharedInstance().setPaintTolerance(0);
    auto* made = new Fixture;
    QImage image(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::blue);
    for (int y = 0; y < kSide; ++y) {
      auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
      std::fill(row, row + kSide / 2, qRgb(255, 0, 0));
    }
    made->painting = DRPainting::paintingFromImage(CSImage::initWithCGImage(image, QSizeF(0, 0)));
    made->original = made->painting->pixmap()->copy();
    made->mask = CSPixmap::initWithRect(QSizeF(32, 32), g_blackKolor)->createMaskPixmap();
    return made;
  }();
  return *fixture;
}

// Puts the painting's pixels back as they were, untimed.
void Restore(Fixture& fixture) {
  fixture.painting->pixmap()->copyPixelsFromBitmap(fixture.original->bitmap());
  // The progress reports of the last run wait in the event queue.
  QCoreApplication::processEvents();
}

double g_bareMs = 0;
double g_operationMs = 0;

void BM_BareReplace(benchmark::State& state) {
  Fixture& fixture = Shared();
  double total = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Restore(fixture);
    std::atomic<uint8_t> cancel{0};
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    const bool done =
        fixture.painting->pixmap()->replaceColorsFromMask(fixture.mask.get(), fixture.origin, kGreen, 0, &cancel);
    total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    benchmark::DoNotOptimize(done);
    if (!done) state.SkipWithError("nothing was replaced");
  }
  g_bareMs = total / double(state.iterations());
  state.counters["ms"] = g_bareMs;
}

void BM_SwapOperation(benchmark::State& state) {
  Fixture& fixture = Shared();
  QThreadPool pool;
  pool.setMaxThreadCount(1);
  double total = 0;
  for (auto _ : state) {
    state.PauseTiming();
    Restore(fixture);
    state.ResumeTiming();
    const auto start = std::chrono::steady_clock::now();
    DRSwapPixelsOperation operation(fixture.painting, fixture.mask.get(), fixture.origin, kGreen);
    pool.start(&operation);
    pool.waitForDone();
    const bool installed = operation.install();
    total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (!installed) state.SkipWithError("nothing was installed");
  }
  g_operationMs = total / double(state.iterations());
  state.counters["ms"] = g_operationMs;
}

void BM_Ratio(benchmark::State& state) {
  for (auto _ : state) {
  }
  if (g_bareMs <= 0) {
    state.SkipWithError("the bare replacement did not run");
    return;
  }
  const double ratio = g_operationMs / g_bareMs;
  state.counters["operation/bare"] = ratio;
  std::fprintf(stderr, "swap 8k x 8k: operation %.1f ms  bare replace %.1f ms  operation/bare %.2f (goal <= 1.25)\n",
               g_operationMs, g_bareMs, ratio);
}

}  // namespace

BENCHMARK(BM_BareReplace)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_SwapOperation)->Unit(benchmark::kMillisecond)->Iterations(5);
BENCHMARK(BM_Ratio)->Iterations(1);
