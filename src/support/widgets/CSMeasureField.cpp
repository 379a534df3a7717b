#include "support/widgets/CSMeasureField.h"

#include <QApplication>
#include <QFocusEvent>
#include <QKeyEvent>
#include <QPointer>
#include <QTimer>

#include "support/CSCore.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/CSValidatedDialog.h"
#include "support/widgets/MeasureControls.h"

namespace {

// Only one refusal alert at a time for fields outside a dialog.
bool g_alertUp = false;

bool LeavesField(Qt::FocusReason reason) {
  switch (reason) {
    case Qt::MouseFocusReason:
    case Qt::TabFocusReason:
    case Qt::BacktabFocusReason:
    case Qt::ShortcutFocusReason:
    case Qt::OtherFocusReason:
      return true;
    default:
      // The window losing activation (an alert, another application) or a
      // popup does not end the edit.
      return false;
  }
}

}  // namespace

CSMeasureField::CSMeasureField(QWidget* parent) : QLineEdit(parent) {
  m_formatter = new CSMeasureFormatter(this);
  setValidator(m_formatter);
}

MeasureUnit CSMeasureField::measureValue() const {
  return MeasureValue(this);
}

void CSMeasureField::setMeasureValue(MeasureUnit value) {
  SetMeasureValue(this, value);
}

bool CSMeasureField::acceptsText(QString* error) const {
  return m_formatter->getObjectValue(text(), nullptr, error);
}

void CSMeasureField::keyPressEvent(QKeyEvent* event) {
  if (event->key() == Qt::Key_Return || event->key() == Qt::Key_Enter) {
    QString error;
    if (!acceptsText(&error)) {
      // Taken here, so a dialog's default button does not act on it.
      event->accept();
      refuse(error);
      return;
    }
  }
  QLineEdit::keyPressEvent(event);
}

void CSMeasureField::focusOutEvent(QFocusEvent* event) {
  QLineEdit::focusOutEvent(event);
  QString error;
  if (!LeavesField(event->reason()) || acceptsText(&error)) return;
  // A click on a button (Cancel, say) does not end the edit; a click into
  // another text field does. The widget taking the focus is already known.
  const QWidget* next = QApplication::focusWidget();
  if (event->reason() == Qt::MouseFocusReason && next && next != this &&
      !next->testAttribute(Qt::WA_InputMethodEnabled))
    return;
  // A field on its way out (hidden, disabled, or already taking the focus
  // back) lets it go: reclaiming it there would only bounce it back here.
  if (m_reclaimingFocus || !isVisible() || !isEnabled()) return;
  // The focus stays; the refusal is told once the focus change is over.
  m_reclaimingFocus = true;
  setFocus(Qt::OtherFocusReason);
  m_reclaimingFocus = false;
  QTimer::singleShot(0, this, [this, error] {
    if (isVisible()) refuse(error);
  });
}

void CSMeasureField::refuse(const QString& error) {
  for (QWidget* widget = parentWidget(); widget; widget = widget->parentWidget()) {
    if (auto* dialog = dynamic_cast<CSValidatedDialog*>(widget)) {
      dialog->controlDidFailToFormatString(this, text(), error);
      return;
    }
  }
  if (g_alertUp) return;
  g_alertUp = true;
  const QPointer<CSMeasureField> self = this;
  GiveSimpleAlert(error, QString());
  g_alertUp = false;
  if (self) self->setFocus(Qt::OtherFocusReason);
}
