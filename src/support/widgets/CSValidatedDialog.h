#pragma once
// The base of dialogs whose fields carry formatters: a refused entry
// becomes one "Invalid value." alert that names the allowed range, after
// which the window comes forward and the field has the focus again. While
// that alert is up, further refusals raise no second one.

#include <QDialog>
#include <QString>

class CSError;
class QLineEdit;
class QValidator;

class CSValidatedDialog : public QDialog {
 public:
  static const QString kInvalidValueTitle;  // "Invalid value."

  explicit CSValidatedDialog(QWidget* parent = nullptr, Qt::WindowFlags flags = Qt::WindowFlags());

  bool isComplaining() const { return m_complaining; }

  // A field's formatter refused its text: complains, and answers true (the
  // refusal is dealt with).
  bool controlDidFailToFormatString(QWidget* control, const QString& text, const QString& error);
  // Editing may end when the field has no formatter or the formatter
  // accepts the whole text.
  bool controlTextShouldEndEditing(const QLineEdit* control) const;
  // False at once while complaining. Otherwise the first line edit met from
  // the focused widget up to the dialog decides: with a formatter, a
  // complaint about its text (false); without one, or with no field, the
  // error is shown as it is (false).
  bool presentError(const CSError& error);
  // Ignored while a complaint is up.
  void complain(const QString& text, QWidget* control, const QValidator* formatter);

  // The complaint's text for the text and formatter.
  static QString complaintMessage(const QString& text, const QValidator* formatter);

 private:
  bool m_complaining = false;
};
