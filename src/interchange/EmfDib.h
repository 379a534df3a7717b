#pragma once
// Device-independent bitmaps as metafile records carry them: a header block
// (core or info header, masks, colour table) and a block of bits. Indexed,
// direct, bit-field and run-length bitmaps are decoded pixel by pixel into a
// pixmap; JPEG and PNG bits are handed to the image decoder.

#include <cstddef>
#include <cstdint>
#include <optional>

#include "interchange/EmfRecords.h"

// The compressions a bitmap may name.
constexpr uint32_t kDibRgb = 0;
constexpr uint32_t kDibRle8 = 1;
constexpr uint32_t kDibRle4 = 2;
constexpr uint32_t kDibBitFields = 3;
constexpr uint32_t kDibJpeg = 4;
constexpr uint32_t kDibPng = 5;
constexpr uint32_t kDibAlphaBitFields = 6;

// The header sizes read: the core header and the info header (the longer
// headers start with it).
constexpr uint32_t kDibCoreHeaderSize = 12;
constexpr uint32_t kDibInfoHeaderSize = 40;

// The picture of the bitmap, or nullopt when the header is malformed, the
// compression unsupported, the bits too short, or the bitmap larger than the
// pixmap caps and the image decode limit allow.
std::optional<EmfImageRecord> DecodeDib(const uint8_t* header, size_t headerSize, const uint8_t* bits, size_t bitsSize);
