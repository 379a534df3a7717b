#include "ui/shell/CSContainerView.h"

#include <QPaintEvent>
#include <QPainter>

#include "support/CSKernel.h"

CSContainerView::CSContainerView(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent, true);
}

void CSContainerView::setBackgroundColor(const QColor& color) {
  m_backgroundColor = color;
  update();
}

QColor CSContainerView::effectiveBackgroundColor() const {
  if (!m_backgroundColor.isValid() || m_backgroundColor.alpha() == 0) {
    // The kernel sets the panel colour when it starts; before that, the
    // palette's window colour.
    return g_formatPanelBackground.isValid() ? g_formatPanelBackground : palette().color(QPalette::Window);
  }
  return m_backgroundColor;
}

void CSContainerView::paintEvent(QPaintEvent* event) {
  QPainter painter(this);
  painter.fillRect(event->rect(), effectiveBackgroundColor());
}
