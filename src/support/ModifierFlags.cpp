#include "support/ModifierFlags.h"

#include <QInputEvent>
#include <QMouseEvent>

uint32_t ModifierFlags(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons) {
  uint32_t flags = 0;
  if (modifiers & Qt::ShiftModifier) flags |= kShiftKeyMask;
  if (modifiers & Qt::MetaModifier) flags |= kControlKeyMask;
  if (modifiers & Qt::AltModifier) flags |= kOptionKeyMask;
  if (modifiers & Qt::ControlModifier) flags |= kCommandKeyMask;
  if (modifiers & Qt::KeypadModifier) flags |= kNumericPadKeyMask;
  if (buttons & Qt::RightButton) flags |= kControlKeyMask;
  return flags;
}

uint32_t ModifierFlagsForEvent(const QInputEvent* event) {
  if (!event) return 0;
  Qt::MouseButtons buttons = Qt::NoButton;
  if (const auto* mouse = dynamic_cast<const QMouseEvent*>(event)) {
    buttons = mouse->buttons() | mouse->button();
  }
  return ModifierFlags(event->modifiers(), buttons);
}
