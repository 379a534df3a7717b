#pragma once
// The application's one log file: every logged message becomes one dated
// line in "<XDG state home>/TindleWick/<application id>.log", kept under
// 4 MiB by cutting away its older half. Thread-safe, and safe across
// processes: each line is appended in one write under an advisory lock
// (flock) that the cut takes too, so lines from any thread or any running
// instance land whole; a message logged while the same thread is writing
// one (from inside the file layer) is dropped rather than deadlocking.

#include <QString>
#include <cstdint>
#include <mutex>

class CSLogger {
 public:
  static constexpr uint64_t kMaxLogFileSize = 4194304;  // shortened when this size is reached
  static constexpr uint64_t kShortenMinimumSize = 8192;
  static constexpr uint64_t kLineSearchBlocks = 4;  // blocks searched for a line start after the middle
  static constexpr uint64_t kBlockSize = 4096;

  static CSLogger* sharedInstance();

  // The identifier written in every line and naming the file. Defaults to
  // ApplicationIdentifier().
  QString bundleID() const;
  void setBundleID(const QString& bundleID);

  // "$XDG_STATE_HOME/TindleWick" (or "~/.local/state/TindleWick").
  static QString logFolderPath();
  QString logFilePath() const;

  void logString(const QString& message);

  // Closes the file; the next message opens it again, at the path of that
  // moment.
  void shutDown();

  // What the support commands copy or mail: the lines of the log file, or
  // null after the alert "No log information." when there are none. Empty
  // arguments mean this application. Crash reports do not exist here.
  QString allLogsForApp(const QString& appName, const QString& bundleID);
  // The log file's lines newer than `filterDays` days (0: all), each with
  // "\n"; escaped "\n" sequences become line feeds.
  QString messagesForApp(const QString& appName, const QString& bundleID, uint64_t filterDays);
  static QString delimiter() { return QStringLiteral("===== ===== ===== ===== =====\n"); }

  // The date a log line carries, as year * 10000 + month * 100 + day, or
  // `currentDay` when it carries none.
  static int32_t dateFromLogLine(const QString& line, int32_t currentDay);

 private:
  CSLogger();
  ~CSLogger();
  bool openFile();
  // Moves the file's second half (from a line start) to the front; the
  // caller holds the file lock.
  bool shortenFile(uint64_t size);

  mutable std::mutex m_lock;
  QString m_bundleID;
  QString m_openPath;
  int m_fd = -1;  // the log file, opened for appending
  bool m_shutDownRegistered = false;
};

// The application's identifier: the reversed organisation domain and the
// application name ("com.tindlewick.TWdraw"), or the name alone.
QString ApplicationIdentifier();

// Makes the log file the destination of LogString. Called once at start-up.
void InstallLogFile(const QString& bundleID = QString());
