// Typed and stored text of lengths, points, rectangles and dates: any text
// parses without overflow or crash, and what was read writes back to text
// that reads to the same value (lengths within the precision shown).
#include <cstdlib>

#include "support/DayNumbers.h"
#include "support/Measure.h"

namespace {

// The largest gap between a length and its text read back, by unit.
MeasureUnit Tolerance(DistanceUnit unit) {
  switch (unit) {
    case kDistanceUnitInchFractions:
      return 28575;
    case kDistanceUnitFeetInches:
      return 91440;
    default:
      return DistanceUnitSize(unit) / 200 + 1;
  }
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  if (size == 0) return 0;
  // The first byte picks the unit (0-9, 11 the current one) and the plain-number flag.
  const DistanceUnit unit = data[0] % 12 == 10 ? kCurrentDistanceUnit : data[0] % 12;
  const bool plain = (data[0] & 0x80) != 0;
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data + 1), qsizetype(size - 1));

  MeasureUnit value = 0;
  QString message;
  if (ParseMeasure(text, plain, unit, &value, &message)) {
    const bool representable = value != kMixedMeasure && value > -4000000000000000000 && value < 4000000000000000000;
    if (representable) {
      const QString shown = FormatMeasure(value, plain, true, unit);
      MeasureUnit again = 0;
      if (!ParseMeasure(shown, plain, unit, &again, nullptr)) std::abort();
      const DistanceUnit shownUnit = plain ? kDistanceUnitPoints : (unit == kCurrentDistanceUnit ? 0 : unit);
      const MeasureUnit gap = again > value ? again - value : value - again;
      if (gap > Tolerance(shownUnit)) std::abort();
    }
  } else if (message.isEmpty()) {
    std::abort();
  }
  RoundMeasure(value, MeasureUnit(data[0]) - 64);

  const CSPoint point = CSPointFromString(text);
  if (CSPointFromString(NewCSPointString(point)) != point) std::abort();
  const CSRect rect = CSRectFromString(text);
  if (CSRectFromString(NewCSRectString(rect)) != rect) std::abort();
  IntersectCSRect(rect, UnionCSRect(rect, InsetCSRect(rect, point.x, point.y)));

  const DayIndex day = ParseIntoDayIndex(text, &message);
  if (day != 0) {
    if (ParseIntoDayIndex(FormatDayIndex(day, (data[0] & 1) != 0), nullptr) != day) std::abort();
    HolidayForDayIndex(day);
    WeekdayFromDayIndex(day);
    AddToDayIndex(day, int32_t(value), int32_t(value >> 16), int32_t(value >> 32));
  }
  return 0;
}
