// Quitting: the conversation with dirty windows one at a time, the reopen
// list it leaves, and the quit that follows the user closing the last
// document window.

#include "ShellTestSupport.h"
#include "ui/ScriptedAlerts.h"
#include "ui/shell/CSStartup.h"

namespace {

class QuitTest : public ShellTest {
 protected:
  // A launched delegate that makes no untitled document by itself.
  void launch(RecordingDelegate& delegate) {
    delegate.makeUntitled = false;
    delegate.applicationWillFinishLaunching();
    delegate.applicationDidFinishLaunching();
    delegate.makeUntitled = true;
  }
  // Opens the files in turn: the last one ends in front.
  void open(RecordingDelegate& delegate, const QStringList& paths) {
    for (const QString& path : paths) {
      ASSERT_TRUE(delegate.applicationOpenFile(path));
      Spin();
    }
  }
  QString supportFile(const QString& folder, const QString& name) {
    const QString dir = home() + QStringLiteral("/data/") + folder;
    QDir().mkpath(dir);
    QFile out(dir + QLatin1Char('/') + name);
    EXPECT_TRUE(out.open(QIODevice::WriteOnly));
    return out.fileName();
  }
};

TEST_F(QuitTest, DirtyWindowsAreAskedFrontMostFirstOneAtATime) {
  struct {
    const char* name;
    QStringList answers;
    int expectExit;
    QStringList expectAlerts;
    QStringList expectOpen;  // file names still open, front to back
  } cases[] = {
      {"Don't Save, then Save: quits",
       {"Don't Save", "Save"},
       1,
       {"Save changes to b.txt?", "Save changes to a.txt?"},
       {}},
      {"Don't Save, then Cancel: keeps running without the first",
       {"Don't Save", "Cancel"},
       0,
       {"Save changes to b.txt?", "Save changes to a.txt?"},
       {"a.txt"}},
      {"Cancel at once: keeps both", {"Cancel"}, 0, {"Save changes to b.txt?"}, {"b.txt", "a.txt"}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CloseAllWindows();
    QSettings().remove(QStringLiteral("twdraw.openFiles"));
    ScriptedAlerts alerts;
    RecordingDelegate delegate;
    launch(delegate);
    const QString inSupport = supportFile(QStringLiteral("TindleWick/Draw"), QStringLiteral("c.txt"));
    const QString besideSupport = supportFile(QStringLiteral("TindleWickOther"), QStringLiteral("d.txt"));
    const QString a = file(QStringLiteral("a.txt"));
    const QString b = file(QStringLiteral("b.txt"));
    open(delegate, {inSupport, besideSupport, a, b});
    TestDoc(ControllerForPath(a))->setDirty(true);
    TestDoc(ControllerForPath(b))->setDirty(true);

    delegate.terminate();
    EXPECT_TRUE(delegate.isTerminating());
    // The clean windows closed at once; their paths and the dirty ones',
    // front-most first, wait for the reopen list.
    EXPECT_EQ(delegate.openFilePaths(), (QStringList{b, a, besideSupport, inSupport}));
    for (const QString& answer : c.answers) {
      ASSERT_EQ(alerts.pendingCount(), 1);
      ASSERT_TRUE(alerts.answer(answer));
      Spin();
    }
    EXPECT_EQ(alerts.pendingCount(), 0);
    EXPECT_EQ(alerts.messages(), c.expectAlerts);
    EXPECT_EQ(delegate.exitCount, c.expectExit);
    EXPECT_FALSE(delegate.isTerminating());
    QStringList open;
    for (CSDocumentWC* controller : OrderedControllers()) open << LastPathComponent(controller->filePath());
    EXPECT_EQ(open, c.expectOpen);
    if (c.expectExit) {
      // Front-most first, the maker's folder left out but not its namesake.
      EXPECT_EQ(ReopenListPaths(), (QStringList{b, a, besideSupport}));
      QFile saved(a);
      ASSERT_TRUE(saved.open(QIODevice::ReadOnly));
      EXPECT_EQ(saved.readAll(), QByteArray("saved"));
      EXPECT_EQ(delegate.log.filter(QStringLiteral("prepareToQuit")).size(), 1);
    } else {
      EXPECT_FALSE(QSettings().contains(QStringLiteral("twdraw.openFiles")));
    }
  }
}

TEST_F(QuitTest, AWindowCleanByItsTurnClosesAndTheWalkGoesOn) {
  ScriptedAlerts alerts;
  RecordingDelegate delegate;
  launch(delegate);
  const QString a = file(QStringLiteral("a.txt"));
  const QString b = file(QStringLiteral("b.txt"));
  open(delegate, {a, b});
  TestDoc(ControllerForPath(a))->setDirty(true);
  TestDoc(ControllerForPath(b))->setDirty(true);
  delegate.terminate();
  ASSERT_EQ(alerts.pendingCount(), 1);
  // Saved behind the alert's back: by its turn there is nothing to ask.
  TestDoc(ControllerForPath(a))->setDirty(false);
  ASSERT_TRUE(alerts.answer(QStringLiteral("Don't Save")));
  Spin();
  EXPECT_EQ(alerts.messages(), QStringList{"Save changes to b.txt?"});
  EXPECT_EQ(delegate.exitCount, 1);
  EXPECT_TRUE(OrderedControllers().isEmpty());
  EXPECT_EQ(ReopenListPaths(), (QStringList{b, a}));
}

TEST_F(QuitTest, QuittingWithNoWindowRemovesTheStoredListAndGroups) {
  QSettings().setValue(QStringLiteral("twdraw.openFiles"), QStringList{QStringLiteral("-stale")});
  QSettings().setValue(CSWindowTabManager::kWindowTabsKey, QVariantList{QVariantMap{{"paths", QStringList{"/x"}}}});
  RecordingDelegate delegate;
  launch(delegate);
  CloseAllWindows();
  EXPECT_EQ(delegate.applicationShouldTerminate(), CSDocumentAppDelegate::kTerminateNow);
  delegate.terminate();
  EXPECT_EQ(delegate.exitCount, 1);
  EXPECT_FALSE(QSettings().contains(QStringLiteral("twdraw.openFiles")));
  EXPECT_FALSE(QSettings().contains(CSWindowTabManager::kWindowTabsKey));
}

TEST_F(QuitTest, ClosingTheLastWindowQuitsAndTheNextLaunchReopensIt) {
  enum Kind { kSavedFile, kDirtyFile, kUntitled };
  struct {
    const char* name;
    Kind kind;
    QStringList expectAlerts;
  } cases[] = {
      {"a saved file", kSavedFile, {}},
      {"a dirty file asks first", kDirtyFile, {"Save changes to a.txt?"}},
      {"an untitled document leaves no list", kUntitled, {}},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CloseAllWindows();
    QSettings().remove(QStringLiteral("twdraw.openFiles"));
    QSettings().remove(CSWindowTabManager::kWindowTabsKey);
    const QString a = file(QStringLiteral("a.txt"));
    QRect frame;
    {
      ScriptedAlerts alerts;
      RecordingDelegate delegate;
      launch(delegate);
      if (c.kind == kUntitled) {
        ASSERT_TRUE(delegate.applicationOpenUntitledFile());
      } else {
        open(delegate, {a});
      }
      CSDocumentWC* controller = OrderedControllers().value(0);
      ASSERT_NE(controller, nullptr);
      controller->window()->setGeometry(30, 40, 380, 260);
      frame = controller->window()->geometry();
      if (c.kind == kDirtyFile) TestDoc(controller)->setDirty(true);
      controller->window()->close();  // the user's close
      if (c.kind == kDirtyFile) {
        EXPECT_EQ(delegate.exitCount, 0);  // waits for the answer
        ASSERT_TRUE(alerts.answer(QStringLiteral("Don't Save")));
      }
      Spin();
      EXPECT_EQ(alerts.messages(), c.expectAlerts);
      EXPECT_EQ(delegate.exitCount, 1);
      EXPECT_TRUE(OrderedControllers().isEmpty());
    }
    if (c.kind == kUntitled) {
      EXPECT_FALSE(QSettings().contains(QStringLiteral("twdraw.openFiles")));
      EXPECT_FALSE(QSettings().contains(CSWindowTabManager::kWindowTabsKey));
      continue;
    }
    EXPECT_EQ(ReopenListPaths(), QStringList{a});
    const QVariantList records = QSettings().value(CSWindowTabManager::kWindowTabsKey).toList();
    ASSERT_EQ(records.size(), 1);
    EXPECT_EQ(records[0].toMap().value("paths").toStringList(), QStringList{a});

    RecordingDelegate next;
    CSStartup startup(next, {}, home());
    startup.launch();
    Spin();
    EXPECT_EQ(next.opened, QStringList{a});
    EXPECT_EQ(next.untitledCount, 0);
    CSDocumentWC* reopened = ControllerForPath(a);
    ASSERT_NE(reopened, nullptr);
    EXPECT_EQ(reopened->window()->geometry(), frame);
  }
}

TEST_F(QuitTest, ClosesThatQuitNothing) {
  struct {
    const char* name;
    bool byProgram;
    int windows;
  } cases[] = {
      {"the program closes the last window", true, 1},
      {"the user closes one of two windows", false, 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CloseAllWindows();
    RecordingDelegate delegate;
    launch(delegate);
    open(delegate, {file(QStringLiteral("a.txt"))});
    if (c.windows > 1) open(delegate, {file(QStringLiteral("b.txt"))});
    CSDocumentWC* front = OrderedControllers().first();
    if (c.byProgram) {
      delegate.closeWindow(front->window());
    } else {
      front->window()->close();
    }
    Spin();
    EXPECT_EQ(delegate.exitCount, 0);
    EXPECT_EQ(OrderedControllers().size(), c.windows - 1);
    EXPECT_FALSE(QSettings().contains(QStringLiteral("twdraw.openFiles")));
  }
}

TEST(MakerFolder, PathsInsideAreComparedByWholeComponents) {
  struct {
    const char* path;
    const char* folder;
    bool inside;
  } cases[] = {
      {"/home/u/.local/share/TindleWick/Draw/x.TWdraw", "/home/u/.local/share/TindleWick", true},
      {"/home/u/.local/share/TindleWick", "/home/u/.local/share/TindleWick", true},
      {"/home/u/.local/share/TindleWickOther/x", "/home/u/.local/share/TindleWick", false},
      {"/home/u/.local/share/TindleWick/../Other/x", "/home/u/.local/share/TindleWick", false},
      {"/home/u/.local/share/TindleWick//a", "/home/u/.local/share/TindleWick/", true},
      {"/anything", "", false},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CSDocumentAppDelegate::IsPathInFolder(c.path, c.folder), c.inside) << c.path << " in " << c.folder;
  }
}

}  // namespace
