// Encoding a 4000 x 3000 picture in each format the exports offer, and, on the
// same pixels, the stand-alone JPEG and HEIC encoders for comparison. Each
// result reports the encoded size in bytes.
#include <benchmark/benchmark.h>

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageWriter>
#include <QLinearGradient>
#include <QPainter>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cstdio>
#include <cstdlib>

#include "support/CSImage.h"
#include "support/ImageSaving.h"

namespace {

constexpr int kWidth = 4000;
constexpr int kHeight = 3000;

QGuiApplication& App() {
  static int argc = 1;
  static char name[] = "bench_image_encode";
  static char* argv[] = {name, nullptr};
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication app(argc, argv);
  return app;
}

// Gradients with shapes over them: smooth areas and hard edges, as in a
// painted drawing.
const CSImage& Picture() {
  static const CSImage image = [] {
    App();
    QImage pixels(kWidth, kHeight, QImage::Format_RGB32);
    QPainter p(&pixels);
    QLinearGradient gradient(0, 0, kWidth, kHeight);
    gradient.setColorAt(0, QColor(30, 90, 200));
    gradient.setColorAt(0.5, QColor(240, 220, 160));
    gradient.setColorAt(1, QColor(60, 160, 70));
    p.fillRect(pixels.rect(), gradient);
    p.setRenderHint(QPainter::Antialiasing);
    for (int i = 0; i < 400; ++i) {
      p.setPen(QPen(QColor::fromHsv((i * 37) % 360, 200, 200), 3 + i % 9));
      p.setBrush(QColor::fromHsv((i * 53) % 360, 120, 230, 160));
      p.drawEllipse(QPointF((i * 997) % kWidth, (i * 613) % kHeight), 40 + i % 150, 30 + i % 110);
    }
    p.end();
    return CSImage::initWithCGImage(pixels, QSizeF(0, 0));
  }();
  return image;
}

void Encode(benchmark::State& state, ImageFormat format, double quality) {
  const CSImage& image = Picture();
  size_t bytes = 0;
  for (auto _ : state) {
    const QByteArray data = ImageData(image, format, 0, 0, quality);
    if (data.isEmpty()) state.SkipWithError("encoding failed");
    bytes = size_t(data.size());
    benchmark::DoNotOptimize(data.constData());
  }
  state.counters["bytes"] = double(bytes);
}

// The pixels as files the outside encoders read: PPM for cjpeg, PNG for
// heif-enc (which does not read PPM). Written once.
struct OutsideInput {
  QTemporaryDir dir;
  QString ppm, png;
  OutsideInput() {
    const QImage pixels = Picture().renderedBitmap(QSize(kWidth, kHeight));
    ppm = dir.filePath("picture.ppm");
    png = dir.filePath("picture.png");
    QImageWriter(ppm, "ppm").write(pixels);
    QImageWriter(png, "png").write(pixels);
  }
};

OutsideInput& Input() {
  static OutsideInput input;
  return input;
}

void RunTool(benchmark::State& state, const QString& program, const QStringList& arguments, const QString& output) {
  if (QStandardPaths::findExecutable(program).isEmpty()) {
    state.SkipWithError("tool not installed");
    return;
  }
  QString command = program;
  for (const QString& a : arguments) command += QStringLiteral(" '") + a + QLatin1Char('\'');
  command += QStringLiteral(" > /dev/null 2>&1");
  const QByteArray line = command.toLocal8Bit();
  for (auto _ : state) {
    if (std::system(line.constData()) != 0) state.SkipWithError("tool failed");
  }
  state.counters["bytes"] = double(QFileInfo(output).size());
}

}  // namespace

static void BM_EncodeJPEG(benchmark::State& state) {
  Encode(state, kImageFormatJPEG, 0.9);
}
static void BM_EncodePNG(benchmark::State& state) {
  Encode(state, kImageFormatPNG, 0);
}
static void BM_EncodeTIFF(benchmark::State& state) {
  Encode(state, kImageFormatTIFF, 0);
}
static void BM_EncodeTIFF_LZW(benchmark::State& state) {
  Encode(state, kImageFormatTIFF, 1.0);
}
static void BM_EncodeHEIC(benchmark::State& state) {
  Encode(state, kImageFormatHEIC, 0.9);
}
static void BM_EncodePDF(benchmark::State& state) {
  Encode(state, kImageFormatPDF, 0);
}

static void BM_Tool_cjpeg(benchmark::State& state) {
  const QString out = Input().dir.filePath("cjpeg.jpg");
  RunTool(state, "cjpeg", {"-quality", "90", "-outfile", out, Input().ppm}, out);
}
static void BM_Tool_heif_enc(benchmark::State& state) {
  const QString out = Input().dir.filePath("heif-enc.heic");
  RunTool(state, "heif-enc", {"-q", "90", "-o", out, Input().png}, out);
}

BENCHMARK(BM_EncodeJPEG)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodePNG)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeTIFF)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeTIFF_LZW)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodeHEIC)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_EncodePDF)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Tool_cjpeg)->Unit(benchmark::kMillisecond)->UseRealTime();
BENCHMARK(BM_Tool_heif_enc)->Unit(benchmark::kMillisecond)->UseRealTime();
