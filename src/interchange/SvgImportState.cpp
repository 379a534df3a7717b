#include "interchange/SvgImportState.h"

SvgImportState::SvgImportState() {
  auto defaults = std::make_unique<DRSvgProps>();
  propsStack.push_back(std::move(defaults));
  currentCollection = &elements;
  propsStack.back()->parentCollection = &elements;
}
