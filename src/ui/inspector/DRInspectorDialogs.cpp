#include "ui/inspector/DRInspectorDialogs.h"

#include "ui/inspector/DRArrangeSheets.h"
#include "ui/inspector/DRBackgroundDialog.h"
#include "ui/inspector/DRShapeDialog.h"
#include "ui/paint/DRPaintingSizeDialog.h"

void DRInspectorDialogs::runAlignSheet(DREditorWindowHost* window) {
  DRAlignDialog::runSheetForWindow(window);
}

void DRInspectorDialogs::runRotateSheet(DREditorWindowHost* window) {
  DRRotateDialog::runSheetForWindow(window);
}

void DRInspectorDialogs::runScaleSheet(DREditorWindowHost* window) {
  DRScaleDialog::runSheetForWindow(window);
}

void DRInspectorDialogs::runShapeSheet(DREditorWindowHost* window) {
  DRShapeDialog::runSheetForWindow(window);
}

void DRInspectorDialogs::runBackgroundSheet(DREditorWindowHost* window) {
  DRBackgroundDialog::runSheetForWindow(window);
}

void DRInspectorDialogs::runTypeSelectSheet(DREditorWindowHost* window) {
  DRTypeSelectDialog::runSheetForWindow(window);
}

void DRInspectorDialogs::getDistributeOffset(DREditorWindowHost* window, OffsetHandler done) {
  DRDistributeDialog::getOffset(window, std::move(done));
}

void DRInspectorDialogs::getPaintingSize(DREditorWindowHost* window, QSizeF defaultSize, SizeHandler done) {
  DRPaintingSizeDialog::getSize(window, defaultSize, std::move(done));
}
