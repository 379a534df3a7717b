// The option buttons, the arrow list's cells, the brush preview and the
// grey palette.

#include <gtest/gtest.h>

#include <QButtonGroup>
#include <QListWidget>
#include <QScrollBar>
#include <memory>

#include "ImageCompare.h"
#include "model/DRDrawing.h"
#include "model/DRSettings.h"
#include "model/DRSettingsChange.h"
#include "model/ElementTestSupport.h"
#include "platform/NotificationCenter.h"
#include "support/CSCore.h"
#include "ui/EventDriver.h"
#include "ui/HarnessWindow.h"
#include "ui/NotificationRecorder.h"
#include "ui/inspector/DRBrushExample.h"
#include "ui/inspector/DRGrayPalette.h"
#include "ui/inspector/DRToolCells.h"

namespace {

const QColor kSelectedGreen = ColorFromKolor(g_polygonFillKolor);

TEST(ToolCellsTest, APolygonCellDrawsInTheLargestCentredSquareAndPullsTheSquareIn) {
  struct Case {
    QSize frame;
    int tag;
    QRect ink;
  };
  // The stroke is 1 point wide on the outline, so an outline on x.5 inks
  // exactly one pixel column.
  const Case cases[] = {
      {{40, 40}, 4, {2, 2, 36, 36}},  // 2.5 points in from every side
      {{40, 30}, 4, {7, 2, 26, 26}},  // the 30-point square, centred, then pulled in
      {{41, 30}, 4, {7, 2, 26, 26}},  // the centring offset is floored
  };
  for (const Case& c : cases) {
    const QImage image = RenderImage(c.frame, [&](QPainter& painter) {
      DRPolygonCell::drawPolygonCell(painter, QRectF(QPointF(), QSizeF(c.frame)), c.tag, false);
    });
    EXPECT_EQ(InkBounds(image, Qt::white, 8), c.ink) << c.frame.width() << "x" << c.frame.height();
  }
  // Another polygon reaches the edge of its square.
  const QImage hexagon = RenderImage(QSize(40, 40), [](QPainter& painter) {
    DRPolygonCell::drawPolygonCell(painter, QRectF(0, 0, 40, 40), 6, false);
  });
  EXPECT_LE(InkBounds(hexagon, Qt::white, 8).left(), 0);
}

TEST(ToolCellsTest, OptionCellsFillTheirShapeGreenWhenSelected) {
  struct Case {
    const char* name;
    std::function<void(QPainter&, const QRectF&, bool)> draw;
    QPoint probe;
    bool selected;
    QColor expected;
  };
  const Case cases[] = {
      {"polygon",
       [](QPainter& p, const QRectF& f, bool s) { DRPolygonCell::drawPolygonCell(p, f, 4, s); },
       {20, 20},
       true,
       kSelectedGreen},
      {"polygon",
       [](QPainter& p, const QRectF& f, bool s) { DRPolygonCell::drawPolygonCell(p, f, 4, s); },
       {20, 20},
       false,
       GrayColor(3)},
      // The brush cell's whole frame turns green; the brush is black on it.
      {"brush",
       [](QPainter& p, const QRectF& f, bool s) { DRBrushCell::drawBrushCell(p, f, 0, s); },
       {1, 1},
       true,
       kSelectedGreen},
      {"brush",
       [](QPainter& p, const QRectF& f, bool s) { DRBrushCell::drawBrushCell(p, f, 0, s); },
       {1, 1},
       false,
       Qt::white},
      {"brush",
       [](QPainter& p, const QRectF& f, bool s) { DRBrushCell::drawBrushCell(p, f, 0, s); },
       {20, 20},
       true,
       Qt::black},
      {"selection",
       [](QPainter& p, const QRectF& f, bool s) { DRSelectionCell::drawSelectionCell(p, f, 0, s); },
       {20, 20},
       true,
       kSelectedGreen},
  };
  for (const Case& c : cases) {
    const QImage image =
        RenderImage(QSize(40, 40), [&](QPainter& painter) { c.draw(painter, QRectF(0, 0, 40, 40), c.selected); });
    EXPECT_TRUE(ColorNear(image.pixel(c.probe), c.expected, 4))
        << c.name << (c.selected ? " selected" : "") << " " << std::hex << image.pixel(c.probe);
  }
}

TEST(ToolCellsTest, SelectionCellsDrawTheirTagsShapeWithADashedOutline) {
  struct Case {
    int tag;
    QPoint probe;
    bool inside;
  };
  // Frame 40 x 40: the shapes lie in (2.5, 2.5, 35, 35); the polygon's
  // bottom notch rises 11 points from its bottom corners.
  const Case cases[] = {
      {0, {20, 33}, true}, {0, {4, 4}, true},   {2, {20, 33}, false}, {2, {5, 33}, true}, {2, {4, 4}, false},
      {1, {20, 20}, true}, {1, {4, 36}, false}, {7, {4, 4}, true},  // any other tag is the rectangle
  };
  for (const Case& c : cases) {
    const QImage image = RenderImage(QSize(40, 40), [&](QPainter& painter) {
      DRSelectionCell::drawSelectionCell(painter, QRectF(0, 0, 40, 40), c.tag, false);
    });
    EXPECT_EQ(ColorNear(image.pixel(c.probe), GrayColor(3), 4), c.inside)
        << "tag " << c.tag << " at " << c.probe.x() << "," << c.probe.y();
  }
  // The rectangle's top edge is dashed 5 on, 2 off: gaps along it.
  const QImage rectangle = RenderImage(QSize(40, 40), [](QPainter& painter) {
    DRSelectionCell::drawSelectionCell(painter, QRectF(0, 0, 40, 40), 0, false);
  });
  const int inked = InkCount(rectangle, QRect(3, 2, 34, 1), GrayColor(3), 40);
  EXPECT_GT(inked, 15);
  EXPECT_LT(inked, 34);
}

TEST(ToolCellsTest, OptionButtonsFormAGroupByTagAndPaintTheCheckedOneSelected) {
  HarnessWindow window(QSize(200, 60));
  QButtonGroup group;
  std::vector<DRPolygonCell*> cells;
  for (int tag : {3, 4, 6}) {
    auto* cell = window.place(new DRPolygonCell(tag), QRect(4 + 44 * int(cells.size()), 4, 40, 40));
    cell->addToGroup(&group);
    cells.push_back(cell);
  }
  EventDriver(cells[1]).click(QPointF(20, 20));
  EXPECT_EQ(group.checkedId(), 4);
  EventDriver(cells[2]).click(QPointF(20, 20));
  EXPECT_EQ(group.checkedId(), 6);
  EXPECT_FALSE(cells[1]->isSelectedCell());
  EXPECT_TRUE(cells[2]->isSelectedCell());
  EXPECT_TRUE(ColorNear(HarnessWindow::grabView(cells[2]).pixel(20, 20), kSelectedGreen, 4));
  EXPECT_TRUE(ColorNear(HarnessWindow::grabView(cells[1]).pixel(20, 20), GrayColor(3), 4));
}

TEST(ToolCellsTest, AnArrowListWithAShownScrollerDrawsNarrower) {
  HarnessWindow window(QSize(300, 300));
  auto* list = window.place(new QListWidget, QRect(10, 10, 200, 120));
  list->setItemDelegate(new DRArrowCell(list));
  const DRArrow arrow = *DRArrow::standardArrow(kArrowTypeClosed);
  for (int row = 0; row < 3; ++row) {
    auto* item = new QListWidgetItem(list);
    item->setData(DRArrowCell::kArrowRole, QVariant::fromValue(arrow));
  }
  const auto sampleWidth = [&] {
    const QImage image = RenderImage(QSize(200, 22), [&](QPainter& painter) {
      DRArrowCell::drawArrowCell(painter, QRectF(0, 0, 200, 22), arrow, list->viewport());
    });
    return InkBounds(image).width();
  };
  ASSERT_FALSE(list->verticalScrollBar()->isVisible());
  const int wide = sampleWidth();
  EXPECT_NEAR(wide, 200 - 2 * DRArrowCell::kSampleInset, 2);
  for (int row = 0; row < 20; ++row) {
    auto* item = new QListWidgetItem(list);
    item->setData(DRArrowCell::kArrowRole, QVariant::fromValue(arrow));
  }
  window.repaint();
  ASSERT_TRUE(list->verticalScrollBar()->isVisible());
  EXPECT_EQ(wide - sampleWidth(), list->verticalScrollBar()->width());

  // The list itself shows the row's arrow (black on the white rows).
  const QImage shown = HarnessWindow::grabView(list->viewport());
  EXPECT_GT(InkCount(shown, QRect(0, 0, 60, 22)), 5);
}

class BrushAndPaletteTest : public ::testing::Test {
 protected:
  void TearDown() override { NotificationQueue::defaultQueue().flush(); }
  SettingsScope settings;
  DRSettings& tools = DRSettings::sharedInstance();
};

TEST_F(BrushAndPaletteTest, TheBrushPreviewRedrawsOnItsWindowsSampleAndPassesItOn) {
  HarnessWindow window(QSize(200, 200));
  QObject otherWindow;
  auto* example = window.place(new DRBrushExample, QRect(10, 10, 72, 72));
  example->setNotificationWindow(&window);
  const uint64_t exponent = tools.brushSizeExponent();
  const int32_t brush = tools.brush();
  tools.setBrushSizeExponent(4);
  tools.setBrush(0);  // square

  NotificationRecorder changes({QStringLiteral("twdraw.brushChange")});
  NotificationCenter::defaultCenter().post(QStringLiteral("twdraw.brushSample"), &otherWindow);
  EXPECT_EQ(changes.posted().size(), 0u);
  NotificationCenter::defaultCenter().post(QStringLiteral("twdraw.brushSample"), &window);
  ASSERT_EQ(changes.posted().size(), 1u);
  EXPECT_EQ(changes.posted()[0].object, &window);

  // A 16-pixel square in the middle of the white, grey-framed view.
  const QImage image = HarnessWindow::grabView(example);
  EXPECT_EQ(InkBounds(image, QRect(2, 2, 68, 68), Qt::white, 100), QRect(28, 28, 16, 16));
  EXPECT_TRUE(ColorNear(image.pixel(0, 36), GrayColor(4), 8));
  tools.setBrushSizeExponent(exponent);
  tools.setBrush(brush);
}

TEST_F(BrushAndPaletteTest, PaletteClicksClampToTheGridAndSetFillAndLineOnce) {
  HarnessWindow window(QSize(200, 200));
  auto* palette = window.place(new DRGrayPalette, QRect(10, 10, 164, 164));  // cells 10 points
  tools.setFillKolor(MakeKolor(200, 0, 0));
  tools.lineInfo().setKolor(MakeKolor(0, 0, 200));
  palette->setNotificationWindow(&window);
  ASSERT_EQ(palette->selectedGray(), 0u);  // neither colour is grey
  ASSERT_DOUBLE_EQ(palette->cellSize(), 10);

  struct Case {
    QPointF click;
    uint64_t gray;
  };
  const Case cases[] = {
      {{3 + 5 * 10 + 4, 3 + 2 * 10 + 4}, 37},
      {{0.5, 0.5}, 0},  // above and left of the first square
      {{163, 2}, 15},   // beyond the last column
      {{2, 163}, 240},  // beyond the last row
      {{163.5, 163.5}, 255},
      {{18.5, 8.5}, 1},  // (p + 1) / c: 19.5 / 10 is column 1
  };
  NotificationRecorder recorder({g_settingsChangeNotification}, &window);
  NotificationRecorder recents({QStringLiteral("twdraw.registerColor"), QStringLiteral("twdraw.registerAltColor")});
  for (const Case& c : cases) {
    NotificationQueue::defaultQueue().flush();
    recorder.clear();
    recents.clear();
    EventDriver(palette).click(c.click);
    NotificationQueue::defaultQueue().flush();
    EXPECT_EQ(recents.count(QStringLiteral("twdraw.registerColor")), 1);
    EXPECT_EQ(recents.count(QStringLiteral("twdraw.registerAltColor")), 1);
    EXPECT_EQ(palette->selectedGray(), c.gray) << c.click.x() << "," << c.click.y();
    const Kolor expected = MakeKolor(int(c.gray), int(c.gray), int(c.gray));
    EXPECT_EQ(tools.fillKolor(), expected);
    EXPECT_EQ(tools.lineInfo().kolor(), expected);
    ASSERT_EQ(recorder.posted().size(), 2u);
    EXPECT_EQ(recorder.posted()[0].userInfo.value(g_settingsChangeSwatchKey).toInt(), 3);
    EXPECT_EQ(recorder.posted()[1].userInfo.value(g_settingsChangeSwatchKey).toInt(), 0);
    EXPECT_FALSE(recorder.posted()[0].userInfo.contains(g_settingsChangeGetterKey));
  }

  // The same grey again: nothing changes and nothing is posted.
  tools.lineInfo().setKolor(g_blackKolor);  // registers a recent colour itself
  NotificationQueue::defaultQueue().flush();
  recents.clear();
  recorder.clear();
  EventDriver(palette).click(QPointF(12, 5));  // grey 1 again
  NotificationQueue::defaultQueue().flush();
  EXPECT_EQ(recorder.posted().size(), 0u);
  EXPECT_EQ(recents.posted().size(), 0u);
  EXPECT_EQ(tools.lineInfo().kolor(), g_blackKolor);
}

TEST_F(BrushAndPaletteTest, ThePaletteFollowsGreyColoursAndIgnoresOthers) {
  HarnessWindow window(QSize(200, 200));
  auto* palette = window.place(new DRGrayPalette, QRect(10, 10, 164, 164));
  const auto grey = [](int level) { return MakeKolor(level, level, level); };
  const Kolor red = MakeKolor(255, 0, 0);

  // At the start: the fill when it is grey, else the line colour. No
  // colour is not white, though its channels are all 255.
  struct Start {
    Kolor fill;
    Kolor line;
    uint64_t gray;
  };
  const Start starts[] = {{grey(90), grey(20), 90}, {red, grey(20), 20}, {g_nilKolor, grey(64), 64}};
  for (const Start& s : starts) {
    tools.setFillKolor(s.fill);
    tools.lineInfo().setKolor(s.line);
    palette->setNotificationWindow(&window);
    EXPECT_EQ(palette->selectedGray(), s.gray);
  }

  struct Step {
    const char* what;
    Kolor fill;
    Kolor line;
    QString name;
    QVariant swatch;
    uint64_t gray;
  };
  const QString eyedropper = QStringLiteral("twdraw.eyedropper");
  const Step steps[] = {
      {"eyedropper grey", grey(128), red, eyedropper, {}, 128},
      {"eyedropper red", red, grey(7), eyedropper, {}, 128},
      {"line swatch", red, grey(7), g_settingsChangeNotification, 0, 7},
      {"fill swatch", grey(33), grey(7), g_settingsChangeNotification, 3, 33},
      {"all swatches, fill not grey", red, grey(44), g_settingsChangeNotification, 13, 44},
      {"another swatch", grey(99), grey(99), g_settingsChangeNotification, 10, 44},
      {"no swatch", grey(99), grey(99), g_settingsChangeNotification, {}, 44},
      {"no colour", g_nilKolor, grey(99), g_settingsChangeNotification, 3, 44},
  };
  for (const Step& s : steps) {
    tools.setFillKolor(s.fill);
    tools.lineInfo().setKolor(s.line);
    QVariantMap info;
    if (s.swatch.isValid()) info.insert(g_settingsChangeSwatchKey, s.swatch);
    // The eyedropper posts with no object; settings changes name the window.
    NotificationCenter::defaultCenter().post(s.name, s.name == eyedropper ? nullptr : &window, info);
    EXPECT_EQ(palette->selectedGray(), s.gray) << s.what;
  }
}

}  // namespace
