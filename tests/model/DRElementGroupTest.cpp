#include <gtest/gtest.h>

#include <QColor>
#include <QImage>
#include <cmath>

#include "model/DRElementEllipse.h"
#include "model/DRElementGroup.h"
#include "model/DRElementLine.h"
#include "model/DRElementMultipath.h"
#include "model/DRElementRectangle.h"
#include "model/ElementTestSupport.h"
#include "model/FakeHostingView.h"
#include "model/FakeModelServices.h"
#include "model/ModelSupport.h"

namespace {

constexpr Kolor kRed = 0x640000FF;
constexpr Kolor kBlue = 0x64FF0000;
constexpr Kolor kGreen = 0x6400FF00;

std::unique_ptr<DRElementRectangle> Rect(const CSRect& frame, Kolor fill = kRed, double lineWidth = 0,
                                         Kolor line = g_nilKolor) {
  auto rect = std::make_unique<DRElementRectangle>();
  rect->setFrame(frame);
  rect->setOriginalSize(CSPoint{frame.width, frame.height});
  rect->setFillKolor(fill);
  DRLineInfo info;
  info.setWidth(Pt(lineWidth));
  info.setKolorWithoutRegistering(line);
  rect->setLineInfo(info);
  return rect;
}

std::unique_ptr<DRElementLine> VerticalLine(double x, double top, double bottom) {
  auto line = std::make_unique<DRElementLine>();
  line->setArrow(std::nullopt);
  line->setFrame(CSRect{Pt(x), Pt(top), 0, Pt(bottom - top)});
  line->setStartPoint(CSPoint{0, 0});
  line->setEndPoint(CSPoint{0, Pt(bottom - top)});
  return line;
}

bool IsNear(QRgb pixel, const QColor& colour, int tolerance = 16) {
  return std::abs(qRed(pixel) - colour.red()) <= tolerance && std::abs(qGreen(pixel) - colour.green()) <= tolerance &&
         std::abs(qBlue(pixel) - colour.blue()) <= tolerance;
}

// Nested groups around one rectangle, as record text.
QString NestedGroups(int depth) {
  QString xml = QStringLiteral("<element><type>rect</type><frame>{0,0,127000,127000}</frame></element>");
  for (int i = 0; i < depth; ++i) {
    xml = QStringLiteral("<element><type>group</type><frame>{0,0,127000,127000}</frame><elements>") + xml +
          QStringLiteral("</elements></element>");
  }
  return Records(xml);
}

int Depth(const DRElement& element) {
  const auto* group = dynamic_cast<const DRElementGroup*>(&element);
  if (!group || group->subelements().empty()) return 0;
  return 1 + Depth(*group->subelements().front());
}

}  // namespace

// ---- Groups --------------------------------------------------------------------------------

TEST(DRElementGroup, AZeroWidthLineAddsOnePointOfWidth) {
  SettingsScope scope;
  DRElementList members;
  members.push_back(VerticalLine(10, 10, 50));
  members.push_back(Rect(PtRect(30, 20, 20, 20)));
  DRElementGroup group(std::move(members));
  EXPECT_EQ(group.frame(), PtRect(10, 10, 40, 40));
  ASSERT_EQ(group.subelements().size(), 2u);
  EXPECT_EQ(group.subelements()[0]->frame(), (CSRect{0, 0, 0, Pt(40)}));
  EXPECT_EQ(group.subelements()[1]->frame(), PtRect(20, 10, 20, 20));

  // A line at the right edge widens the group by its point too.
  DRElementList right;
  right.push_back(Rect(PtRect(0, 0, 20, 20)));
  right.push_back(VerticalLine(20, 0, 20));
  EXPECT_EQ(DRElementGroup(std::move(right)).frame(), PtRect(0, 0, 21, 20));
}

TEST(DRElementGroup, UngroupingRestoresPagePositionsExactly) {
  SettingsScope scope;
  const CSRect a{12345, 67891, 250001, 130003};
  const CSRect b{-7, 400009, 11, 13};
  DRElementList members;
  members.push_back(Rect(a));
  members.push_back(Rect(b));
  DRElementGroup group(std::move(members));
  group.setFrame(CSRect{group.frame().x + 999, group.frame().y - 5, group.frame().width, group.frame().height});
  DRElementList back = group.ungroup();
  ASSERT_EQ(back.size(), 2u);
  EXPECT_EQ(back[0]->frame(), (CSRect{a.x + 999, a.y - 5, a.width, a.height}));
  EXPECT_EQ(back[1]->frame(), (CSRect{b.x + 999, b.y - 5, b.width, b.height}));
  EXPECT_TRUE(group.subelements().empty());
}

TEST(DRElementGroup, HitsMembersOnlyNotTheGapBetweenThem) {
  SettingsScope scope;
  DRElementList members;
  members.push_back(Rect(PtRect(10, 10, 20, 20)));
  members.push_back(Rect(PtRect(60, 10, 20, 20)));
  DRElementGroup group(std::move(members));
  group.setFrame(PtRect(110, 10, 70, 20));  // moved right by 100
  FakeHostingView view;
  EXPECT_TRUE(group.isPointInElement(QPointF(120, 20), &view, true));
  EXPECT_TRUE(group.isPointInElement(QPointF(170, 20), &view, true));
  EXPECT_FALSE(group.isPointInElement(QPointF(145, 20), &view, true));
  EXPECT_FALSE(group.isPointInElement(QPointF(20, 20), &view, true));  // where it was
  EXPECT_TRUE(group.intersectsWithRect(QRectF(165, 15, 5, 5), &view));
  EXPECT_FALSE(group.intersectsWithRect(QRectF(140, 12, 10, 10), &view));
}

TEST(DRElementGroup, DrawsMembersAtTheirOffsets) {
  SettingsScope scope;
  DRElementList members;
  members.push_back(Rect(PtRect(10, 10, 20, 20), kRed));
  members.push_back(Rect(PtRect(20, 20, 20, 20), kBlue));
  DRElementGroup group(std::move(members));
  group.setFrame(PtRect(50, 50, 30, 30));
  const QImage image = Render(QSize(100, 100), [&] { group.drawInView(nullptr); });
  EXPECT_TRUE(IsNear(image.pixel(55, 55), Qt::red));
  EXPECT_TRUE(IsNear(image.pixel(65, 65), Qt::blue));  // the later member in front
  EXPECT_TRUE(IsNear(image.pixel(15, 15), Qt::white));
}

TEST(DRElementGroup, RecordsNestAndCopyDeeply) {
  SettingsScope scope;
  DRElementList inner;
  inner.push_back(Rect(PtRect(10, 10, 20, 20), kRed));
  inner.push_back(VerticalLine(40, 10, 30));
  DRElementList outer;
  outer.push_back(std::make_unique<DRElementGroup>(std::move(inner)));
  outer.push_back(Rect(PtRect(0, 50, 10, 10), kBlue));
  DRElementGroup group(std::move(outer));

  auto read = ReadRecord(RecordOf(group));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(RecordOf(*read), RecordOf(group));
  // A copy equals its source, also where the source has no original size
  // (the group and its line here), at every level.
  ASSERT_EQ(group.originalSize(), (CSPoint{0, 0}));
  auto unsized = group.copy();
  ASSERT_NE(unsized, nullptr);
  EXPECT_EQ(unsized->originalSize(), (CSPoint{0, 0}));
  EXPECT_EQ(RecordOf(*unsized), RecordOf(group));
  group.setOriginalSize(CSPoint{group.frame().width, group.frame().height});
  auto copy = group.copy();
  ASSERT_NE(copy, nullptr);
  EXPECT_EQ(RecordOf(*copy), RecordOf(group));
  auto& copied = static_cast<DRElementGroup&>(*copy);
  EXPECT_NE(copied.subelements()[0].get(), group.subelements()[0].get());
}

TEST(DRElementGroup, AnEmptyElementsTagReadsAsAnEmptyGroup) {
  SettingsScope scope;
  for (const char* list : {"<elements/>", "<elements></elements>"}) {
    SCOPED_TRACE(list);
    auto read = ReadRecords(Records(QStringLiteral("<element><type>group</type><frame>{1,2,3,4}</frame>") +
                                    QLatin1String(list) +
                                    QStringLiteral("<notes>after</notes></element>"
                                                   "<element><type>rect</type></element>")));
    ASSERT_EQ(read.size(), 2u);
    ASSERT_NE(read[0], nullptr);
    auto* group = dynamic_cast<DRElementGroup*>(read[0].get());
    ASSERT_NE(group, nullptr);
    EXPECT_TRUE(group->subelements().empty());
    EXPECT_EQ(group->notes(), QStringLiteral("after"));
    EXPECT_NE(read[1], nullptr);
  }
}

TEST(DRElementGroup, DeeplyNestedRecordsAreBoundedNotOverflowed) {
  SettingsScope scope;
  auto shallow = ReadRecord(NestedGroups(20));
  ASSERT_NE(shallow, nullptr);
  EXPECT_EQ(Depth(*shallow), 20);

  // A hostile depth fails the text without exhausting the stack.
  auto hostile = ReadRecords(NestedGroups(5000) + QStringLiteral("<element><type>rect</type></element>"));
  for (const auto& element : hostile) EXPECT_EQ(element, nullptr);
}

// ---- CompositeRectangle ----------------------------------------------------------------------

TEST(CompositeRectangle, EmptyGivesAZeroRectangleAtTheOrigin) {
  SettingsScope scope;
  EXPECT_EQ(CompositeRectangle({}, CSRect{100, 200, 300, 400}), (CSRect{100, 200, 0, 0}));
}

TEST(CompositeRectangle, ScalesTheBoundsUnionByTheFrameOnEachAxis) {
  SettingsScope scope;
  DRElementList members;
  members.push_back(Rect(CSRect{0, 0, 10000, 10000}, kRed, 0));
  members.push_back(Rect(CSRect{10000, 30000, 10000, 10000}, kRed, 0));
  CSRect bounds = members[0]->bounds(false);
  const CSRect second = members[1]->bounds(false);
  bounds = CSRect{std::min(bounds.x, second.x), std::min(bounds.y, second.y),
                  std::max(bounds.x + bounds.width, second.x + second.width) - std::min(bounds.x, second.x),
                  std::max(bounds.y + bounds.height, second.y + second.height) - std::min(bounds.y, second.y)};
  // The members' frames span 20,000 x 40,000; the frame is twice as wide
  // and half as high.
  const CSRect frame{500, 700, 40000, 20000};
  const CSRect r = CompositeRectangle(members, frame);
  EXPECT_EQ(r.x, 500 + bounds.x * 2);
  EXPECT_EQ(r.width, bounds.width * 2);
  EXPECT_EQ(r.y, 700 + bounds.y / 2);
  EXPECT_EQ(r.height, bounds.height / 2);
  // Multiply before divide: a 3/7 scale of 7 units keeps all 3.
  DRElementList one;
  one.push_back(Rect(CSRect{0, 0, 7, 7}, kRed, 0));
  const CSRect oneBounds = one[0]->bounds(false);
  const CSRect small = CompositeRectangle(one, CSRect{0, 0, 3, 3});
  EXPECT_EQ(small.width, oneBounds.width * 3 / 7);
}

// ---- Multipaths ------------------------------------------------------------------------------

namespace {

std::unique_ptr<DRElementMultipath> RectWithHole(double lineWidth = 2) {
  auto ellipse = std::make_unique<DRElementEllipse>();
  ellipse->setFrame(PtRect(40, 40, 40, 40));
  ellipse->setFillKolor(kGreen);
  DRElementList members;
  members.push_back(Rect(PtRect(20, 20, 80, 80), kRed, lineWidth, kBlue));
  members.push_back(std::move(ellipse));
  return std::make_unique<DRElementMultipath>(std::move(members));
}

}  // namespace

TEST(DRElementMultipath, ARectangleWithAnEllipseInsideShowsAHole) {
  SettingsScope scope;
  auto multi = RectWithHole();
  EXPECT_EQ(multi->frame(), PtRect(20, 20, 80, 80));
  EXPECT_EQ(multi->originalSize(), (CSPoint{Pt(80), Pt(80)}));
  EXPECT_EQ(multi->fillKolor(), kRed);
  EXPECT_EQ(multi->lineStyle().kolor(), kBlue);
  for (const auto& member : multi->subelements()) {
    EXPECT_EQ(member->fillKolor(), g_nilKolor);
    EXPECT_FALSE(member->lineInfo().has_value());
  }
  EXPECT_EQ(multi->subelements()[1]->frame(), PtRect(20, 20, 40, 40));

  const QImage image = Render(QSize(120, 120), [&] { multi->drawInView(nullptr); });
  EXPECT_TRUE(IsNear(image.pixel(60, 60), Qt::white));  // the hole
  EXPECT_TRUE(IsNear(image.pixel(30, 30), Qt::red));    // the rectangle's fill
  EXPECT_TRUE(IsNear(image.pixel(60, 21), Qt::blue));   // its line
  // The hole's edge is lined too.
  bool lined = false;
  for (int y = 36; y < 46; ++y) lined = lined || IsNear(image.pixel(60, y), Qt::blue, 40);
  EXPECT_TRUE(lined);
}

TEST(DRElementMultipath, ScalesEveryOutlineWithItsFrame) {
  SettingsScope scope;
  auto multi = RectWithHole();
  const QPainterPath path = multi->bezierForRect(QRectF(10, 10, 160, 160), false);
  // The ellipse is now 80 points wide, 40 in from the corner.
  EXPECT_TRUE(path.contains(QPointF(30, 30)));
  EXPECT_FALSE(path.contains(QPointF(90, 90)));
  EXPECT_FALSE(path.contains(QPointF(55, 90)));
  EXPECT_TRUE(path.contains(QPointF(45, 90)));

  // A zero side of the original size scales by 1 rather than dividing by 0.
  multi->setOriginalSize(CSPoint{0, Pt(80)});
  const QPainterPath flat = multi->bezierForRect(QRectF(10, 10, 160, 160), false);
  EXPECT_TRUE(std::isfinite(flat.boundingRect().width()));
  EXPECT_NEAR(flat.boundingRect().width(), 80, 1e-6);
}

TEST(DRElementMultipath, FlipsMembersInsideTheOriginalSize) {
  SettingsScope scope;
  DRElementList members;
  members.push_back(Rect(PtRect(0, 0, 100, 50)));
  members.push_back(Rect(PtRect(10, 5, 20, 10)));
  DRElementMultipath multi(std::move(members));
  EXPECT_TRUE(multi.flip(false));
  EXPECT_EQ(multi.subelements()[1]->frame(), PtRect(70, 5, 20, 10));
  EXPECT_TRUE(multi.flip(true));
  EXPECT_EQ(multi.subelements()[1]->frame(), PtRect(70, 35, 20, 10));
}

TEST(DRElementMultipath, RecordsAndCopiesItsMembers) {
  SettingsScope scope;
  auto multi = RectWithHole();
  auto read = ReadRecord(RecordOf(*multi));
  ASSERT_NE(read, nullptr);
  EXPECT_EQ(RecordOf(*read), RecordOf(*multi));
  auto& readMulti = static_cast<DRElementMultipath&>(*read);
  EXPECT_EQ(readMulti.subelements().size(), 2u);
  EXPECT_EQ(readMulti.fillKolor(), kRed);
  auto copy = multi->copy();
  ASSERT_NE(copy, nullptr);
  auto& copied = static_cast<DRElementMultipath&>(*copy);
  ASSERT_EQ(copied.subelements().size(), 2u);
  EXPECT_EQ(copied.subelements()[1]->frame(), multi->subelements()[1]->frame());
}
