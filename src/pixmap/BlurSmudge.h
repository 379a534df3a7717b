#pragma once
// The blur and smudge stamps a brush makes while a blur or smudge stroke
// holds its buffers (BrushContext::smudgeBuffer, and blurBuffer for a blur).

#include "pixmap/PixelFunctions.h"

// One blur stamp at the brush's x and y: the pixels under the brush are
// replaced by their blurred values.
void BlurWithBrush(BrushContext* brush);
// One smudge stamp at the brush's x and y: the colour carried in the smudge
// buffer is laid down under the brush.
void Smudge(BrushContext* brush);
