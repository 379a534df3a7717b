#include "interchange/PictReader.h"

#include <algorithm>
#include <array>
#include <cstring>

#include "pixmap/CSPixmap.h"
#include "support/Bitmaps.h"
#include "support/CSImage.h"

namespace {

constexpr std::array<PictOpcodeDesc, 256> MakeOpcodeDescs() {
  std::array<PictOpcodeDesc, 256> d{};
  for (auto& entry : d) entry = {1, kPictRuleFixed};  // reserved opcodes without data
  auto set = [&d](int first, int last, uint16_t fixed, uint32_t rule) {
    for (int op = first; op <= last; ++op) d[size_t(op)] = {fixed, rule};
  };
  set(0x01, 0x01, 1, kPictRuleSizedRecord);  // Clip
  set(0x02, 0x02, 9, kPictRuleFixed);        // BkPat
  set(0x03, 0x03, 3, kPictRuleFixed);        // TxFont
  set(0x04, 0x04, 2, kPictRuleFixed);        // TxFace
  set(0x05, 0x05, 3, kPictRuleFixed);        // TxMode
  set(0x06, 0x06, 5, kPictRuleFixed);        // SpExtra
  set(0x07, 0x07, 5, kPictRuleFixed);        // PnSize
  set(0x08, 0x08, 3, kPictRuleFixed);        // PnMode
  set(0x09, 0x0A, 9, kPictRuleFixed);        // PnPat, FillPat
  set(0x0B, 0x0C, 5, kPictRuleFixed);        // OvSize, Origin
  set(0x0D, 0x0D, 3, kPictRuleFixed);        // TxSize
  set(0x0E, 0x0F, 5, kPictRuleFixed);        // FgColor, BkColor
  set(0x10, 0x10, 9, kPictRuleFixed);        // TxRatio
  set(0x11, 0x11, 2, kPictRuleVersion);      // Version
  set(0x12, 0x14, 1, kPictRulePixPattern);   // BkPixPat, PnPixPat, FillPixPat
  set(0x15, 0x16, 3, kPictRuleFixed);        // PnLocHFrac, ChExtra
  set(0x1A, 0x1B, 7, kPictRuleFixed);        // RGBFgCol, RGBBkCol
  set(0x1D, 0x1D, 7, kPictRuleFixed);        // HiliteColor
  set(0x1F, 0x1F, 7, kPictRuleFixed);        // OpColor
  set(0x20, 0x20, 9, kPictRuleFixed);        // Line
  set(0x21, 0x21, 5, kPictRuleFixed);        // LineFrom
  set(0x22, 0x22, 7, kPictRuleFixed);        // ShortLine
  set(0x23, 0x23, 3, kPictRuleFixed);        // ShortLineFrom
  set(0x24, 0x27, 3, kPictRuleLength16);     // reserved
  set(0x28, 0x28, 6, kPictRuleCountByte);    // LongText: point, count
  set(0x29, 0x2A, 3, kPictRuleCountByte);    // DHText, DVText: offset, count
  set(0x2B, 0x2B, 4, kPictRuleCountByte);    // DHDVText: offsets, count
  set(0x2C, 0x2F, 3, kPictRuleLength16);     // fontName, lineJustify, glyphState, reserved
  set(0x30, 0x37, 9, kPictRuleFixed);        // rectangles
  set(0x40, 0x47, 9, kPictRuleFixed);        // round rectangles
  set(0x50, 0x57, 9, kPictRuleFixed);        // ovals
  set(0x60, 0x67, 13, kPictRuleFixed);       // arcs
  set(0x68, 0x6F, 5, kPictRuleFixed);        // same arcs: the angles
  set(0x70, 0x77, 1, kPictRuleSizedRecord);  // polygons
  set(0x80, 0x87, 1, kPictRuleSizedRecord);  // regions
  set(0x90, 0x90, 1, kPictRuleBitsRect);
  set(0x91, 0x91, 1, kPictRuleBitsRgn);
  set(0x92, 0x97, 3, kPictRuleLength16);
  set(0x98, 0x98, 1, kPictRuleBitsRect);
  set(0x99, 0x99, 1, kPictRuleBitsRgn);
  set(0x9A, 0x9A, 1, kPictRuleDirectBitsRect);
  set(0x9B, 0x9B, 1, kPictRuleDirectBitsRgn);
  set(0x9C, 0x9F, 3, kPictRuleLength16);
  set(0xA0, 0xA0, 3, kPictRuleFixed);     // ShortComment
  set(0xA1, 0xA1, 5, kPictRuleLength16);  // LongComment: kind, length
  set(0xA2, 0xAF, 3, kPictRuleLength16);
  set(0xD0, 0xFE, 5, kPictRuleLength32);
  return d;
}

// Bytes of a pixel map's header after its rowBytes word: bounds, version,
// pack type and size, resolutions, pixel type and size, component count and
// size, plane bytes, table handle, reserved.
constexpr size_t kPixMapHeaderTail = 44;
constexpr size_t kColorTableEntryBytes = 8;

// The framing both row decoders share: the packed count, then `run` over the
// packed bytes that are really there. Answers the distance to the next row.
template <typename Runs>
size_t UnpackRow(const uint8_t* bytes, size_t length, size_t offset, size_t rowBytes, uint8_t* row, Runs run) {
  std::memset(row, 0, rowBytes);
  if (offset >= length) return 0;
  const size_t countBytes = rowBytes > 250 ? 2 : 1;
  if (length - offset < countBytes) return countBytes;
  const size_t packed = countBytes == 2 ? size_t(bytes[offset]) << 8 | bytes[offset + 1] : bytes[offset];
  const size_t start = offset + countBytes;
  const size_t stop = start + std::min(packed, length - start);
  run(bytes + start, bytes + stop, row, row + rowBytes);
  return countBytes + packed;
}

// Rows of a map, in order; the row buffer is at least `bufferBytes` long and
// zero beyond rowBytes.
struct RowWalk {
  enum Kind { kRaw, kPackBits, kWordRuns } kind = kRaw;
  size_t rowBytes = 0;
};

// The rows' end from their counts, without unpacking.
bool SkipRows(PictCursor& cursor, const RowWalk& walk, int rows) {
  for (int y = 0; y < rows; ++y) {
    if (walk.kind == RowWalk::kRaw) {
      if (!cursor.skip(walk.rowBytes)) return false;
    } else {
      const size_t count = walk.rowBytes > 250 ? cursor.u16() : cursor.u8();
      if (!cursor.skip(count)) return false;
    }
  }
  return cursor.ok();
}

struct MapHeader {
  bool isPixMap = false;
  size_t rowBytes = 0;
  QRect bounds;
  uint16_t packType = 0;
  uint16_t pixelSize = 1;
  uint16_t cmpCount = 1;
  std::vector<QRgb> colors;
};

bool ReadPixMapTail(PictCursor& cursor, MapHeader* header) {
  if (!cursor.has(kPixMapHeaderTail)) return false;
  header->bounds = cursor.rect();
  cursor.u16();  // version
  header->packType = cursor.u16();
  cursor.skip(12);  // pack size, resolutions
  cursor.u16();     // pixel type
  header->pixelSize = cursor.u16();
  header->cmpCount = cursor.u16();
  cursor.skip(14);  // component size, plane bytes, table, reserved
  return cursor.ok();
}

// The table's entries in order, their 16-bit channels' high bytes; the
// count must fit the data.
PictBitsResult ReadColorTable(PictCursor& cursor, std::vector<QRgb>* colors) {
  cursor.skip(6);  // seed, flags
  const size_t count = size_t(cursor.u16()) + 1;
  if (!cursor.ok()) return PictBitsResult::kTruncated;
  if (!cursor.has(count * kColorTableEntryBytes)) return PictBitsResult::kTruncated;
  colors->resize(count);
  for (size_t i = 0; i < count; ++i) {
    cursor.u16();  // the entry's value
    const int red = cursor.u16() >> 8;
    const int green = cursor.u16() >> 8;
    const int blue = cursor.u16() >> 8;
    (*colors)[i] = qRgb(red, green, blue);
  }
  return PictBitsResult::kOk;
}

// How the rows of a map are stored, or false for a kind that is not read.
bool RowWalkFor(const MapHeader& h, RowWalk* walk) {
  walk->rowBytes = h.rowBytes;
  const bool packed = h.rowBytes >= 8;
  if (!h.isPixMap) {
    walk->kind = packed ? RowWalk::kPackBits : RowWalk::kRaw;
    return true;
  }
  switch (h.pixelSize) {
    case 1:
    case 2:
    case 4:
    case 8:
      if (h.cmpCount != 1 || h.packType > 1 || h.colors.size() < 2) return false;
      walk->kind = packed ? RowWalk::kPackBits : RowWalk::kRaw;
      return true;
    case 16:  // pack type 0 is the default packing, 3
      if (h.cmpCount != 3 || (h.packType != 0 && h.packType != 3)) return false;
      walk->kind = packed ? RowWalk::kWordRuns : RowWalk::kRaw;
      return true;
    case 32:  // pack type 0 is the default packing, 4
      if ((h.cmpCount != 3 && h.cmpCount != 4) || (h.packType != 0 && h.packType != 4)) return false;
      walk->kind = packed ? RowWalk::kPackBits : RowWalk::kRaw;
      return true;
    default:
      return false;
  }
}

// The bytes one row's pixels need, whatever rowBytes says.
size_t NeededRowBytes(const MapHeader& h, const RowWalk& walk, int width) {
  const size_t w = size_t(width);
  if (!h.isPixMap) return (w + 7) / 8;
  if (h.pixelSize == 32) return walk.kind == RowWalk::kRaw ? w * 4 : w * h.cmpCount;
  return (w * h.pixelSize + 7) / 8;
}

void ConvertRow(const MapHeader& h, const RowWalk& walk, const uint8_t* row, int width, QRgb* out) {
  if (!h.isPixMap) {
    for (int x = 0; x < width; ++x) out[x] = (row[x >> 3] & (0x80 >> (x & 7))) ? qRgb(0, 0, 0) : qRgb(255, 255, 255);
    return;
  }
  switch (h.pixelSize) {
    case 16:
      for (int x = 0; x < width; ++x) {
        const unsigned word = unsigned(row[2 * x]) << 8 | row[2 * x + 1];
        auto expand = [](unsigned c) { return int(c << 3 | c >> 2); };
        out[x] = qRgb(expand(word >> 10 & 31), expand(word >> 5 & 31), expand(word & 31));
      }
      return;
    case 32:
      if (walk.kind == RowWalk::kRaw) {  // chunky: pad or alpha, red, green, blue
        for (int x = 0; x < width; ++x) {
          const uint8_t* p = row + 4 * x;
          out[x] = qPremultiply(qRgba(p[1], p[2], p[3], h.cmpCount == 4 ? p[0] : 255));
        }
      } else {  // component planes: alpha (with four components), red, green, blue
        const size_t w = size_t(width);
        const uint8_t* planes = row;
        const uint8_t* alpha = h.cmpCount == 4 ? planes : nullptr;
        if (alpha) planes += w;
        for (size_t x = 0; x < w; ++x)
          out[x] = qPremultiply(qRgba(planes[x], planes[w + x], planes[2 * w + x], alpha ? alpha[x] : 255));
      }
      return;
    default: {  // indexed; an index past the table gives its first entry
      const int depth = h.pixelSize;
      const int perByte = 8 / depth;
      const unsigned mask = (1u << depth) - 1;
      for (int x = 0; x < width; ++x) {
        const int shift = 8 - depth * (x % perByte + 1);
        const size_t index = (row[x / perByte] >> shift) & mask;
        out[x] = index < h.colors.size() ? h.colors[index] : h.colors[0];
      }
      return;
    }
  }
}

PictBitsResult DecodeRows(PictCursor& cursor, const MapHeader& h, const RowWalk& walk, QImage* image) {
  const int width = h.bounds.width();
  const int height = h.bounds.height();
  const size_t needed = NeededRowBytes(h, walk, width);
  std::vector<uint8_t> row(std::max(needed, walk.rowBytes) + 1, 0);
  const uint8_t* bytes = cursor.bytes();
  const size_t length = cursor.length();
  size_t offset = std::min(cursor.position(), length);
  for (int y = 0; y < height; ++y) {
    size_t step = 0;
    switch (walk.kind) {
      case RowWalk::kRaw:
        std::memset(row.data(), 0, walk.rowBytes);
        if (offset < length) std::memcpy(row.data(), bytes + offset, std::min(walk.rowBytes, length - offset));
        step = walk.rowBytes;
        break;
      case RowWalk::kPackBits:
        step = UnpackBits(bytes, length, offset, walk.rowBytes, row.data());
        break;
      case RowWalk::kWordRuns:
        step = UnpackWordRuns(bytes, length, offset, walk.rowBytes, row.data());
        break;
    }
    offset = step > length - offset ? length : offset + step;  // never wraps
    ConvertRow(h, walk, row.data(), width, reinterpret_cast<QRgb*>(image->scanLine(y)));
  }
  return PictBitsResult::kOk;
}

bool WithinCaps(const QRect& bounds) {
  const int64_t w = bounds.width();
  const int64_t h = bounds.height();
  return w <= kMaxPixmapSide && h <= kMaxPixmapSide && w * h <= ImageDecodePixelLimit();
}

}  // namespace

constinit const std::array<PictOpcodeDesc, 256> kOpcodeDescs = MakeOpcodeDescs();

bool PictCursor::skip(size_t count) {
  if (!has(count)) {
    m_ok = false;
    return false;
  }
  m_position += count;
  return true;
}

uint8_t PictCursor::u8() {
  if (!has(1)) {
    m_ok = false;
    return 0;
  }
  return m_bytes[m_position++];
}

uint16_t PictCursor::u16() {
  if (!has(2)) {
    m_ok = false;
    return 0;
  }
  const uint16_t v = uint16_t(m_bytes[m_position] << 8 | m_bytes[m_position + 1]);
  m_position += 2;
  return v;
}

uint32_t PictCursor::u32() {
  const uint32_t high = u16();
  return high << 16 | u16();
}

QRect PictCursor::rect() {
  const int top = s16();
  const int left = s16();
  const int bottom = s16();
  const int right = s16();
  return QRect(QPoint(left, top), QPoint(right - 1, bottom - 1));
}

size_t UnpackBits(const uint8_t* bytes, size_t length, size_t offset, size_t rowBytes, uint8_t* row) {
  return UnpackRow(bytes, length, offset, rowBytes, row,
                   [](const uint8_t* in, const uint8_t* stop, uint8_t* out, uint8_t* outEnd) {
                     while (in < stop && out < outEnd) {
                       const unsigned n = *in++;
                       if (n < 0x80) {
                         const size_t take = std::min<size_t>(n + 1u, size_t(stop - in));
                         const size_t count = std::min(take, size_t(outEnd - out));
                         std::memcpy(out, in, count);
                         out += count;
                         in += take;
                       } else if (n > 0x80) {
                         if (in >= stop) break;
                         const uint8_t value = *in++;
                         const size_t count = std::min<size_t>(257 - n, size_t(outEnd - out));
                         std::memset(out, value, count);
                         out += count;
                       }
                     }
                   });
}

size_t UnpackWordRuns(const uint8_t* bytes, size_t length, size_t offset, size_t rowBytes, uint8_t* row) {
  return UnpackRow(bytes, length, offset, rowBytes, row,
                   [](const uint8_t* in, const uint8_t* stop, uint8_t* out, uint8_t* outEnd) {
                     while (in < stop && out < outEnd) {
                       const unsigned flag = *in++;
                       if (flag < 0x80) {
                         const size_t want = 2 * size_t(flag + 1);
                         const size_t count = std::min<size_t>({want, size_t(stop - in), size_t(outEnd - out)});
                         std::memcpy(out, in, count);
                         out += count;
                         in += std::min(want, size_t(stop - in));
                       } else if (flag > 0x80) {
                         if (stop - in < 2) break;
                         const uint8_t high = in[0];
                         const uint8_t low = in[1];
                         in += 2;
                         for (unsigned i = 0; i < 0x101 - flag && out < outEnd; ++i) {
                           *out++ = high;
                           if (out < outEnd) *out++ = low;
                         }
                       }
                     }
                   });
}

PictBitsResult ReadBitsOpcode(PictCursor& cursor, uint32_t rule, bool decode, PictBitsOpcode* result) {
  MapHeader h;
  const bool direct = rule == kPictRuleDirectBitsRect || rule == kPictRuleDirectBitsRgn;
  if (direct) cursor.skip(4);  // base address
  const uint16_t rowWord = cursor.u16();
  h.isPixMap = direct || (rowWord & 0x8000);
  h.rowBytes = rowWord & 0x3FFF;
  if (h.isPixMap) {
    if (!ReadPixMapTail(cursor, &h)) return PictBitsResult::kTruncated;
    if (!direct) {
      const PictBitsResult table = ReadColorTable(cursor, &h.colors);
      if (table != PictBitsResult::kOk) return table;
    }
  } else {
    h.bounds = cursor.rect();
  }
  result->bounds = h.bounds;
  result->source = cursor.rect();
  result->destination = cursor.rect();
  cursor.u16();  // transfer mode
  if (rule == kPictRuleDirectBitsRgn || rule == kPictRuleBitsRgn) {
    const uint16_t size = cursor.u16();
    if (cursor.ok() && size < 2) return PictBitsResult::kUnsupported;
    cursor.skip(size - 2u);
  }
  if (!cursor.ok()) return PictBitsResult::kTruncated;

  RowWalk walk;
  if (!RowWalkFor(h, &walk)) return PictBitsResult::kUnsupported;
  if (!WithinCaps(h.bounds)) return PictBitsResult::kUnsupported;
  const int rows = std::max(h.bounds.height(), 0);
  PictCursor rowCursor = cursor;
  if (!SkipRows(rowCursor, walk, rows)) return PictBitsResult::kTruncated;
  result->end = rowCursor.position();
  if (decode && !h.bounds.isEmpty()) {
    result->image = CreateQuartzBitmap(h.bounds.width(), h.bounds.height());
    if (result->image.isNull()) return PictBitsResult::kUnsupported;
    const PictBitsResult rowsRead = DecodeRows(cursor, h, walk, &result->image);
    if (rowsRead != PictBitsResult::kOk) return rowsRead;
  }
  cursor = rowCursor;
  return PictBitsResult::kOk;
}

PictBitsResult SkipPixPattern(PictCursor& cursor) {
  const uint16_t type = cursor.u16();
  cursor.skip(8);  // the 1-bit pattern
  if (!cursor.ok()) return PictBitsResult::kTruncated;
  if (type == 2) return cursor.skip(6) ? PictBitsResult::kOk : PictBitsResult::kTruncated;  // dither colour
  if (type != 1) return PictBitsResult::kUnsupported;
  MapHeader h;
  h.isPixMap = true;
  h.rowBytes = cursor.u16() & 0x3FFF;
  if (!ReadPixMapTail(cursor, &h)) return PictBitsResult::kTruncated;
  const PictBitsResult table = ReadColorTable(cursor, &h.colors);
  if (table != PictBitsResult::kOk) return table;
  RowWalk walk;
  walk.rowBytes = h.rowBytes;
  walk.kind = h.rowBytes >= 8 ? RowWalk::kPackBits : RowWalk::kRaw;
  return SkipRows(cursor, walk, std::max(h.bounds.height(), 0)) ? PictBitsResult::kOk : PictBitsResult::kTruncated;
}
