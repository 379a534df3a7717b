#pragma once
// The modifier flags that mouse and key handlers test, as bits of one word.
// Command is Ctrl, Option is Alt and Control is Meta; a right-button press
// also counts as a Control-click, which asks for a context menu. A key of
// the numeric keypad sets the numeric-pad bit.

#include <Qt>
#include <cstdint>

class QInputEvent;

constexpr uint32_t kAlphaShiftKeyMask = 1u << 16;
constexpr uint32_t kShiftKeyMask = 1u << 17;
constexpr uint32_t kControlKeyMask = 1u << 18;
constexpr uint32_t kOptionKeyMask = 1u << 19;
constexpr uint32_t kCommandKeyMask = 1u << 20;
constexpr uint32_t kNumericPadKeyMask = 1u << 21;
constexpr uint32_t kFunctionKeyMask = 1u << 23;

uint32_t ModifierFlags(Qt::KeyboardModifiers modifiers, Qt::MouseButtons buttons = Qt::NoButton);
// The flags of a key or mouse event; for a mouse event the button that
// caused it counts with those held.
uint32_t ModifierFlagsForEvent(const QInputEvent* event);
