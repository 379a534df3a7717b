#include "model/DRModelServices.h"

#include <QFileInfo>

#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/CSError.h"
#include "support/Categories.h"
#include "support/StringWithFormat.h"

namespace {

DRModelServices* g_services = nullptr;

}  // namespace

DRModelServices& ModelServices() {
  static DRModelServices defaults;
  return g_services ? *g_services : defaults;
}

void SetModelServices(DRModelServices* services) { g_services = services; }

void DRModelServices::postPositionChange() {
  NotificationCenter::defaultCenter().post(QStringLiteral("twdraw.positionChange"), mainWindow());
}

double DRModelServices::currentTime() const { return TimeSinceSystemRef(); }

DRDrawFileType DRModelServices::drawFileType(const QString& path) const {
  const QString extension = QFileInfo(path).suffix();
  if (extension.compare(QStringLiteral("TWdraw"), Qt::CaseInsensitive) == 0 ||
      extension.compare(QStringLiteral("TWdraw_autosave"), Qt::CaseInsensitive) == 0)
    return kDrawFileNative;
  if (extension.compare(QStringLiteral("emf"), Qt::CaseInsensitive) == 0) return kDrawFileEmf;
  if (extension.compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0) return kDrawFileSvg;
  if (CSImage::fileExtensions().contains(extension.toLower())) return kDrawFileImage;
  return kDrawFileUnknown;
}

namespace {

// The alert of a file kind no importer reads here.
std::optional<DRElementList> RefuseImport(const QString& path) {
  GiveSimpleAlert(QStringLiteral("Can't open file."),
                  StringWithFormat("I can't open the file \"%@\"; %@.", LastPathComponent(path),
                                   QStringLiteral("its drawing can't be read")));
  return std::nullopt;
}

}  // namespace

std::optional<DRElementList> DRModelServices::loadElementsFromEmfFile(const QString& path) {
  return RefuseImport(path);
}

std::optional<DRElementList> DRModelServices::loadElementsFromSvgFile(const QString& path) {
  return RefuseImport(path);
}

bool DRModelServices::saveSvgFile(const DRElementList& elements, const CSRect& frame, const QString& path,
                                  CSError* error) {
  (void)elements, (void)frame, (void)path;
  if (error) *error = CSError::withReason(QStringLiteral("SVG files can't be written."), -2114);
  return false;
}
