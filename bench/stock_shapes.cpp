// Scrolling the stock-shape grid: every stock shape (four times over, so
// that there is something to scroll) in a picture collection of the
// sheet's size, the samples made once and kept as the sheet keeps them,
// the grid scrolled a little and repainted at once per step. Each step is
// also given as a share of one 60 Hz frame (16.7 ms). Making the samples,
// which the sheet does once per category, is measured on its own.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QDir>
#include <QScrollArea>
#include <QScrollBar>
#include <chrono>
#include <optional>
#include <vector>

#include "BenchApplication.h"
#include "model/DRElement.h"
#include "model/DRElementClosed.h"
#include "model/DRKeyTable.h"
#include "ui/inspector/CSPictureCollection.h"
#include "ui/inspector/DRShapeDialog.h"

namespace {

constexpr double kFrameMilliseconds = 1000.0 / 60;
constexpr int kRepeats = 4;

// The shipped package sits in the build folder, one above the benchmarks.
std::vector<DRElementClosed*> StockShapes() {
  EnsureBenchApplication<QApplication>();
  CreateXmlDecoder();
  RegisterElementClasses();
  DRShapeDialog::setStockShapesPath(
      QDir(QCoreApplication::applicationDirPath()).filePath(QStringLiteral("../") + DRShapeDialog::stockShapesName()));
  std::vector<DRElementClosed*> shapes;
  if (!DRShapeDialog::loadStockShapes()) return shapes;
  for (int64_t category = 0; category < DRShapeDialog::categoryNames().size(); ++category) {
    for (DRElementClosed* shape : DRShapeDialog::shapesInCategory(category)) shapes.push_back(shape);
  }
  return shapes;
}

class CachedShapes : public CSPictureCollectionDelegate {
 public:
  explicit CachedShapes(std::vector<DRElementClosed*> shapes) : m_shapes(std::move(shapes)) {
    m_samples.assign(m_shapes.size() * kRepeats, std::nullopt);
  }
  int64_t numberOfPicturesInCollection(CSPictureCollection*) override { return int64_t(m_samples.size()); }
  CSImage pictureCollectionPictureAtIndex(CSPictureCollection*, int64_t index) override {
    std::optional<CSImage>& sample = m_samples[size_t(index)];
    if (!sample) sample = DRShapeDialog::sampleForShape(m_shapes[size_t(index) % m_shapes.size()]);
    return *sample;
  }
  double pictureCollectionImageSize(CSPictureCollection*) override { return DRShapeDialog::kPictureSize; }

 private:
  std::vector<DRElementClosed*> m_shapes;
  std::vector<std::optional<CSImage>> m_samples;
};

void ReportPerStep(benchmark::State& state, double totalMilliseconds) {
  const double perStep = totalMilliseconds / double(state.iterations());
  state.counters["ms_per_step"] = perStep;
  state.counters["share_of_60Hz_frame"] = perStep / kFrameMilliseconds;
  state.SetLabel(perStep < kFrameMilliseconds ? "within one 60 Hz frame (16.7 ms)"
                                              : "longer than one 60 Hz frame (16.7 ms)");
}

void BM_ScrollStockShapeGrid(benchmark::State& state) {
  const std::vector<DRElementClosed*> shapes = StockShapes();
  if (shapes.empty()) {
    state.SkipWithError("no Stock Shapes package beside the build");
    return;
  }
  CachedShapes delegate(shapes);
  QWidget window;
  window.resize(480, 300);
  auto* collection = new CSPictureCollection;
  collection->setDelegate(&delegate);
  QScrollArea* area = collection->placeInScrollArea(&window);
  area->setGeometry(0, 0, 480, 300);
  window.show();
  collection->reloadData();
  QCoreApplication::processEvents();
  QScrollBar* bar = area->verticalScrollBar();
  // Every sample is made before timing: the sheet keeps them once drawn.
  for (int y = 0; y <= bar->maximum(); y += 100) {
    bar->setValue(y);
    collection->repaint();
  }

  double total = 0;
  int y = 0;
  for (auto _ : state) {
    y = y + 12 > bar->maximum() ? 0 : y + 12;
    const auto start = std::chrono::steady_clock::now();
    bar->setValue(y);
    area->viewport()->repaint();
    total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  ReportPerStep(state, total);
}
BENCHMARK(BM_ScrollStockShapeGrid)->Unit(benchmark::kMillisecond);

// One category's samples made afresh, as a change of category does.
void BM_MakeCategorySamples(benchmark::State& state) {
  const std::vector<DRElementClosed*> shapes = StockShapes();
  if (shapes.empty()) {
    state.SkipWithError("no Stock Shapes package beside the build");
    return;
  }
  const std::vector<DRElementClosed*> category = DRShapeDialog::shapesInCategory(0);
  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    for (DRElementClosed* shape : category) benchmark::DoNotOptimize(DRShapeDialog::sampleForShape(shape));
    total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  ReportPerStep(state, total);
}
BENCHMARK(BM_MakeCategorySamples)->Unit(benchmark::kMillisecond);

}  // namespace
