#include <gtest/gtest.h>

#include <QWidget>
#include <memory>

#include "model/DRDrawing.h"
#include "model/FakeModelServices.h"
#include "ui/FakeEditorPrefs.h"
#include "ui/FakeEditorWindowHost.h"
#include "ui/FakePaneFactory.h"
#include "ui/editor/DRContentVC.h"

namespace {

// A controller whose snapshot is a counter: each entry records the value it
// had, and undoing an entry brings it back.
class CountingVC : public DRContentVC {
 public:
  CountingVC() { undoManager().setBufferSize(sizeof(int)); }
  DRContentKind contentKind() const override { return DRContentKind::kDrawing; }
  DREditorContentView* contentView() const override { return nullptr; }

  bool setUndoAction(int, int, void* data, uint64_t) override {
    *static_cast<int*>(data) = value;
    ++snapshots;
    return true;
  }
  bool undoOrRedo(int*, int, void* data, bool) override {
    std::swap(*static_cast<int*>(data), value);
    return true;
  }

  int value = 0;
  int snapshots = 0;
};

// What the undo commands do: no edit after an undo merges into an entry.
void UndoEdit(CountingVC& vc) {
  vc.resetCurrentUndoID();
  vc.undoManager().undo();
}

class ContentVCTest : public ::testing::Test {
 protected:
  FakeModelServices services;
  FakeEditorPrefs prefs;
  DRDrawing drawing;
};

TEST_F(ContentVCTest, TheUndoGate) {
  CountingVC vc;
  vc.setDrawing(&drawing);
  constexpr uint32_t kFresh = CSUndoManager::kFreshUndoID;

  // One gesture under one id makes one entry; undoing it reverts both steps.
  const uint32_t gesture = vc.newUndoID();
  EXPECT_EQ(gesture, 1u);
  ASSERT_TRUE(vc.setUndoID(gesture, 1, 0));
  vc.value = 1;
  ASSERT_TRUE(vc.setUndoID(gesture, 1, 0));
  vc.value = 2;
  EXPECT_EQ(vc.snapshots, 1);
  EXPECT_TRUE(vc.isUndoIDCurrent(gesture));

  // A fresh request always opens an entry, and the gesture's id stops being
  // current.
  ASSERT_TRUE(vc.setUndoID(kFresh, 1, 0));
  vc.value = 3;
  EXPECT_EQ(vc.snapshots, 2);
  EXPECT_FALSE(vc.isUndoIDCurrent(gesture));
  EXPECT_FALSE(vc.isUndoIDCurrent(kFresh));
  EXPECT_EQ(vc.currentUndoID(), 2u);  // the fresh request took the next id

  UndoEdit(vc);
  EXPECT_EQ(vc.value, 2);
  UndoEdit(vc);
  EXPECT_EQ(vc.value, 0);  // both steps of the gesture went at once

  // After an undo, the id current before it opens a new entry.
  const uint32_t typing = vc.newUndoID();
  ASSERT_TRUE(vc.setUndoID(typing, 1, 0));
  vc.value = 5;
  UndoEdit(vc);
  EXPECT_EQ(vc.value, 0);
  const int before = vc.snapshots;
  ASSERT_TRUE(vc.setUndoID(typing, 1, 0));
  EXPECT_EQ(vc.snapshots, before + 1);

  // After the store is emptied (a revert), the id that was current opens a
  // new entry too: the change stays undoable.
  vc.clearUndo();
  ASSERT_TRUE(vc.setUndoID(typing, 1, 0));
  EXPECT_EQ(vc.snapshots, before + 2);
  EXPECT_TRUE(vc.undoManager().isUndoAvailable());

  // A locked drawing refuses every request, the current id included.
  drawing.setLocked(true);
  EXPECT_FALSE(vc.setUndoID(typing, 1, 0));
  EXPECT_FALSE(vc.setUndoID(kFresh, 1, 0));
  EXPECT_EQ(vc.snapshots, before + 2);
}

TEST_F(ContentVCTest, ARefusedSnapshotIsARefusal) {
  class RefusingVC : public DRContentVC {
   public:
    DRContentKind contentKind() const override { return DRContentKind::kDrawing; }
    DREditorContentView* contentView() const override { return nullptr; }
  } vc;  // the base class takes no snapshot
  vc.setDrawing(&drawing);
  EXPECT_FALSE(vc.setUndoID(CSUndoManager::kFreshUndoID, 1, 0));
}

TEST_F(ContentVCTest, InspectorPanes) {
  prefs.openStatus.insert(QStringLiteral("PropertyLine"), false);
  FakeEditorWindowHost window;
  CountingVC vc;
  vc.setWindowController(&window);
  vc.setPropertyPanes(
      {QStringLiteral("PropertyPosition"), QStringLiteral("PropertyLine"), QStringLiteral("PropertyNotes")},
      {QStringLiteral("DRPropPositionVC"), QStringLiteral("DRPropLineVC"), QStringLiteral("DRPropNotesVC")});
  EXPECT_EQ(vc.numberOfLevels(), 3);
  window.isResizing = true;
  EXPECT_EQ(vc.numberOfLevels(), 0);
  window.isResizing = false;

  // Never seen: expanded, but the notes; then as the user left them, also
  // for a controller made later.
  EXPECT_TRUE(vc.shouldOpenLevel(0));
  EXPECT_FALSE(vc.shouldOpenLevel(1));
  EXPECT_FALSE(vc.shouldOpenLevel(2));
  vc.didOpenLevel(2);
  vc.didCloseLevel(0);
  EXPECT_TRUE(vc.shouldOpenLevel(2));
  EXPECT_FALSE(vc.shouldOpenLevel(0));
  CountingVC later;
  later.setPropertyPanes(vc.propertyNibs(), {QString(), QString(), QString()});
  EXPECT_FALSE(later.shouldOpenLevel(0));
  EXPECT_TRUE(later.shouldOpenLevel(2));
  EXPECT_FALSE(vc.shouldOpenLevel(7));

  // The inspector's factory makes the panes it knows; any other is a plain
  // pane named after its interface file.
  FakePaneFactory factory({QStringLiteral("DRPropLineVC")});
  QWidget parent;
  QWidget* known = vc.controllerForLevel(1, &parent);
  ASSERT_NE(known, nullptr);
  EXPECT_EQ(known->objectName(), QStringLiteral("DRPropLineVC:PropertyLine"));
  QWidget* plain = vc.controllerForLevel(0, &parent);
  ASSERT_NE(plain, nullptr);
  EXPECT_EQ(plain->objectName(), QStringLiteral("PropertyPosition"));
  EXPECT_EQ(vc.controllerForLevel(3, &parent), nullptr);
  EXPECT_TRUE(vc.nameForLevel(0).isNull());
}

}  // namespace
