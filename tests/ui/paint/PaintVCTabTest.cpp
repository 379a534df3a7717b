// The painting tab in its window: writing the painting back to its bitmap
// element, the menu validation, the transparency switch and the panes.

#include "PaintFixture.h"
#include "platform/NotificationCenter.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/EditorNotifications.h"
#include "ui/shell/DRPrefController.h"

namespace {

const QString kBitmapChange = QStringLiteral("twdraw.bitmapChange");

}  // namespace

TEST_F(PaintTest, TheFactoryMakesThePaintingEditor) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  ASSERT_TRUE(vc);
  EXPECT_EQ(controller->currentContent(), vc);
  EXPECT_EQ(controller->scrollView()->widget(), vc->view());
  EXPECT_EQ(vc->contentView()->zoomValue(), 1.0);
  EXPECT_EQ(view->toolbarView(), controller->toolbarView());
  // A copy: the element's painting is not edited in place.
  EXPECT_NE(vc->painting().get(), bitmap->painting().get());
  EXPECT_EQ(vc->painting()->guid(), bitmap->painting()->guid());
  EXPECT_EQ(vc->propertyNibs(), (QStringList{QStringLiteral("PropertyPaintSize"), QStringLiteral("PropertyPaintMask"),
                                             QStringLiteral("PropertyPaintGlobal"),
                                             QStringLiteral("PropertyPaintGrays")}));
  EXPECT_EQ(vc->pixmapDisplay(), kPixmapDisplayOpaque);  // no transparency
}

TEST_F(PaintTest, LeavingTheTabOrSavingWritesBackOnce) {
  struct Row {
    const char* name;
    std::function<void(PaintTest&)> leave;
  };
  const Row rows[] = {
      {"select the drawing",
       [](PaintTest& t) {
         t.controller->windowTabs()->selectTab(DRWindowController::kDrawingTab);
         t.controller->selectTab(DRWindowController::kDrawingTab);
       }},
      {"saving", [](PaintTest& t) { t.drawing()->prepareToSave(true); }},
      {"closing the tab", [](PaintTest& t) { t.controller->closeTab(t.bitmap->guid()); }},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
    ASSERT_TRUE(vc);
    ASSERT_TRUE(send(vc, QStringLiteral("invert:")));
    EXPECT_TRUE(vc->isDirty());
    EXPECT_TRUE(drawing()->isPaintingDirty());
    NotificationRecorder recorder({kBitmapChange});
    DRPainting* edited = vc->painting().get();
    row.leave(*this);
    Spin();
    ASSERT_EQ(recorder.count(kBitmapChange), 1);
    const CSNotification& posted = recorder.posted().front();
    EXPECT_EQ(posted.object, edited);
    EXPECT_EQ(posted.userInfo.value(QStringLiteral("window")).value<QObject*>(), controller->window());
    // The element took the inverted pixels.
    EXPECT_EQ(bitmap->painting()->kolorAtPoint(QPointF(1, 1)), 0x64FFFF00u);
    EXPECT_FALSE(drawing()->isPaintingDirty());
    if (const auto* record = controller->bitmapDictForGuid(bitmap->guid()); record && record->control) {
      EXPECT_FALSE(record->control->undoManager().isUndoAvailable());
      EXPECT_FALSE(record->control->isDirty());
    }
  }
}

TEST_F(PaintTest, FloatingPixelsAreMergedBeforeTheWriteBack) {
  ASSERT_TRUE(openSolid(QSize(40, 30), Qt::red));
  view->selectAll();
  ASSERT_TRUE(view->nudgeXBy(5, 0));
  controller->selectTab(DRWindowController::kDrawingTab);
  EXPECT_FALSE(view->floatingPixmap());
  EXPECT_EQ(bitmap->painting()->kolorAtPoint(QPointF(2, 2)), g_whiteKolor);
  EXPECT_EQ(bitmap->painting()->kolorAtPoint(QPointF(6, 2)), 0x640000FFu);
}

TEST_F(PaintTest, MenuValidation) {
  DRPaintVC* vc = openTab(addBitmap(std::make_shared<DRPainting>(QSizeF(40, 30))));
  ASSERT_TRUE(vc);
  struct State {
    bool locked;
    PixmapMode mode;
    bool selection;
    bool clipboard;
  };
  auto apply = [&](const State& state) {
    drawing()->setLocked(state.locked);
    vc->setPixmapMode(state.mode);
    if (state.selection)
      view->selectAll();
    else
      view->selectNone(false);
    if (state.clipboard) {
      auto data = std::make_unique<QMimeData>();
      data->setData(QStringLiteral("image/png"), QByteArray("png"));
      QApplication::clipboard()->setMimeData(data.release());
    } else {
      QApplication::clipboard()->clear();
    }
  };
  const State plain{false, kPixmapModeColor, false, false};
  const State selected{false, kPixmapModeColor, true, false};
  const State lockedSelected{true, kPixmapModeColor, true, true};
  const State maskMode{false, kPixmapModeMask, true, true};
  const State pasteable{false, kPixmapModeColor, false, true};
  struct Row {
    const char* selector;
    int tag;
    bool plain, selected, lockedSelected, maskMode, pasteable;
  };
  const Row rows[] = {
      {"copy:", 0, false, true, true, true, false},
      {"cut:", 0, false, true, false, true, false},
      {"delete:", 0, false, true, false, true, false},
      {"moveToDrawing:", 0, false, true, false, true, false},
      {"paste:", 0, false, false, false, true, true},
      {"selectAll:", 0, true, true, true, true, true},
      {"selectNone:", 0, true, true, true, true, true},
      {"zoomByPercent:", 2, true, true, true, true, true},
      {"blur:", 0, true, true, false, true, true},
      {"fill:", 0, true, true, false, true, true},
      {"flip:", 0, true, true, false, true, true},
      {"invert:", 0, true, true, false, true, true},
      {"rotateFixed:", 90, true, true, false, true, true},
      {"shrinkToFit:", 0, true, true, false, true, true},
      {"convertColor:", 1, true, true, false, false, true},
      {"convertGray:", 0, true, true, false, false, true},
      {"swapColors:", 0, true, true, false, false, true},
      // The swap of the selection's colours needs a selection mask.
      {"swapColors:", 1, false, false, false, false, false},
      {"adjustColor:", 0, true, true, false, false, true},
      {"setPaintingSize:", 0, true, true, true, true, true},
      {"zoomIn:", 0, true, true, true, true, true},
      {"zoomOut:", 0, true, true, true, true, true},
      {"undoEdit:", 0, false, false, false, false, false},
  };
  const std::pair<const State*, bool Row::*> columns[] = {{&plain, &Row::plain},
                                                          {&selected, &Row::selected},
                                                          {&lockedSelected, &Row::lockedSelected},
                                                          {&maskMode, &Row::maskMode},
                                                          {&pasteable, &Row::pasteable}};
  for (const auto& [state, column] : columns) {
    apply(*state);
    for (const Row& row : rows) {
      std::unique_ptr<QAction> item = PaintItem(QString::fromLatin1(row.selector), row.tag);
      EXPECT_EQ(vc->validateMenuItem(QString::fromLatin1(row.selector), item.get()), row.*column)
          << row.selector << " " << row.tag << " locked " << state->locked << " mode " << state->mode
          << " selection " << state->selection << " clipboard " << state->clipboard;
    }
  }
  drawing()->setLocked(false);
  EXPECT_FALSE(vc->respondsToSelector(QStringLiteral("group:")));
}

TEST_F(PaintTest, AMaskCannotBeAddedWithoutWhite) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  EXPECT_FALSE(vc->toggleMask());
  const auto alerts = CSRecordingAlertPresenter::shared().alerts();
  ASSERT_EQ(alerts.size(), 1u);
  EXPECT_EQ(alerts.front().message, QStringLiteral("Mask not added."));
  EXPECT_EQ(alerts.front().moreInfo,
            QStringLiteral("I couldn't add a mask to the painting. Most likely there are no white pixels to convert "
                           "to transparent pixels."));
  EXPECT_EQ(vc->pixmapMode(), kPixmapModeColor);
  EXPECT_EQ(vc->pixmapDisplay(), kPixmapDisplayOpaque);
  EXPECT_FALSE(vc->hasMask());
}

TEST_F(PaintTest, AMaskMadeFromWhiteTurnsTheDisplayNormal) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::white);
  NotificationRecorder recorder({QStringLiteral("twdraw.mask")});
  EXPECT_TRUE(vc->toggleMask());
  EXPECT_TRUE(vc->hasMask());
  EXPECT_GE(recorder.count(QStringLiteral("twdraw.mask")), 1);
  EXPECT_TRUE(CSRecordingAlertPresenter::shared().alerts().empty());
}

TEST_F(PaintTest, DeleteWithoutASelectionBeeps) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  vc->deleteCommand(nullptr);
  EXPECT_EQ(beeps, 1);
  EXPECT_FALSE(vc->undoManager().isUndoAvailable());
  view->selectAll();
  vc->deleteCommand(nullptr);
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Delete"));
}

TEST_F(PaintTest, ALockedDrawingShowsNoPanes) {
  auto painting = DRPainting::paintingFromImage(SolidImage(QSize(10, 10), Qt::red));
  bitmap = addBitmap(painting);
  drawing()->setLocked(true);
  DRPaintVC* vc = openTab(bitmap);
  ASSERT_TRUE(vc);
  EXPECT_TRUE(vc->propertyNibs().isEmpty());
}

TEST_F(PaintTest, MoveToDrawingHandsTheSelectedPixelsToTheDrawing) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  DRPrefController::sharedInstance().setCenterMovedBitmap(false);
  view->setSelectionRect(QRectF(10, 4, 20, 10));
  view->setSelectionMask(CSPixmap::initWithRect(QSizeF(20, 10), g_blackKolor)->createMaskPixmap());
  QSizeF moved;
  clipboard.placeImage = [&moved](const CSImage& image, double, double) {
    moved = image.size();
    return nullptr;
  };
  ASSERT_TRUE(send(vc, QStringLiteral("moveToDrawing:")));
  ASSERT_EQ(clipboard.imagePastes.size(), 1u);
  EXPECT_EQ(moved, QSizeF(20, 10));
  // Over the spot they came from: the element's origin (20, 20) plus the
  // selection's centre.
  EXPECT_EQ(clipboard.imagePastes.front().x, 20 + 10 + 10.0);
  EXPECT_EQ(clipboard.imagePastes.front().y, 20 + 4 + 5.0);
  EXPECT_EQ(controller->currentContent(), controller->drawVC());
  // The painting lost them, and went back to its element.
  EXPECT_EQ(bitmap->painting()->kolorAtPoint(QPointF(15, 8)), g_whiteKolor);
  EXPECT_EQ(bitmap->painting()->kolorAtPoint(QPointF(2, 2)), 0x640000FFu);
  DRPrefController::sharedInstance().setCenterMovedBitmap(true);
}
