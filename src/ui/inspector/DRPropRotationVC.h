#pragma once
// The rotation pane: the common rotation of the selection (lines aside) on
// a slider and a field, snapped to the eighth turns near them.

#include <cstdint>

#include "ui/inspector/DRPropBaseVC.h"

class CSDoubleSlider;
class CSMeasureField;
class DRPaneRegistry;

class DRPropRotationVC : public DRPropBaseVC {
  Q_OBJECT

 public:
  explicit DRPropRotationVC(QWidget* parent = nullptr);

  static void registerPane(DRPaneRegistry& registry);

  void awakeFromNib() override;
  void selectionChanged() override;

  // The slider moved or the field's edit ended.
  void setRotation(QWidget* sender);

  CSDoubleSlider* angleSlider() const { return m_angleSlider; }
  CSMeasureField* angleField() const { return m_angleField; }

 private:
  CSDoubleSlider* m_angleSlider = nullptr;
  CSMeasureField* m_angleField = nullptr;
  uint32_t m_rotateUndoID = 0;
};
