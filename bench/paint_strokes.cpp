// Brush strokes through the painting canvas's own handlers: 100 drag events
// of the 64-pixel round brush on an 8k x 8k painting at zooms 1 and 16, and
// six strokes at zoom 16 on a 4k x 4k one. Each event is the stamp and the
// redraw of the area it dirtied in a 1920 x 1080 window. Beside each runs
// QPainter::drawLine with a 64-pixel round pen on a QImage over the same
// segments; the mean time per event is reported as a ratio to it and to a
// 60 Hz frame (16.7 ms; goal at most 1.0 frame).
#include <QApplication>
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <QScrollArea>
#include <chrono>
#include <cmath>
#include <cstdio>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "BenchApplication.h"
#include "model/DRPainting.h"
#include "model/DRSettings.h"
#include "platform/NotificationCenter.h"
#include "support/CSImage.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/paint/DRPaintVC.h"
#include "ui/paint/DRPaintView.h"

namespace {

constexpr QSize kWindow(1920, 1080);
constexpr double kFrameMs = 1000.0 / 60.0;
constexpr int kEvents = 100;
constexpr int kBrushExponent = 6;  // 64 pixels
constexpr double kBrushSide = 64;

// A canvas in a scroll area (so that it takes tools) over a painting.
struct Canvas {
  std::unique_ptr<DRPaintVC> vc;
  QScrollArea* area = nullptr;
  QImage peer;
  QImage target{kWindow, QImage::Format_ARGB32_Premultiplied};
};

Canvas* Make(int side) {
  EnsureBenchApplication<QApplication>();
  DRSettings& settings = DRSettings::sharedInstance();
  settings.setBrush(1);
  settings.setBrushSizeExponent(kBrushExponent);
  settings.setFillKolor(0x640000FF);
  auto* canvas = new Canvas;  // kept for the run: the scroll area holds the view
  QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::white);
  canvas->peer = image;
  canvas->vc = std::make_unique<DRPaintVC>();
  canvas->vc->setPainting(DRPainting::paintingFromImage(CSImage::initWithCGImage(image, QSizeF(0, 0))));
  canvas->vc->painting()->pixmap();
  canvas->area = new QScrollArea;
  canvas->area->resize(kWindow);
  canvas->area->setWidget(canvas->vc->paintView());
  DRPaintView* view = canvas->vc->paintView();
  NotificationCenter::defaultCenter().post(g_toolChangedNotification, view->notificationWindow(),
                                           {{g_toolKey, int(kToolBrush)}});
  return canvas;
}

Canvas& Shared(int side) {
  static std::map<int, Canvas*> canvases;
  Canvas*& canvas = canvases[side];
  if (!canvas) canvas = Make(side);
  return *canvas;
}

// The stroke's pixels: from `start`, `count` steps of `step` along x, a
// little wave along y so that no two segments are alike.
std::vector<QPointF> Stroke(QPointF start, int count, double step) {
  std::vector<QPointF> points;
  for (int i = 0; i <= count; ++i) points.emplace_back(start.x() + i * step, start.y() + 3 * std::sin(i * 0.3));
  return points;
}

struct Means {
  double ours = 0;
  double peer = 0;
};
std::map<std::string, Means> g_means;

// Mean milliseconds per drag event of the canvas: the stamp and the redraw
// of what it dirtied, inside the window at `origin` (view points).
void Ours(benchmark::State& state, const std::string& name, int side, double zoom,
          const std::vector<std::vector<QPointF>>& strokes, QPointF origin) {
  Canvas& canvas = Shared(side);
  DRPaintView* view = canvas.vc->paintView();
  view->setZoomValue(zoom);
  const QRectF window(origin, QSizeF(kWindow));
  const double grow = std::max((kBrushSide + 2) * zoom, 2.0);
  double total = 0;
  int64_t events = 0;
  ulong time = 1000;
  for (auto _ : state) {
    for (const auto& stroke : strokes) {
      view->startToolDrag(view->scalePoint(stroke.front()), 0);
      QPointF previous = view->scalePoint(stroke.front());
      const auto start = std::chrono::steady_clock::now();
      for (size_t i = 1; i < stroke.size(); ++i) {
        const QPointF point = view->scalePoint(stroke[i]);
        time += 20;
        view->continueToolDrag(point, time);
        const QRectF dirty =
            QRectF(previous, point).normalized().adjusted(-grow, -grow, grow, grow).intersected(window);
        QPainter painter(&canvas.target);
        painter.translate(-window.topLeft());
        painter.setClipRect(dirty);
        view->drawRect(painter, dirty);
        previous = point;
      }
      total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      events += int64_t(stroke.size()) - 1;
      view->finishToolDrag();
      // Each stroke's snapshot is the size of the painting; none is kept.
      canvas.vc->clearUndo();
    }
    benchmark::DoNotOptimize(canvas.target.constBits());
  }
  g_means[name].ours = events ? total / double(events) : 0;
  state.counters["ms_per_event"] = g_means[name].ours;
  state.counters["frames"] = g_means[name].ours / kFrameMs;
}

void Peer(benchmark::State& state, const std::string& name, int side,
          const std::vector<std::vector<QPointF>>& strokes) {
  Canvas& canvas = Shared(side);
  double total = 0;
  int64_t events = 0;
  QPen pen(QColor(255, 0, 0), kBrushSide, Qt::SolidLine, Qt::RoundCap, Qt::RoundJoin);
  for (auto _ : state) {
    for (const auto& stroke : strokes) {
      const auto start = std::chrono::steady_clock::now();
      for (size_t i = 1; i < stroke.size(); ++i) {
        QPainter painter(&canvas.peer);
        painter.setRenderHint(QPainter::Antialiasing, true);
        painter.setPen(pen);
        painter.drawLine(stroke[i - 1], stroke[i]);
      }
      total += std::chrono::duration<double, std::milli>(std::chrono::steady_clock::now() - start).count();
      events += int64_t(stroke.size()) - 1;
    }
    benchmark::DoNotOptimize(canvas.peer.constBits());
  }
  g_means[name].peer = events ? total / double(events) : 0;
  state.counters["ms_per_event"] = g_means[name].peer;
  state.counters["frames"] = g_means[name].peer / kFrameMs;
}

// Zoom 1: 100 events of 15 pixels across the window's painting.
const std::vector<std::vector<QPointF>>& StrokesAtOne() {
  static const std::vector<std::vector<QPointF>> strokes{Stroke(QPointF(200, 500), kEvents, 15)};
  return strokes;
}
// Zoom 16: 100 events of one pixel; the window shows 120 x 67 pixels.
const std::vector<std::vector<QPointF>>& StrokesAtSixteen() {
  static const std::vector<std::vector<QPointF>> strokes{Stroke(QPointF(1010, 1030), kEvents, 1)};
  return strokes;
}
// Six strokes of 100 events at zoom 16, down the window.
const std::vector<std::vector<QPointF>>& SixStrokes() {
  static const std::vector<std::vector<QPointF>> strokes = [] {
    std::vector<std::vector<QPointF>> made;
    for (int i = 0; i < 6; ++i) made.push_back(Stroke(QPointF(1010, 1008 + 10 * i), kEvents, 1));
    return made;
  }();
  return strokes;
}

QPointF WindowAt(double zoom, QPointF pixel) {
  return QPointF(12 + pixel.x() * zoom, 12 + pixel.y() * zoom);
}

void BM_Brush8kZoom1(benchmark::State& state) {
  Ours(state, "8k zoom 1", 8192, 1, StrokesAtOne(), WindowAt(1, QPointF(100, 0)));
}
void BM_PeerDrawLine8kZoom1(benchmark::State& state) {
  Peer(state, "8k zoom 1", 8192, StrokesAtOne());
}
void BM_Brush8kZoom16(benchmark::State& state) {
  Ours(state, "8k zoom 16", 8192, 16, StrokesAtSixteen(), WindowAt(16, QPointF(1000, 1000)));
}
void BM_PeerDrawLine8kZoom16(benchmark::State& state) {
  Peer(state, "8k zoom 16", 8192, StrokesAtSixteen());
}
void BM_SixStrokes4kZoom16(benchmark::State& state) {
  Ours(state, "4k six strokes", 4096, 16, SixStrokes(), WindowAt(16, QPointF(1000, 1000)));
}
void BM_PeerSixStrokes4k(benchmark::State& state) {
  Peer(state, "4k six strokes", 4096, SixStrokes());
}

BENCHMARK(BM_Brush8kZoom1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeerDrawLine8kZoom1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Brush8kZoom16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeerDrawLine8kZoom16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_SixStrokes4kZoom16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeerSixStrokes4k)->Unit(benchmark::kMillisecond)->UseRealTime();

// Runs last: per event, the canvas against drawLine and against a frame.
void BM_Ratios(benchmark::State& state) {
  for (auto _ : state) {
  }
  for (const auto& [name, means] : g_means) {
    if (means.ours <= 0 || means.peer <= 0) continue;
    state.counters[name + " ours/peer"] = means.ours / means.peer;
    state.counters[name + " frames"] = means.ours / kFrameMs;
    std::fprintf(stderr, "%-15s ours %7.3f ms/event  drawLine %7.3f ms/event  ours/peer %6.2f  frames %5.3f\n",
                 name.c_str(), means.ours, means.peer, means.ours / means.peer, means.ours / kFrameMs);
  }
}
BENCHMARK(BM_Ratios)->Iterations(1);

}  // namespace
