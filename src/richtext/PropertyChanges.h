#pragma once
// Changing the formatting of stretches of text: splitting the run arrays at
// a range's ends, applying a record to a range, widening ranges to words,
// paragraphs, chapters, tables or lists, and the deferred-display bracket
// that gathers the redraws of many changes into one.

#include <cstdint>

#include "richtext/CorvaneDoc.h"

class CSArrayCP;

// A char record whose style is this keeps each run's own style when applied.
constexpr uint16_t kKeepRunStyle = 65534;

// ExpandDocRange modes.
enum ExpandMode : uint32_t {
  kExpandWords = 0,
  kExpandParagraphs = 1,
  kExpandChapters = 2,
  kExpandTables = 4,
  kExpandLists = 5,
};

// Splits the run array of the type (char or para) at the range's limit and
// first cp (the range widened to paragraphs first when `toParagraphs` and
// the type is para; the range used goes to `outRange`). The run at the
// first cp gets `propIndex`, or keeps its record when that is
// kNoPropertyIndex. Answers the index of the range's first run and stores
// the index of the run at its limit; -1 when a run can't be inserted.
int32_t SplitRuns(const DocRange* range, DocRange* outRange, uint32_t type, uint32_t* outLimitIndex,
                  uint32_t propIndex, bool toParagraphs);
// The property index of the run holding cp, and the run's index.
uint32_t RunIndexForCp(CSArrayCP* runs, uint32_t cp, uint32_t* outIndex);
// Makes a run of the index start at cp. False when it can't be inserted.
bool EnforceFormatAtCp(CSArrayCP* runs, uint32_t cp, uint32_t propIndex);
// Gives the range (widened to paragraphs for a para record) one run of the
// record between knots; a char record of style kKeepRunStyle is applied
// run by run, each run keeping its style. `undo` 0 asks for no undo entry.
// False for other record types, a refused undo or a failed interning.
bool ApplyPropsToRange(const DocRange* range, const Properties* props, uint32_t undo);
// Widens the range by the mode; nothing when the document's expansion lock
// is set or the mode is none of the above.
void ExpandDocRange(DocRange* range, uint32_t mode);

// The deferred-display bracket (main thread only). While it is open, edits
// gather their ranges into one instead of redrawing.
void DeferDisplay();
// Closes one level; at the last, the gathered range is released and, with a
// reason other than 0, redrawn.
void UndeferDisplay(uint32_t reason);
bool IsDisplayDeferred();
// Invalidates the range's lines and widens the gathered range by it.
void AccumulateDefer(const DocRange* range);
// The gathered range, or null when there is none.
const DocRange* DeferredDisplayRange();

// Marks the text of the range for redrawing in every pane with a view
// (from its paragraph's start when asked, else from one cp before it).
void InvalText(const DocRange* range, bool fromParagraphStart);
// Redraws after an edit; the host's views redraw what was invalidated on
// their own, so there is nothing to do.
void InvalAfterEdit(CorvaneDoc* doc, uint32_t cp);

// After a change of properties over the range: invalidates it and redraws,
// or gathers it while display is deferred.
void FinishPropertyEdit(const DocRange* range, uint32_t redrawMode);
