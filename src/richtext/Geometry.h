#pragma once
// Rectangle and point arithmetic for layout, hit testing and drawing, in the
// engine's flipped view coordinates (y grows downward). A rectangle is empty
// when its width or height is not positive. None of these allocates; the
// forms that end in a rectangle write it to `out`.

#include <QPointF>
#include <QRectF>

void OffsetCopyRect(QRectF* out, const QRectF& rect, float dx, float dy);
void OffsetRect(QRectF* rect, float dx, float dy);
// Inset by dx on the left and on the right and by dy at the top and bottom;
// negative values grow the rectangle.
void InsetCopyRect(QRectF* out, const QRectF& rect, float dx, float dy);
void InsetRect(QRectF* rect, float dx, float dy);
// The smallest rectangle of whole numbers holding it; zero for an empty one.
void IntegralCopyRect(QRectF* out, const QRectF& rect);
// An empty rectangle adds nothing; both empty give zero. True when the result
// has a positive width and height.
bool UnionRects(QRectF* out, const QRectF& a, const QRectF& b);
// Zero when they do not overlap. True when the result has a positive width
// and height.
bool IntersectRects(QRectF* out, const QRectF& a, const QRectF& b);
bool IsRectEmpty(const QRectF& rect);
// Both non-empty and overlapping.
bool RectsIntersect(const QRectF& a, const QRectF& b);
// The inner rectangle is not empty and lies wholly within the outer one.
bool FRectWithinRect(const QRectF& inner, const QRectF& outer);
// Half-open in both directions: the left and top edges are inside, the right
// and bottom edges outside.
bool IsPointInRect(const QRectF& rect, double x, double y);
// Whether the point lies in the rectangle (as IsPointInRect). When it does
// not, moves it in, each coordinate by itself: below the origin to the
// origin, at or past the far edge to one point short of it (never below the
// origin). Both coordinates pass through single precision.
bool FPointInRectPin(QPointF* point, const QRectF& rect);
bool FEqualPoint(const QPointF& a, const QPointF& b);
bool FEqualRect(const QRectF& a, const QRectF& b);
// (dx + x * scale, dy + y * scale, width * scale, height * scale).
void ScaleRect(QRectF* out, const QRectF& rect, float scale, float dx, float dy);
void ScalePointX(QPointF* out, double x, double y, float scale, float dx, float dy);
