#pragma once
// The application's element sheets behind the editor's dialog seam: the
// drawing controller's commands open them through EditorDialogs(). The
// application's own dialogs object derives from this one and adds what is
// not a sheet of the inspector.

#include "ui/editor/DREditorDialogs.h"

class DRInspectorDialogs : public DREditorDialogs {
 public:
  void runAlignSheet(DREditorWindowHost* window) override;
  void runRotateSheet(DREditorWindowHost* window) override;
  void runScaleSheet(DREditorWindowHost* window) override;
  void runShapeSheet(DREditorWindowHost* window) override;
  void runBackgroundSheet(DREditorWindowHost* window) override;
  void runTypeSelectSheet(DREditorWindowHost* window) override;
  void getDistributeOffset(DREditorWindowHost* window, OffsetHandler done) override;
  void getPaintingSize(DREditorWindowHost* window, QSizeF defaultSize, SizeHandler done) override;
};
