#include "model/DRArrow.h"

#include <QBrush>
#include <QPen>
#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

#include "model/DRKeyTable.h"
#include "model/DRLineInfo.h"
#include "model/DRShadow.h"
#include "model/DRShadowContext.h"
#include "model/DRStyleClient.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/GraphicsHelpers.h"
#include "support/XmlHelpers.h"

namespace {

// Offsets are kept to hundredths of a line width.
constexpr MeasureUnit kArrowOffsetStep = 127;
// The standard heads' proportions: five line widths.
constexpr MeasureUnit kStandardOffset = 63500;
// The miter limit heads are stroked with (the platform's default).
constexpr double kArrowMiterLimit = 10.0;

MeasureUnit Negated(MeasureUnit value) {
  return value == std::numeric_limits<MeasureUnit>::min() ? std::numeric_limits<MeasureUnit>::max() : -value;
}

MeasureUnit Magnitude(MeasureUnit value) {
  return value < 0 ? Negated(value) : value;
}

// An offset in line widths times 12,700, in points for a line `width` wide.
double Scaled(MeasureUnit offset, double width) {
  return double(offset) / double(kMeasurePerPoint) * width;
}

QPen HeadPen(Kolor kolor, double width) {
  QPen pen(ColorFromKolor(kolor));
  pen.setCosmetic(false);
  pen.setWidthF(std::isfinite(width) ? std::max(width, kMinLineWidth) : kMinLineWidth);
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::MiterJoin);
  pen.setMiterLimit(kArrowMiterLimit);
  return pen;
}

// A rectangle whose zero sides count as one point.
QRectF AtLeastOnePoint(QRectF rect) {
  rect = rect.normalized();
  if (rect.width() == 0) rect.setWidth(1);
  if (rect.height() == 0) rect.setHeight(1);
  return rect;
}

}  // namespace

DRArrow::DRArrow(const DRArrow& other)
    : m_type(other.m_type),
      m_onStart(other.m_onStart),
      m_onEnd(other.m_onEnd),
      m_fill(other.m_fill),
      m_baseOffset(other.m_baseOffset),
      m_xControl(other.m_xControl),
      m_yControl(other.m_yControl),
      m_fillKolor(other.m_fillKolor),
      m_shiftEndPoints(other.m_shiftEndPoints) {}

DRArrow& DRArrow::operator=(const DRArrow& other) {
  m_type = other.m_type;
  m_onStart = other.m_onStart;
  m_onEnd = other.m_onEnd;
  m_fill = other.m_fill;
  m_baseOffset = other.m_baseOffset;
  m_xControl = other.m_xControl;
  m_yControl = other.m_yControl;
  m_fillKolor = other.m_fillKolor;
  m_shiftEndPoints = other.m_shiftEndPoints;
  // The element being drawn belongs to this arrow's own drawing call.
  return *this;
}

std::optional<DRArrow> DRArrow::standardArrow(int32_t type) {
  if (type < kArrowTypeBar || type > kArrowTypeClosed) return std::nullopt;
  DRArrow arrow;
  arrow.m_type = type;
  arrow.m_onEnd = 1;
  arrow.m_yControl = kStandardOffset;
  switch (type) {
    case kArrowTypeOpenHalf:
    case kArrowTypeOpen:
      arrow.m_xControl = -kStandardOffset;
      break;
    case kArrowTypeBall:
      arrow.m_fill = 1;
      break;
    case kArrowTypeClosedHalf:
    case kArrowTypeClosed:
      arrow.m_xControl = -kStandardOffset;
      arrow.m_baseOffset = kStandardOffset;
      arrow.m_fill = 1;
      break;
    default:
      break;
  }
  return arrow;
}

void DRArrow::setCanonicalForm() {
  m_baseOffset = usesBaseOffset() ? Magnitude(RoundMeasure(m_baseOffset, kArrowOffsetStep)) : 0;
  m_xControl = usesXControl() ? RoundMeasure(m_xControl, kArrowOffsetStep) : 0;
  m_yControl = RoundMeasure(m_yControl, kArrowOffsetStep);
  switch (m_type) {
    case kArrowTypeOpen:
    case kArrowTypeBall:
    case kArrowTypeClosed:
      // Symmetric heads: the sign says nothing.
      m_yControl = Magnitude(m_yControl);
      break;
    case kArrowTypeBar:
      // (x, -y) to (-x, y) is the same bar as (-x, y) to (x, -y).
      if (m_xControl < 0) {
        m_xControl = Negated(m_xControl);
        m_yControl = Negated(m_yControl);
      } else if (m_xControl == 0 && m_yControl < 0) {
        m_yControl = Negated(m_yControl);
      }
      break;
    default:
      // Half heads keep the sign: it picks the side of the line.
      break;
  }
  if (m_type >= kArrowTypeBar && m_type <= kArrowTypeOpen) {
    m_fill = 0;
    m_fillKolor = g_nilKolor;
  } else if (isClosedType() && m_fill == 0) {
    m_fillKolor = g_nilKolor;
  }
}

bool DRArrow::operator==(const DRArrow& other) const {
  if (m_type != other.m_type || m_onStart != other.m_onStart || m_onEnd != other.m_onEnd ||
      m_yControl != other.m_yControl) {
    return false;
  }
  if (usesXControl() && m_xControl != other.m_xControl) return false;
  if (usesBaseOffset() && m_baseOffset != other.m_baseOffset) return false;
  if (m_type >= kArrowTypeBall) {
    if (m_fill != other.m_fill) return false;
    if (m_fill != 0 && !AreKolorsEqual(m_fillKolor, other.m_fillKolor)) return false;
  }
  return true;
}

size_t DRArrow::hash() const {
  uint64_t hash = (uint64_t(uint8_t(m_onEnd)) << 16) | (uint64_t(uint8_t(m_onStart)) << 12) |
                  (uint64_t(uint32_t(m_type)) << 8) | uint64_t(m_yControl);
  if (usesXControl()) hash ^= uint64_t(m_xControl) * 2;
  if (usesBaseOffset()) hash ^= uint64_t(m_baseOffset) * 4;
  if (m_type >= kArrowTypeBall) {
    hash |= uint64_t(uint8_t(m_fill)) << 24;
    // Only a filled head's colour takes part in equality, so only it may
    // take part in the hash.
    if (m_fill != 0 && IsValidKolor(m_fillKolor)) hash ^= uint64_t(m_fillKolor);
  }
  return size_t(hash);
}

// ---- The "arrow" record ------------------------------------------------------------------

std::optional<DRArrow> DRArrow::initWithXml(CSXmlDecoder& decoder) {
  DRArrow arrow;
  // A record must name one of the kinds: one without a type would be
  // written back as a nameless one, which reads as no arrow. An unknown
  // name is still read to the record's end, so the owner's reader stays in
  // step.
  bool knownType = false;
  const bool read = ReadXmlChildren(decoder, kXmlArrow, [&arrow, &knownType](CSXmlDecoder& decoder) {
    switch (decoder.key()) {
      case kXmlType: {
        const int32_t key = decoder.decodeValue();
        if (key > kXmlArrowTypeBase && key <= kXmlArrowTypeBase + int32_t(kArrowTypeClosed)) {
          arrow.m_type = key - kXmlArrowTypeBase;
          knownType = true;
        } else {
          knownType = false;
        }
        break;
      }
      case kXmlStart:
        arrow.m_onStart = decoder.longValue() != 0 ? 1 : 0;
        break;
      case kXmlEnd:
        arrow.m_onEnd = decoder.longValue() != 0 ? 1 : 0;
        break;
      case kXmlFill:
        arrow.m_fill = decoder.longValue() != 0 ? 1 : 0;
        break;
      case kXmlColor:
        arrow.m_fillKolor = KolorFromString(decoder.value());
        break;
      case kXmlBase:
        arrow.m_baseOffset = decoder.longValue();
        break;
      case kXmlX:
        arrow.m_xControl = decoder.longValue();
        break;
      case kXmlY:
        arrow.m_yControl = decoder.longValue();
        break;
      default:
        break;
    }
  });
  if (!read || !knownType) return std::nullopt;
  arrow.setCanonicalForm();
  return arrow;
}

void DRArrow::archiveToXml(CSXmlEncoder& encoder) const {
  const bool named = m_type >= kArrowTypeBar && m_type <= kArrowTypeClosed;
  encoder.addTag(QStringLiteral("type"), named ? XmlTagForKey(kXmlArrowTypeBase + m_type) : QStringLiteral(""));
  if (m_onStart != 0) encoder.addTagWithNumber(QStringLiteral("start"), 1);
  if (m_onEnd != 0) encoder.addTagWithNumber(QStringLiteral("end"), 1);
  if (m_fill != 0) {
    encoder.addTagWithNumber(QStringLiteral("fill"), 1);
    if (IsValidKolor(m_fillKolor)) encoder.addTag(QStringLiteral("color"), NewKolorString(m_fillKolor));
  }
  if (m_baseOffset != 0) encoder.addTagWithLongNumber(QStringLiteral("base"), m_baseOffset);
  if (m_xControl != 0) encoder.addTagWithLongNumber(QStringLiteral("x"), m_xControl);
  if (m_yControl != 0) encoder.addTagWithLongNumber(QStringLiteral("y"), m_yControl);
}

// ---- One head ------------------------------------------------------------------------------

int DRArrow::getArrowPoints(Points points, double width, double* indent, Controls controlPoints,
                            int* controlCount) const {
  const double b = std::fabs(Scaled(m_baseOffset, width));
  const double x = Scaled(m_xControl, width);
  const double y = Scaled(m_yControl, width);
  const double h = width / 2;
  int count = 0;
  int controls = 0;
  double inset = 0;
  switch (m_type) {
    case kArrowTypeBar:
      if (x == 0) {
        points[0] = QPointF(h, -y);
        points[1] = QPointF(h, y);
      } else if (y == 0) {
        points[0] = QPointF(x, h);
        points[1] = QPointF(-x, h);
      } else {
        points[0] = QPointF(x, -y);
        points[1] = QPointF(-x, y);
      }
      count = 2;
      controlPoints[0] = points[0];
      controls = 1;
      inset = std::fabs(x);
      break;
    case kArrowTypeOpenHalf: {
      // The first point reaches back into the line so the barb joins it.
      const double shift = x == 0 ? h : 0;
      points[0] = QPointF(-h, 0);
      points[1] = QPointF(shift, 0);
      points[2] = QPointF(x + shift, -y);
      count = 3;
      controlPoints[0] = points[2];
      controls = 1;
      inset = std::max(x, 0.0);
      break;
    }
    case kArrowTypeOpen: {
      const double tip = x == 0 ? h : 0;
      const double barb = x == 0 ? h : x;
      points[0] = QPointF(barb, y);
      points[1] = QPointF(tip, 0);
      points[2] = QPointF(barb, -y);
      count = 3;
      controlPoints[0] = points[2];
      controls = 1;
      inset = std::max(x, 0.0);
      break;
    }
    case kArrowTypeBall: {
      const double r = std::fabs(y);
      points[0] = QPointF(r, 0);
      count = 1;
      controlPoints[0] = QPointF(r, -r);
      controls = 1;
      inset = 2 * r;
      break;
    }
    case kArrowTypeClosedHalf:
      points[0] = QPointF(0, 0);
      points[1] = QPointF(x + b, -y);
      points[2] = QPointF(b, 0);
      count = 3;
      controlPoints[0] = points[1];
      controlPoints[1] = points[2];
      controls = 2;
      inset = b + std::max(x, 0.0);
      break;
    case kArrowTypeClosed:
      points[0] = QPointF(0, 0);
      points[1] = QPointF(x + b, y);
      points[2] = QPointF(b, 0);
      points[3] = QPointF(x + b, -y);
      count = 4;
      controlPoints[0] = points[3];
      controlPoints[1] = points[2];
      controls = 2;
      inset = b + std::max(x, 0.0);
      break;
    default:
      break;
  }
  if (indent) *indent = inset;
  if (controlCount) *controlCount = controls;
  return count;
}

void DRArrow::adjustPoint(QPointF* point, const QPointF& from, const QPointF& originalFrom, double indent) const {
  // An indent of 0 (or none that makes sense) leaves the end where it is.
  if (!m_shiftEndPoints || !(indent > 0)) return;
  QPointF& p = *point;
  if (indent >= std::hypot(p.x() - from.x(), p.y() - from.y())) {
    p = from;  // the line vanishes under the head
    return;
  }
  const auto towards = [indent](double value, double target) {
    return target > value ? value + indent : target < value ? value - indent : value;
  };
  if (p.y() == originalFrom.y()) {
    p.setX(towards(p.x(), originalFrom.x()));
  } else if (p.x() == originalFrom.x()) {
    p.setY(towards(p.y(), originalFrom.y()));
  } else {
    const QPointF along = originalFrom - p;
    const double length = std::hypot(along.x(), along.y());
    if (length > 0 && std::isfinite(length)) p += along * (indent / length);
  }
}

int DRArrow::getAdjustedPoints(Points points, Controls controlPoints, int* controlCount, const QPointF& from,
                               const QPointF& originalFrom, QPointF* to, double width) const {
  const int degrees = DegreesFromEast(from, *to);
  double indent = 0;
  int controls = 0;
  const int count = getArrowPoints(points, width, &indent, controlPoints, &controls);
  adjustPoint(to, from, originalFrom, indent);
  const QPointF origin(0, 0);
  for (int i = 0; i < count; ++i) points[size_t(i)] = RotatePoint(points[size_t(i)], origin, degrees) + *to;
  for (int i = 0; i < controls; ++i) {
    controlPoints[size_t(i)] = RotatePoint(controlPoints[size_t(i)], origin, degrees) + *to;
  }
  if (controlCount) *controlCount = controls;
  return count;
}

QPainterPath DRArrow::bezierForArrowFrom(QPointF* tip, const QPointF& originalFrom, const QPointF& from,
                                         double width) const {
  std::array<QPointF, kMaxArrowPoints> points;
  std::array<QPointF, kMaxArrowControls> controls;
  int controlCount = 0;
  const int count = getAdjustedPoints(points, controls, &controlCount, from, originalFrom, tip, width);
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  if (count == 0) return path;
  if (m_type == kArrowTypeBall) {
    const double r = std::fabs(Scaled(m_yControl, width));
    path.addEllipse(points[0], r, r);
    return path;
  }
  path.moveTo(points[0]);
  for (int i = 1; i < count; ++i) path.lineTo(points[size_t(i)]);
  if (isClosedType()) path.closeSubpath();
  return path;
}

void DRArrow::drawArrowFrom(QPointF* tip, const QPointF& originalFrom, const QPointF& from, double width,
                            Kolor kolor) const {
  const QPainterPath path = bezierForArrowFrom(tip, originalFrom, from, width);
  if (path.isEmpty()) return;
  const QPen pen = HeadPen(kolor, width);
  if (m_fill != 0) {
    FillPathInContext(path, QBrush(ColorFromKolor(IsValidKolor(m_fillKolor) ? m_fillKolor : kolor)));
    const DRShadow* shadow = m_clientLine && !m_clientLine->isHitTesting() ? m_clientLine->shadowStyle() : nullptr;
    if (shadow) {
      // The fill has cast the head's shadow; the outline must not cast a
      // second one. Runs inside drawLineArrowsFrom's saved state.
      PopShadowContext();
      m_clientLine->resetShadow();
      StrokePathInContext(path, pen);
      m_clientLine->resetShadow();
      shadow->set();
      PushShadowContext();
      return;
    }
  }
  StrokePathInContext(path, pen);
}

// ---- Both heads ------------------------------------------------------------------------------

void DRArrow::drawLineArrowsFrom(QPointF* start, QPointF* end, double width, Kolor kolor, bool shiftPoints) const {
  PushShadowContext();
  m_shiftEndPoints = shiftPoints;
  const QPointF originalStart = *start;
  if (m_onStart != 0) drawArrowFrom(start, *end, *end, width, kolor);
  if (m_onEnd != 0) drawArrowFrom(end, originalStart, *start, width, kolor);
  m_shiftEndPoints = true;
  PopShadowContext();
}

void DRArrow::drawArrowsForLine(DRStyleClient* element, QPointF* start, QPointF* end) const {
  if (!element) return;
  const Kolor kolor = element->isHitTesting() ? g_blackKolor : element->lineStyle().kolor();
  m_clientLine = element;
  drawLineArrowsFrom(start, end, element->effectiveLineWidth(), kolor, true);
  m_clientLine = nullptr;
}

void DRArrow::insetForArrows(const DRStyleClient& element, QPointF* start, QPointF* end) const {
  std::array<QPointF, kMaxArrowPoints> points;
  std::array<QPointF, kMaxArrowControls> controls;
  double indent = 0;
  int controlCount = 0;
  getArrowPoints(points, element.effectiveLineWidth(), &indent, controls, &controlCount);
  if (element.shadowStyle() && indent != 0) indent = std::max(indent - 1, indent / 2);
  const QPointF originalStart = *start;
  if (m_onStart != 0) adjustPoint(start, *end, *end, indent);
  if (m_onEnd != 0) adjustPoint(end, *start, originalStart, indent);
}

QRectF DRArrow::boundsFrom(const QPointF& start, const QPointF& end, double width) const {
  QRectF bounds = AtLeastOnePoint(RectFromPoints(start, end));
  QPointF s = start;
  QPointF e = end;
  if (m_onStart != 0) {
    const QPainterPath head = bezierForArrowFrom(&s, end, end, width);
    if (!head.isEmpty()) bounds |= AtLeastOnePoint(head.boundingRect());
  }
  if (m_onEnd != 0) {
    const QPainterPath head = bezierForArrowFrom(&e, start, s, width);
    if (!head.isEmpty()) bounds |= AtLeastOnePoint(head.boundingRect());
  }
  return bounds;
}

int DRArrow::getControlPoints(Controls points, const QPointF& start, const QPointF& end, double width) const {
  std::array<QPointF, kMaxArrowPoints> headPoints;
  int count = 0;
  const bool shift = m_shiftEndPoints;
  m_shiftEndPoints = false;
  if (m_onEnd != 0) {
    QPointF tip = end;
    getAdjustedPoints(headPoints, points, &count, start, start, &tip, width);
  } else if (m_onStart != 0) {
    QPointF tip = start;
    getAdjustedPoints(headPoints, points, &count, end, end, &tip, width);
  }
  m_shiftEndPoints = shift;
  return count;
}

void DRArrow::drawSampleInRect(const QRectF& rect, double inset, Kolor kolor) const {
  constexpr double kSampleWidth = 1.0;
  PushShadowContext();
  const double y = rect.top() + std::floor(rect.height() / 2) + 0.5;
  QPointF start(rect.x() + inset, y);
  QPointF end(rect.x() + rect.width() - inset, y);
  drawLineArrowsFrom(&start, &end, kSampleWidth, kolor, true);
  QPainterPath line(start);
  line.lineTo(end);
  StrokePathInContext(line, HeadPen(kolor, kSampleWidth));
  PopShadowContext();
}
