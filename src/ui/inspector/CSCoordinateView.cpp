#include "ui/inspector/CSCoordinateView.h"

#include <QMouseEvent>
#include <QPainter>
#include <algorithm>
#include <cmath>

#include "support/CSCore.h"
#include "support/Kolor.h"

namespace {

// Pointer offsets within this many points of a centre line count as on it.
constexpr double kDeadZonePoints = 3;
// ... and so do offsets within this share of the half-size.
constexpr double kDeadZoneShare = 0.05;
// Half the side of the square whose diagonals form the mark.
constexpr double kMarkHalfSize = 3;

double StoredValue(double value) {
  if (std::isnan(value)) return 0;
  return std::clamp(double(float(value)), -1.0, 1.0);
}

}  // namespace

CSCoordinateView::CSCoordinateView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, false);
}

CSCoordinateView::CSCoordinateView(const QRect& frame, QWidget* parent) : CSCoordinateView(parent) {
  setFrame(frame);
}

QSize CSCoordinateView::oddSize(QSize size) {
  if (size.width() > 0 && size.width() % 2 == 0) size.setWidth(size.width() - 1);
  if (size.height() > 0 && size.height() % 2 == 0) size.setHeight(size.height() - 1);
  return size;
}

void CSCoordinateView::setFrame(const QRect& frame) {
  const QSize size = oddSize(frame.size());
  setFixedSize(size);
  setGeometry(QRect(frame.topLeft(), size));
}

void CSCoordinateView::setX(double value) {
  m_x = StoredValue(value);
  update();
}

void CSCoordinateView::setY(double value) {
  m_y = StoredValue(value);
  update();
}

double CSCoordinateView::valueForOffset(double offset, double half) {
  if (!(half > 0)) return 0;
  const double distance = std::min(std::abs(offset), half);
  if (distance <= kDeadZonePoints || distance / half <= kDeadZoneShare) return 0;
  return offset < 0 ? -distance / half : distance / half;
}

QRectF CSCoordinateView::padRect() const {
  return QRectF(rect()).adjusted(kFieldInset, kFieldInset, -kFieldInset, -kFieldInset);
}

void CSCoordinateView::trackMouse(QPointF point) {
  const QRectF pad = padRect();
  const double halfWidth = pad.width() / 2;
  const double halfHeight = pad.height() / 2;
  // The widget's y grows downwards, the values' upwards.
  const double newX = valueForOffset(point.x() - (pad.left() + halfWidth), halfWidth);
  const double newY = valueForOffset((pad.top() + halfHeight) - point.y(), halfHeight);
  if (newX == m_x && newY == m_y) return;
  m_x = newX;
  m_y = newY;
  emit coordinateChanged(this);
  update();
}

void CSCoordinateView::mousePressEvent(QMouseEvent* event) {
  if (event->button() != Qt::LeftButton) {
    QWidget::mousePressEvent(event);
    return;
  }
  trackMouse(event->position());
}

void CSCoordinateView::mouseMoveEvent(QMouseEvent* event) {
  if (!(event->buttons() & Qt::LeftButton)) {
    QWidget::mouseMoveEvent(event);
    return;
  }
  trackMouse(event->position());
}

void CSCoordinateView::paintEvent(QPaintEvent* /*event*/) {
  QPainter painter(this);
  const QRectF pad = padRect();
  if (pad.width() <= 0 || pad.height() <= 0) return;
  const QColor frameColor = !isEnabled() ? GrayColor(3) : (g_darkMode ? GrayColor(6) : GrayColor(5));
  painter.fillRect(pad, g_darkMode ? GrayColor(5) : GrayColor(1));
  painter.setPen(QPen(frameColor, 1));
  painter.drawRect(pad.adjusted(0.5, 0.5, -0.5, -0.5));

  const double halfWidth = pad.width() / 2;
  const double halfHeight = pad.height() / 2;
  const double centerX = pad.left() + halfWidth;
  const double centerY = pad.top() + halfHeight;
  painter.setPen(QPen(g_darkMode ? GrayColor(6) : GrayColor(3), 1));
  painter.drawLine(QPointF(centerX, pad.top() + 1), QPointF(centerX, pad.bottom() - 1));
  painter.drawLine(QPointF(pad.left() + 1, centerY), QPointF(pad.right() - 1, centerY));

  if (!isEnabled()) return;
  const QPointF mark(centerX + halfWidth * m_x, centerY - halfHeight * m_y);
  painter.setRenderHint(QPainter::Antialiasing, true);
  painter.setPen(QPen(g_darkMode ? GrayColor(3) : GrayColor(7), 1));
  painter.drawLine(mark + QPointF(-kMarkHalfSize, -kMarkHalfSize), mark + QPointF(kMarkHalfSize, kMarkHalfSize));
  painter.drawLine(mark + QPointF(-kMarkHalfSize, kMarkHalfSize), mark + QPointF(kMarkHalfSize, -kMarkHalfSize));
}
