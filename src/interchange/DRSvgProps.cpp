#include "interchange/DRSvgProps.h"

#include "support/Fonts.h"

DRSvgProps::DRSvgProps() {
  textInfo.setFont(UserFont(kDefaultFontSize));
  lineInfo.setKolorWithoutRegistering(g_nilKolor);
  lineInfo.setWidth(kMeasurePerPoint);
}

std::unique_ptr<DRSvgProps> DRSvgProps::copy() const {
  auto result = std::make_unique<DRSvgProps>(*this);
  result->subelements.reset();
  result->parentCollection = nullptr;
  result->parentTransformCount = transforms.size();
  return result;
}
