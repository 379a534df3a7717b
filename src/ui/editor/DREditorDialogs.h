#pragma once
// The sheets and panels the editor's commands open, all made by the
// inspector's dialogs. The inspector registers them at start-up; until then
// a command that needs one does nothing. Tests use FakeEditorDialogs
// (tests/testkit/ui).

#include <QSizeF>
#include <QString>
#include <QStringList>
#include <functional>

#include "support/Measure.h"

class DREditorWindowHost;

// Set to 23 before the painting-size sheet runs to hide its centring box;
// any other value shows it, checked when non-zero.
extern int g_centerFlag;

class DREditorDialogs {
 public:
  virtual ~DREditorDialogs() = default;

  // The sheets on the window; each OK acts on the window's current content
  // controller itself.
  virtual void runAlignSheet(DREditorWindowHost* window) { (void)window; }
  virtual void runRotateSheet(DREditorWindowHost* window) { (void)window; }
  virtual void runScaleSheet(DREditorWindowHost* window) { (void)window; }
  virtual void runShapeSheet(DREditorWindowHost* window) { (void)window; }
  virtual void runBackgroundSheet(DREditorWindowHost* window) { (void)window; }
  virtual void runTypeSelectSheet(DREditorWindowHost* window) { (void)window; }

  // The painting-size sheet, opened on a default size in points; `done`
  // receives whether the user chose a size, and the size. Without a sheet
  // the answer is at once a cancel.
  using SizeHandler = std::function<void(bool success, QSizeF size)>;
  virtual void getPaintingSize(DREditorWindowHost* window, QSizeF defaultSize, SizeHandler done) {
    (void)window, (void)defaultSize;
    if (done) done(false, QSizeF());
  }

  // The distribute sheet; `done` receives whether the user chose, and the
  // gaps between the elements (measures). Without a sheet the answer is at
  // once a cancel.
  using OffsetHandler = std::function<void(bool success, CSPoint offset)>;
  virtual void getDistributeOffset(DREditorWindowHost* window, OffsetHandler done) {
    (void)window;
    if (done) done(false, CSPoint{});
  }

  // An open panel for files of the given extensions; the chosen paths, none
  // when cancelled.
  virtual QStringList runOpenPanel(DREditorWindowHost* window, const QString& title, const QStringList& extensions) {
    (void)window, (void)title, (void)extensions;
    return {};
  }
};

DREditorDialogs& EditorDialogs();
void SetEditorDialogs(DREditorDialogs* dialogs);  // not owned; null: none
