// The single-file form of the engine's native documents: any text must be
// read or refused, and what is read must be a whole document.
#include <QByteArray>
#include <QString>

#include "RichTextFuzzSetup.h"
#include "richtext/NativeReader.h"

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpRichTextFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
  if (!doc) return 0;
  QString reason;
  const QString text = QString::fromUtf8(reinterpret_cast<const char*>(data), qsizetype(size));
  if (ImportCvnx(doc, text, &reason)) CheckAcceptedDocument(doc);
  DestroyDocument(doc);
  return 0;
}
