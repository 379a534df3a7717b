#pragma once
// Editor preferences as public fields; registered while the fake lives.

#include "ui/editor/DREditorPrefs.h"

class FakeEditorPrefs : public DREditorPrefs {
 public:
  FakeEditorPrefs() { SetEditorPrefs(this); }
  ~FakeEditorPrefs() override { SetEditorPrefs(nullptr); }
  FakeEditorPrefs(const FakeEditorPrefs&) = delete;
  FakeEditorPrefs& operator=(const FakeEditorPrefs&) = delete;

  bool grid = false;
  MeasureUnit gridSpacing = 127000;  // 10 points
  Kolor gridKolor = g_lightGrayKolor;
  bool dragLines = false;
  bool reset = false;
  bool spelling = false;
  QVariantMap openStatus;
  int favoriteCount = -1;
  bool recentColors = true;

  bool showDrawGrid() const override { return grid; }
  MeasureUnit drawGridSpacing() const override { return gridSpacing; }
  Kolor drawGridKolor() const override { return gridKolor; }
  bool showDragLines() const override { return dragLines; }
  bool resetTool() const override { return reset; }
  bool checkSpelling() const override { return spelling; }
  void setCheckSpelling(bool check) override { spelling = check; }
  QVariantMap& propOpenStatus() override { return openStatus; }
  int favoriteColorCount() const override { return favoriteCount; }
  void setFavoriteColorCount(int count) override { favoriteCount = count; }
  bool showRecentColors() const override { return recentColors; }
};
