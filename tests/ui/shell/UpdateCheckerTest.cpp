// The update checker: reading the downloads page, when an automatic check
// is due, what a check shows and stores, and where a download lands. All
// network traffic goes to a loopback server.

#include <gtest/gtest.h>

#include <QDialog>
#include <QDir>
#include <QFileInfo>
#include <QLabel>
#include <QProgressBar>
#include <QSettings>
#include <algorithm>

#include "LogCapture.h"
#include "QStringPrinter.h"
#include "ShellTestSupport.h"
#include "TestFiles.h"
#include "support/SharedPreferences.h"
#include "ui/FakeWorkspace.h"
#include "ui/LocalHttpServer.h"
#include "ui/ScriptedDialogs.h"
#include "ui/shell/CSAppUpdater.h"
#include "ui/shell/CSEndpoints.h"

namespace {

// ---- The downloads page ------------------------------------------------------------

TEST(UpdateCheckerPage, LinksAgainstTheRunningVersion) {
  const QUrl pageUrl(QStringLiteral("http://127.0.0.1:1/downloads"));
  struct Case {
    QByteArray page;
    const char* executable;
    const char* running;
    bool matched;
    const char* newer;  // the link offered, "" when none is newer
    VersionTriple found;
  };
  const QByteArray twoLinks = LocalHttpServer::LinkPage({"draw_214.dmg", "draw_2105.zip"});
  const Case cases[] = {
      {twoLinks, "Tindle Draw", "2.1.3", true, "draw_2105.zip", {2, 1, 5}},
      {twoLinks, "Tindle Draw", "2.1.5", true, "", {2, 1, 5}},
      {LocalHttpServer::LinkPage({"Draw_214.dmg"}), "Tindle Draw", "2.1.3", true, "Draw_214.dmg", {2, 1, 4}},
      {"<p><a href=\"draw_214.zip\">lower case</a></p>", "Tindle Draw", "2.1.3", true, "draw_214.zip", {2, 1, 4}},
      {LocalHttpServer::LinkPage({"draw_21.dmg"}), "Tindle Draw", "2.0", false, "", {}},
      {LocalHttpServer::LinkPage({"draw_214.dmg.txt"}), "Tindle Draw", "2.0", false, "", {}},
      {LocalHttpServer::LinkPage({"paint_219.zip"}), "Tindle Draw", "2.0", false, "", {}},
      // 2.1 and 2.1.b3 both read as 2.1.0.
      {LocalHttpServer::LinkPage({"draw_210.zip"}), "Tindle Draw", "2.1", true, "", {2, 1, 0}},
      {LocalHttpServer::LinkPage({"draw_211.zip"}), "Tindle Draw", "2.1", true, "draw_211.zip", {2, 1, 1}},
      {LocalHttpServer::LinkPage({"draw_210.zip"}), "Tindle Draw", "2.1.b3", true, "", {2, 1, 0}},
      {LocalHttpServer::LinkPage({"draw_211.zip"}), "Tindle Draw", "2.1.b3", true, "draw_211.zip", {2, 1, 1}},
      // A four-part version or a name without the maker's word fails every check.
      {twoLinks, "Tindle Draw", "2.1.3.4", false, "", {}},
      {twoLinks, "Draw", "2.1.3", false, "", {}},
      // Outside data: not UTF-8, or larger than the cap.
      {"<A HREF=\"draw_219.zip\">\xff\xfe</A>", "Tindle Draw", "2.1.3", false, "", {}},
      {twoLinks + QByteArray(kMaxCheckPageBytes, ' '), "Tindle Draw", "2.1.3", false, "", {}},
      // An anchor without its closing quote ends the scan.
      {"<A HREF=\"draw_219.zip", "Tindle Draw", "2.1.3", false, "", {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(std::string(c.page.left(120).constData()) + " / " + c.running);
    VersionTriple found{9, 9, 9};
    QUrl newer(QStringLiteral("http://stale"));
    EXPECT_EQ(CheckForNewVersion(c.page, QString::fromUtf8(c.executable), QString::fromUtf8(c.running), pageUrl, &found,
                                 &newer),
              c.matched);
    const QString expected = *c.newer ? pageUrl.toString() + "/" + c.newer : QString();
    EXPECT_EQ(newer.toString(), expected);
    if (c.matched) {
      EXPECT_EQ(found, c.found);
    }
  }
  EXPECT_EQ(ProductWordForExecutable(QStringLiteral("Tindle Draw")), QStringLiteral("draw"));
  EXPECT_EQ(ProductWordForExecutable(QStringLiteral("Tindle Draw Pro")), QStringLiteral("draw"));
}

TEST(UpdateCheckerPage, SuggestedNameNeverLeavesTheFolder) {
  const QUrl url(QStringLiteral("http://127.0.0.1:1/downloads/draw_2105.zip"));
  const struct {
    QByteArray disposition;
    QUrl url;
    const char* expected;
  } cases[] = {
      {"", url, "draw_2105.zip"},
      {"attachment; filename=\"../../../.bashrc\"", url, ".bashrc"},
      {"attachment; filename=/etc/passwd", url, "passwd"},
      {"attachment; filename=\"..\"", url, "draw_2105.zip"},
      {"attachment; filename*=UTF-8''..%2F..%2Fnew%20draw.zip; filename=\"plain.zip\"", url, "new draw.zip"},
      {"attachment; filename=\"a\\\"b.zip\"", url, "a\"b.zip"},
      {"attachment", QUrl(QStringLiteral("http://127.0.0.1:1/")), "download"},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(SuggestedFileName(c.disposition, c.url), QString::fromUtf8(c.expected)) << c.disposition.constData();
  }
}

TEST(UpdateCheckerPage, CheckIsDueAfterAWeekOrAMonthOfWholeDays) {
  auto at = [](int y, int m, int d, int h, int min) { return QDateTime(QDate(y, m, d), QTime(h, min)); };
  const struct {
    QDateTime last;
    QDateTime now;
    bool monthly;
    bool due;
  } cases[] = {
      // Last run on Monday evening: due from the next Monday's first tick.
      {at(2026, 3, 2, 20, 30), at(2026, 3, 8, 23, 59), false, false},
      {at(2026, 3, 2, 20, 30), at(2026, 3, 9, 0, 0), false, true},
      // 31 January plus a month is 28 February.
      {at(2026, 1, 31, 12, 0), at(2026, 2, 27, 23, 59), true, false},
      {at(2026, 1, 31, 12, 0), at(2026, 2, 28, 0, 1), true, true},
      {at(2026, 1, 31, 12, 0), at(2026, 2, 28, 0, 1), false, true},
      {QDateTime(), at(2026, 1, 1, 0, 0), true, true},
  };
  for (const auto& c : cases) {
    EXPECT_EQ(CSAppUpdater::IsCheckDue(c.last, c.now, c.monthly), c.due)
        << c.last.toString().toStdString() << " -> " << c.now.toString().toStdString();
  }
}

// ---- Checks and downloads against the loopback server -------------------------------

class UpdateCheckerTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    ASSERT_TRUE(server.isListening());
    SetSiteRoot(server.url());
    server.setPage(QStringLiteral("/downloads"), LocalHttpServer::LinkPage({"draw_214.dmg", "draw_2105.zip"}));
    env.set("TMPDIR", home() + "/tmp");
    QDir().mkpath(home() + "/tmp");
  }
  void TearDown() override {
    updater.reset();
    SetSiteRoot(QUrl());
    ShellTest::TearDown();
  }

  CSAppUpdater& make(int timeoutMs = kCheckTimeoutMs) {
    CSAppUpdater::Options options;
    options.clock = [this] { return now; };
    options.checkTimeoutMs = timeoutMs;
    options.downloadTimeoutMs = timeoutMs;
    options.executableName = QStringLiteral("Tindle Draw");
    options.versionText = QStringLiteral("2.1.3");
    updater = std::make_unique<CSAppUpdater>(options);
    return *updater;
  }
  // The pane shown the next time the window is run, after which it closes.
  void notePaneShown() {
    dialogs.push([this](QDialog* dialog) {
      shownPane = updater->currentPane();
      shownText = updater->availableField()->text();
      dialog->reject();
    });
  }
  QString storedCheckTime() const { return QSettings().value(UpdaterSettingKey(kLastUpdateCheckName)).toString(); }
  void waitForWork() {
    ASSERT_TRUE(SpinUntil([this] { return !updater->isWorking(); }));
  }

  LocalHttpServer server;
  FakeWorkspace workspace;
  ScriptedDialogs dialogs;
  QDateTime now = QDateTime(QDate(2026, 3, 2), QTime(20, 30));
  std::unique_ptr<CSAppUpdater> updater;
  QWidget* shownPane = nullptr;
  QString shownText;
  ScopedEnvironment env;
};

TEST_F(UpdateCheckerTest, RequestedCheckOffersTheNewVersionAndStoresTheTime) {
  CSAppUpdater& checker = make();
  checker.setAutoCheck(false);
  dialogs.push([&](QDialog* dialog) {
    EXPECT_EQ(checker.currentPane(), checker.pane(CSAppUpdater::kMainPane));
    checker.setCheckMonthly(true);
    checker.proceed();  // "Check Now"
    EXPECT_EQ(checker.currentPane(), checker.pane(CSAppUpdater::kCheckingPane));
    waitForWork();
    shownPane = checker.currentPane();
    shownText = checker.availableField()->text();
    dialog->reject();
  });
  checker.displayUpdateDialog();

  EXPECT_EQ(shownPane, checker.pane(CSAppUpdater::kAvailablePane));
  // The user sees the program's own name; the executable name only finds the downloads.
  EXPECT_TRUE(shownText.contains(QStringLiteral("Version 2.1.5 of TWdraw"))) << shownText.toStdString();
  EXPECT_FALSE(shownText.contains(QStringLiteral("Tindle"))) << shownText.toStdString();
  EXPECT_FALSE(shownText.contains(QStringLiteral("###")));
  EXPECT_EQ(checker.versionPath(), (VersionTriple{2, 1, 5}));
  EXPECT_EQ(storedCheckTime(), QString::number(now.toSecsSinceEpoch()));
  EXPECT_EQ(checker.lastCheckDate(), now);
  // Closing the window stores the settings.
  EXPECT_TRUE(TindleWickBoolean(UpdaterSettingKey(kAutoUpdateMonthlyKey), false));
  EXPECT_EQ(server.hits(QStringLiteral("/downloads")), 1);
  // The page was read in memory: nothing is left in the temporary folder.
  EXPECT_TRUE(QDir(home() + "/tmp").entryList(QDir::NoDotAndDotDot | QDir::AllEntries).isEmpty());
}

TEST_F(UpdateCheckerTest, WhatEachCheckShowsAndRecords) {
  enum Serve { kNewer, kSame, kMissing, kStall };
  const struct {
    const char* name;
    Serve serve;
    bool requested;
    CSAppUpdater::Pane shown;  // kMainPane: nothing shown
    bool recordsTime;
  } cases[] = {
      {"requested, up to date", kSame, true, CSAppUpdater::kUpToDatePane, true},
      {"automatic, up to date", kSame, false, CSAppUpdater::kMainPane, true},
      {"automatic, newer", kNewer, false, CSAppUpdater::kAvailablePane, true},
      {"requested, missing page", kMissing, true, CSAppUpdater::kCheckFailPane, false},
      {"automatic, missing page", kMissing, false, CSAppUpdater::kMainPane, false},
      {"requested, stalled server", kStall, true, CSAppUpdater::kCheckFailPane, false},
      {"automatic, stalled server", kStall, false, CSAppUpdater::kMainPane, false},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QSettings().remove(UpdaterSettingKey(kLastUpdateCheckName));
    switch (c.serve) {
      case kNewer:
        server.setPage("/downloads", LocalHttpServer::LinkPage({"draw_2105.zip"}));
        break;
      case kSame:
        server.setPage("/downloads", LocalHttpServer::LinkPage({"draw_213.zip"}));
        break;
      case kMissing:
        server.setNotFound("/downloads");
        break;
      case kStall:
        server.setStall("/downloads");
        break;
    }
    CSAppUpdater& checker = make(300);
    shownPane = nullptr;
    const bool shows = c.shown != CSAppUpdater::kMainPane;
    if (shows) notePaneShown();
    const size_t seenBefore = dialogs.seen().size();
    LogCapture log;
    checker.startCheck(c.requested);
    waitForWork();
    EXPECT_EQ(dialogs.seen().size(), seenBefore + (shows ? 1 : 0));
    if (shows) {
      EXPECT_EQ(shownPane, checker.pane(c.shown));
    }
    EXPECT_EQ(!storedCheckTime().isEmpty(), c.recordsTime);
    EXPECT_EQ(checker.lastCheckDate().isValid(), c.recordsTime);
    if (c.serve == kMissing || c.serve == kStall) {
      EXPECT_TRUE(log.text().contains(QStringLiteral("Download ") + server.url("downloads").toString() + " failed: "))
          << log.text().toStdString();
    }
    updater.reset();
  }
}

TEST_F(UpdateCheckerTest, CheckNowDuringAnAutomaticCheckShowsThatChecksResult) {
  const struct {
    const char* name;
    QByteArray page;  // empty: not found
    CSAppUpdater::Pane shown;
  } cases[] = {
      {"up to date", LocalHttpServer::LinkPage({"draw_213.zip"}), CSAppUpdater::kUpToDatePane},
      {"newer", LocalHttpServer::LinkPage({"draw_2105.zip"}), CSAppUpdater::kAvailablePane},
      {"missing page", QByteArray(), CSAppUpdater::kCheckFailPane},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.page.isEmpty()) {
      server.setNotFound("/downloads");
    } else {
      server.setPage("/downloads", c.page);
    }
    const int hitsBefore = server.hits("/downloads");
    CSAppUpdater& checker = make(300);
    // The automatic check is under way when the user asks.
    checker.startCheck(false);
    ASSERT_TRUE(checker.isWorking());
    shownPane = nullptr;
    dialogs.push([&](QDialog* dialog) {
      checker.proceed();  // "Check Now"
      EXPECT_EQ(checker.currentPane(), checker.pane(CSAppUpdater::kCheckingPane));
      waitForWork();
      shownPane = checker.currentPane();
      dialog->reject();
    });
    checker.displayUpdateDialog();
    EXPECT_EQ(shownPane, checker.pane(c.shown));
    // The running check was taken over, not run a second time.
    EXPECT_EQ(server.hits("/downloads"), hitsBefore + 1);
    updater.reset();
  }
}

TEST_F(UpdateCheckerTest, AutomaticChecksFollowTheClockAndTheSetting) {
  server.setPage("/downloads", LocalHttpServer::LinkPage({"draw_213.zip"}));
  // Last run on Monday 2 March 2026 in the evening.
  QSettings().setValue(UpdaterSettingKey(kLastUpdateCheckName), QString::number(now.toSecsSinceEpoch()));
  SetTindleWickBoolean(UpdaterSettingKey(kAutoUpdateKey), true);
  CSAppUpdater& checker = make();
  EXPECT_TRUE(checker.autoCheck());
  EXPECT_EQ(checker.lastCheckDate(), now);

  now = QDateTime(QDate(2026, 3, 8), QTime(23, 59));  // Sunday
  checker.startAutoCheck();                           // fires at once
  EXPECT_TRUE(checker.isAutoCheckTimerActive());
  EXPECT_FALSE(checker.isWorking());
  checker.startAutoCheck();  // a running timer is kept, and does not fire again

  now = QDateTime(QDate(2026, 3, 9), QTime(0, 0, 30));  // the next Monday's first tick
  checker.autoCheckTimerFired();
  waitForWork();
  EXPECT_EQ(server.hits("/downloads"), 1);
  EXPECT_EQ(checker.lastCheckDate(), now);
  checker.autoCheckTimerFired();  // checked just now
  EXPECT_FALSE(checker.isWorking());
  EXPECT_EQ(server.hits("/downloads"), 1);

  checker.setAutoCheck(false);
  checker.startAutoCheck();
  EXPECT_FALSE(checker.isAutoCheckTimerActive());
}

TEST_F(UpdateCheckerTest, SharedInstanceRunsAsALaunchHook) {
  CSAppUpdater& shared = CSAppUpdater::sharedInstance();
  EXPECT_EQ(&shared, &CSAppUpdater::sharedInstance());
  const auto& hooks = LaunchHooks();
  EXPECT_NE(std::find(hooks.begin(), hooks.end(), static_cast<CSLaunchHook*>(&shared)), hooks.end());
  EXPECT_EQ(shared.window()->objectName(), QStringLiteral("CSCheckUpdates"));
}

TEST_F(UpdateCheckerTest, DownloadLandsInTheDownloadsFolder) {
  const qsizetype size = 3 * 1048576 / 2;  // 1.50 MB
  const QByteArray bytes = LocalHttpServer::FileBytes(size);
  const QString downloads = home() + "/Downloads";
  const struct {
    const char* name;
    bool sendLength;
    QByteArray disposition;
    const char* savedAs;
    const char* amount;
  } cases[] = {
      {"with a length", true, "", "draw_2105.zip", "1.50 MB of 1.50 MB"},
      {"without a length", false, "", "draw_2105.zip", "1.50 MB"},
      {"suggested name with a path", true, "attachment; filename=\"../../draw_2105b.zip\"", "draw_2105b.zip",
       "1.50 MB of 1.50 MB"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    QDir(downloads).removeRecursively();
    LocalHttpServer::Response response = LocalHttpServer::Answer(200, bytes);
    response.sendContentLength = c.sendLength;
    response.contentType = "application/zip";
    response.contentDisposition = c.disposition;
    server.setRoute("/downloads/draw_2105.zip", response);
    workspace.openedFiles.clear();
    workspace.revealedPaths.clear();

    CSAppUpdater& checker = make();
    // The automatic check finds 2.1.5 and opens the window; "Download" runs
    // to its end, which closes it.
    dialogs.push([&](QDialog*) {
      ASSERT_EQ(checker.currentPane(), checker.pane(CSAppUpdater::kAvailablePane));
      checker.proceed();
      EXPECT_EQ(checker.currentPane(), checker.pane(CSAppUpdater::kDownloadPane));
      waitForWork();
    });
    checker.startCheck(false);
    waitForWork();

    const QString saved = downloads + "/" + c.savedAs;
    EXPECT_TRUE(checker.success());
    EXPECT_EQ(checker.updatePath(), saved);
    EXPECT_EQ(ReadBytes(saved), bytes);
    EXPECT_EQ(QDir(downloads).entryList(QDir::Files), QStringList{c.savedAs});  // no part file left
    EXPECT_EQ(checker.downloadAmountField()->text(), QString::fromUtf8(c.amount));
    EXPECT_EQ(checker.downloadSpinner()->value(), int(size));
    EXPECT_EQ(checker.downloadSpinner()->maximum(),
              c.sendLength ? int(size) : int(CSAppUpdater::kUnknownTotalBarMaximum));
    EXPECT_EQ(workspace.revealedPaths, QStringList{saved});
    EXPECT_EQ(workspace.openedFiles, QStringList{saved});
    updater.reset();
  }
}

TEST_F(UpdateCheckerTest, FailedDownloadKeepsTheEarlierFile) {
  const QString downloads = home() + "/Downloads";
  QDir().mkpath(downloads);
  const QString earlier = downloads + "/draw_2105.zip";
  enum Fault { kNotFound, kCutShort, kStalled, kNoFolder };
  const struct {
    const char* name;
    Fault fault;
    const char* logged;
  } cases[] = {
      {"not found", kNotFound, "Download %1 failed: "},
      {"cut short", kCutShort, "Download %1 failed: "},
      {"stalled", kStalled, "Download %1 failed: "},
      {"no download folder", kNoFolder, "Can't find or create download folder"},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const QString file = "/downloads/draw_2105.zip";
    LocalHttpServer::Response response = LocalHttpServer::Answer(200, LocalHttpServer::FileBytes(4096));
    switch (c.fault) {
      case kNotFound:
        response.status = 404;
        break;
      case kCutShort:
        response.missingBytes = 1000;
        break;
      case kStalled:
        response.stall = true;
        break;
      case kNoFolder:
        break;
    }
    server.setRoute(file, response);
    QDir(downloads).removeRecursively();
    if (c.fault == kNoFolder) {
      WriteBytes(downloads, "not a folder");
    } else {
      QDir().mkpath(downloads);
      WriteBytes(earlier, "the earlier download");
    }

    CSAppUpdater& checker = make(300);
    checker.setUpdatePath(server.url("downloads/draw_2105.zip").toString());
    checker.setPane(checker.pane(CSAppUpdater::kAvailablePane));
    LogCapture log;
    checker.proceed();
    waitForWork();

    EXPECT_FALSE(checker.success());
    EXPECT_EQ(checker.currentPane(), checker.pane(CSAppUpdater::kDownloadFailPane));
    EXPECT_TRUE(workspace.openedFiles.isEmpty());
    QString logged = QString::fromUtf8(c.logged);
    if (logged.contains(QLatin1String("%1"))) logged = logged.arg(server.url("downloads/draw_2105.zip").toString());
    EXPECT_TRUE(log.text().contains(logged)) << log.text().toStdString();
    if (c.fault != kNoFolder) {
      EXPECT_EQ(ReadBytes(earlier), QByteArray("the earlier download"));
      EXPECT_EQ(QDir(downloads).entryList(QDir::Files), QStringList{"draw_2105.zip"});
    }
    updater.reset();
  }
}

TEST_F(UpdateCheckerTest, CancelStopsARunningDownload) {
  server.setStall("/downloads/draw_2105.zip");
  CSAppUpdater& checker = make();
  checker.setUpdatePath(server.url("downloads/draw_2105.zip").toString());
  checker.setPane(checker.pane(CSAppUpdater::kAvailablePane));
  checker.proceed();
  ASSERT_TRUE(SpinUntil([&] { return server.hits("/downloads/draw_2105.zip") == 1; }));
  checker.cancel();
  EXPECT_FALSE(checker.isWorking());
  EXPECT_TRUE(checker.updatePath().isEmpty());
  // A new check may start at once; the cancelled work never reports.
  checker.startCheck(true);
  notePaneShown();
  waitForWork();
  EXPECT_EQ(shownPane, checker.pane(CSAppUpdater::kAvailablePane));
  EXPECT_FALSE(QFileInfo::exists(home() + "/Downloads/draw_2105.zip"));
}

}  // namespace
