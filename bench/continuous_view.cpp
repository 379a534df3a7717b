// The continuous view beside Qt's own rich-text drawing, in one run: a
// 1200 x 900 pixel view at zoom 1 and 2 drawn whole (every cached line
// formatted again and drawn, as a paint event does), scrolled one line and
// one page (the scroll and the redraw it causes). Each peer runs after ours:
// QTextDocument::drawContents of the same text over the same pixels, its
// layout made beforehand, scrolled by the same heights. Ours shows its share
// of a 60 Hz frame, "frame_share" (goal: under 0.5); the peer shows
// "ours_over_peer" (goal: at most 1.5).
#include <benchmark/benchmark.h>

#include <QAbstractTextDocumentLayout>
#include <QImage>
#include <QObject>
#include <QPainter>
#include <QTextDocument>
#include <map>

#include "BenchApplication.h"
#include "BenchPeer.h"
#include "BenchRichText.h"
#include "richtext/ContinuousView.h"
#include "richtext/CorvaneHost.h"
#include "richtext/DisplayLines.h"
#include "richtext/Panes.h"
#include "support/DynamicArrays.h"
#include "support/GraphicsContext.h"
#include "support/TextDrawing.h"
#include "support/ThreadStorage.h"

namespace {

constexpr double kFrameMs = 1000.0 / 60.0;
constexpr QSize kScreen(1200, 900);
constexpr double kMargin = 12;  // the pane's margin at zoom 1
constexpr uint32_t kTextUnits = 400000;

enum Action { kDraw = 0, kLine = 1, kPage = 2 };
std::map<std::pair<int, int>, double> g_oursMs;

QString ViewText() {
  return BenchParagraphs({"the", "continuous", "view", "draws", "lines", "of", "a", "pane", "from", "its", "first",
                          "cp", "down", "and", "scrolls", "by", "lines", "or", "pages", "again", "when"},
                         kTextUnits, 150, 700, 7);
}

const QString& Text() {
  static const QString text = ViewText();
  return text;
}

// A host whose panes show the screen at the zoom, in points.
class BenchViewHost : public CorvaneHost {
 public:
  explicit BenchViewHost(double zoom) : m_rect(0, 0, kScreen.width() / zoom, kScreen.height() / zoom) {
    SetCorvaneHost(this);
  }
  ~BenchViewHost() override { SetCorvaneHost(nullptr); }
  void getViewRect(QRectF* rect, CorvaneDoc*, Pane* pane) override { *rect = pane ? m_rect : QRectF(); }
  void getVisibleViewRect(QRectF* rect, Pane* pane) override { *rect = pane ? m_rect : QRectF(); }

 private:
  QRectF m_rect;
};

struct View {
  explicit View(double zoom) : host(zoom) {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    doc = BenchDocumentWithText(Text());
    doc->hostWindow = &window;
    doc->fitToWindow = 1;
    SetupPane(doc, &widget, 1, kNoCpValue);
    pane = CurrentPane(doc);
    pane->zoom = float(zoom);
    image.fill(Qt::white);
  }
  ~View() { DestroyDocument(doc); }

  void draw(double zoom) {
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(zoom, zoom);
    GraphicsContextScope scope(&painter);
    DrawDraftView(doc, pane, QRectF(0, 0, kScreen.width() / zoom, kScreen.height() / zoom));
  }

  BenchViewHost host;
  QObject window, widget;
  CorvaneDoc* doc = nullptr;
  Pane* pane = nullptr;
  QImage image{kScreen, QImage::Format_ARGB32_Premultiplied};
};

void BM_ContinuousView(benchmark::State& state) {
  EnsureBenchApplication();
  const int zoom = int(state.range(0));
  const auto action = Action(state.range(1));
  View view(zoom);
  view.draw(zoom);
  const uint32_t nearEnd = view.doc->textLimit - 20000;
  const double ms = MeanMs(state, [&] {
    if (action != kDraw) {
      if (uint32_t(view.pane->firstCp) > nearEnd)
        ScrollVertDraft(view.doc, view.pane, int32_t(kBenchBodyStart), kScrollToCp);
      ScrollVertDraft(view.doc, view.pane, 1, action == kLine ? kScrollByLine : kScrollByPage);
    }
    view.draw(zoom);
  });
  g_oursMs[{zoom, int(action)}] = ms;
  state.counters["ms"] = ms;
  state.counters["frame_share"] = ms / kFrameMs;
  state.counters["lines"] = double(SizeOfDynamicCPArray(view.pane->displayLines));
  state.counters["first_cp"] = view.pane->firstCp;  // where the scrolls got to
}
BENCHMARK(BM_ContinuousView)
    ->ArgNames({"zoom", "action"})
    ->ArgsProduct({{1, 2}, {kDraw, kLine, kPage}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);

// The peer: the same text over the same pixels; a scroll moves the drawn
// rectangle down by a line or a page of the peer's own layout.
void BM_QTextDocumentView(benchmark::State& state) {
  EnsureBenchApplication();
  const int zoom = int(state.range(0));
  const auto action = Action(state.range(1));
  QTextDocument document;
  document.documentLayout()->setPaintDevice(TextReferenceDevice());
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(12);
  document.setDefaultFont(font);
  document.setDocumentMargin(kMargin / zoom);
  document.setPlainText(Text());
  document.setTextWidth(kScreen.width() / double(zoom));
  const double height = document.documentLayout()->documentSize().height();
  const double lineHeight = QFontMetricsF(font, TextReferenceDevice()).lineSpacing();
  const QSizeF visible(kScreen.width() / double(zoom), kScreen.height() / double(zoom));
  const double step = action == kLine ? lineHeight : action == kPage ? visible.height() - lineHeight : 0;
  QImage image(kScreen, QImage::Format_ARGB32_Premultiplied);
  double top = 0;
  const double ms = MeanMs(state, [&] {
    top += step;
    if (top + visible.height() > height) top = 0;
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.scale(zoom, zoom);
    painter.translate(0, -top);
    document.drawContents(&painter, QRectF(QPointF(0, top), visible));
  });
  state.counters["ms"] = ms;
  const double ours = g_oursMs[{zoom, int(action)}];
  if (ours > 0 && ms > 0) state.counters["ours_over_peer"] = ours / ms;
}
BENCHMARK(BM_QTextDocumentView)
    ->ArgNames({"zoom", "action"})
    ->ArgsProduct({{1, 2}, {kDraw, kLine, kPage}})
    ->Unit(benchmark::kMillisecond)
    ->Iterations(30);

}  // namespace
