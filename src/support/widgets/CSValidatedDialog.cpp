#include "support/widgets/CSValidatedDialog.h"

#include <QDoubleValidator>
#include <QIntValidator>
#include <QLineEdit>
#include <QPointer>

#include "support/CSCore.h"
#include "support/CSError.h"
#include "support/StringWithFormat.h"
#include "support/widgets/CSMeasureFormatter.h"

const QString CSValidatedDialog::kInvalidValueTitle = QStringLiteral("Invalid value.");

CSValidatedDialog::CSValidatedDialog(QWidget* parent, Qt::WindowFlags flags) : QDialog(parent, flags) {}

bool CSValidatedDialog::controlDidFailToFormatString(QWidget* control, const QString& text, const QString&) {
  const auto* field = qobject_cast<const QLineEdit*>(control);
  complain(text, control, field ? field->validator() : nullptr);
  return true;
}

bool CSValidatedDialog::controlTextShouldEndEditing(const QLineEdit* control) const {
  if (!control || !control->validator()) return true;
  if (const auto* measure = qobject_cast<const CSMeasureFormatter*>(control->validator()))
    return measure->getObjectValue(control->text(), nullptr, nullptr);
  QString text = control->text();
  int position = int(text.size());
  return control->validator()->validate(text, position) == QValidator::Acceptable;
}

bool CSValidatedDialog::presentError(const CSError& error) {
  if (m_complaining) return false;
  for (QWidget* widget = focusWidget(); widget && widget != this; widget = widget->parentWidget()) {
    if (auto* field = qobject_cast<QLineEdit*>(widget)) {
      if (!field->validator()) break;
      complain(field->text(), field, field->validator());
      return false;
    }
  }
  GiveSimpleAlert(error.reason(), QString());
  return false;
}

QString CSValidatedDialog::complaintMessage(const QString& text, const QValidator* formatter) {
  QString minimum;
  QString maximum;
  if (const auto* measure = qobject_cast<const CSMeasureFormatter*>(formatter)) {
    minimum = measure->minimumString();
    maximum = measure->maximumString();
  } else if (const auto* integer = qobject_cast<const QIntValidator*>(formatter)) {
    minimum = QString::number(integer->bottom());
    maximum = QString::number(integer->top());
  } else if (const auto* number = qobject_cast<const QDoubleValidator*>(formatter)) {
    minimum = QString::number(number->bottom());
    maximum = QString::number(number->top());
  }
  if (minimum.isNull())
    return StringWithFormat("The number you entered, \"%@\", is not a valid value for this field.", text);
  return StringWithFormat(
      "The number you entered, \"%@\", is not a valid value for this field. It may contain non-numeric characters "
      "or be out of range.\n\nThe allowed values for this field range from %@ to %@.",
      text, minimum, maximum);
}

void CSValidatedDialog::complain(const QString& text, QWidget* control, const QValidator* formatter) {
  if (m_complaining) return;
  m_complaining = true;
  // The alert runs its own loop, in which the field may go away.
  const QPointer<QWidget> field = control;
  GiveSimpleAlert(kInvalidValueTitle, complaintMessage(text, formatter));
  raise();
  activateWindow();
  if (field) field->setFocus(Qt::OtherFocusReason);
  m_complaining = false;
}
