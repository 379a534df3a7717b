#include "richtext/Bookmarks.h"

#include "richtext/Editing.h"
#include "richtext/FindReplace.h"
#include "richtext/Knots.h"
#include "richtext/TextAccess.h"
#include "support/DynamicArrays.h"
#include "support/ObjectWrappers.h"

namespace {

// The GUID and name parts of the bookmark at `index`.
bool BookmarkKnot(CorvaneDoc* doc, uint32_t index, KnotFormat* knot) {
  if (!doc || index >= SizeOfDynamicCPArray(doc->bookmarkMarks)) return false;
  FetchKnot(doc, CpAtIndex(doc->bookmarkMarks, index), knot, kKnotBookmark);
  return knot->index != kNoCpValue && knot->kinkCount >= 2 && knot->limit > knot->kinks[1];
}

uint32_t EntryValue(CorvaneDoc* doc, uint32_t guidIndex) {
  uint32_t value = kNoBookmark;
  FetchDynamicStringArrayEntry(doc->bookmarkGuids, guidIndex, &value);
  return value;
}

void SetEntryValue(CorvaneDoc* doc, uint32_t guidIndex, uint32_t value) {
  ReplaceDynamicStringArrayData(doc->bookmarkGuids, guidIndex, &value);
}

uint32_t GuidCount(CorvaneDoc* doc) {
  return doc ? SizeOfDynamicArray(doc->bookmarkGuids) : 0;
}

// The last entry naming the GUID, optionally only a free one.
uint32_t LastEntryForGuid(CorvaneDoc* doc, const QString& guid, bool freeOnly) {
  for (uint32_t i = GuidCount(doc); i-- > 0;) {
    if (FetchDynamicStringArrayEntry(doc->bookmarkGuids, i, nullptr) != guid) continue;
    if (freeOnly && EntryValue(doc, i) != kNoBookmark) continue;
    return i;
  }
  return kNoBookmark;
}

// Adds `delta` to every live entry naming a bookmark at or after `from`.
void ShiftBookmarkIndexes(CorvaneDoc* doc, uint32_t from, int32_t delta) {
  for (uint32_t i = 0; i < GuidCount(doc); ++i) {
    const uint32_t value = EntryValue(doc, i);
    if (value != kNoBookmark && value >= from) SetEntryValue(doc, i, uint32_t(int64_t(value) + delta));
  }
}

uint32_t BookmarkIndexAtCp(CorvaneDoc* doc, uint32_t cp) {
  const uint32_t index = IndexOfCpSafe(doc->bookmarkMarks, cp);
  if (index == kNoCpValue || index >= SizeOfDynamicCPArray(doc->bookmarkMarks)) return kNoBookmark;
  return CpAtIndex(doc->bookmarkMarks, index) == cp ? index : kNoBookmark;
}

bool IsBookmarkReference(uint32_t kind) {
  return kind == 0 || kind == 7 || kind == 11 || kind == 14;
}

}  // namespace

uint32_t BookmarkCount(CorvaneDoc* doc) {
  return doc ? SizeOfDynamicCPArray(doc->bookmarkMarks) : 0;
}

QString BookmarkGuid(CorvaneDoc* doc, uint32_t index) {
  KnotFormat knot;
  if (!BookmarkKnot(doc, index, &knot)) return QString(QLatin1String(""));
  return RawTextString(doc, knot.start + 1, knot.kinks[1]);
}

QString BookmarkDisplayString(CorvaneDoc* doc, uint32_t index) {
  KnotFormat knot;
  if (!BookmarkKnot(doc, index, &knot)) return QString(QLatin1String(""));
  return RawTextString(doc, knot.kinks[1] + 1, knot.limit - 1);
}

uint32_t BookmarkIndexForGuid(CorvaneDoc* doc, const QString& guid) {
  const uint32_t entry = LastEntryForGuid(doc, guid, false);
  return entry == kNoBookmark ? kNoBookmark : EntryValue(doc, entry);
}

uint32_t BookmarkGuidIndexForGuid(CorvaneDoc* doc, const QString& guid, uint32_t index) {
  if (!doc) return kNoBookmark;
  uint32_t entry = LastEntryForGuid(doc, guid, false);
  if (entry == kNoBookmark) {
    const uint32_t none = kNoBookmark;
    entry = AppendToDynamicStringArray(doc->bookmarkGuids, guid, &none);
    if (entry == kDynamicArrayNotFound) return kNoBookmark;
  }
  if (index != kNoBookmark) SetEntryValue(doc, entry, index);
  return entry;
}

uint32_t BookmarkIndexForGuidIndex(CorvaneDoc* doc, uint32_t guidIndex) {
  if (guidIndex >= GuidCount(doc)) return kNoBookmark;
  const uint32_t value = EntryValue(doc, guidIndex);
  return value < BookmarkCount(doc) ? value : kNoBookmark;
}

uint32_t GuidIndexForBookmarkIndex(CorvaneDoc* doc, uint32_t index) {
  if (index == kNoBookmark) return kNoBookmark;
  for (uint32_t i = GuidCount(doc); i-- > 0;)
    if (EntryValue(doc, i) == index) return i;
  return kNoBookmark;
}

void IdentifyBookmarks(CorvaneDoc* doc) {
  for (uint32_t i = 0; i < BookmarkCount(doc); ++i) {
    if (GuidIndexForBookmarkIndex(doc, i) != kNoBookmark) continue;
    const QString guid = BookmarkGuid(doc, i);
    // An entry of the GUID that names another, live bookmark stays with it.
    const uint32_t entry = LastEntryForGuid(doc, guid, false);
    if (entry != kNoBookmark && EntryValue(doc, entry) != kNoBookmark) {
      const uint32_t none = kNoBookmark;
      const uint32_t added = AppendToDynamicStringArray(doc->bookmarkGuids, guid, &none);
      if (added != kDynamicArrayNotFound) SetEntryValue(doc, added, i);
    } else {
      BookmarkGuidIndexForGuid(doc, guid, i);
    }
  }
}

void DeleteBookmarks(CorvaneDoc* doc, uint32_t first, uint32_t limit) {
  if (!doc) return;
  limit = std::min(limit, BookmarkCount(doc));
  if (first >= limit) return;
  for (uint32_t i = 0; i < GuidCount(doc); ++i) {
    const uint32_t value = EntryValue(doc, i);
    if (value == kNoBookmark || value < first) continue;
    SetEntryValue(doc, i, value < limit ? kNoBookmark : value - (limit - first));
  }
  DeleteFromDynamicCPArray(doc->bookmarkMarks, first, limit - first);
  // A found range may lie in a forgotten bookmark's text.
  WipeFindState();
}

void CopyBookmarkGuid(CorvaneDoc* target, uint32_t cp, CorvaneDoc* source, uint32_t sourceCp) {
  if (!target || !source) return;
  const uint32_t index = BookmarkIndexAtCp(target, cp);
  const uint32_t sourceIndex = BookmarkIndexAtCp(source, sourceCp);
  if (index == kNoBookmark || sourceIndex == kNoBookmark) return;
  ShiftBookmarkIndexes(target, index, 1);
  const QString guid = BookmarkGuid(source, sourceIndex);
  // A GUID still naming a live bookmark (a copy within one document) gets
  // an entry of its own, so that both bookmarks keep theirs.
  uint32_t entry = LastEntryForGuid(target, guid, true);
  if (entry == kNoBookmark && LastEntryForGuid(target, guid, false) == kNoBookmark) {
    BookmarkGuidIndexForGuid(target, guid, index);
    return;
  }
  if (entry == kNoBookmark) {
    const uint32_t none = kNoBookmark;
    entry = AppendToDynamicStringArray(target->bookmarkGuids, guid, &none);
    if (entry == kDynamicArrayNotFound) return;
  }
  SetEntryValue(target, entry, index);
}

void CorrectBookmarkRefs(const DocRange& range, CorvaneDoc* source) {
  CorvaneDoc* doc = range.doc;
  if (!doc) return;
  const uint32_t count = SizeOfDynamicCPArray(doc->knots);
  for (uint32_t i = 0; i < count; ++i) {
    const uint32_t cp = CpAtIndex(doc->knots, i);
    if (cp < range.first) continue;
    if (cp >= range.limit) break;
    auto* entry = static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, i));
    if (!entry || entry->type != kKnotVariable || !IsBookmarkReference(entry->word1)) continue;
    if (!source || entry->word2 >= GuidCount(source)) {
      // A reference the source cannot resolve names nothing here either.
      if (entry->word2 >= GuidCount(doc)) entry->word2 = kNoBookmark;
      continue;
    }
    const QString guid = FetchDynamicStringArrayEntry(source->bookmarkGuids, entry->word2, nullptr);
    entry->word2 = BookmarkGuidIndexForGuid(doc, guid, kNoBookmark);
  }
  // A pasted bookmark with an empty GUID text gets a GUID of its own, so that
  // references made to it later survive saving. From the last one back: each
  // write moves the cps after it.
  for (uint32_t i = BookmarkCount(doc); i-- > 0;) {
    KnotFormat knot;
    if (!BookmarkKnot(doc, i, &knot) || knot.start < range.first || knot.start >= range.limit) continue;
    if (knot.kinks[1] != knot.start + 1) continue;
    const DocRange guidText{doc, knot.start + 1, knot.kinks[1]};
    ReplaceRangeWithString(&guidText, NewGuidString());
  }
  IdentifyBookmarks(doc);
}
