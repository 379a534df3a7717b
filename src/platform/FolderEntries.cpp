#include "platform/FolderEntries.h"

#include <fcntl.h>
#include <unistd.h>

#include <cstring>

DIR* OpenFolderAt(int folderFd, const char* name) {
  const int fd = openat(folderFd, name, O_RDONLY | O_DIRECTORY | O_NOFOLLOW | O_CLOEXEC);
  if (fd < 0) return nullptr;
  DIR* dir = fdopendir(fd);
  if (!dir) close(fd);
  return dir;
}

std::vector<QByteArray> FolderEntryNames(DIR* dir) {
  std::vector<QByteArray> names;
  while (dirent* entry = readdir(dir)) {
    if (std::strcmp(entry->d_name, ".") == 0 || std::strcmp(entry->d_name, "..") == 0) continue;
    names.emplace_back(entry->d_name);
  }
  return names;
}
