#include <gtest/gtest.h>

#include <QAction>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMenu>
#include <QMimeData>
#include <QPainter>
#include <QTest>
#include <QToolButton>
#include <cmath>
#include <limits>
#include <utility>
#include <vector>

#include "support/CSCore.h"
#include "support/Kolor.h"
#include "testkit/ImageCompare.h"
#include "ui/EventDriver.h"
#include "ui/HarnessWindow.h"
#include "ui/editor/DRTabBandPainter.h"
#include "ui/shell/CSWindowTabs.h"

namespace {

const QString kDropType = QStringLiteral("application/x-twdraw-test");

// Tabs A, B, C ... as the test sets them up; records what the strip tells it.
class TabsDelegate : public CSWindowTabsDelegate {
 public:
  struct Tab {
    QString name;
    bool right = false;
    bool visible = true;
    uint8_t lock = 0;
  };

  uint32_t operations = 0;
  std::vector<Tab> tabs;
  double width = 200;
  bool canDrag = true;
  bool acceptsDrop = true;
  QMenu menu;

  // A delegate that reloads the strip from inside every report, as a
  // window does when its tabs change.
  CSWindowTabs* reloadFrom = nullptr;
  void reloadIfAsked() {
    if (reloadFrom) reloadFrom->reloadTabsWithoutSwitching();
  }

  QStringList selected;
  QStringList closed;
  QStringList doubleClicked;
  std::vector<std::pair<QString, uint64_t>> dragged;
  QStringList dropped;
  QStringList menusAsked;

  static QString idOf(size_t index) { return QStringLiteral("guid-%1").arg(index); }
  int indexOf(const QString& tab) const { return tab.mid(5).toInt(); }

  void setNames(std::initializer_list<const char*> names) {
    tabs.clear();
    for (const char* name : names) tabs.push_back({QString::fromUtf8(name)});
  }

  uint32_t optionalOperations() const override { return operations; }
  uint64_t numberOfTabsInTabView(CSWindowTabs*) override { return tabs.size(); }
  bool tabViewCanCloseTab(CSWindowTabs*, const QString& tab) override { return indexOf(tab) != 0; }
  void tabViewCloseTab(CSWindowTabs*, const QString& tab) override {
    reloadIfAsked();
    closed << tab;
  }
  QString tabViewIdentifierOfTabAtIndex(CSWindowTabs*, uint64_t index) override { return idOf(index); }
  QString tabViewNameOfTab(CSWindowTabs*, const QString& tab) override { return tabs[size_t(indexOf(tab))].name; }
  void tabViewSelectTab(CSWindowTabs*, const QString& tab) override {
    reloadIfAsked();
    selected << tab;
  }
  QMenu* tabViewContextMenuForTab(CSWindowTabs*, const QString& tab) override {
    menusAsked << tab;
    return &menu;
  }
  void tabViewDoubleClickedTab(CSWindowTabs*, const QString& tab) override {
    reloadIfAsked();
    doubleClicked << tab;
  }
  uint8_t tabViewIsTabLocked(CSWindowTabs*, const QString& tab) override { return tabs[size_t(indexOf(tab))].lock; }
  bool tabViewIsTabFlushRight(CSWindowTabs*, const QString& tab) override { return tabs[size_t(indexOf(tab))].right; }
  bool tabViewIsTabVisible(CSWindowTabs*, const QString& tab) override { return tabs[size_t(indexOf(tab))].visible; }
  double tabWidthInTabView(CSWindowTabs*) override { return width; }
  bool canDragTabsInTabView(CSWindowTabs*) override { return canDrag; }
  void tabViewDidDragTab(CSWindowTabs*, const QString& tab, uint64_t position) override {
    reloadIfAsked();
    dragged.emplace_back(tab, position);
  }
  bool tabViewCanDragPasteboard(CSWindowTabs*, const QMimeData*, const QString& tab) override {
    return indexOf(tab) != 0;
  }
  bool tabViewDidDragPasteboard(CSWindowTabs*, const QMimeData*, const QString& tab) override {
    reloadIfAsked();
    dropped << tab;
    return acceptsDrop;
  }
  QStringList typesForDragIntoTabView(CSWindowTabs*) override { return {kDropType}; }
};

constexpr uint32_t kDragOperations = CSWindowTabsDelegate::kCanDragTabs | CSWindowTabsDelegate::kDidDragTab;
constexpr uint32_t kDropOperations = CSWindowTabsDelegate::kTypesForDragInto |
                                     CSWindowTabsDelegate::kCanDragPasteboard |
                                     CSWindowTabsDelegate::kDidDragPasteboard;

class WindowTabsTest : public ::testing::Test {
 protected:
  void TearDown() override { g_darkMode = false; }

  // A strip of the width showing the delegate's tabs.
  CSWindowTabs* makeStrip(int width) {
    strip = harness.place(new CSWindowTabs, QRect(0, 0, width, int(CSWindowTabs::height())));
    strip->setDelegate(&delegate);
    strip->reloadTabs();
    return strip;
  }

  QImage render() { return HarnessWindow::grabView(strip); }

  HarnessWindow harness{QSize(900, 60)};
  TabsDelegate delegate;
  CSWindowTabs* strip = nullptr;
};

QColor Kolored(Kolor kolor) {
  return ColorFromKolor(kolor);
}

}  // namespace

TEST_F(WindowTabsTest, TabsThatDoNotFitGoToTheOverflowMenu) {
  delegate.setNames({"Drawing", "Paint 1", "Paint 2", "Paint 3"});
  makeStrip(600);
  // The limit is 600 - 42: a third tab would end at 610.
  EXPECT_EQ(strip->rectForTab(0), QRectF(10, 0, 200, 23));
  EXPECT_EQ(strip->rectForTab(1), QRectF(210, 0, 200, 23));
  EXPECT_TRUE(strip->rectForTab(2).isNull());
  EXPECT_TRUE(strip->rectForTab(3).isNull());
  EXPECT_EQ(strip->firstOverflowTab(), 2);
  EXPECT_EQ(strip->tabForPoint(QPointF(415, 10)), -1);  // overflowed tabs cannot be hit
  EXPECT_EQ(strip->tabForPoint(QPointF(409, 10)), 1);
  EXPECT_TRUE(strip->overflowButton()->isVisible());
  EXPECT_EQ(strip->overflowButton()->geometry(), QRect(568, 2, 32, 19));

  const QList<QAction*> items = strip->overflowMenu()->actions();
  ASSERT_EQ(items.size(), 3);
  EXPECT_EQ(items[0]->text(), QStringLiteral("\u273D"));
  EXPECT_EQ(items[1]->text(), QStringLiteral("Paint 2"));
  EXPECT_EQ(items[2]->text(), QStringLiteral("Paint 3"));

  // Choosing an item selects its tab, tells the delegate and ticks it.
  items[2]->trigger();
  EXPECT_EQ(strip->currentTab(), 3);
  EXPECT_EQ(delegate.selected, QStringList{TabsDelegate::idOf(3)});
  EXPECT_TRUE(items[2]->isChecked());
  strip->selectTab(TabsDelegate::idOf(0));
  EXPECT_FALSE(items[2]->isChecked());
  EXPECT_EQ(delegate.selected.size(), 1);  // selectTab does not tell

  // Wide enough, nothing overflows and the button hides.
  strip->resize(900, 23);
  strip->layoutTabs();
  EXPECT_EQ(strip->firstOverflowTab(), -1);
  EXPECT_EQ(strip->rectForTab(3), QRectF(610, 0, 200, 23));
  EXPECT_FALSE(strip->overflowButton()->isVisible());
}

TEST_F(WindowTabsTest, LayoutTable) {
  struct Case {
    int width;
    double tabWidth;
    std::vector<bool> right;
    std::vector<double> positions;  // -1: in the overflow menu
    int64_t firstOverflow;
    int64_t firstRight;
  };
  const Case cases[] = {
      // Flush-right tabs stand at the right end and never overflow.
      {800, 200, {false, false, false, true, true}, {10, -1, -1, 358, 558}, 1, 3},
      {1200, 200, {false, false, false, true, true}, {10, 210, 410, 758, 958}, -1, 3},
      {600, 200, {true, true}, {158, 358}, -1, 0},
      {600, 150, {false, false, false, false}, {10, 160, 310, -1}, 3, -1},
      // A delegate width of 0 or less means the default 200.
      {600, 0, {false, false, false}, {10, 210, -1}, 2, -1},
      {600, -40, {false, false}, {10, 210}, -1, -1},
      {600, std::numeric_limits<double>::quiet_NaN(), {false, false}, {10, 210}, -1, -1},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(testing::Message() << row.width << " x " << row.tabWidth);
    delegate.tabs.clear();
    for (bool right : row.right) delegate.tabs.push_back({QStringLiteral("T"), right});
    delegate.operations = CSWindowTabsDelegate::kIsTabFlushRight | CSWindowTabsDelegate::kTabWidth;
    delegate.width = row.tabWidth;
    makeStrip(row.width);
    EXPECT_EQ(strip->tabWidth(), row.tabWidth > 0 ? row.tabWidth : 200.0);
    for (size_t i = 0; i < row.positions.size(); ++i) {
      EXPECT_EQ(strip->positionForTab(int64_t(i)), float(row.positions[i])) << i;
      EXPECT_EQ(strip->rectForTab(int64_t(i)).isNull(), row.positions[i] < 0) << i;
    }
    EXPECT_EQ(strip->firstOverflowTab(), row.firstOverflow);
    EXPECT_EQ(strip->firstRightTab(), row.firstRight);
    delete strip;
  }
}

TEST_F(WindowTabsTest, HiddenTabsAreLeftOutAndReloadingKeepsOrResetsTheSelection) {
  delegate.setNames({"A", "B", "C", "D"});
  delegate.tabs[1].visible = false;
  delegate.operations = CSWindowTabsDelegate::kIsTabVisible;
  makeStrip(900);
  ASSERT_EQ(strip->tabCount(), 3);
  EXPECT_EQ(strip->identifierOfTab(1), TabsDelegate::idOf(2));
  strip->selectTab(TabsDelegate::idOf(3));
  EXPECT_EQ(strip->selectedTab(), TabsDelegate::idOf(3));
  strip->reloadTabsWithoutSwitching();
  EXPECT_EQ(strip->currentTab(), 2);
  strip->reloadTabs();
  EXPECT_EQ(strip->currentTab(), 0);
  strip->selectTab(QStringLiteral("no such tab"));
  EXPECT_EQ(strip->currentTab(), 0);
  // Without the visibility operation every tab shows.
  delegate.operations = 0;
  strip->setDelegate(&delegate);
  strip->reloadTabs();
  EXPECT_EQ(strip->tabCount(), 4);
  EXPECT_TRUE(delegate.selected.isEmpty());
}

TEST_F(WindowTabsTest, ACloseButtonReleasedOutsideClosesNothing) {
  delegate.setNames({"Drawing", "Paint"});
  makeStrip(600);
  EventDriver hover(strip);
  // Hovering over a closable tab shows its close button.
  hover.move(QPointF(300, 12));
  EXPECT_EQ(strip->hoverTab(), 1);
  hover.move(QPointF(100, 12));  // the drawing tab cannot be closed
  EXPECT_EQ(strip->hoverTab(), -1);
  hover.move(QPointF(300, 12));

  const QRectF button = strip->closeButtonRect(1);
  EXPECT_EQ(button, QRectF(216, 5, 13, 13));
  QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(222, 11));
  EXPECT_EQ(strip->dragState(), CSWindowTabs::kPressingClose);
  EXPECT_EQ(strip->hoverTab(), -1);
  QTest::mouseMove(strip, QPoint(300, 11));
  QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(300, 11));
  EXPECT_TRUE(delegate.closed.isEmpty());
  EXPECT_TRUE(delegate.selected.isEmpty());
  EXPECT_EQ(strip->dragState(), CSWindowTabs::kIdle);

  // Out and back in before the release: closed.
  QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(222, 11));
  QTest::mouseMove(strip, QPoint(300, 11));
  QTest::mouseMove(strip, QPoint(220, 8));
  QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(220, 8));
  EXPECT_EQ(delegate.closed, QStringList{TabsDelegate::idOf(1)});
  EXPECT_EQ(strip->currentTab(), 0);
}

TEST_F(WindowTabsTest, DraggingATabReportsItsNewSlot) {
  delegate.setNames({"A", "B", "C"});
  delegate.operations = kDragOperations;
  makeStrip(800);

  // Past 3 points, ending over the first slot. The tab is held 40 points
  // in, clear of its close button.
  QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(250, 10));
  QTest::mouseMove(strip, QPoint(252, 11));  // within the threshold
  EXPECT_EQ(strip->dragState(), CSWindowTabs::kPressingTab);
  QTest::mouseMove(strip, QPoint(254, 10));
  EXPECT_EQ(strip->dragState(), CSWindowTabs::kDraggingTab);
  QTest::mouseMove(strip, QPoint(100, 10));
  EXPECT_EQ(strip->dragToTab(), 0u);
  EXPECT_EQ(strip->positionForTab(1), 60.0f);  // follows the mouse
  render();                                    // lays the others out around the gap
  EXPECT_EQ(strip->positionForTab(0), 210.0f);
  QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(100, 10));
  EXPECT_EQ(delegate.selected, QStringList{TabsDelegate::idOf(1)});
  ASSERT_EQ(delegate.dragged.size(), 1u);
  EXPECT_EQ(delegate.dragged[0], std::make_pair(TabsDelegate::idOf(1), uint64_t(0)));
  EXPECT_EQ(strip->dragState(), CSWindowTabs::kIdle);
}

TEST_F(WindowTabsTest, ADragEndingInItsOwnSlotOnlySelects) {
  delegate.setNames({"A", "B", "C"});
  delegate.operations = kDragOperations;
  makeStrip(800);
  // The press alone selects nothing yet.
  QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(450, 10));
  EXPECT_TRUE(delegate.selected.isEmpty());
  QTest::mouseMove(strip, QPoint(470, 10));
  EXPECT_EQ(strip->dragState(), CSWindowTabs::kDraggingTab);
  QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(470, 10));
  EXPECT_EQ(delegate.selected, QStringList{TabsDelegate::idOf(2)});
  EXPECT_TRUE(delegate.dragged.empty());
  render();
  EXPECT_EQ(strip->positionForTab(2), 410.0f);
}

TEST_F(WindowTabsTest, TheDragSlotStopsAtTheFirstOne) {
  struct Case {
    double tabWidth;
    int press;  // on the second tab
  } cases[] = {
      {200, 215},
      // Narrow tabs held at their left edge: left of the first slot the
      // slot arithmetic gives -3, which must not become a huge slot.
      {4, 14},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.tabWidth);
    delegate.setNames({"A", "B", "C"});
    delegate.operations = kDragOperations | CSWindowTabsDelegate::kTabWidth;
    delegate.width = row.tabWidth;
    delegate.dragged.clear();
    makeStrip(800);
    ASSERT_EQ(strip->tabForPoint(QPointF(row.press, 10)), 1);
    QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(row.press, 10));
    QTest::mouseMove(strip, QPoint(row.press + 40, 10));
    QTest::mouseMove(strip, QPoint(-50, 10));
    // Dragged hard left the tab stops at x 0 and takes the first slot.
    EXPECT_EQ(strip->positionForTab(1), 0.0f);
    EXPECT_EQ(strip->dragToTab(), 0u);
    // Dragged far right it stops before the overflow button, in the last slot.
    QTest::mouseMove(strip, QPoint(2000, 10));
    EXPECT_EQ(strip->positionForTab(1), float(800 - 32 - row.tabWidth));
    EXPECT_EQ(strip->dragToTab(), 2u);
    QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(2000, 10));
    ASSERT_EQ(delegate.dragged.size(), 1u);
    EXPECT_EQ(delegate.dragged[0].second, 2u);
    delete strip;
  }
}

TEST_F(WindowTabsTest, ALoneDrawingTabCannotBeDragged) {
  delegate.setNames({"Drawing"});
  delegate.operations = kDragOperations;
  makeStrip(600);
  EXPECT_EQ(strip->lastLeftTab(), 0);
  QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(50, 10));
  EXPECT_EQ(strip->dragState(), CSWindowTabs::kIdle);
  QTest::mouseMove(strip, QPoint(150, 10));
  QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(150, 10));
  EXPECT_TRUE(delegate.dragged.empty());
  EXPECT_EQ(strip->positionForTab(0), 10.0f);
  // Nor can a flush-right tab, nor any while the delegate says no.
  delegate.setNames({"A", "B", "C"});
  delegate.tabs[2].right = true;
  delegate.operations = kDragOperations | CSWindowTabsDelegate::kIsTabFlushRight;
  strip->setDelegate(&delegate);
  strip->reloadTabs();
  QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(strip->width() - 100, 10));
  EXPECT_EQ(strip->dragState(), CSWindowTabs::kIdle);
  QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(strip->width() - 100, 10));
  delegate.canDrag = false;
  QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(220, 10));
  EXPECT_EQ(strip->dragState(), CSWindowTabs::kIdle);
  QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(220, 10));
}

TEST_F(WindowTabsTest, ASecondClickOnTheCurrentTabIsADoubleClick) {
  delegate.setNames({"A", "B"});
  delegate.operations = CSWindowTabsDelegate::kDoubleClickedTab;
  makeStrip(600);
  QTest::mouseClick(strip, Qt::LeftButton, {}, QPoint(60, 10));
  EXPECT_TRUE(delegate.doubleClicked.isEmpty());
  EXPECT_TRUE(delegate.selected.isEmpty());  // already current
  QTest::mouseDClick(strip, Qt::LeftButton, {}, QPoint(60, 10));
  QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(60, 10));
  EXPECT_EQ(delegate.doubleClicked, QStringList{TabsDelegate::idOf(0)});
  // Another tab is selected at once when it cannot be dragged.
  QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(260, 10));
  EXPECT_EQ(delegate.selected, QStringList{TabsDelegate::idOf(1)});
  QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(260, 10));
  // Without the operation a double click is only a click.
  delegate.operations = 0;
  strip->setDelegate(&delegate);
  QTest::mouseDClick(strip, Qt::LeftButton, {}, QPoint(260, 10));
  QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(260, 10));
  EXPECT_EQ(delegate.doubleClicked.size(), 1);
}

TEST_F(WindowTabsTest, ContextMenusSelectTheirTabFirst) {
  delegate.setNames({"A", "B"});
  makeStrip(600);
  EXPECT_EQ(strip->menuForPoint(QPointF(260, 10)), nullptr);  // not offered
  delegate.operations = CSWindowTabsDelegate::kContextMenuForTab;
  strip->setDelegate(&delegate);
  EXPECT_EQ(strip->menuForPoint(QPointF(260, 10)), &delegate.menu);
  EXPECT_EQ(delegate.selected, QStringList{TabsDelegate::idOf(1)});
  EXPECT_EQ(strip->currentTab(), 1);
  EXPECT_EQ(strip->menuForPoint(QPointF(590, 10)), &delegate.menu);
  ASSERT_EQ(delegate.menusAsked.size(), 2);
  EXPECT_TRUE(delegate.menusAsked[1].isNull());  // outside every tab
}

TEST_F(WindowTabsTest, NamesTooWideForTheTabGetAToolTip) {
  delegate.setNames({"Drawing", "A painting with a very long name that cannot fit in its tab"});
  makeStrip(600);
  EXPECT_TRUE(strip->toolTipForPoint(QPointF(100, 10)).isEmpty());
  EXPECT_EQ(strip->toolTipForPoint(QPointF(300, 10)), delegate.tabs[1].name);
  // Only over the name, not the close button.
  EXPECT_TRUE(strip->toolTipForPoint(QPointF(220, 10)).isEmpty());
}

TEST_F(WindowTabsTest, BandsAndTabsInBothAppearances) {
  delegate.setNames({"A", "B"});
  makeStrip(600);
  struct Look {
    bool dark;
    Kolor band;
    Kolor face;
  } looks[] = {{false, 0x64C3C1C3, 0x64A4A4A4}, {true, 0x64616061, 0x643C3C3C}};
  for (const Look& look : looks) {
    SCOPED_TRACE(look.dark);
    g_darkMode = look.dark;
    const QImage image = render();
    const int x = 560;  // clear of the tabs
    EXPECT_TRUE(ColorNear(image.pixel(x, 0), Kolored(look.band)));
    EXPECT_TRUE(ColorNear(image.pixel(x, 1), Kolored(0x646E6E6E)));
    EXPECT_TRUE(ColorNear(image.pixel(x, 21), Kolored(look.band)));
    EXPECT_TRUE(ColorNear(image.pixel(x, 22), Kolored(0x646E6E6E)));
    EXPECT_TRUE(ColorNear(image.pixel(x, 11), Kolored(look.face)));
    // The current tab is filled with the band colour, the other is not.
    EXPECT_TRUE(ColorNear(image.pixel(15, 12), Kolored(look.band)));
    EXPECT_TRUE(ColorNear(image.pixel(230, 12), Kolored(look.face)));
  }
}

TEST_F(WindowTabsTest, TheTabHangsFromTheTopBand) {
  delegate.setNames({"A", "B"});
  makeStrip(600);
  strip->selectTab(TabsDelegate::idOf(1));
  const QImage image = render();
  image.save(TestImageOutputFolder() + QStringLiteral("/window-tabs-shape.png"));
  const QColor band = Kolored(0x64C3C1C3);
  // The flare starts at (x - 3.5, 1): it covers the outline row there ...
  EXPECT_TRUE(ColorNear(image.pixel(209, 1), band, 16));
  EXPECT_TRUE(ColorNear(image.pixel(411, 1), band, 16));
  // ... but not a few points further out,
  EXPECT_TRUE(ColorNear(image.pixel(204, 1), Kolored(0x646E6E6E)));
  // and below the flare the tab is a point inside its rectangle.
  EXPECT_FALSE(ColorNear(image.pixel(209, 12), band, 16));
  EXPECT_TRUE(ColorNear(image.pixel(212, 12), band, 3));
  // Its bottom edge carries the highlight band.
  EXPECT_TRUE(ColorNear(image.pixel(300, 21), Kolored(0x64D4D4D4)));
}

TEST_F(WindowTabsTest, APadlockForEachLockState) {
  delegate.setNames({"A", "B"});
  delegate.operations = CSWindowTabsDelegate::kIsTabLocked;
  makeStrip(600);
  const QImage none = render();
  const QRect box(210 + 200 - 19, 5, 13, 13);
  for (uint8_t lock : {uint8_t(1), uint8_t(2), uint8_t(200)}) {
    SCOPED_TRACE(int(lock));
    delegate.tabs[1].lock = lock;
    strip->update();
    const QImage image = render();
    // Exactly the right padlock, centred in its box, over the plain tab.
    QImage expected = none;
    {
      QPainter painter(&expected);
      const QImage padlock = CSWindowTabs::padlockImage(lock == 1);
      const QSizeF size = padlock.deviceIndependentSize();
      painter.drawImage(
          QRectF(box.x() + (13 - size.width()) / 2, box.y() + (13 - size.height()) / 2, size.width(), size.height()),
          padlock);
    }
    EXPECT_TRUE(ImagesMatch(image, expected, 2, QStringLiteral("window-tabs-lock-%1").arg(lock)));
    EXPECT_GT(InkCount(image, box, none.pixelColor(box.center()), 40), 10);
  }
  EXPECT_FALSE(ImagesMatch(CSWindowTabs::padlockImage(true), CSWindowTabs::padlockImage(false), 10,
                           QStringLiteral("window-tabs-padlocks")));
}

TEST_F(WindowTabsTest, DropsOnlyOfTheDelegatesTypesOnAcceptingTabs) {
  delegate.setNames({"Drawing", "Paint"});
  delegate.operations = kDropOperations;
  makeStrip(600);
  EXPECT_TRUE(strip->acceptDrops());

  QMimeData foreign;
  foreign.setText(QStringLiteral("words"));
  QDragEnterEvent refused(QPoint(300, 10), Qt::CopyAction, &foreign, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(strip, &refused);
  EXPECT_FALSE(refused.isAccepted());
  EXPECT_EQ(strip->externalDragTab(), -1);

  QMimeData ours;
  ours.setData(kDropType, QByteArray("x"));
  QDragEnterEvent enter(QPoint(300, 10), Qt::CopyAction, &ours, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(strip, &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_EQ(strip->externalDragTab(), 1);
  // The target tab is filled with the drag-ring colour.
  EXPECT_TRUE(ColorNear(render().pixel(230, 12), Kolored(g_dragRingKolor)));

  // Over the drawing tab, which refuses it, nothing is offered.
  QDragMoveEvent over(QPoint(60, 10), Qt::CopyAction, &ours, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(strip, &over);
  EXPECT_FALSE(over.isAccepted());
  EXPECT_EQ(strip->externalDragTab(), -1);

  QDragMoveEvent back(QPoint(300, 10), Qt::CopyAction, &ours, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(strip, &back);
  EXPECT_TRUE(back.isAccepted());
  QDropEvent drop(QPointF(300, 10), Qt::CopyAction, &ours, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(strip, &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_EQ(delegate.dropped, QStringList{TabsDelegate::idOf(1)});
  EXPECT_EQ(strip->externalDragTab(), -1);

  // Without all three operations the strip takes no drops at all.
  delegate.operations = CSWindowTabsDelegate::kTypesForDragInto | CSWindowTabsDelegate::kCanDragPasteboard;
  strip->setDelegate(&delegate);
  EXPECT_FALSE(strip->acceptDrops());
}

TEST_F(WindowTabsTest, TheStatusLineDrawsTheSameBandsThroughTheSeam) {
  delegate.setNames({"A"});
  makeStrip(600);
  RegisterTabBandPainter();
  ASSERT_NE(TabBandPainter(), nullptr);
  const QImage bands = RenderImage(QSize(50, 22), [](QPainter& painter) {
    TabBandPainter()->drawBandsInRect(&painter, QRectF(0, 0, 50, 22), nullptr);
  });
  EXPECT_TRUE(ColorNear(bands.pixel(25, 0), Kolored(0x64C3C1C3)));
  EXPECT_TRUE(ColorNear(bands.pixel(25, 1), Kolored(0x646E6E6E)));
  EXPECT_TRUE(ColorNear(bands.pixel(25, 20), Kolored(0x64C3C1C3)));
  EXPECT_TRUE(ColorNear(bands.pixel(25, 21), Kolored(0x646E6E6E)));
  EXPECT_TRUE(ColorNear(bands.pixel(25, 10), Qt::white));
  SetTabBandPainter(nullptr);
}

TEST_F(WindowTabsTest, ADelegateMayReloadFromInsideEveryReport) {
  delegate.setNames({"A", "B", "C"});
  delegate.operations = kDragOperations | kDropOperations | CSWindowTabsDelegate::kDoubleClickedTab;
  makeStrip(800);
  delegate.reloadFrom = strip;
  // A drag: selection and the new slot, each followed by a reload.
  QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(450, 10));
  QTest::mouseMove(strip, QPoint(100, 10));
  QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(100, 10));
  ASSERT_EQ(delegate.dragged.size(), 1u);
  EXPECT_EQ(delegate.dragged[0], std::make_pair(TabsDelegate::idOf(2), uint64_t(0)));
  render();
  EXPECT_EQ(strip->positionForTab(2), 410.0f);  // laid out without a gap
  // A double click on the current tab, a close button, a drop.
  QTest::mouseDClick(strip, Qt::LeftButton, {}, QPoint(450, 10));
  QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(450, 10));
  EXPECT_EQ(delegate.doubleClicked, QStringList{TabsDelegate::idOf(2)});
  QTest::mousePress(strip, Qt::LeftButton, {}, QPoint(222, 11));
  EXPECT_EQ(strip->dragState(), CSWindowTabs::kPressingClose);
  QTest::mouseRelease(strip, Qt::LeftButton, {}, QPoint(222, 11));
  EXPECT_EQ(delegate.closed, QStringList{TabsDelegate::idOf(1)});
  QMimeData ours;
  ours.setData(kDropType, QByteArray("x"));
  QDragEnterEvent enter(QPoint(300, 10), Qt::CopyAction, &ours, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(strip, &enter);
  QDropEvent drop(QPointF(300, 10), Qt::CopyAction, &ours, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(strip, &drop);
  EXPECT_EQ(delegate.dropped, QStringList{TabsDelegate::idOf(1)});
  EXPECT_EQ(strip->dragState(), CSWindowTabs::kIdle);
}
