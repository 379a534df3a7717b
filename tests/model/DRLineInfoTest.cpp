#include <gtest/gtest.h>

#include <QMetaProperty>
#include <QPainter>
#include <QPainterPath>
#include <functional>
#include <limits>
#include <vector>

#include "ImageCompare.h"
#include "QStringPrinter.h"
#include "model/DRKeyTable.h"
#include "model/DRLineInfo.h"
#include "model/FakeModelServices.h"
#include "model/FakeStyleClient.h"
#include "model/LinePattern.h"
#include "model/RecordTesting.h"
#include "platform/NotificationCenter.h"
#include "support/CSXmlDecoder.h"
#include "support/CSXmlEncoder.h"

namespace {

constexpr Kolor kRed = MakeKolor(255, 0, 0);
constexpr MeasureUnit kPoint = kMeasurePerPoint;

QString Archive(const DRLineInfo& info) {
  return StyleRecordText(info);
}

std::optional<DRLineInfo> Read(const QString& xml) {
  return ReadStyleRecord<DRLineInfo>(xml);
}

QString Record(const QString& children) {
  return WrapRecord(QStringLiteral("lineinfo"), children);
}

QStringList ChildTags(const QString& xml) {
  return RecordChildTags(xml);
}

// ---- The record ----------------------------------------------------------------------

struct RecordCase {
  const char* name;
  std::function<void(DRLineInfo&)> change;
  QStringList tags;  // the children written
  QString fragment;  // a line of the record
};

void PrintTo(const RecordCase& c, std::ostream* os) {
  *os << c.name;
}

class LineInfoRecord : public ::testing::TestWithParam<RecordCase> {};

TEST_P(LineInfoRecord, WritesOnlyWhatDiffersAndReadsItBack) {
  const RecordCase& c = GetParam();
  DRLineInfo info;
  c.change(info);
  const QString xml = Archive(info);
  EXPECT_EQ(ChildTags(xml), c.tags) << xml.toStdString();
  if (!c.fragment.isEmpty()) {
    EXPECT_TRUE(xml.contains(c.fragment)) << xml.toStdString();
  }
  EXPECT_EQ(info.needsArchive(), !c.tags.isEmpty());
  const std::optional<DRLineInfo> read = Read(xml);
  ASSERT_TRUE(read) << xml.toStdString();
  EXPECT_EQ(*read, info) << xml.toStdString();
  EXPECT_EQ(Archive(*read), xml);
}

INSTANTIATE_TEST_SUITE_P(
    Fields, LineInfoRecord,
    ::testing::Values(
        RecordCase{"Default", [](DRLineInfo&) {}, {}, QStringLiteral("<lineinfo></lineinfo>")},
        RecordCase{"Width", [](DRLineInfo& i) { i.setWidth(2 * kPoint); }, {"width"}, "<width>25400</width>"},
        RecordCase{"Colour", [](DRLineInfo& i) { i.setKolorWithoutRegistering(kRed); }, {"color"}, {}},
        RecordCase{
            "Transparent", [](DRLineInfo& i) { i.setKolorWithoutRegistering(MakeKolor(0, 0, 255, 0)); }, {"color"}, {}},
        RecordCase{"Flatness", [](DRLineInfo& i) { i.setFlatness(12700); }, {"flatness"}, "<flatness>12700</flatness>"},
        RecordCase{"Miter", [](DRLineInfo& i) { i.setMiterLimit(50800); }, {"miter"}, "<miter>50800</miter>"},
        RecordCase{"RoundCap", [](DRLineInfo& i) { i.setCapStyle(kLineCapRound); }, {"cap"}, "<cap>round</cap>"},
        RecordCase{"SquareCap", [](DRLineInfo& i) { i.setCapStyle(kLineCapSquare); }, {"cap"}, "<cap>square</cap>"},
        RecordCase{"RoundJoin", [](DRLineInfo& i) { i.setJoinStyle(kLineJoinRound); }, {"join"}, "<join>round</join>"},
        RecordCase{"BevelJoin", [](DRLineInfo& i) { i.setJoinStyle(kLineJoinBevel); }, {"join"}, "<join>bevel</join>"},
        RecordCase{"Dash", [](DRLineInfo& i) { i.setLineStyle(kLineStyleDash); }, {"style"}, "<style>dash</style>"},
        RecordCase{"Dot", [](DRLineInfo& i) { i.setLineStyle(kLineStyleDot); }, {"style"}, "<style>dot</style>"},
        RecordCase{
            "Custom", [](DRLineInfo& i) { i.setLineStyle(kLineStyleCustom); }, {"style"}, "<style>custom</style>"},
        RecordCase{"Unscaled", [](DRLineInfo& i) { i.setScalePattern(false); }, {"scale"}, "<scale>0</scale>"},
        RecordCase{"Phase", [](DRLineInfo& i) { i.setPhase(-6350); }, {"phase"}, "<phase>-6350</phase>"},
        RecordCase{"Pattern",
                   [](DRLineInfo& i) {
                     i.setPattern(DRLineInfo::Pattern{38100, 12700, 1});
                   },
                   {"pattern", "position", "position", "position"},
                   "<position>38100</position>"},
        RecordCase{"Everything",
                   [](DRLineInfo& i) {
                     i.setWidth(1);
                     i.setKolorWithoutRegistering(kRed);
                     i.setFlatness(0);
                     i.setMiterLimit(0);
                     i.setCapStyle(kLineCapSquare);
                     i.setJoinStyle(kLineJoinBevel);
                     i.setLineStyle(kLineStyleCustom);
                     i.setScalePattern(false);
                     i.setPhase(std::numeric_limits<int64_t>::max());
                     i.setPattern(DRLineInfo::Pattern{std::numeric_limits<int64_t>::min(), 5});
                   },
                   {"width", "color", "flatness", "miter", "cap", "join", "style", "scale", "phase", "pattern",
                    "position", "position"},
                   {}}),
    [](const ::testing::TestParamInfo<RecordCase>& info) { return info.param.name; });

TEST(DRLineInfo, DefaultsAreTheStandardOptions) {
  const DRLineInfo info;
  EXPECT_EQ(info.width(), 0);
  EXPECT_EQ(info.kolor(), g_blackKolor);
  EXPECT_EQ(info.capStyle(), kLineCapButt);
  EXPECT_EQ(info.flatness(), 7620);
  EXPECT_EQ(info.joinStyle(), kLineJoinMiter);
  EXPECT_EQ(info.miterLimit(), 127000);
  EXPECT_EQ(info.lineStyle(), kLineStyleSolid);
  ASSERT_TRUE(info.pattern());
  EXPECT_TRUE(info.pattern()->empty());
  EXPECT_EQ(info.phase(), 0);
  EXPECT_TRUE(info.scalePattern());
  EXPECT_FALSE(info.needsArchive());
}

TEST(DRLineInfo, ARedStyleReadsBackWithTheDefaultFlatness) {
  const std::optional<DRLineInfo> read = Read(Record("<color>{255, 0, 0}</color>"));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->kolor(), kRed);
  EXPECT_EQ(read->flatness(), 7620);
  EXPECT_EQ(read->miterLimit(), 127000);
  EXPECT_TRUE(read->scalePattern());
}

TEST(DRLineInfo, ReadsNamesThroughTheKeyTable) {
  struct Case {
    QString children;
    int64_t cap, join, style;
  };
  const Case cases[] = {
      {"<cap>bevel</cap><join>square</join><style>round</style>", 0, 0, 0},  // names of the other fields
      {"<cap>round</cap><join>bevel</join><style>dot</style>", 1, 2, 2},
      {"<cap>square</cap><join>round</join><style>custom</style>", 2, 1, 3},
      {"<cap>ROUND</cap><join>Bevel</join><style>DOT</style>", 0, 0, 0},  // names are exact
      {"<cap>nonsense</cap><join/><style>7</style>", 0, 0, 0},
      {"<cap>square</cap><cap>round</cap>", 1, 0, 0},  // the last one read wins
  };
  for (const Case& c : cases) {
    const std::optional<DRLineInfo> read = Read(Record(c.children));
    ASSERT_TRUE(read) << c.children.toStdString();
    EXPECT_EQ(read->capStyle(), c.cap) << c.children.toStdString();
    EXPECT_EQ(read->joinStyle(), c.join) << c.children.toStdString();
    EXPECT_EQ(read->lineStyle(), c.style) << c.children.toStdString();
  }
}

TEST(DRLineInfo, ReadsNumbersAsSaturatingIntegers) {
  const std::optional<DRLineInfo> read =
      Read(Record("<width>99999999999999999999999</width><phase>-99999999999999999999999</phase>"
                  "<miter>12.9</miter><scale>2</scale><pattern><position>7</position><position>x</position>"
                  "<position><deeper>1</deeper></position></pattern>"));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->width(), std::numeric_limits<int64_t>::max());
  EXPECT_EQ(read->phase(), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(read->miterLimit(), 12);
  EXPECT_TRUE(read->scalePattern());
  ASSERT_TRUE(read->pattern());
  EXPECT_EQ(*read->pattern(), (DRLineInfo::Pattern{7, 0}));
}

TEST(DRLineInfo, SkipsUnknownTagsAndStopsAtItsEndTag) {
  CreateXmlDecoder();
  auto decoder = CSXmlDecoder::createWithString(
      g_xmlPrefix +
      "<element><lineinfo><future><width>5</width></future><width>3</width><pattern/></lineinfo>"
      "<width>9</width></element>");
  ASSERT_TRUE(decoder);
  ASSERT_TRUE(decoder->getNextTag());
  ASSERT_TRUE(decoder->getNextTag());
  const std::optional<DRLineInfo> read = DRLineInfo::initWithXml(*decoder);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->width(), 3);
  ASSERT_TRUE(read->pattern());
  EXPECT_TRUE(read->pattern()->empty());
  EXPECT_EQ(decoder->key(), kXmlLineinfo);
  EXPECT_TRUE(decoder->endTag());
  ASSERT_TRUE(decoder->getNextTag());
  EXPECT_EQ(decoder->key(), kXmlWidth);
}

TEST(DRLineInfo, RefusesBrokenRecords) {
  const QString broken[] = {
      g_xmlPrefix + "<lineinfo><width>3</width",                             // ends in a tag
      g_xmlPrefix + "<lineinfo><width>3</width>",                            // never closed
      g_xmlPrefix + "<lineinfo><pattern><position>3</position></lineinfo>",  // pattern not closed
      g_xmlPrefix + "<lineinfo><width>3</width></shadow>",
  };
  for (const QString& xml : broken) EXPECT_FALSE(Read(xml)) << xml.toStdString();
}

// ---- Options ---------------------------------------------------------------------------

TEST(DRLineInfo, StandardOptionsKeepWidthAndColour) {
  DRLineInfo info;
  info.setWidth(3 * kPoint);
  info.setKolorWithoutRegistering(kRed);
  info.setCapStyle(kLineCapRound);
  info.setJoinStyle(kLineJoinBevel);
  info.setFlatness(1);
  info.setMiterLimit(1);
  info.setLineStyle(kLineStyleCustom);
  info.setPattern(DRLineInfo::Pattern{1, 2});
  info.setPhase(3);
  info.setScalePattern(false);
  info.enforceStandardAdvancedOptions();
  DRLineInfo expected;
  expected.setWidth(3 * kPoint);
  expected.setKolorWithoutRegistering(kRed);
  EXPECT_EQ(info, expected);
}

TEST(DRLineInfo, EveryFieldIsAPropertyWithItsName) {
  DRLineInfo info;
  const QMetaObject& meta = DRLineInfo::staticMetaObject;
  struct Case {
    const char* name;
    QVariant value;
    std::function<bool(const DRLineInfo&)> holds;
  };
  const Case cases[] = {
      {"width", QVariant(qlonglong(25400)), [](const DRLineInfo& i) { return i.width() == 25400; }},
      {"kolor", QVariant::fromValue(Kolor(kRed)), [](const DRLineInfo& i) { return i.kolor() == kRed; }},
      {"capStyle", QVariant(qlonglong(2)), [](const DRLineInfo& i) { return i.capStyle() == 2; }},
      {"flatness", QVariant(qlonglong(5)), [](const DRLineInfo& i) { return i.flatness() == 5; }},
      {"joinStyle", QVariant(qlonglong(1)), [](const DRLineInfo& i) { return i.joinStyle() == 1; }},
      {"miterLimit", QVariant(qlonglong(6)), [](const DRLineInfo& i) { return i.miterLimit() == 6; }},
      {"lineStyle", QVariant(qlonglong(3)), [](const DRLineInfo& i) { return i.lineStyle() == 3; }},
      {"pattern", QVariant::fromValue(QList<qlonglong>{4, 5}),
       [](const DRLineInfo& i) {
         return i.pattern() == DRLineInfo::Pattern{4, 5};
       }},
      {"phase", QVariant(qlonglong(7)), [](const DRLineInfo& i) { return i.phase() == 7; }},
      {"scalePattern", QVariant(false), [](const DRLineInfo& i) { return !i.scalePattern(); }},
  };
  for (const Case& c : cases) {
    const int index = meta.indexOfProperty(c.name);
    ASSERT_GE(index, 0) << c.name;
    const QMetaProperty property = meta.property(index);
    ASSERT_TRUE(property.writeOnGadget(&info, c.value)) << c.name;
    EXPECT_TRUE(c.holds(info)) << c.name;
    EXPECT_EQ(property.readOnGadget(&info), c.value) << c.name;
  }
}

TEST(DRLineInfo, SettingTheColourRegistersItAsTheAlternateRecentColour) {
  FakeModelServices services;
  NotificationQueue::defaultQueue().flush();
  std::vector<std::pair<QString, Kolor>> seen;
  for (const QString& name : {QStringLiteral("twdraw.registerColor"), QStringLiteral("twdraw.registerAltColor")}) {
    NotificationCenter::defaultCenter().addObserver(&seen, name, nullptr, [&seen, name](const CSNotification& n) {
      seen.emplace_back(name, KolorValue(n.userInfo.value(QStringLiteral("color"))));
    });
  }
  DRLineInfo info;
  info.setKolor(kRed);
  EXPECT_EQ(info.kolor(), kRed);
  NotificationQueue::defaultQueue().flush();
  info.setKolorWithoutRegistering(g_blackKolor);
  const DRLineInfo copy = info;  // copies never register
  NotificationQueue::defaultQueue().flush();
  NotificationCenter::defaultCenter().removeObserver(&seen);
  EXPECT_EQ(copy.kolor(), g_blackKolor);
  EXPECT_EQ(seen, (std::vector<std::pair<QString, Kolor>>{{QStringLiteral("twdraw.registerAltColor"), kRed}}));
}

// ---- Merging ---------------------------------------------------------------------------

struct MergeCase {
  const char* name;
  std::function<void(DRLineInfo&)> change;       // applied to the second style
  std::function<void(DRLineInfo&)> expectMixed;  // what the merge marks in the first
};

void PrintTo(const MergeCase& c, std::ostream* os) {
  *os << c.name;
}

class LineInfoMerge : public ::testing::TestWithParam<MergeCase> {};

TEST_P(LineInfoMerge, MarksOnlyTheDifferingFieldMixed) {
  const MergeCase& c = GetParam();
  DRLineInfo first;
  first.setWidth(kPoint);
  first.setPattern(DRLineInfo::Pattern{kPoint, 2 * kPoint});
  DRLineInfo second = first;
  c.change(second);
  DRLineInfo expected = first;
  c.expectMixed(expected);
  first.intersectWith(second);
  EXPECT_EQ(first, expected);
}

INSTANTIATE_TEST_SUITE_P(Fields, LineInfoMerge,
                         ::testing::Values(MergeCase{"Identical", [](DRLineInfo&) {}, [](DRLineInfo&) {}},
                                           MergeCase{"Width", [](DRLineInfo& i) { i.setWidth(2 * kPoint); },
                                                     [](DRLineInfo& i) { i.setWidth(kMixedMeasure); }},
                                           MergeCase{"Colour",
                                                     [](DRLineInfo& i) { i.setKolorWithoutRegistering(kRed); },
                                                     [](DRLineInfo& i) { i.setKolorWithoutRegistering(g_nilKolor); }},
                                           MergeCase{"Cap", [](DRLineInfo& i) { i.setCapStyle(kLineCapRound); },
                                                     [](DRLineInfo& i) { i.setCapStyle(kMixedLineCode); }},
                                           MergeCase{"Join", [](DRLineInfo& i) { i.setJoinStyle(kLineJoinBevel); },
                                                     [](DRLineInfo& i) { i.setJoinStyle(kMixedLineCode); }},
                                           MergeCase{"Style", [](DRLineInfo& i) { i.setLineStyle(kLineStyleDot); },
                                                     [](DRLineInfo& i) { i.setLineStyle(kMixedLineCode); }},
                                           MergeCase{"Flatness", [](DRLineInfo& i) { i.setFlatness(1); },
                                                     [](DRLineInfo& i) { i.setFlatness(kMixedMeasure); }},
                                           MergeCase{"Miter", [](DRLineInfo& i) { i.setMiterLimit(1); },
                                                     [](DRLineInfo& i) { i.setMiterLimit(kMixedMeasure); }},
                                           MergeCase{"Phase", [](DRLineInfo& i) { i.setPhase(1); },
                                                     [](DRLineInfo& i) { i.setPhase(kMixedMeasure); }},
                                           MergeCase{"Scaling", [](DRLineInfo& i) { i.setScalePattern(false); },
                                                     [](DRLineInfo& i) { i.setScalePattern(false); }},
                                           MergeCase{"PatternEntry",
                                                     [](DRLineInfo& i) {
                                                       i.setPattern(DRLineInfo::Pattern{kPoint, 3 * kPoint});
                                                     },
                                                     [](DRLineInfo& i) { i.setPattern(std::nullopt); }},
                                           MergeCase{"PatternLength",
                                                     [](DRLineInfo& i) {
                                                       i.setPattern(DRLineInfo::Pattern{kPoint, 2 * kPoint, kPoint});
                                                     },
                                                     [](DRLineInfo& i) { i.setPattern(std::nullopt); }},
                                           MergeCase{"PatternNone", [](DRLineInfo& i) { i.setPattern(std::nullopt); },
                                                     [](DRLineInfo& i) { i.setPattern(std::nullopt); }}),
                         [](const ::testing::TestParamInfo<MergeCase>& info) { return info.param.name; });

TEST(DRLineInfo, AMergedStyleStaysMixedAgainstAnyOther) {
  DRLineInfo merged;
  DRLineInfo other;
  other.setWidth(kPoint);
  other.setCapStyle(kLineCapRound);
  merged.intersectWith(other);
  ASSERT_EQ(merged.width(), kMixedMeasure);
  merged.intersectWith(DRLineInfo());
  EXPECT_EQ(merged.width(), kMixedMeasure);
  EXPECT_EQ(merged.capStyle(), kMixedLineCode);
}

// ---- Dash patterns -------------------------------------------------------------------

QPen DashedPen(double width) {
  QPen pen;
  pen.setWidthF(width);
  return pen;
}

TEST(ApplyLinePattern, ConvertsPointsIntoPenWidths) {
  const MeasureUnit pattern[] = {63500, 25400};
  QPen pen = DashedPen(2);
  ApplyLinePattern(&pen, pattern, 2, 12700, 1.0);
  EXPECT_EQ(pen.style(), Qt::CustomDashLine);
  EXPECT_EQ(pen.dashPattern(), (QList<qreal>{2.5, 1.0}));
  EXPECT_DOUBLE_EQ(pen.dashOffset(), 0.5);

  QPen doubled = DashedPen(2);
  ApplyLinePattern(&doubled, pattern, 2, 12700, 2.0);
  EXPECT_EQ(doubled.dashPattern(), (QList<qreal>{5.0, 2.0}));
  EXPECT_DOUBLE_EQ(doubled.dashOffset(), 1.0);

  QPen hairline = DashedPen(0);
  ApplyLinePattern(&hairline, pattern, 2, kMixedMeasure, 1.0);
  EXPECT_EQ(hairline.dashPattern(), (QList<qreal>{5.0, 2.0}));
  EXPECT_DOUBLE_EQ(hairline.dashOffset(), 0.0);
}

TEST(ApplyLinePattern, TooLongPatternsLeaveThePenAlone) {
  const MeasureUnit eleven[11] = {1, 1, 1, 1, 1, 1, 1, 1, 1, 1, 1};
  QPen pen = DashedPen(1);
  pen.setDashPattern({3, 1});
  ApplyLinePattern(&pen, eleven, 11, 0, 1.0);
  EXPECT_EQ(pen.dashPattern(), (QList<qreal>{3, 1}));
}

TEST(ApplyLinePattern, UnusablePatternsDrawSolid) {
  const MeasureUnit zero[] = {0, 0};
  const MeasureUnit negative[] = {12700, -12700};
  const MeasureUnit withZero[] = {0, 12700};
  struct Case {
    const MeasureUnit* pattern;
    int64_t count;
  };
  const Case cases[] = {{zero, 2}, {negative, 2}, {withZero, 2}, {zero, 0}, {negative, -3}, {nullptr, 2}};
  for (const Case& c : cases) {
    QPen pen = DashedPen(1);
    pen.setDashPattern({3, 1});
    ApplyLinePattern(&pen, c.pattern, c.count, 0, 1.0);
    EXPECT_EQ(pen.style(), Qt::SolidLine) << c.count;
  }
}

TEST(ApplyLinePattern, OddPatternsRepeatSoDashesAndGapsAlternate) {
  const MeasureUnit three[] = {12700, 25400, 38100};
  QPen pen = DashedPen(1);
  ApplyLinePattern(&pen, three, 3, -12700, 1.0);
  EXPECT_EQ(pen.dashPattern(), (QList<qreal>{1, 2, 3, 1, 2, 3}));
  // A phase before the start counts back from the end of the pattern.
  EXPECT_DOUBLE_EQ(pen.dashOffset(), 11.0);
}

// ---- Stroking ------------------------------------------------------------------------

// The lengths of the runs of ink along row y, from x0 to x1, first run inked.
std::vector<int> InkRuns(const QImage& image, int y, int x0, int x1) {
  std::vector<int> runs;
  bool inkedRun = true;
  int count = 0;
  for (int x = x0; x < x1; ++x) {
    const bool inked = qGray(image.pixel(x, y)) < 128;
    if (inked != inkedRun) {
      runs.push_back(count);
      count = 0;
      inkedRun = inked;
    }
    ++count;
  }
  runs.push_back(count);
  return runs;
}

// Lines lie on pixel row 12, where their runs can be read off exactly.
constexpr int kLineRow = 12;

// A line across a 100 x 24 image at the height, stroked with the pen, at a zoom.
QImage StrokeLine(const QPen& pen, double zoom = 1.0, double y = kLineRow + 0.5) {
  return RenderImage(QSize(int(100 * zoom), int(24 * zoom)), [&](QPainter& painter) {
    painter.scale(zoom, zoom);
    QPainterPath path;
    path.moveTo(0, y);
    path.lineTo(100, y);
    painter.strokePath(path, pen);
  });
}

TEST(DRLineInfo, AZeroWidthLineDrawsAQuarterPointWide) {
  const DRLineInfo info;
  FakeStyleClient element;
  const QPen pen = info.setupBezier(&element, false);
  EXPECT_FALSE(pen.isCosmetic());
  EXPECT_DOUBLE_EQ(pen.widthF(), 0.25);
  // At zoom 4 the line covers one whole pixel row, in black.
  const QImage image = StrokeLine(pen, 4.0, 12.625);
  const QRect ink = InkBounds(image, Qt::white, 16);
  EXPECT_EQ(ink, QRect(0, 50, 400, 1));
  EXPECT_EQ(qGray(image.pixel(200, 50)), 0);
  // At zoom 1 it is a faint quarter of a row, not a one-pixel hairline.
  const QImage small = StrokeLine(pen);
  EXPECT_EQ(InkBounds(small, Qt::white, 16), QRect(0, kLineRow, 100, 1));
  EXPECT_GT(qGray(small.pixel(50, kLineRow)), 150);
  EXPECT_LT(qGray(small.pixel(50, kLineRow)), 240);
}

TEST(DRLineInfo, HitTestingStrokesAtLeastAPointWideInSolidBlack) {
  DRLineInfo info;
  info.setKolorWithoutRegistering(kRed);
  info.setLineStyle(kLineStyleDash);
  info.setCapStyle(kLineCapRound);
  FakeStyleClient element;
  element.hitTesting = true;
  const QPen pen = info.setupBezier(&element, false);
  EXPECT_DOUBLE_EQ(pen.widthF(), 1.0);
  EXPECT_EQ(pen.color(), QColor(Qt::black));
  EXPECT_EQ(pen.style(), Qt::SolidLine);
  EXPECT_EQ(pen.capStyle(), Qt::FlatCap);
  const QImage image = StrokeLine(pen);
  EXPECT_EQ(InkRuns(image, kLineRow, 0, 100), (std::vector<int>{100})) << "solid along the whole row";
  EXPECT_EQ(InkBounds(image), QRect(0, kLineRow, 100, 1));

  info.setWidth(3 * kPoint);
  EXPECT_DOUBLE_EQ(info.setupBezier(&element, false).widthF(), 3.0);
}

struct DashCase {
  const char* name;
  int64_t style;
  MeasureUnit width;
  bool scalePattern;
  DRLineInfo::Pattern pattern;
  double penWidth;        // the width drawn, in points
  std::vector<int> runs;  // ink and gaps along the line at zoom 1
};

void PrintTo(const DashCase& c, std::ostream* os) {
  *os << c.name;
}

class LineInfoDash : public ::testing::TestWithParam<DashCase> {};

TEST_P(LineInfoDash, DrawsTheRunsOfItsPattern) {
  const DashCase& c = GetParam();
  DRLineInfo info;
  info.setLineStyle(c.style);
  info.setWidth(c.width);
  info.setScalePattern(c.scalePattern);
  info.setPattern(c.pattern);
  FakeStyleClient element;
  const QPen pen = info.setupBezier(&element, false);
  EXPECT_DOUBLE_EQ(pen.widthF(), c.penWidth);
  const QImage image = StrokeLine(pen);
  std::vector<int> runs = InkRuns(image, kLineRow, 0, 100);
  if (c.runs.size() < runs.size()) runs.resize(c.runs.size());
  EXPECT_EQ(runs, c.runs);
}

INSTANTIATE_TEST_SUITE_P(
    Patterns, LineInfoDash,
    ::testing::Values(
        DashCase{"Solid", kLineStyleSolid, 2 * kPoint, true, {}, 2.0, {100}},
        DashCase{"Dash", kLineStyleDash, 2 * kPoint, true, {}, 2.0, {10, 4, 10, 4, 10, 4}},
        DashCase{"DashUnscaled", kLineStyleDash, 2 * kPoint, false, {}, 2.0, {5, 2, 5, 2, 5, 2}},
        DashCase{"Dot", kLineStyleDot, 2 * kPoint, true, {}, 2.0, {2, 4, 2, 4, 2, 4}},
        // Thin dotted lines draw a point wide, the pattern at scale 1.
        DashCase{"ThinDot", kLineStyleDot, kPoint / 2, true, {}, 1.0, {1, 2, 1, 2, 1, 2}},
        DashCase{"ZeroDash", kLineStyleDash, 0, true, {}, 1.0, {5, 2, 5, 2}},
        DashCase{"CustomOdd", kLineStyleCustom, 2 * kPoint, false, {12700, 25400, 38100}, 2.0, {1, 2, 3, 1, 2, 3, 1}},
        DashCase{"CustomOne", kLineStyleCustom, 2 * kPoint, true, {12700}, 2.0, {100}},
        DashCase{"CustomEleven",
                 kLineStyleCustom,
                 2 * kPoint,
                 true,
                 {12700, 12700, 12700, 12700, 12700, 12700, 12700, 12700, 12700, 12700, 12700},
                 2.0,
                 {100}},
        DashCase{"CustomTen",
                 kLineStyleCustom,
                 2 * kPoint,
                 false,
                 {12700, 12700, 12700, 12700, 12700, 12700, 12700, 12700, 12700, 38100},
                 2.0,
                 {1, 1, 1, 1, 1, 1, 1, 1, 1, 3, 1}},
        DashCase{"CustomZero", kLineStyleCustom, 2 * kPoint, true, {0, 0}, 2.0, {100}},
        DashCase{"Mixed", kMixedLineCode, 2 * kPoint, true, {}, 2.0, {100}}),
    [](const ::testing::TestParamInfo<DashCase>& info) { return info.param.name; });

TEST(DRLineInfo, PhaseShiftsTheDash) {
  DRLineInfo info;
  info.setLineStyle(kLineStyleDash);
  info.setWidth(kPoint);
  info.setPhase(3 * kPoint);
  FakeStyleClient element;
  const QImage image = StrokeLine(info.setupBezier(&element, false));
  EXPECT_EQ(InkRuns(image, kLineRow, 0, 16), (std::vector<int>{2, 2, 5, 2, 5}));
}

TEST(DRLineInfo, CapsJoinsAndMiterGoIntoThePen) {
  DRLineInfo info;
  info.setCapStyle(kLineCapRound);
  info.setJoinStyle(kLineJoinBevel);
  info.setMiterLimit(2 * kPoint);
  FakeStyleClient element;
  QPen pen = info.setupBezier(&element, false);
  EXPECT_EQ(pen.capStyle(), Qt::RoundCap);
  EXPECT_EQ(pen.joinStyle(), Qt::BevelJoin);
  EXPECT_DOUBLE_EQ(pen.miterLimit(), 2.0);

  info.setCapStyle(kLineCapSquare);
  info.setJoinStyle(kLineJoinRound);
  pen = info.setupBezier(&element, false);
  EXPECT_EQ(pen.capStyle(), Qt::SquareCap);
  EXPECT_EQ(pen.joinStyle(), Qt::RoundJoin);

  // Miters turn to bevels past the limit, as the platform's do.
  info.setJoinStyle(kLineJoinMiter);
  EXPECT_EQ(info.setupBezier(&element, false).joinStyle(), Qt::SvgMiterJoin);

  // Arrowheads bring their own ends: the cap is left butt.
  const int anyArrow = 0;
  element.arrow = reinterpret_cast<const DRArrow*>(&anyArrow);
  EXPECT_EQ(info.setupBezier(&element, false).capStyle(), Qt::FlatCap);
}

TEST(DRLineInfo, ScalesTheWidthWithTheElementWhenAsked) {
  DRLineInfo info;
  info.setWidth(2 * kPoint);
  FakeStyleClient element;
  element.frameRect = CSRect{0, 0, 300 * kPoint, 10 * kPoint};
  element.original = CSPoint{100 * kPoint, 10 * kPoint};
  struct Case {
    bool scalable;
    std::optional<bool> scaleLine;
    bool underConstruction;
    double width;
  };
  const Case cases[] = {
      {true, true, false, 6.0},  {true, false, false, 2.0}, {true, std::nullopt, false, 2.0},
      {false, true, false, 2.0}, {true, true, true, 2.0},
  };
  for (const Case& c : cases) {
    element.scalable = c.scalable;
    element.scaleLine = c.scaleLine;
    element.underConstruction = c.underConstruction;
    EXPECT_DOUBLE_EQ(info.setupBezier(&element, false).widthF(), c.width)
        << c.scalable << c.scaleLine.value_or(false) << c.underConstruction;
  }
  // A degenerate original or frame keeps the unscaled width.
  element.scalable = true;
  element.scaleLine = true;
  element.underConstruction = false;
  element.original.x = 0;
  EXPECT_DOUBLE_EQ(info.setupBezier(&element, false).widthF(), 2.0);
  element.original.x = 100 * kPoint;
  element.frameRect.width = 0;
  EXPECT_DOUBLE_EQ(info.setupBezier(&element, false).widthF(), 2.0);
}

TEST(DRLineInfo, StrokeColourFallsBackToBlack) {
  struct Case {
    Kolor kolor;
    bool forceVisible;
    QColor color;
  };
  const Case cases[] = {
      {kRed, false, QColor(255, 0, 0)},
      {kRed, true, QColor(255, 0, 0)},
      {g_nilKolor, false, QColor(Qt::black)},
      {0x65000000, false, QColor(Qt::black)},
      {MakeKolor(0, 0, 255, 0), true, QColor(Qt::black)},
      {MakeKolor(0, 0, 255, 0), false, ColorFromKolor(MakeKolor(0, 0, 255, 0))},
  };
  FakeStyleClient element;
  for (const Case& c : cases) {
    DRLineInfo info;
    info.setKolorWithoutRegistering(c.kolor);
    EXPECT_EQ(info.setupBezier(&element, c.forceVisible).color(), c.color) << std::hex << c.kolor;
  }
}

}  // namespace
