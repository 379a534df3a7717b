#pragma once
// Arcs for the custom-drawn chrome (tab strip, toolbar segments, dark
// scroller knob). Angles are in degrees in a y-down view: 0° points right,
// 90° points down, and "clockwise" runs from the start angle towards smaller
// angles, as the chrome's shapes are written. QPainterPath::arcTo counts
// its angles the other way round, so every shape goes through this one
// conversion.

#include <QPainterPath>
#include <QPointF>

// Appends the arc to the path: a move to its start on an empty path, else a
// line from the current point to its start, then the arc. Equal angles give
// no sweep.
void AppendFlippedArc(QPainterPath& path, QPointF centre, double radius, double startAngle, double endAngle,
                      bool clockwise);

// The point at an angle on a circle, in the same y-down angles.
QPointF FlippedArcPoint(QPointF centre, double radius, double angle);
