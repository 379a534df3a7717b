#include "richtext/Links.h"

#include "richtext/Knots.h"
#include "richtext/TextAccess.h"

namespace {

bool HasParts(const KnotFormat& knot) {
  return knot.doc && knot.index != kNoCpValue && knot.kinkCount >= 2 && knot.kinks[1] > knot.start &&
         knot.limit > knot.kinks[1];
}

}  // namespace

QString LinkAddressString(const KnotFormat& knot) {
  if (!HasParts(knot)) return QString(QLatin1String(""));
  return RawTextString(knot.doc, knot.start + 1, knot.kinks[1]);
}

QString LinkDisplayString(const KnotFormat& knot) {
  if (!HasParts(knot)) return QString(QLatin1String(""));
  return RawTextString(knot.doc, knot.kinks[1] + 1, knot.limit - 1);
}

bool DocContainsOnlyLink(CorvaneDoc* doc, KnotFormat* knot) {
  if (!doc) return false;
  DocRange body;
  GetDocumentRange(doc, &body, false);
  KnotFormat found;
  FetchKnot(doc, body.first, &found, kKnotLink);
  const bool only = found.index != kNoCpValue && found.start == body.first && found.limit == body.limit;
  if (knot) *knot = only ? found : KnotFormat{};
  return only;
}
