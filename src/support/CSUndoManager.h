#pragma once
// CSUndoManager: the snapshot undo store of one content controller. Before
// each change the delegate copies what the change alters into a fixed-size
// record; undo and redo hand the record back to be swapped with the live
// state. The manager orders and bounds the records (a ring of `capacity`),
// drops redo records when a new change comes, merges the steps of one
// gesture through undo ids, and names the Undo and Redo menu items.
//
// The delegate owns the manager, so it must call clearUndo() in its own
// destructor: by the time the manager is destroyed the delegate is only half
// there, and a manager with nothing left to free never calls it.

#include <QString>
#include <cstdint>
#include <functional>
#include <memory>

#include "support/CSUndoDelegate.h"

class CSArray;
class QAction;

class CSUndoManager {
 public:
  static constexpr uint32_t kDefaultCapacity = 25;
  static constexpr uint32_t kFreshUndoID = 0xFFFFFFFF;  // asks setUndoID() for a new id
  static constexpr uint32_t kInitialUndoID = 0xFFFFFFFE;

  CSUndoManager();
  ~CSUndoManager();
  CSUndoManager(const CSUndoManager&) = delete;
  CSUndoManager& operator=(const CSUndoManager&) = delete;

  // ---- Set-up (capacity and buffer size count only before the first record) ----
  CSUndoDelegate* delegate() const { return m_delegate; }
  void setDelegate(CSUndoDelegate* delegate);  // not owned
  uint32_t capacity() const { return m_capacity; }
  void setCapacity(uint32_t capacity);  // 0: no bound
  uint64_t bufferSize() const { return m_bufferSize; }
  void setBufferSize(uint32_t bufferSize);  // bytes of client data per record; even

  // ---- Records ----
  // Makes a record (or lets the delegate absorb the change into the current
  // one). False, with the state unchanged for the caller, when refused.
  bool setUndoAction(int action, int descriptor, uint64_t context = 0);
  // The same under an undo id: the id already open answers true at once;
  // kFreshUndoID takes a new id first.
  bool setUndoID(uint32_t undoId, int action, int descriptor, uint64_t context = 0);
  bool setNewUndoAction(int action, int descriptor);
  uint32_t newUndoID();
  bool isUndoIDActive(uint32_t undoId) const { return undoId == m_currentUndoID; }
  uint32_t currentUndoID() const { return m_currentUndoID; }

  void suppressCoalescing() { m_okToGroup = false; }
  bool okToGroup() const { return m_okToGroup; }
  void clearUndo();
  void killRedo();
  // Takes back the record just made (not after an undo or redo).
  void popUndo();
  // Frees the oldest records of the undo history, at most `count` and never
  // the newest one, and moves their slots to the end of the storage as a
  // full ring does; the records after them (and the redo history) keep
  // their order. Answers how many went. For a delegate whose snapshots
  // vary in size and that bounds them by bytes as well as by number.
  uint32_t freeOldestRecords(uint32_t count);
  // Undo records held now (the redo history not counted).
  uint32_t undoCount() const { return uint32_t(m_currentEntry + 1); }
  void undo();
  void redo();
  bool isUndoAvailable() const { return m_currentEntry >= 0; }
  bool isRedoAvailable() const { return m_currentEntry + 1 < int64_t(m_inUseCount); }

  // Visits every record of the storage (`all`) or the undo then redo history.
  void enumerate(bool all, uint64_t context);
  void updateCurrentAction(int action);
  void updateCurrentDescriptor(int descriptor);
  // The data of the record just made, or of the one before it; null unless
  // a record was made since the last undo, redo or pop.
  void* dataForCurrentUndoAction(int* action, int* descriptor);
  void* dataForPreviousUndoAction(int* action, int* descriptor);

  // ---- Menu ----
  // The Undo item is the one whose objectName is "undoEdit"; any other item
  // is taken as Redo. Closes open popovers, sets the item's title and
  // enabled state, and answers the latter.
  bool validateMenuItem(QAction* item);
  // "Undo"/"Redo" and false with nothing to do; otherwise "Undo %@"/"Redo %@"
  // and true unless a modal window is up.
  bool validateState(bool undo, QString* title);

  // Application-wide hooks, installed at start-up by the layer that has
  // windows. Null restores the default: modal state from QGuiApplication,
  // no popovers, no beep.
  static void setModalWindowPredicate(std::function<bool()> predicate);
  static void setClosePopoversFunction(std::function<void()> function);
  static void setBeepFunction(std::function<void()> function);

 private:
  // action 0 with descriptor 0 marks a free record; the delegate's data follows.
  struct EntryHead {
    int action;
    int descriptor;
  };
  static_assert(sizeof(EntryHead) == 8);
  static constexpr uint64_t kHeadBytes = sizeof(EntryHead);

  EntryHead* headAt(int64_t index) const;
  void* dataAt(int64_t index) const;
  void freeEntry(int64_t index, bool freeAll);
  bool failAndClear();
  static void beep();

  CSUndoDelegate* m_delegate = nullptr;
  uint64_t m_bufferSize = 0;
  std::unique_ptr<CSArray> m_entries;
  uint32_t m_capacity = 0;
  uint32_t m_inUseCount = 0;
  int64_t m_currentEntry = -1;  // the record the next undo restores; -1 for none
  uint32_t m_currentUndoID = kInitialUndoID;
  uint32_t m_nextUndoID = 1;
  bool m_okToGroup = false;
  bool m_undoSet = false;
};
