#include <gtest/gtest.h>

#include <QImage>
#include <QRectF>

#include "model/DRElementEllipse.h"
#include "model/DRElementRectangle.h"
#include "model/ElementTestSupport.h"
#include "model/FakeHostingView.h"
#include "platform/NotificationCenter.h"

namespace {

std::unique_ptr<DRElementRectangle> Rect(const CSRect& frame, Kolor fill, double lineWidth) {
  auto rect = std::make_unique<DRElementRectangle>();
  rect->setFrame(frame);
  rect->setOriginalSize(CSPoint{frame.width, frame.height});
  rect->setFillKolor(fill);
  DRLineInfo line;
  line.setWidth(Pt(lineWidth));
  line.setKolorWithoutRegistering(0x64000000);
  rect->setLineInfo(line);
  return rect;
}

}  // namespace

TEST(DRElementHitTest, APointTwoPixelsFromTheInkHitsAndThreeMisses) {
  SettingsScope scope;
  FakeHostingView view;
  // A 3-point line inside the frame covers x 20-23 on the left.
  auto rect = Rect(PtRect(20, 20, 60, 40), g_nilKolor, 3);
  const struct {
    QPointF point;
    bool hit;
  } rows[] = {
      {{19.5, 40}, true}, {{18, 40}, true},  {{17, 40}, false},  // left, outside
      {{24, 40}, true},   {{25, 40}, false},                     // left, inside
      {{50, 18}, true},   {{50, 17}, false},                     // above
      {{18, 18}, true},   {{17, 17}, false}, {{17, 18}, false},  // diagonal off the corner
      {{50, 40}, false},                                         // the empty inside
  };
  for (const auto& row : rows) {
    EXPECT_EQ(rect->isPointInElement(row.point, &view, true), row.hit) << row.point.x() << "," << row.point.y();
  }
}

TEST(DRElementHitTest, TheInsideOfAFilledShapeHitsByItsOutline) {
  SettingsScope scope;
  FakeHostingView view;
  auto filled = Rect(PtRect(20, 20, 60, 40), 0x640000FF, 1);
  EXPECT_TRUE(filled->canHitTestBezier());
  EXPECT_TRUE(filled->isPointInElement(QPointF(50, 40), &view, true));
  // Answered from the path: nothing was rendered.
  EXPECT_TRUE(filled->hitTestBitmap().isNull());
  // The line outside the path still hits, through a render.
  EXPECT_TRUE(filled->isPointInElement(QPointF(80.5, 40), &view, true));
  EXPECT_FALSE(filled->hitTestBitmap().isNull());
}

TEST(DRElementHitTest, TheOutlineAndTheRenderAgree) {
  SettingsScope scope;
  FakeHostingView view;
  auto plain = std::make_unique<DRElementEllipse>();
  plain->setFrame(PtRect(20, 20, 70, 50));
  plain->setFillKolor(0x640000FF);
  plain->setLineInfo(std::nullopt);
  auto turned = std::make_unique<DRElementEllipse>();
  turned->setFrame(PtRect(20, 20, 70, 50));
  turned->setFillKolor(0x640000FF);
  turned->setLineInfo(std::nullopt);
  turned->setRotation(12700 * 360);  // turned, so tested by its render, yet the same shape
  const QPainterPath outline = plain->bezierForRect(QRectF(20, 20, 70, 50), true);
  int compared = 0;
  for (double y = 10; y < 80; y += 3) {
    for (double x = 10; x < 100; x += 3) {
      const QPointF p(x, y);
      // Within two pixels of the edge the render's probes reach further.
      QPainterPathStroker stroker;
      stroker.setWidth(7);
      if (stroker.createStroke(outline).contains(p)) continue;
      ++compared;
      EXPECT_EQ(turned->isPointInElement(p, &view, true), plain->isPointInElement(p, &view, true)) << x << "," << y;
    }
  }
  EXPECT_GT(compared, 300);
  EXPECT_FALSE(turned->hitTestBitmap().isNull());
}

TEST(DRElementHitTest, ARotatedShapeIsHitWhereItIsDrawn) {
  SettingsScope scope;
  FakeHostingView view;
  auto rect = Rect(PtRect(20, 45, 100, 10), 0x640000FF, 0);
  rect->setRotation(12700 * 90);  // now upright: x 65-75, y 0-100
  EXPECT_TRUE(rect->isPointInElement(QPointF(70, 10), &view, true));
  EXPECT_FALSE(rect->isPointInElement(QPointF(25, 50), &view, true));
}

TEST(DRElementHitTest, ShadowAndReflectionAreNeverHit) {
  SettingsScope scope;
  FakeHostingView view;
  auto rect = Rect(PtRect(20, 20, 40, 40), 0x640000FF, 0);
  DRShadow shadow;
  shadow.setXOffset(Pt(20));
  shadow.setBlur(0);
  rect->setShadow(shadow);
  rect->setReflection(1270000);
  rect->setReflectionAlpha(1270000);
  const QPointF inShadow = QPointF(50, 50) + shadow.contextShadow().offset;
  ASSERT_FALSE(QRectF(17, 17, 46, 46).contains(inShadow));
  EXPECT_FALSE(rect->isPointInElement(inShadow, &view, true));
  EXPECT_FALSE(rect->isPointInElement(QPointF(40, 70), &view, true));
  EXPECT_FALSE(rect->intersectsWithRect(QRectF(30, 70, 20, 10), &view));
  EXPECT_TRUE(rect->isPointInElement(QPointF(40, 40), &view, true));
  // Both are back afterwards.
  EXPECT_EQ(rect->shadow(), shadow);
  EXPECT_EQ(rect->reflection(), 1270000);
}

TEST(DRElementHitTest, ARubberBandSelectsWhatItTouchesOfTheInk) {
  SettingsScope scope;
  FakeHostingView view;
  auto hollow = Rect(PtRect(20, 20, 60, 40), g_nilKolor, 1);
  EXPECT_FALSE(hollow->intersectsWithRect(QRectF(30, 30, 40, 20), &view));  // only the empty inside
  EXPECT_TRUE(hollow->intersectsWithRect(QRectF(10, 30, 15, 5), &view));    // across the left side
  EXPECT_TRUE(hollow->intersectsWithRect(QRectF(0, 0, 200, 200), &view));   // around it all
  EXPECT_FALSE(hollow->intersectsWithRect(QRectF(100, 100, 20, 20), &view));
  EXPECT_TRUE(hollow->intersectsWithRect(QRectF(25, 25, -10, -10), &view));  // dragged up and left
  auto filled = Rect(PtRect(20, 20, 60, 40), 0x640000FF, 1);
  EXPECT_TRUE(filled->intersectsWithRect(QRectF(30, 30, 40, 20), &view));
}

TEST(DRElementHitTest, OneRenderServesAGestureUntilItEnds) {
  SettingsScope scope;
  FakeHostingView view;
  auto rect = Rect(PtRect(20, 20, 60, 40), g_nilKolor, 1);
  EXPECT_TRUE(rect->isPointInElement(QPointF(20, 30), &view, true));
  const QImage first = rect->hitTestBitmap();
  ASSERT_FALSE(first.isNull());
  // A change during the gesture is tested against the same render.
  DRLineInfo thick = rect->lineStyle();
  thick.setWidth(Pt(10));
  rect->setLineInfo(thick);
  EXPECT_FALSE(rect->isPointInElement(QPointF(24, 30), &view, true));
  EXPECT_EQ(rect->hitTestBitmap().cacheKey(), first.cacheKey());
  NotificationCenter::defaultCenter().post(g_doneSelectingNotification);
  EXPECT_TRUE(rect->hitTestBitmap().isNull());
  EXPECT_TRUE(rect->isPointInElement(QPointF(24, 30), &view, true));
  // An element that is gone is no longer told.
  rect.reset();
  NotificationCenter::defaultCenter().post(g_doneSelectingNotification);
}

TEST(DRElementHitTest, HugeFramesFailQuietly) {
  SettingsScope scope;
  FakeHostingView view;
  // A frame of 10^7 points a side would need far more than the pixmap cap.
  auto rect = Rect(CSRect{0, 0, Pt(1e7), Pt(1e7)}, g_nilKolor, 1);
  EXPECT_FALSE(rect->isPointInElement(QPointF(0.5, 0.5), &view, true));
  EXPECT_FALSE(rect->intersectsWithRect(QRectF(0, 0, 10, 10), &view));
  EXPECT_EQ(rect->trueBoundsInView(&view), rect->bounds(false));
  rect->setReflection(635000);
  const QImage image = Render(QSize(50, 50), [&] { rect->drawInView(nullptr); });
  EXPECT_FALSE(image.isNull());
}

// ---- True bounds ----------------------------------------------------------------------------

TEST(DRElementHitTest, TheTrueBoundsOfATurnedRectangleLieWithinItsBounds) {
  SettingsScope scope;
  FakeHostingView view;
  auto rect = Rect(PtRect(50, 50, 100, 40), 0x640000FF, 0);
  rect->setLineInfo(std::nullopt);
  rect->setRotation(12700 * 30);
  const QRectF bounds = ConvertMeasureRect(rect->bounds(false));
  const QRectF truth = ConvertMeasureRect(rect->trueBoundsInView(&view));
  EXPECT_TRUE(bounds.contains(truth));
  EXPECT_LT(truth.width(), bounds.width());
  const QRectF outline = rect->rotatedFrameBezier().boundingRect();
  EXPECT_NEAR(truth.left(), outline.left(), 1.5);
  EXPECT_NEAR(truth.top(), outline.top(), 1.5);
  EXPECT_NEAR(truth.right(), outline.right(), 1.5);
  EXPECT_NEAR(truth.bottom(), outline.bottom(), 1.5);
}

TEST(DRElementHitTest, TrueBoundsFallBackWhenNothingIsDrawn) {
  SettingsScope scope;
  FakeHostingView view;
  TestElement empty;
  empty.fills = false;
  empty.setFrame(PtRect(10, 10, 30, 30));
  EXPECT_EQ(empty.trueBoundsInView(&view), empty.bounds(false));
  TestElement drawn;
  drawn.setFrame(PtRect(10.5, 10, 30, 30));
  DRShadow shadow;
  drawn.setShadow(shadow);  // bounds beyond what is drawn
  EXPECT_EQ(drawn.trueBoundsInView(&view), PtRect(10, 10, 31, 30));
}

TEST(DRElementHitTest, ProbesReachTwoPixelsInEightDirections) {
  QImage bitmap(9, 9, QImage::Format_ARGB32_Premultiplied);
  for (int dy = -3; dy <= 3; ++dy) {
    for (int dx = -3; dx <= 3; ++dx) {
      bitmap.fill(Qt::white);
      bitmap.setPixel(4 + dx, 4 + dy, qRgb(200, 255, 255));
      const bool onProbe =
          (std::abs(dx) == std::abs(dy) || dx == 0 || dy == 0) && std::abs(dx) <= 2 && std::abs(dy) <= 2;
      EXPECT_EQ(ProbeBitmapNear(bitmap, 4, 4), onProbe) << dx << "," << dy;
    }
  }
  bitmap.fill(Qt::black);
  EXPECT_FALSE(ProbeBitmapNear(bitmap, -3, 4));
  EXPECT_TRUE(ProbeBitmapNear(bitmap, -2, 4));
  EXPECT_FALSE(ProbeBitmapNear(QImage(), 0, 0));
}
