#pragma once
// The one way the system makes an off-screen bitmap: 8 bits a component,
// one 32-bit word a pixel holding 0xAARRGGBB with premultiplied alpha (so the
// bytes in memory are blue, green, red, alpha), rows padded to 16 bytes, all
// pixels transparent at first. The pixels live in memory from
// AllocateAndClearMemory, so plain-function code can reach them directly.

#include <QImage>
#include <cstdint>

// Largest side and largest buffer a bitmap may have; larger requests fail.
constexpr int kMaxBitmapSide = 1 << 16;
constexpr int64_t kMaxBitmapBytes = int64_t(1) << 31;

// width x 4 raised to the next multiple of 16; 0 when the width is not
// positive or the row would exceed the limits.
int64_t BitmapBytesPerRow(int width);

// A Format_ARGB32_Premultiplied image over new zeroed memory, or a null image
// when a side is not positive, the size exceeds the limits or memory runs
// out. With `buffer`, the memory's address is stored there (null on failure)
// and the caller frees it with FreeMemory once the image and its shallow
// copies are gone; without it, the image frees its memory itself.
QImage CreateQuartzBitmap(int width, int height, uchar** buffer = nullptr);
