#include <gtest/gtest.h>

#include <QColor>
#include <QFontDatabase>
#include <QFontInfo>
#include <vector>

#include "interchange/Css.h"
#include "testkit/QStringPrinter.h"

namespace {

struct Declaration {
  int key;
  QString value;
  bool operator==(const Declaration&) const = default;
};

std::vector<Declaration> Parse(const QString& text) {
  std::vector<Declaration> found;
  ParseCssString(text, [&found](int key, const QString& value) { found.push_back({key, value}); });
  return found;
}

QFont Font(double size) {
  QFont font(QStringLiteral("DejaVu Sans"));
  font.setPointSizeF(size);
  return font;
}

}  // namespace

TEST(Css, DeclarationsInOrderKnownOnes) {
  const std::vector<Declaration> expected = {
      {kCssFill, QStringLiteral("red")}, {kCssStrokeWidth, QStringLiteral("2px")}, {kCssOpacity, QString()}};
  EXPECT_EQ(Parse(QStringLiteral("  FILL : red ;unknown: 4; stroke-width:2px  ;opacity;")), expected);
  // The last name reaching the end has an empty value.
  EXPECT_EQ(Parse(QStringLiteral("fill:blue;color")),
            (std::vector<Declaration>{{kCssFill, QStringLiteral("blue")}, {kCssColor, QString()}}));
  EXPECT_EQ(Parse(QStringLiteral("fill:")), (std::vector<Declaration>{{kCssFill, QString()}}));
}

TEST(Css, DeclarationListsThatStopEarly) {
  EXPECT_TRUE(Parse(QStringLiteral("5fill:red")).empty());
  EXPECT_TRUE(Parse(QStringLiteral(":red")).empty());
  // A name followed by something else ends the list.
  EXPECT_EQ(Parse(QStringLiteral("fill:red; stroke blue; color:red")),
            (std::vector<Declaration>{{kCssFill, QStringLiteral("red")}}));
  EXPECT_TRUE(Parse(QString()).empty());
}

TEST(Css, PropertyKeys) {
  EXPECT_EQ(CssPropertyKey(u"color"), kCssColor);
  EXPECT_EQ(CssPropertyKey(u"Text-Decoration"), kCssTextDecoration);
  EXPECT_EQ(CssPropertyKey(u"stroke-miterlimit"), kCssStrokeMiterlimit);
  EXPECT_EQ(CssPropertyKey(u""), 0);
  EXPECT_EQ(CssPropertyKey(u"colour"), 0);
  EXPECT_EQ(CssPropertyKey(u"zzz"), 0);
}

TEST(Css, ColourTable) {
  struct Case {
    const char* text;
    Kolor kolor;
  };
  const Case cases[] = {
      {"#0f8", 0x6488FF00},
      {"#00ff88", 0x6488FF00},
      {"#F00", MakeKolor(255, 0, 0)},
      {"#", MakeKolor(0, 0, 0)},
      {"#f", MakeKolor(255, 0, 0)},
      {"#ff", MakeKolor(255, 255, 0)},
      {"#zz0000", MakeKolor(0, 0, 0)},
      {"#12345678", MakeKolor(0x12, 0x34, 0x56)},
      {"rgba(255,0,0,0.5)", MakeKolor(255, 0, 0, 50)},
      {"rgb(100%,0%,0%)", MakeKolor(255, 0, 0)},
      {"rgb(-5,0,0)", MakeKolor(0, 0, 0)},
      {"rgb(300, 128 ,0)", MakeKolor(255, 128, 0)},
      {"rgb(0.5,0,0)", MakeKolor(127, 0, 0)},
      {"rgba(0,0,255,1)", MakeKolor(0, 0, 255)},
      {"rgba(0,0,255,50%)", MakeKolor(0, 0, 255, 50)},
      {"rgb(10,20", MakeKolor(10, 20, 0)},
      {"rgb(", MakeKolor(0, 0, 0)},
      {"hsl(120,100%,50%)", MakeKolor(0, 255, 0)},
      {"hsl(-240,100%,50%)", MakeKolor(0, 255, 0)},
      {"hsla(0,100%,50%,0.25)", MakeKolor(255, 0, 0, 25)},
      {"hsl(0,0%,100%)", MakeKolor(255, 255, 255)},
      {"url(#id)", g_nilKolor},
      {"url(#id) blue", MakeKolor(0, 0, 255)},
      {"url(#id", g_nilKolor},
      {"url(#a) url(#b) red", g_nilKolor},
      {"Red", g_blackKolor},
      {"red", MakeKolor(255, 0, 0)},
      {"none", g_nilKolor},
      {"transparent", 0},
      {"", g_nilKolor},
      {"  ", g_nilKolor},
      {"grey", MakeKolor(128, 128, 128)},
      {"yellowgreen", MakeKolor(0x9a, 0xcd, 0x32)},
      {"rebeccapurple", g_blackKolor},
  };
  for (const Case& c : cases) {
    EXPECT_EQ(KolorFromCssColor(QString::fromLatin1(c.text)), c.kolor) << c.text;
  }
}

TEST(Css, EveryColourNameHasTheStandardValue) {
  // Qt's colour names are the same standard keywords.
  int named = 0;
  for (const QString& name : QColor::colorNames()) {
    if (name == QLatin1String("transparent") || name == QLatin1String("rebeccapurple")) continue;
    const QColor color = QColor::fromString(name);
    EXPECT_EQ(KolorFromCssColor(name), MakeKolor(color.red(), color.green(), color.blue())) << name.toStdString();
    ++named;
  }
  EXPECT_EQ(named, 147);
}

TEST(Css, ColourStringsRoundTrip) {
  EXPECT_EQ(CssColorString(MakeKolor(1, 2, 3)), QStringLiteral("rgb(1,2,3)"));
  EXPECT_EQ(CssColorString(MakeKolor(1, 2, 3, 29)), QStringLiteral("rgba(1,2,3,0.29)"));
  EXPECT_EQ(CssColorString(MakeKolor(9, 9, 9, 0)), QStringLiteral("transparent"));
  EXPECT_EQ(CssColorString(g_nilKolor), QStringLiteral("none"));
  EXPECT_EQ(KolorFromCssColor(CssColorString(g_nilKolor)), g_nilKolor);
  for (Kolor rgb : {Kolor(0x000000), Kolor(0x123456), Kolor(0xFFFFFF), Kolor(0x01FE7F)}) {
    const Kolor opaque = rgb | 0x64000000u;
    EXPECT_EQ(KolorFromCssColor(CssColorString(opaque)), opaque);
    for (int opacity = 1; opacity <= 99; ++opacity) {
      const Kolor k = rgb | Kolor(opacity) << 24;
      EXPECT_EQ(KolorFromCssColor(CssColorString(k)), k) << opacity;
    }
  }
}

TEST(Css, FontSizes) {
  struct Case {
    const char* value;
    double start;
    double points;
  };
  const Case cases[] = {
      {"larger", 12, 18},
      {"smaller", 12, 8},
      {"1px", 12, 4},
      {"1", 12, 4},
      {"16", 12, 12},
      {"16px", 20, 12},
      {"12pt", 20, 12},
      {"150%", 12, 18},
      {"2em", 10, 20},
      {"X-LARGE", 12, 36},
      {"xx-small", 12, 6},
      {"medium", 30, 16},
      {"huge", 12, 12},
      {"", 12, 12},
      {"-5", 12, 12},
      {"1e999px", 12, 12},
      {"99999999", 12, kMaxCssFontSize},
      {".5in", 12, 36},
  };
  for (const Case& c : cases) {
    EXPECT_DOUBLE_EQ(AdjustCssFontSize(Font(c.start), QString::fromLatin1(c.value)).pointSizeF(), c.points) << c.value;
  }
}

TEST(Css, FontWeightsAndStyles) {
  EXPECT_EQ(CssWeightLevel(700), 11);
  EXPECT_EQ(CssWeightLevel(400), 6);
  EXPECT_EQ(CssWeightLevel(100), 0);
  EXPECT_EQ(CssWeightLevel(900), 15);
  EXPECT_EQ(FontWeightForLevel(11), QFont::Bold);
  EXPECT_EQ(FontWeightForLevel(6), QFont::Normal);
  EXPECT_EQ(FontWeightForLevel(9), QFont::DemiBold);
  EXPECT_EQ(FontWeightForLevel(-3), QFont::Thin);
  EXPECT_EQ(FontWeightForLevel(99), QFont::Black);
  for (int level = 0; level < 16; ++level) {
    EXPECT_EQ(FontWeightForLevel(FontWeightLevel(FontWeightForLevel(level))), FontWeightForLevel(level)) << level;
  }

  const QFont plain = Font(12);
  EXPECT_EQ(AdjustCssFontWeight(plain, u"700").weight(), QFont::Bold);
  EXPECT_EQ(AdjustCssFontWeight(plain, u"300").weight(), QFont::Light);
  EXPECT_EQ(AdjustCssFontWeight(plain, u"950").weight(), plain.weight());
  EXPECT_EQ(AdjustCssFontWeight(plain, u"heavy").weight(), plain.weight());
  const QFont bold = AdjustCssFontWeight(plain, u"bold");
  EXPECT_TRUE(bold.bold());
  EXPECT_FALSE(AdjustCssFontWeight(bold, u"Normal").bold());
  EXPECT_EQ(AdjustCssFontWeight(plain, u"bolder").weight(), QFont::Medium);
  EXPECT_EQ(AdjustCssFontWeight(plain, u"lighter").weight(), QFont::Light);
  QFont black = plain;
  black.setWeight(QFont::Black);
  EXPECT_EQ(AdjustCssFontWeight(black, u"bolder").weight(), QFont::Black);

  EXPECT_TRUE(AdjustCssFontStyle(plain, u"oblique").italic());
  EXPECT_FALSE(AdjustCssFontStyle(AdjustCssFontStyle(plain, u"italic"), u"normal").italic());
  EXPECT_FALSE(AdjustCssFontStyle(plain, u"slanted").italic());
  EXPECT_EQ(AdjustCssFont(bold, u"italic 12px serif"), bold);
}

TEST(Css, FontFamilies) {
  const QFont start = Font(14);
  EXPECT_EQ(AdjustCssFontFamily(start, u""), start);
  EXPECT_EQ(AdjustCssFontFamily(start, u"inherit"), start);
  EXPECT_EQ(AdjustCssFontFamily(start, u"'No Such Face', \"No Other\""), start);

  // The first installed item wins, keeping size and traits.
  QFont italic = start;
  italic.setItalic(true);
  const QFont mono = AdjustCssFontFamily(italic, u"'No Such Face', \"DejaVu Sans Mono\", serif");
  EXPECT_EQ(QFontInfo(mono).family(), QStringLiteral("DejaVu Sans Mono"));
  EXPECT_TRUE(mono.italic());
  EXPECT_DOUBLE_EQ(mono.pointSizeF(), 14);

  // Generic families become installed faces.
  for (const char16_t* generic : {u"serif", u"sans-serif", u"monospace", u"cursive", u"fantasy"}) {
    const QString family = FamilyForGenericFamily(generic);
    EXPECT_FALSE(family.isEmpty());
    EXPECT_TRUE(QFontDatabase::families().contains(family)) << family.toStdString();
  }
  EXPECT_TRUE(FamilyForGenericFamily(u"Helvetica").isEmpty());
  const QFont monospace = AdjustCssFontFamily(start, u"monospace");
  EXPECT_TRUE(QFontInfo(monospace).fixedPitch());
  EXPECT_EQ(GenericFamilyForFont(monospace), QStringLiteral("monospace"));
}

TEST(Css, GenericFamiliesOfFaces) {
  const struct {
    int familyClass;
    const char* generic;
  } classes[] = {{0, "sans-serif"}, {1, "serif"},       {2, "serif"},    {3, "serif"},       {4, "serif"},
                 {5, "serif"},      {6, "sans-serif"},  {7, "serif"},    {8, "sans-serif"},  {9, "fantasy"},
                 {10, "cursive"},   {11, "sans-serif"}, {12, "fantasy"}, {13, "sans-serif"}, {255, "sans-serif"}};
  for (const auto& c : classes) {
    EXPECT_EQ(GenericFamilyForFamilyClass(c.familyClass), QLatin1String(c.generic)) << c.familyClass;
  }
  // The bundled faces give no family class: only the fixed pitch tells.
  EXPECT_EQ(GenericFamilyForFont(QFont(QStringLiteral("DejaVu Sans Mono"))), QStringLiteral("monospace"));
  EXPECT_EQ(GenericFamilyForFont(QFont(QStringLiteral("DejaVu Sans"))), QStringLiteral("sans-serif"));
}
