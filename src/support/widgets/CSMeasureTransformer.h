#pragma once
// Converts a measure to points (a float) for a control that shows points,
// and points back to a measure rounded to a precision shared by every
// instance.

#include <QMetaType>
#include <QVariant>

#include "support/Measure.h"

class CSMeasureTransformer {
 public:
  // 0.1 point unless changed.
  static constexpr MeasureUnit kDefaultPrecision = 1270;

  static QMetaType transformedValueClass() { return QMetaType::fromType<float>(); }
  static bool allowsReverseTransformation() { return true; }
  static MeasureUnit precision();
  static void setPrecision(MeasureUnit precision);

  // The measure / 12,700, as a float.
  QVariant transformedValue(const QVariant& measure) const;
  // The points (read as a float) x 12,700, truncated, rounded to the
  // precision, as a measure.
  QVariant reverseTransformedValue(const QVariant& points) const;
};
