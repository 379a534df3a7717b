#pragma once
// A straight line between two points, with optional arrowheads. Its frame is
// the rectangle the two points span; the points are relative to the frame's
// origin (absolute page coordinates while the line is under construction),
// so moving the frame moves the line. A line is never rotated and shows two
// grab dots beyond its ends instead of a casing.

#include <QVariant>
#include <optional>

#include "model/DRArrow.h"
#include "model/DRElement.h"

class DRElementLine : public DRElement {
  Q_GADGET
  Q_PROPERTY(CSPoint startPoint READ startPoint WRITE setStartPoint)
  Q_PROPERTY(CSPoint endPoint READ endPoint WRITE setEndPoint)
  Q_PROPERTY(QVariant arrow READ arrowValue WRITE setArrowValue)

 public:
  // With the tool settings' line style and arrow.
  DRElementLine();
  const QMetaObject* gadgetMetaObject() const override { return &staticMetaObject; }

  CSPoint startPoint() const { return m_startPoint; }
  void setStartPoint(CSPoint point) { m_startPoint = point; }
  CSPoint endPoint() const { return m_endPoint; }
  void setEndPoint(CSPoint point) { m_endPoint = point; }

  const std::optional<DRArrow>& arrow() const { return m_arrow; }
  void setArrow(const std::optional<DRArrow>& arrow) { m_arrow = arrow; }
  QVariant arrowValue() const;
  void setArrowValue(const QVariant& value);

  bool canDrawLines() const override { return true; }
  // A line's direction is its points: the rotation stays 0.
  void setRotation(int64_t rotation) override { (void)rotation; }
  // Entering construction makes the points absolute, leaving it relative.
  void setUnderConstruction(bool underConstruction) override;
  // When set, the end point snaps to the nearest 45-degree direction from
  // the start point.
  void setConstrained(bool constrained) override;

  void drawInRect(const QRectF& rect, DRElementHostingView* view) override;
  CSRect bounds(bool forPrinting) const override;
  // The position pane's edit: x and y move the line, width and height move
  // one end (keeping the slope of a slanted line).
  bool setValue(MeasureUnit value, int32_t rectCoord, bool* updateState) override;
  // The two 9-point dots just beyond the start and the end.
  int getGrabDotRects(std::span<QRectF, 8> rects, const QRectF& frame) const override;

 protected:
  std::unique_ptr<DRElement> newInstance() const override { return std::make_unique<DRElementLine>(); }
  void copyFrom(const DRElement& other) override;
  void resetForRecord() override;
  void handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) override;
  void addAdditionalNodes(CSXmlEncoder& encoder) const override;

 private:
  // The two ends in points, moved by the origin unless under construction.
  void endsInPoints(const QPointF& origin, QPointF* start, QPointF* end) const;

  CSPoint m_startPoint;
  CSPoint m_endPoint;
  std::optional<DRArrow> m_arrow;
};
