#pragma once
// What a CSUndoManager asks of the object whose changes it records. The
// delegate copies the state a coming change alters into a record's data,
// swaps it back on undo and redo, and owns whatever the data holds.
// The last four operations are optional; their defaults do what a delegate
// without them needs.

#include <QString>
#include <cstdint>

class CSUndoDelegate {
 public:
  virtual ~CSUndoDelegate() = default;

  // Copies the state that the coming change alters into `data`; false refuses
  // the change.
  virtual bool setUndoAction(int action, int descriptor, void* data, uint64_t context) = 0;
  // Swaps the snapshot in `data` with the live state; may rewrite `*action`.
  // False means the history can no longer be trusted.
  virtual bool undoOrRedo(int* action, int descriptor, void* data, bool isRedo) = 0;
  // The change's name for the Undo and Redo menu items.
  virtual QString undoActionName(int descriptor, void* data) = 0;

  // True: the coming change is absorbed by the current record (`data`), and
  // no new record is made. By default nothing is absorbed.
  virtual bool coalesceUndoAction(int action, int descriptor, void* data, uint64_t context) {
    (void)action, (void)descriptor, (void)data, (void)context;
    return false;
  }
  // One record visited by CSUndoManager::enumerate().
  virtual void enumeratedUndoAction(int action, int descriptor, void* data, uint64_t context) {
    (void)action, (void)descriptor, (void)data, (void)context;
  }
  // Releases what `data` holds. Also called for free records (action 0,
  // descriptor 0) before they are filled, so it must leave `data` safe to
  // free again.
  virtual void freeUndoAction(int action, int descriptor, void* data, bool freeAll) {
    (void)action, (void)descriptor, (void)data, (void)freeAll;
  }
  // The record was taken back by CSUndoManager::popUndo(); it is freed next.
  virtual void didPopUndoAction(int action, int descriptor, void* data) { (void)action, (void)descriptor, (void)data; }
};
