#include "support/CSLogger.h"

#include <fcntl.h>
#include <sys/file.h>
#include <sys/stat.h>
#include <syslog.h>
#include <unistd.h>

#include <QCoreApplication>
#include <QDate>
#include <QDir>
#include <QFile>
#include <QLocale>
#include <QStringList>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

#include "platform/LogSink.h"
#include "support/CSCore.h"
#include "support/DayNumbers.h"
#include "support/Files.h"

namespace {

// Set while this thread writes a line: anything the file layer logs
// meanwhile would come back here.
thread_local bool t_logging = false;

struct LoggingGuard {
  LoggingGuard() { t_logging = true; }
  ~LoggingGuard() { t_logging = false; }
};

}  // namespace

CSLogger::CSLogger() = default;
CSLogger::~CSLogger() = default;

CSLogger* CSLogger::sharedInstance() {
  // Never destroyed: lines may still be logged while statics go away.
  static CSLogger* instance = new CSLogger;
  return instance;
}

QString ApplicationIdentifier() {
  QString name = QCoreApplication::applicationName();
  if (name.isEmpty()) name = QStringLiteral("TWdraw");
  QStringList domain = QCoreApplication::organizationDomain().split(QLatin1Char('.'), Qt::SkipEmptyParts);
  if (domain.isEmpty()) return name;
  std::reverse(domain.begin(), domain.end());
  return domain.join(QLatin1Char('.')) + QLatin1Char('.') + name;
}

QString CSLogger::bundleID() const {
  std::lock_guard lock(m_lock);
  return m_bundleID.isEmpty() ? ApplicationIdentifier() : m_bundleID;
}

void CSLogger::setBundleID(const QString& bundleID) {
  std::lock_guard lock(m_lock);
  m_bundleID = bundleID;
}

QString CSLogger::logFolderPath() {
  return QDir::cleanPath(EnvironmentFolder("XDG_STATE_HOME", ".local/state")) + QStringLiteral("/TindleWick");
}

QString CSLogger::logFilePath() const {
  QString id = bundleID();
  id.remove(QLatin1Char('/'));
  return logFolderPath() + QLatin1Char('/') + id + QStringLiteral(".log");
}

bool CSLogger::openFile() {
  const QString folder = logFolderPath();
  if (!QDir().mkpath(folder)) return false;
  QString id = m_bundleID.isEmpty() ? ApplicationIdentifier() : m_bundleID;
  id.remove(QLatin1Char('/'));
  const QString path = folder + QLatin1Char('/') + id + QStringLiteral(".log");
  // Opened for appending: each line goes to the end of the file as it is
  // then, however many processes write to it.
  const int fd = open(QFile::encodeName(path).constData(), O_WRONLY | O_APPEND | O_CREAT | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  m_fd = fd;
  m_openPath = path;
  if (!m_shutDownRegistered) {
    if (QCoreApplication* app = QCoreApplication::instance()) {
      QObject::connect(app, &QCoreApplication::aboutToQuit, [] { CSLogger::sharedInstance()->shutDown(); });
      m_shutDownRegistered = true;
    }
  }
  return true;
}

void CSLogger::shutDown() {
  std::lock_guard lock(m_lock);
  if (m_fd >= 0) close(m_fd);
  m_fd = -1;
  m_openPath.clear();
}

namespace {

// Holds the advisory lock every instance of the application takes on the
// log file, so that one instance's shortening never meets another's line.
class FileLock {
 public:
  explicit FileLock(int fd) : m_fd(fd) {
    while (flock(m_fd, LOCK_EX) != 0) {
      if (errno != EINTR) {
        m_fd = -1;  // a file system without locks: write without one
        break;
      }
    }
  }
  ~FileLock() {
    if (m_fd >= 0) flock(m_fd, LOCK_UN);
  }
  FileLock(const FileLock&) = delete;
  FileLock& operator=(const FileLock&) = delete;

 private:
  int m_fd;
};

// Writes all the bytes; a write cut short (a signal, a full disk) goes on
// from where it stopped.
bool WriteAll(int fd, const char* bytes, size_t length) {
  while (length > 0) {
    const ssize_t written = write(fd, bytes, length);
    if (written < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (written == 0) return false;
    bytes += written;
    length -= size_t(written);
  }
  return true;
}

}  // namespace

void CSLogger::logString(const QString& message) {
  if (t_logging) return;
  LoggingGuard guard;
  std::lock_guard lock(m_lock);
  if (m_fd < 0 && !openFile()) return;
  std::tm local{};
  const std::time_t now = std::time(nullptr);
  localtime_r(&now, &local);
  const QString id = m_bundleID.isEmpty() ? ApplicationIdentifier() : m_bundleID;
  const QString prefix = StringWithFormat("%d-%02d-%02d %02d:%02d:%02d %@ ", local.tm_year + 1900, local.tm_mon + 1,
                                          local.tm_mday, local.tm_hour, local.tm_min, local.tm_sec, id);
  // The whole line in one write: lines of two instances never interleave.
  // Lone surrogates become U+FFFD rather than failing the line.
  QByteArray line = prefix.toUtf8();
  line += message.toUtf8();
  line += '\n';

  const FileLock fileLock(m_fd);
  // Measured afresh under the lock: another instance may have written.
  struct stat info {};
  if (fstat(m_fd, &info) != 0) return;
  if (uint64_t(info.st_size) >= kMaxLogFileSize && !shortenFile(uint64_t(info.st_size))) {
    const QByteArray utf8 = message.toUtf8();
    syslog(LOG_NOTICE, "%s", utf8.constData());
    return;
  }
  if (WriteAll(m_fd, line.constData(), size_t(line.size()))) fsync(m_fd);
}

bool CSLogger::shortenFile(uint64_t size) {
  if (size < kShortenMinimumSize) return false;
  // The appending descriptor cannot write at an offset: a second one, on the
  // same file, moves the tail to the front.
  const int fd = open(QFile::encodeName(m_openPath).constData(), O_RDWR | O_CLOEXEC);
  if (fd < 0) return false;
  struct Closer {
    int fd;
    ~Closer() { close(fd); }
  } closer{fd};
  auto readAt = [fd](uint8_t* buffer, uint64_t count, uint64_t offset) {
    for (uint64_t done = 0; done < count;) {
      const ssize_t got = pread(fd, buffer + done, count - done, off_t(offset + done));
      if (got < 0 && errno == EINTR) continue;
      if (got <= 0) return false;
      done += uint64_t(got);
    }
    return true;
  };
  auto writeAt = [fd](const uint8_t* buffer, uint64_t count, uint64_t offset) {
    for (uint64_t done = 0; done < count;) {
      const ssize_t put = pwrite(fd, buffer + done, count - done, off_t(offset + done));
      if (put < 0 && errno == EINTR) continue;
      if (put <= 0) return false;
      done += uint64_t(put);
    }
    return true;
  };
  // Cut just after the first line feed past the middle, so the file still
  // begins at the start of a line; exactly at the middle when none is near.
  uint64_t cut = size / 2;
  std::vector<uint8_t> block(kBlockSize);
  for (uint64_t i = 0, offset = size / 2; i < kLineSearchBlocks && offset < size; ++i) {
    const uint64_t count = std::min(kBlockSize, size - offset);
    if (!readAt(block.data(), count, offset)) return false;
    const auto* feed = static_cast<const uint8_t*>(std::memchr(block.data(), '\n', count));
    if (feed) {
      cut = offset + uint64_t(feed - block.data()) + 1;
      break;
    }
    offset += count;
  }
  uint64_t copied = 0;
  for (uint64_t from = cut; from < size;) {
    const uint64_t count = std::min(kBlockSize, size - from);
    if (!readAt(block.data(), count, from)) return false;
    if (!writeAt(block.data(), count, copied)) return false;
    from += count;
    copied += count;
  }
  return ftruncate(fd, off_t(copied)) == 0;
}

int32_t CSLogger::dateFromLogLine(const QString& line, int32_t currentDay) {
  if (line.size() < 11) return currentDay;
  auto digits = [&](qsizetype from, qsizetype count) {
    int value = 0;
    for (qsizetype i = from; i < from + count; ++i) {
      if (!line[i].isDigit()) return -1;
      value = value * 10 + line[i].digitValue();
    }
    return value;
  };
  if (line[0].isDigit() && line[4] == QLatin1Char('-') && line[7] == QLatin1Char('-') && line[10].isSpace()) {
    const int year = digits(0, 4), month = digits(5, 2), day = digits(8, 2);
    if (year < 0 || month < 0 || day < 0) return currentDay;
    return ComputeDayIndex(year, month, day);
  }
  // "Mon dd ..." without a year: the year of the current day, or the next
  // one when the month lies before the current day's month.
  int month = 0;
  const QLocale locale;
  for (int m = 1; m <= 12 && month == 0; ++m) {
    if (line.left(3).compare(locale.monthName(m, QLocale::ShortFormat).left(3), Qt::CaseInsensitive) == 0) month = m;
  }
  if (month == 0) return currentDay;
  qsizetype i = 4;
  while (i < line.size() && line[i].isSpace()) ++i;
  int day = 0;
  while (i < line.size() && line[i].isDigit() && day < 100) day = day * 10 + line[i++].digitValue();
  if (day == 0 || i >= line.size()) return currentDay;
  const int currentMonth = MonthOfDayIndex(currentDay);
  int year = YearOfDayIndex(currentDay);
  if (month < currentMonth) ++year;
  return ComputeDayIndex(year, month, day);
}

QString CSLogger::messagesForApp(const QString&, const QString& bundleID, uint64_t filterDays) {
  QString id = bundleID.isEmpty() ? this->bundleID() : bundleID;
  id.remove(QLatin1Char('/'));
  QFile file(logFolderPath() + QLatin1Char('/') + id + QStringLiteral(".log"));
  QString messages;
  if (!file.open(QIODevice::ReadOnly)) return messages;
  const QString text = QString::fromUtf8(file.readAll());
  const int32_t cutoff =
      filterDays ? DayIndexForDate(QDate::currentDate().addDays(-qint64(std::min<uint64_t>(filterDays, 1000000)))) : 0;
  int32_t currentDay = ComputeDayIndex(QDate::currentDate().year(), 1, 1);
  bool inEntry = false;
  for (const QString& line : text.split(QLatin1Char('\n'))) {
    if (line.isEmpty()) continue;
    const bool continuation = line[0].isSpace();
    if (continuation && !inEntry) continue;
    if (cutoff && !continuation) {
      currentDay = dateFromLogLine(line, currentDay);
      if (currentDay <= cutoff) {
        inEntry = false;
        continue;
      }
    }
    QString taken = line;
    taken.replace(QStringLiteral("\\n"), QStringLiteral("\n"));
    messages += taken + QLatin1Char('\n');
    inEntry = true;
  }
  return messages;
}

QString CSLogger::allLogsForApp(const QString& appName, const QString& bundleID) {
  const QString name = appName.isEmpty() ? QCoreApplication::applicationName() : appName;
  const QString messages = messagesForApp(name, bundleID, 0);
  if (messages.isEmpty()) {
    GiveSimpleAlert(QStringLiteral("No log information."),
                    StringWithFormat("I could not find any crash reports or log entries for %@.", name));
    return QString();
  }
  return messages;
}

void InstallLogFile(const QString& bundleID) {
  CSLogger* logger = CSLogger::sharedInstance();
  if (!bundleID.isEmpty()) logger->setBundleID(bundleID);
  SetLogSink([logger](const QString& line) { logger->logString(line); });
}
