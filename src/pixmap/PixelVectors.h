#pragma once
// Four pixel words worked on at once, in the compiler's generic vector
// types, for the row loops of the pixel code. Loads and stores go through
// memcpy, so rows need no alignment.

#include <cstdint>
#include <cstring>

using PixelLanes = uint32_t __attribute__((vector_size(16)));
using SignedPixelLanes = int32_t __attribute__((vector_size(16)));

constexpr int64_t kPixelLaneCount = 4;

inline PixelLanes LoadLanes(const uint32_t* pixels) {
  PixelLanes lanes;
  std::memcpy(&lanes, pixels, sizeof lanes);
  return lanes;
}

inline void StoreLanes(uint32_t* pixels, PixelLanes lanes) {
  std::memcpy(pixels, &lanes, sizeof lanes);
}

inline PixelLanes SplatLanes(uint32_t word) {
  return PixelLanes{word, word, word, word};
}

// All ones in each lane whose pixel is not fully transparent, else 0.
inline PixelLanes VisibleLanes(PixelLanes pixels) {
  return PixelLanes((pixels >> 24) != 0);
}

// The lanes in the opposite order.
inline PixelLanes ReversedLanes(PixelLanes lanes) {
  return __builtin_shufflevector(lanes, lanes, 3, 2, 1, 0);
}

// Turns four rows of four lanes into four columns: afterwards a holds lane 0
// of a, b, c and d, b lane 1 of each, and so on.
inline void TransposeLanes(PixelLanes& a, PixelLanes& b, PixelLanes& c, PixelLanes& d) {
  const PixelLanes ab0 = __builtin_shufflevector(a, b, 0, 4, 1, 5);
  const PixelLanes ab1 = __builtin_shufflevector(a, b, 2, 6, 3, 7);
  const PixelLanes cd0 = __builtin_shufflevector(c, d, 0, 4, 1, 5);
  const PixelLanes cd1 = __builtin_shufflevector(c, d, 2, 6, 3, 7);
  a = __builtin_shufflevector(ab0, cd0, 0, 1, 4, 5);
  b = __builtin_shufflevector(ab0, cd0, 2, 3, 6, 7);
  c = __builtin_shufflevector(ab1, cd1, 0, 1, 4, 5);
  d = __builtin_shufflevector(ab1, cd1, 2, 3, 6, 7);
}
