// The dash-pattern and advanced line sheets on a real drawing window: what
// OK gives the selected lines (one undo step), what mixed values leave
// alone, a locked drawing, a refused length, and the pane that opened the
// dash sheet hearing of its close.

#include <QLineEdit>
#include <QPointer>
#include <QRadioButton>
#include <QToolButton>
#include <optional>
#include <vector>

#include "../shell/ShellTestSupport.h"
#include "model/DRElementRectangle.h"
#include "model/ElementTestSupport.h"
#include "model/FakeModelServices.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "support/widgets/InterfaceHelpers.h"
#include "ui/FakeClipboardServices.h"
#include "ui/FakeEditorPrefs.h"
#include "ui/editor/DRDrawVC.h"
#include "ui/editor/DRDrawView.h"
#include "ui/editor/EditorSetup.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/CSRadioMatrix.h"
#include "ui/inspector/DRAdvancedLineDialog.h"
#include "ui/inspector/DRLinePatternDialog.h"
#include "ui/inspector/DRLinePatternView.h"
#include "ui/inspector/DRPropBaseVC.h"
#include "ui/shell/DRWindowController.h"

namespace {

using Pattern = std::vector<MeasureUnit>;

// Stands in for the line pane that opens the sheets: it notes each time
// it is asked to show the selection.
class RecordingPane : public DRPropBaseVC {
 public:
  void selectionChanged() override { ++shown; }
  int shown = 0;
};

class LineSheetsTest : public ShellTest {
 protected:
  void SetUp() override {
    ShellTest::SetUp();
    SetupEditorResources();
    DRBarEditor::resetBarHeights();
    DRBarEditor::setBeepFunction([this] { ++beeps; });
    controller = new DRWindowController(std::make_unique<DRDrawing>());
    controller->window()->resize(900, 900);
    controller->window()->show();
    Spin();
  }
  void TearDown() override {
    DRBarEditor::setBeepFunction(nullptr);
    ClosePanels();
    ShellTest::TearDown();
  }

  DRDrawing* drawing() const { return controller->drawing(); }
  DRElement* element(size_t index) const { return drawing()->elements().at(index).get(); }
  const DRLineInfo& line(size_t index) const { return *element(index)->lineInfo(); }
  CSUndoManager& undo() { return controller->drawVC()->undoManager(); }

  // A rectangle whose line style is the default one changed by `change`.
  DRElement* addRect(const std::function<void(DRLineInfo&)>& change) {
    auto rect = std::make_unique<DRElementRectangle>();
    rect->setFrame(PtRect(10 + 60 * double(drawing()->elements().size()), 10, 40, 40));
    DRLineInfo info = settings.settings().lineInfo();
    info.setWidth(Pt(2));
    change(info);
    rect->setLineInfo(info);
    drawing()->elements().push_back(std::move(rect));
    return drawing()->elements().back().get();
  }
  DRElement* addDashed(const Pattern& pattern, MeasureUnit phase, bool scale = false) {
    return addRect([&](DRLineInfo& info) {
      info.setLineStyle(kLineStyleCustom);
      info.setPattern(pattern);
      info.setPhase(phase);
      info.setScalePattern(scale);
    });
  }
  void selectAll() {
    std::vector<DRElement*> all;
    for (const auto& element : drawing()->elements()) all.push_back(element.get());
    controller->drawView()->setSelection(std::move(all));
    controller->drawView()->selectionDidChange();
    Spin();
  }
  DRLinePatternDialog* openDashSheet() {
    pane.setWindowController(controller);
    pane.shown = 0;
    DRLinePatternDialog* sheet = DRLinePatternDialog::runSheetForWindow(controller, &pane);
    Spin();
    return sheet;
  }

  FakeModelServices services;
  FakeEditorPrefs prefs;
  FakeClipboardServices clipboard;
  SettingsScope settings;
  RecordingPane pane;
  DRWindowController* controller = nullptr;
  int beeps = 0;
};

TEST_F(LineSheetsTest, OkWithOneLengthMakesTheLinesSolidAndKeepsTheirPatterns) {
  const Pattern first{Pt(4), Pt(2)};
  const Pattern second{Pt(1), Pt(1), Pt(3), Pt(1)};
  addDashed(first, Pt(1));
  addDashed(second, Pt(3));
  selectAll();
  QPointer<DRLinePatternDialog> sheet = openDashSheet();
  ASSERT_TRUE(sheet);
  DRLinePatternView* view = sheet->linePatternView();
  // Different patterns open as one solid length.
  ASSERT_EQ(view->linePattern(), Pattern{Pt(1)});
  sheet->handleOK();
  Spin();
  EXPECT_FALSE(sheet);
  EXPECT_EQ(pane.shown, 1);
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(line(i).lineStyle(), kLineStyleSolid) << i;
    EXPECT_EQ(line(i).phase(), 0) << i;
  }
  EXPECT_EQ(line(0).pattern(), first);
  EXPECT_EQ(line(1).pattern(), second);
  // One step takes it all back.
  undo().undo();
  EXPECT_EQ(line(0).lineStyle(), kLineStyleCustom);
  EXPECT_EQ(line(0).phase(), Pt(1));
  EXPECT_EQ(line(1).phase(), Pt(3));
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(LineSheetsTest, ADashedPatternWithAMixedPhaseLeavesEachPhase) {
  const Pattern pattern{Pt(4), Pt(2)};
  addDashed(pattern, Pt(1), true);
  addDashed(pattern, Pt(2), false);
  addRect([](DRLineInfo& info) { info.setLineStyle(kLineStyleSolid); });
  const std::optional<Pattern> unselected = line(2).pattern();
  controller->drawView()->setSelection({element(0), element(1)});
  controller->drawView()->selectionDidChange();
  QPointer<DRLinePatternDialog> sheet = openDashSheet();
  ASSERT_TRUE(sheet);
  ASSERT_EQ(sheet->linePatternView()->linePattern(), pattern);
  ASSERT_EQ(sheet->phaseField()->text(), QStringLiteral("-"));
  ASSERT_TRUE(sheet->scalePatternButton()->isMixed());
  sheet->linePatternView()->addOrDelete(DRLinePatternView::kAddSegment);
  const Pattern edited = sheet->linePatternView()->linePattern();
  sheet->handleOK();
  Spin();
  EXPECT_EQ(line(0).phase(), Pt(1));
  EXPECT_EQ(line(1).phase(), Pt(2));
  EXPECT_TRUE(line(0).scalePattern());
  EXPECT_FALSE(line(1).scalePattern());
  for (size_t i = 0; i < 2; ++i) {
    EXPECT_EQ(line(i).pattern(), edited) << i;
    EXPECT_EQ(line(i).lineStyle(), kLineStyleCustom) << i;
  }
  // The unselected line is not touched.
  EXPECT_EQ(line(2).lineStyle(), kLineStyleSolid);
  EXPECT_EQ(line(2).pattern(), unselected);
}

TEST_F(LineSheetsTest, ADashedPatternTakesTheTypedPhaseAndScaling) {
  addRect([](DRLineInfo& info) { info.setLineStyle(kLineStyleDash); });
  selectAll();
  QPointer<DRLinePatternDialog> sheet = openDashSheet();
  ASSERT_TRUE(sheet);
  ASSERT_EQ(sheet->linePatternView()->linePattern(), (Pattern{63500, 25400}));
  sheet->phaseField()->setText(QStringLiteral("1.234"));
  sheet->scalePatternButton()->setChecked(true);
  sheet->handleOK();
  Spin();
  EXPECT_EQ(line(0).lineStyle(), kLineStyleCustom);
  EXPECT_EQ(line(0).pattern(), (Pattern{63500, 25400}));
  EXPECT_EQ(line(0).phase(), 15621);  // 1.23 points
  EXPECT_TRUE(line(0).scalePattern());
}

TEST_F(LineSheetsTest, AnOverlongCustomPatternChangesNoLineUntilOk) {
  const Pattern overlong(12, Pt(2));
  addDashed(overlong, Pt(1));
  selectAll();
  struct Case {
    bool ok;
    int64_t style;
  };
  for (const Case c : {Case{false, kLineStyleCustom}, Case{true, kLineStyleSolid}}) {
    QPointer<DRLinePatternDialog> sheet = openDashSheet();
    ASSERT_TRUE(sheet) << c.ok;
    EXPECT_EQ(sheet->linePatternView()->linePattern(), Pattern{Pt(1)}) << c.ok;
    EXPECT_EQ(line(0).pattern(), overlong) << c.ok;
    if (c.ok) {
      sheet->handleOK();
    } else {
      sheet->handleCancel();
    }
    Spin();
    EXPECT_FALSE(sheet) << c.ok;
    EXPECT_EQ(pane.shown, 1) << c.ok;
    EXPECT_EQ(line(0).lineStyle(), c.style) << c.ok;
    EXPECT_EQ(line(0).pattern(), overlong) << c.ok;
    EXPECT_EQ(undo().isUndoAvailable(), c.ok) << c.ok;
  }
}

TEST_F(LineSheetsTest, ARefusedLengthOrALockedDrawingChangesNothing) {
  addDashed({Pt(4), Pt(2)}, 0);
  selectAll();
  QPointer<DRLinePatternDialog> sheet = openDashSheet();
  ASSERT_TRUE(sheet);
  DRLinePatternView* view = sheet->linePatternView();
  view->setFocusedTextCell(0);
  view->beginEditing();
  ASSERT_NE(view->positionField(), nullptr);
  view->positionField()->setText(QStringLiteral("abc"));
  sheet->handleOK();
  Spin();
  ASSERT_TRUE(sheet);
  EXPECT_EQ(beeps, 1);
  EXPECT_FALSE(undo().isUndoAvailable());
  EXPECT_EQ(pane.shown, 0);

  view->positionField()->setText(QStringLiteral("9"));
  drawing()->setLocked(true);
  sheet->handleOK();
  Spin();
  EXPECT_FALSE(sheet);
  EXPECT_EQ(line(0).pattern(), (Pattern{Pt(4), Pt(2)}));
  EXPECT_FALSE(undo().isUndoAvailable());
  EXPECT_EQ(pane.shown, 1);

  // The advanced sheet too.
  QPointer<DRAdvancedLineDialog> advanced = DRAdvancedLineDialog::runSheetForWindow(controller);
  ASSERT_TRUE(advanced);
  advanced->joinTypeMatrix()->selectCell(2, 0);
  advanced->handleOK();
  Spin();
  EXPECT_FALSE(advanced);
  EXPECT_EQ(line(0).joinStyle(), kLineJoinMiter);
}

TEST_F(LineSheetsTest, TheAdvancedSheetShowsFlatnessTimesTenAndStoresATenth) {
  addRect([](DRLineInfo& info) {
    info.setFlatness(7620);
    info.setCapStyle(kLineCapRound);
    info.setMiterLimit(Pt(10));
  });
  selectAll();
  QPointer<DRAdvancedLineDialog> sheet = DRAdvancedLineDialog::runSheetForWindow(controller);
  ASSERT_TRUE(sheet);
  EXPECT_EQ(sheet->flatnessField()->text(), QStringLiteral("6"));
  EXPECT_DOUBLE_EQ(sheet->flatnessSlider()->doubleValue(), 6);
  EXPECT_EQ(sheet->capTypeMatrix()->selectedColumn(), int(kLineCapRound));
  EXPECT_EQ(sheet->joinTypeMatrix()->selectedRow(), int(kLineJoinMiter));
  EXPECT_EQ(sheet->miterLimitField()->text(), QStringLiteral("10"));

  // The slider moves in whole units, the miter field in tenths.
  sheet->flatnessSlider()->setDoubleValue(7.6);
  EXPECT_EQ(sheet->flatnessField()->text(), QStringLiteral("8"));
  sheet->miterLimitField()->setText(QStringLiteral("4.26"));
  sheet->setMiterLimit(sheet->miterLimitField());
  EXPECT_EQ(sheet->miterLimitField()->text(), QStringLiteral("4.3"));
  EXPECT_DOUBLE_EQ(sheet->miterLimitSlider()->doubleValue(), 4.3);

  sheet->flatnessField()->setText(QStringLiteral("4"));
  sheet->capTypeMatrix()->selectCell(0, int(kLineCapSquare));
  sheet->handleOK();
  Spin();
  EXPECT_FALSE(sheet);
  EXPECT_EQ(line(0).flatness(), 5080);  // 0.4
  EXPECT_EQ(line(0).capStyle(), kLineCapSquare);
  EXPECT_EQ(line(0).miterLimit(), 54610);  // 4.3
  undo().undo();
  EXPECT_EQ(line(0).flatness(), 7620);
  EXPECT_EQ(line(0).capStyle(), kLineCapRound);
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(LineSheetsTest, DifferingValuesShowAsNoneAndOkLeavesThem) {
  addRect([](DRLineInfo& info) {
    info.setJoinStyle(kLineJoinRound);
    info.setCapStyle(kLineCapButt);
    info.setFlatness(7620);
    info.setMiterLimit(Pt(10));
  });
  addRect([](DRLineInfo& info) {
    info.setJoinStyle(kLineJoinBevel);
    info.setCapStyle(kLineCapSquare);
    info.setFlatness(12700);
    info.setMiterLimit(Pt(4));
  });
  selectAll();
  QPointer<DRAdvancedLineDialog> sheet = DRAdvancedLineDialog::runSheetForWindow(controller);
  ASSERT_TRUE(sheet);
  EXPECT_EQ(sheet->joinTypeMatrix()->selectedRow(), -1);
  EXPECT_EQ(sheet->capTypeMatrix()->selectedColumn(), -1);
  EXPECT_EQ(sheet->flatnessField()->text(), QStringLiteral("-"));
  EXPECT_EQ(sheet->flatnessSlider()->doubleValue(), sheet->flatnessSlider()->doubleMinimum());
  EXPECT_EQ(sheet->miterLimitField()->text(), QStringLiteral("-"));
  sheet->handleOK();
  Spin();
  EXPECT_FALSE(sheet);
  EXPECT_EQ(line(0).joinStyle(), kLineJoinRound);
  EXPECT_EQ(line(1).joinStyle(), kLineJoinBevel);
  EXPECT_EQ(line(0).capStyle(), kLineCapButt);
  EXPECT_EQ(line(1).capStyle(), kLineCapSquare);
  EXPECT_EQ(line(0).flatness(), 7620);
  EXPECT_EQ(line(1).flatness(), 12700);
  EXPECT_EQ(line(0).miterLimit(), Pt(10));
  EXPECT_EQ(line(1).miterLimit(), Pt(4));
}

TEST_F(LineSheetsTest, OnlyTheMiterJoinEnablesTheMiterLimit) {
  addRect([](DRLineInfo& info) { info.setJoinStyle(kLineJoinBevel); });
  selectAll();
  QPointer<DRAdvancedLineDialog> sheet = DRAdvancedLineDialog::runSheetForWindow(controller);
  ASSERT_TRUE(sheet);
  EXPECT_FALSE(sheet->miterLimitField()->isEnabled());
  EXPECT_FALSE(sheet->miterLimitSlider()->isEnabled());
  const struct {
    int row;
    bool enabled;
  } cases[] = {{0, true}, {1, false}, {2, false}, {0, true}};
  for (const auto& c : cases) {
    sheet->joinTypeMatrix()->cellAt(c.row, 0)->click();
    EXPECT_EQ(sheet->miterLimitField()->isEnabled(), c.enabled) << c.row;
    EXPECT_EQ(sheet->miterLimitSlider()->isEnabled(), c.enabled) << c.row;
  }
  sheet->handleCancel();
  Spin();
  EXPECT_EQ(line(0).joinStyle(), kLineJoinBevel);
}

}  // namespace
