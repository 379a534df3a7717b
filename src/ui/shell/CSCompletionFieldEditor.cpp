#include "ui/shell/CSCompletionFieldEditor.h"

#include <QAbstractItemView>
#include <QCompleter>
#include <QContextMenuEvent>
#include <QCoreApplication>
#include <QDropEvent>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QMouseEvent>
#include <QStringListModel>
#include <map>

#include "ui/editor/DRActionRouter.h"
#include "ui/shell/CSPopoverBaseVC.h"

namespace {

std::map<const QWidget*, QPointer<CSCompletionFieldEditor>>& Editors() {
  static std::map<const QWidget*, QPointer<CSCompletionFieldEditor>> editors;
  return editors;
}

bool Answers(QObject* object, const QString& selector) {
  auto* target = dynamic_cast<DRActionTarget*>(object);
  return target && target->respondsToSelector(selector);
}

// The first object from `start` up its parents that answers the selector
// performs it.
bool TryToPerform(QObject* start, const QString& selector, QObject* sender) {
  for (QObject* object = start; object; object = object->parent()) {
    if (Answers(object, selector)) return dynamic_cast<DRActionTarget*>(object)->performAction(selector, sender);
  }
  return false;
}

bool IsTabKey(const QKeyEvent* event) {
  return (event->key() == Qt::Key_Tab || event->key() == Qt::Key_Backtab) &&
         !(event->modifiers() & (Qt::ControlModifier | Qt::AltModifier));
}

bool IsTypedText(const QKeyEvent* event) {
  const QString text = event->text();
  return !text.isEmpty() && text.at(0).isPrint() && !(event->modifiers() & (Qt::ControlModifier | Qt::MetaModifier));
}

}  // namespace

CSCompletionFieldEditor::CSCompletionFieldEditor(QWidget* parent) : QLineEdit(parent) {
  m_words = new QStringListModel(this);
  m_completer = new QCompleter(m_words, this);
  m_completer->setWidget(this);
  m_completer->setCompletionMode(QCompleter::PopupCompletion);
  m_completer->setCaseSensitivity(Qt::CaseInsensitive);
  // A click in the list ends it with that word.
  QObject::connect(m_completer, qOverload<const QString&>(&QCompleter::activated), this,
                   [this](const QString& word) { insertCompletion(word, kOtherMovement, true); });
  QObject::connect(this, &QLineEdit::cursorPositionChanged, this, [this] { selectionDidChange(); });
  QObject::connect(this, &QLineEdit::selectionChanged, this, [this] { selectionDidChange(); });
}

CSCompletionFieldEditor::~CSCompletionFieldEditor() = default;

// ---- The per-window cache --------------------------------------------------------

CSCompletionFieldEditor* CSCompletionFieldEditor::completionFieldEditorForWindow(QWidget* window) {
  if (!window) return nullptr;
  auto& editors = Editors();
  const auto found = editors.find(window);
  if (found != editors.end() && found->second) return found->second;
  auto* editor = new CSCompletionFieldEditor(window);
  editor->setGeometry(0, 0, 0, 0);
  editor->hide();
  editors[window] = editor;
  // A later window may be made at the same address: its editor must not be
  // this one, whose view delegate belonged to the old window.
  QObject::connect(window, &QObject::destroyed, [window] { Editors().erase(window); });
  return editor;
}

void CSCompletionFieldEditor::releaseCompletionFieldEditorForWindow(QWidget* window) {
  auto& editors = Editors();
  const auto found = editors.find(window);
  if (found == editors.end()) return;
  if (found->second) found->second->deleteLater();
  editors.erase(found);
}

bool CSCompletionFieldEditor::hasCompletionFieldEditorForWindow(const QWidget* window) {
  const auto& editors = Editors();
  const auto found = editors.find(window);
  return found != editors.end() && found->second;
}

// ---- Completion ----------------------------------------------------------------

void CSCompletionFieldEditor::insertText(const QString& text) {
  m_allowCompletion = true;
  insert(text);
}

bool CSCompletionFieldEditor::isCompletionListShown() const {
  return m_completer->popup() && m_completer->popup()->isVisible();
}

void CSCompletionFieldEditor::complete() {
  if (!m_allowCompletion || !m_source) return;
  qsizetype index = 0;
  const QStringList words = m_source(this, rangeForUserCompletionStart(), rangeForUserCompletionLength(), &index);
  if (words.isEmpty()) return;
  m_words->setStringList(words);
  // The source has chosen the words already: show them all.
  m_completer->setCompletionPrefix(QString());
  m_completer->complete();
  if (index < 0 || index >= words.size()) index = 0;
  m_completer->popup()->setCurrentIndex(m_completer->completionModel()->index(int(index), 0));
}

void CSCompletionFieldEditor::insertCompletion(const QString& word, int movement, bool isFinal) {
  if (movement == kRightMovement) {
    m_completer->popup()->hide();
    return;
  }
  if (movement == kReturnMovement || movement == kTabMovement || movement == kBacktabMovement) isFinal = true;
  const QString typed = text();
  setText(word);
  if (isFinal) {
    m_completer->popup()->hide();
    setCursorPosition(int(word.size()));
  } else if (word.startsWith(typed, Qt::CaseInsensitive)) {
    setSelection(int(typed.size()), int(word.size() - typed.size()));
  }
}

void CSCompletionFieldEditor::typeAhead() {
  if (!m_source || !m_allowCompletion) return;
  const QString current = text();
  if (current.isEmpty() || hasSelectedText() || cursorPosition() != current.size()) return;
  qsizetype index = 0;
  const QStringList words = m_source(this, current.size() - 1, 1, &index);
  if (words.isEmpty()) return;
  if (index < 0 || index >= words.size()) index = 0;
  const QString& word = words[index];
  if (word.size() < 2) return;
  const QString rest = word.mid(1);
  setText(current + rest);
  setSelection(int(current.size()), int(rest.size()));
}

// The open list's keys: the right arrow leaves it without a word; Return,
// Enter, Tab and Backtab take the chosen word.
bool CSCompletionFieldEditor::listKey(QKeyEvent* event) {
  if (!isCompletionListShown()) return false;
  int movement = -1;
  switch (event->key()) {
    case Qt::Key_Right:
      movement = kRightMovement;
      break;
    case Qt::Key_Return:
    case Qt::Key_Enter:
      movement = kReturnMovement;
      break;
    case Qt::Key_Tab:
      movement = kTabMovement;
      break;
    case Qt::Key_Backtab:
      movement = kBacktabMovement;
      break;
    default:
      return false;
  }
  const QModelIndex current = m_completer->popup()->currentIndex();
  if (movement != kRightMovement && !current.isValid()) {
    m_completer->popup()->hide();
    return true;
  }
  insertCompletion(current.data().toString(), movement, true);
  return true;
}

// ---- Keys ----------------------------------------------------------------------

bool CSCompletionFieldEditor::event(QEvent* event) {
  if (event->type() == QEvent::KeyPress) {
    auto* key = static_cast<QKeyEvent*>(event);
    // Tab would move the focus before keyPressEvent sees it.
    if (IsTabKey(key)) {
      CSPopoverBaseVC::closePopovers();
      if (listKey(key)) return true;
      if (m_viewDelegate) {
        handleKey(key);
        return true;
      }
      stopCompletion();
    }
  }
  return QLineEdit::event(event);
}

void CSCompletionFieldEditor::keyPressEvent(QKeyEvent* event) {
  CSPopoverBaseVC::closePopovers();
  if (listKey(event)) {
    event->accept();
    return;
  }
  if (!hasFocus()) {
    event->ignore();
    return;
  }
  switch (event->key()) {
    case Qt::Key_Return:
    case Qt::Key_Enter:
    case Qt::Key_Tab:
    case Qt::Key_Backtab:
    case Qt::Key_Home:
    case Qt::Key_End:
    case Qt::Key_PageUp:
    case Qt::Key_PageDown:
      handleKey(event);
      return;
    case Qt::Key_Escape:
      // Escape asks for the completions; without any it goes on to the
      // window (a dialog's Cancel).
      complete();
      if (isCompletionListShown())
        event->accept();
      else
        event->ignore();
      return;
    case Qt::Key_Clear:
      if (TryToPerform(parentWidget(), QStringLiteral("clearField:"), this))
        event->accept();
      else
        event->ignore();
      return;
    default:
      break;
  }
  if (IsTypedText(event)) {
    QLineEdit::keyPressEvent(event);
    m_allowCompletion = true;
    return;
  }
  stopCompletion();
  QLineEdit::keyPressEvent(event);
}

void CSCompletionFieldEditor::handleKey(QKeyEvent* event) {
  ++m_handleKeyCount;
  if (m_viewDelegate) {
    QKeyEvent copy(event->type(), event->key(), event->modifiers(), event->text(), event->isAutoRepeat(),
                   ushort(event->count()));
    QCoreApplication::sendEvent(m_viewDelegate, &copy);
    event->accept();
  } else {
    switch (event->key()) {
      case Qt::Key_Home:
        scrollToBeginningOfDocument();
        break;
      case Qt::Key_End:
        scrollToEndOfDocument();
        break;
      case Qt::Key_PageDown:
        scrollPageDown();
        break;
      case Qt::Key_PageUp:
        scrollPageUp();
        break;
      default:
        QLineEdit::keyPressEvent(event);
        break;
    }
  }
  --m_handleKeyCount;
}

void CSCompletionFieldEditor::scrollPageDown() {
  TryToPerform(parentWidget(), QStringLiteral("scrollPageDown:"), this);
}

void CSCompletionFieldEditor::scrollPageUp() {
  TryToPerform(parentWidget(), QStringLiteral("scrollPageUp:"), this);
}

void CSCompletionFieldEditor::scrollToBeginningOfDocument() {
  stopCompletion();
  setCursorPosition(0);
}

void CSCompletionFieldEditor::scrollToEndOfDocument() {
  stopCompletion();
  setCursorPosition(int(text().size()));
}

// ---- Focus, selection, menus -----------------------------------------------------

void CSCompletionFieldEditor::selectionDidChange() {
  // The cursor and the selection signals both fire for one change.
  const int cursor = cursorPosition();
  const int start = selectionStart();
  const qsizetype length = selectedText().size();
  if (cursor == m_toldCursor && start == m_toldStart && length == m_toldLength) return;
  m_toldCursor = cursor;
  m_toldStart = start;
  m_toldLength = length;
  if (m_viewDelegate && Answers(m_viewDelegate, QStringLiteral("textViewDidChangeSelection:")))
    dynamic_cast<DRActionTarget*>(m_viewDelegate.data())
        ->performAction(QStringLiteral("textViewDidChangeSelection:"), this);
}

void CSCompletionFieldEditor::focusInEvent(QFocusEvent* event) {
  if (event->reason() != Qt::PopupFocusReason) stopCompletion();
  QLineEdit::focusInEvent(event);
}

void CSCompletionFieldEditor::focusOutEvent(QFocusEvent* event) {
  // The completion list taking the keyboard is not the end of editing.
  if (event->reason() != Qt::PopupFocusReason) {
    stopCompletion();
    if (m_viewDelegate && Answers(m_viewDelegate, QStringLiteral("fieldEditorResigned:")))
      TryToPerform(m_viewDelegate, QStringLiteral("fieldEditorResigned:"), this);
  }
  QLineEdit::focusOutEvent(event);
}

void CSCompletionFieldEditor::mousePressEvent(QMouseEvent* event) {
  stopCompletion();
  QLineEdit::mousePressEvent(event);
}

void CSCompletionFieldEditor::dropEvent(QDropEvent* event) {
  stopCompletion();
  QLineEdit::dropEvent(event);
}

void CSCompletionFieldEditor::contextMenuEvent(QContextMenuEvent* event) {
  CSPopoverBaseVC::closePopovers();
  if (m_viewDelegate && m_viewDelegate != this) {
    QContextMenuEvent forwarded(event->reason(), m_viewDelegate->mapFromGlobal(event->globalPos()), event->globalPos(),
                                event->modifiers());
    forwarded.ignore();
    QCoreApplication::sendEvent(m_viewDelegate, &forwarded);
    if (forwarded.isAccepted()) {
      event->accept();
      return;
    }
  }
  QLineEdit::contextMenuEvent(event);
}
