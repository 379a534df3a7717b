// The drawing controller's snapshots: what undo and redo bring back, the
// dirty flag and edited mark, refused and withdrawn snapshots, the page
// set-up and background entries, and the painting entry of a bitmap.

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QMimeData>
#include <functional>

#include "DrawVCFixture.h"
#include "model/ModelSupport.h"
#include "testkit/QStringPrinter.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/EditorNotifications.h"

namespace {

using DrawVCUndoTest = DrawVCFixture;

// An element whose copy cannot be made.
class UncopyableElement : public TestElement {
 public:
  UncopyableElement() : TestElement(kElementRectangle) {}

 protected:
  std::unique_ptr<DRElement> newInstance() const override { return nullptr; }
};

constexpr int64_t kDegree = kMeasurePerPoint;

TEST_F(DrawVCUndoTest, UndoBringsBackCopiesAndRedoTheVeryElements) {
  DRElementRectangle* rect = addRect(QRectF(10, 10, 40, 30));
  DRElementEllipse* ellipse = addEllipse(QRectF(80, 10, 40, 30));
  select({1, 0});
  perform("rotateFixed:", 90);
  ASSERT_EQ(rect->rotation(), 90 * kDegree);
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Rotate"));

  vc.undoEdit(nullptr);
  ASSERT_EQ(drawing.elements().size(), 2u);
  DRElement* rectCopy = drawing.elements()[0].get();
  DRElement* ellipseCopy = drawing.elements()[1].get();
  // Copies taken before the change, live again; the changed elements now
  // wait in the record as undo copies.
  EXPECT_NE(rectCopy, rect);
  EXPECT_NE(ellipseCopy, ellipse);
  EXPECT_EQ(rectCopy->rotation(), 0);
  EXPECT_FALSE(rectCopy->isUndoCopy());
  EXPECT_FALSE(ellipseCopy->isUndoCopy());
  EXPECT_TRUE(rect->isUndoCopy());
  EXPECT_TRUE(ellipse->isUndoCopy());
  // The selection comes back in its order, on the copies.
  EXPECT_EQ(canvas->selection(), (std::vector<DRElement*>{ellipseCopy, rectCopy}));
  EXPECT_EQ(undoTitle(true), QStringLiteral("Redo Rotate"));

  vc.redoEdit(nullptr);
  EXPECT_EQ(elementPointers(), (std::vector<DRElement*>{rect, ellipse}));
  EXPECT_EQ(rect->rotation(), 90 * kDegree);
  EXPECT_FALSE(rect->isUndoCopy());
  EXPECT_TRUE(rectCopy->isUndoCopy());
  EXPECT_EQ(canvas->selection(), (std::vector<DRElement*>{ellipse, rect}));
  EXPECT_GT(host.validateTabsCount, 0);
}

TEST_F(DrawVCUndoTest, ASnapshotRegistersNoColoursOfItsOwn) {
  constexpr Kolor kChosen = 0x6400FF00;
  constexpr Kolor kFill = 0x640000FF;
  DRElementRectangle* rect = addRect(QRectF(10, 10, 40, 30));
  rect->setFillKolor(kFill);
  select({0});
  NotificationQueue::defaultQueue().flush();
  NotificationRecorder recorder({QStringLiteral("twdraw.registerColor"), QStringLiteral("twdraw.registerAltColor")});
  // A colour chosen in the colour panel, then the snapshot of the change it
  // makes: the recent colour is the chosen one, not the element's old one.
  RegisterKolor(kChosen, true);
  ASSERT_TRUE(vc.setUndoID(CSUndoManager::kFreshUndoID, kUndoActionChange, kUndoFillColor));
  EXPECT_FALSE(g_suppressColorRegister);
  NotificationQueue::defaultQueue().flush();
  ASSERT_EQ(recorder.posted().size(), 1u) << recorder.names().join(u' ').toStdString();
  EXPECT_EQ(recorder.posted()[0].name, QStringLiteral("twdraw.registerColor"));
  EXPECT_EQ(KolorValue(recorder.posted()[0].userInfo.value(QStringLiteral("color"))), kChosen);
}

TEST_F(DrawVCUndoTest, UndoPutsBackTheDirtyFlagAndTheEditedMark) {
  addRect(QRectF(10, 10, 40, 30));
  addRect(QRectF(60, 10, 40, 30));
  struct Row {
    bool dirtyBefore;
  };
  for (const Row row : {Row{false}, Row{true}}) {
    SCOPED_TRACE(row.dirtyBefore);
    drawing.setDirty(row.dirtyBefore);
    drawing.setDirtySinceAutoSave(false);
    select({0, 1});
    perform("bringFront:");
    EXPECT_TRUE(drawing.isDirty());
    EXPECT_TRUE(drawing.dirtySinceAutoSave());
    ASSERT_FALSE(host.editedMarks.empty());
    EXPECT_TRUE(host.editedMarks.back());

    drawing.setDirtySinceAutoSave(false);
    vc.undoEdit(nullptr);
    EXPECT_EQ(drawing.isDirty(), row.dirtyBefore);
    EXPECT_EQ(host.editedMarks.back(), row.dirtyBefore);
    // The autosave copy no longer holds what the drawing shows.
    EXPECT_TRUE(drawing.dirtySinceAutoSave());

    vc.redoEdit(nullptr);
    EXPECT_TRUE(drawing.isDirty());
    EXPECT_TRUE(host.editedMarks.back());
  }
}

TEST_F(DrawVCUndoTest, AnElementUnderConstructionComesBackFinished) {
  DRElementPolygon* polygon = addPolygon(QRectF(20, 30, 60, 40));
  const std::vector<CSPoint> relative = polygon->points();
  // As a reshape leaves it: vertices on the page, not in its frame.
  polygon->setUnderConstruction(true);
  ASSERT_NE(polygon->points(), relative);
  ASSERT_TRUE(vc.setUndoID(CSUndoManager::kFreshUndoID, kUndoActionChange, kUndoReshape));
  EXPECT_TRUE(polygon->isUnderConstruction());  // the live element is left as it is

  vc.undoManager().undo();
  auto* restored = dynamic_cast<DRElementPolygon*>(drawing.elements().at(0).get());
  ASSERT_NE(restored, nullptr);
  ASSERT_NE(restored, polygon);
  EXPECT_FALSE(restored->isUnderConstruction());
  EXPECT_EQ(restored->points(), relative);
  EXPECT_EQ(restored->frame(), ConvertViewRect(QRectF(20, 30, 60, 40)));
}

TEST_F(DrawVCUndoTest, AWithdrawnEntryLeavesACleanDrawingClean) {
  // Each opens an entry and takes it back: the canvas dropping a tiny new
  // element, and compound paths of fewer than two closed shapes.
  struct Row {
    const char* name;
    std::function<void(DrawVCUndoTest&)> act;
  };
  const Row rows[] = {
      {"dropped element",
       [](DrawVCUndoTest& t) {
         ASSERT_TRUE(t.vc.setUndoID(CSUndoManager::kFreshUndoID, kUndoActionAddRemove, kUndoAddObject));
         t.vc.undoManager().popUndo();
       }},
      {"compound path of one shape",
       [](DrawVCUndoTest& t) {
         t.select({0, 1});
         t.perform("groupMulti:");
       }},
  };
  addRect(QRectF(10, 10, 40, 30));
  addLine(QRectF(60, 10, 40, 30));
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    drawing.setDirty(false);
    host.editedMarks.clear();
    const SavedBlocks before = SaveBlocks(drawing);
    row.act(*this);
    EXPECT_FALSE(drawing.isDirty());
    ASSERT_FALSE(host.editedMarks.empty());
    EXPECT_FALSE(host.editedMarks.back());
    EXPECT_FALSE(vc.undoManager().isUndoAvailable());
    EXPECT_EQ(SaveBlocks(drawing), before);
  }
}

TEST_F(DrawVCUndoTest, ARefusedSnapshotChangesNothingAndNeverMarksClean) {
  addRect(QRectF(10, 10, 40, 30));
  for (const bool dirty : {true, false}) {
    SCOPED_TRACE(dirty);
    drawing.elements().resize(1);
    // An earlier entry, which the refusal takes with it.
    ASSERT_TRUE(vc.setUndoID(CSUndoManager::kFreshUndoID, kUndoActionChange, kUndoMove));
    drawing.setDirty(dirty);
    host.editedMarks.clear();
    add(std::make_unique<UncopyableElement>());
    select({0});
    perform("bringFront:");
    // The command stopped: nothing moved, nothing was marked either way.
    EXPECT_EQ(drawing.elements()[0]->elementType(), kElementRectangle);
    EXPECT_EQ(drawing.isDirty(), dirty);
    EXPECT_TRUE(host.editedMarks.empty());
    EXPECT_FALSE(vc.undoManager().isUndoAvailable());
  }
}

TEST_F(DrawVCUndoTest, PageSetupAndBackgroundEntriesSwapTheirValues) {
  CSPrintInfo wide = drawing.printInfo();
  wide.orientation = CSPrintInfo::Landscape;
  wide.scale = 0.5;
  const CSPrintInfo first = drawing.printInfo();
  ASSERT_TRUE(vc.setUndoID(CSUndoManager::kFreshUndoID, kUndoActionPageSetup, kUndoPageSetup));
  drawing.setPrintInfo(wide);
  vc.undoEdit(nullptr);
  EXPECT_EQ(drawing.printInfo(), first);
  vc.redoEdit(nullptr);
  EXPECT_EQ(drawing.printInfo(), wide);

  QImage picture(4, 4, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::blue);
  ASSERT_TRUE(vc.setUndoID(CSUndoManager::kFreshUndoID, kUndoActionBackground, kUndoBackgroundPicture));
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Background Picture"));
  drawing.setBackgroundImage(CSImage::initWithCGImage(picture, QSizeF(0, 0)));
  drawing.setBackgroundLocation(CSRect{12700, 25400, 50800, 50800});
  drawing.setBackgroundOpacity(0.25);
  vc.undoEdit(nullptr);
  EXPECT_TRUE(drawing.backgroundImage().isNull());
  EXPECT_EQ(drawing.backgroundLocation(), CSRect{});
  EXPECT_EQ(drawing.backgroundOpacity(), 1.0);
  vc.redoEdit(nullptr);
  EXPECT_FALSE(drawing.backgroundImage().isNull());
  EXPECT_EQ(drawing.backgroundLocation(), (CSRect{12700, 25400, 50800, 50800}));
  EXPECT_EQ(drawing.backgroundOpacity(), 0.25);

  // Paintings are the painting controller's; unknown actions are refused.
  for (const int action : {int(kUndoActionPainting), 5, -1}) {
    EXPECT_FALSE(vc.setUndoID(CSUndoManager::kFreshUndoID, action, kUndoPainting)) << action;
  }
}

TEST_F(DrawVCUndoTest, UndoingAPaintingNameRebuildsTheTabs) {
  addRect(QRectF(10, 10, 40, 30));
  host.tabGuid = QStringLiteral("TAB");
  for (const int descriptor : {int(kUndoMove), int(kUndoPaintingName)}) {
    host.setupTabsCalls.clear();
    ASSERT_TRUE(vc.setUndoID(CSUndoManager::kFreshUndoID, kUndoActionChange, descriptor));
    vc.undoEdit(nullptr);
    if (descriptor == kUndoPaintingName) {
      ASSERT_EQ(host.setupTabsCalls.size(), 1u);
      EXPECT_EQ(host.setupTabsCalls[0].first, QStringLiteral("TAB"));
      EXPECT_TRUE(host.setupTabsCalls[0].second);
    } else {
      EXPECT_TRUE(host.setupTabsCalls.empty());
    }
  }
}

TEST_F(DrawVCUndoTest, UndoStopsWhenEndingTheCanvasModesChangedTheHistory) {
  // Ending a mode may take back the entry on top (a new text left empty)
  // or open one (removing a text typed blank). Ending reshape mode
  // refreshes the position panes; an observer of that refresh stands in
  // for the typing that is not there yet. Either way the step the Undo
  // item named is gone, so that Undo does nothing more.
  struct Row {
    const char* name;
    std::function<void(DRDrawVC&)> whileEnding;
    const char* undoNameAfter;
    int64_t rotationAfter;  // degrees
  };
  const Row rows[] = {
      {"takes back", [](DRDrawVC& vc) { vc.undoManager().popUndo(); }, "Undo Rotate", 45},
      {"opens", [](DRDrawVC& vc) { vc.setUndoID(CSUndoManager::kFreshUndoID, kUndoActionAddRemove, kUndoDelete); },
       "Undo Delete", 45},
      {"leaves alone", [](DRDrawVC&) {}, "Undo Rotate", 45},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    clearDrawing();
    vc.undoManager().clearUndo();
    DRElementRectangle* rect = addRect(QRectF(10, 10, 40, 30));
    select({0});
    perform("rotateFixed:", 45);
    addPolygon(QRectF(100, 100, 40, 30));
    select({1});
    perform("reshape:");
    ASSERT_NE(canvas->reshapeElement(), nullptr);
    ASSERT_EQ(undoTitle(), QStringLiteral("Undo Reshape"));
    const std::vector<DRElement*> elements = elementPointers();

    bool ran = false;
    int token = 0;
    const auto observer = NotificationCenter::defaultCenter().addObserver(&token, g_positionChangeNotification, nullptr,
                                                                          [&](const CSNotification&) {
                                                                            if (ran) return;
                                                                            ran = true;
                                                                            row.whileEnding(vc);
                                                                          });
    vc.undoEdit(nullptr);
    NotificationCenter::defaultCenter().removeObserver(observer);
    ASSERT_TRUE(ran);
    EXPECT_EQ(canvas->reshapeElement(), nullptr);
    EXPECT_EQ(undoTitle(), QString::fromLatin1(row.undoNameAfter));
    if (QString::fromLatin1(row.name) == QStringLiteral("leaves alone")) {
      // The reshape entry was undone as named: copies are back.
      EXPECT_NE(elementPointers(), elements);
      continue;
    }
    EXPECT_EQ(elementPointers(), elements);
    EXPECT_EQ(rect->rotation(), row.rotationAfter * kDegree);
    // No edit merges into the entry now on top, and the next Undo runs.
    EXPECT_EQ(vc.currentUndoID(), CSUndoManager::kInitialUndoID);
    vc.undoEdit(nullptr);
    EXPECT_NE(elementPointers(), elements);
  }

  // Ending a mode that leaves the history alone lets Redo run.
  vc.undoEdit(nullptr);
  ASSERT_EQ(undoTitle(true), QStringLiteral("Redo Rotate"));
  addPolygon(QRectF(100, 100, 0.5, 0.5));
  select({1});
  canvas->reshapePolygon(false, true);  // no entry of its own
  ASSERT_TRUE(canvas->creatingPolygon());
  vc.redoEdit(nullptr);
  EXPECT_FALSE(canvas->creatingPolygon());
  EXPECT_EQ(drawing.elements().at(0)->rotation(), 45 * kDegree);
}

TEST_F(DrawVCUndoTest, ABitmapTakingAnEditedPaintingOpensItsOwnEntry) {
  DRElementBitmap* bitmap = addBitmap(QRectF(10, 10, 40, 30));
  DRElementBitmap* grouped = nullptr;
  {
    DRElementList members;
    auto painting = bitmap->painting()->copy();
    painting->setGuid(QStringLiteral("ANOTHER-PAINTING"));
    auto inner = std::make_unique<DRElementBitmap>(painting);
    inner->setFrame(ConvertViewRect(QRectF(80, 10, 20, 20)));
    grouped = inner.get();
    members.push_back(std::move(inner));
    members.push_back(Shape<DRElementRectangle>(QRectF(110, 10, 20, 20)));
    add(std::make_unique<DRElementGroup>(std::move(members)));
  }
  DRElementBitmap outside;  // an undo copy or one of another drawing

  struct Row {
    const char* name;
    const void* element;
    bool locked;
    bool suppressed;
    bool entry;
  };
  const Row rows[] = {
      {"in the drawing", bitmap, false, false, true},
      {"in a group of the drawing", grouped, false, false, true},
      {"not in the drawing", &outside, false, false, false},
      {"suppressed", bitmap, false, true, false},
      {"locked", bitmap, true, false, false},
  };
  for (const Row& row : rows) {
    SCOPED_TRACE(row.name);
    vc.undoManager().clearUndo();
    drawing.setLocked(false);
    // A control's gesture is under way.
    const uint32_t slider = vc.newUndoID();
    ASSERT_TRUE(vc.setUndoID(slider, kUndoActionChange, kUndoOpacity));
    drawing.setLocked(row.locked);
    vc.setSuppressUndo(row.suppressed);
    NotificationCenter::defaultCenter().post(g_updateBitmapNotification, const_cast<void*>(row.element));
    vc.setSuppressUndo(false);
    drawing.setLocked(false);
    EXPECT_EQ(undoTitle(), row.entry ? QStringLiteral("Undo Painting") : QStringLiteral("Undo Opacity"));
    // After a painting entry the control's next step opens its own entry
    // rather than merging into "Painting".
    EXPECT_EQ(vc.isUndoIDCurrent(slider), !row.entry);
    ASSERT_TRUE(vc.setUndoID(slider, kUndoActionChange, kUndoOpacity));
    EXPECT_EQ(undoTitle(), QStringLiteral("Undo Opacity"));
  }

  // The whole road: the painting editor commits, the live bitmap asks for
  // the entry before it takes the pixels; undo gives the old ones back.
  vc.undoManager().clearUndo();
  const auto centreOf = [](DRElement* element) {
    auto* shown = dynamic_cast<DRElementBitmap*>(element);
    if (!shown || !shown->painting()) return QColor();
    return QColor(shown->painting()->image().renderedBitmap(QSize(8, 6)).pixel(4, 3));
  };
  ASSERT_EQ(centreOf(bitmap), QColor(200, 30, 40));
  auto edited = bitmap->painting()->copy();
  QImage pixels(8, 6, QImage::Format_ARGB32_Premultiplied);
  pixels.fill(qRgba(10, 200, 40, 255));
  edited->setImage(CSImage::initWithCGImage(pixels, QSizeF(0, 0)));
  NotificationCenter::defaultCenter().post(g_bitmapChangeNotification, edited.get(),
                                           {{QStringLiteral("window"), QVariant::fromValue<QObject*>(&harness)}});
  EXPECT_EQ(undoTitle(), QStringLiteral("Undo Painting"));
  EXPECT_EQ(centreOf(drawing.elements()[0].get()), QColor(10, 200, 40));
  vc.undoEdit(nullptr);
  EXPECT_EQ(centreOf(drawing.elements()[0].get()), QColor(200, 30, 40));
  vc.redoEdit(nullptr);
  EXPECT_EQ(drawing.elements()[0].get(), bitmap);
  EXPECT_EQ(centreOf(bitmap), QColor(10, 200, 40));
}

TEST_F(DrawVCUndoTest, TheNamesOfTheEntries) {
  struct Row {
    int descriptor;
    const char* name;
  };
  const Row rows[] = {
      {0, "Background Picture"}, {6, "Cut"},   {31, "Align"}, {45, "Move"}, {51, "Move"}, {55, "Rotate"},
      {67, "Color/B&W"},         {82, "Mask"}, {83, ""},      {-1, ""},     {1000, ""}};
  for (const Row& row : rows) {
    EXPECT_EQ(vc.undoActionName(row.descriptor, nullptr), QString::fromLatin1(row.name)) << row.descriptor;
  }
  // The menu item shows an ampersand as itself.
  addRect(QRectF(10, 10, 40, 30));
  ASSERT_TRUE(vc.setUndoID(CSUndoManager::kFreshUndoID, kUndoActionChange, kUndoColorBW));
  QAction undoItem;
  undoItem.setObjectName(QStringLiteral("undoEdit"));
  EXPECT_TRUE(vc.validateMenuItem(QStringLiteral("undoEdit:"), &undoItem));
  EXPECT_EQ(undoItem.text(), QStringLiteral("Undo Color/B&&W"));
}

TEST_F(DrawVCUndoTest, TheRingKeepsTwentyFiveStepsAndReleasesTheRest) {
  DRElementRectangle* rect = addRect(QRectF(10, 10, 40, 30));
  select({0});
  for (int i = 0; i < 30; ++i) perform("rotateFixed:", 1);
  EXPECT_EQ(rect->rotation(), 30 * kDegree);
  int undone = 0;
  while (vc.undoManager().isUndoAvailable()) {
    vc.undoEdit(nullptr);
    ++undone;
  }
  EXPECT_EQ(undone, 25);
  EXPECT_EQ(drawing.elements().at(0)->rotation(), 5 * kDegree);
}

}  // namespace
