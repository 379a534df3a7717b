#pragma once
// The process-wide find: what is sought (text, formatting, a style, a
// picture, a checkbox, a divider, references to a bookmark or broken ones),
// the options, and the searches and replacements over a document.
// A match becomes the current pane's selection.

#include <QString>
#include <cstdint>

#include "richtext/CorvaneDoc.h"

// What is sought.
enum FindType : uint32_t {
  kFindNone = 0,
  kFindBookmarkRefs = 1,
  kFindBrokenLinks = 2,
  kFindCharFormat = 3,
  kFindCheckbox = 4,
  kFindDivider = 5,
  kFindParaFormat = 6,
  kFindPicture = 7,
  kFindStyle = 8,
  kFindText = 9,
};

// Find option bits.
constexpr uint32_t kFindWholeWords = 1;
constexpr uint32_t kFindIgnoreCase = 2;
constexpr uint32_t kFindWrap = 4;
constexpr uint32_t kFindFromStart = 8;  // a caller's flag, never stored

// Find and replacement strings keep at most this many units.
constexpr int kMaxFindUnits = 255;

// Stores both strings after caret-code translation and sets the type from
// the find string.
void SetFindStrings(const QString& find, const QString& replacement);
// The plain text of the selection becomes the find (or replacement)
// string, trimmed of surrounding spaces when whole words are sought.
void SetFindText(const DocRange& selection);
void SetReplaceText(const DocRange& selection);
// Seeks the selection's paragraph formatting when it covers whole
// paragraphs, else its character formatting.
void SetFindFormat(CorvaneDoc* doc);
// Seeks a style (-1: the selection's paragraph style).
void SetFindStyle(CorvaneDoc* doc, int32_t styleNumber);
uint32_t FindOptions();
void SetFindOptions(uint32_t options);
void SetFindSequence(uint32_t sequence);
uint32_t FindType();
// The strings with their special characters as caret codes.
QString FindString();
QString ReplacementString();
bool FindingText();
bool MayFindNext();
bool MayFindPrevious();
void WipeFindState();
// Matches replaced by the last replacement.
uint32_t ReplaceCount();

// Finds the next match after the selection (from the pane's start with
// `fromStart`) and selects it. With a cancel flag the find is silent: the
// match is reported to the host instead of flashed, nothing beeps, and a
// set flag ends the search. A help document is searched through all its
// chapters, not only the pane's; its matches go to the host to be shown.
bool FindNext(CorvaneDoc* doc, bool fromStart, const bool* cancelFlag = nullptr);
bool FindPrevious(CorvaneDoc* doc);
// The references to a bookmark, one picture, and references to bookmarks
// that no longer exist; each becomes the current find.
bool FindBookmarkRef(CorvaneDoc* doc, uint32_t bookmark);
bool FindPicture(CorvaneDoc* doc, uint32_t picture);
bool FindBrokenLink(CorvaneDoc* doc, bool forward, bool fromStart);
// Forgets the document's highlighted found ranges (redrawing them) and
// refreshes the host's count.
void InvalidateFindResults(CorvaneDoc* doc);
// Searches for the string forward from the selection's end (options as the
// find options, kFindFromStart included); selects a match when asked.
bool FindText(CorvaneDoc* doc, const QString& string, uint32_t options, bool select, const bool* cancelFlag,
              bool silent);
// The text search itself over `scan` (forward, or backward for the last
// match); the match goes to `found`.
bool FindTextInRange(CorvaneDoc* doc, const QString& string, uint32_t options, const DocRange& scan, bool forward,
                     DocRange* found);

// Replaces the selection by the replacement string (all matches with
// `replaceAll`); then, with `findAgain`, finds the next match.
bool ReplaceText(CorvaneDoc* doc, bool replaceAll, bool findAgain, bool forward, bool withUndo);
// The replacement as it goes over a found text with ignore case: taking the
// found text's capitals.
QString MatchReplacementCase(const QString& replacement, const QString& found);
