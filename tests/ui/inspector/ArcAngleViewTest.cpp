#include <gtest/gtest.h>

#include <QApplication>
#include <QPalette>
#include <QSignalSpy>
#include <cmath>
#include <initializer_list>

#include "support/GraphicsHelpers.h"
#include "ui/EventDriver.h"
#include "ui/HarnessWindow.h"
#include "ui/inspector/DRArcAngleView.h"

namespace {

constexpr int64_t kScale = DRArcAngleView::kAngleScale;
// Between the pie (radius 34 in a 100-point view) and the outer edge (50).
constexpr double kRingRadius = 44;

// Sets the application's accent colour for the life of the object.
class ScopedAccent {
 public:
  explicit ScopedAccent(const QColor& accent) : m_saved(QApplication::palette()) { set(accent); }
  ~ScopedAccent() {
    QApplication::setPalette(m_saved);
    QCoreApplication::sendPostedEvents();
  }
  void set(const QColor& accent) {
    QPalette palette = m_saved;
    palette.setColor(QPalette::Highlight, accent);
    QApplication::setPalette(palette);
    // Widgets hear of the new palette through posted events.
    QCoreApplication::sendPostedEvents();
  }

 private:
  QPalette m_saved;
};

class ArcAngleViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_view = m_window.place(new DRArcAngleView, QRect(20, 20, 100, 100));
    m_view->setStartAngle(0);
    m_view->setEndAngle(200 * kScale);
  }

  // A point on the ring whose direction from the centre, as the view
  // measures it in whole degrees, is `degrees` from the top.
  QPointF pointAt(int degrees, double radius = kRingRadius) const {
    const QPointF centre = m_view->innerRect().center();
    for (double nudge : {0.0, 0.3, -0.3, 0.6, -0.6}) {
      const double radians = RadiansFromDegrees(degrees + nudge);
      const QPointF point(centre.x() + radius * std::sin(radians), centre.y() - radius * std::cos(radians));
      if ((DegreesFromEast(centre, point) + 90) % 360 == degrees) return point;
    }
    ADD_FAILURE() << "no point found at " << degrees;
    return centre;
  }

  QColor pixelAt(const QPointF& point) const {
    const QImage image = HarnessWindow::grabView(m_view);
    return image.pixelColor(point.toPoint());
  }

  HarnessWindow m_window{QSize(200, 200)};
  DRArcAngleView* m_view = nullptr;
};

bool Near(const QColor& a, const QColor& b, int tolerance = 8) {
  return std::abs(a.red() - b.red()) <= tolerance && std::abs(a.green() - b.green()) <= tolerance &&
         std::abs(a.blue() - b.blue()) <= tolerance;
}

TEST_F(ArcAngleViewTest, DragSnapsWithinFiveDegreesOfMultiplesOf45) {
  struct Case {
    int dragTo;
    int expected;
  };
  for (const Case& c : {Case{43, 45}, Case{47, 45}, Case{39, 39}, Case{3, 0}, Case{357, 357}, Case{316, 315},
                        Case{184, 180}, Case{6, 6}}) {
    SCOPED_TRACE(c.dragTo);
    m_view->setEndAngle(200 * kScale);
    EventDriver driver(m_view);
    driver.press(pointAt(200));
    EXPECT_EQ(m_view->draggingKnob(), DRArcAngleView::kDragEnd);
    driver.move(pointAt(c.dragTo));
    driver.release(pointAt(c.dragTo));
    EXPECT_EQ(m_view->endAngle(), c.expected * kScale);
    EXPECT_EQ(m_view->startAngle(), 0);
  }
}

TEST_F(ArcAngleViewTest, GrabOffsetIsKeptThroughTheDrag) {
  // Taking the knob off its axis moves it by the turn of the mouse, not to it.
  EventDriver driver(m_view);
  driver.press(pointAt(202, 42));
  ASSERT_EQ(m_view->draggingKnob(), DRArcAngleView::kDragEnd);
  driver.move(pointAt(214, 42));
  EXPECT_EQ(m_view->endAngle(), 212 * kScale);
}

TEST_F(ArcAngleViewTest, OverlappingKnobsMoveTheStart) {
  m_view->setStartAngle(200 * kScale);
  EventDriver driver(m_view);
  driver.press(pointAt(200));
  EXPECT_EQ(m_view->draggingKnob(), DRArcAngleView::kDragStart);
  driver.move(pointAt(250));
  EXPECT_EQ(m_view->startAngle(), 250 * kScale);
  EXPECT_EQ(m_view->endAngle(), 200 * kScale);
}

TEST_F(ArcAngleViewTest, EachChangeIsReportedOnceWithBothAngles) {
  QSignalSpy spy(m_view, &DRArcAngleView::anglesChanged);
  std::vector<std::pair<int64_t, int64_t>> reported;
  QObject::connect(m_view, &DRArcAngleView::anglesChanged, m_view, [&](DRArcAngleView* view) {
    reported.emplace_back(view->startAngle(), view->endAngle());
  });
  EventDriver driver(m_view);
  driver.press(pointAt(200));
  driver.move(pointAt(210));
  driver.move(pointAt(210));  // no change: nothing reported
  driver.move(pointAt(228));  // snaps to 225
  driver.move(pointAt(223));  // still 225
  driver.release(pointAt(223));
  ASSERT_EQ(spy.count(), 2);
  EXPECT_EQ(qvariant_cast<DRArcAngleView*>(spy.at(0).at(0)), m_view);
  const std::vector<std::pair<int64_t, int64_t>> expected{{0, 210 * kScale}, {0, 225 * kScale}};
  EXPECT_EQ(reported, expected);

  // After the release the knob stays taken; a press away from both knobs
  // drops it and drags nothing.
  EXPECT_EQ(m_view->draggingKnob(), DRArcAngleView::kDragEnd);
  driver.press(m_view->innerRect().center());
  EXPECT_EQ(m_view->draggingKnob(), DRArcAngleView::kDragNone);
  driver.move(pointAt(90));
  EXPECT_EQ(spy.count(), 2);
  EXPECT_EQ(m_view->endAngle(), 225 * kScale);
}

TEST_F(ArcAngleViewTest, SettingTheEndAngleMovesTheEndKnob) {
  ScopedAccent accent(QColor(0, 0, 255));
  const QColor knobGray(142, 142, 147);
  QColor before = pixelAt(pointAt(90));
  EXPECT_TRUE(Near(pixelAt(pointAt(200)), knobGray)) << qPrintable(pixelAt(pointAt(200)).name());
  EXPECT_FALSE(Near(before, knobGray)) << qPrintable(before.name());

  m_view->setEndAngle(90 * kScale);
  m_view->update();
  const QColor after = pixelAt(pointAt(90));
  EXPECT_TRUE(Near(after, knobGray)) << qPrintable(after.name());
  EXPECT_FALSE(Near(pixelAt(pointAt(200)), knobGray));
}

TEST_F(ArcAngleViewTest, RingFollowsTheAccentColour) {
  ScopedAccent accent(QColor(220, 0, 0));
  const QPointF ring = pointAt(135, 47);
  EXPECT_TRUE(Near(pixelAt(ring), QColor(220, 0, 0))) << qPrintable(pixelAt(ring).name());
  accent.set(QColor(0, 160, 0));
  EXPECT_TRUE(Near(pixelAt(ring), QColor(0, 160, 0))) << qPrintable(pixelAt(ring).name());
}

TEST_F(ArcAngleViewTest, KnobIsATriangleAcrossTheRing) {
  QPainterPath knob;
  const QRectF outer(0, 0, 100, 100);
  const QRectF inner = outer.adjusted(16, 16, -16, -16);
  DRArcAngleView::setKnobBezier(&knob, 90 * kScale, inner, outer);
  // Turned to 3 o'clock: apex on the pie's edge, base on the outer edge.
  const QRectF box = knob.boundingRect();
  EXPECT_NEAR(box.left(), 84, 1e-4);
  EXPECT_NEAR(box.right(), 100, 1e-4);
  EXPECT_NEAR(box.top(), 42, 1e-4);
  EXPECT_NEAR(box.bottom(), 58, 1e-4);
  EXPECT_TRUE(knob.contains(QPointF(95, 50)));
  EXPECT_FALSE(knob.contains(QPointF(86, 45)));
}

}  // namespace
