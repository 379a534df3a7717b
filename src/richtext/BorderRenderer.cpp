#include "richtext/BorderRenderer.h"

#include <QLinearGradient>
#include <QPainter>
#include <QPen>
#include <cmath>
#include <algorithm>
#include <mutex>
#include <string>

#include "richtext/Geometry.h"
#include "support/GraphicsContext.h"

namespace {

// ---- Double-line patterns ---------------------------------------------------

// Each pattern as written: polylines "(px, py) to (px, py) ..." or
// "rectangle (x, y, width, height)", over the rectangle (x, y, W, H) and the
// line width w, and the rectangle the background fills.
struct PatternText {
  const char* strokes[5];
  const char* fill;
};

const PatternText kPatternTexts[kDoublePatternCount] = {
    // 1
    {{"(x-w/2, y) to (x-w/2, y+H)",
      "(x-2.5 w, y) to (x-2.5 w, y+H)"},
     "(x-3 w, y, W+3 w, H)"},
    // 2
    {{"(x+W+w/2, y) to (x+W+w/2, y+H)",
      "(x+W+2.5 w, y) to (x+W+2.5 w, y+H)"},
     "(x, y, W+3 w, H)"},
    // 3
    {{"(x, y-w/2) to (x+W, y-w/2)",
      "(x, y-2.5 w) to (x+W, y-2.5 w)"},
     "(x, y-3 w, W, H+3 w)"},
    // 4
    {{"(x, y+H+w/2) to (x+W, y+H+w/2)",
      "(x, y+H+2.5 w) to (x+W, y+H+2.5 w)"},
     "(x, y, W, H+3 w)"},
    // 5
    {{"(x-w/2, y+H) to (x-w/2, y-w/2) to (x+W, y-w/2)",
      "(x-2.5 w, y+H) to (x-2.5 w, y-2.5 w) to (x+W, y-2.5 w)"},
     "(x-3 w, y-3 w, W+3 w, H+3 w)"},
    // 6
    {{"(x, y-w/2) to (x+W+w/2, y-w/2) to (x+W+w/2, y+H)",
      "(x, y-2.5 w) to (x+W+2.5 w, y-2.5 w) to (x+W+2.5 w, y+H)"},
     "(x, y-3 w, W+3 w, H+3 w)"},
    // 7
    {{"(x-w/2, y) to (x-w/2, y+H+w/2) to (x+W, y+H+w/2)",
      "(x-2.5 w, y) to (x-2.5 w, y+H+2.5 w) to (x+W, y+H+2.5 w)"},
     "(x-3 w, y, W+3 w, H+3 w)"},
    // 8
    {{"(x, y+H+w/2) to (x+W+w/2, y+H+w/2) to (x+W+w/2, y)",
      "(x, y+H+2.5 w) to (x+W+2.5 w, y+H+2.5 w) to (x+W+2.5 w, y)"},
     "(x, y, W+3 w, H+3 w)"},
    // 9
    {{"(x-w/2, y+H) to (x-w/2, y-w/2) to (x+W, y-w/2)",
      "(x-3 w, y-2.5 w) to (x-2 w, y-2.5 w)",
      "(x-w, y-2.5 w) to (x+W, y-2.5 w)",
      "(x-2.5 w, y-w) to (x-2.5 w, y+H)"},
     "(x-3 w, y-3 w, W+3 w, H+3 w)"},
    // 10
    {{"(x-w/2, y+H) to (x-w/2, y-w/2) to (x+W, y-w/2)",
      "(x-3 w, y-2.5 w) to (x+W, y-2.5 w)",
      "(x-2.5 w, y-w) to (x-2.5 w, y+H)"},
     "(x-3 w, y-3 w, W+3 w, H+3 w)"},
    // 11
    {{"(x-w/2, y+H) to (x-w/2, y-w/2) to (x+W+w/2, y-w/2) to (x+W+w/2, y+H)",
      "(x-3 w, y-2.5 w) to (x+W+2.5 w, y-2.5 w) to (x+W+2.5 w, y+H)",
      "(x-2.5 w, y-w) to (x-2.5 w, y+H)"},
     "(x-3 w, y-3 w, W+6 w, H+3 w)"},
    // 12
    {{"(x-w/2, y+H) to (x-w/2, y-w/2) to (x+W, y-w/2)",
      "(x-w, y-2.5 w) to (x+W, y-2.5 w)",
      "(x-2.5 w, y-3 w) to (x-2.5 w, y+H)"},
     "(x-3 w, y-3 w, W+3 w, H+3 w)"},
    // 13
    {{"(x-w/2, y+H) to (x-w/2, y-w/2) to (x+W+w/2, y-w/2) to (x+W+w/2, y+H)",
      "(x-3 w, y-2.5 w) to (x-2 w, y-2.5 w)",
      "(x-w, y-2.5 w) to (x+W+w, y-2.5 w)",
      "(x-2.5 w, y-w) to (x-2.5 w, y+H)",
      "(x+W+2.5 w, y-3 w) to (x+W+2.5 w, y+H)"},
     "(x-3 w, y-3 w, W+6 w, H+3 w)"},
    // 14
    {{"(x+W, y-w/2) to (x-w/2, y-w/2) to (x-w/2, y+H+w/2) to (x+W, y+H+w/2)",
      "(x-w, y-2.5 w) to (x+W, y-2.5 w)",
      "(x-2.5 w, y-3 w) to (x-2.5 w, y+H+2.5 w) to (x+W, y+H+2.5 w)"},
     "(x-3 w, y-3 w, W+3 w, H+6 w)"},
    // 15
    {{"(x+W, y-w/2) to (x-w/2, y-w/2) to (x-w/2, y+H+w/2) to (x+W, y+H+w/2)",
      "(x-3 w, y-2.5 w) to (x-2 w, y-2.5 w)",
      "(x-w, y-2.5 w) to (x+W, y-2.5 w)",
      "(x-3 w, y+H+2.5 w) to (x+W, y+H+2.5 w)",
      "(x-2.5 w, y-w) to (x-2.5 w, y+H+w)"},
     "(x-3 w, y-3 w, W+3 w, H+6 w)"},
    // 16
    {{"rectangle (x-w/2, y-w/2, W+w, H+w)",
      "(x-3 w, y-2.5 w) to (x-2 w, y-2.5 w)",
      "(x-w, y-2.5 w) to (x+W+w, y-2.5 w)",
      "(x-3 w, y+H+2.5 w) to (x+W+2.5 w, y+H+2.5 w) to (x+W+2.5 w, y-3 w)",
      "(x-2.5 w, y-w) to (x-2.5 w, y+H+w)"},
     "(x-3 w, y-3 w, W+6 w, H+6 w)"},
    // 17
    {{"(x, y-w/2) to (x+W+w/2, y-w/2) to (x+W+w/2, y+H)",
      "(x, y-2.5 w) to (x+W+w, y-2.5 w)",
      "(x+W+2.5 w, y-3 w) to (x+W+2.5 w, y+H)"},
     "(x, y-3 w, W+3 w, H+3 w)"},
    // 18
    {{"(x-w/2, y) to (x-w/2, y+H+w/2) to (x+W, y+H+w/2)",
      "(x-2.5 w, y) to (x-2.5 w, y+H+w)",
      "(x-3 w, y+H+2.5 w) to (x+W, y+H+2.5 w)"},
     "(x-3 w, y, W+3 w, H+3 w)"},
    // 19
    {{"(x-2.5 w, y-3 w) to (x-2.5 w, y-w/2) to (x+W, y-w/2)",
      "(x-w, y-2.5 w) to (x+W, y-2.5 w)"},
     "(x-3 w, y-3 w, W+3 w, H+3 w)"},
    // 20
    {{"(x-w/2, y+H) to (x-w/2, y-w/2) to (x+W+2.5 w, y-w/2) to (x+W+2.5 w, y-3 w)",
      "(x-3 w, y-2.5 w) to (x-2 w, y-2.5 w)",
      "(x-w, y-2.5 w) to (x+W+w, y-2.5 w)",
      "(x-2.5 w, y-w) to (x-2.5 w, y+H)"},
     "(x-3 w, y-3 w, W+6 w, H+3 w)"},
    // 21
    {{"rectangle (x-w/2, y-w/2, W+w, H+w)",
      "rectangle (x-2.5 w, y-2.5 w, W+5 w, H+5 w)"},
     "(x-3 w, y-3 w, W+6 w, H+6 w)"},
    // 22
    {{"(x+W, y-w/2) to (x-w/2, y-w/2) to (x-w/2, y+H+w/2) to (x+W, y+H+w/2)",
      "(x+W, y-2.5 w) to (x-2.5 w, y-2.5 w) to (x-2.5 w, y+H+2.5 w) to (x+W, y+H+2.5 w)"},
     "(x-3 w, y-3 w, W+3 w, H+6 w)"},
    // 23
    {{"(x, y-w/2) to (x+W+w/2, y-w/2) to (x+W+w/2, y+H+w/2) to (x, y+H+w/2)",
      "(x, y-2.5 w) to (x+W+2.5 w, y-2.5 w) to (x+W+2.5 w, y+H+2.5 w) to (x, y+H+2.5 w)"},
     "(x, y-3 w, W+3 w, H+6 w)"},
    // 24
    {{"rectangle (x-w/2, y-w/2, W+w, H+w)",
      "(x-3 w, y-2.5 w) to (x+W+2.5 w, y-2.5 w) to (x+W+2.5 w, y+H+2.5 w) to (x-3 w, y+H+2.5 w)",
      "(x-2.5 w, y-w) to (x-2.5 w, y+H+w)"},
     "(x-3 w, y-3 w, W+6 w, H+6 w)"},
    // 25
    {{"(x, y-w/2) to (x+W, y-w/2)",
      "(x, y+H+w/2) to (x+W, y+H+w/2)",
      "(x, y-2.5 w) to (x+W, y-2.5 w)",
      "(x, y+H+2.5 w) to (x+W, y+H+2.5 w)"},
     "(x, y-3 w, W, H+6 w)"},
    // 26
    {{"(x+W, y-w/2) to (x-w/2, y-w/2) to (x-w/2, y+H+w/2) to (x+W, y+H+w/2)",
      "(x-3 w, y-2.5 w) to (x+W, y-2.5 w)",
      "(x-3 w, y+H+2.5 w) to (x+W, y+H+2.5 w)",
      "(x-2.5 w, y-w) to (x-2.5 w, y+H+w)"},
     "(x-3 w, y-3 w, W+3 w, H+6 w)"},
    // 27
    {{"(x-w/2, y+H) to (x-w/2, y-w/2) to (x+W+w/2, y-w/2) to (x+W+w/2, y+H)",
      "(x-2.5 w, y+H) to (x-2.5 w, y-2.5 w) to (x+W+2.5 w, y-2.5 w) to (x+W+2.5 w, y+H)"},
     "(x-3 w, y-3 w, W+6 w, H+3 w)"},
    // 28
    {{"(x-w/2, y) to (x-w/2, y+H+w/2) to (x+W+w/2, y+H+w/2) to (x+W+w/2, y)",
      "(x-2.5 w, y) to (x-2.5 w, y+H+2.5 w) to (x+W+2.5 w, y+H+2.5 w) to (x+W+2.5 w, y)"},
     "(x-3 w, y, W+6 w, H+3 w)"},
    // 29
    {{"rectangle (x-w/2, y-w/2, W+w, H+w)",
      "(x-w, y-2.5 w) to (x+W+w, y-2.5 w)",
      "(x-2.5 w, y-3 w) to (x-2.5 w, y+H+2.5 w) to (x+W+2.5 w, y+H+2.5 w) to (x+W+2.5 w, y-3 w)"},
     "(x-3 w, y-3 w, W+6 w, H+6 w)"},
    // 30
    {{"(x-w/2, y) to (x-w/2, y+H)",
      "(x+W+w/2, y) to (x+W+w/2, y+H)",
      "(x-2.5 w, y) to (x-2.5 w, y+H)",
      "(x+W+2.5 w, y) to (x+W+2.5 w, y+H)"},
     "(x-3 w, y, W+6 w, H)"},
    // 31
    {{"(x-w/2, y+H) to (x-w/2, y-w/2) to (x+W+w/2, y-w/2) to (x+W+w/2, y+H)",
      "(x-w, y-2.5 w) to (x+W+w, y-2.5 w)",
      "(x-2.5 w, y-3 w) to (x-2.5 w, y+H)",
      "(x+W+2.5 w, y-3 w) to (x+W+2.5 w, y+H)"},
     "(x-3 w, y-3 w, W+6 w, H+3 w)"},
    // 32
    {{"(x-2.5 w, y-3 w) to (x-2.5 w, y-w/2) to (x+W+2.5 w, y-w/2) to (x+W+2.5 w, y-3 w)",
      "(x-w, y-2.5 w) to (x+W+w, y-2.5 w)"},
     "(x-3 w, y-3 w, W+6 w, H+3 w)"},
    // 33
    {{"(x-w/2, y) to (x-w/2, y+H+w/2) to (x+W+w/2, y+H+w/2) to (x+W+w/2, y)",
      "(x-2.5 w, y) to (x-2.5 w, y+H+w)",
      "(x-3 w, y+H+2.5 w) to (x+W+2.5 w, y+H+2.5 w) to (x+W+2.5 w, y)"},
     "(x-3 w, y, W+6 w, H+3 w)"},
    // 34
    {{"(x, y-w/2) to (x+W+w/2, y-w/2) to (x+W+w/2, y+H+w/2) to (x, y+H+w/2)",
      "(x, y-2.5 w) to (x+W+w, y-2.5 w)",
      "(x, y+H+2.5 w) to (x+W+2.5 w, y+H+2.5 w) to (x+W+2.5 w, y-3 w)"},
     "(x, y-3 w, W+3 w, H+6 w)"},
    // 35
    {{"(x-3 w, y-2.5 w) to (x-2 w, y-2.5 w)",
      "(x-w, y-2.5 w) to (x+W+w, y-2.5 w)",
      "(x-3 w, y+H+2.5 w) to (x+W+3 w, y+H+2.5 w)",
      "(x+W+2.5 w, y-3 w) to (x+W+2.5 w, y-w/2) to (x-w/2, y-w/2) to (x-w/2, y+H+w/2) to (x+W+3 w, y+H+w/2)",
      "(x-2.5 w, y-w) to (x-2.5 w, y+H+w)"},
     "(x-3 w, y-3 w, W+6 w, H+6 w)"},
    // 36
    {{"(x-2.5 w, y-3 w) to (x-2.5 w, y-w/2) to (x+W+2.5 w, y-w/2) to (x+W+2.5 w, y-3 w)",
      "(x-w, y-2.5 w) to (x+W+w, y-2.5 w)",
      "(x-3 w, y+H+w/2) to (x+W+3 w, y+H+w/2)",
      "(x-3 w, y+H+2.5 w) to (x+W+3 w, y+H+2.5 w)"},
     "(x-3 w, y-3 w, W+6 w, H+6 w)"},
    // 37
    {{"(x-2.5 w, y-3 w) to (x-2.5 w, y-w/2) to (x+W, y-w/2)",
      "(x-w, y-2.5 w) to (x+W, y-2.5 w)",
      "(x-3 w, y+H+w/2) to (x+W, y+H+w/2)",
      "(x-3 w, y+H+2.5 w) to (x+W, y+H+2.5 w)"},
     "(x-3 w, y-3 w, W+3 w, H+6 w)"},
};

// A coordinate as written in a pattern: origin × (x or y) + size × (W or H)
// + lines × w.
struct PatternCoord {
  float origin = 0;
  float size = 0;
  float lines = 0;
  bool operator==(const PatternCoord&) const = default;
};

PatternCoord operator+(PatternCoord a, const PatternCoord& b) {
  a.origin += b.origin;
  a.size += b.size;
  a.lines += b.lines;
  return a;
}

struct PatternPoint {
  PatternCoord x, y;
};

struct PatternStroke {
  std::vector<PatternPoint> points;
  bool closed = false;
};

struct Pattern {
  std::vector<PatternStroke> strokes;
  PatternCoord fill[4];  // x, y, width, height
};

// One coordinate such as "x+W+2.5 w", "y-w/2" or "H+6 w".
PatternCoord ParseCoord(const std::string& text) {
  PatternCoord coord;
  std::string term;
  float sign = 1;
  auto flush = [&]() {
    if (term.empty()) return;
    if (term == "x" || term == "y") {
      coord.origin += sign;
    } else if (term == "W" || term == "H") {
      coord.size += sign;
    } else if (term == "w") {
      coord.lines += sign;
    } else if (term == "w/2") {
      coord.lines += sign * 0.5f;
    } else {
      coord.lines += sign * std::stof(term.substr(0, term.size() - 1));  // "2.5w"
    }
    term.clear();
  };
  for (char c : text) {
    if (c == ' ') continue;
    if (c == '+' || c == '-') {
      flush();
      sign = c == '-' ? -1 : 1;
    } else {
      term += c;
    }
  }
  flush();
  return coord;
}

// "(a, b, ...)" into its comma-separated coordinates.
std::vector<PatternCoord> ParseTuple(const std::string& text) {
  std::vector<PatternCoord> out;
  const size_t open = text.find('(');
  const size_t close = text.find(')', open);
  std::string inner = text.substr(open + 1, close - open - 1);
  size_t start = 0;
  while (start <= inner.size()) {
    size_t comma = inner.find(',', start);
    if (comma == std::string::npos) comma = inner.size();
    out.push_back(ParseCoord(inner.substr(start, comma - start)));
    start = comma + 1;
  }
  return out;
}

PatternStroke ParseStroke(const std::string& text) {
  PatternStroke stroke;
  if (text.rfind("rectangle", 0) == 0) {
    const std::vector<PatternCoord> r = ParseTuple(text);
    const PatternCoord right = r[0] + r[2];
    const PatternCoord bottom = r[1] + r[3];
    stroke.points = {{r[0], r[1]}, {right, r[1]}, {right, bottom}, {r[0], bottom}};
    stroke.closed = true;
    return stroke;
  }
  size_t start = 0;
  while (start < text.size()) {
    size_t to = text.find(" to ", start);
    if (to == std::string::npos) to = text.size();
    const std::vector<PatternCoord> p = ParseTuple(text.substr(start, to - start));
    stroke.points.push_back({p[0], p[1]});
    start = to + 4;
  }
  return stroke;
}

const std::vector<Pattern>& Patterns() {
  static std::vector<Pattern> patterns;
  static std::once_flag once;
  std::call_once(once, [] {
    for (const PatternText& text : kPatternTexts) {
      Pattern pattern;
      for (const char* stroke : text.strokes) {
        if (stroke) pattern.strokes.push_back(ParseStroke(stroke));
      }
      const std::vector<PatternCoord> fill = ParseTuple(text.fill);
      for (int i = 0; i < 4; ++i) pattern.fill[i] = fill[size_t(i)];
      patterns.push_back(std::move(pattern));
    }
  });
  return patterns;
}

float Resolve(const PatternCoord& coord, float origin, float size, float w) {
  return coord.origin * origin + coord.size * size + coord.lines * w;
}

// ---- Steps -----------------------------------------------------------------

float ClampPoints(float value) {
  if (!std::isfinite(value) || value < 0) return 0;
  return std::min(value, kMaxBorderPoints);
}

void AddFillRect(BorderPlan* plan, const QRectF& rect, Kolor kolor) {
  BorderStep step;
  step.op = BorderStep::kFillRect;
  step.rect = rect;
  step.kolor = kolor;
  plan->steps.push_back(step);
}

void AddPathStep(BorderPlan* plan, BorderStep::Op op, const QPainterPath& path, Kolor kolor, float width = 0) {
  BorderStep step;
  step.op = op;
  step.path = path;
  step.kolor = kolor;
  step.width = width;
  plan->steps.push_back(step);
}

// Fills the rounded-out fill rectangle with the background, then strokes
// the path in the line colour, dotted or dashed by kind.
void DrawSimpleLine(BorderPlan* plan, const BorderSpec& spec, const QPainterPath& path, const QRectF& fillRect) {
  if (IsVisibleKolor(spec.backKolor)) {
    QRectF integral;
    IntegralCopyRect(&integral, fillRect);
    AddFillRect(plan, integral, spec.backKolor);
  }
  if (path.isEmpty() || !IsVisibleKolor(spec.lineKolor)) return;
  AddPathStep(plan, BorderStep::kStrokePath, path, spec.lineKolor, spec.width);
  if (spec.kind == kBorderDotted) plan->steps.back().dashes = {1, 2};
  if (spec.kind == kBorderDashed) plan->steps.back().dashes = {4, 2};
}

// The single-line path: one closed rectangle for a box, else one segment
// per drawn side, lying w / 2 outside the edge. Joined sides widen the fill
// rectangle instead of drawing their side.
QPainterPath SingleLinePath(const BorderSpec& spec, uint32_t sides, const QRectF& r, QRectF* fillRect) {
  QPainterPath path;
  const float w = spec.width;
  const qreal x = r.x(), y = r.y(), W = r.width(), H = r.height();
  if (sides == kBorderAllSides) {
    path.addRect(r.adjusted(-w / 2, -w / 2, w / 2, w / 2));
    return path;
  }
  const bool left = sides & kBorderLeft, right = sides & kBorderRight;
  const bool top = sides & kBorderTop, bottom = sides & kBorderBottom;
  const bool outerRight = sides & kBorderOuterRight, outerBottom = sides & kBorderOuterBottom;
  const bool joinLeft = spec.extendCorners && spec.leftJoined;
  const bool joinRight = spec.extendCorners && spec.rightJoined;
  const qreal startX = left ? (joinLeft ? x - w : x - w / 2) : x;
  const qreal verticalEnd = !bottom && outerBottom ? y + H : y + H + w;
  const qreal verticalStart = top ? y - w : y;
  if (top) {
    qreal end = x + W;
    if (right) {
      end += joinRight ? w : w / 2;
    } else if (!outerRight) {
      end += w / 2;
    }
    path.moveTo(startX, y - w / 2);
    path.lineTo(end, y - w / 2);
  }
  if (right) {
    if (spec.rightJoined) {
      fillRect->setWidth(fillRect->width() + w);
    } else {
      path.moveTo(x + W + w / 2, verticalStart);
      path.lineTo(x + W + w / 2, verticalEnd);
    }
  }
  if (bottom) {
    qreal end;
    if (!right) {
      end = outerRight ? x + W : x + W + w / 2;
    } else {
      end = joinRight ? x + W + w : x + W;
    }
    path.moveTo(startX, y + H + w / 2);
    path.lineTo(end, y + H + w / 2);
  }
  if (left) {
    if (spec.leftJoined) {
      fillRect->setLeft(fillRect->left() - w);
    } else {
      path.moveTo(x - w / 2, verticalStart);
      path.lineTo(x - w / 2, verticalEnd);
    }
  }
  return path;
}

// The zigzag or scalloped walk round the rectangle, clockwise from the
// top-left corner; teeth and half circles point outward.
QPainterPath OrnamentPath(const BorderSpec& spec, uint32_t sides, bool fillPass, const QRectF& r, bool scallops) {
  struct Side {
    uint32_t bit;
    QPointF start, end, outward;
    qreal arcStart;  // where a half circle starts, counter-clockwise degrees from 3 o'clock on screen
  };
  const QPointF topLeft = r.topLeft(), topRight(r.x() + r.width(), r.y());
  const QPointF bottomRight(r.x() + r.width(), r.y() + r.height()), bottomLeft(r.x(), r.y() + r.height());
  const Side walk[4] = {
      {kBorderTop, topLeft, topRight, {0, -1}, 180},
      {kBorderRight, topRight, bottomRight, {1, 0}, 90},
      {kBorderBottom, bottomRight, bottomLeft, {0, 1}, 0},
      {kBorderLeft, bottomLeft, topLeft, {-1, 0}, 270},
  };
  const qreal t = spec.thickness;
  QPainterPath path;
  path.moveTo(topLeft);
  bool jump = false;
  for (const Side& side : walk) {
    if (!(sides & side.bit)) {
      if (fillPass) {
        path.lineTo(side.end);
      } else {
        jump = true;
      }
      continue;
    }
    if (jump) path.moveTo(side.start);
    jump = false;
    const QPointF along = side.end - side.start;
    const qreal length = std::hypot(along.x(), along.y());
    const int count = int(std::clamp(std::floor(length / t), 1.0, double(kMaxBorderOrnaments)));
    const QPointF step = along / count;
    const qreal stepLength = length / count;
    for (int i = 0; i < count; ++i) {
      const QPointF from = side.start + step * i;
      if (scallops) {
        const qreal radius = stepLength / 2;
        const QPointF centre = from + step / 2;
        // Sweeping clockwise on screen from the start point passes the outer side.
        path.arcTo(QRectF(centre.x() - radius, centre.y() - radius, 2 * radius, 2 * radius), side.arcStart, -180);
      } else {
        path.lineTo(from + step / 2 + side.outward * t);
        path.lineTo(from + step);
      }
    }
  }
  if (fillPass || (sides & kBorderAllSides) == kBorderAllSides) path.closeSubpath();
  return path;
}

void DrawOrnaments(BorderPlan* plan, const BorderSpec& spec, uint32_t sides, bool fillPass, const QRectF& r) {
  const QPainterPath path = OrnamentPath(spec, sides, fillPass, r, spec.kind == kBorderScallops);
  if ((fillPass || (sides & kBorderAllSides) == kBorderAllSides) && IsVisibleKolor(spec.backKolor)) {
    AddPathStep(plan, BorderStep::kFillPath, path, spec.backKolor);
  }
  if (IsVisibleKolor(spec.lineKolor)) AddPathStep(plan, BorderStep::kStrokePath, path, spec.lineKolor, spec.width);
}

// Trapezoids of the bevel's depth outside each drawn side, meeting on the
// diagonals, shaded from the line colour outside to the inner colour.
void DrawGradientBevel(BorderPlan* plan, const BorderSpec& spec, uint32_t sides, const QRectF& r) {
  if (IsVisibleKolor(spec.backKolor)) AddFillRect(plan, r, spec.backKolor);
  const qreal d = spec.thickness;
  const qreal x = r.x(), y = r.y(), right = r.x() + r.width(), bottom = r.y() + r.height();
  const qreal dl = (sides & kBorderLeft) ? d : 0, dr = (sides & kBorderRight) ? d : 0;
  const qreal dt = (sides & kBorderTop) ? d : 0, db = (sides & kBorderBottom) ? d : 0;
  auto add = [&](const QPolygonF& shape, float angle) {
    QPainterPath path;
    path.addPolygon(shape);
    path.closeSubpath();
    AddPathStep(plan, BorderStep::kGradientPath, path, spec.lineKolor);
    plan->steps.back().endKolor = spec.innerKolor;
    plan->steps.back().angle = angle;
  };
  if (sides & kBorderTop) add(QPolygonF({{x, y}, {right, y}, {right + dr, y - d}, {x - dl, y - d}}), 90);
  if ((sides & kBorderRight) && !spec.rightJoined) {
    add(QPolygonF({{right, y}, {right, bottom}, {right + d, bottom + db}, {right + d, y - dt}}), 180);
  }
  if (sides & kBorderBottom) add(QPolygonF({{right, bottom}, {x, bottom}, {x - dl, bottom + d}, {right + dr, bottom + d}}), 270);
  if ((sides & kBorderLeft) && !spec.leftJoined) {
    add(QPolygonF({{x, bottom}, {x, y}, {x - d, y - dt}, {x - d, bottom + db}}), 0);
  }
}

bool PatternReadsLeftJoin(uint32_t pattern) { return pattern == 3 || pattern == 25; }
bool PatternReadsRightJoin(uint32_t pattern) { return pattern == 3 || pattern == 25 || pattern == 9 || pattern == 15; }

}  // namespace

bool DoubleLinePatternPath(const BorderSpec& spec, uint32_t pattern, const QRectF& rect, float w, QPainterPath* path,
                           QRectF* fillRect) {
  if (pattern < 1 || pattern > kDoublePatternCount) return false;
  const Pattern& p = Patterns()[pattern - 1];
  const bool joinLeft = spec.extendCorners && spec.leftJoined && PatternReadsLeftJoin(pattern);
  const bool joinRight = spec.extendCorners && spec.rightJoined && PatternReadsRightJoin(pattern);
  const float x = float(rect.x()), y = float(rect.y()), W = float(rect.width()), H = float(rect.height());
  const PatternCoord atLeft{1, 0, 0}, atRight{1, 1, 0};
  QPainterPath out;
  for (const PatternStroke& stroke : p.strokes) {
    for (size_t i = 0; i < stroke.points.size(); ++i) {
      PatternCoord px = stroke.points[i].x;
      // The horizontal strokes that start or end flush with the cell run
      // on under the joined neighbour's rule.
      if (joinLeft && px == atLeft) px.lines = -3;
      if (joinRight && px == atRight) px.lines = 3;
      const QPointF point(Resolve(px, x, W, w), Resolve(stroke.points[i].y, y, H, w));
      if (i == 0) {
        out.moveTo(point);
      } else {
        out.lineTo(point);
      }
    }
    if (stroke.closed) out.closeSubpath();
  }
  QRectF fill(Resolve(p.fill[0], x, W, w), Resolve(p.fill[1], y, H, w), Resolve(p.fill[2], 0, W, w),
              Resolve(p.fill[3], 0, H, w));
  if (joinLeft) fill.setLeft(fill.left() - 3 * w);
  if (joinRight) fill.setWidth(fill.width() + 3 * w);
  if (path) *path = out;
  if (fillRect) *fillRect = fill;
  return true;
}

BorderPlan PlanBorderCore(const BorderSpec& original, uint32_t sides, uint32_t extend, const QRectF& rect) {
  BorderSpec spec = original;
  spec.width = ClampPoints(spec.width);
  spec.thickness = ClampPoints(spec.thickness);
  spec.offset = ClampPoints(spec.offset);
  BorderPlan plan;
  QRectF r;
  IntegralCopyRect(&r, rect);
  const qreal offset = spec.offset;
  if (extend & kBorderLeft) r.adjust(-offset, 0, 0, 0);
  if (extend & kBorderRight) r.adjust(0, 0, offset, 0);
  if (extend & kBorderTop) r.adjust(0, -offset, 0, 0);
  if (extend & kBorderBottom) r.adjust(0, 0, 0, offset);
  plan.rect = r;
  spec.width = std::max(spec.width, 0.5f);
  if (spec.thickness == 0) spec.thickness = 1.0f;
  switch (spec.kind) {
    case kBorderBackground:
      if (IsVisibleKolor(spec.backKolor)) AddFillRect(&plan, r, spec.backKolor);
      break;
    case kBorderSingle:
    case kBorderDotted:
    case kBorderDashed: {
      QRectF fillRect = r;
      const QPainterPath path = SingleLinePath(spec, sides, r, &fillRect);
      DrawSimpleLine(&plan, spec, path, fillRect);
      break;
    }
    case kBorderDouble: {
      QPainterPath path;
      QRectF fillRect = r;
      if (!DoubleLinePatternPath(spec, spec.pattern, r, spec.width, &path, &fillRect)) path = QPainterPath();
      DrawSimpleLine(&plan, spec, path, fillRect);
      break;
    }
    case kBorderSerrated:
    case kBorderScallops:
      if (sides != kBorderAllSides && IsVisibleKolor(spec.backKolor)) {
        BorderSpec fill = spec;
        fill.lineKolor = g_nilKolor;
        DrawOrnaments(&plan, fill, sides, true, r);
        if (IsVisibleKolor(spec.lineKolor)) {
          BorderSpec line = spec;
          line.backKolor = g_nilKolor;
          DrawOrnaments(&plan, line, sides, false, r);
        }
      } else {
        DrawOrnaments(&plan, spec, sides, false, r);
      }
      break;
    case kBorderGradient:
      DrawGradientBevel(&plan, spec, sides, r);
      break;
    default:
      break;
  }
  return plan;
}

void PaintBorderPlan(QPainter* painter, const BorderPlan& plan) {
  if (!painter) return;
  for (const BorderStep& step : plan.steps) {
    switch (step.op) {
      case BorderStep::kFillRect:
        painter->fillRect(step.rect, ColorFromKolor(step.kolor));
        break;
      case BorderStep::kFillPath:
        painter->fillPath(step.path, ColorFromKolor(step.kolor));
        break;
      case BorderStep::kStrokePath: {
        QPen pen(ColorFromKolor(step.kolor), step.width, Qt::SolidLine, Qt::FlatCap, Qt::MiterJoin);
        if (!step.dashes.isEmpty()) pen.setDashPattern(step.dashes);
        painter->strokePath(step.path, pen);
        break;
      }
      case BorderStep::kGradientPath: {
        // The gradient crosses the shape's bounds along the angle.
        const QRectF b = step.path.boundingRect();
        QPointF from, to;
        switch (int(step.angle)) {
          case 90: from = {b.center().x(), b.top()}, to = {b.center().x(), b.bottom()}; break;
          case 180: from = {b.right(), b.center().y()}, to = {b.left(), b.center().y()}; break;
          case 270: from = {b.center().x(), b.bottom()}, to = {b.center().x(), b.top()}; break;
          default: from = {b.left(), b.center().y()}, to = {b.right(), b.center().y()}; break;
        }
        QLinearGradient gradient(from, to);
        gradient.setColorAt(0.0, ColorFromKolor(step.kolor));
        gradient.setColorAt(1.0, ColorFromKolor(step.endKolor));
        painter->fillPath(step.path, gradient);
        break;
      }
    }
  }
}

void DrawBorderCore(const BorderSpec& spec, uint32_t sides, uint32_t extend, const QRectF& rect) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  PaintBorderPlan(painter, PlanBorderCore(spec, sides, extend, rect));
}

BorderPlan PlanBorderAroundRect(const BorderSpec& spec, const QRectF& rect) {
  BorderSpec box = spec;
  box.pattern = kDoubleBoxPattern;
  box.leftJoined = box.rightJoined = box.extendCorners = 0;
  return PlanBorderCore(box, kBorderAllSides, kBorderAllSides, rect);
}

void DrawBorderAroundRect(const BorderSpec& spec, const QRectF& rect) {
  QPainter* painter = CurrentQuartzContext();
  if (!painter) return;
  PaintBorderPlan(painter, PlanBorderAroundRect(spec, rect));
}
