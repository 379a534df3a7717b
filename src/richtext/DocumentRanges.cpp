#include <algorithm>

#include "richtext/CorvaneDoc.h"
#include "richtext/Editing.h"
#include "richtext/Knots.h"
#include "richtext/Panes.h"
#include "richtext/PropertyRuns.h"
#include "richtext/TextAccess.h"
#include "support/DynamicArrays.h"
#include "support/TextUtilities.h"

namespace {

struct Reader {
  CorvaneDoc* doc;
};

// The document's units for the word and sentence scanners; knot marks read
// as a letter, so that a word runs across them.
char16_t ReadDocumentUnit(int32_t position, void* context, bool* stop) {
  auto* reader = static_cast<Reader*>(context);
  if (position < 0 || uint32_t(position) >= reader->doc->cpLimit) {
    if (stop) *stop = true;
    return 0;
  }
  const char16_t unit = CharacterAtCp(reader->doc, uint32_t(position));
  return unit == kKnotMark0 || unit == kKnotMark1 ? u'a' : unit;
}

}  // namespace

uint32_t FirstVisibleCp(CorvaneDoc* doc) {
  Pane* pane = CurrentPane(doc);
  if (!pane) return 0;
  if (pane->contentsFlags[0] || pane->contentsKind == 3 || pane->contentsKind == 6) return 0;
  return FirstVisibleCpInPara(doc, pane, 0);
}

void GetScanRange(CorvaneDoc* doc, uint32_t kind, bool fromStart, DocRange* range) {
  if (!range) return;
  Pane* pane = CurrentPane(doc);
  GetPaneRange(doc, pane, range);
  if (!doc || !pane) return;
  if (kind == 1 || pane->objectSelection != kNoCpValue) {
    if (fromStart) *range = DocRange{doc, 0, doc->cpLimit};
    return;
  }
  const uint32_t from = uint32_t(kind == 23 ? pane->anchor : pane->end);
  if (!fromStart) {
    range->first = from;
  } else {
    *range = DocRange{doc, from == FirstVisibleCp(doc) ? 0 : from, doc->cpLimit};
  }
}

void GetBackwardScanRange(CorvaneDoc* doc, bool wholeText, bool fromStart, DocRange* range) {
  if (!range) return;
  Pane* pane = CurrentPane(doc);
  GetPaneRange(doc, pane, range);
  if (!doc || !pane) return;
  if (wholeText) {
    range->limit = doc->textLimit - 1;
  } else if (pane->objectSelection == kNoCpValue &&
             !(fromStart && uint32_t(pane->anchor) == FirstVisibleCp(doc))) {
    range->limit = uint32_t(pane->anchor);
  }
  if (fromStart) range->first = 0;
}

void ClearArraysForReadCore(CorvaneDoc* doc) {
  if (!doc) return;
  for (CSArrayCP* array :
       {doc->bookmarkMarks, doc->findMarks, doc->markArray2, doc->tableMarks, doc->listMarks, doc->listNumberCache})
    ClearDynamicCPArray(array, doc->cpLimit);
  SetMaxCp(doc->proofRuns, doc->cpLimit);
}

void ClearArraysForRead(CorvaneDoc* doc) {
  if (!doc) return;
  ClearArraysForReadCore(doc);
  ClearDynamicCPArray(doc->chapterMarks, doc->cpLimit);
  ClearDynamicCPArray(doc->knots, doc->cpLimit);
}

bool NewMoveDoc(const DocRange* source, DocRange* out) {
  if (out) *out = DocRange{};
  if (source) {
    CorvaneDoc* doc = NewDocWithRangeCopy(source, kTemporaryDocument, true);
    if (!doc) return false;
    if (out) *out = DocRange{doc, FirstDocumentCp(doc), doc->textLimit};
    else DestroyDocument(doc);
    return true;
  }
  CorvaneDoc* doc = NewCorvaneDoc(kTemporaryDocument);
  if (!doc) return false;
  if (out) *out = DocRange{doc, FirstDocumentCp(doc), doc->textLimit - 1};
  return true;
}

uint32_t WordStart(CorvaneDoc* doc, Pane* pane, uint32_t cp) {
  if (!doc) return cp;
  DocRange range;
  GetPaneRange(doc, pane, &range);
  Reader reader{doc};
  return uint32_t(StartOfWord(int32_t(cp), int32_t(range.first), int32_t(range.limit), ReadDocumentUnit, &reader));
}

uint32_t WordLimit(CorvaneDoc* doc, Pane* pane, uint32_t cp, bool includeBlanks) {
  if (!doc) return cp;
  DocRange range;
  GetPaneRange(doc, pane, &range);
  Reader reader{doc};
  const int32_t last = int32_t(range.limit > range.first ? range.limit - 1 : range.first);
  return uint32_t(EndOfWord(int32_t(cp), int32_t(range.first), last, ReadDocumentUnit, includeBlanks, &reader));
}

uint32_t SentenceStart(CorvaneDoc* doc, uint32_t cp) {
  if (!doc) return cp;
  DocRange paragraph;
  FetchParaProps(doc, nullptr, cp, &paragraph, nullptr);
  Reader reader{doc};
  return uint32_t(
      StartOfSentence(int32_t(cp), int32_t(paragraph.first), int32_t(paragraph.limit), ReadDocumentUnit, &reader));
}

uint32_t SentenceLimit(CorvaneDoc* doc, uint32_t cp) {
  if (!doc) return cp;
  DocRange paragraph;
  FetchParaProps(doc, nullptr, cp, &paragraph, nullptr);
  Reader reader{doc};
  return uint32_t(
      EndOfSentence(int32_t(cp), int32_t(paragraph.first), int32_t(paragraph.limit), ReadDocumentUnit, &reader));
}
