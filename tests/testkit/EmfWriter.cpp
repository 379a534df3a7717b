#include "testkit/EmfWriter.h"

#include <cstring>

EmfBody& EmfBody::u8(uint8_t value) {
  m_data.append(char(value));
  return *this;
}

EmfBody& EmfBody::u16(uint16_t value) {
  m_data.append(char(value & 0xFF));
  m_data.append(char(value >> 8));
  return *this;
}

EmfBody& EmfBody::u32(uint32_t value) {
  for (int shift = 0; shift < 32; shift += 8) m_data.append(char((value >> shift) & 0xFF));
  return *this;
}

EmfBody& EmfBody::f32(float value) {
  uint32_t word = 0;
  std::memcpy(&word, &value, sizeof word);
  return u32(word);
}

EmfBody& EmfBody::rect(int32_t left, int32_t top, int32_t right, int32_t bottom) {
  return i32(left).i32(top).i32(right).i32(bottom);
}

EmfBody& EmfBody::bytes(const QByteArray& data) {
  m_data.append(data);
  return *this;
}

EmfBody& EmfBody::utf16(const QString& text, int units) {
  for (QChar c : text) u16(c.unicode());
  for (qsizetype i = text.size(); i < units; ++i) u16(0);
  return *this;
}

namespace {

void Put32(QByteArray& data, int offset, uint32_t value) {
  for (int i = 0; i < 4; ++i) data[offset + i] = char((value >> (8 * i)) & 0xFF);
}

}  // namespace

EmfWriter::EmfWriter() {
  EmfBody header;
  header
      .rect(0, 0, 100, 100)    // bounds
      .rect(0, 0, 2540, 2540)  // frame
      .u32(0x464D4520)         // " EMF"
      .u32(0x10000)            // version
      .u32(0)                  // bytes, filled in by finish()
      .u32(0)                  // records, filled in by finish()
      .u16(16)                 // handles
      .u16(0)                  // reserved
      .u32(0)
      .u32(0)
      .u32(0)  // description and palette
      .i32(1024)
      .i32(768)  // device
      .i32(320)
      .i32(240)  // millimetres
      .u32(0)
      .u32(0)
      .u32(0)  // pixel format, OpenGL
      .i32(320000)
      .i32(240000);  // micrometres
  m_records.append(EmfBody().u32(1).u32(uint32_t(8 + header.size())).data());
  m_records.append(header.data());
}

EmfWriter& EmfWriter::record(uint32_t type, const EmfBody& body) {
  QByteArray data = body.data();
  while (data.size() % 4 != 0) data.append('\0');
  m_records.append(EmfBody().u32(type).u32(uint32_t(8 + data.size())).data());
  m_records.append(data);
  ++m_count;
  return *this;
}

EmfWriter& EmfWriter::raw(const QByteArray& bytes) {
  m_records.append(bytes);
  ++m_count;
  return *this;
}

EmfWriter& EmfWriter::rectangle(int left, int top, int right, int bottom) {
  return record(kRectangle, EmfBody().rect(left, top, right, bottom));
}

EmfWriter& EmfWriter::ellipse(int left, int top, int right, int bottom) {
  return record(kEllipse, EmfBody().rect(left, top, right, bottom));
}

EmfWriter& EmfWriter::poly(uint32_t type, const QList<QPoint>& points, bool small) {
  EmfBody body;
  body.rect(0, 0, 0, 0).u32(uint32_t(points.size()));
  for (const QPoint& p : points) {
    if (small) {
      body.u16(uint16_t(int16_t(p.x()))).u16(uint16_t(int16_t(p.y())));
    } else {
      body.i32(p.x()).i32(p.y());
    }
  }
  return record(type, body);
}

EmfWriter& EmfWriter::polyPolygon(const QList<QList<QPoint>>& polygons) {
  EmfBody body;
  qsizetype total = 0;
  for (const auto& polygon : polygons) total += polygon.size();
  body.rect(0, 0, 0, 0).u32(uint32_t(polygons.size())).u32(uint32_t(total));
  for (const auto& polygon : polygons) body.u32(uint32_t(polygon.size()));
  for (const auto& polygon : polygons) {
    for (const QPoint& p : polygon) body.i32(p.x()).i32(p.y());
  }
  return record(kPolyPolygon, body);
}

EmfWriter& EmfWriter::moveTo(int x, int y) {
  return record(kMoveToEx, EmfBody().i32(x).i32(y));
}

EmfWriter& EmfWriter::lineTo(int x, int y) {
  return record(kLineTo, EmfBody().i32(x).i32(y));
}

EmfWriter& EmfWriter::createPen(uint32_t handle, uint32_t style, int width, uint32_t colorRef) {
  return record(kCreatePen, EmfBody().u32(handle).u32(style).i32(width).i32(0).u32(colorRef));
}

EmfWriter& EmfWriter::createBrush(uint32_t handle, uint32_t style, uint32_t colorRef) {
  return record(kCreateBrushIndirect, EmfBody().u32(handle).u32(style).u32(colorRef).u32(0));
}

EmfWriter& EmfWriter::selectObject(uint32_t handle) {
  return record(kSelectObject, EmfBody().u32(handle));
}

EmfWriter& EmfWriter::deleteObject(uint32_t handle) {
  return record(kDeleteObject, EmfBody().u32(handle));
}

EmfWriter& EmfWriter::saveDC() {
  return record(kSaveDC);
}

EmfWriter& EmfWriter::restoreDC(int relative) {
  return record(kRestoreDC, EmfBody().i32(relative));
}

EmfWriter& EmfWriter::setTextAlign(uint32_t align) {
  return record(kSetTextAlign, EmfBody().u32(align));
}

EmfWriter& EmfWriter::setTextColor(uint32_t colorRef) {
  return record(kSetTextColor, EmfBody().u32(colorRef));
}

EmfWriter& EmfWriter::createFont(uint32_t handle, int height, const QString& face, int weight, bool italic,
                                 uint8_t charSet) {
  EmfBody body;
  body.u32(handle).i32(height).i32(0).i32(0).i32(0).i32(weight);
  body.u8(italic ? 1 : 0).u8(0).u8(0).u8(charSet).u8(0).u8(0).u8(0).u8(0);
  body.utf16(face.left(31), 32);
  return record(kExtCreateFontIndirectW, body);
}

EmfWriter& EmfWriter::extTextOutW(int x, int y, const QString& text) {
  // Bounds, graphics mode and scales, then the text block: reference,
  // count, string offset, options, clipping rectangle, spacing offset.
  constexpr uint32_t kStringOffset = 76;
  EmfBody body;
  body.rect(0, 0, 0, 0).u32(1).f32(1).f32(1);
  body.i32(x).i32(y).u32(uint32_t(text.size())).u32(kStringOffset).u32(0).rect(0, 0, 0, 0).u32(0);
  body.utf16(text);
  return record(kExtTextOutW, body);
}

EmfWriter& EmfWriter::setWorldTransform(float m11, float m12, float m21, float m22, float dx, float dy) {
  return record(kSetWorldTransform, EmfBody().f32(m11).f32(m12).f32(m21).f32(m22).f32(dx).f32(dy));
}

EmfWriter& EmfWriter::stretchDIBits(int x, int y, int width, int height, const QByteArray& header,
                                    const QByteArray& bits) {
  constexpr uint32_t kFixed = 80;
  const uint32_t headerOffset = kFixed;
  const uint32_t bitsOffset = headerOffset + uint32_t(header.size());
  EmfBody body;
  body.rect(0, 0, 0, 0).i32(x).i32(y).i32(0).i32(0).i32(0).i32(0);
  body.u32(headerOffset).u32(uint32_t(header.size())).u32(bitsOffset).u32(uint32_t(bits.size()));
  body.u32(0).u32(0x00CC0020).i32(width).i32(height);
  body.bytes(header).bytes(bits);
  return record(kStretchDIBits, body);
}

QByteArray EmfWriter::finish() const {
  QByteArray data = m_records;
  // EOF: no palette entries, their offset, and the record's size again.
  data.append(EmfBody().u32(14).u32(20).u32(0).u32(16).u32(20).data());
  Put32(data, 48, uint32_t(data.size()));
  Put32(data, 52, m_count + 1);
  return data;
}
