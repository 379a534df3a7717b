#include "model/DRElementText.h"

#include <QPainterPath>
#include <algorithm>
#include <cmath>

#include "model/DRElementHostingView.h"
#include "model/DRKeyTable.h"
#include "model/DRModelServices.h"
#include "model/DRSettings.h"
#include "model/DRShadowContext.h"
#include "model/ModelSupport.h"
#include "model/TextLayout.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"

DRElementText::DRElementText() : DRElement(kElementText) {
  m_textInfo = DRSettings::sharedInstance().textInfo();
  RegisterKolor(m_textInfo.backKolor(), true);
  RegisterKolor(m_textInfo.textKolor(), false);
  setConstrainedNoResize(false);
  // The hook stays with m_textInfo when another style is assigned to it.
  m_textInfo.setFontChangedHook([this] { setHeight(); });
}

DRElementText::~DRElementText() {
  m_textInfo.setFontChangedHook(nullptr);
}

void DRElementText::copyFrom(const DRElement& other) {
  DRElement::copyFrom(other);
  const auto& text = static_cast<const DRElementText&>(other);
  setTextInfo(text.m_textInfo);
  setText(text.m_text);
  setFrame(text.frame());
  m_ignoreText = text.m_ignoreText;
}

void DRElementText::setText(const QString& text) {
  m_text = text;
  setHeight();
}

void DRElementText::setTextInfo(const DRTextInfo& textInfo) {
  m_textInfo = textInfo;
  setHeight();
}

void DRElementText::setHeight() {
  if (m_text.isNull()) return;
  CSRect f = frame();
  const double width = double(f.width) / double(kMeasurePerPoint);
  const QSizeF size = TextBoxSize(m_textInfo.expressWithText(m_text, false), width);
  // No test of the text's width: lines break at the frame's width, and a
  // word wider than that overflows its line, which the height counts all
  // the same; the frame keeps its width either way.
  if (size.height() > 0) {
    f.height = MeasureFromDouble(size.height() * double(kMeasurePerPoint));
    DRElement::setFrame(f);
  }
  if (DRElementHostingView* canvas = ModelServices().mainCanvas()) {
    if (canvas->isElementSelected(this)) canvas->updatePropertiesDelay(true);
  }
}

void DRElementText::setFrame(const CSRect& frame) {
  const CSRect current = this->frame();
  CSRect f{frame.x, frame.y, current.width, current.height};
  if (frame.width == current.width) {
    DRElement::setFrame(f);
    return;
  }
  f.width = std::max(frame.width, kMinTextWidth);
  f.height = frame.height;
  DRElement::setFrame(f);
  if (!m_text.isNull()) setHeight();
}

void DRElementText::setKnownFrame(const CSRect& frame) {
  DRElement::setFrame(frame);
  ModelServices().postPositionChange();
}

bool DRElementText::isGrabDotActive(int32_t dot) const {
  return rotation() == 0 && (dot == 3 || dot == 7);
}

void DRElementText::drawInRect(const QRectF& rect, DRElementHostingView* view) {
  const CSAttributedString styled = m_textInfo.expressWithText(m_text, isHitTesting());
  const Kolor background = m_textInfo.backKolor();
  const bool outline = isUnderConstruction() || isResizing();
  QRectF r = rect;
  setupDrawing(&r);
  if (IsValidKolor(background)) {
    QPainterPath box;
    box.addRect(r);
    FillPathInContext(box, ColorFromKolor(background));
  }
  if (outline && !isReflecting()) {
    // An empty box stays visible while it is drawn or resized.
    QPainterPath frame;
    frame.addRect(r.adjusted(0.5, 0.5, -0.5, -0.5));
    QPen pen(GrayColor(3), 1.0);
    pen.setCosmetic(false);
    StrokePathInContext(frame, pen);
  }
  // One point taller, as the editor lays the text out too.
  r.setHeight(r.height() + 1);
  DrawTextBox(nullptr, styled, r);
  finishDrawing(r, view);
}

bool DRElementText::isPointInElement(const QPointF& point, DRElementHostingView* view, bool forClick) {
  if (!forClick) return DRElement::isPointInElement(point, view, false);
  if (rotation() != 0) return rotatedFrameBezier().contains(point);
  const QRectF f = ConvertMeasureRect(frame());
  return point.x() >= f.left() && point.x() <= f.right() && point.y() >= f.top() && point.y() <= f.bottom();
}

CSRect DRElementText::bounds(bool forPrinting) const {
  const CSAttributedString styled = m_textInfo.expressWithText(m_text, false);
  const QRectF f = ConvertMeasureRect(frame());
  const QSizeF unlimited = TextBoxSize(styled, std::numeric_limits<double>::infinity());
  const QSizeF boxed = TextBoxSize(styled, f.width());
  QSizeF size(std::min(boxed.width(), f.width()), boxed.height());
  // One line that does not wrap keeps its whole width.
  if (unlimited.height() == size.height() && size.width() < unlimited.width()) size.setWidth(unlimited.width());
  const CSRect text = ConvertViewRect(QRectF(f.topLeft(), size));
  return UnionCSRect(DRElement::bounds(forPrinting), text);
}

// ---- The record ----------------------------------------------------------------------------

void DRElementText::handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) {
  const int32_t key = decoder.key();
  if (key == kXmlString && decoder.endTag()) {
    m_text = decoder.value().isNull() ? QStringLiteral("") : decoder.value();
    return;
  }
  if (key == kXmlIgnore && decoder.endTag()) {
    m_ignoreText = decoder.longValue() != 0;
    return;
  }
  if (key == kXmlTextinfo) {
    if (std::optional<DRTextInfo> info = DRTextInfo::initWithXml(decoder)) setTextInfo(*info);
    return;
  }
  DRElement::handleXmlNode(decoder, drawing);
}

void DRElementText::didReadRecord() {
  // Whatever the order of the frame, the text and the style in the record,
  // and also without a readable style, the height fits the text, so that
  // the record the box writes reads back the same.
  setHeight();
}

void DRElementText::addAdditionalNodes(CSXmlEncoder& encoder) const {
  encoder.addTag(QStringLiteral("string"), m_text);
  if (m_ignoreText) encoder.addTagWithNumber(QStringLiteral("ignore"), 1);
  m_textInfo.archiveToXml(encoder);
}
