#pragma once
// The swap of the selection's colours over a whole painting, run on a
// worker thread. The worker changes a copy of the painting's pixels, never
// the painting itself, so the canvas may go on drawing the painting while
// it runs; install() hands the copy (with whatever rows were done before a
// cancel) to the painting on the main thread.

#include <QPointF>
#include <atomic>
#include <cstdint>
#include <memory>

#include "support/CSAsyncOperation.h"
#include "support/Kolor.h"

class CSPixmap;
class DRPainting;

class DRSwapPixelsOperation : public CSAsyncOperation {
  Q_OBJECT

 public:
  // Takes copies of the painting's pixels and of the mask, and the tool
  // settings' tolerance, on the calling (main) thread.
  DRSwapPixelsOperation(std::shared_ptr<DRPainting> painting, const CSPixmap* mask, QPointF origin, Kolor kolor);
  ~DRSwapPixelsOperation() override;

  // Whether the copies could be made; an operation without them does
  // nothing.
  bool isValid() const { return m_work && m_mask; }
  // The pixels the worker changes: the object of its progress reports.
  const CSPixmap* workPixmap() const { return m_work.get(); }

  // Runs the work as the base does, then marks the worker done with this
  // object (see the destructor).
  void run() override;
  bool performOperation() override;
  // Sets the flag the pixel loop reads, then cancels as the base does.
  void cancel() override;

  // Whether any pixel was replaced.
  bool swapDone() const { return m_swapDone.load(); }
  // Main thread, once the worker has stopped: when any pixel was
  // replaced, the painting takes the changed pixels (and is marked
  // edited); whether it did.
  bool install();

 private:
  std::shared_ptr<DRPainting> m_painting;
  std::unique_ptr<CSPixmap> m_work;
  std::unique_ptr<CSPixmap> m_mask;
  QPointF m_origin;
  Kolor m_replaceKolor;
  int m_tolerance = 0;
  std::atomic<uint8_t> m_cancelFlag{0};
  std::atomic<bool> m_swapDone{false};
  std::atomic<bool> m_ranOut{false};
};
