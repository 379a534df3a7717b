#pragma once
// A rectangle: the closed shape whose outline is its frame.

#include "model/DRElementClosed.h"

class DRElementRectangle : public DRElementClosed {
  Q_GADGET

 public:
  DRElementRectangle();
  const QMetaObject* gadgetMetaObject() const override { return &staticMetaObject; }

  QPainterPath bezierForRect(const QRectF& rect, bool forceClosed) const override;

 protected:
  std::unique_ptr<DRElement> newInstance() const override { return std::make_unique<DRElementRectangle>(); }
};
