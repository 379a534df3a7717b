#pragma once
// A regular polygon inscribed in the square centred in its frame; always
// constrained. It draws at most kMaxRegularPolyVertices vertices, and a
// larger count is brought down to that the first time it is drawn.

#include "model/DRElementClosed.h"

class DRElementRegularPoly : public DRElementClosed {
  Q_GADGET
  Q_PROPERTY(qulonglong vertexCount READ vertexCount WRITE setVertexCount)

 public:
  // The tool settings' vertex count; constrained.
  DRElementRegularPoly();
  const QMetaObject* gadgetMetaObject() const override { return &staticMetaObject; }

  uint64_t vertexCount() const { return m_vertexCount; }
  void setVertexCount(uint64_t count) { m_vertexCount = count; }

  bool isConstrained() const override { return true; }
  void setConstrained(bool constrained) override { (void)constrained; }

  void drawInRect(const QRectF& rect, DRElementHostingView* view) override;
  // The closed polygon through the vertices; a count below 3 has no area
  // and gives an empty outline (nothing is drawn).
  QPainterPath bezierForRect(const QRectF& rect, bool forceClosed) const override;

 protected:
  std::unique_ptr<DRElement> newInstance() const override { return std::make_unique<DRElementRegularPoly>(); }
  void copyFrom(const DRElement& other) override;
  void handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) override;
  void addAdditionalNodes(CSXmlEncoder& encoder) const override;

 private:
  uint64_t m_vertexCount = 0;
};
