#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <memory>

#include "model/DRElementBentLine.h"
#include "model/DRElementPolygon.h"
#include "model/ElementTestSupport.h"
#include "model/FakeHostingView.h"
#include "testkit/ImageCompare.h"

namespace {

// An element in reshape mode as the canvas puts it there: reshaping, under
// construction (points absolute), the frame on the points.
template <typename T>
std::unique_ptr<T> Reshaping(std::initializer_list<QPointF> points, bool closed = false) {
  auto element = std::make_unique<T>();
  element->setReshaping(true);
  element->setUnderConstruction(true);
  for (const QPointF& p : points) element->points().push_back(ConvertViewPoint(p.x(), p.y()));
  element->setClosed(closed);
  element->setFrameFromPoints();
  return element;
}

CSPoint At(double x, double y) {
  return ConvertViewPoint(x, y);
}

}  // namespace

TEST(DRReshape, EqualDistancesTakeTheLowerIndex) {
  SettingsScope scope;
  auto scribble = Reshaping<DRElementScribble>({{10, 10}, {20, 10}, {15, 30}, {14, 10}});
  FakeHostingView view;
  ReshapeBestFit fit;
  scribble->findReshapePoint(QPointF(15, 10), &fit, &view);
  // Vertices 0 and 1 are 5 points away (outside their handles); 3 is 1 away.
  EXPECT_EQ(fit.index, 3);
  auto twins = Reshaping<DRElementScribble>({{10, 10}, {40, 40}, {12, 10}, {60, 10}});
  twins->findReshapePoint(QPointF(11, 10), &fit, &view);
  EXPECT_EQ(fit.index, 0);
  twins->findReshapePoint(QPointF(30, 30), &fit, &view);
  EXPECT_EQ(fit.index, -1);
}

TEST(DRReshape, OptionDeletesOnlyAboveThreeVertices) {
  SettingsScope scope;
  FakeHostingView view;
  auto four = Reshaping<DRElementScribble>({{10, 10}, {60, 10}, {60, 60}, {10, 60}});
  four->startReshapeDrag(QPointF(60, 10), kReshapeOptionKey, &view);
  EXPECT_EQ(four->points().size(), 3u);
  EXPECT_EQ(four->reshapePoint(), -1);
  EXPECT_FALSE(view.invalidatedElements.empty());

  auto three = Reshaping<DRElementScribble>({{10, 10}, {60, 10}, {60, 60}});
  three->startReshapeDrag(QPointF(60, 10), kReshapeOptionKey, &view);
  EXPECT_EQ(three->points().size(), 3u);
  EXPECT_EQ(three->reshapePoint(), 1);  // an ordinary drag

  // A bent line: Option is nothing special.
  auto bent = Reshaping<DRElementBentLine>({{10, 10}, {60, 10}, {60, 60}});
  bent->startReshapeDrag(QPointF(60, 10), kReshapeOptionKey, &view);
  EXPECT_EQ(bent->points().size(), 3u);
  EXPECT_EQ(bent->reshapePoint(), 1);
  bent->finishReshapeDrag();
  bent->startReshapeDrag(QPointF(35, 10), kReshapeOptionKey, &view);
  EXPECT_EQ(bent->points().size(), 3u);
}

TEST(DRReshape, OptionOnASegmentInsertsAndOnTheClosingSegmentAppends) {
  SettingsScope scope;
  FakeHostingView view;
  auto scribble = Reshaping<DRElementScribble>({{10, 10}, {60, 10}, {60, 60}, {10, 60}}, true);
  scribble->startReshapeDrag(QPointF(35, 10.5), kReshapeOptionKey, &view);
  ASSERT_EQ(scribble->points().size(), 5u);
  EXPECT_EQ(scribble->points()[1], At(35, 10.5));
  EXPECT_EQ(view.dragPoints.back(), QPointF(35, 10.5));
  // Outside the segment's rectangle grown by a point: nothing.
  scribble->startReshapeDrag(QPointF(47, 12), kReshapeOptionKey, &view);
  EXPECT_EQ(scribble->points().size(), 5u);
  // The closing segment, from the last vertex back to the first.
  scribble->startReshapeDrag(QPointF(10, 35), kReshapeOptionKey, &view);
  ASSERT_EQ(scribble->points().size(), 6u);
  EXPECT_EQ(scribble->points().back(), At(10, 35));
  EXPECT_EQ(scribble->frame(), PtRect(10, 10, 50, 50));
}

TEST(DRReshape, TheShiftAxisIsChosenOnTheFirstDragEvent) {
  SettingsScope scope;
  FakeHostingView view;
  auto scribble = Reshaping<DRElementScribble>({{10, 10}, {60, 10}, {60, 60}});
  scribble->startReshapeDrag(QPointF(60, 10), kReshapeShiftKey, &view);
  scribble->continueReshapeDrag(QPointF(65, 15), &view);  // equal: y stays
  EXPECT_EQ(scribble->points()[1], At(65, 10));
  scribble->continueReshapeDrag(QPointF(66, 40), &view);  // the axis holds
  EXPECT_EQ(scribble->points()[1], At(66, 10));
  scribble->finishReshapeDrag();
  scribble->startReshapeDrag(QPointF(66, 10), kReshapeShiftKey, &view);
  scribble->continueReshapeDrag(QPointF(67, 20), &view);  // mostly vertical: x stays
  EXPECT_EQ(scribble->points()[1], At(66, 20));
}

TEST(DRReshape, AlignedDragsSnapBelowEightPoints) {
  SettingsScope scope;
  FakeHostingView view;
  auto scribble = Reshaping<DRElementScribble>({{10, 10}, {60, 10}, {100, 80}});
  const uint64_t both = kReshapeShiftKey | kReshapeOptionKey;
  scribble->startReshapeDrag(QPointF(60, 10), both, &view);
  EXPECT_TRUE(scribble->alignDrag());
  EXPECT_FALSE(scribble->constrainedDrag());
  EXPECT_EQ(scribble->points().size(), 3u);               // Option did not delete
  scribble->continueReshapeDrag(QPointF(93, 73), &view);  // 7 points from vertex 2 each way
  EXPECT_EQ(scribble->points()[1], At(100, 80));
  scribble->continueReshapeDrag(QPointF(92, 50), &view);  // x 8 points away: no snap
  EXPECT_EQ(scribble->points()[1], At(92, 50));
  // Its own coordinates never count.
  scribble->continueReshapeDrag(QPointF(40, 40), &view);
  EXPECT_EQ(scribble->points()[1], At(40, 40));
}

TEST(DRReshape, AVertexStopsAtZero) {
  SettingsScope scope;
  FakeHostingView view;
  auto scribble = Reshaping<DRElementScribble>({{10, 10}, {60, 10}, {60, 60}});
  scribble->startReshapeDrag(QPointF(11, 12), 0, &view);
  scribble->continueReshapeDrag(QPointF(-30, 5), &view);
  EXPECT_EQ(scribble->points()[0], (CSPoint{0, At(0, 3).y}));
  EXPECT_EQ(scribble->frame().x, 0);
}

TEST(DRReshape, TheSeesawKeepsTheOppositeLength) {
  SettingsScope scope;
  FakeHostingView view;
  view.zoom = 1.0;
  auto polygon = Reshaping<DRElementPolygon>({{10, 50}, {60, 50}, {110, 50}});
  polygon->setCurves(true);
  const DRControlPair before = polygon->controlPairs()[1];
  const QPointF out = ConvertMeasurePoint(before.out);
  ASSERT_NE(before.out, polygon->points()[1]);
  const double inLength =
      std::hypot(double(before.in.x - polygon->points()[1].x), double(before.in.y - polygon->points()[1].y));

  polygon->startReshapeDrag(out, 0, &view);
  EXPECT_EQ(polygon->reshapeControl(), 1);
  EXPECT_TRUE(polygon->seesaw());
  polygon->continueReshapeDrag(out + QPointF(0, -10), &view);
  const DRControlPair after = polygon->controlPairs()[1];
  const CSPoint v = polygon->points()[1];
  EXPECT_EQ(after.out, ConvertViewPoint(out.x(), out.y() - 10));
  EXPECT_NEAR(std::hypot(double(after.in.x - v.x), double(after.in.y - v.y)), inLength, 2.0);
  // Opposite side of the vertex, on the line through the moved one.
  EXPECT_LT(after.in.x, v.x);
  EXPECT_GT(after.in.y, v.y);
  const double cross =
      double(after.out.x - v.x) * double(after.in.y - v.y) - double(after.out.y - v.y) * double(after.in.x - v.x);
  EXPECT_LT(std::abs(cross) / inLength, 2.0);
  EXPECT_EQ(polygon->points()[1], v);
  polygon->finishReshapeDrag();
  EXPECT_EQ(polygon->reshapeControl(), -1);

  // With Option only the dragged one moves.
  const QPointF in = ConvertMeasurePoint(after.in);
  polygon->startReshapeDrag(in, kReshapeOptionKey, &view);
  EXPECT_EQ(polygon->reshapeControl(), 0);
  EXPECT_FALSE(polygon->seesaw());
  polygon->continueReshapeDrag(in + QPointF(0, 5), &view);
  EXPECT_EQ(polygon->controlPairs()[1].out, after.out);
  EXPECT_EQ(polygon->points().size(), 3u);
}

TEST(DRReshape, TheSeesawRule) {
  // Moved straight up: the opposite goes straight down by its length.
  EXPECT_EQ(SeesawPoint(CSPoint{-300, 400}, CSPoint{0, 0}, CSPoint{0, -10}), (CSPoint{0, 500}));
  EXPECT_EQ(SeesawPoint(CSPoint{500, 0}, CSPoint{0, 0}, CSPoint{-10, 0}), (CSPoint{500, 0}));
}

TEST(DRReshape, OpenEndsHideTheirHandles) {
  SettingsScope scope;
  FakeHostingView view;
  auto polygon = Reshaping<DRElementPolygon>({{20, 50}, {60, 20}, {100, 50}});
  polygon->setCurves(true);
  polygon->controlPairs()[0].in = At(20, 90);
  polygon->controlPairs()[2].out = At(100, 90);
  for (QPointF p : {QPointF(20, 90), QPointF(100, 90)}) {
    polygon->startReshapeDrag(p, 0, &view);
    EXPECT_EQ(polygon->reshapeControl(), -1);
    EXPECT_EQ(polygon->reshapePoint(), -1);
  }
  const QImage image = Render(QSize(130, 110), [&] { polygon->drawReshapePointsForRect(QRectF(), &view); });
  EXPECT_EQ(InkCount(image, QRect(14, 84, 12, 12)), 0);
  EXPECT_EQ(InkCount(image, QRect(94, 84, 12, 12)), 0);
  // The shown handles of the middle vertex are drawn.
  const QPointF in = ConvertMeasurePoint(polygon->controlPairs()[1].in);
  EXPECT_GT(InkCount(image, QRect(int(in.x()) - 4, int(in.y()) - 4, 9, 9)), 0);
  // Closed, they show and are hit.
  polygon->setNoBusyBody(true);  // keep the edited control points
  polygon->setClosed(true);
  polygon->startReshapeDrag(QPointF(20, 90), 0, &view);
  EXPECT_EQ(polygon->reshapeControl(), 0);
  EXPECT_EQ(polygon->reshapePoint(), 0);
}

TEST(DRReshape, AVertexDragCarriesItsControlPoints) {
  SettingsScope scope;
  FakeHostingView view;
  auto polygon = Reshaping<DRElementPolygon>({{20, 50}, {60, 20}, {100, 50}});
  polygon->setCurves(true);
  const DRControlPair before = polygon->controlPairs()[1];
  polygon->startReshapeDrag(QPointF(60, 20), 0, &view);
  ASSERT_EQ(polygon->reshapePoint(), 1);
  ASSERT_EQ(polygon->reshapeControl(), -1);
  polygon->continueReshapeDrag(QPointF(70, 30), &view);
  const MeasureUnit d = Pt(10);
  EXPECT_EQ(polygon->controlPairs()[1].in, (CSPoint{before.in.x + d, before.in.y + d}));
  EXPECT_EQ(polygon->controlPairs()[1].out, (CSPoint{before.out.x + d, before.out.y + d}));
}

TEST(DRReshape, OptionOnASmoothSegmentInsertsASmoothedPair) {
  SettingsScope scope;
  FakeHostingView view;
  auto polygon = Reshaping<DRElementPolygon>({{20, 50}, {100, 50}, {100, 100}});
  polygon->setCurves(true);
  // The first segment bulges little: its middle lies near y 50.
  const std::vector<QPointF> flat = polygon->copyPathPoints(ConvertMeasureRect(polygon->frame()));
  const QPointF onCurve = flat[10];
  EXPECT_EQ(polygon->addIndexForPoint(onCurve), 1);
  EXPECT_EQ(polygon->addIndexForPoint(onCurve + QPointF(0, 12)), -1);
  polygon->startReshapeDrag(onCurve, kReshapeOptionKey, &view);
  ASSERT_EQ(polygon->points().size(), 4u);
  ASSERT_EQ(polygon->controlPairs().size(), 4u);
  const std::vector<CSPoint>& p = polygon->points();
  EXPECT_EQ(polygon->controlPairs()[1], SetControlPair(p[0], p[1], p[2]));
}

TEST(DRReshape, AHugePathIsNotTestedAgainstABitmap) {
  SettingsScope scope;
  DRElementPolygon polygon;
  QPainterPath path;
  path.moveTo(0, 0);
  path.cubicTo(1e6, 0, 1e6, 1e6, 2e6, 2e6);
  EXPECT_FALSE(polygon.isPoint(QPointF(1, 1), path));
  QPainterPath small;
  small.moveTo(-5, -5);
  small.lineTo(20, 20);
  EXPECT_TRUE(polygon.isPoint(QPointF(0, 0), small));
  EXPECT_FALSE(polygon.isPoint(QPointF(10, 0), small));
}

TEST(DRReshape, VertexNumbersAreDrawnBesideTheSquares) {
  SettingsScope scope;
  FakeHostingView view;
  auto scribble = Reshaping<DRElementScribble>({{20, 20}, {80, 20}, {80, 80}});
  const QImage plain = Render(QSize(120, 100), [&] { scribble->drawReshapePointsForRect(QRectF(), &view); });
  g_showReshapeIndexes = true;
  const QImage numbered = Render(QSize(120, 100), [&] { scribble->drawReshapePointsForRect(QRectF(), &view); });
  g_showReshapeIndexes = false;
  const QRect right(86, 12, 20, 16);  // right of vertex 1's square
  EXPECT_EQ(InkCount(plain, right), 0);
  EXPECT_GT(InkCount(numbered, right), 0);
  EXPECT_GT(InkCount(plain, QRect(14, 14, 12, 12)), 0);
}

TEST(DRReshape, HandlesShowInTheActiveWindowWhereverTheFocusIs) {
  SettingsScope scope;
  auto scribble = Reshaping<DRElementScribble>({{20, 20}, {90, 20}, {90, 70}, {20, 70}}, true);
  FakeHostingView view;
  auto draw = [&] { return Render(QSize(120, 100), [&] { scribble->drawInView(&view); }); };
  view.activeWindow = false;
  view.active = false;
  const QImage without = draw();
  view.activeWindow = true;
  view.active = true;
  const QImage focused = draw();
  // A pane of the same window has the focus: the handles stay.
  view.active = false;
  const QImage paneFocused = draw();
  EXPECT_GT(InkCount(focused, QRect(14, 14, 13, 13)), InkCount(without, QRect(14, 14, 13, 13)));
  EXPECT_EQ(paneFocused, focused);
  // A canvas without a window is in no active window.
  view.window = false;
  EXPECT_EQ(draw(), without);
}
