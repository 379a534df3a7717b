#include "model/DRGradient.h"

#include <QBrush>

#include "model/DRKeyTable.h"
#include "model/DRShadowContext.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"

namespace {

// Reads one "stop" (the decoder on its start tag) into `stop`, position 0
// when it has none; false when the text is malformed or ends first.
bool ReadStop(CSXmlDecoder& decoder, CSGradientStop* stop) {
  if (decoder.endTag()) return true;  // "<stop/>"
  const int64_t level = decoder.level();
  while (decoder.getNextTag()) {
    if (decoder.endTag() && !decoder.startTag()) {
      if (decoder.level() >= level) continue;
      return decoder.key() == kXmlStop;
    }
    if (!decoder.endTag()) {
      decoder.skipTag();
      continue;
    }
    if (decoder.key() == kXmlPosition) {
      stop->position = decoder.longValue();
    } else if (decoder.key() == kXmlColor) {
      stop->kolor = KolorFromString(decoder.value());
    }
  }
  return false;
}

// Reads the "stops" list (the decoder on its start tag). Stops must rise
// from 0 up; the first that does not ends the list, the rest are passed over.
bool ReadStops(CSXmlDecoder& decoder, CSGradient::Stops* stops) {
  if (decoder.endTag()) return true;  // "<stops/>"
  const int64_t level = decoder.level();
  bool ended = false;
  while (decoder.getNextTag()) {
    if (decoder.endTag() && !decoder.startTag()) {
      if (decoder.level() >= level) continue;
      return decoder.key() == kXmlStops;
    }
    if (decoder.key() != kXmlStop || !decoder.startTag()) {
      decoder.skipTag();
      continue;
    }
    CSGradientStop stop;
    if (!ReadStop(decoder, &stop)) return false;
    if (ended) continue;
    const bool rises = stops->empty() ? stop.position >= 0 : stop.position > stops->back().position;
    if (!rises) {
      ended = true;
      continue;
    }
    stops->push_back(stop);
  }
  return false;
}

}  // namespace

std::optional<DRGradient> DRGradient::initWithXml(CSXmlDecoder& decoder) {
  if (!decoder.startTag()) return std::nullopt;
  DRGradient gradient;
  gradient.setLinearAngle(0);
  gradient.setStops({});
  if (decoder.endTag()) return std::nullopt;  // "<gradient/>": no stops
  const int64_t level = decoder.level();
  CSPoint center;
  Stops stops;
  while (decoder.getNextTag()) {
    if (decoder.endTag() && !decoder.startTag()) {
      if (decoder.level() >= level) continue;
      if (decoder.key() != kXmlGradient || stops.empty()) return std::nullopt;
      gradient.setRadialCenter(center);
      gradient.setStops(std::move(stops));
      return gradient;
    }
    if (decoder.key() == kXmlStops && decoder.startTag()) {
      if (!ReadStops(decoder, &stops)) return std::nullopt;
      continue;
    }
    if (!decoder.endTag()) {
      decoder.skipTag();
      continue;
    }
    switch (decoder.key()) {
      case kXmlType:
        if (decoder.decodeValue() == kXmlRadial)
          gradient.setRadial(true);
        else if (decoder.decodeValue() == kXmlLinear)
          gradient.setRadial(false);
        break;
      case kXmlAngle:
        gradient.setLinearAngle(decoder.longValue());
        break;
      case kXmlX:
        center.x = decoder.longValue();
        break;
      case kXmlY:
        center.y = decoder.longValue();
        break;
      default:
        break;
    }
  }
  return std::nullopt;  // malformed, or the text ended inside the record
}

void DRGradient::archiveToXml(CSXmlEncoder& encoder) const {
  const QString tag = QStringLiteral("gradient");
  encoder.openTag(tag);
  encoder.addTag(QStringLiteral("type"), isRadial() ? QStringLiteral("radial") : QStringLiteral("linear"));
  if (isRadial()) {
    if (radialCenter().x != 0) encoder.addTagWithLongNumber(QStringLiteral("x"), radialCenter().x);
    if (radialCenter().y != 0) encoder.addTagWithLongNumber(QStringLiteral("y"), radialCenter().y);
  } else if (linearAngle() != 0) {
    encoder.addTagWithLongNumber(QStringLiteral("angle"), linearAngle());
  }
  encoder.openTag(QStringLiteral("stops"));
  for (const CSGradientStop& stop : stops()) {
    encoder.openTag(QStringLiteral("stop"));
    encoder.addTagWithLongNumber(QStringLiteral("position"), stop.position);
    encoder.addTag(QStringLiteral("color"), NewKolorString(stop.kolor));
    encoder.closeTag(QStringLiteral("stop"));
  }
  encoder.closeTag(QStringLiteral("stops"));
  encoder.closeTag(tag);
}

void DRGradient::drawInBezier(const QPainterPath& path, bool shadowed, QPointF center, double radius) const {
  if (shadowed && ContextShadow()) {
    // The shape casts the shadow; the gradient is then laid over it.
    FillPathInContext(path, QBrush(Qt::white));
    PushShadowContext();
    SetContextShadow(std::nullopt);
    CSGradient::drawInBezier(path, false, center, radius);
    PopShadowContext();
    return;
  }
  CSGradient::drawInBezier(path, shadowed, center, radius);
}
