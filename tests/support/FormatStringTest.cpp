#include <gtest/gtest.h>

#include <cmath>
#include <limits>

#include "support/FormatString.h"
#include "support/Kolor.h"
#include "support/Measure.h"

namespace {
ClientContext F(float value) {
  return ContextFromFloat(value);
}
}  // namespace

TEST(FormatString, OrdinalsWordsRomanLetteringFootnotes) {
  struct Row {
    const char* format;
    int64_t value;
    const char* text;
  } rows[] = {
      {"%i", 1, "1st"},
      {"%i", 2, "2nd"},
      {"%i", 3, "3rd"},
      {"%i", 4, "4th"},
      {"%i", 11, "11th"},
      {"%i", 12, "12th"},
      {"%i", 13, "13th"},
      {"%i", 21, "21st"},
      {"%i", 111, "111th"},
      {"%i", 1001, "1,001st"},
      {"%i", 0, "0th"},
      {"%i", 112, "112th"},
      {"%a", 0, "zero"},
      {"%a", 115, "one hundred fifteen"},
      {"%a", 2000001, "two million one"},
      {"%a", 42, "forty-two"},
      {"%a", 10, "ten"},
      {"%a", 1000, "one thousand"},
      {"%a", 999999999999,
       "nine hundred ninety-nine billion nine hundred ninety-nine million nine hundred "
       "ninety-nine thousand nine hundred ninety-nine"},
      {"%I", 0, "zeroth"},
      {"%I", 12, "twelfth"},
      {"%I", 20, "twentieth"},
      {"%I", 101, "one hundred first"},
      {"%I", 42, "forty-second"},
      {"%I", 100, "one hundredth"},
      {"%I", 11, "eleventh"},
      {"%I", 1000000,
       "one million"
       "th"},
      {"%I", 3, "third"},
      {"%>a", 5, "Five"},
      {"%>I", 21, "Twenty-first"},
      {"%R", 1994, "MCMXCIV"},
      {"%r", 4, "iv"},
      {"%R", 4000, "!"},
      {"%R", 0, "0"},
      {"%R", 3999, "MMMCMXCIX"},
      {"%r", 49, "xlix"},
      {"%R", 888, "DCCCLXXXVIII"},
      {"%L", 28, "AB"},
      {"%l", 0, "0"},
      {"%l", 1, "a"},
      {"%l", 26, "z"},
      {"%l", 27, "aa"},
      {"%l", 52, "az"},
      {"%l", 53, "ba"},
      {"%l", 702, "zz"},
      {"%l", 703, "aaa"},
      {"%z", 1, "*"},
      {"%z", 6, "#"},
      {"%z", 7, "**"},
      {"%z", 12, "##"},
      {"%z", 13, "***"},
      {"%z", 0, "0"},
      {"%z", -3, "0"},
      {"%z", 194, "!"},
      {"%z", 2, "\u2020"},
      {"%z", 193, "*********************************"},
  };
  for (const Row& row : rows)
    EXPECT_EQ(FormatString(QString::fromUtf8(row.format), row.value), QString::fromUtf8(row.text))
        << row.format << " " << row.value;
}

TEST(FormatString, SpelledOutNumbersCoverEvery64BitValue) {
  EXPECT_EQ(FormatString("%a", int64_t(1000000000000)), "one trillion");
  EXPECT_EQ(FormatString("%I", int64_t(2000000000000000)), "two quadrillionth");
  EXPECT_EQ(FormatString("%a", std::numeric_limits<uint64_t>::max()),
            "eighteen quintillion four hundred forty-six quadrillion seven hundred forty-four trillion seventy-three "
            "billion seven hundred nine million five hundred fifty-one thousand six hundred fifteen");
  // Lettering of the largest value still fits in 32 letters.
  EXPECT_EQ(FormatString("%L", std::numeric_limits<uint64_t>::max()).size(), 14);
}

TEST(FormatString, IntegersAndPadding) {
  struct Row {
    const char* format;
    int64_t value;
    const char* text;
  } rows[] = {
      {"%5d", 42, "42   "},  // a blank pad goes after the number
      {"%05d", 42, "00042"},
      {"%05d", -42, "-0042"},  // zeros go after the sign
      {"%-05d", 42, "42000"},
      {"%#5d", 42, "42\u2007\u2007\u2007"},
      {"%=4d", 7, "7\u00A0\u00A0\u00A0"},
      {"%,d", 1234567, "1,234,567"},
      {"%,d", -1234567, "-1,234,567"},
      {"%!d", 0, ""},
      {"%!d", 5, "5"},
      {"%d", 0, "0"},
      {"%d", 4294967295, "-1"},  // "d" takes 32 bits
      {"%d", std::numeric_limits<int32_t>::min(), "-2147483648"},
      {"%x", 255, "FF"},
      {"%4x", 255, "00FF"},
      {"%X", -1, "FFFFFFFFFFFFFFFF"},
      {"%40x", 1, "00000000000000000000000000000001"},  // at most 32 digits
      {"%b", 5, "00000000000000000000000000000101"},
      {"%b", -1, "11111111111111111111111111111111"},
      {"%o", 8, "00000000010"},
      {"%o", -1, "77777777777"},
      {"%c", 65, "A"},
      {"%c", 0x8A, "\u00E4"},  // Mac OS Roman
      {"%c", 0xDB, "\u20AC"},  // the euro sign, where older tables had the currency sign
      {"%c", 0xF0, "\uF8FF"},  // a private-use character
      {"%g", 0x41A5D0FF, "A\u2022\u2013\u02C7"},
      {"%c", 0, ""},
      {"%C", 0x20AC, "\u20AC"},
      {"%C", 0, ""},
      {"%g", 0x54455854, "TEXT"},
      {"%t", 99, ""},
      {"%5a", 1, "one  "},  // other conversions pad after the text
  };
  for (const Row& row : rows)
    EXPECT_EQ(FormatString(QString::fromUtf8(row.format), row.value), QString::fromUtf8(row.text))
        << row.format << " " << row.value;

  const int64_t big = -9000000000000;
  EXPECT_EQ(FormatString("%,D", &big), "-9,000,000,000,000");
  EXPECT_EQ(FormatString("%D", static_cast<const int64_t*>(nullptr)), "0");
  const uint64_t word = 0xABCDEF0123456789;
  EXPECT_EQ(FormatString("%y", &word), "ABCDEF0123456789");
  EXPECT_EQ(FormatString("%Y", static_cast<const uint64_t*>(nullptr)), "0");
}

TEST(FormatString, PiecesArgumentsAndText) {
  EXPECT_EQ(FormatString("%%"), "%");
  EXPECT_EQ(FormatString("100%%"), "100%");
  EXPECT_EQ(FormatString("%d%%", 50), "50%");
  EXPECT_EQ(FormatString("50%q"), "50q");  // a letter outside the list: copied without "%"
  EXPECT_EQ(FormatString("a %5 b %d", 3), "a 5 b 3");
  EXPECT_EQ(FormatString("%t%d", 1, 2), "2");
  EXPECT_EQ(FormatString("%d:%02d%t %@", 9, 5, 0, QStringLiteral("pm")), "9:05 pm");
  EXPECT_EQ(FormatString("no conversions"), "no conversions");
  EXPECT_EQ(FormatString("trailing %"), "trailing ");
  EXPECT_EQ(FormatString("%@ and %@", QStringLiteral("this"), 12), "this and 12");
  EXPECT_EQ(FormatString("%S|%<S|%>S", QStringLiteral("MiXed"), QStringLiteral("MiXed"), QStringLiteral("MiXed")),
            "MiXed|mixed|MIXED");
  EXPECT_EQ(FormatString("%s|%s", "caf\x8E", static_cast<const char*>(nullptr)), "caf\u00E9|");
  // Missing arguments read as zero or null and never crash.
  EXPECT_EQ(FormatString("%d %s %@ %D %a"), "0  (null) 0 zero");
}

TEST(FormatString, Measures) {
  EXPECT_EQ(FormatString("%,m", 25400), "2 pt");
  EXPECT_EQ(FormatString("%\"m", 1371600), "1.5\"");
  EXPECT_EQ(FormatString("%!m", 720000), "2 cm");
  EXPECT_EQ(FormatString("%.1\"m", 914400 / 3), "0.3\"");
  EXPECT_EQ(FormatString("%m", 914400), "72 pt");  // the current unit: points without a provider
  EXPECT_EQ(FormatString("%m", kMixedMeasure), "-");
}

TEST(FormatString, Floats) {
  struct Row {
    const char* format;
    float value;
    const char* text;
  } rows[] = {
      {"%.2f", 1.5f, "1.50"},
      {"%.2f", -1.5f, "-1.50"},
      {"%.2f", 3.14159f, "3.14"},  // cut, not rounded
      {"%.2f", 2.678f, "2.67"},
      {"%.2f", 0.01f, "0.01"},
      {"%.2f", 0.05f, "0.05"},
      {"%.2f", 0.005f, "5.00E-3"},  // too small for two decimals
      {"%f", 0.5f, "5E-1"},
      {"%f", 7.9f, "7"},
      {"%.0,f", 1234567.0f, "1,234,567"},
      {"%.2,f", 1234.5f, "1,234.50"},
      {"%!.2f", 0.5f, ".50"},
      {"%.2f", 0.0f, "0.00"},
      {"%^.2f", 12345.0f, "1.23E+4"},
      {"%^.2f", 0.0f, "0.00E+0"},
      {"%^.1f", 0.25f, "2.5E-1"},
      {"%.2f", 1e19f, "10000000000000000000.00"},  // a whole part above 2^63 keeps its digits
      {"%.2f", 3e19f, "3.00E+19"},                 // above 2^64: exponent notation
      {"%.3f", std::numeric_limits<float>::max(), "3.402E+38"},
      {"%.2f", std::numeric_limits<float>::denorm_min(), "1.00E-45"},  // the shortest decimal that reads back
      {"%.20f", 1.25f, "1.25000000000000000000"},
      {"%.40f", 1.25f, "1.25000000000000000000000000000"},  // kept within 31 characters
      {"%6.4f", 1.25f, "1.2500"},
      {"%5.4f", 1.25f, "1.250"},  // decimals cut to the width
      {"%08.2f", -1.5f, "-0001.50"},
      {"%8.2f", 1.5f, "1.50    "},
  };
  for (const Row& row : rows)
    EXPECT_EQ(FormatString(QString::fromUtf8(row.format), F(row.value)), QString::fromUtf8(row.text))
        << row.format << " " << row.value;
}

TEST(FormatString, FloatsThatCannotBeShownPrintBang) {
  // Infinity once sent the scaling loop round for ever.
  EXPECT_EQ(FormatString("%f", F(std::numeric_limits<float>::infinity())), "!");
  EXPECT_EQ(FormatString("%^.2f", F(-std::numeric_limits<float>::infinity())), "!");
  EXPECT_EQ(FormatString("%.2f|%d", F(std::nanf("")), 3), "!|3");
}
