#include "support/widgets/MeasureControls.h"

#include <QAbstractSlider>
#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QSpinBox>
#include <QValidator>

#include "support/widgets/CSDoubleSlider.h"

namespace {

struct FieldFormat {
  DistanceUnit unit = kCurrentDistanceUnit;
  bool scalar = false;
  bool showUnits = true;
};

QVariant FieldProperty(const QLineEdit* field, const char* name) {
  if (const QValidator* validator = field->validator()) {
    const QVariant value = validator->property(name);
    if (value.isValid()) return value;
  }
  return field->property(name);
}

FieldFormat FormatOf(const QLineEdit* field) {
  FieldFormat format;
  const QVariant unit = FieldProperty(field, "preferredUnit");
  if (unit.isValid()) {
    bool ok = false;
    const qlonglong code = unit.toLongLong(&ok);
    if (ok && code >= 0 && code <= qlonglong(kCurrentDistanceUnit)) format.unit = DistanceUnit(code);
  }
  const QVariant scalar = FieldProperty(field, "scalar");
  if (scalar.isValid()) format.scalar = scalar.toBool();
  const QVariant showUnits = FieldProperty(field, "showUnits");
  if (showUnits.isValid()) format.showUnits = showUnits.toBool();
  return format;
}

}  // namespace

MeasureUnit MeasureValue(const QLineEdit* field) {
  if (!field) return 0;
  const FieldFormat format = FormatOf(field);
  MeasureUnit value = 0;
  if (!ParseMeasure(field->text(), format.scalar, format.unit, &value, nullptr)) return 0;
  return value;
}

void SetMeasureValue(QLineEdit* field, MeasureUnit value) {
  if (!field) return;
  const FieldFormat format = FormatOf(field);
  field->setText(FormatMeasure(value, format.scalar, format.showUnits, format.unit));
}

MeasureUnit MeasureFromControl(const QWidget* control, MeasureUnit step) {
  MeasureUnit value = 0;
  if (const auto* field = qobject_cast<const QLineEdit*>(control)) {
    value = MeasureValue(field);
  } else {
    double points = 0;
    if (const auto* doubleSlider = qobject_cast<const CSDoubleSlider*>(control))
      points = doubleSlider->doubleValue();
    else if (const auto* slider = qobject_cast<const QAbstractSlider*>(control))
      points = slider->value();
    else if (const auto* spin = qobject_cast<const QDoubleSpinBox*>(control))
      points = spin->value();
    else if (const auto* intSpin = qobject_cast<const QSpinBox*>(control))
      points = intSpin->value();
    value = MeasureFromDouble(points * double(kMeasurePerPoint));
  }
  return RoundMeasure(value, step);
}
