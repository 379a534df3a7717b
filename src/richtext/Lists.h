#pragma once
// Lists: list knots, their markers by level and the document's number cache
// that keeps the level of each counted entry, so that a marker is composed
// without walking the whole list again. Also the number formats that lists
// and page numbers share.

#include <QString>
#include <cstdint>

#include "richtext/CorvaneDoc.h"

struct KnotFormat;

// The marker types of a list level.
enum ListMarkerType : uint32_t {
  kMarkerUnset = 0,
  kMarkerBullet = 1,
  kMarkerCheck = 2,
  kMarkerNumber = 3,
  kMarkerPicture = 4,
  kMarkerExport = 5,  // written by EnsureMarkerExport for the writer
};
constexpr uint32_t kListLevels = 9;
constexpr uint32_t kNumberFormatCount = 12;
// The cache value of an entry to be counted again.
constexpr uint32_t kRecountListEntry = 0xFFFFFFFF;
// The builtin ids of "list 1" to "list 9".
constexpr uint32_t kFirstListStyleId = 21;
constexpr uint32_t kLastListStyleId = 29;

// The number in one of the twelve formats ("1", roman, lettering, ordinals,
// words, note marks, hexadecimal, octal, binary); `capitals` writes the
// ordinal and cardinal words capitalised. "" for a negative number or a
// format outside 0-11.
QString FormattedNumberString(int64_t number, int32_t format, bool capitals);

// True for the builtin ids of the nine list-level styles.
bool IsListStyleId(uint32_t builtinId);
// The list level (1-9) of a paragraph: its style's place among the list
// styles, 1 for any other style.
uint32_t ListLevelOfParagraph(CorvaneDoc* doc, const ParaProps& props);

// The list knot enclosing cp and its record (the normal list's when the
// knot's is missing); false, with no knot in `format`, outside lists.
bool FetchList(CorvaneDoc* doc, Pane* pane, uint32_t cp, KnotFormat* format, ListProps* props);
// Level 1 unset becomes a number marker with the suffix "."; then each
// unset level up to the highest set level (all nine with `all`) copies the
// level before it.
void NormalizeMarkers(ListProps* props, bool all);
// Normalises the markers and gives the record a copy of them with every set
// level's type replaced by kMarkerExport.
void EnsureMarkerExport(ListProps* props, Properties* record);

// The marker text of the list entry whose paragraph starts at `entryCp` in
// the list beginning at `listCp`, at `level` (kept to 1-9); null for check
// and picture markers. The number cache is brought up to date on the way.
QString ListEntryMarker(CorvaneDoc* doc, Pane* pane, CSArrayCP* numberCache, uint32_t listCp, uint32_t entryCp,
                        uint32_t level, const ListProps& props);

// Marks the cache entries of the range for recounting and flags each list
// they lie in for renumbering.
void InvalListCache(const DocRange& range);
// Flags the lists around both ends of the range for renumbering, so that a
// list cut there is counted afresh.
void SplitListCache(const DocRange& range);
// Whether the range may become a list or be pasted into one. With
// `wholeListsOnly` lists are accepted when they are all the range holds.
// On refusal `what` names what is in the way.
bool IsLegalPasteForList(const DocRange& range, bool wholeListsOnly, QString* what);

// The renumbering flag of a list knot's begin entry (the first byte of its
// word1).
bool IsListFlaggedForRenumbering(CorvaneDoc* doc, uint32_t listCp);
