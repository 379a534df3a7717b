// The picture grid: columns and rows from the scroll area's width and the
// picture count, selection by mouse and keys, the keys it leaves to its
// dialog, paste and drop into a mutable collection, and the drag-out's
// TIFF data (refused when dropped back on the collection it came from).

#include <gtest/gtest.h>

#include <QApplication>
#include <QClipboard>
#include <QDialog>
#include <QDialogButtonBox>
#include <QDrag>
#include <QDragEnterEvent>
#include <QFile>
#include <QMimeData>
#include <QPushButton>
#include <QScrollArea>
#include <QScrollBar>
#include <QStyle>
#include <QTemporaryDir>
#include <QUrl>
#include <QVBoxLayout>
#include <QtTest/QTest>

#include "LogCapture.h"
#include "support/CSImage.h"
#include "ui/EventDriver.h"
#include "ui/HarnessWindow.h"
#include "ui/inspector/CSPictureCollection.h"

namespace {

CSImage SolidPicture(int width, int height, QColor color) {
  QImage bitmap(width, height, QImage::Format_ARGB32_Premultiplied);
  bitmap.fill(color);
  return CSImage::initWithCGImage(bitmap, QSizeF(width, height));
}

class PictureDelegate : public CSPictureCollectionDelegate {
 public:
  int64_t count = 0;
  double size = 0;
  bool multiple = false;
  bool editable = false;
  bool emptyLast = false;
  bool nullPictures = false;
  int selectionChanges = 0;
  int doubleClicks = 0;
  QList<QList<CSPictureInfo>> added;

  int64_t numberOfPicturesInCollection(CSPictureCollection*) override { return count; }
  CSImage pictureCollectionPictureAtIndex(CSPictureCollection*, int64_t index) override {
    if (nullPictures) return {};
    return SolidPicture(40, 30, QColor::fromHsv(int(index * 37 % 360), 200, 200));
  }
  bool answersAddPictures() const override { return true; }
  void pictureCollectionAddPictures(CSPictureCollection*, const QList<CSPictureInfo>& pictures) override {
    added.append(pictures);
  }
  bool pictureCollectionAllowsMultipleSelection(CSPictureCollection*) override { return multiple; }
  void pictureCollectionDoubleClick(CSPictureCollection*) override { ++doubleClicks; }
  double pictureCollectionImageSize(CSPictureCollection*) override { return size; }
  bool pictureCollectionIsMutable(CSPictureCollection*) override { return editable; }
  bool pictureCollectionRequireEmptyLastCell(CSPictureCollection*) override { return emptyLast; }
  void pictureCollectionSelectionChanged(CSPictureCollection*) override { ++selectionChanges; }
};

// Notes what a drag-out carries, and whether this very collection would
// take the drag while it runs.
class RecordingCollection : public CSPictureCollection {
 public:
  int drags = 0;
  QByteArray tiff;
  bool sourceWasThis = false;
  bool acceptedOwnDrag = true;

 protected:
  void runDrag(QDrag* drag) override {
    ++drags;
    tiff = drag->mimeData()->data(QString::fromLatin1(kTiffType));
    sourceWasThis = dragSource() == this;
    QDragEnterEvent enter(QPoint(10, 10), Qt::CopyAction, drag->mimeData(), Qt::LeftButton, Qt::NoModifier);
    QApplication::sendEvent(this, &enter);
    acceptedOwnDrag = enter.isAccepted() && enter.dropAction() != Qt::IgnoreAction;
  }
};

using Selection = std::set<int64_t>;

class PictureCollectionTest : public ::testing::Test {
 protected:
  // A collection whose usable width is `usable` points.
  RecordingCollection* make(double usable, int height = 300) {
    collection = new RecordingCollection;
    collection->setDelegate(&delegate);
    QScrollArea* area = collection->placeInScrollArea(nullptr);
    const int extent = collection->style()->pixelMetric(QStyle::PM_ScrollBarExtent, nullptr, area->verticalScrollBar());
    window.place(area, QRect(0, 0, int(usable) + 2 + extent, height));
    collection->reloadData();
    return collection;
  }
  QPointF centerOf(int64_t index) const { return collection->rectForPicture(index).center(); }

  HarnessWindow window{QSize(900, 700)};
  PictureDelegate delegate;
  RecordingCollection* collection = nullptr;
};

TEST_F(PictureCollectionTest, ColumnsFollowTheWidthAndRowsTheCount) {
  struct Case {
    double usable;
    double size;
    int64_t count;
    bool emptyLast;
    int columns;
    int rows;
  };
  const Case cases[] = {
      {50, 0, 3, false, 1, 3},     // narrower than one cell: still one column
      {390, 0, 7, false, 3, 3},    // 390 / 130 is exactly 3
      {389, 0, 7, false, 2, 4},    // just short of the third column
      {400, 100, 8, false, 3, 3},  // 100-point pictures: 400 / 110
      {390, 0, 6, true, 3, 3},     // a full last row gets an empty one
      {390, 0, 5, true, 3, 2},     // room left in the last row
      {390, 0, 0, true, 3, 1},     // nothing at all: one empty row
      {390, 0, 0, false, 3, 0},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(testing::Message() << c.usable << " wide, " << c.count << " pictures");
    delegate.size = c.size;
    delegate.count = c.count;
    delegate.editable = c.emptyLast;
    delegate.emptyLast = c.emptyLast;
    make(c.usable);
    QSizeF cell;
    const QSize grid = collection->gridSize(&cell);
    EXPECT_EQ(grid.width(), c.columns);
    EXPECT_EQ(grid.height(), c.rows);
    EXPECT_EQ(cell.height(), c.size > 0 ? c.size : 120);
    EXPECT_GE(collection->height(), int((cell.height() + 10) * c.rows));
    // Every picture is found again at its own centre.
    for (int64_t i = 0; i < c.count; ++i) EXPECT_EQ(collection->indexForPoint(centerOf(i)), i);
    delete collection->scrollArea();
  }
}

TEST_F(PictureCollectionTest, ReloadSelectsTheFirstPictureUnlessOnlyTheEmptyCellIsThere) {
  delegate.editable = delegate.emptyLast = true;
  delegate.count = 0;
  make(390);
  EXPECT_TRUE(collection->selectedIndexes().empty());
  EXPECT_EQ(collection->gridSize(nullptr).height(), 1);

  delegate.editable = delegate.emptyLast = false;
  delegate.count = 4;
  collection->setDelegate(&delegate);
  collection->selectIndex(3);
  collection->reloadData();
  EXPECT_EQ(collection->selectedIndexes(), Selection{0});
  // An empty spot past the last picture is no picture.
  EXPECT_EQ(collection->indexForPoint(centerOf(5)), -1);
}

TEST_F(PictureCollectionTest, ClicksSelectAndTellTheDelegate) {
  delegate.count = 6;
  make(390);
  EventDriver mouse(collection);

  mouse.click(centerOf(4));
  EXPECT_EQ(collection->selectedIndexes(), Selection{4});
  EXPECT_EQ(delegate.selectionChanges, 1);

  // Empty space past the last picture leaves the selection.
  mouse.click(centerOf(7));
  EXPECT_EQ(collection->selectedIndexes(), Selection{4});

  // Ctrl on the only selected picture keeps it; on another one (single
  // selection) moves to it.
  mouse.setModifiers(Qt::ControlModifier);
  mouse.click(centerOf(4));
  EXPECT_EQ(collection->selectedIndexes(), Selection{4});
  mouse.click(centerOf(1));
  EXPECT_EQ(collection->selectedIndexes(), Selection{1});
  mouse.setModifiers(Qt::NoModifier);

  // Dragging across pictures follows the pointer.
  mouse.drag(centerOf(1), {centerOf(2)}, centerOf(5));
  EXPECT_EQ(collection->selectedIndexes(), Selection{5});

  mouse.press(centerOf(5));
  mouse.release(centerOf(5));
  mouse.doubleClick(centerOf(5));
  mouse.release(centerOf(5));
  EXPECT_EQ(delegate.doubleClicks, 1);
}

TEST_F(PictureCollectionTest, MultipleSelectionByCtrlShiftAndDrag) {
  delegate.count = 9;
  delegate.multiple = true;
  make(390);
  EventDriver mouse(collection);
  mouse.click(centerOf(2));
  mouse.setModifiers(Qt::ShiftModifier);
  mouse.click(centerOf(5));
  EXPECT_EQ(collection->selectedIndexes(), (Selection{2, 3, 4, 5}));
  mouse.setModifiers(Qt::ControlModifier);
  mouse.click(centerOf(3));
  EXPECT_EQ(collection->selectedIndexes(), (Selection{2, 4, 5}));
  mouse.setModifiers(Qt::NoModifier);
  // A plain click on a selected picture reduces the selection to it at
  // mouse-up.
  mouse.click(centerOf(4));
  EXPECT_EQ(collection->selectedIndexes(), Selection{4});
  // A drag backwards selects from the pointer to the anchor.
  mouse.drag(centerOf(6), {centerOf(5)}, centerOf(3));
  EXPECT_EQ(collection->selectedIndexes(), (Selection{3, 4, 5, 6}));
}

TEST_F(PictureCollectionTest, KeysMoveTheSelection) {
  struct Case {
    const char* name;
    Selection before;
    int key;
    Qt::KeyboardModifiers modifiers;
    bool multiple;
    Selection after;
  };
  // Ten pictures in three columns.
  const Case cases[] = {
      {"left with none", {}, Qt::Key_Left, Qt::NoModifier, false, {0}},
      {"right with none", {}, Qt::Key_Right, Qt::NoModifier, false, {9}},
      {"up with none", {}, Qt::Key_Up, Qt::NoModifier, false, {0}},
      {"down with none", {}, Qt::Key_Down, Qt::NoModifier, false, {9}},
      {"left at 0", {0}, Qt::Key_Left, Qt::NoModifier, false, {0}},
      {"right at the end", {9}, Qt::Key_Right, Qt::NoModifier, false, {9}},
      {"up a row", {4}, Qt::Key_Up, Qt::NoModifier, false, {1}},
      {"up past the top", {1}, Qt::Key_Up, Qt::NoModifier, false, {0}},
      {"down a row", {4}, Qt::Key_Down, Qt::NoModifier, false, {7}},
      {"down past the end", {8}, Qt::Key_Down, Qt::NoModifier, false, {9}},
      {"home", {5}, Qt::Key_Home, Qt::NoModifier, false, {0}},
      {"ctrl end", {5}, Qt::Key_End, Qt::ControlModifier, false, {9}},
      {"shift right, single", {4}, Qt::Key_Right, Qt::ShiftModifier, false, {5}},
      {"shift right, multiple", {4}, Qt::Key_Right, Qt::ShiftModifier, true, {4, 5}},
      {"shift left, multiple", {4, 5}, Qt::Key_Left, Qt::ShiftModifier, true, {3, 4, 5}},
      {"shift down, multiple", {4}, Qt::Key_Down, Qt::ShiftModifier, true, {4, 5, 6, 7}},
      {"shift end, multiple", {7}, Qt::Key_End, Qt::ShiftModifier, true, {7, 8, 9}},
      {"shift home, multiple", {2}, Qt::Key_Home, Qt::ShiftModifier, true, {0, 1, 2}},
  };
  delegate.count = 10;
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    delegate.multiple = c.multiple;
    make(390, 200);
    if (c.before.empty()) {
      collection->extendSelectionFrom(0, 1);  // toggles the reload's picture 0 off
    } else {
      collection->selectIndexes(c.before);
    }
    ASSERT_EQ(collection->selectedIndexes(), c.before);
    QTest::keyClick(collection, Qt::Key(c.key), c.modifiers);
    EXPECT_EQ(collection->selectedIndexes(), c.after);
    // The first selected picture can be seen.
    const QRectF first = collection->rectForPicture(*collection->selectedIndexes().begin());
    EXPECT_TRUE(collection->visibleArea().intersects(first));
    delete collection->scrollArea();
  }
}

TEST_F(PictureCollectionTest, ReturnAndEscapeReachTheDialogsButtons) {
  delegate.count = 3;
  for (const int key : {int(Qt::Key_Return), int(Qt::Key_Enter), int(Qt::Key_Escape)}) {
    QDialog dialog;
    auto* layout = new QVBoxLayout(&dialog);
    auto* grid = new CSPictureCollection;
    grid->setDelegate(&delegate);
    layout->addWidget(grid->placeInScrollArea(&dialog));
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, &dialog);
    QObject::connect(buttons, &QDialogButtonBox::accepted, &dialog, &QDialog::accept);
    QObject::connect(buttons, &QDialogButtonBox::rejected, &dialog, &QDialog::reject);
    buttons->button(QDialogButtonBox::Ok)->setDefault(true);
    layout->addWidget(buttons);
    dialog.show();
    grid->reloadData();
    int result = -1;
    QObject::connect(&dialog, &QDialog::finished, [&](int code) { result = code; });
    QTest::keyClick(grid, Qt::Key(key));
    EXPECT_EQ(result, key == Qt::Key_Escape ? QDialog::Rejected : QDialog::Accepted) << key;
  }
}

TEST_F(PictureCollectionTest, DragOutCarriesTiffAndIsRefusedByItsOwnCollection) {
  delegate.count = 3;
  delegate.editable = true;
  make(390);
  EventDriver mouse(collection);
  mouse.press(centerOf(1));
  EXPECT_TRUE(collection->dragPending());
  collection->startExternalDrag();  // as the hold timer does
  mouse.release(centerOf(1));
  ASSERT_EQ(collection->drags, 1);
  EXPECT_TRUE(collection->sourceWasThis);
  EXPECT_FALSE(collection->acceptedOwnDrag);
  EXPECT_EQ(CSPictureCollection::dragSource(), nullptr);
  const CSImage dragged = CSImage::initWithData(collection->tiff);
  ASSERT_FALSE(dragged.isNull());
  EXPECT_EQ(dragged.size(), QSizeF(40, 30));

  // Moving before the hold ends cancels the drag-out.
  mouse.press(centerOf(2));
  mouse.move(centerOf(2) + QPointF(3, 0));
  EXPECT_FALSE(collection->dragPending());
  mouse.release(centerOf(2));

  // A read-only collection never starts one.
  delegate.editable = false;
  collection->setDelegate(&delegate);
  mouse.press(centerOf(0));
  EXPECT_FALSE(collection->dragPending());
  mouse.release(centerOf(0));
}

TEST_F(PictureCollectionTest, PictureWithoutDataStartsNoDragAndSaysSo) {
  delegate.count = 2;
  delegate.editable = true;
  delegate.nullPictures = true;
  make(390);
  LogCapture log;
  EventDriver mouse(collection);
  mouse.press(centerOf(0));
  collection->startExternalDrag();
  mouse.release(centerOf(0));
  EXPECT_EQ(collection->drags, 0);
  EXPECT_TRUE(log.text().contains(QStringLiteral("startExternalDrag failed")));
}

TEST_F(PictureCollectionTest, DropsAndPastesHandPicturesToTheDelegate) {
  delegate.count = 1;
  delegate.editable = true;
  make(390);
  QTemporaryDir folder;
  const QString picturePath = folder.filePath(QStringLiteral("red.png"));
  QImage red(12, 8, QImage::Format_ARGB32);
  red.fill(Qt::red);
  ASSERT_TRUE(red.save(picturePath));
  const QString junkPath = folder.filePath(QStringLiteral("junk.png"));
  QFile junk(junkPath);
  ASSERT_TRUE(junk.open(QIODevice::WriteOnly));
  junk.write("not a picture");
  junk.close();

  // Files: the one that loads is handed over with its path.
  QMimeData files;
  files.setUrls({QUrl::fromLocalFile(junkPath), QUrl::fromLocalFile(picturePath)});
  QDragEnterEvent enter(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(collection, &enter);
  EXPECT_TRUE(enter.isAccepted());
  EXPECT_TRUE(collection->externalDragging());
  QDropEvent drop(QPointF(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(collection, &drop);
  EXPECT_TRUE(drop.isAccepted());
  EXPECT_FALSE(collection->externalDragging());
  ASSERT_EQ(delegate.added.size(), 1);
  ASSERT_EQ(delegate.added[0].size(), 1);
  EXPECT_EQ(delegate.added[0][0].file, picturePath);
  EXPECT_EQ(delegate.added[0][0].image.size(), QSizeF(12, 8));

  // Only unreadable files: nothing is handed over and the drop fails.
  QMimeData junkOnly;
  junkOnly.setUrls({QUrl::fromLocalFile(junkPath)});
  QDragEnterEvent enterJunk(QPoint(5, 5), Qt::CopyAction, &junkOnly, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(collection, &enterJunk);
  QDropEvent dropJunk(QPointF(5, 5), Qt::CopyAction, &junkOnly, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(collection, &dropJunk);
  EXPECT_FALSE(dropJunk.isAccepted());
  EXPECT_EQ(delegate.added.size(), 1);

  // Paste: an image on the clipboard, offered only to a mutable collection.
  QApplication::clipboard()->setImage(red);
  EXPECT_TRUE(collection->canPaste());
  collection->paste();
  ASSERT_EQ(delegate.added.size(), 2);
  EXPECT_TRUE(delegate.added[1][0].file.isEmpty());
  EXPECT_EQ(delegate.added[1][0].image.size(), QSizeF(12, 8));
  delegate.editable = false;
  collection->setDelegate(&delegate);
  EXPECT_FALSE(collection->canPaste());
  QDragEnterEvent refused(QPoint(5, 5), Qt::CopyAction, &files, Qt::LeftButton, Qt::NoModifier);
  QApplication::sendEvent(collection, &refused);
  EXPECT_FALSE(refused.isAccepted());
  QApplication::clipboard()->clear();
}

TEST_F(PictureCollectionTest, SelectedPicturesAreDrawnOnTheHighlight) {
  delegate.count = 2;
  make(390);
  collection->selectIndex(1);
  const QImage shot = HarnessWindow::grabView(collection);
  const QColor highlight = collection->palette().color(QPalette::Active, QPalette::Highlight);
  // Just inside the grown cell of picture 1, outside the picture itself.
  const QPointF selectedCorner = collection->rectForPicture(1).topLeft() - QPointF(3, 3);
  const QPointF plainCorner = collection->rectForPicture(0).topLeft() - QPointF(3, 3);
  EXPECT_EQ(shot.pixelColor(selectedCorner.toPoint()).rgb(), highlight.rgb());
  EXPECT_EQ(shot.pixelColor(plainCorner.toPoint()).rgb(), QColor(Qt::white).rgb());
  // The picture is centred in its cell.
  const QPointF middle = collection->rectForPicture(0).center();
  EXPECT_NE(shot.pixelColor(middle.toPoint()).rgb(), QColor(Qt::white).rgb());
}

}  // namespace
