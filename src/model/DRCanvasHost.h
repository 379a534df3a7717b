#pragma once
// The drawing canvas as the drawing model sees it: the view that shows a
// drawing, owns its selection, zoom and scroll position, and renders it
// through PaintDrawing(). The editor's canvas implements it; tests use
// FakeCanvasHost (tests/testkit/model).

#include <QPointF>
#include <QRectF>
#include <vector>

#include "model/DRElementHostingView.h"
#include "support/Measure.h"

class DRElement;

class DRCanvasHost : public DRElementHostingView {
 public:
  // The selected elements in the order they were selected (the last is the
  // most recent).
  virtual const std::vector<DRElement*>& selection() const = 0;
  virtual void unselectAll() = 0;

  // 1.0 is 100 %. The zoom read is zoomValue() (never empty on a canvas).
  virtual void setZoomValue(double zoom) = 0;
  // The scroll position: the origin of the visible part, view points.
  virtual QPointF scrollOrigin() const = 0;
  virtual void setScrollOrigin(const QPointF& origin) = 0;
  // The canvas sits in its window (a painting tab may have taken its place).
  virtual bool hasSuperview() const = 0;

  // Rendering for the clipboard or an export: only the selection is drawn,
  // without casings or hairlines.
  virtual bool drawToClip() const = 0;
  virtual void setDrawToImage(bool drawToImage) = 0;
  virtual void setSuppressCasings(bool suppress) = 0;

  // Measures. The extent of the selection (bounds or frames; allElements
  // NO leaves out texts hidden from printing) and of every element.
  virtual CSRect selectionExtent(bool wantBounds, bool allElements) const = 0;
  virtual CSRect drawingExtent(bool allElements, bool forPrinting) const = 0;

  // The text element being typed into, which the canvas shows itself; null
  // when none.
  virtual DRElement* typingElement() const { return nullptr; }
  // The element being made by a tool, not yet in the drawing; null when none.
  virtual DRElement* newElement() const { return nullptr; }
  // The area (view points) an element may paint, casing and dots included;
  // the painter skips elements whose area misses the area being drawn.
  virtual QRectF cullingRectForElement(DRElement* element) const;

  // Redraws the whole view.
  virtual void setNeedsDisplay() = 0;
  // Refreshes in-place text editing of the element after a style change.
  virtual void invalidateTyping(DRElement* element) { (void)element; }
};
