#pragma once
// Draws the disclosure triangle of a property view's headers. Its value is
// how far the triangle has turned: 0 points right, 1 points down, and the
// values between show it turning while a level opens or closes.

#include <QSizeF>

class QPainter;
class QRectF;

class CSDisclosureCell {
 public:
  static QSizeF bestSize() { return QSizeF(10, 10); }

  double value() const { return m_value; }
  void setValue(double value) { m_value = value; }

  // The triangle centred in the frame, its radius half the frame's smaller
  // side.
  void drawInteriorWithFrame(QPainter* painter, const QRectF& frame) const;

 private:
  double m_value = 0;
};
