#pragma once
// The geometric half of SVG import: lengths and number lists as measures
// (a user unit is a pixel, 9,525 measure units), angles, path data turned
// into polygon elements (arcs and quadratics become cubic segments), the
// transform list, and the placing of each element's frame relative to its
// level's origin while the drawing's minimum origin is tracked.

#include <QString>
#include <QStringView>

#include "interchange/SvgImportState.h"
#include "support/Measure.h"

class DRElement;
class DRElementPolygon;

// Measure units in an SVG user unit (a pixel at 96 per inch).
constexpr MeasureUnit kSvgMeasurePerPixel = 9525;
// Measure units in an angle's full turn (degrees x 12,700).
constexpr int64_t kSvgFullTurn = 4572000;
// The points one path may add; longer path data is cut there.
constexpr uint64_t kSvgMaxPathPoints = 1000000;
// The transform functions one level may give.
constexpr size_t kSvgMaxLevelTransforms = 1024;

// ---- Numbers ----

// A length: pixels by default, any unit the measure parser knows, or a
// percentage of `reference` (0 with no reference or a negative percentage).
// Empty or unreadable text is 0.
MeasureUnit SvgParseMeasure(QStringView text, MeasureUnit reference);
// The next number of a list at `pos`, skipping commas, white space and the
// separator; false (pos unmoved past the separators) when there is none.
bool SvgExtractNextNumber(QStringView text, qsizetype& pos, QChar separator, MeasureUnit* out);
// Reads `count` numbers; false when fewer are found.
bool SvgParsePathValues(QStringView text, qsizetype& pos, int count, MeasureUnit* out);
// An angle with an optional unit (degrees, "rad", "grad", "turn"), as an
// angle value reduced into 0 ... kSvgFullTurn - 1.
int64_t SvgParseRotation(QStringView text);
// A fraction, or a percentage divided by 100; unreadable text is 1.0. A
// negative value is made positive unless allowed; a positive limit caps it.
double SvgParsePercentageCore(QStringView text, bool allowNegative, double limit);

// ---- Paths ----

// Reads path data into polygons: the state's current element (a polygon,
// made when there is none) takes the first subpath, and each finished
// subpath joins the current collection. False when reading ended on a bad
// command or missing values: the unfinished subpath is then dropped (the
// current element is cleared).
bool SvgHandlePathSpec(SvgImportState& state, DRSvgProps& props, QStringView data);
// The "path" element's geometry: every subpath of the data as a polygon
// element of the current collection; the last one when it has two points.
void SvgReadPath(SvgImportState& state, DRSvgProps& props, QStringView data);
// Adds the "points" of a polyline or polygon to the state's polygon.
void SvgReadPoints(SvgImportState& state, QStringView points);

void SvgAddPointToPolygon(SvgImportState& state, DRElementPolygon& polygon, CSPoint point);
void SvgAddCubicBezierToPath(SvgImportState& state, DRElementPolygon& polygon, CSPoint control1, CSPoint control2,
                             CSPoint end);
// A quadratic segment raised to a cubic.
void SvgAddQuadraticBezierToPath(SvgImportState& state, DRElementPolygon& polygon, CSPoint control, CSPoint end);
// Finishes the state's current polygon: frame, style, transforms; it joins
// the current collection (inside definitions, the definition's) when its
// fill or stroke shows, and one of fewer than two points is dropped. Takes
// the element.
void SvgFinishPolygon(SvgImportState& state, DRSvgProps& props);

// ---- Transforms ----

// Reads a transform list into the level's transforms, each function in
// front of the ones before; unknown functions (matrix, skew) are skipped.
void SvgParseTransforms(SvgImportState& state, DRSvgProps& props, QStringView text);
// Applies the level's transforms to the element, front first.
void SvgApplyTransforms(SvgImportState& state, DRSvgProps& props, DRElement& element);
void SvgApplyRotationTransform(SvgImportState& state, DRElement& element, CSPoint centre, int64_t angle);
CSPoint SvgRotatePoint(CSPoint point, CSPoint centre, int64_t angle);
void SvgScaleElementRect(SvgImportState& state, DRSvgProps& props, DRElement& element, double scaleX, double scaleY);

// ---- Frames and properties ----

// Places the working frame on the state's current element with the level's
// line, fill and transforms, and finishes it; false when a closed shape
// ends up without width or height (it is to be dropped).
bool SvgSetFilledFrameAndProps(SvgImportState& state, DRSvgProps& props, bool isPolygon);
// The level's line style on the element; with `outset` a visible stroke
// widens the working frame by half its width on every side.
void SvgSetLineInfo(SvgImportState& state, DRSvgProps& props, DRElement& element, bool outset);
void SvgFinishElement(SvgImportState& state, DRSvgProps& props, DRElement& element);
void SvgSetElementFrame(SvgImportState& state, DRSvgProps& props, DRElement& element, const CSRect& frame);
