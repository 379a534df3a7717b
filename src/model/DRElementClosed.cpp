#include "model/DRElementClosed.h"

#include <QPainter>
#include <algorithm>

#include "model/DRKeyTable.h"
#include "model/DRSettings.h"
#include "model/DRShadowContext.h"
#include "model/GraphicHelpers.h"
#include "model/ModelSupport.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/GraphicsContext.h"
#include "support/GraphicsHelpers.h"

DRElementClosed::DRElementClosed(int32_t elementType) : DRElement(elementType) {
  takeSettingsLineInfo();
  m_fillKolor = DRSettings::sharedInstance().fillKolor();
}

void DRElementClosed::setFillColor(Kolor kolor) {
  m_fillKolor = kolor;
  RegisterKolor(kolor, true);
}

QVariant DRElementClosed::gradientValue() const {
  return m_gradient ? QVariant::fromValue(*m_gradient) : QVariant();
}

void DRElementClosed::setGradientValue(const QVariant& value) {
  if (value.metaType() == QMetaType::fromType<DRGradient>())
    m_gradient = value.value<DRGradient>();
  else if (!value.isValid() || value.isNull())
    m_gradient.reset();
}

bool DRElementClosed::canDrawFilled() const {
  return m_gradient.has_value() || IsValidKolor(m_fillKolor);
}

void DRElementClosed::copyFrom(const DRElement& other) {
  DRElement::copyFrom(other);
  const auto& closed = static_cast<const DRElementClosed&>(other);
  setFillColor(closed.m_fillKolor);
  setGradient(closed.m_gradient);
  setMarkCenter(closed.m_markCenter);
}

void DRElementClosed::makeVanilla() {
  DRElement::makeVanilla();
  m_fillKolor = g_nilKolor;
  m_gradient.reset();
}

// ---- The record -------------------------------------------------------------------------------

void DRElementClosed::resetForRecord() {
  DRElement::resetForRecord();
  // A record carries every fill it has: no "color" means no fill.
  m_fillKolor = g_nilKolor;
}

void DRElementClosed::handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) {
  const bool hasChildren = decoder.startTag() && !decoder.endTag();
  switch (decoder.key()) {
    case kXmlColor:
      if (hasChildren)
        decoder.skipTag();
      else
        m_fillKolor = KolorFromString(decoder.value());
      return;
    case kXmlGradient:
      if (std::optional<DRGradient> gradient = DRGradient::initWithXml(decoder)) m_gradient = std::move(gradient);
      return;
    case kXmlMarkC:
      if (hasChildren)
        decoder.skipTag();
      else
        m_markCenter = decoder.longValue() != 0;
      return;
    default:
      DRElement::handleXmlNode(decoder, drawing);
      return;
  }
}

void DRElementClosed::addClosedNodes(CSXmlEncoder& encoder) const {
  if (IsValidKolor(m_fillKolor)) encoder.addTag(QStringLiteral("color"), NewKolorString(m_fillKolor));
  if (m_gradient) m_gradient->archiveToXml(encoder);
  if (m_markCenter) encoder.addTagWithNumber(QStringLiteral("markC"), 1);
}

// ---- Drawing ----------------------------------------------------------------------------------

void DRElementClosed::drawInRect(const QRectF& rect, DRElementHostingView* view) {
  const double lineWidth = effectiveLineWidth();
  const bool drawLine = shouldDrawLine();
  QRectF r = rect;
  setupDrawing(&r);
  QColor markColor = Qt::black;

  if (canDrawFilled()) {
    // A thick line would leave a rounded rectangle's fill showing outside
    // its corners.
    QRectF fillRect = r;
    if (elementType() == kElementRoundRect && drawLine) {
      fillRect.adjust(lineWidth / 2, lineWidth / 2, -lineWidth / 2, -lineWidth / 2);
    }
    const QPainterPath path = bezierForRect(fillRect, true);
    if (isHitTesting()) {
      FillPathInContext(path, Qt::black);
    } else if (m_gradient) {
      const bool shadowed = shadow().has_value();
      if (elementType() == kElementArc) {
        m_gradient->drawInBezier(path, shadowed, r.center(), std::max(r.width() / 2, r.height() / 2));
      } else {
        m_gradient->drawInBezier(path, shadowed);
      }
    } else {
      markColor = ColorFromKolor(m_fillKolor);
      FillPathInContext(path, markColor);
    }
  }

  if (drawLine) {
    // The line lies inside the frame.
    const QPainterPath path =
        bezierForRect(r.adjusted(lineWidth / 2, lineWidth / 2, -lineWidth / 2, -lineWidth / 2), true);
    const QPen pen = setupLineDrawing(view);
    StrokePathInContext(path, pen);
    markColor = pen.color();
  }

  if (m_markCenter) {
    if (QPainter* painter = CurrentQuartzContext()) {
      painter->setPen(QPen(isHitTesting() ? QColor(Qt::black) : markColor, 1.0));
      DrawCenterMark(r);
    }
  }
  finishDrawing(r, view);
}

void DRElementClosed::drawSampleInRect(const QRectF& rect) {
  const double lineWidth = double(lineStyle().width()) / double(kMeasurePerPoint);
  const QRectF inset = rect.adjusted(lineWidth, lineWidth, -lineWidth, -lineWidth);
  QRectF shape(QPointF(0, 0), ConvertMeasureRect(CSRect{0, 0, originalSize().x, originalSize().y}).size());
  CenterRectangle(&shape, inset);
  drawInRect(shape, nullptr);
}
