#pragma once
// Table layout: a table knot holds row knots, and the marks of a row divide
// it into cells. A row is one display line (line kind 3) as tall as its
// tallest cell; this code fetches tables and rows (with a one-entry cache of
// each on the main thread), lays out the cells of a row, turns a row into a
// row line and draws it. Points inside a row; widths handed over are
// measures.

#include <QRectF>
#include <cstdint>
#include <vector>

#include "richtext/CorvaneDoc.h"
#include "richtext/Knots.h"

struct CaretRecord;
struct LineFormat;

constexpr uint32_t kMaxTableColumns = 25;
// 100 % of a percentage column width.
constexpr int64_t kFullPercentage = 100 * 12700;
// The tallest row a table record may ask for, in measures.
constexpr int64_t kMaxTableRowHeight = int64_t(10000) * 12700;
constexpr Kolor kDarkStripeKolor = 0x641E1E1E;
// The stripe colour a new table gets.
constexpr Kolor g_defaultStripeKolor = 0x64FAF6F3;

// A table record as read from a document made safe to lay out: at most 25
// columns, widths not negative, percentages never above 100 % together,
// row heights within 0-10,000 points either way.
void SanitizeTableProps(TableProps* props);

bool IsCpInRowCache(CorvaneDoc* doc, uint32_t cp, DocRange* range, KnotFormat* format);
bool IsCpInTableCache(CorvaneDoc* doc, uint32_t cp, DocRange* range, KnotFormat* format);
// The table and row at cp (the table's first row for a cp outside rows);
// with cp kNoCpValue the row handed in is taken as it is. Any output may be
// null. False when no table holds the cp or its row; the records made safe.
bool FetchTable(CorvaneDoc* doc, uint32_t cp, KnotFormat* table, KnotFormat* row, TableProps* props);
// The knot entry of the mark closing the column's cell (its word1 is the
// cell's own Kolor); false past the row's cells.
bool KnotEntryForTableColumn(const KnotFormat& row, uint32_t column, KnotEntry* entry);
// The number of cells of the row (at most 25).
uint32_t RowCellCount(const KnotFormat& row);
// 0 for the table's first row, 1 for the next, 2 for later rows (1 for a
// row starting a frame under a title row); *rowCount the grid's row count.
uint32_t ApproximateRowNumber(const KnotFormat& table, const KnotFormat& row, const TableProps& props,
                              uint32_t frameFirst, uint32_t frameLimit, uint32_t* rowCount);
// The cells of a row inside the row rectangle, and their content widths
// (measures). Either output may be null.
void GetCellRects(double scale, const QRectF& rowRect, uint32_t rowPosition, uint32_t rowCount,
                  const KnotFormat& table, const KnotFormat& row, const TableProps& props,
                  std::vector<QRectF>* cells, std::vector<int64_t>* contentWidths);
// Turns the line into a line of the row: its height, edges and widths.
void SetTableRowLineFormat(LineFormat* format, const KnotFormat& row);
// With column -1 the column holding cp, else the column given (-1 past the
// last); *range the cell's text.
int32_t IndexAndRangeForCell(const KnotFormat& table, const KnotFormat& row, uint32_t cp, int32_t column,
                             DocRange* range);
// The cell paddings {left, top, right, bottom} in points, outer ones 0 when
// the table collapses them.
void GetCellIndents(float out[4], const TableProps& props, uint32_t column, const KnotFormat& table,
                    const KnotFormat& row);
// Indents, column widths and (with a border) the borders, in points.
float FullTableWidth(CorvaneDoc* doc, uint32_t cp);
// The number of rows; *row (when asked) the row at the index, or the last.
uint32_t TableRowCount(const KnotFormat& table, uint32_t index, KnotFormat* row);
// The row line's rectangle at (x, y) and its cells.
void GetRowRectangles(const LineFormat* rowLine, double x, double y, QRectF* rowRect, std::vector<QRectF>* cells,
                      std::vector<int64_t>* contentWidths);
// Draws a row line at (x, y), its cells' lines only where they meet the
// clip; a caret met in a cell goes to *caret when given (a non-zero height),
// else is drawn last.
void DrawTableRow(const LineFormat* rowLine, double x, double y, const QRectF& clip, CaretRecord* caret);
// Invalidates in the view the cell lines of the row at rowRect that reach
// from `cp` up to `limit`.
void MarkTableLines(Pane* pane, const LineFormat* rowLine, uint32_t cp, uint32_t limit, const QRectF& rowRect);
