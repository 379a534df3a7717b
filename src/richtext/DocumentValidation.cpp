#include <QStringList>
#include <vector>

#include "richtext/CorvaneDoc.h"
#include "richtext/Knots.h"
#include "richtext/TextAccess.h"
#include "support/DynamicArrays.h"

namespace {

class Checker {
 public:
  explicit Checker(CorvaneDoc* doc) : m_doc(doc) {}

  bool run() {
    return limits() && pieces() && sentinels() && knots() && markArrays() && runs(m_doc->charRuns, kCharProperties) &&
           runs(m_doc->paraRuns, kParaProperties) && normalRecords() && styles();
  }
  QString reason;

 private:
  bool fail(const QString& why) {
    reason = why;
    return false;
  }

  bool recordOfType(uint32_t index, uint32_t type) const {
    const Properties* record = PropertiesAtIndex(m_doc, index);
    return record && record->type == type;
  }

  bool limits() {
    if (m_doc->cpLimit < 2 || m_doc->cpLimit > kMaxDocumentCps) return fail(QStringLiteral("text length out of range"));
    if (m_doc->textLimit + 1 != m_doc->cpLimit) return fail(QStringLiteral("text limits disagree"));
    if (!m_doc->pieces || !m_doc->textBuffers || !m_doc->knots || !m_doc->charRuns || !m_doc->paraRuns ||
        !m_doc->propertyTable || !m_doc->styles || !m_doc->chapterMarks)
      return fail(QStringLiteral("missing arrays"));
    return true;
  }

  // Every piece lies inside one of the buffers, and the pieces cover the
  // text from 0 in ascending order.
  bool pieces() {
    const uint32_t count = SizeOfDynamicCPArray(m_doc->pieces);
    if (count == 0 || CpAtIndex(m_doc->pieces, 0) != 0) return fail(QStringLiteral("text pieces do not start at 0"));
    std::vector<TextBuffer> buffers(SizeOfDynamicArray(m_doc->textBuffers));
    for (uint32_t i = 0; i < buffers.size(); ++i) FetchDynamicArrayEntry(m_doc->textBuffers, i, &buffers[i]);
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t first = CpAtIndex(m_doc->pieces, i);
      const uint32_t limit = CpAtIndex(m_doc->pieces, i + 1);
      if (limit <= first || limit > m_doc->cpLimit) return fail(QStringLiteral("text pieces out of order"));
      const char16_t* text = nullptr;
      FetchDynamicCPArrayEntry(m_doc->pieces, i, &text);
      bool inside = false;
      for (const TextBuffer& buffer : buffers) {
        if (text >= buffer.units && text <= buffer.units + buffer.size &&
            uint64_t(limit - first) <= uint64_t(buffer.units + buffer.size - text)) {
          inside = true;
          break;
        }
      }
      if (!inside) return fail(QStringLiteral("a text piece lies outside its buffer"));
    }
    if (!IsParaBreak(CharacterAtCp(m_doc, m_doc->cpLimit - 1)))
      return fail(QStringLiteral("the text does not end with a paragraph break"));
    return true;
  }

  bool sentinels() {
    for (CSArrayCP* array :
         {m_doc->pieces, m_doc->knots, m_doc->charRuns, m_doc->paraRuns, m_doc->chapterMarks, m_doc->bookmarkMarks,
          m_doc->listMarks, m_doc->tableMarks, m_doc->proofRuns, m_doc->findMarks, m_doc->markArray2,
          m_doc->listNumberCache, m_doc->extraMarks1, m_doc->extraMarks2}) {
      if (array && MaxCp(array) != m_doc->cpLimit) return fail(QStringLiteral("an array does not end at the text's end"));
    }
    return true;
  }

  bool knots() {
    const uint32_t count = SizeOfDynamicCPArray(m_doc->knots);
    struct Open {
      uint32_t type;
      uint32_t kinks;
    };
    std::vector<Open> open;
    uint32_t previous = 0;
    for (uint32_t i = 0; i < count; ++i) {
      const uint32_t cp = CpAtIndex(m_doc->knots, i);
      KnotEntry entry;
      FetchDynamicCPArrayEntry(m_doc->knots, i, &entry);
      if (i > 0 && cp <= previous) return fail(QStringLiteral("knot marks out of order"));
      previous = cp;
      if (cp >= m_doc->textLimit) return fail(QStringLiteral("a knot mark past the text"));
      if (entry.type == kKnotNone || entry.type >= kKnotTypeCount || entry.role > kKinkEnd)
        return fail(QStringLiteral("a knot of unknown kind"));
      if (i == 0 && (cp != 0 || entry.type != kKnotChapter || entry.role != kKinkBegin))
        return fail(QStringLiteral("the text does not start with a chapter"));
      const KnotDesc& desc = KnotDescForType(entry.type);
      const char16_t unit = CharacterAtCp(m_doc, cp);
      const uint32_t expected = entry.role == kKinkBegin    ? 0
                                : entry.role == kKinkMiddle ? desc.middleMark
                                                            : desc.endMark;
      if (unit != expected) return fail(QStringLiteral("a knot entry not on its mark"));
      if (entry.props != kNoPropertyIndex && !PropertiesAtIndex(m_doc, entry.props))
        return fail(QStringLiteral("a knot names a missing record"));
      if (entry.role == kKinkBegin || entry.role == kKinkSingle) {
        const uint32_t wanted = entry.type == kKnotChapter ? kChapterProperties
                                : entry.type == kKnotTable ? kTableProperties
                                : entry.type == kKnotList  ? kListProperties
                                                           : kNoProperties;
        if (wanted != kNoProperties && !recordOfType(entry.props, wanted))
          return fail(QStringLiteral("a knot names a record of another kind"));
      }
      if (entry.type == kKnotPicture && entry.word1 >= SizeOfDynamicArray(m_doc->pictures))
        return fail(QStringLiteral("a picture mark names a missing picture"));
      if (entry.type == kKnotVariable && entry.word2 != 0xFFFFFFFF &&
          entry.word2 >= SizeOfDynamicArray(m_doc->bookmarkGuids))
        return fail(QStringLiteral("a variable names a missing bookmark"));

      switch (entry.role) {
        case kKinkSingle:
          if (desc.knotClass != 0) return fail(QStringLiteral("a ranged knot written as one mark"));
          break;
        case kKinkBegin:
          if (desc.knotClass == 0) return fail(QStringLiteral("a one-mark knot written as a range"));
          if (entry.type == kKnotChapter && !open.empty()) return fail(QStringLiteral("a chapter inside a knot"));
          open.push_back({entry.type, 1});
          break;
        case kKinkMiddle:
        case kKinkEnd:
          if (open.empty() || open.back().type != entry.type) return fail(QStringLiteral("knot marks do not nest"));
          if (++open.back().kinks > kMaxKinks) return fail(QStringLiteral("a knot with too many parts"));
          if (entry.role == kKinkEnd) open.pop_back();
          break;
      }
    }
    if (!open.empty()) return fail(QStringLiteral("a knot without its end"));
    return true;
  }

  // Each begin mark listed for its type is a begin mark of that type.
  bool markArrays() {
    const struct {
      CSArrayCP* array;
      uint32_t type;
    } lists[] = {{m_doc->chapterMarks, kKnotChapter},
                 {m_doc->bookmarkMarks, kKnotBookmark},
                 {m_doc->listMarks, kKnotList},
                 {m_doc->tableMarks, kKnotTable}};
    for (const auto& list : lists) {
      if (!list.array) continue;
      for (uint32_t i = 0; i < SizeOfDynamicCPArray(list.array); ++i) {
        KnotEntry entry;
        if (!KnotEntryAtCp(m_doc, CpAtIndex(list.array, i), &entry) || entry.type != list.type ||
            entry.role != kKinkBegin)
          return fail(QStringLiteral("a listed mark is not a knot's start"));
      }
    }
    if (SizeOfDynamicCPArray(m_doc->chapterMarks) == 0 || CpAtIndex(m_doc->chapterMarks, 0) != 0)
      return fail(QStringLiteral("the text does not start with a chapter"));
    return true;
  }

  bool runs(CSArrayCP* runs, uint32_t type) {
    const uint32_t count = SizeOfDynamicCPArray(runs);
    if (count == 0 || CpAtIndex(runs, 0) != 0) return fail(QStringLiteral("formatting runs do not start at 0"));
    for (uint32_t i = 0; i < count; ++i) {
      if (i > 0 && CpAtIndex(runs, i) <= CpAtIndex(runs, i - 1))
        return fail(QStringLiteral("formatting runs out of order"));
      if (CpAtIndex(runs, i) >= m_doc->cpLimit) return fail(QStringLiteral("a formatting run past the text"));
      uint32_t index = kNoPropertyIndex;
      FetchDynamicCPArrayEntry(runs, i, &index);
      if (!recordOfType(index, type)) return fail(QStringLiteral("a formatting run names a record of another kind"));
    }
    return true;
  }

  bool normalRecords() {
    if (!recordOfType(m_doc->normalListIndex, kListProperties) ||
        !recordOfType(m_doc->normalTableIndex, kTableProperties) ||
        !recordOfType(m_doc->firstChapterIndex, kChapterProperties))
      return fail(QStringLiteral("the document's normal records are missing"));
    return true;
  }

  bool styles() {
    const uint32_t count = SizeOfDynamicArray(m_doc->styles);
    if (count == 0 || count > kMaxStyles) return fail(QStringLiteral("the style count is out of range"));
    std::vector<StyleEntry> entries(count);
    for (uint32_t i = 0; i < count; ++i) FetchDynamicStringArrayEntry(m_doc->styles, i, &entries[i]);
    for (uint32_t i = 0; i < count; ++i) {
      const StyleEntry& entry = entries[i];
      if (entry.type == kNoProperties) continue;
      if (PropertyBodySize(entry.type) == 0) return fail(QStringLiteral("a style of unknown kind"));
      if (!recordOfType(entry.props, entry.type))
        return fail(QStringLiteral("a style names a record of another kind"));
      if (entry.type == kParaProperties && !recordOfType(entry.charProps, kCharProperties))
        return fail(QStringLiteral("a paragraph style without its character record"));
      // Bases lead back to a style without one.
      uint32_t base = entry.base;
      for (uint32_t steps = 0; base < count; ++steps) {
        if (steps >= count) return fail(QStringLiteral("styles are based on each other in a circle"));
        base = entries[base].base;
      }
    }
    if (!recordOfType(entries[0].props, kParaProperties)) return fail(QStringLiteral("the Normal style is missing"));
    return true;
  }

  CorvaneDoc* m_doc;
};

}  // namespace

bool ValidateDocument(CorvaneDoc* doc, QString* reason) {
  if (!doc) {
    if (reason) *reason = QStringLiteral("no document");
    return false;
  }
  Checker checker(doc);
  const bool valid = checker.run();
  if (reason) *reason = checker.reason;
  return valid;
}
