#pragma once
// Records the notifications of the given names (any object, or one object)
// posted while it lives, in order.

#include <QString>
#include <QStringList>
#include <vector>

#include "platform/NotificationCenter.h"

class NotificationRecorder {
 public:
  explicit NotificationRecorder(const QStringList& names, const void* object = nullptr);
  ~NotificationRecorder();
  NotificationRecorder(const NotificationRecorder&) = delete;
  NotificationRecorder& operator=(const NotificationRecorder&) = delete;

  const std::vector<CSNotification>& posted() const { return m_posted; }
  // The names posted, in order.
  QStringList names() const;
  int count(const QString& name) const;
  void clear() { m_posted.clear(); }

 private:
  std::vector<CSNotification> m_posted;
};
