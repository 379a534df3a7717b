#include "interchange/DRInterchangeServices.h"

#include "interchange/EmfImport.h"
#include "interchange/IconFile.h"
#include "interchange/PictConverter.h"
#include "interchange/SvgExport.h"
#include "interchange/SvgImport.h"
#include "richtext/RtfReader.h"

bool DRInterchangeServices::isQuickdrawFile(const QString& path) const {
  return IsQuickdrawFile(path);
}

CSImage DRInterchangeServices::createImageFromQuickdrawPict(const QByteArray& data, bool hasHeader, QString* pdfPath) {
  return CreateImageFromQuickdrawPict(data, hasHeader, pdfPath, nullptr);
}

CSImage DRInterchangeServices::largestIconImage(const QString& path) {
  return LargestIconImage(path);
}

std::optional<DRElementList> DRInterchangeServices::loadElementsFromEmfFile(const QString& path) {
  return LoadElementsFromEmfFile(path);
}

CSImage DRInterchangeServices::createImageFromEmf(const QByteArray& data, QString* pdfPath) {
  return CreateImageFromEmf(data, pdfPath, nullptr);
}

std::optional<DRElementList> DRInterchangeServices::loadElementsFromSvgFile(const QString& path) {
  return LoadElementsFromSvgFile(path);
}

bool DRInterchangeServices::saveSvgFile(const DRElementList& elements, const CSRect& frame, const QString& path,
                                        CSError* error) {
  return SaveSvgFile(elements, frame, path, error);
}

void RegisterInterchangeServices() {
  SetQuickdrawPictureHook(&RenderQuickdrawPicture);
  // Pictures in RTF carry no file header.
  SetRtfPictureDecoder([](const QByteArray& data, RtfPictureFormat format) {
    QString path;
    return format == RtfPictureFormat::kEmf ? CreateImageFromEmf(data, &path, nullptr)
                                            : CreateImageFromQuickdrawPict(data, false, &path, nullptr);
  });
}
