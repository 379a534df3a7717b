#pragma once
// A pie wedge: from the centre of the frame, the circular arc of half the
// frame's shorter side from the start angle to the end angle, angle 0 at
// 12 o'clock and growing clockwise on the canvas.

#include "model/DRElementClosed.h"

class DRElementArc : public DRElementClosed {
  Q_GADGET
  Q_PROPERTY(qlonglong startAngle READ startAngle WRITE setStartAngle)
  Q_PROPERTY(qlonglong endAngle READ endAngle WRITE setEndAngle)

 public:
  // From 0 to 90 degrees; constrained.
  DRElementArc();
  const QMetaObject* gadgetMetaObject() const override { return &staticMetaObject; }

  // Degrees x 12,700.
  int64_t startAngle() const { return m_startAngle; }
  void setStartAngle(int64_t angle) { m_startAngle = angle; }
  int64_t endAngle() const { return m_endAngle; }
  void setEndAngle(int64_t angle) { m_endAngle = angle; }

  // The flag keeps the value it has.
  void setConstrained(bool constrained) override { (void)constrained; }

  // The arc runs clockwise from the start to the end, less than a full
  // turn past it; equal angles give no arc.
  QPainterPath bezierForRect(const QRectF& rect, bool forceClosed) const override;

 protected:
  std::unique_ptr<DRElement> newInstance() const override { return std::make_unique<DRElementArc>(); }
  void copyFrom(const DRElement& other) override;
  void handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) override;
  void addAdditionalNodes(CSXmlEncoder& encoder) const override;

 private:
  int64_t m_startAngle = 0;
  int64_t m_endAngle = 1143000;
};
