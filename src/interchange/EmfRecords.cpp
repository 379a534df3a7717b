#include "interchange/EmfRecords.h"

#include <QFontMetricsF>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <cstring>
#include <exception>
#include <limits>

#include "interchange/Css.h"
#include "interchange/EmfDib.h"
#include "support/CSCore.h"
#include "support/Fonts.h"
#include "support/TextDrawing.h"

// ---- Paths ----

void EmfPath::moveTo(QPointF point) {
  m_elements.push_back({EmfPathElement::kMove, {point, {}, {}}});
}

void EmfPath::lineTo(QPointF point) {
  m_elements.push_back({EmfPathElement::kLine, {point, {}, {}}});
}

void EmfPath::curveTo(QPointF control1, QPointF control2, QPointF end) {
  m_elements.push_back({EmfPathElement::kCurve, {control1, control2, end}});
}

void EmfPath::close() {
  if (!m_elements.empty() && m_elements.back().kind != EmfPathElement::kClose)
    m_elements.push_back({EmfPathElement::kClose, {}});
}

void EmfPath::moveCurrentPoint(QPointF point) {
  if (!m_elements.empty() && m_elements.back().kind == EmfPathElement::kMove) {
    m_elements.back().points[0] = point;
  } else {
    moveTo(point);
  }
}

QPainterPath EmfPath::painterPath(bool evenOdd) const {
  QPainterPath path;
  path.setFillRule(evenOdd ? Qt::OddEvenFill : Qt::WindingFill);
  for (const EmfPathElement& element : m_elements) {
    switch (element.kind) {
      case EmfPathElement::kMove:
        path.moveTo(element.points[0]);
        break;
      case EmfPathElement::kLine:
        path.lineTo(element.points[0]);
        break;
      case EmfPathElement::kCurve:
        path.cubicTo(element.points[0], element.points[1], element.points[2]);
        break;
      case EmfPathElement::kClose:
        path.closeSubpath();
        break;
    }
  }
  return path;
}

QRectF EmfPath::bounds() const {
  // A path of lone moves still has a place; the painter path's bounds would
  // drop it.
  const QRectF drawn = painterPath(false).boundingRect();
  if (drawn.isValid() || m_elements.empty()) return drawn;
  return QRectF(m_elements.front().points[0], QSizeF(0, 0));
}

QPointF EmfDrawState::map(double x, double y) const {
  const float* t = transform;
  return QPointF(double(t[4]) + x * double(t[0]) + y * double(t[2]),
                 double(t[5]) + x * double(t[1]) + y * double(t[3]));
}

// ---- Text ----

QString StringFromCodePage1252(const uint8_t* bytes, size_t length) {
  // 0x80-0x9F differ from Latin-1; 0 marks the five unassigned codes,
  // which read as themselves.
  static constexpr char16_t kHigh[32] = {0x20AC, 0,      0x201A, 0x0192, 0x201E, 0x2026, 0x2020, 0x2021,
                                         0x02C6, 0x2030, 0x0160, 0x2039, 0x0152, 0,      0x017D, 0,
                                         0,      0x2018, 0x2019, 0x201C, 0x201D, 0x2022, 0x2013, 0x2014,
                                         0x02DC, 0x2122, 0x0161, 0x203A, 0x0153, 0,      0x017E, 0x0178};
  QString text;
  text.resize(qsizetype(length));
  for (size_t i = 0; i < length; ++i) {
    const uint8_t byte = bytes[i];
    char16_t unit = byte;
    if (byte >= 0x80 && byte < 0xA0 && kHigh[byte - 0x80] != 0) unit = kHigh[byte - 0x80];
    text[qsizetype(i)] = QChar(unit);
  }
  return text;
}

namespace {

// ---- Record types ----
enum : uint32_t {
  kEmrHeader = 1,
  kEmrPolyBezier = 2,
  kEmrPolygon = 3,
  kEmrPolyline = 4,
  kEmrPolyBezierTo = 5,
  kEmrPolylineTo = 6,
  kEmrPolyPolyline = 7,
  kEmrPolyPolygon = 8,
  kEmrEof = 14,
  kEmrSetPolyFillMode = 19,
  kEmrSetTextAlign = 22,
  kEmrSetTextColor = 24,
  kEmrSetBkColor = 25,
  kEmrMoveToEx = 27,
  kEmrSaveDC = 33,
  kEmrRestoreDC = 34,
  kEmrSetWorldTransform = 35,
  kEmrModifyWorldTransform = 36,
  kEmrSelectObject = 37,
  kEmrCreatePen = 38,
  kEmrCreateBrushIndirect = 39,
  kEmrDeleteObject = 40,
  kEmrAngleArc = 41,
  kEmrEllipse = 42,
  kEmrRectangle = 43,
  kEmrRoundRect = 44,
  kEmrArc = 45,
  kEmrLineTo = 54,
  kEmrArcTo = 55,
  kEmrPolyDraw = 56,
  kEmrSetMiterLimit = 58,
  kEmrBeginPath = 59,
  kEmrEndPath = 60,
  kEmrCloseFigure = 61,
  kEmrFillPath = 62,
  kEmrStrokeAndFillPath = 63,
  kEmrStrokePath = 64,
  kEmrAbortPath = 68,
  kEmrBitBlt = 76,
  kEmrStretchBlt = 77,
  kEmrMaskBlt = 78,
  kEmrPlgBlt = 79,
  kEmrSetDIBitsToDevice = 80,
  kEmrStretchDIBits = 81,
  kEmrExtCreateFontIndirectW = 82,
  kEmrExtTextOutA = 83,
  kEmrExtTextOutW = 84,
  kEmrPolyBezier16 = 85,
  kEmrPolygon16 = 86,
  kEmrPolyline16 = 87,
  kEmrPolyBezierTo16 = 88,
  kEmrPolylineTo16 = 89,
  kEmrPolyPolyline16 = 90,
  kEmrPolyPolygon16 = 91,
  kEmrPolyDraw16 = 92,
  kEmrExtCreatePen = 95,
  kEmrPolyTextOutA = 96,
  kEmrPolyTextOutW = 97,
  kEmrSmallTextOut = 108,
  kEmrAlphaBlend = 114,
  kEmrTransparentBlt = 116,
  kEmrGradientFill = 118,
};

// Text output options.
constexpr uint32_t kEtoNoRect = 0x100;
constexpr uint32_t kEtoSmallChars = 0x200;
constexpr uint32_t kEtoPdy = 0x2000;

// One record's bytes; every read is checked against its size.
class Record {
 public:
  Record(const uint8_t* bytes, uint32_t size) : m_bytes(bytes), m_size(size) {}
  uint32_t size() const { return m_size; }
  const uint8_t* bytes() const { return m_bytes; }
  bool has(uint64_t offset, uint64_t length) const { return offset <= m_size && length <= m_size - offset; }
  uint32_t u32(uint32_t offset) const {
    const uint8_t* p = m_bytes + offset;
    return uint32_t(p[0]) | uint32_t(p[1]) << 8 | uint32_t(p[2]) << 16 | uint32_t(p[3]) << 24;
  }
  int32_t i32(uint32_t offset) const { return int32_t(u32(offset)); }
  int16_t i16(uint32_t offset) const { return int16_t(uint16_t(m_bytes[offset] | m_bytes[offset + 1] << 8)); }
  uint16_t u16(uint32_t offset) const { return uint16_t(m_bytes[offset] | m_bytes[offset + 1] << 8); }
  float f32(uint32_t offset) const {
    const uint32_t word = u32(offset);
    float value;
    std::memcpy(&value, &word, sizeof value);
    return value;
  }

 private:
  const uint8_t* m_bytes;
  uint32_t m_size;
};

Kolor OpaqueKolor(uint32_t colorRef) {
  return MakeKolor(int(colorRef & 0xFF), int((colorRef >> 8) & 0xFF), int((colorRef >> 16) & 0xFF), 100);
}

// A brush's or pen brush's colour by its style: solid and hatched take it,
// null has none, anything else is black.
Kolor KolorForBrushStyle(uint32_t style, uint32_t colorRef) {
  if (style == 0 || style == 2) return OpaqueKolor(colorRef);
  if (style == 1) return g_nilKolor;
  return g_blackKolor;
}

enum ObjectKind : uint8_t { kObjectEmpty = 0, kObjectBrush = 1, kObjectFont = 2, kObjectPen = 3 };

struct PenValues {
  std::vector<double> dashPattern;
  Kolor kolor = g_blackKolor;
  double width = 1.0;
  double miterLimit = 10.0;
  int cap = 0;
  int join = 0;
  bool insideFrame = false;
};

struct FontValues {
  std::optional<QFont> font;
  bool underline = false;
  bool strikeOut = false;
};

struct DrawObject {
  ObjectKind kind = kObjectEmpty;
  Kolor brushKolor = g_nilKolor;
  PenValues pen;
  FontValues font;
};

QSizeF SizeOf(int64_t width, int64_t height) {
  return QSizeF(double(width), double(height));
}

class Interpreter {
 public:
  Interpreter(EmfCallback callback, void* context) : m_callback(callback), m_context(context) {
    m_state.font = DefaultUserFontOfSize(0);
  }

  // Interprets one record; false ends the walk (EOF).
  bool handle(uint32_t type, const Record& r);

 private:
  // ---- Points ----
  QPointF point32(const Record& r, uint32_t offset) const {
    return m_state.map(double(r.i32(offset)), double(r.i32(offset + 4)));
  }
  QPointF point16(const Record& r, uint32_t offset) const {
    return m_state.map(double(r.i16(offset)), double(r.i16(offset + 2)));
  }
  QPointF pointAt(const Record& r, uint32_t offset, bool small) const {
    return small ? point16(r, offset) : point32(r, offset);
  }
  // The points of a record: a count at `countOffset` and the points after
  // it; false when they do not fit in the record.
  bool readPoints(const Record& r, uint32_t countOffset, bool small, std::vector<QPointF>* points) const {
    if (!r.has(countOffset, 4)) return false;
    const uint64_t count = r.u32(countOffset);
    const uint64_t step = small ? 4 : 8;
    if (!r.has(countOffset + 4, count * step)) return false;
    points->clear();
    points->reserve(size_t(count));
    for (uint64_t i = 0; i < count; ++i) points->push_back(pointAt(r, uint32_t(countOffset + 4 + i * step), small));
    return true;
  }
  // A rectangle: the transformed top-left corner and the untransformed size.
  QRectF box(const Record& r, uint32_t offset) const {
    const int64_t left = r.i32(offset), top = r.i32(offset + 4), right = r.i32(offset + 8), bottom = r.i32(offset + 12);
    return QRectF(m_state.map(double(left), double(top)), SizeOf(right - left, bottom - top));
  }

  // ---- Paths ----
  EmfPath& pathForDrawing() {
    if (!m_path || m_pathFinished) newPath(m_current);
    return *m_path;
  }
  void newPath(QPointF start) {
    m_path.emplace();
    m_path->moveTo(start);
    m_pathFinished = false;
    ++m_pathSerial;
  }
  void dropPath() {
    m_path.reset();
    m_pathFinished = false;
  }
  void reportPath(int command) {
    if (!m_path) return;
    if (m_reportedSerial == m_pathSerial && m_reportedCommand == command) return;
    const QRectF bounds = m_path->bounds();
    if (bounds.right() <= 0 || bounds.bottom() <= 0) return;
    m_reportedSerial = m_pathSerial;
    m_reportedCommand = command;
    report(command, kEmfShapePath, EmfObject(static_cast<const EmfPath*>(&*m_path)), bounds);
  }
  // Outside a bracket a drawing record reports and finishes its path.
  // FILLPATH and its kin consume the path: later drawing starts anew.
  void reportClosedPath(int command) {
    reportPath(command);
    if (!m_inBracket) m_pathFinished = true;
  }
  void reportOutsideBracket(int command) {
    if (m_inBracket) return;
    reportPath(command);
    m_pathFinished = true;
  }
  void report(int command, int shapeKind, const EmfObject& object, const QRectF& bounds) {
    m_callback(command, shapeKind, object, m_state, m_context, bounds);
  }

  void polyBezier(const Record& r, bool small);
  void polygon(const std::vector<QPointF>& points);
  void polyline(const std::vector<QPointF>& points);
  void polyBezierTo(const std::vector<QPointF>& points);
  void polylineTo(const std::vector<QPointF>& points);
  void polyPoly(const Record& r, bool small, bool polygons);
  void polyDraw(const Record& r, bool small);
  void shape(int shapeKind, const QRectF& rect, QSizeF corner);
  void angleArc(const Record& r);
  void lineTo(QPointF point);

  // ---- Objects ----
  void createPen(uint32_t handle, uint32_t style, double width, uint32_t brushStyle, uint32_t colorRef,
                 std::vector<double> userStyle);
  void createFont(const Record& r);
  void storeObject(uint32_t handle, DrawObject object);
  void selectObject(uint32_t handle);
  void deleteObject(uint32_t handle);
  void applyPen(const PenValues& pen);
  void applyFont(const FontValues& font);
  void defaultPen() { applyPen(PenValues{}); }

  // ---- Text, bitmaps, gradients ----
  void text(const Record& r, uint32_t textOffset, bool wide);
  void drawText(const QString& string, QPointF reference);
  void bitmap(uint32_t type, const Record& r);
  void gradientFill(const Record& r);

  void setTransform(const QTransform& transform);
  QTransform transform() const {
    const float* t = m_state.transform;
    return QTransform(t[0], t[1], t[2], t[3], t[4], t[5]);
  }

  EmfCallback m_callback;
  void* m_context;
  EmfDrawState m_state;
  std::optional<EmfPath> m_path;
  uint64_t m_pathSerial = 0;
  uint64_t m_reportedSerial = 0;
  int m_reportedCommand = 0;
  bool m_pathFinished = false;
  bool m_inBracket = false;
  QPointF m_current;
  QPointF m_figureStart;
  std::vector<EmfDrawState> m_saved;
  std::vector<DrawObject> m_objects;
  uint32_t m_selected[4] = {0, 0, 0, 0};  // by object kind
  std::vector<QPointF> m_points;          // scratch
};

void Interpreter::polyBezier(const Record& r, bool small) {
  if (!readPoints(r, 24, small, &m_points) || m_points.empty()) return;
  m_current = m_points[0];
  if (m_inBracket) {
    // The curves start a figure of their own at the first point.
    EmfPath& path = pathForDrawing();
    if (path.elementCount() < 2) m_figureStart = m_current;
    path.moveCurrentPoint(m_current);
  } else {
    newPath(m_current);
  }
  for (size_t i = 1; i + 2 < m_points.size(); i += 3) {
    m_path->curveTo(m_points[i], m_points[i + 1], m_points[i + 2]);
    m_current = m_points[i + 2];
  }
  reportOutsideBracket(kEmfStroke);
}

void Interpreter::polygon(const std::vector<QPointF>& points) {
  if (points.empty()) return;
  if (!m_inBracket || !m_path) {
    newPath(points[0]);
  } else {
    m_path->moveCurrentPoint(points[0]);
  }
  for (size_t i = 1; i < points.size(); ++i) m_path->lineTo(points[i]);
  m_path->close();
  m_current = m_figureStart = points[0];
  reportOutsideBracket(kEmfFillAndStroke);
}

void Interpreter::polyline(const std::vector<QPointF>& points) {
  if (points.empty()) return;
  m_current = points[0];
  EmfPath& path = pathForDrawing();
  path.moveCurrentPoint(m_current);
  m_figureStart = m_current;
  for (size_t i = 1; i < points.size(); ++i) path.lineTo(points[i]);
  m_current = points.back();
  reportOutsideBracket(kEmfStroke);
}

void Interpreter::polyBezierTo(const std::vector<QPointF>& points) {
  EmfPath& path = pathForDrawing();
  for (size_t i = 0; i + 2 < points.size(); i += 3) {
    path.curveTo(points[i], points[i + 1], points[i + 2]);
    m_current = points[i + 2];
  }
  reportOutsideBracket(kEmfStroke);
}

void Interpreter::polylineTo(const std::vector<QPointF>& points) {
  EmfPath& path = pathForDrawing();
  for (const QPointF& point : points) path.lineTo(point);
  if (!points.empty()) m_current = points.back();
  reportOutsideBracket(kEmfStroke);
}

void Interpreter::polyPoly(const Record& r, bool small, bool polygons) {
  if (!r.has(24, 8)) return;
  const uint64_t polyCount = r.u32(24);
  const uint64_t pointCount = r.u32(28);
  const uint64_t step = small ? 4 : 8;
  if (!r.has(32, polyCount * 4)) return;
  const uint64_t pointsOffset = 32 + polyCount * 4;
  if (!r.has(pointsOffset, pointCount * step)) return;
  // The counts must add up to no more than the points the record holds.
  uint64_t sum = 0;
  for (uint64_t i = 0; i < polyCount; ++i) {
    sum += r.u32(uint32_t(32 + i * 4));
    if (sum > pointCount) return;
  }
  std::vector<QPointF> points;
  uint64_t next = 0;
  for (uint64_t i = 0; i < polyCount; ++i) {
    const uint64_t count = r.u32(uint32_t(32 + i * 4));
    points.clear();
    for (uint64_t k = 0; k < count; ++k, ++next)
      points.push_back(pointAt(r, uint32_t(pointsOffset + next * step), small));
    if (polygons) {
      polygon(points);
    } else if (!points.empty()) {
      // Each polyline in turn: lines to each of its points.
      EmfPath& path = pathForDrawing();
      m_current = points[0];
      path.moveCurrentPoint(m_current);
      for (size_t k = 1; k < points.size(); ++k) path.lineTo(points[k]);
      m_current = points.back();
      reportOutsideBracket(kEmfStroke);
    }
  }
}

void Interpreter::polyDraw(const Record& r, bool small) {
  if (!readPoints(r, 24, small, &m_points)) return;
  const uint64_t count = m_points.size();
  const uint64_t typesOffset = 28 + count * (small ? 4 : 8);
  if (!r.has(typesOffset, count)) return;
  const uint8_t* types = r.bytes() + typesOffset;
  for (size_t i = 0; i < count; ++i) {
    const uint8_t type = types[i];
    switch (type & 0xFE) {
      case 6:  // move
        m_current = m_figureStart = m_points[i];
        pathForDrawing().moveCurrentPoint(m_current);
        break;
      case 2:  // line
        pathForDrawing().lineTo(m_points[i]);
        m_current = m_points[i];
        break;
      case 4:  // curve: three points
        if (i + 2 >= count) return;
        pathForDrawing().curveTo(m_points[i], m_points[i + 1], m_points[i + 2]);
        i += 2;
        m_current = m_points[i];
        break;
      default:
        continue;
    }
    if (types[i] & 1) {
      m_path->close();
      m_current = m_figureStart;
    }
  }
  reportOutsideBracket(kEmfStroke);
}

void Interpreter::shape(int shapeKind, const QRectF& given, QSizeF corner) {
  // A rectangle without a pen covers one point less on each side.
  QRectF rect = given;
  if (shapeKind == kEmfShapeRectangle && !m_state.strokes()) rect.adjust(1, 1, -1, -1);
  if (m_inBracket) {
    QRectF area = rect;
    if (m_state.strokes()) {
      const double half = std::fabs(m_state.penWidth) / 2;
      area.adjust(half, half, -half, -half);
    }
    EmfPath& path = pathForDrawing();
    QPainterPath outline;
    if (shapeKind == kEmfShapeEllipse) {
      outline.addEllipse(area);
    } else if (shapeKind == kEmfShapeRoundRect) {
      outline.addRoundedRect(area, corner.width() / 2, corner.height() / 2);
    } else {
      outline.addRect(area);
    }
    for (int i = 0; i < outline.elementCount(); ++i) {
      const QPainterPath::Element e = outline.elementAt(i);
      if (e.isMoveTo()) {
        path.moveCurrentPoint(e);
      } else if (e.isLineTo()) {
        path.lineTo(e);
      } else if (e.isCurveTo() && i + 2 < outline.elementCount()) {
        path.curveTo(e, outline.elementAt(i + 1), outline.elementAt(i + 2));
        i += 2;
      }
    }
    path.close();
    return;
  }
  if (rect.right() <= 0 || rect.bottom() <= 0) return;
  EmfObject object;
  if (shapeKind == kEmfShapeRoundRect) object = corner;
  report(kEmfFillAndStroke, shapeKind, object, rect);
}

void Interpreter::angleArc(const Record& r) {
  if (!r.has(8, 20)) return;
  const QPointF centre = point32(r, 8);
  const double radius = double(r.u32(16));
  const double start = double(r.f32(20));
  const double sweep = double(r.f32(24));
  if (!std::isfinite(start) || !std::isfinite(sweep)) return;
  const QRectF circle(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius);
  // The start is taken as 360 - (start mod 360) in the y-down page's
  // angles, which turn clockwise: Qt's angles turn the other way, so they
  // take it negated, and a positive sweep runs counter-clockwise on the page.
  QPainterPath arc;
  const double from = 360.0 - std::fmod(start, 360.0);
  arc.arcMoveTo(circle, -from);
  const QPointF begin = arc.currentPosition();
  arc.arcTo(circle, -from, sweep);
  EmfPath& path = pathForDrawing();
  path.lineTo(begin);
  for (int i = 1; i < arc.elementCount(); ++i) {
    const QPainterPath::Element e = arc.elementAt(i);
    if (e.isLineTo()) {
      path.lineTo(e);
    } else if (e.isCurveTo() && i + 2 < arc.elementCount()) {
      path.curveTo(e, arc.elementAt(i + 1), arc.elementAt(i + 2));
      i += 2;
    }
  }
  m_current = arc.currentPosition();
  reportOutsideBracket(kEmfStroke);
}

void Interpreter::lineTo(QPointF point) {
  EmfPath& path = pathForDrawing();
  if (point != m_current) {
    path.lineTo(point);
    m_current = point;
  }
}

// ---- Objects ----

void Interpreter::createPen(uint32_t handle, uint32_t style, double width, uint32_t brushStyle, uint32_t colorRef,
                            std::vector<double> userStyle) {
  DrawObject object;
  object.kind = kObjectPen;
  PenValues& pen = object.pen;
  const uint32_t dash = style & 0xFF;
  pen.kolor = dash == 5 ? g_nilKolor : KolorForBrushStyle(brushStyle, colorRef);
  pen.cap = (style & 0x100) ? 2 : (style & 0x200) ? 0 : 1;
  pen.join = (style & 0x1000) ? 2 : (style & 0x2000) ? 0 : 1;
  switch (dash) {
    case 1:
      pen.dashPattern = {5, 2};
      break;
    case 2:
      pen.dashPattern = {1, 2};
      break;
    case 3:
      pen.dashPattern = {5, 2, 1, 2};
      break;
    case 4:
      pen.dashPattern = {5, 2, 1, 2, 1, 2};
      break;
    case 6:
      pen.insideFrame = true;
      break;
    case 7: {
      // A user style that sums to nothing draws solid.
      double sum = 0;
      for (double entry : userStyle) sum += entry;
      if (sum > 0) pen.dashPattern = std::move(userStyle);
      break;
    }
    case 8:
      pen.dashPattern = {1, 1};
      break;
    default:
      break;
  }
  pen.width = std::fabs(width);
  storeObject(handle, std::move(object));
}

void Interpreter::createFont(const Record& r) {
  // The handle, then the logical font: height, width, escapement,
  // orientation, weight, italic, underline, strike-out, character set, three
  // precision bytes, pitch and family, the face name (32 UTF-16 units), and
  // in the longer form the full name (64).
  if (!r.has(8, 4 + 28 + 64)) return;
  const uint32_t handle = r.u32(8);
  const int32_t height = r.i32(12);
  const int32_t weight = r.i32(28);
  const bool italic = r.bytes()[32] != 0;
  FontValues values;
  values.underline = r.bytes()[33] != 0;
  values.strikeOut = r.bytes()[34] != 0;
  const uint8_t charSet = r.bytes()[35];
  const bool fixedPitch = (r.bytes()[39] & 1) != 0;
  auto name = [&r](uint32_t offset, int units) {
    QString text;
    for (int i = 0; i < units; ++i) {
      const char16_t unit = char16_t(r.u16(offset + 2 * uint32_t(i)));
      if (unit == 0) break;
      text.append(QChar(unit));
    }
    return text;
  };
  QString faceName;
  if (r.size() >= 333 && r.has(104, 128)) faceName = name(104, 64);
  if (faceName.isEmpty()) faceName = name(40, 32);

  double size = 12;
  if (height != 0) {
    size = std::round((std::fabs(double(height)) / 1.388 + 0.49) * 2) / 2;
    size = std::clamp(size, 4.0, kEmfMaxFontSize);
  }
  int level = 5;
  if (weight != 0 && weight != 400) {
    const double w = std::clamp(double(weight), 0.0, 1000.0);
    level = w < 400 ? int(std::rint(w * 5 / 400)) : 5 + int(std::rint((w - 400) * 10 / 600));
  }
  if (charSet < 3 || charSet == 77) {
    bool substituted = false;
    const QString mapped = MapFontName(faceName, &substituted);
    QFont font = FontWithName(mapped, size);
    font.setWeight(FontWeightForLevel(std::clamp(level, 0, 15)));
    font.setItalic(italic);
    if (fixedPitch) font.setFixedPitch(true);
    values.font = font;
  }
  DrawObject object;
  object.kind = kObjectFont;
  object.font = std::move(values);
  storeObject(handle, std::move(object));
}

void Interpreter::storeObject(uint32_t handle, DrawObject object) {
  if (handle == 0 || handle >= kEmfMaxObjectHandles) return;
  if (handle >= m_objects.size()) m_objects.resize(size_t(handle) + 1);
  m_objects[handle] = std::move(object);
}

void Interpreter::applyPen(const PenValues& pen) {
  m_state.dashPattern = pen.dashPattern;
  m_state.penKolor = pen.kolor;
  m_state.penWidth = pen.width;
  m_state.miterLimit = pen.miterLimit;
  m_state.lineCap = pen.cap;
  m_state.lineJoin = pen.join;
  m_state.insideFrame = pen.insideFrame;
}

void Interpreter::applyFont(const FontValues& font) {
  m_state.font = font.font;
  m_state.underline = font.underline;
  m_state.strikeOut = font.strikeOut;
}

void Interpreter::selectObject(uint32_t handle) {
  if (handle & 0x80000000u) {
    const uint32_t stock = handle & 0x7FFFFFFFu;
    static constexpr Kolor kBrushes[6] = {g_whiteKolor,    g_lightGrayKolor, g_grayKolor,
                                          g_darkGrayKolor, g_blackKolor,     g_nilKolor};
    if (stock <= 5) {
      m_state.brushKolor = kBrushes[stock];
    } else if (stock >= 6 && stock <= 8) {
      PenValues pen;
      pen.kolor = stock == 6 ? g_whiteKolor : stock == 7 ? g_blackKolor : g_nilKolor;
      applyPen(pen);
    } else if (stock == 10 || stock == 11 || stock == 16) {
      applyFont(FontValues{FontWithName(QStringLiteral("Courier"), 12), false, false});
    } else if (stock == 12 || stock == 14) {
      applyFont(FontValues{DefaultUserFontOfSize(0), false, false});
    } else if (stock == 13 || stock == 17) {
      applyFont(FontValues{SystemFont(SystemFontSize()), false, false});
    }
    // 18 and 19 select the current brush and pen: nothing changes.
    return;
  }
  if (handle == 0 || handle >= m_objects.size()) return;
  const DrawObject& object = m_objects[handle];
  switch (object.kind) {
    case kObjectBrush:
      m_state.brushKolor = object.brushKolor;
      break;
    case kObjectFont:
      applyFont(object.font);
      break;
    case kObjectPen:
      applyPen(object.pen);
      break;
    default:
      return;
  }
  m_selected[object.kind] = handle;
}

void Interpreter::deleteObject(uint32_t handle) {
  if (handle == 0 || handle >= m_objects.size()) return;
  DrawObject& object = m_objects[handle];
  const ObjectKind kind = object.kind;
  object = DrawObject{};
  if (kind == kObjectEmpty || m_selected[kind] != handle) return;
  m_selected[kind] = 0;
  switch (kind) {
    case kObjectBrush:
      m_state.brushKolor = g_nilKolor;
      break;
    case kObjectPen:
      defaultPen();
      break;
    case kObjectFont:
      applyFont(FontValues{DefaultUserFontOfSize(0), false, false});
      break;
    default:
      break;
  }
}

// ---- Text ----

// One text block (ptlReference, nChars, offString, options, rcl, offDx) at
// `textOffset`; answers through `drawText`.
void Interpreter::text(const Record& r, uint32_t textOffset, bool wide) {
  if (!r.has(textOffset, 40)) return;
  const QPointF reference(double(r.i32(textOffset)), double(r.i32(textOffset + 4)));
  const uint64_t count = r.u32(textOffset + 8);
  const uint64_t offset = r.u32(textOffset + 12);
  const uint32_t options = r.u32(textOffset + 16);
  QString string;
  if (options & kEtoSmallChars) {
    if (!r.has(offset, count)) return;
    string = StringFromCodePage1252(r.bytes() + offset, size_t(count));
  } else if (wide) {
    if (!r.has(offset, count * 2)) return;
    string.resize(qsizetype(count));
    for (uint64_t i = 0; i < count; ++i) string[qsizetype(i)] = QChar(r.u16(uint32_t(offset + 2 * i)));
  } else {
    if (!r.has(offset, count)) return;
    string = QString::fromLatin1(reinterpret_cast<const char*>(r.bytes() + offset), qsizetype(count));
  }
  drawText(string, reference);
}

void Interpreter::drawText(const QString& string, QPointF reference) {
  // Texts of no characters (often only an opaque background) draw nothing.
  if (!m_state.font || string.isEmpty()) return;
  const QFont& font = *m_state.font;
  const QSizeF size = SizeOfTextInFont(string, font);
  const double width = size.width();
  const double height = size.height();
  QPointF at = m_state.updateCurrentPosition ? m_current : m_state.map(reference.x(), reference.y());
  double x = at.x();
  if (m_state.textAlignment == kEmfAlignCenter) x -= width / 2;
  if (m_state.textAlignment == kEmfAlignRight) x -= width;
  double top = at.y();
  if (m_state.baseline) {
    top = at.y() - QFontMetricsF(font, TextReferenceDevice()).ascent();
  } else if (m_state.bottom) {
    top = at.y() - height;
  }
  if (m_state.updateCurrentPosition) {
    if (m_state.textAlignment == kEmfAlignRight) {
      m_current.rx() -= width;
    } else if (m_state.textAlignment == kEmfAlignCenter) {
      m_current.rx() -= width / 2;
    } else {
      m_current.rx() += width;
    }
  }
  const QRectF box(x, top, width, height);
  if (box.right() > 0 && box.bottom() > 0) report(kEmfText, kEmfShapeNone, EmfObject(string), box);
}

// ---- Bitmaps ----

void Interpreter::bitmap(uint32_t type, const Record& r) {
  // Where each record keeps its destination and its bitmap: the destination
  // x, y, width and height, the header block's offset and size, the bits'
  // offset and size, and the record's least size.
  struct Layout {
    uint32_t x, y, width, height, headerOffset, headerSize, bitsOffset, bitsSize, minSize;
  };
  Layout layout{};
  switch (type) {
    case kEmrBitBlt:
    case kEmrStretchBlt:
    case kEmrMaskBlt:
    case kEmrAlphaBlend:
    case kEmrTransparentBlt:
      layout = {24, 28, 32, 36, 84, 88, 92, 96, 100};
      break;
    case kEmrPlgBlt:
      layout = {24, 28, 0, 0, 96, 100, 104, 108, 112};
      break;
    case kEmrSetDIBitsToDevice:
      layout = {24, 28, 40, 44, 48, 52, 56, 60, 76};
      break;
    case kEmrStretchDIBits:
      layout = {24, 28, 72, 76, 48, 52, 56, 60, 80};
      break;
    default:
      return;
  }
  if (r.size() < layout.minSize) return;
  const uint64_t headerOffset = r.u32(layout.headerOffset), headerSize = r.u32(layout.headerSize);
  const uint64_t bitsOffset = r.u32(layout.bitsOffset), bitsSize = r.u32(layout.bitsSize);
  if (headerSize == 0 || bitsSize == 0 || !r.has(headerOffset, headerSize) || !r.has(bitsOffset, bitsSize)) return;
  int64_t width = 0, height = 0;
  const double x = r.i32(layout.x), y = r.i32(layout.y);
  if (type == kEmrPlgBlt) {
    // The parallelogram's first corner and its two sides from it.
    width = int64_t(r.i32(32)) - r.i32(24);
    height = int64_t(r.i32(44)) - r.i32(28);
  } else {
    width = r.i32(layout.width);
    height = r.i32(layout.height);
  }
  const std::optional<EmfImageRecord> image =
      DecodeDib(r.bytes() + headerOffset, size_t(headerSize), r.bytes() + bitsOffset, size_t(bitsSize));
  if (!image) return;
  const QSizeF own = image->image.size();
  QSizeF size = SizeOf(width, height);
  if (size.width() <= 0) size.setWidth(own.width());
  if (size.height() <= 0) size.setHeight(own.height());
  if (!(size.width() > 0 && size.height() > 0)) return;
  const QRectF destination(m_state.map(x, y), size);
  if (destination.right() <= 0 || destination.bottom() <= 0) return;
  report(kEmfImage, kEmfShapeNone, EmfObject(&*image), destination);
}

// ---- Gradients ----

void Interpreter::gradientFill(const Record& r) {
  if (!r.has(24, 12)) return;
  const uint64_t vertexCount = r.u32(24);
  const uint64_t meshCount = r.u32(28);
  const uint32_t mode = r.u32(32);
  if (vertexCount == 0 || meshCount == 0 || mode > 2) return;
  const uint64_t meshOffset = 36 + vertexCount * 16;
  const uint64_t meshSize = mode == 2 ? 12 : 8;
  if (!r.has(36, vertexCount * 16) || !r.has(meshOffset, meshCount * meshSize)) return;
  struct Vertex {
    QPointF point;
    Kolor kolor;
  };
  auto vertex = [&](uint64_t index) {
    const uint32_t at = uint32_t(36 + index * 16);
    const uint32_t alpha = r.u16(at + 14);
    const int opacity = 100 - int(uint64_t(alpha) * 100 / 65535);
    const Kolor kolor =
        MakeKolor(r.u16(at + 8) >> 8, r.u16(at + 10) >> 8, r.u16(at + 12) >> 8, 0) | Kolor(uint32_t(opacity) << 24);
    return Vertex{point32(r, at), kolor};
  };
  const EmfDrawState saved = m_state;
  for (uint64_t m = 0; m < meshCount; ++m) {
    const uint32_t at = uint32_t(meshOffset + m * meshSize);
    const uint64_t count = mode == 2 ? 3 : 2;
    uint64_t indices[3] = {0, 0, 0};
    bool valid = true;
    for (uint64_t k = 0; k < count; ++k) {
      indices[k] = r.u32(uint32_t(at + 4 * k));
      if (indices[k] >= vertexCount) valid = false;
    }
    if (!valid) continue;  // an index past the vertices names nothing
    if (mode == 2) {
      Vertex v[3] = {vertex(indices[0]), vertex(indices[1]), vertex(indices[2])};
      if (v[0].kolor == g_nilKolor) v[0].kolor = v[2].kolor;
      if (v[1].kolor == g_nilKolor) v[1].kolor = v[2].kolor;
      EmfPath triangle;
      triangle.moveTo(v[0].point);
      triangle.lineTo(v[1].point);
      triangle.lineTo(v[2].point);
      triangle.close();
      const QRectF bounds = triangle.bounds();
      m_state.brushGradient.reset();
      int command = kEmfFill;
      if (bounds.isEmpty()) {
        m_state.penKolor = v[0].kolor;
        m_state.penWidth = 1;
        m_state.dashPattern.clear();
        command = kEmfStroke;
      } else if (v[0].kolor != v[1].kolor) {
        CSGradient gradient;
        gradient.setRadial(true);
        gradient.setStops({{0, v[0].kolor}, {kGradientStopScale, v[1].kolor}});
        m_state.brushGradient = gradient;
        // The gradient is the brush: no plain colour stands in for it.
        m_state.brushKolor = g_nilKolor;
      } else {
        m_state.brushKolor = v[0].kolor;
      }
      if (bounds.right() > 0 && bounds.bottom() > 0)
        report(command, kEmfShapePath, EmfObject(static_cast<const EmfPath*>(&triangle)), bounds);
    } else {
      const Vertex first = vertex(indices[0]);
      const Vertex second = vertex(indices[1]);
      m_state.brushKolor = g_nilKolor;
      const QRectF rect = QRectF(first.point, second.point).normalized();
      if (rect.width() <= 0 || rect.height() <= 0) {
        EmfPath line;
        line.moveTo(first.point);
        line.lineTo(second.point);
        m_state.brushGradient.reset();
        m_state.penKolor = first.kolor;
        m_state.penWidth = 1;
        m_state.dashPattern.clear();
        const QRectF bounds = line.bounds();
        if (bounds.right() > 0 && bounds.bottom() > 0)
          report(kEmfStroke, kEmfShapePath, EmfObject(static_cast<const EmfPath*>(&line)), bounds);
      } else {
        CSGradient gradient;
        if (mode == 0) gradient.setLinearAngle(270 * 12700);
        gradient.setStops({{0, first.kolor}, {kGradientStopScale, second.kolor}});
        m_state.brushGradient = gradient;
        if (rect.right() > 0 && rect.bottom() > 0) report(kEmfFill, kEmfShapeRectangle, EmfObject(), rect);
      }
    }
  }
  m_state = saved;
}

void Interpreter::setTransform(const QTransform& t) {
  const double values[6] = {t.m11(), t.m12(), t.m21(), t.m22(), t.dx(), t.dy()};
  for (double value : values) {
    if (!std::isfinite(value) || std::fabs(value) > double(std::numeric_limits<float>::max())) return;
  }
  for (int i = 0; i < 6; ++i) m_state.transform[i] = float(values[i]);
}

QTransform TransformAt(const Record& r, uint32_t offset) {
  return QTransform(r.f32(offset), r.f32(offset + 4), r.f32(offset + 8), r.f32(offset + 12), r.f32(offset + 16),
                    r.f32(offset + 20));
}

bool FiniteTransform(const QTransform& t) {
  return std::isfinite(t.m11()) && std::isfinite(t.m12()) && std::isfinite(t.m21()) && std::isfinite(t.m22()) &&
         std::isfinite(t.dx()) && std::isfinite(t.dy());
}

// ---- The record table ----

bool Interpreter::handle(uint32_t type, const Record& r) {
  switch (type) {
    case kEmrEof:
      return false;
    case kEmrPolyBezier:
    case kEmrPolyBezier16:
      polyBezier(r, type == kEmrPolyBezier16);
      break;
    case kEmrPolygon:
    case kEmrPolygon16:
      if (readPoints(r, 24, type == kEmrPolygon16, &m_points)) polygon(m_points);
      break;
    case kEmrPolyline:
    case kEmrPolyline16:
      if (readPoints(r, 24, type == kEmrPolyline16, &m_points)) polyline(m_points);
      break;
    case kEmrPolyBezierTo:
    case kEmrPolyBezierTo16:
      if (readPoints(r, 24, type == kEmrPolyBezierTo16, &m_points)) polyBezierTo(m_points);
      break;
    case kEmrPolylineTo:
    case kEmrPolylineTo16:
      if (readPoints(r, 24, type == kEmrPolylineTo16, &m_points)) polylineTo(m_points);
      break;
    case kEmrPolyPolyline:
    case kEmrPolyPolyline16:
      polyPoly(r, type == kEmrPolyPolyline16, false);
      break;
    case kEmrPolyPolygon:
    case kEmrPolyPolygon16:
      polyPoly(r, type == kEmrPolyPolygon16, true);
      break;
    case kEmrSetPolyFillMode:
      if (r.has(8, 4)) m_state.evenOdd = r.u32(8) == 1;
      break;
    case kEmrSetTextAlign:
      if (r.has(8, 4)) {
        const uint32_t align = r.u32(8);
        m_state.textAlignment = (align & 6) == 6 ? kEmfAlignCenter : (align & 6) == 2 ? kEmfAlignRight : kEmfAlignLeft;
        m_state.updateCurrentPosition = (align & 1) != 0;
        m_state.baseline = (align & 0x10) != 0;
        m_state.bottom = (align & 0x18) == 0x08;
      }
      break;
    case kEmrSetTextColor:
      if (r.has(8, 4)) m_state.penKolor = OpaqueKolor(r.u32(8));
      break;
    case kEmrSetBkColor:
      if (r.has(8, 4)) m_state.brushKolor = OpaqueKolor(r.u32(8));
      break;
    case kEmrMoveToEx:
      if (r.has(8, 8)) {
        m_current = m_figureStart = point32(r, 8);
        if (m_path) m_path->moveCurrentPoint(m_current);
      }
      break;
    case kEmrSaveDC:
      if (m_saved.size() < kEmfMaxSavedStates) m_saved.push_back(m_state);
      break;
    case kEmrRestoreDC:
      // Only the latest save is restored, whatever the relative index says.
      if (!m_saved.empty()) {
        m_state = std::move(m_saved.back());
        m_saved.pop_back();
      }
      break;
    case kEmrSetWorldTransform:
      if (r.has(8, 24)) {
        const QTransform t = TransformAt(r, 8);
        if (FiniteTransform(t)) setTransform(t);
      }
      break;
    case kEmrModifyWorldTransform:
      if (r.has(8, 28)) {
        const QTransform t = TransformAt(r, 8);
        if (!FiniteTransform(t)) break;
        switch (r.u32(32)) {
          case 1:
            setTransform(QTransform());
            break;
          case 2:
            setTransform(t * transform());
            break;
          case 3:
            setTransform(transform() * t);
            break;
          case 4:
            setTransform(t);
            break;
          default:
            break;
        }
      }
      break;
    case kEmrSelectObject:
      if (r.has(8, 4)) selectObject(r.u32(8));
      break;
    case kEmrCreatePen:
      if (r.has(8, 20)) createPen(r.u32(8), r.u32(12), double(r.i32(16)), 0, r.u32(24), {});
      break;
    case kEmrCreateBrushIndirect:
      if (r.has(8, 12)) {
        DrawObject object;
        object.kind = kObjectBrush;
        object.brushKolor = KolorForBrushStyle(r.u32(12), r.u32(16));
        storeObject(r.u32(8), std::move(object));
      }
      break;
    case kEmrDeleteObject:
      if (r.has(8, 4)) deleteObject(r.u32(8));
      break;
    case kEmrAngleArc:
      angleArc(r);
      break;
    case kEmrEllipse:
    case kEmrRectangle:
      if (r.has(8, 16)) shape(type == kEmrEllipse ? kEmfShapeEllipse : kEmfShapeRectangle, box(r, 8), QSizeF());
      break;
    case kEmrRoundRect:
      if (r.has(8, 24)) shape(kEmfShapeRoundRect, box(r, 8), SizeOf(r.i32(24), r.i32(28)));
      break;
    case kEmrArcTo:
      if (r.has(8, 32)) m_current = point32(r, 32);
      break;
    case kEmrLineTo:
      if (r.has(8, 8)) lineTo(point32(r, 8));
      break;
    case kEmrPolyDraw:
    case kEmrPolyDraw16:
      polyDraw(r, type == kEmrPolyDraw16);
      break;
    case kEmrSetMiterLimit:
      if (r.has(8, 4)) m_state.miterLimit = double(r.u32(8));
      break;
    case kEmrBeginPath:
      newPath(m_current);
      m_figureStart = m_current;
      m_inBracket = true;
      break;
    case kEmrEndPath:
      m_inBracket = false;
      break;
    case kEmrCloseFigure:
      if (m_path) {
        m_path->close();
        m_current = m_figureStart;
        if (!m_inBracket) reportPath(kEmfFill);
      }
      break;
    case kEmrFillPath:
      if (m_path) {
        const std::vector<EmfPathElement>& elements = m_path->elements();
        if (elements.size() > 1 && elements.back().kind != EmfPathElement::kMove &&
            elements.back().kind != EmfPathElement::kClose)
          m_path->close();
        reportClosedPath(kEmfFill);
      }
      break;
    case kEmrStrokeAndFillPath:
      reportClosedPath(kEmfFillAndStroke);
      break;
    case kEmrStrokePath:
      reportClosedPath(kEmfStroke);
      break;
    case kEmrAbortPath:
      dropPath();
      break;
    case kEmrBitBlt:
    case kEmrStretchBlt:
    case kEmrMaskBlt:
    case kEmrPlgBlt:
    case kEmrSetDIBitsToDevice:
    case kEmrStretchDIBits:
    case kEmrAlphaBlend:
    case kEmrTransparentBlt:
      bitmap(type, r);
      break;
    case kEmrExtCreateFontIndirectW:
      createFont(r);
      break;
    case kEmrExtTextOutA:
    case kEmrExtTextOutW:
      text(r, 36, type == kEmrExtTextOutW);
      break;
    case kEmrExtCreatePen:
      if (r.has(8, 48)) {
        const uint64_t entries = r.u32(48);
        if (!r.has(52, entries * 4)) break;
        std::vector<double> style;
        if ((r.u32(28) & 0xFF) == 7) {
          style.reserve(size_t(entries));
          for (uint64_t i = 0; i < entries; ++i) style.push_back(double(r.u32(uint32_t(52 + 4 * i))));
        }
        createPen(r.u32(8), r.u32(28), double(r.u32(32)), r.u32(36), r.u32(40), std::move(style));
      }
      break;
    case kEmrPolyTextOutA:
    case kEmrPolyTextOutW: {
      if (r.size() <= 40) break;
      const bool wide = type == kEmrPolyTextOutW;
      const uint64_t strings = r.u32(36);
      uint64_t at = 40;
      for (uint64_t i = 0; i < strings && r.has(at, 40); ++i) {
        text(r, uint32_t(at), wide);
        const uint64_t count = r.u32(uint32_t(at + 8));
        const uint64_t charsEnd = uint64_t(r.u32(uint32_t(at + 12))) + count * (wide ? 2 : 1);
        const uint64_t spacing = (r.u32(uint32_t(at + 16)) & kEtoPdy) ? 8 : 4;
        const uint64_t spacingEnd = uint64_t(r.u32(uint32_t(at + 36))) + count * spacing;
        const uint64_t next = std::max(charsEnd, spacingEnd);
        if (next <= at) break;  // blocks only move forward
        at = next;
      }
      break;
    }
    case kEmrSmallTextOut: {
      if (!r.has(8, 28)) break;
      const QPointF reference(double(r.i32(8)), double(r.i32(12)));
      const uint64_t count = r.u32(16);
      const uint32_t options = r.u32(20);
      const uint64_t offset = (options & kEtoNoRect) ? 36 : 52;
      QString string;
      if (options & kEtoSmallChars) {
        if (!r.has(offset, count)) break;
        string = StringFromCodePage1252(r.bytes() + offset, size_t(count));
      } else {
        if (!r.has(offset, count * 2)) break;
        string.resize(qsizetype(count));
        for (uint64_t i = 0; i < count; ++i) string[qsizetype(i)] = QChar(r.u16(uint32_t(offset + 2 * i)));
      }
      drawText(string, reference);
      break;
    }
    case kEmrGradientFill:
      gradientFill(r);
      break;
    default:
      break;
  }
  return true;
}

}  // namespace

bool ImportEmf(const uint8_t* bytes, size_t length, EmfCallback callback, void* context, QString* error) {
  if (error) error->clear();
  if (!bytes || ImageFormatFromBuffer(bytes, length) != kImageFormatEMF) {
    if (error) *error = QStringLiteral("This does not appear to be an EMF image.");
    return false;
  }
  try {
    Interpreter interpreter(callback, context);
    size_t offset = 0;
    while (length - offset >= kEmfMinRecordSize) {
      const Record head(bytes + offset, kEmfMinRecordSize);
      const uint32_t type = head.u32(0);
      const uint32_t size = head.u32(4);
      if (size < kEmfMinRecordSize) {
        // The walk cannot step past such a record.
        LogString("ImportEmf failed: record of %@ bytes at offset %@", qulonglong(size), qulonglong(offset));
        break;
      }
      if (size > length - offset) break;
      if (offset > 0 && !interpreter.handle(type, Record(bytes + offset, size))) break;
      offset += size;
    }
  } catch (const std::exception& exception) {
    LogException(exception, QStringLiteral("ImportEmf failed"));
  }
  return true;
}
