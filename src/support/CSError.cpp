#include "support/CSError.h"

const QString CSError::kOSStatusDomain = QStringLiteral("NSOSStatusErrorDomain");
const QString CSError::kPOSIXDomain = QStringLiteral("NSPOSIXErrorDomain");
const QString CSError::kCocoaDomain = QStringLiteral("NSCocoaErrorDomain");

QString CSError::reason() const {
  QString text = !m_failureReason.isEmpty() ? m_failureReason
                 : !m_description.isEmpty() ? m_description
                                            : QStringLiteral("An unknown error occurred.");
  text.replace(QChar(0x2019), QLatin1Char('\''))
      .replace(QChar(0x2018), QLatin1Char('\''))
      .replace(QChar(0x201C), QLatin1Char('"'))
      .replace(QChar(0x201D), QLatin1Char('"'));
  return text;
}
