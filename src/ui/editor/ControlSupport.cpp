#include "ui/editor/ControlSupport.h"

#include "support/Fonts.h"

#include <QAbstractScrollArea>
#include <QLineEdit>
#include <QPalette>
#include <QScrollBar>

void SetScrollingOrigin(QAbstractScrollArea* scrollView, const QPoint& origin) {
  if (!scrollView) return;
  QScrollBar* horizontal = scrollView->horizontalScrollBar();
  QScrollBar* vertical = scrollView->verticalScrollBar();
  if (horizontal->value() == origin.x() && vertical->value() == origin.y()) return;
  horizontal->setValue(origin.x());
  vertical->setValue(origin.y());
}

void DeflectSliderDelay(QWidget* view) {
  if (view) view->repaint();
}

void SetupPositionTextCell(QLineEdit* field) {
  if (!field) return;
  field->setFont(SystemFont(SmallSystemFontSize()));
  field->setFrame(true);
  field->setReadOnly(false);
  field->setDragEnabled(false);
  QPalette palette = field->palette();
  palette.setColor(QPalette::Base, Qt::white);
  palette.setColor(QPalette::Text, Qt::black);
  field->setPalette(palette);
  field->setAutoFillBackground(true);
}
