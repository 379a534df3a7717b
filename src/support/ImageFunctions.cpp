#include "support/ImageFunctions.h"

#include <QDir>
#include <QFileInfo>
#include <QGuiApplication>
#include <QHash>
#include <QPalette>
#include <QPen>
#include <QPixmap>
#include <QtMath>
#include <algorithm>
#include <map>
#include <mutex>
#include <new>

#include "support/Bitmaps.h"
#include "support/CSCore.h"
#include "support/Files.h"
#include "support/GraphicsContext.h"

namespace {

const QString kImageLockFailed = QStringLiteral("Image lock failed");

// The bitmap size of an image: its size in points, sides rounded up.
QSize PixelSizeOf(const CSImage& image) {
  const QSizeF size = image.size();
  if (!(size.width() > 0 && size.height() > 0) || size.width() > kMaxBitmapSide || size.height() > kMaxBitmapSide)
    return {};
  return QSize(qCeil(size.width()), qCeil(size.height()));
}

// What a lock holds between LockImageFocus and UnlockImageFocus. Only the
// flag byte says whether a lock is held, as the rest of the system reads it.
struct FocusLock {
  CSImage* image = nullptr;
  std::unique_ptr<ImageGraphicsContext> context;
};

FocusLock& ThreadFocusLock() {
  thread_local FocusLock lock;
  return lock;
}

uint8_t& LockFlag() {
  return GetCSThreadStorage()[0];
}

// Ends the lock: pops the context, clears the flag and answers the pixels.
QImage EndFocusLock() {
  FocusLock& lock = ThreadFocusLock();
  QImage pixels;
  if (lock.context) {
    lock.context->painter()->restore();
    pixels = lock.context->finish();
    PopGraphicsContext();
  }
  lock.context.reset();
  lock.image = nullptr;
  LockFlag() = 0;
  return pixels;
}

// The named images kept for the run: template images and inverted images.
std::mutex g_tableMutex;
std::map<QString, CSImage>& TemplateImages() {
  static std::map<QString, CSImage> images;
  return images;
}

struct InvertedEntry {
  CSImage source;  // held so that the key's representation stays alive
  CSImage inverted;
};
QHash<quint64, InvertedEntry>& InvertedImages() {
  static QHash<quint64, InvertedEntry> images;
  return images;
}

// An image's identity: its first representation's pixels or PDF document.
quint64 ImageIdentity(const CSImage& image) {
  const CSImageRep& rep = image.representations().first();
  if (rep.hasPixels()) return quint64(rep.bitmap.cacheKey());
  return quint64(reinterpret_cast<quintptr>(rep.pdf.get()));
}

CSImage LoadNamedImage(const QString& name) {
  if (name.isEmpty() || name.contains(QLatin1Char('/'))) return {};
  const QString file = name + QStringLiteral(".png");
  QStringList candidates{QStringLiteral(":/images/") + file};
  for (const QString& folder : QDir::searchPaths(QStringLiteral("images"))) candidates << QDir(folder).filePath(file);
  for (const QString& path : candidates) {
    if (!QFileInfo::exists(path)) continue;
    CSImage image = CSImage::initWithContentsOfFile(path);
    if (!image.isNull()) return image;
  }
  return {};
}

constexpr uint32_t kResourceTIFF = 0x54494646;  // 'TIFF'
constexpr uint32_t kResourcePICT = 0x50494354;  // 'PICT'

}  // namespace

// ---- Drawing into an image -------------------------------------------------------

ImageGraphicsContext::ImageGraphicsContext(QImage bitmap) : m_bitmap(std::move(bitmap)), m_painter(&m_bitmap) {}

QImage ImageGraphicsContext::finish() {
  if (m_painter.isActive()) m_painter.end();
  return m_bitmap;
}

std::unique_ptr<ImageGraphicsContext> GraphicsContextForImage(const CSImage& image) {
  if (image.isNull()) return nullptr;
  const QSize pixels = PixelSizeOf(image);
  if (pixels.isEmpty()) return nullptr;
  QImage bitmap = CreateQuartzBitmap(pixels.width(), pixels.height());
  if (bitmap.isNull()) return nullptr;
  return std::make_unique<ImageGraphicsContext>(std::move(bitmap));
}

bool IsImageFocusLocked() {
  return LockFlag() != 0;
}

bool LockImageFocus(CSImage* image) {
  if (IsImageFocusLocked()) {
    // Taking over would leave the first lock's painter on the context stack
    // after it is gone.
    LogException(QStringLiteral("focus is already locked on this thread"), kImageLockFailed);
    return false;
  }
  if (!image) return false;
  FocusLock& lock = ThreadFocusLock();
  try {
    std::unique_ptr<ImageGraphicsContext> context = GraphicsContextForImage(*image);
    if (!context) return false;
    if (!context->isActive()) {
      LogException(QStringLiteral("the image's bitmap cannot be painted"), kImageLockFailed);
      return false;
    }
    // Drawing goes over what the image already shows, in points.
    const QSizeF size = image->size();
    QPainter* painter = context->painter();
    image->drawInRectNormally(painter, QRectF(QPointF(0, 0), size));
    painter->save();
    lock.image = image;
    lock.context = std::move(context);
    LockFlag() = 1;
    PushGraphicsContext(painter);
  } catch (const std::exception& exception) {
    LogException(exception, kImageLockFailed);
    if (IsImageFocusLocked()) {
      EndFocusLock();
    } else {
      lock.context.reset();
      lock.image = nullptr;
    }
    return false;
  }
  return true;
}

void UnlockImageFocus(CSImage* image) {
  if (!IsImageFocusLocked()) return;
  CSImage* locked = ThreadFocusLock().image;
  const QImage pixels = EndFocusLock();
  if (!image || image != locked || pixels.isNull()) return;
  CSImageRep rep;
  rep.bitmap = pixels;
  rep.size = image->size();
  CSImage drawn;
  drawn.addRepresentation(rep);
  drawn.setCachedSize(rep.size);
  *image = drawn;
}

std::unique_ptr<CSImage> LockImageFocusCopy(const CSImage& image) {
  if (image.isNull()) return nullptr;
  auto copy = std::make_unique<CSImage>(image);
  if (!LockImageFocus(copy.get())) return nullptr;
  return copy;
}

void UnlockImageFocusCopy(std::unique_ptr<CSImage> copy) {
  if (copy) UnlockImageFocus(copy.get());
}

// ---- Named images, cursors and template images ---------------------------------

CSImage ImageNamed(const QString& name) {
  {
    std::lock_guard<std::mutex> guard(g_tableMutex);
    const auto& templates = TemplateImages();
    const auto found = templates.find(name);
    if (found != templates.end()) return found->second;
  }
  return LoadNamedImage(name);
}

std::optional<QCursor> CreateCursorFromImage(const QString& name, int hotX, int hotY) {
  if (!qobject_cast<QGuiApplication*>(QCoreApplication::instance())) return std::nullopt;
  const CSImage image = ImageNamed(name);
  const QSize pixels = PixelSizeOf(image);
  if (pixels.isEmpty()) return std::nullopt;
  const QImage bitmap = image.renderedBitmap(pixels);
  if (bitmap.isNull()) return std::nullopt;
  return QCursor(QPixmap::fromImage(bitmap), std::clamp(hotX, 0, pixels.width() - 1),
                 std::clamp(hotY, 0, pixels.height() - 1));
}

int LoadTemplateImages(const QStringList& names) {
  int loaded = 0;
  for (const QString& name : names) {
    const CSImage image = LoadNamedImage(name);
    if (image.isNull()) continue;
    std::lock_guard<std::mutex> guard(g_tableMutex);
    TemplateImages()[name] = image;
    ++loaded;
  }
  return loaded;
}

bool IsTemplateImage(const QString& name) {
  std::lock_guard<std::mutex> guard(g_tableMutex);
  return TemplateImages().count(name) != 0;
}

CSImage StopProgressTemplateImage() {
  static const CSImage stop = [] {
    constexpr int kSide = 14;
    CSImage image = CSImage::initWithSize(QSizeF(kSide, kSide));
    if (image.isNull()) return image;
    QImage pixels = image.representations().first().bitmap;
    {
      QPainter painter(&pixels);
      painter.setRenderHint(QPainter::Antialiasing, true);
      painter.setPen(QPen(Qt::black, 2.0, Qt::SolidLine, Qt::RoundCap));
      painter.drawLine(QPointF(3, 3), QPointF(kSide - 3, kSide - 3));
      painter.drawLine(QPointF(kSide - 3, 3), QPointF(3, kSide - 3));
    }
    CSImageRep rep;
    rep.bitmap = pixels;
    rep.size = QSizeF(kSide, kSide);
    CSImage drawn;
    drawn.addRepresentation(rep);
    drawn.setCachedSize(rep.size);
    return drawn;
  }();
  return stop;
}

QList<CSImage> ImagesFromNames(const QStringList& names) {
  QList<CSImage> images;
  for (const QString& name : names) {
    CSImage image = ImageNamed(name);
    images.append(image.isNull() ? StopProgressTemplateImage() : image);
  }
  return images;
}

CSImage InvertTemplateImage(const CSImage& image) {
  if (image.isNull()) return image;
  const quint64 key = ImageIdentity(image);
  {
    std::lock_guard<std::mutex> guard(g_tableMutex);
    const auto found = InvertedImages().constFind(key);
    if (found != InvertedImages().constEnd()) return found->inverted;
  }
  const QColor text = qobject_cast<QGuiApplication*>(QCoreApplication::instance())
                          ? QGuiApplication::palette().color(QPalette::Text)
                          : QPalette().color(QPalette::Text);
  // Drawn on a context of its own rather than through the focus lock, so
  // that it works while the caller holds a lock on this thread.
  std::unique_ptr<ImageGraphicsContext> context = GraphicsContextForImage(image);
  if (!context || !context->isActive()) return image;
  QPainter* painter = context->painter();
  const QRect pixels(0, 0, painter->device()->width(), painter->device()->height());
  const QImage mask = image.renderedBitmap(pixels.size());
  if (mask.isNull()) return image;
  painter->fillRect(pixels, text);
  // drawInRectNormally always draws source-over, so the mask is drawn here.
  painter->setCompositionMode(QPainter::CompositionMode_DestinationIn);
  painter->drawImage(pixels, mask);
  CSImageRep rep;
  rep.bitmap = context->finish();
  rep.size = image.size();
  CSImage inverted;
  inverted.addRepresentation(rep);
  inverted.setCachedSize(rep.size);
  std::lock_guard<std::mutex> guard(g_tableMutex);
  // Another thread may have made it meanwhile: keep the first.
  const auto existing = InvertedImages().constFind(key);
  if (existing != InvertedImages().constEnd()) return existing->inverted;
  InvertedImages().insert(key, {image, inverted});
  return inverted;
}

// ---- Clippings ---------------------------------------------------------------------

CSImage CreateImageFromClipping(const QString& path) {
  ResourceForkContents contents;
  if (!ReadResourceFork(path, &contents)) return {};
  const ResourceEntry* tiff = nullptr;
  const ResourceEntry* pict = nullptr;
  for (const ResourceEntry& entry : contents.entries) {
    if (entry.type == kResourceTIFF) tiff = &entry;
    if (entry.type == kResourcePICT) pict = &entry;
  }
  CSImage image;
  for (const ResourceEntry* entry : {tiff, pict}) {
    if (!entry || entry->length == 0) continue;
    image = CSImage::initWithData(QByteArray(reinterpret_cast<const char*>(entry->data), qsizetype(entry->length)));
    if (!image.isNull()) break;
  }
  FreeResourceForkContents(&contents);
  return image;
}
