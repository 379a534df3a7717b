#pragma once
// Values the native and RTF readers take from a file, kept to what the
// engine holds: a reader passes each such value through here before it
// stores it, so that a damaged or hostile file cannot reach past a table.

#include <cstdint>

// A chapter lays out at most ten text columns (c1-c10).
constexpr uint32_t kMaxChapterColumns = 10;

// A chapter's column count: 0 to 10.
uint8_t ClampChapterColumns(int64_t columns);
// A list level: 1 to 9.
uint32_t ClampListLevel(int64_t level);
// The time variables show, in seconds since midnight: taken modulo a day
// (a negative time counts back from midnight).
uint32_t ClampVariableTime(int64_t seconds);
