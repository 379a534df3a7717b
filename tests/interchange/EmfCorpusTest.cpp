#include <gtest/gtest.h>

#include <QDir>
#include <QElapsedTimer>
#include <QFile>

#include "interchange/EmfImport.h"
#include "interchange/EmfRecords.h"
#include "support/ImageFormat.h"
#include "testkit/QStringPrinter.h"
#include "testkit/TestFiles.h"

namespace {

QString CorpusFolder(const char* name) {
  return QStringLiteral(TWDRAW_SOURCE_DIR "/../shared/corpora/emf/libemf2svg/") + QLatin1String(name);
}

QStringList EmfFiles(const QString& folder) {
  QStringList paths;
  for (const QString& name : QDir(folder).entryList({QStringLiteral("*.emf")}, QDir::Files, QDir::Name))
    paths.append(QDir(folder).filePath(name));
  return paths;
}

void Count(int, int, const EmfObject&, const EmfDrawState&, void* context, const QRectF&) {
  ++*static_cast<size_t*>(context);
}

struct Outcome {
  bool walked = false;
  QString walkError;
  bool imported = false;
  bool converted = false;
  QString convertError;
  qint64 milliseconds = 0;
};

Outcome RunAll(const QByteArray& data) {
  Outcome outcome;
  QElapsedTimer timer;
  timer.start();
  size_t reports = 0;
  outcome.walked = ImportEmf(reinterpret_cast<const uint8_t*>(data.constData()), size_t(data.size()), &Count, &reports,
                             &outcome.walkError);
  QString error;
  outcome.imported = ElementsFromEmfData(data, &error).has_value();
  QString path;
  outcome.converted = !CreateImageFromEmf(data, &path, &outcome.convertError).isNull();
  if (!path.isEmpty()) QFile::remove(path);
  outcome.milliseconds = timer.elapsed();
  return outcome;
}

const QStringList kOurMessages = {QStringLiteral("This does not appear to be an EMF image."),
                                  QStringLiteral("The EMF file has no usable image data."),
                                  QStringLiteral("I can't create an output PDF for the file.")};

}  // namespace

// Every file of the outside corpus is walked, imported and converted.
TEST(EmfCorpus, EveryFileImportsAndConverts) {
  const QStringList files = EmfFiles(CorpusFolder("emf"));
  if (files.isEmpty()) GTEST_SKIP() << "the EMF corpus is not present beside the checkout";
  qint64 slowest = 0;
  QString slowestName;
  for (const QString& file : files) {
    const QByteArray data = ReadBytes(file);
    const Outcome outcome = RunAll(data);
    // The corpus holds an empty file, refused as any non-EMF data is.
    if (ImageFormatFromData(data) != kImageFormatEMF) {
      EXPECT_FALSE(outcome.walked) << qPrintable(file);
      EXPECT_EQ(outcome.walkError, kOurMessages[0]) << qPrintable(file);
      EXPECT_EQ(outcome.convertError, kOurMessages[0]) << qPrintable(file);
      continue;
    }
    EXPECT_TRUE(outcome.walked) << qPrintable(file) << ": " << outcome.walkError.toStdString();
    EXPECT_TRUE(outcome.imported) << qPrintable(file);
    // A file that draws nothing has no page; anything else converts.
    if (!outcome.converted) {
      EXPECT_EQ(outcome.convertError, kOurMessages[1]) << qPrintable(file);
    }
    if (outcome.milliseconds > slowest) {
      slowest = outcome.milliseconds;
      slowestName = QFileInfo(file).fileName();
    }
  }
  std::printf("EMF corpus: %lld files, slowest %s at %lld ms\n", qlonglong(files.size()), qPrintable(slowestName),
              qlonglong(slowest));
}

// Damaged files are refused with one of our messages or survived.
TEST(EmfCorpus, DamagedFilesAreRefusedOrSurvived) {
  const QStringList files = EmfFiles(CorpusFolder("emf-corrupted"));
  if (files.isEmpty()) GTEST_SKIP() << "the damaged EMF corpus is not present beside the checkout";
  int refused = 0;
  for (const QString& file : files) {
    const Outcome outcome = RunAll(ReadBytes(file));
    if (!outcome.walked) {
      EXPECT_EQ(outcome.walkError, kOurMessages[0]) << qPrintable(file);
      ++refused;
    }
    if (!outcome.converted) {
      EXPECT_TRUE(kOurMessages.contains(outcome.convertError))
          << qPrintable(file) << ": " << outcome.convertError.toStdString();
    }
  }
  std::printf("Damaged EMF corpus: %lld files, %d refused as not EMF\n", qlonglong(files.size()), refused);
}
