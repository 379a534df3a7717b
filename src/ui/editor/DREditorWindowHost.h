#pragma once
// The document window as the editor sees it: what the canvases, the palette,
// the bars and the content controllers ask of the shell's window controller
// beyond what the drawing asks (DRDocumentHost). The shell implements it;
// tests use FakeEditorWindowHost (tests/testkit/ui).

#include <QString>

#include "model/DRDocumentHost.h"
#include "support/Measure.h"

class DREditorContent;
class DRPrintView;

class DREditorWindowHost : public DRDocumentHost {
 public:
  // The content controller of the selected tab; null before the window is
  // loaded.
  virtual DREditorContent* currentVC() const = 0;

  // ---- Status line ----
  // Sets (or, with an empty text, clears) the status line's text.
  virtual void setStatus(const QString& status) = 0;
  // Position and size, a size, a move offset, a line being drawn; each
  // formatted in the user's unit and shown through setStatus.
  virtual void setPositionStatusX(MeasureUnit x, MeasureUnit y, MeasureUnit width, MeasureUnit height) = 0;
  virtual void setSizeStatusWidth(MeasureUnit width, MeasureUnit height) = 0;
  virtual void setDeltaStatusX(MeasureUnit x, MeasureUnit y) = 0;
  virtual void setLineStatusFrom(CSPoint from, CSPoint to) = 0;

  // Opens the paintings of the selected bitmap elements in tabs.
  virtual void editPaintings() = 0;
  // The window is being resized live.
  virtual bool resizing() const = 0;
  // A new print view for the document and the window's canvas, owned by the
  // caller; null while printing is not available.
  virtual DRPrintView* printView() { return nullptr; }
};
