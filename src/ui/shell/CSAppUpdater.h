#pragma once
// The update checker: finds out whether the maker's site offers a newer
// version, shows the result in a small modal window and, on request,
// downloads the new version into the Downloads folder, reveals it and opens
// it. With automatic checks on it looks once a week or once a month; a check
// nobody asked for shows the window only when there is a newer version.

#include <QDateTime>
#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QTimer>
#include <functional>
#include <memory>

#include "ui/shell/CSAppUpdaterThread.h"
#include "ui/shell/ShellSeams.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QWidget;

// The settings' full keys: the suite's identifier, a dot and the name.
QString UpdaterSettingKey(const QString& name);
// The application's own defaults keep the last check under this name.
extern const QString kLastUpdateCheckName;  // "lastUpdateCheck"

class CSAppUpdater : public QObject, public CSLaunchHook {
  Q_OBJECT
 public:
  // What the checker depends on beyond the settings; tests replace them.
  struct Options {
    std::function<QDateTime()> clock;  // now; the system clock when empty
    int checkTimeoutMs = kCheckTimeoutMs;
    int downloadTimeoutMs = kDownloadTimeoutMs;
    QString executableName;  // the bundle's executable name when empty
    QString appName;         // the name the panes show; the bundle's name when empty
    QString versionText;     // g_appVersionString when empty
  };

  enum Pane {
    kMainPane,
    kCheckingPane,
    kAvailablePane,
    kDownloadPane,
    kUpToDatePane,
    kCheckFailPane,
    kDownloadFailPane
  };

  static constexpr int kAutoCheckIntervalMs = 86400 * 1000;
  // The download bar's maximum while the total is unknown.
  static constexpr uint64_t kUnknownTotalBarMaximum = 5242880;

  // The one instance, made on first use; it registers its automatic check
  // as a launch hook.
  static CSAppUpdater& sharedInstance();

  CSAppUpdater();
  explicit CSAppUpdater(Options options);
  ~CSAppUpdater() override;
  CSAppUpdater(const CSAppUpdater&) = delete;
  CSAppUpdater& operator=(const CSAppUpdater&) = delete;

  // The update command: the main pane, run modally; afterwards the two
  // settings are stored and the automatic checks follow them.
  void displayUpdateDialog();
  void startAutoCheck() override;
  // The window's default button and its cancel button.
  void proceed();
  void cancel();
  // Starts a check unless work is running; `report` shows a failure or an
  // up-to-date result too.
  void startCheck(bool report);
  void autoCheckTimerFired();
  void reportCheckResults();
  void reportDownloadResults();
  void reportDownloadProgress();
  void setPane(QWidget* pane);

  // Whether a check is due: from the day the last one ran, one month or
  // seven days on, counted in whole days from midnight.
  static bool IsCheckDue(const QDateTime& lastCheck, const QDateTime& now, bool monthly);

  QDateTime lastCheckDate() const { return m_lastCheckDate; }
  void setLastCheckDate(const QDateTime& date) { m_lastCheckDate = date; }
  QString updatePath() const { return m_updatePath; }
  void setUpdatePath(const QString& path) { m_updatePath = path; }
  VersionTriple versionPath() const { return m_versionPath; }
  void setVersionPath(const VersionTriple& version) { m_versionPath = version; }

  bool autoCheck() const { return m_autoCheck; }
  void setAutoCheck(bool on);
  bool checkMonthly() const { return m_checkMonthly; }
  void setCheckMonthly(bool on);
  bool success() const { return m_success; }

  // The window and its parts, for the application and its tests.
  QDialog* window() const { return m_window; }
  QWidget* pane(Pane pane) const { return m_panes[pane]; }
  QWidget* currentPane() const { return m_currentPane; }
  QLabel* availableField() const { return m_availableField; }
  QLabel* downloadAmountField() const { return m_downloadAmountField; }
  QProgressBar* downloadSpinner() const { return m_downloadSpinner; }
  bool isWorking() const { return m_currentDownload != nullptr; }
  bool isAutoCheckTimerActive() const { return m_autoCheckTimer.isActive(); }

 private:
  void buildWindow();
  QWidget* makePane(const QString& text, const QString& proceedTitle, const QString& cancelTitle,
                    QLabel** field = nullptr);
  QDateTime now() const;
  bool isWindowShown() const;
  void runModal();
  void endModal();
  void stopWork();
  void startThread(CSAppUpdaterThread::Work work, const QUrl& address, int timeoutMs);
  void threadFinished();

  Options m_options;
  std::unique_ptr<CSAppUpdaterThread> m_currentDownload;
  QTimer m_autoCheckTimer;
  QString m_updatePath;
  VersionTriple m_versionPath{0, 0, 0};
  bool m_checkRequest = false;
  bool m_reportFailure = false;
  bool m_success = false;
  bool m_modal = false;
  QPointer<QDialog> m_window;
  QWidget* m_currentPane = nullptr;
  QWidget* m_panes[kDownloadFailPane + 1] = {};
  bool m_autoCheck = false;
  bool m_checkMonthly = false;
  QDateTime m_lastCheckDate;
  QLabel* m_availableField = nullptr;
  QString m_availableStringCopy;
  QProgressBar* m_checkSpinner = nullptr;
  QProgressBar* m_downloadSpinner = nullptr;
  QLabel* m_downloadAmountField = nullptr;
  QCheckBox* m_autoCheckBox = nullptr;
  QCheckBox* m_monthlyBox = nullptr;
};
