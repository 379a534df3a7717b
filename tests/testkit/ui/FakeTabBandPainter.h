#pragma once
// Paints a flat band of a known colour over the rectangle it is given and
// counts the calls; registered while the fake lives.

#include <QColor>
#include <QPainter>

#include "ui/editor/DRTabBandPainter.h"

class FakeTabBandPainter : public DRTabBandPainter {
 public:
  explicit FakeTabBandPainter(QColor bandColor = QColor(0xFF, 0x00, 0xFF)) : color(bandColor) {
    SetTabBandPainter(this);
  }
  ~FakeTabBandPainter() override { SetTabBandPainter(nullptr); }
  FakeTabBandPainter(const FakeTabBandPainter&) = delete;
  FakeTabBandPainter& operator=(const FakeTabBandPainter&) = delete;

  QColor color;
  // The band covers this many points at the bottom of the rectangle.
  double bandHeight = 2;
  int calls = 0;
  QRectF lastRect;

  void drawBandsInRect(QPainter* painter, const QRectF& rect, const QPainterPath*) override {
    ++calls;
    lastRect = rect;
    if (painter) painter->fillRect(QRectF(rect.left(), rect.bottom() - bandHeight, rect.width(), bandHeight), color);
  }
};
