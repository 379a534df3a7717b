#pragma once
// Gives the keyboard back when a sheet, alert or panel closes: the window
// that had it when the modal window opened is activated again and the
// widget that had the focus there (a document's canvas, say) gets it back.
// Without it no window may be active afterwards, and the first menu
// shortcut the user types goes nowhere.

#include <QPointer>
#include <QWidget>

class CSFocusReturn {
 public:
  // Notes the window of `host`; without one, the application's active
  // window.
  explicit CSFocusReturn(QWidget* host = nullptr);

  // Activates the window again and gives the widget its focus, unless the
  // window went or is hidden, or another modal window holds the keyboard.
  void restore() const;

  QWidget* window() const { return m_window.data(); }
  QWidget* focus() const { return m_focus.data(); }

 private:
  QPointer<QWidget> m_window;
  QPointer<QWidget> m_focus;
};

// Watches every dialog of the application: one shown modally (to a window
// or to the whole application) notes who had the keyboard, and when it
// hides the keyboard goes back there, once the code that ran on its end
// is done. The application calls it once after making its QApplication;
// calling it again does nothing.
void InstallModalFocusReturn();
