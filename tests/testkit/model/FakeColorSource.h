#pragma once
// A colour source that answers one given Kolor wherever it is asked, and
// remembers where it was asked last.

#include "model/DRColorSource.h"

class FakeColorSource : public DRColorSource {
 public:
  explicit FakeColorSource(Kolor kolor) : m_kolor(kolor) {}
  Kolor kolorAtPoint(const QPointF& point) const override {
    m_lastPoint = point;
    return m_kolor;
  }
  QPointF lastPoint() const { return m_lastPoint; }

 private:
  Kolor m_kolor;
  mutable QPointF m_lastPoint;
};
