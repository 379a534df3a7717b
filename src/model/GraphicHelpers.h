#pragma once
// Drawing and measuring functions that the model, the canvases and the
// controls share: paint-brush shapes, the centre mark of closed shapes, the
// no-colour cross of swatches, the transparency checkerboard, small marker
// triangles, a third of a segment, and two estimates about image files.
// The drawing functions draw on the current painter (CurrentQuartzContext())
// and do nothing without one; all of them run on the main thread.

#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <QString>
#include <cstdint>

#include "support/Kolor.h"
#include "support/Measure.h"

// ---- Brushes ---------------------------------------------------------------------

// Brush shapes, for a brush of size d centred on (x, y) with r = d / 2:
// 0 (and any value outside 1-7) the square (x - r, y - r, d, d); 1 the circle
// in it; 2 a diamond of half-diagonal r - 1 (the square when d <= 4); 3 a
// flat ellipse, the square less floor(d / 5) at top and bottom; 4 a
// vertical, 5 a horizontal line across it; 6 the diagonal from top-left to
// bottom-right, 7 the one from bottom-left to top-right. Size 1 is always
// the square.
//
// The outline of a brush. `inset` pulls the square, circle and ellipse in
// by half a point on each side (their outline then lies within a stroke);
// without it a size-1 square sits on whole points. Line brushes are open.
QPainterPath BezierForBrush(int brushType, bool inset, double size, double x, double y);

// Draws the brush: the solid shapes (types 0-3, and any brush of size 1)
// filled with the colour, the line brushes stroked one point wide in it.
void DrawBrush(int brushType, Kolor kolor, double size, double x, double y);

// ---- Marks -----------------------------------------------------------------------

// A plus sign six points across at the rectangle's centre, stroked with the
// current painter's pen.
void DrawCenterMark(const QRectF& rect);

// Erases the rectangle to white and adds to the path the two diagonals of
// the rectangle inset by one point; the caller strokes the path.
void DrawNoColorCross(QPainterPath* path, const QRectF& rect);

// Replaces the path by the closed triangle of the rectangle: top centre,
// bottom right, bottom left (the apex points up on a flipped canvas).
void MakeTriangleBezier(QPainterPath* path, const QRectF& rect);

// ---- Transparency checkerboard -----------------------------------------------------

// The grid starts at (12, 12); its squares are 2^(2 x exponent) points a
// side, kept within these limits whatever the exponent.
constexpr double kCheckerBoardOrigin = 12.0;
constexpr float kMinCheckerSquare = 1.0f;
constexpr float kMaxCheckerSquare = 1024.0f;
constexpr Kolor kCheckerBoardKolor = 0x64DCDCDC;

// Fills the light squares (column + row even) of the checkerboard that lie
// in both rectangles (the view's bounds and the area being redrawn) and
// start before the right and bottom limits; the others are left as they are.
void DrawCheckerBoard(const QRectF& first, const QRectF& second, double rightLimit, double bottomLimit, float exponent);

// ---- Points ----------------------------------------------------------------------

// The point one third of the way from p0 to p1, each coordinate's third a
// whole measure truncated towards zero. Defined for any two points.
CSPoint InterpolateLineThird(CSPoint p0, CSPoint p1);

// ---- Eyedropper ------------------------------------------------------------------

class DRColorSource;

// Picks up the colour under the point (view points of the canvas the source
// belongs to) into the tool settings: with Option as the line and text
// colour, else with Control as the swap colour, else by the settings' colour
// target (0 fill, 1 line and text, 2 swap, others nothing). Then posts
// "twdraw.eyedropper" with no object, so the bars and panes show it.
void PickupColor(const DRColorSource* source, bool optionKey, bool controlKey, const QPointF& point);

// ---- Image files -----------------------------------------------------------------

// The most image directories IsTiffCompressed walks before giving up.
constexpr int kMaxTiffDirectories = 64;

// Whether the TIFF file at the path should be taken as compressed: false
// only when the first Compression tag met along the directory chain says
// "none". A file that is not a TIFF, cannot be read, lacks the tag, or whose
// chain loops or passes kMaxTiffDirectories answers true.
bool IsTiffCompressed(const QString& path);

// The quality (0.0-1.0 in steps of 0.1, or 1.0 above 0.95) at which a JPEG
// file of the given size in pixels was probably saved, estimated from its
// bytes per pixel; -1.0 when the file is empty or unreadable or the image
// has no pixels.
double JpegCompression(const QString& path, int64_t width, int64_t height);
