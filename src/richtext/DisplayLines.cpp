#include "richtext/DisplayLines.h"

#include <algorithm>

#include "richtext/CorvaneHost.h"
#include "richtext/DrawLine.h"
#include "richtext/LineFormat.h"
#include "richtext/Panes.h"
#include "richtext/PropertyChanges.h"
#include "support/CSArrayCP.h"
#include "support/CSAssert.h"
#include "support/DynamicArrays.h"

namespace {

constexpr double kHeightWithoutPane = 16.0;

}  // namespace

DisplayLine* DisplayLineAtIndex(CSArrayCP* cache, uint32_t index) {
  if (!cache || index >= SizeOfDynamicCPArray(cache)) return nullptr;
  return static_cast<DisplayLine*>(DynamicCPArrayEntry(cache, index));
}

uint32_t SafeIndexOfCp(CSArrayCP* cache, uint32_t cp, bool pastEnd) {
  if (!cache) return 0;
  const uint32_t count = SizeOfDynamicCPArray(cache);
  if (count == 0) return 0;
  const uint32_t firstCp = CpAtIndex(cache, 0);
  if (cp < firstCp) return 0;
  if (cp >= MaxCp(cache)) return pastEnd ? count : 0;
  // The last entry whose cp is not above cp.
  uint32_t low = 0, high = count;
  while (high - low > 1) {
    const uint32_t middle = low + (high - low) / 2;
    if (CpAtIndex(cache, middle) <= cp)
      low = middle;
    else
      high = middle;
  }
  return low;
}

void InvalDisplayLines(CSArrayCP* cache, uint32_t first, uint32_t limit) {
  if (!cache) return;
  const uint32_t count = SizeOfDynamicCPArray(cache);
  if (count == 0 || CpAtIndex(cache, 0) >= limit) return;
  const uint32_t limitIndex = SafeIndexOfCp(cache, limit, true);
  const uint32_t last = std::min(count, limitIndex + 1);
  if (first > limit) return;
  uint32_t from = SafeIndexOfCp(cache, first, true);
  if (from >= count) return;
  if (from > 0) {
    // A shortened first word of this line can move back up to the line
    // before when the edit lies within that line's reach.
    const DisplayLine* before = DisplayLineAtIndex(cache, from - 1);
    if (before && uint64_t(before->reach) + CpAtIndex(cache, from) > first) --from;
  }
  for (uint32_t i = from; i < last; ++i) {
    if (DisplayLine* line = DisplayLineAtIndex(cache, i)) line->dirty = 1;
  }
}

void InvalTextInPanes(CorvaneDoc* doc, uint32_t start, uint32_t limit) {
  for (uint32_t i = 0; i < doc->paneCount && i < 2; ++i) {
    Pane& pane = doc->panes[i];
    if (pane.view) InvalDisplayLines(pane.displayLines, start, limit);
  }
}

void InvalDoc(CorvaneDoc* doc) {
  if (!doc) return;
  doc->wholeRedraw = 1;
  DocRange whole;
  GetDocumentRange(doc, &whole, true);
  whole.first = 0;
  InvalText(&whole, false);
  UpdateRulers(doc);
  doc->wholeRedraw = 0;
}

void SetInfoForFormattedLine(const LineFormat* format, DisplayLine* line, double left, double top) {
  if (!format || !line) return;
  line->kind = format->lineKind;
  line->reach = uint16_t(std::min<uint32_t>(format->lookahead, 0xFFFF));
  line->dirty = 0;
  line->left = left;
  line->top = top;
  line->height = format->lineHeight;
  line->width = std::max<double>(format->layoutWidth, InsertionPointWidth());
}

double DocumentTotalHeight(CorvaneDoc* doc, Pane* pane) {
  if (!doc || !pane || !pane->displayLines) return kHeightWithoutPane;
  LineFormat format;
  if (!InitFormatLine(doc, pane, &format, 0)) return kHeightWithoutPane;
  DocRange range;
  GetPaneRange(doc, pane, &range);
  ClearDynamicCPArray(pane->displayLines, range.limit);
  QRectF view;
  GetViewRect(&view, doc, pane);
  const int64_t width = DraftWidth(doc, pane);
  double total = 0;
  uint32_t cp = range.first;
  while (cp < range.limit) {
    FormatLine(cp, width, &format);
    // A line that took nothing would be laid out for ever.
    if (!CS_SAFE_ASSERT(format.endCp > cp)) break;
    DisplayLine line;
    SetInfoForFormattedLine(&format, &line, view.left(), view.top() + total);
    const uint32_t index = SizeOfDynamicCPArray(pane->displayLines);
    if (!InsertInDynamicCPArray(pane->displayLines, index, cp, &line)) break;
    total += format.lineHeight;
    cp = format.endCp;
  }
  ReleaseLineFormat(&format);
  return total;
}

QRectF InsetRectByRect(const QRectF& rect, bool shrink, const float insets[4]) {
  if (!insets) return rect;
  const double left = insets[0], top = insets[1], right = insets[2], bottom = insets[3];
  if (shrink) return QRectF(rect.x() + left, rect.y() + top, rect.width() - left - right, rect.height() - top - bottom);
  return QRectF(rect.x() - left, rect.y() - top, rect.width() + left + right, rect.height() + top + bottom);
}
