// The fill, line and arrow panes in a real drawing window: a favourite fill
// and the gradient, Remove, the centre mark; the dash sheet's item and the
// posted widths; the arrow boxes, the open heads and the standard list.

#include <QComboBox>
#include <QListWidget>
#include <QMenu>
#include <QPushButton>
#include <QToolButton>
#include <QtTest/QTest>

#include "PaneTestSupport.h"
#include "model/DRElementLine.h"
#include "model/DRElementRectangle.h"
#include "model/DRSettingsChange.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/DRUndoNames.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/SelectionRequests.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/CSFavoriteColorManager.h"
#include "ui/inspector/DRColorWell.h"
#include "ui/inspector/DRGradientWell.h"
#include "ui/inspector/DRLinePatternDialog.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/inspector/DRPropArrowVC.h"
#include "ui/inspector/DRPropFillVC.h"
#include "ui/inspector/DRPropLineVC.h"

namespace {

class StylePanesTest : public DrawingWindowTest {
 protected:
  void prepareWindow() override {
    InstallInspectorPaneFactory();
    SetPaneFactory(&DRPaneRegistry::shared());
  }

  DRElementRectangle* addRect(Kolor fill) {
    auto rect = std::make_unique<DRElementRectangle>();
    rect->setFrame({Pt(10), Pt(10), Pt(50), Pt(40)});
    rect->setFillKolor(fill);
    rect->setLineInfo(DRLineInfo());
    return add(std::move(rect));
  }
  DRElementLine* addLine(std::optional<DRArrow> arrow) {
    auto line = std::make_unique<DRElementLine>();
    line->setFrame({Pt(10), Pt(100), Pt(80), Pt(20)});
    line->setArrow(arrow);
    line->setLineInfo(DRLineInfo());
    return add(std::move(line));
  }
  static DRGradient TwoStops() {
    DRGradient gradient;
    gradient.setKolor(0x640000FF, 0);
    gradient.setKolor(0x64FF0000, 1);
    return gradient;
  }
};

TEST_F(StylePanesTest, AFavouriteFillReplacesTheGradientInOneStep) {
  DRElementRectangle* rect = addRect(0x6400FF00);
  rect->setGradient(TwoStops());
  select({rect});
  auto* fill = pane<DRPropFillVC>();
  ASSERT_NE(fill, nullptr);
  ASSERT_TRUE(fill->gradientWell()->gradient());
  EXPECT_TRUE(fill->removeButton()->isEnabled());

  fill->changeKolor(0x640000FF, fill->favorites());
  const auto* changed = static_cast<const DRElementRectangle*>(element(0));
  EXPECT_EQ(changed->fillKolor(), Kolor(0x640000FF));
  EXPECT_FALSE(changed->gradient());
  EXPECT_EQ(currentDescriptor(), int(kUndoFillColor));
  EXPECT_EQ(fill->fillColorPicker()->trueKolor(), Kolor(0x640000FF));
  EXPECT_FALSE(fill->gradientWell()->gradient());
  EXPECT_FALSE(fill->removeButton()->isEnabled());
  // The pull-down's default is no fill.
  EXPECT_EQ(fill->defaultKolorForPopup(fill->favorites()), g_nilKolor);

  // One step: undo gives back both the colour and the gradient.
  undo().undo();
  Spin();
  const auto* restored = static_cast<const DRElementRectangle*>(element(0));
  EXPECT_EQ(restored->fillKolor(), Kolor(0x6400FF00));
  EXPECT_TRUE(restored->gradient());
}

TEST_F(StylePanesTest, RemoveTellsTheSelectionAtOnceAndTheMarkToggles) {
  DRElementRectangle* first = addRect(0x64FF0000);
  first->setGradient(TwoStops());
  DRElementRectangle* second = addRect(0x64FF0000);
  second->setGradient(TwoStops());
  second->setMarkCenter(true);
  select({first, second});
  auto* fill = pane<DRPropFillVC>();
  ASSERT_NE(fill, nullptr);
  // Equal gradients show; differing marks show mixed.
  EXPECT_TRUE(fill->gradientWell()->gradient());
  EXPECT_TRUE(fill->markCenterButton()->isMixed());

  NotificationRecorder recorder({g_selectionChangeNotification}, controller->window());
  fill->removeButton()->click();
  // Posted before the click returns, without waiting for the idle queue.
  EXPECT_GE(recorder.count(g_selectionChangeNotification), 1);
  EXPECT_EQ(currentDescriptor(), int(kUndoGradient));
  for (size_t index : {0u, 1u}) {
    const auto* rect = static_cast<const DRElementRectangle*>(element(index));
    EXPECT_FALSE(rect->gradient());
    EXPECT_EQ(rect->fillKolor(), Kolor(0x64FF0000));  // the fill stays
  }
  fill = pane<DRPropFillVC>();
  ASSERT_NE(fill, nullptr);
  EXPECT_FALSE(fill->removeButton()->isEnabled());

  // The mixed mark turns on for both, then off.
  for (bool expected : {true, false}) {
    fill->markCenterButton()->click();
    Spin();
    fill = pane<DRPropFillVC>();
    for (size_t index : {0u, 1u}) {
      EXPECT_EQ(static_cast<const DRElementRectangle*>(element(index))->markCenter(), expected);
    }
    EXPECT_EQ(currentDescriptor(), int(kUndoResizeFromCenter));
  }
}

TEST_F(StylePanesTest, TheCustomStyleOpensTheDashSheetAndChangesNothingYet) {
  DRElementRectangle* rect = addRect(0x64FF0000);
  select({rect});
  auto* line = pane<DRPropLineVC>();
  ASSERT_NE(line, nullptr);
  const int64_t before = rect->lineInfo()->lineStyle();
  const bool undoBefore = undo().isUndoAvailable();
  line->setLineStyle(DRPropLineVC::kCustomStyleItem);
  DRLinePatternDialog* sheet = nullptr;
  for (DRLinePatternDialog* shown : controller->window()->findChildren<DRLinePatternDialog*>()) {
    if (shown->isVisible()) sheet = shown;
  }
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(static_cast<const DRElementRectangle*>(element(0))->lineInfo()->lineStyle(), before);
  EXPECT_EQ(undo().isUndoAvailable(), undoBefore);
  // Cancelled: the pop-up shows the element's style again.
  sheet->handleCancel();
  Spin();
  line = pane<DRPropLineVC>();
  EXPECT_EQ(line->lineStyleButton()->currentIndex(), int(before));

  // Another item changes the style at once, pattern scaling on.
  line->setLineStyle(int(kLineStyleDot));
  const auto* changed = static_cast<const DRElementRectangle*>(element(0));
  EXPECT_EQ(changed->lineInfo()->lineStyle(), kLineStyleDot);
  EXPECT_TRUE(changed->lineInfo()->scalePattern());
  EXPECT_EQ(currentDescriptor(), int(kUndoLineStyle));
}

TEST_F(StylePanesTest, PostedWidthsAndColoursMoveTheLineControls) {
  DRElementRectangle* rect = addRect(0x64FF0000);
  select({rect});
  auto* line = pane<DRPropLineVC>();
  ASSERT_NE(line, nullptr);
  QObject* window = controller->window();
  // A width from another control (the info bar) on swatch 1.
  NotificationCenter::defaultCenter().post(g_settingsChangeNotification, window,
                                           {{g_settingsChangeSwatchKey, int(kSwatchLineWidth)},
                                            {g_settingsChangeValueKey, NumberWithMeasure(Pt(7))}});
  EXPECT_DOUBLE_EQ(line->widthSlider()->doubleValue(), 7.0);
  EXPECT_EQ(line->widthField()->measureValue(), Pt(7));
  NotificationCenter::defaultCenter().post(g_settingsChangeNotification, window,
                                           {{g_settingsChangeSwatchKey, int(kSwatchLine)},
                                            {g_settingsChangeValueKey, ValueWithKolor(0x640000FF)}});
  EXPECT_EQ(line->lineColorPicker()->trueKolor(), Kolor(0x640000FF));
  // Another swatch is not the line's.
  NotificationCenter::defaultCenter().post(g_settingsChangeNotification, window,
                                           {{g_settingsChangeSwatchKey, int(kSwatchFill)},
                                            {g_settingsChangeValueKey, NumberWithMeasure(Pt(2))}});
  EXPECT_DOUBLE_EQ(line->widthSlider()->doubleValue(), 7.0);

  // The slider sets the default width and the element's, in 0.05-point steps.
  line->widthSlider()->setDoubleValue(3.02);
  EXPECT_EQ(settings.settings().lineInfo().width(), MeasureUnit(38100));  // 3 points
  EXPECT_EQ(static_cast<const DRElementRectangle*>(element(0))->lineInfo()->width(), MeasureUnit(38100));
  EXPECT_EQ(currentDescriptor(), int(kUndoLineWidth));
}

TEST_F(StylePanesTest, TurningOffTheOnlyEndLeavesNoDefaultArrow) {
  std::optional<DRArrow> arrow = DRArrow::standardArrow(kArrowTypeOpen);
  ASSERT_TRUE(arrow);
  ASSERT_EQ(arrow->onEnd(), 1);
  ASSERT_EQ(arrow->onStart(), 0);
  DRElementLine* lineElement = addLine(arrow);
  select({lineElement});
  auto* arrows = pane<DRPropArrowVC>();
  ASSERT_NE(arrows, nullptr);
  EXPECT_TRUE(arrows->onEndButton()->isChecked());
  // An open head cannot be filled.
  EXPECT_FALSE(arrows->fillButton()->isEnabled());

  settings.settings().setArrow(arrow);
  arrows->onEndButton()->click();
  EXPECT_FALSE(settings.settings().arrow());
  const auto* changed = static_cast<const DRElementLine*>(element(0));
  EXPECT_TRUE(!changed->arrow() || changed->arrow()->onEnd() == 0);
  EXPECT_EQ(currentDescriptor(), int(kUndoArrow));
}

TEST_F(StylePanesTest, AStandardArrowPickQueuesOneArrowChange) {
  DRElementLine* lineElement = addLine(std::nullopt);
  select({lineElement});
  auto* arrows = pane<DRPropArrowVC>();
  ASSERT_NE(arrows, nullptr);
  const std::optional<DRArrow> before = settings.settings().arrow();
  NotificationRecorder recorder({g_arrowChangeNotification}, controller->window());
  arrows->standardArrows()->setCurrentRow(4);  // the fifth standard arrow
  EXPECT_EQ(arrows->standardArrows()->currentRow(), -1);
  Spin();
  EXPECT_EQ(recorder.count(g_arrowChangeNotification), 1);
  const auto* changed = static_cast<const DRElementLine*>(element(0));
  ASSERT_TRUE(changed->arrow());
  EXPECT_EQ(changed->arrow()->type(), 5);
  // The pick is the selection's only: the default stays.
  EXPECT_EQ(settings.settings().arrow().has_value(), before.has_value());
  // A closed head's fill box is enabled once the pane reads the line again.
  arrows = pane<DRPropArrowVC>();
  EXPECT_EQ(arrows->fillButton()->isEnabled(), changed->arrow()->isClosedType());
}

TEST_F(StylePanesTest, AStandardArrowRowIsNotLeftSelectedAfterTheMouse) {
  DRElementLine* lineElement = addLine(std::nullopt);
  select({lineElement});
  struct Row {
    const char* name;
    int pressed;
    int released;  // a drag ends on another row
    int type;      // the arrow the line gets
  } rows[] = {
      {"a click", 1, 1, 2},
      {"the same row again", 1, 1, 2},
      {"a drag over the rows", 2, 4, 5},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    auto* arrows = pane<DRPropArrowVC>();
    ASSERT_NE(arrows, nullptr);
    QListWidget* table = arrows->standardArrows();
    QWidget* viewport = table->viewport();
    const QPoint from = table->visualItemRect(table->item(row.pressed)).center();
    const QPoint to = table->visualItemRect(table->item(row.released)).center();
    QTest::mousePress(viewport, Qt::LeftButton, {}, from);
    if (to != from) QTest::mouseMove(viewport, to);
    QTest::mouseRelease(viewport, Qt::LeftButton, {}, to);
    EXPECT_TRUE(table->selectedItems().isEmpty());
    EXPECT_EQ(table->currentRow(), -1);
    Spin();
    const auto* changed = static_cast<const DRElementLine*>(element(0));
    ASSERT_TRUE(changed->arrow());
    EXPECT_EQ(changed->arrow()->type(), row.type);
  }
}

}  // namespace
