#include "ui/inspector/CSDisclosureCell.h"

#include <QPainter>
#include <QPainterPath>
#include <QRectF>
#include <algorithm>

#include "support/Kolor.h"

void CSDisclosureCell::drawInteriorWithFrame(QPainter* painter, const QRectF& frame) const {
  if (!painter || frame.isEmpty()) return;
  const double r = std::min(frame.width(), frame.height()) / 2;
  constexpr double kSin60 = 0.8660254;
  QPainterPath triangle;
  triangle.moveTo(r, 0);
  triangle.lineTo(-r / 2, kSin60 * r);
  triangle.lineTo(-r / 2, -kSin60 * r);
  triangle.closeSubpath();
  painter->save();
  painter->setRenderHint(QPainter::Antialiasing, true);
  painter->translate(frame.center());
  // y grows downwards, so a positive turn is clockwise: right to down.
  painter->rotate(m_value * 90);
  painter->setBrush(GrayColor(4));
  painter->setPen(QPen(QColor(0x55, 0x55, 0x55), 1));
  painter->drawPath(triangle);
  painter->restore();
}
