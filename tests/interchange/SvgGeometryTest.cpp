#include <gtest/gtest.h>

#include <cmath>

#include "interchange/SvgGeometry.h"
#include "interchange/SvgStyle.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementLine.h"
#include "model/DRElementPolygon.h"
#include "model/DRElementRectangle.h"
#include "testkit/QStringPrinter.h"

namespace {

constexpr MeasureUnit Px(double pixels) {
  return MeasureUnit(pixels * double(kSvgMeasurePerPixel));
}

// The polygons a path's data makes at the document level.
std::vector<const DRElementPolygon*> PathPolygons(SvgImportState& state, const QString& data) {
  SvgReadPath(state, state.top(), data);
  std::vector<const DRElementPolygon*> polygons;
  for (const auto& element : state.elements) {
    if (auto* polygon = dynamic_cast<const DRElementPolygon*>(element.get())) polygons.push_back(polygon);
  }
  return polygons;
}

// Reads the data into the state's current polygon, without finishing it.
const DRElementPolygon* ReadIntoPolygon(SvgImportState& state, const QString& data) {
  state.currentElement = std::make_unique<DRElementPolygon>();
  SvgHandlePathSpec(state, state.top(), data);
  return dynamic_cast<const DRElementPolygon*>(state.currentElement.get());
}

// Finishes an element of the state over the working frame (pixels) with
// the level's transforms.
void Finish(SvgImportState& state, std::unique_ptr<DRElement> element, double x, double y, double w, double h) {
  state.currentElement = std::move(element);
  state.x = Px(x);
  state.y = Px(y);
  state.width = Px(w);
  state.height = Px(h);
  SvgSetFilledFrameAndProps(state, state.top(), false);
}

}  // namespace

TEST(SvgGeometry, Lengths) {
  struct Case {
    const char* text;
    MeasureUnit reference;
    MeasureUnit expected;
  };
  const Case cases[] = {
      {"", 0, 0},          {"10", 0, Px(10)},        {"10px", 0, Px(10)},      {"1pt", 0, 12700}, {"1in", 0, 914400},
      {" 2.5 ", 0, 23813}, {"50%", Px(200), 952500}, {"-50%", Px(200), 0},     {"50%", 0, 0},     {"abc", 0, 0},
      {"-", 0, 0},         {"1e99", 0, 0},           {"100%", Px(30), Px(30)},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(SvgParseMeasure(QString::fromLatin1(c.text), c.reference), c.expected) << c.text;
  }
}

TEST(SvgGeometry, NumberLists) {
  const QString text = QStringLiteral(" 1-2,.5.5 ,1e2 -3E-1x");
  qsizetype pos = 0;
  std::vector<MeasureUnit> numbers;
  MeasureUnit value = 0;
  while (SvgExtractNextNumber(text, pos, QChar(), &value)) numbers.push_back(value);
  EXPECT_EQ(numbers, (std::vector<MeasureUnit>{Px(1), Px(-2), 4763, 4763, Px(100), -2858}));
  EXPECT_EQ(text.mid(pos), QStringLiteral("x"));

  // Out of range saturates far from the unset values.
  pos = 0;
  ASSERT_TRUE(SvgExtractNextNumber(u"1e999", pos, QChar(), &value));
  EXPECT_GT(value, MeasureUnit(1) << 60);
  EXPECT_LT(value, kSvgUnsetOrigin);
  pos = 0;
  ASSERT_TRUE(SvgExtractNextNumber(u"-99999999999999999999999", pos, QChar(), &value));
  EXPECT_LT(value, 0);

  MeasureUnit values[3];
  pos = 0;
  EXPECT_FALSE(SvgParsePathValues(u"1 2", pos, 3, values));
  pos = 0;
  EXPECT_TRUE(SvgParsePathValues(u"1%2%3", pos, 3, values) == false);
}

TEST(SvgGeometry, ListNumbersRoundAsLengthsDo) {
  // Numbers of lists take a quicker road than lengths; both must agree.
  for (const char* number :
       {"0", "1", "-1", "0.1", "2.5", "-2.5", ".5", "-.05", "5.", "123456789.987654321", "0.00005", "-0.000052",
        "1.00000000000000000001", "999999999999", "0.333333333333333333333", "000012.50"}) {
    qsizetype pos = 0;
    MeasureUnit listed = 0;
    ASSERT_TRUE(SvgExtractNextNumber(QString::fromLatin1(number), pos, QChar(), &listed)) << number;
    EXPECT_EQ(listed, SvgParseMeasure(QString::fromLatin1(number), 0)) << number;
  }
}

TEST(SvgGeometry, Angles) {
  struct Case {
    const char* text;
    int64_t angle;
  };
  const Case cases[] = {
      {"90", 1143000},      {"90deg", 1143000}, {"-90", 3429000}, {"0.5turn", 2286000}, {"1turn", 0},
      {"100grad", 1143000}, {"0", 0},           {"junk", 0},      {"720", 0},           {"1e300", 0 /*checked below*/}};
  for (const Case& c : cases) {
    if (QLatin1String(c.text) == QLatin1String("1e300")) continue;
    EXPECT_EQ(SvgParseRotation(QString::fromLatin1(c.text)), c.angle) << c.text;
  }
  EXPECT_NEAR(double(SvgParseRotation(u"3.14159265358979rad")), 2286000.0, 1.0);
  const int64_t huge = SvgParseRotation(u"1e300");
  EXPECT_GE(huge, 0);
  EXPECT_LT(huge, kSvgFullTurn);
}

TEST(SvgGeometry, Fractions) {
  EXPECT_DOUBLE_EQ(SvgParsePercentageCore(u"50%", false, 0), 0.5);
  EXPECT_DOUBLE_EQ(SvgParsePercentageCore(u"0.25", false, 0), 0.25);
  EXPECT_DOUBLE_EQ(SvgParsePercentageCore(u"-0.5", false, 0), 0.5);
  EXPECT_DOUBLE_EQ(SvgParsePercentageCore(u"-0.5", true, 0), -0.5);
  EXPECT_DOUBLE_EQ(SvgParsePercentageCore(u"3", false, 1), 1.0);
  EXPECT_DOUBLE_EQ(SvgParsePercentageCore(u"x", false, 1), 1.0);
  EXPECT_DOUBLE_EQ(SvgParsePercentageCore(u"nan", false, 1), 1.0);
}

TEST(SvgGeometry, BarePairsAfterAMoveAreLines) {
  SvgImportState state;
  const auto polygons = PathPolygons(state, QStringLiteral("M0 0 10 0 10 10"));
  ASSERT_EQ(polygons.size(), 1u);
  EXPECT_EQ(polygons[0]->points(), (std::vector<CSPoint>{{0, 0}, {Px(10), 0}, {Px(10), Px(10)}}));
  EXPECT_FALSE(polygons[0]->isClosed() && !polygons[0]->closedForSvgFill());
  EXPECT_EQ(polygons[0]->frame(), (CSRect{0, 0, Px(10), Px(10)}));
}

TEST(SvgGeometry, SubpathsBecomePolygons) {
  SvgImportState state;
  const auto polygons = PathPolygons(state, QStringLiteral("M0 0 L10 0 L10 10 Z M20 20 l10 10"));
  ASSERT_EQ(polygons.size(), 2u);
  EXPECT_TRUE(polygons[0]->isClosed());
  EXPECT_EQ(polygons[0]->points().size(), 3u);
  EXPECT_EQ(polygons[1]->frame(), (CSRect{Px(20), Px(20), Px(10), Px(10)}));

  // After a close, a line starts a new subpath where the last began.
  SvgImportState after;
  const auto lines = PathPolygons(after, QStringLiteral("M5 5 h10 v10 z l0 20"));
  ASSERT_EQ(lines.size(), 2u);
  EXPECT_EQ(lines[1]->frame(), (CSRect{Px(5), Px(5), 12700, Px(20)}));
}

TEST(SvgGeometry, BadCommandsDropOnlyTheLastSubpath) {
  struct Case {
    const char* data;
    size_t polygons;
  };
  const Case cases[] = {
      {"M0 0 L10 0 M20 20 L30 30 X", 1},
      {"M0 0 L10 0 L5", 0},
      {"M0 0 L10 0 Z M1 1 L2 2 K 3 3", 1},
      {"10 10 L20 20", 0},
      {"M0 0 L10 0 #", 0},
      {"M0,0,L10,0", 1},
      {"none", 0},
      {"", 0},
      {"M0 0", 0},
      {"M30 40 M50 60 L1 1", 1},
      {"M1 1 Z M2 2 z", 0},
  };
  for (const Case& c : cases) {
    SvgImportState state;
    EXPECT_EQ(PathPolygons(state, QString::fromLatin1(c.data)).size(), c.polygons) << c.data;
  }
}

TEST(SvgGeometry, ArcsThatAddNothing) {
  for (const char* data : {"M0 0 A0 5 0 0 1 10 0", "M10 10 A5 5 0 0 1 10 10", "M0 0 A5 0 0 0 1 10 0"}) {
    SvgImportState state;
    const DRElementPolygon* polygon = ReadIntoPolygon(state, QString::fromLatin1(data));
    ASSERT_NE(polygon, nullptr) << data;
    EXPECT_EQ(polygon->points().size(), 1u) << data;
  }
}

TEST(SvgGeometry, HalfAndQuarterCircles) {
  SvgImportState state;
  const DRElementPolygon* half = ReadIntoPolygon(state, QStringLiteral("M0 0 A10 10 0 0 1 20 0"));
  ASSERT_NE(half, nullptr);
  ASSERT_EQ(half->points().size(), 3u);
  EXPECT_EQ(half->controlPairs().size(), 3u);
  EXPECT_TRUE(half->curves());
  EXPECT_NEAR(double(half->points()[1].x), double(Px(10)), 2);
  EXPECT_NEAR(std::fabs(double(half->points()[1].y)), double(Px(10)), 2);
  EXPECT_NEAR(double(half->points()[2].x), double(Px(20)), 2);

  SvgImportState quarterState;
  const DRElementPolygon* quarter = ReadIntoPolygon(quarterState, QStringLiteral("M0 0 A10 10 0 0 1 10 10"));
  ASSERT_NE(quarter, nullptr);
  ASSERT_EQ(quarter->points().size(), 2u);
  const CSPoint control = quarter->controlPairs()[0].out;
  const double length = std::hypot(double(control.x), double(control.y));
  EXPECT_NEAR(length, 0.551915024494 * double(Px(10)), 2);
}

TEST(SvgGeometry, QuadraticsBecomeCubicsAndSmoothCurvesReflect) {
  SvgImportState state;
  const DRElementPolygon* quadratic = ReadIntoPolygon(state, QStringLiteral("M0 0 Q30 30 60 0"));
  ASSERT_NE(quadratic, nullptr);
  ASSERT_EQ(quadratic->controlPairs().size(), 2u);
  EXPECT_EQ(quadratic->controlPairs()[0].out, (CSPoint{Px(20), Px(20)}));
  EXPECT_EQ(quadratic->controlPairs()[1].in, (CSPoint{Px(40), Px(20)}));

  SvgImportState smoothState;
  const DRElementPolygon* smooth =
      ReadIntoPolygon(smoothState, QStringLiteral("M0 0 C0 10 10 10 10 0 s10 -10 10 0 T 30 0"));
  ASSERT_NE(smooth, nullptr);
  ASSERT_EQ(smooth->points().size(), 4u);
  EXPECT_EQ(smooth->controlPairs()[1].out, (CSPoint{Px(10), Px(-10)}));
  // "T" after no quadratic takes the current point as its control.
  EXPECT_EQ(smooth->controlPairs()[2].out, (CSPoint{Px(20), 0}));
}

TEST(SvgGeometry, HugeAndEndlessPathDataStaysSafe) {
  for (const char* data :
       {"M0 0 A1e300 1e300 0 0 1 1e300 0", "M1e308 1e308 L-1e308 -1e308", "M0 0 A1 1e-300 45 1 0 5 5",
        "M0 0 a1 1 0 1 1 1e-9 0", "m-9e18 0 l-9e18 0 l-9e18 0 h-9e18 z"}) {
    SvgImportState state;
    PathPolygons(state, QString::fromLatin1(data));
  }
  // A path of more points than the cap is cut: its unfinished subpath goes.
  QString data = QStringLiteral("M0 0 1 1 Z M0 0");
  data.reserve(qsizetype(kSvgMaxPathPoints) * 4 + 32);
  for (uint64_t i = 0; i < kSvgMaxPathPoints; ++i) data += QStringLiteral(" 1 1");
  SvgImportState capped;
  EXPECT_EQ(PathPolygons(capped, data).size(), 1u);
}

TEST(SvgGeometry, RotationTurnsRectanglesAndMovesPolygonPoints) {
  SvgImportState state;
  SvgParseTransforms(state, state.top(), u"rotate(90)");
  ASSERT_EQ(state.top().transforms.size(), 1u);
  Finish(state, std::make_unique<DRElementRectangle>(), 0, 0, 100, 50);
  ASSERT_TRUE(state.currentElement);
  EXPECT_EQ(state.currentElement->rotation(), 1143000);
  EXPECT_EQ(state.currentElement->frame(), (CSRect{Px(-75), Px(25), Px(100), Px(50)}));

  SvgImportState polygonState;
  SvgParseTransforms(polygonState, polygonState.top(), u"rotate(90)");
  const auto polygons = PathPolygons(polygonState, QStringLiteral("M0 0 L10 0"));
  ASSERT_EQ(polygons.size(), 1u);
  EXPECT_EQ(polygons[0]->rotation(), 0);
  EXPECT_EQ(polygons[0]->frame(), (CSRect{0, 0, 12700, Px(10)}));
  EXPECT_EQ(polygons[0]->points(), (std::vector<CSPoint>{{0, 0}, {0, Px(10)}}));

  // A circle keeps no rotation; about its own centre it does not move.
  SvgImportState circleState;
  SvgParseTransforms(circleState, circleState.top(), u"rotate(45 10 10)");
  Finish(circleState, std::make_unique<DRElementEllipse>(), 0, 0, 20, 20);
  ASSERT_TRUE(circleState.currentElement);
  EXPECT_EQ(circleState.currentElement->rotation(), 0);
  EXPECT_EQ(circleState.currentElement->frame(), (CSRect{0, 0, Px(20), Px(20)}));
}

TEST(SvgGeometry, NegativeScaleMirrorsAboutTheLevelOrigin) {
  SvgImportState state;
  SvgParseTransforms(state, state.top(), u"scale(-1, 1)");
  Finish(state, std::make_unique<DRElementRectangle>(), 10, 0, 20, 10);
  ASSERT_TRUE(state.currentElement);
  EXPECT_EQ(state.currentElement->frame(), (CSRect{Px(-30), 0, Px(20), Px(10)}));
  EXPECT_EQ(state.currentElement->originalSize(), (CSPoint{Px(20), Px(10)}));

  SvgImportState lineState;
  SvgParseTransforms(lineState, lineState.top(), u"scaleY(-2)");
  auto line = std::make_unique<DRElementLine>();
  line->setStartPoint(CSPoint{Px(1), Px(1)});
  line->setEndPoint(CSPoint{Px(5), Px(3)});
  lineState.currentElement = std::move(line);
  SvgApplyTransforms(lineState, lineState.top(), *lineState.currentElement);
  SvgFinishElement(lineState, lineState.top(), *lineState.currentElement);
  EXPECT_EQ(lineState.currentElement->frame(), (CSRect{Px(1), Px(-6), Px(4), Px(4)}));
}

TEST(SvgGeometry, UnknownFunctionsAreSkippedTheRestApplied) {
  SvgImportState state;
  SvgParseTransforms(state, state.top(), u"matrix(1 0 0 1 5 5) translate(10) skewX(30) scale(2) translateX(4)");
  ASSERT_EQ(state.top().transforms.size(), 2u);
  EXPECT_EQ(state.top().transforms[0].kind, uint32_t(kSvgScaleTransform));
  EXPECT_EQ(state.top().transforms[1].kind, uint32_t(kSvgTranslateTransform));
  Finish(state, std::make_unique<DRElementRectangle>(), 0, 0, 10, 10);
  ASSERT_TRUE(state.currentElement);
  EXPECT_EQ(state.currentElement->frame(), (CSRect{Px(10), 0, Px(20), Px(20)}));
}

TEST(SvgGeometry, TransformArgumentsAndLimits) {
  SvgImportState state;
  DRSvgProps& props = state.top();
  props.viewBox = CSRect{0, 0, Px(200), Px(100)};
  SvgParseTransforms(state, props, u"rotate(1turn) translate(50%, 10%) rotate(90, 50%, 50%) scale() bogus");
  ASSERT_EQ(props.transforms.size(), 3u);
  EXPECT_EQ(props.transforms[0], (SvgTransform{kSvgRotateAboutPoint, 1143000, Px(100), Px(50), 1, 1}));
  EXPECT_EQ(props.transforms[1], (SvgTransform{kSvgTranslateTransform, 0, 952500, Px(10), 1, 1}));
  EXPECT_EQ(props.transforms[2], (SvgTransform{kSvgRotateAboutOrigin, 0, 0, 0, 1, 1}));

  SvgImportState many;
  QString list;
  for (int i = 0; i < 2000; ++i) list += QStringLiteral("translate(1) ");
  SvgParseTransforms(many, many.top(), list);
  EXPECT_EQ(many.top().transforms.size(), kSvgMaxLevelTransforms);
  // Inherited entries do not count against a level's own.
  const auto child = many.top().copy();
  SvgParseTransforms(many, *child, u"scale(2)");
  EXPECT_EQ(child->transforms.size(), kSvgMaxLevelTransforms + 1);
  EXPECT_EQ(child->transforms.front().kind, uint32_t(kSvgScaleTransform));
}
