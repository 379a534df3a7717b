#include "interchange/DRInterchangeServices.h"

#include <QFileInfo>

#include "interchange/SvgExport.h"
#include "interchange/SvgImport.h"
#include "platform/ExtendedAttributes.h"
#include "support/Files.h"

bool DRInterchangeServices::isQuickdrawFile(const QString& path) const {
  const QString extension = QFileInfo(path).suffix();
  if (!extension.isEmpty()) {
    return extension.compare(QStringLiteral("pict"), Qt::CaseInsensitive) == 0 ||
           extension.compare(QStringLiteral("pic"), Qt::CaseInsensitive) == 0;
  }
  // The file type is the first four bytes of the Finder information.
  QByteArray info;
  return GetExtendedAttribute(path, kFinderInfoAttribute, &info) && info.startsWith("PICT");
}

std::optional<DRElementList> DRInterchangeServices::loadElementsFromSvgFile(const QString& path) {
  return LoadElementsFromSvgFile(path);
}

bool DRInterchangeServices::saveSvgFile(const DRElementList& elements, const CSRect& frame, const QString& path,
                                        CSError* error) {
  return SaveSvgFile(elements, frame, path, error);
}

void RegisterInterchangeServices() {
  // The QuickDraw picture renderer joins here once the layer has one; until
  // then such pictures load as nil (SetQuickdrawPictureHook).
}
