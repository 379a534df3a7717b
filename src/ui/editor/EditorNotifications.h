#pragma once
// Names of the notifications the editor's views post and observe, and the
// keys of their user information.

#include <QString>

extern const QString g_toolChangedNotification;   // "twdraw.toolChanged" (object: the window)
extern const QString g_toolKey;                   // "DRToolbarView.tool": the tool as an integer
extern const QString g_toggleInfoNotification;    // "twdraw.toggleInfo" (object: the window)
extern const QString g_tabChangeNotification;     // "cvb.tabChange" (object: the window)
extern const QString g_activateCropNotification;  // "twdraw.activateCrop" (object: the window)
extern const QString g_cropKey;                   // "crop": start (YES) or end (NO) cropping
extern const QString g_acceptCropNotification;    // "twdraw.acceptCrop" (object: the window; "crop": accept or cancel)
// The default or the selection's arrowheads changed.
extern const QString g_arrowChangeNotification;  // "twdraw.arrowChange" (object: the window)
// The painting brush changed: the painting canvas refreshes its cursor.
extern const QString g_brushChangeNotification;  // "twdraw.brushChange" (object: the window)
// The brush's shape or size changed: its previews redraw.
extern const QString g_brushSampleNotification;  // "twdraw.brushSample" (object: the window)

// The drawing canvas's announcements and the notifications it follows.
extern const QString g_selectionChangeNotification;  // "cvb.selectionChange" (object: the window)
extern const QString g_zoomChangeNotification;       // "cvb.zoomChange" (object: the window)
extern const QString g_positionChangeNotification;   // "twdraw.positionChange" (object: the window)
extern const QString g_rotationNotification;         // "twdraw.rotation" (object: the window)
extern const QString g_polyReshapeNotification;      // "twdraw.polyReshape" (object: the window)
extern const QString g_unitsChangedNotification;     // "twdraw.unitsChanged"
extern const QString g_redrawDrawingNotification;    // "twdraw.redrawDrawing"
extern const QString g_elementMoveNotification;      // "twdraw.elementMove" (object: the window)
// A text typed into in place changed (the text pane refreshes).
extern const QString g_textChangeNotification;  // "twdraw.textChange" (object: the window)
// A command changed the text formatting of the selection.
extern const QString g_fontChangeNotification;  // "twdraw.fontChange" (object: the window)
// The document window is closing for good (posted by the window controller
// once the close is decided); its canvas stops drawing.
extern const QString g_windowWillCloseNotification;  // "twdraw.windowWillClose" (object: the window)

// The drawing controller's announcements.
extern const QString g_reloadPropertiesNotification;  // "cs.reloadProperties" (object: the window): the inspector reloads its panes

// The painting editor's. "sizeChange" carries "width" and "height"
// (measures), "transient", "noUndo", "edited" and "resizing"; "editMask"
// and "mask" tell the canvas and panes of a new edit mode or transparency.
// The paint-wide ones ("redrawPaint", "paintTolerance", "checkerboard") and
// "eyedropper" have no object.
extern const QString g_sizeChangeNotification;      // "twdraw.sizeChange" (object: the window)
extern const QString g_redrawPaintNotification;     // "twdraw.redrawPaint"
extern const QString g_editMaskNotification;        // "twdraw.editMask" (object: the window)
extern const QString g_maskNotification;            // "twdraw.mask" (object: the window)
extern const QString g_eyedropperNotification;      // "twdraw.eyedropper"
extern const QString g_paintToleranceNotification;  // "twdraw.paintTolerance"
extern const QString g_checkerboardNotification;    // "twdraw.checkerboard"
