#include <gtest/gtest.h>

#include "interchange/Css.h"
#include "interchange/SvgGeometry.h"
#include "interchange/SvgKeys.h"
#include "interchange/SvgStyle.h"
#include "model/DRElementRectangle.h"
#include "testkit/QStringPrinter.h"

namespace {

constexpr MeasureUnit Px(double pixels) {
  return MeasureUnit(pixels * double(kSvgMeasurePerPixel));
}
constexpr Kolor kRed = 0x640000FF;
constexpr Kolor kBlue = 0x64FF0000;

// A rectangle finished with the state's top level over (0, 0, 40, 20) px.
const DRElementRectangle* FinishedRectangle(SvgImportState& state) {
  state.currentElement = std::make_unique<DRElementRectangle>();
  state.x = 0;
  state.y = 0;
  state.width = Px(40);
  state.height = Px(20);
  if (!SvgSetFilledFrameAndProps(state, state.top(), false)) return nullptr;
  return dynamic_cast<const DRElementRectangle*>(state.currentElement.get());
}

void Style(SvgImportState& state, const char* style) {
  SvgHandleCommonAttribute(state, state.top(), kSvgStyle, QString::fromLatin1(style));
}

}  // namespace

TEST(SvgStyle, KeyTableNames) {
  EXPECT_EQ(SvgKeyForName(u"circle"), kSvgCircle);
  EXPECT_EQ(SvgKeyForName(u"xlink:href"), kSvgXlinkHref);
  EXPECT_EQ(SvgKeyForName(u"translate"), kSvgTranslate);
  EXPECT_EQ(SvgKeyForName(u"Circle"), 0);
  EXPECT_EQ(SvgKeyForName(u"translateX"), 0);
  for (int key = 1; key <= kSvgKeyCount; ++key) EXPECT_EQ(SvgKeyForName(SvgKeyName(key)), key) << key;
  EXPECT_EQ(SvgKeyName(0), QString());
  EXPECT_EQ(SvgKeyName(kSvgKeyCount + 1), QString());
}

TEST(SvgStyle, NewPropertySetDefaults) {
  const DRSvgProps props;
  EXPECT_DOUBLE_EQ(props.textInfo.fontValue().pointSizeF(), 16);
  EXPECT_EQ(props.textAnchor, kSvgAnchorStart);
  EXPECT_EQ(props.lineInfo.kolor(), g_nilKolor);
  EXPECT_EQ(props.lineInfo.width(), kMeasurePerPoint);
  EXPECT_EQ(props.currentKolor, 0x64000000u);
  EXPECT_EQ(props.fillKolor, 0x64000000u);
  EXPECT_EQ(props.fillOpacity, -1);
  EXPECT_EQ(props.strokeOpacity, -1);
  EXPECT_TRUE(props.transforms.empty());
}

TEST(SvgStyle, CopiesCountInheritedTransforms) {
  SvgImportState state;
  SvgParseTransforms(state, state.top(), u"scale(2) rotate(3)");
  state.top().subelements = std::make_shared<DRElementList>();
  state.top().parentCollection = &state.elements;
  const auto copy = state.top().copy();
  EXPECT_EQ(copy->parentTransformCount, 2u);
  EXPECT_EQ(copy->transforms, state.top().transforms);
  EXPECT_FALSE(copy->subelements);
  EXPECT_EQ(copy->parentCollection, nullptr);
}

TEST(SvgStyle, NoFillWithABlueStrokeIsAnUnfilledOutline) {
  SvgImportState state;
  Style(state, "fill:none; stroke: blue");
  EXPECT_FALSE(state.top().fillSpecified);
  const DRElementRectangle* rectangle = FinishedRectangle(state);
  ASSERT_NE(rectangle, nullptr);
  EXPECT_EQ(rectangle->fillKolor(), g_nilKolor);
  ASSERT_TRUE(rectangle->lineInfo());
  EXPECT_EQ(rectangle->lineInfo()->kolor(), kBlue);
  // The stroke lies half outside the shape: the frame grows by half of it.
  EXPECT_EQ(rectangle->frame(), (CSRect{-6350, -6350, Px(40) + 12700, Px(20) + 12700}));
}

TEST(SvgStyle, FillAndStrokeOpacity) {
  struct Case {
    const char* style;
    Kolor fill;
    Kolor line;
  };
  const Case cases[] = {
      {"fill:red", kRed, g_nilKolor},
      {"fill:red;fill-opacity:0.5", MakeKolor(255, 0, 0, 50), g_nilKolor},
      {"fill:red;fill-opacity:0", g_nilKolor, g_nilKolor},
      {"fill:rgba(255,0,0,0.3)", MakeKolor(255, 0, 0, 30), g_nilKolor},
      {"fill:red;stroke:blue;opacity:25%", MakeKolor(255, 0, 0, 25), MakeKolor(0, 0, 255, 25)},
      {"stroke:blue;stroke-opacity:0", 0x64000000, g_nilKolor},
      {"stroke:blue;stroke-width:0", 0x64000000, g_nilKolor},
      {"color:red;fill:currentColor;stroke:CURRENTCOLOR", kRed, kRed},
      {"fill:url(#missing)", 0x64000000, g_nilKolor},
      {"fill:url(#missing) blue", kBlue, g_nilKolor},
  };
  for (const Case& c : cases) {
    SvgImportState state;
    Style(state, c.style);
    const DRElementRectangle* rectangle = FinishedRectangle(state);
    ASSERT_NE(rectangle, nullptr) << c.style;
    EXPECT_EQ(rectangle->fillKolor(), c.fill) << c.style;
    EXPECT_EQ(rectangle->lineInfo()->kolor(), c.line) << c.style;
  }
}

TEST(SvgStyle, NamedFillsAndEvenOddRule) {
  SvgImportState state;
  DRGradient gradient;
  state.named.insert(QStringLiteral("g"), gradient);
  state.named.insert(QStringLiteral("c"), Kolor(kBlue));
  SvgHandleCommonAttribute(state, state.top(), kSvgFill, QStringLiteral("url(#c)"));
  EXPECT_EQ(state.top().fillKolor, kBlue);
  SvgHandleCommonAttribute(state, state.top(), kSvgFill, QStringLiteral("url('#g')"));
  EXPECT_TRUE(state.top().gradient.has_value());
  const DRElementRectangle* rectangle = FinishedRectangle(state);
  ASSERT_NE(rectangle, nullptr);
  EXPECT_TRUE(rectangle->gradient().has_value());
  SvgHandleCommonAttribute(state, state.top(), kSvgFill, QStringLiteral("red"));
  EXPECT_FALSE(state.top().gradient.has_value());
  SvgHandleCommonAttribute(state, state.top(), kSvgFillRule, QStringLiteral("EvenOdd"));
  EXPECT_TRUE(state.top().alternateFillRule);
  SvgHandleCommonAttribute(state, state.top(), kSvgFillRule, QStringLiteral("nonzero"));
  EXPECT_FALSE(state.top().alternateFillRule);
}

TEST(SvgStyle, DashPatterns) {
  struct Case {
    const char* value;
    int64_t style;
    std::vector<MeasureUnit> pattern;
  };
  const Case cases[] = {
      {"5", kLineStyleCustom, {Px(5), Px(5)}},
      {"", kLineStyleSolid, {}},
      {"none", kLineStyleSolid, {}},
      {"1,2 3", kLineStyleCustom, {Px(1), Px(2), Px(3), Px(1), Px(2), Px(3)}},
      {"1 2 3 4 5 6 7 8 9 10 11 12",
       kLineStyleCustom,
       {Px(1), Px(2), Px(3), Px(4), Px(5), Px(6), Px(7), Px(8), Px(9), Px(10)}},
      {"1 2 3 4 5 6 7", kLineStyleCustom, {Px(1), Px(2), Px(3), Px(4), Px(5), Px(6), Px(7), Px(1), Px(2), Px(3)}},
      {"-3 0", kLineStyleCustom, {1, 1}},
      {"10%,4", kLineStyleCustom, {Px(10), Px(4)}},
  };
  for (const Case& c : cases) {
    DRSvgProps props;
    SvgParseLinePattern(props, QString::fromLatin1(c.value));
    EXPECT_EQ(props.lineInfo.lineStyle(), c.style) << c.value;
    ASSERT_TRUE(props.lineInfo.pattern()) << c.value;
    EXPECT_EQ(*props.lineInfo.pattern(), c.pattern) << c.value;
  }
}

TEST(SvgStyle, DashesFollowTheStrokeWidth) {
  SvgImportState state;
  Style(state, "stroke:red; stroke-width:2px; stroke-dasharray:5");
  const DRElementRectangle* rectangle = FinishedRectangle(state);
  ASSERT_NE(rectangle, nullptr);
  // Stored relative to the width: 5 px on a 2 px line.
  EXPECT_EQ(*rectangle->lineInfo()->pattern(), (std::vector<MeasureUnit>{31750, 31750}));

  // At width 0 they stay; huge products saturate.
  DRElementRectangle plain;
  SvgImportState zero;
  SvgParseLinePattern(zero.top(), u"5");
  zero.top().lineInfo.setWidth(0);
  SvgSetLineInfo(zero, zero.top(), plain, false);
  EXPECT_EQ(*plain.lineInfo()->pattern(), (std::vector<MeasureUnit>{Px(5), Px(5)}));
  SvgImportState huge;
  SvgParseLinePattern(huge.top(), u"1e30");
  huge.top().lineInfo.setKolorWithoutRegistering(kRed);
  huge.top().lineInfo.setWidth(1);
  SvgSetLineInfo(huge, huge.top(), plain, false);
  EXPECT_GT(plain.lineInfo()->pattern()->front(), MeasureUnit(1) << 62);
}

TEST(SvgStyle, StrokeAttributes) {
  SvgImportState state;
  DRSvgProps& props = state.top();
  props.viewBox = CSRect{0, 0, Px(300), Px(100)};
  SvgHandleCommonAttribute(state, props, kSvgStrokeWidth, QStringLiteral("10%"));
  EXPECT_EQ(props.lineInfo.width(), Px(10));
  SvgHandleStyleProperty(state, props, kCssStrokeWidth, QStringLiteral("10%"));
  EXPECT_EQ(props.lineInfo.width(), 0);
  SvgHandleCommonAttribute(state, props, kSvgStrokeWidth, QStringLiteral("-4"));
  EXPECT_EQ(props.lineInfo.width(), 0);
  SvgHandleCommonAttribute(state, props, kSvgStrokeLinecap, QStringLiteral("Round"));
  EXPECT_EQ(props.lineInfo.capStyle(), kLineCapRound);
  EXPECT_EQ(props.lineInfo.joinStyle(), kLineJoinRound);
  SvgHandleCommonAttribute(state, props, kSvgStrokeLinejoin, QStringLiteral("bevel"));
  EXPECT_EQ(props.lineInfo.joinStyle(), kLineJoinBevel);
  SvgHandleCommonAttribute(state, props, kSvgStrokeLinecap, QStringLiteral("square"));
  EXPECT_EQ(props.lineInfo.capStyle(), kLineCapSquare);
  SvgHandleCommonAttribute(state, props, kSvgStrokeLinejoin, QStringLiteral("arcs"));
  EXPECT_EQ(props.lineInfo.joinStyle(), kLineJoinMiter);
  SvgHandleCommonAttribute(state, props, kSvgStrokeDashoffset, QStringLiteral("3"));
  EXPECT_EQ(props.lineInfo.phase(), Px(3));
  SvgHandleStyleProperty(state, props, kCssStrokeMiterlimit, QStringLiteral("4"));
  EXPECT_EQ(props.lineInfo.miterLimit(), Px(4));
}

TEST(SvgStyle, TextProperties) {
  SvgImportState state;
  DRSvgProps& props = state.top();
  Style(state,
        "font-size:12pt; font-weight:700; font-style:italic; text-decoration:underline overline;"
        "text-anchor:middle; text-align:justify");
  EXPECT_DOUBLE_EQ(props.textInfo.fontValue().pointSizeF(), 12);
  EXPECT_EQ(props.textInfo.fontValue().weight(), QFont::Bold);
  EXPECT_TRUE(props.textInfo.fontValue().italic());
  EXPECT_EQ(props.textInfo.isUnderlined(), 1);
  EXPECT_EQ(props.textAnchor, kSvgAnchorMiddle);
  EXPECT_EQ(props.textInfo.alignment(), kTextAlignJustified);
  SvgHandleCommonAttribute(state, props, kSvgTextDecoration, QStringLiteral("NONE"));
  EXPECT_EQ(props.textInfo.isUnderlined(), 0);
  SvgHandleCommonAttribute(state, props, kSvgFontSize, QStringLiteral("larger"));
  EXPECT_DOUBLE_EQ(props.textInfo.fontValue().pointSizeF(), 18);
  SvgSetTextAnchor(props, u"end");
  EXPECT_EQ(props.textAnchor, kSvgAnchorEnd);
  SvgSetTextAnchor(props, u"left");
  EXPECT_EQ(props.textAnchor, kSvgAnchorStart);
  SvgSetAlignment(props, u"CENTER");
  EXPECT_EQ(props.textInfo.alignment(), kTextAlignCenter);
  SvgSetAlignment(props, u"start");
  EXPECT_EQ(props.textInfo.alignment(), kTextAlignLeft);

  props.viewBox.width = Px(200);
  SvgHandleStyleProperty(state, props, kCssInlineSize, QStringLiteral("25%"));
  EXPECT_EQ(state.width, Px(50));
}

TEST(SvgStyle, HiddenElementsAreDropped) {
  for (const char* pair : {"visibility=hidden", "visibility=collapse", "display=NONE"}) {
    SvgImportState state;
    const QString text = QString::fromLatin1(pair);
    const QString name = text.section(QLatin1Char('='), 0, 0);
    SvgHandleCommonAttribute(state, state.top(), SvgKeyForName(name), text.section(QLatin1Char('='), 1));
    EXPECT_TRUE(state.dropElement) << pair;
  }
  SvgImportState shown;
  SvgHandleCommonAttribute(shown, shown.top(), kSvgVisibility, QStringLiteral("Visible"));
  SvgHandleCommonAttribute(shown, shown.top(), kSvgDisplay, QStringLiteral("inline"));
  EXPECT_FALSE(shown.dropElement);
}

TEST(SvgStyle, ZeroSizedClosedShapesAreDropped) {
  SvgImportState state;
  state.currentElement = std::make_unique<DRElementRectangle>();
  state.x = 0;
  state.y = 0;
  state.width = 0;
  state.height = Px(5);
  EXPECT_FALSE(SvgSetFilledFrameAndProps(state, state.top(), false));
  EXPECT_FALSE(state.currentElement);
}
