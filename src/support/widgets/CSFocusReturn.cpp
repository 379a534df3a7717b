#include "support/widgets/CSFocusReturn.h"

#include <QApplication>
#include <QDialog>
#include <QEvent>
#include <QTimer>
#include <map>

namespace {

constexpr char kWatchedProperty[] = "csFocusReturnWatched";

class ModalFocusFilter : public QObject {
 public:
  using QObject::QObject;

 protected:
  bool eventFilter(QObject* watched, QEvent* event) override {
    const QEvent::Type type = event->type();
    if (type != QEvent::Show && type != QEvent::Hide) return false;
    auto* dialog = qobject_cast<QDialog*>(watched);
    if (!dialog || !dialog->isWindow()) return false;
    if (type == QEvent::Show) {
      noteShown(dialog);
    } else {
      auto found = m_notes.find(dialog);
      if (found == m_notes.end()) return false;
      const CSFocusReturn note = found->second;
      m_notes.erase(found);
      // After the handlers of the dialog's end, which may ask the next
      // question or close the window.
      QTimer::singleShot(0, this, [note] { note.restore(); });
    }
    return false;
  }

 private:
  void noteShown(QDialog* dialog) {
    if (dialog->windowModality() == Qt::NonModal) return;
    QWidget* host = dialog->parentWidget() ? dialog->parentWidget()->window() : nullptr;
    CSFocusReturn note(host);
    if (!note.window() || note.window() == dialog) return;
    m_notes.insert_or_assign(dialog, note);
    if (!dialog->property(kWatchedProperty).toBool()) {
      dialog->setProperty(kWatchedProperty, true);
      connect(dialog, &QObject::destroyed, this, [this](QObject* gone) { m_notes.erase(gone); });
    }
  }

  std::map<QObject*, CSFocusReturn> m_notes;
};

}  // namespace

CSFocusReturn::CSFocusReturn(QWidget* host) {
  m_window = host ? host->window() : QApplication::activeWindow();
  if (m_window) m_focus = m_window->focusWidget();
}

void CSFocusReturn::restore() const {
  QWidget* window = m_window.data();
  if (!window || !window->isVisible() || window->isMinimized()) return;
  // A modal window opened meanwhile (the next question) keeps the keyboard.
  if (QWidget* modal = QApplication::activeModalWidget(); modal && modal != window && modal->isVisible()) return;
  window->activateWindow();
  if (QWidget* focus = m_focus.data(); focus && focus->window() == window && focus->isVisible() && focus->isEnabled())
    focus->setFocus(Qt::ActiveWindowFocusReason);
}

void InstallModalFocusReturn() {
  static QPointer<ModalFocusFilter> installed;
  QCoreApplication* app = QCoreApplication::instance();
  if (!app || installed) return;
  installed = new ModalFocusFilter(app);
  app->installEventFilter(installed);
}
