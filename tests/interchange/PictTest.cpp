#include <gtest/gtest.h>

#include <QDir>
#include <QFile>
#include <QPainter>
#include <QTemporaryDir>
#include <QtMath>
#include <vector>

#include "PictBuilder.h"
#include "interchange/DRInterchangeServices.h"
#include "interchange/PictConverter.h"
#include "interchange/PictReader.h"
#include "support/CSImage.h"
#include "support/ImageFormat.h"
#include "testkit/ImageCompare.h"
#include "testkit/QStringPrinter.h"
#include "testkit/TestFiles.h"

namespace {

QByteArray Hex(const char* text) {
  return QByteArray::fromHex(text);
}

// The converted page at one pixel a point over white.
QImage PageOf(const CSImage& image) {
  const QSizeF size = image.size();
  const QImage bits = image.renderedBitmap(QSize(qRound(size.width()), qRound(size.height())));
  QImage page(bits.size(), QImage::Format_ARGB32_Premultiplied);
  page.fill(Qt::white);
  QPainter painter(&page);
  painter.drawImage(0, 0, bits);
  return page;
}

struct Converted {
  CSImage image;
  QString path;
  bool version2 = false;
};

Converted Convert(const QByteArray& data, bool fileHeader = false) {
  Converted result;
  result.image = CreateImageFromQuickdrawPict(data, fileHeader, &result.path, &result.version2);
  return result;
}

// A 1-bit bitmap of 8 x 4 set bits drawn into `dst` (top, left, bottom, right).
void AddBlackBitmap(PictBuilder& picture, int top, int left, int bottom, int right) {
  picture.op(0x90).u16(1).rect(0, 0, 4, 8).rect(0, 0, 4, 8).rect(top, left, bottom, right).u16(0);
  picture.raw({0xFF, 0xFF, 0xFF, 0xFF});
}

}  // namespace

TEST(PictUnpackBits, RowsAreUnpackedWithinTheRowAndTheData) {
  struct Case {
    const char* packed;
    size_t rowBytes;
    const char* row;
    size_t distance;
  } cases[] = {
      {"06FEAA0280002A", 6, "AAAAAA80002A", 7},  // a repeat, a no-op, a copy
      {"02FD11", 6, "111111110000", 3},          // a short row is padded
      {"02FEAA", 2, "AAAA", 3},                  // a run clipped to rowBytes
      {"0A05AABB", 6, "AABB00000000", 11},       // counts past the data read nothing more
      {"", 4, "00000000", 0},                    // a row past the data is zeros
  };
  for (const Case& c : cases) {
    // An exact-size copy, so that a read past the data is caught.
    const QByteArray packed = Hex(c.packed);
    std::vector<uint8_t> data(packed.begin(), packed.end());
    std::vector<uint8_t> row(c.rowBytes, 0xEE);
    const size_t distance = UnpackBits(data.data(), data.size(), 0, c.rowBytes, row.data());
    EXPECT_EQ(distance, c.distance) << c.packed;
    EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(row.data()), qsizetype(row.size())).toHex().toUpper(),
              QByteArray(c.row))
        << c.packed;
  }
  // Rows above 250 bytes count their packed bytes in 16 bits.
  const std::vector<uint8_t> wide = {0x00, 0x02, 0x81, 0x07};
  std::vector<uint8_t> row(300, 0xEE);
  EXPECT_EQ(UnpackBits(wide.data(), wide.size(), 0, row.size(), row.data()), 4u);
  EXPECT_EQ(std::count(row.begin(), row.end(), 0x07), 128);
  EXPECT_EQ(std::count(row.begin(), row.end(), 0x00), 172);
}

TEST(PictUnpackBits, WordRunsStopAtRowBytes) {
  // One word copied, then three repeats of the next: five words for a row of four.
  const std::vector<uint8_t> data = {0x06, 0x00, 0x12, 0x34, 0xFE, 0xAB, 0xCD};
  std::vector<uint8_t> row(8, 0xEE);
  EXPECT_EQ(UnpackWordRuns(data.data(), data.size(), 0, row.size(), row.data()), 7u);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(row.data()), 8).toHex(), QByteArray("1234abcdabcdabcd"));
  // A repeat whose word is cut off by the end of the data writes nothing.
  const std::vector<uint8_t> cut = {0x03, 0xFE, 0xAB};
  EXPECT_EQ(UnpackWordRuns(cut.data(), cut.size(), 0, row.size(), row.data()), 4u);
  EXPECT_EQ(QByteArray(reinterpret_cast<const char*>(row.data()), 8).toHex(), QByteArray("0000000000000000"));
}

TEST(PictConverter, FrameRectWithATwoPointPenIsStrokedInsideOnAFrameSizedPage) {
  PictBuilder picture(0, 0, 50, 100);
  picture.op(0x07).s16(2).s16(2).op(0x30).rect(10, 10, 40, 90);
  const Converted converted = Convert(picture.finish());
  ASSERT_FALSE(converted.image.isNull());
  EXPECT_FALSE(converted.version2);
  EXPECT_TRUE(converted.path.endsWith(QStringLiteral(".pdf")));
  EXPECT_TRUE(QFile::exists(converted.path));
  EXPECT_EQ(converted.image.size(), QSizeF(100, 50));
  const QImage page = PageOf(converted.image);
  EXPECT_EQ(InkBounds(page), QRect(QPoint(10, 10), QPoint(89, 39)));
  for (QPoint black : {QPoint(10, 25), QPoint(11, 25), QPoint(50, 38), QPoint(88, 25)})
    EXPECT_TRUE(ColorNear(page.pixel(black), Qt::black, 40)) << black.x() << "," << black.y();
  for (QPoint white : {QPoint(9, 25), QPoint(12, 25), QPoint(50, 25), QPoint(50, 40)})
    EXPECT_TRUE(ColorNear(page.pixel(white), Qt::white, 40)) << white.x() << "," << white.y();
  QFile::remove(converted.path);
}

TEST(PictConverter, ColoursAndPatternDensities) {
  struct Case {
    const char* name;
    int fgCode;  // 0: none
    int fillBits;
    unsigned verb;  // 0x31 paintRect, 0x34 fillRect
    QColor expected;
  } cases[] = {
      {"FgColor 205 paints red", 205, 64, 0x31, QColor(255, 0, 0)},
      {"FgColor 33 paints black", 33, 64, 0x31, QColor(0, 0, 0)},
      {"FgColor 409 paints blue", 409, 64, 0x31, QColor(0, 0, 255)},
      {"half the fill bits fill black as grey", 0, 32, 0x34, QColor(128, 128, 128)},
      {"half the fill bits fill red as light red", 205, 32, 0x34, QColor(255, 128, 128)},
      {"no fill bits fill white", 0, 0, 0x34, QColor(255, 255, 255)},
  };
  for (const Case& c : cases) {
    PictBuilder picture(0, 0, 20, 20);
    if (c.fgCode) picture.op(0x0E).u32(uint32_t(c.fgCode));
    picture.op(0x0A).pattern(c.fillBits);
    picture.op(c.verb).rect(0, 0, 20, 20);
    const Converted converted = Convert(picture.finish());
    ASSERT_FALSE(converted.image.isNull()) << c.name;
    const QRgb centre = PageOf(converted.image).pixel(10, 10);
    EXPECT_TRUE(ColorNear(centre, c.expected, 3))
        << c.name << ": " << qRed(centre) << "," << qGreen(centre) << "," << qBlue(centre);
    QFile::remove(converted.path);
  }
}

TEST(PictConverter, ArcsAreWedgesClockwiseFromStraightUp) {
  PictBuilder picture(0, 0, 100, 100);
  picture.op(0x61).rect(0, 0, 100, 100).s16(0).s16(90);  // paintArc: the upper right quarter
  const Converted converted = Convert(picture.finish());
  ASSERT_FALSE(converted.image.isNull());
  const QImage page = PageOf(converted.image);
  EXPECT_TRUE(ColorNear(page.pixel(70, 30), Qt::black, 40));
  for (QPoint white : {QPoint(30, 30), QPoint(30, 70), QPoint(70, 70), QPoint(95, 5)})
    EXPECT_TRUE(ColorNear(page.pixel(white), Qt::white, 40)) << white.x() << "," << white.y();
}

TEST(PictConverter, PolygonsFillOnlyWhenClosed) {
  // fillPoly of a closed triangle, then of an open one: the second is only stroked.
  PictBuilder picture(0, 0, 40, 80);
  picture.op(0x74).u16(26).rect(0, 0, 40, 40);
  for (int v : {0, 0, 0, 40, 40, 0, 0, 0}) picture.s16(v);  // (0,0) (0,40) (40,0) (0,0) as v, h
  picture.op(0x74).u16(22).rect(0, 40, 40, 80);
  for (int v : {0, 40, 0, 80, 40, 40}) picture.s16(v);
  const Converted converted = Convert(picture.finish());
  ASSERT_FALSE(converted.image.isNull());
  const QImage page = PageOf(converted.image);
  EXPECT_TRUE(ColorNear(page.pixel(10, 10), Qt::black, 40));  // inside the closed one
  EXPECT_TRUE(ColorNear(page.pixel(50, 10), Qt::white, 40));  // inside the open one
  EXPECT_GT(InkCount(page, QRect(58, 18, 5, 5)), 0);           // its stroked diagonal
  EXPECT_TRUE(ColorNear(page.pixel(40, 20), Qt::white, 40));  // and no closing side
}

TEST(PictConverter, TextIsDrawnAtItsPosition) {
  PictBuilder picture(0, 0, 40, 100);
  picture.op(0x0D).s16(18).op(0x28).s16(30).s16(10).u8(3).raw(QByteArray("MWM"));
  const Converted converted = Convert(picture.finish());
  ASSERT_FALSE(converted.image.isNull());
  const QRect ink = InkBounds(PageOf(converted.image));
  ASSERT_FALSE(ink.isEmpty());
  EXPECT_GE(ink.left(), 9);
  EXPECT_LE(ink.bottom(), 31);  // the baseline at 30
  EXPECT_GE(ink.top(), 10);
}

TEST(PictConverter, ImagesPastTheFrameEnlargeThePage) {
  PictBuilder picture(0, 0, 50, 100);
  AddBlackBitmap(picture, 40, 96, 60, 120);
  const Converted converted = Convert(picture.finish());
  ASSERT_FALSE(converted.image.isNull());
  EXPECT_EQ(converted.image.size(), QSizeF(120, 60));
  const QImage page = PageOf(converted.image);
  EXPECT_TRUE(ColorNear(page.pixel(110, 55), Qt::black, 40));
  EXPECT_TRUE(ColorNear(page.pixel(50, 20), Qt::white, 40));
}

TEST(PictConverter, AnEmptyFrameTakesTheImagesExtentOrFails) {
  PictBuilder framed(0, 0, 0, 0);
  AddBlackBitmap(framed, 10, 20, 30, 60);
  const Converted converted = Convert(framed.finish());
  ASSERT_FALSE(converted.image.isNull());
  EXPECT_EQ(converted.image.size(), QSizeF(40, 20));
  EXPECT_TRUE(ColorNear(PageOf(converted.image).pixel(20, 10), Qt::black, 40));

  for (PictBuilder picture : {PictBuilder(0, 0, 0, 0), PictBuilder(50, 50, 10, 10)}) {
    picture.op(0x31).rect(0, 0, 10, 10);  // shapes give no extent
    const Converted empty = Convert(picture.finish());
    EXPECT_TRUE(empty.image.isNull());
    EXPECT_TRUE(empty.path.isEmpty());
  }
}

TEST(PictConverter, QuickTimeDataFailsTheConversionAndLeavesNoFile) {
  const QDir scratch = QFileInfo(Convert(PictBuilder(0, 0, 4, 4).finish()).path).dir();
  const qsizetype before = scratch.entryList(QDir::Files).size();
  for (unsigned op : {0x8200u, 0x8201u}) {
    PictBuilder picture(0, 0, 10, 10, true);
    picture.op(0x31).rect(0, 0, 10, 10).op(op).u32(0);
    const Converted converted = Convert(picture.finish());
    EXPECT_TRUE(converted.image.isNull()) << op;
    EXPECT_TRUE(converted.version2);
    EXPECT_TRUE(converted.path.isEmpty());
  }
  EXPECT_EQ(scratch.entryList(QDir::Files).size(), before);
}

TEST(PictConverter, DirectPixelMapsOfSixteenAndThirtyTwoBits) {
  // 2 x 2 at 32 bits, three component planes (red, green, blue) per row.
  PictBuilder deep(0, 0, 20, 20, true);
  deep.op(0x9A).u32(0xFF).u16(0x8008).pixMapTail(0, 0, 2, 2, 4, 32, 3);
  deep.rect(0, 0, 2, 2).rect(0, 0, 20, 20).u16(0);
  deep.raw({7, 0x05, 0xFF, 0x00, 0x00, 0xFF, 0x00, 0x00});  // red, green
  deep.raw({7, 0x05, 0x00, 0xFF, 0x00, 0xFF, 0xFF, 0xFF});  // blue, white
  // 4 x 1 at 16 bits: one red word copied, three green words repeated.
  PictBuilder shallow(0, 0, 10, 40, true);
  shallow.op(0x9A).u32(0xFF).u16(0x8008).pixMapTail(0, 0, 1, 4, 3, 16, 3);
  shallow.rect(0, 0, 1, 4).rect(0, 0, 10, 40).u16(0);
  shallow.raw({6, 0x00, 0x7C, 0x00, 0xFE, 0x03, 0xE0});

  struct Probe {
    QPoint at;
    QColor colour;
  };
  const std::vector<std::pair<QByteArray, std::vector<Probe>>> cases = {
      {deep.finish(), {{{5, 5}, Qt::red}, {{15, 5}, Qt::green}, {{5, 15}, Qt::blue}, {{15, 15}, Qt::white}}},
      {shallow.finish(), {{{5, 5}, Qt::red}, {{15, 5}, Qt::green}, {{35, 5}, Qt::green}}},
  };
  for (const auto& [data, probes] : cases) {
    const Converted converted = Convert(data);
    ASSERT_FALSE(converted.image.isNull());
    EXPECT_TRUE(converted.version2);
    const QImage page = PageOf(converted.image);
    for (const Probe& probe : probes)
      EXPECT_TRUE(ColorNear(page.pixel(probe.at), probe.colour, 8))
          << probe.at.x() << "," << probe.at.y() << ": " << std::hex << page.pixel(probe.at);
  }
}

TEST(PictConverter, UnsupportedMapsFail) {
  // A pixel map of 24 bits a pixel.
  PictBuilder picture(0, 0, 2, 8, true);
  picture.op(0x9A).u32(0xFF).u16(0x8018).pixMapTail(0, 0, 2, 8, 4, 24, 3);
  picture.rect(0, 0, 2, 8).rect(0, 0, 2, 8).u16(0).raw({1, 0x80, 1, 0x80});
  EXPECT_TRUE(Convert(picture.finish()).image.isNull());
}

// The hostile pictures must convert or be refused without a sanitizer report.
class PictHostile : public ::testing::TestWithParam<QString> {};

TEST_P(PictHostile, IsRefusedOrConvertedWithinTheLimits) {
  QFile file(GetParam());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray data = file.readAll();
  const Converted converted = Convert(data);
  if (!converted.image.isNull()) {
    const QSizeF size = converted.image.size();
    EXPECT_GT(size.width(), 0);
    EXPECT_LE(size.width(), 14400);
    EXPECT_LE(size.height(), 14400);
    QFile::remove(converted.path);
  } else {
    EXPECT_TRUE(converted.path.isEmpty());
  }
}

// The fixture's base name as the case's name.
std::string FixtureName(const ::testing::TestParamInfo<QString>& info) {
  std::string name = QFileInfo(info.param).baseName().toStdString();
  std::replace_if(
      name.begin(), name.end(), [](char c) { return !std::isalnum(uchar(c)); }, '_');
  return name;
}

std::vector<QString> FixturesIn(const char* folder, const char* pattern) {
  std::vector<QString> files;
  const QDir dir(QStringLiteral(TWDRAW_TEST_DATA "/") + QLatin1String(folder));
  for (const QString& name : dir.entryList({QLatin1String(pattern)}, QDir::Files, QDir::Name))
    files.push_back(dir.filePath(name));
  return files;
}

INSTANTIATE_TEST_SUITE_P(Fixtures, PictHostile, ::testing::ValuesIn(FixturesIn("pict/hostile", "*.pict")), FixtureName);

TEST(PictConverter, HostileFixturesAreThere) {
  EXPECT_GE(FixturesIn("pict/hostile", "*.pict").size(), 10u);
  EXPECT_GE(FixturesIn("pict/ppm", "*.pict").size(), 4u);
}

// Pictures written by ppmtopict give a page of their PPM's size with its pixels.
class PictFromPpm : public ::testing::TestWithParam<QString> {};

TEST_P(PictFromPpm, MatchesItsPpm) {
  QFile file(GetParam());
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray data = file.readAll();
  bool hasHeader = false;
  ASSERT_EQ(ImageFormatFromData(data, &hasHeader), kImageFormatQuickdraw);
  const Converted converted = Convert(data, hasHeader);
  ASSERT_FALSE(converted.image.isNull());
  EXPECT_TRUE(converted.version2);
  QString ppmPath = GetParam();
  ppmPath.replace(QStringLiteral(".pict"), QStringLiteral(".ppm"));
  const QImage expected = QImage(ppmPath).convertToFormat(QImage::Format_ARGB32_Premultiplied);
  ASSERT_FALSE(expected.isNull());
  EXPECT_EQ(converted.image.size(), QSizeF(expected.size()));
  const QString name = QFileInfo(GetParam()).baseName();
  EXPECT_TRUE(ImagesMatch(PageOf(converted.image), expected, 8, QStringLiteral("pict-") + name));
  QFile::remove(converted.path);
}

INSTANTIATE_TEST_SUITE_P(Fixtures, PictFromPpm, ::testing::ValuesIn(FixturesIn("pict/ppm", "*.pict")), FixtureName);

TEST(PictConverter, TheImageHookAndTheServicesUseTheConverter) {
  PictBuilder picture(0, 0, 30, 40);
  picture.op(0x31).rect(0, 0, 30, 20);
  const QByteArray file = picture.finish(true);

  const QuickdrawPictureHook old = SetQuickdrawPictureHook(nullptr);
  RegisterInterchangeServices();
  const CSImage image = CSImage::initWithData(file);
  SetQuickdrawPictureHook(old);
  ASSERT_FALSE(image.isNull());
  ASSERT_TRUE(image.representations().first().hasPixels());
  EXPECT_EQ(image.size(), QSizeF(40, 30));
  const QImage pixels = image.representations().first().bitmap;
  EXPECT_TRUE(ColorNear(pixels.pixel(5, 5), Qt::black, 40));

  DRInterchangeServices services;
  QString path;
  const CSImage converted = services.createImageFromQuickdrawPict(file, true, &path);
  ASSERT_FALSE(converted.isNull());
  EXPECT_EQ(converted.size(), QSizeF(40, 30));
  EXPECT_TRUE(QFile::exists(path));
  QFile::remove(path);
}

TEST(PictConverter, PicturesClippingsHaveTheirDrawFileKind) {
  const DRInterchangeServices services;
  EXPECT_EQ(services.drawFileType(QStringLiteral("/tmp/Picture.pictClipping")), kDrawFileClipping);
  EXPECT_EQ(services.drawFileType(QStringLiteral("/tmp/Picture.PICTCLIPPING")), kDrawFileClipping);
  EXPECT_EQ(services.drawFileType(QStringLiteral("/tmp/Picture.svg")), kDrawFileSvg);
}
