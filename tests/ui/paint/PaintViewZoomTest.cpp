// The painting canvas's zoom steps, its point mapping and where a paste
// lands.

#include "PaintFixture.h"

TEST_F(PaintTest, ZoomStepsInAndOut) {
  openSolid(QSize(40, 30), Qt::red);
  struct Row {
    double from;
    bool out;
    double to;
  };
  const Row rows[] = {{1.5, false, 2},  {0.3, true, 0.25}, {16, false, 16},  {0.1, true, 0.1},
                      {1, false, 2},    {1, true, 0.75},   {12, false, 16},  {0.25, true, 0.1},
                      {20, false, 20},  {0.05, true, 0.05}};
  for (const Row& row : rows) {
    SCOPED_TRACE(testing::Message() << row.from << (row.out ? " out" : " in"));
    view->setZoomField(row.from);
    view->zoomOnPoint(QPointF(20, 20), row.out);
    EXPECT_EQ(view->zoomValue(), row.to);
  }
}

TEST_F(PaintTest, SetZoomValueRoundsUpAboveOne) {
  openSolid(QSize(40, 30), Qt::red);
  const std::pair<double, double> rows[] = {{2.2, 3}, {0.4, 0.4}, {1, 1}, {3, 3}, {1.01, 2}};
  for (const auto& [asked, stored] : rows) {
    view->setZoomValue(asked);
    EXPECT_EQ(view->zoomValue(), stored) << asked;
  }
  view->setZoomValue(0);
  view->setZoomValue(std::nan(""));
  EXPECT_EQ(view->zoomValue(), 2);
}

TEST_F(PaintTest, TheZoomCommandsFollowTheTable) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::red);
  EXPECT_TRUE(send(vc, QStringLiteral("zoomIn:")));
  EXPECT_EQ(view->zoomValue(), 2);
  EXPECT_TRUE(send(vc, QStringLiteral("zoomByPercent:"), 16));
  EXPECT_EQ(view->zoomValue(), 16);
  EXPECT_FALSE(send(vc, QStringLiteral("zoomIn:")));
  EXPECT_TRUE(send(vc, QStringLiteral("zoomOut:")));
  EXPECT_EQ(view->zoomValue(), 12);
  view->setZoomValue(0.1);
  EXPECT_FALSE(send(vc, QStringLiteral("zoomOut:")));
}

TEST_F(PaintTest, NormalizePointClampsToThePainting) {
  openSolid(QSize(40, 30), Qt::red);
  view->setZoomValue(4);
  struct Row {
    QPointF view;
    bool overhang;
    QPointF pixel;
  };
  const Row rows[] = {
      {{12 + 40 * 4 + 30, 20}, false, {40, 2}},  // right of the painting: its width
      {{12 + 40 * 4 + 30, 20}, true, {41, 2}},
      {{12 + 40 * 4, 12 + 30 * 4}, false, {40, 30}},
      {{5, 5}, false, {0, 0}},                   // in the gutter
      {{12 + 4 * 3 + 3.9, 12 + 4 * 7}, false, {3, 7}},
  };
  for (const Row& row : rows) {
    EXPECT_EQ(view->normalizePoint(row.view, row.overhang), row.pixel) << row.view.x() << "," << row.view.y();
  }
  EXPECT_EQ(view->unscalePoint(QPointF(12 + 4 * 3 + 2.5, 12)), QPointF(3.5, 0));
  EXPECT_EQ(view->scalePoint(QPointF(3, 7)), QPointF(24, 40));
}

TEST_F(PaintTest, APasteIsCentredInTheVisiblePartAndNeverStartsLeftOfIt) {
  DRPaintVC* vc = openSolid(QSize(100, 80), Qt::white);
  ASSERT_TRUE(vc);
  struct Row {
    QSize pasted;
    QPointF origin;
  };
  // The whole painting is visible at zoom 1.
  const Row rows[] = {{QSize(20, 10), QPointF(40, 35)}, {QSize(300, 200), QPointF(0, 0)}};
  for (const Row& row : rows) {
    SCOPED_TRACE(row.pasted.width());
    auto data = std::make_unique<QMimeData>();
    QImage image(row.pasted, QImage::Format_ARGB32_Premultiplied);
    image.fill(Qt::blue);
    data->setData(QStringLiteral("image/png"), PngData(image));
    QApplication::clipboard()->setMimeData(data.release());
    ASSERT_TRUE(send(vc, QStringLiteral("paste:")));
    ASSERT_TRUE(view->floatingPixmap());
    EXPECT_EQ(view->floatingRect(), QRectF(row.origin, QSizeF(row.pasted)));
    EXPECT_EQ(view->selectionRect(), view->floatingRect());
    EXPECT_EQ(view->currentTool(), kToolSelect);
    EXPECT_EQ(undoTitle(vc), QStringLiteral("Undo Paste"));
  }
}

TEST_F(PaintTest, APasteThatCannotBeAPixmapBeeps) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::white);
  auto data = std::make_unique<QMimeData>();
  data->setText(QStringLiteral("text without a renderer"));
  data->setData(QStringLiteral("image/png"), QByteArray("not a png"));
  QApplication::clipboard()->setMimeData(data.release());
  vc->paste(nullptr);
  EXPECT_EQ(beeps, 1);
  EXPECT_FALSE(view->floatingPixmap());
  EXPECT_FALSE(vc->undoManager().isUndoAvailable());
}

TEST_F(PaintTest, ALargePasteStartsAtTheVisiblePartsOrigin) {
  DRPaintVC* vc = openSolid(QSize(400, 300), Qt::white);
  view->setZoomValue(4);
  Spin();
  view->scrollToPoint(QPointF(12 + 4 * 100, 12 + 4 * 40));
  const QRectF visible = view->unscaleRect(view->visibleRect());
  ASSERT_EQ(visible.topLeft(), QPointF(100, 40));
  auto data = std::make_unique<QMimeData>();
  QImage image(380, 290, QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::blue);
  data->setData(QStringLiteral("image/png"), PngData(image));
  QApplication::clipboard()->setMimeData(data.release());
  vc->paste(nullptr);
  ASSERT_TRUE(view->floatingPixmap());
  // Not held inside the painting at the right or bottom.
  EXPECT_EQ(view->floatingRect(), QRectF(100, 40, 380, 290));
}

TEST_F(PaintTest, APastedPictureTooLargeForAPixmapBeeps) {
  DRPaintVC* vc = openSolid(QSize(40, 30), Qt::white);
  const QByteArray before = PaintState(vc);
  // A PNG header of 20,000 x 20,000 pixels, past kMaxPixmapPixels, and no
  // pixel data.
  QByteArray png = QByteArray::fromHex("89504e470d0a1a0a0000000d49484452") +
                   QByteArray::fromHex("00004e2000004e200806000000") + QByteArray::fromHex("e3704639") +
                   QByteArray::fromHex("0000000049454e44ae426082");
  auto data = std::make_unique<QMimeData>();
  data->setData(QStringLiteral("image/png"), png);
  QApplication::clipboard()->setMimeData(data.release());
  vc->paste(nullptr);
  EXPECT_EQ(beeps, 1);
  EXPECT_FALSE(view->floatingPixmap());
  EXPECT_FALSE(vc->undoManager().isUndoAvailable());
  EXPECT_EQ(PaintState(vc), before);
}
