// The own clipboard types: their frames, the records, and pasted bitmaps
// taking their pictures from the drawing or the image map.

#include <gtest/gtest.h>

#include <QImage>
#include <QtEndian>

#include "interchange/ClipboardRecords.h"
#include "model/DRDrawing.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementGroup.h"
#include "model/DRElementRectangle.h"
#include "model/DRKeyTable.h"
#include "model/FakeModelServices.h"
#include "support/ImageSaving.h"

namespace {

CSImage SolidImage(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_ARGB32_Premultiplied);
  image.fill(colour);
  return CSImage::initWithCGImage(image, QSizeF(0, 0));
}

std::unique_ptr<DRElementBitmap> Bitmap(const CSImage& image, CSRect frame) {
  auto bitmap = std::make_unique<DRElementBitmap>(DRPainting::paintingFromImage(image));
  bitmap->setFrame(frame);
  return bitmap;
}

std::unique_ptr<DRElementRectangle> Rect(CSRect frame) {
  auto rect = std::make_unique<DRElementRectangle>();
  rect->setFrame(frame);
  rect->setOriginalSize(CSPoint{frame.width, frame.height});
  return rect;
}

QByteArray Number(quint32 value) {
  char bytes[4];
  qToBigEndian(value, bytes);
  return QByteArray(bytes, 4);
}

class ClipboardRecordsTest : public ::testing::Test {
 protected:
  void SetUp() override { CreateXmlDecoder(); }

  // The own types' data for the elements, as a copy from `source` writes it.
  static std::pair<QByteArray, QByteArray> Copy(const std::vector<DRElement*>& elements, DRDrawing* source) {
    QByteArray records, images;
    WriteClipboardElements(elements, source, &records, &images);
    return {records, images};
  }

  FakeModelServices services;
};

}  // namespace

TEST_F(ClipboardRecordsTest, RecordListsRoundTripAndBadFramesAreRefusedWhole) {
  const QStringList records{QStringLiteral("one"), QString(), QStringLiteral("tr\u00e9s <x/>")};
  const QByteArray data = EncodeClipboardRecords(records);
  EXPECT_EQ(DecodeClipboardRecords(data), records);

  const QByteArray header = QByteArray("TWRECS1\n");
  const struct {
    const char* name;
    QByteArray data;
  } bad[] = {
      {"empty", QByteArray()},
      {"wrong magic", QByteArray("TWIMGS1\n") + Number(0)},
      {"no count", header},
      {"count beyond the cap", header + Number(kMaxClipboardRecords + 1)},
      {"record cut short", header + Number(1) + Number(10) + QByteArray("abc")},
      {"fewer records than counted", header + Number(2) + Number(1) + QByteArray("a")},
      {"bytes after the last record", data + QByteArray("x")},
      {"huge length", header + Number(1) + Number(0xFFFFFFFFu)},
  };
  for (const auto& row : bad) EXPECT_FALSE(DecodeClipboardRecords(row.data).has_value()) << row.name;

  // A record above its cap is left out; the others stay.
  QByteArray large = header + Number(2) + Number(quint32(kMaxClipboardRecordBytes + 1));
  large += QByteArray(kMaxClipboardRecordBytes + 1, 'a') + Number(2) + QByteArray("ok");
  EXPECT_EQ(DecodeClipboardRecords(large), QStringList{QStringLiteral("ok")});
}

TEST_F(ClipboardRecordsTest, ImageMapsRoundTripAndBadMapsReadAsEmpty) {
  DRClipboardImages images{{QStringLiteral("A-1"), QByteArray("tiff one")}, {QStringLiteral("B-2"), QByteArray()}};
  const QByteArray data = EncodeClipboardImages(images);
  EXPECT_EQ(DecodeClipboardImages(data), images);
  for (const QByteArray& bad : {QByteArray(), data.left(data.size() - 1), data + QByteArray("x"),
                                QByteArray("TWIMGS1\n") + Number(0x7FFFFFFF)}) {
    EXPECT_TRUE(DecodeClipboardImages(bad).isEmpty());
  }
}

TEST_F(ClipboardRecordsTest, ARecordIsOneXmlDocumentOfOneElement) {
  auto rect = Rect(CSRect{12700, 25400, 127000, 63500});
  const QString record = ClipboardRecordForElement(*rect);
  EXPECT_TRUE(record.startsWith(QStringLiteral("<?xml")));
  EXPECT_TRUE(record.trimmed().endsWith(QStringLiteral("</element>")));
  DRDrawing drawing;
  std::unique_ptr<DRElement> back = ElementFromClipboardRecord(record, &drawing);
  ASSERT_NE(back, nullptr);
  EXPECT_EQ(back->elementType(), kElementRectangle);
  EXPECT_EQ(back->frame(), rect->frame());
}

TEST_F(ClipboardRecordsTest, BadRecordsAreSkippedOneByOne) {
  DRDrawing drawing;
  auto rect = Rect(CSRect{0, 0, 127000, 127000});
  const QString good = ClipboardRecordForElement(*rect);
  QString unknownType = good;
  unknownType.replace(QStringLiteral("<type>rect</type>"), QStringLiteral("<type>hexagon</type>"));
  ASSERT_NE(unknownType, good);
  const QStringList records{
      QStringLiteral("not xml"),
      QStringLiteral("<?xml version=\"1.0\"?>\n<elements><element/></elements>"),
      unknownType,
      QStringLiteral("<svg><rect/></svg>"),
      good,
      QStringLiteral("<?xml version=\"1.0\"?>\n<element><type>rectangle</type>"),
  };
  for (qsizetype i = 0; i < records.size(); ++i) {
    if (records[i] == good) continue;
    EXPECT_EQ(ElementFromClipboardRecord(records[i], &drawing), nullptr) << i;
  }
  std::optional<DRPastedElements> pasted = ReadClipboardElements(EncodeClipboardRecords(records), {}, &drawing);
  ASSERT_TRUE(pasted.has_value());
  ASSERT_EQ(pasted->elements.size(), 1u);
  EXPECT_EQ(pasted->elements.front()->elementType(), kElementRectangle);
  EXPECT_EQ(pasted->enclosingRect, rect->frame());

  EXPECT_FALSE(ReadClipboardElements(QByteArray("<elements/>"), {}, &drawing).has_value());
}

TEST_F(ClipboardRecordsTest, PastedBitmapsTakeTheMapsPixelsUnderFreshGuids) {
  DRDrawing source;
  source.elements().push_back(Bitmap(SolidImage(8, 6, qRgb(200, 30, 40)), CSRect{0, 0, 101600, 76200}));
  auto* original = static_cast<DRElementBitmap*>(source.elements().back().get());
  // The record names a file; the pasted pixels must not be taken as that file's.
  original->painting()->setFilePath(QStringLiteral("/etc/hostname"));
  source.elements().push_back(std::make_unique<DRElementBitmap>());
  static_cast<DRElementBitmap*>(source.elements().back().get())->setPainting(original->painting());
  const auto [records, images] = Copy({source.elements()[0].get(), source.elements()[1].get()}, &source);
  // Two bitmaps of one painting: its pixels once.
  EXPECT_EQ(DecodeClipboardImages(images).size(), 1);

  DRDrawing target;
  std::optional<DRPastedElements> first = ReadClipboardElements(records, images, &target);
  std::optional<DRPastedElements> second = ReadClipboardElements(records, images, &target);
  ASSERT_TRUE(first && second);
  ASSERT_EQ(first->elements.size(), 2u);
  QSet<QString> guids{original->guid(), original->painting()->guid()};
  for (auto* pasted : {&first->elements, &second->elements}) {
    for (const auto& element : *pasted) {
      auto* bitmap = dynamic_cast<DRElementBitmap*>(element.get());
      ASSERT_TRUE(bitmap && bitmap->painting());
      EXPECT_FALSE(guids.contains(bitmap->guid()));
      EXPECT_FALSE(guids.contains(bitmap->painting()->guid()));
      guids << bitmap->guid() << bitmap->painting()->guid();
      EXPECT_FALSE(bitmap->painting()->matchesFile());
      EXPECT_EQ(bitmap->painting()->image().renderedBitmap(QSize(8, 6)).pixel(3, 3), qRgb(200, 30, 40));
    }
  }
  // Each has pixels of its own.
  auto* a = static_cast<DRElementBitmap*>(first->elements[0].get());
  auto* b = static_cast<DRElementBitmap*>(second->elements[0].get());
  ASSERT_TRUE(a->painting()->fillWithColor(g_whiteKolor, nullptr, QPointF()));
  EXPECT_EQ(b->painting()->image().renderedBitmap(QSize(8, 6)).pixel(3, 3), qRgb(200, 30, 40));
}

TEST_F(ClipboardRecordsTest, PastedBitmapsPreferTheTargetDrawingsOwnPainting) {
  DRDrawing drawing;
  drawing.elements().push_back(Bitmap(SolidImage(4, 4, qRgb(0, 0, 255)), CSRect{0, 0, 50800, 50800}));
  auto* original = static_cast<DRElementBitmap*>(drawing.elements().back().get());
  const auto [records, images] = Copy({original}, &drawing);
  // No map at all: the drawing's painting of that GUID is used.
  std::optional<DRPastedElements> pasted = ReadClipboardElements(records, QByteArray(), &drawing);
  ASSERT_TRUE(pasted);
  ASSERT_EQ(pasted->elements.size(), 1u);
  auto* bitmap = static_cast<DRElementBitmap*>(pasted->elements.front().get());
  EXPECT_NE(bitmap->painting()->guid(), original->painting()->guid());
  EXPECT_EQ(bitmap->painting()->image().renderedBitmap(QSize(4, 4)).pixel(1, 1), qRgb(0, 0, 255));
}

TEST_F(ClipboardRecordsTest, BitmapsWithoutPicturesAreDroppedAndEmptyGroupsWithThem) {
  DRDrawing source;
  DRElementList lonely;
  lonely.push_back(Bitmap(SolidImage(4, 4, qRgb(0, 255, 0)), CSRect{0, 0, 50800, 50800}));
  source.elements().push_back(std::make_unique<DRElementGroup>(std::move(lonely)));
  DRElementList mixed;
  mixed.push_back(Bitmap(SolidImage(4, 4, qRgb(0, 255, 0)), CSRect{0, 0, 50800, 50800}));
  mixed.push_back(Rect(CSRect{127000, 0, 50800, 50800}));
  source.elements().push_back(std::make_unique<DRElementGroup>(std::move(mixed)));
  source.elements().push_back(Bitmap(SolidImage(4, 4, qRgb(0, 255, 0)), CSRect{0, 0, 50800, 50800}));
  const auto [records, images] =
      Copy({source.elements()[0].get(), source.elements()[1].get(), source.elements()[2].get()}, &source);

  // Another drawing, and the map lost.
  DRDrawing target;
  std::optional<DRPastedElements> pasted = ReadClipboardElements(records, QByteArray("garbage"), &target);
  ASSERT_TRUE(pasted);
  ASSERT_EQ(pasted->elements.size(), 1u);
  auto* group = dynamic_cast<DRElementGroup*>(pasted->elements.front().get());
  ASSERT_NE(group, nullptr);
  ASSERT_EQ(group->subelements().size(), 1u);
  EXPECT_EQ(group->subelements().front()->elementType(), kElementRectangle);

  // With the map every bitmap pastes.
  pasted = ReadClipboardElements(records, images, &target);
  ASSERT_TRUE(pasted);
  EXPECT_EQ(pasted->elements.size(), 3u);
}
