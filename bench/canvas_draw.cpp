// The drawing canvas painting a drawing of 1,000 or 10,000 filled
// rectangles at zoom 1: the whole drawing (a full repaint) and a 20 x 20
// point dirty area (an element's redraw), where culling must skip nearly
// every element.
#include <QApplication>
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <map>
#include <memory>

#include "BenchApplication.h"
#include "BenchDrawing.h"
#include "model/DRDrawing.h"
#include "model/DRKeyTable.h"
#include "support/GraphicsContext.h"
#include "ui/editor/DRDrawView.h"

namespace {

constexpr int kColumns = 100;
constexpr double kPitch = 20.0;  // points between neighbouring rectangles
constexpr double kSideOfShape = 16.0;

struct Canvas {
  DRDrawing drawing;
  std::unique_ptr<DRDrawView> view;
  QSize size;
};

// A canvas over a grid of `count` rectangles, made once per count.
Canvas& CanvasWith(int count) {
  static std::map<int, std::unique_ptr<Canvas>> canvases;
  std::unique_ptr<Canvas>& canvas = canvases[count];
  if (!canvas) {
    EnsureBenchApplication<QApplication>();
    CreateXmlDecoder();
    RegisterElementClasses();
    canvas = std::make_unique<Canvas>();
    for (int i = 0; i < count; ++i) {
      const QRectF rect((i % kColumns) * kPitch, (i / kColumns) * kPitch, kSideOfShape, kSideOfShape);
      const Kolor fill = MakeKolor((i * 37) % 256, (i * 91) % 256, (i * 13) % 256);
      canvas->drawing.elements().push_back(MakeBenchShape(0, rect, fill));
    }
    canvas->view = std::make_unique<DRDrawView>();
    canvas->view->setDrawing(&canvas->drawing);
    canvas->view->setDrawingFrame();
    const int rows = (count + kColumns - 1) / kColumns;
    canvas->size = QSize(int(kColumns * kPitch), int(rows * kPitch));
  }
  return *canvas;
}

void Paint(benchmark::State& state, bool whole) {
  Canvas& canvas = CanvasWith(int(state.range(0)));
  QImage image(canvas.size, QImage::Format_ARGB32_Premultiplied);
  const QRectF area = whole ? QRectF(QPointF(0, 0), QSizeF(canvas.size)) : QRectF(402, 402, 20, 20);
  for (auto _ : state) {
    QPainter painter(&image);
    painter.setRenderHints(QPainter::Antialiasing);
    painter.setClipRect(area);
    GraphicsContextScope context(&painter);
    canvas.view->drawRect(area, true);
  }
  benchmark::DoNotOptimize(image.constBits());
  state.SetItemsProcessed(state.iterations() * state.range(0));
}

void BM_CanvasWhole(benchmark::State& state) {
  Paint(state, true);
}
void BM_CanvasDirtyRect(benchmark::State& state) {
  Paint(state, false);
}

BENCHMARK(BM_CanvasWhole)->Arg(1000)->Arg(10000)->Unit(benchmark::kMillisecond);
BENCHMARK(BM_CanvasDirtyRect)->Arg(1000)->Arg(10000)->Unit(benchmark::kMicrosecond);

}  // namespace
