#include "richtext/Knots.h"

namespace {

constexpr KnotDesc kKnotDescs[kKnotTypeCount] = {
    {0, 0, 0, 0, 0, 0},   // none
    {0, 2, 12, 0, 0, 1},  // autonum
    {1, 1, 0, 0, 0, 3},   // bookmark
    {1, 1, 12, 1, 1, 8},  // chapter
    {0, 2, 1, 0, 0, 1},   // checkbox
    {0, 2, 2, 0, 1, 1},   // divider
    {1, 2, 4, 0, 0, 3},   // link
    {1, 2, 5, 0, 1, 2},   // list
    {1, 2, 6, 1, 1, 3},   // note
    {0, 2, 12, 0, 0, 1},  // pic
    {1, 2, 12, 0, 1, 2},  // short
    {2, 2, 12, 0, 1, 2},  // table
    {2, 2, 12, 1, 1, 0},  // row: any number of kinks
    {1, 2, 12, 0, 0, 2},  // tag
    {1, 2, 9, 0, 1, 2},   // toc
    {1, 2, 10, 0, 0, 2},  // toce
    {0, 2, 11, 0, 0, 1},  // var
};

}  // namespace

const KnotDesc& KnotDescForType(uint32_t type) { return kKnotDescs[type < kKnotTypeCount ? type : 0]; }

uint32_t KinkCountForType(uint32_t type) { return KnotDescForType(type).kinks; }

uint32_t LineKinkForKnotType(uint32_t type) { return KnotDescForType(type).lineKink; }

#include <algorithm>

#include "richtext/CorvaneDoc.h"
#include "support/CSAssert.h"
#include "support/DynamicArrays.h"

namespace {

KnotEntry EntryAt(CorvaneDoc* doc, uint32_t index) {
  KnotEntry entry;
  FetchDynamicCPArrayEntry(doc->knots, index, &entry);
  return entry;
}

const KnotEntry* EntryPointer(CorvaneDoc* doc, uint32_t index) {
  return static_cast<const KnotEntry*>(DynamicCPArrayEntry(doc->knots, index));
}

void NoKnot(CorvaneDoc* doc, KnotFormat* format) {
  *format = KnotFormat{};
  format->doc = doc;
}

}  // namespace

bool KnotEntryAtCp(CorvaneDoc* doc, uint32_t cp, KnotEntry* entry, uint32_t* index) {
  if (!doc || !doc->knots) return false;
  const uint32_t i = IndexOfCpAfter(doc->knots, cp);
  if (i == kNoCpValue || i >= SizeOfDynamicCPArray(doc->knots) || CpAtIndex(doc->knots, i) != cp) return false;
  if (entry) *entry = EntryAt(doc, i);
  if (index) *index = i;
  return true;
}

uint32_t KnotLimitCp(CorvaneDoc* doc, uint32_t cp) {
  KnotEntry entry;
  uint32_t index = 0;
  if (!KnotEntryAtCp(doc, cp, &entry, &index)) return kNoCpValue;
  if (entry.role == kKinkSingle) return cp + 1;
  if (entry.role != kKinkBegin) return kNoCpValue;
  uint32_t depth = 0;
  const uint32_t count = SizeOfDynamicCPArray(doc->knots);
  for (uint32_t i = index + 1; i < count; ++i) {
    const KnotEntry next = EntryAt(doc, i);
    if (next.role == kKinkBegin) {
      ++depth;
    } else if (next.role == kKinkEnd) {
      if (depth == 0) return next.type == entry.type ? CpAtIndex(doc->knots, i) + 1 : kNoCpValue;
      --depth;
    }
  }
  return kNoCpValue;
}

void FetchKnot(CorvaneDoc* doc, uint32_t cp, KnotFormat* format, uint32_t typeFilter) {
  if (!format) return;
  NoKnot(doc, format);
  if (!doc || !doc->knots) return;
  const uint32_t count = SizeOfDynamicCPArray(doc->knots);
  const uint32_t at = IndexOfCpSafe(doc->knots, cp);
  if (at == kNoCpValue || at >= count) return;
  const uint32_t atCp = CpAtIndex(doc->knots, at);
  const KnotEntry found = EntryAt(doc, at);

  if (atCp == cp && found.role == kKinkSingle) {
    if (typeFilter && found.type != typeFilter) return;
    format->start = cp;
    format->limit = cp + 1;
    format->entry = found;
    format->index = at;
    format->kinkCount = 1;
    format->kinks[0] = cp;
    return;
  }

  // Back to the begin mark at depth 0, collecting its middle marks (last
  // first) and checking that they are of the begin's type.
  uint32_t before[kMaxKinks];
  uint32_t beforeTypes[kMaxKinks];
  uint32_t beforeCount = 0;
  uint32_t endIndex = kNoCpValue;
  uint32_t beginIndex = kNoCpValue;
  uint32_t depth = 0;
  for (uint32_t i = at + 1; i-- > 0;) {
    const KnotEntry& entry = i == at ? found : *EntryPointer(doc, i);
    if (entry.role == kKinkSingle) continue;
    if (entry.role == kKinkEnd) {
      if (i == at && atCp == cp) {
        endIndex = i;
        continue;
      }
      if (entry.type == kKnotChapter) return;  // cp lies in a chapter's body
      ++depth;
    } else if (entry.role == kKinkMiddle) {
      if (depth == 0) {
        if (beforeCount + 2 > kMaxKinks) return;
        beforeTypes[beforeCount] = entry.type;
        before[beforeCount++] = CpAtIndex(doc->knots, i);
      }
    } else if (entry.role == kKinkBegin) {
      if (depth == 0) {
        beginIndex = i;
        break;
      }
      --depth;
    }
  }
  if (beginIndex == kNoCpValue) return;
  const KnotEntry begin = *EntryPointer(doc, beginIndex);
  for (uint32_t i = 0; i < beforeCount; ++i)
    if (beforeTypes[i] != begin.type) return;

  uint32_t n = 0;
  format->kinks[n++] = CpAtIndex(doc->knots, beginIndex);
  for (uint32_t i = beforeCount; i > 0; --i) format->kinks[n++] = before[i - 1];
  if (endIndex == kNoCpValue) {
    depth = 0;
    for (uint32_t i = at + 1; i < count && endIndex == kNoCpValue; ++i) {
      const KnotEntry& entry = *EntryPointer(doc, i);
      if (entry.role == kKinkBegin) {
        if (entry.type == kKnotChapter) {
          NoKnot(doc, format);
          return;
        }
        ++depth;
      } else if (entry.role == kKinkEnd) {
        if (depth > 0) {
          --depth;
          continue;
        }
        if (entry.type != begin.type) {
          NoKnot(doc, format);
          return;
        }
        endIndex = i;
      } else if (entry.role == kKinkMiddle && depth == 0) {
        if (entry.type != begin.type || n + 1 >= kMaxKinks) {
          NoKnot(doc, format);
          return;
        }
        format->kinks[n++] = CpAtIndex(doc->knots, i);
      }
    }
    if (endIndex == kNoCpValue) {
      NoKnot(doc, format);
      return;
    }
  }
  if (n + 1 > kMaxKinks || (typeFilter && begin.type != typeFilter)) {
    NoKnot(doc, format);
    return;
  }
  const uint32_t endCp = CpAtIndex(doc->knots, endIndex);
  format->kinks[n++] = endCp;
  format->kinkCount = n;
  format->start = format->kinks[0];
  format->limit = endCp + 1;
  format->entry = begin;
  format->index = beginIndex;
  format->knotClass = KnotDescForType(begin.type).knotClass;
  format->kinkIndex = 0;
  for (uint32_t i = 0; i < n && format->kinks[i] <= cp; ++i) format->kinkIndex = i;
}

void ClearTableCache(CorvaneDoc* doc) {
  if (!doc) return;
  for (KnotFormat* cache : {doc->knotFormatCache, doc->knotFormatCache2}) {
    if (cache) NoKnot(doc, cache);
  }
}

CSArrayCP* KnotLocationArray(CorvaneDoc* doc, uint32_t type) {
  if (!doc) return nullptr;
  switch (type) {
    case kKnotBookmark: return doc->bookmarkMarks;
    case kKnotChapter: return doc->chapterMarks;
    case kKnotList: return doc->listMarks;
    case kKnotTable: return doc->tableMarks;
    default: return nullptr;
  }
}

uint32_t NextKnotCp(CorvaneDoc* doc, uint32_t cp) {
  if (!doc || !doc->knots || doc->textLimit == 0) return kNoCpValue;
  const uint32_t last = doc->textLimit - 1;
  const uint32_t count = SizeOfDynamicCPArray(doc->knots);
  uint32_t index = IndexOfCpAfter(doc->knots, cp);
  for (; index < count; ++index) {
    const uint32_t at = CpAtIndex(doc->knots, index);
    if (at >= last) break;
    const KnotEntry entry = EntryAt(doc, index);
    if (entry.role == kKinkBegin || entry.role == kKinkSingle) return at;
  }
  return kNoCpValue;
}

bool ShouldShowKnot(const KnotFormat& format, uint32_t cp, const Pane* pane, DocRange* range) {
  DocRange shown{format.doc, format.start, format.limit};
  auto answer = [&](bool show, uint32_t first, uint32_t limit) {
    if (range) *range = DocRange{format.doc, first, limit};
    return show;
  };
  if (format.index == kNoCpValue || cp < format.start || cp >= format.limit) {
    if (range) *range = shown;
    return false;
  }
  // The part between the kinks around cp.
  const uint32_t kink = std::min(format.kinkIndex, format.kinkCount ? format.kinkCount - 1 : 0);
  const uint32_t partFirst = format.kinks[kink];
  const uint32_t partLimit = kink + 1 < format.kinkCount ? format.kinks[kink + 1] + 1 : format.limit;
  if (pane && pane->contentsFlags[0]) return answer(true, format.start, format.limit);
  if (pane && pane->contentsFlags[1]) {
    if (format.kinkCount <= 1) return answer(true, format.start, format.limit);
    return answer(true, partFirst, partLimit);
  }
  const uint32_t type = format.entry.type;
  const int32_t contents = pane ? pane->contentsKind : 1;
  const bool helpDocument = format.doc && format.doc->kind == kHelpDocument;
  switch (type) {
    case kKnotChapter:
    case kKnotShorthand:
      return answer(false, format.start, format.limit);
    case kKnotBookmark:
      if (contents < 1 || contents > 4 || helpDocument) return answer(false, format.start, format.limit);
      [[fallthrough]];
    case kKnotLink:
    case kKnotTag:
      if (cp == format.start) return answer(true, cp, cp + 1);
      return answer(false, format.start + 1, format.limit);
    case kKnotList:
    case kKnotContents:
    case kKnotContentsEntry:
      if (cp == format.start) return answer(false, cp, cp + 1);
      if (cp + 1 == format.limit) return answer(false, cp, format.limit);
      return answer(true, format.start + 1, format.limit - 1);
    case kKnotTable:
      return answer(true, format.start, format.limit);
    default:
      if (format.kinkCount < 3 && type != kKnotRow) return answer(true, format.start, format.limit);
      return answer(true, partFirst, partLimit);
  }
}

namespace {
bool g_editingKnot = false;
}  // namespace

void SetEditingKnot(bool editing) {
  g_editingKnot = editing;
}

bool IsEditingKnot() {
  return g_editingKnot;
}
