#pragma once
// What the line style and the arrowheads ask of the element they set up or
// decorate. Every element implements it; the styles never see more of it.

#include "support/Measure.h"

#include <optional>

class DRArrow;
class DRLineInfo;
class DRShadow;

class DRStyleClient {
 public:
  virtual ~DRStyleClient() = default;

  // Drawing into the hit-test bitmap: lines at least a point wide, in black.
  virtual bool isHitTesting() const = 0;
  virtual bool isUnderConstruction() const = 0;
  virtual bool canScale() const = 0;
  // The element's "scale-line" setting; nullopt for kinds without one.
  virtual std::optional<bool> scaleLineSetting() const { return std::nullopt; }
  virtual CSRect frame() const = 0;
  virtual CSPoint originalSize() const = 0;
  // The arrowheads, for kinds that carry them; null otherwise.
  virtual const DRArrow* arrowStyle() const { return nullptr; }
  // The element's shadow, or null.
  virtual const DRShadow* shadowStyle() const = 0;
  virtual const DRLineInfo& lineStyle() const = 0;
  // The line width in points, at least 1.
  virtual double effectiveLineWidth() const = 0;
  // Drops the shadow for what the element draws next in the same body.
  virtual void resetShadow() = 0;
};
