#pragma once
// The bitmap pane: the scale of the selected bitmaps against their
// paintings' original size (a logarithmic slider with a percent field and a
// reset to 100 %), their opacity in percent, the painting's name of a
// single bitmap, and for advanced users a button that reveals the painting's
// file. Scale and opacity change the elements directly; the name goes
// through the selection's settings change.

#include <cstdint>

#include "ui/inspector/DRPropBaseVC.h"

class CSDoubleSlider;
class CSMeasureField;
class DRElementBitmap;
class QLineEdit;
class QPushButton;

class DRPropBitmapVC : public DRPropBaseVC {
  Q_OBJECT

 public:
  explicit DRPropBitmapVC(QWidget* parent = nullptr);

  // Registers the pane under its class name with the inspector's registry.
  static void registerPane();

  void awakeFromNib() override;
  void selectionChanged() override;

  // Actions of the controls, callable with the control that sent them.
  void setScale(QWidget* sender);
  void reset();
  void setOpacity(QWidget* sender);
  void changeName();
  void showFile();

  CSDoubleSlider* scaleSlider() const { return m_scaleSlider; }
  CSMeasureField* scaleField() const { return m_scaleField; }
  QPushButton* resetButton() const { return m_resetButton; }
  CSDoubleSlider* opacitySlider() const { return m_opacitySlider; }
  CSMeasureField* opacityField() const { return m_opacityField; }
  QLineEdit* nameField() const { return m_nameField; }
  QPushButton* showFileButton() const { return m_showFileButton; }

 private:
  // The opacity in tenths of a percent (0 ... 1,000) into both controls.
  void showOpacity(int64_t tenths, bool moveSlider);
  // Applies the scale to every bitmap, last selected first; true when any
  // changed.
  bool applyScale(MeasureUnit scale);

  CSDoubleSlider* m_scaleSlider = nullptr;
  CSMeasureField* m_scaleField = nullptr;
  QPushButton* m_resetButton = nullptr;
  CSDoubleSlider* m_opacitySlider = nullptr;
  CSMeasureField* m_opacityField = nullptr;
  QLineEdit* m_nameField = nullptr;
  QPushButton* m_showFileButton = nullptr;
  uint32_t m_scaleUndoID = 0;
  uint32_t m_opacityUndoID = 0;
};
