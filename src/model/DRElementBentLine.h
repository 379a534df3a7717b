#pragma once
// A line with one bend and optional arrowheads: exactly three vertices
// (start, bend, end) joined straight or, with `curves`, by a smooth curve
// through the bend. It reshapes like a polygon but never gains or loses a
// vertex, and is never filled or closed.

#include <QVariant>
#include <optional>

#include "model/DRArrow.h"
#include "model/DRElementPolygon.h"

class DRElementBentLine : public DRElementPolygon {
  Q_GADGET
  Q_PROPERTY(QVariant arrow READ arrowValue WRITE setArrowValue)

 public:
  // The tool settings' arrow.
  DRElementBentLine();
  const QMetaObject* gadgetMetaObject() const override { return &staticMetaObject; }

  const std::optional<DRArrow>& arrow() const { return m_arrow; }
  void setArrow(const std::optional<DRArrow>& arrow) { m_arrow = arrow; }
  const DRArrow* arrowStyle() const override { return m_arrow ? &*m_arrow : nullptr; }
  QVariant arrowValue() const;
  void setArrowValue(const QVariant& value);

  // Lays out start, bend and end for a drag from the anchor across the
  // rectangle; answers the rectangle spanned by start and end.
  CSRect setNewPointsForRect(const CSRect& rect, CSPoint anchor);
  // The path in the rectangle shortened for the arrowheads; the ends and
  // their neighbouring points (view points) for each head go to start/end.
  QPainterPath bezierForRect(const QRectF& rect, QPointF* startArrowPoints, QPointF* endArrowPoints) const;

  bool isConstrained() const override { return false; }
  void setConstrained(bool constrained) override { (void)constrained; }
  bool canDrawFilled() const override { return false; }
  bool canDrawClosed() const override { return false; }
  bool shouldDrawText() const override { return false; }
  bool canHitTestBezier() const override { return false; }
  void drawSampleInRect(const QRectF& rect) override { (void)rect; }
  void setClosed(bool closed) override { (void)closed; }
  bool alwaysRedraw() const override { return curves() && isUnderConstruction(); }
  int64_t addIndexForPoint(const QPointF& point) const override {
    (void)point;
    return -1;
  }
  void addPoint(CSPoint point, uint64_t index, DRElementHostingView* view) override;
  void deletePointatIndex(uint64_t index, DRElementHostingView* view) override;

  void drawInRect(const QRectF& rect, DRElementHostingView* view) override;
  CSRect bounds(bool forPrinting) const override;
  using DRElementPolygon::bezierForRect;

 protected:
  std::unique_ptr<DRElement> newInstance() const override { return std::make_unique<DRElementBentLine>(); }
  void copyFrom(const DRElement& other) override;
  void resetForRecord() override;
  void handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) override;
  void addAdditionalNodes(CSXmlEncoder& encoder) const override;

 private:
  std::optional<DRArrow> m_arrow;
};
