// Flattening a smooth polygon of 500 vertices into the polyline that text
// along a path and the path length use (21 samples per segment), and the
// smoothing that builds its control pairs.
#include <benchmark/benchmark.h>

#include <cmath>
#include <memory>

#include "BenchApplication.h"
#include "model/DRElementPolygon.h"
#include "model/DRKeyTable.h"

namespace {

constexpr int kVertices = 500;

std::unique_ptr<DRElementPolygon> Curve(bool closed) {
  EnsureBenchApplication();
  CreateXmlDecoder();
  auto polygon = std::make_unique<DRElementPolygon>();
  std::vector<CSPoint> points;
  for (int i = 0; i < kVertices; ++i) {
    const double angle = i * 2 * 3.141592653589793 / kVertices;
    const double radius = 2000000 + 500000 * std::sin(7 * angle);
    points.push_back(
        CSPoint{MeasureUnit(3000000 + radius * std::cos(angle)), MeasureUnit(3000000 + radius * std::sin(angle))});
  }
  polygon->setPoints(points);
  polygon->setFrame(CSRect{0, 0, 6000000, 6000000});
  polygon->setOriginalSize(CSPoint{6000000, 6000000});
  polygon->setClosed(closed);
  polygon->setCurves(true);
  return polygon;
}

void Flatten(benchmark::State& state) {
  const auto polygon = Curve(state.range(0) != 0);
  const QRectF rect(0, 0, 472, 472);
  for (auto _ : state) benchmark::DoNotOptimize(polygon->copyPathPoints(rect));
  state.SetItemsProcessed(state.iterations() * kVertices);
}
BENCHMARK(Flatten)->Arg(0)->Arg(1);

void Smooth(benchmark::State& state) {
  const auto polygon = Curve(true);
  for (auto _ : state) {
    polygon->setCurves(true);
    benchmark::DoNotOptimize(polygon->controlPairs().data());
  }
  state.SetItemsProcessed(state.iterations() * kVertices);
}
BENCHMARK(Smooth);

}  // namespace
