#include <gtest/gtest.h>

#include <QFile>
#include <QPainter>
#include <QTemporaryDir>

#include "PictBuilder.h"
#include "interchange/Clipping.h"
#include "interchange/IconFile.h"
#include "interchange/PictConverter.h"
#include "platform/ExtendedAttributes.h"
#include "support/ImageFormat.h"
#include "testkit/ImageCompare.h"
#include "testkit/QStringPrinter.h"
#include "testkit/ResourceForkBuilder.h"
#include "testkit/TestFiles.h"

namespace {

constexpr uint32_t kTiff = 0x54494646;
constexpr uint32_t kPdf = 0x50444620;
constexpr uint32_t kPict = 0x50494354;

QImage Filled(int width, int height, const QColor& colour) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(colour);
  return image;
}

QByteArray IconFileOf(const std::vector<std::pair<const char*, QByteArray>>& chunks) {
  QByteArray body;
  for (const auto& [type, data] : chunks) {
    QByteArray header(8, '\0');
    header.replace(0, 4, type);
    PutBigEndian(header, 4, uint32_t(data.size() + 8), 4);
    body += header + data;
  }
  QByteArray file("icns\0\0\0\0", 8);
  PutBigEndian(file, 4, uint32_t(body.size() + 8), 4);
  return file + body;
}

class ClippingTest : public ::testing::Test {
 protected:
  void SetUp() override { ASSERT_TRUE(m_folder.isValid()); }

  // The clipping as the fork attribute of one file and as the sidecar of another.
  std::vector<QString> Clippings(const QByteArray& fork) {
    std::vector<QString> paths;
    const QString sidecarOwner = m_folder.filePath(QStringLiteral("Sidecar %1.pictClipping").arg(m_count));
    WriteBytes(sidecarOwner, QByteArray());
    WriteBytes(SidecarPath(sidecarOwner), BuildSidecarFile(fork));
    paths.push_back(sidecarOwner);
    if (UserAttributesWork(m_folder.path())) {
      const QString owner = m_folder.filePath(QStringLiteral("Fork %1.pictClipping").arg(m_count));
      WriteBytes(owner, QByteArray());
      EXPECT_TRUE(SetExtendedAttribute(owner, kResourceForkAttribute, fork));
      paths.push_back(owner);
    }
    ++m_count;
    return paths;
  }

  QTemporaryDir m_folder;
  int m_count = 0;
};

}  // namespace

TEST_F(ClippingTest, TheBestPictureOfTheForkIsTaken) {
  const QByteArray tiff = EncodeImage(Filled(6, 4, Qt::red), "tiff");
  PictBuilder picture(0, 0, 10, 12);
  picture.op(0x31).rect(0, 0, 10, 12);
  const QByteArray pict = picture.finish();
  // A PDF from the converter itself: Qt writes none from an image.
  QString pdfPath;
  ASSERT_FALSE(CreateImageFromQuickdrawPict(pict, false, &pdfPath, nullptr).isNull());
  const QByteArray pdf = ReadBytes(pdfPath);
  ASSERT_TRUE(pdf.startsWith("%PDF"));

  // PICT and TIFF: the TIFF.
  for (QString path : Clippings(BuildResourceFork({{kPict, 1, pict}, {kTiff, 2, tiff}}))) {
    const QString original = path;
    QByteArray pdfData;
    CSImage image;
    ASSERT_TRUE(ExtractClipping(path, &pdfData, &image)) << qPrintable(original);
    EXPECT_EQ(image.size(), QSizeF(6, 4));
    EXPECT_TRUE(pdfData.isEmpty());
    EXPECT_EQ(path, original);
  }
  // PDF and TIFF: the PDF's bytes when asked for, else the TIFF.
  for (QString path : Clippings(BuildResourceFork({{kPdf, 1, pdf}, {kTiff, 2, tiff}}))) {
    QByteArray pdfData;
    CSImage image;
    ASSERT_TRUE(ExtractClipping(path, &pdfData, &image));
    EXPECT_EQ(pdfData, pdf);
    EXPECT_TRUE(image.isNull());
    ASSERT_TRUE(ExtractClipping(path, nullptr, &image));
    EXPECT_EQ(image.size(), QSizeF(6, 4));
  }
  // PICT alone: converted, and the path becomes the converted PDF's.
  for (QString path : Clippings(BuildResourceFork({{kPict, 1, pict}, {kPict, 2, PictBuilder(0, 0, 0, 0).finish()}}))) {
    CSImage image;
    EXPECT_FALSE(ExtractClipping(path, nullptr, &image));  // the last one counts, and it is empty
  }
  for (QString path : Clippings(BuildResourceFork({{kPict, 1, pict}}))) {
    CSImage image;
    ASSERT_TRUE(ExtractClipping(path, nullptr, &image));
    EXPECT_EQ(image.size(), QSizeF(12, 10));
    EXPECT_TRUE(path.endsWith(QStringLiteral(".pdf")));
    QFile::remove(path);
  }
  // None of the three, and no fork at all.
  for (QString path : Clippings(BuildResourceFork({{0x75726C20, 1, "http://example.com"}}))) {
    QByteArray pdfData;
    CSImage image;
    EXPECT_FALSE(ExtractClipping(path, &pdfData, &image));
    EXPECT_TRUE(image.isNull());
  }
  QString bare = m_folder.filePath(QStringLiteral("bare.pictClipping"));
  WriteBytes(bare, "x");
  CSImage image;
  EXPECT_FALSE(ExtractClipping(bare, nullptr, &image));
  QFile::remove(pdfPath);
}

TEST(ClippingSidecar, HeadersAndEntriesAreChecked) {
  const QByteArray fork = BuildResourceFork({{kTiff, 1, "MM"}});
  ResourceForkContents contents;
  ASSERT_TRUE(ParseSidecarResourceFork(BuildSidecarFile(fork), &contents));
  ASSERT_EQ(contents.entries.size(), 1u);
  EXPECT_EQ(contents.entries[0].type, kTiff);
  FreeResourceForkContents(&contents);

  struct Case {
    const char* name;
    qsizetype at;
    uint32_t value;
    int bytes;
  } cases[] = {
      {"magic", 0, 0x00051600, 4},
      {"version", 4, 0x00010000, 4},
      {"17 entries", 24, 17, 2},
      {"fork offset past the end", 42, 0xFFFFFF00, 4},
      {"fork length wrapping in 32 bits", 46, 0xFFFFFFF0, 4},
      {"no fork entry", 38, 3, 4},
  };
  for (const Case& c : cases) {
    QByteArray sidecar = BuildSidecarFile(fork);
    PutBigEndian(sidecar, c.at, c.value, c.bytes);
    EXPECT_FALSE(ParseSidecarResourceFork(sidecar, &contents)) << c.name;
    EXPECT_TRUE(contents.entries.empty()) << c.name;
  }
  EXPECT_FALSE(ParseSidecarResourceFork(BuildSidecarFile(fork).left(40), &contents));
  EXPECT_EQ(SidecarPath(QStringLiteral("/a/b/Clip.pictClipping")), QStringLiteral("/a/b/._Clip.pictClipping"));
}

TEST(IconFile, TheLargestListedChunkInAnImageFormatIsTaken) {
  const QByteArray png16 = EncodeImage(Filled(16, 16, Qt::red), "png");
  const QByteArray png32 = EncodeImage(Filled(32, 32, Qt::green), "png");
  const QByteArray png32b = EncodeImage(Filled(32, 32, Qt::blue), "png");
  struct Case {
    const char* name;
    QByteArray file;
    QSizeF size;  // empty: nil
    QColor colour;
  };
  QByteArray offByOne = IconFileOf({{"icp5", png32}});
  PutBigEndian(offByOne, 4, uint32_t(offByOne.size() + 1), 4);
  QByteArray zeroLength = IconFileOf({{"icp4", png16}, {"ic07", png32}});
  PutBigEndian(zeroLength, 8 + 8 + png16.size() + 4, 0, 4);
  QByteArray pastEnd = IconFileOf({{"icp4", png16}, {"ic10", png32}});
  PutBigEndian(pastEnd, 8 + 8 + png16.size() + 4, uint32_t(png32.size() + 9), 4);
  const Case cases[] = {
      {"icp5 and ic11 of one size: the first", IconFileOf({{"icp5", png32}, {"ic11", png32b}}), {32, 32}, Qt::green},
      {"the larger listed chunk wins",
       IconFileOf({{"icp6", png32b}, {"icp4", png16}, {"is32", png32}}),
       {32, 32},
       Qt::blue},
      {"a header length one off", offByOne, {}, {}},
      {"a chunk of length 0 ends the walk", zeroLength, {16, 16}, Qt::red},
      {"a chunk running past the end ends the walk", pastEnd, {16, 16}, Qt::red},
      {"a best chunk of no known format", IconFileOf({{"icp4", png16}, {"ic08", QByteArray(64, '\x7f')}}), {}, {}},
      {"a best chunk of JPEG 2000",
       IconFileOf({{"icp4", png16}, {"ic09", QByteArray("\0\0\0\x0cjP  \r\n\x87\n", 12) + QByteArray(40, '\0')}}),
       {},
       {}},
      {"no listed chunk", IconFileOf({{"is32", png16}}), {}, {}},
      {"too short", QByteArray("icns\0\0\0\x08", 8), {}, {}},
  };
  QTemporaryDir folder;
  for (const Case& c : cases) {
    const CSImage image = LargestIconImageFromData(c.file);
    if (c.size.isEmpty()) {
      EXPECT_TRUE(image.isNull()) << c.name;
      continue;
    }
    ASSERT_FALSE(image.isNull()) << c.name;
    EXPECT_EQ(image.size(), c.size) << c.name;
    EXPECT_TRUE(ColorNear(image.representations().first().bitmap.pixel(1, 1), c.colour)) << c.name;
    const QString path = folder.filePath(QStringLiteral("icon.icns"));
    WriteBytes(path, c.file);
    EXPECT_EQ(LargestIconImage(path).size(), c.size) << c.name;
  }
  EXPECT_TRUE(LargestIconImage(folder.filePath(QStringLiteral("missing.icns"))).isNull());
}
