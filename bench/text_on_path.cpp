// Text along a path: placing and drawing 2,000 glyphs along a polyline of
// 400 segments. Against the end (mode 102) the walk starts again at the
// path's start for every glyph, so its cost grows with glyphs x segments;
// from the start (mode 100) the walk goes over the path once.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <cmath>
#include <vector>

#include "BenchApplication.h"
#include "model/TextAlongPath.h"
#include "support/GraphicsContext.h"

namespace {

constexpr int kGlyphs = 2000;
constexpr int kSegments = 400;

CSAttributedString LongText() {
  QString text;
  const QString word = QStringLiteral("along the path ");
  while (text.size() < kGlyphs) text += word;
  text.truncate(kGlyphs);
  QTextCharFormat format;
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(10);
  format.setFont(font);
  return CSAttributedString(text, format);
}

// A wave long enough to hold the whole text.
std::vector<QPointF> Wave() {
  std::vector<QPointF> points;
  for (int i = 0; i <= kSegments; ++i) points.emplace_back(i * 40.0, 200 + 100 * std::sin(i * 0.1));
  return points;
}

void Place(benchmark::State& state) {
  EnsureBenchApplication();
  const CSAttributedString text = LongText();
  const std::vector<QPointF> path = Wave();
  const int32_t mode = int32_t(state.range(0));
  for (auto _ : state) {
    double ascent = 0;
    bool laidOut = false;
    benchmark::DoNotOptimize(PlaceGlyphsAlongPath(text, path, mode, &ascent, &laidOut));
  }
  state.SetItemsProcessed(state.iterations() * kGlyphs);
}
BENCHMARK(Place)->Arg(kTextPathStart)->Arg(kTextPathEnd)->Unit(benchmark::kMillisecond);

void Draw(benchmark::State& state) {
  EnsureBenchApplication();
  const CSAttributedString text = LongText();
  const std::vector<QPointF> path = Wave();
  QImage image(1600, 400, QImage::Format_ARGB32_Premultiplied);
  QPainter painter(&image);
  GraphicsContextScope scope(&painter);
  for (auto _ : state) {
    image.fill(Qt::white);
    benchmark::DoNotOptimize(DrawStringAlongPathPoints(text, path, kTextPathEnd, 0x64000000));
  }
  state.SetItemsProcessed(state.iterations() * kGlyphs);
}
BENCHMARK(Draw)->Unit(benchmark::kMillisecond);

}  // namespace
