#pragma once
// The SVG reader's property set of one open element level: the coordinate
// origin and percentage base, and the style and transforms the level's
// elements inherit. A copy carries everything down to the next level but
// the level's own element collection.

#include <QString>
#include <QStringList>
#include <memory>
#include <optional>
#include <vector>

#include "model/DRArrow.h"
#include "model/DRElementGroup.h"
#include "model/DRGradient.h"
#include "model/DRLineInfo.h"
#include "model/DRShadow.h"
#include "model/DRTextInfo.h"
#include "support/Kolor.h"
#include "support/Measure.h"

// Text anchors.
constexpr int32_t kSvgAnchorStart = 100;
constexpr int32_t kSvgAnchorMiddle = 101;
constexpr int32_t kSvgAnchorEnd = 102;

// One entry of a level's transform list.
enum SvgTransformKind : uint32_t {
  kSvgRotateAboutOrigin = 1,
  kSvgRotateAboutPoint = 2,
  kSvgScaleTransform = 3,
  kSvgTranslateTransform = 4,
};

struct SvgTransform {
  uint32_t kind = 0;
  int64_t angle = 0;  // degrees x 12,700
  MeasureUnit x = 0;  // rotation centre or translation
  MeasureUnit y = 0;
  double scaleX = 1.0;
  double scaleY = 1.0;
  bool operator==(const SvgTransform&) const = default;
};

class DRSvgProps {
 public:
  // The default font size of a new set, in points.
  static constexpr double kDefaultFontSize = 16;

  DRSvgProps();
  // Everything but the collections; the transforms copied count as inherited.
  std::unique_ptr<DRSvgProps> copy() const;

  CSRect viewBox;
  int64_t key = 0;
  QString text;
  DRTextInfo textInfo;
  int32_t textAnchor = kSvgAnchorStart;
  std::optional<DRShadow> shadow;
  std::optional<DRArrow> arrow;
  MeasureUnit cornerRadius = 0;
  DRLineInfo lineInfo;
  double strokeOpacity = -1;
  Kolor currentKolor = g_blackKolor;
  // Alternating attribute names and values, recorded inside definitions.
  QStringList orderedAttributes;
  double fillOpacity = -1;
  Kolor fillKolor = g_blackKolor;
  std::optional<DRGradient> gradient;
  bool alternateFillRule = false;
  bool fillSpecified = false;
  std::vector<SvgTransform> transforms;
  uint64_t parentTransformCount = 0;
  // Containers only: the elements of the level.
  std::shared_ptr<DRElementList> subelements;
  // The collection of the enclosing level (not owned).
  DRElementList* parentCollection = nullptr;

  // Stores the colour and whether the fill is given (visible).
  void setFillColor(Kolor kolor) {
    fillKolor = kolor;
    fillSpecified = IsVisibleKolor(kolor);
  }
  // Stores only the colour.
  void setFillKolor(Kolor kolor) { fillKolor = kolor; }
};
