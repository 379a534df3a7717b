#pragma once
// An ellipse: the oval inscribed in the frame.

#include "model/DRElementClosed.h"

class DRElementEllipse : public DRElementClosed {
  Q_GADGET

 public:
  DRElementEllipse();
  const QMetaObject* gadgetMetaObject() const override { return &staticMetaObject; }

  QPainterPath bezierForRect(const QRectF& rect, bool forceClosed) const override;

 protected:
  std::unique_ptr<DRElement> newInstance() const override { return std::make_unique<DRElementEllipse>(); }
};
