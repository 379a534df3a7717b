#include "support/Measure.h"

#include <cmath>
#include <mutex>
#include <numeric>

#include "support/NumberText.h"
#include "support/SaturatingCast.h"

const QString g_illegalCharacterMessage = QStringLiteral("Illegal character in number.");
const QString g_zeroDenominatorMessage = QStringLiteral("Denominator is zero.");
const QString g_numberTooLargeMessage = QStringLiteral("Number is too large.");

namespace {

struct UnitRow {
  const char16_t* name;
  MeasureUnit size;
  bool hundredths;  // formatting rounds to two decimals instead of cutting at three
};

constexpr UnitRow kUnitTable[kDistanceUnitCount] = {
    {u"pt", 12700, true}, {u"\"", 914400, false}, {u"\"", 914400, false},  {u"", 10972800, false},
    {u"mm", 36000, true}, {u"cm", 360000, false}, {u"m", 36000000, false}, {u"%", 12700, true},
    {u"px", 9525, true},  {u"pc", 152400, true},
};

// Rounding steps: 0.01", 1/32", 0.01" for feet and inches, 0.1 mm, 0.01 cm,
// 1 mm, 0.1 %, and one point for the rest.
constexpr MeasureUnit kUnitSteps[kDistanceUnitCount] = {12700, 9144,  28575, 9144,  3600,
                                                        3600,  36000, 1270,  12700, 12700};

// The largest value a parsed or rounded measure may take: one more would
// read as the mixed value.
constexpr MeasureUnit kLargestMeasure = kMixedMeasure - 1;

std::mutex& ProviderLock() {
  static std::mutex lock;
  return lock;
}

DistanceUnitProvider& Provider() {
  static DistanceUnitProvider provider;
  return provider;
}

bool IsDigit(QChar c) {
  return c.unicode() >= '0' && c.unicode() <= '9';
}

uint64_t Magnitude(int64_t value) {
  return value < 0 ? 0 - uint64_t(value) : uint64_t(value);
}

// Trims white space and control characters from both ends, turns each run
// of white space inside into one blank and drops control characters.
QString CleanUpText(QStringView text) {
  QString out;
  out.reserve(text.size());
  bool pendingBlank = false;
  for (QChar c : text) {
    if (c.isSpace()) {
      pendingBlank = !out.isEmpty();
      continue;
    }
    if (c.category() == QChar::Other_Control) continue;
    if (pendingBlank) out += QLatin1Char(' ');
    pendingBlank = false;
    out += c;
  }
  return out;
}

bool IsPunctuationOrSymbol(QChar c) {
  return c.isPunct() || c.isSymbol();
}

// Appends one decimal digit to a run read so far; false on overflow.
bool AppendDigit(int64_t* number, QChar digit) {
  int64_t times10 = 0;
  if (__builtin_mul_overflow(*number, int64_t(10), &times10)) return false;
  return !__builtin_add_overflow(times10, int64_t(digit.unicode() - '0'), number);
}

DistanceUnit ResolveUnit(DistanceUnit unit) {
  if (unit == kCurrentDistanceUnit) return CurrentDistanceUnit();
  return unit < kDistanceUnitCount ? unit : kDistanceUnitPoints;
}

}  // namespace

// ---- The user's current unit -----------------------------------------------

void SetDistanceUnitProvider(DistanceUnitProvider provider) {
  std::lock_guard guard(ProviderLock());
  Provider() = std::move(provider);
}

bool HasDistanceUnitProvider() {
  std::lock_guard guard(ProviderLock());
  return bool(Provider());
}

DistanceUnit CurrentDistanceUnit() {
  DistanceUnitProvider provider;
  {
    std::lock_guard guard(ProviderLock());
    provider = Provider();
  }
  if (!provider) return kDistanceUnitPoints;
  const DistanceUnit unit = provider();
  return unit < kDistanceUnitCount ? unit : kDistanceUnitPoints;
}

// ---- Unit table ------------------------------------------------------------

QString DistanceUnitString(DistanceUnit unit) {
  if (unit >= kDistanceUnitCount) return QString();
  return QString::fromUtf16(kUnitTable[unit].name);
}

MeasureUnit DistanceUnitSize(DistanceUnit unit) {
  return unit < kDistanceUnitCount ? kUnitTable[unit].size : kMeasurePerPoint;
}

DistanceUnit DistanceUnitFromString(QStringView text) {
  if (text.compare(u"in", Qt::CaseInsensitive) == 0) return kDistanceUnitInches;
  if (text == u"'") return kDistanceUnitFeetInches;
  if (text.isEmpty()) return kDistanceUnitPoints;
  for (DistanceUnit unit = 0; unit < kDistanceUnitCount; ++unit) {
    const QStringView name(kUnitTable[unit].name);
    if (!name.isEmpty() && text.compare(name, Qt::CaseInsensitive) == 0) return unit;
  }
  return kDistanceUnitPoints;
}

MeasureUnit DistanceUnitStep(DistanceUnit unit) {
  return unit < kDistanceUnitCount ? kUnitSteps[unit] : kMeasurePerPoint;
}

// ---- Rounding and conversion -------------------------------------------------

MeasureUnit RoundMeasure(MeasureUnit value, MeasureUnit step) {
  if (value == kMixedMeasure || step == 0) return value;
  if (step < 0) {
    if (!HasDistanceUnitProvider()) return value;
    step = DistanceUnitStep(CurrentDistanceUnit());
  }
  // Works on the magnitude in 64 unsigned bits, where the most negative
  // value and a rounded-up magnitude (below 2^64) both fit.
  const uint64_t unsignedStep = uint64_t(step);
  uint64_t magnitude = Magnitude(value);
  const uint64_t remainder = magnitude % unsignedStep;
  magnitude -= remainder;
  if (remainder != 0 && remainder >= (unsignedStep >> 1)) magnitude += unsignedStep;
  if (value >= 0) return magnitude > uint64_t(kLargestMeasure) ? kLargestMeasure : MeasureUnit(magnitude);
  if (magnitude >= uint64_t(1) << 63) return std::numeric_limits<MeasureUnit>::min();
  return -MeasureUnit(magnitude);
}

MeasureUnit MeasureFromDouble(double units) {
  const MeasureUnit value = SaturatingCast<MeasureUnit>(units);
  return value == kMixedMeasure ? kLargestMeasure : value;
}

QPointF ConvertMeasurePoint(CSPoint point) {
  return QPointF(double(point.x) / double(kMeasurePerPoint), double(point.y) / double(kMeasurePerPoint));
}

QRectF ConvertMeasureRect(const CSRect& rect) {
  const double p = double(kMeasurePerPoint);
  return QRectF(double(rect.x) / p, double(rect.y) / p, double(rect.width) / p, double(rect.height) / p);
}

CSPoint ConvertViewPoint(double x, double y) {
  return CSPoint{MeasureFromDouble(x * double(kMeasurePerPoint)), MeasureFromDouble(y * double(kMeasurePerPoint))};
}

CSRect ConvertViewRect(const QRectF& rect) {
  const double p = double(kMeasurePerPoint);
  return CSRect{MeasureFromDouble(rect.x() * p), MeasureFromDouble(rect.y() * p), MeasureFromDouble(rect.width() * p),
                MeasureFromDouble(rect.height() * p)};
}

// ---- Points and rectangles ---------------------------------------------------

namespace {
// Rectangle arithmetic saturates rather than wrapping on extreme values.
MeasureUnit Add(MeasureUnit a, MeasureUnit b) {
  MeasureUnit sum = 0;
  if (!__builtin_add_overflow(a, b, &sum)) return sum;
  return b > 0 ? std::numeric_limits<MeasureUnit>::max() : std::numeric_limits<MeasureUnit>::min();
}
MeasureUnit Subtract(MeasureUnit a, MeasureUnit b) {
  MeasureUnit difference = 0;
  if (!__builtin_sub_overflow(a, b, &difference)) return difference;
  return b < 0 ? std::numeric_limits<MeasureUnit>::max() : std::numeric_limits<MeasureUnit>::min();
}
}  // namespace

CSRect RectFromPointsMU(CSPoint a, CSPoint b) {
  const MeasureUnit left = std::min(a.x, b.x), top = std::min(a.y, b.y);
  return CSRect{left, top, Subtract(std::max(a.x, b.x), left), Subtract(std::max(a.y, b.y), top)};
}

CSRect RectFromPointsMU(MeasureUnit x1, MeasureUnit y1, MeasureUnit x2, MeasureUnit y2) {
  return RectFromPointsMU(CSPoint{x1, y1}, CSPoint{x2, y2});
}

CSRect InsetCSRect(const CSRect& rect, MeasureUnit dx, MeasureUnit dy) {
  return CSRect{Add(rect.x, dx), Add(rect.y, dy), Subtract(Subtract(rect.width, dx), dx),
                Subtract(Subtract(rect.height, dy), dy)};
}

CSRect UnionCSRect(const CSRect& a, const CSRect& b) {
  const MeasureUnit left = std::min(a.x, b.x), top = std::min(a.y, b.y);
  const MeasureUnit right = std::max(Add(a.x, a.width), Add(b.x, b.width));
  const MeasureUnit bottom = std::max(Add(a.y, a.height), Add(b.y, b.height));
  return CSRect{left, top, Subtract(right, left), Subtract(bottom, top)};
}

CSRect IntersectCSRect(const CSRect& a, const CSRect& b) {
  const MeasureUnit left = std::max(a.x, b.x), top = std::max(a.y, b.y);
  const MeasureUnit right = std::min(Add(a.x, a.width), Add(b.x, b.width));
  const MeasureUnit bottom = std::min(Add(a.y, a.height), Add(b.y, b.height));
  const CSRect result{left, top, Subtract(right, left), Subtract(bottom, top)};
  if (result.width <= 0 || result.height <= 0) return CSRect{};
  return result;
}

QString NewCSPointString(CSPoint point) {
  return QStringLiteral("{%1,%2}").arg(qlonglong(point.x)).arg(qlonglong(point.y));
}

QString NewCSRectString(const CSRect& rect) {
  return QStringLiteral("{%1,%2,%3,%4}")
      .arg(qlonglong(rect.x))
      .arg(qlonglong(rect.y))
      .arg(qlonglong(rect.width))
      .arg(qlonglong(rect.height));
}

namespace {
// The comma-separated parts inside "{...}", or none when the text is not
// of that shape; at most `count` + 1 parts are collected.
QList<QStringView> BracedParts(QStringView text, qsizetype count) {
  QList<QStringView> parts;
  if (text.size() < 5 || text.front() != u'{' || text.back() != u'}') return parts;
  const QStringView inside = text.mid(1, text.size() - 2);
  qsizetype start = 0;
  while (parts.size() <= count) {
    const qsizetype comma = inside.indexOf(u',', start);
    parts.append(inside.mid(start, comma < 0 ? inside.size() - start : comma - start));
    if (comma < 0) break;
    start = comma + 1;
  }
  return parts;
}
}  // namespace

CSPoint CSPointFromString(QStringView text) {
  const QList<QStringView> parts = BracedParts(text, 2);
  if (parts.size() != 2) return CSPoint{};
  return CSPoint{LongLongValue(parts[0]), LongLongValue(parts[1])};
}

CSRect CSRectFromString(QStringView text) {
  const QList<QStringView> parts = BracedParts(text, 4);
  if (parts.size() != 4) return CSRect{};
  return CSRect{LongLongValue(parts[0]), LongLongValue(parts[1]), LongLongValue(parts[2]), LongLongValue(parts[3])};
}

// ---- Boxing ------------------------------------------------------------------

QVariant NumberWithMeasure(MeasureUnit value) {
  return QVariant(qlonglong(value));
}

MeasureUnit MeasureValue(const QVariant& number) {
  return VariantLongLongValue(number);
}

// ---- Parsing -------------------------------------------------------------------

namespace {
// Decimal digits past this many add less than a millionth of a measure unit
// to any length, so they are read and ignored instead of overflowing the
// power of ten.
constexpr int kMaxFractionDigits = 18;
// part * scale / whole, rounded half up; part is below whole, so nothing
// overflows for any unit size.
uint64_t RoundedShare(uint64_t part, uint64_t scale, uint64_t whole) {
  return uint64_t((__int128(part) * scale * 2 + whole) / (__int128(whole) * 2));
}

}  // namespace

bool ParseMeasure(QStringView text, bool plainNumber, DistanceUnit unit, MeasureUnit* result, QString* message) {
  auto fail = [message](const QString& why) {
    if (message) *message = why;
    return false;
  };
  auto succeed = [result](MeasureUnit value) {
    if (result) *result = value;
    return true;
  };

  const DistanceUnit requested = ResolveUnit(unit);
  DistanceUnit effective = plainNumber ? kDistanceUnitPoints : requested;

  const QString s = CleanUpText(text);
  if (s.isEmpty()) return succeed(0);

  qsizetype pos = 0;
  qsizetype end = s.size();
  bool negative = false;
  if (s[0] == u'-') {
    // Percentages take a sign too: the formatter writes "-1%".
    if (end == 1) return succeed(kMixedMeasure);
    negative = true;
    pos = 1;
    if (s[pos] == u' ') ++pos;  // cleaned text has single blanks
  }

  // A unit name after the number overrides the unit.
  const QChar last = s[end - 1];
  if (last != u'.' && !IsDigit(last)) {
    if (plainNumber && requested != kDistanceUnitPercent) return fail(g_illegalCharacterMessage);
    qsizetype start = end;
    while (start > pos && !IsDigit(s[start - 1]) && s[start - 1] != u' ') --start;
    effective = DistanceUnitFromString(QStringView(s).mid(start, end - start));
    end = start;
    while (end > pos && s[end - 1] == u' ') --end;
    if (end == pos) return fail(g_illegalCharacterMessage);
  }
  if (effective == kDistanceUnitPercent && requested != kDistanceUnitPercent) return fail(g_illegalCharacterMessage);

  // Whole part, with feet and inches (5'3) in inch units.
  qsizetype i = pos;
  int64_t run = 0;
  int runDigits = 0;
  bool footMark = false;
  int64_t feet = 0;
  for (; i < end && s[i] != u' ' && s[i] != u'.' && s[i] != u'/'; ++i) {
    const QChar c = s[i];
    if (IsDigit(c)) {
      if (!AppendDigit(&run, c)) return fail(g_numberTooLargeMessage);
      ++runDigits;
    } else if (c == u'\'' && !footMark && runDigits > 0 &&
               (effective == kDistanceUnitInches || effective == kDistanceUnitInchFractions ||
                effective == kDistanceUnitFeetInches)) {
      footMark = true;
      feet = run;
      run = 0;
      runDigits = 0;
      effective = kDistanceUnitInches;
    } else {
      return fail(g_illegalCharacterMessage);
    }
  }
  int64_t feetInInches = 0;
  if (footMark && __builtin_mul_overflow(feet, int64_t(12), &feetInInches)) return fail(g_numberTooLargeMessage);
  auto wholeWithFeet = [&](int64_t inches, int64_t* whole) {
    if (!footMark) {
      *whole = inches;
      return true;
    }
    return !__builtin_add_overflow(feetInInches, inches, whole);
  };

  int64_t whole = 0;
  int64_t numerator = 0;
  int64_t denominator = 1;
  bool readDenominator = false;
  if (i == end || s[i] == u'.') {
    if (footMark && run > 11) return fail(g_illegalCharacterMessage);
    if (!wholeWithFeet(run, &whole)) return fail(g_numberTooLargeMessage);
    if (i < end) {
      int digits = 0;
      for (++i; i < end; ++i) {
        if (!IsDigit(s[i])) return fail(g_illegalCharacterMessage);
        if (digits++ >= kMaxFractionDigits) continue;
        numerator = numerator * 10 + (s[i].unicode() - '0');
        denominator *= 10;
      }
    }
  } else if (s[i] == u'/') {
    // The digits so far were a numerator (of an inch after a foot mark).
    if (runDigits == 0) return fail(g_illegalCharacterMessage);
    if (!wholeWithFeet(0, &whole)) return fail(g_numberTooLargeMessage);
    numerator = run;
    ++i;
    readDenominator = true;
  } else {
    // A blank: "1 3/4".
    if (footMark && run > 11) return fail(g_illegalCharacterMessage);
    if (!wholeWithFeet(run, &whole)) return fail(g_numberTooLargeMessage);
    ++i;
    if (i == end || !IsDigit(s[i])) return fail(g_illegalCharacterMessage);
    for (; i < end && s[i] != u'/'; ++i) {
      if (!IsDigit(s[i])) return fail(g_illegalCharacterMessage);
      if (!AppendDigit(&numerator, s[i])) return fail(g_numberTooLargeMessage);
    }
    if (i < end) {
      if (numerator == 0) return fail(g_illegalCharacterMessage);
      ++i;
    }
    readDenominator = true;
  }
  if (readDenominator) {
    denominator = 0;
    for (; i < end; ++i) {
      if (!IsDigit(s[i])) return fail(g_illegalCharacterMessage);
      if (!AppendDigit(&denominator, s[i])) return fail(g_numberTooLargeMessage);
    }
    if (denominator == 0) return fail(g_zeroDenominatorMessage);
    if (numerator > denominator) {
      if (__builtin_add_overflow(whole, numerator / denominator, &whole)) return fail(g_numberTooLargeMessage);
      numerator %= denominator;
    }
  }

  if (whole == 0 && numerator == 0) return succeed(0);
  const MeasureUnit size = DistanceUnitSize(effective == kDistanceUnitPercent ? kDistanceUnitPoints : effective);
  // The fraction rounds to the nearest unit: a length typed with three
  // decimals then shows back as typed, though a thousandth of an inch is not
  // a whole number of units.
  const __int128 fraction = (__int128(numerator) * size * 2 + denominator) / (__int128(denominator) * 2);
  const __int128 total = __int128(whole) * size + fraction;
  if (total > __int128(kLargestMeasure)) return fail(g_numberTooLargeMessage);
  return succeed(negative ? -MeasureUnit(total) : MeasureUnit(total));
}

// ---- Formatting ----------------------------------------------------------------

QString FormatMeasure(MeasureUnit value, bool plainNumber, bool showUnit, DistanceUnit unit) {
  return FormatMeasureCore(value, 0, plainNumber, showUnit, unit);
}

QString FormatMeasureCore(MeasureUnit value, int maxDecimals, bool plainNumber, bool showUnit, DistanceUnit unit) {
  if (value == 0) return QStringLiteral("0");
  if (value == kMixedMeasure) return QStringLiteral("-");

  const DistanceUnit requested = ResolveUnit(unit);
  DistanceUnit effective = kDistanceUnitPoints;
  bool show = false;
  if (plainNumber || requested == kDistanceUnitPercent) {
    show = requested == kDistanceUnitPercent;
  } else {
    effective = requested;
    show = showUnit;
  }
  // Small whole-point lengths read best in points whatever the unit, when
  // the text says so: a bare "2" would read back in the field's own unit.
  if (!plainNumber && show && effective != kDistanceUnitPoints && effective != kDistanceUnitPixels &&
      value % kMeasurePerPoint == 0 && value > -9 * kMeasurePerPoint && value < 9 * kMeasurePerPoint)
    effective = kDistanceUnitPoints;
  const DistanceUnit row =
      (requested == kDistanceUnitPercent && effective == kDistanceUnitPoints) ? kDistanceUnitPercent : effective;

  const MeasureUnit size = kUnitTable[row].size;
  const bool negative = value < 0;
  const uint64_t magnitude = Magnitude(value);
  uint64_t whole = magnitude / uint64_t(size);
  const uint64_t remainder = magnitude % uint64_t(size);
  QString text;

  if (row == kDistanceUnitFeetInches) {
    // The sign goes in front of the feet, so -0'3" reads back as it shows;
    // a length too small to show any digit shows no sign, as in other units.
    // Tenths of an inch round to the nearest, carrying into inches and feet.
    uint64_t inches = remainder / uint64_t(kMeasurePerInch);
    const uint64_t rest = remainder % uint64_t(kMeasurePerInch);
    uint64_t tenths = RoundedShare(rest, 10, uint64_t(kMeasurePerInch));
    if (tenths == 10) {
      tenths = 0;
      if (++inches == 12) {
        inches = 0;
        ++whole;
      }
    }
    const bool showsNothing = whole == 0 && inches == 0 && tenths == 0;
    text = negative && !showsNothing ? QStringLiteral("-") : QString();
    if (tenths != 0)
      text += QStringLiteral("%1'%2.%3\"").arg(whole).arg(inches).arg(tenths);
    else
      text += QStringLiteral("%1'%2\"").arg(whole).arg(inches);
  } else {
    bool done = false;
    if (row == kDistanceUnitInchFractions && remainder != 0) {
      uint64_t part = remainder;
      uint64_t divisor = std::gcd(part, uint64_t(kMeasurePerInch));
      if (uint64_t(kMeasurePerInch) / divisor > 32) {
        part -= part % 28575;  // down to 1/32 inch
        divisor = part ? std::gcd(part, uint64_t(kMeasurePerInch)) : 1;
      }
      if (part != 0) {
        const uint64_t numerator = part / divisor;
        const uint64_t denominator = uint64_t(kMeasurePerInch) / divisor;
        text = negative ? QStringLiteral("-") : QString();
        if (whole != 0) text += QStringLiteral("%1 ").arg(whole);
        text += QStringLiteral("%1/%2").arg(numerator).arg(denominator);
        done = true;
      }
    }
    if (!done) {
      uint64_t thousandths = 0;
      if (kUnitTable[row].hundredths) {
        thousandths = remainder * 1000 / uint64_t(size);
        if (thousandths != 0) thousandths = (thousandths + 5) / 10 * 10;
      } else {
        // To the nearest thousandth: cutting would show 0.124" back as
        // 0.123", since a thousandth of an inch is 914.4 units.
        thousandths = RoundedShare(remainder, 1000, uint64_t(size));
      }
      if (thousandths >= 1000) {
        ++whole;
        thousandths = 0;
      }
      text = (negative && (whole != 0 || thousandths != 0)) ? QStringLiteral("-") : QString();
      text += QString::number(whole);
      if (thousandths % 100 == 0) {
        if (thousandths != 0) text += QStringLiteral(".%1").arg(thousandths / 100);
      } else if (thousandths % 10 == 0) {
        text += QStringLiteral(".%1").arg(thousandths / 10, 2, 10, QLatin1Char('0'));
      } else {
        text += QStringLiteral(".%1").arg(thousandths, 3, 10, QLatin1Char('0'));
      }
    }
  }

  if (maxDecimals > 0) {
    const qsizetype point = text.indexOf(u'.');
    if (point >= 0) {
      qsizetype digitsEnd = point + 1;
      while (digitsEnd < text.size() && IsDigit(text[digitsEnd])) ++digitsEnd;
      if (digitsEnd - point - 1 > maxDecimals)
        text.remove(point + 1 + maxDecimals, digitsEnd - point - 1 - maxDecimals);
    }
  }

  if (show && row != kDistanceUnitFeetInches) {
    const QString name = DistanceUnitString(row);
    if (!name.isEmpty()) {
      if (!IsPunctuationOrSymbol(name[0])) text += QLatin1Char(' ');
      text += name;
    }
  }
  return text;
}

// ---- Log slider --------------------------------------------------------------

namespace {
constexpr double kLogSliderScale = 1.20411992;  // log10(16): the slider's upper half spans 100 to 1,600 points
}

double ConvertToLogSlider(MeasureUnit measure) {
  const double points = double(measure) / double(kMeasurePerPoint);
  if (points == 100.0) return 1.0;
  if (points < 100.0) return (points - 1.0) / 100.0;
  return 1.0 + (std::log10(points / 10.0) - 1.0) / kLogSliderScale;
}

MeasureUnit ConvertFromLogSlider(double position) {
  if (std::isnan(position)) return 0;
  double points = 100.0;
  if (position < 1.0)
    points = position * 100.0 + 1.0;
  else if (position > 1.0)
    points = std::pow(10.0, (position - 1.0) * kLogSliderScale + 1.0) * 10.0;
  return RoundMeasure(MeasureFromDouble(points * double(kMeasurePerPoint)), 127);
}
