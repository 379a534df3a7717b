#include "support/Files.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDateTime>
#include <QDesktopServices>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QUrl>
#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "platform/AtomicSwap.h"
#include "platform/ExtendedAttributes.h"
#include "platform/FolderEntries.h"
#include "support/CSCore.h"
#include "support/Categories.h"
#include "support/FileErrors.h"
#include "support/Numbers.h"

const QString kFinderInfoAttribute = QStringLiteral("com.apple.FinderInfo");
const QString kResourceForkAttribute = QStringLiteral("com.apple.ResourceFork");
const QString kFileAttributesAttribute = QStringLiteral("cs.fileAttributes");

namespace {

QByteArray Encoded(const QString& path) {
  return QFile::encodeName(path);
}

QString DataHome() {
  return EnvironmentFolder("XDG_DATA_HOME", ".local/share");
}

// The download folder the desktop names in user-dirs.dirs
// (XDG_DOWNLOAD_DIR="$HOME/Downloads"); a value that is neither below $HOME
// nor absolute is ignored, as the format demands.
QString DownloadsFolder() {
  QFile file(EnvironmentFolder("XDG_CONFIG_HOME", ".config") + QStringLiteral("/user-dirs.dirs"));
  if (file.open(QIODevice::ReadOnly)) {
    const QByteArray key = "XDG_DOWNLOAD_DIR=";
    while (!file.atEnd()) {
      const QByteArray line = file.readLine(4096).trimmed();
      if (!line.startsWith(key)) continue;
      QByteArray value = line.mid(key.size());
      if (value.size() < 2 || !value.startsWith('"') || !value.endsWith('"')) continue;
      QString path = QString::fromUtf8(value.mid(1, value.size() - 2));
      if (path == QLatin1String("$HOME") || path.startsWith(QLatin1String("$HOME/")))
        path = HomeFolderPath() + path.mid(5);
      if (path.startsWith(QLatin1Char('/'))) return QDir::cleanPath(path);
    }
  }
  return HomeFolderPath() + QStringLiteral("/Downloads");
}

QString TrashFolder() {
  return DataHome() + QStringLiteral("/Trash");
}

// The file error for a failed change to the file system; a missing item
// reads as "can't be found" whatever was being done.
FileError FileErrorForErrno(int errorNumber) {
  return ConvertUnixErrorCore(errorNumber == ENOENT ? kFileOperationOpen : kFileOperationWrite, errorNumber);
}

QString ReasonForErrno(int errorNumber) {
  return FileErrorDescription(FileErrorForErrno(errorNumber));
}

// ---- Our attribute: label, hidden extension, stationery ----------------------

constexpr qsizetype kFileAttributesMaxSize = 1024;

struct OwnAttributes {
  uint32_t label = 0;
  bool extensionHidden = false;
  bool stationery = false;
};

bool ReadOwnAttributes(const QString& path, OwnAttributes* out) {
  QByteArray value;
  if (!GetExtendedAttribute(path, kFileAttributesAttribute, &value) || value.size() > kFileAttributesMaxSize)
    return false;
  for (const QByteArray& line : value.split('\n')) {
    const qsizetype equals = line.indexOf('=');
    if (equals <= 0) continue;
    const QByteArray key = line.left(equals).trimmed();
    bool ok = false;
    const uint number = line.mid(equals + 1).trimmed().toUInt(&ok);
    if (!ok) continue;
    if (key == "label") out->label = number;
    if (key == "hiddenExtension") out->extensionHidden = number != 0;
    if (key == "stationery") out->stationery = number != 0;
  }
  return true;
}

bool WriteOwnAttributes(const QString& path, const OwnAttributes& attributes) {
  const QByteArray value = "label=" + QByteArray::number(attributes.label) +
                           "\nhiddenExtension=" + QByteArray::number(attributes.extensionHidden ? 1 : 0) +
                           "\nstationery=" + QByteArray::number(attributes.stationery ? 1 : 0) + "\n";
  return SetExtendedAttribute(path, kFileAttributesAttribute, value);
}

// ---- Folder walks --------------------------------------------------------------

// Sums the sizes of the regular files below an open folder, never following
// links; stops early once `*total` reaches `limit`.
void SumFolder(int folderFd, uint64_t* total, uint64_t limit) {
  DIR* dir = fdopendir(folderFd);
  if (!dir) {
    close(folderFd);
    return;
  }
  while (dirent* entry = readdir(dir)) {
    const char* name = entry->d_name;
    if (name[0] == '.' && (name[1] == 0 || (name[1] == '.' && name[2] == 0))) continue;
    if (entry->d_type == DT_DIR) {
      const int child = openat(dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
      if (child >= 0) SumFolder(child, total, limit);
    } else if (entry->d_type == DT_REG || entry->d_type == DT_UNKNOWN) {
      struct stat info {};
      if (fstatat(dirfd(dir), name, &info, AT_SYMLINK_NOFOLLOW) != 0) continue;
      if (S_ISREG(info.st_mode)) {
        *total += uint64_t(info.st_size);
      } else if (S_ISDIR(info.st_mode)) {
        const int child = openat(dirfd(dir), name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
        if (child >= 0) SumFolder(child, total, limit);
      }
    }
    if (*total >= limit) break;
  }
  closedir(dir);
}

uint64_t WalkFolder(const QString& path, uint64_t limit) {
  uint64_t total = 0;
  const int fd = open(Encoded(path).constData(), O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd >= 0) SumFolder(fd, &total, limit);
  return total;
}

// Gives the owner read and write (and search, for a folder) on one item
// below an open folder (or a path when folderFd is AT_FDCWD), then on a
// folder's contents. Nothing is given to the group or to others: on a
// shared machine they could otherwise replace what is inside a user's
// drawing or log. Links are skipped: changing one would change its target.
void GivePermissionsAt(int folderFd, const QByteArray& name, const QString& shownPath) {
  struct stat info {};
  if (fstatat(folderFd, name.constData(), &info, AT_SYMLINK_NOFOLLOW) != 0) {
    LogString("Can't get permissions for %@. %@", shownPath, ReasonForErrno(errno));
    return;
  }
  if (S_ISLNK(info.st_mode)) return;
  const mode_t mode = info.st_mode & 07777;
  const mode_t wanted = S_ISDIR(info.st_mode) ? mode_t(S_IRWXU) : mode_t(S_IRUSR | S_IWUSR);
  if ((mode & wanted) != wanted) {
    int status = fchmodat(folderFd, name.constData(), mode | wanted, AT_SYMLINK_NOFOLLOW);
    // Without /proc the C library cannot change a file's mode without the
    // chance of following a link; the item was just seen not to be one.
    if (status != 0 && (errno == EOPNOTSUPP || errno == ENOSYS))
      status = fchmodat(folderFd, name.constData(), mode | wanted, 0);
    if (status != 0) {
      LogString("Can't change permissions of %@. %@", shownPath, ReasonForErrno(errno));
      return;
    }
  }
  if (!S_ISDIR(info.st_mode)) return;
  DIR* dir = OpenFolderAt(folderFd, name.constData());
  if (!dir) return;
  const std::vector<QByteArray> names = FolderEntryNames(dir);
  // From the last item listed to the first.
  for (auto it = names.rbegin(); it != names.rend(); ++it)
    GivePermissionsAt(dirfd(dir), *it, shownPath + QLatin1Char('/') + QFile::decodeName(*it));
  closedir(dir);
}

// ---- Sizes -----------------------------------------------------------------------

// "%.0,f" / "%.2,f": fixed decimals with thousands separated by commas.
QString GroupedDecimal(double value, int decimals) {
  QString text = QString::number(value, 'f', decimals);
  qsizetype end = text.indexOf(QLatin1Char('.'));
  if (end < 0) end = text.size();
  const qsizetype start = text.startsWith(QLatin1Char('-')) ? 1 : 0;
  for (qsizetype i = end - 3; i > start; i -= 3) text.insert(i, QLatin1Char(','));
  return text;
}

// ---- Resource forks --------------------------------------------------------------

// True when [offset, offset + length) lies inside [0, limit); wrap-safe.
bool Within(uint64_t offset, uint64_t length, uint64_t limit) {
  return offset <= limit && length <= limit - offset;
}

// The fork's layout: a 16-byte header (data offset, map offset, data length,
// map length); in the map at 24 the type list's offset; the type list holds
// the type count - 1, then 8-byte entries (type, reference count - 1,
// reference list offset from the type list); references are 12 bytes (id,
// name offset, attributes, 24-bit data offset, 4 reserved); each resource's
// data is a 32-bit length and the bytes.
bool ParseForkBlock(const uint8_t* block, uint64_t size, std::vector<ResourceEntry>* entries) {
  constexpr uint64_t kHeaderSize = 16, kMapTypeListOffset = 24, kTypeEntrySize = 8, kReferenceSize = 12;
  if (size < kHeaderSize) return false;
  const uint64_t dataOffset = ReadBigEndian(block, 4), mapOffset = ReadBigEndian(block + 4, 4);
  const uint64_t dataLength = ReadBigEndian(block + 8, 4), mapLength = ReadBigEndian(block + 12, 4);
  if (!Within(dataOffset, dataLength, size) || !Within(mapOffset, mapLength, size)) return false;
  if (mapLength < kMapTypeListOffset + 2) return false;
  const uint64_t mapEnd = mapOffset + mapLength;
  const uint64_t dataEnd = dataOffset + dataLength;
  entries->reserve(size_t(std::min<uint64_t>(mapLength / 20, kResourceForkMaxEntries)));

  const uint64_t typeList = mapOffset + ReadBigEndian(block + mapOffset + kMapTypeListOffset, 2);
  if (!Within(typeList, 2, mapEnd)) return false;
  const uint64_t typesMinusOne = ReadBigEndian(block + typeList, 2);
  if (typesMinusOne == 0xFFFF) return true;  // no resources at all
  const uint64_t typeCount = uint64_t(typesMinusOne) + 1;
  if (!Within(typeList + 2, typeCount * kTypeEntrySize, mapEnd)) return false;

  for (uint64_t t = 0; t < typeCount; ++t) {
    const uint8_t* type = block + typeList + 2 + t * kTypeEntrySize;
    const uint64_t referenceCount = ReadBigEndian(type + 4, 2) + 1;
    const uint64_t referenceList = typeList + ReadBigEndian(type + 6, 2);
    if (!Within(referenceList, referenceCount * kReferenceSize, mapEnd)) return false;
    if (entries->size() + referenceCount > kResourceForkMaxEntries) return false;
    for (uint64_t r = 0; r < referenceCount; ++r) {
      const uint8_t* reference = block + referenceList + r * kReferenceSize;
      const uint64_t item = dataOffset + ReadBigEndian(reference + 5, 3);
      if (!Within(item, 4, dataEnd)) return false;
      const uint32_t length = uint32_t(ReadBigEndian(block + item, 4));
      if (!Within(item + 4, length, dataEnd)) return false;
      ResourceEntry entry;
      entry.type = uint32_t(ReadBigEndian(type, 4));
      entry.id = int16_t(ReadBigEndian(reference, 2));
      entry.length = length;
      entry.data = block + item + 4;
      entries->push_back(entry);
    }
  }
  return true;
}

}  // namespace

// ---- Paths and folders -------------------------------------------------------

QString HomeFolderPath() {
  return QDir::homePath();
}

QString EnvironmentFolder(const char* variable, const char* fallbackBelowHome) {
  const QString value = QString::fromLocal8Bit(qgetenv(variable));
  if (!value.isEmpty() && value.startsWith(QLatin1Char('/'))) return QDir::cleanPath(value);
  return HomeFolderPath() + QLatin1Char('/') + QLatin1String(fallbackBelowHome);
}

QString PathForUserFolder(int directory) {
  QString path;
  switch (directory) {
    case kUserFolderCaches:
      path = EnvironmentFolder("XDG_CACHE_HOME", ".cache");
      break;
    case kUserFolderApplicationSupport:
      path = DataHome();
      break;
    case kUserFolderTrash:
      path = TrashFolder();
      break;
    case kUserFolderDownloads:
      path = DownloadsFolder();
      break;
    default:
      return QString();
  }
  if (!QDir().mkpath(path)) return QString();
  return path;
}

bool ArePathsEqual(const QString& a, const QString& b) {
  if (a.isNull() || b.isNull()) return a.isNull() && b.isNull();
  return a == b;
}

QString RootPath() {
  return QStringLiteral("/");
}

QString CanonicalPath(const QString& path) {
  if (path.isNull()) return QString();
  QString clean = QDir::cleanPath(QDir::isAbsolutePath(path) ? path : QDir::current().absoluteFilePath(path));
  while (clean.size() > 1 && clean.endsWith(QLatin1Char('/'))) clean.chop(1);
  return clean;
}

bool IsCanonicallyEqual(const QString& a, const QString& b) {
  return ArePathsEqual(CanonicalPath(a), CanonicalPath(b));
}

bool ShowInFinder(const QString& path) {
  if (path.isEmpty()) return false;
  // Desktops differ in how they select one item; opening its folder works on all.
  const QFileInfo info(path);
  const QString folder = info.isDir() && !info.isSymLink() ? CanonicalPath(path) : info.absolutePath();
  return QDesktopServices::openUrl(QUrl::fromLocalFile(folder));
}

QString UniqueName(const QString& base, const QString& extension, const UniqueNameTest& isFree) {
  QString name = base;
  name.remove(QLatin1Char('/')).remove(QLatin1Char(':'));
  if (name.isEmpty()) name = QStringLiteral("untitled");
  QString ext = extension;
  QString candidate = name;
  if (!ext.isEmpty()) {
    // "archive.tar" zipped becomes "archive.tar.zip", not "archivetar.zip".
    const qsizetype dot = name.lastIndexOf(QLatin1Char('.'));
    if (ext.compare(QLatin1String("zip"), Qt::CaseInsensitive) == 0 && dot > 0 && dot < name.size() - 1) {
      ext = name.mid(dot + 1) + QLatin1Char('.') + ext;
      name.truncate(dot);
    }
    name.remove(QLatin1Char('.'));
    if (name.isEmpty()) name = QStringLiteral("untitled");
    candidate = name + QLatin1Char('.') + ext;
  }
  if (isFree(candidate)) return candidate;
  for (int i = 1; i <= kUniqueNameMaxNumber; ++i) {
    candidate = ext.isEmpty() ? StringWithFormat("%@-%d", name, i) : StringWithFormat("%@-%d.%@", name, i, ext);
    if (isFree(candidate)) return candidate;
  }
  return ext.isEmpty() ? GuidString() : GuidString() + QLatin1Char('.') + ext;
}

QString UniqueFileName(const QString& folder, const QString& base, const QString& extension) {
  const QString name = UniqueName(base, extension, [&](const QString& candidate) {
    struct stat info {};
    return lstat(Encoded(folder + QLatin1Char('/') + candidate).constData(), &info) != 0 && errno == ENOENT;
  });
  return folder + QLatin1Char('/') + name;
}

bool IsTempFile(const QString& path) {
  if (path.isEmpty()) return false;
  for (const char* prefix : {"/tmp/", "/var/", "/dev/shm/"})
    if (path.startsWith(QLatin1String(prefix))) return true;
  const QString temp = QDir::tempPath() + QLatin1Char('/');
  if (temp.size() > 1 && path.startsWith(temp)) return true;
  const QString caches = EnvironmentFolder("XDG_CACHE_HOME", ".cache") + QLatin1Char('/');
  return path.startsWith(caches, Qt::CaseInsensitive);
}

bool IsFileInTrash(const QString& path) {
  if (path.isEmpty()) return false;
  if (path.startsWith(TrashFolder() + QLatin1Char('/'))) return true;
  // The trash folders at the top of other volumes.
  return path.contains(QStringLiteral("/.Trash-%1/").arg(getuid())) ||
         path.contains(QStringLiteral("/.Trash/%1/").arg(getuid()));
}

bool CanWriteToFolder(const QString& folder) {
  const QByteArray path = Encoded(folder + QLatin1Char('/') + GuidString() + QStringLiteral(".txt"));
  const int fd = open(path.constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0644);
  if (fd < 0) return false;
  close(fd);
  unlink(path.constData());
  return true;
}

// ---- Reading and testing files -------------------------------------------------

void* ReadFile(const QString& path, uint64_t* length) {
  if (length) *length = 0;
  if (path.isEmpty()) return nullptr;
  // Non-blocking, so that a named pipe cannot hold the caller; only regular
  // files are read.
  const int fd = open(Encoded(path).constData(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return nullptr;
  struct stat info {};
  if (fstat(fd, &info) != 0 || !S_ISREG(info.st_mode) || info.st_size <= 0 ||
      uint64_t(info.st_size) > kReadFileMaxSize) {
    close(fd);
    return nullptr;
  }
  const uint64_t size = uint64_t(info.st_size);
  auto* block = static_cast<uint8_t*>(AllocateMemory(size));
  if (!block) {
    close(fd);
    return nullptr;
  }
  // pread may answer fewer bytes than asked without being at the end.
  uint64_t done = 0;
  while (done < size) {
    const ssize_t got = pread(fd, block + done, size_t(size - done), off_t(done));
    if (got < 0 && errno == EINTR) continue;
    if (got <= 0) break;
    done += uint64_t(got);
  }
  close(fd);
  if (done != size) {
    FreeMemory(block);
    return nullptr;
  }
  if (length) *length = size;
  return block;
}

bool IsFileStationery(const QString& path) {
  constexpr qsizetype kFinderInfoMaxSize = 1024;
  const qsizetype size = ExtendedAttributeSize(path, kFinderInfoAttribute);
  if (size > 8 && size <= kFinderInfoMaxSize) {
    QByteArray info;
    // The Finder flags are big-endian at byte 8; bit 3 of that byte is the
    // stationery flag.
    if (GetExtendedAttribute(path, kFinderInfoAttribute, &info) && info.size() > 8 && (uchar(info[8]) & 0x08))
      return true;
  }
  OwnAttributes own;
  return ReadOwnAttributes(path, &own) && own.stationery;
}

uint32_t FileTypeCode(const QString& path) {
  constexpr qsizetype kFinderInfoMaxSize = 1024;
  const qsizetype size = ExtendedAttributeSize(path, kFinderInfoAttribute);
  if (size < 4 || size > kFinderInfoMaxSize) return 0;
  QByteArray info;
  if (!GetExtendedAttribute(path, kFinderInfoAttribute, &info) || info.size() < 4) return 0;
  return uint32_t(uchar(info[0])) << 24 | uint32_t(uchar(info[1])) << 16 | uint32_t(uchar(info[2])) << 8 |
         uint32_t(uchar(info[3]));
}

bool SetFileStationery(const QString& path, bool stationery) {
  OwnAttributes own;
  ReadOwnAttributes(path, &own);
  own.stationery = stationery;
  return WriteOwnAttributes(path, own);
}

bool IsFileLocked(const QString& path) {
  struct statx info {};
  if (statx(AT_FDCWD, Encoded(path).constData(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS, &info) != 0) return false;
  return (info.stx_attributes_mask & STATX_ATTR_IMMUTABLE) && (info.stx_attributes & STATX_ATTR_IMMUTABLE);
}

bool IsFileMutable(const QString& path) {
  const QByteArray name = Encoded(path);
  struct stat info {};
  if (stat(name.constData(), &info) != 0) return false;
  return access(name.constData(), W_OK) == 0 && (info.st_mode & 0600) == 0600 && !IsFileLocked(path);
}

uint32_t PermissionsForFile(const QString& path, bool* isFolder) {
  if (isFolder) *isFolder = false;
  struct stat info {};
  if (lstat(Encoded(path).constData(), &info) != 0) {
    LogString("Can't get permissions for %@. %@", path, ReasonForErrno(errno));
    return 0;
  }
  if (isFolder) *isFolder = S_ISDIR(info.st_mode);
  return info.st_mode & 07777;
}

void GiveUserFilePermissions(const QString& path) {
  GivePermissionsAt(AT_FDCWD, Encoded(path), path);
}

const QStringList& TechnicalTextTypes() {
  static const QStringList types = {
      "asm",          "c",  "c++",  "cc",   "cp",   "cpp",     "crash", "css", "csv", "dif", "dtd",
      "entitlements", "h",  "hang", "ips",  "java", "js",      "json",  "log", "m",   "mm",  "playhouse",
      "plist",        "ps", "r",    "sdef", "spin", "strings", "swift", "xib", "xml"};
  return types;
}

// ---- Attributes, dates and sizes ----------------------------------------------

void GetFinderAttributes(const QString& path, FinderAttributes* record) {
  if (!record) return;
  *record = FinderAttributes{};
  if (path.isEmpty()) return;
  struct statx info {};
  if (statx(AT_FDCWD, Encoded(path).constData(), AT_SYMLINK_NOFOLLOW, STATX_BASIC_STATS | STATX_BTIME, &info) != 0)
    return;
  record->valid = true;
  if (info.stx_mask & STATX_BTIME) record->creationDate = double(info.stx_btime.tv_sec) + info.stx_btime.tv_nsec / 1e9;
  record->immutable = (info.stx_attributes_mask & STATX_ATTR_IMMUTABLE) && (info.stx_attributes & STATX_ATTR_IMMUTABLE);
  OwnAttributes own;
  if (ReadOwnAttributes(path, &own)) {
    record->labelNumber = own.label;
    record->extensionHidden = own.extensionHidden;
  }
}

void SetFinderAttributes(const QString& path, const FinderAttributes& record) {
  if (path.isEmpty() || !record.valid) return;
  OwnAttributes own;
  ReadOwnAttributes(path, &own);
  own.label = record.labelNumber;
  own.extensionHidden = record.extensionHidden;
  WriteOwnAttributes(path, own);
}

bool GetFileCreationDate(const QString& path, double* date) {
  struct statx info {};
  if (statx(AT_FDCWD, Encoded(path).constData(), 0, STATX_BTIME, &info) != 0 || !(info.stx_mask & STATX_BTIME))
    return false;
  if (date) *date = double(info.stx_btime.tv_sec) + info.stx_btime.tv_nsec / 1e9;
  return true;
}

bool GetFileModificationDate(const QString& path, double* date) {
  struct stat info {};
  if (stat(Encoded(path).constData(), &info) != 0) return false;
  if (date) *date = double(info.st_mtim.tv_sec) + info.st_mtim.tv_nsec / 1e9;
  return true;
}

bool SetFileCreationDate(const QString&, double) {
  return false;
}

bool SetFileModificationDate(const QString& path, double date) {
  if (!std::isfinite(date)) return false;
  const double whole = std::floor(date);
  timespec times[2];
  times[0].tv_sec = 0;
  times[0].tv_nsec = UTIME_OMIT;
  times[1].tv_sec = time_t(whole);
  times[1].tv_nsec = long(std::min(999999999.0, (date - whole) * 1e9));
  return utimensat(AT_FDCWD, Encoded(path).constData(), times, 0) == 0;
}

uint64_t SizeOfFile(const QString& path) {
  struct stat info {};
  if (stat(Encoded(path).constData(), &info) != 0) return 0;
  return uint64_t(info.st_size);
}

uint64_t SizeOfFolder(const QString& path) {
  return WalkFolder(path, UINT64_MAX);
}

bool FolderExceedsSize(const QString& path, uint64_t limit) {
  return WalkFolder(path, limit) >= limit;
}

QString FileSizeString(uint64_t bytes) {
  float quotient;
  const char* unit;
  if (bytes < 1000000ull) {
    quotient = float(double(bytes) / 1e3);
    unit = "KB";
  } else if (bytes < 1000000000ull) {
    quotient = float(double(bytes) / 1e6);
    unit = "MB";
  } else if (bytes < 1000000000000ull) {
    quotient = float(double(bytes) / 1e9);
    unit = "GB";
  } else {
    quotient = float(double(bytes) / 1e12);
    unit = "TB";
  }
  const bool whole = quotient == std::floor(quotient);
  return GroupedDecimal(double(quotient), whole ? 0 : 2) + QLatin1Char(' ') + QLatin1String(unit);
}

// ---- Resource forks ----------------------------------------------------------

void FreeResourceForkContents(ResourceForkContents* contents) {
  if (!contents) return;
  FreeMemory(contents->block);
  contents->block = nullptr;
  contents->blockLength = 0;
  contents->entries.clear();
  contents->entries.shrink_to_fit();
}

bool HasResources(const QString& path) {
  return ExtendedAttributeSize(path, kResourceForkAttribute) >= 0;
}

uint64_t ResourceForkLength(const QString& path) {
  const qsizetype size = ExtendedAttributeSize(path, kResourceForkAttribute);
  return size > 0 ? uint64_t(size) : 0;
}

bool ParseResourceFork(const uint8_t* data, uint64_t length, ResourceForkContents* contents) {
  if (!contents) return false;
  *contents = ResourceForkContents{};
  if (!data || length == 0 || length > kResourceForkMaxSize) return false;
  auto* block = static_cast<uint8_t*>(AllocateMemory(length));
  if (!block) return false;
  std::memcpy(block, data, size_t(length));
  contents->block = block;
  contents->blockLength = length;
  if (!ParseForkBlock(block, length, &contents->entries)) {
    FreeResourceForkContents(contents);
    return false;
  }
  return true;
}

bool ReadResourceFork(const QString& path, ResourceForkContents* contents) {
  if (!contents) return false;
  *contents = ResourceForkContents{};
  const qsizetype size = ExtendedAttributeSize(path, kResourceForkAttribute);
  if (size <= 0 || uint64_t(size) > kResourceForkMaxSize) return false;
  QByteArray fork;
  if (!GetExtendedAttribute(path, kResourceForkAttribute, &fork)) return false;
  return ParseResourceFork(reinterpret_cast<const uint8_t*>(fork.constData()), uint64_t(fork.size()), contents);
}

bool DeleteResourceFork(const QString& path, CSError* error) {
  int errorNumber = 0;
  if (RemoveExtendedAttribute(path, kResourceForkAttribute, &errorNumber)) return true;
  if (error) *error = ErrorForFileError(FileErrorForErrno(errorNumber));
  return false;
}

QString GetLinkFromWebloc(const QString& path, QString* name) {
  constexpr uint32_t kUrlType = 0x75726C20;   // 'url '
  constexpr uint32_t kNameType = 0x75726C6E;  // 'urln'
  ResourceForkContents contents;
  if (!ReadResourceFork(path, &contents)) return QString();
  const ResourceEntry* link = nullptr;
  const ResourceEntry* title = nullptr;
  for (const ResourceEntry& entry : contents.entries) {
    if (entry.type == kUrlType) link = &entry;
    if (entry.type == kNameType) title = &entry;
  }
  QString result;
  if (link) {
    result = QString::fromLatin1(reinterpret_cast<const char*>(link->data), qsizetype(link->length));
    if (title && name)
      *name = QString::fromLatin1(reinterpret_cast<const char*>(title->data), qsizetype(title->length));
  }
  FreeResourceForkContents(&contents);
  return result;
}

// ---- Items -------------------------------------------------------------------------

void RemoveItemAtPath(const QString& path) {
  if (!path.isEmpty()) RemoveItemTree(path);
}

namespace {
// Moves an item to a name that must still be free: another program may have
// trashed something under the same name since the name was chosen, and a
// plain rename would silently destroy it. File systems without the no-replace
// flag get a check just before the rename, which leaves only a tiny window.
bool RenameWithoutReplacing(const QByteArray& from, const QByteArray& to) {
  if (renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), RENAME_NOREPLACE) == 0) return true;
  if (errno != EINVAL && errno != ENOSYS) return false;
  struct stat info {};
  if (lstat(to.constData(), &info) == 0) {
    errno = EEXIST;
    return false;
  }
  return rename(from.constData(), to.constData()) == 0;
}
}  // namespace

bool MoveItemToTrash(const QString& path, QString* trashedPath, CSError* error) {
  auto fail = [&](int errorNumber) {
    if (error) *error = ErrorForFileError(FileErrorForErrno(errorNumber));
    return false;
  };
  const QString absolute = QFileInfo(path).absoluteFilePath();
  struct stat info {};
  if (path.isEmpty() || lstat(Encoded(absolute).constData(), &info) != 0) return fail(path.isEmpty() ? ENOENT : errno);
  const QString trash = TrashFolder();
  const QString files = trash + QStringLiteral("/files"), infos = trash + QStringLiteral("/info");
  if (!QDir().mkpath(DataHome())) return fail(errno ? errno : EACCES);
  for (const QString& folder : {trash, files, infos}) {
    if (mkdir(Encoded(folder).constData(), 0700) != 0 && errno != EEXIST) return fail(errno);
  }
  // The record is made first and exclusively: it reserves the name.
  const QFileInfo item(absolute);
  const QString suffix = item.isDir() ? QString() : item.completeSuffix();
  const QString base =
      suffix.isEmpty() ? item.fileName() : item.fileName().left(item.fileName().size() - suffix.size() - 1);
  QString name, infoPath;
  int fd = -1;
  for (int attempt = 0; attempt < 4 && fd < 0; ++attempt) {
    name = UniqueName(base, suffix, [&](const QString& candidate) {
      struct stat other {};
      return lstat(Encoded(files + QLatin1Char('/') + candidate).constData(), &other) != 0 &&
             lstat(Encoded(infos + QLatin1Char('/') + candidate + QStringLiteral(".trashinfo")).constData(), &other) !=
                 0;
    });
    infoPath = infos + QLatin1Char('/') + name + QStringLiteral(".trashinfo");
    fd = open(Encoded(infoPath).constData(), O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (fd < 0 && errno != EEXIST) return fail(errno);
  }
  if (fd < 0) return fail(EEXIST);
  const QByteArray record = "[Trash Info]\nPath=" + QUrl::toPercentEncoding(absolute, "/") + "\nDeletionDate=" +
                            QDateTime::currentDateTime().toString(QStringLiteral("yyyy-MM-ddThh:mm:ss")).toLatin1() +
                            "\n";
  const bool written = write(fd, record.constData(), size_t(record.size())) == ssize_t(record.size());
  close(fd);
  if (!written) {
    const int errorNumber = errno;
    unlink(Encoded(infoPath).constData());
    return fail(errorNumber);
  }
  const QString destination = files + QLatin1Char('/') + name;
  if (!RenameWithoutReplacing(Encoded(absolute), Encoded(destination))) {
    int errorNumber = errno;
    // On another device: copy in whole, and only then remove the original.
    bool moved = false;
    if (errorNumber == EXDEV) {
      moved = CopyItemTree(absolute, destination);
      errorNumber = errno;
      if (moved && !RemoveItemTree(absolute)) {
        // Part of the original may be gone already, so the copy in the
        // trash is the only whole one left: it stays there, with its record.
        if (trashedPath) *trashedPath = destination;
        return fail(errno);
      }
    }
    if (!moved) {
      unlink(Encoded(infoPath).constData());
      return fail(errorNumber);
    }
  }
  if (trashedPath) *trashedPath = destination;
  return true;
}

bool ParseDownloadName(const QString& fileName, const QString& productName, int32_t version[3], QString* bestName) {
  if (!version || fileName.size() < 9) return false;
  qsizetype end;
  if (fileName.endsWith(QLatin1String(".dmg"))) {
    end = fileName.size() - 4;
  } else if (fileName.endsWith(QLatin1String(".zip"))) {
    end = fileName.size() - 4;
  } else {
    return false;
  }
  const qsizetype underscore = fileName.indexOf(QLatin1Char('_'));
  if (underscore < 0 || underscore >= end) return false;
  if (fileName.left(underscore).compare(productName, Qt::CaseInsensitive) != 0) return false;
  const QStringView digits = QStringView(fileName).mid(underscore + 1, end - underscore - 1);
  if (digits.size() < 3) return false;
  if (!digits[0].isDigit() || !digits[1].isDigit() || !digits[2].isDigit()) return false;
  const int32_t major = digits[0].digitValue();
  const int32_t minor = digits[1].digitValue();
  // The patch number: its leading digits, held below 10,000 so that the
  // combined version cannot run into the minor's place or overflow.
  int64_t patch = 0;
  for (qsizetype i = 2; i < digits.size() && digits[i].isDigit(); ++i) {
    patch = std::min<int64_t>(patch * 10 + digits[i].digitValue(), 9999);
  }
  auto combined = [](int64_t a, int64_t b, int64_t c) { return a * 1000000 + b * 10000 + c; };
  if (bestName && !bestName->isEmpty() && combined(version[0], version[1], version[2]) >= combined(major, minor, patch))
    return false;
  version[0] = major;
  version[1] = minor;
  version[2] = int32_t(patch);
  if (bestName) *bestName = fileName;
  return true;
}

bool SafeFileReplace(const QString& newPath, QString* targetPath, CSError* error) {
  if (!targetPath) return false;
  const QString target = *targetPath;
  AtomicSwapResult result;
  if (AtomicReplaceItem(newPath, target, &result)) return true;
  const FileError code = FileErrorForErrno(result.errorNumber);
  if (!result.leftOverPath.isEmpty()) {
    LogString("New version couldn't replace old, and old couldn't be restored. It was left at \"%@\"",
              result.leftOverPath);
    *targetPath = result.leftOverPath;
  }
  LogString("Move from \"%@\" to \"%@\" failed. %@", newPath, target, FileErrorDescription(code));
  if (error) *error = ErrorForFileError(code);
  return false;
}

bool WriteDataToFile(const QByteArray& data, const QString& path, bool createNew, bool sync, CSError* error) {
  const QByteArray file = QFile::encodeName(path);
  const int fd = ::open(file.constData(), O_WRONLY | O_CREAT | O_CLOEXEC | (createNew ? O_EXCL : O_TRUNC), 0666);
  if (fd < 0) {
    if (error) *error = ErrorForUnixError(kFileOperationOpen, errno);
    return false;
  }
  const char* bytes = data.constData();
  qsizetype left = data.size();
  int failure = 0;
  while (left > 0) {
    const ssize_t n = ::write(fd, bytes, size_t(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      failure = n < 0 ? errno : EIO;
      break;
    }
    bytes += n;
    left -= n;
  }
  if (failure == 0 && sync && ::fsync(fd) != 0) failure = errno;
  if (::close(fd) != 0 && failure == 0) failure = errno;
  if (failure != 0) {
    ::unlink(file.constData());
    if (error) *error = ErrorForUnixError(kFileOperationWrite, failure);
    return false;
  }
  return true;
}
