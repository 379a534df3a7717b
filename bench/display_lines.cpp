// The display lines beside Qt's own rich-text layout, in one run:
// DocumentTotalHeight of a 200-page chapter (every line formatted and put in
// the pane's cache) beside QTextDocument sizing the same text at the same
// width; then DrawFormattedLine of one 1200 x 900 screen of formatted lines
// beside QTextDocument::drawContents of the same screen. Each peer runs after
// ours and shows "ours_over_peer" (goal: at most 1.5); the drawing also shows
// its share of a 60 Hz frame, "frame_share" (goal: under 0.5).
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QPainter>
#include <QTextDocument>
#include <memory>

#include "BenchApplication.h"
#include "BenchPeer.h"
#include "BenchRichText.h"
#include "richtext/CorvaneDoc.h"
#include "richtext/DisplayLines.h"
#include "richtext/DrawLine.h"
#include "richtext/FontNames.h"
#include "richtext/LineFormat.h"
#include "richtext/Panes.h"
#include "support/CSCore.h"
#include "support/DynamicArrays.h"
#include "support/GraphicsContext.h"
#include "support/TextDrawing.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBodyStart = kBenchBodyStart;
// About 3,000 characters a page.
constexpr uint32_t kChapterUnits = 200 * 3000;
constexpr uint32_t kPageWidthPoints = 612;  // a Letter page; its margins leave the text column
constexpr double kFrameMs = 1000.0 / 60.0;
constexpr QSize kScreen(1200, 900);
constexpr double kScreenTextWidth = 1176;  // the screen less the pane's margins

double g_heightMs = 0;
double g_drawMs = 0;

QString ChapterText(uint32_t units) {
  return BenchParagraphs({"display", "lines", "of", "a", "chapter", "laid", "out", "once", "and", "drawn", "again",
                          "when", "edits", "dirty", "them", "within", "reach", "the", "next", "line's", "start"},
                         units, 200, 900, 11);
}

const QString& Chapter() {
  static const QString text = ChapterText(kChapterUnits);
  return text;
}

// The screen's worth of text: enough paragraphs for 900 points of lines.
const QString& ScreenText() {
  static const QString text = ChapterText(12000);
  return text;
}

CorvaneDoc* DocumentWithText(const QString& body) {
  CorvaneDoc* doc = BenchDocumentWithText(body);
  doc->pageWidth = kPageWidthPoints;
  return doc;
}

QFont PeerFont() {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(12);
  return font;
}

void BM_DocumentTotalHeight(benchmark::State& state) {
  EnsureBenchApplication();
  if (!GetThreadStorage()) AllocateThreadStorage(QString());
  CorvaneDoc* doc = DocumentWithText(Chapter());
  Pane* pane = CurrentPane(doc);
  double height = 0;
  g_heightMs = MeanMs(state, [&] { height = DocumentTotalHeight(doc, pane); });
  state.counters["lines"] = double(SizeOfDynamicCPArray(pane->displayLines));
  state.counters["height"] = height;
  state.counters["width_pt"] = double(DraftWidth(doc, pane)) / 12700.0;
  state.counters["ms"] = g_heightMs;
  DestroyDocument(doc);
}
BENCHMARK(BM_DocumentTotalHeight)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_QTextDocumentHeight(benchmark::State& state) {
  EnsureBenchApplication();
  if (!GetThreadStorage()) AllocateThreadStorage(QString());
  CorvaneDoc* doc = DocumentWithText(QStringLiteral("x"));
  const double width = double(DraftWidth(doc, CurrentPane(doc))) / 12700.0;
  DestroyDocument(doc);
  double height = 0;
  const double peerMs = MeanMs(state, [&] {
    QTextDocument document;
    document.documentLayout()->setPaintDevice(TextReferenceDevice());
    document.setDefaultFont(PeerFont());
    document.setDocumentMargin(0);
    document.setPlainText(Chapter());
    document.setTextWidth(width);
    height = document.documentLayout()->documentSize().height();
  });
  state.counters["height"] = height;
  state.counters["ms"] = peerMs;
  if (g_heightMs > 0 && peerMs > 0) state.counters["ours_over_peer"] = g_heightMs / peerMs;
}
BENCHMARK(BM_QTextDocumentHeight)->Unit(benchmark::kMillisecond)->Iterations(3);

void BM_DrawFormattedLineScreen(benchmark::State& state) {
  EnsureBenchApplication();
  if (!GetThreadStorage()) AllocateThreadStorage(QString());
  CorvaneDoc* doc = DocumentWithText(ScreenText());
  Pane* pane = CurrentPane(doc);
  // The screen's lines, formatted once as the continuous view keeps them.
  std::vector<std::unique_ptr<LineFormat>> lines;
  std::vector<QRectF> rects;
  double y = 12;
  for (uint32_t cp = kBodyStart; cp < doc->textLimit && y < kScreen.height();) {
    auto line = std::make_unique<LineFormat>();
    InitFormatLine(doc, pane, line.get(), kLineKeepRuns);
    FormatLine(cp, int64_t(kScreenTextWidth * 12700), line.get());
    rects.emplace_back(12, y, kScreenTextWidth, line->lineHeight);
    y += line->lineHeight;
    cp = std::max(line->endCp, cp + 1);
    lines.push_back(std::move(line));
  }
  QImage image(kScreen, QImage::Format_ARGB32_Premultiplied);
  const QRectF screen(QPointF(0, 0), QSizeF(kScreen));
  g_drawMs = MeanMs(state, [&] {
    image.fill(Qt::white);
    QPainter painter(&image);
    GraphicsContextScope scope(&painter);
    for (size_t i = 0; i < lines.size(); ++i) DrawFormattedLine(lines[i].get(), 0, g_nilKolor, nullptr, rects[i], screen);
  });
  for (auto& line : lines) ReleaseLineFormat(line.get());
  DestroyDocument(doc);
  state.counters["lines"] = double(lines.size());
  state.counters["ms"] = g_drawMs;
  state.counters["frame_share"] = g_drawMs / kFrameMs;
}
BENCHMARK(BM_DrawFormattedLineScreen)->Unit(benchmark::kMillisecond)->Iterations(20);

void BM_QTextDocumentDrawScreen(benchmark::State& state) {
  EnsureBenchApplication();
  QTextDocument document;
  document.documentLayout()->setPaintDevice(TextReferenceDevice());
  document.setDefaultFont(PeerFont());
  document.setDocumentMargin(12);
  document.setPlainText(ScreenText());
  document.setTextWidth(kScreenTextWidth + 24);
  benchmark::DoNotOptimize(document.documentLayout()->documentSize());
  QImage image(kScreen, QImage::Format_ARGB32_Premultiplied);
  const double peerMs = MeanMs(state, [&] {
    image.fill(Qt::white);
    QPainter painter(&image);
    document.drawContents(&painter, QRectF(QPointF(0, 0), QSizeF(kScreen)));
  });
  state.counters["ms"] = peerMs;
  if (g_drawMs > 0 && peerMs > 0) state.counters["ours_over_peer"] = g_drawMs / peerMs;
}
BENCHMARK(BM_QTextDocumentDrawScreen)->Unit(benchmark::kMillisecond)->Iterations(20);

}  // namespace
