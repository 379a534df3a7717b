#pragma once
// Links: knots holding an address between their begin and middle marks and
// the text shown for it between the middle and end marks.

#include <QString>

#include "richtext/CorvaneDoc.h"

struct KnotFormat;

// The raw text of the two parts; "" for a knot that has no such part.
QString LinkAddressString(const KnotFormat& knot);
QString LinkDisplayString(const KnotFormat& knot);
// True when the document's whole text is one link knot, handed out in
// `knot` when given.
bool DocContainsOnlyLink(CorvaneDoc* doc, KnotFormat* knot);
