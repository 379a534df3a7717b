// The launch on the real start-up code: the reopen list, the files named at
// start-up, the gesture, the untitled document, the saved tab groups, the
// launch hooks and the cursors.

#include <QCursor>
#include <QPixmap>

#include "ShellTestSupport.h"
#include "ui/FakeHelpViewer.h"
#include "ui/FakeLaunchHook.h"
#include "ui/shell/CSStartup.h"
#include "ui/shell/ShellResources.h"

namespace {

struct LaunchCase {
  const char* name;
  QStringList reopen;     // file names; "~gone" missing, "~trash" in the Trash, "/" the root
  QStringList arguments;  // file names, "/" or options
  Qt::KeyboardModifiers modifiers;
  QStringList expectOpened;  // file names, in the order opened
  int expectUntitled;
};

class LaunchTest : public ShellTest {
 protected:
  // The path a case's name stands for.
  QString pathFor(const QString& name) {
    if (name == QLatin1String("/")) return name;
    if (name == QLatin1String("~gone")) return home() + QStringLiteral("/files/gone.txt");
    if (name == QLatin1String("~trash")) {
      const QString trash = home() + QStringLiteral("/data/Trash/files");
      QDir().mkpath(trash);
      QFile out(trash + QStringLiteral("/old.txt"));
      EXPECT_TRUE(out.open(QIODevice::WriteOnly));
      return out.fileName();
    }
    return file(name);
  }
  void storeReopenList(const QStringList& names, const QVariantList& extra = {}) {
    QVariantList list = extra;
    for (const QString& name : names) list << CSFileLocator(pathFor(name)).archive(false);
    QSettings().setValue(QStringLiteral("twdraw.openFiles"), list);
  }
};

TEST_F(LaunchTest, OpensTheReopenListThenTheNamedFilesAndUntitledOnlyWhenNothingOpened) {
  const Qt::KeyboardModifiers gesture = Qt::ControlModifier | Qt::AltModifier | Qt::ShiftModifier;
  const LaunchCase cases[] = {
      {"reopen list from its end, then the named files",
       {"a.txt", "b.txt", "c.txt"},
       {"d.txt", "e.txt"},
       {},
       {"c.txt", "b.txt", "a.txt", "e.txt", "d.txt"},
       0},
      {"bad entries are skipped", {"a.txt", "~gone", "~trash", "/", "b.txt"}, {"/"}, {}, {"b.txt", "a.txt"}, 0},
      {"the gesture reopens nothing", {"a.txt", "b.txt"}, {"d.txt"}, gesture, {"d.txt"}, 0},
      {"the gesture alone gives untitled", {"a.txt"}, {}, gesture, {}, 1},
      {"Ctrl and Alt are not the gesture", {"a.txt"}, {}, Qt::ControlModifier | Qt::AltModifier, {"a.txt"}, 0},
      {"--no-reopen", {"a.txt"}, {"--no-reopen"}, {}, {}, 1},
      {"nothing to open", {}, {}, {}, {}, 1},
      {"a file that fails to open", {}, {"broken.txt"}, {}, {"broken.txt"}, 1},
  };
  for (const LaunchCase& c : cases) {
    SCOPED_TRACE(c.name);
    CloseAllWindows();
    storeReopenList(c.reopen, {QVariant(42), QVariant(QStringLiteral("not a locator"))});
    modifiers = c.modifiers;
    QStringList arguments;
    for (const QString& argument : c.arguments) arguments << (argument.startsWith('-') ? argument : pathFor(argument));

    RecordingDelegate delegate;
    delegate.unopenable << pathFor(QStringLiteral("broken.txt"));
    FakeLaunchHook hook(QStringLiteral("hook"), &delegate.log);
    FakeHelpViewer help;
    CSStartup startup(delegate, arguments, home() + QStringLiteral("/files"));
    startup.launch();
    Spin();

    QStringList names;
    for (const QString& path : delegate.opened) names << LastPathComponent(path);
    EXPECT_EQ(names, c.expectOpened);
    EXPECT_EQ(delegate.untitledCount, c.expectUntitled);
    EXPECT_FALSE(delegate.launching());
    EXPECT_TRUE(delegate.openFilePaths().isEmpty());
    EXPECT_EQ(help.initCount, 1);
    // Launch hooks start after every file and untitled document, before the
    // last hook of launch.
    EXPECT_EQ(delegate.log.first(), QStringLiteral("preliminaryInit"));
    EXPECT_EQ(delegate.log.mid(delegate.log.size() - 2), (QStringList{"hook", "initAfterLaunch"}));
    EXPECT_EQ(hook.startCount, 1);
  }
}

TEST_F(LaunchTest, SavedGroupsAreLoadedOnlyWithAReopenList) {
  const QString a = file(QStringLiteral("a.txt"));
  QVariantMap record{{QStringLiteral("paths"), QStringList{a}},
                     {QStringLiteral("frame"), QStringLiteral("{{40, 50}, {300, 200}}")},
                     {QStringLiteral("tab"), QStringLiteral("stale")},
                     {QStringLiteral("group"), 7}};
  struct {
    const char* name;
    bool inReopenList;
    QRect expect;
  } cases[] = {
      {"reopened: the group's frame", true, QRect(40, 50, 300, 200)},
      {"named at start-up without a list: its own frame", false, QRect(0, 0, 420, 300)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    CloseAllWindows();
    QSettings().setValue(CSWindowTabManager::kWindowTabsKey, QVariantList{record});
    QSettings().setValue(QStringLiteral("twdraw.openFiles"),
                         c.inReopenList ? QVariantList{CSFileLocator(a).archive(false)} : QVariantList());
    RecordingDelegate delegate;
    CSStartup startup(delegate, c.inReopenList ? QStringList() : QStringList{a}, home());
    startup.launch();
    Spin();
    CSDocumentWC* controller = ControllerForPath(a);
    ASSERT_NE(controller, nullptr);
    EXPECT_EQ(controller->window()->geometry().size(), c.expect.size());
    if (c.inReopenList) EXPECT_EQ(controller->window()->geometry().topLeft(), c.expect.topLeft());
    // The loaded record dropped the stale identifier: the window opened with none.
    EXPECT_EQ(delegate.openedIdentifiers, QStringList{QString()});
    // Restoring the front windows forgets the records.
    EXPECT_TRUE(CSWindowTabManager::sharedInstance().windowTabDicts().isEmpty());
  }
}

TEST_F(LaunchTest, FilesAskedForWhileLaunchingWaitAndAnOpenFileOnlyComesForward) {
  const QString a = file(QStringLiteral("a.txt"));
  const QString b = file(QStringLiteral("b.txt"));
  RecordingDelegate delegate;
  delegate.applicationWillFinishLaunching();
  EXPECT_TRUE(delegate.applicationOpenFile(a));
  EXPECT_FALSE(delegate.applicationOpenFile(QStringLiteral("/")));
  EXPECT_TRUE(delegate.opened.isEmpty());
  EXPECT_EQ(delegate.openFilePaths(), QStringList{a});

  delegate.applicationDidFinishLaunching();
  ASSERT_TRUE(SpinUntil([&] { return OrderedControllers().size() == 1; }));
  EXPECT_EQ(delegate.opened, QStringList{a});
  EXPECT_EQ(delegate.untitledCount, 0);

  EXPECT_TRUE(delegate.applicationOpenFile(b));
  Spin();
  ASSERT_EQ(OrderedControllers().first()->filePath(), b);
  EXPECT_TRUE(delegate.applicationOpenFile(QUrl::fromLocalFile(a).toString()));
  Spin();
  EXPECT_EQ(delegate.opened, (QStringList{a, b}));  // not opened again
  EXPECT_EQ(OrderedControllers().first()->filePath(), a);
  EXPECT_EQ(delegate.recentDocuments(), (QStringList{b, a}));
}

TEST_F(LaunchTest, RecentListTakesFilesAndPackagesButNotPlainFolders) {
  CSDocumentWC::setSaveTypes({QStringLiteral("TWdraw"), QStringLiteral("png")});
  QDir().mkpath(home() + QStringLiteral("/files/art.TWdraw"));
  QDir().mkpath(home() + QStringLiteral("/files/plain"));
  struct {
    QString path;
    bool recorded;
  } cases[] = {
      {file(QStringLiteral("one.png")), true},
      {home() + QStringLiteral("/files/art.TWdraw"), true},
      {home() + QStringLiteral("/files/plain"), false},
  };
  RecordingDelegate delegate;
  for (const auto& c : cases) {
    delegate.recordRecentFile(c.path);
    EXPECT_EQ(delegate.recentDocuments().contains(c.path), c.recorded) << c.path.toStdString();
  }
  for (int i = 0; i < CSDocumentAppDelegate::kMaxRecentDocuments + 3; ++i) {
    delegate.recordRecentFile(file(QStringLiteral("f%1.png").arg(i)));
  }
  EXPECT_EQ(delegate.recentDocuments().size(), CSDocumentAppDelegate::kMaxRecentDocuments);
  EXPECT_TRUE(delegate.recentDocuments().first().endsWith(QStringLiteral("f12.png")));
}

}  // namespace
