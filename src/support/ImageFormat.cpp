#include "support/ImageFormat.h"

#include <cstring>

namespace {

bool BytesAre(const uint8_t* bytes, const char* expected, size_t count) {
  return std::memcmp(bytes, expected, count) == 0;
}

uint32_t LittleEndian32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

// A QuickDraw picture: a 10-byte size and frame, then the version opcode.
bool IsQuickdrawPict(const uint8_t* bytes, size_t length) {
  if (length < 16) return false;
  if (bytes[10] == 0x11 && bytes[11] == 0x01) return true;                     // version 1
  return length >= 42 && BytesAre(bytes + 10, "\x00\x11\x02\xFF\x0C\x00", 6);  // version 2 and its header
}

// JPEG: a start-of-image marker followed by any application segment (JFIF,
// Exif, Adobe...) or straight away by a quantisation table. Camera files begin
// FF D8 FF E1, so demanding the JFIF segment would refuse most photographs.
bool IsJpeg(const uint8_t* bytes) {
  if (!BytesAre(bytes, "\xFF\xD8\xFF", 3)) return false;
  const uint8_t marker = bytes[3];
  return (marker >= 0xE0 && marker <= 0xEF) || marker == 0xDB;
}

// HEIF files start with an ftyp box whose major brand names the coding.
bool IsHeic(const uint8_t* bytes) {
  if (!BytesAre(bytes + 4, "ftyp", 4)) return false;
  for (const char* brand : {"heic", "heix", "hevc", "mif1"})
    if (BytesAre(bytes + 8, brand, 4)) return true;
  return false;
}

bool IsEmf(const uint8_t* bytes, size_t length) {
  return length >= 121 && LittleEndian32(bytes) == 1 && BytesAre(bytes + 40, " EMF", 4) &&
         LittleEndian32(bytes + 44) == 0x10000 && bytes[58] == 0 && bytes[59] == 0;
}

}  // namespace

ImageFormat ImageFormatFromBuffer(const uint8_t* bytes, size_t length, bool* hasHeader) {
  if (!bytes || length < kImageFormatMinimumBytes) return kImageFormatNone;
  if (hasHeader) *hasHeader = false;

  if (BytesAre(bytes, "\x89PNG\r\n\x1A\n", 8)) return kImageFormatPNG;
  if (IsJpeg(bytes)) return kImageFormatJPEG;
  if (BytesAre(bytes, "\x00\x00\x00\x0CjP  \r\n\x87\n", 12)) return kImageFormatJPEG;  // JPEG 2000
  if (BytesAre(bytes, "%PDF", 4)) return kImageFormatPDF;
  if (BytesAre(bytes, "GIF", 3)) return kImageFormatGIF;
  if (BytesAre(bytes, "BM", 2)) return kImageFormatBMP;
  if (BytesAre(bytes, "II*\0", 4) || BytesAre(bytes, "MM\0*", 4)) return kImageFormatTIFF;
  if (IsHeic(bytes)) return kImageFormatHEIC;
  if (IsEmf(bytes, length)) return kImageFormatEMF;
  if (IsQuickdrawPict(bytes, length)) return kImageFormatQuickdraw;

  const size_t headed = kQuickdrawFileHeaderBytes;
  if (length >= headed + 21) {
    bool zeros = true;
    for (size_t i = 0; i < headed && zeros; ++i) zeros = bytes[i] == 0;
    if (zeros && IsQuickdrawPict(bytes + headed, length - headed)) {
      if (hasHeader) *hasHeader = true;
      return kImageFormatQuickdraw;
    }
  }
  return kImageFormatNone;
}

ImageFormat ImageFormatFromData(const QByteArray& data, bool* hasHeader) {
  return ImageFormatFromBuffer(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()), hasHeader);
}

ImageFormat ImageFormatFromExtension(const QString& extension) {
  const QString ext = extension.toLower();
  if (ext == QLatin1String("jpg") || ext == QLatin1String("jpeg")) return kImageFormatJPEG;
  if (ext == QLatin1String("png")) return kImageFormatPNG;
  if (ext == QLatin1String("pdf")) return kImageFormatPDF;
  if (ext == QLatin1String("tiff") || ext == QLatin1String("tif")) return kImageFormatTIFF;
  if (ext == QLatin1String("heic")) return kImageFormatHEIC;
  return kImageFormatNone;
}

QString ExtensionForImageFormat(ImageFormat format) {
  switch (format) {
    case kImageFormatHEIC:
      return QStringLiteral("heic");
    case kImageFormatJPEG:
      return QStringLiteral("jpg");
    case kImageFormatPDF:
      return QStringLiteral("pdf");
    case kImageFormatPNG:
      return QStringLiteral("png");
    case kImageFormatBMP:
      return QStringLiteral("bmp");
    case kImageFormatEMF:
      return QStringLiteral("emf");
    case kImageFormatGIF:
      return QStringLiteral("gif");
    case kImageFormatQuickdraw:
      return QStringLiteral("pict");
    default:
      return QStringLiteral("tiff");
  }
}
