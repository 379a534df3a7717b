#include "ui/editor/EditorSetup.h"

#include "support/CSKernel.h"
#include "support/ImageFunctions.h"

std::optional<QCursor> g_rotateCursor;
std::optional<QCursor> g_eyedropperCursor;
std::optional<QCursor> g_zoomInCursor;
std::optional<QCursor> g_zoomOutCursor;
std::optional<QCursor> g_zoomNotCursor;
std::optional<QCursor> g_closeScribbleCursor;

const DREditorCursorImage g_editorCursorImages[6] = {
    {"CursorRotate", 8, 6, &g_rotateCursor},   {"CursorEyedropper", 0, 15, &g_eyedropperCursor},
    {"CursorZoomIn", 5, 5, &g_zoomInCursor},   {"CursorZoomOut", 5, 5, &g_zoomOutCursor},
    {"CursorZoomNot", 5, 5, &g_zoomNotCursor}, {"CursorCloseScribble", 8, 8, &g_closeScribbleCursor},
};

// Q_INIT_RESOURCE declares a function of the global namespace, so it cannot
// be called from inside a namespace or a class.
static void RegisterEditorImages() {
  Q_INIT_RESOURCE(EditorImages);
}

int SetupEditorResources() {
  static const int templates = [] {
    RegisterEditorImages();
    return LoadTemplateImages(CSKernel::toolTemplateNames());
  }();
  return templates;
}

int CreateEditorCursors() {
  int made = 0;
  for (const DREditorCursorImage& entry : g_editorCursorImages) {
    *entry.cursor = CreateCursorFromImage(QString::fromLatin1(entry.imageName), entry.hotX, entry.hotY);
    if (entry.cursor->has_value()) ++made;
  }
  return made;
}
