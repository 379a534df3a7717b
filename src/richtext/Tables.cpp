#include "richtext/Tables.h"

#include <algorithm>
#include <cmath>

#include "richtext/Borders.h"
#include "richtext/CorvaneHost.h"
#include "richtext/DrawLine.h"
#include "richtext/DrawingServices.h"
#include "richtext/LineFormat.h"
#include "richtext/Panes.h"
#include "richtext/PropertyRuns.h"
#include "support/CSAssert.h"
#include "support/GraphicsContext.h"
#include "support/ThreadStorage.h"

namespace {

constexpr double kPerPoint = 12700.0;

float Points(int64_t measure) { return float(double(measure) / kPerPoint); }

bool IsFirstRow(const KnotFormat& table, const KnotFormat& row) { return row.start <= table.start + 1; }
bool IsLastRow(const KnotFormat& table, const KnotFormat& row) { return row.limit + 1 >= table.limit; }

void StoreCache(KnotFormat* cache, const KnotFormat& format) {
  if (cache) *cache = format;
}

bool CacheHolds(const KnotFormat* cache, uint32_t cp) {
  return cache && cache->index != kNoCpValue && cache->limit != kNoCpValue && cp >= cache->start &&
         cp < cache->limit;
}

// The border's sides for a cell at this row position and column.
BorderSides CellBorder(const TableProps& props, uint32_t rowPosition, uint32_t rowCount, uint32_t column,
                       uint32_t columns) {
  if (props.border.btype == kEdgeNone) return {};
  BorderDisplay display;
  SetBorderDisplay(props.border.btype, rowPosition, rowCount, column, columns, &display);
  return BorderThickness(props.border, display);
}

}  // namespace

void SanitizeTableProps(TableProps* props) {
  if (!props) return;
  props->cols = uint8_t(std::min<uint32_t>(props->cols, kMaxTableColumns));
  for (int64_t& width : props->columns) width = std::clamp<int64_t>(width, 0, kMaxTableRowHeight);
  if (props->autofit) {
    int64_t sum = 0;
    for (int64_t& width : props->columns) {
      width = std::min(width, kFullPercentage - sum);
      sum += width;
    }
  }
  props->height = std::clamp(props->height, -kMaxTableRowHeight, kMaxTableRowHeight);
  const int64_t maxPadding = kMaxTableRowHeight;
  for (int64_t* value : {&props->left, &props->top, &props->right, &props->bottom, &props->cleft, &props->before,
                         &props->cright, &props->after}) {
    *value = std::clamp<int64_t>(*value, -maxPadding, maxPadding);
  }
}

bool IsCpInRowCache(CorvaneDoc* doc, uint32_t cp, DocRange* range, KnotFormat* format) {
  if (!doc || !CacheHolds(doc->knotFormatCache2, cp)) return false;
  if (range) *range = DocRange{doc, doc->knotFormatCache2->start, doc->knotFormatCache2->limit};
  if (format) *format = *doc->knotFormatCache2;
  return true;
}

bool IsCpInTableCache(CorvaneDoc* doc, uint32_t cp, DocRange* range, KnotFormat* format) {
  if (!doc || doc->noTableCache || !CacheHolds(doc->knotFormatCache, cp)) return false;
  if (range) *range = DocRange{doc, doc->knotFormatCache->start, doc->knotFormatCache->limit};
  if (format) *format = *doc->knotFormatCache;
  return true;
}

bool FetchTable(CorvaneDoc* doc, uint32_t cp, KnotFormat* tableOut, KnotFormat* rowInOut, TableProps* propsOut) {
  if (!doc) return false;
  const bool mainThread = IsMainThread();
  KnotFormat row;
  if (cp != kNoCpValue) {
    if (!(mainThread && IsCpInRowCache(doc, cp, nullptr, &row))) {
      // The row around the cp, past any knot inside its cell; else the
      // first row of the table around it.
      DocRange around;
      if (CpIsWithinKnot(doc, cp, kKnotRow, &around)) {
        FetchKnot(doc, around.first, &row, kKnotRow);
      } else if (CpIsWithinKnot(doc, cp, kKnotTable, &around)) {
        FetchKnot(doc, around.first + 1, &row, kKnotRow);
      }
      if (row.index == kNoCpValue) return false;
      if (mainThread) StoreCache(doc->knotFormatCache2, row);
    }
  } else {
    if (!rowInOut || rowInOut->index == kNoCpValue) return false;
    row = *rowInOut;
  }
  KnotFormat table;
  const bool useCache = mainThread && !doc->noTableCache;
  if (!(useCache && IsCpInTableCache(doc, row.start, nullptr, &table))) {
    DocRange around;
    if (!CpIsWithinKnot(doc, row.start, kKnotTable, &around)) return false;
    FetchKnot(doc, around.first, &table, kKnotTable);
    if (table.index == kNoCpValue) return false;
    if (useCache) StoreCache(doc->knotFormatCache, table);
  }
  if (propsOut) {
    const Properties* record = PropertiesAtIndex(doc, table.entry.props);
    *propsOut = record && record->type == kTableProperties ? record->body.table : TableProps{};
    SanitizeTableProps(propsOut);
  }
  if (tableOut) *tableOut = table;
  if (rowInOut) *rowInOut = row;
  return true;
}

uint32_t RowCellCount(const KnotFormat& row) {
  if (row.kinkCount < 2) return 0;
  return std::min<uint32_t>(std::min<uint32_t>(row.kinkCount, kMaxKinks) - 1, kMaxTableColumns);
}

bool KnotEntryForTableColumn(const KnotFormat& row, uint32_t column, KnotEntry* entry) {
  if (column >= RowCellCount(row) || !row.doc) return false;
  return KnotEntryAtCp(row.doc, row.kinks[column + 1], entry);
}

uint32_t ApproximateRowNumber(const KnotFormat& table, const KnotFormat& row, const TableProps& props,
                              uint32_t frameFirst, uint32_t frameLimit, uint32_t* rowCount) {
  uint32_t position = 2;
  if (IsFirstRow(table, row)) {
    position = 0;
  } else {
    KnotFormat first;
    if (table.doc) FetchKnot(table.doc, table.start + 1, &first, kKnotRow);
    if (first.index != kNoCpValue && row.start == first.limit) position = 1;
    else if (row.start == frameFirst && props.titlerow) position = 1;
  }
  if (rowCount) *rowCount = position + 2 - ((row.limit == frameLimit || IsLastRow(table, row)) ? 1 : 0);
  return position;
}

void GetCellRects(double scale, const QRectF& rowRect, uint32_t rowPosition, uint32_t rowCount,
                  const KnotFormat& table, const KnotFormat& row, const TableProps& props,
                  std::vector<QRectF>* cells, std::vector<int64_t>* contentWidths) {
  const uint32_t count = RowCellCount(row);
  if (cells) cells->assign(count, QRectF());
  if (contentWidths) contentWidths->assign(count, 0);
  if (count == 0) return;
  double top = rowRect.y(), height = rowRect.height();
  if (IsFirstRow(table, row)) {
    top += Points(props.top) * scale;
    height -= Points(props.top) * scale;
  }
  if (IsLastRow(table, row)) height -= Points(props.bottom) * scale;
  const bool bordered = props.border.btype != kEdgeNone;
  if (bordered) {
    const BorderSides sides = CellBorder(props, rowPosition, rowCount, 0, count);
    top += sides.top * scale;
    height -= (sides.top + sides.bottom) * scale;
  }
  height = std::max(0.0, height);
  const bool collapse = props.insideonly;
  std::vector<double> widths(count), lefts(count);
  std::vector<BorderSides> borders(count);
  double bordersTotal = 0;
  for (uint32_t i = 0; i < count; ++i) {
    if (bordered) borders[i] = CellBorder(props, rowPosition, rowCount, i, count);
    bordersTotal += (borders[i].left + borders[i].right) * scale;
  }
  if (props.autofit) {
    // The columns share what the indents and borders leave; the last takes
    // the rest, so that they always fill the whole width.
    const double space =
        std::max(0.0, rowRect.width() - (Points(props.left) + Points(props.right)) * scale - bordersTotal);
    double used = 0;
    for (uint32_t i = 0; i + 1 < count; ++i) {
      widths[i] = space * double(props.columns[i]) / double(kFullPercentage);
      used += widths[i];
    }
    widths[count - 1] = std::max(0.0, space - used);
  } else {
    for (uint32_t i = 0; i < count; ++i) widths[i] = Points(props.columns[i]) * scale;
  }
  double x = 0;
  for (uint32_t i = 0; i < count; ++i) {
    x += borders[i].left * scale;
    lefts[i] = x;
    x += widths[i] + borders[i].right * scale;
  }
  const double total = x;
  double start;
  if (props.align == 3)
    start = rowRect.width() - Points(props.right) * scale - total;
  else if (props.align == 1)
    start = (Points(props.left) * scale + rowRect.width() - Points(props.right) * scale - total) / 2;
  else
    start = Points(props.left) * scale;
  start += rowRect.x();
  for (uint32_t i = 0; i < count; ++i) {
    if (cells) (*cells)[i] = QRectF(start + lefts[i], top, widths[i], height);
    if (contentWidths) {
      const double left = collapse && i == 0 ? 0 : Points(props.cleft);
      const double right = collapse && i + 1 == count ? 0 : Points(props.cright);
      const double content = std::max(0.0, widths[i] / scale - left - right);
      (*contentWidths)[i] = int64_t(content * kPerPoint);
    }
  }
}

int32_t IndexAndRangeForCell(const KnotFormat& table, const KnotFormat& row, uint32_t cp, int32_t column,
                             DocRange* range) {
  const uint32_t count = RowCellCount(row);
  if (column < 0) {
    column = -1;
    for (uint32_t i = 0; i < count; ++i) {
      if (cp <= row.kinks[i + 1]) {
        column = int32_t(i);
        break;
      }
    }
    if (column < 0 && count) column = int32_t(count - 1);
  } else if (uint32_t(column) >= count) {
    column = -1;
  }
  if (range) {
    *range = DocRange{row.doc, 0, 0};
    if (column >= 0) {
      uint32_t first = row.kinks[column] + 1;
      if (column == 0) first = IsFirstRow(table, row) && row.start > 0 ? row.start - 1 : row.start;
      range->first = first;
      range->limit = row.kinks[column + 1];
    }
  }
  return column;
}

void GetCellIndents(float out[4], const TableProps& props, uint32_t column, const KnotFormat& table,
                    const KnotFormat& row) {
  if (!out) return;
  const bool collapse = props.insideonly;
  const uint32_t count = RowCellCount(row);
  out[0] = collapse && column == 0 ? 0 : Points(props.cleft);
  out[1] = collapse && IsFirstRow(table, row) ? 0 : Points(props.before);
  out[2] = collapse && column + 1 >= count ? 0 : Points(props.cright);
  out[3] = collapse && IsLastRow(table, row) ? 0 : Points(props.after);
}

float FullTableWidth(CorvaneDoc* doc, uint32_t cp) {
  KnotFormat table, row;
  TableProps props;
  if (!FetchTable(doc, cp, &table, &row, &props)) return 0;
  double width = Points(props.left) + Points(props.right);
  const uint32_t columns = std::min<uint32_t>(props.cols, kMaxTableColumns);
  for (uint32_t i = 0; i < columns; ++i) {
    width += Points(props.columns[i]);
    if (props.border.btype != kEdgeNone) {
      const BorderSides sides = CellBorder(props, 0, 1, i, columns);
      width += sides.left + sides.right;
    }
  }
  return float(width);
}

uint32_t TableRowCount(const KnotFormat& table, uint32_t index, KnotFormat* rowOut) {
  if (!table.doc || table.index == kNoCpValue) return 0;
  uint32_t count = 0;
  uint32_t cp = table.start + 1;
  KnotFormat row, last;
  while (cp + 1 < table.limit) {
    FetchKnot(table.doc, cp, &row, kKnotRow);
    if (row.index == kNoCpValue || row.start != cp || row.limit <= cp) break;
    if (count == index && rowOut) *rowOut = row;
    last = row;
    ++count;
    cp = row.limit;
  }
  if (rowOut && index >= count) *rowOut = last;
  return count;
}

namespace {

// The height of a cell's lines at the content width; the loop stops at the
// cell's end and on a line that does not advance.
float CellTextHeight(CorvaneDoc* doc, Pane* pane, const DocRange& cell, int64_t width, uint32_t flags) {
  LineFormat format;
  if (!InitFormatLine(doc, pane, &format, flags)) return 0;
  float height = 0;
  uint32_t cp = cell.first;
  while (cp < cell.limit) {
    FormatLine(cp, width, &format);
    if (!CS_SAFE_ASSERT(format.endCp > cp)) break;
    height += format.lineHeight;
    cp = format.endCp;
  }
  ReleaseLineFormat(&format);
  return height;
}

struct RowLayout {
  KnotFormat table, row;
  TableProps props;
  uint32_t position = 0, rowCount = 0;
  std::vector<QRectF> cells;
  std::vector<int64_t> widths;
};

bool LayOutRow(const LineFormat* line, const KnotFormat& rowIn, const QRectF& rowRect, RowLayout* layout) {
  layout->row = rowIn;
  if (!FetchTable(line->document, kNoCpValue, &layout->table, &layout->row, &layout->props)) return false;
  layout->position = ApproximateRowNumber(layout->table, layout->row, layout->props, line->frameFirst,
                                          line->frameLimit, &layout->rowCount);
  GetCellRects(1.0, rowRect, layout->position, layout->rowCount, layout->table, layout->row, layout->props,
               &layout->cells, &layout->widths);
  return true;
}

bool RowOfLine(const LineFormat* line, KnotFormat* row) {
  if (!line || !line->document) return false;
  FetchKnot(line->document, line->tableCp, row, kKnotRow);
  return row->index != kNoCpValue;
}

}  // namespace

void SetTableRowLineFormat(LineFormat* format, const KnotFormat& rowIn) {
  if (!format || !format->document) return;
  CorvaneDoc* doc = format->document;
  KnotFormat row = rowIn;
  if (row.entry.type != kKnotRow || row.kinkIndex > 0) FetchKnot(doc, row.start, &row, kKnotRow);
  RowLayout layout;
  const QRectF rowRect(0, 0, Points(format->availableWidth), 0);
  if (!LayOutRow(format, row, rowRect, &layout) || layout.cells.empty()) {
    format->lineHeight = 0;
    return;
  }
  const TableProps& props = layout.props;
  const bool exact = props.height < 0;
  float indents[4];
  GetCellIndents(indents, props, 0, layout.table, layout.row);
  double height;
  if (exact) {
    height = Points(-props.height);
  } else {
    double tallest = 0;
    for (uint32_t i = 0; i < layout.cells.size(); ++i) {
      DocRange cell;
      IndexAndRangeForCell(layout.table, layout.row, 0, int32_t(i), &cell);
      tallest = std::max<double>(
          tallest, CellTextHeight(doc, format->pane, cell, layout.widths[i], kLineInTableCell));
    }
    height = std::max<double>(Points(props.height), tallest) + indents[1] + indents[3];
  }
  if (IsFirstRow(layout.table, layout.row)) height += Points(props.top);
  if (IsLastRow(layout.table, layout.row)) height += Points(props.bottom);
  const uint32_t count = uint32_t(layout.cells.size());
  BorderSides first, last;
  if (props.border.btype != kEdgeNone) {
    first = CellBorder(props, layout.position, layout.rowCount, 0, count);
    last = CellBorder(props, layout.position, layout.rowCount, count - 1, count);
    height += first.top + first.bottom;
  }
  format->lineHeight = float(std::ceil(std::max(0.0, height)));
  const float startX = float(layout.cells.front().x());
  const float endX = float(layout.cells.back().right());
  format->leftEdge = format->paraLeftEdge = startX - first.left;
  format->textWidth = format->rightEdge = endX + last.right;
  format->layoutWidth = format->rightEdge;
}

void GetRowRectangles(const LineFormat* rowLine, double x, double y, QRectF* rowRect, std::vector<QRectF>* cells,
                      std::vector<int64_t>* contentWidths) {
  const QRectF rect(x, y, Points(rowLine ? rowLine->availableWidth : 0), rowLine ? rowLine->lineHeight : 0);
  if (rowRect) *rowRect = rect;
  KnotFormat row;
  RowLayout layout;
  if (!RowOfLine(rowLine, &row) || !LayOutRow(rowLine, row, rect, &layout)) {
    if (cells) cells->clear();
    if (contentWidths) contentWidths->clear();
    return;
  }
  if (cells) *cells = layout.cells;
  if (contentWidths) *contentWidths = layout.widths;
}

namespace {

// The row's parity among the table's rows, the title row not counted.
bool IsOddRow(const KnotFormat& table, const KnotFormat& row, const TableProps& props) {
  uint32_t index = 0;
  uint32_t cp = table.start + 1;
  while (cp < row.start && cp + 1 < table.limit) {
    KnotFormat other;
    FetchKnot(table.doc, cp, &other, kKnotRow);
    if (other.index == kNoCpValue || other.limit <= cp) break;
    ++index;
    cp = other.limit;
  }
  if (props.titlerow && index > 0) --index;
  return index % 2 == 1;
}

double SnapToDevice(double value, double scale) { return scale > 0 ? std::rint(value * scale) / scale : value; }

}  // namespace

void DrawTableRow(const LineFormat* rowLine, double x, double y, const QRectF& clip, CaretRecord* caretOut) {
  if (!rowLine || !rowLine->document) return;
  CorvaneDoc* doc = rowLine->document;
  Pane* pane = rowLine->pane ? rowLine->pane : CurrentPane(doc);
  const bool plain = rowLine->flags & kLinePlainRendering;
  QRectF rowRect;
  KnotFormat rowKnot;
  RowLayout layout;
  rowRect = QRectF(x, y, Points(rowLine->availableWidth), rowLine->lineHeight);
  if (!RowOfLine(rowLine, &rowKnot) || !LayOutRow(rowLine, rowKnot, rowRect, &layout)) return;
  const TableProps& props = layout.props;
  const KnotFormat& table = layout.table;
  const KnotFormat& row = layout.row;
  const int32_t selFirst = pane ? std::min(pane->anchor, pane->end) : 0;
  const int32_t selLimit = pane ? std::max(pane->anchor, pane->end) : 0;
  const Kolor highlight = TextSelectionKolor(doc, pane);
  const bool wholeRowSelected = !rowLine->plainView && !rowLine->rowFlag && pane && pane->granularity == 1 &&
                                selFirst < int32_t(row.limit) && selLimit > int32_t(row.start) &&
                                IsValidKolor(highlight);
  const uint32_t cellFlags = uint32_t(kLineInTableCell) | uint32_t(kLineKeepRuns) |
                             (wholeRowSelected ? uint32_t(kLineNoSelectionMarks) : 0u) |
                             (rowLine->flags & kLinePlainRendering);
  const bool dark = rowLine->darkColors;
  const bool header = IsFirstRow(table, row) && props.titlerow;
  const bool odd = props.stripe && !header && IsOddRow(table, row, props);
  const bool bordered = props.border.btype != kEdgeNone;
  const bool rowCovered = pane && rowLine->settings.overrideIndex == kNoCpValue &&
                          selFirst <= int32_t(row.start) + 2 && selLimit >= int32_t(row.limit) - 2;
  const bool edgeLines = !rowLine->plainView && !bordered && !plain && pane && (pane->contentsFlags[3] || rowCovered);
  if (IsVisibleKolor(props.border.back) && !plain) DrawRectangle(g_nilKolor, props.border.back, rowRect);

  QPainter* painter = CurrentQuartzContext();
  const double deviceScale = painter && painter->device() ? painter->device()->devicePixelRatioF() *
                                                               (pane && pane->zoom > 0 ? pane->zoom : 1.0)
                                                          : 1.0;
  const uint32_t count = uint32_t(layout.cells.size());
  CaretRecord caret;
  for (uint32_t column = 0; column < count; ++column) {
    const QRectF& cell = layout.cells[column];
    if (bordered) {
      BorderDisplay display;
      SetBorderDisplay(props.border.btype, layout.position, layout.rowCount, column, count, &display);
      const BorderSides sides = BorderThickness(props.border, display);
      DrawBorder(doc, props.border, true, display,
                 cell.adjusted(-sides.left, -sides.top, sides.right, sides.bottom));
    }
    DocRange range;
    IndexAndRangeForCell(table, row, 0, int32_t(column), &range);
    KnotEntry mark;
    const Kolor own = KnotEntryForTableColumn(row, column, &mark) ? Kolor(mark.word1) : g_nilKolor;
    const bool columnSelected = wholeRowSelected && pane->firstColumn != kNoCpValue &&
                                column >= pane->firstColumn && column < pane->columnLimit;
    if (columnSelected) {
      if (!plain) DrawLineHighlight(rowLine, cell);
    } else if (IsVisibleKolor(own)) {
      DrawRectangle(g_nilKolor, own, cell);
    } else if (header) {
      DrawColumnHeader(dark, cell);
    } else if (odd) {
      const Kolor stripe = dark && props.stripecolor == g_defaultStripeKolor ? kDarkStripeKolor : props.stripecolor;
      DrawRectangle(g_nilKolor, stripe, cell);
    }
    float indents[4];
    GetCellIndents(indents, props, column, table, row);
    LineFormat line;
    if (!InitFormatLine(doc, pane, &line, cellFlags)) continue;
    line.settings = rowLine->settings;
    double top = cell.y() + indents[1];
    const double left = cell.x() + indents[0];
    uint32_t cp = range.first;
    while (cp < range.limit && top < cell.bottom()) {
      FormatLine(cp, layout.widths[column], &line);
      if (!CS_SAFE_ASSERT(line.endCp > cp)) break;
      const QRectF lineRect(left, top, Points(layout.widths[column]), line.lineHeight);
      if (lineRect.intersects(clip)) {
        CaretRecord record;
        DrawFormattedLine(&line, 0, g_nilKolor, &record, lineRect, clip);
        if (record.height > 0) caret = record;
      }
      top += line.lineHeight;
      cp = line.endCp;
    }
    ReleaseLineFormat(&line);
  }
  if (edgeLines) {
    const double inset = -2.0 * InsertionPointWidth();
    ClipToRect(rowRect.adjusted(inset, inset, -inset, -inset));
    const float width = float(1.0 / deviceScale);
    const Kolor kolor = 0x64C0C0C0;
    const double top = SnapToDevice(rowRect.top(), deviceScale);
    const double bottom = SnapToDevice(rowRect.bottom(), deviceScale);
    const double left = SnapToDevice(layout.cells.front().left(), deviceScale);
    const double right = SnapToDevice(layout.cells.back().right(), deviceScale);
    DrawLine(kolor, float(left), float(top), float(right), float(top), width);
    if (IsLastRow(table, row)) DrawLine(kolor, float(left), float(bottom), float(right), float(bottom), width);
    DrawLine(kolor, float(left), float(top), float(left), float(bottom), width);
    DrawLine(kolor, float(right), float(top), float(right), float(bottom), width);
    for (uint32_t i = 0; i + 1 < count; ++i) {
      const double middle = SnapToDevice((layout.cells[i].right() + layout.cells[i + 1].left()) / 2, deviceScale);
      DrawLine(kolor, float(middle), float(top), float(middle), float(bottom), width);
    }
    ResetClip();
  }
  // The caret goes on top of the edge lines.
  if (caret.height > 0) {
    if (caretOut) {
      *caretOut = caret;
    } else {
      DrawInsertionPoint(caret.kolor, pane ? pane->zoom : 1.0f, QRectF(caret.x, caret.top, caret.width, caret.height));
    }
  }
}

void MarkTableLines(Pane* pane, const LineFormat* rowLine, uint32_t cp, uint32_t limit, const QRectF& rowRect) {
  if (!rowLine || !rowLine->document) return;
  CorvaneDoc* doc = rowLine->document;
  KnotFormat rowKnot;
  RowLayout layout;
  if (!RowOfLine(rowLine, &rowKnot) || !LayOutRow(rowLine, rowKnot, rowRect, &layout)) return;
  for (uint32_t column = 0; column < layout.cells.size(); ++column) {
    DocRange range;
    IndexAndRangeForCell(layout.table, layout.row, 0, int32_t(column), &range);
    if (range.limit < cp || range.first >= limit) continue;
    float indents[4];
    GetCellIndents(indents, layout.props, column, layout.table, layout.row);
    LineFormat line;
    if (!InitFormatLine(doc, pane, &line, kLineInTableCell)) continue;
    double top = layout.cells[column].y() + indents[1];
    uint32_t at = range.first;
    while (at < range.limit) {
      FormatLine(at, layout.widths[column], &line);
      if (!CS_SAFE_ASSERT(line.endCp > at)) break;
      if (line.endCp >= cp && at < limit)
        InvalViewRect(pane, QRectF(layout.cells[column].x(), top, layout.cells[column].width(), line.lineHeight));
      top += line.lineHeight;
      at = line.endCp;
    }
    ReleaseLineFormat(&line);
  }
}
