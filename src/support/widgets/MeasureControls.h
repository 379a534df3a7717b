#pragma once
// Measures in controls: a measure text field holds its value as text in its
// unit, and a slider or spin box holds points as a number.
//
// A field's unit and manner are read from the properties "preferredUnit"
// (a DistanceUnit, 11 for the user's current unit), "scalar" (a plain
// quantity such as degrees or percent rather than a length) and "showUnits"
// (the text carries the unit name), looked up first on the field's
// validator and then on the field itself, so the measure formatter a field
// is given later can hold them. Without them a field shows lengths in the
// current unit with the unit's name.

#include "support/Measure.h"

class QLineEdit;
class QWidget;

// The field's text read as a measure; 0 when it does not read.
MeasureUnit MeasureValue(const QLineEdit* field);
// Shows the value in the field's unit ("-" for the mixed value).
void SetMeasureValue(QLineEdit* field, MeasureUnit value);

// A text field's measure, or any other control's value in points x 12,700
// (truncated, saturating; a CSDoubleSlider's double value, other sliders'
// and spin boxes' values), then rounded to `step` by RoundMeasure. A widget
// that holds no number gives 0.
MeasureUnit MeasureFromControl(const QWidget* control, MeasureUnit step);
