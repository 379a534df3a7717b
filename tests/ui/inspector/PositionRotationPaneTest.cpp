// The position and rotation panes in a real drawing window: which frame
// fields and boxes the selection allows, frame edits made straight on the
// elements with their undo steps, and the rotation pair's snapping and its
// effect on typing in the canvas.

#include <QtTest/QTest>

#include "PaneTestSupport.h"
#include "model/DRElementGroup.h"
#include "model/DRElementLine.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementText.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/inspector/DRPropPositionVC.h"
#include "ui/inspector/DRPropRotationVC.h"

namespace {

class PositionRotationPaneTest : public DrawingWindowTest {
 protected:
  void prepareWindow() override {
    DRPropPositionVC::registerPane(DRPaneRegistry::shared());
    DRPropRotationVC::registerPane(DRPaneRegistry::shared());
    InstallInspectorPaneFactory();
    ASSERT_EQ(PaneFactory(), &DRPaneRegistry::shared());
  }

  // The element at the frame (points) whose unscaled size is its size.
  template <class Element>
  Element* add(std::unique_ptr<Element> element, const QRectF& frame) {
    element->setFrame(PtRect(frame.x(), frame.y(), frame.width(), frame.height()));
    element->setOriginalSize(CSPoint{element->frame().width, element->frame().height});
    return DrawingWindowTest::add(std::move(element));
  }
  DRElementRectangle* addRect(const QRectF& frame) { return add(std::make_unique<DRElementRectangle>(), frame); }
  DRElementLine* addLine(const QRectF& frame) {
    DRElementLine* line = add(std::make_unique<DRElementLine>(), frame);
    line->setStartPoint(CSPoint{0, 0});
    line->setEndPoint(CSPoint{line->frame().width, line->frame().height});
    return line;
  }
  QString records() const {
    QString text;
    for (const auto& element : drawing()->elements()) text += RecordOf(*element);
    return text;
  }
  // On the box's mark, which a wide box's middle may miss.
  static void click(QCheckBox* box) { QTest::mouseClick(box, Qt::LeftButton, {}, QPoint(6, box->height() / 2)); }
};

TEST_F(PositionRotationPaneTest, TheSelectionDecidesWhichFieldsAndBoxesCanBeUsed) {
  DRElementRectangle* rect = addRect(QRectF(10, 10, 40, 30));
  DRElementLine* line = addLine(QRectF(80, 10, 40, 30));
  DRElementRectangle* other = addRect(QRectF(10, 60, 40, 30));
  auto group = std::make_unique<DRElementGroup>();
  DRElementGroup* groupElement = add(std::move(group), QRectF(150, 10, 40, 40));
  auto text = std::make_unique<DRElementText>();
  DRElementText* textElement = add(std::move(text), QRectF(10, 120, 80, 20));

  struct Row {
    const char* name;
    std::vector<DRElement*> selection;
    bool width, height, constrain, center, centerMixed;
  };
  const Row rows[] = {
      {"rectangle", {rect}, true, true, true, true, false},
      {"rectangle and line", {rect, line}, true, true, true, false, true},
      {"rectangle and group", {rect, groupElement}, false, false, false, false, true},
      {"rectangle and text", {rect, textElement}, true, false, false, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    select(row.selection);
    auto* position = pane<DRPropPositionVC>();
    ASSERT_NE(position, nullptr);
    EXPECT_TRUE(position->field(kRectCoordX)->isEnabled());
    EXPECT_EQ(position->field(kRectCoordWidth)->isEnabled(), row.width);
    EXPECT_EQ(position->field(kRectCoordWidth)->focusPolicy() != Qt::NoFocus, row.width);
    EXPECT_EQ(position->field(kRectCoordHeight)->isEnabled(), row.height);
    EXPECT_EQ(position->field(kRectCoordHeight)->focusPolicy() != Qt::NoFocus, row.height);
    EXPECT_EQ(position->constrainButton()->isEnabled(), row.constrain);
    EXPECT_EQ(position->centerButton()->isEnabled(), row.center);
    EXPECT_EQ(position->centerButton()->isMixed(), row.centerMixed);
  }

  // Equal sides show their value, differing ones "-"; differing flags are
  // mixed.
  other->setResizeFromCenter(true);
  select({rect, other});
  auto* position = pane<DRPropPositionVC>();
  ASSERT_NE(position, nullptr);
  EXPECT_EQ(position->field(kRectCoordX)->measureValue(), Pt(10));
  EXPECT_EQ(position->field(kRectCoordY)->text(), QStringLiteral("-"));
  EXPECT_EQ(position->field(kRectCoordWidth)->measureValue(), Pt(40));
  EXPECT_TRUE(position->centerButton()->isMixed());
  EXPECT_FALSE(position->constrainButton()->isMixed());
}

TEST_F(PositionRotationPaneTest, XThenYIsOneMoveAndAWidthIsASizeStep) {
  DRElementRectangle* rect = addRect(QRectF(10, 10, 40, 30));
  DRElementRectangle* other = addRect(QRectF(70, 20, 40, 30));
  select({rect, other});
  auto* position = pane<DRPropPositionVC>();
  ASSERT_NE(position, nullptr);
  NotificationRecorder recorder({g_elementMoveNotification, g_positionChangeNotification}, controller->window());

  type(position->field(kRectCoordX), QStringLiteral("100"));
  const MeasureUnit x = position->field(kRectCoordX)->measureValue();
  ASSERT_NE(x, Pt(10));
  EXPECT_EQ(rect->frame().x, x);
  EXPECT_EQ(other->frame().x, x);
  EXPECT_EQ(recorder.count(g_elementMoveNotification), 1);
  EXPECT_EQ(recorder.count(g_positionChangeNotification), 1);
  position = pane<DRPropPositionVC>();
  ASSERT_NE(position, nullptr);
  type(position->field(kRectCoordY), QStringLiteral("100"));
  const MeasureUnit y = position->field(kRectCoordY)->measureValue();
  EXPECT_EQ(rect->frame().y, y);
  EXPECT_EQ(other->frame().y, y);
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Move"));

  type(position->field(kRectCoordWidth), QStringLiteral("200"));
  EXPECT_EQ(rect->frame().width, position->field(kRectCoordWidth)->measureValue());
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Size"));

  undo().undo();
  EXPECT_EQ(element(0)->frame().width, Pt(40));
  EXPECT_EQ(element(0)->frame().x, x);
  undo().undo();
  EXPECT_EQ(element(0)->frame().x, Pt(10));
  EXPECT_EQ(element(0)->frame().y, Pt(10));
  EXPECT_EQ(element(1)->frame().y, Pt(20));
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(PositionRotationPaneTest, AnEditThatChangesNothingLeavesNoTrace) {
  DRElementRectangle* rect = addRect(QRectF(10, 10, 40, 30));
  select({rect});
  auto* position = pane<DRPropPositionVC>();
  ASSERT_NE(position, nullptr);
  const QString before = records();

  // The same x again, then a width the element refuses.
  type(position->field(kRectCoordX), position->field(kRectCoordX)->text());
  EXPECT_EQ(records(), before);
  EXPECT_FALSE(undo().isUndoAvailable());
  type(position->field(kRectCoordWidth), QStringLiteral("0"));
  EXPECT_EQ(records(), before);
  EXPECT_FALSE(undo().isUndoAvailable());

  // After a real move, a y that changes nothing joins the move's step and
  // takes nothing of it back; the next real change still gets an entry.
  type(position->field(kRectCoordX), QStringLiteral("100"));
  const QString moved = records();
  ASSERT_NE(moved, before);
  type(position->field(kRectCoordY), position->field(kRectCoordY)->text());
  EXPECT_EQ(records(), moved);
  ASSERT_TRUE(undo().isUndoAvailable());
  type(position->field(kRectCoordHeight), QStringLiteral("0"));
  type(position->field(kRectCoordHeight), QStringLiteral("90"));
  ASSERT_NE(rect->frame().height, Pt(30));
  undo().undo();
  EXPECT_EQ(element(0)->frame().height, Pt(30));
  EXPECT_EQ(records(), moved);
  undo().undo();
  EXPECT_EQ(records(), before);
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(PositionRotationPaneTest, TheBoxesPostTheirFlagsAndConstrainingSquaresTheSize) {
  DRElementRectangle* rect = addRect(QRectF(10, 10, 40, 30));
  select({rect});
  auto* position = pane<DRPropPositionVC>();
  ASSERT_NE(position, nullptr);
  click(position->centerButton());
  EXPECT_TRUE(rect->resizeFromCenter());
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Resize from Center"));

  position = pane<DRPropPositionVC>();
  ASSERT_NE(position, nullptr);
  click(position->constrainButton());
  EXPECT_TRUE(rect->isConstrained());
  EXPECT_EQ(rect->frame().width, rect->frame().height);
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Constrain"));
  position = pane<DRPropPositionVC>();
  ASSERT_NE(position, nullptr);
  EXPECT_EQ(position->field(kRectCoordHeight)->measureValue(), rect->frame().height);
  EXPECT_EQ(position->field(kRectCoordWidth)->measureValue(), rect->frame().width);
}

TEST_F(PositionRotationPaneTest, TheSliderSnapsToTheEighthTurnInOneRotateStep) {
  DRElementRectangle* rect = addRect(QRectF(10, 10, 40, 30));
  select({rect});
  auto* rotation = pane<DRPropRotationVC>();
  ASSERT_NE(rotation, nullptr);
  NotificationRecorder recorder({g_settingsChangeNotification});
  CSDoubleSlider* slider = rotation->angleSlider();
  for (const double degrees : {10.0, 30.0, 43.0}) {
    slider->setValue(int(std::lround(degrees / 360 * CSDoubleSlider::kSteps)));
  }
  ASSERT_FALSE(recorder.posted().empty());
  EXPECT_EQ(recorder.posted().back().userInfo.value(QStringLiteral("value")).toLongLong(), 45 * 12700);
  EXPECT_EQ(rect->rotation(), 45 * 12700);
  EXPECT_EQ(rotation->angleField()->measureValue(), 45 * 12700);
  EXPECT_DOUBLE_EQ(slider->doubleValue(), 45);
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Rotate"));
  undo().undo();
  EXPECT_EQ(element(0)->rotation(), 0);
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(PositionRotationPaneTest, OnlyARotationOtherThanZeroEndsTypingInTheCanvas) {
  auto text = std::make_unique<DRElementText>();
  text->setText(QStringLiteral("Words"));
  DRElementText* element = add(std::move(text), QRectF(20, 20, 120, 20));
  DRDrawView* canvas = controller->drawView();
  select({element});
  canvas->startTyping(element, nullptr);
  ASSERT_NE(canvas->typingView(), nullptr);
  auto* rotation = pane<DRPropRotationVC>();
  ASSERT_NE(rotation, nullptr);

  rotation->angleField()->setText(QStringLiteral("0"));
  rotation->setRotation(rotation->angleField());
  EXPECT_NE(canvas->typingView(), nullptr);
  EXPECT_EQ(element->rotation(), 0);

  rotation->angleField()->setText(QStringLiteral("30"));
  rotation->setRotation(rotation->angleField());
  EXPECT_EQ(canvas->typingView(), nullptr);
  EXPECT_EQ(element->rotation(), 30 * 12700);
}

}  // namespace
