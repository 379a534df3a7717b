#pragma once
// Live ranges: ranges registered on the current thread that every edit of
// their document moves (the editing code adjusts them). The table grows as
// needed; it hangs from the thread's engine storage block, so a thread
// without that block (made at start-up) registers nothing.

#include <cstdint>
#include <vector>

#include "richtext/CorvaneDoc.h"

// Mode bits.
constexpr uint32_t kLiveRangeOnce = 1;        // a second registration does nothing
constexpr uint32_t kLiveRangeForget = 2;      // dropped at the next edit
constexpr uint32_t kLiveRangeMoveAtEnd = 4;   // a range starting at the edit's end moves with it
constexpr uint32_t kLiveRangeCaretLimit = 8;  // a caret's limit follows its start

// False when the thread has no storage block or memory fails.
bool RegisterRange(DocRange* range, uint32_t mode);
// Removes the range's latest registration.
void UnregisterRange(DocRange* range);
bool IsRangeRegistered(const DocRange* range);

struct LiveRange {
  DocRange* range;
  uint32_t mode;
};
// The thread's registrations, oldest first; null without a storage block.
const std::vector<LiveRange>* LiveRangesOfThread();

// Moves the range after an edit of `edited` (cps before the edit) that
// changed the text's length by delta, as the mode bits say.
void AdjustRange(DocRange* range, const DocRange* edited, int32_t delta, uint32_t mode);
// Moves every range registered for the edited document and forgets those of
// mode kLiveRangeForget.
void AdjustLiveRanges(const DocRange* edited, int32_t delta);
