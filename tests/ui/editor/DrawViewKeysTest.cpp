// The canvas's keys: arrows that nudge or scroll, the page and document
// keys, Space, Delete and Escape, keys during a drag, the modifier keys'
// cursors, the focus leaving the canvas, and the services' validation.

#include <gtest/gtest.h>

#include <QLineEdit>
#include <QMimeData>
#include <QScrollBar>
#include <QTest>
#include <functional>

#include "DrawVCFixture.h"
#include "model/DRElementText.h"
#include "testkit/QStringPrinter.h"
#include "ui/EventDriver.h"
#include "ui/editor/DRClipboardServices.h"
#include "ui/editor/DRToolbarView.h"
#include "ui/editor/EditorNotifications.h"

namespace {

class DrawViewKeysTest : public DrawVCFixture {
 public:
  void SetUp() override {
    DrawVCFixture::SetUp();
    toolbar = harness.place(new DRToolbarView, QRect(QPoint(420, 0), QSize(40, 300)));
    canvas->setToolbarView(toolbar);
    activate();
  }
  // The canvas's modes end while the drawing is still there.
  void TearDown() override { canvas->normalize(true); }

  void key(int code, Qt::KeyboardModifiers modifiers = Qt::NoModifier, int times = 1) {
    for (int i = 0; i < times; ++i) QTest::keyClick(canvas, Qt::Key(code), modifiers);
  }
  QPointF origin() const { return canvas->visibleRect().topLeft(); }
  // Far away, so that the canvas can scroll.
  void addFarBox() { addRect(QRectF(1000, 1000, 10, 10)); }
  double lineStep() const { return scroll->horizontalScrollBar()->singleStep() / canvas->zoom(); }

  DRToolbarView* toolbar = nullptr;
};

TEST_F(DrawViewKeysTest, ArrowsNudgeTheSelectionOrScroll) {
  addFarBox();
  canvas->setDrawingFrame();
  const double line = lineStep();
  ASSERT_GT(line, 1.0);
  ASSERT_EQ(scroll->verticalScrollBar()->singleStep(), scroll->horizontalScrollBar()->singleStep());

  struct Row {
    const char* name;
    std::optional<QRectF> selected;  // an element, selected
    bool locked;
    QPointF start;
    int key;
    int presses;
    QPointF origin;                // afterwards
    std::optional<QPointF> moved;  // the element's top left afterwards
    const char* undoTitle;
  };
  const Row rows[] = {
      {"left scrolls one line", std::nullopt, false, {50, 40}, Qt::Key_Left, 1, {50 - line, 40}, {}, "Undo"},
      {"left stops at 0", std::nullopt, false, {30, 40}, Qt::Key_Left, 3, {0, 40}, {}, "Undo"},
      {"right scrolls", std::nullopt, false, {0, 0}, Qt::Key_Right, 1, {line, 0}, {}, "Undo"},
      {"up scrolls", std::nullopt, false, {0, 50}, Qt::Key_Up, 1, {0, 50 - line}, {}, "Undo"},
      {"down scrolls", std::nullopt, false, {0, 0}, Qt::Key_Down, 2, {0, 2 * line}, {}, "Undo"},
      {"an element at x 0 neither moves nor scrolls",
       QRectF(0, 20, 30, 30),
       false,
       {50, 0},
       Qt::Key_Left,
       1,
       {50, 0},
       QPointF(0, 20),
       "Undo"},
      {"three presses move three points",
       QRectF(10, 20, 30, 30),
       false,
       {50, 40},
       Qt::Key_Right,
       3,
       {50, 40},
       QPointF(13, 20),
       "Undo Move"},
      {"up moves up", QRectF(10, 20, 30, 30), false, {0, 0}, Qt::Key_Up, 2, {0, 0}, QPointF(10, 18), "Undo Move"},
      {"a locked drawing scrolls instead",
       QRectF(10, 20, 30, 30),
       true,
       {0, 0},
       Qt::Key_Right,
       1,
       {line, 0},
       QPointF(10, 20),
       "Undo"},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    vc.undoManager().clearUndo();
    drawing.setLocked(false);
    select({});
    DRElement* element = nullptr;
    if (row.selected) {
      element = addRect(*row.selected);
      select({drawing.elements().size() - 1});
    }
    drawing.setLocked(row.locked);
    canvas->scrollToPoint(row.start);
    ASSERT_EQ(origin(), row.start);

    key(row.key, Qt::NoModifier, row.presses);
    EXPECT_EQ(origin(), row.origin);
    if (element) EXPECT_EQ(ConvertMeasureRect(element->frame()).topLeft(), *row.moved);
    EXPECT_EQ(undoTitle(), QString::fromLatin1(row.undoTitle));
    if (element && row.moved != row.selected->topLeft()) {
      // The run of presses is one step.
      vc.undoEdit(nullptr);
      DRElement* restored = drawing.elements().back().get();
      EXPECT_EQ(ConvertMeasureRect(restored->frame()).topLeft(), row.selected->topLeft());
      EXPECT_FALSE(vc.undoManager().isUndoAvailable());
    }
    drawing.setLocked(false);
    select({});
    drawing.elements().resize(1);
  }
}

TEST_F(DrawViewKeysTest, PageAndDocumentKeysScrollTheWholeCanvas) {
  addFarBox();
  canvas->setDrawingFrame();
  const QRectF visible = canvas->visibleRect();
  const QPointF far(std::floor(canvas->width() / canvas->zoom() - visible.width()),
                    std::floor(canvas->height() / canvas->zoom() - visible.height()));
  ASSERT_GT(far.y(), 2 * visible.height());
  struct Row {
    const char* name;
    QPointF start;
    int key;
    QPointF origin;
  };
  const Row rows[] = {
      {"page down", {10, 0}, Qt::Key_PageDown, {10, visible.height()}},
      {"page up", {10, visible.height() + 20}, Qt::Key_PageUp, {10, 20}},
      {"page up stops at 0", {10, 20}, Qt::Key_PageUp, {10, 0}},
      {"page down stops at the end", {0, far.y() - 5}, Qt::Key_PageDown, {0, far.y()}},
      {"end", {0, 0}, Qt::Key_End, far},
      {"home", {40, 50}, Qt::Key_Home, {0, 0}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    canvas->scrollToPoint(row.start);
    key(row.key);
    EXPECT_EQ(origin(), row.origin);
  }
}

TEST_F(DrawViewKeysTest, SpaceTogglesTheSelectToolAndOtherTextIsIgnored) {
  toolbar->setSelectedTool(kToolEllipse);
  ASSERT_EQ(canvas->currentTool(), kToolEllipse);
  key(Qt::Key_Space);
  EXPECT_EQ(canvas->currentTool(), kToolSelect);
  key(Qt::Key_Space);
  EXPECT_EQ(canvas->currentTool(), kToolEllipse);
  // Letters and digits change nothing.
  for (const int code : {int(Qt::Key_A), int(Qt::Key_7), int(Qt::Key_X)}) key(code);
  EXPECT_EQ(canvas->currentTool(), kToolEllipse);
  EXPECT_TRUE(drawing.elements().empty());
}

TEST_F(DrawViewKeysTest, DeleteKeysDeleteAndEscapeUndoesNothingOutsideTyping) {
  for (const int code : {int(Qt::Key_Backspace), int(Qt::Key_Delete)}) {
    SCOPED_TRACE(code);
    clearDrawing();
    addRect(QRectF(10, 10, 30, 30));
    addRect(QRectF(60, 10, 30, 30));
    select({1});
    key(code);
    ASSERT_EQ(drawing.elements().size(), 1u);
    EXPECT_EQ(undoTitle(), QStringLiteral("Undo Delete"));
  }
  // Escape after a nudge leaves the nudge alone.
  select({0});
  key(Qt::Key_Down);
  key(Qt::Key_Escape);
  EXPECT_EQ(ConvertMeasureRect(drawing.elements()[0]->frame()).y(), 11);
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Move"));
}

TEST_F(DrawViewKeysTest, KeysDuringADragAreDropped) {
  DRElementRectangle* rect = addRect(QRectF(40, 40, 30, 30));
  select({0});
  EventDriver mouse(canvas);
  mouse.press(QPointF(50, 50));
  ASSERT_NE(canvas->trackType(), kTrackNone);
  key(Qt::Key_Right, Qt::NoModifier, 2);
  key(Qt::Key_Delete);
  mouse.release(QPointF(50, 50));
  EXPECT_EQ(drawing.elements().size(), 1u);
  EXPECT_EQ(ConvertMeasureRect(rect->frame()).topLeft(), QPointF(40, 40));
}

bool SameCursor(const QCursor& a, const QCursor& b) {
  if (a.shape() != b.shape()) return false;
  return a.shape() != Qt::BitmapCursor || (a.pixmap().toImage() == b.pixmap().toImage() && a.hotSpot() == b.hotSpot());
}

TEST_F(DrawViewKeysTest, ModifierKeysShowTheirCursorsAtOnce) {
  CreateEditorCursors();
  ASSERT_TRUE(g_rotateCursor && g_zoomOutCursor && g_zoomInCursor);
  DRElementText* text = add(Shape<DRElementText>(QRectF(10, 10, 100, 20)));
  text->setText(QStringLiteral("Text"));
  struct Row {
    const char* name;
    DRTool tool;
    bool typing;
    int modifierKey;
    QCursor held;
    QCursor released;
  };
  const Row rows[] = {
      {"Control rotates with the select tool", kToolSelect, false, Qt::Key_Meta, *g_rotateCursor,
       QCursor(Qt::ArrowCursor)},
      {"no rotation while typing", kToolSelect, true, Qt::Key_Meta, QCursor(Qt::ArrowCursor), QCursor(Qt::ArrowCursor)},
      {"Option zooms out", kToolZoom, false, Qt::Key_Alt, *g_zoomOutCursor, *g_zoomInCursor},
      {"Option means nothing to the select tool", kToolSelect, false, Qt::Key_Alt, QCursor(Qt::ArrowCursor),
       QCursor(Qt::ArrowCursor)},
      {"other tools keep their cursor", kToolRectangle, false, Qt::Key_Meta, QCursor(Qt::CrossCursor),
       QCursor(Qt::CrossCursor)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    toolbar->setSelectedTool(row.tool);
    ASSERT_EQ(canvas->currentTool(), row.tool);
    if (row.typing) canvas->startTyping(text, nullptr);
    QWidget* focus = row.typing ? canvas->typingView() : canvas;
    ASSERT_NE(focus, nullptr);
    QTest::keyPress(focus, Qt::Key(row.modifierKey));
    EXPECT_TRUE(SameCursor(canvas->cursor(), row.held));
    QTest::keyRelease(focus, Qt::Key(row.modifierKey));
    EXPECT_TRUE(SameCursor(canvas->cursor(), row.released));
    canvas->normalize(true);
  }
}

TEST_F(DrawViewKeysTest, LosingTheFocusToAnotherViewEndsPolygonBuilding) {
  auto* field = harness.place(new QLineEdit, QRect(QPoint(0, 320), QSize(100, 24)));
  toolbar->setSelectedTool(kToolPolygon);
  canvas->setFocus();
  ASSERT_TRUE(canvas->hasFocus());
  EventDriver mouse(canvas);
  mouse.setStep(1000);
  mouse.click(QPointF(20, 20));
  mouse.click(QPointF(80, 30));
  ASSERT_TRUE(canvas->creatingPolygon());
  // A pop-up menu holding the focus for a while is not leaving.
  QFocusEvent popup(QEvent::FocusOut, Qt::PopupFocusReason);
  QCoreApplication::sendEvent(canvas, &popup);
  EXPECT_TRUE(canvas->creatingPolygon());
  field->setFocus(Qt::TabFocusReason);
  EXPECT_FALSE(canvas->creatingPolygon());
  EXPECT_EQ(drawing.elements().size(), 1u);  // the polygon, installed
}

TEST_F(DrawViewKeysTest, ServicesGetImagesOfShapesAndTextOfALoneText) {
  const QStringList savedTypes = g_clipboardTypes;
  g_clipboardTypes = {QStringLiteral("twdraw.elements"), QStringLiteral("image/png")};
  addRect(QRectF(10, 10, 30, 30));
  add(Shape<DRElementText>(QRectF(60, 10, 80, 20)))->setText(QStringLiteral("Words"));
  struct Row {
    std::vector<size_t> selection;
    const char* send;
    const char* receive;
    bool valid;
  };
  const Row rows[] = {
      {{0}, "image/tiff", "", true},
      {{0}, "text/plain", "", false},
      {{1}, "text/plain", "", true},
      {{1}, "text/rtf", "twdraw.elements", true},
      {{1}, "image/tiff", "", false},
      {{0, 1}, "image/tiff", "", true},
      {{0, 1}, "text/plain", "", false},
      {{}, "image/tiff", "", false},
      {{0}, "image/png", "", false},  // not a type the canvas sends
      {{}, "", "image/png", true},
      {{}, "", "text/x-unknown", false},
      {{0}, "image/tiff", "text/x-unknown", false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(std::string(row.send) + " / " + row.receive);
    select(std::initializer_list<size_t>());
    for (size_t position : row.selection) canvas->addToSelection(drawing.elements()[position].get());
    EXPECT_EQ(canvas->validRequestorForSendType(QString::fromLatin1(row.send), QString::fromLatin1(row.receive)),
              row.valid);
  }
  // What a service gets and gives goes through the element clipboard.
  QMimeData pasteboard;
  EXPECT_TRUE(canvas->writeSelectionToPasteboard(&pasteboard, {QStringLiteral("image/tiff")}));
  EXPECT_EQ(clipboard.copyCount, 1);
  EXPECT_TRUE(canvas->readSelectionFromPasteboard(&pasteboard));
  ASSERT_EQ(clipboard.pastes.size(), 1u);
  EXPECT_EQ(clipboard.pastes[0].x, -1);
  g_clipboardTypes = savedTypes;
}

}  // namespace
