#include <gtest/gtest.h>

#include <QRandomGenerator>
#include <cmath>
#include <limits>

#include "support/Measure.h"

namespace {

constexpr MeasureUnit kInch = kMeasurePerInch;
constexpr MeasureUnit kPoint = kMeasurePerPoint;
constexpr MeasureUnit kMin = std::numeric_limits<MeasureUnit>::min();

// Installs a unit provider for one test and removes it afterwards.
class ScopedUnitProvider {
 public:
  explicit ScopedUnitProvider(DistanceUnit unit) {
    SetDistanceUnitProvider([unit] { return unit; });
  }
  ~ScopedUnitProvider() { SetDistanceUnitProvider(nullptr); }
};

}  // namespace

TEST(Measure, FormatMeasureExamples) {
  struct Row {
    MeasureUnit value;
    bool plain;
    bool showUnit;
    DistanceUnit unit;
    const char* text;
  } rows[] = {
      {1371600, false, true, 1, "1.5\""},
      {1371600, false, true, 2, "1 1/2\""},
      {1371600, false, true, 0, "108 pt"},
      {-1371600, false, true, 1, "-1.5\""},
      {-1371600, false, true, 2, "-1 1/2\""},
      {-1371600, false, true, 0, "-108 pt"},
      {25400, false, true, 1, "2 pt"},  // whole points under 9 show in points
      {25400, false, true, 8, "2.67 px"},
      {-25400, false, true, 8, "-2.67 px"},
      {13716000, false, true, 3, "1'3\""},
      {-13716000, false, true, 3, "-1'3\""},
      {3200400, false, true, 3, "0'3.5\""},
      {-3200400, false, true, 3, "-0'3.5\""},
      {-100, false, true, 3, "0'0\""},  // too small to show: no sign, as in other units
      {-100, false, true, 1, "0\""},
      {635000, true, true, 7, "50%"},
      {635000, false, true, 7, "50%"},
      {kMixedMeasure, false, true, 1, "-"},
      {kMixedMeasure, true, false, 7, "-"},
      {0, false, true, 2, "0"},
      {0, true, true, 7, "0"},
      {12700, true, false, 0, "1"},
      {6350, true, false, 0, "0.5"},
      {-6350, true, false, 0, "-0.5"},
      {6350, false, true, 1, "0.007\""},  // not a whole point: in inches, to the nearest thousandth
      {kInch / 4, false, true, 2, "1/4\""},
      {-kInch / 4, false, true, 2, "-1/4\""},
      {kInch + 1000, false, true, 2, "1.001\""},         // less than 1/32 inch: decimals instead
      {kInch * 3 + 100000, false, true, 2, "3 3/32\""},  // cut down to 1/32 inch
      {kInch / 3, false, true, 1, "0.333\""},            // three decimals, rounded
      {kInch * 2 / 3, false, true, 1, "0.667\""},
      {kInch - 400, false, true, 1, "1\""},              // rounding carries into the whole part
      {-kInch * 2 / 3, false, true, 5, "-1.693 cm"},
      {kInch * 2 / 3, false, true, 2, "2/3\""},          // a reduced denominator up to 32 stays
      {kInch * 2 / 3 + 1, false, true, 2, "21/32\""},    // cut down to 1/32 inch
      {36000 * 5 + 12000, false, true, 4, "5.33 mm"},    // hundredths, rounded
      {36000 * 5 + 35999, false, true, 4, "6 mm"},       // rounding carries into the whole part
      {-36000 * 5 - 35999, false, true, 4, "-6 mm"},
      {360000 * 12 + 36000, false, true, 5, "12.1 cm"},
      {36000000 + 360000, false, true, 6, "1.01 m"},
      {152400 * 2, false, true, 9, "2 pc"},
      {kInch, false, false, 1, "1"},
      {kInch * 3 / 2, false, false, 2, "1 1/2"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(FormatMeasure(row.value, row.plain, row.showUnit, row.unit), QString::fromUtf8(row.text))
        << row.value << " unit " << row.unit;
}

TEST(Measure, FormatMeasureWholePartsBeyond32Bits) {
  // Whole units past 2^31 print in full, with their sign.
  const MeasureUnit big = MeasureUnit(5000000000) * kPoint;
  EXPECT_EQ(FormatMeasure(big, false, true, 0), "5000000000 pt");
  EXPECT_EQ(FormatMeasure(-big - kPoint / 2, false, true, 0), "-5000000000.5 pt");
  EXPECT_EQ(FormatMeasure(kMixedMeasure - 1, true, false, 0), "726249766681478.41");
  EXPECT_EQ(FormatMeasure(kMin, true, false, 0), "-726249766681478.41");
  EXPECT_EQ(FormatMeasure(MeasureUnit(3000000000) * kInch + kInch / 2, false, true, 2), "3000000000 1/2\"");
}

TEST(Measure, FormatMeasureCoreCutsDecimals) {
  EXPECT_EQ(FormatMeasureCore(kInch / 3, 2, false, true, 1), "0.33\"");
  EXPECT_EQ(FormatMeasureCore(kInch / 3, 1, false, true, 1), "0.3\"");
  EXPECT_EQ(FormatMeasureCore(kInch / 3, 5, false, true, 1), "0.333\"");
  EXPECT_EQ(FormatMeasureCore(3200400, 1, false, true, 3), "0'3.5\"");
}

TEST(Measure, CurrentUnitComesFromTheProvider) {
  ASSERT_FALSE(HasDistanceUnitProvider());
  EXPECT_EQ(CurrentDistanceUnit(), kDistanceUnitPoints);
  EXPECT_EQ(FormatMeasure(kInch, false, true, kCurrentDistanceUnit), "72 pt");
  {
    ScopedUnitProvider inches(kDistanceUnitInches);
    EXPECT_EQ(FormatMeasure(kInch, false, true, kCurrentDistanceUnit), "1\"");
    MeasureUnit value = 0;
    ASSERT_TRUE(ParseMeasure(u"2", false, kCurrentDistanceUnit, &value, nullptr));
    EXPECT_EQ(value, 2 * kInch);
  }
  {
    ScopedUnitProvider bogus(99);  // out of the table: points
    EXPECT_EQ(CurrentDistanceUnit(), kDistanceUnitPoints);
  }
}

TEST(Measure, ParseMeasureTable) {
  const QString illegal = g_illegalCharacterMessage, zero = g_zeroDenominatorMessage, large = g_numberTooLargeMessage;
  struct Row {
    const char* text;
    bool plain;
    DistanceUnit unit;
    MeasureUnit value;  // when the message is empty
    QString message;
  } rows[] = {
      {"5'3", false, 3, 57607200, {}},
      {"5'12", false, 3, 0, illegal},
      {"5'", false, 1, 5 * kMeasurePerFoot, {}},
      {"5'3\"", false, 1, 63 * kInch, {}},
      {"5'3 1/2\"", false, 1, 63 * kInch + kInch / 2, {}},
      {"5'3.5", false, 2, 63 * kInch + kInch / 2, {}},
      {"5'3/4", false, 1, 60 * kInch + kInch * 3 / 4, {}},  // the feet are kept before an inch fraction
      {"0'3.5\"", false, 3, 3 * kInch + kInch / 2, {}},     // a zero foot part, as the formatter writes it
      {"-0'3.5\"", false, 3, -(3 * kInch + kInch / 2), {}},
      {"'3\"", false, 1, 0, illegal},  // a foot mark needs a number before it
      {"5'3", false, 0, 0, illegal},   // feet only in inch units
      {"1'2'3", false, 1, 0, illegal},
      {"1 3/4", false, 1, 1600200, {}},
      {"3/0", false, 1, 0, zero},
      {"1 3", false, 1, 0, zero},  // a numerator that runs to the end has no denominator
      {"7/4", false, 1, 1600200, {}},
      {"8/4", false, 1, 2 * kInch, {}},
      {"1 0/4", false, 1, 0, illegal},
      {"1 /4", false, 1, 0, illegal},
      {"1 3/4x", false, 1, 22225, {}},  // an unknown unit name reads as points
      {"-", false, 1, kMixedMeasure, {}},
      {"-", false, 7, kMixedMeasure, {}},  // the formatter's mixed value, in every unit
      {"-5", false, 7, -5 * kPoint, {}},   // as the formatter writes negative percentages
      {"-0.01%", true, 7, -127, {}},
      {"2 cm", false, 1, 720000, {}},
      {"2cm", false, 1, 720000, {}},
      {"10%", false, 0, 0, illegal},
      {"10%", false, 7, 127000, {}},
      {"10%", true, 7, 127000, {}},
      {"10 pt", true, 0, 0, illegal},
      {"45", true, 1, 45 * kPoint, {}},
      {"12.5 PT", false, 1, 12 * kPoint + kPoint / 2, {}},
      {"3 in", false, 0, 3 * kInch, {}},
      {"2.5 mm", false, 0, 90000, {}},
      {"  1.5  \t\"\n", false, 0, kInch + kInch / 2, {}},
      {".5", false, 1, kInch / 2, {}},
      {"-.5", false, 1, -kInch / 2, {}},
      {"- 2", false, 1, -2 * kInch, {}},
      {"", false, 1, 0, {}},
      {"   ", false, 1, 0, {}},
      {"pt", false, 1, 0, illegal},
      {"1.2.3", false, 1, 0, illegal},
      {"1a2", false, 1, 0, illegal},
      {"+1", false, 1, 0, illegal},
      {"1.5/2", false, 1, 0, illegal},
      {"1.0000000000000000000000001", false, 0, kPoint, {}},  // decimals past 18 digits are ignored
      {"99999999999999999999", false, 0, 0, large},           // the digit run itself overflows
      {"9223372036854775807", true, 0, 0, large},             // x 12,700 overflows
      {"726249766681478.40", true, 0, kMixedMeasure - 1 - 126, {}},
      {"726249766681478.41", true, 0, 0, large},  // would be the mixed value
      {"1/100000000000000000000", false, 1, 0, large},
      {"1 100000000000000000000/3", false, 1, 0, large},
      {"99999999999999999/1", false, 6, 0, large},
      {"9999999999999999999'", false, 1, 0, large},
      {"999999999999999999'0\"", false, 1, 0, large},  // feet x 12 overflows
      {"1000000000000000000'0\"", false, 1, 0, large},
  };
  for (const Row& row : rows) {
    MeasureUnit value = 424242;
    QString message = QStringLiteral("untouched");
    const bool ok = ParseMeasure(QString::fromUtf8(row.text), row.plain, row.unit, &value, &message);
    if (row.message.isEmpty()) {
      EXPECT_TRUE(ok) << row.text << ": " << message.toStdString();
      EXPECT_EQ(value, row.value) << row.text;
      EXPECT_EQ(message, "untouched") << row.text;
    } else {
      EXPECT_FALSE(ok) << row.text;
      EXPECT_EQ(message, row.message) << row.text;
      EXPECT_EQ(value, 424242) << row.text << ": the result is left alone on failure";
    }
  }
  // A null message pointer is allowed.
  MeasureUnit value = 0;
  EXPECT_FALSE(ParseMeasure(u"3/0", false, 1, &value, nullptr));
}

TEST(Measure, FormatThenParseRoundTripsInEveryUnit) {
  // The text a field shows reads back within the precision it shows.
  const MeasureUnit tolerance[kDistanceUnitCount] = {
      kPoint / 200 + 1,  // hundredths, rounded
      kInch / 2000 + 1,  // three decimals, rounded
      28575,             // cut down to 1/32 inch
      91440 / 2 + 1,     // tenths of an inch, rounded
      36000 / 200 + 1,
      360000 / 2000 + 1,
      36000000 / 2000 + 1,
      kPoint / 200 + 1,
      9525 / 200 + 1,
      152400 / 200 + 1,
  };
  QRandomGenerator random(5);
  for (DistanceUnit unit = 0; unit < kDistanceUnitCount; ++unit) {
    for (int i = 0; i < 3000; ++i) {
      // Magnitudes spread over every order of size up to 4e18.
      const double exponent = random.bounded(18.6);
      MeasureUnit value = MeasureUnit(std::pow(10.0, exponent));
      if (random.bounded(2)) value = -value;
      const QString text = FormatMeasure(value, false, true, unit);
      MeasureUnit parsed = 0;
      QString message;
      ASSERT_TRUE(ParseMeasure(text, false, unit, &parsed, &message))
          << "unit " << unit << " value " << value << " text " << text.toStdString() << ": " << message.toStdString();
      const MeasureUnit difference = parsed > value ? parsed - value : value - parsed;
      ASSERT_LE(difference, tolerance[unit]) << "unit " << unit << " value " << value << " text " << text.toStdString();
    }
  }
}

TEST(Measure, EveryTextTheFormatterWritesParsesToTheValueShown) {
  // Negative percentages were refused once, though the formatter writes them.
  const struct {
    MeasureUnit value;
    const char* text;
  } percents[] = {{-127, "-0.01%"}, {-kPoint, "-1%"}, {-635000, "-50%"}, {kMixedMeasure, "-"}, {127, "0.01%"}};
  for (const auto& row : percents) {
    SCOPED_TRACE(row.text);
    EXPECT_EQ(FormatMeasure(row.value, true, true, kDistanceUnitPercent), QString::fromLatin1(row.text));
    MeasureUnit parsed = 0;
    QString message;
    ASSERT_TRUE(ParseMeasure(QString::fromLatin1(row.text), true, kDistanceUnitPercent, &parsed, &message))
        << message.toStdString();
    EXPECT_EQ(parsed, row.value);
  }

  // Every unit, as a length and as a plain number, with and without the
  // unit's name: the text reads back to a value whose own text reads back
  // to it (a bare "2" for 2 pt in an inch field would read as 2 inches).
  QRandomGenerator random(11);
  for (DistanceUnit unit = 0; unit < kDistanceUnitCount; ++unit) {
    for (const bool plain : {false, true}) {
      for (const bool showUnit : {false, true}) {
        for (int i = 0; i < 1500; ++i) {
          const double exponent = random.bounded(12.0);
          MeasureUnit value = MeasureUnit(std::pow(10.0, exponent));
          if (random.bounded(2)) value = -value;
          const QString text = FormatMeasure(value, plain, showUnit, unit);
          MeasureUnit parsed = 0;
          QString message;
          ASSERT_TRUE(ParseMeasure(text, plain, unit, &parsed, &message))
              << "unit " << unit << " plain " << plain << " value " << value << " text " << text.toStdString() << ": "
              << message.toStdString();
          // What the value read shows reads back to that value (the text may
          // name another unit: 0.5 pc shows back as 6 pt).
          const QString again = FormatMeasure(parsed, plain, showUnit, unit);
          MeasureUnit reparsed = 0;
          ASSERT_TRUE(ParseMeasure(again, plain, unit, &reparsed, nullptr)) << again.toStdString();
          ASSERT_EQ(reparsed, parsed) << "unit " << unit << " plain " << plain << " value " << value;
        }
      }
    }
  }
}

namespace {

// "1.25" for 1250 thousandths, "-0.004" for -4, "2" for 2000: the text a
// length shows, trailing zeros dropped.
QString DecimalText(int thousandths, int digits) {
  const int scale = digits == 3 ? 1000 : 10;
  QString text = thousandths < 0 ? QStringLiteral("-") : QString();
  const int magnitude = std::abs(thousandths);
  text += QString::number(magnitude / scale);
  QString fraction = QString::number(magnitude % scale).rightJustified(digits, QLatin1Char('0'));
  while (fraction.endsWith(QLatin1Char('0'))) fraction.chop(1);
  if (!fraction.isEmpty()) text += QLatin1Char('.') + fraction;
  return text;
}

// Parses with the unit and formats back without the unit's name.
QString TypedAndShownBack(const QString& typed, DistanceUnit unit) {
  MeasureUnit value = 0;
  QString message;
  if (!ParseMeasure(typed, false, unit, &value, &message)) return QStringLiteral("refused: ") + message;
  return FormatMeasure(value, false, false, unit);
}

}  // namespace

TEST(Measure, TypedLengthsShowBackAsTyped) {
  // Every length a field shows at its own precision reads back to the same
  // text: three decimals of an inch (also below 1/32 inch in the fraction
  // form), whole and reduced 32nds in the fraction form, tenths of an inch
  // in feet and inches. Whole points under 9 points would show in points,
  // and no typed value here is one except zero.
  for (int t = -2000; t <= 2000; ++t) {
    const QString typed = DecimalText(t, 3);
    ASSERT_EQ(TypedAndShownBack(typed, kDistanceUnitInches), typed) << "inches";
    ASSERT_EQ(TypedAndShownBack(typed, 5), typed) << "cm";
    ASSERT_EQ(TypedAndShownBack(typed, 6), typed) << "m";
    if (std::abs(t) % 1000 < 31)  // below 1/32 inch the fraction form shows decimals
      ASSERT_EQ(TypedAndShownBack(typed, kDistanceUnitInchFractions), typed) << "fraction form";
  }
  for (int n = -64 * 3; n <= 64 * 3; ++n) {
    const int magnitude = std::abs(n), whole = magnitude / 32;
    int numerator = magnitude % 32, denominator = 32;
    while (numerator != 0 && numerator % 2 == 0) numerator /= 2, denominator /= 2;
    QString typed = numerator == 0 ? QString::number(whole)
                    : whole == 0   ? QStringLiteral("%1/%2").arg(numerator).arg(denominator)
                                   : QStringLiteral("%1 %2/%3").arg(whole).arg(numerator).arg(denominator);
    if (n < 0) typed.prepend(QLatin1Char('-'));
    ASSERT_EQ(TypedAndShownBack(typed, kDistanceUnitInchFractions), typed);
  }
  // Up to 3 feet in tenths of an inch; whole points below 9 points (1/8
  // inch steps) show in points, which no tenth of an inch is but zero.
  for (int tenths = -360; tenths <= 360; ++tenths) {
    if (tenths == 0) continue;
    const int magnitude = std::abs(tenths);
    const int feet = magnitude / 120, inches = magnitude % 120 / 10, tenth = magnitude % 10;
    QString typed = QStringLiteral("%1'%2").arg(feet).arg(inches);
    if (tenth) typed += QStringLiteral(".%1").arg(tenth);
    typed += QLatin1Char('"');
    if (tenths < 0) typed.prepend(QLatin1Char('-'));
    ASSERT_EQ(TypedAndShownBack(typed, kDistanceUnitFeetInches), typed);
  }
}

TEST(Measure, DistanceUnitNames) {
  EXPECT_EQ(DistanceUnitString(0), "pt");
  EXPECT_EQ(DistanceUnitString(2), "\"");
  EXPECT_EQ(DistanceUnitString(3), "");
  EXPECT_EQ(DistanceUnitString(7), "%");
  EXPECT_EQ(DistanceUnitString(10), "");
  struct Row {
    const char16_t* text;
    DistanceUnit unit;
  } rows[] = {{u"in", 1}, {u"IN", 1}, {u"'", 3},  {u"\"", 1}, {u"mm", 4}, {u"CM", 5}, {u"m", 6},
              {u"%", 7},  {u"Px", 8}, {u"pc", 9}, {u"pt", 0}, {u"", 0},   {u"ft", 0}};
  for (const Row& row : rows)
    EXPECT_EQ(DistanceUnitFromString(row.text), row.unit) << QString::fromUtf16(row.text).toStdString();
}

TEST(Measure, RoundMeasure) {
  EXPECT_EQ(RoundMeasure(19050, 12700), 25400);
  EXPECT_EQ(RoundMeasure(-19050, 12700), -25400);
  EXPECT_EQ(RoundMeasure(19049, 12700), 12700);
  EXPECT_EQ(RoundMeasure(-19049, 12700), -12700);
  EXPECT_EQ(RoundMeasure(5, 1), 5);  // an exact multiple stays put
  EXPECT_EQ(RoundMeasure(12345, 0), 12345);
  EXPECT_EQ(RoundMeasure(kMixedMeasure, 127), kMixedMeasure);
  // Near the ends: never the mixed value, and no overflow taking the magnitude.
  EXPECT_EQ(RoundMeasure(kMixedMeasure - 1, 1000), kMixedMeasure - 1);
  EXPECT_EQ(RoundMeasure(kMixedMeasure - 1, 12700), 9223372036854770600);
  EXPECT_EQ(RoundMeasure(kMin, 3), kMin);
  EXPECT_EQ(RoundMeasure(kMin + 1, 2), kMin);
  EXPECT_EQ(RoundMeasure(kMin, 12700), -9223372036854770600);
  EXPECT_EQ(RoundMeasure(kMin, kMixedMeasure), -kMixedMeasure);
  // A negative step asks for the current unit's step, and without a
  // provider leaves the value alone.
  EXPECT_EQ(RoundMeasure(19050, -1), 19050);
  {
    ScopedUnitProvider millimetres(kDistanceUnitMillimetres);
    EXPECT_EQ(RoundMeasure(19050, -1), 18000);
    EXPECT_EQ(RoundMeasure(-19800, -1), -21600);
  }
  {
    ScopedUnitProvider fractions(kDistanceUnitInchFractions);
    EXPECT_EQ(RoundMeasure(kInch / 64, -1), 28575);
  }
  {
    ScopedUnitProvider picas(kDistanceUnitPicas);
    EXPECT_EQ(RoundMeasure(19050, -1), 25400);
  }
}

TEST(Measure, ConversionsSaturate) {
  EXPECT_EQ(ConvertViewPoint(1.5, -2.25), (CSPoint{19050, -28575}));
  EXPECT_EQ(ConvertViewPoint(0.99999 / 12700, -0.99999 / 12700), (CSPoint{0, 0}));  // truncation toward zero
  EXPECT_EQ(ConvertViewPoint(std::nan(""), 1e300), (CSPoint{0, kMixedMeasure - 1}));
  EXPECT_EQ(ConvertViewPoint(-HUGE_VAL, HUGE_VAL), (CSPoint{kMin, kMixedMeasure - 1}));
  EXPECT_EQ(ConvertViewRect(QRectF(1, 2, 3, 4)), (CSRect{12700, 25400, 38100, 50800}));
  EXPECT_EQ(ConvertViewRect(QRectF(std::nan(""), 1e30, -1e30, 0.5)), (CSRect{0, kMixedMeasure - 1, kMin, 6350}));
  EXPECT_EQ(ConvertMeasurePoint(CSPoint{19050, -6350}), QPointF(1.5, -0.5));
  EXPECT_EQ(ConvertMeasureRect(CSRect{12700, 25400, 38100, 50800}), QRectF(1, 2, 3, 4));
}

TEST(Measure, LogSlider) {
  EXPECT_EQ(ConvertFromLogSlider(1.0), 1270000);
  EXPECT_EQ(ConvertToLogSlider(1270000), 1.0);
  EXPECT_DOUBLE_EQ(ConvertToLogSlider(12700), 0.0);
  EXPECT_EQ(ConvertFromLogSlider(0.0), 12700);
  EXPECT_EQ(ConvertFromLogSlider(0.5), 51 * 12700);
  EXPECT_NEAR(double(ConvertFromLogSlider(2.0)), 1600.0 * 12700, 127 * 1000);
  for (double position : {0.013, 0.37, 0.98, 1.001, 1.5, 1.9}) {
    const MeasureUnit measure = ConvertFromLogSlider(position);
    EXPECT_EQ(measure % 127, 0);
    EXPECT_NEAR(ConvertToLogSlider(measure), position, 1e-4) << position;
  }
  // Positions far off the slider saturate; NaN gives 0.
  EXPECT_EQ(ConvertFromLogSlider(std::nan("")), 0);
  EXPECT_EQ(ConvertFromLogSlider(1e6), kMixedMeasure - 1);
  EXPECT_LT(ConvertFromLogSlider(-1e300), 0);
}

TEST(Measure, Rectangles) {
  EXPECT_EQ(RectFromPointsMU(CSPoint{10, 50}, CSPoint{-5, 20}), (CSRect{-5, 20, 15, 30}));
  EXPECT_EQ(RectFromPointsMU(1, 2, 1, 2), (CSRect{1, 2, 0, 0}));
  EXPECT_EQ(InsetCSRect(CSRect{0, 0, 100, 50}, 10, 5), (CSRect{10, 5, 80, 40}));
  EXPECT_EQ(InsetCSRect(CSRect{0, 0, 100, 50}, -10, -5), (CSRect{-10, -5, 120, 60}));
  EXPECT_EQ(UnionCSRect(CSRect{0, 0, 10, 10}, CSRect{20, -5, 5, 5}), (CSRect{0, -5, 25, 15}));
  EXPECT_EQ(IntersectCSRect(CSRect{0, 0, 10, 10}, CSRect{5, 5, 10, 10}), (CSRect{5, 5, 5, 5}));
  EXPECT_EQ(IntersectCSRect(CSRect{0, 0, 10, 10}, CSRect{10, 0, 10, 10}), CSRect{});  // touching edges
  EXPECT_EQ(IntersectCSRect(CSRect{0, 0, 10, 10}, CSRect{0, 20, 10, 10}), CSRect{});
  // Extreme coordinates saturate instead of wrapping.
  EXPECT_EQ(UnionCSRect(CSRect{kMin, 0, 1, 1}, CSRect{kMixedMeasure - 1, 0, 10, 1}).width, kMixedMeasure);
}

TEST(Measure, PointAndRectTextForms) {
  EXPECT_EQ(NewCSPointString(CSPoint{12700, -5}), "{12700,-5}");
  EXPECT_EQ(NewCSRectString(CSRect{1, -2, 3, 9223372036854775807}), "{1,-2,3,9223372036854775807}");
  for (const CSPoint p : {CSPoint{0, 0}, CSPoint{kMin, kMixedMeasure}, CSPoint{-1, 1}})
    EXPECT_EQ(CSPointFromString(NewCSPointString(p)), p);
  const CSRect r{kMin, 3, -4, kMixedMeasure};
  EXPECT_EQ(CSRectFromString(NewCSRectString(r)), r);

  struct Row {
    const char* text;
    CSPoint point;
    CSRect rect;
  } rows[] = {
      {"{1,2}", {1, 2}, {}},
      {"{1,2,3,4}", {}, {1, 2, 3, 4}},
      {"{1, 2}", {1, 2}, {}},  // blanks before numbers are skipped
      {"{1,2", {}, {}},
      {"1,2}", {}, {}},
      {"{1}", {}, {}},  // shorter than 5
      {"{1,2,3}", {}, {}},
      {"{1,2,3,4,5}", {}, {}},
      {"{a,b}", {0, 0}, {}},
      {"{,,,}", {}, {0, 0, 0, 0}},
      {"{99999999999999999999,-99999999999999999999}", {kMixedMeasure, kMin}, {}},
      {"", {}, {}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(CSPointFromString(QString::fromUtf8(row.text)), row.point) << row.text;
    EXPECT_EQ(CSRectFromString(QString::fromUtf8(row.text)), row.rect) << row.text;
  }
}

TEST(Measure, Boxing) {
  EXPECT_EQ(MeasureValue(NumberWithMeasure(kMixedMeasure)), kMixedMeasure);
  EXPECT_EQ(MeasureValue(NumberWithMeasure(kMin)), kMin);
}
