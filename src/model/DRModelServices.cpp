#include "model/DRModelServices.h"

#include <QFileInfo>

#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/CSError.h"
#include "support/Categories.h"
#include "support/Files.h"
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

const QStringList& QuickdrawFileExtensions() {
  static const QStringList extensions{QStringLiteral("pict"), QStringLiteral("pct"), QStringLiteral("pic")};
  return extensions;
}

DRDrawFileType DRModelServices::drawFileType(const QString& path) const {
  const QString extension = QFileInfo(path).suffix();
  if (extension.compare(QStringLiteral("TWdraw"), Qt::CaseInsensitive) == 0 ||
      extension.compare(QStringLiteral("TWdraw_autosave"), Qt::CaseInsensitive) == 0)
    return kDrawFileNative;
  if (extension.compare(QStringLiteral("emf"), Qt::CaseInsensitive) == 0) return kDrawFileEmf;
  if (extension.compare(QStringLiteral("svg"), Qt::CaseInsensitive) == 0) return kDrawFileSvg;
  if (extension.compare(QStringLiteral("pictClipping"), Qt::CaseInsensitive) == 0) return kDrawFileClipping;
  if (!extension.isEmpty()) {
    // "ai" and "eps" are among the image extensions; QuickDraw pictures load
    // as images through the picture hook.
    if (CSImage::fileExtensions().contains(extension.toLower())) return kDrawFileImage;
    if (QuickdrawFileExtensions().contains(extension.toLower())) return kDrawFileImage;
    return kDrawFileUnknown;
  }
  // Without an extension the classic file type decides.
  switch (FileTypeCode(path)) {
    case 0x47494666:  // 'GIFf'
    case 0x4A504547:  // 'JPEG'
    case 0x50444620:  // 'PDF '
    case 0x50494354:  // 'PICT'
    case 0x504E4720:  // 'PNG '
    case 0x504E4766:  // 'PNGf'
    case 0x54494646:  // 'TIFF'
      return kDrawFileImage;
    default:
      return kDrawFileUnknown;
  }
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
