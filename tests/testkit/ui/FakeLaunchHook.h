#pragma once
// A launch hook that notes each start in a shared log under its name, so
// that a test sees the order hooks ran in among other launch steps;
// registered while the fake lives.

#include <QString>
#include <QStringList>

#include "ui/shell/ShellSeams.h"

class FakeLaunchHook : public CSLaunchHook {
 public:
  FakeLaunchHook(QString hookName, QStringList* sharedLog) : name(std::move(hookName)), log(sharedLog) {
    AddLaunchHook(this);
  }
  ~FakeLaunchHook() override { RemoveLaunchHook(this); }
  FakeLaunchHook(const FakeLaunchHook&) = delete;
  FakeLaunchHook& operator=(const FakeLaunchHook&) = delete;

  QString name;
  QStringList* log;
  int startCount = 0;

  void startAutoCheck() override {
    ++startCount;
    if (log) log->append(name);
  }
};
