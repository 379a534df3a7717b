#include "ui/paint/DRSwapPixelsOperation.h"

#include "model/DRPainting.h"
#include "model/DRSettings.h"
#include "pixmap/CSPixmap.h"
#include "support/SaturatingCast.h"

DRSwapPixelsOperation::DRSwapPixelsOperation(std::shared_ptr<DRPainting> painting, const CSPixmap* mask,
                                             QPointF origin, Kolor kolor)
    : m_painting(std::move(painting)), m_origin(origin), m_replaceKolor(kolor) {
  m_tolerance = SaturatingCast<int>(double(DRSettings::sharedInstance().paintTolerance()));
  const CSPixmap* pixels = m_painting ? m_painting->pixmap() : nullptr;
  if (!pixels || !mask) return;
  m_work = pixels->copy();
  if (m_work) m_work->setPixmapMode(pixels->pixmapMode());
  m_mask = mask->copy();
  if (m_mask) m_mask->setPixmapMode(mask->pixmapMode());
}

DRSwapPixelsOperation::~DRSwapPixelsOperation() {
  // The pool has finished with the worker before the owner lets this go,
  // through its own locks, which the thread checker cannot see; the worker's
  // last store, read here, shows it the hand-over before the memory is
  // reused (the operation usually lives on the caller's stack).
  (void)m_ranOut.load(std::memory_order_acquire);
}

void DRSwapPixelsOperation::run() {
  CSAsyncOperation::run();
  m_ranOut.store(true, std::memory_order_release);
}

bool DRSwapPixelsOperation::performOperation() {
  if (!isValid()) return false;
  const bool done = m_work->replaceColorsFromMask(m_mask.get(), m_origin, m_replaceKolor, m_tolerance, &m_cancelFlag);
  m_swapDone.store(done);
  return done;
}

void DRSwapPixelsOperation::cancel() {
  m_cancelFlag.store(1);
  CSAsyncOperation::cancel();
}

bool DRSwapPixelsOperation::install() {
  if (!m_swapDone.load() || !m_work || !m_painting || working()) return false;
  m_painting->replacePixmap(std::move(m_work));
  return true;
}
