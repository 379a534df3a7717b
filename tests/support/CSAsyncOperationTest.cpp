#include "support/CSAsyncOperation.h"
#include "testkit/LogCapture.h"

#include <gtest/gtest.h>
#include <QThread>
#include <QThreadPool>
#include <future>
#include <stdexcept>

// Named outside any namespace: the log names the operation's class.
class ThrowingOperation : public CSAsyncOperation {
 public:
  bool performOperation() override { throw std::runtime_error("pixels gone"); }
  void operationFinished(bool success) override {
    m_wasWorking = working();
    m_result.set_value(success);
  }
  std::promise<bool> m_result;
  bool m_wasWorking = true;
};

// Work that waits until the test lets it go, so its state can be read while
// it runs on the pool's thread.
class GatedOperation : public CSAsyncOperation {
 public:
  bool performOperation() override {
    m_started.set_value();
    m_release.get_future().wait();
    return m_answer;
  }
  void operationFinished(bool success) override {
    m_thread = QThread::currentThread();
    m_result.set_value(success);
  }
  bool m_answer = true;
  std::promise<void> m_started;
  std::promise<void> m_release;
  std::promise<bool> m_result;
  QThread* m_thread = nullptr;
};

namespace {

TEST(CSAsyncOperation, ThrowingWorkIsLoggedAndFails) {
  LogCapture log;
  QThreadPool pool;
  ThrowingOperation operation;
  std::future<bool> result = operation.m_result.get_future();
  pool.start(&operation);
  ASSERT_EQ(result.wait_for(std::chrono::seconds(30)), std::future_status::ready);
  EXPECT_FALSE(result.get());
  pool.waitForDone();
  EXPECT_FALSE(operation.m_wasWorking);
  EXPECT_TRUE(operation.isFinished());
  const QStringList lines = log.lines();
  ASSERT_EQ(lines.size(), 1);
  EXPECT_TRUE(
      lines[0].startsWith(QStringLiteral("Operation ThrowingOperation failed: std::runtime_error: pixels gone")))
      << lines[0].toStdString();
}

TEST(CSAsyncOperation, WorkingWhileRunningAndResultPassedOn) {
  for (const bool answer : {true, false}) {
    QThreadPool pool;
    GatedOperation operation;
    operation.m_answer = answer;
    std::future<void> started = operation.m_started.get_future();
    std::future<bool> result = operation.m_result.get_future();
    bool signalled = !answer;
    QObject::connect(
        &operation, &CSAsyncOperation::finished, &operation, [&](bool success) { signalled = success; },
        Qt::DirectConnection);
    EXPECT_TRUE(operation.isFinished());  // not started yet
    pool.start(&operation);
    ASSERT_EQ(started.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_TRUE(operation.isExecuting());
    EXPECT_FALSE(operation.isFinished());
    operation.m_release.set_value();
    ASSERT_EQ(result.wait_for(std::chrono::seconds(30)), std::future_status::ready);
    EXPECT_EQ(result.get(), answer);
    pool.waitForDone();
    EXPECT_FALSE(operation.isExecuting());
    EXPECT_EQ(signalled, answer);
    EXPECT_NE(operation.m_thread, QThread::currentThread());
  }
}

TEST(CSAsyncOperation, BaseWorkFailsAndCancelledOperationNeverWorks) {
  CSAsyncOperation base;
  bool reported = true;
  QObject::connect(&base, &CSAsyncOperation::finished, &base, [&](bool success) { reported = success; });
  base.main();
  EXPECT_FALSE(reported);
  EXPECT_FALSE(base.isConcurrent());

  GatedOperation cancelled;
  cancelled.cancel();
  EXPECT_TRUE(cancelled.isCancelled());
  cancelled.main();  // would block if the work ran
  EXPECT_EQ(cancelled.m_started.get_future().wait_for(std::chrono::seconds(0)), std::future_status::timeout);
}

}  // namespace
