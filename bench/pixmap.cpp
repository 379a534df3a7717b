// The pixel work a painting repeats, at 1024 and 4096 pixels a side: a
// bucket fill of a large noisy region with walls and holes, strokes of the
// 64-pixel round brush, and turning a pixmap into an image and back.
//
// With TWDRAW_PIXMAP_BENCH_DIR set, every input and result is written into
// that folder as PNG, and each fill's seed, tolerance and colour as JSON, so
// that bench/pixmap_opencv.py can fill the same pictures with OpenCV and
// compare (benchmark_main takes no options of ours, hence the variable).
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFile>
#include <QImage>
#include <QString>
#include <algorithm>
#include <array>
#include <cmath>
#include <cstdlib>
#include <map>
#include <memory>
#include <random>
#include <set>
#include <vector>

#include "pixmap/CSPixmap.h"
#include "pixmap/PixelFunctions.h"

namespace {

constexpr int kFloodTolerance = 16;
const uint32_t kFloodReplacement = MakePixel(30, 120, 220, 255);
const uint32_t kWallPixel = MakePixel(40, 40, 40, 255);

QString OutputFolder() {
  const QByteArray folder = qgetenv("TWDRAW_PIXMAP_BENCH_DIR");
  if (folder.isEmpty()) return {};
  QDir().mkpath(QString::fromLocal8Bit(folder));
  return QString::fromLocal8Bit(folder);
}

// Writes a picture once per name and run, outside the timed part.
void WriteOnce(const QString& name, const CSPixmap& pixmap) {
  static std::set<QString> written;
  const QString folder = OutputFolder();
  if (folder.isEmpty() || !written.insert(name).second) return;
  pixmap.createCGImage().save(QDir(folder).filePath(name + QStringLiteral(".png")), "PNG");
}

void WriteTextOnce(const QString& name, const QByteArray& text) {
  static std::set<QString> written;
  const QString folder = OutputFolder();
  if (folder.isEmpty() || !written.insert(name).second) return;
  QFile file(QDir(folder).filePath(name));
  if (file.open(QIODevice::WriteOnly)) file.write(text);
}

void Fill(const PixelBitmap& bits, int left, int top, int right, int bottom, uint32_t pixel) {
  for (int y = std::max(top, 0); y <= std::min(bottom, bits.height - 1); ++y)
    for (int x = std::max(left, 0); x <= std::min(right, bits.width - 1); ++x) *bits.pixelAt(x, y) = pixel;
}

struct FloodInput {
  std::unique_ptr<CSPixmap> picture;
  int seedX = 0;
  int seedY = 0;
};

// A background whose colour varies by up to 4 a component, crossed by walls
// with gaps and dotted with blocks: one large, ragged region around the
// centre that every component of the tolerance reaches.
const FloodInput& FloodPicture(int side) {
  static std::map<int, FloodInput> pictures;
  FloodInput& input = pictures[side];
  if (input.picture) return input;
  input.picture = CSPixmap::initWithSize(QSizeF(side, side));
  const PixelBitmap bits = input.picture->bitmap();
  std::mt19937 random{uint32_t(side)};
  std::uniform_int_distribution<int> noise(-4, 4);
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      *bits.pixelAt(x, y) =
          MakePixel(uint32_t(200 + noise(random)), uint32_t(180 + noise(random)), uint32_t(150 + noise(random)), 255);
  std::uniform_int_distribution<int> place(0, side - 1), length(side / 16, side / 3), block(2, 16);
  // Walls of 56-pixel pieces with 8-pixel gaps, so that they never close
  // the region off.
  for (int i = 0; i < side / 8; ++i) {
    const int x = place(random), y = place(random), extent = length(random);
    for (int along = 0; along < extent; along += 64) {
      const int piece = std::min(56, extent - along);
      if (i % 2)
        Fill(bits, x + along, y, x + along + piece - 1, y + 2, kWallPixel);
      else
        Fill(bits, x, y + along, x + 2, y + along + piece - 1, kWallPixel);
    }
  }
  for (int i = 0; i < side / 2000.0 * side; ++i) {
    const int x = place(random), y = place(random), w = block(random), h = block(random);
    Fill(bits, x, y, x + w, y + h, kWallPixel);
  }
  input.seedX = side / 2;
  input.seedY = side / 2;
  Fill(bits, input.seedX - 3, input.seedY - 3, input.seedX + 3, input.seedY + 3, MakePixel(200, 180, 150, 255));
  return input;
}

void BM_Flood(benchmark::State& state) {
  const int side = int(state.range(0));
  const FloodInput& input = FloodPicture(side);
  auto work = input.picture->copy();
  const PixelBitmap bits = work->bitmap();
  const uint32_t target = *input.picture->bitmap().pixelAt(input.seedX, input.seedY);
  int64_t filled = 0;
  for (auto _ : state) {
    state.PauseTiming();
    work->copyPixelsFromBitmap(input.picture->bitmap());
    state.ResumeTiming();
    bool alphaChanged = false;
    benchmark::DoNotOptimize(FloodBitmap(bits, target, kFloodReplacement, kFloodTolerance, input.seedX, input.seedY,
                                         kPixmapModeColor, nullptr, &alphaChanged));
  }
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x) filled += *bits.pixelAt(x, y) == kFloodReplacement;
  state.SetItemsProcessed(state.iterations() * filled);
  state.counters["filled"] = double(filled);

  const QString name = QStringLiteral("flood-%1").arg(side);
  WriteOnce(name + QStringLiteral("-input"), *input.picture);
  WriteOnce(name + QStringLiteral("-result"), *work);
  WriteTextOnce(name + QStringLiteral(".json"),
                QStringLiteral("{\"seed\": [%1, %2], \"tolerance\": %3, \"replacement\": [%4, %5, %6]}\n")
                    .arg(input.seedX)
                    .arg(input.seedY)
                    .arg(kFloodTolerance)
                    .arg(PixelRed(kFloodReplacement))
                    .arg(PixelGreen(kFloodReplacement))
                    .arg(PixelBlue(kFloodReplacement))
                    .toUtf8());
}
BENCHMARK(BM_Flood)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

// Thirty-two strokes of the round brush of exponent 6 between points
// spread over the picture, some of them running off its edges.
void BM_BrushStrokes(benchmark::State& state) {
  const int side = int(state.range(0));
  auto blank = CSPixmap::initWithSize(QSizeF(side, side));
  Fill(blank->bitmap(), 0, 0, side - 1, side - 1, kOpaqueWhitePixel);
  auto work = blank->copy();
  std::mt19937 random(5);
  std::uniform_real_distribution<double> place(-side * 0.1, side * 1.1);
  std::vector<std::array<double, 4>> strokes(32);
  for (auto& stroke : strokes) stroke = {place(random), place(random), place(random), place(random)};
  int64_t stamps = 0;
  for (auto _ : state) {
    state.PauseTiming();
    work->copyPixelsFromBitmap(blank->bitmap());
    state.ResumeTiming();
    BrushContext brush;
    const PixelBitmap bits = work->bitmap();
    brush.data = bits.data;
    brush.bytesPerRow = bits.bytesPerRow;
    brush.lastColumn = bits.width - 1;
    brush.lastRow = bits.height - 1;
    brush.sizeExponent = 6;
    brush.shape = kBrushRound;
    for (size_t i = 0; i < strokes.size(); ++i) {
      brush.paintValue = i % 2 ? MakePixel(200, 30, 30, 255) : MakePixel(0, 0, 128, 128);
      brush.paintAlpha = PixelAlpha(brush.paintValue);
      DrawBrushStroke(&brush, strokes[i][0], strokes[i][1], strokes[i][2], strokes[i][3]);
    }
    benchmark::DoNotOptimize(brush.changed);
  }
  for (const auto& stroke : strokes)
    stamps += int64_t(std::max(std::abs(stroke[2] - stroke[0]), std::abs(stroke[3] - stroke[1])));
  state.SetItemsProcessed(state.iterations() * stamps);  // roughly one stamp a step

  const QString name = QStringLiteral("strokes-%1").arg(side);
  WriteOnce(name + QStringLiteral("-input"), *blank);
  WriteOnce(name + QStringLiteral("-result"), *work);
}
BENCHMARK(BM_BrushStrokes)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_CreateImage(benchmark::State& state) {
  const int side = int(state.range(0));
  const CSPixmap& picture = *FloodPicture(side).picture;
  for (auto _ : state) benchmark::DoNotOptimize(picture.createImage().isNull());
  state.SetBytesProcessed(state.iterations() * int64_t(side) * side * 4);
  WriteOnce(QStringLiteral("image-%1-input").arg(side), picture);
}
BENCHMARK(BM_CreateImage)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_InitWithImage(benchmark::State& state) {
  const int side = int(state.range(0));
  const CSImage image = FloodPicture(side).picture->createImage();
  std::unique_ptr<CSPixmap> pixmap;
  for (auto _ : state) {
    pixmap = CSPixmap::initWithImage(image);
    benchmark::DoNotOptimize(pixmap.get());
  }
  state.SetBytesProcessed(state.iterations() * int64_t(side) * side * 4);
  if (pixmap) WriteOnce(QStringLiteral("image-%1-result").arg(side), *pixmap);
}
BENCHMARK(BM_InitWithImage)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
