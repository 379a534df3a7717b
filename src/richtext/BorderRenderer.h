#pragma once
// Draws one decorative border around a rectangle: a background fill, a
// single, double, dotted or dashed line, saw teeth, scallops or a gradient
// bevel, on any subset of the four sides. The border is first built as a
// list of drawing steps over QPainterPath data (so that its geometry can be
// read back), then painted into the current graphics context. Points,
// flipped coordinates (y grows downward). Main thread only.

#include <QList>
#include <QPainterPath>
#include <QRectF>
#include <cstdint>
#include <vector>

#include "support/Kolor.h"

class QPainter;

// The renderer kinds.
enum BorderKind : uint32_t {
  kBorderNone = 0,
  kBorderBackground = 1,
  kBorderSingle = 2,
  kBorderDouble = 3,
  kBorderDotted = 4,
  kBorderDashed = 5,
  kBorderSerrated = 6,
  kBorderScallops = 7,
  kBorderGradient = 8,
};

// Sides and extend masks.
enum BorderSide : uint32_t {
  kBorderLeft = 1,
  kBorderRight = 2,
  kBorderTop = 4,
  kBorderBottom = 8,
  kBorderAllSides = 15,
  kBorderOuterRight = 0x200,   // the cell's right edge is an outer edge
  kBorderOuterBottom = 0x800,  // its bottom edge is an outer edge
};

constexpr uint32_t kDoublePatternCount = 37;
constexpr uint32_t kDoubleBoxPattern = 21;
// Widths, thicknesses and offsets beyond this many points are clamped, and a
// serrated or scalloped side gets at most this many ornaments.
constexpr float kMaxBorderPoints = 1000.0f;
constexpr int kMaxBorderOrnaments = 1000;

struct BorderSpec {
  uint32_t kind = kBorderNone;
  float width = 0;      // line width
  float thickness = 0;  // tooth depth, scallop size, bevel depth
  float offset = 0;     // space between the rectangle and the border
  Kolor lineKolor = 0;
  Kolor innerKolor = 0;
  Kolor backKolor = 0;
  uint32_t pattern = 0;  // double-line pattern 1-37, 0 none
  uint8_t leftJoined = 0;
  uint8_t rightJoined = 0;
  uint8_t extendCorners = 0;
};

// One drawing step of a border.
struct BorderStep {
  enum Op { kFillRect, kFillPath, kStrokePath, kGradientPath };
  Op op = kFillRect;
  QRectF rect;          // kFillRect
  QPainterPath path;    // the other ops
  Kolor kolor = 0;      // fill or stroke colour; a gradient's start colour
  Kolor endKolor = 0;   // a gradient's end colour
  float width = 0;      // stroke width
  QList<qreal> dashes;  // in pen widths; empty: solid
  float angle = 0;      // a gradient's direction in degrees (0 rightward, 90 downward)
};

struct BorderPlan {
  std::vector<BorderStep> steps;
  // The rectangle after rounding out and extending by the offset.
  QRectF rect;
};

// The steps DrawBorderCore would paint; the BorderSpec itself is not changed.
BorderPlan PlanBorderCore(const BorderSpec& spec, uint32_t sides, uint32_t extend, const QRectF& rect);
// Paints the steps with the painter (nothing with none).
void PaintBorderPlan(QPainter* painter, const BorderPlan& plan);

// Draws the border's sides around the rectangle into the current graphics
// context, each side of `extend` first moved outward by the offset.
void DrawBorderCore(const BorderSpec& spec, uint32_t sides, uint32_t extend, const QRectF& rect);
// All four sides, each extended by the offset, a double line as a closed
// double box, no joins.
BorderPlan PlanBorderAroundRect(const BorderSpec& spec, const QRectF& rect);
void DrawBorderAroundRect(const BorderSpec& spec, const QRectF& rect);

// The strokes and fill rectangle of a double-line pattern over the
// rectangle with line width w, honouring the BorderSpec's join flags; false for a
// pattern outside 1-37.
bool DoubleLinePatternPath(const BorderSpec& spec, uint32_t pattern, const QRectF& rect, float w, QPainterPath* path,
                           QRectF* fillRect);
