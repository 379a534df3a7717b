// The drawing controller's commands that edit, select, restack and group.

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <algorithm>
#include <limits>
#include <memory>

#include "model/DRDrawing.h"
#include "model/DRElement.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementClosed.h"
#include "model/DRElementGroup.h"
#include "model/DRElementMultipath.h"
#include "model/DRElementPolygon.h"
#include "support/Categories.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DREditorDialogs.h"
#include "ui/editor/DREditorWindowHost.h"
#include "ui/editor/DRUndoNames.h"

namespace {

// A duplicate lands this far from its source unless the user showed
// another offset: 16 points on both axes.
constexpr MeasureUnit kDuplicateOffset = 203200;

// The select-by-type bits of curved polygons and curved bent lines.
constexpr int kCurvedPolygonBit = 13;
constexpr int kCurvedBentLineBit = 14;

// The coordinate moved by the offset, never left of or above the page.
MeasureUnit OffsetCoordinate(MeasureUnit value, MeasureUnit offset) {
  const __int128 moved = __int128(value) + offset;
  if (moved < 0) return 0;
  if (moved > std::numeric_limits<MeasureUnit>::max()) return std::numeric_limits<MeasureUnit>::max();
  return MeasureUnit(moved);
}

void Beep() {
  QApplication::beep();
}

// Puts the canvas's copyable selection on the clipboard; false when nothing
// was written, which leaves the clipboard as it was.
bool CopyToClipboard(DRDrawView* view) {
  if (!view || !ClipboardServices().canTransferElements()) return false;
  view->normalize(true);
  auto pasteboard = std::make_unique<QMimeData>();
  ClipboardServices().CopyElements(view, pasteboard.get());
  if (pasteboard->formats().isEmpty()) return false;
  QApplication::clipboard()->setMimeData(pasteboard.release());
  return true;
}

}  // namespace

// ---- Editing --------------------------------------------------------------------------------

void DRDrawVC::undoEdit(QObject* sender) {
  (void)sender;
  undoOrRedoEdit(false);
}

void DRDrawVC::redoEdit(QObject* sender) {
  (void)sender;
  undoOrRedoEdit(true);
}

void DRDrawVC::undoOrRedoEdit(bool redo) {
  resetCurrentUndoID();
  if (m_view) {
    // Ending a polygon, a reshape or typing may take back the entry of an
    // element that turned out empty, or open one for a text to remove;
    // either way the entry the menu named is no longer the one on top, so
    // that step is the user's undo (or redo) and nothing more happens.
    const uint64_t before = m_historyChanges;
    m_view->normalize(true);
    if (m_historyChanges != before) {
      resetCurrentUndoID();
      return;
    }
  }
  if (redo)
    undoManager().redo();
  else
    undoManager().undo();
  if (m_view) m_view->ensureSelVisible();
  if (DREditorWindowHost* window = windowController()) window->validateTabs();
}

void DRDrawVC::copy(QObject* sender) {
  (void)sender;
  CopyToClipboard(m_view);
}

void DRDrawVC::cut(QObject* sender) {
  (void)sender;
  // What could not be copied stays in the drawing.
  if (!CopyToClipboard(m_view)) return;
  deleteSelection(this);
}

void DRDrawVC::deleteSelection(QObject* sender) {
  DRDrawing* drawing = this->drawing();
  // A locked drawing is left entirely alone: its painting tabs stay open.
  if (!m_view || !drawing || drawing->isLocked()) return;
  m_view->normalize(true);
  // The tabs close before the snapshot, so that it holds the paintings
  // they wrote back.
  closeTabsForElements(m_view->selection());
  if (!openUndoEntry(kUndoActionAddRemove, sender == this ? kUndoCut : kUndoDelete)) return;
  const std::vector<size_t> indexes = indexesOfSelectedElements();
  m_view->unselectAll(true);
  DRElementList& elements = drawing->elements();
  for (auto it = indexes.rbegin(); it != indexes.rend(); ++it) elements.erase(elements.begin() + ptrdiff_t(*it));
}

void DRDrawVC::paste(QObject* sender) {
  (void)sender;
  if (!m_view || !ClipboardServices().canTransferElements()) return;
  ClipboardServices().Paste(m_view, QApplication::clipboard()->mimeData(), -1, -1);
}

void DRDrawVC::duplicate(QObject* sender) {
  DRDrawing* drawing = this->drawing();
  if (!m_view || !drawing) return;
  // Not invalidating the offset: it is the one the user may have shown.
  m_view->normalize(false);
  if (!openUndoEntry(kUndoActionAddRemove, kUndoDuplicate)) return;
  CSPoint offset{kDuplicateOffset, kDuplicateOffset};
  if (senderTag(sender) == 0 && drawing->isDupOffsetValid()) offset = drawing->duplicationOffset();

  const std::vector<DRElement*> sources = selectionInStackingOrder();
  m_view->unselectAll(false);
  for (DRElement* source : sources) {
    std::unique_ptr<DRElement> copy = source->copy();
    if (!copy) continue;
    if (auto* bitmap = dynamic_cast<DRElementBitmap*>(copy.get())) {
      // The duplicate owns a painting of its own.
      bitmap->setGuid(GuidString());
      bitmap->setPainting(bitmap->painting());
      if (bitmap->painting()) bitmap->painting()->setGuid(GuidString());
    }
    CSRect frame = copy->frame();
    frame.x = OffsetCoordinate(frame.x, offset.x);
    frame.y = OffsetCoordinate(frame.y, offset.y);
    copy->setFrame(frame);
    DRElement* added = copy.get();
    drawing->elements().push_back(std::move(copy));
    m_view->addToSelection(added);
    m_view->invalidateElement(added);
  }
  m_view->selectionDidChange();
  m_view->setDrawingFrame();
  m_view->ensureSelVisible();
  m_view->forceSelectTool();
  drawing->setDuplicationOffset(offset);
  drawing->setDupOffsetValid(true);
}

// ---- Selecting ------------------------------------------------------------------------------

void DRDrawVC::selectAll(QObject* sender) {
  (void)sender;
  DRDrawing* drawing = this->drawing();
  if (!m_view || !drawing) return;
  m_view->normalize(false);
  m_view->unselectAll(false);
  m_view->forceSelectTool();
  m_view->setFocus(Qt::OtherFocusReason);
  for (const auto& element : drawing->elements()) {
    if (element) m_view->addToSelection(element.get());
  }
  m_view->selectionDidChange();
  m_view->setNeedsDisplay();
}

void DRDrawVC::selectNone(QObject* sender) {
  (void)sender;
  if (!m_view) return;
  m_view->normalize(false);
  m_view->unselectAll(true);
  m_view->forceSelectTool();
  m_view->setFocus(Qt::OtherFocusReason);
}

void DRDrawVC::selectElement(QObject* sender) {
  DRDrawing* drawing = this->drawing();
  if (!m_view || !drawing) return;
  const std::vector<DRElement*>& selection = m_view->selection();
  DRElement* last = selection.empty() ? nullptr : selection.back();
  selectNone(sender);
  const DRElementList& elements = drawing->elements();
  if (elements.empty()) {
    Beep();
    return;
  }
  DRElement* chosen = elements.front().get();
  if (last && elements.size() > 1 && senderTag(sender) != 0) {
    const auto found =
        std::find_if(elements.begin(), elements.end(), [last](const auto& element) { return element.get() == last; });
    // The one above; from the front element (or one no longer there) back
    // to the first.
    if (found != elements.end() && found + 1 != elements.end()) chosen = (found + 1)->get();
  }
  if (!chosen) return;
  m_view->addToSelection(chosen);
  m_view->invalidateElement(chosen);
  m_view->selectionDidChange();
  m_view->ensureSelVisible();
}

void DRDrawVC::selectByType(QObject* sender) {
  (void)sender;
  EditorDialogs().runTypeSelectSheet(windowController());
}

void DRDrawVC::selectByTypes(uint64_t mask) {
  DRDrawing* drawing = this->drawing();
  if (!m_view || !drawing) return;
  m_view->unselectAll(true);
  for (const auto& element : drawing->elements()) {
    if (!element) continue;
    int bit = element->elementType();
    if (bit == kElementPolygon || bit == kElementBentLine) {
      const auto* polygon = dynamic_cast<const DRElementPolygon*>(element.get());
      if (polygon && polygon->curves()) bit = bit == kElementPolygon ? kCurvedPolygonBit : kCurvedBentLineBit;
    }
    if (bit >= 0 && bit < 64 && (mask & (uint64_t(1) << bit))) m_view->addToSelection(element.get());
  }
  m_view->selectionDidChange();
  m_view->setNeedsDisplay();
  m_view->setFocus(Qt::OtherFocusReason);
}

// ---- Stacking ---------------------------------------------------------------------------------

void DRDrawVC::reinsertElements(DRElementList taken, size_t position) {
  DRElementList& elements = drawing()->elements();
  position = std::min(position, elements.size());
  std::vector<DRElement*> moved;
  moved.reserve(taken.size());
  for (const auto& element : taken) moved.push_back(element.get());
  elements.insert(elements.begin() + ptrdiff_t(position), std::make_move_iterator(taken.begin()),
                  std::make_move_iterator(taken.end()));
  for (DRElement* element : moved) {
    if (element) m_view->invalidateElement(element);
  }
  m_view->ensureSelVisible();
  m_view->setFocus(Qt::OtherFocusReason);
}

void DRDrawVC::bringForward(QObject* sender) {
  (void)sender;
  if (!m_view || !drawing() || selectionCount() == 0) return;
  m_view->normalize(true);
  if (!openUndoEntry(kUndoActionAddRemove, kUndoMoveForward)) return;
  std::vector<size_t> indexes;
  DRElementList taken = extractSelection(&indexes);
  if (taken.empty()) return;
  // Just above the unselected element that lay above the topmost selected
  // one; at the front when there was none.
  const size_t top = indexes.back();
  const size_t position = top + 2 - taken.size();
  reinsertElements(std::move(taken), std::min(position, drawing()->elements().size()));
}

void DRDrawVC::bringFront(QObject* sender) {
  (void)sender;
  if (!m_view || !drawing() || selectionCount() == 0) return;
  m_view->normalize(true);
  if (!openUndoEntry(kUndoActionAddRemove, kUndoMoveToFront)) return;
  DRElementList taken = extractSelection();
  reinsertElements(std::move(taken), drawing()->elements().size());
}

void DRDrawVC::sendBackward(QObject* sender) {
  (void)sender;
  if (!m_view || !drawing() || selectionCount() == 0) return;
  m_view->normalize(true);
  if (!openUndoEntry(kUndoActionAddRemove, kUndoMoveBackward)) return;
  std::vector<size_t> indexes;
  DRElementList taken = extractSelection(&indexes);
  if (taken.empty()) return;
  // Just below the unselected element that lay below the lowest selected one.
  const size_t low = indexes.front();
  reinsertElements(std::move(taken), low > 0 ? low - 1 : 0);
}

void DRDrawVC::sendBack(QObject* sender) {
  (void)sender;
  if (!m_view || !drawing() || selectionCount() == 0) return;
  m_view->normalize(true);
  if (!openUndoEntry(kUndoActionAddRemove, kUndoSendToBack)) return;
  reinsertElements(extractSelection(), 0);
}

void DRDrawVC::orderToSelection(QObject* sender) {
  DRDrawing* drawing = this->drawing();
  if (!m_view || !drawing || selectionCount() == 0) return;
  m_view->normalize(true);
  if (!openUndoEntry(kUndoActionAddRemove, kUndoOrderSelection)) return;
  DRElement* last = m_view->selection().back();
  std::vector<DRElement*> run = selectionInStackingOrder();
  DRElementList& elements = drawing->elements();
  const auto indexOf = [&elements](const DRElement* element) {
    const auto found =
        std::find_if(elements.begin(), elements.end(), [element](const auto& e) { return e.get() == element; });
    return found == elements.end() ? elements.size() : size_t(found - elements.begin());
  };
  if (indexOf(last) == elements.size()) return;
  std::erase(run, last);
  if (senderTag(sender) < 1)
    run.push_back(last);
  else
    run.insert(run.begin(), last);

  size_t anchor = indexOf(last);
  DRElementList taken;
  taken.reserve(run.size());
  for (DRElement* element : run) {
    const size_t index = indexOf(element);
    if (index == elements.size()) continue;
    if (index < anchor) --anchor;
    taken.push_back(std::move(elements[index]));
    elements.erase(elements.begin() + ptrdiff_t(index));
  }
  reinsertElements(std::move(taken), anchor);
}

// ---- Grouping ---------------------------------------------------------------------------------

void DRDrawVC::group(QObject* sender) {
  (void)sender;
  DRDrawing* drawing = this->drawing();
  // A locked drawing is left entirely alone: its painting tabs stay open.
  if (!m_view || !drawing || drawing->isLocked() || selectionCount() < 2) return;
  m_view->normalize(true);
  closeTabsForElements(m_view->selection());
  if (!openUndoEntry(kUndoActionChange, kUndoGroup)) return;
  DRElementList members = extractSelection();
  // Still on the page while the canvas redraws where they were.
  m_view->unselectAll(false);
  auto made = std::make_unique<DRElementGroup>(std::move(members));
  DRElement* group = made.get();
  drawing->elements().push_back(std::move(made));
  m_view->addToSelection(group);
  m_view->invalidateElement(group);
  m_view->selectionDidChange();
  m_view->ensureSelVisible();
}

void DRDrawVC::groupMulti(QObject* sender) {
  (void)sender;
  DRDrawing* drawing = this->drawing();
  if (!m_view || !drawing) return;
  m_view->normalize(true);
  if (!openUndoEntry(kUndoActionChange, kUndoGroup)) return;
  std::vector<DRElement*> shapes = selectionInStackingOrder();
  std::erase_if(shapes, [](const DRElement* element) { return !dynamic_cast<const DRElementClosed*>(element); });
  if (shapes.size() < 2) {
    // Nothing changes: the entry just opened goes again, and with it the
    // edited mark it set.
    undoManager().popUndo();
    Beep();
    return;
  }
  DRElementList& elements = drawing->elements();
  DRElementList members;
  members.reserve(shapes.size());
  for (DRElement* shape : shapes) {
    const auto found =
        std::find_if(elements.begin(), elements.end(), [shape](const auto& e) { return e.get() == shape; });
    if (found == elements.end()) continue;
    members.push_back(std::move(*found));
    elements.erase(found);
  }
  m_view->unselectAll(false);
  auto made = std::make_unique<DRElementMultipath>(std::move(members));
  DRElement* multipath = made.get();
  elements.push_back(std::move(made));
  m_view->addToSelection(multipath);
  m_view->invalidateElement(multipath);
  m_view->selectionDidChange();
  m_view->ensureSelVisible();
}

void DRDrawVC::ungroup(QObject* sender) {
  (void)sender;
  DRDrawing* drawing = this->drawing();
  if (!m_view || !drawing) return;
  m_view->normalize(true);
  if (!openUndoEntry(kUndoActionChange, kUndoUngroup)) return;
  DRElementList& elements = drawing->elements();
  std::vector<DRElement*> added;
  // The groups stay alive until the selection has let go of them.
  DRElementList emptied;
  const std::vector<DRElement*> selection = m_view->selection();
  for (auto it = selection.rbegin(); it != selection.rend(); ++it) {
    auto* group = dynamic_cast<DRElementGroup*>(*it);
    if (!group || group->elementType() != kElementGroup) continue;
    const auto found =
        std::find_if(elements.begin(), elements.end(), [group](const auto& e) { return e.get() == group; });
    if (found == elements.end()) continue;
    m_view->invalidateElement(group);
    emptied.push_back(std::move(*found));
    elements.erase(found);
    for (auto& member : group->ungroup()) {
      if (!member) continue;
      added.push_back(member.get());
      elements.push_back(std::move(member));
    }
  }
  m_view->unselectAll(false);
  m_view->setSelection(added);
  m_view->selectionDidChange();
  m_view->ensureSelVisible();
}
