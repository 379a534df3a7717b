#pragma once
// The pane of the round rectangles: the corner radius on a slider (points)
// and in its field.

#include <cstdint>

#include "ui/inspector/DRPropBaseVC.h"

class CSDoubleSlider;
class CSMeasureField;

class DRPropRoundRectVC : public DRPropBaseVC {
  Q_OBJECT

 public:
  // The slider's largest radius, in points; the field goes no further.
  static constexpr double kMaximumRadius = 100;

  explicit DRPropRoundRectVC(QWidget* parent = nullptr);

  void selectionChanged() override;
  void setCornerRadius(QWidget* sender);

  CSDoubleSlider* cornerSlider() const { return m_cornerSlider; }
  CSMeasureField* cornerField() const { return m_cornerField; }

 private:
  CSDoubleSlider* m_cornerSlider = nullptr;
  CSMeasureField* m_cornerField = nullptr;
  uint32_t m_undoId = 0;
};
