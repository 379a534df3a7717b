#pragma once
// Closed shapes merged into one compound outline with one fill, gradient
// and line style, taken from the first member. Later members are reversed
// under the nonzero rule, so where they overlap earlier ones they cut
// holes. Members' frames live in the space of originalSize, relative to the
// multipath's origin; the whole scales with the frame.

#include "model/DRElementClosed.h"
#include "model/DRElementGroup.h"

class DRElementMultipath : public DRElementClosed {
  Q_GADGET

 public:
  DRElementMultipath();
  // Merges closed elements whose frames are on the page; the members are
  // made plain.
  explicit DRElementMultipath(DRElementList elements);
  const QMetaObject* gadgetMetaObject() const override { return &staticMetaObject; }

  const DRElementList& subelements() const { return m_subelements; }
  void setSubelements(DRElementList elements) { m_subelements = std::move(elements); }

  // Mirrors every member inside originalSize.
  bool flip(bool vertical) override;
  CSRect bounds(bool forPrinting) const override;
  // Stores the flag only.
  void setConstrained(bool constrained) override { setConstrainedNoResize(constrained); }
  // The members' outlines scaled from originalSize to the rectangle; a zero
  // side of originalSize scales by 1.
  QPainterPath bezierForRect(const QRectF& rect, bool forceClosed) const override;

 protected:
  std::unique_ptr<DRElement> newInstance() const override { return std::make_unique<DRElementMultipath>(); }
  void copyFrom(const DRElement& other) override;
  void handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) override;
  void addAdditionalNodes(CSXmlEncoder& encoder) const override;

 private:
  DRElementList m_subelements;
};
