// TWdraw's entry point.

#include <QApplication>
#include <QIcon>
#include <cstdio>
#include <cstring>

#include "support/CSLogger.h"
#include "support/widgets/CSAlert.h"
#include "support/widgets/CSFocusReturn.h"
#include "ui/shell/CSStartup.h"
#include "ui/shell/DRAppController.h"

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
  // The window manager matches the windows to the installed twdraw.desktop;
  // the icon drawn by scripts/make-app-icon marks the windows and the about box.
  QGuiApplication::setDesktopFileName(QStringLiteral("twdraw"));
  QIcon icon;
  for (const int size : {16, 22, 24, 32, 48, 64, 128, 256, 512})
    icon.addFile(QStringLiteral(":/icons/twdraw-%1.png").arg(size), QSize(size, size));
  QApplication::setWindowIcon(icon);

  // Log lines go to the log file and alerts to real windows before anything
  // can report; the start-up makes the kernel with the controller.
  InstallLogFile();
  InstallAlertPresenter();
  InstallModalFocusReturn();
  DRAppController* controller = DRAppController::sharedInstance();
  QStringList arguments = QApplication::arguments();
  arguments.removeFirst();
  CSStartup startup(*controller, arguments);
  return startup.run();
}
