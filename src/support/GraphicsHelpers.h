#pragma once
// Geometry in points shared by the canvases, the element drawing, the
// importers and the image code: fitting and centring rectangles, projecting
// and rotating points, the angle of a drag, pixel alignment and zooming.
// Canvases are flipped (y grows downward); "clockwise" means so on screen.
// Degenerate input (a zero-length line, an empty rectangle, a zero zoom)
// never divides by zero: such a call answers its input unchanged.

#include <QPointF>
#include <QRectF>
#include <QSizeF>

// Shrinks the rectangle proportionally until it fits the bounds (it is never
// enlarged), then centres it there; origin and size are rounded down to
// whole points.
void CenterRectangle(QRectF* rect, const QRectF& bounds);

QPointF CenterOfRectangle(const QRectF& rect);

// Origin at the smaller co-ordinates, size the absolute differences.
QRectF RectFromPoints(const QPointF& p1, const QPointF& p2);

// The foot of the perpendicular from p on the line through a and b; p itself
// when a and b coincide.
QPointF MapPointToLine(const QPointF& p, const QPointF& a, const QPointF& b);

// The size fitted by CenterRectangle into a box that only limits the width.
QSizeF ScaleSizeToWidth(const QSizeF& size, double width);

// The size divided by the zoom about the same centre; a zoom of 1, zero,
// negative or not finite answers the rectangle itself.
QRectF ZoomRect(const QRectF& rect, double zoom);

// Origin and far corner moved to whole device pixels for the backing scale;
// a scale that is not positive answers the rectangle itself.
QRectF AdjustRectToPixelBoundary(const QRectF& rect, double scale);

// A rectangle of the given size centred horizontally in `within` and
// vertically in the room below `avoid`, else above it, when that room holds
// the height plus a 32-point margin; otherwise placed beside `avoid`.
QRectF PositionRectToAvoidRect(const QSizeF& size, const QRectF& avoid, const QRectF& within);

// Resizes a rectangle from its left (fromLeft) or right edge, keeping its
// proportions: the point less the offset is projected on the diagonal from
// the fixed corner. The minimum sizes are then enforced, proportionally too.
// A rectangle without a diagonal is left alone.
void ResizeRectProportionally(bool fromLeft, QRectF* rect, const QPointF& point, const QPointF& offset, double minWidth,
                              double minHeight);

// Whole degrees 0-359 from `from` towards `to`: east 0, then clockwise on a
// flipped canvas (so (0,0) to (0,10) is 90).
int DegreesFromEast(const QPointF& from, const QPointF& to);
int DegreesFromEast(double x1, double y1, double x2, double y2);

double DegreesFromRadians(double radians);
double RadiansFromDegrees(double degrees);

// The point turned clockwise (on a flipped canvas) about the centre.
QPointF RotatePoint(const QPointF& point, const QPointF& centre, double degrees);
QPointF RotatePoint(double x, double y, double cx, double cy, double degrees);

// Whole degrees that a rotation drag from `start` to `point` about `centre`
// has reached; the divisor scales the arc length. 0 when either end lies on
// the centre or the result is not finite.
int RotationForPoint(const QPointF& point, const QPointF& start, const QPointF& centre, double divisor);
