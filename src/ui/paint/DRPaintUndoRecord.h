#pragma once
// One snapshot of a painting tab's undo store: the painting as it was and
// the canvas's selection. The store moves records byte by byte, so the
// record is a plain struct whose owned parts are raw pointers made with new
// and released by the painting controller's freeUndoAction(), which also
// sees records that are all zero.

#include <cstdint>
#include <memory>
#include <type_traits>

class CSPixmap;
class DRPainting;

struct DRPaintUndoRecord {
  // A copy of the painting (owned).
  std::shared_ptr<DRPainting>* painting;
  // A copy of the canvas's selection mask (owned), or null.
  CSPixmap* selectionMask;
  // The selection's bounds in pixels.
  double selectionX;
  double selectionY;
  double selectionWidth;
  double selectionHeight;
  // Pixel bytes the snapshot holds, for the store's byte cap.
  uint64_t bytes;
  bool allSelected;
  // The snapshot was completed (a refused one is taken back half-made).
  bool finished;
};

static_assert(std::is_trivially_copyable_v<DRPaintUndoRecord>, "the undo store copies records byte by byte");
static_assert(sizeof(DRPaintUndoRecord) % 2 == 0, "the undo store takes whole 16-bit words");
