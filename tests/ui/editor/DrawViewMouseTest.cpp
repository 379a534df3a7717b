// Mouse gestures on the canvas that need no real undo store: the hit test,
// presses on elements, the rubber band and its announcements, polygons,
// texts, the zoom tool, the reset-tool preference and the drag out of the
// canvas after a hold.

#include <QCoreApplication>
#include <QImage>

#include "DrawViewFixture.h"
#include "model/DRElementLine.h"
#include "model/DRElementText.h"
#include "model/DRSettings.h"
#include "support/ImageSaving.h"
#include "support/TextDrawing.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/EditorNotifications.h"

namespace {

constexpr int64_t kDegree = 12700;

class DrawViewMouseTest : public DrawViewFixture {
 protected:
  void SetUp() override {
    DrawViewFixture::SetUp();
    mouse = std::make_unique<CanvasMouse>(canvas);
  }
  void TearDown() override {
    DRDrawView::setHoldInterval(-1);
    DRSettings::sharedInstance().setPolygonTolerance(kDefaultPolygonTolerance);
    DrawViewFixture::TearDown();
  }

  void selectTool(DRTool tool) {
    NotificationCenter::defaultCenter().post(g_toolChangedNotification, &harness, {{g_toolKey, int(tool)}});
    ASSERT_EQ(canvas->currentTool(), tool);
  }
  void select(std::vector<DRElement*> elements) {
    canvas->setSelection(std::move(elements));
    canvas->selectionDidChange();
  }
  DRElementLine* addLine(QPointF from, QPointF to) {
    auto line = std::make_unique<DRElementLine>();
    line->setArrow(std::nullopt);
    line->setUnderConstruction(true);
    line->setStartPoint(ConvertViewPoint(from.x(), from.y()));
    line->setEndPoint(ConvertViewPoint(to.x(), to.y()));
    line->setFrame(RectFromPointsMU(line->startPoint(), line->endPoint()));
    line->setUnderConstruction(false);
    return add(std::move(line));
  }
  // The centre of a grab dot of the element as it draws it (view units).
  static QPointF DotCentre(const DRElement* element, int dot) {
    std::array<QRectF, 8> rects;
    element->getGrabDotRects(rects, ConvertMeasureRect(element->frame()));
    return rects[size_t(dot)].center();
  }
  // Lets the hold timer (shortened to 0) fire without waiting.
  void letTimersFire() {
    for (int i = 0; i < 5; ++i) QCoreApplication::processEvents();
  }
  DRElement* frontElement() const { return drawing.elements().empty() ? nullptr : drawing.elements().back().get(); }

  std::unique_ptr<CanvasMouse> mouse;
};

TEST_F(DrawViewMouseTest, HitTestFindsGrabDotsOfSelectedUnrotatedElements) {
  DRElementRectangle* rect = addRect(QRectF(40, 40, 100, 60));
  DRElementLine* line = addLine(QPointF(180, 40), QPointF(260, 120));
  select({rect, line});

  struct Row {
    const char* name;
    double zoom;
    bool locked;
    int64_t rotation;
  } rows[] = {
      {"plain", 1.0, false, 0},
      {"zoomed in: dots keep their screen size", 2.0, false, 0},
      {"zoomed out", 0.5, false, 0},
      {"locked drawing", 1.0, true, 0},
      {"rotated rectangle", 1.0, false, 30 * kDegree},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    canvas->setZoomValue(row.zoom);
    drawing.setLocked(row.locked);
    rect->setRotation(row.rotation);
    const bool rectDots = !row.locked && row.rotation == 0;
    for (int dot = 0; dot < 8; ++dot) {
      SCOPED_TRACE(dot);
      const QPointF centre = DotCentre(rect, dot);
      DRElement* hit = canvas->elementUnderPoint(QPointF(std::floor(centre.x()), std::floor(centre.y())), false);
      if (rectDots) {
        EXPECT_EQ(hit, rect);
        EXPECT_EQ(canvas->grabDot(), dot);
      } else {
        EXPECT_EQ(canvas->grabDot(), kGrabDotBody);
      }
    }
    // A line's two dots are its start and end; lines are never rotated.
    const QPointF start = DotCentre(line, 0), end = DotCentre(line, 1);
    EXPECT_EQ(canvas->elementUnderPoint(QPointF(std::floor(start.x()), std::floor(start.y())), false),
              row.locked ? nullptr : line);
    EXPECT_EQ(canvas->grabDot(), row.locked ? kGrabDotBody : kGrabDotLineStart);
    EXPECT_EQ(canvas->elementUnderPoint(QPointF(std::floor(end.x()), std::floor(end.y())), false),
              row.locked ? nullptr : line);
    EXPECT_EQ(canvas->grabDot(), row.locked ? kGrabDotBody : kGrabDotLineEnd);
  }
  drawing.setLocked(false);
  rect->setRotation(0);
  canvas->setZoomValue(1.0);

  // The body, the frontmost element first, and nothing on empty space.
  DRElementRectangle* front = addRect(QRectF(100, 60, 60, 60));
  EXPECT_EQ(canvas->elementUnderPoint(QPointF(120, 80), false), front);
  EXPECT_EQ(canvas->grabDot(), kGrabDotBody);
  EXPECT_EQ(canvas->elementUnderPoint(QPointF(60, 50), false), rect);
  EXPECT_EQ(canvas->elementUnderPoint(QPointF(280, 180), false), nullptr);

  // A press on a line's end dot resizes that end.
  select({rect, line});
  const QPointF end = DotCentre(line, 1);
  mouse->press(QPointF(std::floor(end.x()), std::floor(end.y())));
  EXPECT_EQ(canvas->trackType(), kTrackResize);
  EXPECT_EQ(canvas->grabDot(), kGrabDotLineEnd);
  EXPECT_EQ(canvas->dragElement(), line);
  EXPECT_EQ(canvas->selection(), std::vector<DRElement*>{line});
  mouse->release(QPointF(std::floor(end.x()), std::floor(end.y())));
  EXPECT_EQ(canvas->trackType(), kTrackNone);
  EXPECT_EQ(canvas->dragElement(), nullptr);
}

TEST_F(DrawViewMouseTest, PressesOnElementsWithModifiers) {
  DRElementRectangle* a = addRect(QRectF(20, 20, 40, 40));
  DRElementRectangle* b = addRect(QRectF(80, 20, 40, 40));
  DRElementRectangle* c = addRect(QRectF(140, 20, 40, 40));
  DRElementLine* line = addLine(QPointF(20, 120), QPointF(180, 120));
  const QPointF onA(40, 40), onB(100, 40), onLine(100, 120);

  struct Row {
    const char* name;
    std::vector<DRElement*> before;
    QPointF at;
    Qt::KeyboardModifiers modifiers;
    Qt::MouseButton button;
    DRTrackType track;  // while the button is down
    std::vector<DRElement*> whileDown;
    std::vector<DRElement*> after;  // after the release without moving
  } rows[] = {
      {"click on one of three selected selects it alone", {a, b, c}, onB, {}, Qt::LeftButton, kTrackMove,
       {a, b, c}, {b}},
      {"Command-press on a selected element deselects it and starts nothing", {a, b}, onA, Qt::ControlModifier,
       Qt::LeftButton, kTrackNone, {b}, {b}},
      {"Command-press on an unselected element adds it", {a}, onB, Qt::ControlModifier, Qt::LeftButton, kTrackMove,
       {a, b}, {a, b}},
      {"Control-press on an unselected element selects it alone and rotates", {a, c}, onB, Qt::MetaModifier,
       Qt::LeftButton, kTrackRotate, {b}, {b}},
      {"Control-press on one of a selection keeps it alone and rotates", {a, b, c}, onB, Qt::MetaModifier,
       Qt::LeftButton, kTrackRotate, {b}, {b}},
      {"a right-button press counts as Control", {a}, onB, {}, Qt::RightButton, kTrackRotate, {b}, {b}},
      {"Control on a line moves it instead", {a}, onLine, Qt::MetaModifier, Qt::LeftButton, kTrackMove, {line},
       {line}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    select(row.before);
    mouse->setModifiers(row.modifiers);
    mouse->press(row.at, row.button);
    EXPECT_EQ(canvas->trackType(), row.track);
    EXPECT_EQ(canvas->selection(), row.whileDown);
    mouse->release(row.at, row.button);
    mouse->setModifiers({});
    EXPECT_EQ(canvas->selection(), row.after);
    EXPECT_EQ(canvas->trackType(), kTrackNone);
    EXPECT_FALSE(canvas->suppressCasings());
  }
  // Nothing was moved or rotated by the presses.
  EXPECT_EQ(a->frame(), PtRect(20, 20, 40, 40));
  EXPECT_EQ(b->frame(), PtRect(80, 20, 40, 40));
  EXPECT_EQ(b->rotation(), 0);

  // In a locked drawing a press selects but neither moves nor rotates.
  drawing.setLocked(true);
  select({a});
  mouse->setModifiers(Qt::MetaModifier);
  mouse->press(onB);
  EXPECT_EQ(canvas->selection(), std::vector<DRElement*>{b});
  EXPECT_EQ(canvas->dragElement(), nullptr);
  mouse->move(onB + QPointF(30, 0));
  mouse->release(onB + QPointF(30, 0));
  EXPECT_EQ(b->frame(), PtRect(80, 20, 40, 40));
  EXPECT_TRUE(vc.entries.empty());
}

TEST_F(DrawViewMouseTest, RubberBandSelectsAndAnnouncesOnlyAtItsEnds) {
  DRElementRectangle* a = addRect(QRectF(20, 20, 30, 30));
  DRElementRectangle* b = addRect(QRectF(100, 20, 30, 30));
  DRElementRectangle* c = addRect(QRectF(100, 100, 30, 30));
  const QString change = g_selectionChangeNotification;
  const QString done = g_doneSelectingNotification;

  struct Row {
    const char* name;
    std::vector<DRElement*> before;
    Qt::KeyboardModifiers modifiers;
    int changesAtPress;
    std::vector<DRElement*> after;
  } rows[] = {
      {"a new band empties the selection, announced at once", {a}, {}, 1, {b, c}},
      {"nothing selected: nothing to announce at the press", {}, {}, 0, {b, c}},
      {"Command toggles what the band covers", {a, b}, Qt::ControlModifier, 0, {a, c}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    select(row.before);
    NotificationRecorder recorder({change, done});
    mouse->setModifiers(row.modifiers);
    mouse->press(QPointF(90, 10));
    EXPECT_EQ(canvas->trackType(), kTrackRubberBand);
    EXPECT_EQ(recorder.count(change), row.changesAtPress);
    // Within the dead zone nothing happens; then the band grows over b and c.
    mouse->move(QPointF(92, 12));
    EXPECT_TRUE(canvas->highlightRect().isEmpty());
    mouse->move(QPointF(140, 60));
    EXPECT_EQ(canvas->highlightRect(), QRectF(90, 10, 50, 50));
    mouse->move(QPointF(140, 140));
    EXPECT_EQ(recorder.count(change), row.changesAtPress);
    EXPECT_EQ(canvas->selection(), row.after);
    mouse->release(QPointF(140, 140));
    mouse->setModifiers({});
    EXPECT_EQ(recorder.count(change), row.changesAtPress + 1);
    EXPECT_EQ(recorder.count(done), 1);
    EXPECT_EQ(canvas->selection(), row.after);
    EXPECT_TRUE(canvas->highlightRect().isEmpty());
  }

  // A plain click on empty space posts "twdraw.doneSelecting" too.
  select({});
  NotificationRecorder recorder({change, done});
  mouse->click(QPointF(250, 180));
  EXPECT_EQ(recorder.names(), (QStringList{change, done}));
  EXPECT_TRUE(canvas->selection().empty());
}

TEST_F(DrawViewMouseTest, PolygonsAreBuiltClickByClick) {
  struct Row {
    const char* name;
    bool option;
    bool closeOnFirst;
    size_t vertices;  // once installed
    bool closed;
  } rows[] = {
      {"ended by a double-click", false, false, 5, false},
      {"ended on the first vertex: closed", false, true, 5, true},
      // The last vertex then stands in for the first.
      {"Option with the double-click closes it automatically", true, false, 4, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    drawing.elements().clear();
    canvas->setSelection({});
    selectTool(kToolPolygon);

    mouse->click(QPointF(50, 50));
    ASSERT_TRUE(canvas->creatingPolygon());
    auto* polygon = dynamic_cast<DRElementPolygon*>(canvas->newElement());
    ASSERT_NE(polygon, nullptr);
    EXPECT_TRUE(drawing.elements().empty());
    mouse->click(QPointF(150, 50));
    // Closer than the tolerance (3 points) to the last vertex: not added.
    mouse->click(QPointF(152, 51));
    EXPECT_EQ(polygon->points().size(), 2u);
    mouse->click(QPointF(153, 50));
    EXPECT_EQ(polygon->points().size(), 3u);
    mouse->click(QPointF(150, 150));
    EXPECT_EQ(polygon->points().size(), 4u);
    EXPECT_FALSE(polygon->isClosed());
    const QPointF last = row.closeOnFirst ? QPointF(52, 51) : QPointF(60, 140);
    mouse->click(last);
    EXPECT_EQ(polygon->points().size(), 5u);
    EXPECT_EQ(polygon->isClosed(), row.closeOnFirst);
    EXPECT_EQ(polygon->frame(), polygon->polygonRect());

    if (row.option) mouse->setModifiers(Qt::AltModifier);
    mouse->doubleClick(last);
    mouse->setModifiers({});
    EXPECT_FALSE(canvas->creatingPolygon());
    EXPECT_EQ(canvas->newElement(), nullptr);
    ASSERT_EQ(frontElement(), polygon);
    EXPECT_EQ(canvas->selection(), std::vector<DRElement*>{polygon});
    EXPECT_EQ(polygon->points().size(), row.vertices);  // the double-click adds no vertex
    EXPECT_EQ(polygon->isClosed(), row.closed);
    EXPECT_FALSE(polygon->isUnderConstruction());
  }
  // One "Add Object" entry per polygon.
  EXPECT_EQ(vc.entries, (std::vector<std::pair<int, int>>(3, {2, 2})));
}

TEST_F(DrawViewMouseTest, TextsMadeByClicksAndNarrowDrags) {
  const double lineHeight = LineHeightForFont(DRSettings::sharedInstance().textInfo().fontValue());
  struct Row {
    const char* name;
    double dragWidth;  // 0: a click
    double width;
    bool autoSize;
  } rows[] = {
      {"a click: auto-sizing, 54 points", 0, 54, true},
      {"10 points: widened to 72", 10, 72, false},
      {"18 points: kept, within the text's minimum of 20", 18, 20, false},
      {"30 points: kept", 30, 30, false},
      {"100 points: kept", 100, 100, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    selectTool(kToolText);
    const QPointF from(40, 60);
    if (row.dragWidth == 0)
      mouse->click(from);
    else
      mouse->drag(from, from + QPointF(row.dragWidth, 30));
    auto* text = dynamic_cast<DRElementText*>(frontElement());
    ASSERT_NE(text, nullptr);
    const QRectF frame = ConvertMeasureRect(text->frame());
    EXPECT_EQ(frame.topLeft(), from);
    EXPECT_DOUBLE_EQ(frame.width(), row.width);
    EXPECT_NEAR(frame.height(), lineHeight, 1.0 / kMeasurePerPoint);  // one line, whatever the drag's height
    EXPECT_EQ(text->autoSize(), row.autoSize);
    EXPECT_EQ(canvas->selection(), std::vector<DRElement*>{text});
    // The new text is typed into; ending that lets the drawing be emptied.
    canvas->normalize(true);
    canvas->setSelection({});
    drawing.elements().clear();
  }
  // A click on an existing text with the text tool types into it: no new text.
  selectTool(kToolText);
  auto existing = std::make_unique<DRElementText>();
  existing->setFrame(PtRect(100, 100, 80, 20));
  existing->setText(QStringLiteral("Hello"));
  DRElementText* placed = add(std::move(existing));
  mouse->click(QPointF(120, 110));
  EXPECT_EQ(drawing.elements().size(), 1u);
  EXPECT_EQ(frontElement(), placed);
}

TEST_F(DrawViewMouseTest, ToolDragsInALockedDrawingMakeNothing) {
  drawing.setLocked(true);
  for (DRTool tool : {kToolRectangle, kToolLine, kToolText, kToolPolygon, kToolScribble}) {
    SCOPED_TRACE(int(tool));
    selectTool(tool);
    mouse->drag(QPointF(20, 20), QPointF(120, 90));
    EXPECT_EQ(canvas->trackType(), kTrackNone);
    EXPECT_FALSE(canvas->creatingPolygon());
    EXPECT_EQ(canvas->newElement(), nullptr);
  }
  EXPECT_TRUE(drawing.elements().empty());
}

TEST_F(DrawViewMouseTest, ResetToolPreferenceAndTheZoomTool) {
  struct Row {
    const char* name;
    bool reset;
    DRTool tool;
    bool doubleClick;
    double zoom;  // afterwards
    DRTool toolAfter;
  } rows[] = {
      {"one rectangle", true, kToolRectangle, false, 1.0, kToolSelect},
      {"one rectangle, no reset", false, kToolRectangle, false, 1.0, kToolRectangle},
      {"one zoom click: one step", true, kToolZoom, false, 1.25, kToolSelect},
      {"a zoom double-click: two steps", false, kToolZoom, true, 1.5, kToolZoom},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    prefs.reset = row.reset;
    canvas->setZoomValue(1.0);
    selectTool(row.tool);
    if (row.tool == kToolRectangle) {
      mouse->drag(QPointF(20, 20), QPointF(80, 60));
    } else if (row.doubleClick) {
      // Both presses at one spot of the screen, wherever the zoom put the
      // canvas.
      EventDriver& driver = mouse->driver();
      const QPoint screen = canvas->mapToGlobal(QPoint(60, 60));
      driver.setStep(20);
      driver.press(QPointF(60, 60));
      driver.release(QPointF(60, 60));
      driver.doubleClick(QPointF(canvas->mapFromGlobal(screen)));
      driver.release(QPointF(canvas->mapFromGlobal(screen)));
      driver.setStep(1000);
    } else {
      mouse->click(QPointF(60, 60));
    }
    EXPECT_EQ(canvas->currentTool(), row.toolAfter);
    EXPECT_DOUBLE_EQ(canvas->zoom(), row.zoom);
  }
  canvas->setZoomValue(1.0);
  prefs.reset = true;

  // Building a polygon keeps the tool until the polygon ends.
  selectTool(kToolPolygon);
  mouse->click(QPointF(20, 120));
  mouse->click(QPointF(120, 120));
  EXPECT_EQ(canvas->currentTool(), kToolPolygon);
  mouse->doubleClick(QPointF(70, 180));
  EXPECT_EQ(canvas->currentTool(), kToolSelect);
}

TEST_F(DrawViewMouseTest, HoldingStillOnTheSelectionDragsItOut) {
  DRDrawView::setHoldInterval(0);
  DRElementRectangle* a = addRect(QRectF(20, 20, 40, 40));
  DRElementRectangle* b = addRect(QRectF(100, 20, 40, 40));
  QImage picture(12, 8, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::red);
  const QByteArray tiff = TiffFromImage(CSImage::initWithCGImage(picture, QSizeF(12, 8)));
  ASSERT_FALSE(tiff.isEmpty());

  struct Row {
    const char* name;
    bool picture;  // the copy carries a picture to drag
    bool moveFirst;  // the pointer moves before the hold ends
    bool dragsOut;
    bool transfers = true;  // the clipboard code is registered
  } rows[] = {
      {"held: the selection goes out with its picture", true, false, true},
      {"no picture to drag: the gesture stays a move", false, false, false},
      {"moved before the hold: a move", true, true, false},
      {"no clipboard code: nothing is copied, a move", true, false, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    a->setFrame(PtRect(20, 20, 40, 40));
    b->setFrame(PtRect(100, 20, 40, 40));
    select({a, b});
    clipboard.copyCount = 0;
    clipboard.copiedSelections.clear();
    clipboard.copyTiff = row.picture ? tiff : QByteArray();
    clipboard.transfers = row.transfers;
    canvas->dragFormats.clear();
    NotificationRecorder recorder({g_doneSelectingNotification});

    mouse->press(QPointF(40, 40));
    if (row.moveFirst) mouse->move(QPointF(50, 40));
    letTimersFire();
    const bool held = !row.moveFirst && row.transfers;
    EXPECT_EQ(canvas->trackType(), held ? kTrackDragOut : kTrackMove);
    mouse->move(QPointF(60, 40));
    mouse->move(QPointF(70, 40));
    mouse->release(QPointF(70, 40));

    if (row.dragsOut) {
      ASSERT_EQ(canvas->dragFormats.size(), 1u);
      EXPECT_TRUE(canvas->dragFormats[0].contains(QStringLiteral("twdraw.elements")));
      EXPECT_TRUE(canvas->dragFormats[0].contains(QStringLiteral("image/tiff")));
      ASSERT_EQ(clipboard.copiedSelections.size(), 1u);
      EXPECT_EQ(clipboard.copiedSelections[0], (std::vector<DRElement*>{a, b}));
      // Nothing moved, and the selection stays whole.
      EXPECT_EQ(a->frame(), PtRect(20, 20, 40, 40));
      EXPECT_EQ(canvas->selection(), (std::vector<DRElement*>{a, b}));
      EXPECT_EQ(canvas->dragPasteboard(), nullptr);
    } else {
      EXPECT_TRUE(canvas->dragFormats.empty());
      EXPECT_EQ(clipboard.copyCount, held ? 1 : 0);
      // The whole selection moved with the pointer.
      EXPECT_EQ(a->frame(), PtRect(50, 20, 40, 40));
      EXPECT_EQ(b->frame(), PtRect(130, 20, 40, 40));
    }
    EXPECT_EQ(canvas->trackType(), kTrackNone);
    EXPECT_EQ(recorder.count(g_doneSelectingNotification), 1);
  }
}

}  // namespace
