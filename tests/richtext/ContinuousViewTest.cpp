#include <gtest/gtest.h>

#include <QObject>
#include <QPainter>
#include <cmath>
#include <memory>
#include <vector>

#include "ImageCompare.h"
#include "richtext/ContinuousView.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/DisplayLines.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/FontNames.h"
#include "richtext/Panes.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RichTextBuilder.h"
#include "richtext/TextServices.h"
#include "support/DynamicArrays.h"
#include "support/ThreadStorage.h"

namespace {

constexpr uint32_t kBody = RichTextBuilder::kBodyStart;
constexpr int64_t kPt = 12700;

// Counts what the view reports to its host.
class ViewHost : public FakeCorvaneHost {
 public:
  void noteNewScrollPosition(CorvaneDoc*, Pane*) override { ++scrollReports; }
  void noteDraftHeightChanged(CorvaneDoc*, Pane*) override { ++heightReports; }
  void ensureDraftRectIsVisible(CorvaneDoc*, const QRectF& rect) override { shown.append(rect); }
  int scrollReports = 0;
  int heightReports = 0;
  QList<QRectF> shown;
};

struct CachedLine {
  uint32_t cp;
  double top, height;
  bool operator==(const CachedLine&) const = default;
};

class ContinuousViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    Build(Paragraphs(30));
  }

  static QString Paragraphs(int count) {
    QString text;
    for (int i = 0; i < count; ++i) text += QStringLiteral("Paragraph %1 of the view.\n").arg(i);
    return text;
  }

  // The text in 12-point DejaVu Sans; `tallFirst` makes the first
  // paragraph's lines 100 points tall.
  void Build(const QString& text, bool tallFirst = false, int32_t kind = kViewDocument) {
    made = std::make_unique<RichTextBuilder>(kind);
    doc = made->doc();
    made->text(text);
    Properties chars;
    InitProperties(kCharProperties, &chars, nullptr);
    chars.body.charProps.font = IndexOfFont(QStringLiteral("DejaVu Sans"));
    chars.body.charProps.size = 48;
    chars.body.charProps.color = kBlackKolor;
    made->charRun(kBody, IndexForProperties(doc, &chars));
    if (tallFirst) {
      Properties tall;
      InitProperties(kParaProperties, &tall, nullptr);
      tall.body.para.height = 100 * kPt;
      Properties plain;
      InitProperties(kParaProperties, &plain, nullptr);
      const uint32_t secondParagraph = kBody + uint32_t(text.indexOf(u'\n')) + 1;
      made->paraRun(kBody, IndexForProperties(doc, &tall));
      made->paraRun(secondParagraph, IndexForProperties(doc, &plain));
    }
    doc->hostWindow = &window;
    doc->fitToWindow = 1;
    ASSERT_TRUE(SetupPane(doc, &view, 1, kNoCpValue));
    pane = CurrentPane(doc);
    pane->paneFlags[3] = 1;  // hasDisplay
  }

  QImage Draw(const QRectF& update) {
    return RenderInContext(host.viewRect.size().toSize(), [&](QPainter&) { DrawDraftView(doc, pane, update); });
  }
  QImage DrawAll() { return Draw(host.viewRect); }

  std::vector<CachedLine> Cache() const {
    std::vector<CachedLine> lines;
    for (uint32_t i = 0; i < SizeOfDynamicCPArray(pane->displayLines); ++i) {
      const DisplayLine* line = DisplayLineAtIndex(pane->displayLines, i);
      lines.push_back({CpAtIndex(pane->displayLines, i), line->top, line->height});
    }
    return lines;
  }

  double FontStep() const {
    CharProps chars;
    FetchCharProps(doc, nullptr, kBody, &chars);
    return std::ceil(LineMetricsForFont(chars, nullptr));
  }

  QRectF WholeWidth(const CachedLine& line) const {
    return QRectF(host.viewRect.left(), line.top, host.viewRect.width(), line.height);
  }

  ViewHost host;
  std::unique_ptr<RichTextBuilder> made;
  CorvaneDoc* doc = nullptr;
  Pane* pane = nullptr;
  QObject window, view;
};

TEST_F(ContinuousViewTest, DrawingCachesExactlyTheLinesDrawnAndReusesThem) {
  const QImage first = DrawAll();
  const std::vector<CachedLine> lines = Cache();
  ASSERT_GT(lines.size(), 3u);
  EXPECT_EQ(lines.front().cp, kBody);
  EXPECT_EQ(lines.front().top, 0.0);
  for (size_t i = 1; i < lines.size(); ++i) {
    EXPECT_DOUBLE_EQ(lines[i].top, lines[i - 1].top + lines[i - 1].height) << i;
    EXPECT_LT(lines[i].top, 300.0) << i;
  }
  // The last line reaches the view's bottom, the one before it does not.
  EXPECT_GE(lines.back().top + lines.back().height, 300.0);
  EXPECT_LT(lines[lines.size() - 2].top + lines[lines.size() - 2].height, 300.0);
  EXPECT_LT(MaxCp(pane->displayLines), doc->textLimit);
  // Every cached line was drawn.
  for (const CachedLine& line : lines) {
    const QRect band(0, int(line.top) + 1, 400, std::max(1, int(std::min(line.height, 300 - line.top)) - 2));
    EXPECT_FALSE(InkBounds(first, band).isEmpty()) << line.cp;
  }
  EXPECT_EQ(host.scrollReports, 1);

  const QImage second = DrawAll();
  EXPECT_EQ(Cache(), lines);
  EXPECT_EQ(host.scrollReports, 1);  // no new lines were laid out
  EXPECT_TRUE(ImagesMatch(second, first, 0, "cv_redraw"));
}

TEST_F(ContinuousViewTest, UpdateRectangleDrawsOnlyTheLinesItMeets) {
  DrawAll();
  const std::vector<CachedLine> lines = Cache();
  const CachedLine& third = lines[2];
  const QImage image = Draw(QRectF(0, third.top, 400, third.height));
  EXPECT_EQ(Cache(), lines);
  const QRect ink = InkBounds(image);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GE(ink.top(), int(third.top));
  EXPECT_LE(ink.bottom(), int(std::ceil(third.top + third.height)));
}

TEST_F(ContinuousViewTest, CalculateLinesFillsTheCacheWithoutDrawing) {
  uint32_t count = 0;
  const QImage image =
      RenderInContext(QSize(400, 300), [&](QPainter&) { ASSERT_TRUE(CalculateLines(doc, pane, &count)); });
  EXPECT_TRUE(InkBounds(image).isEmpty());
  const std::vector<CachedLine> calculated = Cache();
  EXPECT_EQ(count, calculated.size());
  TrashDraft(doc, pane, false);
  DrawAll();
  EXPECT_EQ(Cache(), calculated);
}

TEST_F(ContinuousViewTest, RefreshAfterEditRedrawsOnlyTheDirtiedLines) {
  Build(QString("one two three four five six seven eight nine ten eleven twelve\n").repeated(12));
  host.viewRect = host.visibleRect = QRectF(0, 0, 200, 300);
  DrawAll();
  const std::vector<CachedLine> lines = Cache();
  ASSERT_GT(lines.size(), 6u);
  // The middle of the fourth line, far from its neighbours' reach.
  const uint32_t middle = (lines[3].cp + lines[4].cp) / 2;
  const DocRange range{doc, middle, middle + 1};
  InvalText(&range, false);
  QList<QRectF> expected;
  for (uint32_t i = 0; i < lines.size(); ++i) {
    if (DisplayLineAtIndex(pane->displayLines, i)->dirty) expected.append(WholeWidth(lines[i]));
  }
  ASSERT_FALSE(expected.isEmpty());
  ASSERT_LT(expected.size(), 3);
  host.invalidations.clear();
  InvalAfterEditDraft(doc, pane);
  EXPECT_EQ(host.invalidations, expected);
  EXPECT_EQ(Cache(), lines);
  for (uint32_t i = 0; i < lines.size(); ++i) EXPECT_EQ(DisplayLineAtIndex(pane->displayLines, i)->dirty, 0) << i;
}

TEST_F(ContinuousViewTest, RefreshAfterTheTextShrankRedrawsWhereItsLinesWere) {
  DrawAll();
  const std::vector<CachedLine> lines = Cache();
  // The text loses all but its first three paragraphs; as after a deletion,
  // their entries are gone and the line before them is dirty.
  made->text(Paragraphs(3));
  SetDynamicCPArrayCount(pane->displayLines, 3, doc->textLimit);
  DisplayLineAtIndex(pane->displayLines, 2)->dirty = 1;
  host.invalidations.clear();
  InvalAfterEditDraft(doc, pane);
  ASSERT_EQ(Cache().size(), 3u);
  QRectF redrawn;
  for (const QRectF& rect : host.invalidations) redrawn = redrawn.united(rect);
  EXPECT_LE(redrawn.top(), lines[2].top);
  EXPECT_GE(redrawn.bottom(), lines[2].top + lines[2].height);
  EXPECT_GE(redrawn.bottom(), 300.0);  // down to where the old lines ended
}

TEST_F(ContinuousViewTest, TallFirstLineScrollsByTheFontsLineHeight) {
  Build(QStringLiteral("A tall first line\n") + Paragraphs(20), true);
  DrawAll();
  ASSERT_EQ(Cache().front().height, 100.0);
  const double step = FontStep();
  ASSERT_GT(step, 0.0);
  ScrollVertDraft(doc, pane, 1, kScrollByLine);
  EXPECT_EQ(pane->firstCp, int32_t(kBody));
  EXPECT_EQ(pane->topOffset, step);
  DrawAll();
  EXPECT_EQ(Cache().front().top, -step);

  // Step by step through the line, then on to the next one.
  const uint32_t second = Cache()[1].cp;
  int steps = 1;
  while (pane->firstCp == int32_t(kBody) && steps < 20) {
    ScrollVertDraft(doc, pane, 1, kScrollByLine);
    ++steps;
  }
  EXPECT_EQ(pane->firstCp, int32_t(second));
  EXPECT_EQ(pane->topOffset, 0.0f);
  // One step for each offset below the line's height, one more to leave it.
  EXPECT_EQ(steps, int(std::ceil(100.0 / step)));

  // Up again: into the tall line's last step.
  ScrollVertDraft(doc, pane, 0, kScrollByLine);
  EXPECT_EQ(pane->firstCp, int32_t(kBody));
  EXPECT_EQ(pane->topOffset, 100.0 - step);
}

TEST_F(ContinuousViewTest, ScrollingByLines) {
  DrawAll();
  const std::vector<CachedLine> lines = Cache();
  host.invalidations.clear();
  // Up at the range's first cp with no offset changes nothing.
  ScrollVertDraft(doc, pane, 0, kScrollByLine);
  EXPECT_EQ(pane->firstCp, int32_t(kBody));
  EXPECT_EQ(pane->topOffset, 0.0f);
  EXPECT_EQ(Cache(), lines);
  EXPECT_TRUE(host.invalidations.isEmpty());

  ScrollVertDraft(doc, pane, 1, kScrollByLine);
  EXPECT_EQ(pane->firstCp, int32_t(lines[1].cp));
  EXPECT_FALSE(host.invalidations.isEmpty());
  ScrollVertDraft(doc, pane, 1, kScrollByLine);
  EXPECT_EQ(pane->firstCp, int32_t(lines[2].cp));
  ScrollVertDraft(doc, pane, -1, kScrollByLine);
  EXPECT_EQ(pane->firstCp, int32_t(lines[1].cp));
  DrawAll();
  EXPECT_EQ(Cache().front().cp, lines[1].cp);
  EXPECT_EQ(Cache().front().top, 0.0);
}

TEST_F(ContinuousViewTest, ScrollingStaysInsideTheRange) {
  Build(Paragraphs(3));
  DrawAll();
  for (int i = 0; i < 10; ++i) ScrollVertDraft(doc, pane, 1, kScrollByLine);
  // The last line at the top, never past it.
  const uint32_t lastLine = DraftLineStart(doc, pane, doc->textLimit - 1, kLineStartCp);
  EXPECT_EQ(pane->firstCp, int32_t(lastLine));
  for (int i = 0; i < 10; ++i) ScrollVertDraft(doc, pane, 1, kScrollByPage);
  EXPECT_EQ(pane->firstCp, int32_t(lastLine));
  ScrollVertDraft(doc, pane, int32_t(doc->cpLimit + 100), kScrollToCp);
  EXPECT_EQ(pane->firstCp, int32_t(lastLine));
  for (int i = 0; i < 10; ++i) ScrollVertDraft(doc, pane, -1, kScrollByPage);
  EXPECT_EQ(pane->firstCp, int32_t(kBody));
}

TEST_F(ContinuousViewTest, PageDownPutsTheSecondOfThreeLinesOnTopWhenTheLastIsCut) {
  DrawAll();
  const std::vector<CachedLine> all = Cache();
  // A view three lines tall, the third cut.
  host.viewRect = host.visibleRect = QRectF(0, 0, 400, all[0].height * 2.5);
  TrashDraft(doc, pane, false);
  DrawAll();
  ASSERT_EQ(Cache().size(), 3u);
  ScrollVertDraft(doc, pane, 1, kScrollByPage);
  EXPECT_EQ(pane->firstCp, int32_t(all[1].cp));
  EXPECT_EQ(pane->topOffset, 0.0f);
  // And a page back up returns to the top.
  ScrollVertDraft(doc, pane, -1, kScrollByPage);
  EXPECT_EQ(pane->firstCp, int32_t(kBody));

  // With the page-down lock set, a line scroll moves by a page and clears it.
  SetDraftScrollLock(doc, 2);
  ScrollVertDraft(doc, pane, 1, kScrollByLine);
  EXPECT_EQ(pane->firstCp, int32_t(all[1].cp));
  EXPECT_EQ(DraftScrollLock(doc), 0u);
}

TEST_F(ContinuousViewTest, PagesThroughAWrappedParagraph) {
  Build(QString("words that wrap over many lines of a narrow view ").repeated(40) + "\n");
  host.viewRect = host.visibleRect = QRectF(0, 0, 200, 100);
  DrawAll();
  const uint32_t topLine = Cache().front().cp;
  ScrollVertDraft(doc, pane, 1, kScrollByPage);
  const int32_t afterOne = pane->firstCp;
  EXPECT_GT(afterOne, int32_t(topLine));
  ScrollVertDraft(doc, pane, 1, kScrollByPage);
  EXPECT_GT(pane->firstCp, afterOne);
  ScrollVertDraft(doc, pane, -1, kScrollByPage);
  EXPECT_LE(pane->firstCp, afterOne);
  EXPECT_GT(pane->firstCp, int32_t(topLine));
  // Every first cp a scroll chose starts a display line.
  EXPECT_EQ(DraftLineStart(doc, pane, uint32_t(pane->firstCp), kLineStartCp), uint32_t(pane->firstCp));
}

TEST_F(ContinuousViewTest, LineCountForScrollHeightStaysWithinOneAndForty) {
  DrawAll();
  const std::vector<CachedLine> lines = Cache();
  EXPECT_EQ(LineCountForScrollHeight(doc, pane, lines[0].height + lines[1].height), 2u);
  EXPECT_EQ(LineCountForScrollHeight(doc, pane, lines[0].height + 0.5), 2u);
  const double heights[] = {0, 1, -1, 1e9, -1e9, INFINITY, -INFINITY, NAN};
  const auto check = [&](const char* state) {
    for (double height : heights) {
      const uint32_t count = LineCountForScrollHeight(doc, pane, height);
      EXPECT_GE(count, 1u) << state << " " << height;
      EXPECT_LE(count, 40u) << state << " " << height;
    }
  };
  check("top");
  ScrollVertDraft(doc, pane, 1, kScrollByPage);
  check("scrolled");
  EXPECT_EQ(LineCountForScrollHeight(doc, pane, -(lines[0].height + lines[1].height)), 2u);
  // An offset into a line too short to step through: a step of 0 counts 1.
  pane->topOffset = 3;
  check("offset");
  EXPECT_EQ(LineCountForScrollHeight(doc, pane, 1e9), 40u);
  ClearDynamicCPArray(pane->displayLines, doc->textLimit);
  check("empty");
  pane->paneFlags[7] = 1;
  EXPECT_EQ(LineCountForScrollHeight(doc, pane, 500), 1u);

  Build(QStringLiteral("A tall first line\n") + Paragraphs(20), true);
  DrawAll();
  ScrollVertDraft(doc, pane, 1, kScrollByLine);
  ASSERT_GT(pane->topOffset, 0.0f);
  EXPECT_EQ(LineCountForScrollHeight(doc, pane, 3 * FontStep()), 3u);
}

TEST_F(ContinuousViewTest, TallLineStepIsNeverBelowOne) {
  Build(QStringLiteral("A tall first line\n") + Paragraphs(5), true);
  DrawAll();
  struct Case {
    int32_t cp;
    double height;
    bool steps;
  } cases[] = {{-1, 100, false},
               {int32_t(kBody), 55.9, false},
               {int32_t(kBody), 56, true},
               {int32_t(kBody), 100, true},
               {int32_t(kBody), NAN, false}};
  for (const Case& c : cases) {
    const double step = TallLinePartialScroll(doc, pane, c.cp, c.height);
    if (c.steps)
      EXPECT_GE(step, 1.0) << c.height;
    else
      EXPECT_EQ(step, 0.0) << c.height;
  }
}

TEST_F(ContinuousViewTest, PrintRectangleLeavesACutLineForTheNext) {
  DrawAll();
  const std::vector<CachedLine> lines = Cache();
  TrashDraft(doc, pane, false);
  pane->paneFlags[1] = 1;  // unclipped
  const CachedLine& cut = lines[3];
  const double pageBottom = cut.top + cut.height / 2;
  const QImage page = Draw(QRectF(0, 0, 400, pageBottom));
  const QRect ink = InkBounds(page);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_LE(ink.bottom(), int(std::ceil(cut.top)));
  EXPECT_FALSE(InkBounds(page, QRect(0, int(lines[2].top), 400, int(lines[2].height))).isEmpty());
  // The next rectangle begins at the cut line and draws it.
  const QImage next = Draw(QRectF(0, cut.top, 400, 300 - cut.top));
  EXPECT_FALSE(InkBounds(next, QRect(0, int(cut.top), 400, int(cut.height))).isEmpty());
  EXPECT_TRUE(InkBounds(next, QRect(0, 0, 400, int(cut.top) - 1)).isEmpty());

  // A line taller than the whole rectangle is drawn anyway.
  Build(QStringLiteral("A tall first line\n") + Paragraphs(5), true);
  pane->paneFlags[1] = 1;
  const QImage tall = Draw(QRectF(0, 0, 400, 50));
  EXPECT_FALSE(InkBounds(tall).isEmpty());
}

TEST_F(ContinuousViewTest, ExtraSpacingBandAboveTheFirstLine) {
  ScopedCorvaneConfig config;
  ConfigureCorvaneForHelp();
  struct Case {
    int32_t kind;
    bool everywhere;
    float zoom;
    double top;
  } cases[] = {{kHelpDocument, false, 1, 6},
               {kHelpDocument, false, 2, 3},
               {kViewDocument, false, 1, 0},
               {kViewDocument, true, 1, 6}};
  for (const Case& c : cases) {
    g_corvaneConfig.extraSpacingEverywhere = c.everywhere;
    Build(Paragraphs(30), false, c.kind);
    pane->zoom = c.zoom;
    DrawAll();
    EXPECT_DOUBLE_EQ(Cache().front().top, c.top) << c.kind << c.zoom;
    uint32_t count = 0;
    ASSERT_TRUE(CalculateLines(doc, pane, &count));
    EXPECT_DOUBLE_EQ(Cache().front().top, c.top) << c.kind << c.zoom;
    DisplayLineAtIndex(pane->displayLines, 0)->dirty = 1;
    InvalAfterEditDraft(doc, pane);
    EXPECT_DOUBLE_EQ(Cache().front().top, c.top) << c.kind << c.zoom;
  }
}

TEST_F(ContinuousViewTest, DraftLineStartFindsLineEdges) {
  Build(QString("words that wrap over the lines of a narrow view ").repeated(6) + "\nnext\n");
  host.viewRect = host.visibleRect = QRectF(0, 0, 200, 300);
  DrawAll();
  const std::vector<CachedLine> lines = Cache();
  ASSERT_GT(lines.size(), 3u);
  const uint32_t next = kBody + uint32_t(QString("words that wrap over the lines of a narrow view ").size() * 6) + 1;
  uint32_t lastOfParagraph = 0;
  for (const CachedLine& line : lines) {
    if (line.cp < next) lastOfParagraph = line.cp;
  }
  struct Case {
    uint32_t cp;
    int32_t which;
    uint32_t expected;
  } cases[] = {
      {lines[1].cp + 3, kLineStartCp, lines[1].cp},
      {lines[1].cp, kLineStartCp, lines[1].cp},
      {lines[1].cp + 3, kNextLineCp, lines[2].cp},
      {lines[1].cp + 3, kLineLastCp, lines[2].cp},   // a wrapped line ends where the next begins
      {lastOfParagraph + 1, kLineLastCp, next - 1},  // before the paragraph mark
      {next + 1, kLineStartCp, next},
      {kBody, kLineStartCp, kBody},
  };
  for (const Case& c : cases) EXPECT_EQ(DraftLineStart(doc, pane, c.cp, c.which), c.expected) << c.cp << " " << c.which;
}

TEST_F(ContinuousViewTest, TrashingTheDisplay) {
  DrawAll();
  const int32_t shown = int32_t(Cache()[2].cp);
  pane->firstCp = shown;
  host.invalidations.clear();
  pane->paneFlags[3] = 0;
  TrashDisplayForPane(doc, pane);
  EXPECT_TRUE(host.invalidations.isEmpty());
  pane->paneFlags[3] = 1;
  TrashDisplayForPane(doc, pane);
  EXPECT_EQ(host.invalidations, QList<QRectF>{host.viewRect});
  EXPECT_TRUE(Cache().empty());
  EXPECT_EQ(pane->firstCp, shown);

  AdjustSubviewPane(doc, pane);
  EXPECT_EQ(pane->firstCp, int32_t(kBody));
  EXPECT_EQ(pane->anchor, int32_t(kBody));
  EXPECT_EQ(pane->end, int32_t(kBody));
  EXPECT_EQ(doc->overridePane, nullptr);

  // A first cp past the range goes back to its start.
  pane->firstCp = int32_t(doc->cpLimit + 5);
  TrashDraft(doc, pane, false);
  EXPECT_EQ(pane->firstCp, int32_t(kBody));
}

TEST_F(ContinuousViewTest, AutoScrollFollowsTheDragOutsideTheVisibleRect) {
  host.visibleRect = QRectF(0, 0, 400, 300);
  using Scroll = FakeCorvaneHost::Scroll;
  struct Case {
    double x, y;
    QList<Scroll> scrolls;
  } cases[] = {
      {200, 150, {}},
      {5, 150, {{pane, false, 3, true}}},  // left of the margin
      {400, 150, {{pane, false, 0, true}}},
      {200, -1, {{pane, true, 3, true}}},
      {200, 300, {{pane, true, 0, true}}},
      {-5, -5, {}},  // outside both: no direction wins
  };
  for (const Case& c : cases) {
    host.scrolls.clear();
    AutoScrollDraft(pane, c.x, c.y);
    EXPECT_EQ(host.scrolls, c.scrolls) << c.x << "," << c.y;
  }
}

TEST_F(ContinuousViewTest, WholeHeightPaneAsksTheHostToShowTheCp) {
  pane->paneFlags[7] = 1;
  host.viewRect = QRectF(0, 0, 400, 2000);
  DrawAll();
  const std::vector<CachedLine> lines = Cache();
  ASSERT_GT(lines.size(), 20u);
  const int32_t first = pane->firstCp;
  ScrollVertDraft(doc, pane, int32_t(lines[20].cp + 2), kScrollToCp);
  EXPECT_EQ(pane->firstCp, first);
  ASSERT_EQ(host.shown.size(), 1);
  EXPECT_EQ(host.shown[0].width(), 2.0);
  EXPECT_EQ(host.shown[0].top(), lines[20].top);
  EXPECT_GT(host.shown[0].left(), 12.0);
}

TEST_F(ContinuousViewTest, CenterOfScreenCpLiesHalfAViewAbove) {
  DrawAll();
  const std::vector<CachedLine> lines = Cache();
  const double half = 150;
  const uint32_t from = lines[16].cp;
  const uint32_t centre = CenterOfScreenCp(doc, pane, from, host.viewRect);
  // cp's own line counts, then the lines above it.
  double sum = lines[16].height;
  size_t i = 16;
  while (i > 0 && sum < half) sum += lines[--i].height;
  EXPECT_EQ(centre, lines[i].cp);
  EXPECT_EQ(CenterOfScreenCp(doc, pane, kBody, host.viewRect), kBody);
}

}  // namespace
