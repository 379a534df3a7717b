// Exporting a drawing of 2,000 shapes (filled and stroked rectangles,
// ellipses and lines over about 1400 x 1400 points) as the document does:
// the trimmed rendering of createDrawingImage() written as PNG, and the
// one-page PDF of pdfOfDrawing().
#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QImageWriter>
#include <memory>
#include <vector>

#include "BenchApplication.h"
#include "BenchDrawing.h"
#include "model/DRCanvasHost.h"
#include "model/DRDocumentHost.h"
#include "model/DRDrawing.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementLine.h"
#include "model/DRElementRectangle.h"
#include "model/DRKeyTable.h"

namespace {

constexpr int kCount = 2000;
constexpr int kColumns = 50;
constexpr double kPitch = 28;

// The least of a canvas: no selection, zoom 1, extents from the elements.
class BenchCanvas : public DRCanvasHost {
 public:
  explicit BenchCanvas(DRDrawing* drawing) : m_drawing(drawing) {}
  const std::vector<DRElement*>& selection() const override { return m_selection; }
  void unselectAll() override {}
  void setZoomValue(double) override {}
  QPointF scrollOrigin() const override { return {}; }
  void setScrollOrigin(const QPointF&) override {}
  bool hasSuperview() const override { return true; }
  bool drawToClip() const override { return false; }
  void setDrawToImage(bool value) override { m_toImage = value; }
  void setSuppressCasings(bool value) override { m_suppress = value; }
  CSRect selectionExtent(bool, bool) const override { return {}; }
  CSRect drawingExtent(bool, bool forPrinting) const override {
    bool any = false;
    CSRect extent;
    for (const auto& element : m_drawing->elements()) {
      const CSRect bounds = element->bounds(forPrinting);
      extent = any ? UnionCSRect(extent, bounds) : bounds;
      any = true;
    }
    return extent;
  }
  void setNeedsDisplay() override {}
  void invalidateElement(DRElement*) override {}
  bool isElementSelected(const DRElement*) const override { return false; }
  bool showCasings() const override { return !m_suppress; }
  bool noHairlines() const override { return false; }
  std::optional<double> zoomValue() const override { return 1.0; }
  bool drawToImage() const override { return m_toImage; }

 private:
  DRDrawing* m_drawing;
  std::vector<DRElement*> m_selection;
  bool m_toImage = false;
  bool m_suppress = false;
};

class BenchWindow : public DRDocumentHost {
 public:
  explicit BenchWindow(DRCanvasHost* canvas) : m_canvas(canvas) {}
  QObject* window() const override { return nullptr; }
  DRCanvasHost* canvas() const override { return m_canvas; }
  QRect contentFrame() const override { return {}; }
  void setContentFrame(const QRect&) override {}
  void clearUndo() override {}
  uint32_t newUndoID() override { return 0; }
  void closeTabsForElements(const DRElementList&) override {}
  void validateTabs() override {}
  QString currentTabGuid() const override { return {}; }
  void addPaintTab(DRElement*) override {}
  void setupTabs(const QString&, bool) override {}
  bool isInfoPanelOpen() const override { return true; }
  void toggleInfo() override {}
  void setTitle(const QString&) override {}
  void setDocumentEdited(bool) override {}
  void setRepresentedFilename(const QString&) override {}
  void redrawContent() override {}

 private:
  DRCanvasHost* m_canvas;
};

struct Exporter {
  DRDrawing drawing;
  BenchCanvas canvas{&drawing};
  BenchWindow window{&canvas};
};

Exporter& Document() {
  static Exporter* exporter = [] {
    EnsureBenchApplication();
    CreateXmlDecoder();
    RegisterElementClasses();
    auto* made = new Exporter;
    made->drawing.setDocumentHost(&made->window);
    for (int i = 0; i < kCount; ++i) {
      const QRectF rect(20 + (i % kColumns) * kPitch, 20 + (i / kColumns) * kPitch, 20 + i % 17, 20 + i % 13);
      std::unique_ptr<DRElement> element =
          MakeBenchShape(i % 3, rect, MakeKolor(i % 256, (i * 7) % 256, (i * 13) % 256, 70));
      DRLineInfo line;
      line.setWidth(kMeasurePerPoint * (1 + i % 3));
      line.setKolorWithoutRegistering(MakeKolor(0, 0, (i * 3) % 256));
      element->setLineInfo(line);
      made->drawing.elements().push_back(std::move(element));
    }
    return made;
  }();
  return *exporter;
}

void BM_ExportPng(benchmark::State& state) {
  DRDrawing& drawing = Document().drawing;
  for (auto _ : state) {
    const CSImage image = drawing.createDrawingImage(false);
    if (image.isNull()) {
      state.SkipWithError("no image");
      break;
    }
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.write(image.renderedBitmap(image.size().toSize()));
    benchmark::DoNotOptimize(png.size());
  }
  state.counters["elements"] = kCount;
}
BENCHMARK(BM_ExportPng)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_RenderImageOnly(benchmark::State& state) {
  DRDrawing& drawing = Document().drawing;
  for (auto _ : state) benchmark::DoNotOptimize(drawing.createDrawingImage(false).isNull());
}
BENCHMARK(BM_RenderImageOnly)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExportPdf(benchmark::State& state) {
  DRDrawing& drawing = Document().drawing;
  int64_t bytes = 0;
  for (auto _ : state) {
    const QByteArray pdf = drawing.pdfOfDrawing();
    if (pdf.isEmpty()) {
      state.SkipWithError("no PDF");
      break;
    }
    bytes += pdf.size();
  }
  if (state.iterations() > 0) state.counters["pdf_bytes"] = double(bytes) / double(state.iterations());
}
BENCHMARK(BM_ExportPdf)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
