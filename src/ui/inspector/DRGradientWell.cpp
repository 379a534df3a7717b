#include "ui/inspector/DRGradientWell.h"

#include <QBrush>
#include <QDrag>
#include <QDragEnterEvent>
#include <QDropEvent>
#include <QImage>
#include <QLineEdit>
#include <QLineF>
#include <QMouseEvent>
#include <QPainter>
#include <QPainterPath>

#include "model/GraphicHelpers.h"
#include "platform/NotificationCenter.h"
#include "support/CSImage.h"
#include "support/GraphicsContext.h"
#include "support/Kolor.h"
#include "support/widgets/CSDragPasteboard.h"
#include "support/widgets/CSMeasureFormatter.h"
#include "support/widgets/DragItem.h"
#include "ui/inspector/DRBarEditor.h"
#include "ui/inspector/DRGradientClip.h"
#include "ui/inspector/DRGradientDialog.h"

const QString g_gradientDraggedNotification = QStringLiteral("twdraw.gradientDragged");

namespace {

// The bezel around the well's inside.
constexpr double kBezel = 3;

}  // namespace

DRGradientWell::DRGradientWell(QWidget* parent) : QWidget(parent) {
  setAcceptDrops(true);
}

DRGradientWell::~DRGradientWell() = default;

void DRGradientWell::setGradient(const std::optional<DRGradient>& gradient) {
  m_gradient = gradient;
  update();
  NotificationCenter::defaultCenter().post(g_gradientDraggedNotification, this);
}

void DRGradientWell::setEditable(bool editable) {
  m_editable = editable;
  setAcceptDrops(!editable);
}

QSize DRGradientWell::sizeHint() const {
  return QSize(52, 28);
}

QRectF DRGradientWell::insideRect() const {
  return QRectF(rect()).adjusted(kBezel, kBezel, -kBezel, -kBezel);
}

void DRGradientWell::paintEvent(QPaintEvent*) {
  QPainter painter(this);
  painter.setRenderHint(QPainter::Antialiasing, false);
  const QRectF bounds(rect());
  painter.fillRect(bounds, GrayColor(2));
  painter.setPen(QPen(GrayColor(4), 1));
  painter.drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));

  const QRectF inside = insideRect();
  m_drawRect = inside;
  if (m_gradient) {
    painter.fillRect(inside, m_gradient->brushForBounds(inside));
    return;
  }
  GraphicsContextScope scope(&painter);
  QPainterPath cross;
  DrawNoColorCross(&cross, inside);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.strokePath(cross, QPen(GrayColor(3), 1));
}

void DRGradientWell::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  if (m_editable) {
    m_dragEvent.reset();
    // The sheet's stop editor holds at most ten stops; a gradient with more
    // (as a drawing file may hold) is not opened, so it is never cut.
    if (m_gradient && m_gradient->stopCount() > kMaxTransferStops) {
      DRBarEditor::beep();
      return;
    }
    DRGradientDialog::runGradientSheet(m_gradient, m_windowController);
    return;
  }
  if (m_gradient)
    m_dragEvent = event->position();
  else
    m_dragEvent.reset();
}

void DRGradientWell::mouseMoveEvent(QMouseEvent* event) {
  if (!m_dragEvent || !m_gradient) return;
  if (QLineF(*m_dragEvent, event->position()).length() < kDragThreshold) return;
  beginDrag();
}

void DRGradientWell::mouseReleaseEvent(QMouseEvent*) {
  m_dragEvent.reset();
}

void DRGradientWell::beginDrag() {
  const QPointF pressed = *m_dragEvent;
  QRectF frame = m_drawRect.isEmpty() ? insideRect() : m_drawRect;
  const QSize size(qMax(1, qRound(frame.width())), qMax(1, qRound(frame.height())));
  QImage picture(size, QImage::Format_ARGB32_Premultiplied);
  picture.fill(Qt::transparent);
  {
    QPainter painter(&picture);
    const QRectF whole(QPointF(0, 0), QSizeF(size));
    painter.setPen(QPen(GrayColor(3), 1));
    painter.drawRect(whole.adjusted(0.5, 0.5, -0.5, -0.5));
    const QRectF inner = whole.adjusted(1, 1, -1, -1);
    painter.fillRect(inner, m_gradient->brushForBounds(inner));
  }

  std::unique_ptr<CSDragPasteboard> pasteboard = GradientDragPasteboard(*m_gradient);
  m_dragPasteboard = pasteboard.get();
  CSDragItem item =
      CreateDragItem(this, std::move(pasteboard), CSImage::initWithCGImage(picture, QSizeF(size)), frame, 1.0);
  if (item.image.isNull()) item.image = picture;
  QDrag* drag = item.createDrag(this, (pressed - frame.topLeft()).toPoint());
  const QPointer<QDrag> guard(drag);
  runDragSession(drag);
  if (guard) guard->deleteLater();
  m_dragPasteboard = nullptr;
  // The release went to the drag; this is the well's own.
  m_dragEvent.reset();
}

Qt::DropAction DRGradientWell::runDragSession(QDrag* drag) {
  return drag->exec(Qt::CopyAction, Qt::CopyAction);
}

bool DRGradientWell::acceptsDrop(const QMimeData* pasteboard) const {
  if (m_editable || !pasteboard) return false;
  if (m_dragPasteboard && pasteboard == m_dragPasteboard.data()) return false;
  return !GradientStringFromPasteboard(pasteboard).isEmpty();
}

void DRGradientWell::dragEnterEvent(QDragEnterEvent* event) {
  if (event->source() != this && acceptsDrop(event->mimeData())) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void DRGradientWell::dragMoveEvent(QDragMoveEvent* event) {
  if (event->source() != this && acceptsDrop(event->mimeData())) {
    event->setDropAction(Qt::CopyAction);
    event->accept();
  } else {
    event->ignore();
  }
}

void DRGradientWell::dropEvent(QDropEvent* event) {
  const std::optional<DRGradient> dropped = TakeGradientDrop(event, this, acceptsDrop(event->mimeData()));
  if (dropped) setGradient(dropped);
}
