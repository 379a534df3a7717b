#include <gtest/gtest.h>

#include <QImage>
#include <memory>

#include "model/DRElementBentLine.h"
#include "model/ElementTestSupport.h"

namespace {

DRLineInfo Line(double points, Kolor kolor = 0x64000000) {
  DRLineInfo info;
  info.setWidth(Pt(points));
  info.setKolorWithoutRegistering(kolor);
  return info;
}

// A bent line laid out by a drag over the rectangle (points) from the anchor,
// construction ended as the canvas ends it.
std::unique_ptr<DRElementBentLine> Dragged(const QRectF& drag, QPointF anchor, bool finish = true) {
  auto line = std::make_unique<DRElementBentLine>();
  line->setUnderConstruction(true);
  line->setLineInfo(Line(2));
  line->setFrame(line->setNewPointsForRect(ConvertViewRect(drag), ConvertViewPoint(anchor.x(), anchor.y())));
  if (finish) line->setUnderConstruction(false);
  return line;
}

}  // namespace

TEST(DRElementBentLine, ADragLaysOutStartBendAndEnd) {
  SettingsScope scope;
  auto line = Dragged(QRectF(0, 0, 300, 150), QPointF(0, 0), false);
  EXPECT_EQ(line->points(), (std::vector<CSPoint>{{0, 0}, {Pt(100), Pt(100)}, {Pt(300), Pt(150)}}));
  EXPECT_EQ(line->frame(), PtRect(0, 0, 300, 150));
  // From the bottom-right corner the start is there.
  auto back = Dragged(QRectF(0, 0, 300, 150), QPointF(300, 150), false);
  EXPECT_EQ(back->points().front(), (CSPoint{Pt(300), Pt(150)}));
  EXPECT_EQ(back->points().back(), (CSPoint{0, 0}));
  EXPECT_EQ(back->points()[1], (CSPoint{Pt(200), Pt(50)}));
  // Equal distances put the start on the right and bottom edges.
  auto middle = Dragged(QRectF(0, 0, 300, 150), QPointF(150, 75), false);
  EXPECT_EQ(middle->points().front(), (CSPoint{Pt(300), Pt(150)}));
}

TEST(DRElementBentLine, WithoutAnArrowItDrawsLikeAPolygon) {
  SettingsScope scope;
  auto line = Dragged(QRectF(10, 10, 100, 60), QPointF(10, 10));
  line->setArrow(std::nullopt);
  DRElementPolygon polygon;
  polygon.setFrame(line->frame());
  polygon.setOriginalSize(line->originalSize());
  polygon.setPoints(line->points());
  polygon.setLineInfo(line->lineInfo());
  polygon.setFillKolor(0x640000FF);  // an open polygon is not filled
  const QImage a = Render(QSize(130, 90), [&] { line->drawInView(nullptr); });
  const QImage b = Render(QSize(130, 90), [&] { polygon.drawInView(nullptr); });
  EXPECT_GT(InkCount(a, a.rect()), 50);
  EXPECT_TRUE(ImagesMatch(a, b, 0, QStringLiteral("bent_line_as_polygon")));
}

TEST(DRElementBentLine, FilledHeadsWithAShadowStrokeTheLineTwice) {
  SettingsScope scope;
  // A half-transparent line shows how often it was stroked.
  auto make = [](bool filled, bool shadowed) {
    auto line = Dragged(QRectF(10, 10, 160, 60), QPointF(10, 10));
    line->setLineInfo(Line(4, 0x32000000));
    DRArrow arrow = *DRArrow::standardArrow(kArrowTypeClosed);
    arrow.setFill(filled ? 1 : 0);
    line->setArrow(arrow);
    if (shadowed) {
      DRShadow shadow;
      shadow.setXOffset(Pt(30));
      shadow.setYOffset(0);
      shadow.setBlur(0);
      shadow.setKolor(0x0A000000);
      line->setShadow(shadow);
    }
    return line;
  };
  auto gray = [](const std::unique_ptr<DRElementBentLine>& line) {
    const std::vector<QPointF> path = line->copyPathPoints(ConvertMeasureRect(line->frame()));
    // Half-way along the first segment, away from both heads.
    const QPointF p = (path[0] + path[1]) / 2;
    const QImage image = Render(QSize(220, 100), [&] { line->drawInView(nullptr); });
    return qGray(image.pixel(int(p.x()), int(p.y())));
  };
  const int once = gray(make(true, false));
  const int openShadowed = gray(make(false, true));
  const int twice = gray(make(true, true));
  EXPECT_NEAR(once, 128, 20);
  EXPECT_NEAR(openShadowed, once, 8);
  EXPECT_LT(twice, once - 40);
}

TEST(DRElementBentLine, ItNeverClosesNorLosesAVertex) {
  SettingsScope scope;
  // The ends lie within the closing tolerance.
  auto line = Dragged(QRectF(10, 10, 2, 1), QPointF(10, 10));
  EXPECT_EQ(line->points().size(), 3u);
  EXPECT_FALSE(line->isClosed());
  line->setClosed(true);
  EXPECT_FALSE(line->isClosed());
  EXPECT_FALSE(line->canDrawClosed());
  EXPECT_FALSE(line->canDrawFilled());
  EXPECT_EQ(line->addIndexForPoint(QPointF(11, 10)), -1);
  line->addPoint(CSPoint{1, 1}, 1, nullptr);
  line->deletePointatIndex(1, nullptr);
  EXPECT_EQ(line->points().size(), 3u);
  line->setConstrained(true);
  EXPECT_FALSE(line->isConstrained());
}

TEST(DRElementBentLine, CurvedBoundsHoldTheHeads) {
  SettingsScope scope;
  auto line = Dragged(QRectF(40, 40, 100, 60), QPointF(40, 40), false);
  line->setCurves(true);
  line->setFrame(line->setNewPointsForRect(PtRect(40, 40, 100, 60), ConvertViewPoint(40, 40)));
  line->setUnderConstruction(false);
  DRArrow arrow = *DRArrow::standardArrow(kArrowTypeClosed);
  arrow.setOnStart(1);
  arrow.setOnEnd(0);
  line->setArrow(arrow);
  const CSRect withStart = line->bounds(false);
  line->setArrow(std::nullopt);
  const CSRect plain = line->bounds(false);
  EXPECT_LE(withStart.x, plain.x);
  const QImage image = Render(QSize(200, 150), [&] {
    line->setArrow(arrow);
    line->drawInView(nullptr);
  });
  const QRect ink = InkBounds(image);
  EXPECT_TRUE(ConvertMeasureRect(withStart).adjusted(-1, -1, 1, 1).contains(QRectF(ink)))
      << ink.x() << "," << ink.y() << " " << ink.width() << "x" << ink.height();
}

TEST(DRElementBentLine, TheRecordRoundTripsWithItsArrow) {
  SettingsScope scope;
  auto line = Dragged(QRectF(10, 10, 100, 60), QPointF(10, 10));
  DRArrow arrow = *DRArrow::standardArrow(kArrowTypeOpen);
  arrow.setOnStart(1);
  line->setArrow(arrow);
  const QString record = RecordOf(*line);
  EXPECT_TRUE(record.contains(QStringLiteral("<type>bline</type>")));
  std::unique_ptr<DRElement> read = ReadRecord(Records(record));
  auto* copy = dynamic_cast<DRElementBentLine*>(read.get());
  ASSERT_TRUE(copy);
  ASSERT_TRUE(copy->arrow().has_value());
  EXPECT_EQ(*copy->arrow(), arrow);
  EXPECT_EQ(RecordOf(*copy), record);
  EXPECT_EQ(RecordOf(*line->copy()), record);
}

TEST(DRElementBentLine, AnArrowRecordWithoutAHeadKindIsDropped) {
  SettingsScope scope;
  const QString body = QStringLiteral(
      "<element><type>bline</type><frame>{0,0,3810000,1905000}</frame><original>{3810000,1905000}</original>"
      "<points><point>{0,0}</point><point>{1270000,1270000}</point><point>{3810000,1905000}</point></points>"
      "<arrow><end>1</end><fill>1</fill></arrow></element>");
  std::unique_ptr<DRElement> read = ReadRecord(Records(body));
  auto* line = dynamic_cast<DRElementBentLine*>(read.get());
  ASSERT_TRUE(line);
  EXPECT_FALSE(line->arrow().has_value());
  EXPECT_EQ(line->points().size(), 3u);
}
