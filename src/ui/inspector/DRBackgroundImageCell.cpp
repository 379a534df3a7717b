#include "ui/inspector/DRBackgroundImageCell.h"

#include <QDragEnterEvent>
#include <QDropEvent>
#include <QMimeData>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "support/GraphicsHelpers.h"

namespace {

// Whether the drag may carry a picture; what it holds is read on the drop.
bool MayHoldPicture(const QMimeData* mime) {
  if (!mime) return false;
  if (mime->hasImage() || mime->hasUrls()) return true;
  const QStringList formats = mime->formats();
  return std::any_of(formats.begin(), formats.end(), [](const QString& format) {
    return format.startsWith(QLatin1String("image/")) || format == QLatin1String("application/pdf");
  });
}

}  // namespace

DRBackgroundImageCell::DRBackgroundImageCell(QWidget* parent) : QWidget(parent) {
  setAcceptDrops(true);
  setMinimumSize(160, 120);
}

void DRBackgroundImageCell::setImage(const CSImage& image) {
  m_image = image;
  update();
}

void DRBackgroundImageCell::setOpacity(double opacity) {
  if (std::isnan(opacity)) return;
  m_opacity = std::clamp(opacity, 0.0, 1.0);
  update();
}

QRectF DRBackgroundImageCell::imageRectForFrame(const QRectF& frame, QSizeF imageSize) {
  QRectF rect(QPointF(0, 0), imageSize);
  CenterRectangle(&rect, frame.adjusted(kInset, kInset, -kInset, -kInset));
  return rect;
}

void DRBackgroundImageCell::drawInteriorWithFrame(QPainter* painter, const QRectF& frame, const CSImage& image,
                                                  double opacity) {
  if (!painter || image.isNull()) return;
  const QRectF rect = imageRectForFrame(frame, image.size());
  if (rect.isEmpty()) return;
  const QImage pixels = image.bitmapForRect(painter, rect);
  painter->save();
  painter->fillRect(rect, Qt::white);
  if (!pixels.isNull()) {
    painter->setCompositionMode(QPainter::CompositionMode_SourceOver);
    painter->setOpacity(opacity);
    painter->setRenderHint(QPainter::SmoothPixmapTransform, true);
    painter->drawImage(rect, pixels);
  }
  painter->restore();
}

CSImage DRBackgroundImageCell::imageFromDrop(const QMimeData* mime) {
  return mime ? CSImage::initWithPasteboard(mime) : CSImage();
}

bool DRBackgroundImageCell::dropPicture(const QMimeData* mime) {
  const CSImage image = imageFromDrop(mime);
  if (image.isNull()) return false;
  setImage(image);
  emit imageDropped();
  return true;
}

void DRBackgroundImageCell::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  painter.setPen(palette().color(QPalette::Mid));
  painter.drawRect(QRectF(rect()).adjusted(0.5, 0.5, -0.5, -0.5));
  drawInteriorWithFrame(&painter, QRectF(rect()), m_image, m_opacity);
}

void DRBackgroundImageCell::dragEnterEvent(QDragEnterEvent* event) {
  if (MayHoldPicture(event->mimeData())) event->acceptProposedAction();
}

void DRBackgroundImageCell::dropEvent(QDropEvent* event) {
  if (dropPicture(event->mimeData())) {
    event->acceptProposedAction();
  } else {
    event->ignore();
  }
}
