// The scalable-image dialog while its slider is dragged: each step of the
// drag (the fields follow, the rendering waits for the release) and the
// rendering on release at a few factors of a 500-point page full of
// shapes. Each is also given as a share of one 60 Hz frame (16.7 ms): the
// drag steps are meant to fit in one, the release is the one wait.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QPageSize>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <chrono>
#include <memory>

#include "BenchApplication.h"
#include "support/widgets/CSDoubleSlider.h"
#include "ui/inspector/DRScalableImageDialog.h"

namespace {

constexpr double kFrameMilliseconds = 1000.0 / 60;

// A 500 x 500 point page of 400 overlapping outlined circles and a few
// words, written once.
QString BenchPdf() {
  static QTemporaryDir folder;
  static const QString path = [] {
    const QString file = folder.filePath(QStringLiteral("page.pdf"));
    QPdfWriter writer(file);
    writer.setResolution(72);
    writer.setPageMargins(QMarginsF(0, 0, 0, 0));
    writer.setPageSize(QPageSize(QSizeF(500, 500), QPageSize::Point));
    QPainter painter(&writer);
    painter.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 400; ++i) {
      painter.setPen(QPen(QColor::fromHsv(i * 7 % 360, 200, 180), 1.5));
      painter.setBrush(QColor::fromHsv(i * 11 % 360, 80, 250, 120));
      painter.drawEllipse(QPointF(25 + (i % 20) * 23, 25 + (i / 20) * 23), 18, 18);
    }
    painter.drawText(QRectF(0, 230, 500, 40), Qt::AlignCenter, QStringLiteral("Scalable picture"));
    painter.end();
    return file;
  }();
  return path;
}

void Report(benchmark::State& state, double totalMilliseconds, const char* counter) {
  const double each = totalMilliseconds / double(state.iterations());
  state.counters[counter] = each;
  state.counters["share_of_60Hz_frame"] = each / kFrameMilliseconds;
  state.SetLabel(each < kFrameMilliseconds ? "within one 60 Hz frame (16.7 ms)"
                                           : "longer than one 60 Hz frame (16.7 ms)");
}

// Shows the dialog on the bench page; false, the run marked, when the page
// did not load.
bool ShowDialog(benchmark::State& state, DRScalableImageDialog& dialog) {
  if (!dialog.isLoaded()) {
    state.SkipWithError("the page did not load");
    return false;
  }
  dialog.show();
  QCoreApplication::processEvents();
  return true;
}

void BM_ScaleDragStep(benchmark::State& state) {
  EnsureBenchApplication<QApplication>();
  DRScalableImageDialog dialog(BenchPdf());
  if (!ShowDialog(state, dialog)) return;
  CSDoubleSlider* slider = dialog.scaleSlider();
  slider->setSliderDown(true);
  double factor = 1;
  double total = 0;
  for (auto _ : state) {
    factor = factor >= dialog.maxScale() - 0.5 ? 1 : factor + 0.25;
    const auto start = std::chrono::steady_clock::now();
    slider->setDoubleValue(factor);
    dialog.repaint();
    total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  Report(state, total, "ms_per_step");
}
BENCHMARK(BM_ScaleDragStep)->Unit(benchmark::kMillisecond);

// The release renders the page at the factor (1, 2 and 4: 500, 1,000 and
// 2,000 points a side).
void BM_ScaleRelease(benchmark::State& state) {
  EnsureBenchApplication<QApplication>();
  DRScalableImageDialog dialog(BenchPdf());
  if (!ShowDialog(state, dialog)) return;
  CSDoubleSlider* slider = dialog.scaleSlider();
  const double factor = double(state.range(0));
  double total = 0;
  bool up = false;
  for (auto _ : state) {
    // Alternate with a nearby factor so that every release renders.
    slider->setSliderDown(true);
    slider->setDoubleValue(up ? factor : factor + 0.01);
    up = !up;
    const auto start = std::chrono::steady_clock::now();
    slider->setSliderDown(false);
    dialog.repaint();
    total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
    if (dialog.image().isNull()) {
      state.SkipWithError("no rendering");
      return;
    }
  }
  Report(state, total, "ms_per_release");
}
BENCHMARK(BM_ScaleRelease)->Arg(1)->Arg(2)->Arg(4)->Unit(benchmark::kMillisecond);

}  // namespace
