#include "support/CSImage.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QGuiApplication>
#include <QImageReader>
#include <QMimeData>
#include <QPainter>
#include <QScreen>
#include <QUrl>
#include <QtMath>
#include <atomic>

#include "platform/EpsConverter.h"
#include "platform/HeifCodec.h"
#include "platform/Jpeg2000Codec.h"
#include "platform/PdfRenderer.h"
#include "support/ImageFormat.h"
#include "support/ImageSaving.h"
#include "support/Kolor.h"

namespace {

std::atomic<int64_t> g_decodePixelLimit{kDefaultImageDecodePixelLimit};
std::atomic<int> g_epsTimeLimit{kEpsDefaultTimeLimitMilliseconds};
std::atomic<QuickdrawPictureHook> g_quickdrawHook{nullptr};

bool WithinPixelLimit(QSize size) {
  return size.width() > 0 && size.height() > 0 && int64_t(size.width()) * size.height() <= ImageDecodePixelLimit();
}

QImage NormalisedBitmap(const QImage& image) {
  if (image.isNull()) return {};
  const QImage::Format format = image.hasAlphaChannel() ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32;
  return image.format() == format ? image : image.convertToFormat(format);
}

CSImageRep RepFromBitmap(const QImage& bitmap) {
  CSImageRep rep;
  rep.bitmap = NormalisedBitmap(bitmap);
  rep.size = QSizeF(rep.bitmap.size());
  return rep;
}

// Reads every image of a reader (the pages of a TIFF) within the caps.
QList<CSImageRep> RepsFromReader(const QByteArray& data, const QByteArray& format, bool allImages) {
  QList<CSImageRep> reps;
  QBuffer buffer;
  buffer.setData(data);
  if (!buffer.open(QIODevice::ReadOnly)) return reps;
  QImageReader reader(&buffer, format);
  reader.setDecideFormatFromContent(false);
  reader.setAutoTransform(true);
  // The reader refuses (before allocating) any image above this many MB.
  const int64_t megabytes = ImageDecodePixelLimit() * 4 / (1024 * 1024) + 1;
  reader.setAllocationLimit(int(std::min<int64_t>(megabytes, INT32_MAX)));
  if (!reader.canRead()) return reps;
  const int count = allImages ? std::clamp(reader.imageCount(), 1, kMaxImageRepresentations) : 1;
  // The pages of one file share the budget: later pages that would exceed it
  // are left out rather than the whole file refused.
  int64_t budget = ImageDecodePixelLimit();
  for (int i = 0; i < count; ++i) {
    if (i > 0 && !reader.jumpToNextImage()) break;
    const QSize declared = reader.size();
    if (declared.isValid() && (!WithinPixelLimit(declared) || int64_t(declared.width()) * declared.height() > budget))
      break;
    QImage image;
    if (!reader.read(&image) || !WithinPixelLimit(image.size())) break;
    const int64_t pixels = int64_t(image.width()) * image.height();
    if (pixels > budget) break;
    budget -= pixels;
    reps.append(RepFromBitmap(image));
  }
  return reps;
}

// Vector drawings are opened by the importers, never rasterised as images.
bool IsExcludedReaderFormat(const QByteArray& format) {
  return format == "svg" || format == "svgz";
}

// The reader format for an extension or media-type hint, when Qt reads it.
QByteArray ReaderFormatForHint(const QString& hint) {
  QByteArray format = hint.toLower().toLatin1();
  if (format == "jpg") format = "jpeg";
  if (format == "tif") format = "tiff";
  if (IsExcludedReaderFormat(format)) return {};
  return QImageReader::supportedImageFormats().contains(format) ? format : QByteArray();
}

QList<CSImageRep> RepsFromJpeg2000(const QByteArray& data) {
  const QImage image = Jpeg2000DecodeImage(data, ImageDecodePixelLimit());
  if (image.isNull()) return {};
  return {RepFromBitmap(image)};
}

QList<CSImageRep> RepsFromPdf(const QByteArray& data) {
  auto pdf = std::make_shared<PdfRenderer>();
  if (!pdf->loadData(data)) return {};
  const QSizeF size = pdf->pageSize(0);
  if (size.isEmpty()) return {};
  CSImageRep rep;
  rep.size = size;
  rep.pdf = std::move(pdf);
  return {rep};
}

QList<CSImageRep> RepsFromData(const QByteArray& data, const QString& hint) {
  bool hasHeader = false;
  switch (ImageFormatFromData(data, &hasHeader)) {
    case kImageFormatPNG:
      return RepsFromReader(data, "png", false);
    case kImageFormatJPEG:
      if (IsJpeg2000Data(data)) return RepsFromJpeg2000(data);  // Qt has no decoder for it
      return RepsFromReader(data, "jpeg", false);
    case kImageFormatTIFF:
      return RepsFromReader(data, "tiff", true);
    case kImageFormatGIF:
      return RepsFromReader(data, "gif", false);
    case kImageFormatBMP:
      return RepsFromReader(data, "bmp", false);
    case kImageFormatHEIC: {
      const QImage image = HeifDecodeImage(data, ImageDecodePixelLimit());
      if (image.isNull()) return {};
      return {RepFromBitmap(image)};
    }
    case kImageFormatPDF:
      return RepsFromPdf(data);
    case kImageFormatQuickdraw: {
      const QuickdrawPictureHook hook = g_quickdrawHook.load();
      if (!hook) return {};
      const QImage image = hook(data, hasHeader);
      if (!WithinPixelLimit(image.size())) return {};
      return {RepFromBitmap(image)};
    }
    case kImageFormatEMF:  // an importer's business, not an image's
      return {};
    default: {
      // A bare JPEG 2000 codestream, and EPS drawn by the outside
      // interpreter (without it, EPS reads as nothing, like any unreadable
      // image).
      if (IsJpeg2000Data(data)) return RepsFromJpeg2000(data);
      if (IsEpsData(data)) {
        if (EpsConversionTimeLimit() <= 0) return {};
        const QByteArray pdf = ConvertEpsToPdf(data, EpsConversionTimeLimit());
        if (pdf.isEmpty()) return {};
        QList<CSImageRep> reps = RepsFromPdf(pdf);
        // Its page is drawn at one pixel a point: it must fit the budget.
        if (reps.isEmpty() || reps.first().size.width() * reps.first().size.height() > double(ImageDecodePixelLimit()))
          return {};
        return reps;
      }
      // Formats without a signature of their own (ICO, TGA, WebP...) are
      // read only when the file's name or type says what they are.
      const QByteArray format = ReaderFormatForHint(hint);
      if (format.isEmpty()) return {};
      return RepsFromReader(data, format, format == "ico" || format == "icns");
    }
  }
}

CSImage ImageFromReps(QList<CSImageRep> reps) {
  CSImage image;
  for (const CSImageRep& rep : reps) image.addRepresentation(rep);
  if (!image.isNull()) image.size();  // caches it
  return image;
}

QByteArray ReadWholeFile(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly)) return {};
  if (file.size() > kMaxImageFileBytes) return {};
  // Read in pieces: a device or pipe reports no size and may never end.
  QByteArray data;
  while (!file.atEnd() && data.size() <= kMaxImageFileBytes) {
    const QByteArray piece = file.read(1 << 20);
    if (piece.isEmpty()) break;
    data += piece;
  }
  return data.size() > kMaxImageFileBytes ? QByteArray() : data;
}

double PrimaryScreenScale() {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return 1.0;
  const QScreen* screen = QGuiApplication::primaryScreen();
  return screen ? screen->devicePixelRatio() : 1.0;
}

}  // namespace

int64_t ImageDecodePixelLimit() {
  return g_decodePixelLimit.load();
}

void SetImageDecodePixelLimit(int64_t pixels) {
  g_decodePixelLimit.store(std::max<int64_t>(pixels, 1));
}

int EpsConversionTimeLimit() {
  return g_epsTimeLimit.load();
}

void SetEpsConversionTimeLimit(int milliseconds) {
  g_epsTimeLimit.store(std::max(milliseconds, 0));
}

QuickdrawPictureHook SetQuickdrawPictureHook(QuickdrawPictureHook hook) {
  return g_quickdrawHook.exchange(hook);
}

QStringList CSImage::fileExtensions() {
  QStringList list;
  for (const QByteArray& format : QImageReader::supportedImageFormats()) {
    const QString ext = QString::fromLatin1(format).toLower();
    if (!IsExcludedReaderFormat(ext.toLatin1()) && !list.contains(ext)) list << ext;
  }
  for (const char* ext : {"heic", "heif", "pdf", "ai", "jp2", "j2k", "j2c", "eps", "epsf"})
    if (!list.contains(QLatin1String(ext))) list << QLatin1String(ext);
  return list;
}

CSImage CSImage::initWithContentsOfFile(const QString& path) {
  // An "ai" file is read for its PDF content like any other data; the
  // extension serves only as a hint for formats without a signature.
  return ImageFromReps(RepsFromData(ReadWholeFile(path), QFileInfo(path).suffix()));
}

CSImage CSImage::initWithContentsOfFile(const QString& path, QSizeF size) {
  CSImage image = initWithContentsOfFile(path);
  return image.isNull() ? image : image.newImageWithRequestedSize(size);
}

CSImage CSImage::initWithData(const QByteArray& data) {
  return ImageFromReps(RepsFromData(data, QString()));
}

CSImage CSImage::initWithData(const QByteArray& data, QSizeF size) {
  CSImage image = initWithData(data);
  return image.isNull() ? image : image.newImageWithRequestedSize(size);
}

CSImage CSImage::initWithCGImage(const QImage& bitmap, QSizeF size) {
  if (bitmap.isNull() || !WithinPixelLimit(bitmap.size())) return {};
  if (size.width() <= 0) size.setWidth(bitmap.width());
  if (size.height() <= 0) size.setHeight(bitmap.height());
  CSImage image = ImageFromReps({RepFromBitmap(bitmap)});
  return image.newImageWithRequestedSize(size);
}

CSImage CSImage::initWithPasteboard(const QMimeData* mime, double backingScale) {
  if (!mime) return {};
  static const struct {
    const char* type;
    const char* hint;
  } kTypes[] = {
      {"image/tiff", "tiff"}, {"image/png", "png"}, {"application/pdf", "pdf"}, {"image/heic", "heic"},
      {"image/jpeg", "jpeg"}, {"image/gif", "gif"}, {"image/bmp", "bmp"},       {"image/x-pict", "pict"},
  };
  CSImage image;
  for (const auto& type : kTypes) {
    const QString name = QLatin1String(type.type);
    if (!mime->hasFormat(name)) continue;
    image = ImageFromReps(RepsFromData(mime->data(name), QLatin1String(type.hint)));
    if (!image.isNull()) break;
  }
  if (image.isNull() && mime->hasImage()) {
    const QImage bitmap = qvariant_cast<QImage>(mime->imageData());
    if (!bitmap.isNull() && WithinPixelLimit(bitmap.size())) image = ImageFromReps({RepFromBitmap(bitmap)});
  }
  if (image.isNull() && mime->hasUrls()) {
    for (const QUrl& url : mime->urls()) {
      if (!url.isLocalFile()) continue;
      image = initWithContentsOfFile(url.toLocalFile());
      if (!image.isNull()) break;
    }
  }
  if (image.isNull()) return image;
  const double scale = backingScale > 0 ? backingScale : PrimaryScreenScale();
  if (scale > 1.0) return image.newImageWithRequestedSize(image.size() / scale);
  return image;
}

CSImage CSImage::initWithSize(QSizeF size) {
  if (!(size.width() > 0 && size.height() > 0) || size.width() > INT32_MAX || size.height() > INT32_MAX) return {};
  const QSize pixels(qCeil(size.width()), qCeil(size.height()));
  if (!WithinPixelLimit(pixels)) return {};
  CSImageRep rep;
  rep.bitmap = QImage(pixels, QImage::Format_ARGB32_Premultiplied);
  if (rep.bitmap.isNull()) return {};
  rep.bitmap.fill(Qt::transparent);
  rep.size = size;
  CSImage image;
  image.addRepresentation(rep);
  image.m_cachedSize = size;
  return image;
}

CSImage CSImage::initWithImage(const CSImage& image, QSizeF size) {
  const QByteArray tiff = ImageData(image, kImageFormatTIFF, size.width(), size.height(), 1.0);
  if (tiff.isEmpty()) return {};
  return initWithData(tiff);
}

QSizeF CSImage::size() const {
  if (m_cachedSize.width() != 0 && m_cachedSize.height() != 0) return m_cachedSize;
  m_cachedSize = sizeFromReps();
  return m_cachedSize;
}

QSizeF CSImage::sizeFromReps() const {
  return ImageSizeFromReps(*this);
}

QSizeF ImageSizeFromReps(const CSImage& image) {
  QSizeF answer(0, 0);
  bool first = true;
  for (const CSImageRep& rep : image.representations()) {
    const QSizeF size = rep.hasPixels() ? QSizeF(rep.bitmap.size()) : rep.size;
    if (first || size.width() < answer.width()) answer = size;
    first = false;
  }
  return answer;
}

QImage CSImage::bitmapForRect(const QPainter* painter, const QRectF& rect) const {
  if (!painter || isNull() || rect.isEmpty()) return {};
  const QSizeF device = painter->deviceTransform().mapRect(rect).size();
  // The smallest bitmap that is at least as wide as the device rectangle,
  // else the widest; a PDF page is drawn afresh at the device size.
  const CSImageRep* best = nullptr;
  for (const CSImageRep& rep : m_reps) {
    if (!rep.hasPixels()) {
      best = &rep;
      break;
    }
    if (!best) {
      best = &rep;
      continue;
    }
    const int w = rep.bitmap.width(), bw = best->bitmap.width();
    const bool fits = w >= device.width(), bestFits = bw >= device.width();
    if ((fits && (!bestFits || w < bw)) || (!fits && !bestFits && w > bw)) best = &rep;
  }
  if (best->hasPixels()) return best->bitmap;
  const QSize size(std::max(1, qCeil(device.width())), std::max(1, qCeil(device.height())));
  if (!WithinPixelLimit(size)) return {};
  return best->pdf->render(0, size);
}

void CSImage::drawInRectNormally(QPainter* painter, const QRectF& rect) const {
  const QImage pixels = bitmapForRect(painter, rect);
  if (pixels.isNull()) return;
  painter->save();
  painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter->setOpacity(1.0);
  painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter->drawImage(rect, pixels);
  painter->restore();
}

CSImage CSImage::newImageWithRequestedSize(QSizeF size) {
  m_cachedSize = size;
  if (sizeFromReps() == size) return *this;
  CSImage image = initWithSize(size);
  if (image.isNull()) return *this;
  {
    QPainter painter(&image.m_reps[0].bitmap);
    drawInRectNormally(&painter, QRectF(QPointF(0, 0), size));
  }
  return image;
}

QImage CSImage::renderedBitmap(QSize pixels) const {
  if (isNull() || !WithinPixelLimit(pixels)) return {};
  for (auto rep = m_reps.crbegin(); rep != m_reps.crend(); ++rep)
    if (rep->hasPixels() && rep->bitmap.size() == pixels) return rep->bitmap;
  const bool alpha = hasAlpha();
  QImage out(pixels, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  if (out.isNull()) return {};
  out.fill(alpha ? Qt::transparent : Qt::black);
  QPainter painter(&out);
  drawInRectNormally(&painter, QRectF(QPointF(0, 0), QSizeF(pixels)));
  painter.end();
  return out;
}

bool CSImage::hasAlpha() const {
  for (const CSImageRep& rep : m_reps)
    if (!rep.hasPixels() || rep.bitmap.hasAlphaChannel()) return true;
  return false;
}

bool ReplaceImageWithDragImage(CSImage* image) {
  if (!image || image->isNull()) return false;
  const QSizeF size = image->size();
  CSImage drag = CSImage::initWithSize(size);
  if (drag.isNull()) return false;
  QImage pixels = drag.representations()[0].bitmap;
  pixels.fill(ColorFromKolor(g_halfWhiteKolor));
  {
    QPainter painter(&pixels);
    painter.setCompositionMode(QPainter::CompositionMode_SourceIn);
    painter.drawImage(pixels.rect(), image->renderedBitmap(pixels.size()));
  }
  CSImageRep rep;
  rep.bitmap = pixels;
  rep.size = size;
  CSImage result;
  result.addRepresentation(rep);
  result.setCachedSize(size);
  *image = result;
  return true;
}
