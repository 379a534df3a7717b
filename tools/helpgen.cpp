// Converts the help's markup files into the "Help" package that the help
// window reads. Run by the build; the package goes beside the executable.
// Refused markup fails the build with the file and line at fault.
//
//   twdraw_helpgen <folder of NN-slug.help files> "<folder>/Help.ZEduzez"

#include <QDir>
#include <QGuiApplication>
#include <cstdio>

#include "richtext/CorvaneDoc.h"
#include "richtext/HelpMarkup.h"
#include "richtext/NativeTags.h"
#include "richtext/NativeWriter.h"
#include "support/ThreadStorage.h"

int main(int argc, char** argv) {
  QGuiApplication application(argc, argv);
  const QStringList arguments = QCoreApplication::arguments();
  if (arguments.size() != 3) {
    std::fprintf(stderr, "usage: twdraw_helpgen <help folder> <package>\n");
    return 2;
  }
  AllocateThreadStorage(QString());
  CreateCorvaneXmlDecoder();
  const QString package = arguments[2];
  // A refused build leaves no package behind, so no stale help ships.
  QDir(package).removeRecursively();

  HelpMarkupError error;
  CorvaneDoc* doc = BuildHelpDocumentFromFolder(arguments[1], &error);
  if (!doc) {
    std::fprintf(stderr, "%s\n", qPrintable(error.text()));
    return 1;
  }
  QString reason;
  const bool written = WriteNativePackage(doc, package, &reason);
  DestroyDocument(doc);
  if (!written) {
    QDir(package).removeRecursively();
    std::fprintf(stderr, "%s: %s\n", qPrintable(package), qPrintable(reason));
    return 1;
  }
  return 0;
}
