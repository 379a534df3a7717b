#pragma once
// The pane of the arcs: start and end angle, in two fields and on the angle
// view whose knobs drag them.

#include <cstdint>

#include "support/Measure.h"
#include "ui/inspector/DRPropBaseVC.h"

class CSMeasureField;
class DRArcAngleView;

class DRPropArcVC : public DRPropBaseVC {
  Q_OBJECT

 public:
  explicit DRPropArcVC(QWidget* parent = nullptr);

  void selectionChanged() override;
  // A knob drag: both angles in one entry.
  void setAngles(MeasureUnit start, MeasureUnit end);
  // The end of typing in either field.
  void angleFieldEdited(QLineEdit* field);

  CSMeasureField* startField() const { return m_startField; }
  CSMeasureField* endField() const { return m_endField; }
  DRArcAngleView* angleView() const { return m_angleView; }

 private:
  CSMeasureField* m_startField = nullptr;
  CSMeasureField* m_endField = nullptr;
  DRArcAngleView* m_angleView = nullptr;
  uint32_t m_undoId = 0;
};
