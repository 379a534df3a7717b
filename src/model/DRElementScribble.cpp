#include "model/DRElementScribble.h"

#include <QPainter>
#include <QPainterPath>
#include <algorithm>
#include <cmath>
#include <limits>

#include "model/DRElementHostingView.h"
#include "model/DRKeyTable.h"
#include "model/DRSettings.h"
#include "model/DRShadowContext.h"
#include "model/GraphicHelpers.h"
#include "model/TextAlongPath.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/GraphicsContext.h"

namespace {

MeasureUnit Clamp128(__int128 value) {
  if (value > std::numeric_limits<MeasureUnit>::max()) return std::numeric_limits<MeasureUnit>::max();
  if (value < std::numeric_limits<MeasureUnit>::min()) return std::numeric_limits<MeasureUnit>::min();
  return MeasureUnit(value);
}

// The distance between two points as the closing rule measures it.
float PointDistance(CSPoint a, CSPoint b) {
  const float dx = float(a.x) - float(b.x);
  const float dy = float(a.y) - float(b.y);
  return std::sqrt(dx * dx + dy * dy);
}

}  // namespace

DRElementScribble::DRElementScribble() : DRElementScribble(kElementScribble) {}

DRElementScribble::DRElementScribble(int32_t elementType) : DRElementClosed(elementType) {
  setConstrainToOriginalSize(true);
  setConstrainedNoResize(true);
  m_textInfo = DRSettings::sharedInstance().textInfo();
  m_points.reserve(10);
}

void DRElementScribble::copyFrom(const DRElement& other) {
  DRElementClosed::copyFrom(other);
  const auto& scribble = static_cast<const DRElementScribble&>(other);
  setAlternateFillRule(scribble.m_alternateFillRule);
  setAutoClose(scribble.m_autoClose);
  m_closed = scribble.m_closed;
  setHideText(scribble.m_hideText);
  setScaleLine(scribble.m_scaleLine);
  setText(scribble.m_text);
  setTextInfo(scribble.m_textInfo);
  m_points = scribble.m_points;
}

// ---- Geometry ----------------------------------------------------------------------------------

QPointF DRElementScribble::originalSizeInView() const {
  return ConvertMeasurePoint(originalSize());
}

QPointF DRElementScribble::convertPoint(CSPoint point, const QRectF& rect, const QPointF& size) const {
  if (isUnderConstruction()) return ConvertMeasurePoint(point);
  // A zero side (a record without an original size) means no scaling.
  if (rect.width() != size.x() && size.x() != 0) point.x = MeasureFromDouble(rect.width() * double(point.x) / size.x());
  if (rect.height() != size.y() && size.y() != 0)
    point.y = MeasureFromDouble(rect.height() * double(point.y) / size.y());
  return ConvertMeasurePoint(point) + rect.topLeft();
}

CSRect DRElementScribble::polygonRect() const {
  if (m_points.empty()) return CSRect{};
  MeasureUnit minX = m_points[0].x, maxX = minX, minY = m_points[0].y, maxY = minY;
  for (const CSPoint& p : m_points) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  const MeasureUnit width = lineStyle().width();
  const MeasureUnit half = width == 0 ? kMeasurePerPoint / 2 : width / 2;
  CSRect rect;
  rect.x = Clamp128(__int128(minX) - half);
  rect.y = Clamp128(__int128(minY) - half);
  rect.width = Clamp128(std::max<__int128>(__int128(maxX) - minX, kMeasurePerPoint) + 2 * __int128(half));
  rect.height = Clamp128(std::max<__int128>(__int128(maxY) - minY, kMeasurePerPoint) + 2 * __int128(half));
  return rect;
}

void DRElementScribble::setFrameFromPoints() {
  if (m_points.empty()) return;
  MeasureUnit minX = m_points[0].x, maxX = minX, minY = m_points[0].y, maxY = minY;
  for (const CSPoint& p : m_points) {
    minX = std::min(minX, p.x);
    maxX = std::max(maxX, p.x);
    minY = std::min(minY, p.y);
    maxY = std::max(maxY, p.y);
  }
  const CSRect frame = RectFromPointsMU(minX, minY, maxX, maxY);
  setFrame(frame);
  setOriginalSize(CSPoint{frame.width, frame.height});
}

std::vector<QPointF> DRElementScribble::copyPathPoints(const QRectF& rect) const {
  std::vector<QPointF> path;
  path.reserve(m_points.size() + 1);
  const QPointF size = originalSizeInView();
  for (const CSPoint& p : m_points) path.push_back(convertPoint(p, rect, size));
  if (m_closed && !path.empty()) path.push_back(path.front());
  return path;
}

QPainterPath DRElementScribble::bezierForRect(const QRectF& rect, bool forceClosed) const {
  QPainterPath path;
  path.setFillRule(Qt::WindingFill);
  if (m_points.empty()) return path;
  const QPointF size = originalSizeInView();
  path.moveTo(convertPoint(m_points[0], rect, size));
  for (size_t i = 1; i < m_points.size(); ++i) path.lineTo(convertPoint(m_points[i], rect, size));
  if (forceClosed) path.closeSubpath();
  return path;
}

// ---- Construction --------------------------------------------------------------------------------

void DRElementScribble::setUnderConstruction(bool underConstruction) {
  size_t n = m_points.size();
  const CSPoint first = n > 0 ? m_points[0] : CSPoint{};
  DRElementClosed::setUnderConstruction(underConstruction);
  const CSRect frame0 = frame();
  if (underConstruction) {
    for (CSPoint& p : m_points) {
      p.x = Clamp128(__int128(p.x) + frame0.x);
      p.y = Clamp128(__int128(p.y) + frame0.y);
    }
    return;
  }
  // A bent line keeps its three vertices whatever the distance of its ends,
  // and a path that is closed already has no end standing in for its start.
  if (n >= 3 && !m_reshaping && !m_closed && elementType() != kElementBentLine) {
    const float tolerance = float(DRSettings::sharedInstance().polygonTolerance());
    if (m_autoClose || tolerance >= PointDistance(first, m_points[n - 1])) {
      m_points.pop_back();  // it stands in for the start
      m_closed = true;
      const CSRect rect = polygonRect();
      setFrame(rect);
      setOriginalSize(CSPoint{rect.width, rect.height});
      n -= 1;
    }
  }
  m_autoClose = false;
  const CSRect origin = frame();
  for (size_t i = 0; i < n && i < m_points.size(); ++i) {
    m_points[i].x = Clamp128(__int128(m_points[i].x) - origin.x);
    m_points[i].y = Clamp128(__int128(m_points[i].y) - origin.y);
  }
}

void DRElementScribble::setConstrained(bool constrained) {
  setConstrainedNoResize(constrained);
  if (constrained) {
    CSRect rect = frame();
    rect.width = originalSize().x;
    rect.height = originalSize().y;
    setFrame(rect);
  }
}

// ---- Answers ----------------------------------------------------------------------------------------

bool DRElementScribble::canDrawClosed() const {
  if (m_closed) return true;
  if (m_points.size() < 3) return false;
  return float(DRSettings::sharedInstance().polygonTolerance()) >= PointDistance(m_points.front(), m_points.back());
}

bool DRElementScribble::canDrawFilled() const {
  if (!m_closed) return false;
  return gradient().has_value() || IsValidKolor(fillKolor());
}

bool DRElementScribble::canHitTestBezier() const {
  return !m_alternateFillRule && canDrawFilled();
}

bool DRElementScribble::shouldDrawText() const {
  return !m_text.isEmpty() && !m_hideText && !m_reshaping && !isResizing();
}

bool DRElementScribble::shouldDrawLine() const {
  if (shouldDrawText()) return false;
  return DRElementClosed::shouldDrawLine() || m_reshaping || isUnderConstruction();
}

// ---- Drawing --------------------------------------------------------------------------------------------

void DRElementScribble::drawInRect(const QRectF& rect, DRElementHostingView* view) {
  drawScribble(rect, view);
}

void DRElementScribble::drawScribble(const QRectF& rect, DRElementHostingView* view) {
  const bool closedPath = canDrawClosed();
  QRectF r = rect;
  setupDrawing(&r);
  QPainterPath markPath;
  bool hasMarkPath = false;
  QColor markColor = Qt::black;

  if (closedPath && canDrawFilled()) {
    QPainterPath path = bezierForRect(r, true);
    path.setFillRule(m_alternateFillRule ? Qt::OddEvenFill : Qt::WindingFill);
    if (isHitTesting()) {
      FillPathInContext(path, Qt::black);
    } else if (gradient()) {
      gradient()->drawInBezier(path, shadow().has_value());
    } else {
      markColor = ColorFromKolor(fillKolor());
      FillPathInContext(path, markColor);
    }
    markPath = path;
    hasMarkPath = true;
  }

  m_textExtent = 0;
  if (shouldDrawLine()) {
    const QPainterPath path = bezierForRect(r, closedPath);
    const QPen pen = setupLineDrawing(view);
    StrokePathInContext(path, pen);
    markColor = pen.color();
    markPath = path;
    hasMarkPath = true;
  } else if (shouldDrawText()) {
    const std::vector<QPointF> points = copyPathPoints(r);
    const CSAttributedString string(m_text, m_textInfo.attributeDict(isHitTesting()));
    int32_t mode = kTextPathStart;
    switch (m_textInfo.alignment()) {
      case kTextAlignCenter:
        mode = kTextPathCentred;
        break;
      case kTextAlignRight:
        mode = kTextPathEnd;
        break;
      case kTextAlignJustified:
        mode = kTextPathFitted;
        break;
      default:
        break;
    }
    const Kolor kolor = isHitTesting() ? Kolor(0x64000000) : lineStyle().kolor();
    m_textExtent = DrawStringAlongPathPoints(string, points, mode, kolor);
  }

  if (markCenter()) {
    if (!hasMarkPath) markPath = bezierForRect(r, false);
    if (QPainter* painter = CurrentQuartzContext()) {
      painter->setPen(QPen(isHitTesting() ? QColor(Qt::black) : markColor, 1.0));
      DrawCenterMark(markPath.boundingRect());
    }
  }
  finishDrawing(r, view);
  // The handles stay while a pane of the same window has the focus.
  if (m_reshaping && view && view->isInActiveWindow()) drawReshapePointsForRect(r, view);
}

CSRect DRElementScribble::bounds(bool forPrinting) const {
  CSRect rect = DRElementClosed::bounds(forPrinting);
  if (m_textExtent != 0) {
    const MeasureUnit grow = MeasureFromDouble(m_textExtent * double(kMeasurePerPoint));
    rect = InsetCSRect(rect, -grow, -grow);
  }
  return rect;
}

bool DRElementScribble::flip(bool vertical) {
  const CSPoint size = originalSize();
  for (CSPoint& p : m_points) {
    if (vertical)
      p.y = Clamp128(__int128(size.y) - p.y);
    else
      p.x = Clamp128(__int128(size.x) - p.x);
  }
  return true;
}

void DRElementScribble::makeVanilla() {
  DRElementClosed::makeVanilla();
  m_text.clear();
  m_textInfo = DRTextInfo();
  m_textExtent = 0;
  m_hideText = false;
}

// ---- The record ------------------------------------------------------------------------------------------

void DRElementScribble::handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) {
  const bool leaf = decoder.startTag() && decoder.endTag();
  switch (decoder.key()) {
    case kXmlShut:
    case kXmlAltFill:
    case kXmlHideText:
    case kXmlScaleLine: {
      if (!leaf) {
        decoder.skipTag();
        return;
      }
      const bool value = decoder.longValue() != 0;
      if (decoder.key() == kXmlShut)
        m_closed = value;
      else if (decoder.key() == kXmlAltFill)
        m_alternateFillRule = value;
      else if (decoder.key() == kXmlHideText)
        m_hideText = value;
      else
        m_scaleLine = value;
      return;
    }
    case kXmlPoints: {
      if (leaf) return;
      const int64_t level = decoder.level();
      while (decoder.getNextTag()) {
        if (decoder.endTag() && !decoder.startTag()) {
          if (decoder.level() < level) return;
          continue;
        }
        if (decoder.endTag()) {
          if (decoder.key() == kXmlPoint) m_points.push_back(CSPointFromString(decoder.value()));
        } else {
          decoder.skipTag();
        }
      }
      return;
    }
    case kXmlString:
      if (leaf)
        m_text = decoder.value();
      else
        decoder.skipTag();
      return;
    case kXmlTextinfo:
      if (std::optional<DRTextInfo> info = DRTextInfo::initWithXml(decoder)) m_textInfo = *info;
      return;
    default:
      DRElementClosed::handleXmlNode(decoder, drawing);
      return;
  }
}

void DRElementScribble::addAdditionalNodes(CSXmlEncoder& encoder) const {
  DRElementClosed::addAdditionalNodes(encoder);
  if (m_closed) encoder.addTagWithNumber(QStringLiteral("shut"), 1);
  if (m_alternateFillRule) encoder.addTagWithNumber(QStringLiteral("altFill"), 1);
  if (m_hideText) encoder.addTagWithNumber(QStringLiteral("hideText"), 1);
  encoder.addTagWithNumber(QStringLiteral("scale-line"), m_scaleLine ? 1 : 0);
  encoder.openTag(QStringLiteral("points"));
  for (const CSPoint& p : m_points) encoder.addTag(QStringLiteral("point"), NewCSPointString(p));
  encoder.closeTag(QStringLiteral("points"));
  if (!m_text.isEmpty()) {
    encoder.addTag(QStringLiteral("string"), m_text);
    m_textInfo.archiveToXml(encoder);
  }
}
