#pragma once
// A drawing canvas for model tests: every answer is a public field, extents
// are measured from the drawing's elements as the canvas measures them, and
// every call the model makes on it is counted or recorded.

#include <QPointF>
#include <QRectF>
#include <optional>
#include <vector>

#include "model/DRCanvasHost.h"
#include "model/DRElementGroup.h"

class DRDrawing;

class FakeCanvasHost : public DRCanvasHost {
 public:
  explicit FakeCanvasHost(DRDrawing* drawing = nullptr) : drawing(drawing) {}

  // The union of the elements' bounds (with `forPrinting`) or frames, from
  // the last back; texts marked to be ignored are left out unless
  // `allElements`; the zero rectangle when none counts.
  static CSRect ElementExtent(const std::vector<DRElement*>& elements, bool wantBounds, bool forPrinting,
                              bool allElements);

  // ---- Answers ----
  DRDrawing* drawing;
  std::vector<DRElement*> selected;
  double zoom = 1.0;
  QPointF origin;
  bool superview = true;
  bool toClip = false;
  bool toImage = false;
  bool casingsSuppressed = false;
  bool window = true;
  bool active = true;
  bool activeWindow = true;
  DRElement* typing = nullptr;
  DRElement* making = nullptr;

  // ---- Calls ----
  int unselectAllCount = 0;
  int needsDisplayCount = 0;
  std::vector<double> zoomsSet;
  std::vector<QPointF> originsSet;
  std::vector<bool> drawToImageCalls;
  std::vector<bool> suppressCasingsCalls;
  std::vector<DRElement*> invalidatedElements;
  std::vector<QRectF> invalidatedRects;
  std::vector<DRElement*> invalidatedTyping;
  std::vector<QPointF> dragPoints;
  std::vector<bool> propertiesDelays;

  // ---- DRCanvasHost ----
  const std::vector<DRElement*>& selection() const override { return selected; }
  void unselectAll() override;
  void setZoomValue(double value) override;
  QPointF scrollOrigin() const override { return origin; }
  void setScrollOrigin(const QPointF& point) override;
  bool hasSuperview() const override { return superview; }
  bool drawToClip() const override { return toClip; }
  void setDrawToImage(bool value) override;
  void setSuppressCasings(bool suppress) override;
  CSRect selectionExtent(bool wantBounds, bool allElements) const override;
  CSRect drawingExtent(bool allElements, bool forPrinting) const override;
  DRElement* typingElement() const override { return typing; }
  DRElement* newElement() const override { return making; }
  void setNeedsDisplay() override { ++needsDisplayCount; }
  void invalidateTyping(DRElement* element) override { invalidatedTyping.push_back(element); }

  // ---- DRElementHostingView ----
  void invalidateElement(DRElement* element) override { invalidatedElements.push_back(element); }
  bool isElementSelected(const DRElement* element) const override;
  bool showCasings() const override { return !casingsSuppressed && !toClip; }
  bool noHairlines() const override { return toClip; }
  std::optional<double> zoomValue() const override { return zoom; }
  void updateDragPoint(const QPointF& point) override { dragPoints.push_back(point); }
  void updatePropertiesDelay(bool position) override { propertiesDelays.push_back(position); }
  bool hasWindow() const override { return window; }
  bool isActiveFirstResponder() const override { return active; }
  bool isInActiveWindow() const override { return window && activeWindow; }
  bool drawToImage() const override { return toImage; }
  void invalidateRect(const QRectF& rect) override { invalidatedRects.push_back(rect); }
};
