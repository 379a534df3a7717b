#include "richtext/Geometry.h"

#include <algorithm>
#include <cmath>

void OffsetCopyRect(QRectF* out, const QRectF& rect, float dx, float dy) {
  if (!out) return;
  *out = QRectF(rect.x() + dx, rect.y() + dy, rect.width(), rect.height());
}

void OffsetRect(QRectF* rect, float dx, float dy) {
  if (rect) OffsetCopyRect(rect, *rect, dx, dy);
}

void InsetCopyRect(QRectF* out, const QRectF& rect, float dx, float dy) {
  if (!out) return;
  *out = QRectF(rect.x() + dx, rect.y() + dy, rect.width() - 2.0 * dx, rect.height() - 2.0 * dy);
}

void InsetRect(QRectF* rect, float dx, float dy) {
  if (rect) InsetCopyRect(rect, *rect, dx, dy);
}

bool IsRectEmpty(const QRectF& rect) { return !(rect.width() > 0) || !(rect.height() > 0); }

void IntegralCopyRect(QRectF* out, const QRectF& rect) {
  if (!out) return;
  if (IsRectEmpty(rect)) {
    *out = QRectF();
    return;
  }
  const double left = std::floor(rect.x());
  const double top = std::floor(rect.y());
  const double right = std::ceil(rect.x() + rect.width());
  const double bottom = std::ceil(rect.y() + rect.height());
  *out = QRectF(left, top, right - left, bottom - top);
}

bool UnionRects(QRectF* out, const QRectF& a, const QRectF& b) {
  QRectF result;
  if (IsRectEmpty(a) && IsRectEmpty(b)) {
    result = QRectF();
  } else if (IsRectEmpty(a)) {
    result = b;
  } else if (IsRectEmpty(b)) {
    result = a;
  } else {
    const double left = std::min(a.x(), b.x());
    const double top = std::min(a.y(), b.y());
    const double right = std::max(a.x() + a.width(), b.x() + b.width());
    const double bottom = std::max(a.y() + a.height(), b.y() + b.height());
    result = QRectF(left, top, right - left, bottom - top);
  }
  if (out) *out = result;
  return !IsRectEmpty(result);
}

bool IntersectRects(QRectF* out, const QRectF& a, const QRectF& b) {
  QRectF result;
  const double aRight = a.x() + a.width(), aBottom = a.y() + a.height();
  const double bRight = b.x() + b.width(), bBottom = b.y() + b.height();
  if (!(aRight <= b.x() || bRight <= a.x() || aBottom <= b.y() || bBottom <= a.y())) {
    const double left = std::max(a.x(), b.x());
    const double top = std::max(a.y(), b.y());
    result = QRectF(left, top, std::min(aRight, bRight) - left, std::min(aBottom, bBottom) - top);
  }
  if (out) *out = result;
  return !IsRectEmpty(result);
}

bool RectsIntersect(const QRectF& a, const QRectF& b) {
  if (IsRectEmpty(a) || IsRectEmpty(b)) return false;
  return !(a.x() + a.width() <= b.x() || b.x() + b.width() <= a.x() || a.y() + a.height() <= b.y() ||
           b.y() + b.height() <= a.y());
}

bool FRectWithinRect(const QRectF& inner, const QRectF& outer) {
  if (IsRectEmpty(inner)) return false;
  return outer.x() <= inner.x() && outer.y() <= inner.y() &&
         outer.x() + outer.width() >= inner.x() + inner.width() &&
         outer.y() + outer.height() >= inner.y() + inner.height();
}

bool IsPointInRect(const QRectF& rect, double x, double y) {
  return x >= rect.x() && x < rect.x() + rect.width() && y >= rect.y() && y < rect.y() + rect.height();
}

namespace {

// One coordinate moved into [origin, origin + size); a range under one point
// wide keeps it at the origin rather than before it.
double PinCoordinate(double value, double origin, double size) {
  if (value < origin) return origin;
  if (value >= origin + size) return std::max(origin, origin + size - 1.0);
  return value;
}

}  // namespace

bool FPointInRectPin(QPointF* point, const QRectF& rect) {
  if (!point) return false;
  if (IsPointInRect(rect, point->x(), point->y())) return true;
  const float x = float(PinCoordinate(point->x(), rect.x(), rect.width()));
  const float y = float(PinCoordinate(point->y(), rect.y(), rect.height()));
  *point = QPointF(x, y);
  return false;
}

bool FEqualPoint(const QPointF& a, const QPointF& b) { return a.x() == b.x() && a.y() == b.y(); }

bool FEqualRect(const QRectF& a, const QRectF& b) {
  return a.x() == b.x() && a.y() == b.y() && a.width() == b.width() && a.height() == b.height();
}

void ScaleRect(QRectF* out, const QRectF& rect, float scale, float dx, float dy) {
  if (!out) return;
  *out = QRectF(dx + rect.x() * scale, dy + rect.y() * scale, rect.width() * scale, rect.height() * scale);
}

void ScalePointX(QPointF* out, double x, double y, float scale, float dx, float dy) {
  if (out) *out = QPointF(dx + x * scale, dy + y * scale);
}
