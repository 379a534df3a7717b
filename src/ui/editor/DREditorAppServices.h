#pragma once
// What the editor asks of the application controller: the shared colour
// and font panels. The shell registers its controller at start-up; without one the
// calls do nothing. Tests use FakeEditorAppServices (tests/testkit/ui).

#include <QFont>
#include <functional>

#include "support/Kolor.h"

// Receives every colour chosen in the panel with the swatch it was opened for.
class DRColorPanelDelegate {
 public:
  virtual ~DRColorPanelDelegate() = default;
  virtual void setKolor(Kolor kolor, int swatch) = 0;
};

// Receives the font panel's changes: `convert` turns a font into what the
// user's change makes of it (a new face or size, keeping the rest).
class DRFontPanelDelegate {
 public:
  virtual ~DRFontPanelDelegate() = default;
  using FontConverter = std::function<QFont(const QFont&)>;
  virtual void changeFont(const FontConverter& convert) = 0;
};

class DREditorAppServices {
 public:
  virtual ~DREditorAppServices() = default;
  // Opens the colour panel on the Kolor for a swatch (0, 3, 4, 10, 11, 12;
  // any other swatch does nothing) and remembers swatch and delegate.
  virtual void openColorPanel(int swatch, Kolor kolor, DRColorPanelDelegate* delegate) {
    (void)swatch, (void)kolor, (void)delegate;
  }
  // Brings the shared font panel forward showing the font (`multiple`: one
  // of several different ones), its changes going to the delegate, and
  // makes it the key window.
  virtual void openFontPanel(const QFont& font, bool multiple, DRFontPanelDelegate* delegate) {
    (void)font, (void)multiple, (void)delegate;
  }
};

DREditorAppServices& EditorAppServices();
void SetEditorAppServices(DREditorAppServices* services);  // not owned; null: none
