#include <gtest/gtest.h>

#include <QCoreApplication>
#include <QEventLoop>
#include <QHelpEvent>
#include <QPaintEvent>
#include <QTimer>
#include <QToolTip>
#include <vector>

#include "support/CSCore.h"
#include "support/Kolor.h"
#include "testkit/ImageCompare.h"
#include "testkit/QStringPrinter.h"
#include "ui/EventDriver.h"
#include "ui/FakeEditorContent.h"
#include "ui/FakeEditorWindowHost.h"
#include "ui/HarnessWindow.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/DRToolbarView.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/EditorSetup.h"

namespace {

constexpr int kSide = 34;  // the palette's width: every cell is 34 x 33 over a separator line

// The centre of the cell at a position of the list.
QPointF CellCentre(int position) {
  return QPointF(kSide / 2.0, position * kSide + kSide / 2.0);
}

// Records the area of every paint event.
class RecordingPalette : public DRToolbarView {
 public:
  std::vector<QRect> painted;

 protected:
  void paintEvent(QPaintEvent* event) override {
    painted.push_back(event->rect());
    DRToolbarView::paintEvent(event);
  }
};

class ToolbarViewTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetupEditorResources();
    palette = harness.place(new RecordingPalette, QRect(0, 0, kSide, 560));
    palette->setWindowHost(&host);
  }
  void TearDown() override { g_darkMode = false; }

  void usePainting(DRContentKind kind = DRContentKind::kPainting) {
    painting.kind = kind;
    host.content = &painting;
  }
  // Lets pending repaints happen and forgets them.
  void flushPaints() {
    palette->repaint();
    QCoreApplication::processEvents();
    palette->painted.clear();
  }

  HarnessWindow harness{QSize(200, 600)};
  FakeEditorContent drawing{DRContentKind::kDrawing};
  FakeEditorContent painting{DRContentKind::kPainting};
  FakeEditorWindowHost host{&harness, &drawing};
  RecordingPalette* palette = nullptr;
};

// The position of a tool in the current list.
int PositionOf(const DRToolbarView* palette, DRTool tool) {
  const auto list = palette->toolList();
  for (size_t i = 0; i < list.size(); ++i) {
    if (list[i] == tool) return int(i);
  }
  return -1;
}

TEST_F(ToolbarViewTest, ListsFollowTheKindOfTheCurrentTab) {
  const std::vector<DRTool> drawTools(palette->toolList().begin(), palette->toolList().end());
  EXPECT_EQ(drawTools, (std::vector<DRTool>{kToolFormatPanel, kToolSelect, kToolEyedropper, kToolZoom, kToolLine,
                                            kToolCurvedLine, kToolRectangle, kToolRoundRect, kToolEllipse, kToolArc,
                                            kToolRegularPoly, kToolPolygon, kToolScribble, kToolText}));
  usePainting(DRContentKind::kPaintingVariant);
  const std::vector<DRTool> paintTools(palette->toolList().begin(), palette->toolList().end());
  EXPECT_EQ(paintTools, (std::vector<DRTool>{kToolFormatPanel, kToolSelect, kToolEyedropper, kToolZoom, kToolLine,
                                             kToolRectangle, kToolEllipse, kToolBrush, kToolPencil, kToolBlur,
                                             kToolBucket, kToolEraser, kToolCrop}));
}

TEST_F(ToolbarViewTest, ClickingACellSelectsAndAnnouncesItsTool) {
  palette->setSelectedTool(kToolSelect);
  NotificationRecorder recorder({g_toolChangedNotification, g_toggleInfoNotification});
  EventDriver mouse(palette);

  mouse.click(CellCentre(PositionOf(palette, kToolRectangle)));
  ASSERT_EQ(recorder.names(), QStringList{g_toolChangedNotification});
  EXPECT_EQ(recorder.posted()[0].object, static_cast<QObject*>(&harness));
  EXPECT_EQ(recorder.posted()[0].userInfo, (QVariantMap{{QStringLiteral("DRToolbarView.tool"), 7}}));
  EXPECT_EQ(palette->selectedTool(), kToolRectangle);

  // The selected tool clicked again: nothing.
  recorder.clear();
  mouse.click(CellCentre(PositionOf(palette, kToolRectangle)));
  EXPECT_TRUE(recorder.names().isEmpty());
}

TEST_F(ToolbarViewTest, TheFormatPanelCellOnlyTogglesThePanel) {
  palette->setSelectedTool(kToolEllipse);
  NotificationRecorder recorder({g_toolChangedNotification, g_toggleInfoNotification});
  EventDriver mouse(palette);

  mouse.press(CellCentre(0));
  // Highlighted while the button is down.
  const QImage pressed = HarnessWindow::grabView(palette);
  const QColor highlight = palette->palette().color(QPalette::Active, QPalette::Highlight);
  EXPECT_TRUE(ColorNear(pressed.pixel(2, 2), highlight, 2));
  mouse.release(CellCentre(0));

  EXPECT_EQ(recorder.names(), QStringList{g_toggleInfoNotification});
  EXPECT_EQ(recorder.posted()[0].object, static_cast<QObject*>(&harness));
  EXPECT_TRUE(recorder.posted()[0].userInfo.isEmpty());
  EXPECT_EQ(palette->selectedTool(), kToolEllipse);
  // The old tool still shows as selected and the button no longer does.
  const QImage after = HarnessWindow::grabView(palette);
  EXPECT_FALSE(ColorNear(after.pixel(2, 2), highlight, 2));
  const QPointF ellipse = CellCentre(PositionOf(palette, kToolEllipse));
  EXPECT_TRUE(ColorNear(after.pixel(2, int(ellipse.y()) - 14), highlight, 2));
}

TEST_F(ToolbarViewTest, ADragSelectsOnlyWhenReleasedInsideThePressedCell) {
  palette->setSelectedTool(kToolSelect);
  NotificationRecorder recorder({g_toolChangedNotification, g_toggleInfoNotification});
  EventDriver mouse(palette);
  const QPointF arc = CellCentre(PositionOf(palette, kToolArc));
  const QPointF outside(kSide + 40, arc.y());
  const QPointF otherCell = CellCentre(PositionOf(palette, kToolPolygon));

  mouse.drag(arc, {QPointF(arc.x(), arc.y() + 6)}, outside);
  mouse.drag(arc, {outside}, otherCell);  // released over another tool
  EXPECT_TRUE(recorder.names().isEmpty());
  EXPECT_EQ(palette->selectedTool(), kToolSelect);

  mouse.drag(arc, {outside, otherCell}, QPointF(arc.x() + 3, arc.y() - 3));
  EXPECT_EQ(recorder.names(), QStringList{g_toolChangedNotification});
  EXPECT_EQ(palette->selectedTool(), kToolArc);
}

TEST_F(ToolbarViewTest, LeavingThePaletteDropsTheHighlightButNotTheTracking) {
  palette->setSelectedTool(kToolSelect);
  NotificationRecorder recorder({g_toolChangedNotification});
  EventDriver mouse(palette);
  const QPointF zoom = CellCentre(PositionOf(palette, kToolZoom));
  mouse.press(zoom);
  mouse.leave();
  mouse.release(QPointF(kSide + 10, zoom.y()));
  EXPECT_TRUE(recorder.names().isEmpty());

  // Back inside before the release still selects.
  mouse.press(zoom);
  mouse.leave();
  mouse.move(zoom);
  mouse.release(zoom);
  EXPECT_EQ(palette->selectedTool(), kToolZoom);
}

TEST_F(ToolbarViewTest, ADoubleClickCountsAsTwoClicks) {
  palette->setSelectedTool(kToolSelect);
  NotificationRecorder recorder({g_toggleInfoNotification});
  EventDriver mouse(palette);
  mouse.press(CellCentre(0));
  mouse.release(CellCentre(0));
  mouse.doubleClick(CellCentre(0));
  mouse.release(CellCentre(0));
  EXPECT_EQ(recorder.count(g_toggleInfoNotification), 2);
}

TEST_F(ToolbarViewTest, SettingTheSelectedToolAgainPostsNothing) {
  palette->setSelectedTool(kToolScribble);
  NotificationRecorder recorder({g_toolChangedNotification, g_toggleInfoNotification});
  palette->setSelectedTool(kToolScribble);
  EXPECT_TRUE(recorder.names().isEmpty());
}

TEST_F(ToolbarViewTest, AwakeningSelectsTheSelectToolFromTheEventLoop) {
  NotificationRecorder recorder({g_toolChangedNotification});
  palette->awakeFromNib();
  EXPECT_EQ(palette->selectedTool(), kToolNone);
  QEventLoop loop;
  QTimer::singleShot(200, &loop, &QEventLoop::quit);
  loop.exec();
  EXPECT_EQ(palette->selectedTool(), kToolSelect);
  EXPECT_EQ(recorder.count(g_toolChangedNotification), 1);
}

TEST_F(ToolbarViewTest, ToolAtPointInTheDrawingTab) {
  const struct {
    QPointF point;
    DRTool expected;
  } kCases[] = {
      {CellCentre(0), kToolFormatPanel},
      {CellCentre(1), kToolSelect},
      {QPointF(0, kSide), kToolSelect},  // the top-left corner of a cell
      {QPointF(kSide - 0.5, 2 * kSide - 1.5), kToolSelect},
      {QPointF(10, kSide - 1), kToolNone},        // the separator line below cell 0
      {QPointF(10, 5 * kSide - 0.5), kToolNone},  // the separator line below cell 4
      {QPointF(10, -0.5), kToolNone},             // above the first cell
      {QPointF(10, -3 * kSide), kToolNone},
      {CellCentre(13), kToolText},               // the last cell
      {QPointF(10, 14 * kSide + 1), kToolNone},  // below the last cell
      {QPointF(10, 1e12), kToolNone},
      {QPointF(-1, CellCentre(3).y()), kToolNone},     // left of the palette
      {QPointF(kSide, CellCentre(3).y()), kToolNone},  // right of it
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(palette->toolAtPoint(c.point), c.expected) << c.point.x() << ", " << c.point.y();
  }
}

TEST_F(ToolbarViewTest, ToolAtPointOnAPaletteWithoutWidthIsNoTool) {
  // A collapsed palette used to divide by its width.
  palette->resize(0, 560);
  for (const QPointF point : {QPointF(0, 0), QPointF(0, 20), QPointF(-5, -5), QPointF(0, -20)}) {
    EXPECT_EQ(palette->toolAtPoint(point), kToolNone);
  }
  EXPECT_EQ(palette->toolAtPoint(QPointF(0, qQNaN())), kToolNone);
}

TEST_F(ToolbarViewTest, PaintingTabsHaveNoCellsForTheDrawingOnlyTools) {
  usePainting();
  EXPECT_EQ(palette->toolAtPoint(CellCentre(4)), kToolLine);
  EXPECT_EQ(palette->toolAtPoint(CellCentre(5)), kToolRectangle);
  EXPECT_EQ(palette->toolAtPoint(CellCentre(12)), kToolCrop);
  EXPECT_EQ(palette->toolAtPoint(CellCentre(13)), kToolNone);
  for (DRTool tool :
       {kToolText, kToolCurvedLine, kToolRoundRect, kToolArc, kToolRegularPoly, kToolPolygon, kToolScribble}) {
    EXPECT_TRUE(palette->rectForTool(tool).isNull()) << tool;
    flushPaints();
    palette->invalTool(tool);
    palette->painted.clear();
    QCoreApplication::processEvents();
    ASSERT_FALSE(palette->painted.empty()) << tool;
    EXPECT_EQ(palette->painted.back(), palette->rect()) << tool;
  }
  EXPECT_EQ(palette->rectForTool(kToolCrop), QRectF(0, 12 * kSide, kSide, kSide - 1));
}

TEST_F(ToolbarViewTest, InvalToolRedrawsOnlyTheCell) {
  flushPaints();
  palette->invalTool(kToolRectangle);
  QCoreApplication::processEvents();
  ASSERT_FALSE(palette->painted.empty());
  EXPECT_EQ(palette->painted.back(), QRect(0, 6 * kSide, kSide, kSide - 1));

  palette->painted.clear();
  palette->invalTool(kToolNone);
  QCoreApplication::processEvents();
  EXPECT_TRUE(palette->painted.empty());
}

TEST(ToolTable, OptionsIdentifiersAndTitles) {
  const struct {
    int tool;
    bool inDraw;
    const char* identifier;
    const char* title;
  } kCases[] = {
      {kToolSelect, true, "no", ""},
      {kToolSelect, false, "sel", "Select Options"},
      {kToolFormatPanel, true, "no", ""},
      {kToolZoom, false, "no", ""},
      {kToolArc, true, "no", ""},
      {kToolText, true, "text", "Text Options"},
      {kToolCurvedLine, true, "cline", "Curved Line Options"},
      {kToolBrush, false, "brush", "Brush Options"},
      {kToolEraser, false, "brush", "Eraser Options"},
      {kToolCrop, false, "crop", "Crop Actions"},
      {kToolNone, false, "no", ""},
      {27, true, "no", ""},
      {-1, false, "no", ""},
  };
  for (const auto& c : kCases) {
    EXPECT_EQ(DRToolbarView::idForToolOptions(DRTool(c.tool), c.inDraw), QString::fromLatin1(c.identifier)) << c.tool;
    EXPECT_EQ(DRToolbarView::titleForToolOptions(DRTool(c.tool), c.inDraw), QString::fromLatin1(c.title)) << c.tool;
  }
}

TEST(ToolTable, ToolNumbersFromNotifications) {
  const QString key = QStringLiteral("DRToolbarView.tool");
  const struct {
    QVariantMap userInfo;
    DRTool expected;
  } kCases[] = {
      {{{key, 7}}, kToolRectangle},
      {{{key, 0}}, kToolFormatPanel},
      {{{key, 19}}, kToolCrop},
      {{{key, qlonglong(19)}}, kToolCrop},
      {{}, kToolNone},
      {{{QStringLiteral("tool"), 5}}, kToolNone},
      {{{key, 20}}, kToolNone},
      {{{key, -1}}, kToolNone},
      {{{key, qlonglong(1) << 40}}, kToolNone},
      {{{key, QStringLiteral("rect")}}, kToolNone},
      {{{key, QVariant()}}, kToolNone},
  };
  for (const auto& c : kCases) EXPECT_EQ(DRToolbarView::toolFromUserInfo(c.userInfo), c.expected) << &c - kCases;
}

TEST_F(ToolbarViewTest, TheLineToolIsJustLinesInAPaintingTab) {
  EXPECT_EQ(palette->stringForToolTip(kToolLine), QStringLiteral("Lines, with or without arrows"));
  EXPECT_EQ(palette->stringForToolTip(kToolCrop), QStringLiteral("Crop"));
  usePainting();
  EXPECT_EQ(palette->stringForToolTip(kToolLine), QStringLiteral("Lines"));
  usePainting(DRContentKind::kPaintingVariant);
  EXPECT_EQ(palette->stringForToolTip(kToolLine), QStringLiteral("Lines"));
  EXPECT_EQ(palette->stringForToolTip(kToolPencil), QStringLiteral("Pencil: single-pixel line"));
  EXPECT_EQ(palette->stringForToolTip(kToolNone), QString());
}

TEST_F(ToolbarViewTest, TooltipEventsShowTheTextOfTheCellUnderThePointer) {
  usePainting();
  const QPoint line = CellCentre(4).toPoint();
  QHelpEvent overLine(QEvent::ToolTip, line, palette->mapToGlobal(line));
  QCoreApplication::sendEvent(palette, &overLine);
  EXPECT_TRUE(overLine.isAccepted());
  EXPECT_EQ(QToolTip::text(), QStringLiteral("Lines"));

  const QPoint separator(10, 5 * kSide - 1);
  QHelpEvent overSeparator(QEvent::ToolTip, separator, palette->mapToGlobal(separator));
  QCoreApplication::sendEvent(palette, &overSeparator);
  EXPECT_FALSE(overSeparator.isAccepted());  // nothing to show there
}

// The lightness of the darkest and lightest opaque ink of an area that
// differs from the background.
std::pair<int, int> InkLightness(const QImage& image, const QRect& area, const QColor& background) {
  int darkest = 255, lightest = 0;
  for (int y = area.top(); y <= area.bottom(); ++y) {
    for (int x = area.left(); x <= area.right(); ++x) {
      const QColor pixel = image.pixelColor(x, y);
      if (ColorNear(pixel.rgb(), background, 24)) continue;
      darkest = std::min(darkest, pixel.lightness());
      lightest = std::max(lightest, pixel.lightness());
    }
  }
  return {darkest, lightest};
}

TEST_F(ToolbarViewTest, DarkAppearanceUsesLightOnDarkImagesOnlyForPlainCells) {
  g_darkMode = true;
  palette->setSelectedTool(kToolRectangle);
  const QRect selectCell = palette->rectForTool(kToolSelect).toAlignedRect().adjusted(3, 3, -3, -3);
  QImage image = HarnessWindow::grabView(palette);
  const auto plain = InkLightness(image, selectCell, GrayColor(5));
  EXPECT_GT(plain.second, 200) << "the select cell should show its light-on-dark image";

  palette->setSelectedTool(kToolSelect);
  image = HarnessWindow::grabView(palette);
  const QColor highlight = palette->palette().color(QPalette::Active, QPalette::Highlight);
  const auto highlighted = InkLightness(image, selectCell, highlight);
  EXPECT_LT(highlighted.first, 60) << "a highlighted cell should show the dark-ink image";
  EXPECT_LT(highlighted.second, 200) << "a highlighted cell should show the dark-ink image";
}

TEST_F(ToolbarViewTest, PaintingTabsShowTheirOwnLineImage) {
  usePainting(DRContentKind::kPainting);
  palette->setSelectedTool(kToolSelect);
  const QRect lineCell = palette->rectForTool(kToolLine).toAlignedRect();
  const QImage plainPainting = HarnessWindow::grabView(palette).copy(lineCell);
  usePainting(DRContentKind::kPaintingVariant);
  const QImage variant = HarnessWindow::grabView(palette).copy(lineCell);
  host.content = &drawing;
  const QImage drawingTab = HarnessWindow::grabView(palette).copy(palette->rectForTool(kToolLine).toAlignedRect());
  EXPECT_NE(plainPainting, variant);
  EXPECT_EQ(variant, drawingTab);
}

TEST_F(ToolbarViewTest, NothingIsDrawnAfterShutDown) {
  QImage before = HarnessWindow::grabView(palette);
  palette->shutDown();
  QImage blank(palette->size(), QImage::Format_ARGB32_Premultiplied);
  blank.fill(Qt::transparent);
  QImage after = blank;
  palette->render(&after, QPoint(), QRegion(), QWidget::RenderFlags());
  EXPECT_NE(before, blank);
  EXPECT_EQ(after, blank);
}

TEST_F(ToolbarViewTest, RendersLegibleCellsInBothTabsAndAppearances) {
  // Written out for a look at the artwork; checked here only for ink.
  palette->setSelectedTool(kToolSelect);
  const QString folder = TestImageOutputFolder();
  int index = 0;
  for (const bool dark : {false, true}) {
    g_darkMode = dark;
    for (FakeEditorContent* content : {&drawing, &painting}) {
      host.content = content;
      const QImage image = HarnessWindow::grabView(palette);
      image.save(QStringLiteral("%1/palette-%2.png").arg(folder).arg(index++));
      for (const DRTool tool : palette->toolList()) {
        const QRect cell = palette->rectForTool(tool).toAlignedRect().adjusted(4, 4, -4, -4);
        const QColor background = image.pixelColor(cell.topLeft());
        EXPECT_GT(InkCount(image, cell, background, 40), 20) << "tool " << tool << (dark ? " dark" : " light");
      }
    }
  }
}

}  // namespace
