#pragma once
// The position pane: the frame of the selected elements (x, y, width and
// height, "-" where they differ) and their two resize options. The frame
// fields change the elements directly, one coordinate at a time; the boxes
// go through settings changes of the selection.

#include <cstdint>

#include "ui/inspector/DRPropBaseVC.h"

class CSCheckBox;
class CSMeasureField;
class DRPaneRegistry;

class DRPropPositionVC : public DRPropBaseVC {
  Q_OBJECT

 public:
  explicit DRPropPositionVC(QWidget* parent = nullptr);

  // Makes the pane for its class name in the registry.
  static void registerPane(DRPaneRegistry& registry);

  void awakeFromNib() override;
  void selectionChanged() override;

  // A frame field's edit ended: its value goes to every selected element.
  void changeFrameValue(QLineEdit* field);
  void setCentered();
  void setConstrained();

  // In the order of the element coordinates (x, y, width, height).
  CSMeasureField* field(int rectCoord) const;
  CSCheckBox* constrainButton() const { return m_constrainButton; }
  CSCheckBox* centerButton() const { return m_centerButton; }

 private:
  CSMeasureField* m_fields[4] = {};
  CSCheckBox* m_constrainButton = nullptr;
  CSCheckBox* m_centerButton = nullptr;
  uint32_t m_positionUndoID = 0;
  uint32_t m_sizeUndoID = 0;
};
