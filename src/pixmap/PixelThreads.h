#pragma once
// Splitting the rows of a pixel loop across the global thread pool. The
// calling thread works too and takes whatever part no pool thread has
// started, so a call made from a pool thread, or while the pool is busy,
// still finishes; it returns once every part is done.

#include <cstdint>
#include <functional>

// How many parts a loop over that many rows is worth splitting into: one
// part per `rowsPerPart` rows at least, and no more than the pool's threads
// (with the caller) times `partsPerThread`. 1 means run it inline.
int64_t PixelLoopParts(int64_t rows, int64_t rowsPerPart, int64_t partsPerThread = 1);

// Where part `part` of `parts` (1 to rows) starts; the last part ends at
// `rows`.
inline int64_t RowRangeStart(int64_t rows, int64_t parts, int64_t part) {
  return rows * part / parts;
}

// Calls work(first, end) for the `parts` consecutive ranges RowRangeStart
// gives (parts clamped to 1 to rows), in parallel, and waits for them all.
// The ranges never overlap; each is handed to exactly one call.
void ForEachRowRange(int64_t rows, int64_t parts, const std::function<void(int64_t first, int64_t end)>& work);
