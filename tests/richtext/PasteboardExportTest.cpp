#include <gtest/gtest.h>

#include <QBuffer>
#include <QClipboard>
#include <QDir>
#include <QGuiApplication>
#include <QImage>
#include <QImageReader>
#include <QMimeData>

#include "QStringPrinter.h"
#include "richtext/Copying.h"
#include "richtext/CorvaneConfig.h"
#include "richtext/FakeCorvaneHost.h"
#include "richtext/FontNames.h"
#include "richtext/PasteboardExport.h"
#include "richtext/Pictures.h"
#include "richtext/RichTextBuilder.h"
#include "support/CSImage.h"
#include "support/ThreadStorage.h"

namespace {

class PasteboardExportTest : public ::testing::Test {
 protected:
  void SetUp() override {
    if (!GetThreadStorage()) AllocateThreadStorage(QString());
    if (g_fontNames.isEmpty()) IndexOfFont(QStringLiteral("DejaVu Sans"));
    m_savedClipboardDoc = g_clipboardDoc;
    QGuiApplication::clipboard()->clear();
  }
  void TearDown() override {
    g_clipboardDoc = m_savedClipboardDoc;
    g_copyPasteboard = nullptr;
    SetImageDecodePixelLimit(kDefaultImageDecodePixelLimit);
    QGuiApplication::clipboard()->clear();
  }
  // Makes the builder's document the clipboard document with text.
  void UseTextClipboard(const QString& body) {
    builder.text(body);
    builder.doc()->clipboardKind = 3;
    g_clipboardDoc = builder.doc();
  }
  // A picture copy of a `width` x `height` image named "GUID-1".
  PictureEntry* UsePicture(int width, int height) {
    QImage pixels(width, height, QImage::Format_ARGB32_Premultiplied);
    pixels.fill(Qt::blue);
    const QString name = QStringLiteral("GUID-1");
    builder.text(QStringLiteral("\n"));
    builder.doc()->clipboardKind = 2;
    const uint32_t index = StorePicture(builder.doc(), CSImage::initWithCGImage(pixels, QSizeF(width, height)), &name);
    return PictureAtIndex(builder.doc(), index);
  }
  // Runs a picture copy at the scale onto the clipboard.
  void CopyPicture(const PictureEntry* picture, uint32_t scale) {
    StartSettingClipboard(builder.doc());
    StoreImageOnClipboard(picture, scale);
    FinishSettingClipboard();
  }
  static const QMimeData* Clipboard() { return QGuiApplication::clipboard()->mimeData(); }
  static QSize TiffSize(const QByteArray& data) {
    QBuffer buffer;
    buffer.setData(data);
    QImageReader reader(&buffer, "tiff");
    return reader.size();
  }

  ScopedCorvaneConfig config;
  RichTextBuilder builder{kClipboardDocument};
  CorvaneDoc* m_savedClipboardDoc = nullptr;
};

TEST_F(PasteboardExportTest, WithoutRichFormatsATextCopyStoresTheStringOnly) {
  g_corvaneConfig.richFormats = 0;
  g_corvaneConfig.exportHtml = 1;
  UseTextClipboard(QStringLiteral("one\ntwo\n"));
  ASSERT_TRUE(ExportClipboard(1000));
  EXPECT_EQ(Clipboard()->formats(), QStringList{QStringLiteral("text/plain")});
  // The final paragraph mark is left out.
  EXPECT_EQ(Clipboard()->text(), QStringLiteral("one\ntwo"));
}

TEST_F(PasteboardExportTest, RichFormatsAddSevenBitRtfAndWithHtmlExportHtml) {
  g_corvaneConfig.richFormats = 1;
  UseTextClipboard(QStringLiteral("caf\u00e9 {x}\n"));
  const QStringList before = QDir::temp().entryList(QStringList{QStringLiteral("*.rtfd")}, QDir::Dirs);
  ASSERT_TRUE(ExportClipboard(1000));
  EXPECT_EQ(Clipboard()->formats(), (QStringList{QStringLiteral("text/rtf"), QStringLiteral("text/plain")}));
  const QByteArray rtf = Clipboard()->data(QStringLiteral("text/rtf"));
  EXPECT_TRUE(rtf.startsWith("{\\rtf1")) << rtf.constData();
  EXPECT_TRUE(std::all_of(rtf.begin(), rtf.end(), [](char c) { return uchar(c) < 0x80; }));
  EXPECT_TRUE(rtf.contains("caf\\u233  \\{x\\}") || rtf.contains("caf\\u233 \\{x\\}")) << rtf.constData();
  EXPECT_EQ(Clipboard()->text(), QStringLiteral("caf\u00e9 {x}"));

  g_corvaneConfig.exportHtml = 1;
  ASSERT_TRUE(ExportClipboard(1000));
  EXPECT_EQ(Clipboard()->formats(),
            (QStringList{QStringLiteral("text/rtf"), QStringLiteral("text/html"), QStringLiteral("text/plain")}));
  EXPECT_TRUE(Clipboard()->html().contains(QStringLiteral("caf\u00e9 {x}"))) << qPrintable(Clipboard()->html());
  // No staging folder for pictures is ever made.
  EXPECT_EQ(QDir::temp().entryList(QStringList{QStringLiteral("*.rtfd")}, QDir::Dirs), before);
}

TEST_F(PasteboardExportTest, APictureIsStoredAsTiffAtItsScaleWithItsGuid) {
  const PictureEntry* picture = UsePicture(41, 21);
  const struct {
    uint32_t scale;
    QSize size;
  } cases[] = {{1000, {41, 21}}, {0, {41, 21}}, {16383, {41, 21}}, {500, {21, 11}}, {2000, {82, 42}}};
  for (const auto& c : cases) {
    CopyPicture(picture, c.scale);
    ASSERT_NE(Clipboard(), nullptr);
    EXPECT_EQ(Clipboard()->formats(), (QStringList{QStringLiteral("image/tiff"), QStringLiteral("cvb.pictureGuid")}))
        << c.scale;
    EXPECT_EQ(TiffSize(Clipboard()->data(QStringLiteral("image/tiff"))), c.size) << c.scale;
    EXPECT_EQ(Clipboard()->data(QStringLiteral("cvb.pictureGuid")), QByteArray("GUID-1"));
  }
}

TEST_F(PasteboardExportTest, AScaleBeyondTheLimitsStoresThePictureUnscaled) {
  const PictureEntry* picture = UsePicture(40, 20);
  SetImageDecodePixelLimit(10000);  // 16-fold would be 640 x 320
  CopyPicture(picture, 16000);
  EXPECT_EQ(TiffSize(Clipboard()->data(QStringLiteral("image/tiff"))), QSize(40, 20));
  SetImageDecodePixelLimit(kDefaultImageDecodePixelLimit);
  // 2,000-fold passes the largest side a bitmap may have.
  CopyPicture(picture, 2000000);
  EXPECT_EQ(TiffSize(Clipboard()->data(QStringLiteral("image/tiff"))), QSize(40, 20));
}

TEST_F(PasteboardExportTest, TheGuidIsStoredWithoutATiff) {
  PictureEntry* picture = UsePicture(4, 4);
  *picture->image = CSImage();
  CopyPicture(picture, 1000);
  ASSERT_NE(Clipboard(), nullptr);
  EXPECT_EQ(Clipboard()->formats(), QStringList{QStringLiteral("cvb.pictureGuid")});
  EXPECT_EQ(Clipboard()->data(QStringLiteral("cvb.pictureGuid")), QByteArray("GUID-1"));
}

TEST_F(PasteboardExportTest, TheChangeCountIsKeptOnlyForTheClipboard) {
  UseTextClipboard(QStringLiteral("text\n"));
  const int64_t before = ClipboardChangeCount();
  ASSERT_TRUE(ExportClipboard(1000));
  EXPECT_GT(ClipboardChangeCount(), before);
  EXPECT_EQ(g_clipboardCounter, ClipboardChangeCount());

  // A copy to a pasteboard of its own leaves the clipboard and the counter.
  QMimeData own;
  own.setData(QStringLiteral("x-old"), "old");
  g_copyPasteboard = &own;
  const int64_t counter = g_clipboardCounter;
  const int64_t changes = ClipboardChangeCount();
  QGuiApplication::clipboard()->clear();
  const int64_t cleared = ClipboardChangeCount();
  EXPECT_GT(cleared, changes);
  ASSERT_TRUE(ExportClipboard(1000));
  EXPECT_EQ(own.formats(), QStringList{QStringLiteral("text/plain")});
  EXPECT_EQ(own.text(), QStringLiteral("text"));
  EXPECT_EQ(g_clipboardCounter, counter);
  EXPECT_EQ(ClipboardChangeCount(), cleared);
}

TEST_F(PasteboardExportTest, NothingIsWrittenForAnEmptyClipboardDocument) {
  QMimeData* old = new QMimeData;
  old->setText(QStringLiteral("kept"));
  QGuiApplication::clipboard()->setMimeData(old);
  builder.text(QStringLiteral("x\n"));
  builder.doc()->clipboardKind = 0;
  StartSettingClipboard(builder.doc());
  StoreStringOnClipboard(QStringLiteral("lost"));
  FinishSettingClipboard();
  EXPECT_EQ(Clipboard()->text(), QStringLiteral("kept"));
}

TEST_F(PasteboardExportTest, RtfBeyondSevenBitsIsNotStored) {
  UseTextClipboard(QStringLiteral("x\n"));
  StartSettingClipboard(builder.doc());
  StoreRTFOnClipboard(QStringLiteral("{\\rtf1 caf\u00e9}"));
  StoreStringOnClipboard(QStringLiteral("x"));
  FinishSettingClipboard();
  EXPECT_EQ(Clipboard()->formats(), QStringList{QStringLiteral("text/plain")});
}

}  // namespace

namespace {

TEST_F(PasteboardExportTest, ALinkIsCopiedAsItsAddressAndShownText) {
  // 14 L0, 15-32 address, 33 M0, 34-37 text, 38 E0
  builder.text(QString::fromUtf16(u"\0http://example.org\0site\0\n", 26));
  builder.knotMarks(kKnotLink, {14, 33, 38});
  KnotFormat link;
  FetchKnot(builder.doc(), 14, &link, kKnotLink);
  ASSERT_NE(link.index, kNoCpValue);
  CopyCorvaneLink(link);
  ASSERT_NE(Clipboard(), nullptr);
  EXPECT_EQ(Clipboard()->text(), QStringLiteral("http://example.org"));
  EXPECT_EQ(Clipboard()->urls(), QList<QUrl>{QUrl(QStringLiteral("http://example.org"))});
  EXPECT_EQ(Clipboard()->data(QStringLiteral("public.url-name")), QByteArray("site"));
}

}  // namespace
