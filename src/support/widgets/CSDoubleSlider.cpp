#include "support/widgets/CSDoubleSlider.h"

#include <algorithm>
#include <cmath>

CSDoubleSlider::CSDoubleSlider(Qt::Orientation orientation, QWidget* parent) : QSlider(orientation, parent) {
  QSlider::setRange(0, kSteps);
  QObject::connect(this, &QAbstractSlider::valueChanged, this, [this](int position) { positionChanged(position); });
}

int CSDoubleSlider::positionForValue(double value) const {
  const double span = m_maximum - m_minimum;
  if (!(span > 0)) return 0;
  return int(std::lround(std::clamp((value - m_minimum) / span, 0.0, 1.0) * kSteps));
}

void CSDoubleSlider::setDoubleRange(double minimum, double maximum) {
  if (!std::isfinite(minimum) || !std::isfinite(maximum)) return;
  m_minimum = minimum;
  m_maximum = std::max(minimum, maximum);
  setDoubleValue(m_value);
}

void CSDoubleSlider::setDoubleValue(double value) {
  if (std::isnan(value)) return;
  const double clamped = std::clamp(value, m_minimum, m_maximum);
  const bool changed = clamped != m_value;
  m_value = clamped;
  m_setting = true;
  setValue(positionForValue(clamped));
  m_setting = false;
  if (changed) emit doubleValueChanged(m_value);
}

void CSDoubleSlider::positionChanged(int position) {
  if (m_setting) return;
  const double value = m_minimum + (m_maximum - m_minimum) * double(position) / double(kSteps);
  if (value == m_value) return;
  m_value = value;
  emit doubleValueChanged(m_value);
}
