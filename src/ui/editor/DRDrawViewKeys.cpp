// The canvas's keyboard: the focus, the keys bound to its actions (arrows
// nudge or scroll, Escape cancels, Delete deletes, Space toggles the select
// tool), the modifier keys' cursors, and the system services.

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMimeData>
#include <QScrollArea>
#include <QScrollBar>
#include <algorithm>
#include <cmath>

#include "model/DRElement.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/editor/DRActionRouter.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/EditorEvents.h"

QStringList g_servicesSendTypes{QStringLiteral("image/tiff"), QStringLiteral("application/pdf"),
                                QStringLiteral("text/rtf"), QStringLiteral("text/plain")};

namespace {

enum class KeyAction {
  kNone,
  kInsertText,
  kMoveLeft,
  kMoveRight,
  kMoveUp,
  kMoveDown,
  kScrollPageUp,
  kScrollPageDown,
  kScrollToBeginningOfDocument,
  kScrollToEndOfDocument,
  kDeleteBackward,
  kDeleteForward,
};

struct KeyBinding {
  int key;
  KeyAction action;
};

// The platform's bindings of the keys the canvas acts on when pressed
// without modifiers (the keypad's own flag aside). Tab and Backtab move the
// focus through the window before a key reaches the canvas.
constexpr KeyBinding kKeyBindings[] = {
    {Qt::Key_Left, KeyAction::kMoveLeft},
    {Qt::Key_Right, KeyAction::kMoveRight},
    {Qt::Key_Up, KeyAction::kMoveUp},
    {Qt::Key_Down, KeyAction::kMoveDown},
    {Qt::Key_PageUp, KeyAction::kScrollPageUp},
    {Qt::Key_PageDown, KeyAction::kScrollPageDown},
    {Qt::Key_Home, KeyAction::kScrollToBeginningOfDocument},
    {Qt::Key_End, KeyAction::kScrollToEndOfDocument},
    {Qt::Key_Backspace, KeyAction::kDeleteBackward},
    {Qt::Key_Delete, KeyAction::kDeleteForward},
};

KeyAction ActionForKey(const QKeyEvent* event) {
  // Function keys are the window's commands.
  if (FunctionKeyForEvent(event, true) != 0) return KeyAction::kNone;
  const Qt::KeyboardModifiers modifiers = event->modifiers() & ~Qt::KeypadModifier;
  const bool plain = modifiers == Qt::NoModifier;
  // Digits, on the keypad too, and the hexadecimal letters are typed text.
  if (DecodeNumericKeyCode(event) != kKeyNotFound)
    return plain || modifiers == Qt::ShiftModifier ? KeyAction::kInsertText : KeyAction::kNone;
  if (plain) {
    for (const KeyBinding& binding : kKeyBindings) {
      if (binding.key == event->key()) return binding.action;
    }
  }
  const QString text = event->text();
  if ((plain || modifiers == Qt::ShiftModifier) && !text.isEmpty() && text.front().isPrint())
    return KeyAction::kInsertText;
  return KeyAction::kNone;
}

// The modifier a modifier key sets; none for another key.
Qt::KeyboardModifier ModifierOfKey(int key) {
  switch (key) {
    case Qt::Key_Shift:
      return Qt::ShiftModifier;
    case Qt::Key_Control:
      return Qt::ControlModifier;
    case Qt::Key_Alt:
      return Qt::AltModifier;
    case Qt::Key_Meta:
      return Qt::MetaModifier;
    default:
      return Qt::NoModifier;
  }
}

}  // namespace

// ---- The focus -------------------------------------------------------------------------

void DRDrawView::resignFirstResponder(QFocusEvent* event) {
  setNeedsDisplay();
  // A menu or another window holding the focus for a while is not leaving,
  // nor is the canvas handing it to its own field editor.
  const Qt::FocusReason reason = event ? event->reason() : Qt::OtherFocusReason;
  if (reason == Qt::PopupFocusReason || reason == Qt::ActiveWindowFocusReason) return;
  QWidget* next = QApplication::focusWidget();
  if (next && isAncestorOf(next)) return;
  normalize(false);
}

// ---- Keys ------------------------------------------------------------------------------

void DRDrawView::keyPressEvent(QKeyEvent* event) {
  if (ModifierOfKey(event->key()) != Qt::NoModifier) {
    flagsChanged(event);
    QWidget::keyPressEvent(event);
    return;
  }
  // Keys during a mouse drag are dropped.
  if (m_trackType != kTrackNone) {
    event->accept();
    return;
  }
  // A key the field editor left alone goes on to the window.
  QWidget* focus = QApplication::focusWidget();
  if (focus && focus != this && isAncestorOf(focus)) {
    event->ignore();
    return;
  }
  if (event->key() == Qt::Key_Escape) {
    event->accept();
    cancelOperation();
    return;
  }
  if (interpretKeyEvent(event))
    event->accept();
  else
    QWidget::keyPressEvent(event);
}

void DRDrawView::keyReleaseEvent(QKeyEvent* event) {
  if (ModifierOfKey(event->key()) != Qt::NoModifier) flagsChanged(event);
  QWidget::keyReleaseEvent(event);
}

bool DRDrawView::interpretKeyEvent(QKeyEvent* event) {
  auto perform = [this](const char* selector) {
    if (auto* target = dynamic_cast<DRActionTarget*>(m_viewController.data()))
      target->performAction(QString::fromLatin1(selector), nullptr);
  };
  switch (ActionForKey(event)) {
    case KeyAction::kNone:
      return false;
    case KeyAction::kInsertText:
      // Only a space means something here: back and forth between the
      // select tool and the last other tool.
      if (event->text().startsWith(u' ')) toggleSelectTool();
      return true;
    case KeyAction::kMoveLeft:
      moveBy(-1, 0);
      return true;
    case KeyAction::kMoveRight:
      moveBy(1, 0);
      return true;
    case KeyAction::kMoveUp:
      moveBy(0, -1);
      return true;
    case KeyAction::kMoveDown:
      moveBy(0, 1);
      return true;
    case KeyAction::kScrollPageUp:
      scrollPage(true);
      return true;
    case KeyAction::kScrollPageDown:
      scrollPage(false);
      return true;
    case KeyAction::kScrollToBeginningOfDocument:
      scrollToPoint(QPointF(0, 0));
      return true;
    case KeyAction::kScrollToEndOfDocument:
      scrollToPoint(QPointF(width() / m_zoomValue, height() / m_zoomValue));
      return true;
    case KeyAction::kDeleteBackward:
    case KeyAction::kDeleteForward:
      perform("delete:");
      return true;
  }
  return false;
}

void DRDrawView::cancelOperation() {
  const bool typing = m_typingView != nullptr;
  stopTyping();
  if (!typing || !m_viewController || !m_viewController->isUndoIDCurrent(m_typeUndoID)) return;
  // What the run typed into an existing text goes, with no way to redo it.
  if (auto* target = dynamic_cast<DRActionTarget*>(m_viewController.data())) {
    target->performAction(QStringLiteral("undoEdit:"), nullptr);
  } else {
    m_viewController->resetCurrentUndoID();
    m_viewController->undoManager().undo();
  }
  m_viewController->undoManager().killRedo();
}

void DRDrawView::flagsChanged(QKeyEvent* event) {
  if (!event) return;
  Qt::KeyboardModifiers modifiers = event->modifiers();
  // The key's own modifier counts as the event says, whatever state the
  // platform reported with it.
  if (const Qt::KeyboardModifier changed = ModifierOfKey(event->key()); changed != Qt::NoModifier) {
    if (event->type() == QEvent::KeyPress)
      modifiers |= changed;
    else if (event->type() == QEvent::KeyRelease)
      modifiers &= ~changed;
  }
  const uint32_t flags = ModifierFlags(modifiers);
  if (m_currentTool == kToolZoom) {
    const bool zoomOut = (flags & kOptionKeyMask) != 0;
    if (zoomOut == m_zoomOut) return;
    m_zoomOut = zoomOut;
    resetCursorRects();
  } else if (m_currentTool == kToolSelect) {
    // No rotate cursor while a text is typed into.
    const bool rotate = (flags & kControlKeyMask) != 0 && !m_typingView;
    if (rotate == m_showRotateCursor) return;
    m_showRotateCursor = rotate;
    resetCursorRects();
  }
}

// ---- Arrows and scrolling -------------------------------------------------------------

void DRDrawView::moveBy(int dx, int dy) {
  if (nudgeXBy(dx, dy)) return;
  if (dy != 0) {
    scrollLine(dy < 0);
    return;
  }
  QScrollArea* area = scrollArea();
  if (!area || dx == 0) return;
  // Single precision, as the scroll view counts.
  const QRectF visible = visibleRect();
  const float line = float(area->horizontalScrollBar()->singleStep() / m_zoomValue);
  const float x = float(visible.x());
  float target;
  if (dx < 0) {
    target = std::max(0.0f, std::floor(x - line));
  } else {
    const float bounds = float(width() / m_zoomValue);
    target = std::min(x + line, std::max(0.0f, std::floor(bounds - float(visible.width()))));
  }
  if (target != x) scrollToPoint(QPointF(target, visible.y()));
}

void DRDrawView::scrollLine(bool up) {
  QScrollArea* area = scrollArea();
  if (!area) return;
  const QRectF visible = visibleRect();
  const float line = float(area->verticalScrollBar()->singleStep() / m_zoomValue);
  const float y = float(visible.y());
  float target;
  if (up) {
    target = std::max(0.0f, std::floor(y - line));
  } else {
    const float bounds = float(height() / m_zoomValue);
    target = std::min(y + line, std::max(0.0f, std::floor(bounds - float(visible.height()))));
  }
  if (target != y) scrollToPoint(QPointF(visible.x(), target));
}

void DRDrawView::scrollPage(bool up) {
  QScrollArea* area = scrollArea();
  if (!area) return;
  const QRectF visible = visibleRect();
  // The part of a page the scroll view keeps in sight.
  const int keptPixels = std::max(0, area->viewport()->height() - area->verticalScrollBar()->pageStep());
  const float kept = float(keptPixels / m_zoomValue);
  const float y = float(visible.y()), page = float(visible.height());
  float target;
  if (up) {
    target = std::max(0.0f, std::floor(y - page + kept));
  } else {
    const float bounds = float(height() / m_zoomValue);
    target = std::min(y + page - kept, std::max(0.0f, std::floor(bounds - page)));
  }
  if (target != y) scrollToPoint(QPointF(visible.x(), target));
}

// ---- Services ----------------------------------------------------------------------------

bool DRDrawView::validRequestorForSendType(const QString& sendType, const QString& returnType) const {
  if (!sendType.isEmpty()) {
    if (m_selection.empty() || !g_servicesSendTypes.contains(sendType)) return false;
    // Images of anything but a lone text; text only of a lone text.
    const bool imageType = ClipboardServices().PasteboardImageTypes().contains(sendType);
    const DRElement* only = m_selection.size() == 1 ? m_selection.front() : nullptr;
    const bool oneText = only && only->elementType() == kElementText;
    if (imageType == oneText) return false;
  }
  return returnType.isEmpty() || g_clipboardTypes.contains(returnType);
}

bool DRDrawView::writeSelectionToPasteboard(QMimeData* pasteboard, const QStringList& types) {
  (void)types;
  if (!pasteboard) return false;
  ClipboardServices().CopyElements(this, pasteboard);
  return !pasteboard->formats().isEmpty();
}

bool DRDrawView::readSelectionFromPasteboard(const QMimeData* pasteboard) {
  ClipboardServices().Paste(this, pasteboard, -1, -1);
  return true;
}
