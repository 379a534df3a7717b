// The arrow editor (dragging a head's control points) and the arrow preview.

#include <gtest/gtest.h>

#include <QSignalSpy>
#include <array>
#include <cmath>
#include <memory>

#include "ImageCompare.h"
#include "model/SpecialtyDrawing.h"
#include "ui/EventDriver.h"
#include "ui/HarnessWindow.h"
#include "ui/inspector/DRArrowExample.h"
#include "ui/inspector/DRArrowView.h"

namespace {

constexpr MeasureUnit kPt = kMeasurePerPoint;

TEST(ArrowEditorTest, DistancesBecomeOffsetsSnappedToHalfPointsAndClamped) {
  struct Case {
    bool clamp;
    double a, b, c;  // view points, 10 to a point of offset
    MeasureUnit expected;
  };
  const Case cases[] = {
      {true, 10, 0, 0, kPt},        {true, 4.1, 0, 0, 6350},     // 0.41 point is within 0.1 of the half point
      {true, 0, 4.1, 0, -6350},                                  // either way
      {true, 6.0, 0, 0, 6350},                                   // 0.6 point: exactly 0.1 away still snaps
      {true, 6.2, 0, 0, 7874},                                   // 0.62 point stays
      {true, 3.7, 0, 0, 4699},                                   // 0.37 point stays
      {true, 1, 0, 2, 3810},                                     // a - b + c
      {true, 1.234, 0, 0, 1524},                                 // truncated, then whole hundredths of a point
      {true, 0.0123, 0, 0, 0},      {true, 2000, 0, 0, 127000},  // 200 points clamps at 10
      {true, -2000, 0, 0, -127000}, {false, 2000, 0, 0, 200 * kPt},
      {true, 1e300, 0, 0, 127000},  // absurd distances stay finite
  };
  for (const Case& c : cases) {
    EXPECT_EQ(DRArrowView::measureDifference(c.clamp, c.a, c.b, c.c), c.expected)
        << c.a << " - " << c.b << " + " << c.c << (c.clamp ? " clamped" : "");
  }
}

class ArrowDragTest : public ::testing::Test {
 protected:
  void SetUp() override {
    view = window.place(new DRArrowView, QRect(0, 0, int(2 * DRArrowView::kMargin) + 176, 180));
    driver = std::make_unique<EventDriver>(view);
  }

  static DRArrow Arrow(int type, bool start, bool end, MeasureUnit base, MeasureUnit x, MeasureUnit y) {
    DRArrow arrow;
    arrow.setType(type);
    arrow.setOnStart(start);
    arrow.setOnEnd(end);
    arrow.setBaseOffset(base);
    arrow.setXControl(x);
    arrow.setYControl(y);
    return arrow;
  }

  QPointF controlPoint(int index) const {
    std::array<QPointF, kMaxArrowControls> points;
    const int count = view->controlPoints(points);
    EXPECT_LT(index, count);
    return index < count ? points[size_t(index)] : QPointF();
  }

  // Presses on the control point (off its centre by `grip`) and moves by
  // the delta; the button stays down.
  void pressAndMove(int index, QPointF delta, QPointF grip = QPointF(2, -1)) {
    const QPointF from = controlPoint(index) + grip;
    driver->press(from);
    ASSERT_EQ(view->dragPointIndex(), index);
    driver->move(from + delta);
    last = from + delta;
  }

  HarnessWindow window{QSize(800, 300)};
  DRArrowView* view = nullptr;
  std::unique_ptr<EventDriver> driver;
  QPointF last;
};

TEST_F(ArrowDragTest, DraggingAPointSetsTheOffsetsOfTheHeadBeingEdited) {
  struct Case {
    const char* what;
    DRArrow arrow;
    int point;
    QPointF delta;  // view points: 10 to a point of offset
    MeasureUnit base, x, y;
  };
  const Case cases[] = {
      {"end head, still", Arrow(kArrowTypeOpen, false, true, 0, 3 * kPt, 2 * kPt), 0, {0, 0}, 0, 3 * kPt, 2 * kPt},
      {"end head, outwards and up",
       Arrow(kArrowTypeOpen, false, true, 0, 3 * kPt, 2 * kPt),
       0,
       {10, -15},
       0,
       4 * kPt,
       7 * kPt / 2},
      {"start head, mirrored",
       Arrow(kArrowTypeOpen, true, false, 0, 3 * kPt, 2 * kPt),
       0,
       {-10, 15},
       0,
       4 * kPt,
       7 * kPt / 2},
      {"both heads: the end one",
       Arrow(kArrowTypeOpen, true, true, 0, 3 * kPt, 2 * kPt),
       0,
       {10, -15},
       0,
       4 * kPt,
       7 * kPt / 2},
      {"half open", Arrow(kArrowTypeOpenHalf, false, true, 0, 3 * kPt, 2 * kPt), 0, {-20, 5}, 0, kPt, 3 * kPt / 2},
      {"bar", Arrow(kArrowTypeBar, false, true, 0, 2 * kPt, 2 * kPt), 0, {10, -10}, 0, 3 * kPt, 3 * kPt},
      {"ball: only its size", Arrow(kArrowTypeBall, false, true, 0, 0, 2 * kPt), 0, {40, -10}, 0, 0, 3 * kPt},
      {"closed, the tip's point",
       Arrow(kArrowTypeClosed, false, true, 2 * kPt, 3 * kPt, 2 * kPt),
       0,
       {10, -10},
       2 * kPt,
       4 * kPt,
       3 * kPt},
      {"closed, the base",
       Arrow(kArrowTypeClosed, false, true, 2 * kPt, 3 * kPt, 2 * kPt),
       1,
       {10, 0},
       3 * kPt,
       3 * kPt,
       2 * kPt},
      {"closed start head, the base",
       Arrow(kArrowTypeClosed, true, false, 2 * kPt, 3 * kPt, 2 * kPt),
       1,
       {-10, 0},
       3 * kPt,
       3 * kPt,
       2 * kPt},
      {"control clamped", Arrow(kArrowTypeOpen, false, true, 0, 3 * kPt, 2 * kPt), 0, {500, -500}, 0, 127000, 127000},
      {"closed control clamped after the base",
       Arrow(kArrowTypeClosed, false, true, 5 * kPt, 3 * kPt, 2 * kPt),
       0,
       {500, 0},
       5 * kPt,
       127000,
       2 * kPt},
      {"base never below 0",
       Arrow(kArrowTypeClosed, false, true, 2 * kPt, 3 * kPt, 2 * kPt),
       1,
       {-300, 0},
       0,
       3 * kPt,
       2 * kPt},
      {"snaps to the half point",
       Arrow(kArrowTypeOpen, false, true, 0, 3 * kPt, 2 * kPt),
       0,
       {4.6, 0},
       0,
       7 * kPt / 2,
       2 * kPt},
  };
  for (const Case& c : cases) {
    view->setArrow(c.arrow);
    QSignalSpy changed(view, &DRArrowView::arrowChanged);
    pressAndMove(c.point, c.delta);
    EXPECT_EQ(view->arrow().baseOffset(), c.base) << c.what;
    EXPECT_EQ(view->arrow().xControl(), c.x) << c.what;
    EXPECT_EQ(view->arrow().yControl(), c.y) << c.what;
    const bool moved = c.base != c.arrow.baseOffset() || c.x != c.arrow.xControl() || c.y != c.arrow.yControl();
    EXPECT_EQ(changed.count(), moved ? 1 : 0) << c.what;
    driver->release(last);
    EXPECT_EQ(view->dragPointIndex(), -1);
  }
}

TEST_F(ArrowDragTest, TheArrowUnderTheMouseStaysUntilTheButtonComesUp) {
  const DRArrow before = Arrow(kArrowTypeOpen, false, true, 0, 3 * kPt, 2 * kPt);
  view->setArrow(before);
  QSignalSpy changed(view, &DRArrowView::arrowChanged);

  // A click away from every point does nothing.
  driver->click(QPointF(20, 20));
  EXPECT_EQ(view->dragPointIndex(), -1);
  EXPECT_EQ(changed.count(), 0);

  pressAndMove(0, QPointF(10, 0));
  DRArrow other = before;
  other.setType(kArrowTypeBall);
  view->setArrow(other);  // the sheet's own update, or any other
  EXPECT_EQ(view->arrow().type(), kArrowTypeOpen);
  EXPECT_EQ(view->arrow().xControl(), 4 * kPt);
  driver->move(last + QPointF(10, 0));
  EXPECT_EQ(view->arrow().xControl(), 5 * kPt);
  const int duringDrag = int(changed.count());
  driver->release(last + QPointF(10, 0));
  EXPECT_EQ(changed.count(), duringDrag + 1);
  view->setArrow(other);
  EXPECT_EQ(view->arrow().type(), kArrowTypeBall);
}

TEST_F(ArrowDragTest, MouseUpLeavesTheArrowInCanonicalForm) {
  // A mirrored symmetric head: dragging below the line gives a negative
  // offset, which the canonical form takes as its size.
  view->setArrow(Arrow(kArrowTypeOpen, false, true, 0, 3 * kPt, 2 * kPt));
  pressAndMove(0, QPointF(0, 60));
  EXPECT_EQ(view->arrow().yControl(), -4 * kPt);
  driver->release(last);
  EXPECT_EQ(view->arrow().yControl(), 4 * kPt);
}

TEST_F(ArrowDragTest, TheEditorShowsItsPointsOnlyWhileNoneIsDragged) {
  view->setArrow(Arrow(kArrowTypeClosed, false, true, 2 * kPt, 3 * kPt, 2 * kPt));
  const QColor casing = ColorFromKolor(g_casingColor);
  const auto casingPixels = [&] {
    const QImage image = HarnessWindow::grabView(view);
    int count = 0;
    for (int y = 0; y < image.height(); ++y) {
      for (int x = 0; x < image.width(); ++x) count += ColorNear(image.pixel(x, y), casing, 20) ? 1 : 0;
    }
    return count;
  };
  const QImage idle = HarnessWindow::grabView(view);
  // The thick sample line runs between the margins at mid-height.
  const int middle = int(std::floor(view->height() / 2.0));
  EXPECT_TRUE(ColorNear(idle.pixel(view->width() / 2, middle), Qt::black, 8));
  EXPECT_TRUE(ColorNear(idle.pixel(int(DRArrowView::kMargin) - 20, middle), Qt::white, 8));
  EXPECT_GT(casingPixels(), 10);
  pressAndMove(0, QPointF(5, 0));
  EXPECT_EQ(casingPixels(), 0);
  driver->release(last);
  EXPECT_GT(casingPixels(), 10);
}

TEST(ArrowExampleTest, ThePreviewDrawsTheArrowAtItsNormalSizeInsideItsInset) {
  HarnessWindow window(QSize(300, 100));
  auto* example = window.place(new DRArrowExample, QRect(0, 0, 200, 40));
  const QImage empty = HarnessWindow::grabView(example);
  EXPECT_TRUE(InkBounds(empty, QRect(2, 2, 196, 36)).isEmpty());
  EXPECT_TRUE(ColorNear(empty.pixel(0, 20), GrayColor(3), 8));

  example->setArrow(DRArrow::standardArrow(kArrowTypeClosed));
  const QImage image = HarnessWindow::grabView(example);
  const QRect ink = InkBounds(image, QRect(2, 2, 196, 36));
  EXPECT_NEAR(ink.left(), g_arrowExampleInset, 1);
  EXPECT_NEAR(ink.right(), 200 - g_arrowExampleInset, 2);
  // A head a few points across on a 1-point line.
  EXPECT_GE(ink.height(), 3);
  EXPECT_LE(ink.height(), 20);
}

}  // namespace
