#pragma once
// The display-line cache of a pane: one DisplayLine per laid-out line, keyed
// by the line's first cp. Edits mark the lines whose breaks may change as
// dirty instead of rebuilding the cache; the continuous view reformats only
// those. Also the document's total height in the continuous view and the
// zoom steps the views offer. Main thread only.

#include <QRectF>
#include <array>
#include <cstdint>

#include "richtext/CorvaneDoc.h"

class CSArrayCP;
struct LineFormat;

// The zoom steps of the views, smallest first.
constexpr std::array<float, 10> kZoomSteps = {0.5f, 0.75f, 1.0f, 1.25f, 1.5f, 1.75f, 2.0f, 2.5f, 3.0f, 4.0f};

// The index of the entry holding cp; 0 below the first entry; at or past the
// sentinel the entry count when `pastEnd` is set, else 0.
uint32_t SafeIndexOfCp(CSArrayCP* cache, uint32_t cp, bool pastEnd);
// Marks dirty the lines from the one holding `first` (or the one before it,
// when the edit lies within that line's reach of the next) through the one
// holding `limit`.
void InvalDisplayLines(CSArrayCP* cache, uint32_t first, uint32_t limit);
// InvalDisplayLines in every pane that has a view.
void InvalTextInPanes(CorvaneDoc* doc, uint32_t start, uint32_t limit);
// Marks every line of every pane dirty (the document's whole range).
void InvalDoc(CorvaneDoc* doc);
// Fills a DisplayLine from a formatted line.
void SetInfoForFormattedLine(const LineFormat* format, DisplayLine* line, double left, double top);
// The height of all the pane's lines at the text-column width; rebuilds the
// cache on the way. 16.0 without a pane.
double DocumentTotalHeight(CorvaneDoc* doc, Pane* pane);
// Moves the rectangle's sides in by the insets {left, top, right, bottom}
// (`shrink`), or out by them.
QRectF InsetRectByRect(const QRectF& rect, bool shrink, const float insets[4]);
// The cache entry at an index, or null past the entries.
DisplayLine* DisplayLineAtIndex(CSArrayCP* cache, uint32_t index);
