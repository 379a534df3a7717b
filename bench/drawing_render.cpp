// Rendering a whole drawing through the paint routine: 10,000 half-transparent
// stroked and filled rectangles, ellipses and lines into a 2000 x 2000
// pixel image. The same drawing, written as a plain SVG file, is rendered
// to a 2000 x 2000 PNG by rsvg-convert as a peer (its process start-up and
// PNG encoding included; skipped when it is not installed). The last
// benchmark reports the time of ours over the peer's ("ours_over_rsvg", and
// "ours_png_over_rsvg" with our PNG encoding counted as well).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QString>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>

#include "BenchApplication.h"
#include "BenchDrawing.h"
#include "BenchPeer.h"
#include "model/DRDrawing.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementLine.h"
#include "model/DRElementRectangle.h"
#include "model/DRKeyTable.h"
#include "model/DrawingPainter.h"

namespace {

constexpr int kSide = 2000;  // pixels = points
constexpr int kCount = 10000;
constexpr int kColumns = 100;
constexpr double kPitch = double(kSide) / kColumns;
constexpr double kLineWidth = 2.0;
constexpr int kOpacity = 50;  // percent

struct Shape {
  int kind;  // 0 rectangle, 1 ellipse, 2 line
  QRectF rect;
  int red, green, blue;
};

// A fixed scatter: each shape near its grid cell, 10 to 49 points a side,
// overlapping its neighbours.
std::vector<Shape> Shapes() {
  std::vector<Shape> shapes;
  shapes.reserve(kCount);
  uint32_t seed = 12345;
  auto next = [&seed](int range) {
    seed = seed * 1103515245u + 12345u;
    return int((seed >> 16) % uint32_t(range));
  };
  for (int i = 0; i < kCount; ++i) {
    const double x = (i % kColumns) * kPitch + next(10);
    const double y = (i / kColumns) * kPitch + next(10);
    const double w = 10 + next(40), h = 10 + next(40);
    shapes.push_back(Shape{i % 3, QRectF(x, y, w, h), next(256), next(256), next(256)});
  }
  return shapes;
}

DRLineInfo LineOf(const Shape& shape) {
  DRLineInfo line;
  line.setWidth(MeasureUnit(kLineWidth * double(kMeasurePerPoint)));
  line.setKolorWithoutRegistering(MakeKolor(255 - shape.red, 255 - shape.green, 255 - shape.blue, kOpacity));
  line.setCapStyle(0);
  line.setJoinStyle(0);
  line.setMiterLimit(4 * kMeasurePerPoint);
  return line;
}

DRDrawing& Drawing() {
  static DRDrawing* drawing = [] {
    EnsureBenchApplication();
    CreateXmlDecoder();
    RegisterElementClasses();
    auto* made = new DRDrawing;
    for (const Shape& shape : Shapes()) {
      std::unique_ptr<DRElement> element =
          MakeBenchShape(shape.kind, shape.rect, MakeKolor(shape.red, shape.green, shape.blue, kOpacity));
      element->setLineInfo(LineOf(shape));
      made->elements().push_back(std::move(element));
    }
    return made;
  }();
  return *drawing;
}

QString Rgb(int r, int g, int b) {
  return QStringLiteral("rgb(%1,%2,%3)").arg(r).arg(g).arg(b);
}

// The same shapes as a plain SVG file, on white.
QByteArray SvgText() {
  QString svg;
  svg += QStringLiteral(
             "<svg xmlns=\"http://www.w3.org/2000/svg\" width=\"%1\" height=\"%1\" viewBox=\"0 0 %1 %1\">\n"
             "<rect x=\"0\" y=\"0\" width=\"%1\" height=\"%1\" fill=\"white\"/>\n")
             .arg(kSide);
  const double opacity = kOpacity / 100.0;
  for (const Shape& s : Shapes()) {
    const QString stroke =
        QStringLiteral("stroke=\"%1\" stroke-opacity=\"%2\" stroke-width=\"%3\" stroke-miterlimit=\"4\"")
            .arg(Rgb(255 - s.red, 255 - s.green, 255 - s.blue))
            .arg(opacity)
            .arg(kLineWidth);
    const QString fill =
        QStringLiteral("fill=\"%1\" fill-opacity=\"%2\"").arg(Rgb(s.red, s.green, s.blue)).arg(opacity);
    // The fill covers the frame; the line lies inside it.
    const QRectF& r = s.rect;
    const QRectF in = r.adjusted(kLineWidth / 2, kLineWidth / 2, -kLineWidth / 2, -kLineWidth / 2);
    if (s.kind == 0) {
      svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" %5/>\n")
                 .arg(r.x())
                 .arg(r.y())
                 .arg(r.width())
                 .arg(r.height())
                 .arg(fill);
      svg += QStringLiteral("<rect x=\"%1\" y=\"%2\" width=\"%3\" height=\"%4\" fill=\"none\" %5/>\n")
                 .arg(in.x())
                 .arg(in.y())
                 .arg(in.width())
                 .arg(in.height())
                 .arg(stroke);
    } else if (s.kind == 1) {
      svg += QStringLiteral("<ellipse cx=\"%1\" cy=\"%2\" rx=\"%3\" ry=\"%4\" %5/>\n")
                 .arg(r.center().x())
                 .arg(r.center().y())
                 .arg(r.width() / 2)
                 .arg(r.height() / 2)
                 .arg(fill);
      svg += QStringLiteral("<ellipse cx=\"%1\" cy=\"%2\" rx=\"%3\" ry=\"%4\" fill=\"none\" %5/>\n")
                 .arg(in.center().x())
                 .arg(in.center().y())
                 .arg(in.width() / 2)
                 .arg(in.height() / 2)
                 .arg(stroke);
    } else {
      svg += QStringLiteral("<line x1=\"%1\" y1=\"%2\" x2=\"%3\" y2=\"%4\" fill=\"none\" %5/>\n")
                 .arg(r.left())
                 .arg(r.top())
                 .arg(r.right())
                 .arg(r.bottom())
                 .arg(stroke);
    }
  }
  svg += QStringLiteral("</svg>\n");
  return svg.toUtf8();
}

QString ScratchPath(const char* name) {
  return QDir::temp().filePath(QStringLiteral("twdraw-bench-render-%1-%2").arg(getpid()).arg(QLatin1String(name)));
}

const QString& SvgPath() {
  static const QString path = [] {
    const QString file = ScratchPath("drawing.svg");
    QFile out(file);
    if (out.open(QIODevice::WriteOnly)) out.write(SvgText());
    std::atexit([] {
      QFile::remove(ScratchPath("drawing.svg"));
      QFile::remove(ScratchPath("rsvg.png"));
    });
    return file;
  }();
  return path;
}

QImage Render() {
  return RenderDrawing(Drawing(), QRectF(0, 0, kSide, kSide), QSize(kSide, kSide), DRPaintMode::Image, nullptr, nullptr,
                       Qt::white);
}

// Mean milliseconds per run, for the ratio at the end.
double g_oursMs = 0;
double g_oursPngMs = 0;
double g_rsvgMs = 0;

void BM_PaintRoutine(benchmark::State& state) {
  Drawing();
  g_oursMs = MeanMs(state, [] { benchmark::DoNotOptimize(Render().constBits()); });
  state.counters["elements"] = kCount;
}
BENCHMARK(BM_PaintRoutine)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_PaintRoutineAndPng(benchmark::State& state) {
  Drawing();
  g_oursPngMs = MeanMs(state, [] {
    QByteArray png;
    QBuffer buffer(&png);
    buffer.open(QIODevice::WriteOnly);
    QImageWriter writer(&buffer, "png");
    writer.write(Render());
    benchmark::DoNotOptimize(png.size());
  });
}
BENCHMARK(BM_PaintRoutineAndPng)->Unit(benchmark::kMillisecond)->UseRealTime();

constexpr const char* kRsvg = "/usr/bin/rsvg-convert";

void BM_RsvgConvert(benchmark::State& state) {
  if (!PeerInstalled(kRsvg)) {
    state.SkipWithError("rsvg-convert is not installed (librsvg2-bin)");
    return;
  }
  const QByteArray in = SvgPath().toLocal8Bit();
  const QByteArray out = ScratchPath("rsvg.png").toLocal8Bit();
  bool failed = false;
  g_rsvgMs = MeanMs(state, [&] {
    if (!failed) failed = !RunPeer(kRsvg, {"-w", "2000", "-h", "2000", "-o", out, in});
  });
  if (failed) {
    g_rsvgMs = 0;
    state.SkipWithError("rsvg-convert failed");
  }
}
BENCHMARK(BM_RsvgConvert)->Unit(benchmark::kMillisecond)->UseRealTime();

// Runs last: the ratios of the means above (goal: at most 1.0).
void BM_RatioOursOverRsvg(benchmark::State& state) {
  for (auto _ : state) {
  }
  if (g_rsvgMs <= 0 || g_oursMs <= 0) {
    state.SkipWithError("a render was not measured");
    return;
  }
  // Both draw the same picture: the share of pixels that differ by more
  // than a little in some channel (edge antialiasing differs slightly).
  const QImage peer = QImage(ScratchPath("rsvg.png")).convertToFormat(QImage::Format_ARGB32);
  const QImage ours = Render().convertToFormat(QImage::Format_ARGB32);
  if (peer.size() == ours.size()) {
    int64_t differing = 0;
    for (int y = 0; y < ours.height(); ++y) {
      const QRgb* a = reinterpret_cast<const QRgb*>(ours.constScanLine(y));
      const QRgb* b = reinterpret_cast<const QRgb*>(peer.constScanLine(y));
      for (int x = 0; x < ours.width(); ++x) {
        if (std::abs(qRed(a[x]) - qRed(b[x])) > 16 || std::abs(qGreen(a[x]) - qGreen(b[x])) > 16 ||
            std::abs(qBlue(a[x]) - qBlue(b[x])) > 16)
          ++differing;
      }
    }
    state.counters["pixels_differing"] = double(differing) / double(int64_t(kSide) * kSide);
  }
  state.counters["ours_over_rsvg"] = g_oursMs / g_rsvgMs;
  state.counters["ours_png_over_rsvg"] = g_oursPngMs / g_rsvgMs;
  std::fprintf(stderr, "paint routine %.1f ms (with PNG %.1f ms), rsvg-convert %.1f ms: ours/rsvg %.2f (%.2f)\n",
               g_oursMs, g_oursPngMs, g_rsvgMs, g_oursMs / g_rsvgMs, g_oursPngMs / g_rsvgMs);
}
BENCHMARK(BM_RatioOursOverRsvg)->Iterations(1);

}  // namespace
