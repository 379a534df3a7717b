#pragma once
// A text box: a string drawn in one style (DRTextInfo), wrapping at the
// frame's width. Its width is set by the user (at least kMinTextWidth); its
// height follows the text and is recomputed whenever the text, the style or
// the style's font changes. A click anywhere in the box hits it.

#include <QString>

#include "model/DRElement.h"
#include "model/DRTextInfo.h"

// The narrowest a text box gets: 20 points.
constexpr MeasureUnit kMinTextWidth = 254000;

class DRElementText : public DRElement {
  Q_GADGET
  Q_PROPERTY(QString text READ text WRITE setText)
  Q_PROPERTY(DRTextInfo textInfo READ textInfo WRITE setTextInfo)
  Q_PROPERTY(bool autoSize READ autoSize WRITE setAutoSize)
  Q_PROPERTY(bool brandNew READ brandNew WRITE setBrandNew)
  Q_PROPERTY(bool ignoreText READ ignoreText WRITE setIgnoreText)

 public:
  // With the tool settings' text style, whose background is registered as a
  // recent fill colour and text colour as the alternate colour.
  DRElementText();
  ~DRElementText() override;
  const QMetaObject* gadgetMetaObject() const override { return &staticMetaObject; }

  // Null for a new box.
  const QString& text() const { return m_text; }
  // Stores the text and fits the height to it.
  void setText(const QString& text);

  const DRTextInfo& textInfo() const { return m_textInfo; }
  // The style itself, for edits in place; a font change fits the height.
  DRTextInfo& textInfoForEditing() { return m_textInfo; }
  // Stores a copy and fits the height to it.
  void setTextInfo(const DRTextInfo& textInfo);

  bool autoSize() const { return m_autoSize; }
  void setAutoSize(bool autoSize) { m_autoSize = autoSize; }
  bool brandNew() const { return m_brandNew; }
  void setBrandNew(bool brandNew) { m_brandNew = brandNew; }
  bool ignoreText() const { return m_ignoreText; }
  void setIgnoreText(bool ignore) { m_ignoreText = ignore; }

  // Fits the frame's height to the text at the frame's width, and has the
  // main window's canvas refresh its inspector when the box is selected.
  void setHeight();
  // The origin is always taken; a new width (at least kMinTextWidth) fits
  // the height to the text, or takes the given height without text; the
  // same width leaves the height alone.
  void setFrame(const CSRect& frame) override;
  // Stores the frame as given and tells the position panes.
  void setKnownFrame(const CSRect& frame);

  bool isConstrained() const override { return false; }
  void setConstrained(bool constrained) override { (void)constrained; }
  // Only the side dots, and only while the box is not rotated.
  bool isGrabDotActive(int32_t dot) const override;

  void drawInRect(const QRectF& rect, DRElementHostingView* view) override;
  // A click anywhere in the box hits; other tests look at the drawn pixels.
  bool isPointInElement(const QPointF& point, DRElementHostingView* view, bool forClick) override;
  // Includes a line that runs past the box.
  CSRect bounds(bool forPrinting) const override;

 protected:
  std::unique_ptr<DRElement> newInstance() const override { return std::make_unique<DRElementText>(); }
  void copyFrom(const DRElement& other) override;
  void handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) override;
  void didReadRecord() override;
  void addAdditionalNodes(CSXmlEncoder& encoder) const override;

 private:
  QString m_text;
  DRTextInfo m_textInfo;
  bool m_brandNew = false;
  bool m_autoSize = false;
  bool m_ignoreText = false;
};
