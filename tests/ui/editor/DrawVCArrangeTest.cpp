// Aligning, distributing, flipping and rotating the selection, and the
// zoom commands.

#include <gtest/gtest.h>

#include <cmath>

#include "DrawVCFixture.h"
#include "testkit/QStringPrinter.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/DRActionRouter.h"
#include "ui/editor/EditorNotifications.h"

namespace {

using DrawVCArrangeTest = DrawVCFixture;

constexpr int64_t kPoint = kMeasurePerPoint;

CSRect Units(MeasureUnit x, MeasureUnit y, MeasureUnit width, MeasureUnit height) {
  return CSRect{x, y, width, height};
}

TEST_F(DrawVCArrangeTest, AlignRowsMoveTheOthersOntoTheLastSelected) {
  // Selected A, B, then the reference R: B is handled first.
  struct Row {
    int x;
    int y;
    CSPoint a;  // A's new origin (points)
    CSPoint b;
  };
  // R at (100, 100) 60 x 40; A at (10, 20) 20 x 10; B at (200, 250) 30 x 50.
  const Row rows[] = {
      {1, 0, {100, 20}, {100, 250}},   // same left edge
      {2, 0, {140, 20}, {130, 250}},   // same right edge
      {0, 1, {10, 100}, {200, 100}},   // same top
      {0, 2, {10, 130}, {200, 90}},    // same bottom
      {3, 3, {120, 115}, {115, 95}},   // centred
      {4, 4, {190, 190}, {160, 140}},  // abutting, B first
      {7, -1, {10, 20}, {200, 250}},   // out of range: left alone
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.x << " " << row.y);
    clearDrawing();
    vc.undoManager().clearUndo();
    DRElementRectangle* a = addRect(QRectF(10, 20, 20, 10));
    DRElementRectangle* b = addRect(QRectF(200, 250, 30, 50));
    DRElementRectangle* r = addRect(QRectF(100, 100, 60, 40));
    select({0, 1, 2});
    vc.alignX(row.x, row.y);
    EXPECT_EQ(a->frame(), Units(row.a.x * kPoint, row.a.y * kPoint, 20 * kPoint, 10 * kPoint));
    EXPECT_EQ(b->frame(), Units(row.b.x * kPoint, row.b.y * kPoint, 30 * kPoint, 50 * kPoint));
    EXPECT_EQ(r->frame(), ConvertViewRect(QRectF(100, 100, 60, 40)));
    // Moving nothing still leaves its entry.
    EXPECT_EQ(undoTitle(), QStringLiteral("Undo Align"));
  }
}

TEST_F(DrawVCArrangeTest, CentringTruncatesTowardsZero) {
  struct Row {
    MeasureUnit width;
    MeasureUnit refWidth;
    MeasureUnit expectedX;
  };
  // Reference at x = 1,000 units.
  const Row rows[] = {{10, 11, 1000}, {11, 10, 1000}, {10, 13, 1001}, {13, 10, 999}, {4, 10, 1003}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.width << " on " << row.refWidth);
    clearDrawing();
    auto element = std::make_unique<DRElementRectangle>();
    element->setFrame(Units(5000, 0, row.width, 10));
    DRElement* moved = add(std::move(element));
    auto reference = std::make_unique<DRElementRectangle>();
    reference->setFrame(Units(1000, 0, row.refWidth, 10));
    add(std::move(reference));
    select({0, 1});
    vc.alignX(3, 0);
    EXPECT_EQ(moved->frame().x, row.expectedX);
  }
}

TEST_F(DrawVCArrangeTest, ARotatedElementAlignsByItsTurnedOutline) {
  DRElementRectangle* turned = addRect(QRectF(200, 200, 60, 20));
  turned->setFillKolor(g_blackKolor);
  turned->setRotation(90 * kPoint);
  DRElementRectangle* reference = addRect(QRectF(100, 50, 40, 40));
  reference->setFillKolor(g_blackKolor);
  select({0, 1});
  const CSRect outlineBefore = turned->trueBoundsInView(canvas);
  // Turned upright, the 60 x 20 frame covers 20 x 60 about its centre.
  ASSERT_NEAR(double(outlineBefore.x - turned->frame().x), 20.0 * kPoint, 2.0 * kPoint);
  vc.alignX(1, 1);
  const CSRect outline = turned->trueBoundsInView(canvas);
  EXPECT_NEAR(double(outline.x), double(reference->frame().x), 1.0 * kPoint);
  EXPECT_NEAR(double(outline.y), double(reference->frame().y), 1.0 * kPoint);
  // The frame moved as far as its outline and kept its size.
  EXPECT_EQ(turned->frame().x, 200 * kPoint + reference->frame().x - outlineBefore.x);
  EXPECT_EQ(turned->frame().y, 200 * kPoint + reference->frame().y - outlineBefore.y);
  EXPECT_EQ(turned->frame().width, 60 * kPoint);
  EXPECT_EQ(turned->rotation(), 90 * kPoint);
}

TEST_F(DrawVCArrangeTest, DistributeChainsFromTheLastSelected) {
  struct Row {
    CSPoint offset;  // points
    QPointF a;       // A's new origin, points
    QPointF b;
  };
  // Selected A, B, then the reference R at (100, 100) 60 x 40; B goes
  // first, then A after it.
  const Row rows[] = {
      {{0, 1}, {100, 192}, {100, 141}},  // stacked a point apart below R, on its x
      {{2, 0}, {194, 100}, {162, 100}},  // side by side two points apart
      {{1, 1}, {192, 192}, {161, 141}},
      {{0, 0}, {100, 100}, {100, 100}},  // both axes lined up on R
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.offset.x << " " << row.offset.y);
    clearDrawing();
    vc.undoManager().clearUndo();
    DRElementRectangle* a = addRect(QRectF(10, 20, 20, 10));
    DRElementRectangle* b = addRect(QRectF(200, 250, 30, 50));
    addRect(QRectF(100, 100, 60, 40));
    select({0, 1, 2});
    drawing.setDupOffsetValid(true);
    vc.distributeBy(CSPoint{row.offset.x * kPoint, row.offset.y * kPoint});
    EXPECT_EQ(b->frame(), ConvertViewRect(QRectF(row.b, QSizeF(30, 50))));
    EXPECT_EQ(a->frame(), ConvertViewRect(QRectF(row.a, QSizeF(20, 10))));
    EXPECT_FALSE(drawing.isDupOffsetValid());
    EXPECT_EQ(undoTitle(), QStringLiteral("Undo Distribute"));
  }
}

TEST_F(DrawVCArrangeTest, FixedRotationsWrapAtAFullTurn) {
  struct Row {
    int64_t start;  // degrees
    int tag;
    int64_t expected;
  };
  const Row rows[] = {{300, 90, 30}, {350, 10, 0}, {0, -30, -30}, {-10, -90, -100}, {-350, -20, -10}, {45, 0, 45}};
  NotificationRecorder posted({g_positionChangeNotification, g_rotationNotification}, &harness);
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.start << " + " << row.tag);
    clearDrawing();
    posted.clear();
    DRElementRectangle* rect = addRect(QRectF(10, 10, 40, 30));
    rect->setRotation(row.start * kPoint);
    select({0});
    perform("rotateFixed:", row.tag);
    EXPECT_EQ(rect->rotation(), row.expected * kPoint);
    EXPECT_EQ(posted.names(), (QStringList{g_positionChangeNotification, g_rotationNotification}));
    ASSERT_EQ(posted.posted().size(), 2u);
    EXPECT_EQ(posted.posted()[0].userInfo.value(QStringLiteral("selection")).toList().size(), 1);
  }
}

TEST_F(DrawVCArrangeTest, FlipMirrorsTheShapesThatHaveASide) {
  DRElementPolygon* polygon = addPolygon(QRectF(10, 10, 40, 30));
  DRElementRectangle* rect = addRect(QRectF(60, 10, 40, 30));
  const std::vector<CSPoint> points = polygon->points();
  const CSRect rectFrame = rect->frame();
  struct Row {
    int tag;
    bool vertical;
  };
  for (const Row row : {Row{0, false}, Row{1, true}}) {
    SCOPED_TRACE(row.tag);
    select({0, 1});
    perform("flip:", row.tag);
    const CSPoint size = polygon->originalSize();
    for (size_t i = 0; i < points.size(); ++i) {
      const CSPoint expected =
          row.vertical ? CSPoint{points[i].x, size.y - points[i].y} : CSPoint{size.x - points[i].x, points[i].y};
      EXPECT_EQ(polygon->points()[i], expected) << i;
    }
    EXPECT_EQ(rect->frame(), rectFrame);
    EXPECT_EQ(undoTitle(), QStringLiteral("Undo Flip"));
    vc.undoEdit(nullptr);
    polygon = dynamic_cast<DRElementPolygon*>(drawing.elements()[0].get());
    rect = dynamic_cast<DRElementRectangle*>(drawing.elements()[1].get());
    ASSERT_TRUE(polygon && rect);
    EXPECT_EQ(polygon->points(), points);
  }
}

TEST_F(DrawVCArrangeTest, LockedDrawingsRefuseTheGeometryChanges) {
  DRElementRectangle* a = addRect(QRectF(10, 10, 40, 30));
  DRElementPolygon* b = addPolygon(QRectF(100, 50, 40, 30));
  const SavedBlocks before = SaveBlocks(drawing);
  drawing.setLocked(true);
  select({0, 1});
  vc.alignX(1, 1);
  vc.distributeBy(CSPoint{kPoint, kPoint});
  perform("flip:", 1);
  perform("rotateFixed:", 90);
  EXPECT_EQ(SaveBlocks(drawing), before);
  EXPECT_EQ(a->rotation(), 0);
  EXPECT_EQ(b->frame(), ConvertViewRect(QRectF(100, 50, 40, 30)));
  EXPECT_FALSE(vc.undoManager().isUndoAvailable());
}

TEST_F(DrawVCArrangeTest, ZoomCommands) {
  NotificationRecorder zooms({g_zoomChangeNotification}, &harness);
  struct Row {
    const char* selector;
    double start;
    int tag;
    double expected;
    bool announced;
  };
  const Row rows[] = {
      {"zoomIn:", 1.0, 0, 1.25, true},         {"zoomIn:", 1.1, 0, 1.25, true},
      {"zoomOut:", 1.1, 0, 1.0, true},         {"zoomOut:", 0.2, 0, 0.1, true},
      {"zoomByPercent:", 1.0, 2, 2.0, true},   {"zoomByPercent:", 1.5, 1, 1.0, true},
      {"zoomByPercent:", 1.5, 0, 1.5, false},   // no factor: refused
      {"zoomByPercent:", 1.5, -3, 1.5, false},  // refused
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.selector << " " << row.start << " " << row.tag);
    canvas->setZoomValue(row.start);
    zooms.clear();
    perform(row.selector, row.tag);
    EXPECT_DOUBLE_EQ(canvas->zoom(), row.expected);
    EXPECT_EQ(zooms.count(g_zoomChangeNotification), row.announced ? 1 : 0);
  }
}

TEST_F(DrawVCArrangeTest, TheRouterCarriesTheItemsTag) {
  DRElementRectangle* rect = addRect(QRectF(10, 10, 40, 30));
  select({0});
  DRActionRouter router([this] { return std::vector<DRActionTarget*>{&vc}; });
  auto item = TaggedItem(45);
  item->setProperty(DRActionRouter::kSelectorProperty, QStringLiteral("rotateFixed:"));
  EXPECT_TRUE(router.validateMenuItem(item.get()));
  EXPECT_TRUE(router.sendAction(QStringLiteral("rotateFixed:"), item.get()));
  EXPECT_EQ(rect->rotation(), 45 * kPoint);
  // Commands of other parts are not this controller's.
  EXPECT_FALSE(router.sendAction(QStringLiteral("print:"), item.get()));
}

}  // namespace
