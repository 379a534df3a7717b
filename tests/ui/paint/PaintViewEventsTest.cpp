// The painting canvas under the mouse and the keyboard: strokes, fills,
// shapes, crops, selections, moves and resizing, with their undo steps.
// Events go straight to the canvas, a second apart unless said.

#include <QCursor>
#include <QScrollBar>
#include <QTest>

#include "PaintFixture.h"
#include "platform/NotificationCenter.h"
#include "ui/EventDriver.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/EditorNotifications.h"

namespace {

constexpr Kolor kRedKolor = 0x640000FF;
constexpr Kolor kBlueKolor = 0x64FF0000;

}  // namespace

class PaintEventsTest : public PaintTest {
 public:
  // The view point at the centre of a pixel.
  QPointF at(double x, double y) const {
    const double zoom = view->zoomValue();
    return QPointF(x * zoom + 12 + zoom / 2, y * zoom + 12 + zoom / 2);
  }
  EventDriver& mouse() {
    if (!m_driver || m_driverView != view) {
      // Each tab has a canvas of its own.
      m_driver = std::make_unique<EventDriver>(view);
      m_driver->setStep(1000);
      m_driverView = view;
    }
    return *m_driver;
  }
  void drag(QPointF from, std::initializer_list<QPointF> through, QPointF to) { mouse().drag(from, through, to); }
  void click(QPointF point) { mouse().click(point); }
  Kolor kolorAt(DRPaintVC* vc, double x, double y) { return vc->painting()->kolorAtPoint(QPointF(x, y)); }
  uint32_t alphaAt(DRPaintVC* vc, int x, int y) { return PixelAlpha(pixelAt(vc, x, y)); }
  // A painting, red on the left half and transparent on the right.
  DRPaintVC* openHalfClear(QSize size) {
    QImage image(size, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::transparent);
    for (int y = 0; y < size.height(); ++y)
      for (int x = 0; x < size.width() / 2; ++x) image.setPixel(x, y, qRgba(255, 0, 0, 255));
    bitmap = addBitmap(DRPainting::paintingFromImage(CSImage::initWithCGImage(image, QSizeF(0, 0))));
    return openTab(bitmap);
  }

 private:
  std::unique_ptr<EventDriver> m_driver;
  QWidget* m_driverView = nullptr;
};

TEST_F(PaintEventsTest, ABrushStrokeIsOneStepAndAStrokeThatChangesNothingNone) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::white);
  DRSettings::sharedInstance().setFillKolor(kRedKolor);
  chooseTool(kToolBrush);
  ASSERT_EQ(view->currentTool(), kToolBrush);
  const QByteArray before = PaintState(vc);
  drag(at(5, 5), {at(10, 5), at(15, 5)}, at(20, 5));
  EXPECT_EQ(vc->undoManager().undoCount(), 1u);
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Brush"));
  EXPECT_EQ(kolorAt(vc, 12, 5), kRedKolor);
  EXPECT_EQ(kolorAt(vc, 12, 15), g_whiteKolor);
  const QByteArray after = PaintState(vc);
  vc->undoEdit(nullptr);
  EXPECT_EQ(PaintState(vc), before);
  vc->redoEdit(nullptr);
  EXPECT_EQ(PaintState(vc), after);

  // Red over red changes nothing, and a fill of the colour there neither.
  drag(at(5, 5), {at(10, 5)}, at(15, 5));
  chooseTool(kToolBucket);
  click(at(12, 5));
  EXPECT_EQ(vc->undoManager().undoCount(), 1u);
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Brush"));
  // A fill that changes pixels is one step.
  click(at(30, 20));
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Paint Bucket"));
  EXPECT_EQ(kolorAt(vc, 35, 25), kRedKolor);
}

TEST_F(PaintEventsTest, ShiftLocksAStrokeByItsFirstMovement) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::white);
  DRSettings::sharedInstance().setFillKolor(kRedKolor);
  DRSettings::sharedInstance().setBrushSizeExponent(0);
  chooseTool(kToolBrush);
  mouse().setModifiers(Qt::ShiftModifier);
  drag(at(5, 5), {at(15, 6)}, at(15, 20));
  EXPECT_EQ(kolorAt(vc, 14, 5), kRedKolor);
  EXPECT_EQ(kolorAt(vc, 15, 20), g_whiteKolor);
  EXPECT_EQ(kolorAt(vc, 15, 12), g_whiteKolor);
  // The first movement vertical: the stroke keeps its column.
  drag(at(30, 5), {at(31, 15), at(35, 25)}, at(35, 25));
  EXPECT_EQ(kolorAt(vc, 30, 24), kRedKolor);
  EXPECT_EQ(kolorAt(vc, 35, 25), g_whiteKolor);
}

TEST_F(PaintEventsTest, CommandClickContinuesFromTheLastStampUntilTheToolChanges) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::white);
  DRSettings::sharedInstance().setFillKolor(kRedKolor);
  DRSettings::sharedInstance().setBrushSizeExponent(0);
  chooseTool(kToolBrush);
  click(at(5, 10));
  mouse().setModifiers(Qt::ControlModifier);  // Command
  click(at(30, 10));
  EXPECT_EQ(kolorAt(vc, 18, 10), kRedKolor);
  EXPECT_EQ(vc->undoManager().undoCount(), 2u);
  chooseTool(kToolPencil);
  chooseTool(kToolBrush);
  EXPECT_LT(view->previousDrawingPoint().x(), 0);
  click(at(30, 20));
  EXPECT_EQ(kolorAt(vc, 30, 20), kRedKolor);
  EXPECT_EQ(kolorAt(vc, 18, 20), g_whiteKolor);
}

TEST_F(PaintEventsTest, ControlTogglesTheBrushSize) {
  openSolid(QSize(40, 30), Qt::white);
  chooseTool(kToolBrush);
  NotificationRecorder recorder({QStringLiteral("twdraw.brushSample")});
  mouse().setModifiers(Qt::MetaModifier);  // Control
  click(at(5, 5));
  EXPECT_EQ(DRSettings::sharedInstance().brushSizeExponent(), 5u);
  click(at(5, 5));
  EXPECT_EQ(DRSettings::sharedInstance().brushSizeExponent(), 1u);
  EXPECT_EQ(recorder.count(QStringLiteral("twdraw.brushSample")), 2);
}

TEST_F(PaintEventsTest, PencilOptionsAndTheEraserPaintWhiteOrNoColour) {
  DRSettings& settings = DRSettings::sharedInstance();
  settings.setFillKolor(kRedKolor);
  struct Row {
    const char* name;
    bool alpha;  // the painting has transparency
    DRTool tool;
    int option;
    PixmapMode mode;
    bool transparent;  // the pixel ends transparent, else opaque white
  };
  const Row rows[] = {
      {"pencil option 1", false, kToolPencil, 1, kPixmapModeColor, false},
      {"pencil option 2 without alpha", false, kToolPencil, 2, kPixmapModeColor, false},
      {"pencil option 2 with alpha", true, kToolPencil, 2, kPixmapModeColor, true},
      {"eraser without alpha", false, kToolEraser, 0, kPixmapModeColor, false},
      {"eraser with alpha", true, kToolEraser, 0, kPixmapModeColor, true},
      {"eraser in mask mode", true, kToolEraser, 0, kPixmapModeMask, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    settings.setPencilOption(row.option);
    DRPaintVC* vc = row.alpha ? openHalfClear(QSize(40, 30)) : openSolid(QSize(40, 30), Qt::red);
    ASSERT_TRUE(vc);
    vc->setPixmapMode(row.mode);
    chooseTool(row.tool);
    drag(at(5, 5), {at(5, 10)}, at(5, 15));
    if (row.transparent) {
      EXPECT_EQ(alphaAt(vc, 5, 8), 0u);
    } else {
      EXPECT_EQ(kolorAt(vc, 5, 8), g_whiteKolor);
    }
  }
  // Option 0 paints the fill colour, here over white.
  settings.setPencilOption(0);
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::white);
  chooseTool(kToolPencil);
  click(at(5, 5));
  EXPECT_EQ(kolorAt(vc, 5, 5), kRedKolor);
}

TEST_F(PaintEventsTest, OptionClickWithTheBucketPicksUpTheColourEvenWhenLocked) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::blue);
  DRSettings::sharedInstance().setFillKolor(kRedKolor);
  drawing()->setLocked(true);
  chooseTool(kToolBucket);
  click(at(5, 5));
  EXPECT_EQ(DRSettings::sharedInstance().fillKolor(), kRedKolor);  // locked: no fill either
  EXPECT_EQ(kolorAt(vc, 5, 5), kBlueKolor);
  mouse().setModifiers(Qt::AltModifier);
  click(at(5, 5));
  EXPECT_EQ(DRSettings::sharedInstance().fillKolor(), kBlueKolor);
  EXPECT_FALSE(vc->undoManager().isUndoAvailable());
}

TEST_F(PaintEventsTest, TheCropRectangleIsDrawnMovedAndResized) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  view->setZoomValue(4);
  chooseTool(kToolCrop);
  NotificationRecorder recorder({QStringLiteral("twdraw.activateCrop")});
  drag(at(5, 5), {at(12, 10)}, at(20, 15));
  EXPECT_EQ(view->cropRect(), QRectF(5, 5, 15, 10));
  ASSERT_GE(recorder.posted().size(), 1u);
  EXPECT_TRUE(recorder.posted().back().userInfo.value(g_cropKey).toBool());
  // A press inside moves it (zone 34).
  drag(at(10, 8), {at(12, 9)}, at(15, 10));
  EXPECT_EQ(view->cropRect(), QRectF(10, 7, 15, 10));
  // The top edge, held above the rectangle and dragged past its bottom,
  // leaves one pixel.
  const QRectF inner = view->scaleRect(view->cropRect());
  const QPointF top(inner.center().x(), inner.top() - 5);
  drag(top, {top + QPointF(0, 10)}, top + QPointF(0, 200));
  EXPECT_EQ(view->cropTrackZone(), 0u);
  EXPECT_EQ(view->cropRect(), QRectF(10, 16, 15, 1));
  // Return crops.
  view->setCropRect(QRectF(10, 5, 15, 10));
  QTest::keyClick(view, Qt::Key_Return);
  EXPECT_EQ(vc->painting()->originalSize(), QSizeF(15, 10));
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Crop"));
  EXPECT_TRUE(view->cropRect().isEmpty());
  // A crop of the whole painting cannot be moved.
  view->setCropRect(QRectF(0, 0, 15, 10));
  recorder.clear();
  drag(at(5, 5), {at(8, 6)}, at(10, 8));
  EXPECT_EQ(view->cropRect(), QRectF(0, 0, 15, 10));
  EXPECT_EQ(recorder.count(QStringLiteral("twdraw.activateCrop")), 0);
  // Escape ends it.
  QTest::keyClick(view, Qt::Key_Escape);
  EXPECT_TRUE(view->cropRect().isEmpty());
  ASSERT_EQ(recorder.count(QStringLiteral("twdraw.activateCrop")), 1);
  EXPECT_FALSE(recorder.posted().back().userInfo.value(g_cropKey).toBool());
}

TEST_F(PaintEventsTest, RectangleLassoAndPolygonSelections) {
  openSolid(QSize(40, 30), Qt::red);
  chooseTool(kToolSelect);
  DRSettings& settings = DRSettings::sharedInstance();
  drag(at(5, 5), {at(10, 8)}, at(15, 10));
  ASSERT_TRUE(view->selectionMask());
  EXPECT_EQ(view->selectionRect(), QRectF(5, 5, 10, 5));

  settings.setPixelSelector(1);
  // A press without a path, and a path that never leaves the first pixel's
  // neighbourhood, select nothing.
  click(at(20, 20));
  EXPECT_FALSE(view->selectionMask());
  drag(at(20, 20), {at(21, 21), at(22, 20), at(20, 22)}, at(21, 20));
  EXPECT_FALSE(view->selectionMask());
  drag(at(5, 5), {at(25, 5), at(25, 25)}, at(5, 25));
  EXPECT_TRUE(view->selectionMask());

  settings.setPixelSelector(2);
  click(at(5, 5));
  click(at(30, 5));
  click(at(30, 25));
  EXPECT_TRUE(view->selectingPolygon());
  EXPECT_FALSE(view->selectionMask());  // mouse-up does not finish it
  mouse().setStep(20);
  mouse().click(at(5, 25));
  mouse().doubleClick(at(5, 25));
  mouse().release(at(5, 25));
  EXPECT_FALSE(view->selectingPolygon());
  ASSERT_TRUE(view->selectionMask());
  EXPECT_EQ(view->selectionRect().topLeft(), QPointF(5, 5));
}

TEST_F(PaintEventsTest, ShapesNeedADragAndAConstrainedRectangleFitsThePainting) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::white);
  DRSettings& settings = DRSettings::sharedInstance();
  settings.setFillKolor(kRedKolor);
  chooseTool(kToolRectangle);
  drag(at(5, 5), {at(6, 6)}, at(6, 6));
  EXPECT_FALSE(vc->undoManager().isUndoAvailable());
  EXPECT_FALSE(view->floatingPixmap());
  EXPECT_EQ(kolorAt(vc, 5, 5), g_whiteKolor);

  settings.setConstrain(true);
  drag(at(5, 5), {at(30, 10)}, at(200, 100));
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Add Shape"));
  EXPECT_FALSE(view->floatingPixmap());
  // A square no larger than the painting's shorter side (30).
  EXPECT_EQ(kolorAt(vc, 34, 10), kRedKolor);
  EXPECT_EQ(kolorAt(vc, 35, 10), g_whiteKolor);
  settings.setConstrain(false);

  chooseTool(kToolLine);
  settings.lineInfo().setKolor(kBlueKolor);
  mouse().press(at(5, 20));
  mouse().move(at(20, 20));
  const CSPixmap* preview = view->floatingPixmap();
  ASSERT_TRUE(preview);
  mouse().move(at(20, 20) + QPointF(0.3, 0.3));  // the same pixel
  EXPECT_EQ(view->floatingPixmap(), preview);
  mouse().move(at(25, 20));
  EXPECT_NE(view->floatingPixmap(), preview);
  mouse().release(at(25, 20));
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Add Shape"));
  EXPECT_EQ(vc->undoManager().undoCount(), 2u);
  EXPECT_NE(kolorAt(vc, 15, 20), g_whiteKolor);
}

TEST_F(PaintEventsTest, InvisibleColoursCannotDraw) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::white);
  DRSettings& settings = DRSettings::sharedInstance();
  settings.setFillKolor(g_nilKolor);
  settings.lineInfo().setKolor(g_nilKolor);
  chooseTool(kToolLine);
  drag(at(5, 5), {at(15, 5)}, at(20, 5));
  chooseTool(kToolEllipse);
  drag(at(5, 5), {at(15, 15)}, at(20, 20));
  const auto alerts = CSRecordingAlertPresenter::shared().alerts();
  ASSERT_EQ(alerts.size(), 2u);
  EXPECT_EQ(alerts[0].message, QStringLiteral("Can't draw transparent line."));
  EXPECT_EQ(alerts[0].moreInfo, QStringLiteral("The line color is transparent. I can't paint a line without a color."));
  EXPECT_EQ(alerts[1].message, QStringLiteral("Can't draw transparent shape."));
  EXPECT_EQ(alerts[1].moreInfo,
            QStringLiteral("The fill color is transparent. I can't paint a rectangle or ellipse without a color."));
  EXPECT_FALSE(vc->undoManager().isUndoAvailable());
}

TEST_F(PaintEventsTest, MovesStayInsideUnlessCommandIsHeldAndOptionDuplicates) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  chooseTool(kToolSelect);
  drag(at(5, 5), {at(8, 8)}, at(15, 15));
  ASSERT_TRUE(view->selectionMask());
  drag(at(10, 10), {at(12, 11)}, at(13, 12));
  EXPECT_EQ(view->floatingRect(), QRectF(8, 7, 10, 10));
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Drag"));
  EXPECT_EQ(kolorAt(vc, 6, 6), g_whiteKolor);  // the hole
  // Far to the right: held inside the painting.
  drag(at(12, 12), {at(30, 12)}, at(60, 12));
  EXPECT_EQ(view->floatingRect().x(), 30.0);
  // Option leaves a copy behind.
  mouse().setModifiers(Qt::AltModifier);
  drag(at(32, 10), {at(25, 10)}, at(20, 10));
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Duplicate"));
  EXPECT_EQ(kolorAt(vc, 35, 10), kRedKolor);
  // Command lets it leave the painting.
  mouse().setModifiers(Qt::ControlModifier);
  drag(at(20, 10), {at(30, 10)}, at(45, 10));
  EXPECT_GT(view->floatingRect().right(), 40.0);
}

TEST_F(PaintEventsTest, TheResizeCornerResizesUnderOneStep) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  const QPointF corner(12 + 40 + 4, 12 + 30 + 4);
  // A press without movement changes nothing.
  click(corner);
  EXPECT_FALSE(vc->undoManager().isUndoAvailable());
  EXPECT_FALSE(vc->painting()->edited());
  EXPECT_FALSE(drawing()->isPaintingDirty());

  NotificationRecorder recorder({QStringLiteral("twdraw.sizeChange")}, controller->window());
  mouse().press(corner);
  mouse().move(corner + QPointF(10, 5));
  ASSERT_FALSE(recorder.posted().empty());
  const QVariantMap& info = recorder.posted().front().userInfo;
  EXPECT_TRUE(info.value(QStringLiteral("transient")).toBool());
  EXPECT_TRUE(info.value(QStringLiteral("resizing")).toBool());
  EXPECT_EQ(MeasureValue(info.value(QStringLiteral("width"))), 50 * kMeasurePerPoint);
  EXPECT_EQ(vc->painting()->originalSize(), QSizeF(40, 30));  // not yet
  mouse().release(corner + QPointF(10, 5));
  EXPECT_EQ(vc->painting()->originalSize(), QSizeF(50, 35));
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Resize Painting"));
  EXPECT_EQ(vc->undoManager().undoCount(), 1u);
}

TEST_F(PaintEventsTest, ArrowsNudgeOrScrollAndSpaceTogglesTheSelectTool) {
  DRPaintVC* vc = openSolid(QSize(400, 300), Qt::red);
  view->setFocus();
  view->setZoomValue(4);
  QScrollBar* horizontal = controller->scrollView()->horizontalScrollBar();
  ASSERT_GT(horizontal->maximum(), 0);
  QTest::keyClick(view, Qt::Key_Left);
  EXPECT_EQ(horizontal->value(), 0);
  QTest::keyClick(view, Qt::Key_Right);
  EXPECT_GT(horizontal->value(), 0);
  const int scrolled = horizontal->value();
  view->selectAll();
  QTest::keyClick(view, Qt::Key_Right);
  EXPECT_EQ(horizontal->value(), scrolled);
  EXPECT_EQ(view->floatingRect(), QRectF(1, 0, 400, 300));
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Move Pixels"));

  chooseTool(kToolBrush);
  QTest::keyClick(view, Qt::Key_Space);
  EXPECT_EQ(view->currentTool(), kToolSelect);
  QTest::keyClick(view, Qt::Key_Space);
  EXPECT_EQ(view->currentTool(), kToolBrush);
}

TEST_F(PaintEventsTest, ADragHeldOutsideTheViewScrollsOnTheTimer) {
  openSolid(QSize(400, 300), Qt::white);
  view->setZoomValue(4);
  chooseTool(kToolBrush);
  QScrollBar* horizontal = controller->scrollView()->horizontalScrollBar();
  const QWidget* viewport = controller->scrollView()->viewport();
  const QPointF inside(50, 50);
  mouse().press(inside);
  mouse().move(inside + QPointF(20, 0));
  const QPoint outside = viewport->mapToGlobal(QPoint(viewport->width() + 40, 50));
  QCursor::setPos(outside);
  const int before = horizontal->value();
  EXPECT_TRUE(SpinUntil([&] { return horizontal->value() > before; }));
  mouse().release(view->mapFromGlobal(outside));
  EXPECT_FALSE(view->scrollTimerActive());
}
