#pragma once
// The one replacement every change of a document's text goes through: a
// range replaced by text or by a range of the same or another document, with
// the piece table, every cp-keyed array, the property runs, the live ranges
// and the panes kept in step; the length limit; copies of ranges into new
// documents; knot insertion and deletion; the caret codes of find strings.

#include <QString>
#include <cstdint>
#include <vector>

#include "richtext/CorvaneDoc.h"

struct KnotFormat;

// Delete-mask bits: which element lists lost entries during a replacement.
constexpr uint32_t kDeletedBookmarks = 1u << 0;
constexpr uint32_t kDeletedChapters = 1u << 1;
constexpr uint32_t kDeletedLists = 1u << 3;
constexpr uint32_t kDeletedTables = 1u << 5;
constexpr uint32_t kDeletedMarks = 1u << 6;

// Whether a document of `cpLimit` units may replace `removed` units by
// `inserted`: the result must stay at most kMaxDocumentCps long.
bool CheckDocumentLength(uint64_t cpLimit, uint64_t removed, uint64_t inserted);

// Replaces dest by the source range (used when force is set or it is not
// empty) or by `length` units of text. Without force the replacement runs
// stretch by stretch so that knot marks stay paired and the marks knots rely
// on stay; with force (documents being built) dest is replaced as it is.
// False when the result would be too long (the document's over-limit flag is
// set) or memory fails (what was inserted is taken out again).
bool ReplaceRangeCore(const DocRange* dest, const DocRange* source, const char16_t* text, uint32_t length,
                      bool force);
bool ReplaceRangeFromRange(const DocRange* dest, const DocRange* source);
bool ReplaceRangeWithText(const DocRange* dest, const char16_t* text, uint32_t length);
// True at once for an empty range.
bool DeleteTextInRange(const DocRange* range);
// Knot marks (0 and 1) in the string become spaces.
bool ReplaceRangeWithString(const DocRange* dest, const QString& string);
// The text-store replacement alone: no knot pairing, no property copying.
// `outRange` (when given) receives the replaced range's new extent.
bool ReplaceRangeSimple(const DocRange* dest, DocRange* outRange, const char16_t* text, uint32_t length);
bool ReplaceRangeSimpleWithString(const DocRange* dest, DocRange* outRange, const QString& string);

// What the last ReplaceRangeCore did: the stretches it deleted (in the
// document's cps before the edit, ascending) and the cp its insertion went
// to. Tests and the find code read it.
struct ReplaceReport {
  std::vector<DocRange> deleted;
  uint32_t insertedAt = kNoCpValue;
  uint32_t insertedLength = 0;
};
const ReplaceReport& LastReplaceReport();
// The cp after the last replacement; kNoCpValue before the first.
uint32_t LastReplaceCp();

// A new document of the kind holding a copy of the source; null on failure.
CorvaneDoc* NewDocWithRangeCopy(const DocRange* source, int32_t kind, bool force);

// The panes follow an edit of `edited` (cps before it) that changed the
// length by delta: their line caches, selections and cached paragraphs, and
// the document's table caches.
void AdjustDisplay(const DocRange* edited, int32_t delta);

// Deletes the array's entries at cps first to limit - 1 of `edited`; with
// `keepFirst` the array's first entry always stays. Sets `maskBit` in the
// delete mask when any went.
void DeleteEntriesInRange(const DocRange* edited, CSArrayCP* cpArray, bool keepFirst, uint32_t maskBit);
// The delete mask of the current (or last) replacement.
uint32_t CurrentDeleteMask();

// Closes one deferred-display level when one is open and reports a refused
// over-long edit of the document with an alert.
void IdleEdit(CorvaneDoc* doc);

// Knots. `props` holds `propsCount` records for the first kinks (a record of
// type kNoProperties gives none); `extras` 12 bytes for each of the first
// `extrasCount` kinks (word1, word2, word3 and opacity of the entry). With
// `wrap` the marks go around the range's text, else the text is replaced.
bool InsertKnotCore(const DocRange* range, uint32_t type, uint32_t kinkCount, uint32_t propsCount,
                    const Properties* props, uint32_t extrasCount, const uint8_t* extras, bool wrap);
// `props` and `extras` (when given) are those of the first mark.
bool InsertKnot(const DocRange* range, uint32_t type, uint32_t kinkCount, const Properties* props,
                const uint8_t* extras, bool wrap);
// A middle mark of the knot whose begin mark is at knotCp, at cp.
bool InsertKink(CorvaneDoc* doc, uint32_t cp, uint32_t knotCp, const Properties* props, const uint8_t* extras);
// Deletes every mark of the knot, last first; the format's limit shrinks by
// the marks removed.
void DeleteKnot(KnotFormat* format);

// Caret codes of find strings.
QString SubstituteCodes(const QString& string);
QString TranslateCodes(const QString& string, bool whole);
