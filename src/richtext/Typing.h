#pragma once
// Typing and deleting at the current pane's selection: typed text replaces
// the selection with the caret's character properties (straight quotes
// turned typographic, the spaces around a word kept right when words are
// replaced or deleted), a new paragraph takes its style's next style, and
// insertion ranges are moved out of the structures text may not land in.

#include <cstdint>

#include "richtext/CorvaneDoc.h"

// Typed text replaces the selection. Nothing for no text; a break typed
// where the document's final mark is excluded is dropped. False when the
// edit fails.
bool InsertTextOverSel(CorvaneDoc* doc, const char16_t* text, uint32_t length, uint32_t undo, uint32_t unused = 0);
// Inserts the text over the range with the character properties (the range
// is deleted when there is no text). With `select` a caret follows the
// inserted text.
bool InsertNewText(const DocRange* range, const char16_t* text, uint32_t length, const CharProps& charProps,
                   uint32_t undo, bool select);
// Deletes the selection, or the character before (after, `forward`) the
// caret, a whole word with `byWord`. False when nothing was deleted.
bool DeleteText(CorvaneDoc* doc, bool forward, bool byWord, uint32_t undo);
// Moves an insertion range out of bookmarks, tags and tables, widens a
// non-empty range inside a link to the link, and keeps a range inside a row
// off the row's mark; a range that moved is selected. `flags` is unused.
void AdjustRangeForPaste(DocRange* range, uint32_t flags);
// Neither pasting into nor sorting a range is offered.
inline bool IsLegalPaste(const DocRange*) {
  return false;
}
inline bool IsLegalToSort(const DocRange*) {
  return false;
}

// Whether the unit may follow a deleted word with no space before it
// (closing and joining punctuation).
bool IsClosingPunctuation(char16_t unit);
