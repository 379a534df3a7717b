#include "support/DayNumbers.h"

#include <QLocale>
#include <atomic>
#include <mutex>

int32_t g_minimumYear = 1900;
bool g_allowBritishDates = true;
bool g_requireDayIndexYear = false;
int32_t g_specialYear = 0;

namespace {

constexpr int32_t kDaysInMonth[13] = {0, 31, 29, 31, 30, 31, 30, 31, 31, 30, 31, 30, 31};

constexpr const char* kLongMonths[12] = {"January", "February", "March",     "April",   "May",      "June",
                                         "July",    "August",   "September", "October", "November", "December"};
constexpr const char* kShortMonths[12] = {"Jan", "Feb", "Mar", "Apr", "May", "Jun",
                                          "Jul", "Aug", "Sep", "Oct", "Nov", "Dec"};
constexpr const char* kLongWeekdays[7] = {"Sunday", "Monday", "Tuesday", "Wednesday", "Thursday", "Friday", "Saturday"};
constexpr const char* kShortWeekdays[7] = {"Sun", "Mon", "Tue", "Wed", "Thu", "Fri", "Sat"};

// Results of arithmetic stay within these years so that a day index still
// fits in 32 bits.
constexpr int64_t kFirstArithmeticYear = 1;
constexpr int64_t kLastArithmeticYear = 200000;

// -1 undecided, 0 month first, 1 day first.
std::atomic<int> s_dayMonthOrder{-1};

std::mutex& UnknownLock() {
  static std::mutex lock;
  return lock;
}
QString& UnknownText() {
  static QString text = QStringLiteral("<Unknown>");
  return text;
}

int64_t FloorDivide(int64_t a, int64_t b) {
  return a / b - ((a % b != 0) && ((a < 0) != (b < 0)));
}
int64_t FloorModulo(int64_t a, int64_t b) {
  return a - FloorDivide(a, b) * b;
}

// Days since 1 January 1970 in the proleptic Gregorian calendar; the day
// may run past the month's end and counts on.
int64_t DaysFromCivil(int64_t year, int64_t month, int64_t day) {
  year -= month <= 2;
  const int64_t era = FloorDivide(year, 400);
  const int64_t yearOfEra = year - era * 400;
  const int64_t dayOfYear = (153 * (month + (month > 2 ? -3 : 9)) + 2) / 5 + day - 1;
  const int64_t dayOfEra = yearOfEra * 365 + yearOfEra / 4 - yearOfEra / 100 + dayOfYear;
  return era * 146097 + dayOfEra - 719468;
}

void CivilFromDays(int64_t days, int64_t* year, int64_t* month, int64_t* day) {
  days += 719468;
  const int64_t era = FloorDivide(days, 146097);
  const int64_t dayOfEra = days - era * 146097;
  const int64_t yearOfEra = (dayOfEra - dayOfEra / 1460 + dayOfEra / 36524 - dayOfEra / 146096) / 365;
  const int64_t dayOfYear = dayOfEra - (365 * yearOfEra + yearOfEra / 4 - yearOfEra / 100);
  const int64_t mp = (5 * dayOfYear + 2) / 153;
  *day = dayOfYear - (153 * mp + 2) / 5 + 1;
  *month = mp < 10 ? mp + 3 : mp - 9;
  *year = yearOfEra + era * 400 + (*month <= 2);
}

// Months outside 1-12 are taken as the nearest month, so that every day
// index gives some answer.
int32_t ClampedMonth(DayIndex dayIndex) {
  return std::clamp(MonthOfDayIndex(dayIndex), 1, 12);
}

int64_t DaysOf(DayIndex dayIndex) {
  return DaysFromCivil(YearOfDayIndex(dayIndex), ClampedMonth(dayIndex), DayOfDayIndex(dayIndex));
}

// The day index of a day count, or `fallback` outside the arithmetic years.
DayIndex DayIndexFromDays(int64_t days, DayIndex fallback) {
  int64_t year = 0, month = 0, day = 0;
  CivilFromDays(days, &year, &month, &day);
  if (year < kFirstArithmeticYear || year > kLastArithmeticYear) return fallback;
  return ComputeDayIndex(int32_t(year), int32_t(month), int32_t(day));
}

int32_t LastDay(int64_t year, int32_t month) {
  if (month < 1 || month > 12) return 0;
  if (month == 2 && !IsLeapYear(int32_t(year))) return 28;
  return kDaysInMonth[month];
}

int32_t WeekdayOfDays(int64_t days) {
  return int32_t(FloorModulo(days + 4, 7));
}  // 1 January 1970 was a Thursday

bool IsAllDigits(QStringView text) {
  for (QChar c : text)
    if (c.unicode() < '0' || c.unicode() > '9') return false;
  return true;
}

// The value of a run of digits, capped well above any valid date part.
int32_t DigitsValue(QStringView text) {
  int32_t value = 0;
  for (QChar c : text) value = std::min(value * 10 + (c.unicode() - '0'), 1000000);
  return value;
}

bool IsAcceptedYear(int32_t year) {
  return (year >= g_minimumYear && year <= kMaximumYear) || (g_specialYear != 0 && year == g_specialYear);
}

}  // namespace

// ---- Settings ------------------------------------------------------------------

void SetUnknownDateString(const QString& text) {
  std::lock_guard guard(UnknownLock());
  UnknownText() = text;
}

QString UnknownDateString() {
  std::lock_guard guard(UnknownLock());
  return UnknownText();
}

bool IsDayMonthOrder() {
  int order = s_dayMonthOrder.load();
  if (order < 0) {
    order = 0;
    if (g_allowBritishDates) {
      const QString sample = QLocale().toString(QDate(2017, 12, 25), QLocale::ShortFormat);
      order = sample.startsWith(u'2') ? 1 : 0;
    }
    s_dayMonthOrder.store(order);
  }
  return order == 1;
}

void ResetDayMonthOrder() {
  s_dayMonthOrder.store(-1);
}

DayIndex MinimumDayIndex() {
  return g_minimumYear * 10000 + 101;
}
DayIndex MaximumDayIndex() {
  return ComputeDayIndex(kMaximumYear, 12, 31);
}

// ---- Building and taking apart -------------------------------------------------

DayIndex ReplaceDayInDayIndex(DayIndex dayIndex, int32_t day) {
  const int32_t last = std::max(LastDayOfMonth(dayIndex), 1);
  return ComputeDayIndex(YearOfDayIndex(dayIndex), MonthOfDayIndex(dayIndex), std::clamp(day, 1, last));
}

bool AreMonthsEqual(DayIndex a, DayIndex b) {
  return a / 100 == b / 100;
}

bool IsLeapYear(int32_t year) {
  return (year % 4 == 0 && year % 100 != 0) || year % 400 == 0;
}

int32_t LastDayOfMonth(DayIndex dayIndex) {
  return LastDay(YearOfDayIndex(dayIndex), MonthOfDayIndex(dayIndex));
}

int32_t DaysInMonth(int32_t month) {
  return month >= 1 && month <= 12 ? kDaysInMonth[month] : 0;
}

bool IsValidDate(DayIndex dayIndex) {
  const int32_t year = YearOfDayIndex(dayIndex), month = MonthOfDayIndex(dayIndex), day = DayOfDayIndex(dayIndex);
  return year >= g_minimumYear && year <= kMaximumYear && month >= 1 && month <= 12 && day >= 1 &&
         day <= LastDayOfMonth(dayIndex);
}

// ---- Platform dates ------------------------------------------------------------

DayIndex DayIndexForDate(const QDate& date) {
  if (!date.isValid()) return 0;
  return ComputeDayIndex(date.year(), date.month(), date.day());
}

DayIndex DayIndexForDate(const QDateTime& date) {
  return DayIndexForDate(date.date());
}

DayIndex DayIndexForToday() {
  return DayIndexForDate(QDate::currentDate());
}

QDateTime DateForDayIndex(DayIndex dayIndex) {
  const QDate date(YearOfDayIndex(dayIndex), MonthOfDayIndex(dayIndex), DayOfDayIndex(dayIndex));
  return date.isValid() ? date.startOfDay() : QDateTime();
}

// ---- Text ------------------------------------------------------------------------

QString FormatDayIndex(DayIndex dayIndex, bool padded) {
  if (IsNoDate(dayIndex)) return UnknownDateString();
  const int32_t year = YearOfDayIndex(dayIndex);
  int32_t first = MonthOfDayIndex(dayIndex), second = DayOfDayIndex(dayIndex);
  if (IsDayMonthOrder()) std::swap(first, second);
  const int fieldWidth = padded ? 2 : 0;
  return QStringLiteral("%1/%2/%3")
      .arg(first, fieldWidth, 10, QLatin1Char('0'))
      .arg(second, fieldWidth, 10, QLatin1Char('0'))
      .arg(year);
}

DayIndex ParseIntoDayIndex(QStringView text, QString* message) {
  auto refuse = [message](const char* why) {
    if (message) *message = QLatin1String(why);
    return DayIndex(0);
  };
  text = text.trimmed();
  if (text.isEmpty() || text == u"?" || text.compare(UnknownDateString(), Qt::CaseInsensitive) == 0) return 0;

  int32_t year = 0, month = 0, day = 0;
  if (text.size() == 8 && !text.contains(u'/')) {
    if (!IsAllDigits(text)) return refuse("invalid raw date (yyyymmdd)");
    year = DigitsValue(text.left(4));
    month = DigitsValue(text.mid(4, 2));
    day = DigitsValue(text.mid(6, 2));
    if (!IsAcceptedYear(year) || month < 1 || month > 12 || day < 1 || day > DaysInMonth(month))
      return refuse("invalid raw date (yyyymmdd)");
  } else {
    const bool dayFirst = IsDayMonthOrder();
    const QList<QStringView> parts = text.split(u'/');
    if (parts.size() < (g_requireDayIndexYear ? 3 : 2) || parts.size() > 3)
      return refuse(dayFirst ? "not in day/month/year format" : "not in month/day/year format");
    const QStringView monthText = parts[dayFirst ? 1 : 0].trimmed();
    const QStringView dayText = parts[dayFirst ? 0 : 1].trimmed();
    if (monthText.isEmpty() || !IsAllDigits(monthText)) return refuse("invalid month value");
    month = DigitsValue(monthText);
    if (month < 1 || month > 12) return refuse("invalid month value");
    if (dayText.isEmpty() || !IsAllDigits(dayText)) return refuse("invalid day value");
    day = DigitsValue(dayText);
    if (day < 1 || day > DaysInMonth(month)) return refuse("invalid day value");

    const QStringView yearText = parts.size() == 3 ? parts[2].trimmed() : QStringView();
    const int32_t currentYear = QDate::currentDate().year();
    if (yearText.isEmpty()) {
      // "12/25" and "12/25/" both mean this year.
      if (g_requireDayIndexYear) return refuse("invalid year value");
      year = currentYear;
    } else {
      if (!IsAllDigits(yearText)) return refuse("invalid year value");
      year = DigitsValue(yearText);
      if (year < 100) {
        if (g_requireDayIndexYear) return refuse("invalid year value");
        year += currentYear / 100 * 100;
      }
      if (!IsAcceptedYear(year)) return refuse("invalid year value");
    }
  }

  const DayIndex result = ComputeDayIndex(year, month, day);
  if (day > LastDayOfMonth(result)) {
    if (message) *message = QStringLiteral("day is beyond the end of that month");
  }
  return result;
}

QString MonthName(int32_t month, bool longName) {
  if (month < 1 || month > 12) return QString();
  return QLatin1String(longName ? kLongMonths[month - 1] : kShortMonths[month - 1]);
}

QString WeekdayName(int32_t weekday, bool longName) {
  if (weekday < 0 || weekday > 6) return QString();
  return QLatin1String(longName ? kLongWeekdays[weekday] : kShortWeekdays[weekday]);
}

// ---- Weekdays and arithmetic -----------------------------------------------------

int32_t WeekdayStartYear(DayIndex dayIndex) {
  return WeekdayOfDays(DaysFromCivil(YearOfDayIndex(dayIndex), 1, 1));
}

int32_t WeekdayStartMonth(DayIndex dayIndex) {
  return WeekdayOfDays(DaysFromCivil(YearOfDayIndex(dayIndex), ClampedMonth(dayIndex), 1));
}

int32_t WeekdayFromDayIndex(DayIndex dayIndex) {
  return WeekdayOfDays(DaysOf(dayIndex));
}

DayIndex WeekdayInMonth(DayIndex dayIndex, int32_t weekday, int32_t n) {
  const int32_t last = LastDayOfMonth(dayIndex);
  if (last == 0) return 0;
  weekday = int32_t(FloorModulo(weekday, 7));
  const int32_t first = WeekdayStartMonth(dayIndex);
  int32_t day = 0;
  if (n < 1) {
    const int32_t lastWeekday = (first + last - 1) % 7;
    day = last - (lastWeekday - weekday + 7) % 7;
  } else {
    const int64_t candidate = 1 + (weekday - first + 7) % 7 + int64_t(n - 1) * 7;
    if (candidate > last) return 0;
    day = int32_t(candidate);
  }
  return ComputeDayIndex(YearOfDayIndex(dayIndex), MonthOfDayIndex(dayIndex), day);
}

int32_t DayOrdinalForDayIndex(DayIndex dayIndex) {
  return int32_t(DaysOf(dayIndex) - DaysFromCivil(YearOfDayIndex(dayIndex), 1, 1) + 1);
}

DayIndex DayIndexForDayOrdinal(int32_t ordinal, DayIndex dayIndex) {
  return DayIndexFromDays(DaysFromCivil(YearOfDayIndex(dayIndex), 1, 1) + int64_t(ordinal) - 1, 0);
}

uint32_t DaysDifference(DayIndex a, DayIndex b) {
  if (a < 0 || b < 0 || a > b) return 0xFFFFFFFF;
  const int64_t days = DaysOf(b) - DaysOf(a);
  return days < 0 || days >= 0xFFFFFFFF ? 0xFFFFFFFF : uint32_t(days);
}

DayIndex AddToDayIndex(DayIndex dayIndex, int32_t years, int32_t months, int32_t days) {
  if (dayIndex == 0) return 0;
  const int64_t monthCount =
      int64_t(YearOfDayIndex(dayIndex)) * 12 + (ClampedMonth(dayIndex) - 1) + int64_t(years) * 12 + int64_t(months);
  const int64_t year = FloorDivide(monthCount, 12);
  const int32_t month = int32_t(FloorModulo(monthCount, 12)) + 1;
  if (year < kFirstArithmeticYear || year > kLastArithmeticYear) return dayIndex;
  const int32_t day = std::clamp(DayOfDayIndex(dayIndex), 1, LastDay(year, month));
  return DayIndexFromDays(DaysFromCivil(year, month, day) + days, dayIndex);
}

// ---- Easter and holidays -------------------------------------------------------

DayIndex CalculateEaster(DayIndex dayIndex) {
  const int32_t year = YearOfDayIndex(dayIndex);
  if (year < 1) return 0;
  const int32_t a = year % 19, b = year / 100, c = year % 100;
  const int32_t d = b / 4, e = b % 4;
  const int32_t f = (b + 8) / 25, g = (b - f + 1) / 3;
  const int32_t h = (19 * a + b - d - g + 15) % 30;
  const int32_t i = c / 4, k = c % 4;
  const int32_t l = (32 + 2 * e + 2 * i - h - k) % 7;
  const int32_t m = (a + 11 * h + 22 * l) / 451;
  const int32_t month = (h + l - 7 * m + 114) / 31;
  const int32_t day = (h + l - 7 * m + 114) % 31 + 1;
  return ComputeDayIndex(year, month, day);
}

QString HolidayForDayIndex(DayIndex dayIndex) {
  const int32_t year = YearOfDayIndex(dayIndex), month = MonthOfDayIndex(dayIndex), day = DayOfDayIndex(dayIndex);
  if (year < 1 || month < 1 || month > 12 || day < 1 || day > LastDayOfMonth(dayIndex)) return QString();
  const bool modern = year >= 1974;
  auto is = [dayIndex](int32_t weekday, int32_t n) { return WeekdayInMonth(dayIndex, weekday, n) == dayIndex; };
  enum { Sunday = 0, Monday = 1, Tuesday = 2, Thursday = 4 };
  switch (month) {
    case 1:
      if (day == 1) return QStringLiteral("New Year's Day");
      if (modern && is(Monday, 3)) return QStringLiteral("Martin Luther King Day");
      break;
    case 2:
      if (day == 2) return QStringLiteral("Groundhog Day");
      if (day == 14) return QStringLiteral("St. Valentine's Day");
      if (modern && is(Monday, 3)) return QStringLiteral("President's Day");
      break;
    case 3:
      if (day == 17) return QStringLiteral("St. Patrick's Day");
      if (CalculateEaster(dayIndex) == dayIndex) return QStringLiteral("Easter");
      break;
    case 4:
      if (CalculateEaster(dayIndex) == dayIndex) return QStringLiteral("Easter");
      if (day == 1) return QStringLiteral("April Fool's Day");
      break;
    case 5:
      if (is(Monday, 0)) return QStringLiteral("Memorial Day");
      if (is(Sunday, 2)) return QStringLiteral("Mother's Day");
      break;
    case 6:
      if (day == 14) return QStringLiteral("Flag Day");
      if (is(Sunday, 3)) return QStringLiteral("Father's Day");
      break;
    case 7:
      if (day == 4) return QStringLiteral("Independence Day");
      break;
    case 9:
      if (modern && is(Monday, 1)) return QStringLiteral("Labor Day");
      break;
    case 10:
      if (day == 31) return QStringLiteral("Halloween");
      if (modern && is(Monday, 2)) return QStringLiteral("Columbus Day");
      break;
    case 11:
      if (modern && day == 11) return QStringLiteral("Veterans' Day");
      if (is(Thursday, 4)) return QStringLiteral("Thanksgiving");
      if (WeekdayInMonth(dayIndex, Monday, 1) + 1 == dayIndex) return QStringLiteral("Election Day");
      break;
    case 12:
      if (day == 25) return QStringLiteral("Christmas");
      break;
    default:
      break;
  }
  return QString();
}

// ---- Boxing ----------------------------------------------------------------------

QVariant NumberWithDayIndex(DayIndex dayIndex) {
  return QVariant(uint32_t(dayIndex));
}

DayIndex DayIndexValue(const QVariant& number) {
  return DayIndex(number.toUInt());
}
