// Tab groups: whether a new window joins the front one, the records written
// at quit and read back at launch, and the strip a group shows.

#include <QJsonDocument>
#include <QScreen>
#include <QTabBar>
#include <QToolBar>
#include <QToolButton>

#include "ShellTestSupport.h"
#include "ui/shell/CSStartup.h"
#include "ui/shell/CSTabGroupHost.h"

namespace {

using Pref = WindowOrder::TabbingPreference;

class TabManagerTest : public ShellTest {
 protected:
  CSWindowTabManager& tabs = CSWindowTabManager::sharedInstance();

  CSDocumentWC* openWindow(const QString& path, const QString& title = QString()) {
    QWidget* window = RecordingDelegate::makeWindow(std::make_unique<TestDocument>(path),
                                                    title.isEmpty() ? LastPathComponent(path) : title, QString());
    MakeKeyAndOrderFront(window);
    return CSDocumentWC::controllerOf(window);
  }
  static void group(CSDocumentWC* host, CSDocumentWC* tab) {
    WindowOrder::shared().addTabbedWindow(host->windowHandle(), tab->windowHandle(), WindowOrder::Ordering::Above);
  }
};

TEST_F(TabManagerTest, ShouldTabWithWindowFollowsOverrideSettingAltAndLaunching) {
  // Expected answers without and with Alt counting; Alt counts only once
  // launching is over.
  struct {
    int override;
    Pref preference;
    bool fullScreen;
    bool withoutAlt;
    bool withAlt;
  } rows[] = {
      {0, Pref::Manual, false, false, true},        {0, Pref::Always, false, true, false},
      {0, Pref::InFullScreen, false, false, false}, {0, Pref::InFullScreen, true, true, false},
      {1, Pref::Always, false, false, true},        {1, Pref::Manual, true, false, true},
      {2, Pref::Manual, false, true, false},        {2, Pref::InFullScreen, true, true, false},
  };
  CSDocumentWC* front = openWindow(file(QStringLiteral("a.txt")));
  for (const auto& row : rows) {
    tabs.setTabOverride(row.override);
    preference = row.preference;
    if (row.fullScreen) {
      front->window()->showFullScreen();
    } else {
      front->window()->showNormal();
    }
    for (const bool launching : {true, false}) {
      RecordingDelegate delegate;
      if (!launching) {
        delegate.makeUntitled = false;
        delegate.applicationWillFinishLaunching();
        delegate.applicationDidFinishLaunching();
      }
      for (const bool alt : {false, true}) {
        modifiers = alt ? Qt::AltModifier : Qt::NoModifier;
        const bool altCounts = alt && !launching;
        SCOPED_TRACE(testing::Message() << "override " << row.override << " preference " << int(row.preference)
                                        << " full screen " << row.fullScreen << " launching " << launching << " alt "
                                        << alt);
        EXPECT_EQ(tabs.shouldTabWithWindow(front->window()), altCounts ? row.withAlt : row.withoutAlt);
        bool shouldTab = false;
        EXPECT_EQ(tabs.mainWindowTabIdentifier(&shouldTab), CSDocumentWC::kDefaultTabbingIdentifier);
        EXPECT_EQ(shouldTab, altCounts ? row.withAlt : row.withoutAlt);
      }
    }
    EXPECT_EQ(tabs.canTabWindows(), row.override ? row.override == 2 : row.preference != Pref::Manual);
  }
}

TEST_F(TabManagerTest, AnUntitledDocumentJoinsTheFrontGroupWhenItShould) {
  RecordingDelegate delegate;
  delegate.makeUntitled = false;
  delegate.applicationWillFinishLaunching();
  delegate.applicationDidFinishLaunching();
  delegate.makeUntitled = true;
  CSDocumentWC* front = openWindow(file(QStringLiteral("a.txt")));
  struct {
    int override;
    Qt::KeyboardModifiers keys;
    bool joins;
  } cases[] = {{2, Qt::NoModifier, true}, {2, Qt::AltModifier, false}, {0, Qt::NoModifier, false}};
  for (const auto& c : cases) {
    SCOPED_TRACE(testing::Message() << c.override << " " << int(c.keys));
    tabs.setTabOverride(c.override);
    modifiers = c.keys;
    ASSERT_TRUE(delegate.applicationOpenUntitledFile());
    Spin();
    CSDocumentWC* untitled = OrderedControllers().first();
    ASSERT_NE(untitled, front);
    EXPECT_EQ(WindowOrder::shared().tabbedWindows(front->windowHandle()).contains(untitled->windowHandle()), c.joins);
    delegate.closeWindow(untitled->window());
    Spin();
    MakeKeyAndOrderFront(front->window());
  }
}

TEST_F(TabManagerTest, QuitRecordsEachGroupOnceWithItsPathsFrameAndActiveTab) {
  const QString a = file(QStringLiteral("a.txt"));
  const QString b = file(QStringLiteral("b.txt"));
  const QString c = file(QStringLiteral("c.txt"));
  const QString d = file(QStringLiteral("d.txt"));
  CSDocumentWC* wa = openWindow(a);
  CSDocumentWC* wb = openWindow(b);
  group(wa, wb);
  CSDocumentWC* wc = openWindow(c);
  CSDocumentWC* wd = openWindow(d);
  group(wc, wd);
  MakeKeyAndOrderFront(wd->window());
  CSDocumentWC* lone = openWindow(file(QStringLiteral("e.txt")));
  CSDocumentWC* untitled = openWindow(QString(), QStringLiteral("Untitled"));
  CSDocumentWC* f = openWindow(file(QStringLiteral("f.txt")));
  group(untitled, f);
  MakeKeyAndOrderFront(untitled->window());
  Spin();

  tabs.prepareToSaveState();
  for (CSDocumentWC* controller : {wa, wb, wc, wd, lone, untitled, f}) {
    tabs.registerWindowTab(controller->window(), controller->filePath());
  }
  const QList<QVariantMap>& records = tabs.windowTabDicts();
  ASSERT_EQ(records.size(), 4);
  // Two groups of one identifier stay two records, told apart by their group.
  EXPECT_EQ(records[0].value("tab"), records[1].value("tab"));
  EXPECT_NE(records[0].value("group"), records[1].value("group"));
  EXPECT_EQ(records[0].value("paths").toStringList(), (QStringList{a, b}));
  EXPECT_EQ(records[1].value("paths").toStringList(), (QStringList{c, d}));
  EXPECT_EQ(records[1].value("active").toString(), d);
  EXPECT_EQ(records[1].value("frame").toString(), CSWindowTabManager::RectText(wd->window()->geometry()));
  EXPECT_EQ(records[2].value("paths").toStringList(), QStringList{lone->filePath()});
  // The untitled front tab gives no active tab and no path.
  EXPECT_EQ(records[3].value("paths").toStringList(), QStringList{f->filePath()});
  EXPECT_FALSE(records[3].contains("active"));
  EXPECT_TRUE(records[3].contains("frame"));

  // Nothing is recorded once the records are dropped, until the next quit.
  tabs.restoreFrontmostTabbedWindows();
  tabs.registerWindowTab(wa->window(), a);
  EXPECT_TRUE(tabs.windowTabDicts().isEmpty());
}

TEST_F(TabManagerTest, ReopeningAGroupWithAMissingMiddleFileRegroupsTheRest) {
  const QString a = file(QStringLiteral("a.txt"));
  const QString b = home() + QStringLiteral("/files/b-gone.txt");
  const QString c = file(QStringLiteral("c.txt"));
  const QString z = file(QStringLiteral("z.txt"));
  QSettings().setValue(
      CSWindowTabManager::kWindowTabsKey,
      QVariantList{QVariantMap{
          {"tab", "old"}, {"paths", QStringList{a, b, c}}, {"frame", "{{60, 70}, {500, 300}}"}, {"active", c}}});
  // Front-most first: c was in front, z in a window of its own.
  QSettings().setValue(QStringLiteral("twdraw.openFiles"),
                       QStringList{CSFileLocator(c).archive(false), CSFileLocator(z).archive(false),
                                   CSFileLocator(b).archive(false), CSFileLocator(a).archive(false)});
  for (const Pref pref : {Pref::InFullScreen, Pref::Manual}) {
    SCOPED_TRACE(int(pref));
    CloseAllWindows();
    preference = pref;
    RecordingDelegate delegate;
    CSStartup startup(delegate, {}, home());
    startup.launch();
    ASSERT_TRUE(SpinUntil([&] { return OrderedControllers().size() == 3; }));
    CSDocumentWC* wa = ControllerForPath(a);
    CSDocumentWC* wc = ControllerForPath(c);
    ASSERT_TRUE(wa && wc);
    const QList<QWindow*> group = WindowOrder::shared().tabbedWindows(wa->windowHandle());
    if (pref == Pref::Manual) {
      // Windows that would not tab by themselves are not put together.
      EXPECT_TRUE(group.isEmpty());
      continue;
    }
    EXPECT_EQ(group, (QList<QWindow*>{wa->windowHandle(), wc->windowHandle()}));
    EXPECT_TRUE(WindowOrder::shared().tabbedWindows(ControllerForPath(z)->windowHandle()).isEmpty());
    // One frame for the group, its active tab shown in front of it.
    ASSERT_TRUE(SpinUntil([&] { return wc->window()->isVisible() && !wa->window()->isVisible(); }));
    EXPECT_EQ(wc->window()->geometry(), QRect(60, 70, 500, 300));
    QTabBar* bar = CSTabGroupHost::tabBarOf(wc->window());
    ASSERT_NE(bar, nullptr);
    EXPECT_EQ(bar->count(), 2);
    EXPECT_EQ(bar->tabText(0), QStringLiteral("a.txt"));
    EXPECT_EQ(bar->currentIndex(), 1);
  }
}

TEST_F(TabManagerTest, TheStripSelectsClosesAndAddsTabs) {
  RecordingDelegate delegate;
  delegate.makeUntitled = false;
  delegate.applicationWillFinishLaunching();
  delegate.applicationDidFinishLaunching();
  delegate.makeUntitled = true;
  CSDocumentWC* wa = openWindow(file(QStringLiteral("a.txt")));
  CSDocumentWC* wb = openWindow(file(QStringLiteral("b.txt")));
  EXPECT_EQ(CSTabGroupHost::stripOf(wa->window()), nullptr);  // alone: no strip
  group(wa, wb);
  MakeKeyAndOrderFront(wb->window());
  wb->window()->setGeometry(10, 20, 450, 320);
  QTabBar* bar = CSTabGroupHost::tabBarOf(wb->window());
  ASSERT_NE(bar, nullptr);
  EXPECT_FALSE(wa->window()->isVisible());

  // Choosing the first tab shows its window in the group's frame.
  emit bar->tabBarClicked(0);
  EXPECT_TRUE(wa->window()->isVisible());
  EXPECT_FALSE(wb->window()->isVisible());
  EXPECT_EQ(wa->window()->geometry(), QRect(10, 20, 450, 320));
  EXPECT_EQ(OrderedControllers(), (QList<CSDocumentWC*>{wa, wb}));  // the hidden tab follows its shown one

  // "+" opens an untitled document in the group.
  CSTabGroupHost::stripOf(wa->window())->findChild<QToolButton*>(CSTabGroupHost::kNewTabName)->click();
  Spin();
  EXPECT_EQ(delegate.untitledCount, 1);
  ASSERT_EQ(WindowOrder::shared().tabbedWindows(wa->windowHandle()).size(), 3);
  EXPECT_EQ(CSTabGroupHost::tabBarOf(wa->window())->tabText(1), QStringLiteral("Untitled"));

  // Closing the shown tab shows the next one; with one left the strip goes.
  CSDocumentWC* shown = OrderedControllers().first();
  shown->window()->close();
  Spin();
  ASSERT_EQ(OrderedControllers().size(), 2);
  EXPECT_TRUE(OrderedControllers().first()->window()->isVisible());
  OrderedControllers().first()->window()->close();
  Spin();
  ASSERT_EQ(OrderedControllers().size(), 1);
  EXPECT_EQ(CSTabGroupHost::stripOf(OrderedControllers().first()->window()), nullptr);
}

TEST(TabRecords, BadRecordsAreSkippedAndSoundOnesKeepOnlyTheirPlace) {
  struct {
    const char* name;
    const char* json;
    int expectRecords;
  } cases[] = {
      {"not a list", R"({"paths": ["/a"]})", 0},
      {"records of the wrong kind", R"([1, "x", null, [["/a"]]])", 0},
      {"paths missing, empty or not text", R"([{}, {"paths": []}, {"paths": "/a"}, {"paths": ["/a", 3]}])", 0},
      {"an empty path", R"([{"paths": ["/a", ""]}])", 0},
      {"two sound records", R"([{"paths": ["/a", "/b"]}, {"paths": ["/c"], "frame": "{{1, 2}, {3, 4}}"}])", 2},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QVariant value = QJsonDocument::fromJson(c.json).toVariant();
    EXPECT_EQ(CSWindowTabManager::TabRecordsFromValue(value).size(), c.expectRecords);
  }
  const QVariant stored = QJsonDocument::fromJson(
                              R"([{"tab": "t", "group": 9, "paths": ["/a"], "frame": "{{10, -20}, {300, 200}}",
                                   "active": "/a", "extra": 1},
                                  {"paths": ["/b"], "frame": "{{0, 0}, {0, 5}}", "active": 7}])")
                              .toVariant();
  const QList<QVariantMap> records = CSWindowTabManager::TabRecordsFromValue(stored);
  ASSERT_EQ(records.size(), 2);
  EXPECT_EQ(records[0].keys(), (QStringList{"active", "frame", "paths"}));
  EXPECT_EQ(records[1].keys(), QStringList{"paths"});  // an empty frame and a numeric tab are dropped
}

TEST(TabRecords, FramesReadBackAsWrittenAndComeBackOnScreen) {
  for (const QRect& rect : {QRect(0, 0, 1, 1), QRect(-40, 25, 800, 600), QRect(3000, 2000, 640, 480)}) {
    EXPECT_EQ(CSWindowTabManager::RectFromText(CSWindowTabManager::RectText(rect)), rect);
  }
  for (const char* bad : {"", "{{1, 2}, {3}}", "{{1, 2}, {-3, 4}}", "{{1,2},{3,4}}", "{{1, 2}, {3, 4}} ",
                          "{{99999999999, 2}, {3, 4}}", "{{1, 2}, {3, 0}}"}) {
    EXPECT_FALSE(CSWindowTabManager::RectFromText(QString::fromLatin1(bad))) << bad;
  }
  const QRect screen = QGuiApplication::primaryScreen()->availableGeometry();
  const QRect inside(screen.x() + 10, screen.y() + 10, 200, 100);
  EXPECT_EQ(CSWindowTabManager::FrameOnScreen(inside), inside);
  const QRect off = CSWindowTabManager::FrameOnScreen(QRect(screen.right() + 5000, 40, 300, 200));
  EXPECT_TRUE(screen.intersects(off));
  EXPECT_EQ(off.size(), QSize(300, 200));
  const QRect huge = CSWindowTabManager::FrameOnScreen(QRect(-90000, -90000, 50000, 50000));
  EXPECT_TRUE(screen.contains(huge));
}

}  // namespace
