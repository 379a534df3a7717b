#pragma once
// The common base of a window's content controllers (the drawing tab's and
// each painting tab's). It owns the tab's snapshot undo store and is its
// delegate, hands out undo ids and opens undo entries for every part of the
// interface that is about to change the document, refusing while the
// drawing is locked, and feeds the inspector its panes.
//
// Every change made from the interface asks setUndoID() first and changes
// nothing when the answer is false. A gesture that changes the document
// many times (a slider, typing, nudging, a drag) keeps one id: the first
// change opens an entry and the later ones merge into it, until another
// change opens an entry of its own.

#include <QObject>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <cstdint>
#include <memory>

#include "support/CSUndoDelegate.h"
#include "support/CSUndoManager.h"
#include "ui/editor/DREditorContent.h"

class DRDrawing;
class DREditorWindowHost;
class QWidget;

class DRContentVC : public QObject, public CSUndoDelegate, public DREditorContent {
  Q_OBJECT
 public:
  // The inspector shows at most this many panes.
  static constexpr int kMaxPropertyLevels = 9;

  DRContentVC();
  ~DRContentVC() override;

  DRDrawing* drawing() const { return m_drawing; }
  void setDrawing(DRDrawing* drawing) { m_drawing = drawing; }  // not owned
  DREditorWindowHost* windowController() const { return m_windowController; }
  void setWindowController(DREditorWindowHost* controller) { m_windowController = controller; }  // not owned
  CSUndoManager& undoManager() { return *m_undoManager; }

  // ---- Undo ids ----
  // Ids count up from 1; CSUndoManager::kFreshUndoID asks for a new entry,
  // and kInitialUndoID is the current id when no entry is open (at creation
  // and after every undo or redo), which no caller holds.
  uint32_t newUndoID() { return m_nextUndoID++; }
  bool isUndoIDCurrent(uint32_t undoId) const { return undoId == m_currentUndoID; }
  uint32_t currentUndoID() const { return m_currentUndoID; }
  // The undo and redo commands call it before they undo or redo, so that no
  // later edit merges into an entry.
  void resetCurrentUndoID() { m_currentUndoID = CSUndoManager::kInitialUndoID; }
  // Empties the undo store; the id that was current opens a new entry
  // afterwards, as there is none left to merge into.
  void clearUndo() {
    m_undoManager->clearUndo();
    resetCurrentUndoID();
  }
  // Opens an entry for the change about to be made, or merges into the one
  // open under this id; false (change nothing) while the drawing is locked
  // or when the store refuses the snapshot. Either way the drawing notes the
  // time of the edit for its autosave copy.
  bool setUndoID(uint32_t undoId, int action, int descriptor);

  // The canvas entered or left a window (null); nothing here.
  virtual void viewStatusChanged(QObject* window) { (void)window; }

  // ---- The inspector's panes ----
  // The subclass fills the list for the selection: pane by pane, the
  // interface file's name and the controller class's name.
  void setPropertyPanes(const QStringList& interfaceNames, const QStringList& controllerNames);
  const QStringList& propertyNibs() const { return m_propertyNibs; }
  // No panes while the window is being resized.
  int numberOfLevels() const;
  // A new pane for the level (a plain widget when no class is known).
  QWidget* controllerForLevel(int level, QWidget* parent) const;
  // The panes carry no title of their own.
  QString nameForLevel(int level) const {
    (void)level;
    return QString();
  }
  // Whether the level starts expanded: as the user left that pane, else
  // expanded, except the notes pane.
  bool shouldOpenLevel(int level) const;
  void didOpenLevel(int level) { rememberOpenState(level, true); }
  void didCloseLevel(int level) { rememberOpenState(level, false); }

  // ---- CSUndoDelegate: the subclasses take and restore the snapshots ----
  bool setUndoAction(int action, int descriptor, void* data, uint64_t context) override;
  bool undoOrRedo(int* action, int descriptor, void* data, bool isRedo) override;
  QString undoActionName(int descriptor, void* data) override;

 private:
  void rememberOpenState(int level, bool open);
  // An entry was opened or merged into: the drawing's last edit is now.
  void noteEdit();

  DREditorWindowHost* m_windowController = nullptr;
  DRDrawing* m_drawing = nullptr;
  std::unique_ptr<CSUndoManager> m_undoManager;
  uint32_t m_nextUndoID = 1;
  uint32_t m_currentUndoID = CSUndoManager::kInitialUndoID;
  QStringList m_propertyNibs;
  QStringList m_propertyControllers;
  QVariantMap m_openStatus;
};
