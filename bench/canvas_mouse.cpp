// The drawing canvas's mouse tracking over 5,000 elements: a click on empty
// space where every element's bounds hold the point, so that the hit test
// asks each of them (outside its outline a shape answers from an off-screen
// rendering, made once per gesture), and one step of a rubber band over a
// grid of 5,000 shapes (each step tests every element against the band).
#include <QApplication>
#include <benchmark/benchmark.h>

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointingDevice>
#include <memory>

#include "BenchApplication.h"
#include "BenchDrawing.h"
#include "model/DRDrawing.h"
#include "model/DRKeyTable.h"
#include "ui/editor/DRDrawView.h"

namespace {

constexpr int kElementCount = 5000;
constexpr int kColumns = 100;
constexpr double kPitch = 20.0;
constexpr double kSideOfShape = 16.0;

struct Canvas {
  DRDrawing drawing;
  std::unique_ptr<DRDrawView> view;
  ulong time = 1000;

  // One mouse event straight to the canvas, a second after the last one so
  // that no two presses make a double click.
  void send(QEvent::Type type, QPointF point, Qt::MouseButtons held) {
    time += 1000;
    const Qt::MouseButton button = type == QEvent::MouseMove ? Qt::NoButton : Qt::LeftButton;
    QMouseEvent event(type, point, point, point, button, held, Qt::NoModifier,
                      QPointingDevice::primaryPointingDevice());
    event.setTimestamp(time);
    QCoreApplication::sendEvent(view.get(), &event);
  }
};

std::unique_ptr<Canvas> MakeCanvas() {
  EnsureBenchApplication<QApplication>();
  CreateXmlDecoder();
  RegisterElementClasses();
  auto canvas = std::make_unique<Canvas>();
  canvas->view = std::make_unique<DRDrawView>();
  canvas->view->setDrawing(&canvas->drawing);
  return canvas;
}

// 5,000 filled 100-point circles whose frames all hold kEmptyPoint near
// their top-left corners, which no circle covers.
constexpr QPointF kEmptyPoint(110, 110);
Canvas& OverlappingCanvas() {
  static std::unique_ptr<Canvas> canvas;
  if (!canvas) {
    canvas = MakeCanvas();
    for (int i = 0; i < kElementCount; ++i) {
      const double offset = i % 10;
      const Kolor fill = MakeKolor((i * 37) % 256, (i * 91) % 256, (i * 13) % 256);
      canvas->drawing.elements().push_back(MakeBenchShape(1, QRectF(100 + offset, 100 + offset, 100, 100), fill));
    }
    canvas->view->setDrawingFrame();
  }
  return *canvas;
}

// 5,000 rectangles on a grid, 100 to a row.
Canvas& GridCanvas() {
  static std::unique_ptr<Canvas> canvas;
  if (!canvas) {
    canvas = MakeCanvas();
    for (int i = 0; i < kElementCount; ++i) {
      const QRectF rect((i % kColumns) * kPitch, (i / kColumns) * kPitch, kSideOfShape, kSideOfShape);
      canvas->drawing.elements().push_back(MakeBenchShape(0, rect, MakeKolor(20, 90, 200)));
    }
    canvas->view->setDrawingFrame();
  }
  return *canvas;
}

void BM_ClickOnEmptySpace(benchmark::State& state) {
  Canvas& canvas = OverlappingCanvas();
  const QPointF point = kEmptyPoint;
  for (auto _ : state) {
    canvas.send(QEvent::MouseButtonPress, point, Qt::LeftButton);
    canvas.send(QEvent::MouseButtonRelease, point, Qt::NoButton);
  }
  if (!canvas.view->selection().empty()) state.SkipWithError("the click hit an element");
  state.SetItemsProcessed(state.iterations() * kElementCount);
}

void BM_RubberBandStep(benchmark::State& state) {
  Canvas& canvas = GridCanvas();
  // A band from a gap in the middle of the grid, alternating between two
  // sizes so that every step changes it.
  const QPointF anchor(1018, 518);
  const QPointF corners[2] = {QPointF(1618, 818), QPointF(1418, 718)};
  // Nothing selected, so that no grab dot lies under the press.
  canvas.view->unselectAll(false);
  canvas.send(QEvent::MouseButtonPress, anchor, Qt::LeftButton);
  if (canvas.view->trackType() != kTrackRubberBand) state.SkipWithError("the press started no rubber band");
  int step = 0;
  for (auto _ : state) {
    canvas.send(QEvent::MouseMove, corners[step & 1], Qt::LeftButton);
    ++step;
  }
  const size_t selected = canvas.view->selection().size();
  canvas.send(QEvent::MouseButtonRelease, corners[(step + 1) & 1], Qt::NoButton);
  if (selected == 0) state.SkipWithError("the band selected nothing");
  state.SetItemsProcessed(state.iterations() * kElementCount);
}

BENCHMARK(BM_ClickOnEmptySpace)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_RubberBandStep)->Unit(benchmark::kMillisecond);

}  // namespace
