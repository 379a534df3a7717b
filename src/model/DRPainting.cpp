#include "model/DRPainting.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QPainter>
#include <algorithm>
#include <cerrno>

#include "model/DRKeyTable.h"
#include "model/DRModelServices.h"
#include "model/DRSettings.h"
#include "model/DRShadowContext.h"
#include "model/GraphicHelpers.h"
#include "model/ModelSupport.h"
#include "platform/AtomicSwap.h"
#include "platform/NotificationCenter.h"
#include "support/CSError.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/Categories.h"
#include "support/FileErrors.h"
#include "support/GraphicsContext.h"
#include "support/ImageSaving.h"
#include "support/NumberText.h"
#include "support/SaturatingCast.h"
#include "support/StringWithFormat.h"
#include "support/XmlHelpers.h"

const QString g_editPaintNotification = QStringLiteral("twdraw.editPaint");

namespace {

// A QuickDraw picture shorter than its 512-byte header and the picture
// header after it holds no picture.
constexpr qint64 kMinQuickdrawFileBytes = 532;

// The longest GUID a record may name; generated ones have 36 characters.
constexpr qsizetype kMaxGuidLength = 128;

bool IsExtension(const QString& extension, const char* a, const char* b = nullptr) {
  return extension.compare(QLatin1String(a), Qt::CaseInsensitive) == 0 ||
         (b && extension.compare(QLatin1String(b), Qt::CaseInsensitive) == 0);
}

// A file name is made of the GUID: only letters, digits and hyphens, so that
// no GUID read from a file can name a path outside the image folder.
bool IsSafeGuid(const QString& guid) {
  if (guid.isEmpty() || guid.size() > kMaxGuidLength) return false;
  for (const QChar c : guid) {
    const char16_t u = c.unicode();
    const bool ok = (u >= u'a' && u <= u'z') || (u >= u'A' && u <= u'Z') || (u >= u'0' && u <= u'9') || u == u'-';
    if (!ok) return false;
  }
  return true;
}

// The extension of the path when it is a plain one (letters and digits).
QString PlainExtension(const QString& path) {
  const QString extension = QFileInfo(path).suffix();
  if (extension.isEmpty() || extension.size() > 16) return QString();
  for (const QChar c : extension) {
    if (!c.isLetterOrNumber() || c.unicode() > 127) return QString();
  }
  return extension;
}

int Tolerance() {
  return SaturatingCast<int>(double(DRSettings::sharedInstance().paintTolerance()));
}

// One side of a resize in pixels: the measure in points rounded up, at
// least 1.
int64_t PixelsForMeasure(MeasureUnit measure) {
  if (measure <= 0) return 1;
  const int64_t whole = measure / kMeasurePerPoint;
  return std::max<int64_t>(1, whole + (measure % kMeasurePerPoint != 0 ? 1 : 0));
}

QByteArray ReadWholeFile(const QString& path, bool* ok) {
  *ok = false;
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxImageFileBytes) return {};
  QByteArray data = file.readAll();
  *ok = file.error() == QFileDevice::NoError;
  return data;
}

bool IsSameFile(const QString& a, const QString& b) {
  const QFileInfo first(a);
  const QFileInfo second(b);
  if (!first.exists() || !second.exists()) return false;
  return first.canonicalFilePath() == second.canonicalFilePath();
}

// Copies the file to the target through a temporary file in the target's
// folder that then replaces it, so that a failed copy leaves the target as
// it was.
bool CopyFileReplacing(const QString& source, const QString& target, CSError* error) {
  const QFileInfo info(target);
  const QString temp = info.absolutePath() + QStringLiteral("/.") + info.fileName() + QLatin1Char('.') + GuidString();
  if (!CopyItemTree(QFileInfo(source).canonicalFilePath(), temp)) {
    const int failure = errno;
    if (error) *error = ErrorForUnixError(kFileOperationRead, failure);
    return false;
  }
  AtomicSwapResult result;
  if (!AtomicReplaceItem(temp, info.absoluteFilePath(), &result)) {
    RemoveItemTree(temp);
    if (error) *error = ErrorForUnixError(kFileOperationWrite, result.errorNumber);
    return false;
  }
  return true;
}

}  // namespace

// ---- Creation ----

DRPainting::DRPainting() : m_guid(GuidString()) {}

DRPainting::DRPainting(const CSImage& image) : m_guid(GuidString()), m_image(image), m_originalSize(image.size()) {}

DRPainting::DRPainting(QSizeF size) : m_guid(GuidString()), m_originalSize(size) {}

DRPainting::~DRPainting() = default;

std::shared_ptr<DRPainting> DRPainting::paintingFromImage(const CSImage& image) {
  if (image.isNull()) return nullptr;
  return std::make_shared<DRPainting>(image);
}

std::shared_ptr<DRPainting> DRPainting::paintingFromFile(const QString& path, bool* canceled) {
  if (canceled) *canceled = false;
  DRModelServices& services = ModelServices();
  const QString extension = QFileInfo(path).suffix();
  CSImage image;
  QString filePath = path;
  if (services.isQuickdrawFile(path)) {
    bool ok = false;
    const QByteArray data = ReadWholeFile(path, &ok);
    if (!ok || data.size() < kMinQuickdrawFileBytes) return nullptr;
    filePath.clear();
    image = services.createImageFromQuickdrawPict(data, true, &filePath);
  } else if (IsExtension(extension, "emf")) {
    bool ok = false;
    const QByteArray data = ReadWholeFile(path, &ok);
    if (!ok) return nullptr;
    filePath.clear();
    image = services.createImageFromEmf(data, &filePath);
  } else if (IsExtension(extension, "eps")) {
    // EPS cannot be read.
    return nullptr;
  } else if (IsExtension(extension, "pdf", "ai")) {
    image = services.scalableImage(path, canceled);
  } else {
    if (IsExtension(extension, "icns")) image = services.largestIconImage(path);
    if (image.isNull()) image = CSImage::initWithContentsOfFile(path);
  }
  std::shared_ptr<DRPainting> painting = paintingFromImage(image);
  if (!painting) return nullptr;
  painting->m_filePath = filePath;
  painting->m_fileDimensions = painting->m_originalSize;
  return painting;
}

std::shared_ptr<DRPainting> DRPainting::paintingFromXml(CSXmlDecoder& decoder) {
  QString guid;
  QSizeF original(0, 0);
  QString file;
  const bool read = ReadXmlChildren(decoder, kXmlImage, [&](CSXmlDecoder& child) {
    switch (child.key()) {
      case kXmlId:
        guid = child.value();
        break;
      case kXmlOriginal:
        original = SizeFromText(child.value());
        break;
      case kXmlFile:
        file = child.value();
        break;
      default:
        break;
    }
  });
  if (!read || !IsSafeGuid(guid)) return nullptr;
  std::shared_ptr<DRPainting> painting(new DRPainting());
  painting->m_guid = guid;
  painting->m_originalSize = original;
  painting->m_filePath = file;
  return painting;
}

std::shared_ptr<DRPainting> DRPainting::copy() const {
  std::shared_ptr<DRPainting> painting(new DRPainting());
  painting->m_guid = m_guid;
  painting->m_image = m_image;
  if (m_pixmap) {
    painting->m_pixmap = m_pixmap->copy();
    // Without memory for the pixels, the copy keeps them as an image.
    if (!painting->m_pixmap && painting->m_image.isNull()) painting->m_image = m_pixmap->createImage();
  }
  painting->m_filePath = m_filePath;
  painting->m_originalSize = m_originalSize;
  painting->m_fileDimensions = m_fileDimensions;
  painting->m_saveImageFormat = m_saveImageFormat;
  painting->m_inUse = m_inUse;
  painting->m_edited = m_edited;
  painting->m_matchesFile = m_matchesFile;
  painting->m_hasAlpha = m_hasAlpha;
  painting->m_alphaSet = m_alphaSet;
  painting->m_loadFailed = m_loadFailed;
  return painting;
}

// ---- Storage ----

void DRPainting::archiveToXml(CSXmlEncoder& encoder, bool forSave) const {
  encoder.addTag(QStringLiteral("id"), m_guid);
  encoder.addTag(QStringLiteral("original"), SizeToText(m_originalSize));
  if (forSave) {
    // The name may ask whether the pixels have transparency, which is only
    // worked out and remembered, never changed.
    encoder.addTag(QStringLiteral("file"), const_cast<DRPainting*>(this)->fileName());
  } else if (!m_filePath.isEmpty()) {
    encoder.addTag(QStringLiteral("file"), m_filePath);
  }
}

QString DRPainting::fileName() {
  QString extension = PlainExtension(m_filePath);
  if (extension.isEmpty()) extension = QStringLiteral("png");
  // A file that is copied as it stands keeps its extension (a JPEG file has
  // no transparency, and a file that could not be read must not be asked).
  const bool copiesFile = !m_filePath.isEmpty() && (m_matchesFile || (m_loadFailed && !m_edited));
  if (!copiesFile && IsExtension(extension, "jpg", "jpeg") && hasAlpha()) extension = QStringLiteral("png");
  return m_guid + QLatin1Char('.') + extension;
}

bool DRPainting::saveTo(const QString& folder, CSError* error) {
  if (!IsSafeGuid(m_guid)) {
    if (error) *error = ErrorForReason(QStringLiteral("The image has no usable name."), kImageSaveErrorCode);
    return false;
  }
  const QString target = QDir(folder).filePath(fileName());
  // A painting whose file could not be read has no pixels of its own: only
  // its file may be saved, never the blank picture that stands in for it.
  const bool fileOnly = m_loadFailed && !m_edited;

  if ((m_matchesFile || fileOnly) && !m_filePath.isEmpty()) {
    if (IsSameFile(m_filePath, target)) {
      m_filePath = target;
      m_fileDimensions = m_originalSize;
      return true;
    }
    const QFileInfo source(m_filePath);
    // An unreadable "image" behind a link is not carried into the package:
    // it could be any file of the user's.
    const bool copyable = source.isFile() && !(fileOnly && source.isSymLink());
    CSError copyError;
    if (copyable && CopyFileReplacing(m_filePath, target, &copyError)) {
      m_filePath = target;
      m_fileDimensions = m_originalSize;
      return true;
    }
    if (fileOnly) {
      if (!copyable) return true;  // no file (or only a link): the image stays missing
      if (error) *error = copyError;
      return false;
    }
  }
  if (fileOnly) return true;

  const CSImage picture = image();
  if (picture.isNull()) {
    if (error) {
      *error = ErrorForReason(StringWithFormat("The image cannot be saved to \"%@\".", target), kImageSaveErrorCode);
    }
    return false;
  }
  const QString written = SaveImage(picture, target, m_saveImageFormat, false, error, 0, 0, 1.0);
  if (written.isEmpty()) return false;
  m_filePath = written;
  m_fileDimensions = m_originalSize;
  return true;
}

double DRPainting::fileCompression() const {
  if (m_filePath.isEmpty()) return -1.0;
  const QString extension = QFileInfo(m_filePath).suffix();
  if (IsExtension(extension, "tiff", "tif")) return IsTiffCompressed(m_filePath) ? 1.0 : 0.0;
  if (IsExtension(extension, "jpg", "jpeg") && m_fileDimensions.width() >= 0 && m_fileDimensions.height() >= 0) {
    return JpegCompression(m_filePath, SaturatingCast<int64_t>(m_fileDimensions.width()),
                           SaturatingCast<int64_t>(m_fileDimensions.height()));
  }
  return -1.0;
}

QByteArray DRPainting::tiffData() {
  return ImageData(image(), kImageFormatTIFF, 0, 0, ModelServices().tiffCompression() ? 1.0 : 0.0);
}

// ---- Access ----

CSImage DRPainting::image() {
  if (m_image.isNull() && m_pixmap) m_image = m_pixmap->createImage();
  return m_image;
}

void DRPainting::setImage(const CSImage& image) {
  m_image = image;
  m_pixmap.reset();
  m_alphaSet = false;
}

CSPixmap* DRPainting::pixmap() {
  if (!m_pixmap) {
    // An image that cannot become pixels (too large, no memory) must not
    // be replaced by an empty pixmap, which an edit would then save.
    if (!m_image.isNull())
      m_pixmap = CSPixmap::initWithImage(m_image);
    else
      m_pixmap = CSPixmap::initWithSize(m_originalSize);
  }
  return m_pixmap.get();
}

void DRPainting::replacePixmap(std::unique_ptr<CSPixmap> pixmap) {
  if (!pixmap) return;
  m_pixmap = std::move(pixmap);
  m_originalSize = m_pixmap->size();
  setEdited();
}

void DRPainting::setPixmapMode(PixmapMode mode) {
  if (CSPixmap* map = pixmap()) map->setPixmapMode(mode);
}

bool DRPainting::hasAlpha() {
  if (!m_alphaSet) {
    const CSPixmap* map = pixmap();
    if (!map) return false;
    m_hasAlpha = map->hasAlpha();
    m_alphaSet = true;
  }
  return m_hasAlpha;
}

Kolor DRPainting::kolorAtPoint(QPointF point) {
  const CSPixmap* map = pixmap();
  return map ? map->kolorAtPoint(point) : g_nilKolor;
}

void DRPainting::drawInRect(const QRectF& rect, double alpha) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  const CSImage picture = image();
  if (picture.isNull()) return;
  const QImage bitmap = picture.bitmapForRect(painter, rect);
  if (bitmap.isNull()) return;
  PushShadowContext();
  painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter->setOpacity(painter->opacity() * (alpha > 0 ? std::min(alpha, 1.0) : 0.0));
  painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
  DrawImageInContext(rect, bitmap);
  PopShadowContext();
}

void DRPainting::recomputeAlphaIfKnown() {
  if (m_alphaSet && m_pixmap) m_hasAlpha = m_pixmap->hasAlpha();
}

void DRPainting::setEdited() {
  const bool wasEdited = m_edited;
  const bool hadAlpha = m_hasAlpha;
  m_edited = true;
  m_matchesFile = false;
  // The image is made again from the pixels; without a pixmap it is all
  // there is of the picture.
  if (m_pixmap) m_image = CSImage();
  recomputeAlphaIfKnown();
  if (wasEdited && m_alphaSet && m_hasAlpha == hadAlpha) return;
  NotificationCenter::defaultCenter().post(g_editPaintNotification, this);
}

// ---- Paint operations ----

bool DRPainting::blur() {
  CSPixmap* map = pixmap();
  if (!map || !map->blur(DRSettings::sharedInstance().blurStrength())) return false;
  setEdited();
  return true;
}

bool DRPainting::crop(const QRect& rect) {
  CSPixmap* map = pixmap();
  if (!map) return false;
  // Negative values become huge ones, which no pixmap holds.
  std::unique_ptr<CSPixmap> cropped =
      map->createCroppedPixmap(uint64_t(int64_t(rect.x())), uint64_t(int64_t(rect.y())),
                               uint64_t(int64_t(rect.width())), uint64_t(int64_t(rect.height())));
  if (!cropped) return false;
  replacePixmap(std::move(cropped));
  return true;
}

bool DRPainting::drawWithBrush(BrushShape brush, int64_t size, QPointF from, QPointF to, Kolor kolor) {
  CSPixmap* map = pixmap();
  if (!map || !map->drawWithBrush(brush, size, from, to, kolor)) return false;
  setEdited();
  return true;
}

bool DRPainting::drawWithPencil(QPointF from, QPointF to, Kolor kolor) {
  CSPixmap* map = pixmap();
  if (!map || !map->drawWithPencil(from, to, kolor)) return false;
  setEdited();
  return true;
}

void DRPainting::startBlur(QPointF point) {
  const DRSettings& settings = DRSettings::sharedInstance();
  if (CSPixmap* map = pixmap()) {
    map->setBlur(point, SaturatingCast<int64_t>(double(settings.brushSizeExponent())), settings.blurStrength());
  }
}

void DRPainting::startSmudge(QPointF point) {
  const DRSettings& settings = DRSettings::sharedInstance();
  if (CSPixmap* map = pixmap()) {
    map->setSmudge(point, SaturatingCast<int64_t>(double(settings.brushSizeExponent())), settings.blurStrength());
  }
}

bool DRPainting::flipHorizontal() {
  CSPixmap* map = pixmap();
  if (!map) return false;
  map->flipHorizontal();
  setEdited();
  return true;
}

bool DRPainting::flipVertical() {
  CSPixmap* map = pixmap();
  if (!map) return false;
  map->flipVertical();
  setEdited();
  return true;
}

bool DRPainting::floodPixelsFromPoint(QPointF point) {
  CSPixmap* map = pixmap();
  if (!map) return false;
  Kolor kolor = DRSettings::sharedInstance().fillKolor();
  if (map->pixmapMode() == kPixmapModeMask) kolor = GrayscaleKolorCIE(kolor);
  if (!map->floodPixelsWithKolor(kolor, Tolerance(), point, nullptr)) return false;
  setEdited();
  RegisterKolor(kolor, true);
  return true;
}

bool DRPainting::mergeWithPixmap(const CSPixmap& other, QPointF origin, PixmapBlendMode blendMode) {
  CSPixmap* map = pixmap();
  if (!map || !map->mergeBitmap(other.bitmap(), origin, blendMode)) return false;
  setEdited();
  return true;
}

bool DRPainting::resizeWidth(MeasureUnit width, MeasureUnit height, bool center) {
  CSPixmap* map = pixmap();
  if (!map) return false;
  const QSizeF size(double(PixelsForMeasure(width)), double(PixelsForMeasure(height)));
  std::unique_ptr<CSPixmap> resized = map->createPixmapForSize(size, center);
  if (!resized) return false;
  replacePixmap(std::move(resized));
  return true;
}

bool DRPainting::rotate(int degrees) {
  CSPixmap* map = pixmap();
  if (!map) return false;
  std::unique_ptr<CSPixmap> rotated;
  CSPixmap* result = map->rotate(degrees, &rotated);
  if (!result) return false;
  if (result == map)
    setEdited();
  else
    replacePixmap(std::move(rotated));
  return true;
}

bool DRPainting::shrinkToFit() {
  CSPixmap* map = pixmap();
  if (!map) return false;
  std::unique_ptr<CSPixmap> shrunk = map->createShrunkenPixmap(nullptr, true);
  if (!shrunk) return false;
  replacePixmap(std::move(shrunk));
  return true;
}

bool DRPainting::convertToGray(const CSPixmap* mask, QPointF origin) {
  CSPixmap* map = pixmap();
  if (!map) return false;
  map->convertToGray(mask, origin);
  setEdited();
  return true;
}

bool DRPainting::convertToMonochrome(bool black, const CSPixmap* mask, QPointF origin) {
  CSPixmap* map = pixmap();
  if (!map) return false;
  map->convertToMonochrome(black, mask, origin);
  setEdited();
  return true;
}

bool DRPainting::fillWithColor(Kolor kolor, const CSPixmap* mask, QPointF origin) {
  CSPixmap* map = pixmap();
  if (!map) return false;
  map->fillWithKolor(kolor, mask, origin);
  setEdited();
  return true;
}

bool DRPainting::invertColors(const CSPixmap* mask, QPointF origin) {
  CSPixmap* map = pixmap();
  if (!map) return false;
  map->invertColors(mask, origin);
  setEdited();
  return true;
}

bool DRPainting::replaceKolor(Kolor oldKolor, Kolor newKolor, const CSPixmap* mask, QPointF origin) {
  CSPixmap* map = pixmap();
  if (!map || !map->replaceKolor(oldKolor, newKolor, Tolerance(), mask, origin)) return false;
  setEdited();
  return true;
}

bool DRPainting::replaceColorsFromMask(const CSPixmap* mask, QPointF origin, Kolor kolor,
                                       std::atomic<uint8_t>* cancelFlag) {
  CSPixmap* map = pixmap();
  if (!map || !map->replaceColorsFromMask(mask, origin, kolor, Tolerance(), cancelFlag)) return false;
  setEdited();
  return true;
}

bool DRPainting::toggleAlpha(bool interiorOpaque) {
  CSPixmap* map = pixmap();
  if (!map) return false;
  bool alpha = false;
  if (hasAlpha())
    map->deleteAlpha();
  else
    alpha = map->addAlpha(interiorOpaque);
  setEdited();
  m_hasAlpha = alpha;
  m_alphaSet = true;
  return true;
}
