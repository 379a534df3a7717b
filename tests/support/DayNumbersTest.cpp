#include <gtest/gtest.h>

#include <QLocale>
#include <QProcess>
#include <QStandardPaths>

#include "support/DayNumbers.h"

namespace {

// Sets the locale's day/month order for one test and restores it after.
class ScopedLocale {
 public:
  explicit ScopedLocale(const char* name) : m_previous(QLocale()) {
    QLocale::setDefault(QLocale(QString::fromLatin1(name)));
    ResetDayMonthOrder();
  }
  ~ScopedLocale() {
    QLocale::setDefault(m_previous);
    ResetDayMonthOrder();
  }

 private:
  QLocale m_previous;
};

}  // namespace

TEST(DayNumbers, BuildingAndTakingApart) {
  EXPECT_EQ(ComputeDayIndex(2024, 2, 29), 20240229);
  EXPECT_EQ(YearOfDayIndex(20240229), 2024);
  EXPECT_EQ(MonthOfDayIndex(20240229), 2);
  EXPECT_EQ(DayOfDayIndex(20240229), 29);
  EXPECT_EQ(LastDayOfMonth(20230201), 28);
  EXPECT_EQ(LastDayOfMonth(20000201), 29);
  EXPECT_EQ(LastDayOfMonth(19000201), 28);
  EXPECT_EQ(LastDayOfMonth(20231301), 0);
  EXPECT_EQ(DaysInMonth(2), 29);
  EXPECT_EQ(DaysInMonth(13), 0);
  EXPECT_EQ(ReplaceDayInDayIndex(20230215, 31), 20230228);
  EXPECT_EQ(ReplaceDayInDayIndex(20230215, -4), 20230201);
  EXPECT_TRUE(AreMonthsEqual(20230201, 20230228));
  EXPECT_FALSE(AreMonthsEqual(20230201, 20220201));
  EXPECT_TRUE(IsValidDate(20240229));
  EXPECT_FALSE(IsValidDate(20230229));
  EXPECT_FALSE(IsValidDate(18991231));
  EXPECT_FALSE(IsValidDate(30010101));
  EXPECT_EQ(MinimumDayIndex(), 19000101);
  EXPECT_EQ(MaximumDayIndex(), 30001231);
  EXPECT_EQ(MonthName(1, true), "January");
  EXPECT_EQ(MonthName(9, false), "Sep");
  EXPECT_EQ(MonthName(0, true), "");
  EXPECT_EQ(WeekdayName(0, true), "Sunday");
  EXPECT_EQ(WeekdayName(4, false), "Thu");
  EXPECT_EQ(WeekdayName(7, false), "");
  EXPECT_EQ(DayIndexValue(NumberWithDayIndex(20240229)), 20240229);
  EXPECT_EQ(DayIndexForDate(QDate(2024, 3, 5)), 20240305);
  EXPECT_EQ(DayIndexForDate(DateForDayIndex(20240305)), 20240305);
  EXPECT_FALSE(DateForDayIndex(20230230).isValid());
  EXPECT_EQ(DayIndexForToday(), DayIndexForDate(QDate::currentDate()));
}

TEST(DayNumbers, WeekdaysFollowTheFullGregorianRule) {
  EXPECT_EQ(WeekdayFromDayIndex(20240101), 1);
  EXPECT_EQ(WeekdayStartYear(19000101), 1);
  // 2100 is not a leap year; counting every fourth year went wrong from there.
  for (int year = 1900; year <= 3000; ++year)
    ASSERT_EQ(WeekdayStartYear(ComputeDayIndex(year, 6, 15)), QDate(year, 1, 1).dayOfWeek() % 7) << year;
  for (int year : {1900, 2000, 2023, 2024, 2100, 2400, 2999}) {
    for (int month = 1; month <= 12; ++month) {
      const DayIndex first = ComputeDayIndex(year, month, 1);
      ASSERT_EQ(WeekdayStartMonth(first), QDate(year, month, 1).dayOfWeek() % 7) << first;
      const DayIndex last = ComputeDayIndex(year, month, LastDayOfMonth(first));
      ASSERT_EQ(WeekdayFromDayIndex(last), QDate(year, month, DayOfDayIndex(last)).dayOfWeek() % 7) << last;
      ASSERT_EQ(DayOrdinalForDayIndex(last), QDate(year, month, DayOfDayIndex(last)).dayOfYear()) << last;
    }
  }
}

TEST(DayNumbers, Arithmetic) {
  EXPECT_EQ(WeekdayInMonth(20241101, 4, 4), 20241128);  // fourth Thursday
  EXPECT_EQ(WeekdayInMonth(20240501, 1, 0), 20240527);  // last Monday
  EXPECT_EQ(WeekdayInMonth(20240201, 4, 5), 20240229);
  EXPECT_EQ(WeekdayInMonth(20230201, 4, 5), 0);  // no fifth Thursday
  EXPECT_EQ(DayOrdinalForDayIndex(20240101), 1);
  EXPECT_EQ(DayOrdinalForDayIndex(20241231), 366);
  EXPECT_EQ(DayIndexForDayOrdinal(60, 20240505), 20240229);
  EXPECT_EQ(DayIndexForDayOrdinal(366, 20230505), 20240101);
  EXPECT_EQ(DaysDifference(20231231, 20240101), 1u);
  EXPECT_EQ(DaysDifference(20240101, 20231231), 0xFFFFFFFFu);
  EXPECT_EQ(DaysDifference(-20240101, 20240101), 0xFFFFFFFFu);
  EXPECT_EQ(DaysDifference(19000101, 30001231), uint32_t(QDate(1900, 1, 1).daysTo(QDate(3000, 12, 31))));
  EXPECT_EQ(DaysDifference(20990301, 21010301), 730u);
  EXPECT_EQ(AddToDayIndex(20240131, 0, 1, 0), 20240229);
  EXPECT_EQ(AddToDayIndex(20240229, 1, 0, 0), 20250228);
  EXPECT_EQ(AddToDayIndex(20241215, 0, 3, 0), 20250315);
  EXPECT_EQ(AddToDayIndex(20240315, 0, -3, 0), 20231215);
  EXPECT_EQ(AddToDayIndex(20241231, 0, 0, 1), 20250101);
  EXPECT_EQ(AddToDayIndex(20240301, 0, 0, -1), 20240229);
  EXPECT_EQ(AddToDayIndex(0, 1, 1, 1), 0);
  EXPECT_EQ(AddToDayIndex(20240101, -2024, 0, 0), 20240101);  // year 0: unchanged
  EXPECT_EQ(AddToDayIndex(20240101, std::numeric_limits<int32_t>::max(), std::numeric_limits<int32_t>::max(),
                          std::numeric_limits<int32_t>::max()),
            20240101);
  for (int days : {-100000, -1000, -1, 0, 1, 59, 366, 1461, 100000}) {
    const QDate expected = QDate(2024, 1, 31).addDays(days);
    EXPECT_EQ(AddToDayIndex(20240131, 0, 0, days), DayIndexForDate(expected)) << days;
  }
}

TEST(DayNumbers, EasterAgainstAnOutsideReference) {
  // From `ncal -e YEAR`.
  struct Row {
    int year;
    DayIndex easter;
  } rows[] = {{1900, 19000415}, {1961, 19610402}, {2000, 20000423}, {2019, 20190421}, {2024, 20240331},
              {2025, 20250420}, {2038, 20380425}, {2100, 21000328}, {2285, 22850322}, {3000, 30000413}};
  for (const Row& row : rows) EXPECT_EQ(CalculateEaster(ComputeDayIndex(row.year, 1, 1)), row.easter) << row.year;
}

TEST(DayNumbers, EasterAgainstNcalForManyYears) {
  const QString ncal = QStandardPaths::findExecutable(QStringLiteral("ncal"));
  if (ncal.isEmpty()) GTEST_SKIP() << "ncal is not installed";
  for (int year = 1900; year <= 3000; year += 7) {
    QProcess process;
    QProcessEnvironment environment = QProcessEnvironment::systemEnvironment();
    environment.insert(QStringLiteral("LC_ALL"), QStringLiteral("C"));
    process.setProcessEnvironment(environment);
    process.start(ncal, {QStringLiteral("-e"), QString::number(year)});
    ASSERT_TRUE(process.waitForFinished(10000));
    // "MM/DD/YY"
    const QList<QByteArray> parts = process.readAllStandardOutput().trimmed().split('/');
    ASSERT_EQ(parts.size(), 3) << year;
    EXPECT_EQ(CalculateEaster(ComputeDayIndex(year, 1, 1)), ComputeDayIndex(year, parts[0].toInt(), parts[1].toInt()))
        << year;
  }
}

TEST(DayNumbers, Holidays) {
  struct Row {
    DayIndex day;
    const char* name;  // null for none
  } rows[] = {
      {20240101, "New Year's Day"},
      {20240115, "Martin Luther King Day"},
      {19700119, nullptr},  // before 1974
      {20240202, "Groundhog Day"},
      {20240214, "St. Valentine's Day"},
      {20240219, "President's Day"},
      {20240317, "St. Patrick's Day"},
      {20240331, "Easter"},
      {20240401, "April Fool's Day"},
      {19560401, "Easter"},  // Easter wins over April Fool's Day
      {20240527, "Memorial Day"},
      {20240512, "Mother's Day"},
      {20240614, "Flag Day"},
      {20240616, "Father's Day"},
      {20240704, "Independence Day"},
      {20240902, "Labor Day"},
      {19700907, nullptr},
      {20241031, "Halloween"},
      {20241014, "Columbus Day"},
      {20241111, "Veterans' Day"},
      {19701111, nullptr},
      {20241128, "Thanksgiving"},
      {20241105, "Election Day"},
      {20261103, "Election Day"},  // 1 November 2026 is a Sunday
      {20231107, "Election Day"},
      {20231101, nullptr},
      {20241225, "Christmas"},
      {20240815, nullptr},
      {20241300, nullptr},
      {0, nullptr},
  };
  for (const Row& row : rows) {
    const QString name = HolidayForDayIndex(row.day);
    if (row.name)
      EXPECT_EQ(name, QString::fromUtf8(row.name)) << row.day;
    else
      EXPECT_TRUE(name.isNull()) << row.day << " " << name.toStdString();
  }
}

TEST(DayNumbers, FormatInBothOrders) {
  {
    ScopedLocale american("en_US");
    EXPECT_FALSE(IsDayMonthOrder());
    EXPECT_EQ(FormatDayIndex(20240305, true), "03/05/2024");
    EXPECT_EQ(FormatDayIndex(20240305, false), "3/5/2024");
  }
  {
    ScopedLocale british("en_GB");
    EXPECT_TRUE(IsDayMonthOrder());
    EXPECT_EQ(FormatDayIndex(20240305, true), "05/03/2024");
  }
  EXPECT_EQ(FormatDayIndex(0, false), "<Unknown>");
  SetUnknownDateString(QStringLiteral("none"));
  EXPECT_EQ(FormatDayIndex(9999, false), "none");
  SetUnknownDateString(QStringLiteral("<Unknown>"));
}

TEST(DayNumbers, ParseInBothOrders) {
  const int32_t year = QDate::currentDate().year();
  struct Row {
    const char* text;
    DayIndex monthFirst;
    const char* monthFirstMessage;
    DayIndex dayFirst;
    const char* dayFirstMessage;
  } rows[] = {
      {"12/25", ComputeDayIndex(year, 12, 25), nullptr, 0, "invalid month value"},
      {"25/12", 0, "invalid month value", ComputeDayIndex(year, 12, 25), nullptr},
      {"2/30/2023", 0, "invalid day value", 0, "invalid month value"},
      {"30/2/2023", 0, "invalid month value", 0, "invalid day value"},
      {"2/29/2023", 20230229, "day is beyond the end of that month", 0, "invalid month value"},
      {"29/2/2023", 0, "invalid month value", 20230229, "day is beyond the end of that month"},
      {"3/5/2024", 20240305, nullptr, 20240503, nullptr},
      {"3/5/24", ComputeDayIndex(year / 100 * 100 + 24, 3, 5), nullptr, ComputeDayIndex(year / 100 * 100 + 24, 5, 3),
       nullptr},
      {"3/5/", ComputeDayIndex(year, 3, 5), nullptr, ComputeDayIndex(year, 5, 3), nullptr},
      {"3/5/1899", 0, "invalid year value", 0, "invalid year value"},
      {"3/5/3001", 0, "invalid year value", 0, "invalid year value"},
      {"3/5/20x4", 0, "invalid year value", 0, "invalid year value"},
      {"3/5/999999999999", 0, "invalid year value", 0, "invalid year value"},
      {"3", 0, "not in month/day/year format", 0, "not in day/month/year format"},
      {"3/5/2024/1", 0, "not in month/day/year format", 0, "not in day/month/year format"},
      {"a/5", 0, "invalid month value", 0, "invalid day value"},
      {"3/b", 0, "invalid day value", 0, "invalid month value"},
      {"0/0", 0, "invalid month value", 0, "invalid month value"},
      {"20241301", 0, "invalid raw date (yyyymmdd)", 0, "invalid raw date (yyyymmdd)"},
      {"2024o101", 0, "invalid raw date (yyyymmdd)", 0, "invalid raw date (yyyymmdd)"},
      {"18991231", 0, "invalid raw date (yyyymmdd)", 0, "invalid raw date (yyyymmdd)"},
      {"20240229", 20240229, nullptr, 20240229, nullptr},
      {"20230229", 20230229, "day is beyond the end of that month", 20230229, "day is beyond the end of that month"},
      {"", 0, nullptr, 0, nullptr},
      {"?", 0, nullptr, 0, nullptr},
      {"<unknown>", 0, nullptr, 0, nullptr},
  };
  for (const char* locale : {"en_US", "en_GB"}) {
    ScopedLocale scoped(locale);
    const bool dayFirst = IsDayMonthOrder();
    for (const Row& row : rows) {
      QString message = QStringLiteral("none");
      const DayIndex result = ParseIntoDayIndex(QString::fromUtf8(row.text), &message);
      const char* expectedMessage = dayFirst ? row.dayFirstMessage : row.monthFirstMessage;
      EXPECT_EQ(result, dayFirst ? row.dayFirst : row.monthFirst) << locale << " " << row.text;
      EXPECT_EQ(message, expectedMessage ? QString::fromUtf8(expectedMessage) : QStringLiteral("none"))
          << locale << " " << row.text;
    }
  }
}

TEST(DayNumbers, ParseSettings) {
  ScopedLocale american("en_US");
  QString message;
  g_requireDayIndexYear = true;
  EXPECT_EQ(ParseIntoDayIndex(u"3/5", &message), 0);
  EXPECT_EQ(message, "not in month/day/year format");
  EXPECT_EQ(ParseIntoDayIndex(u"3/5/24", &message), 0);
  EXPECT_EQ(message, "invalid year value");
  EXPECT_EQ(ParseIntoDayIndex(u"3/5/2024", nullptr), 20240305);
  g_requireDayIndexYear = false;

  g_specialYear = 1066;
  EXPECT_EQ(ParseIntoDayIndex(u"10/14/1066", nullptr), 10661014);
  EXPECT_EQ(ParseIntoDayIndex(u"10661014", nullptr), 10661014);
  g_specialYear = 0;
  EXPECT_EQ(ParseIntoDayIndex(u"10/14/1066", nullptr), 0);
}
