// The package form of the engine's native documents. The input is split at
// lines "--8<--" into "structure.xml", "format.xml", "document.txt" and
// picture files (each starting with a line holding its name) in "Images" of a
// temporary package; any such package must be read or refused, and what is
// read must be a whole document.
#include <QByteArray>
#include <QDir>
#include <QFile>
#include <QTemporaryDir>
#include <cctype>

#include "RichTextFuzzSetup.h"
#include "richtext/NativeReader.h"

namespace {

const QByteArray kSeparator("\n--8<--\n");

bool PlainName(const QByteArray& name) {
  if (name.isEmpty() || name.size() > 64 || name.startsWith('.')) return false;
  for (const char c : name)
    if (!(std::isalnum(static_cast<unsigned char>(c)) || c == '.' || c == '_' || c == '-' || c == ' ')) return false;
  return true;
}

void Write(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  if (file.open(QIODevice::WriteOnly)) file.write(bytes);
}

}  // namespace

extern "C" int LLVMFuzzerInitialize(int* argc, char*** argv) {
  SetUpRichTextFuzzing(argc, argv);
  return 0;
}

extern "C" int LLVMFuzzerTestOneInput(const uint8_t* data, size_t size) {
  static QTemporaryDir folder;
  if (!folder.isValid()) return 0;
  const QString package = folder.filePath(QStringLiteral("Fuzz.ZEduzez"));
  QDir(package).removeRecursively();
  QDir().mkpath(package + QStringLiteral("/Images"));
  const QByteArray input(reinterpret_cast<const char*>(data), qsizetype(size));
  QList<QByteArray> parts;
  qsizetype from = 0;
  for (qsizetype at = input.indexOf(kSeparator); at >= 0; at = input.indexOf(kSeparator, from)) {
    parts.append(input.mid(from, at - from));
    from = at + kSeparator.size();
  }
  parts.append(input.mid(from));
  const char* const members[] = {"structure.xml", "format.xml", "document.txt"};
  for (qsizetype i = 0; i < parts.size() && i < 3; ++i)
    Write(package + u'/' + QLatin1String(members[i]), parts[i]);
  for (qsizetype i = 3; i < parts.size() && i < 8; ++i) {
    const qsizetype line = parts[i].indexOf('\n');
    const QByteArray name = parts[i].left(line < 0 ? parts[i].size() : line);
    if (PlainName(name))
      Write(package + QStringLiteral("/Images/") + QString::fromLatin1(name), line < 0 ? QByteArray() : parts[i].mid(line + 1));
  }
  CorvaneDoc* doc = NewCorvaneDoc(kViewDocument);
  if (!doc) return 0;
  QString reason;
  if (ReadNativeFile(doc, package, &reason)) CheckAcceptedDocument(doc);
  DestroyDocument(doc);
  return 0;
}
