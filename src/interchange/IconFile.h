#pragma once
// Icon files ('icns'): one icon at several sizes in chunks. The painting
// loader takes the largest size that is stored as an ordinary image.

#include <QByteArray>
#include <QString>
#include <array>
#include <cstdint>

#include "support/CSImage.h"

// Largest icon file read.
constexpr qint64 kMaxIconFileBytes = qint64(256) * 1024 * 1024;

struct IconSpec {
  uint32_t type;  // four characters, big-endian
  int size;       // pixels a side
};
// The chunk types taken, with their sizes.
extern const std::array<IconSpec, 11> kIconSpecs;

// The image of the largest listed chunk; nil for a file that is not an icon
// file, has no listed chunk, or whose largest one is not in an image format
// the image class reads by its signature (JPEG 2000 and raw pixels give nil;
// smaller chunks are not tried).
CSImage LargestIconImage(const QString& path);
CSImage LargestIconImageFromData(const QByteArray& data);
