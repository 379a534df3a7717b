#pragma once
// The pane of the scribble-kind elements (scribbles, polygons, bent
// lines): closed, fill rule, hidden text, line scaling, and the scale of
// the shape against its original size on a logarithmic slider (1 % at 0,
// 100 % at 1, 1,600 % at 2) with its field and a reset to 100 %.

#include <cstdint>

#include "support/Measure.h"
#include "ui/inspector/DRPropBaseVC.h"

class CSCheckBox;
class CSDoubleSlider;
class CSMeasureField;
class QGridLayout;
class QPushButton;

class DRPropScribbleVC : public DRPropBaseVC {
  Q_OBJECT

 public:
  explicit DRPropScribbleVC(QWidget* parent = nullptr);

  void awakeFromNib() override;
  void selectionChanged() override;

  void setClosed();
  void setFillRule();
  void setHideText();
  void setScaleLine();
  // From the slider (its log position) or the field (percent).
  void setScale(QWidget* sender);
  void reset();

  CSCheckBox* closedButton() const { return m_closedButton; }
  CSCheckBox* fillRuleButton() const { return m_fillRuleButton; }
  CSCheckBox* hideTextButton() const { return m_hideTextButton; }
  CSCheckBox* scaleLineButton() const { return m_scaleLineButton; }
  CSDoubleSlider* scaleSlider() const { return m_scaleSlider; }
  CSMeasureField* scaleField() const { return m_scaleField; }
  QPushButton* resetButton() const { return m_resetButton; }

  // Scribbles, polygons and bent lines.
  static bool isScribbleKind(const DRElement* element);

 protected:
  // The pane's layout: two columns, rows 0 to 2 taken by the scribble
  // controls; subclasses add rows below.
  QGridLayout* grid() const { return m_grid; }
  static constexpr int kFirstFreeRow = 3;

 private:
  // Applies the scale to every scribble-kind element, last first; true
  // when any changed. An element without an original size is left alone:
  // scaling it would shrink it to nothing.
  bool applyScale(MeasureUnit scale);
  void showScale(MeasureUnit scale);

  CSCheckBox* m_closedButton = nullptr;
  CSCheckBox* m_fillRuleButton = nullptr;
  CSCheckBox* m_hideTextButton = nullptr;
  CSCheckBox* m_scaleLineButton = nullptr;
  CSDoubleSlider* m_scaleSlider = nullptr;
  CSMeasureField* m_scaleField = nullptr;
  QPushButton* m_resetButton = nullptr;
  uint32_t m_scaleUndoId = 0;
  QGridLayout* m_grid = nullptr;
};

// Registers the shape panes (scribble, polygon, regular polygon, round
// rectangle, arc) with the inspector's pane registry.
void RegisterShapePanes();
