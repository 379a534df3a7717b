#include "support/GraphicsContext.h"

#include <QPainter>
#include <vector>

namespace {

std::vector<QPainter*>& ContextStack() {
  thread_local std::vector<QPainter*> stack;
  return stack;
}

}  // namespace

QPainter* CurrentQuartzContext() {
  const auto& stack = ContextStack();
  return stack.empty() ? nullptr : stack.back();
}

void PushGraphicsContext(QPainter* painter) {
  ContextStack().push_back(painter);
}

void PopGraphicsContext() {
  auto& stack = ContextStack();
  if (!stack.empty()) stack.pop_back();
}

int GraphicsContextDepth() {
  return int(ContextStack().size());
}

void PushContext() {
  if (QPainter* painter = CurrentQuartzContext()) painter->save();
}

void PopContext() {
  if (QPainter* painter = CurrentQuartzContext()) painter->restore();
}

void FlipContextCore(QPainter* painter, const QRectF& rect) {
  if (!painter) return;
  painter->translate(rect.x(), rect.y() + rect.height());
  painter->scale(1, -1);
  painter->translate(-rect.x(), -rect.y());
}

void FlipContext(const QRectF& rect) {
  FlipContextCore(CurrentQuartzContext(), rect);
}

void RotateContextAroundPoint(const QPointF& point, double degrees) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  painter->save();
  painter->translate(point);
  painter->rotate(degrees);
  painter->translate(-point);
}
