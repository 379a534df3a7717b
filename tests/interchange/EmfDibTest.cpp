#include <gtest/gtest.h>

#include <QBuffer>
#include <QImage>
#include <QImageWriter>

#include "interchange/EmfDib.h"
#include "testkit/EmfWriter.h"
#include "testkit/TestFiles.h"

namespace {

// An info header, optionally with extra bytes (masks, colour table) after it.
QByteArray InfoHeader(int width, int height, int bitCount, uint32_t compression, uint32_t colorsUsed = 0) {
  return EmfBody()
      .u32(40)
      .i32(width)
      .i32(height)
      .u16(1)
      .u16(uint16_t(bitCount))
      .u32(compression)
      .u32(0)
      .u32(0)
      .u32(0)
      .u32(colorsUsed)
      .u32(0)
      .data();
}

// Colour table entries (blue, green, red, reserved) from 0xRRGGBB values.
QByteArray Palette(std::initializer_list<uint32_t> colors) {
  EmfBody body;
  for (uint32_t rgb : colors) body.u8(rgb & 0xFF).u8((rgb >> 8) & 0xFF).u8((rgb >> 16) & 0xFF).u8(0);
  return body.data();
}

std::optional<EmfImageRecord> Decode(const QByteArray& header, const QByteArray& bits) {
  return DecodeDib(reinterpret_cast<const uint8_t*>(header.constData()), size_t(header.size()),
                   reinterpret_cast<const uint8_t*>(bits.constData()), size_t(bits.size()));
}

// The picture's pixels, top row first, as 0xAARRGGBB (unpremultiplied).
std::vector<QRgb> Pixels(const EmfImageRecord& record) {
  if (record.image.representations().isEmpty()) return {};
  const QImage image = record.image.representations().front().bitmap.convertToFormat(QImage::Format_ARGB32);
  std::vector<QRgb> pixels;
  for (int y = 0; y < image.height(); ++y)
    for (int x = 0; x < image.width(); ++x) pixels.push_back(image.pixel(x, y));
  return pixels;
}

constexpr QRgb R = 0xFFFF0000, G = 0xFF00FF00, B = 0xFF0000FF, W = 0xFFFFFFFF, K = 0xFF000000, T = 0x00000000;

}  // namespace

TEST(EmfDib, DecodesEachKind) {
  const struct {
    const char* name;
    QByteArray header;
    QByteArray bits;
    std::vector<QRgb> pixels;  // 2 x 2, top row first
    ImageFormat format;
  } cases[] = {
      // Bottom-up rows, each padded to four bytes; index 2 is past the table.
      {"1 bit",
       InfoHeader(2, 2, 1, kDibRgb, 2) + Palette({0xFF0000, 0x0000FF}),
       QByteArray::fromHex("40000000 80000000"),
       {B, R, R, B},
       kImageFormatJPEG},
      {"4 bits",
       InfoHeader(2, 2, 4, kDibRgb, 2) + Palette({0xFF0000, 0x00FF00}),
       QByteArray::fromHex("01000000 20000000"),
       {W, R, R, G},
       kImageFormatJPEG},
      {"8 bits top-down",
       InfoHeader(2, -2, 8, kDibRgb, 3) + Palette({0xFF0000, 0x00FF00, 0x0000FF}),
       QByteArray::fromHex("00010000 02FF0000"),
       {R, G, B, W},
       kImageFormatJPEG},
      {"16 bits 5-5-5",
       InfoHeader(2, 2, 16, kDibRgb),
       QByteArray::fromHex("007C1F00 E0030000"),
       {G, K, R, B},
       kImageFormatJPEG},
      {"24 bits",
       InfoHeader(2, 2, 24, kDibRgb),
       QByteArray::fromHex("0000FF00FF000000 FF000000000000 00"),
       {B, K, R, G},
       kImageFormatJPEG},
      {"32 bits ignore the fourth byte",
       InfoHeader(2, 2, 32, kDibRgb),
       QByteArray::fromHex("0000FF0000FF0000 FF00000000000000"),
       {B, K, R, G},
       kImageFormatJPEG},
      {"bit fields 5-6-5",
       InfoHeader(2, 2, 16, kDibBitFields) + EmfBody().u32(0xF800).u32(0x07E0).u32(0x001F).data(),
       QByteArray::fromHex("00F8E007 1F000000"),
       {B, K, R, G},
       kImageFormatJPEG},
      {"alpha bit fields",
       InfoHeader(2, 2, 32, kDibAlphaBitFields) +
           EmfBody().u32(0x00FF0000).u32(0x0000FF00).u32(0x000000FF).u32(0xFF000000).data(),
       QByteArray::fromHex("0000FFFF00000000 00FF00FF0000FFFF"),
       {G, R, R, T},
       kImageFormatPNG},
      // A run of 2 of index 1, end of line, a literal group of 3 (its
      // third index clipped, padded to 16 bits), end of bitmap.
      {"RLE8",
       InfoHeader(2, 2, 8, kDibRle8, 2) + Palette({0xFF0000, 0x00FF00}),
       QByteArray::fromHex("0201 0000 0003 00010000 0001"),
       {R, G, G, G},
       kImageFormatJPEG},
      // A delta skips the first row's first pixel: it stays transparent.
      {"RLE8 delta",
       InfoHeader(2, 2, 8, kDibRle8, 2) + Palette({0xFF0000, 0x00FF00}),
       QByteArray::fromHex("0201 0000 00020100 0100 0001"),
       {T, R, G, G},
       kImageFormatPNG},
      {"RLE4",
       InfoHeader(2, 2, 4, kDibRle4, 2) + Palette({0xFF0000, 0x00FF00}),
       QByteArray::fromHex("0210 0000 0201 0001"),
       {R, G, G, R},
       kImageFormatJPEG},
  };
  for (const auto& c : cases) {
    const std::optional<EmfImageRecord> record = Decode(c.header, c.bits);
    ASSERT_TRUE(record.has_value()) << c.name;
    EXPECT_EQ(record->image.size(), QSizeF(2, 2)) << c.name;
    EXPECT_EQ(record->format, c.format) << c.name;
    const std::vector<QRgb> pixels = Pixels(*record);
    ASSERT_EQ(pixels.size(), 4u) << c.name;
    for (size_t i = 0; i < 4; ++i) {
      const QRgb want = c.pixels[i];
      // Transparent pixels compare by their alpha only.
      if (qAlpha(want) == 0) {
        EXPECT_EQ(qAlpha(pixels[i]), 0) << c.name << " pixel " << i;
      } else {
        EXPECT_EQ(pixels[i], want) << c.name << " pixel " << i << " " << std::hex << pixels[i];
      }
    }
  }
}

TEST(EmfDib, RefusesWhatItCannotDecode) {
  const struct {
    const char* name;
    QByteArray header;
    QByteArray bits;
  } cases[] = {
      {"bits too short", InfoHeader(4, 4, 24, kDibRgb), QByteArray(47, '\0')},
      {"2^31 pixels", InfoHeader(65536, 32768, 1, kDibRgb), QByteArray(64, '\0')},
      {"a side past the cap", InfoHeader(40000, 1, 8, kDibRle8), QByteArray(64, '\0')},
      {"width 0", InfoHeader(0, 4, 24, kDibRgb), QByteArray(64, '\0')},
      {"height of the smallest int", InfoHeader(1, std::numeric_limits<int32_t>::min(), 24, kDibRgb),
       QByteArray(64, '\0')},
      {"bit count 7", InfoHeader(1, 1, 7, kDibRgb), QByteArray(64, '\0')},
      {"RLE8 at 4 bits", InfoHeader(1, 1, 4, kDibRle8), QByteArray(64, '\0')},
      {"unknown compression", InfoHeader(1, 1, 24, 9), QByteArray(64, '\0')},
      {"header size past the block", EmfBody().u32(200).data() + QByteArray(36, '\0'), QByteArray(64, '\0')},
      {"unknown header size", EmfBody().u32(20).data() + QByteArray(36, '\0'), QByteArray(64, '\0')},
      {"bit field masks missing", InfoHeader(1, 1, 16, kDibBitFields), QByteArray(64, '\0')},
      {"no bits", InfoHeader(1, 1, 24, kDibRgb), QByteArray()},
      {"JPEG bits that are not JPEG", InfoHeader(1, 1, 0, kDibJpeg), QByteArray(64, 'x')},
  };
  for (const auto& c : cases) EXPECT_FALSE(Decode(c.header, c.bits).has_value()) << c.name;
}

TEST(EmfDib, PngBitsAreHandedOver) {
  QImage image(3, 2, QImage::Format_ARGB32);
  image.fill(QColor(0, 0, 255, 128));
  const QByteArray png = EncodeImage(image, "png");
  const std::optional<EmfImageRecord> record = Decode(InfoHeader(3, 2, 0, kDibPng), png);
  ASSERT_TRUE(record.has_value());
  EXPECT_EQ(record->format, kImageFormatPNG);
  EXPECT_EQ(record->image.size(), QSizeF(3, 2));
}

TEST(EmfDib, CoreHeaderWithTripletTable) {
  const QByteArray header = EmfBody().u32(12).u16(2).u16(1).u16(1).u16(1).data() + QByteArray::fromHex("0000FF 00FF00");
  const std::optional<EmfImageRecord> record = Decode(header, QByteArray::fromHex("40000000"));
  ASSERT_TRUE(record.has_value());
  const std::vector<QRgb> pixels = Pixels(*record);
  ASSERT_EQ(pixels.size(), 2u);
  EXPECT_EQ(pixels[0], R);
  EXPECT_EQ(pixels[1], G);
}
