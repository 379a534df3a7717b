#include "model/GeometryHelpers.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "support/GraphicsHelpers.h"

int GetPointsForRegularPoly(int vertexCount, QPointF* points, const QRectF& rect) {
  if (vertexCount <= 0 || !points) return 0;
  const int n = std::min(vertexCount, kMaxRegularPolyVertices);

  double x = rect.x(), y = rect.y(), w = rect.width(), h = rect.height();
  if (w > h) {
    x += std::floor((w - h) / 2);
    w = h;
  } else if (h > w) {
    y += std::floor((h - w) / 2);
    h = w;
  }

  if (n == 4) {
    points[0] = QPointF(x, y);
    points[1] = QPointF(x + w, y);
    points[2] = QPointF(x + w, y + h);
    points[3] = QPointF(x, y + h);
    return n;
  }

  const int step = 360 / n;
  const bool odd = n % 2 != 0;
  // Half a step back puts an edge, not a vertex, across the top.
  const double start = odd ? 0.0 : -step / 2.0;
  const QPointF top(x + w / 2, y);
  const QPointF centre(x + w / 2, y + h / 2);
  for (int i = 0; i < n; ++i) points[i] = RotatePoint(top, centre, start + double(i) * step);

  if (odd) {
    // A vertex at the top leaves more room below the lowest edge than above:
    // share it out so the polygon sits in the middle of the square.
    double highest = points[0].y(), lowest = points[0].y();
    for (int i = 1; i < n; ++i) {
      highest = std::min(highest, points[i].y());
      lowest = std::max(lowest, points[i].y());
    }
    const float shift = (float(y + y + h) - float(highest) - float(lowest)) / 2.0f;
    for (int i = 0; i < n; ++i) points[i].ry() += double(shift);
  }
  return n;
}

QPointF IntegralPoint(const QPointF& point, float scale) {
  if (!(scale > 1.0f) || !std::isfinite(scale)) {
    return QPointF(double(std::floor(float(point.x()))), double(std::floor(float(point.y()))));
  }
  const double s = double(std::floor(scale + 0.5f));
  return QPointF(std::floor(point.x() * s) / s, std::floor(point.y() * s) / s);
}

QPointF ConstrainLine(const QPointF& point, const QPointF& anchor, const QRectF& bounds, float scale) {
  const int degrees = DegreesFromEast(anchor, point);
  const int below = degrees / 45 * 45;
  const int rest = degrees - below;
  const int direction = (rest < 45 - rest ? below : below + 45) % 360;

  QPointF along;
  switch (direction) {
    case 0:
    case 180:
      along = QPointF(100, 0);
      break;
    case 90:
    case 270:
      along = QPointF(0, 100);
      break;
    case 45:
    case 225:
      along = QPointF(100, 100);
      break;
    default:  // 135 and 315
      along = QPointF(-100, 100);
      break;
  }
  QPointF result = MapPointToLine(point, anchor, anchor + along);

  const bool horizontal = direction == 0 || direction == 180;
  const bool vertical = direction == 90 || direction == 270;
  if (horizontal) result.setX(IntegralPoint(result, scale).x());
  if (vertical) result.setY(IntegralPoint(result, scale).y());

  if (bounds.width() != 0 && bounds.height() != 0) {
    // On a diagonal the other coordinate follows, so the point slides back
    // along its direction rather than leaving it.
    const double follow = (horizontal || vertical) ? 0.0 : (direction == 45 || direction == 225 ? 1.0 : -1.0);
    const double left = std::min(bounds.left(), bounds.right());
    const double right = std::max(bounds.left(), bounds.right());
    const double top = std::min(bounds.top(), bounds.bottom());
    const double bottom = std::max(bounds.top(), bounds.bottom());

    const double overX = result.x() - std::clamp(result.x(), left, right);
    result.rx() -= overX;
    result.ry() -= follow * overX;
    const double overY = result.y() - std::clamp(result.y(), top, bottom);
    result.ry() -= overY;
    result.rx() -= follow * overY;
  }
  return result;
}

MeasureUnit ScaleFromFrame(MeasureUnit unscaledWidth, MeasureUnit unscaledHeight, const CSRect& frame) {
  if (unscaledWidth <= 0 || unscaledHeight <= 0) return kMixedMeasure;
  // Wide enough that measures of any size times 100 cannot overflow.
  const __int128 sx = __int128(frame.width) * 100 / unscaledWidth;
  const __int128 sy = __int128(frame.height) * 100 / unscaledHeight;
  const __int128 difference = sx > sy ? sx - sy : sy - sx;
  if (difference >= 2) return kMixedMeasure;
  const __int128 scale = sx * kMeasurePerPoint;
  // Never the mixed value itself for a real (if absurd) scale.
  const __int128 highest = __int128(kMixedMeasure) - 1;
  const __int128 lowest = std::numeric_limits<MeasureUnit>::min();
  return MeasureUnit(std::clamp(scale, lowest, highest));
}
