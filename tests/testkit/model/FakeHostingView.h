#pragma once
// A host view for element tests: every answer is a public field, and every
// call an element makes on it is counted or recorded.

#include <QPointF>
#include <QRectF>
#include <QSet>
#include <optional>
#include <vector>

#include "model/DRElementHostingView.h"

class FakeHostingView : public DRElementHostingView {
 public:
  // ---- Answers ----
  // The elements the view has selected (by identity).
  QSet<const DRElement*> selected;
  bool casings = true;
  bool hairlinesOff = false;
  std::optional<double> zoom;
  bool window = true;
  // The window is the active main window and the view its first responder.
  bool active = true;
  // The window is the active main window (the focus may be elsewhere in it).
  bool activeWindow = true;
  bool toImage = false;

  // ---- Calls ----
  std::vector<DRElement*> invalidatedElements;
  std::vector<QRectF> invalidatedRects;
  std::vector<QPointF> dragPoints;
  std::vector<bool> propertiesDelays;

  void select(const DRElement* element) { selected.insert(element); }

  void invalidateElement(DRElement* element) override { invalidatedElements.push_back(element); }
  bool isElementSelected(const DRElement* element) const override { return selected.contains(element); }
  bool showCasings() const override { return casings; }
  bool noHairlines() const override { return hairlinesOff; }
  std::optional<double> zoomValue() const override { return zoom; }
  void updateDragPoint(const QPointF& point) override { dragPoints.push_back(point); }
  void updatePropertiesDelay(bool position) override { propertiesDelays.push_back(position); }
  bool hasWindow() const override { return window; }
  bool isActiveFirstResponder() const override { return active; }
  bool isInActiveWindow() const override { return window && activeWindow; }
  bool drawToImage() const override { return toImage; }
  void invalidateRect(const QRectF& rect) override { invalidatedRects.push_back(rect); }
};
