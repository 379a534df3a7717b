#pragma once
// Records the colour panels asked for; registered while the fake lives.
// chooseKolor plays the user picking a colour in the open panel.

#include <vector>

#include "ui/editor/DREditorAppServices.h"

class FakeEditorAppServices : public DREditorAppServices {
 public:
  FakeEditorAppServices() { SetEditorAppServices(this); }
  ~FakeEditorAppServices() override { SetEditorAppServices(nullptr); }
  FakeEditorAppServices(const FakeEditorAppServices&) = delete;
  FakeEditorAppServices& operator=(const FakeEditorAppServices&) = delete;

  struct Opened {
    int swatch;
    Kolor kolor;
  };
  std::vector<Opened> opened;
  int swatch = 9;
  DRColorPanelDelegate* delegate = nullptr;

  void openColorPanel(int panelSwatch, Kolor kolor, DRColorPanelDelegate* panelDelegate) override {
    static constexpr int kPanelSwatches[] = {0, 3, 4, 10, 11, 12};
    bool known = false;
    for (int s : kPanelSwatches) known = known || s == panelSwatch;
    if (!known) return;
    opened.push_back({panelSwatch, kolor});
    swatch = panelSwatch;
    delegate = panelDelegate;
  }
  void chooseKolor(Kolor kolor) {
    if (delegate) delegate->setKolor(kolor, swatch);
  }

  // The font panels opened, and the delegate of the last one.
  struct FontPanel {
    QFont font;
    bool multiple;
  };
  std::vector<FontPanel> fontPanels;
  DRFontPanelDelegate* fontDelegate = nullptr;

  void openFontPanel(const QFont& font, bool multiple, DRFontPanelDelegate* panelDelegate) override {
    fontPanels.push_back({font, multiple});
    fontDelegate = panelDelegate;
  }
  // Plays the user changing the font in the open panel.
  void changeFont(const DRFontPanelDelegate::FontConverter& convert) {
    if (fontDelegate) fontDelegate->changeFont(convert);
  }
};
