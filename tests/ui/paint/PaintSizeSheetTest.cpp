// The painting size sheet, for a new painting and for the painting of a tab.

#include <QCheckBox>
#include <QPushButton>
#include <QTest>

#include "PaintFixture.h"
#include "support/widgets/CSMeasureField.h"
#include "platform/NotificationCenter.h"
#include "ui/FakeHelpViewer.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/DRInspectorDialogs.h"
#include "ui/paint/DRPaintingSizeDialog.h"
#include "ui/shell/DRPrefController.h"

namespace {

MeasureUnit Pt(double points) {
  return MeasureUnit(points * double(kMeasurePerPoint));
}

class PaintSizeSheetTest : public PaintTest {
 protected:
  void SetUp() override {
    PaintTest::SetUp();
    SetEditorDialogs(&dialogs);
    m_center = DRPrefController::sharedInstance().centerPainting();
  }
  void TearDown() override {
    for (auto* sheet : controller->window()->findChildren<DRPaintingSizeDialog*>()) sheet->handleCancel();
    Spin();
    SetEditorDialogs(nullptr);
    SetDistanceUnitProvider(nullptr);
    DRPrefController::sharedInstance().setCenterPainting(m_center);
    PaintTest::TearDown();
  }
  DRPaintingSizeDialog* shownSheet() const {
    for (auto* sheet : controller->window()->findChildren<DRPaintingSizeDialog*>()) {
      if (sheet->isVisible()) return sheet;
    }
    return nullptr;
  }
  static void typeOnly(QLineEdit* field, const QString& text) {
    field->setFocus();
    field->selectAll();
    QTest::keyClicks(field, text);
  }

  DRInspectorDialogs dialogs;
  FakeHelpViewer help;

 private:
  bool m_center = true;
};

TEST_F(PaintSizeSheetTest, ANewPaintingAsksWithoutTheCheckBox) {
  auto* item = new QAction(QStringLiteral("newPainting:"), controller->window());
  controller->drawVC()->newPainting(item);
  DRPaintingSizeDialog* sheet = shownSheet();
  ASSERT_TRUE(sheet);
  EXPECT_EQ(sheet->objectName(), QStringLiteral("PaintingSizeDialog"));
  EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
  EXPECT_EQ(sheet->width(), Pt(288));
  EXPECT_EQ(sheet->height(), Pt(288));
  EXPECT_TRUE(sheet->centerCheckbox()->isHidden());
  sheet->helpButton()->click();
  ASSERT_EQ(help.shown.size(), 1u);
  EXPECT_EQ(help.shown.front().first, 67);

  typeOnly(sheet->widthField(), QStringLiteral("100"));
  const size_t before = drawing()->elements().size();
  sheet->okButton()->click();
  Spin();
  EXPECT_FALSE(shownSheet());
  ASSERT_EQ(drawing()->elements().size(), before + 1);
  auto* added = dynamic_cast<DRElementBitmap*>(drawing()->elements().back().get());
  ASSERT_TRUE(added);
  EXPECT_EQ(added->painting()->originalSize(), QSizeF(100, 288));
}

TEST_F(PaintSizeSheetTest, SetSizeShowsTheCentreChoiceAndResizes) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  ASSERT_TRUE(vc);
  DRPrefController::sharedInstance().setCenterPainting(false);
  ASSERT_TRUE(send(vc, QStringLiteral("setPaintingSize:")));
  DRPaintingSizeDialog* sheet = shownSheet();
  ASSERT_TRUE(sheet);
  EXPECT_FALSE(sheet->centerCheckbox()->isHidden());
  EXPECT_FALSE(sheet->centerCheckbox()->isChecked());
  EXPECT_EQ(sheet->width(), Pt(40));
  EXPECT_EQ(sheet->height(), Pt(30));

  // A unit change shows the same size in the new unit.
  const QString pointsText = sheet->widthField()->text();
  SetDistanceUnitProvider([] { return kDistanceUnitInches; });
  NotificationCenter::defaultCenter().post(g_unitsChangedNotification, nullptr);
  EXPECT_EQ(sheet->width(), Pt(40));
  EXPECT_EQ(sheet->height(), Pt(30));
  EXPECT_NE(sheet->widthField()->text(), pointsText);
  EXPECT_TRUE(sheet->widthField()->text().startsWith(QStringLiteral("0.55"))) << sheet->widthField()->text().toStdString();
  EXPECT_TRUE(sheet->heightField()->text().startsWith(QStringLiteral("0.41"))) << sheet->heightField()->text().toStdString();
  SetDistanceUnitProvider(nullptr);
  NotificationCenter::defaultCenter().post(g_unitsChangedNotification, nullptr);
  EXPECT_EQ(sheet->widthField()->text(), pointsText);

  sheet->centerCheckbox()->click();
  typeOnly(sheet->widthField(), QStringLiteral("60"));
  typeOnly(sheet->heightField(), QStringLiteral("50"));
  sheet->okButton()->click();
  Spin();
  EXPECT_TRUE(DRPrefController::sharedInstance().centerPainting());
  EXPECT_EQ(vc->painting()->pixmap()->width(), 60);
  EXPECT_EQ(vc->painting()->pixmap()->height(), 50);
  // Centred: the red picture sits in the middle of the wider painting.
  const uint32_t red = pixelAt(vc, 30, 25);
  EXPECT_EQ(PixelRed(red), 255u);
  EXPECT_EQ(PixelGreen(red), 0u);
  EXPECT_NE(pixelAt(vc, 0, 0), red);
  EXPECT_NE(pixelAt(vc, 59, 49), red);
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Resize Painting"));
}

TEST_F(PaintSizeSheetTest, CancelLeavesSizeAndChoice) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  ASSERT_TRUE(vc);
  DRPrefController::sharedInstance().setCenterPainting(true);
  ASSERT_TRUE(send(vc, QStringLiteral("setPaintingSize:")));
  DRPaintingSizeDialog* sheet = shownSheet();
  ASSERT_TRUE(sheet);
  EXPECT_TRUE(sheet->centerCheckbox()->isChecked());
  sheet->centerCheckbox()->click();
  typeOnly(sheet->widthField(), QStringLiteral("60"));
  sheet->cancelButton()->click();
  Spin();
  EXPECT_FALSE(shownSheet());
  EXPECT_TRUE(DRPrefController::sharedInstance().centerPainting());
  EXPECT_EQ(vc->painting()->pixmap()->width(), 40);
  EXPECT_EQ(vc->undoManager().undoCount(), 0);
}

TEST_F(PaintSizeSheetTest, SizesBeyondTheCapsAreRefused) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  ASSERT_TRUE(vc);
  ASSERT_TRUE(send(vc, QStringLiteral("setPaintingSize:")));
  DRPaintingSizeDialog* sheet = shownSheet();
  ASSERT_TRUE(sheet);
  // One side beyond the largest: the formatter refuses it, the sheet stays.
  QString error;
  typeOnly(sheet->widthField(), QStringLiteral("40000"));
  EXPECT_FALSE(sheet->widthField()->acceptsText(&error));
  EXPECT_TRUE(error.startsWith(QStringLiteral("Value is larger than the maximum of"))) << error.toStdString();

  // Both sides allowed, but too many pixels together: the painting stays,
  // no step is left and the command beeps.
  sheet->widthField()->setMeasureValue(Pt(32000));
  sheet->heightField()->setMeasureValue(Pt(32000));
  sheet->setWidth(Pt(32000));
  sheet->setHeight(Pt(32000));
  sheet->okButton()->click();
  Spin();
  EXPECT_EQ(vc->painting()->pixmap()->width(), 40);
  EXPECT_EQ(vc->undoManager().undoCount(), 0);
  EXPECT_EQ(beeps, 1);
}

}  // namespace
