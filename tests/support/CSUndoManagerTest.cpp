#include <gtest/gtest.h>

#include <QAction>
#include <QStringList>
#include <memory>

#include "support/CSUndoManager.h"
#include "testkit/LogCapture.h"

namespace {

// A document holding one number. Each snapshot owns a heap block, so a
// snapshot freed twice or never shows up under the address and leak checks.
struct Snapshot {
  int* saved;  // owned; null when free
  int serial;
  int pad;
};

class ScriptedDelegate : public CSUndoDelegate {
 public:
  int value = 0;
  bool refuse = false;
  bool coalesce = false;
  bool failUndo = false;
  int live = 0;        // snapshots held
  int emptyFrees = 0;  // free records handed over before they are filled
  QStringList calls;

  bool setUndoAction(int action, int descriptor, void* data, uint64_t context) override {
    calls << QStringLiteral("set %1 %2 %3").arg(action).arg(descriptor).arg(context);
    if (refuse) return false;
    auto* snapshot = static_cast<Snapshot*>(data);
    EXPECT_EQ(snapshot->saved, nullptr) << "a slot is filled before its old snapshot is freed";
    snapshot->saved = new int(value);
    snapshot->serial = ++m_serial;
    ++live;
    return true;
  }
  bool undoOrRedo(int* action, int descriptor, void* data, bool isRedo) override {
    calls << QStringLiteral("%1 %2 %3").arg(isRedo ? "redo" : "undo").arg(*action).arg(descriptor);
    std::swap(*static_cast<Snapshot*>(data)->saved, value);
    return !failUndo;
  }
  QString undoActionName(int descriptor, void*) override { return QStringLiteral("Step %1").arg(descriptor); }
  bool coalesceUndoAction(int action, int descriptor, void*, uint64_t) override {
    calls << QStringLiteral("coalesce %1 %2").arg(action).arg(descriptor);
    return coalesce;
  }
  void enumeratedUndoAction(int action, int descriptor, void* data, uint64_t context) override {
    const auto* snapshot = static_cast<Snapshot*>(data);
    calls << QStringLiteral("visit %1 %2 %3 %4").arg(action).arg(descriptor).arg(snapshot->serial).arg(context);
  }
  void freeUndoAction(int action, int descriptor, void* data, bool freeAll) override {
    EXPECT_FALSE(freeAll);
    auto* snapshot = static_cast<Snapshot*>(data);
    if (!action && !descriptor) ++emptyFrees;
    if (action || descriptor)
      calls << QStringLiteral("free %1 %2 #%3").arg(action).arg(descriptor).arg(snapshot->serial);
    if (snapshot->saved) --live;
    delete snapshot->saved;
    snapshot->saved = nullptr;
  }
  void didPopUndoAction(int action, int descriptor, void*) override {
    calls << QStringLiteral("pop %1 %2").arg(action).arg(descriptor);
  }

  // Changes the document under a record of (1, descriptor).
  bool change(CSUndoManager& manager, int newValue, int descriptor) {
    if (!manager.setUndoAction(1, descriptor)) return false;
    value = newValue;
    return true;
  }

 private:
  int m_serial = 0;
};

struct Fixture {
  ScriptedDelegate delegate;
  CSUndoManager manager;
  explicit Fixture(uint32_t capacity = 25) {
    manager.setDelegate(&delegate);
    manager.setCapacity(capacity);
    manager.setBufferSize(sizeof(Snapshot));
  }
  ~Fixture() { manager.clearUndo(); }
  int undoCount() {
    int n = 0;
    while (manager.isUndoAvailable()) {
      manager.undo();
      ++n;
    }
    return n;
  }
};

}  // namespace

TEST(CSUndoManager, UndoAndRedoSwapSnapshots) {
  Fixture f;
  EXPECT_FALSE(f.manager.isUndoAvailable());
  for (int v = 1; v <= 3; ++v) ASSERT_TRUE(f.delegate.change(f.manager, v * 10, v));
  EXPECT_EQ(f.delegate.emptyFrees, 3);
  EXPECT_EQ(f.delegate.live, 3);
  f.manager.undo();
  f.manager.undo();
  EXPECT_EQ(f.delegate.value, 10);
  EXPECT_TRUE(f.manager.isRedoAvailable());
  f.manager.redo();
  EXPECT_EQ(f.delegate.value, 20);
  f.manager.undo();
  f.manager.undo();
  EXPECT_EQ(f.delegate.value, 0);
  EXPECT_FALSE(f.manager.isUndoAvailable());
  EXPECT_EQ(f.delegate.calls.filter("undo").size() + f.delegate.calls.filter("redo").size(), 5);
}

TEST(CSUndoManager, TheRingDropsTheOldestWhenFull) {
  Fixture f(25);
  for (int v = 1; v <= 25; ++v) ASSERT_TRUE(f.delegate.change(f.manager, v, 7));
  EXPECT_EQ(f.delegate.calls.filter("free").size(), 0);
  f.delegate.calls.clear();
  ASSERT_TRUE(f.delegate.change(f.manager, 26, 8));
  // The oldest snapshot is released before its slot takes the new one.
  EXPECT_EQ(f.delegate.calls, (QStringList{"free 1 7 #1", "set 1 8 0"}));
  EXPECT_EQ(f.delegate.live, 25);
  EXPECT_EQ(f.undoCount(), 25);
  EXPECT_EQ(f.delegate.value, 1);  // the state before change 2
}

TEST(CSUndoManager, UnboundedStorageGrowsAndKeepsEverything) {
  Fixture f(0);
  for (int v = 1; v <= 40; ++v) ASSERT_TRUE(f.delegate.change(f.manager, v, 3));
  EXPECT_EQ(f.delegate.calls.filter("free").size(), 0);
  EXPECT_EQ(f.undoCount(), 40);
  EXPECT_EQ(f.delegate.value, 0);
}

TEST(CSUndoManager, ANewChangeFreesTheRedoRecordsInOrder) {
  Fixture f;
  for (int v = 1; v <= 3; ++v) f.delegate.change(f.manager, v, v);
  f.manager.undo();
  f.manager.undo();
  f.delegate.calls.clear();
  ASSERT_TRUE(f.delegate.change(f.manager, 9, 4));
  EXPECT_EQ(f.delegate.calls, (QStringList{"free 1 2 #2", "free 1 3 #3", "set 1 4 0"}));
  EXPECT_FALSE(f.manager.isRedoAvailable());
  EXPECT_EQ(f.delegate.live, 2);
  f.manager.undo();
  EXPECT_EQ(f.delegate.value, 1);
}

TEST(CSUndoManager, UndoIdsMergeOneGesture) {
  Fixture f;
  const uint32_t drag = f.manager.newUndoID();
  EXPECT_EQ(drag, 1u);
  ASSERT_TRUE(f.manager.setUndoID(drag, 1, 5));
  f.delegate.calls.clear();
  ASSERT_TRUE(f.manager.setUndoID(drag, 1, 5));  // same gesture: no call at all
  ASSERT_TRUE(f.manager.setUndoID(drag, 2, 9));
  EXPECT_TRUE(f.delegate.calls.isEmpty());
  EXPECT_TRUE(f.manager.isUndoIDActive(drag));

  // -1 takes a fresh id each time and opens a record...
  ASSERT_TRUE(f.manager.setUndoID(CSUndoManager::kFreshUndoID, 1, 5));
  EXPECT_EQ(f.manager.currentUndoID(), 2u);
  ASSERT_TRUE(f.manager.setUndoID(CSUndoManager::kFreshUndoID, 1, 5));
  EXPECT_EQ(f.manager.currentUndoID(), 3u);
  EXPECT_EQ(f.delegate.calls.filter("set").size(), 2);
  // ...unless the delegate absorbs the change into the current record.
  f.delegate.coalesce = true;
  f.delegate.calls.clear();
  ASSERT_TRUE(f.manager.setUndoID(CSUndoManager::kFreshUndoID, 1, 5));
  EXPECT_EQ(f.delegate.calls, QStringList{"coalesce 1 5"});
  // Absorbing needs the same action and descriptor, grouping allowed, and no undo in between.
  f.delegate.calls.clear();
  ASSERT_TRUE(f.manager.setNewUndoAction(1, 6));
  f.manager.suppressCoalescing();
  ASSERT_TRUE(f.manager.setNewUndoAction(1, 6));
  f.manager.undo();
  f.manager.redo();
  ASSERT_TRUE(f.manager.setNewUndoAction(1, 6));
  EXPECT_EQ(f.delegate.calls.filter("set").size(), 3);
  EXPECT_EQ(f.delegate.calls.filter("coalesce").size(), 0);
  EXPECT_EQ(f.undoCount(), 6);
}

TEST(CSUndoManager, ARefusedSnapshotEmptiesTheWholeHistory) {
  Fixture f;
  for (int v = 1; v <= 3; ++v) f.delegate.change(f.manager, v, v);
  f.delegate.refuse = true;
  f.delegate.calls.clear();
  EXPECT_FALSE(f.delegate.change(f.manager, 99, 4));
  EXPECT_EQ(f.delegate.value, 3);
  EXPECT_EQ(f.delegate.calls,
            (QStringList{"set 1 4 0", "pop 1 4", "free 1 4 #0", "free 1 1 #1", "free 1 2 #2", "free 1 3 #3"}));
  EXPECT_FALSE(f.manager.isUndoAvailable());
  EXPECT_FALSE(f.manager.isRedoAvailable());
  EXPECT_EQ(f.delegate.live, 0);
}

TEST(CSUndoManager, AFailedUndoClearsEverything) {
  Fixture f;
  for (int v = 1; v <= 3; ++v) f.delegate.change(f.manager, v, v);
  f.manager.undo();
  f.delegate.failUndo = true;
  f.manager.undo();
  EXPECT_FALSE(f.manager.isUndoAvailable());
  EXPECT_FALSE(f.manager.isRedoAvailable());
  EXPECT_EQ(f.delegate.live, 0);
}

TEST(CSUndoManager, PopTakesBackOnlyTheRecordJustMade) {
  Fixture f;
  f.delegate.change(f.manager, 1, 1);
  f.delegate.change(f.manager, 2, 2);
  int action = 0, descriptor = 0;
  ASSERT_NE(f.manager.dataForCurrentUndoAction(&action, &descriptor), nullptr);
  EXPECT_EQ(descriptor, 2);
  f.manager.updateCurrentAction(4);
  f.manager.updateCurrentDescriptor(44);
  auto* previous = static_cast<Snapshot*>(f.manager.dataForPreviousUndoAction(&action, &descriptor));
  ASSERT_NE(previous, nullptr);
  EXPECT_EQ(*previous->saved, 0);
  EXPECT_EQ(descriptor, 1);

  f.delegate.calls.clear();
  f.manager.popUndo();
  EXPECT_EQ(f.delegate.calls, (QStringList{"pop 4 44", "free 4 44 #2"}));
  f.manager.popUndo();  // only once
  EXPECT_EQ(f.delegate.calls.size(), 2);
  EXPECT_TRUE(f.manager.isUndoAvailable());

  f.delegate.change(f.manager, 3, 3);
  f.manager.undo();
  f.delegate.calls.clear();
  f.manager.popUndo();  // after an undo: nothing
  EXPECT_EQ(f.manager.dataForCurrentUndoAction(nullptr, nullptr), nullptr);
  EXPECT_TRUE(f.delegate.calls.isEmpty());
  EXPECT_TRUE(f.manager.isRedoAvailable());
}

TEST(CSUndoManager, EnumeratesHistoryOrEveryRecord) {
  Fixture f(4);
  for (int v = 1; v <= 3; ++v) f.delegate.change(f.manager, v, v);
  f.manager.undo();
  f.delegate.calls.clear();
  f.manager.enumerate(false, 9);
  EXPECT_EQ(f.delegate.calls, (QStringList{"visit 1 1 1 9", "visit 1 2 2 9", "visit 1 3 3 9"}));
  f.delegate.calls.clear();
  f.manager.enumerate(true, 0);
  EXPECT_EQ(f.delegate.calls.size(), 4);
  EXPECT_EQ(f.delegate.calls.last(), "visit 0 0 0 0");  // a free record
}

TEST(CSUndoManager, RefusesWithoutBufferOrDelegate) {
  CSUndoManager manager;
  ScriptedDelegate delegate;
  EXPECT_FALSE(manager.setUndoAction(1, 1));  // no delegate
  manager.setDelegate(&delegate);
  EXPECT_FALSE(manager.setUndoAction(1, 1));  // no buffer size
  manager.setBufferSize(3);                   // records must be even
  EXPECT_FALSE(manager.setUndoAction(1, 1));
  EXPECT_TRUE(delegate.calls.isEmpty());

  manager.setBufferSize(sizeof(Snapshot));
  ASSERT_TRUE(manager.setUndoAction(1, 1));
  LogCapture log;
  manager.setBufferSize(4096);  // the records exist: a larger size would overrun them
  manager.setCapacity(3);
  EXPECT_EQ(manager.bufferSize(), sizeof(Snapshot));
  EXPECT_EQ(manager.capacity(), 0u);
  EXPECT_EQ(log.lines().size(), 2);
  manager.clearUndo();
  EXPECT_EQ(delegate.live, 0);
}

// Records of an odd number of 16-bit words still give aligned heads and data.
TEST(CSUndoManager, SmallRecordsStayAligned) {
  struct ShortDelegate : CSUndoDelegate {
    uint16_t value = 0;
    bool setUndoAction(int, int, void* data, uint64_t) override {
      EXPECT_EQ(reinterpret_cast<uintptr_t>(data) % 8, 0u);
      *static_cast<uint16_t*>(data) = value;
      return true;
    }
    bool undoOrRedo(int* action, int, void* data, bool) override {
      *action += 10;  // the delegate may retag the record
      std::swap(*static_cast<uint16_t*>(data), value);
      return true;
    }
    QString undoActionName(int, void*) override { return QString(); }
  } delegate;
  CSUndoManager manager;
  manager.setDelegate(&delegate);
  manager.setBufferSize(2);
  for (uint16_t v = 1; v <= 5; ++v) {
    ASSERT_TRUE(manager.setUndoAction(1, v));
    delegate.value = v;
  }
  for (int i = 0; i < 5; ++i) manager.undo();
  EXPECT_EQ(delegate.value, 0);
  manager.redo();
  EXPECT_EQ(delegate.value, 1);
  manager.setUndoAction(1, 9);  // a fresh record, so it can be read back
  int action = 0;
  EXPECT_NE(manager.dataForPreviousUndoAction(&action, nullptr), nullptr);
  EXPECT_EQ(action, 21);  // retagged by the undo and by the redo
}

TEST(CSUndoManager, MenuTitlesAndEnabledState) {
  int beeps = 0, popoverCloses = 0;
  bool modal = false;
  CSUndoManager::setBeepFunction([&] { ++beeps; });
  CSUndoManager::setClosePopoversFunction([&] { ++popoverCloses; });
  CSUndoManager::setModalWindowPredicate([&] { return modal; });

  Fixture f;
  QString title;
  EXPECT_FALSE(f.manager.validateState(true, &title));
  EXPECT_EQ(title, "Undo");
  EXPECT_FALSE(f.manager.validateState(false, &title));
  EXPECT_EQ(title, "Redo");
  f.manager.undo();
  f.manager.redo();
  EXPECT_EQ(beeps, 0);  // no records yet: not even a beep

  f.delegate.change(f.manager, 1, 12);
  f.delegate.change(f.manager, 2, 13);
  f.manager.undo();
  EXPECT_TRUE(f.manager.validateState(true, &title));
  EXPECT_EQ(title, "Undo Step 12");
  EXPECT_TRUE(f.manager.validateState(false, &title));
  EXPECT_EQ(title, "Redo Step 13");

  QAction undoItem;
  undoItem.setObjectName("undoEdit");
  QAction redoItem;
  redoItem.setObjectName("redoEdit");
  modal = true;
  EXPECT_FALSE(f.manager.validateMenuItem(&undoItem));
  EXPECT_EQ(undoItem.text(), "Undo Step 12");
  EXPECT_FALSE(undoItem.isEnabled());
  modal = false;
  EXPECT_TRUE(f.manager.validateMenuItem(&redoItem));
  EXPECT_EQ(redoItem.text(), "Redo Step 13");
  EXPECT_TRUE(redoItem.isEnabled());
  EXPECT_EQ(popoverCloses, 2);

  f.manager.redo();
  f.manager.redo();  // nothing to redo
  EXPECT_EQ(beeps, 1);
  f.manager.undo();
  f.manager.undo();
  f.manager.undo();
  EXPECT_EQ(beeps, 2);
  EXPECT_FALSE(f.manager.validateMenuItem(&undoItem));
  EXPECT_EQ(undoItem.text(), "Undo");

  CSUndoManager::setBeepFunction(nullptr);
  CSUndoManager::setClosePopoversFunction(nullptr);
  CSUndoManager::setModalWindowPredicate(nullptr);
  // The default asks the application, which has no modal window here.
  f.delegate.change(f.manager, 5, 1);
  EXPECT_TRUE(f.manager.validateState(true, &title));
}

// The owner of a manager is its delegate; it clears the history in its own
// destructor, so the manager never calls into a half-destroyed delegate.
TEST(CSUndoManager, DestructionFreesEverySnapshotOnce) {
  struct Owner : ScriptedDelegate {
    QStringList* log;
    CSUndoManager manager;
    explicit Owner(QStringList* l) : log(l) {
      manager.setDelegate(this);
      manager.setBufferSize(sizeof(Snapshot));
      manager.setCapacity(5);
    }
    ~Owner() override {
      manager.clearUndo();
      *log = calls;
      EXPECT_EQ(live, 0);
      calls.clear();
    }
  };
  QStringList log;
  {
    auto owner = std::make_unique<Owner>(&log);
    for (int v = 1; v <= 8; ++v) owner->change(owner->manager, v, v);
    owner->manager.undo();
    owner->manager.undo();  // two redo records stay live too
  }
  EXPECT_EQ(log.filter("free").size(), 3 + 5);  // three dropped by the ring, five at the end
  EXPECT_EQ(log.filter("free 1 8").size(), 1);

  // A manager destroyed on its own frees what it still holds through its delegate.
  ScriptedDelegate delegate;
  {
    CSUndoManager manager;
    manager.setDelegate(&delegate);
    manager.setBufferSize(sizeof(Snapshot));
    for (int v = 1; v <= 4; ++v) delegate.change(manager, v, v);
    manager.undo();
  }
  EXPECT_EQ(delegate.live, 0);
  EXPECT_EQ(delegate.calls.filter("free").size(), 4);
}

TEST(CSUndoManager, FreeingTheOldestRecordsKeepsTheNewestAndTheRedoHistory) {
  struct Case {
    uint32_t capacity;
    uint32_t asked;
    uint32_t freed;
  };
  // Five changes, one undone: four undo records and one redo record.
  const Case cases[] = {{25, 2, 2}, {25, 10, 3}, {0, 1, 1}, {5, 0, 0}};
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << "capacity " << c.capacity << " asked " << c.asked);
    Fixture f(c.capacity);
    for (int v = 1; v <= 5; ++v) ASSERT_TRUE(f.delegate.change(f.manager, v, v));
    f.manager.undo();
    f.delegate.calls.clear();
    EXPECT_EQ(f.manager.freeOldestRecords(c.asked), c.freed);
    EXPECT_EQ(f.delegate.calls.filter("free").size(), qsizetype(c.freed));
    if (c.freed) EXPECT_EQ(f.delegate.calls.first(), QStringLiteral("free 1 1 #1"));
    EXPECT_EQ(f.delegate.live, 5 - int(c.freed));
    EXPECT_EQ(f.manager.undoCount(), 4 - c.freed);
    // The redo record is still there and still the newest change.
    ASSERT_TRUE(f.manager.isRedoAvailable());
    f.manager.redo();
    EXPECT_EQ(f.delegate.value, 5);
    EXPECT_EQ(f.undoCount(), 5 - int(c.freed));
    // What is left undoes to the state before the oldest record kept.
    EXPECT_EQ(f.delegate.value, int(c.freed));
    // Freed slots are reused for new records without a second free.
    for (int v = 6; v <= 12; ++v) ASSERT_TRUE(f.delegate.change(f.manager, v, v));
    EXPECT_EQ(f.delegate.live, int(f.manager.undoCount()) + (f.manager.isRedoAvailable() ? 1 : 0));
  }
}

TEST(CSUndoManager, FreeingTheOldestNeedsTwoRecords) {
  Fixture f;
  EXPECT_EQ(f.manager.freeOldestRecords(3), 0u);  // no storage yet
  ASSERT_TRUE(f.delegate.change(f.manager, 1, 1));
  EXPECT_EQ(f.manager.freeOldestRecords(3), 0u);
  EXPECT_EQ(f.manager.undoCount(), 1u);
}
