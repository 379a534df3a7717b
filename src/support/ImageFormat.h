#pragma once
// Image formats as the rest of the system names them: a file's kind from its
// first bytes or its extension, and the extension each format is written with.

#include <QByteArray>
#include <QString>
#include <cstddef>
#include <cstdint>

using ImageFormat = uint32_t;

constexpr ImageFormat kImageFormatNone = 0;
constexpr ImageFormat kImageFormatHEIC = 1;
constexpr ImageFormat kImageFormatJPEG = 2;
constexpr ImageFormat kImageFormatPDF = 3;
constexpr ImageFormat kImageFormatPNG = 4;
constexpr ImageFormat kImageFormatTIFF = 5;
constexpr ImageFormat kImageFormatBMP = 6;
constexpr ImageFormat kImageFormatEMF = 7;
constexpr ImageFormat kImageFormatGIF = 8;
constexpr ImageFormat kImageFormatQuickdraw = 9;

// Buffers shorter than this are never recognised.
constexpr size_t kImageFormatMinimumBytes = 20;
// A QuickDraw picture file may start with a 512-byte header of zeros.
constexpr size_t kQuickdrawFileHeaderBytes = 512;

// The format of the data from its signature. `hasHeader` (when given) is set
// to true only for a QuickDraw picture behind the 512-byte header; it is left
// untouched for buffers shorter than kImageFormatMinimumBytes.
// A JPEG 2000 signature box answers JPEG; CSImage tells the two apart.
ImageFormat ImageFormatFromBuffer(const uint8_t* bytes, size_t length, bool* hasHeader = nullptr);
ImageFormat ImageFormatFromData(const QByteArray& data, bool* hasHeader = nullptr);

// "jpg"/"jpeg", "png", "pdf", "tiff"/"tif", "heic", any case; anything else 0.
ImageFormat ImageFormatFromExtension(const QString& extension);
// The extension a format is written with; formats without one of their own,
// and TIFF, give "tiff".
QString ExtensionForImageFormat(ImageFormat format);
