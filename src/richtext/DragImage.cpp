#include "richtext/DragImage.h"

#include <QPainter>
#include <algorithm>
#include <vector>

#include "richtext/Borders.h"
#include "richtext/DisplayLines.h"
#include "richtext/DrawLine.h"
#include "richtext/DrawingServices.h"
#include "richtext/ImageServices.h"
#include "richtext/Knots.h"
#include "richtext/LineFormat.h"
#include "richtext/Locator.h"
#include "richtext/Panes.h"
#include "richtext/Pictures.h"
#include "richtext/Selection.h"
#include "richtext/Tables.h"
#include "support/DynamicArrays.h"
#include "support/GraphicsContext.h"

namespace {

// The selection a drag carries: anchor..end, and its last selected cp (the
// anchor for a caret).
struct DragSelection {
  CorvaneDoc* doc = nullptr;
  Pane* pane = nullptr;
  uint32_t anchor = 0;
  uint32_t end = 0;
  uint32_t last = 0;
};

DragSelection SelectionForDrag(CorvaneDoc* doc) {
  DragSelection s;
  s.doc = doc;
  s.pane = CurrentPane(doc);
  DocRange range;
  GetSelectionRange(doc, &range);
  s.anchor = std::min(range.first, range.limit);
  s.end = std::max(range.first, range.limit);
  s.last = s.end > s.anchor ? s.end - 1 : s.anchor;
  return s;
}

QRectF RectOfDisplayLine(const DisplayLine* line) {
  return QRectF(line->left, line->top, line->width, line->height);
}

// The x of cp on a formatted line, its left edge included.
float XOnLine(const LineFormat* format, uint32_t cp) {
  float width = 0;
  return XAndWidthForCpOnLine(format, cp, cp, &width, format->leftEdge);
}

// The cached line the drag starts at: the one holding the anchor, else the
// first cached line after it, else the one holding the last selected cp (or
// the cache's last line); false when none holds any of the selection.
bool FirstDragLine(const DragSelection& s, uint32_t* index) {
  CSArrayCP* cache = s.pane ? s.pane->displayLines : nullptr;
  const uint32_t count = SizeOfDynamicCPArray(cache);
  if (count == 0) return false;
  const uint32_t firstCached = CpAtIndex(cache, 0);
  const uint32_t sentinel = MaxCp(cache);
  if (s.anchor >= firstCached && s.anchor < sentinel) {
    *index = SafeIndexOfCp(cache, s.anchor, false);
    return true;
  }
  if (s.anchor < firstCached && firstCached <= s.last) {
    *index = 0;
    return true;
  }
  const uint32_t lastCp = std::min(s.last, sentinel > 0 ? sentinel - 1 : 0);
  if (lastCp < firstCached || s.anchor >= sentinel) return false;
  *index = SafeIndexOfCp(cache, lastCp, false);
  return true;
}

// The part of a line the selection covers: on a text line from the
// anchor's x (when the anchor lies inside the line) to the end's x (when
// the end does), else the whole line.
QRectF SelectedPartOfLine(const LineFormat* format, const DragSelection& s, const QRectF& lineRect) {
  if (format->lineKind != 0) return lineRect;
  double left = lineRect.left();
  double width = lineRect.width();
  if (s.end > format->firstCp && s.end < format->endCp) width = XOnLine(format, s.end);
  if (s.anchor > format->firstCp && s.anchor < format->endCp) {
    const double x = XOnLine(format, s.anchor);
    left += x;
    width -= x;
  }
  return QRectF(left, lineRect.top(), std::max(0.0, width), lineRect.height());
}

void AddDragLine(const LineFormat* format, const DragSelection& s, QRectF* outRect, const QRectF& lineRect) {
  const QRectF part = SelectedPartOfLine(format, s, lineRect);
  *outRect = outRect->isNull() ? part : outRect->united(part);
}

// What a row line's table holds of the selection.
enum class RowSelection { kWholeTable, kOneCell, kOther };

struct RowInfo {
  KnotFormat table, row;
  TableProps props;
  DocRange cell;
  int32_t column = -1;
};

RowSelection SelectionInRow(const DragSelection& s, uint32_t rowCp, RowInfo* info) {
  if (!FetchTable(s.doc, rowCp, &info->table, &info->row, &info->props)) return RowSelection::kOther;
  if (s.anchor <= info->table.start + 1 && s.end + 1 >= info->table.limit) return RowSelection::kWholeTable;
  if (s.anchor < info->row.start || s.anchor >= info->row.limit) return RowSelection::kOther;
  info->column = IndexAndRangeForCell(info->table, info->row, s.anchor, -1, &info->cell);
  if (info->column < 0 || s.last >= info->cell.limit) return RowSelection::kOther;
  return RowSelection::kOneCell;
}

// The cell's text rectangle in a row line at rowRect (its paddings taken
// off) and its text width in measures.
bool DraggingCell(const LineFormat* rowLine, const RowInfo& info, const QRectF& rowRect, QRectF* cellRect,
                  int64_t* width) {
  std::vector<QRectF> cells;
  std::vector<int64_t> widths;
  GetRowRectangles(rowLine, rowRect.x(), rowRect.y(), nullptr, &cells, &widths);
  const auto column = size_t(info.column);
  if (column >= cells.size() || column >= widths.size()) return false;
  float indents[4];
  GetCellIndents(indents, info.props, uint32_t(info.column), info.table, info.row);
  const QRectF& cell = cells[column];
  *cellRect = QRectF(cell.x() + indents[0], cell.y() + indents[1], cell.width() - indents[0] - indents[2],
                     cell.height() - indents[1]);
  *width = widths[column];
  return true;
}

// Walks the lines of the cell that hold the selection, from the cell's first
// cp to the selection's end (at least one line), handing each that ends
// after `after` over with its rectangle.
template <typename Visit>
void ForCellLines(const DragSelection& s, const RowInfo& info, const QRectF& cellRect, int64_t width, uint32_t after,
                  const Visit& visit) {
  LineFormat line;
  if (!InitFormatLine(s.doc, s.pane, &line, kLineInTableCell | kLineKeepRuns)) return;
  double top = cellRect.top();
  uint32_t cp = info.cell.first;
  while (cp < info.cell.limit && (cp < s.end || cp == info.cell.first)) {
    FormatLine(cp, width, &line);
    if (line.endCp <= cp) break;
    const QRectF lineRect(cellRect.left(), top, cellRect.width(), line.lineHeight);
    if (line.endCp > after) visit(&line, lineRect);
    top += line.lineHeight;
    cp = line.endCp;
  }
  ReleaseLineFormat(&line);
}

// The text rectangle of the selection; false when it cannot be shown.
bool TextDragRect(const DragSelection& s, LineFormat* format, QRectF* outRect) {
  *outRect = QRectF();
  uint32_t index = 0;
  if (!FirstDragLine(s, &index)) return false;
  CSArrayCP* cache = s.pane->displayLines;
  const uint32_t count = SizeOfDynamicCPArray(cache);
  const int64_t width = DraftWidth(s.doc, s.pane);
  for (; index < count; ++index) {
    const uint32_t lineCp = CpAtIndex(cache, index);
    if (lineCp > s.last) break;
    const DisplayLine* line = DisplayLineAtIndex(cache, index);
    if (!line) break;
    const QRectF lineRect = RectOfDisplayLine(line);
    FormatLine(lineCp, width, format);
    if (format->lineKind != 3) {
      AddDragLine(format, s, outRect, lineRect);
      continue;
    }
    RowInfo info;
    switch (SelectionInRow(s, lineCp, &info)) {
      case RowSelection::kWholeTable:
        *outRect = outRect->isNull() ? lineRect : outRect->united(lineRect);
        break;
      case RowSelection::kOneCell: {
        QRectF cellRect;
        int64_t cellWidth = 0;
        if (!DraggingCell(format, info, lineRect, &cellRect, &cellWidth)) break;
        ForCellLines(s, info, cellRect, cellWidth, s.anchor,
                     [&](const LineFormat* cellLine, const QRectF& rect) { AddDragLine(cellLine, s, outRect, rect); });
        break;
      }
      case RowSelection::kOther:
        *outRect = QRectF();
        return false;
    }
  }
  return true;
}

// The frame of the selected picture inside its border; false when its line
// is not cached.
bool PictureDragRect(const DragSelection& s, uint32_t pictureIndex, LineFormat* format, QRectF* outRect) {
  Locator locator;
  InitLocator(s.doc, s.pane, &locator);
  locator.cp = s.anchor;
  QRectF cell;
  if (!GetRectContainingCp(&locator, &cell, false)) return false;
  CSArrayCP* cache = s.pane->displayLines;
  const uint32_t index = SafeIndexOfCp(cache, s.anchor, false);
  const DisplayLine* line = DisplayLineAtIndex(cache, index);
  if (line) {
    FormatLine(CpAtIndex(cache, index), DraftWidth(s.doc, s.pane), format);
    for (const LineRun& run : format->runs) {
      if (run.head().kind == kRunPicture && run.value == pictureIndex && run.head().firstCp == int32_t(s.anchor)) {
        *outRect = DrawOrFindPicture(format, run, false, RectOfDisplayLine(line));
        return true;
      }
    }
  }
  // No run of its own (a picture inside a cell line): the character's cell
  // less the picture's border on all four sides.
  KnotEntry entry;
  float border = 0;
  if (KnotEntryAtCp(s.doc, s.anchor, &entry)) {
    const Properties* record = PropertiesAtIndex(s.doc, entry.props);
    if (record && record->type == kBorderProperties) border = WidthOfBorder(record->body.border);
  }
  const float insets[4] = {border, border, border, border};
  *outRect = InsetRectByRect(cell, true, insets);
  return true;
}

}  // namespace

void RectForDragImage(QRectF* outRect, CorvaneDoc* doc) {
  if (!outRect) return;
  *outRect = QRectF();
  const DragSelection s = SelectionForDrag(doc);
  if (!s.pane) return;
  LineFormat format;
  if (!InitFormatLine(doc, s.pane, &format, kLineKeepRuns)) return;
  uint32_t pictureIndex = 0;
  QRectF rect;
  const bool found = IsSelectionPicture(doc, &pictureIndex) ? PictureDragRect(s, pictureIndex, &format, &rect)
                                                            : TextDragRect(s, &format, &rect);
  ReleaseLineFormat(&format);
  if (found) *outRect = rect;
}

void DrawDragImage(CorvaneDoc* doc, const QRectF& rect) {
  QPainter* painter = CurrentQuartzContext();
  const DragSelection s = SelectionForDrag(doc);
  if (!painter || !s.pane) return;
  if (!s.pane->paneFlags[2]) {
    // A clear, not a blend: the ground of the image becomes transparent.
    painter->save();
    painter->setCompositionMode(QPainter::CompositionMode_Source);
    painter->fillRect(rect, ColorFromKolor(kDragImageGroundKolor));
    painter->restore();
  }
  uint32_t pictureIndex = 0;
  QRectF dragRect;
  RectForDragImage(&dragRect, doc);
  if (IsSelectionPicture(doc, &pictureIndex)) {
    const PictureEntry* picture = PictureAtIndex(doc, pictureIndex);
    if (picture && picture->image) DrawPicture(picture->image, rect, 1.0f);
    return;
  }
  if (dragRect.isNull()) return;
  LineFormat format;
  if (!InitFormatLine(doc, s.pane, &format, kLineKeepRuns | kLinePlainRendering | kLineNoSelectionMarks)) return;
  uint32_t index = 0;
  if (FirstDragLine(s, &index)) {
    painter->save();
    painter->translate(-dragRect.topLeft());
    // Only the selected stretch of each line is drawn.
    const auto drawLine = [&](const LineFormat* line, const QRectF& lineRect) {
      CaretRecord caret;
      ClipToRect(SelectedPartOfLine(line, s, lineRect));
      DrawFormattedLine(line, 0, g_nilKolor, &caret, lineRect, lineRect);
      ResetClip();
    };
    CSArrayCP* cache = s.pane->displayLines;
    const uint32_t count = SizeOfDynamicCPArray(cache);
    const int64_t width = DraftWidth(doc, s.pane);
    for (; index < count; ++index) {
      const uint32_t lineCp = CpAtIndex(cache, index);
      const DisplayLine* line = DisplayLineAtIndex(cache, index);
      if (lineCp > s.last || !line) break;
      const QRectF lineRect = RectOfDisplayLine(line);
      FormatLine(lineCp, width, &format);
      if (format.lineKind != 3) {
        drawLine(&format, lineRect);
        continue;
      }
      RowInfo info;
      const RowSelection held = SelectionInRow(s, lineCp, &info);
      if (held == RowSelection::kWholeTable) {
        CaretRecord caret;
        DrawTableRow(&format, lineRect.x(), lineRect.y(), lineRect, &caret);
      } else if (held == RowSelection::kOneCell) {
        QRectF cellRect;
        int64_t cellWidth = 0;
        if (DraggingCell(&format, info, lineRect, &cellRect, &cellWidth))
          ForCellLines(s, info, cellRect, cellWidth, s.anchor, drawLine);
      }
    }
    painter->restore();
  }
  ReleaseLineFormat(&format);
}
