#pragma once
// The SVG reader's working record for one file: the decoder, the result,
// the stack of property sets, the named definitions, the element being
// built, the working frame and the path scratch.

#include <QHash>
#include <QString>
#include <limits>
#include <memory>
#include <variant>
#include <vector>

#include "interchange/DRSvgProps.h"
#include "model/DRElementGroup.h"
#include "support/CSXmlDecoder.h"
#include "support/Measure.h"

// Unset working frame values and path points.
constexpr MeasureUnit kSvgUnsetOrigin = 9223372036854775806;
constexpr MeasureUnit kSvgUnsetSize = -9223372036854775807;
constexpr MeasureUnit kSvgNoPoint = std::numeric_limits<MeasureUnit>::max();

// What an id names: stored elements with their property set, a gradient or
// a colour.
using SvgNamedItem = std::variant<std::shared_ptr<DRSvgProps>, DRGradient, Kolor>;

struct SvgImportState {
  SvgImportState();

  std::unique_ptr<CSXmlDecoder> decoder;
  DRElementList elements;
  // The bottom entry is a default set whose subelements are `elements`.
  std::vector<std::unique_ptr<DRSvgProps>> propsStack;
  DRElementList* currentCollection = nullptr;
  DRElementList* definitionCollection = nullptr;
  QHash<QString, SvgNamedItem> named;

  std::unique_ptr<DRElement> currentElement;
  QString currentId;
  QString error;  // empty while reading goes well
  QString notes;  // from a desc element
  int64_t currentKey = 0;

  // The working frame.
  MeasureUnit x = kSvgUnsetOrigin;
  MeasureUnit y = kSvgUnsetOrigin;
  MeasureUnit width = kSvgUnsetSize;
  MeasureUnit height = kSvgUnsetSize;
  // The running minimum origin of everything placed.
  CSPoint minimumOrigin{kSvgUnsetOrigin, kSvgUnsetOrigin};
  // The x, y of the outermost svg element's viewBox.
  CSPoint documentOrigin;
  uint64_t topLevelTags = 0;

  bool viewBoxInvalid = false;
  bool dropElement = false;
  bool isContainer = false;
  bool insideDefs = false;
  bool applyingStoredAttributes = false;
  bool storingDefinition = false;
  bool outermostSvgSeen = false;
  bool cxGiven = false;
  bool cyGiven = false;
  MeasureUnit cornerRadius = 0;  // 0: none

  // Path scratch.
  CSPoint subpathStart{kSvgNoPoint, kSvgNoPoint};
  CSPoint currentPoint{kSvgNoPoint, kSvgNoPoint};
  CSPoint firstCubicControl{kSvgNoPoint, kSvgNoPoint};
  CSPoint lastCubicControl{kSvgNoPoint, kSvgNoPoint};
  CSPoint lastQuadraticControl{kSvgNoPoint, kSvgNoPoint};
  // The control and end points of the cubic segments of one arc.
  std::vector<CSPoint> arcSegments;
  // Points added by the path being read (capped).
  uint64_t pathPointCount = 0;

  DRSvgProps& top() { return *propsStack.back(); }
  void clearWorkingFrame() {
    x = kSvgUnsetOrigin;
    y = kSvgUnsetOrigin;
    width = kSvgUnsetSize;
    height = kSvgUnsetSize;
  }
};
