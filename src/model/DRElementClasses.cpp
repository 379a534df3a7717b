// The one place that knows every element class: it enters each in the
// registry that the record reader and the tool factory use. Listed here
// rather than registered from each class's own file, whose static
// initialisers the static-library linker may drop.

#include <mutex>

#include "model/DRElement.h"
#include "model/DRElementArc.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementRegularPoly.h"
#include "model/DRElementRoundRect.h"
#include "model/DRTool.h"

namespace {

template <typename T>
std::unique_ptr<DRElement> Make() {
  return std::make_unique<T>();
}

}  // namespace

void RegisterElementClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterElementClass(kElementArc, Make<DRElementArc>);
    RegisterElementClass(kElementEllipse, Make<DRElementEllipse>);
    RegisterElementClass(kElementRectangle, Make<DRElementRectangle>);
    RegisterElementClass(kElementRegularPoly, Make<DRElementRegularPoly>);
    RegisterElementClass(kElementRoundRect, Make<DRElementRoundRect>);

    RegisterElementTool(kToolRectangle, Make<DRElementRectangle>);
    RegisterElementTool(kToolRoundRect, Make<DRElementRoundRect>);
    RegisterElementTool(kToolEllipse, Make<DRElementEllipse>);
    RegisterElementTool(kToolArc, Make<DRElementArc>);
    RegisterElementTool(kToolRegularPoly, Make<DRElementRegularPoly>);
  });
}
