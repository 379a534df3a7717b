#include "pixmap/BlurSmudge.h"

// Until blur and smudge strokes exist nothing makes the buffers these stamps
// need, so a stamp with a smudge buffer never reaches here; both leave the
// pixels alone.

void BlurWithBrush(BrushContext* brush) {
  (void)brush;
}

void Smudge(BrushContext* brush) {
  (void)brush;
}
