#pragma once
// What a drag from a canvas carries: the data, the frame it leaves from and
// one image showing it, sized as the drag should show it on screen.

#include <QImage>
#include <QMimeData>
#include <QPoint>
#include <QRectF>
#include <memory>

#include "support/CSImage.h"

class QDrag;
class QWidget;

struct CSDragItem {
  std::unique_ptr<QMimeData> writer;  // the data dropped
  QRectF draggingFrame;               // where the drag starts, in the view
  QImage image;                       // the icon image, at componentFrame's size
  QRectF componentFrame;              // origin zero; empty without a view

  // A QDrag from `source` carrying the data and the image; `hotSpot` is the
  // pointer's position inside the image. Takes the data out of the item.
  QDrag* createDrag(QObject* source, QPoint hotSpot);
};

// A dragging item for the data whose frame is `frame` (in the view). The
// image component has its origin at zero and the frame's size in window
// co-ordinates (zero with no view), divided by `zoom` when it is below 1.
CSDragItem CreateDragItem(QWidget* view, std::unique_ptr<QMimeData> pasteboardWriter, const CSImage& image,
                          const QRectF& frame, double zoom);
