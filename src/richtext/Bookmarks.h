#pragma once
// Bookmarks and their GUID table. A bookmark knot holds its GUID text
// between its begin and middle marks and its shown name after the middle
// mark; its index is its place in `bookmarkMarks`. Variables refer to a
// bookmark by the index of its GUID in `bookmarkGuids`, whose entries hold
// the bookmark's current index (kNoBookmark once it is gone), so references
// survive reordering and deletion.

#include <QString>
#include <cstdint>

#include "richtext/CorvaneDoc.h"

constexpr uint32_t kNoBookmark = 0xFFFFFFFF;

uint32_t BookmarkCount(CorvaneDoc* doc);
// The GUID text and the shown name of a bookmark; "" past the last.
QString BookmarkGuid(CorvaneDoc* doc, uint32_t index);
QString BookmarkDisplayString(CorvaneDoc* doc, uint32_t index);

// The bookmark stored for the GUID (the last entry naming it), or kNoBookmark.
uint32_t BookmarkIndexForGuid(CorvaneDoc* doc, const QString& guid);
// The entry of the GUID (the last one naming it), appended when missing; an
// index other than kNoBookmark is stored in it. kNoBookmark when the append
// fails.
uint32_t BookmarkGuidIndexForGuid(CorvaneDoc* doc, const QString& guid, uint32_t index);
// The two directions of the table; kNoBookmark when there is none.
uint32_t BookmarkIndexForGuidIndex(CorvaneDoc* doc, uint32_t guidIndex);
uint32_t GuidIndexForBookmarkIndex(CorvaneDoc* doc, uint32_t index);

// Gives every bookmark without a GUID entry one.
void IdentifyBookmarks(CorvaneDoc* doc);
// Forgets bookmarks first to limit - 1: their entries become kNoBookmark,
// later bookmarks' indexes move down and their marks leave `bookmarkMarks`.
void DeleteBookmarks(CorvaneDoc* doc, uint32_t first, uint32_t limit);
// The bookmark just copied to `cp` of the target (its mark already in
// `bookmarkMarks`) takes the GUID of the source's bookmark at `sourceCp`: the
// indexes of the later bookmarks move up and the GUID's entry (a free one
// of that GUID, else a new one) names the copy.
void CopyBookmarkGuid(CorvaneDoc* target, uint32_t cp, CorvaneDoc* source, uint32_t sourceCp);
// After a paste into the range: the variables in it refer to the target's
// entries of the GUIDs they named in the source; bookmarks still without an
// entry get one.
void CorrectBookmarkRefs(const DocRange& range, CorvaneDoc* source);
