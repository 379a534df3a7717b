#pragma once
// The content controller of a window's drawing tab. Its view is the drawing
// canvas; it follows the canvas in the chain of menu commands and carries
// the drawing's commands (editing, selecting, stacking, grouping, aligning,
// flipping, rotating, zooming). It is the undo delegate of its store: every
// entry is a snapshot of the whole element list and selection (or of the
// page set-up or the background picture), swapped with the live state on
// undo and redo. It also chooses the inspector's panes for the selection
// and hands the inspector's changes to the drawing.
//
// DRDrawVC.cpp: life, snapshots, panes, the settings route, the command
// table and its menu validation. DRDrawVCCommands.cpp: edit, select,
// restack and group. DRDrawVCArrange.cpp: align, distribute, flip, rotate
// and the view commands. DRDrawVCText.cpp: text, styles and paintings.

#include <QPointer>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <QVariantMap>
#include <cstdint>
#include <functional>
#include <vector>

#include "model/DRElementGroup.h"
#include "support/Measure.h"
#include "ui/editor/DRActionRouter.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DRDrawUndoRecord.h"
#include "ui/editor/DREditorAppServices.h"

class DRDrawView;
class DRElement;
class QAction;

class DRDrawVC : public DRContentVC, public DRActionTarget, public DRFontPanelDelegate {
  Q_OBJECT
 public:
  // The property of a command's sender (a QAction, a button) holding its
  // integer tag: the direction of a flip, the degrees of a fixed rotation,
  // the factor of a zoom, the step of selecting the next element.
  static const char* const kTagProperty;
  // The property in which validation leaves a menu item's state as a
  // Qt::CheckState, for items that can be mixed; the item is checked only
  // when the state is Qt::Checked.
  static const char* const kStateProperty;
  // The sender's tag; 0 without a sender or a tag.
  static int senderTag(const QObject* sender);

  DRDrawVC();
  ~DRDrawVC() override;

  // The canvas (not owned; the window's scroll area holds it).
  DRDrawView* view() const { return m_view; }
  void setView(DRDrawView* view);

  // Once the window controller has connected drawing, window and canvas:
  // follows the window's notifications and every bitmap about to take an
  // edited painting.
  void awakeFromNib();
  // Follows the selection and settings changes of the window while the
  // canvas is in it, and stops when the canvas leaves.
  void viewStatusChanged(QObject* window) override;

  // While set, a bitmap taking an edited painting opens no undo entry (the
  // window controller moving a painting back into the drawing).
  bool suppressUndo() const { return m_suppressUndo; }
  void setSuppressUndo(bool suppress) { m_suppressUndo = suppress; }

  // ---- DREditorContent ----
  DRContentKind contentKind() const override { return DRContentKind::kDrawing; }
  DREditorContentView* contentView() const override;

  // ---- Snapshots (CSUndoDelegate) ----
  bool setUndoAction(int action, int descriptor, void* data, uint64_t context) override;
  bool undoOrRedo(int* action, int descriptor, void* data, bool isRedo) override;
  QString undoActionName(int descriptor, void* data) override;
  void freeUndoAction(int action, int descriptor, void* data, bool freeAll) override;
  void didPopUndoAction(int action, int descriptor, void* data) override;

  // ---- Inspector panes ----
  // The panes of one element: interface-file names and controller class
  // names (either list may be null); the count, 0 while the drawing is
  // locked. `multiple` leaves out the notes pane.
  int getElement(const DRElement* element, bool multiple, QStringList* nibs, QStringList* controllers) const;
  // The panes every selected kind of element has; posts
  // "cs.reloadProperties" for the window.
  void selectionChanged();
  // Applies a settings change (the notification's user information) to the
  // selection.
  void settingChanged(const QVariantMap& userInfo);
  // A bitmap element (the notification's object) is about to take an
  // edited painting: an entry for it, when it belongs to this drawing.
  void updateBitmap(const void* element);

  // ---- Selection queries (the last selected element first) ----
  bool selectionIncludesType(int type) const;
  bool selectionIncludesTypeOrType(int type, int otherType) const;
  bool selectionExcludesType(int type) const;
  bool selectionExcludesTypeAndType(int type, int otherType) const;
  // Some selected element satisfies the predicate.
  bool selectionAnswers(const std::function<bool(const DRElement*)>& predicate) const;
  // The positions in the element list of the selected elements, ascending.
  std::vector<size_t> indexesOfSelectedElements() const;
  // Takes the selected elements out of the element list, back to front;
  // their former positions go to `indexes` when given.
  DRElementList extractSelection(std::vector<size_t>* indexes = nullptr);

  // ---- DRActionTarget ----
  bool respondsToSelector(const QString& selector) const override;
  bool performAction(const QString& selector, QObject* sender) override;
  bool validateMenuItem(const QString& selector, QAction* item) override;

  // ---- Commands: editing ----
  void undoEdit(QObject* sender);
  void redoEdit(QObject* sender);
  void copy(QObject* sender);
  void cut(QObject* sender);
  // "delete:"; named "Cut" on the Undo item when the sender is this controller.
  void deleteSelection(QObject* sender);
  void paste(QObject* sender);
  void duplicate(QObject* sender);

  // ---- Commands: selecting ----
  void selectAll(QObject* sender);
  void selectNone(QObject* sender);
  // Selects one element: the one above the last selected (wrapping) with a
  // non-zero tag, else the backmost.
  void selectElement(QObject* sender);
  void selectByType(QObject* sender);
  // The select-by-type sheet's answer: bit n selects elements of type n,
  // bit 13 curved polygons and bit 14 curved bent lines.
  void selectByTypes(uint64_t mask);

  // ---- Commands: stacking and grouping ----
  void bringForward(QObject* sender);
  void bringFront(QObject* sender);
  void sendBackward(QObject* sender);
  void sendBack(QObject* sender);
  // Gathers the selection into one run where the last selected element
  // stood: it tops the run with a tag below 1, else it starts it.
  void orderToSelection(QObject* sender);
  void group(QObject* sender);
  void groupMulti(QObject* sender);
  void ungroup(QObject* sender);

  // ---- Commands: geometry ----
  void align(QObject* sender);
  // Rows for each axis: 0 leave, 1 left or top, 2 right or bottom, 3
  // centred, 4 abutting; anything else counts as 0.
  void alignX(int x, int y);
  // Chains the selection from the last selected element with gaps of the
  // offset (measures); an axis with offset 0 lines up on the reference.
  void distributeBy(CSPoint offset);
  void flip(QObject* sender);
  void rotate(QObject* sender);
  void rotateFixed(QObject* sender);
  void scale(QObject* sender);
  void reset(QObject* sender);
  void reshape(QObject* sender);
  void resumePolygon(QObject* sender);

  // ---- Commands: text, styles and paintings (DRDrawVCText.cpp) ----
  // The sender's tag is the alignment (DRTextInfo's codes).
  void changeAlignment(QObject* sender);
  // The sender's tag: 0 plain, 1 bold, 2 italic, 3 underline; each toggles
  // what the item shows.
  void changeStyle(QObject* sender);
  // Joins the selected texts, top to bottom and left to right, into one.
  void combineText(QObject* sender);
  void copyTextStyle(QObject* sender);
  void pasteTextStyle(QObject* sender);
  void copyElementStyle(QObject* sender);
  void pasteElementStyle(QObject* sender);
  // A tag of 1 or more: one point larger than the largest text; else one
  // smaller than the smallest, never below 4 points.
  void resizeFont(QObject* sender);
  // Narrows the selected texts to their text.
  void shrinkText(QObject* sender);
  void showFonts(QObject* sender);
  void showFontColor(QObject* sender);
  // The font panel's change, applied to the selected texts.
  void changeFont(const FontConverter& convert) override;
  // The controls the font panel offers: face, size and collection.
  static constexpr int kFontPanelModes = 7;
  int validModesForFontPanel() const { return kFontPanelModes; }
  // Replaces the selection by one bitmap that looks the same.
  void makePainting(QObject* sender);
  // Asks for a size and makes a blank painting of it (newBitmap), opened in
  // a tab.
  void newPainting(QObject* sender);
  // A blank bitmap of the size (points), centred in the visible area under
  // the drawing's content, selected; null when it cannot be made or the
  // undo entry is refused.
  DRElement* newBitmap(QSizeF size);
  // Places image files in a column under the drawing's content.
  void importPaintings(QObject* sender);
  void insertShape(QObject* sender);
  void setBackground(QObject* sender);

  // ---- Commands: view ----
  void zoomIn(QObject* sender);
  void zoomOut(QObject* sender);
  void zoomByPercent(QObject* sender);
  void togglePageBreaks(QObject* sender);
  void showSelection(QObject* sender);

 private:
  // ---- Menu validation rules ----
  bool validateUndo(QAction* item);
  bool validateCopy(QAction* item);
  bool validatePaste(QAction* item);
  bool validateSelectionUnlocked(QAction* item);  // n > 0, unlocked
  bool validateMultipleUnlocked(QAction* item);   // n > 1, unlocked
  bool validateHasElements(QAction* item);        // the drawing has elements
  bool validateSelectElement(QAction* item);
  bool validateUngroup(QAction* item);
  bool validateFlip(QAction* item);
  bool validateNotOnlyLines(QAction* item);  // rotate, fixed rotations, reset
  bool validateScale(QAction* item);
  bool validateReshape(QAction* item);
  bool validateResumePolygon(QAction* item);
  bool validateZoomIn(QAction* item);
  bool validateZoomOut(QAction* item);
  bool validateUnlocked(QAction* item);
  bool validatePageBreaks(QAction* item);
  bool validateHasSelection(QAction* item);  // n > 0
  bool validateTextUnlocked(QAction* item);   // some text, unlocked
  bool validateChangeAlignment(QAction* item);
  bool validateChangeStyle(QAction* item);
  bool validateCombineText(QAction* item);
  bool validateCopyTextStyle(QAction* item);
  bool validatePasteTextStyle(QAction* item);
  bool validateCopyElementStyle(QAction* item);
  bool validatePasteElementStyle(QAction* item);
  bool validateMakePainting(QAction* item);
  // The state of a style item over the selected texts (tag as changeStyle).
  Qt::CheckState styleState(int tag) const;
  // The selected text elements, from the first selected.
  std::vector<DRElement*> selectedTexts() const;
  // Posts "twdraw.fontChange" for the window.
  void postFontChange();

  static const DRActionTable<DRDrawVC>& actionTable();

  bool isLocked() const;
  size_t selectionCount() const;
  // The selected elements in stacking order (back to front).
  std::vector<DRElement*> selectionInStackingOrder() const;
  // Asks for a new entry for a one-shot command.
  bool openUndoEntry(int action, int descriptor);
  // Closes the painting tabs of the bitmaps among the elements.
  void closeTabsForElements(const std::vector<DRElement*>& elements);
  // Sets the window's edited mark from the drawing's dirty state.
  void markDocumentEdited();
  // Puts taken elements back, in order, from the position on, redraws them
  // and ends a restacking command.
  void reinsertElements(DRElementList taken, size_t position);
  // Undo and redo; false when ending the canvas's modes already changed the
  // history (it took back or opened an entry), so the step the menu named
  // is no longer the one at hand.
  void undoOrRedoEdit(bool redo);

  QPointer<DRDrawView> m_view;
  bool m_observing = false;
  QObject* m_observedWindow = nullptr;
  bool m_suppressUndo = false;
  // Counts snapshots asked for and entries taken back, so a command can
  // tell whether something it called changed the history.
  uint64_t m_historyChanges = 0;
  // Runs of font size steps and of font panel changes each merge into one
  // entry (0: no id yet; ids count from 1).
  uint32_t m_fontSizeUndoID = 0;
  uint32_t m_fontUndoID = 0;
};
