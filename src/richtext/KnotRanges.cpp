#include <algorithm>

#include "richtext/CorvaneDoc.h"
#include "richtext/Knots.h"
#include "richtext/Panes.h"
#include "richtext/TextAccess.h"
#include "support/DynamicArrays.h"

namespace {

bool InsideKnot(const KnotFormat& knot) { return knot.index != kNoCpValue; }

// The cp of the first knot entry after cp, or `limit`.
uint32_t NextMarkAfter(CorvaneDoc* doc, uint32_t cp, uint32_t limit) {
  const uint32_t index = IndexOfCpAfter(doc->knots, cp + 1);
  if (index == kNoCpValue || index >= SizeOfDynamicCPArray(doc->knots)) return limit;
  return std::min(CpAtIndex(doc->knots, index), limit);
}

bool IsEditMode(uint32_t mode) { return mode == 0 || mode == 2 || mode == 4 || mode == 5 || mode == 7; }

bool IsKinkOf(const KnotFormat& knot, uint32_t cp) {
  for (uint32_t i = 0; i < knot.kinkCount; ++i)
    if (knot.kinks[i] == cp) return true;
  return false;
}

// Keeps the paragraph marks that structure relies on: the one ending a
// knot's part, the one just after a knot's begin mark and the document's
// last one.
void ProtectParaMark(CorvaneDoc* doc, DocRange* out, const KnotFormat& knot) {
  if (out->limit <= out->first) return;
  if (InsideKnot(knot)) {
    const uint32_t mark = out->limit - 1;
    if (!IsParaBreak(CharacterAtCp(doc, mark))) return;
    KnotEntry before;
    const bool afterBegin = mark > 0 && KnotEntryAtCp(doc, mark - 1, &before) && before.role == kKinkBegin;
    if (IsKinkOf(knot, out->limit) || afterBegin) --out->limit;
    return;
  }
  if (out->limit >= doc->textLimit) {
    const bool fromFirst = out->first == FirstDocumentCp(doc);
    const char16_t before = out->first > 0 ? CharacterAtCp(doc, out->first - 1) : 0;
    const bool afterKnotMark = out->first > 0 && (before == kKnotMark0 || before == kKnotMark1);
    if (!fromFirst && !afterKnotMark) out->limit = std::max(out->first, doc->textLimit - 1);
  }
}

// When the step starts just inside the knot around it and the range
// covers that knot's whole inside (all between its begin and end marks),
// the step becomes the whole knot; outwards while that holds. Chapters,
// which structure the document, and rows, whose cells an edit clears
// without taking the row, are never widened into.
void WidenToEnclosingKnots(CorvaneDoc* doc, DocRange* range, DocRange* out) {
  for (uint32_t guard = 0; guard < kMaxKinks && out->limit > out->first; ++guard) {
    KnotFormat knot;
    FetchKnot(doc, out->first, &knot, 0);
    if (!InsideKnot(knot)) return;
    if (knot.start == out->first) {  // the step is a whole knot: look at the one around it
      DocRange outer;
      if (knot.limit != out->limit || !FindOuterKnot(knot, &outer)) return;
      FetchKnot(doc, outer.first, &knot, 0);
      if (!InsideKnot(knot) || knot.start != outer.first || knot.limit != outer.limit) return;
    }
    if (knot.entry.type == kKnotChapter || knot.entry.type == kKnotRow || out->first != knot.start + 1 || uint64_t(range->limit) + 1 < knot.limit)
      return;
    *out = DocRange{doc, knot.start, knot.limit};
    range->first = std::max(range->first, std::min(knot.limit, range->limit));
  }
}

}  // namespace

bool NextEditRange(DocRange* range, DocRange* out, Pane* pane, uint32_t mode, const DocRange*) {
  if (!range || !out || !range->doc || range->first >= range->limit) return false;
  CorvaneDoc* doc = range->doc;
  *out = *range;
  DocRange paneRange;
  GetPaneRange(doc, pane, &paneRange);
  uint32_t nextKnot = NextKnotCp(doc, range->first);
  if (nextKnot == kNoCpValue) nextKnot = paneRange.limit;

  KnotFormat knot;
  FetchKnot(doc, range->first, &knot, 0);
  // A chapter's body is outside its knot; only its marks and parts are in it.
  const bool inside = InsideKnot(knot);

  if (mode == kEditRangeWhole) {
    if (!inside) {
      if (nextKnot >= range->limit) {
        range->first = range->limit;
        return false;
      }
      FetchKnot(doc, nextKnot, &knot, 0);
      if (!InsideKnot(knot)) return false;
    }
    *out = DocRange{doc, knot.start, knot.limit};
    range->first = std::max(range->first, std::min(knot.limit, range->limit));
    return true;
  }

  if (!inside) {
    out->limit = std::min(std::max(nextKnot, range->first + 1), range->limit);
    range->first = out->limit;
    if (IsEditMode(mode)) ProtectParaMark(doc, out, knot);
    return out->first < doc->cpLimit - 1;
  }

  if (mode == kEditRangeShown) {
    const uint32_t type = knot.entry.type;
    if ((pane && pane->contentsFlags[0]) || type == kKnotBookmark || type == kKnotLink || type == kKnotTag) {
      // The caller cuts the knot out as a whole.
      out->limit = range->limit;
      range->first = std::max(range->first + 1, std::min(knot.limit, range->limit));
      return true;
    }
    DocRange part;
    if (ShouldShowKnot(knot, range->first, pane, &part)) {
      const uint32_t limit = std::min({NextMarkAfter(doc, range->first, range->limit), part.limit, range->limit});
      out->limit = std::max(limit, range->first + 1);
    } else {
      out->limit = out->first;  // hidden: nothing handed over
      range->first = std::max(range->first + 1, std::min(part.limit, range->limit));
      return true;
    }
    range->first = out->limit;
    return true;
  }

  // Edits inside a knot: the whole knot (a whole table or row included) when
  // the range covers it.
  if (range->first <= knot.start && range->limit >= knot.limit) {
    *out = DocRange{doc, knot.start, knot.limit};
    range->first = knot.limit;
    WidenToEnclosingKnots(doc, range, out);
    return true;
  }
  // A mark is never edited without its knot: that would break the knot, or
  // cut a table or row. It is refused, and the walk goes on after it.
  if (IsKinkOf(knot, range->first)) {
    *out = DocRange{doc, range->first, range->first};
    ++range->first;
    return true;
  }
  // Otherwise the part up to the next kink, or to a knot nested in it.
  uint32_t limit = range->limit;
  if (knot.kinkIndex + 1 < knot.kinkCount) limit = std::min(limit, knot.kinks[knot.kinkIndex + 1]);
  limit = std::min(limit, NextKnotCp(doc, range->first));
  out->limit = std::max(limit, range->first + 1);
  range->first = out->limit;
  if (IsEditMode(mode)) ProtectParaMark(doc, out, knot);
  WidenToEnclosingKnots(doc, range, out);
  return true;
}

#include "richtext/CorvaneHost.h"

bool CpIsWithinAnyKnot(CorvaneDoc* doc, uint32_t cp, KnotFormat* format) {
  KnotFormat local;
  KnotFormat* knot = format ? format : &local;
  FetchKnot(doc, cp, knot, 0);
  return knot->kinkCount > 0;
}

bool FindOuterKnot(const KnotFormat& format, DocRange* range) {
  CorvaneDoc* doc = format.doc;
  if (!doc || format.index == kNoCpValue || format.index == 0) return false;
  uint32_t depth = 0;
  for (uint32_t i = format.index; i-- > 0;) {
    KnotEntry entry;
    FetchDynamicCPArrayEntry(doc->knots, i, &entry);
    if (entry.role == kKinkEnd) {
      ++depth;
    } else if (entry.role == kKinkBegin) {
      if (depth > 0) {
        --depth;
        continue;
      }
      const uint32_t begin = CpAtIndex(doc->knots, i);
      const uint32_t limit = KnotLimitCp(doc, begin);
      if (limit == kNoCpValue || limit < format.limit) return false;
      if (range) *range = DocRange{doc, begin, limit};
      return true;
    }
  }
  return false;
}

bool CpIsWithinKnot(CorvaneDoc* doc, uint32_t cp, uint32_t type, DocRange* range) {
  if (range) *range = DocRange{doc, cp, cp};
  if (!doc || type == kKnotNone || type >= kKnotTypeCount) return false;
  if (KnotDescForType(type).knotClass == 0) {
    KnotEntry entry;
    if (!KnotEntryAtCp(doc, cp, &entry) || entry.type != type) return false;
    if (range) *range = DocRange{doc, cp, cp + 1};
    return true;
  }
  KnotFormat knot;
  FetchKnot(doc, cp, &knot, 0);
  const bool tableClass = KnotDescForType(type).knotClass == 2;
  // Only these may hold other knots; any other type must be the innermost.
  const bool encloses = tableClass || type == kKnotChapter || type == kKnotList || type == kKnotNote ||
                        type == kKnotShorthand || type == kKnotContents;
  for (uint32_t guard = 0; knot.index != kNoCpValue && guard < kMaxKinks; ++guard) {
    if (knot.entry.type == type) {
      if (range) *range = DocRange{doc, knot.start, knot.limit};
      return true;
    }
    if (!encloses || knot.entry.type == kKnotChapter) return false;
    // A table's own marks past its begin mark (its end) lie in no row.
    if (type == kKnotRow && knot.entry.type == kKnotTable && cp > knot.start) return false;
    if (type == kKnotList && knot.entry.type == kKnotTable) return false;
    DocRange outer;
    if (!FindOuterKnot(knot, &outer)) return false;
    FetchKnot(doc, outer.first, &knot, 0);
  }
  return false;
}

void ExpandRangeForKnots(DocRange* range) {
  if (!range || !range->doc) return;
  CorvaneDoc* doc = range->doc;
  for (uint32_t guard = 0; guard < kMaxKinks; ++guard) {
    const DocRange before = *range;
    const uint32_t count = SizeOfDynamicCPArray(doc->knots);
    for (uint32_t i = IndexOfCpAfter(doc->knots, range->first); i < count; ++i) {
      const uint32_t cp = CpAtIndex(doc->knots, i);
      if (cp >= range->limit) break;
      KnotFormat knot;
      FetchKnot(doc, cp, &knot, 0);
      if (knot.index == kNoCpValue) continue;
      range->first = std::min(range->first, knot.start);
      range->limit = std::max(range->limit, knot.limit);
    }
    // One part of a knot, or its whole inside, widens to the knot.
    KnotFormat knot;
    FetchKnot(doc, range->first, &knot, 0);
    if (knot.index != kNoCpValue && knot.kinkCount > 1 && range->first > knot.start && range->limit < knot.limit) {
      for (uint32_t k = 0; k + 1 < knot.kinkCount; ++k) {
        const bool onePart = range->first == knot.kinks[k] + 1 && range->limit == knot.kinks[k + 1];
        const bool inside = range->first == knot.start + 1 && range->limit + 1 == knot.limit;
        if (onePart || inside) {
          *range = DocRange{doc, knot.start, knot.limit};
          break;
        }
      }
    }
    if (range->first == before.first && range->limit == before.limit) return;
  }
}

uint32_t KnotEditForReplace(CorvaneDoc*, const DocRange* paraRange, int32_t ch) {
  if (paraRange) return 7;
  if (ch < 0) return 0;
  return IsParaBreak(char16_t(ch)) ? 5 : 4;
}

bool DeleteKnotEntries(CorvaneDoc* doc, uint32_t first, uint32_t limit) {
  if (!doc || first >= limit) return false;
  limit = std::min(limit, SizeOfDynamicCPArray(doc->knots));
  if (first >= limit) return false;
  uint32_t pictures = 0;
  bool structure = false;
  for (uint32_t i = first; i < limit; ++i) {
    KnotEntry entry;
    FetchDynamicCPArrayEntry(doc->knots, i, &entry);
    if (entry.type == kKnotPicture) ++pictures;
    if (entry.type == kKnotBookmark || entry.type == kKnotChapter) structure = true;
  }
  DeleteFromDynamicCPArray(doc->knots, first, limit - first);
  if (pictures) PicturesWereDeleted(doc, pictures);
  return structure;
}

void SetPropsOnKink(CorvaneDoc* doc, uint32_t index, uint32_t props) {
  if (!doc || index >= SizeOfDynamicCPArray(doc->knots)) return;
  auto* entry = static_cast<KnotEntry*>(DynamicCPArrayEntry(doc->knots, index));
  entry->props = props;
  if (entry->type == kKnotTable || entry->type == kKnotRow) ClearTableCache(doc);
}
