// The shadow and reflection panes in a real drawing window: what the
// shadow box shows for a selection and what switching it on copies, the
// x-y lock, one undo step for a run across a pane, and the reflection's
// resting details.

#include <QtTest/QTest>
#include <cmath>

#include "PaneTestSupport.h"
#include "model/DRElementRectangle.h"
#include "model/DRSettingsChange.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/NotificationRecorder.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/DRColorWell.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/inspector/DRPropReflectionVC.h"
#include "ui/inspector/DRPropShadowVC.h"

namespace {

class ShadowReflectionPaneTest : public DrawingWindowTest {
 protected:
  void prepareWindow() override {
    InstallInspectorPaneFactory();
    DRPropShadowVC::registerPane();
    DRPropReflectionVC::registerPane();
    ASSERT_EQ(PaneFactory(), &DRPaneRegistry::shared());
  }

  DRElementRectangle* addRect() {
    auto rect = std::make_unique<DRElementRectangle>();
    rect->setFrame(PtRect(10 + 60 * double(drawing()->elements().size()), 10, 40, 40));
    return add(std::move(rect));
  }
  // Moves the slider as a drag does, through its positions.
  static void drag(CSDoubleSlider* slider, std::initializer_list<double> values) {
    for (const double value : values) {
      const double fraction = (value - slider->doubleMinimum()) / (slider->doubleMaximum() - slider->doubleMinimum());
      slider->setValue(int(std::lround(fraction * CSDoubleSlider::kSteps)));
    }
  }
  static QStringList getters(const NotificationRecorder& recorder) {
    QStringList names;
    for (const CSNotification& note : recorder.posted()) {
      names << note.userInfo.value(g_settingsChangeGetterKey).toString();
    }
    return names;
  }
  static DRShadow customShadow() {
    DRShadow shadow;
    shadow.setLockXY(false);
    shadow.setXOffset(Pt(5));
    shadow.setYOffset(Pt(7));
    shadow.setBlur(Pt(4));
    shadow.setAngle(Pt(90));
    shadow.setKolor(0x64FF0000);
    return shadow;
  }
};

TEST_F(ShadowReflectionPaneTest, TheBoxShowsWhoHasAShadowAndSwitchingOnCopiesTheFirst) {
  DRElementRectangle* shaded = addRect();
  DRElementRectangle* plain = addRect();
  DRElementRectangle* other = addRect();
  shaded->setShadow(customShadow());
  DRShadow black = customShadow();
  black.setKolor(g_blackKolor);
  other->setShadow(black);

  struct Row {
    const char* name;
    std::vector<DRElement*> selection;
    Qt::CheckState box;
    Qt::CheckState lock;
    QString blur;
    Kolor shown;
  };
  const Row rows[] = {
      {"no shadow", {plain}, Qt::Unchecked, Qt::Unchecked, QStringLiteral("0"), g_nilKolor},
      {"one shadow", {shaded}, Qt::Checked, Qt::Unchecked, QStringLiteral("4"), 0x64FF0000},
      {"colours differ", {shaded, other}, Qt::Checked, Qt::Unchecked, QStringLiteral("4"), g_nilKolor},
      {"the second has one",
       {plain, shaded},
       Qt::PartiallyChecked,
       Qt::PartiallyChecked,
       QStringLiteral("0"),
       g_nilKolor},
      {"the first has one",
       {shaded, plain},
       Qt::PartiallyChecked,
       Qt::PartiallyChecked,
       QStringLiteral("0"),
       g_nilKolor},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    select(row.selection);
    auto* shadow = pane<DRPropShadowVC>();
    ASSERT_NE(shadow, nullptr);
    EXPECT_EQ(shadow->hasShadowButton()->checkState(), row.box);
    EXPECT_EQ(shadow->lockXYButton()->checkState(), row.lock);
    EXPECT_EQ(shadow->blurField()->text(), row.blur);
    EXPECT_EQ(shadow->compositeKolor(), row.shown);
    EXPECT_EQ(shadow->colorPicker()->trueKolor(), row.shown);
    // Only a box that is on lets the shadow be edited.
    EXPECT_EQ(shadow->blurSlider()->isEnabled(), row.box == Qt::Checked);
    EXPECT_EQ(shadow->colorPicker()->isEnabled(), row.box == Qt::Checked);
  }

  // A click on the mixed box gives every element the first one's shadow.
  select({shaded, plain});
  pane<DRPropShadowVC>()->hasShadowButton()->click();
  ASSERT_TRUE(plain->shadow());
  EXPECT_EQ(*plain->shadow(), customShadow());
  EXPECT_EQ(*shaded->shadow(), customShadow());
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Shadow"));
  auto* shadow = pane<DRPropShadowVC>();
  EXPECT_EQ(shadow->hasShadowButton()->checkState(), Qt::Checked);
  EXPECT_TRUE(shadow->blurSlider()->isEnabled());

  // Without a shadow at the first element the default one is given.
  select({plain, other});
  pane<DRPropShadowVC>()->hasShadowButton()->click();  // off
  EXPECT_FALSE(element(1)->shadow());
  EXPECT_FALSE(element(2)->shadow());
  pane<DRPropShadowVC>()->hasShadowButton()->click();  // on
  ASSERT_TRUE(element(1)->shadow() && element(2)->shadow());
  EXPECT_EQ(*element(1)->shadow(), DRShadow());
  EXPECT_EQ(*element(2)->shadow(), DRShadow());
}

TEST_F(ShadowReflectionPaneTest, WithTheLockAnXDragMovesTheYControlsButPostsOnlyX) {
  DRElementRectangle* first = addRect();
  DRElementRectangle* second = addRect();
  first->setShadow(DRShadow());
  second->setShadow(DRShadow());
  select({first, second});
  auto* shadow = pane<DRPropShadowVC>();
  ASSERT_NE(shadow, nullptr);
  ASSERT_EQ(shadow->lockXYButton()->checkState(), Qt::Checked);

  NotificationRecorder recorder({g_settingsChangeNotification}, controller->window());
  drag(shadow->xOffsetSlider(), {4, 6, 9});
  shadow = pane<DRPropShadowVC>();
  ASSERT_FALSE(recorder.posted().empty());
  EXPECT_EQ(getters(recorder).filter(QStringLiteral("shadow.xOffset")).size(), recorder.posted().size());
  EXPECT_EQ(shadow->yOffsetField()->measureValue(), Pt(9));
  EXPECT_DOUBLE_EQ(shadow->yOffsetSlider()->doubleValue(), 9);
  EXPECT_EQ(first->shadow()->xOffset(), Pt(9));
  EXPECT_EQ(second->shadow()->yOffset(), Pt(9));

  // Unlocked, y keeps its own value.
  shadow->lockXYButton()->click();
  ASSERT_FALSE(element(0)->shadow()->lockXY());
  shadow = pane<DRPropShadowVC>();
  type(shadow->xOffsetField(), QStringLiteral("2"));
  shadow = pane<DRPropShadowVC>();
  EXPECT_EQ(element(0)->shadow()->xOffset(), Pt(2));
  EXPECT_EQ(element(0)->shadow()->yOffset(), Pt(9));
  EXPECT_EQ(shadow->yOffsetField()->measureValue(), Pt(9));

  // Locking again when x shows a value makes y show it too.
  shadow->lockXYButton()->click();
  shadow = pane<DRPropShadowVC>();
  EXPECT_EQ(shadow->yOffsetField()->measureValue(), Pt(2));
  EXPECT_EQ(element(1)->shadow()->yOffset(), Pt(2));
}

TEST_F(ShadowReflectionPaneTest, ARunAcrossTheShadowControlsIsOneUndoStep) {
  DRElementRectangle* rect = addRect();
  rect->setShadow(customShadow());
  select({rect});
  auto* shadow = pane<DRPropShadowVC>();
  ASSERT_NE(shadow, nullptr);

  drag(shadow->angleSlider(), {100, 150, 200});
  type(pane<DRPropShadowVC>()->blurField(), QStringLiteral("6"));
  type(pane<DRPropShadowVC>()->xOffsetField(), QStringLiteral("3"));
  drag(pane<DRPropShadowVC>()->yOffsetSlider(), {12});
  DRShadow expected = customShadow();
  expected.setAngle(Pt(200));
  expected.setBlur(Pt(6));
  expected.setXOffset(Pt(3));
  expected.setYOffset(Pt(12));
  ASSERT_TRUE(element(0)->shadow());
  EXPECT_EQ(*element(0)->shadow(), expected);
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Shadow"));

  undo().undo();
  ASSERT_TRUE(element(0)->shadow());
  EXPECT_EQ(*element(0)->shadow(), customShadow());
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(ShadowReflectionPaneTest, ALockedDrawingKeepsItsShadowsAndTheBoxItsState) {
  DRElementRectangle* rect = addRect();
  select({rect});
  drawing()->setLocked(true);
  NotificationRecorder recorder({g_settingsChangeNotification});
  auto* shadow = pane<DRPropShadowVC>();
  ASSERT_NE(shadow, nullptr);
  shadow->hasShadowButton()->click();
  EXPECT_TRUE(recorder.posted().empty());
  EXPECT_FALSE(rect->shadow());
  EXPECT_EQ(pane<DRPropShadowVC>()->hasShadowButton()->checkState(), Qt::Unchecked);
  EXPECT_FALSE(pane<DRPropShadowVC>()->blurSlider()->isEnabled());
}

TEST_F(ShadowReflectionPaneTest, TheReflectionPairsShowTheSelectionAndRestWithoutAReflection) {
  DRElementRectangle* a = addRect();
  DRElementRectangle* b = addRect();
  DRElementRectangle* none = addRect();
  for (DRElementRectangle* rect : {a, b}) {
    rect->setReflection(Pt(30));
    rect->setReflectionOffset(Pt(4));
    rect->setReflectionAlpha(Pt(80));
  }
  DRElementRectangle* different = addRect();
  different->setReflection(Pt(60));

  struct Row {
    const char* name;
    std::vector<DRElement*> selection;
    QString reflection;
    bool details;
  };
  const Row rows[] = {
      {"one", {a}, QStringLiteral("30%"), true},
      {"equal", {a, b}, QStringLiteral("30%"), true},
      {"differing", {a, different}, QStringLiteral("-"), false},
      {"none", {none}, QStringLiteral("0"), false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    select(row.selection);
    auto* reflection = pane<DRPropReflectionVC>();
    ASSERT_NE(reflection, nullptr);
    EXPECT_EQ(reflection->reflectionField()->text().remove(QLatin1Char(' ')), row.reflection);
    EXPECT_EQ(reflection->offsetField()->isEnabled(), row.details);
    EXPECT_EQ(reflection->intensitySlider()->isEnabled(), row.details);
  }

  // Setting 0: the details show 0 and 50 % and rest, and the elements keep
  // their offset and intensity.
  select({a, b});
  NotificationRecorder recorder({g_settingsChangeNotification}, controller->window());
  type(pane<DRPropReflectionVC>()->reflectionField(), QStringLiteral("0"));
  auto* reflection = pane<DRPropReflectionVC>();
  EXPECT_EQ(getters(recorder), QStringList{QStringLiteral("reflection")});
  for (size_t index : {0, 1}) {
    EXPECT_EQ(element(index)->reflection(), 0);
    EXPECT_EQ(element(index)->reflectionOffset(), Pt(4));
    EXPECT_EQ(element(index)->reflectionAlpha(), Pt(80));
  }
  EXPECT_EQ(reflection->offsetField()->measureValue(), 0);
  EXPECT_EQ(reflection->intensityField()->measureValue(), Pt(50));
  EXPECT_DOUBLE_EQ(reflection->intensitySlider()->doubleValue(), 50);
  EXPECT_FALSE(reflection->offsetField()->isEnabled());
  EXPECT_FALSE(reflection->intensityField()->isEnabled());

  // A size again brings the details back; the whole run over the three
  // pairs, the 0 included, is one step.
  drag(reflection->reflectionSlider(), {10, 20});
  reflection = pane<DRPropReflectionVC>();
  EXPECT_TRUE(reflection->offsetSlider()->isEnabled());
  drag(reflection->offsetSlider(), {8});
  type(pane<DRPropReflectionVC>()->intensityField(), QStringLiteral("25"));
  EXPECT_EQ(element(0)->reflection(), Pt(20));
  EXPECT_EQ(element(1)->reflectionOffset(), Pt(8));
  EXPECT_EQ(element(1)->reflectionAlpha(), Pt(25));
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Reflection"));
  undo().undo();
  EXPECT_EQ(element(0)->reflection(), Pt(30));
  EXPECT_EQ(element(1)->reflectionOffset(), Pt(4));
  EXPECT_EQ(element(1)->reflectionAlpha(), Pt(80));
  EXPECT_FALSE(undo().isUndoAvailable());
}

}  // namespace
