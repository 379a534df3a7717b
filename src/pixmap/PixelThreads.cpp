#include "pixmap/PixelThreads.h"

#include <QThreadPool>
#include <algorithm>
#include <atomic>
#include <condition_variable>
#include <deque>
#include <memory>
#include <mutex>

namespace {

// What the caller and the pool threads share. A pool thread may start after
// the caller has returned; it then finds no part left and touches only this
// record, which it keeps alive.
struct SharedRows {
  std::function<void(int64_t, int64_t)> work;
  int64_t rows = 0;
  int64_t parts = 0;
  std::atomic<int64_t> next{0};
  std::mutex mutex;
  std::condition_variable allDone;
  int64_t done = 0;  // guarded by mutex

  int64_t boundary(int64_t part) const { return RowRangeStart(rows, parts, part); }

  bool finished() const { return next.load(std::memory_order_relaxed) >= parts; }

  // Takes parts until none is left. The last part done wakes the caller.
  void run() {
    for (;;) {
      const int64_t part = next.fetch_add(1, std::memory_order_relaxed);
      if (part >= parts) return;
      work(boundary(part), boundary(part + 1));
      std::lock_guard<std::mutex> lock(mutex);
      if (++done == parts) allDone.notify_all();
    }
  }
};

// Loops waiting for pool threads. A pool task carries nothing itself and
// takes its loop from here under a standard lock: what Qt hands to its
// threads passes through locks the thread sanitizer cannot see, these it
// can. Loops whose parts are all taken are passed over and dropped.
std::mutex g_postedMutex;
std::deque<std::shared_ptr<SharedRows>> g_posted;

void RunPostedRows() {
  std::shared_ptr<SharedRows> rows;
  {
    std::lock_guard<std::mutex> lock(g_postedMutex);
    while (!g_posted.empty() && !rows) {
      if (!g_posted.front()->finished()) rows = g_posted.front();
      g_posted.pop_front();
    }
  }
  if (rows) rows->run();
}

}  // namespace

int64_t PixelLoopParts(int64_t rows, int64_t rowsPerPart, int64_t partsPerThread) {
  if (rows <= 0) return 1;
  const QThreadPool* pool = QThreadPool::globalInstance();
  const int64_t threads = pool ? std::max(1, pool->maxThreadCount()) : 1;
  const int64_t byRows = rows / std::max<int64_t>(rowsPerPart, 1);
  return std::clamp<int64_t>(byRows, 1, threads * std::max<int64_t>(partsPerThread, 1));
}

void ForEachRowRange(int64_t rows, int64_t parts, const std::function<void(int64_t, int64_t)>& work) {
  if (rows <= 0) return;
  parts = std::clamp<int64_t>(parts, 1, rows);
  QThreadPool* pool = parts > 1 ? QThreadPool::globalInstance() : nullptr;
  if (!pool) {
    work(0, rows);
    return;
  }
  auto shared = std::make_shared<SharedRows>();
  shared->work = work;
  shared->rows = rows;
  shared->parts = parts;
  for (int64_t helper = 1; helper < parts; ++helper) {
    {
      std::lock_guard<std::mutex> lock(g_postedMutex);
      g_posted.push_back(shared);
    }
    // A task that does not start leaves its entry behind, for a later task
    // to drop.
    if (!pool->tryStart(RunPostedRows)) break;
  }
  shared->run();
  std::unique_lock<std::mutex> lock(shared->mutex);
  shared->allDone.wait(lock, [&] { return shared->done == shared->parts; });
}
