#include "support/Kolor.h"

#include "support/CSCore.h"

#include <gtest/gtest.h>
#include <QGuiApplication>
#include <QPalette>
#include <QPointF>
#include <cmath>

TEST(Kolor, TextFormsReadAndWrite) {
  struct Row {
    const char* text;
    Kolor kolor;
  } rows[] = {
      {"{0, 128, 255}", 0x64FF8000},
      {"{0, 128, 255, 50}", 0x32FF8000},
      {"{255, 255, 255, 255}", 0xFFFFFFFF},  // how no colour writes itself
      {"{255, 255, 255, 0}", 0x00FFFFFF},    // transparent is kept
      {"{1,2,3}", 0xFFFFFFFF},               // no ", " separators
      {"{1, 2}", 0xFFFFFFFF},                // 8 characters or fewer
      {"{10, 20}x", 0xFFFFFFFF},             // fewer than three parts
      {"{0, 0, 0, 101}", 0xFFFFFFFF},        // opacity above 100
      {"{256, 0, 0}", 0xFFFFFFFF},           // channel out of range
      {"{-1, 0, 0}", 0xFFFFFFFF},
      {"{abc, 0, 0}", 0x64000000},           // unreadable numbers read as 0
      {"{0, 0, 0, 50, 9}", 0x32000000},      // parts past the fourth ignored
      {"", 0xFFFFFFFF},
  };
  for (const Row& row : rows) EXPECT_EQ(KolorFromString(QString::fromUtf8(row.text)), row.kolor) << row.text;

  EXPECT_EQ(NewKolorString(0x64FF8000), "{0, 128, 255}");
  EXPECT_EQ(NewKolorString(0x32FF8000), "{0, 128, 255, 50}");
  EXPECT_EQ(NewKolorString(g_nilKolor), "{255, 255, 255, 255}");
  for (Kolor k : {0x64FF8000u, 0x32010203u, 0x00FFFFFFu, 0x01000000u, 0x64000000u})
    EXPECT_EQ(KolorFromString(NewKolorString(k)), k);
}

TEST(Kolor, ColorRoundTripIsExactForEveryChannelAndOpacity) {
  for (int v = 0; v < 256; ++v) {
    for (int opacity = 1; opacity <= 100; ++opacity) {
      const Kolor k = MakeKolor(v, 255 - v, (v * 7) & 0xFF, opacity);
      ASSERT_EQ(KolorFromColor(ColorFromKolor(k)), k) << std::hex << k;
    }
  }
}

TEST(Kolor, ConversionsFromColor) {
  EXPECT_EQ(KolorFromColor(QColor()), g_nilKolor);
  EXPECT_EQ(KolorFromColor(QColor(255, 0, 0, 0)), g_nilKolor);
  EXPECT_LT(KolorFromColorCore(QColor(255, 0, 0, 0)), 0x01000000u);
  EXPECT_EQ(KolorFromColorCore(QColor(255, 0, 0, 0)), 0x000000FFu);
  // Components outside 0-1 are clamped, not wrapped.
  EXPECT_EQ(KolorFromColor(QColor::fromRgbF(1.5f, -0.5f, 0.5f, 1.0f)), MakeKolor(255, 0, 128, 100));
  // Other colour models go through RGB.
  EXPECT_EQ(KolorFromColor(QColor::fromHsv(0, 255, 255)), 0x640000FFu);
  EXPECT_EQ(ColorFromKolor(0x00FF0000).alpha(), 0);
  EXPECT_EQ(ColorFromKolor(0x65000000).alpha(), 0);
  EXPECT_EQ(ColorFromKolor(g_nilKolor).alpha(), 0);
  EXPECT_EQ(KolorFromColor(RemoveAlpha(QColor(10, 20, 30, 128))), MakeKolor(10, 20, 30));
  EXPECT_EQ(KolorFromColor(RemoveAlpha(QColor(255, 255, 255, 0))), g_whiteKolor);
  EXPECT_EQ(RemoveAlpha(QColor(1, 2, 3)), QColor(1, 2, 3));
}

TEST(Kolor, TestsAndDerivedKolors) {
  EXPECT_TRUE(IsVisibleKolor(0x01000000));
  EXPECT_TRUE(IsVisibleKolor(0x64FFFFFF));
  EXPECT_FALSE(IsVisibleKolor(0x00FFFFFF));
  EXPECT_FALSE(IsVisibleKolor(0x65000000));
  EXPECT_TRUE(IsValidKolor(0x00FFFFFF));
  EXPECT_FALSE(IsValidKolor(g_nilKolor));
  EXPECT_TRUE(IsDarkKolor(g_blackKolor));
  EXPECT_FALSE(IsDarkKolor(g_whiteKolor));
  EXPECT_EQ(GrayscaleKolor(0x32102030) >> 24, 0x32u);
  EXPECT_EQ(GrayscaleKolor(0x32102030), 0x32232323u);  // trunc(0.3*48 + 0.59*32 + 0.11*16) = 35
  EXPECT_EQ(GrayscaleKolor(0x64808080), 0x64808080u);  // greys unchanged
  EXPECT_EQ(LightenKolor(0x32F01000), 0x32FF5040u);
  EXPECT_EQ(KolorFromColor(DarkenColor(0x64808080)), 0x64404040u);
}

TEST(Kolor, DerivedColours) {
  EXPECT_EQ(GrayscaleKolorCIE(0x32102030), 0x32222222u);  // trunc(0.212671*48 + 0.71516*32 + 0.072169*16) = 34
  EXPECT_EQ(KolorFromColor(LightenColor(0x64F01000)), 0x64FF5040u);
  // Not a grey: same hue and opacity, saturation * 0.4 + 0.6, brightness * 0.8.
  const QColor dark = DarkenColor(MakeKolor(200, 100, 100, 50));
  const QColor base = ColorFromKolor(MakeKolor(200, 100, 100, 50));
  EXPECT_NEAR(dark.hsvHueF(), base.hsvHueF(), 1e-3);
  EXPECT_NEAR(dark.hsvSaturationF(), base.hsvSaturationF() * 0.4 + 0.6, 1e-3);
  EXPECT_NEAR(dark.valueF(), base.valueF() * 0.8, 1e-3);
  EXPECT_NEAR(dark.alphaF(), 0.5, 1e-3);
}

TEST(Kolor, SystemColoursFollowThePalette) {
  const QPalette saved = QGuiApplication::palette();
  const bool savedDark = g_darkMode;
  QPalette palette = saved;
  palette.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 0x40, 0x80));
  palette.setColor(QPalette::Active, QPalette::Link, QColor(1, 2, 3));
  QGuiApplication::setPalette(palette);

  EXPECT_EQ(KolorFromColor(AccentColor(false, g_nilKolor)), MakeKolor(0, 0x40, 0x80));
  EXPECT_EQ(KolorFromColor(AccentColor(true, g_nilKolor)), MakeKolor(0x40, 0x80, 0xC0));
  EXPECT_EQ(KolorFromColor(LinkColor()), MakeKolor(1, 2, 3));
  g_darkMode = false;
  EXPECT_EQ(KolorFromColor(LightenedHighlightColor()), MakeKolor(0, 0x40, 0x80));
  // In dark mode an opaque highlight is lightened; a translucent one gives grey 3.
  g_darkMode = true;
  EXPECT_EQ(KolorFromColor(LightenedHighlightColor()), MakeKolor(0x40, 0x80, 0xC0));
  palette.setColor(QPalette::Active, QPalette::Highlight, QColor(0, 0x40, 0x80, 128));
  QGuiApplication::setPalette(palette);
  g_darkMode = true;  // a live kernel takes the appearance from the new palette
  EXPECT_EQ(KolorFromColor(LightenedHighlightColor()), 0x64C0C0C0u);

  g_darkMode = savedDark;
  QGuiApplication::setPalette(saved);
}

TEST(Kolor, GrayColorTableAndOutOfRangeIndexes) {
  const Kolor expected[] = {0x00FFFFFF, 0x64FFFFFF, 0x64E0E0E0, 0x64C0C0C0,
                            0x64808080, 0x64404040, 0x64202020, 0x64000000};
  for (int i = 0; i < 8; ++i) EXPECT_EQ(KolorFromColorCore(GrayColor(i)), expected[i]) << i;
  for (int i : {-1, 8, 9, 1000, INT32_MIN}) EXPECT_EQ(KolorFromColorCore(GrayColor(i)), g_blackKolor) << i;
}

TEST(Kolor, DisplayStrings) {
  EXPECT_EQ(ColorDisplayString(0x32FF0000, 3), QStringLiteral("#0000FF  50%"));
  EXPECT_EQ(ColorDisplayString(0x64FF8000, 1, "RGB "), QStringLiteral("(RGB 0, 128, 255)"));
  EXPECT_EQ(ColorDisplayString(0x64FF8000, 2), QStringLiteral("(0.00, 0.50, 1.00)"));
  EXPECT_EQ(ColorDisplayString(0x00FF8000, 1), QStringLiteral("\u2014"));
  EXPECT_EQ(ColorDisplayString(0x64FF8000, 7), QStringLiteral("\u2014"));
}

TEST(Kolor, BoxingAndContextWords) {
  EXPECT_EQ(KolorValue(ValueWithKolor(0x32FF8001)), 0x32FF8001u);
  EXPECT_EQ(KolorValue(QVariant(QPointF(1, 2))), g_blackKolor);
  EXPECT_EQ(KolorValue(QVariant()), g_blackKolor);

  double x = 0, y = 0;
  PointFromContext(ContextFromPoint(-3.7, 12.9), &x, &y);
  EXPECT_EQ(x, -3);
  EXPECT_EQ(y, 12);
  PointFromContext(ContextFromPoint(std::nan(""), -1e300), &x, &y);  // saturates, never UB
  EXPECT_EQ(x, 0);
  EXPECT_EQ(y, 0);  // INT32_MIN keeps only its low 16 bits, which are 0
  for (float f : {0.0f, -1.5f, 3.25e10f, 1e-30f}) EXPECT_EQ(FloatFromContext(ContextFromFloat(f)), f);
  EXPECT_EQ(KolorFromContext(ClientContext(0x1234567864FF8000LL)), 0x64FF8000u);
  EXPECT_EQ(ContextValue(NumberWithContext(-42)), -42);
}
