// The element clipboard on a real drawing canvas and controller: what a copy
// writes, and what each kind of pasted data becomes.

#include <QApplication>
#include <QBuffer>
#include <QClipboard>
#include <QImageReader>
#include <QMimeData>
#include <QTemporaryDir>
#include <QUrl>

#include "interchange/ClipboardRecords.h"
#include "interchange/ClipboardText.h"
#include "model/DRElementText.h"
#include "model/DRKeyTable.h"
#include "support/Pasteboard.h"
#include "ui/editor/DrawVCFixture.h"
#include "ui/shell/DRAppClipboardServices.h"
#include "ui/shell/DRPrefController.h"

namespace {

QImage DecodeImage(const QByteArray& data) {
  QBuffer buffer;
  buffer.setData(data);
  return QImageReader(&buffer).read();
}

QByteArray PngOf(int width, int height, QRgb colour) {
  QImage image(width, height, QImage::Format_ARGB32);
  image.fill(colour);
  QByteArray data;
  QBuffer buffer(&data);
  buffer.open(QIODevice::WriteOnly);
  image.save(&buffer, "PNG");
  return data;
}

}  // namespace

class ClipboardServicesTest : public DrawVCFixture {
 public:
  void SetUp() override {
    DrawVCFixture::SetUp();
    CreateXmlDecoder();
    SetClipboardServices(&appClipboard);
    DRPrefController::sharedInstance().setExportPdf(true);
  }
  void TearDown() override {
    // The window goes last and may still tell the canvas of its focus.
    canvas->setDrawing(nullptr);
    SetClipboardServices(nullptr);
    QApplication::clipboard()->clear();
  }

  // What a copy of the selection writes.
  std::unique_ptr<QMimeData> copySelection() {
    auto data = std::make_unique<QMimeData>();
    appClipboard.CopyElements(canvas, data.get());
    return data;
  }
  std::vector<DRElementBitmap*> bitmaps() const {
    std::vector<DRElementBitmap*> found;
    for (const auto& element : drawing.elements()) {
      if (auto* bitmap = dynamic_cast<DRElementBitmap*>(element.get())) found.push_back(bitmap);
    }
    return found;
  }
  // The centre of an element's frame, in points.
  static QPointF Centre(const DRElement* element) { return ConvertMeasureRect(element->frame()).center(); }

  DRAppClipboardServices appClipboard;
};

TEST_F(ClipboardServicesTest, APlainBitmapCopiesItsOwnPixelsWithoutPdf) {
  DRElementBitmap* bitmap = addBitmap(QRectF(10, 10, 8, 6));
  select({0});
  const auto data = copySelection();
  EXPECT_EQ(data->formats(), (QStringList{QStringLiteral("twdraw.elements"), QStringLiteral("image/tiff"),
                                          QStringLiteral("image/png"), QStringLiteral("twdraw.images")}));
  for (const char* type : {"image/tiff", "image/png"}) {
    const QImage image = DecodeImage(data->data(QString::fromLatin1(type)));
    // The painting's own pixels, not a rendering of the page.
    ASSERT_EQ(image.size(), QSize(8, 6)) << type;
    EXPECT_EQ(image.pixel(4, 3), qRgb(200, 30, 40)) << type;
  }
  // Shown at another size it is drawn like any other selection, PDF too.
  bitmap->setFrame(ConvertViewRect(QRectF(10, 10, 16, 12)));
  const auto scaled = copySelection();
  EXPECT_TRUE(scaled->hasFormat(QStringLiteral("application/pdf")));
  EXPECT_EQ(DecodeImage(scaled->data(QStringLiteral("image/png"))).size(), QSize(16, 12));
}

TEST_F(ClipboardServicesTest, OneTextCopiesItsStringThenPdfAndPicture) {
  auto text = std::make_unique<DRElementText>();
  text->setFrame(ConvertViewRect(QRectF(20, 20, 120, 0)));
  text->setText(QStringLiteral("Hello there"));
  add(std::move(text));
  addRect(QRectF(200, 20, 40, 40));
  select({0});
  const auto data = copySelection();
  EXPECT_EQ(data->formats(), (QStringList{QStringLiteral("twdraw.elements"), QStringLiteral("text/rtf"),
                                          QStringLiteral("text/plain"), QStringLiteral("application/pdf"),
                                          QStringLiteral("image/tiff"), QStringLiteral("image/png")}));
  EXPECT_EQ(data->text(), QStringLiteral("Hello there"));
  const std::optional<CSAttributedString> rtf = ClipboardTextFromRtf(data->data(QStringLiteral("text/rtf")));
  ASSERT_TRUE(rtf.has_value());
  EXPECT_EQ(rtf->string(), QStringLiteral("Hello there"));

  DRPrefController::sharedInstance().setExportPdf(false);
  select({1});
  EXPECT_FALSE(copySelection()->hasFormat(QStringLiteral("application/pdf")));
}

TEST_F(ClipboardServicesTest, PastingTwiceMakesIndependentBitmaps) {
  DRElementBitmap* original = addBitmap(QRectF(10, 10, 8, 6));
  select({0});
  const auto data = copySelection();
  appClipboard.Paste(canvas, data.get(), -1, -1);
  appClipboard.Paste(canvas, data.get(), -1, -1);
  const std::vector<DRElementBitmap*> all = bitmaps();
  ASSERT_EQ(all.size(), 3u);
  EXPECT_EQ(vc.undoManager().undoCount(), 2u);
  EXPECT_EQ(canvas->selection(), std::vector<DRElement*>{all[2]});
  QSet<QString> guids;
  for (DRElementBitmap* bitmap : all) guids << bitmap->guid() << bitmap->painting()->guid();
  EXPECT_EQ(guids.size(), 6);
  ASSERT_TRUE(all[1]->painting()->fillWithColor(g_whiteKolor, nullptr, QPointF()));
  EXPECT_EQ(all[2]->painting()->image().renderedBitmap(QSize(8, 6)).pixel(1, 1), qRgb(200, 30, 40));
  EXPECT_EQ(original->painting()->image().renderedBitmap(QSize(8, 6)).pixel(1, 1), qRgb(200, 30, 40));

  // In another drawing the pixels come from the copied map.
  clearDrawing();
  appClipboard.Paste(canvas, data.get(), -1, -1);
  ASSERT_EQ(bitmaps().size(), 1u);
  EXPECT_EQ(bitmaps()[0]->painting()->image().renderedBitmap(QSize(8, 6)).pixel(1, 1), qRgb(200, 30, 40));
}

TEST_F(ClipboardServicesTest, NothingUsableBeepsAndAddsNothing) {
  addRect(QRectF(10, 10, 20, 20));
  const struct {
    const char* name;
    QString type;
    QByteArray data;
  } rows[] = {
      {"records that are not a list", QStringLiteral("twdraw.elements"), QByteArray("<elements/>")},
      {"no element in the records", QStringLiteral("twdraw.elements"),
       EncodeClipboardRecords({QStringLiteral("<?xml version=\"1.0\"?>\n<nothing/>")})},
      {"an image that can't be read", QStringLiteral("image/png"), QByteArray("not a png")},
      {"a type nobody accepts", QStringLiteral("application/x-unknown"), QByteArray("x")},
  };
  for (const auto& row : rows) {
    QMimeData data;
    data.setData(row.type, row.data);
    appClipboard.Paste(canvas, &data, -1, -1);
    EXPECT_EQ(drawing.elements().size(), 1u) << row.name;
  }
  EXPECT_EQ(vc.undoManager().undoCount(), 0u);
}

TEST_F(ClipboardServicesTest, DroppedImageFilesAreOneBitmapAndUndoStepEach) {
  QTemporaryDir folder;
  QList<QUrl> urls;
  for (int i = 0; i < 3; ++i) {
    const QString path = folder.filePath(QStringLiteral("image%1.PNG").arg(i));
    WriteBytes(path, PngOf(20 + 10 * i, 10, qRgb(0, 0, 255)));
    urls << QUrl::fromLocalFile(path);
  }
  // A file of no kind the drawing reads is passed over.
  WriteBytes(folder.filePath(QStringLiteral("notes.txt")), "notes");
  urls << QUrl::fromLocalFile(folder.filePath(QStringLiteral("notes.txt")));
  QMimeData data;
  data.setUrls(urls);
  appClipboard.Paste(canvas, &data, 150, 120);
  const std::vector<DRElementBitmap*> all = bitmaps();
  ASSERT_EQ(all.size(), 3u);
  for (DRElementBitmap* bitmap : all) EXPECT_EQ(Centre(bitmap), QPointF(150, 120));
  EXPECT_EQ(vc.undoManager().undoCount(), 3u);
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Drag"));
}

TEST_F(ClipboardServicesTest, APastedImageIsCentredAndGoesBackToTheClipboardAsElements) {
  auto data = std::make_unique<QMimeData>();
  data->setData(QStringLiteral("image/png"), PngOf(40, 20, qRgb(10, 200, 10)));
  QApplication::clipboard()->setMimeData(data.release());
  vc.paste(nullptr);
  ASSERT_EQ(bitmaps().size(), 1u);
  const QRectF visible = canvas->visibleRect();
  EXPECT_EQ(Centre(bitmaps()[0]), QPointF(std::round(visible.center().x()), std::round(visible.center().y())));
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Paste"));
  EXPECT_TRUE(QApplication::clipboard()->mimeData()->hasFormat(QStringLiteral("twdraw.elements")));

  vc.paste(nullptr);
  ASSERT_EQ(bitmaps().size(), 2u);
  EXPECT_NE(bitmaps()[0]->painting()->guid(), bitmaps()[1]->painting()->guid());
}

TEST_F(ClipboardServicesTest, PlainTextIsAThirdOfTheVisibleWidthAndNeverBeforeThePage) {
  scroll->resize(600, 300);
  QCoreApplication::processEvents();
  canvas->setDrawingFrame();
  ASSERT_EQ(canvas->visibleRect().width(), 600);
  QMimeData data;
  data.setText(QStringLiteral("Pasted words"));
  appClipboard.Paste(canvas, &data, -1, -1);
  ASSERT_EQ(drawing.elements().size(), 1u);
  auto* text = dynamic_cast<DRElementText*>(drawing.elements()[0].get());
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text(), QStringLiteral("Pasted words"));
  const QRectF frame = ConvertMeasureRect(text->frame());
  EXPECT_EQ(frame.width(), 200);
  EXPECT_EQ(frame.x(), 200);
  EXPECT_GT(frame.height(), 0);

  // Dropped at the top left corner: the box starts at 0, 0.
  appClipboard.Paste(canvas, &data, 5, 2);
  ASSERT_EQ(drawing.elements().size(), 2u);
  EXPECT_EQ(ConvertMeasureRect(drawing.elements()[1]->frame()).topLeft(), QPointF(0, 0));
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Drag"));

  // A locked drawing refuses the entry and takes nothing.
  drawing.setLocked(true);
  appClipboard.Paste(canvas, &data, -1, -1);
  EXPECT_EQ(drawing.elements().size(), 2u);
}

TEST_F(ClipboardServicesTest, HtmlGivesTheTextItsFirstCharactersStyle) {
  QMimeData data;
  data.setHtml(QStringLiteral("<p align=\"center\"><u><span style=\"color:#ff0000\">Red</span></u> rest</p>"));
  data.setText(QStringLiteral("Red rest"));
  appClipboard.Paste(canvas, &data, -1, -1);
  ASSERT_EQ(drawing.elements().size(), 1u);
  auto* text = dynamic_cast<DRElementText*>(drawing.elements()[0].get());
  ASSERT_NE(text, nullptr);
  EXPECT_EQ(text->text(), QStringLiteral("Red rest"));
  EXPECT_EQ(text->textInfo().textKolor(), KolorFromColor(QColor(255, 0, 0)));
  EXPECT_TRUE(text->textInfo().isUnderlined());
  EXPECT_EQ(text->textInfo().alignment(), kTextAlignCenter);
}

TEST_F(ClipboardServicesTest, RtfPastesStyledAndUnreadableRtfFallsBackToThePlainString) {
  QMimeData data;
  data.setData(QStringLiteral("text/rtf"), QByteArray("{\\rtf1{\\colortbl;\\red0\\green128\\blue0;}\\cf1 Styled}"));
  appClipboard.Paste(canvas, &data, -1, -1);
  ASSERT_EQ(drawing.elements().size(), 1u);
  auto* styled = static_cast<DRElementText*>(drawing.elements()[0].get());
  EXPECT_EQ(styled->text(), QStringLiteral("Styled"));
  EXPECT_EQ(styled->textInfo().textKolor(), KolorFromColor(QColor(0, 128, 0)));

  QMimeData broken;
  broken.setData(QStringLiteral("text/rtf"), QByteArray("not rtf"));
  appClipboard.Paste(canvas, &broken, -1, -1);
  EXPECT_EQ(drawing.elements().size(), 1u);
  broken.setText(QStringLiteral("Plain"));
  appClipboard.Paste(canvas, &broken, -1, -1);
  ASSERT_EQ(drawing.elements().size(), 2u);
  EXPECT_EQ(static_cast<DRElementText*>(drawing.elements()[1].get())->text(), QStringLiteral("Plain"));
}

TEST_F(ClipboardServicesTest, PasteboardTextBecomesAPictureLaidOutAtLeast68PointsWide) {
  EXPECT_EQ(ClipboardTextLayoutWidth(50), 68);
  EXPECT_EQ(ClipboardTextLayoutWidth(300), 268);
  QMimeData data;
  data.setText(QStringLiteral("many short words that must wrap onto several lines of text here"));
  const CSImage narrow = appClipboard.CreateImageOfPasteboardText(&data, 50);
  ASSERT_FALSE(narrow.isNull());
  EXPECT_LE(narrow.size().width(), 68);
  EXPECT_GT(narrow.size().width(), 40);
  const CSImage wide = appClipboard.CreateImageOfPasteboardText(&data, 2000);
  ASSERT_FALSE(wide.isNull());
  EXPECT_GT(wide.size().width(), 68);
  EXPECT_LT(wide.size().height(), narrow.size().height());
  EXPECT_TRUE(appClipboard.CreateImageOfPasteboardText(nullptr, 50).isNull());
  QMimeData empty;
  EXPECT_TRUE(appClipboard.CreateImageOfPasteboardText(&empty, 50).isNull());

  // RTF alone is read, in its own size: 40-point text is taller than the
  // same words in 10 points.
  QMimeData small, large;
  small.setData(QStringLiteral("text/rtf"), QByteArray("{\\rtf1\\fs20 Words}"));
  large.setData(QStringLiteral("text/rtf"), QByteArray("{\\rtf1\\fs80 Words}"));
  const CSImage smallImage = appClipboard.CreateImageOfPasteboardText(&small, 2000);
  const CSImage largeImage = appClipboard.CreateImageOfPasteboardText(&large, 2000);
  ASSERT_FALSE(smallImage.isNull());
  ASSERT_FALSE(largeImage.isNull());
  EXPECT_GT(largeImage.size().height(), 2.5 * smallImage.size().height());
}
