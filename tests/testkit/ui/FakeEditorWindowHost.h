#pragma once
// A document window for editor tests: the window object (by default the
// harness window the views sit in), the canvas, the current content
// controller and the tab are public fields; every call the editor makes on
// its window is counted or recorded.

#include <QObject>
#include <QRect>
#include <QString>
#include <QStringList>
#include <utility>
#include <vector>

#include "ui/editor/DREditorWindowHost.h"

class FakeEditorWindowHost : public DREditorWindowHost {
 public:
  explicit FakeEditorWindowHost(QObject* windowObject = nullptr, DREditorContent* content = nullptr)
      : windowObject(windowObject), content(content) {}

  // ---- Answers ----
  QObject* windowObject;
  DREditorContent* content;
  DRCanvasHost* canvasHost = nullptr;
  bool sheet = false;
  bool isResizing = false;
  QRect frame;
  QString tabGuid;
  bool infoOpen = false;

  // ---- Calls ----
  QStringList statuses;  // every text shown, the formatted ones included
  std::vector<std::pair<QString, bool>> setupTabsCalls;
  std::vector<DRElement*> paintTabsAdded;
  std::vector<size_t> closedTabLists;
  int validateTabsCount = 0;
  int editPaintingsCount = 0;
  int toggleInfoCount = 0;
  int clearUndoCount = 0;
  uint32_t lastUndoID = 0;
  QStringList titles;
  std::vector<bool> editedMarks;
  QStringList representedFiles;
  int redrawCount = 0;

  // ---- DREditorWindowHost ----
  DREditorContent* currentVC() const override { return content; }
  void setStatus(const QString& status) override { statuses.append(status); }
  void setPositionStatusX(MeasureUnit x, MeasureUnit y, MeasureUnit width, MeasureUnit height) override {
    statuses.append(QStringLiteral("position %1 %2 %3 %4").arg(x).arg(y).arg(width).arg(height));
  }
  void setSizeStatusWidth(MeasureUnit width, MeasureUnit height) override {
    statuses.append(QStringLiteral("size %1 %2").arg(width).arg(height));
  }
  void setDeltaStatusX(MeasureUnit x, MeasureUnit y) override {
    statuses.append(QStringLiteral("delta %1 %2").arg(x).arg(y));
  }
  void setLineStatusFrom(CSPoint from, CSPoint to) override {
    statuses.append(QStringLiteral("line %1 %2 %3 %4").arg(from.x).arg(from.y).arg(to.x).arg(to.y));
  }
  void editPaintings() override { ++editPaintingsCount; }
  bool resizing() const override { return isResizing; }

  // ---- DRDocumentHost ----
  QObject* window() const override { return windowObject; }
  DRCanvasHost* canvas() const override { return canvasHost; }
  bool hasAttachedSheet() const override { return sheet; }
  QRect contentFrame() const override { return frame; }
  void setContentFrame(const QRect& rect) override { frame = rect; }
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
