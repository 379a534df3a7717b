#include "richtext/Copying.h"

#include <algorithm>
#include <vector>

#include "richtext/CorvaneConfig.h"
#include "richtext/CorvaneHost.h"
#include "richtext/Editing.h"
#include "richtext/Knots.h"
#include "richtext/Lists.h"
#include "richtext/Molecules.h"
#include "richtext/Panes.h"
#include "richtext/PasteboardExport.h"
#include "richtext/Pictures.h"
#include "richtext/PropertyChanges.h"
#include "richtext/PropertyRuns.h"
#include "richtext/RtfWriter.h"
#include "richtext/Selection.h"
#include "richtext/Styles.h"
#include "richtext/TableRows.h"
#include "richtext/Tables.h"
#include "richtext/TextAccess.h"
#include "richtext/TextExtraction.h"
#include "support/CSAssert.h"
#include "support/DynamicArrays.h"

namespace {

// The undo descriptors of the table edits.
constexpr uint32_t kUndoNewTable = 80;
constexpr uint32_t kUndoTableToText = 81;
constexpr uint32_t kUndoInsertColumns = 89;
constexpr uint32_t kUndoRelativeWidths = 91;
constexpr uint32_t kUndoActionStructure = 7;
// The column slots a table record has.
constexpr uint32_t kColumnSlots = sizeof(TableProps::columns) / sizeof(int64_t);

bool HasHostView(CorvaneDoc* doc) {
  for (const Pane& pane : doc->panes)
    if (pane.view) return true;
  return doc->hostWindow != nullptr;
}

// The table knot whose text holds cp; false outside tables.
bool TableAround(CorvaneDoc* doc, uint32_t cp, KnotFormat* table) {
  DocRange around;
  if (!CpIsWithinKnot(doc, cp, kKnotTable, &around)) return false;
  FetchKnot(doc, around.first, table, kKnotTable);
  return table->index != kNoCpValue;
}

TableProps TablePropsOf(CorvaneDoc* doc, const KnotFormat& table) {
  const Properties* record = PropertiesAtIndex(doc, table.entry.props);
  TableProps props = record && record->type == kTableProperties ? record->body.table : TableProps{};
  SanitizeTableProps(&props);
  return props;
}

// The rows of a table, first to last.
std::vector<KnotFormat> TableRows(CorvaneDoc* doc, const KnotFormat& table) {
  std::vector<KnotFormat> rows;
  uint32_t cp = table.start + 1;
  while (cp + 1 < table.limit) {
    KnotFormat row;
    FetchKnot(doc, cp, &row, kKnotRow);
    if (row.index == kNoCpValue || row.start != cp || row.limit <= cp) break;
    rows.push_back(row);
    cp = row.limit;
  }
  return rows;
}

// The text of a cell: after the mark before it up to its end mark.
DocRange CellText(CorvaneDoc* doc, const KnotFormat& row, uint32_t column) {
  if (column >= RowCellCount(row)) return DocRange{doc, 0, 0};
  return DocRange{doc, row.kinks[column] + 1, row.kinks[column + 1]};
}

// The column of the row that holds cp (the row's begin mark counts as its
// first cell, its end mark as its last).
uint32_t ColumnOfCp(const KnotFormat& row, uint32_t cp) {
  const uint32_t cells = RowCellCount(row);
  for (uint32_t c = 0; c < cells; ++c)
    if (cp <= row.kinks[c + 1]) return c;
  return cells ? cells - 1 : 0;
}

// Copies a range of another document to dest->first, which moves past the
// copy.
bool CopyInto(DocRange* dest, const DocRange& source) {
  if (source.first >= source.limit) return true;
  CorvaneDoc* target = dest->doc;
  const uint32_t before = target->cpLimit;
  const DocRange at{target, dest->first, dest->first};
  if (!ReplaceRangeFromRange(&at, &source)) return false;
  dest->first += target->cpLimit - before;
  dest->limit = std::max(dest->limit, dest->first);
  return true;
}

// A table record for the clipboard document: the source's, its style
// brought over, with the columns first..first + count - 1 moved to the
// front and the other slots cleared.
Properties ClipTableRecord(CorvaneDoc* target, CorvaneDoc* source, const TableProps& props, uint32_t first,
                           uint32_t count) {
  Properties record;
  InitProperties(kTableProperties, &record, &props);
  TableProps& table = record.body.table;
  const uint32_t style = CopyStyle(target, source, props.style);
  table.style = style == kNoPropertyIndex ? 0 : uint16_t(style);
  int64_t widths[kColumnSlots] = {};
  for (uint32_t i = 0; i < count && first + i < kColumnSlots; ++i) widths[i] = props.columns[first + i];
  std::copy(std::begin(widths), std::end(widths), table.columns);
  table.cols = uint8_t(std::min(count, kMaxTableColumns));
  return record;
}

// Inserts an empty table knot (two marks) at dest->first; dest->first then
// lies between its marks.
bool InsertTableKnotAt(DocRange* dest, const Properties& record) {
  const DocRange at{dest->doc, dest->first, dest->first};
  if (!InsertKnot(&at, kKnotTable, 2, &record, nullptr, true)) return false;
  dest->first += 1;
  return true;
}

// Inserts at *cp a row of the cells `columns` of the source row (their text
// as far as `clip` covers it; the whole cells without one), and moves *cp
// past the new row.
bool CopyRowCells(CorvaneDoc* target, uint32_t* cp, const KnotFormat& sourceRow, uint32_t firstColumn,
                  uint32_t count, const DocRange* clip) {
  const DocRange at{target, *cp, *cp};
  if (count == 0 || !InsertKnot(&at, kKnotRow, count + 1, nullptr, nullptr, true)) return false;
  uint32_t added = count + 1;
  // From the last cell to the first, so that the marks before stay put.
  for (uint32_t i = count; i > 0; --i) {
    DocRange text = CellText(sourceRow.doc, sourceRow, firstColumn + i - 1);
    if (clip) {
      text.first = std::max(text.first, clip->first);
      text.limit = std::min(text.limit, clip->limit);
    }
    DocRange dest{target, *cp + i, *cp + i};
    const uint32_t before = dest.first;
    if (!CopyInto(&dest, text)) return false;
    added += dest.first - before;
  }
  *cp += added;
  return true;
}

// The selected columns of the table at the range's start as a table of
// their own, with every row.
bool CopyColumnSelection(DocRange* dest, const DocRange& range, const Pane& pane) {
  CorvaneDoc* doc = range.doc;
  KnotFormat table;
  if (!TableAround(doc, range.first, &table)) return false;
  const TableProps props = TablePropsOf(doc, table);
  const std::vector<KnotFormat> rows = TableRows(doc, table);
  if (rows.empty()) return false;
  const uint32_t first = pane.firstColumn;
  uint32_t limit = pane.columnLimit == kNoCpValue ? first + 1 : pane.columnLimit;
  limit = std::min(limit, RowCellCount(rows.front()));
  if (first >= limit) return false;
  const uint32_t count = limit - first;
  if (!InsertTableKnotAt(dest, ClipTableRecord(dest->doc, doc, props, first, count))) return false;
  uint32_t cp = dest->first;
  for (const KnotFormat& row : rows) {
    const uint32_t cells = RowCellCount(row);
    if (first >= cells) continue;
    if (!CopyRowCells(dest->doc, &cp, row, first, std::min(count, cells - first), nullptr)) return false;
  }
  // Past the table's end mark.
  dest->first = cp + 1;
  return true;
}

// The range's first table, cut at its limit.
bool TablePieceAt(CorvaneDoc* doc, uint32_t cp, uint32_t limit, DocRange* piece) {
  KnotFormat table;
  if (!TableAround(doc, cp, &table)) return false;
  *piece = DocRange{doc, std::max(cp, table.start), std::min(limit, table.limit)};
  return piece->first < piece->limit;
}

}  // namespace

// ---- The clipboard document ------------------------------------------------------

bool NewClipDocument(CorvaneDoc* doc, DocRange* outRange) {
  CorvaneDoc* clip = nullptr;
  if (doc) {
    const uint32_t first = FirstDocumentCp(doc);
    const DocRange none{doc, first == kNoCpValue ? 0 : first, first == kNoCpValue ? 0 : first};
    clip = NewDocWithRangeCopy(&none, kClipboardDocument, false);
  } else {
    clip = NewCorvaneDoc(kClipboardDocument);
  }
  if (!clip) return false;
  clip->clipboardKind = kClipboardEmpty;
  if (!EnsurePaneExists(clip)) {
    DestroyDocument(clip);
    return false;
  }
  if (!outRange) {
    DestroyDocument(clip);
    return false;
  }
  GetDocumentRange(clip, outRange, false);
  return true;
}

bool NewGlobalClipDocument(CorvaneDoc* doc, DocRange* outRange) {
  DocRange made;
  if (!NewClipDocument(doc, &made)) return false;
  CorvaneDoc* old = g_clipboardDoc;
  g_clipboardDoc = made.doc;
  DestroyDocument(old);
  if (outRange) *outRange = made;
  return true;
}

bool ExportClipboard(uint32_t imageOption) {
  CorvaneDoc* clip = g_clipboardDoc;
  if (!clip) return false;
  StartSettingClipboard(clip);
  if (clip->clipboardKind == kClipboardText) {
    // The text without the final paragraph mark.
    DocRange range;
    GetDocumentRange(clip, &range, false);
    if (g_corvaneConfig.richFormats) {
      StoreRTFOnClipboard(ExportRtf(range, QString(), kRtfClipboardMode));
      StoreFormattedTextOnClipboard(clip);
    }
    const QString text = ExtractPlainText(range, false);
    if (!text.isEmpty()) StoreStringOnClipboard(text);
  } else {
    StoreImageOnClipboard(PictureAtIndex(clip, 0), imageOption);
  }
  FinishSettingClipboard();
  return true;
}

bool CopyTablePiece(DocRange* dest, const DocRange& piece) {
  if (!dest || !dest->doc || !piece.doc || piece.first >= piece.limit) return false;
  CorvaneDoc* doc = piece.doc;
  KnotFormat table;
  if (!TableAround(doc, piece.first, &table)) return false;
  // The whole table, as it stands.
  if (piece.first <= table.start + 2 && piece.limit + 2 >= table.limit)
    return CopyInto(dest, DocRange{doc, table.start, table.limit});
  KnotFormat firstRow, lastRow;
  FetchKnot(doc, std::max(piece.first, table.start + 1), &firstRow, kKnotRow);
  FetchKnot(doc, std::min(piece.limit, table.limit - 1) - 1, &lastRow, kKnotRow);
  if (firstRow.index == kNoCpValue || lastRow.index == kNoCpValue) return false;
  const TableProps props = TablePropsOf(doc, table);
  // Whole rows: a new table holding them.
  if (piece.first <= firstRow.start + 1 && piece.limit + 1 >= lastRow.limit) {
    if (!InsertTableKnotAt(dest, ClipTableRecord(dest->doc, doc, props, 0, props.cols))) return false;
    if (!CopyInto(dest, DocRange{doc, firstRow.start, lastRow.limit})) return false;
    dest->first += 1;
    return true;
  }
  // Within one row: a one-row table of the covered cells.
  if (firstRow.start == lastRow.start) {
    const uint32_t c0 = ColumnOfCp(firstRow, piece.first);
    const uint32_t c1 = ColumnOfCp(firstRow, piece.limit - 1);
    const uint32_t count = c1 - c0 + 1;
    if (!InsertTableKnotAt(dest, ClipTableRecord(dest->doc, doc, props, c0, count))) return false;
    uint32_t cp = dest->first;
    if (!CopyRowCells(dest->doc, &cp, firstRow, c0, count, &piece)) return false;
    dest->first = cp + 1;
    return true;
  }
  // Parts of several rows: the covered cells' text, row by row, each cell
  // a paragraph of its own (its closing mark ended it in the table).
  for (const KnotFormat& row : TableRows(doc, table)) {
    if (row.limit <= piece.first || row.start >= piece.limit) continue;
    for (uint32_t c = 0; c < RowCellCount(row); ++c) {
      DocRange text = CellText(doc, row, c);
      const bool closed = text.limit < piece.limit && text.limit >= piece.first;
      text.first = std::max(text.first, piece.first);
      text.limit = std::min(text.limit, piece.limit);
      if (text.first < text.limit && !CopyInto(dest, text)) return false;
      if (closed) {
        const DocRange at{dest->doc, dest->first, dest->first};
        const char16_t mark = kParagraphMark;
        if (!ReplaceRangeWithText(&at, &mark, 1)) return false;
        dest->first += 1;
      }
    }
  }
  return true;
}

bool CopySelection(CorvaneDoc* doc) {
  if (!doc) return false;
  Pane* pane = CurrentPane(doc);
  if (!pane) return false;
  const Pane selection = *pane;
  DocRange clip;
  if (!NewGlobalClipDocument(doc, &clip)) return false;
  CorvaneDoc* clipDoc = clip.doc;
  CurrentPane(clipDoc)->granularity = selection.granularity;
  const uint32_t anchor = uint32_t(std::max(std::min(selection.anchor, selection.end), 0));
  const uint32_t end = uint32_t(std::max(std::max(selection.anchor, selection.end), 0));
  DocRange range{doc, std::min(anchor, doc->textLimit), std::min(end, doc->textLimit)};
  DocRange dest{clipDoc, clip.first, clip.first};

  // One picture by itself is copied as a picture.
  KnotEntry entry;
  if (range.limit == range.first + 1 && KnotEntryAtCp(doc, range.first, &entry) && entry.type == kKnotPicture &&
      entry.role == kKinkSingle) {
    if (!CopyInto(&dest, range) || PictureCount(clipDoc) == 0) return false;
    clipDoc->clipboardKind = kClipboardPicture;
    return ExportClipboard(entry.word3);
  }

  const bool columnSelection = selection.granularity == kGranularityCells && selection.firstColumn != kNoCpValue;
  // Table pieces are cut by the copy itself; the rest is widened so that it
  // cuts no knot in two.
  DocRange startPiece{doc, range.first, range.first}, endPiece{doc, range.limit, range.limit};
  if (!columnSelection) {
    if (range.first < range.limit && TablePieceAt(doc, range.first, range.limit, &startPiece))
      range.first = startPiece.limit;
    KnotFormat endTable;
    if (range.first < range.limit && TableAround(doc, range.limit - 1, &endTable)) {
      endPiece = DocRange{doc, std::max(range.first, endTable.start), std::min(range.limit, endTable.limit)};
      range.limit = endPiece.first;
    }
    if (range.first < range.limit) {
      ExpandRangeForKnots(&range);
      if (startPiece.first < startPiece.limit) range.first = std::max(range.first, startPiece.limit);
      if (endPiece.first < endPiece.limit) range.limit = std::min(range.limit, endPiece.first);
    }
    if (startPiece.first == startPiece.limit) {
      // The first cp moves to one the pane shows, but never off the begin
      // mark of a knot the range holds whole.
      KnotFormat knot;
      FetchKnot(doc, range.first, &knot, 0);
      const bool wholeKnot = knot.index != kNoCpValue && knot.start == range.first && knot.limit <= range.limit;
      if (!wholeKnot) range.first = std::min(VisibleCp(doc, pane, range.first, true), range.limit);
      startPiece = DocRange{doc, range.first, range.first};
    }
    if (startPiece.first >= std::max(range.limit, endPiece.limit)) return false;
  } else if (range.first >= range.limit) {
    return false;
  }

  // The chapter's name goes in as the clipboard document's chapter name.
  const uint32_t chapter = IndexOfCp(doc->chapterMarks, startPiece.first);
  const QString name = ChapterName(doc, chapter == kDynamicArrayNotFound ? 0 : chapter);
  if (!name.isEmpty()) {
    const uint32_t before = clipDoc->cpLimit;
    const DocRange at{clipDoc, 1, 1};
    if (!ReplaceRangeSimpleWithString(&at, nullptr, name)) return false;
    dest.first += clipDoc->cpLimit - before;
    dest.limit = dest.first;
  }

  bool ok = true;
  if (columnSelection) {
    ok = CopyColumnSelection(&dest, range, selection);
  } else {
    if (startPiece.first < startPiece.limit) ok = CopyTablePiece(&dest, startPiece);
    if (ok && range.first < range.limit) {
      KnotFormat list;
      ListProps listProps;
      DocRange firstPara, lastPara;
      const bool inList = startPiece.first == startPiece.limit && endPiece.first == endPiece.limit &&
                          FetchList(doc, pane, range.first, &list, &listProps) && list.index != kNoCpValue &&
                          range.first > list.start && range.limit < list.limit;
      bool wholeParagraphs = false;
      if (inList) {
        FetchParaProps(doc, pane, range.first, &firstPara, nullptr);
        FetchParaProps(doc, pane, range.limit - 1, &lastPara, nullptr);
        wholeParagraphs = firstPara.first == range.first && lastPara.limit == range.limit;
      }
      const uint32_t at = dest.first;
      ok = CopyInto(&dest, range);
      if (ok && wholeParagraphs && range.first == list.start + 1 && range.limit + 1 == list.limit) {
        // The list's own paragraphs: put a list around the copy again.
        Properties record;
        const Properties* source = PropertiesAtIndex(doc, list.entry.props);
        if (source && source->type == kListProperties) {
          record = *source;
        } else {
          InitProperties(kListProperties, &record, &listProps);
        }
        const uint32_t style = CopyStyle(clipDoc, doc, record.body.list.style);
        record.body.list.style = style == kNoPropertyIndex ? 0 : uint16_t(style);
        const DocRange copied{clipDoc, at, dest.first};
        ok = InsertKnot(&copied, kKnotList, 0, &record, nullptr, true);
        if (ok) dest.first += 2;
      }
    }
    if (ok && endPiece.first < endPiece.limit) ok = CopyTablePiece(&dest, endPiece);
  }
  if (!ok) return false;
  clipDoc->clipboardKind = kClipboardText;
  return ExportClipboard(1);
}

// ---- Tables -----------------------------------------------------------------------

bool NewTableCore(CorvaneDoc* doc, uint32_t cp, uint32_t rows, uint32_t columns, int64_t width, DocRange* outRange) {
  if (!doc || rows == 0 || columns == 0 || columns > kMaxTableColumns) return false;
  Properties record;
  SetDefaultProperties(doc, kTableProperties, &record);
  record.type = kTableProperties;
  TableProps& props = record.body.table;
  const bool changed = props.cols != columns;
  props.cols = uint8_t(columns);
  // Relative widths share the whole width evenly.
  if (props.autofit && changed) width = kFullPercentage / int64_t(columns);
  for (uint32_t c = 0; c < kColumnSlots; ++c) {
    if (c < columns) {
      if (!(props.autofit && !changed)) props.columns[c] = width;
    } else {
      props.columns[c] = 0;
    }
  }
  const DocRange at{doc, cp, cp};
  if (!InsertKnot(&at, kKnotTable, 2, &record, nullptr, true)) return false;
  KnotFormat table;
  uint32_t rowCp = cp + 1;
  for (uint32_t r = 0; r < rows; ++r) {
    if (!InsertEmptyRow(doc, &rowCp, columns, nullptr)) {
      if (r == 0) {
        FetchKnot(doc, cp, &table, kKnotTable);
        if (table.index != kNoCpValue && table.start == cp) DeleteKnot(&table);
      }
      return false;
    }
  }
  ClearTableCache(doc);
  FetchKnot(doc, cp, &table, kKnotTable);
  if (table.index == kNoCpValue || table.start != cp) return false;
  if (outRange) *outRange = DocRange{doc, table.start, table.limit};
  return true;
}

bool NewTable(CorvaneDoc* doc, uint32_t rows, uint32_t columns, int64_t width) {
  if (!doc) return false;
  const bool hosted = HasHostView(doc);
  DocRange selection;
  GetSelectionRange(doc, &selection);
  if (selection.first > selection.limit) std::swap(selection.first, selection.limit);
  if (hosted && !SetUndoForRange(&selection, kUndoActionStructure, 0, kUndoNewTable)) return false;
  if (hosted) {
    TurnOffSel(doc);
    DeferDisplay();
  }
  bool ok = DeleteTextInRange(&selection);
  const uint32_t cp = ok && LastReplaceCp() != kNoCpValue && selection.limit > selection.first ? LastReplaceCp()
                                                                                                : selection.first;
  DocRange table;
  ok = ok && NewTableCore(doc, cp, rows, columns, width, &table);
  if (ok) {
    CommitUndoForRange(&table);
    SelectCps(doc, table.first + 2, table.first + 2, true);
    UpdateRulers(doc);
    UpdateElementList(doc);
  }
  if (hosted) UndeferDisplay(2);
  return ok;
}

bool IsTabbedTable(const DocRange& range) {
  CorvaneDoc* doc = range.doc;
  if (!doc) return false;
  KnotFormat table;
  if (!TableAround(doc, range.first, &table)) return false;
  for (const KnotFormat& row : TableRows(doc, table)) {
    const uint32_t cells = RowCellCount(row);
    if (cells <= 1) continue;
    for (uint32_t c = 0; c < cells; ++c) {
      const DocRange text = CellText(doc, row, c);
      for (uint32_t cp = text.first; cp < std::max(text.limit, text.first + 1);) {
        DocRange paragraph;
        ParaProps props;
        FetchParaProps(doc, nullptr, std::min(cp, doc->textLimit), &paragraph, &props);
        if (props.indent1 < props.indentl) return false;
        if (paragraph.limit <= cp) break;
        cp = paragraph.limit;
      }
    }
  }
  return true;
}

bool TableToText(DocRange* range) {
  if (!range || !range->doc) return false;
  CorvaneDoc* doc = range->doc;
  KnotFormat table;
  if (!TableAround(doc, range->first, &table)) return false;
  const bool tabbed = IsTabbedTable(*range);
  const bool hosted = HasHostView(doc);
  DocRange extent{doc, table.start, table.limit};
  if (hosted && !SetUndoForRange(&extent, kUndoActionStructure, 0, kUndoTableToText)) return false;
  // Marks go from the last to the first, so that the cps before stay put.
  // A row's begin mark goes; the marks after its cells become tabs in a
  // tabbed table (paragraph marks otherwise), and its last one ends the
  // row's paragraph.
  std::vector<std::pair<uint32_t, char16_t>> marks;  // cp, and 0 to delete
  marks.emplace_back(table.start, 0);
  for (const KnotFormat& row : TableRows(doc, table)) {
    marks.emplace_back(row.start, 0);
    const uint32_t cells = RowCellCount(row);
    for (uint32_t c = 0; c < cells; ++c)
      marks.emplace_back(row.kinks[c + 1], c + 1 < cells ? (tabbed ? u'\t' : kParagraphMark) : kParagraphMark);
  }
  marks.emplace_back(table.limit - 1, 0);
  bool ok = true;
  for (auto mark = marks.rbegin(); ok && mark != marks.rend(); ++mark) {
    KnotEntry entry;
    uint32_t index = 0;
    if (!KnotEntryAtCp(doc, mark->first, &entry, &index)) {
      ok = false;
      break;
    }
    DeleteKnotEntries(doc, index, index + 1);
    if (mark->second) {
      StoreCharacterAtCp(doc, mark->first, mark->second);
    } else {
      const DocRange unit{doc, mark->first, mark->first + 1};
      ok = ReplaceRangeSimple(&unit, nullptr, nullptr, 0);
    }
  }
  // The table's entry in the table-start array.
  const uint32_t count = SizeOfDynamicCPArray(doc->tableMarks);
  for (uint32_t i = 0; i < count; ++i) {
    if (CpAtIndex(doc->tableMarks, i) == table.start) {
      DeleteFromDynamicCPArray(doc->tableMarks, i, 1);
      break;
    }
  }
  ClearTableCache(doc);
  InvalParaCaches(doc);
  uint32_t deleted = 0;
  for (const auto& mark : marks) deleted += mark.second == 0;
  *range = DocRange{doc, extent.first, std::max(extent.first, extent.limit - deleted)};
  InvalText(range, true);
  if (hosted) CommitUndoForRange(range);
  UpdateElementList(doc);
  return ok;
}

bool ApplyMoleculeToTable(DocRange* range, const Molecule* molecule, bool undo, uint32_t undoId) {
  if (!range || !range->doc || !molecule) return false;
  CorvaneDoc* doc = range->doc;
  ExpandDocRange(range, kExpandTables);
  if (undo && !SetUndoForRange(range, kUndoActionStructure, undoId, 0)) return false;
  const bool hosted = HasHostView(doc);
  if (hosted) {
    TurnOffSel(doc);
    DeferDisplay();
  }
  bool ok = true;
  bool relativeChanged = false;
  DocRange redraw{doc, range->limit, range->first};
  std::vector<uint32_t> seen;
  for (uint32_t cp = range->first; ok && cp < range->limit;) {
    KnotFormat table;
    if (!TableAround(doc, cp, &table)) {
      ++cp;
      continue;
    }
    if (std::find(seen.begin(), seen.end(), table.start) == seen.end()) {
      seen.push_back(table.start);
      Properties record;
      const Properties* current = PropertiesAtIndex(doc, table.entry.props);
      if (current && current->type == kTableProperties) {
        record = *current;
      } else {
        SetDefaultProperties(doc, kTableProperties, &record);
        record.type = kTableProperties;
      }
      const uint8_t before = record.body.table.autofit;
      ApplyMoleculeToProps(doc, int32_t(table.start), &record, molecule);
      if (record.body.table.autofit != before) relativeChanged = true;
      const uint32_t index = IndexForProperties(doc, &record);
      if (index == kNoPropertyIndex) {
        ok = false;
        break;
      }
      SetPropsOnKink(doc, table.index, index);
      redraw.first = std::min(redraw.first, table.start);
      redraw.limit = std::max(redraw.limit, table.limit);
    }
    cp = table.limit;
  }
  ClearTableCache(doc);
  if (redraw.first < redraw.limit) {
    if (hosted) AccumulateDefer(&redraw);
    else InvalText(&redraw, false);
  }
  if (undo && ok) CommitUndoForRange(range);
  if (hosted) UndeferDisplay(relativeChanged || undoId == kUndoRelativeWidths ? 1 : 2);
  return ok;
}

bool InsertTableColumnsCore(CorvaneDoc* doc, uint32_t tableCp, uint32_t column, uint32_t count, bool after,
                            bool undo) {
  if (!doc || count == 0) return false;
  KnotFormat table;
  FetchKnot(doc, tableCp, &table, kKnotTable);
  if (table.index == kNoCpValue || table.start != tableCp) return false;
  DocRange extent{doc, table.start, table.limit};
  if (undo && !SetUndoForRange(&extent, kUndoActionStructure, 0, kUndoInsertColumns)) return false;
  const bool hosted = HasHostView(doc);
  if (hosted) DeferDisplay();
  TableProps props = TablePropsOf(doc, table);
  std::vector<KnotFormat> rows = TableRows(doc, table);
  bool ok = !rows.empty();
  uint32_t firstNewCell = kNoCpValue;
  // Rows from the last to the first: the cps before an edited row stay put.
  for (auto row = rows.rbegin(); ok && row != rows.rend(); ++row) {
    const uint32_t cells = RowCellCount(*row);
    if (cells == 0 || cells + count > kMaxTableColumns) {
      ok = false;
      break;
    }
    const uint32_t neighbour = std::min(column, cells - 1);
    // New cells go after the neighbour's end mark, or before its text.
    const uint32_t insertAt = after ? row->kinks[neighbour + 1] + 1 : row->kinks[neighbour] + 1;
    const DocRange neighbourText = CellText(doc, *row, neighbour);
    CharProps charProps;
    FetchCharProps(doc, nullptr, neighbourText.first, &charProps);
    ParaProps paraProps;
    DocRange paragraph;
    FetchParaProps(doc, nullptr, neighbourText.first, &paragraph, &paraProps);
    for (uint32_t k = 0; ok && k < count; ++k) {
      // An empty cell is the mark that closes it, with the neighbour's look.
      ok = InsertKink(doc, insertAt, row->start, nullptr, nullptr);
      if (!ok) break;
      Properties paraRecord;
      InitProperties(kParaProperties, &paraRecord, &paraProps);
      Properties charRecord;
      InitProperties(kCharProperties, &charRecord, &charProps);
      const DocRange cell{doc, insertAt, insertAt + 1};
      ok = ApplyPropsToRange(&cell, &paraRecord, 0) && ApplyPropsToRange(&cell, &charRecord, 0);
    }
    if (ok) firstNewCell = insertAt;
  }
  if (ok) {
    // Widths: the new columns take the neighbour's; relative widths are
    // then rescaled to the whole width.
    const uint32_t cells = std::min<uint32_t>(props.cols + count, kMaxTableColumns);
    const uint32_t at = std::min<uint32_t>(after ? column + 1 : column, props.cols);
    std::vector<int64_t> widths(props.columns, props.columns + std::min<uint32_t>(props.cols, kColumnSlots));
    const int64_t neighbourWidth = widths.empty() ? 0 : widths[std::min<size_t>(column, widths.size() - 1)];
    widths.insert(widths.begin() + std::min<size_t>(at, widths.size()), count, neighbourWidth);
    widths.resize(cells);
    if (props.autofit) {
      int64_t sum = 0;
      for (int64_t w : widths) sum += w;
      if (sum > 0)
        for (int64_t& w : widths) w = w * kFullPercentage / sum;
    }
    Properties record;
    const Properties* current = PropertiesAtIndex(doc, table.entry.props);
    if (current && current->type == kTableProperties) record = *current;
    else InitProperties(kTableProperties, &record, &props);
    std::fill(std::begin(record.body.table.columns), std::end(record.body.table.columns), 0);
    std::copy(widths.begin(), widths.end(), record.body.table.columns);
    record.body.table.cols = uint8_t(cells);
    const uint32_t index = IndexForProperties(doc, &record);
    ok = index != kNoPropertyIndex;
    if (ok) {
      FetchKnot(doc, tableCp, &table, kKnotTable);
      SetPropsOnKink(doc, table.index, index);
    }
  }
  ClearTableCache(doc);
  InvalParaCaches(doc);
  if (ok) {
    FetchKnot(doc, tableCp, &table, kKnotTable);
    DocRange changed{doc, table.start, table.limit};
    if (undo) CommitUndoForRange(&changed);
    if (firstNewCell != kNoCpValue && HasHostView(doc)) SelectCps(doc, firstNewCell, firstNewCell, true);
  }
  if (hosted) UndeferDisplay(1);
  return ok;
}
