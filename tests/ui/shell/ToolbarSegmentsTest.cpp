#include <gtest/gtest.h>

#include <QAction>
#include <QHBoxLayout>
#include <QMainWindow>
#include <QTest>
#include <QToolBar>
#include <numeric>
#include <vector>

#include "support/CSImage.h"
#include "testkit/ImageCompare.h"
#include "ui/HarnessWindow.h"
#include "ui/shell/CSToolbarSegments.h"

namespace {

class SegmentsDelegate : public CSToolbarSegmentsDelegate {
 public:
  QList<CSSegmentContent> contents;
  bool answersSame = false;
  std::vector<uint64_t> selected;
  std::vector<uint64_t> sameSelected;
  int asked = 0;

  QList<CSSegmentContent> tabsForSegments(CSToolbarSegments*) override {
    ++asked;
    return contents;
  }
  void tabWasSelected(uint64_t index, CSToolbarSegments*) override { selected.push_back(index); }
  bool answersSameTabWasSelected() const override { return answersSame; }
  void sameTabWasSelected(uint64_t index, CSToolbarSegments*) override { sameSelected.push_back(index); }
};

QList<CSSegmentContent> Titles(int count) {
  QList<CSSegmentContent> titles;
  for (int i = 0; i < count; ++i) titles.append(CSSegmentContent(QStringLiteral("S%1").arg(i)));
  return titles;
}

class ToolbarSegmentsTest : public ::testing::Test {
 protected:
  CSToolbarSegments* make(uint64_t style, int count, QSize size = QSize(150, 23), bool round = false) {
    delegate.contents = Titles(count);
    segments = harness.place(new CSToolbarSegments(style, round), QRect(QPoint(0, 0), size));
    segments->setDelegate(&delegate);
    segments->layoutTabs();
    return segments;
  }
  // The middle of a segment.
  QPoint centreOf(int64_t index) const {
    const std::vector<double>& widths = segments->tabWidths();
    const double start = std::accumulate(widths.begin(), widths.begin() + index, 0.0);
    return QPoint(int(start + widths[size_t(index)] / 2), 11);
  }
  void click(int64_t index) { QTest::mouseClick(segments, Qt::LeftButton, {}, centreOf(index)); }

  HarnessWindow harness{QSize(400, 100)};
  SegmentsDelegate delegate;
  CSToolbarSegments* segments = nullptr;
};

}  // namespace

TEST_F(ToolbarSegmentsTest, SegmentsShareTheWidthInWholePoints) {
  struct Case {
    int width;
    int height;
    int count;
    bool round;
    double extra;
    std::vector<double> widths;
  } cases[] = {
      {100, 23, 3, false, 0, {33, 35, 32}},      {100, 23, 1, false, 0, {100}},
      {100, 23, 3, true, 0, {35, 32, 33}},        // e = 11; the remainder of 2 goes first
      {120, 23, 3, false, 10, {37, 48, 35}},      // the middle one takes the extra width
      {101, 23, 4, false, 0, {25, 27, 26, 23}},   // remainder 2: first, then the middle ones
      {10, 23, 6, false, 0, {1, 3, 3, 2, 2, 0}},  // too narrow: none goes below 0
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(testing::Message() << row.width << " / " << row.count << (row.round ? " round" : ""));
    delegate.contents = Titles(row.count);
    CSToolbarSegments control(CSToolbarSegments::kMomentary, row.round);
    control.resize(row.width, row.height);
    control.setDelegate(&delegate);
    control.setExtraCenterTabWidth(row.extra);
    control.layoutTabs();
    EXPECT_EQ(control.tabWidths(), row.widths);
    if (row.width >= 100)
      EXPECT_EQ(std::accumulate(control.tabWidths().begin(), control.tabWidths().end(), 0.0), row.width);
    EXPECT_EQ(control.useNormalFont(), !row.round && row.extra == 0);
  }
}

TEST_F(ToolbarSegmentsTest, HitTesting) {
  make(CSToolbarSegments::kMomentary, 3, QSize(100, 23));  // 33, 35, 32
  const std::pair<QPointF, int64_t> cases[] = {
      {{0, 10}, 0},  {{32.9, 10}, 0}, {{33, 10}, 1}, {{67.9, 0}, 1}, {{68, 23}, 2},
      {{99, 10}, 2}, {{150, 10}, 2},  {{-5, 10}, 2}, {{50, -1}, -1}, {{50, 23.5}, -1},
  };
  for (const auto& [point, index] : cases)
    EXPECT_EQ(segments->tabFromPoint(point), index) << point.x() << "," << point.y();
  delegate.contents = Titles(1);
  segments->reloadTabs();
  segments->layoutTabs();
  EXPECT_EQ(segments->tabFromPoint(QPointF(90, 10)), 0);
}

TEST_F(ToolbarSegmentsTest, SingleSelectionReportsOnlyANewSegment) {
  make(CSToolbarSegments::kSingleSelection, 3);
  click(1);
  EXPECT_EQ(delegate.selected, std::vector<uint64_t>{1});
  EXPECT_EQ(segments->selectedTab(), 1);
  EXPECT_TRUE(segments->isTabSelected(1));
  // The selected one again: not reported as a selection ...
  click(1);
  EXPECT_EQ(delegate.selected.size(), 1u);
  EXPECT_TRUE(delegate.sameSelected.empty());
  // ... but as a repeat, to a delegate that asks for it.
  delegate.answersSame = true;
  click(1);
  EXPECT_EQ(delegate.sameSelected, std::vector<uint64_t>{1});
  click(2);
  EXPECT_EQ(delegate.selected, (std::vector<uint64_t>{1, 2}));
  // A disabled control shows no selection.
  segments->setEnabled(false);
  EXPECT_FALSE(segments->isTabSelected(2));
}

TEST_F(ToolbarSegmentsTest, MomentaryAndMultipleStyles) {
  make(CSToolbarSegments::kMomentary, 3);
  click(2);
  EXPECT_EQ(delegate.selected, std::vector<uint64_t>{2});
  EXPECT_EQ(segments->selectedTab(), -1);
  EXPECT_FALSE(segments->isTabSelected(2));
  delete segments;

  delegate.selected.clear();
  make(CSToolbarSegments::kMultipleSelection, 3);
  click(0);
  click(2);
  EXPECT_EQ(segments->selectedTabs(), (std::set<int64_t>{0, 2}));
  click(0);
  EXPECT_EQ(segments->selectedTabs(), std::set<int64_t>{2});
  EXPECT_EQ(delegate.selected, (std::vector<uint64_t>{0, 2, 0}));
  // Whatever index it is given, setSelectedTab empties the selection here.
  segments->setSelectedTab(2);
  EXPECT_TRUE(segments->selectedTabs().empty());
  segments->setSelected(true, 1);
  segments->setSelectedTab(-1);
  EXPECT_TRUE(segments->selectedTabs().empty());
}

TEST_F(ToolbarSegmentsTest, AReleaseAwayFromThePressedSegmentDoesNothing) {
  make(CSToolbarSegments::kSingleSelection, 3);
  QTest::mousePress(segments, Qt::LeftButton, {}, centreOf(0));
  EXPECT_TRUE(segments->isPressed());
  EXPECT_EQ(segments->selectedTabIndex(), 0);  // shown pressed
  QTest::mouseMove(segments, centreOf(2));
  EXPECT_FALSE(segments->isPressed());
  QTest::mouseRelease(segments, Qt::LeftButton, {}, centreOf(2));
  EXPECT_TRUE(delegate.selected.empty());
  EXPECT_EQ(segments->pressedTab(), -1);
  EXPECT_EQ(segments->selectedTab(), -1);
}

TEST_F(ToolbarSegmentsTest, ADisabledSegmentCannotBePressedAndItsImageIsFaint) {
  QImage red(12, 12, QImage::Format_ARGB32_Premultiplied);
  red.fill(QColor(255, 0, 0));
  make(CSToolbarSegments::kMomentary, 3);
  delegate.contents = {CSSegmentContent(QString()), CSSegmentContent(CSImage::initWithCGImage(red, QSizeF(12, 12))),
                       CSSegmentContent(QString())};
  segments->reloadTabs();
  const QPoint centre = centreOf(1);
  const QImage enabled = HarnessWindow::grabView(segments);
  EXPECT_TRUE(ColorNear(enabled.pixel(centre), QColor(255, 0, 0)));

  // The face without the image, for the blend.
  delegate.contents[1] = CSSegmentContent(QString());
  segments->reloadTabs();
  const QColor face = HarnessWindow::grabView(segments).pixelColor(centre);
  delegate.contents[1] = CSSegmentContent(CSImage::initWithCGImage(red, QSizeF(12, 12)));
  segments->reloadTabs();

  segments->setEnabledForTab(false, 1);
  const QImage disabled = HarnessWindow::grabView(segments);
  const QColor expected(int(0.25 * 255 + 0.75 * face.red() + 0.5), int(0.75 * face.green() + 0.5),
                        int(0.75 * face.blue() + 0.5));
  EXPECT_TRUE(ColorNear(disabled.pixel(centre), expected, 3));

  QTest::mouseClick(segments, Qt::LeftButton, {}, centre);
  EXPECT_TRUE(delegate.selected.empty());
  EXPECT_FALSE(segments->isPressed());
  // Bits are kept modulo 32: segment 33 is segment 1.
  segments->setEnabledForTab(true, 33);
  QTest::mouseClick(segments, Qt::LeftButton, {}, centre);
  EXPECT_EQ(delegate.selected, std::vector<uint64_t>{1});
}

TEST_F(ToolbarSegmentsTest, ContentsAreFetchedLazily) {
  make(CSToolbarSegments::kSingleSelection, 3);
  const int asked = delegate.asked;
  segments->reloadTabs();
  EXPECT_EQ(delegate.asked, asked);  // not yet
  EXPECT_EQ(segments->segmentCount(), 0);
  segments->selectTab(2);  // lays out first
  EXPECT_EQ(delegate.asked, asked + 1);
  EXPECT_EQ(segments->selectedTab(), 2);
  segments->selectTab(3);
  EXPECT_EQ(segments->selectedTab(), -1);
  // A selection beyond fewer segments is dropped at the next layout.
  segments->selectTab(2);
  delegate.contents = Titles(2);
  segments->layoutTabs();
  EXPECT_EQ(segments->selectedTab(), -1);
  segments->updateContent(CSSegmentContent(QStringLiteral("new")), 1);
  segments->updateContent(CSSegmentContent(QStringLiteral("ignored")), 5);
  EXPECT_EQ(segments->segmentCount(), 2);
}

TEST_F(ToolbarSegmentsTest, FoundInTheWindowsToolbarByTag) {
  QMainWindow window;
  QToolBar* toolbar = window.addToolBar(QStringLiteral("bar"));
  auto* first = new CSToolbarSegments(CSToolbarSegments::kMomentary);
  first->setBarTag(1);
  QAction* firstItem = toolbar->addWidget(first);
  // The second sits inside a box, as a toolbar item's view.
  auto* box = new QWidget;
  auto* second = new CSToolbarSegments(CSToolbarSegments::kMomentary);
  second->setBarTag(2);
  (new QHBoxLayout(box))->addWidget(second);
  QAction* secondItem = toolbar->addWidget(box);

  QAction* item = nullptr;
  EXPECT_EQ(CSToolbarSegments::tabsforController(&window, 2, &item), second);
  EXPECT_EQ(item, secondItem);
  EXPECT_EQ(CSToolbarSegments::tabsforController(&window, 1, &item), first);
  EXPECT_EQ(item, firstItem);
  EXPECT_EQ(CSToolbarSegments::tabsforController(&window, 3, nullptr), nullptr);
  EXPECT_EQ(CSToolbarSegments::tabsforToolbarItem(toolbar->widgetForAction(secondItem)), second);
  EXPECT_EQ(CSToolbarSegments::tabsforToolbarItem(nullptr), nullptr);
}
