#pragma once
// The paint-wide options pane: the fill tolerance (a slider with its
// field), the checkerboard behind transparent pixels and the pixel grid,
// all kept in the shared tool settings and announced to the canvases.

#include "ui/inspector/DRPropBaseVC.h"

class DRPaneRegistry;
class DRSettings;
class QCheckBox;
class QLineEdit;
class QSlider;

class DRPropPaintGlobalVC : public DRPropBaseVC {
  Q_OBJECT

 public:
  static constexpr int kMaxTolerance = 100;
  // The checkerboard's square is 2^exponent pixels; 0 shows none.
  static constexpr int kMaxCheckerboardExponent = 5;

  explicit DRPropPaintGlobalVC(QWidget* parent = nullptr);

  static void registerPane(DRPaneRegistry& registry);

  void awakeFromNib() override;

  DRSettings& settings() const;
  QSlider* toleranceSlider() const { return m_toleranceSlider; }
  QLineEdit* toleranceField() const { return m_toleranceField; }
  QSlider* checkerboardSlider() const { return m_checkerboardSlider; }
  QCheckBox* gridBox() const { return m_gridBox; }

  // Shows the settings' tolerance in the slider and the field.
  void toleranceChanged();
  void changeTolerance();
  void changeCheckerboard();
  void togglePaintGrid();

 private:
  void storeTolerance(int tolerance);

  QSlider* m_toleranceSlider = nullptr;
  QLineEdit* m_toleranceField = nullptr;
  QSlider* m_checkerboardSlider = nullptr;
  QCheckBox* m_gridBox = nullptr;
};
