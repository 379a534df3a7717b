#include <gtest/gtest.h>

#include <QColor>
#include <QLineEdit>
#include <QVariantMap>
#include <optional>

#include "support/Measure.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/CSMeasureTransformer.h"
#include "support/widgets/DRAlignmentTransformer.h"
#include "support/widgets/MeasureControls.h"
#include "testkit/QStringPrinter.h"

namespace {

constexpr MeasureUnit kPoint = kMeasurePerPoint;

// The user's unit for one test; points again afterwards.
class ScopedDistanceUnit {
 public:
  explicit ScopedDistanceUnit(DistanceUnit unit) {
    SetDistanceUnitProvider([unit] { return unit; });
  }
  ~ScopedDistanceUnit() { SetDistanceUnitProvider(nullptr); }
};

struct ParseCase {
  const char* text;
  MeasureUnit minimum;
  MeasureUnit maximum;
  bool scalar;
  DistanceUnit unit;
  std::optional<MeasureUnit> value;  // accepted with this value, or refused
  const char* message;               // with exactly this message
};

}  // namespace

TEST(MeasureFormatter, ReadsTypedTextWithinItsLimits) {
  constexpr MeasureUnit kDefaultMax = CSMeasureFormatter::kDefaultMaximum;
  constexpr MeasureUnit kAngle = 360 * kPoint;
  const ParseCase cases[] = {
      // The default limits take zero and positive lengths only.
      {"12", 0, kDefaultMax, false, kDistanceUnitPoints, 12 * kPoint, ""},
      {"0", 0, kDefaultMax, false, kDistanceUnitPoints, 0, ""},
      {"-3", 0, kDefaultMax, false, kDistanceUnitPoints, std::nullopt, "Value is smaller than the minimum of 0."},
      {"-0.5 mm", 0, kDefaultMax, false, kDistanceUnitPoints, std::nullopt, "Value is smaller than the minimum of 0."},
      // A lone "-" is the mixed value and skips the limits.
      {"-", 0, 10 * kPoint, false, kDistanceUnitPoints, kMixedMeasure, ""},
      // The parser's own refusals.
      {"1x2", 0, kDefaultMax, false, kDistanceUnitPoints, std::nullopt, "Illegal character in number."},
      {"1/0", 0, kDefaultMax, false, kDistanceUnitPoints, std::nullopt, "Denominator is zero."},
      {"99999999999999999999", 0, kDefaultMax, false, kDistanceUnitPoints, std::nullopt, "Number is too large."},
      // A unit name overrides the field's unit; the limit is shown in it.
      {"2 cm", 0, kDefaultMax, false, kDistanceUnitPoints, 720000, ""},
      {"15 pt", 0, 10 * kPoint, false, kDistanceUnitInches, std::nullopt,
       "Value is larger than the maximum of 0.139\"."},
      {"10 pt", 0, 10 * kPoint, false, kDistanceUnitPoints, 10 * kPoint, ""},
      {"10.1", 0, 10 * kPoint, false, kDistanceUnitPoints, std::nullopt, "Value is larger than the maximum of 10 pt."},
      // Angles: plain numbers between -360 and 360.
      {"-90", -kAngle, kAngle, true, kDistanceUnitPoints, -90 * kPoint, ""},
      {"400", -kAngle, kAngle, true, kDistanceUnitPoints, std::nullopt, "Value is larger than the maximum of 360."},
      {"4 mm", -kAngle, kAngle, true, kDistanceUnitPoints, std::nullopt, "Illegal character in number."},
      // Percentages.
      {"50%", 0, 100 * kPoint, true, kDistanceUnitPercent, 50 * kPoint, ""},
      {"150", 0, 100 * kPoint, true, kDistanceUnitPercent, std::nullopt, "Value is larger than the maximum of 100%."},
      // Without a unit the user's unit (millimetres here) is read.
      {"10", 0, kDefaultMax, false, kCurrentDistanceUnit, 360000, ""},
      {"0.5", 36000, kDefaultMax, false, kCurrentDistanceUnit, std::nullopt,
       "Value is smaller than the minimum of 1 mm."},
  };
  const ScopedDistanceUnit millimetres(kDistanceUnitMillimetres);
  for (const ParseCase& row : cases) {
    SCOPED_TRACE(row.text);
    CSMeasureFormatter formatter;
    formatter.setMinimum(row.minimum);
    formatter.setMaximum(row.maximum);
    formatter.setScalar(row.scalar);
    formatter.setPreferredUnit(row.unit);
    MeasureUnit value = -12345;
    QString error = QStringLiteral("untouched");
    const bool accepted = formatter.getObjectValue(QString::fromUtf8(row.text), &value, &error);
    if (row.value) {
      ASSERT_TRUE(accepted) << error.toStdString();
      EXPECT_EQ(value, *row.value);
    } else {
      ASSERT_FALSE(accepted);
      EXPECT_EQ(error.toStdString(), row.message);
      EXPECT_EQ(value, -12345);  // left alone
    }
    // As a validator it never blocks typing: refused text is only not yet
    // acceptable.
    QString text = QString::fromUtf8(row.text);
    int position = 0;
    EXPECT_EQ(formatter.validate(text, position), row.value ? QValidator::Acceptable : QValidator::Intermediate);
    // A null error pointer is allowed.
    EXPECT_EQ(formatter.getObjectValue(QString::fromUtf8(row.text), nullptr, nullptr), row.value.has_value());
  }
}

TEST(MeasureFormatter, FormatsNumbersAndNothingElse) {
  CSMeasureFormatter formatter;
  formatter.setPreferredUnit(kDistanceUnitPoints);
  struct {
    QVariant object;
    QString text;  // null: formats as nil
  } cases[] = {
      {NumberWithMeasure(72 * kPoint), QStringLiteral("72 pt")},
      {QVariant(int(6350)), QStringLiteral("0.5 pt")},
      {QVariant(double(12700.9)), QStringLiteral("1 pt")},  // an integer value: truncated
      {NumberWithMeasure(kMixedMeasure), QStringLiteral("-")},
      {NumberWithMeasure(0), QStringLiteral("0")},
      {QVariant(QStringLiteral("25400 apples")), QStringLiteral("2 pt")},  // a text's leading integer
      {QVariant(), QString()},
      {QVariant(QColor(Qt::red)), QString()},
      {QVariant(QVariantMap{{"a", 1}}), QString()},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.object.typeName() ? row.object.typeName() : "invalid");
    const QString text = formatter.stringForObjectValue(row.object);
    EXPECT_EQ(text.isNull(), row.text.isNull());
    EXPECT_EQ(text, row.text);
  }

  formatter.setShowUnits(false);
  formatter.setPreferredUnit(kDistanceUnitInches);
  EXPECT_EQ(formatter.stringForObjectValue(NumberWithMeasure(1371600)), QStringLiteral("1.5"));
  formatter.setMinimum(-kMeasurePerInch);
  formatter.setMaximum(2 * kMeasurePerInch);
  EXPECT_EQ(formatter.minimumString(), QStringLiteral("-1"));
  EXPECT_EQ(formatter.maximumString(), QStringLiteral("2"));
}

TEST(MeasureFormatter, FieldHelpersReadTheFormatterOfAField) {
  QLineEdit field;
  auto* formatter = new CSMeasureFormatter(&field);
  formatter->setPreferredUnit(kDistanceUnitPercent);
  formatter->setScalar(true);
  field.setValidator(formatter);
  SetMeasureValue(&field, 25 * kPoint);
  EXPECT_EQ(field.text(), QStringLiteral("25%"));
  field.setText(QStringLiteral("40"));
  EXPECT_EQ(MeasureFromControl(&field, 0), 40 * kPoint);

  formatter->setScalar(false);
  formatter->setShowUnits(false);
  formatter->setPreferredUnit(kDistanceUnitMillimetres);
  SetMeasureValue(&field, 360000);
  EXPECT_EQ(field.text(), QStringLiteral("10"));
}

TEST(MeasureFormatter, MeasureFromControlReadsADoubleSlider) {
  CSDoubleSlider slider;
  slider.setDoubleRange(0.1, 500);
  slider.setDoubleValue(1.25);
  // The double itself, not the handle's integer step.
  EXPECT_EQ(MeasureFromControl(&slider, 0), 15875);
  EXPECT_EQ(MeasureFromControl(&slider, 1270), 16510);  // 12.5 steps: halves away from zero
  slider.setDoubleValue(1e9);                           // kept in the range
  EXPECT_EQ(slider.doubleValue(), 500);
  EXPECT_EQ(slider.value(), CSDoubleSlider::kSteps);

  // A handle the user moves gives the value at its step.
  double heard = -1;
  QObject::connect(&slider, &CSDoubleSlider::doubleValueChanged, [&heard](double value) { heard = value; });
  slider.setValue(CSDoubleSlider::kSteps / 2);
  EXPECT_DOUBLE_EQ(slider.doubleValue(), 0.1 + (500 - 0.1) / 2);
  EXPECT_DOUBLE_EQ(heard, slider.doubleValue());
  EXPECT_EQ(MeasureFromControl(&slider, 0), MeasureFromDouble(slider.doubleValue() * 12700));
}

TEST(MeasureTransformer, PointsBothWaysAtThePrecision) {
  CSMeasureTransformer transformer;
  EXPECT_EQ(CSMeasureTransformer::precision(), 1270);
  EXPECT_EQ(transformer.transformedValue(NumberWithMeasure(3 * kPoint)).toFloat(), 3.0f);
  EXPECT_EQ(transformer.transformedValue(NumberWithMeasure(6350)).toFloat(), 0.5f);
  EXPECT_EQ(transformer.transformedValue(NumberWithMeasure(6350)).typeId(), QMetaType::Float);

  struct {
    float points;
    MeasureUnit precision;
    MeasureUnit measure;
  } cases[] = {
      {1.23f, 1270, 15240},    // 15,621 units rounded to the nearest tenth of a point
      {1.26f, 1270, 16510},    // 16,002 rounds up
      {-1.26f, 1270, -16510},  // halves away from zero, sign kept
      {1.23f, 1, 15621},       // truncated before rounding
      {2.0f, 12700, 25400},
  };
  for (const auto& row : cases) {
    SCOPED_TRACE(row.points);
    CSMeasureTransformer::setPrecision(row.precision);
    EXPECT_EQ(MeasureValue(transformer.reverseTransformedValue(QVariant(row.points))), row.measure);
  }
  CSMeasureTransformer::setPrecision(CSMeasureTransformer::kDefaultPrecision);
}

TEST(AlignmentTransformer, BothTablesAndTheirEdges) {
  const std::pair<int64_t, int64_t> toView[] = {{0, 0}, {1, 3}, {2, 1}, {3, 2}, {4, 0}, {9, 0}, {-1, 0}};
  for (const auto& [code, index] : toView) EXPECT_EQ(ModelToViewAlignment(code), index) << code;
  const std::pair<int64_t, int64_t> toModel[] = {{-1, -1}, {0, 0}, {1, 2}, {2, 3}, {3, 1}, {4, 0}, {9, 0}, {-2, 0}};
  for (const auto& [index, code] : toModel) EXPECT_EQ(ViewToModelAlignment(index), code) << index;
  // Each code survives the round trip through its segment.
  for (int64_t code = 0; code < 4; ++code) EXPECT_EQ(ViewToModelAlignment(ModelToViewAlignment(code)), code);

  DRAlignmentTransformer transformer;
  EXPECT_EQ(transformer.transformedValue(QVariant(2)).toLongLong(), 1);
  EXPECT_EQ(transformer.reverseTransformedValue(QVariant(-1)).toLongLong(), -1);
  EXPECT_EQ(transformer.reverseTransformedValue(QVariant(3)).toLongLong(), 1);
}
