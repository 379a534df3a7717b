#include "support/widgets/CSMeasureTransformer.h"

namespace {
MeasureUnit g_precision = CSMeasureTransformer::kDefaultPrecision;
}

MeasureUnit CSMeasureTransformer::precision() {
  return g_precision;
}

void CSMeasureTransformer::setPrecision(MeasureUnit precision) {
  g_precision = precision;
}

QVariant CSMeasureTransformer::transformedValue(const QVariant& measure) const {
  return QVariant(float(double(MeasureValue(measure)) / double(kMeasurePerPoint)));
}

QVariant CSMeasureTransformer::reverseTransformedValue(const QVariant& points) const {
  // The product is taken in single precision, as the value is a float.
  const float units = points.toFloat() * float(kMeasurePerPoint);
  return NumberWithMeasure(RoundMeasure(MeasureFromDouble(double(units)), g_precision));
}
