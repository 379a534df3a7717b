// The panes of a painting tab: size, mask, paint-wide options and greys.

#include <QButtonGroup>
#include <QCheckBox>
#include <QLineEdit>
#include <QPushButton>
#include <QSlider>
#include <QTest>

#include "PaintFixture.h"
#include "support/widgets/CSMeasureField.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/inspector/CSPropertyPane.h"
#include "ui/inspector/DRGrayPalette.h"
#include "ui/inspector/DRPaneRegistry.h"
#include "ui/paint/DRPropPaintGlobalVC.h"
#include "ui/paint/DRPropPaintGraysVC.h"
#include "ui/paint/DRPropPaintMaskVC.h"
#include "ui/paint/DRPropPaintSizeVC.h"

namespace {

// Types the text into the field as the user would and ends the edit.
void Type(QLineEdit* field, const QString& text) {
  field->setFocus();
  field->selectAll();
  QTest::keyClicks(field, text);
  QTest::keyClick(field, Qt::Key_Return);
}

MeasureUnit Pt(double points) {
  return MeasureUnit(points * double(kMeasurePerPoint));
}

class PaintPaneTest : public PaintTest {
 protected:
  void TearDown() override {
    m_panes.clear();
    SetDistanceUnitProvider(nullptr);
    PaintTest::TearDown();
  }
  // A pane of the window, awake, as the property view makes it.
  template <class Pane>
  Pane* makePane() {
    auto pane = std::make_unique<Pane>();
    pane->setWindowController(controller);
    Pane* raw = pane.get();
    m_panes.push_back(std::move(pane));
    return raw;
  }

 private:
  std::vector<std::unique_ptr<QWidget>> m_panes;
};

TEST_F(PaintPaneTest, TheInspectorMakesEveryPaintingPane) {
  InstallInspectorPaneFactory();
  const char* names[] = {"DRPropPaintSizeVC", "DRPropPaintMaskVC", "DRPropPaintGlobalVC", "DRPropPaintGraysVC"};
  for (const char* name : names) {
    std::unique_ptr<QWidget> pane(DRPaneRegistry::shared().makePane(QString::fromLatin1(name), QString(), nullptr));
    ASSERT_TRUE(pane) << name;
    EXPECT_STREQ(pane->metaObject()->className(), name);
  }
}

TEST_F(PaintPaneTest, SizePaneShowsAndResizesThePainting) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  ASSERT_TRUE(vc);
  auto* pane = makePane<DRPropPaintSizeVC>();
  EXPECT_EQ(pane->widthField()->measureValue(), Pt(40));
  EXPECT_EQ(pane->heightField()->measureValue(), Pt(30));

  // A commit without typing does nothing.
  NotificationRecorder sizes({g_sizeChangeNotification}, controller->window());
  pane->widthField()->setFocus();
  emit pane->widthField()->editingFinished();
  EXPECT_EQ(sizes.count(g_sizeChangeNotification), 0);

  // Two typed edits post "noUndo" size changes and merge into one step.
  Type(pane->widthField(), QStringLiteral("50"));
  // The pane's own notice, beside the controller's answer to it.
  const auto typed = std::find_if(sizes.posted().begin(), sizes.posted().end(), [](const CSNotification& posted) {
    return posted.userInfo.value(QStringLiteral("noUndo")).toBool();
  });
  ASSERT_NE(typed, sizes.posted().end());
  EXPECT_EQ(MeasureValue(typed->userInfo.value(QStringLiteral("width"))), Pt(50));
  Type(pane->heightField(), QStringLiteral("20"));
  EXPECT_EQ(vc->painting()->pixmap()->width(), 50);
  EXPECT_EQ(vc->painting()->pixmap()->height(), 20);
  EXPECT_EQ(vc->undoManager().undoCount(), 1);
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Size"));
  vc->undoEdit(nullptr);
  EXPECT_EQ(vc->painting()->pixmap()->width(), 40);
  EXPECT_EQ(vc->painting()->pixmap()->height(), 30);
}

TEST_F(PaintPaneTest, SizePaneIgnoresTheCornerDragAndFollowsTheUnit) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  ASSERT_TRUE(vc);
  auto* pane = makePane<DRPropPaintSizeVC>();
  NotificationCenter::defaultCenter().post(
      g_sizeChangeNotification, controller->window(),
      {{QStringLiteral("width"), NumberWithMeasure(Pt(99))},
       {QStringLiteral("transient"), true},
       {QStringLiteral("resizing"), true}});
  EXPECT_EQ(pane->widthField()->measureValue(), Pt(40));
  NotificationCenter::defaultCenter().post(g_sizeChangeNotification, controller->window(),
                                           {{QStringLiteral("width"), NumberWithMeasure(Pt(60))},
                                            {QStringLiteral("transient"), true}});
  EXPECT_EQ(pane->widthField()->measureValue(), Pt(60));

  SetDistanceUnitProvider([] { return kDistanceUnitInches; });
  NotificationCenter::defaultCenter().post(g_unitsChangedNotification, nullptr);
  EXPECT_TRUE(pane->heightField()->text().startsWith(QStringLiteral("0.41"))) << pane->heightField()->text().toStdString();
}

// A typed size that the painting refuses (more pixels than a pixmap may
// hold) or already has leaves no step, and the next edit still records one.
TEST_F(PaintPaneTest, SizePaneLeavesNoStepForASizeThatChangesNothing) {
  DRPaintVC* vc = openSolid(QSize(40, 4000), Qt::red);
  ASSERT_TRUE(vc);
  auto* pane = makePane<DRPropPaintSizeVC>();
  struct Case {
    const char* typed;
    const char* why;
  };
  const Case cases[] = {{"32000", "32,000 x 4,000 pixels pass the pixmap cap"}, {"40", "the width it has"}};
  for (const Case& row : cases) {
    Type(pane->widthField(), QString::fromLatin1(row.typed));
    EXPECT_EQ(vc->painting()->pixmap()->width(), 40) << row.why;
    EXPECT_EQ(vc->undoManager().undoCount(), 0) << row.why;
    EXPECT_EQ(pane->widthField()->measureValue(), Pt(40)) << row.why;
  }
  Type(pane->widthField(), QStringLiteral("50"));
  EXPECT_EQ(vc->painting()->pixmap()->width(), 50);
  EXPECT_EQ(vc->undoManager().undoCount(), 1);
  vc->undoEdit(nullptr);
  EXPECT_EQ(vc->painting()->pixmap()->width(), 40);
}

TEST_F(PaintPaneTest, SizePanePostsNothingOnALockedDrawing) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  ASSERT_TRUE(vc);
  auto* pane = makePane<DRPropPaintSizeVC>();
  drawing()->setLocked(true);
  NotificationRecorder sizes({g_sizeChangeNotification}, controller->window());
  Type(pane->widthField(), QStringLiteral("50"));
  drawing()->setLocked(false);
  EXPECT_EQ(sizes.count(g_sizeChangeNotification), 0);
  EXPECT_EQ(vc->painting()->pixmap()->width(), 40);
  EXPECT_EQ(vc->undoManager().undoCount(), 0);
}

TEST_F(PaintPaneTest, MaskPaneAddsAndDeletesTheMask) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::white);
  ASSERT_TRUE(vc);
  auto* pane = makePane<DRPropPaintMaskVC>();
  EXPECT_EQ(pane->changeMaskButton()->text(), QStringLiteral("Add Mask"));
  EXPECT_FALSE(DRPropPaintMaskVC::groupEnabled(pane->editOption()));
  EXPECT_EQ(pane->displayOption()->checkedId(), 2);

  NotificationRecorder recorder({g_editMaskNotification, g_redrawPaintNotification});
  pane->changeMaskButton()->click();
  EXPECT_TRUE(vc->hasMask());
  EXPECT_EQ(pane->editOption()->checkedId(), 0);
  EXPECT_EQ(pane->displayOption()->checkedId(), 0);
  EXPECT_TRUE(DRPropPaintMaskVC::groupEnabled(pane->editOption()));
  EXPECT_TRUE(DRPropPaintMaskVC::groupEnabled(pane->displayOption()));
  EXPECT_EQ(pane->changeMaskButton()->text(), QStringLiteral("Delete Mask"));
  EXPECT_FALSE(pane->opaqueButton()->isEnabled());
  EXPECT_EQ(recorder.count(g_editMaskNotification), 1);
  EXPECT_GE(recorder.count(g_redrawPaintNotification), 1);
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Mask"));

  pane->editOption()->button(1)->click();
  EXPECT_EQ(vc->pixmapMode(), kPixmapModeMask);
  pane->displayOption()->button(1)->click();
  EXPECT_EQ(vc->pixmapDisplay(), kPixmapDisplayAlpha);

  pane->changeMaskButton()->click();
  EXPECT_FALSE(vc->hasMask());
  EXPECT_EQ(pane->editOption()->checkedId(), 0);
  EXPECT_EQ(pane->displayOption()->checkedId(), 2);
  EXPECT_FALSE(DRPropPaintMaskVC::groupEnabled(pane->editOption()));
  EXPECT_FALSE(DRPropPaintMaskVC::groupEnabled(pane->displayOption()));
  EXPECT_EQ(vc->undoManager().undoCount(), 2);
}

TEST_F(PaintPaneTest, AFailedMaskToggleLeavesNoStep) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  ASSERT_TRUE(vc);
  auto* pane = makePane<DRPropPaintMaskVC>();
  pane->changeMaskButton()->click();
  EXPECT_FALSE(vc->hasMask());
  EXPECT_EQ(vc->undoManager().undoCount(), 0);
  EXPECT_EQ(CSRecordingAlertPresenter::shared().alerts().size(), 1u);
}

TEST_F(PaintPaneTest, GlobalPanePostsItsOptions) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  ASSERT_TRUE(vc);
  DRSettings& settings = DRSettings::sharedInstance();
  const uint64_t tolerance = settings.paintTolerance();
  auto* pane = makePane<DRPropPaintGlobalVC>();
  NotificationRecorder recorder(
      {g_paintToleranceNotification, g_redrawPaintNotification, g_checkerboardNotification});

  pane->toleranceSlider()->setValue(37);
  EXPECT_EQ(settings.paintTolerance(), 37u);
  EXPECT_EQ(pane->toleranceField()->text(), QStringLiteral("37"));
  Type(pane->toleranceField(), QStringLiteral("12"));
  EXPECT_EQ(settings.paintTolerance(), 12u);
  EXPECT_EQ(pane->toleranceSlider()->value(), 12);
  EXPECT_EQ(recorder.count(g_paintToleranceNotification), 2);

  pane->gridBox()->click();
  EXPECT_EQ(settings.showPaintGrid(), pane->gridBox()->isChecked());
  EXPECT_EQ(recorder.count(g_redrawPaintNotification), 1);
  pane->checkerboardSlider()->setValue(pane->checkerboardSlider()->value() == 3 ? 4 : 3);
  EXPECT_EQ(settings.checkerboardExponent(), double(pane->checkerboardSlider()->value()));
  EXPECT_EQ(recorder.count(g_checkerboardNotification), 1);
  settings.setPaintTolerance(tolerance);
}

TEST_F(PaintPaneTest, GraysPaneSetsTheGray) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  ASSERT_TRUE(vc);
  auto* pane = makePane<DRPropPaintGraysVC>();
  DRGrayPalette* palette = pane->palette();
  EXPECT_EQ(palette->notificationWindow(), controller->window());
  pane->resize(200, 200);
  palette->resize(164, 164);
  const double cell = palette->cellSize();
  ASSERT_GT(cell, 0);
  // The second row's fourth cell.
  QTest::mouseClick(palette, Qt::LeftButton, Qt::NoModifier, QPoint(int(cell * 3.5), int(cell * 1.5)));
  const int gray = palette->grayAtPoint(QPointF(cell * 3.5, cell * 1.5));
  EXPECT_EQ(palette->selectedGray(), uint64_t(gray));
  const Kolor fill = DRSettings::sharedInstance().fillKolor();
  EXPECT_EQ(KolorRed(fill), gray);
  EXPECT_EQ(KolorGreen(fill), gray);
  EXPECT_EQ(KolorBlue(fill), gray);
}

}  // namespace
