#pragma once
// What every image fuzz target sets up once: a GUI application on the
// offscreen platform and a pixel budget small enough that a few bytes
// claiming a huge picture cost little.

#include <QGuiApplication>
#include <cstdlib>

#include "support/CSImage.h"

constexpr int64_t kFuzzPixelLimit = 2000 * 2000;

inline void SetUpImageFuzzing(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication app(*argc, *argv);
  SetImageDecodePixelLimit(kFuzzPixelLimit);
  SetEpsConversionTimeLimit(0);  // no outside program for each input
}
