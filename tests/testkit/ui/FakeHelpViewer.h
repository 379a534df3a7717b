#pragma once
// Records the rich-text engine's start and every help request; registered
// while the fake lives.

#include <QString>
#include <cstdint>
#include <utility>
#include <vector>

#include "ui/shell/ShellSeams.h"

class FakeHelpViewer : public CSHelpViewer {
 public:
  FakeHelpViewer() { SetHelpViewer(this); }
  ~FakeHelpViewer() override { SetHelpViewer(nullptr); }
  FakeHelpViewer(const FakeHelpViewer&) = delete;
  FakeHelpViewer& operator=(const FakeHelpViewer&) = delete;

  int initCount = 0;
  // Topic and bookmark (empty when none was given), in the order asked.
  std::vector<std::pair<int64_t, QString>> shown;

  void InitCorvane() override { ++initCount; }
  void displayHelp(int64_t topic) override { shown.emplace_back(topic, QString()); }
  void displayHelp(int64_t topic, const QString& bookmark) override { shown.emplace_back(topic, bookmark); }
};
