#include "ui/HarnessWindow.h"

#include <QCoreApplication>
#include <QPainter>

HarnessWindow::HarnessWindow(QSize size) {
  resize(size);
}

void HarnessWindow::placeWidget(QWidget* view, const QRect& geometry) {
  view->setParent(this);
  view->setGeometry(geometry);
  view->show();
  if (!isVisible()) show();
  QCoreApplication::processEvents();
}

QImage HarnessWindow::grabView(QWidget* view) {
  QImage image(view->size(), QImage::Format_ARGB32_Premultiplied);
  image.fill(Qt::transparent);
  view->render(&image, QPoint(), QRegion(), QWidget::DrawWindowBackground | QWidget::DrawChildren);
  return image;
}
