#pragma once
// QuickDraw pictures (versions 1 and 2) turned into a one-page PDF and loaded
// back as an image: the painting loader, the clipping reader, the convert to
// PDF command and the image class (through its picture hook) use it. Shapes,
// lines, text and bit and pixel maps are drawn; clipping regions, transfer
// modes, comments and regions are not.

#include <QByteArray>
#include <QRectF>
#include <QSizeF>
#include <QString>
#include <cstddef>
#include <cstdint>

#include "support/CSImage.h"

class QPainter;

// The bytes a picture needs before its first opcode: the 16-bit size and the
// frame.
constexpr size_t kPictHeaderBytes = 10;

// What a walk over a picture found.
struct PictConversion {
  bool failed = false;    // an unsupported map or pattern, QuickTime data, or no memory
  bool version2 = false;  // the version opcode said 2
  QRectF frame;           // x = left, y = top, from the header
  QRectF extent;          // the union of the drawn bit and pixel maps' destinations
};

// The frame from the header; false when the data is too short to hold it.
bool ReadPictFrame(const uint8_t* bytes, size_t length, bool fileHeader, QRectF* frame);

// Walks the picture's opcodes and draws them on the painter in picture
// coordinates; with no painter it only measures (`extent`, `failed`).
void ConvertPicture(const uint8_t* bytes, size_t length, bool fileHeader, QPainter* painter,
                    PictConversion* conversion);

// "pict" and "pic" files (any case) and files without an extension whose
// type code is 'PICT'.
bool IsQuickdrawFile(const QString& path);

// Converts the picture into a new temporary PDF (its path in `*path`) and
// loads that as an image; nil when the picture can't be converted, and then
// no file is left. The page is the picture frame, enlarged to the drawn maps'
// extent when they reach past it, or that extent alone for an empty frame
// (nil without one); pages larger than the PDF limit are drawn scaled down.
CSImage CreateImageFromQuickdrawPictCore(const uint8_t* bytes, size_t length, bool fileHeader, QString* path,
                                         bool* version2, QSizeF* frameSize);
// The same over the data. `fileHeader`: the data starts with the 512-byte
// file header (files), not (resources).
CSImage CreateImageFromQuickdrawPict(const QByteArray& data, bool fileHeader, QString* path, bool* version2);

// The image class's picture hook: the picture's pixels at one a point, null
// when it can't be converted or is beyond the decode limit. No file stays.
QImage RenderQuickdrawPicture(const QByteArray& data, bool hasHeader);
