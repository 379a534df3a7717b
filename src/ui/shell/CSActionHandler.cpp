#include "ui/shell/CSActionHandler.h"

#include <QAction>
#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <QWidget>
#include <QWindow>
#include <exception>

#include "platform/WindowOrder.h"
#include "support/CSCore.h"
#include "support/CSKernel.h"
#include "support/CSLogger.h"
#include "ui/shell/CSAboutController.h"
#include "ui/shell/CSAppUpdater.h"
#include "ui/shell/CSDocumentAppDelegate.h"
#include "ui/shell/CSEndpoints.h"
#include "ui/shell/CSNewsUpdater.h"
#include "ui/shell/CSPopoverBaseVC.h"
#include "ui/shell/CSWorkspace.h"
#include "ui/shell/DRAppController.h"
#include "ui/shell/DRAutosaveRestorer.h"
#include "ui/shell/ShellSeams.h"
#include "ui/shell/ShellWindows.h"

const char* const CSActionHandler::kProblemProperty = "isTWProblem";

namespace {

// The front-most shown window that is not a panel: the one the user works in.
QWindow* MainWindowOf(const QList<QWindow*>& ordered) {
  for (QWindow* window : ordered) {
    if (window->isVisible() && !IsPanelWindow(window)) return window;
  }
  return nullptr;
}

void BringForward(QWindow* window) {
  if (QWidget* widget = WidgetOfWindow(window)) {
    MakeKeyAndOrderFront(widget);
    return;
  }
  WindowOrder::shared().selectTab(window);
  window->show();
  window->raise();
  window->requestActivate();
  WindowOrder::shared().orderFront(window);
}

// "TWdraw 1.2.0": the name and version mails carry.
QString ApplicationText() {
  return StringWithFormat("%@ %@", g_appName, g_appVersionString);
}

// Hands the link to the desktop; false when it could not be made or taken.
bool OpenMailLink(const QUrl& link) {
  return link.isValid() && Workspace().openUrl(link);
}

// The log text the log commands send; null (after the logger's own alert)
// when there is none.
QString LogText() {
  return CSLogger::sharedInstance()->allLogsForApp(QString(), QString());
}

}  // namespace

CSActionHandler& CSActionHandler::sharedInstance() {
  static CSActionHandler* handler = new CSActionHandler;
  return *handler;
}

CSActionHandler::CSActionHandler() {
  AddApplicationActionTarget(this);
  installContactAction();
}

CSActionHandler::~CSActionHandler() {
  RemoveApplicationActionTarget(this);
}

void CSActionHandler::installContactAction() {
  // The dialog answers isTWProblem, so its mail is a problem report.
  DRAutosaveRestorer::setContactAction([this](QWidget* dialog) { contactTindleWick(dialog); });
}

// ---- Commands ---------------------------------------------------------------------------------

const DRActionTable<CSActionHandler>& CSActionHandler::actionTable() {
  static const DRActionTable<CSActionHandler> table = [] {
    DRActionTable<CSActionHandler> t;
    const auto modal = &CSActionHandler::validateWithoutModal;
    t.add(QStringLiteral("nextWindow:"), &CSActionHandler::nextWindow, modal)
        .add(QStringLiteral("checkUpdates:"), &CSActionHandler::checkUpdates, modal)
        .add(QStringLiteral("checkNewsUpdates:"), &CSActionHandler::checkNewsUpdates, modal)
        .add(QStringLiteral("showAbout:"), &CSActionHandler::showAbout, modal)
        .add(QStringLiteral("visitWebsite:"), &CSActionHandler::visitWebsite, &CSActionHandler::validateAlways)
        .add(QStringLiteral("donations:"), &CSActionHandler::donations, modal)
        .add(QStringLiteral("contactTindleWick:"), &CSActionHandler::contactTindleWick, modal)
        .add(QStringLiteral("emailLogs:"), &CSActionHandler::emailLogs, modal)
        .add(QStringLiteral("copyLogs:"), &CSActionHandler::copyLogs, modal);
    return t;
  }();
  return table;
}

bool CSActionHandler::respondsToSelector(const QString& selector) const {
  return actionTable().contains(selector);
}

bool CSActionHandler::performAction(const QString& selector, QObject* sender) {
  return actionTable().perform(this, selector, sender);
}

bool CSActionHandler::validateMenuItem(const QString& selector, QAction* item) {
  // A popover left open over a menu would take the command's effect away
  // from the window it belongs to.
  CSPopoverBaseVC::closePopovers();
  return actionTable().validate(this, selector, item);
}

bool CSActionHandler::validateAlways(QAction* item) {
  (void)item;
  return true;
}

bool CSActionHandler::validateWithoutModal(QAction* item) {
  (void)item;
  return QApplication::activeModalWidget() == nullptr;
}

void CSActionHandler::nextWindow(QObject* sender) {
  (void)sender;
  WindowOrder& order = WindowOrder::shared();
  const QList<QWindow*> ordered = order.orderedWindows();
  QWindow* main = MainWindowOf(ordered);
  if (!main || ordered.size() < 2) return;
  // The main window's own tabs are the same place; they never count as the
  // next window.
  const QList<QWindow*> mainTabs = order.tabbedWindows(main);
  const CSDocumentAppDelegate* delegate = CSDocumentAppDelegate::current();
  QWindow* target = nullptr;
  for (qsizetype i = ordered.size() - 1; i >= 0 && ordered[i] != main; --i) {
    QWindow* window = ordered[i];
    if (IsPanelWindow(window) || mainTabs.contains(window)) continue;
    if (delegate && !delegate->shouldBringWindowForward(WidgetOfWindow(window))) continue;
    target = window;
    break;
  }
  if (!target) return;
  // A group comes forward as itself: its shown tab, its other tabs behind.
  const WindowTabGroup* group = order.tabGroup(target);
  if (group && group->count() > 1 && group->selectedWindow()) target = group->selectedWindow();
  BringForward(target);
}

void CSActionHandler::checkUpdates(QObject* sender) {
  (void)sender;
  CSAppUpdater::sharedInstance().displayUpdateDialog();
}

void CSActionHandler::checkNewsUpdates(QObject* sender) {
  (void)sender;
  CSNewsUpdater::sharedInstance().displayUpdateDialog();
}

void CSActionHandler::showAbout(QObject* sender) {
  (void)sender;
  const bool drawing = dynamic_cast<DRAppController*>(CSDocumentAppDelegate::current()) != nullptr;
  CSAboutController::introduceTindleApp(drawing ? DRAppController::aboutString() : QStringLiteral("A TindleWick app."));
}

void CSActionHandler::visitWebsite(QObject* sender) {
  (void)sender;
  Workspace().openUrl(SiteRoot());
}

void CSActionHandler::donations(QObject* sender) {
  (void)sender;
  Workspace().openUrl(DonatePageUrl());
}

void CSActionHandler::contactTindleWick(QObject* sender) {
  const bool problem = sender && sender->property(kProblemProperty).toBool();
  const QString kind = problem ? QStringLiteral("Problem report") : QStringLiteral("Question or comment");
  const QString app = ApplicationText();
  const QString subject = StringWithFormat("%@ (%@)", kind, app);
  // The system text is the distribution's name and version as it gives them.
  const QString system = g_systemVersionString == QLatin1String("Unknown")
                             ? QStringLiteral("Linux (distribution unknown)")
                             : g_systemVersionString;
  const QString body = StringWithFormat("--- Please do not delete this line: %@, %@ ---\n\n", app, system);
  if (OpenMailLink(MailLink(subject, body))) return;
  GiveSimpleAlert(
      QStringLiteral("Contact failed."),
      StringWithFormat("I can't send email to TindleWick. Please visit our website, %@, or send email to %@.",
                       SiteRoot().toString(), SupportAddress()));
}

void CSActionHandler::emailLogs(QObject* sender) {
  (void)sender;
  const QString logs = LogText();
  if (logs.isEmpty()) return;
  const QString subject = StringWithFormat("Logs for %@ %@", g_appName, g_appVersionString);
  if (OpenMailLink(MailLink(subject, logs))) return;
  GiveSimpleAlert(QStringLiteral("Contact failed."),
                  StringWithFormat("I can't send email to TindleWick. Please copy the logs instead (hold down the "
                                   "option key) and email them to %@.",
                                   SupportAddress()));
}

void CSActionHandler::copyLogs(QObject* sender) {
  (void)sender;
  try {
    const QString logs = LogText();
    if (logs.isEmpty()) return;
    auto* data = new QMimeData;
    data->setText(logs);
    QGuiApplication::clipboard()->setMimeData(data);
  } catch (const std::exception& exception) {
    LogException(exception, QStringLiteral("copyLogs failed"));
  }
}

// ---- Mail links -------------------------------------------------------------------------------

QString CSActionHandler::MailEscape(const QString& text) {
  // Mail links carry line breaks as CR LF; a lone CR is kept as it is.
  QString lines = text;
  lines.replace(QStringLiteral("\r\n"), QStringLiteral("\n"));
  lines.replace(u'\n', QStringLiteral("\r\n"));
  // Escaping everything but the unreserved characters keeps "&", "#", "%",
  // "=" and "?" of the text from ending its field or the link.
  return QString::fromLatin1(QUrl::toPercentEncoding(lines));
}

QUrl CSActionHandler::MailLink(const QString& subject, const QString& body) {
  const QString text = QStringLiteral("mailto:") + SupportAddress() + QStringLiteral("?subject=") +
                       MailEscape(subject) + QStringLiteral("&body=") + MailEscape(body);
  if (text.size() > kMaxMailLinkBytes) return QUrl();
  return QUrl(text, QUrl::StrictMode);
}
