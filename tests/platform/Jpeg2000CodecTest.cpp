#include <gtest/gtest.h>

#include <QFile>
#include <QImage>
#include <QProcess>
#include <QStandardPaths>
#include <QTemporaryDir>

#include "platform/Jpeg2000Codec.h"

namespace {

// The picture every fixture holds: four quadrants of known colours, with
// alpha in the fourth where the image has any.
QImage Quadrants(QImage::Format format) {
  QImage image(40, 30, format);
  for (int y = 0; y < 30; ++y) {
    for (int x = 0; x < 40; ++x) {
      const int quadrant = (x >= 20) + 2 * (y >= 15);
      const QColor colours[] = {QColor(200, 30, 40), QColor(10, 220, 90), QColor(60, 70, 250), QColor(250, 250, 0, 128)};
      image.setPixelColor(x, y, colours[quadrant]);
    }
  }
  return image;
}

// JPEG 2000 files made by the reference encoder (lossless by default) from
// PNG pictures written here.
class Jpeg2000CodecTest : public ::testing::Test {
 protected:
  static void SetUpTestSuite() {
    s_dir = new QTemporaryDir;
    const QString encoder = QStandardPaths::findExecutable(QStringLiteral("opj_compress"));
    ASSERT_FALSE(encoder.isEmpty()) << "opj_compress is missing: scripts/install-deps installs libopenjp2-tools";
    struct Source {
      const char* name;
      QImage image;
    } sources[] = {
        {"rgb.jp2", Quadrants(QImage::Format_RGB32)},
        {"rgba.jp2", Quadrants(QImage::Format_ARGB32)},
        {"grey.jp2", Quadrants(QImage::Format_RGB32).convertToFormat(QImage::Format_Grayscale8)},
        {"deep.jp2", Quadrants(QImage::Format_RGBX64)},  // 16 bits a sample
        {"bare.j2k", Quadrants(QImage::Format_RGB32)},
    };
    for (const Source& source : sources) {
      const QString png = s_dir->filePath(QString::fromLatin1(source.name) + ".png");
      ASSERT_TRUE(source.image.save(png, "PNG"));
      QProcess run;
      // Three resolution levels: the default six need sides of 32 pixels.
      run.start(encoder, {"-i", png, "-o", s_dir->filePath(source.name), "-n", "3"});
      ASSERT_TRUE(run.waitForFinished(-1));
      ASSERT_EQ(run.exitCode(), 0) << source.name << ": " << run.readAllStandardError().toStdString();
    }
  }
  static void TearDownTestSuite() {
    delete s_dir;
    s_dir = nullptr;
  }
  static QByteArray fixture(const char* name) {
    QFile file(s_dir->filePath(name));
    return file.open(QIODevice::ReadOnly) ? file.readAll() : QByteArray();
  }
  static QTemporaryDir* s_dir;
};

QTemporaryDir* Jpeg2000CodecTest::s_dir = nullptr;

}  // namespace

TEST_F(Jpeg2000CodecTest, DecodesEveryKindExactly) {
  const QRgb opaque[] = {qRgb(200, 30, 40), qRgb(10, 220, 90), qRgb(60, 70, 250), qRgb(250, 250, 0)};
  const QPoint samples[] = {{3, 4}, {35, 2}, {7, 20}, {39, 29}};
  // The grey levels Qt wrote into the grey source.
  const QImage greySource = Quadrants(QImage::Format_RGB32).convertToFormat(QImage::Format_Grayscale8);
  auto grey = [&](int quadrant) { return greySource.pixel(samples[quadrant]); };
  struct Row {
    const char* name;
    bool alpha;
    QRgb expected[4];  // one pixel of each quadrant, unpremultiplied
  } rows[] = {
      {"rgb.jp2", false, {opaque[0], opaque[1], opaque[2], opaque[3]}},
      {"bare.j2k", false, {opaque[0], opaque[1], opaque[2], opaque[3]}},
      {"deep.jp2", false, {opaque[0], opaque[1], opaque[2], opaque[3]}},
      {"rgba.jp2", true, {opaque[0], opaque[1], opaque[2], qRgba(250, 250, 0, 128)}},
      {"grey.jp2", false, {grey(0), grey(1), grey(2), grey(3)}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    const QByteArray data = fixture(row.name);
    ASSERT_TRUE(IsJpeg2000Data(data));
    EXPECT_EQ(Jpeg2000ImageSize(data), QSize(40, 30));
    QString error;
    const QImage image = Jpeg2000DecodeImage(data, 40 * 30, &error);
    ASSERT_EQ(image.size(), QSize(40, 30)) << error.toStdString();
    EXPECT_EQ(image.format(), row.alpha ? QImage::Format_ARGB32_Premultiplied : QImage::Format_RGB32);
    const QImage plain = image.convertToFormat(QImage::Format_ARGB32);
    for (int q = 0; q < 4; ++q) {
      const QRgb got = plain.pixel(samples[q]);
      // Premultiplying half-transparent colours loses a little.
      EXPECT_NEAR(qRed(got), qRed(row.expected[q]), row.alpha ? 2 : 0) << q;
      EXPECT_NEAR(qGreen(got), qGreen(row.expected[q]), row.alpha ? 2 : 0) << q;
      EXPECT_NEAR(qBlue(got), qBlue(row.expected[q]), row.alpha ? 2 : 0) << q;
      EXPECT_EQ(qAlpha(got), qAlpha(row.expected[q])) << q;
    }
  }
}

TEST_F(Jpeg2000CodecTest, RefusesWhatItCannotDecodeWithinItsCaps) {
  const QByteArray rgb = fixture("rgb.jp2");
  ASSERT_FALSE(rgb.isEmpty());
  struct Row {
    const char* name;
    QByteArray data;
    int64_t maxPixels;
    const char* reason;  // part of the reason given; empty: any
  } rows[] = {
      {"one pixel over the budget", rgb, 40 * 30 - 1, "too large"},
      {"cut in half", rgb.left(rgb.size() / 2), 1 << 20, ""},
      {"header only", rgb.left(120), 1 << 20, ""},
      {"signature only", rgb.left(12), 1 << 20, ""},
      {"not JPEG 2000", QByteArray("\x89PNG\r\n\x1a\n and more bytes after it", 32), 1 << 20, "not JPEG 2000"},
      {"nothing", QByteArray(), 1 << 20, "not JPEG 2000"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QString error;
    EXPECT_TRUE(Jpeg2000DecodeImage(row.data, row.maxPixels, &error).isNull());
    EXPECT_FALSE(error.isEmpty());
    EXPECT_TRUE(error.contains(QString::fromLatin1(row.reason))) << error.toStdString();
  }
  EXPECT_EQ(Jpeg2000ImageSize(rgb.left(12)), QSize());
  // A codestream whose size marker claims 60,000 pixels a side: refused
  // from its header, before anything is allocated.
  QByteArray huge = fixture("bare.j2k");
  ASSERT_GT(huge.size(), 16);
  // SOC, SIZ, its length and capabilities, then the image's and (after
  // the image offsets) the tile's width and height: one tile still.
  const char side[4] = {0, 0, char(0xEA), 0x60};
  for (const int offset : {8, 12, 24, 28}) huge.replace(offset, 4, side, 4);
  EXPECT_EQ(Jpeg2000ImageSize(huge), QSize(60000, 60000));
  QString error;
  EXPECT_TRUE(Jpeg2000DecodeImage(huge, int64_t(120) * 1000 * 1000, &error).isNull());
  EXPECT_TRUE(error.contains("too large")) << error.toStdString();
}

namespace {

// The data with the size marker's image and tile size set (the marker
// found after the first start of codestream).
QByteArray WithGrid(QByteArray data, uint32_t width, uint32_t height, uint32_t tileWidth, uint32_t tileHeight) {
  const qsizetype soc = data.indexOf(QByteArray("\xFF\x4F\xFF\x51", 4));
  if (soc < 0) return {};
  auto put = [&](qsizetype offset, uint32_t value) {
    const char bytes[4] = {char(value >> 24), char(value >> 16), char(value >> 8), char(value)};
    data.replace(soc + offset, 4, bytes, 4);
  };
  put(8, width);
  put(12, height);
  put(24, tileWidth);
  put(28, tileHeight);
  return data;
}

}  // namespace

TEST_F(Jpeg2000CodecTest, TheSizeMarkerIsReadWithoutTheDecoder) {
  for (const char* name : {"bare.j2k", "rgb.jp2", "grey.jp2"}) {
    SCOPED_TRACE(name);
    const Jpeg2000Header header = ReadJpeg2000Header(fixture(name));
    ASSERT_TRUE(header.valid);
    EXPECT_EQ(header.width, 40u);
    EXPECT_EQ(header.height, 30u);
    EXPECT_EQ(header.tiles, 1u);
    EXPECT_EQ(header.components, QByteArray(name) == "grey.jp2" ? 1u : 3u);
  }
  const QByteArray bare = fixture("bare.j2k");
  EXPECT_EQ(ReadJpeg2000Header(WithGrid(bare, 1000, 600, 64, 64)).tiles, 16u * 10u);
  // The largest grid of the smallest tiles counts without wrapping.
  EXPECT_EQ(ReadJpeg2000Header(WithGrid(bare, 0xFFFFFFFF, 0xFFFFFFFF, 1, 1)).tiles, 0xFFFFFFFFull * 0xFFFFFFFFull);
  struct Row {
    const char* name;
    QByteArray data;
  } rows[] = {
      {"no tile width", WithGrid(bare, 40, 30, 0, 30)},
      {"image offset past the image",
       [&] {
         QByteArray d = bare;
         d.replace(16, 4, QByteArray("\0\0\0\x50", 4));  // x offset 80 of a 40-wide grid
         return d;
       }()},
      {"marker length not that of its components",
       [&] {
         QByteArray d = bare;
         d[5] = char(d[5] + 3);
         return d;
       }()},
      {"cut inside the marker", bare.left(30)},
      {"JP2 without a codestream box", fixture("rgb.jp2").left(60)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    EXPECT_FALSE(ReadJpeg2000Header(row.data).valid);
  }
}

TEST_F(Jpeg2000CodecTest, AGridOfTooManyTilesIsRefusedFromItsHeader) {
  // Well within the pixel budget, but in tiles of 16 pixels a side: 62,500
  // tiles, which no picture has and which the decoder would build one by one.
  for (const char* name : {"bare.j2k", "rgb.jp2"}) {
    SCOPED_TRACE(name);
    const QByteArray tiny = WithGrid(fixture(name), 4000, 4000, 16, 16);
    ASSERT_GT(ReadJpeg2000Header(tiny).tiles, kJpeg2000MaxTiles);
    EXPECT_EQ(Jpeg2000ImageSize(tiny), QSize());
    QString error;
    EXPECT_TRUE(Jpeg2000DecodeImage(tiny, int64_t(120) * 1000 * 1000, &error).isNull());
    EXPECT_TRUE(error.contains("too many tiles")) << error.toStdString();
  }
  // The most tiles allowed still reach the decoder (which finds no data
  // for them and says so).
  const QByteArray most = WithGrid(fixture("bare.j2k"), 128 * 128, 128, 128, 1);
  ASSERT_EQ(ReadJpeg2000Header(most).tiles, kJpeg2000MaxTiles);
  QString error;
  Jpeg2000DecodeImage(most, int64_t(120) * 1000 * 1000, &error);
  EXPECT_FALSE(error.contains("too many tiles")) << error.toStdString();
}

TEST_F(Jpeg2000CodecTest, TheSlowHeaderSeedIsRefusedBeforeTheDecoder) {
  QFile file(QStringLiteral(TWDRAW_TEST_DATA "/fuzz/jpeg2000_decode/jpeg2000-slow-header.j2k"));
  ASSERT_TRUE(file.open(QIODevice::ReadOnly));
  const QByteArray data = file.readAll();
  const Jpeg2000Header header = ReadJpeg2000Header(data);
  ASSERT_TRUE(header.valid);
  EXPECT_EQ(header.width, 65285u);
  EXPECT_EQ(header.tiles, 8161u * 8u);
  EXPECT_EQ(Jpeg2000ImageSize(data), QSize());
  QString error;
  EXPECT_TRUE(Jpeg2000DecodeImage(data, int64_t(120) * 1000 * 1000, &error).isNull());
  EXPECT_FALSE(error.isEmpty());
}
