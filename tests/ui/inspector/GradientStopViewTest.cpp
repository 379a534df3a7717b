#include <gtest/gtest.h>

#include <QApplication>
#include <QKeyEvent>
#include <QLineEdit>
#include <QSignalSpy>
#include <QTest>
#include <initializer_list>
#include <vector>

#include "ui/EventDriver.h"
#include "ui/HarnessWindow.h"
#include "ui/inspector/CSColorWell.h"
#include "ui/inspector/DRGradientColorStopView.h"

namespace {

// A view 300 points wide: its bar is 254 points, 50 position units a point.
// 85 high: a bar of 20 points, triangles at 44, swatches at 61.
constexpr int kWidth = 300;
constexpr int kHeight = 85;
constexpr Kolor kRed = 0x64FF0000;
constexpr Kolor kBlue = 0x640000FF;

DRGradient GradientWithStops(std::initializer_list<int64_t> positions) {
  CSGradient::Stops stops;
  Kolor kolor = 0x64000000;
  for (int64_t position : positions) {
    stops.push_back({position, kolor});
    kolor += 0x00102030;
  }
  DRGradient gradient;
  gradient.setStops(stops);
  return gradient;
}

std::vector<int64_t> Positions(const DRGradient& gradient) {
  std::vector<int64_t> positions;
  for (const CSGradientStop& stop : gradient.stops()) positions.push_back(stop.position);
  return positions;
}

void SendKey(QWidget* target, int key, Qt::KeyboardModifiers modifiers = Qt::NoModifier) {
  QKeyEvent press(QEvent::KeyPress, key, modifiers);
  QApplication::sendEvent(target, &press);
}

class GradientStopViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    DRBarEditor::resetBarHeights();
    DRBarEditor::setBeepFunction([this] { ++m_beeps; });
    m_view = m_window.place(new DRGradientColorStopView, QRect(10, 10, kWidth, kHeight));
    m_view->wake();
  }
  void TearDown() override {
    if (CSColorWell* active = CSColorWell::activeWell()) active->deactivate();
    DRBarEditor::setBeepFunction(nullptr);
  }

  void load(std::initializer_list<int64_t> positions) { m_view->setGradient(GradientWithStops(positions)); }
  DRGradientColorStopView::StopSpec spec(size_t index) const { return m_view->stopSpecs().at(index); }
  QPointF triangleCentre(size_t index) const { return spec(index).triangle.center(); }
  // Opens the field of a stop by clicking its text cell.
  QLineEdit* openField(size_t index) {
    EventDriver(m_view).click(spec(index).text.center());
    return m_view->positionField();
  }

  HarnessWindow m_window{QSize(360, 140)};
  DRGradientColorStopView* m_view = nullptr;
  int m_beeps = 0;
};

TEST_F(GradientStopViewTest, WakingTakesTheBarHeightOnceAndTheScaleFromTheWidth) {
  EXPECT_EQ(m_view->barHeight(), 20);
  EXPECT_EQ(m_view->measurePerPoint(), 50);
  // A later, taller editor keeps the stored bar height.
  DRGradientColorStopView* later = m_window.place(new DRGradientColorStopView, QRect(0, 0, kWidth, kHeight + 30));
  later->wake();
  EXPECT_EQ(later->barHeight(), 20);
}

TEST_F(GradientStopViewTest, ToolTipsCoverTheTextRowTheBarTheSwatchesAndTheTriangles) {
  const struct {
    double y;
    const char* tip;
  } rows[] = {
      {10, "Type new color stop positions into the text areas. The positions range from 0 to 1."},
      {30,
       "Gradient colors. Click between two color stops to create a new one (maximum of 10). Alt-click to copy "
       "the color from the right instead of the left."},
      {kHeight - 5, "Click on a swatch to change the color for a stop."},
      {kHeight - 35, "Drag a triangle to change a stop position. Drag it onto a neighbor to delete it."},
      {22, ""},
  };
  for (const auto& row : rows) {
    for (double x : {1.0, 150.0, kWidth - 1.0}) EXPECT_EQ(m_view->toolTipAt(QPointF(x, row.y)), row.tip) << row.y;
  }
}

TEST_F(GradientStopViewTest, BarsTooNarrowForTheirInsetsStillHaveAScale) {
  for (int width : {10, 46, 47, 12746}) {
    m_view->resize(width, kHeight);
    EXPECT_GE(m_view->measurePerPoint(), 1) << width;
    load({0, 6350, 12700});
    EXPECT_EQ(m_view->stopSpecs().size(), 3u) << width;
  }
}

TEST_F(GradientStopViewTest, StopLayoutGivesFourRectanglesPerStop) {
  struct Case {
    std::vector<int64_t> positions;
    std::vector<double> xs;
  };
  const Case cases[] = {
      {{0, 12700}, {23, 277}},
      {{0, 6350, 12700}, {23, 150, 277}},
      // Segments are whole points: 127 / 50 gives 2.
      {{0, 127, 12700}, {23, 25, 277}},
      {{0, 2540, 2667, 12700}, {23, 73, 75, 277}},
      // A stop at the end takes the rest of the bar, whatever follows.
      {{0, 6350, 12700, 12700}, {23, 150, 277, 277}},
  };
  for (const Case& c : cases) {
    DRGradient gradient;
    CSGradient::Stops stops;
    for (int64_t position : c.positions) stops.push_back({position, kRed});
    gradient.setStops(stops);
    m_view->setGradient(gradient);
    const auto specs = m_view->stopSpecs();
    ASSERT_EQ(specs.size(), c.xs.size());
    double previous = 23;
    for (size_t i = 0; i < specs.size(); ++i) {
      const double x = c.xs[i];
      const double triangleLeft = (i == 0 || c.positions[i] <= 0) ? x - 6 : x - 7;
      EXPECT_EQ(specs[i].x, x) << "stop " << i;
      EXPECT_EQ(specs[i].bar, QRectF(previous, 24, x - previous, 20)) << "stop " << i;
      EXPECT_EQ(specs[i].triangle, QRectF(triangleLeft, 44, 13, 13)) << "stop " << i;
      EXPECT_EQ(specs[i].text, QRectF(x - 23, 1, 46, 19)) << "stop " << i;
      EXPECT_EQ(specs[i].swatch, QRectF(x - 23, 61, 46, 23)) << "stop " << i;
      previous = x;
    }
    // One well per stop, at its swatch, with its colour.
    ASSERT_EQ(m_view->swatches().size(), specs.size());
    for (size_t i = 0; i < specs.size(); ++i) {
      EXPECT_EQ(m_view->swatches()[i]->geometry(), specs[i].swatch.toAlignedRect());
      EXPECT_EQ(m_view->swatches()[i]->kolor(), kRed);
    }
  }
}

TEST_F(GradientStopViewTest, DraggingAStopKeepsThePairOfSegmentsAtItsWidth) {
  // 2,540 / 50 and 2,667 / 50 leave fractions that a plain layout would
  // round differently as the stop moves.
  load({0, 2540, 5207, 7620, 12700});
  const double nextX = spec(2).x;
  const double pairWidth = spec(1).bar.width() + spec(2).bar.width();
  QSignalSpy changed(m_view, &DRGradientColorStopView::gradientChanged);
  EventDriver driver(m_view);
  const QPointF start = triangleCentre(1);
  driver.press(start);
  ASSERT_EQ(m_view->draggingStop(), 1);
  for (double dx : {3.0, 7.0, 11.0, 17.0, -9.0, 23.0}) {
    driver.move(start + QPointF(dx, 0));
    EXPECT_EQ(spec(2).x, nextX) << dx;
    EXPECT_EQ(spec(1).bar.width() + spec(2).bar.width(), pairWidth) << dx;
    EXPECT_EQ(m_view->gradient().positionOfStopIndex(1) % 127, 0) << dx;
  }
  EXPECT_GT(changed.count(), 0);
  // Beyond the neighbour the stop stops at its position.
  driver.move(start + QPointF(200, 0));
  EXPECT_EQ(m_view->gradient().positionOfStopIndex(1), 5207);
  driver.move(start + QPointF(-200, 0));
  EXPECT_EQ(m_view->gradient().positionOfStopIndex(1), 0);
}

TEST_F(GradientStopViewTest, ClicksOnTheBarAddStopsWithinTheLimits) {
  struct Case {
    const char* name;
    std::vector<int64_t> positions;
    double clickX;
    bool alt;
    std::vector<int64_t> expected;
    size_t newIndex;  // 0 when nothing is added
  };
  const std::vector<int64_t> ten = {0, 1270, 2540, 3810, 5080, 6350, 7620, 8890, 10160, 12700};
  std::vector<int64_t> eleven = ten;
  eleven.push_back(12700);
  const Case cases[] = {
      {"middle", {0, 12700}, 150, false, {0, 6350, 12700}, 1},
      {"alt copies the right colour", {0, 12700}, 150, true, {0, 6350, 12700}, 1},
      {"second segment", {0, 6350, 12700}, 200, false, {0, 6350, 8890, 12700}, 2},
      {"stops 0.01 apart", {0, 127, 12700}, 24, false, {0, 127, 12700}, 0},
      {"ten stops", ten, 272, false, ten, 0},
  };
  for (const Case& c : cases) {
    DRGradient gradient;
    CSGradient::Stops stops;
    Kolor kolor = kRed;
    for (int64_t position : c.positions) stops.push_back({position, kolor++});
    gradient.setStops(stops);
    m_view->setGradient(gradient);
    QSignalSpy changed(m_view, &DRGradientColorStopView::gradientChanged);
    EventDriver driver(m_view);
    driver.setModifiers(c.alt ? Qt::AltModifier : Qt::NoModifier);
    driver.click(QPointF(c.clickX, 30));
    EXPECT_EQ(Positions(m_view->gradient()), c.expected) << c.name;
    EXPECT_EQ(m_view->swatches().size(), c.expected.size()) << c.name;
    if (c.newIndex == 0) {
      EXPECT_EQ(changed.count(), 0) << c.name;
      EXPECT_FALSE(m_view->isEditingText()) << c.name;
      continue;
    }
    const size_t k = c.newIndex;
    const Kolor expectedKolor = c.alt ? stops[k].kolor : stops[k - 1].kolor;
    EXPECT_EQ(m_view->gradient().kolorAtStopIndex(k), expectedKolor) << c.name;
    EXPECT_EQ(changed.count(), 1) << c.name;
    // The new stop's well serves the colour panel and its field is open.
    EXPECT_EQ(CSColorWell::activeWell(), m_view->swatches()[k].data()) << c.name;
    EXPECT_EQ(m_view->focusedTextCell(), int64_t(k)) << c.name;
    ASSERT_TRUE(m_view->positionField()) << c.name;
    EXPECT_EQ(m_view->positionField()->geometry(), spec(k).text.toAlignedRect()) << c.name;
    EXPECT_EQ(m_view->positionField()->text(), FormatMeasure(c.expected[k], true, false, kCurrentDistanceUnit));
    CSColorWell::activeWell()->deactivate();
  }
  // A gradient read with more stops than the editor makes is shown whole and
  // gets no more.
  DRGradient big;
  CSGradient::Stops stops;
  for (int64_t position : eleven) stops.push_back({position, kRed});
  big.setStops(stops);
  m_view->setGradient(big);
  EXPECT_EQ(m_view->stopSpecs().size(), 11u);
  EventDriver(m_view).click(QPointF(272, 30));
  EXPECT_EQ(m_view->gradient().stopCount(), 11u);
}

TEST_F(GradientStopViewTest, DroppingAStopOnANeighbourDeletesItAndStoppingShortOpensItsField) {
  for (bool ontoNeighbour : {true, false}) {
    load({0, 2540, 6350, 12700});
    QSignalSpy changed(m_view, &DRGradientColorStopView::gradientChanged);
    const QPointF start = triangleCentre(2);
    // 76 points left brings 6,350 to 2,540; two points less stops 100
    // short, which rounds to 2,667.
    const QPointF end = start - QPointF(ontoNeighbour ? 76 : 74, 0);
    EventDriver(m_view).drag(start, {start - QPointF(30, 0)}, end);
    EXPECT_EQ(m_view->draggingStop(), -1);
    if (ontoNeighbour) {
      EXPECT_EQ(Positions(m_view->gradient()), (std::vector<int64_t>{0, 2540, 12700}));
      EXPECT_EQ(m_view->swatches().size(), 3u);
      EXPECT_EQ(m_view->focusedTextCell(), -1);
      EXPECT_FALSE(m_view->isEditingText());
      // The well of the last stop now sits under it.
      EXPECT_EQ(m_view->swatches()[2]->geometry(), spec(2).swatch.toAlignedRect());
    } else {
      EXPECT_EQ(Positions(m_view->gradient()), (std::vector<int64_t>{0, 2540, 2667, 12700}));
      EXPECT_EQ(m_view->focusedTextCell(), 2);
      ASSERT_TRUE(m_view->positionField());
      EXPECT_EQ(m_view->positionField()->text(), FormatMeasure(2667, true, false, kCurrentDistanceUnit));
      ASSERT_TRUE(m_view->normalize());
    }
    EXPECT_GT(changed.count(), 0);
  }
}

TEST_F(GradientStopViewTest, TypedPositionsAreRoundedClampedAndKeptAwayFromNeighbours) {
  struct Case {
    QString text;
    bool accepted;
    int64_t stored;
  };
  // Stop 1 of {0, 0.3, 0.6, 1}.
  const Case cases[] = {
      {"0.45", true, 5715},  {"0.452", true, 5715},  // rounded to 0.01
      {"0.3", true, 3810},                           // unchanged
      {"0.02", true, 254},                           // 0.02 from the left end
      {"0.01", false, 3810},                         // only 0.01 from it
      {"0", false, 3810},                            // clamped to 0.01, then too close
      {"1", false, 3810},                            // clamped to 0.99, past the next stop
      {"0.59", false, 3810}, {"abc", false, 3810},  {"", false, 3810},
  };
  for (const Case& c : cases) {
    load({0, 3810, 7620, 12700});
    QLineEdit* field = openField(1);
    ASSERT_TRUE(field) << c.text.toStdString();
    const int beepsBefore = m_beeps;
    field->setText(c.text);
    SendKey(field, Qt::Key_Return);
    EXPECT_EQ(m_view->gradient().positionOfStopIndex(1), c.stored) << c.text.toStdString();
    EXPECT_EQ(m_view->isEditingText(), !c.accepted) << c.text.toStdString();
    EXPECT_EQ(m_beeps - beepsBefore, c.accepted ? 0 : 1) << c.text.toStdString();
    if (!c.accepted) {
      EXPECT_EQ(m_view->positionField(), field);
      EXPECT_FALSE(m_view->normalize());  // still refused
      field->setText("0.3");
      EXPECT_TRUE(m_view->normalize());
    }
  }
}

TEST_F(GradientStopViewTest, AChangedTypedPositionMovesTheWellAndIsReportedOnTheNextPass) {
  load({0, 3810, 7620, 12700});
  QLineEdit* field = openField(1);
  ASSERT_TRUE(field);
  QSignalSpy changed(m_view, &DRGradientColorStopView::gradientChanged);
  field->setText("0.5");
  SendKey(field, Qt::Key_Return);
  EXPECT_EQ(m_view->gradient().positionOfStopIndex(1), 6350);
  EXPECT_TRUE(m_view->editChangedValue());
  EXPECT_EQ(m_view->swatches()[1]->geometry(), spec(1).swatch.toAlignedRect());
  EXPECT_EQ(changed.count(), 0);
  QCoreApplication::processEvents();
  EXPECT_EQ(changed.count(), 1);
}

TEST_F(GradientStopViewTest, ARefusedFieldBlocksClicksThatNeedACommit) {
  load({0, 3810, 7620, 12700});
  QLineEdit* field = openField(1);
  ASSERT_TRUE(field);
  field->setText("x");
  EventDriver driver(m_view);
  driver.click(spec(2).text.center());  // another text cell
  driver.press(triangleCentre(2));      // a drag
  driver.release(triangleCentre(2));
  driver.click(QPointF(spec(3).bar.center()));  // a new stop
  EXPECT_EQ(m_beeps, 3);
  EXPECT_EQ(m_view->focusedTextCell(), 1);
  EXPECT_EQ(m_view->positionField(), field);
  EXPECT_EQ(m_view->draggingStop(), -1);
  EXPECT_EQ(Positions(m_view->gradient()), (std::vector<int64_t>{0, 3810, 7620, 12700}));
}

TEST_F(GradientStopViewTest, ADragStartsOnlyAfterAnUnchangedCommit) {
  load({0, 3810, 7620, 12700});
  QLineEdit* field = openField(1);
  ASSERT_TRUE(field);
  field->setText("0.4");
  EventDriver driver(m_view);
  driver.press(triangleCentre(2));
  EXPECT_EQ(m_view->draggingStop(), -1);  // the commit moved stop 1
  EXPECT_EQ(m_view->gradient().positionOfStopIndex(1), 5080);
  driver.release(triangleCentre(2));
  driver.press(triangleCentre(2));
  EXPECT_EQ(m_view->draggingStop(), 2);
  driver.release(triangleCentre(2));
}

TEST_F(GradientStopViewTest, TabMovesAlongTheInnerStopsAndLeavesAtTheEnds) {
  struct Case {
    std::vector<int64_t> positions;
    int64_t from;  // the stop whose field is open, or -1 for none
    bool backwards;
    int64_t to;  // -1: the focus left the editor
  };
  const Case cases[] = {
      {{0, 2540, 5080, 7620, 12700}, 1, false, 2},
      {{0, 2540, 5080, 7620, 12700}, 3, false, -1},
      {{0, 2540, 5080, 7620, 12700}, 3, true, 2},
      {{0, 2540, 5080, 7620, 12700}, 1, true, -1},
      {{0, 6350, 12700}, 1, false, -1},
      {{0, 6350, 12700}, 1, true, -1},
  };
  for (const Case& c : cases) {
    DRGradient gradient;
    CSGradient::Stops stops;
    for (int64_t position : c.positions) stops.push_back({position, kBlue});
    gradient.setStops(stops);
    m_view->setGradient(gradient);
    QSignalSpy leaving(m_view, &DRBarEditor::selectTextField);
    QLineEdit* field = openField(size_t(c.from));
    ASSERT_TRUE(field);
    SendKey(field, c.backwards ? Qt::Key_Backtab : Qt::Key_Tab, c.backwards ? Qt::ShiftModifier : Qt::NoModifier);
    QCoreApplication::processEvents();
    if (c.to < 0) {
      ASSERT_EQ(leaving.count(), 1);
      EXPECT_EQ(leaving.at(0).at(0).toBool(), !c.backwards);
      EXPECT_FALSE(m_view->isEditingText());
    } else {
      EXPECT_EQ(leaving.count(), 0);
      EXPECT_EQ(m_view->focusedTextCell(), c.to);
      ASSERT_TRUE(m_view->positionField());
      EXPECT_EQ(m_view->positionField()->geometry(), spec(size_t(c.to)).text.toAlignedRect());
      ASSERT_TRUE(m_view->normalize());
    }
  }
}

TEST_F(GradientStopViewTest, OnlyGradientsWithInnerStopsTakeKeyboardFocus) {
  auto* before = m_window.place(new QLineEdit, QRect(0, 100, 50, 20));
  auto* after = m_window.place(new QLineEdit, QRect(60, 100, 50, 20));
  load({0, 2540, 12700});  // the chain takes only a view that takes focus
  QWidget::setTabOrder(before, m_view);
  QWidget::setTabOrder(m_view, after);

  load({0, 12700});
  EXPECT_EQ(m_view->focusPolicy(), Qt::NoFocus);
  m_window.activateWindow();
  ASSERT_TRUE(QTest::qWaitForWindowActive(&m_window));
  before->setFocus(Qt::OtherFocusReason);
  SendKey(before, Qt::Key_Tab);
  EXPECT_EQ(m_window.focusWidget(), after);
  EXPECT_FALSE(m_view->isEditingText());

  // With an inner stop, Tab from the field before opens stop 1 and Shift-Tab
  // from the field after opens the last inner stop.
  load({0, 2540, 5080, 12700});
  EXPECT_EQ(m_view->focusPolicy(), Qt::TabFocus);
  before->setFocus(Qt::OtherFocusReason);
  SendKey(before, Qt::Key_Tab);
  EXPECT_EQ(m_view->focusedTextCell(), 1);
  ASSERT_TRUE(m_view->positionField());
  EXPECT_EQ(m_window.focusWidget(), m_view->positionField());
  ASSERT_TRUE(m_view->normalize());
  after->setFocus(Qt::OtherFocusReason);
  SendKey(after, Qt::Key_Backtab, Qt::ShiftModifier);
  EXPECT_EQ(m_view->focusedTextCell(), 2);
  EXPECT_TRUE(m_view->isEditingText());
}

TEST_F(GradientStopViewTest, AColourChosenInAWellRecoloursItsStopAndKeepsTheWells) {
  load({0, 6350, 12700});
  CSColorWell* well = m_view->swatches()[1];
  // The sheet echoes every change back, as it does when it passes the
  // gradient on to its preview.
  QObject::connect(m_view, &DRGradientColorStopView::gradientChanged, m_view,
                   [this] { m_view->setGradient(m_view->gradient()); });
  emit well->kolorChanged(kRed);
  EXPECT_EQ(m_view->gradient().kolorAtStopIndex(1), kRed);
  EXPECT_EQ(m_view->swatches()[1].data(), well);
  // A gradient handed over from outside rebuilds them.
  load({0, 6350, 12700});
  QCoreApplication::processEvents();
  EXPECT_NE(m_view->swatches()[1].data(), well);
}

TEST_F(GradientStopViewTest, AnotherGradientClosesAnOpenFieldAndAnEchoKeepsIt) {
  for (bool other : {false, true}) {
    load({0, 3810, 7620, 12700});
    QLineEdit* field = openField(2);
    ASSERT_TRUE(field);
    field->setText("0.5");
    DRGradient next = m_view->gradient();
    if (other) next = GradientWithStops({0, 12700});
    m_view->setGradient(next);
    EXPECT_EQ(m_view->isEditingText(), !other);
    EXPECT_EQ(m_view->positionField() == field, !other);
    EXPECT_TRUE(m_view->normalize());
    EXPECT_EQ(m_beeps, 0);
    const std::vector<int64_t> expected =
        other ? std::vector<int64_t>{0, 12700} : std::vector<int64_t>{0, 3810, 6350, 12700};
    EXPECT_EQ(Positions(m_view->gradient()), expected);
  }
}

TEST_F(GradientStopViewTest, TheBarShowsTheGradientFromLeftToRight) {
  DRGradient gradient;
  gradient.setStops({{0, 0x64000000}, {12700, 0x64FFFFFF}});
  gradient.setRadial(true);
  m_view->setGradient(gradient);
  const QImage image = HarnessWindow::grabView(m_view);
  EXPECT_LT(qGray(image.pixel(26, 34)), 40);
  EXPECT_GT(qGray(image.pixel(kWidth - 26, 34)), 215);
  EXPECT_NEAR(qGray(image.pixel(kWidth / 2, 34)), 128, 30);
}

}  // namespace
