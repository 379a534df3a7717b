#pragma once
// The Qt application object a benchmark needs, made once on the offscreen
// platform: a QGuiApplication for painting and fonts, a QApplication (include
// <QApplication> first) where widgets are measured. benchmark_main owns the
// command line, so the application gets a name of its own.

#include <QGuiApplication>
#include <cstdlib>

template <typename Application = QGuiApplication>
inline void EnsureBenchApplication() {
  static int argc = 1;
  static char name[] = "twdraw_bench";
  static char* argv[] = {name, nullptr};
  // Qt allows one application per process: the first call decides its kind.
  if (QCoreApplication::instance()) return;
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  new Application(argc, argv);
}
