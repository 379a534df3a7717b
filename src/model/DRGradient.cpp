#include "model/DRGradient.h"

#include <QBrush>

#include "model/DRKeyTable.h"
#include "model/DRShadowContext.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/XmlHelpers.h"

namespace {

// Takes a stop read from the list: stops must rise from 0 up; the first that
// does not ends the list, and the rest are passed over.
void AppendStop(const CSGradientStop& stop, CSGradient::Stops* stops, bool* ended) {
  if (*ended) return;
  const bool rises = stops->empty() ? stop.position >= 0 : stop.position > stops->back().position;
  if (rises)
    stops->push_back(stop);
  else
    *ended = true;
}

// Reads the "stops" list (the decoder on its start tag); each "stop" holds
// its "position" (0 when it has none) and "color".
bool ReadStops(CSXmlDecoder& decoder, CSGradient::Stops* stops) {
  bool ended = false;
  const auto readStop = [&](CSXmlDecoder& child) {
    if (child.key() != kXmlStop) {
      child.skipTag();
      return true;
    }
    CSGradientStop stop;
    const bool read = ReadXmlChildren(child, kXmlStop, [&stop](CSXmlDecoder& value) {
      if (value.key() == kXmlPosition)
        stop.position = value.longValue();
      else if (value.key() == kXmlColor)
        stop.kolor = KolorFromString(value.value());
    });
    if (read) AppendStop(stop, stops, &ended);
    return read;
  };
  // "<stop/>" is a stop at 0 in the default colour.
  const auto readEmptyStop = [&](CSXmlDecoder& child) {
    if (child.key() == kXmlStop) AppendStop(CSGradientStop(), stops, &ended);
  };
  return ReadXmlChildren(decoder, kXmlStops, readEmptyStop, readStop);
}

}  // namespace

std::optional<DRGradient> DRGradient::initWithXml(CSXmlDecoder& decoder) {
  DRGradient gradient;
  gradient.setLinearAngle(0);
  CSPoint center;
  Stops stops;
  const auto readElement = [&stops](CSXmlDecoder& child) {
    if (child.key() == kXmlStops) return ReadStops(child, &stops);
    child.skipTag();
    return true;
  };
  const auto readValue = [&gradient, &center](CSXmlDecoder& value) {
    switch (value.key()) {
      case kXmlType:
        if (value.decodeValue() == kXmlRadial)
          gradient.setRadial(true);
        else if (value.decodeValue() == kXmlLinear)
          gradient.setRadial(false);
        break;
      case kXmlAngle:
        gradient.setLinearAngle(value.longValue());
        break;
      case kXmlX:
        center.x = value.longValue();
        break;
      case kXmlY:
        center.y = value.longValue();
        break;
      default:
        break;
    }
  };
  // A gradient without stops ("<gradient/>" among them) is none.
  if (!ReadXmlChildren(decoder, kXmlGradient, readValue, readElement) || stops.empty()) return std::nullopt;
  gradient.setRadialCenter(center);
  gradient.setStops(std::move(stops));
  return gradient;
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
