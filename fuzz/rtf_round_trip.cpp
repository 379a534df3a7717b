// RTF read into a document, written again and read back: the writer's own
// output is read whole (no second lenient pass), and after one round, which
// may drop what the dialect does not carry (dividers, lists of other
// writers, ...), a further round changes nothing: the same text and knots
// cp for cp, and the same RTF written again.
#include <cstdlib>
#include <cstring>

#include "RichTextFuzzSetup.h"
#include "richtext/Knots.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfWriter.h"
#include "richtext/TextAccess.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpRichTextFuzzing(argc, argv);
  return 0;
}

namespace {

CorvaneDoc* Read(QByteArrayView rtf, RtfImportResult* result) {
  CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
  if (!doc) std::abort();
  *result = ImportRtfCore(doc, rtf, 0, 0, QString(), nullptr);
  return doc;
}

QByteArray Write(CorvaneDoc* doc) {
  const uint32_t first = FirstDocumentCp(doc);
  return ExportRtf(DocRange{doc, first, doc->textLimit}, QString(), 0).toLatin1();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  RtfImportResult result;
  CorvaneDoc* first = Read(QByteArrayView(reinterpret_cast<const char*>(data), qsizetype(size)), &result);
  if (result != RtfImportResult::kFailed) {
    CheckAcceptedDocument(first);
    RtfImportResult again;
    CorvaneDoc* second = Read(Write(first), &again);
    if (again != RtfImportResult::kDone) std::abort();
    CheckAcceptedDocument(second);
    const QByteArray written = Write(second);
    CorvaneDoc* third = Read(written, &again);
    if (again != RtfImportResult::kDone) std::abort();
    if (second->cpLimit != third->cpLimit) std::abort();
    if (RawTextString(second, 0, second->cpLimit) != RawTextString(third, 0, third->cpLimit)) std::abort();
    for (uint32_t cp = FirstDocumentCp(second); cp < second->textLimit; ++cp) {
      KnotEntry a, b;
      const bool marked = KnotEntryAtCp(second, cp, &a);
      if (marked != KnotEntryAtCp(third, cp, &b)) std::abort();
      if (marked && (a.type != b.type || a.role != b.role)) std::abort();
    }
    if (Write(third) != written) std::abort();
    DestroyDocument(third);
    DestroyDocument(second);
  }
  DestroyDocument(first);
  return 0;
}
