#include "model/ModelSupport.h"

#include <QString>

#include "model/DRModelServices.h"
#include "platform/NotificationCenter.h"

bool g_suppressColorRegister = false;

void RegisterKolor(Kolor kolor, bool primary) {
  if (g_suppressColorRegister || !IsValidKolor(kolor)) return;
  CSNotification notification;
  notification.name = primary ? QStringLiteral("twdraw.registerColor") : QStringLiteral("twdraw.registerAltColor");
  notification.object = ModelServices().mainWindow();
  notification.userInfo.insert(QStringLiteral("color"), ValueWithKolor(kolor));
  // The queue keeps the first of a burst; the info bar wants the last.
  NotificationQueue& queue = NotificationQueue::defaultQueue();
  queue.dequeueMatching(notification.name, notification.object);
  queue.enqueue(notification, true);
}
