#include "support/GraphicsHelpers.h"

#include <algorithm>
#include <cfloat>
#include <cmath>
#include <numbers>

#include "support/SaturatingCast.h"

namespace {

// Whole points are taken in single precision, as the drawing code has always
// done, so a value a hair below an integer in double still rounds down.
double FloorSingle(double value) {
  return std::floor(float(value));
}

bool IsFiniteRect(const QRectF& r) {
  return std::isfinite(r.x()) && std::isfinite(r.y()) && std::isfinite(r.width()) && std::isfinite(r.height());
}

constexpr double kPi = std::numbers::pi;

}  // namespace

void CenterRectangle(QRectF* rect, const QRectF& bounds) {
  if (!rect || !IsFiniteRect(*rect) || !IsFiniteRect(bounds)) return;
  const QRectF b = bounds.normalized();
  double width = std::fabs(rect->width());
  double height = std::fabs(rect->height());
  const double bw = b.width();
  const double bh = b.height();
  if (width > bw || height > bh) {
    if (width > 0) {
      const double fittedHeight = bw * height / width;
      if (fittedHeight > bh) {
        // fittedHeight > bh >= 0 implies height > 0.
        width = width * bh / height;
        height = bh;
      } else {
        height = fittedHeight;
        width = bw;
      }
    } else {
      // No width to keep in proportion: only the height is limited.
      height = bh;
    }
  }
  rect->setRect(FloorSingle(b.x() + (bw - width) / 2), FloorSingle(b.y() + (bh - height) / 2), FloorSingle(width),
                FloorSingle(height));
}

QPointF CenterOfRectangle(const QRectF& rect) {
  return QPointF(rect.x() + rect.width() / 2, rect.y() + rect.height() / 2);
}

QRectF RectFromPoints(const QPointF& p1, const QPointF& p2) {
  return QRectF(std::min(p1.x(), p2.x()), std::min(p1.y(), p2.y()), std::fabs(p2.x() - p1.x()),
                std::fabs(p2.y() - p1.y()));
}

QPointF MapPointToLine(const QPointF& p, const QPointF& a, const QPointF& b) {
  const QPointF d = b - a;
  const double length2 = d.x() * d.x() + d.y() * d.y();
  if (!(length2 > 0) || !std::isfinite(length2)) return p;
  const QPointF ap = p - a;
  const double t = (ap.x() * d.x() + ap.y() * d.y()) / length2;
  return a + t * d;
}

QSizeF ScaleSizeToWidth(const QSizeF& size, double width) {
  QRectF rect(QPointF(0, 0), size);
  CenterRectangle(&rect, QRectF(0, 0, width, double(FLT_MAX)));
  return rect.size();
}

QRectF ZoomRect(const QRectF& rect, double zoom) {
  if (zoom == 1.0 || !(zoom > 0) || !std::isfinite(zoom)) return rect;
  const QPointF centre = CenterOfRectangle(rect);
  const double width = rect.width() / zoom;
  const double height = rect.height() / zoom;
  return QRectF(centre.x() - width / 2, centre.y() - height / 2, width, height);
}

QRectF AdjustRectToPixelBoundary(const QRectF& rect, double scale) {
  if (!(scale > 0) || !std::isfinite(scale)) return rect;
  auto align = [scale](double v) { return double(std::round(float(v * scale))) / scale; };
  const double x0 = align(rect.x());
  const double y0 = align(rect.y());
  const double x1 = align(rect.x() + rect.width());
  const double y1 = align(rect.y() + rect.height());
  return QRectF(x0, y0, x1 - x0, y1 - y0);
}

QRectF PositionRectToAvoidRect(const QSizeF& size, const QRectF& avoid, const QRectF& within) {
  constexpr double kMargin = 32.0;
  const double w = size.width();
  const double h = size.height();
  const double roomBelow = (within.y() + within.height()) - (avoid.y() + avoid.height());
  const double roomAbove = avoid.y() - within.y();
  const double centredX = within.x() + std::floor((within.width() - w) / 2);
  if (roomBelow - kMargin >= h) {
    return QRectF(centredX, avoid.y() + avoid.height() + std::floor((roomBelow - h) / 2), w, h);
  }
  if (roomAbove - kMargin >= h) {
    return QRectF(centredX, within.y() + std::floor((roomAbove - h) / 2), w, h);
  }
  // Neither room is tall enough: beside the avoided rectangle, on the side
  // with more room, centred vertically in the area.
  const double roomRight = (within.x() + within.width()) - (avoid.x() + avoid.width());
  const double roomLeft = avoid.x() - within.x();
  const double x = roomRight >= roomLeft ? avoid.x() + avoid.width() : avoid.x() - w;
  return QRectF(x, within.y() + std::floor((within.height() - h) / 2), w, h);
}

void ResizeRectProportionally(bool fromLeft, QRectF* rect, const QPointF& point, const QPointF& offset, double minWidth,
                              double minHeight) {
  if (!rect) return;
  const QRectF r = *rect;
  const double right = r.x() + r.width();
  // The top corner on the fixed side stays; the bottom corner on the moving
  // side follows the pointer along the diagonal.
  const QPointF fixed(fromLeft ? right : r.x(), r.y());
  const QPointF moving(fromLeft ? r.x() : right, r.y() + r.height());
  const QPointF d = moving - fixed;
  const double length2 = d.x() * d.x() + d.y() * d.y();
  if (!(length2 > 0) || !std::isfinite(length2)) return;
  const QPointF p = point - offset - fixed;
  const double t = (p.x() * d.x() + p.y() * d.y()) / length2;
  if (!std::isfinite(t)) return;
  double width = t * r.width();
  double height = t * r.height();
  if (width < minWidth) {
    width = minWidth;
    if (r.width() > 0) height = minWidth * r.height() / r.width();
  }
  if (height < minHeight) {
    height = minHeight;
    if (r.height() > 0) width = minHeight * r.width() / r.height();
  }
  const double x = fromLeft ? right - width : r.x();
  rect->setRect(x, r.y(), width, height);
}

int DegreesFromEast(const QPointF& from, const QPointF& to) {
  int degrees = SaturatingCast<int>(std::atan2(from.y() - to.y(), to.x() - from.x()) * -180.0 / kPi);
  if (degrees < 0) degrees += 360;
  return degrees == 360 ? 0 : degrees;
}

int DegreesFromEast(double x1, double y1, double x2, double y2) {
  return DegreesFromEast(QPointF(x1, y1), QPointF(x2, y2));
}

double DegreesFromRadians(double radians) {
  return radians * 180.0 / kPi;
}
double RadiansFromDegrees(double degrees) {
  return degrees * kPi / 180.0;
}

QPointF RotatePoint(const QPointF& point, const QPointF& centre, double degrees) {
  if (degrees == 0 || !std::isfinite(degrees)) return point;
  const double dx = point.x() - centre.x();
  const double dy = point.y() - centre.y();
  const float r = std::sqrt(float(dx * dx + dy * dy));
  if (r == 0 || !std::isfinite(r)) return point;
  double a = std::asin(std::fabs(dy) / double(r));
  if (std::isnan(a)) a = kPi / 2;
  if (point.y() <= centre.y()) {
    a = point.x() > centre.x() ? a : kPi - a;
  } else {
    a = point.x() >= centre.x() ? 2 * kPi - a : kPi + a;
  }
  const double t = (360.0 - degrees) * kPi / 180.0 + a;
  const float sine = std::sin(float(t));
  const float cosine = std::cos(float(t));
  return QPointF(centre.x() + double(cosine) * double(r), centre.y() - double(sine) * double(r));
}

QPointF RotatePoint(double x, double y, double cx, double cy, double degrees) {
  return RotatePoint(QPointF(x, y), QPointF(cx, cy), degrees);
}

int RotationForPoint(const QPointF& point, const QPointF& start, const QPointF& centre, double divisor) {
  QPointF s = start - centre;
  QPointF p = point - centre;
  const double r1 = std::hypot(s.x(), s.y());
  const double r2 = std::hypot(p.x(), p.y());
  // An end on the centre has no direction to measure.
  if (!(r1 > 0) || !(r2 > 0) || !std::isfinite(r1) || !std::isfinite(r2)) return 0;
  double r;
  if (r1 < r2) {
    s *= r2 / r1;
    r = r2;
  } else {
    p *= r1 / r2;
    r = r1;
  }
  auto asinDegrees = [r](double x) { return DegreesFromRadians(std::asin(std::clamp(x / r, -1.0, 1.0))); };
  const double aS = asinDegrees(s.x());
  const double aP = asinDegrees(p.x());
  const double amount = std::rint(std::fabs(aP - aS) * r / divisor);
  if (!std::isfinite(amount) || amount == 360) return 0;
  // Clockwise angle from east on a flipped canvas, built from the asin angle
  // and the side of the centre the point lies on.
  auto fullAngle = [](double a, double y) {
    if (a == 90) return 0.0;
    return y < 0 ? a + 270 : 90 - a;
  };
  const double d = std::fmod(fullAngle(aP, p.y()) - fullAngle(aS, s.y()) + 360, 360);
  const int whole = SaturatingCast<int>(amount);
  return d > 180 ? 360 - whole : whole;
}
