#include <gtest/gtest.h>
#include <pthread.h>

#include <QThread>
#include <cstring>
#include <thread>

#include "support/ThreadStorage.h"

TEST(ThreadStorage, NullUntilMadeThenZeroedAndNamed) {
  std::thread([] {
    EXPECT_EQ(GetThreadStorage(), nullptr);
    uint8_t* block = AllocateThreadStorage(QStringLiteral("storage.test"));
    ASSERT_NE(block, nullptr);
    EXPECT_EQ(GetThreadStorage(), block);
    for (size_t i = 0; i < kThreadStorageSize; ++i) ASSERT_EQ(block[i], 0);
    std::memset(block, 0xAB, kThreadStorageSize);  // the whole block is writable
    char name[32] = {};
    pthread_getname_np(pthread_self(), name, sizeof name);
    EXPECT_STREQ(name, "storage.test");
    // A second call clears the same block.
    EXPECT_EQ(AllocateThreadStorage(QString()), block);
    EXPECT_EQ(block[127], 0);
    EXPECT_FALSE(IsMainThread());
  }).join();
}

TEST(ThreadStorage, EachThreadHasItsOwnBlock) {
  uint8_t* first = nullptr;
  uint8_t* second = nullptr;
  std::thread a([&] {
    first = AllocateThreadStorage(QStringLiteral("a"));
    first[0] = 1;
    std::thread b([&] {
      EXPECT_EQ(GetThreadStorage(), nullptr);  // not inherited
      second = AllocateThreadStorage(QStringLiteral("b"));
      EXPECT_EQ(second[0], 0);
    });
    b.join();
    EXPECT_EQ(GetThreadStorage(), first);
    EXPECT_EQ(first[0], 1);
  });
  a.join();
  EXPECT_NE(first, nullptr);
  EXPECT_NE(first, second);
  // Both blocks went with their threads; LeakSanitizer reports them otherwise.
}

TEST(ThreadStorage, MainThread) {
  EXPECT_TRUE(IsMainThread());
}
