#include "support/widgets/CSMeasureFormatter.h"

#include "support/NumberText.h"
#include "support/StringWithFormat.h"

CSMeasureFormatter::CSMeasureFormatter(QObject* parent) : QValidator(parent) {}

bool CSMeasureFormatter::getObjectValue(QStringView text, MeasureUnit* value, QString* error) const {
  MeasureUnit parsed = 0;
  QString message;
  if (!ParseMeasure(text, m_scalar, m_preferredUnit, &parsed, &message)) {
    if (error) *error = message;
    return false;
  }
  if (parsed != kMixedMeasure) {
    if (parsed < m_minimum) {
      if (error) *error = StringWithFormat("Value is smaller than the minimum of %@.", minimumString());
      return false;
    }
    if (parsed > m_maximum) {
      if (error) *error = StringWithFormat("Value is larger than the maximum of %@.", maximumString());
      return false;
    }
  }
  if (value) *value = parsed;
  return true;
}

QString CSMeasureFormatter::stringForObjectValue(const QVariant& object) const {
  if (!IsNumberVariant(object) && object.typeId() != QMetaType::QString) return QString();
  return FormatMeasure(VariantLongLongValue(object), m_scalar, m_showUnits, m_preferredUnit);
}

QString CSMeasureFormatter::minimumString() const {
  return FormatMeasure(m_minimum, m_scalar, m_showUnits, m_preferredUnit);
}

QString CSMeasureFormatter::maximumString() const {
  return FormatMeasure(m_maximum, m_scalar, m_showUnits, m_preferredUnit);
}

QValidator::State CSMeasureFormatter::validate(QString& input, int&) const {
  return getObjectValue(input, nullptr, nullptr) ? Acceptable : Intermediate;
}
