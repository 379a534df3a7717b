// The one place that knows every element class: it enters each in the
// registry that the record reader and the tool factory use. Listed here
// rather than registered from each class's own file, whose static
// initialisers the static-library linker may drop.

#include <mutex>

#include "model/DRElement.h"
#include "model/DRElementArc.h"
#include "model/DRElementBentLine.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementGroup.h"
#include "model/DRElementLine.h"
#include "model/DRElementMultipath.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementRegularPoly.h"
#include "model/DRElementRoundRect.h"
#include "model/DRElementScribble.h"
#include "model/DRElementText.h"
#include "model/DRSettings.h"
#include "model/DRTool.h"

namespace {

template <typename T>
std::unique_ptr<DRElement> Make() {
  return std::make_unique<T>();
}

// The polygon and curved-line tools smooth their paths as the tool
// settings say.
template <typename T>
std::unique_ptr<DRElement> MakeCurved() {
  auto element = std::make_unique<T>();
  element->setCurves(DRSettings::sharedInstance().curvedPolygon());
  return element;
}

}  // namespace

void RegisterElementClasses() {
  static std::once_flag once;
  std::call_once(once, [] {
    RegisterElementClass(kElementArc, Make<DRElementArc>);
    RegisterElementClass(kElementBitmap, Make<DRElementBitmap>);
    RegisterElementClass(kElementEllipse, Make<DRElementEllipse>);
    RegisterElementClass(kElementRectangle, Make<DRElementRectangle>);
    RegisterElementClass(kElementRegularPoly, Make<DRElementRegularPoly>);
    RegisterElementClass(kElementRoundRect, Make<DRElementRoundRect>);
    RegisterElementClass(kElementScribble, Make<DRElementScribble>);
    RegisterElementClass(kElementPolygon, Make<DRElementPolygon>);
    RegisterElementClass(kElementBentLine, Make<DRElementBentLine>);
    RegisterElementClass(kElementLine, Make<DRElementLine>);
    RegisterElementClass(kElementGroup, Make<DRElementGroup>);
    RegisterElementClass(kElementMultipath, Make<DRElementMultipath>);
    RegisterElementClass(kElementText, Make<DRElementText>);

    RegisterElementTool(kToolRectangle, Make<DRElementRectangle>);
    RegisterElementTool(kToolRoundRect, Make<DRElementRoundRect>);
    RegisterElementTool(kToolEllipse, Make<DRElementEllipse>);
    RegisterElementTool(kToolArc, Make<DRElementArc>);
    RegisterElementTool(kToolLine, Make<DRElementLine>);
    RegisterElementTool(kToolText, Make<DRElementText>);
    RegisterElementTool(kToolRegularPoly, Make<DRElementRegularPoly>);
    RegisterElementTool(kToolScribble, Make<DRElementScribble>);
    RegisterElementTool(kToolPolygon, MakeCurved<DRElementPolygon>);
    RegisterElementTool(kToolCurvedLine, MakeCurved<DRElementBentLine>);
  });
}
