// Mouse gestures that change the drawing, with the drawing controller's real
// undo store: new elements, moving (dead zone, edges, Shift, Option, align
// snapping), rotating, the eyedropper's Command-click and nudging.

#include <cmath>

#include "DrawVCFixture.h"
#include "DrawViewFixture.h"
#include "model/DRElementText.h"
#include "model/DRSettings.h"
#include "support/GraphicsHelpers.h"
#include "ui/editor/EditorNotifications.h"

namespace {

constexpr int64_t kDegree = 12700;
constexpr Kolor kRed = MakeKolor(255, 0, 0);

class DrawViewMouseUndoTest : public DrawVCFixture {
 public:
  void SetUp() override {
    DrawVCFixture::SetUp();
    mouse = std::make_unique<CanvasMouse>(canvas);
  }

  void selectTool(DRTool tool) {
    NotificationCenter::defaultCenter().post(g_toolChangedNotification, &harness, {{g_toolKey, int(tool)}});
    ASSERT_EQ(canvas->currentTool(), tool);
  }
  void selectOnly(std::initializer_list<DRElement*> elements) {
    canvas->setSelection(elements);
    canvas->selectionDidChange();
  }
  // A rectangle filled black, so that a press anywhere on it hits it.
  DRElementRectangle* addFilled(const QRectF& frame) {
    DRElementRectangle* rect = addRect(frame);
    rect->setFillKolor(g_blackKolor);
    return rect;
  }
  static QRectF FrameOf(const DRElement* element) { return ConvertMeasureRect(element->frame()); }
  DRElement* front() const { return drawing.elements().back().get(); }

  std::unique_ptr<CanvasMouse> mouse;
};

TEST_F(DrawViewMouseUndoTest, ToolDragsMakeSelectedElementsUnderOneStep) {
  DRElementRectangle* marker = addFilled(QRectF(10, 200, 20, 20));
  struct Row {
    const char* name;
    DRTool tool;
    QPointF from, to;
    Qt::KeyboardModifiers modifiers;
    bool kept;
    int32_t type;
    QRectF frame;
  } rows[] = {
      {"rectangle", kToolRectangle, {50, 40}, {130, 90}, {}, true, kElementRectangle, {50, 40, 80, 50}},
      {"rectangle dragged up and left", kToolRectangle, {130, 90}, {50, 40}, {}, true, kElementRectangle,
       {50, 40, 80, 50}},
      {"Option reverses the constraint: a square", kToolRectangle, {50, 40}, {130, 70}, Qt::AltModifier, true,
       kElementRectangle, {50, 40, 80, 80}},
      {"a 20 x 1 rectangle is dropped with its step", kToolRectangle, {50, 40}, {70, 41}, {}, false, 0, {}},
      {"a 20 x 1 line stays", kToolLine, {50, 40}, {70, 41}, {}, true, kElementLine, {50, 40, 20, 1}},
      {"ellipse", kToolEllipse, {60, 30}, {90, 100}, {}, true, kElementEllipse, {60, 30, 30, 70}},
      {"a click with the rectangle tool makes nothing", kToolRectangle, {50, 40}, {50, 40}, {}, false, 0, {}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    // The change before: a move of the marker.
    selectTool(kToolSelect);
    selectOnly({marker});
    ASSERT_TRUE(canvas->nudgeXBy(1, 0));
    ASSERT_EQ(undoTitle(), QStringLiteral("Undo Move"));
    const size_t count = drawing.elements().size();

    selectTool(row.tool);
    mouse->setModifiers(row.modifiers);
    mouse->drag(row.from, row.to);
    mouse->setModifiers({});

    EXPECT_EQ(canvas->newElement(), nullptr);
    if (row.kept) {
      ASSERT_EQ(drawing.elements().size(), count + 1);
      EXPECT_EQ(front()->elementType(), row.type);
      EXPECT_EQ(FrameOf(front()), row.frame);
      EXPECT_FALSE(front()->isUnderConstruction());
      EXPECT_EQ(canvas->selection(), std::vector<DRElement*>{front()});
      EXPECT_EQ(undoTitle(), QStringLiteral("Undo Add Object"));
    } else {
      EXPECT_EQ(drawing.elements().size(), count);
      EXPECT_TRUE(canvas->selection().empty());
      EXPECT_EQ(undoTitle(), QStringLiteral("Undo Move"));
    }
  }
}

TEST_F(DrawViewMouseUndoTest, MoveBeginsBeyondThreePoints) {
  DRElementRectangle* rect = addFilled(QRectF(100, 100, 40, 40));
  struct Row {
    QPointF to;
    bool moves;
  } rows[] = {
      {{123, 120}, false},  // 3.0 points
      {{120, 117}, false},
      {{122, 122}, false},  // 2.83
      {{123, 121}, true},   // 3.16
      {{124, 120}, true},
      {{116, 116}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(::testing::Message() << row.to.x() << "," << row.to.y());
    rect->setFrame(PtRect(100, 100, 40, 40));
    selectOnly({rect});
    const QString before = undoTitle();
    mouse->drag(QPointF(120, 120), row.to);
    const QPointF shift = row.moves ? row.to - QPointF(120, 120) : QPointF();
    EXPECT_EQ(FrameOf(rect), QRectF(QPointF(100, 100) + shift, QSizeF(40, 40)));
    EXPECT_EQ(undoTitle(), row.moves ? QStringLiteral("Undo Move") : before);
    EXPECT_EQ(canvas->selection(), std::vector<DRElement*>{rect});
  }
}

TEST_F(DrawViewMouseUndoTest, MovingLeftStopsAtTheEdgeAsOneStep) {
  DRElementRectangle* left = addFilled(QRectF(10, 50, 20, 20));
  DRElementRectangle* right = addFilled(QRectF(60, 80, 20, 20));
  DRElementRectangle* other = addFilled(QRectF(200, 50, 20, 20));
  selectOnly({left, right});
  const SavedBlocks before = SaveBlocks(drawing);

  mouse->press(QPointF(70, 90));
  mouse->move(QPointF(40, 80));
  mouse->move(QPointF(0, 0));
  mouse->release(QPointF(0, 0));
  // The leftmost reaches x = 0 and the topmost y = 0; distances are kept.
  EXPECT_EQ(FrameOf(left), QRectF(0, 0, 20, 20));
  EXPECT_EQ(FrameOf(right), QRectF(50, 30, 20, 20));
  EXPECT_EQ(FrameOf(other), QRectF(200, 50, 20, 20));
  EXPECT_EQ(canvas->selection(), (std::vector<DRElement*>{left, right}));

  // The whole drag is one step.
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Move"));
  perform("undoEdit:");
  EXPECT_EQ(SaveBlocks(drawing), before);
  EXPECT_FALSE(vc.undoManager().validateState(true, nullptr));
}

TEST_F(DrawViewMouseUndoTest, ShiftHoldsTheAxisChosenAtTheFirstMovement) {
  DRElementRectangle* rect = addFilled(QRectF(100, 100, 40, 40));
  struct Row {
    const char* name;
    QPointF first, then;
    QPointF origin;
  } rows[] = {
      {"vertical first: moves vertically only", {120, 126}, {160, 140}, {100, 120}},
      {"horizontal first: moves horizontally only", {126, 121}, {140, 170}, {120, 100}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    rect->setFrame(PtRect(100, 100, 40, 40));
    selectOnly({rect});
    mouse->setModifiers(Qt::ShiftModifier);
    mouse->press(QPointF(120, 120));
    mouse->move(row.first);
    mouse->move(row.then);
    mouse->release(row.then);
    mouse->setModifiers({});
    EXPECT_EQ(FrameOf(rect).topLeft(), row.origin);
  }
}

TEST_F(DrawViewMouseUndoTest, OptionDragDuplicatesOnceAndTheOffsetFollows) {
  DRElementRectangle* original = addFilled(QRectF(100, 100, 40, 40));
  selectOnly({original});
  mouse->setModifiers(Qt::AltModifier);
  mouse->press(QPointF(120, 120));
  mouse->move(QPointF(130, 125));
  mouse->move(QPointF(150, 131));
  mouse->release(QPointF(150, 131));
  mouse->setModifiers({});

  ASSERT_EQ(drawing.elements().size(), 2u);
  DRElement* copy = front();
  EXPECT_EQ(FrameOf(original), QRectF(100, 100, 40, 40));
  EXPECT_EQ(canvas->selection(), std::vector<DRElement*>{copy});
  // The copy followed the pointer from where Duplicate put it, and the
  // offset of the next Duplicate is the copy's whole distance.
  ASSERT_TRUE(drawing.isDupOffsetValid());
  const CSPoint offset = drawing.duplicationOffset();
  EXPECT_EQ(copy->frame().x - original->frame().x, offset.x);
  EXPECT_EQ(copy->frame().y - original->frame().y, offset.y);
  EXPECT_EQ(FrameOf(copy).topLeft() - FrameOf(original).topLeft(), QPointF(30, 11) + QPointF(16, 16));
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Move"));

  perform("duplicate:");
  ASSERT_EQ(drawing.elements().size(), 3u);
  EXPECT_EQ(FrameOf(front()).topLeft() - FrameOf(copy).topLeft(), QPointF(46, 27));
}

TEST_F(DrawViewMouseUndoTest, ShiftOptionDragSnapsToEdgesOfSimilarElements) {
  struct Row {
    const char* name;
    int kind;  // 0 rectangle, 1 ellipse, 2 line
    double width;
    double x;  // of the dragged rectangle afterwards
  } rows[] = {
      {"a similar element 20 points away and 50 wide catches the edge", 0, 50, 200},
      {"one 10 wide does not", 0, 10, 180},
      {"an ellipse is similar to a rectangle", 1, 50, 200},
      {"a line is not", 2, 50, 180},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    clearDrawing();
    DRElementRectangle* dragged = addFilled(QRectF(40, 150, 100, 40));
    const QRectF otherFrame(200, 20, row.width, 40);
    if (row.kind == 0)
      addRect(otherFrame);
    else if (row.kind == 1)
      addEllipse(otherFrame);
    else
      addLine(otherFrame);
    selectOnly({dragged});
    mouse->setModifiers(Qt::ShiftModifier | Qt::AltModifier);
    mouse->press(QPointF(90, 170));
    mouse->move(QPointF(230, 170));
    mouse->release(QPointF(230, 170));
    mouse->setModifiers({});
    // Neither constrained nor duplicated.
    EXPECT_EQ(drawing.elements().size(), 2u);
    EXPECT_EQ(FrameOf(dragged), QRectF(row.x, 150, 100, 40));
  }
}

TEST_F(DrawViewMouseUndoTest, RotatingWithShiftKeepsToMultiplesOf45) {
  DRElementRectangle* rect = addFilled(QRectF(100, 100, 100, 100));
  const QPointF centre(150, 150), pressAt(190, 150);
  const double divisor = std::hypot(100.0, 100.0) / 2;
  // A whole-point pointer position whose rotation from the press is
  // exactly `degrees`.
  auto pointFor = [&](int degrees) {
    for (double angle = 0; angle < 180; angle += 0.05) {
      const double radians = angle * M_PI / 180;
      const QPointF point(std::floor(centre.x() + 70 * std::cos(radians)),
                          std::floor(centre.y() + 70 * std::sin(radians)));
      if (RotationForPoint(point, pressAt, centre, divisor) == degrees) return point;
    }
    ADD_FAILURE() << "no point for " << degrees;
    return pressAt;
  };
  struct Row {
    const char* name;
    bool shift;
    Qt::MouseButton button;
    int degrees;
    int64_t rotation;
  } rows[] = {
      {"22 degrees with Shift: 0", true, Qt::LeftButton, 22, 0},
      {"23 degrees with Shift: 45", true, Qt::LeftButton, 23, 45},
      {"22 degrees: 22", false, Qt::LeftButton, 22, 22},
      {"the right button rotates too", false, Qt::RightButton, 30, 30},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    rect->setRotation(0);
    selectOnly({rect});
    const QPointF to = pointFor(row.degrees);
    Qt::KeyboardModifiers modifiers = row.button == Qt::RightButton ? Qt::NoModifier : Qt::MetaModifier;
    if (row.shift) modifiers |= Qt::ShiftModifier;
    mouse->setModifiers(modifiers);
    mouse->press(pressAt, row.button);
    ASSERT_EQ(canvas->trackType(), kTrackRotate);
    mouse->move(to);
    mouse->release(to, row.button);
    mouse->setModifiers({});
    EXPECT_EQ(rect->rotation(), row.rotation * kDegree);
    EXPECT_FALSE(rect->suppressCasing());
    EXPECT_EQ(FrameOf(rect), QRectF(100, 100, 100, 100));
    if (row.rotation != 0) EXPECT_EQ(undoTitle(), QStringLiteral("Undo Rotate"));
  }
}

TEST_F(DrawViewMouseUndoTest, EyedropperCommandClickAppliesTheCurrentColours) {
  DRSettings& settings = DRSettings::sharedInstance();
  settings.setFillKolor(kRed);
  DRElementRectangle* rect = addFilled(QRectF(20, 20, 60, 60));
  selectTool(kToolEyedropper);

  mouse->setModifiers(Qt::ControlModifier);
  mouse->click(QPointF(50, 50));
  EXPECT_EQ(rect->fillKolor(), kRed);
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Fill Color"));
  EXPECT_EQ(canvas->selection(), std::vector<DRElement*>{rect});

  // Empty space: nothing selected, nothing changed.
  mouse->click(QPointF(200, 200));
  mouse->setModifiers({});
  EXPECT_TRUE(canvas->selection().empty());
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Fill Color"));
  EXPECT_EQ(drawing.elements().size(), 1u);
}

TEST_F(DrawViewMouseUndoTest, DoubleClicksOnTheOnlySelectedElement) {
  DRElementBitmap* bitmap = addBitmap(QRectF(20, 20, 80, 60));
  DRElementPolygon* polygon = addPolygon(QRectF(150, 20, 80, 80));
  polygon->setClosed(true);
  polygon->setFillKolor(g_blackKolor);
  DRElementRectangle* rect = addFilled(QRectF(20, 150, 60, 60));

  // A bitmap opens its painting.
  mouse->doubleClick(QPointF(60, 50));
  EXPECT_EQ(host.editPaintingsCount, 1);
  EXPECT_EQ(canvas->selection(), std::vector<DRElement*>{bitmap});
  EXPECT_EQ(canvas->trackType(), kTrackNone);

  // A polygon enters reshape mode.
  mouse->doubleClick(QPointF(170, 60));
  EXPECT_EQ(canvas->reshapeElement(), polygon);
  EXPECT_EQ(host.editPaintingsCount, 1);
  canvas->normalize(true);

  // A rectangle: nothing beyond the selection.
  mouse->doubleClick(QPointF(50, 180));
  EXPECT_EQ(canvas->reshapeElement(), nullptr);
  EXPECT_EQ(canvas->selection(), std::vector<DRElement*>{rect});
  EXPECT_EQ(FrameOf(rect), QRectF(20, 150, 60, 60));

  // Not the only one selected (Command toggles it out and back in): the
  // second click does nothing more.
  selectOnly({bitmap, rect});
  mouse->setModifiers(Qt::ControlModifier);
  mouse->doubleClick(QPointF(60, 50));
  mouse->setModifiers({});
  EXPECT_EQ(host.editPaintingsCount, 1);
}

TEST_F(DrawViewMouseUndoTest, NudgesMergeIntoOneStepAndNeverCrossTheEdge) {
  DRElementRectangle* rect = addFilled(QRectF(0, 40, 20, 20));
  DRElementRectangle* other = addFilled(QRectF(100, 40, 20, 20));

  // Nothing selected: the key scrolls instead.
  EXPECT_FALSE(canvas->nudgeXBy(1, 0));

  selectOnly({rect, other});
  const SavedBlocks before = SaveBlocks(drawing);
  const QString nothingToUndo = undoTitle();
  // Past the left edge: swallowed, nothing moves, no step.
  EXPECT_TRUE(canvas->nudgeXBy(-1, 0));
  EXPECT_EQ(FrameOf(rect), QRectF(0, 40, 20, 20));
  EXPECT_EQ(undoTitle(), nothingToUndo);
  EXPECT_FALSE(vc.undoManager().validateState(true, nullptr));

  for (int i = 0; i < 3; ++i) EXPECT_TRUE(canvas->nudgeXBy(1, 0));
  EXPECT_TRUE(canvas->nudgeXBy(0, -1));
  EXPECT_EQ(FrameOf(rect), QRectF(3, 39, 20, 20));
  EXPECT_EQ(FrameOf(other), QRectF(103, 39, 20, 20));
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Move"));
  perform("undoEdit:");
  EXPECT_EQ(SaveBlocks(drawing), before);
  EXPECT_FALSE(vc.undoManager().validateState(true, nullptr));

  // A locked drawing refuses the step: the key may scroll instead.
  drawing.setLocked(true);
  selectOnly({drawing.elements().front().get()});
  EXPECT_FALSE(canvas->nudgeXBy(1, 0));
  EXPECT_EQ(SaveBlocks(drawing), before);
}

}  // namespace
