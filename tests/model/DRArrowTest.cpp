#include <gtest/gtest.h>

#include <QHash>
#include <QMetaProperty>
#include <QPainter>
#include <QPainterPath>
#include <array>
#include <cmath>
#include <functional>
#include <limits>
#include <vector>

#include "ImageCompare.h"
#include "QStringPrinter.h"
#include "model/DRArrow.h"
#include "model/DRKeyTable.h"
#include "model/DRShadowContext.h"
#include "model/FakeStyleClient.h"
#include "model/RecordTesting.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"
#include "support/GraphicsContext.h"

namespace {

constexpr MeasureUnit kWidths = 12700;  // one line width
constexpr Kolor kRed = MakeKolor(255, 0, 0);
constexpr Kolor kBlue = MakeKolor(0, 0, 255);
constexpr double kTolerance = 1e-3;

DRArrow Make(int32_t type, MeasureUnit x, MeasureUnit y, MeasureUnit base = 0, int fill = 0, Kolor kolor = g_nilKolor) {
  DRArrow arrow;
  arrow.setType(type);
  arrow.setXControl(x);
  arrow.setYControl(y);
  arrow.setBaseOffset(base);
  arrow.setFill(fill);
  arrow.setFillKolor(kolor);
  return arrow;
}

DRArrow Standard(int32_t type) {
  return *DRArrow::standardArrow(type);
}

DRArrow AtEnds(DRArrow arrow, bool onStart, bool onEnd) {
  arrow.setOnStart(onStart);
  arrow.setOnEnd(onEnd);
  return arrow;
}

::testing::AssertionResult Near(const QPointF& actual, const QPointF& expected) {
  if (std::fabs(actual.x() - expected.x()) <= kTolerance && std::fabs(actual.y() - expected.y()) <= kTolerance) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "(" << actual.x() << ", " << actual.y() << ") is not (" << expected.x()
                                       << ", " << expected.y() << ")";
}

::testing::AssertionResult NearRect(const QRectF& actual, const QRectF& expected) {
  if (Near(actual.topLeft(), expected.topLeft()) && Near(actual.bottomRight(), expected.bottomRight())) {
    return ::testing::AssertionSuccess();
  }
  return ::testing::AssertionFailure() << "(" << actual.x() << ", " << actual.y() << ", " << actual.width() << ", "
                                       << actual.height() << ") is not (" << expected.x() << ", " << expected.y()
                                       << ", " << expected.width() << ", " << expected.height() << ")";
}

QString Archive(const DRArrow& arrow) {
  return StyleRecordText(arrow, QStringLiteral("arrow"));
}

std::optional<DRArrow> Read(const QString& xml) {
  return ReadStyleRecord<DRArrow>(xml);
}

QString Record(const QString& children) {
  return WrapRecord(QStringLiteral("arrow"), children);
}

QStringList ChildTags(const QString& xml) {
  return RecordChildTags(xml);
}

// ---- Standard arrows -------------------------------------------------------------------

TEST(DRArrow, NewArrowHasNoHead) {
  const DRArrow arrow;
  EXPECT_EQ(arrow.type(), kArrowTypeNone);
  EXPECT_EQ(arrow.onStart(), 0);
  EXPECT_EQ(arrow.onEnd(), 0);
  EXPECT_EQ(arrow.fill(), 0);
  EXPECT_EQ(arrow.fillKolor(), g_nilKolor);
  EXPECT_TRUE(arrow.shiftEndPoints());
  EXPECT_EQ(arrow.clientLine(), nullptr);
}

TEST(DRArrow, StandardArrowsOfUnknownKindsAreNone) {
  for (int32_t type : {0, 7, -1, 118}) EXPECT_FALSE(DRArrow::standardArrow(type).has_value()) << type;
}

TEST(DRArrow, StandardClosedHeadIsFilledAtTheEndOnly) {
  const DRArrow arrow = Standard(kArrowTypeClosed);
  EXPECT_EQ(arrow.type(), kArrowTypeClosed);
  EXPECT_EQ(arrow.onEnd(), 1);
  EXPECT_EQ(arrow.onStart(), 0);
  EXPECT_EQ(arrow.fill(), 1);
  EXPECT_EQ(arrow.baseOffset(), 63500);
  EXPECT_EQ(arrow.xControl(), -63500);
  EXPECT_EQ(arrow.yControl(), 63500);
  EXPECT_EQ(arrow.fillKolor(), g_nilKolor);
}

TEST(DRArrow, StandardArrowsAreCanonicalAndMatchTheirKind) {
  for (int32_t type = kArrowTypeBar; type <= kArrowTypeClosed; ++type) {
    const DRArrow arrow = Standard(type);
    DRArrow canonical = arrow;
    canonical.setCanonicalForm();
    EXPECT_EQ(canonical.xControl(), arrow.xControl()) << type;
    EXPECT_EQ(canonical.yControl(), arrow.yControl()) << type;
    EXPECT_EQ(canonical.baseOffset(), arrow.baseOffset()) << type;
    EXPECT_EQ(canonical.fill(), arrow.fill()) << type;
    EXPECT_EQ(arrow.fill() != 0, arrow.isClosedType()) << type;
    EXPECT_EQ(arrow.baseOffset() != 0, arrow.usesBaseOffset()) << type;
    EXPECT_EQ(arrow.onEnd(), 1);
    EXPECT_EQ(arrow.onStart(), 0);
  }
}

// ---- Flags and properties -------------------------------------------------------------

TEST(DRArrow, FlagsKeepTheMixedMarker) {
  DRArrow arrow;
  arrow.setOnStart(kArrowFlagMixed);
  arrow.setOnEnd(5);
  arrow.setFill(-1);
  EXPECT_EQ(arrow.onStart(), kArrowFlagMixed);
  EXPECT_EQ(arrow.onEnd(), 1);
  EXPECT_EQ(arrow.fill(), 1);
  arrow.setOnStart(0);
  EXPECT_EQ(arrow.onStart(), 0);
}

TEST(DRArrow, PropertiesAreReachableByName) {
  DRArrow arrow;
  const QMetaObject& meta = DRArrow::staticMetaObject;
  const auto write = [&](const char* name, const QVariant& value) {
    const int index = meta.indexOfProperty(name);
    ASSERT_GE(index, 0) << name;
    EXPECT_TRUE(meta.property(index).writeOnGadget(&arrow, value)) << name;
  };
  write("type", 5);
  write("onStart", kArrowFlagMixed);
  write("onEnd", 1);
  write("fill", 1);
  write("baseOffset", qlonglong(2540));
  write("xControl", qlonglong(-12700));
  write("yControl", qlonglong(-25400));
  write("fillKolor", QVariant::fromValue(kBlue));
  EXPECT_EQ(arrow.type(), 5);
  EXPECT_EQ(arrow.onStart(), kArrowFlagMixed);
  EXPECT_EQ(arrow.onEnd(), 1);
  EXPECT_EQ(arrow.fill(), 1);
  EXPECT_EQ(arrow.baseOffset(), 2540);
  EXPECT_EQ(arrow.xControl(), -12700);
  EXPECT_EQ(arrow.yControl(), -25400);
  EXPECT_EQ(arrow.fillKolor(), kBlue);
  const int index = meta.indexOfProperty("yControl");
  EXPECT_EQ(meta.property(index).readOnGadget(&arrow).toLongLong(), -25400);
}

// ---- Canonical form ----------------------------------------------------------------

struct CanonicalCase {
  const char* name;
  DRArrow in;
  MeasureUnit base, x, y;
  int fill;
  Kolor kolor;
};

void PrintTo(const CanonicalCase& c, std::ostream* os) {
  *os << c.name;
}

class ArrowCanonicalForm : public ::testing::TestWithParam<CanonicalCase> {};

TEST_P(ArrowCanonicalForm, Normalises) {
  const CanonicalCase& c = GetParam();
  DRArrow arrow = c.in;
  arrow.setCanonicalForm();
  EXPECT_EQ(arrow.baseOffset(), c.base);
  EXPECT_EQ(arrow.xControl(), c.x);
  EXPECT_EQ(arrow.yControl(), c.y);
  EXPECT_EQ(arrow.fill(), c.fill);
  EXPECT_EQ(arrow.fillKolor(), c.kolor);
  DRArrow again = arrow;
  again.setCanonicalForm();
  EXPECT_EQ(again.xControl(), arrow.xControl());
  EXPECT_EQ(again.yControl(), arrow.yControl());
}

constexpr MeasureUnit kMin = std::numeric_limits<MeasureUnit>::min();

INSTANTIATE_TEST_SUITE_P(
    Cases, ArrowCanonicalForm,
    ::testing::Values(
        CanonicalCase{"offsets round to hundredths of a width", Make(kArrowTypeOpen, 12345, 200, 0), 0, 12319, 254, 0,
                      g_nilKolor},
        CanonicalCase{"open head loses a negative y", Make(kArrowTypeOpen, -63500, -63500), 0, -63500, 63500, 0,
                      g_nilKolor},
        CanonicalCase{"half open head keeps its side", Make(kArrowTypeOpenHalf, -63500, -63500), 0, -63500, -63500, 0,
                      g_nilKolor},
        CanonicalCase{"half closed head keeps its side, base made positive",
                      Make(kArrowTypeClosedHalf, -63500, -63500, -63500, 1, kRed), 63500, -63500, -63500, 1, kRed},
        CanonicalCase{"closed head: positive y and base", Make(kArrowTypeClosed, -63500, -63500, -12345, 1), 12319,
                      -63500, 63500, 1, g_nilKolor},
        CanonicalCase{"bar with negative x turns both signs", Make(kArrowTypeBar, -12700, 25400), 0, 12700, -25400, 0,
                      g_nilKolor},
        CanonicalCase{"bar across with negative y", Make(kArrowTypeBar, 0, -25400), 0, 0, 25400, 0, g_nilKolor},
        CanonicalCase{"bar with positive x keeps a negative y", Make(kArrowTypeBar, 12700, -25400), 0, 12700, -25400, 0,
                      g_nilKolor},
        CanonicalCase{"ball has no x and no base", Make(kArrowTypeBall, 5000, -127, 5000, 1, kRed), 0, 0, 127, 1, kRed},
        CanonicalCase{"open head loses fill and colour", Make(kArrowTypeOpen, 0, 63500, 0, 1, kRed), 0, 0, 63500, 0,
                      g_nilKolor},
        CanonicalCase{"bar loses fill and colour", Make(kArrowTypeBar, 0, 63500, 0, 1, kRed), 0, 0, 63500, 0,
                      g_nilKolor},
        CanonicalCase{"unfilled closed head loses its colour", Make(kArrowTypeClosed, 0, 63500, 63500, 0, kRed), 63500,
                      0, 63500, 0, g_nilKolor},
        CanonicalCase{"open head drops its base", Make(kArrowTypeOpen, 0, 63500, 63500), 0, 0, 63500, 0, g_nilKolor},
        CanonicalCase{"the most negative values stay in range", Make(kArrowTypeClosed, kMin, kMin, kMin, 1),
                      std::numeric_limits<MeasureUnit>::max(), -std::numeric_limits<MeasureUnit>::max(),
                      std::numeric_limits<MeasureUnit>::max(), 1, g_nilKolor}));

// ---- Equality and hash -------------------------------------------------------------

struct EqualityCase {
  const char* name;
  DRArrow a;
  DRArrow b;
  bool equal;
};

void PrintTo(const EqualityCase& c, std::ostream* os) {
  *os << c.name;
}

class ArrowEquality : public ::testing::TestWithParam<EqualityCase> {};

TEST_P(ArrowEquality, ComparesWhatTheKindUses) {
  const EqualityCase& c = GetParam();
  EXPECT_EQ(c.a == c.b, c.equal);
  EXPECT_EQ(c.b == c.a, c.equal);
  if (c.equal) {
    EXPECT_EQ(c.a.hash(), c.b.hash());
    QHash<DRArrow, int> set;
    set.insert(c.a, 1);
    EXPECT_TRUE(set.contains(c.b));
  }
}

DRArrow WithEnds(DRArrow arrow, int onStart, int onEnd) {
  arrow.setOnStart(onStart);
  arrow.setOnEnd(onEnd);
  return arrow;
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ArrowEquality,
    ::testing::Values(
        EqualityCase{"balls differing only in x", Make(kArrowTypeBall, 0, 63500, 0, 1),
                     Make(kArrowTypeBall, 25400, 63500, 0, 1), true},
        EqualityCase{"open heads differing in x", Make(kArrowTypeOpen, 0, 63500), Make(kArrowTypeOpen, 25400, 63500),
                     false},
        EqualityCase{"open heads differing in base", Make(kArrowTypeOpen, 0, 63500, 0),
                     Make(kArrowTypeOpen, 0, 63500, 12700), true},
        EqualityCase{"closed heads differing in base", Make(kArrowTypeClosed, 0, 63500, 0, 1),
                     Make(kArrowTypeClosed, 0, 63500, 12700, 1), false},
        EqualityCase{"open heads differing in fill", Make(kArrowTypeOpen, 0, 63500, 0, 0),
                     Make(kArrowTypeOpen, 0, 63500, 0, 1, kRed), true},
        EqualityCase{"balls differing in fill", Make(kArrowTypeBall, 0, 63500, 0, 0),
                     Make(kArrowTypeBall, 0, 63500, 0, 1), false},
        EqualityCase{"filled heads of other colours", Make(kArrowTypeClosed, 0, 63500, 0, 1, kRed),
                     Make(kArrowTypeClosed, 0, 63500, 0, 1, kBlue), false},
        EqualityCase{"unfilled heads of other colours", Make(kArrowTypeClosed, 0, 63500, 0, 0, kRed),
                     Make(kArrowTypeClosed, 0, 63500, 0, 0, kBlue), true},
        EqualityCase{"other kinds", Make(kArrowTypeOpen, 0, 63500), Make(kArrowTypeOpenHalf, 0, 63500), false},
        EqualityCase{"other y", Make(kArrowTypeBall, 0, 63500), Make(kArrowTypeBall, 0, 50800), false},
        EqualityCase{"other start", WithEnds(Standard(kArrowTypeOpen), 1, 1), WithEnds(Standard(kArrowTypeOpen), 0, 1),
                     false},
        EqualityCase{"other end", WithEnds(Standard(kArrowTypeOpen), 1, 0), WithEnds(Standard(kArrowTypeOpen), 1, 1),
                     false},
        EqualityCase{"mixed end", WithEnds(Standard(kArrowTypeOpen), 0, kArrowFlagMixed),
                     WithEnds(Standard(kArrowTypeOpen), 0, 1), false},
        EqualityCase{"standard and standard", Standard(kArrowTypeClosed), Standard(kArrowTypeClosed), true}));

// ---- The record ----------------------------------------------------------------------

struct RecordCase {
  const char* name;
  DRArrow arrow;
  QStringList tags;
};

void PrintTo(const RecordCase& c, std::ostream* os) {
  *os << c.name;
}

class ArrowRecord : public ::testing::TestWithParam<RecordCase> {};

TEST_P(ArrowRecord, WritesItsTagsAndReadsBack) {
  const RecordCase& c = GetParam();
  const QString xml = Archive(c.arrow);
  EXPECT_EQ(ChildTags(xml), c.tags) << xml.toStdString();
  const std::optional<DRArrow> read = Read(xml);
  ASSERT_TRUE(read.has_value()) << xml.toStdString();
  EXPECT_TRUE(*read == c.arrow);
  EXPECT_EQ(read->type(), c.arrow.type());
  EXPECT_EQ(read->xControl(), c.arrow.xControl());
  EXPECT_EQ(read->yControl(), c.arrow.yControl());
  EXPECT_EQ(read->baseOffset(), c.arrow.baseOffset());
  EXPECT_EQ(read->fillKolor(), c.arrow.fillKolor());
  EXPECT_EQ(Archive(*read), xml);
}

DRArrow Colored(DRArrow arrow, Kolor kolor) {
  arrow.setFillKolor(kolor);
  return arrow;
}

INSTANTIATE_TEST_SUITE_P(Cases, ArrowRecord,
                         ::testing::Values(RecordCase{"standard closed with colour",
                                                      Colored(Standard(kArrowTypeClosed), kRed),
                                                      {"type", "end", "fill", "color", "base", "x", "y"}},
                                           RecordCase{"half open head on the other side at the start",
                                                      AtEnds(Make(kArrowTypeOpenHalf, -63500, -63500), true, false),
                                                      {"type", "start", "x", "y"}},
                                           RecordCase{"ball at both ends in the line's colour",
                                                      AtEnds(Standard(kArrowTypeBall), true, true),
                                                      {"type", "start", "end", "fill", "y"}},
                                           RecordCase{"bar", Standard(kArrowTypeBar), {"type", "end", "y"}},
                                           RecordCase{"unfilled half closed head",
                                                      AtEnds(Make(kArrowTypeClosedHalf, 0, 63500, 25400), true, false),
                                                      {"type", "start", "base", "y"}}));

TEST(DRArrow, RecordNamesTheKind) {
  const QString xml = Archive(Standard(kArrowTypeClosedHalf));
  EXPECT_TRUE(xml.contains(QStringLiteral("<type>closed/2</type>"))) << xml.toStdString();
  EXPECT_TRUE(xml.contains(QStringLiteral("<x>-63500</x>"))) << xml.toStdString();
}

TEST(DRArrow, MixedEndsAreWrittenAsSet) {
  DRArrow arrow = Standard(kArrowTypeOpen);
  arrow.setOnStart(kArrowFlagMixed);
  const std::optional<DRArrow> read = Read(Archive(arrow));
  ASSERT_TRUE(read.has_value());
  EXPECT_EQ(read->onStart(), 1);
}

TEST(DRArrow, UnknownKindGivesNoArrowAndTheOwnerReadsOn) {
  CreateXmlDecoder();
  for (const char* name : {"arrow", "", "Closed", "open/3"}) {
    const QString xml = g_xmlPrefix + QStringLiteral(
                                          "<element><arrow><type>%1</type><x>5</x><y>7</y></arrow>"
                                          "<width>3</width></element>")
                                          .arg(QLatin1String(name));
    auto decoder = CSXmlDecoder::createWithString(xml);
    ASSERT_TRUE(decoder);
    ASSERT_TRUE(decoder->getNextTag());  // element
    ASSERT_TRUE(decoder->getNextTag());  // arrow
    EXPECT_FALSE(DRArrow::initWithXml(*decoder).has_value()) << name;
    ASSERT_TRUE(decoder->getNextTag()) << name;
    EXPECT_EQ(decoder->key(), kXmlWidth) << name;
  }
}

TEST(DRArrow, NoneIsWrittenWithAnEmptyNameAndReadsAsNoArrow) {
  DRArrow none;
  none.setOnEnd(1);
  const QString xml = Archive(none);
  EXPECT_EQ(ChildTags(xml), (QStringList{"type", "end"}));
  EXPECT_FALSE(Read(xml).has_value());
}

TEST(DRArrow, ReadingAppliesTheCanonicalForm) {
  const std::optional<DRArrow> open =
      Read(Record("<type>open</type><end>1</end><fill>1</fill><color>{255,0,0,100}</color><x>12345</x><y>-63500</y>"));
  ASSERT_TRUE(open.has_value());
  EXPECT_EQ(open->type(), kArrowTypeOpen);
  EXPECT_EQ(open->fill(), 0);
  EXPECT_EQ(open->fillKolor(), g_nilKolor);
  EXPECT_EQ(open->xControl(), 12319);
  EXPECT_EQ(open->yControl(), 63500);

  const std::optional<DRArrow> half = Read(Record("<type>open/2</type><y>-63500</y>"));
  ASSERT_TRUE(half.has_value());
  EXPECT_EQ(half->yControl(), -63500);
}

TEST(DRArrow, ReaderTakesFlagsAsBooleansAndSkipsOtherTags) {
  const std::optional<DRArrow> arrow =
      Read(Record("<type>ball</type><start>7</start><end>0</end><fill>-3</fill><note><y>5</y></note><y>25400</y>"
                  "<extra>1</extra>"));
  ASSERT_TRUE(arrow.has_value());
  EXPECT_EQ(arrow->type(), kArrowTypeBall);
  EXPECT_EQ(arrow->onStart(), 1);
  EXPECT_EQ(arrow->onEnd(), 0);
  EXPECT_EQ(arrow->fill(), 1);
  EXPECT_EQ(arrow->yControl(), 25400);
}

TEST(DRArrow, ReaderRefusesBrokenRecords) {
  EXPECT_FALSE(Read(g_xmlPrefix + "<arrow><type>open</type><y>5</y>").has_value());
  EXPECT_FALSE(Read(g_xmlPrefix + "<arrow><type>open</type></lineinfo>").has_value());
  EXPECT_FALSE(Read(g_xmlPrefix + "<arrow><type>open<y></arrow>").has_value());
}

TEST(DRArrow, HugeNumbersSaturate) {
  const std::optional<DRArrow> arrow =
      Read(Record("<type>closed</type><base>-99999999999999999999999</base><y>99999999999999999999</y>"));
  ASSERT_TRUE(arrow.has_value());
  EXPECT_GT(arrow->baseOffset(), 0);
  EXPECT_GT(arrow->yControl(), 0);
}

// ---- One head in its own frame ------------------------------------------------------------

struct HeadCase {
  const char* name;
  DRArrow arrow;
  std::vector<QPointF> points;
  std::vector<QPointF> controls;
  double indent;
};

void PrintTo(const HeadCase& c, std::ostream* os) {
  *os << c.name;
}

class ArrowHeadPoints : public ::testing::TestWithParam<HeadCase> {};

// Line width 2 throughout: one line width is 2 points, h is 1.
TEST_P(ArrowHeadPoints, InItsOwnFrame) {
  const HeadCase& c = GetParam();
  std::array<QPointF, kMaxArrowPoints> points;
  std::array<QPointF, kMaxArrowControls> controls;
  double indent = -1;
  int controlCount = -1;
  const int count = c.arrow.getArrowPoints(points, 2.0, &indent, controls, &controlCount);
  ASSERT_EQ(count, int(c.points.size()));
  for (size_t i = 0; i < c.points.size(); ++i) EXPECT_TRUE(Near(points[i], c.points[i])) << "point " << i;
  ASSERT_EQ(controlCount, int(c.controls.size()));
  for (size_t i = 0; i < c.controls.size(); ++i) EXPECT_TRUE(Near(controls[i], c.controls[i])) << "control " << i;
  EXPECT_DOUBLE_EQ(indent, c.indent);
}

INSTANTIATE_TEST_SUITE_P(
    Kinds, ArrowHeadPoints,
    ::testing::Values(
        HeadCase{"standard bar, across half a width out", Standard(kArrowTypeBar), {{1, -10}, {1, 10}}, {{1, -10}}, 0},
        HeadCase{"slanted bar", Make(kArrowTypeBar, 2 * kWidths, 5 * kWidths), {{4, -10}, {-4, 10}}, {{4, -10}}, 4},
        HeadCase{"bar along the line", Make(kArrowTypeBar, 3 * kWidths, 0), {{6, 1}, {-6, 1}}, {{6, 1}}, 6},
        HeadCase{
            "standard half open head", Standard(kArrowTypeOpenHalf), {{-1, 0}, {0, 0}, {-10, -10}}, {{-10, -10}}, 0},
        HeadCase{"half open head with x 0",
                 Make(kArrowTypeOpenHalf, 0, 5 * kWidths),
                 {{-1, 0}, {1, 0}, {1, -10}},
                 {{1, -10}},
                 0},
        HeadCase{"half open head leaning forward",
                 Make(kArrowTypeOpenHalf, 5 * kWidths, 5 * kWidths),
                 {{-1, 0}, {0, 0}, {10, -10}},
                 {{10, -10}},
                 10},
        HeadCase{"standard open head", Standard(kArrowTypeOpen), {{-10, 10}, {0, 0}, {-10, -10}}, {{-10, -10}}, 0},
        HeadCase{
            "open head with x 0", Make(kArrowTypeOpen, 0, 5 * kWidths), {{1, 10}, {1, 0}, {1, -10}}, {{1, -10}}, 0},
        HeadCase{"standard ball", Standard(kArrowTypeBall), {{10, 0}}, {{10, -10}}, 20},
        HeadCase{"standard half closed head",
                 Standard(kArrowTypeClosedHalf),
                 {{0, 0}, {0, -10}, {10, 0}},
                 {{0, -10}, {10, 0}},
                 10},
        HeadCase{"standard closed head",
                 Standard(kArrowTypeClosed),
                 {{0, 0}, {0, 10}, {10, 0}, {0, -10}},
                 {{0, -10}, {10, 0}},
                 10},
        HeadCase{"closed head with barbs forward",
                 Make(kArrowTypeClosed, 2 * kWidths, 5 * kWidths, 5 * kWidths),
                 {{0, 0}, {14, 10}, {10, 0}, {14, -10}},
                 {{14, -10}, {10, 0}},
                 14},
        HeadCase{"no head", Make(kArrowTypeNone, kWidths, kWidths, kWidths), {}, {}, 0},
        HeadCase{"unknown kind", Make(7, kWidths, kWidths, kWidths), {}, {}, 0}));

// ---- Placing a head ----------------------------------------------------------------

struct PlacedCase {
  const char* name;
  QPointF from;
  QPointF to;
  QPointF movedTo;
  std::vector<QPointF> points;
};

void PrintTo(const PlacedCase& c, std::ostream* os) {
  *os << c.name;
}

class ArrowPlacement : public ::testing::TestWithParam<PlacedCase> {};

// The standard closed head, line width 2: its apex lands on the true end.
TEST_P(ArrowPlacement, StandardClosedHeadTurnsWithTheLine) {
  const PlacedCase& c = GetParam();
  const DRArrow arrow = Standard(kArrowTypeClosed);
  std::array<QPointF, kMaxArrowPoints> points;
  std::array<QPointF, kMaxArrowControls> controls;
  int controlCount = 0;
  QPointF tip = c.to;
  const int count = arrow.getAdjustedPoints(points, controls, &controlCount, c.from, c.from, &tip, 2.0);
  EXPECT_TRUE(Near(tip, c.movedTo));
  ASSERT_EQ(count, 4);
  for (size_t i = 0; i < 4; ++i) EXPECT_TRUE(Near(points[i], c.points[i])) << "point " << i;
  EXPECT_TRUE(Near(points[2], c.to)) << "apex";
  ASSERT_EQ(controlCount, 2);
  EXPECT_TRUE(Near(controls[0], points[3]));
  EXPECT_TRUE(Near(controls[1], points[2]));
}

INSTANTIATE_TEST_SUITE_P(
    Directions, ArrowPlacement,
    ::testing::Values(PlacedCase{"right", {0, 0}, {100, 0}, {90, 0}, {{90, 0}, {90, 10}, {100, 0}, {90, -10}}},
                      PlacedCase{"left", {100, 0}, {0, 0}, {10, 0}, {{10, 0}, {10, -10}, {0, 0}, {10, 10}}},
                      PlacedCase{"down", {50, 0}, {50, 100}, {50, 90}, {{50, 90}, {40, 90}, {50, 100}, {60, 90}}},
                      PlacedCase{"up", {50, 100}, {50, 0}, {50, 10}, {{50, 10}, {60, 10}, {50, 0}, {40, 10}}},
                      PlacedCase{"diagonal",
                                 {0, 0},
                                 {100, 100},
                                 {100 - 10 / std::sqrt(2.0), 100 - 10 / std::sqrt(2.0)},
                                 {{100 - 10 / std::sqrt(2.0), 100 - 10 / std::sqrt(2.0)},
                                  {100 - 20 / std::sqrt(2.0), 100},
                                  {100, 100},
                                  {100, 100 - 20 / std::sqrt(2.0)}}}));

TEST(DRArrow, HalfHeadSideFollowsTheSignOfY) {
  // On a line running right, a positive y puts the barb above the line
  // (towards smaller y on the canvas), a negative one below.
  std::array<QPointF, kMaxArrowPoints> points;
  std::array<QPointF, kMaxArrowControls> controls;
  int controlCount = 0;
  for (MeasureUnit y : {63500, -63500}) {
    const DRArrow arrow = AtEnds(Make(kArrowTypeClosedHalf, -63500, y, 63500, 1), false, true);
    QPointF tip(100, 50);
    ASSERT_EQ(arrow.getAdjustedPoints(points, controls, &controlCount, {0, 50}, {0, 50}, &tip, 2.0), 3);
    EXPECT_TRUE(Near(points[1], QPointF(90, y > 0 ? 40 : 60)));
    const QRectF bounds = arrow.boundsFrom({0, 50}, {100, 50}, 2.0);
    EXPECT_TRUE(NearRect(bounds, y > 0 ? QRectF(0, 40, 100, 11) : QRectF(0, 50, 100, 10)));
  }
}

struct AdjustCase {
  const char* name;
  QPointF point, from, originalFrom;
  double indent;
  QPointF expected;
};

void PrintTo(const AdjustCase& c, std::ostream* os) {
  *os << c.name;
}

class ArrowAdjustPoint : public ::testing::TestWithParam<AdjustCase> {};

TEST_P(ArrowAdjustPoint, MovesTheEndBack) {
  const AdjustCase& c = GetParam();
  const DRArrow arrow = Standard(kArrowTypeClosed);
  QPointF point = c.point;
  arrow.adjustPoint(&point, c.from, c.originalFrom, c.indent);
  EXPECT_TRUE(Near(point, c.expected));
}

INSTANTIATE_TEST_SUITE_P(
    Cases, ArrowAdjustPoint,
    ::testing::Values(AdjustCase{"horizontal", {100, 5}, {0, 5}, {0, 5}, 10, {90, 5}},
                      AdjustCase{"horizontal leftwards", {0, 5}, {100, 5}, {100, 5}, 10, {10, 5}},
                      AdjustCase{"vertical", {5, 0}, {5, 100}, {5, 100}, 10, {5, 10}},
                      AdjustCase{"slanted", {30, 40}, {0, 0}, {0, 0}, 10, {24, 32}},
                      AdjustCase{"towards the other end before shortening", {100, 0}, {10, 0}, {0, 0}, 10, {90, 0}},
                      AdjustCase{"indent reaching the other end", {100, 0}, {95, 0}, {0, 0}, 10, {95, 0}},
                      AdjustCase{"indent equal to the length", {100, 0}, {90, 0}, {90, 0}, 10, {90, 0}},
                      AdjustCase{"no indent", {100, 0}, {0, 0}, {0, 0}, 0, {100, 0}},
                      AdjustCase{"not a number", {100, 0}, {0, 0}, {0, 0}, std::nan(""), {100, 0}}));

// ---- Both heads ----------------------------------------------------------------------

TEST(DRArrow, LineShorterThanItsIndentIsTheHeadAlone) {
  // Painting is skipped without a current painter; the ends still move.
  DRArrow arrow = Standard(kArrowTypeClosed);
  QPointF start(0, 0), end(5, 0);
  arrow.drawLineArrowsFrom(&start, &end, 2.0, g_blackKolor, true);
  EXPECT_TRUE(Near(start, {0, 0}));
  EXPECT_TRUE(Near(end, {0, 0}));

  arrow.setOnStart(1);
  start = QPointF(0, 0);
  end = QPointF(15, 0);
  arrow.drawLineArrowsFrom(&start, &end, 2.0, g_blackKolor, true);
  EXPECT_TRUE(Near(start, {10, 0}));
  EXPECT_TRUE(Near(end, {10, 0}));

  // The head is still there, its apex on the true end.
  std::array<QPointF, kMaxArrowPoints> points;
  std::array<QPointF, kMaxArrowControls> controls;
  int controlCount = 0;
  QPointF tip(5, 0);
  arrow.getAdjustedPoints(points, controls, &controlCount, {0, 0}, {0, 0}, &tip, 2.0);
  EXPECT_TRUE(Near(tip, {0, 0}));
  EXPECT_TRUE(Near(points[2], {10, 0}));
}

TEST(DRArrow, UnshiftedLineKeepsItsEnds) {
  const DRArrow arrow = AtEnds(Standard(kArrowTypeClosed), true, true);
  QPointF start(0, 0), end(100, 0);
  arrow.drawLineArrowsFrom(&start, &end, 2.0, g_blackKolor, false);
  EXPECT_TRUE(Near(start, {0, 0}));
  EXPECT_TRUE(Near(end, {100, 0}));
  EXPECT_TRUE(arrow.shiftEndPoints());
}

TEST(DRArrow, InsetForArrowsWithAndWithoutShadow) {
  FakeStyleClient element;
  element.line.setWidth(2 * kMeasurePerPoint);
  const DRArrow both = AtEnds(Standard(kArrowTypeClosed), true, true);
  QPointF start(0, 0), end(0, 100);
  both.insetForArrows(element, &start, &end);
  EXPECT_TRUE(Near(start, {0, 10}));
  EXPECT_TRUE(Near(end, {0, 90}));

  element.shadow = DRShadow();
  start = QPointF(0, 0);
  end = QPointF(0, 100);
  both.insetForArrows(element, &start, &end);
  EXPECT_TRUE(Near(start, {0, 9}));  // indent 10 - 1
  EXPECT_TRUE(Near(end, {0, 91}));

  // A small indent is halved rather than taken down by a whole point.
  const DRArrow small = Make(kArrowTypeClosed, -9525, 9525, 9525, 1);  // 0.75 widths: indent 1.5
  DRArrow smallAtEnd = AtEnds(small, false, true);
  start = QPointF(0, 0);
  end = QPointF(100, 0);
  smallAtEnd.insetForArrows(element, &start, &end);
  EXPECT_TRUE(Near(end, {99.25, 0}));
  element.shadow.reset();
  end = QPointF(100, 0);
  smallAtEnd.insetForArrows(element, &start, &end);
  EXPECT_TRUE(Near(end, {98.5, 0}));

  // Open heads have no indent, with or without shadow.
  element.shadow = DRShadow();
  end = QPointF(100, 0);
  AtEnds(Standard(kArrowTypeOpen), true, true).insetForArrows(element, &start, &end);
  EXPECT_TRUE(Near(start, {0, 0}));
  EXPECT_TRUE(Near(end, {100, 0}));
}

TEST(DRArrow, BoundsTakeInTheHeads) {
  const DRArrow end = Standard(kArrowTypeClosed);
  EXPECT_TRUE(NearRect(end.boundsFrom({0, 0}, {100, 0}, 2.0), QRectF(0, -10, 100, 20)));
  EXPECT_TRUE(NearRect(end.boundsFrom({50, 0}, {50, 100}, 2.0), QRectF(40, 0, 20, 100)));
  const DRArrow both = AtEnds(Standard(kArrowTypeClosed), true, true);
  // A line without length points both heads east.
  EXPECT_TRUE(NearRect(both.boundsFrom({10, 10}, {10, 10}, 2.0), QRectF(10, 0, 10, 20)));
  // A ball sticks out beside a vertical line.
  EXPECT_TRUE(NearRect(Standard(kArrowTypeBall).boundsFrom({50, 0}, {50, 100}, 2.0), QRectF(40, 0, 20, 100)));
  // A head lying along the line counts as a point thick.
  EXPECT_TRUE(NearRect(Make(kArrowTypeBar, 3 * kWidths, 0, 0).boundsFrom({0, 50}, {100, 50}, 2.0),
                       QRectF(0, 50, 100, 1)));  // at neither end
  EXPECT_TRUE(NearRect(AtEnds(Make(kArrowTypeBar, 3 * kWidths, 0, 0), false, true).boundsFrom({0, 50}, {100, 50}, 2.0),
                       QRectF(0, 50, 100, 2)));
  // A kind without a head adds nothing (not the origin).
  EXPECT_TRUE(
      NearRect(AtEnds(Make(7, 0, 63500), true, true).boundsFrom({50, 50}, {100, 50}, 2.0), QRectF(50, 50, 50, 1)));
}

TEST(DRArrow, ControlPointsSitAtTheUnshortenedEnd) {
  std::array<QPointF, kMaxArrowControls> controls;
  const DRArrow end = Standard(kArrowTypeClosed);
  ASSERT_EQ(end.getControlPoints(controls, {0, 0}, {100, 0}, 2.0), 2);
  EXPECT_TRUE(Near(controls[0], {100, -10}));
  EXPECT_TRUE(Near(controls[1], {110, 0}));
  EXPECT_TRUE(end.shiftEndPoints());

  const DRArrow start = AtEnds(Standard(kArrowTypeClosed), true, false);
  ASSERT_EQ(start.getControlPoints(controls, {0, 0}, {100, 0}, 2.0), 2);
  EXPECT_TRUE(Near(controls[0], {0, 10}));
  EXPECT_TRUE(Near(controls[1], {-10, 0}));

  EXPECT_EQ(AtEnds(Standard(kArrowTypeClosed), false, false).getControlPoints(controls, {0, 0}, {100, 0}, 2.0), 0);
  ASSERT_EQ(Standard(kArrowTypeOpen).getControlPoints(controls, {0, 0}, {100, 0}, 2.0), 1);
  EXPECT_TRUE(Near(controls[0], {90, -10}));
}

// ---- Drawing -----------------------------------------------------------------------

QColor Pixel(const QImage& image, int x, int y) {
  return image.pixelColor(x, y);
}

bool IsColor(const QColor& color, const QColor& expected) {
  return std::abs(color.red() - expected.red()) <= 24 && std::abs(color.green() - expected.green()) <= 24 &&
         std::abs(color.blue() - expected.blue()) <= 24;
}

TEST(DRArrow, FilledClosedHeadIsFilledAndOutlined) {
  FakeStyleClient element;
  element.line.setWidth(2 * kMeasurePerPoint);
  element.line.setKolorWithoutRegistering(g_blackKolor);
  DRArrow arrow = Colored(Standard(kArrowTypeClosed), kRed);
  QPointF start(10, 50), end(90, 50);
  const QImage image = RenderImage(QSize(100, 100), [&](QPainter& painter) {
    GraphicsContextScope scope(&painter);
    arrow.drawArrowsForLine(&element, &start, &end);
  });
  EXPECT_TRUE(Near(end, {80, 50}));
  EXPECT_EQ(arrow.clientLine(), nullptr);
  EXPECT_TRUE(IsColor(Pixel(image, 83, 50), Qt::red));    // inside
  EXPECT_TRUE(IsColor(Pixel(image, 80, 45), Qt::black));  // the base, outlined
  EXPECT_TRUE(IsColor(Pixel(image, 93, 50), Qt::white));  // beyond the apex
  EXPECT_TRUE(IsColor(Pixel(image, 88, 42), Qt::white));  // beside the head
  EXPECT_TRUE(IsColor(Pixel(image, 40, 50), Qt::white));  // the line is the element's to stroke
  const QRect ink = InkBounds(image);
  EXPECT_NEAR(ink.left(), 79, 1);
  EXPECT_NEAR(ink.right(), 91, 1);
  EXPECT_NEAR(ink.top(), 37, 1);  // the base corners' miters
  EXPECT_NEAR(ink.bottom(), 62, 1);

  // Without a fill colour the head takes the line's colour.
  element.line.setKolorWithoutRegistering(kBlue);
  arrow.setFillKolor(g_nilKolor);
  start = QPointF(10, 50);
  end = QPointF(90, 50);
  const QImage blue = RenderImage(QSize(100, 100), [&](QPainter& painter) {
    GraphicsContextScope scope(&painter);
    arrow.drawArrowsForLine(&element, &start, &end);
  });
  EXPECT_TRUE(IsColor(Pixel(blue, 83, 50), Qt::blue));
}

TEST(DRArrow, HitTestingDrawsInBlack) {
  FakeStyleClient element;
  element.hitTesting = true;
  element.line.setWidth(2 * kMeasurePerPoint);
  element.line.setKolorWithoutRegistering(kRed);
  element.shadow = DRShadow();
  const DRArrow arrow = Standard(kArrowTypeOpen);
  QPointF start(10, 50), end(90, 50);
  const QImage image = RenderImage(QSize(100, 100), [&](QPainter& painter) {
    GraphicsContextScope scope(&painter);
    arrow.drawArrowsForLine(&element, &start, &end);
  });
  EXPECT_TRUE(IsColor(Pixel(image, 85, 45), Qt::black));
  EXPECT_EQ(element.resetShadowCount, 0);
}

TEST(DRArrow, HalfHeadPixelsLieOnTheSideItsControlsSay) {
  const DRArrow arrow = AtEnds(Make(kArrowTypeClosedHalf, -63500, 63500, 63500, 1, kRed), false, true);
  QPointF start(10, 50), end(90, 50);
  std::array<QPointF, kMaxArrowControls> controls;
  ASSERT_EQ(arrow.getControlPoints(controls, start, end, 2.0), 2);
  const QImage image = RenderImage(QSize(100, 100), [&](QPainter& painter) {
    GraphicsContextScope scope(&painter);
    arrow.drawLineArrowsFrom(&start, &end, 2.0, g_blackKolor, true);
  });
  EXPECT_LT(controls[0].y(), 50);
  EXPECT_GT(InkCount(image, QRect(80, 40, 10, 9)), 20);
  EXPECT_EQ(InkCount(image, QRect(80, 52, 12, 10)), 0);
}

// A shadow straight down, 10 points, unblurred, in opaque black.
DRShadow DownShadow() {
  DRShadow shadow;
  shadow.setXOffset(10 * kMeasurePerPoint);
  shadow.setAngle(180 * kMeasurePerPoint);
  shadow.setBlur(0);
  return shadow;
}

// An element whose resetShadow() also notes what the arrow said then.
class RecordingClient : public FakeStyleClient {
 public:
  const DRArrow* watched = nullptr;
  std::vector<DRStyleClient*> clientsSeen;
  std::vector<DRStyleClient*> copiesSeen;
  void resetShadow() override {
    FakeStyleClient::resetShadow();
    clientsSeen.push_back(watched->clientLine());
    const DRArrow copy = *watched;
    copiesSeen.push_back(copy.clientLine());
  }
};

// Draws the heads of a horizontal line 4 points wide from (20,100) to
// (180,100) with the element's shadow set, as an element's drawing does.
QImage DrawWithShadow(const DRArrow& arrow, RecordingClient& element, std::optional<DRContextShadow>* after) {
  element.line.setWidth(4 * kMeasurePerPoint);
  element.line.setKolorWithoutRegistering(kRed);
  element.watched = &arrow;
  return RenderImage(QSize(200, 200), [&](QPainter& painter) {
    GraphicsContextScope scope(&painter);
    PushShadowContext();
    element.shadow->set();
    QPointF start(20, 100), end(180, 100);
    arrow.drawArrowsForLine(&element, &start, &end);
    *after = ContextShadow();
    PopShadowContext();
  });
}

TEST(DRArrow, FilledHeadCastsItsShadowOnceAndOutlineNone) {
  // Head: base at x 160 from y 80 to 120, apex (180,100); its lower edge
  // shadowed 10 points down runs from (160,130) to (180,110).
  RecordingClient element;
  element.shadow = DownShadow();
  std::optional<DRContextShadow> after;
  const DRArrow filled = Colored(Standard(kArrowTypeClosed), kBlue);
  const QImage image = DrawWithShadow(filled, element, &after);
  EXPECT_TRUE(IsColor(Pixel(image, 170, 100), Qt::blue));
  EXPECT_TRUE(IsColor(Pixel(image, 170, 116), Qt::black));  // the fill's shadow
  EXPECT_TRUE(IsColor(Pixel(image, 170, 121), Qt::white));  // where the outline's would fall
  EXPECT_EQ(element.resetShadowCount, 2);
  ASSERT_TRUE(after.has_value());
  EXPECT_EQ(*after, element.shadow->contextShadow());
  // The element being drawn is known during the call, never to a copy.
  ASSERT_EQ(element.clientsSeen.size(), 2u);
  EXPECT_EQ(element.clientsSeen[0], &element);
  EXPECT_EQ(element.copiesSeen[0], nullptr);
  EXPECT_EQ(filled.clientLine(), nullptr);

  // Unfilled, the outline casts the shadow itself.
  RecordingClient plain;
  plain.shadow = DownShadow();
  DRArrow outline = Standard(kArrowTypeClosed);
  outline.setFill(0);
  const QImage outlined = DrawWithShadow(outline, plain, &after);
  EXPECT_FALSE(IsColor(Pixel(outlined, 170, 121), Qt::white));
  EXPECT_EQ(plain.resetShadowCount, 0);
}

TEST(DRArrow, SampleIsALineWithItsHeads) {
  const DRArrow arrow = AtEnds(Standard(kArrowTypeClosed), true, true);
  const QImage image = RenderImage(QSize(100, 20), [&](QPainter& painter) {
    GraphicsContextScope scope(&painter);
    arrow.drawSampleInRect(QRectF(0, 0, 100, 20), 10, g_blackKolor);
  });
  const QRect ink = InkBounds(image);
  EXPECT_NEAR(ink.left(), 9, 1);
  EXPECT_NEAR(ink.right(), 90, 1);
  EXPECT_NEAR(ink.top(), 5, 1);
  EXPECT_NEAR(ink.bottom(), 15, 1);
  EXPECT_TRUE(IsColor(Pixel(image, 50, 10), Qt::black));  // the line, at y 10.5
  EXPECT_TRUE(IsColor(Pixel(image, 50, 8), Qt::white));
}

TEST(DRArrow, HugeHeadsDrawAndMeasureWithoutTrouble) {
  const MeasureUnit huge = std::numeric_limits<MeasureUnit>::max() - 126;
  for (int32_t type = kArrowTypeBar; type <= kArrowTypeClosed; ++type) {
    DRArrow arrow = AtEnds(Make(type, huge, huge, huge, 1, kRed), true, true);
    arrow.setCanonicalForm();
    QPointF start(10, 10), end(40, 40);
    const QImage image = RenderImage(QSize(50, 50), [&](QPainter& painter) {
      GraphicsContextScope scope(&painter);
      arrow.drawLineArrowsFrom(&start, &end, 100.0, g_blackKolor, true);
    });
    EXPECT_FALSE(image.isNull());
    const QRectF bounds = arrow.boundsFrom({10, 10}, {40, 40}, 100.0);
    EXPECT_TRUE(std::isfinite(bounds.width())) << type;
  }
}

}  // namespace
