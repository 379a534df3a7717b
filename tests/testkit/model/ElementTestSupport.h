#pragma once
// Shared by the element tests: a plain element of any kind, tool settings
// that are put back after each test, record reading and writing, and
// rendering an element onto white.

#include <QImage>
#include <QPainter>
#include <QPainterPath>
#include <QString>
#include <functional>
#include <memory>
#include <optional>

#include "model/DRElement.h"
#include "model/DRKeyTable.h"
#include "model/DRSettings.h"
#include "model/DRShadowContext.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/GraphicsContext.h"
#include "testkit/ImageCompare.h"

// Points to measures.
constexpr MeasureUnit Pt(double points) {
  return MeasureUnit(points * double(kMeasurePerPoint));
}
inline CSRect PtRect(double x, double y, double w, double h) {
  return CSRect{Pt(x), Pt(y), Pt(w), Pt(h)};
}

// An element of any kind whose body is its rectangle filled in black, or
// nothing without `fills`.
class TestElement : public DRElement {
 public:
  explicit TestElement(int32_t type = kElementGroup, bool drawsLines = false) : DRElement(type), m_lines(drawsLines) {
    if (drawsLines) takeSettingsLineInfo();
  }
  bool canDrawLines() const override { return m_lines; }
  void setKeepsOriginalProportions(bool keep) { setConstrainToOriginalSize(keep); }
  bool fills = true;
  void drawInRect(const QRectF& rect, DRElementHostingView* view) override {
    QRectF r = rect;
    setupDrawing(&r);
    QPainterPath path;
    path.addRect(r);
    if (fills) FillPathInContext(path, Qt::black);
    finishDrawing(r, view);
  }

 protected:
  std::unique_ptr<DRElement> newInstance() const override {
    return std::make_unique<TestElement>(elementType(), m_lines);
  }

 private:
  bool m_lines;
};

// Puts the tool settings that elements take back as they were.
class SettingsScope {
 public:
  SettingsScope()
      : m_settings(DRSettings::sharedInstance()),
        m_lineInfo(m_settings.lineInfo()),
        m_fill(m_settings.fillKolor()),
        m_constrain(m_settings.constrain()),
        m_fromCenter(m_settings.drawFromCenter()),
        m_radius(m_settings.cornerRadius()),
        m_count(m_settings.regularPolyVertexCount()),
        m_textInfo(m_settings.textInfo()),
        m_arrow(m_settings.arrow()),
        m_copiedTextStyle(m_settings.copiedTextStyle()) {
    CreateXmlDecoder();
    RegisterElementClasses();
  }
  ~SettingsScope() {
    m_settings.setLineInfo(m_lineInfo);
    m_settings.setFillKolor(m_fill);
    m_settings.setConstrain(m_constrain);
    m_settings.setDrawFromCenter(m_fromCenter);
    m_settings.setCornerRadius(m_radius);
    m_settings.setRegularPolyVertexCount(m_count);
    m_settings.setTextInfo(m_textInfo);
    m_settings.setArrow(m_arrow);
    m_settings.setCopiedTextStyle(m_copiedTextStyle);
  }
  SettingsScope(const SettingsScope&) = delete;
  SettingsScope& operator=(const SettingsScope&) = delete;

  DRSettings& settings() { return m_settings; }

 private:
  DRSettings& m_settings;
  DRLineInfo m_lineInfo;
  Kolor m_fill;
  bool m_constrain;
  bool m_fromCenter;
  MeasureUnit m_radius;
  uint64_t m_count;
  DRTextInfo m_textInfo;
  std::optional<DRArrow> m_arrow;
  std::optional<DRTextInfo> m_copiedTextStyle;
};

// The element's record inside "element" tags, as a whole XML text.
inline QString RecordOf(const DRElement& element) {
  CSXmlEncoder encoder;
  encoder.openTag(QStringLiteral("element"));
  element.archiveToXml(encoder);
  encoder.closeTag(QStringLiteral("element"));
  return encoder.xml();
}

// Reads the records of the text (records inside any outer tags) in order;
// an unreadable record gives a null entry.
inline std::vector<std::unique_ptr<DRElement>> ReadRecords(const QString& xml) {
  std::vector<std::unique_ptr<DRElement>> elements;
  auto decoder = CSXmlDecoder::createWithString(xml);
  if (!decoder) return elements;
  while (decoder->getNextTag()) {
    if (decoder->startTag() && decoder->key() == kXmlElement)
      elements.push_back(DRElement::elementWithXml(*decoder, nullptr));
  }
  return elements;
}

inline std::unique_ptr<DRElement> ReadRecord(const QString& xml) {
  auto elements = ReadRecords(xml);
  return elements.empty() ? nullptr : std::move(elements.front());
}

// The record text of a list of records.
inline QString Records(const QString& body) {
  return g_xmlPrefix + QStringLiteral("<elements>") + body + QStringLiteral("</elements>");
}

// Renders on white with the painter as the current graphics context,
// scaled by `zoom`, antialiased.
inline QImage Render(const QSize& size, const std::function<void()>& draw, double zoom = 1.0) {
  return RenderImage(size, [&](QPainter& painter) {
    painter.scale(zoom, zoom);
    GraphicsContextScope scope(&painter);
    draw();
  });
}
