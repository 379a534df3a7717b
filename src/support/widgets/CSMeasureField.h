#pragma once
// A text field for a length, angle or percentage with its own measure
// formatter. Text the formatter refuses does not end editing: Return and
// moving the focus away leave the focus in the field, and the refusal is
// told to the dialog around the field (CSValidatedDialog) or, outside one,
// shown as an alert with the formatter's message.

#include <QLineEdit>
#include <QString>

#include "support/Measure.h"

class CSMeasureFormatter;

class CSMeasureField : public QLineEdit {
 public:
  explicit CSMeasureField(QWidget* parent = nullptr);

  CSMeasureFormatter* formatter() const { return m_formatter; }
  // The text read as a measure (0 when it does not read), and the value
  // shown in the formatter's form.
  MeasureUnit measureValue() const;
  void setMeasureValue(MeasureUnit value);
  // Whether the formatter accepts the text now; its message when not.
  bool acceptsText(QString* error = nullptr) const;

 protected:
  void keyPressEvent(QKeyEvent* event) override;
  void focusOutEvent(QFocusEvent* event) override;

 private:
  void refuse(const QString& error);

  CSMeasureFormatter* m_formatter = nullptr;
  // Set while the field takes the focus back from a refused edit.
  bool m_reclaimingFocus = false;
};
