// Reading a drawing: a generated file of about 20 MB shaped like a large
// drawing (nested element records, style records, long point lists, notes
// with escapes) read tag by tag, beside the same file through
// `xmllint --stream --noout` as a reference for a streaming reader. The
// xmllint run, which comes last, also shows the file reader's throughput over
// its own as the counter "reader_over_xmllint".
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QString>
#include <chrono>

#include "BenchPeer.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"

namespace {

void WriteLineInfo(CSXmlEncoder& e, int i) {
  e.openTag("lineinfo");
  e.addTagWithNumber("width", 12700 * (1 + i % 5));
  e.addTag("color", QStringLiteral("{%1, %2, %3}").arg(i % 256).arg((i * 7) % 256).arg((i * 13) % 256));
  e.addTagWithNumber("cap", i % 3);
  e.addTagWithNumber("join", i % 3);
  e.addTagWithNumber("miter", 10);
  e.closeTag("lineinfo");
}

void WriteElement(CSXmlEncoder& e, int i, int depth) {
  e.openTag("element");
  const int kind = i % 4;
  e.addTag("type", kind == 0 ? "rect" : kind == 1 ? "scribble" : kind == 2 ? "text" : "group");
  e.addTag("frame", QStringLiteral("{%1,%2,%3,%4}").arg(i * 12700).arg(i * 6350).arg(1270000).arg(635000));
  e.addTag("original", QStringLiteral("{%1,%2}").arg(1270000).arg(635000));
  if (i % 3 == 0) e.addTag("notes", QStringLiteral("Note %1: a < b & \"c\" > d").arg(i));
  WriteLineInfo(e, i);
  if (kind == 0) {
    e.addTag("color", "{255, 128, 0, 50}");
  } else if (kind == 1) {
    e.openTag("points");
    for (int p = 0; p < 40; ++p) e.addTag("point", QStringLiteral("{%1,%2}").arg(p * 9525).arg((p * p) % 977 * 9525));
    e.closeTag("points");
  } else if (kind == 2) {
    e.addTag("string", QStringLiteral("Text element %1 with some words in it").arg(i));
    e.openTag("textinfo");
    e.addTag("font", "DejaVu Sans");
    e.addTagWithNumber("size", 12);
    e.addTag("align", "center");
    e.closeTag("textinfo");
  } else if (depth < 2) {
    e.openTag("elements");
    for (int c = 0; c < 3; ++c) WriteElement(e, i * 3 + c + 1, depth + 1);
    e.closeTag("elements");
  }
  e.closeTag("element");
}

QString MakeDrawing(qsizetype targetBytes) {
  CSXmlEncoder e(targetBytes);
  e.openTag("drawing");
  e.addTagWithNumber("version", 1);
  e.addTag("app_ver", "1.0");
  e.addTagWithNumber("zoom", 100);
  e.openTag("images");
  e.closeTag("images");
  e.openTag("elements");
  for (int i = 0; e.xml().size() < targetBytes; ++i) WriteElement(e, i, 0);
  e.closeTag("elements");
  e.closeTag("drawing");
  return e.xml();
}

const QString& Drawing() {
  static const QString text = MakeDrawing(20 * 1000 * 1000);
  return text;
}

int64_t DrawingUtf8Size() {
  static const int64_t size = Drawing().toUtf8().size();
  return size;
}

const QString& DrawingPath() {
  static const QString path = [] {
    const QString file = QDir::temp().filePath(QStringLiteral("twdraw-bench-drawing-%1.xml").arg(getpid()));
    QFile out(file);
    if (out.open(QIODevice::WriteOnly)) out.write(Drawing().toUtf8());
    std::atexit(
        [] { QFile::remove(QDir::temp().filePath(QStringLiteral("twdraw-bench-drawing-%1.xml").arg(getpid()))); });
    return file;
  }();
  return path;
}

// Bytes a second of the latest run of BM_ReadDrawingFile in this process; 0 before it.
double g_fileReaderThroughput = 0;

// Times the iterations of a benchmark in wall-clock seconds.
class WallClock {
 public:
  double seconds() const { return std::chrono::duration<double>(std::chrono::steady_clock::now() - m_start).count(); }

 private:
  std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

void InstallKeys() {
  static const bool installed = [] {
    const char* names[] = {"drawing", "version", "app_ver",  "zoom",   "images",   "elements", "element",
                           "type",    "frame",   "original", "notes",  "lineinfo", "width",    "color",
                           "cap",     "join",    "miter",    "points", "point",    "string",   "textinfo",
                           "font",    "size",    "align",    "center"};
    for (uint32_t i = 0; i < std::size(names); ++i) CSXmlDecoder::addDecoderKey(i + 1, QString::fromUtf8(names[i]));
    return true;
  }();
  (void)installed;
}

void BM_ReadDrawingString(benchmark::State& state) {
  InstallKeys();
  const QString& text = Drawing();
  DrawingUtf8Size();
  int64_t tags = 0;
  for (auto _ : state) {
    auto decoder = CSXmlDecoder::createWithString(text);
    while (decoder->getNextTag()) ++tags;
    if (!decoder->error().isNull()) state.SkipWithError("read failed");
  }
  state.SetBytesProcessed(state.iterations() * DrawingUtf8Size());
  state.counters["tags"] = double(tags) / double(state.iterations());
}
BENCHMARK(BM_ReadDrawingString)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ReadDrawingFile(benchmark::State& state) {
  InstallKeys();
  const QString& path = DrawingPath();
  const int64_t bytes = QFile(path).size();
  const WallClock clock;
  for (auto _ : state) {
    auto decoder = CSXmlDecoder::createWithFile(path);
    if (!decoder) {
      state.SkipWithError("open failed");
      break;
    }
    while (decoder->getNextTag()) {
    }
    if (!decoder->error().isNull()) state.SkipWithError("read failed");
  }
  g_fileReaderThroughput = double(state.iterations() * bytes) / clock.seconds();
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_ReadDrawingFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// The same, asking for every value as a drawing reader does, and for the
// key of each value that is a name.
void BM_ReadDrawingFileValues(benchmark::State& state) {
  InstallKeys();
  const QString& path = DrawingPath();
  int64_t characters = 0;
  for (auto _ : state) {
    auto decoder = CSXmlDecoder::createWithFile(path);
    if (!decoder) {
      state.SkipWithError("open failed");
      break;
    }
    while (decoder->getNextTag()) {
      if (!decoder->endTag()) continue;
      characters += decoder->value().size();
      if (decoder->key() == 8) benchmark::DoNotOptimize(decoder->decodeValue());  // "type"
    }
  }
  benchmark::DoNotOptimize(characters);
  state.SetBytesProcessed(state.iterations() * QFile(path).size());
}
BENCHMARK(BM_ReadDrawingFileValues)->Unit(benchmark::kMillisecond)->UseRealTime();

// Skipping the whole element list, as the drawing reader does when the
// images come after it.
void BM_SkipElements(benchmark::State& state) {
  InstallKeys();
  const QString& text = Drawing();
  DrawingUtf8Size();
  for (auto _ : state) {
    auto decoder = CSXmlDecoder::createWithString(text);
    while (decoder->getNextTag() && decoder->xmlTag() != u"elements") {
    }
    decoder->skipTag();
    benchmark::DoNotOptimize(decoder->getNextTag());
  }
  state.SetBytesProcessed(state.iterations() * DrawingUtf8Size());
}
BENCHMARK(BM_SkipElements)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_WriteDrawing(benchmark::State& state) {
  for (auto _ : state) benchmark::DoNotOptimize(MakeDrawing(20 * 1000 * 1000).size());
}
BENCHMARK(BM_WriteDrawing)->Unit(benchmark::kMillisecond)->UseRealTime()->Iterations(3);

// The peer: the same file through xmllint's streaming reader, as a process
// (its start-up, a few milliseconds, is included).
void BM_XmllintStream(benchmark::State& state) {
  const QByteArray path = DrawingPath().toLocal8Bit();
  if (!PeerInstalled("/usr/bin/xmllint")) {
    state.SkipWithError("xmllint is not installed (libxml2-utils)");
    return;
  }
  const int64_t bytes = QFile(QString::fromLocal8Bit(path)).size();
  const WallClock clock;
  for (auto _ : state) {
    if (!RunPeer("/usr/bin/xmllint", {"--stream", "--noout", path})) {
      state.SkipWithError("xmllint failed");
      break;
    }
  }
  state.SetBytesProcessed(state.iterations() * bytes);
  if (g_fileReaderThroughput > 0)
    state.counters["reader_over_xmllint"] =
        g_fileReaderThroughput / (double(state.iterations() * bytes) / clock.seconds());
}
BENCHMARK(BM_XmllintStream)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
