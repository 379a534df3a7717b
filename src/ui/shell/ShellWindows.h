#pragma once
// How the shell shows its dialogs and brings windows forward. Dialogs on a
// document window run window-modally without blocking (a sheet); the few
// that must block run with exec(). Tests replace both with a script that is
// handed each dialog in place of showing it, and ends it as a user would.

#include <QString>
#include <functional>

class QDialog;
class QWidget;
class QWindow;

// Handed every dialog that would be shown or run; it may end the dialog at
// once or later (accept(), reject(), done()).
using DialogScript = std::function<void(QDialog* dialog)>;
void SetDialogScript(DialogScript script);

// Shows the dialog window-modally on the host's window and returns at once;
// `done` gets the dialog's result when it ends, after which the dialog is
// deleted. Without a host the dialog is application-modal.
void RunSheet(QDialog* dialog, QWidget* host, std::function<void(int result)> done);
// Runs the dialog to its end and answers its result.
int ExecDialog(QDialog* dialog);
// The same, the dialog first centred on the primary screen.
int ExecDialogCentered(QDialog* dialog);
// Runs a window that stays made between runs: centred and modal, with
// `modal` set while it runs, then hidden. Nothing while it runs already.
void RunReusableDialog(QDialog* dialog, bool& modal);
// Whether such a window is running or showing.
bool IsReusableDialogShown(const QDialog* dialog, bool modal);
// Brings it forward when it shows; false when it does not.
bool RaiseReusableDialog(QDialog* dialog, bool modal);
// Ends its run, when it runs.
void EndReusableDialog(QDialog* dialog, bool modal);

// A window showing one pane at a time in its layout: the pane takes the
// current one's place and the window takes the pane's height. Answers the
// pane now shown.
QWidget* ShowOnlyPane(QWidget* window, QWidget* current, QWidget* pane);

// The top-level widget a window belongs to, or null.
QWidget* WidgetOfWindow(const QWindow* window);
// The window of a top-level widget, made when it has none yet.
QWindow* WindowOfWidget(QWidget* widget);
// Panels and utility windows, which the quit walk leaves alone.
bool IsPanelWindow(const QWindow* window);

// Selects the window's tab when it is in a group, shows it, raises it and
// makes it the active window and the front of the order.
void MakeKeyAndOrderFront(QWidget* window);
