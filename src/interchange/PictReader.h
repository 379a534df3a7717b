#pragma once
// The byte-level side of QuickDraw pictures: a checked big-endian cursor,
// the opcode table with its length rules, the PackBits and 16-bit run
// decoders, and the bit and pixel maps turned into bitmaps. Nothing here
// reads outside the bytes it is given.

#include <QImage>
#include <QRect>
#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

// How an opcode's length is found (the rule of its table entry).
enum PictLengthRule : uint32_t {
  kPictRuleFixed = 0,           // the fixed bytes only
  kPictRuleCountByte = 1,       // plus the count in the last fixed byte
  kPictRuleLength16 = 2,        // plus the 16-bit length ending the fixed bytes
  kPictRuleLength32 = 3,        // plus the 32-bit length ending the fixed bytes
  kPictRuleSizedRecord = 4,     // a 16-bit size that counts itself (regions, polygons)
  kPictRuleVersion = 5,         // the version opcode
  kPictRulePixPattern = 6,      // a pixel pattern
  kPictRuleDirectBitsRect = 7,  // direct pixels, rectangle form
  kPictRuleDirectBitsRgn = 8,   // direct pixels with a mask region
  kPictRuleBitsRect = 9,        // bits or indexed pixels, rectangle form
  kPictRuleBitsRgn = 10,        // bits or indexed pixels with a mask region
};

struct PictOpcodeDesc {
  uint16_t fixedBytes;  // the version-1 opcode byte plus the opcode's fixed data
  uint32_t rule;        // a PictLengthRule
};

// One entry for each opcode 0x00-0xFF.
extern const std::array<PictOpcodeDesc, 256> kOpcodeDescs;

// Reads big-endian values; a read past the end answers 0 and clears ok().
class PictCursor {
 public:
  PictCursor(const uint8_t* bytes, size_t length, size_t position = 0)
      : m_bytes(bytes), m_length(length), m_position(position) {}

  size_t position() const { return m_position; }
  size_t length() const { return m_length; }
  const uint8_t* bytes() const { return m_bytes; }
  bool ok() const { return m_ok; }
  // Whether `count` more bytes are there.
  bool has(size_t count) const { return m_ok && m_position <= m_length && count <= m_length - m_position; }
  bool skip(size_t count);
  uint8_t u8();
  uint16_t u16();
  int16_t s16() { return int16_t(u16()); }
  uint32_t u32();
  // A rectangle stored as top, left, bottom, right.
  QRect rect();

 private:
  const uint8_t* m_bytes;
  size_t m_length;
  size_t m_position;
  bool m_ok = true;
};

// Unpacks one PackBits-packed row starting at `offset` into `row` (`rowBytes`
// bytes). The row's packed byte count comes first, 16-bit when rowBytes is
// above 250, else one byte; then runs: n below 0x80 copies n + 1 bytes, n
// above 0x80 repeats the next byte 257 - n times, 0x80 does nothing. Output
// stops at rowBytes, input at the packed count or the end of the data; the
// rest of the row is zeros (all of it when the row starts past the data).
// Answers the count bytes plus the packed count: the distance to the next row.
size_t UnpackBits(const uint8_t* bytes, size_t length, size_t offset, size_t rowBytes, uint8_t* row);

// The same framing with runs of 16-bit words: a flag below 0x80 copies
// flag + 1 words, above 0x80 repeats the next word 0x101 - flag times, 0x80
// does nothing; output stops at rowBytes.
size_t UnpackWordRuns(const uint8_t* bytes, size_t length, size_t offset, size_t rowBytes, uint8_t* row);

// A bit or pixel map opcode (0x90, 0x91, 0x98, 0x99, 0x9A, 0x9B) read from
// the byte after its opcode.
struct PictBitsOpcode {
  QRect bounds;       // of the map, in its own coordinates
  QRect source;       // the part drawn
  QRect destination;  // where, in picture coordinates
  QImage image;       // the whole map; made only when asked for
  size_t end = 0;     // the offset just past the opcode's data
};

enum class PictBitsResult {
  kOk,
  kTruncated,    // the data ends inside the opcode: the walk ends there
  kUnsupported,  // a kind of map that is not read, or no memory: the conversion fails
};

// Reads the opcode's header, colour table, rectangles, mode, mask region and
// rows. With `decode` the map's pixels become `image` (ARGB32 premultiplied);
// maps beyond the pixmap caps or the decode pixel limit are unsupported.
PictBitsResult ReadBitsOpcode(PictCursor& cursor, uint32_t rule, bool decode, PictBitsOpcode* result);

// Walks a pixel pattern (opcodes 0x12-0x14) from the byte after its opcode:
// type 1 is 10 bytes and a pixel map, type 2 is 16 bytes, others are
// unsupported.
PictBitsResult SkipPixPattern(PictCursor& cursor);
