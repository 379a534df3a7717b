// TWdraw's entry point.

#include "support/CSCore.h"

#include <QCoreApplication>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("TWdraw %s\n", TWDRAW_VERSION);
      return 0;
    }
  }
  QCoreApplication app(argc, argv);
  QCoreApplication::setApplicationName(QStringLiteral("TWdraw"));
  QCoreApplication::setApplicationVersion(QStringLiteral(TWDRAW_VERSION));
  std::printf("TWdraw %s: the drawing editor is not built yet.\n", TWDRAW_VERSION);
  return 0;
}
