#include <gtest/gtest.h>
#include <sys/stat.h>
#include <unistd.h>

#include <QDir>
#include <QFile>
#include <QFileInfo>
#include <QImageReader>
#include <QPainter>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <cerrno>
#include <cmath>

#include "platform/AtomicSwap.h"
#include "platform/HeifCodec.h"
#include "support/CSImage.h"
#include "support/ImageFormat.h"
#include "support/ImageSaving.h"
#include "testkit/LogCapture.h"

namespace {

CSImage TestImage(int w, int h, bool alpha) {
  QImage image(w, h, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.fillRect(0, 0, w / 2, h / 2, Qt::red);
  p.fillRect(w / 2, h / 2, w - w / 2, h - h / 2, QColor(0, 0, 255));
  if (alpha) {
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(0, h - 2, w, 2, Qt::transparent);
  }
  p.end();
  return CSImage::initWithCGImage(image, QSizeF(0, 0));
}

QByteArray ReadFile(const QString& path) {
  QFile file(path);
  return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
}

void WriteFile(const QString& path, const QByteArray& data) {
  QFile file(path);
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(data);
}

// The output of an outside checking tool, or a null string when it is missing.
QString RunTool(const QString& program, const QStringList& arguments) {
  if (QStandardPaths::findExecutable(program).isEmpty()) return {};
  QProcess process;
  process.start(program, arguments);
  if (!process.waitForFinished(60000)) return {};
  return QString::fromLocal8Bit(process.readAllStandardOutput() + process.readAllStandardError());
}

QSize ImageFileSize(const QString& path) {
  QImageReader reader(path);
  return reader.size();
}

}  // namespace

TEST(ImageSaving, JpegQualityClamps) {
  const CSImage image = TestImage(64, 48, false);
  const QByteArray best = ImageData(image, kImageFormatJPEG, 0, 0, 1.0);
  const QByteArray worst = ImageData(image, kImageFormatJPEG, 0, 0, 0.0);
  ASSERT_EQ(ImageFormatFromData(best), kImageFormatJPEG);
  EXPECT_NE(best, worst);
  EXPECT_EQ(ImageData(image, kImageFormatJPEG, 0, 0, 1.7), best);
  EXPECT_EQ(ImageData(image, kImageFormatJPEG, 0, 0, -0.2), worst);
  EXPECT_EQ(ImageData(image, kImageFormatJPEG, 0, 0, std::nan("")), worst);
  EXPECT_GT(best.size(), worst.size());
}

TEST(ImageSaving, TiffIsLzwCompressedFromQualityOne) {
  QTemporaryDir dir;
  const CSImage image = TestImage(64, 48, true);
  const QString lzw = SaveImage(image, dir.filePath("lzw.tiff"), kImageFormatTIFF, false, nullptr, 0, 0, 1.0);
  const QString plain = SaveImage(image, dir.filePath("plain.tiff"), kImageFormatTIFF, false, nullptr, 0, 0, 0.99);
  ASSERT_EQ(lzw, dir.filePath("lzw.tiff"));
  ASSERT_EQ(plain, dir.filePath("plain.tiff"));
  const QString lzwInfo = RunTool("tiffinfo", {lzw});
  const QString plainInfo = RunTool("tiffinfo", {plain});
  if (lzwInfo.isNull() || plainInfo.isNull()) GTEST_SKIP() << "tiffinfo is not installed";
  EXPECT_TRUE(lzwInfo.contains("Compression Scheme: LZW")) << lzwInfo.toStdString();
  EXPECT_TRUE(plainInfo.contains("Compression Scheme: None")) << plainInfo.toStdString();
  EXPECT_TRUE(lzwInfo.contains("Image Width: 64 Image Length: 48")) << lzwInfo.toStdString();
  EXPECT_EQ(CSImage::initWithContentsOfFile(lzw).renderedBitmap({64, 48}), image.renderedBitmap({64, 48}));
}

TEST(ImageSaving, ExtensionFollowsTheFormat) {
  QTemporaryDir dir;
  const CSImage image = TestImage(20, 10, false);
  struct Row {
    const char* name;
    ImageFormat format;
    const char* written;
  } rows[] = {
      {"a.png", kImageFormatJPEG, "a.jpg"},  {"b.JPG", kImageFormatJPEG, "b.JPG"},
      {"c", kImageFormatPNG, "c.png"},       {"d.bmp", kImageFormatBMP, "d.tiff"},
      {"e.tif", kImageFormatTIFF, "e.tiff"}, {"f.x.png", kImageFormatPDF, "f.x.pdf"},
      {"g.gif", kImageFormatGIF, "g.tiff"},
  };
  for (const Row& row : rows) {
    const QString written = SaveImage(image, dir.filePath(row.name), row.format, false, nullptr, 0, 0, 0.8);
    EXPECT_EQ(written, dir.filePath(row.written)) << row.name;
    EXPECT_TRUE(QFileInfo::exists(written)) << row.name;
    const ImageFormat stored = ImageFormatFromData(ReadFile(written));
    EXPECT_EQ(stored, row.format == kImageFormatBMP || row.format == kImageFormatGIF ? kImageFormatTIFF : row.format)
        << row.name;
  }
  EXPECT_FALSE(QFileInfo::exists(dir.filePath("a.png")));
}

TEST(ImageSaving, UniqueNamesAndReplacing) {
  QTemporaryDir dir;
  const QString path = dir.filePath("a.jpg");
  WriteFile(path, "old contents");
  ASSERT_EQ(::chmod(QFile::encodeName(path).constData(), 0640), 0);
  const CSImage image = TestImage(20, 10, false);

  EXPECT_EQ(SaveImage(image, path, kImageFormatJPEG, true, nullptr, 0, 0, 0.5), dir.filePath("a-1.jpg"));
  EXPECT_EQ(SaveImage(image, path, kImageFormatJPEG, true, nullptr, 0, 0, 0.5), dir.filePath("a-2.jpg"));
  EXPECT_EQ(ReadFile(path), "old contents");

  EXPECT_EQ(SaveImage(image, path, kImageFormatJPEG, false, nullptr, 0, 0, 0.5), path);
  EXPECT_EQ(ImageFormatFromData(ReadFile(path)), kImageFormatJPEG);
  struct stat st;
  ASSERT_EQ(::stat(QFile::encodeName(path).constData(), &st), 0);
  EXPECT_EQ(st.st_mode & 0777, 0640u);  // a replaced file keeps its permissions
  // Nothing but the three images is left behind.
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 3);
}

TEST(ImageSaving, AUniqueNameNeverReplacesADanglingLink) {
  QTemporaryDir dir;
  const QString link = dir.filePath("shot.png");
  ASSERT_EQ(::symlink("missing-target.png", QFile::encodeName(link).constData()), 0);
  const QString written = SaveImage(TestImage(20, 10, true), link, kImageFormatPNG, true, nullptr, 0, 0, 0);
  EXPECT_EQ(written, dir.filePath("shot-1.png"));
  EXPECT_TRUE(QFileInfo(link).isSymLink());
  EXPECT_EQ(QFileInfo(link).symLinkTarget(), dir.filePath("missing-target.png"));
}

TEST(ImageSaving, FailedSaveKeepsWhatWasThere) {
  QTemporaryDir dir;
  const CSImage image = TestImage(20, 10, false);

  // An item that cannot be replaced by a file: the save fails, the folder
  // and its contents stay.
  const QString folder = dir.filePath("shot.png");
  ASSERT_TRUE(QDir().mkpath(folder));
  WriteFile(folder + "/inside.txt", "keep me");
  CSError error;
  EXPECT_TRUE(SaveImage(image, folder, kImageFormatPNG, false, &error, 0, 0, 0).isEmpty());
  EXPECT_EQ(error.code(), -50);
  EXPECT_EQ(error.failureReason(), QStringLiteral("The image cannot be saved to \"%1\".").arg(folder));
  EXPECT_EQ(ReadFile(folder + "/inside.txt"), "keep me");

  // A size that cannot be rendered leaves the old file alone.
  const QString old = dir.filePath("old.png");
  WriteFile(old, "previous export");
  error = {};
  EXPECT_TRUE(SaveImage(image, old, kImageFormatPNG, false, &error, 200000, 200000, 0).isEmpty());
  EXPECT_EQ(error.failureReason(), "The image cannot be saved to the requested format.");
  EXPECT_EQ(ReadFile(old), "previous export");

  // The new file is complete but cannot take the old one's place.
  error = {};
  const AtomicSwapFaultHook previous =
      SetAtomicSwapFaultHook([](AtomicSwapStep step) { return step == AtomicSwapStep::Replace ? EIO : 0; });
  const QString written = SaveImage(image, old, kImageFormatPNG, false, &error, 0, 0, 0);
  SetAtomicSwapFaultHook(previous);
  EXPECT_TRUE(written.isEmpty());
  EXPECT_EQ(error.failureReason(), QStringLiteral("The image cannot be saved to \"%1\".").arg(old));
  EXPECT_EQ(ReadFile(old), "previous export");

  // A folder that does not exist.
  const QString missing = dir.filePath("no/such/folder/x.png");
  error = {};
  EXPECT_TRUE(SaveImage(image, missing, kImageFormatPNG, false, &error, 0, 0, 0).isEmpty());
  EXPECT_EQ(error.failureReason(), QStringLiteral("The image cannot be saved to \"%1\".").arg(missing));
  EXPECT_EQ(QDir(dir.path()).entryList(QDir::Files | QDir::Hidden).size(), 1);  // just old.png, no temporaries
}

TEST(ImageSaving, FormatZeroChoosesByAlphaAndPath) {
  QTemporaryDir dir;
  const CSImage opaque = TestImage(20, 10, false);
  const CSImage clear = TestImage(20, 10, true);
  EXPECT_EQ(ImageFormatFromData(ImageData(opaque, 0, 0, 0, 0.9)), kImageFormatJPEG);
  EXPECT_EQ(ImageFormatFromData(ImageData(clear, 0, 0, 0, 0.9)), kImageFormatPNG);

  struct Row {
    const char* name;
    bool alpha;
    const char* written;
  } rows[] = {
      {"o.png", false, "o.png"}, {"t.png", true, "t.png"},   {"o.tiff", false, "o.jpg"},
      {"t.jpg", true, "t.jpg"},  {"t.tiff", true, "t.tiff"}, {"t2", true, "t2.tiff"},
  };
  for (const Row& row : rows) {
    const QString written = SaveImage(row.alpha ? clear : opaque, dir.filePath(row.name), 0, false, nullptr, 0, 0, 0.9);
    EXPECT_EQ(written, dir.filePath(row.written)) << row.name;
  }
}

TEST(ImageSaving, NilImageWritesNothing) {
  QTemporaryDir dir;
  CSError error;
  EXPECT_TRUE(SaveImage(CSImage(), dir.filePath("x.png"), kImageFormatPNG, false, &error, 10, 10, 0).isEmpty());
  EXPECT_EQ(error.code(), 0);
  EXPECT_TRUE(error.failureReason().isEmpty());
  EXPECT_TRUE(ImageData(CSImage(), kImageFormatPNG, 10, 10, 0).isEmpty());
  EXPECT_TRUE(TiffFromImage(CSImage()).isEmpty());
  EXPECT_FALSE(SaveQuartzImage(QImage(), dir.filePath("y.png"), kImageFormatPNG, false, 0));
  EXPECT_TRUE(QDir(dir.path()).isEmpty());
}

TEST(ImageSaving, TiffFromImageLogsOnlyItsFailures) {
  CSImage oversized = TestImage(8, 8, false);
  oversized.setCachedSize(QSizeF(100000, 100000));  // beyond any bitmap
  struct Row {
    const char* name;
    CSImage image;
    bool tiff;
    bool logged;
  } rows[] = {
      {"nil", CSImage(), false, false},
      {"drawable", TestImage(8, 8, false), true, false},
      {"too large to draw", oversized, false, true},
  };
  for (const Row& row : rows) {
    LogCapture log;
    const QByteArray tiff = TiffFromImage(row.image);
    EXPECT_EQ(ImageFormatFromData(tiff) == kImageFormatTIFF, row.tiff) << row.name;
    const QStringList lines = log.lines();
    if (row.logged) {
      ASSERT_EQ(lines.size(), 1) << row.name;
      EXPECT_TRUE(lines[0].startsWith("TIFFRepresentation failed: ")) << lines[0].toStdString();
    } else {
      EXPECT_TRUE(lines.isEmpty()) << row.name << ": " << lines.join(" | ").toStdString();
    }
  }
}

TEST(ImageSaving, HeicIsWrittenAndReadBack) {
  ASSERT_TRUE(HeifCanEncode()) << "libheif has no HEVC encoder";
  QTemporaryDir dir;
  const CSImage image = TestImage(64, 48, false);
  const QString path = SaveImage(image, dir.filePath("photo.png"), kImageFormatHEIC, false, nullptr, 32, 24, 0.8);
  ASSERT_EQ(path, dir.filePath("photo.heic"));
  const QByteArray data = ReadFile(path);
  EXPECT_EQ(ImageFormatFromData(data), kImageFormatHEIC);
  EXPECT_EQ(HeifImageSize(data), QSize(32, 24));

  const CSImage back = CSImage::initWithContentsOfFile(path);
  ASSERT_EQ(back.size(), QSizeF(32, 24));
  const QRgb red = back.renderedBitmap({32, 24}).pixel(4, 4);
  EXPECT_GT(qRed(red), 200);
  EXPECT_LT(qGreen(red), 60);

  // The lowest quality still writes a readable file; alpha survives.
  const QByteArray lowest = ImageData(TestImage(40, 30, true), kImageFormatHEIC, 0, 0, 0.0);
  const CSImage alpha = CSImage::initWithData(lowest);
  ASSERT_FALSE(alpha.isNull());
  EXPECT_TRUE(alpha.hasAlpha());
  EXPECT_LT(qAlpha(alpha.renderedBitmap({40, 30}).pixel(20, 29)), 40);

  const QString info = RunTool("heif-info", {path});
  if (info.isNull()) GTEST_SKIP() << "heif-info is not installed";
  EXPECT_TRUE(info.contains("32x24")) << info.toStdString();
}

TEST(ImageSaving, PdfPageHasTheRequestedSizeInPoints) {
  QTemporaryDir dir;
  const QString path =
      SaveImage(TestImage(40, 20, false), dir.filePath("page"), kImageFormatPDF, false, nullptr, 144, 72, 0);
  ASSERT_EQ(path, dir.filePath("page.pdf"));
  const CSImage back = CSImage::initWithContentsOfFile(path);
  EXPECT_EQ(back.size(), QSizeF(144, 72));
  const QImage pixels = back.renderedBitmap({144, 72});
  EXPECT_GT(qRed(pixels.pixel(10, 10)), 200);
  EXPECT_LT(qGreen(pixels.pixel(10, 10)), 60);
  const QString info = RunTool("pdfinfo", {path});
  if (!info.isNull()) EXPECT_TRUE(info.contains("144 x 72 pts")) << info.toStdString();
}

TEST(ImageSaving, PreviewAndThumbnailOfA600By400Drawing) {
  struct Row {
    double w, h, limit;
    QSizeF size;
  } rows[] = {
      {600, 400, 1024, {0, 0}}, {600, 400, 512, {512, 341}}, {400, 600, 512, {341, 512}},
      {512, 512, 512, {0, 0}},  {3000, 1, 512, {0, 0}},      {1025, 1025, 1024, {1024, 1024}},
  };
  for (const Row& row : rows)
    EXPECT_EQ(LimitImageSizeForSave(row.w, row.h, row.limit), row.size) << row.w << "x" << row.h;

  QTemporaryDir dir;
  const QString package = dir.filePath("Plan.TWdraw");
  ASSERT_TRUE(QDir().mkpath(package));
  ASSERT_TRUE(SaveQuicklookImage(TestImage(600, 400, true), package));
  const QString preview = package + "/QuickLook/Preview.jpg";
  const QString thumbnail = package + "/QuickLook/Thumbnail.jpg";
  EXPECT_EQ(ImageFileSize(preview), QSize(600, 400));
  EXPECT_EQ(ImageFileSize(thumbnail), QSize(512, 341));
  EXPECT_EQ(ImageFormatFromData(ReadFile(thumbnail)), kImageFormatJPEG);
  // The owner may read, write and search the folder; nobody else may write.
  struct stat info {};
  ASSERT_EQ(stat(QFile::encodeName(package + "/QuickLook").constData(), &info), 0);
  EXPECT_EQ(info.st_mode & S_IRWXU, mode_t(S_IRWXU));
  EXPECT_EQ(info.st_mode & (S_IWGRP | S_IWOTH), mode_t(0));

  // A smaller drawing replaces both files.
  ASSERT_TRUE(SaveQuicklookImage(TestImage(300, 200, false), package));
  EXPECT_EQ(ImageFileSize(preview), QSize(300, 200));
  EXPECT_EQ(ImageFileSize(thumbnail), QSize(300, 200));
  EXPECT_FALSE(SaveQuicklookImage(CSImage(), package));
}

TEST(ImageSaving, JpegPreviewsShowTransparentAreasWhite) {
  // A drawing's rendering: a red square on nothing.
  QImage drawing(80, 60, QImage::Format_ARGB32_Premultiplied);
  drawing.fill(Qt::transparent);
  QPainter(&drawing).fillRect(0, 0, 20, 20, Qt::red);
  QTemporaryDir dir;
  const QString package = dir.filePath("Clear.TWdraw");
  ASSERT_TRUE(QDir().mkpath(package));
  ASSERT_TRUE(SaveQuicklookImage(CSImage::initWithCGImage(drawing, QSizeF(0, 0)), package));
  for (const char* name : {"/QuickLook/Preview.jpg", "/QuickLook/Thumbnail.jpg"}) {
    SCOPED_TRACE(name);
    const QImage read(package + name);
    ASSERT_FALSE(read.isNull());
    const QColor empty = read.pixelColor(60, 45);
    EXPECT_GT(empty.red(), 245);
    EXPECT_GT(empty.green(), 245);
    EXPECT_GT(empty.blue(), 245);
    const QColor square = read.pixelColor(8, 8);
    EXPECT_GT(square.red(), 200);
    EXPECT_LT(square.green(), 60);
  }
  // Any JPEG written from a picture with transparency is laid over white.
  const QByteArray data = ImageData(CSImage::initWithCGImage(drawing, QSizeF(0, 0)), kImageFormatJPEG, 0, 0, 0.9);
  QImage decoded;
  ASSERT_TRUE(decoded.loadFromData(data, "JPEG"));
  EXPECT_GT(decoded.pixelColor(60, 45).lightness(), 245);
}

TEST(ImageSaving, ResizedJpegAndBitmapWriting) {
  const QString path = ResizeImageAndSaveToJPEG(TestImage(600, 400, false), 100, 0.6);
  ASSERT_FALSE(path.isEmpty());
  EXPECT_TRUE(path.startsWith(QDir::tempPath()));
  EXPECT_TRUE(path.endsWith(".jpg"));
  EXPECT_EQ(ImageFileSize(path), QSize(100, 66));
  QFile::remove(path);

  QTemporaryDir dir;
  QImage bitmap(30, 20, QImage::Format_RGB32);
  bitmap.fill(Qt::green);
  EXPECT_FALSE(SaveQuartzImage(bitmap, dir.filePath("z.png"), 0, false, 0));
  EXPECT_TRUE(SaveQuartzImage(bitmap, dir.filePath("z.png"), kImageFormatPNG, false, 0));
  EXPECT_EQ(QImage(dir.filePath("z.png")).pixel(5, 5), qRgb(0, 255, 0));
  EXPECT_EQ(ImageFormatFromData(TiffFromImage(TestImage(8, 8, false))), kImageFormatTIFF);
}
