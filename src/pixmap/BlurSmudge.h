#pragma once
// Blurring a whole bitmap, and the blur and smudge stamps a brush makes while
// a blur or smudge stroke holds its buffers (BrushContext::smudgeBuffer, and
// blurBuffer for a blur).
//
// The blur approximates a Gaussian of standard deviation 10 x strength by
// three successive box blurs, each a horizontal and a vertical running sum,
// so its cost does not depend on the strength. It reads every pixel made
// opaque (colours un-premultiplied, a transparent pixel as white) and writes
// only opaque pixels. Large pictures are blurred in bands of rows across the
// thread pool, each band streaming its rows through all three boxes; boxes
// of radius 0 are left out once a wider one makes the pixels opaque. The
// sums are exact, so the result is the same however the work is split.

#include <cstdint>

#include "pixmap/PixelFunctions.h"

// The largest brush size exponent of the blur and smudge stamps, the largest
// with a round stamp table; larger exponents are taken as this one.
constexpr uint64_t kMaxSmudgeExponent = 6;

// The radii of the three box blurs; a box of radius r averages 2r + 1 pixels.
struct BoxSizes {
  int64_t boxSizes[3] = {0, 0, 0};
  int64_t maxBoxSize = 0;  // the largest of the three
};

// A strength whose boxes are already wider than the largest pixmap; larger
// strengths blur as this one.
constexpr double kMaxBlurStrength = 3000;

// The three radii for a strength: 9, 9, 10 at 1.0; all 0 at 0 (and for a
// strength that is not a number), and for strengths too faint to blur.
BoxSizes BlurRadius(double strength);

// The three box blurs of `sizes`, in place on `source`, each a horizontal
// pass and a vertical one (streamed through row rings for large pictures,
// else through `scratch`). Only the source's width and height are worked
// on; the scratch must be at least as large. Every pixel of the source ends
// opaque.
void BoxBlur(const PixelBitmap& source, const PixelBitmap& scratch, const BoxSizes& sizes);

// Blurs the whole bitmap; false, with nothing changed, when the strength
// gives no radius or its working memory cannot be had.
bool Blur(const PixelBitmap& bitmap, double strength);

// One blur stamp at the brush's x and y: the part of the painting within
// half the buffer's side is copied into the smudge buffer and blurred there
// at the brush's strength, and the blurred pixels are written back under
// the round stamp of the smudge size exponent.
void BlurWithBrush(BrushContext* brush);

// One smudge stamp at the brush's x and y: the colour carried in the smudge
// buffer (cell (c, j) standing for the pixel (x - N / 2 + c, y - N / 2 + j),
// N = 2^smudgeSize) is laid over the pixels under it at the strength's
// opacity, and, below full strength, the buffer picks up what is there now.
void Smudge(BrushContext* brush);
