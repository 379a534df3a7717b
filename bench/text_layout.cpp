// Every text box is laid out on each draw and on each change of its text,
// width or font; a page of text boxes redraws them all.
#include <benchmark/benchmark.h>

#include <QImage>
#include <QPainter>
#include <memory>
#include <vector>

#include "BenchApplication.h"
#include "model/DRElementText.h"
#include "model/TextLayout.h"
#include "support/GraphicsContext.h"

namespace {

std::vector<std::unique_ptr<DRElementText>> MakeTexts(int count) {
  std::vector<std::unique_ptr<DRElementText>> texts;
  texts.reserve(size_t(count));
  for (int i = 0; i < count; ++i) {
    auto text = std::make_unique<DRElementText>();
    text->setFrame(
        CSRect{MeasureUnit(i % 20) * 254000, MeasureUnit(i / 20) * 127000, 1270000 + (i % 7) * 127000, 127000});
    text->setText(QStringLiteral("Label %1: a few words that wrap in the box").arg(i));
    texts.push_back(std::move(text));
  }
  return texts;
}

}  // namespace

static void BM_DrawThousandTexts(benchmark::State& state) {
  EnsureBenchApplication();
  const auto texts = MakeTexts(1000);
  QImage image(1200, 800, QImage::Format_ARGB32_Premultiplied);
  for (auto _ : state) {
    image.fill(Qt::white);
    QPainter painter(&image);
    GraphicsContextScope scope(&painter);
    for (const auto& text : texts) text->drawInView(nullptr);
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_DrawThousandTexts)->Unit(benchmark::kMillisecond);

static void BM_MeasureThousandTexts(benchmark::State& state) {
  EnsureBenchApplication();
  const auto texts = MakeTexts(1000);
  for (auto _ : state) {
    for (const auto& text : texts) {
      benchmark::DoNotOptimize(TextBoxSize(text->textInfo().expressWithText(text->text(), false), 100));
    }
  }
  state.SetItemsProcessed(state.iterations() * 1000);
}
BENCHMARK(BM_MeasureThousandTexts)->Unit(benchmark::kMillisecond);
