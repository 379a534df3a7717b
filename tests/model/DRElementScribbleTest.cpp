#include <gtest/gtest.h>

#include <QImage>
#include <cmath>
#include <memory>

#include "model/DRElementScribble.h"
#include "model/DRTool.h"
#include "model/ElementTestSupport.h"
#include "model/FakeHostingView.h"

namespace {

constexpr Kolor kRed = 0x640000FF;

DRLineInfo Line(double points, Kolor kolor = 0x64000000) {
  DRLineInfo info;
  info.setWidth(Pt(points));
  info.setKolorWithoutRegistering(kolor);
  return info;
}

// A scribble drawn with the tool through the absolute points (points), as
// the canvas makes it: frame from polygonRect, then construction ends.
std::unique_ptr<DRElementScribble> Drawn(std::initializer_list<QPointF> points, bool finish = true) {
  std::unique_ptr<DRElement> element = DRElement::elementWithTool(kToolScribble);
  auto* scribble = dynamic_cast<DRElementScribble*>(element.get());
  if (!scribble) return nullptr;
  element.release();
  std::unique_ptr<DRElementScribble> result(scribble);
  for (const QPointF& p : points) result->points().push_back(ConvertViewPoint(p.x(), p.y()));
  result->setFrame(result->polygonRect());
  if (finish) result->setUnderConstruction(false);
  return result;
}

bool IsInk(QRgb pixel) {
  return qRed(pixel) < 200 || qGreen(pixel) < 200 || qBlue(pixel) < 200;
}

}  // namespace

TEST(DRElementScribble, EndingNearTheStartClosesWithinTheTolerance) {
  SettingsScope scope;
  ASSERT_EQ(scope.settings().polygonTolerance(), Pt(3));
  struct Case {
    double lastX;
    bool closes;
  } cases[] = {{12, true}, {14, false}, {13, true}};  // 2, 4 and exactly 3 points from the start
  for (const Case& c : cases) {
    auto scribble = Drawn({{10, 10}, {60, 10}, {60, 60}, {c.lastX, 10}});
    ASSERT_TRUE(scribble);
    EXPECT_EQ(scribble->isClosed(), c.closes) << c.lastX;
    EXPECT_EQ(scribble->points().size(), c.closes ? 3u : 4u) << c.lastX;
    scribble->setFillKolor(kRed);
    EXPECT_EQ(scribble->canDrawFilled(), c.closes) << c.lastX;
    // Stored relative to the frame.
    const CSRect frame = scribble->frame();
    EXPECT_EQ(scribble->points()[0], (CSPoint{Pt(10) - frame.x, Pt(10) - frame.y}));
  }
}

TEST(DRElementScribble, FewerThanThreePointsNeverClose) {
  SettingsScope scope;
  auto scribble = Drawn({{10, 10}, {11, 10}});
  EXPECT_FALSE(scribble->isClosed());
  EXPECT_EQ(scribble->points().size(), 2u);
  EXPECT_FALSE(scribble->canDrawClosed());
}

TEST(DRElementScribble, AnOpenScribbleWithNearEndsStrokesClosedButIsNotFilled) {
  SettingsScope scope;
  auto scribble = Drawn({{10, 10}, {60, 10}, {60, 60}, {12, 10}}, false);
  scribble->setReshaping(true);  // no auto-close
  scribble->setUnderConstruction(false);
  scribble->setReshaping(false);
  EXPECT_FALSE(scribble->isClosed());
  EXPECT_TRUE(scribble->canDrawClosed());
  EXPECT_FALSE(scribble->canDrawFilled());
}

TEST(DRElementScribble, AutoCloseClosesWhateverTheDistanceAndIsCleared) {
  SettingsScope scope;
  auto scribble = Drawn({{10, 10}, {60, 10}, {60, 60}, {40, 60}}, false);
  scribble->setAutoClose(true);
  scribble->setUnderConstruction(false);
  EXPECT_TRUE(scribble->isClosed());
  EXPECT_EQ(scribble->points().size(), 3u);
  EXPECT_FALSE(scribble->autoClose());
}

TEST(DRElementScribble, TheFillRuleIsNonzeroUnlessAlternate) {
  SettingsScope scope;
  // A path that runs twice round the same square: its inside has winding 2.
  auto scribble = std::make_unique<DRElementScribble>();
  for (int round = 0; round < 2; ++round) {
    for (QPointF p : {QPointF(20, 20), QPointF(80, 20), QPointF(80, 80), QPointF(20, 80)})
      scribble->points().push_back(ConvertViewPoint(p.x(), p.y()));
  }
  scribble->setFrame(PtRect(0, 0, 100, 100));
  scribble->setOriginalSize(CSPoint{Pt(100), Pt(100)});
  scribble->setClosed(true);
  scribble->setFillKolor(kRed);
  scribble->setLineInfo(Line(1, g_nilKolor));
  const QImage nonzero = Render(QSize(100, 100), [&] { scribble->drawInView(nullptr); });
  scribble->setAlternateFillRule(true);
  const QImage evenOdd = Render(QSize(100, 100), [&] { scribble->drawInView(nullptr); });
  EXPECT_EQ(qRed(nonzero.pixel(50, 50)), 255);
  EXPECT_LT(qGreen(nonzero.pixel(50, 50)), 20);
  EXPECT_EQ(evenOdd.pixel(50, 50), qRgb(255, 255, 255));
  EXPECT_FALSE(scribble->canHitTestBezier());
}

TEST(DRElementScribble, ResizingScalesTheDrawingNotThePoints) {
  SettingsScope scope;
  auto scribble = Drawn({{10, 10}, {50, 10}, {50, 40}});
  const std::vector<CSPoint> stored = scribble->points();
  const CSRect frame = scribble->frame();
  const CSPoint original = scribble->originalSize();
  CSRect wide = frame;
  wide.width *= 2;
  scribble->setFrame(wide);
  const QRectF rect = ConvertMeasureRect(wide);
  const std::vector<QPointF> drawn = scribble->copyPathPoints(rect);
  ASSERT_EQ(drawn.size(), stored.size());
  for (size_t i = 0; i < stored.size(); ++i) {
    const QPointF unscaled = ConvertMeasurePoint(stored[i]);
    EXPECT_NEAR(drawn[i].x() - rect.x(), 2 * unscaled.x(), 1e-3);
    EXPECT_NEAR(drawn[i].y() - rect.y(), unscaled.y(), 1e-3);
  }
  EXPECT_EQ(scribble->points(), stored);
  scribble->setConstrained(true);
  EXPECT_EQ(scribble->frame().width, original.x);
  EXPECT_EQ(scribble->frame().height, original.y);
}

TEST(DRElementScribble, TheLineWidthFollowsTheHorizontalScale) {
  SettingsScope scope;
  auto scribble = Drawn({{10, 10}, {50, 10}, {50, 40}});
  scribble->setLineInfo(Line(2));
  CSRect wide = scribble->frame();
  wide.width *= 2;
  scribble->setFrame(wide);
  EXPECT_NEAR(scribble->setupLineDrawing(nullptr).widthF(), 4.0, 1e-6);
  scribble->setScaleLine(false);
  EXPECT_NEAR(scribble->setupLineDrawing(nullptr).widthF(), 2.0, 1e-6);
  // No original size: nothing to scale by.
  scribble->setScaleLine(true);
  scribble->setOriginalSize(CSPoint{});
  EXPECT_NEAR(scribble->setupLineDrawing(nullptr).widthF(), 2.0, 1e-6);
}

TEST(DRElementScribble, AZeroWidthLineUnderConstructionGetsAFrameOnePointLarger) {
  SettingsScope scope;
  auto scribble = Drawn({{10, 10}, {30, 50}}, false);
  scribble->setLineInfo(Line(0));
  const CSRect rect = scribble->polygonRect();
  EXPECT_EQ(rect, (CSRect{Pt(9.5), Pt(9.5), Pt(21), Pt(41)}));
  // A single point still spans a point each way.
  auto dot = Drawn({{10, 10}}, false);
  dot->setLineInfo(Line(0));
  EXPECT_EQ(dot->polygonRect(), (CSRect{Pt(9.5), Pt(9.5), Pt(2), Pt(2)}));
}

TEST(DRElementScribble, TextReplacesTheLineUnlessHidden) {
  SettingsScope scope;
  auto scribble = std::make_unique<DRElementScribble>();
  scribble->points() = {CSPoint{0, Pt(30)}, CSPoint{Pt(180), Pt(30)}};
  scribble->setFrame(PtRect(10, 10, 180, 60));
  scribble->setOriginalSize(CSPoint{Pt(180), Pt(60)});
  scribble->setLineInfo(Line(2));
  scribble->setText(QStringLiteral("ab"));
  ASSERT_TRUE(scribble->shouldDrawText());
  EXPECT_FALSE(scribble->shouldDrawLine());
  const QImage text = Render(QSize(200, 80), [&] { scribble->drawInView(nullptr); });
  EXPECT_GT(scribble->textExtent(), 2.0);
  // The text starts at the path's start; its far end shows no line.
  EXPECT_FALSE(IsInk(text.pixel(150, 40)));
  EXPECT_GT(InkCount(text, QRect(10, 20, 40, 25)), 0);
  const CSRect withText = scribble->bounds(false);

  scribble->setHideText(true);
  EXPECT_TRUE(scribble->shouldDrawLine());
  const QImage line = Render(QSize(200, 80), [&] { scribble->drawInView(nullptr); });
  EXPECT_TRUE(IsInk(line.pixel(150, 40)));
  EXPECT_EQ(scribble->textExtent(), 0.0);
  EXPECT_EQ(scribble->text(), QStringLiteral("ab"));
  EXPECT_LT(scribble->bounds(false).width, withText.width);
  EXPECT_TRUE(RecordOf(*scribble).contains(QStringLiteral("<string>ab</string>")));
}

TEST(DRElementScribble, ConstructionThereAndBackKeepsThePoints) {
  SettingsScope scope;
  auto scribble = Drawn({{10, 10}, {50, 10}, {50, 40}, {20, 60}});
  const std::vector<CSPoint> stored = scribble->points();
  const CSRect frame = scribble->frame();
  scribble->setUnderConstruction(true);
  EXPECT_EQ(scribble->points()[0], (CSPoint{stored[0].x + frame.x, stored[0].y + frame.y}));
  scribble->setUnderConstruction(false);
  EXPECT_EQ(scribble->points(), stored);
  EXPECT_EQ(scribble->frame(), frame);
}

TEST(DRElementScribble, FlipMirrorsThePointsInsideTheOriginalSize) {
  SettingsScope scope;
  auto scribble = std::make_unique<DRElementScribble>();
  scribble->setOriginalSize(CSPoint{100, 50});
  scribble->points() = {CSPoint{10, 20}, CSPoint{90, 5}};
  scribble->flip(false);
  EXPECT_EQ(scribble->points(), (std::vector<CSPoint>{{90, 20}, {10, 5}}));
  scribble->flip(true);
  EXPECT_EQ(scribble->points(), (std::vector<CSPoint>{{90, 30}, {10, 45}}));
}

TEST(DRElementScribble, TheRecordRoundTrips) {
  SettingsScope scope;
  auto scribble = Drawn({{10, 10}, {50, 10}, {50, 40}, {11, 11}});
  scribble->setAlternateFillRule(true);
  scribble->setHideText(true);
  scribble->setScaleLine(false);
  scribble->setText(QStringLiteral("along <the> path"));
  const QString record = RecordOf(*scribble);
  EXPECT_TRUE(record.contains(QStringLiteral("<shut>1</shut>")));
  EXPECT_TRUE(record.contains(QStringLiteral("<scale-line>0</scale-line>")));
  std::unique_ptr<DRElement> read = ReadRecord(Records(record));
  auto* copy = dynamic_cast<DRElementScribble*>(read.get());
  ASSERT_TRUE(copy);
  EXPECT_EQ(copy->points(), scribble->points());
  EXPECT_TRUE(copy->isClosed());
  EXPECT_TRUE(copy->alternateFillRule());
  EXPECT_EQ(copy->text(), scribble->text());
  EXPECT_EQ(RecordOf(*copy), record);
  std::unique_ptr<DRElement> duplicate = scribble->copy();
  EXPECT_EQ(RecordOf(*duplicate), record);
}

TEST(DRElementScribble, ARecordWithoutOriginalSizeDrawsUnscaled) {
  SettingsScope scope;
  const QString body = QStringLiteral(
      "<element><type>scribble</type><frame>{127000,127000,1270000,1270000}</frame>"
      "<lineinfo><width>25400</width></lineinfo>"
      "<points><point>{0,0}</point><point>{635000,635000}</point><point>{0,635000}</point></points>"
      "</element>");
  std::unique_ptr<DRElement> read = ReadRecord(Records(body));
  auto* scribble = dynamic_cast<DRElementScribble*>(read.get());
  ASSERT_TRUE(scribble);
  ASSERT_EQ(scribble->originalSize(), (CSPoint{0, 0}));
  const QRectF rect = ConvertMeasureRect(scribble->frame());
  const std::vector<QPointF> drawn = scribble->copyPathPoints(rect);
  ASSERT_EQ(drawn.size(), 3u);
  EXPECT_EQ(drawn[1], QPointF(60, 60));
  const QImage image = Render(QSize(120, 120), [&] { scribble->drawInView(nullptr); });
  EXPECT_TRUE(IsInk(image.pixel(35, 35)));
}

TEST(DRElementScribble, AClosedPathGoingBackUnderConstructionKeepsItsVertices) {
  SettingsScope scope;
  // Closed already, with its last vertex within the tolerance of its first:
  // ending construction again must not take that vertex for the start.
  auto scribble = Drawn({{10, 10}, {60, 10}, {60, 60}, {40, 60}}, false);
  scribble->setAutoClose(true);
  scribble->setUnderConstruction(false);
  ASSERT_TRUE(scribble->isClosed());
  scribble->points().push_back(CSPoint{scribble->points()[0].x + Pt(1), scribble->points()[0].y});
  const std::vector<CSPoint> stored = scribble->points();
  scribble->setUnderConstruction(true);
  scribble->setUnderConstruction(false);
  EXPECT_EQ(scribble->points(), stored);
}
