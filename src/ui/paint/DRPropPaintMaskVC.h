#pragma once
// The mask pane: adds or deletes the painting's transparency, and chooses
// what the tools edit (colours, the mask, or colours keeping the alpha)
// and how the canvas shows the painting.

#include "ui/inspector/DRPropBaseVC.h"

class DRPaintVC;
class DRPaneRegistry;
class QButtonGroup;
class QCheckBox;
class QPushButton;

class DRPropPaintMaskVC : public DRPropBaseVC {
  Q_OBJECT

 public:
  explicit DRPropPaintMaskVC(QWidget* parent = nullptr);

  static void registerPane(DRPaneRegistry& registry);

  void awakeFromNib() override;

  // Rows: PixmapMode and PixmapDisplay.
  QButtonGroup* editOption() const { return m_editOption; }
  QButtonGroup* displayOption() const { return m_displayOption; }
  QPushButton* changeMaskButton() const { return m_changeMaskButton; }
  QCheckBox* opaqueButton() const { return m_opaqueButton; }
  // Whether the rows of a group can be chosen.
  static bool groupEnabled(const QButtonGroup* group);

  // Shows whether the painting has a mask, and its mode and display.
  void maskChanged();
  void addOrDelete();
  void changePixmapMode();
  void changeDisplayMode();

 private:
  DRPaintVC* paintVC() const;
  static void selectRow(QButtonGroup* group, int row, bool enabled);

  QButtonGroup* m_editOption = nullptr;
  QButtonGroup* m_displayOption = nullptr;
  QPushButton* m_changeMaskButton = nullptr;
  QCheckBox* m_opaqueButton = nullptr;
};
