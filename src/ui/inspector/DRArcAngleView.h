#pragma once
// The round control of the arc pane: a pie of the arc between its start and
// end angles inside a coloured ring, with a triangular knob on the ring for
// each angle. Dragging a knob changes that angle in whole degrees, snapping
// to multiples of 45 degrees within 5. The pie is drawn by a real arc
// element, for which the view is the host.
//
// Angles are degrees x 12,700, measured from the top of the circle and
// growing clockwise. The owner sets them with setStartAngle/setEndAngle
// (which do not repaint: the owner calls update()) and hears every change a
// drag makes through anglesChanged, after which both angles hold the new
// state.

#include <QPainterPath>
#include <QRectF>
#include <QWidget>
#include <cstdint>
#include <memory>

#include "model/DRElementHostingView.h"

class DRElementArc;

class DRArcAngleView : public QWidget, public DRElementHostingView {
  Q_OBJECT

 public:
  // Which knob a drag moves.
  enum DragKnob : uint8_t { kDragEnd = 0, kDragStart = 1, kDragNone = 23 };
  static constexpr int64_t kAngleScale = 12700;
  // The ring's thickness: the pie's circle is the bounds inset by this.
  static constexpr double kRingInset = 16;

  explicit DRArcAngleView(QWidget* parent = nullptr);
  ~DRArcAngleView() override;

  int64_t startAngle() const { return m_startAngle; }
  void setStartAngle(int64_t angle) { m_startAngle = angle; }
  int64_t endAngle() const { return m_endAngle; }
  void setEndAngle(int64_t angle) { m_endAngle = angle; }
  DragKnob draggingKnob() const { return m_draggingStart; }

  // Takes the current accent colour for the pie, drops the shared ring
  // gradient and repaints.
  void colorModeChanged();

  // Rebuilds the path as the knob at the angle: a triangle with its apex on
  // the inner circle and its base, as wide as the ring, towards the outer edge.
  static void setKnobBezier(QPainterPath* path, int64_t angle, const QRectF& inner, const QRectF& outer);
  // The pie's rectangle for the view's current bounds.
  QRectF innerRect() const;

  // ---- DRElementHostingView ----
  void invalidateElement(DRElement* element) override;
  bool isElementSelected(const DRElement* element) const override;
  bool showCasings() const override;
  bool noHairlines() const override;

 signals:
  // A knob drag changed an angle (sent once per change, never for a drag
  // step that leaves the angle as it was).
  void anglesChanged(DRArcAngleView* view);

 protected:
  void paintEvent(QPaintEvent* event) override;
  void mousePressEvent(QMouseEvent* event) override;
  void mouseMoveEvent(QMouseEvent* event) override;
  void mouseReleaseEvent(QMouseEvent* event) override;
  void changeEvent(QEvent* event) override;

 private:
  // Whole degrees from the top, clockwise, of the point seen from the centre.
  int directionOf(const QPointF& point) const;

  std::unique_ptr<DRElementArc> m_sampleArc;
  int64_t m_startAngle = 0;
  int64_t m_endAngle = 90 * kAngleScale;
  double m_dragAngleOffset = 0;
  DragKnob m_draggingStart = kDragNone;
};
