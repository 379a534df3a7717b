#pragma once
// Variables: knots whose shown text is computed (the document's date and
// time, references to bookmarks, ...), and the date and time texts they use.
// A variable knot's word1 is its kind, word2 the GUID index of the bookmark
// it refers to and word3 its display format.

#include <QString>
#include <cstdint>

#include "richtext/CorvaneDoc.h"

struct CountedString;
struct KnotFormat;

enum VariableKind : uint32_t {
  kVariableBookmarkRef = 0,
  kVariableChapterName = 1,
  kVariableChapterNumber = 2,
  kVariableChapterNumber1 = 3,
  kVariableDate = 4,
  kVariableDocName = 5,
  kVariableEndRef = 6,
  kVariableLink = 7,
  kVariablePageCount = 8,
  kVariableWordCount = 9,
  kVariablePageNumber = 10,
  kVariableBookmarkPage = 11,
  kVariablePictureNumber = 12,
  kVariableTime = 13,
  kVariableBookmarkRefPage = 14,
  kVariableLinkPage = 15,
};

constexpr uint32_t kSecondsPerDay = 86400;

// The text of a variable: the document's time (kind 13) or date (kind 4) in
// the format, the referred bookmark's shown name for kinds 0 and 7 ("???"
// when it is empty or gone), "?" for every other kind.
QString VariableString(CorvaneDoc* doc, Pane* pane, uint32_t cp, uint32_t kind, uint32_t format, uint32_t guidIndex);
QString VariableStringForKnot(const KnotFormat& knot, Pane* pane);
// The same as a counted string of at most 255 units ("?" when empty).
void GetVariableUstring(const KnotFormat& knot, Pane* pane, CountedString* string);

// A day index as text in one of the date formats; the year in two digits
// with `shortYear`. A day index that is no valid date gives the
// unknown-date text.
QString FormatCorvaneDate(int32_t dayIndex, uint32_t format, bool shortYear);
// Seconds since midnight (taken modulo a day) in one of the time formats;
// "AM"/"PM", or "am"/"pm" without `upperCase`.
QString FormatCorvaneTime(uint32_t seconds, uint32_t format, bool upperCase);

// Variables are computed when shown: there is nothing to invalidate.
inline void InvalPageClientVariables(CorvaneDoc*) {}
inline void InvalVariables(CorvaneDoc*) {}
