#pragma once
// The HEIC codec: a thin layer over libheif that decodes the primary image of
// a HEIF file into a QImage and encodes a QImage as HEVC-coded HEIF.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>

// No side of a decoded image may exceed this, whatever the pixel budget.
constexpr int kHeifMaxSide = 32768;

// The primary image's size without decoding it; an empty size when the data
// cannot be read as HEIF.
QSize HeifImageSize(const QByteArray& data);

// Decodes the primary image (with its rotation and mirroring applied) into
// Format_ARGB32_Premultiplied, or Format_RGB32 when it has no alpha. Refuses
// images of more than `maxPixels` pixels before decoding them. A null image
// on failure, with the reason in `error` when given.
QImage HeifDecodeImage(const QByteArray& data, int64_t maxPixels, QString* error = nullptr);

// A grid or overlay image declares its canvas size in its own item data, and
// libheif allocates and clears that canvas before it looks at the tiles, even
// when the image claims a few pixels. This walks the file's boxes and answers
// whether every such canvas is within `maxPixels` (and kHeifMaxSide); a file
// without a 'meta' box or derived images passes, a derived image whose data
// cannot be found fails. HeifDecodeImage checks it before decoding.
bool HeifDerivedImagesWithinBudget(const QByteArray& file, int64_t maxPixels);

// Whether libheif has an HEVC encoder here.
bool HeifCanEncode();

// Encodes the image as HEIC; quality 0.0-1.0 maps onto the encoder's 0-100
// (values outside are clamped). The alpha channel is kept when the image has
// one. Empty data on failure, with the reason in `error` when given.
QByteArray HeifEncodeImage(const QImage& image, double quality, QString* error = nullptr);
