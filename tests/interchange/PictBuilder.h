#pragma once
// Builds QuickDraw pictures byte by byte for the converter's tests: the
// header and version opcode, then opcodes in the picture's own framing
// (bytes in version 1, even-aligned words in version 2), then the end.

#include <QByteArray>
#include <algorithm>
#include <cstdint>
#include <initializer_list>

class PictBuilder {
 public:
  // The frame as top, left, bottom, right.
  PictBuilder(int top, int left, int bottom, int right, bool version2 = false) : m_version2(version2) {
    s16(0);  // the size, filled in by finish()
    rect(top, left, bottom, right);
    if (version2) {
      raw({0x00, 0x11, 0x02, 0xFF});
      op(0x0C00);
      m_bytes.append(24, '\0');  // the version-2 header's data
    } else {
      raw({0x11, 0x01});
    }
  }

  PictBuilder& op(unsigned opcode) {
    if (m_version2) {
      if (m_bytes.size() & 1) m_bytes.append('\0');
      return u16(opcode);
    }
    return u8(opcode);
  }
  PictBuilder& u8(unsigned v) {
    m_bytes.append(char(v & 0xFF));
    return *this;
  }
  PictBuilder& u16(unsigned v) { return u8(v >> 8).u8(v); }
  PictBuilder& s16(int v) { return u16(unsigned(uint16_t(int16_t(v)))); }
  PictBuilder& u32(uint32_t v) { return u16(v >> 16).u16(v & 0xFFFF); }
  PictBuilder& rect(int top, int left, int bottom, int right) { return s16(top).s16(left).s16(bottom).s16(right); }
  PictBuilder& raw(std::initializer_list<int> bytes) {
    for (int b : bytes) u8(unsigned(b));
    return *this;
  }
  PictBuilder& raw(const QByteArray& bytes) {
    m_bytes.append(bytes);
    return *this;
  }
  // A pattern with `bits` of its 64 bits set.
  PictBuilder& pattern(int bits) {
    for (int i = 0; i < 8; ++i) u8(bits >= 8 * (i + 1) ? 0xFF : (0xFF00 >> std::max(bits - 8 * i, 0)) & 0xFF);
    return *this;
  }
  // The pixel-map header after rowBytes: bounds, version 0, the pack type,
  // 72 dpi, the pixel type, size and components.
  PictBuilder& pixMapTail(int top, int left, int bottom, int right, int packType, int pixelSize, int cmpCount) {
    rect(top, left, bottom, right).u16(0).u16(unsigned(packType)).u32(0).u32(0x00480000).u32(0x00480000);
    u16(pixelSize > 8 ? 16 : 0)
        .u16(unsigned(pixelSize))
        .u16(unsigned(cmpCount))
        .u16(pixelSize > 8 ? 8 : unsigned(pixelSize));
    return u32(0).u32(0).u32(0);
  }

  // The bytes with the end opcode; with `fileHeader` behind 512 zero bytes.
  QByteArray finish(bool fileHeader = false) {
    op(0xFF);
    QByteArray out = m_bytes;
    out[0] = char((out.size() >> 8) & 0xFF);
    out[1] = char(out.size() & 0xFF);
    return fileHeader ? QByteArray(512, '\0') + out : out;
  }
  // The bytes as they stand, without the end opcode.
  const QByteArray& bytes() const { return m_bytes; }

 private:
  QByteArray m_bytes;
  bool m_version2;
};
