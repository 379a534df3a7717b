#include "support/CSFileLocator.h"

#include <dirent.h>
#include <pwd.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QStringList>
#include <cerrno>
#include <cstring>

#include "platform/PathParts.h"
#include "support/Base64.h"
#include "support/CSCore.h"
#include "support/Categories.h"
#include "support/Files.h"
#include "support/Numbers.h"

namespace {

// The longest excerpt of a refused text archive that goes into the log.
constexpr qsizetype kMaxLoggedArchiveLength = 512;
// A folder is searched for a renamed file entry by entry; past this many
// entries the search gives up rather than stall the caller.
constexpr int kMaxFolderEntriesSearched = 20000;

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

// The path of the entry of `folder` that is the bookmarked file, if any.
std::optional<QString> FindInFolder(const QString& folder, const FileIdentity& identity, struct stat* found) {
  const QByteArray folderName = QFile::encodeName(folder.isEmpty() ? QStringLiteral("/") : folder);
  DIR* dir = opendir(folderName.constData());
  if (!dir) return std::nullopt;
  std::optional<QString> result;
  int seen = 0;
  while (const dirent* entry = readdir(dir)) {
    if (++seen > kMaxFolderEntriesSearched) break;
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    struct stat info {};
    if (fstatat(dirfd(dir), entry->d_name, &info, 0) != 0) continue;
    if (uint64_t(info.st_ino) != identity.inode || uint64_t(info.st_dev) != identity.device) continue;
    *found = info;
    result = QDir(folder).filePath(QFile::decodeName(entry->d_name));
    break;
  }
  closedir(dir);
  return result;
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
  if (identity) found = FindInFolder(ParentFolderOfPath(m_path), *identity, &info);
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

bool CSFileLocator::isServiceRunning() const {
  return m_method == kMethodAlias || m_method == kMethodLocal || isMethodCloudBased(m_method);
}

bool CSFileLocator::runService() {
  return isServiceRunning();
}
