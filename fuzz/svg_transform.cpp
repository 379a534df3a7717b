// SVG transform lists: any bytes read as a level's transforms and applied
// to each kind of shape the reader makes; the list keeps its cap and every
// rotation stays within a turn.
#include <cstdlib>

#include "ModelFuzzSetup.h"
#include "interchange/SvgGeometry.h"
#include "interchange/SvgStyle.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementLine.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementRoundRect.h"
#include "model/DRElementText.h"

namespace {

void ApplyTo(const QString& text, std::unique_ptr<DRElement> element) {
  SvgImportState state;
  DRSvgProps& props = state.top();
  props.viewBox = CSRect{0, 0, 200 * kSvgMeasurePerPixel, 100 * kSvgMeasurePerPixel};
  SvgParseTransforms(state, props, text);
  if (props.transforms.size() > kSvgMaxLevelTransforms) std::abort();
  for (const SvgTransform& transform : props.transforms) {
    if (transform.angle < 0 || transform.angle >= kSvgFullTurn) std::abort();
  }
  if (auto* line = dynamic_cast<DRElementLine*>(element.get())) {
    line->setStartPoint(CSPoint{9525, 9525});
    line->setEndPoint(CSPoint{95250, 47625});
  }
  const bool isPolygon = dynamic_cast<DRElementPolygon*>(element.get()) != nullptr;
  state.currentElement = std::move(element);
  if (isPolygon) {
    SvgReadPoints(state, u"0,0 10,5 3,8");
    SvgFinishPolygon(state, props);
    return;
  }
  state.x = 95250;
  state.y = 95250;
  state.width = 190500;
  state.height = 95250;
  SvgSetFilledFrameAndProps(state, props, false);
  if (state.currentElement) {
    const int64_t rotation = state.currentElement->rotation();
    if (rotation < 0 || rotation >= kSvgFullTurn) std::abort();
  }
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpModelFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  ApplyTo(text, std::make_unique<DRElementRectangle>());
  ApplyTo(text, std::make_unique<DRElementRoundRect>());
  ApplyTo(text, std::make_unique<DRElementEllipse>());
  ApplyTo(text, std::make_unique<DRElementLine>());
  ApplyTo(text, std::make_unique<DRElementPolygon>());
  auto textElement = std::make_unique<DRElementText>();
  textElement->setText(QStringLiteral("A"));
  ApplyTo(text, std::move(textElement));
  return 0;
}
