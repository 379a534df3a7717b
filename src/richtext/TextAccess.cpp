#include "richtext/TextAccess.h"

#include <algorithm>

#include "support/CSAssert.h"
#include "support/DynamicArrays.h"

namespace {

// The piece holding cp: its text pointer, first cp and limit.
bool PieceAt(CorvaneDoc* doc, uint32_t cp, char16_t** text, uint32_t* first, uint32_t* limit) {
  if (!doc || !doc->pieces || doc->cpLimit == 0) return false;
  cp = std::min(cp, doc->cpLimit - 1);
  const uint32_t index = IndexOfCp(doc->pieces, cp);
  if (index >= SizeOfDynamicCPArray(doc->pieces)) return false;
  char16_t* start = nullptr;
  *first = FetchDynamicCPArrayEntry(doc->pieces, index, &start);
  *limit = std::min(CpAtIndex(doc->pieces, index + 1), doc->cpLimit);
  if (!CS_SAFE_ASSERT(start && *first <= cp && cp < *limit)) return false;
  *text = start;
  return true;
}

}  // namespace

const char16_t* DocumentTextPtr(CorvaneDoc* doc, uint32_t cp, uint32_t* pieceLimit) {
  char16_t* text = nullptr;
  uint32_t first = 0, limit = 0;
  if (!PieceAt(doc, cp, &text, &first, &limit)) return nullptr;
  cp = std::min(cp, doc->cpLimit - 1);
  if (pieceLimit) *pieceLimit = limit;
  return text + (cp - first);
}

const char16_t* DocumentTextPtrBackward(CorvaneDoc* doc, uint32_t cp, uint32_t* pieceStart) {
  char16_t* text = nullptr;
  uint32_t first = 0, limit = 0;
  if (!PieceAt(doc, cp, &text, &first, &limit)) return nullptr;
  cp = std::min(cp, doc->cpLimit - 1);
  if (pieceStart) *pieceStart = first;
  return text + (cp - first);
}

char16_t CharacterAtCp(CorvaneDoc* doc, uint32_t cp) {
  const char16_t* unit = DocumentTextPtr(doc, cp, nullptr);
  return unit ? *unit : 0;
}

char16_t DocumentUnitReader::refill(uint32_t cp) {
  char16_t* text = nullptr;
  uint32_t first = 0, limit = 0;
  if (!m_doc || cp >= m_doc->cpLimit || !PieceAt(m_doc, cp, &text, &first, &limit)) {
    m_text = nullptr;
    return CharacterAtCp(m_doc, cp);
  }
  m_text = text;
  m_first = first;
  m_limit = limit;
  return text[cp - first];
}

char16_t* StoreCharacterAtCp(CorvaneDoc* doc, uint32_t cp, char16_t unit) {
  if (!doc || cp >= doc->cpLimit) return nullptr;
  char16_t* text = nullptr;
  uint32_t first = 0, limit = 0;
  if (!PieceAt(doc, cp, &text, &first, &limit)) return nullptr;
  text[cp - first] = unit;
  return text + (cp - first);
}

void FetchText(CorvaneDoc* doc, uint32_t cp, uint32_t limit, char16_t* buffer, uint32_t* count) {
  if (!count) return;
  if (!doc || !buffer) {
    *count = 0;
    return;
  }
  limit = std::min(limit, doc->cpLimit);
  const uint32_t wanted = limit > cp ? std::min(limit - cp, *count) : 0;
  uint32_t copied = 0;
  while (copied < wanted) {
    uint32_t pieceLimit = 0;
    const char16_t* text = DocumentTextPtr(doc, cp + copied, &pieceLimit);
    if (!text || !CS_SAFE_ASSERT(pieceLimit > cp + copied)) break;
    const uint32_t n = std::min(wanted - copied, pieceLimit - (cp + copied));
    std::copy(text, text + n, buffer + copied);
    copied += n;
  }
  *count = copied;
}

QString RawTextString(CorvaneDoc* doc, uint32_t start, uint32_t limit) {
  if (!doc || limit <= start) return QString(QLatin1String(""));
  limit = std::min(limit, doc->cpLimit);
  if (limit <= start) return QString(QLatin1String(""));
  QString text(qsizetype(limit - start), Qt::Uninitialized);
  uint32_t count = limit - start;
  FetchText(doc, start, limit, reinterpret_cast<char16_t*>(text.data()), &count);
  text.truncate(qsizetype(count));
  return text;
}

uint32_t FetchUstringFromRange(const DocRange& range, CountedString* string) {
  if (!string) return 0;
  uint32_t count = kMaxCountedUnits;
  FetchText(range.doc, range.first, range.limit, string->units, &count);
  string->length = uint16_t(count);
  string->units[count] = 0;
  return count;
}
