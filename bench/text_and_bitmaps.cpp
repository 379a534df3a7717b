// Font look-up, text measuring and off-screen bitmaps: the work a canvas
// repeats for every text element and every cached image it draws.
#include <benchmark/benchmark.h>

#include <QGuiApplication>
#include <QPainter>

#include "support/Bitmaps.h"
#include "support/CSCore.h"
#include "support/Fonts.h"
#include "support/TextDrawing.h"

namespace {

void EnsureApplication() {
  static int argc = 1;
  static char name[] = "bench_text_and_bitmaps";
  static char* argv[] = {name, nullptr};
  static QGuiApplication* app = [] {
    qputenv("QT_QPA_PLATFORM", "offscreen");
    return new QGuiApplication(argc, argv);
  }();
  (void)app;
}

void BM_MapFontNameExisting(benchmark::State& state) {
  EnsureApplication();
  const QString name = QStringLiteral("DejaVuSans-Bold");
  for (auto _ : state) benchmark::DoNotOptimize(MapFontName(name));
}
BENCHMARK(BM_MapFontNameExisting);

void BM_MapFontNameForeign(benchmark::State& state) {
  EnsureApplication();
  const QString name = QStringLiteral("TimesNewRomanPS-BoldItalicMT");
  for (auto _ : state) benchmark::DoNotOptimize(MapFontName(name));
}
BENCHMARK(BM_MapFontNameForeign);

void BM_SizeOfTextInFont(benchmark::State& state) {
  EnsureApplication();
  const QFont font = FontWithName(QStringLiteral("DejaVu Sans"), 12);
  const QString text = QStringLiteral("The quick brown fox jumps over the lazy dog");
  for (auto _ : state) benchmark::DoNotOptimize(SizeOfTextInFont(text, font));
}
BENCHMARK(BM_SizeOfTextInFont);

void BM_DrawTextWithCT(benchmark::State& state) {
  EnsureApplication();
  const QFont font = FontWithName(QStringLiteral("DejaVu Sans"), 18);
  QImage image = CreateQuartzBitmap(600, 60);
  QPainter painter(&image);
  const bool shadow = state.range(0) != 0;
  for (auto _ : state) {
    benchmark::DoNotOptimize(DrawTextWithCT(&painter, QStringLiteral("Shadowed label text"), font, g_blackKolor, false,
                                            false, shadow, 10, 40, 0));
  }
}
BENCHMARK(BM_DrawTextWithCT)->Arg(0)->Arg(1);

void BM_CreateQuartzBitmap(benchmark::State& state) {
  const int side = int(state.range(0));
  for (auto _ : state) {
    uchar* buffer = nullptr;
    {
      QImage image = CreateQuartzBitmap(side, side, &buffer);
      benchmark::DoNotOptimize(image.constBits());
    }
    FreeMemory(buffer);
  }
}
BENCHMARK(BM_CreateQuartzBitmap)->Arg(64)->Arg(1024);

}  // namespace
