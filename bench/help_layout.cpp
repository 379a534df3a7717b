// Laying out the shipped help, chapter by chapter, in a pane 600 points wide
// (as the help window shows a topic), beside QTextDocument laying out the
// same text at the same width, in one run. The help is the package the build
// writes beside the program (Help.ZEduzez in the build folder), read as the
// help window reads it. Ours lays out every line of a chapter (a pane
// confined to the chapter, tall enough for all of it); the peer gets the
// chapter's text as plain paragraphs in the help's body face at 12 points
// and lays it out afresh. "ours_over_peer" is the ratio; the longest
// chapter's run shows its share of a 60 Hz frame, "frame_share" (goal:
// under 1).
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QCoreApplication>
#include <QDir>
#include <QFont>
#include <QObject>
#include <QTextDocument>
#include <memory>
#include <string>
#include <vector>

#include "BenchApplication.h"
#include "BenchPeer.h"
#include "richtext/ContinuousView.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/CorvaneHost.h"
#include "richtext/Knots.h"
#include "richtext/NativeReader.h"
#include "richtext/NativeTags.h"
#include "richtext/Panes.h"
#include "richtext/TextAccess.h"
#include "support/DynamicArrays.h"
#include "support/TextDrawing.h"
#include "support/ThreadStorage.h"

namespace {

constexpr double kFrameMs = 1000.0 / 60.0;
constexpr double kPaneWidth = 600;
// Taller than any chapter, so that a chapter's lines all fit in the view.
constexpr double kPaneHeight = 1.0e6;
// The pane that shows one chapter.
constexpr int32_t kChapterPane = 3;
// The pane flag that lays out its range from the top, whatever it scrolled to.
constexpr int kWholeHeightFlag = 7;

enum Which { kAllChapters = 0, kLongestChapter = 1 };
double g_oursMs[2] = {};

// The package of the build this program belongs to: bench/ is one folder
// below it.
QString PackagePath() {
  return QDir(QCoreApplication::applicationDirPath()).absoluteFilePath(QStringLiteral("../Help.ZEduzez"));
}

// A host whose panes are 600 points wide.
class PaneHost : public CorvaneHost {
 public:
  PaneHost() { SetCorvaneHost(this); }
  ~PaneHost() override { SetCorvaneHost(nullptr); }
  void getViewRect(QRectF* rect, CorvaneDoc*, Pane* pane) override { *rect = pane ? m_rect : QRectF(); }
  void getVisibleViewRect(QRectF* rect, Pane* pane) override { *rect = pane ? m_rect : QRectF(); }

 private:
  QRectF m_rect{0, 0, kPaneWidth, kPaneHeight};
};

struct Help {
  Help() {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    CreateCorvaneXmlDecoder();
    doc = NewCorvaneDoc(kViewDocument);
    if (!ReadNativeFile(doc, PackagePath(), &reason, NativeSource::kOwn)) {
      if (reason.isEmpty()) reason = QStringLiteral("malformed");
      return;
    }
    // As the help window sets it: the text runs the view's width.
    doc->kind = kHelpDocument;
    doc->fitToWindow = 1;
    doc->docProps.ignorem = 1;
    doc->docProps.left = doc->docProps.top = doc->docProps.right = doc->docProps.bottom = 0;
    doc->hostWindow = &window;
    SetupPane(doc, &view, kChapterPane, 0);
    pane = CurrentPane(doc);
    pane->zoom = 1;
    pane->margin = 8;
    pane->paneFlags[kWholeHeightFlag] = 1;
    chapters = SizeOfDynamicCPArray(doc->chapterMarks);
    for (uint32_t i = 0; i < chapters; ++i) {
      const uint32_t first = KnotLimitCp(doc, CpAtIndex(doc->chapterMarks, i));
      const uint32_t limit = i + 1 < chapters ? CpAtIndex(doc->chapterMarks, i + 1) : doc->textLimit;
      QString text = RawTextString(doc, first, std::min(limit, doc->textLimit));
      // Marks and objects are no text; paragraphs end in a line break.
      text.remove(QChar(0)).remove(QChar(1)).remove(QChar(0xFFFC));
      text.replace(u'\r', u'\n');
      texts.push_back(text);
      if (text.size() > texts[longest].size()) longest = i;
    }
  }
  ~Help() { DestroyDocument(doc); }

  // Lays out every line of the chapter; the line count.
  uint32_t layOut(uint32_t chapter) {
    pane->chapterIndex = chapter;
    uint32_t lines = 0;
    CalculateLines(doc, pane, &lines);
    return lines;
  }

  PaneHost host;
  QObject window, view;
  CorvaneDoc* doc = nullptr;
  Pane* pane = nullptr;
  QString reason;
  uint32_t chapters = 0;
  uint32_t longest = 0;
  std::vector<QString> texts;
};

Help& TheHelp() {
  static Help help;
  return help;
}

std::vector<uint32_t> ChaptersOf(const Help& help, Which which) {
  if (which == kLongestChapter) return {help.longest};
  std::vector<uint32_t> all(help.chapters);
  for (uint32_t i = 0; i < help.chapters; ++i) all[i] = i;
  return all;
}

void BM_HelpCalculateLines(benchmark::State& state) {
  EnsureBenchApplication();
  Help& help = TheHelp();
  if (!help.reason.isEmpty() || help.chapters == 0) {
    const std::string why = ("no help package at " + PackagePath() + ": " + help.reason).toStdString();
    state.SkipWithError(why.c_str());
    return;
  }
  const auto which = Which(state.range(0));
  const std::vector<uint32_t> chapters = ChaptersOf(help, which);
  uint64_t lines = 0;
  const double ms = MeanMs(state, [&] {
    lines = 0;
    for (uint32_t chapter : chapters) lines += help.layOut(chapter);
  });
  g_oursMs[which] = ms;
  state.counters["ms"] = ms;
  state.counters["chapters"] = double(chapters.size());
  state.counters["lines"] = double(lines);
  if (which == kLongestChapter) {
    state.counters["chapter"] = help.longest;
    state.counters["frame_share"] = ms / kFrameMs;
  }
}
BENCHMARK(BM_HelpCalculateLines)
    ->ArgName("longest")
    ->Arg(kAllChapters)
    ->Arg(kLongestChapter)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);

// The peer: each chapter's text in a QTextDocument of the same width, laid
// out again from the start every run.
void BM_QTextDocumentLayout(benchmark::State& state) {
  EnsureBenchApplication();
  Help& help = TheHelp();
  if (!help.reason.isEmpty() || help.chapters == 0) {
    state.SkipWithError("no help package");
    return;
  }
  const auto which = Which(state.range(0));
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(12);
  std::vector<std::unique_ptr<QTextDocument>> documents;
  for (uint32_t chapter : ChaptersOf(help, which)) {
    auto document = std::make_unique<QTextDocument>();
    document->documentLayout()->setPaintDevice(TextReferenceDevice());
    document->setDefaultFont(font);
    document->setDocumentMargin(8);
    document->setPlainText(help.texts[chapter]);
    document->setTextWidth(kPaneWidth);
    benchmark::DoNotOptimize(document->documentLayout()->documentSize());
    documents.push_back(std::move(document));
  }
  double height = 0;
  const double ms = MeanMs(state, [&] {
    height = 0;
    for (auto& document : documents) {
      document->markContentsDirty(0, document->characterCount());
      height += document->documentLayout()->documentSize().height();
    }
  });
  state.counters["ms"] = ms;
  state.counters["height"] = height;
  const double ours = g_oursMs[which];
  if (ours > 0 && ms > 0) state.counters["ours_over_peer"] = ours / ms;
}
BENCHMARK(BM_QTextDocumentLayout)
    ->ArgName("longest")
    ->Arg(kAllChapters)
    ->Arg(kLongestChapter)
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);

}  // namespace
