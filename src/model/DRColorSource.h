#pragma once
// Where the eyedropper reads a colour: the drawing (its rendering) or the
// painting being edited.

#include <QPointF>

#include "support/Kolor.h"

class DRColorSource {
 public:
  virtual ~DRColorSource() = default;
  // The colour under the point (view points of the canvas); no colour
  // (g_nilKolor) outside.
  virtual Kolor kolorAtPoint(const QPointF& point) const = 0;
};
