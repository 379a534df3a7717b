#include "support/CSUndoManager.h"

#include <QAction>
#include <QGuiApplication>
#include <QWindow>
#include <algorithm>

#include "support/CSArray.h"
#include "support/CSCore.h"

namespace {

struct MenuHooks {
  std::function<bool()> modalWindow;
  std::function<void()> closePopovers;
  std::function<void()> beep;
};

MenuHooks& Hooks() {
  static MenuHooks hooks;
  return hooks;
}

bool IsModalWindowUp() {
  if (Hooks().modalWindow) return Hooks().modalWindow();
  return qGuiApp && QGuiApplication::modalWindow() != nullptr;
}

}  // namespace

CSUndoManager::CSUndoManager() = default;

CSUndoManager::~CSUndoManager() {
  // Frees every live snapshot; an owner that already cleared leaves nothing
  // to free, so its half-destroyed self is never called.
  clearUndo();
}

// ---- Set-up ------------------------------------------------------------------

void CSUndoManager::setDelegate(CSUndoDelegate* delegate) {
  m_delegate = delegate;
}

void CSUndoManager::setCapacity(uint32_t capacity) {
  if (m_entries) {
    LogString("CSUndoManager: capacity %u ignored, the records exist already.", capacity);
    return;
  }
  m_capacity = capacity;
}

void CSUndoManager::setBufferSize(uint32_t bufferSize) {
  // Records already made have their size; a delegate writing a larger one
  // into them would overrun the storage.
  if (m_entries) {
    LogString("CSUndoManager: buffer size %u ignored, the records exist already.", bufferSize);
    return;
  }
  m_bufferSize = bufferSize;
}

void CSUndoManager::setModalWindowPredicate(std::function<bool()> predicate) {
  Hooks().modalWindow = std::move(predicate);
}

void CSUndoManager::setClosePopoversFunction(std::function<void()> function) {
  Hooks().closePopovers = std::move(function);
}

void CSUndoManager::setBeepFunction(std::function<void()> function) {
  Hooks().beep = std::move(function);
}

void CSUndoManager::beep() {
  if (Hooks().beep) Hooks().beep();
}

// ---- Records -------------------------------------------------------------------

CSUndoManager::EntryHead* CSUndoManager::headAt(int64_t index) const {
  return static_cast<EntryHead*>(m_entries->entryAtIndex(uint64_t(index)));
}

void* CSUndoManager::dataAt(int64_t index) const {
  return static_cast<uint8_t*>(m_entries->entryAtIndex(uint64_t(index))) + kHeadBytes;
}

void CSUndoManager::freeEntry(int64_t index, bool freeAll) {
  EntryHead* head = headAt(index);
  if (m_delegate) m_delegate->freeUndoAction(head->action, head->descriptor, dataAt(index), freeAll);
  head->action = 0;
  head->descriptor = 0;
}

bool CSUndoManager::failAndClear() {
  clearUndo();
  m_undoSet = false;
  return false;
}

bool CSUndoManager::setUndoAction(int action, int descriptor, uint64_t context) {
  if (m_bufferSize == 0 || !m_delegate) return false;
  if (!m_entries) {
    if (m_bufferSize & 1) return false;  // records are whole 16-bit words
    // Records padded to whole 8-byte words keep every head and every
    // delegate's data aligned. All are in use from the start, zero-filled:
    // free records read as action 0, descriptor 0.
    const uint64_t recordSize = kHeadBytes + ((m_bufferSize + 7) & ~uint64_t(7));
    m_entries = CSArray::create(recordSize, m_capacity ? m_capacity : kDefaultCapacity, true);
    if (!m_entries) return false;
  }

  bool newRecord = true;
  if (isUndoAvailable() && m_okToGroup) {
    const EntryHead* head = headAt(m_currentEntry);
    if (head->action == action && head->descriptor == descriptor &&
        m_delegate->coalesceUndoAction(action, descriptor, dataAt(m_currentEntry), context)) {
      newRecord = false;
    }
  }

  killRedo();
  m_undoSet = false;

  if (newRecord) {
    ++m_currentEntry;
    if (uint64_t(m_currentEntry) == m_entries->count()) {
      if (m_capacity) {
        // Full ring: the oldest slot becomes the newest, still holding the
        // oldest snapshot, which is freed below before it is refilled.
        --m_currentEntry;
        const uint64_t length = m_entries->entryLength();
        void* scratch = AllocateMemory(length);
        if (!scratch) return failAndClear();
        m_entries->getEntry(scratch, 0);
        m_entries->deleteEntryAtIndex(0);
        m_entries->addEntry(scratch);  // cannot fail: a slot was just freed
        FreeMemory(scratch);
      } else if (m_entries->addEntry(nullptr) != uint64_t(m_currentEntry)) {
        --m_currentEntry;
        return failAndClear();
      }
    }
  }

  m_undoSet = true;

  if (newRecord) {
    freeEntry(m_currentEntry, false);
    EntryHead* head = headAt(m_currentEntry);
    head->action = action;
    head->descriptor = descriptor;
    if (!m_delegate->setUndoAction(action, descriptor, dataAt(m_currentEntry), context)) {
      // The history around a refused snapshot cannot be trusted: drop it all.
      popUndo();
      return failAndClear();
    }
  }

  m_okToGroup = true;
  m_inUseCount = uint32_t(m_currentEntry + 1);
  return true;
}

bool CSUndoManager::setUndoID(uint32_t undoId, int action, int descriptor, uint64_t context) {
  if (undoId == m_currentUndoID) return true;
  if (undoId == kFreshUndoID) undoId = newUndoID();
  m_currentUndoID = undoId;
  return setUndoAction(action, descriptor, context);
}

bool CSUndoManager::setNewUndoAction(int action, int descriptor) {
  m_currentUndoID = newUndoID();
  return setUndoAction(action, descriptor, 0);
}

uint32_t CSUndoManager::newUndoID() {
  const uint32_t undoId = m_nextUndoID++;
  // The two top values mean "none yet" and "fresh": never hand them out.
  if (m_nextUndoID >= kInitialUndoID) m_nextUndoID = 1;
  return undoId;
}

void CSUndoManager::killRedo() {
  for (int64_t i = m_currentEntry + 1; i < int64_t(m_inUseCount); ++i) freeEntry(i, false);
  m_inUseCount = uint32_t(m_currentEntry + 1);
}

void CSUndoManager::clearUndo() {
  for (int64_t i = 0; i < int64_t(m_inUseCount); ++i) freeEntry(i, false);
  m_inUseCount = 0;
  m_currentEntry = -1;
}

void CSUndoManager::popUndo() {
  if (!m_entries || !isUndoAvailable() || !m_undoSet) return;
  const EntryHead* head = headAt(m_currentEntry);
  if (m_delegate) m_delegate->didPopUndoAction(head->action, head->descriptor, dataAt(m_currentEntry));
  freeEntry(m_currentEntry, false);
  m_inUseCount = uint32_t(m_currentEntry);
  --m_currentEntry;
  m_undoSet = false;
}

uint32_t CSUndoManager::freeOldestRecords(uint32_t count) {
  if (!m_entries || m_currentEntry < 1) return 0;
  const uint32_t freed = std::min<uint32_t>(count, uint32_t(m_currentEntry));
  for (uint32_t i = 0; i < freed; ++i) {
    // The oldest slot, freed, goes to the end: the storage keeps its size
    // and the free slot reads as action 0, descriptor 0 like any other.
    freeEntry(0, false);
    const uint64_t length = m_entries->entryLength();
    void* scratch = AllocateMemory(length);
    if (!scratch) {
      // Nothing moved yet for this slot, but a freed record cannot stay
      // inside the history: drop the history as a full ring would.
      failAndClear();
      return i + 1;
    }
    m_entries->getEntry(scratch, 0);
    m_entries->deleteEntryAtIndex(0);
    m_entries->addEntry(scratch);  // cannot fail: a slot was just freed
    FreeMemory(scratch);
    --m_currentEntry;
    --m_inUseCount;
  }
  return freed;
}

void CSUndoManager::undo() {
  if (!m_entries) return;
  if (!isUndoAvailable()) {
    beep();
    return;
  }
  if (!m_delegate) return;
  m_okToGroup = false;
  m_undoSet = false;
  const int64_t index = m_currentEntry--;
  EntryHead* head = headAt(index);
  if (!m_delegate->undoOrRedo(&head->action, head->descriptor, dataAt(index), false)) clearUndo();
}

void CSUndoManager::redo() {
  if (!m_entries) return;
  if (!isRedoAvailable()) {
    beep();
    return;
  }
  if (!m_delegate) return;
  m_okToGroup = false;
  m_undoSet = false;
  const int64_t index = ++m_currentEntry;
  EntryHead* head = headAt(index);
  if (!m_delegate->undoOrRedo(&head->action, head->descriptor, dataAt(index), true)) clearUndo();
}

void CSUndoManager::enumerate(bool all, uint64_t context) {
  if (!m_entries || !m_delegate) return;
  // Undo records 0..current then redo records up to the in-use count: one
  // ascending walk.
  const int64_t last = all ? int64_t(m_entries->count()) : int64_t(m_inUseCount);
  for (int64_t i = 0; i < last; ++i) {
    const EntryHead* head = headAt(i);
    m_delegate->enumeratedUndoAction(head->action, head->descriptor, dataAt(i), context);
  }
}

void CSUndoManager::updateCurrentAction(int action) {
  if (m_entries && isUndoAvailable() && m_undoSet) headAt(m_currentEntry)->action = action;
}

void CSUndoManager::updateCurrentDescriptor(int descriptor) {
  if (m_entries && isUndoAvailable() && m_undoSet) headAt(m_currentEntry)->descriptor = descriptor;
}

void* CSUndoManager::dataForCurrentUndoAction(int* action, int* descriptor) {
  if (!m_entries || !isUndoAvailable() || !m_undoSet) return nullptr;
  const EntryHead* head = headAt(m_currentEntry);
  if (action) *action = head->action;
  if (descriptor) *descriptor = head->descriptor;
  return dataAt(m_currentEntry);
}

void* CSUndoManager::dataForPreviousUndoAction(int* action, int* descriptor) {
  if (!m_entries || m_currentEntry <= 0 || !m_undoSet) return nullptr;
  const EntryHead* head = headAt(m_currentEntry - 1);
  if (action) *action = head->action;
  if (descriptor) *descriptor = head->descriptor;
  return dataAt(m_currentEntry - 1);
}

// ---- Menu ------------------------------------------------------------------------

bool CSUndoManager::validateMenuItem(QAction* item) {
  if (Hooks().closePopovers) Hooks().closePopovers();
  const bool isUndo = item && item->objectName() == QLatin1String("undoEdit");
  QString title;
  const bool enabled = validateState(isUndo, &title);
  if (item) {
    // A menu would take an '&' in a change's name for a shortcut mark.
    item->setText(QString(title).replace(QLatin1Char('&'), QLatin1String("&&")));
    item->setEnabled(enabled);
  }
  return enabled;
}

bool CSUndoManager::validateState(bool undo, QString* title) {
  const bool available = undo ? isUndoAvailable() : isRedoAvailable();
  if (!available) {
    if (title) *title = undo ? QStringLiteral("Undo") : QStringLiteral("Redo");
    return false;
  }
  const int64_t index = undo ? m_currentEntry : m_currentEntry + 1;
  const QString name = m_delegate ? m_delegate->undoActionName(headAt(index)->descriptor, dataAt(index)) : QString();
  if (title) *title = StringWithFormat(undo ? "Undo %@" : "Redo %@", name);
  return !IsModalWindowUp();
}
