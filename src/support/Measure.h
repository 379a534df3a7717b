#pragma once
// Lengths of the model: signed 64-bit integers in 1/914,400 inch (12,700 per
// point), with the unit table, rounding, view conversions, points and
// rectangles over measures and their text forms, and the parser and
// formatter of lengths typed and read by the user.

#include <QPointF>
#include <QRectF>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <cstdint>
#include <functional>
#include <limits>

using MeasureUnit = int64_t;
// A row of the unit table; kCurrentDistanceUnit asks for the user's unit.
using DistanceUnit = uint32_t;

// The largest value stands for "mixed" (a merged selection) or "unset".
constexpr MeasureUnit kMixedMeasure = std::numeric_limits<int64_t>::max();
constexpr MeasureUnit kMeasurePerPoint = 12700;
constexpr MeasureUnit kMeasurePerInch = 914400;
constexpr MeasureUnit kMeasurePerFoot = 10972800;

constexpr DistanceUnit kDistanceUnitPoints = 0;
constexpr DistanceUnit kDistanceUnitInches = 1;
constexpr DistanceUnit kDistanceUnitInchFractions = 2;
constexpr DistanceUnit kDistanceUnitFeetInches = 3;
constexpr DistanceUnit kDistanceUnitMillimetres = 4;
constexpr DistanceUnit kDistanceUnitCentimetres = 5;
constexpr DistanceUnit kDistanceUnitMetres = 6;
constexpr DistanceUnit kDistanceUnitPercent = 7;
constexpr DistanceUnit kDistanceUnitPixels = 8;
constexpr DistanceUnit kDistanceUnitPicas = 9;
constexpr DistanceUnit kDistanceUnitCount = 10;
constexpr DistanceUnit kCurrentDistanceUnit = 11;

struct CSPoint {
  MeasureUnit x = 0;
  MeasureUnit y = 0;
  bool operator==(const CSPoint&) const = default;
};

struct CSRect {
  MeasureUnit x = 0;
  MeasureUnit y = 0;
  MeasureUnit width = 0;
  MeasureUnit height = 0;
  bool operator==(const CSRect&) const = default;
};

// ---- The user's current unit -----------------------------------------------

// The application shell registers the provider of the user's unit at
// start-up; until then (and after an empty provider is set) there is none.
using DistanceUnitProvider = std::function<DistanceUnit()>;
void SetDistanceUnitProvider(DistanceUnitProvider provider);
bool HasDistanceUnitProvider();
// The provider's unit, or points without one. Codes outside the table give
// points, so every caller can index the table with it.
DistanceUnit CurrentDistanceUnit();

// ---- Unit table ------------------------------------------------------------

// The unit's name as shown and parsed ("pt", "\"", "mm", ...); feet and
// inches have none. Codes outside the table give the empty string.
QString DistanceUnitString(DistanceUnit unit);
// Measure units in one of the unit (per foot for feet and inches); codes
// outside the table give points.
MeasureUnit DistanceUnitSize(DistanceUnit unit);
// "in" (any case) is inches, the foot mark "'" feet and inches, otherwise the
// first row whose name matches ignoring case; points when none does.
DistanceUnit DistanceUnitFromString(QStringView text);
// The step RoundMeasure uses for a negative step in this unit.
MeasureUnit DistanceUnitStep(DistanceUnit unit);

// ---- Rounding and conversion -------------------------------------------------

// The value's magnitude rounded to the nearest multiple of `step`, halves
// away from zero, sign kept. The mixed value and a zero step pass unchanged;
// a negative step asks for the current unit's step (unchanged when no unit
// provider is registered). A result never becomes the mixed value: it
// saturates one below it, and at the smallest value below.
MeasureUnit RoundMeasure(MeasureUnit value, MeasureUnit step);

// A double number of measure units truncated toward zero; NaN gives 0 and
// values out of range saturate (at one below the mixed value above).
MeasureUnit MeasureFromDouble(double units);

QPointF ConvertMeasurePoint(CSPoint point);
QRectF ConvertMeasureRect(const CSRect& rect);
CSPoint ConvertViewPoint(double x, double y);
CSRect ConvertViewRect(const QRectF& rect);

// ---- Points and rectangles ---------------------------------------------------

// The rectangle spanned by two points: smaller origin, non-negative size.
CSRect RectFromPointsMU(CSPoint a, CSPoint b);
CSRect RectFromPointsMU(MeasureUnit x1, MeasureUnit y1, MeasureUnit x2, MeasureUnit y2);
CSRect InsetCSRect(const CSRect& rect, MeasureUnit dx, MeasureUnit dy);
CSRect UnionCSRect(const CSRect& a, const CSRect& b);
// The all-zero rectangle when the two do not overlap (touching is not).
CSRect IntersectCSRect(const CSRect& a, const CSRect& b);

// "{x,y}" and "{x,y,width,height}".
QString NewCSPointString(CSPoint point);
QString NewCSRectString(const CSRect& rect);
// Reads those forms; anything else gives the zero point or rectangle.
CSPoint CSPointFromString(QStringView text);
CSRect CSRectFromString(QStringView text);

// ---- Boxing ------------------------------------------------------------------

QVariant NumberWithMeasure(MeasureUnit value);
MeasureUnit MeasureValue(const QVariant& number);

// ---- Text ------------------------------------------------------------------

// The parser's messages.
extern const QString g_illegalCharacterMessage;  // "Illegal character in number."
extern const QString g_zeroDenominatorMessage;   // "Denominator is zero."
extern const QString g_numberTooLargeMessage;    // "Number is too large."

// Reads a typed length: an optional "-", a whole part (feet and inches as
// 5'3 in inch units), a decimal or a "1 3/4" fraction, and an optional unit
// name that overrides `unit`. A lone "-" is the mixed value and an empty
// text 0. `plainNumber` reads an angle, count or percentage on the point
// scale, where only "%" (with unit 7) may follow the number. On failure
// returns false, leaves `result` alone and stores one of the messages above
// through `message` (which may be null). A fraction of a unit's size
// rounds to the nearest measure unit.
bool ParseMeasure(QStringView text, bool plainNumber, DistanceUnit unit, MeasureUnit* result, QString* message);

// FormatMeasureCore with no limit on decimals.
QString FormatMeasure(MeasureUnit value, bool plainNumber, bool showUnit, DistanceUnit unit);
// The text of a length for the user: "0" and "-" for zero and the mixed
// value; fractions of an inch with unit 2, feet and inches with unit 3;
// small whole-point lengths in points when the unit is named; up to three
// decimals (two on rows with hundredths, tenths of an inch in feet and
// inches), rounded to the nearest, so a length typed at that precision
// shows back as typed; cut to `maxDecimals` when that is non-zero. Every
// text it writes reads back through ParseMeasure to the value shown.
QString FormatMeasureCore(MeasureUnit value, int maxDecimals, bool plainNumber, bool showUnit, DistanceUnit unit);

// ---- Log slider --------------------------------------------------------------

// Sizes on a slider: 0 to 1 covers 1 to 100 points linearly, above 1 the
// scale is logarithmic.
double ConvertToLogSlider(MeasureUnit measure);
// The inverse, rounded to 0.01 point.
MeasureUnit ConvertFromLogSlider(double position);
