#pragma once
// The network work of the update and news checks, on a thread of its own
// that owns its QNetworkAccessManager: a check reads the downloads page and
// finds the newest version on it, a page fetch keeps a page for its caller,
// a download writes a file into the user's Downloads folder. Data is kept as
// the server sent it. The thread reports through queued signals (progressed,
// and QThread::finished); its results are read once finished has arrived.

#include <QByteArray>
#include <QString>
#include <QThread>
#include <QUrl>
#include <array>
#include <atomic>
#include <cstdint>

// Pages read from the maker's site are outside data, held in memory up to
// this size; a larger one fails its check.
inline constexpr qint64 kMaxCheckPageBytes = 8 * 1024 * 1024;
// Idle time-outs: no byte for this long ends the work as a failure.
inline constexpr int kCheckTimeoutMs = 30 * 1000;
inline constexpr int kDownloadTimeoutMs = 600 * 1000;

using VersionTriple = std::array<int32_t, 3>;

// The product word of an executable name: the text after "Tindle ", up to
// the next space, lower-cased ("Tindle Draw" gives "draw"); "" without one.
QString ProductWordForExecutable(const QString& executableName);
// Reads a version text "2.1.3" at its dots: the first two parts as integers,
// the third when it begins with a digit (else 0), missing parts 0. Four or
// more parts are refused.
bool ReadRunningVersion(const QString& versionText, VersionTriple* version);
// major × 1,000,000 + minor × 10,000 + patch.
int64_t VersionNumber(const VersionTriple& version);

// Every <A HREF="..."> of the page (found ignoring case) is read as a
// download name of the product; the newest is kept. Answers false when the
// page is not UTF-8, is larger than kMaxCheckPageBytes, or no link matched.
bool ScanDownloadsPage(const QByteArray& page, const QString& productWord, VersionTriple* version, QString* link);

// The whole reading of the downloads page: the product word and the running
// version as above, then the scan. Answers whether any link matched; when the
// best one is newer than the running version, *downloadUrl is the page's
// address, a slash and the link, else it is left empty.
bool CheckForNewVersion(const QByteArray& page, const QString& executableName, const QString& versionText,
                        const QUrl& pageUrl, VersionTriple* downloadVersion, QUrl* downloadUrl);

// The name a download is saved under: the last component of the server's
// suggestion ("Content-Disposition", filename* before filename), else of the
// address's path, else "download". A suggestion never names another folder.
QString SuggestedFileName(const QByteArray& contentDisposition, const QUrl& url);

class CSAppUpdaterThread : public QThread {
  Q_OBJECT
 public:
  enum class Work {
    Check,     // read the downloads page for a newer version
    Page,      // fetch a page and keep it
    Download,  // write a file into the Downloads folder
  };

  CSAppUpdaterThread(Work work, const QUrl& address, int timeoutMs, QObject* parent = nullptr);
  // Cancels running work and waits for the thread to end.
  ~CSAppUpdaterThread() override;
  CSAppUpdaterThread(const CSAppUpdaterThread&) = delete;
  CSAppUpdaterThread& operator=(const CSAppUpdaterThread&) = delete;

  // What a check compares the page with (set before start()).
  void setRunningVersion(const QString& executableName, const QString& versionText);

  // Ends the work as a failure; callable from any thread, before or after
  // start().
  void cancel();

  Work work() const { return m_work; }
  bool checkRequest() const { return m_work == Work::Check; }
  bool isWorking() const { return m_working.load(); }
  bool wasSuccessful() const { return m_success.load(); }

  // Read after finished: a check's newer file address ("" when none is
  // newer) or a download's written file; "" after a failure.
  QString downloadPath() const { return m_downloadPath; }
  // A check's best version found.
  VersionTriple versionPath() const { return m_downloadVersion; }
  // A page fetch's page.
  QByteArray page() const { return m_page; }

  // Byte counts of a download, readable from any thread at any time.
  uint64_t totalLength() const { return m_totalLength.load(); }
  uint64_t doneLength() const { return m_doneLength.load(); }
  // Reads the counts and re-arms progressed(); the receiver calls it first.
  void takeProgress(uint64_t* done, uint64_t* total);

 signals:
  // The done length changed. At most one waits undelivered: the receiver
  // re-arms it with takeProgress().
  void progressed();

 protected:
  void run() override;

 private:
  bool fetch();

  const Work m_work;
  const QUrl m_address;
  const int m_timeoutMs;
  QString m_executableName;
  QString m_versionText;

  std::atomic<bool> m_working{false};
  std::atomic<bool> m_success{false};
  std::atomic<bool> m_cancelled{false};
  std::atomic<bool> m_progressPending{false};
  std::atomic<uint64_t> m_totalLength{0};
  std::atomic<uint64_t> m_doneLength{0};

  // Written by the thread, read after it has finished.
  QString m_downloadPath;
  VersionTriple m_downloadVersion{0, 0, 0};
  QByteArray m_page;
};
