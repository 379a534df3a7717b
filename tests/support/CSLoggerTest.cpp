#include <fcntl.h>
#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDate>
#include <QFile>
#include <QLocale>
#include <QRegularExpression>
#include <QFileInfo>
#include <QSet>
#include <QTemporaryDir>
#include <thread>
#include <vector>

#include "platform/LogSink.h"
#include "support/CSAlertPresenter.h"
#include "support/CSCore.h"
#include "support/CSLogger.h"
#include "testkit/ScopedEnvironment.h"

namespace {

const QString kId = QStringLiteral("com.example.logtest");

// Points the logger at a fresh state folder for one test, and back after.
class LoggerFixture : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    m_environment.set("XDG_STATE_HOME", m_dir.filePath("state"));
    logger()->shutDown();
    logger()->setBundleID(kId);
  }
  void TearDown() override {
    logger()->shutDown();
    logger()->setBundleID(QString());
  }
  static CSLogger* logger() { return CSLogger::sharedInstance(); }
  QString logPath() const { return m_dir.filePath("state/TindleWick/") + kId + ".log"; }
  QByteArray logBytes() const {
    QFile file(logPath());
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  void writeLog(const QByteArray& bytes) {
    ASSERT_TRUE(QDir().mkpath(m_dir.filePath("state/TindleWick")));
    QFile file(logPath());
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    ASSERT_EQ(file.write(bytes), bytes.size());
  }

  QTemporaryDir m_dir;
  ScopedEnvironment m_environment;
};

const QRegularExpression kLine(QStringLiteral("^(\\d{4})-(\\d\\d)-(\\d\\d) (\\d\\d):(\\d\\d):(\\d\\d) ") +
                               QRegularExpression::escape(kId) + QStringLiteral(" (.*)$"));

// A file of exactly `size` bytes of numbered lines "L0000001 ....\n".
QByteArray NumberedLines(qsizetype size) {
  QByteArray bytes;
  bytes.reserve(size + 100);
  for (int i = 0; bytes.size() < size; ++i) {
    bytes += "L" + QByteArray::number(i).rightJustified(7, '0') + " " + QByteArray(50 + i % 40, 'x') + "\n";
  }
  bytes.truncate(size);
  bytes[size - 1] = '\n';
  return bytes;
}

}  // namespace

using CSLoggerTest = LoggerFixture;

TEST_F(CSLoggerTest, OneDatedLinePerMessageInTheStateFolder) {
  const QString longMessage = QString(700, QChar(0x00E9));  // 1,400 bytes of UTF-8
  logger()->logString(QStringLiteral("first \u00FCber"));
  logger()->logString(longMessage);
  logger()->logString(QString());
  const QStringList lines = QString::fromUtf8(logBytes()).split('\n');
  ASSERT_EQ(lines.size(), 4);  // three lines and the empty text after the last line feed
  EXPECT_EQ(lines[3], QString());
  const QRegularExpressionMatch first = kLine.match(lines[0]);
  ASSERT_TRUE(first.hasMatch()) << lines[0].toStdString();
  EXPECT_EQ(first.captured(7), QStringLiteral("first \u00FCber"));
  const QDate date(first.captured(1).toInt(), first.captured(2).toInt(), first.captured(3).toInt());
  EXPECT_LE(std::abs(date.daysTo(QDate::currentDate())), 1);
  EXPECT_EQ(kLine.match(lines[1]).captured(7), longMessage);
  EXPECT_TRUE(kLine.match(lines[2]).hasMatch());
  EXPECT_EQ(logger()->logFilePath(), logPath());
  ScopedEnvironment relative;
  relative.set("XDG_STATE_HOME", "relative/is/ignored");
  EXPECT_EQ(CSLogger::logFolderPath(), QDir::homePath() + "/.local/state/TindleWick");
}

TEST_F(CSLoggerTest, BecomesTheTargetOfLogString) {
  const LogSinkFunction previous = SetLogSink({});
  InstallLogFile(kId);
  LogString("%@ has %d items", QStringLiteral("list"), 3);
  SetLogSink(previous);
  LogString("not in the file");
  const QString text = QString::fromUtf8(logBytes());
  EXPECT_TRUE(text.endsWith(" " + kId + " list has 3 items\n")) << text.toStdString();
  EXPECT_FALSE(text.contains("not in the file"));
}

TEST_F(CSLoggerTest, ShortenedAtFourMebibytesFromALineStart) {
  const QByteArray below = NumberedLines(CSLogger::kMaxLogFileSize - 1);
  writeLog(below);
  logger()->logString("just below");
  QByteArray bytes = logBytes();
  ASSERT_TRUE(bytes.startsWith(below));  // untouched, the new line after it
  EXPECT_TRUE(kLine.match(QString::fromUtf8(bytes.mid(below.size()).chopped(1))).hasMatch());
  EXPECT_TRUE(bytes.endsWith(" just below\n"));
  logger()->shutDown();

  const QByteArray full = NumberedLines(CSLogger::kMaxLogFileSize);
  writeLog(full);
  logger()->logString("after the cut");
  bytes = logBytes();
  EXPECT_LT(bytes.size(), qsizetype(CSLogger::kMaxLogFileSize) / 2 + 200);
  EXPECT_GT(bytes.size(), qsizetype(CSLogger::kMaxLogFileSize) / 2 - 200);
  // The kept part begins at a whole line and is the old file's tail.
  ASSERT_TRUE(bytes.startsWith('L'));
  const qsizetype firstFeed = bytes.indexOf('\n');
  EXPECT_TRUE(QRegularExpression("^L\\d{7} x+$").match(QString::fromLatin1(bytes.left(firstFeed))).hasMatch());
  const qsizetype kept = bytes.lastIndexOf('\n', bytes.size() - 2) + 1;
  EXPECT_EQ(bytes.left(kept), full.right(kept));
  EXPECT_TRUE(kLine.match(QString::fromUtf8(bytes.mid(kept).chopped(1))).hasMatch());
  EXPECT_TRUE(bytes.endsWith(" after the cut\n"));
}

TEST_F(CSLoggerTest, EightThreadsLogWholeLines) {
  constexpr int kThreads = 8, kLines = 1000;
  std::vector<std::thread> threads;
  for (int t = 0; t < kThreads; ++t) {
    threads.emplace_back([t] {
      for (int i = 0; i < kLines; ++i)
        logger()->logString(StringWithFormat("thread %d line %d %@", t, i, QString(i % 50, QLatin1Char('z'))));
    });
  }
  for (auto& thread : threads) thread.join();
  const QStringList lines = QString::fromUtf8(logBytes()).split('\n', Qt::SkipEmptyParts);
  ASSERT_EQ(lines.size(), kThreads * kLines);
  QSet<QString> seen;
  const QRegularExpression message("^thread (\\d) line (\\d+) (z*)$");
  for (const QString& line : lines) {
    const QRegularExpressionMatch whole = kLine.match(line);
    ASSERT_TRUE(whole.hasMatch()) << line.toStdString();
    const QRegularExpressionMatch parts = message.match(whole.captured(7));
    ASSERT_TRUE(parts.hasMatch()) << line.toStdString();
    ASSERT_EQ(parts.captured(3).size(), parts.captured(2).toInt() % 50) << line.toStdString();
    seen.insert(parts.captured(1) + "/" + parts.captured(2));
  }
  EXPECT_EQ(seen.size(), kThreads * kLines);
}

// Two running instances of the application share one log file. Each
// child process writes numbered lines of 1 KiB; together they pass 4 MiB
// twice, so the file is cut while the other one writes.
namespace {
const char* kChildFolderVariable = "TWDRAW_LOG_CHILD_FOLDER";
const char* kChildNameVariable = "TWDRAW_LOG_CHILD_NAME";
constexpr int kChildLines = 5000;
constexpr int kChildMessageBytes = 1024;

QString ChildMessage(const QString& child, int line) {
  const QString head = QStringLiteral("%1 %2 ").arg(child).arg(line, 5, 10, QLatin1Char('0'));
  return head + QString(kChildMessageBytes - head.size(), QLatin1Char(char('a' + line % 26)));
}

// A folder on tmpfs when there is one: every log line is synced to disk,
// and 100,000 syncs on a real disk take minutes.
QString ScratchParent() {
  const QFileInfo shm(QStringLiteral("/dev/shm"));
  return shm.isDir() && shm.isWritable() ? shm.filePath() : QDir::tempPath();
}
}  // namespace

TEST(CSLoggerTwoProcesses, ChildLogs) {
  const QString folder = qEnvironmentVariable(kChildFolderVariable);
  if (folder.isEmpty()) GTEST_SKIP() << "run by CSLoggerTest.TwoProcessesLogWholeLines";
  const QString name = qEnvironmentVariable(kChildNameVariable);
  CSLogger* logger = CSLogger::sharedInstance();
  logger->setBundleID(kId);
  for (int i = 0; i < kChildLines; ++i) logger->logString(ChildMessage(name, i));
  logger->shutDown();
}

TEST_F(CSLoggerTest, TwoProcessesLogWholeLines) {
  QTemporaryDir dir(ScratchParent() + QStringLiteral("/twdraw-log-XXXXXX"));
  ASSERT_TRUE(dir.isValid());
  const QString path = dir.filePath("TindleWick/") + kId + ".log";
  const QByteArray self = QFile::encodeName(QFile::symLinkTarget("/proc/self/exe"));
  const QByteArray filter = "--gtest_filter=CSLoggerTwoProcesses.ChildLogs";
  const QRegularExpression message(QStringLiteral("^(A|B) (\\d{5}) ([a-z]+)$"));
  for (int run = 0; run < 10; ++run) {
    QFile::remove(path);
    std::vector<pid_t> children;
    for (const char* name : {"A", "B"}) {
      const QByteArray folder = QByteArray(kChildFolderVariable) + "=" + QFile::encodeName(dir.path());
      const QByteArray state = QByteArray("XDG_STATE_HOME=") + QFile::encodeName(dir.path());
      const QByteArray child = QByteArray(kChildNameVariable) + "=" + name;
      const pid_t pid = fork();
      ASSERT_GE(pid, 0);
      if (pid == 0) {
        const int quiet = open("/dev/null", O_WRONLY);
        dup2(quiet, 1);
        dup2(quiet, 2);
        putenv(const_cast<char*>(folder.constData()));
        putenv(const_cast<char*>(state.constData()));
        putenv(const_cast<char*>(child.constData()));
        char* argv[] = {const_cast<char*>(self.constData()), const_cast<char*>(filter.constData()), nullptr};
        execv(self.constData(), argv);
        _exit(127);
      }
      children.push_back(pid);
    }
    for (const pid_t pid : children) {
      int status = 0;
      ASSERT_EQ(waitpid(pid, &status, 0), pid);
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << "run " << run << ": a child failed, " << status;
    }

    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::ReadOnly)) << path.toStdString();
    const QByteArray bytes = file.readAll();
    ASSERT_TRUE(bytes.endsWith('\n'));
    ASSERT_LT(bytes.size(), qsizetype(CSLogger::kMaxLogFileSize) + 2 * kChildMessageBytes) << "run " << run;
    const QList<QByteArray> lines = bytes.chopped(1).split('\n');
    int first[2] = {-1, -1}, last[2] = {-1, -1};
    for (const QByteArray& bytesOfLine : lines) {
      const QString line = QString::fromUtf8(bytesOfLine);
      const QRegularExpressionMatch whole = kLine.match(line);
      ASSERT_TRUE(whole.hasMatch()) << "run " << run << ": " << line.left(120).toStdString();
      const QRegularExpressionMatch parts = message.match(whole.captured(7));
      ASSERT_TRUE(parts.hasMatch()) << "run " << run << ": " << line.left(120).toStdString();
      const int child = parts.captured(1) == "A" ? 0 : 1, number = parts.captured(2).toInt();
      ASSERT_EQ(whole.captured(7), ChildMessage(parts.captured(1), number)) << "run " << run;
      ASSERT_GT(number, last[child]) << "run " << run << ": lines out of order";
      if (first[child] < 0) first[child] = number;
      last[child] = number;
    }
    // The file was cut: its oldest lines are not the first ones written.
    EXPECT_GT(std::max(first[0], first[1]), 0) << "run " << run;
    EXPECT_LT(lines.size(), 2 * kChildLines);
  }
}

TEST_F(CSLoggerTest, UnwritableFolderDropsTheMessage) {
  QFile blocker(m_dir.filePath("blocked"));
  ASSERT_TRUE(blocker.open(QIODevice::WriteOnly));
  blocker.close();
  ScopedEnvironment environment;
  environment.set("XDG_STATE_HOME", m_dir.filePath("blocked"));
  logger()->logString("nowhere to go");  // no crash, no file
  EXPECT_FALSE(QFile::exists(m_dir.filePath("blocked/TindleWick")));
}

TEST_F(CSLoggerTest, GatheredMessages) {
  auto& alerts = CSRecordingAlertPresenter::shared();
  alerts.clear();
  EXPECT_TRUE(logger()->allLogsForApp("TWdraw", kId).isNull());
  ASSERT_EQ(alerts.alerts().size(), 1u);
  EXPECT_EQ(alerts.alerts()[0].message, QString("No log information."));
  EXPECT_EQ(alerts.alerts()[0].moreInfo, QString("I could not find any crash reports or log entries for TWdraw."));
  alerts.clear();

  const QDate today = QDate::currentDate();
  const QByteArray old = today.addDays(-10).toString("yyyy-MM-dd").toLatin1();
  const QByteArray recent = today.addDays(-1).toString("yyyy-MM-dd").toLatin1();
  writeLog(old + " 10:00:00 id old line\n   old continuation\n" + recent +
           " 10:00:00 id two\\nparts\n   continued\n\n");
  EXPECT_EQ(logger()->messagesForApp("TWdraw", kId, 5),
            QString::fromLatin1(recent + " 10:00:00 id two\nparts\n   continued\n"));
  EXPECT_EQ(logger()->allLogsForApp(QString(), kId).count('\n'), 5);
  EXPECT_TRUE(alerts.alerts().empty());
}

TEST(CSLogger, DateFromLogLine) {
  // Month names are the current locale's; these lines are English.
  const QLocale previous;
  QLocale::setDefault(QLocale(QLocale::English, QLocale::UnitedStates));
  struct Row {
    const char* line;
    int32_t currentDay, expected;
  };
  const Row rows[] = {
      {"2024-03-05 10:00:00 x", 20200101, 20240305},    {"short", 20200101, 20200101},
      {"Jan  2 10:00:00 host app", 20231215, 20240102},  // read in December: the next year
      {"Dec 24 10:00:00 host app", 20231215, 20231224}, {"Xyz 24 10:00:00 host app", 20231215, 20231215},
      {"Mar  0 10:00:00 host app", 20231215, 20231215}, {"2024-0x-05 10:00:00 x", 20200101, 20200101},
  };
  for (const Row& row : rows) EXPECT_EQ(CSLogger::dateFromLogLine(row.line, row.currentDay), row.expected) << row.line;
  QLocale::setDefault(previous);
}
