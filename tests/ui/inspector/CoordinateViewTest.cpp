#include <gtest/gtest.h>

#include <QImage>
#include <QSignalSpy>
#include <cmath>

#include "ui/EventDriver.h"
#include "ui/HarnessWindow.h"
#include "ui/inspector/CSCoordinateView.h"

namespace {

// A 99 x 99 view: the pad runs from 3 to 96, half-size 46.5, centre 49.5.
constexpr double kCentre = 49.5;
constexpr double kHalf = 46.5;

class CoordinateViewTest : public ::testing::Test {
 protected:
  void SetUp() override { m_view = m_window.place(new CSCoordinateView(QRect(10, 10, 99, 99)), QRect(10, 10, 99, 99)); }

  HarnessWindow m_window;
  CSCoordinateView* m_view = nullptr;
};

struct DeadZoneCase {
  double offset;
  double half;
  double expected;
};

TEST(CoordinateViewDeadZone, OffsetsNearTheCentreLineGiveZeroAndTheRestTheirShare) {
  const DeadZoneCase cases[] = {
      {0, 46.5, 0},
      {3, 46.5, 0},  // within 3 points
      {-3, 46.5, 0},
      {3.5, 46.5, 3.5 / 46.5},  // 3 points is past 5 % of 46.5
      {-3.5, 46.5, -3.5 / 46.5},
      {4, 100, 0},  // within 5 % of a larger half-size
      {5, 100, 0},
      {5.5, 100, 0.055},
      {46.5, 46.5, 1},
      {80, 46.5, 1},  // outside the pad
      {-80, 46.5, -1},
      {2, 0, 0},  // an empty pad
  };
  for (const DeadZoneCase& c : cases) {
    EXPECT_DOUBLE_EQ(CSCoordinateView::valueForOffset(c.offset, c.half), c.expected)
        << "offset " << c.offset << " half " << c.half;
  }
}

TEST_F(CoordinateViewTest, ClicksAndDragsSetValuesWithYUpAndClampOutsideThePad) {
  QSignalSpy spy(m_view, &CSCoordinateView::coordinateChanged);
  EventDriver driver(m_view);
  // Two points right of the vertical line (dead), 30 above the horizontal one.
  driver.press(QPointF(kCentre + 2, kCentre - 30));
  EXPECT_EQ(m_view->x(), 0);
  EXPECT_DOUBLE_EQ(m_view->y(), 30 / kHalf);
  ASSERT_EQ(spy.count(), 1);
  EXPECT_EQ(spy.at(0).at(0).value<CSCoordinateView*>(), m_view);
  // Dragged out past the left and bottom edges.
  driver.move(QPointF(-40, 180));
  EXPECT_EQ(m_view->x(), -1);
  EXPECT_EQ(m_view->y(), -1);
  driver.move(QPointF(200, -50));
  EXPECT_EQ(m_view->x(), 1);
  EXPECT_EQ(m_view->y(), 1);
  driver.release(QPointF(200, -50));
  EXPECT_EQ(spy.count(), 3);
}

TEST_F(CoordinateViewTest, AClickThatChangesNothingSendsNothing) {
  QSignalSpy spy(m_view, &CSCoordinateView::coordinateChanged);
  EventDriver driver(m_view);
  driver.click(QPointF(kCentre + 1, kCentre - 1));  // in the dead zone: still (0, 0)
  EXPECT_EQ(spy.count(), 0);
  driver.click(QPointF(kCentre + 20, kCentre));
  EXPECT_EQ(spy.count(), 1);
  driver.click(QPointF(kCentre + 20, kCentre + 2));  // the same values again
  driver.press(QPointF(kCentre + 20, kCentre));
  driver.move(QPointF(kCentre + 20, kCentre - 1));
  driver.release(QPointF(kCentre + 20, kCentre - 1));
  EXPECT_EQ(spy.count(), 1);
}

TEST_F(CoordinateViewTest, SettersClampAndStoreSinglePrecision) {
  const struct {
    double given;
    double stored;
  } cases[] = {{2.5, 1}, {-7, -1}, {0.1, double(0.1f)}, {-0.3, double(-0.3f)}, {1, 1}, {std::nan(""), 0}};
  for (const auto& c : cases) {
    m_view->setX(c.given);
    m_view->setY(-c.given);
    EXPECT_EQ(m_view->x(), c.stored) << c.given;
    EXPECT_EQ(m_view->y(), c.stored == 0 ? 0 : -c.stored) << c.given;
  }
}

TEST(CoordinateViewSize, EvenSidesAreMadeOnePointSmaller) {
  const struct {
    QSize given;
    QSize made;
  } cases[] = {{{100, 60}, {99, 59}}, {{99, 59}, {99, 59}}, {{64, 63}, {63, 63}}};
  for (const auto& c : cases) {
    CSCoordinateView view(QRect(QPoint(5, 7), c.given));
    EXPECT_EQ(view.size(), c.made) << c.given.width() << " x " << c.given.height();
    EXPECT_EQ(view.pos(), QPoint(5, 7));
  }
}

// The darkest pixel of a 5 x 5 square about the point, as a grey level.
int DarkestAround(const QImage& image, QPointF point) {
  int darkest = 255;
  for (int dy = -2; dy <= 2; ++dy) {
    for (int dx = -2; dx <= 2; ++dx) {
      const QPoint p(int(point.x()) + dx, int(point.y()) + dy);
      if (image.rect().contains(p)) darkest = std::min(darkest, qGray(image.pixel(p)));
    }
  }
  return darkest;
}

TEST_F(CoordinateViewTest, TheMarkIsDrawnWithYUpAndNotWhenDisabled) {
  m_view->setX(0.5);
  m_view->setY(0.5);
  const QPointF upperRight(kCentre + kHalf / 2, kCentre - kHalf / 2);
  const QPointF lowerRight(kCentre + kHalf / 2, kCentre + kHalf / 2);
  QImage image = HarnessWindow::grabView(m_view);
  EXPECT_LT(DarkestAround(image, upperRight), 60);
  EXPECT_GT(DarkestAround(image, lowerRight), 200);

  m_view->setEnabled(false);
  image = HarnessWindow::grabView(m_view);
  EXPECT_GT(DarkestAround(image, upperRight), 200);
}

TEST_F(CoordinateViewTest, ADisabledPadIgnoresTheMouse) {
  m_view->setEnabled(false);
  QSignalSpy spy(m_view, &CSCoordinateView::coordinateChanged);
  EventDriver driver(m_view);
  driver.click(QPointF(kCentre + 30, kCentre - 30));
  EXPECT_EQ(m_view->x(), 0);
  EXPECT_EQ(m_view->y(), 0);
  EXPECT_EQ(spy.count(), 0);
}

}  // namespace
