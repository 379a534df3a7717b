// Random edits of a built document: text replacements and deletions, knots
// wrapped around ranges and deleted, ranges copied within the document and
// into new ones, typing and deleting at a selection, lists, links and
// styles put on it. Whatever the bytes, every document stays whole.
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <string>

#include "RichTextFuzzSetup.h"
#include "richtext/Editing.h"
#include "richtext/Knots.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/LiveRanges.h"
#include "richtext/Panes.h"
#include "richtext/Selection.h"
#include "richtext/SelectionCommands.h"
#include "richtext/Typing.h"

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
  g_corvaneConfig = CorvaneConfig{};
  CurrentPane(doc)->contentsKind = int32_t(bytes.next() & 1);
  for (int step = 0; step < 64 && !bytes.empty(); ++step) {
    const uint32_t op = bytes.next() % 10;
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
      case 6:
      case 7: {
        SelectCps(doc, first, limit, false);
        const uint32_t flags = bytes.next();
        CurrentPane(doc)->granularity = flags & 1 ? kGranularityWords : kGranularityChars;
        g_corvaneConfig.smartSpacing = (flags >> 1) & 1;
        g_corvaneConfig.smartQuotes = (flags >> 2) & 1;
        if (op == 6) {
          std::u16string text(1 + bytes.next() % 4, u' ');
          const char16_t units[] = {u'a', u' ', u'\'', u'"', u'\n', u',', 0xD83D, 0xDE00};
          for (char16_t& unit : text) unit = units[bytes.next() % 8];
          InsertTextOverSel(doc, text.data(), uint32_t(text.size()), 0);
        } else {
          DeleteText(doc, (flags >> 3) & 1, (flags >> 4) & 1, 0);
        }
        break;
      }
      case 8: {
        SelectCps(doc, first, limit, false);
        const uint32_t which = bytes.next() % 4;
        if (which == 0) InsertList(doc, list.body.list);
        if (which == 1) ChangeListIndent(doc, bytes.next() & 1);
        if (which == 2) DeleteList(doc);
        if (which == 3) ApplyStyle(doc, kBuiltinStyleBase + 21 + bytes.next() % 9, 0);
        break;
      }
      case 9: {
        SelectCps(doc, first, limit, false);
        const QString shown = QStringLiteral("shown");
        InsertLink(doc, QStringLiteral("www.example.org"), bytes.next() & 1 ? &shown : nullptr, 0);
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
