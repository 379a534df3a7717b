#pragma once
// The library's plain-function file layer: unique names, standard folders,
// whole-file reading, permissions, Finder-style attributes kept in extended
// attributes, dates and sizes, resource forks, the Trash, download names and
// the safe replacement of a saved file or package folder. Everything runs on
// the caller's thread. Folder walks and permission changes never follow
// symbolic links.

#include <QByteArray>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <functional>
#include <vector>

#include "support/FileErrors.h"

class CSError;

// ---- Paths and folders -------------------------------------------------------

QString HomeFolderPath();  // read from the environment on each call
// The folder an XDG base-directory variable names when it holds an absolute
// path (a relative value is invalid and ignored), else the home folder plus
// the fallback ("XDG_STATE_HOME", ".local/state").
QString EnvironmentFolder(const char* variable, const char* fallbackBelowHome);

// Standard user folders, by the codes the rest of the system asks with.
enum UserFolder : int {
  kUserFolderCaches = 13,              // $XDG_CACHE_HOME or ~/.cache
  kUserFolderApplicationSupport = 14,  // $XDG_DATA_HOME or ~/.local/share
  kUserFolderDownloads = 15,           // the XDG download folder, else ~/Downloads
  kUserFolderTrash = 102,              // the XDG trash: <data home>/Trash
};
// The folder, created with its intermediates when missing; "" when the code
// has no folder or it cannot be made.
QString PathForUserFolder(int directory);

// True when both are null or the texts are equal (exact comparison).
bool ArePathsEqual(const QString& a, const QString& b);
// The root of the file system as the user sees it: "/" here, where volumes
// are mounted below one tree rather than beside it.
QString RootPath();
// A path in the one form two names of the same item share: absolute, without
// "." and ".." parts or a final "/". Null for a null path.
QString CanonicalPath(const QString& path);
bool IsCanonicallyEqual(const QString& a, const QString& b);
// Opens the folder holding the item in the file manager; NO for no path or
// when no file manager could be asked.
bool ShowInFinder(const QString& path);

// Answers true when a name is free.
using UniqueNameTest = std::function<bool(const QString& name)>;
constexpr int kUniqueNameMaxNumber = 99;
// A name built from `base` and `extension` that `isFree` accepts: the plain
// name, then "base-1.ext" ... "base-99.ext", then a GUID with the extension.
QString UniqueName(const QString& base, const QString& extension, const UniqueNameTest& isFree);
// The folder joined with a name no item in it has.
QString UniqueFileName(const QString& folder, const QString& base, const QString& extension);

bool IsTempFile(const QString& path);
bool IsFileInTrash(const QString& path);
// Tries to create (and removes again) an empty file in the folder.
bool CanWriteToFolder(const QString& folder);

// ---- Reading and testing files -------------------------------------------------

// Largest file ReadFile takes into memory.
constexpr uint64_t kReadFileMaxSize = uint64_t(1) << 32;

// The whole file in a new block from AllocateMemory (release it with
// FreeMemory) and its size in `*length`; null when the file cannot be opened
// or measured, is empty or too big, the block cannot be had, or it cannot be
// read whole.
void* ReadFile(const QString& path, uint64_t* length);

// Writes the bytes to the file, with the system's reason on failure. A file
// that exists is replaced in place, or refused with `createNew`; `sync`
// flushes the bytes to the disk before answering. A file left half-written
// is removed.
bool WriteDataToFile(const QByteArray& data, const QString& path, bool createNew, bool sync, CSError* error);

bool IsFileStationery(const QString& path);
// The classic four-character file type (bytes 0-3 of the Finder information,
// big-endian, so 'PICT' is 0x50494354); 0 when the file has none.
uint32_t FileTypeCode(const QString& path);
bool IsFileLocked(const QString& path);   // the file's immutable flag
bool IsFileMutable(const QString& path);  // writable, and owner read and write set

// The permission bits (0 when they cannot be read) and whether the item is a
// folder; logs "Can't get permissions for %@. %@" on failure. A symbolic link
// answers its own bits, not its target's.
uint32_t PermissionsForFile(const QString& path, bool* isFolder);
// Adds the owner's read and write (and search, for folders) where any of
// those bits is missing, through a folder's whole contents; the group's and
// others' bits are left as they are, links are left alone.
void GiveUserFilePermissions(const QString& path);

const QStringList& TechnicalTextTypes();

// ---- Attributes, dates and sizes ----------------------------------------------

struct FinderAttributes {
  double creationDate = 0;  // seconds since 1970; 0 means none
  uint32_t labelNumber = 0;
  bool extensionHidden = false;
  bool immutable = false;  // the lock
  bool valid = false;      // read from an existing item
};

// The extended attributes the Finder-style information lives in ("user."
// namespace): the classic 32-byte Finder information and resource fork as
// they travel with files from other systems, and one attribute of ours for
// the label, the hidden extension and the stationery flag.
extern const QString kFinderInfoAttribute;      // "com.apple.FinderInfo"
extern const QString kResourceForkAttribute;    // "com.apple.ResourceFork"
extern const QString kFileAttributesAttribute;  // "cs.fileAttributes"

void GetFinderAttributes(const QString& path, FinderAttributes* record);
// Writes the label and the hidden extension. A creation date cannot be set
// on this system and is ignored; failures are ignored.
void SetFinderAttributes(const QString& path, const FinderAttributes& record);
// Marks a file as stationery (a template) or not.
bool SetFileStationery(const QString& path, bool stationery);

bool GetFileCreationDate(const QString& path, double* date);
bool GetFileModificationDate(const QString& path, double* date);
// Always false: the file systems here keep the birth time out of reach.
bool SetFileCreationDate(const QString& path, double date);
bool SetFileModificationDate(const QString& path, double date);

uint64_t SizeOfFile(const QString& path);    // 0 when it cannot be read
uint64_t SizeOfFolder(const QString& path);  // every file below, recursively; 0 when unreadable
// The same walk, stopping as soon as the total reaches `limit`.
bool FolderExceedsSize(const QString& path, uint64_t limit);
QString FileSizeString(uint64_t bytes);

// ---- Resource forks ----------------------------------------------------------

struct ResourceEntry {
  uint32_t type = 0;  // four characters, big-endian order
  int32_t id = 0;
  uint32_t length = 0;
  const uint8_t* data = nullptr;  // inside the contents' block
};

struct ResourceForkContents {
  uint8_t* block = nullptr;  // the whole fork, from AllocateMemory
  uint64_t blockLength = 0;
  std::vector<ResourceEntry> entries;
};

// Limits on what a fork may ask of the reader.
constexpr uint64_t kResourceForkMaxSize = 16 * 1024 * 1024;
constexpr uint32_t kResourceForkMaxEntries = 65536;

void FreeResourceForkContents(ResourceForkContents* contents);

bool HasResources(const QString& path);
uint64_t ResourceForkLength(const QString& path);
// Reads and checks the whole fork; false (contents empty) for a missing or
// malformed one. Every offset and length is checked against the fork.
bool ReadResourceFork(const QString& path, ResourceForkContents* contents);
// The same over fork bytes in memory; the bytes are copied.
bool ParseResourceFork(const uint8_t* data, uint64_t length, ResourceForkContents* contents);
bool DeleteResourceFork(const QString& path, CSError* error);
// The link of a web-location file ('url ' resource) and its name ('urln');
// "" when there is no link. The name is set only when both exist.
QString GetLinkFromWebloc(const QString& path, QString* name);

// ---- Items -------------------------------------------------------------------------

// Removes a file or a folder with its contents, ignoring failures.
void RemoveItemAtPath(const QString& path);

// Moves an item to the XDG trash with its ".trashinfo" record; the path it
// now has in `*trashedPath`. Items on another device are copied into the
// trash, then removed; if the original cannot be removed whole, the copy
// stays in the trash (its path in `*trashedPath`) and the call fails.
bool MoveItemToTrash(const QString& path, QString* trashedPath, CSError* error);

// Reads a download name "Product_215.dmg" (or ".zip") into a version of
// three numbers; keeps it in `*bestName` and `version` when it is newer than
// the name held there. Answers whether the name was taken.
bool ParseDownloadName(const QString& fileName, const QString& productName, int32_t version[3], QString* bestName);

// The new file or package folder at `newPath` takes the place of
// `*targetPath`. The target is replaced in one step, so it is never missing,
// even if the process dies midway; the old item is then deleted. On failure
// the target keeps the old item; if even that could not be kept in place,
// `*targetPath` is set to where the old item was left. Failures are logged.
bool SafeFileReplace(const QString& newPath, QString* targetPath, CSError* error);
