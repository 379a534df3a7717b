#include <gtest/gtest.h>

#include <QAction>
#include <QCoreApplication>
#include <QCursor>
#include <QDir>
#include <QEnterEvent>
#include <QFile>
#include <QFileDialog>
#include <QHeaderView>
#include <QLabel>
#include <QPointer>
#include <QScrollBar>
#include <QStandardItemModel>
#include <QTableView>
#include <QTemporaryDir>
#include <memory>

#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/CSKernel.h"
#include "support/CSUndoManager.h"
#include "support/ChromeDrawing.h"
#include "support/Kolor.h"
#include "testkit/ImageCompare.h"
#include "ui/HarnessWindow.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/DRTabBandPainter.h"
#include "ui/shell/CSAnimatingSplitView.h"
#include "ui/shell/CSContainerView.h"
#include "ui/shell/CSNotifyingScrollView.h"
#include "ui/shell/CSPopoverBaseVC.h"
#include "ui/shell/CSScroller.h"
#include "ui/shell/CSSidePanelAnimation.h"
#include "ui/shell/ShellSeams.h"
#include "ui/shell/WindowChrome.h"

namespace {

class RecordingDependent : public CSPopoverDependent {
 public:
  void popoverWillClose() override { ++closings; }
  int closings = 0;
};

// Shift held, or not, for the animations' durations.
class ScopedModifiers {
 public:
  explicit ScopedModifiers(Qt::KeyboardModifiers modifiers) {
    SetKeyboardModifiersSource([modifiers] { return modifiers; });
  }
  ~ScopedModifiers() { SetKeyboardModifiersSource(nullptr); }
};

}  // namespace

// ---- Popovers ----------------------------------------------------------------

TEST(PopoverBase, ClosingAllPopoversPostsOnlyWhenOneIsOpen) {
  NotificationRecorder posts({CSPopoverBaseVC::kClosePopoversNotification});
  ASSERT_FALSE(CSPopoverBaseVC::arePopoversRegistered());
  CSPopoverBaseVC::closePopovers();
  EXPECT_EQ(posts.posted().size(), 0u);

  RecordingDependent dependent;
  auto controller = std::make_unique<CSPopoverBaseVC>();
  EXPECT_EQ(CSPopoverBaseVC::openCount(), 1u);
  QPointer<QWidget> popup = new QLabel(QStringLiteral("popover"));
  controller->setPopover(popup);
  controller->setDependent(&dependent);
  EXPECT_TRUE(popup->windowFlags() & Qt::Popup);
  popup->show();

  CSPopoverBaseVC::closePopovers();
  ASSERT_EQ(posts.posted().size(), 1u);
  EXPECT_EQ(posts.posted()[0].object, nullptr);
  EXPECT_FALSE(popup->isVisible());
  EXPECT_EQ(dependent.closings, 1);
  EXPECT_EQ(controller->popover(), nullptr);
  EXPECT_FALSE(CSPopoverBaseVC::arePopoversRegistered());
  // Let go, and deleted once the event loop turns.
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  EXPECT_TRUE(popup.isNull());

  CSPopoverBaseVC::closePopovers();
  EXPECT_EQ(posts.posted().size(), 1u);
  EXPECT_EQ(dependent.closings, 1);
}

TEST(PopoverBase, TheUndoMenuClosesOpenPopovers) {
  auto controller = std::make_unique<CSPopoverBaseVC>();
  auto* popup = new QLabel(QStringLiteral("popover"));
  controller->setPopover(popup);
  popup->show();
  CSUndoManager manager;
  QAction undo;
  undo.setObjectName(QStringLiteral("undoEdit"));
  manager.validateMenuItem(&undo);
  EXPECT_EQ(controller->popover(), nullptr);
  EXPECT_FALSE(CSPopoverBaseVC::arePopoversRegistered());
}

TEST(PopoverBase, AControllerGoneBeforeItsPopoverClosedIsNoLongerCounted) {
  {
    CSPopoverBaseVC first;
    CSPopoverBaseVC second;
    EXPECT_EQ(CSPopoverBaseVC::openCount(), 2u);
    second.setPopover(new QLabel(QStringLiteral("never shown")));
  }
  EXPECT_EQ(CSPopoverBaseVC::openCount(), 0u);
  QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  NotificationRecorder posts({CSPopoverBaseVC::kClosePopoversNotification});
  CSPopoverBaseVC::closePopovers();
  EXPECT_EQ(posts.posted().size(), 0u);
}

// ---- Container and scroll views -------------------------------------------------

TEST(ContainerView, PaintsItsBackgroundOrThePanels) {
  HarnessWindow harness(QSize(100, 100));
  auto* view = harness.place(new CSContainerView, QRect(0, 0, 40, 40));
  view->setBackgroundColor(QColor(10, 120, 200));
  EXPECT_TRUE(ColorNear(HarnessWindow::grabView(view).pixel(20, 20), QColor(10, 120, 200)));
  const QColor saved = g_formatPanelBackground;
  g_formatPanelBackground = QColor(200, 30, 30);
  for (const QColor& none : {QColor(), QColor(Qt::transparent)}) {
    view->setBackgroundColor(none);
    EXPECT_TRUE(ColorNear(HarnessWindow::grabView(view).pixel(20, 20), QColor(200, 30, 30)));
  }
  g_formatPanelBackground = saved;
}

TEST(NotifyingScrollView, AUserScrollIsAnnouncedOnceAfterTheViewMoved) {
  HarnessWindow harness(QSize(300, 300));
  auto* scroll = harness.place(new CSNotifyingScrollView, QRect(0, 0, 200, 200));
  auto* document = new QWidget;
  document->resize(1000, 1000);
  scroll->setWidget(document);
  QCoreApplication::processEvents();

  // What the document's place was when each announcement came.
  std::vector<QPoint> placesSeen;
  NotificationRecorder posts(
      {CSNotifyingScrollView::kVerticalScrollNotification, CSNotifyingScrollView::kHorizontalScrollNotification});
  NotificationCenter::defaultCenter().addObserver(
      &placesSeen, QString(), document,
      [&placesSeen, document](const CSNotification&) { placesSeen.push_back(document->pos()); });
  QScrollBar* vertical = scroll->verticalScrollBar();
  vertical->triggerAction(QAbstractSlider::SliderSingleStepAdd);
  ASSERT_EQ(posts.posted().size(), 1u);
  EXPECT_EQ(posts.posted()[0].name, QStringLiteral("tindlewick.vscroll"));
  EXPECT_EQ(posts.posted()[0].object, document);
  ASSERT_EQ(placesSeen.size(), 1u);
  EXPECT_EQ(placesSeen[0].y(), -vertical->value());
  EXPECT_NE(vertical->value(), 0);

  scroll->horizontalScrollBar()->triggerAction(QAbstractSlider::SliderPageStepAdd);
  ASSERT_EQ(posts.posted().size(), 2u);
  EXPECT_EQ(posts.posted()[1].name, QStringLiteral("tindlewick.hscroll"));

  // A step that cannot move, and a move made by the program, say nothing.
  vertical->triggerAction(QAbstractSlider::SliderToMinimum);
  posts.clear();
  vertical->triggerAction(QAbstractSlider::SliderSingleStepSub);
  vertical->setValue(40);
  EXPECT_EQ(posts.posted().size(), 0u);
  // Nor does a later programmatic move after a refused step.
  vertical->setValue(80);
  EXPECT_EQ(posts.posted().size(), 0u);
  NotificationCenter::defaultCenter().removeObserver(&placesSeen);
}

// ---- Scroller ------------------------------------------------------------------

TEST(Scroller, DrawsItsOwnSlotAndKnobOnlyWhenDark) {
  // The pointer well away, so neither scroll bar is drawn hovered.
  QCursor::setPos(QPoint(5000, 5000));
  HarnessWindow harness(QSize(100, 300));
  auto* scroller = harness.place(new CSScroller(Qt::Vertical), QRect(0, 0, 15, 200));
  scroller->setRange(0, 300);
  scroller->setPageStep(100);
  scroller->setValue(0);
  auto* plain = harness.place(new QScrollBar(Qt::Vertical), QRect(20, 0, 15, 200));
  plain->setRange(0, 300);
  plain->setPageStep(100);

  // Light: exactly the platform's scroll bar.
  g_darkMode = false;
  EXPECT_TRUE(ImagesMatch(HarnessWindow::grabView(scroller), HarnessWindow::grabView(plain), 0,
                          QStringLiteral("scroller-light")));

  g_darkMode = true;
  QImage image = HarnessWindow::grabView(scroller);
  image.save(TestImageOutputFolder() + QStringLiteral("/scroller-dark.png"));
  const QRect knob = scroller->knobRect().toRect();
  ASSERT_FALSE(knob.isEmpty());
  // The slot: its edges half a point inside, the groove fill between.
  const int below = knob.bottom() + 10;
  ASSERT_LT(below, 195);
  EXPECT_TRUE(ColorNear(image.pixel(0, below), ColorFromKolor(0x64383838)));
  EXPECT_TRUE(ColorNear(image.pixel(14, below), ColorFromKolor(0x64383838)));
  EXPECT_TRUE(ColorNear(image.pixel(7, below), ColorFromKolor(0x641F1F1F)));
  // The knob: filled, and lighter while the mouse is in.
  const QPoint middle = knob.center();
  EXPECT_TRUE(ColorNear(image.pixel(middle), ColorFromKolor(0x64464646)));
  QEnterEvent enter(QPointF(7, 50), QPointF(7, 50), QPointF(7, 50));
  QCoreApplication::sendEvent(scroller, &enter);
  EXPECT_TRUE(scroller->highlighted());
  EXPECT_TRUE(ColorNear(HarnessWindow::grabView(scroller).pixel(middle), ColorFromKolor(0x648C8C8C)));
  QEvent leave(QEvent::Leave);
  QCoreApplication::sendEvent(scroller, &leave);
  EXPECT_FALSE(scroller->highlighted());

  // Nothing to scroll: the no-knob fill and no knob.
  scroller->setRange(0, 0);
  image = HarnessWindow::grabView(scroller);
  EXPECT_TRUE(ColorNear(image.pixel(7, 100), ColorFromKolor(0x642F2F2F)));
  EXPECT_TRUE(ColorNear(image.pixel(7, 10), ColorFromKolor(0x642F2F2F)));
  g_darkMode = false;
}

TEST(WindowChrome, InstallingRegistersTheChromesDrawing) {
  SetTabBandPainter(nullptr);
  SetScrollerGrooveColorsProvider(nullptr);
  InstallWindowChrome();
  EXPECT_NE(TabBandPainter(), nullptr);
  const CSScrollerGrooveColors colors = ScrollerGrooveColors();
  EXPECT_EQ(colors.edge, ColorFromKolor(0x64383838));
  EXPECT_EQ(colors.fill, ColorFromKolor(0x641F1F1F));
  EXPECT_EQ(colors.noKnobFill, ColorFromKolor(0x642F2F2F));
  SetTabBandPainter(nullptr);
  SetScrollerGrooveColorsProvider(nullptr);
  EXPECT_EQ(ConvertPointToScreen(nullptr, QPointF(5, 5)), QPointF(0, 0));
}

// ---- Split view and side panel ---------------------------------------------------

TEST(AnimatingSplitView, DurationsAndTravel) {
  HarnessWindow harness(QSize(500, 300));
  auto* split = harness.place(new CSAnimatingSplitView(Qt::Horizontal), QRect(0, 0, 400, 200));
  split->addWidget(new QWidget);
  split->addWidget(new QWidget);
  split->setSizes({150, 250});
  QCoreApplication::processEvents();
  const double start = split->dividerPosition(0);
  struct Case {
    bool shift;
    bool atFar;
    double duration;
  } cases[] = {
      {false, false, 0.1125},
      {true, false, 1.125},
      {false, true, 0.45},
      {true, true, 4.5},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(testing::Message() << row.shift << row.atFar);
    const ScopedModifiers modifiers(row.shift ? Qt::ShiftModifier : Qt::NoModifier);
    split->setSizes({150, 250});
    CSAnimatingSplitView::SplitPlan plan = split->planSegment(0, true);
    if (row.atFar) {
      split->setSizes({400, 0});
      plan = split->planSegment(0, true);
      EXPECT_EQ(plan.end, 0.0);  // back to the near end
    } else {
      EXPECT_EQ(plan.start, start);
      EXPECT_GT(plan.end, plan.start);
    }
    EXPECT_DOUBLE_EQ(plan.duration, row.duration);
  }

  // Run once: the call returns with the divider at its far end.
  split->setSizes({150, 250});
  const CSAnimatingSplitView::SplitPlan plan = split->planSegment(0, true);
  split->animateSegment(0, true);
  EXPECT_FALSE(split->isAnimating());
  EXPECT_EQ(split->dividerPosition(0), plan.end);
  // Half-way is the nearest whole point between the ends.
  split->animateSplitToPosition(0.5);
  EXPECT_EQ(split->dividerPosition(0), std::round((plan.start + plan.end) / 2));
}

TEST(SidePanelAnimation, PositionsAlongTheSlide) {
  struct Case {
    bool right;
    int progressHalfPanelX;
    int startX;
    int endX;
    QRect donorAtEnd;
  } cases[] = {
      {true, 350, 400, 300, QRect(0, 0, 300, 200)},
      {false, -50, -100, 0, QRect(100, 0, 300, 200)},
  };
  for (const Case& row : cases) {
    SCOPED_TRACE(row.right);
    const ScopedModifiers modifiers(Qt::NoModifier);
    HarnessWindow harness(QSize(400, 200));
    auto* donor = harness.place(new QWidget, QRect(0, 0, 400, 200));
    auto* panel = new QWidget;  // no parent: it is brought in
    panel->resize(100, 50);
    CSSidePanelAnimation animation(0.33);
    EXPECT_DOUBLE_EQ(animation.duration(), 0.33);
    animation.setPanel(panel);
    animation.setDonor(donor);
    animation.setRight(row.right);
    animation.prepareToStart();
    EXPECT_TRUE(animation.attaching());
    EXPECT_EQ(panel->parentWidget(), &harness);
    EXPECT_EQ(panel->geometry(), QRect(row.startX, 0, 100, 200));  // the donor's height

    animation.setCurrentProgress(0);
    EXPECT_EQ(panel->x(), row.startX);
    EXPECT_EQ(donor->geometry(), QRect(0, 0, 400, 200));
    animation.setCurrentProgress(0.5);
    EXPECT_EQ(panel->x(), row.progressHalfPanelX);
    EXPECT_EQ(donor->geometry().left() + donor->geometry().width(), row.right ? 350 : 400);
    animation.setCurrentProgress(1);
    EXPECT_EQ(panel->x(), row.endX);
    EXPECT_EQ(donor->geometry(), row.donorAtEnd);

    // Sliding it out again takes it away when the animation goes.
    {
      CSSidePanelAnimation out(0.33);
      out.setPanel(panel);
      out.setDonor(donor);
      out.setRight(row.right);
      out.prepareToStart();
      EXPECT_FALSE(out.attaching());
      EXPECT_EQ(out.startPosition(), row.endX);
      EXPECT_EQ(out.endPosition(), row.startX);
      out.setCurrentProgress(1);
      EXPECT_EQ(donor->geometry(), QRect(0, 0, 400, 200));
    }
    EXPECT_EQ(panel->parentWidget(), nullptr);
    delete panel;
  }
  const ScopedModifiers shift(Qt::ShiftModifier);
  EXPECT_DOUBLE_EQ(CSSidePanelAnimation(0.33).duration(), 3.3);
}

// ---- Tables and file dialogs -------------------------------------------------------

TEST(TableCentring, SelectAndCenterRows) {
  HarnessWindow harness(QSize(300, 300));
  auto* table = harness.place(new QTableView, QRect(0, 0, 200, 200));
  QStandardItemModel model(100, 2);
  table->setModel(&model);
  table->setVerticalScrollMode(QAbstractItemView::ScrollPerPixel);
  table->verticalHeader()->setSectionResizeMode(QHeaderView::Fixed);
  table->verticalHeader()->setDefaultSectionSize(20);
  QCoreApplication::processEvents();

  SelectAndCenter(table, 50);
  EXPECT_EQ(table->selectionModel()->selectedRows().size(), 1);
  EXPECT_EQ(table->selectionModel()->selectedRows().first().row(), 50);
  // Scrolled into view at the bottom, then a third of the height towards the
  // middle.
  const int visible = table->viewport()->height();
  EXPECT_EQ(table->rowViewportPosition(50), (visible - 20) - visible * 2 / 3);

  SelectAndCenter(table, 100);  // the row count: nothing
  SelectAndCenter(table, kRowNotFound);
  EXPECT_EQ(table->selectionModel()->selectedRows().first().row(), 50);
  SelectAndCenter(table, -1);
  EXPECT_TRUE(table->selectionModel()->selectedRows().isEmpty());

  // A row at the top edge moves down by a third.
  table->verticalScrollBar()->setValue(400);
  SelectAndCenter(table, 20);
  EXPECT_EQ(table->rowViewportPosition(20), visible / 3);
  // A row well inside the view does not move it.
  const int value = table->verticalScrollBar()->value();
  SelectAndCenter(table, 22);
  EXPECT_EQ(table->verticalScrollBar()->value(), value);
}

TEST(FileDialogJump, OpensAtTheFolderOfAPath) {
  QTemporaryDir folder;
  ASSERT_TRUE(folder.isValid());
  QDir(folder.path()).mkdir(QStringLiteral("inner"));
  QFile file(folder.filePath(QStringLiteral("drawing.twd")));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.close();

  QFileDialog dialog;
  dialog.setOption(QFileDialog::DontUseNativeDialog);
  dialog.setDirectory(QDir::rootPath());
  const QString start = dialog.directory().absolutePath();
  struct {
    QString path;
    QString folder;
  } cases[] = {
      {folder.filePath(QStringLiteral("drawing.twd")), QDir(folder.path()).absolutePath()},
      {folder.filePath(QStringLiteral("inner")), QDir(folder.filePath(QStringLiteral("inner"))).absolutePath()},
      {folder.filePath(QStringLiteral("missing.twd")), QDir(folder.filePath(QStringLiteral("inner"))).absolutePath()},
      {QString(), QDir(folder.filePath(QStringLiteral("inner"))).absolutePath()},
  };
  EXPECT_EQ(start, QDir::rootPath());
  for (const auto& row : cases) {
    SCOPED_TRACE(row.path.toStdString());
    JumpToFolder(&dialog, row.path);
    EXPECT_EQ(dialog.directory().absolutePath(), row.folder);
  }
}
