#pragma once
// The desktop as the application asks it for things: open a link (web
// pages, mail) or a file with the user's program for it, and show a file in
// the file manager. The shell talks to the desktop only through this, so
// tests register a recording one (FakeWorkspace in tests/testkit/ui).
// Registrations are not owned; null restores the default.

#include <QString>
#include <QUrl>

class CSWorkspace {
 public:
  virtual ~CSWorkspace() = default;
  // Hands a link to the desktop; false when nothing took it.
  virtual bool openUrl(const QUrl& url);
  // Opens a file with the user's program for its kind.
  virtual bool openFile(const QString& path);
  // Opens the folder holding the item in the file manager.
  virtual bool showInFinder(const QString& path);
};

CSWorkspace& Workspace();
void SetWorkspace(CSWorkspace* workspace);
