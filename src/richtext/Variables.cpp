#include "richtext/Variables.h"

#include <QLocale>
#include <algorithm>

#include "richtext/Bookmarks.h"
#include "richtext/Knots.h"
#include "richtext/TextAccess.h"
#include "support/DayNumbers.h"
#include "support/FormatString.h"

namespace {

constexpr uint32_t kNoon = 43200;

QString MonthText(int32_t month, bool longName) {
  return QLocale().monthName(month, longName ? QLocale::LongFormat : QLocale::ShortFormat);
}

}  // namespace

QString FormatCorvaneDate(int32_t dayIndex, uint32_t format, bool shortYear) {
  if (!IsValidDate(dayIndex)) return UnknownDateString();
  const int32_t day = DayOfDayIndex(dayIndex);
  const int32_t month = MonthOfDayIndex(dayIndex);
  const int32_t year = shortYear ? YearOfDayIndex(dayIndex) % 100 : YearOfDayIndex(dayIndex);
  switch (format) {
    case 0:
    case 1:
      return FormatString("%@ %d, %02d", MonthText(month, format == 0), day, year);
    case 2:
      if (!shortYear) return FormatDayIndex(dayIndex, false);
      break;
    case 5:
      return FormatString("%d/%d/%02d", day, month, year);
    case 6:
      return FormatString("%02d/%d/%d", year, month, day);
    case 7:
      return FormatString("%02d%02d%02d", year, month, day);
    default:
      break;
  }
  return FormatString("%02d %@ %d", day, MonthText(month, format != 3), year);
}

QString FormatCorvaneTime(uint32_t seconds, uint32_t format, bool upperCase) {
  seconds %= kSecondsPerDay;
  const bool morning = seconds < kNoon;
  int32_t hour = int32_t(seconds / 3600);
  const int32_t minutes = int32_t(seconds / 60 % 60);
  const int32_t secs = int32_t(seconds % 60);
  if (format < 4) {
    if (hour == 0)
      hour = 12;
    else if (hour > 12)
      hour -= 12;
  }
  const QString half = upperCase ? (morning ? QStringLiteral("AM") : QStringLiteral("PM"))
                                 : (morning ? QStringLiteral("am") : QStringLiteral("pm"));
  const char* pattern = "%d:%02d";
  switch (format) {
    case 1:
      pattern = "%d:%02d:%02d";
      break;
    case 2:
      pattern = "%d:%02d%t %@";
      break;  // %t takes the seconds and shows nothing
    case 3:
      pattern = "%d:%02d:%02d %@";
      break;
    case 4:
      pattern = "%02d:%02d";
      break;
    case 5:
      pattern = "%02d:%02d:%02d";
      break;
    case 6:
      pattern = "%02d%02d%02d";
      break;
    default:
      break;
  }
  return FormatString(pattern, hour, minutes, secs, half);
}

QString VariableString(CorvaneDoc* doc, Pane*, uint32_t, uint32_t kind, uint32_t format, uint32_t guidIndex) {
  if (!doc) return QStringLiteral("?");
  switch (kind) {
    case kVariableTime:
      return FormatCorvaneTime(doc->variableTime, format, true);
    case kVariableDate:
      return FormatCorvaneDate(doc->variableDate, format, false);
    case kVariableBookmarkRef:
    case kVariableLink: {
      const uint32_t index = BookmarkIndexForGuidIndex(doc, guidIndex);
      const QString name = index == kNoBookmark ? QString() : BookmarkDisplayString(doc, index);
      return name.isEmpty() ? QStringLiteral("???") : name;
    }
    default:
      return QStringLiteral("?");
  }
}

QString VariableStringForKnot(const KnotFormat& knot, Pane* pane) {
  if (!knot.doc || knot.index == kNoCpValue || knot.entry.type != kKnotVariable) return QStringLiteral("?");
  return VariableString(knot.doc, pane, knot.start, knot.entry.word1, knot.entry.word3, knot.entry.word2);
}

void GetVariableUstring(const KnotFormat& knot, Pane* pane, CountedString* string) {
  if (!string) return;
  QString text = VariableStringForKnot(knot, pane);
  if (text.isEmpty()) text = QStringLiteral("?");
  auto length = uint16_t(std::min<qsizetype>(text.size(), kMaxCountedUnits));
  // A cut never leaves half of a surrogate pair.
  if (length < text.size() && length > 0 && text.at(length - 1).isHighSurrogate()) --length;
  *string = CountedString{};
  string->length = length;
  std::copy_n(text.utf16(), length, string->units);
}
