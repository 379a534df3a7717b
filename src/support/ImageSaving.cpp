#include "support/ImageSaving.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageWriter>
#include <QPainter>
#include <QPdfWriter>
#include <QtMath>
#include <cerrno>
#include <cfloat>
#include <cmath>

#include "platform/AtomicSwap.h"
#include "platform/HeifCodec.h"
#include "support/CSCore.h"
#include "support/Categories.h"
#include "support/FileErrors.h"
#include "support/Files.h"
#include "support/GraphicsHelpers.h"
#include "support/StringWithFormat.h"

namespace {

// A save request, filled by the entry points and completed by SetImageFileInfo.
struct ImageSaveInfo {
  QString path;  // empty: into `data`
  QByteArray data;
  ImageFormat format = kImageFormatNone;
  QString extension;
  QRectF rect;
  double quality = 0;
  bool lzw = false;  // TIFF compression
  bool uniqueName = false;
  bool writeFailed = false;
};

// A request to write to `path`, or into memory when it is empty.
ImageSaveInfo NewRequest(const QString& path, ImageFormat format, bool uniqueName, double quality) {
  ImageSaveInfo request;
  request.path = path;
  request.format = format;
  request.uniqueName = uniqueName;
  request.quality = quality;
  return request;
}

// ---- File helpers ------------------------------------------------------------

// "base.ext", else "base-1.ext" ... "base-99.ext", else a GUID name. Unlike
// the general UniqueFileName, the base keeps its dots: "v1.2" stays "v1.2".
// A link whose target is missing still holds its name.
QString UniqueImagePath(const QString& folder, const QString& base, const QString& extension) {
  const QDir dir(folder);
  const QString suffix = extension.isEmpty() ? QString() : QLatin1Char('.') + extension;
  auto isFree = [&](const QString& name) {
    const QFileInfo item(dir.filePath(name));
    return !item.exists() && !item.isSymLink();
  };
  QString name = base + suffix;
  if (isFree(name)) return dir.filePath(name);
  for (int i = 1; i <= kUniqueNameMaxNumber; ++i) {
    name = base + QLatin1Char('-') + QString::number(i) + suffix;
    if (isFree(name)) return dir.filePath(name);
  }
  return dir.filePath(GuidString() + suffix);
}

mode_t CurrentUmask() {
  // Reading the mask with umask() would change it for other threads meanwhile.
  QFile status(QStringLiteral("/proc/self/status"));
  if (status.open(QIODevice::ReadOnly)) {
    for (const QByteArray& line : status.readAll().split('\n')) {
      if (line.startsWith("Umask:")) {
        bool ok = false;
        const uint mask = line.mid(6).trimmed().toUInt(&ok, 8);
        if (ok) return mode_t(mask & 0777);
      }
    }
  }
  return 022;
}

// Writes the data to a temporary file in the target's folder, with the old
// file's permissions, flushes it and swaps it into place, so the old file
// stays whole until the new one is complete. A folder at the path is never
// replaced by a file.
bool WriteFileReplacing(const QString& path, const QByteArray& data) {
  const QFileInfo info(path);
  const QString targetPath = info.absoluteFilePath();
  const QByteArray target = QFile::encodeName(targetPath);
  QByteArray temp = QFile::encodeName(info.absolutePath() + QStringLiteral("/.") + info.fileName()) + ".XXXXXX";
  const int fd = mkstemp(temp.data());
  if (fd < 0) return false;
  bool ok = true;
  const char* p = data.constData();
  qsizetype left = data.size();
  while (ok && left > 0) {
    const ssize_t n = ::write(fd, p, size_t(left));
    if (n < 0 && errno == EINTR) continue;
    if (n <= 0) {
      ok = false;
    } else {
      p += n;
      left -= n;
    }
  }
  // The swap would put a folder aside and delete it; a file never replaces one.
  struct stat item;
  if (::lstat(target.constData(), &item) == 0 && S_ISDIR(item.st_mode)) ok = false;
  struct stat old;
  const mode_t mode = ::stat(target.constData(), &old) == 0 ? (old.st_mode & 07777) : (0666 & ~CurrentUmask());
  if (ok) ok = ::fchmod(fd, mode) == 0 && ::fsync(fd) == 0;
  if (::close(fd) != 0) ok = false;
  if (ok) ok = AtomicReplaceItem(QFile::decodeName(temp), targetPath);
  if (!ok) ::unlink(temp.constData());
  return ok;
}

// Fits a size into side x side (never enlarging it), in whole units rounded
// down; a side that is not finite leaves the size whole.
QSizeF FitSize(QSizeF size, double side) {
  const double limit = side < double(FLT_MAX) ? side : double(FLT_MAX);
  QRectF rect(QPointF(0, 0), size);
  CenterRectangle(&rect, QRectF(0, 0, limit, limit));
  return rect.size();
}

// ---- The engine ----------------------------------------------------------

double FiniteOr0(double v) {
  return std::isfinite(v) ? v : 0.0;
}

// Sets the extension and the encoder options from the format, then the path:
// its extension follows the format and, with `uniqueName`, a taken name is
// replaced by a free one. An existing file is not removed here; the write
// renames over it only once the new file is complete.
void SetImageFileInfo(ImageSaveInfo& request) {
  double q = FiniteOr0(request.quality);
  switch (request.format) {
    case kImageFormatHEIC:
      if (q == 0) q = 2e-7;  // the smallest quality still asked for as such
      if (q > 1) q = 1.0;
      break;
    case kImageFormatJPEG:
      q = std::clamp(q, 0.0, 1.0);
      break;
    case kImageFormatPDF:
    case kImageFormatPNG:
      break;
    default:
      request.format = kImageFormatTIFF;  // formats that cannot be written go as TIFF
      request.lzw = q >= 1.0;
      break;
  }
  request.quality = q;
  request.extension = ExtensionForImageFormat(request.format);
  if (request.path.isEmpty()) return;

  QFileInfo info(request.path);
  if (info.suffix().compare(request.extension, Qt::CaseInsensitive) != 0) {
    const QString base = info.suffix().isEmpty() ? info.fileName() : info.completeBaseName();
    request.path = QDir(info.path()).filePath(base + QLatin1Char('.') + request.extension);
    info = QFileInfo(request.path);
  }
  if (request.uniqueName) request.path = UniqueImagePath(info.path(), info.completeBaseName(), request.extension);
}

// JPEG keeps no alpha: transparent pixels would come out black (their
// premultiplied colour), so the picture is laid over white first, as a page.
QImage FlattenedOnWhite(const QImage& bitmap) {
  if (!bitmap.hasAlphaChannel()) return bitmap;
  QImage flat(bitmap.size(), QImage::Format_RGB32);
  if (flat.isNull()) return bitmap;
  flat.setDotsPerMeterX(bitmap.dotsPerMeterX());
  flat.setDotsPerMeterY(bitmap.dotsPerMeterY());
  flat.fill(Qt::white);
  QPainter painter(&flat);
  painter.drawImage(0, 0, bitmap);
  painter.end();
  return flat;
}

QByteArray EncodeWithWriter(const QImage& bitmap, const char* format, int quality, int compression) {
  QByteArray out;
  QBuffer buffer(&out);
  if (!buffer.open(QIODevice::WriteOnly)) return {};
  QImageWriter writer(&buffer, format);
  if (quality >= 0) writer.setQuality(quality);
  if (compression >= 0) writer.setCompression(compression);
  if (!writer.write(bitmap)) return {};
  return out;
}

// One page of the rect's size in points with the bitmap drawn over it.
QByteArray EncodePdf(const QImage& bitmap, const QRectF& rect) {
  QByteArray out;
  QBuffer buffer(&out);
  if (!buffer.open(QIODevice::WriteOnly)) return {};
  QPdfWriter writer(&buffer);
  writer.setResolution(72);  // one painter unit per point
  writer.setPageSize(QPageSize(rect.size(), QPageSize::Point, QString(), QPageSize::ExactMatch));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter painter;
  if (!painter.begin(&writer)) return {};
  painter.setClipRect(rect);
  painter.setRenderHint(QPainter::SmoothPixmapTransform, true);
  painter.drawImage(rect, bitmap);
  if (!painter.end()) return {};
  return out;
}

QSize PixelSize(QSizeF size) {
  if (!(size.width() >= 0.5 && size.height() >= 0.5) || size.width() > INT32_MAX || size.height() > INT32_MAX)
    return {};
  return QSize(qRound(size.width()), qRound(size.height()));
}

bool SaveImageCore(const CSImage& image, ImageSaveInfo& request, double width, double height) {
  if (image.isNull()) return false;
  width = FiniteOr0(width);
  height = FiniteOr0(height);
  if (width == 0 || height == 0) {
    const QSizeF own = image.size();
    width = own.width();
    height = own.height();
  }
  request.rect = QRectF(0, 0, width, height);
  const QSize pixels = PixelSize(request.rect.size());
  if (pixels.isEmpty()) return false;

  const bool alpha = image.hasAlpha();
  if (request.format == kImageFormatNone) {
    const QString ext = QFileInfo(request.path).suffix().toLower();
    if (request.path.isEmpty())
      request.format = alpha ? kImageFormatPNG : kImageFormatJPEG;
    else if (ext == QLatin1String("png"))
      request.format = kImageFormatPNG;
    else if (!alpha)
      request.format = kImageFormatJPEG;
    else
      request.format = ext == QLatin1String("jpg") ? kImageFormatJPEG : kImageFormatTIFF;
  }
  SetImageFileInfo(request);

  QByteArray encoded;
  switch (request.format) {
    case kImageFormatPDF: {
      const QImage bitmap = image.renderedBitmap(PixelSize(image.size()));
      if (bitmap.isNull()) return false;
      encoded = EncodePdf(bitmap, request.rect);
      break;
    }
    case kImageFormatHEIC: {
      const QImage bitmap = image.renderedBitmap(pixels);
      if (bitmap.isNull()) return false;
      encoded = HeifEncodeImage(bitmap, request.quality);
      break;
    }
    case kImageFormatJPEG:
    case kImageFormatPNG:
    case kImageFormatTIFF: {
      const QImage bitmap = image.renderedBitmap(pixels);
      if (bitmap.isNull()) return false;
      if (request.format == kImageFormatJPEG)
        encoded = EncodeWithWriter(FlattenedOnWhite(bitmap), "jpeg", int(std::lround(request.quality * 100)), -1);
      else if (request.format == kImageFormatPNG)
        encoded = EncodeWithWriter(bitmap, "png", -1, -1);
      else
        encoded = EncodeWithWriter(bitmap, "tiff", -1, request.lzw ? 1 : 0);  // 1: LZW
      break;
    }
    default:
      return false;
  }
  if (encoded.isEmpty()) return false;
  if (request.path.isEmpty()) {
    request.data = encoded;
    return true;
  }
  if (!WriteFileReplacing(request.path, encoded)) {
    request.writeFailed = true;
    return false;
  }
  return QFileInfo::exists(request.path);
}

}  // namespace

QString SaveImage(const CSImage& image, const QString& path, ImageFormat format, bool uniqueName, CSError* error,
                  double width, double height, double quality) {
  if (image.isNull()) return {};
  ImageSaveInfo request = NewRequest(path, format, uniqueName, quality);
  if (SaveImageCore(image, request, width, height)) return request.path;
  if (error) {
    *error = ErrorForReason(request.writeFailed ? StringWithFormat("The image cannot be saved to \"%@\".", request.path)
                                                : QStringLiteral("The image cannot be saved to the requested format."),
                            kImageSaveErrorCode);
  }
  return {};
}

QByteArray ImageData(const CSImage& image, ImageFormat format, double width, double height, double quality) {
  ImageSaveInfo request = NewRequest(QString(), format, false, quality);
  if (!SaveImageCore(image, request, width, height)) return {};
  return request.data;
}

bool SaveQuartzImage(const QImage& bitmap, const QString& path, ImageFormat format, bool uniqueName, double quality) {
  if (bitmap.isNull() || format == kImageFormatNone || path.isEmpty()) return false;
  const CSImage image = CSImage::initWithCGImage(bitmap, QSizeF(0, 0));
  ImageSaveInfo request = NewRequest(path, format, uniqueName, quality);
  return SaveImageCore(image, request, bitmap.width(), bitmap.height());
}

QString ResizeImageAndSaveToJPEG(const CSImage& image, double side, double quality) {
  if (image.isNull() || !(side >= 1)) return {};
  const QSizeF size = FitSize(image.size(), side);
  if (size.isEmpty()) return {};
  const QString path = QDir::temp().filePath(GuidString() + QStringLiteral(".jpg"));
  return SaveImage(image, path, kImageFormatJPEG, false, nullptr, size.width(), size.height(), quality);
}

QSizeF LimitImageSizeForSave(double width, double height, double limit) {
  if (width <= limit && height <= limit) return QSizeF(0, 0);
  if (!(width > 0 && height > 0) || limit <= 0) return QSizeF(0, 0);
  const QSizeF fitted = FitSize(QSizeF(width, height), limit);
  if (fitted.width() <= 0 || fitted.height() <= 0) return QSizeF(0, 0);
  return fitted;
}

bool SaveQuicklookImage(const CSImage& image, const QString& packagePath) {
  const QString folder = QDir(packagePath).filePath(QStringLiteral("QuickLook"));
  if (!QFileInfo(folder).isDir()) {
    if (!QDir().mkpath(folder)) return false;
    GiveUserFilePermissions(folder);
  }
  if (image.isNull()) return false;
  const QSizeF size = image.size();
  const QSizeF preview = LimitImageSizeForSave(size.width(), size.height(), 1024);
  const QSizeF thumbnail = LimitImageSizeForSave(size.width(), size.height(), 512);
  const QDir dir(folder);
  const bool wrotePreview = !SaveImage(image, dir.filePath(QStringLiteral("Preview.jpg")), kImageFormatJPEG, false,
                                       nullptr, preview.width(), preview.height(), 0.75)
                                 .isEmpty();
  const bool wroteThumbnail = !SaveImage(image, dir.filePath(QStringLiteral("Thumbnail.jpg")), kImageFormatJPEG, false,
                                         nullptr, thumbnail.width(), thumbnail.height(), 0.75)
                                   .isEmpty();
  return wrotePreview && wroteThumbnail;
}

QByteArray TiffFromImage(const CSImage& image) {
  if (image.isNull()) return {};
  QByteArray tiff = ImageData(image, kImageFormatTIFF, 0, 0, 0.0);
  if (tiff.isEmpty()) {
    const QSizeF size = image.size();
    LogException(StringWithFormat("An image of %g x %g points cannot be drawn as TIFF.", size.width(), size.height()),
                 QStringLiteral("TIFFRepresentation failed"));
  }
  return tiff;
}
