#include "model/DRLineInfo.h"

#include <algorithm>
#include <cmath>

#include "model/DRKeyTable.h"
#include "model/DRStyleClient.h"
#include "model/LinePattern.h"
#include "model/ModelSupport.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/XmlHelpers.h"

DRLineInfo::DRLineInfo() {
  enforceStandardAdvancedOptions();
}

void DRLineInfo::setKolor(Kolor kolor) {
  m_kolor = kolor;
  RegisterKolor(kolor, false);
}

QList<qlonglong> DRLineInfo::patternValue() const {
  QList<qlonglong> list;
  if (m_pattern) list = QList<qlonglong>(m_pattern->begin(), m_pattern->end());
  return list;
}

void DRLineInfo::setPatternValue(const QList<qlonglong>& pattern) {
  m_pattern = Pattern(pattern.begin(), pattern.end());
}

void DRLineInfo::enforceStandardAdvancedOptions() {
  m_capStyle = kLineCapButt;
  m_flatness = kDefaultFlatness;
  m_joinStyle = kLineJoinMiter;
  m_miterLimit = kDefaultMiterLimit;
  m_lineStyle = kLineStyleSolid;
  m_pattern = Pattern{};
  m_phase = 0;
  m_scalePattern = true;
}

bool DRLineInfo::needsArchive() const {
  return m_width != 0 || m_kolor != g_blackKolor || m_flatness != kDefaultFlatness ||
         m_miterLimit != kDefaultMiterLimit || !m_scalePattern || m_phase != 0 || (m_pattern && !m_pattern->empty()) ||
         m_capStyle == kLineCapRound || m_capStyle == kLineCapSquare || m_joinStyle == kLineJoinRound ||
         m_joinStyle == kLineJoinBevel || (m_lineStyle >= kLineStyleDash && m_lineStyle <= kLineStyleCustom);
}

// ---- Stroking ------------------------------------------------------------------------

namespace {

Qt::PenCapStyle QtCap(int64_t cap) {
  switch (cap) {
    case kLineCapRound:
      return Qt::RoundCap;
    case kLineCapSquare:
      return Qt::SquareCap;
    default:
      return Qt::FlatCap;
  }
}

Qt::PenJoinStyle QtJoin(int64_t join) {
  switch (join) {
    case kLineJoinRound:
      return Qt::RoundJoin;
    case kLineJoinBevel:
      return Qt::BevelJoin;
    default:
      // A miter past the limit turns into a bevel, as SVG's miter does.
      return Qt::SvgMiterJoin;
  }
}

double Points(MeasureUnit value) {
  return double(value) / double(kMeasurePerPoint);
}

}  // namespace

QPen DRLineInfo::setupBezier(const DRStyleClient* element, bool forceVisible) const {
  double width = Points(m_width);
  QPen pen;
  pen.setCosmetic(false);
  pen.setStyle(Qt::SolidLine);
  pen.setCapStyle(Qt::FlatCap);
  pen.setJoinStyle(Qt::SvgMiterJoin);
  pen.setMiterLimit(Points(kDefaultMiterLimit));

  if (element && element->isHitTesting()) {
    pen.setWidthF(std::max(width, kMinMarkedLineWidth));
    pen.setColor(Qt::black);
    return pen;
  }

  width = std::max(width, kMinLineWidth);
  if (element && element->canScale() && !element->isUnderConstruction() &&
      element->scaleLineSetting().value_or(false)) {
    const double scaled = width * double(element->frame().width) / double(element->originalSize().x);
    // A degenerate frame or original size keeps the unscaled width rather
    // than give Qt's hairline (0) or an endless pen.
    if (std::isfinite(scaled) && scaled > 0) width = scaled;
  }

  const MeasureUnit* dash = nullptr;
  int64_t count = 0;
  switch (m_lineStyle) {
    case kLineStyleDash:
      dash = kDashPattern;
      count = 2;
      break;
    case kLineStyleDot:
      dash = kDotPattern;
      count = 2;
      break;
    case kLineStyleCustom:
      if (m_pattern && int64_t(m_pattern->size()) >= kMinCustomPatternCount &&
          int64_t(m_pattern->size()) <= kMaxCustomPatternCount) {
        dash = m_pattern->data();
        count = int64_t(m_pattern->size());
      }
      break;
    default:
      break;
  }
  if (dash) {
    width = std::max(width, kMinMarkedLineWidth);
    // Qt measures dashes in pen widths: the width goes first.
    pen.setWidthF(width);
    ApplyLinePattern(&pen, dash, count, m_phase, m_scalePattern ? width : 1.0);
  }

  if (!element || !element->arrowStyle()) pen.setCapStyle(QtCap(m_capStyle));
  pen.setJoinStyle(QtJoin(m_joinStyle));
  pen.setMiterLimit(std::max(0.0, Points(m_miterLimit)));
  pen.setWidthF(width);

  const bool black = !IsValidKolor(m_kolor) || (forceVisible && !IsVisibleKolor(m_kolor));
  pen.setColor(black ? QColor(Qt::black) : ColorFromKolor(m_kolor));
  return pen;
}

// ---- Merging -------------------------------------------------------------------------

void DRLineInfo::intersectWith(const DRLineInfo& other) {
  if (m_capStyle != other.m_capStyle) m_capStyle = kMixedLineCode;
  if (m_joinStyle != other.m_joinStyle) m_joinStyle = kMixedLineCode;
  if (m_lineStyle != other.m_lineStyle) m_lineStyle = kMixedLineCode;
  if (m_scalePattern != other.m_scalePattern) m_scalePattern = false;
  if (m_width != other.m_width) m_width = kMixedMeasure;
  if (m_flatness != other.m_flatness) m_flatness = kMixedMeasure;
  if (m_miterLimit != other.m_miterLimit) m_miterLimit = kMixedMeasure;
  if (m_phase != other.m_phase) m_phase = kMixedMeasure;
  if (!AreKolorsEqual(m_kolor, other.m_kolor)) m_kolor = g_nilKolor;
  if (!m_pattern || !other.m_pattern || *m_pattern != *other.m_pattern) m_pattern.reset();
}

// ---- The "lineinfo" record -----------------------------------------------------------

namespace {

// Reads the "position" children of a "pattern" element with content, through
// its end tag; false when the text is malformed or ends first.
bool ReadPattern(CSXmlDecoder& decoder, DRLineInfo::Pattern* pattern) {
  pattern->reserve(4);
  return ReadXmlChildren(decoder, kXmlPattern, [pattern](CSXmlDecoder& child) {
    if (child.key() == kXmlPosition) pattern->push_back(child.longValue());
  });
}

}  // namespace

std::optional<DRLineInfo> DRLineInfo::initWithXml(CSXmlDecoder& decoder) {
  DRLineInfo info;  // "<lineinfo/>" has every field at its default
  // Only "pattern" has children.
  const auto readElement = [&info](CSXmlDecoder& child) {
    if (child.key() != kXmlPattern) {
      child.skipTag();
      return true;
    }
    Pattern pattern;
    if (!ReadPattern(child, &pattern)) return false;
    info.m_pattern = std::move(pattern);
    return true;
  };
  const auto readValue = [&info](CSXmlDecoder& decoder) {
    switch (decoder.key()) {
      case kXmlWidth:
        info.m_width = decoder.longValue();
        break;
      case kXmlColor:
        info.m_kolor = KolorFromString(decoder.value());
        break;
      case kXmlFlatness:
        info.m_flatness = decoder.longValue();
        break;
      case kXmlMiter:
        info.m_miterLimit = decoder.longValue();
        break;
      case kXmlCap:
        switch (decoder.decodeValue()) {
          case kXmlRound:
            info.m_capStyle = kLineCapRound;
            break;
          case kXmlSquare:
            info.m_capStyle = kLineCapSquare;
            break;
          default:
            info.m_capStyle = kLineCapButt;
            break;
        }
        break;
      case kXmlJoin:
        switch (decoder.decodeValue()) {
          case kXmlRound:
            info.m_joinStyle = kLineJoinRound;
            break;
          case kXmlBevel:
            info.m_joinStyle = kLineJoinBevel;
            break;
          default:
            info.m_joinStyle = kLineJoinMiter;
            break;
        }
        break;
      case kXmlStyle:
        switch (decoder.decodeValue()) {
          case kXmlDash:
            info.m_lineStyle = kLineStyleDash;
            break;
          case kXmlDot:
            info.m_lineStyle = kLineStyleDot;
            break;
          case kXmlCustom:
            info.m_lineStyle = kLineStyleCustom;
            break;
          default:
            info.m_lineStyle = kLineStyleSolid;
            break;
        }
        break;
      case kXmlScale:
        info.m_scalePattern = decoder.longValue() != 0;
        break;
      case kXmlPhase:
        info.m_phase = decoder.longValue();
        break;
      case kXmlPattern:
        info.m_pattern = Pattern{};  // "<pattern/>"
        break;
      default:
        break;
    }
  };
  if (!ReadXmlChildren(decoder, kXmlLineinfo, readValue, readElement))
    return std::nullopt;  // malformed, or the text ended inside the record
  return info;
}

void DRLineInfo::archiveToXml(CSXmlEncoder& encoder) const {
  const QString tag = QStringLiteral("lineinfo");
  encoder.openTag(tag);
  if (m_width != 0) encoder.addTagWithLongNumber(QStringLiteral("width"), m_width);
  if (m_kolor != g_blackKolor) encoder.addTag(QStringLiteral("color"), NewKolorString(m_kolor));
  if (m_flatness != kDefaultFlatness) encoder.addTagWithLongNumber(QStringLiteral("flatness"), m_flatness);
  if (m_miterLimit != kDefaultMiterLimit) encoder.addTagWithLongNumber(QStringLiteral("miter"), m_miterLimit);
  if (m_capStyle == kLineCapRound) encoder.addTag(QStringLiteral("cap"), QStringLiteral("round"));
  if (m_capStyle == kLineCapSquare) encoder.addTag(QStringLiteral("cap"), QStringLiteral("square"));
  if (m_joinStyle == kLineJoinRound) encoder.addTag(QStringLiteral("join"), QStringLiteral("round"));
  if (m_joinStyle == kLineJoinBevel) encoder.addTag(QStringLiteral("join"), QStringLiteral("bevel"));
  if (m_lineStyle == kLineStyleDash) encoder.addTag(QStringLiteral("style"), QStringLiteral("dash"));
  if (m_lineStyle == kLineStyleDot) encoder.addTag(QStringLiteral("style"), QStringLiteral("dot"));
  if (m_lineStyle == kLineStyleCustom) encoder.addTag(QStringLiteral("style"), QStringLiteral("custom"));
  if (!m_scalePattern) encoder.addTagWithNumber(QStringLiteral("scale"), 0);
  if (m_phase != 0) encoder.addTagWithLongNumber(QStringLiteral("phase"), m_phase);
  if (m_pattern && !m_pattern->empty()) {
    const QString patternTag = QStringLiteral("pattern");
    encoder.openTag(patternTag);
    for (MeasureUnit entry : *m_pattern) encoder.addTagWithLongNumber(QStringLiteral("position"), entry);
    encoder.closeTag(patternTag);
  }
  encoder.closeTag(tag);
}
