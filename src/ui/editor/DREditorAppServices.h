#pragma once
// What the editor asks of the application controller: the shared colour
// panel. The shell registers its controller at start-up; without one the
// calls do nothing. Tests use FakeEditorAppServices (tests/testkit/ui).

#include "support/Kolor.h"

// Receives every colour chosen in the panel with the swatch it was opened for.
class DRColorPanelDelegate {
 public:
  virtual ~DRColorPanelDelegate() = default;
  virtual void setKolor(Kolor kolor, int swatch) = 0;
};

class DREditorAppServices {
 public:
  virtual ~DREditorAppServices() = default;
  // Opens the colour panel on the Kolor for a swatch (0, 3, 4, 10, 11, 12;
  // any other swatch does nothing) and remembers swatch and delegate.
  virtual void openColorPanel(int swatch, Kolor kolor, DRColorPanelDelegate* delegate) {
    (void)swatch, (void)kolor, (void)delegate;
  }
};

DREditorAppServices& EditorAppServices();
void SetEditorAppServices(DREditorAppServices* services);  // not owned; null: none
