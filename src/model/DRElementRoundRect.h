#pragma once
// A rectangle with rounded corners of one radius.

#include "model/DRElementClosed.h"

class DRElementRoundRect : public DRElementClosed {
  Q_GADGET
  Q_PROPERTY(qlonglong cornerRadius READ cornerRadius WRITE setCornerRadius)

 public:
  // The tool settings' corner radius.
  DRElementRoundRect();
  const QMetaObject* gadgetMetaObject() const override { return &staticMetaObject; }

  // The radius of the corners in x and y, in measures.
  MeasureUnit cornerRadius() const { return m_cornerRadius; }
  void setCornerRadius(MeasureUnit radius) { m_cornerRadius = radius; }

  // A radius beyond half the shorter side rounds that side whole; one of 0
  // or less gives square corners.
  QPainterPath bezierForRect(const QRectF& rect, bool forceClosed) const override;

 protected:
  std::unique_ptr<DRElement> newInstance() const override { return std::make_unique<DRElementRoundRect>(); }
  void copyFrom(const DRElement& other) override;
  void handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) override;
  void addAdditionalNodes(CSXmlEncoder& encoder) const override;

 private:
  MeasureUnit m_cornerRadius = 0;
};
