#include <gtest/gtest.h>

#include <QDir>
#include <QImage>
#include <QObject>
#include <QPainter>
#include <QTemporaryDir>
#include <memory>
#include <vector>

#include "model/DRDrawing.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementGroup.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "model/RecordTesting.h"
#include "platform/NotificationCenter.h"
#include "support/CSError.h"
#include "testkit/TestFiles.h"

namespace {

constexpr Kolor kOpaqueRed = 0x640000FF;
constexpr Kolor kOpaqueBlue = 0x64FF0000;

QImage Solid(int width, int height, QColor color) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(color);
  return image;
}

std::shared_ptr<DRPainting> PaintingOf(const QImage& image) {
  return DRPainting::paintingFromImage(CSImage::initWithCGImage(image, QSizeF(0, 0)));
}

std::unique_ptr<DRElementBitmap> BitmapOf(const QImage& image) {
  return std::make_unique<DRElementBitmap>(PaintingOf(image));
}

// The record of an element as the package writes it (saving) or the
// clipboard (not saving).
QString RecordWhile(DRElement& element, bool saving) {
  element.setSaving(saving);
  const QString text = RecordOf(element);
  element.setSaving(false);
  return text;
}

DRElementBitmap* AsBitmap(const std::unique_ptr<DRElement>& element) {
  return dynamic_cast<DRElementBitmap*>(element.get());
}

std::unique_ptr<DRElement> ReadInDrawing(const QString& record, DRDrawing* drawing) {
  auto decoder = CSXmlDecoder::createWithString(g_xmlPrefix + record);
  while (decoder && decoder->getNextTag()) {
    if (decoder->startTag() && decoder->key() == kXmlElement) return DRElement::elementWithXml(*decoder, drawing);
  }
  return nullptr;
}

// Records the names and objects of the notifications of one name.
class Posts {
 public:
  explicit Posts(const QString& name) {
    m_token = NotificationCenter::defaultCenter().addObserver(
        this, name, nullptr, [this](const CSNotification& n) { objects.push_back(n.object); });
  }
  ~Posts() { NotificationCenter::defaultCenter().removeObserver(m_token); }
  Posts(const Posts&) = delete;
  Posts& operator=(const Posts&) = delete;
  std::vector<void*> objects;

 private:
  NotificationCenter::Token m_token;
};

}  // namespace

TEST(DRElementBitmap, ANewBitmapTakesThePaintingsSize) {
  SettingsScope scope;
  auto bitmap = BitmapOf(Solid(40, 30, Qt::red));
  EXPECT_EQ(bitmap->elementType(), kElementBitmap);
  EXPECT_TRUE(bitmap->canScale());
  EXPECT_TRUE(bitmap->isConstrained());
  EXPECT_TRUE(bitmap->constrainToOriginalSize());
  EXPECT_EQ(bitmap->originalSize(), (CSPoint{Pt(40), Pt(30)}));
  EXPECT_EQ(bitmap->frame(), PtRect(0, 0, 40, 30));
  EXPECT_FALSE(bitmap->guid().isEmpty());
  EXPECT_NE(bitmap->guid(), DRElementBitmap().guid());
}

TEST(DRElementBitmap, OpacityZeroIsOpaqueAndIsNotWritten) {
  SettingsScope scope;
  const struct {
    int64_t stored;
    const char* written;
    int value;  // the red painting's green and blue over white
  } cases[] = {
      {0, nullptr, 0},
      {501, "500", 128},
      {1001, "1000", 0},
      {1, "0", 255},
  };
  for (const auto& c : cases) {
    SCOPED_TRACE(c.stored);
    auto bitmap = BitmapOf(Solid(10, 10, Qt::red));
    bitmap->setOpacity(c.stored);
    const QString record = RecordOf(*bitmap);
    if (c.written) {
      EXPECT_TRUE(record.contains(QString("<opacity>%1</opacity>").arg(c.written))) << record.toStdString();
    } else {
      EXPECT_FALSE(record.contains("opacity")) << record.toStdString();
    }
    std::unique_ptr<DRElement> read = ReadRecord(record);
    ASSERT_TRUE(AsBitmap(read));
    EXPECT_EQ(AsBitmap(read)->opacity(), c.stored);

    const QImage image = Render(QSize(20, 20), [&] { bitmap->drawInRect(QRectF(5, 5, 10, 10), nullptr); });
    EXPECT_TRUE(ColorNear(image.pixel(10, 10), QColor(255, c.value, c.value), 3));
    EXPECT_EQ(image.pixel(2, 2), qRgb(255, 255, 255));
  }
}

TEST(DRElementBitmap, TheClipboardRecordCarriesTheImageAndThePackageRecordItsGuid) {
  SettingsScope scope;
  auto bitmap = BitmapOf(Solid(12, 8, Qt::red));
  bitmap->setName("photo.png");
  bitmap->painting()->setFilePath("/pictures/photo.png");
  const QString guid = bitmap->painting()->guid();

  const QString clipboard = RecordWhile(*bitmap, false);
  EXPECT_TRUE(bitmap->painting()->inUse());
  const QStringList tags = RecordChildTags(clipboard);
  EXPECT_EQ(tags.mid(tags.indexOf("id")), (QStringList{"id", "name", "image", "id", "original", "file"}));
  EXPECT_TRUE(clipboard.contains("<id>" + guid + "</id>"));
  EXPECT_TRUE(clipboard.contains("<original>{12, 8}</original>"));

  bitmap->painting()->setInUse(false);
  const QString package = RecordWhile(*bitmap, true);
  EXPECT_TRUE(bitmap->painting()->inUse());
  EXPECT_TRUE(package.contains("<image id=\"" + guid + "\"/>")) << package.toStdString();
  EXPECT_FALSE(package.contains("{12, 8}"));  // no painting record

  // Read back, the clipboard record shows a painting of the same GUID and
  // size, and keeps the element's own GUID and name.
  std::unique_ptr<DRElement> read = ReadRecord(clipboard);
  ASSERT_TRUE(AsBitmap(read));
  EXPECT_EQ(AsBitmap(read)->guid(), bitmap->guid());
  EXPECT_EQ(AsBitmap(read)->name(), "photo.png");
  ASSERT_TRUE(AsBitmap(read)->painting());
  EXPECT_EQ(AsBitmap(read)->painting()->guid(), guid);
  EXPECT_EQ(AsBitmap(read)->painting()->filePath(), "/pictures/photo.png");
  EXPECT_EQ(read->frame(), bitmap->frame());
  EXPECT_EQ(RecordOf(*read), RecordWhile(*bitmap, false));
}

TEST(DRElementBitmap, RecordsFindTheDrawingsPainting) {
  SettingsScope scope;
  FakeModelServices services;
  DRDrawing drawing;
  std::shared_ptr<DRPainting> waiting = PaintingOf(Solid(20, 10, Qt::blue));
  drawing.newPaintings().insert(waiting->guid(), waiting);

  // A package record: the painting of that GUID, as a copy.
  const QString package =
      Records(QString("<element><type>bitmap</type><frame>{0,0,254000,127000}</frame><original>{254000,127000}"
                      "</original><id>E1</id><image id=\"%1\"/></element>")
                  .arg(waiting->guid()));
  std::unique_ptr<DRElement> read = ReadInDrawing(package, &drawing);
  ASSERT_TRUE(AsBitmap(read));
  ASSERT_TRUE(AsBitmap(read)->painting());
  EXPECT_TRUE(AsBitmap(read)->painting()->isEqual(*waiting));
  EXPECT_NE(AsBitmap(read)->painting(), waiting);
  EXPECT_EQ(AsBitmap(read)->painting()->kolorAtPoint({2, 2}), kOpaqueBlue);
  EXPECT_EQ(read->frame(), PtRect(0, 0, 20, 10));

  // A clipboard record of a painting the drawing has: the drawing's pixels.
  auto pasted = BitmapOf(Solid(20, 10, Qt::red));
  pasted->painting()->setGuid(waiting->guid());
  std::unique_ptr<DRElement> again = ReadInDrawing(Records(RecordOf(*pasted)), &drawing);
  ASSERT_TRUE(AsBitmap(again));
  EXPECT_EQ(AsBitmap(again)->painting()->kolorAtPoint({2, 2}), kOpaqueBlue);

  // A reference the drawing cannot resolve leaves the element without a
  // painting; it stays and draws nothing.
  std::unique_ptr<DRElement> missing =
      ReadInDrawing(Records("<element><type>bitmap</type><frame>{0,0,127000,127000}</frame>"
                            "<image id=\"NOT-THERE\"/></element>"),
                    &drawing);
  ASSERT_TRUE(AsBitmap(missing));
  EXPECT_EQ(AsBitmap(missing)->painting(), nullptr);
  EXPECT_FALSE(RecordOf(*missing).contains("<image"));
  const QImage image = Render(QSize(20, 20), [&] { missing->drawInView(nullptr); });
  EXPECT_TRUE(InkBounds(image).isEmpty());
}

TEST(DRElementBitmap, AnEmptyImageTagWithoutIdDropsTheElement) {
  SettingsScope scope;
  EXPECT_EQ(ReadRecord(Records("<element><type>bitmap</type><frame>{0,0,12700,12700}</frame><image/></element>")),
            nullptr);
  EXPECT_EQ(ReadRecord(Records("<element><type>bitmap</type><image></image></element>")), nullptr);
  // A record whose GUID would name a file outside the image folder is an
  // image that is missing: the element stays, without a painting.
  std::unique_ptr<DRElement> unsafe =
      ReadRecord(Records("<element><type>bitmap</type><frame>{0,0,12700,12700}</frame>"
                         "<image><id>../../escape</id><original>{1, 1}</original></image></element>"));
  ASSERT_TRUE(AsBitmap(unsafe));
  EXPECT_EQ(AsBitmap(unsafe)->painting(), nullptr);
  EXPECT_EQ(RecordOf(*ReadRecord(Records(RecordOf(*unsafe)))), RecordOf(*unsafe));
}

TEST(DRElementBitmap, AnEditUpdatesEveryElementOfThatGuidButNotUndoCopies) {
  SettingsScope scope;
  FakeModelServices services;
  auto first = BitmapOf(Solid(20, 20, Qt::red));
  auto second = std::make_unique<DRElementBitmap>(first->painting()->copy());
  second->setFrame(PtRect(100, 100, 40, 40));  // shown at twice its size
  std::unique_ptr<DRElement> undoCopy = first->copy();
  undoCopy->setUndoCopy(true);
  auto other = BitmapOf(Solid(20, 20, Qt::red));

  std::shared_ptr<DRPainting> edited = first->painting()->copy();
  ASSERT_TRUE(edited->fillWithColor(kOpaqueBlue, nullptr, {}));
  ASSERT_TRUE(edited->resizeWidth(Pt(30), Pt(10), false));
  ASSERT_TRUE(edited->edited());

  QObject window;
  Posts updates(g_updateBitmapNotification);
  Posts positions(QStringLiteral("twdraw.positionChange"));
  NotificationCenter::defaultCenter().post(g_bitmapChangeNotification, edited.get(),
                                           {{"window", QVariant::fromValue<QObject*>(&window)}});

  for (DRElementBitmap* shown : {first.get(), second.get()}) {
    ASSERT_NE(shown->painting(), edited);  // a copy
    EXPECT_EQ(shown->painting()->kolorAtPoint({2, 2}), kOpaqueBlue);
    EXPECT_EQ(shown->painting()->originalSize(), QSizeF(30, 10));
    EXPECT_FALSE(shown->painting()->edited());
    EXPECT_EQ(shown->originalSize(), (CSPoint{Pt(30), Pt(10)}));
  }
  EXPECT_EQ(first->frame(), PtRect(0, 0, 30, 10));
  EXPECT_EQ(second->frame(), PtRect(100, 100, 60, 20));  // keeps its scale
  EXPECT_TRUE(edited->edited());                         // the editor's own painting is left alone

  auto* copy = dynamic_cast<DRElementBitmap*>(undoCopy.get());
  EXPECT_EQ(copy->painting()->kolorAtPoint({2, 2}), kOpaqueRed);
  EXPECT_EQ(copy->frame(), PtRect(0, 0, 20, 20));
  EXPECT_EQ(other->painting()->kolorAtPoint({2, 2}), kOpaqueRed);

  EXPECT_EQ(updates.objects.size(), 2u);
  EXPECT_EQ(positions.objects, (std::vector<void*>{&window, &window}));
}

TEST(DRElementBitmap, ConstrainingKeepsTheLongerSideAndThePaintingsProportions) {
  SettingsScope scope;
  const struct {
    int paintingWidth, paintingHeight;
    CSRect frame;
    CSRect expected;
  } cases[] = {
      {200, 200, PtRect(5, 5, 300, 100), PtRect(5, 5, 300, 300)},
      {200, 200, PtRect(0, 0, 100, 300), PtRect(0, 0, 300, 300)},
      {200, 100, PtRect(0, 0, 100, 300), PtRect(0, 0, 600, 300)},
      {200, 100, PtRect(0, 0, 300, 50), PtRect(0, 0, 300, 150)},
  };
  for (const auto& c : cases) {
    auto bitmap = BitmapOf(Solid(c.paintingWidth, c.paintingHeight, Qt::red));
    bitmap->setConstrained(false);
    bitmap->setFrame(c.frame);
    bitmap->setConstrained(true);
    EXPECT_TRUE(bitmap->isConstrained());
    EXPECT_EQ(bitmap->frame(), c.expected);
  }
  auto loose = BitmapOf(Solid(200, 200, Qt::red));
  loose->setFrame(PtRect(0, 0, 300, 100));
  loose->setConstrained(false);
  EXPECT_EQ(loose->frame(), PtRect(0, 0, 300, 100));
}

TEST(DRElementBitmap, SavedUsedPaintingsWritesTheImageOfPaintingsInUse) {
  SettingsScope scope;
  QTemporaryDir dir;
  auto bitmap = BitmapOf(Solid(6, 4, Qt::red));
  CSXmlEncoder idle;
  EXPECT_TRUE(bitmap->savedUsedPaintings(idle, dir.path(), false, nullptr));
  EXPECT_FALSE(idle.xml().contains("<image"));  // not in use

  bitmap->painting()->setInUse(true);
  CSXmlEncoder encoder;
  CSError error;
  ASSERT_TRUE(bitmap->savedUsedPaintings(encoder, dir.path(), false, &error)) << error.reason().toStdString();
  const QString name = bitmap->painting()->guid() + ".png";
  EXPECT_TRUE(encoder.xml().contains("<file>" + name + "</file>")) << encoder.xml().toStdString();
  EXPECT_EQ(QImage(dir.filePath(name)).size(), QSize(6, 4));
  EXPECT_TRUE(bitmap->painting()->filePath().isEmpty());  // a copy was saved

  // A failed save fails, in place too: every save writes a new package, so
  // a record whose image could not be written would point at nothing.
  for (const bool inPlace : {false, true}) {
    CSXmlEncoder failed;
    EXPECT_FALSE(bitmap->savedUsedPaintings(failed, dir.filePath("missing-folder"), inPlace, &error)) << inPlace;
    EXPECT_FALSE(failed.xml().contains("<image"));
  }

  // The same for an image that could not be read, whose file is all there
  // is of it.
  const QString unreadable = dir.filePath("broken.png");
  WriteBytes(unreadable, "broken");
  bitmap->painting()->setFilePath(unreadable);
  bitmap->painting()->setLoadFailed(true);
  CSXmlEncoder broken;
  EXPECT_FALSE(bitmap->savedUsedPaintings(broken, dir.filePath("missing-folder"), true, &error));
}

TEST(DRElementBitmap, RecordImageGuidAndInstallImages) {
  SettingsScope scope;
  FakeModelServices services;
  auto bitmap = BitmapOf(Solid(8, 8, Qt::red));
  const QString guid = bitmap->painting()->guid();
  QSet<QString> guids{guid};
  bitmap->recordImageGuid(guids);
  EXPECT_EQ(guids.size(), 1);
  guids.clear();
  bitmap->recordImageGuid(guids);
  EXPECT_EQ(guids, QSet<QString>{guid});

  // Pasted without pixels: the data of the clipboard fills them in.
  std::unique_ptr<DRElement> pasted = ReadRecord(Records(RecordOf(*bitmap)));
  DRElementBitmap* copy = AsBitmap(pasted);
  ASSERT_TRUE(copy);
  EXPECT_TRUE(copy->painting()->image().isNull());
  EXPECT_FALSE(copy->installImageFromDict({}, nullptr));
  EXPECT_FALSE(copy->installImageFromDict({{guid, QByteArray("not an image")}}, nullptr));
  ASSERT_TRUE(copy->installImageFromDict({{guid, EncodeImage(Solid(8, 8, Qt::blue), "png")}}, nullptr));
  EXPECT_EQ(copy->painting()->kolorAtPoint({1, 1}), kOpaqueBlue);

  // A drawing that already shows the painting lends its pixels.
  DRDrawing drawing;
  drawing.elements().push_back(BitmapOf(Solid(8, 8, Qt::green)));
  AsBitmap(drawing.elements().back())->painting()->setGuid(guid);
  std::unique_ptr<DRElement> second = ReadRecord(Records(RecordOf(*bitmap)));
  ASSERT_TRUE(AsBitmap(second)->installImageFromDict({}, &drawing));
  EXPECT_EQ(AsBitmap(second)->painting()->kolorAtPoint({1, 1}), Kolor(0x6400FF00));
}

TEST(DRElementBitmap, CopiesKeepGuidNameOpacityAndAPaintingOfTheirOwn) {
  SettingsScope scope;
  auto bitmap = BitmapOf(Solid(10, 5, Qt::red));
  bitmap->setName("n");
  bitmap->setOpacity(301);
  bitmap->setFrame(PtRect(3, 4, 20, 10));
  std::unique_ptr<DRElement> copied = bitmap->copy();
  DRElementBitmap* copy = AsBitmap(copied);
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->guid(), bitmap->guid());
  EXPECT_EQ(copy->name(), "n");
  EXPECT_EQ(copy->opacity(), 301);
  EXPECT_EQ(copy->frame(), PtRect(3, 4, 20, 10));
  EXPECT_NE(copy->painting(), bitmap->painting());
  EXPECT_TRUE(copy->painting()->isEqual(*bitmap->painting()));
  ASSERT_TRUE(copy->painting()->fillWithColor(kOpaqueBlue, nullptr, {}));
  EXPECT_EQ(bitmap->painting()->kolorAtPoint({1, 1}), kOpaqueRed);
  EXPECT_EQ(RecordOf(*bitmap), RecordOf(*bitmap->copy()));
}
