// The news checker: finding dated headers, cutting the page to the unseen
// items, and what a check shows, stores and fetches. All network traffic
// goes to a loopback server.

#include <gtest/gtest.h>

#include <QDialog>
#include <QLabel>
#include <QTextBlock>
#include <QTextBrowser>
#include <QTextDocument>
#include <QTextEdit>

#include "QStringPrinter.h"
#include "ShellTestSupport.h"
#include "support/SharedPreferences.h"
#include "ui/FakeWorkspace.h"
#include "ui/LocalHttpServer.h"
#include "ui/ScriptedDialogs.h"
#include "ui/shell/CSAppUpdater.h"
#include "ui/shell/CSEndpoints.h"
#include "ui/shell/CSNewsUpdater.h"

namespace {

constexpr DayIndex kToday = 20260315;

TEST(NewsText, HeadersAreDatesAtTheStartOfALine) {
  const struct {
    const char* text;
    DayIndex date;  // 0: no header
  } cases[] = {
      {"\n3/1/26: Item", 20260301},
      {"\n3/1/2026: Item", 20260301},
      {"\n12/03/2021: Item", 20211203},
      {"x\n2/14/26: Item", 20260214},
      {"\n13/1/26: Item", 0},   // month 13
      {"\n0/1/26: Item", 0},    // month 0
      {"\n3/32/26: Item", 0},   // day 32
      {"\n3/123/26: Item", 0},  // three day digits
      {"\n3/1/26:Item", 0},     // no space after the colon
      {"\n3/1/26:", 0},         // nothing after the colon
      {"\n3/1/1999: Item", 0},  // a long year before 2018
      {"\n3/1/0: Item", 0},     // year 0
      {"\n3/1/20261: Item", 0},
      {"3/1/26: Item", 0},  // no line feed before the month
      {"\nx3/1/26: Item", 0},
      {"\n3/1/26 Item", 0},
      // A mismatch does not hide a later header.
      {"\n13/1/26: no\n3/1/26: yes", 20260301},
  };
  for (const auto& c : cases) {
    const QString text = QString::fromUtf8(c.text);
    const NewsHeader header = FindNextNewsItem(text, 0, kToday);
    EXPECT_EQ(header.found() ? header.date : 0, c.date) << c.text;
    if (header.found()) {
      EXPECT_EQ(text[header.start - 1], u'\n');
      EXPECT_EQ(text[header.start + header.length - 1], u':');
    }
  }
  // A month right at the start of the searched range does not count.
  const QString text = QStringLiteral("\n3/1/26: a\n2/1/26: b");
  EXPECT_EQ(FindNextNewsItem(text, 1, kToday).date, 20260201);
  // Two-digit years take today's century.
  EXPECT_EQ(FindNextNewsItem(u"\n3/1/26: a", 0, 21000101).date, 21260301);
}

// The page as the window shows it, cut for the previous date.
struct Handled {
  bool ok = false;
  DayIndex latest = 0;
  QString text;
};
Handled Handle(const QByteArray& html, DayIndex previous) {
  std::unique_ptr<QTextDocument> document(NewOfflineTextDocument(nullptr));
  document->setHtml(QString::fromUtf8(html));
  Handled handled;
  handled.ok = HandleNewsText(document.get(), previous, kToday, &handled.latest);
  handled.text = document->toPlainText();
  return handled;
}

TEST(NewsText, KeepsTheUnseenItemsOnly) {
  const QStringList items = {"3/1/26: First news", "2/14/26: Second", "1/5/26: Third"};
  const QByteArray page = LocalHttpServer::NewsPage(items, "See all the news");
  const struct {
    const char* name;
    QByteArray page;
    DayIndex previous;
    bool ok;
    DayIndex latest;
    QString text;
  } cases[] = {
      {"two unseen", page, 20260201, true, 20260301, "3/1/26: First news\n2/14/26: Second"},
      {"all unseen", page, 20251201, true, 20260301, "3/1/26: First news\n2/14/26: Second\n1/5/26: Third"},
      {"no previous date", page, 0, true, 20260301, "3/1/26: First news\n2/14/26: Second\n1/5/26: Third"},
      {"closing line and what follows", LocalHttpServer::NewsPage(items, "More news</p><p>Goodbye"), 0, true, 20260301,
       "3/1/26: First news\n2/14/26: Second\n1/5/26: Third"},
      {"closing line is not news", LocalHttpServer::NewsPage(items, "Thanks"), 0, true, 20260301,
       "3/1/26: First news\n2/14/26: Second\n1/5/26: Third\nThanks"},
      {"newest item's own line stays", LocalHttpServer::NewsPage({"3/1/26: Big news"}, ""), 0, true, 20260301,
       "3/1/26: Big news"},
      {"no header", LocalHttpServer::NewsPage({"March: nothing dated"}, "news"), 0, false, 0, ""},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    const Handled handled = Handle(c.page, c.previous);
    EXPECT_EQ(handled.ok, c.ok);
    EXPECT_EQ(handled.latest, c.latest);
    if (c.ok) {
      EXPECT_EQ(handled.text.toStdString(), c.text.toStdString());
    }
  }
}

TEST(NewsText, LinksAndColoursAreTakenAway) {
  std::unique_ptr<QTextDocument> document(NewOfflineTextDocument(nullptr));
  document->setHtml(
      "<p>News</p><p>3/1/26: <a href=\"http://127.0.0.1:1/x\">a link</a> and "
      "<span style=\"color:#ff0000\">red</span></p>");
  DayIndex latest = 0;
  ASSERT_TRUE(HandleNewsText(document.get(), 0, kToday, &latest));
  EXPECT_EQ(document->toPlainText(), QStringLiteral("3/1/26: a link and red"));
  for (QTextBlock block = document->begin(); block.isValid(); block = block.next()) {
    for (auto it = block.begin(); !it.atEnd(); ++it) {
      const QTextCharFormat format = it.fragment().charFormat();
      EXPECT_FALSE(format.isAnchor()) << it.fragment().text().toStdString();
      EXPECT_TRUE(format.anchorHref().isEmpty());
      EXPECT_FALSE(format.fontUnderline());
      EXPECT_FALSE(format.hasProperty(QTextFormat::ForegroundBrush));
    }
  }
}

// ---- Checks against the loopback server ----------------------------------------------

class NewsCheckerTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    ASSERT_TRUE(server.isListening());
    SetSiteRoot(server.url());
  }
  void TearDown() override {
    updater.reset();
    SetSiteRoot(QUrl());
    ShellTest::TearDown();
  }
  CSNewsUpdater& make() {
    CSNewsUpdater::Options options;
    options.clock = [this] { return now; };
    options.timeoutMs = 300;
    updater = std::make_unique<CSNewsUpdater>(options);
    return *updater;
  }
  void waitForWork() {
    ASSERT_TRUE(SpinUntil([this] { return !updater->isWorking(); }));
  }
  static DayIndex Stored(const QString& name) { return DayIndex(TindleWickInteger(UpdaterSettingKey(name))); }

  LocalHttpServer server;
  FakeWorkspace workspace;
  ScriptedDialogs dialogs;
  QDateTime now = QDateTime(QDate(2026, 3, 15), QTime(9, 0));
  std::unique_ptr<CSNewsUpdater> updater;
};

TEST_F(NewsCheckerTest, AutomaticCheckShowsOnlyTheUnseenItems) {
  // The page points at a picture on the server: showing it must not fetch it.
  server.setPage("/news/index.html",
                 LocalHttpServer::NewsPage({"3/1/26: First <img src=\"" + server.url("pic.png").toString() + "\">",
                                            "2/14/26: Second", "1/5/26: Third"},
                                           "Read more news"));
  SetTindleWickInteger(UpdaterSettingKey(kLastNewsDateKey), 20260201);
  CSNewsUpdater& news = make();
  QString shown;
  QWidget* pane = nullptr;
  QString title;
  dialogs.push([&](QDialog* dialog) {
    pane = news.currentPane();
    shown = news.newsView()->toPlainText();
    title = dialog->windowTitle();
    dialog->accept();
  });
  news.startCheck(false);
  waitForWork();

  EXPECT_EQ(pane, news.pane(CSNewsUpdater::kNewsDisplayPane));
  EXPECT_EQ(title, QStringLiteral("TindleWick News"));
  EXPECT_TRUE(shown.startsWith(QStringLiteral("3/1/26: First"))) << shown.toStdString();
  EXPECT_TRUE(shown.endsWith(QStringLiteral("2/14/26: Second"))) << shown.toStdString();
  EXPECT_TRUE(news.newsView()->isReadOnly());
  EXPECT_EQ(Stored(kLastNewsDateKey), 20260301);
  EXPECT_EQ(Stored(kLastNewsCheckKey), 20260315);
  EXPECT_EQ(news.lastUpdateField()->text(), QStringLiteral("March 1, 2026"));
  EXPECT_EQ(news.lastCheckField()->text(), QStringLiteral("March 15, 2026"));
  Spin();
  EXPECT_EQ(server.hits("/pic.png"), 0);
  EXPECT_EQ(server.totalHits(), 1);
}

TEST_F(NewsCheckerTest, RequestedCheckShowsItsResult) {
  const QByteArray page = LocalHttpServer::NewsPage({"3/1/26: First", "2/14/26: Second"}, "");
  const struct {
    const char* name;
    QByteArray page;  // empty: not found
    DayIndex previous;
    CSNewsUpdater::Pane pane;
    DayIndex stored;
  } cases[] = {
      {"news", page, 20260201, CSNewsUpdater::kNewsDisplayPane, 20260301},
      {"nothing newer", page, 20260301, CSNewsUpdater::kUpToDatePane, 20260301},
      {"no dated header", LocalHttpServer::NewsPage({"Nothing dated"}, ""), 20260201, CSNewsUpdater::kCheckFailPane,
       20260201},
      {"not UTF-8", "<p>x</p><p>3/1/26: caf\xe9</p>", 20260201, CSNewsUpdater::kCheckFailPane, 20260201},
      {"missing page", "", 20260201, CSNewsUpdater::kCheckFailPane, 20260201},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.page.isEmpty()) {
      server.setNotFound("/news/index.html");
    } else {
      server.setPage("/news/index.html", c.page);
    }
    SetTindleWickInteger(UpdaterSettingKey(kLastNewsDateKey), c.previous);
    CSNewsUpdater& news = make();
    QWidget* pane = nullptr;
    dialogs.push([&](QDialog* dialog) {
      EXPECT_EQ(dialog->windowTitle(), QStringLiteral("Check for TindleWick News"));
      news.proceed();  // "Check Now"
      waitForWork();
      pane = news.currentPane();
      dialog->accept();
    });
    news.displayUpdateDialog();
    EXPECT_EQ(pane, news.pane(c.pane));
    EXPECT_EQ(Stored(kLastNewsDateKey), c.stored);
    updater.reset();
  }
}

TEST_F(NewsCheckerTest, CheckNowDuringAnAutomaticCheckShowsThatChecksResult) {
  const struct {
    const char* name;
    QByteArray page;  // empty: not found
    CSNewsUpdater::Pane pane;
  } cases[] = {
      {"nothing newer", LocalHttpServer::NewsPage({"3/1/26: First"}, ""), CSNewsUpdater::kUpToDatePane},
      {"missing page", QByteArray(), CSNewsUpdater::kCheckFailPane},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.name);
    if (c.page.isEmpty()) {
      server.setNotFound("/news/index.html");
    } else {
      server.setPage("/news/index.html", c.page);
    }
    SetTindleWickInteger(UpdaterSettingKey(kLastNewsDateKey), 20260301);
    const int hitsBefore = server.hits("/news/index.html");
    CSNewsUpdater& news = make();
    news.startCheck(false);  // the automatic check, under way
    ASSERT_TRUE(news.isWorking());
    QWidget* pane = nullptr;
    dialogs.push([&](QDialog* dialog) {
      news.proceed();  // "Check Now"
      waitForWork();
      pane = news.currentPane();
      dialog->accept();
    });
    news.displayUpdateDialog();
    EXPECT_EQ(pane, news.pane(c.pane));
    EXPECT_EQ(server.hits("/news/index.html"), hitsBefore + 1);
    updater.reset();
  }
}

TEST_F(NewsCheckerTest, AutomaticChecksRunOncePerDay) {
  server.setPage("/news/index.html", LocalHttpServer::NewsPage({"3/1/26: First"}, ""));
  SetTindleWickInteger(UpdaterSettingKey(kLastNewsDateKey), 20260301);  // nothing new: nothing shown
  SetTindleWickBoolean(UpdaterSettingKey(kAutoNewsCheckKey), true);
  CSNewsUpdater& news = make();
  news.startAutoCheck();  // fires at once
  EXPECT_TRUE(news.isAutoCheckTimerActive());
  waitForWork();
  now = now.addSecs(3600);
  news.autoCheckTimerFired();
  waitForWork();
  EXPECT_EQ(server.hits("/news/index.html"), 1);
  EXPECT_TRUE(dialogs.seen().empty());

  // A failed check records no day, so the next tick tries again.
  now = QDateTime(QDate(2026, 3, 16), QTime(0, 10));
  server.setNotFound("/news/index.html");
  news.autoCheckTimerFired();
  waitForWork();
  news.autoCheckTimerFired();
  waitForWork();
  EXPECT_EQ(server.hits("/news/index.html"), 3);
  EXPECT_EQ(Stored(kLastNewsCheckKey), 20260315);
  EXPECT_TRUE(dialogs.seen().empty());
}

TEST_F(NewsCheckerTest, SharedInstanceRunsAsALaunchHookAndLinksToThePage) {
  CSNewsUpdater& shared = CSNewsUpdater::sharedInstance();
  const auto& hooks = LaunchHooks();
  EXPECT_NE(std::find(hooks.begin(), hooks.end(), static_cast<CSLaunchHook*>(&shared)), hooks.end());
  EXPECT_EQ(shared.window()->objectName(), QStringLiteral("CSNewsUpdates"));

  CSNewsUpdater& news = make();
  dialogs.push([&](QDialog* dialog) {
    EXPECT_EQ(news.newsLinkView()->toPlainText().trimmed(), QStringLiteral("TindleWick news page"));
    emit news.newsLinkView()->anchorClicked(NewsPageUrl());
    dialog->reject();
  });
  news.displayUpdateDialog();
  ASSERT_EQ(workspace.openedUrls.size(), 1);
  EXPECT_EQ(workspace.openedUrls[0], server.url("news/index.html"));
}

}  // namespace
