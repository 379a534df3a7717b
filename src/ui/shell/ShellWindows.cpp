#include "ui/shell/ShellWindows.h"

#include <QApplication>
#include <QDialog>
#include <QGuiApplication>
#include <QLayout>
#include <QPointer>
#include <QScreen>
#include <QWidget>
#include <QWindow>

#include "platform/WindowOrder.h"

namespace {

DialogScript& Script() {
  static DialogScript script;
  return script;
}

}  // namespace

void SetDialogScript(DialogScript script) {
  Script() = std::move(script);
}

void RunSheet(QDialog* dialog, QWidget* host, std::function<void(int result)> done) {
  if (!dialog) return;
  if (host) {
    dialog->setParent(host->window(), dialog->windowFlags() | Qt::Dialog);
    dialog->setWindowModality(Qt::WindowModal);
  } else {
    dialog->setWindowModality(Qt::ApplicationModal);
  }
  QObject::connect(dialog, &QDialog::finished, dialog, [dialog, done = std::move(done)](int result) {
    if (done) done(result);
    dialog->deleteLater();
  });
  if (const DialogScript& script = Script()) {
    script(dialog);
    return;
  }
  dialog->open();
}

int ExecDialog(QDialog* dialog) {
  if (!dialog) return QDialog::Rejected;
  if (const DialogScript& script = Script()) {
    script(dialog);
    return dialog->result();
  }
  return dialog->exec();
}

int ExecDialogCentered(QDialog* dialog) {
  if (!dialog) return QDialog::Rejected;
  if (QScreen* screen = QGuiApplication::primaryScreen()) {
    QRect frame = dialog->frameGeometry();
    frame.moveCenter(screen->availableGeometry().center());
    dialog->move(frame.topLeft());
  }
  return ExecDialog(dialog);
}

void RunReusableDialog(QDialog* dialog, bool& modal) {
  if (!dialog || modal) return;
  const QPointer<QDialog> guard(dialog);
  modal = true;
  ExecDialogCentered(dialog);
  modal = false;
  if (guard) guard->hide();
}

bool IsReusableDialogShown(const QDialog* dialog, bool modal) {
  return modal || (dialog && dialog->isVisible());
}

bool RaiseReusableDialog(QDialog* dialog, bool modal) {
  if (!IsReusableDialogShown(dialog, modal)) return false;
  if (dialog) {
    dialog->raise();
    dialog->activateWindow();
  }
  return true;
}

void EndReusableDialog(QDialog* dialog, bool modal) {
  if (dialog && modal) dialog->done(QDialog::Accepted);
}

QWidget* ShowOnlyPane(QWidget* window, QWidget* current, QWidget* pane) {
  if (!pane || !window || !window->layout()) return current;
  if (current != pane) {
    if (current) {
      window->layout()->removeWidget(current);
      current->hide();
    }
    window->layout()->addWidget(pane);
    pane->show();
  }
  // The window takes the pane's height; a resize keeps its top edge.
  window->setFixedHeight(pane->sizeHint().height());
  return pane;
}

QWidget* WidgetOfWindow(const QWindow* window) {
  if (!window) return nullptr;
  for (QWidget* widget : QApplication::topLevelWidgets()) {
    if (widget->windowHandle() == window) return widget;
  }
  return nullptr;
}

QWindow* WindowOfWidget(QWidget* widget) {
  if (!widget) return nullptr;
  QWidget* top = widget->window();
  if (!top->windowHandle()) top->winId();
  return top->windowHandle();
}

bool IsPanelWindow(const QWindow* window) {
  if (!window) return false;
  const Qt::WindowType type = window->type();
  return type == Qt::Tool || type == Qt::Drawer;
}

void MakeKeyAndOrderFront(QWidget* window) {
  if (!window) return;
  QWindow* handle = WindowOfWidget(window);
  WindowOrder::shared().selectTab(handle);
  window->show();
  window->raise();
  window->activateWindow();
  WindowOrder::shared().orderFront(handle);
  // A window brought forward while a dialog blocks the whole application
  // must not cover it: the program would look frozen.
  QWidget* modal = QApplication::activeModalWidget();
  if (modal && modal != window->window() && modal->windowModality() == Qt::ApplicationModal && modal->isVisible()) {
    modal->raise();
    modal->activateWindow();
  }
}
