#include <gtest/gtest.h>

#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "support/CSKernel.h"
#include "support/Kolor.h"
#include "testkit/ImageCompare.h"
#include "ui/FakeTabBandPainter.h"
#include "ui/HarnessWindow.h"
#include "ui/editor/DRStatusView.h"

namespace {

constexpr int kWidth = 412;  // an inner width of 400
constexpr int kHeight = 22;

class StatusViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    status = harness.place(new DRStatusView, QRect(0, 0, kWidth, kHeight));
    status->awakeFromNib();
  }
  void TearDown() override { setAppearance(false); }

  void setAppearance(bool dark) {
    g_darkMode = dark;
    NotificationCenter::defaultCenter().post(g_darkModeChangedNotification, nullptr);
  }
  // Ink of the text between two x positions, against the band's colour at
  // the left edge of each row.
  int inkBetween(const QImage& image, int left, int right) {
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
      const QColor band = image.pixelColor(1, y);
      count += InkCount(image, QRect(left, y, right - left, 1), band, 60);
    }
    return count;
  }

  HarnessWindow harness{QSize(kWidth, 60)};
  DRStatusView* status = nullptr;
};

TEST_F(StatusViewTest, TabSeparatedPartsFillEqualColumns) {
  status->setStatus(QStringLiteral("l: 10 pt\tt: 20 pt"));
  QImage image = HarnessWindow::grabView(status);
  image.save(TestImageOutputFolder() + QStringLiteral("/status-two-columns.png"));
  EXPECT_GT(inkBetween(image, 6, 206), 20);    // first column
  EXPECT_GT(inkBetween(image, 206, 406), 20);  // second column
  // The second part starts at the column's edge.
  const QRect second = InkBounds(image, QRect(206, 0, 200, kHeight), image.pixelColor(1, kHeight / 2), 60);
  EXPECT_LE(second.left(), 209);
  EXPECT_EQ(inkBetween(image, 0, 6), 0);
}

TEST_F(StatusViewTest, APartIsCutAtItsColumnsEdge) {
  const QString wide = QString(QStringLiteral("0")).repeated(80);
  status->setStatus(wide + QStringLiteral("\t"));
  QImage image = HarnessWindow::grabView(status);
  EXPECT_GT(inkBetween(image, 150, 206), 20);
  EXPECT_EQ(inkBetween(image, 206, kWidth), 0);

  // Without tabs the same text runs across the whole width.
  status->setStatus(wide);
  image = HarnessWindow::grabView(status);
  EXPECT_GT(inkBetween(image, 206, 400), 20);
}

TEST_F(StatusViewTest, AnEmptyStatusShowsOnlyTheBand) {
  status->setStatus(QStringLiteral("w: 3 in"));
  status->setStatus(QString());
  const QImage image = HarnessWindow::grabView(status);
  EXPECT_EQ(inkBetween(image, 2, kWidth - 2), 0);
  EXPECT_EQ(status->statusString(), QString());
}

TEST_F(StatusViewTest, TheBandFollowsTheAppearance) {
  status->setStatus(QStringLiteral("x"));
  QImage image = HarnessWindow::grabView(status);
  EXPECT_TRUE(ColorNear(image.pixel(kWidth - 2, 0), ColorFromKolor(0x64ECE8F1), 6));
  EXPECT_TRUE(ColorNear(image.pixel(kWidth - 2, kHeight - 1), GrayColor(3), 6));

  // The look is shared and kept until the appearance is announced.
  g_darkMode = true;
  image = HarnessWindow::grabView(status);
  EXPECT_TRUE(ColorNear(image.pixel(kWidth - 2, 0), ColorFromKolor(0x64ECE8F1), 6));

  setAppearance(true);
  image = HarnessWindow::grabView(status);
  image.save(TestImageOutputFolder() + QStringLiteral("/status-dark.png"));
  EXPECT_TRUE(ColorNear(image.pixel(kWidth - 2, 0), GrayColor(5), 6));
  EXPECT_TRUE(ColorNear(image.pixel(kWidth - 2, kHeight - 1), GrayColor(6), 6));

  // Every status line, not only the one observing, draws the new look.
  DRStatusView other;
  other.resize(kWidth, kHeight);
  setAppearance(false);
  image = HarnessWindow::grabView(&other);
  EXPECT_TRUE(ColorNear(image.pixel(kWidth - 2, 0), ColorFromKolor(0x64ECE8F1), 6));
}

TEST_F(StatusViewTest, TheTabStripsBandsAreDrawnOverTheGradient) {
  FakeTabBandPainter bands(QColor(0xFF, 0x00, 0xFF));
  const QImage image = HarnessWindow::grabView(status);
  EXPECT_GE(bands.calls, 1);
  EXPECT_EQ(bands.lastRect, QRectF(0, 0, kWidth, kHeight));
  EXPECT_TRUE(ColorNear(image.pixel(kWidth / 2, kHeight - 1), QColor(0xFF, 0x00, 0xFF), 2));
  EXPECT_FALSE(ColorNear(image.pixel(kWidth / 2, 0), QColor(0xFF, 0x00, 0xFF), 2));
}

}  // namespace
