// What a user waits for when clicking from element to element: the
// inspector throws its ten panes away and builds ten new ones (each a
// slider with its field, a check box, a colour well, segments and a
// pull-down, laid out by code), the old ones are deleted, and the pending
// layout and painting run. The time of one selection change is also given
// as a share of one 60 Hz frame (16.7 ms).
#include <benchmark/benchmark.h>

#include <QApplication>
#include <QCoreApplication>
#include <QGridLayout>
#include <QLabel>
#include <QScrollArea>
#include <chrono>
#include <memory>

#include "BenchApplication.h"
#include "platform/NotificationCenter.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/CSColorWell.h"
#include "ui/inspector/CSPropertyView.h"
#include "ui/inspector/CSPropertyViewDelegate.h"
#include "ui/inspector/CSPullDownButton.h"
#include "ui/inspector/CSSegmentedControl.h"
#include "ui/inspector/DRPropBaseVC.h"

namespace {

constexpr int kPaneCount = 10;
constexpr double kFrameMilliseconds = 1000.0 / 60;

// A pane of the common kind, built as the pane classes build theirs.
class BenchPane : public DRPropBaseVC {
 public:
  BenchPane(int index, QWidget* parent) : DRPropBaseVC(parent) {
    setToolTip(QStringLiteral("Pane %1").arg(index));
    auto* grid = new QGridLayout(this);
    grid->setContentsMargins(8, 6, 8, 6);
    grid->addWidget(new QLabel(QStringLiteral("Width:"), this), 0, 0);
    auto* slider = new CSDoubleSlider(Qt::Horizontal, this);
    slider->setDoubleRange(0, 20);
    grid->addWidget(slider, 0, 1);
    auto* field = new CSMeasureField(this);
    grid->addWidget(field, 0, 2);
    watchTextField(field, [](QLineEdit*) {});
    grid->addWidget(new CSCheckBox(QStringLiteral("Scale with width"), this), 1, 0, 1, 2);
    grid->addWidget(new CSColorWell(this), 1, 2);
    auto* segments = new CSSegmentedControl(this);
    segments->setSegmentCount(3);
    for (int segment = 0; segment < 3; ++segment) segments->setLabel(QStringLiteral("S%1").arg(segment), segment);
    segments->setSelectedSegment(index % 3);
    grid->addWidget(segments, 2, 0, 1, 2);
    auto* pullDown = new CSPullDownButton(this);
    pullDown->setText(QStringLiteral("Colours"));
    for (int item = 0; item < 8; ++item) pullDown->addItem(QStringLiteral("Item %1").arg(item), item);
    grid->addWidget(pullDown, 2, 2);
    showPairValue(slider, field, 2 * kMeasurePerPoint);
  }
};

class TenPanes : public CSPropertyViewDelegate {
 public:
  int numberOfLevels(CSPropertyView*) override { return kPaneCount; }
  QWidget* controllerForLevel(CSPropertyView*, int level, QWidget* parent) override {
    return new BenchPane(level, parent);
  }
  QString nameForLevel(CSPropertyView*, int) override { return QString(); }
};

void BM_SelectionChangeRebuildsTenPanes(benchmark::State& state) {
  EnsureBenchApplication<QApplication>();
  TenPanes delegate;
  QWidget window;
  window.resize(260, 700);
  auto* area = new QScrollArea(&window);
  area->setGeometry(0, 0, 260, 700);
  area->setWidgetResizable(false);
  auto* view = new CSPropertyView;
  view->setDelegate(&delegate);
  area->setWidget(view);
  window.show();
  QCoreApplication::processEvents();
  if (view->levelCount() != kPaneCount) {
    state.SkipWithError("the view did not build its panes");
    return;
  }

  double total = 0;
  for (auto _ : state) {
    const auto start = std::chrono::steady_clock::now();
    NotificationCenter::defaultCenter().post(g_reloadPropertiesNotification, static_cast<QObject*>(&window));
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
    QCoreApplication::processEvents();
    total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  }
  const double perChange = total / double(state.iterations());
  state.counters["ms_per_change"] = perChange;
  state.counters["share_of_60Hz_frame"] = perChange / kFrameMilliseconds;
  state.SetLabel(perChange < kFrameMilliseconds ? "within one 60 Hz frame (16.7 ms)"
                                                : "longer than one 60 Hz frame (16.7 ms)");
}
BENCHMARK(BM_SelectionChangeRebuildsTenPanes)->Unit(benchmark::kMillisecond);

}  // namespace
