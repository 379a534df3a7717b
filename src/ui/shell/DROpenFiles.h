#pragma once
// Opening a file as a drawing window: a drawing package loads into a new
// window, a picture becomes a new drawing holding one bitmap element, and
// the elements an importer made go into a new drawing that keeps the
// source's path. Every opener first takes a fresh window, closing an
// untouched untitled drawing window in front, so that opening a file
// replaces the empty window made at launch. Each answers the new window, or
// null after its failure was reported.

#include <QString>
#include <memory>

#include "model/DRElementGroup.h"

class CSDocumentWC;
class DRElement;
class DRPainting;
class DRWindowController;
class QWidget;

// The title of the alert an opener shows when a file can't be opened.
extern const QString g_cantOpenFileTitle;  // "Can't open file."

// A new drawing window's controller, its window not yet shown. When the
// front document window is an untouched drawing window, it is closed now,
// before anything is read into the new one.
DRWindowController* GetDrawingWindow();

// A drawing window of exactly DRWindowController (not a subclass) whose
// drawing is clean and has no file, background image, painting tabs or
// elements.
bool IsUntouchedDrawingWindow(const CSDocumentWC* controller);

// Closes a drawing window without asking and without the quit that closing
// the last document window by hand starts: for windows the program made
// for itself (a failed open, a conversion) and the untouched launch window.
void CloseDrawingWindow(DRWindowController* controller);

// A drawing package (or autosave package) in a new window; null when it
// can't be read (the drawing has alerted) and the new window is closed.
QWidget* OpenDrawFile(const QString& path, const QString& tabIdentifier);

// Any picture file as a new drawing with one bitmap element; null when the
// picture can't be read (after the alert) or its size dialog was cancelled,
// before any window is made.
QWidget* OpenImageFile(const QString& path, const QString& tabIdentifier);

// A picture clipping's picture as a new drawing with one bitmap element,
// which keeps the clipping's path; null, after the alert, when the clipping
// holds no picture that can be read.
QWidget* OpenClippingFile(const QString& path, const QString& tabIdentifier);

// A new drawing of the painting as one bitmap element at (0, 0), its
// painting tab opened; null for a null painting.
QWidget* NewDrawingForImage(const std::shared_ptr<DRPainting>& painting, const QString& path,
                            const QString& tabIdentifier);

// A new drawing window holding the elements, made from the file at `path`:
// the drawing takes the path, is locked when the file may not be changed,
// and when `bitmapElement` (one of the elements) is given, its painting gets
// a tab, shown first when the preferences say so.
QWidget* NewDrawingForElements(DRElementList elements, DRElement* bitmapElement, const QString& path,
                               const QString& tabIdentifier);
