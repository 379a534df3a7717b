// TWdraw's entry point.

#include "support/CSKernel.h"
#include "support/CSLogger.h"
#include "support/widgets/CSAlert.h"
#include "ui/editor/EditorSetup.h"

#include <QApplication>
#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
  for (int i = 1; i < argc; ++i) {
    if (std::strcmp(argv[i], "--version") == 0) {
      std::printf("TWdraw %s\n", TWDRAW_VERSION);
      return 0;
    }
  }
  QApplication app(argc, argv);
  QApplication::setApplicationName(QStringLiteral("TWdraw"));
  QApplication::setOrganizationName(QStringLiteral("TindleWick"));
  QApplication::setOrganizationDomain(QStringLiteral("tindlewick.com"));
  QApplication::setApplicationVersion(QStringLiteral(TWDRAW_VERSION));

  // Log lines go to the log file, alerts to real windows, and the kernel
  // fills the shared globals before anything reads them.
  InstallLogFile();
  InstallAlertPresenter();
  CSKernel::createSharedInstance(CSKernelOptions());
  // The editor's images, before any window asks for one.
  SetupEditorResources();

  std::printf("TWdraw %s: the application controller that opens its windows is not built yet.\n", TWDRAW_VERSION);
  return 0;
}
