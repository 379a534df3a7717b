// JPEG 2000 files (decoded through libopenjp2) and EPS files (drawn by
// Ghostscript, an outside program) open as images.
#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "support/CSImage.h"
#include "testkit/ScopedEnvironment.h"

namespace {

// Red, green / blue, white quadrants.
QImage Quadrants(int w, int h) {
  QImage image(w, h, QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.fillRect(0, 0, w / 2, h / 2, Qt::red);
  p.fillRect(w / 2, 0, w - w / 2, h / 2, Qt::green);
  p.fillRect(0, h / 2, w / 2, h - h / 2, Qt::blue);
  return image;
}

// Left half red, right half blue, in a bounding box of 120 x 80 points that
// starts at (x, y).
QByteArray TwoColourEps(int x, int y) {
  return QStringLiteral(
             "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: %1 %2 %3 %4\n%%EndComments\n"
             "1 0 0 setrgbcolor %1 %2 60 80 rectfill\n0 0 1 setrgbcolor %5 %2 60 80 rectfill\nshowpage\n%%EOF\n")
      .arg(x)
      .arg(y)
      .arg(x + 120)
      .arg(y + 80)
      .arg(x + 60)
      .toLatin1();
}

class CSImageJpeg2000AndEpsTest : public ::testing::Test {
 protected:
  // The JPEG 2000 fixtures come from the reference encoder, from a PNG
  // written here: a JP2 file and a bare codestream.
  static void SetUpTestSuite() {
    s_dir = new QTemporaryDir;
    const QString encoder = QStandardPaths::findExecutable(QStringLiteral("opj_compress"));
    ASSERT_FALSE(encoder.isEmpty()) << "opj_compress is missing: scripts/install-deps installs libopenjp2-tools";
    const QString png = s_dir->filePath("quadrants.png");
    ASSERT_TRUE(Quadrants(40, 30).save(png, "PNG"));
    for (const char* name : {"quadrants.jp2", "quadrants.j2k"}) {
      QProcess run;
      // Three resolution levels: the default six need sides of 32 pixels.
      run.start(encoder, {"-i", png, "-o", s_dir->filePath(name), "-n", "3"});
      ASSERT_TRUE(run.waitForFinished(-1));
      ASSERT_EQ(run.exitCode(), 0) << run.readAllStandardError().toStdString();
    }
  }
  static void TearDownTestSuite() {
    delete s_dir;
    s_dir = nullptr;
  }
  static QString write(const char* name, const QByteArray& bytes) {
    const QString path = s_dir->filePath(name);
    QFile file(path);
    EXPECT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(bytes);
    return path;
  }
  static QByteArray read(const char* name) {
    QFile file(s_dir->filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  static QTemporaryDir* s_dir;
};

QTemporaryDir* CSImageJpeg2000AndEpsTest::s_dir = nullptr;

}  // namespace

TEST_F(CSImageJpeg2000AndEpsTest, Jpeg2000OpensAtItsSize) {
  EXPECT_TRUE(CSImage::fileExtensions().contains("jp2"));
  for (const char* name : {"quadrants.jp2", "quadrants.j2k"}) {
    SCOPED_TRACE(name);
    const CSImage image = CSImage::initWithContentsOfFile(s_dir->filePath(name));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSizeF(40, 30));
    ASSERT_EQ(image.representations().size(), 1);
    const QImage bitmap = image.representations().first().bitmap;
    EXPECT_EQ(bitmap.pixel(2, 2), qRgb(255, 0, 0));
    EXPECT_EQ(bitmap.pixel(37, 2), qRgb(0, 255, 0));
    EXPECT_EQ(bitmap.pixel(2, 27), qRgb(0, 0, 255));
    EXPECT_EQ(bitmap.pixel(37, 27), qRgb(255, 255, 255));
  }
  // The same bytes in memory, and at a requested size.
  EXPECT_EQ(CSImage::initWithData(read("quadrants.jp2"), QSizeF(20, 15)).size(), QSizeF(20, 15));
}

TEST_F(CSImageJpeg2000AndEpsTest, DamagedOrOversizedJpeg2000IsNil) {
  const QByteArray whole = read("quadrants.jp2");
  ASSERT_FALSE(whole.isEmpty());
  struct Row {
    const char* name;
    QByteArray data;
    int64_t pixelLimit;
  } rows[] = {
      {"truncated", whole.left(whole.size() * 2 / 3), kDefaultImageDecodePixelLimit},
      {"header only", whole.left(100), kDefaultImageDecodePixelLimit},
      {"beyond the pixel limit", whole, 40 * 30 - 1},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    SetImageDecodePixelLimit(row.pixelLimit);
    EXPECT_TRUE(CSImage::initWithContentsOfFile(write("damaged.jp2", row.data)).isNull());
    EXPECT_TRUE(CSImage::initWithData(row.data).isNull());
  }
  SetImageDecodePixelLimit(kDefaultImageDecodePixelLimit);
}

TEST_F(CSImageJpeg2000AndEpsTest, EpsOpensAsAPageOfItsBoundingBox) {
  ASSERT_FALSE(QStandardPaths::findExecutable("gs").isEmpty()) << "scripts/install-deps installs ghostscript";
  EXPECT_TRUE(CSImage::fileExtensions().contains("eps"));
  for (const QPoint origin : {QPoint(0, 0), QPoint(100, 250)}) {
    SCOPED_TRACE(origin.x());
    const CSImage image = CSImage::initWithContentsOfFile(write("two.eps", TwoColourEps(origin.x(), origin.y())));
    ASSERT_FALSE(image.isNull());
    EXPECT_EQ(image.size(), QSizeF(120, 80));
    const QImage bitmap = image.renderedBitmap(QSize(120, 80));
    ASSERT_EQ(bitmap.size(), QSize(120, 80));
    EXPECT_EQ(bitmap.pixel(10, 40), qRgb(255, 0, 0));
    EXPECT_EQ(bitmap.pixel(110, 40), qRgb(0, 0, 255));
  }
}

TEST_F(CSImageJpeg2000AndEpsTest, EpsThatCannotBeDrawnIsNil) {
  ASSERT_FALSE(QStandardPaths::findExecutable("gs").isEmpty()) << "scripts/install-deps installs ghostscript";
  QTemporaryDir emptyBin;
  struct Row {
    const char* name;
    QByteArray eps;
    int64_t pixelLimit;
    bool withoutGhostscript;
  } rows[] = {
      // Killed at the time limit, which this test lowers to a second.
      {"loops forever", "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n{ 1 pop } loop\n",
       kDefaultImageDecodePixelLimit, false},
      {"fails", "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\nundefinedoperator\n",
       kDefaultImageDecodePixelLimit, false},
      {"reads a file -dSAFER forbids", "%!PS-Adobe-3.0 EPSF-3.0\n%%BoundingBox: 0 0 10 10\n"
       "(/etc/passwd) (r) file pop\n", kDefaultImageDecodePixelLimit, false},
      {"page beyond the pixel limit", TwoColourEps(0, 0), 120 * 80 - 1, false},
      {"no Ghostscript", TwoColourEps(0, 0), kDefaultImageDecodePixelLimit, true},
  };
  const int savedLimit = EpsConversionTimeLimit();
  SetEpsConversionTimeLimit(1000);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    ScopedEnvironment environment;
    if (row.withoutGhostscript) environment.set("PATH", emptyBin.path());
    SetImageDecodePixelLimit(row.pixelLimit);
    EXPECT_TRUE(CSImage::initWithContentsOfFile(write("bad.eps", row.eps)).isNull());
  }
  SetImageDecodePixelLimit(kDefaultImageDecodePixelLimit);
  SetEpsConversionTimeLimit(savedLimit);
}
