// Archiving of CSImage through QDataStream. The layout, after the magic
// word and version: the cached width and height (doubles), a representation
// count, then per representation its kind, its size in points and its bytes
// (a PNG for pixels, the PDF document for a page).

#include <QBuffer>
#include <QDataStream>
#include <QImageWriter>
#include <cmath>

#include "platform/PdfRenderer.h"
#include "support/CSImage.h"
#include "support/ImageFormat.h"

namespace {

constexpr quint32 kImageCoderMagic = 0x4353496D;  // "CSIm"
constexpr quint16 kImageCoderVersion = 1;
constexpr quint8 kCodedPixels = 1;
constexpr quint8 kCodedPdf = 2;
// Caps on what a decode accepts: all representations' bytes together, and
// any width or height in points.
constexpr qint64 kMaxCodedImageBytes = kMaxImageFileBytes;
constexpr double kMaxCodedImageSide = 1.0e6;
// Bytes are read in pieces, so a length that claims more than the stream
// holds costs no more than the stream's own size.
constexpr qint64 kCoderReadPiece = 1 << 20;

QByteArray PngFromBitmap(const QImage& bitmap) {
  QByteArray bytes;
  QBuffer buffer(&bytes);
  if (!buffer.open(QIODevice::WriteOnly)) return {};
  QImageWriter writer(&buffer, "png");
  return writer.write(bitmap) ? bytes : QByteArray();
}

bool IsCodedSide(double side, bool allowZero) {
  return std::isfinite(side) && (allowZero ? side >= 0 : side > 0) && side <= kMaxCodedImageSide;
}

bool ReadCodedBytes(QDataStream& stream, quint32 length, QByteArray* bytes) {
  bytes->clear();
  while (bytes->size() < qsizetype(length)) {
    const qsizetype piece = qsizetype(std::min<qint64>(kCoderReadPiece, qint64(length) - bytes->size()));
    const qsizetype start = bytes->size();
    bytes->resize(start + piece);
    if (stream.readRawData(bytes->data() + start, int(piece)) != int(piece)) return false;
  }
  return true;
}

// The one representation the bytes hold, when they are of the kind said.
bool DecodeRep(quint8 kind, const QByteArray& bytes, CSImageRep* rep) {
  const ImageFormat expected = kind == kCodedPixels ? kImageFormatPNG : kImageFormatPDF;
  if (ImageFormatFromData(bytes, nullptr) != expected) return false;
  const CSImage decoded = CSImage::initWithData(bytes);
  if (decoded.representations().size() != 1) return false;
  *rep = decoded.representations().first();
  return rep->hasPixels() == (kind == kCodedPixels);
}

CSImage Corrupt(QDataStream& stream) {
  if (stream.status() == QDataStream::Ok) stream.setStatus(QDataStream::ReadCorruptData);
  return {};
}

}  // namespace

void CSImage::encodeWithCoder(QDataStream& stream) const {
  struct Coded {
    quint8 kind;
    QSizeF size;
    QByteArray bytes;
  };
  QList<Coded> coded;
  for (const CSImageRep& rep : m_reps) {
    if (rep.hasPixels()) {
      const QByteArray png = PngFromBitmap(rep.bitmap);
      if (!png.isEmpty()) coded.append({kCodedPixels, rep.size, png});
    } else if (rep.pdf && !rep.pdf->data().isEmpty()) {
      coded.append({kCodedPdf, rep.size, rep.pdf->data()});
    } else if (rep.pdf) {
      // A document read straight from a file keeps no bytes: keep its look.
      const QSize pixels(std::max(1, int(std::ceil(rep.size.width()))), std::max(1, int(std::ceil(rep.size.height()))));
      const QByteArray png = PngFromBitmap(rep.pdf->render(0, pixels));
      if (!png.isEmpty()) coded.append({kCodedPixels, rep.size, png});
    }
  }
  stream << kImageCoderMagic << kImageCoderVersion << m_cachedSize.width() << m_cachedSize.height()
         << quint32(coded.size());
  for (const Coded& c : coded) {
    stream << c.kind << c.size.width() << c.size.height() << quint32(c.bytes.size());
    stream.writeRawData(c.bytes.constData(), int(c.bytes.size()));
  }
}

CSImage CSImage::initWithCoder(QDataStream& stream) {
  quint32 magic = 0, count = 0;
  quint16 version = 0;
  double cachedWidth = 0, cachedHeight = 0;
  stream >> magic >> version >> cachedWidth >> cachedHeight >> count;
  if (stream.status() != QDataStream::Ok || magic != kImageCoderMagic || version != kImageCoderVersion)
    return Corrupt(stream);
  if (!IsCodedSide(cachedWidth, true) || !IsCodedSide(cachedHeight, true) || count > quint32(kMaxImageRepresentations))
    return Corrupt(stream);
  CSImage image;
  qint64 total = 0;
  for (quint32 i = 0; i < count; ++i) {
    quint8 kind = 0;
    double width = 0, height = 0;
    quint32 length = 0;
    stream >> kind >> width >> height >> length;
    if (stream.status() != QDataStream::Ok || (kind != kCodedPixels && kind != kCodedPdf)) return Corrupt(stream);
    if (!IsCodedSide(width, false) || !IsCodedSide(height, false)) return Corrupt(stream);
    total += length;
    if (total > kMaxCodedImageBytes) return Corrupt(stream);
    QByteArray bytes;
    if (!ReadCodedBytes(stream, length, &bytes)) return Corrupt(stream);
    CSImageRep rep;
    if (!DecodeRep(kind, bytes, &rep)) return Corrupt(stream);
    rep.size = QSizeF(width, height);
    image.m_reps.append(rep);
  }
  if (image.isNull()) return image;
  image.m_cachedSize = QSizeF(cachedWidth, cachedHeight);
  image.size();  // caches it when it was not yet
  return image;
}

QDataStream& operator<<(QDataStream& stream, const CSImage& image) {
  image.encodeWithCoder(stream);
  return stream;
}

QDataStream& operator>>(QDataStream& stream, CSImage& image) {
  image = CSImage::initWithCoder(stream);
  return stream;
}
