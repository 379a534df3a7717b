// The pixel work a painting repeats, at 1024 and 4096 pixels a side: a
// bucket fill of a large noisy region with walls and holes, strokes of the
// 64-pixel round brush, and turning a pixmap into an image and back; a
// selection turned into its mask and ants, and the zoomed picture of the
// part of a painting the canvas shows; a whole painting blurred at several
// strengths, and strokes of the blur and smudge brushes.
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

#include "pixmap/BlurSmudge.h"
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

// ---- Editing ----

// Mirrors and quarter turns of the opaque flood picture: BM_Flip takes
// (0 horizontal or 1 vertical, side), BM_Rotate (degrees, side). The
// 1024-pixel results are written for the OpenCV check.
void BM_Flip(benchmark::State& state) {
  const bool vertical = state.range(0) != 0;
  const int side = int(state.range(1));
  const CSPixmap& picture = *FloodPicture(side).picture;
  auto work = picture.copy();
  for (auto _ : state) {
    if (vertical)
      work->flipVertical();
    else
      work->flipHorizontal();
    benchmark::ClobberMemory();
  }
  state.SetItemsProcessed(state.iterations() * int64_t(side) * side);
  if (side != 1024) return;
  // An even number of flips leaves the picture as it was: flip once more
  // for the written result.
  if (state.iterations() % 2 == 0) {
    if (vertical)
      work->flipVertical();
    else
      work->flipHorizontal();
  }
  WriteOnce(QStringLiteral("edit-input"), picture);
  WriteOnce(vertical ? QStringLiteral("flip-vertical-result") : QStringLiteral("flip-horizontal-result"), *work);
}
BENCHMARK(BM_Flip)
    ->Args({0, 1024})
    ->Args({1, 1024})
    ->Args({0, 4096})
    ->Args({1, 4096})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

void BM_Rotate(benchmark::State& state) {
  const int degrees = int(state.range(0));
  const int side = int(state.range(1));
  const CSPixmap& picture = *FloodPicture(side).picture;
  auto work = picture.copy();
  std::unique_ptr<CSPixmap> turned;
  for (auto _ : state) {
    state.PauseTiming();
    work->copyPixelsFromBitmap(picture.bitmap());
    state.ResumeTiming();
    benchmark::DoNotOptimize(work->rotate(degrees, &turned));
  }
  state.SetItemsProcessed(state.iterations() * int64_t(side) * side);
  if (side != 1024) return;
  WriteOnce(QStringLiteral("edit-input"), picture);
  WriteOnce(QStringLiteral("rotate-%1-result").arg(degrees), degrees == 180 ? *work : *turned);
}
BENCHMARK(BM_Rotate)
    ->Args({90, 1024})
    ->Args({180, 1024})
    ->Args({270, 1024})
    ->Args({90, 4096})
    ->Args({180, 4096})
    ->Args({270, 4096})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Replacing the flood picture's background colour, within a tolerance that
// takes in all its noise, by another colour over the whole picture.
constexpr int kReplaceTolerance = 8;
const uint32_t kReplaceOld = MakePixel(200, 180, 150, 255);
const uint32_t kReplaceNew = MakePixel(250, 20, 90, 255);

void BM_ReplaceColor(benchmark::State& state) {
  const int side = int(state.range(0));
  const CSPixmap& picture = *FloodPicture(side).picture;
  auto work = picture.copy();
  const Kolor oldKolor = KolorFromPixel(kReplaceOld), newKolor = KolorFromPixel(kReplaceNew);
  for (auto _ : state) {
    state.PauseTiming();
    work->copyPixelsFromBitmap(picture.bitmap());
    state.ResumeTiming();
    benchmark::DoNotOptimize(work->replaceKolor(oldKolor, newKolor, kReplaceTolerance, nullptr, QPointF()));
  }
  state.SetItemsProcessed(state.iterations() * int64_t(side) * side);
  if (side != 1024) return;
  WriteOnce(QStringLiteral("edit-input"), picture);
  WriteOnce(QStringLiteral("replace-result"), *work);
  WriteTextOnce(QStringLiteral("replace.json"),
                QStringLiteral("{\"color\": [%1, %2, %3], \"tolerance\": %4, \"replacement\": [%5, %6, %7]}\n")
                    .arg(PixelRed(kReplaceOld))
                    .arg(PixelGreen(kReplaceOld))
                    .arg(PixelBlue(kReplaceOld))
                    .arg(kReplaceTolerance)
                    .arg(PixelRed(kReplaceNew))
                    .arg(PixelGreen(kReplaceNew))
                    .arg(PixelBlue(kReplaceNew))
                    .toUtf8());
}
BENCHMARK(BM_ReplaceColor)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

// ---- Shapes, masks and ants ----

// A lasso-like selection: overlapping discs and bars with holes cut into
// them, a few lone pixels and one-pixel lines, some of it translucent (any
// alpha selects).
const CSPixmap& SelectionPicture(int side) {
  static std::map<int, std::unique_ptr<CSPixmap>> pictures;
  std::unique_ptr<CSPixmap>& picture = pictures[side];
  if (picture) return *picture;
  picture = CSPixmap::initWithSize(QSizeF(side, side));
  const PixelBitmap bits = picture->bitmap();
  std::mt19937 random{uint32_t(side) + 11};
  std::uniform_int_distribution<int> place(0, side - 1), radius(side / 64, side / 10), alpha(1, 255);
  auto disc = [&](int cx, int cy, int r, uint32_t pixel) {
    for (int y = std::max(cy - r, 0); y <= std::min(cy + r, side - 1); ++y)
      for (int x = std::max(cx - r, 0); x <= std::min(cx + r, side - 1); ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) *bits.pixelAt(x, y) = pixel;
  };
  for (int i = 0; i < 40; ++i) disc(place(random), place(random), radius(random), kOpaqueBlackPixel);
  for (int i = 0; i < 20; ++i) {
    const int x = place(random), y = place(random);
    Fill(bits, x, y, x + side / 8, y + side / 40, MakePixel(0, 0, 0, uint32_t(alpha(random))));
  }
  for (int i = 0; i < 60; ++i) disc(place(random), place(random), radius(random) / 3, kTransparentPixel);
  for (int i = 0; i < side; ++i) *bits.pixelAt(place(random), place(random)) = kOpaqueBlackPixel;
  for (int i = 0; i < 8; ++i) {
    const int x = place(random), y = place(random);
    Fill(bits, x, y, x + side / 5, y, kOpaqueBlackPixel);
    Fill(bits, y, x, y, x + side / 5, kOpaqueBlackPixel);
  }
  return *picture;
}

void BM_ConvertToMask(benchmark::State& state) {
  const int side = int(state.range(0));
  const CSPixmap& selection = SelectionPicture(side);
  std::unique_ptr<CSPixmap> mask;
  for (auto _ : state) {
    mask = selection.createMaskPixmap();
    benchmark::DoNotOptimize(mask.get());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(side) * side);
  WriteOnce(QStringLiteral("mask-%1-input").arg(side), selection);
  if (mask) WriteOnce(QStringLiteral("mask-%1-result").arg(side), *mask);
}
BENCHMARK(BM_ConvertToMask)->Arg(1024)->Arg(4096)->Unit(benchmark::kMillisecond)->UseRealTime();

// The ants of the converted 1024-pixel selection at zoom range(0) / 100.
void BM_AntsAtZoom(benchmark::State& state) {
  const double zoom = double(state.range(0)) / 100;
  const auto mask = SelectionPicture(1024).createMaskPixmap();
  int64_t phase = 0;
  for (auto _ : state) {
    auto ants = mask->createAntsForMaskAtZoom(zoom, phase++);
    benchmark::DoNotOptimize(ants.get());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(1024) * 1024);
}
BENCHMARK(BM_AntsAtZoom)->Arg(50)->Arg(100)->Arg(400)->Unit(benchmark::kMillisecond)->UseRealTime();

// A painting with every alpha, of which the canvas shows a 480 x 270 pixel
// part at zoom range(0), with the pixel grid when range(1) is 1.
const CSPixmap& DisplayPicture() {
  static std::unique_ptr<CSPixmap> picture;
  if (picture) return *picture;
  picture = CSPixmap::initWithSize(QSizeF(1024, 1024));
  const PixelBitmap bits = picture->bitmap();
  std::mt19937 random(17);
  for (int y = 0; y < bits.height; ++y)
    for (int x = 0; x < bits.width; ++x) {
      const uint32_t alpha = (x / 16 + y / 16) % 4 == 0 ? 0 : (x / 16 + y / 16) % 4 == 1 ? 255 : random() % 256;
      auto component = [&] { return alpha ? uint32_t(random() % (alpha + 1)) : 0u; };
      const uint32_t red = component(), green = component(), blue = component();
      *bits.pixelAt(x, y) = MakePixel(red, green, blue, alpha);
    }
  return *picture;
}

void BM_ZoomedPicture(benchmark::State& state) {
  const int zoom = int(state.range(0));
  const bool grid = state.range(1) != 0;
  const CSPixmap& picture = DisplayPicture();
  const QRect visible(200, 300, 480, 270);
  std::unique_ptr<CSPixmap> zoomed;
  for (auto _ : state) {
    zoomed = picture.createPixmapForRect(visible, kPixmapDisplayNormal, zoom, grid);
    benchmark::DoNotOptimize(zoomed.get());
  }
  state.SetItemsProcessed(state.iterations() * int64_t(visible.width()) * visible.height());
  if (grid || !zoomed) return;
  WriteOnce(QStringLiteral("zoom-input"), picture);
  WriteOnce(QStringLiteral("zoom-%1-result").arg(zoom), *zoomed);
  const QString parameters = QStringLiteral("{\"rect\": [%1, %2, %3, %4], \"zoom\": %5}\n")
                                 .arg(visible.x())
                                 .arg(visible.y())
                                 .arg(visible.width())
                                 .arg(visible.height())
                                 .arg(zoom);
  WriteTextOnce(QStringLiteral("zoom-%1.json").arg(zoom), parameters.toUtf8());
}
BENCHMARK(BM_ZoomedPicture)
    ->Args({1, 0})
    ->Args({4, 0})
    ->Args({4, 1})
    ->Args({16, 0})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// ---- Blur and smudge ----

// An opaque painting with something to blur everywhere: smooth gradients
// under hard-edged discs and bars, and fine noise.
const CSPixmap& BlurPicture(int side) {
  static std::map<int, std::unique_ptr<CSPixmap>> pictures;
  std::unique_ptr<CSPixmap>& picture = pictures[side];
  if (picture) return *picture;
  picture = CSPixmap::initWithSize(QSizeF(side, side));
  const PixelBitmap bits = picture->bitmap();
  std::mt19937 random{uint32_t(side) + 23};
  std::uniform_int_distribution<int> noise(-12, 12);
  auto level = [&](int base) { return uint32_t(std::clamp(base + noise(random), 0, 255)); };
  for (int y = 0; y < side; ++y)
    for (int x = 0; x < side; ++x)
      *bits.pixelAt(x, y) =
          MakePixel(level(x * 255 / side), level(y * 255 / side), level(255 - (x + y) * 127 / side), 255);
  std::uniform_int_distribution<int> place(0, side - 1), radius(side / 200, side / 20), channel(0, 255);
  for (int i = 0; i < 120; ++i) {
    const int cx = place(random), cy = place(random), r = radius(random);
    const uint32_t pixel =
        MakePixel(uint32_t(channel(random)), uint32_t(channel(random)), uint32_t(channel(random)), 255);
    if (i % 3 == 0) {
      Fill(bits, cx, cy, cx + 4 * r, cy + r / 4, pixel);
      continue;
    }
    for (int y = std::max(cy - r, 0); y <= std::min(cy + r, side - 1); ++y)
      for (int x = std::max(cx - r, 0); x <= std::min(cx + r, side - 1); ++x)
        if ((x - cx) * (x - cx) + (y - cy) * (y - cy) <= r * r) *bits.pixelAt(x, y) = pixel;
  }
  return *picture;
}

// The whole painting of side range(0) blurred at strength range(1) / 100,
// in bands across the thread pool; the running sums keep the time the same
// at every strength whose three boxes have a radius (0.1 has one box).
void BM_Blur(benchmark::State& state) {
  const int side = int(state.range(0));
  const double strength = double(state.range(1)) / 100;
  const CSPixmap& picture = BlurPicture(side);
  auto work = picture.copy();
  bool blurred = false;
  for (auto _ : state) {
    state.PauseTiming();
    work->copyPixelsFromBitmap(picture.bitmap());
    state.ResumeTiming();
    blurred = work->blur(strength);
    benchmark::DoNotOptimize(blurred);
  }
  state.SetItemsProcessed(state.iterations() * int64_t(side) * side);
  if (!blurred) {
    state.SkipWithError("the blur failed");
    return;
  }
  const BoxSizes sizes = BlurRadius(strength);
  const QString name = QStringLiteral("blur-%1-%2").arg(side).arg(state.range(1));
  WriteOnce(QStringLiteral("blur-%1-input").arg(side), picture);
  WriteOnce(name + QStringLiteral("-result"), *work);
  WriteTextOnce(name + QStringLiteral(".json"),
                QStringLiteral("{\"side\": %1, \"strength\": %2, \"radii\": [%3, %4, %5]}\n")
                    .arg(side)
                    .arg(strength)
                    .arg(sizes.boxSizes[0])
                    .arg(sizes.boxSizes[1])
                    .arg(sizes.boxSizes[2])
                    .toUtf8());
}
BENCHMARK(BM_Blur)
    ->Args({1024, 100})
    ->Args({4096, 10})
    ->Args({4096, 50})
    ->Args({4096, 100})
    ->Args({4096, 200})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

// Four strokes of the 64-pixel blur (range(0) 1) or smudge (0) brush
// across the 1024-pixel painting at strength range(1) / 100, each started
// and ended as the tool does.
void BM_BrushBlurAndSmudge(benchmark::State& state) {
  const bool blurring = state.range(0) != 0;
  const double strength = double(state.range(1)) / 100;
  const CSPixmap& picture = BlurPicture(1024);
  auto work = picture.copy();
  std::mt19937 random(29);
  std::uniform_real_distribution<double> place(-40, 1064);
  std::vector<std::array<double, 4>> strokes(4);
  for (auto& stroke : strokes) stroke = {place(random), place(random), place(random), place(random)};
  int64_t stamps = 0;
  for (const auto& stroke : strokes)
    stamps += int64_t(std::max(std::abs(stroke[2] - stroke[0]), std::abs(stroke[3] - stroke[1])));
  for (auto _ : state) {
    state.PauseTiming();
    work->copyPixelsFromBitmap(picture.bitmap());
    state.ResumeTiming();
    for (const auto& stroke : strokes) {
      const QPointF start(std::max(stroke[0], 0.0), std::max(stroke[1], 0.0));
      if (blurring)
        work->setBlur(start, 6, strength);
      else
        work->setSmudge(start, 6, strength);
      const PixelBitmap bits = work->bitmap();
      BrushContext brush;
      brush.data = bits.data;
      brush.bytesPerRow = bits.bytesPerRow;
      brush.lastColumn = bits.width - 1;
      brush.lastRow = bits.height - 1;
      brush.sizeExponent = 6;
      brush.shape = kBrushRound;
      brush.smudgeBuffer = work->smudgeBitmap();
      brush.blurBuffer = work->blurBitmap();
      brush.strength = work->smudgeStrength();
      brush.smudgeSize = work->smudgeSize();
      DrawBrushStroke(&brush, start.x(), start.y(), stroke[2], stroke[3]);
      benchmark::DoNotOptimize(brush.changed);
      work->setSmudge(QPointF(-1, -1), 6, strength);
    }
  }
  state.SetItemsProcessed(state.iterations() * stamps);  // roughly one stamp a step
}
BENCHMARK(BM_BrushBlurAndSmudge)
    ->Args({1, 50})
    ->Args({1, 100})
    ->Args({0, 50})
    ->Args({0, 100})
    ->Unit(benchmark::kMillisecond)
    ->UseRealTime();

}  // namespace
