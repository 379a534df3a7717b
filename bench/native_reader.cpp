// Reading the engine's native V2 documents: a generated file of about 10 MB
// (paragraphs with links, a run per paragraph, the text in runs between knot
// marks) read into a document and checked whole, beside the same file
// through `xmllint --stream --noout` as a reference for a streaming reader.
// The xmllint run, which comes last, shows our time over the peer's as the
// counter "reader_over_xmllint" (goal: at most 3).
#include <benchmark/benchmark.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QString>

#include "BenchApplication.h"
#include "BenchPeer.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/NativeReader.h"
#include "richtext/NativeTags.h"
#include "richtext/NativeWriter.h"
#include "support/ThreadStorage.h"

namespace {

constexpr qsizetype kTargetBytes = 10 * 1000 * 1000;

// The V2 text of a new document with its body replaced by `paragraphs`
// paragraphs, each holding a link (three knot marks) and a char run.
QString MakeDocument() {
  CorvaneDoc* empty = NewCorvaneDoc(kViewDocument);
  QString xml = WriteNativeV2(empty);
  // The body goes before the text's last run (its paragraph marks).
  const qsizetype last = xml.lastIndexOf(QStringLiteral("<run>"));
  const qsizetype lastEnd = xml.indexOf(QStringLiteral("</run>"), last);
  const auto tail = uint32_t(lastEnd - last - 5);
  const uint32_t bodyStart = empty->cpLimit - tail;
  DestroyDocument(empty);

  QString knots, runs, text;
  uint32_t cp = bodyStart;
  for (int n = 0; text.size() * 2 < kTargetBytes; ++n) {
    const QString before = QStringLiteral("Paragraph %1 has some words, &amp; a link ").arg(n);
    const QString url = QStringLiteral("https://example.org/%1").arg(n);
    const QString shown = QStringLiteral("shown text");
    const QString after = QStringLiteral(" and more words after it.\n");
    runs += QStringLiteral("<item>%1,2</item>\n").arg(cp);
    cp += uint32_t(before.size()) - 4;  // "&amp;" is one character
    knots += QStringLiteral("<knot cp=\"%1\" type=\"link\" kink=\"beg\"/>\n").arg(cp);
    knots += QStringLiteral("<knot cp=\"%1\" type=\"link\" kink=\"mid\"/>\n").arg(cp + 1 + uint32_t(url.size()));
    knots += QStringLiteral("<knot cp=\"%1\" type=\"link\" kink=\"end\"/>\n")
                 .arg(cp + 2 + uint32_t(url.size() + shown.size()));
    cp += 3 + uint32_t(url.size() + shown.size() + after.size());
    text += QStringLiteral("<run>") + before + QStringLiteral("</run><k0/><run>") + url +
            QStringLiteral("</run><k0/><run>") + shown + QStringLiteral("</run><k0/><run>") + after +
            QStringLiteral("</run>\n");
  }
  const uint32_t cpLimit = cp + tail;
  const qsizetype lengthStart = xml.indexOf(QStringLiteral("<length>"));
  const qsizetype lengthEnd = xml.indexOf(QStringLiteral("</length>"));
  xml.replace(lengthStart, lengthEnd - lengthStart,
              QStringLiteral("<length>%1,%2").arg(cpLimit - 1).arg(cpLimit));
  xml.replace(QStringLiteral("</knots>"), knots + QStringLiteral("</knots>"));
  // The char runs' element is the last "char" (styles name records by "char" too).
  xml.insert(xml.lastIndexOf(QStringLiteral("</char>")), runs);
  xml.insert(xml.lastIndexOf(QStringLiteral("<run>")), text);
  return xml;
}

const QString& DocumentPath() {
  static const QString path = [] {
    const QString file = QDir::temp().filePath(QStringLiteral("twdraw-bench-native-%1.cvnx").arg(getpid()));
    QFile out(file);
    if (out.open(QIODevice::WriteOnly)) out.write(MakeDocument().toUtf8());
    std::atexit([] { QFile::remove(QDir::temp().filePath(QStringLiteral("twdraw-bench-native-%1.cvnx").arg(getpid()))); });
    return file;
  }();
  return path;
}

// The mean milliseconds of our read in this process; 0 before it ran.
double g_readerMs = 0;

void BM_ReadNativeV2(benchmark::State& state) {
  EnsureBenchApplication();
  static const bool storage = AllocateThreadStorage(QString()) != nullptr;
  (void)storage;
  CreateCorvaneXmlDecoder();
  const QString& path = DocumentPath();
  const int64_t bytes = QFile(path).size();
  QString failure;
  g_readerMs = MeanMs(state, [&] {
    CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
    QString reason;
    if (!ReadNativeFile(doc, path, &reason)) failure = reason.isNull() ? QStringLiteral("no reason") : reason;
    DestroyDocument(doc);
  });
  if (!failure.isNull()) state.SkipWithError(("the document was not read: " + failure.toStdString()).c_str());
  state.SetBytesProcessed(state.iterations() * bytes);
}
BENCHMARK(BM_ReadNativeV2)->Unit(benchmark::kMillisecond)->UseRealTime();

void BM_XmllintStream(benchmark::State& state) {
  const QByteArray path = DocumentPath().toLocal8Bit();
  if (!PeerInstalled("/usr/bin/xmllint")) {
    state.SkipWithError("xmllint is not installed (libxml2-utils)");
    return;
  }
  bool failed = false;
  const double peerMs = MeanMs(state, [&] {
    if (!RunPeer("/usr/bin/xmllint", {"--stream", "--noout", path})) failed = true;
  });
  if (failed) state.SkipWithError("xmllint failed");
  state.SetBytesProcessed(state.iterations() * QFile(DocumentPath()).size());
  if (g_readerMs > 0 && peerMs > 0) state.counters["reader_over_xmllint"] = g_readerMs / peerMs;
}
BENCHMARK(BM_XmllintStream)->Unit(benchmark::kMillisecond)->UseRealTime();

}  // namespace
