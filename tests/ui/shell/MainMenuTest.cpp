// The drawing window's menu bar: every item reaches a command, shortcuts
// are unique and fire only for what is possible now, Undo follows the
// history, the advanced switch, the recent documents, the window
// commands and list, and the keyboard's return after a modal window.

#include <QAction>
#include <QDialog>
#include <QMenu>
#include <QMenuBar>
#include <QMessageBox>
#include <QSet>
#include <QTest>
#include <QTimer>

#include "RecordingPaintTab.h"
#include "ShellTestSupport.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementRectangle.h"
#include "model/DRPainting.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "support/widgets/CSAlert.h"
#include "support/widgets/CSFocusReturn.h"
#include "testkit/QStringPrinter.h"
#include "ui/FakeClipboardServices.h"
#include "ui/FakeEditorPrefs.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/EditorSetup.h"
#include "ui/shell/CSActionHandler.h"
#include "ui/shell/DRAppController.h"
#include "ui/shell/DRMainMenu.h"
#include "ui/shell/DRWindowController.h"
#include "ui/shell/ShellWindows.h"

namespace {

QString SelectorOf(const QAction* item) {
  return item->property(DRActionRouter::kSelectorProperty).toString();
}

// Every item of the menus, submenus included.
QList<QAction*> ItemsOf(const QList<QAction*>& actions) {
  QList<QAction*> items;
  for (QAction* action : actions) {
    if (action->isSeparator()) continue;
    if (action->menu()) {
      items << ItemsOf(action->menu()->actions());
    } else {
      items << action;
    }
  }
  return items;
}

QAction* FindItem(QMenu* menu, const QString& selector, int tag = 0) {
  for (QAction* item : ItemsOf(menu->actions())) {
    if (SelectorOf(item) == selector && DRDrawVC::senderTag(item) == tag) return item;
  }
  return nullptr;
}

// Commands of the application-wide links, which join a window's chain
// only once the application has launched: checked against their tables.
bool AnsweredByTheApplication(const QString& selector) {
  return DRAppController::actionTable().contains(selector) || CSActionHandler::actionTable().contains(selector);
}

}  // namespace

class MainMenuTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    SetupEditorResources();
    DRWindowController::setPaintTabFactory([](DRWindowController*) {
      return std::make_unique<RecordingPaintTab>(QStringList{QStringLiteral("selectAll:"), QStringLiteral("blur:")});
    });
    m_advanced = g_advancedUser;
    g_advancedUser = false;
    open(false);
  }
  void TearDown() override {
    ShellTest::TearDown();
    g_advancedUser = m_advanced;
    DRWindowController::setPaintTabFactory(nullptr);
  }

  // A window on a new drawing, built with the advanced switch as given, in
  // front and active so that its shortcuts fire.
  void open(bool advanced) {
    if (controller) {
      QMainWindow* window = controller->window();
      controller->windowWillClose();
      window->close();
      Spin();
    }
    g_advancedUser = advanced;
    controller = new DRWindowController(std::make_unique<DRDrawing>());
    g_advancedUser = false;
    QMainWindow* window = controller->window();
    window->resize(700, 500);
    window->show();
    window->activateWindow();
    ASSERT_TRUE(QTest::qWaitForWindowActive(window));
    Spin();
  }

  DRMainMenu* mainMenu() const { return DRMainMenu::of(controller); }
  QList<QAction*> allItems() const { return ItemsOf(mainMenu()->menuBar()->actions()); }
  QMenu* menu(const QString& title) const { return mainMenu()->menu(title); }
  DRDrawing* drawing() const { return controller->drawing(); }
  void addRectangle() {
    auto rect = std::make_unique<DRElementRectangle>();
    rect->setFrame(ConvertViewRect(QRectF(20, 20, 40, 30)));
    rect->setOriginalSize(CSPoint{rect->frame().width, rect->frame().height});
    drawing()->elements().push_back(std::move(rect));
  }
  RecordingPaintTab* openPaintingTab() {
    auto bitmap = std::make_unique<DRElementBitmap>(std::make_shared<DRPainting>(QSizeF(20, 20)));
    bitmap->setGuid(QStringLiteral("g1"));
    bitmap->setFrame(ConvertViewRect(QRectF(10, 10, 20, 20)));
    DRElement* raw = bitmap.get();
    drawing()->elements().push_back(std::move(bitmap));
    controller->drawView()->setSelection({raw});
    controller->editPaintings();
    const auto* record = controller->bitmapDictForGuid(QStringLiteral("g1"));
    return record ? static_cast<RecordingPaintTab*>(record->control.get()) : nullptr;
  }
  // Shows the menu and hides it again: its items are validated meanwhile.
  static void showAndHide(QMenu* menu, const std::function<void()>& whileShown = nullptr) {
    menu->popup(QPoint(0, 0));
    Spin();
    if (whileShown) whileShown();
    menu->hide();
    Spin();
  }
  void press(QKeySequence key) {
    const QKeyCombination combination = key[0];
    QTest::keyClick(controller->window(), combination.key(), combination.keyboardModifiers());
    Spin();
  }

  FakeModelServices services;
  FakeEditorPrefs prefs;
  FakeClipboardServices clipboard;
  SettingsScope settings;
  QPointer<DRWindowController> controller;

 private:
  bool m_advanced = false;
};

TEST_F(MainMenuTest, EveryItemReachesACommandThatSomeoneAnswers) {
  open(true);
  const QStringList titles{DRMainMenu::kFileMenu,  DRMainMenu::kEditMenu,  DRMainMenu::kArrangeMenu,
                           DRMainMenu::kTextMenu,  DRMainMenu::kDrawMenu,  DRMainMenu::kPaintMenu,
                           DRMainMenu::kViewMenu,  DRMainMenu::kWindowMenu, DRMainMenu::kHelpMenu};
  for (const QString& title : titles) EXPECT_NE(menu(title), nullptr) << title.toStdString();

  int routed = 0;
  for (QAction* item : allItems()) {
    const QString selector = SelectorOf(item);
    // Only the recent documents and "Clear Menu" act by themselves.
    if (selector.isEmpty()) {
      EXPECT_EQ(item->parent(), mainMenu()->recentMenu()) << item->text().toStdString();
      continue;
    }
    ++routed;
    EXPECT_TRUE(controller->actionRouter().targetForAction(selector) || AnsweredByTheApplication(selector))
        << selector.toStdString();
  }
  EXPECT_GT(routed, 80);

  // The tags the commands read.
  struct Row {
    const char* selector;
    int tag;
  };
  const Row tagged[] = {{"rotateFixed:", 90}, {"rotateFixed:", 270}, {"zoomByPercent:", 1}, {"zoomByPercent:", 2},
                        {"changeStyle:", 3},  {"changeAlignment:", 2}, {"resizeFont:", -1}, {"flip:", 1},
                        {"setUnits:", 3},     {"selectElement:", 1},   {"swapSelectionColors:", 1}};
  for (const Row& row : tagged) {
    bool found = false;
    for (QAction* candidate : allItems()) {
      found = found || (SelectorOf(candidate) == QLatin1String(row.selector) &&
                        candidate->property(DRDrawVC::kTagProperty).isValid() && DRDrawVC::senderTag(candidate) == row.tag);
    }
    EXPECT_TRUE(found) << row.selector << " " << row.tag;
  }
}

TEST_F(MainMenuTest, NoTwoItemsShareAShortcut) {
  open(true);
  QHash<QKeySequence, QString> owners;
  for (QAction* item : allItems()) {
    for (const QKeySequence& key : item->shortcuts()) {
      ASSERT_FALSE(key.isEmpty());
      EXPECT_FALSE(owners.contains(key)) << key.toString().toStdString() << ": " << item->text().toStdString()
                                         << " and " << owners.value(key).toStdString();
      owners.insert(key, item->text());
    }
  }
  EXPECT_EQ(owners.value(QKeySequence(QStringLiteral("Ctrl+D"))), QStringLiteral("Duplicate"));
  EXPECT_EQ(owners.value(QKeySequence(QStringLiteral("Ctrl+Shift+G"))), QStringLiteral("Ungroup"));
  EXPECT_EQ(owners.value(QKeySequence(QKeySequence::Undo)), QStringLiteral("Undo"));
}

TEST_F(MainMenuTest, UndoAndRedoAreTitledAfterTheChangeTheyWouldTakeBack) {
  QMenu* edit = menu(DRMainMenu::kEditMenu);
  QAction* undo = edit->findChild<QAction*>(QStringLiteral("undoEdit"));
  QAction* redo = edit->findChild<QAction*>(QStringLiteral("redoEdit"));
  ASSERT_TRUE(undo && redo);
  EXPECT_EQ(SelectorOf(undo), QStringLiteral("undoEdit:"));
  EXPECT_EQ(SelectorOf(redo), QStringLiteral("redoEdit:"));

  showAndHide(edit, [&] { EXPECT_FALSE(undo->isEnabled()); });
  addRectangle();
  controller->drawView()->setSelection({drawing()->elements().front().get()});
  FindItem(edit, QStringLiteral("delete:"))->trigger();
  ASSERT_TRUE(drawing()->elements().empty());
  showAndHide(edit, [&] {
    EXPECT_EQ(undo->text(), QStringLiteral("Undo Delete"));
    EXPECT_TRUE(undo->isEnabled());
    EXPECT_FALSE(redo->isEnabled());
  });

  press(QKeySequence(QKeySequence::Undo));
  EXPECT_EQ(drawing()->elements().size(), 1u);
  showAndHide(edit, [&] {
    EXPECT_EQ(undo->text(), QStringLiteral("Undo"));
    EXPECT_EQ(redo->text(), QStringLiteral("Redo Delete"));
    EXPECT_TRUE(redo->isEnabled());
  });
}

TEST_F(MainMenuTest, CombiningShapesAndSteppingThroughElementsNeedTheAdvancedSwitch) {
  for (const bool advanced : {false, true}) {
    SCOPED_TRACE(advanced);
    open(advanced);
    int combine = 0;
    int stepping = 0;
    for (QAction* item : allItems()) {
      combine += SelectorOf(item) == QLatin1String("groupMulti:");
      stepping += SelectorOf(item) == QLatin1String("selectElement:");
    }
    EXPECT_EQ(combine, advanced ? 1 : 0);
    EXPECT_EQ(stepping, advanced ? 2 : 0);
    EXPECT_EQ(FindItem(menu(DRMainMenu::kDrawMenu), QStringLiteral("groupMulti:")) != nullptr, advanced);
    EXPECT_EQ(FindItem(menu(DRMainMenu::kEditMenu), QStringLiteral("selectElement:"), 1) != nullptr, advanced);
  }
}

TEST_F(MainMenuTest, AShortcutSendsItsCommandOnlyWhileItIsPossible) {
  const QKeySequence selectAll(QKeySequence::SelectAll);
  QAction* item = FindItem(menu(DRMainMenu::kEditMenu), QStringLiteral("selectAll:"));
  ASSERT_NE(item, nullptr);

  // An empty drawing: nothing to select, and the item stays ready for later.
  press(selectAll);
  EXPECT_TRUE(controller->drawView()->selection().empty());
  EXPECT_TRUE(item->isEnabled());
  addRectangle();
  addRectangle();
  press(selectAll);
  EXPECT_EQ(controller->drawView()->selection().size(), 2u);

  // On a painting tab the controller's validation decides.
  RecordingPaintTab* tab = openPaintingTab();
  ASSERT_NE(tab, nullptr);
  tab->enabled = false;
  press(selectAll);
  EXPECT_TRUE(tab->received.isEmpty());
  // The menu shown while the command is impossible disables the item, and
  // hidden again gives the shortcut back.
  showAndHide(menu(DRMainMenu::kEditMenu), [&] { EXPECT_FALSE(item->isEnabled()); });
  EXPECT_TRUE(item->isEnabled());
  tab->enabled = true;
  press(selectAll);
  EXPECT_EQ(tab->received, QStringList{"selectAll: 0"});

  // While a button is held the canvas is dragging: the key waits.
  QWindow* handle = controller->window()->windowHandle();
  const QPoint inCanvas = controller->scrollView()->mapTo(controller->window(), QPoint(20, 20));
  QTest::mousePress(handle, Qt::LeftButton, {}, inCanvas);
  press(selectAll);
  QTest::mouseRelease(handle, Qt::LeftButton, {}, inCanvas);
  press(selectAll);
  EXPECT_EQ(tab->received, (QStringList{"selectAll: 0", "selectAll: 0"}));
}

TEST_F(MainMenuTest, TheFirstShortcutAfterAModalClosesReachesTheWindow) {
  InstallModalFocusReturn();  // as the application does at start-up
  addRectangle();
  addRectangle();
  QMainWindow* window = controller->window();
  DRDrawView* canvas = controller->drawView();
  canvas->setFocus(Qt::OtherFocusReason);
  ASSERT_EQ(QApplication::focusWidget(), canvas);
  // Ends the modal window in front as the user would, once it shows.
  auto endWhenShown = [](const std::function<void(QWidget*)>& end) {
    QTimer::singleShot(0, [end] {
      ASSERT_TRUE(SpinUntil([] { return QApplication::activeModalWidget() != nullptr; }));
      QWidget* modal = QApplication::activeModalWidget();
      ASSERT_TRUE(QTest::qWaitForWindowActive(modal));
      end(modal);
    });
  };
  const struct {
    const char* name;
    std::function<void()> run;
  } rows[] = {
      {"a sheet",
       [&] {
         auto* sheet = new QDialog;
         bool ended = false;
         RunSheet(sheet, window, [&ended](int) { ended = true; });
         ASSERT_TRUE(QTest::qWaitForWindowActive(sheet));
         sheet->reject();
         ASSERT_TRUE(SpinUntil([&ended] { return ended; }));
       }},
      {"an alert on the window",
       [&] {
         bool ended = false;
         CSAlert::sharedInstance()->startAlertMessage(
             QStringLiteral("Question?"), QString(), {QStringLiteral("OK"), g_cancel}, false, window,
             [&ended](QMessageBox*, int, void*) { ended = true; }, nullptr);
         QWidget* alert = QApplication::activeModalWidget();
         ASSERT_NE(alert, nullptr);
         ASSERT_TRUE(QTest::qWaitForWindowActive(alert));
         QTest::keyClick(alert->windowHandle(), Qt::Key_Escape);
         ASSERT_TRUE(SpinUntil([&ended] { return ended; }));
       }},
      {"a blocking panel",
       [&] {
         QDialog panel(window);
         endWhenShown([](QWidget* modal) { static_cast<QDialog*>(modal)->reject(); });
         ExecDialog(&panel);
       }},
      {"an application alert",
       [&] {
         endWhenShown([](QWidget* modal) { QTest::keyClick(modal->windowHandle(), Qt::Key_Escape); });
         CSAlert::sharedInstance()->giveAlertMessage(QStringLiteral("Note"), QString(), false, {}, nullptr);
       }},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(row.name);
    canvas->setSelection({});
    row.run();
    Spin();
    EXPECT_EQ(QApplication::activeWindow(), window);
    EXPECT_EQ(QApplication::focusWidget(), canvas);
    // Typed as the user types: to the window that has the keyboard.
    QWindow* keyboard = QGuiApplication::focusWindow();
    ASSERT_EQ(keyboard, window->windowHandle());
    const QKeyCombination selectAll = QKeySequence(QKeySequence::SelectAll)[0];
    QTest::keyClick(keyboard, selectAll.key(), selectAll.keyboardModifiers());
    Spin();
    EXPECT_EQ(canvas->selection().size(), 2u);
  }
}

TEST_F(MainMenuTest, PaintingCommandsAreAvailableOnlyOnAPaintingTab) {
  QMenu* paint = menu(DRMainMenu::kPaintMenu);
  QAction* blur = FindItem(paint, QStringLiteral("blur:"));
  ASSERT_NE(blur, nullptr);
  showAndHide(paint, [&] { EXPECT_FALSE(blur->isEnabled()); });
  RecordingPaintTab* tab = openPaintingTab();
  ASSERT_NE(tab, nullptr);
  showAndHide(paint, [&] { EXPECT_TRUE(blur->isEnabled()); });
  blur->trigger();
  EXPECT_EQ(tab->received, QStringList{"blur: 0"});
}

TEST_F(MainMenuTest, OpenRecentListsTheDelegatesFilesAndClears) {
  RecordingDelegate delegate;
  delegate.makeUntitled = false;
  delegate.applicationWillFinishLaunching();
  delegate.applicationDidFinishLaunching();
  const QString first = file(QStringLiteral("first.twd"));
  const QString second = file(QStringLiteral("second.twd"));
  delegate.recordRecentFile(first);
  delegate.recordRecentFile(second);

  QMenu* recent = mainMenu()->recentMenu();
  ASSERT_NE(recent, nullptr);
  QStringList titles;
  showAndHide(recent, [&] {
    for (QAction* item : recent->actions()) titles << (item->isSeparator() ? QStringLiteral("-") : item->text());
  });
  EXPECT_EQ(titles, (QStringList{"second.twd", "first.twd", "-", "Clear Menu"}));

  recent->actions().at(1)->trigger();
  Spin();
  EXPECT_EQ(delegate.opened, QStringList{first});

  recent->actions().last()->trigger();
  EXPECT_TRUE(delegate.recentDocuments().isEmpty());
  showAndHide(recent, [&] {
    ASSERT_EQ(recent->actions().size(), 1);
    EXPECT_EQ(recent->actions().first()->text(), QStringLiteral("Clear Menu"));
    EXPECT_FALSE(recent->actions().first()->isEnabled());
  });
}

TEST_F(MainMenuTest, TheWindowMenuListsTheDocumentWindowsAndBringsOneForward) {
  auto* second = new DRWindowController(std::make_unique<DRDrawing>());
  second->setTitle(QStringLiteral("Plan & Section.twd"));
  auto* third = new CSDocumentWC(std::make_unique<TestDocument>());
  third->setTitle(QStringLiteral("Notes.txt"));
  for (CSDocumentWC* other : {static_cast<CSDocumentWC*>(second), third}) {
    other->window()->resize(300, 200);
    MakeKeyAndOrderFront(other->window());
  }
  MakeKeyAndOrderFront(controller->window());
  Spin();

  QMenu* windows = menu(DRMainMenu::kWindowMenu);
  // The listed windows: the items after the last separator.
  auto listed = [windows] {
    QList<QAction*> items;
    for (QAction* item : windows->actions()) {
      if (item->isSeparator()) {
        items.clear();
      } else {
        items << item;
      }
    }
    return items;
  };
  QStringList titles;
  QList<bool> checks;
  for (int pass = 0; pass < 2; ++pass) {  // shown again, nothing is listed twice
    titles.clear();
    checks.clear();
    showAndHide(windows, [&] {
      for (QAction* item : listed()) {
        titles << item->text();
        checks << item->isChecked();
      }
    });
  }
  EXPECT_EQ(titles, (QStringList{"Untitled", "Plan && Section.twd", "Notes.txt"}));
  EXPECT_EQ(checks, (QList<bool>{true, false, false}));

  QAction* choice = listed().value(1);
  ASSERT_NE(choice, nullptr);
  choice->trigger();
  Spin();
  EXPECT_EQ(OrderedControllers().value(0), second);
  EXPECT_EQ(QApplication::activeWindow(), second->window());
}

TEST_F(MainMenuTest, TheWindowCommandsWork) {
  QMainWindow* window = controller->window();
  QMenu* windows = menu(DRMainMenu::kWindowMenu);
  FindItem(windows, QStringLiteral("performZoom:"))->trigger();
  EXPECT_TRUE(window->isMaximized());
  FindItem(windows, QStringLiteral("performZoom:"))->trigger();
  EXPECT_FALSE(window->isMaximized());
  FindItem(windows, QStringLiteral("performMiniaturize:"))->trigger();
  EXPECT_TRUE(window->isMinimized());
  window->showNormal();

  // Closing a clean drawing's window needs no question.
  QPointer<QMainWindow> guard(window);
  FindItem(menu(DRMainMenu::kFileMenu), QStringLiteral("performClose:"))->trigger();
  Spin();
  EXPECT_TRUE(guard.isNull() || !guard->isVisible());

  // Quitting asks the application's delegate.
  RecordingDelegate delegate;
  delegate.makeUntitled = false;
  delegate.applicationWillFinishLaunching();
  delegate.applicationDidFinishLaunching();
  open(false);
  FindItem(menu(DRMainMenu::kFileMenu), QStringLiteral("terminate:"))->trigger();
  Spin();
  EXPECT_EQ(delegate.exitCount, 1);
}
