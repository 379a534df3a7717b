#include <gtest/gtest.h>

#include <QDoubleSpinBox>
#include <QLineEdit>
#include <QRegularExpressionValidator>
#include <QSlider>
#include <QSpinBox>
#include <cmath>

#include "support/widgets/MeasureControls.h"

TEST(MeasureControls, TextFieldReadsAndShowsItsUnit) {
  QLineEdit field;
  // Without a format: lengths in the current unit (points), with the name.
  SetMeasureValue(&field, 914400);
  EXPECT_EQ(field.text(), "72 pt");
  EXPECT_EQ(MeasureValue(&field), 914400);
  SetMeasureValue(&field, kMixedMeasure);
  EXPECT_EQ(field.text(), "-");
  EXPECT_EQ(MeasureValue(&field), kMixedMeasure);

  field.setProperty("preferredUnit", 3);
  SetMeasureValue(&field, 3200400);
  EXPECT_EQ(field.text(), "0'3.5\"");
  EXPECT_EQ(MeasureValue(&field), 3200400);  // the field reads back its own text

  field.setText(QStringLiteral("3/0"));
  EXPECT_EQ(MeasureValue(&field), 0);  // text that does not read
  field.setText(QStringLiteral("2 cm"));
  EXPECT_EQ(MeasureValue(&field), 720000);

  field.setProperty("showUnits", false);
  field.setProperty("preferredUnit", 1);
  SetMeasureValue(&field, 1371600);
  EXPECT_EQ(field.text(), "1.5");
  EXPECT_EQ(MeasureValue(&field), 1371600);
}

TEST(MeasureControls, FormatOnTheValidatorWins) {
  QLineEdit field;
  field.setProperty("preferredUnit", 1);
  auto* validator = new QRegularExpressionValidator(&field);
  validator->setProperty("preferredUnit", 7);
  validator->setProperty("scalar", true);
  field.setValidator(validator);
  SetMeasureValue(&field, 635000);
  EXPECT_EQ(field.text(), "50%");
  EXPECT_EQ(MeasureValue(&field), 635000);
}

TEST(MeasureControls, MeasureFromControl) {
  QSlider slider;
  slider.setRange(0, 1000);
  slider.setValue(12);
  EXPECT_EQ(MeasureFromControl(&slider, 12700), 12 * 12700);

  QDoubleSpinBox spin;
  spin.setDecimals(4);
  spin.setRange(-1e300, 1e300);
  spin.setValue(1.2345);
  EXPECT_EQ(MeasureFromControl(&spin, 0), 15678);  // truncated
  EXPECT_EQ(MeasureFromControl(&spin, 127), 15621);
  EXPECT_EQ(MeasureFromControl(&spin, 1270), 15240);
  spin.setValue(1e300);  // saturates below the mixed value
  EXPECT_EQ(MeasureFromControl(&spin, 127), kMixedMeasure - 1);
  spin.setValue(-1e300);
  EXPECT_EQ(MeasureFromControl(&spin, 0), std::numeric_limits<MeasureUnit>::min());

  QSpinBox intSpin;
  intSpin.setValue(3);
  EXPECT_EQ(MeasureFromControl(&intSpin, 12700), 38100);

  QLineEdit field;
  field.setProperty("preferredUnit", 1);
  field.setText(QStringLiteral("1 1/100"));
  EXPECT_EQ(MeasureFromControl(&field, 28575), 914400);
  field.setText(QStringLiteral("-"));
  EXPECT_EQ(MeasureFromControl(&field, 28575), kMixedMeasure);

  QWidget plain;
  EXPECT_EQ(MeasureFromControl(&plain, 127), 0);
  EXPECT_EQ(MeasureFromControl(nullptr, 127), 0);
}
