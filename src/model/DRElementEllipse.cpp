#include "model/DRElementEllipse.h"

DRElementEllipse::DRElementEllipse() : DRElementClosed(kElementEllipse) {}

QPainterPath DRElementEllipse::bezierForRect(const QRectF& rect, bool forceClosed) const {
  (void)forceClosed;  // always closed
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  path.addEllipse(rect);
  return path;
}
