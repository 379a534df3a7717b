// Colour replacement as the colour swap runs it: on a worker thread, with a
// cancel byte the main thread sets and progress posted on the main thread.
// The ThreadSanitizer build (make tsan) runs this suite.
#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QThread>
#include <algorithm>
#include <atomic>
#include <functional>
#include <thread>
#include <vector>

#include "pixmap/CSPixmap.h"
#include "platform/NotificationCenter.h"
#include "support/CSAsyncOperation.h"

namespace {

// The swap operation's part that matters here: the replacement with its
// own cancel byte, which cancel() sets.
class ReplaceOperation : public CSAsyncOperation {
 public:
  ReplaceOperation(CSPixmap* pixmap, const CSPixmap* mask, Kolor kolor, int tolerance)
      : m_pixmap(pixmap), m_mask(mask), m_kolor(kolor), m_tolerance(tolerance) {}

  bool performOperation() override {
    m_swapDone = m_pixmap->replaceColorsFromMask(m_mask, QPointF(0, 0), m_kolor, m_tolerance, &m_cancelFlag);
    return m_swapDone;
  }
  void operationFinished(bool) override { m_ended.store(true, std::memory_order_release); }
  void cancel() override {
    m_cancelFlag.store(1, std::memory_order_relaxed);
    CSAsyncOperation::cancel();
  }

  bool ended() const { return m_ended.load(std::memory_order_acquire); }
  // Read once ended() answers true.
  bool swapDone() const { return m_swapDone; }

 private:
  CSPixmap* m_pixmap;
  const CSPixmap* m_mask;
  Kolor m_kolor;
  int m_tolerance;
  std::atomic<uint8_t> m_cancelFlag{0};
  std::atomic<bool> m_ended{false};
  bool m_swapDone = false;
};

struct Report {
  qint64 count;
  qint64 total;
  bool onMainThread;
};

// Records the progress reports of one pixmap; `onReport` may act on each.
class ReportLog {
 public:
  explicit ReportLog(const CSPixmap* pixmap, std::function<void(const Report&)> onReport = {}) {
    m_token = NotificationCenter::defaultCenter().addObserver(
        this, CSPixmap::pixmapReplaceNotification(), pixmap, [this, onReport](const CSNotification& note) {
          const Report report{note.userInfo.value(QStringLiteral("count")).toLongLong(),
                              note.userInfo.value(QStringLiteral("total")).toLongLong(),
                              QThread::currentThread() == QCoreApplication::instance()->thread()};
          reports.push_back(report);
          if (onReport) onReport(report);
        });
  }
  ~ReportLog() { NotificationCenter::defaultCenter().removeObserver(m_token); }

  std::vector<Report> reports;

 private:
  NotificationCenter::Token m_token;
};

// Runs the operation on a thread of its own while the main thread handles
// its events, then delivers what the worker posted last.
void RunOnWorker(ReplaceOperation& operation) {
  std::thread worker([&operation] { operation.run(); });
  while (!operation.ended()) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QThread::yieldCurrentThread();
  }
  worker.join();
  QCoreApplication::processEvents(QEventLoop::AllEvents);
}

constexpr Kolor kNewKolor = 0x640000FF;  // opaque red
const uint32_t kNewPixel = PixelFromKolor(kNewKolor);

// Each row holds 1024 colours, one a column, that the first row selected
// as a mask lists; at tolerance 1 every pixel matches one of them, and
// matching each takes a search of the long list, so a run lasts long after
// its first report.
std::unique_ptr<CSPixmap> ManyColours(int rows) {
  auto pixmap = CSPixmap::initWithSize(QSizeF(1024, rows));
  const PixelBitmap bits = pixmap->bitmap();
  for (int y = 0; y < rows; ++y)
    for (uint32_t x = 0; x < 1024; ++x) *bits.pixelAt(x, y) = MakePixel(x & 0xFF, 16 + (x >> 8) * 8, 40, 255);
  return pixmap;
}

std::unique_ptr<CSPixmap> FirstRowMask() {
  auto mask = CSPixmap::initWithSize(QSizeF(1024, 1));
  std::fill_n(mask->bitmap().row(0), 1024, kOpaqueBlackPixel);
  return mask;
}

TEST(ColorReplaceWorkerTest, ACompleteRunReportsEachRowAndEndsWithOne) {
  auto pixmap = ManyColours(6);
  auto mask = FirstRowMask();
  ReportLog log(pixmap.get());
  ReplaceOperation operation(pixmap.get(), mask.get(), kNewKolor, 0);
  RunOnWorker(operation);
  EXPECT_TRUE(operation.swapDone());
  for (int y = 0; y < 6; ++y)
    for (int x = 0; x < 1024; ++x) ASSERT_EQ(*pixmap->bitmap().pixelAt(x, y), kNewPixel) << x << "," << y;
  ASSERT_EQ(log.reports.size(), 7u);
  for (int row = 0; row < 6; ++row) {
    EXPECT_EQ(log.reports[row].count, row * 1024);
    EXPECT_EQ(log.reports[row].total, 6 * 1024);
  }
  EXPECT_EQ(log.reports.back().count, 1);
  EXPECT_EQ(log.reports.back().total, 1);
  for (const Report& report : log.reports) EXPECT_TRUE(report.onMainThread);
  EXPECT_FALSE(pixmap->hasAlpha());
}

TEST(ColorReplaceWorkerTest, CancelledAfterSomeRowsItKeepsThem) {
  const int rows = 1024;
  auto pixmap = ManyColours(rows);
  auto mask = FirstRowMask();
  ReplaceOperation operation(pixmap.get(), mask.get(), kNewKolor, 1);
  qint64 countAtCancel = -1;
  // The main thread cancels on the report that follows a finished row.
  ReportLog log(pixmap.get(), [&](const Report& report) {
    if (countAtCancel < 0 && report.count > 0 && report.total > 1) {
      countAtCancel = report.count;
      operation.cancel();
    }
  });
  RunOnWorker(operation);

  ASSERT_GT(countAtCancel, 0);
  EXPECT_TRUE(operation.swapDone());
  // The pixels replaced are those before some point, in row order, and
  // include every row reported done when the cancel came.
  const PixelBitmap bits = pixmap->bitmap();
  int64_t replaced = 0;
  while (replaced < int64_t(rows) * 1024 && *bits.pixelAt(replaced % 1024, replaced / 1024) == kNewPixel) ++replaced;
  EXPECT_GE(replaced, countAtCancel);
  EXPECT_LT(replaced, int64_t(rows) * 1024) << "the run ended before the cancel";
  for (int64_t i = replaced; i < int64_t(rows) * 1024; ++i)
    ASSERT_NE(*bits.pixelAt(i % 1024, i / 1024), kNewPixel) << "pixel " << i << " replaced after the cancel";

  // The last report says the run is over, and every report came on the
  // main thread.
  ASSERT_FALSE(log.reports.empty());
  EXPECT_EQ(log.reports.back().count, 1);
  EXPECT_EQ(log.reports.back().total, 1);
  for (size_t i = 0; i + 1 < log.reports.size(); ++i) {
    EXPECT_EQ(log.reports[i].total, int64_t(rows) * 1024);
    EXPECT_LE(log.reports[i].count, replaced);
  }
  for (const Report& report : log.reports) EXPECT_TRUE(report.onMainThread);
}

TEST(ColorReplaceWorkerTest, CancelledBeforeTheFirstPixelItReplacesNothing) {
  auto pixmap = ManyColours(3);
  auto before = pixmap->copy();
  auto mask = FirstRowMask();
  ReportLog log(pixmap.get());
  ReplaceOperation operation(pixmap.get(), mask.get(), kNewKolor, 0);
  operation.cancel();
  // The base operation does not even start a cancelled run; the work
  // itself must stop too.
  EXPECT_FALSE(operation.performOperation());
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  for (int y = 0; y < 3; ++y)
    for (int x = 0; x < 1024; ++x) ASSERT_EQ(*pixmap->bitmap().pixelAt(x, y), *before->bitmap().pixelAt(x, y));
  ASSERT_EQ(log.reports.size(), 1u);
  EXPECT_EQ(log.reports[0].count, 1);
  EXPECT_EQ(log.reports[0].total, 1);
}

TEST(ColorReplaceWorkerTest, AReportPostsAtOnceOnTheCallingThread) {
  auto pixmap = ManyColours(1);
  ReportLog log(pixmap.get());
  pixmap->reportReplaceProgress({{QStringLiteral("count"), 3}, {QStringLiteral("total"), 9}});
  ASSERT_EQ(log.reports.size(), 1u);
  EXPECT_EQ(log.reports[0].count, 3);
  EXPECT_EQ(log.reports[0].total, 9);
}

TEST(ColorReplaceWorkerTest, AnEmptySelectionListAnswersNoAndPostsNothing) {
  auto pixmap = ManyColours(2);
  // A mask over transparent pixels only, and one off the pixmap.
  auto transparent = CSPixmap::initWithSize(QSizeF(4, 4));
  std::fill_n(transparent->bitmap().row(0), 4, kOpaqueBlackPixel);
  auto holder = CSPixmap::initWithSize(QSizeF(4, 4));
  auto outside = CSPixmap::initWithSize(QSizeF(1, 1));
  *outside->bitmap().pixelAt(0, 0) = kOpaqueBlackPixel;

  ReportLog log(holder.get());
  ReplaceOperation clear(holder.get(), transparent.get(), kNewKolor, 0);
  RunOnWorker(clear);
  EXPECT_FALSE(clear.swapDone());
  EXPECT_TRUE(log.reports.empty());

  ReportLog offLog(pixmap.get());
  auto before = pixmap->copy();
  EXPECT_FALSE(pixmap->replaceColorsFromMask(outside.get(), QPointF(5000, 0), kNewKolor, 0, nullptr));
  std::atomic<uint8_t> cancel{0};
  EXPECT_FALSE(pixmap->replaceColorsFromMask(outside.get(), QPointF(-1, 0), kNewKolor, 0, &cancel));
  QCoreApplication::processEvents(QEventLoop::AllEvents);
  EXPECT_TRUE(offLog.reports.empty());
  for (int x = 0; x < 1024; ++x) ASSERT_EQ(*pixmap->bitmap().pixelAt(x, 1), *before->bitmap().pixelAt(x, 1));
}

}  // namespace
