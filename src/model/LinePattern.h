#pragma once
// Dash patterns for pens, from lengths in measures.

#include <cstdint>

#include "support/Measure.h"

class QPen;

// The most entries a dash pattern may have; a longer one is not applied.
constexpr int64_t kMaxLinePatternCount = 10;

// Sets the pen's dash from `count` lengths in measures (dash and gap
// alternating, repeated twice over when the count is odd so that dashes
// and gaps keep alternating), starting `phase` measures into the pattern
// (kMixedMeasure means 0). Lengths and phase are multiplied by `scale`
// unless it is exactly 1. Qt measures dashes in pen widths, so set the
// pen's width first; a width of 0 counts as 1.
//
// More than kMaxLinePatternCount entries leave the pen as it was. No
// entries, a negative count, an entry of 0 or less, or lengths that sum to
// nothing make the pen solid.
void ApplyLinePattern(QPen* pen, const MeasureUnit* pattern, int64_t count, MeasureUnit phase, double scale);
