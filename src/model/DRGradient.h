#pragma once
// A gradient as the drawing file stores it: the "gradient" record, and the
// fill of a closed element, whose shadow falls under the whole shape.

#include <optional>

#include "support/CSGradient.h"

class CSXmlDecoder;
class CSXmlEncoder;

class DRGradient : public CSGradient {
  Q_GADGET

 public:
  DRGradient() = default;
  explicit DRGradient(const CSGradient& gradient) : CSGradient(gradient) {}

  // Reads from the decoder positioned on the "gradient" start tag through
  // its end tag. Stops must rise: the first one out of order ends the list.
  // nullopt when no stop remains or the text is malformed or ends first.
  static std::optional<DRGradient> initWithXml(CSXmlDecoder& decoder);
  // Writes the whole "gradient" record, its tags included.
  void archiveToXml(CSXmlEncoder& encoder) const;

  // Fills the path. With `shadowed` the current shadow is cast by the whole
  // shape (filled white first), then the gradient is drawn over it.
  void drawInBezier(const QPainterPath& path, bool shadowed, QPointF center = QPointF(), double radius = 0) const;
};

Q_DECLARE_METATYPE(DRGradient)
