#pragma once
// Draws the window tab strip's background bands over a rectangle, in the
// colours of the current appearance; the status line draws them over its
// gradient so the two bands match. The shell's tab strip registers its
// painter; without one only the gradient shows. Tests use FakeTabBandPainter
// (tests/testkit/ui).

#include <QRectF>

class QPainter;
class QPainterPath;

class DRTabBandPainter {
 public:
  virtual ~DRTabBandPainter() = default;
  // `path` may be null: the whole rectangle.
  virtual void drawBandsInRect(QPainter* painter, const QRectF& rect, const QPainterPath* path) = 0;
};

void SetTabBandPainter(DRTabBandPainter* painter);  // not owned; null: none
DRTabBandPainter* TabBandPainter();
