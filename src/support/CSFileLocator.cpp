#include "support/CSFileLocator.h"

#include <dirent.h>
#include <fcntl.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QStandardPaths>
#include <QStringList>
#include <cerrno>
#include <cstring>
#include <deque>
#include <set>
#include <utility>

#include "platform/PathParts.h"
#include "support/Base64.h"
#include "support/CSCore.h"
#include "support/Categories.h"
#include "support/Files.h"
#include "support/Numbers.h"

namespace {

// The longest excerpt of a refused text archive that goes into the log.
constexpr qsizetype kMaxLoggedArchiveLength = 512;
struct MethodInfo {
  const char* name;
  const char* displayName;
};
constexpr MethodInfo kMethods[] = {
    {"_nil_", ""},        {"_alias_", ""},          {"_local_", ""},
    {"_cloud_", ""},      {"_dropbox_", "Dropbox"}, {"_google_", "Google Drive"},
    {"_wuala_", "Wuala"}, {"_1drive_", "OneDrive"},
};
constexpr int32_t kMethodCount = int32_t(sizeof kMethods / sizeof kMethods[0]);

// ---- Paths ---------------------------------------------------------------------------

QString UserName() {
  if (const passwd* entry = getpwuid(getuid())) return QString::fromLocal8Bit(entry->pw_name);
  return qEnvironmentVariable("USER");
}

// ---- Bookmarks -------------------------------------------------------------------------

struct FileIdentity {
  uint64_t device;
  uint64_t inode;
};

QByteArray BookmarkFromStat(const struct stat& info) {
  QByteArray data;
  data.reserve(CSFileLocator::kBookmarkSize);
  AppendLittleEndian(data, uint64_t(info.st_dev), 8);
  AppendLittleEndian(data, uint64_t(info.st_ino), 8);
  return data;
}

// A bookmark this code did not make (another size) names no file.
std::optional<FileIdentity> IdentityFromBookmark(const QByteArray& bookmark) {
  if (bookmark.size() != CSFileLocator::kBookmarkSize) return std::nullopt;
  return FileIdentity{ReadLittleEndian(bookmark.constData(), 8), ReadLittleEndian(bookmark.constData() + 8, 8)};
}

bool StatPath(const QString& path, struct stat* info) {
  if (path.isEmpty()) {
    errno = ENOENT;
    return false;
  }
  return ::stat(QFile::encodeName(path).constData(), info) == 0;
}

// Finds the bookmarked file after a move, within a bounded number of folder
// entries: the folder it was in, then the tree of that folder's parent, then
// the user's Desktop, Documents and Downloads trees. Linux cannot look a file
// up by its identity, so the search reads folders; it never follows symbolic
// links, stays on the file's own device (a rename cannot leave it) and
// skips hidden folders below its starting points, where settings and caches
// would spend the budget.
class IdentitySearch {
 public:
  explicit IdentitySearch(const FileIdentity& identity) : m_identity(identity) {}

  // The path of the file, searching `folder` alone or its whole tree.
  std::optional<QString> search(const QString& folder, bool wholeTree, struct stat* found) {
    if (folder.isEmpty() || m_budget <= 0) return std::nullopt;
    std::deque<QString> queue{folder};
    bool first = true;
    while (!queue.empty() && m_budget > 0) {
      const QString current = queue.front();
      queue.pop_front();
      if (std::optional<QString> path = scan(current, first, wholeTree ? &queue : nullptr, found)) return path;
      first = false;
    }
    return std::nullopt;
  }

 private:
  // Reads one folder (once per search); queues its subfolders when asked.
  std::optional<QString> scan(const QString& folder, bool startingPoint, std::deque<QString>* queue,
                              struct stat* found) {
    const QByteArray name = QFile::encodeName(folder);
    const int fd = open(name.constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC | (startingPoint ? 0 : O_NOFOLLOW));
    if (fd < 0) return std::nullopt;
    struct stat self {};
    if (fstat(fd, &self) != 0 || !m_scanned.insert({uint64_t(self.st_dev), uint64_t(self.st_ino)}).second) {
      close(fd);
      return std::nullopt;
    }
    DIR* dir = fdopendir(fd);
    if (!dir) {
      close(fd);
      return std::nullopt;
    }
    std::optional<QString> result;
    while (const dirent* entry = readdir(dir)) {
      if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
      if (--m_budget < 0) break;
      struct stat info {};
      if (fstatat(dirfd(dir), entry->d_name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (uint64_t(info.st_dev) != m_identity.device) continue;
      const QString path = QDir(folder).filePath(QFile::decodeName(entry->d_name));
      if (uint64_t(info.st_ino) == m_identity.inode) {
        *found = info;
        result = path;
        break;
      }
      if (queue && S_ISDIR(info.st_mode) && entry->d_name[0] != '.') queue->push_back(path);
    }
    closedir(dir);
    return result;
  }

  FileIdentity m_identity;
  int64_t m_budget = CSFileLocator::kMaxSearchEntries;
  std::set<std::pair<uint64_t, uint64_t>> m_scanned;  // folders read, by device and inode
};

std::optional<QString> FindMovedFile(const QString& oldPath, const FileIdentity& identity, struct stat* found) {
  IdentitySearch search(identity);
  const QString oldFolder = ParentFolderOfPath(oldPath);
  if (std::optional<QString> path = search.search(oldFolder, false, found)) return path;
  const QString parent = ParentFolderOfPath(oldFolder);
  if (!parent.isEmpty() && parent != oldFolder) {
    if (std::optional<QString> path = search.search(parent, true, found)) return path;
  }
  for (const QStandardPaths::StandardLocation location :
       {QStandardPaths::DesktopLocation, QStandardPaths::DocumentsLocation, QStandardPaths::DownloadLocation}) {
    if (std::optional<QString> path = search.search(QStandardPaths::writableLocation(location), true, found))
      return path;
  }
  return std::nullopt;
}

void LogRefusedArchive(const char* message, const QString& text) {
  LogString(message, text.size() > kMaxLoggedArchiveLength ? text.left(kMaxLoggedArchiveLength) + "…" : text);
}

}  // namespace

// ---- Methods ---------------------------------------------------------------------------

QString CSFileLocator::methodName(int32_t method) {
  if (method < 0 || method >= kMethodCount) return QString();
  return QString::fromLatin1(kMethods[method].name);
}

QString CSFileLocator::methodDisplayName(int32_t method) {
  if (method < 0 || method >= kMethodCount) return QString();
  return QString::fromUtf8(kMethods[method].displayName);
}

int32_t CSFileLocator::methodFromName(const QString& name) {
  if (name.isEmpty()) return kMethodUnknown;
  QString key = name;
  if (key.startsWith(QLatin1Char('-'))) key.replace(QLatin1Char('-'), QLatin1Char('_'));
  for (int32_t m = 0; m < kMethodCount; ++m) {
    if (key == QLatin1String(kMethods[m].name)) return m;
  }
  return kMethodUnknown;
}

int32_t CSFileLocator::methodFromPath(const QString& path) {
  const QStringList components = path.split(QLatin1Char('/'), Qt::SkipEmptyParts);
  for (qsizetype i = components.size() - 1; i >= 0; --i) {
    for (int32_t m = kMethodDropbox; m <= kMethodOneDrive; ++m) {
      if (components[i].compare(QString::fromUtf8(kMethods[m].displayName), Qt::CaseInsensitive) == 0) return m;
    }
  }
  return kMethodLocal;
}

bool CSFileLocator::isMethodCloudBased(int32_t method) {
  return method >= kMethodDropbox && method <= kMethodOneDrive;
}

bool CSFileLocator::isPathCloudBased(const QString& path) {
  return isMethodCloudBased(methodFromPath(path));
}

// ---- Making ------------------------------------------------------------------------------

CSFileLocator::CSFileLocator(const QString& path, int32_t method)
    : m_method(method == kMethodNil ? methodFromPath(path) : method), m_path(path) {
  setBookmarkFromPath();
}

std::optional<CSFileLocator> CSFileLocator::initWithArchive(const QString& text) {
  if (text.size() <= 4 || !(text.startsWith(QLatin1Char('-')) || text.startsWith(QLatin1Char('_')))) {
    return std::nullopt;
  }
  if (text.size() > kMaxArchiveLength) {
    LogRefusedArchive("Malformed locator %@", text);
    return std::nullopt;
  }
  const QStringList parts = text.split(QLatin1Char('.'));
  if (parts.size() != 6) {
    LogRefusedArchive("Malformed locator %@", text);
    return std::nullopt;
  }
  CSFileLocator locator;
  locator.m_method = methodFromName(parts[0]);
  if (locator.m_method == kMethodUnknown) {
    LogRefusedArchive("Unknown locator %@", text);
    return std::nullopt;
  }
  if (!parts[1].isEmpty()) {
    // A malformed escape or bytes that are not UTF-8 decode to null.
    const QString path = DecodeString(parts[1]);
    if (path.isNull()) {
      LogRefusedArchive("Malformed locator %@", text);
      return std::nullopt;
    }
    locator.m_path = path.startsWith(QLatin1Char('~')) ? HomeFolderPath() + path.mid(1) : path;
  }
  if (parts[5].isEmpty()) return locator;
  const QString base64 = DecodeString(parts[5]);
  if (base64.isNull()) {
    LogRefusedArchive("Malformed locator %@", text);
    return std::nullopt;
  }
  // Text that is not Base64 leaves the locator without a bookmark; it still
  // finds the file by its path.
  if (std::optional<QByteArray> bookmark = NewDataFromBase64String(base64)) locator.m_bookmark = *bookmark;
  locator.m_sandboxed = !parts[2].isEmpty();
  return locator;
}

std::optional<CSFileLocator> CSFileLocator::initWithObject(const QVariant& object) {
  if (object.typeId() != QMetaType::QString) return std::nullopt;
  return initWithArchive(object.toString());
}

std::optional<CSFileLocator> CSFileLocator::initWithBinaryArchive(const QByteArray& data) {
  if (data.size() < kBinaryHeaderSize || data[0] != 0) return std::nullopt;
  const int32_t method = uint8_t(data[1]);
  if (method >= kMethodCount) return std::nullopt;
  const uint64_t pathLength = ReadLittleEndian(data.constData() + 4, 4);
  const uint64_t available = uint64_t(data.size() - kBinaryHeaderSize);
  if (pathLength > kMaxPathBytes || pathLength > available) return std::nullopt;
  if (available - pathLength > uint64_t(kMaxBookmarkBytes)) return std::nullopt;
  CSFileLocator locator;
  locator.m_method = method;
  locator.m_sandboxed = data[2] != 0;
  locator.m_path = QString::fromUtf8(data.constData() + kBinaryHeaderSize, qsizetype(pathLength));
  locator.m_bookmark = data.mid(kBinaryHeaderSize + qsizetype(pathLength));
  return locator;
}

// ---- Archives ----------------------------------------------------------------------------

QString CSFileLocator::archive(bool escapeReturns) const {
  const QStringList parts = {
      methodName(m_method),
      EncodeIncludingPeriods(AbbreviateHomeFolderPath(m_path), true, escapeReturns),
      m_sandboxed ? QStringLiteral("sb") : QString(),
      QString(),
      QString(),
      EncodeIncludingPeriods(NewBase64StringFromData(m_bookmark), true, escapeReturns),
  };
  return parts.join(QLatin1Char('.'));
}

QByteArray CSFileLocator::createBinaryArchive() const {
  const QByteArray path = m_path.toUtf8();
  if (path.size() > qsizetype(kMaxPathBytes)) return QByteArray();
  QByteArray data;
  data.reserve(kBinaryHeaderSize + path.size() + m_bookmark.size());
  data += char(0);
  data += char(uint8_t(m_method));
  data += char(m_sandboxed ? 1 : 0);
  data += char(0);
  AppendLittleEndian(data, uint64_t(path.size()), 4);
  AppendLittleEndian(data, 0, 8);
  data += path;
  data += m_bookmark;
  return data;
}

// ---- Finding the file ------------------------------------------------------------------------

bool CSFileLocator::setBookmarkFromPath() {
  struct stat info {};
  if (!StatPath(m_path, &info)) return false;
  m_bookmark = BookmarkFromStat(info);
  return true;
}

bool CSFileLocator::verify(bool* stale) {
  return verify(stale, false, nullptr);
}

bool CSFileLocator::verify(bool* stale, bool allowMount, QString* error) {
  (void)allowMount;  // mounting is left to the desktop's volume manager
  if (stale) *stale = false;
  struct stat info {};
  if (StatPath(m_path, &info)) {
    m_folder = S_ISDIR(info.st_mode);
    // A save that replaces the file gives it a new inode; a bookmark still
    // naming the old one would lose the file at its next rename.
    const std::optional<FileIdentity> identity = IdentityFromBookmark(m_bookmark);
    if (!m_bookmark.isEmpty() &&
        (!identity || identity->device != uint64_t(info.st_dev) || identity->inode != uint64_t(info.st_ino))) {
      m_bookmark = BookmarkFromStat(info);
      if (stale) *stale = true;
    }
    return true;
  }
  const QString reason = QString::fromLocal8Bit(std::strerror(errno));
  if (m_bookmark.isEmpty()) {
    if (error) *error = reason;
    return false;
  }
  const std::optional<FileIdentity> identity = IdentityFromBookmark(m_bookmark);
  std::optional<QString> found;
  if (identity) found = FindMovedFile(m_path, *identity, &info);
  if (!found) {
    // The file may have come back at its path since it was looked for.
    if (!setBookmarkFromPath() || !StatPath(m_path, &info)) {
      if (error) *error = reason;
      return false;
    }
    if (stale) *stale = true;
    found = m_path;
  }
  m_folder = S_ISDIR(info.st_mode);
  m_path = *found;
  m_method = methodFromPath(m_path);
  return true;
}

// ---- Queries -----------------------------------------------------------------------------------

bool CSFileLocator::isInTrash() const {
  return IsFileInTrash(m_path);
}

QString CSFileLocator::displayText() const {
  // Removable volumes are mounted under /media/<user>/ (or /run/media/<user>/
  // on some systems, /media/ on older ones); the volume's name is what
  // people know.
  const QString user = UserName();
  QStringList prefixes;
  if (!user.isEmpty()) {
    prefixes << QStringLiteral("/run/media/") + user + QLatin1Char('/') << QStringLiteral("/media/") + user + '/';
  }
  prefixes << QStringLiteral("/media/");
  for (const QString& prefix : prefixes) {
    if (m_path.size() > prefix.size() && m_path.startsWith(prefix)) return m_path.mid(prefix.size());
  }
  return m_path;
}

bool CSFileLocator::isEqualToPath(const QString& path) const {
  return m_path == path;
}

namespace {

struct ServiceDaemon {
  const char* process;  // the daemon's process name
  const char* command;  // what starts it, looked up on the PATH
  QStringList arguments;
};

const ServiceDaemon* DaemonOfMethod(int32_t method) {
  static const ServiceDaemon daemons[] = {
      {"dropbox", "dropbox", {QStringLiteral("start")}},
      {"insync", "insync", {QStringLiteral("start")}},
      {"wuala", "wuala", {}},
      {"onedrive", "onedrive", {QStringLiteral("--monitor")}},
  };
  if (!CSFileLocator::isMethodCloudBased(method)) return nullptr;
  return &daemons[method - CSFileLocator::kMethodDropbox];
}

QByteArray ReadSmallFile(const QByteArray& path) {
  QFile file(QString::fromLatin1(path));
  if (!file.open(QIODevice::ReadOnly | QIODevice::Unbuffered)) return {};
  return file.read(4096);
}

// Whether a process of this user runs under the name: its command name
// (which the kernel cuts to 15 bytes) or the file name of its first
// argument, for daemons started through a script.
bool IsUserProcessRunning(const QByteArray& name) {
  DIR* proc = opendir("/proc");
  if (!proc) return false;
  const QByteArray shortName = name.left(15);
  const uid_t user = getuid();
  bool running = false;
  while (const dirent* entry = readdir(proc)) {
    if (entry->d_name[0] < '1' || entry->d_name[0] > '9') continue;
    const QByteArray folder = QByteArray("/proc/") + entry->d_name;
    struct stat info {};
    if (::stat(folder.constData(), &info) != 0 || info.st_uid != user) continue;
    // "pid (name) state ...": the name may hold blanks and parentheses. A
    // process that ended and waits to be reaped runs no longer.
    const QByteArray status = ReadSmallFile(folder + "/stat");
    const qsizetype open = status.indexOf('('), close = status.lastIndexOf(')');
    if (open < 0 || close < open || close + 2 >= status.size() || status[close + 2] == 'Z') continue;
    if (status.mid(open + 1, close - open - 1) == shortName) {
      running = true;
      break;
    }
    const QByteArray command = ReadSmallFile(folder + "/cmdline");
    const QByteArray first = command.left(command.indexOf('\0'));
    if (!first.isEmpty() && first.mid(first.lastIndexOf('/') + 1) == name) {
      running = true;
      break;
    }
  }
  closedir(proc);
  return running;
}

}  // namespace

QString CSFileLocator::serviceProcessName(int32_t method) {
  const ServiceDaemon* daemon = DaemonOfMethod(method);
  return daemon ? QString::fromLatin1(daemon->process) : QString();
}

bool CSFileLocator::isServiceRunning() const {
  if (m_method == kMethodAlias || m_method == kMethodLocal) return true;
  const ServiceDaemon* daemon = DaemonOfMethod(m_method);
  return daemon && IsUserProcessRunning(daemon->process);
}

bool CSFileLocator::runService() {
  if (isServiceRunning()) return true;
  const ServiceDaemon* daemon = DaemonOfMethod(m_method);
  if (!daemon) return false;
  const QString program = QStandardPaths::findExecutable(QString::fromLatin1(daemon->command));
  if (program.isEmpty()) return false;
  return QProcess::startDetached(program, daemon->arguments);
}
