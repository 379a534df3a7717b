#include "interchange/SvgGeometry.h"

#include <QFont>
#include <algorithm>
#include <cmath>
#include <numbers>

#include "interchange/SvgKeys.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementLine.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementRoundRect.h"
#include "model/DRElementText.h"
#include "model/GraphicHelpers.h"
#include "support/SaturatingCast.h"

namespace {

bool IsSeparator(QChar c) {
  return c.isSpace() || c == QLatin1Char(',');
}
bool IsAsciiDigit(QChar c) {
  return c.unicode() >= '0' && c.unicode() <= '9';
}

MeasureUnit Add(MeasureUnit a, MeasureUnit b) {
  return SaturatingCast<MeasureUnit>(double(a) + double(b));
}
MeasureUnit Sub(MeasureUnit a, MeasureUnit b) {
  return SaturatingCast<MeasureUnit>(double(a) - double(b));
}
CSPoint AddPoints(CSPoint a, CSPoint b) {
  return CSPoint{Add(a.x, b.x), Add(a.y, b.y)};
}
bool IsNoPoint(CSPoint p) {
  return p.x == kSvgNoPoint && p.y == kSvgNoPoint;
}
constexpr CSPoint kNoPoint{kSvgNoPoint, kSvgNoPoint};

// Numbers of lists and path data stay within this, so sums of two never
// overflow and none becomes an "unset" value.
constexpr MeasureUnit kMaxCoordinate = MeasureUnit(1) << 61;
MeasureUnit ClampCoordinate(MeasureUnit value) {
  return std::clamp(value, -kMaxCoordinate, kMaxCoordinate);
}

// "[-]digits[.digits]" in pixels, rounded as the measure parser rounds
// (fraction digits past 18 ignored, halves away from zero), without its
// general machinery; false for anything longer or out of range.
bool PlainPixels(QStringView text, MeasureUnit* out) {
  qsizetype i = 0;
  const bool negative = i < text.size() && text[i] == QLatin1Char('-');
  if (negative) ++i;
  int64_t whole = 0;
  int wholeDigits = 0;
  for (; i < text.size() && IsAsciiDigit(text[i]); ++i) {
    if (++wholeDigits > 18) return false;
    whole = whole * 10 + (text[i].unicode() - '0');
  }
  int64_t numerator = 0;
  int64_t denominator = 1;
  if (i < text.size() && text[i] == QLatin1Char('.')) {
    int digits = 0;
    for (++i; i < text.size() && IsAsciiDigit(text[i]); ++i) {
      if (digits++ >= 18) continue;
      numerator = numerator * 10 + (text[i].unicode() - '0');
      denominator *= 10;
    }
  }
  if (i != text.size()) return false;
  const __int128 fraction = (__int128(numerator) * kSvgMeasurePerPixel * 2 + denominator) / (__int128(denominator) * 2);
  const __int128 total = __int128(whole) * kSvgMeasurePerPixel + fraction;
  if (total >= __int128(kMixedMeasure)) return false;
  *out = negative ? -MeasureUnit(total) : MeasureUnit(total);
  return true;
}

// ---- Path reading ----

int ValueCount(char16_t command) {
  switch (command) {
    case 'a':
      return 7;
    case 'c':
      return 6;
    case 'h':
      return 1;
    case 'l':
      return 2;
    case 'm':
      return 2;
    case 'q':
      return 4;
    case 's':
      return 4;
    case 't':
      return 2;
    case 'v':
      return 1;
    case 'z':
      return 0;
    default:
      return -1;
  }
}

DRElementPolygon* CurrentPolygon(SvgImportState& state) {
  return dynamic_cast<DRElementPolygon*>(state.currentElement.get());
}

DRElementPolygon& StartPolygon(SvgImportState& state) {
  auto polygon = std::make_unique<DRElementPolygon>();
  DRElementPolygon& result = *polygon;
  state.currentElement = std::move(polygon);
  return result;
}

void WidenWorkingFrame(SvgImportState& state, CSPoint point) {
  if (state.x == kSvgUnsetOrigin || state.y == kSvgUnsetOrigin || state.width < 0 || state.height < 0) {
    state.x = point.x;
    state.y = point.y;
    state.width = 0;
    state.height = 0;
    return;
  }
  const MeasureUnit right = Add(state.x, state.width);
  const MeasureUnit bottom = Add(state.y, state.height);
  state.x = std::min(state.x, point.x);
  state.y = std::min(state.y, point.y);
  state.width = Sub(std::max(right, point.x), state.x);
  state.height = Sub(std::max(bottom, point.y), state.y);
}

// An arc from the current point, as cubic segments collected in the state's
// arc scratch (control 1, control 2, end for each).
void ArcSegments(SvgImportState& state, CSPoint start, const MeasureUnit* values, CSPoint end) {
  state.arcSegments.clear();
  double rx = std::fabs(double(values[0]));
  double ry = std::fabs(double(values[1]));
  if (rx == 0 || ry == 0) return;
  // The rotation is the number as written, in degrees.
  const double phi = double(values[2]) / double(kSvgMeasurePerPixel) * std::numbers::pi / 180.0;
  const bool largeArc = values[3] != 0;
  const bool sweep = values[4] != 0;
  const double cosPhi = std::cos(phi);
  const double sinPhi = std::sin(phi);
  const double dx = (double(start.x) - double(end.x)) / 2.0;
  const double dy = (double(start.y) - double(end.y)) / 2.0;
  const double x1 = std::trunc(cosPhi * dx + sinPhi * dy);
  const double y1 = std::trunc(-sinPhi * dx + cosPhi * dy);
  if (!std::isfinite(x1) || !std::isfinite(y1) || (x1 == 0 && y1 == 0)) return;
  const double lambda = std::trunc(x1 * x1 / (rx * rx)) + std::trunc(y1 * y1 / (ry * ry));
  if (lambda >= 2) {
    rx *= std::sqrt(lambda);
    ry *= std::sqrt(lambda);
  }
  const double rx2 = rx * rx;
  const double ry2 = ry * ry;
  const double denominator = rx2 * y1 * y1 + ry2 * x1 * x1;
  double radicand = denominator > 0 ? (rx2 * ry2 - denominator) / denominator : 0;
  if (!(radicand > 0)) radicand = 0;
  double factor = std::sqrt(radicand);
  if (largeArc == sweep) factor = -factor;
  const double cxPrime = factor * rx * y1 / ry;
  const double cyPrime = -factor * ry * x1 / rx;
  const double cx = cosPhi * cxPrime - sinPhi * cyPrime + (double(start.x) + double(end.x)) / 2.0;
  const double cy = sinPhi * cxPrime + cosPhi * cyPrime + (double(start.y) + double(end.y)) / 2.0;

  auto angle = [](double ux, double uy, double vx, double vy) {
    const double length = std::sqrt(ux * ux + uy * uy) * std::sqrt(vx * vx + vy * vy);
    if (!(length > 0)) return 0.0;
    const double a = std::acos(std::clamp((ux * vx + uy * vy) / length, -1.0, 1.0));
    return ux * vy - uy * vx < 0 ? -a : a;
  };
  const double ux = (x1 - cxPrime) / rx;
  const double uy = (y1 - cyPrime) / ry;
  const double vx = (-x1 - cxPrime) / rx;
  const double vy = (-y1 - cyPrime) / ry;
  const double theta1 = angle(1, 0, ux, uy);
  double delta = angle(ux, uy, vx, vy);
  if (!sweep && delta > 0) delta -= 2 * std::numbers::pi;
  if (sweep && delta < 0) delta += 2 * std::numbers::pi;
  if (!std::isfinite(delta) || !std::isfinite(theta1) || delta == 0) return;

  const double quarter = std::numbers::pi / 2;
  const double quarters = std::fabs(delta) / quarter;
  int count = std::fabs(quarters - 1) < 1e-7 ? 1 : std::max(1, int(std::ceil(quarters)));
  count = std::min(count, 4);
  const double step = delta / count;
  double t = 4.0 / 3.0 * std::tan(step / 4);
  if (std::fabs(std::fabs(step) - quarter) < 1e-7) t = step > 0 ? 0.551915024494 : -0.551915024494;

  auto map = [&](double px, double py, CSPoint* out) {
    const double x = cx + rx * cosPhi * px - ry * sinPhi * py;
    const double y = cy + rx * sinPhi * px + ry * cosPhi * py;
    if (!std::isfinite(x) || !std::isfinite(y)) return false;
    *out = CSPoint{SaturatingCast<MeasureUnit>(x), SaturatingCast<MeasureUnit>(y)};
    return true;
  };
  double theta = theta1;
  for (int i = 0; i < count; ++i) {
    const double next = theta + step;
    const double c0 = std::cos(theta), s0 = std::sin(theta);
    const double c1 = std::cos(next), s1 = std::sin(next);
    CSPoint control1, control2, segmentEnd;
    // A segment that cannot be placed is skipped.
    if (map(c0 - t * s0, s0 + t * c0, &control1) && map(c1 + t * s1, s1 - t * c1, &control2) &&
        map(c1, s1, &segmentEnd)) {
      state.arcSegments.push_back(control1);
      state.arcSegments.push_back(control2);
      state.arcSegments.push_back(segmentEnd);
    }
    theta = next;
  }
}

// The points' extent, at least a point each way.
CSRect PointBounds(const std::vector<CSPoint>& points) {
  if (points.empty()) return CSRect{0, 0, kMeasurePerPoint, kMeasurePerPoint};
  MeasureUnit left = points[0].x, top = points[0].y, right = left, bottom = top;
  for (const CSPoint& p : points) {
    left = std::min(left, p.x);
    top = std::min(top, p.y);
    right = std::max(right, p.x);
    bottom = std::max(bottom, p.y);
  }
  return CSRect{left, top, std::max(Sub(right, left), kMeasurePerPoint), std::max(Sub(bottom, top), kMeasurePerPoint)};
}

// Moves a polygon's points and controls from working coordinates to its
// frame's, and makes the frame the working frame.
void MakePolygonRelative(SvgImportState& state, DRElementPolygon& polygon) {
  const CSRect frame = PointBounds(polygon.points());
  auto relative = [&frame](CSPoint p) { return CSPoint{Sub(p.x, frame.x), Sub(p.y, frame.y)}; };
  for (CSPoint& p : polygon.points()) p = relative(p);
  for (DRControlPair& pair : polygon.controlPairs()) {
    pair.in = relative(pair.in);
    pair.out = relative(pair.out);
  }
  state.x = frame.x;
  state.y = frame.y;
  state.width = frame.width;
  state.height = frame.height;
  polygon.setOriginalSize(CSPoint{frame.width, frame.height});
}

// Applies a mapping of working coordinates to every point and control of a
// polygon whose points are relative to the working frame, then recomputes
// the frame.
template <typename Map>
void MapPolygon(SvgImportState& state, DRElementPolygon& polygon, Map map) {
  const CSPoint origin{state.x == kSvgUnsetOrigin ? 0 : state.x, state.y == kSvgUnsetOrigin ? 0 : state.y};
  for (CSPoint& p : polygon.points()) p = map(AddPoints(p, origin));
  for (DRControlPair& pair : polygon.controlPairs()) {
    pair.in = map(AddPoints(pair.in, origin));
    pair.out = map(AddPoints(pair.out, origin));
  }
  MakePolygonRelative(state, polygon);
}

MeasureUnit ScaleAbout(MeasureUnit value, MeasureUnit origin, double factor) {
  return SaturatingCast<MeasureUnit>(double(origin) + (double(value) - double(origin)) * factor);
}

}  // namespace

// ---- Numbers ----

MeasureUnit SvgParseMeasure(QStringView text, MeasureUnit reference) {
  text = text.trimmed();
  if (text.isEmpty()) return 0;
  MeasureUnit value = 0;
  if (text.endsWith(QLatin1Char('%'))) {
    if (reference == 0) return 0;
    if (!ParseMeasure(text, true, kDistanceUnitPercent, &value, nullptr) || value < 0 || value == kMixedMeasure)
      return 0;
    // Percent values carry 12,700 per percent.
    return SaturatingCast<MeasureUnit>(double(value) * double(reference) / 1270000.0);
  }
  if (!ParseMeasure(text, false, kDistanceUnitPixels, &value, nullptr) || value == kMixedMeasure) return 0;
  return value;
}

bool SvgExtractNextNumber(QStringView text, qsizetype& pos, QChar separator, MeasureUnit* out) {
  while (pos < text.size() && (IsSeparator(text[pos]) || text[pos] == separator)) ++pos;
  qsizetype end = pos;
  if (end < text.size() && text[end] == QLatin1Char('-')) ++end;
  bool point = false;
  bool digits = false;
  while (end < text.size()) {
    const QChar c = text[end];
    if (IsAsciiDigit(c)) {
      digits = true;
    } else if (c == QLatin1Char('.') && !point) {
      point = true;
    } else {
      break;
    }
    ++end;
  }
  if (!digits) return false;
  if (end < text.size() && (text[end] == QLatin1Char('e') || text[end] == QLatin1Char('E'))) {
    qsizetype exponent = end + 1;
    if (exponent < text.size() && (text[exponent] == QLatin1Char('-') || text[exponent] == QLatin1Char('+')))
      ++exponent;
    const qsizetype exponentDigits = exponent;
    while (exponent < text.size() && IsAsciiDigit(text[exponent])) ++exponent;
    if (exponent > exponentDigits) {
      bool ok = false;
      const double number = text.mid(pos, exponent - pos).toDouble(&ok);
      pos = exponent;
      // Out of range saturates; what is no number at all reads as 0.
      *out = ok || std::isinf(number)
                 ? ClampCoordinate(SaturatingRound<MeasureUnit>(number * double(kSvgMeasurePerPixel)))
                 : 0;
      return true;
    }
  }
  const QStringView number = text.mid(pos, end - pos);
  MeasureUnit value = 0;
  if (!PlainPixels(number, &value) &&
      (!ParseMeasure(number, false, kDistanceUnitPixels, &value, nullptr) || value == kMixedMeasure)) {
    // Too large for the measure parser: saturated, as with an exponent.
    bool ok = false;
    const double converted = number.toDouble(&ok);
    value = ok ? SaturatingRound<MeasureUnit>(converted * double(kSvgMeasurePerPixel)) : 0;
  }
  *out = ClampCoordinate(value);
  pos = end;
  return true;
}

bool SvgParsePathValues(QStringView text, qsizetype& pos, int count, MeasureUnit* out) {
  for (int i = 0; i < count; ++i) {
    if (!SvgExtractNextNumber(text, pos, QChar(), &out[i])) return false;
  }
  return true;
}

int64_t SvgParseRotation(QStringView text) {
  text = text.trimmed();
  qsizetype end = 0;
  if (end < text.size() && (text[end] == QLatin1Char('-') || text[end] == QLatin1Char('+'))) ++end;
  while (end < text.size() && (IsAsciiDigit(text[end]) || text[end] == QLatin1Char('.'))) ++end;
  if (end < text.size() && (text[end] == QLatin1Char('e') || text[end] == QLatin1Char('E'))) {
    qsizetype exponent = end + 1;
    if (exponent < text.size() && (text[exponent] == QLatin1Char('-') || text[exponent] == QLatin1Char('+')))
      ++exponent;
    const qsizetype digits = exponent;
    while (exponent < text.size() && IsAsciiDigit(text[exponent])) ++exponent;
    if (exponent > digits) end = exponent;
  }
  bool ok = false;
  const double number = text.left(end).toDouble(&ok);
  if (!ok || number == 0 || !std::isfinite(number)) return 0;
  const QStringView unit = text.mid(end).trimmed();
  double turns = number / 360.0;
  if (unit == u"rad") {
    turns = number / (2 * std::numbers::pi);
  } else if (unit == u"grad") {
    turns = number / 400.0;
  } else if (unit == u"turn") {
    turns = number;
  }
  double value = std::fmod(turns, 1.0) * double(kSvgFullTurn);
  int64_t angle = SaturatingRound<int64_t>(value) % kSvgFullTurn;
  if (angle < 0) angle += kSvgFullTurn;
  return angle;
}

double SvgParsePercentageCore(QStringView text, bool allowNegative, double limit) {
  text = text.trimmed();
  bool percent = false;
  if (text.endsWith(QLatin1Char('%'))) {
    percent = true;
    text.chop(1);
  }
  bool ok = false;
  double value = text.trimmed().toDouble(&ok);
  if (!ok || !std::isfinite(value)) return 1.0;
  if (percent) value /= 100.0;
  if (!allowNegative && value < 0) value = -value;
  if (limit > 0 && value > limit) value = limit;
  return value;
}

// ---- Paths ----

void SvgAddPointToPolygon(SvgImportState& state, DRElementPolygon& polygon, CSPoint point) {
  if (polygon.curves() && !polygon.points().empty()) {
    polygon.addAnglePointWithCurves(point);
  } else {
    polygon.points().push_back(point);
  }
  ++state.pathPointCount;
  WidenWorkingFrame(state, point);
}

void SvgAddCubicBezierToPath(SvgImportState& state, DRElementPolygon& polygon, CSPoint control1, CSPoint control2,
                             CSPoint end) {
  if (polygon.points().empty()) {
    SvgAddPointToPolygon(state, polygon, state.currentPoint);
  }
  if (!polygon.curves() || polygon.controlPairs().size() != polygon.points().size()) {
    polygon.controlPairs().clear();
    polygon.addControlPointsForAngles();
  }
  std::vector<CSPoint>& points = polygon.points();
  std::vector<DRControlPair>& pairs = polygon.controlPairs();
  pairs.back().out = control1;
  const CSPoint first = points.front();
  points.push_back(end);
  pairs.push_back(DRControlPair{control2, InterpolateLineThird(end, first)});
  pairs.front().in = InterpolateLineThird(first, end);
  if (state.firstCubicControl.x == kSvgNoPoint) state.firstCubicControl = control1;
  ++state.pathPointCount;
  WidenWorkingFrame(state, end);
}

void SvgAddQuadraticBezierToPath(SvgImportState& state, DRElementPolygon& polygon, CSPoint control, CSPoint end) {
  const CSPoint start = state.currentPoint;
  auto twoThirds = [](MeasureUnit from, MeasureUnit to) {
    return SaturatingCast<MeasureUnit>(std::trunc(double(from) + 2.0 / 3.0 * (double(to) - double(from))));
  };
  const CSPoint control1{twoThirds(start.x, control.x), twoThirds(start.y, control.y)};
  const CSPoint control2{twoThirds(end.x, control.x), twoThirds(end.y, control.y)};
  SvgAddCubicBezierToPath(state, polygon, control1, control2, end);
}

void SvgFinishPolygon(SvgImportState& state, DRSvgProps& props) {
  std::unique_ptr<DRElement> element = std::move(state.currentElement);
  auto* polygon = dynamic_cast<DRElementPolygon*>(element.get());
  if (!polygon) return;
  // A lone move, or control pairs that do not match the points, build nothing.
  if (polygon->points().size() < 2) return;
  const size_t pairs = polygon->controlPairs().size();
  if (pairs != 0 && pairs != polygon->points().size()) return;
  MakePolygonRelative(state, *polygon);
  state.currentElement = std::move(element);
  const bool kept = SvgSetFilledFrameAndProps(state, props, true);
  element = std::move(state.currentElement);
  if (!kept || !element) return;
  polygon = static_cast<DRElementPolygon*>(element.get());
  const DRLineInfo& line = polygon->lineStyle();
  const bool strokeShows = IsVisibleKolor(line.kolor()) && line.width() > 0;
  const bool fillShows = IsVisibleKolor(polygon->fillKolor()) || polygon->gradient().has_value();
  if (!strokeShows && !fillShows) return;
  if (!state.insideDefs && !state.notes.isEmpty()) polygon->setNotes(state.notes);
  if (state.currentCollection) state.currentCollection->push_back(std::move(element));
}

bool SvgHandlePathSpec(SvgImportState& state, DRSvgProps& props, QStringView data) {
  data = data.trimmed();
  state.clearWorkingFrame();
  state.subpathStart = kNoPoint;
  state.currentPoint = CSPoint{0, 0};
  state.firstCubicControl = kNoPoint;
  state.lastCubicControl = kNoPoint;
  state.lastQuadraticControl = kNoPoint;
  state.pathPointCount = 0;
  if (!CurrentPolygon(state)) StartPolygon(state);

  char16_t previous = 0;
  char16_t command = 0;
  bool absolute = false;
  qsizetype pos = 0;
  MeasureUnit values[7];
  auto fail = [&state] {
    state.currentElement.reset();
    return false;
  };
  for (;;) {
    while (pos < data.size() && IsSeparator(data[pos])) ++pos;
    if (pos >= data.size()) break;
    const QChar c = data[pos];
    if (c.isLetter() && c.unicode() < 128) {
      command = QChar::toLower(c.unicode());
      absolute = c.isUpper();
      ++pos;
    } else if (IsAsciiDigit(c) || c == QLatin1Char('-') || c == QLatin1Char('.')) {
      // Numbers repeat the previous command; pairs after a move are lines.
      if (command == 0 || command == 'z') return fail();
      if (command == 'm') command = 'l';
    } else {
      return fail();
    }
    const int count = ValueCount(command);
    if (count < 0) return fail();
    if (!SvgParsePathValues(data, pos, count, values)) return fail();
    if (state.pathPointCount >= kSvgMaxPathPoints) return fail();

    DRElementPolygon* polygon = CurrentPolygon(state);
    if (!polygon) polygon = &StartPolygon(state);
    if ((previous == 'z' && command != 'z') || (command == 'm' && !polygon->points().empty())) {
      SvgFinishPolygon(state, props);
      state.clearWorkingFrame();
      state.firstCubicControl = kNoPoint;
      polygon = &StartPolygon(state);
      // A subpath that does not begin with a move begins where the last one
      // ended.
      if (command != 'm') {
        SvgAddPointToPolygon(state, *polygon, state.currentPoint);
        state.subpathStart = state.currentPoint;
      }
    }
    const CSPoint base = absolute ? CSPoint{0, 0} : state.currentPoint;
    // Relative steps add up; the point stays within the coordinate range.
    auto at = [&base](MeasureUnit x, MeasureUnit y) {
      const CSPoint p = AddPoints(base, CSPoint{x, y});
      return CSPoint{ClampCoordinate(p.x), ClampCoordinate(p.y)};
    };
    const char16_t wasCommand = previous;
    previous = command;
    switch (command) {
      case 'm': {
        const CSPoint point = at(values[0], values[1]);
        SvgAddPointToPolygon(state, *polygon, point);
        state.currentPoint = point;
        state.subpathStart = point;
        state.lastCubicControl = kNoPoint;
        state.lastQuadraticControl = kNoPoint;
        break;
      }
      case 'l':
      case 'h':
      case 'v': {
        CSPoint point = state.currentPoint;
        if (command == 'l') {
          point = at(values[0], values[1]);
        } else if (command == 'h') {
          point.x = absolute ? values[0] : ClampCoordinate(Add(state.currentPoint.x, values[0]));
        } else {
          point.y = absolute ? values[0] : ClampCoordinate(Add(state.currentPoint.y, values[0]));
        }
        if (polygon->points().empty()) SvgAddPointToPolygon(state, *polygon, state.currentPoint);
        SvgAddPointToPolygon(state, *polygon, point);
        state.currentPoint = point;
        state.lastCubicControl = kNoPoint;
        state.lastQuadraticControl = kNoPoint;
        break;
      }
      case 'c':
      case 's': {
        CSPoint control1;
        CSPoint control2;
        CSPoint end;
        if (command == 'c') {
          control1 = at(values[0], values[1]);
          control2 = at(values[2], values[3]);
          end = at(values[4], values[5]);
        } else {
          const bool afterCubic = (wasCommand == 'c' || wasCommand == 's') && !IsNoPoint(state.lastCubicControl);
          control1 = afterCubic
                         ? CSPoint{Sub(Add(state.currentPoint.x, state.currentPoint.x), state.lastCubicControl.x),
                                   Sub(Add(state.currentPoint.y, state.currentPoint.y), state.lastCubicControl.y)}
                         : state.currentPoint;
          control2 = at(values[0], values[1]);
          end = at(values[2], values[3]);
        }
        SvgAddCubicBezierToPath(state, *polygon, control1, control2, end);
        state.lastCubicControl = control2;
        state.lastQuadraticControl = kNoPoint;
        state.currentPoint = end;
        break;
      }
      case 'q':
      case 't': {
        CSPoint control;
        CSPoint end;
        if (command == 'q') {
          control = at(values[0], values[1]);
          end = at(values[2], values[3]);
        } else {
          const bool afterQuadratic =
              (wasCommand == 'q' || wasCommand == 't') && !IsNoPoint(state.lastQuadraticControl);
          control = afterQuadratic
                        ? CSPoint{Sub(Add(state.currentPoint.x, state.currentPoint.x), state.lastQuadraticControl.x),
                                  Sub(Add(state.currentPoint.y, state.currentPoint.y), state.lastQuadraticControl.y)}
                        : state.currentPoint;
          end = at(values[0], values[1]);
        }
        SvgAddQuadraticBezierToPath(state, *polygon, control, end);
        state.lastQuadraticControl = control;
        state.lastCubicControl = kNoPoint;
        state.currentPoint = end;
        break;
      }
      case 'a': {
        const CSPoint end = at(values[5], values[6]);
        ArcSegments(state, state.currentPoint, values, end);
        for (size_t i = 0; i + 2 < state.arcSegments.size(); i += 3) {
          SvgAddCubicBezierToPath(state, *polygon, state.arcSegments[i], state.arcSegments[i + 1],
                                  state.arcSegments[i + 2]);
        }
        state.currentPoint = end;
        state.lastCubicControl = kNoPoint;
        state.lastQuadraticControl = kNoPoint;
        break;
      }
      case 'z': {
        polygon->setClosed(true);
        if (!IsNoPoint(state.subpathStart)) state.currentPoint = state.subpathStart;
        state.lastCubicControl = kNoPoint;
        state.lastQuadraticControl = kNoPoint;
        break;
      }
      default:
        return fail();
    }
  }
  return true;
}

void SvgReadPath(SvgImportState& state, DRSvgProps& props, QStringView data) {
  const QStringView trimmed = data.trimmed();
  if (trimmed.isEmpty() || trimmed == u"none") return;
  state.currentElement.reset();
  SvgHandlePathSpec(state, props, trimmed);
  DRElementPolygon* polygon = CurrentPolygon(state);
  if (polygon && polygon->points().size() >= 2) {
    SvgFinishPolygon(state, props);
  }
  state.currentElement.reset();
}

void SvgReadPoints(SvgImportState& state, QStringView points) {
  points = points.trimmed();
  DRElementPolygon* polygon = CurrentPolygon(state);
  if (!polygon || points == u"none") return;
  qsizetype pos = 0;
  for (;;) {
    MeasureUnit pair[2];
    if (!SvgParsePathValues(points, pos, 2, pair)) break;
    if (state.pathPointCount >= kSvgMaxPathPoints) break;
    SvgAddPointToPolygon(state, *polygon, CSPoint{pair[0], pair[1]});
  }
}

// ---- Transforms ----

void SvgParseTransforms(SvgImportState& state, DRSvgProps& props, QStringView text) {
  (void)state;
  text = text.trimmed();
  if (text.isEmpty() || text == u"none") return;
  qsizetype pos = 0;
  while (pos < text.size()) {
    while (pos < text.size() && IsSeparator(text[pos])) ++pos;
    if (pos >= text.size()) break;
    const qsizetype nameStart = pos;
    while (pos < text.size() && text[pos] != QLatin1Char('(') && !text[pos].isSpace()) ++pos;
    const QStringView name = text.mid(nameStart, pos - nameStart);
    while (pos < text.size() && text[pos].isSpace()) ++pos;
    if (pos >= text.size() || text[pos] != QLatin1Char('(')) break;
    const qsizetype close = text.indexOf(QLatin1Char(')'), pos);
    const qsizetype argumentsEnd = close < 0 ? text.size() : close;
    QList<QStringView> arguments;
    qsizetype a = pos + 1;
    while (a < argumentsEnd) {
      while (a < argumentsEnd && (IsSeparator(text[a]) || text[a] == QLatin1Char('('))) ++a;
      const qsizetype start = a;
      while (a < argumentsEnd && !IsSeparator(text[a]) && text[a] != QLatin1Char('(')) ++a;
      if (a > start) arguments.append(text.mid(start, a - start));
    }
    pos = close < 0 ? text.size() : close + 1;
    if (arguments.isEmpty()) continue;
    if (props.transforms.size() - std::min<size_t>(props.parentTransformCount, props.transforms.size()) >=
        kSvgMaxLevelTransforms)
      break;

    SvgTransform transform;
    auto number = [](QStringView argument, double* out) {
      bool ok = false;
      *out = argument.toDouble(&ok);
      return ok && std::isfinite(*out);
    };
    switch (SvgKeyForName(name)) {
      case kSvgRotate:
        transform.kind = kSvgRotateAboutOrigin;
        transform.angle = SvgParseRotation(arguments[0]);
        if (arguments.size() >= 3) {
          transform.kind = kSvgRotateAboutPoint;
          transform.x = SvgParseMeasure(arguments[1], props.viewBox.width);
          transform.y = SvgParseMeasure(arguments[2], props.viewBox.height);
        }
        break;
      case kSvgScale:
        transform.kind = kSvgScaleTransform;
        if (!number(arguments[0], &transform.scaleX)) continue;
        transform.scaleY = transform.scaleX;
        if (arguments.size() >= 2 && !number(arguments[1], &transform.scaleY)) continue;
        break;
      case kSvgScaleX:
        transform.kind = kSvgScaleTransform;
        if (!number(arguments[0], &transform.scaleX)) continue;
        break;
      case kSvgScaleY:
        transform.kind = kSvgScaleTransform;
        if (!number(arguments[0], &transform.scaleY)) continue;
        break;
      case kSvgTranslate:
        transform.kind = kSvgTranslateTransform;
        transform.x = SvgParseMeasure(arguments[0], props.viewBox.width);
        transform.y = arguments.size() >= 2 ? SvgParseMeasure(arguments[1], props.viewBox.height) : 0;
        break;
      default:
        continue;
    }
    props.transforms.insert(props.transforms.begin(), transform);
  }
}

CSPoint SvgRotatePoint(CSPoint point, CSPoint centre, int64_t angle) {
  const double radians = double(angle) / double(kSvgFullTurn) * 2 * std::numbers::pi;
  const double c = std::cos(radians);
  const double s = std::sin(radians);
  const double dx = double(point.x) - double(centre.x);
  const double dy = double(point.y) - double(centre.y);
  return CSPoint{SaturatingRound<MeasureUnit>(double(centre.x) + dx * c - dy * s),
                 SaturatingRound<MeasureUnit>(double(centre.y) + dx * s + dy * c)};
}

void SvgApplyRotationTransform(SvgImportState& state, DRElement& element, CSPoint centre, int64_t angle) {
  // Polygons and lines turn their points; their frame follows them.
  if (auto* polygon = dynamic_cast<DRElementPolygon*>(&element)) {
    MapPolygon(state, *polygon, [&](CSPoint p) { return SvgRotatePoint(p, centre, angle); });
    return;
  }
  if (auto* line = dynamic_cast<DRElementLine*>(&element)) {
    line->setStartPoint(SvgRotatePoint(line->startPoint(), centre, angle));
    line->setEndPoint(SvgRotatePoint(line->endPoint(), centre, angle));
    return;
  }
  const CSPoint frameCentre{Add(state.x, state.width / 2), Add(state.y, state.height / 2)};
  const double farX = std::fabs(double(centre.x) - double(frameCentre.x));
  const double farY = std::fabs(double(centre.y) - double(frameCentre.y));
  if (farX >= 2.0 * kMeasurePerPoint || farY >= 2.0 * kMeasurePerPoint) {
    const CSPoint moved = SvgRotatePoint(frameCentre, centre, angle);
    state.x = Add(state.x, Sub(moved.x, frameCentre.x));
    state.y = Add(state.y, Sub(moved.y, frameCentre.y));
  }
  const bool circle = element.elementType() == kElementEllipse && state.width == state.height;
  if (circle) return;
  element.setRotation((element.rotation() + angle) % kSvgFullTurn);
}

void SvgScaleElementRect(SvgImportState& state, DRSvgProps& props, DRElement& element, double scaleX, double scaleY) {
  const CSPoint origin{props.viewBox.x, props.viewBox.y};
  auto scalePoint = [&](CSPoint p) {
    return CSPoint{ScaleAbout(p.x, origin.x, scaleX), ScaleAbout(p.y, origin.y, scaleY)};
  };
  if (auto* polygon = dynamic_cast<DRElementPolygon*>(&element)) {
    MapPolygon(state, *polygon, scalePoint);
    return;
  }
  if (auto* line = dynamic_cast<DRElementLine*>(&element)) {
    line->setStartPoint(scalePoint(line->startPoint()));
    line->setEndPoint(scalePoint(line->endPoint()));
    return;
  }
  const double smaller = std::min(std::fabs(scaleX), std::fabs(scaleY));
  if (auto* text = dynamic_cast<DRElementText*>(&element)) {
    DRTextInfo info = text->textInfo();
    QFont font = info.fontValue();
    if (font.pointSizeF() > 0) {
      font.setPointSizeF(std::clamp(font.pointSizeF() * smaller, 1.0, 4096.0));
      info.setFont(font);
      text->setTextInfo(info);
    }
  }
  auto scaleEdge = [](MeasureUnit position, MeasureUnit size, MeasureUnit o, double factor, MeasureUnit* newSize) {
    const MeasureUnit a = ScaleAbout(position, o, factor);
    const MeasureUnit b = ScaleAbout(Add(position, size), o, factor);
    *newSize = Sub(std::max(a, b), std::min(a, b));
    return std::min(a, b);
  };
  MeasureUnit width = 0;
  MeasureUnit height = 0;
  state.x = scaleEdge(state.x, state.width, origin.x, scaleX, &width);
  state.y = scaleEdge(state.y, state.height, origin.y, scaleY, &height);
  state.width = width;
  state.height = height;
  if (auto* round = dynamic_cast<DRElementRoundRect*>(&element))
    round->setCornerRadius(SaturatingCast<MeasureUnit>(double(round->cornerRadius()) * smaller));
  element.setOriginalSize(CSPoint{width, height});
}

void SvgApplyTransforms(SvgImportState& state, DRSvgProps& props, DRElement& element) {
  for (const SvgTransform& transform : props.transforms) {
    switch (transform.kind) {
      case kSvgRotateAboutOrigin:
        SvgApplyRotationTransform(
            state, element,
            CSPoint{Sub(props.viewBox.x, state.documentOrigin.x), Sub(props.viewBox.y, state.documentOrigin.y)},
            transform.angle);
        break;
      case kSvgRotateAboutPoint:
        SvgApplyRotationTransform(state, element, CSPoint{transform.x, transform.y}, transform.angle);
        break;
      case kSvgScaleTransform:
        SvgScaleElementRect(state, props, element, transform.scaleX, transform.scaleY);
        break;
      case kSvgTranslateTransform:
        props.viewBox.x = Sub(props.viewBox.x, transform.x);
        props.viewBox.y = Sub(props.viewBox.y, transform.y);
        break;
      default:
        break;
    }
  }
}

// ---- Frames and properties ----

void SvgSetLineInfo(SvgImportState& state, DRSvgProps& props, DRElement& element, bool outset) {
  DRLineInfo line = props.lineInfo;
  Kolor kolor = line.kolor();
  if (IsVisibleKolor(kolor) && line.width() != 0) {
    if (props.strokeOpacity >= 0) {
      const int opacity = int(std::lround(std::clamp(props.strokeOpacity, 0.0, 1.0) * 100));
      kolor = opacity == 0 ? g_nilKolor : MakeKolor(KolorRed(kolor), KolorGreen(kolor), KolorBlue(kolor), opacity);
    }
  } else {
    kolor = g_nilKolor;
  }
  line.setKolorWithoutRegistering(kolor);
  // Patterns are kept relative to the stroke width; a width of 0 leaves them.
  if (line.lineStyle() == kLineStyleCustom && line.pattern() && line.width() > 0) {
    DRLineInfo::Pattern pattern = *line.pattern();
    for (MeasureUnit& entry : pattern)
      entry = SaturatingRound<MeasureUnit>(double(entry) * double(kMeasurePerPoint) / double(line.width()));
    line.setPattern(pattern);
  }
  element.setLineInfo(line);
  if (outset && !state.insideDefs && IsVisibleKolor(kolor) && line.width() > 0 &&
      line.width() < std::min(state.width, state.height)) {
    const MeasureUnit half = line.width() / 2;
    state.x = Sub(state.x, half);
    state.y = Sub(state.y, half);
    state.width = Add(state.width, line.width());
    state.height = Add(state.height, line.width());
  }
}

void SvgSetElementFrame(SvgImportState& state, DRSvgProps& props, DRElement& element, const CSRect& frame) {
  CSPoint levelOrigin{props.viewBox.x, props.viewBox.y};
  if (state.insideDefs || state.storingDefinition)
    levelOrigin = CSPoint{Sub(levelOrigin.x, state.documentOrigin.x), Sub(levelOrigin.y, state.documentOrigin.y)};
  const CSRect placed{Sub(frame.x, levelOrigin.x), Sub(frame.y, levelOrigin.y), frame.width, frame.height};
  element.setFrame(placed);
  if (state.insideDefs || state.storingDefinition) return;
  auto widen = [&state](MeasureUnit x, MeasureUnit y) {
    state.minimumOrigin.x = std::min(state.minimumOrigin.x, x);
    state.minimumOrigin.y = std::min(state.minimumOrigin.y, y);
  };
  widen(placed.x, placed.y);
  if (auto* polygon = dynamic_cast<DRElementPolygon*>(&element)) {
    if (polygon->curvePointCount() > 0) {
      const CSRect curved = polygon->rawCurvedBounds();
      widen(Add(placed.x, curved.x), Add(placed.y, curved.y));
    } else {
      const MeasureUnit expansion = polygon->lineBoundsExpansion(false);
      widen(Sub(placed.x, expansion), Sub(placed.y, expansion));
    }
  }
  if (element.rotation() != 0) {
    const CSRect rotated = element.bounds(false);
    widen(rotated.x, rotated.y);
  }
}

void SvgFinishElement(SvgImportState& state, DRSvgProps& props, DRElement& element) {
  if (auto* polygon = dynamic_cast<DRElementPolygon*>(&element)) {
    polygon->setAlternateFillRule(props.alternateFillRule);
    const bool fills = IsVisibleKolor(polygon->fillKolor()) || polygon->gradient().has_value();
    if (!polygon->isClosed() && fills) {
      polygon->setClosed(true);
      polygon->setClosedForSvgFill(true);
    }
  } else if (auto* line = dynamic_cast<DRElementLine*>(&element)) {
    const CSRect frame = RectFromPointsMU(line->startPoint(), line->endPoint());
    line->setStartPoint(CSPoint{Sub(line->startPoint().x, frame.x), Sub(line->startPoint().y, frame.y)});
    line->setEndPoint(CSPoint{Sub(line->endPoint().x, frame.x), Sub(line->endPoint().y, frame.y)});
    line->setOriginalSize(CSPoint{frame.width, frame.height});
    state.x = frame.x;
    state.y = frame.y;
    state.width = frame.width;
    state.height = frame.height;
    SvgSetLineInfo(state, props, element, false);
  }
  SvgSetElementFrame(state, props, element, CSRect{state.x, state.y, state.width, state.height});
}

bool SvgSetFilledFrameAndProps(SvgImportState& state, DRSvgProps& props, bool isPolygon) {
  DRElement* element = state.currentElement.get();
  if (!element) return false;
  if (!isPolygon) {
    if (state.cxGiven) state.x = Sub(state.x, state.width / 2);
    if (state.cyGiven) state.y = Sub(state.y, state.height / 2);
    if (state.cxGiven || state.cyGiven) element->setResizeFromCenter(true);
  }
  SvgSetLineInfo(state, props, *element, !isPolygon);
  if (auto* closed = dynamic_cast<DRElementClosed*>(element)) {
    if (props.gradient) {
      closed->setGradient(props.gradient);
    } else {
      Kolor fill = props.fillKolor;
      if (!IsVisibleKolor(fill) || props.fillOpacity == 0) {
        fill = g_nilKolor;
      } else if (props.fillOpacity > 0) {
        const int opacity = int(std::lround(std::clamp(props.fillOpacity, 0.0, 1.0) * 100));
        fill = opacity == 0 ? g_nilKolor : MakeKolor(KolorRed(fill), KolorGreen(fill), KolorBlue(fill), opacity);
      }
      closed->setFillKolor(fill);
    }
  }
  element->setOriginalSize(CSPoint{std::max<MeasureUnit>(state.width, 0), std::max<MeasureUnit>(state.height, 0)});
  SvgApplyTransforms(state, props, *element);
  SvgFinishElement(state, props, *element);
  if (!isPolygon && dynamic_cast<DRElementClosed*>(element) && (state.width <= 0 || state.height <= 0)) {
    state.currentElement.reset();
    return false;
  }
  return true;
}
