#include "platform/NotificationCenter.h"

#include <gtest/gtest.h>
#include <QCoreApplication>
#include <QEventLoop>
#include <QTimer>

namespace {
int owner;
int objectA, objectB;
}  // namespace

TEST(NotificationCenter, DeliversByNameAndObjectAndStopsAfterRemoval) {
  auto& center = NotificationCenter::defaultCenter();
  std::vector<QString> seen;
  center.addObserver(&owner, "test.change", &objectA, [&](const CSNotification& n) {
    seen.push_back(n.name + ":" + n.userInfo.value("key").toString());
  });
  center.addObserver(&owner, QString(), nullptr, [&](const CSNotification& n) {
    if (n.object == &objectB) seen.push_back("any:" + n.name);
  });
  center.post("test.change", &objectA, {{"key", "1"}});
  center.post("test.change", &objectB, {{"key", "2"}});  // only the catch-all matches
  center.post("test.other", &objectA);
  EXPECT_EQ(seen, (std::vector<QString>{"test.change:1", "any:test.change"}));

  center.removeObserver(&owner);
  seen.clear();
  center.post("test.change", &objectA, {{"key", "3"}});
  EXPECT_TRUE(seen.empty());
}

TEST(NotificationCenter, ObserverRemovedDuringPostIsNotCalled) {
  auto& center = NotificationCenter::defaultCenter();
  int calls = 0;
  NotificationCenter::Token second = 0;
  center.addObserver(&owner, "test.remove", nullptr, [&](const CSNotification&) {
    ++calls;
    center.removeObserver(second);
  });
  second = center.addObserver(&owner, "test.remove", nullptr, [&](const CSNotification&) { calls += 100; });
  center.post("test.remove");
  EXPECT_EQ(calls, 1);
  center.removeObserver(&owner);
}

TEST(NotificationQueue, CoalescesUntilTheLoopIsIdle) {
  auto& center = NotificationCenter::defaultCenter();
  auto& queue = NotificationQueue::defaultQueue();
  std::vector<QString> seen;
  center.addObserver(&owner, QString(), nullptr, [&](const CSNotification& n) {
    if (n.name.startsWith("queue.")) seen.push_back(n.name + (n.object == &objectA ? "@A" : "@B"));
  });
  queue.enqueue({"queue.selection", &objectA, {}});
  queue.enqueue({"queue.selection", &objectA, {}});
  queue.enqueue({"queue.selection", &objectA, {}});
  queue.enqueue({"queue.selection", &objectB, {}});  // another object is not folded in
  EXPECT_TRUE(seen.empty());                          // nothing before the loop runs

  QEventLoop loop;
  QTimer::singleShot(50, &loop, &QEventLoop::quit);
  loop.exec();
  EXPECT_EQ(seen, (std::vector<QString>{"queue.selection@A", "queue.selection@B"}));
  EXPECT_EQ(queue.pendingCount(), 0);

  queue.enqueue({"queue.dropped", &objectA, {}});
  queue.dequeueMatching("queue.dropped", nullptr);
  QCoreApplication::processEvents();
  QCoreApplication::processEvents();
  EXPECT_EQ(seen.size(), 2u);
  center.removeObserver(&owner);
}
