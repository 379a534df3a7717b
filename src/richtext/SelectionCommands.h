#pragma once
// The commands that change the current pane's selection as a whole:
// formatting changes and styles, lists, links and pictures put in at the
// selection, and the jump from a bookmark reference to its bookmark.

#include <QString>
#include <cstdint>

#include "richtext/CorvaneDoc.h"
#include "support/CSImage.h"

struct Molecule;

// Applies the molecule to every range of the selection (widened to whole
// paragraphs for a paragraph molecule); a character molecule over a caret
// changes only the caret's properties. Nothing for an empty molecule or an
// object selection.
void ApplyMoleculeToSelection(CorvaneDoc* doc, const Molecule* molecule, uint32_t undoId, uint32_t descriptor);

// Gives the selection a style (an index, a builtin id from 4,000 or a normal
// style id from 5,000), keeping the text's own formatting. Refused with an
// alert for frame styles, for a table or list style outside a table or list
// and for an object selection.
bool ApplyStyle(CorvaneDoc* doc, uint32_t styleId, uint32_t undoDescriptor);
// A paragraph style for the selected paragraphs.
bool ApplyParaStyle(CorvaneDoc* doc, uint32_t styleId);
// The selected paragraphs go back to their styles, and the selection (or the
// caret) to its paragraph style's character formatting.
void ReturnToStyle(CorvaneDoc* doc, uint32_t option);
// Gives the range the records of a builtin style, creating the style when
// the document lacks it.
bool ForceRangeToStyleId(const DocRange& range, uint32_t builtinId);

// Turns the selected paragraphs into a list of the record; refused with an
// alert inside another list, link or the like, and over text that can't
// become a list.
bool InsertList(CorvaneDoc* doc, const ListProps& props);
// Removes the list around the selection's start (its text stays).
bool DeleteList(CorvaneDoc* doc);
// Moves the selected list entries (and their sub-entries) one level in or
// out; outside a list, indenting makes one.
void ChangeListIndent(CorvaneDoc* doc, bool indent);

// Puts a link to the address at the selection (a link there is changed
// instead); the shown text defaults to the address.
bool InsertLink(CorvaneDoc* doc, const QString& address, const QString* shownText, uint32_t undo);
// Replaces the shown text and the address of the link at the range's first
// cp and gives it the builtin "link" style.
bool SetLinkStrings(const DocRange& range, const QString& address, const QString& shownText);

// A picture knot for the stored picture at the selection, in the
// selection's character formatting; the caret goes after it.
bool InsertPictureWithIndex(CorvaneDoc* doc, uint32_t index, uint32_t undoId);
bool InsertPicture(CorvaneDoc* doc, const CSImage& image, const QString* name, uint32_t undoId);

// At a reference to a bookmark, selects the bookmark and brings it into
// view; false elsewhere.
bool CheckVariableJump(CorvaneDoc* doc, uint32_t cp);
