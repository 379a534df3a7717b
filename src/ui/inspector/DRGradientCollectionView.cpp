#include "ui/inspector/DRGradientCollectionView.h"

#include <QCursor>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QLineF>
#include <QMouseEvent>
#include <QPaintEvent>
#include <QPainter>
#include <QScrollArea>
#include <QScrollBar>
#include <QVariantAnimation>
#include <climits>
#include <cmath>

#include "model/ModelSupport.h"
#include "support/CSCore.h"
#include "support/CSImage.h"
#include "support/Kolor.h"
#include "support/widgets/CSDragPasteboard.h"
#include "support/widgets/DragItem.h"
#include "ui/inspector/DRGradientClip.h"
#include "ui/inspector/DRGradientWell.h"
#include "ui/shell/DRAppController.h"

DRGradientCollectionView::DRGradientCollectionView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

DRGradientCollectionView::~DRGradientCollectionView() {
  if (m_fade) m_fade->stop();
}

QScrollArea* DRGradientCollectionView::enclosingScrollArea() const {
  for (QWidget* up = parentWidget(); up; up = up->parentWidget()) {
    if (auto* area = qobject_cast<QScrollArea*>(up)) return area;
  }
  return nullptr;
}

void DRGradientCollectionView::awakeFromNib(QList<DRGradient>* gradients) {
  m_favorites = enclosingScrollArea() != nullptr;
  m_clickedSample = -1;
  if (!gradients) {
    DRAppController* app = DRAppController::sharedInstance();
    gradients = m_favorites ? &app->favoriteGradients() : &app->recentGradients();
  }
  m_gradients = gradients;
  if (m_favorites) {
    m_sampleCount = INT_MAX;
    m_spaceBetween = kFavoriteSpacing;
    setAcceptDrops(true);
    if (QScrollArea* area = enclosingScrollArea()) area->viewport()->installEventFilter(this);
    updateFrame();
  } else {
    setAcceptDrops(false);
    layOutRecents();
  }
  update();
}

void DRGradientCollectionView::layOutRecents() {
  const double width = double(this->width()) - 2;
  const double height = double(this->height()) - 2;
  // A strip too low or too narrow for the intended gaps still shows one
  // sample, without gaps if need be: the recent list is never cut to
  // nothing.
  m_spaceBetween = std::max(0.0, std::floor((height - 2 - kSampleSize) / 2));
  const double fits = std::floor((width - m_spaceBetween) / (m_spaceBetween + kSampleSize));
  m_sampleCount = fits >= 1 ? qsizetype(std::min(fits, double(INT_MAX))) : 1;
  m_spaceBetween = std::max(0.0, std::floor((width - double(m_sampleCount) * kSampleSize) / double(m_sampleCount + 1)));
  if (m_gradients) {
    while (m_gradients->size() > m_sampleCount) m_gradients->removeLast();
  }
}

qsizetype DRGradientCollectionView::shownCount() const {
  return m_gradients ? std::min(m_gradients->size(), m_sampleCount) : 0;
}

QRectF DRGradientCollectionView::rectForSample(qsizetype index) const {
  double left = (kSampleSize + m_spaceBetween) * double(index) + m_spaceBetween;
  if (!m_favorites) left += 1;
  const double top = std::floor((double(height()) - kSampleSize) / 2);
  return QRectF(left, top, kSampleSize, kSampleSize);
}

void DRGradientCollectionView::redisplaySample(qsizetype index) {
  if (index < 0) return;
  update(rectForSample(index).adjusted(-3, -3, 3, 3).toAlignedRect());
}

void DRGradientCollectionView::updateFrame() {
  if (!m_favorites) return;
  const qsizetype count = m_gradients ? m_gradients->size() : 0;
  double width = (m_spaceBetween + kSampleSize) * double(count) + m_spaceBetween;
  if (QScrollArea* area = enclosingScrollArea()) width = std::max(width, double(area->viewport()->width()));
  resize(int(std::ceil(width)), height());
}

bool DRGradientCollectionView::eventFilter(QObject* watched, QEvent* event) {
  if (event->type() == QEvent::Resize && m_favorites) updateFrame();
  return QWidget::eventFilter(watched, event);
}

void DRGradientCollectionView::deleteAfterDrag() {
  if (m_gradients && m_clickedSample >= 0 && m_clickedSample < m_gradients->size()) {
    m_gradients->removeAt(m_clickedSample);
    update();
    updateFrame();
  }
  m_clickedSample = -1;
  m_deleting = false;
  m_fadeOpacity = 1;
}

// ---- Drawing ----------------------------------------------------------------------------------

void DRGradientCollectionView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  const QRectF bounds(rect());
  painter.fillRect(bounds, GrayColor(g_darkMode ? 4 : 1));
  const QColor frameColor = GrayColor(g_darkMode ? 5 : 3);
  if (!m_favorites) {
    painter.setPen(QPen(frameColor, 1));
    painter.drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
  }
  if (m_draggingIn) {
    painter.setPen(QPen(ColorFromKolor(g_dragRingKolor), 3));
    painter.drawRect(bounds.adjusted(1.5, 1.5, -1.5, -1.5));
  }
  const qsizetype count = shownCount();
  for (qsizetype index = 0; index < count; ++index) {
    const QRectF sample = rectForSample(index);
    if (!event->rect().intersects(sample.adjusted(-1, -1, 1, 1).toAlignedRect())) continue;
    painter.save();
    if (m_deleting && index == m_clickedSample) painter.setOpacity(m_fadeOpacity);
    painter.fillRect(sample, m_gradients->at(index).brushForBounds(sample));
    painter.setPen(QPen(frameColor, 1));
    painter.drawRect(sample.adjusted(-0.5, -0.5, 0.5, 0.5));
    painter.restore();
  }
  if (!m_deleting && m_clickedSample >= 0 && m_clickedSample < count) {
    painter.setPen(QPen(ColorFromKolor(g_dragRingKolor), 3));
    painter.drawRect(rectForSample(m_clickedSample).adjusted(-1.5, -1.5, 1.5, 1.5));
  }
}

// ---- Mouse ------------------------------------------------------------------------------------

void DRGradientCollectionView::mousePressEvent(QMouseEvent* event) {
  // The favourite being removed keeps its press until it has gone.
  if (m_deleting || event->button() != Qt::LeftButton) return;
  const qsizetype before = m_clickedSample;
  m_clickedSample = -1;
  m_dragEvent.reset();
  const QPointF point = event->position();
  const double left = rectForSample(0).left();
  if (point.x() >= left) {
    const auto index = qsizetype(std::floor((point.x() - left) / (kSampleSize + m_spaceBetween)));
    if (index < shownCount() && rectForSample(index).contains(point)) {
      m_clickedSample = index;
      m_dragEvent = point;
    }
  }
  redisplaySample(before);
  redisplaySample(m_clickedSample);
}

void DRGradientCollectionView::mouseMoveEvent(QMouseEvent* event) {
  if (m_deleting || m_clickedSample < 0 || !m_dragEvent) return;
  if (QLineF(*m_dragEvent, event->position()).length() < kDragThreshold) return;
  beginDrag();
}

void DRGradientCollectionView::mouseReleaseEvent(QMouseEvent*) {
  if (m_deleting) return;
  m_dragEvent.reset();
  if (m_clickedSample < 0) return;
  redisplaySample(m_clickedSample);
  if (m_gradients && m_clickedSample < m_gradients->size() && m_gradientWell)
    m_gradientWell->setGradient(m_gradients->at(m_clickedSample));
  m_clickedSample = -1;
}

void DRGradientCollectionView::beginDrag() {
  const QPointF pressed = *m_dragEvent;
  const DRGradient gradient = m_gradients->at(m_clickedSample);
  const QRectF frame = rectForSample(m_clickedSample);
  const QSize size{int(kSampleSize), int(kSampleSize)};
  QImage picture(size, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::transparent);
  {
    QPainter painter(&picture);
    const QRectF whole(QPointF(0, 0), QSizeF(size));
    painter.fillRect(whole, gradient.brushForBounds(whole));
    painter.setPen(QPen(GrayColor(3), 1));
    painter.drawRect(whole.adjusted(0.5, 0.5, -0.5, -0.5));
  }

  std::unique_ptr<CSDragPasteboard> pasteboard = GradientDragPasteboard(gradient);
  m_dragPasteboard = pasteboard.get();
  CSDragItem item =
      CreateDragItem(this, std::move(pasteboard), CSImage::initWithCGImage(picture, QSizeF(size)), frame, 1.0);
  if (item.image.isNull()) item.image = picture;
  QDrag* drag = item.createDrag(this, (pressed - frame.topLeft()).toPoint());
  m_dragEvent.reset();
  const QPointer<QDrag> guard(drag);
  QPoint endPoint;
  const Qt::DropAction operation = runDragSession(drag, &endPoint);
  if (guard) guard->deleteLater();
  draggingSessionEnded(endPoint, operation);
}

Qt::DropAction DRGradientCollectionView::runDragSession(QDrag* drag, QPoint* endPoint) {
  const Qt::DropAction operation = drag->exec(Qt::CopyAction, Qt::CopyAction);
  *endPoint = QCursor::pos();
  return operation;
}

void DRGradientCollectionView::draggingSessionEnded(QPoint endPoint, Qt::DropAction operation) {
  (void)operation;  // Qt drags carry no delete operation: only the place counts
  m_dragPasteboard = nullptr;
  if (!m_favorites) {
    redisplaySample(m_clickedSample);
    m_clickedSample = -1;
    return;
  }
  if (m_clickedSample < 0 || window()->frameGeometry().contains(endPoint)) return;
  // Released outside the window: the favourite fades, then goes.
  m_deleting = true;
  m_fadeOpacity = 1;
  auto* fade = new QVariantAnimation(this);
  fade->setStartValue(1.0);
  fade->setEndValue(0.0);
  fade->setDuration(kFadeMilliseconds);
  const qsizetype sample = m_clickedSample;
  connect(fade, &QVariantAnimation::valueChanged, this, [this, sample](const QVariant& value) {
    m_fadeOpacity = value.toDouble();
    redisplaySample(sample);
  });
  connect(fade, &QVariantAnimation::finished, this, [this] { deleteAfterDrag(); });
  m_fade = fade;
  fade->start(QAbstractAnimation::DeleteWhenStopped);
}

// ---- Drops ------------------------------------------------------------------------------------

bool DRGradientCollectionView::acceptsDrop(const QMimeData* pasteboard) const {
  if (!m_favorites || !m_gradients || !pasteboard) return false;
  if (m_dragPasteboard && pasteboard == m_dragPasteboard.data()) return false;
  return !GradientStringFromPasteboard(pasteboard).isEmpty();
}

void DRGradientCollectionView::dragEnterEvent(QDragEnterEvent* event) {
  if (event->source() == this || !acceptsDrop(event->mimeData())) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
  m_draggingIn = true;
  update();
}

void DRGradientCollectionView::dragMoveEvent(QDragMoveEvent* event) {
  if (event->source() == this || !acceptsDrop(event->mimeData())) {
    event->ignore();
    return;
  }
  event->setDropAction(Qt::CopyAction);
  event->accept();
}

void DRGradientCollectionView::dragLeaveEvent(QDragLeaveEvent*) {
  m_draggingIn = false;
  update();
}

void DRGradientCollectionView::dropEvent(QDropEvent* event) {
  m_draggingIn = false;
  update();
  const std::optional<DRGradient> dropped = TakeGradientDrop(event, this, acceptsDrop(event->mimeData()));
  if (!dropped) return;
  AddGradientToList(m_gradients, *dropped);
  update();
  updateFrame();
}
