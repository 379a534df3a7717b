// The dash-pattern editor and its sample line: what a selection opens as,
// adding and removing dash-gap pairs, dragging triangles with and without
// Alt, typed lengths, the layout's guard, and the sample's dashes.

#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QImage>
#include <QLineEdit>
#include <QPointer>
#include <QToolButton>
#include <memory>
#include <numeric>
#include <vector>

#include "model/ElementTestSupport.h"
#include "model/FakeCanvasHost.h"
#include "model/FakeModelServices.h"
#include "ui/EventDriver.h"
#include "ui/FakeEditorWindowHost.h"
#include "ui/HarnessWindow.h"
#include "ui/inspector/CSCheckBox.h"
#include "ui/inspector/CSSegmentedControl.h"
#include "ui/inspector/DRLinePatternDialog.h"
#include "ui/inspector/DRLinePatternExample.h"
#include "ui/inspector/DRLinePatternView.h"
#include "support/widgets/CSMeasureField.h"

namespace {

using Pattern = std::vector<MeasureUnit>;

void Spin() {
  for (int i = 0; i < 3; ++i) {
    QCoreApplication::processEvents(QEventLoop::AllEvents);
    QCoreApplication::sendPostedEvents(nullptr, QEvent::DeferredDelete);
  }
}

MeasureUnit Total(const Pattern& pattern) {
  return std::accumulate(pattern.begin(), pattern.end(), MeasureUnit(0));
}

// A dark, opaque pixel: the sample's stroke.
bool IsInk(const QImage& image, int x, int y) {
  const QRgb pixel = image.pixel(x, y);
  return qAlpha(pixel) > 200 && qGray(pixel) < 80;
}

TEST(LinePatternExampleTest, TheSampleIsDashedByPatternPhaseAndScale) {
  HarnessWindow window;
  auto* example = window.place(new DRLinePatternExample, QRect(0, 0, 200, 8));
  struct Case {
    const char* name;
    Pattern pattern;
    MeasureUnit phase;
    bool scale;
    std::vector<int> ink;
    std::vector<int> blank;
  };
  const Case cases[] = {
      {"dash and gap", {Pt(10), Pt(10)}, 0, false, {2, 8, 22, 45}, {12, 18, 35}},
      {"phase shifts the dashes left", {Pt(10), Pt(10)}, Pt(5), false, {2, 17, 22}, {7, 12, 27}},
      {"the mixed phase counts as 0", {Pt(10), Pt(10)}, kMixedMeasure, false, {2, 22}, {12}},
      {"scaled by the 8-point height", {Pt(10), Pt(10)}, 0, true, {5, 60, 75}, {85, 120, 155}},
      {"one entry is solid", {Pt(3)}, 0, false, {2, 50, 100, 190}, {}},
      {"too many entries draw solid", Pattern(11, Pt(4)), 0, false, {2, 6, 10, 190}, {}},
  };
  for (const Case& c : cases) {
    example->setLinePattern(c.pattern);
    example->setPhase(c.phase);
    example->setScalePattern(c.scale);
    const QImage image = HarnessWindow::grabView(example);
    for (int x : c.ink) EXPECT_TRUE(IsInk(image, x, 4)) << c.name << " at " << x;
    for (int x : c.blank) EXPECT_FALSE(IsInk(image, x, 4)) << c.name << " at " << x;
  }
}

TEST(LinePatternExampleTest, PhaseAndScaleComeFromTheSheetsControls) {
  HarnessWindow window;
  DRLinePatternExample example;
  CSMeasureField field;
  field.formatter()->setPreferredUnit(kDistanceUnitPoints);
  field.setText(QStringLiteral("2.004"));
  example.setPhaseFromControl(&field);
  EXPECT_EQ(example.phase(), 25400);  // to a hundredth of a point
  CSCheckBox box(QStringLiteral("Scale"));
  box.setMixed();
  example.setScaleOption(&box);
  EXPECT_TRUE(example.scalePattern());
  EXPECT_TRUE(box.isMixed());  // the sheet still sends nothing for it
  box.setChecked(false);
  example.setScaleOption(&box);
  EXPECT_FALSE(example.scalePattern());
}

// The editor inside its sheet on a window whose canvas selects lines.
class LinePatternEditorTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DRBarEditor::resetBarHeights();
    DRBarEditor::setBeepFunction([this] { ++beeps; });
    host.canvasHost = &canvas;
    window.show();
  }
  void TearDown() override {
    if (sheet) sheet->handleCancel();
    Spin();
    DRBarEditor::setBeepFunction(nullptr);
  }

  TestElement* addLine(int64_t style, std::optional<Pattern> pattern = std::nullopt, MeasureUnit phase = 0,
                       bool scale = false) {
    auto element = std::make_unique<TestElement>(kElementGroup, true);
    DRLineInfo info = *element->lineInfo();
    info.setLineStyle(style);
    info.setPattern(std::move(pattern));
    info.setPhase(phase);
    info.setScalePattern(scale);
    element->setLineInfo(info);
    elements.push_back(std::move(element));
    canvas.selected.push_back(elements.back().get());
    return elements.back().get();
  }

  DRLinePatternView* open() {
    sheet = DRLinePatternDialog::runSheetForWindow(&host, nullptr);
    if (!sheet) return nullptr;
    Spin();
    return sheet->linePatternView();
  }
  bool addEnabled() const { return sheet->segmentCountControl()->segmentButton(0)->isEnabled(); }
  bool removeEnabled() const { return sheet->segmentCountControl()->segmentButton(1)->isEnabled(); }
  DRLinePatternView::SpecArray specs() const {
    DRLinePatternView::SpecArray specs;
    sheet->linePatternView()->setSpecArray(specs);
    return specs;
  }

  FakeModelServices services;
  SettingsScope settings;
  HarnessWindow window{QSize(600, 400)};
  FakeCanvasHost canvas;
  FakeEditorWindowHost host{&window};
  std::vector<std::unique_ptr<TestElement>> elements;
  QPointer<DRLinePatternDialog> sheet;
  int beeps = 0;
};

TEST_F(LinePatternEditorTest, ASelectionOpensAsItsPatternOrAsOneSolidSegment) {
  const Pattern custom{Pt(4), Pt(1), Pt(2), Pt(1)};
  struct Line {
    int64_t style;
    std::optional<Pattern> pattern;
    MeasureUnit phase;
    bool scale;
  };
  struct Case {
    const char* name;
    std::vector<Line> lines;
    Pattern opens;
    QString phase;
    Qt::CheckState scale;
  };
  const Case cases[] = {
      {"solid", {{kLineStyleSolid, std::nullopt, 0, false}}, {Pt(1)}, QStringLiteral("0"), Qt::Unchecked},
      {"dash", {{kLineStyleDash, std::nullopt, Pt(2), true}}, {63500, 25400}, QStringLiteral("2"), Qt::Checked},
      {"dot", {{kLineStyleDot, std::nullopt, 0, false}}, {12700, 25400}, QStringLiteral("0"), Qt::Unchecked},
      {"custom", {{kLineStyleCustom, custom, 0, false}}, custom, QStringLiteral("0"), Qt::Unchecked},
      {"custom without a pattern", {{kLineStyleCustom, std::nullopt, 0, false}}, {Pt(1)}, QStringLiteral("0"),
       Qt::Unchecked},
      {"custom of 12 entries", {{kLineStyleCustom, Pattern(12, Pt(3)), 0, false}}, {Pt(1)}, QStringLiteral("0"),
       Qt::Unchecked},
      {"entries below a hundredth", {{kLineStyleCustom, Pattern{0, 50, 300, -8}, 0, false}}, {127, 127, 300, 127},
       QStringLiteral("0"), Qt::Unchecked},
      {"equal custom lines", {{kLineStyleCustom, custom, Pt(1), false}, {kLineStyleCustom, custom, Pt(1), false}},
       custom, QStringLiteral("1"), Qt::Unchecked},
      {"different styles and phases",
       {{kLineStyleDash, std::nullopt, Pt(1), true}, {kLineStyleDot, std::nullopt, Pt(3), false}},
       {Pt(1)}, QStringLiteral("-"), Qt::PartiallyChecked},
      {"custom lines of different lengths",
       {{kLineStyleCustom, custom, 0, true}, {kLineStyleCustom, Pattern{Pt(4), Pt(1), Pt(2), Pt(2)}, 0, true}},
       {Pt(1)}, QStringLiteral("0"), Qt::Checked},
  };
  for (const Case& c : cases) {
    elements.clear();
    canvas.selected.clear();
    for (const Line& line : c.lines) addLine(line.style, line.pattern, line.phase, line.scale);
    DRLinePatternView* view = open();
    ASSERT_NE(view, nullptr) << c.name;
    EXPECT_EQ(view->linePattern(), c.opens) << c.name;
    EXPECT_EQ(sheet->exampleView()->linePattern(), c.opens) << c.name;
    EXPECT_EQ(sheet->phaseField()->text(), c.phase) << c.name;
    EXPECT_EQ(sheet->scalePatternButton()->checkState(), c.scale) << c.name;
    EXPECT_EQ(removeEnabled(), c.opens.size() >= 2) << c.name;
    // The lines themselves are not touched by opening.
    EXPECT_EQ(elements.front()->lineInfo()->pattern(), c.lines.front().pattern) << c.name;
    sheet->handleCancel();
    Spin();
  }
}

TEST_F(LinePatternEditorTest, AddGivesDashGapPairsUpToTenAndRemoveTakesThemBack) {
  addLine(kLineStyleSolid);
  DRLinePatternView* view = open();
  ASSERT_NE(view, nullptr);
  ASSERT_EQ(view->linePattern(), Pattern{Pt(1)});
  // One segment spans the bar.
  EXPECT_GE(specs()[0].bar.width(), double(view->width()) - 10);
  EXPECT_TRUE(addEnabled());
  EXPECT_FALSE(removeEnabled());
  // The rows explain themselves.
  const double bottom = double(view->height()) - 3;
  EXPECT_EQ(view->toolTipAt(QPointF(5, 5)), QStringLiteral("Type new segment lengths into the text areas."));
  EXPECT_EQ(view->toolTipAt(QPointF(5, 30)), QStringLiteral("Line pattern segments."));
  EXPECT_TRUE(view->toolTipAt(QPointF(5, bottom)).startsWith(QStringLiteral("Drag a triangle")));

  view->addOrDelete(DRLinePatternView::kAddSegment);
  EXPECT_EQ(view->linePattern(), (Pattern{Pt(1), Pt(1)}));
  EXPECT_TRUE(removeEnabled());
  EXPECT_EQ(sheet->exampleView()->linePattern(), view->linePattern());
  for (int i = 0; i < 4; ++i) view->addOrDelete(DRLinePatternView::kAddSegment);
  EXPECT_EQ(view->linePattern().size(), 10u);
  EXPECT_FALSE(addEnabled());
  // Even when asked, an eleventh entry is never made.
  view->addOrDelete(DRLinePatternView::kAddSegment);
  EXPECT_EQ(view->linePattern().size(), 10u);

  view->addOrDelete(DRLinePatternView::kRemoveSegment);
  EXPECT_EQ(view->linePattern().size(), 8u);
  EXPECT_TRUE(addEnabled());
  for (int i = 0; i < 3; ++i) view->addOrDelete(DRLinePatternView::kRemoveSegment);
  ASSERT_EQ(view->linePattern().size(), 2u);
  view->addOrDelete(DRLinePatternView::kRemoveSegment);
  EXPECT_EQ(view->linePattern(), Pattern{Pt(1)});
  EXPECT_FALSE(removeEnabled());
  EXPECT_EQ(sheet->exampleView()->linePattern(), Pattern{Pt(1)});
}

TEST_F(LinePatternEditorTest, AnOddPatternLosesAnEntryToBecomePairsAgain) {
  addLine(kLineStyleCustom, Pattern{Pt(3), Pt(1), Pt(2)});
  DRLinePatternView* view = open();
  ASSERT_NE(view, nullptr);
  view->addOrDelete(DRLinePatternView::kAddSegment);
  EXPECT_EQ(view->linePattern(), (Pattern{Pt(3), Pt(1), Pt(2), Pt(2)}));
  view->addOrDelete(DRLinePatternView::kRemoveSegment);
  view->addOrDelete(DRLinePatternView::kRemoveSegment);
  EXPECT_EQ(view->linePattern(), Pattern{Pt(3)});
}

TEST_F(LinePatternEditorTest, DraggingATriangleKeepsTheTotalUnlessAltIsHeld) {
  const Pattern start(4, Pt(10));
  addLine(kLineStyleCustom, start);
  struct Case {
    const char* name;
    int segment;
    double dx;
    bool alt;
    bool changes;
  };
  const Case cases[] = {
      {"middle, right", 1, 11, false, true},  // rounding would shift the next triangle
      {"middle, left", 1, -30, false, true},
      {"middle with Alt", 1, 25, true, true},
      {"past the next triangle", 1, 110, false, false},  // the next would fall below a hundredth
      {"past the left end", 1, -150, false, false},
  };
  for (const Case& c : cases) {
    DRLinePatternView* view = open();
    ASSERT_NE(view, nullptr) << c.name;
    const auto before = specs();
    const double nextTriangle = before[size_t(c.segment) + 1].triangle.center().x();
    const QPointF from = before[size_t(c.segment)].triangle.center();
    const QPointF to = from + QPointF(c.dx, 0);
    EventDriver mouse(view);
    mouse.setModifiers(c.alt ? Qt::AltModifier : Qt::NoModifier);
    mouse.press(from);
    ASSERT_EQ(view->draggingSegment(), c.segment) << c.name;
    mouse.move(to);
    const Pattern dragged = view->linePattern();
    const auto during = specs();
    EXPECT_EQ(dragged[0], start[0]) << c.name;
    EXPECT_EQ(dragged[3], start[3]) << c.name;
    if (!c.changes) {
      EXPECT_EQ(dragged, start) << c.name;
    } else if (c.alt) {
      EXPECT_GT(dragged[1], start[1]) << c.name;
      EXPECT_EQ(dragged[2], start[2]) << c.name;
      EXPECT_GT(during[size_t(c.segment) + 1].triangle.center().x(), nextTriangle) << c.name;
    } else {
      EXPECT_NE(dragged[1], start[1]) << c.name;
      EXPECT_EQ(Total(dragged), Total(start)) << c.name;
      EXPECT_DOUBLE_EQ(during[size_t(c.segment) + 1].triangle.center().x(), nextTriangle) << c.name;
    }
    for (MeasureUnit length : dragged) EXPECT_EQ(length % 127, 0) << c.name;
    EXPECT_EQ(sheet->exampleView()->linePattern(), dragged) << c.name;
    // Letting go opens the dragged length's field.
    mouse.release(to);
    EXPECT_EQ(view->draggingSegment(), -1) << c.name;
    EXPECT_TRUE(view->isEditingText()) << c.name;
    EXPECT_EQ(view->focusedTextCell(), c.segment) << c.name;
    sheet->handleCancel();
    Spin();
  }
}

TEST_F(LinePatternEditorTest, GrowingTheLastSegmentScrollsTheBarUntilRelease) {
  addLine(kLineStyleDash);
  DRLinePatternView* view = open();
  ASSERT_NE(view, nullptr);
  const QPointF from = specs()[1].triangle.center();
  const MeasureUnit perPoint = view->measurePerPoint();
  EventDriver mouse(view);
  mouse.press(from);
  const QPointF to(double(view->width()) + 80, from.y());
  mouse.move(to);
  EXPECT_GT(view->linePattern()[1], 25400);
  EXPECT_EQ(view->linePattern()[0], 63500);
  EXPECT_LT(view->xOrigin(), 0);
  // The scale holds during the drag.
  EXPECT_EQ(view->measurePerPoint(), perPoint);
  mouse.release(to);
  EXPECT_EQ(view->xOrigin(), 0);
  double total = 0;
  DRLinePatternView::SpecArray refitted;
  view->setSpecArray(refitted, &total);
  EXPECT_LE(total, double(view->width()));
}

TEST_F(LinePatternEditorTest, TypedLengthsAreRoundedRaisedOrRefused) {
  addLine(kLineStyleDash);
  DRLinePatternView* view = open();
  ASSERT_NE(view, nullptr);
  struct Case {
    const char* text;
    bool accepted;
    MeasureUnit stored;
  };
  const Case cases[] = {
      {"0", true, 127},
      {"2.5", true, 31750},
      {"1000", true, Pt(1000)},  // no upper bound
      {"0.004", true, 127},
      {"abc", false, 63500},
  };
  for (const Case& c : cases) {
    const int beepsBefore = beeps;
    EventDriver(view).click(specs()[0].textCell.center());
    ASSERT_TRUE(view->isEditingText()) << c.text;
    ASSERT_NE(view->positionField(), nullptr) << c.text;
    view->positionField()->setText(QString::fromLatin1(c.text));
    EXPECT_EQ(view->normalize(), c.accepted) << c.text;
    EXPECT_EQ(beeps - beepsBefore, c.accepted ? 0 : 1) << c.text;
    EXPECT_EQ(view->isEditingText(), !c.accepted) << c.text;
    if (c.accepted) {
      EXPECT_EQ(view->linePattern()[0], c.stored) << c.text;
      Spin();  // the sample hears of it on the next pass
      EXPECT_EQ(sheet->exampleView()->linePattern(), view->linePattern()) << c.text;
    } else {
      view->positionField()->setText(QStringLiteral("5"));
      EXPECT_TRUE(view->normalize());
    }
    // The field shows points without a unit name.
    EventDriver(view).click(specs()[0].textCell.center());
    ASSERT_NE(view->positionField(), nullptr);
    EXPECT_EQ(view->positionField()->text(), FormatMeasure(view->linePattern()[0], true, false, kDistanceUnitPoints));
    view->positionField()->setText(QStringLiteral("5"));
    ASSERT_TRUE(view->normalize());
  }
}

TEST_F(LinePatternEditorTest, AClickOnNothingDropsTheOpenFieldsTextAndADragWaitsForACommit) {
  addLine(kLineStyleDash);
  DRLinePatternView* view = open();
  ASSERT_NE(view, nullptr);
  EventDriver(view).click(specs()[1].textCell.center());
  ASSERT_NE(view->positionField(), nullptr);
  view->positionField()->setText(QStringLiteral("abc"));
  // A press on a triangle commits first: refused, so no drag starts.
  EventDriver(view).press(specs()[0].triangle.center());
  EXPECT_EQ(view->draggingSegment(), -1);
  EXPECT_EQ(beeps, 1);
  // Empty space: the text is let go without a check.
  EventDriver(view).click(QPointF(view->width() - 2, 2));
  EXPECT_TRUE(view->normalize());
  EXPECT_EQ(beeps, 1);
  EXPECT_EQ(view->linePattern(), (Pattern{63500, 25400}));
}

TEST_F(LinePatternEditorTest, TheLayoutStaysDefinedForAnyWidthAndLength) {
  addLine(kLineStyleCustom, Pattern(10, kMixedMeasure - 1));
  DRLinePatternView* view = open();
  ASSERT_NE(view, nullptr);
  for (int width : {420, 0, 1}) {
    view->setFixedSize(width, DRLinePatternDialog::kEditorHeight);
    double total = -1;
    DRLinePatternView::SpecArray laid;
    EXPECT_EQ(view->setSpecArray(laid, &total), 10) << width;
    EXPECT_GE(view->measurePerPoint(), 1) << width;
    EXPECT_GE(total, 0) << width;
  }
  view->setLinePattern({});
  DRLinePatternView::SpecArray laid;
  EXPECT_EQ(view->setSpecArray(laid), 1);
}

}  // namespace
