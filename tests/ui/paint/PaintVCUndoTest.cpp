// The painting controller's snapshot undo, checked against the painting's
// serialised pixels: each action undone gives the bytes before it, redone
// the bytes after it.

#include "PaintFixture.h"
#include "platform/NotificationCenter.h"
#include "ui/NotificationRecorder.h"
#include "ui/editor/EditorNotifications.h"

namespace {

const QString kSizeChange = QStringLiteral("twdraw.sizeChange");

}  // namespace

TEST_F(PaintTest, ResizeUndoesWithoutOpeningAnotherEntry) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  ASSERT_TRUE(vc);
  const QByteArray before = PaintState(vc);
  QObject* window = controller->window();
  NotificationCenter::defaultCenter().post(g_sizeChangeNotification, window,
                                           {{QStringLiteral("width"), NumberWithMeasure(50 * kMeasurePerPoint)},
                                            {QStringLiteral("height"), NumberWithMeasure(20 * kMeasurePerPoint)}});
  EXPECT_EQ(vc->painting()->originalSize(), QSizeF(50, 20));
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Resize Painting"));
  EXPECT_TRUE(drawing()->isPaintingDirty());
  const QByteArray after = PaintState(vc);

  NotificationRecorder recorder({kSizeChange}, window);
  vc->undoEdit(nullptr);
  EXPECT_EQ(PaintState(vc), before);
  ASSERT_FALSE(recorder.posted().empty());
  const QVariantMap& info = recorder.posted().front().userInfo;
  EXPECT_TRUE(info.value(QStringLiteral("noUndo")).toBool());
  EXPECT_EQ(MeasureValue(info.value(QStringLiteral("width"))), 40 * kMeasurePerPoint);
  EXPECT_EQ(vc->width(), 40 * kMeasurePerPoint);
  // The size change of the undo opened no entry: one step to redo, none left.
  EXPECT_FALSE(vc->undoManager().isUndoAvailable());
  vc->redoEdit(nullptr);
  EXPECT_EQ(PaintState(vc), after);
  EXPECT_EQ(vc->height(), 20 * kMeasurePerPoint);
}

TEST_F(PaintTest, ResizingToTheSameSizeLeavesNoStep) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  NotificationCenter::defaultCenter().post(g_sizeChangeNotification, controller->window(),
                                           {{QStringLiteral("width"), NumberWithMeasure(40 * kMeasurePerPoint)},
                                            {QStringLiteral("height"), NumberWithMeasure(30 * kMeasurePerPoint)}});
  EXPECT_FALSE(vc->undoManager().isUndoAvailable());
  EXPECT_FALSE(vc->painting()->edited());
  EXPECT_FALSE(drawing()->isPaintingDirty());
}

TEST_F(PaintTest, RotatingByNinetySwapsTheMeasures) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  const QByteArray before = PaintState(vc);
  ASSERT_TRUE(send(vc, QStringLiteral("rotateFixed:"), 90));
  EXPECT_EQ(vc->width(), 30 * kMeasurePerPoint);
  EXPECT_EQ(vc->height(), 40 * kMeasurePerPoint);
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Rotate"));
  // The canvas took the new size.
  EXPECT_EQ(view->paintingSize(), QSizeF(30, 40));
  const QByteArray after = PaintState(vc);
  vc->undoEdit(nullptr);
  EXPECT_EQ(PaintState(vc), before);
  EXPECT_EQ(vc->width(), 40 * kMeasurePerPoint);
  vc->redoEdit(nullptr);
  EXPECT_EQ(PaintState(vc), after);
}

TEST_F(PaintTest, CutIsOneStep) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  const QByteArray before = PaintState(vc);
  ASSERT_TRUE(send(vc, QStringLiteral("selectAll:")));
  ASSERT_TRUE(send(vc, QStringLiteral("cut:")));
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Cut"));
  EXPECT_EQ(vc->undoManager().undoCount(), 1u);
  // The pixels went to the clipboard and became white.
  const QMimeData* copied = QApplication::clipboard()->mimeData();
  ASSERT_TRUE(copied);
  EXPECT_TRUE(copied->hasFormat(QStringLiteral("image/tiff")));
  EXPECT_TRUE(copied->hasFormat(QStringLiteral("image/png")));
  EXPECT_EQ(vc->painting()->kolorAtPoint(QPointF(3, 3)), g_whiteKolor);
  const QByteArray after = PaintState(vc);
  vc->undoEdit(nullptr);
  EXPECT_EQ(PaintState(vc), before);
  vc->redoEdit(nullptr);
  EXPECT_EQ(PaintState(vc), after);
}

TEST_F(PaintTest, NudgesMergeIntoOneStepAndUndoRedoKeepThePixels) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  const QByteArray before = PaintState(vc);
  view->selectAll();
  for (int i = 0; i < 3; ++i) ASSERT_TRUE(view->nudgeXBy(1, 0));
  EXPECT_EQ(vc->undoManager().undoCount(), 1u);
  EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Move Pixels"));
  EXPECT_EQ(view->floatingRect(), QRectF(3, 0, 40, 30));
  const QByteArray after = PaintState(vc);
  EXPECT_NE(after, before);
  // The hole the lifted pixels left is white (no transparency here).
  EXPECT_EQ(vc->painting()->kolorAtPoint(QPointF(1, 1)), g_whiteKolor);
  vc->undoEdit(nullptr);
  EXPECT_EQ(PaintState(vc), before);
  EXPECT_FALSE(view->floatingPixmap());
  vc->redoEdit(nullptr);
  EXPECT_EQ(PaintState(vc), after);
  // Another command in between starts a new step.
  ASSERT_TRUE(send(vc, QStringLiteral("invert:")));
  view->selectAll();
  ASSERT_TRUE(view->nudgeXBy(0, 1));
  EXPECT_EQ(vc->undoManager().undoCount(), 3u);
}

TEST_F(PaintTest, PasteUndoRedoKeepThePixels) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::white);
  const QByteArray before = PaintState(vc);
  auto data = std::make_unique<QMimeData>();
  QImage image(8, 6, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::blue);
  data->setData(QStringLiteral("image/png"), PngData(image));
  QApplication::clipboard()->setMimeData(data.release());
  ASSERT_TRUE(send(vc, QStringLiteral("paste:")));
  ASSERT_TRUE(view->floatingPixmap());
  const QByteArray after = PaintState(vc);
  EXPECT_NE(after, before);
  vc->undoEdit(nullptr);
  EXPECT_EQ(PaintState(vc), before);
  vc->redoEdit(nullptr);
  EXPECT_EQ(PaintState(vc), after);
  // Redone, the pasted pixels are part of the painting.
  EXPECT_FALSE(view->floatingPixmap());
  EXPECT_EQ(vc->painting()->kolorAtPoint(QPointF(20, 15)), 0x64FF0000u);
}

TEST_F(PaintTest, TheByteCapKeepsTheNewestSnapshots) {
  DRPaintVC* vc = openSolid(QSize(1024, 1024), Qt::red);
  const uint64_t limit = 20u << 20;
  vc->setUndoByteLimit(limit);
  QByteArray previous;
  for (int i = 0; i < 30; ++i) {
    previous = PaintState(vc);
    ASSERT_TRUE(send(vc, QStringLiteral("invert:")));
    EXPECT_LE(vc->undoBytes(), limit) << i;
  }
  EXPECT_GE(vc->undoManager().undoCount(), 1u);
  EXPECT_LT(vc->undoManager().undoCount(), 25u);
  vc->undoEdit(nullptr);
  EXPECT_EQ(PaintState(vc), previous);
}

TEST_F(PaintTest, ASnapshotCountsItsPixels) {
  DRPaintVC* vc = openSolid(QSize(100, 50), Qt::red);
  ASSERT_TRUE(send(vc, QStringLiteral("invert:")));
  EXPECT_GE(vc->undoBytes(), uint64_t(100 * 50 * 4));
  vc->undoEdit(nullptr);
  // The store still holds the snapshot to redo.
  EXPECT_GE(vc->undoBytes(), uint64_t(100 * 50 * 4));
}

TEST_F(PaintTest, ALockedDrawingRefusesEveryEdit) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  const QByteArray before = PaintState(vc);
  drawing()->setLocked(true);
  view->selectAll();
  vc->invert(nullptr);
  vc->fill(nullptr);
  EXPECT_FALSE(view->nudgeXBy(1, 0));
  EXPECT_FALSE(view->floatingPixmap());
  EXPECT_EQ(PaintState(vc), before);
  EXPECT_FALSE(vc->undoManager().isUndoAvailable());
}
