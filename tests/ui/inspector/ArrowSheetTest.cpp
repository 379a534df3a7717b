// The arrow sheet on a real drawing window: the standard and recent lists,
// the head and fill controls, the editor, and OK for the selection or for
// the default arrow alone.

#include <QCheckBox>
#include <QColorDialog>
#include <QListWidget>
#include <QPointer>
#include <QPushButton>
#include <array>

#include "../shell/ShellTestSupport.h"
#include "model/DRElementLine.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/EventDriver.h"
#include "ui/FakeClipboardServices.h"
#include "ui/FakeEditorPrefs.h"
#include "ui/NotificationRecorder.h"
#include "ui/inspector/CSColorWell.h"
#include "ui/inspector/DRArrowDialog.h"
#include "ui/inspector/DRArrowExample.h"
#include "ui/inspector/DRArrowView.h"
#include "ui/shell/DRWindowController.h"

namespace {

constexpr MeasureUnit kPt = kMeasurePerPoint;

class ArrowSheetTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    controller = new DRWindowController(std::make_unique<DRDrawing>());
    controller->window()->resize(900, 900);
    controller->window()->show();
    Spin();
  }
  void TearDown() override {
    if (sheet) sheet->handleCancel();
    Spin();
    ClosePanels();
    NotificationQueue::defaultQueue().flush();
    ShellTest::TearDown();
  }

  DRDrawing* drawing() const { return controller->drawing(); }
  DRElementLine* addLine(const std::optional<DRArrow>& arrow) {
    auto line = std::make_unique<DRElementLine>();
    line->setFrame(PtRect(10, 10 + 30 * double(drawing()->elements().size()), 100, 20));
    line->setArrow(arrow);
    DRElementLine* raw = line.get();
    drawing()->elements().push_back(std::move(line));
    return raw;
  }
  void select(std::vector<DRElement*> elements) {
    controller->drawView()->setSelection(std::move(elements));
    controller->drawView()->selectionDidChange();
  }
  CSUndoManager& undo() { return controller->drawVC()->undoManager(); }
  DRArrowDialog* run(const std::optional<DRArrow>& arrow, bool modifySelection) {
    sheet = DRArrowDialog::runArrowSheet(arrow, controller, modifySelection);
    return sheet.data();
  }
  static DRArrow Closed(MeasureUnit x) {
    DRArrow arrow = *DRArrow::standardArrow(kArrowTypeClosed);
    arrow.setXControl(x);
    return arrow;
  }

  FakeModelServices services;
  FakeEditorPrefs prefs;
  FakeClipboardServices clipboard;
  SettingsScope settings;
  DRWindowController* controller = nullptr;
  QPointer<DRArrowDialog> sheet;
};

TEST_F(ArrowSheetTest, WithoutAnArrowTheSheetOpensOnStandardArrowThree) {
  services.recentArrows() = {*DRArrow::standardArrow(kArrowTypeBall), Closed(4 * kPt)};
  // Lines of differing kinds give an arrow of no kind: opened as none.
  DRArrow mixedKinds = Closed(kPt);
  mixedKinds.setType(kArrowTypeNone);
  ASSERT_NE(run(mixedKinds, true), nullptr);
  ASSERT_TRUE(sheet->arrow());
  EXPECT_EQ(*sheet->arrow(), *DRArrow::standardArrow(3));
  sheet->handleCancel();
  Spin();

  ASSERT_NE(run(std::nullopt, false), nullptr);
  EXPECT_EQ(sheet->helpTopic(), 60);
  EXPECT_EQ(sheet->standardArrows()->count(), 6);
  EXPECT_EQ(sheet->recentArrows()->count(), 2);
  EXPECT_EQ(sheet->standardArrows()->currentRow(), 2);
  ASSERT_TRUE(sheet->arrow());
  EXPECT_EQ(*sheet->arrow(), *DRArrow::standardArrow(3));
  EXPECT_EQ(sheet->editView()->arrow(), *DRArrow::standardArrow(3));
  EXPECT_EQ(*sheet->exampleView()->arrow(), *DRArrow::standardArrow(3));

  // Either list chooses the arrow; the fill box follows the kind.
  struct Pick {
    QListWidget* list;
    int row;
    DRArrow arrow;
    bool fillEnabled;
  };
  const Pick picks[] = {
      {sheet->recentArrows(), 1, Closed(4 * kPt), true},
      {sheet->standardArrows(), 0, *DRArrow::standardArrow(1), false},
      {sheet->recentArrows(), 0, *DRArrow::standardArrow(kArrowTypeBall), true},
      {sheet->standardArrows(), 1, *DRArrow::standardArrow(2), false},
  };
  for (const Pick& p : picks) {
    p.list->setCurrentRow(p.row);
    ASSERT_TRUE(sheet->arrow());
    EXPECT_EQ(*sheet->arrow(), p.arrow) << p.row;
    EXPECT_EQ(sheet->editView()->arrow(), p.arrow) << p.row;
    EXPECT_EQ(sheet->fillButton()->isEnabled(), p.fillEnabled) << p.row;
  }
}

TEST_F(ArrowSheetTest, OkGivesTheSelectedLinesTheArrowInOneUndoStepAndMakesItTheDefault) {
  DRElementLine* line = addLine(std::nullopt);
  DRElementLine* other = addLine(std::nullopt);
  select({line});
  ASSERT_NE(run(Closed(2 * kPt), true), nullptr);
  NotificationRecorder changes({QStringLiteral("twdraw.arrowChange")}, controller->window());

  // Drag the head's tip point one point outwards in the editor.
  DRArrowView* editor = sheet->editView();
  std::array<QPointF, kMaxArrowControls> points;
  ASSERT_EQ(editor->controlPoints(points), 2);
  EventDriver(editor).drag(points[0], {points[0] + QPointF(5, 0)}, points[0] + QPointF(10, 0));
  ASSERT_TRUE(sheet->arrow());
  EXPECT_EQ(sheet->arrow()->xControl(), 3 * kPt);
  EXPECT_EQ(sheet->exampleView()->arrow()->xControl(), 3 * kPt);

  sheet->okButton()->click();
  Spin();
  NotificationQueue::defaultQueue().flush();
  EXPECT_FALSE(sheet);
  ASSERT_TRUE(line->arrow());
  EXPECT_EQ(*line->arrow(), Closed(3 * kPt));
  EXPECT_FALSE(other->arrow());
  ASSERT_TRUE(DRSettings::sharedInstance().arrow());
  EXPECT_EQ(*DRSettings::sharedInstance().arrow(), Closed(3 * kPt));
  EXPECT_EQ(changes.posted().size(), 1u);

  undo().undo();
  const auto* restored = dynamic_cast<const DRElementLine*>(drawing()->elements().at(0).get());
  ASSERT_NE(restored, nullptr);
  EXPECT_FALSE(restored->arrow());
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(ArrowSheetTest, BothHeadsOffRemovesTheArrowsAndLeavesNoDefault) {
  DRElementLine* line = addLine(Closed(2 * kPt));
  select({line});
  DRSettings::sharedInstance().setArrow(Closed(2 * kPt));
  DRArrow both = Closed(2 * kPt);
  both.setOnStart(1);
  ASSERT_NE(run(both, true), nullptr);
  ASSERT_TRUE(sheet->startButton()->isChecked());
  sheet->startButton()->click();
  sheet->endButton()->click();
  ASSERT_TRUE(sheet->arrow());
  EXPECT_EQ(sheet->arrow()->onStart(), 0);
  EXPECT_EQ(sheet->arrow()->onEnd(), 0);
  sheet->okButton()->click();
  Spin();
  EXPECT_FALSE(line->arrow());
  EXPECT_FALSE(DRSettings::sharedInstance().arrow());
  EXPECT_TRUE(undo().isUndoAvailable());
}

TEST_F(ArrowSheetTest, FromTheToolOptionsOrOnALockedDrawingOnlyTheDefaultChanges) {
  struct Case {
    const char* what;
    bool modifySelection;
    bool locked;
  };
  const Case cases[] = {{"tool options", false, false}, {"locked drawing", true, true}};
  for (const Case& c : cases) {
    DRElementLine* line = addLine(std::nullopt);
    select({line});
    drawing()->setLocked(c.locked);
    DRSettings::sharedInstance().setArrow(std::nullopt);
    NotificationRecorder changes({QStringLiteral("twdraw.arrowChange")}, controller->window());
    ASSERT_NE(run(Closed(kPt), c.modifySelection), nullptr) << c.what;
    sheet->okButton()->click();
    Spin();
    NotificationQueue::defaultQueue().flush();
    EXPECT_FALSE(line->arrow()) << c.what;
    EXPECT_FALSE(undo().isUndoAvailable()) << c.what;
    ASSERT_TRUE(DRSettings::sharedInstance().arrow()) << c.what;
    EXPECT_EQ(*DRSettings::sharedInstance().arrow(), Closed(kPt)) << c.what;
    EXPECT_EQ(changes.posted().size(), 1u) << c.what;
    drawing()->setLocked(false);
  }
}

TEST_F(ArrowSheetTest, TheOwnFillBoxGivesBlackAndTheColourPanelAndCancelChangesNothing) {
  DRElementLine* line = addLine(Closed(2 * kPt));
  select({line});
  ASSERT_NE(run(Closed(2 * kPt), true), nullptr);
  EXPECT_FALSE(sheet->differentFillButton()->isChecked());
  EXPECT_EQ(sheet->fillColorSwatch()->kolor(), g_whiteKolor);

  sheet->differentFillButton()->click();
  EXPECT_EQ(sheet->arrow()->fillKolor(), g_blackKolor);
  EXPECT_EQ(sheet->fillColorSwatch()->kolor(), g_blackKolor);
  EXPECT_TRUE(sheet->fillColorSwatch()->isActive());
  ASSERT_NE(SharedColorDialog(false), nullptr);
  EXPECT_TRUE(SharedColorDialog(false)->isVisible());
  EXPECT_TRUE(SharedColorDialog(false)->testOption(QColorDialog::ShowAlphaChannel));

  // A colour chosen in the panel becomes the head's own.
  const Kolor red = MakeKolor(255, 0, 0, 50);
  SharedColorDialog(false)->setCurrentColor(ColorFromKolor(red));
  EXPECT_EQ(sheet->arrow()->fillKolor(), red);
  EXPECT_TRUE(sheet->differentFillButton()->isChecked());

  sheet->differentFillButton()->click();
  EXPECT_EQ(sheet->arrow()->fillKolor(), g_nilKolor);
  EXPECT_EQ(sheet->fillColorSwatch()->kolor(), g_whiteKolor);
  // The panel no longer colours the head.
  SharedColorDialog(false)->setCurrentColor(Qt::blue);
  EXPECT_EQ(sheet->arrow()->fillKolor(), g_nilKolor);
  EXPECT_FALSE(sheet->differentFillButton()->isChecked());

  sheet->cancelButton()->click();
  Spin();
  EXPECT_FALSE(sheet);
  EXPECT_EQ(*line->arrow(), Closed(2 * kPt));
  EXPECT_FALSE(undo().isUndoAvailable());
}

}  // namespace
