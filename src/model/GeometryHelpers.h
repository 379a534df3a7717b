#pragma once
// Plain geometry of the drawing model: the vertices of a regular polygon,
// the 45-degree constraint of a dragged line end, snapping to whole pixels
// of a zoomed view, and the scale of a frame against an unscaled size.
// All but ScaleFromFrame work in view points on the flipped canvas.

#include <QPointF>
#include <QRectF>

#include "support/Measure.h"

// The most vertices a regular polygon has; callers provide this much room.
constexpr int kMaxRegularPolyVertices = 16;

// Fills `points` with the vertices of a regular polygon inscribed in the
// largest square centred in `rect`, and answers how many it wrote. Four
// vertices make the upright square; otherwise an odd count has a vertex at
// the top and is centred vertically, an even count has a flat top edge. The
// step is a whole number of degrees, so where it does not divide 360 the
// last side spans the remainder too. Counts above kMaxRegularPolyVertices
// are taken as that many; a count of 0 or less writes nothing.
int GetPointsForRegularPoly(int vertexCount, QPointF* points, const QRectF& rect);

// The point moved onto the nearest direction from `anchor` that is a
// multiple of 45 degrees. Horizontal and vertical results are snapped to
// whole pixels at the zoom; a bounds rectangle with a non-zero width and
// height keeps the result inside it (along the direction for diagonals),
// an empty one sets no limit.
QPointF ConstrainLine(const QPointF& point, const QPointF& anchor, const QRectF& bounds, float scale);

// The point on whole pixels of a view zoomed by `scale`: at a zoom of 1 or
// less each coordinate is rounded down to a whole point, above it to a
// multiple of 1 / (the zoom rounded to a whole number).
QPointF IntegralPoint(const QPointF& point, float scale);

// The whole percent of the frame's width against the unscaled width, as
// percent x 12,700, when the height's whole percent differs from it by less
// than 2; otherwise (and when an unscaled side is not positive) the mixed
// value kMixedMeasure.
MeasureUnit ScaleFromFrame(MeasureUnit unscaledWidth, MeasureUnit unscaledHeight, const CSRect& frame);
