// The application-wide commands: the next window over tab groups and
// panels, mail to the maker through the desktop (escaping, refusal, the
// length the desktop can take), and the log on the clipboard.

#include <QClipboard>
#include <QDialog>
#include <QGuiApplication>
#include <QMap>
#include <QPushButton>
#include <QRegularExpression>

#include "QStringPrinter.h"
#include "ShellTestSupport.h"
#include "support/CSAlertPresenter.h"
#include "support/CSLogger.h"
#include "ui/FakeWorkspace.h"
#include "ui/shell/CSActionHandler.h"
#include "ui/shell/CSEndpoints.h"
#include "ui/shell/DRAutosaveRestorer.h"

namespace {

// The fields of a mail link, each decoded on its own: what a mail program
// reads from it.
QMap<QString, QString> MailFields(const QUrl& url) {
  QMap<QString, QString> fields;
  const QString encoded = QString::fromLatin1(url.toEncoded());
  const qsizetype query = encoded.indexOf(u'?');
  if (query < 0) return fields;
  for (const QString& part : encoded.mid(query + 1).split(u'&')) {
    const qsizetype equals = part.indexOf(u'=');
    fields.insert(part.left(equals), QUrl::fromPercentEncoding(part.mid(equals + 1).toLatin1()));
  }
  return fields;
}

class ActionHandlerTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    // The log file moves into this test's home.
    CSLogger::sharedInstance()->shutDown();
    m_env.set("XDG_STATE_HOME", home() + QStringLiteral("/state"));
    CSRecordingAlertPresenter::shared().clear();
  }
  void TearDown() override {
    CSLogger::sharedInstance()->shutDown();
    delete m_panel;
    ShellTest::TearDown();
  }

  CSActionHandler& handler = CSActionHandler::sharedInstance();
  FakeWorkspace workspace;

  CSDocumentWC* openWindow(const QString& name) {
    QWidget* window = RecordingDelegate::makeWindow(std::make_unique<TestDocument>(file(name)), name, QString());
    MakeKeyAndOrderFront(window);
    return CSDocumentWC::controllerOf(window);
  }
  void showPanel() {
    m_panel = new QWidget(nullptr, Qt::Tool);
    m_panel->resize(100, 100);
    MakeKeyAndOrderFront(m_panel);
  }
  static QWindow* front() {
    for (QWindow* window : WindowOrder::shared().orderedWindows()) {
      if (!IsPanelWindow(window)) return window;
    }
    return nullptr;
  }
  static void log(const QString& message) { CSLogger::sharedInstance()->logString(message); }
  static QStringList alertMessages() {
    QStringList list;
    for (const auto& alert : CSRecordingAlertPresenter::shared().alerts()) list << alert.message;
    return list;
  }

 private:
  ScopedEnvironment m_env;
  QWidget* m_panel = nullptr;
};

TEST_F(ActionHandlerTest, IsOneOfTheApplicationsCommandTargets) {
  const auto& targets = ApplicationActionTargets();
  EXPECT_NE(std::find(targets.begin(), targets.end(), &handler), targets.end());
  for (const char* selector : {"nextWindow:", "contactTindleWick:", "emailLogs:", "copyLogs:", "showAbout:"}) {
    EXPECT_TRUE(handler.respondsToSelector(QString::fromLatin1(selector))) << selector;
  }
}

TEST_F(ActionHandlerTest, NextWindowWithOneWindowAndAPanelDoesNothing) {
  RecordingDelegate delegate;
  CSDocumentWC* only = openWindow(QStringLiteral("a.txt"));
  showPanel();
  const QList<QWindow*> before = WindowOrder::shared().orderedWindows();
  ASSERT_EQ(before.size(), 2);
  handler.nextWindow(nullptr);
  EXPECT_EQ(WindowOrder::shared().orderedWindows(), before);
  EXPECT_EQ(front(), only->windowHandle());
}

TEST_F(ActionHandlerTest, NextWindowCountsATabGroupOnce) {
  RecordingDelegate delegate;
  CSDocumentWC* tab1 = openWindow(QStringLiteral("t1.txt"));
  CSDocumentWC* tab2 = openWindow(QStringLiteral("t2.txt"));
  WindowOrder::shared().addTabbedWindow(tab1->windowHandle(), tab2->windowHandle(), WindowOrder::Ordering::Above);
  WindowOrder::shared().selectTab(tab2->windowHandle());
  CSDocumentWC* other = openWindow(QStringLiteral("other.txt"));
  showPanel();
  Spin();
  ASSERT_EQ(front(), other->windowHandle());
  // Back and forth between the other window and the group's shown tab,
  // never onto the hidden tab and never onto the panel.
  for (QWindow* expected : {tab2->windowHandle(), other->windowHandle(), tab2->windowHandle(), other->windowHandle()}) {
    handler.nextWindow(nullptr);
    Spin();
    EXPECT_EQ(front(), expected);
    EXPECT_EQ(WindowOrder::shared().tabGroup(tab1->windowHandle())->selectedWindow(), tab2->windowHandle());
  }
}

TEST_F(ActionHandlerTest, NextWindowCyclesThroughSeparateWindows) {
  CSDocumentWC* a = openWindow(QStringLiteral("a.txt"));
  CSDocumentWC* b = openWindow(QStringLiteral("b.txt"));
  CSDocumentWC* c = openWindow(QStringLiteral("c.txt"));
  // Order c, b, a: the back-most comes forward each time.
  for (CSDocumentWC* expected : {a, b, c, a}) {
    handler.nextWindow(nullptr);
    EXPECT_EQ(front(), expected->windowHandle());
  }
}

TEST_F(ActionHandlerTest, ContactFromTheRecoveryDialogIsAProblemReport) {
  // Other tests put their own action on the dialog; this is the handler's.
  handler.installContactAction();
  DRAutosaveRestorer dialog({QVariantMap{{QStringLiteral("name"), QStringLiteral("1.TWdraw")},
                                         {QStringLiteral("path"), QStringLiteral("untitled")}}});
  ASSERT_TRUE(dialog.contactButton());
  EXPECT_FALSE(dialog.contactButton()->isHidden());
  dialog.contactButton()->click();
  handler.contactTindleWick(nullptr);

  ASSERT_EQ(workspace.openedUrls.size(), 2);
  const QUrl link = workspace.openedUrls[0];
  EXPECT_EQ(link.scheme(), QStringLiteral("mailto"));
  EXPECT_EQ(link.path(), SupportAddress());
  const auto fields = MailFields(link);
  EXPECT_TRUE(fields.value(QStringLiteral("subject")).startsWith(QStringLiteral("Problem report (")))
      << fields.value(QStringLiteral("subject")).toStdString();
  EXPECT_TRUE(fields.value(QStringLiteral("body")).startsWith(QStringLiteral("--- Please do not delete this line: ")));
  EXPECT_TRUE(MailFields(workspace.openedUrls[1])
                  .value(QStringLiteral("subject"))
                  .startsWith(QStringLiteral("Question or comment (")));
}

TEST_F(ActionHandlerTest, TheMailNamesTheDistributionAndItsVersion) {
  const QString saved = g_systemVersionString;
  const struct {
    QString system;
    QString named;
  } rows[] = {
      {QStringLiteral("Debian GNU/Linux 12 (bookworm)"), QStringLiteral("Debian GNU/Linux 12 (bookworm)")},
      {QStringLiteral("Unknown"), QStringLiteral("Linux (distribution unknown)")},
  };
  for (const auto& row : rows) {
    workspace.openedUrls.clear();
    g_systemVersionString = row.system;
    handler.contactTindleWick(nullptr);
    ASSERT_EQ(workspace.openedUrls.size(), 1);
    const QString body = MailFields(workspace.openedUrls[0]).value(QStringLiteral("body"));
    EXPECT_TRUE(body.startsWith(QStringLiteral("--- Please do not delete this line: ")));
    EXPECT_TRUE(body.contains(QStringLiteral(", ") + row.named + QStringLiteral(" ---"))) << body.toStdString();
    EXPECT_FALSE(body.contains(QStringLiteral("Mac OS")));
  }
  g_systemVersionString = saved;
}

TEST_F(ActionHandlerTest, ARefusedMailLinkSaysContactFailed) {
  workspace.answer = false;
  log(QStringLiteral("something happened"));
  handler.contactTindleWick(nullptr);
  handler.emailLogs(nullptr);
  const auto alerts = CSRecordingAlertPresenter::shared().alerts();
  ASSERT_EQ(alerts.size(), 2u);
  EXPECT_EQ(alerts[0].message, QStringLiteral("Contact failed."));
  EXPECT_EQ(alerts[0].moreInfo, QStringLiteral("I can't send email to TindleWick. Please visit our website, ") +
                                    SiteRoot().toString() + QStringLiteral(", or send email to ") + SupportAddress() +
                                    QStringLiteral("."));
  EXPECT_EQ(alerts[1].message, QStringLiteral("Contact failed."));
  EXPECT_TRUE(alerts[1].moreInfo.endsWith(SupportAddress() + QStringLiteral(".")));
}

TEST_F(ActionHandlerTest, TheMailedLogArrivesWhole) {
  const QString awkward = QStringLiteral("50% of a#b & c=d?e+f\nnext line ü");
  log(awkward);
  const QString logs = CSLogger::sharedInstance()->allLogsForApp(QString(), QString());
  ASSERT_TRUE(logs.contains(awkward));
  handler.emailLogs(nullptr);

  ASSERT_EQ(workspace.openedUrls.size(), 1);
  const QUrl link = workspace.openedUrls[0];
  EXPECT_FALSE(link.hasFragment());
  const auto fields = MailFields(link);
  EXPECT_EQ(fields.keys(), (QStringList{QStringLiteral("body"), QStringLiteral("subject")}));
  EXPECT_TRUE(fields.value(QStringLiteral("subject")).startsWith(QStringLiteral("Logs for ")));
  // Mail links carry line breaks as CR LF.
  QString body = fields.value(QStringLiteral("body"));
  EXPECT_FALSE(body.contains(QRegularExpression(QStringLiteral("[^\r]\n"))));
  body.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  EXPECT_EQ(body, logs);
}

TEST_F(ActionHandlerTest, ALogTooLongForTheDesktopAsksForACopyInstead) {
  log(QString(int(CSActionHandler::kMaxMailLinkBytes), u'x'));
  handler.emailLogs(nullptr);
  EXPECT_TRUE(workspace.openedUrls.isEmpty());
  const auto alerts = CSRecordingAlertPresenter::shared().alerts();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts[0].message, QStringLiteral("Contact failed."));
  EXPECT_TRUE(alerts[0].moreInfo.startsWith(QStringLiteral("I can't send email to TindleWick. Please copy the logs")));
}

TEST_F(ActionHandlerTest, CopyLogsFillsTheClipboardAndAnEmptyLogSendsNothing) {
  QGuiApplication::clipboard()->setText(QStringLiteral("before"));
  // No log yet: the logger says so, and neither command does anything.
  handler.copyLogs(nullptr);
  handler.emailLogs(nullptr);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), QStringLiteral("before"));
  EXPECT_TRUE(workspace.openedUrls.isEmpty());
  EXPECT_EQ(alertMessages(), QStringList(2, QStringLiteral("No log information.")));

  log(QStringLiteral("line with # and &"));
  handler.copyLogs(nullptr);
  EXPECT_EQ(QGuiApplication::clipboard()->text(), CSLogger::sharedInstance()->allLogsForApp(QString(), QString()));
  EXPECT_TRUE(QGuiApplication::clipboard()->text().contains(QStringLiteral("line with # and &")));
}

TEST_F(ActionHandlerTest, AModalWindowDisablesAllButTheWebSite) {
  QAction item(QStringLiteral("item"));
  const QStringList selectors{QStringLiteral("nextWindow:"), QStringLiteral("copyLogs:"),
                              QStringLiteral("emailLogs:"),  QStringLiteral("contactTindleWick:"),
                              QStringLiteral("showAbout:"),  QStringLiteral("donations:")};
  for (const QString& selector : selectors)
    EXPECT_TRUE(handler.validateMenuItem(selector, &item)) << selector.toStdString();
  QDialog modal;
  modal.setModal(true);
  modal.show();
  Spin();
  ASSERT_TRUE(QApplication::activeModalWidget());
  for (const QString& selector : selectors)
    EXPECT_FALSE(handler.validateMenuItem(selector, &item)) << selector.toStdString();
  EXPECT_TRUE(handler.validateMenuItem(QStringLiteral("visitWebsite:"), &item));
  modal.hide();
}

}  // namespace
