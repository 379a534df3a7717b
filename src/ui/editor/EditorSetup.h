#pragma once
// Start-up of the drawing editor: its compiled-in images and the cursors
// the canvases set. The application calls SetupEditorResources before any
// window opens, and so do the tests of the interface.

#include <QCursor>
#include <QString>
#include <optional>

// Registers the editor's images under ":/images" (the tool images, the
// painting line images, the save-painting icon, the cursor images and the
// template images) and loads the kernel's template images
// (CSKernel::toolTemplateNames). Answers how many template images were
// loaded; later calls only answer that number again.
int SetupEditorResources();

// The canvases' cursors, each from an image with its hot spot; empty until
// CreateEditorCursors has run with a GUI application.
extern std::optional<QCursor> g_rotateCursor;
extern std::optional<QCursor> g_eyedropperCursor;
extern std::optional<QCursor> g_zoomInCursor;
extern std::optional<QCursor> g_zoomOutCursor;
extern std::optional<QCursor> g_zoomNotCursor;
extern std::optional<QCursor> g_closeScribbleCursor;

// The images the cursors are made from, with their hot spots in points.
struct DREditorCursorImage {
  const char* imageName;
  int hotX;
  int hotY;
  std::optional<QCursor>* cursor;
};
extern const DREditorCursorImage g_editorCursorImages[6];

// Makes the cursors above (after SetupEditorResources); answers how many
// could be made.
int CreateEditorCursors();
