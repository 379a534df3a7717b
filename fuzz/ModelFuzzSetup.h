#pragma once
// What every fuzz target of the drawing model sets up once: a GUI
// application on the offscreen platform (fonts and painters need one) and
// the drawing file's key table, which every model reader decodes with.

#include <QGuiApplication>
#include <cstdlib>

#include "model/DRKeyTable.h"
#include "model/StyleRecordText.h"

inline void SetUpModelFuzzing(int* argc, char*** argv) {
  setenv("QT_QPA_PLATFORM", "offscreen", 0);
  static QGuiApplication app(*argc, *argv);
  CreateXmlDecoder();
}
