// The gradient well and the gradient collections: what they show, what a
// click and a drag out do, and which drops they take.

#include <gtest/gtest.h>

#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QScrollArea>
#include <QtTest/QTest>
#include <functional>

#include "model/DRKeyTable.h"
#include "support/widgets/CSDragPasteboard.h"
#include "ui/EventDriver.h"
#include "ui/HarnessWindow.h"
#include "ui/NotificationRecorder.h"
#include "ui/inspector/DRGradientClip.h"
#include "ui/inspector/DRGradientCollectionView.h"
#include "ui/inspector/DRGradientWell.h"

namespace {

DRGradient Solid(Kolor kolor, bool radial = false) {
  DRGradient gradient;
  gradient.setRadial(radial);
  gradient.setStops({{0, kolor}, {12700, kolor}});
  return gradient;
}

DRGradient WithStops(int count) {
  DRGradient gradient;
  std::vector<CSGradientStop> stops;
  for (int index = 0; index < count; ++index) stops.push_back({12700 * index / (count - 1), g_blackKolor});
  gradient.setStops(stops);
  return gradient;
}

// Sends a drag over the widget and drops it there, as a drag from another
// control does; whether the drop was taken.
bool Drop(QWidget* target, const QMimeData* data, QPoint at = QPoint(10, 10)) {
  QDragEnterEvent enter(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject*>(target)->event(&enter);
  if (!enter.isAccepted()) return false;
  QDropEvent drop(at, Qt::CopyAction, data, Qt::LeftButton, Qt::NoModifier);
  static_cast<QObject*>(target)->event(&drop);
  return drop.isAccepted();
}

std::unique_ptr<QMimeData> ForeignText(const QString& text) {
  auto data = std::make_unique<QMimeData>();
  data->setData(g_gradientPasteboardType, text.toUtf8());
  return data;
}

// A well whose drags run a scripted session.
class ScriptedWell : public DRGradientWell {
 public:
  std::function<Qt::DropAction(QDrag*)> session;
  int drags = 0;
  QString dragged;  // the record the drag carried

 protected:
  Qt::DropAction runDragSession(QDrag* drag) override {
    ++drags;
    dragged = GradientStringFromPasteboard(drag->mimeData());
    EXPECT_EQ(dragPasteboard(), drag->mimeData());
    return session ? session(drag) : Qt::IgnoreAction;
  }
};

class ScriptedCollection : public DRGradientCollectionView {
 public:
  std::function<Qt::DropAction(QDrag*)> session;
  QPoint endPoint;
  int drags = 0;

 protected:
  Qt::DropAction runDragSession(QDrag* drag, QPoint* end) override {
    ++drags;
    *end = endPoint;
    return session ? session(drag) : Qt::IgnoreAction;
  }
};

class GradientWellTest : public testing::Test {
 protected:
  static void SetUpTestSuite() { CreateXmlDecoder(); }

  ScriptedWell* placeWell() { return window.place(new ScriptedWell, QRect(20, 20, 60, 30)); }
  // Favourites sit in a scroll area.
  ScriptedCollection* placeFavorites(QList<DRGradient>* list) {
    auto* area = window.place(new QScrollArea, QRect(10, 100, 300, 80));
    auto* view = new ScriptedCollection;
    view->resize(10, 60);
    area->setWidget(view);
    view->awakeFromNib(list);
    return view;
  }
  ScriptedCollection* placeRecents(QList<DRGradient>* list, QSize size) {
    auto* view = window.place(new ScriptedCollection, QRect(QPoint(10, 300), size));
    view->awakeFromNib(list);
    return view;
  }

  HarnessWindow window{QSize(400, 500)};
};

TEST_F(GradientWellTest, AWellShowsItsGradientOrTheCrossAndTellsOfEverySetting) {
  ScriptedWell* well = placeWell();
  NotificationRecorder recorder({g_gradientDraggedNotification}, well);
  const Kolor red = 0x640000FF;
  well->setGradient(Solid(red));
  well->setGradient(Solid(red));
  EXPECT_EQ(recorder.count(g_gradientDraggedNotification), 2);
  QImage shown = HarnessWindow::grabView(well);
  const QPoint middle = well->drawRect().center().toPoint();
  EXPECT_EQ(shown.pixelColor(middle), QColor(255, 0, 0));

  well->setGradient(std::nullopt);
  EXPECT_EQ(recorder.count(g_gradientDraggedNotification), 3);
  shown = HarnessWindow::grabView(well);
  // The cross: white with grey diagonals.
  const QRectF inside = well->drawRect();
  EXPECT_EQ(shown.pixelColor(QPoint(int(inside.center().x()), int(inside.top()) + 1)), QColor(Qt::white));
  EXPECT_NE(shown.pixelColor(middle), QColor(Qt::white));
}

TEST_F(GradientWellTest, AWellTakesDropsOfGradientsItCanHoldOnly) {
  const DRGradient red = Solid(0x64FF0000, true);
  const struct {
    const char* what;
    std::unique_ptr<QMimeData> data;
    bool editable;
    bool taken;
  } cases[] = {
      {"our own pasteboard", GradientDragPasteboard(red), false, true},
      {"another program's bytes", ForeignText(GradientTransferRecord(red)), false, true},
      {"an editable well", GradientDragPasteboard(red), true, false},
      {"eleven stops", ForeignText(GradientTransferRecord(WithStops(11))), false, false},
      {"not a gradient", ForeignText(QStringLiteral("<gradient><stops>")), false, false},
      {"no gradient type", std::make_unique<QMimeData>(), false, false},
  };
  for (const auto& drop : cases) {
    ScriptedWell* well = placeWell();
    well->setEditable(drop.editable);
    const DRGradient before = Solid(0x640000FF);
    well->setGradient(before);
    NotificationRecorder recorder({g_gradientDraggedNotification}, well);
    EXPECT_EQ(Drop(well, drop.data.get()), drop.taken) << drop.what;
    EXPECT_EQ(well->gradient(), drop.taken ? red : before) << drop.what;
    EXPECT_EQ(recorder.count(g_gradientDraggedNotification), drop.taken ? 1 : 0) << drop.what;
    delete well;
  }
}

TEST_F(GradientWellTest, AWellIsDraggedFromOnlyPastThreePointsAndNeverOntoItself) {
  ScriptedWell* well = placeWell();
  EventDriver mouse(well);
  // Empty: nothing to drag.
  mouse.drag(QPointF(20, 15), {QPointF(40, 15)}, QPointF(40, 15));
  EXPECT_EQ(well->drags, 0);

  const DRGradient red = Solid(0x64FF0000);
  well->setGradient(red);
  mouse.drag(QPointF(20, 15), {QPointF(22, 15)}, QPointF(22, 15));
  EXPECT_EQ(well->drags, 0);

  bool ownDropTaken = true;
  well->session = [&](QDrag* drag) {
    ownDropTaken = Drop(well, drag->mimeData());
    return Qt::IgnoreAction;
  };
  mouse.press(QPointF(20, 15));
  mouse.move(QPointF(23, 15));
  EXPECT_EQ(well->drags, 1);
  EXPECT_FALSE(ownDropTaken);
  EXPECT_EQ(GradientFromTransferRecord(well->dragged), red);
  EXPECT_EQ(well->dragPasteboard(), nullptr);
  // The drag took the release: further moves start nothing.
  mouse.move(QPointF(40, 15));
  EXPECT_EQ(well->drags, 1);
}

TEST_F(GradientWellTest, TheRecentsStripCutsTheListToWhatFitsButNeverBelowOne) {
  const struct {
    QSize size;
    double space;
    qsizetype count;
  } cases[] = {
      {QSize(302, 62), 8, 5},  // inner 300 x 60
      {QSize(40, 62), 0, 1},   // narrower than a sample
      {QSize(302, 40), 0, 6},  // lower than a sample and its gaps
  };
  for (const auto& strip : cases) {
    QList<DRGradient> recents;
    for (int index = 0; index < 7; ++index) recents.append(Solid(Kolor(0x64000000u + uint32_t(index))));
    const QList<DRGradient> before = recents;
    ScriptedCollection* view = placeRecents(&recents, strip.size);
    EXPECT_FALSE(view->favorites());
    EXPECT_EQ(view->spaceBetween(), strip.space) << strip.size.width() << "x" << strip.size.height();
    EXPECT_EQ(view->sampleCount(), strip.count);
    EXPECT_EQ(recents, before.mid(0, strip.count));
    EXPECT_EQ(view->rectForSample(1),
              QRectF(50 + 2 * strip.space + 1, std::floor((strip.size.height() - 50) / 2.0), 50, 50));
    delete view;
  }
}

TEST_F(GradientWellTest, AClickOnASampleLoadsTheWellAndAGapDoesNothing) {
  QList<DRGradient> recents{Solid(0x64FF0000), Solid(0x6400FF00)};
  ScriptedCollection* view = placeRecents(&recents, QSize(302, 62));
  ScriptedWell* well = placeWell();
  view->setGradientWell(well);
  EventDriver mouse(view);
  const QRectF second = view->rectForSample(1);
  mouse.click(second.center() - QPointF(second.width() / 2 + 3, 0));  // the gap before it
  EXPECT_FALSE(well->gradient());
  // A movement under three points is still a click.
  mouse.drag(second.center(), {second.center() + QPointF(2, 0)}, second.center() + QPointF(2, 0));
  EXPECT_EQ(view->drags, 0);
  EXPECT_EQ(well->gradient(), recents.at(1));
  EXPECT_EQ(view->clickedSample(), -1);
  // Beyond the list: nothing.
  mouse.click(view->rectForSample(3).center());
  EXPECT_EQ(well->gradient(), recents.at(1));
}

TEST_F(GradientWellTest, FavouritesTakeDropsAtTheFrontOnceAndGrowWithTheList) {
  QList<DRGradient> favorites{Solid(0x64FF0000), Solid(0x6400FF00)};
  ScriptedCollection* view = placeFavorites(&favorites);
  ASSERT_TRUE(view->favorites());
  const int visible = static_cast<QScrollArea*>(view->parentWidget()->parentWidget())->viewport()->width();
  EXPECT_EQ(view->width(), visible);

  const DRGradient blue = Solid(0x640000FF, true);
  EXPECT_TRUE(Drop(view, GradientDragPasteboard(blue).get()));
  EXPECT_EQ(favorites, (QList<DRGradient>{blue, Solid(0x64FF0000), Solid(0x6400FF00)}));
  // An equal one moves to the front instead of standing twice.
  EXPECT_TRUE(Drop(view, ForeignText(GradientTransferRecord(Solid(0x6400FF00))).get()));
  EXPECT_EQ(favorites, (QList<DRGradient>{Solid(0x6400FF00), blue, Solid(0x64FF0000)}));
  EXPECT_FALSE(Drop(view, ForeignText(GradientTransferRecord(WithStops(11))).get()));
  EXPECT_EQ(favorites.size(), 3);
  EXPECT_FALSE(view->isDraggingIn());

  for (int index = 0; index < 6; ++index) favorites.append(Solid(Kolor(0x64000000u + uint32_t(index))));
  view->updateFrame();
  EXPECT_EQ(view->width(), 56 * 9 + 6);
  // The recents strip takes no drops.
  QList<DRGradient> recents;
  ScriptedCollection* strip = placeRecents(&recents, QSize(302, 62));
  EXPECT_FALSE(Drop(strip, GradientDragPasteboard(blue).get()));
  EXPECT_TRUE(recents.isEmpty());
}

TEST_F(GradientWellTest, AFavouriteReleasedOutsideTheWindowGoesAndInsideItStays) {
  QList<DRGradient> favorites{Solid(0x64FF0000), Solid(0x6400FF00), Solid(0x640000FF)};
  ScriptedCollection* view = placeFavorites(&favorites);
  EventDriver mouse(view);
  const QPointF second = view->rectForSample(1).center();

  // Dropped on itself: refused, and inside the window the sample stays.
  bool ownDropTaken = true;
  view->session = [&](QDrag* drag) {
    ownDropTaken = Drop(view, drag->mimeData());
    return Qt::IgnoreAction;
  };
  view->endPoint = window.mapToGlobal(QPoint(200, 200));
  mouse.press(second);
  mouse.move(second + QPointF(0, 3));
  EXPECT_EQ(view->drags, 1);
  EXPECT_FALSE(ownDropTaken);
  EXPECT_EQ(favorites.size(), 3);
  EXPECT_FALSE(view->isDeleting());

  view->session = nullptr;
  view->endPoint = window.frameGeometry().bottomRight() + QPoint(300, 300);
  mouse.press(second);
  mouse.move(second + QPointF(5, 0));
  EXPECT_EQ(view->drags, 2);
  ASSERT_TRUE(view->isDeleting());
  // While it fades, clicks are ignored.
  mouse.click(view->rectForSample(0).center());
  QTRY_VERIFY(!view->isDeleting());
  EXPECT_EQ(favorites, (QList<DRGradient>{Solid(0x64FF0000), Solid(0x640000FF)}));
  EXPECT_EQ(view->clickedSample(), -1);
}

TEST_F(GradientWellTest, ARecentDraggedOntoTheFavouritesIsAddedThere) {
  QList<DRGradient> recents{Solid(0x64FF0000), Solid(0x6400FF00)};
  QList<DRGradient> favorites;
  ScriptedCollection* strip = placeRecents(&recents, QSize(302, 62));
  ScriptedCollection* view = placeFavorites(&favorites);
  strip->session = [&](QDrag* drag) { return Drop(view, drag->mimeData()) ? Qt::CopyAction : Qt::IgnoreAction; };
  // Released far away: a recent is never removed.
  strip->endPoint = QPoint(-5000, -5000);
  EventDriver mouse(strip);
  const QPointF first = strip->rectForSample(0).center();
  mouse.drag(first, {first + QPointF(4, 4)}, first + QPointF(4, 4));
  EXPECT_EQ(favorites, QList<DRGradient>{Solid(0x64FF0000)});
  EXPECT_EQ(recents.size(), 2);
  EXPECT_EQ(strip->clickedSample(), -1);
  EXPECT_FALSE(strip->isDeleting());
}

}  // namespace
