#pragma once
// The news checker: fetches the maker's news page, keeps the dated items the
// user has not seen and shows them in a small modal window. With automatic
// checks on it looks at most once per calendar day, and a check nobody asked
// for shows the window only when there is news. The page is outside data:
// it is shown as rich text through QTextDocument, and nothing it refers to
// is ever loaded.

#include <QByteArray>
#include <QDateTime>
#include <QDialog>
#include <QObject>
#include <QPointer>
#include <QString>
#include <QStringView>
#include <QTimer>
#include <functional>
#include <memory>

#include "support/CSAttributedString.h"
#include "support/DayNumbers.h"
#include "ui/shell/CSAppUpdaterThread.h"
#include "ui/shell/ShellSeams.h"

class QCheckBox;
class QLabel;
class QProgressBar;
class QTextBrowser;
class QTextDocument;
class QTextEdit;
class QWidget;

// Years written with four digits before this one are not news headers.
inline constexpr int32_t kFirstNewsYear = 2018;

// A news item's header, "month/day/year: " at the start of a line.
struct NewsHeader {
  qsizetype start = -1;  // the first month digit
  qsizetype length = 0;  // up to and including the colon
  DayIndex date = 0;
  bool found() const { return start >= 0; }
};

// The next header at or after `startIndex`: the month's digits follow a line
// feed inside the searched range and read 1-12, the day is one or two digits
// of 1-31, the year one to four digits, not 0, followed by a colon and a
// space; a year below 100 takes today's century, a longer one must be
// kFirstNewsYear or later.
NewsHeader FindNextNewsItem(QStringView text, qsizetype startIndex, DayIndex today);

// What of a news text to keep: from the first header up to the first older
// item than `previousDate` (0: none is older); when no item was cut that
// way, the closing line that ends in "news" goes, unless it is the newest
// item's own line. Trailing white space is never kept.
struct NewsCut {
  bool found = false;  // the text has a header
  DayIndex latest = 0;
  qsizetype keepStart = 0;
  qsizetype keepEnd = 0;
};
NewsCut PlanNewsCut(QStringView text, DayIndex previousDate, DayIndex today);

// Cuts the document to its unseen items (PlanNewsCut over its plain text),
// takes away links with their underline and colour and leaves the text in
// the view's own colour. False, with the document untouched, when it has no
// header.
bool HandleNewsText(QTextDocument* document, DayIndex previousDate, DayIndex today, DayIndex* latestDate);

// A document for outside HTML: it loads no image, style sheet or other
// resource, from the network or from files.
QTextDocument* NewOfflineTextDocument(QObject* parent);

class CSNewsUpdater : public QObject, public CSLaunchHook {
  Q_OBJECT
 public:
  struct Options {
    std::function<QDateTime()> clock;  // now; the system clock when empty
    int timeoutMs = kCheckTimeoutMs;
  };

  enum Pane { kMainPane, kCheckingPane, kUpToDatePane, kNewsDisplayPane, kCheckFailPane };

  static constexpr int kAutoCheckIntervalMs = 3600 * 1000;

  // The one instance, made on first use; it registers its automatic check
  // as a launch hook.
  static CSNewsUpdater& sharedInstance();

  CSNewsUpdater();
  explicit CSNewsUpdater(Options options);
  ~CSNewsUpdater() override;
  CSNewsUpdater(const CSNewsUpdater&) = delete;
  CSNewsUpdater& operator=(const CSNewsUpdater&) = delete;

  // The news command: the main pane with the dates of the last check and of
  // the newest item seen, run modally; afterwards the setting is stored and
  // the automatic checks follow it.
  void displayUpdateDialog();
  void startAutoCheck() override;
  void proceed();
  void cancel();
  void startCheck(bool report);
  void autoCheckTimerFired();
  void reportCheckResults();
  void setPane(QWidget* pane);
  // Shows "%@ %d, %d" (month name, day, year), or nothing for 0.
  static void updateDateField(QLabel* field, DayIndex date);

  bool autoCheck() const { return m_autoCheck; }
  void setAutoCheck(bool on);
  DayIndex today() const { return m_today; }

  QDialog* window() const { return m_window; }
  QWidget* pane(Pane pane) const { return m_panes[pane]; }
  QWidget* currentPane() const { return m_currentPane; }
  QTextEdit* newsView() const { return m_newsView; }
  QTextBrowser* newsLinkView() const { return m_newsLinkView; }
  QLabel* lastCheckField() const { return m_lastCheckField; }
  QLabel* lastUpdateField() const { return m_lastUpdateField; }
  bool isWorking() const { return m_currentDownload != nullptr; }
  bool isAutoCheckTimerActive() const { return m_autoCheckTimer.isActive(); }

 private:
  void buildWindow();
  QWidget* makePane(QWidget* content, const QString& proceedTitle, const QString& cancelTitle);
  void refreshToday();
  bool isWindowShown() const;
  void runModal();
  void endModal();
  void stopWork();
  void threadFinished();

  Options m_options;
  QTextBrowser* m_newsLinkView = nullptr;
  QTextEdit* m_newsView = nullptr;
  QLabel* m_lastCheckField = nullptr;
  QLabel* m_lastUpdateField = nullptr;
  QProgressBar* m_checkSpinner = nullptr;
  QCheckBox* m_autoCheckBox = nullptr;
  QWidget* m_panes[kCheckFailPane + 1] = {};
  std::unique_ptr<CSAppUpdaterThread> m_currentDownload;
  CSAttributedString m_newsLink;
  // The fetched page, held until it has been read.
  QByteArray m_newsData;
  bool m_hasNews = false;
  QTimer m_autoCheckTimer;
  DayIndex m_today = 0;
  bool m_reportFailure = false;
  bool m_autoCheck = false;
  bool m_checkNowRequest = false;
  bool m_modal = false;
  QWidget* m_currentPane = nullptr;
  QPointer<QDialog> m_window;
};
