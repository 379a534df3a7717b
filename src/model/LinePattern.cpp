#include "model/LinePattern.h"

#include <QList>
#include <QPen>
#include <cmath>

void ApplyLinePattern(QPen* pen, const MeasureUnit* pattern, int64_t count, MeasureUnit phase, double scale) {
  if (!pen || count > kMaxLinePatternCount) return;
  const double factor = scale == 1.0 ? 1.0 : scale;
  // Qt's dash lengths are in pen widths.
  const double unit = pen->widthF() > 0 ? pen->widthF() : 1.0;
  QList<qreal> dashes;
  double total = 0;
  bool usable = pattern && count > 0 && std::isfinite(factor) && factor > 0;
  for (int64_t i = 0; usable && i < count; ++i) {
    if (pattern[i] <= 0) {
      usable = false;
      break;
    }
    const double length = double(pattern[i]) / double(kMeasurePerPoint) * factor / unit;
    dashes.append(length);
    total += length;
  }
  if (!usable || !(total > 0) || !std::isfinite(total)) {
    pen->setStyle(Qt::SolidLine);
    return;
  }
  if (dashes.size() % 2 == 1) {
    dashes.append(QList<qreal>(dashes));
    total *= 2;
  }
  double offset = phase == kMixedMeasure ? 0.0 : double(phase) / double(kMeasurePerPoint) * factor / unit;
  // The phase is a place in the repeating pattern: bring it into the first
  // repetition, counting backwards for a negative phase.
  offset = std::fmod(offset, total);
  if (offset < 0) offset += total;
  if (!std::isfinite(offset)) offset = 0;
  pen->setDashPattern(dashes);
  pen->setDashOffset(offset);
}
