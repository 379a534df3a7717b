#include "model/DRElementPolygon.h"

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>

#include "model/DRElementHostingView.h"
#include "model/DRKeyTable.h"
#include "model/GraphicHelpers.h"
#include "model/SpecialtyDrawing.h"
#include "pixmap/CSPixmap.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/GraphicsContext.h"
#include "support/GraphicsHelpers.h"

namespace {

MeasureUnit Clamp128(__int128 value) {
  if (value > std::numeric_limits<MeasureUnit>::max()) return std::numeric_limits<MeasureUnit>::max();
  if (value < std::numeric_limits<MeasureUnit>::min()) return std::numeric_limits<MeasureUnit>::min();
  return MeasureUnit(value);
}

double Length(CSPoint a, CSPoint b) {
  return std::hypot(double(a.x) - double(b.x), double(a.y) - double(b.y));
}

// Samples of one flattened segment: t from 0 by 0.05 up to 1.
QPointF CubicAt(const QPointF& p0, const QPointF& c1, const QPointF& c2, const QPointF& p1, double t) {
  const double u = 1 - t;
  return u * u * u * p0 + 3 * u * u * t * c1 + 3 * u * t * t * c2 + t * t * t * p1;
}

// The growth of a reshaping polygon's bounds that keeps its control
// handles inside the redrawn area: 2 x 9 points x the triangle's ratio.
constexpr MeasureUnit kReshapeHandleMargin = 263964;
constexpr double kTriangleRatio = 1.154700517654419;

}  // namespace

DRControlPair SetControlPair(CSPoint p0, CSPoint p1, CSPoint p2) {
  const double a0 = double(MeasureFromDouble(0.2 * Length(p1, p0)));
  const double b0 = double(MeasureFromDouble(0.2 * Length(p1, p2)));
  const double sx = p2.x > p0.x ? 1 : -1;
  const double sy = p2.y > p0.y ? 1 : -1;
  DRControlPair pair;
  if (p2.x == p0.x) {
    pair.in = CSPoint{p1.x, MeasureFromDouble(double(p1.y) - a0 * sy)};
    pair.out = CSPoint{p1.x, MeasureFromDouble(double(p1.y) + b0 * sy)};
    return pair;
  }
  const double m = (double(p2.y) - double(p0.y)) / (double(p2.x) - double(p0.x));
  const double k = std::sqrt(m * m + 1);
  const double a = double(MeasureFromDouble(a0 / k));
  const double b = double(MeasureFromDouble(b0 / k));
  pair.in = CSPoint{MeasureFromDouble(double(p1.x) - sx * a), MeasureFromDouble(double(p1.y) - a * std::abs(m) * sy)};
  pair.out = CSPoint{MeasureFromDouble(double(p1.x) + sx * b), MeasureFromDouble(double(p1.y) + b * std::abs(m) * sy)};
  return pair;
}

CSPoint SeesawPoint(CSPoint o, CSPoint v, CSPoint m) {
  const double length = Length(o, v);
  const double sy = m.y < v.y ? 1 : -1;
  if (m.x == v.x) return CSPoint{v.x, MeasureFromDouble(double(v.y) + sy * length)};
  const double slope = (double(m.y) - double(v.y)) / (double(m.x) - double(v.x));
  const double a = double(MeasureFromDouble(length / std::sqrt(slope * slope + 1)));
  const MeasureUnit x = MeasureFromDouble(m.x < v.x ? double(v.x) + a : double(v.x) - a);
  return CSPoint{x, MeasureFromDouble(double(v.y) + sy * a * std::abs(slope))};
}

DRElementPolygon::DRElementPolygon() : DRElementPolygon(kElementPolygon) {}

DRElementPolygon::DRElementPolygon(int32_t elementType) : DRElementScribble(elementType) {
  m_controlPairs.reserve(20);
}

void DRElementPolygon::copyFrom(const DRElement& other) {
  DRElementScribble::copyFrom(other);
  const auto& polygon = static_cast<const DRElementPolygon&>(other);
  setCurves(polygon.m_curves);
  if (m_curves) m_controlPairs = polygon.m_controlPairs;
  m_closedForSvgFill = polygon.m_closedForSvgFill;
}

uint64_t DRElementPolygon::curvePointCount() const {
  return m_curves && m_controlPairs.size() == points().size() ? m_controlPairs.size() : 0;
}

void DRElementPolygon::setCurves(bool curves) {
  m_curves = curves;
  m_controlPairs.clear();
  const std::vector<CSPoint>& p = points();
  const size_t n = p.size();
  if (!curves || n < 2) return;
  const bool closed = isClosed();
  for (size_t k = 0; k < n; ++k) {
    const CSPoint prev = k == 0 ? (closed ? p[n - 1] : p[0]) : p[k - 1];
    const CSPoint next = k == n - 1 ? (closed ? p[0] : p[n - 1]) : p[k + 1];
    m_controlPairs.push_back(SetControlPair(prev, p[k], next));
  }
}

void DRElementPolygon::addControlPoint() {
  const std::vector<CSPoint>& p = points();
  const size_t n = p.size();
  if (!m_curves || n < 3) return;
  const size_t c = m_controlPairs.size();
  if (c == 0) {
    setCurves(true);
  } else if (c == n - 1) {
    const bool closed = isClosed();
    m_controlPairs.push_back(SetControlPair(p[n - 2], p[n - 1], closed ? p[0] : p[n - 1]));
    m_controlPairs[n - 2] = SetControlPair(p[n - 3], p[n - 2], p[n - 1]);
    if (closed) m_controlPairs[0] = SetControlPair(p[n - 1], p[0], p[1]);
  }
}

void DRElementPolygon::addControlPointsForAngles() {
  m_curves = true;
  const std::vector<CSPoint>& p = points();
  const size_t n = p.size();
  if (n == 1) {
    m_controlPairs.push_back(DRControlPair{p[0], p[0]});
    return;
  }
  for (size_t k = 0; k < n; ++k) {
    const CSPoint prev = k == 0 ? p[0] : p[k - 1];
    const CSPoint next = k + 1 == n ? p[0] : p[k + 1];
    m_controlPairs.push_back(DRControlPair{InterpolateLineThird(p[k], prev), InterpolateLineThird(p[k], next)});
  }
}

void DRElementPolygon::addAnglePointWithCurves(CSPoint point) {
  if (points().empty()) return;
  const size_t last = points().size() - 1;
  const CSPoint lastPoint = points()[last];
  if (last < m_controlPairs.size()) m_controlPairs[last].out = InterpolateLineThird(lastPoint, point);
  points().push_back(point);
  const CSPoint first = points()[0];
  m_controlPairs.push_back(DRControlPair{InterpolateLineThird(point, lastPoint), InterpolateLineThird(first, point)});
  m_controlPairs[0].in = InterpolateLineThird(first, point);
}

void DRElementPolygon::moveControlPairs(size_t first, size_t last, MeasureUnit dx, MeasureUnit dy) {
  for (size_t i = first; i <= last && i < m_controlPairs.size(); ++i) {
    DRControlPair& pair = m_controlPairs[i];
    pair.in = CSPoint{Clamp128(__int128(pair.in.x) + dx), Clamp128(__int128(pair.in.y) + dy)};
    pair.out = CSPoint{Clamp128(__int128(pair.out.x) + dx), Clamp128(__int128(pair.out.y) + dy)};
  }
}

void DRElementPolygon::setUnderConstruction(bool underConstruction) {
  DRElementScribble::setUnderConstruction(underConstruction);
  if (!m_curves) return;
  const std::vector<CSPoint>& p = points();
  const size_t n = p.size();
  const size_t c = m_controlPairs.size();
  const MeasureUnit dx = underConstruction ? frame().x : Clamp128(-__int128(frame().x));
  const MeasureUnit dy = underConstruction ? frame().y : Clamp128(-__int128(frame().y));
  if (n <= 1) {
    m_controlPairs.clear();
  } else if (n > c) {
    setCurves(true);
  } else if (n == c) {
    moveControlPairs(0, c - 1, dx, dy);
  } else {
    // Closing dropped the last vertex: its pair goes, and the pairs at the
    // closing segment are smoothed across it.
    const bool closed = isClosed();
    m_controlPairs.resize(n);
    const size_t first = closed ? 1 : 0;
    if (n >= 2 && first <= n - 2) moveControlPairs(first, n - 2, dx, dy);
    m_controlPairs[n - 1] = SetControlPair(p[n - 2], p[n - 1], closed ? p[0] : p[n - 1]);
    if (closed) m_controlPairs[0] = SetControlPair(p[n - 1], p[0], p[1]);
  }
}

void DRElementPolygon::setClosed(bool closed) {
  if (closed == isClosed()) return;
  DRElementScribble::setClosed(closed);
  const std::vector<CSPoint>& p = points();
  const size_t n = p.size();
  if (!closed || !m_curves || m_noBusyBody || n < 2 || m_controlPairs.size() != n) return;
  m_controlPairs[0].in = SetControlPair(p[n - 1], p[0], p[1]).in;
  m_controlPairs[n - 1].out = SetControlPair(p[n - 2], p[n - 1], p[0]).out;
}

// ---- Paths ------------------------------------------------------------------------------------------

QPainterPath DRElementPolygon::bezierForRect(const QRectF& rect, bool forceClosed) const {
  const uint64_t k = curvePointCount();
  if (k == 0) return DRElementScribble::bezierForRect(rect, forceClosed);
  const QPointF size = originalSizeInView();
  const std::vector<CSPoint>& p = points();
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  path.moveTo(convertPoint(p[0], rect, size));
  for (size_t i = 1; i < k; ++i) {
    path.cubicTo(convertPoint(m_controlPairs[i - 1].out, rect, size), convertPoint(m_controlPairs[i].in, rect, size),
                 convertPoint(p[i], rect, size));
  }
  if (forceClosed) {
    path.cubicTo(convertPoint(m_controlPairs[k - 1].out, rect, size), convertPoint(m_controlPairs[0].in, rect, size),
                 convertPoint(p[0], rect, size));
    path.closeSubpath();
  }
  return path;
}

std::vector<QPointF> DRElementPolygon::copyPathPoints(const QRectF& rect) const {
  const uint64_t c = curvePointCount();
  if (c == 0) return DRElementScribble::copyPathPoints(rect);
  const bool closed = isClosed();
  std::vector<QPointF> flat;
  flat.reserve(size_t(closed ? (c + 1) * 20 : c * 20));
  const QPointF size = originalSizeInView();
  const std::vector<CSPoint>& p = points();
  auto sample = [&](size_t from, size_t to) {
    const QPointF p0 = convertPoint(p[from], rect, size);
    const QPointF c1 = convertPoint(m_controlPairs[from].out, rect, size);
    const QPointF c2 = convertPoint(m_controlPairs[to].in, rect, size);
    const QPointF p1 = convertPoint(p[to], rect, size);
    for (double t = 0; t <= 1.00001; t += 0.05) flat.push_back(CubicAt(p0, c1, c2, p1, t));
  };
  for (size_t i = 1; i < c; ++i) sample(i - 1, i);
  if (closed) sample(size_t(c - 1), 0);
  return flat;
}

void DRElementPolygon::unionPoint(CSPoint point, CSPoint* minimum, CSPoint* maximum) const {
  if (!isUnderConstruction()) {
    const CSRect f = frame();
    const CSPoint size = originalSize();
    // A zero side of the original size (a record without one) means no scaling.
    if (f.width != size.x && size.x != 0) point.x = Clamp128(__int128(point.x) * f.width / size.x);
    if (f.height != size.y && size.y != 0) point.y = Clamp128(__int128(point.y) * f.height / size.y);
  }
  minimum->x = std::min(minimum->x, point.x);
  minimum->y = std::min(minimum->y, point.y);
  maximum->x = std::max(maximum->x, point.x);
  maximum->y = std::max(maximum->y, point.y);
}

CSRect DRElementPolygon::rawCurvedBounds() const {
  const uint64_t k = curvePointCount();
  CSPoint minimum{9223372036854775806, 9223372036854775806};
  CSPoint maximum{0, 0};
  for (size_t i = 0; i < k; ++i) {
    unionPoint(points()[i], &minimum, &maximum);
    if (i != 0) unionPoint(m_controlPairs[i].in, &minimum, &maximum);
    if (i != k - 1) unionPoint(m_controlPairs[i].out, &minimum, &maximum);
  }
  if (rotation() == 0) {
    return CSRect{minimum.x, minimum.y, Clamp128(__int128(maximum.x) - minimum.x),
                  Clamp128(__int128(maximum.y) - minimum.y)};
  }
  const CSPoint c{frame().width / 2, frame().height / 2};
  const double dx = std::max(std::abs(double(c.x) - double(minimum.x)), std::abs(double(maximum.x) - double(c.x)));
  const double dy = std::max(std::abs(double(c.y) - double(minimum.y)), std::abs(double(maximum.y) - double(c.y)));
  const MeasureUnit r = MeasureFromDouble(std::sqrt(dx * dx + dy * dy));
  return CSRect{Clamp128(__int128(c.x) - r), Clamp128(__int128(c.y) - r), Clamp128(2 * __int128(r)),
                Clamp128(2 * __int128(r))};
}

CSRect DRElementPolygon::bounds(bool forPrinting) const {
  if (curvePointCount() == 0) return DRElementScribble::bounds(forPrinting);
  CSRect rect = adjustBounds(rawCurvedBounds(), forPrinting);
  if (!isUnderConstruction()) {
    rect.x = Clamp128(__int128(rect.x) + frame().x);
    rect.y = Clamp128(__int128(rect.y) + frame().y);
  }
  if (textExtent() != 0) {
    const MeasureUnit grow = MeasureFromDouble(textExtent() * double(kMeasurePerPoint));
    rect = InsetCSRect(rect, -grow, -grow);
  }
  if (reshaping()) rect = InsetCSRect(rect, -kReshapeHandleMargin, -kReshapeHandleMargin);
  return rect;
}

void DRElementPolygon::drawSampleInRect(const QRectF& rect) {
  if (!m_curves) {
    DRElementClosed::drawSampleInRect(rect);
    return;
  }
  const double lineWidth = double(lineStyle().width()) / double(kMeasurePerPoint);
  const QRectF inset = rect.adjusted(lineWidth, lineWidth, -lineWidth, -lineWidth);
  QRectF r(QPointF(0, 0), QSizeF(originalSizeInView().x(), originalSizeInView().y()));
  CenterRectangle(&r, inset);
  const QRectF b = bezierForRect(r, true).boundingRect();
  QRectF c(QPointF(0, 0), b.size());
  CenterRectangle(&c, inset);
  float s = 1;
  if (c.width() > 0 && c.height() > 0) s = std::max(float(b.width() / c.width()), float(b.height() / c.height()));
  if (!(s >= 1)) s = 1;
  r = QRectF((r.topLeft() - b.topLeft()) / s + c.topLeft(), r.size() / s);
  drawInRect(r, nullptr);
}

bool DRElementPolygon::flip(bool vertical) {
  DRElementScribble::flip(vertical);
  const CSPoint size = originalSize();
  auto mirror = [&](CSPoint& p) {
    if (vertical)
      p.y = Clamp128(__int128(size.y) - p.y);
    else
      p.x = Clamp128(__int128(size.x) - p.x);
  };
  for (DRControlPair& pair : m_controlPairs) {
    mirror(pair.in);
    mirror(pair.out);
  }
  return true;
}

// ---- The record ---------------------------------------------------------------------------------------

void DRElementPolygon::resetForRecord() {
  DRElementScribble::resetForRecord();
  m_curves = false;
  m_controlPairs.clear();
}

void DRElementPolygon::handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) {
  if (decoder.key() != kXmlControl) {
    DRElementScribble::handleXmlNode(decoder, drawing);
    return;
  }
  m_curves = true;
  if (decoder.endTag()) return;
  const int64_t level = decoder.level();
  while (decoder.getNextTag()) {
    if (decoder.endTag() && !decoder.startTag()) {
      if (decoder.level() < level) return;
      continue;
    }
    if (decoder.key() != kXmlPair || decoder.endTag()) {
      if (!decoder.endTag()) decoder.skipTag();
      continue;
    }
    DRControlPair pair;
    const int64_t pairLevel = decoder.level();
    while (decoder.getNextTag()) {
      if (decoder.endTag() && !decoder.startTag()) {
        if (decoder.level() < pairLevel) break;
        continue;
      }
      if (!decoder.endTag()) {
        decoder.skipTag();
      } else if (decoder.key() == kXmlIn) {
        pair.in = CSPointFromString(decoder.value());
      } else if (decoder.key() == kXmlOut) {
        pair.out = CSPointFromString(decoder.value());
      }
    }
    m_controlPairs.push_back(pair);
    if (decoder.level() < level) return;  // the text ended or broke inside the pair
  }
}

void DRElementPolygon::addAdditionalNodes(CSXmlEncoder& encoder) const {
  DRElementScribble::addAdditionalNodes(encoder);
  if (m_controlPairs.empty()) return;
  encoder.openTag(QStringLiteral("control"));
  for (const DRControlPair& pair : m_controlPairs) {
    encoder.openTag(QStringLiteral("pair"));
    encoder.addTag(QStringLiteral("in"), NewCSPointString(pair.in));
    encoder.addTag(QStringLiteral("out"), NewCSPointString(pair.out));
    encoder.closeTag(QStringLiteral("pair"));
  }
  encoder.closeTag(QStringLiteral("control"));
}

// ---- Reshaping ------------------------------------------------------------------------------------------

void DRElementPolygon::startReshapeDrag(const QPointF& point, uint64_t modifiers, DRElementHostingView* view) {
  const uint64_t k = curvePointCount();
  if (k == 0) {
    DRElementScribble::startReshapeDrag(point, modifiers, view);
    return;
  }
  ReshapeBestFit fit;
  findReshapePoint(point, &fit, view);
  const bool closed = canDrawClosed();
  for (size_t i = 0; i < k; ++i) {
    if ((i != 0 || closed) && testHit(&fit, point, m_controlPairs[i].in, int64_t(i) == fit.index)) {
      fit.index = int64_t(i);
      fit.control = 0;
    }
    if ((i != k - 1 || closed) && testHit(&fit, point, m_controlPairs[i].out, int64_t(i) == fit.index)) {
      fit.index = int64_t(i);
      fit.control = 1;
    }
  }
  if (fit.control < 0) {
    m_reshapeControl = -1;
    const uint64_t both = kReshapeShiftKey | kReshapeOptionKey;
    m_alignDrag = (modifiers & both) == both;
    if (m_alignDrag) modifiers &= ~both;
    performReshapeDrag(point, &fit, modifiers, view);
    return;
  }
  m_reshapePoint = fit.index;
  m_reshapeControl = fit.control;
  m_dragOffset = point - fit.hitPoint;
  m_alignDrag = false;
  m_seesaw = (modifiers & kReshapeOptionKey) == 0;
}

void DRElementPolygon::continueReshapeDrag(const QPointF& pointer, DRElementHostingView* view) {
  if (curvePointCount() == 0 || m_reshapeControl < 0) {
    DRElementScribble::continueReshapeDrag(pointer, view);
    return;
  }
  if (m_reshapePoint < 0 || size_t(m_reshapePoint) >= m_controlPairs.size()) return;
  const CSPoint q =
      ConvertViewPoint(std::max(0.0, pointer.x() - m_dragOffset.x()), std::max(0.0, pointer.y() - m_dragOffset.y()));
  DRControlPair& pair = m_controlPairs[size_t(m_reshapePoint)];
  CSPoint& moved = m_reshapeControl == 0 ? pair.in : pair.out;
  if (moved == q) return;
  moved = q;
  if (m_seesaw) {
    CSPoint& opposite = m_reshapeControl == 0 ? pair.out : pair.in;
    opposite = SeesawPoint(opposite, points()[size_t(m_reshapePoint)], q);
  }
  if (view) view->invalidateElement(this);
}

void DRElementPolygon::finishReshapeDrag() {
  DRElementScribble::finishReshapeDrag();
  m_reshapeControl = -1;
}

void DRElementPolygon::movePoint(CSPoint point, uint64_t index, DRElementHostingView* view) {
  if (index >= points().size()) return;
  const CSPoint old = points()[size_t(index)];
  DRElementScribble::movePoint(point, index, view);
  if (curvePointCount() > 0) {
    moveControlPairs(size_t(index), size_t(index), Clamp128(__int128(point.x) - old.x),
                     Clamp128(__int128(point.y) - old.y));
  }
  if (view) view->invalidateElement(this);
}

void DRElementPolygon::addPoint(CSPoint point, uint64_t index, DRElementHostingView* view) {
  const size_t before = points().size();
  DRElementScribble::addPoint(point, index, view);
  const std::vector<CSPoint>& p = points();
  const size_t n = p.size();
  if (!m_curves || n < 2 || n != m_controlPairs.size() + 1) return;
  const size_t j = (index == 0 || index >= before) ? n - 1 : size_t(index);
  const CSPoint next = j < n - 1 ? p[j + 1] : (canDrawClosed() ? p[0] : point);
  m_controlPairs.insert(m_controlPairs.begin() + ptrdiff_t(j), SetControlPair(p[j - 1], point, next));
  if (view) view->invalidateElement(this);
}

void DRElementPolygon::deletePointatIndex(uint64_t index, DRElementHostingView* view) {
  if (index >= points().size()) return;
  DRElementScribble::deletePointatIndex(index, view);
  if (m_curves && index < m_controlPairs.size()) m_controlPairs.erase(m_controlPairs.begin() + ptrdiff_t(index));
}

int64_t DRElementPolygon::addIndexForPoint(const QPointF& point) const {
  const uint64_t k = curvePointCount();
  if (k == 0) return DRElementScribble::addIndexForPoint(point);
  if (k < 2) return -1;
  const QPointF origin = ConvertMeasurePoint(CSPoint{frame().x, frame().y});
  const QPointF local(double(std::floor(float(point.x()))) - origin.x(),
                      double(std::floor(float(point.y()))) - origin.y());
  const QRectF rect = ConvertMeasureRect(frame());
  const QPointF size = originalSizeInView();
  auto at = [&](CSPoint p) { return convertPoint(p, rect, size) - origin; };
  auto hits = [&](size_t from, size_t to) {
    QPainterPath path;
    path.moveTo(at(points()[from]));
    path.cubicTo(at(m_controlPairs[from].out), at(m_controlPairs[to].in), at(points()[to]));
    return path.boundingRect().adjusted(-1.0, -1.0, 1.0, 1.0).contains(local) && isPoint(local, path);
  };
  for (size_t i = 1; i < k; ++i) {
    if (hits(i - 1, i)) return int64_t(i);
  }
  if (canDrawClosed() && hits(size_t(k - 1), 0)) return 0;
  return -1;
}

bool DRElementPolygon::isPoint(const QPointF& point, const QPainterPath& source) const {
  const double width = effectiveLineWidth();
  QPainterPath path = source;
  QPointF p = point;
  QRect r = source.boundingRect().adjusted(-width, -width, width, width).toAlignedRect();
  const int dx = std::max(0, -r.x());
  const int dy = std::max(0, -r.y());
  if (dx != 0 || dy != 0) {
    path.translate(dx, dy);
    p += QPointF(dx, dy);
    r.translate(dx, dy);
  }
  const double bitmapWidth = double(r.x()) + double(r.width());
  const double bitmapHeight = double(r.y()) + double(r.height());
  // The pixmap engine's caps bound the test bitmap as they bound every render.
  if (!(bitmapWidth >= 1 && bitmapHeight >= 1 && bitmapWidth <= kMaxPixmapSide && bitmapHeight <= kMaxPixmapSide &&
        bitmapWidth * bitmapHeight <= double(kMaxPixmapPixels)))
    return false;
  QImage bitmap(int(bitmapWidth), int(bitmapHeight), QImage::Format_RGB32);
  if (bitmap.isNull()) return false;
  bitmap.fill(Qt::white);
  {
    QPainter painter(&bitmap);
    painter.setRenderHint(QPainter::Antialiasing, true);
    QPen pen(Qt::black, width);
    painter.strokePath(path, pen);
  }
  return ProbeBitmapNear(bitmap, int(std::floor(p.x())), int(std::floor(p.y())));
}

void DRElementPolygon::addTriangleAtPoint(const QPointF& c, QPainterPath* path, double zoom) {
  const double h = kGrabDotSize / zoom;
  const double s = kTriangleRatio * h;
  path->moveTo(c.x(), c.y() - h / 2);
  path->lineTo(c.x() - s / 2, c.y() + h / 2);
  path->lineTo(c.x() + s / 2, c.y() + h / 2);
  path->closeSubpath();
}

void DRElementPolygon::drawReshapePointsForRect(const QRectF& rect, DRElementHostingView* view) {
  DRElementScribble::drawReshapePointsForRect(rect, view);
  const uint64_t k = curvePointCount();
  QPainter* painter = CurrentQuartzContext();
  if (k == 0 || !painter) return;
  const double zoom = ZoomOf(view);
  const QPointF size = originalSizeInView();
  const bool closed = canDrawClosed();
  QPainterPath path;
  for (size_t i = 0; i < k; ++i) {
    const QPointF vertex = convertPoint(points()[i], rect, size);
    if (i != 0 || closed) {
      const QPointF in = convertPoint(m_controlPairs[i].in, rect, size);
      path.moveTo(in);
      path.lineTo(vertex);
      addTriangleAtPoint(in, &path, zoom);
    }
    if (i != k - 1 || closed) {
      const QPointF out = convertPoint(m_controlPairs[i].out, rect, size);
      path.moveTo(vertex);
      path.lineTo(out);
      addTriangleAtPoint(out, &path, zoom);
    }
  }
  const QColor casing = ColorFromKolor(g_casingColor);
  painter->save();
  painter->strokePath(path, QPen(casing, 1.0 / zoom));
  painter->fillPath(path, casing);
  painter->restore();
}
