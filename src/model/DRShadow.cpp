#include "model/DRShadow.h"

#include <cmath>
#include <numbers>

#include "model/DRKeyTable.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/SaturatingCast.h"
#include "support/XmlHelpers.h"

void DRShadow::setXOffset(MeasureUnit offset) {
  m_xOffset = offset;
  if (m_lockXY) m_yOffset = offset;
}

void DRShadow::setYOffset(MeasureUnit offset) {
  m_yOffset = offset;
  if (m_lockXY) m_xOffset = offset;
}

void DRShadow::setLockXY(bool lock) {
  m_lockXY = lock;
  if (lock) m_yOffset = m_xOffset;
}

namespace {

// The sine and cosine of an angle in 1/12,700 degree.
void SineAndCosine(int64_t angle, double* s, double* c) {
  const double radians = double(angle) / double(kMeasurePerPoint) * std::numbers::pi / 180.0;
  *s = std::sin(radians);
  *c = std::cos(radians);
}

// Bounds arithmetic on stored values, which a file may set to anything.
MeasureUnit AddSaturating(MeasureUnit a, MeasureUnit b) {
  MeasureUnit sum = 0;
  if (__builtin_add_overflow(a, b, &sum)) return b > 0 ? INT64_MAX : INT64_MIN;
  return sum;
}

MeasureUnit SubtractSaturating(MeasureUnit a, MeasureUnit b) {
  MeasureUnit difference = 0;
  if (__builtin_sub_overflow(a, b, &difference)) return b < 0 ? INT64_MAX : INT64_MIN;
  return difference;
}

}  // namespace

DRContextShadow DRShadow::contextShadow() const {
  double s = 0, c = 0;
  SineAndCosine(m_angle, &s, &c);
  // The distances point up for a positive cosine; the canvas runs downwards.
  const double x = s * double(m_xOffset) / double(kMeasurePerPoint);
  const double yUp = c * double(m_yOffset) / double(kMeasurePerPoint);
  DRContextShadow shadow;
  shadow.offset = QPointF(x, -yUp);
  shadow.blur = double(m_blur) / double(kMeasurePerPoint);
  shadow.color = ColorFromKolor(m_kolor);
  return shadow;
}

void DRShadow::set() const {
  SetContextShadow(contextShadow());
}

CSRect DRShadow::adjustBounds(const CSRect& rect) const {
  double s = 0, c = 0;
  SineAndCosine(m_angle, &s, &c);
  CSRect r = rect;
  const MeasureUnit dx = SaturatingCast<MeasureUnit>(double(m_xOffset) * s);
  if (dx < 0) {
    r.x = AddSaturating(r.x, SubtractSaturating(dx, 1));
    r.width = AddSaturating(r.width, SubtractSaturating(1, dx));
  } else {
    r.width = AddSaturating(r.width, AddSaturating(dx, 1));
  }
  const MeasureUnit dy = SaturatingCast<MeasureUnit>(double(m_yOffset) * c);
  if (dy >= 1) {
    // The shadow rises on the page, towards smaller y.
    r.y = SubtractSaturating(r.y, AddSaturating(dy, 1));
    r.height = AddSaturating(r.height, AddSaturating(dy, 1));
  } else {
    r.height = AddSaturating(r.height, SubtractSaturating(1, dy));
  }
  return r;
}

void DRShadow::intersectWith(const DRShadow& other) {
  if (m_xOffset != other.m_xOffset) m_xOffset = kMixedMeasure;
  if (m_yOffset != other.m_yOffset) m_yOffset = kMixedMeasure;
  if (m_blur != other.m_blur) m_blur = kMixedMeasure;
  if (m_angle != other.m_angle) m_angle = kMixedMeasure;
  if (!AreKolorsEqual(m_kolor, other.m_kolor)) m_kolor = g_nilKolor;
}

// ---- The "shadow" record -------------------------------------------------------------

std::optional<DRShadow> DRShadow::initWithXml(CSXmlDecoder& decoder) {
  DRShadow shadow;  // "<shadow/>" is the default shadow
  const bool read = ReadXmlChildren(decoder, kXmlShadow, [&shadow](CSXmlDecoder& decoder) {
    switch (decoder.key()) {
      case kXmlX:
        shadow.m_xOffset = decoder.longValue();
        break;
      case kXmlY:
        shadow.m_yOffset = decoder.longValue();
        break;
      case kXmlLock:
        shadow.m_lockXY = decoder.longValue() != 0;
        break;
      case kXmlBlur:
        shadow.m_blur = decoder.longValue();
        break;
      case kXmlAngle:
        shadow.m_angle = decoder.longValue();
        break;
      case kXmlColor:
        shadow.m_kolor = KolorFromString(decoder.value());
        break;
      default:
        break;
    }
  });
  if (!read) return std::nullopt;  // malformed, or the text ended inside the record
  return shadow;
}

void DRShadow::archiveToXml(CSXmlEncoder& encoder) const {
  const QString tag = QStringLiteral("shadow");
  encoder.openTag(tag);
  encoder.addTagWithLongNumber(QStringLiteral("x"), m_xOffset);
  encoder.addTagWithLongNumber(QStringLiteral("y"), m_yOffset);
  if (!m_lockXY) encoder.addTagWithNumber(QStringLiteral("lock"), 0);
  encoder.addTagWithLongNumber(QStringLiteral("blur"), m_blur);
  encoder.addTagWithLongNumber(QStringLiteral("angle"), m_angle);
  if (m_kolor != g_blackKolor) encoder.addTag(QStringLiteral("color"), NewKolorString(m_kolor));
  encoder.closeTag(tag);
}
