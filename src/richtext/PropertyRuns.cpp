#include "richtext/PropertyRuns.h"

#include <algorithm>

#include "richtext/Knots.h"
#include "richtext/Lists.h"
#include "richtext/Panes.h"
#include "richtext/Styles.h"
#include "richtext/TextAccess.h"
#include "support/CSAssert.h"
#include "support/DynamicArrays.h"
#include "support/FormatString.h"
#include "support/ThreadStorage.h"

namespace {

constexpr int16_t kMinCharSize = 16;
constexpr int16_t kMaxCharSize = 8000;
constexpr int16_t kDefaultCharSize = 48;
constexpr uint32_t kMaxColumns = 10;
constexpr char16_t kBullet = 0x2022;

// The page's width less its margins, and less the gutter when that is
// taken off.
int64_t PageTextWidth(CorvaneDoc* doc) {
  int64_t width = int64_t(doc->pageWidth) * kMeasurePerPoint - doc->docProps.left - doc->docProps.right;
  if (doc->docProps.mirrorl) width -= doc->docProps.gutter;
  return width;
}

// A tab position kept within the position bits, so that it never spills
// into the leader and alignment bits.
int64_t TabPosition(int64_t position) { return std::clamp<int64_t>(position, 0, kTabPositionMask); }

StyleEntry NormalStyle(CorvaneDoc* doc) {
  StyleEntry entry;
  FetchDynamicStringArrayEntry(doc->styles, 0, &entry);
  return entry;
}

// The record a run names, repairing the run to the "Normal" style's record
// of the type when it names another type or none.
const Properties* RunRecord(CorvaneDoc* doc, CSArrayCP* runs, uint32_t runIndex, uint32_t type) {
  uint32_t index = kNoPropertyIndex;
  FetchDynamicCPArrayEntry(runs, runIndex, &index);
  const Properties* record = PropertiesAtIndex(doc, index);
  if (record && record->type == type) return record;
  const StyleEntry normal = NormalStyle(doc);
  const uint32_t repaired = type == kCharProperties ? normal.charProps : normal.props;
  if (runIndex < SizeOfDynamicCPArray(runs)) ReplaceDynamicCPArrayEntry(runs, runIndex, &repaired);
  record = PropertiesAtIndex(doc, repaired);
  return record && record->type == type ? record : nullptr;
}

bool IsKnotMark(char16_t unit) { return unit == kKnotMark0 || unit == kKnotMark1; }

// The paragraph holding cp as the pane shows it; `keep` tells whether the
// pane may cache it.
DocRange ParagraphRange(CorvaneDoc* doc, Pane* pane, uint32_t cp, bool* keep) {
  DocRange range;
  GetPaneRange(doc, pane, &range);
  const uint32_t first = range.first;
  const uint32_t last = range.limit > range.first ? range.limit - 1 : range.first;
  cp = std::clamp(cp, first, last);
  uint32_t bound = cp;

  // Past text the pane hides.
  for (uint32_t guard = 0; guard < doc->cpLimit && cp < last; ++guard) {
    KnotFormat knot;
    FetchKnot(doc, cp, &knot, 0);
    DocRange hidden;
    if (knot.index == kNoCpValue || ShouldShowKnot(knot, cp, pane, &hidden)) break;
    if (!CS_SAFE_ASSERT(hidden.limit > cp)) break;
    bound = std::min(bound, hidden.first);
    cp = std::min(hidden.limit, last);
  }

  // Back to the previous paragraph end; a hidden stretch of a knot is
  // passed over whole.
  DocumentUnitReader units(doc);
  uint32_t start = first;
  for (uint32_t at = bound; at > first; --at) {
    const uint32_t prev = at - 1;
    char16_t unit = units.at(prev);
    if (IsKnotMark(unit)) {
      KnotEntry entry;
      if (!KnotEntryAtCp(doc, prev, &entry)) {
        StoreCharacterAtCp(doc, prev, kStrayMarkCharacter);  // a mark of no knot
        unit = kStrayMarkCharacter;
      } else if (!IsParaBreak(unit) && (entry.role == kKinkMiddle || entry.role == kKinkEnd)) {
        KnotFormat knot;
        FetchKnot(doc, prev, &knot, 0);
        DocRange part;
        if (knot.index != kNoCpValue && prev > knot.start && !ShouldShowKnot(knot, prev - 1, pane, &part) &&
            part.first >= knot.start && part.first < prev) {
          at = std::max(knot.start, first) + 1;
          continue;
        }
      }
    }
    if (IsParaBreak(unit)) {
      start = at;
      break;
    }
  }

  // Forward to the paragraph's end.
  uint32_t limit = last + 1;
  for (uint32_t at = cp; at <= last;) {
    const char16_t unit = units.at(at);
    if (IsParaBreak(unit)) {
      limit = at + 1;
      break;
    }
    if (IsKnotMark(unit) && at + 1 <= last) {
      KnotFormat knot;
      FetchKnot(doc, at + 1, &knot, 0);
      DocRange hidden;
      if (knot.index != kNoCpValue && !ShouldShowKnot(knot, at + 1, pane, &hidden) && hidden.limit > at + 1) {
        at = hidden.limit;
        continue;
      }
    }
    ++at;
  }
  limit = std::min(limit, range.limit);

  if (keep) {
    const bool atChapter = pane && (pane->contentsKind == 0 || pane->contentsKind == 1) &&
                           IndexOfCpSafe(doc->chapterMarks, start) != kNoCpValue &&
                           CpAtIndex(doc->chapterMarks, IndexOfCpSafe(doc->chapterMarks, start)) == start;
    *keep = !atChapter;
  }
  return DocRange{doc, start, std::max(limit, start)};
}

}  // namespace

void FetchCharProps(CorvaneDoc* doc, DocRange* range, uint32_t cp, CharProps* props) {
  if (!doc) return;
  if (cp != 0 && !range) {
    KnotEntry entry;
    if (KnotEntryAtCp(doc, cp, &entry)) {
      if (entry.role == kKinkMiddle) {
        ++cp;
      } else if (entry.role == kKinkEnd) {
        --cp;
      } else if (entry.role == kKinkBegin && entry.type != kKnotBookmark && entry.type != kKnotTag) {
        ++cp;
      }
    }
  }
  const uint32_t count = SizeOfDynamicCPArray(doc->charRuns);
  if (count == 0) return;
  const uint32_t runIndex = std::min(IndexOfCp(doc->charRuns, cp), count - 1);
  if (range) {
    *range = DocRange{doc, CpAtIndex(doc->charRuns, runIndex), CpAtIndex(doc->charRuns, runIndex + 1)};
  }
  const Properties* record = RunRecord(doc, doc->charRuns, runIndex, kCharProperties);
  if (!props) return;
  if (record) *props = record->body.charProps;
  if (props->size < kMinCharSize || props->size > kMaxCharSize) props->size = kDefaultCharSize;
}

void FetchCharPropsFromSelection(CorvaneDoc* doc, CharProps* props) {
  const Pane* pane = CurrentPane(doc);
  if (!pane || !props) return;
  if (pane->end > pane->anchor && pane->anchor >= 0) {
    FetchCharProps(doc, nullptr, uint32_t(pane->anchor), props);
  } else {
    *props = pane->caretProps;
  }
  props->keylessSwitch6 = 0;
}

void FetchParaProps(CorvaneDoc* doc, Pane* pane, uint32_t cp, DocRange* range, ParaProps* props) {
  if (!doc) return;
  if (!pane) pane = CurrentPane(doc);
  DocRange paragraph;
  const bool cached = pane && !doc->noParaCache && IsMainThread();
  if (cached && pane->paraCacheFirst >= 0 && uint32_t(pane->paraCacheFirst) <= cp &&
      cp < uint32_t(pane->paraCacheLimit)) {
    paragraph = DocRange{doc, uint32_t(pane->paraCacheFirst), uint32_t(pane->paraCacheLimit)};
  } else {
    bool keep = false;
    paragraph = ParagraphRange(doc, pane, cp, &keep);
    if (cached) {
      pane->paraCacheFirst = keep ? int32_t(paragraph.first) : -1;
      pane->paraCacheLimit = keep ? int32_t(paragraph.limit) : -1;
    }
  }
  if (range) *range = paragraph;
  const uint32_t count = SizeOfDynamicCPArray(doc->paraRuns);
  if (count == 0) return;
  const uint32_t lastCp = paragraph.limit > paragraph.first ? paragraph.limit - 1 : paragraph.first;
  const uint32_t runIndex = std::min(IndexOfCp(doc->paraRuns, lastCp), count - 1);
  const Properties* record = RunRecord(doc, doc->paraRuns, runIndex, kParaProperties);
  if (props && record) *props = record->body.para;
}

void InvalParaCaches(CorvaneDoc* doc) {
  if (!doc) return;
  for (Pane& pane : doc->panes) OverridePaneContents(&pane, 0);
  ClearTableCache(doc);
}

uint32_t FetchChapterProps(CorvaneDoc* doc, uint32_t cp, DocRange* range, ChapterProps* props) {
  if (!doc) return 0;
  const uint32_t count = SizeOfDynamicCPArray(doc->chapterMarks);
  const uint32_t index = count ? std::min(IndexOfCp(doc->chapterMarks, cp), count - 1) : 0;
  const uint32_t first = count ? CpAtIndex(doc->chapterMarks, index) : 0;
  const uint32_t limit = count ? std::min(CpAtIndex(doc->chapterMarks, index + 1), doc->textLimit) : doc->textLimit;
  if (range) *range = DocRange{doc, first, limit};
  if (props) {
    Properties base;
    SetBaseProperties(kChapterProperties, &base);
    *props = base.body.chapter;
    KnotEntry entry;
    if (count && KnotEntryAtCp(doc, first, &entry)) {
      if (const Properties* record = PropertiesAtIndex(doc, entry.props);
          record && record->type == kChapterProperties)
        *props = record->body.chapter;
    }
  }
  return limit;
}

QString ChapterName(CorvaneDoc* doc, uint32_t chapter) {
  if (!doc || chapter >= SizeOfDynamicCPArray(doc->chapterMarks)) return QString(QLatin1String(""));
  const uint32_t begin = CpAtIndex(doc->chapterMarks, chapter);
  KnotFormat knot;
  FetchKnot(doc, begin, &knot, kKnotChapter);
  if (knot.index == kNoCpValue || knot.kinkCount < 2) return QString(QLatin1String(""));
  return RawTextString(doc, begin + 1, knot.kinks[1]);
}

QString ChapterDisplayName(CorvaneDoc* doc, uint32_t chapter) {
  const QString name = ChapterName(doc, chapter);
  if (!name.isEmpty()) return name;
  return FormatString("Chapter %d", int(chapter + 1));
}

int64_t ColumnWidth(CorvaneDoc* doc, const ChapterProps& props, uint32_t column) {
  if (props.custom && column < kMaxColumns) return props.columns[column];
  if (!doc) return 0;
  // A count of 0 would divide by nothing, and ten is the most columns kept.
  const int64_t columns = std::clamp<int64_t>(props.cols, 1, kMaxColumns);
  return (PageTextWidth(doc) - (columns - 1) * props.between) / columns;
}

void SetDefaultListProps(CorvaneDoc* doc, char16_t typedChar, Properties* record) {
  if (!record) return;
  ListMarker marker;
  switch (typedChar) {
    case u'#': marker.type = kMarkerCheck; break;
    case u'*': marker = ListMarker{kMarkerBullet, 0, kBullet, 0}; break;
    case u'-': marker = ListMarker{kMarkerBullet, 0, u'-', 0}; break;
    case u'1': marker = ListMarker{kMarkerNumber, 0, 0, u'.'}; break;
    default: InitProperties(kNoProperties, record, nullptr); return;
  }
  SetDefaultProperties(doc, kListProperties, record);
  record->body.list.mark[0] = marker;
}

void AddHeaderTabs(const DocRange& range, ParaProps* props) {
  CorvaneDoc* doc = range.doc;
  if (!doc || !props || props->tabCount >= kMaxTabs) return;
  const Pane* pane = CurrentPane(doc);
  const bool draft = doc->docProps.ignorem && pane && !pane->paneFlags[1];
  const int64_t width = draft ? DraftWidth(doc, nullptr) : PageTextWidth(doc);
  const auto lastTab = [&] {
    return props->tabCount ? int64_t(props->tabs[props->tabCount - 1] & kTabPositionMask) : -1;
  };
  const int64_t center = TabPosition((width + props->indentl - props->indentr) / 2);
  if (lastTab() < center) AddTab(props, props->tabCount, kCenterTab | TabStop(center));
  const int64_t right = TabPosition(width - props->indentr);
  if (props->tabCount < kMaxTabs && lastTab() < right) AddTab(props, props->tabCount, kRightTab | TabStop(right));
}
