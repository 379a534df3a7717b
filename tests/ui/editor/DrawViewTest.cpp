// The canvas's rendering, invalidation, frame, zoom and notifications.

#include <QScrollBar>
#include <cmath>
#include <limits>

#include "DrawViewFixture.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementLine.h"
#include "model/DrawingPainter.h"
#include "model/DRElementText.h"
#include "testkit/ImageCompare.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/EditorNotifications.h"

namespace {

constexpr Kolor kRed = MakeKolor(255, 0, 0);
constexpr Kolor kBlue = MakeKolor(0, 0, 255);

class DrawViewTest : public DrawViewFixture {
 protected:
  // The canvas painted through its paint event, as on the screen.
  QImage grab() { return HarnessWindow::grabView(canvas); }
  // What a redraw of the whole canvas repaints: its visible part.
  QRect visiblePixels() const {
    const QRectF visible = canvas->visibleRect();
    const double zoom = canvas->zoom();
    return QRectF(visible.topLeft() * zoom, visible.size() * zoom).toAlignedRect();
  }
  // The canvas's drawRect into a white image of the canvas's size at zoom 1.
  QImage offScreen() {
    return RenderImage(canvas->size(), [&](QPainter& painter) {
      GraphicsContextScope context(&painter);
      canvas->drawRect(QRectF(QPointF(0, 0), QSizeF(canvas->size())), false);
    });
  }
};

TEST_F(DrawViewTest, PaintsBackToFrontOverTheBackgroundImage) {
  // A grey background image at half opacity, a red square and a blue one
  // overlapping it in front.
  QImage grey(20, 20, QImage::Format_ARGB32_Premultiplied);
  grey.fill(QColor(0, 0, 0));
  drawing.setBackgroundImage(CSImage::initWithCGImage(grey, QSizeF(20, 20)));
  drawing.setBackgroundLocation(ConvertViewRect(QRectF(150, 10, 40, 40)));
  drawing.setBackgroundOpacity(0.5);
  addRect(QRectF(10, 10, 60, 60), kRed);
  addRect(QRectF(40, 40, 60, 60), kBlue);
  // A red square over the background image.
  addRect(QRectF(170, 30, 40, 40), kRed);

  const QImage image = grab();
  EXPECT_TRUE(ColorNear(image.pixel(20, 20), Qt::red));
  EXPECT_TRUE(ColorNear(image.pixel(50, 50), Qt::blue));  // the front one covers the back one
  EXPECT_TRUE(ColorNear(image.pixel(90, 90), Qt::blue));
  EXPECT_TRUE(ColorNear(image.pixel(120, 120), Qt::white));  // the screen's white ground
  EXPECT_TRUE(ColorNear(image.pixel(160, 20), QColor(128, 128, 128), 4));  // black at half opacity on white
  EXPECT_TRUE(ColorNear(image.pixel(180, 40), Qt::red));  // elements in front of the background

  // Only the dirty area is painted; an element outside it is culled.
  const QImage part = RenderImage(canvas->size(), [&](QPainter& painter) {
    GraphicsContextScope context(&painter);
    canvas->drawRect(QRectF(0, 0, 30, 30), false);
  });
  EXPECT_TRUE(ColorNear(part.pixel(20, 20), Qt::red));
  EXPECT_TRUE(ColorNear(part.pixel(180, 40), Qt::white));
}

TEST_F(DrawViewTest, GridAndPageBreaksOnlyOnTheScreen) {
  prefs.grid = true;
  prefs.gridSpacing = Pt(10);
  prefs.gridKolor = g_blackKolor;
  const int gridX = 20;  // a grid line at 20 points: 20.5 with its half pixel
  struct Row {
    const char* name;
    bool onScreen;
    bool toImage;
    bool toClip;
    bool grid;
  } rows[] = {
      {"screen", true, false, false, true},
      {"screen into an image", true, true, false, false},
      {"screen into the clipboard", true, false, true, false},
      {"off the screen", false, false, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    canvas->setDrawToImage(row.toImage);
    canvas->setDrawToClip(row.toClip);
    const QImage image = row.onScreen ? grab() : offScreen();
    const QColor pixel = QColor::fromRgba(image.pixel(gridX, 55));
    EXPECT_EQ(pixel.alpha() == 255 && pixel.value() < 128, row.grid) << pixel.name().toStdString();
  }
  canvas->setDrawToImage(false);
  canvas->setDrawToClip(false);

  // A grid spacing of 0 draws nothing.
  prefs.gridSpacing = 0;
  EXPECT_EQ(InkCount(grab(), QRect(QPoint(0, 0), kViewport)), 0);
}

TEST_F(DrawViewTest, PageBreaksFallWherePrintedPagesEnd) {
  // Paper 200 x 150 points with 10-point margins: pages of 180 x 130
  // points at full size, twice that at half size.
  CSPrintInfo info;
  info.paperSize = QSizeF(200, 150);
  info.leftMargin = info.rightMargin = info.topMargin = info.bottomMargin = 10;
  struct Row {
    double scale;
    QSizeF page;
  } rows[] = {
      {1.0, {180, 130}},
      {0.5, {360, 260}},
      {2.0, {90, 65}},
      {0.0, {180, 130}},  // no usable scale prints at full size
      {-1.0, {180, 130}},
      {std::numeric_limits<double>::quiet_NaN(), {180, 130}},
  };
  drawing.setShowPageBreaks(true);
  for (const Row& row : rows) {
    SCOPED_TRACE(row.scale);
    info.scale = row.scale;
    drawing.setPrintInfo(info);
    EXPECT_EQ(canvas->printablePageSize(), row.page);
    // A break line just after the page's right edge, in light grey.
    const QImage image = grab();
    const int x = int(row.page.width());
    if (x < kViewport.width()) EXPECT_TRUE(ColorNear(image.pixel(x, 20), QColor(192, 192, 192), 8));
    if (row.page.width() != 90) EXPECT_TRUE(ColorNear(image.pixel(90, 20), Qt::white));
  }
  // Off the screen there are no breaks.
  info.scale = 1.0;
  drawing.setPrintInfo(info);
  EXPECT_TRUE(ColorNear(offScreen().pixel(180, 20), Qt::white));
}

TEST_F(DrawViewTest, DrawingToTheClipboardShowsOnlyTheCopyableSelection) {
  DRElementRectangle* selected = addRect(QRectF(20, 20, 40, 40), kRed);
  addRect(QRectF(100, 20, 40, 40), kBlue);
  auto text = std::make_unique<DRElementText>();
  text->setFrame(ConvertViewRect(QRectF(20, 100, 150, 40)));
  text->setText(QStringLiteral("WWWW"));
  text->setIgnoreText(true);
  DRElementText* ignored = add(std::move(text));
  canvas->setSelection({selected, ignored});

  // On the screen: both selected elements, with the casing around them.
  const QImage screen = grab();
  EXPECT_GT(InkCount(screen, QRect(20, 100, 150, 40)), 0);
  EXPECT_GT(InkCount(screen, QRect(12, 12, 6, 6)), 0);  // a grab dot off the top-left corner

  canvas->setDrawToClip(true);
  EXPECT_FALSE(canvas->showCasings());
  EXPECT_TRUE(canvas->noHairlines());
  const QImage clip = grab();
  canvas->setDrawToClip(false);
  EXPECT_TRUE(ColorNear(clip.pixel(40, 40), Qt::red));
  // Unselected and ignored elements, the casing and the white ground stay
  // out: those pixels are left clear.
  EXPECT_EQ(qAlpha(clip.pixel(120, 40)), 0);
  EXPECT_EQ(InkCount(clip, QRect(20, 100, 150, 40), Qt::transparent), 0);
  EXPECT_EQ(InkCount(clip, QRect(12, 12, 6, 6), Qt::transparent), 0);
}

TEST_F(DrawViewTest, AfterTheWindowClosesNothingIsDrawn) {
  addRect(QRectF(20, 20, 40, 40), kRed);
  canvas->setNeedsDisplay();
  NotificationCenter::defaultCenter().post(g_windowWillCloseNotification, &harness);
  EXPECT_TRUE(canvas->isShutDown());
  EXPECT_EQ(canvas->drawing(), nullptr);
  EXPECT_EQ(canvas->windowController(), nullptr);
  EXPECT_EQ(canvas->viewController(), nullptr);
  QCoreApplication::processEvents();  // the pending redraw
  const QImage image = grab();
  EXPECT_EQ(InkCount(image, image.rect(), Qt::transparent, 0), 0);
}

TEST_F(DrawViewTest, InvalidatingAnElement) {
  DRElementRectangle* rect = addRect(QRectF(50, 50, 20, 20));
  addPolygon(QRectF(150, 100, 40, 40));
  const QRect whole = visiblePixels();
  const QRect area = CullingRectForElement(rect).toAlignedRect();

  // An element changing outside a drag redraws its own area; during one (a
  // polygon being built), the whole canvas when guide lines are shown.
  struct Row {
    const char* name;
    bool building;
    bool dragLines;
    QRect expected;
  } rows[] = {
      {"idle", false, false, area},
      {"idle, guide lines", false, true, area},
      {"building", true, false, area},
      {"building, guide lines", true, true, whole},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    prefs.dragLines = row.dragLines;
    if (row.building) {
      canvas->setSelection({drawing.elements()[1].get()});
      canvas->reshapePolygon(false, true);
      ASSERT_TRUE(canvas->creatingPolygon());
    }
    flushPaints();
    canvas->invalidateElement(rect);
    QCoreApplication::processEvents();
    ASSERT_FALSE(canvas->painted.empty());
    EXPECT_EQ(canvas->painted.back(), row.expected);
    canvas->normalize(true);
  }

  // At zoom 2 the area is twice as large in pixels.
  prefs.dragLines = false;
  canvas->setZoomValue(2);
  flushPaints();
  canvas->invalidateElement(rect);
  QCoreApplication::processEvents();
  ASSERT_FALSE(canvas->painted.empty());
  const QRectF culled = CullingRectForElement(rect);
  EXPECT_EQ(canvas->painted.back(),
            QRectF(culled.topLeft() * 2, culled.size() * 2).toAlignedRect() & canvas->rect());
}

TEST_F(DrawViewTest, TheFrameHoldsEveryElementWithRoomToSpare) {
  // The scroll area is small so that the elements decide.
  scroll->resize(150, 120);
  QCoreApplication::processEvents();
  struct Row {
    const char* name;
    std::vector<QRectF> elements;
    double zoom;
    QSize frame;
  } rows[] = {
      {"empty", {}, 1.0, {200, 200}},
      {"empty, zoomed in", {}, 4.0, {200, 200}},
      {"far corner at (300, 100)", {QRectF(250, 60, 50, 40)}, 1.0, {500, 300}},
      {"far corner at (300, 100), zoom 2", {QRectF(250, 60, 50, 40)}, 2.0, {800, 400}},
      {"two elements, zoom 0.5", {QRectF(0, 0, 20, 20), QRectF(380, 590, 20, 10)}, 0.5, {400, 500}},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    drawing.elements().clear();
    canvas->setZoomValue(1.0);
    for (const QRectF& rect : row.elements) addBox(rect);
    canvas->setZoomValue(row.zoom);
    canvas->setDrawingFrame();
    EXPECT_EQ(canvas->size(), row.frame);
  }

  // The frame always fills the scroll area.
  drawing.elements().clear();
  canvas->setZoomValue(1.0);
  scroll->resize(350, 260);
  QCoreApplication::processEvents();
  EXPECT_EQ(canvas->size(), QSize(350, 260));
}

TEST_F(DrawViewTest, ZoomSteps) {
  NotificationRecorder recorder({g_zoomChangeNotification});
  struct Row {
    double from;
    bool out;
    double to;
    bool posted;
  } rows[] = {
      {1.1, false, 1.25, true}, {1.1, true, 1.0, true},   {16, false, 16, false}, {0.2, true, 0.1, true},
      {0.1, true, 0.1, false},  {20, false, 20, false},   {0.05, false, 0.1, true}, {30, true, 16, true},
      {1.0, false, 1.25, true}, {12, false, 16, true},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.from << (row.out ? " out" : " in"));
    canvas->setZoomValue(row.from);
    recorder.clear();
    canvas->zoomOnPoint(QPointF(0, 0), row.out);
    EXPECT_DOUBLE_EQ(canvas->zoom(), row.to);
    EXPECT_EQ(*canvas->zoomValue(), row.to);
    EXPECT_EQ(canvas->contentView().zoomValue(), row.to);
    EXPECT_EQ(recorder.count(g_zoomChangeNotification), row.posted ? 1 : 0);
    if (row.posted) EXPECT_EQ(recorder.posted()[0].object, &harness);
  }
  EXPECT_EQ(g_drawZoomCount, 21);
  EXPECT_TRUE(std::is_sorted(std::begin(g_drawZoomValues), std::end(g_drawZoomValues)));
}

TEST_F(DrawViewTest, ZoomingKeepsTheVisibleOriginAndCentresTheZoomPoint) {
  addBox(QRectF(900, 900, 50, 50));
  canvas->setDrawingFrame();
  canvas->scrollToPoint(QPointF(100, 60));
  EXPECT_EQ(canvas->scrollOrigin(), QPointF(100, 60));
  EXPECT_EQ(canvas->visibleRect(), QRectF(100, 60, 300, 200));

  canvas->setZoomValue(2.0);
  EXPECT_EQ(canvas->size(), QSize(2 * 950 + 200, 2 * 950 + 200));
  EXPECT_EQ(canvas->scrollOrigin(), QPointF(100, 60));
  EXPECT_EQ(canvas->visibleRect(), QRectF(100, 60, 150, 100));

  // Zooming on a point puts it in the middle, never scrolling past 0.
  canvas->zoomOnPoint(QPointF(400, 300), true);  // out to 1.75
  EXPECT_DOUBLE_EQ(canvas->zoom(), 1.75);
  const QRectF visible = canvas->visibleRect();
  EXPECT_NEAR(visible.center().x(), 400, 1);
  EXPECT_NEAR(visible.center().y(), 300, 1);
  canvas->zoomOnPoint(QPointF(200, 10), false);  // in to 2
  EXPECT_EQ(canvas->scrollOrigin(), QPointF(125, 0));
}

TEST_F(DrawViewTest, UnusableZoomsAreRefused) {
  addRect(QRectF(250, 60, 50, 40));
  canvas->setZoomValue(2.0);
  const QSize frame = canvas->size();
  for (double zoom : {0.0, -1.0, -0.0, std::numeric_limits<double>::quiet_NaN(),
                      std::numeric_limits<double>::infinity(), -std::numeric_limits<double>::infinity()}) {
    SCOPED_TRACE(zoom);
    canvas->setZoomValue(zoom);
    EXPECT_EQ(canvas->zoom(), 2.0);
    EXPECT_EQ(canvas->size(), frame);
    canvas->contentView().setZoomValue(zoom);
    EXPECT_EQ(canvas->zoom(), 2.0);
  }
}

TEST_F(DrawViewTest, NotificationsItFollows) {
  NotificationCenter& center = NotificationCenter::defaultCenter();
  QObject otherWindow;

  // The tool comes from its own window's announcements only.
  center.post(g_toolChangedNotification, &otherWindow, {{g_toolKey, int(kToolEllipse)}});
  EXPECT_EQ(canvas->currentTool(), kToolSelect);
  center.post(g_toolChangedNotification, &harness, {{g_toolKey, int(kToolEllipse)}});
  EXPECT_EQ(canvas->currentTool(), kToolEllipse);
  EXPECT_EQ(canvas->cursor().shape(), Qt::CrossCursor);
  center.post(g_toolChangedNotification, &harness, {{g_toolKey, int(kToolText)}});
  EXPECT_EQ(canvas->cursor().shape(), Qt::IBeamCursor);

  // "twdraw.normalize" from anywhere ends reshaping and the duplication
  // offset.
  DRElementPolygon* polygon = addPolygon(QRectF(20, 20, 40, 40));
  canvas->setSelection({polygon});
  canvas->reshapePolygon(false, false);
  ASSERT_EQ(canvas->reshapeElement(), polygon);
  drawing.setDupOffsetValid(true);
  center.post(g_normalizeNotification, nullptr);
  EXPECT_EQ(canvas->reshapeElement(), nullptr);
  EXPECT_FALSE(polygon->isReshaping());
  EXPECT_FALSE(polygon->isUnderConstruction());
  EXPECT_FALSE(drawing.isDupOffsetValid());

  // Whole redraws: on request, and for a bitmap of this drawing only.
  struct Row {
    const char* name;
    QString notification;
    void* object;
    bool redraws;
  } rows[] = {
      {"redraw", g_redrawDrawingNotification, nullptr, true},
      {"own bitmap", g_updateBitmapNotification, polygon, true},
      {"other bitmap", g_updateBitmapNotification, &otherWindow, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    flushPaints();
    center.post(row.notification, row.object);
    QCoreApplication::processEvents();
    EXPECT_EQ(!canvas->painted.empty() && canvas->painted.back() == visiblePixels(), row.redraws);
  }

  // An element moved: the frame follows.
  addBox(QRectF(600, 20, 10, 10));
  center.post(g_elementMoveNotification, &harness);
  EXPECT_EQ(canvas->width(), 810);
}

TEST_F(DrawViewTest, PropertiesAndStatusLine) {
  NotificationRecorder recorder({g_positionChangeNotification, g_rotationNotification});
  canvas->updateProperties(true);
  canvas->updateProperties(false);
  EXPECT_EQ(recorder.names(), (QStringList{g_positionChangeNotification, g_rotationNotification}));
  EXPECT_EQ(recorder.posted()[0].object, &harness);

  auto line = std::make_unique<DRElementLine>();
  line->setFrame(PtRect(10, 20, 30, 40));
  line->setStartPoint(CSPoint{0, Pt(40)});
  line->setEndPoint(CSPoint{Pt(30), 0});
  DRElementLine* lineElement = add(std::move(line));
  DRElementRectangle* rect = addRect(QRectF(100, 50, 20, 10));
  struct Row {
    const char* name;
    std::vector<DRElement*> selection;
    QString status;
  } rows[] = {
      {"nothing", {}, QString()},
      {"a line: its ends on the page", {lineElement},
       QStringLiteral("line %1 %2 %3 %4").arg(Pt(10)).arg(Pt(60)).arg(Pt(40)).arg(Pt(20))},
      {"a rectangle", {rect}, QStringLiteral("position %1 %2 %3 %4").arg(Pt(100)).arg(Pt(50)).arg(Pt(20)).arg(Pt(10))},
      {"both: the extent of the frames", {lineElement, rect},
       QStringLiteral("position %1 %2 %3 %4").arg(Pt(10)).arg(Pt(20)).arg(Pt(110)).arg(Pt(40))},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    canvas->setSelection(row.selection);
    host.statuses.clear();
    // A position change of the canvas's own window refreshes the line.
    NotificationCenter::defaultCenter().post(g_positionChangeNotification, &harness);
    ASSERT_EQ(host.statuses.size(), 1);
    EXPECT_EQ(host.statuses[0], row.status);
  }
}

}  // namespace
