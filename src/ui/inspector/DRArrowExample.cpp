#include "ui/inspector/DRArrowExample.h"

#include <QPainter>

#include "support/CSCore.h"
#include "support/GraphicsContext.h"
#include "ui/inspector/DRArrowView.h"

DRArrowExample::DRArrowExample(QWidget* parent) : QWidget(parent) {
  setAttribute(Qt::WA_OpaquePaintEvent);
}

void DRArrowExample::paintEvent(QPaintEvent* event) {
  (void)event;
  QPainter painter(this);
  const QRectF bounds(rect());
  painter.fillRect(bounds, Qt::white);
  painter.setPen(QPen(GrayColor(g_darkMode ? 5 : 3), 1.0));
  painter.drawRect(bounds.adjusted(0.5, 0.5, -0.5, -0.5));
  if (!m_arrow) return;
  painter.setRenderHint(QPainter::Antialiasing);
  GraphicsContextScope scope(&painter);
  m_arrow->drawSampleInRect(bounds, g_arrowExampleInset, g_blackKolor);
}
