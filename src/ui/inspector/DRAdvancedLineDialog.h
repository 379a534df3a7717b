#pragma once
// The advanced line sheet: the line cap, the curve flatness, the line join
// and the miter limit of the selected elements. It opens on the common
// values of the selection (a value that differs shows as none chosen, or
// "-") and on OK sets every value that is not mixed as one undo step.
//
// Flatness and miter limit are stored 12,700 per unit; the flatness field
// shows ten times the stored flatness, so 0.6 reads as 6.

#include "ui/inspector/DRSheetController.h"

class CSDoubleSlider;
class CSMeasureField;
class CSRadioMatrix;
class QWidget;

class DRAdvancedLineDialog : public DRSheetController {
  Q_OBJECT

 public:
  static constexpr int64_t kHelpTopic = 58;
  // The sliders' ranges; the fields take the same maxima.
  static constexpr double kFlatnessSliderMin = 1;
  static constexpr double kFlatnessSliderMax = 20;
  static constexpr double kMiterSliderMin = 1;
  static constexpr double kMiterSliderMax = 50;

  // Begins the sheet on the drawing window; null when it cannot be shown.
  static DRAdvancedLineDialog* runSheetForWindow(DREditorWindowHost* drawController);

  DRAdvancedLineDialog(DREditorWindowHost* drawController);

  CSRadioMatrix* capTypeMatrix() const { return m_capTypeMatrix; }
  CSDoubleSlider* flatnessSlider() const { return m_flatnessSlider; }
  CSMeasureField* flatnessField() const { return m_flatnessField; }
  CSRadioMatrix* joinTypeMatrix() const { return m_joinTypeMatrix; }
  CSDoubleSlider* miterLimitSlider() const { return m_miterLimitSlider; }
  CSMeasureField* miterLimitField() const { return m_miterLimitField; }

  // The actions of the slider and field pairs and of the join matrix.
  void setFlatness(QWidget* sender);
  void setMiterLimit(QWidget* sender);
  void setJoinType();

 protected:
  void apply(bool reset) override;

 private:
  void awakeFromNib();

  CSRadioMatrix* m_capTypeMatrix = nullptr;
  CSDoubleSlider* m_flatnessSlider = nullptr;
  CSMeasureField* m_flatnessField = nullptr;
  CSRadioMatrix* m_joinTypeMatrix = nullptr;
  CSDoubleSlider* m_miterLimitSlider = nullptr;
  CSMeasureField* m_miterLimitField = nullptr;
};
