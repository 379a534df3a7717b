#include <gtest/gtest.h>

#include <QImage>

#include "platform/HeifCodec.h"

namespace {

QByteArray Be(uint64_t v, int bytes) {
  QByteArray out;
  for (int i = bytes - 1; i >= 0; --i) out.append(char((v >> (8 * i)) & 0xFF));
  return out;
}

QByteArray Box(const char* type, const QByteArray& body) {
  return Be(uint64_t(body.size()) + 8, 4) + QByteArray(type, 4) + body;
}

QByteArray FullBox(const char* type, int version, const QByteArray& body) {
  return Box(type, Be(uint64_t(version), 1) + Be(0, 3) + body);
}

QByteArray Infe(int id, const char* type) {
  return FullBox("infe", 2, Be(uint64_t(id), 2) + Be(0, 2) + QByteArray(type, 4) + QByteArray(1, '\0'));
}

// The layout phones write: a grid item whose 8 bytes live in 'idat', found
// through a version 1 'iloc' (4-byte offsets and lengths, construction method 1).
QByteArray GridFile(uint32_t width, uint32_t height, bool wide, bool inIdat = true) {
  const QByteArray grid =
      Be(0, 1) + Be(wide ? 1 : 0, 1) + Be(1, 1) + Be(1, 1) + Be(width, wide ? 4 : 2) + Be(height, wide ? 4 : 2);
  const QByteArray iinf = FullBox("iinf", 0, Be(2, 2) + Infe(1, "hvc1") + Infe(2, "grid"));
  QByteArray iloc = Be(0x44, 1) + Be(0x00, 1) + Be(2, 2);
  iloc += Be(1, 2) + Be(0, 2) + Be(0, 2) + Be(1, 2) + Be(0, 4) + Be(10, 4);  // tile 1: in the file
  iloc +=
      Be(2, 2) + Be(inIdat ? 1 : 0, 2) + Be(0, 2) + Be(1, 2) + Be(inIdat ? 0 : 5000, 4) + Be(uint64_t(grid.size()), 4);
  const QByteArray meta = FullBox("meta", 0, iinf + FullBox("iloc", 1, iloc) + Box("idat", grid));
  return Box("ftyp", QByteArray("heic\0\0\0\0mif1heic", 16)) + meta;
}

}  // namespace

TEST(HeifCodec, DerivedCanvasSizesAreCheckedBeforeDecoding) {
  constexpr int64_t budget = 4000 * 3000;
  EXPECT_TRUE(HeifDerivedImagesWithinBudget(GridFile(4032, 3024, false), 4032 * 3024));
  EXPECT_FALSE(HeifDerivedImagesWithinBudget(GridFile(4032, 3024, false), budget));
  EXPECT_FALSE(HeifDerivedImagesWithinBudget(GridFile(26725, 26982, false), budget));
  EXPECT_TRUE(HeifDerivedImagesWithinBudget(GridFile(512, 512, true), budget));
  EXPECT_FALSE(HeifDerivedImagesWithinBudget(GridFile(40000, 10, true), budget));         // a side above the cap
  EXPECT_FALSE(HeifDerivedImagesWithinBudget(GridFile(512, 512, false, false), budget));  // data beyond the file
  // Files without derived images pass; libheif judges the rest.
  EXPECT_TRUE(HeifDerivedImagesWithinBudget(QByteArray("plain bytes"), budget));
  EXPECT_TRUE(HeifDerivedImagesWithinBudget(QByteArray(), budget));
}

TEST(HeifCodec, EncodesAndDecodesWithinLimits) {
  ASSERT_TRUE(HeifCanEncode());
  QImage image(48, 32, QImage::Format_RGB32);
  image.fill(QColor(20, 200, 40));
  QString error;
  const QByteArray heic = HeifEncodeImage(image, 0.7, &error);
  ASSERT_FALSE(heic.isEmpty()) << error.toStdString();
  EXPECT_TRUE(HeifDerivedImagesWithinBudget(heic, 48 * 32));
  EXPECT_EQ(HeifImageSize(heic), QSize(48, 32));

  const QImage back = HeifDecodeImage(heic, 48 * 32, &error);
  ASSERT_EQ(back.size(), QSize(48, 32)) << error.toStdString();
  EXPECT_FALSE(back.hasAlphaChannel());
  EXPECT_NEAR(qGreen(back.pixel(10, 10)), 200, 12);

  EXPECT_TRUE(HeifDecodeImage(heic, 48 * 32 - 1, &error).isNull());
  EXPECT_TRUE(error.contains("too large")) << error.toStdString();
  EXPECT_TRUE(HeifDecodeImage(heic.left(heic.size() / 2), 1 << 20).isNull());
  EXPECT_TRUE(HeifEncodeImage(QImage(), 0.5).isEmpty());

  // An alpha channel travels as an image of its own, checked against the same budget.
  QImage clear(20, 10, QImage::Format_ARGB32_Premultiplied);
  clear.fill(QColor(0, 0, 0, 0));
  const QImage clearBack = HeifDecodeImage(HeifEncodeImage(clear, 0.5), 20 * 10);
  ASSERT_EQ(clearBack.size(), QSize(20, 10));
  EXPECT_TRUE(clearBack.hasAlphaChannel());

  // Odd sizes (a 512 x 341 thumbnail) and a single pixel keep their size.
  for (const QSize size : {QSize(41, 31), QSize(1, 1)}) {
    QImage odd(size, QImage::Format_ARGB32_Premultiplied);
    odd.fill(Qt::blue);
    const QImage decoded = HeifDecodeImage(HeifEncodeImage(odd, 0.5), 1 << 20);
    EXPECT_EQ(decoded.size(), size);
  }
}
