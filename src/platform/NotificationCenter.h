#pragma once
// Named notifications: a name, the object they concern (compared by address
// only) and a map of user information. Observers run synchronously on the
// posting thread, in the order they were added.

#include <QMutex>
#include <atomic>
#include <QObject>
#include <QString>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <vector>

struct CSNotification {
  QString name;
  void* object = nullptr;
  QVariantMap userInfo;
};

class NotificationCenter {
 public:
  using Callback = std::function<void(const CSNotification&)>;
  using Token = quint64;

  static NotificationCenter& defaultCenter();

  // An empty name matches every name; a null object matches every object.
  // `owner` only groups observers for removeObserver(owner).
  Token addObserver(const void* owner, const QString& name, const void* object, Callback callback);
  void removeObserver(Token token);
  void removeObserver(const void* owner);
  void removeObserver(const void* owner, const QString& name, const void* object);

  void post(const CSNotification& notification);
  void post(const QString& name, void* object = nullptr, const QVariantMap& userInfo = {});

 private:
  struct Observer {
    Token token;
    const void* owner;
    QString name;
    const void* object;
    Callback callback;
    std::atomic<bool> alive{true};
  };
  QMutex m_lock;
  std::vector<std::shared_ptr<Observer>> m_observers;
  Token m_nextToken = 1;
};

// Holds notifications until the main event loop has handled its pending
// events, folding posts of the same name and object into the first one.
class NotificationQueue : public QObject {
  Q_OBJECT
 public:
  static NotificationQueue& defaultQueue();

  // With `coalesce`, a notification whose name and object match one already
  // waiting is dropped. Safe from any thread; delivery is on the main thread.
  void enqueue(const CSNotification& notification, bool coalesce = true);
  // Drops waiting notifications of that name and object (null object: any).
  void dequeueMatching(const QString& name, const void* object);
  // Posts everything waiting now.
  void flush();
  int pendingCount();

 private:
  NotificationQueue();
  void scheduleFlush();
  QMutex m_lock;
  std::vector<CSNotification> m_pending;
  bool m_scheduled = false;
};
