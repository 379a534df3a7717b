// The arrangement sheets on a real drawing window, opened through the
// drawing controller's commands: what each remembers between runs, what OK,
// Reset and Cancel do to the drawing and its undo stack, and the scale
// sheet's refusals.

#include <QCheckBox>
#include <QPointer>
#include <QPushButton>
#include <QRadioButton>

#include "DrawingSheetTest.h"
#include "model/DRElementBentLine.h"
#include "model/DRElementPolygon.h"
#include "support/widgets/CSDoubleSlider.h"
#include "support/widgets/CSMeasureField.h"
#include "ui/inspector/CSRadioMatrix.h"
#include "ui/inspector/DRArrangeSheets.h"

namespace {

class ArrangeSheetsTest : public DrawingSheetTest {
 protected:
  void SetUp() override {
    DrawingSheetTest::SetUp();
    DRAlignDialog::resetRememberedValues();
    DRRotateDialog::resetRememberedValues();
    DRDistributeDialog::resetRememberedValues();
    DRTypeSelectDialog::resetRememberedValues();
  }

  DRAlignDialog* openAlign() {
    drawVC()->align(nullptr);
    return shownSheet<DRAlignDialog>();
  }
  DRRotateDialog* openRotate() {
    drawVC()->rotate(nullptr);
    return shownSheet<DRRotateDialog>();
  }
  DRScaleDialog* openScale() {
    drawVC()->scale(nullptr);
    return shownSheet<DRScaleDialog>();
  }
  DRTypeSelectDialog* openTypeSelect() {
    drawVC()->selectByType(nullptr);
    return shownSheet<DRTypeSelectDialog>();
  }
  DRDistributeDialog* openDistribute() {
    controller->distribute(nullptr);
    return shownSheet<DRDistributeDialog>();
  }
  static MeasureUnit degrees(double value) { return MeasureUnit(value * kMeasurePerPoint); }
};

TEST_F(ArrangeSheetsTest, EachSheetOpensItsHelpTopicAndStays) {
  addRect(QRectF(10, 10, 40, 30));
  select({element(0)});
  struct Row {
    const char* name;
    std::function<DRSheetController*()> open;
    int64_t topic;
  };
  const Row rows[] = {
      {"align", [this] { return openAlign(); }, 59},
      {"rotate", [this] { return openRotate(); }, 68},
      {"scale", [this] { return openScale(); }, 69},
      {"distribute", [this] { return openDistribute(); }, 63},
      {"select by type", [this] { return openTypeSelect(); }, 70},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    help.shown.clear();
    QPointer<DRSheetController> sheet = row.open();
    ASSERT_TRUE(sheet);
    EXPECT_EQ(sheet->windowModality(), Qt::WindowModal);
    ASSERT_NE(sheet->helpButton(), nullptr);
    sheet->helpButton()->click();
    ASSERT_EQ(help.shown.size(), 1u);
    EXPECT_EQ(help.shown[0].first, row.topic);
    EXPECT_TRUE(sheet->isVisible());
    sheet->cancelButton()->click();
    settle();
    EXPECT_FALSE(sheet);
  }
}

TEST_F(ArrangeSheetsTest, AlignKeepsItsRowsAfterOKOnlyAndAlignsToTheLastSelected) {
  addRect(QRectF(10, 10, 40, 30));
  addRect(QRectF(100, 60, 20, 20));
  select({element(0), element(1)});

  DRAlignDialog* sheet = openAlign();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->horizontal()->selectedRow(), kAlignRowLeave);
  EXPECT_EQ(sheet->vertical()->selectedRow(), kAlignRowLeave);
  sheet->horizontal()->cellAt(kAlignRowLeading, 0)->click();
  sheet->vertical()->cellAt(kAlignRowTrailing, 0)->click();
  sheet->cancelButton()->click();
  settle();
  EXPECT_EQ(element(0)->frame(), PtRect(10, 10, 40, 30));

  sheet = openAlign();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->horizontal()->selectedRow(), kAlignRowLeave) << "Cancel keeps the rows of the last OK";
  sheet->horizontal()->cellAt(kAlignRowLeading, 0)->click();
  sheet->vertical()->cellAt(kAlignRowTrailing, 0)->click();
  sheet->okButton()->click();
  settle();
  // Left edges and bottom edges of the last selected rectangle.
  EXPECT_EQ(element(0)->frame(), PtRect(100, 50, 40, 30));
  EXPECT_EQ(DRAlignDialog::xAlignment(), kAlignRowLeading);
  EXPECT_EQ(DRAlignDialog::yAlignment(), kAlignRowTrailing);

  sheet = openAlign();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->horizontal()->selectedRow(), kAlignRowLeading);
  EXPECT_EQ(sheet->vertical()->selectedRow(), kAlignRowTrailing);
  sheet->cancelButton()->click();
}

TEST_F(ArrangeSheetsTest, RotateTurnsTheSelectionByTheDirectionChosen) {
  addRect(QRectF(10, 10, 40, 30));
  select({element(0)});
  struct Row {
    int column;
    const char* typed;
    double expected;
  };
  const Row rows[] = {
      {DRRotateDialog::kRightColumn, "90", 90},
      {DRRotateDialog::kLeftColumn, "90", 270},
      {DRRotateDialog::kLeftColumn, "0", 0},
      {DRRotateDialog::kLeftColumn, "-90", 90},  // typed -90 is 270, turned left
      {DRRotateDialog::kRightColumn, "360", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.typed) + (row.column == DRRotateDialog::kLeftColumn ? " left" : " right"));
    element(0)->setRotation(0);
    DRRotateDialog* sheet = openRotate();
    ASSERT_NE(sheet, nullptr);
    sheet->direction()->cellAt(0, row.column)->click();
    type(sheet->rotateField(), QString::fromLatin1(row.typed));
    sheet->okButton()->click();
    settle();
    EXPECT_EQ(element(0)->rotation(), degrees(row.expected));
  }
}

TEST_F(ArrangeSheetsTest, RotateShowsTheAngleInTheRememberedDirection) {
  addRect(QRectF(10, 10, 40, 30), 30);
  addRect(QRectF(80, 10, 40, 30), 45);
  struct Row {
    std::vector<size_t> selected;
    int column;
    QString field;
    double slider;
  };
  const Row rows[] = {
      {{0}, DRRotateDialog::kRightColumn, "30", 30},
      {{0}, DRRotateDialog::kLeftColumn, "330", 330},
      {{0, 1}, DRRotateDialog::kLeftColumn, "-", 0},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.field.toStdString());
    std::vector<DRElement*> selection;
    for (size_t index : row.selected) selection.push_back(element(index));
    select(selection);
    DRRotateDialog* sheet = openRotate();
    ASSERT_NE(sheet, nullptr);
    sheet->direction()->cellAt(0, row.column)->click();
    sheet->cancelButton()->click();
    settle();
    // The direction is kept although the sheet was cancelled.
    EXPECT_EQ(DRRotateDialog::rightRotate(), row.column);
    sheet = openRotate();
    ASSERT_NE(sheet, nullptr);
    EXPECT_EQ(sheet->direction()->selectedColumn(), row.column);
    EXPECT_EQ(sheet->rotateField()->text(), row.field);
    EXPECT_DOUBLE_EQ(sheet->rotateSlider()->doubleValue(), row.slider);
    sheet->cancelButton()->click();
    settle();
  }
}

TEST_F(ArrangeSheetsTest, RotateSliderSnapsAndFieldFollows) {
  addRect(QRectF(10, 10, 40, 30));
  select({element(0)});
  DRRotateDialog* sheet = openRotate();
  ASSERT_NE(sheet, nullptr);
  sheet->rotateSlider()->setDoubleValue(86);  // within 6 degrees of 90
  EXPECT_EQ(sheet->rotateField()->text(), QStringLiteral("90"));
  EXPECT_DOUBLE_EQ(sheet->rotateSlider()->doubleValue(), 90);
  type(sheet->rotateField(), QStringLiteral("-30"));
  EXPECT_EQ(sheet->rotateField()->text(), QStringLiteral("330"));
  EXPECT_DOUBLE_EQ(sheet->rotateSlider()->doubleValue(), 330);
  sheet->cancelButton()->click();
  settle();
  EXPECT_EQ(element(0)->rotation(), 0) << "Cancel changes nothing";
}

TEST_F(ArrangeSheetsTest, RotateResetTurnsEveryElementBackInOneUndoStep) {
  addRect(QRectF(10, 10, 40, 30), 30);
  addRect(QRectF(80, 10, 40, 30), 120);
  select({element(0), element(1)});
  DRRotateDialog* sheet = openRotate();
  ASSERT_NE(sheet, nullptr);
  sheet->direction()->cellAt(0, DRRotateDialog::kLeftColumn)->click();
  sheet->resetButton()->click();
  settle();
  EXPECT_FALSE(shownSheet<DRRotateDialog>());
  EXPECT_EQ(element(0)->rotation(), 0);
  EXPECT_EQ(element(1)->rotation(), 0);
  drawVC()->resetCurrentUndoID();
  undo().undo();
  EXPECT_EQ(element(0)->rotation(), degrees(30));
  EXPECT_EQ(element(1)->rotation(), degrees(120));
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(ArrangeSheetsTest, RotateOnALockedDrawingChangesNothingAndCloses) {
  addRect(QRectF(10, 10, 40, 30), 30);
  select({element(0)});
  DRRotateDialog* sheet = openRotate();
  ASSERT_NE(sheet, nullptr);
  type(sheet->rotateField(), QStringLiteral("90"));
  drawing()->setLocked(true);
  sheet->okButton()->click();
  settle();
  EXPECT_FALSE(shownSheet<DRRotateDialog>());
  EXPECT_EQ(element(0)->rotation(), degrees(30));
  EXPECT_FALSE(undo().isUndoAvailable());
}

TEST_F(ArrangeSheetsTest, ScaleSizesByPercentOrKeepsTheProportionsOfATypedSide) {
  DRElementRectangle* rect = addRect(QRectF(10, 20, 200, 100));
  rect->setFrame(PtRect(10, 20, 100, 50));  // drawn at 50 %
  select({rect});
  DRScaleDialog* sheet = openScale();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->element(), rect);
  EXPECT_EQ(sheet->scaleField()->text(), QStringLiteral("50"));
  EXPECT_EQ(sheet->widthField()->measureValue(), 100 * kMeasurePerPoint);

  struct Row {
    CSMeasureField* field;
    const char* typed;
    double width, height;
    const char* scale;
  };
  const Row rows[] = {
      {sheet->scaleField(), "25", 50, 25, "25"},
      {sheet->scaleField(), "12.5", 24, 12, "12.5"},  // the percent is cut to 12
      {sheet->widthField(), "300", 300, 150, "150"},
      {sheet->heightField(), "10", 20, 10, "10"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.typed);
    type(row.field, QString::fromLatin1(row.typed));
    EXPECT_EQ(sheet->widthField()->measureValue(), MeasureUnit(row.width * kMeasurePerPoint));
    EXPECT_EQ(sheet->heightField()->measureValue(), MeasureUnit(row.height * kMeasurePerPoint));
    EXPECT_EQ(sheet->scaleField()->text(), QString::fromLatin1(row.scale));
  }
  // A width typed and not yet entered is taken by OK, height and all.
  typeOnly(sheet->widthField(), QStringLiteral("80"));
  sheet->okButton()->click();
  settle();
  EXPECT_FALSE(shownSheet<DRScaleDialog>());
  EXPECT_EQ(rect->frame(), PtRect(10, 20, 80, 40));
}

TEST_F(ArrangeSheetsTest, ScaleRefusesSizesOutOfRangeAndStaysWithNoUndoStep) {
  DRElementRectangle* rect = addRect(QRectF(10, 20, 100, 50));
  select({rect});
  struct Row {
    const char* name;
    const char* width;
    const char* height;
  };
  const Row rows[] = {
      {"half a point wide", "0.5", "50"},
      {"half a point high", "100", "0.5"},
      {"above 10,000 %", "100", "5001"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    CSRecordingAlertPresenter::shared().clear();
    QPointer<DRScaleDialog> sheet = openScale();
    ASSERT_TRUE(sheet);
    sheet->widthField()->setText(QString::fromLatin1(row.width));
    sheet->heightField()->setText(QString::fromLatin1(row.height));
    sheet->okButton()->click();
    settle();
    const auto alerts = CSRecordingAlertPresenter::shared().alerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, QStringLiteral("Bad scale value."));
    EXPECT_EQ(alerts[0].moreInfo,
              QStringLiteral("The scale value is too large or too small. Please enter a new scale %."));
    ASSERT_TRUE(sheet);
    EXPECT_TRUE(sheet->isVisible());
    EXPECT_EQ(sheet->focusWidget(), sheet->scaleField());
    EXPECT_FALSE(undo().isUndoAvailable()) << "the entry opened for OK is withdrawn";
    EXPECT_EQ(rect->frame(), PtRect(10, 20, 100, 50));
    sheet->cancelButton()->click();
    settle();
  }
}

TEST_F(ArrangeSheetsTest, ScaleResetGivesTheUnscaledSizeAtTheCurrentTopLeft) {
  DRElementRectangle* rect = addRect(QRectF(0, 0, 60, 40));
  rect->setFrame(PtRect(30, 70, 150, 20));
  select({rect});
  DRScaleDialog* sheet = openScale();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->scaleField()->text(), QStringLiteral("-")) << "250 % wide, 50 % high";
  sheet->resetButton()->click();
  settle();
  EXPECT_EQ(rect->frame(), PtRect(30, 70, 60, 40));
  drawVC()->resetCurrentUndoID();
  undo().undo();
  EXPECT_EQ(element(0)->frame(), PtRect(30, 70, 150, 20));
}

TEST_F(ArrangeSheetsTest, ScaleOfAnElementWithoutUnscaledSizeTakesTheTypedSides) {
  DRElementRectangle* rect = addRect(QRectF(10, 10, 40, 30));
  rect->setOriginalSize(CSPoint{0, 30 * kMeasurePerPoint});
  select({rect});
  DRScaleDialog* sheet = openScale();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->scaleField()->text(), QStringLiteral("-"));
  type(sheet->widthField(), QStringLiteral("70"));
  // Only the width changes: there is no proportion to keep.
  EXPECT_EQ(sheet->heightField()->measureValue(), 30 * kMeasurePerPoint);
  EXPECT_EQ(sheet->scaleField()->text(), QStringLiteral("-"));
  type(sheet->heightField(), QStringLiteral("45"));
  EXPECT_EQ(sheet->widthField()->measureValue(), 70 * kMeasurePerPoint);
  sheet->okButton()->click();
  settle();
  EXPECT_EQ(rect->frame(), PtRect(10, 10, 70, 45));
  EXPECT_TRUE(CSRecordingAlertPresenter::shared().alerts().empty());

  // Reset has no size to return to and leaves the frame.
  sheet = openScale();
  ASSERT_NE(sheet, nullptr);
  sheet->resetButton()->click();
  settle();
  EXPECT_EQ(element(0)->frame(), PtRect(10, 10, 70, 45));
}

TEST_F(ArrangeSheetsTest, DistributeOpensAtAQuarterInchThenAtTheLastAcceptedOffset) {
  addRect(QRectF(10, 10, 40, 30));
  addRect(QRectF(200, 100, 20, 20));
  select({element(0), element(1)});

  DRDistributeDialog* sheet = openDistribute();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->offsetX(), 228600);
  EXPECT_EQ(sheet->offsetY(), 228600);
  EXPECT_EQ(sheet->xField()->measureValue(), 228600);
  type(sheet->xField(), QStringLiteral("10"));
  sheet->cancelButton()->click();
  settle();
  EXPECT_EQ(element(0)->frame(), PtRect(10, 10, 40, 30)) << "Cancel distributes nothing";

  sheet = openDistribute();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->offsetX(), 228600) << "a cancelled offset is not kept";
  type(sheet->xField(), QStringLiteral("10"));
  typeOnly(sheet->yField(), QStringLiteral("0"));
  sheet->okButton()->click();
  settle();
  EXPECT_EQ(DRDistributeDialog::previousOffset(), (CSPoint{10 * kMeasurePerPoint, 0}));
  // After the last selected: 10 points past its right edge, its top kept.
  EXPECT_EQ(element(0)->frame(), PtRect(230, 100, 40, 30));

  sheet = openDistribute();
  ASSERT_NE(sheet, nullptr);
  EXPECT_EQ(sheet->offsetX(), 10 * kMeasurePerPoint);
  EXPECT_EQ(sheet->offsetY(), 0);
  sheet->cancelButton()->click();
}

TEST_F(ArrangeSheetsTest, DistributeWithoutAWindowAnswersCancelAtOnce) {
  bool called = false;
  bool chosen = true;
  DRDistributeDialog::getOffset(nullptr, [&](bool success, CSPoint) {
    called = true;
    chosen = success;
  });
  EXPECT_TRUE(called);
  EXPECT_FALSE(chosen);
}

TEST_F(ArrangeSheetsTest, SelectByTypeBuildsItsMaskFromTheBoxesAndRemembersIt) {
  addRect(QRectF(10, 10, 40, 30));  // type 8
  auto curved = std::make_unique<DRElementPolygon>();
  curved->setFrame(PtRect(80, 10, 40, 40));
  curved->setCurves(true);
  drawing()->elements().push_back(std::move(curved));
  auto plain = std::make_unique<DRElementPolygon>();
  plain->setFrame(PtRect(150, 10, 40, 40));
  drawing()->elements().push_back(std::move(plain));
  for (bool curves : {true, false}) {  // bent lines: elements 3 and 4
    auto line = std::make_unique<DRElementBentLine>();
    line->setFrame(PtRect(curves ? 220 : 290, 10, 40, 40));
    line->setCurves(curves);
    drawing()->elements().push_back(std::move(line));
  }

  struct Row {
    std::vector<int> boxes;
    uint64_t mask;
    std::vector<size_t> selected;
  };
  const Row rows[] = {
      {{8}, 1u << 8, {0}},
      {{13}, 1u << 13, {1}},       // polygons with curves
      {{14}, 1u << 14, {3}},       // bent lines with curves
      {{1}, 1u << 1, {4}},         // bent lines without
      {{7, 8}, (1u << 7) | (1u << 8), {0, 2}},
      {{}, 0, {}},                 // nothing: the selection is cleared
  };
  select({element(2)});
  for (const Row& row : rows) {
    SCOPED_TRACE(row.mask);
    DRTypeSelectDialog* sheet = openTypeSelect();
    ASSERT_NE(sheet, nullptr);
    ASSERT_NE(sheet->checkbox(14), nullptr);
    EXPECT_EQ(sheet->checkbox(15), nullptr) << "fifteen boxes";
    for (int tag = 0; tag < DRTypeSelectDialog::kBoxCount; ++tag) sheet->checkbox(tag)->setChecked(false);
    for (int tag : row.boxes) sheet->checkbox(tag)->setChecked(true);
    sheet->okButton()->click();
    settle();
    EXPECT_EQ(DRTypeSelectDialog::lastMask(), row.mask);
    std::vector<DRElement*> expected;
    for (size_t index : row.selected) expected.push_back(element(index));
    std::vector<DRElement*> actual = controller->drawView()->selection();
    std::sort(actual.begin(), actual.end());
    std::sort(expected.begin(), expected.end());
    EXPECT_EQ(actual, expected);

    // The next run shows the boxes of this one.
    sheet = openTypeSelect();
    ASSERT_NE(sheet, nullptr);
    for (int tag = 0; tag < DRTypeSelectDialog::kBoxCount; ++tag)
      EXPECT_EQ(sheet->checkbox(tag)->isChecked(), bool((row.mask >> tag) & 1)) << tag;
    sheet->cancelButton()->click();
    settle();
  }
}

}  // namespace
