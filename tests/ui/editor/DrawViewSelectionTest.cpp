// The canvas's selection, current style, reset, reshape, pasting, drops and
// tools.

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QUrl>

#include "DrawViewFixture.h"
#include "model/DRElementBentLine.h"
#include "model/DRElementLine.h"
#include "model/DRElementText.h"
#include "model/DRSettings.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/DRToolbarView.h"
#include "ui/editor/EditorNotifications.h"

namespace {

constexpr int64_t kDegree = 12700;
constexpr Kolor kRed = MakeKolor(255, 0, 0);
constexpr Kolor kBlue = MakeKolor(0, 0, 255);
constexpr std::pair<int, int> kResetEntry{1, 53};
constexpr std::pair<int, int> kReshapeEntry{1, 54};

const QString kCantReshape = QStringLiteral("I can't reshape the polygon or scribble.");
const QString kCantReshapeInfo = QStringLiteral(
    "The selected shape has been rotated or resized. It can't be reshaped in its current state. Should I reset it to "
    "normal so you can reshape it?");

class DrawViewSelectionTest : public DrawViewFixture {
 protected:
  DRElementText* addText(const QRectF& frame, bool ignored = false) {
    auto text = std::make_unique<DRElementText>();
    text->setFrame(ConvertViewRect(frame));
    text->setOriginalSize(CSPoint{text->frame().width, text->frame().height});
    text->setIgnoreText(ignored);
    return add(std::move(text));
  }
  // A list of new rectangles enclosed by `frame` (points).
  static DRElementList NewElements(const QRectF& frame) {
    DRElementList list;
    auto rect = std::make_unique<DRElementRectangle>();
    rect->setFrame(ConvertViewRect(frame));
    list.push_back(std::move(rect));
    return list;
  }
  std::vector<DRElement*> elementOrder() const {
    std::vector<DRElement*> order;
    for (const auto& element : drawing.elements()) order.push_back(element.get());
    return order;
  }
};

TEST_F(DrawViewSelectionTest, SelectingAndAnnouncing) {
  DRElementRectangle* back = addRect(QRectF(10, 10, 20, 20));
  DRElementText* hidden = addText(QRectF(40, 10, 60, 20), true);
  DRElementRectangle* front = addRect(QRectF(110, 10, 20, 20));

  // Selected front to back, copied back to front, hidden texts left out.
  canvas->addToSelection(front);
  canvas->addToSelection(hidden);
  canvas->addToSelection(back);
  canvas->addToSelection(front);  // already selected: no second entry
  EXPECT_EQ(canvas->selection(), (std::vector<DRElement*>{front, hidden, back}));
  EXPECT_EQ(canvas->copyableSelection(), (std::vector<DRElement*>{back, front}));
  EXPECT_TRUE(canvas->isElementSelected(hidden));
  canvas->removeFromSelection(hidden);
  EXPECT_FALSE(canvas->isElementSelected(hidden));
  EXPECT_EQ(canvas->selectionExtent(false, true), PtRect(10, 10, 120, 20));

  // Announcing resets the gestures' undo ids.
  canvas->setTrackUndoID(3);
  canvas->setTypeUndoID(4);
  canvas->setMoveUndoID(5);
  NotificationRecorder recorder({g_selectionChangeNotification});
  canvas->selectionDidChange();
  ASSERT_EQ(recorder.count(g_selectionChangeNotification), 1);
  EXPECT_EQ(recorder.posted()[0].object, &harness);
  EXPECT_EQ(canvas->trackUndoID(), kNoUndoID);
  EXPECT_EQ(canvas->typeUndoID(), kNoUndoID);
  EXPECT_EQ(canvas->moveUndoID(), kNoUndoID);

  // Emptying: announced only when asked and when something was selected;
  // the duplication offset is invalid either way.
  struct Row {
    bool selected;
    bool notify;
    int posted;
  } rows[] = {{true, true, 1}, {true, false, 0}, {false, true, 0}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.selected << row.notify);
    canvas->setSelection(row.selected ? std::vector<DRElement*>{back} : std::vector<DRElement*>{});
    drawing.setDupOffsetValid(true);
    recorder.clear();
    canvas->unselectAll(row.notify);
    EXPECT_TRUE(canvas->selection().empty());
    EXPECT_FALSE(drawing.isDupOffsetValid());
    EXPECT_EQ(recorder.count(g_selectionChangeNotification), row.posted);
  }
}

TEST_F(DrawViewSelectionTest, TheCurrentStyleOfTheSelection) {
  DRSettings& tools = settings.settings();
  tools.setFillKolor(MakeKolor(0, 255, 0));
  DRElementRectangle* red = addRect(QRectF(0, 0, 10, 10), kRed);
  DRElementRectangle* blue = addRect(QRectF(20, 0, 10, 10), kBlue);
  DRElementRectangle* otherRed = addRect(QRectF(40, 0, 10, 10), kRed);
  auto lineElement = std::make_unique<DRElementLine>();
  lineElement->setFrame(PtRect(0, 20, 10, 10));
  DRElementLine* line = add(std::move(lineElement));
  DRElementText* text = addText(QRectF(0, 40, 50, 20));

  struct Row {
    const char* name;
    std::vector<DRElement*> selection;
    Kolor fill;
  } rows[] = {
      {"a line and a rectangle: the rectangle's fill", {line, red}, kRed},
      {"two rectangles with different fills: no colour", {red, blue}, g_nilKolor},
      {"two rectangles with the same fill", {red, otherRed}, kRed},
      {"nothing: the tools' fill", {}, MakeKolor(0, 255, 0)},
      {"only a text: the tools' fill", {text}, MakeKolor(0, 255, 0)},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    canvas->setSelection(row.selection);
    DRCopiedStyle style;
    canvas->getCurrentStyle(&style);
    EXPECT_EQ(style.fillKolor, row.fill);
    canvas->contentView().getCurrentStyle(&style);
    EXPECT_EQ(style.fillKolor, row.fill);
  }

  // The text's colour stands for a line colour, mixed with a line of
  // another colour.
  DRLineInfo lineStyle = line->lineStyle();
  lineStyle.setKolorWithoutRegistering(kBlue);
  line->setLineInfo(lineStyle);
  DRCopiedStyle style;
  canvas->setSelection({text});
  canvas->getCurrentStyle(&style);
  EXPECT_EQ(style.lineInfo.kolor(), text->textInfo().textKolor());
  ASSERT_NE(text->textInfo().textKolor(), kBlue);
  canvas->setSelection({text, line});
  canvas->getCurrentStyle(&style);
  EXPECT_EQ(style.lineInfo.kolor(), g_nilKolor);
  // Nothing selected: the tools' line style and arrow.
  canvas->setSelection({});
  canvas->getCurrentStyle(&style);
  EXPECT_EQ(style.lineInfo, tools.lineInfo());
  EXPECT_EQ(style.arrow, tools.arrow());
  EXPECT_FALSE(style.shadow.has_value());
  EXPECT_FALSE(style.gradient.has_value());
}

TEST_F(DrawViewSelectionTest, ResettingSizeAndRotation) {
  DRElementRectangle* rotated = addRect(QRectF(10, 10, 40, 20));
  rotated->setRotation(30 * kDegree);
  DRElementRectangle* resized = addRect(QRectF(60, 10, 80, 20));
  resized->setOriginalSize(CSPoint{Pt(40), Pt(40)});
  resized->setConstrainedNoResize(true);
  DRElementText* text = addText(QRectF(10, 60, 100, 30));
  text->setRotation(45 * kDegree);
  text->setOriginalSize(CSPoint{Pt(50), Pt(50)});
  auto lineElement = std::make_unique<DRElementLine>();
  lineElement->setFrame(PtRect(0, 100, 30, 10));
  DRElementLine* line = add(std::move(lineElement));
  const CSRect textFrame = text->frame();
  const CSRect lineFrame = line->frame();

  NotificationRecorder recorder({g_positionChangeNotification, g_rotationNotification});
  canvas->setSelection({rotated, resized, text, line});
  drawing.setDupOffsetValid(true);
  canvas->resetSelection(true);
  EXPECT_EQ(vc.entries, (std::vector<std::pair<int, int>>{kResetEntry}));
  EXPECT_FALSE(drawing.isDupOffsetValid());
  EXPECT_EQ(rotated->rotation(), 0);
  EXPECT_EQ(rotated->frame(), PtRect(10, 10, 40, 20));
  // Back to its original size, keeping its origin; a square original keeps
  // the constraint.
  EXPECT_EQ(resized->frame(), PtRect(60, 10, 40, 40));
  EXPECT_TRUE(resized->isConstrained());
  // A text turns back but keeps its size; a line is left alone.
  EXPECT_EQ(text->rotation(), 0);
  EXPECT_EQ(text->frame(), textFrame);
  EXPECT_EQ(line->frame(), lineFrame);
  EXPECT_EQ(recorder.names(), (QStringList{g_positionChangeNotification, g_rotationNotification}));

  // Nothing left to reset: the entry is taken back and nothing announced.
  recorder.clear();
  canvas->setSelection({rotated, line});
  EXPECT_TRUE(vc.undoManager().isUndoAvailable());
  vc.undoManager().clearUndo();
  canvas->resetSelection(true);
  EXPECT_EQ(vc.entries.size(), 2u);
  EXPECT_FALSE(vc.undoManager().isUndoAvailable());
  EXPECT_TRUE(recorder.names().isEmpty());

  // A constrained shape whose original is not square loses its constraint.
  DRElementRectangle* wide = addRect(QRectF(10, 200, 90, 90));
  wide->setOriginalSize(CSPoint{Pt(60), Pt(30)});
  wide->setConstrainedNoResize(true);
  canvas->setSelection({wide});
  canvas->resetSelection(false);
  EXPECT_EQ(wide->frame(), PtRect(10, 200, 60, 30));
  EXPECT_FALSE(wide->isConstrained());

  // A locked drawing refuses the entry and keeps everything.
  wide->setRotation(10 * kDegree);
  drawing.setLocked(true);
  canvas->resetSelection(true);
  EXPECT_EQ(wide->rotation(), 10 * kDegree);
}

TEST_F(DrawViewSelectionTest, ReshapingAShapeThatWasTurnedOrResized) {
  struct Row {
    const char* name;
    int answer;  // the button pressed
    bool resume;
    bool reshaping;
    bool building;
  } rows[] = {
      {"cancel", 1, false, false, false},
      {"reset and reshape", 0, false, true, false},
      {"reset and resume", 0, true, false, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    drawing.elements().clear();
    vc.entries.clear();
    CSRecordingAlertPresenter::shared().clear();
    CSRecordingAlertPresenter::shared().setAnswer(row.answer);
    DRElementPolygon* polygon = addPolygon(QRectF(20, 20, 60, 40));
    polygon->setRotation(15 * kDegree);
    canvas->setSelection({polygon});

    canvas->reshapePolygon(true, row.resume);
    const auto alerts = CSRecordingAlertPresenter::shared().alerts();
    ASSERT_EQ(alerts.size(), 1u);
    EXPECT_EQ(alerts[0].message, kCantReshape);
    EXPECT_EQ(alerts[0].moreInfo, kCantReshapeInfo);
    EXPECT_EQ(alerts[0].buttons, (QStringList{QStringLiteral("Reset"), QStringLiteral("Cancel")}));
    EXPECT_FALSE(alerts[0].offeredSuppression);

    const bool reset = row.answer == 0;
    EXPECT_EQ(polygon->rotation(), reset ? 0 : 15 * kDegree);
    // One entry for the reset and the reshape together.
    const std::vector<std::pair<int, int>> entries =
        reset ? std::vector<std::pair<int, int>>{kReshapeEntry} : std::vector<std::pair<int, int>>{};
    EXPECT_EQ(vc.entries, entries);
    EXPECT_EQ(canvas->reshapeElement() == polygon, row.reshaping);
    EXPECT_EQ(polygon->isReshaping(), row.reshaping);
    EXPECT_EQ(canvas->creatingPolygon(), row.building);
    EXPECT_EQ(canvas->newElement() == polygon, row.building);
    canvas->normalize(true);
  }
}

TEST_F(DrawViewSelectionTest, ReshapeModeComesAndGoes) {
  DRElementPolygon* polygon = addPolygon(QRectF(20, 20, 60, 40));
  const std::vector<CSPoint> points = polygon->points();
  canvas->setSelection({polygon});
  NotificationCenter::defaultCenter().post(g_toolChangedNotification, &harness, {{g_toolKey, int(kToolRectangle)}});

  canvas->reshapePolygon(true, false);
  EXPECT_TRUE(CSRecordingAlertPresenter::shared().alerts().empty());
  EXPECT_EQ(vc.entries, (std::vector<std::pair<int, int>>{kReshapeEntry}));
  EXPECT_EQ(canvas->reshapeElement(), polygon);
  EXPECT_TRUE(polygon->isUnderConstruction());  // its points are on the page now
  EXPECT_TRUE(polygon->suppressCasing());
  EXPECT_EQ(polygon->points()[0], (CSPoint{Pt(20), Pt(20)}));
  EXPECT_EQ(canvas->currentTool(), kToolSelect);
  EXPECT_EQ(canvas->previousTool(), kToolRectangle);
  EXPECT_EQ(canvas->cursor().shape(), Qt::CrossCursor);

  // The same command again leaves reshape mode and says so.
  NotificationRecorder recorder({g_polyReshapeNotification, g_positionChangeNotification});
  canvas->reshapePolygon(true, false);
  EXPECT_EQ(recorder.names(), (QStringList{g_positionChangeNotification, g_polyReshapeNotification}));
  EXPECT_EQ(canvas->reshapeElement(), nullptr);
  EXPECT_FALSE(polygon->isReshaping());
  EXPECT_FALSE(polygon->suppressCasing());
  EXPECT_EQ(polygon->points(), points);
  EXPECT_EQ(vc.entries.size(), 1u);

  // Only one scribble-like element can be reshaped; a locked drawing
  // refuses.
  DRElementRectangle* rect = addRect(QRectF(100, 100, 10, 10));
  struct Row {
    const char* name;
    std::vector<DRElement*> selection;
    bool locked;
  } rows[] = {
      {"a rectangle", {rect}, false},
      {"two polygons' worth", {polygon, rect}, false},
      {"locked", {polygon}, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    drawing.setLocked(row.locked);
    canvas->setSelection(row.selection);
    canvas->reshapePolygon(true, false);
    EXPECT_EQ(canvas->reshapeElement(), nullptr);
    EXPECT_FALSE(polygon->isReshaping());
  }
}

TEST_F(DrawViewSelectionTest, AResumedPolygonReturnsWhenItEnds) {
  // However thin, a shape taken out of the drawing to go on building it
  // comes back, and its undo entry stays.
  struct Row {
    const char* name;
    QRectF frame;
  } rows[] = {
      {"a polygon", {20, 20, 60, 40}},
      {"a polygon a point high", {20, 20, 60, 1}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    drawing.elements().clear();
    vc.entries.clear();
    vc.undoManager().clearUndo();
    addRect(QRectF(0, 0, 10, 10));
    DRElementPolygon* polygon = addPolygon(row.frame);
    DRElementRectangle* front = addRect(QRectF(200, 0, 10, 10));
    canvas->setSelection({polygon});

    canvas->reshapePolygon(true, true);
    EXPECT_EQ(vc.entries, (std::vector<std::pair<int, int>>{kReshapeEntry}));
    EXPECT_EQ(canvas->newElement(), polygon);
    EXPECT_TRUE(canvas->creatingPolygon());
    EXPECT_EQ(canvas->currentTool(), kToolPolygon);
    EXPECT_TRUE(canvas->selection().empty());
    EXPECT_EQ(drawing.elements().size(), 2u);
    // Building goes on from the last vertex, on the page.
    EXPECT_EQ(polygon->points().back(), (CSPoint{Pt(row.frame.left()), Pt(row.frame.bottom())}));

    canvas->normalize(true);
    EXPECT_FALSE(canvas->creatingPolygon());
    EXPECT_EQ(canvas->newElement(), nullptr);
    ASSERT_EQ(drawing.elements().size(), 3u);
    EXPECT_EQ(elementOrder().back(), polygon);  // installed in front
    EXPECT_EQ(elementOrder()[1], front);
    EXPECT_EQ(canvas->selection(), (std::vector<DRElement*>{polygon}));
    EXPECT_FALSE(polygon->isUnderConstruction());
    EXPECT_TRUE(vc.undoManager().isUndoAvailable());
  }
}

TEST_F(DrawViewSelectionTest, PastedElementsArePlacedOnWholePointsInTheDrawing) {
  struct Row {
    const char* name;
    QPointF point;
    QRectF enclosing;
    QPointF scroll;
    QPointF topLeft;
    int descriptor;
  } rows[] = {
      {"dropped near the corner: clamped", {30, 10}, {5, 5, 100, 40}, {0, 0}, {0, 0}, 8},
      {"dropped", {200, 150}, {5, 5, 100, 40}, {0, 0}, {150, 130}, 8},
      {"dropped off whole points", {200.3, 150.6}, {0, 0, 101, 41}, {0, 0}, {150, 130}, 8},
      {"pasted: the visible centre", {-1, -1}, {400, 400, 100, 40}, {0, 0}, {100, 80}, 15},
      {"pasted, scrolled", {-1, -1}, {0, 0, 100, 40}, {300, 200}, {400, 280}, 15},
  };
  addRect(QRectF(900, 900, 10, 10));  // room to scroll
  canvas->setDrawingFrame();
  DRElementRectangle* old = addRect(QRectF(0, 0, 5, 5));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    canvas->scrollToPoint(row.scroll);
    canvas->setSelection({old});
    vc.entries.clear();
    NotificationRecorder recorder({g_selectionChangeNotification});
    const size_t count = drawing.elements().size();
    const QRectF enclosing = row.enclosing;
    canvas->pasteElements(NewElements(enclosing), row.point, ConvertViewRect(enclosing));

    ASSERT_EQ(drawing.elements().size(), count + 1);
    DRElement* pasted = drawing.elements().back().get();
    EXPECT_EQ(pasted->frame(), ConvertViewRect(QRectF(row.topLeft, enclosing.size())));
    EXPECT_EQ(canvas->selection(), (std::vector<DRElement*>{pasted}));
    EXPECT_EQ(vc.entries, (std::vector<std::pair<int, int>>{{2, row.descriptor}}));
    EXPECT_EQ(recorder.count(g_selectionChangeNotification), 1);
  }

  // A locked drawing takes nothing and keeps its selection.
  drawing.setLocked(true);
  canvas->setSelection({old});
  const size_t count = drawing.elements().size();
  canvas->pasteElements(NewElements(QRectF(0, 0, 10, 10)), QPointF(50, 50), PtRect(0, 0, 10, 10));
  EXPECT_EQ(drawing.elements().size(), count);
  EXPECT_EQ(canvas->selection(), (std::vector<DRElement*>{old}));
}

TEST_F(DrawViewSelectionTest, ScrollingTheSelectionIntoView) {
  addRect(QRectF(1900, 1900, 10, 10));
  canvas->setDrawingFrame();
  DRElementRectangle* target = addRect(QRectF(0, 0, 10, 10));
  struct Row {
    const char* name;
    QRectF frame;
    QPointF from;
    QPointF to;
  } rows[] = {
      {"already visible", {50, 50, 20, 20}, {0, 0}, {0, 0}},
      {"more than half visible", {280, 50, 20, 20}, {0, 0}, {0, 0}},
      {"out of view", {1000, 700, 20, 20}, {0, 0}, {1000 - 4 - 16, 700 - 4 - 16}},
      {"out of view near the top left", {10, 8, 20, 20}, {500, 500}, {0, 0}},
      {"partly visible and larger than the view", {250, 100, 600, 400}, {0, 0}, {0, 0}},
      {"hidden and larger than the view", {800, 800, 600, 400}, {0, 0}, {800 - 4 - 16, 800 - 4 - 16}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    target->setFrame(ConvertViewRect(row.frame));
    canvas->setSelection({target});
    canvas->scrollToPoint(row.from);
    canvas->ensureSelVisible();
    EXPECT_EQ(canvas->scrollOrigin(), row.to);
  }
}

TEST_F(DrawViewSelectionTest, DropsAreAcceptedOnlyForWhatCanBePasted) {
  const QStringList savedTypes = g_clipboardTypes;
  g_clipboardTypes = {QStringLiteral("twdraw.elements"), QStringLiteral("image/png")};
  QMimeData ownDrag;
  ownDrag.setData(QStringLiteral("twdraw.elements"), "<elements/>");
  canvas->setDragPasteboard(&ownDrag);

  struct Row {
    const char* name;
    QStringList formats;
    QList<QUrl> files;
    DRDrawFileType fileType;
    bool own;
    bool sheet;
    bool accepted;
  } rows[] = {
      {"elements", {QStringLiteral("twdraw.elements")}, {}, kDrawFileUnknown, false, false, true},
      {"an image", {QStringLiteral("image/png")}, {}, kDrawFileUnknown, false, false, true},
      {"a kind of data it cannot paste", {QStringLiteral("application/x-other")}, {}, kDrawFileUnknown, false, false,
       false},
      {"a file it opens", {}, {QUrl::fromLocalFile("/tmp/a.svg")}, kDrawFileSvg, false, false, true},
      {"a file it does not open", {}, {QUrl::fromLocalFile("/tmp/a.xyz")}, kDrawFileUnknown, false, false, false},
      {"a remote file", {}, {QUrl("https://example.com/a.svg")}, kDrawFileSvg, false, false, false},
      {"its own drag", {}, {}, kDrawFileUnknown, true, false, false},
      {"while a sheet shows", {QStringLiteral("twdraw.elements")}, {}, kDrawFileUnknown, false, true, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    QMimeData data;
    for (const QString& format : row.formats) data.setData(format, "x");
    if (!row.files.isEmpty()) data.setUrls(row.files);
    clipboard.fileType = row.fileType;
    host.sheet = row.sheet;
    const QMimeData* offered = row.own ? &ownDrag : &data;

    QDragEnterEvent enter(QPoint(40, 40), Qt::CopyAction, offered, Qt::LeftButton, Qt::NoModifier);
    QCoreApplication::sendEvent(canvas, &enter);
    EXPECT_EQ(enter.isAccepted(), row.accepted);
    EXPECT_EQ(canvas->drawDragFocusRing(), row.accepted);
    if (row.accepted) {
      EXPECT_EQ(enter.dropAction(), Qt::CopyAction);
      QDragLeaveEvent leave;
      QCoreApplication::sendEvent(canvas, &leave);
      EXPECT_FALSE(canvas->drawDragFocusRing());
    }
  }
  EXPECT_TRUE(clipboard.pastes.empty());
  host.sheet = false;

  // A drop hands the data to the clipboard code at the drop point in view
  // units, and the ring goes.
  canvas->setZoomValue(2.0);
  QMimeData data;
  data.setData(QStringLiteral("twdraw.elements"), "x");
  QDragEnterEvent enter(QPoint(100, 60), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(canvas, &enter);
  ASSERT_TRUE(canvas->drawDragFocusRing());
  QDropEvent drop(QPointF(100, 60), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(canvas, &drop);
  EXPECT_TRUE(drop.isAccepted());
  ASSERT_EQ(clipboard.pastes.size(), 1u);
  EXPECT_EQ(clipboard.pastes[0].canvas, canvas);
  EXPECT_EQ(clipboard.pastes[0].x, 50);
  EXPECT_EQ(clipboard.pastes[0].y, 30);
  EXPECT_FALSE(canvas->drawDragFocusRing());
  g_clipboardTypes = savedTypes;
}

TEST_F(DrawViewSelectionTest, TheDropRingIsDrawnOnTheScreen) {
  const QStringList savedTypes = g_clipboardTypes;
  g_clipboardTypes = {QStringLiteral("twdraw.elements")};
  QMimeData data;
  data.setData(QStringLiteral("twdraw.elements"), "x");
  QDragEnterEvent enter(QPoint(40, 40), Qt::CopyAction, &data, Qt::LeftButton, Qt::NoModifier);
  QCoreApplication::sendEvent(canvas, &enter);
  g_clipboardTypes = savedTypes;
  ASSERT_TRUE(canvas->drawDragFocusRing());

  // Inset by 2 points, 4 points wide: from 0 to 4 points in from the edge.
  const QImage image = HarnessWindow::grabView(canvas);
  EXPECT_TRUE(ColorNear(image.pixel(2, 100), ColorFromKolor(g_dragRingKolor)));
  EXPECT_TRUE(ColorNear(image.pixel(150, 197), ColorFromKolor(g_dragRingKolor)));
  EXPECT_TRUE(ColorNear(image.pixel(8, 100), Qt::white));
  canvas->setDrawToClip(true);
  EXPECT_EQ(qAlpha(HarnessWindow::grabView(canvas).pixel(2, 100)), 0);
  canvas->setDrawToClip(false);
}

TEST_F(DrawViewSelectionTest, SwitchingToAndFromTheSelectTool) {
  DRToolbarView palette;
  palette.setWindowHost(&host);
  canvas->setToolbarView(&palette);
  NotificationCenter& center = NotificationCenter::defaultCenter();

  palette.setSelectedTool(kToolEllipse);
  ASSERT_EQ(canvas->currentTool(), kToolEllipse);
  canvas->toggleSelectTool();
  EXPECT_EQ(palette.selectedTool(), kToolSelect);
  EXPECT_EQ(canvas->currentTool(), kToolSelect);
  EXPECT_EQ(canvas->previousTool(), kToolEllipse);
  canvas->toggleSelectTool();
  EXPECT_EQ(palette.selectedTool(), kToolEllipse);
  EXPECT_EQ(canvas->currentTool(), kToolEllipse);

  canvas->forceSelectTool();
  EXPECT_EQ(palette.selectedTool(), kToolSelect);
  EXPECT_EQ(canvas->currentTool(), kToolSelect);
  EXPECT_EQ(canvas->previousTool(), kToolEllipse);
  canvas->forceSelectTool();  // already there: the previous tool stays
  EXPECT_EQ(canvas->previousTool(), kToolEllipse);

  // Taken out of its window (a painting tab took its place), the canvas
  // remembers its scroll position and ignores tool changes.
  addRect(QRectF(900, 900, 10, 10));
  canvas->setDrawingFrame();
  canvas->scrollToPoint(QPointF(40, 30));
  scroll->takeWidget();
  EXPECT_FALSE(canvas->hasSuperview());
  const QPointF saved = canvas->scrollOrigin();
  EXPECT_EQ(saved, QPointF(40, 30));
  center.post(g_toolChangedNotification, &harness, {{g_toolKey, int(kToolText)}});
  EXPECT_EQ(canvas->currentTool(), kToolSelect);

  // Back in it: it tells the palette its tool, announces its selection,
  // and is scrolled back to where it was.
  palette.setSelectedTool(kToolEllipse);
  NotificationRecorder recorder({g_selectionChangeNotification});
  scroll->setWidget(canvas);
  EXPECT_TRUE(canvas->hasSuperview());
  EXPECT_EQ(palette.selectedTool(), kToolSelect);
  EXPECT_EQ(recorder.count(g_selectionChangeNotification), 1);
  canvas->setScrollOrigin(saved);
  EXPECT_EQ(canvas->scrollOrigin(), QPointF(40, 30));
  canvas->setToolbarView(nullptr);
}

}  // namespace
