#pragma once
// Empty table rows: a row knot with one mark more than its cells, each cell
// given the look its column asks for (a paragraph style, or paragraph and
// character records of its own) and, where asked, a checkbox.

#include <cstdint>
#include <vector>

#include "richtext/CorvaneDoc.h"
#include "richtext/Knots.h"

// A row knot holds its begin mark and one mark after each cell, and a knot
// collects at most kMaxKinks marks: the most cells a row may have.
constexpr uint32_t kMaxRowCells = kMaxKinks - 1;

// How the cells of new rows look, column by column; columns past the list
// keep the formatting at the insertion point.
struct RowTemplateColumn {
  uint32_t paraStyle = 0;  // with `usesStyles`: the style's records
  Properties para;         // otherwise: used when of the paragraph type
  Properties chars;        // otherwise: used when of the character type
  bool checkbox = false;   // the cell starts with a checkbox
};
struct RowTemplate {
  bool usesStyles = false;
  std::vector<RowTemplateColumn> columns;
};

// Inserts a row of `columns` empty cells at *cpInOut (1 to kMaxRowCells
// cells; `rowTemplate` may be null) and moves *cpInOut past it. On failure
// the row is taken out again and false is answered.
bool InsertEmptyRow(CorvaneDoc* doc, uint32_t* cpInOut, uint32_t columns, const RowTemplate* rowTemplate);
