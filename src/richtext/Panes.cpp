#include "richtext/Panes.h"

#include <QRectF>
#include <algorithm>
#include <new>

#include "richtext/CorvaneHost.h"
#include "richtext/Knots.h"
#include "support/DynamicArrays.h"

namespace {

constexpr float kPaneMargin = 12.0f;
constexpr uint32_t kDisplayLineRoom = 50;

bool g_failDisplayLineCache = false;

void ClearPane(Pane* pane) {
  FreeDynamicArray(pane->displayLines);
  new (pane) Pane;
}

bool InitPane(CorvaneDoc* doc, Pane* pane, QObject* view, int32_t contentsKind, uint32_t chapterIndex) {
  ClearPane(pane);
  pane->view = view;
  pane->zoom = 1.0f;
  pane->contentsKind = contentsKind;
  pane->chapterIndex = contentsKind > 1 ? chapterIndex : kNoCpValue;
  DocRange range;
  GetPaneRange(doc, pane, &range);
  pane->firstCp = int32_t(range.first);
  if (!IsPasswordLocked(doc)) pane->firstCp = int32_t(VisibleCp(doc, pane, range.first, true));
  pane->anchor = pane->end = pane->firstCp;
  pane->displayLines =
      g_failDisplayLineCache ? nullptr : CreateDynamicCPArray(sizeof(DisplayLine), kDisplayLineRoom, range.limit, 0);
  if (!pane->displayLines) return false;
  if (pane->anchor == pane->end) {
    SetInsertionPropsFromText(doc, pane);
    OverridePaneContents(pane, 0);
  }
  pane->margin = kPaneMargin;
  return true;
}

// One step over a mark at cp that the pane does not stop at; the cp after
// (or before) it.
uint32_t StepOverMark(CorvaneDoc* doc, Pane* pane, uint32_t cp, bool forward, const KnotEntry& entry) {
  const bool wholeKnot =
      entry.type == kKnotChapter || entry.type == kKnotShorthand ||
      (entry.type == kKnotBookmark && (doc->kind == kHelpDocument || pane->contentsKind == 0 || pane->contentsKind > 3));
  if (wholeKnot) {
    KnotFormat knot;
    FetchKnot(doc, cp, &knot, entry.type);
    if (knot.index != kNoCpValue) return forward ? knot.limit : (knot.start > 0 ? knot.start - 1 : kNoCpValue);
  }
  return forward ? cp + 1 : (cp > 0 ? cp - 1 : kNoCpValue);
}

bool StopsAtMark(const KnotEntry& entry) {
  return entry.type == kKnotCheckbox || entry.type == kKnotDivider || entry.type == kKnotPicture ||
         entry.type == kKnotVariable;
}

}  // namespace

Pane* PaneAtIndex(CorvaneDoc* doc, uint32_t index) {
  if (!doc || index > 1) return nullptr;
  return &doc->panes[index];
}

uint32_t PaneCountForDoc(CorvaneDoc* doc) { return doc ? doc->paneCount : 0; }

bool SetupPane(CorvaneDoc* doc, QObject* view, int32_t contentsKind, uint32_t chapterIndex) {
  if (!doc || doc->paneCount >= 2) return false;
  const uint32_t savedCurrent = doc->currentPane;
  const uint32_t slot = doc->paneCount;
  doc->currentPane = slot;
  ++doc->paneCount;
  if (!InitPane(doc, &doc->panes[slot], view, contentsKind, chapterIndex)) {
    ClearPane(&doc->panes[slot]);
    doc->paneCount = slot;
    doc->currentPane = savedCurrent;
    return false;
  }
  return true;
}

Pane* CurrentPane(CorvaneDoc* doc) {
  if (!doc) return nullptr;
  if (doc->overridePane) return doc->overridePane;
  if (doc->paneCount == 0 && !SetupPane(doc, nullptr, 1, kNoCpValue)) {
    // Callers never get null for a document: one shared pane, made afresh
    // for each, serves when no pane can be set up.
    static Pane failSafe;
    if (!InitPane(doc, &failSafe, nullptr, 1, kNoCpValue)) failSafe.margin = kPaneMargin;
    return &failSafe;
  }
  if (doc->currentPane >= doc->paneCount) doc->currentPane = 0;
  return &doc->panes[doc->currentPane];
}

bool EnsurePaneExists(CorvaneDoc* doc) {
  if (!doc) return false;
  return doc->paneCount > 0 || SetupPane(doc, nullptr, 1, kNoCpValue);
}

void FreePane(CorvaneDoc* doc, uint32_t index) {
  if (!doc || index >= doc->paneCount || index > 1) return;
  ClearPane(&doc->panes[index]);
  const bool wasLast = index + 1 == doc->paneCount;
  --doc->paneCount;
  if (wasLast) {
    if (doc->currentPane > 0) --doc->currentPane;
  } else {
    doc->panes[index] = doc->panes[index + 1];
    new (&doc->panes[index + 1]) Pane;  // the cache now belongs to the moved pane
  }
}

void FreeAllPanes(CorvaneDoc* doc) {
  if (!doc) return;
  for (uint32_t i = doc->paneCount; i > 0; --i) FreePane(doc, i - 1);
  for (Pane& pane : doc->panes) ClearPane(&pane);
  doc->paneCount = 0;
  doc->overridePane = nullptr;
  doc->currentPane = 0;
}

void OverridePaneContents(Pane* pane, int32_t) {
  if (!pane) return;
  pane->paraCacheFirst = -1;
  pane->paraCacheLimit = -1;
}

void SetDummyPane(Pane* pane, bool fullAccess) {
  if (!pane) return;
  // The pane may have been set up: its cache goes with the old contents.
  ClearPane(pane);
  pane->contentsKind = 4;
  pane->contentsFlags[0] = fullAccess ? 1 : 0;
  pane->objectSelection = kNoCpValue;
}

void SetFullAccessDisplayOptions(Pane* pane, PaneDisplayOptions* saved) {
  if (!pane) return;
  if (saved) *saved = PaneDisplayOptions{pane->contentsKind, pane->chapterIndex, pane->contentsFlags[0]};
  OverridePaneContents(pane, 4);
  pane->contentsFlags[0] = 1;
}

void RestoreDisplayOptions(Pane* pane, const PaneDisplayOptions& saved) {
  if (!pane) return;
  pane->contentsKind = saved.contentsKind;
  pane->chapterIndex = saved.chapterIndex;
  pane->contentsFlags[0] = saved.fullAccess;
  OverridePaneContents(pane, saved.contentsKind);
}

bool SetDisplayLineCacheFailure(bool fail) {
  const bool previous = g_failDisplayLineCache;
  g_failDisplayLineCache = fail;
  return previous;
}

uint32_t VisibleCp(CorvaneDoc* doc, Pane* pane, uint32_t cp, bool forward) {
  if (!doc || !pane || pane->contentsFlags[0]) return cp;
  DocRange range;
  GetPaneRange(doc, pane, &range);
  const uint32_t last = range.limit > range.first ? range.limit - 1 : range.first;
  uint32_t at = cp;
  // Each step moves at least one cp, so the walk ends within the range.
  for (uint32_t steps = 0; steps <= doc->cpLimit; ++steps) {
    if (at == kNoCpValue || at < range.first) {
      if (!forward) return VisibleCp(doc, pane, range.first, true);
      at = range.first;
    }
    if (at >= last) return last;
    KnotEntry entry;
    if (!KnotEntryAtCp(doc, at, &entry)) return at;
    if (pane->contentsFlags[1]) {
      if (entry.role == kKinkSingle || entry.role == kKinkBegin) return at;
      at = forward ? at + 1 : (at > 0 ? at - 1 : kNoCpValue);
      continue;
    }
    if (StopsAtMark(entry)) return at;
    at = StepOverMark(doc, pane, at, forward, entry);
  }
  return last;
}

int64_t DraftWidth(CorvaneDoc* doc, Pane* pane) {
  if (!doc) return 0;
  if (!pane) pane = CurrentPane(doc);
  if (doc->fitToWindow) {
    QRectF view;
    GetViewRect(&view, doc, pane);
    const double zoom = pane && pane->zoom > 0 ? pane->zoom : 1.0;
    const double margin = pane ? pane->margin : kPaneMargin;
    return int64_t((view.width() - 2.0 * margin / zoom) * double(kMeasurePerPoint));
  }
  return int64_t(doc->pageWidth) * kMeasurePerPoint - doc->docProps.left - doc->docProps.right;
}

uint32_t FirstVisibleCpInPara(CorvaneDoc* doc, Pane* pane, uint32_t cp) {
  if (!doc || !pane || pane->contentsFlags[0]) return cp;
  if (pane->contentsKind >= 2) return VisibleCp(doc, pane, cp, true);
  for (uint32_t guard = 0; guard <= doc->cpLimit && cp < doc->cpLimit; ++guard) {
    KnotEntry entry;
    if (!KnotEntryAtCp(doc, cp, &entry)) return cp;
    const auto pastEnd = [&] {
      const uint32_t limit = KnotLimitCp(doc, cp);
      return limit == kNoCpValue || limit <= cp ? cp + 1 : limit;
    };
    switch (entry.type) {
      case kKnotBookmark:
        if (pane->contentsKind == 1) return cp;
        cp = pastEnd();
        break;
      case kKnotChapter:
        cp = pastEnd();
        break;
      case kKnotNote:
        if (pane->contentsKind == 1) return cp + 1;
        cp = pastEnd();
        break;
      case kKnotList:
      case kKnotRow:
      case kKnotContents:
        cp += 1;
        break;
      case kKnotTable:
        cp += 2;
        break;
      case kKnotContentsEntry:
        return cp + 1;
      default:
        return cp;
    }
  }
  return std::min(cp, doc->textLimit);
}
