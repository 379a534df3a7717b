#pragma once
// Reading a folder by descriptor, for the code that walks trees without
// following symbolic links.

#include <dirent.h>

#include <QByteArray>
#include <vector>

// The folder `name` inside `folderFd`, opened without following a link;
// null (errno set) when it cannot be opened. Close it with closedir.
DIR* OpenFolderAt(int folderFd, const char* name);

// The names in the folder, without "." and "..", in the order listed.
std::vector<QByteArray> FolderEntryNames(DIR* dir);
