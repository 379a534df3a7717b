#include "interchange/IconFile.h"

#include <QFile>

#include "platform/Jpeg2000Codec.h"
#include "support/ImageFormat.h"

namespace {

constexpr uint32_t kIconFileTag = 0x69636E73;  // 'icns'
constexpr size_t kChunkHeaderBytes = 8;
constexpr qsizetype kMinIconFileBytes = 9;

constexpr uint32_t Tag(const char (&text)[5]) {
  return uint32_t(uint8_t(text[0])) << 24 | uint32_t(uint8_t(text[1])) << 16 | uint32_t(uint8_t(text[2])) << 8 |
         uint32_t(uint8_t(text[3]));
}

uint32_t BigEndian32(const uint8_t* p) {
  return uint32_t(p[0]) << 24 | uint32_t(p[1]) << 16 | uint32_t(p[2]) << 8 | uint32_t(p[3]);
}

int SizeOfChunkType(uint32_t type) {
  for (const IconSpec& spec : kIconSpecs)
    if (spec.type == type) return spec.size;
  return 0;
}

}  // namespace

const std::array<IconSpec, 11> kIconSpecs = {{
    {Tag("icp4"), 16},
    {Tag("icp5"), 32},
    {Tag("icp6"), 64},
    {Tag("ic07"), 128},
    {Tag("ic08"), 256},
    {Tag("ic09"), 512},
    {Tag("ic10"), 1024},
    {Tag("ic11"), 32},
    {Tag("ic12"), 64},
    {Tag("ic13"), 256},
    {Tag("ic14"), 512},
}};

CSImage LargestIconImageFromData(const QByteArray& data) {
  const auto* bytes = reinterpret_cast<const uint8_t*>(data.constData());
  const size_t length = size_t(data.size());
  if (data.size() < kMinIconFileBytes || BigEndian32(bytes) != kIconFileTag || BigEndian32(bytes + 4) != length)
    return {};
  size_t best = 0;
  size_t bestLength = 0;
  int bestSize = 0;
  // A chunk shorter than its header or running past the end ends the walk,
  // so the best chunk always lies inside the data.
  for (size_t offset = kChunkHeaderBytes; length - offset >= kChunkHeaderBytes;) {
    const uint32_t type = BigEndian32(bytes + offset);
    const size_t chunkLength = BigEndian32(bytes + offset + 4);
    if (chunkLength < kChunkHeaderBytes || chunkLength > length - offset) break;
    const int size = SizeOfChunkType(type);
    if (size > bestSize) {
      bestSize = size;
      best = offset + kChunkHeaderBytes;
      bestLength = chunkLength - kChunkHeaderBytes;
    }
    offset += chunkLength;
  }
  if (bestSize == 0) return {};
  const QByteArray chunk(data.constData() + best, qsizetype(bestLength));
  if (ImageFormatFromData(chunk) == kImageFormatNone || IsJpeg2000Data(chunk)) return {};
  return CSImage::initWithData(chunk);
}

CSImage LargestIconImage(const QString& path) {
  QFile file(path);
  if (!file.open(QIODevice::ReadOnly) || file.size() > kMaxIconFileBytes) return {};
  const QByteArray data = file.read(kMaxIconFileBytes + 1);
  if (data.size() > kMaxIconFileBytes || file.error() != QFileDevice::NoError) return {};
  return LargestIconImageFromData(data);
}
