#pragma once
// The text a pane shows: the walk that leaves knot marks and hidden knot
// text out and hands knots over whole, plain-text extraction over it, and
// short titles taken from a paragraph.

#include <QString>
#include <cstdint>
#include <functional>

#include "richtext/CorvaneDoc.h"

struct KnotFormat;

// Gets each shown piece of text: its range, the pane, and the knot when the
// piece is a whole knot (a link, a variable, a picture, ...); false stops.
using VisibleTextCallback = std::function<bool(const DocRange& piece, Pane* pane, const KnotFormat* knot)>;

// Hands the shown text of the range over piece by piece; the range is live
// while the walk lasts.
void FetchVisibleText(const DocRange& range, Pane* pane, const VisibleTextCallback& callback);
// The same walk from the range's limit back to its start (never before the
// current pane's range), paragraph by paragraph, handing each paragraph's
// pieces over from the last to the first; the callback gets the current
// pane.
void FetchVisibleTextBackward(const DocRange& range, const VisibleTextCallback& callback);
// The shown text of the range, paragraph by paragraph, each ended by "\n"
// (with the paragraphs' prefix and suffix texts when asked); null when
// nothing is shown.
QString ExtractPlainText(const DocRange& range, bool withAffixes);
// ExtractPlainText of the current pane's selection, without affixes.
QString ExtractPlainTextFromSel(CorvaneDoc* doc);
// A short title from the paragraph at cp: at most 25 units (100 when
// `longTitle`), cut after a blank or punctuation within 10 units past that
// when there is one; "" when there is no text.
QString ExtractStringFromCp(CorvaneDoc* doc, uint32_t cp, uint32_t limit, bool longTitle);
// FetchText within what the pane shows: a limit of 0xFFFFFFFF is the pane
// range's, and the copy stops at the end of cp's paragraph.
void FetchTextInPane(CorvaneDoc* doc, Pane* pane, uint32_t cp, uint32_t limit, char16_t* buffer, uint32_t* count);
