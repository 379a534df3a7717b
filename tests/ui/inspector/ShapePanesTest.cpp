// The shape panes in a real drawing window: the logarithmic scale pair and
// its reset, elements whose scale cannot be told, the path length, the
// vertex count, the corner radius and the arc's angles.

#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QtTest/QTest>

#include "PaneTestSupport.h"
#include "model/DRElementArc.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementRegularPoly.h"
#include "model/DRElementRoundRect.h"
#include "model/DRElementScribble.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/DRArcAngleView.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/inspector/DRPropArcVC.h"
#include "ui/inspector/DRPropPolygonVC.h"
#include "ui/inspector/DRPropRegularPolyVC.h"
#include "ui/inspector/DRPropRoundRectVC.h"
#include "ui/inspector/DRPropScribbleVC.h"

namespace {

constexpr MeasureUnit kPercent = 12700;

class ShapePanesTest : public DrawingWindowTest {
 protected:
  void prepareWindow() override {
    RegisterShapePanes();
    SetPaneFactory(&DRPaneRegistry::shared());
  }

  // A polygon of the points (in points) drawn at their own size.
  DRElementPolygon* addPolygon(const std::vector<CSPoint>& points) {
    auto polygon = std::make_unique<DRElementPolygon>();
    std::vector<CSPoint> measures;
    for (const CSPoint& point : points) measures.push_back({Pt(point.x), Pt(point.y)});
    polygon->setPoints(measures);
    polygon->setFrameFromPoints();
    return add(std::move(polygon));
  }
  // A scribble whose frame is `frame` against the original size.
  DRElementScribble* addScribble(CSRect frame, CSPoint original) {
    auto scribble = std::make_unique<DRElementScribble>();
    scribble->setPoints({{0, 0}, {Pt(10), Pt(10)}});
    scribble->setFrame(frame);
    scribble->setOriginalSize(original);
    return add(std::move(scribble));
  }
};

TEST_F(ShapePanesTest, TheScaleSliderIsLogarithmicBothWays) {
  struct Case {
    MeasureUnit scale;
    double position;
  };
  const Case cases[] = {{kPercent, 0}, {100 * kPercent, 1}, {1600 * kPercent, 2}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.position);
    EXPECT_NEAR(ConvertToLogSlider(c.scale), c.position, 1e-6);
    EXPECT_NEAR(double(ConvertFromLogSlider(c.position)), double(c.scale), 127);
  }

  // Through the pane: the slider sizes the shape, and the shape's size puts
  // the slider back where it was.
  DRElementScribble* scribble = addScribble({Pt(10), Pt(10), Pt(100), Pt(100)}, {Pt(100), Pt(100)});
  select({scribble});
  auto* scribblePane = pane<DRPropScribbleVC>();
  ASSERT_NE(scribblePane, nullptr);
  EXPECT_DOUBLE_EQ(scribblePane->scaleSlider()->doubleValue(), 1);
  EXPECT_EQ(scribblePane->scaleField()->measureValue(), 100 * kPercent);
  for (const Case& c : {cases[2], cases[0]}) {
    SCOPED_TRACE(c.position);
    scribblePane->scaleSlider()->setDoubleValue(c.position);
    const double expectedSide = 100.0 * double(c.scale) / double(100 * kPercent);
    EXPECT_NEAR(double(scribble->frame().width) / kMeasurePerPoint, expectedSide, 0.5);
    EXPECT_NEAR(scribblePane->scaleSlider()->doubleValue(), c.position, 1e-3);
  }
  // The whole drag is one step.
  undo().undo();
  EXPECT_EQ(element(0)->frame().width, Pt(100));
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(ShapePanesTest, AResetThatChangesNothingLeavesNoEntryButAScaleThatChangesNothingDoes) {
  DRElementScribble* scribble = addScribble({Pt(10), Pt(10), Pt(50), Pt(50)}, {Pt(50), Pt(50)});
  select({scribble});
  auto* scribblePane = pane<DRPropScribbleVC>();
  ASSERT_NE(scribblePane, nullptr);
  NotificationRecorder recorder({g_positionChangeNotification});
  scribblePane->resetButton()->click();
  EXPECT_FALSE(undo().isUndoAvailable());
  EXPECT_TRUE(recorder.posted().empty());

  type(scribblePane->scaleField(), QStringLiteral("100"));
  EXPECT_TRUE(undo().isUndoAvailable());
  EXPECT_EQ(currentDescriptor(), kUndoScale);
  EXPECT_EQ(scribble->frame(), (CSRect{Pt(10), Pt(10), Pt(50), Pt(50)}));

  // A reset that changes something is a step of its own.
  scribblePane = pane<DRPropScribbleVC>();
  ASSERT_NE(scribblePane, nullptr);
  type(scribblePane->scaleField(), QStringLiteral("200"));
  ASSERT_EQ(scribble->frame().width, Pt(100));
  scribblePane = pane<DRPropScribbleVC>();
  ASSERT_NE(scribblePane, nullptr);
  scribblePane->resetButton()->click();
  EXPECT_EQ(scribble->frame().width, Pt(50));
  EXPECT_EQ(recorder.count(g_positionChangeNotification), 1);
  undo().undo();
  EXPECT_EQ(element(0)->frame().width, Pt(100));
}

TEST_F(ShapePanesTest, ScalesThatCannotBeToldShowMixedAndAShapeWithoutSizeKeepsItsFrame) {
  struct Case {
    const char* name;
    CSRect frame;
    CSPoint original;
  };
  const Case cases[] = {
      {"x and y scales differ", {Pt(10), Pt(10), Pt(100), Pt(150)}, {Pt(100), Pt(100)}},
      {"no original width", {Pt(10), Pt(10), Pt(40), Pt(40)}, {0, Pt(40)}},
      {"no original size", {Pt(10), Pt(10), Pt(40), Pt(40)}, {0, 0}},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    drawing()->elements().clear();
    DRElementScribble* scribble = addScribble(c.frame, c.original);
    select({scribble});
    auto* scribblePane = pane<DRPropScribbleVC>();
    ASSERT_NE(scribblePane, nullptr);
    EXPECT_EQ(scribblePane->scaleField()->text(), QStringLiteral("-"));
    EXPECT_DOUBLE_EQ(scribblePane->scaleSlider()->doubleValue(), 0);
    if (c.original.x > 0 && c.original.y > 0) continue;

    NotificationRecorder recorder({g_positionChangeNotification});
    scribblePane->scaleSlider()->setDoubleValue(1.5);
    EXPECT_EQ(scribble->frame(), c.frame);
    scribblePane = pane<DRPropScribbleVC>();
    ASSERT_NE(scribblePane, nullptr);
    scribblePane->scaleField()->setText(QStringLiteral("50"));
    scribblePane->setScale(scribblePane->scaleField());
    EXPECT_EQ(scribble->frame(), c.frame);
    scribblePane = pane<DRPropScribbleVC>();
    ASSERT_NE(scribblePane, nullptr);
    undo().clearUndo();
    scribblePane->resetButton()->click();
    EXPECT_FALSE(undo().isUndoAvailable());
    Spin();
    EXPECT_EQ(scribble->frame(), c.frame);
    EXPECT_TRUE(recorder.posted().empty());
    scribblePane = pane<DRPropScribbleVC>();
    ASSERT_NE(scribblePane, nullptr);
    EXPECT_EQ(scribblePane->scaleField()->text(), QStringLiteral("-"));
  }
}

TEST_F(ShapePanesTest, TheFlagsShowMixedAndAClickSetsThemForEveryShape) {
  DRElementScribble* first = addScribble({Pt(10), Pt(10), Pt(40), Pt(40)}, {Pt(40), Pt(40)});
  DRElementScribble* second = addScribble({Pt(60), Pt(10), Pt(40), Pt(40)}, {Pt(40), Pt(40)});
  second->setClosed(true);
  select({first, second});
  auto* scribblePane = pane<DRPropScribbleVC>();
  ASSERT_NE(scribblePane, nullptr);
  EXPECT_TRUE(scribblePane->closedButton()->isMixed());
  EXPECT_FALSE(scribblePane->hideTextButton()->isMixed());
  NotificationRecorder recorder({g_polyReshapeNotification});
  QTest::mouseClick(scribblePane->closedButton(), Qt::LeftButton);
  EXPECT_TRUE(first->isClosed());
  EXPECT_TRUE(second->isClosed());
  EXPECT_EQ(recorder.count(g_polyReshapeNotification), 1);
  EXPECT_EQ(currentDescriptor(), kUndoPolygonOption);
}

TEST_F(ShapePanesTest, TheLengthIsShownForOnePolygonOnly) {
  DRElementPolygon* first = addPolygon({{10, 10}, {40, 10}, {40, 50}});
  DRElementPolygon* second = addPolygon({{100, 10}, {140, 10}});
  select({first});
  auto* polygonPane = pane<DRPropPolygonVC>();
  ASSERT_NE(polygonPane, nullptr);
  const QString length = polygonPane->lengthField()->text();
  EXPECT_NE(length, QStringLiteral("—"));
  EXPECT_TRUE(length.startsWith(QStringLiteral("70"))) << length.toStdString();
  EXPECT_FALSE(first->isUnderConstruction());

  select({first, second});
  polygonPane = pane<DRPropPolygonVC>();
  ASSERT_NE(polygonPane, nullptr);
  EXPECT_EQ(polygonPane->lengthField()->text(), QStringLiteral("—"));
}

TEST_F(ShapePanesTest, TheVertexCountIsBroughtIntoRangeAndZeroDoesNothing) {
  auto polygon = std::make_unique<DRElementRegularPoly>();
  polygon->setFrame({Pt(10), Pt(10), Pt(40), Pt(40)});
  polygon->setVertexCount(5);
  DRElementRegularPoly* regular = add(std::move(polygon));
  select({regular});
  auto* countPane = pane<DRPropRegularPolyVC>();
  ASSERT_NE(countPane, nullptr);
  EXPECT_EQ(countPane->countField()->text(), QStringLiteral("5"));

  NotificationRecorder recorder({g_settingsChangeNotification});
  for (const char* text : {"0", "abc"}) {
    type(countPane->countField(), QString::fromLatin1(text));
    EXPECT_TRUE(recorder.posted().empty()) << text;
    EXPECT_EQ(regular->vertexCount(), 5u);
    EXPECT_FALSE(undo().isUndoAvailable());
  }
  struct Case {
    const char* text;
    uint64_t count;
  };
  for (const Case& c : {Case{"2", 3}, Case{"-4", 3}, Case{"40", 16}, Case{"7", 7}}) {
    SCOPED_TRACE(c.text);
    countPane = pane<DRPropRegularPolyVC>();
    ASSERT_NE(countPane, nullptr);
    type(countPane->countField(), QString::fromLatin1(c.text));
    EXPECT_EQ(static_cast<DRElementRegularPoly*>(element(0))->vertexCount(), c.count);
    EXPECT_EQ(settings.settings().regularPolyVertexCount(), c.count);
    EXPECT_EQ(countPane->countField()->text(), QString::number(c.count));
    EXPECT_EQ(countPane->countSlider()->value(), int(c.count));
  }
  EXPECT_EQ(currentDescriptor(), kUndoPolygonType);
}

TEST_F(ShapePanesTest, DifferentCountsAndRadiiShowMixed) {
  for (uint64_t count : {4u, 8u}) {
    auto polygon = std::make_unique<DRElementRegularPoly>();
    polygon->setFrame({Pt(10), Pt(10), Pt(40), Pt(40)});
    polygon->setVertexCount(count);
    add(std::move(polygon));
  }
  select({drawing()->elements()[0].get(), drawing()->elements()[1].get()});
  auto* countPane = pane<DRPropRegularPolyVC>();
  ASSERT_NE(countPane, nullptr);
  EXPECT_EQ(countPane->countField()->text(), QStringLiteral("-"));
  EXPECT_EQ(countPane->countSlider()->value(), 3);

  drawing()->elements().clear();
  for (MeasureUnit radius : {Pt(4), Pt(9)}) {
    auto rect = std::make_unique<DRElementRoundRect>();
    rect->setFrame({Pt(10), Pt(10), Pt(40), Pt(40)});
    rect->setCornerRadius(radius);
    add(std::move(rect));
  }
  select({drawing()->elements()[0].get(), drawing()->elements()[1].get()});
  auto* cornerPane = pane<DRPropRoundRectVC>();
  ASSERT_NE(cornerPane, nullptr);
  EXPECT_EQ(cornerPane->cornerField()->text(), QStringLiteral("-"));
  cornerPane->cornerSlider()->setDoubleValue(12.34);
  for (const auto& element : drawing()->elements()) {
    EXPECT_EQ(static_cast<DRElementRoundRect*>(element.get())->cornerRadius(),
              MeasureUnit(156210));  // 12.3 points: a step of 0.1 point
  }
  EXPECT_EQ(settings.settings().cornerRadius(), MeasureUnit(156210));  // 12.3 points: a step of 0.1 point
  EXPECT_EQ(currentDescriptor(), kUndoCornerRadius);
}

TEST_F(ShapePanesTest, ArcAnglesArePostedInOneArcAngleStep) {
  auto made = std::make_unique<DRElementArc>();
  made->setFrame({Pt(10), Pt(10), Pt(40), Pt(40)});
  made->setStartAngle(0);
  made->setEndAngle(180 * 12700);
  DRElementArc* arc = add(std::move(made));
  select({arc});
  auto* arcPane = pane<DRPropArcVC>();
  ASSERT_NE(arcPane, nullptr);
  EXPECT_EQ(arcPane->endField()->measureValue(), 180 * 12700);
  EXPECT_EQ(arcPane->angleView()->endAngle(), 180 * 12700);

  type(arcPane->endField(), QStringLiteral("90"));
  EXPECT_EQ(arc->endAngle(), 90 * 12700);
  EXPECT_EQ(arcPane->angleView()->endAngle(), 90 * 12700);
  EXPECT_EQ(currentDescriptor(), kUndoArcAngle);
  undo().undo();
  arc = static_cast<DRElementArc*>(element(0));
  EXPECT_EQ(arc->endAngle(), 180 * 12700);

  // A knob drag: both angles, one step.
  arcPane = pane<DRPropArcVC>();
  ASSERT_NE(arcPane, nullptr);
  NotificationRecorder recorder({g_settingsChangeNotification});
  arcPane->angleView()->setStartAngle(30 * 12700);
  arcPane->angleView()->setEndAngle(120 * 12700);
  emit arcPane->angleView()->anglesChanged(arcPane->angleView());
  EXPECT_EQ(recorder.count(g_settingsChangeNotification), 2);
  EXPECT_EQ(arc->startAngle(), 30 * 12700);
  EXPECT_EQ(arc->endAngle(), 120 * 12700);
  undo().undo();
  arc = static_cast<DRElementArc*>(element(0));
  EXPECT_EQ(arc->startAngle(), 0);
  EXPECT_EQ(arc->endAngle(), 180 * 12700);
  EXPECT_FALSE(undo().isUndoAvailable());
}

}  // namespace
