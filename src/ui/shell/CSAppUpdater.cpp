#include "ui/shell/CSAppUpdater.h"

#include <QCheckBox>
#include <QDialog>
#include <QGuiApplication>
#include <QHBoxLayout>
#include <QLabel>
#include <QProgressBar>
#include <QPushButton>
#include <QSettings>
#include <QVBoxLayout>
#include <climits>

#include "support/CSKernel.h"
#include "support/SharedPreferences.h"
#include "support/StringWithFormat.h"
#include "ui/shell/CSBundleKeys.h"
#include "ui/shell/CSEndpoints.h"
#include "ui/shell/CSWorkspace.h"
#include "ui/shell/ShellResources.h"
#include "ui/shell/ShellWindows.h"

const QString kLastUpdateCheckName = QStringLiteral("lastUpdateCheck");

QString UpdaterSettingKey(const QString& name) {
  return kTindleWickSuite + QLatin1Char('.') + name;
}

namespace {

constexpr double kBytesPerMB = 1048576.0;

}  // namespace

CSAppUpdater& CSAppUpdater::sharedInstance() {
  static CSAppUpdater* instance = [] {
    auto* updater = new CSAppUpdater();
    AddLaunchHook(updater);
    return updater;
  }();
  return *instance;
}

CSAppUpdater::CSAppUpdater() : CSAppUpdater(Options()) {}

CSAppUpdater::CSAppUpdater(Options options) : m_options(std::move(options)) {
  if (m_options.executableName.isEmpty()) m_options.executableName = QString::fromUtf8(kBundleExecutable);
  if (m_options.appName.isEmpty()) m_options.appName = QString::fromUtf8(kBundleName);
  if (m_options.versionText.isEmpty()) m_options.versionText = g_appVersionString;

  bool ok = false;
  const qint64 seconds = QSettings().value(UpdaterSettingKey(kLastUpdateCheckName)).toString().toLongLong(&ok);
  if (ok && seconds != 0) m_lastCheckDate = QDateTime::fromSecsSinceEpoch(seconds);
  m_autoCheck = TindleWickBoolean(UpdaterSettingKey(kAutoUpdateKey), false);
  m_checkMonthly = TindleWickBoolean(UpdaterSettingKey(kAutoUpdateMonthlyKey), false);

  connect(&m_autoCheckTimer, &QTimer::timeout, this, &CSAppUpdater::autoCheckTimerFired);
  buildWindow();
}

CSAppUpdater::~CSAppUpdater() {
  RemoveLaunchHook(this);
  m_currentDownload.reset();  // cancels and waits
  delete m_window;
}

// ---- The window ------------------------------------------------------------------

QWidget* CSAppUpdater::makePane(const QString& text, const QString& proceedTitle, const QString& cancelTitle,
                                QLabel** field) {
  auto* pane = new QWidget(m_window);
  auto* layout = new QVBoxLayout(pane);
  layout->setContentsMargins(20, 16, 20, 16);
  auto* label = new QLabel(text, pane);
  label->setWordWrap(true);
  layout->addWidget(label);
  if (field) *field = label;
  auto* buttons = new QHBoxLayout;
  buttons->addStretch();
  if (!cancelTitle.isEmpty()) {
    auto* button = new QPushButton(cancelTitle, pane);
    button->setAutoDefault(false);
    connect(button, &QPushButton::clicked, this, &CSAppUpdater::cancel);
    buttons->addWidget(button);
  }
  if (!proceedTitle.isEmpty()) {
    auto* button = new QPushButton(proceedTitle, pane);
    button->setDefault(true);
    connect(button, &QPushButton::clicked, this, &CSAppUpdater::proceed);
    buttons->addWidget(button);
  }
  layout->addStretch();
  layout->addLayout(buttons);
  pane->hide();
  return pane;
}

void CSAppUpdater::buildWindow() {
  m_window = new QDialog;
  m_window->setWindowTitle(QStringLiteral("Check for Updates"));
  m_window->setObjectName(QString::fromLatin1(kCheckUpdatesInterface));
  m_window->setFixedWidth(440);
  auto* layout = new QVBoxLayout(m_window);
  layout->setContentsMargins(0, 0, 0, 0);
  layout->setSizeConstraint(QLayout::SetNoConstraint);
  // Closing the window stops what runs, as the cancel button does.
  connect(m_window, &QDialog::rejected, this, [this] {
    m_updatePath.clear();
    stopWork();
  });

  QWidget* main = makePane(QStringLiteral("*** can look on the TindleWick web site for a newer version of itself."),
                           QStringLiteral("Check Now"), QStringLiteral("Done"));
  auto* mainLayout = static_cast<QVBoxLayout*>(main->layout());
  m_autoCheckBox = new QCheckBox(QStringLiteral("Check for new versions automatically"), main);
  m_monthlyBox = new QCheckBox(QStringLiteral("Check monthly instead of weekly"), main);
  mainLayout->insertWidget(1, m_autoCheckBox);
  mainLayout->insertWidget(2, m_monthlyBox);
  connect(m_autoCheckBox, &QCheckBox::toggled, this, [this](bool on) { m_autoCheck = on; });
  connect(m_monthlyBox, &QCheckBox::toggled, this, [this](bool on) { m_checkMonthly = on; });
  m_panes[kMainPane] = main;

  QWidget* checking =
      makePane(QStringLiteral("Looking for a newer version of ***\u2026"), QString(), QStringLiteral("Cancel"));
  m_checkSpinner = new QProgressBar(checking);
  m_checkSpinner->setRange(0, 1);
  m_checkSpinner->setTextVisible(false);
  static_cast<QVBoxLayout*>(checking->layout())->insertWidget(1, m_checkSpinner);
  m_panes[kCheckingPane] = checking;

  m_panes[kAvailablePane] =
      makePane(QStringLiteral("Version ### of *** is available. Would you like to download it now?"),
               QStringLiteral("Download"), QStringLiteral("Not Now"), &m_availableField);

  QWidget* download =
      makePane(QStringLiteral("Downloading the new version of ***\u2026"), QString(), QStringLiteral("Cancel"));
  m_downloadSpinner = new QProgressBar(download);
  m_downloadSpinner->setRange(0, 0);
  m_downloadSpinner->setTextVisible(false);
  m_downloadAmountField = new QLabel(download);
  static_cast<QVBoxLayout*>(download->layout())->insertWidget(1, m_downloadSpinner);
  static_cast<QVBoxLayout*>(download->layout())->insertWidget(2, m_downloadAmountField);
  m_panes[kDownloadPane] = download;

  m_panes[kUpToDatePane] = makePane(QStringLiteral("*** is up to date."), QStringLiteral("OK"), QString());
  m_panes[kCheckFailPane] = makePane(
      QStringLiteral("*** couldn't reach the TindleWick web site to look for a newer version. Please try again later."),
      QStringLiteral("OK"), QString());
  m_panes[kDownloadFailPane] =
      makePane(QStringLiteral("The new version of *** couldn't be downloaded. Please try again later."),
               QStringLiteral("OK"), QString());

  // Each text names the program once, by the name the user knows it by; the
  // executable name serves only to find the program's downloads.
  for (QWidget* pane : m_panes) {
    const QList<QLabel*> labels = pane->findChildren<QLabel*>();
    for (auto it = labels.crbegin(); it != labels.crend(); ++it) {
      QString text = (*it)->text();
      const qsizetype at = text.indexOf(QLatin1String("***"));
      if (at < 0) continue;
      (*it)->setText(text.replace(at, 3, m_options.appName));
    }
  }
  m_availableStringCopy = m_availableField->text();
  setPane(m_panes[kMainPane]);
}

void CSAppUpdater::setPane(QWidget* pane) {
  if (!pane || !m_window) return;
  m_autoCheckBox->setChecked(m_autoCheck);
  m_monthlyBox->setChecked(m_checkMonthly);
  m_currentPane = ShowOnlyPane(m_window, m_currentPane, pane);
}

void CSAppUpdater::setAutoCheck(bool on) {
  m_autoCheck = on;
  m_autoCheckBox->setChecked(on);
}

void CSAppUpdater::setCheckMonthly(bool on) {
  m_checkMonthly = on;
  m_monthlyBox->setChecked(on);
}

QDateTime CSAppUpdater::now() const {
  return m_options.clock ? m_options.clock() : QDateTime::currentDateTime();
}

bool CSAppUpdater::isWindowShown() const {
  return IsReusableDialogShown(m_window, m_modal);
}

void CSAppUpdater::runModal() {
  RunReusableDialog(m_window, m_modal);
}

void CSAppUpdater::endModal() {
  EndReusableDialog(m_window, m_modal);
}

// ---- Commands --------------------------------------------------------------------

void CSAppUpdater::displayUpdateDialog() {
  if (RaiseReusableDialog(m_window, m_modal)) return;
  setPane(m_panes[kMainPane]);
  runModal();
  SetTindleWickBoolean(UpdaterSettingKey(kAutoUpdateKey), m_autoCheck);
  SetTindleWickBoolean(UpdaterSettingKey(kAutoUpdateMonthlyKey), m_checkMonthly);
  SyncTindleWickPrefs();
  startAutoCheck();
}

void CSAppUpdater::startAutoCheck() {
  if (!m_autoCheck) {
    m_autoCheckTimer.stop();
    return;
  }
  if (m_autoCheckTimer.isActive()) return;
  m_autoCheckTimer.start(kAutoCheckIntervalMs);
  autoCheckTimerFired();
}

bool CSAppUpdater::IsCheckDue(const QDateTime& lastCheck, const QDateTime& now, bool monthly) {
  if (!lastCheck.isValid()) return true;
  const QDate last = lastCheck.toLocalTime().date();
  const QDate due = monthly ? last.addMonths(1) : last.addDays(7);
  return now.toLocalTime().date() >= due;
}

void CSAppUpdater::autoCheckTimerFired() {
  if (m_currentDownload || isWindowShown()) return;
  if (!IsCheckDue(m_lastCheckDate, now(), m_checkMonthly)) return;
  startCheck(false);
}

void CSAppUpdater::startCheck(bool report) {
  if (!m_window || m_currentDownload) return;
  m_updatePath.clear();
  m_checkRequest = true;
  m_success = false;
  m_reportFailure = report;
  startThread(CSAppUpdaterThread::Work::Check, DownloadsPageUrl(), m_options.checkTimeoutMs);
}

void CSAppUpdater::startThread(CSAppUpdaterThread::Work work, const QUrl& address, int timeoutMs) {
  m_currentDownload = std::make_unique<CSAppUpdaterThread>(work, address, timeoutMs);
  m_currentDownload->setRunningVersion(m_options.executableName, m_options.versionText);
  CSAppUpdaterThread* thread = m_currentDownload.get();
  connect(thread, &QThread::finished, this, &CSAppUpdater::threadFinished, Qt::QueuedConnection);
  if (work == CSAppUpdaterThread::Work::Download)
    connect(thread, &CSAppUpdaterThread::progressed, this, &CSAppUpdater::reportDownloadProgress, Qt::QueuedConnection);
  thread->start();
}

void CSAppUpdater::proceed() {
  if (m_currentPane == m_panes[kMainPane]) {
    setPane(m_panes[kCheckingPane]);
    if (m_currentDownload && m_checkRequest) {
      // An automatic check is under way: it becomes the requested one, and
      // its result is shown whatever it is.
      m_reportFailure = true;
    } else {
      startCheck(true);
    }
    m_checkSpinner->setRange(0, 0);
  } else if (m_currentPane == m_panes[kAvailablePane]) {
    if (m_currentDownload || m_updatePath.isEmpty()) return;
    m_downloadSpinner->setRange(0, 0);
    m_downloadSpinner->setValue(0);
    m_downloadAmountField->clear();
    setPane(m_panes[kDownloadPane]);
    m_success = false;
    m_checkRequest = false;
    m_reportFailure = true;
    startThread(CSAppUpdaterThread::Work::Download, QUrl(m_updatePath), m_options.downloadTimeoutMs);
  } else {
    endModal();
  }
}

void CSAppUpdater::stopWork() {
  if (!m_currentDownload) return;
  CSAppUpdaterThread* thread = m_currentDownload.release();
  thread->disconnect(this);
  thread->cancel();
  // It ends on its own shortly; it goes once it has.
  connect(thread, &QThread::finished, thread, &QObject::deleteLater);
  if (thread->isFinished()) thread->deleteLater();
  m_checkSpinner->setRange(0, 1);
}

void CSAppUpdater::cancel() {
  m_updatePath.clear();
  stopWork();
  if (m_window && m_modal) m_window->done(QDialog::Rejected);
}

// ---- Results ---------------------------------------------------------------------

void CSAppUpdater::threadFinished() {
  if (!m_currentDownload) return;
  std::unique_ptr<CSAppUpdaterThread> thread = std::move(m_currentDownload);
  thread->wait();
  m_success = thread->wasSuccessful();
  const bool check = thread->checkRequest();
  m_updatePath = m_success ? thread->downloadPath() : QString();
  if (m_success && check) m_versionPath = thread->versionPath();
  thread.reset();
  m_checkSpinner->setRange(0, 1);
  if (check && !m_success && !m_reportFailure) return;
  if (check) {
    reportCheckResults();
  } else {
    reportDownloadResults();
  }
}

void CSAppUpdater::reportCheckResults() {
  if (m_success) {
    m_lastCheckDate = now();
    QSettings().setValue(UpdaterSettingKey(kLastUpdateCheckName),
                         StringWithFormat("%qd", qint64(m_lastCheckDate.toSecsSinceEpoch())));
  }
  QWidget* pane;
  if (m_updatePath.isEmpty()) {
    if (!m_reportFailure) return;
    pane = m_panes[m_success ? kUpToDatePane : kCheckFailPane];
  } else {
    pane = m_panes[kAvailablePane];
    QString message = m_availableStringCopy;
    const qsizetype at = message.indexOf(QLatin1String("###"));
    if (at >= 0) {
      const QString version = m_versionPath[2] == 0
                                  ? StringWithFormat("%d.%d", m_versionPath[0], m_versionPath[1])
                                  : StringWithFormat("%d.%d.%d", m_versionPath[0], m_versionPath[1], m_versionPath[2]);
      message.replace(at, 3, version);
    }
    m_availableField->setText(message);
  }
  setPane(pane);
  if (!isWindowShown()) runModal();
}

void CSAppUpdater::reportDownloadResults() {
  if (m_success && !m_updatePath.isEmpty()) {
    Workspace().showInFinder(m_updatePath);
    Workspace().openFile(m_updatePath);
    endModal();
  } else {
    setPane(m_panes[kDownloadFailPane]);
  }
}

void CSAppUpdater::reportDownloadProgress() {
  if (!m_currentDownload) return;
  uint64_t done = 0, total = 0;
  m_currentDownload->takeProgress(&done, &total);
  const uint64_t maximum = total ? total : kUnknownTotalBarMaximum;
  if (total) {
    m_downloadAmountField->setText(
        StringWithFormat("%.2f MB of %.2f MB", double(done) / kBytesPerMB, double(total) / kBytesPerMB));
  } else {
    m_downloadAmountField->setText(StringWithFormat("%.2f MB", double(done) / kBytesPerMB));
  }
  // A progress bar counts in ints: very large files are counted in larger
  // steps.
  int shift = 0;
  while ((std::max(maximum, done) >> shift) > uint64_t(INT_MAX)) ++shift;
  const int barMaximum = int(maximum >> shift);
  if (m_downloadSpinner->maximum() != barMaximum) m_downloadSpinner->setRange(0, barMaximum);
  m_downloadSpinner->setValue(int(std::min(done, maximum) >> shift));
}
