#include "richtext/ImageServices.h"

#include <QBuffer>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <algorithm>
#include <cmath>
#include <cstring>

#include "richtext/Pictures.h"
#include "support/CSCore.h"
#include "support/CSImage.h"
#include "support/Categories.h"
#include "support/GraphicsContext.h"
#include "support/ImageFormat.h"
#include "support/ImageSaving.h"

// Q_INIT_RESOURCE declares a function of the global namespace.
static void RegisterRichTextImages() {
  Q_INIT_RESOURCE(RichTextImages);
}

namespace {

constexpr double kMissingPictureSide = 32;

const CSImage& MissingImage() {
  static const CSImage image = CSImage::initWithContentsOfFile(QStringLiteral(":/richtext/images/MissingImage.png"));
  return image;
}

QString Extension(const QString& path) {
  return QFileInfo(path).suffix();
}

bool HasExtension(const QString& path, std::initializer_list<const char*> extensions) {
  const QString extension = Extension(path);
  for (const char* candidate : extensions)
    if (IsFuzzyEqualToString(extension, QLatin1String(candidate))) return true;
  return false;
}

// The pixels of the image's one representation: a bitmap as it is, a PDF
// page drawn at its size in points.
QImage RepresentationPixels(const CSImage& image) {
  const CSImageRep& rep = image.representations().first();
  if (rep.hasPixels()) return rep.bitmap;
  const QSize pixels(int(std::ceil(rep.size.width())), int(std::ceil(rep.size.height())));
  return image.renderedBitmap(pixels);
}

// The image at its own pixel size as PNG data.
QByteArray PngData(const CSImage& image) {
  QImage pixels;
  for (const CSImageRep& rep : image.representations()) {
    if (rep.hasPixels()) {
      pixels = rep.bitmap;
      break;
    }
  }
  if (pixels.isNull()) {
    const QSizeF size = image.size();
    pixels = image.renderedBitmap(QSize(int(std::ceil(size.width())), int(std::ceil(size.height()))));
  }
  if (pixels.isNull()) return {};
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter writer(&buffer, "png");
  if (!writer.write(pixels)) return {};
  return data;
}

}  // namespace

void SetupRichTextResources() {
  static const bool done = [] {
    RegisterRichTextImages();
    return true;
  }();
  (void)done;
}

CSImage* CreateImageFromData(const QByteArray& data) {
  CSImage image = CSImage::initWithData(data);
  if (image.isNull()) return nullptr;
  return new CSImage(std::move(image));
}

CSImage* CreateImageFromFile(const QString* path, const QString& label) {
  CSImage image;
  if (path && !path->isEmpty()) image = CSImage::initWithContentsOfFile(*path);
  if (image.isNull()) {
    LogString("Failed to load image %@ at \"%@\"", label, path ? *path : QString());
    return nullptr;
  }
  // The size is cached now; pixels are decoded by the load itself.
  (void)image.size();
  return new CSImage(std::move(image));
}

CSImage* CreateImageFromFileInRTF(QString* path) {
  if (!path) return CreateImageFromFile(nullptr);
  qsizetype first = 0, last = path->size();
  while (first < last && (path->at(first) == u' ' || path->at(first) == u'\t')) ++first;
  while (last > first && (path->at(last - 1) == u' ' || path->at(last - 1) == u'\t')) --last;
  *path = path->mid(first, last - first);
  return CreateImageFromFile(path);
}

QSizeF GetPictureSize(const CSImage* image) {
  if (!image) return QSizeF(kMissingPictureSide, kMissingPictureSide);
  return image->size();
}

void DrawPicture(const CSImage* image, const QRectF& rect, float fraction) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  if (!image || image->isNull()) {
    SetupRichTextResources();
    image = &MissingImage();
    if (image->isNull()) return;
  }
  const QImage pixels = image->bitmapForRect(painter, rect);
  if (pixels.isNull()) return;
  painter->save();
  painter->setOpacity(painter->opacity() * std::clamp(double(fraction), 0.0, 1.0));
  painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
  painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter->drawImage(rect, pixels);
  painter->restore();
}

QByteArray DataForImage(const PictureEntry* picture, int* isPng) {
  if (isPng) *isPng = 1;
  if (!picture || !picture->image || picture->image->isNull()) return {};
  const QString path = picture->fileName ? *picture->fileName : QString();
  if (QFileInfo(path).isAbsolute()) {
    const bool png = HasExtension(path, {"png"});
    if (png || HasExtension(path, {"jpeg", "jpg"})) {
      QFile file(path);
      if (file.size() <= kMaxImageFileBytes && file.open(QIODevice::ReadOnly)) {
        const QByteArray bytes = file.readAll();
        // The extension is only a claim: the bytes must be of that format.
        if (ImageFormatFromData(bytes) == (png ? kImageFormatPNG : kImageFormatJPEG)) {
          if (isPng) *isPng = png ? 1 : 0;
          return bytes;
        }
      }
    }
  }
  return PngData(*picture->image);
}

bool SavePicture(const PictureEntry* picture, const QString& folder, bool convertTiff, QString* name,
                 CSError* error) {
  if (!picture || !picture->image || picture->image->isNull()) return true;
  const QString fileName = name ? *name : GuidString();
  const QString path = picture->fileName ? *picture->fileName : QString();
  QString target;
  if (convertTiff && HasExtension(path, {"tiff", "tif"})) {
    target = StringByAppendingFile(folder, fileName, QStringLiteral("jpg"));
  } else {
    if (QFileInfo(path).isAbsolute() && QFileInfo::exists(path)) {
      const QString copy = StringByAppendingFile(folder, fileName, Extension(path));
      if (QFile::copy(path, copy)) {
        if (name) *name = LastPathComponent(copy);
        return true;
      }
    }
    target = StringByAppendingFile(folder, fileName, QString());
  }
  const QString written = SaveImage(*picture->image, target, kImageFormatNone, false, error, 0, 0, 1.0);
  if (written.isEmpty()) return false;
  if (name) *name = LastPathComponent(written);
  return true;
}

bool ArePicturesEqual(const CSImage* image1, const CSImage* image2) {
  if (image1 == image2) return true;
  if (!image1 || !image2) return false;
  if (image1->size() != image2->size()) return false;
  if (image1->representations().size() != 1 || image2->representations().size() != 1) return false;
  if (image1->hasAlpha() != image2->hasAlpha()) return false;
  const QImage a = RepresentationPixels(*image1);
  const QImage b = RepresentationPixels(*image2);
  if (a.isNull() || b.isNull()) return false;
  if (a.size() != b.size() || a.format() != b.format() || a.bytesPerLine() != b.bytesPerLine() ||
      a.depth() != b.depth())
    return false;
  // Every row, and only the bytes of its pixels: padding is not compared.
  const auto rowBytes = size_t((qint64(a.width()) * a.depth() + 7) / 8);
  for (int y = 0; y < a.height(); ++y)
    if (std::memcmp(a.constScanLine(y), b.constScanLine(y), rowBytes) != 0) return false;
  return true;
}

bool PictureHasAlpha(const CSImage* image) {
  if (!image || image->isNull()) return true;
  const QSizeF size = image->size();
  if (!(size.width() >= 1 && size.height() >= 1)) return true;
  const auto width = int64_t(size.width()), height = int64_t(size.height());
  if (width * height > ImageDecodePixelLimit()) return true;
  QImage pixels(int(width), int(height), QImage::Format_ARGB32_Premultiplied);
  if (pixels.isNull()) return true;
  pixels.fill(Qt::transparent);
  {
    QPainter painter(&pixels);
    painter.setCompositionMode(QPainter::CompositionMode_Source);
    image->drawInRectNormally(&painter, QRectF(0, 0, double(width), double(height)));
  }
  for (int y = 0; y < pixels.height(); ++y) {
    const auto* row = reinterpret_cast<const QRgb*>(pixels.constScanLine(y));
    for (int x = 0; x < pixels.width(); ++x)
      if (qAlpha(row[x]) != 255) return true;
  }
  return false;
}
