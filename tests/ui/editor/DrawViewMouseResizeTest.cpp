// Resizing by grab dots through real mouse events: corners and sides, from
// the centre, squares and kept proportions with Option, the pixel grid of
// the zoom, refused rectangles, and line ends.

#include <cmath>

#include "DrawVCFixture.h"
#include "DrawViewFixture.h"
#include "support/GraphicsHelpers.h"

namespace {

class DrawViewMouseResizeTest : public DrawVCFixture {
 public:
  void SetUp() override {
    DrawVCFixture::SetUp();
    mouse = std::make_unique<CanvasMouse>(canvas);
  }
  // The whole point inside the centre of a grab dot as the element draws it.
  static QPointF DotPoint(const DRElement* element, int dot) {
    std::array<QRectF, 8> rects;
    element->getGrabDotRects(rects, ConvertMeasureRect(element->frame()));
    const QPointF centre = rects[size_t(dot)].center();
    return QPointF(std::floor(centre.x()), std::floor(centre.y()));
  }
  static QRectF FrameOf(const DRElement* element) { return ConvertMeasureRect(element->frame()); }
  // The ends of a line on the page (view units).
  static std::pair<QPointF, QPointF> Ends(const DRElementLine* line) {
    const QPointF origin = line->isUnderConstruction() ? QPointF() : FrameOf(line).topLeft();
    return {origin + ConvertMeasurePoint(line->startPoint()), origin + ConvertMeasurePoint(line->endPoint())};
  }

  std::unique_ptr<CanvasMouse> mouse;
};

TEST_F(DrawViewMouseResizeTest, FrameDotsResizeOneElement) {
  enum Kind { kPlain, kFromCentre, kProportional };
  struct Row {
    const char* name;
    Kind kind;
    QRectF frame;
    int dot;
    QPointF by;  // the pointer's movement
    bool option;
    double zoom;
    QRectF expected;  // the frame before when refused
  } rows[] = {
      {"bottom-right", kPlain, {10, 10, 100, 50}, 4, {20, 10}, false, 1, {10, 10, 120, 60}},
      {"top-left", kPlain, {10, 10, 100, 50}, 0, {-5, -4}, false, 1, {5, 6, 105, 54}},
      {"top-left past the bottom-right: refused", kPlain, {10, 10, 100, 50}, 0, {110, 60}, false, 1,
       {10, 10, 100, 50}},
      {"left-middle moves only the left side", kPlain, {10, 10, 100, 50}, 7, {30, 25}, false, 1, {40, 10, 70, 50}},
      {"bottom-middle", kPlain, {10, 10, 100, 50}, 5, {40, -20}, false, 1, {10, 10, 100, 30}},
      {"from the centre: the centre stays", kFromCentre, {50, 50, 100, 50}, 4, {10, 6}, false, 1,
       {40, 44, 120, 62}},
      {"from the centre, top-middle", kFromCentre, {50, 50, 100, 50}, 1, {0, -10}, false, 1, {50, 40, 100, 70}},
      {"from the centre, left-middle", kFromCentre, {50, 50, 100, 50}, 7, {-10, 0}, false, 1, {40, 50, 120, 50}},
      {"Option, bottom-right: a square of the horizontal distance", kPlain, {10, 10, 100, 50}, 4, {10, 80}, true, 1,
       {10, 10, 110, 110}},
      {"Option, bottom-left: a square of the larger distance", kPlain, {50, 10, 100, 50}, 6, {-10, 80}, true, 1,
       {20, 10, 130, 130}},
      {"Option, bottom-left, the horizontal distance larger", kPlain, {50, 10, 100, 50}, 6, {-40, 10}, true, 1,
       {10, 10, 140, 140}},
      {"Option, top-left: a square of the horizontal distance", kPlain, {50, 150, 100, 50}, 0, {-10, 30}, true, 1,
       {40, 90, 110, 110}},
      {"proportions kept: top-middle sets the width from the height", kProportional, {10, 40, 100, 50}, 1, {0, -20},
       true, 1, {10, 20, 140, 70}},
      {"proportions kept: bottom-right follows the width", kProportional, {10, 40, 100, 50}, 4, {20, 50}, true, 1,
       {10, 40, 120, 60}},
      {"proportions not kept without the constraint", kProportional, {10, 40, 100, 50}, 1, {0, -20}, false, 1,
       {10, 20, 100, 70}},
      {"zoom 2: edges on half points", kPlain, {10, 10, 100.25, 50}, 4, {20, 10}, false, 2, {10, 10, 120.5, 60}},
      {"zoom 1: edges on whole points", kPlain, {10, 10, 100.25, 50}, 4, {20, 10}, false, 1, {10, 10, 121, 60}},
      {"zoom 0.5: edges on whole points", kPlain, {10, 10, 100.25, 50}, 4, {20, 10}, false, 0.5, {10, 10, 121, 60}},
      {"one pixel at zoom 4 changes nothing", kPlain, {10, 10, 40, 20}, 4, {0.25, 0.25}, false, 4,
       {10, 10, 40, 20}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    clearDrawing();
    canvas->setZoomValue(row.zoom);
    DRElement* element;
    if (row.kind == kProportional) {
      auto keeps = std::make_unique<TestElement>(kElementRectangle);
      keeps->setKeepsOriginalProportions(true);
      keeps->setFrame(ConvertViewRect(row.frame));
      keeps->setOriginalSize(CSPoint{keeps->frame().width, keeps->frame().height});
      element = add(std::move(keeps));
    } else {
      element = addRect(row.frame);
      element->setResizeFromCenter(row.kind == kFromCentre);
    }
    canvas->setSelection({element});
    canvas->selectionDidChange();
    const QString before = undoTitle();

    const QPointF at = DotPoint(element, row.dot);
    mouse->setModifiers(row.option ? Qt::AltModifier : Qt::NoModifier);
    mouse->press(at);
    ASSERT_EQ(canvas->trackType(), kTrackResize);
    ASSERT_EQ(canvas->grabDot(), row.dot);
    EXPECT_TRUE(element->isResizing());
    mouse->move(at + row.by);
    mouse->release(at + row.by);
    mouse->setModifiers({});

    EXPECT_EQ(FrameOf(element), row.expected);
    EXPECT_EQ(undoTitle(), row.expected == row.frame ? before : QStringLiteral("Undo Size"));
    EXPECT_FALSE(element->isResizing());
    EXPECT_FALSE(element->suppressCasing());
    EXPECT_EQ(canvas->selection(), std::vector<DRElement*>{element});
  }
}

TEST_F(DrawViewMouseResizeTest, AGrabDotSelectsItsElementAloneAndMergesTheDragIntoOneStep) {
  DRElementRectangle* first = addRect(QRectF(10, 10, 60, 40));
  DRElementRectangle* second = addRect(QRectF(120, 10, 60, 40));
  select({0, 1});
  const SavedBlocks before = SaveBlocks(drawing);
  const QPointF at = DotPoint(second, 4);
  mouse->press(at);
  EXPECT_EQ(canvas->selection(), std::vector<DRElement*>{second});
  for (int step = 1; step <= 5; ++step) mouse->move(at + QPointF(4 * step, 2 * step));
  mouse->release(at + QPointF(20, 10));
  EXPECT_EQ(FrameOf(second), QRectF(120, 10, 80, 50));
  EXPECT_EQ(FrameOf(first), QRectF(10, 10, 60, 40));
  perform("undoEdit:");
  EXPECT_EQ(SaveBlocks(drawing), before);
  EXPECT_FALSE(vc.undoManager().validateState(true, nullptr));
}

TEST_F(DrawViewMouseResizeTest, LineEndsFollowThePointerOrSnapTo45Degrees) {
  struct Row {
    const char* name;
    int dot;  // 10 start, 11 end
    QPointF by;
    bool option;
  } rows[] = {
      {"the end follows the pointer", kGrabDotLineEnd, {10, -5}, false},
      {"the start follows the pointer", kGrabDotLineStart, {-10, 30}, false},
      {"Option: the end snaps to horizontal", kGrabDotLineEnd, {10, -5}, true},
      {"Option: the end snaps to a diagonal", kGrabDotLineEnd, {-15, 30}, true},
      {"Option: the start snaps to vertical", kGrabDotLineStart, {76, 5}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    clearDrawing();
    DRElementLine* line = addLine(QRectF(20, 20, 80, 25));  // (20, 20) to (100, 45)
    canvas->setSelection({line});
    canvas->selectionDidChange();
    const auto [startBefore, endBefore] = Ends(line);
    const bool start = row.dot == kGrabDotLineStart;

    const QPointF at = DotPoint(line, start ? 0 : 1);
    mouse->setModifiers(row.option ? Qt::AltModifier : Qt::NoModifier);
    mouse->press(at);
    ASSERT_EQ(canvas->grabDot(), row.dot);
    EXPECT_TRUE(line->isUnderConstruction());
    mouse->move(at + row.by);
    mouse->release(at + row.by);
    mouse->setModifiers({});

    EXPECT_FALSE(line->isUnderConstruction());
    const auto [startAfter, endAfter] = Ends(line);
    const QPointF fixed = start ? endBefore : startBefore;
    const QPointF moved = start ? startAfter : endAfter;
    EXPECT_EQ(start ? endAfter : startAfter, fixed);
    const QPointF wanted = (start ? startBefore : endBefore) + row.by;
    if (!row.option) {
      EXPECT_EQ(moved, wanted);
    } else {
      const QPointF d = moved - fixed;
      EXPECT_TRUE(d.x() == 0 || d.y() == 0 || std::fabs(std::fabs(d.x()) - std::fabs(d.y())) < 1e-3)
          << d.x() << ", " << d.y();
      EXPECT_NE(moved, wanted);
    }
    // The frame spans the two ends.
    EXPECT_EQ(FrameOf(line), RectFromPoints(startAfter, endAfter));
    EXPECT_EQ(undoTitle(), QStringLiteral("Undo Size"));
  }
}

}  // namespace
