#include "richtext/TableRows.h"

#include "richtext/Editing.h"
#include "richtext/PropertyChanges.h"
#include "richtext/Styles.h"

namespace {

// Gives the one-cp stretch at cp (a cell's closing mark, which ends its
// paragraph) the record, leaving the text after it as it was.
bool SetRunAt(CorvaneDoc* doc, uint32_t cp, uint32_t type, Properties record) {
  const uint32_t index = IndexForProperties(doc, &record);
  if (index == kNoPropertyIndex) return false;
  const DocRange range{doc, cp, cp + 1};
  return SplitRuns(&range, nullptr, type, nullptr, index, false) >= 0;
}

bool FormatCell(CorvaneDoc* doc, uint32_t markCp, const RowTemplate& rowTemplate, const RowTemplateColumn& column) {
  Properties para = column.para, chars = column.chars;
  if (rowTemplate.usesStyles) {
    if (!GetStyleProps(doc, column.paraStyle, kParaProperties, &para, &chars) || para.type != kParaProperties)
      return false;
    para.body.para.style = uint16_t(column.paraStyle);
  }
  if (para.type == kParaProperties && !SetRunAt(doc, markCp, kParaProperties, para)) return false;
  if (chars.type == kCharProperties && !SetRunAt(doc, markCp, kCharProperties, chars)) return false;
  return true;
}

}  // namespace

bool InsertEmptyRow(CorvaneDoc* doc, uint32_t* cpInOut, uint32_t columns, const RowTemplate* rowTemplate) {
  if (!doc || !cpInOut || columns == 0 || columns > kMaxRowCells) return false;
  const uint32_t start = *cpInOut;
  const DocRange at{doc, start, start};
  if (!InsertKnot(&at, kKnotRow, columns + 1, nullptr, nullptr, false)) return false;
  ClearTableCache(doc);
  // Cell i lies between mark i and mark i + 1; from the last cell to the
  // first, so that the cps of the cells still to come stay put.
  bool ok = true;
  uint32_t added = 0;
  for (uint32_t column = columns; ok && column > 0; --column) {
    const uint32_t cellStart = start + column;  // the cell's closing mark
    const RowTemplateColumn* look =
        rowTemplate && column - 1 < rowTemplate->columns.size() ? &rowTemplate->columns[column - 1] : nullptr;
    if (!look) continue;
    ok = FormatCell(doc, cellStart, *rowTemplate, *look);
    if (ok && look->checkbox) {
      const DocRange box{doc, cellStart, cellStart};
      ok = InsertKnot(&box, kKnotCheckbox, 1, nullptr, nullptr, false);
      if (ok) ++added;
    }
  }
  ClearTableCache(doc);
  if (!ok) {
    // The row's marks and the checkboxes already in it.
    const DocRange row{doc, start, start + columns + 1 + added};
    ReplaceRangeCore(&row, nullptr, nullptr, 0, true);
    ClearTableCache(doc);
    return false;
  }
  *cpInOut = start + columns + 1 + added;
  return true;
}
