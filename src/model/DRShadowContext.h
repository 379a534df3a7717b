#pragma once
// Element drawing goes through these calls so that a drop shadow set for the
// current graphics state falls under each fill, stroke and image separately,
// as elements expect: a filled shape that drops the shadow before its line
// casts the fill's shadow only. The shadow is part of the saved state: it is
// pushed and popped with the current painter's state (support's PushContext).
// All calls draw on the current painter (CurrentQuartzContext()); without a
// painter they do nothing. Per thread, like the painter stack.

#include <QColor>
#include <QPointF>
#include <optional>

class QBrush;
class QImage;
class QPainterPath;
class QPen;
class QRectF;

// A shadow as the painter applies it: offset in points on the y-down canvas
// (positive y falls downwards), blur radius in points, colour with alpha.
struct DRContextShadow {
  QPointF offset;
  double blur = 0;
  QColor color;
  bool operator==(const DRContextShadow&) const = default;
};

// The blur radius above which shadows are drawn as if at this radius; a
// negative blur draws as 0.
constexpr double kMaxShadowBlur = 100.0;

// Save and restore the painter's state together with the current shadow.
void PushShadowContext();
void PopShadowContext();

// The shadow that later fills, strokes and images cast until the state is
// popped or the shadow replaced; nullopt removes it.
void SetContextShadow(const std::optional<DRContextShadow>& shadow);
std::optional<DRContextShadow> ContextShadow();

// Fill (with the path's own fill rule: the model's paths are made with
// Qt::WindingFill, nonzero, unless they must fill even-odd) and stroke, each
// casting the current shadow first. The shadow's offset and blur are scaled
// with the painter's zoom but never turned with its rotation or flipped:
// shadows fall the same way whatever the element's transform. A shadow of
// no colour (alpha 0) costs nothing.
//
// Every call without a pushed state still works; the shadow belongs to the
// current painter, so one pushed for an off-screen image starts without.
void FillPathInContext(const QPainterPath& path, const QBrush& brush);
void StrokePathInContext(const QPainterPath& path, const QPen& pen);
void DrawImageInContext(const QRectF& target, const QImage& image);
