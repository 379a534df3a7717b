// Random edits of a built document: text replacements and deletions, knots
// wrapped around ranges and deleted, ranges copied within the document and
// into new ones. Whatever the bytes, every document stays whole.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "RichTextFuzzSetup.h"
#include "richtext/Editing.h"
#include "richtext/Knots.h"
#include "richtext/LiveRanges.h"

namespace {

class Bytes {
 public:
  Bytes(const uint8_t* data, size_t size) : m_data(data), m_size(size) {}
  bool empty() const { return m_at >= m_size; }
  uint32_t next() { return m_at < m_size ? m_data[m_at++] : 0; }
  uint32_t next16() { return next() | (next() << 8); }

 private:
  const uint8_t* m_data;
  size_t m_size;
  size_t m_at = 0;
};

void Check(CorvaneDoc* doc, int step, uint32_t op) {
  QString reason;
  if (ValidateDocument(doc, &reason)) return;
  std::fprintf(stderr, "step %d, operation %u: %s\n", step, op, qPrintable(reason));
  std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpRichTextFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
  if (!doc) return 0;
  const std::u16string start = u"Some text\nin two paragraphs.\n";
  const DocRange body{doc, FirstDocumentCp(doc), doc->textLimit};
  if (!ReplaceRangeWithText(&body, start.data(), uint32_t(start.size()))) std::abort();
  Check(doc, -1, 0);
  Properties list = *PropertiesAtIndex(doc, doc->normalListIndex);

  Bytes bytes(data, size);
  DocRange live{doc, 20, 24};
  // Any mode but forgetting, so that the range follows every edit.
  RegisterRange(&live, bytes.next() & 0xD);
  for (int step = 0; step < 64 && !bytes.empty(); ++step) {
    const uint32_t op = bytes.next() % 6;
    const uint32_t first = bytes.next16() % doc->cpLimit;
    const uint32_t limit = std::min(doc->cpLimit, first + bytes.next() % 32);
    const DocRange range{doc, first, limit};
    switch (op) {
      case 0:
      case 1: {
        std::u16string text(bytes.next() % 8, u' ');
        for (char16_t& unit : text) unit = char16_t(bytes.next16());
        if (op == 0)
          ReplaceRangeWithText(&range, text.data(), uint32_t(text.size()));
        else
          ReplaceRangeWithString(&range, QString::fromUtf16(text.data(), qsizetype(text.size())));
        break;
      }
      case 2: {
        const uint32_t type = 1 + bytes.next() % (kKnotTypeCount - 1);
        InsertKnot(&range, type, 0, type == kKnotList ? &list : nullptr, nullptr, bytes.next() & 1);
        break;
      }
      case 3: {
        KnotFormat knot;
        FetchKnot(doc, first, &knot, 0);
        if (knot.index != kNoCpValue) DeleteKnot(&knot);
        break;
      }
      case 4: {
        const uint32_t at = bytes.next16() % doc->cpLimit;
        const DocRange dest{doc, at, at};
        ReplaceRangeFromRange(&dest, &range);
        break;
      }
      case 5: {
        CorvaneDoc* copy = NewDocWithRangeCopy(&range, int32_t(bytes.next() % 5), bytes.next() & 1);
        if (copy) Check(copy, step, op);
        DestroyDocument(copy);
        break;
      }
    }
    Check(doc, step, op);
    if (live.first > live.limit || live.limit > doc->cpLimit) std::abort();
  }
  UnregisterRange(&live);
  DestroyDocument(doc);
  return 0;
}
