#pragma once
// Picture clippings: the picture kept in a file's resource fork, read from
// the fork attribute or, for files copied from other systems, from the
// "._name" sidecar file beside them.

#include <QByteArray>
#include <QString>
#include <cstdint>

#include "support/CSImage.h"
#include "support/Files.h"

// Limits of a sidecar file and of its entry list.
constexpr qint64 kMaxSidecarFileBytes = qint64(256) * 1024 * 1024;
constexpr uint16_t kMaxSidecarEntries = 16;
constexpr uint32_t kSidecarMagic = 0x00051607;
constexpr uint32_t kSidecarVersion = 0x00020000;
constexpr uint32_t kSidecarResourceForkEntry = 2;

// "dir/._name" for "dir/name".
QString SidecarPath(const QString& path);
// The resource fork a sidecar's bytes hold; false (contents empty) when the
// header, its entries or the fork are not sound.
bool ParseSidecarResourceFork(const QByteArray& sidecar, ResourceForkContents* contents);

// Takes the clipping's picture out of its resource fork: the last 'PDF '
// resource as raw data when `pdf` is given and there is one; otherwise an
// image of the last 'TIFF', else 'PDF ', else 'PICT' resource. A picture
// converted through a temporary PDF replaces `path` by that PDF's path.
// False when the file has no fork, none of the three, or the chosen one
// can't be read.
bool ExtractClipping(QString& path, QByteArray* pdf, CSImage* image);
// The same over a fork already read.
bool ExtractClippingFromFork(const ResourceForkContents& fork, QString& path, QByteArray* pdf, CSImage* image);
