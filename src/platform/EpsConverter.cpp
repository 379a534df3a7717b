#include "platform/EpsConverter.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <algorithm>
#include <cerrno>
#include <cstring>
#include <ctime>
#include <vector>

extern char** environ;

namespace {

constexpr unsigned char kBinaryEpsHeader[4] = {0xC5, 0xD0, 0xD3, 0xC6};

int64_t MonotonicMilliseconds() {
  timespec now{};
  clock_gettime(CLOCK_MONOTONIC, &now);
  return int64_t(now.tv_sec) * 1000 + now.tv_nsec / 1000000;
}

void SleepMilliseconds(int milliseconds) {
  timespec pause{milliseconds / 1000, long(milliseconds % 1000) * 1000000L};
  while (nanosleep(&pause, &pause) != 0 && errno == EINTR) {
  }
}

void SetLimit(int resource, int64_t value) {
  rlimit limit{rlim_t(value), rlim_t(value)};
  setrlimit(resource, &limit);
}

// Runs the program with the arguments in `folder`, its error output into
// `errorPath`; answers its exit status, or -1 when it could not run or was
// killed at the time limit (`timedOut` then set).
int RunLimited(const QString& program, const QStringList& arguments, const QString& folder, const QString& errorPath,
               int timeLimitMilliseconds, bool* timedOut) {
  *timedOut = false;
  // Everything the child needs is made before the fork: after it only
  // async-signal-safe calls may run.
  const QByteArray path = QFile::encodeName(program);
  std::vector<QByteArray> argumentBytes{path};
  for (const QString& argument : arguments) argumentBytes.push_back(QFile::encodeName(argument));
  std::vector<char*> argv;
  for (QByteArray& bytes : argumentBytes) argv.push_back(bytes.data());
  argv.push_back(nullptr);
  // The user's GS_OPTIONS could undo -dSAFER: the interpreter never sees it.
  std::vector<char*> envp;
  for (char** entry = environ; entry && *entry; ++entry)
    if (std::strncmp(*entry, "GS_OPTIONS=", 11) != 0) envp.push_back(*entry);
  envp.push_back(nullptr);
  const QByteArray directory = QFile::encodeName(folder);
  const int errorFd = open(QFile::encodeName(errorPath).constData(), O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
  const int nullFd = open("/dev/null", O_RDWR | O_CLOEXEC);
  if (errorFd < 0 || nullFd < 0) {
    if (errorFd >= 0) close(errorFd);
    if (nullFd >= 0) close(nullFd);
    return -1;
  }
  const int cpuSeconds = timeLimitMilliseconds / 1000 + 2;

  const pid_t pid = fork();
  if (pid == 0) {
    setpgid(0, 0);
    dup2(nullFd, 0);
    dup2(nullFd, 1);
    dup2(errorFd, 2);
    if (chdir(directory.constData()) != 0) _exit(126);
    SetLimit(RLIMIT_FSIZE, kEpsMaxOutputBytes);
    SetLimit(RLIMIT_AS, kEpsMaxMemoryBytes);
    SetLimit(RLIMIT_CPU, cpuSeconds);
    SetLimit(RLIMIT_CORE, 0);
    execve(path.constData(), argv.data(), envp.data());
    _exit(127);
  }
  close(errorFd);
  close(nullFd);
  if (pid < 0) return -1;

  const int64_t deadline = MonotonicMilliseconds() + timeLimitMilliseconds;
  int status = 0;
  for (int pause = 1;; pause = std::min(pause * 2, 20)) {
    const pid_t done = waitpid(pid, &status, WNOHANG);
    if (done == pid) break;
    if (done < 0 && errno != EINTR) return -1;
    if (MonotonicMilliseconds() >= deadline) {
      kill(-pid, SIGKILL);
      kill(pid, SIGKILL);
      while (waitpid(pid, &status, 0) < 0 && errno == EINTR) {
      }
      *timedOut = true;
      return -1;
    }
    SleepMilliseconds(pause);
  }
  return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

QString FirstLineOf(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  return QString::fromUtf8(file.read(4096)).section(QLatin1Char('\n'), 0, 0).trimmed();
}

}  // namespace

bool IsEpsData(const QByteArray& data) {
  if (data.size() >= 4 && std::memcmp(data.constData(), kBinaryEpsHeader, 4) == 0) return true;
  return data.startsWith("%!PS");
}

QString GhostscriptPath() {
  return QStandardPaths::findExecutable(QStringLiteral("gs"));
}

QByteArray ConvertEpsToPdf(const QByteArray& eps, int timeLimitMilliseconds, QString* error) {
  auto failed = [error](const QString& why) {
    if (error) *error = why;
    return QByteArray();
  };
  if (!IsEpsData(eps)) return failed(QStringLiteral("not PostScript"));
  const QString gs = GhostscriptPath();
  if (gs.isEmpty()) return failed(QStringLiteral("Ghostscript (gs) is not installed"));
  QTemporaryDir scratch(QDir::temp().filePath(QStringLiteral("twdraw-eps-XXXXXX")));
  if (!scratch.isValid()) return failed(QStringLiteral("no scratch folder"));
  const QString input = scratch.filePath(QStringLiteral("picture.eps"));
  const QString output = scratch.filePath(QStringLiteral("picture.pdf"));
  {
    QFile file(input);
    if (!file.open(QIODevice::WriteOnly) || file.write(eps) != eps.size()) return failed(file.errorString());
  }
  // -dSAFER comes first and nothing after it may lift it; -dEPSCrop makes
  // the page the picture's bounding box.
  const QStringList arguments = {
      QStringLiteral("-dSAFER"),          QStringLiteral("-dBATCH"),
      QStringLiteral("-dNOPAUSE"),        QStringLiteral("-dQUIET"),
      QStringLiteral("-dNOPROMPT"),       QStringLiteral("-sDEVICE=pdfwrite"),
      QStringLiteral("-dEPSCrop"),        QStringLiteral("-dFirstPage=1"),
      QStringLiteral("-dLastPage=1"),     QStringLiteral("-sOutputFile=") + output,
      QStringLiteral("-f"),               input,
  };
  bool timedOut = false;
  const int status = RunLimited(gs, arguments, scratch.path(), scratch.filePath(QStringLiteral("errors.txt")),
                                std::max(timeLimitMilliseconds, 1), &timedOut);
  if (timedOut) return failed(QStringLiteral("Ghostscript ran past its time limit"));
  if (status != 0) {
    const QString reason = FirstLineOf(scratch.filePath(QStringLiteral("errors.txt")));
    return failed(reason.isEmpty() ? QStringLiteral("Ghostscript failed") : QStringLiteral("Ghostscript: ") + reason);
  }
  QFile pdf(output);
  if (!pdf.open(QIODevice::ReadOnly) || pdf.size() > kEpsMaxOutputBytes) return failed(QStringLiteral("no PDF made"));
  const QByteArray bytes = pdf.readAll();
  if (!bytes.startsWith("%PDF")) return failed(QStringLiteral("no PDF made"));
  return bytes;
}
