#pragma once
// The shell's resources: the names of the interface files its windows and
// sheets are made from, and the eight tool cursors with their hot spots.
// The application calls SetupShellResources before any window opens.

#include <QCursor>
#include <optional>

// Interface files, by the name each window or sheet is known by.
inline constexpr char kMainWindowInterface[] = "MainWindow";
inline constexpr char kSaveFormatInterface[] = "SaveFormatView";
inline constexpr char kMarginsInterface[] = "Margins";
inline constexpr char kPrintOptionsInterface[] = "PrintOptionsView";
inline constexpr char kAutosaveDialogInterface[] = "AutosaveDialog";
inline constexpr char kPreferencesInterface[] = "Preferences";
inline constexpr char kAboutInterface[] = "CSAboutTW3";
inline constexpr char kCheckUpdatesInterface[] = "CSCheckUpdates";
inline constexpr char kNewsUpdatesInterface[] = "CSNewsUpdates";

// The painting cursors; the drawing canvas's six live with the editor.
extern std::optional<QCursor> g_bucketCursor;
extern std::optional<QCursor> g_pencilCursor;

struct CSCursorImage {
  const char* imageName;
  int hotX;
  int hotY;
  std::optional<QCursor>* cursor;
};
// "CursorBucket", "CursorCloseScribble", "CursorEyedropper", "CursorPencil",
// "CursorRotate", "CursorZoomIn", "CursorZoomNot", "CursorZoomOut".
extern const CSCursorImage g_shellCursorImages[8];

// Registers the editor's and the shell's images under ":/images"; later
// calls do nothing.
void SetupShellResources();
// Makes the eight cursors (after SetupShellResources, with a GUI
// application); answers how many could be made.
int CreateShellCursors();
