#pragma once
// A gradient fill: colour stops along the gradient and either a linear
// direction or a radial centre. It fills a path on the current painter and
// offers the stop editing of the gradient dialog and the colour-stop
// control. A value: copies are independent, equality compares every stop.

#include <QMetaType>
#include <QPainterPath>
#include <QPointF>
#include <QRectF>
#include <cstddef>
#include <vector>

#include "support/Kolor.h"
#include "support/Measure.h"

class QBrush;

// A stop: its place along the gradient, 0 to 12,700 for 0.0 to 1.0, and its
// colour.
struct CSGradientStop {
  int64_t position = 0;
  Kolor kolor = g_blackKolor;
  bool operator==(const CSGradientStop&) const = default;
};

constexpr int64_t kGradientStopScale = 12700;
constexpr int64_t kDefaultLinearAngle = 2286000;  // 180 degrees, in 1/12,700 degree

class CSGradient {
  Q_GADGET
  Q_PROPERTY(bool radial READ isRadial WRITE setRadial)
  Q_PROPERTY(qlonglong linearAngle READ linearAngle WRITE setLinearAngle)
  Q_PROPERTY(CSPoint radialCenter READ radialCenter WRITE setRadialCenter)
  Q_PROPERTY(std::vector<CSGradientStop> stops READ stops WRITE setStops)

 public:
  using Stops = std::vector<CSGradientStop>;

  // Linear at 180 degrees, from opaque black at 0 to opaque white at the end.
  CSGradient();

  bool isRadial() const { return m_radial; }
  void setRadial(bool radial) { m_radial = radial; }
  // Degrees times 12,700.
  int64_t linearAngle() const { return m_linearAngle; }
  void setLinearAngle(int64_t angle) { m_linearAngle = angle; }
  // Relative to the shape: each coordinate from -12,700 to 12,700 (-1.0 to
  // 1.0 of the half size), 0 in the middle, y growing upwards.
  CSPoint radialCenter() const { return m_radialCenter; }
  void setRadialCenter(CSPoint center) { m_radialCenter = center; }
  const Stops& stops() const { return m_stops; }
  void setStops(Stops stops) { m_stops = std::move(stops); }

  // Copies the stops, the radial flag and, for a radial source, its centre,
  // else its angle; the other one stays as it was.
  void copyFrom(const CSGradient& other);

  // ---- Stops ----
  // The first and last stops are the ends: they are never moved or removed.
  size_t stopCount() const { return m_stops.size(); }
  // No colour beyond the end.
  Kolor kolorAtStopIndex(size_t index) const;
  void setKolor(Kolor kolor, size_t index);
  // 0 beyond the end.
  int64_t positionOfStopIndex(size_t index) const;
  // Inner stops only.
  void setPosition(int64_t position, size_t index);
  // For 0 < index < count: a stop with the colour of the one before it,
  // half way between its neighbours.
  void insertStopAtIndex(size_t index);
  // Inner stops only, and only while three or more remain.
  void removeStopAtIndex(size_t index);
  // Reverses the order of the colours; the positions stay.
  void flipColors();

  // ---- Drawing ----
  // The angle at which a linear gradient is drawn: the stored angle plus 90
  // degrees, in [0, 360). It turns clockwise on the y-down canvas, as
  // DegreesFromEast and RotatePoint do: the direction is (cos, sin) of the
  // angle, so 90 runs from the top down and the default 270 from the bottom
  // up.
  double drawingAngle() const;
  // The brush that paints the gradient over a shape with these bounds.
  // Linear: the first colour touches the bounds where the direction enters
  // them, the last where it leaves. Radial: the first colour at the middle,
  // the last on a circle about the middle moved by the relative centre (kept
  // within the half size), wide enough to reach the farthest corner. With a
  // radius (points) the gradient runs from `center` out to that radius.
  QBrush brushForBounds(const QRectF& bounds, QPointF center = QPointF(), double radius = 0) const;
  // Fills the path on the current painter. With `shadowed` the path is first
  // filled white, so a shadow under transparent parts shows the shape. A
  // radial gradient drawn with a radius paints nothing beyond that radius.
  void drawInBezier(const QPainterPath& path, bool shadowed, QPointF center = QPointF(), double radius = 0) const;

  // Radial ones must have the same centre, linear ones the same angle; then
  // the stops must be equal.
  bool operator==(const CSGradient& other) const;
  size_t hash() const;

 private:
  bool m_radial = false;
  int64_t m_linearAngle = kDefaultLinearAngle;
  CSPoint m_radialCenter;
  Stops m_stops;
};

Q_DECLARE_METATYPE(CSGradient)
