#pragma once
// Reading formatting at a cp through the run arrays: character and
// paragraph properties with their runs (repairing a run that names a record
// of the wrong type), paragraph ranges and their per-pane cache, chapters
// and their names, and text-column widths.

#include <QString>
#include <cstdint>

#include "richtext/CorvaneDoc.h"

// The character properties at cp and (when asked) the run's stretch. At a
// knot mark (cp not 0, no range asked) the properties of the text beside it
// are given. A size outside 16-8,000 quarter points reads as 48.
void FetchCharProps(CorvaneDoc* doc, DocRange* range, uint32_t cp, CharProps* props);
// The character properties at the current pane's selection start, or its
// caret properties when the selection is empty; `keylessSwitch6` cleared.
void FetchCharPropsFromSelection(CorvaneDoc* doc, CharProps* props);
// The paragraph of cp as the pane (the current one when null) shows it, and
// its properties: those of the para run holding its last cp.
void FetchParaProps(CorvaneDoc* doc, Pane* pane, uint32_t cp, DocRange* range, ParaProps* props);
// Forgets every pane's cached paragraph and the table caches.
void InvalParaCaches(CorvaneDoc* doc);
// The chapter of cp (its range and properties); answers its limit.
uint32_t FetchChapterProps(CorvaneDoc* doc, uint32_t cp, DocRange* range, ChapterProps* props);
// The text between the chapter's begin mark and its first middle mark;
// empty past the last chapter.
QString ChapterName(CorvaneDoc* doc, uint32_t chapter);
// The name, or "Chapter %d" with the chapter's number when it has none.
QString ChapterDisplayName(CorvaneDoc* doc, uint32_t chapter);
// One text column's width: a custom width, or the page's text width shared
// among the columns (a count of 0 read as 1, at most 10).
int64_t ColumnWidth(CorvaneDoc* doc, const ChapterProps& props, uint32_t column);

// The list record of a list started by typing a marker character: the
// normal list with a level-1 marker of check ('#'), bullet ('*': U+2022;
// '-': "-") or number followed by "." ('1'); for any other character a
// cleared record of type 255.
void SetDefaultListProps(CorvaneDoc* doc, char16_t typedChar, Properties* record);
// The tabs of a header or footer paragraph: a centre tab midway between the
// indents and a right tab at the right indent, each unless the last tab
// already lies at or beyond it or the set is full. The width is the page's
// text width, or the continuous view's when the document ignores margins
// and the current pane is clipped.
void AddHeaderTabs(const DocRange& range, ParaProps* props);
