#include "ui/shell/FlippedArc.h"

#include <QRectF>
#include <cmath>
#include <numbers>

QPointF FlippedArcPoint(QPointF centre, double radius, double angle) {
  const double radians = angle * std::numbers::pi / 180.0;
  return QPointF(centre.x() + radius * std::cos(radians), centre.y() + radius * std::sin(radians));
}

void AppendFlippedArc(QPainterPath& path, QPointF centre, double radius, double startAngle, double endAngle,
                      bool clockwise) {
  // The sweep in y-down degrees: positive runs towards larger angles.
  double sweep = 0;
  if (clockwise) {
    double end = endAngle;
    while (end > startAngle) end -= 360.0;
    sweep = end - startAngle;
  } else {
    double end = endAngle;
    while (end < startAngle) end += 360.0;
    sweep = end - startAngle;
  }
  const QPointF start = FlippedArcPoint(centre, radius, startAngle);
  if (path.elementCount() == 0)
    path.moveTo(start);
  else
    path.lineTo(start);
  if (radius <= 0 || sweep == 0) return;
  const QRectF box(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
  // Qt measures angles counter-clockwise on a y-down screen: the mirror.
  path.arcTo(box, -startAngle, -sweep);
}
