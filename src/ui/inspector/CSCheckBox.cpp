#include "ui/inspector/CSCheckBox.h"

CSCheckBox::CSCheckBox(const QString& text, QWidget* parent) : QCheckBox(text, parent) {
  // Tristate only so that the mixed state can be shown.
  setTristate(true);
}

void CSCheckBox::setMixed() {
  setCheckState(Qt::PartiallyChecked);
}

void CSCheckBox::nextCheckState() {
  setCheckState(checkState() == Qt::Checked ? Qt::Unchecked : Qt::Checked);
}
