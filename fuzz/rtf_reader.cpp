// RTF text as any file may hold it, through the reader's tokenizer, its
// text scan and the document reader: every input ends in a clear answer,
// the text handed out is whole UTF-16 units, a refusal carries one of the
// two messages, a lenient reading never refuses what the strict one
// accepts, and a document read (wholly or leniently) is sound.
#include <cstdlib>

#include "RichTextFuzzSetup.h"
#include "richtext/RtfReader.h"
#include "richtext/RtfTokenizer.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpRichTextFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArrayView input(reinterpret_cast<const char*>(data), qsizetype(size));
  for (const bool lenient : {false, true}) {
    QString text, message;
    const bool ok = ScanRtfText(
        input,
        [&](QStringView piece) {
          if (piece.isEmpty()) std::abort();
          text.append(piece);
          return text.size() < (qsizetype(1) << 24);
        },
        lenient, &message);
    if (!ok && message != g_rtfMalformedMessage && message != g_rtfMemoryMessage) std::abort();
    if (ok && !message.isEmpty()) std::abort();
  }
  // The document reader, into a document that may be read again leniently.
  for (const int32_t kind : {int32_t(kViewDocument), int32_t(kClipboardDocument)}) {
    CorvaneDoc* doc = NewCorvaneDoc(kind);
    if (!doc) std::abort();
    QString message;
    const RtfImportResult result = ImportRtfCore(doc, input, 0, 0, QString(), &message);
    if (result == RtfImportResult::kDone && !message.isEmpty()) std::abort();
    if (result != RtfImportResult::kDone && message != g_rtfMalformedMessage && message != g_rtfMemoryMessage)
      std::abort();
    if (result == RtfImportResult::kLenient && kind == kClipboardDocument) std::abort();
    CheckAcceptedDocument(doc);
    DestroyDocument(doc);
  }
  // The tokenizer on its own: each token moves on, and it ends.
  RtfTokenizer tokenizer(input);
  for (size_t steps = 0;; ++steps) {
    const RtfTokenKind token = tokenizer.next();
    if (token == kRtfTokenEnd || token == kRtfTokenMalformed) break;
    if (steps > size * 2 + 4) std::abort();
  }
  return 0;
}
