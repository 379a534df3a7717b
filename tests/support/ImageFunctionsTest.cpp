#include <gtest/gtest.h>

#include <QBuffer>
#include <QDataStream>
#include <QDir>
#include <QFile>
#include <QGuiApplication>
#include <QImageWriter>
#include <QPainter>
#include <QPalette>
#include <QPdfWriter>
#include <QTemporaryDir>
#include <thread>
#include <vector>

#include "platform/ExtendedAttributes.h"
#include "support/CSCore.h"
#include "support/CSImage.h"
#include "support/Files.h"
#include "support/GraphicsContext.h"
#include "support/ImageFunctions.h"
#include "testkit/LogCapture.h"
#include "testkit/ResourceForkBuilder.h"
#include "testkit/TestFiles.h"

namespace {

QImage Solid(int w, int h, QColor color) {
  QImage image(w, h, QImage::Format_ARGB32_Premultiplied);
  image.fill(color);
  return image;
}

QRgb PixelAt(const CSImage& image, int x, int y) {
  const QImage bitmap = image.renderedBitmap(QSize(qCeil(image.size().width()), qCeil(image.size().height())));
  return bitmap.pixel(x, y);
}

constexpr uint32_t kTIFF = 0x54494646, kPICT = 0x50494354, kTEXT = 0x54455854;

// A version 1 QuickDraw picture as far as detection goes.
QByteArray PictBytes() {
  QByteArray pict(32, '\0');
  pict[10] = 0x11;
  pict[11] = 0x01;
  return pict;
}

QImage g_hookImage;
QImage HookReturningImage(const QByteArray&, bool) {
  return g_hookImage;
}

}  // namespace

// ---- Focus locking -----------------------------------------------------------------

TEST(ImageFocus, GraphicsContextIsABlankBitmapOfTheImageSize) {
  EXPECT_EQ(GraphicsContextForImage(CSImage()), nullptr);
  const CSImage image = CSImage::initWithSize(QSizeF(10.5, 4));
  auto context = GraphicsContextForImage(image);
  ASSERT_NE(context, nullptr);
  EXPECT_TRUE(context->isActive());
  EXPECT_TRUE(context->painter()->transform().isIdentity());
  context->painter()->fillRect(QRect(0, 0, 1, 1), Qt::red);
  const QImage bitmap = context->finish();
  EXPECT_EQ(bitmap.size(), QSize(11, 4));
  EXPECT_EQ(bitmap.format(), QImage::Format_ARGB32_Premultiplied);
  EXPECT_EQ(bitmap.pixel(0, 0), qRgb(255, 0, 0));
  EXPECT_EQ(qAlpha(bitmap.pixel(5, 2)), 0);
  EXPECT_EQ(bitmap.bytesPerLine() % 16, 0);
}

TEST(ImageFocus, LockDrawsOverTheImageAndUnlockWritesItBack) {
  CSImage image = CSImage::initWithCGImage(Solid(8, 6, Qt::red), QSizeF(0, 0));
  const int depth = GraphicsContextDepth();
  ASSERT_TRUE(LockImageFocus(&image));
  EXPECT_EQ(GetCSThreadStorage()[0], 1);
  EXPECT_EQ(GraphicsContextDepth(), depth + 1);
  QPainter* painter = CurrentQuartzContext();
  ASSERT_NE(painter, nullptr);
  painter->fillRect(QRectF(4, 0, 4, 6), Qt::blue);
  UnlockImageFocus(&image);
  EXPECT_EQ(GetCSThreadStorage()[0], 0);
  EXPECT_EQ(GraphicsContextDepth(), depth);
  EXPECT_EQ(image.size(), QSizeF(8, 6));
  ASSERT_EQ(image.representations().size(), 1);
  EXPECT_EQ(PixelAt(image, 1, 1), qRgb(255, 0, 0));  // what was there stays
  EXPECT_EQ(PixelAt(image, 6, 1), qRgb(0, 0, 255));

  // An unlock without a lock changes nothing.
  const qint64 key = image.representations().first().bitmap.cacheKey();
  UnlockImageFocus(&image);
  EXPECT_EQ(image.representations().first().bitmap.cacheKey(), key);
  EXPECT_EQ(GraphicsContextDepth(), depth);

  CSImage nil;
  EXPECT_FALSE(LockImageFocus(&nil));
  EXPECT_FALSE(LockImageFocus(nullptr));
  EXPECT_EQ(GetCSThreadStorage()[0], 0);
}

TEST(ImageFocus, ASecondLockFailsAndLeavesTheFirst) {
  CSImage first = CSImage::initWithSize(QSizeF(4, 4));
  CSImage second = CSImage::initWithSize(QSizeF(4, 4));
  ASSERT_TRUE(LockImageFocus(&first));
  QPainter* painter = CurrentQuartzContext();
  {
    LogCapture log;
    EXPECT_FALSE(LockImageFocus(&second));
    EXPECT_TRUE(log.text().contains("Image lock failed")) << log.text().toStdString();
  }
  EXPECT_EQ(CurrentQuartzContext(), painter);
  painter->fillRect(QRect(0, 0, 4, 4), Qt::green);
  // Unlocking another image ends the lock but writes into neither.
  UnlockImageFocus(&second);
  EXPECT_FALSE(IsImageFocusLocked());
  EXPECT_EQ(qAlpha(PixelAt(first, 1, 1)), 0);
  EXPECT_EQ(qAlpha(PixelAt(second, 1, 1)), 0);
}

TEST(ImageFocus, TheLockBelongsToTheThread) {
  CSImage image = CSImage::initWithSize(QSizeF(4, 4));
  ASSERT_TRUE(LockImageFocus(&image));
  bool otherSawLock = true, otherLocked = false;
  QRgb otherPixel = 0;
  std::thread other([&] {
    otherSawLock = IsImageFocusLocked();
    CSImage own = CSImage::initWithSize(QSizeF(2, 2));
    otherLocked = LockImageFocus(&own);
    if (otherLocked) {
      CurrentQuartzContext()->fillRect(QRect(0, 0, 2, 2), Qt::white);
      UnlockImageFocus(&own);
      otherPixel = own.representations().first().bitmap.pixel(0, 0);
    }
  });
  other.join();
  EXPECT_FALSE(otherSawLock);
  EXPECT_TRUE(otherLocked);
  EXPECT_EQ(otherPixel, qRgb(255, 255, 255));
  EXPECT_TRUE(IsImageFocusLocked());  // the other thread's unlock left ours alone
  UnlockImageFocus(&image);
}

TEST(ImageFocus, CopyIsLockedAndTheOriginalUntouched) {
  const CSImage image = CSImage::initWithCGImage(Solid(3, 3, Qt::red), QSizeF(0, 0));
  auto copy = LockImageFocusCopy(image);
  ASSERT_NE(copy, nullptr);
  EXPECT_TRUE(IsImageFocusLocked());
  EXPECT_EQ(CurrentQuartzContext()->device()->width(), 3);
  CurrentQuartzContext()->fillRect(QRect(0, 0, 3, 3), Qt::blue);
  UnlockImageFocusCopy(std::move(copy));
  EXPECT_FALSE(IsImageFocusLocked());
  EXPECT_EQ(PixelAt(image, 1, 1), qRgb(255, 0, 0));
  EXPECT_EQ(LockImageFocusCopy(CSImage()), nullptr);
}

// ---- Named images --------------------------------------------------------------------

class NamedImages : public ::testing::Test {
 protected:
  void SetUp() override {
    ASSERT_TRUE(m_dir.isValid());
    QDir::addSearchPath(QStringLiteral("images"), m_dir.path());
  }
  void TearDown() override {
    QStringList paths = QDir::searchPaths(QStringLiteral("images"));
    paths.removeAll(m_dir.path());
    QDir::setSearchPaths(QStringLiteral("images"), paths);
  }
  void add(const QString& name, const QImage& image) {
    QFile file(m_dir.filePath(name + ".png"));
    ASSERT_TRUE(file.open(QIODevice::WriteOnly));
    file.write(EncodeImage(image, "png"));
  }
  QTemporaryDir m_dir;
};

TEST_F(NamedImages, CursorFromANamedImage) {
  add("crosshair-test", Solid(16, 12, Qt::black));
  const std::optional<QCursor> cursor = CreateCursorFromImage("crosshair-test", 3, 40);
  ASSERT_TRUE(cursor.has_value());
  EXPECT_EQ(cursor->pixmap().size(), QSize(16, 12));
  EXPECT_EQ(cursor->hotSpot(), QPoint(3, 11));  // clamped into the image
  EXPECT_FALSE(CreateCursorFromImage("no-such-image", 0, 0).has_value());
  EXPECT_FALSE(CreateCursorFromImage("../crosshair-test", 0, 0).has_value());
  EXPECT_FALSE(CreateCursorFromImage(QString(), 0, 0).has_value());
}

TEST_F(NamedImages, MissingNamesGiveTheStopImage) {
  add("dot-test", Solid(5, 5, Qt::green));
  const QList<CSImage> images = ImagesFromNames({"dot-test", "missing-test", "dot-test"});
  ASSERT_EQ(images.size(), 3);
  EXPECT_EQ(images[0].size(), QSizeF(5, 5));
  EXPECT_EQ(images[2].size(), QSizeF(5, 5));
  const CSImage stop = images[1];
  ASSERT_FALSE(stop.isNull());
  EXPECT_EQ(stop.size(), QSizeF(14, 14));
  EXPECT_EQ(stop.representations().first().bitmap.cacheKey(),
            StopProgressTemplateImage().representations().first().bitmap.cacheKey());
  // A cross: ink on the diagonal, clear at the middle of each edge.
  EXPECT_GT(qAlpha(PixelAt(stop, 7, 7)), 200);
  EXPECT_EQ(qAlpha(PixelAt(stop, 7, 0)), 0);
  EXPECT_EQ(qAlpha(PixelAt(stop, 0, 7)), 0);
}

TEST_F(NamedImages, TemplateImagesAreKeptForTheRun) {
  add("template-test", Solid(4, 4, Qt::black));
  EXPECT_EQ(LoadTemplateImages({"template-test", "absent-template-test"}), 1);
  EXPECT_TRUE(IsTemplateImage("template-test"));
  EXPECT_FALSE(IsTemplateImage("absent-template-test"));
  ASSERT_TRUE(QFile::remove(m_dir.filePath("template-test.png")));
  EXPECT_EQ(ImageNamed("template-test").size(), QSizeF(4, 4));  // still there
}

TEST(InvertTemplateImage, FillsTheTextColourWhereTheImageIsOpaque) {
  QImage mask(6, 4, QImage::Format_ARGB32_Premultiplied);
  mask.fill(Qt::transparent);
  QPainter(&mask).fillRect(QRect(0, 0, 3, 4), Qt::black);
  const CSImage image = CSImage::initWithCGImage(mask, QSizeF(0, 0));
  const CSImage inverted = InvertTemplateImage(image);
  ASSERT_FALSE(inverted.isNull());
  EXPECT_EQ(inverted.size(), QSizeF(6, 4));
  const QColor text = QGuiApplication::palette().color(QPalette::Text);
  EXPECT_EQ(PixelAt(inverted, 1, 1), text.rgba());
  EXPECT_EQ(qAlpha(PixelAt(inverted, 4, 1)), 0);

  // Made once per image: the same pixels come back, also for a copy of it.
  const CSImage copy = image;
  EXPECT_EQ(InvertTemplateImage(copy).representations().first().bitmap.cacheKey(),
            inverted.representations().first().bitmap.cacheKey());
  const CSImage other = CSImage::initWithCGImage(mask.copy(), QSizeF(0, 0));  // same pixels, another image
  EXPECT_NE(InvertTemplateImage(other).representations().first().bitmap.cacheKey(),
            inverted.representations().first().bitmap.cacheKey());
  EXPECT_TRUE(InvertTemplateImage(CSImage()).isNull());

  // It is drawn while focus is locked, too, and leaves the lock alone.
  CSImage canvas = CSImage::initWithSize(QSizeF(2, 2));
  ASSERT_TRUE(LockImageFocus(&canvas));
  const CSImage third = CSImage::initWithCGImage(mask.copy(), QSizeF(0, 0));
  EXPECT_EQ(PixelAt(InvertTemplateImage(third), 1, 1), text.rgba());
  EXPECT_TRUE(IsImageFocusLocked());
  UnlockImageFocus(&canvas);
}

// ---- Clippings ---------------------------------------------------------------------------

TEST(ImageFromClipping, LastTiffElseLastPictElseNil) {
  QTemporaryDir dir;
  ASSERT_TRUE(dir.isValid());
  const QString file = dir.filePath("clip.textClipping");
  {
    QFile f(file);
    ASSERT_TRUE(f.open(QIODevice::WriteOnly));
  }
  if (!SetExtendedAttribute(file, kResourceForkAttribute, BuildResourceFork({})))
    GTEST_SKIP() << "this file system keeps no user attributes";

  const QByteArray small = EncodeImage(Solid(4, 3, Qt::red), "tiff");
  const QByteArray last = EncodeImage(Solid(5, 2, Qt::blue), "tiff");
  g_hookImage = Solid(7, 7, Qt::green);
  const QuickdrawPictureHook previous = SetQuickdrawPictureHook(nullptr);

  struct Case {
    const char* what;
    std::vector<ForkResource> resources;
    bool withHook;
    QSizeF size;  // empty: nil
  } cases[] = {
      {"last TIFF wins, PICT ignored", {{kTIFF, 1, small}, {kPICT, 2, PictBytes()}, {kTIFF, 3, last}}, true, {5, 2}},
      {"PICT only, no hook", {{kPICT, 1, PictBytes()}, {kTEXT, 2, "hello"}}, false, {}},
      {"PICT only, hook", {{kPICT, 1, PictBytes()}}, true, {7, 7}},
      {"unreadable TIFF falls back to PICT", {{kTIFF, 1, "II*\0garbage"}, {kPICT, 2, PictBytes()}}, true, {7, 7}},
      {"neither", {{kTEXT, 1, "just text"}}, true, {}},
      {"empty TIFF", {{kTIFF, 1, ""}}, true, {}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.what);
    SetQuickdrawPictureHook(c.withHook ? &HookReturningImage : nullptr);
    ASSERT_TRUE(SetExtendedAttribute(file, kResourceForkAttribute, BuildResourceFork(c.resources)));
    const CSImage image = CreateImageFromClipping(file);
    EXPECT_EQ(image.isNull(), c.size.isEmpty());
    if (!image.isNull()) EXPECT_EQ(image.size(), c.size);
  }
  SetQuickdrawPictureHook(previous);

  ASSERT_TRUE(RemoveExtendedAttribute(file, kResourceForkAttribute));
  EXPECT_TRUE(CreateImageFromClipping(file).isNull());  // no fork at all
  EXPECT_TRUE(CreateImageFromClipping(dir.filePath("absent")).isNull());
}

// ---- Archiving ---------------------------------------------------------------------------

namespace {

QByteArray Archive(const CSImage& image) {
  QByteArray bytes;
  QDataStream out(&bytes, QIODevice::WriteOnly);
  out << image;
  return bytes;
}

CSImage Unarchive(const QByteArray& bytes, QDataStream::Status* status = nullptr) {
  QDataStream in(bytes);
  CSImage image;
  in >> image;
  if (status) *status = in.status();
  return image;
}

QByteArray SmallPdf() {
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  QPdfWriter writer(&buffer);
  writer.setResolution(72);
  writer.setPageSize(QPageSize(QSizeF(30, 20), QPageSize::Point, QString(), QPageSize::ExactMatch));
  writer.setPageMargins(QMarginsF(0, 0, 0, 0));
  QPainter p(&writer);
  p.fillRect(QRectF(0, 0, 15, 20), Qt::red);
  p.end();
  return data;
}

}  // namespace

TEST(ImageCoder, RoundTripKeepsRepresentationsAndCachedSize) {
  CSImage image = CSImage::initWithCGImage(Solid(8, 6, Qt::red), QSizeF(0, 0));
  CSImageRep half;
  half.bitmap = Solid(4, 3, QColor(0, 0, 255, 128));
  half.size = QSizeF(8, 6);
  image.addRepresentation(half);
  image.setCachedSize(QSizeF(16, 12));

  QDataStream::Status status;
  const CSImage back = Unarchive(Archive(image), &status);
  EXPECT_EQ(status, QDataStream::Ok);
  ASSERT_EQ(back.representations().size(), 2);
  EXPECT_EQ(back.cachedSize(), QSizeF(16, 12));
  EXPECT_EQ(back.representations()[1].size, QSizeF(8, 6));
  EXPECT_EQ(back.representations()[0].bitmap.pixel(2, 2), qRgb(255, 0, 0));
  EXPECT_EQ(back.representations()[1].bitmap.pixelColor(1, 1).alpha(), 128);

  // Without a cached size the decoded image caches the one its reps give.
  CSImage plain = CSImage::initWithCGImage(Solid(5, 7, Qt::red), QSizeF(0, 0));
  plain.setCachedSize(QSizeF(0, 0));
  EXPECT_EQ(Unarchive(Archive(plain)).cachedSize(), QSizeF(5, 7));

  const CSImage pdf = CSImage::initWithData(SmallPdf());
  ASSERT_FALSE(pdf.isNull());
  const CSImage pdfBack = Unarchive(Archive(pdf));
  ASSERT_EQ(pdfBack.representations().size(), 1);
  EXPECT_FALSE(pdfBack.representations()[0].hasPixels());
  EXPECT_EQ(pdfBack.size(), QSizeF(30, 20));

  const CSImage nil = Unarchive(Archive(CSImage()), &status);
  EXPECT_TRUE(nil.isNull());
  EXPECT_EQ(status, QDataStream::Ok);
}

TEST(ImageCoder, RefusesBadData) {
  const QByteArray good = Archive(CSImage::initWithCGImage(Solid(4, 4, Qt::red), QSizeF(0, 0)));
  const qsizetype header = 4 + 2 + 8 + 8 + 4;  // magic, version, cached size, count
  auto withByte = [&](qsizetype at, char value) {
    QByteArray b = good;
    b[at] = value;
    return b;
  };
  auto with32 = [&](qsizetype at, uint32_t value) {
    QByteArray b = good;
    PutBigEndian(b, at, value, 4);
    return b;
  };
  const struct {
    const char* what;
    QByteArray bytes;
  } cases[] = {
      {"empty", QByteArray()},
      {"garbage", QByteArray("not an archived image at all, just text")},
      {"wrong magic", withByte(0, 'x')},
      {"wrong version", withByte(5, 9)},
      {"cached width NaN", with32(6, 0x7FF80000)},
      {"too many representations", with32(header - 4, 100000)},
      {"unknown kind", withByte(header, 7)},
      {"negative width", withByte(header + 1, char(0xC0))},
      {"length beyond the stream", with32(header + 17, 0x7FFFFFFF)},
      {"truncated", good.left(good.size() - 10)},
      {"PNG labelled as PDF", withByte(header, 2)},
      {"corrupt PNG", withByte(good.size() - 20, 0x55)},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.what);
    QDataStream::Status status;
    EXPECT_TRUE(Unarchive(c.bytes, &status).isNull());
    EXPECT_NE(status, QDataStream::Ok);
  }
}
