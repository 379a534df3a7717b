#include "ui/EventDriver.h"

#include <QCoreApplication>
#include <QMouseEvent>
#include <QPointingDevice>

bool EventDriver::send(QEvent::Type type, QPointF point, Qt::MouseButton button) {
  m_timestamp += m_step;
  const QPointF global = m_target->mapToGlobal(point);
  QMouseEvent event(type, point, point, global, button, m_held, m_modifiers, QPointingDevice::primaryPointingDevice());
  event.setTimestamp(m_timestamp);
  event.setAccepted(false);
  QCoreApplication::sendEvent(m_target, &event);
  return event.isAccepted();
}

bool EventDriver::press(QPointF point, Qt::MouseButton button) {
  m_held |= button;
  return send(QEvent::MouseButtonPress, point, button);
}

bool EventDriver::move(QPointF point) {
  return send(QEvent::MouseMove, point, Qt::NoButton);
}

bool EventDriver::release(QPointF point, Qt::MouseButton button) {
  m_held &= ~Qt::MouseButtons(button);
  return send(QEvent::MouseButtonRelease, point, button);
}

bool EventDriver::doubleClick(QPointF point, Qt::MouseButton button) {
  m_held |= button;
  return send(QEvent::MouseButtonDblClick, point, button);
}

void EventDriver::click(QPointF point, Qt::MouseButton button) {
  press(point, button);
  release(point, button);
}

void EventDriver::drag(QPointF from, std::initializer_list<QPointF> through, QPointF to, Qt::MouseButton button) {
  press(from, button);
  for (const QPointF& point : through) move(point);
  move(to);
  release(to, button);
}

bool EventDriver::leave() {
  m_timestamp += m_step;
  QEvent event(QEvent::Leave);
  QCoreApplication::sendEvent(m_target, &event);
  return event.isAccepted();
}
