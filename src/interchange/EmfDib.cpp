#include "interchange/EmfDib.h"

#include <QByteArray>
#include <algorithm>
#include <bit>
#include <memory>
#include <vector>

#include "pixmap/CSPixmap.h"
#include "pixmap/PixelFunctions.h"

namespace {

uint16_t Read16(const uint8_t* p) {
  return uint16_t(p[0] | p[1] << 8);
}
uint32_t Read32(const uint8_t* p) {
  return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
}

constexpr uint32_t kWhitePixel = 0xFFFFFFFFu;

struct DibHeader {
  int64_t width = 0;
  int64_t height = 0;  // rows, always positive
  bool topDown = false;
  uint32_t bitCount = 0;
  uint32_t compression = kDibRgb;
  uint32_t masks[4] = {0, 0, 0, 0};  // red, green, blue, alpha
  std::vector<uint32_t> palette;     // opaque pixels
};

// One channel of a bit-field pixel scaled to 0-255; a mask of 0 gives `none`.
struct Channel {
  uint32_t mask = 0;
  int shift = 0;
  uint32_t maximum = 0;

  explicit Channel(uint32_t m) : mask(m) {
    if (mask == 0) return;
    shift = std::countr_zero(mask);
    maximum = mask >> shift;  // non-contiguous masks scale by their span
  }
  uint32_t value(uint32_t pixel, uint32_t none) const {
    if (mask == 0) return none;
    return uint32_t((uint64_t((pixel & mask) >> shift) * 255 + maximum / 2) / maximum);
  }
};

uint32_t PremultipliedPixel(uint32_t red, uint32_t green, uint32_t blue, uint32_t alpha) {
  if (alpha == 255) return MakePixel(red, green, blue, 255);
  return MakePixel(red * alpha / 255, green * alpha / 255, blue * alpha / 255, alpha);
}

bool ReadHeader(const uint8_t* header, size_t headerSize, DibHeader* dib) {
  if (headerSize < 4) return false;
  const uint32_t size = Read32(header);
  if (size > headerSize) return false;
  size_t paletteStart = size;
  size_t paletteEntrySize = 4;
  uint32_t colorsUsed = 0;
  if (size == kDibCoreHeaderSize) {
    dib->width = Read16(header + 4);
    dib->height = Read16(header + 6);
    dib->bitCount = Read16(header + 10);
    paletteEntrySize = 3;
  } else if (size >= kDibInfoHeaderSize) {
    dib->width = int32_t(Read32(header + 4));
    const int64_t height = int32_t(Read32(header + 8));
    dib->topDown = height < 0;
    dib->height = height < 0 ? -height : height;
    dib->bitCount = Read16(header + 14);
    dib->compression = Read32(header + 16);
    colorsUsed = Read32(header + 32);
    if (dib->compression == kDibBitFields || dib->compression == kDibAlphaBitFields) {
      const size_t maskCount = dib->compression == kDibAlphaBitFields ? 4 : 3;
      if (size >= kDibInfoHeaderSize + 16) {
        for (size_t i = 0; i < 4; ++i) dib->masks[i] = Read32(header + 40 + 4 * i);
      } else {
        // A plain info header has its masks after it.
        if (headerSize < size + 4 * maskCount) return false;
        for (size_t i = 0; i < maskCount; ++i) dib->masks[i] = Read32(header + size + 4 * i);
        paletteStart += 4 * maskCount;
      }
    }
  } else {
    return false;
  }
  if (dib->width <= 0 || dib->height <= 0) return false;
  if (dib->bitCount <= 8) {
    const size_t full = size_t(1) << dib->bitCount;
    size_t count = colorsUsed == 0 ? full : std::min<size_t>(colorsUsed, full);
    // A table cut short by the header block keeps what it holds; the rest reads white.
    const size_t available = headerSize > paletteStart ? (headerSize - paletteStart) / paletteEntrySize : 0;
    count = std::min(count, available);
    dib->palette.reserve(count);
    for (size_t i = 0; i < count; ++i) {
      const uint8_t* entry = header + paletteStart + i * paletteEntrySize;
      dib->palette.push_back(MakePixel(entry[2], entry[1], entry[0], 255));
    }
  }
  return true;
}

bool WithinCaps(const DibHeader& dib) {
  if (dib.width > kMaxPixmapSide || dib.height > kMaxPixmapSide) return false;
  const int64_t pixels = dib.width * dib.height;
  return pixels <= kMaxPixmapPixels && pixels <= ImageDecodePixelLimit();
}

// Rows are stored bottom up unless the height was negative.
uint32_t* RowForLine(const PixelBitmap& bitmap, const DibHeader& dib, int64_t line) {
  return bitmap.row(dib.topDown ? line : dib.height - 1 - line);
}

uint32_t PaletteColor(const DibHeader& dib, uint32_t index) {
  return index < dib.palette.size() ? dib.palette[index] : kWhitePixel;
}

// Uncompressed and bit-field rows; false when the bits are too short.
bool DecodeRows(const DibHeader& dib, const uint8_t* bits, size_t bitsSize, const PixelBitmap& bitmap, bool* hasAlpha) {
  const uint64_t stride = (uint64_t(dib.width) * dib.bitCount + 31) / 32 * 4;
  if (stride * uint64_t(dib.height) > bitsSize) return false;
  const bool fields = dib.compression == kDibBitFields || dib.compression == kDibAlphaBitFields;
  uint32_t masks[4] = {dib.masks[0], dib.masks[1], dib.masks[2], dib.masks[3]};
  if (!fields && dib.bitCount == 16) {
    masks[0] = 0x7C00;
    masks[1] = 0x03E0;
    masks[2] = 0x001F;
  }
  const Channel red(masks[0]), green(masks[1]), blue(masks[2]), alpha(masks[3]);
  for (int64_t line = 0; line < dib.height; ++line) {
    const uint8_t* source = bits + uint64_t(line) * stride;
    uint32_t* target = RowForLine(bitmap, dib, line);
    for (int64_t x = 0; x < dib.width; ++x) {
      uint32_t pixel = 0;
      switch (dib.bitCount) {
        case 1:
          pixel = PaletteColor(dib, (source[x >> 3] >> (7 - (x & 7))) & 1);
          break;
        case 4:
          pixel = PaletteColor(dib, (source[x >> 1] >> ((x & 1) ? 0 : 4)) & 0xF);
          break;
        case 8:
          pixel = PaletteColor(dib, source[x]);
          break;
        case 24: {
          const uint8_t* p = source + 3 * x;
          pixel = MakePixel(p[2], p[1], p[0], 255);
          break;
        }
        case 16:
        case 32: {
          const uint32_t word = dib.bitCount == 16 ? Read16(source + 2 * x) : Read32(source + 4 * x);
          if (dib.bitCount == 32 && !fields) {
            pixel = MakePixel((word >> 16) & 0xFF, (word >> 8) & 0xFF, word & 0xFF, 255);
          } else {
            const uint32_t a = alpha.value(word, 255);
            if (a != 255) *hasAlpha = true;
            pixel = PremultipliedPixel(red.value(word, 0), green.value(word, 0), blue.value(word, 0), a);
          }
          break;
        }
        default:
          return false;
      }
      target[x] = pixel;
    }
  }
  return true;
}

// Run-length bits: runs and literal groups of indices, with end-of-line,
// end-of-bitmap and delta escapes. Pixels outside the bitmap are dropped;
// pixels never written stay transparent.
void DecodeRunLength(const DibHeader& dib, const uint8_t* bits, size_t bitsSize, const PixelBitmap& bitmap) {
  const bool four = dib.compression == kDibRle4;
  int64_t x = 0;
  int64_t line = 0;
  auto put = [&](uint32_t index) {
    if (x < dib.width && line < dib.height) RowForLine(bitmap, dib, line)[x] = PaletteColor(dib, index);
    ++x;
  };
  size_t pos = 0;
  while (pos + 2 <= bitsSize && line < dib.height) {
    const uint32_t count = bits[pos];
    const uint32_t value = bits[pos + 1];
    pos += 2;
    if (count > 0) {
      // Runs past the row's end are clipped.
      const int64_t run = std::min<int64_t>(count, std::max<int64_t>(dib.width - x, 0));
      for (int64_t i = 0; i < run; ++i) put(four ? ((i & 1) ? value & 0xF : value >> 4) : value);
      x += int64_t(count) - run;
      continue;
    }
    if (value == 0) {  // end of line
      x = 0;
      ++line;
    } else if (value == 1) {  // end of bitmap
      break;
    } else if (value == 2) {  // delta
      if (pos + 2 > bitsSize) break;
      x += bits[pos];
      line += bits[pos + 1];
      pos += 2;
    } else {  // a literal group, padded to a 16-bit boundary
      const size_t bytes = four ? (value + 1) / 2 : value;
      if (pos + bytes > bitsSize) break;
      for (uint32_t i = 0; i < value; ++i) {
        const uint8_t byte = bits[pos + (four ? i / 2 : i)];
        if (x < dib.width) {
          put(four ? ((i & 1) ? byte & 0xF : byte >> 4) : byte);
        } else {
          ++x;
        }
      }
      pos += (bytes + 1) & ~size_t(1);
    }
  }
}

bool AnyTranslucentPixel(const PixelBitmap& bitmap) {
  for (int64_t y = 0; y < bitmap.height; ++y) {
    const uint32_t* row = bitmap.row(y);
    for (int64_t x = 0; x < bitmap.width; ++x) {
      if ((row[x] & kPixelAlphaMask) != kPixelAlphaMask) return true;
    }
  }
  return false;
}

}  // namespace

std::optional<EmfImageRecord> DecodeDib(const uint8_t* header, size_t headerSize, const uint8_t* bits,
                                        size_t bitsSize) {
  if (!header || !bits || bitsSize == 0) return std::nullopt;
  DibHeader dib;
  if (!ReadHeader(header, headerSize, &dib)) return std::nullopt;

  if (dib.compression == kDibJpeg || dib.compression == kDibPng) {
    if (bitsSize > size_t(kMaxImageFileBytes)) return std::nullopt;
    const CSImage image = CSImage::initWithData(QByteArray(reinterpret_cast<const char*>(bits), qsizetype(bitsSize)));
    if (image.isNull()) return std::nullopt;
    return EmfImageRecord{image, dib.compression == kDibJpeg ? kImageFormatJPEG : kImageFormatPNG};
  }

  switch (dib.compression) {
    case kDibRgb:
      if (dib.bitCount != 1 && dib.bitCount != 4 && dib.bitCount != 8 && dib.bitCount != 16 && dib.bitCount != 24 &&
          dib.bitCount != 32)
        return std::nullopt;
      break;
    case kDibRle8:
      if (dib.bitCount != 8) return std::nullopt;
      break;
    case kDibRle4:
      if (dib.bitCount != 4) return std::nullopt;
      break;
    case kDibBitFields:
    case kDibAlphaBitFields:
      if (dib.bitCount != 16 && dib.bitCount != 32) return std::nullopt;
      break;
    default:
      return std::nullopt;
  }
  if (!WithinCaps(dib)) return std::nullopt;
  if (dib.compression == kDibRgb || dib.compression == kDibBitFields || dib.compression == kDibAlphaBitFields) {
    const uint64_t stride = (uint64_t(dib.width) * dib.bitCount + 31) / 32 * 4;
    if (stride * uint64_t(dib.height) > bitsSize) return std::nullopt;
  }

  std::unique_ptr<CSPixmap> pixmap = CSPixmap::initWithSize(QSizeF(double(dib.width), double(dib.height)));
  if (!pixmap) return std::nullopt;
  const PixelBitmap bitmap = pixmap->bitmap();
  if (bitmap.isNull() || bitmap.width != dib.width || bitmap.height != dib.height) return std::nullopt;
  bool hasAlpha = false;
  if (dib.compression == kDibRle8 || dib.compression == kDibRle4) {
    // Pixels the runs skip stay transparent.
    DecodeRunLength(dib, bits, bitsSize, bitmap);
    hasAlpha = AnyTranslucentPixel(bitmap);
  } else {
    if (!DecodeRows(dib, bits, bitsSize, bitmap, &hasAlpha)) return std::nullopt;
  }
  pixmap->setAlpha(hasAlpha);
  const bool alpha = pixmap->hasAlpha();
  CSImage image = pixmap->createImage();
  if (image.isNull()) return std::nullopt;
  return EmfImageRecord{image, alpha ? kImageFormatPNG : kImageFormatJPEG};
}
