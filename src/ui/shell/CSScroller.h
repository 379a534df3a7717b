#pragma once
// A scroll bar drawn by hand in the dark appearance (a dark slot and a
// rounded knob that lightens while the mouse is over the scroll bar); in
// the light appearance it is the platform's scroll bar, untouched.

#include <QRectF>
#include <QScrollBar>

#include "support/ChromeDrawing.h"

class QPainter;

class CSScroller : public QScrollBar {
 public:
  explicit CSScroller(Qt::Orientation orientation = Qt::Vertical, QWidget* parent = nullptr);

  bool horizontal() const { return orientation() == Qt::Horizontal; }
  void setHorizontal(bool horizontal) { setOrientation(horizontal ? Qt::Horizontal : Qt::Vertical); }
  bool highlighted() const { return m_highlighted; }

  // The dark groove's colours, made once; they also fill the corner between
  // two scroll bars, so making them registers them for that drawing.
  static void setupDarkGroove();
  static CSScrollerGrooveColors grooveColors();

  // The knob's share of the slot; 0 when there is nothing to scroll.
  double knobProportion() const;
  // Where the platform places the knob.
  QRectF knobRect() const;
  void drawKnobSlotInRect(QPainter* painter, const QRectF& slot, bool highlight);
  void drawKnob(QPainter* painter);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void enterEvent(QEnterEvent* event) override;
  void leaveEvent(QEvent* event) override;

 private:
  bool m_highlighted = false;
};
