#include <gtest/gtest.h>

#include <QPainter>
#include <climits>
#include <cstring>

#include "support/Bitmaps.h"
#include "support/CSCore.h"

namespace {

TEST(BitmapsTest, RowsArePaddedToSixteenBytes) {
  const std::pair<int, int64_t> rows[] = {{1, 16},  {4, 16}, {5, 32}, {10, 48},
                                          {16, 64}, {0, 0},  {-3, 0}, {kMaxBitmapSide + 1, 0}};
  for (const auto& [width, bytes] : rows) {
    SCOPED_TRACE(width);
    EXPECT_EQ(BitmapBytesPerRow(width), bytes);
  }
}

TEST(BitmapsTest, TenByOneIsPremultipliedArgbWithAZeroedBufferTheCallerFrees) {
  uchar* buffer = nullptr;
  {
    QImage bitmap = CreateQuartzBitmap(10, 1, &buffer);
    ASSERT_FALSE(bitmap.isNull());
    ASSERT_NE(buffer, nullptr);
    EXPECT_EQ(bitmap.format(), QImage::Format_ARGB32_Premultiplied);
    EXPECT_EQ(bitmap.bytesPerLine(), 48);
    EXPECT_EQ(bitmap.size(), QSize(10, 1));
    EXPECT_EQ(bitmap.constBits(), buffer);  // the image draws straight into our memory
    for (int i = 0; i < 48; ++i) ASSERT_EQ(buffer[i], 0) << i;

    // One word a pixel, 0xAARRGGBB, so memory holds blue, green, red, alpha.
    reinterpret_cast<uint32_t*>(bitmap.bits())[0] = 0x80402010;
    const uchar written[4] = {0x10, 0x20, 0x40, 0x80};
    EXPECT_EQ(std::memcmp(buffer, written, 4), 0);

    QPainter painter(&bitmap);
    painter.fillRect(QRect(1, 0, 1, 1), QColor(255, 0, 0));
    painter.fillRect(QRect(2, 0, 1, 1), QColor(0, 0, 255, 128));
    painter.end();
    const uchar red[4] = {0x00, 0x00, 0xFF, 0xFF};
    EXPECT_EQ(std::memcmp(buffer + 4, red, 4), 0);
    // Premultiplied: half-opaque blue stores blue at about half strength.
    EXPECT_NEAR(buffer[8], 0x80, 1);
    EXPECT_EQ(buffer[11], 0x80);
  }
  FreeMemory(buffer);
}

TEST(BitmapsTest, WithoutABufferTheImageOwnsItsMemory) {
  QImage bitmap = CreateQuartzBitmap(33, 7);
  ASSERT_FALSE(bitmap.isNull());
  EXPECT_EQ(bitmap.bytesPerLine(), 144);
  EXPECT_EQ(bitmap.pixel(32, 6), 0u);
  QImage copy = bitmap;  // the last copy to go frees it (the leak checker watches)
  bitmap = QImage();
  EXPECT_EQ(copy.pixel(0, 0), 0u);
}

TEST(BitmapsTest, ImpossibleSizesGiveNullAndNoBuffer) {
  const std::pair<int, int> sizes[] = {{0, 1},
                                       {1, 0},
                                       {-5, 10},
                                       {10, -5},
                                       {kMaxBitmapSide + 1, 1},
                                       {1, kMaxBitmapSide + 1},
                                       {kMaxBitmapSide, kMaxBitmapSide},
                                       {INT_MAX, INT_MAX},
                                       {INT_MIN, 2}};
  for (const auto& [width, height] : sizes) {
    SCOPED_TRACE(testing::Message() << width << " x " << height);
    uchar* buffer = reinterpret_cast<uchar*>(&buffer);
    EXPECT_TRUE(CreateQuartzBitmap(width, height, &buffer).isNull());
    EXPECT_EQ(buffer, nullptr);
    EXPECT_TRUE(CreateQuartzBitmap(width, height).isNull());
  }
}

}  // namespace
