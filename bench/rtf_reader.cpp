// Reading RTF: a generated file of about 5 MB in the engine's own dialect
// (paragraphs of formatted runs, tabs, a link, a checkbox, a table every
// hundred paragraphs) and each file of the RTF corpus read into a document,
// beside `unrtf --text` on the same files (its start-up counted, as a user
// meets it). Each unrtf run, which comes after ours, shows our time over
// the peer's as the counter "reader_over_unrtf" (goal: at most 1). Writing
// the 5 MB document back with ExportRtf is measured too.
#include <benchmark/benchmark.h>
#include <fcntl.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QString>
#include <QTemporaryDir>
#include <map>

#include "BenchApplication.h"
#include "BenchPeer.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/FontNames.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"
#include "support/ThreadStorage.h"

namespace {

constexpr qsizetype kTargetBytes = 5 * 1000 * 1000;
const char* const kUnrtf = "/usr/bin/unrtf";

void SetUp() {
  EnsureBenchApplication();
  static const bool ready = [] {
    AllocateThreadStorage(QString());
    IndexOfFont(QStringLiteral("DejaVu Sans"));
    return true;
  }();
  (void)ready;
}

// Our dialect as the writer gives it: a generated file read once and
// written again.
const QByteArray& OurFile() {
  static const QByteArray rtf = [] {
    SetUp();
    QByteArray source =
        "{\\rtf1\\ansi\\ansicpg1252\\uc0{\\*\\generator TindleWick Corvane 2.2.1}\n"
        "{\\fonttbl{\\f0\\fnil DejaVu Sans;}{\\f1\\fnil DejaVu Serif;}}\n"
        "{\\colortbl;\\red255\\green255\\blue255;\\red200\\green10\\blue10;\\red0\\green0\\blue255;}\n"
        "{\\stylesheet{\\s0\\sbasedon222\\snext0\\fs24 Normal;}{\\s1\\sbasedon0\\snext0\\li720\\qj\\fs20 Quote;}}\n";
    for (int n = 0; source.size() < kTargetBytes; ++n) {
      const QByteArray number = QByteArray::number(n);
      source += "\\pard\\plain\\s0\\tx1440\\tqr\\tx5760\\f0\\fs24 Paragraph " + number +
                " has {\\b bold}, {\\i\\cf2 red italic} and caf\\u233 words,\\tab a tab, "
                "{\\field{\\*\\fldinst{HYPERLINK \"https://example.org/" +
                number + "\"}}{\\fldrslt a link}} and a box\\crvncheck1 .\\\n";
      if (n % 7 == 0) source += "\\pard\\plain\\s1\\f1\\fs20 A quoted paragraph with {\\ul underlined} text.\\\n";
      if (n % 100 == 0)
        source += "{\\*\\crvntable\\crvncelll10\\crvncellr10\\colno1\\colw1440\\colno2\\colw2880}\n"
                  "\\trowd\\trql\\trleft0\\trrh0\\trgaph10\n\\cellx1450\n\\clcfpat3\\cellx4340\n"
                  "\\pard\\intbl\\plain\\s0\\f0\\fs24 cell one\\cell\n\\pard\\intbl\\plain\\s0\\f0\\fs24 cell two\\cell\n"
                  "\\pard\\intbl\\row\n";
    }
    source += "}\n";
    CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
    ImportRtf(doc, source, 0, 0, QString(), nullptr);
    DocRange body;
    GetDocumentRange(doc, &body, true);
    const QByteArray written = ExportRtf(body, QString(), 0).toLatin1();
    DestroyDocument(doc);
    return written;
  }();
  return rtf;
}

QString TempPath() { return QDir::temp().filePath(QStringLiteral("twdraw-bench-rtf-%1.rtf").arg(getpid())); }

const QString& OurFilePath() {
  static const QString path = [] {
    QFile out(TempPath());
    if (out.open(QIODevice::WriteOnly)) out.write(OurFile());
    std::atexit([] { QFile::remove(TempPath()); });
    return TempPath();
  }();
  return path;
}

// Our mean milliseconds per file, read by the unrtf run that follows.
std::map<QString, double> g_readerMs;

void ReadFile(benchmark::State& state, const QString& path) {
  SetUp();
  QFile in(path);
  if (!in.open(QIODevice::ReadOnly)) {
    state.SkipWithError("the file can't be read");
    return;
  }
  const QByteArray bytes = in.readAll();
  bool failed = false;
  g_readerMs[path] = MeanMs(state, [&] {
    CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
    if (ImportRtfCore(doc, bytes, 0, 0, QString(), nullptr) == RtfImportResult::kFailed) failed = true;
    DestroyDocument(doc);
  });
  if (failed) state.SkipWithError("the file was refused");
  state.SetBytesProcessed(state.iterations() * bytes.size());
}

void UnrtfFile(benchmark::State& state, const QString& path) {
  if (!PeerInstalled(kUnrtf)) {
    state.SkipWithError("unrtf is not installed");
    return;
  }
  const QByteArray file = QFileInfo(path).absoluteFilePath().toLocal8Bit();
  // unrtf writes the pictures it meets into the working folder: a scratch
  // one meanwhile.
  QTemporaryDir scratch;
  const QString folder = QDir::currentPath();
  if (!scratch.isValid() || !QDir::setCurrent(scratch.path())) {
    state.SkipWithError("no scratch folder");
    return;
  }
  // unrtf writes the text to the standard output: away with it meanwhile.
  fflush(stdout);
  const int saved = dup(STDOUT_FILENO);
  const int null = open("/dev/null", O_WRONLY);
  dup2(null, STDOUT_FILENO);
  bool failed = false;
  const double peerMs = MeanMs(state, [&] {
    if (!RunPeer(kUnrtf, {"--text", file})) failed = true;
  });
  dup2(saved, STDOUT_FILENO);
  close(saved);
  close(null);
  QDir::setCurrent(folder);
  if (failed) state.SkipWithError("unrtf failed");
  state.SetBytesProcessed(state.iterations() * QFile(path).size());
  const double ours = g_readerMs[path];
  if (ours > 0 && peerMs > 0) state.counters["reader_over_unrtf"] = ours / peerMs;
}

void BM_ReadOurFile(benchmark::State& state) { ReadFile(state, OurFilePath()); }
BENCHMARK(BM_ReadOurFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_UnrtfOurFile(benchmark::State& state) { UnrtfFile(state, OurFilePath()); }
BENCHMARK(BM_UnrtfOurFile)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_ExportOurFile(benchmark::State& state) {
  SetUp();
  CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
  ImportRtf(doc, OurFile(), 0, 0, QString(), nullptr);
  DocRange body;
  GetDocumentRange(doc, &body, true);
  for (auto _ : state) benchmark::DoNotOptimize(ExportRtf(body, QString(), 0).size());
  DestroyDocument(doc);
  state.SetBytesProcessed(state.iterations() * OurFile().size());
}
BENCHMARK(BM_ExportOurFile)->Unit(benchmark::kMillisecond)->UseRealTime();

// Each corpus file, ours then unrtf's, when the corpus is there.
const bool g_corpusRegistered = [] {
  // The corpus lies beside the checkout (this file is bench/rtf_reader.cpp in it).
  const QDir folder(QFileInfo(QStringLiteral(__FILE__)).absolutePath() +
                    QStringLiteral("/../../shared/corpora/rtf/pandoc"));
  for (const QString& name : folder.entryList({QStringLiteral("*.rtf")}, QDir::Files, QDir::Name)) {
    const QString path = folder.filePath(name);
    const std::string stem = QFileInfo(name).completeBaseName().toStdString();
    benchmark::RegisterBenchmark(("BM_ReadCorpus/" + stem).c_str(),
                                 [path](benchmark::State& state) { ReadFile(state, path); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
    benchmark::RegisterBenchmark(("BM_UnrtfCorpus/" + stem).c_str(),
                                 [path](benchmark::State& state) { UnrtfFile(state, path); })
        ->Unit(benchmark::kMillisecond)
        ->UseRealTime();
  }
  return true;
}();

}  // namespace
