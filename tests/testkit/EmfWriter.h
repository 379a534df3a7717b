#pragma once
// A small writer of Enhanced Metafile records for tests: a header, the
// records a test asks for, and an EOF record, with the header's byte and
// record counts filled in. Fields are little-endian; each record is padded
// to four bytes.

#include <QByteArray>
#include <QList>
#include <QPoint>
#include <QString>
#include <cstdint>

// Little-endian fields of one record's body.
class EmfBody {
 public:
  EmfBody& u8(uint8_t value);
  EmfBody& u16(uint16_t value);
  EmfBody& u32(uint32_t value);
  EmfBody& i32(int32_t value) { return u32(uint32_t(value)); }
  EmfBody& f32(float value);
  EmfBody& rect(int32_t left, int32_t top, int32_t right, int32_t bottom);
  EmfBody& bytes(const QByteArray& data);
  // UTF-16 units, padded with zeros to `units` when that is larger.
  EmfBody& utf16(const QString& text, int units = 0);
  const QByteArray& data() const { return m_data; }
  int size() const { return int(m_data.size()); }

 private:
  QByteArray m_data;
};

class EmfWriter {
 public:
  // Record types the tests name.
  enum : uint32_t {
    kPolyBezier = 2,
    kPolygon = 3,
    kPolyline = 4,
    kPolyPolygon = 8,
    kSetPolyFillMode = 19,
    kSetTextAlign = 22,
    kSetTextColor = 24,
    kMoveToEx = 27,
    kSaveDC = 33,
    kRestoreDC = 34,
    kSetWorldTransform = 35,
    kSelectObject = 37,
    kCreatePen = 38,
    kCreateBrushIndirect = 39,
    kDeleteObject = 40,
    kEllipse = 42,
    kRectangle = 43,
    kLineTo = 54,
    kBeginPath = 59,
    kEndPath = 60,
    kCloseFigure = 61,
    kFillPath = 62,
    kStrokeAndFillPath = 63,
    kStrokePath = 64,
    kStretchDIBits = 81,
    kExtCreateFontIndirectW = 82,
    kExtTextOutW = 84,
    kPolygon16 = 86,
    kPolyline16 = 87,
    kExtCreatePen = 95,
    kSmallTextOut = 108,
    kGradientFill = 118,
  };

  EmfWriter();

  // A record of the type with the body after its type and size.
  EmfWriter& record(uint32_t type, const EmfBody& body = EmfBody());
  // Raw bytes appended as they are (for damaged records).
  EmfWriter& raw(const QByteArray& bytes);

  EmfWriter& rectangle(int left, int top, int right, int bottom);
  EmfWriter& ellipse(int left, int top, int right, int bottom);
  // POLYGON, POLYLINE and the like: bounds, count, 32-bit or 16-bit points.
  EmfWriter& poly(uint32_t type, const QList<QPoint>& points, bool small = false);
  EmfWriter& polyPolygon(const QList<QList<QPoint>>& polygons);
  EmfWriter& moveTo(int x, int y);
  EmfWriter& lineTo(int x, int y);
  EmfWriter& createPen(uint32_t handle, uint32_t style, int width, uint32_t colorRef);
  EmfWriter& createBrush(uint32_t handle, uint32_t style, uint32_t colorRef);
  EmfWriter& selectObject(uint32_t handle);
  EmfWriter& deleteObject(uint32_t handle);
  EmfWriter& saveDC();
  EmfWriter& restoreDC(int relative);
  EmfWriter& setTextAlign(uint32_t align);
  EmfWriter& setTextColor(uint32_t colorRef);
  // EXTCREATEFONTINDIRECTW with the short logical font.
  EmfWriter& createFont(uint32_t handle, int height, const QString& face, int weight = 400, bool italic = false,
                        uint8_t charSet = 0);
  EmfWriter& extTextOutW(int x, int y, const QString& text);
  EmfWriter& setWorldTransform(float m11, float m12, float m21, float m22, float dx, float dy);
  // STRETCHDIBITS of a bitmap given as its header block and its bits.
  EmfWriter& stretchDIBits(int x, int y, int width, int height, const QByteArray& header, const QByteArray& bits);

  // The file: the records so far and an EOF record, with the header's size
  // and record count filled in.
  QByteArray finish() const;

 private:
  QByteArray m_records;
  uint32_t m_count = 1;
};
