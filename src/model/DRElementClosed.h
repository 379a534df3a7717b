#pragma once
// The base of every element that encloses an area and can be filled: the
// basic shapes, the multipath and the scribble family. It adds a fill
// colour, an optional gradient fill and an optional centre mark, and draws
// every closed shape alike: fill, line (inside the frame), centre mark. A
// kind differs by its outline, bezierForRect().

#include <QVariant>
#include <optional>

#include "model/DRElement.h"
#include "model/DRGradient.h"

class DRElementClosed : public DRElement {
  Q_GADGET
  Q_PROPERTY(Kolor fillKolor READ fillKolor WRITE setFillKolor)
  Q_PROPERTY(QVariant gradient READ gradientValue WRITE setGradientValue)
  Q_PROPERTY(bool markCenter READ markCenter WRITE setMarkCenter)

 public:
  const QMetaObject* gadgetMetaObject() const override { return &staticMetaObject; }

  // The fill colour; no colour (g_nilKolor) means no plain fill.
  bool answersFillKolor() const override { return true; }
  Kolor fillKolor() const override { return m_fillKolor; }
  void setFillKolor(Kolor kolor) { m_fillKolor = kolor; }
  // Sets the fill and registers it as a recently used fill colour.
  virtual void setFillColor(Kolor kolor);

  // When set, drawn instead of the fill colour.
  const std::optional<DRGradient>& gradient() const { return m_gradient; }
  void setGradient(const std::optional<DRGradient>& gradient) { m_gradient = gradient; }
  const DRGradient* gradientStyle() const override { return m_gradient ? &*m_gradient : nullptr; }
  QVariant gradientValue() const;
  void setGradientValue(const QVariant& value);

  bool markCenter() const { return m_markCenter; }
  void setMarkCenter(bool mark) { m_markCenter = mark; }

  bool canDrawLines() const override { return true; }
  bool canDrawClosed() const override { return true; }
  bool canDrawFilled() const override;
  bool canHitTestBezier() const override { return canDrawFilled(); }
  bool isClosed() const override { return true; }

  void makeVanilla() override;
  void drawInRect(const QRectF& rect, DRElementHostingView* view) override;
  // The shape at its original size, fitted into the rectangle less the line
  // width and centred, drawn with no view (the inspector's previews).
  virtual void drawSampleInRect(const QRectF& rect);

 protected:
  // Takes the tool settings' line style and fill colour.
  explicit DRElementClosed(int32_t elementType);

  void copyFrom(const DRElement& other) override;
  void resetForRecord() override;
  void handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) override;
  void addAdditionalNodes(CSXmlEncoder& encoder) const override { addClosedNodes(encoder); }
  // "color", "gradient" and "markC", for classes that write them after
  // keys of their own.
  void addClosedNodes(CSXmlEncoder& encoder) const;

 private:
  Kolor m_fillKolor = g_nilKolor;
  std::optional<DRGradient> m_gradient;
  bool m_markCenter = false;
};
