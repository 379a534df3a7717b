#pragma once
// Conversions from floating point that are defined for every input: NaN
// gives 0 and values outside the target's range give its nearest limit.

#include <cmath>
#include <concepts>
#include <limits>

template <std::integral T>
constexpr T SaturatingCast(double value) {
  if (std::isnan(value)) return 0;
  // The limits converted to double may round up (2^63 for INT64_MAX), so
  // compare with >= against the rounded bound.
  constexpr double lo = double(std::numeric_limits<T>::min());
  constexpr double hi = double(std::numeric_limits<T>::max());
  if (value <= lo) return std::numeric_limits<T>::min();
  if (value >= hi) return std::numeric_limits<T>::max();
  return T(value);
}

// Rounds half away from zero, then saturates.
template <std::integral T>
constexpr T SaturatingRound(double value) {
  return SaturatingCast<T>(std::round(value));
}
