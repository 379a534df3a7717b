#include <gtest/gtest.h>

#include <QKeyEvent>
#include <QMouseEvent>

#include "support/ModifierFlags.h"

namespace {

TEST(ModifierFlags, ModifierFlagsMapTheKeysOfThisKeyboard) {
  const struct {
    Qt::KeyboardModifiers modifiers;
    Qt::MouseButtons buttons;
    uint32_t flags;
  } kCases[] = {
      {Qt::NoModifier, Qt::NoButton, 0},
      {Qt::ShiftModifier, Qt::NoButton, kShiftKeyMask},
      {Qt::ControlModifier, Qt::NoButton, kCommandKeyMask},
      {Qt::AltModifier, Qt::NoButton, kOptionKeyMask},
      {Qt::MetaModifier, Qt::NoButton, kControlKeyMask},
      {Qt::ShiftModifier | Qt::ControlModifier | Qt::AltModifier, Qt::NoButton,
       kShiftKeyMask | kCommandKeyMask | kOptionKeyMask},
      {Qt::KeypadModifier, Qt::NoButton, kNumericPadKeyMask},
      {Qt::NoModifier, Qt::LeftButton, 0},
      {Qt::NoModifier, Qt::RightButton, kControlKeyMask},  // a right click is a Control-click
      {Qt::ShiftModifier, Qt::RightButton, kShiftKeyMask | kControlKeyMask},
  };
  for (const auto& c : kCases) EXPECT_EQ(ModifierFlags(c.modifiers, c.buttons), c.flags) << &c - kCases;
  EXPECT_EQ(kShiftKeyMask, 1u << 17);
  EXPECT_EQ(kCommandKeyMask, 1u << 20);
}

TEST(ModifierFlags, TheButtonOfAMouseEventCounts) {
  const QPointF at(3, 4);
  QMouseEvent rightPress(QEvent::MouseButtonPress, at, at, at, Qt::RightButton, Qt::RightButton, Qt::AltModifier);
  EXPECT_EQ(ModifierFlagsForEvent(&rightPress), kControlKeyMask | kOptionKeyMask);
  // On release the button is no longer held but still caused the event.
  QMouseEvent rightRelease(QEvent::MouseButtonRelease, at, at, at, Qt::RightButton, Qt::NoButton, Qt::NoModifier);
  EXPECT_EQ(ModifierFlagsForEvent(&rightRelease), kControlKeyMask);
  QKeyEvent key(QEvent::KeyPress, Qt::Key_A, Qt::ControlModifier | Qt::ShiftModifier);
  EXPECT_EQ(ModifierFlagsForEvent(&key), kCommandKeyMask | kShiftKeyMask);
  EXPECT_EQ(ModifierFlagsForEvent(nullptr), 0u);
}

}  // namespace
