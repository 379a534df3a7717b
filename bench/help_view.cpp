// The help window's text view beside a QTextBrowser showing the same text,
// in one run: the first paint of the longest topic of the shipped help
// (every line laid out afresh and drawn), scrolling a line and a page (the
// scroll and the repaint it causes). Each peer runs after ours on the same
// plain text at the same size. Ours shows its share of a 60 Hz frame,
// "frame_share" (goal: under 1); the peer shows "ours_over_peer" (goal: at
// most 1.5).
#include <QApplication>
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QDir>
#include <QFileInfo>
#include <QMainWindow>
#include <QScrollBar>
#include <QTextBrowser>
#include <chrono>
#include <map>

#include "BenchApplication.h"
#include "richtext/CBDocument.h"
#include "richtext/Panes.h"
#include "richtext/PropertyRuns.h"
#include "richtext/TextExtraction.h"
#include "richtext/views/CBDraftScrollView.h"
#include "support/DynamicArrays.h"
#include "ui/shell/CSCorvaneHelpWC.h"

namespace {

constexpr double kFrameMs = 1000.0 / 60.0;
constexpr QSize kView(900, 700);

enum Action { kFirstPaint = 0, kLine = 1, kPage = 2 };
std::map<int, double> g_oursMs;

// The help window at the longest topic of the help built beside the
// programs; null when there is none.
CSCorvaneHelpWC* Help() {
  static CSCorvaneHelpWC* help = [] () -> CSCorvaneHelpWC* {
    EnsureBenchApplication<QApplication>();
    const QDir programs(QCoreApplication::applicationDirPath());
    for (const QString& path : {programs.filePath(QStringLiteral("Help.ZEduzez")),
                                programs.filePath(QStringLiteral("../Help.ZEduzez"))}) {
      if (QFileInfo::exists(path)) CSCorvaneHelpWC::setHelpPath(QDir::cleanPath(path));
    }
    if (CSCorvaneHelpWC::helpPath().isEmpty()) return nullptr;
    CSCorvaneHelpViewer::shared().InitCorvane();
    CSCorvaneHelpWC::displayHelp(0);
    CSCorvaneHelpWC* window = CSCorvaneHelpWC::applicationHelpWindow();
    if (!window) return nullptr;
    CorvaneDoc* doc = window->doc()->corvaneDoc();
    uint32_t longest = 0, longestLength = 0;
    for (uint32_t chapter = 0; chapter < SizeOfDynamicCPArray(doc->chapterMarks); ++chapter) {
      const uint32_t length = CpAtIndex(doc->chapterMarks, chapter + 1) - CpAtIndex(doc->chapterMarks, chapter);
      if (length > longestLength) longest = chapter, longestLength = length;
    }
    window->jumpToTopic(longest, kHelpNotFound, false);
    window->textView()->resize(kView);
    QCoreApplication::processEvents();
    return window;
  }();
  return help;
}

double MillisecondsPerIteration(std::chrono::steady_clock::time_point start, const benchmark::State& state) {
  const double total = std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
  return state.iterations() ? total / double(state.iterations()) : 0.0;
}

// The plain text of the topic shown, for the peer.
QString TopicText(CSCorvaneHelpWC* help) {
  CorvaneDoc* doc = help->doc()->corvaneDoc();
  DocRange shown;
  GetPaneRange(doc, CurrentPane(doc), &shown);
  return ExtractPlainText(shown, true);
}

void Ours(benchmark::State& state) {
  CSCorvaneHelpWC* help = Help();
  if (!help) {
    state.SkipWithError("no Help.ZEduzez beside the benchmarks: build the twdraw_help target");
    return;
  }
  CSCorvaneHelpView* view = help->textView();
  CBDraftScrollView* scroller = help->scrollView();
  const int action = int(state.range(0));
  bool down = true;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    switch (action) {
      case kFirstPaint: help->doc()->trashDisplay(view); break;
      case kLine: scroller->autoScroll(down ? 0 : 3, true); break;
      default: scroller->autoScroll(down ? 4 : 5, true); break;
    }
    down = !down;
    benchmark::DoNotOptimize(view->grab());
  }
  const double ms = MillisecondsPerIteration(start, state);
  g_oursMs[action] = ms;
  state.counters["frame_share"] = ms / kFrameMs;
}

void Peer(benchmark::State& state) {
  CSCorvaneHelpWC* help = Help();
  if (!help) {
    state.SkipWithError("no Help.ZEduzez beside the benchmarks: build the twdraw_help target");
    return;
  }
  static QTextBrowser* browser = [] {
    auto* made = new QTextBrowser;
    made->resize(kView);
    return made;
  }();
  if (browser->toPlainText().isEmpty()) browser->setPlainText(TopicText(help));
  QScrollBar* bar = browser->verticalScrollBar();
  const int action = int(state.range(0));
  bool down = true;
  const auto start = std::chrono::steady_clock::now();
  for (auto _ : state) {
    switch (action) {
      case kFirstPaint: browser->document()->markContentsDirty(0, browser->document()->characterCount()); break;
      case kLine: bar->triggerAction(down ? QAbstractSlider::SliderSingleStepAdd : QAbstractSlider::SliderSingleStepSub); break;
      default: bar->triggerAction(down ? QAbstractSlider::SliderPageStepAdd : QAbstractSlider::SliderPageStepSub); break;
    }
    down = !down;
    benchmark::DoNotOptimize(browser->viewport()->grab());
  }
  const double ms = MillisecondsPerIteration(start, state);
  if (g_oursMs.count(action) && ms > 0) state.counters["ours_over_peer"] = g_oursMs[action] / ms;
}

}  // namespace

BENCHMARK(Ours)->ArgName("action")->Arg(kFirstPaint)->Arg(kLine)->Arg(kPage)->Unit(benchmark::kMillisecond);
BENCHMARK(Peer)->ArgName("action")->Arg(kFirstPaint)->Arg(kLine)->Arg(kPage)->Unit(benchmark::kMillisecond);
