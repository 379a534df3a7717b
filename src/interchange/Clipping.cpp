#include "interchange/Clipping.h"

#include <QDir>
#include <QFile>
#include <QFileInfo>

#include "interchange/PictConverter.h"

namespace {

constexpr uint32_t kTiffType = 0x54494646;     // 'TIFF'
constexpr uint32_t kPdfType = 0x50444620;      // 'PDF '
constexpr uint32_t kPictType = 0x50494354;     // 'PICT'
constexpr qsizetype kSidecarHeaderBytes = 26;  // magic, version, filler, entry count
constexpr qsizetype kSidecarEntryBytes = 12;   // id, offset, length

uint32_t BigEndian32(const QByteArray& data, qsizetype at) {
  const auto* p = reinterpret_cast<const uint8_t*>(data.constData()) + at;
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

// The fork of the file's attribute, else of its sidecar.
bool ReadClippingFork(const QString& path, ResourceForkContents* fork) {
  if (ReadResourceFork(path, fork)) return true;
  QFile sidecar(SidecarPath(path));
  if (!sidecar.open(QIODevice::ReadOnly) || sidecar.size() > kMaxSidecarFileBytes) return false;
  const QByteArray data = sidecar.read(kMaxSidecarFileBytes + 1);
  if (data.size() > kMaxSidecarFileBytes) return false;
  return ParseSidecarResourceFork(data, fork);
}

QByteArray EntryData(const ResourceEntry& entry) {
  return QByteArray(reinterpret_cast<const char*>(entry.data), qsizetype(entry.length));
}

}  // namespace

QString SidecarPath(const QString& path) {
  const QFileInfo info(path);
  return info.dir().filePath(QStringLiteral("._") + info.fileName());
}

bool ParseSidecarResourceFork(const QByteArray& sidecar, ResourceForkContents* contents) {
  *contents = ResourceForkContents{};
  if (sidecar.size() < kSidecarHeaderBytes || BigEndian32(sidecar, 0) != kSidecarMagic ||
      BigEndian32(sidecar, 4) != kSidecarVersion)
    return false;
  const auto* bytes = reinterpret_cast<const uint8_t*>(sidecar.constData());
  const uint16_t count = uint16_t(bytes[24] << 8 | bytes[25]);
  if (count > kMaxSidecarEntries || sidecar.size() < kSidecarHeaderBytes + count * kSidecarEntryBytes) return false;
  const uint64_t size = uint64_t(sidecar.size());
  for (qsizetype i = 0; i < count; ++i) {
    const qsizetype at = kSidecarHeaderBytes + i * kSidecarEntryBytes;
    if (BigEndian32(sidecar, at) != kSidecarResourceForkEntry) continue;
    const uint64_t offset = BigEndian32(sidecar, at + 4);
    const uint64_t length = BigEndian32(sidecar, at + 8);
    // In 64 bits, so an offset and length that wrap in 32 are still refused.
    if (offset > size || length > size - offset) return false;
    return ParseResourceFork(bytes + offset, length, contents);
  }
  return false;
}

bool ExtractClippingFromFork(const ResourceForkContents& fork, QString& path, QByteArray* pdf, CSImage* image) {
  const ResourceEntry* tiff = nullptr;
  const ResourceEntry* pdfEntry = nullptr;
  const ResourceEntry* pict = nullptr;
  for (const ResourceEntry& entry : fork.entries) {
    if (entry.type == kTiffType) tiff = &entry;
    if (entry.type == kPdfType) pdfEntry = &entry;
    if (entry.type == kPictType) pict = &entry;
  }
  if (image) *image = CSImage();
  if (pdf && pdfEntry) {
    *pdf = EntryData(*pdfEntry);
    return true;
  }
  const ResourceEntry* source = tiff ? tiff : pdfEntry ? pdfEntry : pict;
  if (!source || !image) return false;
  if (source == pict) {
    QString pdfPath;
    *image = CreateImageFromQuickdrawPict(EntryData(*pict), false, &pdfPath, nullptr);
    if (!image->isNull() && !pdfPath.isEmpty()) path = pdfPath;
  } else {
    *image = CSImage::initWithData(EntryData(*source));
  }
  return !image->isNull();
}

bool ExtractClipping(QString& path, QByteArray* pdf, CSImage* image) {
  ResourceForkContents fork;
  if (!ReadClippingFork(path, &fork)) return false;
  const bool extracted = ExtractClippingFromFork(fork, path, pdf, image);
  FreeResourceForkContents(&fork);
  return extracted;
}
