#include "richtext/ReadClamps.h"

#include <algorithm>

#include "richtext/Lists.h"
#include "richtext/Variables.h"

uint8_t ClampChapterColumns(int64_t columns) {
  return uint8_t(std::clamp<int64_t>(columns, 0, kMaxChapterColumns));
}

uint32_t ClampListLevel(int64_t level) {
  return uint32_t(std::clamp<int64_t>(level, 1, kListLevels));
}

uint32_t ClampVariableTime(int64_t seconds) {
  const int64_t day = kSecondsPerDay;
  return uint32_t(((seconds % day) + day) % day);
}
