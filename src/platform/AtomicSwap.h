#pragma once
// Puts a new file or package folder in the place of an old one so that at no
// instant is the target missing or half written: rename(2) replaces a file,
// renameat2(RENAME_EXCHANGE) swaps two items (a folder, or a file whose old
// version the caller keeps). An item on another device is first copied into
// the target's folder under a temporary name. Only where the file system can
// swap nothing is the old item moved aside for the moment of the move.

#include <QString>
#include <functional>

// The steps a swap takes, so that tests can make any one of them fail.
enum class AtomicSwapStep {
  Copy,       // copying the new item into the target's folder from another device
  MoveIn,     // moving the new item to a target that does not exist
  Replace,    // rename(2) of a file over a file
  Exchange,   // renameat2(RENAME_EXCHANGE)
  MoveAside,  // no swap possible: moving the old item out of the way
  MoveInAfterAside,
  Restore,  // moving the old item back after the new one failed to go in
};

struct AtomicSwapResult {
  int errorNumber = 0;   // errno of the step that failed; 0 on success
  QString failedPath;    // the path that step failed to produce
  QString oldItemPath;   // AtomicExchangeItem: where the old item now lies ("" when there was none)
  QString leftOverPath;  // when the old item could not be put back: where it was left
};

// The new item at `newPath` takes the place of `targetPath`, which may be
// missing; the old item is deleted afterwards. On success nothing is left at
// `newPath`. On failure the target holds the old item, untouched, except
// where `leftOverPath` says where the old item was left.
bool AtomicReplaceItem(const QString& newPath, const QString& targetPath, AtomicSwapResult* result = nullptr);

// As AtomicReplaceItem, but the old item is handed back at
// `result->oldItemPath`: `newPath` itself, or, when the new item came from
// another device, a temporary name in the target's folder. The caller then
// owns it (keeps it as a backup, or deletes it).
bool AtomicExchangeItem(const QString& newPath, const QString& targetPath, AtomicSwapResult* result = nullptr);

// Deletes a file, link or whole folder without following symbolic links.
// Returns false (errno set) when something could not be removed; a missing
// item counts as removed.
bool RemoveItemTree(const QString& path);

// Copies a file, link or folder (with its "user." attributes, permissions
// and modification times; links are copied as links) to a path that must not
// exist yet, and flushes every copied file to disk. On failure the partial
// copy is removed and errno is set.
bool CopyItemTree(const QString& sourcePath, const QString& destinationPath);

// Test hook: called before each step with the step; a non-zero answer is
// taken as the errno with which the step fails. An empty function (the
// default) fails nothing. Returns the previous hook.
using AtomicSwapFaultHook = std::function<int(AtomicSwapStep step)>;
AtomicSwapFaultHook SetAtomicSwapFaultHook(AtomicSwapFaultHook hook);
