// The SVG reader and writer. Reading: a 50 MB file of 900,000 paths
// through our reader (time and the process's peak memory), xmllint parsing
// the same file as a peer. Writing: 100,000 elements to SVG text. The
// corpus: every SVG of the outside test suite imported and drawn by our
// paint routine, against rsvg-convert writing its PNG; the last benchmark
// prints the ratio of ours over the peer (goal: at most 1.0). Peers and the
// corpus are skipped when missing.
#include <benchmark/benchmark.h>
#include <sys/resource.h>
#include <unistd.h>

#include <QDir>
#include <QDirIterator>
#include <QFile>
#include <QFileInfo>
#include <QImage>
#include <QString>
#include <chrono>
#include <cstdlib>

#include "BenchApplication.h"
#include "BenchPeer.h"
#include "interchange/SvgExport.h"
#include "interchange/SvgImport.h"
#include "model/DRDrawing.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementLine.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementRectangle.h"
#include "model/DrawingPainter.h"

namespace {

constexpr int kReadPaths = 900000;
constexpr int kWriteElements = 100000;
constexpr const char* kXmllint = "/usr/bin/xmllint";
constexpr const char* kRsvg = "/usr/bin/rsvg-convert";

QString ScratchPath(const char* name) {
  return QDir::temp().filePath(QStringLiteral("twdraw-bench-svg-%1-%2").arg(getpid()).arg(QLatin1String(name)));
}

double PeakMegabytes() {
  rusage usage{};
  getrusage(RUSAGE_SELF, &usage);
  return double(usage.ru_maxrss) / 1024.0;  // kilobytes on Linux
}

// About 50 MB: 900,000 small closed paths with fill and stroke, written
// line by line.
const QString& LargeSvgPath() {
  static const QString path = [] {
    const QString file = ScratchPath("large.svg");
    QFile out(file);
    if (out.open(QIODevice::WriteOnly)) {
      out.write("<svg xmlns=\"http://www.w3.org/2000/svg\" viewBox=\"0 0 3000 3000\">\n");
      uint32_t seed = 777;
      auto next = [&seed](int range) {
        seed = seed * 1103515245u + 12345u;
        return int((seed >> 16) % uint32_t(range));
      };
      QByteArray line;
      for (int i = 0; i < kReadPaths; ++i) {
        line = "<path fill=\"#" + QByteArray::number(0x100000 + next(0xEFFFFF), 16) + "\" stroke=\"blue\" d=\"M" +
               QByteArray::number(next(3000)) + ' ' + QByteArray::number(next(3000)) + "l" +
               QByteArray::number(next(40)) + ' ' + QByteArray::number(next(40)) + ' ' +
               QByteArray::number(-next(40)) + ' ' + QByteArray::number(next(40)) + "z\"/>\n";
        out.write(line);
      }
      out.write("</svg>\n");
    }
    std::atexit([] { QFile::remove(ScratchPath("large.svg")); });
    return file;
  }();
  return path;
}

void BM_ReadLargeSvg(benchmark::State& state) {
  EnsureBenchApplication();
  const QString path = LargeSvgPath();
  state.counters["file_mb"] = double(QFile(path).size()) / 1e6;
  const double before = PeakMegabytes();
  size_t count = 0;
  MeanMs(state, [&] {
    QString reason;
    const std::optional<DRElementList> elements = ReadSvgFile(path, &reason);
    count = elements ? elements->size() : 0;
  });
  state.counters["elements"] = double(count);
  state.counters["peak_rss_mb"] = PeakMegabytes();
  state.counters["peak_rss_before_mb"] = before;
}
BENCHMARK(BM_ReadLargeSvg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_XmllintLargeSvg(benchmark::State& state) {
  if (!PeerInstalled(kXmllint)) {
    state.SkipWithError("xmllint is not installed (libxml2-utils)");
    return;
  }
  const QByteArray in = LargeSvgPath().toLocal8Bit();
  bool failed = false;
  MeanMs(state, [&] {
    if (!failed) failed = !RunPeer(kXmllint, {"--noout", "--huge", in});
  });
  if (failed) state.SkipWithError("xmllint failed");
}
BENCHMARK(BM_XmllintLargeSvg)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(2);

void BM_WriteSvg(benchmark::State& state) {
  EnsureBenchApplication();
  DRElementList elements;
  elements.reserve(kWriteElements);
  for (int i = 0; i < kWriteElements; ++i) {
    const CSRect frame{MeasureUnit(i % 300) * 127000, MeasureUnit(i / 300) * 127000, 101600, 63500};
    DRLineInfo line;
    line.setWidth(12700);
    line.setKolorWithoutRegistering(MakeKolor(0, 0, 200));
    std::unique_ptr<DRElement> element;
    switch (i % 4) {
      case 0:
        element = std::make_unique<DRElementRectangle>();
        break;
      case 1:
        element = std::make_unique<DRElementEllipse>();
        break;
      case 2: {
        auto polygon = std::make_unique<DRElementPolygon>();
        polygon->setPoints({CSPoint{0, 0}, CSPoint{101600, 0}, CSPoint{50800, 63500}});
        polygon->setClosed(true);
        element = std::move(polygon);
        break;
      }
      default: {
        auto segment = std::make_unique<DRElementLine>();
        segment->setStartPoint(CSPoint{0, 0});
        segment->setEndPoint(CSPoint{101600, 63500});
        element = std::move(segment);
        break;
      }
    }
    element->setFrame(frame);
    element->setOriginalSize(CSPoint{frame.width, frame.height});
    if (auto* closed = dynamic_cast<DRElementClosed*>(element.get())) closed->setFillKolor(MakeKolor(200, 40, 40, 60));
    element->setLineInfo(line);
    elements.push_back(std::move(element));
  }
  qsizetype length = 0;
  MeanMs(state, [&] {
    CSError error;
    const std::optional<QString> text = SvgTextForElements(elements, &error);
    length = text ? text->size() : 0;
  });
  state.counters["elements"] = kWriteElements;
  state.counters["characters"] = double(length);
}
BENCHMARK(BM_WriteSvg)->Unit(benchmark::kMillisecond)->UseRealTime();

QStringList CorpusFiles() {
  QStringList files;
  // The corpus lies beside the checkout: two folders above this file's.
  const QString root = QFileInfo(QString::fromUtf8(__FILE__)).absolutePath() +
                       QStringLiteral("/../../shared/corpora/svg/resvg-test-suite/tests");
  QDirIterator it(root, {QStringLiteral("*.svg")}, QDir::Files, QDirIterator::Subdirectories);
  while (it.hasNext()) files << it.next();
  files.sort();
  return files;
}

double g_oursMs = 0;
double g_rsvgMs = 0;

void BM_CorpusImportAndDraw(benchmark::State& state) {
  EnsureBenchApplication();
  const QStringList files = CorpusFiles();
  if (files.isEmpty()) {
    state.SkipWithError("the SVG corpus is not present");
    return;
  }
  int drawn = 0;
  g_oursMs = MeanMs(state, [&] {
    drawn = 0;
    for (const QString& file : files) {
      QString reason;
      std::optional<DRElementList> elements = ReadSvgFile(file, &reason);
      if (!elements) continue;
      DRDrawing drawing;
      drawing.elements() = std::move(*elements);
      const QImage image = RenderDrawing(drawing, QRectF(0, 0, 150, 150), QSize(200, 200), DRPaintMode::Image,
                                         nullptr, nullptr, Qt::white);
      benchmark::DoNotOptimize(image.constBits());
      ++drawn;
    }
  });
  state.counters["files"] = double(files.size());
  state.counters["drawn"] = drawn;
}
BENCHMARK(BM_CorpusImportAndDraw)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

void BM_CorpusRsvgConvert(benchmark::State& state) {
  const QStringList files = CorpusFiles();
  if (files.isEmpty() || !PeerInstalled(kRsvg)) {
    state.SkipWithError(files.isEmpty() ? "the SVG corpus is not present"
                                        : "rsvg-convert is not installed (librsvg2-bin)");
    return;
  }
  const QByteArray out = ScratchPath("corpus.png").toLocal8Bit();
  int rendered = 0;
  g_rsvgMs = MeanMs(state, [&] {
    rendered = 0;
    for (const QString& file : files) {
      if (RunPeer(kRsvg, {"-w", "200", "-h", "200", "-o", out, file.toLocal8Bit()})) ++rendered;
    }
  });
  QFile::remove(ScratchPath("corpus.png"));
  state.counters["rendered"] = rendered;
}
BENCHMARK(BM_CorpusRsvgConvert)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(1);

// Runs last: our import and drawing over the peer's (goal: at most 1.0).
void BM_RatioOursOverRsvg(benchmark::State& state) {
  for (auto _ : state) {
  }
  if (g_oursMs <= 0 || g_rsvgMs <= 0) {
    state.SkipWithError("a side was not measured");
    return;
  }
  state.counters["ours_over_rsvg"] = g_oursMs / g_rsvgMs;
}
BENCHMARK(BM_RatioOursOverRsvg)->Iterations(1);

}  // namespace
