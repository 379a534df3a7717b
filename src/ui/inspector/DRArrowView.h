#pragma once
// The arrow editor: a sample line ten times the size of a 1-point line with
// the arrow's heads on it, whose control points the user drags to shape the
// head. The end head is edited when the arrow has one, else the start head
// (mirrored). Offsets snap to half points and stay within +/-10 points.
// Each change is announced by arrowChanged(); the owner redisplays.

#include <QPointF>
#include <QWidget>
#include <cstdint>

#include "model/DRArrow.h"
#include "support/Measure.h"

// The largest control offset either way: 10 points.
constexpr MeasureUnit g_arrowControlLimit = 127000;
// How far the arrow preview's sample line stays from its sides.
constexpr double g_arrowExampleInset = 32;
// Offsets are whole hundredths of a point.
constexpr MeasureUnit g_arrowOffsetPrecision = 127;

class DRArrowView : public QWidget {
  Q_OBJECT

 public:
  // View points per point of offset; the sample line is this wide.
  static constexpr double kScale = 10;
  // The room kept at each end of the sample line: twice the largest
  // offset at the editor's scale, plus the preview's inset.
  static constexpr double kMargin = 2 * (double(g_arrowControlLimit) / kMeasurePerPoint * kScale) + g_arrowExampleInset;
  // The side of a control point's hit box.
  static constexpr double kHitBox = 9;

  explicit DRArrowView(QWidget* parent = nullptr);

  const DRArrow& arrow() const { return m_arrow; }
  // Takes a copy, except while a point is dragged: then the arrow under the
  // mouse stays. Does not redisplay.
  void setArrow(const DRArrow& arrow);

  // The point being dragged, or -1.
  int64_t dragPointIndex() const { return m_dragPointIndex; }

  // The ends of the sample line for the view's bounds.
  QPointF startPoint() const;
  QPointF endPoint() const;
  // The arrow's control points on the sample line; answers their number.
  int controlPoints(DRArrow::Controls points) const;

  // The offset a distance a - b + c (view points) stands for, in measure
  // units: a multiple of 0.01 point, snapped to the half point within 0.1
  // point, and with `clamp` kept within g_arrowControlLimit.
  static MeasureUnit measureDifference(bool clamp, double a, double b, double c);

  QSize sizeHint() const override { return QSize(int(2 * kMargin) + 160, 200); }

 signals:
  void arrowChanged();

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;

 private:
  void dragTo(const QPointF& mouse);

  DRArrow m_arrow;
  int64_t m_dragPointIndex = -1;
  QPointF m_dragOffset;
};
