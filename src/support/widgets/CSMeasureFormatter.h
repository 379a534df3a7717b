#pragma once
// The formatter of every length, angle and percentage field: it shows a
// measure in the field's unit (or as a plain number with its unit name),
// reads typed text back, and refuses values outside its minimum and maximum
// with a message. As a field's validator it holds the properties
// "preferredUnit", "scalar" and "showUnits" that the measure helpers of
// MeasureControls.h read.

#include <QObject>
#include <QString>
#include <QStringView>
#include <QValidator>
#include <QVariant>

#include "support/Measure.h"

class CSMeasureFormatter : public QValidator {
  Q_OBJECT
  Q_PROPERTY(qlonglong minimum READ minimumValue WRITE setMinimumValue)
  Q_PROPERTY(qlonglong maximum READ maximumValue WRITE setMaximumValue)
  Q_PROPERTY(uint preferredUnit READ preferredUnit WRITE setPreferredUnit)
  Q_PROPERTY(bool scalar READ scalar WRITE setScalar)
  Q_PROPERTY(bool showUnits READ showUnits WRITE setShowUnits)

 public:
  // One below the mixed value.
  static constexpr MeasureUnit kDefaultMaximum = kMixedMeasure - 1;

  explicit CSMeasureFormatter(QObject* parent = nullptr);

  MeasureUnit minimum() const { return m_minimum; }
  void setMinimum(MeasureUnit minimum) { m_minimum = minimum; }
  MeasureUnit maximum() const { return m_maximum; }
  void setMaximum(MeasureUnit maximum) { m_maximum = maximum; }
  // kCurrentDistanceUnit (the default) follows the user's unit.
  DistanceUnit preferredUnit() const { return m_preferredUnit; }
  void setPreferredUnit(DistanceUnit unit) { m_preferredUnit = unit; }
  bool scalar() const { return m_scalar; }
  void setScalar(bool scalar) { m_scalar = scalar; }
  bool showUnits() const { return m_showUnits; }
  void setShowUnits(bool showUnits) { m_showUnits = showUnits; }

  // Reads the text. The mixed value ("-") passes as it is; any other value
  // must lie within the limits. On refusal answers false with the message
  // (when `error` is given) and leaves `value` alone.
  bool getObjectValue(QStringView text, MeasureUnit* value, QString* error) const;
  // A number's measure (a text's leading integer) in the field's form; a
  // null string for a value that holds no number.
  QString stringForObjectValue(const QVariant& object) const;
  QString minimumString() const;
  QString maximumString() const;

  // Acceptable when getObjectValue accepts the text, else Intermediate, so
  // typing is never blocked half-way through a fraction or a unit.
  State validate(QString& input, int& position) const override;

 private:
  qlonglong minimumValue() const { return qlonglong(m_minimum); }
  void setMinimumValue(qlonglong value) { m_minimum = MeasureUnit(value); }
  qlonglong maximumValue() const { return qlonglong(m_maximum); }
  void setMaximumValue(qlonglong value) { m_maximum = MeasureUnit(value); }

  MeasureUnit m_minimum = 0;
  MeasureUnit m_maximum = kDefaultMaximum;
  DistanceUnit m_preferredUnit = kCurrentDistanceUnit;
  bool m_scalar = false;
  bool m_showUnits = true;
};
