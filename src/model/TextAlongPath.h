#pragma once
// Draws styled text glyph by glyph along a polyline: each glyph centred on
// its point of the path, its baseline on the path, turned to the direction
// of the segment it sits on. Used by scribbles and polygons that show a text
// instead of their line.

#include <QPointF>
#include <QRawFont>
#include <QString>
#include <cstdint>
#include <span>
#include <vector>

#include "support/CSAttributedString.h"
#include "support/Kolor.h"

// Where the text goes along the path.
enum DRTextPathMode : int32_t {
  kTextPathStart = 100,    // from the start
  kTextPathCentred = 101,  // centred on the path
  kTextPathEnd = 102,      // against the end
  kTextPathFitted = 103,   // spread over the whole path (also any other code)
};

// One glyph of the laid-out line, as placed on the path.
struct DRPathGlyph {
  QPointF position;     // where the glyph's centre sits on its baseline
  double advance = 0;   // the glyph's advance width
  double angle = 0;     // radians, the direction of its segment
  bool hidden = false;  // it falls off the path and is not drawn
  QRawFont font;        // the font of its run
  quint32 glyph = 0;    // its index in that font
};

// Lays the string out on one line and places its glyphs on the path (view
// points) in the mode; *ascent receives the line's ascent. Empty when the
// path has fewer than 2 points, no length, or the string is empty or has no
// glyphs; *laidOut tells whether a line was laid out at all.
std::vector<DRPathGlyph> PlaceGlyphsAlongPath(const CSAttributedString& string, std::span<const QPointF> points,
                                              int32_t mode, double* ascent, bool* laidOut);

// Draws the string along the path on the current painter in the colour and
// answers how far the text reaches beyond the path: the line's ascent + 2
// points, or 0 when nothing could be laid out on a path of positive length.
float DrawStringAlongPathPoints(const CSAttributedString& string, std::span<const QPointF> points, int32_t mode,
                                Kolor kolor);
