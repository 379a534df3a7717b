#pragma once
// Sends mouse events straight to a widget (QCoreApplication::sendEvent),
// each with its buttons, modifiers and a timestamp that grows by a fixed
// step per event, so a test states exactly what a gesture was.

#include <QEvent>
#include <QPointF>
#include <QWidget>
#include <Qt>

class EventDriver {
 public:
  explicit EventDriver(QWidget* target) : m_target(target) {}

  // Milliseconds added to the timestamp before each event.
  void setStep(ulong milliseconds) { m_step = milliseconds; }
  ulong timestamp() const { return m_timestamp; }
  void setModifiers(Qt::KeyboardModifiers modifiers) { m_modifiers = modifiers; }

  // Each answers whether the widget accepted the event.
  bool press(QPointF point, Qt::MouseButton button = Qt::LeftButton);
  bool move(QPointF point);  // with the buttons held since the last press
  bool release(QPointF point, Qt::MouseButton button = Qt::LeftButton);
  bool doubleClick(QPointF point, Qt::MouseButton button = Qt::LeftButton);
  // Press and release at one point.
  void click(QPointF point, Qt::MouseButton button = Qt::LeftButton);
  // Press at `from`, move through each point of `through`, release at `to`.
  void drag(QPointF from, std::initializer_list<QPointF> through, QPointF to, Qt::MouseButton button = Qt::LeftButton);
  // The pointer leaves the widget.
  bool leave();

 private:
  bool send(QEvent::Type type, QPointF point, Qt::MouseButton button);

  QWidget* m_target;
  Qt::MouseButtons m_held;
  Qt::KeyboardModifiers m_modifiers;
  ulong m_timestamp = 1000;
  ulong m_step = 20;
};
