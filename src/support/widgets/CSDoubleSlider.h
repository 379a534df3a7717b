#pragma once
// A slider that holds a double between a minimum and a maximum: a value
// set is kept exactly (the handle shows it as near as its steps allow), and
// a handle the user moves gives the value at its step.

#include <QSlider>

class CSDoubleSlider : public QSlider {
  Q_OBJECT
  Q_PROPERTY(double doubleValue READ doubleValue WRITE setDoubleValue NOTIFY doubleValueChanged)

 public:
  // The handle's positions across the range.
  static constexpr int kSteps = 10000;

  explicit CSDoubleSlider(Qt::Orientation orientation = Qt::Horizontal, QWidget* parent = nullptr);

  double doubleMinimum() const { return m_minimum; }
  double doubleMaximum() const { return m_maximum; }
  // A maximum below the minimum is taken as the minimum; the value is kept
  // inside the new range. Non-finite limits are ignored.
  void setDoubleRange(double minimum, double maximum);
  double doubleValue() const { return m_value; }
  // Clamped to the range; NaN is ignored.
  void setDoubleValue(double value);

 signals:
  void doubleValueChanged(double value);

 private:
  void positionChanged(int position);
  int positionForValue(double value) const;

  double m_minimum = 0;
  double m_maximum = 1;
  double m_value = 0;
  bool m_setting = false;
};
