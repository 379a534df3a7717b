#pragma once
// A polygon whose path may be smooth: each vertex may carry a control pair,
// the "in" control point of the cubic segment that ends at it and the "out"
// control point of the one that leaves it, in the same space as the points.
// The smooth path is used only while `curves` is set and there is one pair
// per vertex; otherwise it draws like a scribble.

#include <vector>

#include "model/DRElementScribble.h"

struct DRControlPair {
  CSPoint in;
  CSPoint out;
  bool operator==(const DRControlPair&) const = default;
};

// The smoothing rule: both control points of the vertex p1 on the line
// through it parallel to the chord p0 -> p2, "in" a fifth of the way to p0
// on p0's side, "out" a fifth of the way to p2 on p2's side.
DRControlPair SetControlPair(CSPoint p0, CSPoint p1, CSPoint p2);
// The opposite control point o turned to the other side of the vertex v on
// the line through the moved control point m and v, keeping its length.
CSPoint SeesawPoint(CSPoint o, CSPoint v, CSPoint m);

class DRElementPolygon : public DRElementScribble {
  Q_GADGET
  Q_PROPERTY(bool curves READ curves WRITE setCurves)
  Q_PROPERTY(bool noBusyBody READ noBusyBody WRITE setNoBusyBody)

 public:
  DRElementPolygon();
  const QMetaObject* gadgetMetaObject() const override { return &staticMetaObject; }

  const std::vector<DRControlPair>& controlPairs() const { return m_controlPairs; }
  std::vector<DRControlPair>& controlPairs() { return m_controlPairs; }
  void setControlPairs(const std::vector<DRControlPair>& pairs) { m_controlPairs = pairs; }
  bool curves() const { return m_curves; }
  // Sets the flag and rebuilds every control pair by smoothing (edited
  // control points are lost); none without the flag.
  void setCurves(bool curves);
  bool noBusyBody() const { return m_noBusyBody; }
  void setNoBusyBody(bool noBusyBody) { m_noBusyBody = noBusyBody; }
  bool closedForSvgFill() const { return m_closedForSvgFill; }
  void setClosedForSvgFill(bool closed) { m_closedForSvgFill = closed; }
  bool seesaw() const { return m_seesaw; }
  int64_t reshapeControl() const { return m_reshapeControl; }

  // The pair count when the smooth path applies, else 0.
  uint64_t curvePointCount() const;
  // After a vertex was appended under construction.
  void addControlPoint();
  // Straight corners as control pairs (importers).
  void addControlPointsForAngles();
  // Appends a vertex joined straight to the last and, closing, to the first.
  void addAnglePointWithCurves(CSPoint point);
  // The smooth path's extent relative to the frame's origin (a square
  // holding it at any angle when rotated).
  CSRect rawCurvedBounds() const;
  // Widens min and max by the point scaled to the frame.
  void unionPoint(CSPoint point, CSPoint* minimum, CSPoint* maximum) const;

  void setUnderConstruction(bool underConstruction) override;
  void setClosed(bool closed) override;
  QPainterPath bezierForRect(const QRectF& rect, bool forceClosed) const override;
  // The smooth path flattened: 21 samples per segment, both ends included.
  std::vector<QPointF> copyPathPoints(const QRectF& rect) const override;
  CSRect bounds(bool forPrinting) const override;
  void drawSampleInRect(const QRectF& rect) override;
  bool flip(bool vertical) override;

  // ---- Reshaping ----
  void startReshapeDrag(const QPointF& point, uint64_t modifiers, DRElementHostingView* view) override;
  void continueReshapeDrag(const QPointF& point, DRElementHostingView* view) override;
  void finishReshapeDrag() override;
  int64_t addIndexForPoint(const QPointF& point) const override;
  void addPoint(CSPoint point, uint64_t index, DRElementHostingView* view) override;
  void deletePointatIndex(uint64_t index, DRElementHostingView* view) override;
  void movePoint(CSPoint point, uint64_t index, DRElementHostingView* view) override;
  void drawReshapePointsForRect(const QRectF& rect, DRElementHostingView* view) override;
  // Whether the stroked path (at the element's line width) passes within
  // two pixels of the point; NO when the test bitmap would be too large.
  bool isPoint(const QPointF& point, const QPainterPath& path) const;
  static void addTriangleAtPoint(const QPointF& centre, QPainterPath* path, double zoom);

 protected:
  explicit DRElementPolygon(int32_t elementType);
  std::unique_ptr<DRElement> newInstance() const override { return std::make_unique<DRElementPolygon>(); }
  void copyFrom(const DRElement& other) override;
  void resetForRecord() override;
  void handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) override;
  void addAdditionalNodes(CSXmlEncoder& encoder) const override;
  // Moves every control point of pairs [first, last] by the offset.
  void moveControlPairs(size_t first, size_t last, MeasureUnit dx, MeasureUnit dy);

 private:
  std::vector<DRControlPair> m_controlPairs;
  bool m_curves = false;
  bool m_noBusyBody = false;
  bool m_closedForSvgFill = false;
  bool m_seesaw = false;
  int64_t m_reshapeControl = -1;
};
