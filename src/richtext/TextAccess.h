#pragma once
// Reading a document's characters through its piece table: raw access by
// cp, and copies of stretches into buffers and strings.

#include <QString>
#include <cstdint>

#include "richtext/CorvaneDoc.h"

// The unit at cp inside its piece (a cp at or past cpLimit reads as the
// closing mark); `pieceLimit` receives where the next piece starts, so that
// a caller reads forward only up to it.
const char16_t* DocumentTextPtr(CorvaneDoc* doc, uint32_t cp, uint32_t* pieceLimit);
// The same for reading backward: `pieceStart` receives the piece's first cp.
const char16_t* DocumentTextPtrBackward(CorvaneDoc* doc, uint32_t cp, uint32_t* pieceStart);
char16_t CharacterAtCp(CorvaneDoc* doc, uint32_t cp);

// Reads units by cp as CharacterAtCp does, looking a piece up only when a
// cp leaves the one read last: for scans that step a cp at a time. Valid
// while the document's text is not edited (units stored in place are seen).
class DocumentUnitReader {
 public:
  explicit DocumentUnitReader(CorvaneDoc* doc) : m_doc(doc) {}
  char16_t at(uint32_t cp) {
    if (cp - m_first < m_limit - m_first && m_text) return m_text[cp - m_first];
    return refill(cp);
  }

 private:
  char16_t refill(uint32_t cp);
  CorvaneDoc* m_doc;
  const char16_t* m_text = nullptr;  // the unit at m_first
  uint32_t m_first = 0, m_limit = 0;
};
// Overwrites the unit at cp (below cpLimit) in place; its address, or null.
char16_t* StoreCharacterAtCp(CorvaneDoc* doc, uint32_t cp, char16_t unit);
// Copies min(limit - cp, *count) units from cp into the buffer, across
// pieces, and stores that number in *count (0 when limit <= cp). The limit
// is kept within cpLimit.
void FetchText(CorvaneDoc* doc, uint32_t cp, uint32_t limit, char16_t* buffer, uint32_t* count);
// The units of the range, knot marks included; empty for an empty range.
QString RawTextString(CorvaneDoc* doc, uint32_t start, uint32_t limit);

// A length and up to 255 units, then a 0 unit.
struct CountedString {
  uint16_t length = 0;
  char16_t units[256] = {};
};
constexpr uint32_t kMaxCountedUnits = 255;
// The range's first 255 units; answers the length.
uint32_t FetchUstringFromRange(const DocRange& range, CountedString* string);
