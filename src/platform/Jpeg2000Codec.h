#pragma once
// The JPEG 2000 decoder: a thin layer over libopenjp2 that decodes a JP2
// file or a bare J2K codestream into a QImage, within a pixel budget.

#include <QByteArray>
#include <QImage>
#include <QSize>
#include <QString>
#include <cstdint>

// No side of a decoded image may exceed this, whatever the pixel budget.
constexpr int kJpeg2000MaxSide = 32768;
// Components beyond these are not decoded: colour and alpha need no more.
constexpr uint32_t kJpeg2000MaxDecodedComponents = 4;

// No picture has more tiles than this (a picture at the largest side in
// tiles of 256 pixels has 16,384), nor more tile components than four
// components of that many tiles; the decoder is never given more.
constexpr uint64_t kJpeg2000MaxTiles = 16384;
constexpr uint64_t kJpeg2000MaxTileComponents = 4 * kJpeg2000MaxTiles;

// What the codestream's size marker declares, read without the decoder:
// the image's size, its tile count and its component count. `valid` is
// false when there is no well-formed size marker (in a JP2 file, in its
// codestream box).
struct Jpeg2000Header {
  bool valid = false;
  uint32_t width = 0;
  uint32_t height = 0;
  uint64_t tiles = 0;
  uint32_t components = 0;
};
Jpeg2000Header ReadJpeg2000Header(const QByteArray& data);

// Whether the data starts with the JP2 signature box or a codestream's
// start-of-codestream and size markers.
bool IsJpeg2000Data(const QByteArray& data);

// The image's size from its header, without decoding it; an empty size when
// the data cannot be read as JPEG 2000 or declares more tiles than the caps.
QSize Jpeg2000ImageSize(const QByteArray& data);

// Decodes the whole image into Format_ARGB32_Premultiplied when it has an
// alpha channel, else Format_RGB32. Grey, RGB, YCC and CMYK images are
// turned into RGB, samples of any depth into 8 bits. Refuses images of more
// than `maxPixels` pixels, or a side above kJpeg2000MaxSide, and more tiles
// than the caps, before the decoder reads their header. A null image on
// failure, with the reason in `error` when given.
QImage Jpeg2000DecodeImage(const QByteArray& data, int64_t maxPixels, QString* error = nullptr);
