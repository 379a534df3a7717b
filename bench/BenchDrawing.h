#pragma once
// The shapes the drawing benchmarks fill their drawings with.

#include <QRectF>
#include <memory>

#include "model/DRElementEllipse.h"
#include "model/DRElementLine.h"
#include "model/DRElementRectangle.h"
#include "support/Kolor.h"
#include "support/Measure.h"

// A rectangle (kind 0), an ellipse (1) or a line without arrowheads from
// corner to corner (2) at the rectangle (points), a closed shape filled
// with the Kolor, its original size its frame's.
inline std::unique_ptr<DRElement> MakeBenchShape(int kind, const QRectF& rect, Kolor fill) {
  std::unique_ptr<DRElement> element;
  if (kind == 2) {
    auto line = std::make_unique<DRElementLine>();
    line->setArrow(std::nullopt);
    line->setFrame(ConvertViewRect(rect));
    line->setStartPoint(CSPoint{0, 0});
    line->setEndPoint(CSPoint{line->frame().width, line->frame().height});
    element = std::move(line);
  } else {
    std::unique_ptr<DRElementClosed> closed;
    if (kind == 0)
      closed = std::make_unique<DRElementRectangle>();
    else
      closed = std::make_unique<DRElementEllipse>();
    closed->setFrame(ConvertViewRect(rect));
    closed->setFillKolor(fill);
    element = std::move(closed);
  }
  element->setOriginalSize(CSPoint{element->frame().width, element->frame().height});
  return element;
}
