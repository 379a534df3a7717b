// The painting canvas drawing a 1920 x 1080 window onto an 8k x 8k
// painting: rebuilding its image cache after an edit at zooms 1 and 0.25,
// building the partial (magnified) cache at zoom 16, and redrawing from a
// warm cache at zoom 1. Each runs beside QPainter::drawImage scaling the
// same part of a QImage into the same window, and is reported as a ratio
// to it and to a 60 Hz frame (16.7 ms; goal at most 1.0 frame for the
// zoom-16 cache and the redraw).
#include <QApplication>
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <chrono>
#include <cstdio>
#include <map>
#include <memory>
#include <string>

#include "BenchPeer.h"
#include "BenchApplication.h"
#include "model/DRPainting.h"
#include "support/CSImage.h"
#include "ui/paint/DRPaintVC.h"
#include "ui/paint/DRPaintView.h"

namespace {

constexpr int kSide = 8192;
constexpr QSize kWindow(1920, 1080);
constexpr double kFrameMs = 1000.0 / 60.0;

// A painting of coloured bands, and the same pixels as a plain image.
struct Fixture {
  QImage image;
  std::unique_ptr<DRPaintVC> vc;
  QImage target{kWindow, QImage::Format_ARGB32_Premultiplied};
};

Fixture& Shared() {
  static std::unique_ptr<Fixture> fixture;
  if (!fixture) {
    EnsureBenchApplication<QApplication>();
    fixture = std::make_unique<Fixture>();
    fixture->image = QImage(kSide, kSide, QImage::Format_ARGB32_Premultiplied);
    for (int y = 0; y < kSide; ++y) {
      auto* row = reinterpret_cast<QRgb*>(fixture->image.scanLine(y));
      for (int x = 0; x < kSide; ++x) row[x] = qRgb((x * 7) & 0xFF, (y * 3) & 0xFF, ((x ^ y) >> 3) & 0xFF);
    }
    fixture->vc = std::make_unique<DRPaintVC>();
    fixture->vc->setPainting(DRPainting::paintingFromImage(CSImage::initWithCGImage(fixture->image, QSizeF(0, 0))));
    fixture->vc->painting()->pixmap();  // made once, before any run
    fixture->vc->paintView()->setPaintingFrame();
  }
  return *fixture;
}

// The canvas's window at a zoom: the view rectangle 1920 x 1080 points,
// starting a little into the painting.
QRectF Window(double zoom) {
  const double start = 12 + 100 * zoom;
  return QRectF(QPointF(start, start), QSizeF(kWindow));
}

struct Means {
  double ours = 0;
  double peer = 0;
};
std::map<std::string, Means> g_means;

// The canvas draws the window; `rebuild` drops its cache first.
void Ours(benchmark::State& state, const std::string& name, double zoom, bool rebuild) {
  Fixture& fixture = Shared();
  DRPaintView* view = fixture.vc->paintView();
  view->setZoomValue(zoom);
  const QRectF window = Window(zoom);
  auto draw = [&] {
    QPainter painter(&fixture.target);
    painter.translate(-window.topLeft());
    painter.setClipRect(window);
    view->drawRect(painter, window);
  };
  draw();  // warm
  g_means[name].ours = MeanMs(state, [&] {
    if (rebuild) view->clearImageCache();
    draw();
    benchmark::DoNotOptimize(fixture.target.constBits());
  });
  state.counters["frames"] = g_means[name].ours / kFrameMs;
}

// QPainter::drawImage scaling the same part of the painting's image into
// the window.
void Peer(benchmark::State& state, const std::string& name, double zoom) {
  Fixture& fixture = Shared();
  const QRectF window = Window(zoom);
  const QRectF source((window.x() - 12) / zoom, (window.y() - 12) / zoom, window.width() / zoom,
                      window.height() / zoom);
  g_means[name].peer = MeanMs(state, [&] {
    QPainter painter(&fixture.target);
    painter.drawImage(QRectF(QPointF(0, 0), QSizeF(kWindow)), fixture.image, source);
    benchmark::DoNotOptimize(fixture.target.constBits());
  });
  state.counters["frames"] = g_means[name].peer / kFrameMs;
}

void BM_CacheRebuildZoom1(benchmark::State& state) {
  Ours(state, "rebuild 1", 1, true);
}
void BM_PeerZoom1(benchmark::State& state) {
  Peer(state, "rebuild 1", 1);
}
void BM_CacheRebuildZoomQuarter(benchmark::State& state) {
  Ours(state, "rebuild 0.25", 0.25, true);
}
void BM_PeerZoomQuarter(benchmark::State& state) {
  Peer(state, "rebuild 0.25", 0.25);
}
void BM_PartialCacheZoom16(benchmark::State& state) {
  Ours(state, "partial 16", 16, true);
}
void BM_PeerZoom16(benchmark::State& state) {
  Peer(state, "partial 16", 16);
}
void BM_RedrawZoom1(benchmark::State& state) {
  Ours(state, "redraw 1", 1, false);
}
void BM_PeerRedrawZoom1(benchmark::State& state) {
  Peer(state, "redraw 1", 1);
}

BENCHMARK(BM_CacheRebuildZoom1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeerZoom1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_CacheRebuildZoomQuarter)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeerZoomQuarter)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PartialCacheZoom16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeerZoom16)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_RedrawZoom1)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_PeerRedrawZoom1)->Unit(benchmark::kMillisecond)->UseRealTime();

// Runs last: each case against QPainter and against a 60 Hz frame.
void BM_Ratios(benchmark::State& state) {
  for (auto _ : state) {
  }
  for (const auto& [name, means] : g_means) {
    if (means.ours <= 0 || means.peer <= 0) continue;
    state.counters[name + " ours/peer"] = means.ours / means.peer;
    state.counters[name + " frames"] = means.ours / kFrameMs;
    std::fprintf(stderr, "%-13s ours %8.2f ms  drawImage %8.2f ms  ours/peer %6.2f  frames %5.2f\n", name.c_str(),
                 means.ours, means.peer, means.ours / means.peer, means.ours / kFrameMs);
  }
}
BENCHMARK(BM_Ratios)->Iterations(1);

}  // namespace
