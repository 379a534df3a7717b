#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QScrollBar>
#include <cmath>
#include <memory>

#include "platform/NotificationCenter.h"
#include "richtext/CBDocument.h"
#include "richtext/CorvaneHost.h"
#include "richtext/Panes.h"
#include "richtext/views/CBDraftScrollView.h"
#include "richtext/views/CBDraftView.h"
#include "richtext/views/CSCorvaneHelpHost.h"
#include "support/DynamicArrays.h"

namespace {

// A scroll view around a draft view showing pane 0 of a fresh document,
// with the help host answering the engine's view hooks.
class DraftScrollViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(InitCorvane());
    SetCorvaneHost(&host);
    document = CBDocument::create();
    ASSERT_TRUE(document);
    scrollView.resize(300, 200);
    view = new CBDraftView;
    view->setDocument(document.get());
    ASSERT_TRUE(SetupPane(document->corvaneDoc(), view, 1, kNoCpValue));
    scrollView.setDocument(document.get());
    scrollView.setDocumentView(view);
  }
  void TearDown() override {
    document->documentWillClose();
    SetCorvaneHost(nullptr);
  }

  CSCorvaneHelpHost host;
  std::unique_ptr<CBDocument> document;
  CBDraftScrollView scrollView;
  CBDraftView* view = nullptr;
};

TEST_F(DraftScrollViewTest, APaneOfOneCpDisablesTheBar) {
  scrollView.setup(false);
  scrollView.setScrollPosition(0, 500, 50, true);
  ASSERT_TRUE(scrollView.state(true).scroller->isEnabled());
  scrollView.setScrollPosition(0, 0, 1, true);  // maximum: one cp less one
  EXPECT_FALSE(scrollView.state(true).scroller->isEnabled());
  EXPECT_EQ(scrollView.state(true).knobFraction, 0.0);
  EXPECT_EQ(scrollView.currentPosition(true), 0.0);
}

TEST_F(DraftScrollViewTest, TheKnobKeepsItsSizeWithinTenPercent) {
  scrollView.setup(false);
  scrollView.setScrollPosition(0, 1000, 100, true);
  const double sized = scrollView.state(true).knobFraction;
  EXPECT_NEAR(sized, 0.1, 1e-6);
  scrollView.setScrollPosition(0, 1080, 100, true);  // 8 % more: the knob keeps its size
  EXPECT_EQ(scrollView.state(true).knobFraction, sized);
  scrollView.setScrollPosition(0, 1250, 100, true);  // 25 % more than it was sized for
  EXPECT_NEAR(scrollView.state(true).knobFraction, 0.08, 1e-6);
  scrollView.setScrollPosition(0, 1260, 100, true);
  scrollView.resetKnobs();
  scrollView.setScrollPosition(0, 1300, 100, true);  // after a reset it is sized afresh
  EXPECT_NEAR(scrollView.state(true).knobFraction, 100.0 / 1300.0, 1e-6);
}

TEST_F(DraftScrollViewTest, TheBarCountsCpsUpToTheMaximum) {
  scrollView.setup(false);
  scrollView.setScrollPosition(700, 700, 20, true);
  QScrollBar* bar = scrollView.state(true).scroller;
  EXPECT_EQ(bar->maximum(), 700);
  EXPECT_EQ(bar->value(), 700);  // the knob at the end is the maximum in cps
  scrollView.setScrollPosition(900, 700, 20, true);  // past the end: the maximum
  EXPECT_EQ(scrollView.currentPosition(true), 700.0);
}

TEST_F(DraftScrollViewTest, AHorizontalPageOfAHundredPointViewMovesNinetySix) {
  scrollView.setup(true);
  view->resize(100, 80);
  scrollView.setScrollPosition(0, 1000, 100, false);
  ASSERT_EQ(scrollView.currentPosition(false), 0.0);
  scrollView.handleHorizontalScroll(CBDraftScrollView::kIncrementPage);
  EXPECT_EQ(scrollView.currentPosition(false), 96.0);
  scrollView.handleHorizontalScroll(CBDraftScrollView::kDecrementLine);
  EXPECT_EQ(scrollView.currentPosition(false), 64.0);
  scrollView.autoScroll(6, false);  // no such code: nothing
  EXPECT_EQ(scrollView.currentPosition(false), 64.0);
}

TEST_F(DraftScrollViewTest, ABurstOfBarActionsPostsScrollDoneOnce) {
  scrollView.setup(false);
  scrollView.setScrollPosition(0, 500, 10, true);
  int posts = 0;
  const auto token = NotificationCenter::defaultCenter().addObserver(
      this, g_scrollDoneNotification, static_cast<QObject*>(view), [&posts](const CSNotification&) { ++posts; });
  for (int i = 0; i < 3; ++i) scrollView.handleVerticalScroll(CBDraftScrollView::kIncrementLine);
  EXPECT_EQ(posts, 0);  // delivered when idle
  NotificationQueue::defaultQueue().flush();
  EXPECT_EQ(posts, 1);
  NotificationCenter::defaultCenter().removeObserver(token);
}

TEST_F(DraftScrollViewTest, ALoneCachedLineWithoutHeightScrollsSafely) {
  scrollView.setup(false);
  scrollView.setScrollPosition(0, 100, 10, true);
  CorvaneDoc* doc = document->corvaneDoc();
  Pane* pane = PaneAtIndex(doc, 0);
  DocRange shown;
  GetPaneRange(doc, pane, &shown);
  ClearDynamicCPArray(pane->displayLines, doc->cpLimit);
  DisplayLine line;  // height 0
  ASSERT_TRUE(InsertInDynamicCPArray(pane->displayLines, 0, shown.first, &line));
  pane->firstCp = int32_t(shown.first);
  pane->topOffset = 5;
  host.noteNewScrollPosition(doc, pane);
  EXPECT_TRUE(std::isfinite(scrollView.currentPosition(true)));
  EXPECT_EQ(scrollView.currentPosition(true), 0.0);
}

}  // namespace
