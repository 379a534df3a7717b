#pragma once
// The sample line of the dash-pattern sheet: one stroke across the view,
// as wide as the view is high, dashed with the pattern being edited, its
// phase and, when the pattern scales with the line width, its lengths
// multiplied by that width. A pattern of one entry is a solid line.

#include <QWidget>
#include <vector>

#include "support/Measure.h"

class QCheckBox;

class DRLinePatternExample : public QWidget {
  Q_OBJECT

 public:
  explicit DRLinePatternExample(QWidget* parent = nullptr);

  // Dash and gap lengths in measures, alternating from a dash.
  const std::vector<MeasureUnit>& linePattern() const { return m_linePattern; }
  void setLinePattern(const std::vector<MeasureUnit>& pattern);
  // Hands the pattern over when the event loop next turns; a request still
  // waiting goes with the view.
  void setLinePatternLater(const std::vector<MeasureUnit>& pattern);

  // In measures; the mixed value draws as 0.
  MeasureUnit phase() const { return m_phase; }
  void setPhase(MeasureUnit phase);
  // The control's measure, to a hundredth of a point.
  void setPhaseFromControl(const QWidget* control);

  bool scalePattern() const { return m_scalePattern; }
  void setScalePattern(bool scale);
  // On when the box is on or shows the mixed state; the box is left as it is.
  void setScaleOption(const QCheckBox* box);

 protected:
  void paintEvent(QPaintEvent* event) override;

 private:
  std::vector<MeasureUnit> m_linePattern;
  MeasureUnit m_phase = 0;
  bool m_scalePattern = false;
};
