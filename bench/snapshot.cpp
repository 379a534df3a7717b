// One undo snapshot of the drawing controller: every element of the
// drawing copied as an undo copy, with the selection pointing at the
// copies, as each change of the elements takes before it happens. Measured
// at 1,000 and 10,000 elements (rectangles, ellipses and lines), a tenth of
// them selected; releasing the snapshot is not timed.
#include <benchmark/benchmark.h>

#include <QApplication>
#include <memory>

#include "BenchApplication.h"
#include "BenchDrawing.h"
#include "model/DRDrawing.h"
#include "model/DRKeyTable.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DRUndoNames.h"

namespace {

void BM_Snapshot(benchmark::State& state) {
  EnsureBenchApplication<QApplication>();
  CreateXmlDecoder();
  RegisterElementClasses();
  const int count = int(state.range(0));

  DRDrawing drawing;
  DRDrawView canvas;
  canvas.setDrawing(&drawing);
  DRDrawVC controller;
  controller.setDrawing(&drawing);
  controller.setView(&canvas);
  constexpr int kColumns = 100;
  for (int i = 0; i < count; ++i) {
    const QRectF rect(double(i % kColumns) * 24.0, double(i / kColumns) * 24.0, 30, 20);
    drawing.elements().push_back(MakeBenchShape(i % 3, rect, 0x64FF8000));
    if (i % 10 == 0) canvas.addToSelection(drawing.elements().back().get());
  }

  for (auto _ : state) {
    DRDrawUndoRecord record{};
    const bool taken = controller.setUndoAction(kUndoActionChange, kUndoMove, &record, 0);
    benchmark::DoNotOptimize(taken);
    state.PauseTiming();
    controller.freeUndoAction(kUndoActionChange, kUndoMove, &record, false);
    state.ResumeTiming();
  }
  state.SetItemsProcessed(state.iterations() * count);
}

}  // namespace

BENCHMARK(BM_Snapshot)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
