#pragma once
// One snapshot of the drawing controller's undo store. The store keeps its
// records in a ring of raw bytes and moves them byte by byte, so the record
// is a plain struct: what it owns it holds through raw pointers, made with
// new and released by the controller's freeUndoAction(), which also sees
// records that are all zero.

#include <QtGlobal>
#include <type_traits>
#include <vector>

#include "model/DRElementGroup.h"
#include "support/Measure.h"

class CSImage;
struct CSPrintInfo;

struct DRDrawUndoRecord {
  // The drawing's own dirty flag as it was before the change.
  bool dirty;
  // The snapshot was completed (a refused one is taken back half-made).
  bool finished;
  // Element changes: every element of the drawing as an undo copy, and the
  // selection in selecting order pointing at those copies.
  DRElementList* elements;
  std::vector<DRElement*>* selection;
  // Background changes.
  CSImage* backgroundImage;
  CSRect backgroundRect;
  double backgroundOpacity;
  // Page set-up changes.
  CSPrintInfo* printInfo;
};

static_assert(std::is_trivially_copyable_v<DRDrawUndoRecord>, "the undo store copies records byte by byte");
static_assert(std::is_trivially_copyable_v<CSRect>);
static_assert(sizeof(DRDrawUndoRecord) % 2 == 0, "the undo store takes whole 16-bit words");
