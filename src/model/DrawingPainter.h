#pragma once
// The one routine that paints a drawing's content: the background image,
// then the elements from the back to the front, then the element a tool is
// making. The canvas, the image and PDF export, the eyedropper and the
// print view all paint through it, each in its mode; what only the screen
// shows (white, grid, page breaks, rubber band, guides) stays with the
// canvas.

#include <QColor>
#include <QImage>
#include <QRectF>
#include <QSize>

class DRCanvasHost;
class DRDrawing;
class DRElement;
class DRElementHostingView;

enum class DRPaintMode {
  Screen,  // the canvas on the screen
  Clip,    // the selection only, for the clipboard or an export of it
  Image,   // the whole drawing into an image or a PDF page
  Print,   // the print view: hidden texts left out, culled by printing bounds
};

// The margin around an element's bounds that its selection casing and grab
// dots may paint (half a dot outside the casing, the casing half a dot
// outside the frame), and a point to spare.
constexpr double kCullingMargin = 10.0;

// The area (view points) an element may paint on the canvas: its bounds
// grown by kCullingMargin; empty for no element.
QRectF CullingRectForElement(const DRElement* element);

// Paints what of the drawing lies in `area` (view points) on the current
// painter (CurrentQuartzContext()), which is set up in view points. The
// canvas (null for none) gives the typing element, the element being made
// and the culling areas; the host is the view the elements draw in (the
// canvas, the print view, or null). Nothing without a painter.
void PaintDrawing(const DRDrawing& drawing, const QRectF& area, DRPaintMode mode, DRCanvasHost* canvas,
                  DRElementHostingView* host);

// Renders `area` (view points, at zoom 1) into a new premultiplied ARGB
// bitmap of `pixels` whose top left shows the area's top left, over the
// background colour (transparent leaves it clear). A null image when the
// bitmap cannot be made.
//
// Qt's raster engine splits every fill of more than a few dozen spans
// across the global thread pool unless the painting thread belongs to that
// pool; for a drawing of many small shapes the hand-offs cost several times
// the fills themselves. A large rendering therefore runs on a pool thread
// while the caller waits (on the caller's thread when no pool thread is
// free), and draws exactly what it would draw on the caller's thread.
QImage RenderDrawing(const DRDrawing& drawing, const QRectF& area, QSize pixels, DRPaintMode mode, DRCanvasHost* canvas,
                     DRElementHostingView* host, const QColor& background = Qt::transparent);
