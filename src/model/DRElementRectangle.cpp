#include "model/DRElementRectangle.h"

DRElementRectangle::DRElementRectangle() : DRElementClosed(kElementRectangle) {}

QPainterPath DRElementRectangle::bezierForRect(const QRectF& rect, bool forceClosed) const {
  (void)forceClosed;  // always closed
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  path.addRect(rect);
  return path;
}
