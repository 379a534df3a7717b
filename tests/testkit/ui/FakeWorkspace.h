#pragma once
// A desktop that notes what the application hands it and answers as told;
// registered while the fake lives.

#include <QString>
#include <QStringList>
#include <QUrl>
#include <QList>

#include "ui/shell/CSWorkspace.h"

class FakeWorkspace : public CSWorkspace {
 public:
  FakeWorkspace() { SetWorkspace(this); }
  ~FakeWorkspace() override { SetWorkspace(nullptr); }
  FakeWorkspace(const FakeWorkspace&) = delete;
  FakeWorkspace& operator=(const FakeWorkspace&) = delete;

  QList<QUrl> openedUrls;
  QStringList openedFiles;
  QStringList revealedPaths;
  // What every request answers.
  bool answer = true;

  bool openUrl(const QUrl& url) override {
    openedUrls.append(url);
    return answer;
  }
  bool openFile(const QString& path) override {
    openedFiles.append(path);
    return answer;
  }
  bool showInFinder(const QString& path) override {
    revealedPaths.append(path);
    return answer;
  }
};
