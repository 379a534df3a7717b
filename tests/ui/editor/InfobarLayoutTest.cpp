// The info bar's layout, drawing, tooltips, hit testing and zoom pop-up.

#include <gtest/gtest.h>

#include <QComboBox>
#include <QCoreApplication>
#include <QPaintEvent>
#include <QStyle>
#include <QStyleOptionComboBox>
#include <array>
#include <vector>

#include "model/DRDrawing.h"
#include "model/DRSettings.h"
#include "model/FakeCanvasHost.h"
#include "model/FakeModelServices.h"
#include "support/CSCore.h"
#include "testkit/ImageCompare.h"
#include "testkit/QStringPrinter.h"
#include "ui/FakeEditorContent.h"
#include "ui/FakeEditorPrefs.h"
#include "ui/FakeEditorWindowHost.h"
#include "ui/FakeFavoriteColorManager.h"
#include "ui/HarnessWindow.h"
#include "ui/editor/DRInfobarView.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/editor/EditorSetup.h"

namespace {

constexpr int kPaletteWidth = 34;
constexpr int kBarHeight = 30;  // swatches of 23 points, squares of 15
using Rects = std::array<QRectF, DRInfobarView::kSwatchCount>;

class InfobarLayoutTest : public ::testing::Test {
 protected:
  void SetUp() override {
    SetupEditorResources();
    palette.resize(kPaletteWidth, 400);
    drawingTab.view.style.lineInfo.setKolorWithoutRegistering(0x640000FFu);
    drawingTab.view.style.fillKolor = 0x6400FF00u;
    paintingTab.view.style = drawingTab.view.style;
    host.canvasHost = &canvas;
    bar = new DRInfobarView;
    bar->setWindowHost(&host);
    bar->setToolbarView(&palette);
    bar->setDrawing(&drawing);
    harness.place(bar, QRect(0, 0, 800, kBarHeight));
    shift = bar->zoomPopup()->width() - 76;
    resize(800);
    bar->awakeFromNib();
  }
  void TearDown() override { g_darkMode = false; }

  void showTab(FakeEditorContent* content) {
    host.content = content;
    NotificationCenter::defaultCenter().post(g_tabChangeNotification, &harness);
  }
  // Widths below were chosen for a zoom pop-up 76 points wide: the bar
  // grows by what the pop-up takes more, so the strips keep their room.
  void resize(int width, int height = kBarHeight) {
    bar->resize(width + shift, height);
    QCoreApplication::processEvents();
  }
  Rects layout(int64_t* favorites = nullptr, int64_t* recent = nullptr) const {
    Rects rects;
    bar->swatchSizeAndRects(&rects, favorites, recent);
    return rects;
  }
  QImage grab() { return HarnessWindow::grabView(bar); }

  FakeModelServices services;
  FakeEditorPrefs prefs;
  FakeFavoriteColorManager favorites;
  HarnessWindow harness{QSize(1000, 200)};
  QWidget palette;
  DRDrawing drawing;
  FakeCanvasHost canvas{&drawing};
  FakeEditorContent drawingTab{DRContentKind::kDrawing};
  FakeEditorContent paintingTab{DRContentKind::kPainting};
  FakeEditorWindowHost host{&harness, &drawingTab};
  DRInfobarView* bar = nullptr;
  int shift = 0;  // what the zoom pop-up is wider than the 76 points the positions below assume
};

// The left edge of the line colour swatch: 12 points right of the pop-up.
double FirstSwatchX(const DRInfobarView* bar) {
  const QRect popup = bar->zoomPopup()->geometry();
  return popup.x() + popup.width() + 12;
}

TEST_F(InfobarLayoutTest, SwatchesFollowTheTabWidthAndPreferences) {
  struct Row {
    int width;
    bool painting;
    int preference;
    bool recent;
    int64_t favorites;
    int64_t recents;
  } rows[] = {
      // 800 points leave 22 squares (19 with a favourite strip shown).
      {800, false, -1, true, 10, 12},
      {800, true, -1, false, 22, 0},
      {800, false, 0, true, 0, 24},
      {800, false, 5, true, 5, 17},
      {800, false, 30, false, 22, 0},
      {800, false, 30, true, 19, 3},
      {500, false, -1, true, 3, 3},
      {420, true, -1, true, 0, 3},
      // Too narrow for any square: no count below 0.
      {300, false, -1, true, 0, 3},
      {300, false, -1, false, 0, 0},
      {300, true, 4, false, 0, 0},
      {200, false, 0, true, 0, 3},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << "width " << row.width << (row.painting ? " painting" : " drawing")
                                    << " preference " << row.preference << " recent " << row.recent);
    prefs.favoriteCount = row.preference;
    prefs.recentColors = row.recent;
    showTab(row.painting ? &paintingTab : &drawingTab);
    resize(row.width);
    int64_t favoriteCount = -1, recentCount = -1;
    Rects rects;
    const double size = bar->swatchSizeAndRects(&rects, &favoriteCount, &recentCount);
    ASSERT_EQ(size, kBarHeight - 7);
    EXPECT_EQ(favoriteCount, row.favorites);
    EXPECT_EQ(recentCount, row.recents);

    // Drawing: 0, 1, 2, 3; painting: 0, 1, 3, 4; 25 points before the fill
    // swatch, 12 between the others.
    const std::vector<int> shown = row.painting ? std::vector<int>{0, 1, 3, 4} : std::vector<int>{0, 1, 2, 3};
    EXPECT_EQ(rects[0].x(), FirstSwatchX(bar));
    for (size_t i = 0; i < shown.size(); ++i) {
      const QRectF& swatch = rects[size_t(shown[i])];
      EXPECT_EQ(swatch, QRectF(swatch.x(), 3, size, size)) << "swatch " << shown[i];
      if (i > 0) {
        const double gap = swatch.x() - rects[size_t(shown[i - 1])].right();
        EXPECT_EQ(gap, shown[i] == 3 ? 25 : 12) << "before swatch " << shown[i];
      }
    }
    EXPECT_TRUE(rects[row.painting ? 2 : 4].isEmpty());
    EXPECT_TRUE(rects[7].isEmpty());

    // The strips: 18 points a square, 25 more with favourites shown.
    const QRectF& last = rects[size_t(shown.back())];
    EXPECT_EQ(rects[5], QRectF(last.right() + 12, 3, (row.favorites + 3) * 18 + 5 + (row.favorites ? 25 : 0), size));
    if (row.recents) {
      EXPECT_EQ(rects[6], QRectF(rects[5].right() + 12, 3, row.recents * 18 + 5, size));
    } else {
      EXPECT_TRUE(rects[6].isEmpty());
    }
  }
}

TEST_F(InfobarLayoutTest, NoSizeGivesNegativeCountsOrRectangles) {
  for (bool recent : {true, false}) {
    prefs.recentColors = recent;
    for (int preference : {-1, 0, 3}) {
      prefs.favoriteCount = preference;
      for (int height : {0, 5, 12, 30}) {
        for (int width = 0; width <= 420; width += 15) {
          resize(width, height);
          int64_t favoriteCount = -1, recentCount = -1;
          Rects rects;
          const double size = bar->swatchSizeAndRects(&rects, &favoriteCount, &recentCount);
          SCOPED_TRACE(testing::Message() << width << " x " << height);
          EXPECT_GE(size, 0);
          EXPECT_GE(favoriteCount, 0);
          EXPECT_GE(recentCount, 0);
          for (const QRectF& area : rects) {
            EXPECT_GE(area.width(), 0);
            EXPECT_GE(area.height(), 0);
          }
        }
      }
    }
  }
  // Drawing and hit testing a bar of no height neither crash nor loop.
  resize(120, 0);
  EXPECT_EQ(bar->swatchIndexForPoint(QPointF(60, 0), nullptr), 9);
  resize(120, 4);
  grab();
}

TEST_F(InfobarLayoutTest, TheSaveIconFillsThePaletteColumnOfAnEditedPainting) {
  struct Row {
    FakeEditorContent* tab;
    bool dirty;
    bool shown;
  } rows[] = {
      {&paintingTab, true, true},
      {&paintingTab, false, false},
      {&drawingTab, true, false},
  };
  for (const Row& row : rows) {
    row.tab->view.isDirty = row.dirty;
    showTab(row.tab);
    const Rects rects = layout();
    if (row.shown) {
      EXPECT_EQ(rects[7], QRectF(0, 0, kPaletteWidth, kBarHeight));
      EXPECT_EQ(bar->swatchIndexForPoint(QPointF(10, 10), nullptr), 7);
      EXPECT_EQ(bar->toolTipForPoint(QPointF(10, 10)), QStringLiteral("Save painting changes back to the drawing."));
      // The icon is drawn inside the column.
      EXPECT_GT(InkCount(grab(), QRect(0, 0, kPaletteWidth - 1, kBarHeight - 1), GrayColor(3), 24), 20);
    } else {
      EXPECT_TRUE(rects[7].isEmpty());
      EXPECT_EQ(bar->swatchIndexForPoint(QPointF(10, 10), nullptr), 9);
    }
  }
}

// Pixels of the swatches at 800 points wide in the drawing tab: line colour
// (128, 3), width (163, 3), arrow (198, 3), fill (246, 3), each 23 square.
TEST_F(InfobarLayoutTest, SwatchesShowTheCurrentStyle) {
  const Rects rects = layout();
  ASSERT_EQ(rects[1], QRectF(163 + shift, 3, 23, 23));
  ASSERT_EQ(rects[2], QRectF(198 + shift, 3, 23, 23));
  DRCopiedStyle& style = drawingTab.view.style;
  const QColor outline = GrayColor(3);

  // Width: a black line of the width on white, centred on row 15 (odd
  // widths) or on the line between rows 14 and 15 (even ones); thinner
  // than a point, a hairline of the outline colour; mixed, no line.
  struct WidthRow {
    MeasureUnit width;
    int firstRow;  // the rows the line covers, inclusive
    int lastRow;
    bool black;
  } widths[] = {
      {2 * kMeasurePerPoint, 14, 15, true},
      {3 * kMeasurePerPoint, 14, 16, true},
      {1 * kMeasurePerPoint, 15, 15, true},
      {kMeasurePerPoint / 2, 14, 15, false},
      {0, 14, 15, false},
      {kMixedMeasure, 0, -1, false},
  };
  for (const WidthRow& row : widths) {
    SCOPED_TRACE(testing::Message() << "width " << row.width);
    style.lineInfo.setWidth(row.width);
    const QImage image = grab();
    for (int y = 5; y <= 23; ++y) {
      const QRgb pixel = image.pixel(174, y);
      const bool onLine = y >= row.firstRow && y <= row.lastRow;
      if (!onLine) {
        EXPECT_TRUE(ColorNear(pixel, Qt::white)) << "row " << y;
      } else if (row.black) {
        EXPECT_TRUE(ColorNear(pixel, Qt::black)) << "row " << y;
      } else {
        // A one-point line of the outline colour between two rows.
        EXPECT_FALSE(ColorNear(pixel, Qt::white, 8)) << "row " << y;
        EXPECT_GT(qRed(pixel), outline.red() - 4) << "row " << y;
        EXPECT_EQ(qRed(pixel), qBlue(pixel));
      }
    }
    // The swatch is erased to white beside the line.
    EXPECT_TRUE(ColorNear(image.pixel(164, 6), Qt::white));
  }

  // Colours: visible ones fill the swatch; no colour and opacity 0 give
  // the cross, white with its diagonals in the outline colour.
  struct ColorRow {
    Kolor kolor;
    bool cross;
  } colors[] = {
      {0x640000FFu, false},
      {0x64FF8000u, false},
      {g_nilKolor, true},
      {0x000000FFu, true},
  };
  for (const ColorRow& row : colors) {
    SCOPED_TRACE(testing::Message() << std::hex << row.kolor);
    style.lineInfo.setKolorWithoutRegistering(row.kolor);
    style.fillKolor = row.kolor;
    const QImage image = grab();
    for (const QRectF& swatch : {rects[0], rects[3]}) {
      const QPoint centre = swatch.center().toPoint();
      const QPoint offDiagonal(int(swatch.x()) + 11, int(swatch.y()) + 4);
      if (row.cross) {
        EXPECT_TRUE(ColorNear(image.pixel(offDiagonal), Qt::white));
        EXPECT_FALSE(ColorNear(image.pixel(centre), Qt::white, 16));
        EXPECT_FALSE(ColorNear(image.pixel(centre), Qt::black, 64));
      } else {
        EXPECT_TRUE(ColorNear(image.pixel(centre), ColorFromKolor(row.kolor)));
        EXPECT_TRUE(ColorNear(image.pixel(offDiagonal), ColorFromKolor(row.kolor)));
      }
    }
  }

  // Arrow: none shows the open arrow in light grey; the style's is black.
  auto inkOfColor = [](const QImage& image, const QRect& area, const QColor& color) {
    int count = 0;
    for (int y = area.top(); y <= area.bottom(); ++y) {
      for (int x = area.left(); x <= area.right(); ++x) count += ColorNear(image.pixel(x, y), color, 10);
    }
    return count;
  };
  const QRect arrowArea = rects[2].toRect().adjusted(1, 1, -1, -1);
  style.arrow.reset();
  QImage image = grab();
  EXPECT_GT(inkOfColor(image, arrowArea, QColor(0xC0, 0xC0, 0xC0)), 10);
  EXPECT_EQ(inkOfColor(image, arrowArea, Qt::black), 0);
  style.arrow = DRArrow::standardArrow(kArrowTypeClosed);
  style.arrow->setFill(1);
  image = grab();
  const int black = inkOfColor(image, arrowArea, Qt::black);
  EXPECT_GT(black, 10);
  EXPECT_LT(inkOfColor(image, arrowArea, QColor(0xC0, 0xC0, 0xC0)) * 4, black);  // antialiased edges only

  // Once the window is closing nothing is drawn any more.
  style.fillKolor = 0x640000FFu;
  const QPoint fillCentre = rects[3].center().toPoint();
  EXPECT_TRUE(ColorNear(grab().pixel(fillCentre), QColor(0xFF, 0, 0)));
  NotificationCenter::defaultCenter().post(g_windowWillCloseNotification, &harness);
  EXPECT_FALSE(ColorNear(grab().pixel(fillCentre), QColor(0xFF, 0, 0), 64));
}

TEST_F(InfobarLayoutTest, TheSwapSwatchIsAnOvalOfTheSwapColour) {
  DRSettings& settings = DRSettings::sharedInstance();
  const Kolor saved = settings.swapKolor();
  settings.setSwapKolor(0x64FF0000u);
  showTab(&paintingTab);
  const Rects rects = layout();
  const QImage image = grab();
  EXPECT_TRUE(ColorNear(image.pixel(rects[4].center().toPoint()), QColor(0, 0, 0xFF)));
  // Outside the oval, the corner shows the bar's background.
  EXPECT_TRUE(ColorNear(image.pixel(rects[4].topLeft().toPoint() + QPoint(1, 1)), GrayColor(3), 24));
  settings.setSwapKolor(saved);
}

TEST_F(InfobarLayoutTest, HitTestingAndTooltips) {
  favorites.kolors = {0x640000FFu, 0x6400FF00u};
  drawing.recentColors() = {0x64FF0000u, 0x6400FFFFu};
  const Rects rects = layout();
  // At 800 points: favourite strip from 281, squares of 15 every 18 from
  // 285; the favourites from 353; recent squares from 561.
  ASSERT_EQ(rects[5].x(), 281 + shift);
  ASSERT_EQ(rects[6].x(), 557 + shift);
  struct Row {
    QPointF point;
    int swatch;
    int64_t colorIndex;
    const char* tooltip;
  } rows[] = {
      {rects[0].center(), 0, -1, "Line and text color. Right-click for menu"},
      {rects[1].center(), 1, -1, "Line width"},
      {rects[2].center(), 2, -1, "Arrow options"},
      {rects[3].center(), 3, -1, "Fill color. Right-click for menu"},
      {QPointF(292 + shift, 14), 5, 0, "Black. Right-click for menu."},
      {QPointF(310 + shift, 14), 5, 1, "White. Right-click for menu."},
      {QPointF(328 + shift, 14), 5, 2, "No fill or outline. Right-click for menu."},
      {QPointF(360 + shift, 14), 5, 3, "Favorite colors. Right-click for menu."},
      {QPointF(378 + shift, 14), 5, 4, "Favorite colors. Right-click for menu."},
      {QPointF(396 + shift, 14), 5, -1, "Favorite colors. Right-click for menu."},    // no third favourite
      {QPointF(368.5 + shift, 14), 5, -1, "Favorite colors. Right-click for menu."},  // between two squares
      {QPointF(285.2 + shift, 14), 5, -1, "Black. Right-click for menu."},            // the square's outline
      {QPointF(568 + shift, 14), 6, 0, "Recent colors. Right-click for menu."},
      {QPointF(586 + shift, 14), 6, 1, "Recent colors. Right-click for menu."},
      {QPointF(604 + shift, 14), 6, -1, "Recent colors. Right-click for menu."},  // beyond the list
      {QPointF(rects[0].right(), 14), 9, -1, ""},                                   // right edges are outside
      {QPointF(240 + shift, 14), 9, -1, ""},
      {QPointF(10, 10), 9, -1, ""},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.point.x() << ", " << row.point.y());
    int64_t colorIndex = 99;
    EXPECT_EQ(bar->swatchIndexForPoint(row.point, &colorIndex), row.swatch);
    EXPECT_EQ(colorIndex, row.colorIndex);
    EXPECT_EQ(bar->toolTipForPoint(row.point), QString::fromLatin1(row.tooltip));
  }

  // The painting tab's swap swatch has its own tooltip and no arrow.
  showTab(&paintingTab);
  const Rects painting = layout();
  EXPECT_EQ(bar->toolTipForPoint(painting[4].center()), QStringLiteral("Swap color. Right-click for menu"));
  EXPECT_EQ(bar->swatchIndexForPoint(painting[4].center(), nullptr), 4);
  EXPECT_EQ(bar->toolTipForPoint(painting[3].center()), QStringLiteral("Fill color. Right-click for menu"));
  EXPECT_EQ(bar->toolTipForPoint(rects[2].center()), QString());  // where the arrow was
}

TEST_F(InfobarLayoutTest, FavouriteAndRecentSquares) {
  favorites.kolors = {0x640000FFu};
  drawing.recentColors() = {0x64FF0000u};
  const QImage image = grab();
  const QColor strip(0xF4, 0xF4, 0xF4);
  struct Row {
    QPoint pixel;
    QColor color;
  } rows[] = {
      {{292 + shift, 14}, Qt::black},
      {{310 + shift, 14}, Qt::white},
      {{328 + shift, 9}, Qt::white},  // the no-colour cross, off its diagonals
      {{360 + shift, 14}, QColor(0xFF, 0, 0)},
      {{378 + shift, 14}, Qt::white},  // an empty favourite square
      {{568 + shift, 14}, QColor(0, 0, 0xFF)},
      {{586 + shift, 14}, Qt::white},  // an empty recent square
      {{345 + shift, 14}, strip},      // no left arrow at the first page
      {{546 + shift, 14}, GrayColor(3)},
  };
  for (const Row& row : rows) {
    EXPECT_TRUE(ColorNear(image.pixel(row.pixel), row.color, 4))
        << row.pixel.x() << ", " << row.pixel.y() << ": " << std::hex << image.pixel(row.pixel);
  }
  // With more favourites than squares, the right arrow shows in dark grey
  // in the last 8 points of the strip.
  favorites.kolors.clear();
  for (int i = 0; i < 12; ++i) favorites.kolors << MakeKolor(i * 20, 0, 0);
  const QImage more = grab();
  const Rects rects = layout();
  const int arrowX = int(rects[5].right()) - 10;
  EXPECT_TRUE(ColorNear(more.pixel(arrowX, 14), QColor(0x40, 0x40, 0x40), 24));
}

TEST_F(InfobarLayoutTest, TheZoomPopupFollowsTheCanvasAndTheTab) {
  QComboBox* popup = bar->zoomPopup();
  ASSERT_EQ(popup->count(), 21);
  const std::vector<int> drawTags = {10,  25,  33,  50,  66,  75,  100, 125,  150,  175, 200,
                                     250, 300, 400, 500, 600, 700, 800, 1000, 1200, 1600};
  for (int i = 0; i < popup->count(); ++i) {
    EXPECT_EQ(popup->itemData(i).toInt(), drawTags[size_t(i)]);
    EXPECT_EQ(popup->itemText(i), QStringLiteral("%1%").arg(drawTags[size_t(i)]));
  }
  // Choosing a step zooms the canvas and shows the zoom it took.
  for (int i = 0; i < popup->count(); ++i) {
    popup->setCurrentIndex(i);
    bar->setZoomValue();
    EXPECT_DOUBLE_EQ(drawingTab.view.zoom, drawTags[size_t(i)] * 0.01);
    EXPECT_EQ(popup->currentData().toInt(), drawTags[size_t(i)]);
  }
  // A zoom set elsewhere is shown; one between the steps selects nothing.
  drawingTab.view.zoom = 2.5;
  NotificationCenter::defaultCenter().post(g_zoomChangeNotification, &harness);
  EXPECT_EQ(popup->currentData().toInt(), 250);
  drawingTab.view.zoom = 2.2;
  NotificationCenter::defaultCenter().post(g_zoomChangeNotification, &harness);
  EXPECT_EQ(popup->currentIndex(), -1);

  // A painting tab: 17 steps, the canvas's zoom selected.
  paintingTab.view.zoom = 4;
  showTab(&paintingTab);
  ASSERT_EQ(popup->count(), 17);
  EXPECT_TRUE(bar->showingPaintOptions());
  EXPECT_EQ(popup->findData(125), -1);
  EXPECT_EQ(popup->findData(250), -1);
  EXPECT_EQ(popup->currentData().toInt(), 400);
  // Another painting leaves the pop-up alone; the drawing refills it.
  FakeEditorContent otherPainting(DRContentKind::kPainting);
  otherPainting.view.zoom = 8;
  showTab(&otherPainting);
  EXPECT_EQ(popup->count(), 17);
  EXPECT_EQ(popup->currentData().toInt(), 400);
  drawingTab.view.zoom = 1.5;
  showTab(&drawingTab);
  EXPECT_EQ(popup->count(), 21);
  EXPECT_FALSE(bar->showingPaintOptions());
  EXPECT_EQ(popup->currentData().toInt(), 150);
}

// The width the pop-up's closed face gives its item's text.
int ShownTextWidth(QComboBox* popup, const QString& text) {
  QStyleOptionComboBox option;
  option.initFrom(popup);
  option.editable = false;
  option.frame = true;
  option.currentText = text;
  return popup->style()->subControlRect(QStyle::CC_ComboBox, &option, QStyle::SC_ComboBoxEditField, popup).width();
}

TEST_F(InfobarLayoutTest, TheZoomPopupShowsItsWidestStepWhole) {
  QComboBox* popup = bar->zoomPopup();
  struct Row {
    const char* name;
    bool painting;
    double pointSize;  // 0: the interface font
  } rows[] = {
      {"drawing steps", false, 0},
      {"painting steps", true, 0},
      {"a larger interface font", false, 16},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    if (row.pointSize > 0) {
      QFont font = bar->font();
      font.setPointSizeF(row.pointSize);
      bar->setFont(font);
    }
    showTab(row.painting ? &paintingTab : &drawingTab);
    QCoreApplication::processEvents();
    ASSERT_GT(popup->count(), 0);
    for (int i = 0; i < popup->count(); ++i) {
      const QString text = popup->itemText(i);
      EXPECT_GE(ShownTextWidth(popup, text), popup->fontMetrics().horizontalAdvance(text)) << qPrintable(text);
    }
    // The swatches follow the pop-up, however wide it is.
    EXPECT_DOUBLE_EQ(layout()[0].x(), FirstSwatchX(bar));
    EXPECT_EQ(popup->x(), kPaletteWidth + DRInfobarView::kZoomPopupOffset);
  }
}

TEST_F(InfobarLayoutTest, SettingsChangesRedrawTheirSwatch) {
  // Records the areas the bar asks to repaint.
  struct Recorder : QObject {
    std::vector<QRect> areas;
    bool eventFilter(QObject*, QEvent* event) override {
      if (event->type() == QEvent::Paint) areas.push_back(static_cast<QPaintEvent*>(event)->rect());
      return false;
    }
  } recorder;
  bar->installEventFilter(&recorder);
  const Rects rects = layout();
  struct Row {
    QVariantMap userInfo;
    QRect expected;  // empty: nothing; the whole bar for no swatch
  } rows[] = {
      {{{QStringLiteral("swatch"), 3}}, rects[3].toAlignedRect()},
      {{{QStringLiteral("swatch"), 11}}, rects[0].toAlignedRect()},
      {{{QStringLiteral("swatch"), 10}}, QRect()},
      {{{QStringLiteral("swatch"), 4}}, QRect()},  // no swap swatch in the drawing tab
      {{}, bar->rect()},
  };
  for (const Row& row : rows) {
    QCoreApplication::processEvents();
    recorder.areas.clear();
    NotificationCenter::defaultCenter().post(g_settingsChangeNotification, &harness, row.userInfo);
    QCoreApplication::processEvents();
    if (row.expected.isEmpty()) {
      EXPECT_TRUE(recorder.areas.empty()) << row.userInfo.value("swatch").toInt();
    } else {
      ASSERT_EQ(recorder.areas.size(), 1u) << row.userInfo.value("swatch").toInt();
      EXPECT_EQ(recorder.areas.front(), row.expected);
    }
  }
  bar->removeEventFilter(&recorder);
}

}  // namespace
