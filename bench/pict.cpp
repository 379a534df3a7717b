// QuickDraw pictures and icon files: PackBits rows, the conversion of a
// 4k x 4k 32-bit picture into a PDF, and LargestIconImage against
// `icns2png -x` (icnsutils) on one family of PNG chunks up to 1024 pixels.

#include <benchmark/benchmark.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QLinearGradient>
#include <QPainter>
#include <QTemporaryDir>
#include <vector>

#include "BenchApplication.h"
#include "BenchPeer.h"
#include "interchange/IconFile.h"
#include "interchange/PictConverter.h"
#include "interchange/PictReader.h"

namespace {

constexpr const char* kIcns2png = "/usr/bin/icns2png";

void Put16(QByteArray& b, unsigned v) {
  b.append(char((v >> 8) & 0xFF)).append(char(v & 0xFF));
}
void Put32(QByteArray& b, uint32_t v) {
  Put16(b, v >> 16);
  Put16(b, v & 0xFFFF);
}
void PutRect(QByteArray& b, int top, int left, int bottom, int right) {
  for (int v : {top, left, bottom, right}) Put16(b, unsigned(v));
}

// PackBits of one row: runs where bytes repeat, literals elsewhere.
QByteArray PackRow(const uint8_t* row, size_t length) {
  QByteArray out;
  size_t i = 0;
  while (i < length) {
    size_t run = 1;
    while (i + run < length && run < 128 && row[i + run] == row[i]) ++run;
    if (run >= 3) {
      out.append(char(257 - run)).append(char(row[i]));
      i += run;
      continue;
    }
    size_t literal = 0;
    while (i + literal < length && literal < 128 &&
           !(i + literal + 2 < length && row[i + literal] == row[i + literal + 1] &&
             row[i + literal] == row[i + literal + 2]))
      ++literal;
    out.append(char(literal - 1)).append(reinterpret_cast<const char*>(row + i), qsizetype(literal));
    i += literal;
  }
  return out;
}

// Component planes of a row of a gradient picture, with flat stretches so
// that the rows hold both runs and literals.
std::vector<uint8_t> PlaneRow(int width, int y) {
  std::vector<uint8_t> row(size_t(width) * 3);
  for (int x = 0; x < width; ++x) {
    const bool flat = (x / 64) % 2 == 0;
    row[size_t(x)] = uint8_t(flat ? y / 16 : x ^ y);
    row[size_t(width + x)] = uint8_t(flat ? 128 : x * 3 + y);
    row[size_t(2 * width + x)] = uint8_t(flat ? 255 - y / 16 : x + y / 2);
  }
  return row;
}

// A version-2 picture of one 32-bit direct-pixels map of the size.
QByteArray DeepPicture(int side) {
  QByteArray b;
  Put16(b, 0);
  PutRect(b, 0, 0, side, side);
  b.append("\x00\x11\x02\xFF\x0C\x00", 6).append(24, '\0');
  Put16(b, 0x9A);
  Put32(b, 0xFF);
  Put16(b, 0x8000 | unsigned(side * 4));
  PutRect(b, 0, 0, side, side);
  Put16(b, 0);
  Put16(b, 4);  // pack type
  Put32(b, 0);
  Put32(b, 0x00480000);
  Put32(b, 0x00480000);
  Put16(b, 16);
  Put16(b, 32);
  Put16(b, 3);
  Put16(b, 8);
  b.append(12, '\0');
  PutRect(b, 0, 0, side, side);
  PutRect(b, 0, 0, side, side);
  Put16(b, 0);
  for (int y = 0; y < side; ++y) {
    const std::vector<uint8_t> row = PlaneRow(side, y);
    const QByteArray packed = PackRow(row.data(), row.size());
    Put16(b, unsigned(packed.size()));  // rowBytes above 250: 16-bit counts
    b.append(packed);
  }
  if (b.size() & 1) b.append('\0');
  Put16(b, 0xFF);
  return b;
}

void BM_UnpackBits(benchmark::State& state) {
  constexpr int kWidth = 4096;
  QByteArray rows;
  std::vector<size_t> offsets;
  for (int y = 0; y < 64; ++y) {
    const std::vector<uint8_t> row = PlaneRow(kWidth / 3, y);
    const QByteArray packed = PackRow(row.data(), row.size());
    offsets.push_back(size_t(rows.size()));
    Put16(rows, unsigned(packed.size()));
    rows.append(packed);
  }
  const auto* bytes = reinterpret_cast<const uint8_t*>(rows.constData());
  std::vector<uint8_t> out(kWidth);
  for (auto _ : state) {
    for (size_t offset : offsets) UnpackBits(bytes, size_t(rows.size()), offset, out.size(), out.data());
    benchmark::DoNotOptimize(out.data());
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * int64_t(offsets.size()) * kWidth);
}
BENCHMARK(BM_UnpackBits);

void BM_Convert4kPicture(benchmark::State& state) {
  EnsureBenchApplication();
  const QByteArray picture = DeepPicture(4096);
  for (auto _ : state) {
    QString path;
    const CSImage image = CreateImageFromQuickdrawPict(picture, false, &path, nullptr);
    if (image.isNull()) {
      state.SkipWithError("the picture did not convert");
      break;
    }
    QFile::remove(path);
  }
  state.SetBytesProcessed(int64_t(state.iterations()) * picture.size());
  state.counters["MB_in"] = double(picture.size()) / 1e6;
}
BENCHMARK(BM_Convert4kPicture)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// One icon family, 16 to 1024 pixels, every chunk a PNG.
const QString& IconFamilyPath() {
  static QTemporaryDir folder;
  static const QString path = [] {
    EnsureBenchApplication();
    const std::pair<const char*, int> chunks[] = {{"icp4", 16},  {"icp5", 32},  {"icp6", 64},  {"ic07", 128},
                                                  {"ic08", 256}, {"ic09", 512}, {"ic10", 1024}};
    QByteArray body;
    for (const auto& [type, side] : chunks) {
      QImage image(side, side, QImage::Format_ARGB32_Premultiplied);
      QPainter painter(&image);
      QLinearGradient gradient(0, 0, side, side);
      gradient.setColorAt(0, Qt::red);
      gradient.setColorAt(1, QColor(0, 0, 255, 128));
      painter.fillRect(image.rect(), gradient);
      painter.end();
      QByteArray png;
      QBuffer buffer(&png);
      buffer.open(QIODevice::WriteOnly);
      image.save(&buffer, "png");
      body.append(type, 4);
      Put32(body, uint32_t(png.size() + 8));
      body.append(png);
    }
    QByteArray file("icns");
    Put32(file, uint32_t(body.size() + 8));
    file.append(body);
    const QString name = folder.filePath(QStringLiteral("family.icns"));
    QFile out(name);
    if (!out.open(QIODevice::WriteOnly) || out.write(file) != file.size()) return QString();
    return name;
  }();
  return path;
}

double g_oursMs = 0;

void BM_LargestIconImage(benchmark::State& state) {
  const QString path = IconFamilyPath();
  g_oursMs = MeanMs(state, [&] {
    const CSImage image = LargestIconImage(path);
    if (image.size() != QSizeF(1024, 1024)) state.SkipWithError("the 1024 icon was not read");
    // The pixels, as the peer's PNG decoding makes them.
    benchmark::DoNotOptimize(image.representations().first().bitmap.constBits());
  });
}
BENCHMARK(BM_LargestIconImage)->Unit(benchmark::kMillisecond)->UseRealTime();

// The peer extracts every icon it reads (256, 512 and 1024 here) into PNG
// files; its start-up is included.
void BM_Icns2png(benchmark::State& state) {
  if (!PeerInstalled(kIcns2png)) {
    state.SkipWithError("icns2png is not installed (icnsutils)");
    return;
  }
  QTemporaryDir out;
  const QByteArray path = IconFamilyPath().toLocal8Bit();
  const QByteArray folder = out.path().toLocal8Bit();
  bool failed = false;
  const double peerMs = MeanMs(state, [&] {
    if (!failed && !RunPeer(kIcns2png, {"-x", "-o", folder, path})) failed = true;
  });
  if (failed) {
    state.SkipWithError("icns2png failed");
    return;
  }
  if (g_oursMs > 0 && peerMs > 0) state.counters["ours_over_icns2png"] = g_oursMs / peerMs;
}
BENCHMARK(BM_Icns2png)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
