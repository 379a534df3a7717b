#include "platform/NotificationCenter.h"

#include <QCoreApplication>
#include <QThread>
#include <QTimer>

NotificationCenter& NotificationCenter::defaultCenter() {
  static NotificationCenter center;
  return center;
}

NotificationCenter::Token NotificationCenter::addObserver(const void* owner, const QString& name,
                                                          const void* object, Callback callback) {
  QMutexLocker lock(&m_lock);
  auto observer = std::make_shared<Observer>();
  observer->token = m_nextToken++;
  observer->owner = owner;
  observer->name = name;
  observer->object = object;
  observer->callback = std::move(callback);
  m_observers.push_back(observer);
  return observer->token;
}

void NotificationCenter::removeObserver(Token token) {
  QMutexLocker lock(&m_lock);
  std::erase_if(m_observers, [&](const std::shared_ptr<Observer>& o) {
    if (o->token != token) return false;
    o->alive = false;
    return true;
  });
}

void NotificationCenter::removeObserver(const void* owner) {
  QMutexLocker lock(&m_lock);
  std::erase_if(m_observers, [&](const std::shared_ptr<Observer>& o) {
    if (o->owner != owner) return false;
    o->alive = false;
    return true;
  });
}

void NotificationCenter::removeObserver(const void* owner, const QString& name, const void* object) {
  QMutexLocker lock(&m_lock);
  std::erase_if(m_observers, [&](const std::shared_ptr<Observer>& o) {
    if (o->owner != owner || (!name.isEmpty() && o->name != name) ||
        (object != nullptr && o->object != object))
      return false;
    o->alive = false;
    return true;
  });
}

void NotificationCenter::post(const CSNotification& notification) {
  std::vector<std::shared_ptr<Observer>> matching;
  {
    QMutexLocker lock(&m_lock);
    for (const auto& o : m_observers) {
      if (!o->name.isEmpty() && o->name != notification.name) continue;
      if (o->object != nullptr && o->object != notification.object) continue;
      matching.push_back(o);
    }
  }
  // Called without the lock, so observers may add or remove observers; one
  // removed by an earlier callback of this post is skipped.
  for (const auto& o : matching) {
    if (o->alive) o->callback(notification);
  }
}

void NotificationCenter::post(const QString& name, void* object, const QVariantMap& userInfo) {
  post(CSNotification{name, object, userInfo});
}

NotificationQueue::NotificationQueue() {
  if (QCoreApplication::instance()) moveToThread(QCoreApplication::instance()->thread());
}

NotificationQueue& NotificationQueue::defaultQueue() {
  static NotificationQueue* queue = new NotificationQueue;  // lives for the whole run
  return *queue;
}

void NotificationQueue::enqueue(const CSNotification& notification, bool coalesce) {
  {
    QMutexLocker lock(&m_lock);
    if (coalesce) {
      for (const CSNotification& waiting : m_pending) {
        if (waiting.name == notification.name && waiting.object == notification.object) return;
      }
    }
    m_pending.push_back(notification);
  }
  scheduleFlush();
}

void NotificationQueue::dequeueMatching(const QString& name, const void* object) {
  QMutexLocker lock(&m_lock);
  std::erase_if(m_pending, [&](const CSNotification& n) {
    return n.name == name && (object == nullptr || n.object == object);
  });
}

int NotificationQueue::pendingCount() {
  QMutexLocker lock(&m_lock);
  return int(m_pending.size());
}

void NotificationQueue::scheduleFlush() {
  {
    QMutexLocker lock(&m_lock);
    if (m_scheduled) return;
    m_scheduled = true;
  }
  QCoreApplication* app = QCoreApplication::instance();
  if (!app) {
    flush();  // no event loop to wait for
    return;
  }
  // A zero timer fires once the loop has handled the events already waiting.
  QMetaObject::invokeMethod(this, [this] { QTimer::singleShot(0, this, [this] { flush(); }); },
                            Qt::QueuedConnection);
}

void NotificationQueue::flush() {
  std::vector<CSNotification> due;
  {
    QMutexLocker lock(&m_lock);
    due.swap(m_pending);
    m_scheduled = false;
  }
  for (const CSNotification& n : due) NotificationCenter::defaultCenter().post(n);
}
