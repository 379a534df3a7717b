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
