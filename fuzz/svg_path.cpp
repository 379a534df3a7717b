// SVG path data and point lists: any bytes read into polygons; every
// polygon kept has at least two points, one control pair per point when
// curved, and points inside its frame's original size.
#include <cstdlib>

#include "ModelFuzzSetup.h"
#include "interchange/SvgGeometry.h"
#include "model/DRElementPolygon.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpModelFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  SvgImportState state;
  SvgReadPath(state, state.top(), text);
  for (const auto& element : state.elements) {
    const auto* polygon = dynamic_cast<const DRElementPolygon*>(element.get());
    if (!polygon || polygon->points().size() < 2) std::abort();
    const size_t pairs = polygon->controlPairs().size();
    if (pairs != 0 && pairs != polygon->points().size()) std::abort();
    const CSPoint size = polygon->originalSize();
    for (const CSPoint& p : polygon->points()) {
      if (p.x < 0 || p.y < 0 || p.x > size.x || p.y > size.y) std::abort();
    }
  }
  state.currentElement = std::make_unique<DRElementPolygon>();
  SvgReadPoints(state, text);
  if (state.pathPointCount > kSvgMaxPathPoints) std::abort();
  return 0;
}
