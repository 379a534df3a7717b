// The swap of the selection's colours over the whole painting, run on a
// worker with a progress window.

#include <QApplication>
#include <QProgressBar>
#include <QPushButton>
#include <QSignalSpy>
#include <QTimer>

#include "PaintFixture.h"
#include "pixmap/CSPixmap.h"
#include "platform/NotificationCenter.h"
#include "ui/paint/DRSwapPixelsOperation.h"
#include "ui/paint/DRSwapProgressDialog.h"

namespace {

constexpr int kSwapTag = 1;

// A painting whose top half is red and bottom half blue.
std::shared_ptr<DRPainting> RedOverBlue(QSize size) {
  QImage image(size, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::blue);
  for (int y = 0; y < size.height() / 2; ++y) {
    auto* row = reinterpret_cast<QRgb*>(image.scanLine(y));
    std::fill(row, row + size.width(), qRgb(255, 0, 0));
  }
  return DRPainting::paintingFromImage(CSImage::initWithCGImage(image, QSizeF(0, 0)));
}

class PaintSwapTest : public PaintTest {
 protected:
  // A red painting opened in its tab, with a selection over a red patch and
  // green as the fill colour.
  DRPaintVC* openSelected(QSize size) {
    bitmap = addBitmap(RedOverBlue(size));
    DRPaintVC* vc = openTab(bitmap);
    if (!vc) return nullptr;
    const QRectF rect(2, 2, 8, 8);
    view->setSelectionMask(CSPixmap::initWithRect(rect.size(), g_blackKolor)->createMaskPixmap());
    view->setSelectionRect(rect);
    DRSettings::sharedInstance().setFillKolor(MakeKolor(0, 255, 0));
    green = pixelWordOfGreen();
    red = pixelAt(vc, 0, 0);
    blue = pixelAt(vc, 0, size.height() - 1);
    return vc;
  }
  uint32_t pixelWordOfGreen() {
    auto probe = CSPixmap::initWithRect(QSizeF(1, 1), MakeKolor(0, 255, 0));
    uint32_t pixel = 0;
    probe->getPixelColor(&pixel, 0, 0);
    return pixel;
  }
  // Rows whose first pixel is the colour.
  int rowsOf(DRPaintVC* vc, uint32_t pixel) {
    int rows = 0;
    for (int y = 0; y < vc->painting()->pixmap()->height(); ++y) rows += pixelAt(vc, 0, y) == pixel ? 1 : 0;
    return rows;
  }

  uint32_t green = 0;
  uint32_t red = 0;
  uint32_t blue = 0;
};

TEST_F(PaintSwapTest, TheSwapRunsToTheEndAndClosesItself) {
  const QSize size(4096, 512);
  DRPaintVC* vc = openSelected(size);
  ASSERT_TRUE(vc);
  const QByteArray before = PaintState(vc);
  std::vector<std::pair<double, double>> reports;
  int paintsDuringRun = 0;
  bool paintingUntouched = true;
  NotificationCenter::defaultCenter().addObserver(
      this, CSPixmap::pixmapReplaceNotification(), nullptr, [&](const CSNotification& notification) {
        reports.emplace_back(notification.userInfo.value(QStringLiteral("count")).toDouble(),
                             notification.userInfo.value(QStringLiteral("total")).toDouble());
        if (notification.object == vc->painting()->pixmap()) paintingUntouched = false;
        // The canvas goes on painting while the worker runs; the painting's
        // own pixels stay as they were until the swap ends.
        if (reports.size() % 64 == 1) {
          (void)view->grab(QRect(0, 0, 64, 64));
          ++paintsDuringRun;
          if (pixelAt(vc, 0, size.height() / 2 - 1) != red) paintingUntouched = false;
        }
      });
  ASSERT_TRUE(send(vc, QStringLiteral("swapColors:"), kSwapTag));
  NotificationCenter::defaultCenter().removeObserver(this);

  EXPECT_FALSE(QApplication::activeModalWidget());
  EXPECT_TRUE(paintingUntouched);
  EXPECT_GT(paintsDuringRun, 0);
  ASSERT_GE(reports.size(), 2u);
  EXPECT_EQ(reports.back(), std::make_pair(1.0, 1.0));
  for (size_t i = 0; i + 1 < reports.size(); ++i) EXPECT_LT(reports[i].first, reports[i].second) << i;
  EXPECT_EQ(rowsOf(vc, green), size.height() / 2);
  EXPECT_EQ(rowsOf(vc, blue), size.height() / 2);
  EXPECT_EQ(pixelAt(vc, size.width() - 1, 0), green);
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Swap Colors"));
  EXPECT_TRUE(vc->painting()->edited());

  vc->undoEdit(nullptr);
  EXPECT_EQ(PaintState(vc), before);
}

TEST_F(PaintSwapTest, CancelKeepsTheRowsDoneAndOneUndoRestores) {
  const QSize size(4096, 1024);
  DRPaintVC* vc = openSelected(size);
  ASSERT_TRUE(vc);
  const QByteArray before = PaintState(vc);
  int seen = 0;
  NotificationCenter::defaultCenter().addObserver(
      this, CSPixmap::pixmapReplaceNotification(), nullptr, [&](const CSNotification&) {
        if (++seen != 20) return;
        auto* dialog = qobject_cast<DRSwapProgressDialog*>(QApplication::activeModalWidget());
        if (dialog) dialog->cancelButton()->click();
      });
  ASSERT_TRUE(send(vc, QStringLiteral("swapColors:"), kSwapTag));
  NotificationCenter::defaultCenter().removeObserver(this);

  EXPECT_FALSE(QApplication::activeModalWidget());
  const int done = rowsOf(vc, green);
  EXPECT_GE(done, 19);
  EXPECT_LT(done, size.height() / 2);
  EXPECT_EQ(rowsOf(vc, red), size.height() / 2 - done);
  EXPECT_EQ(vc->undoManager().undoCount(), 1);
  vc->undoEdit(nullptr);
  EXPECT_EQ(PaintState(vc), before);
}

TEST_F(PaintSwapTest, ASelectionWithoutColourLeavesNoStep) {
  bitmap = addBitmap(DRPainting::paintingFromImage(SolidImage(QSize(40, 30), Qt::red)));
  DRPaintVC* vc = openTab(bitmap);
  ASSERT_TRUE(vc);
  // A selection beside the painting covers no pixel.
  view->setSelectionMask(CSPixmap::initWithRect(QSizeF(8, 8), g_blackKolor)->createMaskPixmap());
  view->setSelectionRect(QRectF(100, 100, 8, 8));
  const QByteArray before = PaintState(vc);
  send(vc, QStringLiteral("swapColors:"), kSwapTag);
  EXPECT_FALSE(QApplication::activeModalWidget());
  EXPECT_EQ(PaintState(vc), before);
  EXPECT_EQ(vc->undoManager().undoCount(), 0);
}

TEST_F(PaintSwapTest, TheBarReachesOneOnlyAtTheFinalReport) {
  DRPaintVC* vc = openSelected(QSize(64, 64));
  ASSERT_TRUE(vc);
  DRSwapPixelsOperation operation(vc->painting(), view->selectionMask(), view->selectionRect().topLeft(),
                                  MakeKolor(0, 255, 0));
  ASSERT_TRUE(operation.isValid());
  DRSwapProgressDialog dialog(&operation, nullptr);
  EXPECT_EQ(dialog.queue().objectName(), QStringLiteral("twdraw.swapColors"));
  QSignalSpy ended(&dialog, &QDialog::finished);
  dialog.updateProgress(4095, 4096);
  EXPECT_LT(dialog.fraction(), 1.0);
  EXPECT_GT(dialog.fraction(), 0.99);
  EXPECT_FALSE(dialog.isEnding());
  dialog.updateProgress(1, 1);
  EXPECT_EQ(dialog.fraction(), 1.0);
  EXPECT_TRUE(dialog.isEnding());
  // The finished operation ends the dialog again: nothing more happens.
  dialog.cancel();
  dialog.cancel();
  EXPECT_EQ(ended.count(), 1);
  // Ended before it started, the operation never ran.
  EXPECT_FALSE(operation.swapDone());
  EXPECT_FALSE(operation.install());
}

TEST_F(PaintSwapTest, FinishedOperationEndsTheDialogOnce) {
  DRPaintVC* vc = openSelected(QSize(64, 64));
  ASSERT_TRUE(vc);
  DRSwapPixelsOperation operation(vc->painting(), view->selectionMask(), view->selectionRect().topLeft(),
                                  MakeKolor(0, 255, 0));
  DRSwapProgressDialog dialog(&operation, nullptr);
  QSignalSpy ended(&dialog, &QDialog::finished);
  dialog.exec();
  Spin();
  EXPECT_EQ(ended.count(), 1);
  EXPECT_TRUE(operation.swapDone());
  // Nothing reached the painting before the copy is installed.
  EXPECT_EQ(pixelAt(vc, 0, 0), red);
  EXPECT_TRUE(operation.install());
  EXPECT_EQ(pixelAt(vc, 0, 0), green);
}

}  // namespace
