#include "support/CSGradient.h"

#include <QBrush>
#include <QLinearGradient>
#include <QPainter>
#include <QRadialGradient>
#include <algorithm>
#include <cmath>

#include "support/GraphicsContext.h"

CSGradient::CSGradient() : m_stops{{0, g_blackKolor}, {kGradientStopScale, g_whiteKolor}} {}

void CSGradient::copyFrom(const CSGradient& other) {
  m_stops = other.m_stops;
  m_radial = other.m_radial;
  if (other.m_radial)
    m_radialCenter = other.m_radialCenter;
  else
    m_linearAngle = other.m_linearAngle;
}

Kolor CSGradient::kolorAtStopIndex(size_t index) const {
  return index < m_stops.size() ? m_stops[index].kolor : g_nilKolor;
}

void CSGradient::setKolor(Kolor kolor, size_t index) {
  if (index < m_stops.size()) m_stops[index].kolor = kolor;
}

int64_t CSGradient::positionOfStopIndex(size_t index) const {
  return index < m_stops.size() ? m_stops[index].position : 0;
}

void CSGradient::setPosition(int64_t position, size_t index) {
  if (index > 0 && index + 1 < m_stops.size()) m_stops[index].position = position;
}

void CSGradient::insertStopAtIndex(size_t index) {
  if (index == 0 || index >= m_stops.size()) return;
  const CSGradientStop& before = m_stops[index - 1];
  const CSGradientStop& after = m_stops[index];
  // Half way without overflowing whatever the stored positions are.
  const int64_t middle = before.position + (after.position - before.position) / 2;
  m_stops.insert(m_stops.begin() + ptrdiff_t(index), CSGradientStop{middle, before.kolor});
}

void CSGradient::removeStopAtIndex(size_t index) {
  if (m_stops.size() < 3 || index == 0 || index + 1 >= m_stops.size()) return;
  m_stops.erase(m_stops.begin() + ptrdiff_t(index));
}

void CSGradient::flipColors() {
  for (size_t i = 0, j = m_stops.size(); i + 1 < j; ++i, --j) std::swap(m_stops[i].kolor, m_stops[j - 1].kolor);
}

double CSGradient::drawingAngle() const {
  double degrees = std::fmod(double(m_linearAngle) / 12700.0 + 90.0, 360.0);
  if (!std::isfinite(degrees)) return 90.0;
  if (degrees < 0) degrees += 360.0;
  return degrees;
}

namespace {

// The stops as Qt takes them: positions kept within 0-1 and never falling
// back, so the colours are laid out in the order they are listed.
QGradientStops QtStops(const CSGradient::Stops& stops) {
  QGradientStops result;
  double last = 0;
  for (const CSGradientStop& stop : stops) {
    double position = std::clamp(double(stop.position) / double(kGradientStopScale), 0.0, 1.0);
    position = std::max(position, last);
    last = position;
    result.append({position, ColorFromKolor(stop.kolor)});
  }
  return result;
}

}  // namespace

QBrush CSGradient::brushForBounds(const QRectF& bounds, QPointF center, double radius) const {
  const QPointF middle = bounds.center();
  if (m_radial && radius > 0) {
    QRadialGradient gradient(center, radius);
    gradient.setStops(QtStops(m_stops));
    return QBrush(gradient);
  }
  if (m_radial) {
    // The first colour stays at the middle; the relative centre (y up) moves
    // the circle of the last colour, which encloses the whole bounds.
    const auto relative = [](int64_t value) {
      return std::clamp(double(value) / double(kGradientStopScale), -1.0, 1.0);
    };
    const QPointF end(middle.x() + relative(m_radialCenter.x) * bounds.width() / 2,
                      middle.y() - relative(m_radialCenter.y) * bounds.height() / 2);
    double reach = 0;
    for (const QPointF& corner : {bounds.topLeft(), bounds.topRight(), bounds.bottomLeft(), bounds.bottomRight()})
      reach = std::max(reach, std::hypot(corner.x() - end.x(), corner.y() - end.y()));
    QRadialGradient gradient(end, std::max(reach, 1e-6), middle);
    gradient.setStops(QtStops(m_stops));
    return QBrush(gradient);
  }
  const double radians = drawingAngle() * M_PI / 180.0;
  const QPointF direction(std::cos(radians), std::sin(radians));
  const double half = std::fabs(direction.x()) * bounds.width() / 2 + std::fabs(direction.y()) * bounds.height() / 2;
  QLinearGradient gradient(middle - direction * half, middle + direction * half);
  gradient.setStops(QtStops(m_stops));
  return QBrush(gradient);
}

void CSGradient::drawInBezier(const QPainterPath& path, bool shadowed, QPointF center, double radius) const {
  QPainter* painter = CurrentQuartzContext();
  if (!painter || m_stops.empty()) return;
  painter->save();
  painter->setPen(Qt::NoPen);
  if (shadowed) painter->fillPath(path, Qt::white);
  if (m_radial && radius > 0) {
    // No extension past the last circle.
    QPainterPath circle;
    circle.addEllipse(center, radius, radius);
    painter->fillPath(path.intersected(circle), brushForBounds(path.boundingRect(), center, radius));
  } else {
    painter->fillPath(path, brushForBounds(path.boundingRect()));
  }
  painter->restore();
}

bool CSGradient::operator==(const CSGradient& other) const {
  if (m_radial != other.m_radial) return false;
  if (m_radial ? !(m_radialCenter == other.m_radialCenter) : m_linearAngle != other.m_linearAngle) return false;
  return m_stops == other.m_stops;
}

size_t CSGradient::hash() const {
  size_t value = (m_radial ? 32768 : 0) | m_stops.size();
  if (m_radial)
    value ^= size_t(m_radialCenter.x) ^ (size_t(m_radialCenter.y) << 1);
  else
    value ^= size_t(m_linearAngle);
  for (const CSGradientStop& stop : m_stops) value ^= size_t(stop.kolor) ^ size_t(stop.position);
  return value;
}
