#pragma once
// What a pane made for a level may answer beyond being a widget: a pane
// that takes its window's controller is handed it before it shows
// anything, and every pane hears when its level goes away.

class QObject;

class CSPropertyPane {
 public:
  virtual ~CSPropertyPane() = default;
  // The window's document controller, or null outside a document window.
  virtual void setWindowController(QObject* controller) = 0;
  // The level is being rebuilt: the pane is hidden now and deleted soon;
  // it must act on nothing from here on.
  virtual void paneWillRetire() {}
};
