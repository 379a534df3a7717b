// The gradient sheet on a real drawing window: how it opens from a well,
// how its controls follow the kind, typing and drops, and what OK and
// Remove give the selection.

#include <QApplication>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QLineEdit>
#include <QPushButton>
#include <QRadioButton>
#include <QtTest/QTest>

#include "PaneTestSupport.h"
#include "model/DRElementRectangle.h"
#include "model/DRKeyTable.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSDragPasteboard.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/EventDriver.h"
#include "ui/FakeHelpViewer.h"
#include "ui/inspector/CSCoordinateView.h"
#include "ui/inspector/CSRadioMatrix.h"
#include "ui/inspector/DRGradientClip.h"
#include "ui/inspector/DRGradientColorStopView.h"
#include "ui/inspector/DRGradientDialog.h"
#include "ui/inspector/DRGradientWell.h"
#include "ui/shell/DRAppController.h"

namespace {

DRGradient Gradient(bool radial, CSPoint center, int64_t angle, std::vector<CSGradientStop> stops) {
  DRGradient gradient;
  gradient.setRadial(radial);
  gradient.setRadialCenter(center);
  gradient.setLinearAngle(angle);
  gradient.setStops(std::move(stops));
  return gradient;
}

const DRGradient kRedToBlue = Gradient(false, {}, 1143000, {{0, 0x64FF0000}, {6350, 0x6400FF00}, {12700, 0x640000FF}});

class GradientDialogTest : public DrawingWindowTest {
 protected:
  GradientDialogTest() : DrawingWindowTest(QSize(900, 700)) {}

  void prepareWindow() override {
    CreateXmlDecoder();
    DRBarEditor::setBeepFunction([this] { ++beeps; });
    app = std::make_unique<DRAppController>();
  }
  void TearDown() override {
    DrawingWindowTest::TearDown();
    app.reset();
    DRBarEditor::setBeepFunction(nullptr);
  }

  DRElementClosed* element(size_t index) const {
    return static_cast<DRElementClosed*>(DrawingWindowTest::element(index));
  }
  DRElementRectangle* addRect(Kolor fill) {
    auto rect = std::make_unique<DRElementRectangle>();
    rect->setFrame(PtRect(10 + 60 * double(drawing()->elements().size()), 10, 40, 40));
    rect->setFillKolor(fill);
    return add(std::move(rect));
  }
  DRGradientDialog* shownSheet() const {
    for (DRGradientDialog* sheet : controller->window()->findChildren<DRGradientDialog*>()) {
      if (sheet->isVisible()) return sheet;
    }
    return nullptr;
  }
  DRGradientDialog* open(const std::optional<DRGradient>& gradient) {
    DRGradientDialog* sheet = DRGradientDialog::runGradientSheet(gradient, controller);
    EXPECT_EQ(sheet, shownSheet());
    return sheet;
  }
  // Types the text and ends the edit without pressing Return.
  static void type(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
    emit field->editingFinished();
  }

  FakeHelpViewer help;
  std::unique_ptr<DRAppController> app;
  int beeps = 0;
};

TEST_F(GradientDialogTest, AnEditableWellOpensTheSheetUnlessTheEditorCannotHoldItsStops) {
  auto* well = new DRGradientWell(controller->window());
  well->setGeometry(10, 10, 60, 30);
  well->setEditable(true);
  well->setWindowController(controller);
  well->show();
  EventDriver mouse(well);

  // Empty: a new default gradient.
  mouse.click(QPointF(30, 15));
  DRGradientDialog* sheet = shownSheet();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->gradient(), DRGradient());
  sheet->handleCancel();
  Spin();

  well->setGradient(kRedToBlue);
  mouse.click(QPointF(30, 15));
  sheet = shownSheet();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->gradient(), kRedToBlue);
  EXPECT_EQ(sheet->colorStopView()->gradient().stops(), kRedToBlue.stops());
  sheet->handleCancel();
  Spin();
  EXPECT_EQ(beeps, 0);

  // Eleven stops, as a drawing file may hold: a beep and no sheet, and the
  // gradient is kept whole.
  DRGradient eleven;
  std::vector<CSGradientStop> stops;
  for (int index = 0; index <= 10; ++index) stops.push_back({1270 * index, g_blackKolor});
  eleven.setStops(stops);
  well->setGradient(eleven);
  mouse.click(QPointF(30, 15));
  EXPECT_EQ(shownSheet(), nullptr);
  EXPECT_EQ(beeps, 1);
  ASSERT_TRUE(well->gradient());
  EXPECT_EQ(well->gradient()->stopCount(), 11u);
}

TEST_F(GradientDialogTest, SwitchingTheKindResetsTheAngleAndTheCentre) {
  DRGradientDialog* sheet = open(Gradient(true, {6350, -1270}, 0, {{0, g_blackKolor}, {12700, g_whiteKolor}}));
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->typeMatrix()->selectedTag(), DRGradientDialog::kRadialRow);
  EXPECT_EQ(sheet->xField()->measureValue(), 6350);
  EXPECT_EQ(sheet->yField()->measureValue(), -1270);
  EXPECT_DOUBLE_EQ(sheet->centerView()->x(), 0.5);
  EXPECT_FALSE(sheet->angleField()->isEnabled());
  EXPECT_TRUE(sheet->xField()->isEnabled());

  sheet->typeMatrix()->cellWithTag(DRGradientDialog::kLinearRow)->click();
  ASSERT_TRUE(sheet->gradient());
  EXPECT_FALSE(sheet->gradient()->isRadial());
  EXPECT_EQ(sheet->gradient()->linearAngle(), kDefaultLinearAngle);
  EXPECT_EQ(sheet->gradient()->radialCenter(), CSPoint{});
  EXPECT_EQ(sheet->angleField()->measureValue(), kDefaultLinearAngle);
  EXPECT_DOUBLE_EQ(sheet->angleSlider()->doubleValue(), 180);
  EXPECT_EQ(sheet->xField()->measureValue(), 0);
  EXPECT_DOUBLE_EQ(sheet->centerView()->x(), 0);
  EXPECT_FALSE(sheet->xField()->isEnabled());
  EXPECT_EQ(sheet->gradientWell()->gradient(), sheet->gradient());

  sheet->typeMatrix()->cellWithTag(DRGradientDialog::kRadialRow)->click();
  EXPECT_TRUE(sheet->gradient()->isRadial());
  EXPECT_EQ(sheet->gradient()->linearAngle(), 0);
  EXPECT_EQ(sheet->angleField()->measureValue(), 0);
}

TEST_F(GradientDialogTest, TypedValuesReachTheGradientTheCentreViewAndTheWell) {
  DRGradientDialog* sheet = open(Gradient(true, {}, 0, {{0, g_blackKolor}, {12700, g_whiteKolor}}));
  ASSERT_NE(sheet, nullptr);
  // Centre coordinates keep two decimals.
  type(sheet->xField(), QStringLiteral("0.256"));
  EXPECT_EQ(sheet->gradient()->radialCenter(), (CSPoint{3302, 0}));
  EXPECT_NEAR(sheet->centerView()->x(), 0.26, 1e-6);
  type(sheet->yField(), QStringLiteral("-1"));
  EXPECT_EQ(sheet->gradient()->radialCenter(), (CSPoint{3302, -12700}));
  EXPECT_EQ(sheet->gradientWell()->gradient(), sheet->gradient());

  sheet->typeMatrix()->cellWithTag(DRGradientDialog::kLinearRow)->click();
  type(sheet->angleField(), QStringLiteral("90"));
  EXPECT_EQ(sheet->gradient()->linearAngle(), 1143000);
  EXPECT_DOUBLE_EQ(sheet->angleSlider()->doubleValue(), 90);
  // A slider near a multiple of 45 degrees snaps to it.
  sheet->angleSlider()->setValue(int(272.0 / 360 * CSDoubleSlider::kSteps));
  EXPECT_EQ(sheet->gradient()->linearAngle(), 270 * 12700);
  EXPECT_EQ(sheet->gradientWell()->gradient(), sheet->gradient());
}

TEST_F(GradientDialogTest, TheFlipButtonReversesTheColorsInTheWellAndThenTheEditor) {
  DRGradientDialog* sheet = open(kRedToBlue);
  ASSERT_NE(sheet, nullptr);
  ASSERT_NE(sheet->flipButton(), nullptr);
  DRGradient flipped = kRedToBlue;
  flipped.flipColors();
  ASSERT_NE(flipped.stops(), kRedToBlue.stops());
  sheet->flipButton()->click();
  EXPECT_EQ(sheet->gradient(), flipped);
  EXPECT_EQ(sheet->gradientWell()->gradient(), flipped);
  QTest::qWait(250);
  EXPECT_EQ(sheet->colorStopView()->gradient().stops(), flipped.stops());
  // The angle field takes the focus, as after leaving the stop editor.
  EXPECT_EQ(QApplication::focusWidget(), sheet->angleField());
}

TEST_F(GradientDialogTest, ADropOnTheSheetsWellUpdatesEveryControl) {
  DRGradientDialog* sheet = open(std::nullopt);
  ASSERT_NE(sheet, nullptr);
  const DRGradient dropped =
      Gradient(true, {-12700, 6350}, 0, {{0, 0x64FF0000}, {3810, 0x3200FF00}, {12700, 0x640000FF}});
  const std::unique_ptr<QMimeData> data = GradientDragPasteboard(dropped);
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject*>(sheet->gradientWell())->event(&enter);
  ASSERT_TRUE(enter.isAccepted());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, data.get(), Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject*>(sheet->gradientWell())->event(&drop);
  ASSERT_TRUE(drop.isAccepted());

  EXPECT_EQ(sheet->gradient(), dropped);
  EXPECT_EQ(sheet->typeMatrix()->selectedTag(), DRGradientDialog::kRadialRow);
  EXPECT_EQ(sheet->xField()->measureValue(), -12700);
  EXPECT_EQ(sheet->yField()->measureValue(), 6350);
  EXPECT_DOUBLE_EQ(sheet->centerView()->x(), -1);
  EXPECT_DOUBLE_EQ(sheet->centerView()->y(), 0.5);
  EXPECT_EQ(sheet->colorStopView()->gradient().stops(), dropped.stops());
  EXPECT_TRUE(sheet->xField()->isEnabled());
}

TEST_F(GradientDialogTest, OKGivesTheGradientAndClearsTheFillWhileRemoveKeepsTheFill) {
  addRect(0x64FF0000);
  select({element(0)});
  for (int run = 0; run < 2; ++run) {
    DRGradientDialog* sheet = open(kRedToBlue);
    ASSERT_NE(sheet, nullptr);
    sheet->handleOK();
    Spin();
    EXPECT_EQ(shownSheet(), nullptr);
  }
  ASSERT_TRUE(element(0)->gradient());
  EXPECT_EQ(*element(0)->gradient(), kRedToBlue);
  EXPECT_EQ(element(0)->fillKolor(), g_nilKolor);
  // Applied twice, it stands once, at the front.
  EXPECT_EQ(app->recentGradients(), QList<DRGradient>{kRedToBlue});
  undo().undo();
  undo().undo();
  EXPECT_FALSE(element(0)->gradient());
  EXPECT_EQ(element(0)->fillKolor(), 0x64FF0000u);

  addRect(0x640000FF);
  element(1)->setGradient(kRedToBlue);
  select({element(1)});
  DRGradientDialog* sheet = open(kRedToBlue);
  ASSERT_NE(sheet, nullptr);
  sheet->removeButton()->click();
  Spin();
  EXPECT_EQ(shownSheet(), nullptr);
  EXPECT_FALSE(element(1)->gradient());
  EXPECT_EQ(element(1)->fillKolor(), 0x640000FFu);
  EXPECT_EQ(app->recentGradients().size(), 1);
}

TEST_F(GradientDialogTest, ALockedDrawingClosesTheSheetWithNothingChanged) {
  addRect(0x64FF0000);
  select({element(0)});
  drawing()->setLocked(true);
  DRGradientDialog* sheet = open(kRedToBlue);
  ASSERT_NE(sheet, nullptr);
  sheet->handleOK();
  Spin();
  EXPECT_EQ(shownSheet(), nullptr);
  EXPECT_FALSE(element(0)->gradient());
  EXPECT_EQ(element(0)->fillKolor(), 0x64FF0000u);
  EXPECT_TRUE(app->recentGradients().isEmpty());
}

}  // namespace
