#include "richtext/ImageServices.h"

#include <gtest/gtest.h>

#include <QBuffer>
#include <QDir>
#include <QFile>
#include <QImage>
#include <QImageWriter>
#include <QPainter>
#include <QTemporaryDir>

#include "ImageCompare.h"
#include "LogCapture.h"
#include "richtext/Pictures.h"
#include "support/CSImage.h"
#include "support/GraphicsContext.h"
#include "support/ImageFormat.h"

namespace {

QImage Pixels(int width, int height, QColor color = Qt::red) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(color);
  return image;
}

QByteArray Encode(const QImage& image, const char* format) {
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  QImageWriter(&buffer, format).write(image);
  return data;
}

bool WriteBytes(const QString& path, const QByteArray& bytes) {
  QFile file(path);
  return file.open(QIODevice::WriteOnly) && file.write(bytes) == bytes.size();
}

// A picture entry over an image and a path, owning neither.
struct Picture {
  CSImage image;
  QString path;
  PictureEntry entry;
  Picture(const QImage& pixels, const QString& file) : image(CSImage::initWithCGImage(pixels, QSizeF())), path(file) {
    entry.image = &image;
    entry.fileName = &path;
  }
};

TEST(ImageServicesTest, AFileOfItsOwnFormatExportsItsBytes) {
  QTemporaryDir dir;
  const QImage pixels = Pixels(4, 3);
  const QString png = dir.filePath(QStringLiteral("shot.PNG"));
  const QByteArray pngBytes = Encode(pixels, "png") + QByteArray("tail");
  ASSERT_TRUE(WriteBytes(png, pngBytes));
  Picture picture(pixels, png);
  int isPng = -1;
  EXPECT_EQ(DataForImage(&picture.entry, &isPng), pngBytes);
  EXPECT_EQ(isPng, 1);

  const QString jpeg = dir.filePath(QStringLiteral("photo.jpeg"));
  const QByteArray jpegBytes = Encode(pixels.convertToFormat(QImage::Format_RGB32), "jpeg");
  ASSERT_TRUE(WriteBytes(jpeg, jpegBytes));
  Picture photo(pixels, jpeg);
  EXPECT_EQ(DataForImage(&photo.entry, &isPng), jpegBytes);
  EXPECT_EQ(isPng, 0);
}

TEST(ImageServicesTest, OtherFilesAndFalseExtensionsAreReencodedAsPng) {
  QTemporaryDir dir;
  const QImage pixels = Pixels(5, 2, Qt::blue);
  struct Case {
    const char* name;
    QByteArray bytes;
  };
  const Case cases[] = {
      {"anim.gif", Encode(pixels, "gif")},
      {"fake.png", Encode(pixels, "bmp")},   // the bytes are no PNG
      {"fake.jpg", Encode(pixels, "png")},   // nor JPEG
  };
  for (const Case& c : cases) {
    const QString path = dir.filePath(QString::fromLatin1(c.name));
    ASSERT_TRUE(WriteBytes(path, c.bytes));
    Picture picture(pixels, path);
    int isPng = -1;
    const QByteArray data = DataForImage(&picture.entry, &isPng);
    EXPECT_EQ(isPng, 1) << c.name;
    EXPECT_EQ(ImageFormatFromData(data), kImageFormatPNG) << c.name;
    EXPECT_EQ(QImage::fromData(data).size(), QSize(5, 2)) << c.name;
  }
  PictureEntry empty;
  int isPng = -1;
  EXPECT_TRUE(DataForImage(&empty, &isPng).isEmpty());
}

TEST(ImageServicesTest, PicturesAPixelApartDiffer) {
  const QImage a = Pixels(9, 7);
  QImage b = a;
  b.setPixelColor(8, 6, Qt::green);
  const CSImage first = CSImage::initWithCGImage(a, QSizeF());
  const CSImage same = CSImage::initWithCGImage(a.copy(), QSizeF());
  const CSImage other = CSImage::initWithCGImage(b, QSizeF());
  EXPECT_TRUE(ArePicturesEqual(&first, &same));
  EXPECT_FALSE(ArePicturesEqual(&first, &other));  // the last pixel of the last row
  EXPECT_TRUE(ArePicturesEqual(nullptr, nullptr));
  EXPECT_FALSE(ArePicturesEqual(&first, nullptr));
  CSImage twoReps = CSImage::initWithCGImage(a, QSizeF());
  twoReps.addRepresentation(twoReps.representations().first());
  EXPECT_FALSE(ArePicturesEqual(&twoReps, &first));
  const CSImage larger = CSImage::initWithCGImage(Pixels(9, 8), QSizeF());
  EXPECT_FALSE(ArePicturesEqual(&first, &larger));
}

TEST(ImageServicesTest, OneTransparentPixelMeansAlpha) {
  QImage pixels = Pixels(6, 6);
  const CSImage opaque = CSImage::initWithCGImage(pixels.convertToFormat(QImage::Format_RGB32), QSizeF());
  EXPECT_FALSE(PictureHasAlpha(&opaque));
  const CSImage opaqueWithChannel = CSImage::initWithCGImage(pixels, QSizeF());
  EXPECT_FALSE(PictureHasAlpha(&opaqueWithChannel));
  pixels.setPixelColor(0, 5, Qt::transparent);
  const CSImage corner = CSImage::initWithCGImage(pixels, QSizeF());
  EXPECT_TRUE(PictureHasAlpha(&corner));
  EXPECT_TRUE(PictureHasAlpha(nullptr));
}

TEST(ImageServicesTest, SavingCopiesConvertsOrEncodes) {
  QTemporaryDir source, target;
  const QImage pixels = Pixels(4, 4);
  const QString tif = source.filePath(QStringLiteral("scan.tif"));
  ASSERT_TRUE(WriteBytes(tif, Encode(pixels, "tiff")));
  Picture scan(pixels, tif);
  QString name = QStringLiteral("one");
  CSError error;
  ASSERT_TRUE(SavePicture(&scan.entry, target.path(), true, &name, &error));
  EXPECT_EQ(name, QStringLiteral("one.jpg"));
  EXPECT_EQ(ImageFormatFromData([&] {
              QFile f(target.filePath(name));
              f.open(QIODevice::ReadOnly);
              return f.readAll();
            }()),
            kImageFormatJPEG);
  name = QStringLiteral("two");
  ASSERT_TRUE(SavePicture(&scan.entry, target.path(), false, &name, &error));
  EXPECT_EQ(name, QStringLiteral("two.tif"));
  EXPECT_TRUE(QFile::exists(target.filePath(QStringLiteral("two.tif"))));
  Picture pasted(pixels, QString());
  name = QStringLiteral("three");
  ASSERT_TRUE(SavePicture(&pasted.entry, target.path(), false, &name, &error));
  EXPECT_TRUE(name.startsWith(QStringLiteral("three.")));
  EXPECT_TRUE(QFile::exists(target.filePath(name)));
  PictureEntry empty;
  name = QStringLiteral("four");
  EXPECT_TRUE(SavePicture(&empty, target.path(), false, &name, &error));
  EXPECT_EQ(name, QStringLiteral("four"));
  name = QStringLiteral("five");
  EXPECT_FALSE(SavePicture(&pasted.entry, target.filePath(QStringLiteral("no/such/folder")), false, &name, &error));
}

TEST(ImageServicesTest, LoadingTrimsAndLogsFailures) {
  QTemporaryDir dir;
  const QString path = dir.filePath(QStringLiteral("p.png"));
  ASSERT_TRUE(WriteBytes(path, Encode(Pixels(3, 2), "png")));
  QString padded = QStringLiteral(" \t") + path + QStringLiteral("  ");
  std::unique_ptr<CSImage> image(CreateImageFromFileInRTF(&padded));
  ASSERT_TRUE(image);
  EXPECT_EQ(padded, path);
  EXPECT_EQ(GetPictureSize(image.get()), QSizeF(3, 2));
  EXPECT_EQ(GetPictureSize(nullptr), QSizeF(32, 32));

  LogCapture log;
  const QString missing = dir.filePath(QStringLiteral("gone.png"));
  EXPECT_EQ(CreateImageFromFile(&missing, QStringLiteral("label")), nullptr);
  EXPECT_TRUE(log.text().contains(QStringLiteral("Failed to load image label at \"%1\"").arg(missing)))
      << log.text().toStdString();
  EXPECT_EQ(CreateImageFromData(QByteArray("not an image at all, not at all")), nullptr);
}

TEST(ImageServicesTest, AMissingPictureDrawsTheMissingImage) {
  SetupRichTextResources();
  const QImage image = RenderInContext(QSize(40, 40), [](QPainter&) { DrawPicture(nullptr, QRectF(4, 4, 32, 32), 1.0f); });
  EXPECT_EQ(InkBounds(image), QRect(4, 4, 32, 32));
  const CSImage red = CSImage::initWithCGImage(Pixels(2, 2), QSizeF());
  const QImage half =
      RenderInContext(QSize(20, 20), [&](QPainter&) { DrawPicture(&red, QRectF(0, 0, 10, 10), 0.5f); });
  EXPECT_TRUE(ColorNear(half.pixel(5, 5), QColor(255, 128, 128), 4));
  EXPECT_TRUE(ColorNear(half.pixel(15, 15), Qt::white));
}

}  // namespace
