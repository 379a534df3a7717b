#include <gtest/gtest.h>

#include <QByteArray>
#include <string>

#include "support/ImageFormat.h"

namespace {

// The signature followed by zeros up to `length` bytes.
QByteArray Padded(const QByteArray& head, int length) {
  QByteArray data = head;
  if (data.size() < length) data.append(QByteArray(length - data.size(), '\0'));
  return data;
}

QByteArray Bytes(std::initializer_list<int> list) {
  QByteArray data;
  for (int b : list) data.append(char(b));
  return data;
}

QByteArray EmfHeader(int length) {
  QByteArray data = Padded(Bytes({1, 0, 0, 0}), length);
  data.replace(40, 4, " EMF");
  data.replace(44, 4, Bytes({0, 0, 1, 0}));  // version 1.0
  return data;
}

QByteArray QuickdrawV2(int length) {
  QByteArray data = Padded(QByteArray(10, '\x01'), length);
  data.replace(10, 6, Bytes({0x00, 0x11, 0x02, 0xFF, 0x0C, 0x00}));
  return data;
}

}  // namespace

TEST(ImageFormat, SignatureTable) {
  const QByteArray png = Bytes({0x89, 'P', 'N', 'G', 0x0D, 0x0A, 0x1A, 0x0A});
  const QByteArray jfif = Bytes({0xFF, 0xD8, 0xFF, 0xE0, 0, 16, 'J', 'F', 'I', 'F'});
  struct Row {
    const char* name;
    QByteArray data;
    ImageFormat format;
  } rows[] = {
      {"png", Padded(png, 20), kImageFormatPNG},
      {"png 19 bytes", Padded(png, 19), kImageFormatNone},
      {"png cut after 7 bytes", png.left(7), kImageFormatNone},
      {"jfif", Padded(jfif, 20), kImageFormatJPEG},
      {"exif camera jpeg", Padded(Bytes({0xFF, 0xD8, 0xFF, 0xE1, 0x12, 0x34, 'E', 'x', 'i', 'f'}), 20),
       kImageFormatJPEG},
      {"adobe app14", Padded(Bytes({0xFF, 0xD8, 0xFF, 0xEE}), 20), kImageFormatJPEG},
      {"quantisation table first", Padded(Bytes({0xFF, 0xD8, 0xFF, 0xDB}), 20), kImageFormatJPEG},
      {"start of frame first", Padded(Bytes({0xFF, 0xD8, 0xFF, 0xC0}), 20), kImageFormatNone},
      {"jpeg 2000", Padded(Bytes({0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0A}), 20), kImageFormatJPEG},
      {"jpeg 2000 bad box", Padded(Bytes({0, 0, 0, 0x0C, 'j', 'P', ' ', ' ', 0x0D, 0x0A, 0x87, 0x0B}), 20),
       kImageFormatNone},
      {"pdf", Padded("%PDF-1.4", 20), kImageFormatPDF},
      {"gif", Padded("GIF89a", 20), kImageFormatGIF},
      {"bmp", Padded("BM", 20), kImageFormatBMP},
      {"tiff little-endian", Padded(Bytes({'I', 'I', 42, 0}), 20), kImageFormatTIFF},
      {"tiff big-endian", Padded(Bytes({'M', 'M', 0, 42}), 20), kImageFormatTIFF},
      {"tiff mixed order", Padded(Bytes({'I', 'I', 0, 42}), 20), kImageFormatNone},
      {"heic", Padded(Bytes({0, 0, 0, 24, 'f', 't', 'y', 'p', 'h', 'e', 'i', 'c'}), 20), kImageFormatHEIC},
      {"heix", Padded(Bytes({0, 0, 0, 24, 'f', 't', 'y', 'p', 'h', 'e', 'i', 'x'}), 20), kImageFormatHEIC},
      {"hevc", Padded(Bytes({0, 0, 0, 24, 'f', 't', 'y', 'p', 'h', 'e', 'v', 'c'}), 20), kImageFormatHEIC},
      {"mif1", Padded(Bytes({0, 0, 0, 24, 'f', 't', 'y', 'p', 'm', 'i', 'f', '1'}), 20), kImageFormatHEIC},
      {"mp4 brand", Padded(Bytes({0, 0, 0, 24, 'f', 't', 'y', 'p', 'i', 's', 'o', 'm'}), 20), kImageFormatNone},
      {"emf", EmfHeader(121), kImageFormatEMF},
      {"emf 120 bytes", EmfHeader(120), kImageFormatNone},
      {"emf version 2", EmfHeader(121).replace(44, 4, Bytes({0, 0, 2, 0})), kImageFormatNone},
      {"emf reserved word set", EmfHeader(121).replace(58, 1, "\x01"), kImageFormatNone},
      {"quickdraw v1", Padded(QByteArray(10, '\x01') + Bytes({0x11, 0x01}), 20), kImageFormatQuickdraw},
      {"quickdraw v2", QuickdrawV2(42), kImageFormatQuickdraw},
      {"quickdraw v2 41 bytes", QuickdrawV2(41), kImageFormatNone},
      {"zeros", QByteArray(600, '\0'), kImageFormatNone},
      {"text", Padded("Hello, this is text.", 40), kImageFormatNone},
      {"empty", QByteArray(), kImageFormatNone},
  };
  for (const Row& row : rows) {
    bool header = true;
    EXPECT_EQ(ImageFormatFromData(row.data, &header), row.format) << row.name;
    if (row.data.size() >= 20) EXPECT_FALSE(header) << row.name;
  }
  EXPECT_EQ(ImageFormatFromBuffer(nullptr, 100, nullptr), kImageFormatNone);
}

TEST(ImageFormat, QuickdrawBehindTheFileHeader) {
  const QByteArray picture = QuickdrawV2(42);
  bool header = false;
  EXPECT_EQ(ImageFormatFromData(QByteArray(512, '\0') + picture, &header), kImageFormatQuickdraw);
  EXPECT_TRUE(header);

  header = true;
  EXPECT_EQ(ImageFormatFromData(picture, &header), kImageFormatQuickdraw);
  EXPECT_FALSE(header);

  // Version 1 after the header needs 533 bytes in all.
  const QByteArray v1 = QByteArray(10, '\x01') + Bytes({0x11, 0x01});
  EXPECT_EQ(ImageFormatFromData(Padded(QByteArray(512, '\0') + v1, 533)), kImageFormatQuickdraw);
  EXPECT_EQ(ImageFormatFromData(Padded(QByteArray(512, '\0') + v1, 532)), kImageFormatNone);
  // A header that is not all zeros hides the picture.
  QByteArray dirty = QByteArray(512, '\0') + picture;
  dirty[300] = 1;
  EXPECT_EQ(ImageFormatFromData(dirty), kImageFormatNone);
  // A picture cut short after the header (the v2 test needs 42 bytes of it).
  EXPECT_EQ(ImageFormatFromData(QByteArray(512, '\0') + picture.left(30)), kImageFormatNone);

  // Short buffers leave the flag alone.
  header = true;
  EXPECT_EQ(ImageFormatFromData(picture.left(19), &header), kImageFormatNone);
  EXPECT_TRUE(header);
}

TEST(ImageFormat, Extensions) {
  struct Row {
    const char* ext;
    ImageFormat format;
  } rows[] = {{"jpg", 2},  {"JPEG", 2}, {"png", 4}, {"Pdf", 3}, {"tif", 5}, {"TIFF", 5},
              {"heic", 1}, {"gif", 0},  {"bmp", 0}, {"", 0},    {"jpgx", 0}};
  for (const Row& row : rows) EXPECT_EQ(ImageFormatFromExtension(QString::fromLatin1(row.ext)), row.format) << row.ext;
  EXPECT_EQ(ImageFormatFromExtension(QString()), kImageFormatNone);

  const char* expected[] = {"tiff", "heic", "jpg", "pdf", "png", "tiff", "bmp", "emf", "gif", "pict", "tiff"};
  for (ImageFormat f = 0; f <= 10; ++f) EXPECT_EQ(ExtensionForImageFormat(f), QLatin1String(expected[f])) << f;
  EXPECT_EQ(ExtensionForImageFormat(0xFFFFFFFF), "tiff");
}
