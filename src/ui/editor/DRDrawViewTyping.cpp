// In-place text editing: the field editor laid over a text element, the
// typing run as one undo entry, the growth of the element with its text, and
// the removal of a text left empty.

#include <QFontMetricsF>
#include <QMouseEvent>
#include <algorithm>
#include <cmath>

#include "model/DRDrawing.h"
#include "model/DRElementText.h"
#include "platform/NotificationCenter.h"
#include "support/TextDrawing.h"
#include "ui/editor/DRContentVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/DREditorPrefs.h"
#include "ui/editor/DRTextView.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"

namespace {

// A text is never shorter than this while it is typed into, in points.
constexpr double kMinimumTextHeight = 10.0;
// Auto-sizing keeps at least this much room after the typed text, in
// points, and stops this far before the visible area's right edge.
constexpr double kAutoSizeMargin = 24.0;
constexpr double kAutoSizeRightInset = 8.0;

// Nothing but white space.
bool IsBlank(const QString& text) {
  return std::all_of(text.begin(), text.end(), [](QChar c) { return c.isSpace(); });
}

}  // namespace

// ---- Starting and ending ---------------------------------------------------------------

void DRDrawView::startTyping(DRElementText* element, QMouseEvent* event) {
  normalize(true);
  m_typeUndoID = 0;
  if (!element) return;
  if (m_selection.size() != 1 || m_selection.front() != element) {
    unselectAll(false);
    addToSelection(element);
    selectionDidChange();
  }
  QWidget* editor = editViewForText(element, event);
  if (!editor) return;
  m_typingView = editor;
  m_typingElement = element;
  element->setSuppressCasing(true);
  invalidateElement(element);
}

QWidget* DRDrawView::editViewForText(DRElementText* element, QMouseEvent* event) {
  if (!element || element->elementType() != kElementText || m_shutDown || !m_drawing) return nullptr;

  // One field editor per canvas, made when first needed.
  auto* editor = findChild<DRTextView*>(QString(), Qt::FindDirectChildrenOnly);
  if (!editor) {
    editor = new DRTextView(this);
    connect(editor, &DRTextView::textDidBeginEditing, this, [this] { textDidBeginEditing(); });
    connect(editor, &DRTextView::textDidChange, this, [this] { textDidChange(); });
    connect(editor, &DRTextView::textDidEndEditing, this, [this] { textDidEndEditing(); });
    connect(editor, &DRTextView::cancelOperation, this, [this] { cancelOperation(); });
    connect(editor, &DRTextView::enterKeyPressed, this, [this] { stopTyping(); });
  }
  editor->setContinuousSpellCheckingEnabled(EditorPrefs().checkSpelling());

  const DRTextInfo& style = element->textInfo();
  const Kolor background = style.backKolor();
  editor->setBackgroundColor(IsValidKolor(background) ? ColorFromKolor(background) : QColor());
  editor->setBox(ConvertMeasureRect(element->frame()), m_zoomValue);
  editor->setStyledText(element->text(), style.attributeDict(false));
  editor->beginRun();
  editor->show();
  editor->raise();
  // Before typingView is set: the canvas giving the focus to its editor is
  // not the end of its modes.
  editor->setFocus(Qt::OtherFocusReason);

  if (event && element->rotation() == 0) {
    const QPointF local = mapFromGlobal(event->globalPosition());
    const QPointF point(local.x() / m_zoomValue - editor->box().x(), local.y() / m_zoomValue - editor->box().y());
    QTextCursor cursor = editor->textCursor();
    cursor.setPosition(editor->characterIndexForPoint(point));
    editor->setTextCursor(cursor);
  }
  return editor;
}

void DRDrawView::stopTyping() {
  auto* editor = qobject_cast<DRTextView*>(m_typingView);
  if (!editor) {
    m_typingView = nullptr;
    return;
  }
  DRElementText* element = m_typingElement;
  const bool wasBrandNew = element && element->brandNew();
  if (element) {
    invalidateElement(element);
    element->setSuppressCasing(false);
    element->setBrandNew(false);
    if (element->autoSize()) stopAutoSizing();
  }
  m_typingElement = nullptr;

  EditorPrefs().setCheckSpelling(editor->isContinuousSpellCheckingEnabled());
  m_typingView = nullptr;
  // The canvas takes the focus back before the editor goes, so that the
  // window does not hand it to another view.
  if (editor->hasFocus()) setFocus(Qt::OtherFocusReason);
  editor->hide();
  setNeedsDisplay();

  if (!element || !m_drawing || !IsBlank(element->text())) return;
  DRElementList& elements = m_drawing->elements();
  const auto owned =
      std::find_if(elements.begin(), elements.end(), [element](const auto& e) { return e.get() == element; });
  if (owned == elements.end()) return;

  // The run's id survives the emptied selection, so that Escape still finds
  // the run's entry the latest one.
  const uint32_t runUndoID = m_typeUndoID;
  bool popEntry = false;
  if (wasBrandNew) {
    // A new text's own "Add Object" entry goes with it; any other entry is
    // left alone.
    int action = 0, descriptor = 0;
    popEntry = m_viewController && m_viewController->undoManager().dataForCurrentUndoAction(&action, &descriptor) &&
               descriptor == kUndoAddObject;
  } else if (!m_viewController || !m_viewController->isUndoIDCurrent(runUndoID)) {
    // Blank before the run (no "Typing" entry of its own): the removal
    // needs an entry, and a refused one keeps the text.
    if (!openUndoEntry(CSUndoManager::kFreshUndoID, kUndoActionAddRemove, kUndoDelete)) return;
  }
  unselectAll(true);
  m_typeUndoID = runUndoID;
  // Found again: the selection's observers may have changed the list.
  const auto again =
      std::find_if(elements.begin(), elements.end(), [element](const auto& e) { return e.get() == element; });
  if (again != elements.end()) elements.erase(again);
  if (popEntry) m_viewController->undoManager().popUndo();
}

void DRDrawView::textDidEndEditing() {
  auto* editor = qobject_cast<DRTextView*>(m_typingView);
  if (!editor) return;
  if (m_typingElement && m_typingElement->autoSize()) stopAutoSizing();
  stopTyping();
}

void DRDrawView::placeTypingView() {
  auto* editor = qobject_cast<DRTextView*>(m_typingView);
  if (!editor || !m_typingElement) return;
  editor->setBox(ConvertMeasureRect(m_typingElement->frame()), m_zoomValue);
}

void DRDrawView::invalidateTyping(DRElement* element) {
  auto* editor = qobject_cast<DRTextView*>(m_typingView);
  if (!editor || !element || element != m_typingElement) return;
  const DRTextInfo& style = m_typingElement->textInfo();
  const Kolor background = style.backKolor();
  editor->setBackgroundColor(IsValidKolor(background) ? ColorFromKolor(background) : QColor());
  editor->applyFormat(style.attributeDict(false));
  // A new font may have changed the element's height.
  placeTypingView();
}

// ---- The typing run --------------------------------------------------------------------

void DRDrawView::textDidBeginEditing() {
  if (m_viewController) m_typeUndoID = m_viewController->newUndoID();
}

void DRDrawView::textDidChange() {
  auto* editor = qobject_cast<DRTextView*>(m_typingView);
  DRElementText* element = m_typingElement;
  if (!editor || !element) return;
  editor->setResizingText(true);
  const bool brandNew = element->brandNew();

  // The text stays in one style, whatever was pasted or typed.
  editor->applyFormat(element->textInfo().attributeDict(false));
  const double height = std::max(kMinimumTextHeight, editor->usedHeight());

  const QRectF frame = ConvertMeasureRect(element->frame());
  double width = frame.width();
  if (brandNew) {
    if (element->autoSize()) {
      QRectF rect = editor->box();
      autoExpandText(&rect);
      width = rect.width();
    }
  } else {
    // An existing text: the whole run is one "Typing" entry. A selection
    // change in the middle of the run dropped the id: the run goes on
    // under a new one.
    if (m_typeUndoID == kNoUndoID && m_viewController) m_typeUndoID = m_viewController->newUndoID();
    if (!openUndoEntry(m_typeUndoID, kUndoActionChange, kUndoTyping)) {
      editor->setResizingText(false);
      return;
    }
  }

  if (width != frame.width() || height != frame.height()) {
    editor->setBox(QRectF(editor->box().topLeft(), QSizeF(width, height)), m_zoomValue);
    invalidateElement(element);
    CSRect known = element->frame();
    known.width = MeasureFromDouble(width * double(kMeasurePerPoint));
    known.height = MeasureFromDouble(height * double(kMeasurePerPoint));
    element->setKnownFrame(known);
    invalidateElement(element);
    updatePropertiesDelay(true);
  }
  element->setText(editor->string());
  NotificationCenter::defaultCenter().post(g_textChangeNotification, notificationWindow());
  editor->setResizingText(false);
}

void DRDrawView::autoExpandText(QRectF* rect) {
  auto* editor = qobject_cast<DRTextView*>(m_typingView);
  if (!editor || !rect || editor->document()->isEmpty()) return;
  const QTextCursor cursor = editor->textCursor();
  const int length = editor->document()->characterCount() - 1;
  if (cursor.hasSelection() || cursor.position() != length) {
    // Typing elsewhere than at the end.
    stopAutoSizing();
    return;
  }
  const QRectF line = editor->lastCharacterLine();
  if (line.top() != 0) {
    // The text went on to a second line.
    stopAutoSizing();
    return;
  }
  const QFontMetricsF metrics(editor->lastCharacterFont(), TextReferenceDevice());
  const double margin = std::max(metrics.maxWidth() + 2.0, kAutoSizeMargin);
  const double wanted = std::ceil(line.width() + margin);
  const QRectF box = editor->box();
  if (box.left() + wanted <= visibleRect().right() - kAutoSizeRightInset) {
    rect->setWidth(std::max(wanted, box.width()));
  } else {
    rect->setWidth(box.width());
    stopAutoSizing();
  }
}

void DRDrawView::stopAutoSizing() {
  auto* editor = qobject_cast<DRTextView*>(m_typingView);
  if (!m_typingElement || !editor) return;
  m_typingElement->setAutoSize(false);
  const QSizeF size = editor->box().size();
  m_typingElement->setOriginalSize(ConvertViewPoint(size.width(), size.height()));
}
