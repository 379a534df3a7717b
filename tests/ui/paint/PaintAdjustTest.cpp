// The colour adjust dialog and its command.

#include <QApplication>
#include <QPushButton>
#include <QSlider>
#include <QTimer>

#include "PaintFixture.h"
#include "ui/FakeHelpViewer.h"
#include "ui/paint/DRColorAdjustDialog.h"

namespace {

// A painting of four pixels with components at the ends of the range and
// just above them, and at 100.
std::shared_ptr<DRPainting> EdgePainting() {
  QImage image(QSize(4, 1), QImage::Format_ARGB32_Premultiplied);
  image.setPixel(0, 0, qRgb(0, 255, 100));
  image.setPixel(1, 0, qRgb(1, 2, 3));
  image.setPixel(2, 0, qRgb(100, 100, 100));
  image.setPixel(3, 0, qRgb(255, 0, 254));
  return DRPainting::paintingFromImage(CSImage::initWithCGImage(image, QSizeF(0, 0)));
}

class PaintAdjustTest : public PaintTest {
 protected:
  // Runs the command; `act` works the dialog once it is up.
  void runAdjust(DRPaintVC* vc, std::function<void(DRColorAdjustDialog*)> act) {
    bool acted = false;
    QTimer::singleShot(0, [&] {
      auto* dialog = qobject_cast<DRColorAdjustDialog*>(QApplication::activeModalWidget());
      if (!dialog) return;
      acted = true;
      act(dialog);
    });
    ASSERT_TRUE(send(vc, QStringLiteral("adjustColor:")));
    EXPECT_TRUE(acted);
    EXPECT_FALSE(QApplication::activeModalWidget());
  }
};

TEST_F(PaintAdjustTest, SlidersPreviewFromTheBaseAndOkKeeps) {
  bitmap = addBitmap(EdgePainting());
  DRPaintVC* vc = openTab(bitmap);
  ASSERT_TRUE(vc);
  const QByteArray before = PaintState(vc);
  QByteArray atTwo;
  QByteArray backAtZero;
  runAdjust(vc, [&](DRColorAdjustDialog* dialog) {
    EXPECT_EQ(dialog->objectName(), QStringLiteral("ColorAdjustDialog"));
    dialog->redSlider()->setValue(2);
    atTwo = PaintState(vc);
    dialog->redSlider()->setValue(0);
    backAtZero = PaintState(vc);
    dialog->redSlider()->setValue(1);
    dialog->blueSlider()->setValue(-1);
    dialog->okButton()->click();
  });
  EXPECT_NE(atTwo, before);
  EXPECT_EQ(backAtZero, before);
  // 0 and 255 stay, 1-3 do not grow; 100 steps up to 125 (red) and down to
  // 80 (blue).
  const uint32_t edge = pixelAt(vc, 0, 0);
  EXPECT_EQ(PixelRed(edge), 0u);
  EXPECT_EQ(PixelGreen(edge), 255u);
  EXPECT_EQ(PixelBlue(edge), 80u);
  const uint32_t low = pixelAt(vc, 1, 0);
  EXPECT_EQ(PixelRed(low), 1u);
  EXPECT_LE(PixelBlue(low), 3u);
  const uint32_t middle = pixelAt(vc, 2, 0);
  EXPECT_EQ(PixelRed(middle), 125u);
  EXPECT_EQ(PixelGreen(middle), 100u);
  EXPECT_EQ(PixelBlue(middle), 80u);
  const uint32_t high = pixelAt(vc, 3, 0);
  EXPECT_EQ(PixelRed(high), 255u);
  EXPECT_EQ(PixelGreen(high), 0u);
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Color/B&W"));
  vc->undoEdit(nullptr);
  EXPECT_EQ(PaintState(vc), before);
}

TEST_F(PaintAdjustTest, CancelAfterAPreviewRestoresExactlyAndLeavesNoStep) {
  bitmap = addBitmap(EdgePainting());
  DRPaintVC* vc = openTab(bitmap);
  ASSERT_TRUE(vc);
  const QByteArray before = PaintState(vc);
  FakeHelpViewer help;
  runAdjust(vc, [&](DRColorAdjustDialog* dialog) {
    dialog->greenSlider()->setValue(-3);
    dialog->redSlider()->setValue(4);
    dialog->helpButton()->click();
    dialog->cancelButton()->click();
  });
  ASSERT_EQ(help.shown.size(), 1u);
  EXPECT_EQ(help.shown.front().first, 57);
  EXPECT_EQ(PaintState(vc), before);
  EXPECT_EQ(vc->undoManager().undoCount(), 0);
  EXPECT_FALSE(vc->painting()->edited());
}

TEST_F(PaintAdjustTest, OnlyTheSelectionChanges) {
  bitmap = addBitmap(DRPainting::paintingFromImage(SolidImage(QSize(20, 10), QColor(100, 100, 100))));
  DRPaintVC* vc = openTab(bitmap);
  ASSERT_TRUE(vc);
  view->setSelectionMask(CSPixmap::initWithRect(QSizeF(4, 4), g_blackKolor)->createMaskPixmap());
  view->setSelectionRect(QRectF(2, 2, 4, 4));
  const uint32_t outside = pixelAt(vc, 10, 5);
  runAdjust(vc, [&](DRColorAdjustDialog* dialog) {
    dialog->redSlider()->setValue(1);
    dialog->okButton()->click();
  });
  EXPECT_EQ(PixelRed(pixelAt(vc, 3, 3)), 125u);
  EXPECT_EQ(pixelAt(vc, 10, 5), outside);
  EXPECT_EQ(pixelAt(vc, 0, 0), outside);
}

}  // namespace
