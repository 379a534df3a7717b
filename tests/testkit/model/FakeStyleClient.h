#pragma once
// An element as the styles see it, with every answer a public field, for
// tests of the line style, the shadow and the arrowheads.

#include <algorithm>
#include <optional>

#include "model/DRLineInfo.h"
#include "model/DRShadow.h"
#include "model/DRShadowContext.h"
#include "model/DRStyleClient.h"

class FakeStyleClient : public DRStyleClient {
 public:
  bool hitTesting = false;
  bool underConstruction = false;
  bool scalable = false;
  std::optional<bool> scaleLine;
  CSRect frameRect;
  CSPoint original;
  const DRArrow* arrow = nullptr;
  std::optional<DRShadow> shadow;
  DRLineInfo line;
  // How often resetShadow() was called; each call removes the context shadow.
  int resetShadowCount = 0;

  bool isHitTesting() const override { return hitTesting; }
  bool isUnderConstruction() const override { return underConstruction; }
  bool canScale() const override { return scalable; }
  std::optional<bool> scaleLineSetting() const override { return scaleLine; }
  CSRect frame() const override { return frameRect; }
  CSPoint originalSize() const override { return original; }
  const DRArrow* arrowStyle() const override { return arrow; }
  const DRShadow* shadowStyle() const override { return shadow ? &*shadow : nullptr; }
  const DRLineInfo& lineStyle() const override { return line; }
  double effectiveLineWidth() const override {
    return std::max(1.0, double(float(double(line.width()) / double(kMeasurePerPoint))));
  }
  void resetShadow() override {
    ++resetShadowCount;
    SetContextShadow(std::nullopt);
  }
};
