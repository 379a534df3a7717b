#pragma once
// Day indexes: a Gregorian date as one signed 32-bit yyyymmdd value (year x
// 10,000 + month x 100 + day), which sorts by date, reads at a glance and
// needs no time zone. Building and taking them apart, weekdays, arithmetic,
// Easter and holidays, and the text forms in the user's day/month order.

#include <QDate>
#include <QDateTime>
#include <QString>
#include <QStringView>
#include <QVariant>
#include <cstdint>

using DayIndex = int32_t;

// ---- Settings ------------------------------------------------------------------

extern int32_t g_minimumYear;       // 1900: the first valid year
extern bool g_allowBritishDates;    // true: the day/month order follows the locale
extern bool g_requireDayIndexYear;  // false: parsing demands a four-digit year when set
extern int32_t g_specialYear;       // 0: one year accepted outside the valid range

constexpr int32_t kMaximumYear = 3000;

// The text shown for no date, "<Unknown>" until replaced.
void SetUnknownDateString(const QString& text);
QString UnknownDateString();

// True when dates read and write day first: decided once, on first use,
// from how the locale writes 25 December 2017 in its short format.
bool IsDayMonthOrder();
// Decides the order again on next use (after the locale changed).
void ResetDayMonthOrder();

DayIndex MinimumDayIndex();
DayIndex MaximumDayIndex();
// Values of magnitude up to 9,999 stand for no date.
constexpr bool IsNoDate(DayIndex dayIndex) {
  return dayIndex >= -9999 && dayIndex <= 9999;
}

// ---- Building and taking apart -------------------------------------------------

constexpr DayIndex ComputeDayIndex(int32_t year, int32_t month, int32_t day) {
  return year * 10000 + month * 100 + day;
}
constexpr int32_t YearOfDayIndex(DayIndex dayIndex) {
  return dayIndex / 10000;
}
constexpr int32_t MonthOfDayIndex(DayIndex dayIndex) {
  return dayIndex / 100 % 100;
}
constexpr int32_t DayOfDayIndex(DayIndex dayIndex) {
  return dayIndex % 100;
}

// The same year and month with the day clamped to the month.
DayIndex ReplaceDayInDayIndex(DayIndex dayIndex, int32_t day);
bool AreMonthsEqual(DayIndex a, DayIndex b);
bool IsLeapYear(int32_t year);
// 28-31 by the leap rule; months outside 1-12 give 0.
int32_t LastDayOfMonth(DayIndex dayIndex);
// The table's days, 29 for February; 0 outside 1-12.
int32_t DaysInMonth(int32_t month);
bool IsValidDate(DayIndex dayIndex);

// ---- Platform dates ------------------------------------------------------------

DayIndex DayIndexForDate(const QDate& date);
DayIndex DayIndexForDate(const QDateTime& date);
DayIndex DayIndexForToday();
// The local start of that day; invalid for an impossible date.
QDateTime DateForDayIndex(DayIndex dayIndex);

// ---- Text ------------------------------------------------------------------------

// "m/d/yyyy" or "d/m/yyyy" by the order, two-digit days and months when
// padded; the unknown-date text for no date.
QString FormatDayIndex(DayIndex dayIndex, bool padded);
// Reads "yyyymmdd", "m/d", "m/d/y" (or day first by the order). Returns 0
// for an empty text, "?" or the unknown-date text (no message), and 0 with
// a message through `message` (which may be null) for text it refuses. A
// day past the end of its month still returns its day index, with a message.
DayIndex ParseIntoDayIndex(QStringView text, QString* message);

// "January" or "Jan" for 1-12; empty otherwise.
QString MonthName(int32_t month, bool longName);
// "Sunday" or "Sun" for 0-6; empty otherwise.
QString WeekdayName(int32_t weekday, bool longName);

// ---- Weekdays and arithmetic -----------------------------------------------------

// Weekdays run from 0 (Sunday) to 6 (Saturday).
int32_t WeekdayStartYear(DayIndex dayIndex);
int32_t WeekdayStartMonth(DayIndex dayIndex);
int32_t WeekdayFromDayIndex(DayIndex dayIndex);
// The n-th (from 1) such weekday of the month; n below 1 asks for the last.
// 0 when the month has no n-th one.
DayIndex WeekdayInMonth(DayIndex dayIndex, int32_t weekday, int32_t n);
// 1 for 1 January.
int32_t DayOrdinalForDayIndex(DayIndex dayIndex);
// The ordinal-th day of the year of `dayIndex`; ordinals outside the year
// count on into the next years or back into earlier ones.
DayIndex DayIndexForDayOrdinal(int32_t ordinal, DayIndex dayIndex);
// Days from a to b; 0xFFFFFFFF when a is after b or either is negative.
uint32_t DaysDifference(DayIndex a, DayIndex b);
// Years and months first (the day clamped to the new month), then days.
// 0 stays 0; a result outside the years 1 to 200,000 leaves the day
// index unchanged.
DayIndex AddToDayIndex(DayIndex dayIndex, int32_t years, int32_t months, int32_t days);

// ---- Easter and holidays -------------------------------------------------------

// Easter Sunday of the year of `dayIndex` (Gregorian computus).
DayIndex CalculateEaster(DayIndex dayIndex);
// The holiday's name, or a null string.
QString HolidayForDayIndex(DayIndex dayIndex);

// ---- Boxing ----------------------------------------------------------------------

QVariant NumberWithDayIndex(DayIndex dayIndex);
DayIndex DayIndexValue(const QVariant& number);
