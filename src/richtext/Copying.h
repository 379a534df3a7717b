#pragma once
// Copying a selection into the engine's clipboard document and putting that
// document on the pasteboard; a selection that cuts through a table, a
// column selection and whole list paragraphs are rebuilt there as a proper
// table or list. Also the table edits: new tables, table to text, property
// changes over whole tables and new columns.

#include <cstdint>

#include "richtext/CorvaneDoc.h"

struct Molecule;

// The clipboard document's content kinds (its clipboardKind).
constexpr int32_t kClipboardEmpty = 0;
constexpr int32_t kClipboardPicture = 2;
constexpr int32_t kClipboardText = 3;

// Copies the current pane's selection into a new global clipboard document
// and exports it. False when any step fails: the pasteboard keeps what it
// held, the clipboard document may hold part of the copy.
bool CopySelection(CorvaneDoc* doc);
// A new clipboard-kind document with the source's settings and styles (an
// empty one without a source), of content kind 0 and with a pane; its body
// range goes to outRange (whose doc is the new document). False, nothing
// made, on failure.
bool NewClipDocument(CorvaneDoc* doc, DocRange* outRange);
// The same, and on success the new document replaces (and frees) the
// engine's clipboard document.
bool NewGlobalClipDocument(CorvaneDoc* doc, DocRange* outRange);
// Puts the clipboard document on the pasteboard: for text its RTF and
// formatted forms (when rich formats are on) and its plain text; otherwise
// its first picture at `imageOption` (a scale in thousandths). False when
// there is no clipboard document.
bool ExportClipboard(uint32_t imageOption);
// Inserts at dest->first (which moves past the copy) the part of one table
// that `piece` covers: the whole table, whole rows as a new table, the cells
// of one row as a one-row table, or the covered cells' text of several rows.
bool CopyTablePiece(DocRange* dest, const DocRange& piece);

// Tables. A new table of `rows` empty rows at cp; its range goes to
// outRange. Relative widths share 1,270,000 evenly when the column count
// changes. A table whose first row fails is taken out again.
bool NewTableCore(CorvaneDoc* doc, uint32_t cp, uint32_t rows, uint32_t columns, int64_t width, DocRange* outRange);
// A new table in place of the selection, the caret in its first cell.
bool NewTable(CorvaneDoc* doc, uint32_t rows, uint32_t columns, int64_t width);
// Whether every cell of every row of more than one cell has paragraphs
// whose indents leave room for tabs (first-line indent not below the left
// indent), so that the table reads as tabbed text.
bool IsTabbedTable(const DocRange& range);
// Turns the table at the range's first cp into text: in a tabbed table of
// more than one column the cells' end marks become tabs; the row and table
// marks go. The range becomes the table's former extent.
bool TableToText(DocRange* range);
// Applies the molecule to the record of every table the range meets.
bool ApplyMoleculeToTable(DocRange* range, const Molecule* molecule, bool undo, uint32_t undoId);
// Inserts `count` columns before (or after, with `after`) `column` in every
// row of the table whose begin mark is at tableCp; relative widths are
// rescaled to keep the whole width. The caret goes into the first new cell.
bool InsertTableColumnsCore(CorvaneDoc* doc, uint32_t tableCp, uint32_t column, uint32_t count, bool after,
                            bool undo);
