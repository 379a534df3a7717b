#pragma once
// A small square pad that picks a point from -1 to 1 on each axis, y growing
// upwards (+1 at the top), with a dead zone about the centre lines. It shows
// a cross-hair and marks the point with a small "x". A click or drag that
// changes a value sends coordinateChanged after the change.

#include <QRect>
#include <QSize>
#include <QWidget>
#include <cstdint>

class CSCoordinateView : public QWidget {
  Q_OBJECT

 public:
  // The pad is the bounds inset by this on every side.
  static constexpr double kFieldInset = 3;
  static double fieldInset() { return kFieldInset; }

  explicit CSCoordinateView(QWidget* parent = nullptr);
  CSCoordinateView(const QRect& frame, QWidget* parent = nullptr);

  // Places the view; an even width or height is made one point smaller, so
  // the pad has an odd size and its centre lines fall on whole pixels. The
  // size is then fixed, for layouts not to undo it.
  void setFrame(const QRect& frame);
  static QSize oddSize(QSize size);

  double x() const { return m_x; }
  double y() const { return m_y; }
  // Stored in single precision and clamped to -1 ... 1; sends nothing.
  void setX(double value);
  void setY(double value);
  // The widget's own enabled state: a disabled pad draws no mark and does
  // not follow the mouse, so it cannot change a value it does not show.
  int64_t tag() const { return m_tag; }
  void setTag(int64_t tag) { m_tag = tag; }

  // The value of a pointer `offset` points from the centre line along an
  // axis whose half-size is `half`: 0 within 3 points or 5 % of the half-size
  // of the line, else the offset's share of the half-size, at most 1.
  static double valueForOffset(double offset, double half);

 signals:
  void coordinateChanged(CSCoordinateView* view);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;

 private:
  // The pad in the widget's own (y-down) coordinates.
  QRectF padRect() const;
  void trackMouse(QPointF point);

  double m_x = 0;
  double m_y = 0;
  int64_t m_tag = 0;
};
