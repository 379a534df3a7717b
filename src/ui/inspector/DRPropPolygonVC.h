#pragma once
// The scribble pane for polygons and bent lines: adds the curves option and
// the read-only path length of the one selected polygon.

#include "ui/inspector/DRPropScribbleVC.h"

class QLineEdit;

class DRPropPolygonVC : public DRPropScribbleVC {
  Q_OBJECT

 public:
  explicit DRPropPolygonVC(QWidget* parent = nullptr);

  void awakeFromNib() override;
  void selectionChanged() override;

  void setCurves();
  void updatePathLength();

  CSCheckBox* curvesButton() const { return m_curvesButton; }
  QLineEdit* lengthField() const { return m_lengthField; }

 private:
  CSCheckBox* m_curvesButton = nullptr;
  QLineEdit* m_lengthField = nullptr;
  // The polygon whose length is shown; used only while it is still
  // selected.
  DRElement* m_onlyPolygon = nullptr;
};
