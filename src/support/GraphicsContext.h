#pragma once
// "The current graphics context": a per-thread stack of painters, so that
// plain-function drawing code (the element drawing, the engine's services)
// finds the painter it should draw with without being handed it. Whoever
// starts painting pushes its painter and pops it when done; the scope class
// does both. Each thread has its own stack.

#include <QPointF>
#include <QRectF>

class QPainter;

// The painter on top of the calling thread's stack, or null.
QPainter* CurrentQuartzContext();

// Makes the painter current (null is allowed and makes "no context" current)
// until the matching pop. Popping an empty stack does nothing.
void PushGraphicsContext(QPainter* painter);
void PopGraphicsContext();
int GraphicsContextDepth();

// Pushes a painter for the life of the scope.
class GraphicsContextScope {
 public:
  explicit GraphicsContextScope(QPainter* painter) { PushGraphicsContext(painter); }
  ~GraphicsContextScope() { PopGraphicsContext(); }
  GraphicsContextScope(const GraphicsContextScope&) = delete;
  GraphicsContextScope& operator=(const GraphicsContextScope&) = delete;
};

// Save and restore the current painter's state; nothing without a painter.
void PushContext();
void PopContext();

// Mirrors the rectangle top to bottom in place: translate by (x, y + height),
// scale by (1, -1), translate by (-x, -y).
void FlipContextCore(QPainter* painter, const QRectF& rect);
void FlipContext(const QRectF& rect);  // on the current painter

// Saves the current painter's state, then turns it by the degrees
// (clockwise on a flipped canvas) about the point; the caller pops.
void RotateContextAroundPoint(const QPointF& point, double degrees);
