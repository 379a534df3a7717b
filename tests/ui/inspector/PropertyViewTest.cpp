// The property view with a scripted delegate: the layout of its levels, the
// empty message, header clicks, guarded rebuilds, the animation's length,
// the stretched last level and Escape in a field.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QElapsedTimer>
#include <QLineEdit>
#include <QScrollArea>
#include <QSet>
#include <QVariantAnimation>
#include <QtTest/QTest>
#include <functional>

#include "platform/NotificationCenter.h"
#include "support/CSKernel.h"
#include "testkit/ImageCompare.h"
#include "ui/EventDriver.h"
#include "ui/HarnessWindow.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/CSPropertyView.h"
#include "ui/inspector/CSPropertyViewDelegate.h"

namespace {

// Levels of fixed heights, their panes titled by tool tip; notes what the
// view tells it.
class ScriptedDelegate : public CSPropertyViewDelegate {
 public:
  std::vector<int> heights;
  int stayOpenLevel = -1;
  QSet<int> startClosed;
  QString message;
  std::function<void(int)> whileMakingPane;
  int levelQueries = 0;
  QStringList told;

  int numberOfLevels(CSPropertyView*) override {
    ++levelQueries;
    return int(heights.size());
  }
  QWidget* controllerForLevel(CSPropertyView*, int level, QWidget* parent) override {
    auto* pane = new QWidget(parent);
    pane->resize(120, heights[size_t(level)]);
    pane->setToolTip(QStringLiteral("Pane %1").arg(level));
    if (whileMakingPane) whileMakingPane(level);
    return pane;
  }
  QString nameForLevel(CSPropertyView*, int) override { return QString(); }
  QString emptyMessage(CSPropertyView* view) override {
    return message.isNull() ? CSPropertyViewDelegate::emptyMessage(view) : message;
  }
  bool mayCloseLevel(CSPropertyView*, int level) override { return level != stayOpenLevel; }
  bool shouldOpenLevel(CSPropertyView*, int level) override { return !startClosed.contains(level); }
  void didOpenLevel(CSPropertyView*, int level) override { told << QStringLiteral("open %1").arg(level); }
  void didCloseLevel(CSPropertyView*, int level) override { told << QStringLiteral("close %1").arg(level); }
};

bool WaitForAnimation(const CSPropertyView* view) {
  QElapsedTimer clock;
  clock.start();
  while (view->isAnimating() && clock.elapsed() < 20000) QCoreApplication::processEvents(QEventLoop::AllEvents, 10);
  return !view->isAnimating();
}

class PropertyViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    delegate.heights = {100, 500, 50};
    delegate.stayOpenLevel = 0;
    area = window.place(new QScrollArea, QRect(0, 0, 260, 400));
    area->setWidgetResizable(false);
    view = new CSPropertyView;
    view->setDelegate(&delegate);
  }
  // Into the scroll area, which shows it and so builds its levels.
  void show() {
    area->setWidget(view);
    QCoreApplication::processEvents();
  }
  int paneTop(int level) const { return view->paneForLevel(level)->geometry().top(); }
  // The middle of the level's header.
  QPointF header(int level) const { return QPointF(80, paneTop(level) - 10); }
  void toggleAndWait(int level) {
    view->toggleLevelOpen(level);
    ASSERT_TRUE(WaitForAnimation(view));
  }

  ScriptedDelegate delegate;
  HarnessWindow window{QSize(300, 500)};
  QScrollArea* area = nullptr;
  CSPropertyView* view = nullptr;
};

TEST_F(PropertyViewTest, LevelsStackUnderTheirHeaders) {
  show();
  ASSERT_EQ(view->levelCount(), 3);
  const int width = qRound(view->workingSize().width());
  EXPECT_GT(width, 200);
  const int tops[] = {20, 140, 660};
  const int heights[] = {100, 500, 50};
  for (int level = 0; level < 3; ++level) {
    SCOPED_TRACE(level);
    EXPECT_EQ(view->paneForLevel(level)->geometry(), QRect(0, tops[level], width, heights[level]));
    EXPECT_TRUE(view->paneForLevel(level)->isVisible());
    // The title comes from the tool tip, which the pane gives up.
    EXPECT_EQ(view->level(level)->name, QStringLiteral("Pane %1").arg(level));
    EXPECT_TRUE(view->paneForLevel(level)->toolTip().isEmpty());
  }
  EXPECT_EQ(view->height(), 710 + 4);
  EXPECT_EQ(view->width(), width);
  // The level that stays open has no header to click.
  EXPECT_TRUE(view->level(0)->stayOpen);
  EXPECT_EQ(view->levelForPoint(QPointF(80, 10)), -1);
  QRectF rect;
  EXPECT_EQ(view->levelForPoint(QPointF(80, 130), &rect), 1);
  EXPECT_EQ(rect, QRectF(0, 120, view->width(), 20));
  EXPECT_EQ(view->levelForPoint(QPointF(80, 300)), -1);  // inside a pane
}

TEST_F(PropertyViewTest, AClosedLevelTakesNoRoomAndItsPaneIsHidden) {
  delegate.startClosed = {1};
  show();
  EXPECT_FALSE(view->isLevelOpen(1));
  EXPECT_FALSE(view->paneForLevel(1)->isVisible());
  EXPECT_EQ(view->paneForLevel(1)->height(), 0);
  EXPECT_EQ(paneTop(2), 160);
  EXPECT_EQ(view->height(), 210 + 4);

  // Opening gives it back its height and tells the delegate.
  toggleAndWait(1);
  EXPECT_TRUE(view->isLevelOpen(1));
  EXPECT_TRUE(view->paneForLevel(1)->isVisible());
  EXPECT_EQ(paneTop(2), 660);
  EXPECT_EQ(view->height(), 714);
  EXPECT_EQ(delegate.told, QStringList{"open 1"});
}

TEST_F(PropertyViewTest, WithoutLevelsItShowsTheEmptyMessageAcrossTheVisibleHeight) {
  delegate.heights.clear();
  show();
  EXPECT_EQ(view->levelCount(), 0);
  EXPECT_EQ(view->height(), qRound(view->workingSize().height()));
  const QImage image = HarnessWindow::grabView(view);
  const QColor background = image.pixelColor(2, 2);
  const QRect ink = InkBounds(image, background);
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_NEAR(ink.center().x(), image.width() / 2, 3);
  EXPECT_NEAR(ink.center().y(), image.height() / 2, 3);

  // The delegate's own message replaces it.
  delegate.message = QStringLiteral("x");
  view->update();
  const QRect small = InkBounds(HarnessWindow::grabView(view), background);
  EXPECT_LT(small.width(), ink.width() / 3);
}

TEST_F(PropertyViewTest, OnlyAReleaseOnThePressedHeaderToggles) {
  show();
  EventDriver mouse(view);
  // Pressed on one header, released on another: nothing.
  mouse.press(header(1));
  mouse.move(header(2));
  mouse.release(header(2));
  EXPECT_FALSE(view->isAnimating());
  EXPECT_TRUE(view->isLevelOpen(1));
  EXPECT_TRUE(view->isLevelOpen(2));

  // Out and back in before the release still counts.
  mouse.press(header(2));
  mouse.move(QPointF(80, paneTop(2) + 20));
  mouse.move(header(2));
  mouse.release(header(2));
  EXPECT_TRUE(view->isAnimating());
  // Clicks while it runs are ignored.
  mouse.click(header(1));
  ASSERT_TRUE(WaitForAnimation(view));
  EXPECT_FALSE(view->isLevelOpen(2));
  EXPECT_TRUE(view->isLevelOpen(1));
  EXPECT_EQ(delegate.told, QStringList{"close 2"});
  EXPECT_EQ(view->height(), 660 + 4);

  // Leaving the view while pressed cancels the click.
  mouse.press(header(1));
  mouse.leave();
  mouse.release(header(1));
  EXPECT_FALSE(view->isAnimating());
  EXPECT_TRUE(view->isLevelOpen(1));
}

TEST_F(PropertyViewTest, ALevelAnimatesForATimeFollowingItsHeight) {
  struct Row {
    double height;
    bool slowly;
    double seconds;
  } rows[] = {
      {500, false, 400 * 0.2 / 240}, {500, true, 4000 * 0.2 / 240}, {100, false, 100 * 0.2 / 240}, {0, false, 0}};
  for (const Row& row : rows) {
    EXPECT_DOUBLE_EQ(CSPropertyView::disclosureDuration(row.height, row.slowly), row.seconds) << row.height;
  }
  EXPECT_NEAR(CSPropertyView::disclosureDuration(500, false), 0.333, 0.001);

  show();
  view->toggleLevelOpen(1);
  auto* animation = view->findChild<QVariantAnimation*>();
  ASSERT_NE(animation, nullptr);
  EXPECT_EQ(animation->duration(), 333);
  // Halfway the pane is clipped to half its height and the ones below follow.
  view->setDisclosurePosition(0.5);
  EXPECT_DOUBLE_EQ(view->animationPosition(), 0.5);
  EXPECT_EQ(view->paneForLevel(1)->height(), 250);
  EXPECT_EQ(paneTop(2), 140 + 250 + 20);
  ASSERT_TRUE(WaitForAnimation(view));
  EXPECT_DOUBLE_EQ(view->animationPosition(), -1);
}

TEST_F(PropertyViewTest, ARebuildAskedForDuringARebuildIsIgnored) {
  show();
  const int before = delegate.levelQueries;
  delegate.whileMakingPane = [this](int) {
    NotificationCenter::defaultCenter().post(g_reloadPropertiesNotification, static_cast<QObject*>(view->window()));
    view->reloadProperties();
  };
  NotificationCenter::defaultCenter().post(g_reloadPropertiesNotification, static_cast<QObject*>(&window));
  EXPECT_EQ(delegate.levelQueries, before + 1);
  EXPECT_EQ(view->levelCount(), 3);
  // Another window's rebuild is not this view's.
  QWidget other;
  delegate.whileMakingPane = nullptr;
  NotificationCenter::defaultCenter().post(g_reloadPropertiesNotification, static_cast<QObject*>(&other));
  EXPECT_EQ(delegate.levelQueries, before + 1);
}

TEST_F(PropertyViewTest, APaneThatGrewIsMadeRoomFor) {
  show();
  view->paneForLevel(0)->resize(view->width(), 150);
  NotificationCenter::defaultCenter().post(g_repositionPropertiesNotification, static_cast<QObject*>(&window));
  EXPECT_EQ(paneTop(1), 190);
  EXPECT_EQ(paneTop(2), 710);
  EXPECT_EQ(view->height(), 764);
}

TEST_F(PropertyViewTest, OnItsOwnTheLastLevelFillsTheViewButNeverTurnsNegative) {
  auto* bare = window.place(new CSPropertyView, QRect(0, 0, 260, 50));
  bare->setDelegate(&delegate);
  bare->reloadProperties();
  ASSERT_EQ(bare->levelCount(), 3);
  EXPECT_TRUE(bare->stretchesLastView());
  // Far too short: the last pane gets nothing, not a negative height.
  EXPECT_EQ(bare->level(2)->height, 0);
  EXPECT_EQ(bare->paneForLevel(2)->height(), 0);
  bare->resize(260, 1000);
  EXPECT_EQ(bare->level(2)->height, 1000 - 660 - 4);
  EXPECT_EQ(bare->paneForLevel(2)->geometry(), QRect(0, 660, 260, 336));
  // A closed last level stays closed.
  delete bare;
}

TEST_F(PropertyViewTest, EscapeTakesBackWhatWasTypedIntoAField) {
  show();
  auto* field = new QLineEdit(view->paneForLevel(1));
  field->setText(QStringLiteral("12"));
  field->show();
  field->setFocus();
  QTest::keyClicks(field, QStringLiteral("34"));
  ASSERT_EQ(field->text(), QStringLiteral("1234"));
  ASSERT_TRUE(field->isModified());
  QTest::keyClick(field, Qt::Key_Escape);
  EXPECT_EQ(field->text(), QStringLiteral("12"));
  EXPECT_FALSE(field->isModified());
  // A value shown after typing is what the next Escape goes back to.
  QTest::keyClicks(field, QStringLiteral("5"));
  field->setText(QStringLiteral("7"));
  QTest::keyClicks(field, QStringLiteral("8"));
  QTest::keyClick(field, Qt::Key_Escape);
  EXPECT_EQ(field->text(), QStringLiteral("7"));
}

TEST_F(PropertyViewTest, OldPanesGoOnlyWhenTheEventLoopRuns) {
  show();
  const QPointer<QWidget> old = view->paneForLevel(1);
  view->reloadProperties();
  ASSERT_TRUE(old);
  EXPECT_FALSE(old->isVisible());
  EXPECT_NE(view->paneForLevel(1), old.data());
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_FALSE(old);
}

}  // namespace
