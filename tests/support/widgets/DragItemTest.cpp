#include <gtest/gtest.h>

#include <QDrag>
#include <QMimeData>
#include <QVBoxLayout>
#include <QWidget>

#include "support/widgets/DragItem.h"

namespace {

CSImage RedImage() {
  QImage image(40, 20, QImage::Format_RGB32);
  image.fill(Qt::red);
  return CSImage::initWithCGImage(image, QSizeF(0, 0));
}

std::unique_ptr<QMimeData> Data() {
  auto data = std::make_unique<QMimeData>();
  data->setText(QStringLiteral("dragged"));
  return data;
}

}  // namespace

TEST(DragItem, ComponentHasTheFrameSizeScaledByZoom) {
  QWidget window;
  window.resize(300, 200);
  auto* layout = new QVBoxLayout(&window);
  layout->setContentsMargins(25, 30, 0, 0);
  auto* view = new QWidget;
  layout->addWidget(view);
  window.show();

  const QRectF frame(10, 20, 80, 40);
  struct Row {
    double zoom;
    QSizeF size;
  } rows[] = {{1.0, {80, 40}}, {2.0, {80, 40}}, {0.5, {160, 80}}, {0, {80, 40}}};
  for (const Row& row : rows) {
    CSDragItem item = CreateDragItem(view, Data(), RedImage(), frame, row.zoom);
    EXPECT_EQ(item.draggingFrame, frame) << row.zoom;
    EXPECT_EQ(item.componentFrame, QRectF(QPointF(0, 0), row.size)) << row.zoom;
    EXPECT_EQ(item.image.size(), row.size.toSize()) << row.zoom;
    EXPECT_EQ(item.image.pixel(3, 3), qRgb(255, 0, 0));
  }

  CSDragItem item = CreateDragItem(view, Data(), RedImage(), frame, 1.0);
  std::unique_ptr<QDrag> drag(item.createDrag(view, QPoint(5, 6)));
  ASSERT_NE(drag->mimeData(), nullptr);
  EXPECT_EQ(drag->mimeData()->text(), "dragged");
  EXPECT_EQ(drag->pixmap().size(), QSize(80, 40));
  EXPECT_EQ(drag->hotSpot(), QPoint(5, 6));
  EXPECT_EQ(item.writer, nullptr);  // the drag owns the data now
}

TEST(DragItem, WithoutAViewTheComponentIsEmpty) {
  CSDragItem item = CreateDragItem(nullptr, Data(), RedImage(), QRectF(0, 0, 50, 50), 0.5);
  EXPECT_TRUE(item.componentFrame.isEmpty());
  EXPECT_TRUE(item.image.isNull());
  ASSERT_NE(item.writer, nullptr);
  EXPECT_EQ(item.writer->text(), "dragged");
}
