#include "ui/shell/ShellResources.h"

#include "support/ImageFunctions.h"
#include "ui/editor/EditorSetup.h"

std::optional<QCursor> g_bucketCursor;
std::optional<QCursor> g_pencilCursor;

const CSCursorImage g_shellCursorImages[8] = {
    {"CursorBucket", 4, 15, &g_bucketCursor},         {"CursorCloseScribble", 8, 8, &g_closeScribbleCursor},
    {"CursorEyedropper", 0, 15, &g_eyedropperCursor}, {"CursorPencil", 1, 14, &g_pencilCursor},
    {"CursorRotate", 8, 6, &g_rotateCursor},          {"CursorZoomIn", 5, 5, &g_zoomInCursor},
    {"CursorZoomNot", 5, 5, &g_zoomNotCursor},        {"CursorZoomOut", 5, 5, &g_zoomOutCursor},
};

// Q_INIT_RESOURCE declares a function of the global namespace.
static void RegisterShellImages() {
  Q_INIT_RESOURCE(ShellImages);
}

void SetupShellResources() {
  static const bool done = [] {
    SetupEditorResources();
    RegisterShellImages();
    return true;
  }();
  (void)done;
}

int CreateShellCursors() {
  int made = 0;
  for (const CSCursorImage& entry : g_shellCursorImages) {
    *entry.cursor = CreateCursorFromImage(QString::fromLatin1(entry.imageName), entry.hotX, entry.hotY);
    if (entry.cursor->has_value()) ++made;
  }
  return made;
}
