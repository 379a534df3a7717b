#pragma once
// The picture well of the background sheet: it shows the picture at the
// sheet's opacity, fitted inside an 8-point margin on white, and takes a
// picture dropped on it (read as the clipboard reads pictures, within the
// decode limit). A drop that holds no readable picture is refused and
// leaves the well as it was.

#include <QRectF>
#include <QSizeF>
#include <QWidget>

#include "support/CSImage.h"

class QDragEnterEvent;
class QDropEvent;
class QMimeData;
class QPainter;

class DRBackgroundImageCell : public QWidget {
  Q_OBJECT

 public:
  // The margin kept free around the picture, in points.
  static constexpr double kInset = 8.0;

  explicit DRBackgroundImageCell(QWidget* parent = nullptr);

  const CSImage& image() const { return m_image; }
  void setImage(const CSImage& image);
  // 1.0 (opaque) until set.
  double opacity() const { return m_opacity; }
  void setOpacity(double opacity);

  // Where a picture of the size is drawn in the frame: fitted within the
  // inset frame (shrunk, never enlarged) and centred on whole points.
  static QRectF imageRectForFrame(const QRectF& frame, QSizeF imageSize);
  // Draws the picture as the well does: its rectangle erased to white, the
  // picture over it at the opacity. Nothing for a nil picture.
  static void drawInteriorWithFrame(QPainter* painter, const QRectF& frame, const CSImage& image, double opacity);

  // The picture the drop data holds (nil when none reads); the well's drop
  // takes it.
  static CSImage imageFromDrop(const QMimeData* mime);
  // A drop: takes the picture and tells of it; false (nothing changed) when
  // the data holds none.
  bool dropPicture(const QMimeData* mime);

 signals:
  // A picture was dropped on the well and is now its image.
  void imageDropped();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void dragEnterEvent(QDragEnterEvent* event) override;
  void dropEvent(QDropEvent* event) override;

 private:
  CSImage m_image;
  double m_opacity = 1.0;
};
