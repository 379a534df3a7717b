#include "richtext/Locator.h"

#include <QChar>
#include <algorithm>
#include <cmath>
#include <vector>

#include "richtext/ContinuousView.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/CorvaneHost.h"
#include "richtext/DisplayLines.h"
#include "richtext/Knots.h"
#include "richtext/LineFormat.h"
#include "richtext/MouseSelection.h"
#include "richtext/Panes.h"
#include "richtext/PropertyRuns.h"
#include "richtext/Tables.h"
#include "richtext/TextAccess.h"
#include "support/CSAssert.h"
#include "support/DynamicArrays.h"

namespace {

// The y of a previous row's bottom line: below any row.
constexpr double kBelowAnyRow = 1073741824.0;
constexpr double kColumnEdgeSlop = 2.0;

bool StopsAtBreak(uint32_t reason) {
  return reason >= kBreakDocumentEnd && reason <= kBreakVerticalTab;
}

double ZoomOf(const Pane* pane) {
  return pane && pane->zoom > 0 ? pane->zoom : 1.0;
}

// The pane's range and its last cp.
DocRange PaneRange(CorvaneDoc* doc, Pane* pane) {
  DocRange range;
  GetPaneRange(doc, pane, &range);
  return range;
}

uint32_t PaneLastCp(const DocRange& range) {
  return range.limit > range.first ? range.limit - 1 : range.first;
}

QRectF LineRect(const DisplayLine* line) {
  return line ? QRectF(line->left, line->top, line->width, line->height) : QRectF();
}

// The first cp of the cached line after the index (the sentinel for the last).
uint32_t NextLineCp(CSArrayCP* cache, uint32_t index) {
  return index + 1 < SizeOfDynamicCPArray(cache) ? CpAtIndex(cache, index + 1) : MaxCp(cache);
}

// Whether the cache holds cp, and at which index.
bool CachedLineOfCp(CSArrayCP* cache, uint32_t cp, uint32_t* index) {
  if (!cache || SizeOfDynamicCPArray(cache) == 0) return false;
  if (cp < CpAtIndex(cache, 0) || cp >= MaxCp(cache)) return false;
  *index = SafeIndexOfCp(cache, cp, false);
  return true;
}

uint32_t PieceCount(const LineSegment& segment) {
  return SizeOfDynamicArray(segment.offsetMap);
}

SegmentPiece PieceAt(const LineSegment& segment, uint32_t index) {
  SegmentPiece piece;
  FetchDynamicArrayEntry(segment.offsetMap, index, &piece);
  return piece;
}

uint32_t PieceEnd(const LineSegment& segment, uint32_t index) {
  return index + 1 < PieceCount(segment) ? PieceAt(segment, index + 1).offset : segment.fitCount;
}

bool IsContentRun(uint32_t kind) {
  return kind == kRunCheckbox || kind == kRunText || kind == kRunPicture || kind == kRunTab || kind == kRunTagMarker;
}

// The cp for a text index of a segment with cps; x relative to the segment.
uint32_t CpOfSegmentIndex(const Locator& locator, const LineSegment& segment, uint32_t index, float x) {
  const uint32_t count = PieceCount(segment);
  uint32_t lastWithCps = segment.head.firstCp >= 0 ? uint32_t(segment.head.firstCp) : 0;
  for (uint32_t i = 0; i < count; ++i) {
    const SegmentPiece piece = PieceAt(segment, i);
    const uint32_t end = PieceEnd(segment, i);
    const bool inside = index >= piece.offset && (index < end || i + 1 == count);
    if (!inside) {
      if (piece.firstCp >= 0) lastWithCps = uint32_t(piece.endCp);
      continue;
    }
    const float left = PositionOfLineSegmentIndex(&segment, piece.offset);
    const float right = PositionOfLineSegmentIndex(&segment, end);
    const bool rightHalf = x >= (left + right) / 2;
    if (piece.firstCp < 0) {
      // Generated text: the real cp on the nearer side.
      if (rightHalf) {
        for (uint32_t k = i + 1; k < count; ++k) {
          const SegmentPiece next = PieceAt(segment, k);
          if (next.firstCp >= 0) return uint32_t(next.firstCp);
        }
        return segment.head.endCp >= 0 ? uint32_t(segment.head.endCp) : lastWithCps;
      }
      return lastWithCps;
    }
    const uint32_t units = end > piece.offset ? end - piece.offset : 0;
    const bool knotText = locator.document && piece.endCp - piece.firstCp > 1 &&
                          CharacterAtCp(locator.document, uint32_t(piece.firstCp)) <= kKnotMark1;
    if ((piece.endCp - piece.firstCp == 1 && units > 1) || knotText) {
      // Cps shown as other characters (a field's or a link's text).
      if (!locator.exact && rightHalf) return uint32_t(piece.endCp);
      return uint32_t(piece.firstCp);
    }
    const uint32_t cp = uint32_t(piece.firstCp) + (index - piece.offset);
    return std::min(cp, uint32_t(piece.endCp));
  }
  return lastWithCps;
}

// The cell lines of a row, formatted one after the other.
struct RowGeometry {
  KnotFormat table, row;
  TableProps props;
  std::vector<QRectF> cells;
  std::vector<int64_t> widths;
};

bool RowGeometryOfLine(const LineFormat* rowLine, RowGeometry* geometry) {
  if (!rowLine || !rowLine->document || rowLine->lineKind != 3) return false;
  CorvaneDoc* doc = rowLine->document;
  FetchKnot(doc, rowLine->tableCp, &geometry->row, kKnotRow);
  if (geometry->row.index == kNoCpValue) return false;
  if (!FetchTable(doc, kNoCpValue, &geometry->table, &geometry->row, &geometry->props)) return false;
  GetRowRectangles(rowLine, 0, 0, nullptr, &geometry->cells, &geometry->widths);
  return !geometry->cells.empty() && geometry->cells.size() == geometry->widths.size();
}

// Walks the lines of a cell; `visit` gets each formatted line and its top
// (relative to the row) and answers true to stop there.
template <typename Visit>
bool WalkCellLines(CorvaneDoc* doc, Pane* pane, const RowGeometry& geometry, uint32_t column, LineFormat* line,
                   Visit visit) {
  DocRange range;
  IndexAndRangeForCell(geometry.table, geometry.row, 0, int32_t(column), &range);
  float indents[4];
  GetCellIndents(indents, geometry.props, column, geometry.table, geometry.row);
  if (!InitFormatLine(doc, pane, line, kLineInTableCell | kLineKeepRuns)) return false;
  double top = geometry.cells[column].y() + indents[1];
  uint32_t cp = range.first;
  while (cp < range.limit) {
    FormatLine(cp, geometry.widths[column], line);
    if (!CS_SAFE_ASSERT(line->endCp > cp)) break;
    const bool last = line->endCp >= range.limit;
    if (visit(*line, top, last)) return true;
    top += line->lineHeight;
    cp = line->endCp;
  }
  return false;
}

// The column holding the point: the first whose edge (the middle of the gap
// to the next cell) is at or beyond x.
uint32_t ColumnAtX(const std::vector<QRectF>& cells, double x) {
  for (uint32_t i = 0; i + 1 < cells.size(); ++i) {
    if ((cells[i].right() + cells[i + 1].left()) / 2 >= x) return i;
  }
  return uint32_t(cells.size() - 1);
}

double ColumnEdge(const std::vector<QRectF>& cells, uint32_t column) {
  return column + 1 < cells.size() ? (cells[column].right() + cells[column + 1].left()) / 2 : cells[column].right();
}

// Formats the row line that starts at cp (a table's or row's first cp).
bool FormatRowLine(CorvaneDoc* doc, Pane* pane, uint32_t cp, LineFormat* rowLine) {
  if (!InitFormatLine(doc, pane, rowLine, kLineKeepRuns)) return false;
  FormatLine(cp, DraftWidth(doc, pane), rowLine);
  return rowLine->lineKind == 3;
}

}  // namespace

void InitLocator(CorvaneDoc* doc, Pane* pane, Locator* locator) {
  if (!locator) return;
  *locator = Locator{};
  locator->document = doc;
  locator->pane = pane;
}

bool LocatePointInDoc(Locator* locator, uint32_t options, double x, double y) {
  if (!locator) return false;
  const uint8_t exact = locator->exact, caller = locator->callerByte;
  CorvaneDoc* doc = locator->document;
  Pane* pane = locator->pane;
  InitLocator(doc, pane, locator);
  locator->exact = exact;
  locator->callerByte = caller;
  locator->lineIndex = 0;
  if (!doc || !pane || !pane->displayLines) return false;
  const bool clamp = options & kLocateClamp;
  const bool inLine = options & kLocateInLine;

  QRectF visible;
  GetVisibleViewRect(&visible, pane);
  const bool inside = x >= visible.left() && x < visible.right() && y >= visible.top() && y < visible.bottom();
  locator->hitZone = inside ? kZoneProvisional : kZoneOutside;
  if (!inside && !clamp) return false;
  if (y < visible.top() + g_corvaneConfig.extraLineSpacing / ZoomOf(pane)) {
    locator->hitZone = kZoneAboveTop;
    if (!clamp) return false;
  }

  CSArrayCP* cache = pane->displayLines;
  const uint32_t count = SizeOfDynamicCPArray(cache);
  const DocRange range = PaneRange(doc, pane);
  const uint32_t paneLast = PaneLastCp(range);
  for (uint32_t i = 0; i < count; ++i) {
    const DisplayLine* line = DisplayLineAtIndex(cache, i);
    if (!(y < line->top + line->height)) continue;
    // The line holding y, or the first one below it (a gap).
    locator->lineIndex = i;
    const QRectF rect = LineRect(line);
    const bool left = x < rect.left(), right = x >= rect.right();
    if (locator->hitZone == kZoneProvisional) {
      locator->hitZone = left ? kZoneLeftOfLine : right ? kZoneRightOfLine : kZoneOnText;
    }
    if ((left || right) && !clamp) return false;
    const uint32_t first = CpAtIndex(cache, i);
    if (!inLine) {
      locator->cp = first;
    } else if (clamp && (left || right) && line->kind != 3) {
      if (x < rect.center().x()) {
        locator->cp = std::min(VisibleCp(doc, pane, first, true), paneLast);
      } else {
        const uint32_t next = NextLineCp(cache, i);
        locator->cp = VisibleCp(doc, pane, std::min(next > first ? next - 1 : first, paneLast), false);
      }
    } else {
      CpFromLineX(locator, cache, !clamp, x - rect.left(), y - rect.top());
    }
    return locator->hitZone == kZoneOnText && locator->cp != kNoCpValue;
  }

  // Below the last line.
  locator->hitZone = kZoneBelowLines;
  if (count == 0) {
    locator->lineIndex = kNoCpValue;
    return false;
  }
  locator->lineIndex = count - 1;
  if (!inLine) {
    locator->cp = CpAtIndex(cache, count - 1);
    return false;
  }
  locator->cp = VisibleCp(doc, pane, paneLast, false);
  uint32_t index = 0;
  if (CachedLineOfCp(cache, locator->cp, &index) && index != locator->lineIndex) locator->lineIndex = index;
  if (locator->cp + 1 == NextLineCp(cache, locator->lineIndex) && locator->cp + 1 < range.limit) {
    locator->afterLineEnd = 1;
  }
  return false;
}

uint32_t CpFromLineX(Locator* locator, CSArrayCP* displayLines, bool strict, double x, double y) {
  if (!locator || !locator->document || !displayLines) return kNoCpValue;
  CorvaneDoc* doc = locator->document;
  Pane* pane = locator->pane ? locator->pane : CurrentPane(doc);
  const DocRange range = PaneRange(doc, pane);
  const uint32_t paneLast = PaneLastCp(range);
  if (locator->lineIndex >= SizeOfDynamicCPArray(displayLines)) return kNoCpValue;
  const uint32_t first = CpAtIndex(displayLines, locator->lineIndex);
  if (first >= paneLast) {
    locator->cp = paneLast;
    return paneLast;
  }
  LineFormat line;
  if (!InitFormatLine(doc, pane, &line, kLineKeepRuns)) return kNoCpValue;
  FormatLine(first, DraftWidth(doc, pane), &line);
  locator->baseline = line.baseline;
  if (strict && (x <= 0 || x >= line.textWidth)) {
    locator->cp = kNoCpValue;
  } else if (line.lineKind == 3) {
    LocateCpInTableRow(locator, &line, x, y);
  } else {
    LocateCpInLine(locator, &line, x);
  }
  ReleaseLineFormat(&line);
  if (locator->cp != kNoCpValue) locator->cp = std::clamp(locator->cp, range.first, std::max(range.first, paneLast));
  return locator->cp;
}

void LocateCpInLine(Locator* locator, const LineFormat* format, double x) {
  if (!locator || !format) return;
  locator->afterLineEnd = 0;
  const uint32_t firstCp = format->firstCp;
  if (format->lineKind == 2) {
    // A divider: its cp, or past it for the right half.
    locator->cp = firstCp;
    if (!locator->exact && x > (format->paraLeftEdge + format->rightEdge) / 2) {
      locator->cp = firstCp + 1;
      locator->afterLineEnd = 1;
    }
    return;
  }
  const uint32_t endCp = format->endCp;
  uint32_t last = endCp > firstCp ? endCp - 1 : firstCp;
  if (format->endsParagraph && last > firstCp) --last;
  const bool stops = StopsAtBreak(format->breakReason);
  if (x >= format->textWidth) {
    locator->cp = last;
    if (format->breakReason == kBreakLineFeed && format->document) {
      DocRange para;
      ParaProps props;
      FetchParaProps(format->document, format->pane, firstCp, &para, &props);
      if (para.limit > firstCp && para.limit < endCp) locator->cp = para.limit - 1;
    }
    return;
  }
  if (x < format->leftEdge) {
    locator->cp = firstCp;
    return;
  }
  const float rx = float(x - format->leftEdge);
  CorvaneDoc* doc = format->document;
  Pane* pane = format->pane;
  bool decided = false, checkboxHit = false;
  uint32_t cp = last;
  for (const LineRun& run : format->runs) {
    const LineRunHead& head = run.head();
    if (!IsContentRun(head.kind) || head.x + head.width <= rx) continue;
    if (head.kind == kRunCheckbox) {
      checkboxHit = true;
      if (head.firstCp >= 0) {
        cp = uint32_t(head.firstCp);
      } else {
        cp = VisibleCp(doc, pane, firstCp, true);
        locator->generatedHit = 1;
      }
      decided = true;
    } else if (head.kind == kRunText && head.firstCp < 0) {
      if (!run.segment.prefix || checkboxHit) continue;
      // A paragraph prefix or list marker: the text after it.
      cp = FirstVisibleCpInPara(doc, pane, std::max<uint32_t>(head.endCp >= 0 ? uint32_t(head.endCp) : 0, firstCp));
      locator->prefixHit = 1;
      decided = true;
    } else if (head.kind == kRunText) {
      const LineSegment& segment = run.segment;
      const float sx = rx - head.x;
      uint32_t index = IndexOfLineSegmentPosition(&segment, sx);
      if (locator->exact) {
        if (index > 0 && PositionOfLineSegmentIndex(&segment, index) > sx) {
          --index;
        } else if (index < segment.fitCount && PositionOfLineSegmentIndex(&segment, index + 1) <= sx) {
          ++index;
        }
      }
      cp = CpOfSegmentIndex(*locator, segment, index, sx);
      decided = true;
    } else if (head.firstCp >= 0) {
      // A picture, tag marker or tab with a cp.
      cp = uint32_t(head.firstCp);
      if (!locator->exact && rx > head.x + head.width / 2) cp += 1;
      decided = true;
    } else {
      continue;
    }
    break;
  }
  if (!decided) {
    locator->cp = last;
    locator->afterLineEnd = stops ? 0 : 1;
    return;
  }
  if (cp >= endCp) {
    cp = stops ? last : endCp;
    locator->afterLineEnd = stops ? 0 : 1;
  }
  locator->cp = std::max(cp, firstCp);
  // Never between the halves of a surrogate pair: the nearer side.
  if (doc && locator->cp > firstCp && locator->cp < doc->cpLimit &&
      QChar::isLowSurrogate(CharacterAtCp(doc, locator->cp)) &&
      QChar::isHighSurrogate(CharacterAtCp(doc, locator->cp - 1))) {
    const float before = LineXFromCpCore(format, locator->cp - 1, nullptr);
    const float after = LineXFromCpCore(format, locator->cp + 1, nullptr);
    locator->cp += rx - before <= after - rx ? -1 : 1;
  }
}

float XAndWidthForCpOnLine(const LineFormat* format, uint32_t cp, uint32_t otherCp, float* width, float leftEdge) {
  if (!format) {
    if (width) *width = 0;
    return leftEdge;
  }
  const float x = LineXFromCpCore(format, cp, nullptr);
  float other = LineXFromCpCore(format, otherCp, nullptr);
  if (other < x) {
    // The other cp wrapped: run to the character after it.
    if (otherCp + 1 < format->endCp) {
      other = std::max(x, LineXFromCpCore(format, otherCp + 1, nullptr));
    } else {
      other = std::max(x, format->layoutWidth - format->leftEdge);
    }
  }
  if (width) *width = other - x;
  return x + leftEdge;
}

double XAndWidthForCp(Locator* locator, uint32_t otherCp, QRectF* rect) {
  if (!locator || !rect || !locator->document) return 0;
  CorvaneDoc* doc = locator->document;
  Pane* pane = locator->pane ? locator->pane : CurrentPane(doc);
  CSArrayCP* cache = pane ? pane->displayLines : nullptr;
  if (locator->lineIndex == kNoCpValue || locator->lineIndex >= SizeOfDynamicCPArray(cache)) {
    uint32_t index = 0;
    if (!CachedLineOfCp(cache, locator->cp, &index)) {
      rect->setWidth(0);
      return 0;
    }
    locator->lineIndex = index;
  }
  LineFormat line;
  if (!InitFormatLine(doc, pane, &line, kLineKeepRuns)) return 0;
  FormatLine(CpAtIndex(cache, locator->lineIndex), DraftWidth(doc, pane), &line);
  locator->baseline = line.baseline;
  double added = 0;
  if (line.lineKind == 3) {
    QRectF cell;
    float baseline = 0;
    GetRectForCpsInTable(&line, locator->cp, otherCp, &cell, &baseline);
    locator->baseline = baseline;
    *rect = cell.translated(rect->x(), rect->y());
  } else {
    float width = 0;
    added = XAndWidthForCpOnLine(&line, locator->cp, otherCp, &width, line.leftEdge);
    rect->setX(rect->x() + added);
    rect->setWidth(width);
  }
  ReleaseLineFormat(&line);
  return added;
}

void RectOfCpRange(QRectF* out, Locator* locator, uint32_t* cp) {
  if (!out) return;
  *out = QRectF();
  if (!locator || !locator->document || !cp) return;
  Pane* pane = locator->pane ? locator->pane : CurrentPane(locator->document);
  CSArrayCP* cache = pane ? pane->displayLines : nullptr;
  if (locator->lineIndex >= SizeOfDynamicCPArray(cache)) return;
  *cp = std::min(*cp, NextLineCp(cache, locator->lineIndex));
  QRectF rect = LineRect(DisplayLineAtIndex(cache, locator->lineIndex));
  const double right = rect.right();
  rect.setWidth(0);
  XAndWidthForCp(locator, *cp, &rect);
  // The rectangle stays on its line.
  if (rect.right() > right) rect.setRight(std::max(rect.left(), right));
  *out = rect;
}

bool GetRectContainingCp(Locator* locator, QRectF* out, bool clip) {
  if (!locator || !locator->document || !locator->pane) return false;
  Pane* pane = locator->pane;
  CSArrayCP* cache = pane->displayLines;
  uint32_t index = 0;
  if (!CachedLineOfCp(cache, locator->cp, &index)) {
    if (locator->lineIndex >= SizeOfDynamicCPArray(cache)) return false;
    index = locator->lineIndex;
  }
  locator->lineIndex = index;
  QRectF rect = LineRect(DisplayLineAtIndex(cache, index));
  rect.setWidth(0);
  XAndWidthForCp(locator, locator->cp + 1, &rect);
  if (out) *out = rect;
  if (!clip) return true;
  QRectF view;
  GetVisibleViewRect(&view, pane);
  if (rect.x() == view.right()) rect.translate(-1.0, 0);
  if (rect.width() == 0) rect.setWidth(1.0);
  if (out) *out = rect;
  return rect.intersects(view);
}

bool IsLocationVisible(Locator* locator, QRectF* out, bool scroll) {
  if (!locator || !locator->document || !locator->pane) return false;
  CorvaneDoc* doc = locator->document;
  Pane* pane = locator->pane;
  if (!doc->hostWindow) return false;
  const DocRange range = PaneRange(doc, pane);
  locator->cp = std::min(locator->cp, PaneLastCp(range));
  QRectF visible;
  GetVisibleViewRect(&visible, pane);
  auto findLine = [&](QRectF* lineRect) {
    uint32_t index = 0;
    if (!CachedLineOfCp(pane->displayLines, locator->cp, &index)) {
      locator->lineIndex = kNoCpValue;
      return false;
    }
    locator->lineIndex = index;
    *lineRect = LineRect(DisplayLineAtIndex(pane->displayLines, index));
    return true;
  };
  QRectF lineRect;
  const bool known = findLine(&lineRect);
  if (out) *out = lineRect;
  const bool shown = known && lineRect.top() < visible.bottom() && lineRect.bottom() >= visible.top();
  if (!scroll) return shown;
  const bool wholly = known && lineRect.top() >= visible.top() && lineRect.bottom() <= visible.bottom();
  // A line taller than the view is left where it is once part of it shows.
  const bool tooTall = shown && visible.bottom() < lineRect.height();
  if (!wholly && !tooTall) {
    ScrollToCpDraft(doc, pane, CenterOfScreenCp(doc, pane, locator->cp, visible), locator->cp);
    if (findLine(&lineRect) && out) *out = lineRect;
  }
  ScrollHorzToCpDraft(doc, pane, locator->cp);
  return true;
}

// ---- Table rows ------------------------------------------------------------------

void LocateCpInTableRow(Locator* locator, const LineFormat* rowLine, double x, double y) {
  if (!locator) return;
  RowGeometry geometry;
  if (!RowGeometryOfLine(rowLine, &geometry)) {
    locator->cp = kNoCpValue;
    return;
  }
  CorvaneDoc* doc = rowLine->document;
  Pane* pane = rowLine->pane ? rowLine->pane : locator->pane;
  const std::vector<QRectF>& cells = geometry.cells;
  const uint32_t column = ColumnAtX(cells, x);
  float indents[4];
  GetCellIndents(indents, geometry.props, column, geometry.table, geometry.row);
  const double left = cells[column].x() + indents[0];
  LineFormat line;
  const bool found =
      WalkCellLines(doc, pane, geometry, column, &line, [&](const LineFormat& cellLine, double top, bool last) {
        if (top + cellLine.lineHeight <= y && !last) return false;
        LocateCpInLine(locator, &cellLine, std::max(0.0, x - left));
        locator->baseline = float(top + cellLine.baseline);
        return true;
      });
  ReleaseLineFormat(&line);
  DocRange range;
  IndexAndRangeForCell(geometry.table, geometry.row, 0, int32_t(column), &range);
  if (!found || locator->cp == kNoCpValue || locator->cp < range.first || locator->cp > range.limit) {
    locator->cp = kNoCpValue;
  }

  // A point near a column's edge picks the edge; one in a first-row cell
  // picks the column's head.
  const double zoom = ZoomOf(locator->pane);
  const double slop = kColumnEdgeSlop / zoom;
  auto nearEdge = [&](uint32_t c) {
    if (c + 1 == cells.size() && geometry.props.autofit) return false;
    return std::abs(x - (ColumnEdge(cells, c) + 1.0 / zoom)) < slop;
  };
  if (nearEdge(column)) {
    locator->columnEdge = column;
  } else if (column > 0 && nearEdge(column - 1)) {
    locator->columnEdge = column - 1;
  } else if (geometry.row.start <= geometry.table.start + 1 && y >= cells[column].top() && y < cells[column].bottom()) {
    locator->columnHead = column;
  }
}

void GetRectForCpsInTable(const LineFormat* rowLine, uint32_t cp, uint32_t otherCp, QRectF* rect, float* baseline) {
  if (rect) *rect = QRectF();
  if (baseline) *baseline = 0;
  RowGeometry geometry;
  if (!RowGeometryOfLine(rowLine, &geometry)) return;
  DocRange range;
  const int32_t column = IndexAndRangeForCell(geometry.table, geometry.row, cp, -1, &range);
  if (column < 0) return;
  float indents[4];
  GetCellIndents(indents, geometry.props, uint32_t(column), geometry.table, geometry.row);
  const double left = geometry.cells[size_t(column)].x() + indents[0];
  LineFormat line;
  WalkCellLines(rowLine->document, rowLine->pane, geometry, uint32_t(column), &line,
                [&](const LineFormat& cellLine, double top, bool last) {
                  if (cp >= cellLine.endCp && !last) return false;
                  float width = 0;
                  const float x =
                      XAndWidthForCpOnLine(&cellLine, cp, std::min(otherCp, cellLine.endCp), &width, cellLine.leftEdge);
                  if (rect) *rect = QRectF(left + x, top, width, cellLine.lineHeight);
                  if (baseline) *baseline = float(top + cellLine.baseline);
                  return true;
                });
  ReleaseLineFormat(&line);
}

uint32_t FindUpOrDownInTable(Locator* locator, const DocRange& tableRange, uint32_t direction, uint32_t modifiers,
                             double x) {
  if (!locator || !locator->document) return kNoCpValue;
  CorvaneDoc* doc = locator->document;
  Pane* pane = locator->pane ? locator->pane : CurrentPane(doc);
  const DocRange range = PaneRange(doc, pane);
  const bool up = direction == kKeyUp;
  LineFormat rowLine;
  KnotFormat table, row;
  if (!FetchTable(doc, locator->cp, &table, &row, nullptr) || !FormatRowLine(doc, pane, row.start, &rowLine)) {
    ReleaseLineFormat(&rowLine);
    return kNoCpValue;
  }
  RowGeometry geometry;
  if (!RowGeometryOfLine(&rowLine, &geometry)) {
    ReleaseLineFormat(&rowLine);
    return kNoCpValue;
  }
  DocRange cell;
  const int32_t column = IndexAndRangeForCell(geometry.table, geometry.row, locator->cp, -1, &cell);
  // The cell line holding the cp: its top and bottom, and whether it is the
  // cell's first or last.
  double top = 0, bottom = 0;
  bool firstLine = true, lastLine = true, seenFirst = false;
  LineFormat line;
  if (column >= 0) {
    WalkCellLines(doc, pane, geometry, uint32_t(column), &line,
                  [&](const LineFormat& cellLine, double lineTop, bool last) {
                    const bool holds = locator->cp < cellLine.endCp || last;
                    if (!holds) {
                      seenFirst = true;
                      return false;
                    }
                    firstLine = !seenFirst;
                    lastLine = last;
                    top = lineTop;
                    bottom = lineTop + cellLine.lineHeight;
                    return true;
                  });
  }
  ReleaseLineFormat(&line);
  ReleaseLineFormat(&rowLine);

  uint32_t targetRow = kNoCpValue;
  double y = 0;
  const uint32_t tableFirst = std::max(tableRange.first, table.start);
  const uint32_t tableLimit = tableRange.limit > tableRange.first ? tableRange.limit : table.limit;
  if (up) {
    if (!firstLine) {
      targetRow = row.start, y = top - 1;
    } else if (row.start > table.start + 1) {
      KnotFormat previous;
      FetchKnot(doc, row.start - 1, &previous, kKnotRow);
      if (previous.index != kNoCpValue) targetRow = previous.start, y = kBelowAnyRow;
    } else if (tableFirst <= range.first) {
      locator->cp = VisibleCp(doc, pane, tableFirst + 1, true);
      return locator->cp;
    } else {
      DocRange before;
      if (!CpIsWithinKnot(doc, tableFirst - 1, kKnotTable, &before)) {
        SelectKeyDraft(doc, kKeyUp, modifiers, kSelectKeyIgnoreTables);
        return kNoCpValue;
      }
      KnotFormat lastRow;
      FetchKnot(doc, before.limit > before.first + 1 ? before.limit - 2 : before.first, &lastRow, kKnotRow);
      if (lastRow.index != kNoCpValue) targetRow = lastRow.start, y = kBelowAnyRow;
    }
  } else {
    if (!lastLine) {
      targetRow = row.start, y = bottom + 1;
    } else if (row.limit + 1 < table.limit) {
      targetRow = row.limit, y = 0;
    } else if (tableLimit >= range.limit) {
      return kNoCpValue;
    } else {
      DocRange after;
      if (!CpIsWithinKnot(doc, tableLimit, kKnotTable, &after)) {
        SelectKeyDraft(doc, kKeyDown, modifiers, kSelectKeyIgnoreTables);
        return kNoCpValue;
      }
      targetRow = after.first + 1, y = 0;
    }
  }
  if (targetRow == kNoCpValue) return kNoCpValue;
  LineFormat target;
  uint32_t found = kNoCpValue;
  if (FormatRowLine(doc, pane, targetRow, &target)) {
    target.flags &= ~uint32_t(kLineInTableCell);
    LocateCpInTableRow(locator, &target, x, y);
    found = locator->cp;
  }
  ReleaseLineFormat(&target);
  locator->cp = found;
  return found;
}

uint32_t LineEdgeInTable(CorvaneDoc* doc, Pane* pane, const DocRange& tableRange, uint32_t cp, float* lineEdge,
                         uint32_t which) {
  if (lineEdge) *lineEdge = 0;
  if (!doc) return kNoCpValue;
  if (!pane) pane = CurrentPane(doc);
  KnotFormat table, row;
  if (!FetchTable(doc, cp, &table, &row, nullptr)) return kNoCpValue;
  (void)tableRange;
  LineFormat rowLine;
  RowGeometry geometry;
  uint32_t answer = kNoCpValue;
  if (FormatRowLine(doc, pane, row.start, &rowLine) && RowGeometryOfLine(&rowLine, &geometry)) {
    DocRange cell;
    const int32_t column = IndexAndRangeForCell(geometry.table, geometry.row, cp, -1, &cell);
    LineFormat line;
    if (column >= 0) {
      WalkCellLines(doc, pane, geometry, uint32_t(column), &line, [&](const LineFormat& cellLine, double, bool last) {
        if (cp >= cellLine.endCp && !last) return false;
        if (which == 0) {
          answer = std::max(cellLine.firstCp, cell.first);
          if (lineEdge) *lineEdge = cellLine.leftEdge;
        } else {
          answer = cellLine.endCp;
          if (which == 2 && StopsAtBreak(cellLine.breakReason) && answer > cellLine.firstCp) answer -= 1;
          answer = std::min(answer, cell.limit);
          if (lineEdge) *lineEdge = cellLine.textWidth;
        }
        return true;
      });
    }
    ReleaseLineFormat(&line);
  }
  ReleaseLineFormat(&rowLine);
  return answer;
}
