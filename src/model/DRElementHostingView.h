#pragma once
// What an element calls on the view it draws in: the drawing canvas, the
// print view or the arc-angle control. Elements also draw with no view at
// all (inspector samples); a null view answers NO to everything.

#include <QPointF>
#include <QRectF>
#include <optional>

class DRElement;

class DRElementHostingView {
 public:
  virtual ~DRElementHostingView() = default;

  // Marks the element's area for redrawing.
  virtual void invalidateElement(DRElement* element) = 0;
  virtual bool isElementSelected(const DRElement* element) const = 0;
  // Selection casings and grab dots are drawn.
  virtual bool showCasings() const = 0;
  // Lines are never thinner than the output can show (copying to the clipboard).
  virtual bool noHairlines() const = 0;

  // The view's zoom, for views that have one.
  virtual std::optional<double> zoomValue() const { return std::nullopt; }
  // Where a reshape drag is, in view points, for the canvas's drag line.
  virtual void updateDragPoint(const QPointF& point) { (void)point; }
  // Refreshes the inspector a moment after the last of a run of changes:
  // the position panes when `position`, else the rotation.
  virtual void updatePropertiesDelay(bool position) { (void)position; }

  // The view has a window.
  virtual bool hasWindow() const { return false; }
  // Its window is the active main window and the view its first responder.
  virtual bool isActiveFirstResponder() const { return false; }
  // Its window is the active main window, whichever view has the focus.
  virtual bool isInActiveWindow() const { return false; }
  // The view is the drawing canvas rendering into an image.
  virtual bool drawToImage() const { return false; }
  // Marks a rectangle of the view (view points) for redrawing.
  virtual void invalidateRect(const QRectF& rect) { (void)rect; }
};
