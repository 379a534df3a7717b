#include "model/TextAlongPath.h"

#include <QGlyphRun>
#include <QPainterPath>
#include <QTextLayout>
#include <QTransform>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "model/DRShadowContext.h"
#include "support/Fonts.h"
#include "support/GraphicsContext.h"
#include "support/TextDrawing.h"

namespace {

// Wide enough that one line holds any text along a path.
constexpr double kUnlimitedLineWidth = 1.0e7;

double SegmentLength(const QPointF& a, const QPointF& b) {
  return std::hypot(b.x() - a.x(), b.y() - a.y());
}

}  // namespace

std::vector<DRPathGlyph> PlaceGlyphsAlongPath(const CSAttributedString& string, std::span<const QPointF> points,
                                              int32_t mode, double* ascent, bool* laidOut) {
  std::vector<DRPathGlyph> glyphs;
  if (ascent) *ascent = 0;
  if (laidOut) *laidOut = false;
  if (points.size() < 2 || string.isEmpty()) return glyphs;
  double length = 0;
  for (size_t i = 1; i < points.size(); ++i) length += SegmentLength(points[i - 1], points[i]);
  if (!(length > 0)) return glyphs;

  QTextLayout layout(string.string(), DefaultUserFontOfSize(12), TextReferenceDevice());
  layout.setFormats(string.formatRanges());
  QTextOption option;
  option.setWrapMode(QTextOption::NoWrap);
  layout.setTextOption(option);
  layout.beginLayout();
  QTextLine line = layout.createLine();
  if (line.isValid()) line.setLineWidth(kUnlimitedLineWidth);
  layout.endLayout();
  if (!line.isValid()) return glyphs;
  if (laidOut) *laidOut = true;
  if (ascent) *ascent = line.ascent();

  // The glyphs in line order, each with the font of its run.
  for (const QGlyphRun& run : line.glyphRuns()) {
    const QList<quint32> indexes = run.glyphIndexes();
    const QList<QPointF> positions = run.positions();
    for (qsizetype i = 0; i < indexes.size() && i < positions.size(); ++i) {
      DRPathGlyph glyph;
      glyph.font = run.rawFont();
      glyph.glyph = indexes[i];
      glyph.position = positions[i];
      glyphs.push_back(glyph);
    }
  }
  if (glyphs.empty()) {
    if (ascent) *ascent = 0;
    return glyphs;
  }
  std::stable_sort(glyphs.begin(), glyphs.end(),
                   [](const DRPathGlyph& a, const DRPathGlyph& b) { return a.position.x() < b.position.x(); });
  const double width = line.naturalTextWidth();
  if (!(width > 0)) {
    glyphs.clear();
    return glyphs;
  }
  // Each glyph's advance is the distance to the next, so the advances add
  // up to the line's typographic width whatever kerning and spacing did.
  const double lineX = line.x();
  for (size_t j = 0; j < glyphs.size(); ++j) {
    const double next = j + 1 < glyphs.size() ? glyphs[j + 1].position.x() : lineX + width;
    glyphs[j].advance = next - glyphs[j].position.x();
  }

  size_t s = 0;         // the current segment runs from point s to point s + 1
  double used = 0;      // distance already used on it
  double previous = 0;  // the previous glyph's target
  double advanced = 0;  // advances of the glyphs before
  for (DRPathGlyph& glyph : glyphs) {
    const double w = glyph.advance;
    const double t = advanced + w / 2;
    advanced += w;
    double target;
    switch (mode) {
      case kTextPathStart:
        target = t;
        break;
      case kTextPathCentred:
        target = t + (length - width) / 2;
        break;
      case kTextPathEnd:
        target = t + (length - width);
        break;
      default:
        target = t * length / width;
        break;
    }
    double delta;
    if (mode == kTextPathEnd) {
      // Placed from the start every time.
      s = 0;
      used = 0;
      delta = target;
      previous = 0;
    } else {
      delta = target - previous;
      previous = target;
    }
    glyph.hidden = true;
    if (target <= 0 || target >= length) continue;
    if (s + 1 >= points.size()) continue;
    double segment = SegmentLength(points[s], points[s + 1]);
    double rest = segment - used;
    while (delta > rest && s + 2 < points.size()) {
      delta -= rest;
      ++s;
      used = 0;
      segment = SegmentLength(points[s], points[s + 1]);
      rest = segment;
    }
    if (delta > rest) continue;  // beyond the last point
    const QPointF start = points[s];
    QPointF position;
    if (delta == rest) {
      // On the vertex: the glyph takes the direction of the segment ending there.
      position = points[s + 1];
      ++s;
      used = 0;
    } else {
      used += delta;
      position = segment > 0 ? start + (points[s + 1] - start) * (used / segment) : start;
    }
    glyph.position = position;
    glyph.angle = std::atan2(start.y() - position.y(), start.x() - position.x()) + std::numbers::pi;
    glyph.hidden = false;
  }
  return glyphs;
}

float DrawStringAlongPathPoints(const CSAttributedString& string, std::span<const QPointF> points, int32_t mode,
                                Kolor kolor) {
  double ascent = 0;
  bool laidOut = false;
  const std::vector<DRPathGlyph> glyphs = PlaceGlyphsAlongPath(string, points, mode, &ascent, &laidOut);
  if (!laidOut) return 0;
  // The glyphs as one outline, each centred on its point with its baseline
  // on the path, filled once so that a shadow falls under the whole text.
  QPainterPath outline;
  outline.setFillRule(Qt::WindingFill);
  for (const DRPathGlyph& glyph : glyphs) {
    if (glyph.hidden) continue;
    QTransform transform;
    transform.translate(glyph.position.x(), glyph.position.y());
    transform.rotateRadians(glyph.angle);
    transform.translate(-glyph.advance / 2, 0);
    outline.addPath(transform.map(glyph.font.pathForGlyph(glyph.glyph)));
  }
  if (CurrentQuartzContext() && !outline.isEmpty()) FillPathInContext(outline, ColorFromKolor(kolor));
  return float(ascent + 2.0);
}
