// The help's markup: any bytes as a chapter file, and a second file after a
// line "@@next", must be converted or refused with a place; what is
// converted must be a whole document that survives the native form.
#include <QByteArray>
#include <QFileInfo>
#include <QString>

#include "RichTextFuzzSetup.h"
#include "richtext/HelpMarkup.h"
#include "richtext/NativeReader.h"
#include "richtext/NativeWriter.h"

namespace {

QString PictureFolder() {
  return QFileInfo(QStringLiteral(__FILE__)).absolutePath() + QStringLiteral("/../tests/data/helpgen/good/images");
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpRichTextFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  const QByteArray bytes(reinterpret_cast<const char*>(data), qsizetype(size));
  QList<HelpMarkupFile> files;
  const qsizetype split = bytes.indexOf("\n@@next\n");
  if (split < 0) {
    files.append(HelpMarkupFile{QStringLiteral("00-fuzz.help"), bytes});
  } else {
    files.append(HelpMarkupFile{QStringLiteral("00-fuzz.help"), bytes.left(split + 1)});
    files.append(HelpMarkupFile{QStringLiteral("01-more.help"), bytes.mid(split + 8)});
  }
  HelpMarkupError error;
  CorvaneDoc* doc = BuildHelpDocument(files, PictureFolder(), &error);
  if (!doc) {
    // Every refusal says why; a fault of the markup also says where.
    if (error.message.isEmpty() || (error.file.isEmpty() && error.line != 0)) std::abort();
    return 0;
  }
  CheckAcceptedDocument(doc);
  CorvaneDoc* copy = NewCorvaneDoc(kViewDocument);
  QString reason;
  if (copy && !ImportCvnx(copy, WriteNativeV2(doc), &reason)) std::abort();
  DestroyDocument(copy);
  DestroyDocument(doc);
  return 0;
}
