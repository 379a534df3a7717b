#pragma once
// What a document asks of the window that shows it. The shell's document
// window controller implements it; the document holds it without owning it.
// Before the window is loaded an implementation simply ignores the calls.

#include <QString>

class CSDocumentWindow {
 public:
  virtual ~CSDocumentWindow() = default;

  virtual void setTitle(const QString& title) = 0;
  // The window's unsaved-changes mark.
  virtual void setDocumentEdited(bool edited) = 0;
  // The file the window stands for (empty while untitled).
  virtual void setRepresentedFilename(const QString& path) = 0;
  // Repaints the window's content view.
  virtual void redrawContent() = 0;
};
