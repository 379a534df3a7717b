#include "platform/AtomicSwap.h"

#include <dirent.h>
#include <fcntl.h>
#include <sys/stat.h>
#include <sys/xattr.h>
#include <unistd.h>

#include <QByteArray>
#include <QFile>
#include <QRandomGenerator>
#include <cerrno>
#include <climits>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <vector>

#include "platform/FolderEntries.h"
#include "platform/PathParts.h"

#ifndef RENAME_NOREPLACE
#define RENAME_NOREPLACE (1 << 0)
#endif
#ifndef RENAME_EXCHANGE
#define RENAME_EXCHANGE (1 << 1)
#endif

namespace {

std::mutex g_hookLock;
AtomicSwapFaultHook g_hook;

// Runs the test hook for a step; true (with errno set) when the step is to fail.
bool InjectedFault(AtomicSwapStep step) {
  AtomicSwapFaultHook hook;
  {
    std::lock_guard lock(g_hookLock);
    hook = g_hook;
  }
  if (!hook) return false;
  const int error = hook(step);
  if (error == 0) return false;
  errno = error;
  return true;
}

// ---- Paths ---------------------------------------------------------------------

QByteArray Encoded(const QString& path) {
  return QFile::encodeName(path);
}

// A hidden name beside `target` that no item is likely to hold; callers
// still create it exclusively and try again on a collision.
QString TemporarySibling(const QString& target, const char* role) {
  const quint64 random = QRandomGenerator::global()->generate64();
  QString name = LastComponentOfPath(target);
  if (name.size() > 120) name.truncate(120);
  return ParentFolderOfPath(target) + QLatin1String("/.") + name + QLatin1Char('.') + QLatin1String(role) +
         QLatin1Char('-') + QString::number(random, 36);
}

bool Exists(const QByteArray& path) {
  struct stat info {};
  return lstat(path.constData(), &info) == 0;
}

// Makes the renames in a folder durable; a failure here loses no data.
void SyncFolder(const QString& folder) {
  const int fd = open(Encoded(folder).constData(), O_RDONLY | O_DIRECTORY | O_CLOEXEC);
  if (fd < 0) return;
  fsync(fd);
  close(fd);
}

// ---- Removing ----------------------------------------------------------------

bool RemoveAt(int folderFd, const char* name) {
  struct stat info {};
  if (fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return errno == ENOENT;
  if (!S_ISDIR(info.st_mode)) return unlinkat(folderFd, name, 0) == 0 || errno == ENOENT;
  DIR* dir = OpenFolderAt(folderFd, name);
  if (!dir) return false;
  const std::vector<QByteArray> names = FolderEntryNames(dir);
  bool ok = true;
  int firstError = 0;
  for (const QByteArray& child : names) {
    if (!RemoveAt(dirfd(dir), child.constData())) {
      if (ok) firstError = errno;
      ok = false;
    }
  }
  closedir(dir);
  if (!ok) {
    errno = firstError;
    return false;
  }
  return unlinkat(folderFd, name, AT_REMOVEDIR) == 0 || errno == ENOENT;
}

// ---- Flushing ----------------------------------------------------------------

// Flushes a file, or a folder and everything in it, to disk, so that the
// rename that publishes it cannot outrun its contents after a power loss.
bool SyncAt(int folderFd, const char* name) {
  struct stat info {};
  if (fstatat(folderFd, name, &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (S_ISLNK(info.st_mode)) return true;
  if (!S_ISREG(info.st_mode) && !S_ISDIR(info.st_mode)) return true;
  const int fd = openat(folderFd, name, O_RDONLY | O_NOFOLLOW | O_NONBLOCK | O_CLOEXEC);
  if (fd < 0) return false;
  bool ok = true;
  if (S_ISDIR(info.st_mode)) {
    const int listFd = dup(fd);
    DIR* dir = listFd >= 0 ? fdopendir(listFd) : nullptr;
    if (!dir) {
      if (listFd >= 0) close(listFd);
      close(fd);
      return false;
    }
    while (dirent* entry = readdir(dir)) {
      if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
      if (!SyncAt(dirfd(dir), entry->d_name)) ok = false;
    }
    closedir(dir);
  }
  const int error = errno;
  if (fsync(fd) != 0 && errno != EINVAL) ok = false;
  close(fd);
  if (ok) errno = error;
  return ok;
}

// ---- Copying -----------------------------------------------------------------

void CopyUserAttributes(int from, int to) {
  const ssize_t room = flistxattr(from, nullptr, 0);
  if (room <= 0) return;
  std::vector<char> names(size_t(room) + 1, 0);
  const ssize_t length = flistxattr(from, names.data(), size_t(room));
  if (length <= 0) return;
  std::vector<char> value(65536);
  for (ssize_t i = 0; i < length;) {
    const char* name = names.data() + i;
    i += ssize_t(std::strlen(name)) + 1;
    if (std::strncmp(name, "user.", 5) != 0) continue;
    const ssize_t size = fgetxattr(from, name, value.data(), value.size());
    if (size >= 0) fsetxattr(to, name, value.data(), size_t(size), 0);
  }
}

bool CopyFileContents(int from, int to) {
  std::vector<char> buffer(1 << 16);
  for (;;) {
    const ssize_t got = read(from, buffer.data(), buffer.size());
    if (got < 0) {
      if (errno == EINTR) continue;
      return false;
    }
    if (got == 0) return true;
    for (ssize_t done = 0; done < got;) {
      const ssize_t put = write(to, buffer.data() + done, size_t(got - done));
      if (put < 0) {
        if (errno == EINTR) continue;
        return false;
      }
      done += put;
    }
  }
}

bool CopyAt(int fromFolder, const char* fromName, int toFolder, const char* toName) {
  struct stat info {};
  if (fstatat(fromFolder, fromName, &info, AT_SYMLINK_NOFOLLOW) != 0) return false;
  if (S_ISLNK(info.st_mode)) {
    std::vector<char> target(size_t(info.st_size > 0 ? info.st_size : PATH_MAX) + 1);
    const ssize_t length = readlinkat(fromFolder, fromName, target.data(), target.size() - 1);
    if (length < 0) return false;
    target[size_t(length)] = 0;
    return symlinkat(target.data(), toFolder, toName) == 0;
  }
  if (S_ISREG(info.st_mode)) {
    const int in = openat(fromFolder, fromName, O_RDONLY | O_NOFOLLOW | O_CLOEXEC);
    if (in < 0) return false;
    const int out = openat(toFolder, toName, O_WRONLY | O_CREAT | O_EXCL | O_CLOEXEC, 0600);
    if (out < 0) {
      const int error = errno;
      close(in);
      errno = error;
      return false;
    }
    bool ok = CopyFileContents(in, out);
    if (ok) {
      CopyUserAttributes(in, out);
      fchmod(out, info.st_mode & 07777);
      const timespec times[2] = {info.st_atim, info.st_mtim};
      futimens(out, times);
      ok = fsync(out) == 0;
    }
    const int error = errno;
    close(in);
    if (close(out) != 0 && ok) ok = false;
    errno = ok ? 0 : error;
    return ok;
  }
  if (S_ISDIR(info.st_mode)) {
    if (mkdirat(toFolder, toName, 0700) != 0) return false;
    const int in = openat(fromFolder, fromName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    const int out = openat(toFolder, toName, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
    DIR* dir = in >= 0 ? fdopendir(in) : nullptr;
    bool ok = dir && out >= 0;
    int error = ok ? 0 : errno;
    if (ok) {
      while (dirent* entry = readdir(dir)) {
        if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
        if (!CopyAt(dirfd(dir), entry->d_name, out, entry->d_name)) {
          error = errno;
          ok = false;
          break;
        }
      }
    }
    if (ok) {
      CopyUserAttributes(dirfd(dir), out);
      fchmod(out, info.st_mode & 07777);
      const timespec times[2] = {info.st_atim, info.st_mtim};
      futimens(out, times);
      fsync(out);
    }
    if (dir) {
      closedir(dir);
    } else if (in >= 0) {
      close(in);
    }
    if (out >= 0) close(out);
    errno = error;
    return ok;
  }
  // Sockets, pipes and devices have no place in a document.
  errno = ENOTSUP;
  return false;
}

// ---- The swap ----------------------------------------------------------------

bool Fail(AtomicSwapResult* result, const QString& path) {
  result->errorNumber = errno ? errno : EIO;
  result->failedPath = path;
  return false;
}

int RenameAt2(const QByteArray& from, const QByteArray& to, unsigned flags) {
  return renameat2(AT_FDCWD, from.constData(), AT_FDCWD, to.constData(), flags);
}

bool SwapIn(const QString& newPath, const QString& targetPath, bool keepOld, AtomicSwapResult* result) {
  *result = AtomicSwapResult{};
  const QByteArray newName = Encoded(newPath);
  const QByteArray targetName = Encoded(targetPath);
  struct stat newInfo {};
  if (lstat(newName.constData(), &newInfo) != 0) return Fail(result, newPath);
  const QString folder = ParentFolderOfPath(targetPath);
  struct stat folderInfo {};
  if (stat(Encoded(folder).constData(), &folderInfo) != 0) return Fail(result, targetPath);
  {
    // The same item under two names: swapping it with itself and deleting
    // "the old one" would delete it. Only a second link needs to go.
    struct stat targetInfo {};
    if (lstat(targetName.constData(), &targetInfo) == 0 && targetInfo.st_dev == newInfo.st_dev &&
        targetInfo.st_ino == newInfo.st_ino) {
      if (!S_ISDIR(newInfo.st_mode) && newName != targetName && unlink(newName.constData()) != 0)
        return Fail(result, newPath);
      return true;
    }
  }

  // From another device, copy into the target's folder first, so the step
  // that changes the target is still one rename on one file system.
  QString source = newPath;
  bool copied = false;
  if (newInfo.st_dev != folderInfo.st_dev) {
    for (int attempt = 0;; ++attempt) {
      source = TemporarySibling(targetPath, "new");
      if (!InjectedFault(AtomicSwapStep::Copy) && CopyItemTree(newPath, source)) break;
      if (errno != EEXIST || attempt > 8) return Fail(result, source);
    }
    copied = true;
  }
  // A copy is already on disk; the caller's own item may not be yet.
  if (!copied && !SyncAt(AT_FDCWD, newName.constData())) return Fail(result, newPath);
  const QByteArray sourceName = Encoded(source);
  auto discardCopy = [&] {
    if (!copied) return;
    const int error = errno;
    RemoveItemTree(source);
    errno = error;
  };
  auto finish = [&] {
    if (copied) RemoveItemTree(newPath);
    SyncFolder(folder);
    return true;
  };

  struct stat targetInfo {};
  if (lstat(targetName.constData(), &targetInfo) != 0) {
    if (errno != ENOENT) {
      discardCopy();
      return Fail(result, targetPath);
    }
    // Nothing stands there yet: a plain move, refusing to overwrite an item
    // that appeared meanwhile.
    if (InjectedFault(AtomicSwapStep::MoveIn)) {
      discardCopy();
      return Fail(result, targetPath);
    }
    int status = RenameAt2(sourceName, targetName, RENAME_NOREPLACE);
    if (status != 0 && (errno == EINVAL || errno == ENOSYS)) status = std::rename(sourceName, targetName);
    if (status == 0) return finish();
    if (errno != EEXIST) {
      discardCopy();
      return Fail(result, targetPath);
    }
    if (lstat(targetName.constData(), &targetInfo) != 0) {
      discardCopy();
      return Fail(result, targetPath);
    }
  }

  const bool bothFiles = !S_ISDIR(targetInfo.st_mode) && !S_ISDIR(newInfo.st_mode);
  if (bothFiles && !keepOld) {
    if (InjectedFault(AtomicSwapStep::Replace) || std::rename(sourceName, targetName) != 0) {
      discardCopy();
      return Fail(result, targetPath);
    }
    return finish();
  }

  if (!InjectedFault(AtomicSwapStep::Exchange) && RenameAt2(sourceName, targetName, RENAME_EXCHANGE) == 0) {
    // The old item now lies where the new one was.
    if (keepOld) {
      result->oldItemPath = source;
      if (copied) RemoveItemTree(newPath);
      SyncFolder(folder);
      if (copied || ParentFolderOfPath(source) != folder) SyncFolder(ParentFolderOfPath(source));
      return true;
    }
    RemoveItemTree(source);
    return finish();
  }
  if (errno != EINVAL && errno != ENOSYS && errno != ENOTSUP) {
    discardCopy();
    return Fail(result, targetPath);
  }

  // This file system cannot exchange: move the old item aside for the
  // moment of the move, and back if the new one does not go in.
  QString aside;
  for (int attempt = 0;; ++attempt) {
    aside = TemporarySibling(targetPath, "old");
    if (InjectedFault(AtomicSwapStep::MoveAside)) {
      discardCopy();
      return Fail(result, targetPath);
    }
    int status = RenameAt2(targetName, Encoded(aside), RENAME_NOREPLACE);
    if (status != 0 && (errno == EINVAL || errno == ENOSYS)) {
      status = Exists(Encoded(aside)) ? (errno = EEXIST, -1) : std::rename(targetName, Encoded(aside));
    }
    if (status == 0) break;
    if (errno != EEXIST || attempt > 8) {
      discardCopy();
      return Fail(result, targetPath);
    }
  }
  if (InjectedFault(AtomicSwapStep::MoveInAfterAside) || std::rename(sourceName, targetName) != 0) {
    const int error = errno;
    const bool restored = !InjectedFault(AtomicSwapStep::Restore) && std::rename(Encoded(aside), targetName) == 0;
    if (!restored) result->leftOverPath = aside;
    discardCopy();
    errno = error;
    return Fail(result, targetPath);
  }
  if (keepOld) {
    result->oldItemPath = aside;
    if (copied) RemoveItemTree(newPath);
    SyncFolder(folder);
    return true;
  }
  RemoveItemTree(aside);
  return finish();
}

}  // namespace

bool AtomicReplaceItem(const QString& newPath, const QString& targetPath, AtomicSwapResult* result) {
  AtomicSwapResult local;
  return SwapIn(newPath, targetPath, false, result ? result : &local);
}

bool AtomicExchangeItem(const QString& newPath, const QString& targetPath, AtomicSwapResult* result) {
  AtomicSwapResult local;
  return SwapIn(newPath, targetPath, true, result ? result : &local);
}

bool RemoveItemTree(const QString& path) {
  return RemoveAt(AT_FDCWD, Encoded(path).constData());
}

bool CopyItemTree(const QString& sourcePath, const QString& destinationPath) {
  const QByteArray destination = Encoded(destinationPath);
  // An item already there is not ours to remove after a failed copy.
  if (Exists(destination)) {
    errno = EEXIST;
    return false;
  }
  if (CopyAt(AT_FDCWD, Encoded(sourcePath).constData(), AT_FDCWD, destination.constData())) return true;
  const int error = errno;
  RemoveAt(AT_FDCWD, destination.constData());
  errno = error;
  return false;
}

AtomicSwapFaultHook SetAtomicSwapFaultHook(AtomicSwapFaultHook hook) {
  std::lock_guard lock(g_hookLock);
  AtomicSwapFaultHook old = std::move(g_hook);
  g_hook = std::move(hook);
  return old;
}
