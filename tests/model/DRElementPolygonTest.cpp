#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <memory>

#include "model/DRElementPolygon.h"
#include "model/DRTool.h"
#include "model/ElementTestSupport.h"
#include "model/GraphicHelpers.h"

namespace {

DRLineInfo Line(double points) {
  DRLineInfo info;
  info.setWidth(Pt(points));
  info.setKolorWithoutRegistering(0x64000000);
  return info;
}

// A polygon with the stored points (measures, frame-relative) in a frame
// the size of originalSize.
std::unique_ptr<DRElementPolygon> Polygon(std::vector<CSPoint> points, bool curves, const CSRect& frame) {
  auto polygon = std::make_unique<DRElementPolygon>();
  polygon->setFrame(frame);
  polygon->setOriginalSize(CSPoint{frame.width, frame.height});
  polygon->setPoints(points);
  polygon->setLineInfo(Line(2));
  polygon->setFillKolor(g_nilKolor);
  polygon->setCurves(curves);
  return polygon;
}

const std::vector<CSPoint> kCorner = {{0, 0}, {1270000, 0}, {1270000, 1270000}};

// Whether c lies on the straight segment a-b (within a measure).
bool OnSegment(CSPoint c, CSPoint a, CSPoint b) {
  const double cross = (double(b.x) - double(a.x)) * (double(c.y) - double(a.y)) -
                       (double(b.y) - double(a.y)) * (double(c.x) - double(a.x));
  const double length = std::hypot(double(b.x) - double(a.x), double(b.y) - double(a.y));
  return length == 0 ? c == a : std::abs(cross) / length <= 1.0;
}

}  // namespace

TEST(DRElementPolygon, SmoothingPutsTheControlsParallelToTheChord) {
  const DRControlPair pair = SetControlPair(kCorner[0], kCorner[1], kCorner[2]);
  EXPECT_EQ(pair.in, (CSPoint{1090395, -179605}));
  EXPECT_EQ(pair.out, (CSPoint{1449605, 179605}));
  // A vertical chord.
  const DRControlPair vertical = SetControlPair(CSPoint{0, 0}, CSPoint{500, 500}, CSPoint{0, 1000});
  EXPECT_EQ(vertical.in, (CSPoint{500, 500 - 141}));
  EXPECT_EQ(vertical.out, (CSPoint{500, 500 + 141}));
}

TEST(DRElementPolygon, SetCurvesSmoothsEveryVertexAndOpenEndsCoincide) {
  SettingsScope scope;
  auto polygon = Polygon(kCorner, true, CSRect{0, 0, 1270000, 1270000});
  ASSERT_EQ(polygon->controlPairs().size(), 3u);
  EXPECT_EQ(polygon->curvePointCount(), 3u);
  EXPECT_EQ(polygon->controlPairs()[1], SetControlPair(kCorner[0], kCorner[1], kCorner[2]));
  EXPECT_EQ(polygon->controlPairs()[0].in, kCorner[0]);
  EXPECT_EQ(polygon->controlPairs()[2].out, kCorner[2]);
}

TEST(DRElementPolygon, ACurvedPolygonOfTwoVerticesDrawsStraight) {
  SettingsScope scope;
  const std::vector<CSPoint> points = {{Pt(10), Pt(10)}, {Pt(90), Pt(50)}};
  auto curved = Polygon(points, true, PtRect(0, 0, 100, 60));
  auto straight = Polygon(points, false, PtRect(0, 0, 100, 60));
  ASSERT_EQ(curved->curvePointCount(), 2u);
  for (const DRControlPair& pair : curved->controlPairs()) {
    EXPECT_TRUE(OnSegment(pair.in, points[0], points[1]));
    EXPECT_TRUE(OnSegment(pair.out, points[0], points[1]));
  }
  const QImage a = Render(QSize(100, 60), [&] { curved->drawInView(nullptr); });
  const QImage b = Render(QSize(100, 60), [&] { straight->drawInView(nullptr); });
  EXPECT_TRUE(ImagesMatch(a, b, 40, QStringLiteral("polygon_two_vertices")));
}

TEST(DRElementPolygon, CurvesOffAndOnReplaceEditedControlPoints) {
  SettingsScope scope;
  auto polygon = Polygon(kCorner, true, CSRect{0, 0, 1270000, 1270000});
  const std::vector<DRControlPair> smooth = polygon->controlPairs();
  polygon->controlPairs()[1].out = CSPoint{5, 5};
  polygon->setCurves(false);
  EXPECT_TRUE(polygon->controlPairs().empty());
  polygon->setCurves(true);
  EXPECT_EQ(polygon->controlPairs(), smooth);
}

TEST(DRElementPolygon, ClosingRecomputesOnlyTheClosingControls) {
  SettingsScope scope;
  const std::vector<CSPoint> square = {{0, 0}, {Pt(100), 0}, {Pt(100), Pt(100)}, {0, Pt(100)}};
  for (bool noBusyBody : {false, true}) {
    auto polygon = Polygon(square, true, PtRect(0, 0, 100, 100));
    polygon->setNoBusyBody(noBusyBody);
    std::vector<DRControlPair> expected = polygon->controlPairs();
    for (DRControlPair& pair : polygon->controlPairs()) pair.in.x += 7;  // hand edits
    for (DRControlPair& pair : expected) pair.in.x += 7;
    if (!noBusyBody) {
      expected[0].in = SetControlPair(square[3], square[0], square[1]).in;
      expected[3].out = SetControlPair(square[2], square[3], square[0]).out;
    }
    polygon->setClosed(true);
    EXPECT_EQ(polygon->controlPairs(), expected) << noBusyBody;
    polygon->setClosed(false);  // opening changes none
    EXPECT_EQ(polygon->controlPairs(), expected) << noBusyBody;
  }
}

TEST(DRElementPolygon, FinishingNearTheFirstVertexClosesAndSmoothsAcross) {
  SettingsScope scope;
  std::unique_ptr<DRElement> element = DRElement::elementWithTool(kToolPolygon);
  auto* polygon = dynamic_cast<DRElementPolygon*>(element.get());
  ASSERT_TRUE(polygon);
  polygon->setCurves(true);
  for (QPointF p : {QPointF(10, 10), QPointF(90, 10), QPointF(90, 90), QPointF(10, 90), QPointF(11, 11)}) {
    polygon->points().push_back(ConvertViewPoint(p.x(), p.y()));
    polygon->addControlPoint();
  }
  ASSERT_EQ(polygon->controlPairs().size(), 5u);
  polygon->setFrame(polygon->polygonRect());
  polygon->setUnderConstruction(false);
  ASSERT_TRUE(polygon->isClosed());
  const std::vector<CSPoint>& p = polygon->points();
  ASSERT_EQ(p.size(), 4u);
  ASSERT_EQ(polygon->controlPairs().size(), 4u);
  EXPECT_EQ(polygon->controlPairs()[0], SetControlPair(p[3], p[0], p[1]));
  EXPECT_EQ(polygon->controlPairs()[3], SetControlPair(p[2], p[3], p[0]));
  // The middle pairs moved with their (now frame-relative) vertices.
  EXPECT_EQ(polygon->controlPairs()[1], SetControlPair(p[0], p[1], p[2]));
}

TEST(DRElementPolygon, ConstructionThereAndBackKeepsPointsAndPairs) {
  SettingsScope scope;
  auto polygon = Polygon(kCorner, true, CSRect{Pt(20), Pt(30), 1270000, 1270000});
  polygon->controlPairs()[1].in = CSPoint{12345, -678};
  const std::vector<CSPoint> points = polygon->points();
  const std::vector<DRControlPair> pairs = polygon->controlPairs();
  polygon->setUnderConstruction(true);
  EXPECT_EQ(polygon->controlPairs()[1].in, (CSPoint{12345 + Pt(20), -678 + Pt(30)}));
  polygon->setUnderConstruction(false);
  EXPECT_EQ(polygon->points(), points);
  EXPECT_EQ(polygon->controlPairs(), pairs);
}

TEST(DRElementPolygon, FlatteningTakesTwentyOneSamplesPerSegment) {
  SettingsScope scope;
  auto polygon = Polygon(kCorner, true, CSRect{0, 0, 1270000, 1270000});
  const QRectF rect(0, 0, 100, 100);
  std::vector<QPointF> flat = polygon->copyPathPoints(rect);
  ASSERT_EQ(flat.size(), 42u);
  EXPECT_EQ(flat[0], QPointF(0, 0));
  EXPECT_EQ(flat[20], QPointF(100, 0));
  EXPECT_EQ(flat[21], QPointF(100, 0));
  EXPECT_EQ(flat[41], QPointF(100, 100));
  polygon->setClosed(true);
  flat = polygon->copyPathPoints(rect);
  ASSERT_EQ(flat.size(), 63u);
  EXPECT_EQ(flat.back(), QPointF(0, 0));
}

TEST(DRElementPolygon, APairCountOtherThanThePointCountDrawsStraight) {
  SettingsScope scope;
  const QString body = QStringLiteral(
      "<element><type>polygon</type><frame>{0,0,1270000,1270000}</frame><original>{1270000,1270000}</original>"
      "<points><point>{0,0}</point><point>{1270000,0}</point><point>{1270000,1270000}</point></points>"
      "<control><pair><in>{5,5}</in><out>{900000,900000}</out></pair>"
      "<pair><in>{7,7}</in><out>{8,8}</out></pair></control></element>");
  std::unique_ptr<DRElement> read = ReadRecord(Records(body));
  auto* polygon = dynamic_cast<DRElementPolygon*>(read.get());
  ASSERT_TRUE(polygon);
  EXPECT_TRUE(polygon->curves());
  EXPECT_EQ(polygon->controlPairs().size(), 2u);
  EXPECT_EQ(polygon->curvePointCount(), 0u);
  const QPainterPath path = polygon->bezierForRect(QRectF(0, 0, 100, 100), false);
  ASSERT_EQ(path.elementCount(), 3);
  for (int i = 0; i < path.elementCount(); ++i) EXPECT_FALSE(path.elementAt(i).isCurveTo());
  EXPECT_EQ(polygon->copyPathPoints(QRectF(0, 0, 100, 100)).size(), 3u);
}

TEST(DRElementPolygon, ARecordWithoutPointsDrawsNothing) {
  SettingsScope scope;
  const QString body = QStringLiteral(
      "<element><type>polygon</type><frame>{0,0,1270000,1270000}</frame>"
      "<lineinfo><width>25400</width></lineinfo><control></control></element>");
  std::unique_ptr<DRElement> read = ReadRecord(Records(body));
  ASSERT_TRUE(read);
  const QImage image = Render(QSize(120, 120), [&] { read->drawInView(nullptr); });
  EXPECT_EQ(InkCount(image, image.rect()), 0);
}

TEST(DRElementPolygon, CurvedBoundsWithoutOriginalSizeAreUnscaled) {
  SettingsScope scope;
  auto polygon = Polygon(kCorner, true, CSRect{0, 0, 2540000, 2540000});
  polygon->setOriginalSize(CSPoint{});
  const CSRect raw = polygon->rawCurvedBounds();
  EXPECT_EQ(raw.x, 0);
  EXPECT_EQ(raw.y, -179605);
  EXPECT_EQ(raw.width, 1449605);
  // Scaled to twice the original size.
  polygon->setOriginalSize(CSPoint{1270000, 1270000});
  EXPECT_EQ(polygon->rawCurvedBounds().width, 2 * 1449605);
}

TEST(DRElementPolygon, ARotatedCurvedPolygonsBoundsAreASquareOnTheFrameCentre) {
  SettingsScope scope;
  auto polygon = Polygon(kCorner, true, CSRect{0, 0, 1270000, 1270000});
  polygon->setRotation(30 * kMeasurePerPoint);
  const CSRect raw = polygon->rawCurvedBounds();
  EXPECT_EQ(raw.width, raw.height);
  EXPECT_EQ(raw.x + raw.width / 2, 635000);
  EXPECT_EQ(raw.y + raw.height / 2, 635000);
}

TEST(DRElementPolygon, ImporterOperationsKeepSegmentsStraight) {
  SettingsScope scope;
  auto polygon = Polygon({{0, 0}, {900, 0}, {900, 600}}, false, CSRect{0, 0, 900, 600});
  polygon->setNoBusyBody(true);
  polygon->addControlPointsForAngles();
  EXPECT_TRUE(polygon->curves());
  polygon->addAnglePointWithCurves(CSPoint{0, 600});
  const std::vector<CSPoint>& p = polygon->points();
  const std::vector<DRControlPair>& c = polygon->controlPairs();
  ASSERT_EQ(c.size(), p.size());
  for (size_t i = 1; i < p.size(); ++i) {
    EXPECT_TRUE(OnSegment(c[i - 1].out, p[i - 1], p[i])) << i;
    EXPECT_TRUE(OnSegment(c[i].in, p[i - 1], p[i])) << i;
  }
  EXPECT_EQ(c[2].out, InterpolateLineThird(p[2], p[3]));
}

TEST(DRElementPolygon, FlipMirrorsControlPointsToo) {
  SettingsScope scope;
  auto polygon = Polygon(kCorner, true, CSRect{0, 0, 1270000, 1270000});
  polygon->flip(false);
  EXPECT_EQ(polygon->controlPairs()[1].in, (CSPoint{1270000 - 1090395, -179605}));
}

TEST(DRElementPolygon, TheRecordRoundTripsWithEditedControls) {
  SettingsScope scope;
  auto polygon = Polygon(kCorner, true, CSRect{0, 0, 1270000, 1270000});
  polygon->controlPairs()[1].out = CSPoint{-3, 4};
  const QString record = RecordOf(*polygon);
  std::unique_ptr<DRElement> read = ReadRecord(Records(record));
  auto* copy = dynamic_cast<DRElementPolygon*>(read.get());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->controlPairs(), polygon->controlPairs());
  EXPECT_EQ(RecordOf(*copy), record);
  std::unique_ptr<DRElement> duplicate = polygon->copy();
  EXPECT_EQ(static_cast<DRElementPolygon&>(*duplicate).controlPairs(), polygon->controlPairs());
}
