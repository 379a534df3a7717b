#pragma once
// A check box that can show the mixed state of a property that differs
// across the selection. The user never chooses the mixed state: a click on
// a mixed box turns it on, and after that clicks toggle on and off.

#include <QCheckBox>

class CSCheckBox : public QCheckBox {
  Q_OBJECT

 public:
  explicit CSCheckBox(const QString& text = QString(), QWidget* parent = nullptr);

  // Shows the mixed state until the state is set again or the box is
  // clicked.
  void setMixed();
  bool isMixed() const { return checkState() == Qt::PartiallyChecked; }

 protected:
  void nextCheckState() override;
};
