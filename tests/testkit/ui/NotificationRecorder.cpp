#include "ui/NotificationRecorder.h"

NotificationRecorder::NotificationRecorder(const QStringList& names, const void* object) {
  for (const QString& name : names) {
    NotificationCenter::defaultCenter().addObserver(
        this, name, object, [this](const CSNotification& notification) { m_posted.push_back(notification); });
  }
}

NotificationRecorder::~NotificationRecorder() {
  NotificationCenter::defaultCenter().removeObserver(this);
}

QStringList NotificationRecorder::names() const {
  QStringList list;
  for (const CSNotification& notification : m_posted) list << notification.name;
  return list;
}

int NotificationRecorder::count(const QString& name) const {
  int n = 0;
  for (const CSNotification& notification : m_posted) n += notification.name == name ? 1 : 0;
  return n;
}
