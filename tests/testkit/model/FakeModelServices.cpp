#include "model/FakeModelServices.h"

DRDrawFileType FakeModelServices::drawFileType(const QString& path) const {
  return fileTypeHook ? fileTypeHook(path) : DRModelServices::drawFileType(path);
}

std::optional<DRElementList> FakeModelServices::loadElementsFromEmfFile(const QString& path) {
  ++emfLoads;
  return emfLoader ? emfLoader(path) : DRModelServices::loadElementsFromEmfFile(path);
}

std::optional<DRElementList> FakeModelServices::loadElementsFromSvgFile(const QString& path) {
  ++svgLoads;
  return svgLoader ? svgLoader(path) : DRModelServices::loadElementsFromSvgFile(path);
}

bool FakeModelServices::saveSvgFile(const DRElementList& elements, const CSRect& frame, const QString& path,
                                    CSError* error) {
  ++svgSaves;
  return svgSaver ? svgSaver(elements, frame, path, error) : DRModelServices::saveSvgFile(elements, frame, path, error);
}
