#pragma once
// The greys pane: the palette of the 256 opaque greys, whose click makes
// the grey the current fill and line colour of the window.

#include "ui/inspector/DRPropBaseVC.h"

class DRGrayPalette;
class DRPaneRegistry;

class DRPropPaintGraysVC : public DRPropBaseVC {
  Q_OBJECT

 public:
  explicit DRPropPaintGraysVC(QWidget* parent = nullptr);

  static void registerPane(DRPaneRegistry& registry);

  void awakeFromNib() override;
  DRGrayPalette* palette() const { return m_palette; }

 private:
  DRGrayPalette* m_palette = nullptr;
};
