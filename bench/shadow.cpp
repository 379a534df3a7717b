// Drop shadows: every fill and stroke of a shadowed element works out its
// blurred coverage, so a drawing of many shadowed elements pays it per
// element and per zoom.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QPainterPath>

#include "BenchApplication.h"
#include "model/DRShadowContext.h"
#include "support/GraphicsContext.h"

namespace {

QPainterPath Shape(const QRectF& rect) {
  QPainterPath path;
  path.addRoundedRect(rect, rect.width() / 8, rect.height() / 8);
  return path;
}

QPen LinePen() {
  QPen pen(QColor(200, 0, 0));
  pen.setWidthF(2);
  pen.setJoinStyle(Qt::SvgMiterJoin);
  return pen;
}

// One 100-point shape, filled and stroked with a shadow of the blur (points;
// -1 for none), on a canvas at the zoom.
void BM_ShadowedShape(benchmark::State& state) {
  EnsureBenchApplication();
  const double blur = double(state.range(0));
  const double zoom = double(state.range(1));
  QImage canvas(int(200 * zoom), int(200 * zoom), QImage::Format_ARGB32_Premultiplied);
  canvas.fill(Qt::white);
  QPainter painter(&canvas);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(zoom, zoom);
  GraphicsContextScope scope(&painter);
  const QPainterPath path = Shape(QRectF(40, 40, 100, 100));
  const QPen pen = LinePen();
  for (auto _ : state) {
    PushShadowContext();
    if (blur >= 0) SetContextShadow(DRContextShadow{QPointF(2.12, 2.12), blur, QColor(0, 0, 0)});
    FillPathInContext(path, QColor(0, 0, 255));
    StrokePathInContext(path, pen);
    PopShadowContext();
  }
  state.SetItemsProcessed(state.iterations());
}
BENCHMARK(BM_ShadowedShape)
    ->ArgNames({"blur", "zoom"})
    ->ArgsProduct({{-1, 2, 10, 50}, {1, 2, 4}})
    ->Unit(benchmark::kMicrosecond);

// A drawing of 10,000 small shadowed elements (20 points, fill and line,
// the default shadow), drawn whole at the zoom; elements per second.
void BM_ShadowedDrawing(benchmark::State& state) {
  EnsureBenchApplication();
  const double zoom = double(state.range(0));
  const bool shadowed = state.range(1) != 0;
  constexpr int kSide = 100;
  QImage canvas(int(kSide * 24 * zoom / 4), int(kSide * 24 * zoom / 4), QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&canvas);
  painter.setRenderHint(QPainter::Antialiasing);
  painter.scale(zoom / 4, zoom / 4);
  GraphicsContextScope scope(&painter);
  const QPainterPath path = Shape(QRectF(0, 0, 20, 20));
  const QPen pen = LinePen();
  const DRContextShadow shadow{QPointF(2.12, 2.12), 2.0, QColor(0, 0, 0, 200)};
  for (auto _ : state) {
    canvas.fill(Qt::white);
    for (int row = 0; row < kSide; ++row) {
      for (int column = 0; column < kSide; ++column) {
        PushShadowContext();
        painter.translate(column * 24, row * 24);
        if (shadowed) SetContextShadow(shadow);
        FillPathInContext(path, QColor(0, 0, 255));
        SetContextShadow(std::nullopt);
        StrokePathInContext(path, pen);
        PopShadowContext();
      }
    }
  }
  state.SetItemsProcessed(state.iterations() * kSide * kSide);
}
BENCHMARK(BM_ShadowedDrawing)
    ->ArgNames({"zoom4ths", "shadow"})
    ->ArgsProduct({{1, 4}, {0, 1}})
    ->Unit(benchmark::kMillisecond);

}  // namespace
