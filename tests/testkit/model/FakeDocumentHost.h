#pragma once
// A drawing window for tests: the window object, the canvas and the content
// frame are public fields, and every call the document makes on its window
// (tabs, undo store, info bar, title and edited mark) is counted or
// recorded. FakeDocumentHostOf serves any interface built on
// DRDocumentHost (the editor's window host adds its own calls on top).

#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "model/DRDocumentHost.h"

template <class Host>
class FakeDocumentHostOf : public Host {
 public:
  // ---- Answers ----
  // window() answers it; null stands for a window not loaded yet.
  QObject* windowObject = nullptr;
  DRCanvasHost* canvasHost = nullptr;
  bool sheet = false;
  QRect frame;
  QString tabGuid;
  bool infoOpen = false;

  // ---- Calls ----
  int clearUndoCount = 0;
  uint32_t lastUndoID = 0;
  int contentFrameSets = 0;
  // The number of elements in each closeTabsForElements call.
  std::vector<size_t> closedTabLists;
  int validateTabsCount = 0;
  std::vector<DRElement*> paintTabsAdded;
  std::vector<std::pair<QString, bool>> setupTabsCalls;
  int toggleInfoCount = 0;
  QStringList titles;
  std::vector<bool> editedMarks;
  QStringList representedFiles;
  int redrawCount = 0;

  // ---- DRDocumentHost ----
  QObject* window() const override { return windowObject; }
  DRCanvasHost* canvas() const override { return canvasHost; }
  bool hasAttachedSheet() const override { return sheet; }
  QRect contentFrame() const override { return frame; }
  void setContentFrame(const QRect& rect) override {
    ++contentFrameSets;
    frame = rect;
  }
  void clearUndo() override { ++clearUndoCount; }
  uint32_t newUndoID() override { return ++lastUndoID; }
  void closeTabsForElements(const DRElementList& elements) override { closedTabLists.push_back(elements.size()); }
  void validateTabs() override { ++validateTabsCount; }
  QString currentTabGuid() const override { return tabGuid; }
  void addPaintTab(DRElement* bitmap) override { paintTabsAdded.push_back(bitmap); }
  void setupTabs(const QString& currentGuid, bool mayAnimate) override {
    setupTabsCalls.emplace_back(currentGuid, mayAnimate);
  }
  bool isInfoPanelOpen() const override { return infoOpen; }
  void toggleInfo() override {
    ++toggleInfoCount;
    infoOpen = !infoOpen;
  }

  // ---- CSDocumentWindow ----
  void setTitle(const QString& title) override { titles.append(title); }
  void setDocumentEdited(bool edited) override { editedMarks.push_back(edited); }
  void setRepresentedFilename(const QString& path) override { representedFiles.append(path); }
  void redrawContent() override { ++redrawCount; }
};

// The model's window: its window object is its own, loaded from the start.
class FakeDocumentHost : public FakeDocumentHostOf<DRDocumentHost> {
 public:
  explicit FakeDocumentHost(DRCanvasHost* canvas = nullptr) {
    canvasHost = canvas;
    windowObject = &ownWindow;
  }
  QObject ownWindow;
};
