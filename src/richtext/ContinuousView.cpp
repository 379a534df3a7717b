#include "richtext/ContinuousView.h"

#include <algorithm>
#include <cmath>

#include "richtext/CorvaneConfig.h"
#include "richtext/CorvaneHost.h"
#include "richtext/DisplayLines.h"
#include "richtext/DrawLine.h"
#include "richtext/Knots.h"
#include "richtext/LineFormat.h"
#include "richtext/Locator.h"
#include "richtext/Panes.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/Selection.h"
#include "richtext/Tables.h"
#include "richtext/TextAccess.h"
#include "richtext/TextServices.h"
#include "support/CSArrayCP.h"
#include "support/CSAssert.h"
#include "support/DynamicArrays.h"

namespace {

// The bottom limit of an unclipped pane, and the width of the rectangle
// each cached line is tested against the clip with.
constexpr double kUnclippedBottom = 1000000.0;
// The bottom limit of a refresh in a pane as tall as its text.
constexpr double kWholeHeightBottom = 1000000000.0;
// The width of the rectangle around a cp a wholeHeight pane makes visible.
constexpr double kVisibleCpWidth = 2.0;
constexpr int64_t kSingleSpacing = 12700;
constexpr double kMeasure = 12700.0;
// Formatter set-ups: measuring only, and with the runs drawing and
// locating read.
constexpr uint32_t kMeasureLines = 0x01;
constexpr uint32_t kDrawLines = 0x01 | kLineKeepRuns;
constexpr uint32_t kBackwardLines = kLineKeepRuns;
// Room of the heights array of one paragraph.
constexpr uint32_t kParaHeightsRoom = 20;

// Pane flag bytes.
constexpr int kUnclipped = 1;
constexpr int kHasDisplay = 3;
constexpr int kRedrawAll = 5;
constexpr int kWholeHeight = 7;

double Zoom(const Pane* pane) {
  return pane && pane->zoom > 0 ? pane->zoom : 1.0;
}

DocRange PaneRange(CorvaneDoc* doc, const Pane* pane) {
  DocRange range;
  GetPaneRange(doc, pane, &range);
  return range;
}

// The first cp the pane shows of its range: the range may begin with marks
// no line starts at.
uint32_t RangeTop(CorvaneDoc* doc, Pane* pane, const DocRange& range) {
  return std::max(range.first, VisibleCp(doc, pane, range.first, true));
}

uint32_t LineCount(const Pane* pane) {
  return SizeOfDynamicCPArray(pane->displayLines);
}

DisplayLine* LineAt(const Pane* pane, uint32_t index) {
  return DisplayLineAtIndex(pane->displayLines, index);
}

// The cp after the line at the index: the next entry's, or the sentinel.
uint32_t CpAfterLine(const Pane* pane, uint32_t index) {
  return index + 1 < LineCount(pane) ? CpAtIndex(pane->displayLines, index + 1) : MaxCp(pane->displayLines);
}

QRectF LineRect(const DisplayLine& line) {
  return QRectF(line.left, line.top, line.width, line.height);
}

// The left edge of new lines: the margin inside the view, less the
// horizontal scroll.
double TextLeft(CorvaneDoc*, Pane* pane, const QRectF& view) {
  return pane->margin / Zoom(pane) + view.left() - ScrollPosition(pane, false);
}

// The text-column width for the chapter of each cp, fetched again only when
// a cp leaves the chapter fetched last.
struct ChapterWidth {
  uint32_t first = 1;
  uint32_t limit = 0;
  int64_t width = 0;

  int64_t at(CorvaneDoc* doc, Pane* pane, uint32_t cp) {
    if (cp < first || cp >= limit) {
      DocRange chapter;
      ChapterProps props;
      FetchChapterProps(doc, cp, &chapter, &props);
      first = chapter.first;
      limit = chapter.limit > chapter.first ? chapter.limit : cp + 1;
      width = DraftWidth(doc, pane);
    }
    return width;
  }
};

// Formats the line at cp and checks that it moved on; a line that took no
// text would be laid out for ever.
bool FormatNextLine(CorvaneDoc* doc, Pane* pane, LineFormat* format, uint32_t cp, ChapterWidth* widths) {
  FormatLine(cp, widths->at(doc, pane, cp), format);
  return CS_SAFE_ASSERT(format->endCp > cp);
}

// Printing into a rectangle: a line the rectangle would cut is left for the
// next one, unless the line is taller than the whole rectangle.
bool PrintsLine(const DisplayLine& line, const QRectF& rect) {
  const double bottom = line.top + line.height;
  return line.top >= 0 && bottom > rect.top() && (bottom <= rect.bottom() || line.height > rect.height());
}

void DrawLine(const LineFormat* format, const DisplayLine& line, const QRectF& clip) {
  DrawFormattedLine(format, 0, g_nilKolor, nullptr, LineRect(line), clip);
}

// Lays out lines from cp under lastLine (the line above the first new one,
// updated to each new line), inserting them at the cache's front (stopping
// at its first cp) or appending them (stopping at the range's limit), while
// lastLine lies above bottomLimit; each new line whose top lies above the
// update rectangle's bottom is drawn when `draw` is set. Answers the cp
// after the last new line; *laidOut counts the new lines.
uint32_t DrawNewLines(CorvaneDoc* doc, Pane* pane, LineFormat* format, uint32_t cp, DisplayLine* lastLine, bool atFront,
                      double bottomLimit, const QRectF& updateRect, bool draw, uint32_t* laidOut) {
  CSArrayCP* cache = pane->displayLines;
  const DocRange range = PaneRange(doc, pane);
  QRectF view;
  GetViewRect(&view, doc, pane);
  const double left = TextLeft(doc, pane, view);
  const uint32_t stopCp = atFront && LineCount(pane) > 0 ? CpAtIndex(cache, 0) : range.limit;
  uint32_t index = atFront ? 0 : LineCount(pane);
  ChapterWidth widths;
  uint32_t count = 0;
  while (cp < stopCp && lastLine->top < bottomLimit && lastLine->top + lastLine->height < bottomLimit) {
    if (!FormatNextLine(doc, pane, format, cp, &widths)) break;
    DisplayLine line;
    SetInfoForFormattedLine(format, &line, left, lastLine->top + lastLine->height);
    if (!InsertInDynamicCPArray(cache, index, cp, &line)) break;
    ++index;
    ++count;
    *lastLine = line;
    const bool shown = pane->paneFlags[kUnclipped] ? PrintsLine(line, updateRect) : line.top < updateRect.bottom();
    if (draw && shown) DrawLine(format, line, updateRect);
    cp = format->endCp;
  }
  if (lastLine->top + lastLine->height >= bottomLimit)
    SetDynamicCPArrayCount(cache, index, cp);
  else if (!atFront)
    SetMaxCp(cache, cp);
  if (laidOut) *laidOut = count;
  return cp;
}

// The first cp of the display line holding the pane's first cp, made the
// first cp when it moved, when the first cp lay outside the range, or when
// the cache cannot vouch for it; `rekey` moves the first cache entry along.
bool ShouldSetNewFirstCp(CorvaneDoc* doc, Pane* pane, const DocRange& range, bool rekey) {
  const uint32_t firstCp = uint32_t(pane->firstCp);
  const uint32_t top = RangeTop(doc, pane, range);
  const bool inside = firstCp >= top && firstCp < range.limit;
  const bool cached = LineCount(pane) > 0;
  if (inside && cached && !LineAt(pane, 0)->dirty) return false;
  const uint32_t candidate = inside ? firstCp : top;
  uint32_t lineStart = DraftLineStart(doc, pane, candidate, kLineStartCp);
  if (lineStart == kNoCpValue) lineStart = candidate;
  if (inside && lineStart == firstCp) return false;
  pane->firstCp = int32_t(lineStart);
  pane->topOffset = 0;
  if (rekey && cached) ReplaceCp(pane->displayLines, 0, lineStart);
  return true;
}

// Finds lines backwards: the formatter is prepared and *cp and
// *originalCp get the first cached cp; *cp then steps back one when it
// starts its paragraph (or its table row), so that the unit before it is
// the one laid out.
bool SetupBackwardScroll(CorvaneDoc* doc, Pane* pane, LineFormat* format, uint32_t* cp, uint32_t* originalCp) {
  if (!InitFormatLine(doc, pane, format, kBackwardLines)) return false;
  const DocRange range = PaneRange(doc, pane);
  if (LineCount(pane) == 0) CalculateLines(doc, pane, nullptr);
  const uint32_t top = RangeTop(doc, pane, range);
  uint32_t at = LineCount(pane) > 0 ? CpAtIndex(pane->displayLines, 0) : top;
  *originalCp = at;
  DocRange table;
  if (CpIsWithinKnot(doc, at, kKnotTable, &table)) {
    KnotFormat row;
    if (FetchTable(doc, at, nullptr, &row, nullptr) && row.index != kNoCpValue) {
      const uint32_t rowFirst = row.start == table.first + 1 ? table.first : row.start;
      if (at <= rowFirst && rowFirst > top && at > 0) --at;
    }
  } else if (at > top) {
    DocRange para;
    FetchParaProps(doc, pane, at, &para, nullptr);
    if (at == para.first || at == FirstVisibleCpInPara(doc, pane, para.first)) --at;
  }
  *cp = at;
  return true;
}

// The unit holding cp (its table row, else its paragraph up to limitCp):
// its lines' heights keyed by their first cps, the final cp as sentinel,
// *outHeight their sum. Answers the unit's first cp; kNoCpValue when the
// heights cannot be kept.
uint32_t GetParaLineHeights(CorvaneDoc* doc, Pane* pane, uint32_t cp, uint32_t limitCp, LineFormat* format,
                            double* outHeight, CSArrayCP** heights) {
  if (!*heights) *heights = CreateDynamicCPArray(sizeof(float), kParaHeightsRoom, 0, 0);
  if (!*heights) return kNoCpValue;
  uint32_t first = 0, limit = 0;
  DocRange table;
  KnotFormat row;
  if (CpIsWithinKnot(doc, cp, kKnotTable, &table) && FetchTable(doc, cp, nullptr, &row, nullptr) &&
      row.index != kNoCpValue) {
    first = row.start == table.first + 1 ? table.first : row.start;
    limit = row.limit + 1 == table.limit ? table.limit : row.limit;
  } else {
    DocRange para;
    FetchParaProps(doc, pane, cp, &para, nullptr);
    first = para.first;
    limit = std::max(para.first + 1, std::min(limitCp, para.limit));
  }
  ClearDynamicCPArray(*heights, first);
  ChapterWidth widths;
  double sum = 0;
  uint32_t at = first;
  while (at < limit) {
    if (!FormatNextLine(doc, pane, format, at, &widths)) break;
    const float height = format->lineHeight;
    if (!InsertInDynamicCPArray(*heights, SizeOfDynamicCPArray(*heights), at, &height)) break;
    sum += height;
    at = format->endCp;
  }
  SetMaxCp(*heights, at);
  if (outHeight) *outHeight = sum;
  return first;
}

float HeightAt(CSArrayCP* heights, uint32_t index) {
  return *static_cast<const float*>(DynamicCPArrayEntry(heights, index));
}

// A heights array freed with its scope.
struct Heights {
  CSArrayCP* array = nullptr;
  ~Heights() { FreeDynamicArray(array); }
};

// A line formatter released with its scope.
struct Formatter {
  LineFormat format;
  ~Formatter() { ReleaseLineFormat(&format); }
};

// Walks back from the unit holding cp (lines before limitCp), unit by unit,
// then line by line within the last unit, until the heights reach `height`;
// answers the first cp of the line where they do (the range's first shown
// cp when the text runs out first), *outOffset the height summed.
uint32_t PrecedingPageCpCore(CorvaneDoc* doc, Pane* pane, uint32_t cp, uint32_t limitCp, LineFormat* format,
                             double* outOffset, double height) {
  const DocRange range = PaneRange(doc, pane);
  const uint32_t top = RangeTop(doc, pane, range);
  Heights heights;
  double sum = 0;
  uint32_t answer = kNoCpValue;
  for (uint32_t guard = 0; guard <= doc->cpLimit; ++guard) {
    double unitHeight = 0;
    const uint32_t first = GetParaLineHeights(doc, pane, cp, limitCp, format, &unitHeight, &heights.array);
    if (first == kNoCpValue) return kNoCpValue;
    const uint32_t count = SizeOfDynamicCPArray(heights.array);
    if (sum + unitHeight >= height && count > 0) {
      for (uint32_t i = count; i > 0; --i) {
        sum += HeightAt(heights.array, i - 1);
        if (sum >= height) {
          answer = CpAtIndex(heights.array, i - 1);
          break;
        }
      }
      break;
    }
    sum += unitHeight;
    answer = first;
    if (first <= top || first <= range.first || first == 0) break;
    cp = first - 1;
    limitCp = first;
  }
  if (answer != kNoCpValue && answer < top) answer = top;
  if (outOffset) *outOffset = sum;
  return answer;
}

// Tells the host the scroll moved and redraws: a refresh when lines are
// cached (the first marked dirty), else a discard.
void PostScrollCheck(CorvaneDoc* doc, Pane* pane) {
  if (pane->topOffset != 0) NoteNewScrollPosition(doc, pane);
  if (LineCount(pane) == 0) {
    TrashDraft(doc, pane, false);
  } else {
    LineAt(pane, 0)->dirty = 1;
    InvalAfterEditDraft(doc, pane);
  }
  if (pane->topOffset == 0) NoteNewScrollPosition(doc, pane);
}

// Moves topOffset one step down a tall first line when that stays inside
// the line.
bool IsTallFirstLine(CorvaneDoc* doc, Pane* pane) {
  if (LineCount(pane) == 0) return false;
  const DisplayLine* first = LineAt(pane, 0);
  const double step = TallLinePartialScroll(doc, pane, pane->firstCp, first->height);
  if (step <= 0 || pane->topOffset + step >= first->height) return false;
  pane->topOffset = float(pane->topOffset + step);
  return true;
}

// Makes target the first shown cp: the start of the last line past the
// range's end, a paragraph's first cp for its first visible cp; nothing for
// kNoCpValue or the current first cp.
void ScrollToTarget(CorvaneDoc* doc, Pane* pane, uint32_t target) {
  SetDraftScrollLock(doc, 0);
  const DocRange range = PaneRange(doc, pane);
  const uint32_t lastCp = range.limit > range.first ? range.limit - 1 : range.first;
  if (target != kNoCpValue && target >= lastCp) target = DraftLineStart(doc, pane, lastCp, kLineStartCp);
  if (target == kNoCpValue || target == uint32_t(pane->firstCp)) return;
  if (target < RangeTop(doc, pane, range)) target = RangeTop(doc, pane, range);
  DocRange para;
  FetchParaProps(doc, pane, target, &para, nullptr);
  if (target > para.first && VisibleCp(doc, pane, target, true) == FirstVisibleCpInPara(doc, pane, para.first))
    target = para.first;
  pane->firstCp = int32_t(target);
  pane->topOffset = 0;
  ClearDynamicCPArray(pane->displayLines, range.limit);
  TrashDraft(doc, pane, false);
}

// The target of a line scroll up, or a step back into a tall line.
void ScrollLineUp(CorvaneDoc* doc, Pane* pane, const QRectF& view) {
  if (pane->topOffset > 0) {
    const DisplayLine* first = LineCount(pane) > 0 ? LineAt(pane, 0) : nullptr;
    const double step = first ? TallLinePartialScroll(doc, pane, pane->firstCp, first->height) : 0;
    const double by = step > 0 && pane->topOffset > step ? step : view.height();
    pane->topOffset = float(std::max(0.0, pane->topOffset - by));
    PostScrollCheck(doc, pane);
    return;
  }
  Formatter formatter;
  uint32_t cp = 0, original = 0;
  if (!SetupBackwardScroll(doc, pane, &formatter.format, &cp, &original)) return;
  Heights heights;
  double unitHeight = 0;
  if (GetParaLineHeights(doc, pane, cp, original, &formatter.format, &unitHeight, &heights.array) == kNoCpValue) return;
  const uint32_t count = SizeOfDynamicCPArray(heights.array);
  if (count == 0) return;
  const uint32_t lineCp = CpAtIndex(heights.array, count - 1);
  const double height = HeightAt(heights.array, count - 1);
  if (lineCp == uint32_t(pane->firstCp)) return;
  const double step = TallLinePartialScroll(doc, pane, int32_t(lineCp), height);
  if (step > 0) {
    SetDraftScrollLock(doc, 0);
    pane->firstCp = int32_t(lineCp);
    pane->topOffset = float(std::max(0.0, height - step));
    // The refresh lays the line in above the cached ones.
    PostScrollCheck(doc, pane);
    return;
  }
  ScrollToTarget(doc, pane, lineCp);
}

void ScrollLineDown(CorvaneDoc* doc, Pane* pane, const QRectF& view) {
  if (LineCount(pane) == 0 && !CalculateLines(doc, pane, nullptr)) return;
  const uint32_t count = LineCount(pane);
  if (count == 0) return;
  if (IsTallFirstLine(doc, pane)) {
    PostScrollCheck(doc, pane);
    return;
  }
  if (count == 1) {
    const DisplayLine* first = LineAt(pane, 0);
    if (first->height - pane->topOffset > view.height()) {
      pane->topOffset = float(pane->topOffset + view.height());
      PostScrollCheck(doc, pane);
      return;
    }
  }
  ScrollToTarget(doc, pane, CpAfterLine(pane, 0));
}

void ScrollPageDown(CorvaneDoc* doc, Pane* pane, const QRectF& view) {
  if (LineCount(pane) == 0 && !CalculateLines(doc, pane, nullptr)) return;
  const uint32_t count = LineCount(pane);
  if (count == 0) return;
  if (count == 1) {
    const DisplayLine* first = LineAt(pane, 0);
    if (first->height - pane->topOffset <= view.height()) {
      ScrollToTarget(doc, pane, CpAfterLine(pane, 0));
    } else {
      pane->topOffset = float(pane->topOffset + view.height());
      PostScrollCheck(doc, pane);
    }
    return;
  }
  uint32_t index = count - 1;
  const DisplayLine* last = LineAt(pane, index);
  if (count >= 3 && last->top + last->height > view.bottom()) --index;
  ScrollToTarget(doc, pane, CpAtIndex(pane->displayLines, index));
}

void ScrollPageUp(CorvaneDoc* doc, Pane* pane, const QRectF& view) {
  if (pane->topOffset > 0) {
    pane->topOffset = float(std::max(0.0, pane->topOffset - view.height()));
    PostScrollCheck(doc, pane);
    return;
  }
  Formatter formatter;
  uint32_t cp = 0, original = 0;
  if (!SetupBackwardScroll(doc, pane, &formatter.format, &cp, &original)) return;
  double height = view.height();
  if (LineCount(pane) > 0 && view.height() > LineAt(pane, 0)->height) height -= LineAt(pane, 0)->height;
  ScrollToTarget(doc, pane, PrecedingPageCpCore(doc, pane, cp, original, &formatter.format, nullptr, height));
}

// A wholeHeight pane never scrolls by first cp: the host is asked to show
// the cp's place on its line.
void ShowCpInWholeHeightPane(CorvaneDoc* doc, Pane* pane, uint32_t cp) {
  if (LineCount(pane) == 0 && !CalculateLines(doc, pane, nullptr)) return;
  if (LineCount(pane) == 0) return;
  Locator locator;
  InitLocator(doc, pane, &locator);
  locator.cp = cp;
  locator.lineIndex = SafeIndexOfCp(pane->displayLines, cp, false);
  const DisplayLine* line = LineAt(pane, locator.lineIndex);
  QRectF place(line->left, line->top, 0, line->height);
  XAndWidthForCp(&locator, cp, &place);
  EnsureDraftRectIsVisible(doc, QRectF(place.x() - kVisibleCpWidth / 2, line->top, kVisibleCpWidth, line->height));
}

}  // namespace

double ExtraLineSpacing(CorvaneDoc* doc, Pane* pane) {
  if (!doc) return 0;
  // Drawing lays lines where layout put them: one rule for both.
  const bool band = doc->kind == kHelpDocument || g_corvaneConfig.extraSpacingEverywhere;
  return band ? g_corvaneConfig.extraLineSpacing / Zoom(pane) : 0.0;
}

void DrawDraftView(CorvaneDoc* doc, Pane* pane, const QRectF& updateRect) {
  if (!doc || !pane || !pane->displayLines || IsDisplayDeferred()) return;
  const DocRange range = PaneRange(doc, pane);
  const bool wholeHeight = pane->paneFlags[kWholeHeight];
  const bool unclipped = pane->paneFlags[kUnclipped];
  if (!wholeHeight && (ShouldSetNewFirstCp(doc, pane, range, false) || doc->wholeRedraw))
    ClearDynamicCPArray(pane->displayLines, range.limit);
  const uint32_t startCp = wholeHeight ? RangeTop(doc, pane, range) : uint32_t(pane->firstCp);
  const bool redrawAll = pane->paneFlags[kRedrawAll];
  pane->paneFlags[kRedrawAll] = 0;
  doc->wholeRedraw = 0;

  QRectF view;
  GetViewRect(&view, doc, pane);
  QRectF clip = updateRect;
  double bottomLimit = kUnclippedBottom;
  if (!unclipped) {
    clip = updateRect.intersected(view);
    if (clip.isEmpty()) return;
    clip.setLeft(std::max(clip.left(), pane->margin / Zoom(pane)));
    bottomLimit = view.bottom();
  }

  Formatter formatter;
  LineFormat* format = &formatter.format;
  if (!InitFormatLine(doc, pane, format, kDrawLines)) return;

  DisplayLine above;
  above.left = view.left();
  above.width = view.width();
  above.top = view.top() - (wholeHeight ? 0.0 : pane->topOffset);
  above.height = ExtraLineSpacing(doc, pane);

  uint32_t laidOut = 0, more = 0;
  uint32_t index = 0;
  if (LineCount(pane) == 0 || CpAtIndex(pane->displayLines, 0) != startCp) {
    DrawNewLines(doc, pane, format, startCp, &above, true, bottomLimit, clip, true, &laidOut);
    index = laidOut;
  }

  // The cached lines from there on, each formatted again before it is drawn.
  ChapterWidth widths;
  double y = above.top + above.height;
  DisplayLine last = above;
  while (index < LineCount(pane) && CpAtIndex(pane->displayLines, index) < range.limit) {
    DisplayLine* line = LineAt(pane, index);
    const uint32_t cp = CpAtIndex(pane->displayLines, index);
    // Lines below a changed one follow it down or up.
    line->top = y;
    if (!unclipped) {
      if (line->top >= bottomLimit) {
        SetDynamicCPArrayCount(pane->displayLines, index, cp);
        break;
      }
      if (QRectF(line->left, line->top, kUnclippedBottom, line->height).intersects(clip) &&
          FormatNextLine(doc, pane, format, cp, &widths))
        DrawLine(format, *line, clip);
      last = *line;
      y = line->top + line->height;
      ++index;
      if (line->top + line->height >= bottomLimit) {
        SetDynamicCPArrayCount(pane->displayLines, index, CpAfterLine(pane, index - 1));
        break;
      }
    } else {
      if (line->top >= clip.bottom()) break;
      if (PrintsLine(*line, clip) && FormatNextLine(doc, pane, format, cp, &widths)) DrawLine(format, *line, clip);
      last = *line;
      y = line->top + line->height;
      ++index;
    }
  }

  const uint32_t endCp = MaxCp(pane->displayLines);
  if (index >= LineCount(pane) && endCp < range.limit && last.top + last.height < clip.bottom())
    DrawNewLines(doc, pane, format, endCp, &last, false, bottomLimit, clip, true, &more);

  if (!unclipped) {
    if (laidOut + more > 0) NoteNewScrollPosition(doc, pane);
    if (wholeHeight && (laidOut + more > 0 || redrawAll)) NoteDraftHeightChanged(doc, pane);
  }
}

void InvalAfterEditDraft(CorvaneDoc* doc, Pane* pane) {
  if (!doc || !pane || !pane->displayLines || pane->paneFlags[kRedrawAll]) return;
  Formatter formatter;
  LineFormat* format = &formatter.format;
  if (doc->wholeRedraw || LineCount(pane) == 0 || !InitFormatLine(doc, pane, format, kDrawLines)) {
    TrashDraft(doc, pane, false);
    return;
  }
  const DocRange range = PaneRange(doc, pane);
  const bool wholeHeight = pane->paneFlags[kWholeHeight];
  const bool firstChanged = !wholeHeight && ShouldSetNewFirstCp(doc, pane, range, true);

  QRectF view;
  GetViewRect(&view, doc, pane);
  double y = wholeHeight ? view.top() : view.top() - pane->topOffset;
  y += ExtraLineSpacing(doc, pane);
  const double bottomLimit = wholeHeight ? kWholeHeightBottom : view.bottom();
  const double left = TextLeft(doc, pane, view);
  const auto widen = [&](const QRectF& rect) { return QRectF(view.left(), rect.top(), view.width(), rect.height()); };

  CSArrayCP* cache = pane->displayLines;
  double oldBottom = -1;
  if (const DisplayLine* lastLine = LineAt(pane, LineCount(pane) - 1); lastLine && !lastLine->dirty)
    oldBottom = lastLine->top + lastLine->height;
  bool bottomMoved = false;

  ChapterWidth widths;
  uint32_t index = 0;
  uint32_t cp = wholeHeight ? RangeTop(doc, pane, range) : uint32_t(pane->firstCp);
  while (y < bottomLimit && cp < range.limit) {
    if (index < LineCount(pane) && CpAtIndex(cache, index) == cp && !LineAt(pane, index)->dirty) {
      const DisplayLine* kept = LineAt(pane, index);
      if (kept->top == y) {
        y += kept->height;
        cp = CpAfterLine(pane, index);
        ++index;
        continue;
      }
      bottomMoved = true;
    }
    if (!FormatNextLine(doc, pane, format, cp, &widths)) break;
    DisplayLine line;
    SetInfoForFormattedLine(format, &line, left, y);
    QRectF inval = LineRect(line);
    // The entries the new line replaces: those it overlaps, dirty ones,
    // and those wholly below the view.
    while (index < LineCount(pane)) {
      const DisplayLine* old = LineAt(pane, index);
      const bool overlapped = CpAtIndex(cache, index) < format->endCp;
      if (!overlapped && !old->dirty && old->top < bottomLimit) break;
      inval = inval.united(LineRect(*old));
      DeleteFromDynamicCPArray(cache, index, 1);
    }
    InvalViewRect(pane, widen(inval));
    if (!InsertInDynamicCPArray(cache, index, cp, &line)) break;
    ++index;
    y += line.height;
    cp = format->endCp;
  }
  // What lay below the walked lines has gone: its place is redrawn, down to
  // where the old lines ended.
  QRectF rest;
  for (uint32_t i = index; i < LineCount(pane); ++i) {
    if (LineAt(pane, i)->top < bottomLimit) rest = rest.united(LineRect(*LineAt(pane, i)));
  }
  const double newBottom = index > 0 ? LineAt(pane, index - 1)->top + LineAt(pane, index - 1)->height : -1;
  bottomMoved = bottomMoved || newBottom != oldBottom;
  // Text that now ends inside the view leaves nothing below it; the lines
  // drawn there before (their entries may be gone with the text) are wiped.
  if (bottomMoved && cp >= range.limit && y < view.bottom())
    rest = rest.united(QRectF(view.left(), y, view.width(), view.bottom() - y));
  if (!rest.isEmpty()) InvalViewRect(pane, widen(rest));
  SetDynamicCPArrayCount(cache, index, cp);

  if (bottomMoved && wholeHeight) NoteDraftHeightChanged(doc, pane);
  if (firstChanged || bottomMoved) NoteNewScrollPosition(doc, pane);
}

void TrashDraft(CorvaneDoc* doc, Pane* pane, bool fromRangeStart) {
  if (!doc || !pane || !doc->hostWindow) return;
  const DocRange range = PaneRange(doc, pane);
  if (fromRangeStart || pane->firstCp < 0 || uint32_t(pane->firstCp) >= range.limit)
    pane->firstCp = int32_t(RangeTop(doc, pane, range));
  pane->topOffset = 0;
  ClearDynamicCPArray(pane->displayLines, range.limit);
  InvalView(pane);
  NoteNewScrollPosition(doc, pane);
  pane->paneFlags[kRedrawAll] = pane->paneFlags[kWholeHeight];
}

bool CalculateLines(CorvaneDoc* doc, Pane* pane, uint32_t* outCount) {
  if (!doc || !pane || !pane->displayLines) return false;
  Formatter formatter;
  if (!InitFormatLine(doc, pane, &formatter.format, kMeasureLines)) return false;
  const DocRange range = PaneRange(doc, pane);
  ClearDynamicCPArray(pane->displayLines, range.limit);
  QRectF view;
  GetViewRect(&view, doc, pane);
  const bool wholeHeight = pane->paneFlags[kWholeHeight];
  DisplayLine above;
  above.left = view.left();
  above.width = view.width();
  // Laid out where drawing will put them, the top line's offset included.
  above.top = view.top() - (wholeHeight ? 0.0 : pane->topOffset);
  above.height = ExtraLineSpacing(doc, pane);
  const uint32_t start = wholeHeight ? RangeTop(doc, pane, range) : uint32_t(std::max(pane->firstCp, 0));
  DrawNewLines(doc, pane, &formatter.format, start, &above, false, view.bottom(), QRectF(), false, nullptr);
  if (outCount) *outCount = LineCount(pane);
  return true;
}

void TrashDisplayForPane(CorvaneDoc* doc, Pane* pane) {
  if (!doc || !pane || !pane->paneFlags[kHasDisplay]) return;
  if (pane == CurrentPane(doc)) TurnOffSel(doc);
  if (!pane->view)
    InvalDoc(doc);
  else
    TrashDraft(doc, pane, false);
}

void AdjustSubviewPane(CorvaneDoc* doc, Pane* pane) {
  if (!doc || !pane) return;
  const DocRange range = PaneRange(doc, pane);
  const uint32_t start = DraftLineStart(doc, pane, range.first, kLineStartCp);
  pane->firstCp = int32_t(start == kNoCpValue ? RangeTop(doc, pane, range) : start);
  TrashDraft(doc, pane, true);
  Pane* saved = doc->overridePane;
  doc->overridePane = pane;
  SelectCps(doc, uint32_t(pane->firstCp), uint32_t(pane->firstCp), true);
  doc->overridePane = saved;
}

uint32_t DraftScrollLock(const CorvaneDoc* doc) {
  return doc ? doc->scrollWord : 0;
}

void SetDraftScrollLock(CorvaneDoc* doc, uint32_t lock) {
  if (doc) doc->scrollWord = lock;
}

double TallLinePartialScroll(CorvaneDoc* doc, Pane* pane, int32_t cp, double lineHeight) {
  if (!doc || !pane || cp < 0 || !(lineHeight >= kTallLineHeight)) return 0;
  CharProps chars;
  FetchCharProps(doc, nullptr, uint32_t(cp), &chars);
  // A font that reports no height still scrolls: the step is at least 1.
  const double step = std::max(1.0, std::ceil(double(LineMetricsForFont(chars, nullptr))));
  DocRange para;
  ParaProps props;
  FetchParaProps(doc, pane, uint32_t(cp), &para, &props);
  double rest = lineHeight;
  if (props.multiple != 0 && props.multiple != kSingleSpacing) {
    const double factor = double(props.multiple) / kMeasure;
    if (factor > 1) rest -= (factor - 1) * step;
  }
  if (LineCount(pane) > 0 && CpAfterLine(pane, 0) >= para.limit) rest -= double(props.after) / kMeasure;
  if (uint32_t(pane->firstCp) == para.first) rest -= double(props.before) / kMeasure;
  return rest < 2 * step ? 0 : step;
}

void ScrollVertDraft(CorvaneDoc* doc, Pane* pane, int32_t amountOrCp, int32_t mode) {
  if (!doc || !pane || !pane->displayLines) return;
  QRectF view;
  GetViewRect(&view, doc, pane);
  if (pane->paneFlags[kWholeHeight]) {
    const uint32_t cp = mode == kScrollToCp ? uint32_t(amountOrCp) : uint32_t(std::max(pane->anchor, 0));
    ShowCpInWholeHeightPane(doc, pane, cp);
    return;
  }
  if (mode == kScrollToCp) {
    const DocRange range = PaneRange(doc, pane);
    const uint32_t cp = std::clamp(uint32_t(amountOrCp), range.first, std::max(range.first, range.limit - 1));
    ScrollToTarget(doc, pane, DraftLineStart(doc, pane, cp, kLineStartCp));
    return;
  }
  const uint32_t lock = DraftScrollLock(doc);
  if (mode == kScrollByPage || (mode == kScrollByLine && lock != 0)) {
    if (amountOrCp >= 0 && lock != 1)
      ScrollPageDown(doc, pane, view);
    else
      ScrollPageUp(doc, pane, view);
    return;
  }
  if (mode != kScrollByLine) return;
  if (amountOrCp >= 1)
    ScrollLineDown(doc, pane, view);
  else
    ScrollLineUp(doc, pane, view);
}

void ScrollToCpDraft(CorvaneDoc* doc, Pane* pane, uint32_t cp, uint32_t fallbackCp) {
  if (!doc || !pane) return;
  const uint32_t target = pane->paneFlags[kWholeHeight] && cp != kNoCpValue ? cp : fallbackCp;
  if (target == kNoCpValue) return;
  ScrollVertDraft(doc, pane, int32_t(target), kScrollToCp);
}

void ScrollHorzToCpDraft(CorvaneDoc*, Pane*, uint32_t) {}

uint32_t DraftLineStart(CorvaneDoc* doc, Pane* pane, uint32_t cp, int32_t which) {
  if (!doc || !pane) return kNoCpValue;
  const DocRange range = PaneRange(doc, pane);
  cp = VisibleCp(doc, pane, cp, true);
  if (which == kLineStartCp && cp <= RangeTop(doc, pane, range)) return cp;
  DocRange table;
  KnotFormat row;
  if (CpIsWithinKnot(doc, cp, kKnotTable, &table) && FetchTable(doc, cp, nullptr, &row, nullptr) &&
      row.index != kNoCpValue) {
    // A row is one display line.
    const uint32_t rowLimit = row.limit + 1 == table.limit ? table.limit : row.limit;
    if (which == kLineStartCp) return row.start == table.first + 1 ? table.first : row.start;
    if (which == kNextLineCp) return rowLimit;
    return rowLimit >= 2 ? rowLimit - 2 : rowLimit;
  }
  Formatter formatter;
  if (!InitFormatLine(doc, pane, &formatter.format, kBackwardLines)) return kNoCpValue;
  Heights heights;
  double height = 0;
  if (GetParaLineHeights(doc, pane, cp, cp + 1, &formatter.format, &height, &heights.array) == kNoCpValue)
    return kNoCpValue;
  const uint32_t count = SizeOfDynamicCPArray(heights.array);
  if (count == 0) return kNoCpValue;
  const uint32_t index = SafeIndexOfCp(heights.array, cp, false);
  const uint32_t lineCp = CpAtIndex(heights.array, index);
  if (which == kLineStartCp) return lineCp;
  const uint32_t next = index + 1 < count ? CpAtIndex(heights.array, index + 1) : MaxCp(heights.array);
  if (which == kNextLineCp) return next;
  ChapterWidth widths;
  if (!FormatNextLine(doc, pane, &formatter.format, lineCp, &widths)) return kNoCpValue;
  const uint32_t end = formatter.format.endCp;
  const uint32_t reason = formatter.format.breakReason;
  if (reason >= kBreakDocumentEnd && reason <= kBreakVerticalTab && end > lineCp) {
    // A carriage return before the break makes it two characters.
    if (end >= lineCp + 2 && CharacterAtCp(doc, end - 2) == u'\r' && IsParaBreak(CharacterAtCp(doc, end - 1)))
      return end - 2;
    return end - 1;
  }
  return end;
}

uint32_t LineCountForScrollHeight(CorvaneDoc* doc, Pane* pane, double height) {
  if (!doc || !pane || !pane->displayLines || pane->paneFlags[kWholeHeight]) return 1;
  const double magnitude = std::isfinite(height) ? std::fabs(height) : 1e9;
  double lines = 1;
  if (pane->topOffset > 0) {
    const double firstHeight = LineCount(pane) > 0 ? LineAt(pane, 0)->height : 0;
    // The step is at least 1: a step of 0 would divide by nothing.
    const double step = std::max(1.0, TallLinePartialScroll(doc, pane, pane->firstCp, firstHeight));
    lines = std::ceil(magnitude / step);
  } else if (height > 0) {
    double sum = 0;
    lines = 0;
    for (uint32_t i = 0; i < LineCount(pane) && lines < kMaxScrollLines; ++i) {
      sum += LineAt(pane, i)->height;
      ++lines;
      if (sum >= magnitude) break;
    }
  } else {
    Formatter formatter;
    uint32_t cp = 0, original = 0;
    const DocRange range = PaneRange(doc, pane);
    const uint32_t top = RangeTop(doc, pane, range);
    if (SetupBackwardScroll(doc, pane, &formatter.format, &cp, &original) && original > top) {
      Heights heights;
      double sum = 0;
      lines = 0;
      uint32_t limit = original;
      while (lines < kMaxScrollLines && sum < magnitude) {
        double unitHeight = 0;
        const uint32_t first = GetParaLineHeights(doc, pane, cp, limit, &formatter.format, &unitHeight, &heights.array);
        if (first == kNoCpValue) break;
        for (uint32_t i = SizeOfDynamicCPArray(heights.array); i > 0 && sum < magnitude; --i) {
          sum += HeightAt(heights.array, i - 1);
          ++lines;
        }
        if (first <= top || first == 0) break;
        cp = first - 1;
        limit = first;
      }
    }
  }
  return uint32_t(std::clamp(lines, 1.0, double(kMaxScrollLines)));
}

uint32_t CenterOfScreenCp(CorvaneDoc* doc, Pane* pane, uint32_t cp, const QRectF& viewRect) {
  if (!doc || !pane) return cp;
  Formatter formatter;
  if (!InitFormatLine(doc, pane, &formatter.format, kBackwardLines)) return cp;
  const uint32_t answer = PrecedingPageCpCore(doc, pane, cp, cp, &formatter.format, nullptr, viewRect.height() / 2);
  return answer == kNoCpValue ? cp : answer;
}

void AutoScrollDraft(Pane* pane, double x, double y) {
  if (!pane) return;
  QRectF visible;
  GetVisibleViewRect(&visible, pane);
  const double left = std::max(visible.left(), pane->margin / Zoom(pane));
  const double right = visible.right();
  const bool yInside = y >= visible.top() && y < visible.bottom();
  const bool xInside = x >= left && x < right;
  if (yInside) {
    if (x < left)
      AutoScroll(pane, false, 3);
    else if (x >= right)
      AutoScroll(pane, false, 0);
  }
  if (xInside) {
    if (y < visible.top())
      AutoScroll(pane, true, 3);
    else if (y >= visible.bottom())
      AutoScroll(pane, true, 0);
  }
}
