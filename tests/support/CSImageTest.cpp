#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImageWriter>
#include <QMimeData>
#include <QPainter>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <QUrl>

#include "platform/HeifCodec.h"
#include "support/CSImage.h"
#include "support/ImageFormat.h"
#include "testkit/TestFiles.h"

namespace {

const QString kImages = QStringLiteral(TWDRAW_TEST_DATA "/support/images/");

// Four quadrants: red, green / blue, white; alpha images have a clear band at the bottom.
QImage Quadrants(int w, int h, bool alpha = false) {
  QImage image(w, h, alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
  image.fill(Qt::white);
  QPainter p(&image);
  p.fillRect(0, 0, w / 2, h / 2, Qt::red);
  p.fillRect(w / 2, 0, w - w / 2, h / 2, Qt::green);
  p.fillRect(0, h / 2, w / 2, h - h / 2, Qt::blue);
  if (alpha) {
    p.setCompositionMode(QPainter::CompositionMode_Source);
    p.fillRect(0, h - 2, w, 2, Qt::transparent);
  }
  return image;
}

QByteArray PdfPage(QSizeF points) {
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(72);
  writer.setPageSize(QPageSize(points, QPageSize::Point, QString(), QPageSize::ExactMatch));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter p(&writer);
  p.fillRect(QRectF(0, 0, points.width() / 2, points.height()), Qt::red);
  p.end();
  return data;
}

// A JPEG whose first segment is Exif (as cameras write) with the given orientation.
QByteArray CameraJpeg(const QImage& image, int orientation) {
  QByteArray jpeg = EncodeImage(image, "jpeg");
  EXPECT_EQ(uchar(jpeg[3]), 0xE0);  // Qt writes JFIF first; drop it
  const int app0 = (uchar(jpeg[4]) << 8) | uchar(jpeg[5]);
  QByteArray exif("Exif\0\0MM\0*\0\0\0\x08", 14);
  exif += QByteArray(
      "\x00\x01"
      "\x01\x12"
      "\x00\x03"
      "\x00\x00\x00\x01",
      10);
  exif += char(0);
  exif += char(orientation);
  exif += QByteArray(6, '\0');  // value padding and no next IFD
  QByteArray segment("\xFF\xE1");
  segment += char((exif.size() + 2) >> 8);
  segment += char((exif.size() + 2) & 0xFF);
  return jpeg.left(2) + segment + exif + jpeg.mid(4 + app0);
}

QRgb PixelAt(const CSImage& image, QSize pixels, int x, int y) {
  return image.renderedBitmap(pixels).pixel(x, y);
}

void ExpectNear(QRgb actual, QColor expected, int tolerance, const std::string& what) {
  EXPECT_NEAR(qRed(actual), expected.red(), tolerance) << what;
  EXPECT_NEAR(qGreen(actual), expected.green(), tolerance) << what;
  EXPECT_NEAR(qBlue(actual), expected.blue(), tolerance) << what;
}

struct Sample {
  const char* name;
  QByteArray data;
  int tolerance;  // lossy formats drift
};

std::vector<Sample> Samples() {
  const QImage image = Quadrants(40, 30);
  std::vector<Sample> samples = {
      {"png", EncodeImage(image, "png"), 0},
      {"jpeg", EncodeImage(image, "jpeg"), 40},
      {"tiff", EncodeImage(image, "tiff"), 0},
      {"bmp", EncodeImage(image, "bmp"), 0},
  };
  if (HeifCanEncode()) samples.push_back({"heic", HeifEncodeImage(image, 0.9), 40});
  return samples;
}

}  // namespace

TEST(CSImage, LoadsEachFormatAtItsOwnAndARequestedSize) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  ASSERT_TRUE(HeifCanEncode()) << "libheif has no HEVC encoder";
  for (const Sample& sample : Samples()) {
    ASSERT_FALSE(sample.data.isEmpty()) << sample.name;
    const CSImage image = CSImage::initWithData(sample.data);
    ASSERT_FALSE(image.isNull()) << sample.name;
    EXPECT_EQ(image.size(), QSizeF(40, 30)) << sample.name;
    ExpectNear(PixelAt(image, {40, 30}, 5, 5), Qt::red, sample.tolerance, sample.name);
    ExpectNear(PixelAt(image, {40, 30}, 35, 5), Qt::green, sample.tolerance, sample.name);
    ExpectNear(PixelAt(image, {40, 30}, 5, 25), Qt::blue, sample.tolerance, sample.name);

    const CSImage scaled = CSImage::initWithData(sample.data, QSizeF(80, 20));
    ASSERT_FALSE(scaled.isNull()) << sample.name;
    EXPECT_EQ(scaled.size(), QSizeF(80, 20)) << sample.name;
    EXPECT_EQ(scaled.sizeFromReps(), QSizeF(80, 20)) << sample.name;
    ExpectNear(PixelAt(scaled, {80, 20}, 70, 3), Qt::green, sample.tolerance, sample.name);

    const QString path = dir.filePath(QStringLiteral("sample.") + QLatin1String(sample.name));
    QFile file(path);
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(sample.data);
    file.close();
    EXPECT_EQ(CSImage::initWithContentsOfFile(path).size(), QSizeF(40, 30)) << sample.name;
    EXPECT_EQ(CSImage::initWithContentsOfFile(path, QSizeF(10, 10)).size(), QSizeF(10, 10)) << sample.name;
  }

  const CSImage gif = CSImage::initWithContentsOfFile(kImages + "tiny.gif");
  ASSERT_FALSE(gif.isNull());
  EXPECT_EQ(gif.size(), QSizeF(3, 2));
  EXPECT_EQ(PixelAt(gif, {3, 2}, 0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(PixelAt(gif, {3, 2}, 2, 0), qRgb(0, 0, 255));
  EXPECT_EQ(PixelAt(gif, {3, 2}, 2, 1), qRgb(255, 0, 0));
  EXPECT_EQ(CSImage::initWithContentsOfFile(kImages + "tiny.gif", QSizeF(30, 20)).size(), QSizeF(30, 20));
}

TEST(CSImage, PdfPageIsDrawnAtTheRequestedSize) {
  const QByteArray pdf = PdfPage(QSizeF(72, 36));
  const CSImage image = CSImage::initWithData(pdf);
  ASSERT_FALSE(image.isNull());
  ASSERT_EQ(image.representations().size(), 1);
  EXPECT_FALSE(image.representations()[0].hasPixels());
  EXPECT_EQ(image.size(), QSizeF(72, 36));  // points, as it has no pixels
  EXPECT_TRUE(image.hasAlpha());

  const CSImage scaled = CSImage::initWithData(pdf, QSizeF(288, 144));
  ASSERT_TRUE(scaled.representations()[0].hasPixels());
  EXPECT_EQ(scaled.representations()[0].bitmap.size(), QSize(288, 144));
  ExpectNear(scaled.representations()[0].bitmap.pixel(10, 72), Qt::red, 2, "left half");
  EXPECT_EQ(qAlpha(scaled.representations()[0].bitmap.pixel(280, 72)), 0);

  // An "ai" file is its PDF content.
  QTemporaryDir dir;
  QFile file(dir.filePath("art.AI"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(pdf);
  file.close();
  EXPECT_EQ(CSImage::initWithContentsOfFile(file.fileName()).size(), QSizeF(72, 36));
}

TEST(CSImage, MultiImageTiffReportsItsNarrowestRepresentation) {
  const CSImage image = CSImage::initWithContentsOfFile(kImages + "two-sizes.tiff");
  ASSERT_EQ(image.representations().size(), 2);
  EXPECT_EQ(image.representations()[0].bitmap.size(), QSize(100, 60));
  EXPECT_EQ(image.size(), QSizeF(50, 30));
  EXPECT_EQ(ImageSizeFromReps(image), QSizeF(50, 30));

  // Drawing large picks the large page, drawing small the small one.
  EXPECT_EQ(PixelAt(image, {100, 60}, 50, 30), qRgb(200, 30, 30));
  EXPECT_EQ(PixelAt(image, {50, 30}, 25, 15), qRgb(30, 30, 200));

  // A later, wider representation does not replace a narrower first one.
  CSImage reversed;
  reversed.addRepresentation(image.representations()[1]);
  reversed.addRepresentation(image.representations()[0]);
  EXPECT_EQ(ImageSizeFromReps(reversed), QSizeF(50, 30));
  EXPECT_EQ(ImageSizeFromReps(CSImage()), QSizeF(0, 0));
}

TEST(CSImage, RequestedSizeEqualToTheRepresentationAnswersTheSameImage) {
  CSImage image = CSImage::initWithCGImage(Quadrants(40, 30), QSizeF(0, 0));
  const qint64 key = image.representations()[0].bitmap.cacheKey();
  CSImage same = image.newImageWithRequestedSize(QSizeF(40, 30));
  EXPECT_EQ(same.representations()[0].bitmap.cacheKey(), key);

  // An impossible size keeps the image and only records the size.
  CSImage kept = image.newImageWithRequestedSize(QSizeF(-5, 10));
  EXPECT_EQ(kept.representations()[0].bitmap.cacheKey(), key);

  // The cached size wins over the representations once set.
  image.setCachedSize(QSizeF(20, 15));
  EXPECT_EQ(image.size(), QSizeF(20, 15));
  EXPECT_EQ(image.sizeFromReps(), QSizeF(40, 30));

  const CSImage bitmap = CSImage::initWithCGImage(Quadrants(40, 30), QSizeF(0, 60));
  EXPECT_EQ(bitmap.size(), QSizeF(40, 60));
}

TEST(CSImage, CameraJpegWithExifLoadsUpright) {
  const QByteArray jpeg = CameraJpeg(Quadrants(40, 30), 6);  // stored turned: show rotated 90 degrees
  ASSERT_EQ(ImageFormatFromData(jpeg), kImageFormatJPEG);
  const CSImage image = CSImage::initWithData(jpeg);
  ASSERT_FALSE(image.isNull());
  EXPECT_EQ(image.size(), QSizeF(30, 40));
  ExpectNear(PixelAt(image, {30, 40}, 25, 5), Qt::red, 40, "top right after turning");
}

TEST(CSImage, BadDataIsNil) {
  const QByteArray png = EncodeImage(Quadrants(40, 30), "png");
  QByteArray corrupt = png;
  for (int i = 40; i < corrupt.size(); i += 7) corrupt[i] = char(corrupt[i] ^ 0x5A);
  QByteArray emf(200, '\0');
  emf[0] = 1;
  emf.replace(40, 4, " EMF");
  emf[46] = 1;
  const QByteArray j2k = QByteArray("\0\0\0\x0CjP  \r\n\x87\n", 12) + QByteArray(100, '\0');
  const QByteArray heicHeader = QByteArray(
                                    "\0\0\0\x18"
                                    "ftypheic",
                                    12) +
                                QByteArray(40, '\0');
  struct Row {
    const char* name;
    QByteArray data;
  } rows[] = {
      {"empty", {}},
      {"png signature only", png.left(20)},
      {"png cut in half", png.left(png.size() / 2)},
      {"corrupt png", corrupt},
      {"emf", emf},
      {"jpeg 2000 (no decoder)", j2k},
      {"heic header only", heicHeader},
      {"pdf header only", QByteArray("%PDF-1.4\n%%EOF\n") + QByteArray(20, ' ')},
      {"text", QByteArray("just some words in a file, nothing more")},
  };
  for (const Row& row : rows) EXPECT_TRUE(CSImage::initWithData(row.data).isNull()) << row.name;
  EXPECT_TRUE(CSImage::initWithContentsOfFile(QStringLiteral("/nonexistent/file.png")).isNull());
  EXPECT_TRUE(CSImage::initWithCGImage(QImage(), QSizeF(10, 10)).isNull());
  EXPECT_TRUE(CSImage::initWithSize(QSizeF(0, 10)).isNull());
}

TEST(CSImage, DecodingRefusesImagesAboveThePixelLimit) {
  const QByteArray png = EncodeImage(Quadrants(1200, 1000), "png");
  const QByteArray heic = HeifCanEncode() ? HeifEncodeImage(Quadrants(1200, 1000), 0.5) : QByteArray();
  const int64_t old = ImageDecodePixelLimit();
  SetImageDecodePixelLimit(1000 * 1000);
  EXPECT_TRUE(CSImage::initWithData(png).isNull());
  if (!heic.isEmpty()) EXPECT_TRUE(CSImage::initWithData(heic).isNull());
  EXPECT_TRUE(CSImage::initWithSize(QSizeF(1200, 1000)).isNull());
  // The pages of a TIFF share the budget: the 100 x 60 page fits, the 50 x 30 one no longer does.
  SetImageDecodePixelLimit(7000);
  EXPECT_EQ(CSImage::initWithContentsOfFile(kImages + "two-sizes.tiff").representations().size(), 1);
  SetImageDecodePixelLimit(old);
  EXPECT_EQ(CSImage::initWithData(png).size(), QSizeF(1200, 1000));
  if (!heic.isEmpty()) EXPECT_EQ(CSImage::initWithData(heic).size(), QSizeF(1200, 1000));
}

TEST(CSImage, QuickdrawPicturesGoThroughTheRegisteredHook) {
  QByteArray picture(60, '\x01');
  picture.replace(10, 6, QByteArray("\x00\x11\x02\xFF\x0C\x00", 6));
  const QByteArray headed = QByteArray(512, '\0') + picture;
  EXPECT_TRUE(CSImage::initWithData(picture).isNull());  // nothing registered

  static int calls = 0;
  static bool sawHeader = false;
  const QuickdrawPictureHook old = SetQuickdrawPictureHook([](const QByteArray&, bool hasHeader) {
    ++calls;
    sawHeader = hasHeader;
    QImage image(12, 8, QImage::Format_RGB32);
    image.fill(Qt::blue);
    return image;
  });
  EXPECT_EQ(CSImage::initWithData(headed).size(), QSizeF(12, 8));
  EXPECT_TRUE(sawHeader);
  EXPECT_EQ(CSImage::initWithData(picture).size(), QSizeF(12, 8));
  EXPECT_FALSE(sawHeader);
  EXPECT_EQ(calls, 2);
  SetQuickdrawPictureHook(old);
}

TEST(CSImage, FormatsWithoutASignatureNeedTheFileName) {
  const QByteArray ico = EncodeImage(Quadrants(16, 16), "ico");
  QTemporaryDir dir;
  QFile file(dir.filePath("icon.ico"));
  ASSERT_TRUE(file.open(QIODevice::WriteOnly));
  file.write(ico);
  file.close();
  EXPECT_EQ(CSImage::initWithContentsOfFile(file.fileName()).size(), QSizeF(16, 16));
  EXPECT_TRUE(CSImage::initWithData(ico).isNull());

  const QStringList extensions = CSImage::fileExtensions();
  for (const char* ext : {"png", "jpeg", "jpg", "tiff", "gif", "bmp", "heic", "pdf", "ai"})
    EXPECT_TRUE(extensions.contains(QLatin1String(ext))) << ext;
}

TEST(CSImage, ClipboardData) {
  QMimeData empty;
  EXPECT_TRUE(CSImage::initWithPasteboard(&empty).isNull());
  EXPECT_TRUE(CSImage::initWithPasteboard(nullptr).isNull());

  QMimeData png;
  png.setData("image/png", EncodeImage(Quadrants(40, 30), "png"));
  EXPECT_EQ(CSImage::initWithPasteboard(&png, 1.0).size(), QSizeF(40, 30));
  // On a double-density screen the pixels show at half the size.
  const CSImage half = CSImage::initWithPasteboard(&png, 2.0);
  EXPECT_EQ(half.size(), QSizeF(20, 15));

  // A broken preferred type falls back to the next one.
  QMimeData both;
  both.setData("image/tiff", QByteArray("II*\0garbage-garbage-garbage", 27));
  both.setData("image/jpeg", EncodeImage(Quadrants(8, 6), "jpeg"));
  EXPECT_EQ(CSImage::initWithPasteboard(&both, 1.0).size(), QSizeF(8, 6));

  QMimeData qtImage;
  qtImage.setImageData(Quadrants(9, 7, true));
  const CSImage fromQt = CSImage::initWithPasteboard(&qtImage, 1.0);
  EXPECT_EQ(fromQt.size(), QSizeF(9, 7));
  EXPECT_TRUE(fromQt.hasAlpha());

  QMimeData url;
  url.setUrls({QUrl::fromLocalFile(kImages + "tiny.gif")});
  EXPECT_EQ(CSImage::initWithPasteboard(&url, 1.0).size(), QSizeF(3, 2));
}

TEST(CSImage, CopiesAndEmptyImages) {
  const CSImage source = CSImage::initWithCGImage(Quadrants(40, 30, true), QSizeF(0, 0));
  const CSImage copy = CSImage::initWithImage(source);
  ASSERT_FALSE(copy.isNull());
  EXPECT_EQ(copy.size(), QSizeF(40, 30));
  EXPECT_EQ(copy.renderedBitmap({40, 30}), source.renderedBitmap({40, 30}));
  EXPECT_EQ(CSImage::initWithImage(source, QSizeF(20, 15)).size(), QSizeF(20, 15));
  EXPECT_TRUE(CSImage::initWithImage(CSImage()).isNull());

  const CSImage blank = CSImage::initWithSize(QSizeF(10.5, 4));
  ASSERT_FALSE(blank.isNull());
  EXPECT_EQ(blank.size(), QSizeF(10.5, 4));
  EXPECT_EQ(blank.representations()[0].bitmap.size(), QSize(11, 4));
  EXPECT_EQ(qAlpha(blank.representations()[0].bitmap.pixel(5, 2)), 0);
}

TEST(CSImage, DragImageShowsTheImageAtHalfStrength) {
  QImage pixels(10, 6, QImage::Format_ARGB32_Premultiplied);
  pixels.fill(Qt::red);
  for (int y = 0; y < 6; ++y) pixels.setPixel(9, y, 0);  // a clear column
  CSImage image = CSImage::initWithCGImage(pixels, QSizeF(0, 0));
  ASSERT_TRUE(ReplaceImageWithDragImage(&image));
  EXPECT_EQ(image.size(), QSizeF(10, 6));
  const QColor half = QColor::fromRgba(qUnpremultiply(image.renderedBitmap({10, 6}).pixel(2, 2)));
  EXPECT_NEAR(half.alpha(), 128, 1);
  EXPECT_EQ(half.red(), 255);
  EXPECT_EQ(half.green(), 0);
  EXPECT_EQ(qAlpha(image.renderedBitmap({10, 6}).pixel(9, 3)), 0);

  CSImage nil;
  EXPECT_FALSE(ReplaceImageWithDragImage(&nil));
  EXPECT_FALSE(ReplaceImageWithDragImage(nullptr));
}
