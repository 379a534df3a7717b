#include "model/FakeCanvasHost.h"

#include <algorithm>

#include "model/DRDrawing.h"
#include "model/DRElementText.h"

CSRect FakeCanvasHost::ElementExtent(const std::vector<DRElement*>& elements, bool wantBounds, bool forPrinting,
                                     bool allElements) {
  bool any = false;
  CSRect extent;
  for (auto it = elements.rbegin(); it != elements.rend(); ++it) {
    const DRElement* element = *it;
    if (!element) continue;
    if (!allElements && element->elementType() == kElementText) {
      const auto* text = dynamic_cast<const DRElementText*>(element);
      if (text && text->ignoreText()) continue;
    }
    const CSRect rect = wantBounds ? element->bounds(forPrinting) : element->frame();
    extent = any ? UnionCSRect(extent, rect) : rect;
    any = true;
  }
  return extent;
}

void FakeCanvasHost::unselectAll() {
  ++unselectAllCount;
  selected.clear();
}

void FakeCanvasHost::setZoomValue(double value) {
  zoomsSet.push_back(value);
  zoom = value;
}

void FakeCanvasHost::setScrollOrigin(const QPointF& point) {
  originsSet.push_back(point);
  origin = point;
}

void FakeCanvasHost::setDrawToImage(bool value) {
  drawToImageCalls.push_back(value);
  toImage = value;
}

void FakeCanvasHost::setSuppressCasings(bool suppress) {
  suppressCasingsCalls.push_back(suppress);
  casingsSuppressed = suppress;
}

CSRect FakeCanvasHost::selectionExtent(bool wantBounds, bool allElements) const {
  return ElementExtent(selected, wantBounds, false, allElements);
}

CSRect FakeCanvasHost::drawingExtent(bool allElements, bool forPrinting) const {
  if (!drawing) return {};
  std::vector<DRElement*> all;
  for (const auto& element : drawing->elements()) all.push_back(element.get());
  return ElementExtent(all, true, forPrinting, allElements);
}

bool FakeCanvasHost::isElementSelected(const DRElement* element) const {
  return std::find(selected.begin(), selected.end(), element) != selected.end();
}
