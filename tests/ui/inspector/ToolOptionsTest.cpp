// The tool-options strip: vertex count and stock polygons, the blur
// strength, fields left without typing, the arrow controls by tab, units,
// the crop buttons and the default font.

#include <gtest/gtest.h>

#include <QAbstractButton>
#include <QButtonGroup>
#include <QCheckBox>
#include <QLabel>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QStackedWidget>
#include <QtTest/QTest>

#include "model/DRDrawing.h"
#include "model/ElementTestSupport.h"
#include "platform/NotificationCenter.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "ui/EventDriver.h"
#include "ui/FakeEditorAppServices.h"
#include "ui/FakeEditorContent.h"
#include "ui/FakeEditorWindowHost.h"
#include "ui/HarnessWindow.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/DRToolOptionsContainer.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/DRToolOptionsVC.h"

namespace {

class ToolOptionsTest : public ::testing::Test {
 protected:
  void SetUp() override {
    m_strength = scope.settings().blurStrength();
    m_tolerance = scope.settings().polygonTolerance();
    window.resize(400, 400);
    container = new DRToolOptionsContainer(&window);
    container->setGeometry(0, 0, 260, 200);
    host.content = &drawing;
    container->setWindowHost(&host);
    container->awakeFromNib();
    options = std::make_unique<DRToolOptionsVC>(container, &host);
    options->awakeFromNib();
    window.show();
    QCoreApplication::processEvents();
  }
  void TearDown() override {
    options.reset();
    scope.settings().setBlurStrength(m_strength);
    scope.settings().setPolygonTolerance(m_tolerance);
    SetDistanceUnitProvider({});
  }

  // Types into the field as a user does and ends the edit with Return.
  static void Type(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
    QTest::keyClick(field, Qt::Key_Return);
  }

  SettingsScope scope;
  FakeEditorAppServices services;
  HarnessWindow window;
  FakeEditorContent drawing{DRContentKind::kDrawing};
  FakeEditorContent painting{DRContentKind::kPainting};
  FakeEditorWindowHost host{&window};
  DRToolOptionsContainer* container = nullptr;
  std::unique_ptr<DRToolOptionsVC> options;
  double m_strength = 1;
  MeasureUnit m_tolerance = 0;
};

TEST_F(ToolOptionsTest, TheStripIsAsTallAsTheShownPanesControls) {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.post(g_toolChangedNotification, &window, {{g_toolKey, int(kToolRegularPoly)}});
  ASSERT_EQ(container->selectedIdentifier(), QStringLiteral("regpoly"));
  const int regpoly = container->height();
  QWidget* lowest = options->drawFromCenterButton(QStringLiteral("regpoly"));
  ASSERT_NE(lowest, nullptr);
  EXPECT_GE(regpoly, DRToolOptionsContainer::kTitleBandHeight + lowest->geometry().bottom());
  // The select tool has no options in a drawing: only its message shows.
  center.post(g_toolChangedNotification, &window, {{g_toolKey, int(kToolSelect)}});
  ASSERT_EQ(container->selectedIdentifier(), QStringLiteral("no"));
  EXPECT_LT(container->height(), regpoly);
  EXPECT_GE(container->height(), DRToolOptionsContainer::kTitleBandHeight + options->noToolMessage()->geometry().bottom());
}

TEST_F(ToolOptionsTest, TheVertexCountSelectsItsStockPolygonOrNone) {
  QButtonGroup* stock = options->stockRegPolygons();
  struct Case {
    int count;
    int checkedTag;  // -1: none
  };
  const Case cases[] = {{9, -1}, {2, -1}, {3, 3}, {8, 8}, {5, 5}};
  for (const Case& c : cases) {
    SCOPED_TRACE(c.count);
    options->setStockPolygonCount(uint64_t(c.count));
    EXPECT_EQ(stock->checkedId(), c.checkedTag);
  }
  // The corner cells: 3 is the first cell of the first row, 8 the last of
  // the second.
  EXPECT_LT(stock->button(3)->x(), stock->button(5)->x());
  EXPECT_EQ(stock->button(3)->y(), stock->button(5)->y());
  EXPECT_EQ(stock->button(8)->x(), stock->button(5)->x());
  EXPECT_GT(stock->button(8)->y(), stock->button(5)->y());

  // A typed count goes to the settings, the slider and the cells.
  Type(options->polyCountField(), QStringLiteral("4"));
  EXPECT_EQ(scope.settings().regularPolyVertexCount(), 4u);
  EXPECT_EQ(options->polyCountSlider()->value(), 4);
  EXPECT_EQ(stock->checkedId(), 4);
  // A picked cell goes to the settings and both controls.
  stock->button(7)->click();
  EXPECT_EQ(scope.settings().regularPolyVertexCount(), 7u);
  EXPECT_EQ(options->polyCountField()->text(), QStringLiteral("7"));
  EXPECT_EQ(options->polyCountSlider()->value(), 7);
  // The slider past the stock polygons leaves no cell on.
  options->polyCountSlider()->setValue(12);
  EXPECT_EQ(scope.settings().regularPolyVertexCount(), 12u);
  EXPECT_EQ(stock->checkedId(), -1);
}

TEST_F(ToolOptionsTest, ATypedBlurStrengthIsAPercentClampedToTheSlidersRange) {
  const double minimum = options->blurStrengthSlider()->doubleMinimum();
  struct Case {
    const char* typed;
    double stored;
    const char* shown;
  };
  const Case cases[] = {
      {"500", 5.0, "500"},
      {"1", minimum, nullptr},  // below the minimum: the minimum
      {"1e9", DRToolOptionsVC::kHighestBlurStrength, "10000"},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.typed);
    Type(options->blurStrengthField(), QString::fromLatin1(c.typed));
    EXPECT_FLOAT_EQ(float(scope.settings().blurStrength()), float(c.stored));
    if (c.shown) EXPECT_EQ(options->blurStrengthField()->text(), QString::fromLatin1(c.shown));
  }
  // Text that is no number changes nothing and shows the setting again.
  scope.settings().setBlurStrength(2.0);
  Type(options->blurStrengthField(), QStringLiteral("soft"));
  EXPECT_DOUBLE_EQ(scope.settings().blurStrength(), 2.0);
  EXPECT_EQ(options->blurStrengthField()->text(), QStringLiteral("200"));
}

TEST_F(ToolOptionsTest, LeavingFieldsWithoutTypingChangesNoSetting) {
  scope.settings().setRegularPolyVertexCount(6);
  scope.settings().setCornerRadius(5 * kMeasurePerPoint);
  scope.settings().setBlurStrength(1.5);
  // The fields show other values than the settings now hold: running their
  // actions would store what they show.
  options->polyCountField()->setText(QStringLiteral("9"));
  options->blurStrengthField()->setText(QStringLiteral("300"));
  options->cornerRadiusField()->setMeasureValue(20 * kMeasurePerPoint);
  for (QLineEdit* field : {static_cast<QLineEdit*>(options->polyCountField()),
                           static_cast<QLineEdit*>(options->cornerRadiusField()), options->blurStrengthField()}) {
    field->setFocus();
    QTest::keyClick(field, Qt::Key_Tab);
    field->clearFocus();
  }
  EXPECT_EQ(scope.settings().regularPolyVertexCount(), 6u);
  EXPECT_EQ(scope.settings().cornerRadius(), 5 * kMeasurePerPoint);
  EXPECT_DOUBLE_EQ(scope.settings().blurStrength(), 1.5);
}

TEST_F(ToolOptionsTest, ArrowControlsFollowTheDefaultArrowInTheDrawingTabOnly) {
  scope.settings().setArrow(std::nullopt);
  options->enableArrows();
  for (int set = 0; set < 2; ++set) {
    EXPECT_FALSE(options->arrowOnStartButton(set)->isEnabled());
    EXPECT_TRUE(options->arrowStyleButton(set)->isEnabled());
    EXPECT_FALSE(options->arrowInstructions(set)->isHidden());
  }
  // A default arrow (as the arrow sheet makes it) enables the boxes; a box
  // of either set changes it and both sets show it.
  scope.settings().setArrow(DRArrow::standardArrow(kArrowTypeOpen));
  options->arrowOnStartButton(1)->click();
  ASSERT_TRUE(scope.settings().arrow());
  EXPECT_EQ(scope.settings().arrow()->onStart(), 1);
  for (int set = 0; set < 2; ++set) {
    EXPECT_TRUE(options->arrowOnStartButton(set)->isChecked());
    EXPECT_TRUE(options->arrowOnEndButton(set)->isChecked());
    EXPECT_TRUE(options->arrowOnStartButton(set)->isEnabled());
    EXPECT_TRUE(options->arrowInstructions(set)->isHidden());
    EXPECT_EQ(options->arrowFillButton(set)->isEnabled(), scope.settings().arrow()->isClosedType());
  }

  // A painting tab: no arrow shows, nothing is enabled, no hint.
  host.content = &painting;
  NotificationCenter::defaultCenter().post(g_tabChangeNotification, &window);
  for (int set = 0; set < 2; ++set) {
    EXPECT_FALSE(options->arrowOnStartButton(set)->isEnabled());
    EXPECT_FALSE(options->arrowOnEndButton(set)->isEnabled());
    EXPECT_FALSE(options->arrowFillButton(set)->isEnabled());
    EXPECT_FALSE(options->arrowStyleButton(set)->isEnabled());
    EXPECT_TRUE(options->arrowInstructions(set)->isHidden());
  }
  // After the document closed the controls are left as they are.
  host.content = &drawing;
  NotificationCenter::defaultCenter().post(g_windowWillCloseNotification, &window);
  options->enableArrows();
  EXPECT_FALSE(options->arrowStyleButton(0)->isEnabled());
}

TEST_F(ToolOptionsTest, AUnitChangeShowsTheRadiusInTheNewUnitWithoutChangingIt) {
  DistanceUnit unit = kDistanceUnitInches;
  SetDistanceUnitProvider([&unit] { return unit; });
  scope.settings().setCornerRadius(914400);  // one inch
  options->unitsChanged();
  const QString inches = options->cornerRadiusField()->text();
  unit = kDistanceUnitCentimetres;
  NotificationRecorder recorder({g_unitsChangedNotification});
  NotificationCenter::defaultCenter().post(g_unitsChangedNotification);
  EXPECT_NE(options->cornerRadiusField()->text(), inches);
  EXPECT_TRUE(options->cornerRadiusField()->text().contains(QStringLiteral("2.54")));
  EXPECT_EQ(scope.settings().cornerRadius(), 914400);
}

TEST_F(ToolOptionsTest, CropButtonsFollowTheCanvasAndPostTheAnswer) {
  EXPECT_FALSE(options->cropButton()->isEnabled());
  NotificationCenter& center = NotificationCenter::defaultCenter();
  center.post(g_activateCropNotification, &window, {{g_cropKey, true}});
  EXPECT_TRUE(options->cropButton()->isEnabled());
  EXPECT_TRUE(options->cancelCropButton()->isEnabled());
  // Another window's crop is not ours.
  QObject other;
  center.post(g_activateCropNotification, &other, {{g_cropKey, false}});
  EXPECT_TRUE(options->cropButton()->isEnabled());

  NotificationRecorder recorder({g_acceptCropNotification});
  options->cropButton()->click();
  options->cancelCropButton()->click();
  ASSERT_EQ(recorder.count(g_acceptCropNotification), 2);
  EXPECT_EQ(recorder.posted()[0].object, &window);
  EXPECT_EQ(recorder.posted()[0].userInfo.value(g_cropKey).toBool(), true);
  EXPECT_EQ(recorder.posted()[1].userInfo.value(g_cropKey).toBool(), false);

  center.post(g_activateCropNotification, &window, {{g_cropKey, false}});
  EXPECT_FALSE(options->cropButton()->isEnabled());
}

TEST_F(ToolOptionsTest, TheChosenFontReachesOnlyTheToolSettings) {
  QFont start(QStringLiteral("DejaVu Sans"));
  start.setPointSizeF(12);
  scope.settings().textInfo().setFont(start);
  options->setFont();
  ASSERT_EQ(services.fontPanels.size(), 1u);
  EXPECT_EQ(services.fontPanels[0].font.pointSizeF(), 12.0);
  EXPECT_FALSE(services.fontPanels[0].multiple);
  ASSERT_EQ(services.fontDelegate, options.get());

  NotificationRecorder recorder({g_settingsChangeNotification});
  services.fontDelegate->changeFont([](const QFont& font) {
    QFont bigger = font;
    bigger.setPointSizeF(30);
    return bigger;
  });
  EXPECT_EQ(scope.settings().textInfo().fontValue().pointSizeF(), 30.0);
  // The strip shows the new font; the selection hears nothing.
  EXPECT_TRUE(options->fontDisplayField()->text().endsWith(QStringLiteral("30.0 pt.")));
  EXPECT_EQ(recorder.count(g_settingsChangeNotification), 0);
}

TEST_F(ToolOptionsTest, BoundControlsWriteTheirSettings) {
  const bool center = scope.settings().drawFromCenter();
  options->drawFromCenterButton(QStringLiteral("oval"))->click();
  EXPECT_EQ(scope.settings().drawFromCenter(), !center);
  const int32_t selector = scope.settings().pixelSelector();
  options->selectionShapes()->button(2)->click();
  EXPECT_EQ(scope.settings().pixelSelector(), 2);
  scope.settings().setPixelSelector(selector);

  const int32_t brush = scope.settings().brush();
  NotificationRecorder recorder({g_brushChangeNotification});
  options->blurBrushShapes()->button(3)->click();
  EXPECT_EQ(scope.settings().brush(), 3);
  EXPECT_EQ(recorder.count(g_brushChangeNotification), 1);
  scope.settings().setBrush(brush);
}

TEST_F(ToolOptionsTest, TheEyedropperAndScribbleTabsHoldTheirSettings) {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  struct Case {
    DRTool tool;
    const char* tab;
  } const cases[] = {{kToolEyedropper, "color"}, {kToolScribble, "scribble"}};
  for (const Case& row : cases) {
    center.post(g_toolChangedNotification, &window, {{g_toolKey, int(row.tool)}});
    EXPECT_EQ(container->selectedIdentifier(), QLatin1String(row.tab));
  }

  // The eyedropper's colour target: each row writes its number.
  const int32_t target = scope.settings().colorTarget();
  for (int row : {2, 1, 0}) {
    options->colorTargets()->button(row)->click();
    EXPECT_EQ(scope.settings().colorTarget(), row);
  }
  scope.settings().setColorTarget(target);

  // The scribble's closing distance is the polygon tolerance: both pages agree.
  options->scribbleToleranceSlider()->setDoubleValue(7.5);
  EXPECT_EQ(scope.settings().polygonTolerance(), MeasureUnit(7.5 * 12700));
  EXPECT_DOUBLE_EQ(options->polygonToleranceSlider()->doubleValue(), 7.5);
  options->polygonToleranceSlider()->setDoubleValue(4);
  EXPECT_DOUBLE_EQ(options->scribbleToleranceSlider()->doubleValue(), 4);
}

}  // namespace
