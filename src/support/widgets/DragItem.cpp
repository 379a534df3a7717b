#include "support/widgets/DragItem.h"

#include <QDrag>
#include <QPixmap>
#include <QWidget>
#include <QtMath>

QDrag* CSDragItem::createDrag(QObject* source, QPoint hotSpot) {
  auto* drag = new QDrag(source);
  drag->setMimeData(writer.release());
  if (!image.isNull()) drag->setPixmap(QPixmap::fromImage(image));
  drag->setHotSpot(hotSpot);
  return drag;
}

CSDragItem CreateDragItem(QWidget* view, std::unique_ptr<QMimeData> pasteboardWriter, const CSImage& image,
                          const QRectF& frame, double zoom) {
  CSDragItem item;
  item.writer = std::move(pasteboardWriter);
  item.draggingFrame = frame;
  QSizeF size;
  if (view) {
    // A widget's co-ordinates differ from its window's only by an offset,
    // so mapping both corners keeps the size but honours any transform.
    const QWidget* window = view->window();
    const QPointF topLeft = view->mapTo(window, frame.topLeft());
    const QPointF bottomRight = view->mapTo(window, frame.bottomRight());
    size = QSizeF(bottomRight.x() - topLeft.x(), bottomRight.y() - topLeft.y());
  }
  if (zoom > 0 && zoom < 1.0) size /= zoom;
  item.componentFrame = QRectF(QPointF(0, 0), size);
  const QSize pixels(qCeil(size.width()), qCeil(size.height()));
  if (!image.isNull() && !pixels.isEmpty()) item.image = image.renderedBitmap(pixels);
  return item;
}
