#pragma once
// The image class used wherever the system loads a picture: files, data, the
// clipboard or bitmaps, optionally re-rendered at a requested size. It keeps
// every representation a file holds (the pages of a TIFF, a PDF page drawn on
// demand) and caches its size so that the size of a multi-image file is stable.

#include <QByteArray>
#include <QImage>
#include <QList>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <QStringList>
#include <cstdint>
#include <memory>

class QDataStream;
class QMimeData;
class QPainter;
class PdfRenderer;

// Caps on what a load accepts; anything beyond them loads as nil.
constexpr qint64 kMaxImageFileBytes = qint64(512) * 1024 * 1024;
constexpr int kMaxImageRepresentations = 16;
constexpr int64_t kDefaultImageDecodePixelLimit = int64_t(120) * 1000 * 1000;

// The largest image (in pixels) any decoder here will allocate. Lowered by the
// fuzz target so that a few bytes claiming a huge picture are refused early.
int64_t ImageDecodePixelLimit();
void SetImageDecodePixelLimit(int64_t pixels);

// EPS is drawn by an outside interpreter (Ghostscript), which is killed
// when it runs longer than this; 30 seconds unless changed, and 0 leaves
// EPS unread (the fuzz targets run no outside program). Its page must hold
// no more points than the decode limit allows pixels. Without the
// interpreter EPS reads as nil, like any other unreadable image.
int EpsConversionTimeLimit();
void SetEpsConversionTimeLimit(int milliseconds);

// One representation: pixels, or a PDF page that is drawn at whatever size
// it is asked for.
struct CSImageRep {
  QImage bitmap;                     // null for a PDF page
  QSizeF size;                       // in points
  std::shared_ptr<PdfRenderer> pdf;  // the document of a PDF page (page 0)

  bool hasPixels() const { return !bitmap.isNull(); }
};

// Renders a QuickDraw picture (the whole file, `hasHeader` when it starts with
// the 512-byte header). The importers register it; until then such pictures
// load as nil.
using QuickdrawPictureHook = QImage (*)(const QByteArray& data, bool hasHeader);
QuickdrawPictureHook SetQuickdrawPictureHook(QuickdrawPictureHook hook);  // answers the old one

class CSImage {
 public:
  CSImage() = default;  // nil

  bool isNull() const { return m_reps.isEmpty(); }

  // The extensions of the files an image can be read from, lower case.
  static QStringList fileExtensions();

  // Each answers a nil image when nothing can be read.
  static CSImage initWithContentsOfFile(const QString& path);
  static CSImage initWithContentsOfFile(const QString& path, QSizeF size);
  static CSImage initWithData(const QByteArray& data);
  static CSImage initWithData(const QByteArray& data, QSizeF size);
  // A zero width or height is taken from the bitmap's pixel size.
  static CSImage initWithCGImage(const QImage& bitmap, QSizeF size);
  // The first image the clipboard data holds, in order of preference: TIFF,
  // PNG, PDF, HEIC, JPEG, GIF, BMP, a QuickDraw picture, Qt's own image, a
  // file. On a screen whose backing scale is above 1 (`backingScale` 0 asks
  // the primary screen) the image is shown at its size in device pixels.
  static CSImage initWithPasteboard(const QMimeData* mime, double backingScale = 0);
  // A transparent image of that size; nil for an empty or oversized one.
  static CSImage initWithSize(QSizeF size);
  // A copy made through TIFF data at `size` (zero: the image's own size).
  static CSImage initWithImage(const CSImage& image, QSizeF size = QSizeF(0, 0));

  // Archiving: the cached size and every representation (pixels as PNG, a
  // PDF page as its document). Decoding answers nil, and sets the stream's
  // status to ReadCorruptData, for anything it does not fully accept.
  static CSImage initWithCoder(QDataStream& stream);
  void encodeWithCoder(QDataStream& stream) const;

  // The cached size; otherwise the size from the representations (cached).
  QSizeF size() const;
  QSizeF cachedSize() const { return m_cachedSize; }
  void setCachedSize(QSizeF size) { m_cachedSize = size; }
  QSizeF sizeFromReps() const;

  // Draws the whole image into the rectangle, source-over and fully opaque,
  // from the representation that best fits the device size.
  void drawInRectNormally(QPainter* painter, const QRectF& rect) const;
  // The pixels drawInRectNormally draws into the rectangle on the painter
  // (a PDF page rendered at the device size); null when there are none.
  QImage bitmapForRect(const QPainter* painter, const QRectF& rect) const;

  // Sets the cached size; answers this image when a representation already
  // has that size, else a new image of that size with this one drawn in it.
  CSImage newImageWithRequestedSize(QSizeF size);

  // The pixels at exactly `pixels`: a representation of that size when there
  // is one, else a rendering (without alpha when the image has none). Null
  // when the size is empty or beyond the decode limit.
  QImage renderedBitmap(QSize pixels) const;
  // Whether the image has an alpha channel (a PDF page always has).
  bool hasAlpha() const;

  const QList<CSImageRep>& representations() const { return m_reps; }
  void addRepresentation(const CSImageRep& rep) { m_reps.append(rep); }

 private:
  QList<CSImageRep> m_reps;
  mutable QSizeF m_cachedSize{0, 0};
};

QDataStream& operator<<(QDataStream& stream, const CSImage& image);
QDataStream& operator>>(QDataStream& stream, CSImage& image);

// The size of the first representation, replaced by any later one of smaller
// width: a representation's pixel size, or its size in points without pixels.
QSizeF ImageSizeFromReps(const CSImage& image);

// Replaces the image by one of the same size that shows it at half strength
// where it is opaque (white at 50 % opacity, the image drawn over it
// source-in), as a drag shows what it carries. False, leaving the image,
// when the new one cannot be made.
bool ReplaceImageWithDragImage(CSImage* image);
