#pragma once
// The zoom steps of the canvases: zooming in and out moves between them and
// the info bar's pop-up offers them. The zoom itself may be any positive
// factor between or beyond them.

inline constexpr int g_drawZoomCount = 21;
inline constexpr double g_drawZoomValues[g_drawZoomCount] = {0.1, 0.25, 0.33, 0.5, 0.66, 0.75, 1,  1.25, 1.5, 1.75, 2,
                                                             2.5, 3,    4,    5,   6,    7,    8,  10,   12,  16};

// The painting canvas's: no quarter steps between 1 and 2, no 2.5.
inline constexpr int g_paintZoomCount = 17;
inline constexpr double g_paintZoomValues[g_paintZoomCount] = {0.1, 0.25, 0.33, 0.5, 0.66, 0.75, 1,  2,
                                                               3,   4,    5,    6,   7,    8,    10, 12, 16};

// The step after `current` among `count` ascending steps, upwards or
// downwards; zero when `current` is already at or beyond the last one.
inline double NextZoomStep(const double* steps, int count, double current, bool zoomOut) {
  if (zoomOut) {
    for (int i = count - 1; i >= 0; --i) {
      if (steps[i] < current) return steps[i];
    }
  } else {
    for (int i = 0; i < count; ++i) {
      if (steps[i] > current) return steps[i];
    }
  }
  return 0;
}
