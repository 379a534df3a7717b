#include <gtest/gtest.h>

#include <QFont>
#include <QVariantMap>
#include <functional>
#include <memory>
#include <optional>
#include <vector>

#include "model/DRArrow.h"
#include "model/DRDrawing.h"
#include "model/DRElementBitmap.h"
#include "model/DRElementLine.h"
#include "model/DRElementRectangle.h"
#include "model/DRElementScribble.h"
#include "model/DRElementText.h"
#include "model/DRGradient.h"
#include "model/DRSettings.h"
#include "model/DRSettingsChange.h"
#include "model/ElementTestSupport.h"
#include "model/FakeCanvasHost.h"
#include "model/FakeDocumentHost.h"
#include "model/FakeModelServices.h"
#include "support/Kolor.h"
#include "support/Measure.h"

namespace {

constexpr Kolor kRed = 0x640000FF;
constexpr Kolor kBlue = 0x64FF0000;

QVariantMap Change(const QString& getter, const QVariant& value, int type, const QString& setter = QString()) {
  QVariantMap info;
  info.insert(g_settingsChangeGetterKey, getter);
  info.insert(g_settingsChangeValueKey, value);
  info.insert(g_settingsChangeValueTypeKey, type);
  if (!setter.isEmpty()) info.insert(g_settingsChangeSetterKey, setter);
  return info;
}

DRArrow ArrowOf(int type, int onStart, int onEnd) {
  DRArrow arrow = DRArrow::standardArrow(type).value_or(DRArrow());
  arrow.setOnStart(onStart);
  arrow.setOnEnd(onEnd);
  return arrow;
}

std::unique_ptr<DRElementRectangle> Rect() {
  auto rect = std::make_unique<DRElementRectangle>();
  rect->setFrame(PtRect(10, 10, 50, 40));
  rect->setUnderConstruction(false);
  return rect;
}

std::unique_ptr<DRElementText> Text(const QString& string) {
  auto text = std::make_unique<DRElementText>();
  text->setFrame(PtRect(100, 10, 80, 20));
  text->setText(string);
  return text;
}

std::unique_ptr<DRElementLine> Line(const std::optional<DRArrow>& arrow) {
  auto line = std::make_unique<DRElementLine>();
  line->setFrame(PtRect(0, 100, 60, 30));
  line->setStartPoint(CSPoint{0, 0});
  line->setEndPoint(CSPoint{Pt(60), Pt(30)});
  line->setArrow(arrow);
  return line;
}

class SettingsChangeTest : public ::testing::Test {
 public:
  SettingsChangeTest() : m_savedArrow(DRSettings::sharedInstance().arrow()) {
    drawing = std::make_unique<DRDrawing>();
    drawing->setDocumentHost(&host);
    drawing->setDupOffsetValid(true);
    host.tabGuid = QStringLiteral("TAB-GUID");
  }
  ~SettingsChangeTest() override {
    drawing->setDocumentHost(nullptr);
    DRSettings::sharedInstance().setArrow(m_savedArrow);
  }

  void select(std::initializer_list<DRElement*> elements) { canvas.selected = elements; }
  void apply(const QVariantMap& info) { drawing->change(info, &canvas); }
  size_t invalidations(const DRElement* element) const {
    return size_t(std::count(canvas.invalidatedElements.begin(), canvas.invalidatedElements.end(), element));
  }

  FakeModelServices services;
  SettingsScope settings;
  FakeCanvasHost canvas;
  FakeDocumentHost host{&canvas};
  std::unique_ptr<DRDrawing> drawing;

 private:
  std::optional<DRArrow> m_savedArrow;
};

TEST_F(SettingsChangeTest, FontChangesOnlyTextsAndRefitsTheirHeight) {
  auto rect = Rect();
  auto text = Text(QStringLiteral("A few words that wrap over more than one line of the box"));
  const CSRect rectFrame = rect->frame();
  const double heightBefore = double(text->frame().height);
  QFont font = text->textInfo().fontValue();
  font.setPointSizeF(font.pointSizeF() * 3);
  select({rect.get(), text.get()});

  apply(Change(g_fontKeyPath, QVariant::fromValue(font), kSettingsValueObject));

  EXPECT_DOUBLE_EQ(text->textInfo().fontValue().pointSizeF(), font.pointSizeF());
  // The style went back through the element's setter, which fits the box.
  EXPECT_GT(double(text->frame().height), heightBefore * 1.5);
  EXPECT_EQ(rect->frame(), rectFrame);
  EXPECT_EQ(invalidations(rect.get()), 0u);
  EXPECT_EQ(invalidations(text.get()), 2u);
  EXPECT_EQ(canvas.invalidatedTyping, std::vector<DRElement*>{text.get()});
  EXPECT_FALSE(drawing->isDupOffsetValid());
}

TEST_F(SettingsChangeTest, AnUnchangedValueInvalidatesNothing) {
  auto same = Rect();
  auto other = Rect();
  DRLineInfo line = *same->lineInfo();
  line.setWidth(Pt(2));
  same->setLineInfo(line);
  line.setWidth(Pt(1));
  other->setLineInfo(line);
  select({same.get(), other.get()});

  apply(Change(QStringLiteral("lineInfo.width"), NumberWithMeasure(Pt(2)), kSettingsValueMeasure));
  EXPECT_EQ(invalidations(same.get()), 0u);
  EXPECT_EQ(invalidations(other.get()), 2u);
  EXPECT_EQ(other->lineInfo()->width(), Pt(2));

  canvas.invalidatedElements.clear();
  canvas.invalidatedTyping.clear();
  drawing->setDupOffsetValid(true);
  select({same.get()});
  apply(Change(QStringLiteral("lineInfo.width"), NumberWithMeasure(Pt(2)), kSettingsValueMeasure));
  EXPECT_TRUE(canvas.invalidatedElements.empty());
  EXPECT_TRUE(canvas.invalidatedTyping.empty());
  EXPECT_TRUE(drawing->isDupOffsetValid());
}

TEST_F(SettingsChangeTest, BoldAndItalicApplyEvenWhenEqualOtherFlagsDoNot) {
  struct Case {
    QString getter;
    QString setter;
    size_t expected;
  };
  const Case cases[] = {
      {g_boldKeyPath, g_boldSetter, 2},
      {g_italicKeyPath, g_italicSetter, 2},
      {g_underlineKeyPath, g_underlineSetter, 0},
  };
  for (const Case& c : cases) {
    auto text = Text(QStringLiteral("Styled"));
    DRTextInfo style = text->textInfo();
    style.setBold(1);
    style.setItalic(1);
    style.setUnderlined(1);
    text->setTextInfo(style);
    select({text.get()});
    canvas.invalidatedElements.clear();

    apply(Change(c.getter, true, kSettingsValueBool, c.setter));

    EXPECT_EQ(invalidations(text.get()), c.expected) << c.getter.toStdString();
    EXPECT_EQ(text->textInfo().isBold(), 1);
    EXPECT_EQ(text->textInfo().isItalic(), 1);
    EXPECT_EQ(text->textInfo().isUnderlined(), 1);
  }
}

TEST_F(SettingsChangeTest, ASetterNameFindsItsProperty) {
  // "isBold" given without its setter: the made-up "setIsBold:" still
  // reaches the flag through the getter's name.
  auto text = Text(QStringLiteral("Plain"));
  select({text.get()});
  apply(Change(g_boldKeyPath, true, kSettingsValueBool));
  EXPECT_EQ(text->textInfo().isBold(), 1);
  EXPECT_TRUE(text->textInfo().fontValue().bold());

  // A getter named "isX" reaches a property called "x".
  auto rect = Rect();
  select({rect.get()});
  apply(Change(QStringLiteral("isConstrained"), true, kSettingsValueBool, QStringLiteral("setConstrained:")));
  EXPECT_TRUE(rect->isConstrained());
}

TEST_F(SettingsChangeTest, ArrowHeadOnALineWithoutArrowTakesTheSettingsArrow) {
  const DRArrow settingsArrow = ArrowOf(kArrowTypeClosed, 0, 1);
  DRSettings::sharedInstance().setArrow(settingsArrow);
  auto bare = Line(std::nullopt);
  auto withArrow = Line(ArrowOf(kArrowTypeBall, 1, 0));
  select({withArrow.get(), bare.get()});

  apply(Change(g_arrowOnEndKeyPath, true, kSettingsValueBool));

  ASSERT_TRUE(bare->arrow().has_value());
  EXPECT_EQ(*bare->arrow(), settingsArrow);
  EXPECT_EQ(invalidations(bare.get()), 2u);
  ASSERT_TRUE(withArrow->arrow().has_value());
  EXPECT_EQ(withArrow->arrow()->onEnd(), 1);
  EXPECT_EQ(withArrow->arrow()->onStart(), 1);
  EXPECT_EQ(withArrow->arrow()->type(), kArrowTypeBall);
  EXPECT_EQ(invalidations(withArrow.get()), 2u);
}

TEST_F(SettingsChangeTest, MissingSubObjectsAreSuppliedOnlyForArrowLineAndShadow) {
  auto shadowless = Rect();
  shadowless->setShadow(std::nullopt);
  select({shadowless.get()});
  apply(Change(QStringLiteral("shadow.blur"), NumberWithMeasure(Pt(9)), kSettingsValueMeasure));
  ASSERT_TRUE(shadowless->shadow().has_value());
  // The element is given the default shadow; the value itself is not set.
  EXPECT_EQ(*shadowless->shadow(), DRShadow());

  DRLineInfo settingsLine = DRSettings::sharedInstance().lineInfo();
  settingsLine.setWidth(Pt(7));
  DRSettings::sharedInstance().setLineInfo(settingsLine);
  auto lineless = Rect();
  lineless->setLineInfo(std::nullopt);
  select({lineless.get()});
  apply(Change(g_lineKolorKeyPath, ValueWithKolor(kRed), kSettingsValueKolor));
  ASSERT_TRUE(lineless->lineInfo().has_value());
  EXPECT_EQ(*lineless->lineInfo(), settingsLine);

  auto plain = Rect();
  plain->setGradient(std::nullopt);
  select({plain.get()});
  canvas.invalidatedElements.clear();
  apply(Change(QStringLiteral("gradient.radial"), true, kSettingsValueBool));
  EXPECT_FALSE(plain->gradient().has_value());
  EXPECT_TRUE(canvas.invalidatedElements.empty());
}

// Each kind of target: a property of the element, and one of each of its
// value sub-objects, set and read back.
TEST_F(SettingsChangeTest, EveryKindOfTargetTakesTheValue) {
  DRGradient gradient;
  gradient.setRadial(true);
  struct Case {
    const char* name;
    std::function<std::unique_ptr<DRElement>()> make;
    QVariantMap info;
    std::function<bool(const DRElement&)> changed;
  };
  const Case cases[] = {
      {"fill colour", [] { return Rect(); }, Change(g_fillKolorKeyPath, ValueWithKolor(kBlue), kSettingsValueKolor),
       [](const DRElement& e) { return e.fillKolor() == kBlue; }},
      {"fill colour as a number", [] { return Rect(); },
       Change(g_fillKolorKeyPath, QVariant(uint(kRed)), kSettingsValueKolor),
       [](const DRElement& e) { return e.fillKolor() == kRed; }},
      {"line colour", [] { return Rect(); }, Change(g_lineKolorKeyPath, ValueWithKolor(kRed), kSettingsValueKolor),
       [](const DRElement& e) { return e.lineInfo() && e.lineInfo()->kolor() == kRed; }},
      {"rotation", [] { return Rect(); }, Change(g_rotationKeyPath, NumberWithMeasure(Pt(30)), kSettingsValueMeasure),
       [](const DRElement& e) { return e.rotation() == Pt(30); }},
      {"shadow colour",
       [] {
         auto r = Rect();
         r->setShadow(DRShadow());
         return r;
       },
       Change(QStringLiteral("shadow.kolor"), ValueWithKolor(kRed), kSettingsValueKolor),
       [](const DRElement& e) { return e.shadow() && e.shadow()->kolor() == kRed; }},
      {"gradient", [] { return Rect(); },
       Change(g_gradientKeyPath, QVariant::fromValue(gradient), kSettingsValueObject),
       [gradient](const DRElement& e) { return e.gradientStyle() && *e.gradientStyle() == gradient; }},
      {"gradient property",
       [] {
         auto r = Rect();
         r->setGradient(DRGradient());
         return r;
       },
       Change(QStringLiteral("gradient.radial"), true, kSettingsValueBool),
       [](const DRElement& e) { return e.gradientStyle() && e.gradientStyle()->isRadial(); }},
      {"text colour", [] { return Text(QStringLiteral("x")); },
       Change(g_textKolorKeyPath, ValueWithKolor(kRed), kSettingsValueKolor),
       [](const DRElement& e) { return static_cast<const DRElementText&>(e).textInfo().textKolor() == kRed; }},
      {"text background", [] { return Text(QStringLiteral("x")); },
       Change(g_textBackKolorKeyPath, ValueWithKolor(kBlue), kSettingsValueKolor),
       [](const DRElement& e) { return static_cast<const DRElementText&>(e).textInfo().backKolor() == kBlue; }},
      {"alignment", [] { return Text(QStringLiteral("x")); },
       Change(g_alignmentKeyPath, qlonglong(kTextAlignCenter), kSettingsValueInteger),
       [](const DRElement& e) {
         return static_cast<const DRElementText&>(e).textInfo().alignment() == kTextAlignCenter;
       }},
      {"arrow fill",
       [] {
         DRArrow open = ArrowOf(kArrowTypeClosed, 0, 1);
         open.setFill(0);
         return Line(open);
       },
       Change(g_arrowFillKeyPath, true, kSettingsValueBool),
       [](const DRElement& e) {
         const auto& line = static_cast<const DRElementLine&>(e);
         return line.arrow() && line.arrow()->fill() == 1;
       }},
      {"whole arrow", [] { return Line(std::nullopt); },
       Change(g_arrowSubObject, QVariant::fromValue(ArrowOf(kArrowTypeBall, 1, 1)), kSettingsValueObject),
       [](const DRElement& e) {
         const auto& line = static_cast<const DRElementLine&>(e);
         return line.arrow() && *line.arrow() == ArrowOf(kArrowTypeBall, 1, 1);
       }},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    std::unique_ptr<DRElement> element = c.make();
    ASSERT_FALSE(c.changed(*element));
    select({element.get()});
    canvas.invalidatedElements.clear();
    apply(c.info);
    EXPECT_TRUE(c.changed(*element));
    EXPECT_EQ(invalidations(element.get()), 2u);
  }
}

TEST_F(SettingsChangeTest, AnArrowValueGoesToTheFrontOfTheRecentArrows) {
  services.recentArrows() = {ArrowOf(kArrowTypeClosed, 0, 1)};
  const DRArrow arrow = ArrowOf(kArrowTypeBall, 0, 1);
  auto line = Line(std::nullopt);
  select({line.get()});
  apply(Change(g_arrowSubObject, QVariant::fromValue(arrow), kSettingsValueObject));
  ASSERT_EQ(services.recentArrows().size(), 2);
  EXPECT_EQ(services.recentArrows().front(), arrow);

  // Nothing changed: the list stays as it is.
  services.recentArrows() = {ArrowOf(kArrowTypeClosed, 0, 1)};
  apply(Change(g_arrowSubObject, QVariant::fromValue(arrow), kSettingsValueObject));
  EXPECT_EQ(services.recentArrows().size(), 1);
}

TEST_F(SettingsChangeTest, NoValueRemovesAGradientFromEveryElement) {
  auto withGradient = Rect();
  withGradient->setGradient(DRGradient());
  auto without = Rect();
  select({withGradient.get(), without.get()});
  apply(Change(g_gradientKeyPath, QVariant(), kSettingsValueObject));
  EXPECT_FALSE(withGradient->gradient().has_value());
  // No value is never equal to the current one: it is always applied.
  EXPECT_EQ(invalidations(without.get()), 2u);
}

TEST_F(SettingsChangeTest, RefusedChangesTouchNothing) {
  struct Case {
    const char* name;
    std::function<void(SettingsChangeTest&)> arrange;
    QVariantMap info;
  };
  const QVariantMap good = Change(g_fillKolorKeyPath, ValueWithKolor(kRed), kSettingsValueKolor);
  QVariantMap noGetter = good;
  noGetter.remove(g_settingsChangeGetterKey);
  const Case cases[] = {
      {"value type 6", [](SettingsChangeTest&) {}, Change(g_fillKolorKeyPath, ValueWithKolor(kRed), 6)},
      {"negative value type", [](SettingsChangeTest&) {}, Change(g_fillKolorKeyPath, ValueWithKolor(kRed), -1)},
      {"locked document", [](SettingsChangeTest& t) { t.drawing->setLocked(true); }, good},
      {"canvas out of its window", [](SettingsChangeTest& t) { t.canvas.superview = false; }, good},
      {"no getter", [](SettingsChangeTest&) {}, noGetter},
      {"colour that is not one", [](SettingsChangeTest&) {},
       Change(g_fillKolorKeyPath, QStringLiteral("red"), kSettingsValueKolor)},
      {"hidden text in a locked document", [](SettingsChangeTest& t) { t.drawing->setLocked(true); },
       Change(QStringLiteral("hideText"), true, kSettingsValueBool)},
  };
  for (const Case& c : cases) {
    SCOPED_TRACE(c.name);
    drawing->setLocked(false);
    drawing->setDupOffsetValid(true);
    canvas.superview = true;
    canvas.invalidatedElements.clear();
    canvas.needsDisplayCount = 0;
    auto rect = Rect();
    rect->setFillKolor(kBlue);
    select({rect.get()});
    c.arrange(*this);
    apply(c.info);
    EXPECT_EQ(rect->fillKolor(), kBlue);
    EXPECT_TRUE(canvas.invalidatedElements.empty());
    EXPECT_EQ(canvas.needsDisplayCount, 0);
    EXPECT_TRUE(drawing->isDupOffsetValid());
  }
}

TEST_F(SettingsChangeTest, HideTextRedrawsTheWholeView) {
  auto scribble = std::make_unique<DRElementScribble>();
  scribble->setFrame(PtRect(0, 0, 40, 40));
  auto rect = Rect();
  select({rect.get(), scribble.get()});
  apply(Change(QStringLiteral("hideText"), true, kSettingsValueBool));
  EXPECT_TRUE(scribble->hideText());
  EXPECT_EQ(invalidations(rect.get()), 0u);
  EXPECT_EQ(canvas.needsDisplayCount, 1);

  // Already hidden: the view is still redrawn.
  apply(Change(QStringLiteral("hideText"), true, kSettingsValueBool));
  EXPECT_EQ(canvas.needsDisplayCount, 2);
}

TEST_F(SettingsChangeTest, RenamingAPaintingRebuildsTheTabs) {
  auto bitmap = std::make_unique<DRElementBitmap>();
  bitmap->setName(QStringLiteral("Old"));
  auto rect = Rect();
  select({rect.get(), bitmap.get()});

  apply(Change(QStringLiteral("name"), QStringLiteral("Sky"), kSettingsValueObject));
  EXPECT_EQ(bitmap->name(), QStringLiteral("Sky"));
  ASSERT_EQ(host.setupTabsCalls.size(), 1u);
  EXPECT_EQ(host.setupTabsCalls[0].first, QStringLiteral("TAB-GUID"));
  EXPECT_TRUE(host.setupTabsCalls[0].second);

  apply(Change(QStringLiteral("name"), QStringLiteral("Sky"), kSettingsValueObject));
  EXPECT_EQ(host.setupTabsCalls.size(), 1u);
}

}  // namespace
