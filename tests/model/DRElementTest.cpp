#include <gtest/gtest.h>

#include <QMetaProperty>
#include <limits>
#include <vector>

#include "model/DRArrow.h"
#include "model/DRElementArc.h"
#include "model/DRElementEllipse.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementRegularPoly.h"
#include "model/DRElementRoundRect.h"
#include "model/DRTool.h"
#include "model/ElementTestSupport.h"
#include "model/FakeHostingView.h"
#include "model/FakeModelServices.h"
#include "platform/NotificationCenter.h"
#include "testkit/QStringPrinter.h"

namespace {

// Recent-colour registrations as observers see them once the queue is
// flushed.
class Registrations {
 public:
  Registrations() {
    NotificationQueue::defaultQueue().flush();
    for (const bool primary : {true, false}) {
      const QString name = primary ? QStringLiteral("twdraw.registerColor") : QStringLiteral("twdraw.registerAltColor");
      NotificationCenter::defaultCenter().addObserver(this, name, nullptr, [this, primary](const CSNotification& n) {
        seen.push_back({primary, KolorValue(n.userInfo.value(QStringLiteral("color")))});
      });
    }
  }
  ~Registrations() { NotificationCenter::defaultCenter().removeObserver(this); }
  struct Seen {
    bool primary;
    Kolor kolor;
    bool operator==(const Seen&) const = default;
  };
  std::vector<Seen> flushed() {
    NotificationQueue::defaultQueue().flush();
    return seen;
  }
  std::vector<Seen> seen;
};

DRLineInfo ThickBlueLine() {
  DRLineInfo info;
  info.setWidth(Pt(4));
  info.setKolorWithoutRegistering(0x64FF0000);
  info.setLineStyle(kLineStyleDash);
  return info;
}

// Tool settings unlike every default, so that a record that takes any of
// them shows it.
void UseUnusualSettings(DRSettings& settings) {
  settings.setLineInfo(ThickBlueLine());
  settings.setFillKolor(0x640000FF);
  settings.setConstrain(true);
  settings.setDrawFromCenter(true);
  settings.setCornerRadius(Pt(3));
  settings.setRegularPolyVertexCount(9);
}

}  // namespace

// ---- Factories -------------------------------------------------------------------------

TEST(DRElement, ToolsMakeTheirShapesUnderConstruction) {
  SettingsScope scope;
  const struct {
    int32_t tool;
    int32_t type;
  } rows[] = {{kToolRectangle, kElementRectangle},
              {kToolRoundRect, kElementRoundRect},
              {kToolEllipse, kElementEllipse},
              {kToolArc, kElementArc},
              {kToolRegularPoly, kElementRegularPoly}};
  for (const auto& row : rows) {
    SCOPED_TRACE(row.tool);
    const std::unique_ptr<DRElement> element = DRElement::elementWithTool(row.tool);
    ASSERT_TRUE(element);
    EXPECT_EQ(element->elementType(), row.type);
    EXPECT_TRUE(element->isUnderConstruction());
  }
}

TEST(DRElement, ToolsThatMakeNoElementGiveNone) {
  SettingsScope scope;
  for (const int32_t tool : {0, 1, 3, 14, 19, 20, -1, 21, 1000}) {
    SCOPED_TRACE(tool);
    EXPECT_FALSE(DRElement::elementWithTool(tool));
  }
}

TEST(DRElement, AToolRegistersTheNewShapesColours) {
  FakeModelServices services;
  SettingsScope scope;
  scope.settings().setFillKolor(0x64336699);
  DRLineInfo line;
  line.setKolorWithoutRegistering(0x64112233);
  scope.settings().setLineInfo(line);
  Registrations registrations;
  ASSERT_TRUE(DRElement::elementWithTool(kToolEllipse));
  const std::vector<Registrations::Seen> expected = {{true, 0x64336699}, {false, 0x64112233}};
  EXPECT_EQ(registrations.flushed(), expected);
}

TEST(DRElement, NewShapesTakeTheToolSettings) {
  SettingsScope scope;
  UseUnusualSettings(scope.settings());
  DRElementRoundRect round;
  EXPECT_EQ(round.lineInfo(), ThickBlueLine());
  EXPECT_EQ(round.fillKolor(), 0x640000FFu);
  EXPECT_TRUE(round.isConstrained());
  EXPECT_TRUE(round.resizeFromCenter());
  EXPECT_EQ(round.cornerRadius(), Pt(3));
  EXPECT_EQ(round.reflectionAlpha(), kDefaultReflectionAlpha);
  DRElementRegularPoly poly;
  EXPECT_EQ(poly.vertexCount(), 9u);
  scope.settings().setConstrain(false);
  EXPECT_TRUE(DRElementArc().isConstrained());
  EXPECT_TRUE(DRElementRegularPoly().isConstrained());
  EXPECT_FALSE(DRElementEllipse().isConstrained());
}

// ---- Records -------------------------------------------------------------------------------

namespace {

void DecorateBase(DRElement& element) {
  element.setFrame(PtRect(10, 20, 120, 80));
  element.setOriginalSize(CSPoint{Pt(60), Pt(40)});
  element.setConstrainedNoResize(true);
  element.setResizeFromCenter(true);
  element.setNotes(QStringLiteral("a <note> & more"));
  element.setRotation(12700 * 30);
  element.setReflection(12700 * 40);
  element.setReflectionAlpha(12700 * 70);
  element.setReflectionOffset(Pt(2));
  DRShadow shadow;
  shadow.setBlur(Pt(5));
  element.setShadow(shadow);
  element.setLineInfo(ThickBlueLine());
}

std::unique_ptr<DRElement> Decorated(int32_t type) {
  std::unique_ptr<DRElement> element;
  switch (type) {
    case kElementRectangle: {
      auto rect = std::make_unique<DRElementRectangle>();
      rect->setMarkCenter(true);
      DRGradient gradient;
      gradient.setRadial(true);
      gradient.setRadialCenter(CSPoint{2540, -1270});
      rect->setGradient(gradient);
      element = std::move(rect);
      break;
    }
    case kElementEllipse:
      element = std::make_unique<DRElementEllipse>();
      break;
    case kElementRoundRect: {
      auto round = std::make_unique<DRElementRoundRect>();
      round->setCornerRadius(Pt(7));
      element = std::move(round);
      break;
    }
    case kElementRegularPoly: {
      auto poly = std::make_unique<DRElementRegularPoly>();
      poly->setVertexCount(5);
      element = std::move(poly);
      break;
    }
    default: {
      auto arc = std::make_unique<DRElementArc>();
      arc->setStartAngle(12700 * 45);
      arc->setEndAngle(12700 * 200);
      element = std::move(arc);
      break;
    }
  }
  DecorateBase(*element);
  static_cast<DRElementClosed&>(*element).setFillKolor(0x3200FF00);
  return element;
}

}  // namespace

class ElementRecord : public ::testing::TestWithParam<int32_t> {};

TEST_P(ElementRecord, ReadsBackWhatItWrote) {
  SettingsScope scope;
  UseUnusualSettings(scope.settings());
  const std::unique_ptr<DRElement> original = Decorated(GetParam());
  const QString record = RecordOf(*original);
  const std::unique_ptr<DRElement> read = ReadRecord(record);
  ASSERT_TRUE(read) << record.toStdString();
  EXPECT_EQ(read->elementType(), GetParam());
  EXPECT_EQ(RecordOf(*read), record);
  // Every property addressed by name came back.
  const QMetaObject* meta = original->gadgetMetaObject();
  ASSERT_EQ(meta, read->gadgetMetaObject());
  for (int i = 0; i < meta->propertyCount(); ++i) {
    const QMetaProperty property = meta->property(i);
    EXPECT_EQ(property.readOnGadget(read.get()), property.readOnGadget(original.get())) << property.name();
  }
  EXPECT_FALSE(read->isUnderConstruction());
}

INSTANTIATE_TEST_SUITE_P(BasicShapes, ElementRecord,
                         ::testing::Values(kElementRectangle, kElementEllipse, kElementRoundRect, kElementRegularPoly,
                                           kElementArc));

TEST(DRElement, WritesTheTagsInTheirOrder) {
  SettingsScope scope;
  const std::unique_ptr<DRElement> arc = Decorated(kElementArc);
  const QString record = RecordOf(*arc);
  QStringList order;
  auto decoder = CSXmlDecoder::createWithString(record);
  ASSERT_TRUE(decoder);
  decoder->getNextTag();
  while (decoder->getNextTag() && decoder->level() >= 1) {
    if (decoder->startTag()) order << decoder->xmlTag();
    if (!decoder->endTag()) decoder->skipTag();
  }
  EXPECT_EQ(order, QStringList({"type", "frame", "original", "constrain", "center", "notes", "rotate", "reflect",
                                "reflectAlpha", "reflectOffset", "lineinfo", "shadow", "from", "to", "color"}))
      << record.toStdString();
}

TEST(DRElement, ARecordOfTypeAndFrameTakesNothingFromTheSettings) {
  SettingsScope scope;
  UseUnusualSettings(scope.settings());
  const std::unique_ptr<DRElement> read =
      ReadRecord(Records("<element><type>rect</type><frame>{127000,254000,1270000,635000}</frame></element>"));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->frame(), (CSRect{127000, 254000, 1270000, 635000}));
  EXPECT_EQ(read->originalSize(), (CSPoint{0, 0}));
  EXPECT_EQ(read->fillKolor(), g_nilKolor);
  EXPECT_FALSE(read->isConstrained());
  EXPECT_FALSE(read->resizeFromCenter());
  // The writer leaves out the default line style, so it is what a record
  // without "lineinfo" means, whatever the reader's line tool holds.
  EXPECT_EQ(read->lineInfo(), DRLineInfo());
  EXPECT_FALSE(read->shadow());
  EXPECT_EQ(read->reflectionAlpha(), kDefaultReflectionAlpha);
}

TEST(DRElement, NoFillAndTheDefaultLineAreWrittenAsNothing) {
  SettingsScope scope;
  UseUnusualSettings(scope.settings());
  DRElementEllipse ellipse;
  ellipse.setFillKolor(g_nilKolor);
  ellipse.setLineInfo(DRLineInfo());
  ellipse.setFrame(PtRect(0, 0, 10, 10));
  const QString record = RecordOf(ellipse);
  EXPECT_FALSE(record.contains(QStringLiteral("<color>")));
  EXPECT_FALSE(record.contains(QStringLiteral("lineinfo")));
  const std::unique_ptr<DRElement> read = ReadRecord(record);
  ASSERT_TRUE(read);
  EXPECT_EQ(read->fillKolor(), g_nilKolor);
  EXPECT_EQ(read->lineInfo(), DRLineInfo());
}

TEST(DRElement, ReflectionAlphaGoesWithTheReflectionAndAZeroOffsetIsLeftOut) {
  SettingsScope scope;
  DRElementRectangle rect;
  EXPECT_FALSE(RecordOf(rect).contains(QStringLiteral("reflect")));
  rect.setReflection(12700 * 30);
  const QString record = RecordOf(rect);
  EXPECT_TRUE(record.contains(QStringLiteral("<reflectAlpha>635000</reflectAlpha>"))) << record.toStdString();
  EXPECT_FALSE(record.contains(QStringLiteral("reflectOffset"))) << record.toStdString();
}

TEST(DRElement, UnreadableRecordsAreSkippedAndTheNextOneReads) {
  SettingsScope scope;
  const QString next = QStringLiteral("<element><type>ellipse</type><frame>{1,2,3,4}</frame></element>");
  const QString broken[] = {
      // An unknown type, with nested records of its own.
      QStringLiteral("<element><type>teapot</type><lineinfo><width>5</width></lineinfo>"
                     "<element><type>rect</type></element><frame>{0,0,9,9}</frame></element>"),
      // No leading "type".
      QStringLiteral("<element><frame>{0,0,9,9}</frame><type>rect</type></element>"),
      QStringLiteral("<element><shadow><x>1</x></shadow><type>rect</type></element>"),
      // A type that is a tag of the file but no element kind.
      QStringLiteral("<element><type>shadow</type></element>"),
      // Nothing at all.
      QStringLiteral("<element/>"),
      QStringLiteral("<element></element>"),
  };
  for (const QString& record : broken) {
    SCOPED_TRACE(record.toStdString());
    const auto elements = ReadRecords(Records(record + next));
    ASSERT_EQ(elements.size(), 2u);
    EXPECT_FALSE(elements.front());
    ASSERT_TRUE(elements.back());
    EXPECT_EQ(elements.back()->elementType(), kElementEllipse);
    EXPECT_EQ(elements.back()->frame(), (CSRect{1, 2, 3, 4}));
  }
}

TEST(DRElement, TheReaderStopsAtTheRecordsEnd) {
  SettingsScope scope;
  auto decoder = CSXmlDecoder::createWithString(
      Records("<element><type>teapot</type><element><type>rect</type></element></element><after/>"));
  ASSERT_TRUE(decoder);
  decoder->getNextTag();  // elements
  decoder->getNextTag();  // element
  EXPECT_FALSE(DRElement::elementWithXml(*decoder, nullptr));
  ASSERT_TRUE(decoder->getNextTag());
  EXPECT_EQ(decoder->xmlTag(), QStringLiteral("after"));
}

TEST(DRElement, RecordsThatEndInsideOrBreakGiveNothing) {
  SettingsScope scope;
  const QString bad[] = {
      g_xmlPrefix + "<element><type>rect</type><frame>{0,0,9,9}</frame>",
      g_xmlPrefix + "<element><type>rect</type><frame>{0,0,9,9}</frame><oops></element>",
      g_xmlPrefix + "<element><type>rect</type><lineinfo><width>5</width></element>",
  };
  for (const QString& xml : bad) {
    SCOPED_TRACE(xml.toStdString());
    EXPECT_FALSE(ReadRecord(xml));
  }
}

TEST(DRElement, UnknownTagsAndNestedRecordsOfOtherKindsAreIgnored) {
  SettingsScope scope;
  const std::unique_ptr<DRElement> read =
      ReadRecord(Records("<element><type>rect</type><frame>{0,0,90,90}</frame><wobble>3</wobble>"
                         "<textinfo><font>x</font></textinfo><points><point>{1,1}</point></points>"
                         "<radius>99</radius><count>7</count><from>5</from>"
                         "<notes>kept</notes></element>"));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->frame(), (CSRect{0, 0, 90, 90}));
  EXPECT_EQ(read->notes(), QStringLiteral("kept"));
}

TEST(DRElement, AnUnreadableShadowOrLineStyleKeepsTheValueBefore) {
  SettingsScope scope;
  UseUnusualSettings(scope.settings());
  // Each nested record is closed by an end tag of another name.
  const std::unique_ptr<DRElement> read =
      ReadRecord(Records("<element><type>rect</type><lineinfo><width>5</width></pattern>"
                         "<shadow><x>5</x></lock><frame>{0,0,9,9}</frame></element>"));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->lineInfo(), DRLineInfo());
  EXPECT_FALSE(read->shadow());
  EXPECT_EQ(read->frame(), (CSRect{0, 0, 9, 9}));
}

namespace {

// Reads the element records inside its own, as groups do.
class NestingElement : public TestElement {
 public:
  NestingElement() : TestElement(kElementGroup) {}
  // How deep the records inside went, this one included.
  int depth = 1;

 protected:
  std::unique_ptr<DRElement> newInstance() const override { return std::make_unique<NestingElement>(); }
  void handleXmlNode(CSXmlDecoder& decoder, DRDrawing* drawing) override {
    if (decoder.key() == kXmlElement && decoder.startTag() && !decoder.endTag()) {
      if (const std::unique_ptr<DRElement> member = elementWithXml(decoder, drawing)) {
        depth = std::max(depth, 1 + static_cast<const NestingElement&>(*member).depth);
      }
      return;
    }
    TestElement::handleXmlNode(decoder, drawing);
  }
};

}  // namespace

TEST(DRElement, RecordsNestedTooDeeplyMakeTheTextBad) {
  SettingsScope scope;
  const DRElementMaker previous = RegisteredElementClass(kElementGroup);
  RegisterElementClass(kElementGroup,
                       []() -> std::unique_ptr<DRElement> { return std::make_unique<NestingElement>(); });
  const auto nestedRecords = [](int depth) {
    QString nested;
    for (int i = 0; i < depth; ++i) nested += QStringLiteral("<element><type>group</type>");
    for (int i = 0; i < depth; ++i) nested += QStringLiteral("</element>");
    return nested + QStringLiteral("<element><type>ellipse</type></element>");
  };
  const auto deepest = ReadRecords(Records(nestedRecords(kMaxElementRecordDepth)));
  const auto tooDeep = ReadRecords(Records(nestedRecords(kMaxElementRecordDepth + 1)));
  RegisterElementClass(kElementGroup, previous);

  ASSERT_EQ(deepest.size(), 2u);
  ASSERT_TRUE(deepest[0]);
  EXPECT_EQ(static_cast<const NestingElement&>(*deepest[0]).depth, kMaxElementRecordDepth);
  ASSERT_TRUE(deepest[1]);
  EXPECT_EQ(deepest[1]->elementType(), kElementEllipse);
  // One level more: nothing reads, not even the record after it.
  for (const auto& element : tooDeep) EXPECT_FALSE(element);
}

TEST(DRElement, ValuesAreTakenAsTheyStand) {
  SettingsScope scope;
  const std::unique_ptr<DRElement> read =
      ReadRecord(Records("<element><type>regularpoly</type><frame>{-5,9223372036854775807,-1,0}</frame>"
                         "<rotate>-99999999999999999999</rotate><count>-1</count><reflect>7</reflect></element>"));
  ASSERT_TRUE(read);
  EXPECT_EQ(read->frame(), (CSRect{-5, std::numeric_limits<int64_t>::max(), -1, 0}));
  EXPECT_EQ(read->rotation(), std::numeric_limits<int64_t>::min());
  EXPECT_EQ(static_cast<DRElementRegularPoly&>(*read).vertexCount(), std::numeric_limits<uint64_t>::max());
  // Such an element still answers its bounds without overflow.
  const CSRect bounds = read->bounds(false);
  EXPECT_GE(bounds.width, 0);
}

// ---- Copies ------------------------------------------------------------------------------------

TEST(DRElement, ACopyIsANewElementWithTheSameValues) {
  FakeModelServices services;
  SettingsScope scope;
  const std::unique_ptr<DRElement> original = Decorated(kElementRoundRect);
  original->setSortIndex(42);
  original->setSuppressCasing(true);
  original->setUndoCopy(true);
  Registrations registrations;
  const std::unique_ptr<DRElement> copy = original->copy();
  ASSERT_TRUE(copy);
  EXPECT_NE(copy.get(), original.get());
  EXPECT_EQ(RecordOf(*copy), RecordOf(*original));
  // The fill went through the registering setter.
  const std::vector<Registrations::Seen> expected = {{true, 0x3200FF00}};
  EXPECT_EQ(registrations.flushed(), expected);
  EXPECT_EQ(copy->sortIndex(), 0u);
  EXPECT_FALSE(copy->suppressCasing());
  EXPECT_FALSE(copy->isUndoCopy());
}

TEST(DRElement, ReadingARecordRegistersNoColour) {
  FakeModelServices services;
  SettingsScope scope;
  const QString record = RecordOf(*Decorated(kElementRectangle));
  Registrations registrations;
  ASSERT_TRUE(ReadRecord(record));
  EXPECT_TRUE(registrations.flushed().empty());
}

// ---- Constraint and construction ---------------------------------------------------------------

TEST(DRElement, ConstrainingSquaresTheFrameUnlessToldNotTo) {
  SettingsScope scope;
  DRElementRectangle rect;
  rect.setFrame(PtRect(0, 0, 100, 40));
  rect.setConstrainedNoResize(true);
  EXPECT_EQ(rect.frame(), PtRect(0, 0, 100, 40));
  rect.setConstrained(false);
  rect.setConstrained(true);
  EXPECT_EQ(rect.frame(), PtRect(0, 0, 100, 100));
  // The arc and the regular polygon keep their flag whatever is asked.
  DRElementArc arc;
  arc.setFrame(PtRect(0, 0, 100, 40));
  arc.setConstrained(false);
  EXPECT_TRUE(arc.isConstrained());
  EXPECT_EQ(arc.frame(), PtRect(0, 0, 100, 40));
}

TEST(DRElement, FinishingConstructionFixesAnUnsetOriginalSize) {
  SettingsScope scope;
  DRElementEllipse ellipse;
  ellipse.setUnderConstruction(true);
  ellipse.setFrame(PtRect(5, 5, 30, 20));
  ellipse.setUnderConstruction(false);
  EXPECT_EQ(ellipse.originalSize(), (CSPoint{Pt(30), Pt(20)}));
  ellipse.setFrame(PtRect(5, 5, 60, 20));
  ellipse.setUnderConstruction(false);
  EXPECT_EQ(ellipse.originalSize(), (CSPoint{Pt(30), Pt(20)}));
}

TEST(DRElement, VanillaClearsTheDecoration) {
  SettingsScope scope;
  const std::unique_ptr<DRElement> element = Decorated(kElementEllipse);
  element->setFrame(PtRect(0, 0, 60, 40));
  EXPECT_FALSE(element->isVanilla());
  element->makeVanilla();
  EXPECT_TRUE(element->isVanilla());
  EXPECT_FALSE(element->shadow());
  EXPECT_FALSE(element->lineInfo());
  EXPECT_EQ(element->fillKolor(), g_nilKolor);
  EXPECT_EQ(element->notes(), QString());
  EXPECT_FALSE(element->isConstrained());
}

// ---- Position pane edits -------------------------------------------------------------------------

struct RectCoordCase {
  const char* name;
  bool constrained;
  bool toOriginal;
  bool fromCenter;
  CSPoint original;
  int32_t coord;
  MeasureUnit value;
  bool changed;
  CSRect frame;
  bool update;
};

class SetValueForRectCoord : public ::testing::TestWithParam<RectCoordCase> {};

TEST_P(SetValueForRectCoord, ChangesTheFrameAsThePaneAsks) {
  SettingsScope scope;
  const RectCoordCase& c = GetParam();
  TestElement element;
  element.setFrame(CSRect{1000, 2000, 100000, 40000});
  element.setOriginalSize(c.original);
  element.setConstrainedNoResize(c.constrained);
  element.setKeepsOriginalProportions(c.toOriginal);
  element.setResizeFromCenter(c.fromCenter);
  bool update = false;
  EXPECT_EQ(element.setValue(c.value, c.coord, &update), c.changed);
  EXPECT_EQ(element.frame(), c.frame);
  EXPECT_EQ(update, c.update);
}

constexpr CSRect kStart{1000, 2000, 100000, 40000};

INSTANTIATE_TEST_SUITE_P(
    Table, SetValueForRectCoord,
    ::testing::Values(
        RectCoordCase{"MixedChangesNothing", false, false, false, {}, kRectCoordX, kMixedMeasure, false, kStart, false},
        RectCoordCase{"ZeroWidth", false, false, false, {}, kRectCoordWidth, 0, false, kStart, false},
        RectCoordCase{"NegativeHeight", false, false, false, {}, kRectCoordHeight, -5, false, kStart, false},
        RectCoordCase{"SameX", false, false, false, {}, kRectCoordX, 1000, false, kStart, false},
        RectCoordCase{"NewX", false, false, false, {}, kRectCoordX, 7, true, {7, 2000, 100000, 40000}, false},
        RectCoordCase{"NewY", false, false, false, {}, kRectCoordY, -7, true, {1000, -7, 100000, 40000}, false},
        RectCoordCase{"SameWidth", true, false, false, {}, kRectCoordWidth, 100000, false, kStart, false},
        RectCoordCase{"Width", false, false, false, {}, kRectCoordWidth, 5, true, {1000, 2000, 5, 40000}, false},
        RectCoordCase{"ConstrainedWidthSquares",
                      true,
                      false,
                      false,
                      {},
                      kRectCoordWidth,
                      50000,
                      true,
                      {1000, 2000, 50000, 50000},
                      true},
        RectCoordCase{"ConstrainedHeightSquares",
                      true,
                      false,
                      false,
                      {},
                      kRectCoordHeight,
                      30000,
                      true,
                      {1000, 2000, 30000, 30000},
                      true},
        RectCoordCase{"OriginalProportionsWidth",
                      true,
                      true,
                      false,
                      {30000, 20000},
                      kRectCoordWidth,
                      45001,
                      true,
                      {1000, 2000, 45001, 30000},
                      true},
        RectCoordCase{"OriginalProportionsHeight",
                      true,
                      true,
                      false,
                      {30000, 20000},
                      kRectCoordHeight,
                      7,
                      true,
                      {1000, 2000, 10, 7},
                      true},
        RectCoordCase{
            "OriginalProportionsTooSmall", true, true, false, {30000, 20000}, kRectCoordWidth, 1, false, kStart, false},
        RectCoordCase{
            "OriginalSizeWithoutWidth", true, true, false, {0, 20000}, kRectCoordHeight, 500, false, kStart, false},
        RectCoordCase{
            "OriginalSizeWithoutHeight", true, true, false, {30000, 0}, kRectCoordWidth, 500, false, kStart, false},
        RectCoordCase{"ProportionsNeedTheConstraint",
                      false,
                      true,
                      false,
                      {30000, 20000},
                      kRectCoordWidth,
                      500,
                      true,
                      {1000, 2000, 500, 40000},
                      false},
        RectCoordCase{"FromCenterKeepsTheCentre",
                      false,
                      false,
                      true,
                      {},
                      kRectCoordWidth,
                      90000,
                      true,
                      {6000, 2000, 90000, 40000},
                      false},
        RectCoordCase{"FromCenterStopsAtZero",
                      false,
                      false,
                      true,
                      {},
                      kRectCoordHeight,
                      50000,
                      true,
                      {1000, 0, 100000, 50000},
                      false},
        RectCoordCase{"FromCenterMovesOnlyForSizes",
                      false,
                      false,
                      true,
                      {},
                      kRectCoordX,
                      3,
                      true,
                      {3, 2000, 100000, 40000},
                      false},
        RectCoordCase{"NoSuchCoordinate", false, false, false, {}, 4, 3, false, kStart, false}),
    [](const ::testing::TestParamInfo<RectCoordCase>& info) { return std::string(info.param.name); });

struct ScaleCase {
  const char* name;
  bool fromCenter;
  CSPoint original;
  MeasureUnit scale;
  bool changed;
  CSRect frame;
};

class SetScale : public ::testing::TestWithParam<ScaleCase> {};

TEST_P(SetScale, SizesToAPercentageOfTheOriginal) {
  SettingsScope scope;
  const ScaleCase& c = GetParam();
  TestElement element;
  element.setFrame(CSRect{10000, 20000, 100000, 40000});
  element.setOriginalSize(c.original);
  element.setResizeFromCenter(c.fromCenter);
  FakeHostingView view;
  EXPECT_EQ(element.setScale(c.scale, &view), c.changed);
  EXPECT_EQ(element.frame(), c.frame);
  // The old and the new area are redrawn.
  EXPECT_EQ(view.invalidatedElements.size(), c.changed ? 2u : 0u);
}

INSTANTIATE_TEST_SUITE_P(
    Table, SetScale,
    ::testing::Values(ScaleCase{"Unchanged", false, {50000, 20000}, 2540000, false, {10000, 20000, 100000, 40000}},
                      ScaleCase{"Half", false, {50000, 20000}, 635000, true, {10000, 20000, 25000, 10000}},
                      ScaleCase{"Truncates", false, {33333, 3}, 1270000 / 3, true, {10000, 20000, 11110, 0}},
                      ScaleCase{"FromCenter", true, {50000, 20000}, 635000, true, {47500, 35000, 25000, 10000}},
                      ScaleCase{
                          "FromCenterStopsAtZero", true, {500000, 200000}, 1270000, true, {0, 0, 500000, 200000}}),
    [](const ::testing::TestParamInfo<ScaleCase>& info) { return std::string(info.param.name); });

// ---- Kinds -------------------------------------------------------------------------------

TEST(DRElement, SimilarityFollowsTheKindsClasses) {
  SettingsScope scope;
  const struct {
    int32_t a, b;
    bool similar;
  } rows[] = {
      {kElementRectangle, kElementArc, true}, {kElementMultipath, kElementEllipse, true},
      {kElementLine, kElementBentLine, true}, {kElementPolygon, kElementScribble, true},
      {kElementBitmap, kElementBitmap, true}, {kElementText, kElementText, true},
      {kElementGroup, kElementGroup, false},  {kElementGroup, kElementRectangle, false},
      {kElementText, kElementBitmap, false},  {kElementLine, kElementPolygon, false},
      {kElementRectangle, 13, false},         {-1, -1, false},
  };
  for (const auto& row : rows) {
    SCOPED_TRACE(testing::Message() << row.a << " " << row.b);
    EXPECT_EQ(TestElement(row.a).isSimilarTo(TestElement(row.b)), row.similar);
  }
}

TEST(DRElement, EveryKindHasItsRecordName) {
  const char* names[] = {"arc",     "bline", "bitmap",      "ellipse",   "group",    "line", "multi",
                         "polygon", "rect",  "regularpoly", "roundrect", "scribble", "text"};
  for (int32_t type = 0; type < kElementTypeCount; ++type) {
    EXPECT_EQ(DRElement::typeNameForElementType(type), QString::fromLatin1(names[type]));
  }
  EXPECT_TRUE(DRElement::typeNameForElementType(13).isNull());
}

// ---- Properties by name ---------------------------------------------------------------------------

TEST(DRElement, PropertiesAreReachedByNameThroughTheElementsOwnClass) {
  SettingsScope scope;
  std::unique_ptr<DRElement> element = std::make_unique<DRElementRoundRect>();
  const QMetaObject* meta = element->gadgetMetaObject();
  auto write = [&](const char* name, const QVariant& value) {
    const int index = meta->indexOfProperty(name);
    EXPECT_GE(index, 0) << name;
    if (index >= 0) {
      EXPECT_TRUE(meta->property(index).writeOnGadget(element.get(), value)) << name;
    }
  };
  write("fillKolor", QVariant::fromValue(Kolor(0x64123456)));
  write("cornerRadius", QVariant::fromValue(qlonglong(Pt(9))));
  write("rotation", QVariant::fromValue(qlonglong(12700 * 15)));
  write("frame", QVariant::fromValue(PtRect(1, 2, 3, 4)));
  write("markCenter", true);
  auto& round = static_cast<DRElementRoundRect&>(*element);
  EXPECT_EQ(round.fillKolor(), 0x64123456u);
  EXPECT_EQ(round.cornerRadius(), Pt(9));
  EXPECT_EQ(round.rotation(), 12700 * 15);
  EXPECT_EQ(round.frame(), PtRect(1, 2, 3, 4));
  EXPECT_TRUE(round.markCenter());

  // A key path: "lineInfo.width" through the sub-object's own gadget.
  const QMetaProperty lineInfo = meta->property(meta->indexOfProperty("lineInfo"));
  QVariant style = lineInfo.readOnGadget(element.get());
  ASSERT_EQ(style.metaType(), QMetaType::fromType<DRLineInfo>());
  const QMetaObject& styleMeta = DRLineInfo::staticMetaObject;
  styleMeta.property(styleMeta.indexOfProperty("width")).writeOnGadget(style.data(), qlonglong(Pt(6)));
  EXPECT_TRUE(lineInfo.writeOnGadget(element.get(), style));
  EXPECT_EQ(round.lineStyle().width(), Pt(6));

  // A missing sub-object reads as invalid and can be given.
  const QMetaProperty shadow = meta->property(meta->indexOfProperty("shadow"));
  EXPECT_FALSE(shadow.readOnGadget(element.get()).isValid());
  EXPECT_TRUE(shadow.writeOnGadget(element.get(), QVariant::fromValue(DRShadow())));
  EXPECT_TRUE(round.shadow());
  EXPECT_TRUE(shadow.writeOnGadget(element.get(), QVariant()));
  EXPECT_FALSE(round.shadow());

  // Kinds without the property do not have it.
  EXPECT_LT(DRElementEllipse::staticMetaObject.indexOfProperty("cornerRadius"), 0);
  EXPECT_LT(TestElement().gadgetMetaObject()->indexOfProperty("fillKolor"), 0);
}

// ---- Bounds and grab dots -----------------------------------------------------------------------

TEST(DRElement, BoundsTakeInRotationLineShadowAndReflection) {
  SettingsScope scope;
  DRElementRectangle rect;
  DRLineInfo line;
  line.setWidth(Pt(2));
  rect.setLineInfo(line);
  rect.setFrame(CSRect{100000, 100000, 300000, 400000});
  EXPECT_EQ(rect.bounds(false), (CSRect{100000 - Pt(2), 100000 - Pt(2), 300000 + Pt(4), 400000 + Pt(4)}));
  // A basic shape's line lies inside its frame when printed.
  EXPECT_EQ(rect.bounds(true), rect.frame());
  rect.setRotation(12700 * 10);
  // The square over the diagonal, 500,000 a side, centred.
  EXPECT_EQ(rect.bounds(true), (CSRect{0, 50000, 500000, 500000}));
  rect.setRotation(0);
  rect.setReflection(12700 * 50);
  rect.setReflectionOffset(1000);
  EXPECT_EQ(rect.bounds(true), (CSRect{100000, 100000, 300000, 801000}));
  rect.setReflection(0);
  DRShadow shadow;
  rect.setShadow(shadow);
  EXPECT_EQ(rect.bounds(true), shadow.adjustBounds(rect.frame()));
  // A zero-width line counts as one point.
  rect.setShadow(std::nullopt);
  rect.setLineInfo(DRLineInfo());
  EXPECT_EQ(rect.lineBoundsExpansion(false), Pt(1));
  EXPECT_EQ(TestElement().lineBoundsExpansion(false), 0);
  EXPECT_EQ(TestElement(kElementScribble, true).lineBoundsExpansion(true), Pt(4));
}

TEST(DRElement, ArrowheadsWidenTheBoundsOfALine) {
  SettingsScope scope;
  TestElement line(kElementLine, true);
  line.setFrame(PtRect(100, 100, 50, 0));
  const CSRect rect = PtRect(100, 99, 50, 2);
  EXPECT_EQ(line.unionRect(rect, nullptr, CSPoint{0, 0}, CSPoint{Pt(50), 0}, Pt(2)), rect);
  const std::optional<DRArrow> arrow = DRArrow::standardArrow(6);  // a closed head at the end
  ASSERT_TRUE(arrow);
  // The points are relative to the frame, so the head lies at (150, 100).
  const QRectF head = arrow->boundsFrom(QPointF(100, 100), QPointF(150, 100), 2);
  const CSRect widened = line.unionRect(rect, &*arrow, CSPoint{0, 0}, CSPoint{Pt(50), 0}, Pt(2));
  EXPECT_EQ(widened, UnionCSRect(rect, ConvertViewRect(head)));
  EXPECT_LT(widened.y, rect.y);
  // Under construction the points are absolute.
  line.setUnderConstruction(true);
  const CSRect absolute = line.unionRect(rect, &*arrow, CSPoint{Pt(100), Pt(100)}, CSPoint{Pt(150), Pt(100)}, Pt(2));
  EXPECT_EQ(absolute, widened);
}

TEST(DRElement, BoundsInAnotherRectangleMoveWithIt) {
  SettingsScope scope;
  DRElementEllipse ellipse;
  ellipse.setFrame(PtRect(10, 10, 20, 20));
  const CSRect bounds = ellipse.bounds(false);
  const CSRect moved = ellipse.boundsIn(QRectF(110, 60, 20, 20));
  EXPECT_EQ(moved, (CSRect{bounds.x + Pt(100), bounds.y + Pt(50), bounds.width, bounds.height}));
}

TEST(DRElement, GrabDotsAreActiveUnlessRotated) {
  SettingsScope scope;
  TestElement element;
  for (int32_t dot = 0; dot < 8; ++dot) EXPECT_TRUE(element.isGrabDotActive(dot));
  element.setRotation(1);
  for (int32_t dot = 0; dot < 8; ++dot) EXPECT_FALSE(element.isGrabDotActive(dot));
  std::array<QRectF, 8> rects;
  EXPECT_EQ(element.getGrabDotRects(rects, QRectF(0, 0, 100, 50)), 8);
  EXPECT_EQ(rects[4], QRectF(100, 50, 9, 9));
}

TEST(DRElement, TheDotOnALineEndNamesItsPlaceOnTheFrame) {
  SettingsScope scope;
  TestElement element;
  element.setFrame(CSRect{10, 20, 100, 50});
  const struct {
    CSPoint p, o;
    int32_t dot;
  } rows[] = {
      {{50, 20}, {50, 70}, 1},  {{50, 70}, {50, 20}, 5},  {{10, 40}, {110, 40}, 7}, {{110, 40}, {10, 40}, 3},
      {{10, 20}, {110, 70}, 0}, {{110, 20}, {10, 70}, 2}, {{110, 70}, {10, 20}, 4}, {{10, 70}, {110, 20}, 6},
  };
  for (const auto& row : rows) EXPECT_EQ(element.grabDotForPoint(row.p, row.o), row.dot);
}

TEST(DRElement, TheRotatedOutlineTurnsClockwiseAboutTheCentre) {
  SettingsScope scope;
  TestElement element;
  element.setFrame(PtRect(0, 0, 100, 40));
  element.setRotation(12700 * 90);
  const QRectF turned = element.rotatedFrameBezier().boundingRect();
  EXPECT_NEAR(turned.left(), 30, 1e-3);
  EXPECT_NEAR(turned.top(), -30, 1e-3);
  EXPECT_NEAR(turned.width(), 40, 1e-3);
  EXPECT_NEAR(turned.height(), 100, 1e-3);
  // The first corner (top-left) lands at the top right.
  EXPECT_NEAR(element.rotatedFrameBezier().elementAt(0).x, 70, 1e-3);
  EXPECT_NEAR(element.rotatedFrameBezier().elementAt(0).y, -30, 1e-3);
}
