#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <array>
#include <cmath>

#include "model/DRArrow.h"
#include "model/DRElementLine.h"
#include "model/ElementTestSupport.h"
#include "model/FakeHostingView.h"
#include "model/FakeModelServices.h"

namespace {

constexpr Kolor kRed = 0x640000FF;

CSPoint PtPoint(double x, double y) {
  return CSPoint{Pt(x), Pt(y)};
}

// A line drawn on the page from one point to another, as the line tool
// leaves it: points made relative to the frame they span.
std::unique_ptr<DRElementLine> MakeLine(CSPoint from, CSPoint to, double width = 1) {
  auto line = std::make_unique<DRElementLine>();
  line->setArrow(std::nullopt);
  DRLineInfo info;
  info.setWidth(Pt(width));
  info.setKolorWithoutRegistering(kRed);
  line->setLineInfo(info);
  line->setUnderConstruction(true);
  line->setStartPoint(from);
  line->setEndPoint(to);
  line->setFrame(RectFromPointsMU(from, to));
  line->setUnderConstruction(false);
  return line;
}

CSPoint AbsoluteStart(const DRElementLine& line) {
  return CSPoint{line.frame().x + line.startPoint().x, line.frame().y + line.startPoint().y};
}
CSPoint AbsoluteEnd(const DRElementLine& line) {
  return CSPoint{line.frame().x + line.endPoint().x, line.frame().y + line.endPoint().y};
}

}  // namespace

TEST(DRElementLine, PositionPaneEdits) {
  SettingsScope scope;
  struct Case {
    const char* name;
    CSPoint from, to;
    int32_t coord;
    double value;
    bool changes;
    CSPoint start, end;  // absolute, after the edit
  };
  const Case cases[] = {
      {"move x", PtPoint(0, 0), PtPoint(100, 50), kRectCoordX, 200, true, PtPoint(200, 0), PtPoint(300, 50)},
      {"same y", PtPoint(0, 10), PtPoint(100, 50), kRectCoordY, 10, false, PtPoint(0, 10), PtPoint(100, 50)},
      {"height keeps slope", PtPoint(0, 0), PtPoint(100, 50), kRectCoordHeight, 100, true, PtPoint(0, 0),
       PtPoint(200, 100)},
      {"width keeps slope", PtPoint(0, 0), PtPoint(100, 50), kRectCoordWidth, 50, true, PtPoint(0, 0), PtPoint(50, 25)},
      {"lower end is moved", PtPoint(10, 60), PtPoint(30, 20), kRectCoordHeight, 20, true, PtPoint(20, 40),
       PtPoint(30, 20)},
      {"horizontal refuses width 0", PtPoint(0, 0), PtPoint(100, 0), kRectCoordWidth, 0, false, PtPoint(0, 0),
       PtPoint(100, 0)},
      {"horizontal takes a height", PtPoint(0, 0), PtPoint(100, 0), kRectCoordHeight, 30, true, PtPoint(0, 0),
       PtPoint(100, 30)},
      {"vertical refuses height 0", PtPoint(5, 0), PtPoint(5, 40), kRectCoordHeight, 0, false, PtPoint(5, 0),
       PtPoint(5, 40)},
      {"vertical takes a width", PtPoint(5, 0), PtPoint(5, 40), kRectCoordWidth, 20, true, PtPoint(5, 0),
       PtPoint(25, 40)},
      {"slanted flattened", PtPoint(0, 0), PtPoint(100, 50), kRectCoordHeight, 0, true, PtPoint(0, 0), PtPoint(100, 0)},
      {"origin clamped at 0", PtPoint(0, 0), PtPoint(100, 50), kRectCoordWidth, -40, true, PtPoint(40, 20),
       PtPoint(0, 0)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    auto line = MakeLine(c.from, c.to);
    bool update = false;
    EXPECT_EQ(line->setValue(Pt(c.value), c.coord, &update), c.changes);
    EXPECT_EQ(AbsoluteStart(*line), c.start);
    EXPECT_EQ(AbsoluteEnd(*line), c.end);
    EXPECT_EQ(line->frame(), RectFromPointsMU(AbsoluteStart(*line), AbsoluteEnd(*line)));
    EXPECT_GE(line->frame().x, 0);
    EXPECT_EQ(update, c.changes && (c.coord == kRectCoordWidth || c.coord == kRectCoordHeight));
  }
}

TEST(DRElementLine, PointsAreRelativeToTheFrameOutsideConstruction) {
  SettingsScope scope;
  auto line = MakeLine(PtPoint(0, 0), PtPoint(100, 50));
  EXPECT_EQ(line->frame(), PtRect(0, 0, 100, 50));
  line->setFrame(PtRect(200, 10, 100, 50));
  EXPECT_EQ(AbsoluteStart(*line), PtPoint(200, 10));
  EXPECT_EQ(AbsoluteEnd(*line), PtPoint(300, 60));
  line->setUnderConstruction(true);
  EXPECT_EQ(line->startPoint(), PtPoint(200, 10));
  EXPECT_EQ(line->endPoint(), PtPoint(300, 60));
}

TEST(DRElementLine, ConstrainedDragSnapsToTheNearest45Degrees) {
  SettingsScope scope;
  auto line = std::make_unique<DRElementLine>();
  line->setUnderConstruction(true);
  line->setStartPoint(PtPoint(0, 0));
  line->setEndPoint(PtPoint(100, 40));
  line->setFrame(PtRect(0, 0, 100, 40));
  line->setConstrained(true);
  EXPECT_EQ(line->endPoint(), PtPoint(100, 0));
  EXPECT_EQ(line->frame(), PtRect(0, 0, 100, 0));

  // Outside construction the snapped end stays relative to the new frame.
  auto placed = MakeLine(PtPoint(20, 20), PtPoint(60, 58));
  placed->setConstrained(true);
  EXPECT_EQ(AbsoluteStart(*placed), PtPoint(20, 20));
  const CSPoint end = AbsoluteEnd(*placed);
  EXPECT_EQ(end.x - Pt(20), end.y - Pt(20));
  EXPECT_GT(end.x, Pt(50));
  EXPECT_FALSE(placed->isUnderConstruction());
}

TEST(DRElementLine, StaysUnrotatedAndRecordsItsPoints) {
  SettingsScope scope;
  auto line = MakeLine(PtPoint(10, 20), PtPoint(70, 40));
  line->setRotation(Pt(30));
  EXPECT_EQ(line->rotation(), 0);
  line->setArrow(DRArrow::standardArrow(kArrowTypeClosed));
  const QString record = RecordOf(*line);
  EXPECT_FALSE(record.contains(QStringLiteral("<rotate>")));
  auto read = ReadRecord(record);
  ASSERT_NE(read, nullptr);
  auto* copy = dynamic_cast<DRElementLine*>(read.get());
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(copy->startPoint(), line->startPoint());
  EXPECT_EQ(copy->endPoint(), line->endPoint());
  ASSERT_TRUE(copy->arrow().has_value());
  EXPECT_EQ(*copy->arrow(), *line->arrow());

  line->setArrow(std::nullopt);
  auto plain = ReadRecord(RecordOf(*line));
  ASSERT_NE(plain, nullptr);
  EXPECT_FALSE(static_cast<DRElementLine&>(*plain).arrow().has_value());
}

TEST(DRElementLine, GrabDotsLieBeyondTheEnds) {
  SettingsScope scope;
  std::array<QRectF, 8> dots;
  auto slanted = MakeLine(PtPoint(10, 10), PtPoint(40, 50));
  ASSERT_EQ(slanted->getGrabDotRects(dots, QRectF(10, 10, 30, 40)), 2);
  // 4.5 points beyond each end of the 50-point line.
  EXPECT_NEAR(dots[0].center().x(), 10 - 2.7, 1e-9);
  EXPECT_NEAR(dots[0].center().y(), 10 - 3.6, 1e-9);
  EXPECT_NEAR(dots[1].center().x(), 40 + 2.7, 1e-9);
  EXPECT_NEAR(dots[1].center().y(), 50 + 3.6, 1e-9);
  EXPECT_EQ(dots[0].size(), QSizeF(9, 9));

  auto vertical = MakeLine(PtPoint(10, 50), PtPoint(10, 10), 2);
  ASSERT_EQ(vertical->getGrabDotRects(dots, QRectF(10, 10, 0, 40)), 2);
  EXPECT_EQ(dots[0], QRectF(6.5, 50, 9, 9));  // the lower end's dot below it
  EXPECT_EQ(dots[1], QRectF(6.5, 1, 9, 9));

  auto horizontal = MakeLine(PtPoint(10, 30), PtPoint(60, 30), 2);
  ASSERT_EQ(horizontal->getGrabDotRects(dots, QRectF(10, 30, 50, 0)), 2);
  EXPECT_EQ(dots[0], QRectF(1, 26.5, 9, 9));
  EXPECT_EQ(dots[1], QRectF(60, 26.5, 9, 9));
}

TEST(DRElementLine, SelectedLineShowsTwoActiveDotsAndNoCasing) {
  SettingsScope scope;
  FakeModelServices services;
  auto line = MakeLine(PtPoint(30, 60), PtPoint(90, 60));
  FakeHostingView view;
  view.select(line.get());
  for (bool active : {true, false}) {
    SCOPED_TRACE(active);
    view.active = active;
    const QImage selected = Render(QSize(120, 120), [&] { line->drawInView(&view); });
    // Each dot has its inner mark, also when the window is not active.
    EXPECT_NE(selected.pixel(25, 60), qRgb(255, 255, 255));
    EXPECT_NE(selected.pixel(95, 60), qRgb(255, 255, 255));
    // No casing around the frame.
    EXPECT_EQ(selected.pixel(60, 52), qRgb(255, 255, 255));
  }
}

TEST(DRElementLine, ShortenedLineShadowFallsUnderFilledHeads) {
  SettingsScope scope;
  auto line = MakeLine(PtPoint(10, 40), PtPoint(100, 40), 4);
  std::optional<DRArrow> arrow = DRArrow::standardArrow(kArrowTypeClosed);
  ASSERT_TRUE(arrow.has_value());
  arrow->setFill(1);
  line->setArrow(arrow);
  DRShadow shadow;
  shadow.setXOffset(Pt(6));
  shadow.setBlur(0);
  shadow.setKolor(0x64000000);
  line->setShadow(shadow);
  const QImage image = Render(QSize(130, 80), [&] { line->drawInView(nullptr); });
  // The line's shadow shows below and right of the line's middle...
  const QPointF offset = shadow.contextShadow().offset;
  ASSERT_GT(offset.x(), 3);
  ASSERT_GT(offset.y(), 3);
  const QRgb underMiddle = image.pixel(int(50 + offset.x()), int(42 + offset.y()));
  EXPECT_LT(qRed(underMiddle), 100);
  // ...while the line on top keeps its own colour, shadowless.
  const QRgb onLine = image.pixel(30, 42);
  EXPECT_GT(qRed(onLine), 200);
  EXPECT_LT(qGreen(onLine), 60);
  // The head casts its own shadow beyond the line's end.
  const QRgb underHead = image.pixel(int(97 + offset.x()), int(42 + offset.y()));
  EXPECT_LT(qRed(underHead), 100);
}

TEST(DRElementLine, BoundsWidenThinStraightLines) {
  SettingsScope scope;
  auto vertical = MakeLine(PtPoint(20, 10), PtPoint(20, 50), 0);
  const CSRect b = vertical->bounds(false);
  EXPECT_LE(b.x, Pt(18));
  EXPECT_GE(b.x + b.width, Pt(22));
  EXPECT_LE(b.y, Pt(9));
  EXPECT_GE(b.y + b.height, Pt(51));
}
