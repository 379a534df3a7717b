#include "ui/shell/CSWorkspace.h"

#include <QDesktopServices>

#include "support/Files.h"

namespace {

CSWorkspace* g_workspace = nullptr;

}  // namespace

bool CSWorkspace::openUrl(const QUrl& url) {
  return url.isValid() && QDesktopServices::openUrl(url);
}

bool CSWorkspace::openFile(const QString& path) {
  return !path.isEmpty() && QDesktopServices::openUrl(QUrl::fromLocalFile(path));
}

bool CSWorkspace::showInFinder(const QString& path) {
  return ShowInFinder(path);
}

CSWorkspace& Workspace() {
  static CSWorkspace desktop;
  return g_workspace ? *g_workspace : desktop;
}

void SetWorkspace(CSWorkspace* workspace) {
  g_workspace = workspace;
}
